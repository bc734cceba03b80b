#pragma once

#include "radio/radioimage.h"

#include <QString>

namespace kav {

// What the window knows about the plan beyond the texts of its fields: the
// image the last SAVE or WRITE encoded (an empty field keeps its bytes
// from it), and the file the sheet came from.
struct PlanDocument
{
    RadioImage sendImage;
    // The full path of the file last opened or saved; it names the sheet only while fromFile.
    QString fileName;
    // The sheet is the content of fileName, as far as the program knows: set by
    // OPEN and SAVE, cleared by every accepted entry, NEW, a confirmed READ and start-up.
    bool fromFile = false;

    // A fresh plan: the send image zeroed and no file behind the sheet; the
    // file name is kept.
    void initRadioData()
    {
        sendImage.clear();
        fromFile = false;
    }

    // The file the sheet is the content of, empty when it is none.
    QString sheetFile() const { return fromFile ? fileName : QString(); }
};

} // namespace kav
