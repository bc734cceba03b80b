#pragma once

#include "radio/radioimage.h"

#include <QByteArray>

#include <cstdint>

namespace kav {

// The one-byte commands and acknowledges on the line.
namespace WireBytes {
inline constexpr std::uint8_t ReadCommand = 0xE0;
inline constexpr std::uint8_t ReadAccepted = 0x0E;
inline constexpr std::uint8_t WriteCommand = 0xF0;
inline constexpr std::uint8_t WriteAccepted = 0x0F;
inline constexpr std::uint8_t BlockOk = 0x77;  // both directions
inline constexpr std::uint8_t BlockBad = 0x55; // program to radio, after a read with a wrong checksum
} // namespace WireBytes

// The image block: the 36 image bytes in linear order, then their checksum.
inline constexpr int kImageBlockSize = RadioImage::kSize + 1;

// The low 8 bits of the sum of the first 36 bytes of bytes (which must hold 36).
[[nodiscard]] std::uint8_t blockChecksum(const QByteArray &bytes);

// The 37-byte block that carries image.
[[nodiscard]] QByteArray buildImageBlock(const RadioImage &image);

// Whether byte 36 of block (at least 37 bytes) is the checksum of bytes 0..35.
[[nodiscard]] bool blockChecksumMatches(const QByteArray &block);

} // namespace kav
