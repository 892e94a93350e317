// Pictures of the window for the documentation, and of the screen for
// end-to-end checks.
//
//   screenshot skins <folder with skin/> <output folder>   one PNG per skin
//   screenshot screen <output.png> [<x> <y> <w> <h>]        the whole screen, or a part
//   screenshot probe <x> <y> [<x> <y>...]                   screen pixels as #rrggbb
//   screenshot cutaway <desktop.png> <shot.png> <window.png> <input rects>
//       where a window drawn as <window.png> (a `skins` picture) shows on
//       <shot.png>, taken of the desktop <desktop.png> once the program
//       showed; prints what its cut-away and inside pixels show there and
//       whether the input region (lines "x y w h", window coordinates)
//       follows the outline

#include "mainwindow/QuabrelDlg.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QRegion>
#include <QScreen>

#include <gst/gst.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The window as the screen shows it: everything outside its shape see-through.
QImage ShapedGrab(quabrel::CquabrelDlg& window) {
    QImage shot = window.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    QImage shaped(shot.size(), QImage::Format_ARGB32);
    shaped.fill(Qt::transparent);
    QPainter painter(&shaped);
    painter.setClipRegion(window.WindowShape());
    painter.drawImage(0, 0, shot);
    return shaped;
}

int Skins(const std::string& exeDir, const std::string& out) {
    quabrel::SetMessagePresenter([](QWidget*, const QString& text, const QString&) {
        std::fprintf(stderr, "screenshot: %s\n", qPrintable(text));
    });
    quabrel::CSkinConfig skins;
    skins.Load(quabrel::SkinListPath(exeDir));
    struct Shot {
        int index;  // -1: built in
        std::string name;
    };
    std::vector<Shot> shots{{-1, "builtin"}};
    for (int i = 0; i < skins.GetSize(); ++i) shots.push_back({i, skins[i].m_strDirectory});
    for (const Shot& shot : shots) {
        // A fresh window that starts with this skin, as a user would see it.
        quabrel::CSkinConfig startup = skins;
        startup.m_strCurrent = std::to_string(shot.index);
        quabrel::CquabrelDlg window(startup, exeDir, {.startBanner = false});
        window.show();
        QApplication::processEvents();
        const std::string path = out + "/window-" + shot.name + ".png";
        if (!ShapedGrab(window).save(QString::fromStdString(path))) return 1;
        std::printf("%s\n", path.c_str());
    }
    return 0;
}

bool SameColour(QRgb a, QRgb b) {
    // Exact but for rounding in a compositor's colour conversion.
    return std::abs(qRed(a) - qRed(b)) <= 2 && std::abs(qGreen(a) - qGreen(b)) <= 2 && std::abs(qBlue(a) - qBlue(b)) <= 2;
}

int CutAway(const char* desktopPath, const char* shotPath, const char* windowPath, const char* rectsPath) {
    const QImage desktop = QImage(QString::fromLocal8Bit(desktopPath)).convertToFormat(QImage::Format_RGB32);
    const QImage shot = QImage(QString::fromLocal8Bit(shotPath)).convertToFormat(QImage::Format_RGB32);
    const QImage window = QImage(QString::fromLocal8Bit(windowPath)).convertToFormat(QImage::Format_ARGB32);
    if (desktop.isNull() || shot.size() != desktop.size() || window.isNull()) {
        std::fprintf(stderr, "screenshot: unreadable or mismatched pictures\n");
        return 1;
    }
    QRegion input;
    if (FILE* rects = std::fopen(rectsPath, "r")) {
        int x, y, w, h;
        while (std::fscanf(rects, "%d %d %d %d", &x, &y, &w, &h) == 4) input += QRect(x, y, w, h);
        std::fclose(rects);
    }
    // The window is where the shot differs from the desktop; the top rows
    // are left out, where a clock may have ticked meanwhile.
    QRect changed, drawn;
    for (int y = 40; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (shot.pixel(x, y) != desktop.pixel(x, y)) changed |= QRect(x, y, 1, 1);
    for (int y = 0; y < window.height(); ++y)
        for (int x = 0; x < window.width(); ++x)
            if (qAlpha(window.pixel(x, y)) != 0) drawn |= QRect(x, y, 1, 1);
    if (changed.isEmpty() || drawn.isEmpty()) {
        std::fprintf(stderr, "screenshot: no window on the shot\n");
        return 1;
    }
    const QPoint at = changed.topLeft() - drawn.topLeft();
    int cutAway = 0, desktopShown = 0, inside = 0, faceShown = 0, inputCutAway = 0, inputMissing = 0;
    for (int y = 0; y < window.height(); ++y)
        for (int x = 0; x < window.width(); ++x) {
            const QPoint p = at + QPoint(x, y);
            if (!shot.rect().contains(p)) continue;
            const bool out = qAlpha(window.pixel(x, y)) == 0;
            if (out) {
                ++cutAway;
                desktopShown += shot.pixel(p) == desktop.pixel(p);
                inputCutAway += input.contains(QPoint(x, y));
            } else {
                ++inside;
                faceShown += SameColour(shot.pixel(p), window.pixel(x, y));
                inputMissing += !input.contains(QPoint(x, y));
            }
        }
    std::printf("window at %d,%d size %dx%d\n", at.x(), at.y(), window.width(), window.height());
    std::printf("cut-away %d desktop %d\n", cutAway, desktopShown);
    std::printf("inside %d as-drawn %d\n", inside, faceShown);
    std::printf("input-region rects %d cut-away-inside %d inside-outside %d\n", input.rectCount(), inputCutAway, inputMissing);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "skins") == 0) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        gst_init(nullptr, nullptr);  // the window lists the devices it finds
        std::string exeDir = argv[2];
        if (exeDir.back() != '/') exeDir += '/';
        return Skins(exeDir, argv[3]);
    }
    if ((argc == 3 || argc == 7) && std::strcmp(argv[1], "screen") == 0) {
        QApplication app(argc, argv);
        const int x = argc == 7 ? std::atoi(argv[3]) : 0, y = argc == 7 ? std::atoi(argv[4]) : 0;
        const int w = argc == 7 ? std::atoi(argv[5]) : -1, h = argc == 7 ? std::atoi(argv[6]) : -1;
        return QGuiApplication::primaryScreen()->grabWindow(0, x, y, w, h).save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    }
    if (argc >= 4 && argc % 2 == 0 && std::strcmp(argv[1], "probe") == 0) {
        QApplication app(argc, argv);
        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        for (int i = 2; i + 1 < argc; i += 2)
            std::printf("%s\n", qPrintable(QColor(screen.pixel(std::atoi(argv[i]), std::atoi(argv[i + 1]))).name()));
        return 0;
    }
    if (argc == 6 && std::strcmp(argv[1], "cutaway") == 0) {
        return CutAway(argv[2], argv[3], argv[4], argv[5]);
    }
    std::fprintf(stderr, "usage: screenshot skins <folder with skin/> <output folder> | screen <output.png> [<x> <y> <w> <h>] | probe <x> <y>... | cutaway <desktop.png> <shot.png> <window.png> <input rects>\n");
    return 2;
}
