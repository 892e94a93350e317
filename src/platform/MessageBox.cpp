#include "platform/MessageBox.h"

#include <QMessageBox>

namespace quabrel {

namespace {

void ModalBox(QWidget* owner, const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, owner);
    box.exec();
}

MessagePresenter& Presenter() {
    static MessagePresenter presenter = ModalBox;
    return presenter;
}

}  // namespace

void ShowMessageBox(QWidget* owner, const QString& text, const QString& caption) {
    Presenter()(owner, text, caption.isEmpty() ? QStringLiteral("quabrel") : caption);
}

MessagePresenter SetMessagePresenter(MessagePresenter presenter) {
    MessagePresenter previous = std::move(Presenter());
    Presenter() = presenter ? std::move(presenter) : MessagePresenter(ModalBox);
    return previous;
}

namespace {

int Exec(QDialog& dialog) { return dialog.exec(); }

DialogRunner& Runner() {
    static DialogRunner runner = Exec;
    return runner;
}

}  // namespace

int RunModal(QDialog& dialog) { return Runner()(dialog); }

DialogRunner SetDialogRunner(DialogRunner runner) {
    DialogRunner previous = std::move(Runner());
    Runner() = runner ? std::move(runner) : DialogRunner(Exec);
    return previous;
}

}  // namespace quabrel
