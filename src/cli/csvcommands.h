#pragma once

#include <QStringList>

namespace kav::cli {

// kavrilink-cli export PLAN.sav [-o FILE.csv]
int runExport(const QStringList &arguments);
// kavrilink-cli import FILE.csv -o PLAN.sav
int runImport(const QStringList &arguments);

} // namespace kav::cli
