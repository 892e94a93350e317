#include "app/DesktopSession.h"

#include <QGuiApplication>

// Only for DisplayString, which reads the name straight out of the display
// record; kept below every Qt header because of Xlib's macros.
#include <X11/Xlib.h>

namespace quabrel {

std::string CanonicalX11DisplayName(const std::string& name) {
    const std::size_t colon = name.rfind(':');
    if (colon == std::string::npos) return name;
    std::string host = name.substr(0, colon);
    std::string display = name.substr(colon + 1);
    const std::size_t dot = display.find('.');
    if (dot != std::string::npos) display.erase(dot);
    if (host == "unix") host.clear();
    return host + ":" + display;
}

std::string DesktopSessionName() {
    const std::string platform = QGuiApplication::platformName().toStdString();
    if (const auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>()) {
        if (Display* display = x11->display(); display != nullptr && DisplayString(display) != nullptr)
            return platform + "/" + CanonicalX11DisplayName(DisplayString(display));
    }
    return platform;
}

}  // namespace quabrel
