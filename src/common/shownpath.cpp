#include "common/shownpath.h"

#include <QDir>

namespace kav {

QString ShownPath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace kav
