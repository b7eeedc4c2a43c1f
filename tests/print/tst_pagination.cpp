// Pagination: one page per measured slice, every character on exactly one page, margins that
// leave no room, pages reused or appended, and the stream operations.
#include "Errors.h"
#include "PgPreview.h"
#include "PgRtfPreview.h"
#include "PrintTestSupport.h"
#include "RtRichEd.h"
#include "TestMain.h"

#include <QApplication>
#include <QBuffer>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

namespace {

void CheckSlicesCoverText(TPgPreview& preview, int length)
{
    QCOMPARE(preview.Pages(1).RtfInfo.CharStart(), 0);
    for (int n = 1; n <= preview.NumPages(); ++n) {
        const TPgPageRtfInfo& info = preview.Pages(n).RtfInfo;
        if (length > 0)
            QVERIFY2(info.CharEnd() > info.CharStart(), qPrintable(QStringLiteral("page %1 is empty").arg(n)));
        if (n < preview.NumPages())
            QCOMPARE(preview.Pages(n + 1).RtfInfo.CharStart(), info.CharEnd());
    }
    QCOMPARE(preview.Pages(preview.NumPages()).RtfInfo.CharEnd(), length);
}

// A failing write device, as a full disk is.
class TFailingDevice : public QIODevice {
protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64) override { return -1; }
};

} // namespace

class TestPagination : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { ProgramPrinter().SetPrinterIndex(ProgramPrinter().Printers().PdfIndex()); }

    void everyCharacterOnExactlyOnePage_data()
    {
        QTest::addColumn<int>("paragraphs");
        QTest::newRow("one line") << 1;
        QTest::newRow("one page") << 5;
        QTest::newRow("many pages") << 300;
    }
    void everyCharacterOnExactlyOnePage()
    {
        QFETCH(int, paragraphs);
        TPgPreview preview;
        TPgRtfPreview paginator;
        paginator.SetPreview(&preview);
        TRichEditControl editor;
        FillControl(editor, NumberedText(paragraphs));
        int progress = -1;
        paginator.OnProgress = [&](QObject*, int percent) { progress = percent; };
        preview.Clear();
        paginator.LoadFromRichEdit(editor);
        CheckSlicesCoverText(preview, editor.TextLength());
        QCOMPARE(progress, 100);
        if (paragraphs == 300)
            QVERIFY2(preview.NumPages() > 3, qPrintable(QString::number(preview.NumPages())));
        else
            QCOMPARE(preview.NumPages(), 1);
    }

    void emptyDocumentGivesOnePage()
    {
        TPgPreview preview;
        TPgRtfPreview paginator;
        paginator.SetPreview(&preview);
        TRichEditControl editor;
        int progress = -1;
        paginator.OnProgress = [&](QObject*, int percent) { progress = percent; };
        preview.Clear();
        paginator.LoadFromRichEdit(editor);
        QCOMPARE(preview.NumPages(), 1);
        QCOMPARE(preview.Pages(1).RtfInfo.CharStart(), 0);
        QCOMPARE(preview.Pages(1).RtfInfo.CharEnd(), 0);
        QCOMPARE(progress, 100);
    }

    // This was endless: a slice that did not advance added pages until memory ran out.
    void noRoomForTextIsAnError_data()
    {
        QTest::addColumn<double>("left");
        QTest::addColumn<double>("right");
        QTest::addColumn<double>("top");
        QTest::newRow("wider margins than an A6 sheet") << 60.0 << 60.0 << 10.0;
        QTest::newRow("taller margins than an A6 sheet") << 10.0 << 10.0 << 160.0;
    }
    void noRoomForTextIsAnError()
    {
        QFETCH(double, left);
        QFETCH(double, right);
        QFETCH(double, top);
        TPgPreview preview;
        preview.SetPaperSize(TPgPaperSize::A6);
        preview.Margins().Left.SetAsMillimeters(left);
        preview.Margins().Right.SetAsMillimeters(right);
        preview.Margins().Top.SetAsMillimeters(top);
        TPgRtfPreview paginator;
        paginator.SetPreview(&preview);
        TRichEditControl editor;
        FillControl(editor, NumberedText(20));
        preview.Clear();
        try {
            paginator.LoadFromRichEdit(editor);
            QFAIL("no error raised");
        } catch (const Exception& error) {
            QCOMPARE(error.Message(), QStringLiteral("The margins leave no room for text."));
        }
        QVERIFY(!preview.Document().IsUpdating()); // the bracket ended on the error
    }

    void headerHeightMovesTheTextDown()
    {
        TPgPreview preview;
        TPgRtfPreview paginator;
        paginator.SetPreview(&preview);
        TRichEditControl editor;
        FillControl(editor, NumberedText(100));
        preview.Margins().Top.SetAsMillimeters(15);
        preview.Header().SetHeight(TPgMeasurement::pgMillimeters, 10);
        preview.Footer().SetHeight(TPgMeasurement::pgMillimeters, 10);
        preview.Clear();
        paginator.LoadFromRichEdit(editor);
        const TPgExtended top = preview.Pages(2).RtfInfo.Rect.Top();
        // Top margin and header, then the 90-twip gap; rounded to whole twips on the way.
        QCOMPARE(qRound(double(top * 1440)), qRound(25 / 25.4 * 1440) + 90);
        const TPgExtended bottom = preview.Pages(1).RtfInfo.Rect.Bottom();
        QCOMPARE(qRound(double(bottom * 1440)), qRound(297 / 25.4 * 1440) - qRound((0.5 + 10 / 25.4) * 1440));
    }

    void existingPagesAreReusedAndStaleOnesRemoved()
    {
        TPgPreview preview;
        TPgRtfPreview paginator;
        paginator.SetPreview(&preview);
        TRichEditControl longText;
        FillControl(longText, NumberedText(200));
        preview.Clear();
        paginator.LoadFromRichEdit(longText);
        const int longPages = preview.NumPages();
        QVERIFY(longPages >= 3);
        TRichEditControl shortText;
        FillControl(shortText, NumberedText(40));
        paginator.ForceNewPages = false;
        preview.FirstPage();
        paginator.LoadFromRichEdit(shortText);
        QVERIFY(preview.NumPages() < longPages);
        CheckSlicesCoverText(preview, shortText.TextLength());
        for (int n = 1; n <= preview.NumPages(); ++n)
            QCOMPARE(preview.Pages(n).RtfInfo.RichEdit(), preview.Pages(1).RtfInfo.RichEdit());
    }

    // This was a crash: replacing a page's copy released a reference the page never held.
    void eachPageHoldsItsOwnReference()
    {
        TPgPreview preview;
        TPgRtfPreview paginator;
        paginator.SetPreview(&preview);
        TRichEditControl first;
        FillControl(first, NumberedText(150));
        preview.Clear();
        paginator.LoadFromRichEdit(first);
        TRichEditControl* copy = preview.Pages(1).RtfInfo.RichEdit();
        QCOMPARE(preview.Document().ResourceTable().Memos.References(copy), preview.NumPages());
        TRichEditControl second;
        FillControl(second, NumberedText(3));
        paginator.ForceNewPages = false;
        preview.FirstPage();
        paginator.LoadFromRichEdit(second);
        QCOMPARE(preview.NumPages(), 1);
        QVERIFY(preview.Pages(1).RtfInfo.RichEdit() != copy);
        QCOMPARE(preview.Document().ResourceTable().Memos.Count(), 1);
        QImage image(400, 600, QImage::Format_RGB32);
        QPainter painter(&image);
        preview.PaperImage().PaintTo(painter); // draws from a live copy
    }

    // This was markup shown as text: the copy was filled by typing the RTF into it.
    void copiesHoldTheTextNotTheMarkup()
    {
        TPgPreview preview;
        TPgRtfPreview paginator;
        paginator.SetPreview(&preview);
        TRtRichEdit editor;
        editor.SetSelectedText(QStringLiteral("plain words"));
        editor.SelectionAttributes().SetStyle(TFontStyles { TFontStyle::fsBold });
        preview.Clear();
        paginator.LoadFromRichEdit(editor);
        TRichEditControl* copy = preview.Pages(1).RtfInfo.RichEdit();
        QCOMPARE(copy->Text(), editor.Control().Text());
        QVERIFY(copy != &editor.Control());
        QVERIFY(!copy->isVisible());
        QVERIFY(editor.parent() == nullptr); // the user's editor is never reparented
    }

    // This was a silently shortened document: the copy's length limit cut the text.
    void suppliedCopyHoldsTheWholeText()
    {
        TPgPreview preview;
        int supplied = 0;
        preview.OnNeedRichEdit = [&](QObject*, TRtCustomRichEdit*& richEdit) {
            auto* editor = new TRtRichEdit;
            editor->Control().SetTextLimit(100);
            richEdit = editor;
            ++supplied;
        };
        TPgRtfPreview paginator;
        paginator.SetPreview(&preview);
        TRichEditControl editor;
        FillControl(editor, NumberedText(60));
        preview.Clear();
        paginator.LoadFromRichEdit(editor);
        QCOMPARE(supplied, 1);
        CheckSlicesCoverText(preview, editor.TextLength());
    }

    void streamsRoundTripAndReportFailures()
    {
        TRichEditControl source;
        FillControl(source, NumberedText(30));
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        buffer.write("prefix");
        TPgRtfPreview::SaveRtfToStream(source, buffer);
        QVERIFY(buffer.data().mid(6).startsWith("{\\rtf"));
        buffer.seek(6);
        TPgPreview preview;
        TPgRtfPreview paginator;
        paginator.SetPreview(&preview);
        preview.Clear();
        paginator.AddRtfStream(buffer);
        CheckSlicesCoverText(preview, source.TextLength());

        TFailingDevice failing;
        failing.open(QIODevice::ReadWrite);
        try {
            TPgRtfPreview::SaveRtfToStream(source, failing);
            QFAIL("a failed save was reported as success");
        } catch (const EOutOfResources& error) {
            QCOMPARE(error.Message(), QStringLiteral("Failed to Save Stream"));
        }
        QBuffer notRtf;
        notRtf.setData("not rich text at all");
        notRtf.open(QIODevice::ReadOnly);
        try {
            paginator.AddRtfStream(notRtf);
            QFAIL("a failed load was reported as success");
        } catch (const EOutOfResources& error) {
            QCOMPARE(error.Message(), QStringLiteral("Failed to Load Stream"));
        }
    }

    void withoutPreviewTheConfigurationErrorIsRaised()
    {
        TPgRtfPreview paginator;
        TRichEditControl editor;
        try {
            paginator.LoadFromRichEdit(editor);
            QFAIL("no error");
        } catch (const Exception& error) {
            QCOMPARE(error.Message(),
                QStringLiteral(
                    "TPgRtfPreview Error!\r\rThe \"Preview\" property must be set to a TPgPreview component"));
        }
        {
            TPgPreview preview;
            paginator.SetPreview(&preview);
        }
        QVERIFY(paginator.Preview() == nullptr); // forgotten with the preview
    }
};

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    return RunTestClasses<TestPagination>(argc, argv);
}

#include "tst_pagination.moc"
