#pragma once

#include <QImage>
#include <QListWidget>

#include <string>

namespace quabrel {

// The device list: sorted entries drawn transparently over a background
// picture from the skin. Selection changes and scrolling repaint it whole,
// so the picture never smears. Rows are kDeviceListRowHeight high and
// scroll a whole row at a time, so they keep to a picture ruled at that
// pitch.
class CMyListBox : public QListWidget {
    Q_OBJECT

public:
    explicit CMyListBox(QWidget* parent = nullptr);
    ~CMyListBox() override;

    // Entries come in as text and sort as a reader expects: without regard
    // to case, names that differ only in case in a fixed order.
    void addItem(const QString& label);
    void addItems(const QStringList& labels);
    void insertItem(int row, const QString& label);
    using QListWidget::addItem;
    using QListWidget::insertItem;

    // The skin's "Normal" picture of the list as the background; a null
    // picture leaves the list without one.
    void SetSkin(const QImage& picture);
    const QImage& BackgroundPicture() const { return m_bmpBackground; }
    bool SelectionChangedSincePress() const { return m_bSelChanged; }

Q_SIGNALS:
    // The user changed the selection (not the program).
    void selChange();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* event) override;

private:
    void OnSelChange(int previousRow);
    void FitFontToRows();

    bool m_bSelChanged = false;
    QImage m_bmpBackground;
};

}  // namespace quabrel
