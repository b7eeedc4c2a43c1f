// Fonts realised at the device's resolution, ExtTextOut and DrawText.
#include "DeviceContext.h"
#include "GdiFontDefs.h"
#include "TestMain.h"
#include "Units.h"

#include <QGuiApplication>
#include <QImage>
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

HFONT Font(int points, int dpi, LONG weight = FW_NORMAL)
{
    LOGFONTW log;
    log.lfHeight = -MulDiv(points, dpi, 72);
    log.lfWeight = weight;
    TGdiFont font = CreateFontIndirect(log);
    font.SetFaceName(QStringLiteral("DejaVu Sans"));
    return font;
}

QRect InkBox(const QImage& image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 160)
                box |= QRect(x, y, 1, 1);
    return box;
}

// Columns holding ink, as runs [start, end].
QList<QPair<int, int>> InkColumns(const QImage& image)
{
    QList<QPair<int, int>> runs;
    int start = -1;
    for (int x = 0; x <= image.width(); ++x) {
        bool ink = false;
        for (int y = 0; x < image.width() && y < image.height() && !ink; ++y)
            ink = qGray(image.pixel(x, y)) < 160;
        if (ink && start < 0)
            start = x;
        if (!ink && start >= 0) {
            runs.append({ start, x - 1 });
            start = -1;
        }
    }
    return runs;
}

} // namespace

class TestFonts : public QObject {
    Q_OBJECT
private slots:
    void twelvePointsAreAHundredPixelsAtSixHundredDpi();
    void positiveHeightIsTheCellHeight();
    void measuresFollowTheResolution();
    void logicalUnitsScaleTheFont();
};

void TestFonts::twelvePointsAreAHundredPixelsAtSixHundredDpi()
{
    QImage image = Page(600, QSize(1, 1));
    TDeviceContext dc(&image);
    dc.SelectFont(Font(12, dc.GetDeviceCaps(LOGPIXELSY)));
    TEXTMETRICW tm;
    QVERIFY(dc.GetTextMetrics(&tm));
    QCOMPARE(tm.tmHeight - tm.tmInternalLeading, 100);
    QVERIFY2(tm.tmHeight > 100 && tm.tmHeight < 130, qPrintable(QString::number(tm.tmHeight)));
    QCOMPARE(tm.tmAscent + tm.tmDescent, tm.tmHeight);
    QVERIFY(tm.tmAveCharWidth > 30 && tm.tmAveCharWidth < 80);
    QVERIFY(tm.tmMaxCharWidth >= tm.tmAveCharWidth);
}

void TestFonts::positiveHeightIsTheCellHeight()
{
    auto dc = TDeviceContext::InformationContext(600, 600, QSize(100, 100));
    LOGFONTW log;
    log.lfHeight = 120;
    TGdiFont font = CreateFontIndirect(log);
    font.SetFaceName(QStringLiteral("DejaVu Sans"));
    dc.SelectFont(font);
    TEXTMETRICW tm;
    dc.GetTextMetrics(&tm);
    QVERIFY2(std::abs(tm.tmHeight - 120) <= 2, qPrintable(QString::number(tm.tmHeight)));
    QVERIFY(tm.tmInternalLeading > 0);
}

void TestFonts::measuresFollowTheResolution()
{
    auto screen = TDeviceContext::InformationContext(96, 96, QSize(100, 100));
    auto printer = TDeviceContext::InformationContext(600, 600, QSize(100, 100));
    screen.SelectFont(Font(10, 96));
    printer.SelectFont(Font(10, 600));
    SIZE small, large;
    const QString text = QStringLiteral("The quick brown fox jumps over the lazy dog");
    QVERIFY(screen.GetTextExtentPoint32(text, &small));
    QVERIFY(printer.GetTextExtentPoint32(text, &large));
    const double ratio = double(large.cx) / small.cx;
    QVERIFY2(ratio > 5.6 && ratio < 6.9, qPrintable(QString::number(ratio)));
    QVERIFY(large.cy > 6 * small.cy - 12);
}

void TestFonts::logicalUnitsScaleTheFont()
{
    // A 600-unit inch mapped to 100 pixels: a font of 100 logical units is 17 pixels high on the device.
    auto dc = TDeviceContext::InformationContext(100, 100, QSize(100, 100));
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExtEx(600, 600);
    dc.SetViewportExtEx(100, 100);
    dc.SelectFont(Font(12, 600));
    QCOMPARE(dc.DeviceFont().pixelSize(), 17);
    TEXTMETRICW tm;
    dc.GetTextMetrics(&tm);
    QVERIFY2(tm.tmHeight > 100 && tm.tmHeight < 140, qPrintable(QString::number(tm.tmHeight))); // back in logical units
}

class TestTextOut : public QObject {
    Q_OBJECT
private slots:
    void explicitAdvancesPlaceEachCharacter();
    void alignmentMovesTheReferencePoint();
    void updateCpAdvancesThePosition();
    void opaqueModeFillsBehindTheText();
};

void TestTextOut::explicitAdvancesPlaceEachCharacter()
{
    QImage image = Page(96, QSize(400, 60));
    {
        TDeviceContext dc(&image);
        dc.SetBkMode(TRANSPARENT);
        dc.SelectFont(Font(20, 96));
        const INT dx[] = { 100, 100, 100 };
        QVERIFY(dc.ExtTextOut(10, 5, ETO_CLIPPED, nullptr, u"lll", dx));
    }
    const auto columns = InkColumns(image);
    QCOMPARE(columns.size(), 3);
    QVERIFY(std::abs(columns[1].first - columns[0].first - 100) <= 1);
    QVERIFY(std::abs(columns[2].first - columns[0].first - 100 * 2) <= 1);
    QVERIFY(columns[0].first >= 10 && columns[0].first < 20);
}

void TestTextOut::alignmentMovesTheReferencePoint()
{
    auto inkOf = [](UINT align) {
        QImage image = Page(96, QSize(300, 100));
        {
            TDeviceContext dc(&image);
            dc.SetBkMode(TRANSPARENT);
            dc.SelectFont(Font(20, 96));
            dc.SetTextAlign(align);
            dc.TextOut(150, 50, u"HHHH");
        }
        return InkBox(image);
    };
    const QRect leftTop = inkOf(TA_LEFT | TA_TOP);
    const QRect right = inkOf(TA_RIGHT | TA_TOP);
    const QRect centre = inkOf(TA_CENTER | TA_BASELINE);
    QVERIFY(leftTop.left() >= 150 && leftTop.left() < 155);
    QVERIFY(right.right() <= 150 && right.right() > 145);
    QVERIFY(std::abs(centre.center().x() - 150) <= 2);
    QVERIFY(leftTop.top() > 50);
    QCOMPARE(centre.bottom(), 49); // capitals stand on the baseline
}

void TestTextOut::updateCpAdvancesThePosition()
{
    QImage image = Page(96, QSize(300, 60));
    TDeviceContext dc(&image);
    dc.SelectFont(Font(12, 96));
    dc.SetTextAlign(TA_UPDATECP);
    dc.MoveToEx(10, 10);
    SIZE extent;
    dc.GetTextExtentPoint32(u"abc", &extent);
    dc.TextOut(0, 0, u"abc");
    POINT position;
    dc.GetCurrentPositionEx(&position);
    QVERIFY(std::abs(position.x - (10 + extent.cx)) <= 1);
    QCOMPARE(position.y, 10);
}

void TestTextOut::opaqueModeFillsBehindTheText()
{
    QImage image = Page(96, QSize(200, 60));
    {
        TDeviceContext dc(&image);
        dc.SelectFont(Font(12, 96));
        dc.SetBkColor(RGB(0, 0, 255));
        dc.TextOut(10, 10, u"a b");
    }
    QCOMPARE(image.pixel(11, 11), qRgb(0, 0, 255)); // OPAQUE is the default mode
    QCOMPARE(image.pixel(5, 5), qRgb(255, 255, 255));
}

class TestDrawText : public QObject {
    Q_OBJECT
private slots:
    void calcRectMeasuresASingleLine();
    void wordBreakMakesLinesThatFit();
    void endEllipsisCutsTheEnd();
    void pathEllipsisKeepsTheFileName();
    void prefixesMakeMnemonics_data();
    void prefixesMakeMnemonics();
    void verticalCentringNeedsASingleLine();
    void drawingStaysInsideTheRectangle();
};

void TestDrawText::calcRectMeasuresASingleLine()
{
    auto dc = TDeviceContext::InformationContext(96, 96, QSize(100, 100));
    dc.SelectFont(Font(12, 96));
    RECT rect { 10, 20, 11, 21 };
    const int height = dc.DrawText(u"Couper", rect, DT_SINGLELINE | DT_CALCRECT);
    SIZE extent;
    dc.GetTextExtentPoint32(u"Couper", &extent);
    QCOMPARE(rect.right - rect.left, extent.cx);
    QCOMPARE(rect.bottom - rect.top, extent.cy);
    QCOMPARE(height, extent.cy);
    QCOMPARE(rect.left, 10);
}

void TestDrawText::wordBreakMakesLinesThatFit()
{
    auto dc = TDeviceContext::InformationContext(96, 96, QSize(100, 100));
    dc.SelectFont(Font(12, 96));
    TEXTMETRICW tm;
    dc.GetTextMetrics(&tm);
    SIZE word;
    dc.GetTextExtentPoint32(u"word word", &word);
    RECT rect { 0, 0, word.cx + 2, 0 };
    QString shown;
    const int height = dc.DrawText(u"word word word word word", rect, DT_WORDBREAK | DT_CALCRECT, &shown);
    QCOMPARE(shown, QStringLiteral("word word\r\nword word\r\nword"));
    QCOMPARE(height, 3 * tm.tmHeight);
    QCOMPARE(rect.bottom, 3 * tm.tmHeight);
    QVERIFY(rect.right <= word.cx + 2);
    // A word longer than the line stands alone on its line.
    RECT narrow { 0, 0, 5, 0 };
    dc.DrawText(u"long words", narrow, DT_WORDBREAK | DT_CALCRECT, &shown);
    QCOMPARE(shown, QStringLiteral("long\r\nwords"));
    // Line breaks always break without DT_SINGLELINE.
    RECT wide { 0, 0, 1000, 0 };
    QCOMPARE(dc.DrawText(u"a\r\nb\nc", wide, DT_CALCRECT), 3 * tm.tmHeight);
}

void TestDrawText::endEllipsisCutsTheEnd()
{
    auto dc = TDeviceContext::InformationContext(96, 96, QSize(100, 100));
    dc.SelectFont(Font(12, 96));
    SIZE extent;
    dc.GetTextExtentPoint32(u"Masquer Pann...", &extent);
    RECT rect { 0, 0, extent.cx, 20 };
    QString shown;
    dc.DrawText(u"Masquer Panneau Latéral", rect, DT_SINGLELINE | DT_END_ELLIPSIS | DT_CALCRECT, &shown);
    QVERIFY2(shown.endsWith(QStringLiteral("...")) && shown.startsWith(QStringLiteral("Masquer Pan")), qPrintable(shown));
    QVERIFY(rect.right <= extent.cx);
    RECT roomy { 0, 0, 1000, 20 };
    dc.DrawText(u"Masquer", roomy, DT_SINGLELINE | DT_END_ELLIPSIS, &shown);
    QCOMPARE(shown, QStringLiteral("Masquer"));
}

void TestDrawText::pathEllipsisKeepsTheFileName()
{
    auto dc = TDeviceContext::InformationContext(96, 96, QSize(100, 100));
    dc.SelectFont(Font(10, 96));
    const QString path = QStringLiteral("C:\\Documents\\Lettres\\Archives\\2004\\Janvier\\lettre.rtf");
    SIZE extent;
    dc.GetTextExtentPoint32(u"C:\\Docu...\\lettre.rtf", &extent);
    RECT rect { 0, 0, extent.cx, 20 };
    QString shown;
    dc.DrawText(path, rect, DT_SINGLELINE | DT_PATH_ELLIPSIS | DT_NOPREFIX, &shown);
    QVERIFY2(shown.endsWith(QStringLiteral("...\\lettre.rtf")) && shown.startsWith(QStringLiteral("C:\\")), qPrintable(shown));
    SIZE shownExtent;
    dc.GetTextExtentPoint32(shown, &shownExtent);
    QVERIFY(shownExtent.cx <= extent.cx);
}

void TestDrawText::prefixesMakeMnemonics_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<uint>("format");
    QTest::addColumn<QString>("shown");
    QTest::newRow("mnemonic") << QStringLiteral("&Fichier") << uint(0) << QStringLiteral("Fichier");
    QTest::newRow("literal ampersand") << QStringLiteral("Save && Exit") << uint(0) << QStringLiteral("Save & Exit");
    QTest::newRow("no prefix") << QStringLiteral("Save && E&xit") << uint(DT_NOPREFIX) << QStringLiteral("Save && E&xit");
    QTest::newRow("trailing ampersand") << QStringLiteral("A&") << uint(0) << QStringLiteral("A");
}

void TestDrawText::prefixesMakeMnemonics()
{
    QFETCH(QString, text);
    QFETCH(uint, format);
    QFETCH(QString, shown);
    auto dc = TDeviceContext::InformationContext(96, 96, QSize(100, 100));
    RECT rect { 0, 0, 1000, 100 };
    QString result;
    dc.DrawText(text, rect, format | DT_SINGLELINE | DT_CALCRECT, &result);
    QCOMPARE(result, shown);
}

void TestDrawText::verticalCentringNeedsASingleLine()
{
    auto inkOf = [](UINT format) {
        QImage image = Page(96, QSize(200, 100));
        {
            TDeviceContext dc(&image);
            dc.SetBkMode(TRANSPARENT);
            dc.SelectFont(Font(12, 96));
            RECT rect { 0, 0, 200, 100 };
            dc.DrawText(u"HHH", rect, format);
        }
        return InkBox(image);
    };
    const QRect centred = inkOf(DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    const QRect multi = inkOf(DT_VCENTER | DT_CENTER);
    QVERIFY2(std::abs(centred.center().y() - 50) <= 4, qPrintable(QString::number(centred.center().y())));
    QVERIFY(std::abs(centred.center().x() - 100) <= 2);
    QVERIFY(multi.top() < 20); // DT_VCENTER is ignored without DT_SINGLELINE
}

void TestDrawText::drawingStaysInsideTheRectangle()
{
    QImage image = Page(96, QSize(300, 40));
    {
        TDeviceContext dc(&image);
        dc.SetBkMode(TRANSPARENT);
        dc.SelectFont(Font(12, 96));
        RECT rect { 10, 5, 60, 35 };
        dc.DrawText(u"WWWWWWWWWWWWWWWWWWWW", rect, DT_SINGLELINE);
    }
    const QRect ink = InkBox(image);
    QVERIFY(ink.left() >= 10 && ink.right() < 60);
}

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    return RunTestClasses<TestFonts, TestTextOut, TestDrawText>(argc, argv);
}

#include "tst_text.moc"
