#pragma once
// PgPreview.h: the preview control: owns the engine's document, shows its current page as a sheet
// of paper at a zoom, scrolls, prints, and tells its companion controls what changed.
#include "PgClasses.h"
#include "PgPrinter.h"

#include <QScrollArea>

#include <functional>
#include <memory>
#include <vector>

class TPgPreview;
class TPgPaperImage;

// Codes of the notifications companion controls receive.
constexpr int PG_PAGESPERSHEETCHANGED = 7034;
constexpr int PG_CONTENTCHANGED = 7035;
constexpr int PG_ORIENTATIONCHANGED = 7036;
constexpr int PG_PAGELAYOUTCHANGED = 7038;
constexpr int PG_PAGECOUNTCHANGED = 7039;
constexpr int PG_PRINTERCHANGED = 7042;
constexpr int PG_UPDATEBEGUN = 7043;
constexpr int PG_UPDATEENDED = 7044;
constexpr int PG_PAPERSIZECHANGED = 7045;
constexpr int PG_CURRENTPAGECHANGED = 7047;

/// A control bound to a preview that follows its changes.
class IPgCompanion {
public:
    virtual ~IPgCompanion() = default;
    virtual void PreviewNotification(TPgPreview& preview, int code) = 0;
};

enum class TPgZoomStyle : int { pgFixedZoom = 0, pgVariableZoom = 1 };
enum class TPgGridStyle : int { pgNoGrid = 0, pgDots = 1, pgLines = 2 };

struct TPgShadow {
    COLORREF Color = 0;
    int Width = 3;
    bool Visible = true;
};
struct TPgPageGrid {
    TPgGridStyle GridStyle = TPgGridStyle::pgNoGrid;
    TPgPen GridPen { 12632256, 1, PS_SOLID, 4 };
    TPgExtended Spacing = 10 / 25.4L; // inches
};

using TPgDrawHeaderFooterEvent = std::function<void(QObject* sender, const TPgValueRect& rect, TPgCanvas& canvas)>;
using TPgPrintProgressEvent = std::function<void(QObject* sender, int printed, int total)>;
using TPgPageMouseEvent
    = std::function<void(QObject* sender, Qt::MouseButton button, const TPgValue& x, const TPgValue& y)>;

/// The sheet drawn in the scrolling area.
class TPgPaperImage : public QWidget {
public:
    explicit TPgPaperImage(QWidget* parent = nullptr);
    int GutterLeft = 30, GutterTop = 30, GutterRight = 30, GutterBottom = 30;
    int Zoom = 20;
    bool ShowContent = true;
    /// The page shown and the list it belongs to; null shows an empty sheet of PageWidth x PageHeight.
    TPgPageList* List = nullptr;
    int ShownPage = 1;
    TPgExtended PageWidth = 8.26L, PageHeight = 11.69L;
    TPgShadow Shadow;
    TPgPageGrid* Grid = nullptr;
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    bool Updating() const { return FUpdateCount > 0; }
    /// The page on screen, centred inside the gutters.
    QRect PageRect() const;
    QSize PagePixels() const;
    /// Paints into any painter at the widget's coordinates; what paintEvent does.
    void PaintTo(QPainter& painter);
    std::function<void(QPainter& painter, const QRect& pageRect)> OnAfterPaint;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void SyncPage();
    int FUpdateCount = 0;
};

class TPgPreview : public QScrollArea {
    Q_OBJECT
public:
    explicit TPgPreview(QWidget* parent = nullptr);
    ~TPgPreview() override;

    TPgPageList& Document() { return *FList; }
    TPgHeader& Header() { return FList->Header(); }
    TPgFooter& Footer() { return FList->Footer(); }
    TPgMargins& Margins() { return FList->Margins(); }
    TPgPrinter& PgPrinter() { return FList->PgPrinter(); }
    TPgCanvas& Canvas() { return FList->Canvas(); }
    TPgPaperImage& PaperImage() { return *FImage; }
    TPgShadow& Shadow() { return FImage->Shadow; }
    TPgPageGrid& PageGrid() { return FGrid; }

    void BeginUpdate();
    void EndUpdate();
    void Clear();
    TPgPage& NewPage() { return FList->NewPage(); }
    void FirstPage() { FList->SetCurrentPage(1); }
    void LastPage() { FList->SetCurrentPage(FList->Count()); }
    void NextPage() { FList->SetCurrentPage(FList->CurrentPage() + 1); }
    void PrevPage() { FList->SetCurrentPage(FList->CurrentPage() - 1); }
    int CurrentPage() const { return FList->CurrentPage(); }
    int NumPages() const { return FList->Count(); }
    TPgPage& Pages(int number) const { return FList->Pages(number); }

    TPgOrientation Orientation() const { return FList->Orientation(); }
    void SetOrientation(TPgOrientation orientation);
    TPgPaperSize PaperSize() const { return FList->PaperSize(); }
    void SetPaperSize(TPgPaperSize paper) { FList->SetPaperSize(paper); }
    TPgPagesPerSheet PagesPerSheet() const { return FList->PagesPerSheet; }
    void SetPagesPerSheet(TPgPagesPerSheet pages);
    static QStringList GetPaperSizeNames() { return ::GetPaperSizeNames(); }

    int Zoom() const { return FImage->Zoom; }
    void SetZoom(int zoom);
    int MinZoom() const { return FMinZoom; }
    void SetMinZoom(int zoom);
    int MaxZoom() const { return FMaxZoom; }
    void SetMaxZoom(int zoom);
    int ZoomIncrement = 10;
    TPgZoomStyle ZoomStyle = TPgZoomStyle::pgVariableZoom;
    void ZoomIn();
    void ZoomOut();
    void ZoomToFitPage();
    void ZoomToFitWidth();
    int Gutter() const { return FImage->GutterLeft; }
    void SetGutter(int gutter);

    void BeginDragScroll();
    void EndDragScroll();
    /// The preview windows' wheel: ten pixels a notch down (delta below 0) or up, never past either end.
    void WheelStep(int delta);
    bool Dragging() const { return FDragging; }

    void Print();
    void PrintRange(int from, int to);
    void PrintCurrentPage();

    void RegisterControl(IPgCompanion* control);
    void UnregisterControl(IPgCompanion* control);
    /// Sends a notification to every registered control, unless the document is updating.
    void NotifyControls(int code);

    TNotifyEvent OnNewPage, OnPageChanged, OnOrientationChanged, OnClear, BeforePrint, AfterPrint;
    TPgDrawHeaderFooterEvent OnDrawHeader, OnDrawFooter;
    TPgNeedRichEditEvent OnNeedRichEdit;
    TPgPrintProgressEvent OnPrintProgress;
    TPgPageMouseEvent OnPageMouseDown, OnPageMouseMove, OnPageMouseUp;
    /// In the paper image's pixels.
    TMouseEvent OnMouseDown, OnMouseMove, OnMouseUp;
    TNotifyEvent OnMouseEnter, OnMouseLeave;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void WireDocument();
    void UpdateScrollRanges();
    void ShowCurrentPage();

    std::unique_ptr<TPgPageList> FList;
    TPgPaperImage* FImage = nullptr; // owned by the scroll area
    TPgPageGrid FGrid;
    std::vector<IPgCompanion*> FControls;
    int FMinZoom = 5, FMaxZoom = 400;
    double FScrollPercentX = 0, FScrollPercentY = 0;
    bool FDragging = false;
    QPoint FDragStart;
    int FDragScrollX = 0, FDragScrollY = 0;
};
