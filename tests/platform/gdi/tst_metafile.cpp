// Enhanced metafiles: recording against a reference device, the header, playback, files and
// malformed input; Windows metafiles converted for playback.
#include "DeviceContext.h"
#include "EnhMetafile.h"
#include "EnhMetafileRecorder.h"
#include "Errors.h"
#include "GdiFontDefs.h"
#include "TestMain.h"
#include "Units.h"

#include <uemf.h>
#include <uemf_safe.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <cstring>

namespace {

TDeviceContext Printer()
{
    TDeviceCaps caps;
    caps.DpiX = caps.DpiY = 600;
    caps.Pixels = QSize(4960, 7016);
    caps.Technology = DT_RASPRINTER;
    return TDeviceContext(caps);
}

QImage Page(int dpi, QSize pixels)
{
    QImage image(pixels, QImage::Format_RGB32);
    image.setDotsPerMeterX(int(std::nearbyint(dpi / 0.0254)));
    image.setDotsPerMeterY(int(std::nearbyint(dpi / 0.0254)));
    image.fill(Qt::white);
    return image;
}

bool Inked(QRgb pixel) { return qGray(pixel) < 128; }

QRect InkBox(const QImage& image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (Inked(image.pixel(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}

// The share of inked pixels of either image that the other does not ink.
double Difference(const QImage& a, const QImage& b)
{
    int ink = 0, differ = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const bool ia = Inked(a.pixel(x, y)), ib = Inked(b.pixel(x, y));
            ink += ia || ib;
            differ += ia != ib;
        }
    return ink ? double(differ) / ink : 0;
}

HFONT Font(int points, int dpi)
{
    LOGFONTW log;
    log.lfHeight = -MulDiv(points, dpi, 72);
    TGdiFont font = CreateFontIndirect(log);
    font.SetFaceName(QStringLiteral("DejaVu Sans"));
    return font;
}

// The table-like drawing used to compare a metafile with drawing on the device itself.
void DrawSample(TDeviceContext& dc)
{
    dc.SetBkMode(TRANSPARENT);
    dc.SelectPen(ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_SQUARE | PS_JOIN_MITER, 8, LOGBRUSH { BS_SOLID, 0, 0 }));
    dc.SelectBrush(CreateSolidBrush(RGB(0, 0, 0)));
    dc.Rectangle(50, 50, 400, 250);
    dc.SelectBrush(std::get<TGdiBrush>(GetStockObject(NULL_BRUSH)));
    dc.Ellipse(450, 50, 750, 250);
    dc.MoveToEx(50, 400);
    dc.LineTo(1150, 400);
    dc.SelectFont(Font(12, 600));
    const QString text = QStringLiteral("Tableau 12");
    std::vector<INT> dx(std::size_t(text.size()), 60);
    dc.ExtTextOut(50, 450, ETO_CLIPPED, nullptr, text, dx.data());
    QImage picture(4, 2, QImage::Format_RGB32);
    picture.fill(Qt::black);
    picture.setPixel(1, 0, qRgb(255, 255, 255));
    dc.DrawImage(RECT { 800, 50, 1160, 230 }, picture);
}

QList<std::uint32_t> RecordTypes(const QByteArray& bytes)
{
    QList<std::uint32_t> types;
    for (qsizetype at = 0; at + 8 <= bytes.size();) {
        std::uint32_t type, size;
        std::memcpy(&type, bytes.constData() + at, 4);
        std::memcpy(&size, bytes.constData() + at + 4, 4);
        types << type;
        if (size < 8)
            break;
        at += size;
    }
    return types;
}

QByteArray Record(char* record)
{
    const QByteArray bytes(record, qsizetype(reinterpret_cast<U_EMR*>(record)->nSize));
    std::free(record);
    return bytes;
}

// A metafile as other programs write it: a mapping mode, stock objects and a palette bitmap.
QByteArray ForeignMetafile()
{
    const U_SIZEL device { 1000, 1000 }, millimetres { 254, 254 }; // 100 dpi
    QByteArray body;
    body += Record(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
    body += Record(U_EMRSETWINDOWEXTEX_set(U_SIZEL { 1000, 1000 }));
    body += Record(U_EMRSETVIEWPORTEXTEX_set(U_SIZEL { 100, 100 }));
    body += Record(U_EMRSELECTOBJECT_set(U_BLACK_BRUSH));
    body += Record(U_EMRSELECTOBJECT_set(U_NULL_PEN));
    body += Record(U_EMRRECTANGLE_set(U_RECTL { 0, 0, 500, 1000 }));
    // A 2 x 1 bitmap of 8 bits: palette white and black.
    U_RGBQUAD colours[2] = { U_BGR(255, 255, 255), U_BGR(0, 0, 0) };
    const U_BITMAPINFOHEADER header = bitmapinfoheader_set(2, 1, 1, 8, U_BI_RGB, 4, 0, 0, 2, 0);
    PU_BITMAPINFO info = bitmapinfo_set(header, colours);
    char bits[4] = { 1, 0, 0, 0 };
    body += Record(U_EMRSTRETCHDIBITS_set(U_RECTL { 0, 0, -1, -1 }, U_POINTL { 500, 0 }, U_POINTL { 500, 500 }, U_POINTL { 0, 0 },
        U_POINTL { 2, 1 }, U_DIB_RGB_COLORS, U_SRCCOPY, info, 4, bits));
    std::free(info);
    QByteArray eof(20, '\0');
    const std::uint32_t eofFields[] = { U_EMR_EOF, 20, 0, 16, 20 };
    std::memcpy(eof.data(), eofFields, sizeof eofFields);
    char* headerRecord = U_EMRHEADER_set(U_RECTL { 0, 0, 99, 99 }, U_RECTL { 0, 0, 2540, 2540 }, nullptr, 0, nullptr, device, millimetres, 0);
    QByteArray bytes = Record(headerRecord) + body + eof;
    auto* emr = reinterpret_cast<U_EMRHEADER*>(bytes.data());
    emr->nBytes = std::uint32_t(bytes.size());
    emr->nRecords = std::uint32_t(RecordTypes(bytes).size());
    emr->nHandles = 1;
    return bytes;
}

TEnhMetafile RecordedSample()
{
    const TDeviceContext reference = Printer();
    TEnhMetafileRecorder recorder(reference, TEnhMetafileRecorder::FrameFromPixels(reference, QSize(1200, 600)),
        QStringLiteral("Tamsel"), QStringLiteral("Tableau"));
    {
        TDeviceContext dc(&recorder);
        DrawSample(dc);
    }
    return recorder.Finish();
}

void PutWord(QByteArray& bytes, int value)
{
    const auto v = std::uint16_t(value);
    bytes.append(char(v & 0xFF)).append(char(v >> 8));
}

// A placeable Windows metafile of one inch (1000 units) with a black square in its middle.
QByteArray SquareWmf()
{
    QByteArray bytes;
    auto record = [&](int function, std::initializer_list<int> params) {
        const std::uint32_t words = 3 + std::uint32_t(params.size());
        PutWord(bytes, int(words & 0xFFFF));
        PutWord(bytes, int(words >> 16));
        PutWord(bytes, function);
        for (int p : params)
            PutWord(bytes, p);
    };
    PutWord(bytes, 0xCDD7);
    PutWord(bytes, 0x9AC6);
    for (int v : { 0, 0, 0, 1000, 1000, 1000, 0, 0, 0 })
        PutWord(bytes, v);
    for (int v : { 1, 9, 0x0300, 0, 0, 2, 0, 0, 0 })
        PutWord(bytes, v);
    record(0x02FC, { 0, 0, 0, 0 }); // solid black brush, slot 0
    record(0x012D, { 0 });
    record(0x02FA, { 5, 0, 0, 0, 0 }); // null pen, slot 1
    record(0x012D, { 1 });
    record(0x041B, { 750, 750, 250, 250 }); // bottom, right, top, left
    record(0x0000, {});
    return bytes;
}

// A chart label as other programs write one: a font, then TEXTOUT and EXTTEXTOUT records.
QByteArray LabelledWmf()
{
    QByteArray bytes;
    auto record = [&](int function, const QList<int>& params) {
        const std::uint32_t words = 3 + std::uint32_t(params.size());
        PutWord(bytes, int(words & 0xFFFF));
        PutWord(bytes, int(words >> 16));
        PutWord(bytes, function);
        for (int p : params)
            PutWord(bytes, p);
    };
    auto text = [](const QByteArray& string) {
        QList<int> words;
        for (qsizetype i = 0; i < string.size(); i += 2)
            words << (static_cast<unsigned char>(string[i]) | (i + 1 < string.size() ? static_cast<unsigned char>(string[i + 1]) << 8 : 0));
        return words;
    };
    PutWord(bytes, 0xCDD7);
    PutWord(bytes, 0x9AC6);
    for (int v : { 0, 0, 0, 1000, 500, 1000, 0, 0, 0 })
        PutWord(bytes, v);
    for (int v : { 1, 9, 0x0300, 0, 0, 1, 0, 0, 0 })
        PutWord(bytes, v);
    record(0x02FB, QList<int> { 0xFFFF & -120, 0, 0, 0, 700, 0, 0, 0, 0 } + text(QByteArray("Arial\0", 6)));
    record(0x012D, { 0 });
    record(0x0209, { 0, 0 }); // black text
    record(0x0102, { 1 }); // transparent background
    record(0x0521, QList<int> { 5 } + text("Sales") + QList<int> { 100, 100 }); // count, string, y, x
    record(0x0A32, QList<int> { 350, 500, 6, 0 } + text("Winter")); // y, x, count, options, string
    record(0x0000, {});
    return bytes;
}

} // namespace

class TestRecording : public QObject {
    Q_OBJECT
private slots:
    void playbackLooksLikeDrawingOnTheDevice();
    void headerCarriesFrameAndReferenceDevice();
    void frameComesFromTheDrawingWhenNotGiven();
    void qtTextLandsWhereQtPlacedIt();
    void clipsFollowThePaintersTransform();
    void recordsPassLibUemfChecks();
    void contextOnTheRecorderAnswersForTheReference();
    void explicitAdvancesAreRecordedInOneTextRecord();
    void playingFollowsThePaintersTransform();
    void filesRoundTrip();
};

void TestRecording::playbackLooksLikeDrawingOnTheDevice()
{
    QImage direct = Page(600, QSize(1200, 600));
    {
        TDeviceContext dc(&direct);
        DrawSample(dc);
    }
    const TEnhMetafile metafile = RecordedSample();
    QVERIFY(!metafile.IsEmpty());
    const QImage played = metafile.ToImage(QSize(1200, 600));
    const double difference = Difference(direct, played);
    QVERIFY2(difference < 0.03, qPrintable(QString::number(difference)));
    // Half the size still shows the filled rectangle in place.
    const QImage half = metafile.ToImage(QSize(600, 300));
    QVERIFY(Inked(half.pixel(100, 75)) && !Inked(half.pixel(300, 75)));
}

void TestRecording::headerCarriesFrameAndReferenceDevice()
{
    const TEnhMetafile metafile = RecordedSample();
    const TEnhMetafileHeader& header = metafile.Header();
    QCOMPARE(header.Frame.right - header.Frame.left, 5080); // 1200 pixels at 600 dpi, in 0.01 mm
    QCOMPARE(header.Frame.bottom - header.Frame.top, 2540);
    QCOMPARE(metafile.SizeHundredthsMm(), QSize(5080, 2540));
    QCOMPARE(metafile.SizePixels(96, 96), QSize(192, 96));
    QCOMPARE(header.DevicePixels, QSize(4960, 7016));
    QCOMPARE(header.DeviceMillimetres, QSize(210, 297));
    QCOMPARE(header.Description, QStringLiteral("Tamsel") + QChar(0) + QStringLiteral("Tableau"));
    // Bounds: device pixels of what was drawn, the pen's half width around the rectangle included.
    QVERIFY2(std::abs(header.Bounds.left - 46) <= 1 && std::abs(header.Bounds.top - 46) <= 1, qPrintable(QString::number(header.Bounds.left)));
    QVERIFY(header.Bounds.right >= 1150 && header.Bounds.right <= 1165);
    QVERIFY(header.Records == std::uint32_t(RecordTypes(metafile.Bytes()).size()));
}

void TestRecording::frameComesFromTheDrawingWhenNotGiven()
{
    const TDeviceContext reference = Printer();
    TEnhMetafileRecorder recorder(reference);
    {
        TDeviceContext dc(&recorder);
        dc.SelectObject(GetStockObject(NULL_PEN));
        dc.SelectObject(GetStockObject(BLACK_BRUSH));
        dc.Rectangle(600, 300, 1200, 900); // one inch by one inch, from (1, 0.5) inches
    }
    const TEnhMetafile metafile = recorder.Finish();
    const RECT frame = metafile.Header().Frame;
    QVERIFY2(std::abs(frame.left - 2540) <= 3 && std::abs(frame.top - 1270) <= 3, qPrintable(QString::number(frame.left)));
    QVERIFY2(std::abs(frame.right - frame.left - 2540) <= 6, qPrintable(QString::number(frame.right)));
    // Played into its own size, the square fills the picture.
    const QImage image = metafile.ToImage(QSize(100, 100));
    QVERIFY(Inked(image.pixel(3, 3)) && Inked(image.pixel(96, 96)));
    QVERIFY(recorder.Finish().IsEmpty()); // a recorder finishes once
}

void TestRecording::qtTextLandsWhereQtPlacedIt()
{
    const QString text = QStringLiteral("Page 2 of 5, Wagon");
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(12);
    auto draw = [&](QPaintDevice* device) {
        QPainter painter(device);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QPointF(100, 300), text);
    };
    QImage direct = Page(600, QSize(1200, 600));
    draw(&direct);
    const TDeviceContext reference = Printer();
    TEnhMetafileRecorder recorder(reference, TEnhMetafileRecorder::FrameFromPixels(reference, QSize(1200, 600)));
    draw(&recorder);
    const TEnhMetafile metafile = recorder.Finish();
    QVERIFY(RecordTypes(metafile.Bytes()).contains(U_EMR_EXTTEXTOUTW));
    QVERIFY(RecordTypes(metafile.Bytes()).contains(U_EMR_EXTCREATEFONTINDIRECTW));
    QVERIFY(!RecordTypes(metafile.Bytes()).contains(U_EMR_STRETCHDIBITS)); // text stays text
    const QRect expected = InkBox(direct);
    const QRect played = InkBox(metafile.ToImage(QSize(1200, 600)));
    QVERIFY2(std::abs(played.left() - expected.left()) <= 2 && std::abs(played.right() - expected.right()) <= 3,
        qPrintable(QStringLiteral("%1..%2 against %3..%4").arg(played.left()).arg(played.right()).arg(expected.left()).arg(expected.right())));
    QVERIFY(std::abs(played.bottom() - expected.bottom()) <= 2 && std::abs(played.top() - expected.top()) <= 2);
}

void TestRecording::clipsFollowThePaintersTransform()
{
    const TDeviceContext reference = Printer();
    TEnhMetafileRecorder recorder(reference, TEnhMetafileRecorder::FrameFromPixels(reference, QSize(400, 400)));
    {
        QPainter painter(&recorder);
        painter.translate(50, 50);
        painter.setClipRect(0, 0, 100, 100);
        painter.fillRect(-50, -50, 400, 400, Qt::black);
        painter.setClipping(false);
        painter.fillRect(300, 300, 10, 10, Qt::black);
    }
    const QImage image = recorder.Finish().ToImage(QSize(400, 400));
    QCOMPARE(InkBox(image.copy(0, 0, 300, 300)), QRect(50, 50, 100, 100));
    QVERIFY(Inked(image.pixel(355, 355)));
}

void TestRecording::recordsPassLibUemfChecks()
{
    const QByteArray bytes = RecordedSample().Bytes();
    const QList<std::uint32_t> types = RecordTypes(bytes);
    for (qsizetype at = 0; at < bytes.size();) {
        std::uint32_t size;
        std::memcpy(&size, bytes.constData() + at + 4, 4);
        QVERIFY2(U_emf_record_safe(bytes.constData() + at), qPrintable(QString::number(at)));
        at += size;
    }
    QCOMPARE(types.first(), std::uint32_t(U_EMR_HEADER));
    QCOMPARE(types.last(), std::uint32_t(U_EMR_EOF));
    QVERIFY(types.contains(U_EMR_EXTCREATEPEN));
    QVERIFY(types.contains(U_EMR_STRETCHDIBITS));
    QVERIFY(types.contains(U_EMR_RECTANGLE) && types.contains(U_EMR_ELLIPSE));
    // The square-capped, mitred pen is written as such.
    for (qsizetype at = 0; at < bytes.size();) {
        std::uint32_t type, size, style;
        std::memcpy(&type, bytes.constData() + at, 4);
        std::memcpy(&size, bytes.constData() + at + 4, 4);
        if (type == U_EMR_EXTCREATEPEN) {
            std::memcpy(&style, bytes.constData() + at + 28, 4);
            QCOMPARE(style & (U_PS_TYPE_MASK | U_PS_ENDCAP_MASK | U_PS_JOIN_MASK), std::uint32_t(U_PS_GEOMETRIC | U_PS_ENDCAP_SQUARE | U_PS_JOIN_MITER));
        }
        at += size;
    }
}

void TestRecording::contextOnTheRecorderAnswersForTheReference()
{
    const TDeviceContext reference = Printer();
    TEnhMetafileRecorder recorder(reference);
    TDeviceContext dc(&recorder);
    QVERIFY(dc.IsMetafile());
    QCOMPARE(dc.GetDeviceCaps(LOGPIXELSX), 600);
    QCOMPARE(dc.GetDeviceCaps(HORZRES), 4960);
    QCOMPARE(dc.GetDeviceCaps(TECHNOLOGY), DT_RASPRINTER); // the reference's technology, as on the platform
}

void TestRecording::explicitAdvancesAreRecordedInOneTextRecord()
{
    const TDeviceContext reference = Printer();
    TEnhMetafileRecorder recorder(reference);
    {
        TDeviceContext dc(&recorder);
        dc.SetBkMode(TRANSPARENT);
        dc.SelectFont(Font(10, 600));
        const INT dx[] = { 60, 61, 59, 60 };
        dc.ExtTextOut(100, 100, 0, nullptr, u"Wide", dx);
    }
    const QByteArray bytes = recorder.Finish().Bytes();
    int texts = 0;
    for (qsizetype at = 0; at + 8 <= bytes.size();) {
        std::uint32_t type, size;
        std::memcpy(&type, bytes.constData() + at, 4);
        std::memcpy(&size, bytes.constData() + at + 4, 4);
        if (type == U_EMR_EXTTEXTOUTW) {
            ++texts;
            const auto* text = reinterpret_cast<const U_EMREXTTEXTOUTW*>(bytes.constData() + at);
            QCOMPARE(text->emrtext.nChars, 4u);
            std::uint32_t offDx;
            std::memcpy(&offDx, bytes.constData() + at + 72, 4);
            std::uint32_t dx[3];
            std::memcpy(dx, bytes.constData() + at + offDx, sizeof dx);
            // Sixteenths of a reference pixel.
            QCOMPARE(dx[0], 60u * 16);
            QCOMPARE(dx[1], 61u * 16);
            QCOMPARE(dx[2], 59u * 16);
        }
        at += size;
    }
    QCOMPARE(texts, 1);
}

void TestRecording::playingFollowsThePaintersTransform()
{
    const TDeviceContext reference = Printer();
    TEnhMetafileRecorder recorder(reference, TEnhMetafileRecorder::FrameFromPixels(reference, QSize(600, 600)));
    {
        TDeviceContext dc(&recorder);
        dc.FillRect(RECT { 0, 0, 600, 600 }, CreateSolidBrush(0));
    }
    const TEnhMetafile metafile = recorder.Finish();
    QImage image = Page(96, QSize(300, 300));
    {
        QPainter painter(&image);
        painter.translate(50, 20);
        painter.scale(0.5, 0.5);
        metafile.Play(painter, QRectF(0, 0, 200, 200));
        QCOMPARE(painter.worldTransform(), QTransform(0.5, 0, 0, 0.5, 50, 20)); // left as it was
    }
    QCOMPARE(InkBox(image), QRect(50, 20, 100, 100));
}

void TestRecording::filesRoundTrip()
{
    QTemporaryDir dir;
    const TEnhMetafile metafile = RecordedSample();
    const QString path = dir.filePath(QStringLiteral("table.emf"));
    metafile.Save(path);
    const TEnhMetafile loaded = TEnhMetafile::Load(path);
    QCOMPARE(loaded.Bytes(), metafile.Bytes());
    QCOMPARE(loaded.Header().Frame.right, metafile.Header().Frame.right);
    QVERIFY_THROWS_EXCEPTION(EFOpenError, TEnhMetafile::Load(dir.filePath(QStringLiteral("none.emf"))));
    QVERIFY_THROWS_EXCEPTION(EFCreateError, metafile.Save(dir.filePath(QStringLiteral("missing/table.emf"))));
}

class TestPlayback : public QObject {
    Q_OBJECT
private slots:
    void foreignMappingAndBitmapsPlay();
    void malformedBytesAreRejected_data();
    void malformedBytesAreRejected();
    void corruptedBytesNeverCrash();
    void windowsMetafilesConvert();
    void windowsMetafileTextIsDrawn();
    void malformedWindowsMetafilesAreRejected();
};

void TestPlayback::foreignMappingAndBitmapsPlay()
{
    const TEnhMetafile metafile = TEnhMetafile::FromBytes(ForeignMetafile());
    const QImage image = metafile.ToImage(QSize(100, 100));
    // Without a pen the platform fills one pixel less to the right and below.
    QVERIFY(Inked(image.pixel(10, 50)) && Inked(image.pixel(48, 98)));
    QVERIFY(!Inked(image.pixel(49, 60)) && !Inked(image.pixel(20, 99)));
    QVERIFY(!Inked(image.pixel(51, 75))); // below the bitmap
    // The bitmap's first pixel is black (index 1), its second white (index 0).
    QVERIFY(Inked(image.pixel(60, 20)));
    QVERIFY(!Inked(image.pixel(90, 20)));
}

void TestPlayback::malformedBytesAreRejected_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = ForeignMetafile();
    auto patched = [&](qsizetype offset, std::uint32_t value) {
        QByteArray bytes = good;
        std::memcpy(bytes.data() + offset, &value, 4);
        return bytes;
    };
    const qsizetype header = qsizetype(reinterpret_cast<const U_EMR*>(good.constData())->nSize);
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("not a metafile") << QByteArray(200, 'x');
    QTest::newRow("truncated") << good.left(good.size() - 10);
    QTest::newRow("no end record") << good.left(good.size() - 20);
    QTest::newRow("zero-sized record") << patched(header + 4, 0);
    QTest::newRow("size not a multiple of 4") << patched(header + 4, 13);
    QTest::newRow("size past the end") << patched(header + 4, 0x7FFFFFF0);
    QTest::newRow("header size past the end") << patched(4, std::uint32_t(good.size() + 4));
    QTest::newRow("second header") << patched(header, U_EMR_HEADER);
    // The bitmap's info block claims 2^30 bytes.
    QByteArray absurd = good;
    const qsizetype last = [&] {
        qsizetype at = 0, previous = 0;
        while (at + 8 <= absurd.size()) {
            std::uint32_t type, size;
            std::memcpy(&type, absurd.constData() + at, 4);
            std::memcpy(&size, absurd.constData() + at + 4, 4);
            if (type == U_EMR_STRETCHDIBITS)
                previous = at;
            at += size;
        }
        return previous;
    }();
    const std::uint32_t hugeInfo = 0x40000000;
    std::memcpy(absurd.data() + last + 52, &hugeInfo, 4); // cbBmiSrc
    QTest::newRow("absurd bitmap size") << absurd;
}

void TestPlayback::malformedBytesAreRejected()
{
    QFETCH(QByteArray, bytes);
    QVERIFY_THROWS_EXCEPTION(EConvertError, TEnhMetafile::FromBytes(bytes));
}

void TestPlayback::corruptedBytesNeverCrash()
{
    // Random damage, in the records' fields or anywhere: every result is an error or a picture.
    const QByteArray good = RecordedSample().Bytes();
    const QByteArray foreign = ForeignMetafile();
    QRandomGenerator random(20240611);
    int played = 0;
    for (int round = 0; round < 400; ++round) {
        QByteArray bytes = round % 2 ? good : foreign;
        const int changes = 1 + int(random.bounded(8));
        for (int i = 0; i < changes; ++i) {
            const qsizetype at = qsizetype(random.bounded(quint32(bytes.size())));
            if (round % 4 < 2 && at % 4 == 0 && at > 100)
                bytes[at + 1] = char(random.bounded(256)); // leave most size fields alone
            else
                bytes[at] = char(random.bounded(256));
        }
        try {
            const TEnhMetafile metafile = TEnhMetafile::FromBytes(bytes);
            metafile.ToImage(QSize(60, 30));
            ++played;
        } catch (const EConvertError&) {
        }
    }
    QVERIFY(played > 0);
}

void TestPlayback::windowsMetafilesConvert()
{
    const TEnhMetafile metafile = TEnhMetafile::FromWmf(SquareWmf());
    QCOMPARE(metafile.SizeHundredthsMm(), QSize(2540, 2540));
    const QImage image = metafile.ToImage(QSize(100, 100));
    const QRect ink = InkBox(image);
    QVERIFY2(std::abs(ink.left() - 25) <= 1 && std::abs(ink.right() - 74) <= 1, qPrintable(QString::number(ink.right())));
    QVERIFY(std::abs(ink.top() - 25) <= 1 && std::abs(ink.bottom() - 74) <= 1);
    // Without the placeable header the caller gives the size (as RTF's \picwgoal does).
    const TEnhMetafile bare = TEnhMetafile::FromWmf(SquareWmf().mid(22), QSize(5080, 5080));
    QCOMPARE(bare.SizeHundredthsMm(), QSize(5080, 5080));
}

void TestPlayback::windowsMetafileTextIsDrawn()
{
    const QImage image = TEnhMetafile::FromWmf(LabelledWmf()).ToImage(QSize(400, 200));
    // "Sales" from about (40, 40) and "Winter" from about (200, 140), each about 48 pixels high.
    const QRect sales = InkBox(image.copy(0, 0, 200, 100));
    const QRect winter = InkBox(image.copy(200, 100, 200, 100));
    QVERIFY2(!sales.isEmpty() && sales.left() >= 38 && sales.width() > 60 && sales.top() >= 38, qPrintable(QStringLiteral("%1 %2 %3").arg(sales.left()).arg(sales.top()).arg(sales.width())));
    QVERIFY2(!winter.isEmpty() && winter.width() > 80 && winter.top() + 100 >= 138, qPrintable(QStringLiteral("%1 %2").arg(winter.top()).arg(winter.width())));
}

void TestPlayback::malformedWindowsMetafilesAreRejected()
{
    QByteArray oversized = SquareWmf();
    const qsizetype rectangle = oversized.indexOf(QByteArray("\x1B\x04", 2)) - 4;
    oversized[rectangle] = char(0x70); // a record size past the end
    QVERIFY_THROWS_EXCEPTION(EConvertError, TEnhMetafile::FromWmf(oversized));
    QVERIFY_THROWS_EXCEPTION(EConvertError, TEnhMetafile::FromWmf(SquareWmf().left(30)));
    QVERIFY_THROWS_EXCEPTION(EConvertError, TEnhMetafile::FromWmf(QByteArray(40, '\0')));
    QVERIFY_THROWS_EXCEPTION(EConvertError, TEnhMetafile::FromWmf(QByteArray("\xD7\xCD\xC6\x9A", 4)));
}

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    return RunTestClasses<TestRecording, TestPlayback>(argc, argv);
}

#include "tst_metafile.moc"
