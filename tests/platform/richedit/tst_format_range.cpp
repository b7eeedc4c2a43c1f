// EM_FORMATRANGE: slicing a document into pages, drawing the slices, and zoom.
#include "ControlFixture.h"
#include "DeviceContext.h"
#include "PictureObject.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTextDocument>

class TestFormatRange : public QObject {
    Q_OBJECT
private slots:
    void pagesCoverEveryCharacterOnceInOrder_data();
    void pagesCoverEveryCharacterOnceInOrder();
    void documentThatFitsReturnsTheLength();
    void heightUsedIsWrittenBack();
    void lineTallerThanThePageStillAdvances();
    void breaksAreStableAcrossCalls();
    void pageBreakStartsANewSlice();
    void renderingDrawsTheMeasuredLines();
    void renderingHonoursTheMappingMode();
    void paragraphBordersAndShadingArePrinted();
    void linesDoNotPaintOverEachOther();
    void nullRecordDiscardsTheLayout();
    void justifiedTextNeedsAdvancedTypography();
    void picturesTakeTheirNaturalSize();
    void zoomScalesTheView();
};

static QString LongText(int paragraphs)
{
    QStringList lines;
    for (int i = 0; i < paragraphs; ++i)
        lines.append(QStringLiteral("Paragraph %1 holds enough words to wrap over more than one line of the page, "
                                    "so that slices end inside paragraphs as well as between them.")
                         .arg(i));
    return lines.join(u'\r');
}

static QImage Page(int dpi, QSize inches = QSize(8, 11))
{
    QImage image(inches * dpi, QImage::Format_RGB32);
    image.setDotsPerMeterX(int(std::nearbyint(dpi / 0.0254)));
    image.setDotsPerMeterY(int(std::nearbyint(dpi / 0.0254)));
    image.fill(Qt::white);
    return image;
}

static FORMATRANGE Range(TDeviceContext& target, LONG start, LONG heightTwips = 14400)
{
    FORMATRANGE range;
    range.hdc = &target;
    range.hdcTarget = &target;
    range.rc = { 1440, 1440, 1440 + 9000, 1440 + heightTwips };
    range.rcPage = { 0, 0, 12240, 15840 };
    range.chrg = { start, -1 };
    return range;
}

static QList<LONG> Paginate(TRichEditControl& control, TDeviceContext& target, LONG heightTwips = 14400)
{
    QList<LONG> starts;
    LONG position = 0;
    const LONG length = control.TextLength();
    while (position < length) {
        starts.append(position);
        FORMATRANGE range = Range(target, position, heightTwips);
        const LONG next = LONG(control.Perform(EM_FORMATRANGE, 0, reinterpret_cast<LPARAM>(&range)));
        if (next <= position)
            return {};
        position = next;
    }
    return starts;
}

void TestFormatRange::pagesCoverEveryCharacterOnceInOrder_data()
{
    QTest::addColumn<int>("dpi");
    QTest::newRow("screen") << 96;
    QTest::newRow("printer") << 600;
}

void TestFormatRange::pagesCoverEveryCharacterOnceInOrder()
{
    QFETCH(int, dpi);
    TRichEditControl control;
    SetUp(control);
    control.SetText(LongText(300));
    QImage image = Page(dpi, QSize(1, 1));
    TDeviceContext target(&image);
    const QList<LONG> starts = Paginate(control, target);
    QVERIFY(starts.size() > 3);
    QCOMPARE(starts.first(), 0);
    for (int i = 1; i < starts.size(); ++i) {
        QVERIFY(starts[i] > starts[i - 1]);
        // Whole lines only: a slice starts at a line's start.
        QCOMPARE(control.LineIndex(control.LineFromChar(starts[i])), starts[i]);
    }
}

void TestFormatRange::documentThatFitsReturnsTheLength()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("short\rtext"));
    QImage image = Page(300, QSize(1, 1));
    TDeviceContext target(&image);
    FORMATRANGE range = Range(target, 0);
    QCOMPARE(control.Perform(EM_FORMATRANGE, 0, reinterpret_cast<LPARAM>(&range)), LRESULT(control.TextLength()));
}

void TestFormatRange::heightUsedIsWrittenBack()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("one line"));
    QImage image = Page(300, QSize(1, 1));
    TDeviceContext target(&image);
    FORMATRANGE range = Range(target, 0);
    control.Perform(EM_FORMATRANGE, 0, reinterpret_cast<LPARAM>(&range));
    const LONG used = range.rc.bottom - range.rc.top;
    // One line of 12-point text is between 12 and 20 points high.
    QVERIFY2(used >= 240 && used <= 400, qPrintable(QString::number(used)));
}

void TestFormatRange::lineTallerThanThePageStillAdvances()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("first\rsecond"));
    QImage image = Page(300, QSize(1, 1));
    TDeviceContext target(&image);
    FORMATRANGE range = Range(target, 0, 20);
    QCOMPARE(control.Perform(EM_FORMATRANGE, 0, reinterpret_cast<LPARAM>(&range)), LRESULT(6));
}

void TestFormatRange::breaksAreStableAcrossCalls()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(LongText(120));
    QImage image = Page(600, QSize(1, 1));
    TDeviceContext target(&image);
    const QList<LONG> first = Paginate(control, target);
    control.Perform(EM_FORMATRANGE, 0, 0);
    QCOMPARE(Paginate(control, target), first);
    QImage other = Page(300, QSize(1, 1));
    TDeviceContext coarser(&other);
    QVERIFY(!Paginate(control, coarser).isEmpty());
    QCOMPARE(Paginate(control, target), first);
}

void TestFormatRange::pageBreakStartsANewSlice()
{
    TRichEditControl control;
    SetUp(control);
    QVERIFY(control.LoadBytes(SF_RTF, "{\\rtf1\\ansi first page\\page second page}"));
    QImage image = Page(300, QSize(1, 1));
    TDeviceContext target(&image);
    FORMATRANGE range = Range(target, 0);
    QCOMPARE(control.Perform(EM_FORMATRANGE, 0, reinterpret_cast<LPARAM>(&range)), LRESULT(11));
}

static int InkedRows(const QImage& image)
{
    int rows = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(line[x]) < 128) {
                ++rows;
                break;
            }
        }
    }
    return rows;
}

void TestFormatRange::renderingDrawsTheMeasuredLines()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(LongText(40));
    QImage page = Page(150);
    QImage blank = page;
    {
        TDeviceContext target(&page);
        FORMATRANGE range = Range(target, 0, 4 * 1440);
        const LONG next = LONG(control.Perform(EM_FORMATRANGE, 1, reinterpret_cast<LPARAM>(&range)));
        QVERIFY(next > 0 && next < control.TextLength());
    }
    QVERIFY(page != blank);
    // Nothing is drawn above the rectangle's top or below the height measured.
    const int top = 150, bottom = 150 + 4 * 150;
    for (int y = 0; y < page.height(); ++y) {
        if (y >= top - 2 && y <= bottom + 2)
            continue;
        const auto* line = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        for (int x = 0; x < page.width(); ++x)
            QVERIFY2(qGray(line[x]) > 200, qPrintable(QStringLiteral("ink at row %1").arg(y)));
    }
    QVERIFY(InkedRows(page) > 50);
}

void TestFormatRange::paragraphBordersAndShadingArePrinted()
{
    // A red box round a green-shaded paragraph; the next one has the same box and joins it, so no
    // red line runs between them; the last has none.
    TRichEditControl control;
    SetUp(control);
    QVERIFY(control.LoadBytes(SF_RTF,
        "{\\rtf1\\ansi{\\colortbl;\\red255\\green0\\blue0;\\red0\\green255\\blue0;}"
        "\\pard\\box\\brdrs\\brdrw30\\brdrcf1\\cbpat2 Boxed\\par Also boxed\\par\\pard Plain\\par}"));
    QImage page = Page(100);
    {
        TDeviceContext target(&page);
        FORMATRANGE range = Range(target, 0);
        QVERIFY(control.Perform(EM_FORMATRANGE, 1, reinterpret_cast<LPARAM>(&range)) > 0);
    }
    QList<int> redRows;
    int greenRows = 0;
    for (int y = 0; y < page.height(); ++y) {
        const QRgb pixel = page.pixel(500, y); // inside the box, right of the text
        if (qRed(pixel) > 200 && qGreen(pixel) < 80)
            redRows.append(y);
        else if (qGreen(pixel) > 200 && qRed(pixel) < 80)
            ++greenRows;
    }
    QVERIFY(greenRows > 20); // the shading of both lines
    // A top and a bottom line, each a few pixels thick, with the shaded lines between.
    QVERIFY2(!redRows.isEmpty() && redRows.last() - redRows.first() > greenRows && redRows.size() < 10,
        qPrintable(QStringLiteral("%1 red rows from %2").arg(redRows.size()).arg(redRows.value(0))));
    // The left and right lines run beside the text at its height.
    const int middle = (redRows.first() + redRows.last()) / 2;
    int redColumns = 0;
    for (int x = 0; x < page.width(); ++x)
        redColumns += qRed(page.pixel(x, middle)) > 200 && qGreen(page.pixel(x, middle)) < 80;
    QVERIFY(redColumns >= 2 && redColumns < 10);
}

void TestFormatRange::renderingHonoursTheMappingMode()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("scaled text on a page"));
    QImage full = Page(100);
    QImage half = Page(100);
    {
        TDeviceContext target(&full);
        FORMATRANGE range = Range(target, 0);
        control.Perform(EM_FORMATRANGE, 1, reinterpret_cast<LPARAM>(&range));
    }
    {
        TDeviceContext target(&half);
        target.SetMapMode(MM_ANISOTROPIC);
        target.SetWindowExtEx(1000, 1000, nullptr);
        target.SetViewportExtEx(500, 500, nullptr);
        FORMATRANGE range = Range(target, 0);
        control.Perform(EM_FORMATRANGE, 1, reinterpret_cast<LPARAM>(&range));
    }
    auto inkBox = [](const QImage& image) {
        QRect box;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 128)
                    box |= QRect(x, y, 1, 1);
        return box;
    };
    const QRect large = inkBox(full);
    const QRect small = inkBox(half);
    QVERIFY(!large.isEmpty() && !small.isEmpty());
    QVERIFY(std::abs(small.left() * 2 - large.left()) <= 3);
    QVERIFY(std::abs(small.width() * 2 - large.width()) <= 6);
}

void TestFormatRange::linesDoNotPaintOverEachOther()
{
    // The first line lost its lower half: the device context's opaque background mode boxed every
    // run of the line below, superscript included, over the line above.
    auto firstLineInk = [](const QByteArray& rtf) {
        TRichEditControl control;
        SetUp(control);
        if (!control.LoadBytes(SF_RTF, rtf))
            return -1;
        QImage page = Page(150);
        TDeviceContext target(&page);
        FORMATRANGE first = Range(target, 0, 10);
        control.Perform(EM_FORMATRANGE, 0, reinterpret_cast<LPARAM>(&first));
        const int bottom = 150 + (first.rc.bottom - first.rc.top) * 150 / 1440;
        FORMATRANGE range = Range(target, 0);
        control.Perform(EM_FORMATRANGE, 1, reinterpret_cast<LPARAM>(&range));
        int ink = 0;
        for (int y = 150; y < bottom; ++y)
            for (int x = 0; x < page.width(); ++x)
                ink += qGray(page.pixel(x, y)) < 128;
        return ink;
    };
    const int alone = firstLineInk("{\\rtf1\\ansi gjpq strikeout\\par xy}");
    QVERIFY(alone > 0);
    QCOMPARE(firstLineInk("{\\rtf1\\ansi gjpq strikeout\\par x{\\super y}}"), alone);
}

void TestFormatRange::nullRecordDiscardsTheLayout()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("before"));
    QImage image = Page(300, QSize(1, 1));
    TDeviceContext target(&image);
    FORMATRANGE range = Range(target, 0);
    control.Perform(EM_FORMATRANGE, 0, reinterpret_cast<LPARAM>(&range));
    QCOMPARE(control.Perform(EM_FORMATRANGE, 0, 0), LRESULT(0));
    control.SetText(QStringLiteral("after the change"));
    range = Range(target, 0);
    QCOMPARE(control.Perform(EM_FORMATRANGE, 0, reinterpret_cast<LPARAM>(&range)), LRESULT(16));
}

void TestFormatRange::justifiedTextNeedsAdvancedTypography()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(LongText(3));
    Select(control, 0, control.TextLength());
    PARAFORMAT2 justify;
    justify.dwMask = PFM_ALIGNMENT;
    justify.wAlignment = PFA_JUSTIFY;
    QVERIFY(SetParaFormat(control, justify));
    auto rightEdge = [&](bool advanced) {
        control.Perform(EM_SETTYPOGRAPHYOPTIONS, advanced ? TO_ADVANCEDTYPOGRAPHY : 0, TO_ADVANCEDTYPOGRAPHY);
        QImage page = Page(100);
        TDeviceContext target(&page);
        FORMATRANGE range = Range(target, 0, 1440);
        control.Perform(EM_FORMATRANGE, 1, reinterpret_cast<LPARAM>(&range));
        // The rightmost ink of the first line.
        int right = 0;
        for (int y = 100; y < 100 + 18; ++y)
            for (int x = 0; x < page.width(); ++x)
                if (qGray(page.pixel(x, y)) < 128)
                    right = std::max(right, x);
        return right;
    };
    const int ragged = rightEdge(false);
    const int justified = rightEdge(true);
    QVERIFY2(justified > ragged, qPrintable(QStringLiteral("%1 %2").arg(ragged).arg(justified)));
    QVERIFY(justified >= 100 + 625 - 4);
}

void TestFormatRange::picturesTakeTheirNaturalSize()
{
    TRichEditControl control;
    SetUp(control);
    QImage picture(96, 48, QImage::Format_RGB32);
    picture.setDotsPerMeterX(3780);
    picture.setDotsPerMeterY(3780);
    picture.fill(Qt::black);
    QVERIFY(control.InsertPicture(PictureFromImage(picture)));
    QImage page = Page(200);
    TDeviceContext target(&page);
    FORMATRANGE range = Range(target, 0);
    QCOMPARE(control.Perform(EM_FORMATRANGE, 1, reinterpret_cast<LPARAM>(&range)), LRESULT(1));
    // One inch by half an inch at 200 dpi, drawn from the rectangle's corner.
    QCOMPARE(qGray(page.pixel(200 + 100, 200 + 50)), 0);
    QVERIFY(qGray(page.pixel(200 + 220, 200 + 50)) > 200);
    QVERIFY(qGray(page.pixel(200 + 100, 200 + 130)) > 200);
}

void TestFormatRange::zoomScalesTheView()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("zoomed"));
    control.resize(300, 200);
    control.show();
    QVERIFY(QTest::qWaitForWindowExposed(&control));
    auto lineHeight = [&] { return control.cursorRect(QTextCursor(control.document())).height(); };
    const double normal = lineHeight();
    QVERIFY(control.Perform(EM_SETZOOM, 2, 1));
    const double doubled = lineHeight();
    QVERIFY2(doubled > normal * 1.8, qPrintable(QStringLiteral("%1 %2").arg(normal).arg(doubled)));
    int numerator = -1, denominator = -1;
    control.Perform(EM_GETZOOM, reinterpret_cast<WPARAM>(&numerator), reinterpret_cast<LPARAM>(&denominator));
    QCOMPARE(numerator, 2);
    QCOMPARE(denominator, 1);
    QCOMPARE(control.Perform(EM_SETZOOM, 1, 100), LRESULT(0));
    QVERIFY(control.Perform(EM_SETZOOM, 0, 0));
    QCOMPARE(lineHeight(), normal);
}

QTEST_MAIN(TestFormatRange)
#include "tst_format_range.moc"
