#pragma once
// PgRtfPreview.h: lays the text of a rich edit control out into the pages of a preview, one
// measured slice per page, and draws a page's slice onto the printer or the screen.
#include "PgClasses.h"

#include <QPointer>

#include <functional>

class IDialogs;
class QIODevice;
class TDeviceContext;
class TPgPreview;
class TRichEditControl;
class TRtCustomRichEdit;

using TPgRtfNewPageEvent = std::function<void(QObject* sender, TPgValue& topMargin, TPgValue& bottomMargin)>;
using TPgRtfProgressEvent = std::function<void(QObject* sender, int percent)>;

class TPgRtfPreview {
public:
    TPgRtfPreview();
    ~TPgRtfPreview();
    TPgRtfPreview(const TPgRtfPreview&) = delete;
    TPgRtfPreview& operator=(const TPgRtfPreview&) = delete;

    TPgPreview* Preview() const;
    /// Takes the preview's margins plus header and footer heights as the text area's bounds.
    void SetPreview(TPgPreview* preview);
    /// Where the configuration error box goes; without one the error is raised.
    void SetDialogs(IDialogs* dialogs) { FDialogs = dialogs; }

    bool ForceNewPages = true;
    bool WrapLines = true;
    TFont TextFileFont = PgFont(QStringLiteral("Arial"), 10);
    TPgRtfNewPageEvent OnNewPage;
    TPgRtfProgressEvent OnProgress;
    /// Top margin plus header height; bottom margin plus footer height.
    TPgValue TopMargin, BottomMargin;

    /// Paginates the editor's text from the preview's current page on. Throws when the margins
    /// leave no room for text.
    void LoadFromRichEdit(TRichEditControl& editor);
    void LoadFromRichEdit(TRtCustomRichEdit& editor);
    /// Paginates the RTF from the stream's position; "Failed to Load Stream" when it fails.
    void AddRtfStream(QIODevice& stream);
    void AdvancePage();
    /// The control's whole content as RTF at the stream's position; "Failed to Save Stream" when it fails.
    static void SaveRtfToStream(TRichEditControl& control, QIODevice& stream);

    static QString ConfigurationError();

private:
    bool CheckPreview();

    QPointer<TPgPreview> FPreview;
    IDialogs* FDialogs = nullptr;
};

/// Draws the page's slice: straight onto the printer's job when forPrinter, else through a
/// metafile recorded against the printer and scaled to xPpi by yPpi units per inch.
void RenderRtfSlice(const TPgPage& page, TDeviceContext& canvas, int xPpi, bool wrapLines, int yPpi, bool forPrinter);
