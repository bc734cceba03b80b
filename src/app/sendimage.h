#pragma once

namespace kav {

class DialogSeam;
class PlanDisplay;
struct PlanDocument;

// Encodes the sheet into document.sendImage, as SAVE and WRITE do. False, with
// the send image unchanged, when the sheet is empty ("Data is Empty", titled "No
// Data") or a field has no digit form (the focus goes to it, then "Confirm
// Frequency Range!", titled "Error").
[[nodiscard]] bool prepareSendImage(PlanDocument &document, PlanDisplay &sheet, DialogSeam &dialogs);

} // namespace kav
