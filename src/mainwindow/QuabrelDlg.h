#pragma once

#include "capture/CaptureSession.h"
#include "imaging/VideoProcSetting.h"
#include "mainwindow/MinimizeToTray.h"
#include "platform/HResult.h"
#include "skin/DialogSK.h"
#include "skin/Skin.h"
#include "skin/SkinConfig.h"

#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QRegion>

#include <array>
#include <map>
#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QAction;
class QContextMenuEvent;
class QMenu;

namespace quabrel {

class CBitComboBox;
class CExplorer1;
class CMyListBox;
class CMySliderControl;
class CxSkinButton;
class VideoWindow;

// The main and only window: a skinned, shaped dialog holding the picture
// area, the device list, the playback and adjustment controls and the banner.
class CquabrelDlg : public CDialogSK, private CaptureReporter {
    Q_OBJECT

public:
    struct Options {
        // The banner's web engine starts after the first paint; tests that
        // do not need it leave it off.
        bool startBanner = true;
    };

    CquabrelDlg(const CSkinConfig& skins, std::string exeDir, Options options, QWidget* parent = nullptr);
    CquabrelDlg(const CSkinConfig& skins, std::string exeDir) : CquabrelDlg(skins, std::move(exeDir), Options{}) {}
    ~CquabrelDlg() override;

    CColorProcessor& ColorProcessor() { return m_capture.ColorProcessor(); }

    // Skins by number: 30 built in, 31 + i entry i of the skin list.
    void ApplySkin(int number);
    void ApplyBuiltInSkin();
    void ApplySkinFromFiles(const std::string& skinFile, const std::string& skinDirectory);

    void ShowPlaceholder();
    // The Close button: stop everything, then end the run.
    void OnCloseButton();
    // Stops and releases whatever the window runs. Every way the window
    // ends passes here first; safe to call again.
    void TeardownGraph();

    // Devices (listing and lookup by name).
    static constexpr int kAudioMenuTarget = 1000;
    static constexpr int kFirstAudioDeviceId = 10;
    static constexpr int kMaxAudioDevices = 20;  // ids 10 to 29
    // Lists the category into list box `target` (1001) or, for target 1000,
    // into the audio menu.
    void InitAudioEnumerator(DeviceCategory category, int target);
    // Finds a device by display name (empty: the list's selection, or the
    // chosen audio device) and binds it into `filter`.
    HRESULT FindDeviceFilter(DeviceFilterPtr* filter, const std::string& name, bool isVideo);
    const std::array<std::string, 30>& AudioDeviceNames() const { return m_audioDeviceNames; }

    // The graph (live preview), run by the capture session.
    static const int kGraphEvent;  // posted by the graph when events wait
    void OnSelchangeDeviceList();
    HRESULT SetupVideoWindow(int skipRender);
    void SetVideoPosition();
    void EnablePlaybackButtons();
    void DisablePlaybackButtons();
    void UncheckAudioDevices();
    void OnGraphNotify();
    void OnSelchangeFrameRate();
    // The microphone `name` to the speakers: a new graph, built stopped.
    void OnAudioDevice(const std::string& name);
    // Files: the open commands (a dialog, then the build) and the build.
    enum class FileKind { kVideo = 0, kAudio = 1, kImage = 2 };
    void OnOpenFile(FileKind kind);
    void OpenMediaFile(FileKind kind);
    const std::string& FileName() const { return m_strFileName; }
    // The playback buttons, on whatever graph there is.
    void OnBnClickedPlayfile();
    void OnBnClickedPausefile();
    void OnBnClickedStopfile();
    const std::string& AudioDevice() const { return m_strAudioDevice; }
    QString HiddenText() const;

    // Picture settings and their sliders.
    void UseSoftwareBrightness();
    void UseSoftwareContrast();
    void UseSoftwareSaturation();
    void ApplyAdjustments();
    void OnReleasedBrightness();
    void OnReleasedContrast();
    void OnReleasedSaturation();
    void OnReleasedRed();
    void OnReleasedGreen();
    void OnReleasedBlue();
    void OnBnClickedBrightness();
    void OnBnClickedContrast();
    void OnBnClickedSaturation();
    void OnBnClickedRed();
    void OnBnClickedGreen();
    void OnBnClickedBlue();
    // Blue and green to their resets, red to 0, then applied.
    void ResetColourShifts();

    // Commands: the dispatcher of menu entries and the run-time ids.
    static constexpr int kMaxSkinEntries = 20;  // skin ids 31 to 50
    static constexpr int kCmdFilterPages = 51;
    static constexpr int kCmdDevicePages = 52;
    static constexpr int kCmdVideoFile = 32779;
    static constexpr int kCmdAudioFile = 32782;
    static constexpr int kCmdImageFile = 32783;
    static constexpr int kCmdCrossbar = 32784;
    static constexpr int kCmdExit = 32786;
    static constexpr int kCmdToTray = 32787;
    static constexpr int kCmdRestore = 32788;
    static constexpr int kScMinimize = 0xF020;
    static constexpr int kScClose = 0xF060;
    void OnCommand(int id);
    void OnSysCommand(int command);
    void FillSkinMenu();
    void OnAdvancedButton();
    void OnFileOpenButton();
    void OnCrossbar();
    void OnVideoCaptureFilter();
    void OnDevicePages();
    void OnSoundButton();
    void OnMinimizeButton();
    void OnHelpButton();
    void ShowWindowMenu(const QPoint& at);
    // Where the popup of button `buttonId` opens, on the screen.
    QPoint PopupPosition(int buttonId) const;

    // The tray.
    void OnToTray();
    void OnRestore();
    void OnTrayMenu(const QPoint& at);
    minimizeToTray& Tray() { return m_tray; }

    // State, for tests.
    CaptureSession& Capture() { return m_capture; }
    FilterGraph* Graph() const { return m_capture.Graph(); }
    VideoWindow* Video() const { return m_videoWindow; }
    bool GraphBuilt() const { return m_capture.GraphBuilt(); }
    bool DeviceActive() const { return m_capture.DeviceActive(); }
    bool HasVideoProcAmp() const { return m_capture.HasPictureControls(); }
    int GraphEventsTaken() const { return m_graphEventsTaken; }
    const VideoProcSetting& Brightness() const { return m_settings.brightness; }
    const VideoProcSetting& Contrast() const { return m_settings.contrast; }
    const VideoProcSetting& Saturation() const { return m_settings.saturation; }
    int RedShift() const { return m_settings.redShift; }
    int GreenShift() const { return m_settings.greenShift; }
    int BlueShift() const { return m_settings.blueShift; }

    QWidget* GetDlgItem(int id) const;
    template <class T>
    T* Item(int id) const { return qobject_cast<T*>(GetDlgItem(id)); }

    const QRegion& WindowShape() const { return FaceShape(); }
    const QRect& VideoRect() const { return m_rcVideo; }
    bool ShowsPlaceholder() const { return m_bShowPlaceholder; }
    bool DragWindow() const { return m_bDragWindow != 0; }
    bool SoundOn() const { return m_bSoundOn != 0; }
    const std::string& SkinDirectory() const { return m_strSkinDirectory; }
    const std::string& SkinFile() const { return m_strSkinFile; }
    const std::string& SoundSection() const { return m_strSoundSection; }
    const std::string& SoundNoneSection() const { return m_strSoundNoneSection; }
    const std::string& ImageType() const { return m_strImageType; }
    QMenu* AudioMenu() const { return m_hAudioMenu.get(); }
    QMenu* AdvancedMenu() const { return m_hAdvancedMenu.get(); }
    QMenu* SkinMenu() const { return m_hSkinMenu.get(); }
    QMenu* SystemMenu() const { return m_systemMenu.get(); }

protected:
    bool OnInitDialog() override;
    bool event(QEvent* event) override;
    void OnEraseBkgnd(QPainter& painter) override;
    void OnLButtonDown(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;

public Q_SLOTS:
    void done(int result) override;

private:
    void CreateControls();
    void SetUpTray();
    // Appends entry `text` for command `id`, which it sends to OnCommand.
    QAction* AddCommand(QMenu& menu, const QString& text, int id);
    static void SetMenuCheck(QMenu& menu, int id, bool checked);
    // The device list's selected name; empty when nothing is selected.
    std::string SelectedDeviceName() const;
    // Takes the picture area's video away, last frame included.
    void HideVideo();
    // The capture session's failures, as message boxes.
    void Report(const std::string& text, const std::string& caption) override;
    void ReleaseProcSetting(VideoProcSetting& setting, VideoProcAmp::Property property, int sliderId);
    void ResetProcSetting(VideoProcSetting& setting, VideoProcAmp::Property property, int sliderId,
                          int32_t softwareMinimum, int32_t softwareDefault);
    void UseSoftwareRange(VideoProcSetting& setting, int sliderId, int32_t minimum, int32_t defaultValue);
    void BindPictureControls();
    void SetFixedControlLooks();
    // The common part of both skin kinds: background and its style, slider
    // colours, the outline cut at `transparent`, size and centred position.
    void TakeBackground(QImage background, QRgb transparent);

    const CSkinConfig& m_skins;
    const std::string m_strExeDir;
    const Options m_options;

    int m_bDragWindow = 0;
    int m_bSoundOn = 0;
    int m_bAdvancedMenuBuilt = 0;
    bool m_bFilterPagesItem = false;  // "Video Capture Filter..." is in the Advanced menu
    std::unique_ptr<QMenu> m_hAudioMenu;
    std::unique_ptr<QMenu> m_hSkinMenu;
    std::unique_ptr<QMenu> m_hAdvancedMenu;
    std::unique_ptr<QMenu> m_systemMenu;
    minimizeToTray m_tray;
    bool m_minimizeSkipsTray = false;  // a minimise that must not go to the tray

    // Capture: the engine, and what the window shows of it.
    CaptureSession m_capture{*this};
    std::string m_strAudioDevice;
    std::string m_strFileName;
    std::array<std::string, 30> m_audioDeviceNames;
    QRect m_rcVideo;
    bool m_bShowPlaceholder = true;
    int m_graphEventsTaken = 0;
    PictureSettings m_settings;

    std::string m_strSkinDirectory;
    std::string m_strSkinFile;
    std::string m_strSoundSection;
    std::string m_strSoundNoneSection;
    std::string m_strImageType;
    Skin m_skin;  // the skin from files on screen: what the controls draw from
    QPixmap m_placeholder;
    bool m_firstPaintDone = false;

    // Controls, owned by the window as its children.
    std::map<int, QWidget*> m_items;
    CMyListBox* m_videoList = nullptr;
    QLineEdit* m_hiddenEdit = nullptr;
    QLabel* m_videoArea = nullptr;
    VideoWindow* m_videoWindow = nullptr;  // inside m_videoArea, shown while a graph renders
    CBitComboBox* m_frameRate = nullptr;
    CExplorer1* m_banner = nullptr;
};

}  // namespace quabrel
