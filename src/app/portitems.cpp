#include "app/portitems.h"

#include "common/dialogseam.h"
#include "link/linkmessages.h"
#include "link/portsetting.h"

#include <QAction>

#include <utility>

namespace kav {

PortItems::PortItems(const std::array<QAction *, 4> &items, PortSetting &setting, DialogSeam &dialogs,
                     std::function<void()> beforeChoice, QObject *parent)
    : QObject(parent), m_items(items), m_setting(setting), m_dialogs(dialogs), m_beforeChoice(std::move(beforeChoice))
{
    for (int n = 1; n <= int(m_items.size()); ++n)
        connect(m_items[size_t(n - 1)], &QAction::triggered, this, [this, n] { onChosen(n); });
    connect(&m_setting, &PortSetting::chosenPortChanged, this, &PortItems::mark);
}

void PortItems::mark(int number)
{
    if (number >= 1 && number <= int(m_items.size())) {
        for (size_t i = 0; i < m_marks.size(); ++i)
            m_marks[i] = int(i) + 1 == number;
    }
    for (size_t i = 0; i < m_items.size(); ++i)
        m_items[i]->setChecked(m_marks[i]);
}

void PortItems::onChosen(int number)
{
    if (m_beforeChoice)
        m_beforeChoice();
    QString reason;
    if (m_setting.choosePort(number, &reason))
        return; // marked on chosenPortChanged
    showPlain(m_dialogs, QString::fromLatin1(kReselectPortMessage), {}, reason);
    mark(m_setting.portNumber()); // back to the choice that holds
}

} // namespace kav
