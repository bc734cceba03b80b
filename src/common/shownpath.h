#pragma once

#include <QString>

namespace kav {

// path as a message names it to the user: with the system's separators, so
// C:\Users\bench\AppData\Roaming\Kavrilink\backups on Windows, where Qt keeps
// paths with forward slashes; unchanged elsewhere. For texts only: files are
// opened, written and compared by the path as it is.
[[nodiscard]] QString shownPath(const QString &path);

} // namespace kav
