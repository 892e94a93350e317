// Pictures of the window for the documentation, and of the screen for
// end-to-end checks.
//
//   screenshot skins <folder with skin/> <output folder>   one PNG per skin
//   screenshot screen <output.png> [<x> <y> <w> <h>]        the whole screen, or a part
//   screenshot probe <x> <y> [<x> <y>...]                   screen pixels as #rrggbb

#include "mainwindow/QuabrelDlg.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPixmap>
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
    std::fprintf(stderr, "usage: screenshot skins <folder with skin/> <output folder> | screen <output.png> [<x> <y> <w> <h>] | probe <x> <y>...\n");
    return 2;
}
