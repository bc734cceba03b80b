#include "app/sendimage.h"

#include "common/dialogseam.h"
#include "radio/encoder.h"

namespace kav {

bool PrepareSendImage(RadioData &data, PlanDisplay &sheet, DialogSeam &dialogs)
{
    const EncodeResult encoded = BuildSendImage(data.SendImage, FieldTextsOf(sheet));
    switch (encoded.outcome) {
    case EncodeOutcome::Encoded:
        data.SendImage = encoded.image;
        return true;
    case EncodeOutcome::EmptySheet:
        showCritical(dialogs, EncodeMessage(encoded.outcome), QStringLiteral("No Data"));
        return false;
    case EncodeOutcome::FieldNotEncodable:
        sheet.focusField(encoded.slot);
        showCritical(dialogs, EncodeMessage(encoded.outcome), QStringLiteral("Error"));
        return false;
    }
    return false;
}

} // namespace kav
