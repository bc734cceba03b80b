#include "support/radiothread.h"

using kav::sim::Fault;
using kav::sim::LogEntry;
using kav::sim::SimulatedRadio;

RadioThread::RadioThread()
{
    setObjectName(QStringLiteral("simulated radio"));
    start();
    m_built.acquire();
}

RadioThread::~RadioThread()
{
    quit();
    wait();
}

void RadioThread::run()
{
    // Built, run and destroyed on this thread: its notifiers and alarms belong here.
    SimulatedRadio radio;
    connect(&radio, &SimulatedRadio::commandReceived, this, &RadioThread::commandReceived);
    connect(&radio, &SimulatedRadio::imageWritten, this, &RadioThread::imageWritten);
    m_radio = &radio;
    m_built.release();
    exec();
}

bool RadioThread::openPty()
{
    if (!call([](SimulatedRadio &radio) { return radio.openPty(); }))
        return false;
    m_programPath = call([](SimulatedRadio &radio) { return radio.programPath(); });
    return true;
}

void RadioThread::setFault(Fault fault) const
{
    call([fault](SimulatedRadio &radio) { radio.setFault(fault); });
}

void RadioThread::setImage(const QByteArray &image) const
{
    call([&image](SimulatedRadio &radio) { radio.setImage(image); });
}

QByteArray RadioThread::image() const
{
    return call([](SimulatedRadio &radio) { return radio.image(); });
}

QList<LogEntry> RadioThread::log() const
{
    return call([](SimulatedRadio &radio) { return radio.line().log(); });
}

void RadioThread::clearLog() const
{
    call([](SimulatedRadio &radio) { radio.line().clearLog(); });
}
