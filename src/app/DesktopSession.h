#pragma once

#include <string>

namespace quabrel {

// The desktop session the running application is shown on, as the toolkit
// reached it: the platform's name and, on X11, the display's name without
// its screen number ("xcb/:0" for ":0.0", "xcb/remote:10" for
// "remote:10.0"). A platform that does not tell which display it reached
// gives its name alone. Needs a QGuiApplication.
std::string DesktopSessionName();

// The X11 display name reduced to the display itself: the screen number is
// dropped and the local-socket host "unix" means the same as no host.
std::string CanonicalX11DisplayName(const std::string& name);

}  // namespace quabrel
