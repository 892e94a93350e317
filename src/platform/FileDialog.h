#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace quabrel {

// Every file the user picks comes through here: the toolkit's file-open
// dialog, owned by `owner`, showing the files that match `filter` (the
// dialog's syntax: "Description (*.a *.b)"). An empty result: cancelled.
// Tests swap the chooser so that no dialog ever waits for them.
using FileChooser = std::function<QString(QWidget* owner, const QString& filter)>;

QString ChooseFileToOpen(QWidget* owner, const QString& filter);

// Installs `chooser` (an empty one restores the dialog) and returns the
// previous one.
FileChooser SetFileChooser(FileChooser chooser);

}  // namespace quabrel
