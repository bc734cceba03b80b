#pragma once

#include <QObject>

#include <array>
#include <functional>

class QAction;

namespace kav {

class DialogSeam;
class PortSetting;

// The items COM1 to COM4 of the COM PORT menu: a click chooses that port
// (saying why when it cannot be), and the item of the chosen port is checked.
class PortItems : public QObject
{
    Q_OBJECT

public:
    // beforeChoice: runs first on every click (the window lets go of the port it holds).
    PortItems(const std::array<QAction *, 4> &items, PortSetting &setting, DialogSeam &dialogs,
              std::function<void()> beforeChoice, QObject *parent = nullptr);

    // Checks the item of number alone when it is 1 to 4; any other number
    // keeps the marks as they were last set. Every mark is set again either
    // way: a click has toggled its item on its own before it got here.
    void mark(int number);

private:
    void onChosen(int number);

    std::array<QAction *, 4> m_items;
    PortSetting &m_setting;
    DialogSeam &m_dialogs;
    std::function<void()> m_beforeChoice;
    std::array<bool, 4> m_marks{}; // the items start unchecked
};

} // namespace kav
