#include "cli/invocation.h"

#include "cli/commands.h"

namespace kav::cli {

namespace {

QString key(Option option)
{
    return optionDefinition(option).names.constFirst();
}

} // namespace

bool Invocation::isSet(Option option) const
{
    return m_parser.isSet(key(option));
}

QString Invocation::value(Option option) const
{
    return m_parser.value(key(option));
}

QStringList Invocation::values(Option option) const
{
    return m_parser.values(key(option));
}

} // namespace kav::cli
