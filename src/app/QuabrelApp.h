#pragma once

#include "app/InstanceMutex.h"
#include "skin/SkinConfig.h"

#include <string>

namespace quabrel {

inline constexpr const char* kInstanceMutexName = "{9F9C6B58-DC05-43db-B7F4-7166B90A2D00}";

// The guard's name for one desktop session (DesktopSessionName()): a copy
// shown on another display, in a second or a remote session of the same
// user, does not keep this one from starting.
inline std::string InstanceGuardName(const std::string& session) {
    return std::string(kInstanceMutexName) + "@" + session;
}

// The application: one per process. InitInstance runs the whole program.
class CquabrelApp {
public:
    CquabrelApp() = default;
    ~CquabrelApp() { m_guard.Release(); }

    // Start-up, the modal run of the main window, and the end. Returns the
    // process exit status: 0, also for a second copy on the same display
    // that ends at once, and 1 only when no display can be opened.
    int InitInstance();

    std::string m_strExeDir;
    CSkinConfig m_skinConfig;

private:
    CInstanceMutex m_guard;
};

// The folder of `exePath` ending in '/': the text before its last '/', plus '/'.
std::string ExeDirFromPath(const std::string& exePath);
// The real folder of the running executable, links resolved, ending in '/'.
std::string RunningExeDir();

}  // namespace quabrel
