#pragma once

namespace kav {

class MainWindow;

// Gives every control of the window a name and a description that a screen
// reader reads sensibly ("CH1 RX frequency", "READ").
void setAccessibleNames(MainWindow &window);

} // namespace kav
