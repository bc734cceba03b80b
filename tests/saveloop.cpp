// Test helper: saves through the program's own commands in an endless loop,
// for a test that kills it (SIGKILL) at some moment and then looks at the file.
//   saveloop sav FOLDER   SAVE of two plans in turn to FOLDER/plan.sav
//   saveloop inf FOLDER   COM2 and COM3 chosen in turn (comport.inf in FOLDER)
//   saveloop backup FOLDER  backups of a plan into FOLDER/backups, one second apart
// Prints "saved N" after each save.
#include "app/filecommands.h"
#include "app/plandocument.h"
#include "common/appfolder.h"
#include "link/portholder.h"
#include "link/portsetting.h"
#include "radio/backupstore.h"
#include "sheet/plandisplay.h"
#include "support/fakeserialservice.h"
#include "support/scripteddialogs.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

namespace {

// The sheet's six texts without a window.
class Fields : public kav::PlanDisplay
{
public:
    void setModelText(const QString &) override {}
    QString fieldText(kav::PlanField field) const override { return m_texts[field]; }
    void setFieldText(kav::PlanField field, const QString &text) override { m_texts[field] = text; }
    void focusField(kav::PlanField) override {}

private:
    kav::ChannelPlan m_texts;
};

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3)
        return 2;
    const QByteArray kind = argv[1];
    const QString folder = QString::fromLocal8Bit(argv[2]);
    qputenv("XDG_DATA_HOME", QFile::encodeName(folder));
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kavrilink"));

    kav::PlanDocument document;
    ScriptedDialogs dialogs;
    Fields sheet;
    FakeSerialService serial;
    kav::FileCommands files(document, sheet, dialogs);
    kav::PortHolder port(serial);
    kav::PortSetting ports(port, kav::applicationFolder());
    const QString plan = QDir(folder).filePath(QStringLiteral("plan.sav"));
    const QDateTime start = QDateTime::currentDateTime();
    long backups = 0;
    const kav::BackupStore store(QDir(folder).filePath(QStringLiteral("backups")),
                                 [&start, &backups] { return start.addSecs(backups); });
    const kav::RadioImage image = kav::RadioImage::fromLinear(QByteArray::fromHex("040000010205") + QByteArray(30, 0));

    for (long n = 1;; ++n) {
        dialogs.messages.clear();
        if (kind == "sav") {
            // 40.0125 and 41.5000 on CH1 RX in turn: each file is 180 bytes.
            sheet.setFieldText({0, kav::Direction::Rx}, n % 2 ? QStringLiteral("40.0125") : QStringLiteral("41.5000"));
            dialogs.chooseFile(plan);
            files.onSaveClicked();
        } else if (kind == "inf") {
            QString reason;
            if (!ports.choosePort(n % 2 ? 2 : 3, &reason)) {
                std::fprintf(stderr, "saveloop: %s\n", qPrintable(reason));
                return 1;
            }
        } else if (kind == "backup") {
            backups = n;
            const kav::BackupResult backup = store.save(QStringLiteral("/dev/ttyUSB0"), image);
            if (!backup.saved) {
                std::fprintf(stderr, "saveloop: %s\n", qPrintable(backup.reason));
                return 1;
            }
        } else {
            return 2;
        }
        if (kind == "sav" && dialogs.messageTexts().value(0) != QStringLiteral("Saved to ") + plan) {
            std::fprintf(stderr, "saveloop: %s\n", qPrintable(dialogs.messageTexts().join(u'|')));
            return 1;
        }
        std::printf("saved %ld\n", n);
        std::fflush(stdout);
    }
}
