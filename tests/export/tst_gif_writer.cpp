// The presentation file's GIF: colour reduction, LZW and the blocks, read back by Qt's GIF reader.
#include "Bitmap.h"
#include "GifWriter.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <QTest>

class TestGifWriter : public QObject {
    Q_OBJECT
private slots:
    void blackTextOnWhiteGivesWhiteThenBlackThenGrey();
    void equalCountsGoToTheColourSeenFirstFromTheBottom();
    void masksCoarsenBlueThenRedThenGreen();
    void coloursOutOfThePaletteTakeTheNearest();
    void noisyFramesOverflowTheTableAndStillDecode();
    void textPagesDecodePixelForPixel();
    void oneFrameHasNoLoopingBlock();
    void twoFramesLoopAndCarryTheirOwnTables();
    void emptyWriterRefusesToFinish();
};

namespace {

void SetPixel(TBitmap& picture, int x, int y, QRgb color)
{
    BYTE* pixel = picture.ScanLine(y) + x * (picture.BitsPerPixel() / 8);
    pixel[0] = BYTE(qBlue(color));
    pixel[1] = BYTE(qGreen(color));
    pixel[2] = BYTE(qRed(color));
}

QRgb PixelOf(const TBitmap& picture, int x, int y)
{
    const BYTE* pixel = picture.ScanLine(y) + x * (picture.BitsPerPixel() / 8);
    return qRgb(pixel[2], pixel[1], pixel[0]);
}

TBitmap Filled(int width, int height, QRgb color)
{
    TBitmap picture(width, height, 32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixel(picture, x, y, color);
    return picture;
}

QRgb PaletteColor(const TReducedFrame& frame, int x, int y)
{
    const TGifColor& c = frame.Palette[frame.Indexes[std::size_t(y) * std::size_t(frame.Width) + std::size_t(x)]];
    return qRgb(c.Red, c.Green, c.Blue);
}

// A page of antialiased text: many greys, long runs and many distinct strings.
TBitmap TextPage(int width, int height, QColor ink)
{
    TBitmap page = Filled(width, height, qRgb(255, 255, 255));
    QImage view = page.View();
    QPainter painter(&view);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(ink);
    QFont font(QStringLiteral("Liberation Serif"));
    font.setPixelSize(15);
    painter.setFont(font);
    QString text;
    for (int i = 0; i < 60; ++i)
        text += QStringLiteral("Le vif renard brun saute par-dessus le chien paresseux %1. ").arg(i * 7919);
    painter.drawText(QRect(20, 20, width - 40, height - 40), Qt::TextWordWrap, text);
    return page;
}

QByteArray Encode(const std::vector<const TBitmap*>& frames, int delay = 15000)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    TGifWriter writer(buffer, { QStringLiteral("first line"), QString(), QStringLiteral("last line") });
    for (const TBitmap* frame : frames)
        writer.AddFrame(*frame, delay);
    writer.Finish();
    return bytes;
}

// Every frame decoded by Qt equals the picture it came from.
void CompareDecoded(const QByteArray& bytes, const std::vector<const TBitmap*>& frames)
{
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer, "gif");
    QCOMPARE(reader.imageCount(), int(frames.size()));
    for (const TBitmap* expected : frames) {
        const QImage image = reader.read().convertToFormat(QImage::Format_RGB32);
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(image.size(), QSize(expected->Width(), expected->Height()));
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != PixelOf(*expected, x, y))
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2 differs").arg(x).arg(y)));
    }
}

} // namespace

void TestGifWriter::blackTextOnWhiteGivesWhiteThenBlackThenGrey()
{
    TBitmap page = Filled(40, 10, qRgb(255, 255, 255));
    for (int x = 5; x < 15; ++x)
        SetPixel(page, x, 4, qRgb(0, 0, 0));
    const TReducedFrame frame = ReduceColors(page);
    QCOMPARE(frame.ColorCount, 2);
    QCOMPARE(frame.Palette[0], (TGifColor { 255, 255, 255 }));
    QCOMPARE(frame.Palette[1], (TGifColor { 0, 0, 0 }));
    for (std::size_t i = 2; i < 256; ++i)
        QCOMPARE(frame.Palette[i], (TGifColor { 128, 128, 128 }));
    QCOMPARE(PaletteColor(frame, 6, 4), qRgb(0, 0, 0));
}

void TestGifWriter::equalCountsGoToTheColourSeenFirstFromTheBottom()
{
    TBitmap page(2, 2, 24);
    SetPixel(page, 0, 0, qRgb(1, 1, 1)); // top row
    SetPixel(page, 1, 0, qRgb(2, 2, 2));
    SetPixel(page, 0, 1, qRgb(3, 3, 3)); // bottom row, counted first
    SetPixel(page, 1, 1, qRgb(4, 4, 4));
    const TReducedFrame frame = ReduceColors(page);
    QCOMPARE(frame.Palette[0], (TGifColor { 3, 3, 3 }));
    QCOMPARE(frame.Palette[1], (TGifColor { 4, 4, 4 }));
    QCOMPARE(frame.Palette[2], (TGifColor { 1, 1, 1 }));
    QCOMPARE(frame.Palette[3], (TGifColor { 2, 2, 2 }));
}

void TestGifWriter::masksCoarsenBlueThenRedThenGreen()
{
    // 2050 colours: one coarsening of blue is enough.
    TBitmap few(2050, 1, 24);
    for (int i = 0; i < 2050; ++i)
        SetPixel(few, i, 0, qRgb(i / 8 % 256, i / 2048, i % 8));
    TReducedFrame frame = ReduceColors(few);
    QCOMPARE(int(frame.BlueMask), 254);
    QCOMPARE(int(frame.RedMask), 255);
    QCOMPARE(int(frame.GreenMask), 255);

    // 8192 colours spread over the low bits of all three: blue, then red, must give way.
    TBitmap many(8192, 1, 24);
    for (int i = 0; i < 8192; ++i)
        SetPixel(many, i, 0, qRgb(i & 31, (i >> 5) & 15, (i >> 9) & 15));
    frame = ReduceColors(many);
    QCOMPARE(int(frame.BlueMask), 254);
    QCOMPARE(int(frame.RedMask), 254);
    QCOMPARE(int(frame.GreenMask), 255);
    QCOMPARE(frame.ColorCount, 256);
}

void TestGifWriter::coloursOutOfThePaletteTakeTheNearest()
{
    // 256 frequent greys fill the palette; a rare reddish pixel must map to the nearest grey.
    TBitmap page(256 * 3 + 1, 1, 24);
    for (int i = 0; i < 256; ++i)
        for (int k = 0; k < 3; ++k)
            SetPixel(page, 3 * i + k, 0, qRgb(i, i, i));
    SetPixel(page, 768, 0, qRgb(101, 100, 100));
    const TReducedFrame frame = ReduceColors(page);
    QCOMPARE(frame.ColorCount, 256);
    QCOMPARE(PaletteColor(frame, 768, 0), qRgb(100, 100, 100));
    QCOMPARE(PaletteColor(frame, 10, 0), qRgb(3, 3, 3));
}

void TestGifWriter::noisyFramesOverflowTheTableAndStillDecode()
{
    // Random pixels from 200 colours leave few repeated strings: the table fills and restarts often.
    QRandomGenerator random(1234);
    TBitmap page(300, 200, 32);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) {
            const int c = int(random.bounded(200));
            SetPixel(page, x, y, qRgb(c, 255 - c, (c * 37) & 0xFF));
        }
    CompareDecoded(Encode({ &page, &page }), { &page, &page });
}

void TestGifWriter::textPagesDecodePixelForPixel()
{
    const TBitmap black = TextPage(693, 485, Qt::black);
    const TBitmap red = TextPage(693, 485, Qt::red);
    QVERIFY(ReduceColors(black).ColorCount <= 256);
    CompareDecoded(Encode({ &black, &red, &black }), { &black, &red, &black });
}

void TestGifWriter::oneFrameHasNoLoopingBlock()
{
    const TBitmap page = Filled(7, 5, qRgb(0, 0, 255));
    const QByteArray bytes = Encode({ &page }, 60000);
    QVERIFY(bytes.startsWith(QByteArray("GIF89a\x07\x00\x05\x00\xF7", 11)));
    QCOMPARE(bytes.at(11), char(0)); // no white in the palette: background 0
    QVERIFY(!bytes.contains("NETSCAPE2.0"));
    // The graphic control block right after the global table: 6000 hundredths, no transparency.
    QCOMPARE(bytes.mid(13 + 768, 8), QByteArray("\x21\xF9\x04\x00\x70\x17\x00\x00", 8));
    QCOMPARE(bytes.mid(13 + 768 + 8, 10), QByteArray("\x2C\x00\x00\x00\x00\x07\x00\x05\x00\x00", 10));
    QVERIFY(bytes.endsWith(QByteArray("\x21\xFE\x0A" "first line" "\x09" "last line" "\x00\x3B", 25)));
}

void TestGifWriter::twoFramesLoopAndCarryTheirOwnTables()
{
    TBitmap first = Filled(4, 4, qRgb(255, 255, 255));
    SetPixel(first, 0, 0, qRgb(0, 0, 0));
    const TBitmap second = Filled(4, 4, qRgb(255, 255, 255));
    const QByteArray bytes = Encode({ &first, &second }, 5000);
    QCOMPARE(bytes.at(11), char(0)); // white is the first colour
    QCOMPARE(bytes.mid(13 + 768, 19), QByteArray("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19));
    QCOMPARE(bytes.count(QByteArray("\x21\xF9\x04\x00\xF4\x01\x00\x00", 8)), 2); // 500 hundredths each
    // The second frame's descriptor announces a local table of 256 entries.
    const qsizetype second2C = bytes.indexOf(QByteArray("\x2C\x00\x00\x00\x00\x04\x00\x04\x00\x87", 10));
    QVERIFY(second2C > 0);
    QCOMPARE(bytes.mid(second2C + 10, 3), QByteArray("\xFF\xFF\xFF"));
    QCOMPARE(bytes.mid(second2C + 13, 3), QByteArray("\x80\x80\x80"));
    CompareDecoded(bytes, { &first, &second });
}

void TestGifWriter::emptyWriterRefusesToFinish()
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    TGifWriter writer(buffer, {});
    QVERIFY_THROWS_EXCEPTION(std::exception, writer.Finish());
    QVERIFY(bytes.isEmpty());
}

QTEST_MAIN(TestGifWriter)
#include "tst_gif_writer.moc"
