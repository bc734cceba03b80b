// The CSV import, fed arbitrary file contents.
//
// Invariants:
// - a refused file always says why;
// - a file beyond the size limit is refused;
// - every plan the import accepts exports, and the export imports back to the
//   same image: nothing the import lets through is a plan the program cannot
//   hand on, and no value changes on the way.
#include "fuzzcheck.h"

#include "radio/plancsv.h"

#include <cstddef>
#include <cstdint>

using namespace kav;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    CsvProblem problem;
    const std::optional<RadioImage> image = parsePlanCsv(bytes, &problem);
    if (!image) {
        FUZZ_CHECK(!problem.reason.isEmpty());
        return 0;
    }
    FUZZ_CHECK(bytes.size() <= kMaxPlanCsvBytes);
    QString reason;
    const std::optional<QByteArray> csv = formatPlanCsv(*image, &reason);
    FUZZ_CHECK(csv.has_value());
    CsvProblem again;
    const std::optional<RadioImage> reimported = parsePlanCsv(*csv, &again);
    FUZZ_CHECK(reimported.has_value());
    FUZZ_CHECK(*reimported == *image);
    return 0;
}
