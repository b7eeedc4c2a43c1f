// libFuzzer target: a PDF written for any number of pages, page sizes and pictures passes a check of
// its structure: every cross-reference offset points at its object, startxref at the table, and
// every stream is as long as its /Length says.
#include "Bitmap.h"
#include "FuzzSupport.h"
#include "TPdfWriter.h"

#include <QRegularExpression>

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    StartHeadlessApplication(argc, argv);
    return 0;
}

namespace {

// The integer that starts at offset, after blanks.
qint64 IntegerAt(const QByteArray& pdf, qsizetype offset)
{
    while (offset < pdf.size() && (pdf[offset] == ' ' || pdf[offset] == '\r' || pdf[offset] == '\n'))
        ++offset;
    qsizetype end = offset;
    while (end < pdf.size() && pdf[end] >= '0' && pdf[end] <= '9')
        ++end;
    Require(end > offset);
    return pdf.mid(offset, end - offset).toLongLong();
}

void CheckStructure(const QByteArray& pdf)
{
    Require(pdf.startsWith("%PDF-1.4"));
    Require(pdf.trimmed().endsWith("%%EOF"));
    const qsizetype startxref = pdf.lastIndexOf("startxref");
    Require(startxref > 0);
    const qint64 xref = IntegerAt(pdf, startxref + 9);
    Require(xref > 0 && xref < startxref && pdf.mid(xref, 4) == "xref");
    QList<QByteArray> lines = pdf.mid(xref, startxref - xref).split('\n');
    for (QByteArray& line : lines)
        line = line.trimmed();
    Require(lines.size() > 3);
    const QList<QByteArray> range = lines[1].split(' ');
    Require(range.size() == 2 && range[0] == "0");
    const int count = range[1].toInt();
    Require(count > 1 && lines.size() >= count + 2);
    Require(lines[2] == "0000000000 65535 f");
    std::vector<qint64> offsets(std::size_t(count), 0);
    for (int number = 1; number < count; ++number) {
        const QByteArray& entry = lines[2 + number];
        Require(entry.size() == 18 && entry.endsWith(" 00000 n"));
        offsets[std::size_t(number)] = entry.left(10).toLongLong();
        Require(pdf.mid(offsets[std::size_t(number)]).startsWith(QByteArray::number(number) + " 0 obj"));
    }
    static const QRegularExpression lengthPattern(QStringLiteral("/Length (\\d+)( 0 R)?"));
    for (int number = 1; number < count; ++number) {
        const qint64 offset = offsets[std::size_t(number)];
        const qsizetype end = pdf.indexOf("endobj", offset);
        Require(end > offset);
        const qsizetype dictionaryEnd = pdf.indexOf(">>", offset);
        const qsizetype stream = pdf.indexOf("stream\r\n", offset);
        if (stream < 0 || stream > end || dictionaryEnd > stream || pdf.mid(stream - 3, 3) == "end")
            continue;
        // A stream's /Length, given or in the object it names, is what lies between its line ends.
        const auto match = lengthPattern.match(QString::fromLatin1(pdf.mid(offset, stream - offset)));
        Require(match.hasMatch());
        qint64 length = match.captured(1).toLongLong();
        if (!match.captured(2).isEmpty()) {
            Require(length > 0 && length < count);
            const qint64 target = offsets[std::size_t(length)];
            length = IntegerAt(pdf, target + QByteArray::number(match.captured(1).toLongLong()).size() + 6);
        }
        const qsizetype body = stream + 8;
        Require(body + length <= pdf.size());
        const QByteArray after = pdf.mid(body + length, 11);
        Require(after.startsWith("endstream") || after.startsWith("\r\nendstream") || after.startsWith("\nendstream"));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    std::size_t at = 0;
    auto next = [&]() -> std::uint8_t { return at < size ? data[at++] : 0; };
    TPdfWriter writer;
    writer.SetFileName(ScratchFile({}, QStringLiteral("out.pdf")));
    writer.SetPageWidth(72 + next() * 4);
    writer.SetPageHeight(72 + next() * 4);
    writer.SetCompress(next() & 1);
    writer.SetTITLE(QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(std::min<std::size_t>(size, 12))));
    writer.SetCreationDate(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
    writer.BeginDoc();
    const int pages = 1 + next() % 12;
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.NewPage();
        const int pictures = next() % 3;
        for (int i = 0; i < pictures; ++i) {
            TBitmap picture(1 + next() % 16, 1 + next() % 16, (next() & 1) ? 32 : 24);
            for (int y = 0; y < picture.Height(); ++y)
                for (int x = 0; x < picture.BytesPerLine(); ++x)
                    picture.ScanLine(y)[x] = BYTE(next());
            writer.DrawBitmap(next(), next(), picture);
        }
    }
    writer.EndDoc();
    QFile file(writer.FileName());
    Require(file.open(QIODevice::ReadOnly));
    CheckStructure(file.readAll());
    return 0;
}
