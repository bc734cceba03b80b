// Files the program meets in a bad state: a full disk under every writer, save
// targets that are not files, and instance lock files left damaged.

#include "app/deviceassignment.h"
#include "app/reportprinter.h"
#include "app/singleinstance.h"
#include "common/safefile.h"
#include "link/linkmessages.h"
#include "link/portfile.h"
#include "link/portmap.h"
#include "link/portsetting.h"
#include "radio/frequencyfile.h"
#include "report/reportpdf.h"
#include "support/filesizelimit.h"
#include "support/pseudoterminal.h"
#include "support/windowfixture.h"

#include <QPrinter>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>

#include <algorithm>

#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestBrokenFiles : public QObject
{
    Q_OBJECT

private slots:
    void fullDiskKeepsTheOldFileAndSaysWhy_data();
    void fullDiskKeepsTheOldFileAndSaysWhy();
    void targetsThatAreNotFilesAreLeftAlone_data();
    void targetsThatAreNotFilesAreLeftAlone();
    void lockFilesNamingNobodyAreTakenOver_data();
    void lockFilesNamingNobodyAreTakenOver();
};

void TestBrokenFiles::fullDiskKeepsTheOldFileAndSaysWhy_data()
{
    QTest::addColumn<QString>("writer");
    QTest::newRow("comport.inf, COM2 chosen") << "comport.inf";
    QTest::newRow("comport.inf, created at start-up") << "comport.inf at start-up";
    QTest::newRow("comport.map, Assign Devices OK") << "comport.map";
    QTest::newRow("*.sav") << "sav";
    QTest::newRow("PDF report") << "pdf";
    QTest::newRow("kavrilink.ini, Verify After Write chosen") << "kavrilink.ini";
}

void TestBrokenFiles::fullDiskKeepsTheOldFileAndSaysWhy()
{
    QFETCH(QString, writer);
    const auto unmount = [](QByteArray *folder) {
        ::umount2(folder->constData(), MNT_DETACH);
        delete folder;
    };
    WindowFixture f;
    PseudoTerminal pty;
    QVERIFY(pty.isValid());
    std::unique_ptr<QByteArray, decltype(unmount)> mounted(nullptr, unmount); // gone before the folder
    const QByteArray old = "old content that must stay whole\r\n";
    const QString path =
        f.folder.filePath(writer == QLatin1String("sav")                    ? QStringLiteral("plan.sav")
                          : writer == QLatin1String("pdf")                  ? QStringLiteral("report.pdf")
                          : writer.startsWith(QLatin1String("comport.inf")) ? QStringLiteral("comport.inf")
                                                                            : writer);
    if (writer == QLatin1String("comport.inf") || writer == QLatin1String("kavrilink.ini")) {
        // Choosing a port opens it, and its lock in the system's lock folder
        // must still be made: a disk of its own that is full, not a size limit.
        QVERIFY(QDir().mkpath(f.folder.appFolder()));
        const QByteArray folder = QFile::encodeName(f.folder.appFolder());
        if (::unshare(CLONE_NEWNS) != 0 || ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", folder.constData(), "tmpfs", 0, "size=16k") != 0)
            QSKIP("needs a private mount namespace (root)");
        mounted.reset(new QByteArray(folder));
        QVERIFY(f.writePortMap("COM2=" + QFile::encodeName(pty.devicePath()) + '\n'));
        QVERIFY(writeFile(f.folder.filePath(QStringLiteral("comport.inf")), " 3 \r\n"));
        if (writer == QLatin1String("kavrilink.ini"))
            QVERIFY(writeFile(path, "[Programming]\nVerifyAfterWrite=false\n"));
        f.start();
        QFile filler(f.folder.filePath(QStringLiteral("filler")));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(512, 'x')) > 0) {
        }
    } else if (writer != QLatin1String("comport.inf at start-up")) {
        QVERIFY(writeFile(path, old));
    }
    if (writer == QLatin1String("pdf"))
        f.start(); // before the disk is full: PRINT is the window's

    // Elsewhere a write past 2 bytes fails as on a full disk, for root as well.
    FileSizeLimit full(mounted ? RLIM_INFINITY : 2);
    QVERIFY(full.active());
    QString reason;
    if (writer == QLatin1String("comport.inf")) {
        portItemOf(*f.window, 2)->trigger();
        QCOMPARE(f.dialogs.messageTexts(), QStringList{QString::fromLatin1(kav::kReselectPortMessage)});
        reason = f.dialogs.messages.constFirst().informativeText;
        QVERIFY2(reason.contains(QStringLiteral("setting could not be saved")), qPrintable(reason));
        QCOMPARE(contentOf(path), QByteArray(" 3 \r\n"));
        QCOMPARE(f.parts->portSetting.portNumber(), 3);
        QVERIFY(!portItemOf(*f.window, 2)->isChecked());
        QVERIFY(portItemOf(*f.window, 3)->isChecked()); // where the stored number says
    } else if (writer == QLatin1String("kavrilink.ini")) {
        findItem(*f.window, "M_VerifyAfterWrite")->trigger();
        QCOMPARE(f.dialogs.messages.size(), 1);
        reason = f.dialogs.messages.constFirst().informativeText;
        QCOMPARE(contentOf(path), QByteArray("[Programming]\nVerifyAfterWrite=false\n"));
        QVERIFY(findItem(*f.window, "M_VerifyAfterWrite")->isChecked()); // for this run
    } else if (writer == QLatin1String("comport.inf at start-up")) {
        f.start();
        QVERIFY(!QFileInfo::exists(path)); // no empty file in its place
        QCOMPARE(f.parts->portSetting.portNumber(), 1);
        QVERIFY(f.dialogs.messages.isEmpty());
        return;
    } else if (writer == QLatin1String("comport.map")) {
        QVERIFY(!kav::savePortMap(path, {{1, QStringLiteral("/dev/ttyUSB0")}}, &reason));
        QCOMPARE(contentOf(path), old);
    } else if (writer == QLatin1String("sav")) {
        QVERIFY(!kav::saveFrequencyFile(path, kav::RadioImage(), &reason));
        QCOMPARE(contentOf(path), old);
    } else {
        f.dialogs.acceptPrint(true);
        f.dialogs.onPrint([&path](QPrinter &chosen) {
            chosen.setOutputFormat(QPrinter::PdfFormat);
            chosen.setOutputFileName(path);
        });
        f.window->findChild<QPushButton *>(QStringLiteral("CMd_Print"))->click();
        QCOMPARE(f.dialogs.messageTexts(), QStringList{QStringLiteral("Could not print the frequency report")});
        reason = f.dialogs.messages.constFirst().informativeText;
        QCOMPARE(contentOf(path), old);
    }
    // The system's own reason.
    QVERIFY2(reason.contains(mounted ? QStringLiteral("No space left") : QStringLiteral("File too large")),
             qPrintable(reason));
    QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".tmp")),
             QStringList()); // no temporary file left beside it
}

void TestBrokenFiles::targetsThatAreNotFilesAreLeftAlone_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("written");
    QTest::newRow("FIFO") << "fifo" << false;
    QTest::newRow("socket") << "socket" << false;
    QTest::newRow("device node") << "device" << false;
    QTest::newRow("symlink to a device node") << "link to device" << false;
    QTest::newRow("symlink to a regular file: written through") << "link to file" << true;
}

void TestBrokenFiles::targetsThatAreNotFilesAreLeftAlone()
{
    QFETCH(QString, kind);
    QFETCH(bool, written);
    WindowFixture f;
    const TestFolder &folder = f.folder;
    QVERIFY(QDir().mkpath(folder.appFolder()));
    const QString target = folder.filePath(QStringLiteral("target"));
    const QString path = folder.filePath(QStringLiteral("comport.inf")); // also the file start-up reads
    const int socketEnd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const auto closeSocket = qScopeGuard([socketEnd] { ::close(socketEnd); });
    if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == QLatin1String("socket")) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        QVERIFY(size_t(name.size()) < sizeof(address.sun_path));
        std::copy(name.begin(), name.end(), address.sun_path);
        QCOMPARE(::bind(socketEnd, reinterpret_cast<sockaddr *>(&address), sizeof(address)), 0);
    } else if (kind.endsWith(QLatin1String("device"))) {
        // A node of its own with the number of /dev/null: /dev/null itself is never put at risk.
        if (::mknod(QFile::encodeName(target).constData(), S_IFCHR | 0600, makedev(1, 3)) != 0)
            QSKIP("making a device node needs root");
    } else {
        QVERIFY(writeFile(target, " 4 \r\n"));
    }
    if (kind.startsWith(QLatin1String("link")))
        QVERIFY(QFile::link(target, path));
    else if (kind == QLatin1String("device"))
        QVERIFY(QFile::rename(target, path));
    const auto type = [&path] {
        struct stat info
        {
        };
        return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & S_IFMT : 0;
    };
    const auto before = type();

    // Start-up reads and creates nothing there; the port choice stays 1 until the user chooses.
    f.start();
    QCOMPARE(f.parts->portSetting.portNumber(), written ? 4 : 1);
    QCOMPARE(type(), before);

    QString reason;
    const QStringList writers{QStringLiteral("sav"), QStringLiteral("comport.inf"), QStringLiteral("comport.map"),
                              QStringLiteral("pdf")};
    for (const QString &writer : writers) {
        const bool ok =
            writer == QLatin1String("sav")           ? kav::saveFrequencyFile(path, {}, &reason)
            : writer == QLatin1String("comport.inf") ? kav::writePortFile(path, 2, &reason)
            : writer == QLatin1String("comport.map")
                ? kav::savePortMap(path, {}, &reason)
                : kav::writeReportPdf(path, {QStringLiteral("x")}, kav::defaultReportPdfLayout(), 300, &reason);
        QVERIFY2(ok == written, qPrintable(writer + QStringLiteral(": ") + reason));
        QCOMPARE(type(), before); // the node, the link, the FIFO stay what they were
        if (!written)
            QVERIFY2(reason.contains(path) && reason.contains(QStringLiteral("not a regular file")),
                     qPrintable(reason));
    }
    if (written)
        QVERIFY(contentOf(target).startsWith("%PDF")); // the last writer went through the link
}

void TestBrokenFiles::lockFilesNamingNobodyAreTakenOver_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("ageSeconds");
    QTest::addColumn<bool>("starts");
    QTest::addColumn<bool>("notice");

    const QByteArray host = QSysInfo::machineHostName().toUtf8();
    QTest::newRow("empty, left by a power loss") << QByteArray("") << 3600 << true << false;
    QTest::newRow("garbage") << QByteArray("\x01\xff garbled\n\n") << 3600 << true << false;
    QTest::newRow("a pid of no process") << QByteArray("999999999\nkavrilink\n" + host + '\n') << 3600 << true << false;
    QTest::newRow("a live pid of another program")
        << QByteArray("1\nkavrilink\n" + host + '\n') << 3600 << true << false;
    QTest::newRow("empty and fresh: another copy still writing it") << QByteArray("") << 0 << false << false;
    QTest::newRow("held by a live copy") << QByteArray() << 0 << false << false;
    QTest::newRow("cannot be opened") << QByteArray("folder") << 0 << true << true;
}

void TestBrokenFiles::lockFilesNamingNobodyAreTakenOver()
{
    QFETCH(QByteArray, content);
    QFETCH(int, ageSeconds);
    QFETCH(bool, starts);
    QFETCH(bool, notice);
    TestFolder folder;
    const QString path = folder.filePath(QStringLiteral("kavrilink.lock"));
    QVERIFY(QDir().mkpath(folder.appFolder()));
    QLockFile holder(path);
    if (content.isNull()) {
        QVERIFY(holder.tryLock(0)); // this process, a live holder
    } else if (content == "folder") {
        QVERIFY(QDir().mkpath(path)); // opened by nobody, root included
    } else {
        QVERIFY(writeFile(path, content));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds), QFileDevice::FileModificationTime));
    }

    kav::SingleInstance instance(path);
    QCOMPARE(instance.acquire(), starts);
    QCOMPARE(!instance.notice().isEmpty(), notice);
    if (starts && !notice) {
        qint64 pid = 0;
        QString host;
        QString application;
        QLockFile now(path);
        QVERIFY(now.getLockInfo(&pid, &host, &application));
        QCOMPARE(pid, QCoreApplication::applicationPid()); // taken over
    }
}

QTEST_MAIN(TestBrokenFiles)
#include "tst_brokenfiles.moc"
