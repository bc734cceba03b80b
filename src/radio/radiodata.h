#pragma once

#include "radio/radioimage.h"

#include <QString>

#include <cstdint>

namespace kav {

inline constexpr char kModelName[] = "KV-7719NEW";
inline constexpr double kMinFreqMHz = 38.0;
inline constexpr double kMaxFreqMHz = 42.3;

// The state shared by every part of the program for the whole run: the plan
// in its image and decoded forms, the band limits, the file flags, the chosen
// COM port. Owned by the application and handed to the
// parts that need it.
struct RadioData
{
    QString ModelName;
    double MinFreqMHz = 0.0;
    double MaxFreqMHz = 0.0;
    RadioImage SendImage;
    RadioImage ReceiveImage;
    double Rx1FreqMHz = 0.0;
    double Rx2FreqMHz = 0.0;
    double Rx3FreqMHz = 0.0;
    double Tx1FreqMHz = 0.0;
    double Tx2FreqMHz = 0.0;
    double Tx3FreqMHz = 0.0;
    QString SheetFileName;
    std::int16_t SheetFromFile = 0;
    std::int16_t CommPortNumber = 0;

    // Resets limits, both images, the model name and the file flag; leaves the
    // decoded values, the file name and the port number alone.
    void InitRadioData();

    // The decoded value of slot 1..6.
    double &decodedValue(int slot);
    double decodedValue(int slot) const;
};

} // namespace kav
