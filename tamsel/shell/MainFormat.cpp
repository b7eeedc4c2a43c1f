// MainFormat.cpp: the side panel's character and paragraph tools, the format painter, and the
// refresh that shows the attributes under the caret in the side panel.
#include "Main.h"

#include "ColorComboBox.h"
#include "FontComboBox.h"
#include "GdiColors.h"
#include "GdiFontDefs.h"
#include "RtSpinEdit.h"
#include "SkinButton.h"
#include "TextCommands.h"
#include "WaitCursor.h"

#include <QAction>
#include <QLabel>

namespace {

// Clears the flag on every path, so a failing refresh never leaves the side panel deaf.
class TUpdatingControls {
public:
    explicit TUpdatingControls(bool& flag)
        : FFlag(flag)
    {
        FFlag = true;
    }
    ~TUpdatingControls() { FFlag = false; }
    TUpdatingControls(const TUpdatingControls&) = delete;
    TUpdatingControls& operator=(const TUpdatingControls&) = delete;

private:
    bool& FFlag;
};

constexpr int MainIndentLimit = 400;
constexpr int HangingIndentLimit = 300;
constexpr int IndentStep = 20;

} // namespace

TRtTextAttributes& TFrmMain::CurrentTextAttributes()
{
    return Editor->SelectionLength() >= 1 ? Editor->SelectionAttributes() : Editor->CaretWordAttributes();
}

void TFrmMain::CollectSymbolFonts() { FSymbolFonts = SymbolFontFamilies(); }

bool TFrmMain::IsSymbolFont() const { return FSymbolFonts.contains(FontName->FontName(), Qt::CaseSensitive); }

// ---- character tools ----

void TFrmMain::FontNameChange()
{
    if (FUpdatingControls)
        return;
    // Stored settings reach the typing format only: activating the window never changes the text.
    if (FApplyingSettings && Editor->SelectionLength() > 0)
        return;
    TRtTextAttributes& attributes = FApplyingSettings ? Editor->SelectionAttributes() : CurrentTextAttributes();
    attributes.SetName(FontName->FontName());
    attributes.SetCharset(IsSymbolFont() ? SYMBOL_CHARSET : DEFAULT_CHARSET);
    StoreFontChoice();
    Editor->SetFocus();
}

void TFrmMain::ApplyFontSize(int threshold)
{
    const int value = FontSize1->Value();
    if (value % 2 != 0) {
        FontSize1->SetValue(value + 1); // runs the change handler again with the even value
        return;
    }
    if (value > threshold && !(FApplyingSettings && Editor->SelectionLength() > 0)) {
        Editor->SelectionAttributes().SetSize(value);
        StoreFontChoice();
    }
    Editor->SetFocus();
}

void TFrmMain::FontSize1Change()
{
    if (FUpdatingControls)
        return;
    ApplyFontSize(3);
}

void TFrmMain::FontSize1TopClick()
{
    if (FUpdatingControls)
        return;
    ApplyFontSize(7);
}

void TFrmMain::FontSize1KeyDown(int& key)
{
    if (FUpdatingControls || (key != Qt::Key_Return && key != Qt::Key_Enter))
        return;
    if (FontSize1->Value() > 7) {
        Editor->SelectionAttributes().SetSize(FontSize1->Value());
        StoreFontChoice();
    }
    Editor->SetFocus();
}

void TFrmMain::ColorComboBox1Click()
{
    Editor->SelectionAttributes().SetColor(ColorComboBox1->Selected());
    Editor->SetFocus();
}

void TFrmMain::ToggleStyle(TFontStyle bit, TSkinButton* button, QAction* holder)
{
    const bool on = !holder->isChecked();
    CurrentTextAttributes().SetStyleBit(bit, on);
    button->SetDown(on);
    holder->setChecked(on);
}

void TFrmMain::btnBoldClick() { ToggleStyle(TFontStyle::fsBold, btnBold, Bold1); }
void TFrmMain::btnItalicClick() { ToggleStyle(TFontStyle::fsItalic, btnItalic, Italic1); }
void TFrmMain::btnUnderlineClick() { ToggleStyle(TFontStyle::fsUnderline, btnUnderline, Underline1); }

void TFrmMain::SetScriptPosition(TScriptPosition position, QAction* item, QAction* other)
{
    if (item->isChecked()) {
        CurrentTextAttributes().SetScriptPosition(TScriptPosition::spNormal);
        item->setChecked(false);
        return;
    }
    CurrentTextAttributes().SetScriptPosition(position);
    other->setChecked(false);
    item->setChecked(true);
}

void TFrmMain::SuperScript1Click() { SetScriptPosition(TScriptPosition::spSuperscript, SuperScript1, SubScript1); }
void TFrmMain::SubScript1Click() { SetScriptPosition(TScriptPosition::spSubscript, SubScript1, SuperScript1); }

void TFrmMain::btnBackgroundClick()
{
    // The automatic background reaches the dialog as the colour it stands for, so OK without a
    // choice keeps the text as it looks.
    const COLORREF current = Editor->SelectionAttributes().BackColor();
    const COLORREF shown = ColorRefFromQColor(QColorFromColorRef(current));
    COLORREF color = shown;
    if (FDialogs.ChooseColor(color) && color != shown)
        Editor->SelectionAttributes().SetBackColor(color);
}

void TFrmMain::sbtnFormatClick()
{
    if (FPainterActive) {
        ApplyPainter();
        return;
    }
    FPainterActive = true;
    sbtnFormat->SetDown(true);
    TRtTextAttributes& model = Editor->SelectionAttributes();
    FPainterStyle = model.Style();
    FPainterCharset = model.Charset();
    FPainterBackColor = model.BackColor();
    FPainterColor = model.Color();
    FPainterFontName = model.Name();
    FPainterSize = model.Size();
    ProcessMessages();
    Editor->Control().viewport()->setCursor(Qt::PointingHandCursor);
}

void TFrmMain::ApplyPainter()
{
    FPainterActive = false;
    Editor->Control().viewport()->setCursor(Qt::IBeamCursor);
    sbtnFormat->SetDown(false);
    TRtTextAttributes& target
        = Editor->SelectionLength() >= 1 ? Editor->SelectionAttributes() : CurrentTextAttributes();
    target.SetStyle({});
    ProcessMessages();
    for (TFontStyle bit :
        { TFontStyle::fsBold, TFontStyle::fsItalic, TFontStyle::fsUnderline, TFontStyle::fsStrikeOut }) {
        if (FPainterStyle.Contains(bit)) {
            TFontStyles style = target.Style();
            style.Include(bit);
            target.SetStyle(style);
        }
    }
    target.SetCharset(FPainterCharset);
    target.SetBackColor(FPainterBackColor);
    target.SetColor(FPainterColor);
    target.SetName(FPainterFontName);
    target.SetSize(FPainterSize);
    FPainterStyle = {};
}

void TFrmMain::EditorMouseUp(TMouseButton)
{
    if (FPainterActive)
        ApplyPainter();
}

void TFrmMain::EditorSelectionChange()
{
    if (FHeadless)
        return; // nobody sees the side panel of a conversion
    UpdateWordCount();
    TUpdatingControls updating(FUpdatingControls);
    TRtTextAttributes& current = CurrentTextAttributes();

    const COLORREF color = current.Color();
    ColorComboBox1->SetSelected(color == clWindowText ? COLORREF(0) : color);

    const TFontStyles style = current.Style();
    btnBold->SetDown(style.Contains(TFontStyle::fsBold));
    Bold1->setChecked(btnBold->Down());
    btnItalic->SetDown(style.Contains(TFontStyle::fsItalic));
    Italic1->setChecked(btnItalic->Down());
    btnUnderline->SetDown(style.Contains(TFontStyle::fsUnderline));
    Underline1->setChecked(btnUnderline->Down());

    TRtParaAttributes& paragraph = Editor->ParagraphAttributes();
    const TRtNumberingStyle numbering = paragraph.Numbering();
    btnNumbering->SetDown(numbering == TRtNumberingStyle::nsArabic);
    btnBullet->SetDown(numbering == TRtNumberingStyle::nsBullet);
    Bullets1->setChecked(numbering == TRtNumberingStyle::nsBullet);

    const int rule = paragraph.LineSpacingRule();
    btnSpacing1->SetDown(rule == 0);
    btnSpacing15->SetDown(rule == 3);
    btnSpacing2->SetDown(rule == 5);

    const TScriptPosition script = current.ScriptPosition();
    SuperScript1->setChecked(script == TScriptPosition::spSuperscript);
    SubScript1->setChecked(script == TScriptPosition::spSubscript);
    if (script == TScriptPosition::spSuperscript)
        Label4->setText(QStringLiteral("Super-Script"));
    else if (script == TScriptPosition::spSubscript)
        Label4->setText(QStringLiteral("Sub-Script"));
    Label4->setVisible(script != TScriptPosition::spNormal);

    FontSize1->SetValue(current.Size());
    FontName->SetFontName(Editor->SelectionAttributes().Name());

    const TAlignment alignment = paragraph.Alignment();
    const bool justified = alignment == TAlignment::taJustify;
    btnLeftAlign->SetDown(justified || alignment == TAlignment::taLeftJustify);
    BtnRightAlign->SetDown(justified || alignment == TAlignment::taRightJustify);
    btnCenterAlign->SetDown(justified || alignment == TAlignment::taCenter);

    UpdateCaretPosition();
}

// ---- paragraph tools ----

void TFrmMain::btnLeftAlignClick(TSkinButton* sender)
{
    for (TSkinButton* button : { btnLeftAlign, btnCenterAlign, BtnRightAlign })
        button->SetDown(false);
    Label4->hide();
    sender->SetDown(true);
    TRtParaAttributes& paragraph = Editor->ParagraphAttributes();
    if (btnLeftAlign->Down())
        paragraph.SetAlignment(TAlignment::taLeftJustify);
    else if (BtnRightAlign->Down())
        paragraph.SetAlignment(TAlignment::taRightJustify);
    else if (btnCenterAlign->Down())
        paragraph.SetAlignment(TAlignment::taCenter);
}

void TFrmMain::FullyJustified1Click()
{
    Editor->Perform(EM_SETTYPOGRAPHYOPTIONS, TO_ADVANCEDTYPOGRAPHY, TO_ADVANCEDTYPOGRAPHY);
    Editor->ParagraphAttributes().SetAlignment(TAlignment::taJustify);
    for (TSkinButton* button : { btnLeftAlign, btnCenterAlign, BtnRightAlign })
        button->SetDown(true);
    Editor->SetFocus();
}

// Steps one of the window's indent counters and gives the paragraphs its new value; a step past the
// limit only says so.
void TFrmMain::StepIndent(int& counter, int step, bool allowed, const QString& refusal, bool hanging)
{
    if (!allowed) {
        FDialogs.ShowInformation(refusal);
        return;
    }
    TRtParaAttributes& paragraph = Editor->ParagraphAttributes();
    if (hanging)
        paragraph.SetOffset(counter + step);
    else
        paragraph.SetStartIndent(counter + step);
    counter += step;
}

void TFrmMain::btnMainIndentIncClick()
{
    StepIndent(FMainIndent, IndentStep, FMainIndent <= MainIndentLimit, QStringLiteral("Maximum Indentation."), false);
}

void TFrmMain::btnMainIndentDecClick()
{
    StepIndent(FMainIndent, -IndentStep, FMainIndent > 0, QStringLiteral("Minimum Indentation."), false);
}

void TFrmMain::btnHangingIndentIncClick()
{
    StepIndent(FHangingIndent, IndentStep, FHangingIndent <= HangingIndentLimit,
        QStringLiteral("Maximum Hanging Indentation."), true);
}

void TFrmMain::btnHangingIndentDecClick()
{
    StepIndent(FHangingIndent, -IndentStep, FHangingIndent > 0, QStringLiteral("Minimum Hanging Indentation."), true);
}

void TFrmMain::SetSpacingButtons(TSkinButton* down)
{
    for (TSkinButton* button : { btnSpacing1, btnSpacing15, btnSpacing2 })
        button->SetDown(button == down);
}

void TFrmMain::btnSpacing1Click()
{
    Editor->ParagraphAttributes().SetLineSpacingRule(0);
    SetSpacingButtons(btnSpacing1);
}

void TFrmMain::btnSpacing15Click()
{
    TRtParaAttributes& paragraph = Editor->ParagraphAttributes();
    paragraph.SetLineSpacingRule(3);
    paragraph.SetLineSpacing(OneAndHalfSpacing(Editor->SelectionAttributes().Size()));
    SetSpacingButtons(btnSpacing15);
}

void TFrmMain::btnSpacing2Click()
{
    TRtParaAttributes& paragraph = Editor->ParagraphAttributes();
    paragraph.SetLineSpacingRule(5);
    paragraph.SetLineSpacing(2);
    SetSpacingButtons(btnSpacing2);
}

void TFrmMain::btnBulletClick()
{
    TRtParaAttributes& paragraph = Editor->ParagraphAttributes();
    TRtNumberingStyle numbering = TRtNumberingStyle::nsBullet;
    if (paragraph.Numbering() == TRtNumberingStyle::nsBullet) {
        btnBullet->SetDown(false);
        numbering = TRtNumberingStyle::nsNone;
    } else {
        btnBullet->SetDown(true);
        btnNumbering->SetDown(false);
    }
    paragraph.SetNumbering(numbering);
}

void TFrmMain::btnNumberingClick()
{
    TRtParaAttributes& paragraph = Editor->ParagraphAttributes();
    if (paragraph.Numbering() == TRtNumberingStyle::nsArabic) {
        btnNumbering->SetDown(false);
        paragraph.SetNumbering(TRtNumberingStyle::nsNone);
        return;
    }
    PARAFORMAT2 format {};
    format.cbSize = Editor->ControlVersion() >= 2 ? UINT(sizeof(PARAFORMAT2)) : 0;
    format.dwMask = PFM_NUMBERINGSTYLE;
    format.wNumberingStyle = PFNS_PERIOD;
    Editor->Perform(EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format));
    paragraph.SetNumbering(TRtNumberingStyle::nsArabic);
    btnNumbering->SetDown(true);
    btnBullet->SetDown(false);
}
