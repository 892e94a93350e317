#pragma once

#include <QString>

#include <functional>

class QDialog;
class QWidget;

namespace quabrel {

// Every message the program shows goes through here: a modal box owned by
// `owner`, one OK button, the program's name as caption. Tests swap the
// presenter so that nothing ever waits for a click.
using MessagePresenter = std::function<void(QWidget* owner, const QString& text, const QString& caption)>;

void ShowMessageBox(QWidget* owner, const QString& text, const QString& caption = QString());

// Installs `presenter` (an empty one restores the real box) and returns the
// previous one.
MessagePresenter SetMessagePresenter(MessagePresenter presenter);

// Every other modal dialog runs through here too (QDialog::exec); tests
// swap the runner to work the dialog and close it themselves.
using DialogRunner = std::function<int(QDialog& dialog)>;
int RunModal(QDialog& dialog);
DialogRunner SetDialogRunner(DialogRunner runner);

}  // namespace quabrel
