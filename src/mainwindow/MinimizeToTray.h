#pragma once

#include <QIcon>
#include <QPoint>
#include <QString>

#include <functional>
#include <memory>

namespace quabrel {

// The desktop's notification area, as the window uses it: one icon of an
// owner, shown or taken away, telling its owner of a double click and of a
// right press. Tests put a fake in its place.
class TrayHost {
public:
    struct Callbacks {
        std::function<void()> doubleClicked;
        std::function<void(QPoint at)> rightPressed;
    };
    virtual ~TrayHost() = default;
    // False when there is no notification area or it refused the icon.
    virtual bool Add(const QIcon& icon, const QString& tip, const Callbacks& callbacks) = 0;
    virtual bool Remove() = 0;
};

// The desktop's own: StatusNotifierItem or XEmbed, whichever it offers.
std::unique_ptr<TrayHost> MakeDesktopTrayHost();

// The window's tray icon: its picture and tip, whether a minimise goes to
// the tray (the option), and whether the icon is shown. Adding while shown
// and removing while absent do nothing and fail.
class minimizeToTray {
public:
    explicit minimizeToTray(std::unique_ptr<TrayHost> host = MakeDesktopTrayHost());
    virtual ~minimizeToTray();  // leaves a shown icon to the host

    void SetIcon(const QIcon& icon) { m_icon = icon; }
    void SetTip(const QString& tip) { m_tip = tip; }
    const QString& Tip() const { return m_tip; }
    void SetCallbacks(TrayHost::Callbacks callbacks) { m_callbacks = std::move(callbacks); }
    void SetOption(bool on) { m_option = on; }
    bool GetOption() const { return m_option; }
    bool IconShown() const { return m_iconShown; }

    bool AddIcon();
    bool RemoveIcon();
    // Swaps the notification area (tests).
    void SetHost(std::unique_ptr<TrayHost> host) { m_host = std::move(host); }

private:
    std::unique_ptr<TrayHost> m_host;
    QIcon m_icon;
    QString m_tip;
    TrayHost::Callbacks m_callbacks;
    bool m_option = true;
    bool m_iconShown = false;
};

}  // namespace quabrel
