// Dialogs: filter conversion and the default extension, the scripted dialogs as window tests rely
// on them, and the real find and replace window.
#include "Errors.h"
#include "FileFilter.h"
#include "FindDialog.h"
#include "QtDialogs.h"
#include "ScriptedDialogs.h"
#include "TestMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <stdexcept>

namespace {

TFindDialog* WindowOf(const std::unique_ptr<IFindDialog>& dialog)
{
    return static_cast<TQtFindDialog*>(dialog.get())->Window();
}

}

class TestFileFilter : public QObject {
    Q_OBJECT

private slots:
    void platformFilterBecomesQtFilters_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("two entries") << "Rich Text (*.rtf)|*.rtf|Text|*.txt;*.doc"
                                     << QStringList { "Rich Text (*.rtf)", "Text (*.txt *.doc)" };
        QTest::newRow("all files") << "Tous Fichiers (*.*)|*.*" << QStringList { "Tous Fichiers (*)" };
        QTest::newRow("patterns spelled with blanks")
            << "All Text Files (*.rtf; *.txt)|*.rtf;*.txt" << QStringList { "All Text Files (*.rtf *.txt)" };
        QTest::newRow("other parentheses")
            << "Pictures (bitmaps)|*.bmp" << QStringList { "Pictures (bitmaps) (*.bmp)" };
        QTest::newRow("unpaired description dropped") << "A|*.a|B" << QStringList { "A (*.a)" };
        QTest::newRow("empty pattern") << "Any|" << QStringList { "Any (*)" };
    }
    void platformFilterBecomesQtFilters()
    {
        QFETCH(QString, filter);
        QFETCH(QStringList, expected);
        QCOMPARE(TFileFilter(filter).QtFilters(), expected);
    }

    void indexMapsBothWaysAndDefaultsToTheFirst()
    {
        const TFileFilter filter("Rich Text (*.rtf)|*.rtf|Compressed (*.rtc)|*.rtc|Plain Text (*.txt)|*.txt");
        for (int index = 1; index <= 3; ++index)
            QCOMPARE(filter.IndexOfQtFilter(filter.QtFilter(index)), index);
        QCOMPARE(filter.IndexOfQtFilter("Images (*.png)"), 0);
        for (int index : { 0, -1, 4 })
            QCOMPARE(filter.QtFilter(index), QStringLiteral("Rich Text (*.rtf)"));
    }

    void defaultExtensionWhenNoneTyped_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("defaultExt");
        QTest::addColumn<QString>("expected");
        QTest::newRow("default") << "/d/Untitled Document" << 1 << "rtf"
                                 << "/d/Untitled Document.rtf";
        QTest::newRow("chosen filter's extension") << "/d/report" << 2 << "rtf"
                                                   << "/d/report.pdf";
        QTest::newRow("wildcard filter") << "/d/report" << 3 << ".rtf"
                                         << "/d/report.rtf";
        QTest::newRow("typed extension kept") << "/d/LETTRE.RTF" << 2 << "rtf"
                                              << "/d/LETTRE.RTF";
        QTest::newRow("dot in folder only") << "/d.old/report" << 1 << "rtf"
                                            << "/d.old/report.rtf";
        QTest::newRow("no default extension") << "/d/report" << 2 << ""
                                              << "/d/report";
    }
    void defaultExtensionWhenNoneTyped()
    {
        QFETCH(QString, fileName);
        QFETCH(int, index);
        QFETCH(QString, defaultExt);
        QFETCH(QString, expected);
        const TFileFilter filter("Rich Text Format (*.rtf)|*.rtf|PDF (*.pdf)|*.pdf|All (*.*)|*.*");
        QCOMPARE(filter.WithDefaultExtension(fileName, index, defaultExt), expected);
    }
};

class TestScriptedDialogs : public QObject {
    Q_OBJECT

private slots:
    void emptyQueuesAnswerCancel()
    {
        TScriptedDialogs dialogs;
        QCOMPARE(dialogs.ConfirmYesNoCancel("Save changes?"), mrCancel);
        QCOMPARE(dialogs.ConfirmYesNo("Clear All of List?"), mrNo);
        TFileDialogData open;
        QVERIFY(!dialogs.OpenFile(open));
        QString value = "1-5";
        QVERIFY(!dialogs.InputQuery("Print Range", "Pages", value));
        QCOMPARE(value, QStringLiteral("1-5"));
        QDialog window;
        QCOMPARE(dialogs.ShowModal(window), mrCancel);
        QVERIFY(!window.isVisible());
    }

    void answersGoInOrderToBoxesWithAChoice()
    {
        QCoreApplication::setApplicationName("Tamsel Express");
        TScriptedDialogs dialogs;
        dialogs.QueueAnswer(mrNo);
        dialogs.ShowInformation("Minimum Indentation.");
        dialogs.ShowError("Tamsel Express", "Cannot open file a.rtf.");
        QCOMPARE(dialogs.ConfirmYesNoCancel("Remove?"), mrNo);
        QCOMPARE(dialogs.Messages().size(), 1);
        QCOMPARE(dialogs.Messages()[0].Caption, QStringLiteral("Tamsel Express"));
        QCOMPARE(dialogs.Errors().size(), 1);
        QCOMPARE(dialogs.Prompts().size(), 1);
        dialogs.QueueAnswer(mrCancel);
        QVERIFY_THROWS_EXCEPTION(std::logic_error, (void)dialogs.ConfirmYesNo("No Cancel button here"));
    }

    void saveDialogAddsExtensionAndKeepsTheFilterChosen()
    {
        QTemporaryDir dir;
        TScriptedDialogs dialogs;
        TFileDialogData save { .Filter = "Rich Text Format (*.rtf)|*.rtf|PDF (*.pdf)|*.pdf", .DefaultExt = "rtf" };
        dialogs.QueueSaveFileName(dir.filePath("offre"), 2);
        dialogs.QueueSaveFileName(dir.filePath("lettre"));
        QVERIFY(dialogs.SaveFile(save));
        QCOMPARE(save.FileName, dir.filePath("offre.pdf"));
        QCOMPARE(save.FilterIndex, 2);
        QVERIFY(dialogs.SaveFile(save));
        QCOMPARE(save.FileName, dir.filePath("lettre.pdf"));
    }

    void overwriteQuestionDecidesTheSave()
    {
        QTemporaryDir dir;
        const QString existing = dir.filePath("a.rtf");
        QFile file(existing);
        QVERIFY(file.open(QIODevice::WriteOnly));
        TScriptedDialogs dialogs;
        TFileDialogData save { .Filter = "RTF|*.rtf", .Options = { .OverwritePrompt = true } };
        dialogs.QueueSaveFileName(existing);
        dialogs.QueueAnswer(mrNo);
        QVERIFY(!dialogs.SaveFile(save));
        dialogs.QueueSaveFileName(existing);
        dialogs.QueueAnswer(mrYes);
        QVERIFY(dialogs.SaveFile(save));
        QCOMPARE(dialogs.Prompts()[0].Text, OverwriteQuestion(existing));
    }

    void fontAndPrintChoicesStayWithinWhatTheDialogOffers()
    {
        TScriptedDialogs dialogs;
        TFontDialogData font { .Name = "Arial", .MinSize = 8, .MaxSize = 50, .Effects = false };
        dialogs.QueueFont({ .Name = "Courier New", .Size = 72, .Underline = true });
        QVERIFY(dialogs.ChooseFont(font));
        QCOMPARE(font.Size, 50);
        QVERIFY(!font.Underline);

        TPrintDialogData print { .MinPage = 1, .MaxPage = 5, .AllowPageNums = true };
        dialogs.QueuePrint({ .PrintRange = TPrintRange::prSelection });
        QVERIFY_THROWS_EXCEPTION(std::logic_error, (void)dialogs.Print(print));
        dialogs.QueuePrint({ .Copies = 2, .PrintRange = TPrintRange::prPageNums, .FromPage = 2, .ToPage = 3 });
        QVERIFY(dialogs.Print(print));
        QCOMPARE(print.Copies, 2);
        QCOMPARE(print.MaxPage, 5);
    }

    void modalHandlerDrivesTheShownWindow()
    {
        TScriptedDialogs dialogs;
        QDialog window;
        auto* edit = new QLineEdit(&window);
        dialogs.QueueModal([&](QDialog& shown) {
            QVERIFY(shown.isVisible());
            edit->setText("3");
            shown.accept();
        });
        QCOMPARE(dialogs.ShowModal(window), mrOk);
        QCOMPARE(edit->text(), QStringLiteral("3"));
        dialogs.QueueModal(mrYes);
        QCOMPARE(dialogs.ShowModal(window), mrYes);
    }

    void findDialogPressesRaiseEventsInTheGuard()
    {
        TScriptedDialogs dialogs;
        auto dialog = dialogs.CreateReplaceDialog();
        QStringList raised;
        dialog->OnFind = [&](IFindDialog& sender) { raised << sender.FindText(); };
        dialog->OnReplace = [&](IFindDialog& sender) { raised << sender.ReplaceText(); };
        dialog->OnReplaceAll = [](IFindDialog&) { throw Exception("Search failed"); };
        dialog->OnClose = [&](IFindDialog&) { raised << "close"; };
        dialog->SetFindText("a");
        dialog->SetReplaceText("aa");
        TScriptedFindDialog* scripted = dialogs.LastReplaceDialog();
        QVERIFY_THROWS_EXCEPTION(std::logic_error, scripted->PressFindNext()); // not shown yet
        dialog->Show();
        scripted->PressFindNext();
        scripted->PressReplace();
        scripted->PressReplaceAll();
        scripted->PressClose();
        QCOMPARE(raised, (QStringList { "a", "aa", "close" }));
        QCOMPARE(dialogs.Errors()[0].Text, QStringLiteral("Search failed."));
        QVERIFY(!dialog->IsVisible());
    }

    void destroyedFindDialogsAreForgotten()
    {
        auto dialogs = std::make_unique<TScriptedDialogs>();
        auto first = dialogs->CreateFindDialog();
        dialogs->CreateFindDialog().reset();
        QCOMPARE(dialogs->LastFindDialog(), first.get());
        dialogs.reset(); // the dialog outlives its factory without harm
        first->Show();
        first->Close();
    }
};

class TestQtFindDialog : public QObject {
    Q_OBJECT

private slots:
    void findNextNeedsTextAndReportsTheOptions()
    {
        TQtDialogs dialogs;
        auto dialog = dialogs.CreateFindDialog();
        TFindDialog* window = WindowOf(dialog);
        TFindOptions seen;
        dialog->OnFind = [&](IFindDialog& sender) { seen = sender.Options(); };
        dialog->Show();
        QVERIFY(!window->BtnFindNext->isEnabled());
        QTest::keyClicks(window->FindWhat, "word");
        window->ChkMatchCase->click();
        window->RbUp->click();
        window->BtnFindNext->click();
        QVERIFY(seen.MatchCase && !seen.WholeWord && !seen.Down);
    }

    void replaceButtonsRaiseTheirEvents()
    {
        TQtDialogs dialogs;
        auto dialog = dialogs.CreateReplaceDialog();
        QStringList raised;
        dialog->OnReplace = [&](IFindDialog& sender) { raised << sender.ReplaceText(); };
        dialog->OnReplaceAll = [&](IFindDialog&) { raised << "all"; };
        dialog->SetFindText("a");
        dialog->SetReplaceText("aa");
        dialog->Show();
        WindowOf(dialog)->BtnReplace->click();
        WindowOf(dialog)->BtnReplaceAll->click();
        QCOMPARE(raised, (QStringList { "aa", "all" }));
        QVERIFY(dialog->Options().Down); // no direction choice: replacing goes down
    }

    void everyWayOfClosingRaisesOnCloseOnce_data()
    {
        QTest::addColumn<int>("way");
        QTest::newRow("cancel button") << 0;
        QTest::newRow("escape") << 1;
        QTest::newRow("title bar") << 2;
        QTest::newRow("Close()") << 3;
    }
    void everyWayOfClosingRaisesOnCloseOnce()
    {
        QFETCH(int, way);
        TQtDialogs dialogs;
        auto dialog = dialogs.CreateFindDialog();
        TFindDialog* window = WindowOf(dialog);
        int closes = 0;
        dialog->OnClose = [&](IFindDialog&) { ++closes; };
        dialog->Show();
        if (way == 0)
            window->BtnCancel->click();
        else if (way == 1)
            QTest::keyClick(window->FindWhat, Qt::Key_Escape);
        else if (way == 2)
            window->close();
        else
            dialog->Close();
        dialog->Close(); // already hidden: nothing more
        QCOMPARE(closes, 1);
        QVERIFY(!dialog->IsVisible());
    }

    void hiddenAndDisabledChoices()
    {
        TQtDialogs dialogs;
        auto dialog = dialogs.CreateFindDialog();
        dialog->SetOptions({ .WholeWord = true, .HideUpDown = true, .DisableMatchCase = true });
        dialog->Show();
        QVERIFY(!WindowOf(dialog)->GrpDirection->isVisible());
        QVERIFY(!WindowOf(dialog)->ChkMatchCase->isEnabled());
        const TFindOptions options = dialog->Options();
        QVERIFY(options.HideUpDown && options.DisableMatchCase && options.WholeWord && options.Down);
    }

    void windowGoneWithItsOwnerLeavesASafeDialog()
    {
        TQtDialogs dialogs;
        auto owner = std::make_unique<QWidget>();
        dialogs.SetOwner(owner.get());
        auto dialog = dialogs.CreateFindDialog();
        owner.reset();
        dialog->SetFindText("x");
        dialog->Show();
        QVERIFY(!dialog->IsVisible());
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    return RunTestClasses<TestFileFilter, TestScriptedDialogs, TestQtFindDialog>(argc, argv);
}

#include "tst_dialogs.moc"
