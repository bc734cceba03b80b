#include "simulatedradio.h"

#include "simwirebytes.h"

#include <QFile>
#include <QRegularExpression>

namespace kav::sim {

namespace {

constexpr int kBlockSize = SimulatedRadio::kImageSize + 1;
// A block whose bytes stop coming for this long is given up.
constexpr auto kBlockGiveUp = std::chrono::seconds(1);

struct FaultName
{
    Fault fault;
    const char *name;
};

constexpr FaultName kFaultNames[] = {
    {Fault::None, "none"},
    {Fault::Silent, "silent"},
    {Fault::WrongAcknowledge, "wrong-ack"},
    {Fault::BadChecksum, "bad-checksum"},
    {Fault::AckWithBlock, "ack-with-block"},
    {Fault::ExtraBytes, "extra-bytes"},
    {Fault::RejectBlock, "reject-block"},
    {Fault::LateAcknowledge, "late-ack"},
    {Fault::ShortBlock, "short-block"},
    {Fault::HangUpInBlock, "hang-up"},
    {Fault::Babbling, "babble"},
    {Fault::StoresWrongly, "stores-wrongly"},
};

// Garbage that is none of the protocol's bytes.
constexpr quint8 kBabble[] = {0xA5, 0x5A, 0xC3, 0x3C, 0x99, 0x66, 0x12, 0x34};

} // namespace

SimulatedRadio::SimulatedRadio(QObject *parent) : QObject(parent), m_image(kImageSize, '\0')
{
    connect(&m_line, &SimLine::byteReceived, this, &SimulatedRadio::onByte);
    connect(&m_line, &SimLine::queueEmpty, this, [this] {
        if (m_fault == Fault::Babbling)
            babble();
    });
}

void SimulatedRadio::setFault(Fault fault)
{
    m_fault = fault;
    if (fault == Fault::Babbling && !m_line.transmitting())
        babble();
}

void SimulatedRadio::setImage(const QByteArray &image)
{
    Q_ASSERT(image.size() == kImageSize);
    m_image = image;
}

quint8 SimulatedRadio::checksum(const QByteArray &image)
{
    unsigned sum = 0;
    for (int i = 0; i < kImageSize; ++i)
        sum += quint8(image.at(i));
    return quint8(sum);
}

void SimulatedRadio::onByte(int byte, qint64 arrivalNs)
{
    const Clock::time_point at = fromNs(arrivalNs);
    if (m_fault == Fault::Silent || m_fault == Fault::Babbling) {
        // It hears its commands, and answers nothing.
        if (quint8(byte) == kReadCommand || quint8(byte) == kWriteCommand)
            Q_EMIT commandReceived(byte);
        return;
    }

    if (m_phase == Phase::ReceivingBlock && at - m_lastBlockByte > kBlockGiveUp)
        m_phase = Phase::Idle;
    if (m_phase == Phase::ReceivingBlock) {
        m_block.append(char(byte));
        m_lastBlockByte = at;
        if (m_fault == Fault::HangUpInBlock && m_block.size() == kBlockSize / 2)
            m_line.hangUp();
        else if (m_block.size() == kBlockSize)
            judgeBlock(at);
        return;
    }

    switch (quint8(byte)) {
    case kReadCommand:
        Q_EMIT commandReceived(byte);
        answerRead(at);
        break;
    case kWriteCommand:
        Q_EMIT commandReceived(byte);
        answerWrite(at);
        break;
    case kBlockOk:
    case kBlockBad:
        Q_EMIT verdictReceived(byte);
        break;
    default:
        break; // noise: a radio ignores it
    }
}

void SimulatedRadio::answerRead(Clock::time_point at)
{
    QByteArray block = m_image;
    block.append(char(checksum(m_image) + (m_fault == Fault::BadChecksum ? 1 : 0)));
    const QByteArray ack(1, char(kReadAccepted));
    const Clock::time_point start = at + m_turnaround;

    switch (m_fault) {
    case Fault::WrongAcknowledge:
        m_line.transmit(QByteArray(1, char(kWriteAccepted)), start);
        return;
    case Fault::AckWithBlock:
        m_line.transmitBurst(ack + block, start);
        return;
    case Fault::LateAcknowledge:
        m_line.transmit(ack, at + kLateAcknowledge);
        m_line.transmit(block, m_line.lineFreeAt() + m_turnaround);
        return;
    case Fault::ExtraBytes:
        m_line.transmit(ack, start);
        m_line.transmit(block.left(kImageSize), m_line.lineFreeAt() + m_turnaround);
        m_line.transmitBurst(block.right(1) + QByteArray::fromHex("aa550e"), m_line.lineFreeAt());
        return;
    case Fault::ShortBlock:
        m_line.transmit(ack, start);
        m_line.transmit(block.left(30), m_line.lineFreeAt() + m_turnaround);
        return;
    case Fault::HangUpInBlock:
        m_line.transmit(ack, start);
        m_line.transmit(block.left(kBlockSize / 2), m_line.lineFreeAt() + m_turnaround);
        m_line.hangUpAfterQueue();
        return;
    default:
        m_line.transmit(ack, start);
        m_line.transmit(block, m_line.lineFreeAt() + m_turnaround);
        return;
    }
}

void SimulatedRadio::answerWrite(Clock::time_point at)
{
    if (m_fault == Fault::WrongAcknowledge) {
        m_line.transmit(QByteArray(1, char(kReadAccepted)), at + m_turnaround);
        return;
    }
    const auto wait = m_fault == Fault::LateAcknowledge ? std::chrono::milliseconds(kLateAcknowledge) : m_turnaround;
    m_line.transmit(QByteArray(1, char(kWriteAccepted)), at + wait);
    m_phase = Phase::ReceivingBlock;
    m_block.clear();
    m_lastBlockByte = at;
}

void SimulatedRadio::judgeBlock(Clock::time_point at)
{
    m_phase = Phase::Idle;
    const bool good = checksum(m_block) == quint8(m_block.at(kImageSize));
    const bool accepted = good && m_fault != Fault::RejectBlock;
    if (accepted) {
        m_image = m_block.left(kImageSize);
        if (m_fault == Fault::StoresWrongly)
            m_image[kImageSize - 1] = char((quint8(m_image.at(kImageSize - 1)) + 1) % 10);
        Q_EMIT imageWritten(m_image);
    }
    m_line.transmit(QByteArray(1, char(accepted ? kBlockOk : kBlockBad)), at + m_turnaround);
}

void SimulatedRadio::babble()
{
    QByteArray noise;
    for (int i = 0; i < 12; ++i)
        noise.append(char(kBabble[m_babbleIndex++ % int(std::size(kBabble))]));
    m_line.transmit(noise, Clock::now());
}

std::optional<Fault> SimulatedRadio::faultFromName(const QString &name)
{
    for (const FaultName &entry : kFaultNames) {
        if (name == QLatin1String(entry.name))
            return entry.fault;
    }
    return std::nullopt;
}

QStringList SimulatedRadio::faultNames()
{
    QStringList names;
    for (const FaultName &entry : kFaultNames)
        names.append(QString::fromLatin1(entry.name));
    return names;
}

std::optional<QByteArray> SimulatedRadio::imageFromHex(const QString &hex)
{
    QString digits = hex;
    digits.remove(QRegularExpression(QStringLiteral("\\s")));
    static const QRegularExpression hexDigits(QStringLiteral("^[0-9A-Fa-f]*$"));
    if (digits.size() != 2 * kImageSize || !hexDigits.match(digits).hasMatch())
        return std::nullopt;
    return QByteArray::fromHex(digits.toLatin1());
}

std::optional<QByteArray> SimulatedRadio::imageFromSav(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    const QList<QByteArray> lines = file.readAll().split('\n');
    QByteArray image;
    for (const QByteArray &line : lines) {
        if (image.size() == kImageSize)
            break;
        bool ok = false;
        const int value = line.trimmed().toInt(&ok);
        if (!ok || value < 0 || value > 255) {
            if (error)
                *error = QStringLiteral("line %1 is not a byte value").arg(image.size() + 1);
            return std::nullopt;
        }
        image.append(char(value));
    }
    if (image.size() != kImageSize) {
        if (error)
            *error = QStringLiteral("fewer than 36 lines");
        return std::nullopt;
    }
    return image;
}

} // namespace kav::sim
