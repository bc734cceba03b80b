#pragma once

#include <QString>
#include <QStringView>

namespace kav {

// text as a message may quote it: every control character (C0, DEL, C1), every
// invisible format character (such as the bidirectional overrides) and the line
// and paragraph separators are shown escaped, \x1B or \u202E, so a file name, a
// field of a file or an argument can neither steer a terminal nor hide what it
// holds. Everything else, a backslash included, stays as it is.
[[nodiscard]] QString printableText(QStringView text);
// The same for a message of several lines: each line escaped, the line breaks kept.
[[nodiscard]] QString printableLines(QStringView text);

} // namespace kav
