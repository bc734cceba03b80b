#include "simline.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

namespace kav::sim {

namespace {

constexpr int kLogLimit = 200000;

bool makeRaw(int fd)
{
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0)
        return false;
    ::cfmakeraw(&settings);
    ::cfsetispeed(&settings, B1200);
    ::cfsetospeed(&settings, B1200);
    settings.c_cflag |= CLOCAL | CREAD;
    return ::tcsetattr(fd, TCSANOW, &settings) == 0;
}

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(what), QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

QString formatLogEntry(const LogEntry &entry, qint64 originNs)
{
    const auto seconds = [&](qint64 ns) { return QString::number(double(ns - originNs) / 1e9, 'f', 6); };
    const QString hex = QStringLiteral("%1").arg(entry.byte & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
    switch (entry.kind) {
    case LogEntry::Sent:
        return QStringLiteral("%1  radio   -> %2").arg(seconds(entry.ns), hex);
    case LogEntry::Received:
        return QStringLiteral("%1  program -> %2  (arrived %3)").arg(seconds(entry.ns), hex, seconds(entry.arrivalNs));
    case LogEntry::Dropped:
        return QStringLiteral("%1  radio   -> %2  lost: the program's port is closed").arg(seconds(entry.ns), hex);
    case LogEntry::Opened:
        return QStringLiteral("%1  program opened the port").arg(seconds(entry.ns));
    case LogEntry::Closed:
        return QStringLiteral("%1  program closed the port").arg(seconds(entry.ns));
    case LogEntry::HungUp:
        return QStringLiteral("%1  radio hung up").arg(seconds(entry.ns));
    }
    return {};
}

SimLine::SimLine(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<kav::sim::LogEntry>();
    connect(&m_sendAlarm, &PreciseAlarm::fired, this, &SimLine::sendDue);
    connect(&m_arrivalAlarm, &PreciseAlarm::fired, this, &SimLine::deliverArrivals);
}

SimLine::~SimLine()
{
    m_readNotifier.reset();
    m_openNotifier.reset();
    if (m_inotify >= 0)
        ::close(m_inotify);
    if (m_fd >= 0)
        ::close(m_fd);
}

bool SimLine::openPty()
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0) {
        m_error = systemError("posix_openpt");
        return false;
    }
    char name[128];
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 || ::ptsname_r(master, name, sizeof name) != 0) {
        m_error = systemError("pseudo-terminal");
        ::close(master);
        return false;
    }
    // Raw on both ends. Opening and closing the program's end once also puts
    // the pair in its "nobody there" state, which is how a close is seen later.
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave < 0 || !makeRaw(master) || !makeRaw(slave)) {
        m_error = systemError("raw mode");
        if (slave >= 0)
            ::close(slave);
        ::close(master);
        return false;
    }
    ::close(slave);

    m_fd = master;
    m_isPty = true;
    m_programPath = QString::fromLocal8Bit(name);
    m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_inotify >= 0 && ::inotify_add_watch(m_inotify, name, IN_OPEN | IN_CLOSE) < 0) {
        ::close(m_inotify);
        m_inotify = -1;
    }
    setUpNotifiers(m_inotify >= 0);
    updateConnection();
    return true;
}

bool SimLine::openDevice(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 || !makeRaw(fd)) {
        m_error = systemError(QFile::encodeName(path).constData());
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    m_fd = fd;
    m_isPty = false;
    m_programPath = path;
    setUpNotifiers(false);
    m_connected = true;
    m_readNotifier->setEnabled(true);
    return true;
}

void SimLine::setUpNotifiers(bool watchOpens)
{
    m_readNotifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    m_readNotifier->setEnabled(false);
    connect(m_readNotifier.get(), &QSocketNotifier::activated, this, &SimLine::drainInput);
    if (watchOpens) {
        m_openNotifier = std::make_unique<QSocketNotifier>(m_inotify, QSocketNotifier::Read);
        connect(m_openNotifier.get(), &QSocketNotifier::activated, this, [this] {
            char events[4096];
            while (::read(m_inotify, events, sizeof events) > 0) {
            }
            drainInput();
            updateConnection();
        });
    }
}

void SimLine::updateConnection()
{
    if (m_fd < 0 || !m_isPty)
        return;
    pollfd p{m_fd, POLLIN, 0};
    ::poll(&p, 1, 0);
    const bool connected = !(p.revents & POLLHUP);
    // Without open notifications, keep reading and learn of opens from data.
    m_readNotifier->setEnabled(connected || m_inotify < 0);
    if (connected == m_connected)
        return;
    m_connected = connected;
    addLog({connected ? LogEntry::Opened : LogEntry::Closed, toNs(Clock::now()), -1, 0});
    Q_EMIT connectedChanged(connected);
}

void SimLine::drainInput()
{
    if (m_fd < 0)
        return;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n > 0) {
            const Clock::time_point now = Clock::now();
            for (ssize_t i = 0; i < n; ++i) {
                // Each byte takes a byte time on the line after the one before it.
                const Clock::time_point start = std::max(now, m_inLineFree);
                m_inLineFree = start + kByteTime;
                const int byte = std::uint8_t(buffer[i]);
                m_arrivals.push_back({m_inLineFree, byte});
                addLog({LogEntry::Received, toNs(now), byte, toNs(m_inLineFree)});
            }
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            updateConnection(); // EIO: the program has closed its end
        break;
    }
    if (!m_arrivals.empty())
        m_arrivalAlarm.setAt(m_arrivals.front().at);
}

void SimLine::deliverArrivals()
{
    const Clock::time_point now = Clock::now();
    while (!m_arrivals.empty() && m_arrivals.front().at <= now) {
        const Arrival arrival = m_arrivals.front();
        m_arrivals.pop_front();
        Q_EMIT byteReceived(arrival.byte, toNs(arrival.at));
        if (m_fd < 0)
            return;
    }
    if (!m_arrivals.empty())
        m_arrivalAlarm.setAt(m_arrivals.front().at);
}

void SimLine::transmit(const QByteArray &bytes, Clock::time_point start)
{
    Clock::time_point due = std::max(start, m_lineFree);
    for (char byte : bytes) {
        due += kByteTime;
        m_outgoing.push_back({due, QByteArray(1, byte)});
    }
    m_lineFree = due;
    m_sendAlarm.setAt(m_outgoing.front().due);
}

void SimLine::transmitBurst(const QByteArray &bytes, Clock::time_point start)
{
    const Clock::time_point due = std::max(start, m_lineFree) + kByteTime * bytes.size();
    m_outgoing.push_back({due, bytes});
    m_lineFree = due;
    m_sendAlarm.setAt(m_outgoing.front().due);
}

void SimLine::hangUpAfterQueue()
{
    const Clock::time_point due = std::max(Clock::now(), m_lineFree);
    m_outgoing.push_back({due, {}, true});
    m_sendAlarm.setAt(m_outgoing.front().due);
}

Clock::time_point SimLine::lineFreeAt() const
{
    return std::max(m_lineFree, Clock::now());
}

void SimLine::clearQueue()
{
    m_outgoing.clear();
    m_sendAlarm.cancel();
    m_lineFree = Clock::now();
}

void SimLine::sendDue()
{
    const Clock::time_point now = Clock::now();
    while (!m_outgoing.empty() && m_outgoing.front().due <= now) {
        const Chunk chunk = m_outgoing.front();
        m_outgoing.pop_front();
        if (chunk.hangUp) {
            hangUp();
            return;
        }
        writeChunk(chunk.bytes);
    }
    if (!m_outgoing.empty())
        m_sendAlarm.setAt(m_outgoing.front().due);
    else
        Q_EMIT queueEmpty();
}

void SimLine::writeChunk(const QByteArray &bytes)
{
    if (m_fd < 0)
        return;
    updateConnection();
    const qint64 now = toNs(Clock::now());
    if (!m_connected) {
        // A closed port loses what reaches it; do not leave it for the next open.
        for (char byte : bytes)
            addLog({LogEntry::Dropped, now, std::uint8_t(byte), 0});
        return;
    }
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    for (qsizetype i = 0; i < bytes.size(); ++i)
        addLog({i < done ? LogEntry::Sent : LogEntry::Dropped, now, std::uint8_t(bytes.at(i)), 0});
}

void SimLine::hangUp()
{
    if (m_fd < 0)
        return;
    clearQueue();
    m_arrivals.clear();
    m_arrivalAlarm.cancel();
    m_readNotifier.reset();
    m_openNotifier.reset();
    if (m_inotify >= 0)
        ::close(m_inotify);
    m_inotify = -1;
    ::close(m_fd);
    m_fd = -1;
    m_connected = false;
    addLog({LogEntry::HungUp, toNs(Clock::now()), -1, 0});
    Q_EMIT hungUp();
}

void SimLine::addLog(const LogEntry &entry)
{
    if (m_log.size() < kLogLimit)
        m_log.append(entry);
    Q_EMIT logged(entry);
}

} // namespace kav::sim
