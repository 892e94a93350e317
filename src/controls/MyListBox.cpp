#include "controls/MyListBox.h"

#include "skin/SkinConfig.h"
#include "skin/SkinImage.h"

#include <QMouseEvent>
#include <QPainter>

namespace quabrel {

CMyListBox::CMyListBox(QWidget* parent) : QListWidget(parent) {
    setSortingEnabled(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Items draw no background of their own: the picture shows through.
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::transparent);
    viewport()->setAutoFillBackground(false);
    viewport()->setPalette(p);
}

CMyListBox::~CMyListBox() = default;

void CMyListBox::SetSkin(const std::string& section, const std::string& skinFile, const std::string& directory,
                         const std::string& imageType) {
    std::string dir = directory;
    if (dir.size() > 1 && dir.back() != '/' && dir.back() != '\\') dir += '/';
    ButtonImageNames names;
    names.Read(section, skinFile);
    m_bmpBackground = QImage();
    std::string path;
    if (ResolveImagePath(dir, names.m_strNormal, path)) LoadSkinImage(path, imageType, m_bmpBackground);
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
