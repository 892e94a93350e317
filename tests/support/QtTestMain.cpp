// main() for widget tests: one QApplication on the offscreen platform for
// the whole run, so tests need no display and no window ever blocks; the
// media framework with the fake capture devices in place of hardware.
#include "support/FakeDevices.h"

#include <QApplication>

#include <gst/gst.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

// The media libraries allocate from their constructors while they load. The
// leak checker can only tell those from our own leaks with full stacks. The
// thread-local lookup is left alone for the reason tools/dev.sh gives.
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0:intercept_tls_get_addr=0"; }

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // A private runtime folder, so Qt does not warn about a missing one.
    const QString runtime = QDir::temp().filePath(QStringLiteral("quabrel-test-runtime"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    QApplication app(argc, argv);
    gst_init(nullptr, nullptr);
    quabrel::testing::OfferFakeDevices(quabrel::testing::StandardFakeDevices());
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
