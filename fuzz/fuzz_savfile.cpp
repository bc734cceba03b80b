// The *.sav reader, fed arbitrary file contents: on a device, and as a real
// file opened through OPEN.
//
// Invariants:
// - the reader accepts exactly what an independent reading of the format
//   accepts (36 lines ended by CR or CR LF, the last possibly by the end of
//   the data; each line blanks, digits with at most one point, blanks; at most
//   64 characters; rounded half to even; at most 255), with the same bytes;
// - it never takes more than a bounded prefix of the data;
// - the writer's output of an accepted image reads back identically, and is
//   180 bytes when every byte is a digit;
// - OPEN of a refused file shows only "This is not Saved File" and leaves the
//   sheet and its document as they were; OPEN of an accepted one shows no box
//   and puts the file flags and the plan in place.
#include "countingdevice.h"
#include "fuzzcheck.h"
#include "fuzzdialogs.h"
#include "fuzzsheet.h"

#include "app/filecommands.h"
#include "app/plandocument.h"
#include "radio/decoder.h"
#include "radio/frequencyfile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <optional>
#include <string>

using namespace kav;

namespace {

QTemporaryDir *g_folder = nullptr;

// Rounds the decimal text digits[.fraction] half to even, from the text alone.
std::optional<int> referenceValue(const std::string &text)
{
    std::size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return std::nullopt;
    const std::size_t end = text.find_last_not_of(" \t") + 1;
    const std::string number = text.substr(begin, end - begin);
    const std::size_t point = number.find('.');
    const std::string whole = number.substr(0, point);
    std::string fraction = point == std::string::npos ? std::string() : number.substr(point + 1);
    if (whole.empty() && fraction.empty())
        return std::nullopt;
    for (char c : whole + fraction)
        if (c < '0' || c > '9')
            return std::nullopt;
    const std::size_t significant = whole.find_first_not_of('0');
    const std::string digits = significant == std::string::npos ? std::string() : whole.substr(significant);
    if (digits.size() > 3)
        return std::nullopt;
    int value = digits.empty() ? 0 : std::stoi(digits);
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    if (!fraction.empty() && (fraction[0] > '5' || (fraction[0] == '5' && (fraction.size() > 1 || value % 2 == 1))))
        ++value;
    if (value > 255)
        return std::nullopt;
    return value;
}

std::optional<RadioImage> referenceRead(const std::string &data)
{
    RadioImage image;
    std::size_t at = 0;
    for (int line = 0; line < kSavedFileLines; ++line) {
        if (at >= data.size())
            return std::nullopt;
        std::size_t cr = data.find('\r', at);
        const std::size_t stop = cr == std::string::npos ? data.size() : cr;
        const std::string text = data.substr(at, stop - at);
        if (text.size() > std::size_t(kMaxSavedLineLength))
            return std::nullopt;
        const std::optional<int> value = referenceValue(text);
        if (!value)
            return std::nullopt;
        image.at(line) = std::uint8_t(*value);
        at = stop + 1;
        if (cr != std::string::npos && at < data.size() && data[at] == '\n')
            ++at;
    }
    return image;
}

bool sameDocument(const PlanDocument &a, const PlanDocument &b)
{
    return a.sendImage == b.sendImage && a.fileName == b.fileName && a.fromFile == b.fromFile;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    g_folder = new QTemporaryDir(); // lives as long as the process
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    const char *data = reinterpret_cast<const char *>(bytes);
    const std::string text(data, size);

    CountingDevice device(data, qint64(size));
    const std::optional<RadioImage> image = readFrequencyFile(&device);
    // Each line costs at most its longest text, one character more to see
    // that it is too long, the CR and a peeked LF.
    FUZZ_CHECK(device.consumed() <= kSavedFileLines * (kMaxSavedLineLength + 3));

    const std::optional<RadioImage> expected = referenceRead(text);
    FUZZ_CHECK(image.has_value() == expected.has_value());
    if (image) {
        FUZZ_CHECK(*image == *expected);

        const QByteArray written = formatFrequencyFile(*image);
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        FUZZ_CHECK(writeFrequencyFile(&buffer, *image));
        FUZZ_CHECK(buffer.data() == written);
        buffer.seek(0);
        const std::optional<RadioImage> again = readFrequencyFile(&buffer);
        FUZZ_CHECK(again.has_value() && *again == *image);
        bool digits = true;
        for (int i = 0; i < RadioImage::kSize; ++i)
            digits = digits && image->at(i) <= 9;
        FUZZ_CHECK(!digits || written.size() == 180);
    }

    // OPEN through the program, on a real file.
    const QString path = g_folder->filePath(QStringLiteral("plan.sav"));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(data, qint64(size)) == qint64(size));
    }
    PlanDocument document;
    document.sendImage.at(3) = 7;
    document.fileName = QStringLiteral("/earlier/plan.sav");
    FuzzSheet sheet;
    sheet.model = QStringLiteral("KV-7719NEW");
    sheet.setFieldText(PlanField{1, Direction::Rx}, QStringLiteral("40.5000"));
    const PlanDocument before = document;

    FuzzDialogs dialogs;
    dialogs.path = path;
    FileCommands commands(document, sheet, dialogs);
    commands.onOpenClicked();

    if (image) {
        FUZZ_CHECK(dialogs.shown.isEmpty());
        FUZZ_CHECK(document.sendImage == before.sendImage); // OPEN does not touch what is sent or saved
        FUZZ_CHECK(document.fromFile && document.fileName == path);
        FUZZ_CHECK(sheet.model == QLatin1String("KV-7719NEW"));
        for (const PlanField field : kPlanFields) {
            const double value = decodeFrequency(*image, field);
            FUZZ_CHECK(sheet.fieldText(field) == (value > 0.0 ? formatFrequencyText(value) : QString()));
        }
    } else {
        FUZZ_CHECK(dialogs.shown.size() == 1);
        const MessageRequest &box = dialogs.shown.first();
        FUZZ_CHECK(box.text == QLatin1String("This is not Saved File") && box.title == QLatin1String("Error") &&
                   box.icon == MessageIcon::Critical && box.buttons == MessageButtons::Ok);
        FUZZ_CHECK(sameDocument(document, before));
        FUZZ_CHECK(sheet.fieldText(PlanField{1, Direction::Rx}) == QLatin1String("40.5000") &&
                   sheet.fieldText(PlanField{0, Direction::Rx}).isEmpty());
    }
    return 0;
}
