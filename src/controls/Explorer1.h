#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

namespace quabrel {

// The banner: one web page shown in a child area of the window. The web
// engine is heavy to load and start, so nothing of it is touched until
// Start() runs (after the window is on screen); until the page has loaded,
// and if it never does, the area shows the skin behind it and no message.
class CExplorer1 : public QWidget {
    Q_OBJECT

public:
    explicit CExplorer1(QWidget* parent = nullptr);
    ~CExplorer1() override;

    // Remembers the page to show; loads it at once when already started.
    void Navigate(const QUrl& address);
    // Loads the web engine module from `moduleDirectory` (the executable's
    // folder unless given) and shows the page in it. Once only; without the
    // module the banner stays empty.
    void Start(const QString& moduleDirectory = QString());

    bool IsStarted() const { return m_view != nullptr; }
    const QUrl& Address() const { return m_address; }
    QWidget* View() const { return m_view; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QUrl m_address;
    QWidget* m_view = nullptr;
};

// The product web site, fixed at build time.
QString ProductSite();

// File name (without folder) of the web engine module.
QString WebViewModuleName();

}  // namespace quabrel
