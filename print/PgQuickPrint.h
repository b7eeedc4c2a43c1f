#pragma once
// PgQuickPrint.h: the steps every caller of the engine takes to print a document: margins in
// whole millimetres applied as the preview applies them, the preview rebuilt from the editor, and
// all pages or a range printed. The preview window's quick print and `tamsel --print` share them.
#include <QString>

class TPgPreview;
class TPgRtfPreview;
class TRtCustomRichEdit;

/// Tamsel's stored print margins, whole millimetres.
struct TPgPrintMargins {
    int Top = 15;
    int Left = 25;
    int Bottom = 15;
    int Right = 25;
    int Header = 10;
    int Footer = 10;
};

/// Page margins, header and footer heights; the text starts below top + header and ends above
/// bottom + footer.
void ApplyPrintMargins(TPgPreview& preview, TPgRtfPreview& paginator, const TPgPrintMargins& margins);
/// Clear, paginate the editor and show the first page, in one update bracket.
void RebuildPreview(TPgPreview& preview, TPgRtfPreview& paginator, TRtCustomRichEdit& editor);
/// Rebuilds and prints pages first..last in colour under the title; 0, 0 prints every page.
/// Returns the number of pages the document has.
int QuickPrint(TPgPreview& preview, TPgRtfPreview& paginator, TRtCustomRichEdit& editor, const QString& title,
    int first = 0, int last = 0);
