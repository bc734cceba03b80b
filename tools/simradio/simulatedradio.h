#pragma once

#include "simline.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>

#include <chrono>
#include <optional>

namespace kav::sim {

// How the simulated radio misbehaves.
enum class Fault {
    None,
    Silent,           // answers nothing
    WrongAcknowledge, // 0x0F to a read, 0x0E to a write
    BadChecksum,      // the read block's checksum is one off
    AckWithBlock,     // 0x0E and the block delivered in one piece
    ExtraBytes,       // three more bytes delivered with the block's last one
    RejectBlock,      // 0x55 in answer to a written block
    LateAcknowledge,  // acknowledges 1.2 s after the command
    ShortBlock,       // only 30 bytes of the block
    HangUpInBlock,    // hangs up half-way through the block (either way)
    Babbling,         // sends garbage all the time and answers nothing
    StoresWrongly,    // accepts a written block but keeps its last digit off by one
};

// The radio's side of the programming exchange on a SimLine: answers 0xE0
// with 0x0E and its image block, 0xF0 with 0x0F and, after a block with the
// right checksum, stores it and answers 0x77. Every answer starts a
// turnaround after the command's last byte has arrived.
class SimulatedRadio : public QObject
{
    Q_OBJECT

public:
    static constexpr int kImageSize = 36;
    static constexpr auto kLateAcknowledge = std::chrono::milliseconds(1200);

    explicit SimulatedRadio(QObject *parent = nullptr);

    SimLine &line() { return m_line; }
    const SimLine &line() const { return m_line; }
    [[nodiscard]] bool openPty() { return m_line.openPty(); }
    [[nodiscard]] bool openDevice(const QString &path) { return m_line.openDevice(path); }
    QString programPath() const { return m_line.programPath(); }

    void setFault(Fault fault);
    Fault fault() const { return m_fault; }
    void setTurnaround(std::chrono::milliseconds turnaround) { m_turnaround = turnaround; }
    std::chrono::milliseconds turnaround() const { return m_turnaround; }
    // The 36-byte image the radio holds; a read sends it, a write replaces it.
    void setImage(const QByteArray &image);
    QByteArray image() const { return m_image; }

    static quint8 checksum(const QByteArray &image);
    static std::optional<Fault> faultFromName(const QString &name);
    static QStringList faultNames();
    // 72 hex digits (spaces allowed).
    static std::optional<QByteArray> imageFromHex(const QString &hex);
    // A *.sav file: 36 lines holding one byte value each.
    static std::optional<QByteArray> imageFromSav(const QString &path, QString *error = nullptr);

Q_SIGNALS:
    // A command byte (0xE0, 0xF0) has arrived, whether the radio answers it or not.
    void commandReceived(int command);
    // A written block with the right checksum has been stored.
    void imageWritten(const QByteArray &image);
    // The program's verdict on a read block (0x77 or 0x55) has arrived.
    void verdictReceived(int verdict);

private:
    enum class Phase { Idle, ReceivingBlock };

    void onByte(int byte, qint64 arrivalNs);
    void answerRead(Clock::time_point at);
    void answerWrite(Clock::time_point at);
    void judgeBlock(Clock::time_point at);
    void babble();

    SimLine m_line;
    Fault m_fault = Fault::None;
    std::chrono::milliseconds m_turnaround{10};
    QByteArray m_image;
    Phase m_phase = Phase::Idle;
    QByteArray m_block;
    Clock::time_point m_lastBlockByte{};
    int m_babbleIndex = 0;
};

} // namespace kav::sim

Q_DECLARE_METATYPE(kav::sim::Fault)
