#include "controls/ControlPainting.h"
#include "controls/BitComboBox.h"
#include "controls/Explorer1.h"
#include "controls/MyListBox.h"
#include "controls/MySliderControl.h"
#include "skin/ResourceImages.h"
#include "support/SkinTestUtil.h"
#include "support/TempDir.h"
#include "support/WidgetTestUtil.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <QWheelEvent>

#include <algorithm>

#include <gtest/gtest.h>

namespace quabrel {
namespace {

using testing::Click;
using testing::PicturesFrom;
using testing::DragTo;
using testing::Paint;
using testing::Press;
using testing::Release;
using testing::Solid;
using testing::TempDir;

// A parent painted in one flat colour, so what shows through is known.
struct Backdrop : QWidget {
    explicit Backdrop(QRgb colour) { SetColour(colour); }
    void SetColour(QRgb colour) {
        QPalette p = palette();
        p.setColor(QPalette::Window, QColor(colour));
        setPalette(p);
        setAutoFillBackground(true);
        update();
    }
};

// Paints each pixel with its own coordinates: red x, green y.
struct CoordinatePainter : QWidget {
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        for (int y = 0; y < height(); ++y)
            for (int x = 0; x < width(); ++x) {
                painter.setPen(QColor(x, y, 0));
                painter.drawPoint(x, y);
            }
    }
};

TEST(Backdrop, IsWhatTheParentPaintsBehindEvenAtTheEdgeOfItsShape) {
    CoordinatePainter parent;
    parent.resize(100, 100);
    QWidget child(&parent);
    child.setGeometry(10, 10, 30, 30);
    EXPECT_EQ(BackdropOf(child, child.rect(), Qt::black).pixel(5, 7), qRgb(15, 17, 0));
    // A shape that cuts off the child's top-left corner moves render()'s
    // origin; the backdrop must not move with it.
    parent.setMask(QRegion(0, 0, 100, 100) - QRegion(0, 0, 20, 20));
    const QImage cut = BackdropOf(child, child.rect(), Qt::black);
    EXPECT_EQ(cut.pixel(25, 25), qRgb(35, 35, 0));
    EXPECT_EQ(cut.pixel(15, 2), qRgb(25, 12, 0));
    EXPECT_EQ(BackdropOf(child, QRect(20, 5, 4, 4), Qt::black).pixel(1, 1), qRgb(31, 16, 0)) << "part of the child";
}

// ---------------------------------------------------------------- slider

struct SliderRig {
    explicit SliderRig(Qt::Orientation o) : parent(0xFF336699), slider(new CMySliderControl(o, &parent)) {
        parent.resize(200, 120);
        slider->setGeometry(o == Qt::Horizontal ? QRect(10, 10, 144, 18) : QRect(10, 10, 15, 91));
        slider->setRange(0, 100);
        slider->setValue(50);
        parent.show();
    }
    Backdrop parent;
    CMySliderControl* slider;
};

TEST(SliderControl, OneReleaseNotificationPerMousePressAndNoneFromTheKeyboard) {
    SliderRig rig(Qt::Horizontal);
    QSignalSpy released(rig.slider, &CMySliderControl::releasedCapture);

    const QPoint thumb = rig.slider->ThumbRect().center();
    Press(*rig.slider, thumb);
    EXPECT_TRUE(rig.slider->IsDragging());
    DragTo(*rig.slider, thumb + QPoint(30, 0));
    DragTo(*rig.slider, thumb + QPoint(40, 0));
    EXPECT_GT(rig.slider->sliderPosition(), 50);
    EXPECT_EQ(released.count(), 0) << "nothing while the drag goes on";
    Release(*rig.slider, thumb + QPoint(40, 0));
    EXPECT_EQ(released.count(), 1);

    const int before = rig.slider->value();
    Click(*rig.slider, {2, 9});  // on the channel, left of the thumb
    EXPECT_EQ(rig.slider->value(), before - rig.slider->pageStep());
    EXPECT_EQ(released.count(), 2);

    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(rig.slider, &right);
    QWheelEvent wheel(QPointF(20, 9), QPointF(20, 9), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    QApplication::sendEvent(rig.slider, &wheel);
    EXPECT_NE(rig.slider->value(), before - rig.slider->pageStep()) << "the keyboard still moves the slider";
    EXPECT_EQ(released.count(), 2);
}

TEST(SliderControl, MinimumSitsLeftAndTop) {
    for (Qt::Orientation o : {Qt::Horizontal, Qt::Vertical}) {
        SliderRig rig(o);
        rig.slider->setValue(0);
        const QPoint low = rig.slider->ThumbRect().center();
        rig.slider->setValue(100);
        const QPoint high = rig.slider->ThumbRect().center();
        EXPECT_LT(o == Qt::Horizontal ? low.x() : low.y(), o == Qt::Horizontal ? high.x() : high.y());
        EXPECT_TRUE(rig.slider->rect().contains(rig.slider->ThumbRect()));
    }
}

TEST(SliderControl, ArrowKeysMoveTheThumbTheWayTheyPoint) {
    SliderRig vertical(Qt::Vertical);
    const int top = vertical.slider->ThumbRect().top();
    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QApplication::sendEvent(vertical.slider, &up);
    EXPECT_LT(vertical.slider->ThumbRect().top(), top);
    SliderRig horizontal(Qt::Horizontal);
    const int left = horizontal.slider->ThumbRect().left();
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(horizontal.slider, &right);
    EXPECT_GT(horizontal.slider->ThumbRect().left(), left);
}

TEST(SliderControl, ThumbColourZeroMeansThePaletteColour) {
    SliderRig rig(Qt::Horizontal);
    rig.slider->SetThumbColors(0, 0);
    EXPECT_EQ(rig.slider->ThumbColor(false), rig.slider->palette().color(QPalette::Button));
    EXPECT_EQ(rig.slider->ThumbColor(true), rig.slider->palette().color(QPalette::Light));
    rig.slider->SetThumbColors(MakeColorRef(255, 0, 0), MakeColorRef(0, 0, 255));
    EXPECT_EQ(rig.slider->ThumbColor(false), QColor(255, 0, 0));
    EXPECT_EQ(rig.slider->ThumbColor(true), QColor(0, 0, 255));
    EXPECT_EQ(Paint(*rig.slider).pixel(rig.slider->ThumbRect().center()), 0xFFFF0000);
}

TEST(SliderControl, SunkenEdgeIsWiderOrTallerThanTheChannel) {
    SliderRig vertical(Qt::Vertical);
    EXPECT_EQ(vertical.slider->ChannelEdgeRect().width(), vertical.slider->ChannelRect().width() + 2);
    EXPECT_EQ(vertical.slider->ChannelEdgeRect().height(), vertical.slider->ChannelRect().height());
    SliderRig horizontal(Qt::Horizontal);
    EXPECT_EQ(horizontal.slider->ChannelEdgeRect().height(), horizontal.slider->ChannelRect().height() + 4);
    EXPECT_EQ(horizontal.slider->ChannelEdgeRect().width(), horizontal.slider->ChannelRect().width());
}

TEST(SliderControl, TheBackgroundBehindIsCopiedOnceUntilReset) {
    SliderRig rig(Qt::Horizontal);
    EXPECT_FALSE(rig.slider->HasBackgroundSnapshot());
    EXPECT_EQ(Paint(*rig.slider).pixel(1, 1), 0xFF336699);
    EXPECT_TRUE(rig.slider->HasBackgroundSnapshot());
    // The channel's inside shows the background too.
    EXPECT_EQ(Paint(*rig.slider).pixel(rig.slider->ChannelRect().center() + QPoint(40, 0)), 0xFF336699);

    rig.parent.SetColour(0xFF00AA00);
    EXPECT_EQ(Paint(*rig.slider).pixel(1, 1), 0xFF336699) << "painting reuses the copy";
    rig.slider->ResetBackground();
    EXPECT_EQ(Paint(*rig.slider).pixel(1, 1), 0xFF00AA00);
}

TEST(SliderControl, DestroyedBeforeEverPainted) {
    auto* slider = new CMySliderControl(Qt::Vertical);
    EXPECT_FALSE(slider->HasBackgroundSnapshot());
    delete slider;
}

// ---------------------------------------------------------------- frame-rate box

struct ComboRig {
    ComboRig() : parent(0xFF000000), combo(new CBitComboBox(&parent)) {
        parent.resize(240, 60);
        combo->setGeometry(10, 10, 165, 21);
        for (const char* text : {"Default Frame rate", "5 f/Sec", "10 f/Sec"}) combo->addItem(QString::fromLatin1(text));
        combo->SetColors(MakeColorRef(115, 138, 154), MakeColorRef(255, 255, 255));
        combo->SetSelectedColors(MakeColorRef(115, 138, 174), MakeColorRef(255, 255, 255));
        CBitComboBox::ResetTextIndent();
        parent.show();
    }
    Backdrop parent;
    CBitComboBox* combo;
};

constexpr QRgb kSlate = 0xFF738A9A;  // RGB(115, 138, 154)

TEST(BitComboBox, WithoutBitmapsTheFaceIsTheBandAndTheText) {
    ComboRig rig;
    EXPECT_EQ(rig.combo->TextBand(), QRect(0, 3, 165, 21 - 3 - 8));
    const QImage face = Paint(*rig.combo);
    EXPECT_EQ(face.pixel(160, 4), kSlate) << "band from 3 pixels below the top";
    EXPECT_EQ(face.pixel(160, 12), kSlate) << "to 8 pixels above the bottom";
    EXPECT_EQ(face.pixel(160, 1), 0xFF000000) << "nothing of its own above the band";
    EXPECT_EQ(face.pixel(160, 18), 0xFF000000) << "nor below it";
}

TEST(BitComboBox, FacePiecesFrameTheBand) {
    ComboRig rig;
    rig.combo->SetComboBitmaps(173, 168, 172);
    const int left = LoadBitmapResource(173).width(), right = LoadBitmapResource(168).width();
    ASSERT_GT(left, 0);
    ASSERT_GT(right, 0);
    EXPECT_EQ(rig.combo->TextBand(), QRect(QPoint(left, 3), QPoint(164 - right, 12)));
    const QImage face = Paint(*rig.combo);
    EXPECT_EQ(face.pixel(164 - right / 2, 10), LoadBitmapResource(168).pixel(right / 2, 10)) << "drop button at the right";
    EXPECT_EQ(face.pixel(0, 18), LoadBitmapResource(173).pixel(0, 18)) << "left cap";
}

TEST(BitComboBox, FaceTextMovesRightOnceTheListHasBeenPainted) {
    ComboRig rig;
    rig.combo->SetComboBitmaps(173, 168, 172);
    rig.combo->SetListBitmaps(169, 170, 171, 174);
    EXPECT_EQ(CBitComboBox::TextIndent(), 0);
    Paint(*rig.combo);
    EXPECT_EQ(CBitComboBox::TextIndent(), 0) << "the face alone moves nothing";

    rig.combo->showPopup();
    QWidget* list = rig.combo->view()->viewport();
    const QImage shown = Paint(*list);
    EXPECT_TRUE(rig.combo->ListKnown());
    EXPECT_EQ(CBitComboBox::TextIndent(), LoadBitmapResource(173).width() + 5);

    // Every item in the normal colours: no trace of the selected colour,
    // and the flat background between the edges.
    const QRgb selected = 0xFF738AAE;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) ASSERT_NE(shown.pixel(x, y), selected) << x << "," << y;
    EXPECT_EQ(shown.pixel(shown.width() - 6, shown.height() / 2), kSlate);
    EXPECT_EQ(shown.pixel(0, shown.height() / 2), LoadBitmapResource(169).pixel(0, 0)) << "left edge";
    rig.combo->hidePopup();
}

// The window's frame-rate box: all six entries, dressed as both skin kinds
// dress it, or left as it is when no skin is applied.
struct FrameRateRig {
    explicit FrameRateRig(bool dressed) : parent(0xFF000000), combo(new CBitComboBox(&parent)) {
        parent.resize(300, 80);
        combo->setGeometry(10, 40, 165, 21);
        for (const char* text : {"Default Frame rate", "5 f/Sec", "10 f/Sec", "15 f/Sec", "20 f/Sec", "25 f/Sec"})
            combo->addItem(QString::fromLatin1(text));
        combo->setMaxVisibleItems(6);
        if (dressed) {
            combo->SetComboBitmaps(173, 168, 172);
            combo->SetListBitmaps(169, 170, 171, 174);
            combo->SetSelectedColors(MakeColorRef(115, 138, 174), MakeColorRef(255, 255, 255));
            combo->SetColors(MakeColorRef(115, 138, 154), MakeColorRef(255, 255, 255));
        }
        parent.move(40, 30);
        parent.show();
    }
    Backdrop parent;
    CBitComboBox* combo;
};

TEST(BitComboBox, ListDropsBelowTheBoxWithEveryEntryWhole) {
    for (bool dressed : {true, false}) {
        FrameRateRig rig(dressed);
        const int topEdge = dressed ? LoadBitmapResource(171).height() : 0;
        const int bottomEdge = dressed ? LoadBitmapResource(174).height() : 0;
        for (int current = 0; current < rig.combo->count(); ++current) {
            SCOPED_TRACE(::testing::Message() << (dressed ? "dressed" : "plain") << ", current entry " << current);
            rig.combo->setCurrentIndex(current);
            rig.combo->showPopup();
            QAbstractItemView* view = rig.combo->view();
            ASSERT_TRUE(view->isVisible());
            const QRect popup = view->window()->geometry();
            const QRect box(rig.combo->mapToGlobal(QPoint(0, 0)), rig.combo->size());
            EXPECT_GT(popup.top(), box.bottom()) << "below the box, never over it or its label";
            EXPECT_LE(popup.bottom(), rig.combo->screen()->geometry().bottom());
            for (int row = 0; row < rig.combo->count(); ++row) {
                const QRect item = view->visualRect(rig.combo->model()->index(row, 0));
                EXPECT_TRUE(view->viewport()->rect().contains(item)) << "row " << row << " is shown whole";
                // In the list's own coordinates: clear of the top and bottom
                // edge pictures, with at least a pixel to spare when dressed.
                const QRect inList = item.translated(view->viewport()->pos());
                const int spare = dressed ? 1 : 0;
                EXPECT_GE(inList.top(), topEdge + spare) << "row " << row;
                EXPECT_LE(inList.bottom(), view->height() - 1 - bottomEdge - spare) << "row " << row;
            }
            rig.combo->hidePopup();
        }
    }
}

TEST(BitComboBox, ListShowsEveryEntrysTextBetweenItsEdges) {
    FrameRateRig rig(true);
    rig.combo->setCurrentIndex(5);
    rig.combo->showPopup();
    QAbstractItemView* view = rig.combo->view();
    const QImage list = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (int row = 0; row < rig.combo->count(); ++row) {
        const QRect item = view->visualRect(rig.combo->model()->index(row, 0)).translated(view->viewport()->pos());
        int ink = 0;
        for (int y = item.top(); y <= item.bottom(); ++y)
            for (int x = item.left(); x <= item.right(); ++x) ink += qGray(list.pixel(x, y)) > 200;
        EXPECT_GT(ink, 10) << "white text of row " << row;
    }
    EXPECT_EQ(list.pixel(list.width() / 2, 0), LoadBitmapResource(171).pixel(7, 0)) << "top edge";
    EXPECT_EQ(list.pixel(list.width() / 2, list.height() - 1), LoadBitmapResource(174).pixel(7, 2)) << "bottom edge";
    rig.combo->hidePopup();
}

TEST(BitComboBox, UndressedItIsAnOrdinaryLegibleBox) {
    FrameRateRig rig(false);
    // What it says must differ from entry to entry through the middle of
    // the box, in a colour far from what lies behind it.
    const QImage first = Paint(*rig.combo);
    rig.combo->setCurrentIndex(3);
    const QImage other = Paint(*rig.combo);
    int strongest = 0;
    for (int x = 0; x < first.width(); ++x)
        strongest = std::max(strongest, std::abs(qGray(first.pixel(x, 10)) - qGray(other.pixel(x, 10))));
    EXPECT_GT(strongest, 100);
    rig.combo->showPopup();
    const QImage list = Paint(*rig.combo->view()->viewport());
    const QRect item = rig.combo->view()->visualRect(rig.combo->model()->index(0, 0));
    int darkest = 255, lightest = 0;
    for (int x = item.left(); x <= item.right(); ++x) {
        darkest = std::min(darkest, qGray(list.pixel(x, item.center().y())));
        lightest = std::max(lightest, qGray(list.pixel(x, item.center().y())));
    }
    EXPECT_GT(lightest - darkest, 100) << "the list's entries are legible too";
    rig.combo->hidePopup();
}

// ---------------------------------------------------------------- device list

struct ListRig {
    ListRig() : parent(0xFF000000), list(new CMyListBox(&parent)) {
        parent.resize(220, 140);
        list->setGeometry(10, 10, 163, 103);
        parent.show();
    }
    std::string SkinWithPicture(const std::string& normal) {
        Solid(163, 103, 0xFF10E020).save(QString::fromStdString(dir.Path("list.bmp")), "BMP");
        return dir.Write("skin.ini", "[VideoList]\nNormal=" + normal + "\nDown=list.bmp\n");
    }
    TempDir dir;
    Backdrop parent;
    CMyListBox* list;
};

TEST(DeviceListBox, EntriesAreSorted) {
    ListRig rig;
    for (const char* name : {"Webcam C", "Astra", "Lumen"}) rig.list->addItem(QString::fromLatin1(name));
    EXPECT_EQ(rig.list->item(0)->text(), "Astra");
    EXPECT_EQ(rig.list->item(2)->text(), "Webcam C");
}

TEST(DeviceListBox, EntriesSortAsAUserReadsThemWhateverTheirCase) {
    const QStringList expected{"Agy Cam", "ASTRA", "Astra", "astra", "quabrel", "Test Camera", "Webcam HD", "zeta"};
    // Every order of arrival gives the same list.
    QStringList arrival = expected;
    std::reverse(arrival.begin(), arrival.end());
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(arrival.join(", ").toStdString());
        ListRig rig;
        for (const QString& name : arrival) rig.list->addItem(name);
        QStringList listed;
        for (int i = 0; i < rig.list->count(); ++i) listed << rig.list->item(i)->text();
        EXPECT_EQ(listed.join(", ").toStdString(), expected.join(", ").toStdString());
        std::rotate(arrival.begin(), arrival.begin() + 3, arrival.end());
    }
    ListRig rig;
    rig.list->addItems({"b", "C", "a"});
    rig.list->insertItem(0, QStringLiteral("B"));
    QStringList listed;
    for (int i = 0; i < rig.list->count(); ++i) listed << rig.list->item(i)->text();
    EXPECT_EQ(listed.join(", ").toStdString(), "a, B, b, C") << "whichever way names come in";
}

TEST(DeviceListBox, RowsKeepTheirPitchAndALargeFontIsBroughtDownToFitThem) {
    ListRig rig;
    rig.list->addItems({"Camera", "Other camera"});
    QApplication::processEvents();
    const int pitch = rig.list->visualItemRect(rig.list->item(0)).height();
    EXPECT_EQ(rig.list->visualItemRect(rig.list->item(1)).top(), pitch) << "rows follow each other without gaps";
    QFont large = rig.list->font();
    large.setPixelSize(30);
    rig.list->setFont(large);
    QApplication::processEvents();
    EXPECT_EQ(rig.list->visualItemRect(rig.list->item(0)).height(), pitch) << "the pitch is the picture's, not the font's";
    EXPECT_LE(QFontMetrics(rig.list->font()).height(), pitch - 2) << "names fit their rows with a pixel to spare";
    EXPECT_GE(QFontMetrics(rig.list->font()).height(), pitch - 6) << "but are not shrunk further than needed";
}

TEST(DeviceListBox, TextIsDrawnOverTheSkinPictureWithoutFilling) {
    ListRig rig;
    rig.list->SetSkin(PicturesFrom("VideoList", rig.SkinWithPicture("list.bmp"), rig.dir.Path(), "bmp").normal);
    ASSERT_FALSE(rig.list->BackgroundPicture().isNull());
    rig.list->addItem(QStringLiteral("Camera"));
    rig.list->addItem(QStringLiteral("Other camera"));
    rig.list->clearFocus();
    QApplication::processEvents();  // the list lays its items out later
    const QImage shown = Paint(*rig.list->viewport());
    const QRect item = rig.list->visualItemRect(rig.list->item(1));  // neither current nor selected
    EXPECT_EQ(shown.pixel(item.right() - 2, item.center().y()), 0xFF10E020) << "beside the text: the picture";
    EXPECT_EQ(shown.pixel(5, shown.height() - 5), 0xFF10E020) << "below the items: the picture";
    bool text = false;
    for (int x = item.left(); x < item.left() + 40; ++x) text |= shown.pixel(x, item.center().y()) != 0xFF10E020;
    EXPECT_TRUE(text) << "the item's text is there";
}

TEST(DeviceListBox, OnlyTheNormalPictureCountsAndAMissingOneLeavesNone) {
    ListRig rig;
    rig.list->SetSkin(PicturesFrom("VideoList", rig.SkinWithPicture("list.bmp"), rig.dir.Path(), "bmp").normal);
    ASSERT_FALSE(rig.list->BackgroundPicture().isNull());
    rig.list->SetSkin(PicturesFrom("VideoList", rig.SkinWithPicture("gone.bmp"), rig.dir.Path(), "bmp").normal);
    EXPECT_TRUE(rig.list->BackgroundPicture().isNull()) << "Down names a picture, but only Normal is used";
    rig.list->SetSkin(PicturesFrom("VideoList", rig.SkinWithPicture(""), rig.dir.Path(), "bmp").normal);
    EXPECT_TRUE(rig.list->BackgroundPicture().isNull());
    const QImage shown = Paint(*rig.list->viewport());
    EXPECT_EQ(shown.pixel(5, 5), rig.list->palette().color(QPalette::Base).rgb());
}

TEST(DeviceListBox, UserSelectionIsReportedAndMarksOneExtraRepaint) {
    ListRig rig;
    for (const char* name : {"A", "B", "C"}) rig.list->addItem(QString::fromLatin1(name));
    QSignalSpy changes(rig.list, &CMyListBox::selChange);
    rig.list->setCurrentRow(1);
    EXPECT_EQ(changes.count(), 0) << "the program's own selection is not the user's";

    const QPoint onC = rig.list->visualItemRect(rig.list->item(2)).center();
    Click(*rig.list->viewport(), onC);
    EXPECT_EQ(rig.list->currentRow(), 2);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_TRUE(rig.list->SelectionChangedSincePress());
    Click(*rig.list->viewport(), onC);
    EXPECT_EQ(changes.count(), 2) << "a click on the selected entry selects it again";
    Click(*rig.list->viewport(), QPoint(5, rig.list->viewport()->height() - 3));
    EXPECT_EQ(changes.count(), 2) << "a click below the entries selects nothing";

    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QApplication::sendEvent(rig.list, &up);
    EXPECT_EQ(rig.list->currentRow(), 1);
    EXPECT_EQ(changes.count(), 3);
}

// ---------------------------------------------------------------- banner

TEST(Banner, WithoutTheWebEngineModuleTheAreaStaysEmptyAndQuiet) {
    TempDir nowhere;
    CExplorer1 banner;
    banner.Navigate(QUrl(QStringLiteral("https://example.invalid/banner.php")));
    banner.Start(QString::fromStdString(nowhere.Path()));
    EXPECT_FALSE(banner.IsStarted());
    EXPECT_EQ(banner.View(), nullptr);
    EXPECT_EQ(banner.Address().path(), "/banner.php") << "the page is still remembered";
}

}  // namespace
}  // namespace quabrel
