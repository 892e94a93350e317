#include "controls/MyListBox.h"

#include "controls/ListMetrics.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace quabrel {

namespace {

// An entry of the list. The list keeps its entries in order with this
// comparison, asked of the entries already there.
class DeviceEntry : public QListWidgetItem {
public:
    explicit DeviceEntry(const QString& label) : QListWidgetItem(label) {}

    bool operator<(const QListWidgetItem& other) const override {
        const QString a = text(), b = other.text();
        const int folded = QString::compare(a, b, Qt::CaseInsensitive);
        // Names equal but for case still get one order, whatever order
        // they arrived in.
        return folded != 0 ? folded < 0 : QString::compare(a, b, Qt::CaseSensitive) < 0;
    }
};

class FixedRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), kDeviceListRowHeight};
    }
};

}  // namespace

CMyListBox::CMyListBox(QWidget* parent) : QListWidget(parent) {
    setSortingEnabled(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setItemDelegate(new FixedRowDelegate(this));
    setUniformItemSizes(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    FitFontToRows();
    // Items draw no background of their own: the picture shows through.
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::transparent);
    viewport()->setAutoFillBackground(false);
    viewport()->setPalette(p);
}

CMyListBox::~CMyListBox() = default;

void CMyListBox::addItem(const QString& label) { QListWidget::addItem(new DeviceEntry(label)); }

void CMyListBox::addItems(const QStringList& labels) {
    for (const QString& label : labels) addItem(label);
}

void CMyListBox::insertItem(int row, const QString& label) { QListWidget::insertItem(row, new DeviceEntry(label)); }

void CMyListBox::FitFontToRows() {
    // A name taller than its row would run into the picture's lines: a
    // large desktop font is brought down to what the rows hold, with a
    // pixel to spare above and below.
    QFont f = font();
    const int room = kDeviceListRowHeight - 2;
    if (QFontMetrics(f).height() <= room) return;
    int size = f.pixelSize() > 0 ? f.pixelSize() : QFontInfo(f).pixelSize();
    while (size > 6 && QFontMetrics(f).height() > room) f.setPixelSize(--size);
    setFont(f);
}

void CMyListBox::changeEvent(QEvent* event) {
    QListWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) FitFontToRows();
}

void CMyListBox::SetSkin(const QImage& picture) {
    m_bmpBackground = picture;
    viewport()->update();
}

void CMyListBox::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(viewport());
        painter.fillRect(viewport()->rect(), palette().color(QPalette::Base));
        // At its own size from the top-left corner: neither stretched nor tiled.
        if (!m_bmpBackground.isNull()) painter.drawImage(0, 0, m_bmpBackground);
    }
    QListWidget::paintEvent(event);
}

void CMyListBox::OnSelChange(int previousRow) {
    if (currentRow() == previousRow || currentRow() < 0) return;
    m_bSelChanged = true;
    viewport()->update();
    Q_EMIT selChange();
}

void CMyListBox::mousePressEvent(QMouseEvent* event) {
    if (m_bSelChanged) {
        m_bSelChanged = false;
        viewport()->update();
    }
    QListWidget::mousePressEvent(event);
    // A click on an entry selects it again even when it was selected: the
    // window then starts that device afresh.
    if (itemAt(event->position().toPoint()) != nullptr) OnSelChange(-1);
}

void CMyListBox::keyPressEvent(QKeyEvent* event) {
    const int previous = currentRow();
    QListWidget::keyPressEvent(event);
    OnSelChange(previous);
}

void CMyListBox::scrollContentsBy(int dx, int dy) {
    QListWidget::scrollContentsBy(dx, dy);
    // The scroll copied pixels, picture included: paint it all afresh.
    viewport()->update();
}

}  // namespace quabrel
