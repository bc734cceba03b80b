#pragma once

namespace kav {

class DialogSeam;
class PlanDisplay;
struct RadioData;

// Encodes the sheet into data.SendImage, as SAVE and WRITE do. False, with
// SendImage unchanged, when the sheet is empty ("Data is Empty", titled "No
// Data") or a field has no digit form (the focus goes to it, then "Confirm
// Frequency Range!", titled "Error").
[[nodiscard]] bool PrepareSendImage(RadioData &data, PlanDisplay &sheet, DialogSeam &dialogs);

} // namespace kav
