#include "cli/usage.h"

#include "cli/consoleoutput.h"
#include "cli/exitcodes.h"
#include "common/safefile.h"
#include "common/shownpath.h"

namespace kav::cli {

namespace {

// What differs between the systems: the port COM N is without comport.map,
// how the backups folder is written, and what ends a run.
#ifdef Q_OS_WIN
constexpr char kDefaultPort[] = "COMN";
constexpr char kBackupsFolder[] = "backups\\";
constexpr char kInterruption[] = "interrupted by Ctrl+C (130), Ctrl+Break or closing the\n"
                                 "           console (143): every port closed";
#else
constexpr char kDefaultPort[] = "/dev/ttyS(N-1)";
constexpr char kBackupsFolder[] = "backups/";
constexpr char kInterruption[] = "interrupted by SIGINT or SIGTERM: every port closed, its locks gone";
#endif

} // namespace

QString usageText()
{
    return QStringLiteral("Usage: kavrilink-cli COMMAND [OPTIONS]\n"
                          "Programs the KV-7719NEW mobile radio (38.000-42.300 MHz) over a serial line.\n"
                          "\n"
                          "Commands:\n"
                          "  show FILE.sav [--json]          print the six frequencies of a plan file\n"
                          "  read (--device PATH | --com N) [-o FILE.sav] [--json] [--trace FILE]\n"
                          "                                  read the plan from a radio\n"
                          "  write FILE.sav --device PATH [--device PATH ...] [--com N ...] [--verify]\n"
                          "        [--backup-dir DIR | --no-backup] [--trace FILE]\n"
                          "                                  program one or several radios at once,\n"
                          "                                  each read first and its plan kept as a backup\n"
                          "  report FILE.sav [--pdf OUT.pdf] print the frequency report, as text or PDF\n"
                          "  ports [--json]                  list the serial devices and their by-id paths\n"
                          "  export FILE.sav [-o FILE.csv]   write the plan as CSV in CHIRP's generic layout\n"
                          "  import FILE.csv -o FILE.sav     save a plan from such a CSV, every value checked\n"
                          "  --help                          this text\n"
                          "\n"
                          "--com N uses COM N as the window does: comport.map in the application\n"
                          "folder, else %1. Messages go to standard error, results to\n"
                          "standard output; control characters they quote are shown escaped (\\x1B).\n"
                          "\n"
                          "write keeps what each radio held in the application folder's %2\n"
                          "(or --backup-dir DIR) as DEVICE-YYYYmmdd-HHMMSS.sav before writing it;\n"
                          "--no-backup skips that read. --verify reads each radio back and names the\n"
                          "fields that differ. --trace FILE saves every byte on the line, a block per\n"
                          "exchange and device, also after a failure.\n"
                          "\n"
                          "Exit codes:\n"
                          "  0  success\n"
                          "  2  usage: the command line is wrong\n"
                          "  3  file refused: a plan, CSV, PDF or trace file could not be read or written,\n"
                          "     or the result could not be written to standard output\n"
                          "  4  port unavailable: a serial port could not be opened, or another\n"
                          "     program holds the device (under any of its names)\n"
                          "  5  radio not answering: no answer within 1000 ms\n"
                          "  6  communication error: wrong acknowledge or checksum, or the port failed\n"
                          "  7  write refused: the radio did not accept the written block\n"
                          "  8  verify mismatch: the radio read back something else than was written\n"
                          "  9  backup failed: the radio's plan could not be read or kept before\n"
                          "     writing; that radio was not written\n"
                          "  130, 143  %3\n"
                          "With several devices the exit code is that of the first device that failed.\n")
        .arg(QLatin1String(kDefaultPort), QLatin1String(kBackupsFolder), QLatin1String(kInterruption));
}

int usageError(const QString &problem)
{
    printError(QStringLiteral("kavrilink-cli: ") + problem);
    printError(QStringLiteral("Try 'kavrilink-cli --help'."));
    return ExitUsage;
}

int refuseSameFile(const QString &option, const QString &output, const QString &what, const QString &input)
{
    if (output.isEmpty() || input.isEmpty() || !isSameFile(output, input))
        return ExitOk;
    return usageError(QStringLiteral("%1 %2 is the same file as %3 %4, which it would replace; give another name")
                          .arg(option, shownPath(output), what, shownPath(input)));
}

} // namespace kav::cli
