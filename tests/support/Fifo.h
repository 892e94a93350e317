#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>

namespace quabrel::testing {

// Makes a named pipe at `path`; false when the file system refuses.
inline bool MakeFifo(const std::string& path) { return ::mkfifo(path.c_str(), 0600) == 0; }

// Runs `call` on another thread and says whether it came back within a few
// seconds. A reader stuck opening the pipe at `fifo` is then set free by
// opening the writing end until the call returns, so a regression fails the
// test instead of hanging the whole suite.
inline bool ReturnsPromptly(const std::string& fifo, const std::function<void()>& call) {
    using namespace std::chrono_literals;
    auto done = std::async(std::launch::async, call);
    if (done.wait_for(5s) == std::future_status::ready) return true;
    while (done.wait_for(50ms) != std::future_status::ready) {
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (writer >= 0) ::close(writer);
    }
    return false;
}

}  // namespace quabrel::testing
