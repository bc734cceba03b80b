#include "app/mainwindow.h"

#include "app/accessiblenames.h"
#include "app/deviceassignment.h"
#include "app/exchangecommands.h"
#include "app/filecommands.h"
#include "app/plandocument.h"
#include "app/portitems.h"
#include "app/portmenucommands.h"
#include "app/reportprinter.h"
#include "app/startup.h"
#include "common/dialogseam.h"
#include "common/shownpath.h"
#include "link/linkmessages.h"
#include "link/portmap.h"
#include "radio/decoder.h"
#include "sheet/channelsheet.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSessionManager>
#include <QStatusBar>

#include <utility>

namespace kav {

namespace {

// The design places every control in twips (1/1440 inch) and fixes the
// window's look to the pixel; at 15 twips to a pixel its client area is 553 x 403.
constexpr int kTwipsPerPixel = 15;
// The design's menu bar: 24 empty entries, without items or handlers, before COM PORT.
constexpr int kEmptyMenuEntries = 24;

// Design positions are in twips from the top-left corner of the client area.
QRect twips(int left, int top, int width, int height)
{
    return {left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel, height / kTwipsPerPixel};
}

QFont designFont(const char *family, qreal points, bool bold = false)
{
    QFont font(QString::fromLatin1(family));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QFont arial(qreal points, bool bold = false)
{
    return designFont("Arial", points, bold);
}

QFont gulim(qreal points)
{
    return designFont("Gulim", points);
}

template <typename W> W *place(W *widget, const QRect &rect, const QFont &font)
{
    widget->setGeometry(rect);
    widget->setFont(font);
    return widget;
}

QFrame *sunkenBox(QWidget *parent, const QRect &rect, const QString &name)
{
    auto *box = new QFrame(parent);
    box->setObjectName(name);
    box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    box->setLineWidth(1);
    box->setAutoFillBackground(true);
    box->setBackgroundRole(QPalette::Window);
    box->setGeometry(rect);
    box->lower();
    return box;
}

QPushButton *button(QWidget *parent, const char *name, const char *caption, const QRect &rect, const QFont &font)
{
    auto *b = place(new QPushButton(QString::fromLatin1(caption), parent), rect, font);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

QLabel *label(QWidget *parent, const char *name, const char *caption, const QRect &rect, const QFont &font)
{
    auto *l = place(new QLabel(QString::fromLatin1(caption), parent), rect, font);
    l->setObjectName(QString::fromLatin1(name));
    // A caption wider than its design box grows to the right rather than clip.
    if (l->sizeHint().width() > rect.width())
        l->resize(l->sizeHint().width(), rect.height());
    return l;
}

QLineEdit *textField(QWidget *parent, const char *name, const QRect &rect)
{
    auto *field = place(new QLineEdit(parent), rect, arial(15.75));
    field->setObjectName(QString::fromLatin1(name));
    return field;
}

} // namespace

MainWindow::MainWindow(ProgramParts &parts, DialogSeam &dialogs, QWidget *parent)
    : QMainWindow(parent), m_parts(parts), m_dialogs(dialogs), m_endProgram([] { QCoreApplication::exit(0); })
{
    setObjectName(QStringLiteral("Frm_Main"));
    setWindowTitle(QStringLiteral("KAVRILINK CORPORATION"));
    setFont(arial(9.75));
    buildControls();
    buildMenu();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    // Fixes the size now, before the native window exists: set later, it is
    // a change that some platforms (offscreen) cannot pass on and warn about.
    layout()->activate();
    setAccessibleNames(*this);
    m_sheet = std::make_unique<ChannelSheet>(m_dialogs, m_modelField, m_rxFields, m_txFields);
    m_sheet->setObjectName(QStringLiteral("sheet"));
    m_sheet->setParent(this);
    PlanDocument &document = m_parts.document;
    connect(m_sheet.get(), &ChannelSheet::entryAccepted, this, [&document] { document.fromFile = false; });
    connect(m_sheet.get(), &ChannelSheet::newSheetConfirmed, this, [&document] { document.initRadioData(); });
    for (QPushButton *b :
         {m_newButton, m_openButton, m_saveButton, m_printButton, m_exitButton, m_readButton, m_writeButton})
        m_sheet->guard(b);

    m_fileCommands = std::make_unique<FileCommands>(document, *m_sheet, m_dialogs);
    m_reportPrinter = std::make_unique<ReportPrinter>(document, *m_sheet, m_dialogs, m_parts.clock);

    connectCommand(m_newButton, [this] { m_sheet->onNewClicked(); });
    connectCommand(m_openButton, [this] { m_fileCommands->onOpenClicked(); });
    connectCommand(m_saveButton, [this] { m_fileCommands->onSaveClicked(); });
    connectCommand(m_printButton, [this] { m_reportPrinter->onPrintClicked(); });
    connectCommand(m_exitButton, [this] { onExitClicked(); });

    m_exchangeCommands = std::make_unique<ExchangeCommands>(
        document, *m_sheet, m_dialogs, m_parts.session,
        ExchangeCommands::Context{m_parts.settings, m_parts.backups, m_parts.history, m_parts.portSetting}, this);
    connect(m_exchangeCommands.get(), &ExchangeCommands::busyChanged, this, &MainWindow::onBusyChanged);
    connectCommand(m_readButton, [this] { m_exchangeCommands->onReadClicked(); });
    connectCommand(m_writeButton, [this] { m_exchangeCommands->onWriteClicked(); });
    connect(qApp, &QGuiApplication::commitDataRequest, this, &MainWindow::commitSession);

    // A port chosen while one is held lets go of it first (at the end of a
    // session going), so that the next READ or WRITE opens the chosen one.
    new PortItems(
        m_portItems, m_parts.portSetting, m_dialogs, [this] { m_exchangeCommands->onPortChosen(); }, this);
    connect(m_assignDevicesItem, &QAction::triggered, this, &MainWindow::assignDevices);
    connect(m_portMenu, &QMenu::aboutToShow, this, &MainWindow::showPortDevices);

    m_portMenuCommands = std::make_unique<PortMenuCommands>(m_parts.settings, m_parts.backups, m_parts.history,
                                                            m_parts.trace, m_dialogs, m_parts.appFolder);
    const auto connectChoice = [this](QAction *item, Choice choice) {
        item->setChecked(m_parts.settings.value(choice));
        connect(item, &QAction::toggled, this, [this, choice](bool on) { m_portMenuCommands->setChoice(choice, on); });
    };
    connectChoice(m_backUpItem, Choice::BackUpBeforeWriting);
    connectChoice(m_verifyItem, Choice::VerifyAfterWrite);
    connectChoice(m_showChangesItem, Choice::ShowChangesBeforeWriting);
    connect(m_openBackupsItem, &QAction::triggered, this, [this] { m_portMenuCommands->openBackupsFolder(); });
    connect(m_openHistoryItem, &QAction::triggered, this, [this] { m_portMenuCommands->openProgrammingHistory(); });
    connect(m_saveTraceItem, &QAction::triggered, this, [this] { m_portMenuCommands->saveLineTrace(); });
}

void MainWindow::showPortDevices()
{
    for (int n = 1; n <= int(m_portItems.size()); ++n)
        m_portItems[size_t(n - 1)]->setToolTip(QStringLiteral("COM%1: %2").arg(n).arg(m_parts.portSetting.deviceOf(n)));
}

void MainWindow::assignDevices()
{
    const QString path = m_parts.portSetting.portMapFile();
    // Enumerated only now: listing serial devices has no place at start-up.
    // A map that cannot be read is shown with why, and the dialog has no OK.
    const PortMapRead read = readPortMap(path);
    DeviceAssignmentDialog dialog(read, findSerialDevices, this);
    if (dialog.exec() != QDialog::Accepted || read.status == PortMapStatus::Unusable)
        return;
    const PortMap chosen = dialog.portMap();
    if (chosen == read.map) // nothing changed: the file, its comments included, stays as it is
        return;
    QString reason;
    if (!savePortMap(path, chosen, &reason))
        showCritical(m_dialogs, QStringLiteral("Could not save the device assignment to ") + shownPath(path),
                     QStringLiteral("Error"), reason);
}

MainWindow::~MainWindow() = default;

void MainWindow::connectCommand(QPushButton *button, std::function<void()> handler)
{
    connect(button, &QPushButton::clicked, this, [this, handler = std::move(handler)] {
        if (m_sheet->mayProceed())
            handler();
    });
}

void MainWindow::buildControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(8295 / kTwipsPerPixel, 5550 / kTwipsPerPixel);
    setCentralWidget(client);

    label(client, "Label1", "PROGRAM", twips(6000, 0, 975, 255), arial(9.75, true));
    m_newButton = button(client, "Cmd_New", "NEW", twips(120, 240, 855, 495), arial(9.75));
    m_openButton = button(client, "Cmd_Open", "OPEN", twips(1080, 240, 855, 495), arial(9.75));
    m_saveButton = button(client, "Cmd_Save", "SAVE", twips(2040, 240, 855, 495), arial(9.75));
    m_printButton = button(client, "CMd_Print", "PRINT", twips(3000, 240, 855, 495), arial(9.75));
    m_exitButton = button(client, "CMD_EXit", "EXIT", twips(3960, 240, 855, 495), arial(9.75));
    m_readButton = button(client, "Cmd_Read", "READ", twips(5160, 240, 1335, 495), arial(9, true));
    m_writeButton = button(client, "Cmd_Write", "WRITE", twips(6720, 240, 1335, 495), arial(9, true));

    m_modelLabel = label(client, "Label2", "MODEL :", twips(120, 1200, 975, 255), gulim(9));
    sunkenBox(client, twips(1080, 960, 2535, 615), QStringLiteral("Picture10"));
    m_modelField = textField(client, "Txt_Model", twips(1200, 1080, 2175, 375));
    m_modelField->setReadOnly(true);
    m_modelField->setFrame(false);
    m_modelField->setFocusPolicy(Qt::NoFocus);

    // The sheet lies inside the frame; its controls are placed by client-area
    // design positions, made relative to the frame.
    const QRect frameRect = twips(120, 1800, 8055, 3615);
    auto *frame = place(new QGroupBox(QStringLiteral("CHANNEL DATA"), client), frameRect, gulim(9));
    frame->setObjectName(QStringLiteral("Frame1"));
    const QPoint frameOrigin = frameRect.topLeft();
    const auto inFrame = [&](int left, int top, int width, int height) {
        return twips(left, top, width, height).translated(-frameOrigin);
    };

    label(frame, "Label6", "RX FREQUENCY", inFrame(2160, 2160, 2775, 495), arial(15.75));
    label(frame, "Label7", "TX FREQUENCY", inFrame(5040, 2160, 3015, 495), arial(15.75));

    const int rowTops[] = {2880, 3720, 4560};
    const int boxTops[] = {2640, 3480, 4320};
    int picture = 1;
    for (int row = 0; row < 3; ++row) {
        const auto boxName = [&] { return QStringLiteral("Picture%1").arg(picture++); };
        sunkenBox(frame, inFrame(480, boxTops[row], 1575, 855), boxName());
        sunkenBox(frame, inFrame(2040, boxTops[row], 2775, 855), boxName());
        sunkenBox(frame, inFrame(4800, boxTops[row], 3255, 855), boxName());

        // One-pixel line between the label box and the RX box.
        auto *line = new QFrame(frame);
        line->setObjectName(QStringLiteral("Line%1").arg(row + 1));
        line->setFrameStyle(QFrame::VLine | QFrame::Plain);
        line->setGeometry(inFrame(2040, boxTops[row], 15, 855));

        const QByteArray index = QByteArray::number(row + 1);
        const QByteArray labelName = "Label" + QByteArray::number(row + 3);
        const QByteArray caption = "CH" + index;
        label(frame, labelName.constData(), caption.constData(), inFrame(840, rowTops[row], 1095, 495), arial(15.75));
        m_rxFields[size_t(row)] =
            textField(frame, ("Txt_Rx" + index).constData(), inFrame(2160, rowTops[row], 2415, 495));
        m_txFields[size_t(row)] =
            textField(frame, ("Txt_Tx" + index).constData(), inFrame(5040, rowTops[row], 2775, 495));
    }

    auto *bar = new QStatusBar(this);
    bar->setSizeGripEnabled(false);
    bar->setFixedSize(8295 / kTwipsPerPixel, 495 / kTwipsPerPixel);
    m_statusLabel =
        new QLabel(QString::fromUtf8("FREQUENCY RANGE : 38.000MHz\u223C42.300MHz  25Watt  MOBILE RADIO"), bar);
    m_statusLabel->setObjectName(QStringLiteral("StatusBar10"));
    m_statusLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bar->addWidget(m_statusLabel, 1);
    setStatusBar(bar);
    m_channelFrame = frame;

    QWidget *order[] = {m_newButton,   m_readButton,  m_writeButton, m_rxFields[0], m_rxFields[1],
                        m_rxFields[2], m_txFields[0], m_txFields[1], m_txFields[2], m_openButton,
                        m_saveButton,  m_printButton, m_exitButton};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    m_newButton->setFocus(Qt::OtherFocusReason);
}

void MainWindow::buildMenu()
{
    QMenuBar *bar = menuBar();
    // Entries without items need no menu behind them.
    for (int i = 0; i < kEmptyMenuEntries; ++i)
        bar->addAction(QString());
    m_portMenu = bar->addMenu(QStringLiteral("COM PORT"));
    m_portMenu->setObjectName(QStringLiteral("M_COM"));
    for (int n = 1; n <= 4; ++n) {
        QAction *item = m_portMenu->addAction(QStringLiteral("COM%1").arg(n));
        item->setObjectName(QStringLiteral("M_COM%1").arg(n));
        item->setCheckable(true);
        item->setChecked(false);
        m_portItems[size_t(n - 1)] = item;
    }
    m_portMenu->addSeparator();
    m_assignDevicesItem = m_portMenu->addAction(QStringLiteral("Assign Devices\u2026"));
    m_assignDevicesItem->setObjectName(QStringLiteral("M_AssignDevices"));
    m_portMenu->addSeparator();
    const auto addItem = [this](const char *name, const QString &caption, const char *tip, bool checkable) {
        QAction *item = m_portMenu->addAction(caption);
        item->setObjectName(QString::fromLatin1(name));
        item->setToolTip(QString::fromLatin1(tip));
        item->setStatusTip(item->toolTip());
        item->setCheckable(checkable);
        return item;
    };
    m_backUpItem = addItem("M_BackUpBeforeWriting", QStringLiteral("Back Up Radio Before Writing"),
                           "WRITE first reads the radio and keeps its plan in the backups folder", true);
    m_verifyItem = addItem("M_VerifyAfterWrite", QStringLiteral("Verify After Write"),
                           "WRITE reads the plan back and says which fields the radio holds differently", true);
    m_showChangesItem = addItem("M_ShowChangesBeforeWriting", QStringLiteral("Show Changes Before Writing"),
                                "WRITE first reads the radio and asks about the fields it will change", true);
    m_openBackupsItem = addItem("M_OpenBackups", QStringLiteral("Open Backups Folder"),
                                "The plans kept from each READ and before each WRITE", false);
    m_openHistoryItem = addItem("M_OpenHistory", QStringLiteral("Open Programming History"),
                                "Every WRITE that reached a radio: when, which radio, which plan, how it ended", false);
    m_saveTraceItem = addItem("M_SaveLineTrace", QStringLiteral("Save Line Trace\u2026"),
                              "Save the bytes of the last exchanges with the radio as text", false);
    m_portMenu->setToolTipsVisible(true);
}

void MainWindow::startUpSheet()
{
    m_parts.document.initRadioData();
    showPlan(*m_sheet, decodePlan(RadioImage()));
}

bool MainWindow::confirmExit()
{
    return askQuestion(m_dialogs, QStringLiteral("Program exit to Windows."), QStringLiteral("Exit"),
                       MessageButtons::YesNo, MessageResult::No) == MessageResult::Yes;
}

void MainWindow::onExitClicked()
{
    if (!confirmExit())
        return;
    // Ends at once: no close request is raised, so the question is not asked again.
    m_ending = true;
    endWhenIdle();
}

bool MainWindow::mayClose()
{
    if (!m_ending && !confirmExit())
        return false;
    m_ending = true;
    return true;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Every close request, from the close box, the system menu or the keyboard.
    if (!mayClose()) {
        event->ignore();
        return;
    }
    if (m_parts.session.isWriting()) {
        event->ignore(); // the window stays until the write has ended
        endWhenIdle();
        return;
    }
    event->accept();
    endWhenIdle();
}

void MainWindow::endWhenIdle()
{
    // A write on the line ends first (its time-outs bound it) and says how;
    // a read is dropped at once and its port closed.
    if (m_parts.session.isWriting()) {
        m_endAfterRun = true;
        return;
    }
    m_parts.session.interrupt();
    m_endProgram();
}

void MainWindow::onBusyChanged(bool busy)
{
    // One exchange at a time: nothing that would start another, or take its
    // port, can be clicked. SAVE, PRINT and EXIT stay.
    QWidget *focused = focusWidget();
    const QList<QWidget *> buttons{m_readButton, m_writeButton, m_newButton, m_openButton};
    if (busy && buttons.contains(focused)) {
        // Kept off the fields: the focus comes back when the run ends.
        m_focusBeforeRun = focused;
        focused->clearFocus();
    }
    for (QWidget *button : buttons)
        button->setEnabled(!busy);
    for (QAction *item : m_portItems)
        item->setEnabled(!busy);
    m_assignDevicesItem->setEnabled(!busy);
    if (!busy) {
        if (m_focusBeforeRun && !focusWidget())
            m_focusBeforeRun->setFocus(Qt::OtherFocusReason);
        m_focusBeforeRun = nullptr;
        if (std::exchange(m_endAfterRun, false))
            m_endProgram();
    }
}

void MainWindow::commitSession(QSessionManager &manager)
{
    // Logging off or shutting down asks the same question; No refuses it.
    if (m_ending || !manager.allowsInteraction())
        return;
    const bool allowed = mayClose();
    manager.release();
    if (!allowed)
        manager.cancel();
}

} // namespace kav
