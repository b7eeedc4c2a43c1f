// libFuzzer target: any bytes read as a data file give records or an EConvertError, never a crash or a
// hang; each record's fields, substituted into a balanced template, give a balanced letter that
// reads back to the values as text.
#include "CsvFile.h"
#include "Errors.h"
#include "MergeTemplate.h"
#include "RtfReader.h"

#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>

#include <cstdint>
#include <cstdio>
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

// Values the letter must show exactly as they are: no line breaks or other controls, which the
// letter rightly turns into paragraph marks, and no halves of surrogate pairs.
bool ShownAsIs(const QString& value)
{
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c.unicode() < 0x20 || c.isSurrogate() || c.isNonCharacter() || c.unicode() == 0x7F
            || c.unicode() == 0x2028 || c.unicode() == 0x2029 || c.unicode() == 0xFFFC)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(*argc, *argv);
    return 0;
}

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
        const QByteArray letter = compiled.Letter({ record.value(0), record.value(1) });
        if (!Balanced(letter))
            std::abort();
        // Each value is text of the letter, never RTF: reading the letter gives the values back.
        if (!ShownAsIs(record.value(0)) || !ShownAsIs(record.value(1)))
            continue;
        QTextDocument document;
        QTextCursor cursor(&document);
        TRtfReader::Read(letter, cursor);
        // The raw text: the plain text would turn no-break spaces into spaces.
        QString text = document.toRawText();
        if (text.endsWith(QChar::ParagraphSeparator) || text.endsWith(u'\n'))
            text.chop(1);
        const QString expected = record.value(0) + record.value(1) + QStringLiteral(" x ") + record.value(0);
        if (text != expected) {
            std::fprintf(stderr, "letter reads \"%s\", not \"%s\"\n", qPrintable(text), qPrintable(expected));
            std::abort();
        }
    }
    return 0;
}
