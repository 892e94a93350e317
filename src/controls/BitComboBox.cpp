#include "controls/BitComboBox.h"

#include "skin/ResourceImages.h"

#include <QPainter>

namespace quabrel {

int CBitComboBox::s_textIndent = 0;

namespace {

QImage Bitmap(int32_t id) { return id != 0 ? LoadBitmapResource(id) : QImage(); }

}  // namespace

CBitListBox::CBitListBox(CBitComboBox& owner) : m_owner(owner) {}

void CBitListBox::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    m_owner.PaintList(painter, viewport()->rect());
}

CBitComboBox::CBitComboBox(QWidget* parent) : QComboBox(parent), m_listBox(new CBitListBox(*this)) {
    setView(m_listBox);  // the box owns the view from here on
}

CBitComboBox::~CBitComboBox() = default;

void CBitComboBox::SetComboBitmaps(int32_t left, int32_t right, int32_t middle) {
    m_leftBitmapId = left;
    m_rightBitmapId = right;
    m_middleBitmapId = middle;
}

void CBitComboBox::SetListBitmaps(int32_t left, int32_t right, int32_t top, int32_t bottom) {
    m_listLeftBitmapId = left;
    m_listRightBitmapId = right;
    m_listTopBitmapId = top;
    m_listBottomBitmapId = bottom;
}

void CBitComboBox::SetSelectedColors(COLORREF background, COLORREF text) {
    m_selectedBackColor = background;
    m_selectedTextColor = text;
}

void CBitComboBox::SetColors(COLORREF background, COLORREF text) {
    m_backColor = background;
    m_textColor = text;
}

void CBitComboBox::showPopup() {
    // The list becomes ours to paint once it has been shown.
    m_listKnown = true;
    QComboBox::showPopup();
}

QRect CBitComboBox::TextBand() const {
    const int leftWidth = Bitmap(m_leftBitmapId).width();
    const int rightWidth = Bitmap(m_rightBitmapId).width();
    const QRect r = rect();
    return QRect(QPoint(r.left() + leftWidth, r.top() + 3), QPoint(r.right() - rightWidth, r.bottom() - 8));
}

void CBitComboBox::paintEvent(QPaintEvent*) {
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

void CBitComboBox::PaintList(QPainter& painter, const QRect& client) {
    painter.fillRect(client, ToQColor(m_backColor));
    const auto edge = [&](int32_t id, auto place) {
        const QImage image = Bitmap(id);
        if (!image.isNull()) painter.drawImage(place(image.width(), image.height()), image);
    };
    edge(m_listLeftBitmapId, [&](int w, int) { return QRect(client.left(), client.top(), w, client.bottom() + 1); });
    edge(m_listRightBitmapId, [&](int w, int) { return QRect(client.right() + 1 - w, client.top(), w, client.bottom() + 1); });
    edge(m_listTopBitmapId, [&](int, int h) { return QRect(client.left(), client.top(), client.right() + 1, h); });
    edge(m_listBottomBitmapId, [&](int, int h) { return QRect(client.left(), client.bottom() + 1 - h, client.right() + 1, h); });

    const int leftWidth = Bitmap(m_leftBitmapId).width();
    painter.setPen(ToQColor(m_textColor));
    painter.setFont(m_listBox->font());
    for (int i = 0; i < count(); ++i) {
        QRect item = m_listBox->visualRect(model()->index(i, modelColumn()));
        item.setLeft(item.left() + leftWidth + 5);
        s_textIndent = item.left();
        painter.drawText(item, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, itemText(i));
    }
}

}  // namespace quabrel
