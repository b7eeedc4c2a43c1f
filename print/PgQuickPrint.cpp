// PgQuickPrint.cpp: margins, rebuilding and printing as the programs do it.
#include "PgQuickPrint.h"

#include "PgPreview.h"
#include "PgRtfPreview.h"
#include "WaitCursor.h"

void ApplyPrintMargins(TPgPreview& preview, TPgRtfPreview& paginator, const TPgPrintMargins& margins)
{
    preview.Margins().Left.SetAsMillimeters(margins.Left);
    preview.Margins().Top.SetAsMillimeters(margins.Top);
    preview.Margins().Right.SetAsMillimeters(margins.Right);
    preview.Margins().Bottom.SetAsMillimeters(margins.Bottom);
    paginator.TopMargin.SetAsMillimeters(margins.Top + margins.Header);
    paginator.BottomMargin.SetAsMillimeters(margins.Bottom + margins.Footer);
    preview.Header().SetHeight(TPgMeasurement::pgMillimeters, margins.Header);
    preview.Footer().SetHeight(TPgMeasurement::pgMillimeters, margins.Footer);
}

void RebuildPreview(TPgPreview& preview, TPgRtfPreview& paginator, TRtCustomRichEdit& editor)
{
    struct TUpdate {
        TPgPreview& Preview;
        explicit TUpdate(TPgPreview& preview)
            : Preview(preview)
        {
            Preview.BeginUpdate();
        }
        ~TUpdate() { Preview.EndUpdate(); }
    } update(preview);
    preview.Clear();
    paginator.LoadFromRichEdit(editor);
    preview.FirstPage();
}

int QuickPrint(
    TPgPreview& preview, TPgRtfPreview& paginator, TRtCustomRichEdit& editor, const QString& title, int first, int last)
{
    TPgPrinter& printer = preview.PgPrinter();
    printer.Title = title;
    printer.SetPrintColor(TPgPrintColor::pgColor);
    {
        TWaitCursor busy;
        RebuildPreview(preview, paginator, editor);
    }
    ProcessMessages();
    if (first == 0 && last == 0)
        preview.Print();
    else
        preview.PrintRange(first, last);
    return preview.NumPages();
}
