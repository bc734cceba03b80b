#pragma once

#include "sheet/plandisplay.h"

#include <QObject>
#include <QPointer>

#include <array>
#include <cstdint>

class QLineEdit;

namespace kav {

class DialogSeam;

inline constexpr std::int16_t kKeyEnter = 13;
inline constexpr std::int16_t kKeyEscape = 27;

// The channel sheet: the model field and the six frequency fields of slots
// 1..6 (CH1-CH3 RX, then CH1-CH3 TX), their keyboard handling, the entry check
// that runs when a field is left, and NEW. What the sheet's document makes of
// an accepted entry or a NEW is its owner's: it is told by signals.
//
// A refused entry puts the focus back into its field and shows one box. From
// then until that field is left again the sheet holds a refusal: mayProceed()
// is false, and a mouse press on any guarded widget other than the refused
// field is swallowed, so the button whose click took the focus never acts on a
// sheet the user has just been told is wrong.
class ChannelSheet : public QObject, public PlanDisplay
{
    Q_OBJECT

public:
    ChannelSheet(DialogSeam &dialogs, QLineEdit *model, const std::array<QLineEdit *, 6> &fields);
    ~ChannelSheet() override;

    // PlanDisplay
    void setModelText(const QString &text) override;
    QString fieldText(int slot) const override;
    void setFieldText(int slot, const QString &text) override;
    void focusField(int slot) override;
    void stepDone(const QString &step) override;

    QLineEdit *field(int slot) const { return m_fields[slot - 1]; }
    // The slot of field, or 0 when it is none of the six.
    int slotOf(const QLineEdit *field) const;
    // The field's name in a step: "CH1 RX" to "CH3 TX".
    static QString slotName(int slot);

    // May a command that the user just started run? False while a refusal
    // box is up and while the refused field still holds the focus.
    bool mayProceed() const { return !m_refusing && m_refused.isNull(); }
    // Swallows mouse presses on widget while a refusal holds (the fields are guarded already).
    void guard(QWidget *widget);

    // The key routine of every field: Enter moves on, Escape empties the field,
    // any other character is left to the field.
    void keyPress(QLineEdit *field, std::int16_t keyAscii);
    // The entry check of every field, run when it loses the focus.
    void checkEntry(QLineEdit *field);

    // NEW: after confirmation, the same empty sheet as at start-up.
    void onNewClicked();

Q_SIGNALS:
    // A field's entry passed the check and was rewritten in the frequency
    // text form (also when it did not change): the sheet is no file's content now.
    void entryAccepted(int slot);
    // NEW was confirmed; the sheet is being emptied.
    void newSheetConfirmed();
    // The sheet may have changed by a step the user can take back, named step:
    // an entry left ("CH1 RX 40.0125", "CH2 TX cleared"), "NEW", "READ",
    // "OPEN van.sav". Told after the document has taken the change in.
    void sheetChanged(const QString &step);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refuse(QLineEdit *field);
    bool filterMouse(QObject *watched, QEvent *event);

    DialogSeam &m_dialogs;
    QLineEdit *m_model;
    std::array<QLineEdit *, 6> m_fields;
    bool m_refusing = false;       // the refusal box is up
    QPointer<QLineEdit> m_refused; // refused and holding the focus since
    QPointer<QObject> m_swallowed; // took a swallowed press; its release goes too
};

} // namespace kav
