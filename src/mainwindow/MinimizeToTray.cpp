#include "mainwindow/MinimizeToTray.h"

#include <QCursor>
#include <QSystemTrayIcon>

namespace quabrel {

namespace {

class DesktopTrayHost : public TrayHost {
public:
    bool Add(const QIcon& icon, const QString& tip, const Callbacks& callbacks) override {
        // Without a notification area an icon would be nowhere: the window
        // must then stay on screen.
        if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
        m_icon = std::make_unique<QSystemTrayIcon>(icon);
        m_icon->setToolTip(tip);
        QObject::connect(m_icon.get(), &QSystemTrayIcon::activated, m_icon.get(),
                         [callbacks](QSystemTrayIcon::ActivationReason reason) {
                             if (reason == QSystemTrayIcon::DoubleClick && callbacks.doubleClicked)
                                 callbacks.doubleClicked();
                             else if (reason == QSystemTrayIcon::Context && callbacks.rightPressed)
                                 callbacks.rightPressed(QCursor::pos());
                         });
        m_icon->show();
        return true;
    }
    bool Remove() override {
        m_icon.reset();
        return true;
    }

private:
    std::unique_ptr<QSystemTrayIcon> m_icon;
};

}  // namespace

std::unique_ptr<TrayHost> MakeDesktopTrayHost() { return std::make_unique<DesktopTrayHost>(); }

minimizeToTray::minimizeToTray(std::unique_ptr<TrayHost> host) : m_host(std::move(host)) {}

minimizeToTray::~minimizeToTray() = default;

bool minimizeToTray::AddIcon() {
    if (m_iconShown || !m_host) return false;
    if (!m_host->Add(m_icon, m_tip, m_callbacks)) return false;
    m_iconShown = true;
    return true;
}

bool minimizeToTray::RemoveIcon() {
    if (!m_iconShown || !m_host->Remove()) return false;
    m_iconShown = false;
    return true;
}

}  // namespace quabrel
