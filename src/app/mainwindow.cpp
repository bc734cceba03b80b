#include "app/mainwindow.h"

#include "app/accessiblenames.h"
#include "app/deviceassignment.h"
#include "common/appfolder.h"
#include "link/portmap.h"
#include "app/filecommands.h"
#include "app/reportprinter.h"
#include "common/dialogseam.h"
#include "link/portsetting.h"
#include "link/programmingexchange.h"
#include "radio/decoder.h"
#include "radio/radiodata.h"
#include "sheet/channelsheet.h"

#include <QCloseEvent>
#include <QApplication>
#include <QSessionManager>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>

namespace kav {

namespace {

constexpr int kTwipsPerPixel = 15;
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

template <typename W>
W *place(W *widget, const QRect &rect, const QFont &font)
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

MainWindow::MainWindow(RadioData &data, DialogSeam &dialogs, SerialService &serial, QWidget *parent)
    : QMainWindow(parent), m_data(data), m_dialogs(dialogs), m_serial(serial),
      m_endProgram([] { QCoreApplication::exit(0); })
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
    m_sheet = std::make_unique<ChannelSheet>(
        m_data, m_dialogs, Txt_Model, std::array<QLineEdit *, 6>{Txt_Rx1, Txt_Rx2, Txt_Rx3, Txt_Tx1, Txt_Tx2, Txt_Tx3});
    for (QPushButton *b : {Cmd_New, Cmd_Open, Cmd_Save, CMd_Print, CMD_EXit, Cmd_Read, Cmd_Write})
        m_sheet->guard(b);

    m_fileCommands = std::make_unique<FileCommands>(m_data, *m_sheet, m_dialogs);
    m_reportPrinter = std::make_unique<ReportPrinter>(m_data, *m_sheet, m_dialogs);

    connectCommand(Cmd_New, [this] { m_sheet->Cmd_New_Click(); });
    connectCommand(Cmd_Open, [this] { m_fileCommands->Cmd_Open_Click(); });
    connectCommand(Cmd_Save, [this] { m_fileCommands->Cmd_Save_Click(); });
    connectCommand(CMd_Print, [this] { m_reportPrinter->CMd_Print_Click(); });
    connectCommand(CMD_EXit, [this] { CMD_EXit_Click(); });

    m_exchange = std::make_unique<ProgrammingExchange>(m_serial, m_data, *m_sheet, m_dialogs);
    connectCommand(Cmd_Read, [this] { m_exchange->Cmd_Read_Click(); });
    connectCommand(Cmd_Write, [this] { m_exchange->Cmd_Write_Click(); });
    connect(qApp, &QGuiApplication::commitDataRequest, this, &MainWindow::commitSession);

    const std::array<QAction *, 4> portItems{M_COM1, M_COM2, M_COM3, M_COM4};
    m_portSetting = std::make_unique<PortSetting>(m_serial, m_data, m_dialogs, [portItems](int item, bool checked) {
        portItems.at(size_t(item - 1))->setChecked(checked);
    });
    connect(M_COM1, &QAction::triggered, this, [this] { m_portSetting->M_COM1_Click(); });
    connect(M_COM2, &QAction::triggered, this, [this] { m_portSetting->M_COM2_Click(); });
    connect(M_COM3, &QAction::triggered, this, [this] { m_portSetting->M_COM3_Click(); });
    connect(M_COM4, &QAction::triggered, this, [this] { m_portSetting->M_COM4_Click(); });
    connect(M_AssignDevices, &QAction::triggered, this, &MainWindow::assignDevices);
    connect(M_COM, &QMenu::aboutToShow, this, &MainWindow::showPortDevices);
}

void MainWindow::showPortDevices()
{
    const PortMap map = ReadPortMap(applicationFile(QString::fromLatin1(kPortMapFileName)));
    QAction *const items[] = {M_COM1, M_COM2, M_COM3, M_COM4};
    for (int n = 1; n <= 4; ++n)
        items[n - 1]->setToolTip(QStringLiteral("COM%1: %2").arg(n).arg(PortDevice(map, n)));
}

void MainWindow::assignDevices()
{
    const QString path = applicationFile(QString::fromLatin1(kPortMapFileName));
    // Enumerated only now: listing serial devices has no place at start-up.
    DeviceAssignmentDialog dialog(ReadPortMap(path), findSerialDevices, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QString reason;
    if (!SavePortMap(path, dialog.portMap(), &reason))
        showCritical(m_dialogs, QStringLiteral("Could not save the device assignment to ") + path,
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

    Label1 = label(client, "Label1", "PROGRAM", twips(6000, 0, 975, 255), arial(9.75, true));
    Cmd_New = button(client, "Cmd_New", "NEW", twips(120, 240, 855, 495), arial(9.75));
    Cmd_Open = button(client, "Cmd_Open", "OPEN", twips(1080, 240, 855, 495), arial(9.75));
    Cmd_Save = button(client, "Cmd_Save", "SAVE", twips(2040, 240, 855, 495), arial(9.75));
    CMd_Print = button(client, "CMd_Print", "PRINT", twips(3000, 240, 855, 495), arial(9.75));
    CMD_EXit = button(client, "CMD_EXit", "EXIT", twips(3960, 240, 855, 495), arial(9.75));
    Cmd_Read = button(client, "Cmd_Read", "READ", twips(5160, 240, 1335, 495), arial(9, true));
    Cmd_Write = button(client, "Cmd_Write", "WRITE", twips(6720, 240, 1335, 495), arial(9, true));

    Label2 = label(client, "Label2", "MODEL :", twips(120, 1200, 975, 255), gulim(9));
    sunkenBox(client, twips(1080, 960, 2535, 615), QStringLiteral("Picture10"));
    Txt_Model = textField(client, "Txt_Model", twips(1200, 1080, 2175, 375));
    Txt_Model->setReadOnly(true);
    Txt_Model->setFrame(false);
    Txt_Model->setFocusPolicy(Qt::NoFocus);

    // The sheet lies inside the frame; its controls are placed by client-area
    // design positions, made relative to the frame.
    const QRect frameRect = twips(120, 1800, 8055, 3615);
    Frame1 = place(new QGroupBox(QStringLiteral("CHANNEL DATA"), client), frameRect, gulim(9));
    Frame1->setObjectName(QStringLiteral("Frame1"));
    const QPoint frameOrigin = frameRect.topLeft();
    const auto inFrame = [&](int left, int top, int width, int height) {
        return twips(left, top, width, height).translated(-frameOrigin);
    };

    Label6 = label(Frame1, "Label6", "RX FREQUENCY", inFrame(2160, 2160, 2775, 495), arial(15.75));
    Label7 = label(Frame1, "Label7", "TX FREQUENCY", inFrame(5040, 2160, 3015, 495), arial(15.75));

    const int rowTops[] = {2880, 3720, 4560};
    const int boxTops[] = {2640, 3480, 4320};
    QLabel **rowLabels[] = {&Label3, &Label4, &Label5};
    QLineEdit **rxFields[] = {&Txt_Rx1, &Txt_Rx2, &Txt_Rx3};
    QLineEdit **txFields[] = {&Txt_Tx1, &Txt_Tx2, &Txt_Tx3};
    int picture = 1;
    for (int row = 0; row < 3; ++row) {
        const auto boxName = [&] { return QStringLiteral("Picture%1").arg(picture++); };
        sunkenBox(Frame1, inFrame(480, boxTops[row], 1575, 855), boxName());
        sunkenBox(Frame1, inFrame(2040, boxTops[row], 2775, 855), boxName());
        sunkenBox(Frame1, inFrame(4800, boxTops[row], 3255, 855), boxName());

        // One-pixel line between the label box and the RX box.
        auto *line = new QFrame(Frame1);
        line->setObjectName(QStringLiteral("Line%1").arg(row + 1));
        line->setFrameStyle(QFrame::VLine | QFrame::Plain);
        line->setGeometry(inFrame(2040, boxTops[row], 15, 855));

        const QByteArray index = QByteArray::number(row + 1);
        const QByteArray labelName = "Label" + QByteArray::number(row + 3);
        const QByteArray caption = "CH" + index;
        *rowLabels[row] = label(Frame1, labelName.constData(), caption.constData(),
                                inFrame(840, rowTops[row], 1095, 495), arial(15.75));
        *rxFields[row] = textField(Frame1, ("Txt_Rx" + index).constData(), inFrame(2160, rowTops[row], 2415, 495));
        *txFields[row] = textField(Frame1, ("Txt_Tx" + index).constData(), inFrame(5040, rowTops[row], 2775, 495));
    }

    auto *bar = new QStatusBar(this);
    bar->setSizeGripEnabled(false);
    bar->setFixedSize(8295 / kTwipsPerPixel, 495 / kTwipsPerPixel);
    StatusBar10 = new QLabel(QString::fromUtf8("FREQUENCY RANGE : 38.000MHz\u223C42.300MHz  25Watt  MOBILE RADIO"), bar);
    StatusBar10->setObjectName(QStringLiteral("StatusBar10"));
    StatusBar10->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bar->addWidget(StatusBar10, 1);
    setStatusBar(bar);

    QWidget *order[] = {Cmd_New, Cmd_Read, Cmd_Write, Txt_Rx1, Txt_Rx2, Txt_Rx3, Txt_Tx1,
                        Txt_Tx2, Txt_Tx3, Cmd_Open, Cmd_Save, CMd_Print, CMD_EXit};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    Cmd_New->setFocus(Qt::OtherFocusReason);
}

void MainWindow::buildMenu()
{
    QMenuBar *bar = menuBar();
    for (int i = 0; i < kEmptyMenuEntries; ++i)
        bar->addMenu(QString());
    M_COM = bar->addMenu(QStringLiteral("COM PORT"));
    M_COM->setObjectName(QStringLiteral("M_COM"));
    QAction **items[] = {&M_COM1, &M_COM2, &M_COM3, &M_COM4};
    for (int n = 1; n <= 4; ++n) {
        QAction *item = M_COM->addAction(QStringLiteral("COM%1").arg(n));
        item->setObjectName(QStringLiteral("M_COM%1").arg(n));
        item->setCheckable(true);
        item->setChecked(false);
        *items[n - 1] = item;
    }
    M_COM->addSeparator();
    M_AssignDevices = M_COM->addAction(QStringLiteral("Assign Devices\u2026"));
    M_AssignDevices->setObjectName(QStringLiteral("M_AssignDevices"));
    M_COM->setToolTipsVisible(true);
}

void MainWindow::Form_Load()
{
    m_portSetting->LoadPortSetting();
    m_data.InitRadioData();
    DecodeImage(m_data);
    ShowPlan(m_data, *m_sheet);
}

bool MainWindow::confirmExit()
{
    return askQuestion(m_dialogs, QStringLiteral("Program exit to Windows."), QStringLiteral("Exit"),
                       MessageButtons::YesNo, MessageResult::No)
        == MessageResult::Yes;
}

void MainWindow::CMD_EXit_Click()
{
    if (!confirmExit())
        return;
    // Ends at once: no close request is raised, so the question is not asked again.
    m_ending = true;
    m_endProgram();
}

bool MainWindow::Form_QueryUnload()
{
    if (!m_ending && !confirmExit())
        return false;
    m_ending = true;
    return true;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Every close request, from the close box, the system menu or the keyboard.
    if (Form_QueryUnload()) {
        event->accept();
        m_endProgram();
    } else {
        event->ignore();
    }
}

void MainWindow::commitSession(QSessionManager &manager)
{
    // Logging off or shutting down asks the same question; No refuses it.
    if (m_ending || !manager.allowsInteraction())
        return;
    const bool allowed = Form_QueryUnload();
    manager.release();
    if (!allowed)
        manager.cancel();
}

} // namespace kav
