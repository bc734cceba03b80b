#include "support/windowfixture.h"

#include "radio/decoder.h"
#include "sheet/channelsheet.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

using namespace kav;

namespace {

const MessageRequest kRefusal{QStringLiteral("Confirm Frequency Range!"),
                              QStringLiteral("Error"),
                              MessageIcon::Critical,
                              MessageButtons::Ok,
                              MessageResult::Ok,
                              {}};
const MessageRequest kNewQuestion{QStringLiteral("Sheet Clear and Input New Frequency?"),
                                  QString(),
                                  MessageIcon::Question,
                                  MessageButtons::OkCancel,
                                  MessageResult::Ok,
                                  {}};

QWidget *focused()
{
    return QApplication::focusWidget();
}

// Types text as keystrokes into whatever has the focus.
void type(const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(focused(), char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, focused(), Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(focused(), key, modifiers);
}

constexpr PlanField kCh1Rx{0, Direction::Rx};
constexpr PlanField kCh2Rx{1, Direction::Rx};
constexpr PlanField kCh3Rx{2, Direction::Rx};
constexpr PlanField kCh1Tx{0, Direction::Tx};
constexpr PlanField kCh2Tx{1, Direction::Tx};
constexpr PlanField kCh3Tx{2, Direction::Tx};

// Six decimal digit values per frequency, in image order CH1 RX, CH1 TX, CH2 RX, ...
RadioImage imageOf(std::initializer_list<const char *> frequencies)
{
    QByteArray linear;
    for (const char *digits : frequencies) {
        for (const char *d = digits; *d; ++d)
            linear.append(char(*d - '0'));
    }
    linear.resize(RadioImage::kSize, '\0');
    return RadioImage::fromLinear(linear);
}

} // namespace

class TestSheet : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void checksEntryWhenLeft_data();
    void checksEntryWhenLeft();
    void everyWayOfLeavingChecks_data();
    void everyWayOfLeavingChecks();
    void enterMovesAlongTheSheetAndWraps();
    void tabLeavesTheSheetForOpen();
    void escapeEmptiesTheFieldAndKeepsTheFocus();
    void otherKeysReachTheText();
    void sheetFromFileFollowsEntries_data();
    void sheetFromFileFollowsEntries();
    void refusedFieldStopsTheClickedCommand_data();
    void refusedFieldStopsTheClickedCommand();
    void checkRunsBeforeTheCommand();
    void twoInvalidFieldsShowOneBoxAtATime_data();
    void twoInvalidFieldsShowOneBoxAtATime();
    void newCancelKeepsTheSheet();
    void newOkStartsAnEmptySheet_data();
    void newOkStartsAnEmptySheet();
    void shownValueOutOfBandIsRefusedOnlyWhenLeft();

private:
    MainWindow &w() { return *f->window; }
    QLineEdit *field(PlanField which) { return f->sheet().field(which); }
    // Puts the focus into the field by a click, as the user would.
    void clickInto(QWidget *widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    // Records where the focus is and what the refused field holds while each box is up.
    void watchBoxes();

    std::unique_ptr<WindowFixture> f;
    QList<QWidget *> m_focusDuringBox;
    QStringList m_textDuringBox;
};

void TestSheet::init()
{
    f = std::make_unique<WindowFixture>();
    f->start();
    QVERIFY(f->show());
    m_focusDuringBox.clear();
    m_textDuringBox.clear();
}

void TestSheet::cleanup()
{
    f.reset();
}

void TestSheet::watchBoxes()
{
    f->dialogs.onMessage([this](const MessageRequest &) {
        m_focusDuringBox.append(focused());
        auto *edit = qobject_cast<QLineEdit *>(focused());
        m_textDuringBox.append(edit ? edit->text() : QStringLiteral("<no field>"));
    });
}

void TestSheet::checksEntryWhenLeft_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown"); // empty: refused

    QTest::newRow("38") << "38"
                        << "38.0000";
    QTest::newRow("38.0") << "38.0"
                          << "38.0000";
    QTest::newRow("38.000") << "38.000"
                            << "38.0000";
    QTest::newRow("40") << "40"
                        << "40.0000";
    QTest::newRow("41.05") << "41.05"
                           << "41.0500";
    QTest::newRow("42.3") << "42.3"
                          << "42.3000";
    QTest::newRow("42.300") << "42.300"
                            << "42.3000";
    QTest::newRow("38.0125") << "38.0125"
                             << "38.0125";
    QTest::newRow("38.0125004") << "38.0125004"
                                << "38.0125";
    QTest::newRow("blanks around") << " 40.5 "
                                   << "40.5000";

    QTest::newRow("37.9875 below the band") << "37.9875"
                                            << "";
    QTest::newRow("42.3125 above the band") << "42.3125"
                                            << "";
    QTest::newRow("just above the band") << "42.3000001"
                                         << "";
    QTest::newRow("38.00625 half a step") << "38.00625"
                                          << "";
    QTest::newRow("abc") << "abc"
                         << "";
    QTest::newRow("38.01.25") << "38.01.25"
                              << "";
    QTest::newRow("38.0125MHz") << "38.0125MHz"
                                << "";
    QTest::newRow("lone point") << "."
                                << "";
    QTest::newRow("blanks only") << "   "
                                 << "";
    QTest::newRow("negative") << "-40"
                              << "";
    QTest::newRow("nan") << "nan"
                         << "";
    QTest::newRow("inf") << "inf"
                         << "";
    QTest::newRow("1e400") << "1e400"
                           << "";
    QTest::newRow("exponent, in band") << "4.0e1"
                                       << "";
    QTest::newRow("decimal comma") << "40,5"
                                   << "";
    QTest::newRow("too large for a double") << QString(320, u'9') << "";
}

void TestSheet::checksEntryWhenLeft()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    const bool accepted = !shown.isEmpty();

    f->parts->document.fromFile = true;
    watchBoxes();
    clickInto(field(kCh1Rx));
    type(typed);
    QCOMPARE(field(kCh1Rx)->text(), typed); // nothing is checked while typing
    QVERIFY(f->dialogs.messages.isEmpty());

    press(Qt::Key_Tab);

    if (accepted) {
        QVERIFY(f->dialogs.messages.isEmpty());
        QCOMPARE(field(kCh1Rx)->text(), shown);
        QCOMPARE(focused(), field(kCh2Rx));
        QCOMPARE(f->parts->document.fromFile, false);
    } else {
        QCOMPARE(f->dialogs.messages, QList<MessageRequest>{kRefusal});
        QCOMPARE(m_focusDuringBox, QList<QWidget *>{field(kCh1Rx)});
        QCOMPARE(m_textDuringBox, QStringList{typed}); // emptied only when the box is closed
        QCOMPARE(field(kCh1Rx)->text(), QString());
        QCOMPARE(focused(), field(kCh1Rx));
        QCOMPARE(f->parts->document.fromFile, true);
    }
    QCOMPARE(f->parts->document.sendImage, RadioImage()); // the check never encodes
}

void TestSheet::everyWayOfLeavingChecks_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");

    for (const char *way : {"Enter", "Tab", "Backtab", "click on a field", "click on a button"}) {
        QTest::addRow("%s, valid", way) << way << "40.5"
                                        << "40.5000";
        QTest::addRow("%s, invalid", way) << way << "40.00001"
                                          << "";
    }
}

void TestSheet::everyWayOfLeavingChecks()
{
    QFETCH(QString, way);
    QFETCH(QString, typed);
    QFETCH(QString, shown);

    // Tx1: its neighbours are fields on all sides; NEW is the button (answered Cancel).
    int newClicks = 0;
    w().connectCommand(findButton(w(), "Cmd_New"), [&] { ++newClicks; });
    f->dialogs.answer(MessageResult::Cancel);
    watchBoxes();
    clickInto(field(kCh1Tx));
    type(typed);

    QWidget *target = nullptr;
    if (way == "Enter") {
        press(Qt::Key_Return);
        target = field(kCh2Tx);
    } else if (way == "Tab") {
        press(Qt::Key_Tab);
        target = field(kCh2Tx);
    } else if (way == "Backtab") {
        press(Qt::Key_Backtab, Qt::ShiftModifier);
        target = field(kCh3Rx);
    } else if (way == "click on a field") {
        clickInto(field(kCh3Tx));
        target = field(kCh3Tx);
    } else {
        clickInto(findButton(w(), "Cmd_New"));
        target = findButton(w(), "Cmd_New");
    }

    QCOMPARE(field(kCh1Tx)->text(), shown);
    if (!shown.isEmpty()) {
        QCOMPARE(focused(), target);
        QCOMPARE(newClicks, target == findButton(w(), "Cmd_New") ? 1 : 0);
    } else {
        QCOMPARE(f->dialogs.messages.first(), kRefusal);
        QCOMPARE(f->dialogs.messages.size(), 1);
        QCOMPARE(m_focusDuringBox, QList<QWidget *>{field(kCh1Tx)});
        QCOMPARE(focused(), field(kCh1Tx));
        QCOMPARE(newClicks, 0);
    }
}

void TestSheet::enterMovesAlongTheSheetAndWraps()
{
    const QStringList typed{"38", "38.0125", "39.5", "40", "41.05", "42.3"};
    const QStringList shown{"38.0000", "38.0125", "39.5000", "40.0000", "41.0500", "42.3000"};
    clickInto(field(kCh1Rx));
    for (size_t i = 0; i < kEntryOrder.size(); ++i) {
        QCOMPARE(focused(), field(kEntryOrder[i]));
        type(typed.at(qsizetype(i)));
        press(Qt::Key_Return);
        QCOMPARE(field(kEntryOrder[i])->text(), shown.at(qsizetype(i)));
    }
    QCOMPARE(focused(), field(kCh1Rx)); // Txt_Tx3 wraps round to Txt_Rx1
    press(Qt::Key_Enter);               // the keypad Enter key too
    QCOMPARE(focused(), field(kCh2Rx));
    QVERIFY(f->dialogs.messages.isEmpty());
}

void TestSheet::tabLeavesTheSheetForOpen()
{
    QList<QWidget *> order; // the RX column, the TX column, then OPEN
    for (const PlanField which : kEntryOrder)
        order.append(field(which));
    order.append(findButton(w(), "Cmd_Open"));
    clickInto(field(kCh1Rx));
    for (int i = 1; i < order.size(); ++i) {
        type(QStringLiteral("38.%1").arg(i));
        press(Qt::Key_Tab);
        QCOMPARE(focused(), order.at(i));
        QCOMPARE(field(kEntryOrder[size_t(i - 1)])->text(), "38." + QString::number(i) + "000");
    }
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(focused(), field(kCh3Tx));
    QVERIFY(f->dialogs.messages.isEmpty());
}

void TestSheet::escapeEmptiesTheFieldAndKeepsTheFocus()
{
    f->parts->document.fromFile = true;
    clickInto(field(kCh3Rx));
    type("40.5");
    press(Qt::Key_Escape);
    QCOMPARE(field(kCh3Rx)->text(), QString());
    QCOMPARE(focused(), field(kCh3Rx));

    // Leaving the empty field says nothing and changes nothing.
    press(Qt::Key_Return);
    QCOMPARE(focused(), field(kCh1Tx));
    QVERIFY(f->dialogs.messages.isEmpty());
    QCOMPARE(field(kCh3Rx)->text(), QString());
    QCOMPARE(f->parts->document.fromFile, true);
    QVERIFY(f->sheet().mayProceed());
}

void TestSheet::otherKeysReachTheText()
{
    const QString typed = QStringLiteral("x +-.,e9 !");
    clickInto(field(kCh2Tx));
    type(typed);
    QCOMPARE(field(kCh2Tx)->text(), typed);
    press(Qt::Key_Backspace);
    press(Qt::Key_Left);
    press(Qt::Key_Delete);
    QCOMPARE(field(kCh2Tx)->text(), QStringLiteral("x +-.,e9"));
    QCOMPARE(focused(), field(kCh2Tx));
    QVERIFY(f->dialogs.messages.isEmpty());
}

void TestSheet::sheetFromFileFollowsEntries_data()
{
    QTest::addColumn<QString>("before"); // as the plan display left it
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("sheetFromFile");

    QTest::newRow("accepted and rewritten") << ""
                                            << "40"
                                            << "40.0000" << 0;
    QTest::newRow("unchanged valid value passed through") << "40.0125"
                                                          << ""
                                                          << "40.0125" << 0;
    QTest::newRow("refused") << ""
                             << "40.1001"
                             << "" << 1;
    QTest::newRow("left empty") << ""
                                << ""
                                << "" << 1;
}

void TestSheet::sheetFromFileFollowsEntries()
{
    QFETCH(QString, before);
    QFETCH(QString, typed);
    QFETCH(QString, after);
    QFETCH(int, sheetFromFile);

    // As after OPEN: a plan on the sheet that came from a file.
    f->sheet().setFieldText(kCh2Rx, before);
    f->parts->document.fromFile = true;
    f->parts->document.fileName = QStringLiteral("/tmp/plan.sav");
    clickInto(field(kCh1Rx));
    press(Qt::Key_Return);
    QCOMPARE(focused(), field(kCh2Rx));
    QTest::keyClick(field(kCh2Rx), Qt::Key_End);
    type(typed);
    press(Qt::Key_Return);

    QCOMPARE(field(kCh2Rx)->text(), after);
    QCOMPARE(f->parts->document.fromFile, bool(sheetFromFile));
    QCOMPARE(f->parts->document.fileName, QStringLiteral("/tmp/plan.sav"));
}

void TestSheet::refusedFieldStopsTheClickedCommand_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("throughGate"); // false: a bare clicked() connection

    for (const char *name : {"Cmd_Write", "Cmd_Save", "Cmd_Read", "Cmd_Open", "CMd_Print"})
        QTest::addRow("%s", name) << name << true;
    QTest::newRow("Cmd_Write connected bare") << "Cmd_Write" << false;
    QTest::newRow("Cmd_Save connected bare") << "Cmd_Save" << false;
}

void TestSheet::refusedFieldStopsTheClickedCommand()
{
    QFETCH(QString, button);
    QFETCH(bool, throughGate);

    auto *command = w().findChild<QPushButton *>(button);
    QVERIFY(command);
    int actions = 0;
    if (throughGate)
        w().connectCommand(command, [&] { ++actions; });
    else
        connect(command, &QPushButton::clicked, this, [&] { ++actions; });

    watchBoxes();
    clickInto(field(kCh2Rx));
    type("38.0126");
    clickInto(command);

    QCOMPARE(f->dialogs.messages, QList<MessageRequest>{kRefusal});
    QCOMPARE(m_focusDuringBox, QList<QWidget *>{field(kCh2Rx)});
    QCOMPARE(focused(), field(kCh2Rx));
    QCOMPARE(field(kCh2Rx)->text(), QString());
    QCOMPARE(actions, 0);
    QVERIFY(!f->sheet().mayProceed());
    if (throughGate) {
        command->click(); // as a shortcut would, without moving the focus
        QCOMPARE(actions, 0);
    }

    // Once the sheet is as the user was told, the same click acts. (The
    // command's own handler may show boxes of its own; no second refusal.)
    clickInto(command);
    QCOMPARE(actions, 1);
    QCOMPARE(f->dialogs.messages.count(kRefusal), 1);
    QVERIFY(f->sheet().mayProceed());
}

void TestSheet::checkRunsBeforeTheCommand()
{
    QString seenByWrite;
    std::optional<bool> fromFileSeenByWrite;
    w().connectCommand(findButton(w(), "Cmd_Write"), [&] {
        seenByWrite = field(kCh3Tx)->text();
        fromFileSeenByWrite = f->parts->document.fromFile;
    });
    f->parts->document.fromFile = true;
    clickInto(field(kCh3Tx));
    type("42.3");
    f->dialogs.answer(MessageResult::No); // WRITE itself asks first: nothing is sent
    clickInto(findButton(w(), "Cmd_Write"));
    QCOMPARE(seenByWrite, QStringLiteral("42.3000"));
    QCOMPARE(fromFileSeenByWrite, std::optional<bool>(false));
    QCOMPARE(f->dialogs.messageTexts(), QStringList{QStringLiteral("Write Data to Radio?")});
    f->dialogs.clear();

    // NEW's question comes after the check, too.
    watchBoxes();
    f->dialogs.answer(MessageResult::Cancel);
    clickInto(field(kCh1Rx));
    type("39");
    clickInto(findButton(w(), "Cmd_New"));
    QCOMPARE(f->dialogs.messages, QList<MessageRequest>{kNewQuestion});
    QCOMPARE(m_focusDuringBox, QList<QWidget *>{findButton(w(), "Cmd_New")});
    QCOMPARE(field(kCh1Rx)->text(), QStringLiteral("39.0000"));
}

void TestSheet::twoInvalidFieldsShowOneBoxAtATime_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("Enter") << "Enter";
    QTest::newRow("Tab") << "Tab";
    QTest::newRow("click") << "click";
}

void TestSheet::twoInvalidFieldsShowOneBoxAtATime()
{
    QFETCH(QString, way);
    const auto leaveFor = [&](QLineEdit *next) {
        if (way == "Enter")
            press(Qt::Key_Return);
        else if (way == "Tab")
            press(Qt::Key_Tab);
        else
            clickInto(next);
    };

    // CH2 RX out of the band, as a radio or a file may hold it.
    showPlan(f->sheet(), decodePlan(imageOf({"000000", "000000", "370000"})));
    QCOMPARE(field(kCh2Rx)->text(), QStringLiteral("37.0000"));
    watchBoxes();

    clickInto(field(kCh1Rx));
    type("abc");
    leaveFor(field(kCh2Rx));
    QCOMPARE(f->dialogs.messages, QList<MessageRequest>{kRefusal});
    QCOMPARE(m_focusDuringBox, QList<QWidget *>{field(kCh1Rx)});
    QCOMPARE(focused(), field(kCh1Rx));
    QCOMPARE(field(kCh1Rx)->text(), QString());
    QCOMPARE(field(kCh2Rx)->text(), QStringLiteral("37.0000")); // never entered, never checked

    leaveFor(field(kCh2Rx)); // the emptied field now lets go
    QCOMPARE(focused(), field(kCh2Rx));
    QCOMPARE(f->dialogs.messages.size(), 1);

    leaveFor(field(kCh3Rx));
    QCOMPARE(f->dialogs.messages, (QList<MessageRequest>{kRefusal, kRefusal}));
    QCOMPARE(m_focusDuringBox, (QList<QWidget *>{field(kCh1Rx), field(kCh2Rx)}));
    QCOMPARE(m_textDuringBox, (QStringList{"abc", "37.0000"}));
    QCOMPARE(focused(), field(kCh2Rx));
    QCOMPARE(field(kCh2Rx)->text(), QString());
    QCOMPARE(field(kCh1Rx)->text(), QString());
}

void TestSheet::newCancelKeepsTheSheet()
{
    // As after OPEN, with the focus still on a button.
    showPlan(f->sheet(), decodePlan(imageOf({"400125", "405000", "000000", "000000", "423000", "380125"})));
    f->parts->document.fromFile = true;
    f->parts->document.fileName = QStringLiteral("/tmp/plan.sav");
    QStringList texts;
    for (const PlanField which : kEntryOrder)
        texts.append(field(which)->text());
    QCOMPARE(texts, (QStringList{"40.0125", "", "42.3000", "40.5000", "", "38.0125"}));

    f->dialogs.answer(MessageResult::Cancel);
    clickInto(findButton(w(), "Cmd_New"));

    QCOMPARE(f->dialogs.messages, QList<MessageRequest>{kNewQuestion});
    for (size_t i = 0; i < kEntryOrder.size(); ++i)
        QCOMPARE(field(kEntryOrder[i])->text(), texts.at(qsizetype(i)));
    QCOMPARE(findField(w(), "Txt_Model")->text(), QStringLiteral("KV-7719NEW"));
    QCOMPARE(f->parts->document.fromFile, true);
    QCOMPARE(focused(), findButton(w(), "Cmd_New"));
}

void TestSheet::newOkStartsAnEmptySheet_data()
{
    QTest::addColumn<bool>("planShown");
    QTest::addColumn<int>("answer");

    QTest::newRow("plan shown, OK") << true << int(MessageResult::Ok);
    QTest::newRow("already empty, OK") << false << int(MessageResult::Ok);
    // Only Cancel keeps the sheet.
    QTest::newRow("plan shown, any answer but Cancel") << true << int(MessageResult::No);
}

void TestSheet::newOkStartsAnEmptySheet()
{
    QFETCH(bool, planShown);
    QFETCH(int, answer);

    if (planShown) {
        showPlan(f->sheet(), decodePlan(imageOf({"400125", "405000", "410000", "415000", "420000", "423000"})));
    }
    f->parts->document.sendImage = imageOf({"400125"});
    f->parts->document.fromFile = true;
    f->parts->document.fileName = QStringLiteral("/tmp/plan.sav");
    // The port is none of NEW's business.
    portItemOf(w(), 1)->setChecked(false); // the start-up's mark
    portItemOf(w(), 3)->setChecked(true);

    f->dialogs.answer(MessageResult(answer));
    clickInto(findButton(w(), "Cmd_New"));

    QCOMPARE(f->dialogs.messages, QList<MessageRequest>{kNewQuestion});
    for (const PlanField which : kPlanFields)
        QCOMPARE(field(which)->text(), QString());
    QCOMPARE(findField(w(), "Txt_Model")->text(), QStringLiteral("KV-7719NEW"));
    QCOMPARE(f->parts->document.fromFile, false);
    QCOMPARE(f->parts->document.fileName, QStringLiteral("/tmp/plan.sav"));
    QCOMPARE(f->parts->document.sendImage, RadioImage());
    QCOMPARE(f->parts->portSetting.portNumber(), 1);
    QVERIFY(portItemOf(w(), 3)->isChecked());
    QVERIFY(!portItemOf(w(), 1)->isChecked());
}

void TestSheet::shownValueOutOfBandIsRefusedOnlyWhenLeft()
{
    showPlan(f->sheet(), decodePlan(imageOf({"400125", "000000", "000000", "423125", "379875", "400000"})));
    QCOMPARE(field(kCh1Rx)->text(), QStringLiteral("40.0125"));
    QCOMPARE(field(kCh2Tx)->text(), QStringLiteral("42.3125"));
    QCOMPARE(field(kCh3Rx)->text(), QStringLiteral("37.9875"));
    QVERIFY(f->dialogs.messages.isEmpty());

    // NEW empties it unchecked, like any other shown value.
    f->dialogs.answer(MessageResult::Cancel);
    clickInto(findButton(w(), "Cmd_New"));
    QCOMPARE(field(kCh2Tx)->text(), QStringLiteral("42.3125"));

    // Entering the field says nothing; leaving it refuses the value.
    watchBoxes();
    clickInto(field(kCh2Tx));
    QCOMPARE(f->dialogs.messages.size(), 1);
    press(Qt::Key_Return);
    QCOMPARE(f->dialogs.messages.size(), 2);
    QCOMPARE(f->dialogs.messages.last(), kRefusal);
    QCOMPARE(m_textDuringBox, QStringList{"42.3125"});
    QCOMPARE(focused(), field(kCh2Tx));
    QCOMPARE(field(kCh2Tx)->text(), QString());
    QCOMPARE(field(kCh3Rx)->text(), QStringLiteral("37.9875")); // still untouched
}

QTEST_MAIN(TestSheet)
#include "tst_sheet.moc"
