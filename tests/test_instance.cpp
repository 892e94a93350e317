// The single-instance guard with real processes: a second copy on the same
// display is turned away, a copy on another display is not, and the guard
// comes free however the holder ends.

#include "app/DesktopSession.h"
#include "app/InstanceMutex.h"
#include "app/QuabrelApp.h"
#include "support/TempDir.h"
#include "support/VirtualDisplay.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quabrel {
namespace {

using Clock = std::chrono::steady_clock;
using testing::VirtualDisplay;

// A child process running `argv[0]` (found on the PATH); its output is read back line by line,
// or thrown away for programs that talk more than a test reads.
struct Child {
    pid_t pid = -1;
    std::FILE* out = nullptr;

    // `environment`, when given, replaces the inherited one.
    Child(std::vector<std::string> argv, const std::optional<std::vector<std::string>>& environment = std::nullopt,
          bool keepOutput = true) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        std::vector<char*> args, env;
        for (auto& a : argv) args.push_back(a.data());
        args.push_back(nullptr);
        std::vector<std::string> envCopy = environment.value_or(std::vector<std::string>{});
        for (auto& e : envCopy) env.push_back(e.data());
        env.push_back(nullptr);
        pid = ::fork();
        if (pid == 0) {
            const int sink = keepOutput ? fds[1] : ::open("/dev/null", O_WRONLY);
            ::dup2(sink, STDOUT_FILENO);
            ::dup2(sink, STDERR_FILENO);
            ::close(fds[0]);
            if (environment) ::execvpe(args[0], args.data(), env.data());
            else ::execvp(args[0], args.data());
            ::_exit(127);
        }
        ::close(fds[1]);
        out = ::fdopen(fds[0], "r");
    }
    explicit Child(const char* program, const char* argument = nullptr)
        : Child(argument ? std::vector<std::string>{program, argument} : std::vector<std::string>{program}) {}
    ~Child() {
        if (pid > 0) Kill(SIGKILL);
        if (out) std::fclose(out);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    std::string Line() {
        char buffer[512] = {};
        return std::fgets(buffer, sizeof buffer, out) ? std::string(buffer) : std::string();
    }
    bool Running() const { return pid > 0 && ::waitpid(pid, nullptr, WNOHANG) == 0; }
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

bool Held(const std::string& line) { return line.rfind("held", 0) == 0; }

// What a program on X display `display` (or, when empty, on no display at
// all) gets: nothing of the caller's desktop, and the sanitizers' settings
// when a sanitized build runs.
std::vector<std::string> EnvironmentFor(const std::string& display, const testing::TempDir& home) {
    std::vector<std::string> env{"HOME=" + home.Path(), "XDG_RUNTIME_DIR=" + home.Path()};
    if (display.empty()) {
        env.push_back("QT_QPA_PLATFORM=offscreen");
    } else {
        env.push_back("QT_QPA_PLATFORM=xcb");
        env.push_back("DISPLAY=" + display);
    }
    for (const char* name : {"PATH", "ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"})
        if (const char* value = std::getenv(name)) env.push_back(std::string(name) + "=" + value);
    // A program that reached a display ends with the toolkit's and the
    // display library's allocations still held, which the leak checker
    // would report as the program's last words; our own code's leaks are
    // checked in-process by the widget tests.
    if (!display.empty()) {
        const auto asan = std::find_if(env.begin(), env.end(), [](const std::string& e) { return e.starts_with("ASAN_OPTIONS="); });
        if (asan == env.end())
            env.push_back("ASAN_OPTIONS=detect_leaks=0");
        else
            *asan += ":detect_leaks=0";
    }
    return env;
}

// Whether the program's window is on `display`. Looking does not compete
// for the guard, as asking for it would.
bool WindowShown(const std::string& display) {
    Child look({"xwininfo", "-display", display, "-name", "quabrel"}, std::nullopt, false);
    const int status = look.Wait();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::seconds limit) {
    const auto end = Clock::now() + limit;
    while (Clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return condition();
}

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

TEST(InstanceGuard, LongNamesThatDifferOnlyAtTheEndStayApart) {
    const std::string common(200, 'x');
    CInstanceMutex first, second, again;
    EXPECT_FALSE(first.Acquire(common + "-display-1"));
    EXPECT_FALSE(second.Acquire(common + "-display-2"));
    EXPECT_TRUE(again.Acquire(common + "-display-1"));
}

TEST(InstanceGuard, KilledOrCrashedHolderNeverBlocksTheNextStart) {
    for (int signal : {SIGKILL, SIGSEGV, SIGTERM}) {
        Child holder(GUARD_HOLDER);
        ASSERT_TRUE(Held(holder.Line()));
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
    // Both off screen: the same session.
    testing::TempDir home;
    const auto environment = EnvironmentFor("", home);
    Child holder({GUARD_HOLDER, "session"}, environment);
    const std::string held = holder.Line();
    ASSERT_TRUE(Held(held)) << held;
    Child program({QUABREL_EXE}, environment);
    EXPECT_EQ(program.Line(), "");
    const int status = program.Wait();
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // The holder is untouched.
    EXPECT_EQ(::kill(holder.pid, 0), 0);
}

TEST(InstanceGuard, DisplayNamesAreComparedWithoutTheirScreen) {
    EXPECT_EQ(CanonicalX11DisplayName(":0"), ":0");
    EXPECT_EQ(CanonicalX11DisplayName(":0.0"), ":0");
    EXPECT_EQ(CanonicalX11DisplayName(":12.1"), ":12");
    EXPECT_EQ(CanonicalX11DisplayName("unix:3.0"), ":3");
    EXPECT_EQ(CanonicalX11DisplayName("desk.example:10.0"), "desk.example:10");
    EXPECT_EQ(CanonicalX11DisplayName("localhost:10"), "localhost:10");  // over TCP: another server than :10
    EXPECT_NE(CanonicalX11DisplayName(":1"), CanonicalX11DisplayName(":10"));
}

// Two desktop sessions of the same user, each on its own display.
TEST(SessionGuard, EachDisplayHasAGuardOfItsOwn) {
    VirtualDisplay a, b;
    ASSERT_FALSE(a.Name().empty()) << "Xvfb did not start";
    ASSERT_FALSE(b.Name().empty()) << "Xvfb did not start";
    testing::TempDir home;
    Child onA({GUARD_HOLDER, "session"}, EnvironmentFor(a.Name(), home));
    Child onB({GUARD_HOLDER, "session"}, EnvironmentFor(b.Name(), home));
    const std::string heldA = onA.Line(), heldB = onB.Line();
    ASSERT_TRUE(Held(heldA)) << heldA;
    ASSERT_TRUE(Held(heldB)) << heldB;
    EXPECT_NE(heldA, heldB);
    EXPECT_NE(heldA.find("xcb/" + a.Name()), std::string::npos) << heldA;
    // The same display named with its screen is the same session.
    Child again({GUARD_HOLDER, "session"}, EnvironmentFor(a.Name() + ".0", home));
    EXPECT_EQ(again.Line(), "busy\n");
}

TEST(SessionGuard, ProgramRunsOnEachDisplayOnceAndASecondCopyOnTheSameDisplayEndsSilently) {
    VirtualDisplay a, b;
    ASSERT_FALSE(a.Name().empty()) << "Xvfb did not start";
    ASSERT_FALSE(b.Name().empty()) << "Xvfb did not start";
    testing::TempDir home;
    const auto envA = EnvironmentFor(a.Name(), home), envB = EnvironmentFor(b.Name(), home);

    Child first({QUABREL_EXE}, envA, false);
    ASSERT_TRUE(WaitUntil([&] { return !first.Running() || WindowShown(a.Name()); }, std::chrono::seconds(60)));
    ASSERT_TRUE(first.Running()) << "the first copy ended";

    // Another session of the same user: this copy must start as well.
    Child other({QUABREL_EXE}, envB, false);
    EXPECT_TRUE(WaitUntil([&] { return !other.Running() || WindowShown(b.Name()); }, std::chrono::seconds(60)));
    EXPECT_TRUE(other.Running()) << "the copy on " << b.Name() << " ended: the guard spans displays";

    // The same session: the second copy ends at once, says nothing, and
    // leaves the first running.
    Child second({QUABREL_EXE}, envA);
    EXPECT_EQ(second.Line(), "");
    const int status = second.Wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(first.Running());
    EXPECT_TRUE(other.Running());

    first.Kill(SIGTERM);
    other.Kill(SIGTERM);
}

TEST(Startup, WithoutADisplayTheProgramSaysSoInOneLine) {
    Child program({QUABREL_EXE}, std::vector<std::string>{"QT_QPA_PLATFORM=xcb", "XDG_RUNTIME_DIR=/tmp"});
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
