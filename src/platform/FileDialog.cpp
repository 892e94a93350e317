#include "platform/FileDialog.h"

#include <QFileDialog>
#include <QSettings>

#include <mutex>

namespace quabrel {

namespace {

QString Dialog(QWidget* owner, const QString& filter) {
    // The toolkit's dialog keeps its history and last folder in the user's
    // settings folder, and this program writes no file: its settings file
    // is put where none can ever be made, so the dialog neither reads nor
    // writes one.
    static std::once_flag once;
    std::call_once(once, [] {
        for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
            QSettings::setPath(format, QSettings::UserScope, QStringLiteral("/dev/null"));
    });
    return QFileDialog::getOpenFileName(owner, QString(), QString(), filter);
}

FileChooser& Chooser() {
    static FileChooser chooser = Dialog;
    return chooser;
}

}  // namespace

QString ChooseFileToOpen(QWidget* owner, const QString& filter) { return Chooser()(owner, filter); }

FileChooser SetFileChooser(FileChooser chooser) {
    FileChooser previous = std::move(Chooser());
    Chooser() = chooser ? std::move(chooser) : FileChooser(Dialog);
    return previous;
}

}  // namespace quabrel
