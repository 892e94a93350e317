#include "app/QuabrelApp.h"

#include "app/DesktopSession.h"
#include "mainwindow/QuabrelDlg.h"
#include "platform/Shell.h"

#include <QApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QStandardPaths>

#include <gst/gst.h>
#include <unistd.h>

#include <atomic>
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
std::atomic<bool> g_starting{true};

// Notes that OpenGL is missing: quabrel turns it off itself (below), and the
// toolkit and the web engine then say so, once each.
bool AboutOpenGlBeingOff(const QString& message) {
    return message.startsWith(QLatin1String("QXcbIntegration: Cannot create platform OpenGL context")) ||
           message.startsWith(QLatin1String("No suitable graphics backend found"));
}

void MessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (g_starting && type == QtFatalMsg) {
        std::fputs("quabrel: cannot open a display; start quabrel from a desktop session.\n", stderr);
        std::_Exit(1);
    }
    if (g_starting && context.category != nullptr && std::strncmp(context.category, "qt.qpa", 6) == 0) return;
    if (type != QtFatalMsg && AboutOpenGlBeingOff(message)) return;
    if (g_previousHandler != nullptr) g_previousHandler(type, context, message);
}

// Nothing persists from one run to the next, so the caches that the graphics
// driver, the toolkit and the media framework would keep on disk for us are
// turned off before any of them starts. Child processes (the web engine's)
// inherit the same settings.
void KeepNothingOnDisk() {
    SetOwnVariable("MESA_SHADER_CACHE_DISABLE", "true");
    SetOwnVariable("MESA_GLSL_CACHE_DISABLE", "true");  // the same, as older drivers call it
    QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache);
}

// Everything quabrel draws is drawn in software: the skin, the picture (a
// copy of frames already at its size) and the banner's page. Without this,
// the toolkit would load the X display's OpenGL driver at start all the
// same: where no GPU driver is at hand that is a software renderer and its
// compiler, some 30 MB of memory that nothing uses.
void DrawWithoutOpenGl() { SetOwnVariable("QT_XCB_GL_INTEGRATION", "none"); }

// GStreamer has no switch for an in-memory plugin list: it keeps its list of
// plugins in a file, by default in the user's home. The session's runtime
// folder holds it instead: it lasts until the session ends, so later starts
// need not scan every plugin again, and nothing is left behind. Without a
// usable runtime folder it is told to save the list in sysfs, where saving
// fails quietly (for root too, creating nothing): every start then scans
// afresh. Runs before the media framework starts.
void KeepPluginListInTheSession() {
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    SetOwnVariable("GST_REGISTRY", runtime.isEmpty() ? QByteArray("/sys/devices/quabrel-plugins.bin")
                                                     : QFile::encodeName(runtime + QStringLiteral("/quabrel-gst-plugins.bin")));
}

}  // namespace

int CquabrelApp::InitInstance() {
    KeepNothingOnDisk();
    DrawWithoutOpenGl();

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
    g_previousHandler = qInstallMessageHandler(MessageHandler);
    QApplication application(argc, argv);
    g_starting = false;

    // One copy per desktop session. Which session that is, only the toolkit
    // knows once it has reached the display, so the guard comes right after
    // that and before anything else starts.
    if (m_guard.Acquire(InstanceGuardName(DesktopSessionName()))) return 0;

    // The media framework is set up once for the whole run; it reads nothing
    // from our command line.
    KeepPluginListInTheSession();
    gst_init(nullptr, nullptr);

    // The web engine describes its set-up on every start; nobody asked.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false\nqt.webenginecontext.debug=false"));

    m_strExeDir = RunningExeDir();
    m_skinConfig.Load(SkinListPath(m_strExeDir));

    {
        CquabrelDlg dialog(m_skinConfig, m_strExeDir, {.startBanner = QUABREL_START_BANNER != 0});
        // The run ends when the window is done, not when it hides: a modal
        // run (exec) would end as soon as the window goes to the tray.
        QObject::connect(&dialog, &QDialog::finished, &application, &QCoreApplication::quit);
        dialog.show();
        application.exec();
    }
    return 0;
}

}  // namespace quabrel
