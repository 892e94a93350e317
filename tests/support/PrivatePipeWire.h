#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <memory>

namespace quabrel::testing {

// A PipeWire daemon and its session manager of the test's own, in a runtime
// folder of their own that this process points its PipeWire clients at
// while the object lives. The session manager needs a message bus: it gets
// a private one too.
class PrivatePipeWire {
public:
    PrivatePipeWire() {
        m_previousRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
        QFile::setPermissions(m_runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    ~PrivatePipeWire() {
        Stop();
        if (m_previousRuntime.isNull())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", m_previousRuntime);
    }

    // Starts the daemon and the session manager; true once the session
    // manager has joined.
    bool Start() {
        const QString bus = m_runtime.filePath("bus");
        m_bus = Launch("dbus-daemon", {"--session", "--nofork", "--nopidfile", "--address=unix:path=" + bus});
        m_daemon = Launch("pipewire", {});
        if (!WaitFor([&] { return QFile::exists(bus) && QFile::exists(m_runtime.filePath("pipewire-0")); })) return false;
        m_manager = Launch("wireplumber", {}, "unix:path=" + bus);
        return WaitFor([] { return Dump().contains("\"WirePlumber\""); });
    }
    // Ends the daemon the way a crash does.
    void KillDaemon() {
        if (m_daemon) {
            m_daemon->kill();
            m_daemon->waitForFinished(5000);
        }
    }
    void Stop() {
        for (auto* process : {m_manager.get(), m_daemon.get(), m_bus.get()})
            if (process != nullptr && process->state() != QProcess::NotRunning) {
                process->terminate();
                if (!process->waitForFinished(5000)) process->kill();
                process->waitForFinished(5000);
            }
    }

    // Every object of the session, as pw-dump describes it (JSON).
    static QByteArray Dump() {
        QProcess dump;
        dump.start("pw-dump", {"--no-colors"});
        dump.waitForFinished(5000);
        return dump.readAllStandardOutput();
    }
    // The properties block of the node named `name`, empty without one.
    static QByteArray NodeProperties(const QByteArray& name) {
        const QByteArray dump = Dump();
        const qsizetype at = dump.indexOf("\"node.name\": \"" + name + "\"");
        if (at < 0) return {};
        const qsizetype start = dump.lastIndexOf("\"props\": {", at), end = dump.indexOf('}', at);
        return dump.mid(start, end - start + 1);
    }

private:
    std::unique_ptr<QProcess> Launch(const QString& program, const QStringList& arguments, const QString& bus = {}) {
        auto process = std::make_unique<QProcess>();
        if (!bus.isEmpty()) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert("DBUS_SESSION_BUS_ADDRESS", bus);
            process->setProcessEnvironment(environment);
        }
        // Without a desktop each complains about missing services: noise.
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        process->start(program, arguments);
        process->waitForStarted(5000);
        return process;
    }
    template <typename Predicate>
    static bool WaitFor(Predicate done) {
        for (int i = 0; i < 100; ++i) {
            if (done()) return true;
            QThread::msleep(50);
        }
        return done();
    }

    QTemporaryDir m_runtime;
    QByteArray m_previousRuntime;
    std::unique_ptr<QProcess> m_bus, m_daemon, m_manager;
};

}  // namespace quabrel::testing
