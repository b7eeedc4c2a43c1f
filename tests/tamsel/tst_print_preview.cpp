// The print preview window, quick print and the margins and header/footer dialogs, driven through
// the main window with scripted dialogs and printed to the PDF printer.
#include "HeaderF.h"
#include "MainFixture.h"
#include "Margins.h"
#include "PgPreview.h"
#include "PgPrinter.h"
#include "PgPropertyGraphic.h"
#include "PgRtfPreview.h"
#include "PrintPreview.h"
#include "PrinterDevice.h"
#include "RtSpinEdit.h"
#include "SkinButton.h"
#include "SkinCheckBox.h"
#include "TestSupport.h"
#include "TrackBar.h"

#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

QString PdfText(const QString& path) { return ToolOutput(QStringLiteral("pdftotext"), { path, QStringLiteral("-") }); }

QString Paragraphs(int count)
{
    QStringList paragraphs;
    int word = 0;
    for (int p = 0; p < count; ++p) {
        QStringList words;
        for (int w = 0; w < 40; ++w)
            words << QStringLiteral("word%1").arg(word++);
        paragraphs << words.join(u' ');
    }
    return paragraphs.join(u'\r');
}

} // namespace

class TestPrintPreview : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale::c());
        FHasPoppler = !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty()
            && !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
    }
    void init()
    {
        F = std::make_unique<TMainFixture>();
        TPrinterDevice& printer = ProgramPrinter();
        printer.SetPrinterIndex(printer.Printers().PdfIndex());
    }
    void cleanup() { F.reset(); }

    void toolButtonPrintsThroughTheEngineWithHeaderAndFooter()
    {
        if (!FHasPoppler)
            QSKIP("pdfinfo and pdftotext are not installed");
        F->Type(Paragraphs(30));
        TfrmPrintPreview& form = *F->Window->PrintPreviewForm();
        form.Preview().Footer().CaptionCenter.SetCaption(QStringLiteral("Page {PAGE} of {NUMPAGES}"));
        const QString output = F->Path(QStringLiteral("quick.pdf"));
        ProgramPrinter().SetOutputFileName(output);
        F->Window->BtnQuickPrintClick(F->Window->BtnQuickPrint);
        QVERIFY(F->Dialogs.Errors().isEmpty());
        QVERIFY(F->Dialogs.PrintDialogs().isEmpty()); // no dialog on this path
        const int pages = form.Preview().NumPages();
        QVERIFY(pages >= 3);
        QCOMPARE(PdfPageCount(output), pages);
        QVERIFY(PdfText(output).contains(QStringLiteral("Page %1 of %1").arg(pages)));
    }

    void ctrlPAsksThePrintDialogAndPrintsWithoutCaptions()
    {
        if (!FHasPoppler)
            QSKIP("pdfinfo and pdftotext are not installed");
        F->Type(Paragraphs(30));
        F->Window->PrintPreviewForm()->Preview().Footer().CaptionCenter.SetCaption(QStringLiteral("FOOTERMARK"));
        const QString output = F->Path(QStringLiteral("dialog.pdf"));
        TPrintDialogData answer;
        answer.PrintToFile = true;
        answer.OutputFileName = output;
        F->Dialogs.QueuePrint(answer);
        F->Window->Print1->trigger();
        QVERIFY(F->Dialogs.Errors().isEmpty());
        QCOMPARE(F->Dialogs.PrintDialogs().size(), 1);
        QCOMPARE(F->Dialogs.PrintDialogs().front().PrintRange, TPrintRange::prAllPages);
        QVERIFY(PdfPageCount(output) >= 2);
        const QString text = PdfText(output);
        QVERIFY(text.contains(QStringLiteral("word0")));
        QVERIFY(text.contains(QStringLiteral("word1199")));
        QVERIFY(!text.contains(QStringLiteral("FOOTERMARK")));
    }

    void aSelectionPrintsOnlyItsPages()
    {
        if (!FHasPoppler)
            QSKIP("pdfinfo and pdftotext are not installed");
        F->Type(Paragraphs(30));
        const QString all = F->Path(QStringLiteral("all.pdf"));
        TPrintDialogData answer;
        answer.PrintToFile = true;
        answer.OutputFileName = all;
        F->Dialogs.QueuePrint(answer);
        F->Window->Print1->trigger();
        const int allPages = PdfPageCount(all);
        QVERIFY(allPages >= 2);

        // The whole text selected: as many pages; the tool button goes through the dialog too.
        F->Editor().SelectAll();
        const QString selected = F->Path(QStringLiteral("selected.pdf"));
        answer.OutputFileName = selected;
        answer.PrintRange = TPrintRange::prSelection;
        F->Dialogs.QueuePrint(answer);
        F->Window->BtnQuickPrintClick(F->Window->BtnQuickPrint);
        QVERIFY(F->Dialogs.Errors().isEmpty());
        QCOMPARE(F->Dialogs.PrintDialogs().last().PrintRange, TPrintRange::prSelection);
        QCOMPARE(PdfPageCount(selected), allPages);
        QVERIFY2(PdfText(selected).contains(QStringLiteral("word1199")), qPrintable(PdfText(selected)));

        // A few words: one page with their line and nothing after it.
        const int start = int(F->Editor().Text().indexOf(QStringLiteral("word500 ")));
        F->Editor().SetSelectionStart(start);
        F->Editor().SetSelectionLength(int(QStringLiteral("word500 word501").size()));
        const QString few = F->Path(QStringLiteral("few.pdf"));
        answer.OutputFileName = few;
        F->Dialogs.QueuePrint(answer);
        F->Window->Print1->trigger();
        QCOMPARE(PdfPageCount(few), 1);
        const QString text = PdfText(few);
        QVERIFY2(text.contains(QStringLiteral("word501")), qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("word540")));
        QVERIFY(!text.contains(QStringLiteral("word0 ")));
    }

    void aSelectionWithoutRoomEndsWithAnError()
    {
        F->Type(Paragraphs(3));
        F->Window->SetMargins(15, 100, 15, 100, 10, 10);
        F->Window->FormActivate();
        F->Editor().SelectAll();
        TPrintDialogData answer;
        answer.PrintToFile = true;
        answer.OutputFileName = F->Path(QStringLiteral("none.pdf"));
        answer.PrintRange = TPrintRange::prSelection;
        F->Dialogs.QueuePrint(answer);
        F->Window->Print1->trigger();
        QCOMPARE(F->Dialogs.Errors().size(), 1);
        QVERIFY(!ProgramPrinter().Printing());
        QVERIFY(!QFile::exists(F->Path(QStringLiteral("none.pdf"))));
    }

    void printButtonsPrintAllOrTheCurrentPage()
    {
        if (!FHasPoppler)
            QSKIP("pdfinfo and pdftotext are not installed");
        F->Type(Paragraphs(30));
        TfrmPrintPreview& form = *F->Window->PrintPreviewForm();
        form.RebuildPreview();
        const int pages = form.Preview().NumPages();
        QVERIFY(pages >= 3);
        const QString all = F->Path(QStringLiteral("all.pdf"));
        ProgramPrinter().SetOutputFileName(all);
        form.btnPrintAll->Click();
        QCOMPARE(PdfPageCount(all), pages);

        form.Preview().NextPage();
        const QString current = F->Path(QStringLiteral("current.pdf"));
        ProgramPrinter().SetOutputFileName(current);
        form.btnPrintCurrent->Click();
        QVERIFY(F->Dialogs.Errors().isEmpty());
        QCOMPARE(PdfPageCount(current), 1);
        const QString text = PdfText(current);
        QVERIFY(!text.contains(QStringLiteral("word0 ")));
    }

    void pageIndicatorFollowsNavigationAndRebuilds()
    {
        F->Type(Paragraphs(30));
        TfrmPrintPreview& form = *F->Window->PrintPreviewForm();
        form.RebuildPreview();
        const int pages = form.Preview().NumPages();
        QVERIFY(pages >= 3);
        QCOMPARE(form.Label3->text(), QStringLiteral("Page: 1 of %1").arg(pages));
        QTest::mouseClick(form.Label9, Qt::LeftButton);
        QCOMPARE(form.Label3->text(), QStringLiteral("Page: 2 of %1").arg(pages));
        QTest::mouseClick(form.Label8, Qt::LeftButton);
        QCOMPARE(form.Label3->text(), QStringLiteral("Page: %1 of %1").arg(pages));
        QTest::mouseClick(form.Label7, Qt::LeftButton);
        QCOMPARE(form.Preview().CurrentPage(), pages - 1);
        QTest::mouseClick(form.Label6, Qt::LeftButton);
        QCOMPARE(form.Label3->text(), QStringLiteral("Page: 1 of %1").arg(pages));

        // The document shrinks to one page: the indicator must not keep the old count.
        F->Editor().SelectAll();
        F->Editor().SetSelectedText(QStringLiteral("short"));
        form.RebuildPreview();
        QCOMPARE(form.Label3->text(), QStringLiteral("Page: 1 of 1"));
    }

    void openingThePreviewFitsAndShowsTheWindow()
    {
        F->Type(Paragraphs(30));
        TfrmPrintPreview& form = *F->Window->PrintPreviewForm();
        QString shown;
        int zoom = 0;
        F->Dialogs.QueueModal([&](QDialog&) {
            shown = form.Label3->text();
            form.SkButton4->Click();
            zoom = form.SkTrackBar1->Position();
        });
        F->Window->BtnPrintPreviewClick();
        QCOMPARE(shown, QStringLiteral("Page: 1 of %1").arg(form.Preview().NumPages()));
        QCOMPARE(zoom, std::clamp(form.Preview().Zoom(), 20, 400));
        QCOMPARE(form.Preview().Zoom(), zoom); // the bar drives the zoom, so both are within 20..400
    }

    void landscapeRebuildsThePages()
    {
        // Short lines: the page count depends on the page's height only.
        QStringList lines;
        for (int i = 0; i < 200; ++i)
            lines << QStringLiteral("line %1").arg(i);
        F->Type(lines.join(u'\r'));
        TfrmPrintPreview& form = *F->Window->PrintPreviewForm();
        form.RebuildPreview();
        const int portrait = form.Preview().NumPages();
        form.PgPropertyGraphic2->ClickButton(2);
        QCOMPARE(form.Preview().Orientation(), TPgOrientation::pgLandscape);
        QVERIFY(form.Preview().NumPages() > portrait);
        QCOMPARE(form.Label3->text(), QStringLiteral("Page: 1 of %1").arg(form.Preview().NumPages()));
    }

    void marginsDialogReachesPreviewAndSettingsFile()
    {
        F->Type(Paragraphs(5));
        TfrmPrintPreview& form = *F->Window->PrintPreviewForm();
        F->Dialogs.QueueModal([](QDialog& dialog) {
            auto& margins = static_cast<TMarginsForm&>(dialog);
            QCOMPARE(margins.SpinEdit2->Value(), 15); // loaded from the stored values
            margins.SpinEdit2->SetValue(40);
            margins.SpinEdit1->SetValue(30);
            margins.SpinHeader->SetValue(12);
            margins.SkButton2->Click();
        });
        form.SkButton6->Click();
        QVERIFY(F->Dialogs.Errors().isEmpty());
        QCOMPARE(double(form.Preview().Margins().Top.AsMillimeters()), 40.0);
        QCOMPARE(double(form.Preview().Margins().Left.AsMillimeters()), 30.0);
        QVERIFY(qAbs(double(form.Paginator().TopMargin.AsMillimeters()) - 52.0) < 0.01);
        QCOMPARE(F->Window->TopMargin(), 40);
        const QByteArray ini = F->ReadFile(QStringLiteral("Varnok.ini"));
        QVERIFY2(ini.contains("Top Margin=40"), ini.constData());
        QVERIFY(ini.contains("Header Margin=12"));

        F->Restart();
        QCOMPARE(F->Window->TopMargin(), 40);
        QCOMPARE(F->Window->HeaderMargin(), 12);
        QCOMPARE(double(F->Window->PrintPreviewForm()->Preview().Margins().Top.AsMillimeters()), 40.0);
    }

    void closingTheMarginsDialogKeepsEverything()
    {
        TfrmPrintPreview& form = *F->Window->PrintPreviewForm();
        F->Dialogs.QueueModal([](QDialog& dialog) {
            auto& margins = static_cast<TMarginsForm&>(dialog);
            margins.SpinEdit2->SetValue(60);
            margins.SkButton1->Click();
        });
        form.SkButton6->Click();
        QCOMPARE(F->Window->TopMargin(), 15);
        QCOMPARE(double(form.Preview().Margins().Top.AsMillimeters()), 15.0);
    }

    void storedMarginsOutsideTheLimitsFallBack_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("overflow") << QByteArray("Top Margin=2147483647");
        QTest::newRow("negative") << QByteArray("Left Margin=-5");
        QTest::newRow("header too high") << QByteArray("Header Margin=40");
        QTest::newRow("not a number") << QByteArray("Bottom Margin=abc");
    }
    void storedMarginsOutsideTheLimitsFallBack()
    {
        QFETCH(QByteArray, line);
        F->WriteFile(QStringLiteral("Varnok.ini"), "[Print Preview]\r\nRight Margin=30\r\n" + line + "\r\n");
        F->Window->FormActivate();
        QCOMPARE(F->Window->TopMargin(), 15);
        QCOMPARE(F->Window->LeftMargin(), 25);
        QCOMPARE(F->Window->RightMargin(), line.startsWith("Bottom") ? 30 : 25);
        QCOMPARE(F->Window->HeaderMargin(), 10);
        QCOMPARE(double(F->Window->PrintPreviewForm()->Preview().Margins().Left.AsMillimeters()), 25.0);
    }

    void marginBoxesKeepTheirLimits()
    {
        TMarginsForm& margins = *F->Window->MarginsForm();
        margins.SpinEdit2->SetValue(500);
        QCOMPARE(margins.SpinEdit2->Value(), 100);
        margins.SpinEdit1->SetValue(0);
        QCOMPARE(margins.SpinEdit1->Value(), 1);
        margins.SpinHeader->SetValue(2);
        QCOMPARE(margins.SpinHeader->Value(), 5);
        margins.SpinFooter->SetValue(16);
        QCOMPARE(margins.SpinFooter->Value(), 15);
        QVERIFY(!margins.SpinHeader->EditorEnabled());
    }

    void inchLabel()
    {
        QCOMPARE(InchText(15), QStringLiteral("Value in Inches: 0.59"));
        QCOMPARE(InchText(5), QStringLiteral("Value in Inches: 0.2"));
        QCOMPARE(InchText(100), QStringLiteral("Value in Inches: 3.94"));
        QCOMPARE(InchText(254), QStringLiteral("Value in Inches: 10.0"));
        TMarginsForm& margins = *F->Window->MarginsForm();
        margins.SpinHeader->SetValue(5);
        QCOMPARE(margins.Label6->text(), QStringLiteral("Value in Inches: 0.2"));
        QVERIFY(!margins.Label6->isHidden());
    }

    void marginsWithoutRoomShowTheErrorAndKeepThePreview()
    {
        F->Type(Paragraphs(5));
        TfrmPrintPreview& form = *F->Window->PrintPreviewForm();
        form.Preview().SetOrientation(TPgOrientation::pgLandscape);
        F->Dialogs.QueueModal([](QDialog& dialog) {
            auto& margins = static_cast<TMarginsForm&>(dialog);
            margins.SpinEdit2->SetValue(100);
            margins.SpinEdit4->SetValue(100);
            margins.SkButton2->Click();
        });
        form.SkButton6->Click();
        QCOMPARE(F->Dialogs.Errors().size(), 1);
        // Sound margins again: pages come back.
        F->Dialogs.QueueModal([](QDialog& dialog) {
            auto& margins = static_cast<TMarginsForm&>(dialog);
            margins.SpinEdit2->SetValue(15);
            margins.SpinEdit4->SetValue(15);
            margins.SkButton2->Click();
        });
        form.SkButton6->Click();
        QCOMPARE(F->Dialogs.Errors().size(), 1);
        QVERIFY(form.Preview().NumPages() >= 1);
    }

    void headerFooterDialogSetsTheCaptions()
    {
        TfrmPrintPreview& form = *F->Window->PrintPreviewForm();
        TFontDialogData font;
        font.Name = QStringLiteral("Arial");
        font.Size = 20;
        F->Dialogs.QueueFont(font);
        F->Dialogs.QueueModal([](QDialog& dialog) {
            auto& captions = static_cast<THeaderFooterForm&>(dialog);
            captions.Edit1->setText(QStringLiteral("{DATE}"));
            captions.Edit5->setText(QStringLiteral("Page {PAGE} of {NUMPAGES}"));
            captions.uxCheckBox1->SetChecked(true);
            captions.uxButton3Click();
            captions.SkButton1->Click();
        });
        form.SkButton7->Click();
        QVERIFY(F->Dialogs.Errors().isEmpty());
        QCOMPARE(form.Preview().Header().CaptionLeft.Caption(), QStringLiteral("{DATE}"));
        QCOMPARE(form.Preview().Footer().CaptionCenter.Caption(), QStringLiteral("Page {PAGE} of {NUMPAGES}"));
        QCOMPARE(form.Preview().Footer().CaptionRight.Font().Size, 20);
        QVERIFY(form.Preview().Header().ShowLine());
        QVERIFY(!form.Preview().Footer().ShowLine());

        // Cancelled: nothing changes.
        F->Dialogs.QueueModal([](QDialog& dialog) {
            auto& captions = static_cast<THeaderFooterForm&>(dialog);
            captions.Edit1->setText(QStringLiteral("other"));
            captions.SkButton2->Click();
        });
        form.SkButton7->Click();
        QCOMPARE(form.Preview().Header().CaptionLeft.Caption(), QStringLiteral("{DATE}"));
    }

    void copiesAndQualityReachThePrinterAfterAnotherPrinterIsChosen()
    {
        TfrmPrintPreview& form = *F->Window->PrintPreviewForm();
        form.RtSpinEdit1->SetValue(3);
        QCOMPARE(form.Preview().PgPrinter().PrintCopies(), 3);
        form.Preview().PgPrinter().SetPrinterIndex(ProgramPrinter().Printers().PdfIndex()); // driver defaults
        form.ApplyJobSettings();
        QCOMPARE(form.Preview().PgPrinter().PrintCopies(), 3);
    }

private:
    std::unique_ptr<TMainFixture> F;
    bool FHasPoppler = false;
};

QTEST_MAIN(TestPrintPreview)
#include "tst_print_preview.moc"
