// The compressed rich text format: byte layout, round trips and damaged files.
#include "CompressedDocument.h"
#include "Errors.h"
#include "RtRichEd.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <zlib.h>

class TestCompressedDocument : public QObject {
    Q_OBJECT
private slots:
    void savedFileIsOneZlibStreamOfTheRtf();
    void roundTripKeepsTheDocument();
    void bytesAfterTheStreamAreIgnored();
    void anyZlibStreamIsRead();
    void damagedFilesRaiseError_data();
    void damagedFilesRaiseError();
    void expansionStopsAtTheLimit();
    void failedSaveKeepsTheOldFile();
};

static QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

static void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

static QByteArray Inflated(const QByteArray& compressed)
{
    QByteArray output(16 << 20, Qt::Uninitialized);
    uLongf size = uLongf(output.size());
    if (uncompress(reinterpret_cast<Bytef*>(output.data()), &size, reinterpret_cast<const Bytef*>(compressed.constData()),
            uLong(compressed.size()))
        != Z_OK)
        return {};
    output.truncate(qsizetype(size));
    return output;
}

static void Fill(TRtRichEdit& editor)
{
    editor.SetSelectedText(QStringLiteral("Compressed letter\rwith a bold word"));
    editor.SetSelectionStart(24);
    editor.SetSelectionLength(4);
    editor.SelectionAttributes().SetStyle({ TFontStyle::fsBold });
}

void TestCompressedDocument::savedFileIsOneZlibStreamOfTheRtf()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("a.rtc"));
    TRtRichEdit editor;
    Fill(editor);
    SaveCompressedDocument(editor, path);
    const QByteArray bytes = ReadAll(path);
    QCOMPARE(bytes.left(2), QByteArray("\x78\x01"));
    QVERIFY(!QFile::exists(path + QStringLiteral(".tmp")));
    QByteArray rtf;
    QBuffer buffer(&rtf);
    buffer.open(QIODevice::WriteOnly);
    editor.Lines()->SaveToStream(buffer);
    QCOMPARE(Inflated(bytes), rtf);
}

void TestCompressedDocument::roundTripKeepsTheDocument()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("a.rtc"));
    TRtRichEdit editor;
    Fill(editor);
    SaveCompressedDocument(editor, path);
    TRtRichEdit copy;
    LoadCompressedDocument(copy, path);
    QCOMPARE(copy.Text(), editor.Text());
    copy.SetSelectionStart(24);
    copy.SetSelectionLength(4);
    QVERIFY(copy.SelectionAttributes().Style().Contains(TFontStyle::fsBold));
}

void TestCompressedDocument::bytesAfterTheStreamAreIgnored()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("a.rtc"));
    TRtRichEdit editor;
    Fill(editor);
    SaveCompressedDocument(editor, path);
    WriteAll(path, ReadAll(path) + QByteArray("trailing garbage \x00\xFF", 19));
    TRtRichEdit copy;
    LoadCompressedDocument(copy, path);
    QCOMPARE(copy.Text(), editor.Text());
}

void TestCompressedDocument::anyZlibStreamIsRead()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("best.rtc"));
    const QByteArray rtf("{\\rtf1\\ansi written by another compressor}");
    QByteArray compressed(1024, Qt::Uninitialized);
    uLongf size = uLongf(compressed.size());
    QCOMPARE(compress2(reinterpret_cast<Bytef*>(compressed.data()), &size, reinterpret_cast<const Bytef*>(rtf.constData()),
                 uLong(rtf.size()), 9),
        Z_OK);
    compressed.truncate(qsizetype(size));
    WriteAll(path, compressed);
    TRtRichEdit editor;
    LoadCompressedDocument(editor, path);
    QCOMPARE(editor.Text(), QStringLiteral("written by another compressor"));
}

void TestCompressedDocument::damagedFilesRaiseError_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("not zlib") << QByteArray("{\\rtf1 plain rich text}");
    QTest::newRow("gzip") << QByteArray("\x1F\x8B\x08\x00\x00\x00\x00\x00", 8);
    QByteArray valid(256, Qt::Uninitialized);
    uLongf size = uLongf(valid.size());
    const QByteArray rtf("{\\rtf1\\ansi some text to compress, long enough to be cut in the middle}");
    compress2(reinterpret_cast<Bytef*>(valid.data()), &size, reinterpret_cast<const Bytef*>(rtf.constData()), uLong(rtf.size()), 1);
    valid.truncate(qsizetype(size));
    QTest::newRow("truncated") << valid.left(valid.size() / 2);
    QByteArray badChecksum = valid;
    badChecksum[badChecksum.size() - 1] = char(badChecksum.back() ^ 0x55);
    QTest::newRow("wrong checksum") << badChecksum;
}

void TestCompressedDocument::damagedFilesRaiseError()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("bad.rtc"));
    WriteAll(path, bytes);
    TRtRichEdit editor;
    editor.SetSelectedText(QStringLiteral("kept"));
    try {
        LoadCompressedDocument(editor, path);
        QFAIL("no error raised");
    } catch (const EConvertError& error) {
        QCOMPARE(error.Message(), QStringLiteral("error"));
    }
    QCOMPARE(editor.Text(), QStringLiteral("kept"));
}

void TestCompressedDocument::expansionStopsAtTheLimit()
{
    // A few kilobytes that would inflate to far more than the editor may hold.
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("bomb.rtc"));
    const QByteArray zeros(4 << 20, 'a');
    QByteArray compressed(64 * 1024, Qt::Uninitialized);
    uLongf size = uLongf(compressed.size());
    QCOMPARE(compress2(reinterpret_cast<Bytef*>(compressed.data()), &size, reinterpret_cast<const Bytef*>(zeros.constData()),
                 uLong(zeros.size()), 9),
        Z_OK);
    compressed.truncate(qsizetype(size));
    WriteAll(path, compressed);
    TRtRichEdit editor;
    editor.SetMaxLength(1000);
    QVERIFY_THROWS_EXCEPTION(EConvertError, LoadCompressedDocument(editor, path));
}

void TestCompressedDocument::failedSaveKeepsTheOldFile()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("keep.rtc"));
    WriteAll(path, QByteArray("old content"));
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("keep.rtc.tmp")));
    TRtRichEdit editor;
    Fill(editor);
    QVERIFY_THROWS_EXCEPTION(EFCreateError, SaveCompressedDocument(editor, path));
    QCOMPARE(ReadAll(path), QByteArray("old content"));
}

QTEST_MAIN(TestCompressedDocument)
#include "tst_compressed_document.moc"
