#include "controls/BitComboBox.h"
#include "controls/Explorer1.h"
#include "controls/MyListBox.h"
#include "controls/MySliderControl.h"
#include "controls/SkinButton.h"
#include "mainwindow/DialogTemplate.h"
#include "mainwindow/QuabrelDlg.h"
#include "platform/Shell.h"
#include "skin/ResourceImages.h"
#include "skin/WindowShape.h"
#include "support/TempDir.h"
#include "support/WidgetTestUtil.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include <gtest/gtest.h>

namespace quabrel {
namespace {

using testing::MessageRecorder;
using testing::Solid;
using testing::TempDir;
using Picture = CxSkinButton::Picture;
namespace fs = std::filesystem;

constexpr QRgb kKey = 0xFFA74FFF;

// An executable folder with the sample skins beside it and a skin list of
// our choosing.
struct Install {
    Install() { fs::copy(SAMPLE_SKINS, dir.Path("skin"), fs::copy_options::recursive); }
    std::string ExeDir() const { return dir.Path() + "/"; }
    const CSkinConfig& Skins(const std::string& current, const std::string& extraEntries = "", int total = 2) {
        dir.Write("skin/skin.cfg", "[General]\nTotal=" + std::to_string(total) + "\nCurrent=" + current +
                                       "\n[case0]\nName=Graphite\nDirectory=graphite\niniFile=graphite.ini\n"
                                       "[case1]\nName=Aurora\nDirectory=aurora\niniFile=aurora.ini\n" + extraEntries);
        config = CSkinConfig();
        config.Load(SkinListPath(ExeDir()));
        return config;
    }
    TempDir dir;
    CSkinConfig config;
};

constexpr CquabrelDlg::Options kNoBanner{.startBanner = false};

QImage Graphite() {
    QImage image;
    image.load(QString(SAMPLE_SKINS) + "/graphite/background.bmp", "bmp");
    return image.convertToFormat(QImage::Format_RGB32);
}

TEST(MainWindowControls, CreatedFromTheTemplateInItsOrderAndPlaces) {
    Install install;
    MessageRecorder messages;
    CquabrelDlg window(install.Skins("-1"), install.ExeDir(), kNoBanner);
    const QList<QWidget*> children = window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(children.size(), static_cast<qsizetype>(kMainDialogTemplate.size()));
    for (std::size_t i = 0; i < kMainDialogTemplate.size(); ++i) {
        const ControlTemplate& t = kMainDialogTemplate[i];
        SCOPED_TRACE(t.id);
        EXPECT_EQ(children[static_cast<qsizetype>(i)], window.GetDlgItem(t.id)) << "creation order";
        if (t.kind != ControlKind::FrameRateCombo) {
            EXPECT_EQ(window.GetDlgItem(t.id)->geometry(), DialogUnitsToPixels(t.units));
        }
        EXPECT_EQ(window.GetDlgItem(t.id)->isEnabled(), t.initiallyEnabled);
    }
    EXPECT_NE(window.Item<CMyListBox>(1001), nullptr);
    EXPECT_NE(window.Item<CBitComboBox>(1016), nullptr);
    EXPECT_NE(window.Item<CExplorer1>(1023), nullptr);
    EXPECT_EQ(window.Item<CMySliderControl>(1017)->orientation(), Qt::Horizontal);
    EXPECT_EQ(window.Item<CMySliderControl>(1021)->orientation(), Qt::Vertical);
    EXPECT_EQ(window.Item<CxSkinButton>(1006)->GetKind(), CxSkinButton::kCheckBox);
    EXPECT_EQ(window.Item<CxSkinButton>(1037)->GetKind(), CxSkinButton::kCheckBox);
    EXPECT_EQ(window.Item<CxSkinButton>(1002)->GetKind(), CxSkinButton::kPush);
    EXPECT_EQ(window.Item<CxSkinButton>(1006)->text(), "X");
    EXPECT_FALSE(window.GetDlgItem(1008)->isVisibleTo(&window)) << "the hidden edit is never shown";
    EXPECT_EQ(window.GetDlgItem(4242), nullptr);
    EXPECT_TRUE(messages.Texts().isEmpty());
}

TEST(MainWindowControls, InitialisedStateBeforeAnySourceIsChosen) {
    Install install;
    CquabrelDlg window(install.Skins("-1"), install.ExeDir(), kNoBanner);
    EXPECT_EQ(window.windowTitle(), "quabrel");
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(window.windowIcon().isNull());
    for (int id : {1017, 1018, 1019}) {
        auto* s = window.Item<CMySliderControl>(id);
        EXPECT_EQ(std::make_tuple(s->minimum(), s->maximum(), s->value()), std::make_tuple(0, 100, 50)) << id;
    }
    for (int id : {1020, 1021, 1022}) {
        auto* s = window.Item<CMySliderControl>(id);
        EXPECT_EQ(std::make_tuple(s->minimum(), s->maximum(), s->value()), std::make_tuple(-100, 100, 0)) << id;
    }
    auto* rate = window.Item<CBitComboBox>(1016);
    ASSERT_EQ(rate->count(), 6);
    EXPECT_EQ(rate->currentIndex(), 0);
    EXPECT_EQ(rate->currentText(), "Default Frame rate");
    EXPECT_EQ(rate->itemText(5), "25 f/Sec");

    auto* video = window.Item<QLabel>(1007);
    EXPECT_EQ(window.VideoRect(), video->contentsRect());
    EXPECT_TRUE(window.ShowsPlaceholder());
    EXPECT_TRUE(window.DragWindow());
    EXPECT_TRUE(window.SoundOn());
    ASSERT_NE(window.AudioMenu(), nullptr);  // holds the audio devices
    ASSERT_NE(window.SkinMenu(), nullptr);
    EXPECT_FALSE(window.SkinMenu()->isEmpty()) << "filled at start";
    for (QMenu* menu : {window.AdvancedMenu()}) {
        ASSERT_NE(menu, nullptr);
        EXPECT_TRUE(menu->isEmpty()) << "filled on first use";
    }
    QStringList systemEntries;
    for (QAction* a : window.SystemMenu()->actions())
        if (!a->isSeparator()) systemEntries << a->text();
    EXPECT_EQ(systemEntries, QStringList({"Mi&nimize", "&Close", "To System Tray", "&Resotre", "E&xit"}));

    auto* banner = window.Item<CExplorer1>(1023);
    EXPECT_EQ(banner->Address().toString(), ProductSite() + "/banner.php");
    window.show();
    QApplication::processEvents();
    EXPECT_FALSE(banner->IsStarted()) << "left off for this window";
}

TEST(MainWindowControls, FirstPaintShowsThePlaceholderInTheVideoArea) {
    Install install;
    CquabrelDlg window(install.Skins("-1"), install.ExeDir(), kNoBanner);
    window.grab();
    const QImage shown = window.Item<QLabel>(1007)->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, LoadBitmapResource(130));
}

TEST(MainWindowSkin, StartupNumberChoosesTheSkin) {
    Install install;
    MessageRecorder messages;
    {
        CquabrelDlg window(install.Skins("-1"), install.ExeDir(), kNoBanner);
        EXPECT_EQ(window.Background(), LoadBitmapResource(188)) << "-1: built in";
        EXPECT_EQ(window.size(), QSize(513, 543));
    }
    for (const char* current : {"", "0", "zero"}) {
        CquabrelDlg window(install.Skins(current), install.ExeDir(), kNoBanner);
        EXPECT_EQ(window.Background(), Graphite()) << "'" << current << "' is entry 0";
        EXPECT_EQ(window.SkinFile(), install.ExeDir() + "skin/graphite/graphite.ini");
        EXPECT_EQ(window.SkinDirectory(), install.ExeDir() + "skin/graphite/");
        EXPECT_EQ(window.ImageType(), "bmp");
        EXPECT_EQ(window.SoundSection(), "Sound");
        EXPECT_EQ(window.SoundNoneSection(), "SoundNone");
    }
    {
        CquabrelDlg window(install.Skins("1x"), install.ExeDir(), kNoBanner);
        EXPECT_EQ(window.ImageType(), "png") << "digits then letters: entry 1";
    }
    for (const char* current : {"2", "-2", "99999999999"}) {
        CquabrelDlg window(install.Skins(current), install.ExeDir(), kNoBanner);
        EXPECT_TRUE(window.Background().isNull()) << current;
        EXPECT_TRUE(window.WindowShape().isEmpty()) << current;
        EXPECT_EQ(window.size(), DialogUnitsToPixels(QRect(QPoint(), kDialogSizeUnits)).size());
    }
    EXPECT_TRUE(messages.Texts().isEmpty()) << "choosing no skin says nothing";
}

TEST(MainWindowSkin, ShapeIsTheBackgroundsNonTransparentPixels) {
    Install install;
    CquabrelDlg window(install.Skins("-1"), install.ExeDir(), kNoBanner);
    const QImage background = LoadBitmapResource(188);
    const QRegion shape = window.WindowShape();
    EXPECT_EQ(window.mask(), shape);
    for (QPoint corner : {QPoint(0, 0), QPoint(512, 0), QPoint(0, 542), QPoint(512, 542)}) {
        EXPECT_EQ(background.pixel(corner), kKey);
        EXPECT_FALSE(shape.contains(corner));
    }
    // Every pixel: inside exactly when it is not the transparent colour.
    for (int y = 0; y < background.height(); ++y)
        for (int x = 0; x < background.width(); ++x)
            ASSERT_EQ(shape.contains(QPoint(x, y)), background.pixel(x, y) != kKey) << x << "," << y;
}

// A skin of our own with a background of the given picture.
std::string WriteSkin(Install& install, const QImage& background, const std::string& general = "Red=167\nGreen=79\nBlue=255\n",
                      const std::string& type = "bmp") {
    background.save(QString::fromStdString(install.dir.Path("skin/mine/back.bmp")), "BMP");
    return install.dir.Write("skin/mine/mine.ini", "[General]\nType=" + type + "\nBackground=back.bmp\n" + general);
}

TEST(MainWindowSkin, AllTransparentGivesAnEmptyShapeAndNoneARectangle) {
    Install install;
    CquabrelDlg window(install.Skins("-1"), install.ExeDir(), kNoBanner);
    const std::string dir = install.dir.Path("skin/mine/");
    fs::create_directories(dir);

    window.ApplySkinFromFiles(WriteSkin(install, Solid(300, 200, kKey)), dir);
    EXPECT_TRUE(window.WindowShape().isEmpty());
    EXPECT_FALSE(window.mask().intersects(window.rect())) << "nothing shows";
    EXPECT_EQ(window.size(), QSize(300, 200)) << "but the window is there";

    window.ApplySkinFromFiles(WriteSkin(install, Solid(300, 200, 0xFF102030)), dir);
    EXPECT_EQ(window.WindowShape(), QRegion(0, 0, 300, 200));

    // "Red" 256 keeps only the low byte: black becomes transparent.
    QImage framed = Solid(300, 200, 0xFF000000);
    for (int y = 10; y < 190; ++y)
        for (int x = 10; x < 290; ++x) framed.setPixel(x, y, 0xFF808080);
    window.ApplySkinFromFiles(WriteSkin(install, framed, "Red=256\n"), dir);
    EXPECT_EQ(window.WindowShape(), QRegion(10, 10, 280, 180));
}

TEST(MainWindowSkin, WindowIsCentredOnTheScreen) {
    Install install;
    CquabrelDlg window(install.Skins("0"), install.ExeDir(), kNoBanner);
    const QRect screen = window.screen()->geometry();
    EXPECT_EQ(window.pos(), QPoint(screen.width() / 2 - 502 / 2, screen.height() / 2 - 486 / 2));

    const std::string dir = install.dir.Path("skin/mine/");
    fs::create_directories(dir);
    window.ApplySkinFromFiles(WriteSkin(install, Solid(screen.width() + 101, 50, 0xFF102030)), dir);
    EXPECT_EQ(window.x(), screen.width() / 2 - (screen.width() + 101) / 2) << "wider than the screen: a negative position";
    EXPECT_LT(window.x(), 0);
}

// What a failed skin must leave alone.
struct Look {
    explicit Look(const CquabrelDlg& w)
        : background(w.Background()), shape(w.WindowShape()), geometry(w.geometry()),
          play(w.Item<CxSkinButton>(1002)->ShownPicture()) {}
    bool operator==(const Look&) const = default;
    QImage background;
    QRegion shape;
    QRect geometry;
    Picture play;
};

TEST(MainWindowSkin, FailuresSayWhyAndChangeNothingOnScreen) {
    Install install;
    MessageRecorder messages;
    CquabrelDlg window(install.Skins("0"), install.ExeDir(), kNoBanner);
    const Look before(window);
    const std::string dir = install.dir.Path("skin/mine/");
    fs::create_directories(dir);

    window.ApplySkinFromFiles(dir + "absent.ini", dir);
    EXPECT_EQ(messages.Texts(), QStringList{"Skin configuration error."});
    EXPECT_TRUE(Look(window) == before);
    EXPECT_EQ(window.SkinFile(), dir + "absent.ini") << "the paths are taken before the check";
    EXPECT_EQ(window.ImageType(), "bmp") << "the rest is not";

    const std::string noPicture = install.dir.Write("skin/mine/nopic.ini", "[General]\nType=PNG\nBackground=none.png\n[Sound]\n");
    window.ApplySkinFromFiles(noPicture, dir);
    EXPECT_EQ(messages.Texts().last(), "Error loading bitmap");
    EXPECT_TRUE(Look(window) == before);
    EXPECT_EQ(window.ImageType(), "PNG") << "type and sound sections are taken before the picture";

    window.ApplySkinFromFiles(WriteSkin(install, Solid(10, 10, 0xFF000000), "", "jpg"), dir);
    EXPECT_EQ(messages.Texts().size(), 3);
    EXPECT_EQ(messages.Texts().last(), "Error loading bitmap") << "neither bmp nor png";
    EXPECT_TRUE(Look(window) == before);

    TempDir empty;
    SetResourceDirectory(QString::fromStdString(empty.Path()));
    window.ApplyBuiltInSkin();
    SetResourceDirectory(QStringLiteral(":/art"));
    EXPECT_EQ(messages.Texts().size(), 4);
    EXPECT_EQ(messages.Texts().last(), "Error loading bitmap");
    EXPECT_TRUE(Look(window) == before);
}

TEST(MainWindowSkin, BuiltInSkinLeavesWhatItDoesNotTouch) {
    Install install;
    CquabrelDlg window(install.Skins("0"), install.ExeDir(), kNoBanner);
    ASSERT_EQ(window.Item<CxSkinButton>(1037)->ShownPicture(), Picture::kNormal);
    window.ApplySkin(kBuiltInSkinNumber);
    EXPECT_EQ(window.Background(), LoadBitmapResource(188));
    EXPECT_EQ(window.Item<CxSkinButton>(1037)->ShownPicture(), Picture::kNormal) << "minimise keeps the file skin's";
    EXPECT_EQ(window.Item<CxSkinButton>(1038)->ShownPicture(), Picture::kNormal) << "help too";
    EXPECT_FALSE(window.Item<CMyListBox>(1001)->BackgroundPicture().isNull()) << "and the device list";
    EXPECT_EQ(window.ImageType(), "bmp") << "the skin strings stay those of the last file skin";
    EXPECT_EQ(window.Item<CxSkinButton>(1002)->GetDrawMode(), CxSkinButton::kNatural);
    EXPECT_EQ(window.Item<CxSkinButton>(1030)->ShownPicture(), Picture::kNormal) << "sound from resources";

    // And out-of-range numbers do nothing at all.
    const Look before(window);
    window.ApplySkin(kFirstSkinNumber + 2);
    window.ApplySkin(kFirstSkinNumber - 2);
    EXPECT_TRUE(Look(window) == before);
}

TEST(MainWindowSkin, SampleSkinsDressEveryButtonAndTheList) {
    Install install;
    MessageRecorder messages;
    for (const char* current : {"0", "1"}) {
        CquabrelDlg window(install.Skins(current), install.ExeDir(), kNoBanner);
        for (const ControlTemplate& t : kMainDialogTemplate)
            if (t.kind == ControlKind::SkinButton) {
                auto* button = window.Item<CxSkinButton>(t.id);
                EXPECT_NE(button->ShownPicture(), Picture::kFace) << current << ": " << t.id;
                EXPECT_EQ(button->GetDrawMode(), CxSkinButton::kStretch);
                EXPECT_EQ(button->HasMask(), std::string(current) == "1") << "the PNG skin masks every button";
            }
        EXPECT_FALSE(window.Item<CMyListBox>(1001)->BackgroundPicture().isNull());
    }
    EXPECT_TRUE(messages.Texts().isEmpty());
}

// How often a file was opened while `action` ran, as the kernel saw it.
template <class Action>
int OpensOf(const std::string& path, Action action) {
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch < 0 || inotify_add_watch(watch, path.c_str(), IN_OPEN) < 0) return -1;
    action();
    int opens = 0;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = ::read(watch, buffer, sizeof buffer)) > 0;)
        for (char* at = buffer; at < buffer + n; at += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(at)->len)
            if (reinterpret_cast<inotify_event*>(at)->mask & IN_OPEN) ++opens;
    ::close(watch);
    return opens;
}

TEST(MainWindowSkin, ASkinChangeReadsTheSkinFileOnce) {
    Install install;
    MessageRecorder messages;
    CquabrelDlg window(install.Skins("-1"), install.ExeDir(), kNoBanner);
    for (const char* name : {"graphite", "aurora"}) {
        const std::string directory = install.ExeDir() + "skin/" + name + "/";
        const std::string file = directory + name + ".ini";
        EXPECT_EQ(OpensOf(file, [&] { window.ApplySkinFromFiles(file, directory); }), 1) << name;
        EXPECT_FALSE(window.Item<CMyListBox>(1001)->BackgroundPicture().isNull()) << name;
    }
    EXPECT_TRUE(messages.Texts().isEmpty());
}

TEST(MainWindowPaint, VideoAreaIsLeftOutOfTheBackground) {
    Install install;
    CquabrelDlg window(install.Skins("-1"), install.ExeDir(), kNoBanner);
    QImage canvas(window.size(), QImage::Format_RGB32);
    canvas.fill(0xFFFF00FF);
    // The window's own paint only; render() places the shape's top-left at
    // the offset.
    window.render(&canvas, window.mask().boundingRect().topLeft(), QRegion(window.rect()), QWidget::RenderFlags());
    const QRect video = window.GetDlgItem(1007)->geometry();
    EXPECT_EQ(canvas.pixel(video.center()), 0xFFFF00FF) << "the erase keeps off the video area";
    EXPECT_EQ(canvas.pixel(video.right() + 3, video.center().y()), LoadBitmapResource(188).pixel(video.right() + 3, video.center().y()));
}

// Where no compositor shapes windows, the outline shows only through alpha:
// every cut-away pixel is painted fully transparent, every other opaque,
// controls and skin changes included.
TEST(MainWindowPaint, CutAwayPartsArePaintedTransparentAndTheRestOpaque) {
    Install install;
    CquabrelDlg window(install.Skins("0"), install.ExeDir(), kNoBanner);
    ASSERT_TRUE(window.testAttribute(Qt::WA_TranslucentBackground));
    window.show();
    for (int skin : {0, 1, kBuiltInSkinNumber}) {
        window.ApplySkin(skin);
        QApplication::processEvents();
        const QImage painted = window.grab().toImage().convertToFormat(QImage::Format_ARGB32);
        const QImage& background = window.Background();
        ASSERT_EQ(painted.size(), background.size()) << skin;
        const QRegion shape = window.WindowShape();
        int wrong = 0, cutAway = 0;
        for (int y = 0; y < painted.height(); ++y)
            for (int x = 0; x < painted.width(); ++x) {
                const bool inside = shape.contains(QPoint(x, y));
                cutAway += !inside;
                wrong += qAlpha(painted.pixel(x, y)) != (inside ? 255 : 0);
            }
        EXPECT_EQ(wrong, 0) << "skin " << skin;
        EXPECT_GT(cutAway, 0) << "skin " << skin << " must cut something away for this check";
    }
    // A skin whose background leaves the window bare still paints it whole.
    window.SetBackgroundBitmap(QImage());
    const QImage bare = window.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(bare.pixel(0, 0)), 255);
}

TEST(MainWindowPaint, SlidersPickUpANewSkinsBackground) {
    Install install;
    CquabrelDlg window(install.Skins("0"), install.ExeDir(), kNoBanner);
    auto* slider = window.Item<CMySliderControl>(1017);
    const QPoint corner = slider->geometry().topLeft();
    EXPECT_EQ(slider->grab().toImage().pixel(0, 0), Graphite().pixel(corner));
    window.ApplySkin(kBuiltInSkinNumber);
    EXPECT_EQ(slider->grab().toImage().pixel(0, 0), LoadBitmapResource(188).pixel(corner));
}

TEST(MainWindowLifetime, EveryWayOutEndsTheRun) {
    Install install;
    const CSkinConfig& skins = install.Skins("-1");
    struct Way {
        const char* name;
        std::function<void(CquabrelDlg&)> act;
        int result;
    } ways[] = {
        {"close button", [](CquabrelDlg& w) { w.Item<CxSkinButton>(1006)->click(); }, QDialog::Rejected},
        {"escape",
         [](CquabrelDlg& w) {
             QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
             QApplication::sendEvent(&w, &key);
         },
         QDialog::Rejected},
        {"enter",
         [](CquabrelDlg& w) {
             QKeyEvent key(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
             QApplication::sendEvent(&w, &key);
         },
         QDialog::Accepted},
        {"window manager", [](CquabrelDlg& w) { w.close(); }, QDialog::Rejected},
    };
    for (const Way& way : ways) {
        CquabrelDlg window(skins, install.ExeDir(), kNoBanner);
        window.show();
        window.setResult(-1);
        way.act(window);
        EXPECT_FALSE(window.isVisible()) << way.name;
        EXPECT_EQ(window.result(), way.result) << way.name;
    }
}

// A shown window and a point of its free face, for the dragging tests.
class DraggedWindow : public ::testing::Test {
protected:
    void SetUp() override {
        window.show();
        QApplication::processEvents();
        start = window.pos();
        ASSERT_EQ(window.childAt(grip), nullptr) << "the grip must be on the background";
    }
    Install install;
    CquabrelDlg window{install.Skins("-1"), install.ExeDir(), kNoBanner};
    QPoint start;
    const QPoint grip{300, 60};
};

TEST_F(DraggedWindow, PressingTheBackgroundMovesTheWindow) {
    testing::Press(window, grip);
    testing::DragTo(window, grip + QPoint(40, 25));
    if (!window.IsMovingByHand()) GTEST_SKIP() << "the window system moves this window itself";
    EXPECT_EQ(window.pos(), start + QPoint(40, 25));
    testing::Release(window, grip + QPoint(40, 25));
    EXPECT_FALSE(window.IsMovingByHand());
    testing::Hover(window, grip + QPoint(90, 90));
    EXPECT_EQ(window.pos(), start + QPoint(40, 25)) << "released: the window stays";
}

TEST_F(DraggedWindow, OnlyADragMovesTheWindowAClickLeavesItWhereItIs) {
    const int distance = QApplication::startDragDistance();
    ASSERT_GT(distance, 1);

    // A tap: press and release with no motion between them.
    testing::Press(window, grip);
    EXPECT_FALSE(window.IsMovingByHand()) << "a press alone starts no move";
    testing::Release(window, grip);
    testing::Hover(window, grip + QPoint(60, 40));
    EXPECT_FALSE(window.IsMovingByHand());
    EXPECT_EQ(window.pos(), start) << "the window does not follow the pointer after a click";

    // A hand that trembles less than the drag distance still clicks.
    testing::Press(window, grip);
    testing::DragTo(window, grip + QPoint(distance - 1, 0));
    testing::DragTo(window, grip + QPoint(0, 1 - distance));
    EXPECT_FALSE(window.IsMovingByHand());
    EXPECT_EQ(window.pos(), start);
    testing::Release(window, grip);
    testing::Hover(window, grip + QPoint(60, 40));
    EXPECT_EQ(window.pos(), start);

    // Motion with no button held is never a drag, however far it goes.
    testing::Hover(window, grip + QPoint(3 * distance, 2 * distance));
    EXPECT_FALSE(window.IsMovingByHand());
    EXPECT_EQ(window.pos(), start);

    // Past the distance with the button down the move starts, and the
    // window keeps the point that was pressed under the pointer.
    testing::Press(window, grip);
    testing::DragTo(window, grip + QPoint(distance, 0));
    ASSERT_TRUE(window.IsMovingByHand()) << "no window manager here: the window must move by hand";
    EXPECT_EQ(window.pos(), start + QPoint(distance, 0));
    testing::Release(window, grip);
    EXPECT_FALSE(window.IsMovingByHand());
}

// Pixels of `image` whose grey level differs from `reference`'s by more
// than `by`.
int PixelsDifferingFrom(const QImage& image, QRgb reference, int by, int row = -1) {
    int count = 0;
    for (int y = row < 0 ? 0 : row; y < (row < 0 ? image.height() : row + 1); ++y)
        for (int x = 0; x < image.width(); ++x) count += std::abs(qGray(image.pixel(x, y)) - qGray(reference)) > by;
    return count;
}

// The colour most pixels of `row` have.
QRgb CommonColour(const QImage& image, int row) {
    std::map<QRgb, int> counts;
    for (int x = 0; x < image.width(); ++x) ++counts[image.pixel(x, row)];
    return std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
}

TEST(MainWindowPaint, WithoutASkinEveryControlStillShowsAPlainLegibleFace) {
    MessageRecorder messages;
    const CSkinConfig none;
    CquabrelDlg window(none, "/nonexistent/", kNoBanner);
    window.show();
    QApplication::processEvents();
    ASSERT_TRUE(window.Background().isNull()) << "no skin was applied";
    const QRgb backdrop = window.palette().color(QPalette::Window).rgb();

    for (const ControlTemplate& t : kMainDialogTemplate) {
        if (t.kind != ControlKind::SkinButton) continue;
        SCOPED_TRACE(t.id);
        auto* button = window.Item<CxSkinButton>(t.id);
        button->setEnabled(true);
        const QImage raw = button->grab().toImage();
        int seeThrough = 0;
        for (int y = 0; y < raw.height(); ++y)
            for (int x = 0; x < raw.width(); ++x) seeThrough += qAlpha(raw.pixel(x, y)) < 255;
        EXPECT_EQ(seeThrough, 0) << "the face is opaque";
        const QImage face = testing::Paint(*button);
        EXPECT_GE(PixelsDifferingFrom(face, backdrop, 60), std::max(face.width(), face.height()))
            << "the button stands out from the window: at least a side's length of it";
        if (!button->text().isEmpty() || !button->FallbackText().isEmpty()) {
            EXPECT_GT(PixelsDifferingFrom(face, CommonColour(face, face.height() / 2), 100, face.height() / 2), 0)
                << "its caption is legible: " << qPrintable(button->text() + button->FallbackText());
        }
    }
    for (int id : {1002, 1003, 1004, 1005, 1015, 1026, 1030, 1037, 1038})
        EXPECT_FALSE(window.Item<CxSkinButton>(id)->FallbackText().isEmpty()) << id << " says what it does";

    // The frame-rate box: what it says must show through the middle of the
    // box, in a colour far from what lies behind it.
    auto* rate = window.Item<CBitComboBox>(1016);
    rate->setCurrentIndex(0);
    const QImage first = testing::Paint(*rate);
    rate->setCurrentIndex(1);
    const QImage second = testing::Paint(*rate);
    const int middle = first.height() / 2;
    int strongest = 0;
    for (int x = 0; x < first.width(); ++x)
        strongest = std::max(strongest, std::abs(qGray(first.pixel(x, middle)) - qGray(second.pixel(x, middle))));
    EXPECT_GT(strongest, 100) << "the entry's text stands out from its background";
    EXPECT_TRUE(messages.Texts().isEmpty());
}

// Rows of `picture` ruled with a line: the middle differs from the margin.
std::vector<int> RuledRows(const QImage& picture) {
    std::vector<int> rows;
    for (int y = 0; y < picture.height(); ++y)
        if (std::abs(qGray(picture.pixel(picture.width() / 2, y)) - qGray(picture.pixel(1, y))) > 3) rows.push_back(y);
    return rows;
}

TEST(MainWindowSkin, DeviceNamesSitBetweenTheRulesOfTheSampleSkinsLists) {
    Install install;
    for (const char* current : {"0", "1"}) {
        SCOPED_TRACE(current);
        CquabrelDlg window(install.Skins(current), install.ExeDir(), kNoBanner);
        auto* list = window.Item<CMyListBox>(1001);
        const QImage picture = list->BackgroundPicture();
        ASSERT_FALSE(picture.isNull());
        const std::vector<int> rules = RuledRows(picture);
        ASSERT_GE(rules.size(), 4u) << "the picture is ruled";
        const int pitch = rules[1] - rules[0];
        for (std::size_t i = 1; i < rules.size(); ++i) ASSERT_EQ(rules[i] - rules[i - 1], pitch) << "evenly";

        list->clear();
        for (const char* name : {"Alpha", "Bravo", "Charlie", "Delta", "Echo", "Foxtrot", "Golf", "Hotel"})
            list->addItem(QString::fromLatin1(name));
        window.show();
        QApplication::processEvents();
        for (int row = 0; row < list->count(); ++row) {
            const QRect r = list->visualItemRect(list->item(row));
            EXPECT_EQ(r.height(), pitch) << "row " << row;
            for (int rule : rules)
                if (rule > r.top() && rule < r.bottom()) ADD_FAILURE() << "the rule at " << rule << " crosses row " << row;
        }
        // Scrolled by a row, the names keep to the rules.
        list->verticalScrollBar()->setValue(1);
        QApplication::processEvents();
        const QRect top = list->visualItemRect(list->item(1));
        EXPECT_EQ(top.top(), 0) << "rows scroll whole, so they stay on the picture's lines";
    }
}

// ---------------------------------------------------------------- commands

// Names of a menu's entries, in order, without separators.
QStringList Entries(const QMenu& menu) {
    QStringList names;
    for (const QAction* action : menu.actions())
        if (!action->isSeparator()) names << action->text();
    return names;
}

std::vector<int> CheckedIds(const QMenu& menu) {
    std::vector<int> ids;
    for (const QAction* action : menu.actions())
        if (action->isChecked()) ids.push_back(action->data().toInt());
    return ids;
}

// A notification area that records what it is asked, and can refuse.
class FakeTray : public TrayHost {
public:
    struct State {
        bool available = true, removable = true, shown = false;
        QString tip;
        Callbacks callbacks;
    };
    explicit FakeTray(State& state) : m_state(state) {}
    bool Add(const QIcon& icon, const QString& tip, const Callbacks& callbacks) override {
        if (!m_state.available || icon.isNull()) return false;
        m_state.shown = true;
        m_state.tip = tip;
        m_state.callbacks = callbacks;
        return true;
    }
    bool Remove() override {
        if (!m_state.removable) return false;
        m_state.shown = false;
        return true;
    }

private:
    State& m_state;
};

// A shown window whose notification area is a FakeTray.
struct WindowWithTray {
    WindowWithTray() {
        window.Tray().SetHost(std::make_unique<FakeTray>(tray));
        window.show();
    }
    Install install;
    FakeTray::State tray;
    CquabrelDlg window{install.Skins("0"), install.ExeDir(), kNoBanner};
};

TEST(Commands, TheSkinMenuOffersEveryLoadedSkinUpToTwentyWithOneCheck) {
    Install install;
    MessageRecorder messages;
    CquabrelDlg window(install.Skins("1"), install.ExeDir(), kNoBanner);
    EXPECT_EQ(Entries(*window.SkinMenu()), QStringList({"Default", "Aurora"})) << "entry 0 is always Default";
    EXPECT_EQ(CheckedIds(*window.SkinMenu()), std::vector<int>{32}) << "the skin shown at start";
    window.SkinMenu()->actions()[0]->trigger();
    EXPECT_EQ(window.SkinFile(), install.ExeDir() + "skin/graphite/graphite.ini");
    EXPECT_EQ(CheckedIds(*window.SkinMenu()), std::vector<int>{31});
    window.SkinMenu()->actions()[1]->trigger();
    EXPECT_EQ(window.SkinFile(), install.ExeDir() + "skin/aurora/aurora.ini");
    EXPECT_EQ(CheckedIds(*window.SkinMenu()), std::vector<int>{32});

    // 25 skins: the 21st would get id 51, the driver settings' command.
    std::string more;
    for (int i = 2; i < 25; ++i)
        more += "[case" + std::to_string(i) + "]\nName=Skin " + std::to_string(i) +
                "\nDirectory=aurora\niniFile=aurora.ini\n";
    CquabrelDlg crowded(install.Skins("0", more, 25), install.ExeDir(), kNoBanner);
    const QList<QAction*> offered = crowded.SkinMenu()->actions();
    ASSERT_EQ(offered.size(), 20);
    EXPECT_EQ(offered.back()->data().toInt(), 50);
    EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join("|").toStdString();
}

TEST(Commands, IdsWithoutMeaningDoNothingAndTheDriverCommandsSayWhyNot) {
    Install install;
    MessageRecorder messages;
    CquabrelDlg window(install.Skins("0"), install.ExeDir(), kNoBanner);
    const std::string skin = window.SkinFile();
    for (int id : {30, 32771, 32777, 51}) window.OnCommand(id);
    EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join("|").toStdString();
    EXPECT_EQ(window.SkinFile(), skin);
    window.OnCommand(32784);
    window.OnCommand(52);
    EXPECT_EQ(messages.Texts(),
              QStringList({"Select a video resource first.", "The driver does not support this feature."}));
}

TEST(Commands, PopupsOpenBelowTheLeftOfTheirButtonAndTheAdvancedMenuIsBuiltOnce) {
    Install install;
    CquabrelDlg window(install.Skins("0"), install.ExeDir(), kNoBanner);
    window.show();
    for (int round = 0; round < 2; ++round) {
        window.Item<CxSkinButton>(1026)->click();
        QMenu* advanced = window.AdvancedMenu();
        ASSERT_TRUE(advanced->isVisible());
        EXPECT_EQ(advanced->pos(), window.Item<CxSkinButton>(1026)->mapToGlobal(QPoint(-35, 21)));
        EXPECT_EQ(Entries(*advanced), QStringList({"Audio Capture Devices", "Skin", "Crossbar..."}));
        advanced->close();
    }
    window.Item<CxSkinButton>(1005)->click();
    auto* files = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(files, nullptr);
    EXPECT_EQ(Entries(*files), QStringList({"Video File...", "Audio File...", "Image File..."}));
    EXPECT_EQ(files->pos(), window.Item<CxSkinButton>(1005)->mapToGlobal(QPoint(-35, 21)));
    files->close();
}

TEST(Commands, HelpOpensTheSiteHelpPageAndSoundTogglesItsPictureAndTheSession) {
    Install install;
    CquabrelDlg window(install.Skins("0"), install.ExeDir(), kNoBanner);
    std::vector<QUrl> opened;
    const UrlOpener previous = SetUrlOpener([&](const QUrl& url) { opened.push_back(url); });
    window.Item<CxSkinButton>(1038)->click();
    SetUrlOpener(previous);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toString(), ProductSite() + "/help");

    auto* sound = window.Item<CxSkinButton>(1030);
    const QImage on = testing::Paint(*sound);
    sound->click();
    EXPECT_FALSE(window.SoundOn());
    EXPECT_TRUE(window.Capture().Muted()) << "graphs built from now on start silent";
    EXPECT_NE(testing::Paint(*sound), on) << "the muted picture";
    sound->click();
    EXPECT_TRUE(window.SoundOn());
    EXPECT_FALSE(window.Capture().Muted());
    EXPECT_EQ(testing::Paint(*sound), on);

    // A skin applied while muted shows "Sound"; the next press unmutes and
    // keeps that picture.
    sound->click();
    window.OnCommand(31);
    EXPECT_FALSE(window.SoundOn());
    EXPECT_EQ(testing::Paint(*sound), on);
    sound->click();
    EXPECT_TRUE(window.SoundOn());
    EXPECT_EQ(testing::Paint(*sound), on);
}

TEST(Commands, ProgramsStartedForTheUserDoNotInheritOurOwnSettings) {
    SetOwnVariable("QUABREL_TEST_OWN_SETTING", "1");
    EXPECT_TRUE(QProcessEnvironment::systemEnvironment().contains("QUABREL_TEST_OWN_SETTING"));
    const QProcessEnvironment launched = LaunchEnvironment();
    EXPECT_FALSE(launched.contains("QUABREL_TEST_OWN_SETTING"));
    EXPECT_EQ(launched.value("PATH"), QProcessEnvironment::systemEnvironment().value("PATH"));
    qunsetenv("QUABREL_TEST_OWN_SETTING");
}

TEST(Commands, TheWindowMenuOpensOnTheFreeFaceAndWithAltSpaceAndItsEntriesAct) {
    WindowWithTray rig;
    CquabrelDlg& window = rig.window;
    QMenu* menu = window.SystemMenu();
    const QPoint face(390, 62);  // under the skin's name, away from every control
    ASSERT_EQ(window.childAt(face), nullptr);
    QContextMenuEvent onFace(QContextMenuEvent::Mouse, face, window.mapToGlobal(face));
    QApplication::sendEvent(&window, &onFace);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->pos(), window.mapToGlobal(face));
    menu->close();
    QKeyEvent altSpace(QEvent::KeyPress, Qt::Key_Space, Qt::AltModifier);
    QApplication::sendEvent(&window, &altSpace);
    EXPECT_TRUE(menu->isVisible());
    menu->close();

    // Its entries reach the same handlers as the tray's and the buttons'.
    window.OnCommand(CquabrelDlg::kCmdToTray);
    EXPECT_FALSE(window.isVisible());
    window.OnCommand(CquabrelDlg::kCmdRestore);
    EXPECT_TRUE(window.isVisible());
    QSignalSpy finished(&window, &QDialog::finished);
    menu->actions()[1]->trigger();  // Close
    EXPECT_EQ(finished.count(), 1);
}

TEST(Commands, ExitEndsTheWindowWithTheIconStillShown) {
    WindowWithTray rig;
    CquabrelDlg& window = rig.window;
    FakeTray::State& tray = rig.tray;
    window.OnToTray();
    QSignalSpy finished(&window, &QDialog::finished);
    window.OnCommand(CquabrelDlg::kCmdExit);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_TRUE(tray.shown) << "the exit path leaves the icon to the desktop";
}

TEST(Tray, HideRestoreAndEveryFailureLeaveTheUserAWindowOrAnIcon) {
    WindowWithTray rig;
    CquabrelDlg& window = rig.window;
    FakeTray::State& tray = rig.tray;

    window.Item<CxSkinButton>(1015)->click();  // Hide to tray
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(tray.shown);
    EXPECT_EQ(tray.tip, "QuabreL");
    EXPECT_TRUE(window.Tray().GetOption());
    EXPECT_FALSE(window.Tray().AddIcon()) << "a second add does nothing";

    tray.callbacks.doubleClicked();
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(tray.shown);
    EXPECT_FALSE(window.Tray().GetOption()) << "after a restore a minimise goes to the task bar";

    // Right press: the two-entry menu at the pointer; "&Restore" restores.
    window.OnToTray();
    tray.callbacks.rightPressed(QPoint(300, 200));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Entries(*menu), QStringList({"&Restore", "E&xit"}));
    EXPECT_EQ(menu->pos(), QPoint(300, 200));
    menu->actions()[0]->trigger();
    menu->close();
    EXPECT_TRUE(window.isVisible());

    // A removal that fails leaves the window hidden, and is tried again.
    window.OnToTray();
    tray.removable = false;
    tray.callbacks.doubleClicked();
    EXPECT_FALSE(window.isVisible());
    tray.removable = true;
    window.OnRestore();
    EXPECT_TRUE(window.isVisible());

    // No notification area: the window stays.
    tray.available = false;
    window.OnToTray();
    EXPECT_TRUE(window.isVisible());
    window.OnSysCommand(CquabrelDlg::kScMinimize);
    EXPECT_FALSE(window.Tray().IconShown());
}

TEST(Tray, AWindowMenuMinimiseGoesToTheTrayWhileTheOptionIsOnTheButtonNever) {
    WindowWithTray rig;
    CquabrelDlg& window = rig.window;
    FakeTray::State& tray = rig.tray;
    window.OnSysCommand(CquabrelDlg::kScMinimize + 2);  // the low bits do not matter
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(tray.shown);
    window.OnRestore();
    ASSERT_TRUE(window.isVisible());

    // Minimised by the window manager or the task bar: the same.
    window.Tray().SetOption(true);
    window.setWindowState(Qt::WindowMinimized);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(tray.shown);
    window.OnRestore();
    ASSERT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());

    window.OnToTray();
    window.OnRestore();
    window.Tray().SetOption(true);
    window.Item<CxSkinButton>(1037)->click();  // Minimize
    EXPECT_FALSE(tray.shown) << "the Minimize button never involves the tray";
    EXPECT_EQ(window.windowTitle(), "quabrel");
}

}  // namespace
}  // namespace quabrel
