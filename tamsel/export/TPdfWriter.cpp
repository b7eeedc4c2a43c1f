// TPdfWriter.cpp: the PDF writer. Objects are numbered in the order they are written, so every
// number is known from the page and picture counts alone.
#include "TPdfWriter.h"
#include "Bitmap.h"
#include "Errors.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include <zlib.h>

#include <array>
#include <cstring>

namespace {

constexpr char CRLF[] = "\r\n";
// "stream" and its line end, "endstream" and its line end, "endobj" and its line end.
constexpr qsizetype StreamFraming = 8 + 11 + 8;
// Pictures deflated at once: one per core of a small machine, each holding one page picture.
constexpr std::size_t MaxPictureJobs = 2;

const std::array<const char*, 14> BaseFonts { "Helvetica", "Helvetica-Bold", "Helvetica-Oblique",
    "Helvetica-BoldOblique", "Courier", "Courier-Bold", "Courier-Oblique", "Courier-BoldOblique", "Times-Roman",
    "Times-Bold", "Times-Italic", "Times-BoldItalic", "Symbol", "ZapfDingbats" };

QByteArray Number(qint64 value) { return QByteArray::number(value); }

QByteArray Line(const QByteArray& text) { return text + CRLF; }

QByteArray ObjectStart(int number) { return Line(Number(number) + " 0 obj"); }

QByteArray Reference(int number) { return Number(number) + " 0 R"; }

// The bytes 0x80..0x9F of Windows-1252; 0 where the code page has no character.
constexpr std::array<char16_t, 32> Cp1252High { 0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6,
    0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC,
    0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178 };

bool Cp1252Byte(char16_t c, char& byte)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        byte = char(c);
        return true;
    }
    for (std::size_t i = 0; i < Cp1252High.size(); ++i) {
        if (Cp1252High[i] != 0 && Cp1252High[i] == c) {
            byte = char(0x80 + i);
            return true;
        }
    }
    return false;
}

void WriteAll(QSaveFile& file, const char* data, qint64 size)
{
    if (file.write(data, size) != size)
        throw EFCreateError(file.fileName());
}

} // namespace

TPdfWriter::TPdfWriter()
    : FAuthor(QStringLiteral("Tamsel Express"))
    , FCreator(QStringLiteral("Tamsel Express"))
    , FProducer(QStringLiteral("Tamsel Express"))
{
}

TPdfWriter::~TPdfWriter() { Abort(); }

void TPdfWriter::SetPixelsPerInch(int x, int y)
{
    if (x <= 0 || y <= 0)
        throw Exception(QStringLiteral("Invalid picture resolution %1 x %2").arg(x).arg(y));
    FPixelsPerInchX = x;
    FPixelsPerInchY = y;
}

QString TPdfWriter::ScratchFolder() const { return FScratch ? FScratch->path() : QString(); }

QString TPdfWriter::ScratchPath(int picture) const
{
    return QDir(FScratch->path()).filePath(QStringLiteral("~tmpim%1").arg(picture));
}

void TPdfWriter::RemoveScratch()
{
    // No picture may still be writing into the folder when it goes.
    for (auto& pending : FPending)
        pending.second.wait();
    FPending.clear();
    FScratch.reset(); // QTemporaryDir removes the folder with everything in it
}

void TPdfWriter::CollectPictures(std::size_t keep)
{
    while (FPending.size() > keep) {
        auto [picture, size] = std::move(FPending.front());
        FPending.pop_front();
        try {
            FPictureSizes[std::size_t(picture - 1)] = size.get(); // rethrows the job's failure
        } catch (const EFCreateError&) {
            // The scratch file's name means nothing to the user; the file being made does.
            throw Exception(QStringLiteral("Cannot create file %1: the temporary folder %2 is full or cannot be written")
                                .arg(FFileName, QDir::toNativeSeparators(ScratchFolder())));
        }
    }
}

void TPdfWriter::RequireOpen(const char* operation) const
{
    if (!FOpen)
        throw Exception(QStringLiteral("%1 without BeginDoc").arg(QLatin1String(operation)));
}

QByteArray TPdfWriter::LiteralString(const QString& value)
{
    QByteArray bytes;
    bytes.reserve(value.size());
    bool single = true;
    for (QChar c : value) {
        char byte = 0;
        if (!Cp1252Byte(c.unicode(), byte)) {
            single = false;
            break;
        }
        bytes += byte;
    }
    if (!single) {
        // Outside the code page the string is written as UTF-16BE, which readers recognise by its mark.
        bytes = QByteArray("\xFE\xFF", 2);
        for (QChar c : value) {
            bytes += char(c.unicode() >> 8);
            bytes += char(c.unicode() & 0xFF);
        }
    }
    QByteArray escaped;
    escaped.reserve(bytes.size() + 8);
    for (char byte : bytes) {
        if (byte == '\\' || byte == '(' || byte == ')')
            escaped += '\\';
        escaped += byte;
    }
    return escaped;
}

QByteArray TPdfWriter::Deflate(const char* data, qsizetype size)
{
    uLongf length = compressBound(uLong(size));
    QByteArray result(qsizetype(length), Qt::Uninitialized);
    const int status = compress2(reinterpret_cast<Bytef*>(result.data()), &length,
        reinterpret_cast<const Bytef*>(data), uLong(size), Z_DEFAULT_COMPRESSION);
    if (status != Z_OK)
        throw EOutOfResources(QStringLiteral("Cannot compress page data (zlib error %1)").arg(status));
    result.truncate(qsizetype(length));
    return result;
}

void TPdfWriter::Append(const QByteArray& piece)
{
    FOutput += piece;
    FRunningOffset += piece.size();
    FOffsets.push_back(FRunningOffset);
}

void TPdfWriter::BeginDoc()
{
    RemoveScratch();
    FOpen = false;
    FObjectCount = 0;
    FRunningOffset = 0;
    FOffsets.clear();
    FContentObjects.clear();
    FPictureCount = 0;
    FPictureSizes.clear();
    FOutput.clear();
    FObject.clear();
    FContent.clear();
    FPageNumber = 1;

    // Owner-only and unique to this document: no other export or user can see or plant its pictures.
    // An empty temporary path (TMPDIR naming no folder) would put the folder in the working directory.
    const QString temporary = QDir::tempPath();
    if (temporary.isEmpty())
        throw Exception(QStringLiteral("Cannot create a scratch folder: the temporary folder %1 does not exist")
                            .arg(qEnvironmentVariable("TMPDIR")));
    FScratch = std::make_unique<QTemporaryDir>(QDir(temporary).filePath(QStringLiteral("tamsel-pdf-XXXXXX")));
    if (!FScratch->isValid()) {
        const QString error = FScratch->errorString();
        FScratch.reset();
        throw Exception(QStringLiteral("Cannot create a scratch folder in %1: %2").arg(QDir::tempPath(), error));
    }
    FOpen = true;

    Append(Line("%PDF-1.4"));

    const QDateTime when = FCreationDate.isValid() ? FCreationDate : QDateTime::currentDateTime();
    FObject = ObjectStart(++FObjectCount);
    FObject += Line("<<");
    FObject += Line("/Producer (" + LiteralString(FProducer) + ")");
    FObject += Line("/Author (" + LiteralString(FAuthor) + ")");
    FObject += Line("/CreationDate (D:" + when.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1() + ")");
    FObject += Line("/Creator (" + LiteralString(FCreator) + ")");
    FObject += Line("/Keywords (" + LiteralString(FKeywords) + ")");
    FObject += Line("/Subject (" + LiteralString(FSubject) + ")");
    FObject += Line("/Title (" + LiteralString(FTitle) + ")");
    FObject += Line("/ModDate ()");
    FObject += Line(">>");
    FObject += Line("endobj");
    Append(FObject);

    BeginContent();
}

// The stream's length is not known until the page is done, so it lives in the object after it.
void TPdfWriter::BeginContent()
{
    const int number = ++FObjectCount;
    FObject = ObjectStart(number);
    FObject += Line("<< /Length " + Reference(number + 1));
    if (FCompress)
        FObject += Line("/Filter [/FlateDecode]");
    FObject += Line(" >>");
    FHeaderSize = FObject.size();
    FObject += Line("stream");
    FContent.clear();
}

void TPdfWriter::FinishContent()
{
    if (FCompress)
        FObject += Deflate(FContent.constData(), FContent.size());
    else
        FObject += FContent;
    FContent.clear();
    FObject += "endstream";
    FObject += CRLF;
    FObject += Line("endobj");
    Append(FObject);
    const qsizetype length = FObject.size() - FHeaderSize - StreamFraming;

    FObject = ObjectStart(++FObjectCount);
    FObject += Line(Number(length));
    FObject += Line("endobj");
    Append(FObject);
    FObject.clear();
}

QByteArray TPdfWriter::PlacementLine(int x, int y, int width, int height) const
{
    // Integer arithmetic gives the exact truncation of width × PageWidth / (8 × dpi) and
    // height × PageHeight / (10.625 × dpi), which floating point can miss by one at whole numbers.
    const qint64 w = qint64(width) * FPageWidth / (8 * qint64(FPixelsPerInchX));
    const qint64 h = qint64(height) * FPageHeight * 8 / (85 * qint64(FPixelsPerInchY));
    const qint64 bottom = qint64(FPageHeight) - y - h;
    return Number(w) + " 0 0 " + Number(h) + " " + Number(x) + " " + Number(bottom) + " cm";
}

void TPdfWriter::DrawBitmap(int x, int y, const TBitmap& picture)
{
    RequireOpen("DrawBitmap");
    const int width = picture.Width();
    const int height = picture.Height();
    if (width <= 0 || height <= 0)
        throw Exception(QStringLiteral("Cannot place an empty picture in a PDF file"));

    const int number = ++FPictureCount;
    const QByteArray name = "/Im" + Number(number);
    FContent += Line("q");
    FContent += Line(PlacementLine(x, y, width, height));
    FContent += Line(name + " Do");
    FContent += Line("Q");

    const int bytesPerPixel = picture.BitsPerPixel() / 8;
    const qsizetype rowBytes = qsizetype(width) * 3;
    QByteArray pixels(rowBytes * height, Qt::Uninitialized);
    char* out = pixels.data();
    for (int row = 0; row < height; ++row, out += rowBytes) {
        const BYTE* in = picture.ScanLine(row);
        if (bytesPerPixel == 3) {
            std::memcpy(out, in, std::size_t(rowBytes));
        } else {
            for (int column = 0; column < width; ++column, in += bytesPerPixel) {
                out[3 * column] = char(in[0]);
                out[3 * column + 1] = char(in[1]);
                out[3 * column + 2] = char(in[2]);
            }
        }
    }
    FPictureSizes.push_back(-1);

    // Deflating a page picture costs far more than laying the page out: it runs beside the next pages.
    auto job = [compress = FCompress, pixels = std::move(pixels), width, height, name, path = ScratchPath(number)]() {
        const QByteArray data = compress ? Deflate(pixels.constData(), pixels.size()) : pixels;
        QByteArray object;
        object.reserve(data.size() + 256);
        object += Line("<< /Type /XObject");
        object += Line("/Subtype /Image");
        object += Line("/Width " + Number(width));
        object += Line("/Height " + Number(height));
        object += Line("/ColorSpace /DeviceRGB");
        object += Line("/BitsPerComponent 8");
        object += Line("/Length " + Number(data.size()));
        object += Line("/Name " + name);
        if (compress)
            object += Line("/Filter [/FlateDecode]");
        object += Line(">>");
        object += Line("stream");
        object += data;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) || file.write(object) != object.size() || !file.flush())
            throw EFCreateError(path);
        return qint64(object.size());
    };
    CollectPictures(MaxPictureJobs - 1);
    FPending.emplace_back(number, std::async(std::launch::async, std::move(job)));
}

void TPdfWriter::NewPage()
{
    RequireOpen("NewPage");
    FinishContent();
    ++FPageNumber;
    BeginContent();
}

void TPdfWriter::Abort()
{
    FOpen = false;
    FPictureSizes.clear();
    FOutput.clear();
    FObject.clear();
    FContent.clear();
    RemoveScratch();
}

void TPdfWriter::EndDoc()
{
    RequireOpen("EndDoc");
    // Whatever happens from here, the document is over and its scratch files go.
    struct TCloser {
        TPdfWriter& writer;
        ~TCloser() { writer.Abort(); }
    } closer { *this };

    FinishContent();
    CollectPictures(0);
    const int pages = FPageNumber;
    const int pictures = FPictureCount;

    const int outlines = ++FObjectCount;
    QByteArray object = ObjectStart(outlines);
    object += Line("<< /Type /Outlines");
    object += Line("/Count 0");
    object += Line(">>");
    object += Line("endobj");
    Append(object);

    std::array<int, 14> fonts {};
    for (std::size_t k = 0; k < BaseFonts.size(); ++k) {
        fonts[k] = ++FObjectCount;
        object = ObjectStart(fonts[k]);
        object += Line("<< /Type /Font");
        object += Line("/Subtype /Type1");
        object += Line("/Name /F" + Number(qint64(k) + 1));
        object += Line(QByteArray("/BaseFont /") + BaseFonts[k]);
        object += Line("/Encoding /WinAnsiEncoding");
        object += Line(">>");
        object += Line("endobj");
        Append(object);
    }

    const int pagesObject = ++FObjectCount;
    object = ObjectStart(pagesObject);
    object += Line("<< /Type /Pages");
    object += Line("/Kids [");
    FContentObjects.clear();
    for (int page = 1; page <= pages; ++page) {
        object += Line(Reference(pagesObject + pictures + 1 + page));
        FContentObjects.push_back(2 * page);
    }
    object += Line("]");
    object += Line("/Count " + Number(FPageNumber));
    object += Line(">>");
    object += Line("endobj");
    Append(object);

    const int resources = ++FObjectCount;
    object = ObjectStart(resources);
    object += Line("<< /ProcSet [ /PDF /Text /ImageC]");
    object += Line("/XObject << ");
    for (int picture = 1; picture <= pictures; ++picture)
        object += Line("/Im" + Number(picture) + " " + Reference(resources + picture));
    object += Line(">>");
    object += Line("/Font << ");
    for (std::size_t k = 0; k < fonts.size(); ++k)
        object += Line("/F" + Number(qint64(k) + 1) + " " + Reference(fonts[k]) + " ");
    object += Line(">>");
    object += Line(">>");
    object += Line("endobj");
    Append(object);

    // The pictures stay on disk: only their sizes are needed to place what follows.
    const QByteArray pictureEnd = QByteArray(CRLF) + Line("endstream") + Line("endobj");
    std::vector<QByteArray> pictureStarts;
    pictureStarts.reserve(std::size_t(pictures));
    for (int picture = 1; picture <= pictures; ++picture) {
        pictureStarts.push_back(ObjectStart(++FObjectCount));
        FRunningOffset += pictureStarts.back().size() + FPictureSizes[std::size_t(picture - 1)] + pictureEnd.size();
        FOffsets.push_back(FRunningOffset);
    }

    QByteArray tail;
    for (int page = 1; page <= pages; ++page) {
        object = ObjectStart(++FObjectCount);
        object += Line("<< /Type /Page");
        object += Line("/Parent " + Reference(pagesObject));
        object += Line("/MediaBox [ 0 0 " + Number(FPageWidth) + " " + Number(FPageHeight) + "]");
        object += Line("/Contents " + Reference(FContentObjects[std::size_t(page - 1)]));
        object += Line("/Resources " + Reference(resources));
        object += Line(">>");
        object += Line("endobj");
        tail += object;
        FRunningOffset += object.size();
        FOffsets.push_back(FRunningOffset);
    }

    const int catalog = ++FObjectCount;
    object = ObjectStart(catalog);
    object += Line("<< /Type /Catalog");
    object += Line("/Pages " + Reference(pagesObject));
    object += Line("/Outlines " + Reference(outlines));
    object += Line(">>");
    object += Line("endobj");
    tail += object;
    FRunningOffset += object.size();
    FOffsets.push_back(FRunningOffset);

    const qint64 xref = FOffsets.back();
    tail += Line("xref");
    tail += Line("0 " + Number(catalog + 1));
    tail += Line("0000000000 65535 f");
    // Entry k of the offset list is where object k+1 begins.
    for (int number = 1; number <= catalog; ++number)
        tail += Line(QByteArray::number(FOffsets[std::size_t(number - 1)]).rightJustified(10, '0') + " 00000 n");
    tail += Line("trailer");
    tail += Line("<< /Size " + Number(catalog + 1));
    tail += Line("/Root " + Reference(catalog));
    tail += Line("/Info 1 0 R");
    tail += Line(">>");
    tail += Line("startxref");
    tail += Line(Number(xref));
    tail += Line("%%EOF");

    QSaveFile file(FFileName);
    if (FFileName.isEmpty() || !file.open(QIODevice::WriteOnly))
        throw EFCreateError(FFileName);
    WriteAll(file, FOutput.constData(), FOutput.size());
    QByteArray chunk;
    for (int picture = 1; picture <= pictures; ++picture) {
        WriteAll(file, pictureStarts[std::size_t(picture - 1)].constData(), pictureStarts[std::size_t(picture - 1)].size());
        QFile scratch(ScratchPath(picture));
        if (!scratch.open(QIODevice::ReadOnly))
            throw EFOpenError(scratch.fileName());
        qint64 copied = 0;
        while (!(chunk = scratch.read(1 << 20)).isEmpty()) {
            WriteAll(file, chunk.constData(), chunk.size());
            copied += chunk.size();
        }
        if (copied != FPictureSizes[std::size_t(picture - 1)])
            throw EFOpenError(scratch.fileName());
        WriteAll(file, pictureEnd.constData(), pictureEnd.size());
    }
    WriteAll(file, tail.constData(), tail.size());
    // commit() alone can miss that the last buffered bytes never reached a full disk.
    if (!file.flush() || !file.commit())
        throw EFCreateError(FFileName);
}
