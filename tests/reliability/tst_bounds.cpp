// Sizes a file declares are checked before the memory is taken: pictures of 100000 x 100000 pixels
// through the picture command and in RTF, metafiles claiming huge records. Each gives a clear error
// (or, inside a document, the picture alone is dropped) and the program goes on.
#include "EnhMetafile.h"
#include "Errors.h"
#include "PictureInsertion.h"
#include "RtRichEd.h"
#include "RtfReader.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include <zlib.h>

namespace {

void Put32(QByteArray& bytes, quint32 value, bool bigEndian = false)
{
    for (int i = 0; i < 4; ++i)
        bytes.append(char(bigEndian ? value >> (24 - 8 * i) : value >> (8 * i)));
}

void Put16(QByteArray& bytes, quint16 value) { bytes.append(char(value & 0xFF)).append(char(value >> 8)); }

QByteArray PngChunk(const char* type, const QByteArray& data)
{
    QByteArray chunk;
    Put32(chunk, quint32(data.size()), true);
    const QByteArray body = QByteArray(type, 4) + data;
    chunk += body;
    Put32(chunk, quint32(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))), true);
    return chunk;
}

// A valid PNG header for the size, with a few bytes of pixels: the decoder would take the header's word.
QByteArray PngHeader(quint32 width, quint32 height)
{
    QByteArray ihdr;
    Put32(ihdr, width, true);
    Put32(ihdr, height, true);
    ihdr.append("\x08\x02\x00\x00\x00", 5);
    const QByteArray pixels = QByteArray::fromHex("789c636000000001000100"); // a little deflated data
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", ihdr) + PngChunk("IDAT", pixels) + PngChunk("IEND", {});
}

QByteArray JpegHeader(quint16 width, quint16 height)
{
    QByteArray jpeg("\xFF\xD8", 2);
    jpeg += QByteArray("\xFF\xC0\x00\x0B\x08", 5);
    jpeg.append(char(height >> 8)).append(char(height & 0xFF)).append(char(width >> 8)).append(char(width & 0xFF));
    jpeg += QByteArray("\x01\x01\x11\x00", 4);
    jpeg += QByteArray("\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00", 10);
    jpeg += QByteArray(64, '\x55');
    jpeg += QByteArray("\xFF\xD9", 2);
    return jpeg;
}

QByteArray BmpHeader(qint32 width, qint32 height)
{
    QByteArray bmp("BM", 2);
    Put32(bmp, 54 + 16);
    Put32(bmp, 0);
    Put32(bmp, 54);
    Put32(bmp, 40);
    Put32(bmp, quint32(width));
    Put32(bmp, quint32(height));
    Put16(bmp, 1);
    Put16(bmp, 24);
    for (int i = 0; i < 6; ++i)
        Put32(bmp, 0);
    return bmp + QByteArray(16, '\x7F');
}

QByteArray GifHeader(quint16 width, quint16 height)
{
    QByteArray gif("GIF89a", 6);
    Put16(gif, width);
    Put16(gif, height);
    gif.append("\x80\x00\x00", 3); // a global table of two colours
    gif.append("\x00\x00\x00\xFF\xFF\xFF", 6);
    gif.append(',');
    Put16(gif, 0);
    Put16(gif, 0);
    Put16(gif, width);
    Put16(gif, height);
    gif.append('\x00');
    gif.append("\x02\x02\x44\x01\x00;", 6);
    return gif;
}

// An enhanced metafile: its header with the frame (0.01 mm) and counts, then the end record.
QByteArray Emf(qint32 frameWidth, qint32 frameHeight, quint32 recordCount, quint32 byteCount, quint32 handles,
    quint32 extraRecordSize = 0)
{
    QByteArray emf;
    Put32(emf, 1); // EMR_HEADER
    Put32(emf, 88);
    for (qint32 v : { 0, 0, frameWidth / 26, frameHeight / 26, 0, 0, frameWidth, frameHeight })
        Put32(emf, quint32(v));
    Put32(emf, 0x464D4520);
    Put32(emf, 0x10000);
    Put32(emf, byteCount);
    Put32(emf, recordCount);
    Put16(emf, quint16(handles));
    Put16(emf, 0);
    for (quint32 v : { 0u, 0u, 0u, 1920u, 1080u, 508u, 286u })
        Put32(emf, v);
    if (extraRecordSize) {
        Put32(emf, 27); // EMR_MOVETOEX claiming a size beyond the file
        Put32(emf, extraRecordSize);
        Put32(emf, 0);
        Put32(emf, 0);
    }
    Put32(emf, 14); // EMR_EOF
    Put32(emf, 20);
    Put32(emf, 0);
    Put32(emf, 16);
    Put32(emf, 20);
    return emf;
}

QByteArray Hex(const QByteArray& bytes) { return bytes.toHex(); }

} // namespace

class TestBounds : public QObject {
    Q_OBJECT
private slots:
    void hugePicturesAreRefusedByTheCommand_data();
    void hugePicturesAreRefusedByTheCommand();
    void hugePicturesInRtfAreDroppedAndTheTextRead_data();
    void hugePicturesInRtfAreDroppedAndTheTextRead();
    void metafileCountsAndSizesAreChecked_data();
    void metafileCountsAndSizesAreChecked();

private:
    QTemporaryDir FDir;
};

void TestBounds::hugePicturesAreRefusedByTheCommand_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("png 100000 x 100000") << "huge.png" << PngHeader(100000, 100000);
    QTest::newRow("png 100000 x 1") << "wide.png" << PngHeader(100000, 1);
    QTest::newRow("png 2^31 x 2^31") << "absurd.png" << PngHeader(0x7FFFFFFF, 0x7FFFFFFF);
    QTest::newRow("jpeg 65535 x 65535") << "huge.jpg" << JpegHeader(65535, 65535);
    QTest::newRow("bmp 100000 x 100000") << "huge.bmp" << BmpHeader(100000, 100000);
    QTest::newRow("bmp 100000 x -100000") << "topdown.bmp" << BmpHeader(100000, -100000);
    QTest::newRow("gif 65535 x 65535") << "huge.gif" << GifHeader(65535, 65535);
    QTest::newRow("emf frame 100000 x 100000 pixels") << "huge.emf" << Emf(2645833, 2645833, 2, 108, 1);
    QTest::newRow("emf record larger than the file") << "record.emf" << Emf(2000, 2000, 3, 124, 1, 0x7FFFFFF0);
}

void TestBounds::hugePicturesAreRefusedByTheCommand()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const QString path = FDir.filePath(name);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    QApplication::clipboard()->setText(QStringLiteral("before"));
    TRtRichEdit editor;
    editor.SetText(QStringLiteral("keep me"));
    QString message;
    try {
        InsertPictureFile(editor, path);
    } catch (const EConvertError& error) {
        message = error.Message();
    }
    QVERIFY2(message.contains(name), qPrintable(message));
    QCOMPARE(editor.Text(), QStringLiteral("keep me"));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));
    // The program goes on: a sound picture goes in afterwards.
    const QString sound = FDir.filePath(QStringLiteral("sound.bmp"));
    QFile small(sound);
    QVERIFY(small.open(QIODevice::WriteOnly));
    QImage(4, 4, QImage::Format_RGB32).save(&small, "BMP");
    small.close();
    InsertPictureFile(editor, sound);
    QCOMPARE(editor.TextLength(), 8);
}

void TestBounds::hugePicturesInRtfAreDroppedAndTheTextRead_data()
{
    QTest::addColumn<QByteArray>("picture");
    QTest::newRow("png 100000 x 100000") << "\\pngblip\\picw100000\\pich100000 " + Hex(PngHeader(100000, 100000));
    QTest::newRow("jpeg 65535 x 65535") << "\\jpegblip\\picw65535\\pich65535 " + Hex(JpegHeader(65535, 65535));
    QTest::newRow("dib 100000 x 100000") << "\\dibitmap0\\picw100000\\pich100000 " + Hex(BmpHeader(100000, 100000).mid(14));
    QTest::newRow("emf claiming 4 GB") << "\\emfblip " + Hex(Emf(2000, 2000, 0xFFFFFFFF, 0xFFFFFFF0, 0xFFFF));
    QTest::newRow("emf record beyond the data") << "\\emfblip " + Hex(Emf(2000, 2000, 3, 124, 1, 0x7FFFFFF0));
    QTest::newRow("goal size far beyond any page") << "\\pngblip\\picwgoal2147483647\\pichgoal2147483647 " + Hex(PngHeader(2, 2));
}

void TestBounds::hugePicturesInRtfAreDroppedAndTheTextRead()
{
    QFETCH(QByteArray, picture);
    const QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard before {\\pict" + picture + "} after\\par}";
    QTextDocument document;
    QTextCursor cursor(&document);
    TRtfReader::Read(rtf, cursor, {});
    const QString text = document.toPlainText();
    QVERIFY2(text.startsWith(QStringLiteral("before")), qPrintable(text));
    QVERIFY2(text.trimmed().endsWith(QStringLiteral("after")), qPrintable(text));
}

void TestBounds::metafileCountsAndSizesAreChecked_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("4 GB of records claimed") << Emf(2000, 2000, 0xFFFFFFFF, 0xFFFFFFF0, 0xFFFF);
    QTest::newRow("a record larger than the file") << Emf(2000, 2000, 3, 124, 1, 0x7FFFFFF0);
    QTest::newRow("a record of 8 bytes short of 4 GB") << Emf(2000, 2000, 3, 124, 1, 0xFFFFFFF8);
}

void TestBounds::metafileCountsAndSizesAreChecked()
{
    QFETCH(QByteArray, bytes);
    // Either refused with its reason or read as what is really there; never the memory it claims.
    try {
        const TEnhMetafile metafile = TEnhMetafile::FromBytes(bytes);
        QImage canvas(64, 64, QImage::Format_ARGB32);
        QPainter painter(&canvas);
        metafile.Play(painter, QRectF(0, 0, 64, 64));
        QVERIFY(metafile.Bytes().size() <= bytes.size());
    } catch (const EConvertError& error) {
        QVERIFY2(error.Message().startsWith(QStringLiteral("Not a valid enhanced metafile")), qPrintable(error.Message()));
    }
}

QTEST_MAIN(TestBounds)
#include "tst_bounds.moc"
