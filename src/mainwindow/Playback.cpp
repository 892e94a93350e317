// Files in the picture area, and the playback buttons that act on
// whatever graph there is: a file, a camera or a microphone.
#include "controls/VideoWindow.h"
#include "mainwindow/QuabrelDlg.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"

#include <QLabel>
#include <QLineEdit>

namespace quabrel {

namespace {

// What the open dialog offers for each kind of file.
constexpr const char* kFileFilters[] = {
    "Video Files (*.dat *.avi *.qt *.mov *.mpg *.mpeg *.m1v)",
    "Audio files (*.wav *.mpa *.mp2 *.mp3 *.au *.aif *.aiff *.snd)",
    "Image files (*.bmp *.gif *.jpeg *.jpg)",
};

}  // namespace

void CquabrelDlg::OnOpenFile(FileKind kind) {
    m_capture.SetStillImage(false);
    const QString chosen = ChooseFileToOpen(this, QString::fromLatin1(kFileFilters[static_cast<int>(kind)]));
    if (chosen.isEmpty()) return;  // cancelled: whatever runs goes on
    m_strFileName = chosen.toStdString();
    if (kind == FileKind::kImage) m_capture.SetStillImage(true);
    OpenMediaFile(kind);
    // An image is opened twice: the second build replaces the first.
    if (kind == FileKind::kImage) OpenMediaFile(kind);
}

void CquabrelDlg::OpenMediaFile(FileKind kind) {
    HideVideo();
    const CaptureSession::FileBuild build =
        m_capture.BuildFile(m_strFileName, kind == FileKind::kImage || m_capture.StillImage());
    if (build == CaptureSession::FileBuild::kNoGrabber) return;
    if (build == CaptureSession::FileBuild::kVideo) {
        // The file's frames to the picture area, its events to the window.
        SetupVideoWindow(1);
        EnablePlaybackButtons();
        m_capture.Graph()->Pause();  // cued on its first frame, until the window runs it
        m_bShowPlaceholder = false;
    }
    m_capture.ConnectFrameCallback();

    // The adjustments start over in their software ranges.
    UseSoftwareBrightness();
    UseSoftwareContrast();
    UseSoftwareSaturation();
    ResetColourShifts();
    OnBnClickedSaturation();
    OnBnClickedContrast();
    OnBnClickedBrightness();

    OnBnClickedPlayfile();
}

void CquabrelDlg::OnBnClickedPlayfile() {
    if (m_capture.Graph() != nullptr) {
        if (FAILED(m_capture.Run())) ShowMessageBox(this, QStringLiteral("Run returns error."), QStringLiteral("Error"));
        // A running graph shows its picture again after a stop hid it.
        if (m_capture.LiveVideo() && !m_capture.NoVideoWindow() && m_videoWindow != nullptr) {
            SetVideoPosition();
            m_videoWindow->show();
            m_bShowPlaceholder = false;
        }
    }
    m_capture.SetPaused(false);
}

void CquabrelDlg::OnBnClickedPausefile() {
    if (m_capture.Graph() == nullptr) return;
    if (m_capture.Paused()) {
        m_hiddenEdit->setText(QStringLiteral("in OnBnClickedPausefile if"));
        m_capture.Run();
        m_capture.SetPaused(false);
    } else {
        m_hiddenEdit->setText(QStringLiteral("in OnBnClickedPausefile else"));
        m_capture.Pause();
        m_capture.SetPaused(true);
    }
}

void CquabrelDlg::OnBnClickedStopfile() {
    if (m_capture.Graph() != nullptr) m_capture.Stop();
    if (m_capture.DeviceActive()) {
        // The graph stays built; FilePlay runs it again.
        if (m_videoWindow != nullptr) m_videoWindow->hide();
        ShowPlaceholder();
        UncheckAudioDevices();
    } else if (FilterGraph* graph = m_capture.Graph()) {
        graph->SetPositionToStart();
        graph->Pause();  // stopped, yet holding a frame to show
    }
}

}  // namespace quabrel
