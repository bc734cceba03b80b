#pragma once

#include "radio/channelplan.h"
#include "radio/radioimage.h"

#include <QObject>
#include <QUndoStack>

class QAction;
class QLineEdit;
class QWidget;

namespace kav {

class ChannelSheet;
struct PlanDocument;

// What a step of the sheet takes back: the six field texts and what PRINT and
// SAVE go by beside them (the file the sheet came from, the last send image,
// whose bytes an empty field keeps).
struct SheetState
{
    ChannelPlan texts;
    QString fileName;
    bool fromFile = false;
    RadioImage sendImage;

    friend bool operator==(const SheetState &a, const SheetState &b)
    {
        return a.texts == b.texts && a.fileName == b.fileName && a.fromFile == b.fromFile && a.sendImage == b.sendImage;
    }
};

// Undo and redo of the sheet's changes: an accepted or emptied entry, NEW, a
// plan opened (OPEN, dropped, given at start) and a plan READ showed. The
// sheet names each step (ChannelSheet::sheetChanged); a step that changed
// nothing is not kept. Undo and redo only set the fields and the document:
// no file is written and the radio is not spoken to. The last kUndoLimit
// steps are kept for the whole run.
//
// Ctrl+Z undoes (Ctrl+Shift+Z and Ctrl+Y redo) the field's own typing while
// the focused field has some, and the sheet's last step once it has none.
class SheetHistory : public QObject
{
    Q_OBJECT

public:
    static constexpr int kUndoLimit = 100;

    // window: where the keys act; menuArea: the widget whose right-click offers Undo and Redo.
    SheetHistory(ChannelSheet &sheet, PlanDocument &document, QWidget *window, QWidget *menuArea);
    ~SheetHistory() override;

    // The sheet as it is now, and the state the next step starts from.
    SheetState current() const;
    // Keeps the change since the last step as a step named step ("NEW"); nothing when nothing changed.
    void record(const QString &step);
    // The document changed without a step (SAVE, WRITE, the end of an exchange):
    // the next step starts from it. A READ's fresh document is not taken in
    // before its plan is shown, so that undoing the READ brings the file back.
    void noteDocument();

    const QUndoStack &stack() const { return m_stack; }
    QAction *undoAction() const { return m_undo; }
    QAction *redoAction() const { return m_redo; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class Step;
    void apply(const SheetState &state);
    bool isUndoKey(const QKeyCombination &key) const;
    bool isRedoKey(const QKeyCombination &key) const;
    void showFieldMenu(QLineEdit *field, const QPoint &globalPos);

    ChannelSheet &m_sheet;
    PlanDocument &m_document;
    QUndoStack m_stack;
    SheetState m_recorded; // the state the last step (or start-up) left
    QAction *m_undo = nullptr;
    QAction *m_redo = nullptr;
};

} // namespace kav
