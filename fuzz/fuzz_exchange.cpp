// READ and WRITE as the window offers them (the engine and its front end),
// fed arbitrary sequences of events through a scripted serial service: byte
// chunks with their receive notifications, empty notifications, overflows,
// expiries of the armed response timer, the device going away, failing opens
// and sends, clicks on READ and WRITE with either answer.
//
// Invariants, checked after every event:
// - only the program's own boxes are shown, each with its own title, icon and
//   buttons, and an event shows at most one box besides the click's question;
// - the port is closed whenever "Communication Error", "Write Error" or
//   "Connection Error to Radio" is shown;
// - the engine ends an exchange at most once per event, and the link state
//   keeps its value or becomes one of the four waiting states;
// - the response timer runs only while the port is open;
// - at most 36 received bytes wait after a notification has been handled;
// - the program sends only 0xE0, 0xF0, 0x77, 0x55 or the 37-byte block of
//   SendImage with its checksum;
// - ReceiveImage changes only by a confirmed READ (zeroed) or a completed one,
//   and then holds the first 36 bytes of a block whose checksum is right.
#include "exchangeprobe.h"
#include "fuzzcheck.h"
#include "fuzzdialogs.h"
#include "fuzzsheet.h"
#include "scriptedserial.h"

#include "app/exchangecommands.h"
#include "app/plandocument.h"
#include "common/appsettings.h"
#include "link/portholder.h"
#include "link/portsetting.h"
#include "link/programmingexchange.h"
#include "link/programminghistory.h"
#include "link/programmingsession.h"
#include "link/radioprotocol.h"
#include "radio/backupstore.h"
#include "radio/decoder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QScopeGuard>
#include <QTemporaryDir>

using namespace kav;

namespace {

struct Box
{
    QString title;
    MessageIcon icon;
    MessageButtons buttons;
};

const QMap<QString, Box> &programBoxes()
{
    static const QMap<QString, Box> boxes{
        {QStringLiteral("Read from Radio?"), {QStringLiteral("Read"), MessageIcon::Question, MessageButtons::YesNo}},
        {QStringLiteral("Write Data to Radio?"),
         {QStringLiteral("Write"), MessageIcon::Question, MessageButtons::YesNo}},
        {QStringLiteral("Please Re-Select available COM PORT"), {QString(), MessageIcon::None, MessageButtons::Ok}},
        {QStringLiteral("Communication Error"), {QStringLiteral("Error"), MessageIcon::Critical, MessageButtons::Ok}},
        {QStringLiteral("Write Error"), {QStringLiteral("Error"), MessageIcon::Critical, MessageButtons::Ok}},
        {QStringLiteral("Connection Error to Radio"),
         {QStringLiteral("Error"), MessageIcon::Critical, MessageButtons::Ok}},
        {QStringLiteral("Data is Empty"), {QStringLiteral("No Data"), MessageIcon::Critical, MessageButtons::Ok}},
        {QStringLiteral("Confirm Frequency Range!"),
         {QStringLiteral("Error"), MessageIcon::Critical, MessageButtons::Ok}},
    };
    return boxes;
}

bool isQuestion(const MessageRequest &box)
{
    return box.buttons == MessageButtons::YesNo;
}

// Sheets a WRITE may find: empty, a plan, one field, and one that cannot be encoded.
void fillSheet(FuzzSheet &sheet, int variant)
{
    // In kEntryOrder: CH1-CH3 RX, then CH1-CH3 TX.
    static const char *const sheets[][6] = {
        {"", "", "", "", "", ""},
        {"40.0125", "38.0000", "42.3000", "40.5000", "", "41.0500"},
        {"", "", "", "", "", "39.9875"},
        {"105.0000", "", "", "", "", ""},
    };
    for (size_t i = 0; i < kEntryOrder.size(); ++i)
        sheet.setFieldText(kEntryOrder[i], QString::fromLatin1(sheets[variant % 4][i]));
}

class Input
{
public:
    Input(const std::uint8_t *bytes, std::size_t size) : m_bytes(bytes), m_size(size) {}
    bool atEnd() const { return m_at >= m_size; }
    std::uint8_t next() { return m_at < m_size ? m_bytes[m_at++] : 0; }
    QByteArray take(std::size_t n)
    {
        n = std::min(n, m_size - m_at);
        QByteArray chunk(reinterpret_cast<const char *>(m_bytes + m_at), qsizetype(n));
        m_at += n;
        return chunk;
    }

private:
    const std::uint8_t *m_bytes;
    std::size_t m_size;
    std::size_t m_at = 0;
};

QTemporaryDir *g_folder = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    // Where READ keeps its backups; emptied after every input.
    static QTemporaryDir folder;
    g_folder = &folder;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    Input input(bytes, size);
    PlanDocument document;
    // Two bytes that once chose a starting state; the engine always starts idle.
    (void)input.next();
    (void)input.next();

    ScriptedSerial serial;
    if (input.next() & 1)
        serial.openFromOutside();
    FuzzSheet sheet;
    for (const PlanField field : kPlanFields)
        sheet.setFieldText(field, QStringLiteral("shown before"));
    FuzzDialogs dialogs;
    bool errorShownOpen = false;
    dialogs.onMessage = [&](const MessageRequest &box) {
        const auto known = programBoxes().constFind(box.text);
        FUZZ_CHECK(known != programBoxes().cend());
        FUZZ_CHECK(box.title == known->title && box.icon == known->icon && box.buttons == known->buttons);
        if (box.text == QLatin1String("Communication Error") || box.text == QLatin1String("Write Error") ||
            box.text == QLatin1String("Connection Error to Radio"))
            errorShownOpen = errorShownOpen || serial.isOpen();
    };
    // The choices are off, as in a new application folder: WRITE is one exchange.
    const AppSettings settings(g_folder->path());
    const BackupStore backups(BackupStore::defaultFolder(g_folder->path()));
    const auto removeBackups = qScopeGuard([&backups] { QDir(backups.folder()).removeRecursively(); });
    // Built as start-up builds them: the port's holder, the session on it, the commands.
    PortHolder port(serial);
    ProgrammingSession session(port, [] { return PortTarget{QStringLiteral("/dev/scripted"), {}}; });
    PortSetting portSetting(port, g_folder->path());
    const ProgrammingHistory history(g_folder->filePath(QStringLiteral("history.csv")));
    const auto removeHistory = qScopeGuard([&history] { QFile::remove(history.path()); });
    ExchangeCommands commands(document, sheet, dialogs, session, {settings, backups, history, portSetting});
    ProgrammingExchange &exchange = session.exchange();
    bool completed = false;
    RadioImage readImage; // the image of the last read that completed
    int ended = 0;
    QObject::connect(&exchange, &ProgrammingExchange::finished, &exchange, [&](const ExchangeResult &result) {
        ended += result.outcome == ExchangeOutcome::Superseded ? 0 : 1; // a click starting over ends the old one
        if (result.kind == ExchangeKind::Read && result.outcome == ExchangeOutcome::Ok) {
            completed = true;
            readImage = result.image;
        }
    });

    for (int event = 0; !input.atEnd() && event < 256; ++event) {
        ChannelPlan sheetBefore = sheet.fields;
        const RadioImage sendBefore = document.sendImage;
        const LinkState stateBefore = exchange.state();
        ended = 0;
        const qsizetype boxesBefore = dialogs.shown.size();
        const qsizetype sentBefore = serial.sent.size();
        completed = false;
        bool readConfirmed = false;
        bool handledReceive = false;

        const std::uint8_t op = input.next();
        switch (op % 10) {
        case 0:
        case 1:
        case 2: // bytes from the radio, in a chunk of 0 to 63
            serial.arrive(input.take(input.next() % 64));
            handledReceive = serial.isOpen();
            break;
        case 3: // a well-formed block, right or wrong checksum, maybe with an acknowledge before it
        {
            QByteArray block = input.take(36);
            block.resize(36);
            RadioImage image = RadioImage::fromLinear(block);
            QByteArray wire = buildImageBlock(image);
            const std::uint8_t how = input.next();
            if (how & 1)
                wire[36] = char(wire[36] ^ 0x01);
            if (how & 2)
                wire.prepend(char(how & 4 ? WireBytes::ReadAccepted : WireBytes::WriteAccepted));
            serial.arrive(wire);
            handledReceive = serial.isOpen();
            break;
        }
        case 4:
            if (input.next() & 1)
                serial.notifyReady();
            else
                serial.notifyOverflow();
            break;
        case 5: // the response timer expires, if armed
            if (exchange.responseTimer().isActive())
                ExchangeProbe::expireResponseTimeout(exchange);
            break;
        case 6:
            serial.vanish();
            break;
        case 7: {
            const std::uint8_t how = input.next();
            serial.failOpen = how & 1;
            serial.failSend = how & 2;
            break;
        }
        case 8: { // READ, answered Yes or No
            const bool yes = input.next() & 1;
            dialogs.answers = {yes ? MessageResult::Yes : MessageResult::No};
            const bool couldOpen = serial.isOpen() || !serial.failOpen;
            const bool idle = !commands.isBusy(); // READ starts nothing while a run goes on
            commands.onReadClicked();
            readConfirmed = yes && couldOpen && idle;
            break;
        }
        case 9: { // WRITE, answered Yes or No, on one of the sheets
            const std::uint8_t how = input.next();
            fillSheet(sheet, how >> 1);
            sheetBefore = sheet.fields;
            dialogs.answers = {how & 1 ? MessageResult::Yes : MessageResult::No};
            commands.onWriteClicked();
            break;
        }
        }
        dialogs.answers.clear();

        FUZZ_CHECK(!errorShownOpen);
        const LinkState state = exchange.state();
        FUZZ_CHECK(state == stateBefore || state != LinkState::Idle);
        FUZZ_CHECK(ended <= 1);
        FUZZ_CHECK(!exchange.responseTimer().isActive() || serial.isOpen());
        if (handledReceive && serial.isOpen())
            FUZZ_CHECK(serial.count() < kImageBlockSize);

        int boxes = 0;
        for (qsizetype i = boxesBefore; i < dialogs.shown.size(); ++i)
            boxes += isQuestion(dialogs.shown[i]) ? 0 : 1;
        FUZZ_CHECK(boxes <= 1);

        for (qsizetype i = sentBefore; i < serial.sent.size(); ++i) {
            const QByteArray &out = serial.sent[i];
            if (out.size() == 1) {
                const std::uint8_t b = std::uint8_t(out[0]);
                FUZZ_CHECK(b == WireBytes::ReadCommand || b == WireBytes::WriteCommand || b == WireBytes::BlockOk ||
                           b == WireBytes::BlockBad);
            } else {
                FUZZ_CHECK(out.size() == kImageBlockSize);
                FUZZ_CHECK(out == buildImageBlock(document.sendImage));
                FUZZ_CHECK(blockChecksumMatches(out));
            }
        }

        if (completed) {
            // The block may have come in several deliveries, the first with the 0x0E.
            FUZZ_CHECK(serial.allTaken.contains(buildImageBlock(readImage)));
            FUZZ_CHECK(sheet.fields == decodePlan(readImage));
            FUZZ_CHECK(!serial.isOpen());
        } else {
            FUZZ_CHECK(sheet.fields == sheetBefore);
            if (readConfirmed)
                FUZZ_CHECK(document.sendImage == RadioImage());
            else if (op % 10 != 9)
                FUZZ_CHECK(document.sendImage == sendBefore);
        }
    }
    return 0;
}
