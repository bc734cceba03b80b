#pragma once

#include <QString>

namespace kav {

// The application folder: holds comport.inf and comport.map, and is where the
// file dialogs start. Created on first use when missing.
QString applicationFolder();

// Path of name inside the application folder.
QString applicationFile(const QString &name);

} // namespace kav
