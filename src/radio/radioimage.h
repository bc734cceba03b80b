#pragma once

#include <QByteArray>
#include <QDebug>

#include <array>
#include <cstdint>

namespace kav {

// The 36-byte radio image: three channel records of twelve digit bytes.
// Element (c, k) has channel c = 1..3 and byte k = 1..12; bytes 1-6 hold the
// receive frequency and 7-12 the transmit frequency, tens of MHz digit first.
class RadioImage
{
public:
    static constexpr int kChannels = 3;
    static constexpr int kRecordBytes = 12;
    static constexpr int kSize = kChannels * kRecordBytes;

    // Offset of (c, k) when the image is laid out as a sequence: channel slowest.
    static constexpr int linearOffset(int channel, int byte) { return (channel - 1) * kRecordBytes + (byte - 1); }

    std::uint8_t &operator()(int channel, int byte) { return m_bytes[linearOffset(channel, byte)]; }
    std::uint8_t operator()(int channel, int byte) const { return m_bytes[linearOffset(channel, byte)]; }

    std::uint8_t &at(int offset) { return m_bytes[offset]; }
    std::uint8_t at(int offset) const { return m_bytes[offset]; }

    void clear() { m_bytes.fill(0); }

    // The 36 bytes in linear order.
    QByteArray toLinear() const;
    // Takes the first 36 bytes of bytes (which must hold at least 36).
    static RadioImage fromLinear(const QByteArray &bytes);

    friend bool operator==(const RadioImage &a, const RadioImage &b) { return a.m_bytes == b.m_bytes; }
    friend bool operator!=(const RadioImage &a, const RadioImage &b) { return !(a == b); }

private:
    std::array<std::uint8_t, kSize> m_bytes{};
};

QDebug operator<<(QDebug debug, const RadioImage &image);

// One of the six frequencies of the plan: slots 1-3 are CH1-CH3 RX, 4-6 CH1-CH3 TX.
struct FrequencySlot
{
    int slot;
    int channel;
    int firstByte; // 1 for receive, 7 for transmit
};

inline constexpr std::array<FrequencySlot, 6> kFrequencySlots{{
    {1, 1, 1},
    {2, 2, 1},
    {3, 3, 1},
    {4, 1, 7},
    {5, 2, 7},
    {6, 3, 7},
}};

inline constexpr const FrequencySlot &frequencySlot(int slot)
{
    return kFrequencySlots[slot - 1];
}

} // namespace kav
