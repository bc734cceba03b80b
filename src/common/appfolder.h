#pragma once

#include <QString>

namespace kav {

// The application folder: holds comport.inf and comport.map, and is where the
// file dialogs start. Created on first use when missing. On Windows it is
// under %APPDATA%; elsewhere Kavrilink in $XDG_DATA_HOME, or in
// $HOME/.local/share when XDG_DATA_HOME is unset, empty or relative (as the
// XDG rules say). With neither an absolute XDG_DATA_HOME nor an absolute HOME
// there is none: empty, with why in *problem ("there is no application
// folder: HOME is not set"), rather than a folder made under /.
QString applicationFolder(QString *problem = nullptr);

// Path of name inside the application folder; empty when there is none.
QString applicationFile(const QString &name);

// Creates folder and every folder above it that is missing. False, with
// "<folder>: the folder cannot be created: <why>" in *reason, where why names
// the part that failed and the system's reason: "<path> is a file, not a
// folder", "File name too long", "Permission denied", and "HOME is not set"
// when HOME is unset, so that the folder would be under /. Paths in it are
// named as shownPath() gives them.
[[nodiscard]] bool makeFolder(const QString &folder, QString *reason);

} // namespace kav
