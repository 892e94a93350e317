#pragma once

#include <QProcessEnvironment>
#include <QUrl>

#include <functional>

namespace quabrel {

// Sets a variable of our own process for the libraries we run in it (the
// toolkit, the media framework, the graphics driver) and remembers it, so
// that programs we launch for the user do not inherit it.
void SetOwnVariable(const char* name, const QByteArray& value);

// The environment the user's own programs get: ours without the variables
// set through SetOwnVariable.
QProcessEnvironment LaunchEnvironment();

// Opens `address` in the user's default browser through the desktop's URL
// handler. A failure is the desktop's business: nothing is reported. Tests
// swap the handler to see what would have been opened.
using UrlOpener = std::function<void(const QUrl& address)>;
void OpenUrl(const QUrl& address);
// Installs `opener` (an empty one restores the desktop's) and returns the
// previous one.
UrlOpener SetUrlOpener(UrlOpener opener);

}  // namespace quabrel
