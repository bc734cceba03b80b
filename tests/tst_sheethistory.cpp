// Undo and redo of the sheet in the real window, with the simulated radio on
// COM1: every kind of step taken back and brought back by its keys, without a
// byte to the radio or a file written.

#include "support/filebytes.h"
#include "support/plandrops.h"
#include "support/radiowindowfixture.h"

#include "app/plandocument.h"
#include "app/sheethistory.h"

#include <QDirIterator>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>

using namespace kav;

namespace {

// The radio's image of a plan of 36 digits: the digits' values.
QByteArray imageOf(const QByteArray &digits)
{
    QByteArray image;
    for (char digit : digits)
        image += char(digit - '0');
    return image;
}

// What the sheet is to the user: the six texts, and the file PRINT names.
struct Seen
{
    QStringList texts;
    QString sheetFile;
    friend bool operator==(const Seen &a, const Seen &b) { return a.texts == b.texts && a.sheetFile == b.sheetFile; }
};

char *toString(const Seen &seen)
{
    return QTest::toString(seen.texts.join(u'|') + QStringLiteral(" file=") + seen.sheetFile);
}

// Every file under folder, with its size and time: what "no file written" compares.
QStringList filesUnder(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo file(it.next());
        files << QStringLiteral("%1 %2 %3")
                     .arg(file.filePath())
                     .arg(file.size())
                     .arg(file.lastModified().toMSecsSinceEpoch());
    }
    files.sort();
    return files;
}

} // namespace

class TestSheetHistory : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void undoAndRedoRestoreEachStep_data();
    void undoAndRedoRestoreEachStep();
    void fieldTypingIsUndoneFirst();
    void rightClickNamesTheSteps_data();
    void rightClickNamesTheSteps();
    void keepsTheLastHundredSteps();
    void planDroppedDuringReadIsRefused();

private:
    Seen seen() const;
    QString writePlan(const QString &name, const QByteArray &digits) const;
    void openByDialog(const QString &path);
    // The keys as the user presses them, to whatever holds the focus.
    static void press(int key, Qt::KeyboardModifiers modifiers);

    std::unique_ptr<RadioWindowFixture> f;
    std::unique_ptr<QTemporaryDir> m_plans;
};

void TestSheetHistory::init()
{
    f = std::make_unique<RadioWindowFixture>();
    m_plans = std::make_unique<QTemporaryDir>();
    QVERIFY(m_plans->isValid());
}

void TestSheetHistory::cleanup()
{
    f.reset();
    m_plans.reset();
}

Seen TestSheetHistory::seen() const
{
    QStringList texts;
    for (const PlanField field : kEntryOrder)
        texts << f->sheet().fieldText(field);
    return {texts, f->parts->document.sheetFile()};
}

QString TestSheetHistory::writePlan(const QString &name, const QByteArray &digits) const
{
    const QString path = QDir(m_plans->path()).filePath(name);
    if (!writeBytes(path, savBytes(digits)))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestSheetHistory::openByDialog(const QString &path)
{
    f->dialogs.chooseFile(path);
    QTest::mouseClick(f->button(QStringLiteral("Cmd_Open")), Qt::LeftButton);
}

void TestSheetHistory::press(int key, Qt::KeyboardModifiers modifiers)
{
    QWidget *focus = QApplication::focusWidget();
    QVERIFY(focus);
    QTest::keyClick(focus, Qt::Key(key), modifiers);
}

void TestSheetHistory::undoAndRedoRestoreEachStep_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<QStringList>("texts"); // after the step
    QTest::addColumn<QString>("file");      // that PRINT names after the step: van.sav, truck.sav or none
    QTest::addColumn<QString>("name");      // of the step, as Undo names it

    QStringList entered = kVanTexts;
    entered[1] = QStringLiteral("41.0500");
    QStringList emptied = kVanTexts;
    emptied[3].clear();
    QTest::newRow("an accepted entry, normalised") << "entry" << entered << ""
                                                   << "CH2 RX 41.0500";
    QTest::newRow("an entry emptied by the user") << "empty" << emptied << "van.sav"
                                                  << "CH1 TX cleared";
    QTest::newRow("an entry refused and so emptied") << "refused" << emptied << "van.sav"
                                                     << "CH1 TX cleared";
    QTest::newRow("NEW with OK") << "NEW" << kEmptyTexts << ""
                                 << "NEW";
    QTest::newRow("OPEN") << "OPEN" << kTruckTexts << "truck.sav"
                          << "OPEN truck.sav";
    QTest::newRow("a dropped plan") << "drop" << kTruckTexts << "truck.sav"
                                    << "OPEN truck.sav";
    QTest::newRow("READ") << "READ" << kTruckTexts << ""
                          << "READ";
}

void TestSheetHistory::undoAndRedoRestoreEachStep()
{
    QFETCH(QString, step);
    QFETCH(QStringList, texts);
    QFETCH(QString, file);
    QFETCH(QString, name);
    QVERIFY(f->startWithRadio(imageOf(kTruckDigits)));
    const QString van = writePlan(QStringLiteral("van.sav"), kVanDigits);
    const QString truck = writePlan(QStringLiteral("truck.sav"), kTruckDigits);
    openByDialog(van);
    const Seen before{kVanTexts, van};
    QCOMPARE(seen(), before);

    if (step == QLatin1String("entry")) {
        WindowFixture::type(f->rxField(2), QStringLiteral("41.05"));
        QTest::keyClick(f->rxField(2), Qt::Key_Return);
    } else if (step == QLatin1String("empty")) {
        WindowFixture::type(f->txField(1), QString());
        QTest::keyClick(f->txField(1), Qt::Key_Delete);
        QTest::keyClick(f->txField(1), Qt::Key_Tab);
    } else if (step == QLatin1String("refused")) {
        WindowFixture::type(f->txField(1), QStringLiteral("50"));
        QTest::keyClick(f->txField(1), Qt::Key_Tab); // "Confirm Frequency Range!", the field emptied
        QCOMPARE(f->dialogs.messageTexts(), QStringList{QStringLiteral("Confirm Frequency Range!")});
        QTest::keyClick(f->txField(1), Qt::Key_Tab);
    } else if (step == QLatin1String("NEW")) {
        f->dialogs.answer(MessageResult::Ok);
        QTest::mouseClick(f->button(QStringLiteral("Cmd_New")), Qt::LeftButton);
    } else if (step == QLatin1String("OPEN")) {
        openByDialog(truck);
    } else if (step == QLatin1String("drop")) {
        const auto data = urlDrag({QUrl::fromLocalFile(truck)});
        QVERIFY(dropOn(f->find<QWidget>(QStringLiteral("Frame1")), data.get()));
    } else {
        f->clickRead();
        QVERIFY(f->waitForSessionEnd());
        QCOMPARE(f->failures(), 0);
        QTRY_VERIFY(f->isQuiet());
    }
    // An emptied field leaves the file named, as leaving an empty field always has.
    const Seen after{texts, file.isEmpty() ? QString() : QDir(m_plans->path()).filePath(file)};
    QTRY_COMPARE(seen(), after);
    QAction *undo = f->window->findChild<QAction *>(QStringLiteral("sheetUndo"));
    QVERIFY(undo);
    QCOMPARE(undo->text(), QStringLiteral("Undo ") + name);

    // From here on nothing may reach the radio or the disk.
    f->radio.clearLog();
    const QStringList files = filesUnder(f->folder.dataHome()) + filesUnder(m_plans->path());
    f->dialogs.clear();

    press(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(seen(), before);
    press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(seen(), after);
    press(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(seen(), before);
    press(Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(seen(), after);
    press(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(seen(), before);
    // The step before: the OPEN of van.sav, back to the sheet of start-up.
    press(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(seen(), (Seen{kEmptyTexts, QString()}));
    QVERIFY(!undo->isEnabled());
    press(Qt::Key_Z, Qt::ControlModifier); // nothing left: nothing changes
    QCOMPARE(seen(), (Seen{kEmptyTexts, QString()}));
    press(Qt::Key_Y, Qt::ControlModifier);
    press(Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(seen(), after);

    QCOMPARE(f->dialogs.messages.size(), 0);
    QCOMPARE(f->radio.log().size(), 0);
    QCOMPARE(filesUnder(f->folder.dataHome()) + filesUnder(m_plans->path()), files);
    QVERIFY(f->isQuiet());
    QCOMPARE(f->field(QStringLiteral("Txt_Model"))->text(), QStringLiteral("KV-7719NEW"));
}

void TestSheetHistory::fieldTypingIsUndoneFirst()
{
    QVERIFY(f->startWithRadio(imageOf(kTruckDigits)));
    const QString van = writePlan(QStringLiteral("van.sav"), kVanDigits);
    openByDialog(van);
    WindowFixture::type(f->rxField(2), QStringLiteral("41"));
    QCOMPARE(f->rxField(2)->text(), QStringLiteral("41"));

    // The field's typing first, the sheet's OPEN after it; redo the other way round.
    press(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(seen(), (Seen{kVanTexts, van}));
    QCOMPARE(QApplication::focusWidget(), f->rxField(2));
    press(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(seen(), (Seen{kEmptyTexts, QString()}));
    press(Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(seen(), (Seen{kVanTexts, van}));

    // Typing undone, then brought back, as the field does it, with either redo key.
    WindowFixture::type(f->rxField(2), QStringLiteral("41"));
    press(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f->rxField(2)->text(), QString());
    press(Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(f->rxField(2)->text(), QStringLiteral("41"));
    press(Qt::Key_Z, Qt::ControlModifier);
    press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(f->rxField(2)->text(), QStringLiteral("41"));
    QCOMPARE(seen().sheetFile, van); // not left yet: no entry, still the file's sheet
    QTest::keyClick(f->rxField(2), Qt::Key_Return);
    QCOMPARE(f->rxField(2)->text(), QStringLiteral("41.0000"));
    press(Qt::Key_Z, Qt::ControlModifier); // the entry as a step of the sheet
    QCOMPARE(seen(), (Seen{kVanTexts, van}));
}

void TestSheetHistory::rightClickNamesTheSteps_data()
{
    QTest::addColumn<QString>("over");
    QTest::addColumn<bool>("fieldMenu"); // the field's own items come first
    QTest::newRow("the channel frame") << "Frame1" << false;
    QTest::newRow("a row label") << "Label3" << false;
    QTest::newRow("a frequency field") << "Txt_Tx3" << true;
}

void TestSheetHistory::rightClickNamesTheSteps()
{
    QFETCH(QString, over);
    QFETCH(bool, fieldMenu);
    QVERIFY(f->startWithRadio(imageOf(kTruckDigits)));
    const QString van = writePlan(QStringLiteral("van.sav"), kVanDigits);
    openByDialog(van);
    f->dialogs.answer(MessageResult::Ok);
    QTest::mouseClick(f->button(QStringLiteral("Cmd_New")), Qt::LeftButton);
    f->dialogs.answer(MessageResult::Ok);
    QTest::mouseClick(f->button(QStringLiteral("Cmd_New")), Qt::LeftButton); // on an empty sheet: no step
    press(Qt::Key_Z, Qt::ControlModifier);                                   // NEW undone
    QCOMPARE(seen(), (Seen{kVanTexts, van}));

    // The menu runs its own loop; a timer of that loop reads and closes it.
    QStringList items;
    QTimer reader;
    reader.setInterval(10);
    connect(&reader, &QTimer::timeout, this, [&items, &reader] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction *action : menu->actions()) {
            if (!action->isSeparator())
                items << action->text().section(u'\t', 0, 0) + (action->isEnabled() ? "" : " (disabled)");
        }
        reader.stop();
        menu->close();
    });
    reader.start();
    QWidget *target = f->find<QWidget>(over);
    QContextMenuEvent click(QContextMenuEvent::Mouse, target->rect().center(),
                            target->mapToGlobal(target->rect().center()));
    QApplication::sendEvent(target, &click);
    QVERIFY(items.size() >= 2);
    QCOMPARE(items.mid(items.size() - 2),
             (QStringList{QStringLiteral("Undo OPEN van.sav"), QStringLiteral("Redo NEW")}));
    QCOMPARE(items.size() > 2, fieldMenu);
    QCOMPARE(seen(), (Seen{kVanTexts, van})); // showing the menu changes nothing
}

void TestSheetHistory::keepsTheLastHundredSteps()
{
    QVERIFY(f->startWithRadio(imageOf(kTruckDigits)));
    // 101 entries, each another frequency: 38.0125, 38.0250, ...
    const auto entry = [](int n) { return QString::number(38.0 + 0.0125 * n, 'f', 4); };
    QLineEdit *field = f->rxField(1);
    for (int n = 1; n <= SheetHistory::kUndoLimit + 1; ++n) {
        WindowFixture::type(field, entry(n));
        QTest::keyClick(field, Qt::Key_Return);
    }
    QCOMPARE(field->text(), entry(SheetHistory::kUndoLimit + 1));
    f->rxField(2)->setFocus();
    for (int n = 0; n < SheetHistory::kUndoLimit + 5; ++n)
        press(Qt::Key_Z, Qt::ControlModifier);
    // The first entry's step is the one that went: its result is as far back as it goes.
    QCOMPARE(field->text(), entry(1));
}

void TestSheetHistory::planDroppedDuringReadIsRefused()
{
    QVERIFY(f->startWithRadio(imageOf(kTruckDigits)));
    const QString van = writePlan(QStringLiteral("van.sav"), kVanDigits);
    f->clickRead();
    // From the answer to READ's question until the run ends OPEN is disabled, and so is a drop.
    QVERIFY(!f->button(QStringLiteral("Cmd_Open"))->isEnabled());
    const auto data = urlDrag({QUrl::fromLocalFile(van)});
    QVERIFY(!dropOn(f->find<QWidget>(QStringLiteral("Frame1")), data.get()));
    QVERIFY(f->waitForSessionEnd());
    QTRY_VERIFY(f->isQuiet());
    QCOMPARE(seen(), (Seen{kTruckTexts, QString()}));
    QCOMPARE(f->window->findChild<QAction *>(QStringLiteral("sheetUndo"))->text(), QStringLiteral("Undo READ"));
    // Once it has ended, the same drop opens.
    QVERIFY(f->button(QStringLiteral("Cmd_Open"))->isEnabled());
    QVERIFY(dropOn(f->find<QWidget>(QStringLiteral("Frame1")), data.get()));
    QTRY_COMPARE(seen(), (Seen{kVanTexts, van}));
}

QTEST_MAIN(TestSheetHistory)
#include "tst_sheethistory.moc"
