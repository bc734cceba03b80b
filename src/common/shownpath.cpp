#include "common/shownpath.h"

#include "common/printable.h"

#include <QDir>

namespace kav {

QString ShownPath(const QString &path)
{
    return PrintableText(QDir::toNativeSeparators(path));
}

} // namespace kav
