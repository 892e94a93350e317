// The banner by itself: quabrel's own banner widget, with the same web view
// module, page and start-up settings, alone in a plain window of about the
// banner's size and with no camera. The preview benchmark measures it beside
// the program to show what the web engine costs on its own.
//
//   banner_alone <web view module folder> <page address>
#include "controls/Explorer1.h"

#include <QApplication>
#include <QUrl>
#include <QWidget>

#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const QString moduleFolder = QString::fromLocal8Bit(argv[1]);
    const QUrl page(QString::fromLocal8Bit(argv[2]));

    // As the program starts: software drawing, no caches on disk, and the
    // engine's sandbox off only for root, which it refuses to sandbox.
    qputenv("QT_XCB_GL_INTEGRATION", "none");
    qputenv("MESA_SHADER_CACHE_DISABLE", "true");
    QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    char name[] = "banner_alone", engineArgs[] = "--webEngineArgs", noSandbox[] = "--no-sandbox";
    char* args[] = {name, engineArgs, noSandbox, nullptr};
    int count = ::geteuid() == 0 ? 3 : 1;
    QApplication app(count, args);

    QWidget window;
    window.setWindowTitle(QStringLiteral("banner alone"));
    window.resize(465, 75);
    auto* banner = new quabrel::CExplorer1(&window);
    banner->setGeometry(window.rect());
    banner->Navigate(page);
    window.show();
    banner->Start(moduleFolder);
    return app.exec();
}
