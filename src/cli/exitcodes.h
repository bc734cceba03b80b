#pragma once

namespace kav::cli {

// Exit codes of kavrilink-cli, one per class of failure.
enum ExitCode {
    ExitOk = 0,
    ExitDiffers = 1,         // diff: a radio holds another plan than the file
    ExitUsage = 2,           // wrong command line
    ExitFileRefused = 3,     // a *.sav file could not be read, or not written
    ExitPortUnavailable = 4, // the serial port could not be opened
    ExitNoAnswer = 5,        // the radio did not answer in time
    ExitCommunication = 6,   // a wrong acknowledge or checksum, or the port failed
    ExitWriteRefused = 7,    // the radio refused the written block
    ExitVerifyMismatch = 8,  // the radio read back something else than was written
    ExitBackupFailed = 9,    // the radio's plan could not be read or kept before writing; nothing written
    ExitInterrupted = 128,   // plus the signal: 130 for SIGINT, 143 for SIGTERM; every port closed
};

} // namespace kav::cli
