#include "mainwindow/QuabrelDlg.h"

#include "controls/BitComboBox.h"
#include "controls/Explorer1.h"
#include "controls/MyListBox.h"
#include "controls/MySliderControl.h"
#include "controls/SkinButton.h"
#include "mainwindow/DialogTemplate.h"
#include "skin/ResourceImages.h"

#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QTimer>

namespace quabrel {

namespace {

// What a button says when no skin picture shows what it does. The reset
// buttons are too small for words; their place beside a slider tells.
constexpr struct {
    int id;
    const char* caption;
} kFallbackCaptions[] = {
    {1002, "Play"},         {1003, "Pause"},    {1004, "Stop"},  {1005, "Open file"}, {1015, "Hide to tray"},
    {1026, "Settings"},     {1030, "Sound"},    {1037, "_"},     {1038, "Help"},
};

}  // namespace

CquabrelDlg::CquabrelDlg(const CSkinConfig& skins, std::string exeDir, Options options, QWidget* parent)
    : CDialogSK(parent), m_skins(skins), m_strExeDir(std::move(exeDir)), m_options(options) {
    setWindowIcon(LoadIconResource(128));
    CreateControls();
    OnInitDialog();
}

CquabrelDlg::~CquabrelDlg() { TeardownGraph(); }

void CquabrelDlg::CreateControls() {
    resize(DialogUnitsToPixels(QRect(QPoint(0, 0), kDialogSizeUnits)).size());
    for (const ControlTemplate& t : kMainDialogTemplate) {
        QWidget* widget = nullptr;
        switch (t.kind) {
        case ControlKind::DeviceList:
            widget = m_videoList = new CMyListBox(this);
            break;
        case ControlKind::HiddenEdit:
            m_hiddenEdit = new QLineEdit(this);
            m_hiddenEdit->setReadOnly(true);
            m_hiddenEdit->setFocusPolicy(Qt::NoFocus);
            widget = m_hiddenEdit;
            break;
        case ControlKind::VideoArea:
            m_videoArea = new QLabel(this);
            m_videoArea->setFrameStyle(QFrame::Panel | QFrame::Raised);
            m_videoArea->setLineWidth(2);
            m_videoArea->setAlignment(Qt::AlignCenter);
            m_videoArea->setPixmap(QPixmap::fromImage(LoadBitmapResource(1014)));
            widget = m_videoArea;
            break;
        case ControlKind::SkinButton: {
            auto* button = new CxSkinButton(this);
            button->PreSubclassWindow(t.style);
            button->setText(QString::fromLatin1(t.text));
            widget = button;
            break;
        }
        case ControlKind::FrameRateCombo:
            m_frameRate = new CBitComboBox(this);
            for (const char* entry : kFrameRateEntries) m_frameRate->addItem(QString::fromLatin1(entry));
            m_frameRate->setMaxVisibleItems(static_cast<int>(kFrameRateEntries.size()));
            widget = m_frameRate;
            break;
        case ControlKind::SliderH:
        case ControlKind::SliderV:
            widget = new CMySliderControl(t.kind == ControlKind::SliderH ? Qt::Horizontal : Qt::Vertical, this);
            break;
        case ControlKind::Banner:
            widget = m_banner = new CExplorer1(this);
            break;
        }
        QRect geometry = DialogUnitsToPixels(t.units);
        if (t.kind == ControlKind::FrameRateCombo) geometry.setHeight(kComboFaceHeight);
        widget->setGeometry(geometry);
        widget->setEnabled(t.initiallyEnabled);
        CxSkinButton::SetGroupStart(*widget, (t.style & kStyleGroup) != 0);
        m_items[t.id] = widget;
    }
    m_hiddenEdit->hide();
    for (const auto& c : kFallbackCaptions) {
        auto* button = Item<CxSkinButton>(c.id);
        button->SetFallbackText(QString::fromLatin1(c.caption));
        button->setAccessibleName(button->FallbackText());
    }
    const struct {
        int id;
        void (CquabrelDlg::*handler)();
    } buttons[] = {{1002, &CquabrelDlg::OnBnClickedPlayfile}, {1003, &CquabrelDlg::OnBnClickedPausefile},
                   {1004, &CquabrelDlg::OnBnClickedStopfile}, {1005, &CquabrelDlg::OnFileOpenButton}, {1006, &CquabrelDlg::OnCloseButton},
                   {1015, &CquabrelDlg::OnToTray},         {1026, &CquabrelDlg::OnAdvancedButton},
                   {1030, &CquabrelDlg::OnSoundButton},    {1037, &CquabrelDlg::OnMinimizeButton},
                   {1038, &CquabrelDlg::OnHelpButton}};
    for (const auto& b : buttons) connect(Item<CxSkinButton>(b.id), &QAbstractButton::clicked, this, b.handler);
    connect(m_videoList, &CMyListBox::selChange, this, &CquabrelDlg::OnSelchangeDeviceList);
    connect(m_frameRate, qOverload<int>(&QComboBox::activated), this, &CquabrelDlg::OnSelchangeFrameRate);
    const struct {
        int slider;
        void (CquabrelDlg::*released)();
        int reset;
        void (CquabrelDlg::*clicked)();
    } adjustments[] = {{1017, &CquabrelDlg::OnReleasedBrightness, 1028, &CquabrelDlg::OnBnClickedBrightness},
                       {1018, &CquabrelDlg::OnReleasedContrast, 1029, &CquabrelDlg::OnBnClickedContrast},
                       {1019, &CquabrelDlg::OnReleasedSaturation, 1032, &CquabrelDlg::OnBnClickedSaturation},
                       {1020, &CquabrelDlg::OnReleasedRed, 1033, &CquabrelDlg::OnBnClickedRed},
                       {1021, &CquabrelDlg::OnReleasedGreen, 1034, &CquabrelDlg::OnBnClickedGreen},
                       {1022, &CquabrelDlg::OnReleasedBlue, 1035, &CquabrelDlg::OnBnClickedBlue}};
    for (const auto& a : adjustments) {
        connect(Item<CMySliderControl>(a.slider), &CMySliderControl::releasedCapture, this, a.released);
        connect(Item<CxSkinButton>(a.reset), &QAbstractButton::clicked, this, a.clicked);
    }
}

QString CquabrelDlg::HiddenText() const { return m_hiddenEdit->text(); }

QWidget* CquabrelDlg::GetDlgItem(int id) const {
    const auto found = m_items.find(id);
    return found == m_items.end() ? nullptr : found->second;
}

bool CquabrelDlg::OnInitDialog() {
    CDialogSK::OnInitDialog();
    setWindowTitle(QStringLiteral("quabrel"));
    setWindowFlag(Qt::WindowMinimizeButtonHint, true);

    // The window menu's own entries; the commands behind them come with the
    // other commands.
    m_systemMenu = std::make_unique<QMenu>();
    for (auto [text, command] : {std::pair{"Mi&nimize", kScMinimize}, {"&Close", kScClose}}) {
        QAction* action = m_systemMenu->addAction(QString::fromLatin1(text));
        action->setData(command);
        connect(action, &QAction::triggered, this, [this, command = command] { OnSysCommand(command); });
    }
    m_systemMenu->addSeparator();
    for (auto [text, command] : {std::pair{"To System Tray", kCmdToTray}, {"&Resotre", kCmdRestore}, {"E&xit", kCmdExit}}) {
        QAction* action = m_systemMenu->addAction(QString::fromLatin1(text));
        action->setData(command);
        connect(action, &QAction::triggered, this, [this, command = command] { OnSysCommand(command); });
    }

    ApplySkin(m_skins.StartupSkinNumber());

    m_bAdvancedMenuBuilt = 0;
    m_bDragWindow = 1;

    for (int id : {1017, 1018, 1019}) {
        auto* slider = Item<CMySliderControl>(id);
        slider->setRange(0, 100);
        slider->setValue(50);
    }
    for (int id : {1020, 1021, 1022}) {
        auto* slider = Item<CMySliderControl>(id);
        slider->setRange(-100, 100);
        slider->setValue(0);
    }

    m_hAudioMenu = std::make_unique<QMenu>();
    m_hAdvancedMenu = std::make_unique<QMenu>();
    m_hSkinMenu = std::make_unique<QMenu>();

    FillSkinMenu();
    InitAudioEnumerator(DeviceCategory::kAudioInput, kAudioMenuTarget);
    InitAudioEnumerator(DeviceCategory::kVideoInput, 1001);

    m_frameRate->setCurrentIndex(0);
    m_rcVideo = m_videoArea->contentsRect();
    m_bShowPlaceholder = true;
    m_banner->Navigate(QUrl(ProductSite() + QStringLiteral("/banner.php")));
    SetUpTray();
    m_bSoundOn = 1;
    return true;
}

void CquabrelDlg::ApplySkin(int number) {
    if (number == kBuiltInSkinNumber) {
        ApplyBuiltInSkin();
        return;
    }
    const int index = number - kFirstSkinNumber;
    if (index < 0 || index >= m_skins.GetSize()) return;
    ApplySkinFromFiles(SkinFileOf(m_strExeDir, m_skins[index]), SkinDirectoryOf(m_strExeDir, m_skins[index]));
}

void CquabrelDlg::ShowPlaceholder() {
    if (m_placeholder.isNull()) m_placeholder = QPixmap::fromImage(LoadBitmapResource(130));
    // Setting the same picture again would repaint the area, and that paint
    // would come back here.
    if (m_videoArea->pixmap().cacheKey() != m_placeholder.cacheKey()) m_videoArea->setPixmap(m_placeholder);
    m_bShowPlaceholder = true;
}

void CquabrelDlg::OnEraseBkgnd(QPainter& painter) {
    if (m_bShowPlaceholder) ShowPlaceholder();
    painter.setClipRegion(QRegion(rect()) - QRegion(m_videoArea->geometry()));
    CDialogSK::OnEraseBkgnd(painter);
}

void CquabrelDlg::paintEvent(QPaintEvent* event) {
    CDialogSK::paintEvent(event);
    if (!m_firstPaintDone) {
        m_firstPaintDone = true;
        // The web engine takes a while to start: only once the window is
        // on screen.
        if (m_options.startBanner) QTimer::singleShot(0, m_banner, [this] { m_banner->Start(); });
    }
}

void CquabrelDlg::OnLButtonDown(QMouseEvent* event) {
    if (m_bDragWindow) ArmWindowMove(event);
    CDialogSK::OnLButtonDown(event);
}

void CquabrelDlg::keyPressEvent(QKeyEvent* event) {
    // Enter ends the window as Escape does, with the other result.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
        accept();
        return;
    }
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::AltModifier) {
        ShowWindowMenu(QCursor::pos());
        return;
    }
    CDialogSK::keyPressEvent(event);
}

bool CquabrelDlg::event(QEvent* e) {
    if (e->type() == kGraphEvent) {
        OnGraphNotify();
        return true;
    }
    return CDialogSK::event(e);
}

void CquabrelDlg::OnCloseButton() {
    TeardownGraph();
    reject();
}

void CquabrelDlg::done(int result) {
    // Escape, Enter, the window manager's close and the Close button all
    // end here; nothing may keep running that refers to this window.
    TeardownGraph();
    CDialogSK::done(result);
}


}  // namespace quabrel
