#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;

namespace kav {

// Why path must not be replaced by a file: it exists and is not a regular file
// (a device, a FIFO, a socket, a folder), also through a symlink; path named in
// it as shownPath() gives it. Empty when it may be written: a regular file, a
// symlink to one, or nothing yet.
[[nodiscard]] QString refusedTargetReason(const QString &path);

// Whether output names the same file as input: the same file through a symlink
// or a hard link too (same device and inode; on Windows the same canonical
// path). False when either does not exist.
[[nodiscard]] bool isSameFile(const QString &output, const QString &input);

// Writes all of bytes to an open device, checking every write. False, with the
// device's reason in *reason, when it takes fewer.
[[nodiscard]] bool writeAllBytes(QIODevice &device, const QByteArray &bytes, QString *reason = nullptr);

// The one way this program replaces a file. The content goes unbuffered into a
// temporary file beside the target (through a symlink, beside its target), every
// write checked, and takes the target's place in one step only when all of it was
// written; otherwise the old file stays whole. A target that is not a regular
// file is refused before anything is written. False with the system's reason,
// the target in it named as shownPath() gives it.
[[nodiscard]] bool replaceFile(const QString &path, const QByteArray &bytes, QString *reason = nullptr);

// The one way this program adds to a file. Under an exclusive lock on path
// (created when missing; another program appending waits for it), bytes is
// asked what to add, given the file's size and its last byte then (0 for an
// empty file); that goes in one write at the end of the file and onto the
// disk before the lock is let go. A target that is not a regular file is
// refused. False with the system's reason; a part written (a full disk) is
// taken back, so the file ends where it ended.
[[nodiscard]] bool appendToFile(const QString &path, const std::function<QByteArray(qint64 size, char last)> &bytes,
                                QString *reason = nullptr);

} // namespace kav
