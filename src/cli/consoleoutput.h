#pragma once

#include <QByteArrayView>
#include <QString>

namespace kav::cli {

// Writes a line to standard error, control characters escaped, a line feed or
// carriage return too (it may quote a file name, a field of a file or an
// argument, which must not start a line of its own).
void printError(const QString &line);
// Writes text and a line end to standard output, control characters escaped
// within each of its lines; a name quoted in it is escaped by the caller
// (printableText), so it cannot start a line of its own.
// False, said on standard error with the system's reason, when not all of it was
// written (a full disk, /dev/full, a closed pipe): the caller exits 3.
[[nodiscard]] bool printOut(const QString &text);
// Writes bytes to standard output as they are; false, with the system's reason,
// when not all of them were written.
[[nodiscard]] bool writeOut(QByteArrayView bytes, QString *reason);
// Closes standard output at the end of a run, where a deferred write error (a
// network file system's) shows; false, with the system's reason.
[[nodiscard]] bool closeOut(QString *reason);
// Says on standard error that standard output could not be written, and why.
void printOutputFailure(const QString &reason);
// Writes a message of the window to standard error as "prefix: text (detail)";
// the prefix names the device it concerns, an empty detail is left out.
void printMessage(const QString &prefix, const QString &text, const QString &detail = {});

} // namespace kav::cli
