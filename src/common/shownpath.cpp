#include "common/shownpath.h"

#include "common/printable.h"

#include <QDir>

namespace kav {

QString shownPath(const QString &path)
{
    return printableText(QDir::toNativeSeparators(path));
}

} // namespace kav
