#include "support/windowfixture.h"

#include "app/reportprinter.h"
#include "radio/reportlines.h"
#include "report/reportpage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>

using namespace kav;

namespace {

const QDateTime kClick(QDate(2024, 3, 5), QTime(14, 7, 9));
const QDateTime kLater(QDate(2025, 11, 30), QTime(23, 59, 58));

// CH1 40.0125 / 40.5000, CH2 38.0000 / 42.3000, CH3 empty.
QByteArray planFile()
{
    QByteArray bytes;
    for (char digit : QByteArray("400125405000380000423000000000000000"))
        bytes += QByteArray(" ") + digit + " \r\n";
    return bytes;
}

QString collapsed(const QString &text)
{
    return text.simplified();
}

// The report's lines that hold text, blanks collapsed: what a PDF's text must show in this order.
QStringList visibleLines(const QString &fileLine, const QString &ch1, const QString &ch2, const QString &ch3)
{
    return {QStringLiteral("FREQUENCY DATA"),
            QStringLiteral("================"),
            fileLine,
            QString(83, QLatin1Char('=')),
            QStringLiteral("RX Frequency (MHz) TX Frequency (MHz)"),
            QString(83, QLatin1Char('=')),
            collapsed(QStringLiteral("CH1 ") + ch1),
            QString(83, QLatin1Char('-')),
            collapsed(QStringLiteral("CH2 ") + ch2),
            QString(83, QLatin1Char('-')),
            collapsed(QStringLiteral("CH3 ") + ch3),
            QString(83, QLatin1Char('='))};
}

struct PdfWord
{
    QString text;
    QRectF box;
};

struct PdfText
{
    QStringList pages;       // pdftotext -layout, one entry per page
    QList<QSizeF> pageSizes; // from -bbox, in points
    QList<PdfWord> words;    // from -bbox, all pages
};

QString pdftotext()
{
    return QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
}

QByteArray run(const QStringList &arguments)
{
    QProcess process;
    process.start(pdftotext(), arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput();
}

PdfText readPdf(const QString &path)
{
    PdfText pdf;
    QString layout = QString::fromUtf8(run({QStringLiteral("-layout"), path, QStringLiteral("-")}));
    pdf.pages = layout.split(QLatin1Char('\f'));
    if (!pdf.pages.isEmpty() && pdf.pages.last().trimmed().isEmpty())
        pdf.pages.removeLast(); // pdftotext ends every page with a form feed

    const QString bbox = QString::fromUtf8(run({QStringLiteral("-bbox"), path, QStringLiteral("-")}));
    static const QRegularExpression page(QStringLiteral(R"re(<page width="([\d.]+)" height="([\d.]+)">)re"));
    for (auto m = page.globalMatch(bbox); m.hasNext();) {
        const auto match = m.next();
        pdf.pageSizes << QSizeF(match.captured(1).toDouble(), match.captured(2).toDouble());
    }
    static const QRegularExpression word(
        QStringLiteral(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    for (auto m = word.globalMatch(bbox); m.hasNext();) {
        const auto match = m.next();
        const QPointF topLeft(match.captured(1).toDouble(), match.captured(2).toDouble());
        const QPointF bottomRight(match.captured(3).toDouble(), match.captured(4).toDouble());
        pdf.words << PdfWord{match.captured(5), QRectF(topLeft, bottomRight)};
    }
    return pdf;
}

QStringList nonEmptyLines(const QString &page)
{
    QStringList lines;
    for (const QString &line : page.split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty())
            lines << collapsed(line);
    }
    return lines;
}

// The n-th word (0-based) with this text, in reading order.
QRectF wordBox(const PdfText &pdf, const QString &text, int n = 0)
{
    for (const PdfWord &word : pdf.words) {
        if (word.text == text && n-- == 0)
            return word.box;
    }
    return {};
}

} // namespace

class TestPrinting : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void printsFileSheetOnOnePdfPage();
    void printsNoSelectedAfterAcceptedEntry();
    void cancelPrintsNothing();
    void takesDateAndTimeAtTheClick();
    void withoutPrinterPrintsToPdfInAppFolder();
    void reportsFailedPrintJob_data();
    void reportsFailedPrintJob();
    void fontIsMonospacedAndFitsSmallPages();

private:
    // Prints through the dialog to a PDF file, as the user choosing "print to file" there.
    void printToFile(const QString &path, bool accept = true);
    QString openPlan();

    std::unique_ptr<WindowFixture> f;
    QPageLayout m_layout;
};

void TestPrinting::initTestCase()
{
    QCoreApplication::setApplicationName(QStringLiteral("Kavrilink"));
}

void TestPrinting::init()
{
    f = std::make_unique<WindowFixture>();
    f->start();
    QVERIFY(f->show());
    QVERIFY(QDir().mkpath(f->folder.appFolder()));
    f->parts->clock = [] { return kClick; };
}

void TestPrinting::cleanup()
{
    f.reset();
}

void TestPrinting::printToFile(const QString &path, bool accept)
{
    f->dialogs.onPrint([this, path](QPrinter &printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        m_layout = printer.pageLayout();
    });
    f->dialogs.acceptPrint(accept);
}

QString TestPrinting::openPlan()
{
    const QString path = f->folder.filePath(QStringLiteral("bench plan.sav"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(planFile()) != planFile().size())
        return {};
    file.close();
    f->dialogs.chooseFile(path);
    QTest::mouseClick(findButton(*f->window, "Cmd_Open"), Qt::LeftButton);
    return path;
}

void TestPrinting::printsFileSheetOnOnePdfPage()
{
    if (pdftotext().isEmpty())
        QSKIP("pdftotext is not installed");
    const QString plan = openPlan();
    QCOMPARE(f->parts->document.fromFile, true);
    const QString pdfPath = f->folder.filePath(QStringLiteral("report.pdf"));
    printToFile(pdfPath);
    QTest::mouseClick(findButton(*f->window, "CMd_Print"), Qt::LeftButton);

    QVERIFY(f->dialogs.messages.isEmpty());
    QCOMPARE(f->dialogs.printRequests.size(), 1);
    const PrintDialogRequest &request = f->dialogs.printRequests.first();
    QCOMPARE(request.title, QStringLiteral("Print Frequency"));
    QCOMPARE(request.fromPage, 1);
    QCOMPARE(request.toPage, 1);
    QCOMPARE(request.minPage, 1);
    QCOMPARE(request.maxPage, 10);
    QVERIFY(request.pageRangeSelected);

    const PdfText pdf = readPdf(pdfPath);
    QCOMPARE(pdf.pages.size(), 1);
    QCOMPARE(pdf.pageSizes.size(), 1);
    const QString fileLine =
        QStringLiteral("FILE NAME : ") + plan + QLatin1Char(' ') + collapsed(reportDateTime(kClick, QLocale::system()));
    QCOMPARE(nonEmptyLines(pdf.pages.first()),
             visibleLines(fileLine, QStringLiteral("40.0125 40.5000"), QStringLiteral("38.0000 42.3000"), {}));

    // Nothing is clipped: every word lies inside the printable area.
    const QRectF printable = m_layout.paintRect(QPageLayout::Point);
    for (const PdfWord &word : pdf.words)
        QVERIFY2(printable.adjusted(-0.5, -0.5, 0.5, 0.5).contains(word.box), qPrintable(word.text));

    // Columns line up character by character, as the spaces lay them out.
    const QRectF file = wordBox(pdf, QStringLiteral("FILE"));
    const QRectF title = wordBox(pdf, QStringLiteral("FREQUENCY"));
    const qreal column = (title.left() - file.left()) / (66 - 11);
    QVERIFY(column > 0);
    const auto atColumn = [&](const QRectF &box, int col) {
        return qAbs(box.left() - (file.left() + (col - 11) * column)) < column / 2;
    };
    QVERIFY(atColumn(wordBox(pdf, QStringLiteral("================")), 66));
    QVERIFY(atColumn(wordBox(pdf, QString(83, QLatin1Char('='))), 11));
    QVERIFY(atColumn(wordBox(pdf, QStringLiteral("RX")), 52));
    QVERIFY(atColumn(wordBox(pdf, QStringLiteral("TX")), 52 + 19 + 33));
    QVERIFY(atColumn(wordBox(pdf, QStringLiteral("CH1")), 13));
    QVERIFY(atColumn(wordBox(pdf, QStringLiteral("CH3")), 13));
    QVERIFY(atColumn(wordBox(pdf, QStringLiteral("40.0125")), 30));
    QVERIFY(atColumn(wordBox(pdf, QStringLiteral("38.0000")), 30));
    QVERIFY(atColumn(wordBox(pdf, QStringLiteral("40.5000")), 51));
    QVERIFY(atColumn(wordBox(pdf, QStringLiteral("42.3000")), 51));
    const QRectF lastWord = wordBox(pdf, QStringLiteral("(MHz)"), 1); // ends the 124-character line
    QVERIFY(qAbs(lastWord.right() - (file.left() + (123 - 11) * column)) < column / 2);

    // Six empty lines above the title, two between it and the file line.
    const qreal line = (wordBox(pdf, QStringLiteral("CH2")).top() - wordBox(pdf, QStringLiteral("CH1")).top()) / 2;
    QVERIFY(line > 0);
    const qreal linesAboveTitle = (title.top() - printable.top()) / line;
    QVERIFY2(linesAboveTitle > 5.5 && linesAboveTitle < 7, qPrintable(QString::number(linesAboveTitle)));
    QVERIFY(qAbs((file.top() - title.top()) / line - 4) < 0.25);
}

void TestPrinting::printsNoSelectedAfterAcceptedEntry()
{
    if (pdftotext().isEmpty())
        QSKIP("pdftotext is not installed");
    openPlan();
    QCOMPARE(f->parts->document.fromFile, true);
    // An entry typed and left in place: clicking PRINT takes the focus from the
    // field, whose check accepts it before the report is built.
    WindowFixture::type(rxFieldOf(*f->window, 3), QStringLiteral("41.5"));
    const QString pdfPath = f->folder.filePath(QStringLiteral("report.pdf"));
    printToFile(pdfPath);
    QTest::mouseClick(findButton(*f->window, "CMd_Print"), Qt::LeftButton);

    QCOMPARE(f->parts->document.fromFile, false);
    QVERIFY(f->dialogs.messages.isEmpty());
    const PdfText pdf = readPdf(pdfPath);
    QCOMPARE(pdf.pages.size(), 1);
    const QString fileLine =
        QStringLiteral("FILE NAME : No Selected ") + collapsed(reportDateTime(kClick, QLocale::system()));
    QCOMPARE(nonEmptyLines(pdf.pages.first()),
             visibleLines(fileLine, QStringLiteral("40.0125 40.5000"), QStringLiteral("38.0000 42.3000"),
                          QStringLiteral("41.5000")));
}

void TestPrinting::cancelPrintsNothing()
{
    openPlan();
    const QString pdfPath = f->folder.filePath(QStringLiteral("report.pdf"));
    printToFile(pdfPath, false);
    QTest::mouseClick(findButton(*f->window, "CMd_Print"), Qt::LeftButton);
    QCOMPARE(f->dialogs.printRequests.size(), 1);
    QVERIFY(!QFile::exists(pdfPath));
    QVERIFY(!QFile::exists(defaultReportPdfPath()));
    QVERIFY(f->dialogs.messages.isEmpty());
}

void TestPrinting::takesDateAndTimeAtTheClick()
{
    if (pdftotext().isEmpty())
        QSKIP("pdftotext is not installed");
    int clockReads = 0;
    int readsWhenDialogShown = -1;
    f->parts->clock = [&] { return ++clockReads == 1 ? kClick : kLater; };
    const QString pdfPath = f->folder.filePath(QStringLiteral("report.pdf"));
    printToFile(pdfPath);
    f->dialogs.onPrint([&, pdfPath](QPrinter &printer) {
        readsWhenDialogShown = clockReads;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
    });
    QTest::mouseClick(findButton(*f->window, "CMd_Print"), Qt::LeftButton);

    QCOMPARE(readsWhenDialogShown, 1);
    const QStringList lines = nonEmptyLines(readPdf(pdfPath).pages.value(0));
    QCOMPARE(lines.value(2),
             QStringLiteral("FILE NAME : No Selected ") + collapsed(reportDateTime(kClick, QLocale::system())));
}

void TestPrinting::withoutPrinterPrintsToPdfInAppFolder()
{
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        QSKIP("a printer is installed here; the test would print on it");
    if (pdftotext().isEmpty())
        QSKIP("pdftotext is not installed");
    QPrinter::OutputFormat format = QPrinter::NativeFormat;
    QString offered;
    f->dialogs.onPrint([&](QPrinter &printer) {
        format = printer.outputFormat();
        offered = printer.outputFileName();
    });
    f->dialogs.acceptPrint(true);
    QTest::mouseClick(findButton(*f->window, "CMd_Print"), Qt::LeftButton);

    QCOMPARE(format, QPrinter::PdfFormat);
    QCOMPARE(offered, f->folder.filePath(QStringLiteral("frequency-report.pdf")));
    QVERIFY(f->dialogs.messages.isEmpty());
    const PdfText pdf = readPdf(offered);
    QCOMPARE(pdf.pages.size(), 1);
    // An empty sheet prints the frame of the report with empty values.
    QCOMPARE(nonEmptyLines(pdf.pages.first()), visibleLines(QStringLiteral("FILE NAME : No Selected ") +
                                                                collapsed(reportDateTime(kClick, QLocale::system())),
                                                            {}, {}, {}));
}

void TestPrinting::reportsFailedPrintJob_data()
{
    QTest::addColumn<QString>("pdf"); // the PDF file chosen in the printer dialog
    QTest::newRow("PDF in a missing folder") << QStringLiteral("no such folder/report.pdf");
    QTest::newRow("PDF named as a folder") << QStringLiteral("a folder.pdf");
}

// A job that fails: one box naming the file at fault, and no report anywhere.
void TestPrinting::reportsFailedPrintJob()
{
    QFETCH(QString, pdf);
    const QString pdfPath = f->folder.filePath(pdf);
    QVERIFY(QDir().mkpath(f->folder.filePath(QStringLiteral("a folder.pdf"))));
    printToFile(pdfPath); // painted in memory first: only writing the file fails
    QTest::mouseClick(findButton(*f->window, "CMd_Print"), Qt::LeftButton);

    QCOMPARE(f->dialogs.printRequests.size(), 1);
    QCOMPARE(f->dialogs.messages.size(), 1);
    const MessageRequest &message = f->dialogs.messages.first();
    QCOMPARE(message.text, QStringLiteral("Could not print the frequency report"));
    QCOMPARE(message.title, QStringLiteral("Error"));
    QCOMPARE(message.icon, MessageIcon::Critical);
    QVERIFY2(message.informativeText.contains(QDir::toNativeSeparators(pdfPath)), qPrintable(message.informativeText));
    QVERIFY(!QFileInfo(pdfPath).isFile());
    QVERIFY(!QFile::exists(defaultReportPdfPath()));
}

void TestPrinting::fontIsMonospacedAndFitsSmallPages()
{
    if (pdftotext().isEmpty())
        QSKIP("pdftotext is not installed");
    QVERIFY(QFontInfo(reportFont(10)).fixedPitch());

    // A narrow page with wide margins: the font shrinks until the 124 characters fit.
    ChannelPlan plan;
    plan.channels[0].rx = QStringLiteral("40.0125");
    const QStringList lines = frequencyReportLines(plan, QString(), kClick, QLocale::system());
    const QString pdfPath = f->folder.filePath(QStringLiteral("a6.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdfPath);
    printer.setPageSize(QPageSize(QPageSize::A6));
    printer.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
    QString reason;
    QVERIFY2(paintReport(printer, lines, &reason), qPrintable(reason));

    const PdfText pdf = readPdf(pdfPath);
    QCOMPARE(pdf.pages.size(), 1);
    const QRectF printable = printer.pageLayout().paintRect(QPageLayout::Point);
    for (const PdfWord &word : pdf.words)
        QVERIFY2(printable.adjusted(-0.5, -0.5, 0.5, 0.5).contains(word.box), qPrintable(word.text));
    QCOMPARE(wordBox(pdf, QStringLiteral("(MHz)"), 1).isEmpty(), false);
    QCOMPARE(nonEmptyLines(pdf.pages.first()).size(), 12);
}

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
