#pragma once

#include "controls/MyListBox.h"
#include "mainwindow/QuabrelDlg.h"
#include "skin/SkinConfig.h"
#include "support/FakeV4l2.h"
#include "support/WidgetTestUtil.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace quabrel::testing {

// The main window without skins or banner, on the fake cameras, with their
// V4L2 side (controls and the companion device) faked as well.
class LiveWindowTest : public ::testing::Test {
protected:
    void TearDown() override { m_window.reset(); }

    void ShowWindow() {
        m_window = std::make_unique<CquabrelDlg>(m_skins, "/nonexistent/", CquabrelDlg::Options{.startBanner = false});
        m_window->show();
    }
    // Picks a camera as the user does: a click on its entry.
    void Choose(const char* name) {
        auto* list = m_window->Item<CMyListBox>(1001);
        const auto found = list->findItems(QString::fromLatin1(name), Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << name;
        QApplication::processEvents();
        Click(*list->viewport(), list->visualItemRect(found.first()).center());
    }
    std::size_t CompanionFrames() const { return m_v4l2.Snapshot("/fake/quabrel").frameSizes.size(); }

    FakeV4l2 m_v4l2;
    CSkinConfig m_skins;
    std::unique_ptr<CquabrelDlg> m_window;
};

}  // namespace quabrel::testing
