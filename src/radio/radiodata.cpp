#include "radio/radiodata.h"

namespace kav {

void RadioData::InitRadioData()
{
    MinFreqMHz = kMinFreqMHz;
    MaxFreqMHz = kMaxFreqMHz;
    SendImage.clear();
    ReceiveImage.clear();
    ModelName = QString::fromLatin1(kModelName);
    SheetFromFile = 0;
}

double &RadioData::decodedValue(int slot)
{
    double *const values[] = {&Rx1FreqMHz, &Rx2FreqMHz, &Rx3FreqMHz, &Tx1FreqMHz, &Tx2FreqMHz, &Tx3FreqMHz};
    return *values[slot - 1];
}

double RadioData::decodedValue(int slot) const
{
    return const_cast<RadioData *>(this)->decodedValue(slot);
}

} // namespace kav
