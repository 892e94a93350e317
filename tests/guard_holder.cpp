// Holds the single-instance guard until killed; says "held" or "busy" first.
// With "exedir", prints the folder it runs from instead.
#include "app/InstanceMutex.h"
#include "app/QuabrelApp.h"

#include <unistd.h>

#include <cstdio>

#include <cstring>
#include <string>

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "exedir") == 0) {
        std::printf("%s\n", quabrel::RunningExeDir().c_str());
        return 0;
    }
    quabrel::CInstanceMutex guard;
    if (guard.Acquire(quabrel::kInstanceMutexName)) {
        std::puts("busy");
        return 3;
    }
    std::puts("held");
    std::fflush(stdout);
    for (;;) ::pause();
}
