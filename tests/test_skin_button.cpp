#include "controls/SkinButton.h"
#include "skin/ResourceImages.h"
#include "support/SkinTestUtil.h"
#include "support/TempDir.h"
#include "support/WidgetTestUtil.h"

#include <QKeyEvent>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace quabrel {
namespace {

using testing::Click;
using testing::PicturesFrom;
using testing::DragTo;
using testing::Hover;
using testing::Paint;
using testing::Press;
using testing::Release;
using testing::Solid;
using testing::TempDir;
using Picture = CxSkinButton::Picture;

constexpr QRgb kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kGrey = 0xFF808080, kYellow = 0xFFFFFF00;
constexpr QRgb kBackdrop = 0xFF203040;
constexpr QRgb kKey = CxSkinButton::kKeyColor;

// A window with a flat backdrop and one skinned button at (10, 10), 40 x 20.
struct Rig {
    Rig() {
        parent.resize(120, 60);
        QPalette p = parent.palette();
        p.setColor(QPalette::Window, QColor(kBackdrop));
        parent.setPalette(p);
        parent.setAutoFillBackground(true);
        button = new CxSkinButton(&parent);
        button->setGeometry(10, 10, 40, 20);
        parent.show();
        QApplication::setActiveWindow(&parent);
        button->clearFocus();
    }
    QRgb Centre() { return Paint(*button).pixel(20, 10); }
    std::string Save(const std::string& name, const QImage& image) {
        const std::string path = dir.Path(name);
        image.save(QString::fromStdString(path), "BMP");
        return path;
    }
    // Writes a skin file whose section "B" names the given pictures.
    std::string Skin(const std::string& keys) { return dir.Write("skin.ini", "[B]\n" + keys); }
    void FullSkin() {
        Save("n.bmp", Solid(8, 8, kRed));
        Save("d.bmp", Solid(8, 8, kGreen));
        Save("o.bmp", Solid(8, 8, kBlue));
        Save("x.bmp", Solid(8, 8, kGrey));
        Save("f.bmp", Solid(8, 8, kYellow));
        button->SetSkin(PicturesFrom("B", Skin("Normal=n.bmp\nDown=d.bmp\nOver=o.bmp\nDisabled=x.bmp\nFocus=f.bmp\n"), dir.Path(),
                                 "bmp"), CxSkinButton::kStretch, 0, 0);
    }

    TempDir dir;
    QWidget parent;
    CxSkinButton* button;
};

QRgb Face(const QWidget& w) { return w.palette().color(QPalette::Button).rgb(); }

TEST(SkinButtonPictures, EachStateShowsItsPictureFirstMatchWins) {
    Rig rig;
    rig.FullSkin();
    EXPECT_EQ(rig.Centre(), kRed);

    Hover(*rig.button, {5, 5});
    EXPECT_TRUE(rig.button->IsHovering());
    EXPECT_EQ(rig.Centre(), kBlue);

    rig.button->setFocus();
    ASSERT_TRUE(rig.button->hasFocus());
    EXPECT_EQ(rig.Centre(), kBlue) << "hover comes before focus";
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(rig.button, &leave);
    EXPECT_EQ(rig.Centre(), kYellow);

    Press(*rig.button, {5, 5});
    EXPECT_EQ(rig.Centre(), kGreen);
    Release(*rig.button, {5, 5});

    rig.button->setEnabled(false);
    EXPECT_EQ(rig.Centre(), kGrey);
}

TEST(SkinButtonPictures, NormalOnlyServesEveryStateButPressed) {
    Rig rig;
    rig.Save("n.bmp", Solid(4, 4, kRed));
    rig.button->SetSkin(PicturesFrom("B", rig.Skin("Normal=n.bmp\nDisabled=missing.bmp\n"), rig.dir.Path(), "bmp"),
                                 CxSkinButton::kStretch, 0, 0);
    Hover(*rig.button, {5, 5});
    EXPECT_EQ(rig.Centre(), kRed);
    rig.button->setFocus();
    EXPECT_EQ(rig.Centre(), kRed);
    rig.button->setEnabled(false);
    EXPECT_EQ(rig.button->ShownPicture(), Picture::kDisabled) << "a missing Disabled file falls back to Normal";
    EXPECT_EQ(rig.Centre(), kRed);
    rig.button->setEnabled(true);
    Press(*rig.button, {5, 5});
    EXPECT_EQ(rig.button->ShownPicture(), Picture::kFace);
    EXPECT_EQ(rig.Centre(), Face(*rig.button));
}

TEST(SkinButtonPictures, ReskinWithNothingNamedLeavesThePlainFaceButKeepsTheShape) {
    Rig rig;
    QImage mask = Solid(40, 20, 0xFF000000);
    mask.setPixel(0, 0, kKey);
    rig.Save("m.bmp", mask);
    rig.Save("n.bmp", Solid(40, 20, kRed));
    rig.button->SetSkin(PicturesFrom("B", rig.Skin("Normal=n.bmp\nMask=m.bmp\n"), rig.dir.Path(), "bmp"), CxSkinButton::kStretch, 0, 0);
    ASSERT_TRUE(rig.button->HasShape());
    const QRegion shape = rig.button->Shape();

    rig.button->SetSkin(PicturesFrom("", "", "", "bmp"), CxSkinButton::kStretch, 0, 0);
    EXPECT_FALSE(rig.button->HasMask());
    EXPECT_EQ(rig.button->Shape(), shape) << "a skin without a mask keeps the old shape";
    EXPECT_EQ(rig.Centre(), Face(*rig.button));
    rig.button->setEnabled(false);
    EXPECT_EQ(rig.Centre(), Face(*rig.button));
}

TEST(SkinButtonPictures, ResourcesWithoutDisabledUseNormal) {
    Rig rig;
    rig.button->resize(21, 21);
    rig.button->SetSkinFromResources(149, 145, 145, 0, 0, 0, CxSkinButton::kNatural, 0, 0);
    const QImage normal = LoadBitmapResource(149);
    ASSERT_FALSE(normal.isNull());
    rig.button->setEnabled(false);
    EXPECT_EQ(rig.button->ShownPicture(), Picture::kDisabled);
    EXPECT_EQ(Paint(*rig.button).pixel(10, 10), normal.pixel(10, 10));
}

TEST(SkinButtonDrawing, DrawModesPlaceTheSamePictureThreeWays) {
    // 10 x 6: left half red, right half blue.
    QImage picture = Solid(10, 6, kRed);
    for (int y = 0; y < 6; ++y)
        for (int x = 5; x < 10; ++x) picture.setPixel(x, y, kBlue);

    Rig rig;
    rig.Save("n.bmp", picture);
    const std::string skin = rig.Skin("Normal=n.bmp\n");
    struct Case {
        int16_t mode;
        QPoint at;
        QRgb expected;
    } cases[] = {
        {CxSkinButton::kNatural, {2, 2}, kRed},   {CxSkinButton::kNatural, {7, 2}, kBlue},
        {CxSkinButton::kNatural, {30, 15}, kBackdrop},  // beyond the picture: what lies beneath
        {CxSkinButton::kStretch, {19, 10}, kRed},  {CxSkinButton::kStretch, {21, 10}, kBlue},
        {CxSkinButton::kStretch, {39, 19}, kBlue}, {CxSkinButton::kTile, {12, 7}, kRed},
        {CxSkinButton::kTile, {17, 13}, kBlue},    {CxSkinButton::kTile, {39, 19}, kBlue},
    };
    for (const Case& c : cases) {
        rig.button->SetSkin(PicturesFrom("B", skin, rig.dir.Path(), "bmp"), c.mode, 0, 0);
        EXPECT_EQ(Paint(*rig.button).pixel(c.at), c.expected) << "mode " << c.mode << " at " << c.at.x() << "," << c.at.y();
    }
}

TEST(SkinButtonDrawing, OutOfRangeModesAndMarginsAreClamped) {
    Rig rig;
    rig.button->SetSkinFromResources(0, 0, 0, 0, 0, 0, 7, 0, -3);
    EXPECT_EQ(rig.button->GetDrawMode(), CxSkinButton::kTile);
    rig.button->SetSkinFromResources(0, 0, 0, 0, 0, 0, -2, 0, 0);
    EXPECT_EQ(rig.button->GetDrawMode(), CxSkinButton::kNatural);
}

TEST(SkinButtonDrawing, MaskShowsThePictureWhereBlackAndTheBackdropWhereWhite) {
    Rig rig;
    QImage mask = Solid(40, 20, 0xFF000000);
    for (int y = 0; y < 20; ++y)
        for (int x = 20; x < 40; ++x) mask.setPixel(x, y, 0xFFFFFFFF);
    rig.Save("m.bmp", mask);
    rig.Save("n.bmp", Solid(40, 20, kRed));
    rig.button->SetSkin(PicturesFrom("B", rig.Skin("Normal=n.bmp\nMask=m.bmp\n"), rig.dir.Path(), "bmp"), CxSkinButton::kStretch, 0, 0);
    const QImage shown = Paint(*rig.button);
    EXPECT_EQ(shown.pixel(5, 10), kRed);
    EXPECT_EQ(shown.pixel(30, 10), kBackdrop);
}

TEST(SkinButtonShape, RunsOfNonKeyPixelsIncludingTheLastColumn) {
    QImage mask = Solid(6, 3, kKey);
    mask.setPixel(5, 0, 0xFF000000);  // a single pixel in the last column
    mask.setPixel(1, 1, 0xFF000000);
    mask.setPixel(2, 1, 0xFF000000);
    const QRegion region = CxSkinButton::CreateRegionFromBitmap(mask, kKey);
    EXPECT_EQ(region, QRegion(5, 0, 1, 1) + QRegion(1, 1, 2, 1));
    EXPECT_TRUE(CxSkinButton::CreateRegionFromBitmap(QImage(), kKey).isEmpty());
}

TEST(SkinButtonShape, AllKeyMaskHidesTheButtonWhichStillExists) {
    Rig rig;
    rig.Save("m.bmp", Solid(40, 20, kKey));
    rig.button->SetSkin(PicturesFrom("B", rig.Skin("Mask=m.bmp\n"), rig.dir.Path(), "bmp"), CxSkinButton::kStretch, 0, 0);
    EXPECT_TRUE(rig.button->HasShape());
    EXPECT_TRUE(rig.button->Shape().isEmpty());
    EXPECT_FALSE(rig.button->mask().intersects(rig.button->rect())) << "nothing of the button may show";
    QSignalSpy clicks(rig.button, &QAbstractButton::clicked);
    Click(*rig.button, {5, 5});
    EXPECT_EQ(clicks.count(), 0) << "a press outside the shape misses the button";
}

TEST(SkinButtonShape, NaturalModeSizesTheButtonToItsMask) {
    Rig rig;
    rig.Save("m.bmp", Solid(17, 9, 0xFF000000));
    rig.button->SetSkin(PicturesFrom("B", rig.Skin("Mask=m.bmp\n"), rig.dir.Path(), "bmp"), CxSkinButton::kNatural, 0, 0);
    EXPECT_EQ(rig.button->size(), QSize(17, 9));
    EXPECT_EQ(rig.button->pos(), QPoint(10, 10));
}

TEST(SkinButtonKinds, StyleByteDecidesTheKind) {
    CxSkinButton b;
    const struct {
        uint32_t style;
        int kind;
    } cases[] = {{0x00, CxSkinButton::kPush}, {0x8B, CxSkinButton::kCheckBox}, {0x03, CxSkinButton::kCheckBox},
                 {0x09, CxSkinButton::kRadio}, {0x0B, CxSkinButton::kCheckBox}, {0x01, CxSkinButton::kPush},
                 {0x1009, CxSkinButton::kRadio}};
    for (const auto& c : cases) {
        b.PreSubclassWindow(c.style);
        EXPECT_EQ(b.GetKind(), c.kind) << std::hex << c.style;
    }
}

TEST(SkinButtonKinds, CheckBoxTogglesOnEveryClickOverTheButton) {
    Rig rig;
    rig.FullSkin();
    rig.button->PreSubclassWindow(0x8B);
    QSignalSpy clicks(rig.button, &QAbstractButton::clicked);
    Click(*rig.button, {5, 5});
    EXPECT_EQ(rig.button->GetCheck(), 1);
    EXPECT_EQ(rig.Centre(), kGreen) << "checked shows the Down picture";
    Press(*rig.button, {5, 5});
    Release(*rig.button, {80, 40});  // let go outside: no toggle, no click
    EXPECT_EQ(rig.button->GetCheck(), 1);
    Click(*rig.button, {5, 5});
    EXPECT_EQ(rig.button->GetCheck(), 0);
    EXPECT_EQ(clicks.count(), 2);

    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(rig.button, &space);
    EXPECT_EQ(rig.button->GetCheck(), 1) << "the space bar toggles as a click does";
}

TEST(SkinButtonKinds, PushButtonsNeverStayChecked) {
    Rig rig;
    rig.button->SetCheck(true);
    EXPECT_EQ(rig.button->GetCheck(), 0);
}

TEST(SkinButtonKinds, CheckingARadioUnchecksTheRestOfItsGroupLater) {
    // Check boxes in the group make it easy to start with everything checked.
    QWidget parent;
    CxSkinButton* group[4];
    for (auto*& b : group) {
        b = new CxSkinButton(&parent);
        b->PreSubclassWindow(0x8B);
        b->SetCheck(true);
    }
    auto* outsider = new CxSkinButton(&parent);
    outsider->PreSubclassWindow(0x8B);
    outsider->SetCheck(true);
    CxSkinButton::SetGroupStart(*group[0], true);
    CxSkinButton::SetGroupStart(*outsider, true);  // starts the next group

    group[2]->PreSubclassWindow(0x09);
    group[2]->SetCheck(true);
    EXPECT_EQ(group[0]->GetCheck(), 1) << "posted, not sent: nothing changes before the events run";
    QApplication::processEvents();
    EXPECT_EQ(group[0]->GetCheck(), 0);
    EXPECT_EQ(group[1]->GetCheck(), 0);
    EXPECT_EQ(group[2]->GetCheck(), 1);
    EXPECT_EQ(group[3]->GetCheck(), 0);
    EXPECT_EQ(outsider->GetCheck(), 1);
}

TEST(SkinButtonMouse, PushedOnlyWhileHeldOverAndClickOnlyOnReleaseOver) {
    Rig rig;
    rig.FullSkin();
    QSignalSpy clicks(rig.button, &QAbstractButton::clicked);
    Hover(*rig.button, {5, 5});
    Press(*rig.button, {5, 5});
    EXPECT_FALSE(rig.button->IsHovering()) << "a press ends hover";
    EXPECT_TRUE(rig.button->IsPressCaptured());
    DragTo(*rig.button, {80, 40});
    EXPECT_FALSE(rig.button->isDown());
    EXPECT_NE(rig.Centre(), kGreen) << "dragged off: no longer pushed";
    DragTo(*rig.button, {6, 6});
    EXPECT_EQ(rig.Centre(), kGreen);
    DragTo(*rig.button, {80, 40});
    Release(*rig.button, {80, 40});
    EXPECT_FALSE(rig.button->IsPressCaptured());
    EXPECT_EQ(clicks.count(), 0);
    Click(*rig.button, {5, 5});
    EXPECT_EQ(clicks.count(), 1);
}

TEST(SkinButtonMouse, DoubleClickIsASecondPress) {
    Rig rig;
    QSignalSpy clicks(rig.button, &QAbstractButton::clicked);
    Click(*rig.button, {5, 5});
    testing::SendMouse(*rig.button, QEvent::MouseButtonDblClick, {5, 5});
    Release(*rig.button, {5, 5});
    EXPECT_EQ(clicks.count(), 2);
}

TEST(SkinButtonMouse, LosingFocusEndsThePress) {
    Rig rig;
    rig.button->setFocus();
    Press(*rig.button, {5, 5});
    ASSERT_TRUE(rig.button->IsPressCaptured());
    rig.button->clearFocus();
    EXPECT_FALSE(rig.button->IsPressCaptured());
}

TEST(SkinButtonText, CentredTextInTheTextColourAndTwoColoursWhenDisabled) {
    Rig rig;
    rig.Save("n.bmp", Solid(4, 4, 0xFFFFFFFF));
    rig.button->SetSkin(PicturesFrom("B", rig.Skin("Normal=n.bmp\nDisabled=n.bmp\n"), rig.dir.Path(), "bmp"), CxSkinButton::kStretch,
                                 0, 0);
    auto colours = [&] {
        QSet<QRgb> seen;
        const QImage shown = Paint(*rig.button);
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) seen.insert(shown.pixel(x, y));
        return seen;
    };
    // Smoothed text blends with the picture: judge by the darkest pixel.
    auto darkest = [&] {
        int lowest = 255;
        for (QRgb c : colours()) lowest = std::min(lowest, qGray(c));
        return lowest;
    };
    EXPECT_EQ(colours().size(), 1) << "no text, only the picture";
    rig.button->setText(QStringLiteral("X"));
    const int ink = qGray(rig.button->palette().color(QPalette::ButtonText).rgb());
    EXPECT_NEAR(darkest(), ink, 40);
    rig.button->setEnabled(false);
    const int grey = qGray(rig.button->palette().color(QPalette::Disabled, QPalette::ButtonText).rgb());
    ASSERT_GT(grey, ink + 60) << "the palette must tell the two apart for this test";
    EXPECT_NEAR(darkest(), grey, 40);
}

TEST(SkinButtonText, APlainFaceStandsOutFromItsWindowAndSaysWhatTheButtonDoes) {
    Rig rig;
    // No skin at all: the window behind has the button-face colour.
    const QColor face = rig.button->palette().color(QPalette::Button);
    QPalette p = rig.parent.palette();
    p.setColor(QPalette::Window, face);
    rig.parent.setPalette(p);
    auto standsOut = [&] {
        const QImage shown = Paint(*rig.button);
        int edge = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) edge += std::abs(qGray(shown.pixel(x, y)) - qGray(face.rgb())) > 60;
        return edge;
    };
    auto middleRowInk = [&] {
        const QImage shown = Paint(*rig.button);
        int ink = 0;
        for (int x = 5; x < shown.width() - 5; ++x) ink += std::abs(qGray(shown.pixel(x, 10)) - qGray(face.rgb())) > 100;
        return ink;
    };
    ASSERT_EQ(rig.button->ShownPicture(), Picture::kFace);
    EXPECT_GE(standsOut(), 40) << "a raised edge around the face: at least a side's length stands out";
    EXPECT_EQ(rig.Centre(), face.rgb()) << "inside it, the face colour";
    EXPECT_EQ(middleRowInk(), 0) << "nothing to say yet";

    rig.button->SetFallbackText(QStringLiteral("Play"));
    EXPECT_GT(middleRowInk(), 3) << "the caption stands in for the missing picture";
    Press(*rig.button, {5, 5});
    EXPECT_GE(standsOut(), 40) << "pressed: a sunken edge";
    EXPECT_GT(middleRowInk(), 3);
    Release(*rig.button, {5, 5});
    rig.button->setEnabled(false);
    EXPECT_GE(standsOut(), 40);
    rig.button->setEnabled(true);

    // A picture says it all: no caption over it.
    rig.Save("n.bmp", Solid(4, 4, 0xFFFFFFFF));
    rig.button->SetSkin(PicturesFrom("B", rig.Skin("Normal=n.bmp\n"), rig.dir.Path(), "bmp"), CxSkinButton::kStretch, 0, 0);
    const QImage pictured = Paint(*rig.button);
    for (int y = 0; y < pictured.height(); ++y)
        for (int x = 0; x < pictured.width(); ++x) ASSERT_EQ(pictured.pixel(x, y), 0xFFFFFFFF) << x << "," << y;
    // And the button's own text wins over the caption.
    rig.button->SetSkin(PicturesFrom("", "", "", "bmp"), CxSkinButton::kStretch, 0, 0);
    rig.button->setText(QStringLiteral("X"));
    const int withText = middleRowInk();
    rig.button->SetFallbackText(QString());
    EXPECT_EQ(middleRowInk(), withText) << "the caption was not drawn beside the text";
}

}  // namespace
}  // namespace quabrel
