// The plans' file type (packaging/kavrilink-mime.xml) as Qt's MIME database
// sees it, as KDE's file managers do, once the package's type is merged with
// the system's into one database, as the package's install does: a saved plan
// is a Kavrilink plan, every other *.sav keeps the type it has without the
// package, and the name alone never makes a file a plan.
//
// Qt reads its MIME database once per process, so each database is asked by a
// child: this test run again with KAV_MIME_QUERY set prints the types of its
// arguments.

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

const QString kPlanType = QStringLiteral("application/x-kavrilink-plan");

// The first lines of a plan as SAVE writes them, then the rest of the 36.
QByteArray savedPlan()
{
    QByteArray bytes;
    for (const int digit : {4, 0, 0, 1, 2, 5})
        bytes += ' ' + QByteArray::number(digit) + " \r\n";
    for (int line = 6; line < 36; ++line)
        bytes += " 0 \r\n";
    return bytes;
}

// Prints "<type by content and name> <type by name>" for each path.
int printTypes(const QStringList &paths)
{
    const QMimeDatabase database;
    for (const QString &path : paths) {
        std::printf("%s %s\n", qPrintable(database.mimeTypeForFile(path).name()),
                    qPrintable(database.mimeTypeForFile(path, QMimeDatabase::MatchExtension).name()));
    }
    return 0;
}

} // namespace

class TestPlanMimeType : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void typeOfFile_data();
    void typeOfFile();

private:
    // An XDG data folder with the system's MIME types and, when withPackage, the plans' type.
    void makeDataFolder(const QString &folder, bool withPackage);
    // The types the child finds for path with that data folder: by content and name, by name.
    QStringList typesOf(const QString &dataFolder, const QString &path);

    QTemporaryDir m_root;
};

void TestPlanMimeType::makeDataFolder(const QString &folder, bool withPackage)
{
    QVERIFY(QDir().mkpath(folder + QStringLiteral("/mime/packages")));
    const QDir system(QStringLiteral("/usr/share/mime/packages"));
    const QStringList packages = system.entryList({QStringLiteral("*.xml")}, QDir::Files);
    QVERIFY2(packages.contains(QStringLiteral("freedesktop.org.xml")), "shared-mime-info is not installed");
    for (const QString &name : packages) {
        if (name != QStringLiteral("kavrilink.xml")) // an installed Kavrilink's own
            QVERIFY(QFile::copy(system.filePath(name), folder + QStringLiteral("/mime/packages/") + name));
    }
    if (withPackage) {
        QVERIFY(
            QFile::copy(QStringLiteral(KAVRILINK_MIME_XML), folder + QStringLiteral("/mime/packages/kavrilink.xml")));
    }
    QProcess update;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_DIRS"), folder);
    update.setProcessEnvironment(environment);
    update.setProcessChannelMode(QProcess::MergedChannels);
    update.start(QStringLiteral("update-mime-database"), {folder + QStringLiteral("/mime")});
    QVERIFY2(update.waitForFinished(120000), "update-mime-database did not finish");
    // It reports a file it cannot parse and still exits 0.
    const QByteArray output = update.readAll();
    QVERIFY2(update.exitCode() == 0 && output.isEmpty(), output.constData());
}

QStringList TestPlanMimeType::typesOf(const QString &dataFolder, const QString &path)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KAV_MIME_QUERY"), QStringLiteral("1"));
    environment.insert(QStringLiteral("XDG_DATA_DIRS"), dataFolder);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), m_root.filePath(QStringLiteral("home")));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {path});
    if (!child.waitForFinished(120000) || child.exitCode() != 0)
        return {};
    return QString::fromUtf8(child.readAllStandardOutput()).trimmed().split(u' ');
}

void TestPlanMimeType::initTestCase()
{
    QVERIFY(m_root.isValid());
    makeDataFolder(m_root.filePath(QStringLiteral("without")), false);
    makeDataFolder(m_root.filePath(QStringLiteral("with")), true);
}

void TestPlanMimeType::typeOfFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("isPlan");

    QTest::newRow("a saved plan") << "van.sav" << savedPlan() << true;
    QTest::newRow("a saved plan without the extension") << "van" << savedPlan() << true;
    QTest::newRow("a plan without the spaces") << "bare.sav" << savedPlan().replace(' ', "") << false;
    QTest::newRow("a statistics data file")
        << "survey.sav" << QByteArray("$FL2@(#) SPSS DATA FILE\0\0\0\0", 27) << false;
    QTest::newRow("a game's text save") << "game.sav" << QByteArray("level=3\nlives=2\n") << false;
    QTest::newRow("a binary save") << "binary.sav" << QByteArray("\x1f\x8b\x08\0\0\0\0\0", 8) << false;
    QTest::newRow("a plan named otherwise") << "van.txt" << savedPlan() << false;
}

void TestPlanMimeType::typeOfFile()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, isPlan);

    const QString path = m_root.filePath(QStringLiteral("files/") + name);
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
    file.close();

    const QStringList without = typesOf(m_root.filePath(QStringLiteral("without")), path);
    const QStringList with = typesOf(m_root.filePath(QStringLiteral("with")), path);
    QCOMPARE(without.size(), 2);
    QCOMPARE(with.size(), 2);
    QCOMPARE(with.at(0), isPlan ? kPlanType : without.at(0));
    // The name alone gives what it gave without the package.
    QCOMPARE(with.at(1), without.at(1));
    QVERIFY(without.at(0) != kPlanType);
}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet("KAV_MIME_QUERY")) {
        QCoreApplication app(argc, argv);
        return printTypes(QCoreApplication::arguments().mid(1));
    }
    QCoreApplication app(argc, argv);
    TestPlanMimeType test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_planmimetype.moc"
