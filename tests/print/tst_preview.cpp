// The preview control: zoom, fitting, scroll positions, page moves, notifications of companion
// controls, painting, and the paper, printer, orientation and pages-per-sheet pickers.
#include "PgPreview.h"
#include "PgPropertyComboBox.h"
#include "PgPropertyGraphic.h"
#include "PgRtfPreview.h"
#include "PrintTestSupport.h"
#include "TestMain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

namespace {

class TRecorder : public IPgCompanion {
public:
    std::vector<int> Codes;
    void PreviewNotification(TPgPreview&, int code) override { Codes.push_back(code); }
};

} // namespace

class TestPreviewControl : public QObject {
    Q_OBJECT
private slots:
    void variableZoomSteps()
    {
        TPgPreview preview;
        preview.SetMaxZoom(800);
        preview.SetZoom(35);
        preview.ZoomIn();
        QCOMPARE(preview.Zoom(), 45);
        preview.SetZoom(7);
        preview.ZoomOut();
        QCOMPARE(preview.Zoom(), 7);
        preview.SetZoom(800);
        preview.ZoomIn();
        QCOMPARE(preview.Zoom(), 800);
        preview.ZoomStyle = TPgZoomStyle::pgFixedZoom;
        preview.ZoomOut();
        QCOMPARE(preview.Zoom(), 790);
        preview.SetMaxZoom(400); // the zoom follows a lowered limit
        QCOMPARE(preview.Zoom(), 400);
        preview.SetZoom(1);
        QCOMPARE(preview.Zoom(), preview.MinZoom());
    }

    void fitPageTakesTheSmallerRatio()
    {
        TPgPreview preview;
        preview.resize(367, 531);
        preview.SetGutter(20);
        preview.ZoomToFitPage();
        QCOMPARE(preview.Zoom(), 38);
        preview.resize(800, 531);
        preview.ZoomToFitWidth();
        QCOMPARE(preview.Zoom(), int((800 - 60) / (210 / 25.4 * 96) * 100));
    }

    void zoomKeepsTheRelativeScrollPosition()
    {
        TPgPreview preview;
        preview.resize(300, 300);
        preview.show();
        preview.SetZoom(100);
        QScrollBar* bar = preview.verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        bar->setValue(bar->maximum() / 2);
        preview.SetZoom(200);
        QVERIFY(qAbs(bar->value() - bar->maximum() / 2) <= 2);
        const int position = bar->value();
        preview.SetZoom(200); // unchanged zoom: nothing moves
        QCOMPARE(bar->value(), position);
    }

    void pageMovesStayInsideTheDocument()
    {
        TPgPreview preview;
        preview.NewPage();
        int changes = 0;
        preview.OnPageChanged = [&](QObject*) { ++changes; };
        preview.LastPage();
        preview.NextPage();
        QCOMPARE(preview.CurrentPage(), 2);
        QCOMPARE(changes, 0);
        preview.PrevPage();
        QCOMPARE(changes, 1);
    }

    void clearAddsOnePageWithoutAPageChange()
    {
        TPgPreview preview;
        preview.NewPage();
        QStringList events;
        preview.OnNewPage = [&](QObject*) { events << QStringLiteral("new"); };
        preview.OnClear = [&](QObject*) { events << QStringLiteral("clear"); };
        preview.OnPageChanged = [&](QObject*) { events << QStringLiteral("changed"); };
        preview.Clear();
        QCOMPARE(events, (QStringList { QStringLiteral("new"), QStringLiteral("clear") }));
        QCOMPARE(preview.NumPages(), 1);
    }

    void companionsHearNothingWhileUpdating()
    {
        TPgPreview preview;
        TRecorder recorder;
        preview.RegisterControl(&recorder);
        preview.RegisterControl(&recorder); // no duplicates
        preview.BeginUpdate();
        QCOMPARE(recorder.Codes, std::vector<int> { PG_UPDATEBEGUN });
        recorder.Codes.clear();
        preview.NewPage();
        preview.Margins().Top.SetAsInches(1);
        QVERIFY(recorder.Codes.empty());
        preview.EndUpdate();
        QCOMPARE(recorder.Codes, (std::vector<int> { PG_PAGECOUNTCHANGED, PG_PAGELAYOUTCHANGED, PG_UPDATEENDED }));
        recorder.Codes.clear();
        preview.SetPagesPerSheet(TPgPagesPerSheet::pgTwoPage);
        preview.SetPaperSize(TPgPaperSize::Letter);
        preview.FirstPage();
        QCOMPARE(recorder.Codes.front(), PG_PAGESPERSHEETCHANGED);
        QCOMPARE(recorder.Codes.back(), PG_CURRENTPAGECHANGED);
        QVERIFY(std::count(recorder.Codes.begin(), recorder.Codes.end(), PG_PAPERSIZECHANGED) == 1);
        preview.UnregisterControl(&recorder);
        recorder.Codes.clear();
        preview.LastPage();
        QVERIFY(recorder.Codes.empty());
    }

    void mouseOnThePageGivesInchesAndDragScrolls()
    {
        TPgPreview preview;
        preview.resize(300, 300);
        preview.show();
        preview.SetGutter(30);
        preview.SetZoom(100);
        double x = -1, y = -1;
        preview.OnPageMouseDown = [&](QObject*, Qt::MouseButton, const TPgValue& atX, const TPgValue& atY) {
            x = double(atX.AsInches());
            y = double(atY.AsInches());
        };
        const QRect page = preview.PaperImage().PageRect();
        QTest::mousePress(&preview.PaperImage(), Qt::LeftButton, {}, page.topLeft() + QPoint(96, 48));
        QVERIFY(qAbs(x - 1.0) < 1e-9);
        QVERIFY(qAbs(y - 0.5) < 1e-9);
        preview.BeginDragScroll();
        QVERIFY(preview.Dragging());
        QTest::mouseRelease(&preview.PaperImage(), Qt::LeftButton, {}, page.topLeft() + QPoint(96, 48));
        QVERIFY(!preview.Dragging()); // a mouse-up ends the drag
    }

    void paintsThePagesTextAndNeverRaises()
    {
        TPgPreview preview;
        TPgRtfPreview paginator;
        paginator.SetPreview(&preview);
        TRichEditControl editor;
        FillControl(editor, NumberedText(30));
        preview.Clear();
        paginator.LoadFromRichEdit(editor);
        preview.resize(900, 1200);
        preview.SetZoom(100);
        QImage image(preview.PaperImage().size(), QImage::Format_RGB32);
        image.fill(Qt::gray);
        {
            QPainter painter(&image);
            preview.PaperImage().PaintTo(painter);
        }
        const QRect page = preview.PaperImage().PageRect();
        QCOMPARE(QColor(image.pixel(page.left() + 5, page.top() + 5)), QColor(Qt::white)); // inside the top margin
        int ink = 0;
        const int top = page.top() + 60, left = page.left() + 60; // text starts at 0.5 in + 90 twips
        for (int y = top; y < top + 200; ++y)
            for (int x = left; x < left + 300; ++x)
                ink += qGray(image.pixel(x, y)) < 128;
        QVERIFY2(ink > 200, qPrintable(QString::number(ink)));
    }
};

class TestPickers : public QObject {
    Q_OBJECT
private slots:
    void paperListFiltersAndFollowsThePreview()
    {
        TPgPreview preview;
        TPgPropertyComboBox list;
        list.SetPreviewProperty(TPgComboPropertyType::pgPaperList);
        list.OnAddItem = [](QObject*, const QString& item, bool& add) { add = item != QStringLiteral("Custom"); };
        list.SetPreview(&preview);
        QCOMPARE(list.count(), 21);
        QCOMPARE(list.currentText(), QStringLiteral("A4"));
        preview.SetPaperSize(TPgPaperSize::Custom);
        QCOMPARE(list.currentIndex(), -1);
        int changes = 0;
        list.OnChange = [&](QObject*) { ++changes; };
        list.PickItem(list.findText(QStringLiteral("Letter")));
        QCOMPARE(preview.PaperSize(), TPgPaperSize::Letter);
        QCOMPARE(list.currentText(), QStringLiteral("Letter"));
        QCOMPARE(changes, 1);
        QCOMPARE(TPgPropertyComboBox::PaperPictureKind(TPgPaperSize::Envelope_DL), 0);
        QCOMPARE(TPgPropertyComboBox::PaperPictureKind(TPgPaperSize::Legal), 1);
    }

    void printerListSelectsTheProgramsPrinter()
    {
        TPgPreview preview;
        ProgramPrinter().SetPrinterIndex(ProgramPrinter().Printers().PdfIndex());
        TPgPropertyComboBox list;
        list.SetPreview(&preview);
        QCOMPARE(list.count(), ProgramPrinter().Printers().Count());
        QCOMPARE(list.currentText(), TPrinters::PdfPrinterName);
        preview.PgPrinter().SetPrintCopies(4);
        list.PickItem(list.findText(TPrinters::PdfPrinterName));
        QCOMPARE(preview.PgPrinter().PrintCopies(), 1); // reselecting restores the driver's defaults
    }

    void twoPagesShowATurnedSheetWithoutTurningTheDocument()
    {
        TPgPreview preview;
        TPgPropertyGraphic graphic;
        graphic.SetPreviewProperty(TPgGraphicPropertyType::pgMultipageGraphic);
        graphic.SetPreview(&preview);
        graphic.ClickButton(2);
        QCOMPARE(preview.PagesPerSheet(), TPgPagesPerSheet::pgTwoPage);
        QCOMPARE(preview.Orientation(), TPgOrientation::pgPortrait);
        QVERIFY(graphic.Miniature().PageWidth > graphic.Miniature().PageHeight);
        QVERIFY(graphic.Button(2)->isChecked());
        graphic.ClickButton(3);
        QVERIFY(graphic.Miniature().PageWidth < graphic.Miniature().PageHeight);
    }

    void orientationReachesEveryBoundGraphic()
    {
        TPgPreview preview;
        TPgPropertyGraphic chooser, follower;
        chooser.SetPreview(&preview);
        follower.SetPreview(&preview);
        int turned = 0;
        preview.OnOrientationChanged = [&](QObject*) { ++turned; };
        chooser.ClickButton(2);
        QCOMPARE(preview.Orientation(), TPgOrientation::pgLandscape);
        QCOMPARE(turned, 1);
        QCOMPARE(follower.ShownOrientation(), TPgOrientation::pgLandscape);
        QVERIFY(follower.Button(2)->isChecked());
        QVERIFY(preview.Pages(1).Width > preview.Pages(1).Height);
        QImage image(chooser.size(), QImage::Format_RGB32);
        QPainter painter(&image);
        chooser.Miniature().PaintTo(painter);
    }

    void destroyedPreviewIsForgotten()
    {
        TPgPropertyComboBox list;
        TPgPropertyGraphic graphic;
        {
            TPgPreview preview;
            list.SetPreview(&preview);
            graphic.SetPreview(&preview);
        }
        QVERIFY(list.Preview() == nullptr);
        QVERIFY(graphic.Preview() == nullptr);
        list.Refill();
        graphic.ClickButton(2);
    }
};

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    return RunTestClasses<TestPreviewControl, TestPickers>(argc, argv);
}

#include "tst_preview.moc"
