#include "app/QuabrelApp.h"

#include "mainwindow/QuabrelDlg.h"

#include <QApplication>
#include <QLoggingCategory>

#include <gst/gst.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace quabrel {

std::string ExeDirFromPath(const std::string& exePath) {
    const std::size_t slash = exePath.rfind('/');
    std::string dir = slash == std::string::npos ? std::string() : exePath.substr(0, slash);
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

std::string RunningExeDir() {
    std::vector<char> buffer(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) return "./";
    return ExeDirFromPath(std::string(buffer.data(), static_cast<std::size_t>(length)));
}

namespace {

// Qt ends the process from inside QApplication's constructor when it cannot
// reach a display. Turn that into one plain line instead of the toolkit's
// diagnostics.
QtMessageHandler g_previousHandler = nullptr;

void StartupMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtFatalMsg) {
        std::fputs("quabrel: cannot open a display; start quabrel from a desktop session.\n", stderr);
        std::_Exit(1);
    }
    if (context.category != nullptr && std::strncmp(context.category, "qt.qpa", 6) == 0) return;
    if (g_previousHandler != nullptr) g_previousHandler(type, context, message);
}

}  // namespace

int CquabrelApp::InitInstance() {
    if (m_guard.Acquire(kInstanceMutexName)) return 0;

    // The media framework is set up once for the whole run; it reads nothing
    // from our command line.
    gst_init(nullptr, nullptr);

    // The banner's web engine refuses to run as root inside its sandbox;
    // only then is it told to run without one.
    char name[] = "quabrel";
    char engineArgs[] = "--webEngineArgs";
    char noSandbox[] = "--no-sandbox";
    char* argv[] = {name, nullptr, nullptr, nullptr};
    int argc = 1;
    if (::geteuid() == 0) {
        argv[argc++] = engineArgs;
        argv[argc++] = noSandbox;
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    g_previousHandler = qInstallMessageHandler(StartupMessageHandler);
    QApplication application(argc, argv);
    qInstallMessageHandler(g_previousHandler);
    // The web engine describes its set-up on every start; nobody asked.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false\nqt.webenginecontext.debug=false"));

    m_strExeDir = RunningExeDir();
    m_skinConfig.Load(SkinListPath(m_strExeDir));

    {
        CquabrelDlg dialog(m_skinConfig, m_strExeDir, {.startBanner = QUABREL_START_BANNER != 0});
        dialog.exec();
    }
    return 0;
}

}  // namespace quabrel
