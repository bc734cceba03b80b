#include "app/designfonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace kav {

namespace {

QString firstInstalled(const QStringList &candidates)
{
    const QStringList families = QFontDatabase::families();
    for (const QString &candidate : candidates) {
        if (families.contains(candidate, Qt::CaseInsensitive))
            return candidate;
    }
    return {};
}

} // namespace

void installDesignFonts()
{
    const QString arial =
        firstInstalled({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo")});
    if (!arial.isEmpty() && arial != QLatin1String("Arial"))
        QFont::insertSubstitution(QStringLiteral("Arial"), arial);

    QString gulim = firstInstalled({QStringLiteral("Gulim"), QStringLiteral("Baekmuk Gulim"), QStringLiteral("UnDotum"),
                                    QStringLiteral("NanumGothic")});
    if (gulim.isEmpty())
        gulim = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    if (gulim != QLatin1String("Gulim"))
        QFont::insertSubstitution(QStringLiteral("Gulim"), gulim);
}

} // namespace kav
