// The PDF writer's bytes: object numbers, offsets, lengths and escaping, checked without windows.
#include "Bitmap.h"
#include "Errors.h"
#include "TPdfWriter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <zlib.h>

class TestPdfWriter : public QObject {
    Q_OBJECT
private slots:
    void objectsAreNumberedInTheirFixedOrder();
    void everyXrefEntryPointsAtItsObject_data();
    void everyXrefEntryPointsAtItsObject();
    void lengthObjectsGiveTheStreamBytes_data();
    void lengthObjectsGiveTheStreamBytes();
    void emptyPageHoldsTheDeflateOfNothing();
    void placementLineOfAnA4Page();
    void pictureRowsAreRedGreenBlue();
    void infoStringsAreEscaped();
    void titleOutsideTheCodePageIsUtf16();
    void everyLineEndsInCrLf();
    void qpdfAcceptsTheFile();
    void scratchFolderIsPrivateAndGoes();
    void failedSaveLeavesTheOldFile();
    void twoWritersDoNotShareScratchFiles();
    void sameDocumentGivesTheSameBytes();
};

namespace {

TBitmap Picture(int width, int height, quint8 blue, quint8 green, quint8 red)
{
    TBitmap picture(width, height, 32);
    for (int row = 0; row < height; ++row) {
        BYTE* pixel = picture.ScanLine(row);
        for (int column = 0; column < width; ++column, pixel += 4) {
            pixel[0] = blue;
            pixel[1] = green;
            pixel[2] = red;
            pixel[3] = 0xFF;
        }
    }
    return picture;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes pages × picturesPerPage pictures and returns the file's bytes.
QByteArray Write(const QString& path, int pages, int picturesPerPage, bool compress = true)
{
    TPdfWriter writer;
    writer.SetFileName(path);
    writer.SetCompress(compress);
    writer.SetCreationDate(QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)));
    writer.BeginDoc();
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.NewPage();
        for (int picture = 0; picture < picturesPerPage; ++picture)
            writer.DrawBitmap(10 * picture, 20, Picture(17 + page, 9 + picture, 0x10, 0x20, 0x30));
    }
    writer.EndDoc();
    return ReadAll(path);
}

// The byte offset the xref table gives for each object, from 1.
QList<qint64> XrefOffsets(const QByteArray& file, qint64* start = nullptr)
{
    const qsizetype at = file.lastIndexOf("startxref\r\n");
    const qint64 xref = file.mid(at + 11, file.indexOf('\r', at + 11) - at - 11).toLongLong();
    if (start)
        *start = xref;
    QList<qint64> offsets;
    const qsizetype header = file.indexOf("\r\n", file.indexOf("\r\n", xref) + 2) + 2; // after "0 N+1"
    const qsizetype first = header + 20; // after the free entry
    for (qsizetype entry = first; file.mid(entry, 7) != "trailer"; entry += 20)
        offsets << file.mid(entry, 10).toLongLong();
    return offsets;
}

QByteArray ObjectBody(const QByteArray& file, int number)
{
    const QList<qint64> offsets = XrefOffsets(file);
    const qint64 start = offsets[number - 1];
    const qsizetype end = file.indexOf("endobj\r\n", start);
    return file.mid(start, end - start);
}

} // namespace

void TestPdfWriter::objectsAreNumberedInTheirFixedOrder()
{
    QTemporaryDir folder;
    const QByteArray file = Write(folder.filePath(QStringLiteral("two.pdf")), 2, 1);
    QVERIFY(file.contains("/Size 28\r\n"));
    QVERIFY(ObjectBody(file, 1).contains("/Producer ("));
    QVERIFY(ObjectBody(file, 2).contains("<< /Length 3 0 R\r\n"));
    QVERIFY(ObjectBody(file, 4).contains("<< /Length 5 0 R\r\n"));
    QVERIFY(ObjectBody(file, 6).contains("/Type /Outlines"));
    QVERIFY(ObjectBody(file, 7).contains("/BaseFont /Helvetica\r\n"));
    QVERIFY(ObjectBody(file, 20).contains("/BaseFont /ZapfDingbats\r\n/Encoding /WinAnsiEncoding"));
    QVERIFY(ObjectBody(file, 21).contains("/Kids [\r\n25 0 R\r\n26 0 R\r\n]\r\n/Count 2\r\n"));
    QVERIFY(ObjectBody(file, 22).contains("/XObject << \r\n/Im1 23 0 R\r\n/Im2 24 0 R\r\n>>\r\n/Font << \r\n/F1 7 0 R \r\n"));
    QVERIFY(ObjectBody(file, 23).contains("/Name /Im1\r\n"));
    QVERIFY(ObjectBody(file, 24).contains("/Width 18\r\n"));
    QVERIFY(ObjectBody(file, 25).contains("/Contents 2 0 R\r\n/Resources 22 0 R\r\n"));
    QVERIFY(ObjectBody(file, 26).contains("/Contents 4 0 R\r\n"));
    QVERIFY(ObjectBody(file, 27).contains("<< /Type /Catalog\r\n/Pages 21 0 R\r\n/Outlines 6 0 R\r\n>>"));
    QVERIFY(file.contains("/Root 27 0 R\r\n/Info 1 0 R\r\n"));
}

void TestPdfWriter::everyXrefEntryPointsAtItsObject_data()
{
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("pictures");
    QTest::addColumn<bool>("compress");
    QTest::newRow("one empty page") << 1 << 0 << true;
    QTest::newRow("three pages, two pictures each") << 3 << 2 << true;
    QTest::newRow("raw") << 2 << 1 << false;
}

void TestPdfWriter::everyXrefEntryPointsAtItsObject()
{
    QFETCH(int, pages);
    QFETCH(int, pictures);
    QFETCH(bool, compress);
    QTemporaryDir folder;
    const QByteArray file = Write(folder.filePath(QStringLiteral("x.pdf")), pages, pictures, compress);
    qint64 xref = 0;
    const QList<qint64> offsets = XrefOffsets(file, &xref);
    const int objects = 2 * pages + 18 + pages * pictures + pages + 1;
    QCOMPARE(offsets.size(), objects);
    for (int number = 1; number <= objects; ++number)
        QCOMPARE(file.mid(offsets[number - 1], QByteArray::number(number).size() + 8), QByteArray::number(number) + " 0 obj\r\n");
    QCOMPARE(file.mid(xref, 6), QByteArray("xref\r\n"));
    QCOMPARE(file.mid(xref + 6, file.indexOf("\r\n", xref + 6) - xref - 6), "0 " + QByteArray::number(objects + 1));
    QVERIFY(file.contains("0000000000 65535 f\r\n"));
    QVERIFY(file.endsWith("startxref\r\n" + QByteArray::number(xref) + "\r\n%%EOF\r\n"));
    QCOMPARE(file.contains("/Filter [/FlateDecode]\r\n"), compress);
}

void TestPdfWriter::lengthObjectsGiveTheStreamBytes_data()
{
    QTest::addColumn<bool>("compress");
    QTest::newRow("deflated") << true;
    QTest::newRow("raw") << false;
}

void TestPdfWriter::lengthObjectsGiveTheStreamBytes()
{
    QFETCH(bool, compress);
    QTemporaryDir folder;
    const QByteArray file = Write(folder.filePath(QStringLiteral("l.pdf")), 2, 2, compress);
    for (int page = 1; page <= 2; ++page) {
        const QByteArray content = ObjectBody(file, 2 * page);
        const qsizetype data = content.indexOf("stream\r\n") + 8;
        const qsizetype end = content.lastIndexOf("endstream\r\n");
        const QByteArray length = ObjectBody(file, 2 * page + 1);
        QCOMPARE(length.mid(length.indexOf("\r\n") + 2).trimmed().toLongLong(), qint64(end - data));
        QByteArray commands = content.mid(data, end - data);
        if (compress) {
            QByteArray inflated(4096, 0);
            uLongf size = uLongf(inflated.size());
            QCOMPARE(uncompress(reinterpret_cast<Bytef*>(inflated.data()), &size,
                         reinterpret_cast<const Bytef*>(commands.constData()), uLong(commands.size())),
                Z_OK);
            commands = inflated.left(qsizetype(size));
        }
        QVERIFY(commands.startsWith("q\r\n"));
        QVERIFY(commands.contains(QByteArray("/Im") + QByteArray::number(2 * page - 1) + " Do\r\nQ\r\n"));
    }
    // The picture's /Length is its stream's exact size, followed by a line break and "endstream".
    const int pictureObject = 2 * 2 + 18 + 1;
    const QByteArray picture = ObjectBody(file, pictureObject);
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("/Length (\\d+)\r\n"))
                                              .match(QString::fromLatin1(picture));
    QVERIFY(match.hasMatch());
    const qsizetype data = picture.indexOf(">>\r\nstream\r\n") + 12;
    QCOMPARE(picture.mid(data + match.captured(1).toLongLong()), QByteArray("\r\nendstream\r\n"));
    if (!compress)
        QCOMPARE(match.captured(1).toLongLong(), qint64(17 * 9 * 3));
}

void TestPdfWriter::emptyPageHoldsTheDeflateOfNothing()
{
    QTemporaryDir folder;
    const QByteArray file = Write(folder.filePath(QStringLiteral("e.pdf")), 1, 0);
    const QByteArray nothing("\x78\x9C\x03\x00\x00\x00\x00\x01", 8);
    QVERIFY(ObjectBody(file, 2).endsWith("stream\r\n" + nothing + "endstream\r\n"));
    QVERIFY(ObjectBody(file, 3).endsWith("\r\n8\r\n"));
    QVERIFY(file.contains("/XObject << \r\n>>\r\n"));
}

void TestPdfWriter::placementLineOfAnA4Page()
{
    TPdfWriter writer;
    writer.SetPageWidth(596);
    writer.SetPageHeight(842);
    QCOMPARE(writer.PlacementLine(25, 20, 693, 950), QByteArray("537 0 0 784 25 38 cm"));
    // 864 × 104 / 768 is exactly 117; scaling by 104 / 768 in floating point gives 116.99999999999999.
    writer.SetPageWidth(104);
    QCOMPARE(writer.PlacementLine(0, 0, 864, 1020), QByteArray("117 0 0 842 0 0 cm"));
}

void TestPdfWriter::pictureRowsAreRedGreenBlue()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("p.pdf"));
    TPdfWriter writer;
    writer.SetFileName(path);
    writer.SetCompress(false);
    writer.BeginDoc();
    TBitmap picture(2, 1, 24);
    BYTE* row = picture.ScanLine(0);
    const BYTE bytes[] = { 1, 2, 3, 4, 5, 6 };
    std::copy(std::begin(bytes), std::end(bytes), row);
    writer.DrawBitmap(0, 0, picture);
    writer.EndDoc();
    QVERIFY(ReadAll(path).contains("stream\r\n\x01\x02\x03\x04\x05\x06\r\nendstream"));
}

void TestPdfWriter::infoStringsAreEscaped()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("i.pdf"));
    TPdfWriter writer;
    writer.SetFileName(path);
    writer.SetTITLE(QStringLiteral("a(b)c\\d é€"));
    writer.SetCreationDate(QDateTime(QDate(2026, 12, 9), QTime(23, 4, 5)));
    writer.BeginDoc();
    writer.EndDoc();
    const QByteArray info = ObjectBody(ReadAll(path), 1);
    QVERIFY(info.contains("/Title (a\\(b\\)c\\\\d \xE9\x80)\r\n"));
    QVERIFY(info.contains("/CreationDate (D:20261209230405)\r\n/Creator ("));
    QVERIFY(info.endsWith("/ModDate ()\r\n>>\r\n"));
}

void TestPdfWriter::titleOutsideTheCodePageIsUtf16()
{
    // U+0129 has no byte in Windows-1252; 0x29 in its low byte must be escaped too.
    QCOMPARE(TPdfWriter::LiteralString(QStringLiteral("\u0129")), QByteArray("\xFE\xFF\x01\\\x29", 5));
    QCOMPARE(TPdfWriter::LiteralString(QStringLiteral("\u0416")), QByteArray("\xFE\xFF\x04\x16", 4));
}

void TestPdfWriter::everyLineEndsInCrLf()
{
    QTemporaryDir folder;
    const QByteArray file = Write(folder.filePath(QStringLiteral("c.pdf")), 2, 1, false);
    // Outside the picture data every LF follows a CR.
    const QByteArray head = file.left(file.indexOf("/Type /XObject"));
    for (qsizetype at = head.indexOf('\n'); at >= 0; at = head.indexOf('\n', at + 1))
        QCOMPARE(head.at(at - 1), '\r');
    QVERIFY(file.startsWith("%PDF-1.4\r\n1 0 obj\r\n<<\r\n"));
}

void TestPdfWriter::qpdfAcceptsTheFile()
{
    const QString qpdf = QStandardPaths::findExecutable(QStringLiteral("qpdf"));
    if (qpdf.isEmpty())
        QSKIP("qpdf is not installed (scripts/install-deps.sh installs it)");
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("q.pdf"));
    Write(path, 3, 1);
    QProcess process;
    process.start(qpdf, { QStringLiteral("--check"), path });
    QVERIFY(process.waitForFinished(60000));
    const QByteArray output = process.readAllStandardOutput() + process.readAllStandardError();
    QVERIFY2(process.exitCode() == 0, output.constData());
    QVERIFY2(!output.contains("WARNING"), output.constData());
}

void TestPdfWriter::scratchFolderIsPrivateAndGoes()
{
    QTemporaryDir folder;
    QString scratch;
    {
        TPdfWriter writer;
        writer.SetFileName(folder.filePath(QStringLiteral("s.pdf")));
        writer.BeginDoc();
        writer.DrawBitmap(0, 0, Picture(3, 3, 0, 0, 0));
        scratch = writer.ScratchFolder();
        QTRY_VERIFY(QFile::exists(QDir(scratch).filePath(QStringLiteral("~tmpim1")))); // saved on another thread
        QCOMPARE(QFile::permissions(scratch) & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther), QFile::Permissions());
        writer.EndDoc();
        QVERIFY(!QFile::exists(scratch));
        writer.BeginDoc();
        writer.DrawBitmap(0, 0, Picture(3, 3, 0, 0, 0));
        scratch = writer.ScratchFolder();
    } // destroyed in the middle of a document
    QVERIFY(!QFile::exists(scratch));
}

void TestPdfWriter::failedSaveLeavesTheOldFile()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("old.pdf"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old bytes");
    }
    // Abandoned in the middle of a document: the old file stays as it was.
    {
        TPdfWriter writer;
        writer.SetFileName(path);
        writer.BeginDoc();
        writer.DrawBitmap(0, 0, Picture(3, 3, 0, 0, 0));
    }
    QCOMPARE(ReadAll(path), QByteArray("old bytes"));
    // A target that cannot be written (a folder here) fails, and the scratch files still go.
    TPdfWriter writer;
    writer.SetFileName(folder.path());
    writer.BeginDoc();
    writer.DrawBitmap(0, 0, Picture(3, 3, 0, 0, 0));
    const QString scratch = writer.ScratchFolder();
    QVERIFY_THROWS_EXCEPTION(EFCreateError, writer.EndDoc());
    QVERIFY(!QFile::exists(scratch));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("old.pdf") });
}

void TestPdfWriter::twoWritersDoNotShareScratchFiles()
{
    QTemporaryDir folder;
    TPdfWriter first;
    TPdfWriter second;
    first.SetFileName(folder.filePath(QStringLiteral("1.pdf")));
    second.SetFileName(folder.filePath(QStringLiteral("2.pdf")));
    first.SetCompress(false);
    second.SetCompress(false);
    first.BeginDoc();
    second.BeginDoc();
    QVERIFY(first.ScratchFolder() != second.ScratchFolder());
    first.DrawBitmap(0, 0, Picture(1, 1, 0x11, 0x11, 0x11));
    second.DrawBitmap(0, 0, Picture(1, 1, 0x22, 0x22, 0x22));
    first.EndDoc();
    second.EndDoc();
    QVERIFY(ReadAll(first.FileName()).contains("stream\r\n\x11\x11\x11\r\n"));
    QVERIFY(ReadAll(second.FileName()).contains("stream\r\n\x22\x22\x22\r\n"));
}

void TestPdfWriter::sameDocumentGivesTheSameBytes()
{
    // Pictures are deflated on other threads; the file must not depend on which finishes first.
    QTemporaryDir folder;
    const QByteArray first = Write(folder.filePath(QStringLiteral("a.pdf")), 5, 3);
    const QByteArray second = Write(folder.filePath(QStringLiteral("b.pdf")), 5, 3);
    QCOMPARE(first.size(), second.size());
    QVERIFY(first == second);
}

QTEST_GUILESS_MAIN(TestPdfWriter)
#include "tst_pdf_writer.moc"
