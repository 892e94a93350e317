#include "controls/MyListBox.h"
#include "mainwindow/QuabrelDlg.h"
#include "support/FakeDevices.h"
#include "support/WidgetTestUtil.h"

#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

namespace quabrel {
namespace {

using testing::FakeDevice;
using testing::MessageRecorder;
using testing::OfferFakeDevices;
using testing::StandardFakeDevices;

constexpr CquabrelDlg::Options kNoBanner{.startBanner = false};

// Each test offers its own devices and puts the usual ones back after.
class Devices : public ::testing::Test {
protected:
    void TearDown() override { OfferFakeDevices(StandardFakeDevices()); }
    std::unique_ptr<CquabrelDlg> Window() {
        auto window = std::make_unique<CquabrelDlg>(m_skins, "/nonexistent/", kNoBanner);
        return window;
    }
    static QStringList Listed(CquabrelDlg& window) {
        QStringList names;
        auto* list = window.Item<CMyListBox>(1001);
        for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
        return names;
    }
    static bool Select(CquabrelDlg& window, const QString& name) {
        auto* list = window.Item<CMyListBox>(1001);
        const auto found = list->findItems(name, Qt::MatchExactly);
        if (found.isEmpty()) return false;
        list->setCurrentItem(found.first());
        return true;
    }
    CSkinConfig m_skins;
};

TEST_F(Devices, VideoDevicesAreListedSortedWithoutTheCompanion) {
    MessageRecorder messages;
    auto window = Window();
    const QStringList listed = Listed(*window);
    for (const char* name : {"Fake Camera Bright", "Fake Camera Busy", "Fake Camera Full", "Fake Camera Plain"})
        EXPECT_TRUE(listed.contains(name)) << name;
    EXPECT_FALSE(listed.contains("Quabrel"));
    EXPECT_FALSE(listed.contains("Fake Microphone"));
    QStringList sorted = listed;
    sorted.sort(Qt::CaseInsensitive);
    EXPECT_EQ(listed, sorted);
    EXPECT_TRUE(messages.Texts().isEmpty());
}

TEST_F(Devices, AudioDevicesFillTheMenuWithIdsFromTen) {
    auto window = Window();
    QMenu* menu = window->AudioMenu();
    QAction* microphone = nullptr;
    for (QAction* a : menu->actions())
        if (a->text() == "Fake Microphone") microphone = a;
    ASSERT_NE(microphone, nullptr);
    const int k = microphone->data().toInt() - CquabrelDlg::kFirstAudioDeviceId;
    ASSERT_GE(k, 0);
    EXPECT_EQ(window->AudioDeviceNames()[static_cast<std::size_t>(k)], "Fake Microphone");
}

TEST_F(Devices, OnlyTwentyAudioDevicesFitTheirIds) {
    std::vector<FakeDevice> many;
    for (int i = 0; i < 25; ++i)
        many.push_back({"Microphone " + std::to_string(100 + i), "", "/fake/m" + std::to_string(i), FakeDevice::kMicrophone});
    OfferFakeDevices(many);
    auto window = Window();
    const auto actions = window->AudioMenu()->actions();
    ASSERT_EQ(actions.size(), 20) << "ids 30 and up belong to the skins";
    EXPECT_EQ(actions.first()->data().toInt(), 10);
    EXPECT_EQ(actions.last()->data().toInt(), 29);
    EXPECT_FALSE(window->AudioDeviceNames()[19].empty());
    for (std::size_t k = 20; k < 30; ++k) EXPECT_TRUE(window->AudioDeviceNames()[k].empty()) << k;
}

TEST_F(Devices, NamesAreDescriptionsWhereThereAreAndMatchExactly) {
    OfferFakeDevices({{"raw-name", "Described Camera", "/fake/d"},
                      {"quabrel", "", "/fake/q1"},
                      {"Quabrel ", "", "/fake/q2"},
                      {"Quabrel", "", "/fake/q3"}});
    auto window = Window();
    const QStringList listed = Listed(*window);
    EXPECT_TRUE(listed.contains("Described Camera"));
    EXPECT_FALSE(listed.contains("raw-name"));
    EXPECT_TRUE(listed.contains("quabrel")) << "only the exact name is the companion";
    EXPECT_TRUE(listed.contains("Quabrel "));
    EXPECT_FALSE(listed.contains("Quabrel"));
}

TEST_F(Devices, ListingAudioEmptiesTheVideoList) {
    auto window = Window();
    ASSERT_FALSE(Listed(*window).isEmpty());
    window->InitAudioEnumerator(DeviceCategory::kAudioInput, CquabrelDlg::kAudioMenuTarget);
    EXPECT_TRUE(Listed(*window).isEmpty());
}

TEST_F(Devices, LookupBySelectionByNameAndItsFailures) {
    MessageRecorder messages;
    auto window = Window();
    DeviceFilterPtr filter;
    EXPECT_EQ(window->FindDeviceFilter(&filter, "", true), -1) << "no selection";

    ASSERT_TRUE(Select(*window, "Fake Camera Plain"));
    EXPECT_EQ(window->FindDeviceFilter(nullptr, "", true), E_POINTER);
    EXPECT_EQ(window->FindDeviceFilter(&filter, "", true), S_OK);
    ASSERT_TRUE(filter);
    EXPECT_EQ(filter->DisplayName(), "Fake Camera Plain");
    EXPECT_EQ(filter->DevicePath(), "/fake/plain");
    EXPECT_NE(filter->Element(), nullptr);

    EXPECT_EQ(window->FindDeviceFilter(&filter, "Quabrel", true), S_OK);
    ASSERT_TRUE(filter);
    EXPECT_EQ(filter->DevicePath(), "/fake/quabrel");

    EXPECT_EQ(window->FindDeviceFilter(&filter, "Nobody's Camera", true), S_OK) << "success without a filter";
    EXPECT_FALSE(filter);
    EXPECT_TRUE(messages.Texts().isEmpty());
}

TEST_F(Devices, OfTwinsTheLastVisitedIsBound) {
    OfferFakeDevices({{"Twin", "", "/fake/t1", FakeDevice::kCamera, 1}, {"Twin", "", "/fake/t2", FakeDevice::kCamera, 2}});
    auto window = Window();
    EXPECT_EQ(window->Item<CMyListBox>(1001)->findItems("Twin", Qt::MatchExactly).size(), 2) << "both are listed";
    DeviceFilterPtr filter;
    ASSERT_EQ(window->FindDeviceFilter(&filter, "Twin", true), S_OK);
    ASSERT_TRUE(filter);
    EXPECT_EQ(filter->DevicePath(), "/fake/t2");
}

TEST_F(Devices, AnEmptyCategorySaysSoOnLookup) {
    OfferFakeDevices({});
    std::vector<DeviceMoniker> real;
    if (CreateClassEnumerator(DeviceCategory::kVideoInput, real) == S_OK) GTEST_SKIP() << "this machine has cameras of its own";
    MessageRecorder messages;
    auto window = Window();
    EXPECT_TRUE(Listed(*window).isEmpty());
    EXPECT_TRUE(messages.Texts().isEmpty()) << "an empty list at start says nothing";
    DeviceFilterPtr filter;
    EXPECT_EQ(window->FindDeviceFilter(&filter, "Quabrel", true), E_FAIL);
    EXPECT_EQ(messages.Texts(), QStringList{"No video capture device was detected"});
}

}  // namespace
}  // namespace quabrel
