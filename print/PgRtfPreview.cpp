// PgRtfPreview.cpp: pagination of rich text against the printer, and drawing a page's slice.
#include "PgRtfPreview.h"

#include "DeviceContext.h"
#include "Dialogs.h"
#include "EnhMetafileRecorder.h"
#include "Errors.h"
#include "PgPreview.h"
#include "RichEditControl.h"
#include "WaitCursor.h"

#include <QPainter>
#include <QTextDocument>

namespace {

// Ends the preview's update bracket on every way out.
class TPreviewUpdate {
public:
    explicit TPreviewUpdate(TPgPreview& preview)
        : FPreview(preview)
    {
        FPreview.BeginUpdate();
    }
    ~TPreviewUpdate() { FPreview.EndUpdate(); }
    TPreviewUpdate(const TPreviewUpdate&) = delete;
    TPreviewUpdate& operator=(const TPreviewUpdate&) = delete;

private:
    TPgPreview& FPreview;
};

// The paginator's own reference to the copy, given back when the pages hold theirs.
class TMemoReference {
public:
    TMemoReference(TPgCustomMemoList& memos, TRichEditControl* memo)
        : FMemos(memos)
        , FMemo(memo)
    {
    }
    ~TMemoReference() { FMemos.Release(FMemo); }
    TMemoReference(const TMemoReference&) = delete;
    TMemoReference& operator=(const TMemoReference&) = delete;

private:
    TPgCustomMemoList& FMemos;
    TRichEditControl* FMemo;
};

int Twips(TPgExtended inches) { return PgRound(inches * 1440); }

} // namespace

TPgRtfPreview::TPgRtfPreview() = default;
TPgRtfPreview::~TPgRtfPreview() = default;

TPgPreview* TPgRtfPreview::Preview() const { return FPreview.data(); }

QString TPgRtfPreview::ConfigurationError()
{
    return QStringLiteral("TPgRtfPreview Error!\r\rThe \"Preview\" property must be set to a TPgPreview component");
}

void TPgRtfPreview::SetPreview(TPgPreview* preview)
{
    FPreview = preview;
    if (!preview)
        return;
    TopMargin.SetAsInches(preview->Header().GetHeight(TPgMeasurement::pgInches) + preview->Margins().Top.AsInches());
    BottomMargin.SetAsInches(
        preview->Footer().GetHeight(TPgMeasurement::pgInches) + preview->Margins().Bottom.AsInches());
}

bool TPgRtfPreview::CheckPreview()
{
    if (FPreview)
        return true;
    if (!FDialogs)
        throw Exception(ConfigurationError());
    FDialogs->ShowError(IDialogs::ApplicationTitle(), ConfigurationError());
    return false;
}

void TPgRtfPreview::LoadFromRichEdit(TRtCustomRichEdit& editor) { LoadFromRichEdit(editor.Control()); }

void TPgRtfPreview::LoadFromRichEdit(TRichEditControl& editor)
{
    if (!CheckPreview())
        return;
    TPgPreview& preview = *FPreview;
    TPgPageList& list = preview.Document();
    TPreviewUpdate update(preview);

    TopMargin.SetAsTwips(
        Twips(preview.Margins().Top.AsInches()) + Twips(preview.Header().GetHeight(TPgMeasurement::pgInches)));
    BottomMargin.SetAsTwips(
        Twips(preview.Margins().Bottom.AsInches()) + Twips(preview.Footer().GetHeight(TPgMeasurement::pgInches)));
    TWaitCursor busy;

    TDeviceContext& printer = preview.PgPrinter().Handle();
    editor.Perform(EM_SETTYPOGRAPHYOPTIONS, TO_ADVANCEDTYPOGRAPHY, TO_ADVANCEDTYPOGRAPHY);
    editor.Perform(EM_FORMATRANGE, 0, 0);

    TPgCustomMemoList& memos = list.ResourceTable().Memos;
    TRichEditControl* copy = memos.AddMemo(editor);
    const TMemoReference reference(memos, copy);
    // Measured on the copy, so its own length in its own positions bounds the loop.
    const LONG length = copy->TextLength();
    copy->Perform(EM_SETTYPOGRAPHYOPTIONS, TO_ADVANCEDTYPOGRAPHY, TO_ADVANCEDTYPOGRAPHY);

    int lastPage = list.CurrentPage();
    LONG position = 0;
    for (;;) {
        TPgPage& page = list.Pages(list.CurrentPage());
        lastPage = page.Number();
        const int width = Twips(page.Width);
        const int height = Twips(page.Height);
        FORMATRANGE range;
        range.hdc = &printer;
        range.hdcTarget = &printer;
        range.rcPage = { 0, 0, width, height };
        range.rc = { Twips(preview.Margins().Left.AsInches()), TopMargin.AsTwips() + 90,
            width - Twips(preview.Margins().Right.AsInches()), height - BottomMargin.AsTwips() };
        if (range.rc.right <= range.rc.left || range.rc.bottom <= range.rc.top)
            throw Exception(QStringLiteral("The margins leave no room for text."));
        if (!WrapLines)
            range.rc.right *= 10;
        range.chrg = { position, -1 };
        const RECT text = range.rc;
        const LONG next = copy->FormatRange(range, false);

        page.RtfInfo.Rect.SetRect(text.left / 1440.0L, text.top / 1440.0L, text.right / 1440.0L, text.bottom / 1440.0L);
        page.RtfInfo.SetRange(position, next);
        page.RtfInfo.SetRichEdit(copy);
        page.RtfInfo.WrapLines = WrapLines;

        // A slice that does not advance would add pages without end.
        if (next != -1 && next < length && next <= position)
            throw Exception(QStringLiteral("The margins leave no room for text."));
        if (next < length && next != -1)
            AdvancePage();
        if (OnProgress)
            OnProgress(nullptr, length == 0 ? 100 : PgRound(TPgExtended(next) / length * 100));
        position = next;
        if (next >= length || next == -1)
            break;
    }
    // Pages left over from an earlier, longer document would show stale slices.
    if (!ForceNewPages)
        list.DeletePagesAfter(lastPage);
}

void TPgRtfPreview::AddRtfStream(QIODevice& stream)
{
    if (!CheckPreview())
        return;
    TRichEditControl* control = FPreview->Document().ResourceTable().Memos.NewControl();
    LoadRtfFromStream(*control, stream);
    LoadFromRichEdit(*control);
}

void TPgRtfPreview::AdvancePage()
{
    if (!CheckPreview())
        return;
    TPgPreview& preview = *FPreview;
    if (preview.CurrentPage() == preview.NumPages() || ForceNewPages)
        preview.NewPage();
    else
        preview.NextPage();
    if (OnNewPage)
        OnNewPage(nullptr, TopMargin, BottomMargin);
}

void TPgRtfPreview::SaveRtfToStream(TRichEditControl& control, QIODevice& stream)
{
    ::SaveRtfToStream(control, stream);
}

void RenderRtfSlice(const TPgPage& page, TDeviceContext& canvas, int xPpi, bool wrapLines, int yPpi, bool forPrinter)
{
    TRichEditControl* memo = page.RtfInfo.RichEdit();
    if (!memo)
        return;
    TPgPrinter& printer = page.Owner().PgPrinter();
    TDeviceContext& target = printer.Handle();
    FORMATRANGE range;
    range.hdcTarget = &target;
    range.rcPage = { 0, 0, Twips(page.Width), Twips(page.Height) };
    const TPgValueRect& rect = page.RtfInfo.Rect;
    range.rc = { Twips(rect.Left()), Twips(rect.Top()), Twips(rect.Right()), Twips(rect.Bottom()) + 1 };
    if (!wrapLines)
        range.rc.right *= 10;
    range.chrg = { page.RtfInfo.CharStart(), page.RtfInfo.CharEnd() };
    if (forPrinter) {
        range.hdc = &canvas;
        memo->FormatRange(range, true);
        return;
    }
    // On the screen the slice is recorded against the printer, so it breaks and spaces its lines
    // as on paper, and the picture is scaled to the screen's units.
    const int dpiX = target.GetDeviceCaps(LOGPIXELSX);
    const int dpiY = target.GetDeviceCaps(LOGPIXELSY);
    const QSize sheet(PgRound(page.Width * dpiX), PgRound(page.Height * dpiY));
    // Recorded once per slice and printer; a repaint only plays it.
    TPgPageRtfInfo::TPictureCache& cache = page.RtfInfo.ScreenPicture();
    const QString key = QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8")
                            .arg(dpiX)
                            .arg(dpiY)
                            .arg(sheet.width())
                            .arg(sheet.height())
                            .arg(range.rc.right)
                            .arg(range.rc.bottom)
                            .arg(quintptr(memo))
                            .arg(memo->document()->revision());
    if (!cache.Picture || cache.Key != key) {
        TEnhMetafileRecorder recorder(target, TEnhMetafileRecorder::FrameFromPixels(target, sheet));
        auto picture = std::make_shared<TEnhMetafile>();
        {
            TDeviceContext recording(&recorder);
            range.hdc = &recording;
            memo->FormatRange(range, true);
            recording.EndPaint();
            *picture = recorder.Finish();
        }
        cache.Picture = std::move(picture);
        cache.Key = key;
    }
    if (cache.Picture->IsEmpty())
        return;
    QPainter* painter = canvas.Painter();
    if (!painter)
        return;
    cache.Picture->Play(*painter, QRectF(0, 0, page.Width * xPpi, page.Height * yPpi));
}
