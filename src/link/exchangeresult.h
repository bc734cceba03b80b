#pragma once

#include "radio/radioimage.h"

#include <QObject>
#include <QString>

namespace kav {
Q_NAMESPACE

enum class ExchangeKind { Read, Write };
Q_ENUM_NS(ExchangeKind)

// How an exchange ended.
enum class ExchangeOutcome {
    Ok,                 // read: the block arrived and was acknowledged; write: the radio answered 0x77
    PortUnavailable,    // the port could not be opened, or the command byte could not be handed over
    NoAnswer,           // the radio did not answer within the response time-out
    CommunicationError, // a wrong acknowledge, a wrong checksum, or the port failed mid-exchange
    WriteRefused,       // the radio answered the written block with something other than 0x77
    Superseded,         // ended by its caller: another read() or write() over it, or abandon()
};
Q_ENUM_NS(ExchangeOutcome)

// Where an exchange stands. Idle until the first read() or write(); an ended
// exchange keeps its last state (a completed write stays in ImageSent).
enum class LinkState {
    Idle,           // no exchange yet: arriving bytes are dropped
    WriteRequested, // 0xF0 sent, waiting for 0x0F
    ImageSent,      // block sent, waiting for the radio's verdict
    ReadRequested,  // 0xE0 sent, waiting for 0x0E
    ImageExpected,  // 0x0E received, waiting for the 37-byte block
};
Q_ENUM_NS(LinkState)

enum class LineDirection { ToRadio, FromRadio };
Q_ENUM_NS(LineDirection)

// The steps of a programming session, in the order a write runs them.
enum class SessionStep {
    Read,            // a read on its own
    ReadBeforeWrite, // before a write: the radio's plan is read (for the backup, the changes, or both)...
    KeepBackup,      // ...kept in the backups folder...
    ConfirmChanges,  // ...and its differences from the plan shown; the front end says proceed or decline
    Write,           // the plan is written
    VerifyRead,      // after a write: the radio is read back and compared
};
Q_ENUM_NS(SessionStep)

// What a programming session came to: the one thing a front end tells.
enum class SessionVerdict {
    Read,                   // the radio's plan arrived
    Written,                // the radio accepted the plan (0x77); no read-back was asked
    Verified,               // the radio accepted the plan and reads back what was written
    Unchanged,              // nothing written: the radio already held the plan (skipUnchanged)
    Declined,               // nothing written: the front end declined the changes
    BackupFailed,           // nothing written: the radio's plan could not be read or kept first
    VerifyMismatch,         // the radio accepted the plan but reads back something else
    PortUnavailable,        // the port could not be had, or the first command not handed over
    NoAnswer,               // the radio did not answer within the response time-out
    CommunicationError,     // a wrong acknowledge or checksum, or the port failed mid-exchange
    WriteRefused,           // the radio answered the written block with something other than 0x77
    Interrupted,            // stopped before the radio accepted anything
    InterruptedAfterAccept, // stopped after the radio accepted the plan (0x77), before the end
};
Q_ENUM_NS(SessionVerdict)

struct ExchangeResult
{
    ExchangeKind kind = ExchangeKind::Read;
    ExchangeOutcome outcome = ExchangeOutcome::Ok;
    QString reason;   // the system's reason where there is one, else empty
    RadioImage image; // read: the image received (Ok only); write: the image written
};

} // namespace kav
