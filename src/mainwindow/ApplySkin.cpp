// Putting a skin on the main window: the background, the outline cut from
// it, the size and centred position, and every skinned control's pictures.

#include "controls/BitComboBox.h"
#include "controls/MyListBox.h"
#include "controls/MySliderControl.h"
#include "controls/SkinButton.h"
#include "mainwindow/QuabrelDlg.h"
#include "platform/FilePaths.h"
#include "platform/MessageBox.h"
#include "skin/ResourceImages.h"
#include "skin/Skin.h"
#include "skin/WindowShape.h"

#include <QGuiApplication>
#include <QScreen>

namespace quabrel {

namespace {

constexpr QRgb kBuiltInTransparent = 0xFFA74FFF;  // RGB(167, 79, 255)

struct ResourceButton {
    int id, normal, down, over, disabled;
};

// In the order the built-in skin hands them out.
constexpr ResourceButton kResourceButtons[] = {
    {1006, 149, 145, 145, 149}, {1026, 146, 147, 146, 146}, {1002, 153, 152, 150, 151}, {1003, 154, 157, 155, 156},
    {1004, 158, 161, 159, 160}, {1030, 163, 163, 163, 163}, {1015, 165, 164, 165, 165}, {1005, 166, 167, 166, 166},
    {1033, 176, 185, 185, 176}, {1034, 176, 185, 185, 176}, {1035, 176, 185, 185, 176}, {1028, 178, 180, 180, 178},
    {1029, 182, 180, 180, 182}, {1032, 177, 180, 180, 177},
};

struct FileButton {
    int id;
    std::string SkinDescription::*section;
};

const FileButton kFileButtons[] = {
    {1006, &SkinDescription::m_strClose},      {1026, &SkinDescription::m_strAdvanced},
    {1002, &SkinDescription::m_strFilePlay},   {1003, &SkinDescription::m_strFilePause},
    {1004, &SkinDescription::m_strFileStop},   {1030, &SkinDescription::m_strSound},
    {1015, &SkinDescription::m_strToTray},     {1037, &SkinDescription::m_strMinimize},
    {1005, &SkinDescription::m_strFileOpen},   {1033, &SkinDescription::m_strRed},
    {1034, &SkinDescription::m_strGreen},      {1035, &SkinDescription::m_strBlue},
    {1038, &SkinDescription::m_strHelp},       {1028, &SkinDescription::m_strBrightness},
    {1029, &SkinDescription::m_strContrast},   {1032, &SkinDescription::m_strSaturation},
};

struct ThumbColors {
    int id;
    COLORREF normal, selected;
};

constexpr ThumbColors kThumbColors[] = {
    {1017, MakeColorRef(0, 0, 0), MakeColorRef(0, 0, 255)},   {1018, MakeColorRef(0, 0, 0), MakeColorRef(0, 0, 255)},
    {1019, MakeColorRef(0, 0, 0), MakeColorRef(0, 0, 255)},   {1020, MakeColorRef(255, 0, 0), MakeColorRef(155, 0, 0)},
    {1021, MakeColorRef(0, 255, 0), MakeColorRef(0, 0, 255)}, {1022, MakeColorRef(0, 0, 255), MakeColorRef(0, 0, 255)},
};

// The frame-rate box's fixed pictures and colours, whatever the skin.
void SetComboLooks(CBitComboBox& combo) {
    combo.SetComboBitmaps(173, 168, 172);
    combo.SetListBitmaps(169, 170, 171, 174);
    combo.SetSelectedColors(MakeColorRef(115, 138, 174), MakeColorRef(255, 255, 255));
    combo.SetColors(MakeColorRef(115, 138, 154), MakeColorRef(255, 255, 255));
    combo.update();
}

}  // namespace

void CquabrelDlg::SetFixedControlLooks() {
    for (const ThumbColors& t : kThumbColors) {
        auto* slider = Item<CMySliderControl>(t.id);
        slider->SetThumbColors(t.normal, t.selected);
        // The slider keeps a copy of the background behind it: the old
        // skin's copy would show through the new skin.
        slider->ResetBackground();
    }
}

void CquabrelDlg::TakeBackground(QImage background, QRgb transparent) {
    SetBackgroundBitmap(std::move(background), transparent);
    SetBackgroundStyle(kResizeToBitmap);
    SetFixedControlLooks();
    SetWidgetShape(*this, FaceShape());
    const QRect screen = (this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen())->geometry();
    const int w = Background().width(), h = Background().height();
    setGeometry(screen.x() + screen.width() / 2 - w / 2, screen.y() + screen.height() / 2 - h / 2, w, h);
    raise();
    activateWindow();
}


void CquabrelDlg::ApplyBuiltInSkin() {
    QImage background = LoadBitmapResource(188);
    if (background.isNull()) {
        ShowMessageBox(this, QStringLiteral("Error loading bitmap"));
        return;
    }
    TakeBackground(std::move(background), kBuiltInTransparent);
    for (const ResourceButton& b : kResourceButtons)
        Item<CxSkinButton>(b.id)->SetSkinFromResources(b.normal, b.down, b.over, b.disabled, 0, 0, CxSkinButton::kNatural, 0, 0);
    SetComboLooks(*m_frameRate);
}

void CquabrelDlg::ApplySkinFromFiles(const std::string& skinFile, const std::string& skinDirectory) {
    m_strSkinDirectory = skinDirectory;
    m_strSkinFile = skinFile;
    if (!PathExists(FindPathIgnoringCase(ToNativeSeparators(skinFile)))) {
        ShowMessageBox(this, QStringLiteral("Skin configuration error."));
        return;
    }
    // One read of the skin file and its pictures; a skin that fails leaves
    // the one on screen as it was.
    Skin skin;
    skin.Load(skinFile, skinDirectory);
    const SkinDescription& description = skin.Description();
    m_strSoundSection = description.m_strSound;
    m_strSoundNoneSection = description.m_strSoundNone;
    m_strImageType = description.m_strType;
    if (skin.Background().isNull()) {
        ShowMessageBox(this, QStringLiteral("Error loading bitmap"));
        return;
    }
    TakeBackground(skin.Background(), qRgb(description.TransparentRed(), description.TransparentGreen(),
                                           description.TransparentBlue()));
    for (const FileButton& b : kFileButtons)
        Item<CxSkinButton>(b.id)->SetSkin(skin.Pictures(description.*b.section), CxSkinButton::kStretch, 0, 0);
    m_videoList->SetSkin(skin.Pictures(description.m_strVideoList).normal);
    SetComboLooks(*m_frameRate);
    m_skin = std::move(skin);
}

}  // namespace quabrel
