#include "support/windowfixture.h"

#include "app/directpngstyle.h"
#include "sheet/channelsheet.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOption>

using namespace kav;

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startsWithModelAndEmptySheet();
    void placesControlsAsDesigned_data();
    void placesControlsAsDesigned();
    void hasFixedClientArea();
    void hasMenuOfEmptyEntriesThenComPort();
    void showsStatusText();
    void tabsThroughControlsInDesignOrder();
    void noButtonIsDefault();
    void exitAsksAndNoKeepsEverything();
    void exitYesEndsWithoutSecondQuestion();
    void closeRequestAsksAndNoRefuses();
    void closeRequestYesEnds();
    void paintsGroupBoxFrameAsFusion_data();
    void paintsGroupBoxFrameAsFusion();
    void readsToolBarArrowAsFusion_data();
    void readsToolBarArrowAsFusion();
    void writesPictureOfWindow();

private:
    std::unique_ptr<WindowFixture> f;
};

// The window as the program starts it: its style reads Fusion's images
// without loading an image-format plugin.
void TestMainWindow::initTestCase()
{
    installDirectPngStyle();
    WindowFixture first;
    first.start();
    QVERIFY(first.show());
    QVERIFY(!first.window->grab().isNull());
    if (!isFusionStyle(QApplication::style()))
        return;
    QVERIFY(qobject_cast<DirectPngStyle *>(QApplication::style()));
#ifdef Q_OS_LINUX
    QFile maps(QStringLiteral("/proc/self/maps"));
    QVERIFY(maps.open(QIODevice::ReadOnly));
    const QByteArray mapped = maps.readAll();
    QVERIFY(mapped.contains("libQt6Widgets"));
    QVERIFY2(!mapped.contains("/imageformats/"), "an image-format plugin was loaded");
#endif
}

void TestMainWindow::init()
{
    f = std::make_unique<WindowFixture>();
    f->start();
    QVERIFY(f->show());
}

void TestMainWindow::cleanup()
{
    f.reset();
}

void TestMainWindow::startsWithModelAndEmptySheet()
{
    MainWindow &w = *f->window;
    QCOMPARE(w.windowTitle(), QStringLiteral("KAVRILINK CORPORATION"));
    QCOMPARE(findField(w, "Txt_Model")->text(), QStringLiteral("KV-7719NEW"));
    for (QLineEdit *field :
         {rxFieldOf(w, 1), rxFieldOf(w, 2), rxFieldOf(w, 3), txFieldOf(w, 1), txFieldOf(w, 2), txFieldOf(w, 3)})
        QCOMPARE(field->text(), QString());
    QCOMPARE(QApplication::focusWidget(), findButton(w, "Cmd_New"));
    QCOMPARE(f->parts->document.fromFile, false);
    QCOMPARE(f->parts->document.sendImage, RadioImage());
    QVERIFY(f->dialogs.messages.isEmpty());
}

void TestMainWindow::placesControlsAsDesigned_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips"); // left, top, width, height in the client area
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("family");
    QTest::addColumn<double>("points");
    QTest::addColumn<bool>("bold");

    const auto row = [](const char *name, QRect twips, const char *caption, const char *family, double points,
                        bool bold) {
        QTest::newRow(name) << QString::fromLatin1(name) << twips << QString::fromLatin1(caption)
                            << QString::fromLatin1(family) << points << bold;
    };
    row("Label1", {6000, 0, 975, 255}, "PROGRAM", "Arial", 9.75, true);
    row("Cmd_New", {120, 240, 855, 495}, "NEW", "Arial", 9.75, false);
    row("Cmd_Open", {1080, 240, 855, 495}, "OPEN", "Arial", 9.75, false);
    row("Cmd_Save", {2040, 240, 855, 495}, "SAVE", "Arial", 9.75, false);
    row("CMd_Print", {3000, 240, 855, 495}, "PRINT", "Arial", 9.75, false);
    row("CMD_EXit", {3960, 240, 855, 495}, "EXIT", "Arial", 9.75, false);
    row("Cmd_Read", {5160, 240, 1335, 495}, "READ", "Arial", 9, true);
    row("Cmd_Write", {6720, 240, 1335, 495}, "WRITE", "Arial", 9, true);
    row("Label2", {120, 1200, 975, 255}, "MODEL :", "Gulim", 9, false);
    row("Txt_Model", {1200, 1080, 2175, 375}, "KV-7719NEW", "Arial", 15.75, false);
    row("Picture10", {1080, 960, 2535, 615}, "", "", 0, false);
    row("Frame1", {120, 1800, 8055, 3615}, "CHANNEL DATA", "Gulim", 9, false);
    row("Label6", {2160, 2160, 2775, 495}, "RX FREQUENCY", "Arial", 15.75, false);
    row("Label7", {5040, 2160, 3015, 495}, "TX FREQUENCY", "Arial", 15.75, false);
    row("Txt_Rx1", {2160, 2880, 2415, 495}, "", "Arial", 15.75, false);
    row("Txt_Rx2", {2160, 3720, 2415, 495}, "", "Arial", 15.75, false);
    row("Txt_Rx3", {2160, 4560, 2415, 495}, "", "Arial", 15.75, false);
    row("Txt_Tx1", {5040, 2880, 2775, 495}, "", "Arial", 15.75, false);
    row("Txt_Tx2", {5040, 3720, 2775, 495}, "", "Arial", 15.75, false);
    row("Txt_Tx3", {5040, 4560, 2775, 495}, "", "Arial", 15.75, false);
    // Row boxes: label, RX and TX box per channel.
    row("Picture1", {480, 2640, 1575, 855}, "", "", 0, false);
    row("Picture2", {2040, 2640, 2775, 855}, "", "", 0, false);
    row("Picture3", {4800, 2640, 3255, 855}, "", "", 0, false);
    row("Picture4", {480, 3480, 1575, 855}, "", "", 0, false);
    row("Picture8", {2040, 4320, 2775, 855}, "", "", 0, false);
    row("Picture9", {4800, 4320, 3255, 855}, "", "", 0, false);
}

void TestMainWindow::placesControlsAsDesigned()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    QFETCH(QString, caption);
    QFETCH(QString, family);
    QFETCH(double, points);
    QFETCH(bool, bold);

    MainWindow &w = *f->window;
    auto *widget = w.findChild<QWidget *>(name);
    QVERIFY2(widget, qPrintable(name));
    QWidget *client = w.centralWidget();
    const QRect expected(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15);
    const QRect actual(widget->mapTo(client, QPoint(0, 0)), widget->size());
    if (qobject_cast<QLabel *>(widget)) {
        // Labels keep their place and grow only where their caption would clip.
        QCOMPARE(actual.topLeft(), expected.topLeft());
        QCOMPARE(actual.height(), expected.height());
        QVERIFY(actual.width() >= expected.width());
        QVERIFY(actual.width() >= widget->sizeHint().width());
    } else {
        QCOMPARE(actual, expected);
    }

    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        QCOMPARE(button->text(), caption);
    else if (auto *label = qobject_cast<QLabel *>(widget))
        QCOMPARE(label->text(), caption);
    else if (auto *edit = qobject_cast<QLineEdit *>(widget))
        QCOMPARE(edit->text(), caption);
    else if (auto *frame = qobject_cast<QGroupBox *>(widget))
        QCOMPARE(frame->title(), caption);

    if (!caption.isEmpty()) // the caption fits its control at every scale
        QVERIFY2(widget->fontMetrics().horizontalAdvance(caption) <= widget->width(), qPrintable(name));

    if (!family.isEmpty()) {
        QCOMPARE(widget->font().family(), family);
        QCOMPARE(widget->font().pointSizeF(), points);
        QCOMPARE(widget->font().bold(), bold);
    }
}

void TestMainWindow::hasFixedClientArea()
{
    MainWindow &w = *f->window;
    QCOMPARE(w.centralWidget()->size(), QSize(553, 370));
    QCOMPARE(w.statusBar()->size(), QSize(553, 33));
    QCOMPARE(w.statusBar()->geometry().top(), w.centralWidget()->geometry().bottom() + 1);
    QCOMPARE(w.minimumSize(), w.maximumSize());
    const QSize before = w.size();
    w.resize(900, 700);
    QCOMPARE(w.size(), before);
}

void TestMainWindow::hasMenuOfEmptyEntriesThenComPort()
{
    MainWindow &w = *f->window;
    const QList<QAction *> entries = w.menuBar()->actions();
    QCOMPARE(entries.size(), 25);
    for (int i = 0; i < 24; ++i) {
        QCOMPARE(entries.at(i)->text(), QString());
        QCOMPARE(entries.at(i)->menu(), nullptr); // no items behind it
        QVERIFY(!entries.at(i)->isCheckable());
    }
    QCOMPARE(entries.at(24)->text(), QStringLiteral("COM PORT"));
    QCOMPARE(entries.at(24)->menu(), findControl<QMenu>(w, QStringLiteral("M_COM")));
    const QList<QAction *> items = findControl<QMenu>(w, QStringLiteral("M_COM"))->actions();
    // COM1-COM4, a separator, "Assign Devices…", a separator, the programming choices and records.
    QCOMPARE(items.size(), 13);
    QVERIFY(items.at(4)->isSeparator());
    QCOMPARE(items.at(5)->text(), QStringLiteral("Assign Devices\u2026"));
    QVERIFY(items.at(6)->isSeparator());
    const char *const more[][2] = {{"Back Up Radio Before Writing", "M_BackUpBeforeWriting"},
                                   {"Verify After Write", "M_VerifyAfterWrite"},
                                   {"Show Changes Before Writing", "M_ShowChangesBeforeWriting"},
                                   {"Open Backups Folder", "M_OpenBackups"},
                                   {"Open Programming History", "M_OpenHistory"},
                                   {"Save Line Trace\u2026", "M_SaveLineTrace"}};
    for (int i = 0; i < 6; ++i) {
        QAction *item = items.at(7 + i);
        QCOMPARE(item->text(), QString::fromUtf8(more[i][0]));
        QCOMPARE(item->objectName(), QString::fromLatin1(more[i][1]));
        QCOMPARE(item->isCheckable(), i < 3);
        QVERIFY(!item->isChecked()); // off by default
    }
    for (int n = 1; n <= 4; ++n) {
        QCOMPARE(items.at(n - 1)->text(), QStringLiteral("COM%1").arg(n));
        QCOMPARE(items.at(n - 1)->objectName(), QStringLiteral("M_COM%1").arg(n));
    }
}

void TestMainWindow::showsStatusText()
{
    const QString expected = QString::fromUtf8("FREQUENCY RANGE : 38.000MHz") + QChar(0x223C) +
                             QStringLiteral("42.300MHz  25Watt  MOBILE RADIO");
    QCOMPARE(findControl<QLabel>(*f->window, QStringLiteral("StatusBar10"))->text(), expected);
    QVERIFY(findControl<QLabel>(*f->window, QStringLiteral("StatusBar10"))->isVisible());
}

void TestMainWindow::tabsThroughControlsInDesignOrder()
{
    MainWindow &w = *f->window;
    const QList<QWidget *> order{(QWidget *)findButton(w, "Cmd_New"),
                                 findButton(w, "Cmd_Read"),
                                 findButton(w, "Cmd_Write"),
                                 rxFieldOf(w, 1),
                                 rxFieldOf(w, 2),
                                 rxFieldOf(w, 3),
                                 txFieldOf(w, 1),
                                 txFieldOf(w, 2),
                                 txFieldOf(w, 3),
                                 findButton(w, "Cmd_Open"),
                                 findButton(w, "Cmd_Save"),
                                 findButton(w, "CMd_Print"),
                                 findButton(w, "CMD_EXit"),
                                 findButton(w, "Cmd_New")};
    QCOMPARE(QApplication::focusWidget(), order.first());
    for (int i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), order.at(i));
    }
}

void TestMainWindow::noButtonIsDefault()
{
    for (auto *button : f->window->findChildren<QPushButton *>()) {
        QVERIFY2(!button->isDefault() && !button->autoDefault(), qPrintable(button->objectName()));
    }
}

void TestMainWindow::exitAsksAndNoKeepsEverything()
{
    MainWindow &w = *f->window;
    rxFieldOf(w, 1)->setText(QStringLiteral("40.0125"));
    f->dialogs.answer(MessageResult::No);
    QTest::mouseClick(findButton(w, "CMD_EXit"), Qt::LeftButton);

    QCOMPARE(f->dialogs.messages.size(), 1);
    QCOMPARE(f->dialogs.messages.first(), (MessageRequest{QStringLiteral("Program exit to Windows."),
                                                          QStringLiteral("Exit"),
                                                          MessageIcon::Question,
                                                          MessageButtons::YesNo,
                                                          MessageResult::No,
                                                          {}}));
    QCOMPARE(f->endProgramCalls, 0);
    QVERIFY(w.isVisible());
    QCOMPARE(rxFieldOf(w, 1)->text(), QStringLiteral("40.0125"));
}

void TestMainWindow::exitYesEndsWithoutSecondQuestion()
{
    f->dialogs.answer(MessageResult::Yes);
    QTest::mouseClick(findButton(*f->window, "CMD_EXit"), Qt::LeftButton);
    QCOMPARE(f->endProgramCalls, 1);
    QCOMPARE(f->dialogs.messages.size(), 1);
}

void TestMainWindow::closeRequestAsksAndNoRefuses()
{
    f->dialogs.answer(MessageResult::No);
    QVERIFY(!f->window->close());
    QVERIFY(f->window->isVisible());
    QCOMPARE(f->endProgramCalls, 0);
    QCOMPARE(f->dialogs.messageTexts(), QStringList{QStringLiteral("Program exit to Windows.")});
    QCOMPARE(f->dialogs.messages.first().defaultButton, MessageResult::No);
}

void TestMainWindow::closeRequestYesEnds()
{
    f->dialogs.answer(MessageResult::Yes);
    QVERIFY(f->window->close());
    QCOMPARE(f->endProgramCalls, 1);
    QCOMPARE(f->dialogs.messages.size(), 1);
}

void TestMainWindow::paintsGroupBoxFrameAsFusion_data()
{
    QTest::addColumn<QString>("styleName");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("checkable");
    const QSize designed(8055 / 15, 3615 / 15);
    const QString title = QStringLiteral("CHANNEL DATA");
    QTest::newRow("as designed") << QStringLiteral("Fusion") << designed << title << false;
    QTest::newRow("no title") << QStringLiteral("Fusion") << QSize(120, 90) << QString() << false;
    QTest::newRow("checkable") << QStringLiteral("Fusion") << QSize(160, 70) << title << true;
    QTest::newRow("checkable without title") << QStringLiteral("Fusion") << QSize(90, 60) << QString() << true;
    QTest::newRow("tall and odd") << QStringLiteral("Fusion") << QSize(333, 611) << title << false;
    QTest::newRow("over Windows") << QStringLiteral("Windows") << designed << title << false;
}

// The group-box frame read without image-format plugins: every pixel is
// what QGroupBox paints with the plain style.
void TestMainWindow::paintsGroupBoxFrameAsFusion()
{
    QFETCH(QString, styleName);
    QFETCH(QSize, size);
    QFETCH(QString, title);
    QFETCH(bool, checkable);
    const QGroupBox *frame = f->window->findChild<QGroupBox *>(QStringLiteral("Frame1"));
    QVERIFY(frame);
    const std::unique_ptr<QStyle> style(QStyleFactory::create(styleName));
    QVERIFY(style);
    DirectPngStyle direct(styleName);
    QGroupBox directBox(title);
    QGroupBox plainBox(title);
    for (QGroupBox *box : {&directBox, &plainBox}) {
        box->setStyle(box == &directBox ? static_cast<QStyle *>(&direct) : style.get());
        box->setFont(frame->font());
        box->setCheckable(checkable);
        box->resize(size);
    }
    const QImage expected = plainBox.grab().toImage();
    const QImage actual = directBox.grab().toImage();
    QCOMPARE(actual.size(), size * plainBox.devicePixelRatioF());
    QCOMPARE(actual, expected);
}

void TestMainWindow::readsToolBarArrowAsFusion_data()
{
    QTest::addColumn<Qt::LayoutDirection>("direction");
    QTest::newRow("left to right") << Qt::LeftToRight;
    QTest::newRow("right to left") << Qt::RightToLeft;
}

// The menu bar's overflow arrow: the same sizes and pixels as Fusion's.
void TestMainWindow::readsToolBarArrowAsFusion()
{
    QFETCH(Qt::LayoutDirection, direction);
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    QVERIFY(fusion);
    const DirectPngStyle direct(QStringLiteral("Fusion"));
    QStyleOption option;
    option.direction = direction;
    const QIcon expected = fusion->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton, &option);
    const QIcon actual = direct.standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton, &option);
    QVERIFY(!expected.availableSizes().isEmpty());
    QCOMPARE(actual.availableSizes(), expected.availableSizes());
    for (const QSize size : {QSize(8, 5), QSize(16, 10), QSize(32, 20), QSize(24, 24), QSize(64, 40)}) {
        for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled, QIcon::Active}) {
            QCOMPARE(actual.pixmap(size, mode).toImage(), expected.pixmap(size, mode).toImage());
        }
    }
}

void TestMainWindow::writesPictureOfWindow()
{
    const QString dir = qEnvironmentVariable("KAVRILINK_BUILD_DIR", QDir::currentPath());
    const QString scale = qEnvironmentVariable("QT_SCALE_FACTOR");
    const QString name =
        scale.isEmpty() ? QStringLiteral("mainwindow.png") : QStringLiteral("mainwindow@%1x.png").arg(scale);
    const QString path = QDir(dir).filePath(name);
    const QPixmap picture = f->window->grab();
    QVERIFY(picture.save(path));
    QImage saved(path);
    QCOMPARE(saved.size(), f->window->size() * picture.devicePixelRatio());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
