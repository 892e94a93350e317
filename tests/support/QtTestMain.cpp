// main() for widget tests: one QApplication on the offscreen platform for
// the whole run, so tests need no display and no window ever blocks; the
// media framework with the fake capture devices in place of hardware.
#include "support/FakeDevices.h"

#include <QApplication>

#include <gst/gst.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    gst_init(nullptr, nullptr);
    quabrel::testing::OfferFakeDevices(quabrel::testing::StandardFakeDevices());
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
