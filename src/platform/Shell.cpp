#include "platform/Shell.h"

#include <QProcess>
#include <QStringList>

#include <mutex>

namespace quabrel {

namespace {

std::mutex g_ownMutex;
QStringList g_ownVariables;

void DesktopOpen(const QUrl& address) {
    // Started on its own, so the browser outlives us; with our variables
    // gone, it starts as it would from the desktop.
    QProcess launcher;
    launcher.setProgram(QStringLiteral("xdg-open"));
    launcher.setArguments({address.toString(QUrl::FullyEncoded)});
    launcher.setProcessEnvironment(LaunchEnvironment());
    launcher.setStandardOutputFile(QProcess::nullDevice());
    launcher.setStandardErrorFile(QProcess::nullDevice());
    launcher.startDetached();
}

UrlOpener& Opener() {
    static UrlOpener opener = DesktopOpen;
    return opener;
}

}  // namespace

void SetOwnVariable(const char* name, const QByteArray& value) {
    qputenv(name, value);
    std::lock_guard lock(g_ownMutex);
    if (!g_ownVariables.contains(QLatin1String(name))) g_ownVariables << QLatin1String(name);
}

QProcessEnvironment LaunchEnvironment() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    std::lock_guard lock(g_ownMutex);
    for (const QString& name : g_ownVariables) environment.remove(name);
    return environment;
}

void OpenUrl(const QUrl& address) { Opener()(address); }

UrlOpener SetUrlOpener(UrlOpener opener) {
    UrlOpener previous = std::move(Opener());
    Opener() = opener ? std::move(opener) : UrlOpener(DesktopOpen);
    return previous;
}

}  // namespace quabrel
