#include "radio/radioimage.h"

namespace kav {

QByteArray RadioImage::toLinear() const
{
    return QByteArray(reinterpret_cast<const char *>(m_bytes.data()), kSize);
}

RadioImage RadioImage::fromLinear(const QByteArray &bytes)
{
    Q_ASSERT(bytes.size() >= kSize);
    RadioImage image;
    for (int i = 0; i < kSize; ++i)
        image.m_bytes[i] = std::uint8_t(bytes.at(i));
    return image;
}

QDebug operator<<(QDebug debug, const RadioImage &image)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "RadioImage(" << image.toLinear().toHex(' ') << ')';
    return debug;
}

} // namespace kav
