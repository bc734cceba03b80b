#pragma once

#include <QString>

namespace kav {

// The application folder: holds comport.inf and comport.map, and is where the
// file dialogs start. Created on first use when missing.
QString applicationFolder();

// Path of name inside the application folder.
QString applicationFile(const QString &name);

// Creates folder and every folder above it that is missing. False, with
// "<folder>: the folder cannot be created: <why>" in *reason, where why names
// the part that failed and the system's reason: "<path> is a file, not a
// folder", "File name too long", "Permission denied", and "HOME is not set"
// when HOME is unset, so that the folder would be under /. Paths in it are
// named as shownPath() gives them.
[[nodiscard]] bool makeFolder(const QString &folder, QString *reason);

} // namespace kav
