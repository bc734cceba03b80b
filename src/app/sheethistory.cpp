#include "app/sheethistory.h"

#include "app/plandocument.h"
#include "sheet/channelsheet.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QUndoCommand>
#include <QWidget>

namespace kav {

class SheetHistory::Step : public QUndoCommand
{
public:
    Step(SheetHistory &history, const QString &name, const SheetState &before, const SheetState &after)
        : QUndoCommand(name), m_history(history), m_before(before), m_after(after)
    {
    }

    void undo() override { m_history.apply(m_before); }
    void redo() override
    {
        // Pushed after the change was made: only a redo applies it.
        if (m_pushed)
            m_history.apply(m_after);
        m_pushed = true;
    }

private:
    SheetHistory &m_history;
    const SheetState m_before;
    const SheetState m_after;
    bool m_pushed = false;
};

SheetHistory::SheetHistory(ChannelSheet &sheet, PlanDocument &document, QWidget *window, QWidget *menuArea)
    : QObject(window), m_sheet(sheet), m_document(document)
{
    m_stack.setUndoLimit(kUndoLimit);
    m_recorded = current();

    m_undo = m_stack.createUndoAction(window, QStringLiteral("Undo"));
    m_undo->setObjectName(QStringLiteral("sheetUndo"));
    m_undo->setShortcuts(QKeySequence::Undo);
    m_redo = m_stack.createRedoAction(window, QStringLiteral("Redo"));
    m_redo->setObjectName(QStringLiteral("sheetRedo"));
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    for (const QKeySequence &key : {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)})
        if (!redoKeys.contains(key))
            redoKeys << key;
    m_redo->setShortcuts(redoKeys);
    for (QAction *action : {m_undo, m_redo}) {
        action->setShortcutContext(Qt::WindowShortcut);
        window->addAction(action);
        menuArea->addAction(action);
    }
    menuArea->setContextMenuPolicy(Qt::ActionsContextMenu);

    for (const PlanField field : kPlanFields)
        m_sheet.field(field)->installEventFilter(this);
    connect(&m_sheet, &ChannelSheet::sheetChanged, this, &SheetHistory::record);
}

SheetHistory::~SheetHistory() = default;

SheetState SheetHistory::current() const
{
    return {shownPlan(m_sheet), m_document.fileName, m_document.fromFile, m_document.sendImage};
}

void SheetHistory::record(const QString &step)
{
    const SheetState now = current();
    if (now == m_recorded)
        return;
    const SheetState before = m_recorded;
    m_recorded = now;
    m_stack.push(new Step(*this, step, before, now));
}

void SheetHistory::noteDocument()
{
    const SheetState now = current();
    m_recorded.fileName = now.fileName;
    m_recorded.fromFile = now.fromFile;
    m_recorded.sendImage = now.sendImage;
}

void SheetHistory::apply(const SheetState &state)
{
    for (const PlanField field : kPlanFields)
        m_sheet.setFieldText(field, state.texts[field]);
    m_document.fileName = state.fileName;
    m_document.fromFile = state.fromFile;
    m_document.sendImage = state.sendImage;
    m_recorded = state;
}

bool SheetHistory::isUndoKey(const QKeyCombination &key) const
{
    return m_undo->shortcuts().contains(QKeySequence(key));
}

bool SheetHistory::isRedoKey(const QKeyCombination &key) const
{
    return m_redo->shortcuts().contains(QKeySequence(key));
}

void SheetHistory::showFieldMenu(QLineEdit *field, const QPoint &globalPos)
{
    // The field's own menu (its typing's undo, cut, copy, paste), then the sheet's steps.
    std::unique_ptr<QMenu> menu(field->createStandardContextMenu());
    menu->addSeparator();
    menu->addAction(m_undo);
    menu->addAction(m_redo);
    menu->exec(globalPos);
}

bool SheetHistory::eventFilter(QObject *watched, QEvent *event)
{
    auto *field = qobject_cast<QLineEdit *>(watched);
    if (!field)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        // A field claims the undo and redo keys for itself; it keeps them only
        // while it has typing of its own to take back or bring back.
        auto *key = static_cast<QKeyEvent *>(event);
        const bool own = (isUndoKey(key->keyCombination()) && field->isUndoAvailable()) ||
                         (isRedoKey(key->keyCombination()) && field->isRedoAvailable());
        if (isUndoKey(key->keyCombination()) || isRedoKey(key->keyCombination())) {
            key->setAccepted(own); // not accepted: the window's Undo or Redo takes the key
            return true;
        }
        return false;
    }
    case QEvent::KeyPress: {
        // Also Ctrl+Y, which is not the field's own redo key everywhere.
        auto *key = static_cast<QKeyEvent *>(event);
        if (isUndoKey(key->keyCombination()) && field->isUndoAvailable()) {
            field->undo();
            return true;
        }
        if (isRedoKey(key->keyCombination()) && field->isRedoAvailable()) {
            field->redo();
            return true;
        }
        return false;
    }
    case QEvent::ContextMenu:
        showFieldMenu(field, static_cast<QContextMenuEvent *>(event)->globalPos());
        return true;
    default:
        return false;
    }
}

} // namespace kav
