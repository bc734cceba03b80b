#include "common/printable.h"

#include <QList>
#include <QStringList>

namespace kav {

namespace {

bool needsEscape(char32_t codePoint)
{
    switch (QChar::category(codePoint)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

} // namespace

QString printableText(QStringView text)
{
    QString printable;
    printable.reserve(text.size());
    for (const uint codePoint : text.toUcs4()) {
        if (!needsEscape(codePoint)) {
            printable += QStringView(QChar::fromUcs4(codePoint));
            continue;
        }
        const bool small = codePoint < 0x100;
        printable += small ? QStringLiteral("\\x") : QStringLiteral("\\u");
        printable += QString::number(uint(codePoint), 16).toUpper().rightJustified(small ? 2 : 4, QLatin1Char('0'));
    }
    return printable;
}

QString printableLines(QStringView text)
{
    QStringList lines = text.toString().split(u'\n');
    for (QString &line : lines)
        line = printableText(line);
    return lines.join(u'\n');
}

} // namespace kav
