// The engine's document: units and paper, the page list and its notifications, margins, header
// and footer heights, shared resources, caption tokens and the text mapper's advances.
#include "DeviceContext.h"
#include "Errors.h"
#include "PgClasses.h"
#include "PgPrinter.h"
#include "TestMain.h"

#include <QApplication>
#include <QDateTime>
#include <QImage>
#include <QTest>

#include <numeric>

class TestUnitsAndPaper : public QObject {
    Q_OBJECT
private slots:
    void conversionsGoThroughInches_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("expected");
        QTest::newRow("mm to inch") << int(TPgMeasurement::pgMillimeters) << int(TPgMeasurement::pgInches) << 25.4
                                    << 1.0;
        QTest::newRow("inch to twips") << int(TPgMeasurement::pgInches) << int(TPgMeasurement::pgTwips) << 0.5 << 720.0;
        QTest::newRow("cm to mm") << int(TPgMeasurement::pgCentimeters) << int(TPgMeasurement::pgMillimeters) << 2.0
                                  << 20.0;
        QTest::newRow("units to mm") << int(TPgMeasurement::pgUnits) << int(TPgMeasurement::pgMillimeters) << 2540.0
                                     << 25.4;
        QTest::newRow("pixels to inch") << int(TPgMeasurement::pgPixels) << int(TPgMeasurement::pgInches) << 48.0
                                        << 0.5;
        QTest::newRow("twips to cm") << int(TPgMeasurement::pgTwips) << int(TPgMeasurement::pgCentimeters) << 1440.0
                                     << 2.54;
    }
    void conversionsGoThroughInches()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(double, value);
        QFETCH(double, expected);
        QVERIFY(qAbs(double(ConvertValue(TPgMeasurement(from), TPgMeasurement(to), value)) - expected) < 1e-9);
    }

    void sameUnitReturnsTheValueUntouched()
    {
        const TPgExtended odd = 0.1L + 0.2L;
        QCOMPARE(ConvertValue(TPgMeasurement::pgMillimeters, TPgMeasurement::pgMillimeters, odd), odd);
    }

    void roundingTiesGoToEven()
    {
        TPgValue value;
        value.SetAsInches(2.5L / 1440);
        QCOMPARE(value.AsTwips(), 2);
        value.SetAsInches(3.5L / 1440);
        QCOMPARE(value.AsTwips(), 4);
        value.SetAsInches(0.5L);
        QCOMPARE(value.AsTwips(), 720);
        QCOMPARE(value.AsPixels(5), 2); // 2.5 pixels
        QCOMPARE(value.AsPixels(7), 4); // 3.5 pixels
    }

    void valueReportsOnlyRealChanges()
    {
        TPgValue value(1);
        int changes = 0;
        value.OnChange = [&] { ++changes; };
        value.SetAsInches(1);
        QCOMPARE(changes, 0);
        value.SetAsMillimeters(50.8L);
        QCOMPARE(changes, 1);
        value.Assign(TPgValue(2)); // assignment always reports
        QCOMPARE(changes, 2);
    }

    void paperTableAndNames()
    {
        const QStringList names = GetPaperSizeNames();
        QCOMPARE(names.size(), 22);
        QCOMPARE(names.at(1), QStringLiteral("A4"));
        QCOMPARE(names.at(10), QStringLiteral("Custom"));
        QCOMPARE(names.at(21), QStringLiteral("Executive"));
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(int(PaperSizeFromName(names[i])), i);
        QCOMPARE(PaperSizeFromName(QStringLiteral("a4")), TPgPaperSize::Custom); // names match exactly
        TPgExtended width = 0, height = 0;
        QVERIFY(PaperSizeInches(TPgPaperSize::A5, width, height));
        QVERIFY(qAbs(double(width) - 148.5 / 25.4) < 1e-12);
        QVERIFY(PaperSizeInches(TPgPaperSize::Ledger, width, height));
        QVERIFY(width > height);
        QVERIFY(PaperSizeInches(TPgPaperSize::Envelope_12, width, height));
        QVERIFY(width < height); // an envelope like the others
        QVERIFY(!PaperSizeInches(TPgPaperSize::Custom, width, height));
        QCOMPARE(PaperPrinterCode(TPgPaperSize::A4), SHORT(9));
        QCOMPARE(PaperPrinterCode(TPgPaperSize::C6), SHORT(0));
        QCOMPARE(PaperPrinterCode(TPgPaperSize::Envelope_14), SHORT(23));
    }

    void customKeepsThePagesSizeAndLetterTurnsWithTheList()
    {
        TPgPageList list;
        list.NewPage();
        list.SetPaperSize(TPgPaperSize::A5);
        const TPgExtended a5Width = list.Pages(1).Width;
        list.SetPaperSize(TPgPaperSize::Custom);
        QCOMPARE(list.Pages(1).Width, a5Width);
        list.SetOrientation(TPgOrientation::pgLandscape);
        list.SetPaperSize(TPgPaperSize::Letter);
        QCOMPARE(double(list.Pages(1).Width), 11.0);
        QCOMPARE(double(list.Pages(1).Height), 8.5);
    }
};

class TestPageList : public QObject {
    Q_OBJECT
private slots:
    void clearLeavesOneEmptyPageOrNone()
    {
        TPgPageList list;
        list.NewPage();
        list.NewPage();
        int added = 0, cleared = 0, current = 0;
        list.Events.PageAdded = [&] { ++added; };
        list.Events.Cleared = [&] { ++cleared; };
        list.Events.CurrentPageChanged = [&] { ++current; };
        list.Clear(false, true);
        QCOMPARE(list.Count(), 1);
        QCOMPARE(list.CurrentPage(), 1);
        QCOMPARE(added, 1);
        QCOMPARE(cleared, 1);
        QCOMPARE(current, 0); // page 1 becomes current without a reported change
        list.Clear(true, true);
        QCOMPARE(list.Count(), 0);
    }

    // This was the last page made current by an insertion in the middle.
    void insertedPageBecomesCurrentAndNumbersFollow()
    {
        TPgPageList list;
        TPgPage& first = list.NewPage();
        TPgPage& last = list.NewPage();
        TPgPage& inserted = list.InsertPage(2);
        QCOMPARE(list.CurrentPage(), 2);
        QCOMPARE(&list.Pages(2), &inserted);
        QCOMPARE(list.PageNumber(first), 1);
        QCOMPARE(list.PageNumber(inserted), 2);
        QCOMPARE(list.PageNumber(last), 3);
    }

    void outOfRangePageNumbersAreIgnored()
    {
        TPgPageList list;
        list.NewPage();
        list.NewPage();
        int changes = 0;
        list.Events.CurrentPageChanged = [&] { ++changes; };
        list.SetCurrentPage(3);
        list.SetCurrentPage(0);
        list.SetCurrentPage(2); // already current
        QCOMPARE(changes, 0);
        list.SetCurrentPage(1);
        QCOMPARE(changes, 1);
    }

    void updateBracketHoldsNotificationsBack()
    {
        TPgPageList list;
        QStringList fired;
        list.Events.PageChanged = [&] { fired << QStringLiteral("changed"); };
        list.Events.PageCountChanged = [&] { fired << QStringLiteral("count"); };
        list.Events.MarginsChanged = [&] { fired << QStringLiteral("margins"); };
        list.BeginUpdate();
        list.NewPage();
        list.Margins().Left.SetAsInches(1);
        QVERIFY(fired.isEmpty());
        list.EndUpdate();
        QCOMPARE(fired, (QStringList { QStringLiteral("count"), QStringLiteral("changed") }));
        list.EndUpdate(); // at 0: nothing
        QCOMPARE(fired.size(), 2);
        list.Margins().Left.SetAsInches(1); // the value it has
        QCOMPARE(fired.size(), 2);
        list.Margins().Left.SetAsInches(1.25L);
        QCOMPARE(fired.last(), QStringLiteral("margins"));
    }

    void headerHeightFollowsTheLargestCaptionFont()
    {
        TPgHeader header;
        TFont font = header.CaptionLeft.Font();
        font.Size = 14;
        header.CaptionCenter.SetFont(font);
        header.CaptionRight.SetFont(font);
        TPgHeader only14;
        only14.CaptionLeft.SetFont(font);
        QCOMPARE(header.GetHeight(TPgMeasurement::pgInches), only14.GetHeight(TPgMeasurement::pgInches));
        TPgHeader plain;
        QVERIFY(plain.GetHeight(TPgMeasurement::pgInches) < header.GetHeight(TPgMeasurement::pgInches));
        header.SetHeight(TPgMeasurement::pgMillimeters, 10);
        QVERIFY(qAbs(double(header.GetHeight(TPgMeasurement::pgMillimeters)) - 10) < 1e-9);
    }

    void headerLineLiesBelowMarginAndHeight()
    {
        TPgMargins margins;
        margins.Top.SetAsMillimeters(15);
        const RECT area = TPgHeader::Area(margins, 8.27L, 11.69L, 10 / 25.4L, 600, 600);
        QCOMPARE(area.bottom, 591);
        QCOMPARE(area.top, 354);
    }

    void marginValuesRoundTripAsText()
    {
        TPgMargins margins;
        QCOMPARE(margins.MarginValues(), QStringLiteral("720,720,720,720,\"12632256,1,2,4\",\"12632256,1,2,4\""));
        margins.SetMarginValues(QStringLiteral("1440,720,360,0,\"255,2,0,4\",\"0,1,1,4\""));
        QCOMPARE(margins.Left.AsTwips(), 1440);
        QCOMPARE(margins.Pen().Color, COLORREF(255));
        margins.SetMarginValues(QStringLiteral("100,200,300,400"));
        QCOMPARE(margins.Bottom.AsTwips(), 400);
        QCOMPARE(margins.Pen().Color, COLORREF(255)); // four items keep the pens
        QVERIFY_THROWS_EXCEPTION(EConvertError, margins.SetMarginValues(QStringLiteral("1,2,x,4")));
        QCOMPARE(margins.Top.AsTwips(), 200);
    }

    void equalPensAreSharedAndCounted()
    {
        TPgResourceTable table;
        const TPgPen pen { 255, 4, PS_SOLID, 4 };
        const TPgPen* first = table.Pens.Add(pen);
        const TPgPen* second = table.Pens.Add(pen);
        QCOMPARE(first, second);
        QCOMPARE(table.Pens.References(first), 2);
        QVERIFY(table.Pens.Add(TPgPen { 255, 8, PS_SOLID, 4 }) != first);
        table.Pens.Release(first);
        QCOMPARE(table.Pens.Count(), 2);
        table.Pens.Release(first);
        QCOMPARE(table.Pens.Count(), 1);
    }

    void canvasRectanglesLandOnTheCurrentPageShifted()
    {
        TPgPageList list;
        list.NewPage();
        list.Canvas().CoordsRelativeTo = TPgCoordsRelative::pgFromUserMargins;
        TPgRectangleShape* shape = list.Canvas().Rectangle(TPgMeasurement::pgInches, 1, 1, 2, 2);
        QCOMPARE(list.Pages(1).Objects.size(), std::size_t(1));
        QCOMPARE(double(shape->Left), 1.5);
        QCOMPARE(double(shape->Bottom), 2.5);
        QImage image(100, 100, QImage::Format_RGB32);
        image.fill(Qt::white);
        TDeviceContext dc(&image);
        shape->Draw(dc, 20, 20);
        dc.EndPaint();
        QCOMPARE(QColor(image.pixel(30, 40)), QColor(Qt::black)); // the outline at 1.5 in
        QCOMPARE(QColor(image.pixel(40, 40)), QColor(Qt::white)); // hollow inside
    }
};

class TestCaptions : public QObject {
    Q_OBJECT
private slots:
    void tokensAreReplacedExactlyAsWritten()
    {
        const QDateTime now(QDate(2024, 3, 7), QTime(14, 35));
        QCOMPARE(ExpandTokens(QStringLiteral("Page {PAGE} of {NUMPAGES}"), 2, 5, now), QStringLiteral("Page 2 of 5"));
        QCOMPARE(ExpandTokens(QStringLiteral("{page} {Page}"), 2, 5, now), QStringLiteral("{page} {Page}"));
        const QString date = ExpandTokens(QStringLiteral("{DATE}"), 1, 1, now);
        QCOMPARE(date.size(), 10);
        QVERIFY(date.startsWith(QStringLiteral("07")) && date.mid(3, 2) == QStringLiteral("03")
            && date.endsWith(QStringLiteral("2024")));
        QCOMPARE(ExpandTokens(QStringLiteral("{DATE}/{DATE}"), 1, 1, now), date + QStringLiteral("/") + date);
    }

    // This was "14/35": the time took the date separator.
    void timeTakesTheTimeSeparator()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        const QDateTime now(QDate(2024, 12, 31), QTime(9, 5));
        QCOMPARE(ExpandTokens(QStringLiteral("{TIME}"), 1, 1, now), QStringLiteral("09:05"));
        QCOMPARE(ExpandTokens(QStringLiteral("{DATE}"), 1, 1, now), QStringLiteral("31/12/2024"));
        QLocale::setDefault(QLocale::c());
    }

    // This was drift: the carry added the truncated part and took away the rounded one.
    void advancesDoNotDrift()
    {
        const TFont font = PgFont(QStringLiteral("Arial"), 11);
        const QString text(200, u'i');
        const TPgFontMapper& mapper = TPgFontMapper::Instance();
        for (const int ppi : { 96, 300, 600 }) {
            const std::vector<INT> advances = mapper.Advances(font, text, ppi);
            const double drawn = std::accumulate(advances.begin(), advances.end(), 0.0);
            const double exact = double(mapper.MeasureText(font, QStringLiteral("i")).first) * ppi * text.size();
            QVERIFY2(qAbs(drawn - exact) <= 1.0,
                qPrintable(QStringLiteral("%1 ppi: %2 vs %3").arg(ppi).arg(drawn).arg(exact)));
        }
    }

    void captionsStandOnTheHeaderLineAndAlign()
    {
        TPgPageList list;
        TPgPage& page = list.NewPage();
        list.Header().SetVisible(true);
        list.Header().CaptionRight.SetCaption(QStringLiteral("WWWW"));
        list.Header().SetHeight(TPgMeasurement::pgMillimeters, 10);
        QImage image(PgRound(page.Width * 100), PgRound(page.Height * 100), QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            TDeviceContext dc(&image);
            list.Header().Draw(dc, list.Margins(), page.Width, page.Height, 100, 100, 1, 1);
        }
        const RECT area = TPgHeader::Area(list.Margins(), page.Width, page.Height, 10 / 25.4L, 100, 100);
        // Ink just left of the right margin and above the line, none right of the margin.
        bool inkLeft = false, inkRight = false;
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.right - 30; x < area.right; ++x)
                inkLeft |= QColor(image.pixel(x, y)) != QColor(Qt::white);
            for (int x = area.right + 2; x < area.right + 30; ++x)
                inkRight |= QColor(image.pixel(x, y)) != QColor(Qt::white);
        }
        QVERIFY(inkLeft);
        QVERIFY(!inkRight);
        QCOMPARE(QColor(image.pixel((area.left + area.right) / 2, area.bottom)), QColor(Qt::black)); // the line
    }
};

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    return RunTestClasses<TestUnitsAndPaper, TestPageList, TestCaptions>(argc, argv);
}

#include "tst_model.moc"
