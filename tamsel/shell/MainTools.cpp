// MainTools.cpp: the main window's insertion tools: character map, emoticons, equation and table
// builders. Each tool leaves its result on the clipboard and a request; the window pastes it.
#include "Main.h"

#include "CharMaps.h"
#include "Dialogs.h"
#include "DllFormU.h"
#include "EmotIcons.h"
#include "EquationBuilder.h"
#include "FontComboBox.h"
#include "GdiFontDefs.h"
#include "RtRichEd.h"
#include "ToolClipboard.h"

void TFrmMain::CreateToolForms()
{
    FEmoticons = std::make_unique<TfrmEmoticons>(FDialogs, this);
    FCharMap = std::make_unique<TDLLForm>(FDialogs, this);
    FEquationBuilder = std::make_unique<TfrmEBuilder>(FDialogs, this);
    FTableBuilder = std::make_unique<TDllForms>(FDialogs, this);
}

void TFrmMain::FreeToolForms()
{
    FTableBuilder.reset();
    FEquationBuilder.reset();
    FCharMap.reset();
    FEmoticons.reset();
}

void TFrmMain::PasteToolResult()
{
    if (Editor->PlainText() && ClipboardHoldsOnlyPicture()) {
        FDialogs.ShowWarning(QStringLiteral("A picture cannot be inserted into a plain-text document."));
        return;
    }
    Editor->SetFocus();
    Editor->PasteFromClipboard();
}

void TFrmMain::BtnCharClick()
{
    if (!FCharMap)
        return;
    FCharMap->SetMapFontName(Editor->SelectionAttributes().Name());
    if (FDialogs.ShowModal(*FCharMap) != TModalResult::mrOk)
        return;
    TRtTextAttributes& attributes = CurrentTextAttributes();
    // The map's face, with the size and colour the text has where it goes.
    const int size = Editor->SelectionAttributes().Size();
    const COLORREF color = Editor->SelectionAttributes().Color();
    attributes.SetName(FCharMap->InsertFontName());
    attributes.SetSize(size);
    attributes.SetColor(color);
    attributes.SetCharset(IsSymbolFont() ? SYMBOL_CHARSET : DEFAULT_CHARSET);
    Editor->SetFocus();
    Editor->PasteFromClipboard();
}

void TFrmMain::BtnEmoticonsClick()
{
    if (!FEmoticons)
        return;
    FEmoticons->ClearInsertRequest();
    FDialogs.ShowModal(*FEmoticons);
    if (FEmoticons->InsertRequest()) {
        FEmoticons->ClearInsertRequest();
        PasteToolResult();
    }
}

void TFrmMain::InsertFromEquationBuilder1Click()
{
    if (!FEquationBuilder)
        return;
    if (FDialogs.ShowModal(*FEquationBuilder) != TModalResult::mrOk)
        return;
    if (FEquationBuilder->TextRequest())
        PasteToolResult();
    if (FEquationBuilder->ImageRequest())
        PasteToolResult();
}

void TFrmMain::InsertTable1Click()
{
    if (!FTableBuilder)
        return;
    FTableBuilder->ClearInsertRequest();
    FDialogs.ShowModal(*FTableBuilder);
    if (FTableBuilder->InsertRequest()) {
        FTableBuilder->ClearInsertRequest();
        PasteToolResult();
    }
    Editor->SetFocus();
}
