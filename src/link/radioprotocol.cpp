#include "link/radioprotocol.h"

namespace kav {

std::uint8_t blockChecksum(const QByteArray &bytes)
{
    Q_ASSERT(bytes.size() >= RadioImage::kSize);
    unsigned sum = 0; // at most 36 * 255 = 9180
    for (int i = 0; i < RadioImage::kSize; ++i)
        sum += std::uint8_t(bytes.at(i));
    return std::uint8_t(sum & 0xFF);
}

QByteArray buildImageBlock(const RadioImage &image)
{
    QByteArray block = image.toLinear();
    block.append(char(blockChecksum(block)));
    return block;
}

bool blockChecksumMatches(const QByteArray &block)
{
    Q_ASSERT(block.size() >= kImageBlockSize);
    return blockChecksum(block) == std::uint8_t(block.at(RadioImage::kSize));
}

} // namespace kav
