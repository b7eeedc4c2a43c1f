// The side panel's formatting tools: which scope each tool writes, the format painter, the refresh
// that mirrors the caret without writing, the symbol fonts, indents, spacing, bullets and numbering.
#include "MainFixture.h"

#include "ColorComboBox.h"
#include "FontComboBox.h"
#include "GdiFontDefs.h"
#include "RtSpinEdit.h"
#include "SkinButton.h"
#include "TextCommands.h"

#include <QAction>
#include <QLabel>

class TestFormatting : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        F = std::make_unique<TMainFixture>();
        F->Type(QStringLiteral("premier second troisième"));
        F->Editor().SetSelectionStart(9); // inside "second"
        F->Editor().SetSelectionLength(0);
        F->Editor().SetModified(false);
    }
    void cleanup() { F.reset(); }

    void toolsWriteTheirScope();
    void sizeSpinRules();
    void styleCommandsChangeOnlyTheirOwnBit();
    void scriptPositionsExcludeEachOther();
    void backgroundThroughTheColourDialog();
    void painterPicksUpAndApplies();
    void refreshMirrorsWithoutWriting();
    void symbolFontsWriteTheSymbolCharacterSet();
    void indentCountersAndLimits();
    void lineSpacings();
    void bulletsAndNumbering();
    void alignment();

private:
    TRtTextAttributes& At(int start, int length)
    {
        F->Editor().SetSelectionStart(start);
        F->Editor().SetSelectionLength(length);
        return F->Editor().SelectionAttributes();
    }
    std::unique_ptr<TMainFixture> F;
};

void TestFormatting::toolsWriteTheirScope()
{
    TFrmMain& w = *F->Window;
    // The font list writes the whole word at the caret.
    w.FontName->SetFontName(QStringLiteral("Courier New"));
    QCOMPARE(At(8, 6).Name(), QStringLiteral("Courier New"));
    QCOMPARE(At(0, 7).Name(), QStringLiteral("Arial"));

    // Size and colour write only the typing format when nothing is selected.
    F->Editor().SetSelectionStart(9);
    F->Editor().SetSelectionLength(0);
    w.ColorComboBox1->setCurrentIndex(9); // Red
    w.ColorComboBox1Click();
    QCOMPARE(F->Editor().SelectionAttributes().Color(), RGB(255, 0, 0));
    QVERIFY(At(8, 6).Color() != RGB(255, 0, 0));

    // With a selection, everything goes to the selection.
    At(0, 7);
    w.ColorComboBox1->setCurrentIndex(12); // Blue
    w.ColorComboBox1Click();
    QCOMPARE(At(0, 7).Color(), RGB(0, 0, 255));
    At(15, 5);
    w.FontSize1->SetValue(18);
    QCOMPARE(At(15, 5).Size(), 18);
    QCOMPARE(At(0, 7).Size(), 12);
}

void TestFormatting::sizeSpinRules()
{
    TFrmMain& w = *F->Window;
    At(0, 7).SetSize(11);
    w.EditorSelectionChange();
    QCOMPARE(w.FontSize1->Value(), 11);
    w.FontSize1->UpClick(); // 13, raised to 14 and applied
    QCOMPARE(w.FontSize1->Value(), 14);
    QCOMPARE(At(0, 7).Size(), 14);

    // Enter applies 8 and above only; smaller sizes go through the change event.
    int enter = Qt::Key_Return;
    At(0, 7).SetSize(20);
    w.FontSize1->SetValue(6);
    QCOMPARE(At(0, 7).Size(), 6);
    w.FontSize1KeyDown(enter);
    QCOMPARE(At(0, 7).Size(), 6);
    QCOMPARE(w.FontSize1->MinValue(), 4);
    QCOMPARE(w.FontSize1->MaxValue(), 800);
    w.FontSize1->SetValue(2);
    QCOMPARE(w.FontSize1->Value(), 4);
}

void TestFormatting::styleCommandsChangeOnlyTheirOwnBit()
{
    TFrmMain& w = *F->Window;
    At(0, 7).SetStyle({ TFontStyle::fsBold, TFontStyle::fsItalic });
    At(8, 6).SetStyle({ TFontStyle::fsUnderline });
    At(0, 14); // "premier" bold italic, " second" underlined: mixed
    w.EditorSelectionChange();
    // The click follows the state the control reports for the mixed selection, for all of it.
    const bool bold = !w.Bold1->isChecked();
    w.btnBoldClick();
    QCOMPARE(At(8, 6).Style().Contains(TFontStyle::fsBold), bold);
    QCOMPARE(At(0, 7).Style().Contains(TFontStyle::fsBold), bold);
    QCOMPARE(w.btnBold->Down(), bold);
    QCOMPARE(w.Bold1->isChecked(), bold);
    // Every run keeps the styles it had besides bold.
    QVERIFY(At(0, 7).Style().Contains(TFontStyle::fsItalic));
    QVERIFY(!At(0, 7).Style().Contains(TFontStyle::fsUnderline));
    QVERIFY(At(8, 6).Style().Contains(TFontStyle::fsUnderline));
    QVERIFY(!At(8, 6).Style().Contains(TFontStyle::fsItalic));
    At(0, 14);
    w.btnBoldClick();
    QCOMPARE(At(0, 7).Style().Contains(TFontStyle::fsBold), !bold);
    QCOMPARE(At(8, 6).Style().Contains(TFontStyle::fsBold), !bold);
    QCOMPARE(w.btnBold->Down(), !bold);

    // Select all, then Ctrl+B: all bold, and the italic and underlined words stay so.
    F->Editor().SelectAll();
    w.EditorSelectionChange();
    if (w.Bold1->isChecked())
        w.btnBoldClick();
    w.Bold2->trigger();
    QVERIFY(At(0, 7).Style().Contains(TFontStyle::fsBold));
    QVERIFY(At(15, 9).Style().Contains(TFontStyle::fsBold));
    QVERIFY(At(0, 7).Style().Contains(TFontStyle::fsItalic));
    QVERIFY(At(8, 6).Style().Contains(TFontStyle::fsUnderline));

    // With no selection the word at the caret is toggled.
    At(17, 0);
    w.EditorSelectionChange();
    w.btnUnderlineClick();
    QVERIFY(At(15, 9).Style().Contains(TFontStyle::fsUnderline));
    QVERIFY(At(15, 9).Style().Contains(TFontStyle::fsBold));
    QVERIFY(!At(0, 7).Style().Contains(TFontStyle::fsUnderline));
}

void TestFormatting::scriptPositionsExcludeEachOther()
{
    TFrmMain& w = *F->Window;
    At(0, 7);
    w.SuperScript1Click();
    QCOMPARE(At(0, 7).ScriptPosition(), TScriptPosition::spSuperscript);
    w.SubScript1Click();
    QVERIFY(w.SubScript1->isChecked());
    QVERIFY(!w.SuperScript1->isChecked());
    QCOMPARE(At(0, 7).ScriptPosition(), TScriptPosition::spSubscript);
    w.EditorSelectionChange();
    QVERIFY(!w.Label4->isHidden());
    QCOMPARE(w.Label4->text(), QStringLiteral("Sub-Script"));
    w.SubScript1Click();
    QCOMPARE(At(0, 7).ScriptPosition(), TScriptPosition::spNormal);
    w.EditorSelectionChange();
    QVERIFY(w.Label4->isHidden());
    // Chosen from the menu, the item is ticked by the handler, not toggled twice.
    At(0, 7);
    w.SuperScript1->trigger();
    QVERIFY(w.SuperScript1->isChecked());
    QCOMPARE(At(0, 7).ScriptPosition(), TScriptPosition::spSuperscript);
}

void TestFormatting::backgroundThroughTheColourDialog()
{
    At(0, 7);
    F->Dialogs.QueueColor(RGB(255, 255, 0));
    F->Window->btnBackgroundClick();
    QCOMPARE(At(0, 7).BackColor(), RGB(255, 255, 0));
    // The automatic background reaches the dialog as the window colour it stands for, not black.
    QCOMPARE(F->Dialogs.ColorDialogs().front(), RGB(255, 255, 255));
    F->Window->btnBackgroundClick(); // cancelled: unchanged
    QCOMPARE(At(0, 7).BackColor(), RGB(255, 255, 0));
    QCOMPARE(F->Dialogs.ColorDialogs().back(), RGB(255, 255, 0));

    // OK without choosing keeps the automatic background.
    At(8, 6);
    F->Dialogs.QueueColor(RGB(255, 255, 255));
    F->Window->btnBackgroundClick();
    QCOMPARE(At(8, 6).BackColor(), clWindow);
}

void TestFormatting::painterPicksUpAndApplies()
{
    TFrmMain& w = *F->Window;
    TRtTextAttributes& model = At(0, 7);
    model.SetStyle({ TFontStyle::fsBold });
    model.SetColor(RGB(255, 0, 0));
    model.SetSize(14);
    model.SetName(QStringLiteral("Arial"));
    At(2, 0);
    w.sbtnFormatClick();
    QVERIFY(w.PainterActive());
    QVERIFY(w.sbtnFormat->Down());
    At(15, 9); // dragged over "troisième", then released
    w.EditorMouseUp(TMouseButton::mbLeft);
    QVERIFY(!w.PainterActive());
    QVERIFY(!w.sbtnFormat->Down());
    TRtTextAttributes& target = At(15, 9);
    QCOMPARE(target.Style(), TFontStyles({ TFontStyle::fsBold }));
    QCOMPARE(target.Color(), RGB(255, 0, 0));
    QCOMPARE(target.Size(), 14);

    // Plain text picked up clears the bold of the target: the style is cleared first.
    At(9, 0);
    w.sbtnFormatClick();
    At(0, 7);
    w.sbtnFormatClick(); // the second click applies to the selection
    QCOMPARE(At(0, 7).Style(), TFontStyles());
    QCOMPARE(At(0, 7).Size(), 12);
}

void TestFormatting::refreshMirrorsWithoutWriting()
{
    TFrmMain& w = *F->Window;
    At(0, 7).SetSize(20);
    At(0, 7).SetColor(RGB(0, 128, 0));
    At(0, 7).SetName(QStringLiteral("Courier New"));
    F->Editor().SetModified(false);
    const QByteArray before = [&] {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        F->Editor().Lines()->SaveToStream(buffer);
        return buffer.data();
    }();
    At(3, 0);
    w.EditorSelectionChange();
    QCOMPARE(w.FontSize1->Value(), 20);
    QCOMPARE(w.FontName->FontName(), QStringLiteral("Courier New"));
    QCOMPARE(w.ColorComboBox1->Selected(), RGB(0, 128, 0));
    QVERIFY(!F->Editor().Modified());
    QBuffer after;
    after.open(QIODevice::WriteOnly);
    F->Editor().Lines()->SaveToStream(after);
    QCOMPARE(after.data(), before);

    // Automatic colour shows as black.
    At(17, 0);
    w.EditorSelectionChange();
    QCOMPARE(w.ColorComboBox1->Selected(), COLORREF(0));
    QCOMPARE(w.FontSize1->Value(), 12);
}

void TestFormatting::symbolFontsWriteTheSymbolCharacterSet()
{
    TFrmMain& w = *F->Window;
    QCOMPARE(w.SymbolFonts(), SymbolFontFamilies());
    At(0, 7);
    w.FontName->SetFontName(QStringLiteral("Arial"));
    w.FontName->SetFontName(QStringLiteral("Courier New"));
    QCOMPARE(At(0, 7).Charset(), DEFAULT_CHARSET);
    if (w.SymbolFonts().isEmpty())
        QSKIP("no font of the symbol character set is installed");
    At(0, 7);
    w.FontName->SetFontName(w.SymbolFonts().front());
    QVERIFY(w.IsSymbolFont());
    QCOMPARE(At(0, 7).Charset(), SYMBOL_CHARSET);
}

void TestFormatting::indentCountersAndLimits()
{
    TFrmMain& w = *F->Window;
    w.btnMainIndentDecClick();
    QCOMPARE(F->Dialogs.Messages().value(0).Text, QStringLiteral("Minimum Indentation."));
    for (int i = 0; i < 21; ++i)
        w.btnMainIndentIncClick();
    QCOMPARE(w.MainIndent(), 420);
    QCOMPARE(F->Editor().ParagraphAttributes().StartIndent(), 420);
    w.btnMainIndentIncClick();
    QCOMPARE(F->Dialogs.Messages().value(1).Text, QStringLiteral("Maximum Indentation."));
    QCOMPARE(w.MainIndent(), 420);

    w.btnHangingIndentDecClick();
    QCOMPARE(F->Dialogs.Messages().value(2).Text, QStringLiteral("Minimum Hanging Indentation."));
    w.btnHangingIndentIncClick();
    w.btnHangingIndentIncClick();
    QCOMPARE(F->Editor().ParagraphAttributes().Offset(), 40);
    w.btnBulletClick();
    w.btnBulletClick();
    QCOMPARE(F->Editor().ParagraphAttributes().Offset(), 0);
    QCOMPARE(w.HangingIndent(), 40);
    w.btnHangingIndentIncClick();
    QCOMPARE(F->Editor().ParagraphAttributes().Offset(), 60);
    for (int i = 0; i < 14; ++i)
        w.btnHangingIndentIncClick();
    QCOMPARE(w.HangingIndent(), 320);
    QCOMPARE(F->Dialogs.Messages().value(3).Text, QStringLiteral("Maximum Hanging Indentation."));
}

void TestFormatting::lineSpacings()
{
    QCOMPARE(OneAndHalfSpacing(12), 18);
    QCOMPARE(OneAndHalfSpacing(11), 16);
    QCOMPARE(OneAndHalfSpacing(13), 20);
    TFrmMain& w = *F->Window;
    At(0, 7).SetSize(13);
    w.btnSpacing15Click();
    QCOMPARE(F->Editor().ParagraphAttributes().LineSpacingRule(), 3);
    QCOMPARE(F->Editor().ParagraphAttributes().LineSpacing(), 20);
    QVERIFY(w.btnSpacing15->Down() && !w.btnSpacing1->Down() && !w.btnSpacing2->Down());
    w.btnSpacing2Click();
    QCOMPARE(F->Editor().ParagraphAttributes().LineSpacingRule(), 5);
    w.btnSpacing1Click();
    QCOMPARE(F->Editor().ParagraphAttributes().LineSpacingRule(), 0);
    w.EditorSelectionChange();
    QVERIFY(w.btnSpacing1->Down() && !w.btnSpacing15->Down());
}

void TestFormatting::bulletsAndNumbering()
{
    TFrmMain& w = *F->Window;
    w.btnNumberingClick();
    QCOMPARE(F->Editor().ParagraphAttributes().Numbering(), TRtNumberingStyle::nsArabic);
    PARAFORMAT2 format;
    format.dwMask = PFM_NUMBERINGSTYLE;
    F->Editor().Perform(EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format));
    QCOMPARE(format.wNumberingStyle, PFNS_PERIOD);
    QVERIFY(w.btnNumbering->Down());
    w.btnBulletClick(); // bullets replace the numbers
    QCOMPARE(F->Editor().ParagraphAttributes().Numbering(), TRtNumberingStyle::nsBullet);
    QVERIFY(!w.btnNumbering->Down());
    w.EditorSelectionChange();
    QVERIFY(w.Bullets1->isChecked());
    w.btnNumberingClick();
    w.btnNumberingClick();
    QCOMPARE(F->Editor().ParagraphAttributes().Numbering(), TRtNumberingStyle::nsNone);
}

void TestFormatting::alignment()
{
    TFrmMain& w = *F->Window;
    w.FullyJustified1Click();
    QCOMPARE(F->Editor().ParagraphAttributes().Alignment(), TAlignment::taJustify);
    QVERIFY(w.btnLeftAlign->Down() && w.btnCenterAlign->Down() && w.BtnRightAlign->Down());
    w.btnLeftAlignClick(w.btnLeftAlign);
    QCOMPARE(F->Editor().ParagraphAttributes().Alignment(), TAlignment::taLeftJustify);
    QVERIFY(w.btnLeftAlign->Down() && !w.btnCenterAlign->Down() && !w.BtnRightAlign->Down());
    w.btnLeftAlignClick(w.BtnRightAlign);
    QCOMPARE(F->Editor().ParagraphAttributes().Alignment(), TAlignment::taRightJustify);
    w.EditorSelectionChange();
    QVERIFY(w.BtnRightAlign->Down() && !w.btnLeftAlign->Down());
}

QTEST_MAIN(TestFormatting)
#include "tst_formatting.moc"
