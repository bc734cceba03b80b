#include "link/programmingexchange.h"
#include "link/radioprotocol.h"
#include "radio/plantexts.h"
#include "radio/radiodata.h"
#include "support/fakeserialservice.h"
#include "support/scripteddialogs.h"

#include <QSignalSpy>
#include <QTest>

using namespace kav;

namespace {

// CH1 RX 40.0125, CH1 TX 40.5000, CH2 and CH3 empty: the documented block.
const QByteArray kExampleBlock = QByteArray::fromHex("040000010205040005000000") + QByteArray(24, '\0') + '\x15';
const QString kShownBefore = QStringLiteral("41.0000");

struct Rig
{
    FakeSerialService serial;
    RadioData data;
    PlanTexts display;
    ScriptedDialogs dialogs;
    ProgrammingExchange exchange{serial, data, display, dialogs};
    QSignalSpy failed{&exchange, &ProgrammingExchange::exchangeFailed};
    QSignalSpy read{&exchange, &ProgrammingExchange::readCompleted};
    QSignalSpy written{&exchange, &ProgrammingExchange::writeCompleted};

    Rig() { data.InitRadioData(); }

    QStringList sentHex() const
    {
        QStringList hex;
        for (const QByteArray &bytes : serial.sent)
            hex.append(QString::fromLatin1(bytes.toHex()));
        return hex;
    }

    void startRead()
    {
        display.setFieldText(1, kShownBefore);
        dialogs.answer(MessageResult::Yes);
        exchange.Cmd_Read_Click();
    }

    void startWrite()
    {
        display.setFieldText(1, QStringLiteral("40.0125"));
        display.setFieldText(4, QStringLiteral("40.5000"));
        dialogs.answer(MessageResult::Yes);
        exchange.Cmd_Write_Click();
    }

    // Plays the radio's side: hex bytes as one notification, or a named event.
    void play(const QString &step)
    {
        if (step == QLatin1String("block")) {
            serial.inject(kExampleBlock);
        } else if (step == QLatin1String("block:10")) {
            serial.injectPieces(kExampleBlock, {10});
        } else if (step == QLatin1String("block:bytewise")) {
            serial.injectPieces(kExampleBlock, QList<int>(kImageBlockSize, 1));
        } else if (step == QLatin1String("block+3")) {
            serial.inject(kExampleBlock + QByteArray::fromHex("0e0f77"));
        } else if (step == QLatin1String("ack+block")) {
            serial.inject('\x0e' + kExampleBlock);
        } else if (step == QLatin1String("badblock")) {
            QByteArray bad = kExampleBlock;
            bad[36] = '\x16';
            serial.inject(bad);
        } else if (step == QLatin1String("partial20")) {
            serial.inject(kExampleBlock.left(20));
        } else if (step == QLatin1String("empty")) {
            serial.notifyEmpty();
        } else if (step == QLatin1String("overflow")) {
            serial.notifyOverflow();
        } else if (step == QLatin1String("fail")) {
            serial.failPort(QStringLiteral("device gone"));
        } else if (step == QLatin1String("failsend")) {
            serial.failSend(1, QStringLiteral("write failed"));
        } else if (step == QLatin1String("timeout")) {
            QVERIFY2(exchange.Timer1().isActive(), "the time-out needs an armed timer");
            QSignalSpy expired(&exchange.Timer1(), &QTimer::timeout);
            QVERIFY(expired.wait(5000));
        } else {
            serial.inject(QByteArray::fromHex(step.toLatin1()));
        }
    }
};

} // namespace

class TestExchange : public QObject
{
    Q_OBJECT

private slots:
    void checksumOfImage_data();
    void checksumOfImage();
    void blockCarriesImageInLinearOrder();

    void readTransitions_data();
    void readTransitions();
    void writeTransitions_data();
    void writeTransitions();
    void otherStatesDropWhatArrives_data();
    void otherStatesDropWhatArrives();

    void failuresBeforeTheCommand_data();
    void failuresBeforeTheCommand();
    void showsMessagesAsDesigned_data();
    void showsMessagesAsDesigned();

    void timeOutBoxNeverStacks();
    void portFailureIsReportedOnce();
    void clickDuringExchangeStartsOver();
    void completedWriteLeavesPortForNextRead();
    void exchangesOnSeparatePortsDoNotMeet();

private:
    void addTransitionColumns();
    void checkTransition(Rig &rig);
};

void TestExchange::checksumOfImage_data()
{
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<int>("checksum");
    QTest::newRow("all 0xff") << QByteArray(36, '\xff') << 0xDC;
    QTest::newRow("all zero") << QByteArray(36, '\0') << 0x00;
    QTest::newRow("all 0x01") << QByteArray(36, '\x01') << 0x24;
    QTest::newRow("documented example") << kExampleBlock.left(36) << 0x15;
    QTest::newRow("only 36 bytes count") << QByteArray(36, '\x01') + '\xff' << 0x24;
}

void TestExchange::checksumOfImage()
{
    QFETCH(QByteArray, image);
    QFETCH(int, checksum);
    QCOMPARE(int(BlockChecksum(image)), checksum);
    QByteArray block = image.left(36) + char(checksum);
    QVERIFY(BlockChecksumMatches(block));
    block[36] = char(checksum + 1);
    QVERIFY(!BlockChecksumMatches(block));
}

void TestExchange::blockCarriesImageInLinearOrder()
{
    RadioImage image;
    image(1, 1) = 4;
    image(1, 4) = 1;
    image(1, 5) = 2;
    image(1, 6) = 5;
    image(1, 7) = 4;
    image(1, 9) = 5;
    QCOMPARE(BuildImageBlock(image), kExampleBlock);
}

void TestExchange::addTransitionColumns()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("sent");     // each hand-over to the port, in hex
    QTest::addColumn<QStringList>("messages"); // texts of the boxes after the question
    QTest::addColumn<int>("linkState");
    QTest::addColumn<bool>("portOpen");
    QTest::addColumn<bool>("timerArmed");
    QTest::addColumn<bool>("completed");
}

void TestExchange::checkTransition(Rig &rig)
{
    QFETCH(QStringList, sent);
    QFETCH(QStringList, messages);
    QFETCH(int, linkState);
    QFETCH(bool, portOpen);
    QFETCH(bool, timerArmed);

    QCOMPARE(rig.sentHex(), sent);
    QStringList shown = rig.dialogs.messageTexts();
    shown.removeFirst(); // the question
    QCOMPARE(shown, messages);
    QCOMPARE(int(rig.data.LinkState), linkState);
    QCOMPARE(rig.serial.isOpen(), portOpen);
    QCOMPARE(rig.exchange.Timer1().isActive(), timerArmed);
    QCOMPARE(rig.failed.size(), int(messages.size()));
}

void TestExchange::readTransitions_data()
{
    addTransitionColumns();
    const QString comm = QStringLiteral("Communication Error");
    const QString conn = QStringLiteral("Connection Error to Radio");
    const auto row = [](const char *name, QStringList steps, QStringList sent, QStringList messages, int state,
                        bool open, bool armed, bool completed) {
        QTest::newRow(name) << steps << sent << messages << state << open << armed << completed;
    };
    row("good read", {"0e", "block"}, {"e0", "77"}, {}, 5, false, false, true);
    row("block in two pieces", {"0e", "block:10"}, {"e0", "77"}, {}, 5, false, false, true);
    row("block byte by byte", {"0e", "block:bytewise"}, {"e0", "77"}, {}, 5, false, false, true);
    row("bytes after the block dropped", {"0e", "block+3"}, {"e0", "77"}, {}, 5, false, false, true);
    row("nothing waiting keeps the wait for the ack", {"empty"}, {"e0"}, {}, 4, true, true, false);
    row("nothing waiting, then the read", {"empty", "0e", "empty", "block"}, {"e0", "77"}, {}, 5, false, false,
        true);
    row("ack re-arms for the block", {"0e"}, {"e0"}, {}, 5, true, true, false);
    row("part of the block waits", {"0e", "partial20"}, {"e0"}, {}, 5, true, true, false);
    row("overflow discards what waits", {"0e", "partial20", "overflow", "block"}, {"e0", "77"}, {}, 5, false,
        false, true);
    row("overflow leaves the timer", {"overflow"}, {"e0"}, {}, 4, true, true, false);
    row("ack and block in one take, then silence", {"ack+block", "timeout"}, {"e0"}, {conn}, 5, false, false,
        false);
    row("write ack to read command", {"0f"}, {"e0"}, {comm}, 4, false, false, false);
    row("block ok byte to read command", {"77"}, {"e0"}, {comm}, 4, false, false, false);
    row("wrong ack with more bytes", {"0f0e"}, {"e0"}, {comm}, 4, false, false, false);
    row("late bytes after an error are lost", {"0f", "0e", "block"}, {"e0"}, {comm}, 4, false, false, false);
    row("wrong checksum", {"0e", "badblock"}, {"e0", "55"}, {comm}, 5, false, false, false);
    row("silent radio", {"timeout"}, {"e0"}, {conn}, 4, false, false, false);
    row("block never comes", {"0e", "timeout"}, {"e0"}, {conn}, 5, false, false, false);
    row("short block", {"0e", "partial20", "timeout"}, {"e0"}, {conn}, 5, false, false, false);
    row("port fails waiting for the ack", {"fail"}, {"e0"}, {comm}, 4, false, false, false);
    row("port fails in the block", {"0e", "partial20", "fail"}, {"e0"}, {comm}, 5, false, false, false);
    row("block ok cannot be sent", {"0e", "failsend", "block"}, {"e0"}, {comm}, 5, false, false, false);
}

void TestExchange::readTransitions()
{
    QFETCH(QStringList, steps);
    QFETCH(bool, completed);

    Rig rig;
    rig.data.SendImage(2, 2) = 9;
    rig.startRead();
    QCOMPARE(rig.dialogs.messageTexts(), QStringList{QStringLiteral("Read from Radio?")});
    QCOMPARE(rig.data.SendImage, RadioImage()); // InitRadioData ran
    for (const QString &step : steps) {
        rig.play(step);
        if (QTest::currentTestFailed())
            return;
    }
    checkTransition(rig);
    QCOMPARE(rig.read.size(), completed ? 1 : 0);
    if (completed) {
        QCOMPARE(rig.data.ReceiveImage.toLinear(), kExampleBlock.left(36));
        QCOMPARE(rig.display.fieldText(1), QStringLiteral("40.0125"));
        QCOMPARE(rig.display.fieldText(4), QStringLiteral("40.5000"));
        QCOMPARE(rig.display.modelText(), QStringLiteral("KV-7719NEW"));
    } else {
        // A failed or unfinished read leaves the sheet and the zeroed images.
        QCOMPARE(rig.data.ReceiveImage, RadioImage());
        QCOMPARE(rig.display.fieldText(1), kShownBefore);
        QCOMPARE(rig.display.modelText(), QString());
    }
    QCOMPARE(rig.data.SendImage, RadioImage());
}

void TestExchange::writeTransitions_data()
{
    addTransitionColumns();
    const QString block = QString::fromLatin1(kExampleBlock.toHex());
    const QString comm = QStringLiteral("Communication Error");
    const QString conn = QStringLiteral("Connection Error to Radio");
    const QString werr = QStringLiteral("Write Error");
    const auto row = [](const char *name, QStringList steps, QStringList sent, QStringList messages, int state,
                        bool open, bool armed, bool completed) {
        QTest::newRow(name) << steps << sent << messages << state << open << armed << completed;
    };
    row("good write", {"0f", "77"}, {"f0", block}, {}, 2, true, false, true);
    row("block goes in one hand-over after the ack", {"0f"}, {"f0", block}, {}, 2, true, true, false);
    row("bytes taken with the ack dropped", {"0f77"}, {"f0", block}, {}, 2, true, true, false);
    row("nothing waiting keeps the wait", {"empty"}, {"f0"}, {}, 1, true, true, false);
    row("nothing waiting, then the write", {"empty", "0f", "empty", "77"}, {"f0", block}, {}, 2, true, false,
        true);
    row("read ack to write command", {"0e"}, {"f0"}, {comm}, 1, false, false, false);
    row("block answered 0x55", {"0f", "55"}, {"f0", block}, {werr}, 2, false, false, false);
    row("block answered by the ack again", {"0f", "0f"}, {"f0", block}, {werr}, 2, false, false, false);
    row("stray byte after a completed write", {"0f", "77", "aa"}, {"f0", block}, {werr}, 2, false, false, true);
    row("stray 0x77 after a completed write", {"0f", "77", "77"}, {"f0", block}, {}, 2, true, false, true);
    row("silent radio", {"timeout"}, {"f0"}, {conn}, 1, false, false, false);
    row("no verdict on the block", {"0f", "timeout"}, {"f0", block}, {conn}, 2, false, false, false);
    row("block cannot be sent", {"failsend", "0f"}, {"f0"}, {comm}, 2, false, false, false);
    row("port fails waiting for the verdict", {"0f", "fail"}, {"f0", block}, {comm}, 2, false, false, false);
}

void TestExchange::writeTransitions()
{
    QFETCH(QStringList, steps);
    QFETCH(bool, completed);

    Rig rig;
    rig.startWrite();
    QCOMPARE(rig.dialogs.messageTexts(), QStringList{QStringLiteral("Write Data to Radio?")});
    QCOMPARE(rig.data.SendImage.toLinear(), kExampleBlock.left(36));
    for (const QString &step : steps) {
        rig.play(step);
        if (QTest::currentTestFailed())
            return;
    }
    checkTransition(rig);
    QCOMPARE(rig.written.size(), completed ? 1 : 0);
    QCOMPARE(rig.data.SendImage.toLinear(), kExampleBlock.left(36));
    QCOMPARE(rig.data.ReceiveImage, RadioImage());
}

void TestExchange::otherStatesDropWhatArrives_data()
{
    QTest::addColumn<int>("state");
    QTest::newRow("no exchange yet") << 0;
    QTest::newRow("3") << 3;
    QTest::newRow("6") << 6;
    QTest::newRow("negative") << -1;
}

void TestExchange::otherStatesDropWhatArrives()
{
    QFETCH(int, state);
    Rig rig;
    QVERIFY(rig.serial.open());
    rig.data.LinkState = std::int16_t(state);
    rig.serial.inject(QByteArray::fromHex("0e0f77") + kExampleBlock);
    QCOMPARE(rig.serial.waitingCount(), 0);
    QVERIFY(rig.serial.sent.isEmpty());
    QVERIFY(rig.dialogs.messages.isEmpty());
    QVERIFY(rig.serial.isOpen());
    QVERIFY(!rig.exchange.Timer1().isActive());
    QCOMPARE(int(rig.data.LinkState), state);
}

void TestExchange::failuresBeforeTheCommand_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("trouble");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<int>("linkState");
    QTest::addColumn<bool>("portOpen");
    QTest::addColumn<bool>("imagesZeroed");
    QTest::addColumn<bool>("sendImageEncoded");

    const QString reselect = QStringLiteral("Please Re-Select available COM PORT");
    const QString readQ = QStringLiteral("Read from Radio?");
    const QString writeQ = QStringLiteral("Write Data to Radio?");
    QTest::newRow("read: port cannot be opened") << "read" << "open" << QStringList{reselect} << 0 << false
                                                 << false << false;
    QTest::newRow("read: answered No") << "read" << "no" << QStringList{readQ} << 0 << true << false << false;
    QTest::newRow("read: command cannot be sent")
        << "read" << "send" << QStringList{readQ, reselect} << 4 << true << true << false;
    QTest::newRow("write: answered No") << "write" << "no" << QStringList{writeQ} << 0 << false << false << false;
    QTest::newRow("write: empty sheet") << "write" << "empty" << QStringList{writeQ, QStringLiteral("Data is Empty")}
                                        << 1 << false << false << false;
    QTest::newRow("write: field without digit form")
        << "write" << "field" << QStringList{writeQ, QStringLiteral("Confirm Frequency Range!")} << 1 << false
        << false << false;
    QTest::newRow("write: port cannot be opened")
        << "write" << "open" << QStringList{writeQ, reselect} << 1 << false << false << true;
    QTest::newRow("write: command cannot be sent")
        << "write" << "send" << QStringList{writeQ, reselect} << 1 << true << false << true;
}

void TestExchange::failuresBeforeTheCommand()
{
    QFETCH(QString, operation);
    QFETCH(QString, trouble);
    QFETCH(QStringList, messages);
    QFETCH(int, linkState);
    QFETCH(bool, portOpen);
    QFETCH(bool, imagesZeroed);
    QFETCH(bool, sendImageEncoded);

    Rig rig;
    rig.data.SendImage(3, 3) = 7;
    rig.data.ReceiveImage(3, 3) = 7;
    const RadioImage before = rig.data.SendImage;
    if (trouble != QLatin1String("empty")) {
        rig.display.setFieldText(1, QStringLiteral("40.0125"));
        rig.display.setFieldText(4, trouble == QLatin1String("field") ? QStringLiteral("105.0000")
                                                                      : QStringLiteral("40.5000"));
    }
    if (trouble == QLatin1String("open"))
        rig.serial.failOpens(QStringLiteral("Permission denied"));
    if (trouble == QLatin1String("send"))
        rig.serial.failSend(1, QStringLiteral("Input/output error"));
    rig.dialogs.answer(trouble == QLatin1String("no") ? MessageResult::No : MessageResult::Yes);

    if (operation == QLatin1String("read"))
        rig.exchange.Cmd_Read_Click();
    else
        rig.exchange.Cmd_Write_Click();

    QCOMPARE(rig.dialogs.messageTexts(), messages);
    QVERIFY(rig.serial.sent.isEmpty());
    QCOMPARE(int(rig.data.LinkState), linkState);
    QCOMPARE(rig.serial.isOpen(), portOpen);
    QVERIFY(!rig.exchange.Timer1().isActive());
    QCOMPARE(rig.data.ReceiveImage == RadioImage(), imagesZeroed);
    if (sendImageEncoded) {
        QCOMPARE(rig.data.SendImage(1, 1), std::uint8_t(4));
    } else if (!imagesZeroed) {
        QCOMPARE(rig.data.SendImage, before);
    }
    if (trouble == QLatin1String("open") || trouble == QLatin1String("send")) {
        // The box says what to fix: the device and the system's reason.
        const MessageRequest &box = rig.dialogs.messages.last();
        QCOMPARE(box.title, QString());
        QCOMPARE(box.icon, MessageIcon::None);
        QCOMPARE(box.buttons, MessageButtons::Ok);
        QCOMPARE(box.informativeText, QStringLiteral("/dev/fake1: ") + (trouble == QLatin1String("open")
                                                                            ? QStringLiteral("Permission denied")
                                                                            : QStringLiteral("Input/output error")));
        QCOMPARE(rig.failed.size(), 1);
    } else {
        QCOMPARE(rig.failed.size(), 0);
    }
    // Where the port was never needed, it was never touched.
    if (operation == QLatin1String("write") && trouble != QLatin1String("send"))
        QCOMPARE(rig.serial.opens, 0);
}

void TestExchange::showsMessagesAsDesigned_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<MessageRequest>("box"); // the last box shown

    const auto critical = [](const char *text) {
        return MessageRequest{QString::fromLatin1(text), QStringLiteral("Error"), MessageIcon::Critical,
                              MessageButtons::Ok, MessageResult::Ok, {}};
    };
    QTest::newRow("read question") << "read" << QStringList{}
                                   << MessageRequest{QStringLiteral("Read from Radio?"), QStringLiteral("Read"),
                                                     MessageIcon::Question, MessageButtons::YesNo,
                                                     MessageResult::Yes, {}};
    QTest::newRow("write question") << "write" << QStringList{}
                                    << MessageRequest{QStringLiteral("Write Data to Radio?"), QStringLiteral("Write"),
                                                      MessageIcon::Question, MessageButtons::YesNo,
                                                      MessageResult::Yes, {}};
    QTest::newRow("communication error") << "read" << QStringList{"0f"} << critical("Communication Error");
    QTest::newRow("wrong checksum") << "read" << QStringList{"0e", "badblock"} << critical("Communication Error");
    QTest::newRow("write error") << "write" << QStringList{"0f", "55"} << critical("Write Error");
    QTest::newRow("time-out") << "write" << QStringList{"timeout"} << critical("Connection Error to Radio");
    MessageRequest failed = critical("Communication Error");
    failed.informativeText = QStringLiteral("device gone");
    QTest::newRow("port failure") << "read" << QStringList{"fail"} << failed;
}

void TestExchange::showsMessagesAsDesigned()
{
    QFETCH(QString, operation);
    QFETCH(QStringList, steps);
    QFETCH(MessageRequest, box);

    Rig rig;
    if (operation == QLatin1String("read"))
        rig.startRead();
    else
        rig.startWrite();
    for (const QString &step : steps)
        rig.play(step);
    QVERIFY(!rig.dialogs.messages.isEmpty());
    QCOMPARE(rig.dialogs.messages.last(), box);
}

void TestExchange::timeOutBoxNeverStacks()
{
    Rig rig;
    bool checked = false;
    rig.dialogs.onMessage([&](const MessageRequest &request) {
        if (request.text != QLatin1String("Connection Error to Radio"))
            return;
        // While the box is up: nothing armed, port closed, a late answer is lost.
        QVERIFY(!rig.exchange.Timer1().isActive());
        QVERIFY(!rig.serial.isOpen());
        rig.serial.inject(QByteArray(1, '\x0e'));
        checked = true;
    });
    rig.startRead();
    rig.play(QStringLiteral("timeout"));
    QVERIFY(checked);
    QCOMPARE(int(rig.data.LinkState), 4);
    QVERIFY(!rig.exchange.Timer1().isActive());
    // Past another whole time-out, still the one box.
    QVERIFY(!rig.failed.wait(1500));
    QCOMPARE(rig.dialogs.messageTexts(),
             (QStringList{QStringLiteral("Read from Radio?"), QStringLiteral("Connection Error to Radio")}));
}

void TestExchange::portFailureIsReportedOnce()
{
    Rig rig;
    rig.startWrite();
    rig.play(QStringLiteral("0f"));
    rig.play(QStringLiteral("fail"));
    rig.serial.failPort(QStringLiteral("again")); // already closed: nothing more
    Q_EMIT rig.serial.portFailed(QStringLiteral("a late report"));
    QVERIFY(!rig.failed.wait(1500)); // the armed time-out does not follow
    QCOMPARE(rig.dialogs.messageTexts(),
             (QStringList{QStringLiteral("Write Data to Radio?"), QStringLiteral("Communication Error")}));
    QVERIFY(!rig.serial.isOpen());
}

void TestExchange::clickDuringExchangeStartsOver()
{
    Rig rig;
    rig.startRead();
    rig.play(QStringLiteral("0e"));
    QCOMPARE(int(rig.data.LinkState), 5);
    rig.startWrite(); // over the running read: the port is open already
    QCOMPARE(int(rig.data.LinkState), 1);
    QCOMPARE(rig.serial.opens, 1);
    QVERIFY(rig.exchange.Timer1().isActive());
    rig.play(QStringLiteral("0f"));
    rig.play(QStringLiteral("77"));
    QCOMPARE(rig.sentHex(),
             (QStringList{QStringLiteral("e0"), QStringLiteral("f0"), QString::fromLatin1(kExampleBlock.toHex())}));
    QCOMPARE(rig.written.size(), 1);
    QCOMPARE(rig.failed.size(), 0);
}

void TestExchange::completedWriteLeavesPortForNextRead()
{
    Rig rig;
    rig.startWrite();
    rig.play(QStringLiteral("0f"));
    rig.play(QStringLiteral("77"));
    QVERIFY(rig.serial.isOpen());
    rig.startRead();
    QCOMPARE(rig.serial.opens, 1); // READ found it open
    rig.play(QStringLiteral("0e"));
    rig.play(QStringLiteral("block"));
    QCOMPARE(rig.read.size(), 1);
    QVERIFY(!rig.serial.isOpen());
    QCOMPARE(rig.display.fieldText(1), QStringLiteral("40.0125"));
}

void TestExchange::exchangesOnSeparatePortsDoNotMeet()
{
    Rig first;
    Rig second;
    first.startRead();
    second.startWrite();
    first.play(QStringLiteral("0e"));
    second.play(QStringLiteral("0f"));
    QCOMPARE(int(first.data.LinkState), 5);
    QCOMPARE(int(second.data.LinkState), 2);
    first.play(QStringLiteral("block"));
    second.play(QStringLiteral("77"));
    QCOMPARE(first.read.size(), 1);
    QCOMPARE(second.written.size(), 1);
    QCOMPARE(first.sentHex(), (QStringList{QStringLiteral("e0"), QStringLiteral("77")}));
    QCOMPARE(second.sentHex().first(), QStringLiteral("f0"));
}

QTEST_GUILESS_MAIN(TestExchange)
#include "tst_exchange.moc"
