#include "platform/FileDialog.h"

#include <QFileDialog>

namespace quabrel {

namespace {

QString Dialog(QWidget* owner, const QString& filter) {
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
