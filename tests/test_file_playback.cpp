// Files in the picture area: every kind the open dialog offers plays through
// the same grabber and tables as the camera, loops, obeys the playback
// buttons, and damaged files say so without harm.
#include "controls/MySliderControl.h"
#include "controls/SkinButton.h"
#include "controls/VideoWindow.h"
#include "mainwindow/QuabrelDlg.h"
#include "platform/FileDialog.h"
#include "support/AudioOutput.h"
#include "support/FakeV4l2.h"
#include "support/MediaFiles.h"
#include "support/TempDir.h"
#include "support/WidgetTestUtil.h"

#include <QImageWriter>
#include <QLineEdit>

#include <fstream>

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

namespace quabrel {
namespace {

using testing::CountingAudioOutput;
using testing::MessageRecorder;
using testing::TempDir;
using testing::WaitUntil;

class FilePlayback : public ::testing::Test {
protected:
    void SetUp() override {
        m_previousChooser = SetFileChooser([this](QWidget*, const QString& filter) {
            m_filters << filter;
            return m_next;
        });
        m_window = std::make_unique<CquabrelDlg>(m_skins, "/nonexistent/", CquabrelDlg::Options{.startBanner = false});
        m_window->show();
    }
    void TearDown() override {
        m_window.reset();
        SetFileChooser(m_previousChooser);
    }
    // Opens `name` of the temporary folder through command `command`, as
    // the user does with the file dialog.
    void Open(int command, const std::string& name) {
        m_next = QString::fromStdString(m_dir.Path(name));
        m_window->OnCommand(command);
    }
    VideoWindow* Video() const { return m_window->Video(); }
    bool Shows() const { return Video() != nullptr && Video()->isVisible() && Video()->FramesShown() > 0; }
    void Click(int id) { m_window->Item<CxSkinButton>(id)->click(); }
    void Release(int slider, int value) {
        auto* s = m_window->Item<CMySliderControl>(slider);
        s->setValue(value);
        Q_EMIT s->releasedCapture();
    }

    testing::FakeV4l2 m_v4l2;
    CountingAudioOutput m_audio;
    MessageRecorder m_messages;
    TempDir m_dir;
    CSkinConfig m_skins;
    QString m_next;
    QStringList m_filters;
    FileChooser m_previousChooser;
    std::unique_ptr<CquabrelDlg> m_window;
};

struct Clip {
    const char* name;
    int command;
    const char* encodeAndMux;  // empty: a picture
    bool video;
};

TEST_F(FilePlayback, EveryExtensionTheDialogsOfferPlaysAndAVideoLoops) {
    const Clip clips[] = {
        {"clip.avi", CquabrelDlg::kCmdVideoFile, "jpegenc ! avimux", true},
        {"clip.mov", CquabrelDlg::kCmdVideoFile, "jpegenc ! qtmux", true},
        {"clip.qt", CquabrelDlg::kCmdVideoFile, "jpegenc ! qtmux", true},
        {"clip.mpg", CquabrelDlg::kCmdVideoFile, "mpeg2enc format=0 ! mpegvideoparse ! mpegpsmux", true},
        {"clip.mpeg", CquabrelDlg::kCmdVideoFile, "mpeg2enc format=0 ! mpegvideoparse ! mpegpsmux", true},
        {"clip.dat", CquabrelDlg::kCmdVideoFile, "mpeg2enc format=0 ! mpegvideoparse ! mpegpsmux", true},
        {"clip.m1v", CquabrelDlg::kCmdVideoFile, "mpeg2enc format=0", true},
        {"tone.wav", CquabrelDlg::kCmdAudioFile, "wavenc", false},
        {"tone.mp3", CquabrelDlg::kCmdAudioFile, "lamemp3enc", false},
        {"tone.mpa", CquabrelDlg::kCmdAudioFile, "lamemp3enc", false},
        {"tone.mp2", CquabrelDlg::kCmdAudioFile, "avenc_mp2", false},
        {"tone.au", CquabrelDlg::kCmdAudioFile, "avmux_au", false},
        {"tone.snd", CquabrelDlg::kCmdAudioFile, "avmux_au", false},
        {"tone.aif", CquabrelDlg::kCmdAudioFile, "aiffmux", false},
        {"tone.aiff", CquabrelDlg::kCmdAudioFile, "aiffmux", false},
    };
    for (const Clip& clip : clips) {
        const std::string path = m_dir.Path(clip.name);
        ASSERT_TRUE(clip.video ? testing::MakeVideo(path, clip.encodeAndMux) : testing::MakeSound(path, clip.encodeAndMux))
            << clip.name;
    }
    for (const Clip& clip : clips) {
        SCOPED_TRACE(clip.name);
        m_messages.Clear();
        const int heard = m_audio.Buffers();
        Open(clip.command, clip.name);
        if (clip.video) {
            EXPECT_TRUE(m_messages.Texts().isEmpty()) << m_messages.Texts().join("|").toStdString();
            ASSERT_TRUE(WaitUntil([&] { return Shows(); })) << "no picture";
            const int rewinds = m_window->Capture().Rewinds();
            EXPECT_TRUE(WaitUntil([&] { return m_window->Capture().Rewinds() >= rewinds + 2; }))
                << "the clip did not start over twice";
            EXPECT_TRUE(m_window->Item<CxSkinButton>(1002)->isEnabled());
        } else {
            // Sound only: the grabber has nothing to take, which the window
            // says twice, and the sound plays.
            EXPECT_EQ(m_messages.Texts(), QStringList({"Could not read the connected media type",
                                                       "Could not read the connected media type"}));
            EXPECT_TRUE(WaitUntil([&] { return m_audio.Buffers() > heard; })) << "no sound reached the output";
        }
    }
    EXPECT_EQ(m_filters.first(), "Video Files (*.dat *.avi *.qt *.mov *.mpg *.mpeg *.m1v)");
}

// What the program ships for a first run without a camera: each sample
// opens through its own command, the clip loops and the sound plays.
TEST_F(FilePlayback, TheShippedSamplesOpenTheClipLoopsAndTheChimeSounds) {
    auto open = [&](int command, const char* name) {
        m_messages.Clear();
        m_next = QString(SHIPPED_SAMPLES "/") + name;
        m_window->OnCommand(command);
    };
    open(CquabrelDlg::kCmdVideoFile, "bouncing-ball.avi");
    EXPECT_TRUE(m_messages.Texts().isEmpty()) << m_messages.Texts().join("|").toStdString();
    ASSERT_TRUE(WaitUntil([&] { return Shows(); })) << "no picture";
    EXPECT_FALSE(Video()->CurrentFrame().isNull());
    const int rewinds = m_window->Capture().Rewinds();
    EXPECT_TRUE(WaitUntil([&] { return m_window->Capture().Rewinds() >= rewinds + 1; }, 10000)) << "the clip did not start over";

    open(CquabrelDlg::kCmdImageFile, "colour-chart.bmp");
    EXPECT_TRUE(m_messages.Texts().isEmpty()) << m_messages.Texts().join("|").toStdString();
    const auto shown = Video()->FramesShown();
    EXPECT_TRUE(WaitUntil([&] { return Video()->FramesShown() > shown; })) << "the picture never showed";

    const int heard = m_audio.Buffers();
    open(CquabrelDlg::kCmdAudioFile, "chime.wav");
    EXPECT_TRUE(WaitUntil([&] { return m_audio.Buffers() > heard; })) << "no sound reached the output";
}

// A corpus of damaged files made from good ones of every kind: cut short at
// several lengths, bytes overwritten in the header and in the body, the
// header zeroed. Each opens through its command and either plays what it can
// or says why it cannot; none crashes or hangs the window, and a good file
// plays after all of them.
TEST_F(FilePlayback, ACorpusOfDamagedFilesNeverCrashesOrHangsTheWindow) {
    struct Original {
        std::string name;
        int command;
    };
    std::vector<Original> originals = {{SHIPPED_SAMPLES "/bouncing-ball.avi", CquabrelDlg::kCmdVideoFile},
                                       {SHIPPED_SAMPLES "/chime.wav", CquabrelDlg::kCmdAudioFile},
                                       {SHIPPED_SAMPLES "/colour-chart.bmp", CquabrelDlg::kCmdImageFile}};
    const struct {
        const char* name;
        const char* encodeAndMux;
        int command;
        bool video;
    } made[] = {{"clip.mov", "jpegenc ! qtmux", CquabrelDlg::kCmdVideoFile, true},
                {"clip.mpg", "mpeg2enc format=0 ! mpegvideoparse ! mpegpsmux", CquabrelDlg::kCmdVideoFile, true},
                {"tone.mp3", "lamemp3enc", CquabrelDlg::kCmdAudioFile, false},
                {"tone.aiff", "aiffmux", CquabrelDlg::kCmdAudioFile, false}};
    for (const auto& m : made) {
        const std::string path = m_dir.Path(m.name);
        ASSERT_TRUE(m.video ? testing::MakeVideo(path, m.encodeAndMux) : testing::MakeSound(path, m.encodeAndMux)) << m.name;
        originals.push_back({path, m.command});
    }
    ASSERT_TRUE(QImage(SHIPPED_SAMPLES "/colour-chart.bmp").save(QString::fromStdString(m_dir.Path("chart.jpg"))));
    originals.push_back({m_dir.Path("chart.jpg"), CquabrelDlg::kCmdImageFile});

    std::mt19937 random(13);
    int played = 0, refused = 0;
    for (const Original& original : originals) {
        std::ifstream in(original.name, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_GT(bytes.size(), 256u) << original.name;
        const std::string extension = original.name.substr(original.name.rfind('.'));
        std::vector<std::pair<std::string, std::string>> damaged = {
            {"cut-to-16", bytes.substr(0, 16)},
            {"cut-to-a-tenth", bytes.substr(0, bytes.size() / 10)},
            {"cut-in-half", bytes.substr(0, bytes.size() / 2)},
            {"header-zeroed", std::string(64, '\0') + bytes.substr(64)},
        };
        for (const char* where : {"header", "body"}) {
            std::string spoiled = bytes;
            const std::size_t from = where[0] == 'h' ? 0 : spoiled.size() / 4, span = where[0] == 'h' ? 64 : spoiled.size() / 2;
            for (int i = 0; i < 24; ++i) spoiled[from + random() % span] = static_cast<char>(random());
            damaged.emplace_back(std::string("overwritten-in-the-") + where, spoiled);
        }
        for (const auto& [damage, content] : damaged) {
            const std::string name = damage + "-" + std::to_string(&original - originals.data()) + extension;
            SCOPED_TRACE(original.name + ", " + damage);
            std::ofstream(m_dir.Path(name), std::ios::binary) << content;
            m_messages.Clear();
            Open(original.command, name);
            const QStringList texts = m_messages.Texts();
            // A still picture whose damage shows only once it runs fails
            // there; a file that plays and then fails says why, once.
            for (const QString& text : texts)
                EXPECT_TRUE(text == "FAILED..." || text == "Could not read the connected media type" ||
                            text == "Run returns error." || text.startsWith("The file stopped playing: "))
                    << text.toStdString();
            EXPECT_LE(texts.filter("The file stopped playing: ").size(), 1);
            if (texts.contains("FAILED...")) {
                ++refused;
                EXPECT_EQ(texts.first(), "FAILED...");
            } else {
                ++played;
            }
            // The window still answers: its events go round.
            QApplication::processEvents();
        }
    }
    std::printf("damaged files: %d refused, %d played what they could\n", refused, played);
    EXPECT_GT(refused, 0);
    m_messages.Clear();
    m_next = QString(SHIPPED_SAMPLES "/bouncing-ball.avi");
    m_window->OnCommand(CquabrelDlg::kCmdVideoFile);
    EXPECT_TRUE(WaitUntil([&] { return Shows() && m_messages.Texts().isEmpty(); })) << "a good file no longer plays";
}

TEST_F(FilePlayback, PicturesOfEveryOfferedFormatShowAndPassTheTablesAgainOnEachRelease) {
    const QImage picture = testing::TwoColourPicture();
    ASSERT_TRUE(picture.save(QString::fromStdString(m_dir.Path("pic.bmp")), "BMP"));
    ASSERT_TRUE(picture.save(QString::fromStdString(m_dir.Path("pic.jpg")), "JPG", 95));
    ASSERT_TRUE(picture.save(QString::fromStdString(m_dir.Path("pic.jpeg")), "JPG", 95));
    ASSERT_TRUE(testing::WriteBytes(m_dir.Path("pic.gif"), testing::GifOf(picture)));
    for (const char* name : {"pic.bmp", "pic.jpg", "pic.jpeg", "pic.gif"}) {
        SCOPED_TRACE(name);
        m_messages.Clear();
        Open(CquabrelDlg::kCmdImageFile, name);
        EXPECT_TRUE(m_messages.Texts().isEmpty()) << m_messages.Texts().join("|").toStdString();
        EXPECT_TRUE(m_window->Capture().StillImage());
        ASSERT_TRUE(WaitUntil([&] { return Shows() && !Video()->CurrentFrame().isNull(); }));
        const QImage before = Video()->CurrentFrame();
        const QPoint left(before.width() / 8, before.height() / 2);
        // Red up: the one frame passes the callback again with the new tables.
        Release(1020, 60);
        ASSERT_TRUE(WaitUntil([&] { return qRed(Video()->CurrentFrame().pixel(left)) > qRed(before.pixel(left)) + 30; }))
            << "the picture did not take the new red";
        Release(1020, 0);
    }
}

TEST_F(FilePlayback, TheButtonsPauseStopAndPlayAFileAsTheyDoAndCancellingChangesNothing) {
    ASSERT_TRUE(testing::MakeVideo(m_dir.Path("clip.avi"), "jpegenc ! avimux"));
    Open(CquabrelDlg::kCmdVideoFile, "clip.avi");
    ASSERT_TRUE(WaitUntil([&] { return Shows(); }));
    FilterGraph* graph = m_window->Graph();

    Click(1003);
    EXPECT_EQ(m_window->HiddenText(), "in OnBnClickedPausefile else");
    EXPECT_TRUE(m_window->Capture().Paused());
    Click(1002);  // play while paused: runs and clears the pause
    EXPECT_FALSE(m_window->Capture().Paused());
    Click(1003);
    Click(1003);  // a second pause resumes
    EXPECT_EQ(m_window->HiddenText(), "in OnBnClickedPausefile if");
    EXPECT_FALSE(m_window->Capture().Paused());

    Click(1004);  // stop: back at the start, first frame shown, buttons stay
    EXPECT_TRUE(Video()->isVisible());
    EXPECT_TRUE(m_window->Item<CxSkinButton>(1002)->isEnabled());
    EXPECT_EQ(m_window->Graph(), graph) << "the same graph, rewound";
    Click(1002);
    const uint64_t shown = Video()->FramesShown();
    EXPECT_TRUE(WaitUntil([&] { return Video()->FramesShown() > shown + 2; })) << "plays again";

    // The dialog cancelled: the file goes on, the still-image flag is off.
    m_next.clear();
    m_window->OnCommand(CquabrelDlg::kCmdImageFile);
    EXPECT_EQ(m_window->Graph(), graph);
    EXPECT_FALSE(m_window->Capture().StillImage());
    EXPECT_TRUE(m_messages.Texts().isEmpty()) << m_messages.Texts().join("|").toStdString();
}

TEST_F(FilePlayback, TheAdjustmentsReachTheFramesOfAPlayingFile) {
    ASSERT_TRUE(testing::MakeVideo(m_dir.Path("clip.avi"), "jpegenc quality=95 ! avimux"));
    Open(CquabrelDlg::kCmdVideoFile, "clip.avi");
    ASSERT_TRUE(WaitUntil([&] { return Shows(); }));
    const QImage before = Video()->CurrentFrame();
    const QPoint white(before.width() / 20, before.height() / 3);  // the bars' first: white
    Release(1022, -80);                                          // blue down
    ASSERT_TRUE(WaitUntil([&] { return qBlue(Video()->CurrentFrame().pixel(white)) + 50 < qBlue(before.pixel(white)); }))
        << "blue stayed " << qBlue(Video()->CurrentFrame().pixel(white));
    EXPECT_GT(qRed(Video()->CurrentFrame().pixel(white)), 200) << "red untouched";
}

TEST_F(FilePlayback, DamagedFilesSayWhyAndTheWindowCarriesOn) {
    auto write = [&](const char* name, const std::string& bytes) {
        std::ofstream(m_dir.Path(name), std::ios::binary) << bytes;
    };
    write("empty.avi", "");
    write("noise.mpg", std::string(4096, '\x5a'));
    ASSERT_TRUE(testing::MakeVideo(m_dir.Path("whole.avi"), "jpegenc ! avimux"));
    {
        std::ifstream whole(m_dir.Path("whole.avi"), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(whole)), std::istreambuf_iterator<char>());
        write("truncated.avi", bytes.substr(0, bytes.size() / 3));
    }
    // A BMP header promising 100000 x 100000 pixels, with a few bytes behind it.
    std::string huge = "BM";
    auto le32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) huge.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
    };
    le32(54 + 64);
    le32(0);
    le32(54);
    le32(40);
    le32(100000);
    le32(100000);
    huge += std::string("\x01\x00\x18\x00", 4);
    for (int i = 0; i < 6; ++i) le32(0);
    huge += std::string(64, '\x7f');
    write("huge.bmp", huge);
    ASSERT_TRUE(testing::MakeSound(m_dir.Path("sound-named-video.avi"), "wavenc"));

    const struct {
        const char* name;
        int command;
    } damaged[] = {{"empty.avi", CquabrelDlg::kCmdVideoFile},
                   {"noise.mpg", CquabrelDlg::kCmdVideoFile},
                   {"truncated.avi", CquabrelDlg::kCmdVideoFile},
                   {"huge.bmp", CquabrelDlg::kCmdImageFile},
                   {"missing.avi", CquabrelDlg::kCmdVideoFile}};
    for (const auto& file : damaged) {
        SCOPED_TRACE(file.name);
        m_messages.Clear();
        Open(file.command, file.name);
        const QStringList texts = m_messages.Texts();
        // A truncated file may still hold frames that play.
        if (std::string(file.name) == "truncated.avi" && texts.isEmpty()) continue;
        ASSERT_FALSE(texts.isEmpty());
        EXPECT_EQ(texts.first(), "FAILED...");
        EXPECT_TRUE(texts.contains("Could not read the connected media type"));
        EXPECT_TRUE(Video() == nullptr || !Video()->isVisible()) << "nothing to show";
    }
    // Sound behind a video name plays as sound.
    m_messages.Clear();
    Open(CquabrelDlg::kCmdVideoFile, "sound-named-video.avi");
    EXPECT_EQ(m_messages.Texts(), QStringList({"Could not read the connected media type",
                                               "Could not read the connected media type"}));
    // And a good file still plays afterwards.
    m_messages.Clear();
    Open(CquabrelDlg::kCmdVideoFile, "whole.avi");
    EXPECT_TRUE(WaitUntil([&] { return Shows(); }));
    EXPECT_TRUE(m_messages.Texts().isEmpty()) << m_messages.Texts().join("|").toStdString();
}

}  // namespace
}  // namespace quabrel
