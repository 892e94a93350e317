// The pictures the program ships: sizes the window's layout relies on, and
// sample skins complete enough to show every state of every control.
#include "controls/SkinButton.h"
#include "skin/ResourceImages.h"
#include "skin/SkinConfig.h"
#include "skin/SkinImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <set>
#include <vector>

namespace quabrel {
namespace {

constexpr QRgb kKey = 0xFFA74FFF;

TEST(BuiltInArt, EveryListedBitmapHasItsSize) {
    const struct {
        int id, w, h;
    } sizes[] = {{188, 513, 543}, {149, 21, 21}, {145, 21, 21}, {146, 122, 24}, {147, 122, 22}, {153, 37, 18}, {152, 37, 18},
                 {150, 37, 18},   {151, 37, 18}, {154, 35, 18}, {157, 37, 18},  {155, 37, 18},  {156, 37, 18}, {158, 39, 21},
                 {161, 39, 21},   {159, 39, 21}, {160, 39, 21}, {163, 38, 20},  {165, 152, 21}, {164, 152, 21}, {166, 83, 21},
                 {167, 83, 21},   {176, 12, 12}, {185, 12, 12}, {178, 12, 12},  {182, 12, 12},  {177, 12, 12}, {180, 12, 12},
                 {168, 21, 21},   {130, 248, 188}};
    for (const auto& s : sizes) {
        const QImage image = LoadBitmapResource(s.id);
        EXPECT_EQ(image.size(), QSize(s.w, s.h)) << s.id;
        EXPECT_EQ(image.format(), QImage::Format_RGB32) << s.id;
    }
    for (int id : {169, 170, 171, 172, 173, 174}) {
        const QImage piece = LoadBitmapResource(id);
        EXPECT_GE(piece.width(), 2) << id;
        EXPECT_LE(piece.width(), 15) << id;
        EXPECT_GE(piece.height(), 3) << id;
        EXPECT_LE(piece.height(), 21) << id;
    }
    EXPECT_FALSE(LoadBitmapResource(1014).isNull());
    EXPECT_FALSE(LoadIconResource(128).isNull());
    EXPECT_GE(LoadIconResource(128).availableSizes().size(), 4);
}

TEST(BuiltInArt, BackgroundIsShapedAtEveryCorner) {
    const QImage background = LoadBitmapResource(188);
    for (QPoint corner : {QPoint(0, 0), QPoint(512, 0), QPoint(0, 542), QPoint(512, 542)})
        EXPECT_EQ(background.pixel(corner), kKey);
    EXPECT_NE(background.pixel(256, 271), kKey);
}

TEST(BuiltInArt, ButtonStatesLookDifferent) {
    const std::pair<int, int> pairs[] = {{149, 145}, {146, 147}, {153, 152}, {153, 150}, {153, 151}, {152, 150},
                                         {158, 161}, {165, 164}, {166, 167}, {176, 185}, {178, 180}};
    for (auto [a, b] : pairs) EXPECT_NE(LoadBitmapResource(a), LoadBitmapResource(b)) << a << " vs " << b;
}

// Pixels along the outline that are a blend of the key colour and a
// neighbour inside: smoothing against the key, which a window painted with
// its cut-away parts transparent shows as a purple fringe.
std::vector<QPoint> KeyFringe(const QImage& background, QRgb key) {
    std::vector<QPoint> fringe;
    const QImage image = background.convertToFormat(QImage::Format_RGB32);
    const QRect bounds = image.rect();
    auto channels = [](QRgb c) { return std::array<int, 3>{qRed(c), qGreen(c), qBlue(c)}; };
    const auto k = channels(key);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (pixel == key) continue;
            std::vector<QRgb> inside;
            bool onOutline = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const QPoint n(x + dx, y + dy);
                    if ((dx == 0 && dy == 0) || !bounds.contains(n)) continue;
                    if (image.pixel(n) == key)
                        onOutline = true;
                    else
                        inside.push_back(image.pixel(n));
                }
            if (!onOutline) continue;
            const auto p = channels(pixel);
            for (QRgb neighbour : inside) {
                // pixel ≈ neighbour + t (key − neighbour) for a t well inside (0, 1)?
                const auto n = channels(neighbour);
                double dot = 0, length = 0;
                for (int i = 0; i < 3; ++i) {
                    dot += (p[i] - n[i]) * double(k[i] - n[i]);
                    length += double(k[i] - n[i]) * (k[i] - n[i]);
                }
                if (length == 0) continue;
                const double t = dot / length;
                double off = 0;
                for (int i = 0; i < 3; ++i) off = std::max(off, std::abs(p[i] - (n[i] + t * (k[i] - n[i]))));
                if (t >= 0.15 && t <= 0.85 && off <= 12) {
                    fringe.emplace_back(x, y);
                    break;
                }
            }
        }
    return fringe;
}

TEST(BuiltInArt, TheOutlineIsCutCleanWithoutAFringeOfKeyColour) {
    EXPECT_TRUE(KeyFringe(LoadBitmapResource(188), kKey).empty());
    // The check sees a fringe where there is one.
    QImage smoothed(20, 20, QImage::Format_RGB32);
    smoothed.fill(kKey);
    for (int y = 5; y < 15; ++y)
        for (int x = 5; x < 15; ++x) smoothed.setPixel(x, y, qRgb(10, 9, 9));
    smoothed.setPixel(4, 8, qRgb((167 + 10) / 2, (79 + 9) / 2, (255 + 9) / 2));
    const std::vector<QPoint> found = KeyFringe(smoothed, kKey);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], QPoint(4, 8));
}

struct SampleSkin {
    std::string dir, ini;
};

class SampleSkins : public ::testing::TestWithParam<SampleSkin> {};

TEST(SampleSkinList, OffersBothSkinsAndStartsWithTheFirst) {
    CSkinConfig list;
    list.Load(std::string(SAMPLE_SKINS) + "/skin.cfg");
    ASSERT_EQ(list.GetSize(), 2);
    EXPECT_EQ(list.StartupSkinNumber(), kFirstSkinNumber);
    EXPECT_EQ(list[0].m_strDirectory, "graphite");
    EXPECT_EQ(list[1].m_strDirectory, "aurora");
}

TEST_P(SampleSkins, EverySectionHasFiveDistinctStatesAndPngMasksEveryButton) {
    const std::string dir = std::string(SAMPLE_SKINS) + "/" + GetParam().dir + "/";
    const std::string file = dir + GetParam().ini;
    SkinDescription skin;
    skin.ReadGeneral(file);
    QImage background;
    LoadSkinImage(dir + skin.m_strBackground, skin.m_strType, background);
    ASSERT_FALSE(background.isNull());
    const QRgb transparent = qRgb(skin.TransparentRed(), skin.TransparentGreen(), skin.TransparentBlue());
    EXPECT_EQ(background.pixel(0, background.height() - 1), transparent);
    EXPECT_GE(background.width(), 489) << "wide enough for every control";
    EXPECT_GE(background.height(), 468);
    const std::vector<QPoint> fringe = KeyFringe(background, transparent);
    EXPECT_TRUE(fringe.empty()) << fringe.size() << " pixels of the outline, the first at " << fringe[0].x() << ","
                                << fringe[0].y() << ", blend into the transparent colour";

    const bool png = skin.m_strType == "png";
    for (const std::string* section :
         {&skin.m_strClose, &skin.m_strAdvanced, &skin.m_strFilePlay, &skin.m_strFilePause, &skin.m_strFileStop, &skin.m_strSound,
          &skin.m_strSoundNone, &skin.m_strToTray, &skin.m_strMinimize, &skin.m_strFileOpen, &skin.m_strRed, &skin.m_strGreen,
          &skin.m_strBlue, &skin.m_strHelp, &skin.m_strBrightness, &skin.m_strContrast, &skin.m_strSaturation}) {
        SCOPED_TRACE(*section);
        ButtonImageNames names;
        names.Read(*section, file);
        std::vector<QImage> states;
        for (const std::string* name : {&names.m_strNormal, &names.m_strDown, &names.m_strOver, &names.m_strDisabled, &names.m_strFocus}) {
            std::string path;
            ASSERT_TRUE(ResolveImagePath(dir, *name, path)) << *name;
            QImage image;
            LoadSkinImage(path, skin.m_strType, image);
            ASSERT_FALSE(image.isNull()) << *name;
            for (const QImage& other : states) EXPECT_NE(image, other) << *name << " looks like another state";
            states.push_back(image);
        }
        std::string maskPath;
        ASSERT_EQ(ResolveImagePath(dir, names.m_strMask, maskPath), png);
        if (!png) continue;
        QImage mask;
        LoadSkinImage(maskPath, skin.m_strType, mask);
        EXPECT_EQ(mask.size(), states[0].size());
        const QRegion shape = CxSkinButton::CreateRegionFromBitmap(mask, CxSkinButton::kKeyColor);
        EXPECT_FALSE(shape.isEmpty());
        EXPECT_NE(shape, QRegion(mask.rect())) << "the mask shapes the button";
        EXPECT_EQ(mask.pixel(mask.width() / 2, mask.height() / 2), 0xFF000000) << "black inside: the picture shows";
    }
    ButtonImageNames list;
    list.Read(skin.m_strVideoList, file);
    std::string path;
    EXPECT_TRUE(ResolveImagePath(dir, list.m_strNormal, path));
}

INSTANTIATE_TEST_SUITE_P(Shipped, SampleSkins,
                         ::testing::Values(SampleSkin{"graphite", "graphite.ini"}, SampleSkin{"aurora", "aurora.ini"}),
                         [](const auto& p) { return p.param.dir; });

}  // namespace
}  // namespace quabrel
