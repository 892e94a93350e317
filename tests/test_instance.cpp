// The single-instance guard with real processes: a second copy is turned
// away, and the guard comes free however the holder ends.

#include "app/InstanceMutex.h"
#include "app/QuabrelApp.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace quabrel {
namespace {

// A child process running `program`; its first output line is read back.
struct Child {
    pid_t pid = -1;
    std::FILE* out = nullptr;

    // `environment` (null-terminated) replaces the inherited one when given.
    explicit Child(const char* program, const char* argument = nullptr, char* const* environment = nullptr) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid = ::fork();
        if (pid == 0) {
            ::dup2(fds[1], STDOUT_FILENO);
            ::dup2(fds[1], STDERR_FILENO);
            ::close(fds[0]);
            char* const argv[] = {const_cast<char*>(program), const_cast<char*>(argument), nullptr};
            if (environment != nullptr) ::execve(program, argv, environment);
            else ::execv(program, argv);
            ::_exit(127);
        }
        ::close(fds[1]);
        out = ::fdopen(fds[0], "r");
    }
    ~Child() {
        if (pid > 0) Kill(SIGKILL);
        if (out) std::fclose(out);
    }
    std::string Line() {
        char buffer[256] = {};
        return std::fgets(buffer, sizeof buffer, out) ? std::string(buffer) : std::string();
    }
    int Kill(int signal) {
        ::kill(pid, signal);
        return Wait();
    }
    int Wait() {
        int status = 0;
        ::waitpid(pid, &status, 0);
        pid = -1;
        return status;
    }
};

TEST(InstanceGuard, SecondHolderIsTurnedAwayUntilTheFirstReleases) {
    CInstanceMutex first, second;
    EXPECT_FALSE(first.Acquire("test-guard-a"));
    EXPECT_TRUE(first.IsHeld());
    EXPECT_TRUE(second.Acquire("test-guard-a"));
    EXPECT_FALSE(second.IsHeld());
    EXPECT_FALSE(second.Acquire("test-guard-b"));  // other names are independent
    first.Release();
    EXPECT_FALSE(first.IsHeld());
    CInstanceMutex third;
    EXPECT_FALSE(third.Acquire("test-guard-a"));
}

TEST(InstanceGuard, KilledOrCrashedHolderNeverBlocksTheNextStart) {
    for (int signal : {SIGKILL, SIGSEGV, SIGTERM}) {
        Child holder(GUARD_HOLDER);
        ASSERT_EQ(holder.Line(), "held\n");
        {
            Child second(GUARD_HOLDER);
            EXPECT_EQ(second.Line(), "busy\n");
            const int status = second.Wait();
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3);
        }
        holder.Kill(signal);
        CInstanceMutex next;
        EXPECT_FALSE(next.Acquire(kInstanceMutexName)) << "after signal " << signal;
    }
}

TEST(InstanceGuard, SecondProgramEndsAtOnceAndSilently) {
    Child holder(GUARD_HOLDER);
    ASSERT_EQ(holder.Line(), "held\n");
    Child program(QUABREL_EXE);  // would need a display if it got past the guard
    EXPECT_EQ(program.Line(), "");
    const int status = program.Wait();
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // The holder is untouched.
    EXPECT_EQ(::kill(holder.pid, 0), 0);
}

TEST(Startup, WithoutADisplayTheProgramSaysSoInOneLine) {
    char platform[] = "QT_QPA_PLATFORM=xcb";
    char runtime[] = "XDG_RUNTIME_DIR=/tmp";
    char* const environment[] = {platform, runtime, nullptr};
    Child program(QUABREL_EXE, nullptr, environment);
    EXPECT_EQ(program.Line(), "quabrel: cannot open a display; start quabrel from a desktop session.\n");
    EXPECT_EQ(program.Line(), "");  // nothing else: no toolkit diagnostics
    const int status = program.Wait();
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
}

TEST(ExeDir, FolderOfTheExecutableEndsInOneSeparator) {
    EXPECT_EQ(ExeDirFromPath("/opt/quabrel/quabrel"), "/opt/quabrel/");
    EXPECT_EQ(ExeDirFromPath("/quabrel"), "/");
    const std::string running = RunningExeDir();
    ASSERT_FALSE(running.empty());
    EXPECT_EQ(running.back(), '/');
    EXPECT_EQ(running.find("//"), std::string::npos);
    EXPECT_EQ(::access((running + "test_instance").c_str(), X_OK), 0) << running;
}

TEST(ExeDir, StartedThroughALinkItStillFindsItsRealFolder) {
    char pattern[] = "/tmp/quabrel-link-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string link = std::string(pattern) + "/holder";
    ASSERT_EQ(::symlink(GUARD_HOLDER, link.c_str()), 0);
    Child child(link.c_str(), "exedir");
    const std::string real = GUARD_HOLDER;
    EXPECT_EQ(child.Line(), real.substr(0, real.rfind('/') + 1) + "\n");
    child.Wait();
    ::unlink(link.c_str());
    ::rmdir(pattern);
}

}  // namespace
}  // namespace quabrel
