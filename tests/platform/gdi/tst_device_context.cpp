// Device contexts: units, colours, mapping modes, capabilities, shapes, pens and clipping.
#include "DeviceContext.h"
#include "GdiColors.h"
#include "TestMain.h"
#include "Units.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTest>

namespace {

QImage Page(int dpi, QSize pixels)
{
    QImage image(pixels, QImage::Format_RGB32);
    image.setDotsPerMeterX(int(std::nearbyint(dpi / 0.0254)));
    image.setDotsPerMeterY(int(std::nearbyint(dpi / 0.0254)));
    image.fill(Qt::white);
    return image;
}

bool Inked(const QImage& image, int x, int y) { return qGray(image.pixel(x, y)) < 128; }

// The inked pixels' bounding box.
QRect InkBox(const QImage& image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (Inked(image, x, y))
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

class TestUnits : public QObject {
    Q_OBJECT
private slots:
    void conversionsRoundHalvesToEven_data();
    void conversionsRoundHalvesToEven();
    void rectanglesKeepTheirExclusiveEdges();
    void mulDivRoundsHalvesAwayFromZero();
    void systemColoursResolve();
};

void TestUnits::conversionsRoundHalvesToEven_data()
{
    QTest::addColumn<int>("actual");
    QTest::addColumn<int>("expected");
    QTest::newRow("points 0.125") << TwipsFromPoints(0.125) << 2; // 2.5 twips
    QTest::newRow("points 0.175") << TwipsFromPoints(0.175) << 4; // 3.5 twips
    QTest::newRow("truncating points") << PointsFromTwips(239) << 11;
    QTest::newRow("negative points") << PointsFromTwips(-239) << -11;
    QTest::newRow("pixels at 96") << PixelsFromTwips(1440, 96) << 96;
    QTest::newRow("half pixel down") << PixelsFromTwips(6, 600) << 2; // 2.5
    QTest::newRow("half pixel up") << PixelsFromTwips(18, 600) << 8; // 7.5
    QTest::newRow("twips from pixels") << TwipsFromPixels(100, 600) << 240;
    QTest::newRow("inches") << PixelsFromInches(1.5 / 600, 600) << 2;
}

void TestUnits::conversionsRoundHalvesToEven()
{
    QFETCH(int, actual);
    QFETCH(int, expected);
    QCOMPARE(actual, expected);
}

void TestUnits::rectanglesKeepTheirExclusiveEdges()
{
    const RECT rect = RectFromQRect(QRect(10, 20, 30, 40));
    QCOMPARE(rect.right, 40);
    QCOMPARE(rect.bottom, 60);
    QCOMPARE(QRectFromRect(rect), QRect(10, 20, 30, 40));
}

void TestUnits::mulDivRoundsHalvesAwayFromZero()
{
    QCOMPARE(MulDiv(12, 600, 72), 100);
    QCOMPARE(MulDiv(5, 1, 2), 3);
    QCOMPARE(MulDiv(-5, 1, 2), -3);
    QCOMPARE(MulDiv(1, 1, 0), -1);
    QCOMPARE(MulDiv(0x40000000, 2, 4), 0x20000000); // the product needs 64 bits
}

void TestUnits::systemColoursResolve()
{
    QCOMPARE(QColorFromColorRef(RGB(1, 2, 3)), QColor(1, 2, 3));
    QCOMPARE(QColorFromColorRef(clWindow), QColor(Qt::white));
    QCOMPARE(QColorFromColorRef(clWindowText), QColor(Qt::black));
    QCOMPARE(QColorFromColorRef(0x80000000 | COLOR_BTNFACE), QColor(240, 240, 240));
    QCOMPARE(QColorFromColorRef(clDefault), QColor(Qt::black));
    QCOMPARE(QColorFromColorRef(0x800000FF), QColor(Qt::black));
    QCOMPARE(QColorFromColorRef(clNone).alpha(), 0);
}

class TestMapping : public QObject {
    Q_OBJECT
private slots:
    void anisotropicMapsWindowOntoViewport();
    void scaleViewportTruncatesAndReturnsTheOldExtent();
    void extentsAreIgnoredOutsideScalableModes();
    void isotropicKeepsTheAspect();
    void restoreDcBringsBackTheMapping();
    void sixHundredthsOfAnInchLandOnDevicePixels();
    void imageAnswersItsResolution();
    void informationContextAnswersWithoutDrawing();
    void pdfWriterIsAPrinterWithItsSheet();
};

void TestMapping::anisotropicMapsWindowOntoViewport()
{
    auto dc = TDeviceContext::InformationContext(96, 96, QSize(800, 600));
    QCOMPARE(dc.SetMapMode(MM_ANISOTROPIC), MM_TEXT);
    dc.SetWindowOrgEx(100, 200);
    dc.SetWindowExtEx(1000, 2000);
    dc.SetViewportOrgEx(10, 20);
    dc.SetViewportExtEx(500, -500);
    POINT points[] = { { 100, 200 }, { 1100, 2200 }, { 300, 600 } };
    QVERIFY(dc.LPtoDP(points, 3));
    QCOMPARE(points[0].x, 10);
    QCOMPARE(points[0].y, 20);
    QCOMPARE(points[1].x, 510);
    QCOMPARE(points[1].y, -480);
    QCOMPARE(points[2].x, 110);
    QCOMPARE(points[2].y, -80);
    QVERIFY(dc.DPtoLP(points, 3));
    QCOMPARE(points[2].x, 300);
    QCOMPARE(points[2].y, 600);
}

void TestMapping::scaleViewportTruncatesAndReturnsTheOldExtent()
{
    auto dc = TDeviceContext::InformationContext(600, 600, QSize(4960, 7016));
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExtEx(4960, 7016);
    dc.SetViewportExtEx(4960, 7016);
    SIZE old;
    QVERIFY(dc.ScaleViewportExtEx(70, 100, 70, 100, &old));
    QCOMPARE(old.cx, 4960);
    SIZE now;
    dc.GetViewportExtEx(&now);
    QCOMPARE(now.cx, 3472);
    QCOMPARE(now.cy, 4911); // 4911.2 truncated
    QVERIFY(!dc.ScaleViewportExtEx(1, 0, 1, 1));
}

void TestMapping::extentsAreIgnoredOutsideScalableModes()
{
    auto dc = TDeviceContext::InformationContext(96, 96, QSize(100, 100));
    dc.SetWindowExtEx(10, 10);
    dc.SetViewportExtEx(1000, 1000);
    POINT p { 5, 5 };
    dc.LPtoDP(&p, 1);
    QCOMPARE(p.x, 5);
    dc.SetMapMode(MM_TWIPS);
    p = { 1440, 1440 };
    dc.LPtoDP(&p, 1);
    QCOMPARE(p.x, 96);
    QCOMPARE(p.y, -96);
}

void TestMapping::isotropicKeepsTheAspect()
{
    auto dc = TDeviceContext::InformationContext(96, 96, QSize(100, 100));
    dc.SetMapMode(MM_ISOTROPIC);
    dc.SetWindowExtEx(100, 100);
    dc.SetViewportExtEx(400, 200);
    SIZE view;
    dc.GetViewportExtEx(&view);
    QCOMPARE(view.cx, 200);
    QCOMPARE(view.cy, 200);
}

void TestMapping::restoreDcBringsBackTheMapping()
{
    auto dc = TDeviceContext::InformationContext(96, 96, QSize(100, 100));
    const int level = dc.SaveDC();
    QCOMPARE(level, 1);
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetViewportOrgEx(50, 50);
    dc.SaveDC();
    dc.SetViewportOrgEx(70, 70);
    QVERIFY(dc.RestoreDC(-1));
    POINT origin;
    dc.GetViewportOrgEx(&origin);
    QCOMPARE(origin.x, 50);
    QVERIFY(dc.RestoreDC(level));
    QCOMPARE(dc.GetMapMode(), MM_TEXT);
    QVERIFY(!dc.RestoreDC(1)); // nothing left to restore
}

void TestMapping::sixHundredthsOfAnInchLandOnDevicePixels()
{
    // The preview's drawing space: 600 units to the inch of an A4 page, shown at 100 dpi from (20, 10).
    QImage image = Page(100, QSize(900, 1200));
    {
        TDeviceContext dc(&image);
        dc.SetMapMode(MM_ANISOTROPIC);
        dc.SetWindowExtEx(600 * 827 / 100, 600 * 1169 / 100);
        dc.SetViewportExtEx(827, 1169);
        dc.SetViewportOrgEx(20, 10);
        dc.SelectObject(GetStockObject(BLACK_BRUSH));
        dc.SelectObject(GetStockObject(NULL_PEN));
        dc.Rectangle(600, 1200, 1200, 1800); // one inch square from (1, 2) inches
        QVERIFY(dc.Painter());
    }
    // 1 inch = 100 pixels; without a pen the platform leaves out the right and bottom pixel rows.
    QCOMPARE(InkBox(image), QRect(20 + 100, 10 + 200, 99, 99));
}

void TestMapping::imageAnswersItsResolution()
{
    QImage image = Page(600, QSize(4960, 10));
    TDeviceContext dc(&image);
    QCOMPARE(dc.GetDeviceCaps(LOGPIXELSX), 600);
    QCOMPARE(dc.GetDeviceCaps(LOGPIXELSY), 600);
    QCOMPARE(dc.GetDeviceCaps(HORZRES), 4960);
    QCOMPARE(dc.GetDeviceCaps(VERTRES), 10);
    QCOMPARE(dc.GetDeviceCaps(HORZSIZE), 210);
    QCOMPARE(dc.GetDeviceCaps(BITSPIXEL), 32);
    QCOMPARE(dc.GetDeviceCaps(TECHNOLOGY), DT_RASDISPLAY);
    QCOMPARE(dc.GetDeviceCaps(PHYSICALWIDTH), 0); // displays have no sheet
}

void TestMapping::informationContextAnswersWithoutDrawing()
{
    TDeviceCaps caps;
    caps.DpiX = caps.DpiY = 300;
    caps.Pixels = QSize(2358, 3407);
    caps.Technology = DT_RASPRINTER;
    TDeviceContext dc(caps);
    dc.SetPhysicalPage(QSize(2481, 3507), QPoint(65, 50));
    QVERIFY(dc.IsInformationContext());
    QVERIFY(!dc.Painter());
    QVERIFY(!dc.Rectangle(0, 0, 10, 10));
    QCOMPARE(dc.GetDeviceCaps(PHYSICALWIDTH), 2481);
    QCOMPARE(dc.GetDeviceCaps(PHYSICALHEIGHT), 3507);
    QCOMPARE(dc.GetDeviceCaps(PHYSICALOFFSETX), 65);
    QCOMPARE(dc.GetDeviceCaps(PHYSICALOFFSETY), 50);
    QCOMPARE(dc.GetDeviceCaps(VERTRES), 3407);
}

void TestMapping::pdfWriterIsAPrinterWithItsSheet()
{
    QTemporaryDir dir;
    QPdfWriter writer(dir.filePath(QStringLiteral("page.pdf")));
    writer.setResolution(600);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(10, 20, 10, 20), QPageLayout::Millimeter);
    TDeviceContext dc(&writer);
    QCOMPARE(dc.GetDeviceCaps(TECHNOLOGY), DT_RASPRINTER);
    QCOMPARE(dc.GetDeviceCaps(LOGPIXELSX), 600);
    // Qt keeps page sizes in points, so pixels come within a few of the millimetres.
    QVERIFY(std::abs(dc.GetDeviceCaps(PHYSICALWIDTH) - 4961) <= 4);
    QVERIFY(std::abs(dc.GetDeviceCaps(PHYSICALOFFSETX) - 236) <= 4); // 10 mm
    QVERIFY(std::abs(dc.GetDeviceCaps(PHYSICALOFFSETY) - 472) <= 4);
    QVERIFY(dc.GetDeviceCaps(HORZRES) < dc.GetDeviceCaps(PHYSICALWIDTH));
}

class TestShapes : public QObject {
    Q_OBJECT
private slots:
    void rectanglesLeaveOutTheirRightAndBottomEdges();
    void cosmeticLinesLeaveOutTheirLastPixel();
    void squareCapsReachBeyondTheEnds();
    void cosmeticPenStaysOnePixelWhenScaled();
    void clipFromAPathKeepsDrawingInside();
    void clipRectanglesCombine();
    void gradientRunsBetweenItsColours();
};

void TestShapes::rectanglesLeaveOutTheirRightAndBottomEdges()
{
    QImage image = Page(96, QSize(40, 40));
    {
        TDeviceContext dc(&image);
        dc.SelectObject(GetStockObject(NULL_BRUSH));
        dc.Rectangle(5, 5, 15, 15);
        dc.FillRect(RECT { 20, 20, 30, 25 }, CreateSolidBrush(RGB(0, 0, 0)));
    }
    QVERIFY(Inked(image, 5, 5));
    QVERIFY(Inked(image, 14, 14));
    QVERIFY(!Inked(image, 15, 14));
    QVERIFY(!Inked(image, 10, 10)); // hollow
    QVERIFY(Inked(image, 29, 24));
    QVERIFY(!Inked(image, 30, 24));
    QVERIFY(!Inked(image, 29, 25));
}

void TestShapes::cosmeticLinesLeaveOutTheirLastPixel()
{
    QImage image = Page(96, QSize(40, 10));
    {
        TDeviceContext dc(&image);
        dc.MoveToEx(2, 5);
        dc.LineTo(20, 5);
        POINT position;
        dc.GetCurrentPositionEx(&position);
        QCOMPARE(position.x, 20);
    }
    QVERIFY(Inked(image, 2, 5));
    QVERIFY(Inked(image, 19, 5));
    QVERIFY(!Inked(image, 20, 5));
}

void TestShapes::squareCapsReachBeyondTheEnds()
{
    auto endPixels = [](DWORD cap) {
        QImage image = Page(96, QSize(80, 40));
        {
            TDeviceContext dc(&image);
            dc.SelectPen(ExtCreatePen(PS_GEOMETRIC | PS_SOLID | cap | PS_JOIN_MITER, 10, LOGBRUSH { BS_SOLID, 0, 0 }));
            dc.MoveToEx(20, 20);
            dc.LineTo(60, 20);
        }
        return InkBox(image);
    };
    const QRect square = endPixels(PS_ENDCAP_SQUARE);
    const QRect flat = endPixels(PS_ENDCAP_FLAT);
    // Half the width beyond each end, and the full width across.
    QVERIFY2(std::abs(square.left() - 15) <= 1 && std::abs(square.right() - 64) <= 1, qPrintable(QString::number(square.left())));
    QVERIFY(std::abs(flat.left() - 20) <= 1 && std::abs(flat.right() - 59) <= 1);
    QVERIFY(std::abs(square.height() - 10) <= 1);
}

void TestShapes::cosmeticPenStaysOnePixelWhenScaled()
{
    QImage image = Page(96, QSize(60, 60));
    {
        TDeviceContext dc(&image);
        dc.SetMapMode(MM_ANISOTROPIC);
        dc.SetWindowExtEx(1, 1);
        dc.SetViewportExtEx(10, 10);
        dc.SelectPen(CreatePen(PS_SOLID, 0, 0));
        dc.MoveToEx(1, 3);
        dc.LineTo(5, 3);
        dc.SelectPen(CreatePen(PS_SOLID, 1, 0)); // geometric width 1 becomes ten pixels
        dc.MoveToEx(1, 5);
        dc.LineTo(5, 5);
    }
    QVERIFY(Inked(image, 25, 30));
    QVERIFY(!Inked(image, 25, 29) && !Inked(image, 25, 31));
    QVERIFY(Inked(image, 25, 47) && Inked(image, 25, 53));
}

void TestShapes::clipFromAPathKeepsDrawingInside()
{
    QImage image = Page(96, QSize(50, 50));
    {
        TDeviceContext dc(&image);
        dc.SetMapMode(MM_ANISOTROPIC);
        dc.SetWindowExtEx(2, 2);
        dc.SetViewportExtEx(1, 1);
        dc.BeginPath();
        dc.Rectangle(20, 20, 60, 40);
        dc.EndPath();
        const QRegion region = dc.PathToRegion();
        QCOMPARE(region, QRegion(QRect(10, 10, 20, 10)));
        QCOMPARE(dc.SelectClipRgn(&region), SIMPLEREGION);
        RECT box;
        dc.GetClipBox(&box);
        QCOMPARE(box.right, 60);
        dc.FillRect(RECT { 0, 0, 100, 100 }, CreateSolidBrush(0));
        dc.SelectClipRgn(nullptr);
        dc.FillRect(RECT { 0, 90, 2, 92 }, CreateSolidBrush(0));
    }
    QCOMPARE(InkBox(image.copy(0, 0, 50, 40)), QRect(10, 10, 20, 10));
    QVERIFY(Inked(image, 0, 45)); // the clip was removed
}

void TestShapes::clipRectanglesCombine()
{
    QImage image = Page(96, QSize(50, 50));
    {
        TDeviceContext dc(&image);
        dc.IntersectClipRect(10, 10, 40, 40);
        dc.ExcludeClipRect(20, 20, 30, 30);
        QCOMPARE(dc.IntersectClipRect(0, 0, 50, 50), COMPLEXREGION);
        dc.FillRect(RECT { 0, 0, 50, 50 }, CreateSolidBrush(0));
    }
    QVERIFY(Inked(image, 10, 10) && Inked(image, 39, 39));
    QVERIFY(!Inked(image, 25, 25) && !Inked(image, 40, 40) && !Inked(image, 9, 9));
}

void TestShapes::gradientRunsBetweenItsColours()
{
    QImage image = Page(96, QSize(10, 101));
    {
        TDeviceContext dc(&image);
        dc.FillGradient(RECT { 0, 0, 10, 101 }, RGB(255, 245, 221), RGB(255, 210, 94), true);
    }
    QVERIFY(std::abs(qBlue(image.pixel(5, 0)) - 221) <= 3);
    QVERIFY(std::abs(qBlue(image.pixel(5, 100)) - 94) <= 3);
    QVERIFY(std::abs(qBlue(image.pixel(5, 50)) - 157) <= 6);
    QCOMPARE(image.pixel(0, 50), image.pixel(9, 50)); // vertical: rows are uniform
}

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    return RunTestClasses<TestUnits, TestMapping, TestShapes>(argc, argv);
}

#include "tst_device_context.moc"
