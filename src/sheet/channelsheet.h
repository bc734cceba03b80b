#pragma once

#include "sheet/plandisplay.h"

#include <QObject>
#include <QPointer>

#include <array>
#include <optional>

class QLineEdit;

namespace kav {

class DialogSeam;

// The channel sheet: the model field and the six frequency fields (a column of
// RX fields, CH1-CH3, beside a column of TX fields), their keyboard handling, the entry check
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
    ChannelSheet(DialogSeam &dialogs, QLineEdit *model, const std::array<QLineEdit *, kChannelCount> &rxFields,
                 const std::array<QLineEdit *, kChannelCount> &txFields);
    ~ChannelSheet() override;

    // PlanDisplay
    void setModelText(const QString &text) override;
    QString fieldText(PlanField field) const override;
    void setFieldText(PlanField field, const QString &text) override;
    void focusField(PlanField field) override;

    QLineEdit *field(PlanField field) const
    {
        return (field.direction == Direction::Rx ? m_rxFields : m_txFields)[std::size_t(field.channel)];
    }
    // The plan field edit is, or nullopt when it is none of the six.
    std::optional<PlanField> fieldOf(const QLineEdit *edit) const;

    // May a command that the user just started run? False while a refusal
    // box is up and while the refused field still holds the focus.
    bool mayProceed() const { return !m_refusing && m_refused.isNull(); }
    // Swallows mouse presses on widget while a refusal holds (the fields are guarded already).
    void guard(QWidget *widget);

    // The key routine of every field: Enter (or Return) moves on in kEntryOrder,
    // Escape empties the field, any other key is left to the field.
    void keyPress(QLineEdit *field, Qt::Key key);
    // The entry check of every field, run when it loses the focus.
    void checkEntry(QLineEdit *field);

    // NEW: after confirmation, the same empty sheet as at start-up.
    void onNewClicked();

Q_SIGNALS:
    // A field's entry passed the check and was rewritten in the frequency
    // text form (also when it did not change): the sheet is no file's content now.
    void entryAccepted(kav::PlanField field);
    // NEW was confirmed; the sheet is being emptied.
    void newSheetConfirmed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refuse(QLineEdit *field);
    bool filterMouse(QObject *watched, QEvent *event);

    DialogSeam &m_dialogs;
    QLineEdit *m_model;
    std::array<QLineEdit *, kChannelCount> m_rxFields;
    std::array<QLineEdit *, kChannelCount> m_txFields;
    bool m_refusing = false;       // the refusal box is up
    QPointer<QLineEdit> m_refused; // refused and holding the focus since
    QPointer<QObject> m_swallowed; // took a swallowed press; its release goes too
};

} // namespace kav
