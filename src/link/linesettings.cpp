#include "link/linesettings.h"

#include <algorithm>
#include <array>

namespace kav {

namespace {

constexpr std::array<qint32, 16> kBaudRates{110,   300,   600,   1200,  2400,  4800,   9600,   14400,
                                            19200, 28800, 38400, 56000, 57600, 115200, 128000, 256000};

struct ParityLetter
{
    char letter;
    QSerialPort::Parity parity;
};

constexpr std::array<ParityLetter, 5> kParities{{{'n', QSerialPort::NoParity},
                                                 {'e', QSerialPort::EvenParity},
                                                 {'o', QSerialPort::OddParity},
                                                 {'m', QSerialPort::MarkParity},
                                                 {'s', QSerialPort::SpaceParity}}};

bool isDigits(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
}

} // namespace

std::optional<LineSettings> ParseLineSettings(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;
    const QString baud = parts.at(0).trimmed();
    const QString parity = parts.at(1).trimmed().toLower();
    const QString data = parts.at(2).trimmed();
    const QString stop = parts.at(3).trimmed();

    LineSettings settings;
    if (!isDigits(baud))
        return std::nullopt;
    settings.baudRate = baud.toInt();
    if (std::find(kBaudRates.begin(), kBaudRates.end(), settings.baudRate) == kBaudRates.end())
        return std::nullopt;

    if (parity.size() != 1)
        return std::nullopt;
    const auto letter = std::find_if(kParities.begin(), kParities.end(),
                                     [&](const ParityLetter &p) { return parity.at(0) == QLatin1Char(p.letter); });
    if (letter == kParities.end())
        return std::nullopt;
    settings.parity = letter->parity;

    if (data.size() != 1 || data.at(0) < QLatin1Char('5') || data.at(0) > QLatin1Char('8'))
        return std::nullopt;
    settings.dataBits = QSerialPort::DataBits(data.toInt());

    if (stop == QLatin1String("1"))
        settings.stopBits = QSerialPort::OneStop;
    else if (stop == QLatin1String("2"))
        settings.stopBits = QSerialPort::TwoStop;
    else
        return std::nullopt;
    return settings;
}

QString FormatLineSettings(const LineSettings &settings)
{
    const auto letter = std::find_if(kParities.begin(), kParities.end(),
                                     [&](const ParityLetter &p) { return p.parity == settings.parity; });
    return QStringLiteral("%1,%2,%3,%4")
        .arg(settings.baudRate)
        .arg(letter == kParities.end() ? QLatin1Char('?') : QLatin1Char(letter->letter))
        .arg(int(settings.dataBits))
        .arg(settings.stopBits == QSerialPort::TwoStop ? 2 : 1);
}

QDebug operator<<(QDebug debug, const LineSettings &settings)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "LineSettings(" << FormatLineSettings(settings) << ')';
    return debug;
}

} // namespace kav
