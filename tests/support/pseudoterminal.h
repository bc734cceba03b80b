#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

// A pseudo-terminal pair for tests: the program opens devicePath() as its
// serial device, the test plays the other end. Reading and writing on the
// test's end are event-driven, so QTRY_* and QSignalSpy::wait see them.
class PseudoTerminal : public QObject
{
    Q_OBJECT

public:
    PseudoTerminal();
    ~PseudoTerminal() override;

    bool isValid() const { return m_master >= 0; }
    // The device the program opens, e.g. /dev/pts/3.
    QString devicePath() const { return m_devicePath; }
    // The test's end, for termios queries of the line.
    int masterDescriptor() const { return m_master; }

    // Queues bytes to send to the program; they leave as the line takes them.
    void send(const QByteArray &bytes);
    int pendingToSend() const { return int(m_outgoing.size()); }
    // Everything the program has sent so far.
    QByteArray received() const { return m_received; }
    void clearReceived() { m_received.clear(); }
    // Closes the test's end: the program's side sees the peer hang up.
    void hangUp();

Q_SIGNALS:
    void bytesReceived();

private:
    void readMaster();
    void writeMaster();

    int m_master = -1;
    int m_keepOpen = -1;
    QString m_devicePath;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QByteArray m_outgoing;
    QByteArray m_received;
};
