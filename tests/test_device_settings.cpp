// A camera driver's own settings and video inputs, read from and written to
// fake device nodes, and the dialogs built from them.
#include "controls/DeviceSettingsDialog.h"
#include "platform/DeviceSettings.h"
#include "support/FakeV4l2.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPushButton>
#include <QSlider>

#include <linux/videodev2.h>

#include <gtest/gtest.h>

namespace quabrel {
namespace {

using testing::FakeV4l2;

const DeviceControl* Find(const std::vector<DeviceControl>& controls, uint32_t id) {
    for (const DeviceControl& c : controls)
        if (c.id == id) return &c;
    return nullptr;
}

TEST(DeviceSettings, EveryControlComesWithItsKindRangeMenuAndFlags) {
    FakeV4l2 v4l2;
    const auto settings = DeviceSettings::Open("/fake/full");
    ASSERT_NE(settings, nullptr);
    const std::vector<DeviceControl> controls = settings->Controls();
    ASSERT_EQ(controls.size(), 13u) << "every control, class headings included, each once";
    EXPECT_EQ(controls.front().kind, DeviceControl::Kind::kClass);
    EXPECT_EQ(controls.front().name, "User Controls");
    for (std::size_t i = 1; i < controls.size(); ++i) EXPECT_LT(controls[i - 1].id, controls[i].id) << "the driver's order";

    const DeviceControl* brightness = Find(controls, V4L2_CID_BRIGHTNESS);
    ASSERT_NE(brightness, nullptr);
    EXPECT_EQ(brightness->kind, DeviceControl::Kind::kInteger);
    EXPECT_EQ(brightness->maximum, 255);
    EXPECT_EQ(brightness->value, 140);
    const DeviceControl* exposure = Find(controls, V4L2_CID_EXPOSURE_AUTO);
    ASSERT_NE(exposure, nullptr);
    ASSERT_EQ(exposure->entries.size(), 2u) << "the menu's gaps are skipped";
    EXPECT_EQ(exposure->entries[0], (std::pair<int64_t, std::string>{1, "Manual Mode"}));
    EXPECT_EQ(exposure->entries[1].first, 3);
    const DeviceControl* bias = Find(controls, V4L2_CID_AUTO_EXPOSURE_BIAS);
    ASSERT_NE(bias, nullptr);
    EXPECT_EQ(bias->kind, DeviceControl::Kind::kIntegerMenu);
    ASSERT_EQ(bias->entries.size(), 3u);
    EXPECT_EQ(bias->entries[0].second, "-2");
    EXPECT_TRUE(Find(controls, V4L2_CID_GAIN)->readOnly);
    EXPECT_TRUE(Find(controls, V4L2_CID_HUE)->disabled);
    EXPECT_TRUE(Find(controls, V4L2_CID_EXPOSURE_ABSOLUTE)->inactive);
    EXPECT_EQ(Find(controls, V4L2_CID_PAN_RESET)->kind, DeviceControl::Kind::kButton);

    EXPECT_FALSE(DeviceSettings::Open("/fake/plain")->HasControls());
    EXPECT_EQ(DeviceSettings::Open("/nowhere"), nullptr);
}

TEST(DeviceSettings, ChangesReachTheDriverAndTheDefaultsComeBackInTheRightOrder) {
    FakeV4l2 v4l2;
    const auto settings = DeviceSettings::Open("/fake/full");
    EXPECT_EQ(settings->Set(V4L2_CID_EXPOSURE_ABSOLUTE, 900), E_FAIL) << "inactive while exposure is automatic";
    EXPECT_EQ(settings->Set(V4L2_CID_HUE, 1), E_FAIL) << "disabled";
    ASSERT_EQ(settings->Set(V4L2_CID_SATURATION, 101), S_OK);
    EXPECT_EQ(Find(settings->Controls(), V4L2_CID_SATURATION)->value, 102) << "the driver keeps steps of 2";
    ASSERT_EQ(settings->Set(V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL), S_OK);
    EXPECT_FALSE(Find(settings->Controls(), V4L2_CID_EXPOSURE_ABSOLUTE)->inactive) << "manual exposure now counts";
    ASSERT_EQ(settings->Set(V4L2_CID_EXPOSURE_ABSOLUTE, 900), S_OK);
    EXPECT_EQ(settings->Set(V4L2_CID_GAIN, 50), E_FAIL) << "read-only";

    ASSERT_EQ(settings->RestoreDefaults(), S_OK);
    const auto controls = settings->Controls();
    EXPECT_EQ(Find(controls, V4L2_CID_BRIGHTNESS)->value, 128);
    EXPECT_EQ(Find(controls, V4L2_CID_EXPOSURE_AUTO)->value, 3);
    EXPECT_EQ(Find(controls, V4L2_CID_EXPOSURE_ABSOLUTE)->value, 250) << "written back while it still counted";
    EXPECT_TRUE(Find(controls, V4L2_CID_EXPOSURE_ABSOLUTE)->inactive);
    EXPECT_EQ(Find(controls, V4L2_CID_GAIN)->value, 33) << "read-only controls are left alone";
}

TEST(DeviceSettings, InputsAndTheStandardsOfTheCurrentOne) {
    FakeV4l2 v4l2;
    const auto settings = DeviceSettings::Open("/fake/full");
    const std::vector<VideoInput> inputs = settings->Inputs();
    ASSERT_EQ(inputs.size(), 3u);
    EXPECT_EQ(inputs[1].name, "Composite");
    EXPECT_TRUE(settings->Standards().empty()) << "the camera's own input has none";
    ASSERT_EQ(settings->SelectInput(1), S_OK);
    uint32_t current = 9;
    ASSERT_EQ(settings->CurrentInput(&current), S_OK);
    EXPECT_EQ(current, 1u);
    const auto standards = settings->Standards();
    ASSERT_EQ(standards.size(), 2u);
    EXPECT_EQ(standards[0].second, "PAL");
    EXPECT_EQ(settings->SelectStandard(standards[1].first), S_OK);
    EXPECT_EQ(settings->SelectInput(7), E_FAIL);
    EXPECT_TRUE(DeviceSettings::Open("/fake/plain")->Inputs().empty());
}

TEST(DeviceSettingsDialog, BuiltFromTheControlListAndAppliedAtOnce) {
    FakeV4l2 v4l2;
    const auto settings = DeviceSettings::Open("/fake/full");
    DeviceSettingsDialog dialog(*settings, "Fake Camera Full");
    EXPECT_EQ(dialog.windowTitle(), "Fake Camera Full");
    QStringList groups;
    for (const QGroupBox* box : dialog.findChildren<QGroupBox*>()) groups << box->title();
    EXPECT_EQ(groups, QStringList({"User Controls", "Camera Controls"}));
    EXPECT_EQ(dialog.ControlWidget(V4L2_CID_HUE), nullptr) << "disabled controls are not shown";
    ASSERT_NE(qobject_cast<QSlider*>(dialog.ControlWidget(V4L2_CID_BRIGHTNESS)), nullptr);
    EXPECT_EQ(qobject_cast<QSlider*>(dialog.ControlWidget(V4L2_CID_BRIGHTNESS))->value(), 140);
    EXPECT_FALSE(dialog.ControlWidget(V4L2_CID_GAIN)->isEnabled()) << "read-only";
    QWidget* manual = dialog.ControlWidget(V4L2_CID_EXPOSURE_ABSOLUTE);
    EXPECT_FALSE(manual->isEnabled()) << "inactive while the exposure is automatic";

    // The automatic exposure set to manual: the manual value comes alive.
    auto* mode = qobject_cast<QComboBox*>(dialog.ControlWidget(V4L2_CID_EXPOSURE_AUTO));
    ASSERT_NE(mode, nullptr);
    EXPECT_EQ(mode->currentText(), "Aperture Priority Mode");
    mode->setCurrentIndex(0);
    Q_EMIT mode->activated(0);
    EXPECT_TRUE(manual->isEnabled());
    auto* flip = qobject_cast<QCheckBox*>(dialog.ControlWidget(V4L2_CID_HFLIP));
    flip->click();
    qobject_cast<QPushButton*>(dialog.ControlWidget(V4L2_CID_PAN_RESET))->click();
    auto* slider = qobject_cast<QSlider*>(dialog.ControlWidget(V4L2_CID_BRIGHTNESS));
    slider->setValue(200);
    Q_EMIT slider->sliderReleased();
    const auto sets = v4l2.Snapshot("/fake/full").sets;
    const std::vector<std::pair<uint32_t, int32_t>> expected = {
        {V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL}, {V4L2_CID_HFLIP, 1}, {V4L2_CID_PAN_RESET, 1}, {V4L2_CID_BRIGHTNESS, 200}};
    EXPECT_EQ(sets, expected);

    // One button restores every default, and the dialog shows them.
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::RestoreDefaults)->click();
    EXPECT_EQ(slider->value(), 128);
    EXPECT_FALSE(flip->isChecked());
    EXPECT_EQ(mode->currentText(), "Aperture Priority Mode");
    EXPECT_FALSE(manual->isEnabled());
}

TEST(VideoInputDialog, ChoosingAnInputReachesTheDriverAndOffersItsStandards) {
    FakeV4l2 v4l2;
    const auto settings = DeviceSettings::Open("/fake/full");
    VideoInputDialog dialog(*settings, "Fake Camera Full");
    ASSERT_EQ(dialog.Inputs()->count(), 3);
    EXPECT_EQ(dialog.Inputs()->currentText(), "Camera 1");
    EXPECT_FALSE(dialog.Standards()->isEnabled());
    dialog.Inputs()->setCurrentIndex(2);
    Q_EMIT dialog.Inputs()->activated(2);
    EXPECT_EQ(v4l2.Snapshot("/fake/full").inputSets, std::vector<uint32_t>{2});
    ASSERT_EQ(dialog.Standards()->count(), 2);
    EXPECT_TRUE(dialog.Standards()->isEnabled());
}

}  // namespace
}  // namespace quabrel
