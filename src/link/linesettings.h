#pragma once

#include <QDebug>
#include <QSerialPort>

namespace kav {

// The line settings of a serial port: baud rate, parity, data and stop bits.
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

// The radio's line: 1200 baud, no parity, 8 data bits, 1 stop bit.
inline constexpr LineSettings kRadioLine{1200, QSerialPort::NoParity, QSerialPort::Data8, QSerialPort::OneStop};

QDebug operator<<(QDebug debug, const LineSettings &settings);

} // namespace kav
