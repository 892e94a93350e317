// Holds the single-instance guard until killed; says "held" or "busy" first.
//   guard_holder            the plain guard name
//   guard_holder session    the name for the desktop session it reaches, as
//                           the program takes it (needs a display)
//   guard_holder exedir     prints the folder it runs from instead
#include "app/DesktopSession.h"
#include "app/InstanceMutex.h"
#include "app/QuabrelApp.h"

#include <QGuiApplication>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "exedir") {
        std::printf("%s\n", quabrel::RunningExeDir().c_str());
        return 0;
    }
    std::string name = quabrel::kInstanceMutexName;
    std::unique_ptr<QGuiApplication> application;
    if (mode == "session") {
        application = std::make_unique<QGuiApplication>(argc, argv);
        name = quabrel::InstanceGuardName(quabrel::DesktopSessionName());
    }
    quabrel::CInstanceMutex guard;
    if (guard.Acquire(name)) {
        std::puts("busy");
        return 3;
    }
    std::printf("held %s\n", name.c_str());
    std::fflush(stdout);
    for (;;) ::pause();
}
