// Figures for OPEN on hostile files: how long a refusal takes and how much
// memory it costs, next to a good file. Prints; asserts nothing.
#include "radio/frequencyfile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace {

constexpr int kRounds = 200;

long peakKilobytes()
{
#ifdef Q_OS_UNIX
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
#else
    return 0;
#endif
}

bool writeRepeated(const QString &path, const QByteArray &chunk, int times)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (int i = 0; i < times; ++i) {
        if (file.write(chunk) != chunk.size())
            return false;
    }
    return true;
}

void measure(const char *what, const QString &path)
{
    const long before = peakKilobytes();
    QElapsedTimer timer;
    timer.start();
    int accepted = 0;
    for (int i = 0; i < kRounds; ++i)
        accepted += kav::readFrequencyFile(path).has_value() ? 1 : 0;
    const double perRead = double(timer.nsecsElapsed()) / kRounds / 1e6;
    std::printf("%-34s %s  %8.4f ms per OPEN  peak memory +%ld kB\n", what, accepted ? "accepted" : "refused ", perRead,
                peakKilobytes() - before);
}

} // namespace

int main()
{
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.sav"));
    const QString noCR = dir.filePath(QStringLiteral("10MB-no-CR.sav"));
    const QString lfOnly = dir.filePath(QStringLiteral("10MB-LF-only.sav"));
    const QString nul = dir.filePath(QStringLiteral("10MB-NUL.sav"));
    if (!writeRepeated(good, " 4 \r\n", 36) || !writeRepeated(noCR, QByteArray(1024 * 1024, '4'), 10) ||
        !writeRepeated(lfOnly, " 4 \n", 10 * 1024 * 1024 / 4) ||
        !writeRepeated(nul, QByteArray(1024 * 1024, '\0'), 10)) {
        std::fprintf(stderr, "cannot write the sample files\n");
        return 1;
    }
    std::printf("%d rounds each, line limit %d bytes\n", kRounds, kav::kMaxSavedLineLength);
    measure("180-byte saved file", good);
    measure("10 MB of digits, no CR", noCR);
    measure("10 MB of LF-only lines", lfOnly);
    measure("10 MB of NUL", nul);
    return 0;
}
