// The merge preview: letters per record, the page label, ranges, the margins kept in Settings.ini,
// the English page dialogs, quality, the wheel and the miniatures strip.
#include "CsvFile.h"
#include "Errors.h"
#include "HeaderF.h"
#include "IniFile.h"
#include "Main.h"
#include "Margins.h"
#include "PgPreview.h"
#include "PgPrinter.h"
#include "PgRtfPreview.h"
#include "PgThumbnails.h"
#include "PrinterDevice.h"
#include "Printers.h"
#include "Preview.h"
#include "RtRichEd.h"
#include "RtSpinEdit.h"
#include "SkinButton.h"
#include "SkinCheckBox.h"
#include "SkinComboBox.h"
#include "ScriptedDialogs.h"
#include "TestSupport.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

namespace {

struct TFixture {
    QTemporaryDir Folder;
    TScriptedDialogs Dialogs;
    TfrmMain Main { Dialogs, Folder.path() };
    TMarginsForm MarginsForm { nullptr, TMarginsFormTexts::English() };
    THeaderFooterForm HeaderFooterForm { Dialogs, nullptr, THeaderFooterTexts::English() };
    TPrintPreviewForm Form { Dialogs, Folder.path(), MarginsForm, HeaderFooterForm };

    TFixture() { Main.SetPreviewForm(&Form); }
    /// Merges a one-line letter for each of these names through the main window's Merge button.
    void Merge(const QStringList& names)
    {
        Main.Editor->SetSelectedText(QStringLiteral("Dear [NAME]"));
        Main.memTokens->setPlainText(QStringLiteral("[NAME]"));
        Main.memData->setPlainText(names.join(u'\n'));
        Dialogs.QueueModal(mrCancel);
        Main.btnMerge->click();
    }
    QString Path(const QString& name) const { return QDir(Folder.path()).filePath(name); }
};

} // namespace

class TestPreview : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale::c());
        TPrinterDevice& printer = ProgramPrinter();
        printer.SetPrinterIndex(printer.Printers().PdfIndex());
    }

    void mergeGivesAPagePerRecordAndTheLabel()
    {
        TFixture f;
        f.Merge({ "Ann", "Bob", "\"Carl, Jr\"" });
        QCOMPARE(f.Form.PgPreview1->NumPages(), 3);
        QCOMPARE(f.Form.Label3->text(), QStringLiteral("Page: 1 of 3"));
        QCOMPARE(f.Form.PgThumbnails1->Count(), 3);
        QCOMPARE(f.Form.PgThumbnails1->MarkedPage(), 1);
        f.Main.memData->setPlainText(QString());
        f.Dialogs.QueueModal(mrCancel);
        f.Main.btnMerge->click();
        QCOMPARE(f.Form.PgPreview1->NumPages(), 1);
        QCOMPARE(f.Form.Label3->text(), QStringLiteral("Page: 1 of 1"));
        QCOMPARE(f.Form.PgThumbnails1->Count(), 1);
    }

    void rangesAreCheckedAndCut_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::newRow("range") << "2-4" << 2 << 4;
        QTest::newRow("one page as a range") << "2-2" << 2 << 2;
        QTest::newRow("spaces") << " 1 - 3 " << 1 << 3;
        QTest::newRow("past the end") << "4-99" << 4 << 5;
        QTest::newRow("no dash") << "5" << 0 << 0;
        QTest::newRow("first below 1") << "0-2" << 0 << 0;
        QTest::newRow("first past the end") << "6-7" << 0 << 0;
        QTest::newRow("reversed") << "3-2" << 0 << 0;
        QTest::newRow("text") << "a-b" << 0 << 0;
        QTest::newRow("empty last") << "2-" << 0 << 0;
    }
    void rangesAreCheckedAndCut()
    {
        QFETCH(QString, text);
        QFETCH(int, first);
        QFETCH(int, last);
        if (first == 0) {
            QVERIFY_THROWS_EXCEPTION(EPrinter, TPrintPreviewForm::ParseRange(text, 5));
            return;
        }
        QCOMPARE(TPrintPreviewForm::ParseRange(text, 5), std::make_pair(first, last));
    }

    void rangeAsksPrintsAndTellsOrRefuses()
    {
        TFixture f;
        f.Merge({ "Ann", "Bob", "Cid" });
        const QString output = f.Path(QStringLiteral("range.pdf"));
        ProgramPrinter().SetOutputFileName(output);

        f.Dialogs.QueueInput(QStringLiteral("2-9"));
        f.Dialogs.QueueAnswer(mrYes);
        f.Form.SkButton1->click();
        QCOMPARE(f.Dialogs.Inputs().last().Caption, QStringLiteral("Print Range"));
        QCOMPARE(f.Dialogs.Inputs().last().Prompt, QStringLiteral("Print From Page 1 to Page 3"));
        QCOMPARE(f.Dialogs.Inputs().last().Value, QStringLiteral("1-3"));
        QCOMPARE(f.Dialogs.Prompts().last().Text, QStringLiteral("Continue with Printing From Page 2 to Page 3"));
        QCOMPARE(f.Dialogs.Messages().last().Text, QStringLiteral("Printing from Page 2 to Page 3"));
        QVERIFY(f.Dialogs.Errors().isEmpty());
        QCOMPARE(PdfPageCount(output), 2);

        f.Dialogs.ClearRecords();
        f.Dialogs.QueueInput(QStringLiteral("3-2"));
        f.Form.SkButton1->click();
        QVERIFY(f.Dialogs.Prompts().isEmpty());
        QCOMPARE(f.Dialogs.Messages().size(), 1);
        QCOMPARE(f.Dialogs.Messages().last().Text, QStringLiteral("Invalid Range"));

        // A job that cannot be written reports itself, not a bad range, and no success notice follows.
        f.Dialogs.ClearRecords();
        QVERIFY(QDir().mkpath(f.Path(QStringLiteral("folder.pdf"))));
        ProgramPrinter().SetOutputFileName(f.Path(QStringLiteral("folder.pdf")));
        f.Dialogs.QueueInput(QStringLiteral("1-1"));
        f.Dialogs.QueueAnswer(mrYes);
        f.Form.SkButton1->click();
        QCOMPARE(f.Dialogs.Errors().size(), 1);
        QVERIFY(f.Dialogs.Messages().isEmpty());
        ProgramPrinter().SetOutputFileName(QString());
    }

    void printAllPrintsEveryLetterUnderTheProgramsTitle()
    {
        TFixture f;
        f.Merge({ "Ann", "Bob", "Cid", "Dee" });
        const QString output = f.Path(QStringLiteral("all.pdf"));
        ProgramPrinter().SetOutputFileName(output);
        f.Form.btnPrintAl->click();
        QVERIFY(f.Dialogs.Errors().isEmpty());
        QCOMPARE(PdfPageCount(output), 4);
        QCOMPARE(f.Form.PgPreview1->PgPrinter().Title, QStringLiteral("Pelmora"));
        f.Form.PgPreview1->NextPage();
        const QString page = f.Path(QStringLiteral("page.pdf"));
        ProgramPrinter().SetOutputFileName(page);
        f.Form.btnPrintPage->click();
        QCOMPARE(PdfPageCount(page), 1);
        ProgramPrinter().SetOutputFileName(QString());
    }

    void marginsAreAppliedStoredAndReadBack()
    {
        TFixture f;
        f.Merge({ "Ann", "Bob" });
        f.Dialogs.QueueModal([](QDialog& dialog) {
            auto& margins = static_cast<TMarginsForm&>(dialog);
            margins.SpinEdit2->SetValue(20); // top
            margins.SpinHeader->SetValue(10);
            margins.SpinEdit4->SetValue(18); // bottom
            margins.SpinFooter->SetValue(12);
            margins.SkButton2Click();
        });
        f.Form.btnMargins->click();
        QVERIFY(f.Dialogs.Errors().isEmpty());
        const TIniFile stored(f.Path(QStringLiteral("Settings.ini")));
        QCOMPARE(stored.ReadString(QStringLiteral("Margins"), QStringLiteral("Top"), {}), QStringLiteral("20"));
        QCOMPARE(stored.ReadString(QStringLiteral("Margins"), QStringLiteral("MarginTop"), {}), QStringLiteral("30"));
        QCOMPARE(stored.ReadString(QStringLiteral("Margins"), QStringLiteral("MarginBottom"), {}), QStringLiteral("30"));
        QCOMPARE(qRound(double(f.Form.PgRtfPreview1->TopMargin.AsMillimeters())), 30);
        QCOMPARE(qRound(double(f.Form.PgPreview1->Margins().Top.AsMillimeters())), 20);
        QCOMPARE(f.Form.PgPreview1->NumPages(), 2); // laid out again

        // A new window reads them back, commas and all; nonsense falls back to the default.
        QFile file(f.Path(QStringLiteral("Settings.ini")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Margins]\nLeft=12,5\nTop=abc\nRight=-4\n");
        file.close();
        TMarginsForm margins(nullptr, TMarginsFormTexts::English());
        TPrintPreviewForm again(f.Dialogs, f.Folder.path(), margins, f.HeaderFooterForm);
        QCOMPARE(double(again.PgPreview1->Margins().Left.AsMillimeters()), 12.5);
        QCOMPARE(qRound(double(again.PgPreview1->Margins().Top.AsMillimeters())), 15);
        QCOMPARE(qRound(double(again.PgPreview1->Margins().Right.AsMillimeters())), 25);
    }

    void marginsThatCannotBeStoredAreStillLaidOut()
    {
        TFixture f;
        f.Merge({ "Ann" });
        QVERIFY(QDir().mkpath(f.Path(QStringLiteral("Settings.ini")))); // a folder where the file goes
        f.Dialogs.QueueModal([](QDialog& dialog) {
            auto& margins = static_cast<TMarginsForm&>(dialog);
            margins.SpinEdit2->SetValue(40);
            margins.SkButton2Click();
        });
        f.Form.btnMargins->click();
        QCOMPARE(f.Dialogs.Errors().size(), 1);
        QCOMPARE(qRound(double(f.Form.PgPreview1->Margins().Top.AsMillimeters())), 40);
        QCOMPARE(f.Form.PgPreview1->NumPages(), 1);
    }

    void englishDialogsSayWhatTheirBoxesMean()
    {
        TScriptedDialogs dialogs;
        TMarginsForm margins(nullptr, TMarginsFormTexts::English());
        QCOMPARE(margins.windowTitle(), QStringLiteral("Page Margins"));
        QCOMPARE(margins.Values().Top, 19);
        QCOMPARE(margins.Values().Left, 19);
        QCOMPARE(margins.Values().Header, 10);
        QVERIFY(!margins.Label6->isHidden());
        QCOMPARE(margins.Label6->text(), QStringLiteral("Value in Inches: 0"));
        margins.SpinEdit2->SetValue(20);
        QCOMPARE(margins.Label6->text(), QStringLiteral("Value in Inches: 0.79 >> Including Header: 1.18"));
        margins.SpinEdit4->SetValue(25);
        QCOMPARE(margins.Label6->text(), QStringLiteral("Value in Inches: 0.98 >> Including Footer: 1.38"));
        margins.SpinEdit1->SetValue(30);
        QCOMPARE(margins.Label6->text(), QStringLiteral("Value in Inches: 1.18"));

        THeaderFooterForm captions(dialogs, nullptr, THeaderFooterTexts::English());
        QCOMPARE(captions.windowTitle(), QStringLiteral("Header and Footer Titles"));
        QVERIFY(captions.SpeedButton1->isHidden()); // no help button here
        QCOMPARE(captions.ComboBox1->itemText(3), QStringLiteral("DashDotDot"));
        TFontDialogData big;
        big.Name = QStringLiteral("Liberation Serif");
        big.Size = 40;
        dialogs.QueueFont(big);
        captions.uxButton3Click();
        QCOMPARE(dialogs.FontDialogs().last().MaxSize, 12);
        QCOMPARE(captions.CaptionFont().Size, 12);
    }

    void headerAndFooterTextsReachThePages()
    {
        TFixture f;
        f.Merge({ "Ann", "Bob" });
        f.Dialogs.QueueModal([](QDialog& dialog) {
            auto& captions = static_cast<THeaderFooterForm&>(dialog);
            captions.Edit2->setText(QStringLiteral("Centre top"));
            captions.Edit6->setText(QStringLiteral("Page {PAGE}"));
            captions.uxCheckBox1->SetChecked(true);
            captions.ComboBox1->setCurrentIndex(1);
            captions.SkButton1->click();
        });
        f.Form.btnHeader->click();
        QCOMPARE(f.Form.PgPreview1->Header().Caption(1).Caption(), QStringLiteral("Centre top"));
        QCOMPARE(f.Form.PgPreview1->Footer().Caption(2).Caption(), QStringLiteral("Page {PAGE}"));
        QVERIFY(f.Form.PgPreview1->Header().ShowLine());
        QCOMPARE(f.Form.PgPreview1->Header().Pen().Style, DWORD(PS_DOT));
        QCOMPARE(f.Form.PgPreview1->NumPages(), 2);
    }

    void qualityDefaultLeavesThePrintersChoice()
    {
        TFixture f;
        TPgPrinter& printer = f.Form.PgPreview1->PgPrinter();
        f.Form.ComboBox2->setCurrentIndex(3);
        f.Form.ComboBox2Change();
        QCOMPARE(printer.PrintQuality(), TPgPrintQuality::pgLow);
        f.Form.ComboBox2->setCurrentIndex(4);
        f.Form.ComboBox2Change();
        QCOMPARE(printer.PrintQuality(), TPgPrintQuality::pgLow);
        f.Form.ComboBox2->setCurrentIndex(0);
        f.Form.ComboBox2Change();
        QCOMPARE(printer.PrintQuality(), TPgPrintQuality::pgHigh);
        f.Form.RtSpinEdit1->SetValue(3);
        QCOMPARE(printer.PrintCopies(), 3);
    }

    void wheelStopsAtTheEnds()
    {
        TFixture f;
        f.Merge({ "Ann" });
        f.Form.resize(900, 600);
        f.Form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.Form));
        f.Form.PgPreview1->SetZoom(200);
        QScrollBar* scroll = f.Form.PgPreview1->verticalScrollBar();
        QVERIFY(scroll->maximum() > 20);
        auto roll = [&](int delta) {
            QWheelEvent wheel(QPointF(50, 50), QPointF(50, 50), QPoint(), QPoint(0, delta), Qt::NoButton,
                Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(f.Form.PgPreview1->viewport(), &wheel);
        };
        scroll->setValue(0);
        roll(-120);
        QCOMPARE(scroll->value(), 10);
        roll(120);
        roll(120);
        QCOMPARE(scroll->value(), 0);
        scroll->setValue(scroll->maximum());
        roll(-120);
        QCOMPARE(scroll->value(), scroll->maximum());
        f.Form.hide();
    }

    void miniaturesFollowAndLeadThePreview()
    {
        TFixture f;
        f.Merge({ "Ann", "Bob", "Cid", "Dee", "Eve" });
        TPgThumbnails& strip = *f.Form.PgThumbnails1;
        QCOMPARE(strip.Count(), 5);
        // A4 at 10 percent of 96 per inch, 8 pixels round it and 4 plus the caption under it.
        const QSize page(qRound(double(f.Form.PgPreview1->Pages(1).Width) * 96 * 0.1),
            qRound(double(f.Form.PgPreview1->Pages(1).Height) * 96 * 0.1));
        const QRect first = strip.ThumbRect(1);
        QCOMPARE(first.topLeft(), QPoint(0, 0));
        QCOMPARE(first.width(), page.width() + 16);
        QVERIFY(first.height() > page.height() + 20);
        QCOMPARE(strip.ThumbRect(2).left(), first.width() - 1);
        QCOMPARE(strip.ThumbRect(5).topLeft(), QPoint(0, first.height() - 1)); // four a row
        QCOMPARE(strip.CaptionOf(4), QStringLiteral("Page 4"));

        f.Form.resize(900, 700);
        f.Form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.Form));
        const QPoint scrolled(strip.horizontalScrollBar()->value(), strip.verticalScrollBar()->value());
        QTest::mouseClick(strip.viewport(), Qt::LeftButton, {}, strip.ThumbRect(4).center() - scrolled);
        QCOMPARE(f.Form.PgPreview1->CurrentPage(), 4);
        QCOMPARE(strip.MarkedPage(), 4);
        QCOMPARE(f.Form.Label3->text(), QStringLiteral("Page: 4 of 5"));

        f.Form.PgPreview1->FirstPage();
        QCOMPARE(strip.MarkedPage(), 1);
        strip.grab(); // paints the miniatures in view without failing
        f.Form.hide();
    }
};

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
