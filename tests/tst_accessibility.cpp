// What a screen reader gets from the window and from the real message boxes.

#include "app/qtdialogseam.h"
#include "support/windowfixture.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

using namespace kav;

namespace {

QString accessibleText(QObject *object, QAccessible::Text which)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(object);
    return iface ? iface->text(which) : QString();
}

// Every name and text reachable from iface, depth first.
QStringList accessibleTree(QAccessibleInterface *iface)
{
    QStringList texts{iface->text(QAccessible::Name), iface->text(QAccessible::Value)};
    for (int i = 0; i < iface->childCount(); ++i)
        texts += accessibleTree(iface->child(i));
    texts.removeAll(QString());
    return texts;
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT

private slots:
    void controlsHaveSpokenNames_data();
    void controlsHaveSpokenNames();
    void everyFocusableControlIsNamed();
    void messageBoxesCarryTheirTexts_data();
    void messageBoxesCarryTheirTexts();
};

void TestAccessibility::controlsHaveSpokenNames_data()
{
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QString>("spoken");
    const char *const rows[][2] = {
        {"Cmd_New", "NEW"},
        {"Cmd_Open", "OPEN"},
        {"Cmd_Save", "SAVE"},
        {"CMd_Print", "PRINT"},
        {"CMD_EXit", "EXIT"},
        {"Cmd_Read", "READ"},
        {"Cmd_Write", "WRITE"},
        {"Txt_Model", "Model"},
        {"Txt_Rx1", "CH1 RX frequency"},
        {"Txt_Rx2", "CH2 RX frequency"},
        {"Txt_Rx3", "CH3 RX frequency"},
        {"Txt_Tx1", "CH1 TX frequency"},
        {"Txt_Tx2", "CH2 TX frequency"},
        {"Txt_Tx3", "CH3 TX frequency"},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]);
}

void TestAccessibility::controlsHaveSpokenNames()
{
    QFETCH(QString, objectName);
    QFETCH(QString, spoken);
    WindowFixture f;
    f.start();
    auto *widget = f.window->findChild<QWidget *>(objectName);
    QVERIFY(widget);
    QCOMPARE(accessibleText(widget, QAccessible::Name), spoken);
    QVERIFY(!accessibleText(widget, QAccessible::Description).isEmpty());
}

void TestAccessibility::everyFocusableControlIsNamed()
{
    WindowFixture f;
    f.start();
    QStringList seen;
    for (QWidget *widget : f.window->findChildren<QWidget *>()) {
        if (!(widget->focusPolicy() & Qt::TabFocus) || !widget->isVisibleTo(f.window.get()))
            continue;
        const QString name = accessibleText(widget, QAccessible::Name);
        QVERIFY2(!name.isEmpty(), qPrintable(widget->objectName()));
        QVERIFY2(!seen.contains(name), qPrintable(name)); // no two controls sound alike
        seen.append(name);
    }
    QCOMPARE(seen.size(), 13);
}

void TestAccessibility::messageBoxesCarryTheirTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("press"); // QMessageBox::StandardButton, or 0 for Escape
    QTest::addColumn<int>("expected");

    QTest::newRow("exit question, Yes") << QStringLiteral("Program exit to Windows.") << QStringLiteral("Exit")
                                        << int(MessageButtons::YesNo) << int(QMessageBox::Yes)
                                        << int(MessageResult::Yes);
    QTest::newRow("exit question, Escape is No") << QStringLiteral("Program exit to Windows.") << QStringLiteral("Exit")
                                                 << int(MessageButtons::YesNo) << 0 << int(MessageResult::No);
    QTest::newRow("new sheet, Escape is Cancel") << QStringLiteral("Sheet Clear and Input New Frequency?") << QString()
                                                 << int(MessageButtons::OkCancel) << 0 << int(MessageResult::Cancel);
    QTest::newRow("error, OK") << QStringLiteral("Confirm Frequency Range!") << QStringLiteral("Error")
                               << int(MessageButtons::Ok) << int(QMessageBox::Ok) << int(MessageResult::Ok);
}

void TestAccessibility::messageBoxesCarryTheirTexts()
{
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(int, buttons);
    QFETCH(int, press);
    QFETCH(int, expected);

    QtDialogSeam seam;
    QStringList spoken;
    QString shownTitle;
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        shownTitle = box->windowTitle();
        spoken = accessibleTree(QAccessible::queryAccessibleInterface(box));
        if (press)
            box->button(QMessageBox::StandardButton(press))->click();
        else
            QTest::keyClick(box, Qt::Key_Escape);
    });
    const MessageResult result = seam.showMessage(
        {text, title, MessageIcon::Question, MessageButtons(buttons), MessageResult::Ok, QStringLiteral("detail")});

    QCOMPARE(int(result), expected);
    QCOMPARE(shownTitle, title.isEmpty() ? QStringLiteral("Kavrilink") : title);
    QVERIFY2(spoken.contains(text), qPrintable(spoken.join(QLatin1Char('|'))));
    QVERIFY2(spoken.contains(QStringLiteral("detail")), qPrintable(spoken.join(QLatin1Char('|'))));
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
