#pragma once

#include "radio/channelplan.h"

#include <QByteArray>
#include <QDebug>

#include <array>
#include <cstdint>

namespace kav {

// The 36-byte radio image: three channel records of twelve digit bytes.
// Element (c, k) has channel c = 0..2 (CH1-CH3) and byte k = 0..11; bytes 0-5
// hold the receive frequency and 6-11 the transmit frequency, tens of MHz digit first.
class RadioImage
{
public:
    static constexpr int kChannels = kChannelCount;
    static constexpr int kFieldBytes = 6;
    static constexpr int kRecordBytes = 2 * kFieldBytes;
    static constexpr int kSize = kChannels * kRecordBytes;

    // Offset of (c, k) when the image is laid out as a sequence: channel slowest.
    static constexpr int linearOffset(int channel, int byte) { return channel * kRecordBytes + byte; }
    // The first of the six bytes of field in its channel's record.
    static constexpr int firstByte(PlanField field) { return field.direction == Direction::Rx ? 0 : kFieldBytes; }

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

} // namespace kav
