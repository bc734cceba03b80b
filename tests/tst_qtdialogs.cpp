// The real file and printer dialogs behind the seam, driven as a user would.

#include "app/qtdialogseam.h"
#include "support/testfolder.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace kav;

class TestQtDialogs : public QObject
{
    Q_OBJECT

private slots:
    void saveDialogOffersFilterAndKeepsTypedName();
    void saveDialogConfirmsOverwrite();
    void openDialogReturnsPathOrEmpty();
    void printDialogAsksForPageRange_data();
    void printDialogAsksForPageRange();

private:
    // Runs action on the file dialog once it is up.
    void whenDialogShown(std::function<void(QFileDialog *)> action);
};

void TestQtDialogs::whenDialogShown(std::function<void(QFileDialog *)> action)
{
    QTimer::singleShot(0, this, [this, action] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            whenDialogShown(action); // not up yet
            return;
        }
        action(dialog);
    });
}

void TestQtDialogs::saveDialogOffersFilterAndKeepsTypedName()
{
    TestFolder folder;
    QtDialogSeam seam;
    QStringList filters;
    QString title;
    bool confirms = false;
    whenDialogShown([&](QFileDialog *dialog) {
        filters = dialog->nameFilters();
        title = dialog->windowTitle();
        confirms = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->setText(QStringLiteral("bench-plan"));
        QTest::keyClick(name, Qt::Key_Return);
    });
    const QString path = seam.getSaveFileName(
        {QStringLiteral("Save to File"), folder.dataHome(), QStringLiteral("Save File(*.sav)"), true});

    QCOMPARE(title, QStringLiteral("Save to File"));
    QCOMPARE(filters, QStringList{QStringLiteral("Save File(*.sav)")});
    QVERIFY(confirms);
    QCOMPARE(path, folder.dataHome() + QStringLiteral("/bench-plan")); // no .sav appended
}

void TestQtDialogs::saveDialogConfirmsOverwrite()
{
    TestFolder folder;
    const QString existing = folder.dataHome() + QStringLiteral("/old.sav");
    QFile file(existing);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    QtDialogSeam seam;
    bool asked = false;
    whenDialogShown([&](QFileDialog *dialog) {
        // The overwrite question is a message box on top of the dialog; say No, then cancel.
        QTimer::singleShot(0, dialog, [&, dialog] {
            QWidget *question = QApplication::activeModalWidget();
            asked = question && question != dialog;
            if (asked)
                QTest::keyClick(question, Qt::Key_Escape);
            QTimer::singleShot(0, dialog, [dialog] { dialog->reject(); });
        });
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        name->setText(QStringLiteral("old.sav"));
        QTest::keyClick(name, Qt::Key_Return);
    });
    const QString path = seam.getSaveFileName(
        {QStringLiteral("Save to File"), folder.dataHome(), QStringLiteral("Save File(*.sav)"), true});
    QVERIFY(asked);
    QCOMPARE(path, QString());
}

void TestQtDialogs::openDialogReturnsPathOrEmpty()
{
    TestFolder folder;
    const QString existing = folder.dataHome() + QStringLiteral("/plan.sav");
    QFile file(existing);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    QtDialogSeam seam;
    QString title;
    whenDialogShown([&](QFileDialog *dialog) {
        title = dialog->windowTitle();
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        name->setText(QStringLiteral("plan.sav"));
        QTest::keyClick(name, Qt::Key_Return);
    });
    const FileDialogRequest request{QStringLiteral("Read from File"), folder.dataHome(),
                                    QStringLiteral("Save File(*.sav)"), false};
    QCOMPARE(seam.getOpenFileName(request), existing);
    QCOMPARE(title, QStringLiteral("Read from File"));

    whenDialogShown([](QFileDialog *dialog) { dialog->reject(); });
    QCOMPARE(seam.getOpenFileName(request), QString());
}

void TestQtDialogs::printDialogAsksForPageRange_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("accepted") << true;
    QTest::newRow("cancelled") << false;
}

// The window's printer dialog is Qt's, with the request's title and a page
// range; Cancel prints nothing.
void TestQtDialogs::printDialogAsksForPageRange()
{
    QFETCH(bool, accept);
    TestFolder folder;
    QtDialogSeam seam;
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(folder.filePath(QStringLiteral("frequency-report.pdf")));

    QString title;
    QTimer poll; // until the dialog is up
    poll.setInterval(0);
    connect(&poll, &QTimer::timeout, &poll, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll.stop();
        title = dialog->windowTitle();
        if (accept)
            dialog->accept();
        else
            dialog->reject();
    });
    poll.start();
    PrintDialogRequest request;
    request.title = QStringLiteral("Print Frequency");
    const bool accepted = seam.showPrintDialog(request, printer);
    poll.stop();

    QCOMPARE(accepted, accept);
    QCOMPARE(title, QStringLiteral("Print Frequency"));
    if (accepted)
        QCOMPARE(printer.printRange(), QPrinter::PageRange);
}

QTEST_MAIN(TestQtDialogs)
#include "tst_qtdialogs.moc"
