#pragma once

#include "imaging/ColorProcessor.h"
#include "imaging/SampleGrabberCB.h"
#include "imaging/VideoProcSetting.h"
#include "platform/HResult.h"
#include "platform/PipeWireCamera.h"
#include "platform/V4l2.h"
#include "platform/media/DeviceEnumerator.h"
#include "platform/media/FilterGraph.h"

#include <memory>
#include <string>
#include <vector>

class QObject;

namespace quabrel {

// The companion device is found by this name and never offered as a camera.
inline constexpr const char* kCompanionName = "Quabrel";

// How the capture engine tells its owner what went wrong: each failure as
// the text the user is shown, at the step where it happens, in order. An
// empty caption means the program's own.
class CaptureReporter {
public:
    virtual void Report(const std::string& text, const std::string& caption) = 0;

protected:
    ~CaptureReporter() = default;
};

// The names a category offers the user, in the enumerator's order, without
// nameless devices and without the companion. S_OK with devices, S_FALSE
// for an empty category, E_FAIL when the enumerator fails.
HRESULT ListDeviceNames(DeviceCategory category, std::vector<std::string>* names);

// Everything a running source needs: the one graph, the bound device, the
// camera's picture controls, the companion device, the colour processor and
// the frame callback. The window drives it from its handlers; every build
// starts with a teardown, so at most one graph exists.
//
// Threads: every operation runs on the interface thread. While a graph
// runs, its streaming thread reads the colour processor (handed over in
// one step by UpdateColorProcessor) and calls the frame callback, which
// borrows the processor and the companion; Teardown stops the graph and
// removes the callback before it releases either.
class CaptureSession {
public:
    explicit CaptureSession(CaptureReporter& reporter);
    ~CaptureSession();
    CaptureSession(const CaptureSession&) = delete;
    CaptureSession& operator=(const CaptureSession&) = delete;

    // Stops and releases the graph and the device (the virtual cameras stay
    // until the session ends). Safe to call again.
    void Teardown();
    // A new, empty graph, and the companion device bound if it is not yet:
    // the start of every build.
    void BuildBaseGraph();
    // Finds a device by its display name and binds it into `filter`; of
    // several with the name the last one wins.
    HRESULT FindDevice(DeviceFilterPtr* filter, const std::string& name, DeviceCategory category);

    // The live build of a camera, from the teardown to the connected frame
    // callback and the camera's picture controls. The caller places the
    // video, resets the settings and runs the graph.
    enum class LiveBuild {
        kConnected,          // frames will reach the callback
        kConnectedNoFrames,  // built, but the callback could not be connected
        kNotSupported,       // reported, torn down
        kInUse,              // reported, torn down
    };
    LiveBuild BuildLive(const std::string& deviceName);

    // The camera's picture controls, opened by a connected live build
    // (null when the camera has no node with controls).
    bool HasPictureControls() const { return m_pVideoProcAmp != nullptr; }
    // The camera's range, step and default for a property, and its value
    // (the default when it cannot be read); deviceHandled set. A failure
    // when the camera lacks the property.
    HRESULT ReadPictureControl(VideoProcAmp::Property property, VideoProcSetting* setting) const;
    // Sends a value to the camera's control, where the camera has controls.
    void SetPictureControl(VideoProcAmp::Property property, int32_t value) const;
    // The settings become the tables of the frames from now on.
    void ApplyAdjustments(const PictureSettings& settings);

    // Routes the graph's frames to `target` and its events to `window` (as
    // QEvent type `eventType`). False when the graph has no renderer:
    // nothing is shown, events still arrive.
    bool ConnectVideo(FrameTarget* target, QObject* window, int eventType);
    HRESULT Run();
    HRESULT Pause();
    HRESULT Stop();
    // The frame-rate box: the camera's rate nearest to `frameTime`, applied
    // by a restart of the running camera. A rate the camera lacks is
    // reported and the stream goes on as it was. Only a running camera has
    // a rate to change.
    void ChangeFrameRate(int64_t frameTime);
    // Takes every waiting graph event (a file's end of stream rewinds it to
    // its start; the first error of a graph is reported with GStreamer's
    // reason); how many there were.
    int TakeEvents();
    // The graph's source failed while it played (reported once).
    bool Failed() const { return m_failed; }
    int Rewinds() const { return m_rewinds; }  // files started over, in this run

    bool GraphBuilt() const { return m_bGraphBuilt; }
    bool DeviceActive() const { return m_bDeviceActive; }
    void SetDeviceActive(bool active) { m_bDeviceActive = active; }
    bool NoVideoWindow() const { return m_bNoVideoWindow; }
    bool Paused() const { return m_bPaused; }
    void SetPaused(bool paused) { m_bPaused = paused; }
    bool StillImage() const { return m_stillImage; }
    // The audio build: a new graph with the microphone's stream to the
    // audio output, at the volume SetMuted last asked for, built stopped.
    // A failed lookup is reported and leaves the base graph only (E_FAIL);
    // a device that cannot join or be rendered is reported and the graph
    // stays as far as it got (S_FALSE). The device is active in both of the
    // latter cases.
    HRESULT BuildAudio(const std::string& deviceName);

    // The file build: a new graph playing `path` through the grabber, cued
    // at its first frame and stopped, with the frame callback connected when
    // the file has video. Reports each failure as it happens.
    enum class FileBuild {
        kNoGrabber,       // the grabber's elements are missing: nothing built
        kNotRendered,     // the file does not play ("FAILED...")
        kNoVideo,         // plays, but has no video for the grabber
        kVideo,           // plays, frames reach the callback
    };
    FileBuild BuildFile(const std::string& path, bool stillImage);
    // Connects the frame callback to the grabber as connected now; reports
    // "Could not read the connected media type" when it is not.
    HRESULT ConnectFrameCallback();
    // A still image passes the frame callback again: the graph runs anew.
    void ReplayStillImage();
    void SetStillImage(bool still) { m_stillImage = still; }

    // A camera's capture stream runs in the graph (not a file, not a
    // microphone).
    bool LiveVideo() const { return m_bGraphBuilt && m_liveVideo; }
    // The sound button's state, for every graph with sound from now on.
    void SetMuted(bool muted);
    bool Muted() const { return m_muted; }
    bool HasCompanionFilter() const { return m_pCompanionFilter != nullptr; }
    // The PipeWire camera, from the first picture to the end of the
    // session; null without a PipeWire session.
    const PipeWireCamera* UserCamera() const { return m_userCamera.get(); }
    // The device node of the camera in the live graph (empty without one).
    std::string LiveDevicePath() const { return LiveVideo() && m_pDeviceFilter ? m_pDeviceFilter->DevicePath() : std::string(); }
    std::string LiveDeviceName() const { return LiveVideo() && m_pDeviceFilter ? m_pDeviceFilter->DisplayName() : std::string(); }

    // For tests and measurements.
    FilterGraph* Graph() const { return m_pGraph.get(); }
    const CSampleGrabberCB& FrameCallback() const { return m_frameCallback; }
    CColorProcessor& ColorProcessor() { return m_colorProcessor; }

private:
    HRESULT InsertSampleGrabber();
    void FindStreamConfig();
    void Report(const char* text, const char* caption = "") { m_reporter.Report(text, caption); }

    CaptureReporter& m_reporter;

    std::unique_ptr<FilterGraph> m_pGraph;
    DeviceFilterPtr m_pDeviceFilter;
    DeviceFilterPtr m_pCompanionFilter;
    std::unique_ptr<VideoProcAmp> m_pVideoProcAmp;
    bool m_bGraphBuilt = false;
    bool m_bDeviceActive = false;
    bool m_bNoVideoWindow = false;
    bool m_bPaused = false;
    bool m_stillImage = false;
    bool m_liveVideo = false;        // the graph carries a camera's capture stream
    bool m_grabberInGraph = false;   // the callback may be connected to the graph
    bool m_streamConfigFound = false;
    bool m_muted = false;
    bool m_failed = false;  // the graph's source failed while it played
    int m_rewinds = 0;
    static constexpr long kSilent = -10000;
    static constexpr long kFullVolume = 0;

    // --- read by the streaming thread through the frame callback while a
    // graph runs; replaced only while no callback is connected. Both live
    // from their first use to the end of the session, not per graph.
    std::unique_ptr<CompanionDevice> m_companion;
    // The same frames as a PipeWire camera: null without a PipeWire session.
    std::unique_ptr<PipeWireCamera> m_userCamera;
    // The one size both carry (even), set by the first picture.
    int32_t m_outputWidth = 0, m_outputHeight = 0;
    CColorProcessor m_colorProcessor;  // its own hand-over: see ColorProcessor.h
    CSampleGrabberCB m_frameCallback;
};

}  // namespace quabrel
