#pragma once

#include <QUrl>
#include <QWidget>

class QWebEngineView;

namespace quabrel {

// The banner: one web page shown in a child area of the window. The web
// engine is heavy to start, so the page is only loaded once Start() runs
// (after the window is on screen); until it has loaded, and if it never
// does, the area shows the skin behind it and no message.
class CExplorer1 : public QWidget {
    Q_OBJECT

public:
    explicit CExplorer1(QWidget* parent = nullptr);
    ~CExplorer1() override;

    // Remembers the page to show; loads it at once when already started.
    void Navigate(const QUrl& address);
    // Creates the web view and loads the page. Once only.
    void Start();

    bool IsStarted() const { return m_view != nullptr; }
    const QUrl& Address() const { return m_address; }
    QWebEngineView* View() const { return m_view; }

private:
    QUrl m_address;
    QWebEngineView* m_view = nullptr;
};

// The product web site, fixed at build time.
QString ProductSite();

}  // namespace quabrel
