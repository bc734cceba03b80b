#pragma once

#include <QDebug>
#include <QSerialPort>
#include <QString>

#include <optional>

namespace kav {

// The line settings of a serial port as written in a settings text such as
// "1200,n,8,1": baud rate, parity (n, e, o, m, s), data bits (5 to 8) and
// stop bits (1 or 2).
struct LineSettings
{
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;

    friend bool operator==(const LineSettings &a, const LineSettings &b)
    {
        return a.baudRate == b.baudRate && a.parity == b.parity && a.dataBits == b.dataBits && a.stopBits == b.stopBits;
    }
    friend bool operator!=(const LineSettings &a, const LineSettings &b) { return !(a == b); }
};

// The settings of text, or nothing when it is not such a text or names a rate
// that serial ports do not use.
[[nodiscard]] std::optional<LineSettings> ParseLineSettings(const QString &text);
// The settings as text, e.g. "1200,n,8,1".
[[nodiscard]] QString FormatLineSettings(const LineSettings &settings);

QDebug operator<<(QDebug debug, const LineSettings &settings);

} // namespace kav
