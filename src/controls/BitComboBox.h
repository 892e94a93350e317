#pragma once

#include "platform/ColorRef.h"

#include <QComboBox>
#include <QListView>

#include <cstdint>

namespace quabrel {

class CBitComboBox;

// The drop-down list of a CBitComboBox, painted by the box's rules: flat
// background, four edge pictures, item texts without highlight. The rows
// sit between the top and bottom edge pictures, never under them.
class CBitListBox : public QListView {
    Q_OBJECT

public:
    explicit CBitListBox(CBitComboBox& owner);

    // Room above and below the rows, for the edge pictures.
    void SetRowMargins(int top, int bottom) { setViewportMargins(0, top, 0, bottom); }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    CBitComboBox& m_owner;
};

// A drop-down list painted from small pictures and flat colours: left cap,
// stretched middle and drop button on the face, text on a coloured band.
class CBitComboBox : public QComboBox {
    Q_OBJECT

public:
    explicit CBitComboBox(QWidget* parent = nullptr);
    ~CBitComboBox() override;

    void SetComboBitmaps(int32_t left, int32_t right, int32_t middle);
    void SetListBitmaps(int32_t left, int32_t right, int32_t top, int32_t bottom);
    void SetSelectedColors(COLORREF background, COLORREF text);
    void SetColors(COLORREF background, COLORREF text);

    // Left offset of the face text, shared by every box: set when a list's
    // items are painted.
    static int TextIndent() { return s_textIndent; }
    static void ResetTextIndent() { s_textIndent = 0; }

    // The text band of the face within `face` (the client rectangle).
    QRect TextBand() const;
    bool ListKnown() const { return m_listKnown; }
    // Until the skin gives the box a picture or a colour it is an ordinary
    // drop-down list: undressed, its colours would be black on black.
    bool Dressed() const { return m_dressed; }
    COLORREF BackColor() const { return m_backColor; }
    COLORREF TextColor() const { return m_textColor; }

    void showPopup() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    friend class CBitListBox;
    // Paints the list whose client rectangle is `client`, in the list's own
    // coordinates; the rows' texts only when `items` is set.
    void PaintList(QPainter& painter, const QRect& client, bool items);
    void FitListToEdges();

    CBitListBox* m_listBox;
    bool m_listKnown = false;
    bool m_dressed = false;
    int32_t m_leftBitmapId = 0, m_rightBitmapId = 0, m_middleBitmapId = 0;
    int32_t m_listLeftBitmapId = 0, m_listRightBitmapId = 0, m_listTopBitmapId = 0, m_listBottomBitmapId = 0;
    COLORREF m_selectedBackColor = 0, m_selectedTextColor = 0;
    COLORREF m_backColor = 0, m_textColor = 0;

    static int s_textIndent;
};

}  // namespace quabrel
