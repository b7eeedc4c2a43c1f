// Bitmaps: the platform's row layout, drawing into the rows, BMP files.
#include "Bitmap.h"
#include "Errors.h"
#include "TestMain.h"

#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

class TestBitmap : public QObject {
    Q_OBJECT
private slots:
    void rowsAreBlueGreenRedAndPadded_data();
    void rowsAreBlueGreenRedAndPadded();
    void canvasDrawsIntoTheRows();
    void canvasAnswersTheBitmapsResolution();
    void imagesComeInWithTheirPixels();
    void bmpFilesRoundTrip();
    void missingFileFailsToOpen();
    void copiesOwnTheirRows();
};

void TestBitmap::rowsAreBlueGreenRedAndPadded_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("stride");
    QTest::newRow("24 bits, 3 wide") << 24 << 3 << 12;
    QTest::newRow("24 bits, 4 wide") << 24 << 4 << 12;
    QTest::newRow("24 bits, 1 wide") << 24 << 1 << 4;
    QTest::newRow("32 bits, 3 wide") << 32 << 3 << 12;
}

void TestBitmap::rowsAreBlueGreenRedAndPadded()
{
    QFETCH(int, bits);
    QFETCH(int, width);
    QFETCH(int, stride);
    TBitmap bitmap(width, 2, bits);
    QCOMPARE(bitmap.BytesPerLine(), stride);
    QCOMPARE(bitmap.ScanLine(1) - bitmap.ScanLine(0), stride);
    QVERIFY(!bitmap.ScanLine(2));
    BYTE* row = bitmap.ScanLine(1);
    row[0] = 10; // blue
    row[1] = 20; // green
    row[2] = 30; // red
    const QImage image = bitmap.ToImage();
    QCOMPARE(qRed(image.pixel(0, 1)), 30);
    QCOMPARE(qGreen(image.pixel(0, 1)), 20);
    QCOMPARE(qBlue(image.pixel(0, 1)), 10);
    QCOMPARE(image.pixel(0, 0) & 0xFFFFFF, 0u);
}

void TestBitmap::canvasDrawsIntoTheRows()
{
    TBitmap bitmap(5, 3, 24);
    bitmap.Canvas().FillRect(RECT { 1, 1, 3, 2 }, CreateSolidBrush(RGB(255, 128, 0)));
    bitmap.ReleaseCanvas();
    const BYTE* row = bitmap.ScanLine(1);
    QCOMPARE(int(row[3]), 0); // pixel 1: blue, green, red
    QCOMPARE(int(row[4]), 128);
    QCOMPARE(int(row[5]), 255);
    QCOMPARE(int(row[9]), 0); // pixel 3 untouched
    QCOMPARE(int(bitmap.ScanLine(0)[5]), 0);
}

void TestBitmap::canvasAnswersTheBitmapsResolution()
{
    TBitmap bitmap(10, 10, 32);
    bitmap.SetDotsPerMeter(11811, 11811); // 300 dpi
    TDeviceContext& canvas = bitmap.Canvas();
    QCOMPARE(canvas.GetDeviceCaps(LOGPIXELSX), 300);
    QCOMPARE(canvas.GetDeviceCaps(HORZRES), 10);
}

void TestBitmap::imagesComeInWithTheirPixels()
{
    QImage image(2, 2, QImage::Format_ARGB32);
    image.fill(qRgba(1, 2, 3, 4));
    const TBitmap withAlpha = TBitmap::FromImage(image);
    QCOMPARE(withAlpha.BitsPerPixel(), 32);
    const BYTE* row = withAlpha.ScanLine(0);
    QCOMPARE(int(row[0]), 3);
    QCOMPARE(int(row[2]), 1);
    QCOMPARE(int(row[3]), 4);
    const TBitmap opaque = TBitmap::FromImage(image.convertToFormat(QImage::Format_RGB32));
    QCOMPARE(opaque.BitsPerPixel(), 24);
}

void TestBitmap::bmpFilesRoundTrip()
{
    QTemporaryDir dir;
    TBitmap bitmap(3, 2, 24);
    bitmap.ScanLine(0)[2] = 255; // top-left red
    bitmap.ScanLine(1)[6] = 255; // bottom-right blue
    bitmap.SetDotsPerMeter(3780, 3780);
    const QString path = dir.filePath(QStringLiteral("grid.bmp"));
    bitmap.SaveToFile(path);
    const QByteArray bytes = bitmap.BmpBytes();
    QCOMPARE(bytes.size(), 14 + 40 + 2 * 12);
    QCOMPARE(bytes.left(2), QByteArray("BM"));
    QCOMPARE(uchar(bytes[54 + 6]), uchar(255)); // the file starts with the bottom row
    const QImage read(path);
    QCOMPARE(read.size(), QSize(3, 2));
    QCOMPARE(read.pixel(0, 0), qRgb(255, 0, 0));
    QCOMPARE(read.pixel(2, 1), qRgb(0, 0, 255));
    const TBitmap loaded = TBitmap::LoadFromFile(path);
    QCOMPARE(loaded.ScanLine(1)[6], BYTE(255));
    QVERIFY_THROWS_EXCEPTION(EFCreateError, bitmap.SaveToFile(dir.filePath(QStringLiteral("missing/grid.bmp"))));
}

void TestBitmap::missingFileFailsToOpen()
{
    QTemporaryDir dir;
    QVERIFY_THROWS_EXCEPTION(EFOpenError, TBitmap::LoadFromFile(dir.filePath(QStringLiteral("none.bmp"))));
}

void TestBitmap::copiesOwnTheirRows()
{
    TBitmap original(2, 2, 24);
    original.Canvas().FillRect(RECT { 0, 0, 2, 2 }, CreateSolidBrush(RGB(255, 255, 255)));
    TBitmap copy = original;
    original.Canvas().FillRect(RECT { 0, 0, 2, 2 }, CreateSolidBrush(RGB(0, 0, 0)));
    original.ReleaseCanvas();
    QCOMPARE(copy.ScanLine(0)[0], BYTE(255));
    QCOMPARE(original.ScanLine(0)[0], BYTE(0));
}

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    return RunTestClasses<TestBitmap>(argc, argv);
}

#include "tst_bitmap.moc"
