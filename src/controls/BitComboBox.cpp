#include "controls/BitComboBox.h"

#include "skin/ResourceImages.h"

#include <QApplication>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>

namespace quabrel {

int CBitComboBox::s_textIndent = 0;

namespace {

QImage Bitmap(int32_t id) { return id != 0 ? LoadBitmapResource(id) : QImage(); }

// Between an edge picture and the nearest row, so no text touches an edge.
constexpr int kRowGap = 2;

// Styles that open a drop-down list as a menu line its current entry up
// with the box, so from the second entry on the list covers the box and
// the label above it. This box's list always drops below it, like a plain
// list, starting under the box's last row of pixels rather than on it.
class DropBelowStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ComboBox_Popup) return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
                         const QWidget* widget) const override {
        QRect r = QProxyStyle::subControlRect(control, option, part, widget);
        if (control == CC_ComboBox && part == SC_ComboBoxListBoxPopup) r.setBottom(r.bottom() + 1);
        return r;
    }
};

}  // namespace

CBitListBox::CBitListBox(CBitComboBox& owner) : m_owner(owner) {}

bool CBitListBox::event(QEvent* e) {
    // The strips above and below the rows are the list's own, not its
    // viewport's: the edge pictures go there.
    if (e->type() == QEvent::Paint && m_owner.Dressed()) {
        QPainter painter(this);
        m_owner.PaintList(painter, rect(), false);
        return true;
    }
    return QListView::event(e);
}

void CBitListBox::paintEvent(QPaintEvent* e) {
    if (!m_owner.Dressed()) {
        QListView::paintEvent(e);
        return;
    }
    QPainter painter(viewport());
    // One picture of the whole list, of which the viewport shows its part.
    painter.translate(-viewport()->pos());
    m_owner.PaintList(painter, rect(), true);
}

CBitComboBox::CBitComboBox(QWidget* parent) : QComboBox(parent), m_listBox(new CBitListBox(*this)) {
    // Before the view: the list's container takes its manner from the style
    // when it is made.
    auto* style = new DropBelowStyle(QStyleFactory::create(QApplication::style()->name()));
    style->setParent(this);
    setStyle(style);
    setView(m_listBox);  // the box owns the view from here on
}

CBitComboBox::~CBitComboBox() = default;

void CBitComboBox::SetComboBitmaps(int32_t left, int32_t right, int32_t middle) {
    m_leftBitmapId = left;
    m_rightBitmapId = right;
    m_middleBitmapId = middle;
    m_dressed = true;
}

void CBitComboBox::SetListBitmaps(int32_t left, int32_t right, int32_t top, int32_t bottom) {
    m_listLeftBitmapId = left;
    m_listRightBitmapId = right;
    m_listTopBitmapId = top;
    m_listBottomBitmapId = bottom;
    m_dressed = true;
}

void CBitComboBox::SetSelectedColors(COLORREF background, COLORREF text) {
    m_selectedBackColor = background;
    m_selectedTextColor = text;
    m_dressed = true;
}

void CBitComboBox::SetColors(COLORREF background, COLORREF text) {
    m_backColor = background;
    m_textColor = text;
    m_dressed = true;
}

void CBitComboBox::FitListToEdges() {
    if (!m_dressed) {
        m_listBox->SetRowMargins(0, 0);
        return;
    }
    m_listBox->SetRowMargins(Bitmap(m_listTopBitmapId).height() + kRowGap, Bitmap(m_listBottomBitmapId).height() + kRowGap);
}

void CBitComboBox::showPopup() {
    // The list becomes ours to paint once it has been shown.
    m_listKnown = true;
    // The box sizes the list from its rows and margins: the margins must be
    // those of the current edge pictures by then.
    FitListToEdges();
    QComboBox::showPopup();
}

QRect CBitComboBox::TextBand() const {
    const int leftWidth = Bitmap(m_leftBitmapId).width();
    const int rightWidth = Bitmap(m_rightBitmapId).width();
    const QRect r = rect();
    return QRect(QPoint(r.left() + leftWidth, r.top() + 3), QPoint(r.right() - rightWidth, r.bottom() - 8));
}

void CBitComboBox::paintEvent(QPaintEvent* event) {
    if (!m_dressed) {
        QComboBox::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const QRect r = rect();
    const QImage left = Bitmap(m_leftBitmapId), right = Bitmap(m_rightBitmapId), middle = Bitmap(m_middleBitmapId);
    if (!left.isNull()) painter.drawImage(r.topLeft(), left);
    if (!right.isNull()) painter.drawImage(QPoint(r.left() + r.width() - right.width(), r.top()), right);
    if (!middle.isNull())
        painter.drawImage(QRect(r.left() + left.width(), r.top(), r.width() - right.width() - left.width(), middle.height()), middle);
    painter.fillRect(TextBand(), ToQColor(m_backColor));
    painter.setPen(ToQColor(m_textColor));
    if (m_listKnown) painter.setFont(m_listBox->font());
    painter.drawText(r.adjusted(s_textIndent, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, currentText());
}

void CBitComboBox::PaintList(QPainter& painter, const QRect& client, bool items) {
    painter.fillRect(client, ToQColor(m_backColor));
    const auto edge = [&](int32_t id, auto place) {
        const QImage image = Bitmap(id);
        if (!image.isNull()) painter.drawImage(place(image.width(), image.height()), image);
    };
    edge(m_listLeftBitmapId, [&](int w, int) { return QRect(client.left(), client.top(), w, client.bottom() + 1); });
    edge(m_listRightBitmapId, [&](int w, int) { return QRect(client.right() + 1 - w, client.top(), w, client.bottom() + 1); });
    edge(m_listTopBitmapId, [&](int, int h) { return QRect(client.left(), client.top(), client.right() + 1, h); });
    edge(m_listBottomBitmapId, [&](int, int h) { return QRect(client.left(), client.bottom() + 1 - h, client.right() + 1, h); });
    if (!items) return;

    const int leftWidth = Bitmap(m_leftBitmapId).width();
    const QPoint rowsOrigin = m_listBox->viewport()->pos();
    painter.setPen(ToQColor(m_textColor));
    painter.setFont(m_listBox->font());
    for (int i = 0; i < count(); ++i) {
        QRect item = m_listBox->visualRect(model()->index(i, modelColumn()));
        item.setLeft(item.left() + leftWidth + 5);
        s_textIndent = item.left();
        painter.drawText(item.translated(rowsOrigin), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, itemText(i));
    }
}

}  // namespace quabrel
