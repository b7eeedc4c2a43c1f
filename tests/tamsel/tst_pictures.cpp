// The picture command: every picture format becomes one metafile object of the picture's pixel size,
// through the clipboard; bad files fail without touching the text or the clipboard.
#include "DeviceContext.h"
#include "EnhMetafile.h"
#include "EnhMetafileRecorder.h"
#include "Errors.h"
#include "PictureInsertion.h"
#include "PictureObject.h"
#include "RtRichEd.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QMimeData>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <initializer_list>

using namespace RichText;

namespace {

constexpr QSize SampleSize(80, 60);

// The sample every format carries: left half red, right half blue.
QImage SampleImage()
{
    QImage image(SampleSize, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QPainter(&image).fillRect(0, 0, 40, 60, Qt::red);
    return image;
}

QByteArray Encoded(const QImage& image, const char* format, bool progressive = false)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(95);
    writer.setProgressiveScanWrite(progressive);
    return writer.write(image) ? buffer.data() : QByteArray();
}

// Qt writes no GIF. Four colours, every pixel one literal code, the table cleared every two codes so
// that codes stay three bits wide.
QByteArray Gif(const QImage& indexes, const QList<QRgb>& palette, int transparent)
{
    QByteArray gif("GIF89a");
    auto word = [&gif](int v) { gif.append(char(v & 0xFF)).append(char(v >> 8)); };
    word(indexes.width());
    word(indexes.height());
    gif.append("\xF1\0\0", 3);
    for (QRgb colour : palette)
        gif.append(char(qRed(colour))).append(char(qGreen(colour))).append(char(qBlue(colour)));
    gif.append("\x21\xF9\x04\x01\0\0", 6).append(char(transparent)).append('\0');
    gif.append('\x2C');
    for (int v : { 0, 0, indexes.width(), indexes.height() })
        word(v);
    gif.append('\0').append('\x02');
    QByteArray data;
    quint32 bits = 0;
    int count = 0;
    auto code = [&](int value) {
        bits |= quint32(value) << count;
        for (count += 3; count >= 8; count -= 8, bits >>= 8)
            data.append(char(bits & 0xFF));
    };
    for (int y = 0, n = 0; y < indexes.height(); ++y)
        for (int x = 0; x < indexes.width(); ++x, ++n) {
            if (n % 2 == 0)
                code(4);
            code(indexes.pixelIndex(x, y));
        }
    code(5);
    if (count > 0)
        data.append(char(bits & 0xFF));
    for (qsizetype at = 0; at < data.size(); at += 255)
        gif.append(char(std::min<qsizetype>(255, data.size() - at))).append(data.mid(at, 255));
    return gif.append('\0').append('\x3B');
}

QImage SampleIndexes(bool transparentCorner)
{
    QImage indexes(SampleSize, QImage::Format_Indexed8);
    indexes.setColorCount(4);
    for (int y = 0; y < SampleSize.height(); ++y)
        for (int x = 0; x < SampleSize.width(); ++x)
            indexes.setPixel(x, y, transparentCorner && x < 10 && y < 10 ? 3 : x < 40 ? 0 : 1);
    return indexes;
}

QByteArray Emf(int dpi, QSize pixels)
{
    const TDeviceContext reference = TDeviceContext::InformationContext(dpi, dpi, QSize(2000, 2000));
    TEnhMetafileRecorder recorder(reference, TEnhMetafileRecorder::FrameFromPixels(reference, pixels));
    {
        QPainter painter(&recorder);
        painter.fillRect(0, 0, pixels.width(), pixels.height(), Qt::blue);
        painter.fillRect(0, 0, pixels.width() / 2, pixels.height(), Qt::red);
    }
    return recorder.Finish().Bytes();
}

// A placeable metafile of 96 units an inch, so that its units are the sample's pixels.
QByteArray Wmf()
{
    QByteArray bytes;
    auto word = [&bytes](int v) { bytes.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF)); };
    auto record = [&](int function, std::initializer_list<int> params) {
        word(3 + int(params.size()));
        word(0);
        word(function);
        for (int p : params)
            word(p);
    };
    for (int v : { 0xCDD7, 0x9AC6, 0, 0, 0, 80, 60, 96, 0, 0, 0 })
        word(v);
    for (int v : { 1, 9, 0x0300, 0, 0, 3, 0, 0, 0 })
        word(v);
    record(0x02FA, { 5, 0, 0, 0, 0 }); // null pen
    record(0x012D, { 0 });
    record(0x02FC, { 0, 0x00FF, 0, 0 }); // red brush
    record(0x012D, { 1 });
    record(0x041B, { 60, 40, 0, 0 }); // bottom, right, top, left
    record(0x02FC, { 0, 0, 0x00FF, 0 }); // blue brush
    record(0x012D, { 2 });
    record(0x041B, { 60, 80, 0, 40 });
    record(0x0000, {});
    return bytes;
}

QByteArray SampleBytes(const QString& extension)
{
    if (extension == u"jpg" || extension == u"jpeg")
        return Encoded(SampleImage(), "jpeg");
    if (extension == u"gif")
        return Gif(SampleIndexes(false), { qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(0, 0, 0), qRgb(0, 255, 0) }, 3);
    if (extension == u"emf")
        return Emf(96, SampleSize);
    if (extension == u"wmf")
        return Wmf();
    return Encoded(SampleImage(), extension.toLatin1().constData());
}

bool Near(QColor actual, QColor expected, int tolerance)
{
    return qAbs(actual.red() - expected.red()) <= tolerance && qAbs(actual.green() - expected.green()) <= tolerance
        && qAbs(actual.blue() - expected.blue()) <= tolerance;
}

QList<TPicture> PicturesIn(TRtRichEdit& editor)
{
    QList<TPicture> pictures;
    QTextDocument* document = editor.Control().document();
    const QString text = document->toPlainText();
    for (int at = 0; at < text.size(); ++at)
        if (text[at] == ObjectCharacter) {
            QTextCursor cursor(document);
            cursor.setPosition(at + 1);
            pictures.append(PictureFromFormat(cursor.charFormat()));
        }
    return pictures;
}

} // namespace

class TestPictureInsertion : public QObject {
    Q_OBJECT
private slots:
    void everyFormatBecomesOneMetafileObjectOfItsPixelSize_data();
    void everyFormatBecomesOneMetafileObjectOfItsPixelSize();
    void transparentPixelsAreNotDrawn_data();
    void transparentPixelsAreNotDrawn();
    void metafileSizeIsItsFrameAtTheDisplayResolution();
    void badFilesFailAndTouchNothing_data();
    void badFilesFailAndTouchNothing();
    void hugeJpegHeaderIsRefusedBeforeDecoding();

private:
    QString Write(const QString& name, const QByteArray& bytes)
    {
        const QString path = FDir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    QTemporaryDir FDir;
};

void TestPictureInsertion::everyFormatBecomesOneMetafileObjectOfItsPixelSize_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("tolerance");
    for (const char* extension : { "jpg", "jpeg", "gif", "bmp", "png", "emf", "wmf" })
        QTest::newRow(extension) << QStringLiteral("sample.%1").arg(extension)
                                 << SampleBytes(QString::fromLatin1(extension)) << (extension[0] == 'j' ? 40 : 0);
    QTest::newRow("upper-case extension") << QStringLiteral("SAMPLE.JPG") << SampleBytes(QStringLiteral("jpg")) << 40;
    QTest::newRow("progressive jpg") << QStringLiteral("progressive.jpg") << Encoded(SampleImage(), "jpeg", true) << 40;
}

void TestPictureInsertion::everyFormatBecomesOneMetafileObjectOfItsPixelSize()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(int, tolerance);
    QVERIFY(!bytes.isEmpty());
    const QString path = Write(name, bytes);
    QApplication::clipboard()->setText(QStringLiteral("before"));
    TRtRichEdit editor;
    editor.SetText(QStringLiteral("ab XX cd"));
    editor.SetSelectionStart(3);
    editor.SetSelectionLength(2);

    InsertPictureFile(editor, path);

    QCOMPARE(editor.Text(), QStringLiteral("ab ") + ObjectCharacter + QStringLiteral(" cd"));
    const QList<TPicture> pictures = PicturesIn(editor);
    QCOMPARE(pictures.size(), 1);
    QCOMPARE(pictures[0].kind, TObjectKind::Emf);
    // 15 twips a pixel: the object shows at the picture's own size in pixels.
    QCOMPARE(pictures[0].sizeTwips, SampleSize * 15);
    const QMimeData* clipboard = QApplication::clipboard()->mimeData();
    QCOMPARE(clipboard->data(QStringLiteral("image/x-emf")), pictures[0].data);
    QVERIFY(!clipboard->hasText());

    const TEnhMetafile metafile = TEnhMetafile::FromBytes(pictures[0].data);
    QCOMPARE(metafile.SizePixels(96, 96), SampleSize);
    const QImage drawn = metafile.ToImage(SampleSize);
    for (QPoint inside : { QPoint(1, 1), QPoint(20, 30), QPoint(38, 58) })
        QVERIFY2(Near(drawn.pixelColor(inside), Qt::red, tolerance), qPrintable(drawn.pixelColor(inside).name()));
    for (QPoint inside : { QPoint(42, 1), QPoint(60, 30), QPoint(78, 58) })
        QVERIFY2(Near(drawn.pixelColor(inside), Qt::blue, tolerance), qPrintable(drawn.pixelColor(inside).name()));
}

void TestPictureInsertion::transparentPixelsAreNotDrawn_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QImage argb = SampleImage().convertToFormat(QImage::Format_ARGB32);
    QPainter painter(&argb);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(0, 0, 10, 10, Qt::transparent);
    painter.end();
    QTest::newRow("png") << QStringLiteral("clear.png") << Encoded(argb, "png");
    QTest::newRow("gif") << QStringLiteral("clear.gif")
                         << Gif(SampleIndexes(true),
                                { qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(0, 0, 0), qRgb(0, 255, 0) }, 3);
}

void TestPictureInsertion::transparentPixelsAreNotDrawn()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const TEnhMetafile metafile = LoadPictureAsMetafile(Write(name, bytes));
    QCOMPARE(metafile.SizePixels(96, 96), SampleSize);
    QImage drawn(SampleSize, QImage::Format_ARGB32);
    drawn.fill(Qt::transparent);
    {
        QPainter painter(&drawn);
        metafile.Play(painter, QRectF(QPointF(0, 0), QSizeF(SampleSize)));
    }
    QCOMPARE(qAlpha(drawn.pixel(5, 5)), 0);
    QCOMPARE(drawn.pixel(20, 30), qRgb(255, 0, 0));
    QCOMPARE(drawn.pixel(60, 30), qRgb(0, 0, 255));
}

void TestPictureInsertion::metafileSizeIsItsFrameAtTheDisplayResolution()
{
    // One inch by half an inch recorded at 300 dpi is 96 x 48 pixels on the display.
    const TEnhMetafile metafile = LoadPictureAsMetafile(Write(QStringLiteral("fine.emf"), Emf(300, QSize(300, 150))));
    QCOMPARE(metafile.SizePixels(96, 96), QSize(96, 48));
    const QImage drawn = metafile.ToImage(QSize(96, 48));
    QCOMPARE(drawn.pixel(20, 24), qRgb(255, 0, 0));
    QCOMPARE(drawn.pixel(75, 24), qRgb(0, 0, 255));
}

void TestPictureInsertion::badFilesFailAndTouchNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray jpeg = SampleBytes(QStringLiteral("jpg"));
    const QByteArray png = SampleBytes(QStringLiteral("png"));
    QTest::newRow("damaged jpeg") << QStringLiteral("damaged.jpg")
                                  << QByteArray("\xFF\xD8").append(QByteArray(200, '\x5A'));
    const qsizetype scan = jpeg.indexOf("\xFF\xDA");
    QTest::newRow("jpeg cut in its scan") << QStringLiteral("cut.jpg") << jpeg.left((scan + jpeg.size()) / 2);
    QTest::newRow("jpeg cut in its header") << QStringLiteral("cut.jpeg") << jpeg.left(40);
    QTest::newRow("png named jpg") << QStringLiteral("other.jpg") << png;
    QTest::newRow("empty jpg") << QStringLiteral("empty.jpg") << QByteArray();
    QTest::newRow("empty png") << QStringLiteral("empty.png") << QByteArray();
    QTest::newRow("png cut in half") << QStringLiteral("cut.png") << png.left(png.size() / 2);
    QTest::newRow("damaged gif") << QStringLiteral("damaged.gif") << QByteArray("GIF89a\x01");
    QTest::newRow("damaged bmp") << QStringLiteral("damaged.bmp") << QByteArray("BM").append(QByteArray(30, '\xFF'));
    QTest::newRow("damaged emf") << QStringLiteral("damaged.emf") << QByteArray(120, '\x01');
    QTest::newRow("damaged wmf") << QStringLiteral("damaged.wmf") << QByteArray(40, '\x07');
    QTest::newRow("unknown extension") << QStringLiteral("picture.tif") << png;
    QTest::newRow("no extension") << QStringLiteral("picture") << png;
    QTest::newRow("missing file") << QStringLiteral("missing/none.png") << QByteArray();
}

void TestPictureInsertion::badFilesFailAndTouchNothing()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const QString path = name.startsWith(u"missing/") ? FDir.filePath(name) : Write(name, bytes);
    QApplication::clipboard()->setText(QStringLiteral("before"));
    TRtRichEdit editor;
    editor.SetText(QStringLiteral("keep me"));
    editor.SetSelectionStart(2);
    editor.SetSelectionLength(2);

    QString message;
    try {
        InsertPictureFile(editor, path);
    } catch (const EFOpenError& error) {
        message = error.Message();
    } catch (const EConvertError& error) {
        message = error.Message();
    }
    QVERIFY2(!message.isEmpty(), "no error raised");
    QVERIFY2(message.contains(QFileInfo(name).fileName()) || message.contains(u"Unsupported"), qPrintable(message));
    QCOMPARE(editor.Text(), QStringLiteral("keep me"));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));
}

void TestPictureInsertion::hugeJpegHeaderIsRefusedBeforeDecoding()
{
    // The frame header claims 60000 x 60000 pixels (10 GB decoded); the rest is the small sample.
    QByteArray jpeg = SampleBytes(QStringLiteral("jpg"));
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    QVERIFY(frame > 0);
    jpeg.replace(frame + 5, 4, QByteArray("\xEA\x60\xEA\x60", 4));
    try {
        LoadPictureAsMetafile(Write(QStringLiteral("huge.jpg"), jpeg));
        QFAIL("a picture of 60000 x 60000 pixels was accepted");
    } catch (const EConvertError& error) {
        // Only the header knows that size: the bound was checked before anything was decoded.
        QVERIFY2(error.Message().contains(u"60000 x 60000"), qPrintable(error.Message()));
    }
}

QTEST_MAIN(TestPictureInsertion)
#include "tst_pictures.moc"
