#include "common/shownpath.h"

#include <QDir>

namespace kav {

QString shownPath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace kav
