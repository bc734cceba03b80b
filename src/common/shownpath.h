#pragma once

#include <QString>

namespace kav {

// path as a message names it to the user: with the system's separators, so
// C:\Users\bench\AppData\Roaming\Kavrilink\backups on Windows, where Qt keeps
// paths with forward slashes; unchanged elsewhere. Its control characters are
// escaped as printableText() does, a line feed as \x0A, so a path quoted in a
// message stays on its line. For texts only: files are opened, written and
// compared by the path as it is.
[[nodiscard]] QString shownPath(const QString &path);

} // namespace kav
