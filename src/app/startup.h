#pragma once

#include "app/plandocument.h"
#include "common/appsettings.h"
#include "link/linetrace.h"
#include "link/portholder.h"
#include "link/portsetting.h"
#include "link/programminghistory.h"
#include "link/programmingsession.h"
#include "radio/backupstore.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>

namespace kav {

class BackupPruner;
class SerialService;

// What the window works with beyond its controls, built before it and handed
// in: start-up builds one for the application folder, and the tests build
// theirs the same way. The window connects its controls to these parts; it
// builds none of them.
struct ProgramParts
{
    // appFolder holds comport.inf, comport.map, kavrilink.ini, history.csv and
    // the backups folder; serial is the port to the radio.
    ProgramParts(const QString &appFolder, SerialService &serial);
    ~ProgramParts();
    ProgramParts(const ProgramParts &) = delete;
    ProgramParts &operator=(const ProgramParts &) = delete;

    // What nothing on screen waits for, run once the window is shown: reads
    // comport.inf and checks its port quietly (the COM items' marks follow),
    // and prunes old backups a bounded piece per event-loop turn.
    void startUpSettings();

    const QString appFolder;
    PlanDocument document;
    AppSettings settings;             // the COM PORT menu's remembered choices
    const BackupStore backups;        // where plans read are kept
    const ProgrammingHistory history; // history.csv: every write that reached a radio
    PortHolder port;                  // the one opener of the serial port
    PortSetting portSetting;          // the COM port chosen, and the device of each
    LineTrace trace;                  // the last exchanges; outlives the session that feeds it
    ProgrammingSession session;       // READ and WRITE, on the port of the COM port chosen
    // The date and time PRINT puts on the report, read at every PRINT: the
    // local ones unless replaced.
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };

private:
    std::unique_ptr<BackupPruner> m_pruner;
};

// Runs the program in an existing QApplication: the single-instance check,
// the window's start-up and the event loop. Returns the exit code.
int runKavrilink();

} // namespace kav
