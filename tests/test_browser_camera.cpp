// The virtual camera as people use it: Debian's Chromium and Firefox pick
// "Quabrel" through the desktop's camera portal on a PipeWire session of the
// test's own (tests/desktop_session.sh), and a page reports what it sees.
// The browser is the judge: GStreamer's own reader accepts formats and rates
// that browsers refuse, and reads colours they would swap.
#include "mainwindow/QuabrelDlg.h"
#include "platform/FileDialog.h"
#include "support/LiveWindow.h"
#include "support/WidgetTestUtil.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

#include <array>
#include <optional>

namespace quabrel {
namespace {

using testing::GrabbedFrames;
using testing::MessageRecorder;
using testing::WaitUntil;

using Colour = std::array<int, 3>;  // red, green, blue

// One "frame" line of the page: what the browser showed at one moment.
struct SeenFrame {
    int width = 0, height = 0;
    long presented = 0;  // frames the browser had presented by then
    qint64 at = 0;       // when the line came, in ms of the test's clock
    std::array<Colour, 7> points{};
};

// A browser with the page open, read line by line as the page logs.
class Browser {
public:
    Browser(const char* browser) {
        m_clock.start();
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start("bash", {QStringLiteral(BROWSER_SCRIPT), QString::fromLatin1(browser),
                                 QStringLiteral("file://" BROWSER_PAGE)});
    }
    ~Browser() {
        m_process.terminate();
        if (!m_process.waitForFinished(10000)) m_process.kill();
        m_process.waitForFinished(5000);
    }
    bool Running() const { return m_process.state() == QProcess::Running; }

    // Waits for a line starting with `word`; its rest, or none in time.
    std::optional<QString> WaitForLine(const QString& word, int ms) {
        std::optional<QString> found;
        WaitUntil([&] {
            ReadLines();
            for (const QString& line : m_lines)
                if (line.startsWith(word)) found = line.mid(word.size()).trimmed();
            m_lines.clear();
            return found.has_value();
        }, ms);
        return found;
    }
    // The next frame line that passes `test`, within `ms`.
    template <typename Test>
    std::optional<SeenFrame> WaitForFrame(Test test, int ms) {
        std::optional<SeenFrame> found;
        WaitUntil([&] {
            ReadLines();
            for (const QString& line : m_lines) {
                if (line.startsWith(QLatin1String("ended"))) m_ended = true;
                const auto frame = Parse(line);
                if (frame && test(*frame)) found = frame;
            }
            m_lines.clear();
            return found.has_value();
        }, ms);
        return found;
    }
    bool Ended() const { return m_ended; }
    QString Errors() const { return m_errors.join(QStringLiteral(" | ")); }

private:
    void ReadLines() {
        while (m_process.canReadLine()) {
            QString line = QString::fromUtf8(m_process.readLine()).trimmed();
            if (!line.startsWith(QLatin1String("QB "))) continue;
            line = line.mid(3);
            if (line.startsWith(QLatin1String("error"))) m_errors << line;
            m_lines << line;
        }
    }
    std::optional<SeenFrame> Parse(const QString& line) const {
        // frame <n> <w>x<h> <presented> r,g,b x7
        const QStringList words = line.split(' ', Qt::SkipEmptyParts);
        if (words.size() != 11 || words[0] != QLatin1String("frame")) return std::nullopt;
        SeenFrame frame;
        const QStringList size = words[2].split('x');
        if (size.size() != 2) return std::nullopt;
        frame.width = size[0].toInt();
        frame.height = size[1].toInt();
        frame.presented = words[3].toLong();
        frame.at = m_clock.elapsed();
        for (int i = 0; i < 7; ++i) {
            const QStringList rgb = words[4 + i].split(',');
            if (rgb.size() != 3) return std::nullopt;
            frame.points[static_cast<std::size_t>(i)] = {rgb[0].toInt(), rgb[1].toInt(), rgb[2].toInt()};
        }
        return frame;
    }

    QProcess m_process;
    QElapsedTimer m_clock;
    QStringList m_lines, m_errors;
    bool m_ended = false;
};

// The program's picture where the page samples it: 7 points across the
// middle row of the grabber's BGRx frame (320 x 240, the camera's size).
std::array<Colour, 7> PictureAtPoints(const std::vector<uint8_t>& bgrx) {
    std::array<Colour, 7> points{};
    if (bgrx.size() != 320u * 240 * 4) return points;
    for (int i = 0; i < 7; ++i) {
        const std::size_t x = static_cast<std::size_t>((i + 0.5) * 320 / 7), y = 120;
        const uint8_t* p = &bgrx[(y * 320 + x) * 4];
        points[static_cast<std::size_t>(i)] = {p[2], p[1], p[0]};
    }
    return points;
}

// Within what a browser's own conversion to YUV and back costs; far from a
// swapped channel or another picture.
bool Close(const std::array<Colour, 7>& seen, const std::array<Colour, 7>& shown) {
    for (std::size_t i = 0; i < seen.size(); ++i)
        for (std::size_t c = 0; c < 3; ++c)
            if (std::abs(seen[i][c] - shown[i][c]) > 24) return false;
    return true;
}

std::string Describe(const std::optional<SeenFrame>& frame) {
    if (!frame) return "no frame";
    std::string text;
    for (const Colour& c : frame->points) text += std::to_string(c[0]) + "," + std::to_string(c[1]) + "," + std::to_string(c[2]) + " ";
    return text;
}

class BrowserCamera : public testing::LiveWindowTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(BrowserCamera, ShowsTheAdjustedPictureFollowsTheSourcesAndEndsWithTheProgram) {
    MessageRecorder messages;
    ShowWindow();
    Choose("Fake Camera Plain");
    ASSERT_TRUE(m_window->DeviceActive());
    ASSERT_NE(m_window->Capture().UserCamera(), nullptr) << "no PipeWire camera: is the session up?";
    auto grabbed = std::make_unique<GrabbedFrames>(*m_window->Graph());
    ASSERT_TRUE(WaitUntil([&] { return !grabbed->Last().empty(); }));

    Browser browser(GetParam());
    // A browser's first start on a busy machine takes its time.
    const auto opened = browser.WaitForLine(QStringLiteral("opened"), 90000);
    ASSERT_TRUE(opened) << GetParam() << " did not open the camera: " << browser.Errors().toStdString();
    EXPECT_EQ(*opened, QStringLiteral("Quabrel"));

    // The right colours in the right places, at the camera's size.
    auto shown = PictureAtPoints(grabbed->Last());
    std::optional<SeenFrame> seen = browser.WaitForFrame([&](const SeenFrame& f) { return Close(f.points, shown); }, 30000);
    ASSERT_TRUE(seen) << "the browser's colours are not the picture's; last seen: " << Describe(browser.WaitForFrame([](auto&) { return true; }, 2000));
    EXPECT_EQ(std::pair(seen->width, seen->height), std::pair(320, 240));

    // Frames at the camera's rate (30 a second; a loaded machine's browser
    // may present fewer, but a stalled or one-frame stream shows here).
    const SeenFrame start = *seen;
    const auto later = browser.WaitForFrame([&](const SeenFrame& f) { return f.at >= start.at + 2000; }, 10000);
    ASSERT_TRUE(later);
    const double rate = 1000.0 * static_cast<double>(later->presented - start.presented) / static_cast<double>(later->at - start.at);
    std::printf("%s presented %.1f frames a second\n", GetParam(), rate);
    EXPECT_GT(rate, 10.0) << "frames do not come at the camera's rate";

    // A slider: the browser follows.
    Release(1020, 80);  // red up
    ASSERT_TRUE(WaitUntil([&] { return PictureAtPoints(grabbed->Last()) != shown; })) << "red changed nothing";
    shown = PictureAtPoints(grabbed->Last());
    EXPECT_TRUE(browser.WaitForFrame([&](const SeenFrame& f) { return Close(f.points, shown); }, 15000))
        << "the slider did not reach the browser";

    // Another camera (another size, and its settings start over): the same
    // track follows it.
    grabbed.reset();
    Choose("Fake Camera VGA");
    ASSERT_TRUE(m_window->DeviceActive());
    const auto reddened = shown;
    EXPECT_TRUE(browser.WaitForFrame([&](const SeenFrame& f) { return f.width == 320 && !Close(f.points, reddened); }, 15000))
        << "the browser still shows the first camera";

    // A file: frames go on coming on the same track.
    const FileChooser previous = SetFileChooser([](QWidget*, const QString&) {
        return QStringLiteral(SHIPPED_SAMPLES "/bouncing-ball.avi");
    });
    m_window->OnCommand(CquabrelDlg::kCmdVideoFile);
    SetFileChooser(previous);
    const auto before = browser.WaitForFrame([](const SeenFrame&) { return true; }, 5000);
    ASSERT_TRUE(before);
    EXPECT_TRUE(browser.WaitForFrame([&](const SeenFrame& f) { return f.presented > before->presented + 5; }, 15000))
        << "the file's frames did not reach the browser";
    EXPECT_FALSE(browser.Ended()) << "the track ended while the program ran";
    EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join("|").toStdString();

    // The program ends: the track ends, the browser goes on.
    m_window.reset();
    EXPECT_TRUE(browser.Ended() || browser.WaitForLine(QStringLiteral("ended"), 20000)) << "the track did not end";
    EXPECT_TRUE(browser.WaitForLine(QStringLiteral("alive"), 10000)) << "the page stopped after the camera went";
    EXPECT_TRUE(browser.Running());
    EXPECT_EQ(browser.Errors(), QString());
}

INSTANTIATE_TEST_SUITE_P(Browsers, BrowserCamera, ::testing::Values("chromium", "firefox"),
                         [](const auto& test) { return std::string(test.param); });

}  // namespace
}  // namespace quabrel
