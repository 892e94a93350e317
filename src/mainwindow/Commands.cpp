// The window's commands: the dispatcher of the ids given out at run time,
// the popup menus, the window menu, and the small buttons that belong to no
// other part (sound, minimise, help).
#include "controls/DeviceSettingsDialog.h"
#include "controls/Explorer1.h"
#include "controls/SkinButton.h"
#include "mainwindow/QuabrelDlg.h"
#include "platform/DeviceSettings.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

namespace quabrel {

QAction* CquabrelDlg::AddCommand(QMenu& menu, const QString& text, int id) {
    QAction* action = menu.addAction(text);
    action->setData(id);
    // Each entry reaches the dispatcher through its own action only: a
    // submenu's entries do not come again through the menus they hang in.
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    return action;
}

void CquabrelDlg::OnCommand(int id) {
    if (id >= kFirstAudioDeviceId && id < kFirstAudioDeviceId + kMaxAudioDevices) {
        const std::string name = m_audioDeviceNames[static_cast<std::size_t>(id - kFirstAudioDeviceId)];
        OnAudioDevice(name);
        UncheckAudioDevices();
        SetMenuCheck(*m_hAudioMenu, id, true);
        return;
    }
    if (id >= kFirstSkinNumber && id < kFirstSkinNumber + kMaxSkinEntries) {
        ApplySkin(id);
        for (int other = kFirstSkinNumber; other <= kFirstSkinNumber + m_skins.m_nTotal; ++other)
            SetMenuCheck(*m_hSkinMenu, other, false);
        SetMenuCheck(*m_hSkinMenu, id, true);
        return;
    }
    switch (id) {
    case kCmdFilterPages: OnVideoCaptureFilter(); return;
    case kCmdDevicePages: OnDevicePages(); return;
    case kCmdCrossbar: OnCrossbar(); return;
    case kCmdVideoFile: OnOpenFile(FileKind::kVideo); return;
    case kCmdAudioFile: OnOpenFile(FileKind::kAudio); return;
    case kCmdImageFile: OnOpenFile(FileKind::kImage); return;
    case kCmdExit: OnCloseButton(); return;
    case kCmdToTray: OnToTray(); return;
    case kCmdRestore: OnRestore(); return;
    default: return;  // 30, and the Advanced resource's 32771 and 32777
    }
}

void CquabrelDlg::SetMenuCheck(QMenu& menu, int id, bool checked) {
    for (QAction* action : menu.actions())
        if (!action->isSeparator() && action->menu() == nullptr && action->data().toInt() == id) {
            action->setCheckable(true);
            action->setChecked(checked);
        }
}

void CquabrelDlg::FillSkinMenu() {
    // Entry 0 is always "Default". The dispatcher's skin range ends at 50:
    // a 21st entry would get 51, the driver settings' id, so the list
    // offers its first 20 entries only.
    AddCommand(*m_hSkinMenu, QStringLiteral("Default"), kFirstSkinNumber);
    const int offered = std::min(m_skins.GetSize(), kMaxSkinEntries);
    for (int i = 1; i < offered; ++i)
        AddCommand(*m_hSkinMenu, QString::fromStdString(m_skins[i].m_strName), kFirstSkinNumber + i);
    SetMenuCheck(*m_hSkinMenu, m_skins.StartupSkinNumber(), true);
}

QPoint CquabrelDlg::PopupPosition(int buttonId) const {
    const QWidget* button = GetDlgItem(buttonId);
    return button->mapToGlobal(QPoint(-35, 9 + 12));
}

void CquabrelDlg::OnAdvancedButton() {
    if (!m_bAdvancedMenuBuilt) {
        m_hAudioMenu->setTitle(QStringLiteral("Audio Capture Devices"));
        m_hAdvancedMenu->addMenu(m_hAudioMenu.get());
        m_hSkinMenu->setTitle(QStringLiteral("Skin"));
        m_hAdvancedMenu->addMenu(m_hSkinMenu.get());
        AddCommand(*m_hAdvancedMenu, QStringLiteral("Crossbar..."), kCmdCrossbar);
        m_bAdvancedMenuBuilt = 1;
    }
    // "Video Capture Filter..." joins, once, when the selected camera's
    // driver has settings of its own.
    if (!m_bFilterPagesItem) {
        DeviceFilterPtr selected;
        if (FindDeviceFilter(&selected, std::string(), true) != -1 && selected) {
            const auto settings = DeviceSettings::Open(selected->DevicePath());
            if (settings && settings->HasControls()) {
                AddCommand(*m_hAdvancedMenu, QStringLiteral("Video Capture Filter..."), kCmdFilterPages);
                m_bFilterPagesItem = true;
            }
        }
    }
    m_hAdvancedMenu->popup(PopupPosition(1026));
}

void CquabrelDlg::OnFileOpenButton() {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    AddCommand(*menu, QStringLiteral("Video File..."), kCmdVideoFile);
    AddCommand(*menu, QStringLiteral("Audio File..."), kCmdAudioFile);
    AddCommand(*menu, QStringLiteral("Image File..."), kCmdImageFile);
    menu->popup(PopupPosition(1005));
}

void CquabrelDlg::OnCrossbar() {
    if (!m_capture.LiveVideo()) {
        ShowMessageBox(this, QStringLiteral("Select a video resource first."));
        return;
    }
    // Something to choose only where the camera has more than one input.
    const auto settings = DeviceSettings::Open(m_capture.LiveDevicePath());
    if (!settings || settings->Inputs().size() < 2) {
        ShowMessageBox(this, QStringLiteral("This feature is not supported by the current selected video resource."));
        return;
    }
    VideoInputDialog dialog(*settings, QString::fromStdString(m_capture.LiveDeviceName()), this);
    RunModal(dialog);
}

void CquabrelDlg::OnVideoCaptureFilter() {
    // Its own binding of the selected camera: with or without a preview,
    // and whatever else runs.
    DeviceFilterPtr selected;
    if (FindDeviceFilter(&selected, std::string(), true) == -1 || !selected) return;
    const auto settings = DeviceSettings::Open(selected->DevicePath());
    if (!settings) return;
    DeviceSettingsDialog dialog(*settings, QString::fromStdString(selected->DisplayName()), this);
    RunModal(dialog);
}

void CquabrelDlg::OnDevicePages() {
    if (m_capture.LiveDevicePath().empty()) {
        ShowMessageBox(this, QStringLiteral("The driver does not support this feature."));
        return;
    }
    const auto settings = DeviceSettings::Open(m_capture.LiveDevicePath());
    if (!settings || !settings->HasControls()) {
        ShowMessageBox(this, QStringLiteral("The driver has not valid propertypages."));
        return;
    }
    DeviceSettingsDialog dialog(*settings, QString::fromStdString(m_capture.LiveDeviceName()), this);
    RunModal(dialog);
}

void CquabrelDlg::OnSoundButton() {
    m_bSoundOn = m_bSoundOn ? 0 : 1;
    const std::string& section = m_bSoundOn ? m_strSoundSection : m_strSoundNoneSection;
    if (!m_strSkinFile.empty())
        Item<CxSkinButton>(1030)->SetSkin(m_skin.Pictures(section), CxSkinButton::kStretch, 0, 0);
    // The session keeps it for graphs built later too: a file opened after
    // muting stays silent, as the button shows.
    m_capture.SetMuted(!m_bSoundOn);
}

void CquabrelDlg::OnMinimizeButton() {
    // Straight to the task bar, never to the tray.
    m_minimizeSkipsTray = true;
    showMinimized();
    setWindowTitle(QStringLiteral("quabrel"));
}

void CquabrelDlg::OnHelpButton() { OpenUrl(QUrl(ProductSite() + QStringLiteral("/help"))); }

void CquabrelDlg::ShowWindowMenu(const QPoint& at) { m_systemMenu->popup(at); }

void CquabrelDlg::OnSysCommand(int command) {
    switch (command) {
    case kCmdRestore: OnRestore(); return;
    case kCmdExit: OnCloseButton(); return;
    case kCmdToTray: OnToTray(); return;
    default: break;
    }
    const bool minimize = (command & ~0xF) == kScMinimize;
    if (minimize && m_tray.GetOption() && m_tray.AddIcon()) hide();
    // The window's own handling comes after, once.
    if (minimize) {
        m_minimizeSkipsTray = true;  // already dealt with: not again as a state change
        if (isVisible())
            showMinimized();
        else
            setWindowState(windowState() | Qt::WindowMinimized);
    } else if ((command & ~0xF) == kScClose) {
        reject();
    }
}

void CquabrelDlg::SetUpTray() {
    m_tray.SetIcon(windowIcon());
    m_tray.SetTip(QStringLiteral("QuabreL"));
    m_tray.SetCallbacks({[this] { OnRestore(); }, [this](QPoint at) { OnTrayMenu(at); }});
}

void CquabrelDlg::OnToTray() {
    m_tray.SetOption(true);
    if (m_tray.AddIcon()) hide();
}

void CquabrelDlg::OnRestore() {
    m_tray.SetOption(false);
    if (!m_tray.RemoveIcon()) return;
    m_minimizeSkipsTray = false;
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void CquabrelDlg::OnTrayMenu(const QPoint& at) {
    raise();
    activateWindow();
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    AddCommand(*menu, QStringLiteral("&Restore"), kCmdRestore);
    AddCommand(*menu, QStringLiteral("E&xit"), kCmdExit);
    menu->popup(at);
}

void CquabrelDlg::contextMenuEvent(QContextMenuEvent* event) {
    // A frameless window gets no menu from the window manager: a right
    // click on the free face opens it here.
    if (childAt(event->pos()) == nullptr) ShowWindowMenu(event->globalPos());
}

void CquabrelDlg::changeEvent(QEvent* event) {
    CDialogSK::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) return;
    if (!isMinimized()) {
        m_minimizeSkipsTray = false;
        return;
    }
    // Minimised by the window manager or the task bar: to the tray while
    // the option is on, as a minimise from the window menu does.
    if (m_minimizeSkipsTray) return;
    if (m_tray.GetOption() && m_tray.AddIcon()) hide();
}

}  // namespace quabrel
