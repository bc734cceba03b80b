#pragma once

#include <QPluginLoader>
#include <QString>

namespace kav {

class PrintBackend;

// The kavrilink-print module (print/printbackend.h), loaded at its first use
// and kept until the program ends.
class PrintModule
{
public:
    // path: the module's file (see defaultPath()).
    explicit PrintModule(const QString &path);

    // Another file, for a module not loaded yet.
    void setPath(const QString &path);

    // Beside the program (the build tree, Windows), else in
    // ../lib/<architecture>/kavrilink (the Linux install): the first that
    // exists, or the first.
    [[nodiscard]] static QString defaultPath();

    // The module's backend, loaded now if it is not yet; nullptr, with
    // reason, when the module cannot be loaded.
    [[nodiscard]] PrintBackend *backend(QString *reason);

private:
    QString m_path;
    QPluginLoader m_loader;
};

} // namespace kav
