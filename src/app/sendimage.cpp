#include "app/sendimage.h"

#include "app/plandocument.h"
#include "common/dialogseam.h"
#include "radio/encoder.h"
#include "sheet/plandisplay.h"

namespace kav {

bool prepareSendImage(PlanDocument &document, PlanDisplay &sheet, DialogSeam &dialogs)
{
    const EncodeResult encoded = buildSendImage(document.sendImage, shownPlan(sheet));
    switch (encoded.outcome) {
    case EncodeOutcome::Encoded:
        document.sendImage = encoded.image;
        return true;
    case EncodeOutcome::EmptySheet:
        showCritical(dialogs, encodeMessage(encoded.outcome), QStringLiteral("No Data"));
        return false;
    case EncodeOutcome::FieldNotEncodable:
        sheet.focusField(encoded.field);
        showCritical(dialogs, encodeMessage(encoded.outcome), QStringLiteral("Error"));
        return false;
    }
    return false;
}

} // namespace kav
