// libFuzzer target: any bytes read as a data file give records or an EConvertError, never a crash or a
// hang; each record's fields, substituted into a balanced template, give a balanced letter.
#include "CsvFile.h"
#include "Errors.h"
#include "MergeTemplate.h"

#include <cstdint>
#include <cstdlib>

namespace {

bool Balanced(const QByteArray& rtf)
{
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\')
            ++i;
        else if (rtf[i] == '{')
            ++depth;
        else if (rtf[i] == '}' && --depth < 0)
            return false;
    }
    return depth == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    std::vector<QStringList> records;
    try {
        records = ParseCsvRecords(CsvTextFromBytes(bytes));
    } catch (const EConvertError&) {
        return 0;
    }
    static const TMergeTemplate compiled("{\\rtf1\\ansi{\\fonttbl{\\f0 A;}}\\pard{\\b[A]}[B] x [A]\\par}",
        { QStringLiteral("[A]"), QStringLiteral("[B]") });
    for (const QStringList& record : records) {
        if (!Balanced(compiled.Letter({ record.value(0), record.value(1) })))
            std::abort();
    }
    return 0;
}
