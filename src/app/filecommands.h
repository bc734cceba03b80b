#pragma once

#include <QString>

namespace kav {

class DialogSeam;
class PlanDisplay;
struct PlanDocument;

// The filter of both file dialogs: one entry, "Save File(*.sav)", for *.sav.
inline constexpr char kSavedFileFilter[] = "Save File(*.sav)"; // its own "(*.sav)" is the pattern

// SAVE and OPEN: the sheet to and from *.sav files. Every dialog and message
// goes through the seam; the serial port plays no part.
class FileCommands
{
public:
    FileCommands(PlanDocument &document, PlanDisplay &sheet, DialogSeam &dialogs);

    // Encodes the sheet, asks for a file (overwrite confirmed in the dialog)
    // and replaces it atomically; a failure names the path and the reason and
    // leaves the old file and the file flags as they were.
    void onSaveClicked();
    // Asks for a file and shows its plan; a file that is not 36 good lines is
    // refused with "This is not Saved File" and nothing changes.
    void onOpenClicked();
    // What OPEN does with the file chosen, also for a plan dropped on the
    // window or given at start: path is shown, or refused as above.
    void openPlan(const QString &path);

private:
    PlanDocument &m_document;
    PlanDisplay &m_sheet;
    DialogSeam &m_dialogs;
};

} // namespace kav
