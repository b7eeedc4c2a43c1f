// PgPreview.cpp: the preview control, its sheet of paper, zoom, scrolling and notifications.
#include "PgPreview.h"

#include "DeviceContext.h"
#include "Errors.h"
#include "GdiColors.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

const int ZoomSteps[] = { 7, 10, 14, 20, 30, 45, 60, 80, 120, 170, 250, 350, 500, 650, 800 };
constexpr int LogicalResolution = 600;

// The preview's own update bracket, ended on every way out.
class TUpdate {
public:
    explicit TUpdate(TPgPreview& preview)
        : FPreview(preview)
    {
        FPreview.BeginUpdate();
    }
    ~TUpdate() { FPreview.EndUpdate(); }
    TUpdate(const TUpdate&) = delete;
    TUpdate& operator=(const TUpdate&) = delete;

private:
    TPgPreview& FPreview;
};

} // namespace

// ---- paper image ----

TPgPaperImage::TPgPaperImage(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TPgPaperImage::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        update();
}

void TPgPaperImage::SyncPage()
{
    if (List && ShownPage >= 1 && ShownPage <= List->Count()) {
        PageWidth = List->Pages(ShownPage).Width;
        PageHeight = List->Pages(ShownPage).Height;
    }
}

QSize TPgPaperImage::PagePixels() const
{
    TPgExtended width = PageWidth, height = PageHeight;
    if (List && ShownPage >= 1 && ShownPage <= List->Count()) {
        width = List->Pages(ShownPage).Width;
        height = List->Pages(ShownPage).Height;
    }
    return QSize(PgRound(width * 96 * Zoom / 100), PgRound(height * 96 * Zoom / 100));
}

QRect TPgPaperImage::PageRect() const
{
    const QSize page = PagePixels();
    const int left = GutterLeft + (width() - GutterLeft - GutterRight - page.width()) / 2;
    const int top = GutterTop + (height() - GutterTop - GutterBottom - page.height()) / 2;
    return QRect(QPoint(std::max(left, GutterLeft), std::max(top, GutterTop)), page);
}

void TPgPaperImage::paintEvent(QPaintEvent*)
{
    if (Updating())
        return;
    QPainter painter(this);
    PaintTo(painter);
}

void TPgPaperImage::PaintTo(QPainter& painter)
{
    SyncPage();
    const QRect pageRect = PageRect();
    const TPgExtended width = PageWidth, height = PageHeight;
    const int logicalWidth = PgRound(LogicalResolution * width);
    const int logicalHeight = PgRound(LogicalResolution * height);
    {
        TDeviceContext dc(painter);
        dc.SetMapMode(MM_ANISOTROPIC);
        dc.SetWindowExtEx(logicalWidth, logicalHeight);
        dc.SetWindowOrgEx(0, 0);
        dc.SetViewportExtEx(std::max(1, pageRect.width()), std::max(1, pageRect.height()));
        dc.SetViewportOrgEx(pageRect.left(), pageRect.top());

        dc.SelectBrush(CreateSolidBrush(0xFFFFFF));
        dc.SelectPen(CreatePen(PS_SOLID, 0, 0));
        dc.Rectangle(0, 0, logicalWidth, logicalHeight);
        dc.IntersectClipRect(0, 0, logicalWidth, logicalHeight);

        const TPgPage* page = List && ShownPage >= 1 && ShownPage <= List->Count() ? &List->Pages(ShownPage) : nullptr;
        if (page) {
            const TPgMargins& margins = List->Margins();
            const RECT marginRect { PgRound(margins.Left.AsInches() * LogicalResolution),
                PgRound(margins.Top.AsInches() * LogicalResolution),
                PgRound((width - margins.Right.AsInches()) * LogicalResolution),
                PgRound((height - margins.Bottom.AsInches()) * LogicalResolution) };
            const int saved = dc.SaveDC();
            if (margins.ClipMargins())
                dc.IntersectClipRect(marginRect.left, marginRect.top, marginRect.right, marginRect.bottom);
            if (ShowContent) {
                // A failing page draws what it can; an error box at every repaint would lock the program.
                try {
                    DrawPage(*page, dc, LogicalResolution, false, LogicalResolution, false);
                } catch (const std::exception&) {
                }
            }
            dc.RestoreDC(saved);
            if (margins.Visible()) {
                dc.SelectBrush(std::get<TGdiBrush>(GetStockObject(HOLLOW_BRUSH)));
                dc.SelectPen(CreatePen(int(margins.Pen().Style), 0, margins.Pen().Color));
                dc.Rectangle(marginRect.left, marginRect.top, marginRect.right, marginRect.bottom);
                if (margins.ShowPrinterMargins()) {
                    TPgPrinter& printer = List->PgPrinter();
                    const auto unprintable
                        = printer.Info().UnprintableMarginsInches(page->Orientation == TPgOrientation::pgLandscape);
                    dc.SelectPen(CreatePen(int(margins.PrinterMarginPen().Style), 0, margins.PrinterMarginPen().Color));
                    dc.Rectangle(PgRound(unprintable[0] * LogicalResolution),
                        PgRound(unprintable[1] * LogicalResolution),
                        PgRound((width - unprintable[2]) * LogicalResolution),
                        PgRound((height - unprintable[3]) * LogicalResolution));
                }
            }
            if (Grid && Grid->GridStyle != TPgGridStyle::pgNoGrid && Grid->Spacing > 0) {
                const int columns = PgRound(width / Grid->Spacing);
                const int rows = PgRound(height / Grid->Spacing);
                dc.SelectPen(CreatePen(int(Grid->GridPen.Style), 0, Grid->GridPen.Color));
                if (Grid->GridStyle == TPgGridStyle::pgLines) {
                    for (int i = 1; i <= columns; ++i) {
                        const int x = PgRound(i * Grid->Spacing * LogicalResolution);
                        dc.MoveToEx(x, 0);
                        dc.LineTo(x, logicalHeight);
                    }
                    for (int i = 1; i <= rows; ++i) {
                        const int y = PgRound(i * Grid->Spacing * LogicalResolution);
                        dc.MoveToEx(0, y);
                        dc.LineTo(logicalWidth, y);
                    }
                } else {
                    for (int i = 1; i <= columns; ++i)
                        for (int j = 1; j <= rows; ++j)
                            dc.SetPixel(PgRound(i * Grid->Spacing * LogicalResolution),
                                PgRound(j * Grid->Spacing * LogicalResolution), Grid->GridPen.Color);
                }
            }
        }
        dc.SelectClipRgn(nullptr);
        dc.SelectBrush(std::get<TGdiBrush>(GetStockObject(HOLLOW_BRUSH)));
        dc.SelectPen(CreatePen(PS_SOLID, 0, 0));
        dc.Rectangle(0, 0, logicalWidth, logicalHeight);
    }
    if (Shadow.Visible && Shadow.Width > 0) {
        const QColor color = QColorFromColorRef(Shadow.Color);
        const QRect& r = pageRect;
        const int w = Shadow.Width;
        painter.fillRect(QRect(r.left() + r.width() + 1, r.top() + w + 1, w, r.height() - w), color);
        painter.fillRect(QRect(r.left() + w + 1, r.top() + r.height() + 1, r.width(), w), color);
    }
    if (OnAfterPaint)
        OnAfterPaint(painter, pageRect);
}

// ---- preview ----

TPgPreview::TPgPreview(QWidget* parent)
    : QScrollArea(parent)
    , FList(std::make_unique<TPgPageList>())
{
    setFrameShape(QFrame::Box);
    setBackgroundRole(QPalette::NoRole);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(colours);
    setAutoFillBackground(true);
    viewport()->setPalette(colours);
    viewport()->setAutoFillBackground(true);
    setWidgetResizable(false);
    setFocusPolicy(Qt::StrongFocus);
    FImage = new TPgPaperImage;
    FImage->List = FList.get();
    FImage->Grid = &FGrid;
    FImage->installEventFilter(this);
    FImage->setMouseTracking(true);
    setWidget(FImage);
    WireDocument();
    FList->NewPage();
    UpdateScrollRanges();
}

TPgPreview::~TPgPreview()
{
    FControls.clear();
    FList->Events = TPgPageListEvents();
    TPgPrinter& printer = FList->PgPrinter();
    printer.BeforePrint = printer.AfterPrint = printer.OnChangePrinter = nullptr;
}

void TPgPreview::WireDocument()
{
    TPgPageListEvents& events = FList->Events;
    events.PageAdded = [this] {
        if (OnNewPage)
            OnNewPage(this);
        if (OnDrawHeader)
            OnDrawHeader(this, FList->GetHeaderRect(), FList->Canvas());
        if (OnDrawFooter)
            OnDrawFooter(this, FList->GetFooterRect(), FList->Canvas());
    };
    events.PageChanged = [this] {
        ShowCurrentPage();
        UpdateScrollRanges();
        NotifyControls(PG_PAGELAYOUTCHANGED);
    };
    events.PageCountChanged = [this] { NotifyControls(PG_PAGECOUNTCHANGED); };
    events.CurrentPageChanged = [this] {
        ShowCurrentPage();
        if (OnPageChanged)
            OnPageChanged(this);
        NotifyControls(PG_CURRENTPAGECHANGED);
    };
    events.HeaderFooterChanged = [this] {
        FImage->update();
        NotifyControls(PG_CONTENTCHANGED);
    };
    events.MarginsChanged = [this] {
        FImage->update();
        NotifyControls(PG_CONTENTCHANGED);
    };
    events.OrientationChanged = [this] {
        NotifyControls(PG_ORIENTATIONCHANGED);
        FImage->update();
        if (OnOrientationChanged)
            OnOrientationChanged(this);
    };
    events.PaperSizeChanged = [this] {
        ShowCurrentPage();
        UpdateScrollRanges();
        NotifyControls(PG_PAPERSIZECHANGED);
    };
    events.Cleared = [this] {
        if (OnClear)
            OnClear(this);
    };
    events.PrintProgress = [this](int printed, int total) {
        if (OnPrintProgress)
            OnPrintProgress(this, printed, total);
    };
    FList->ResourceTable().Memos.NeedRichEdit = [this](QObject*, TRtCustomRichEdit*& richEdit) {
        if (OnNeedRichEdit)
            OnNeedRichEdit(this, richEdit);
    };
    TPgPrinter& printer = FList->PgPrinter();
    printer.BeforePrint = [this](QObject*) {
        if (BeforePrint)
            BeforePrint(this);
    };
    printer.AfterPrint = [this](QObject*) {
        if (AfterPrint)
            AfterPrint(this);
    };
    printer.OnChangePrinter = [this](QObject*) {
        NotifyControls(PG_PRINTERCHANGED);
        FImage->update();
    };
}

void TPgPreview::ShowCurrentPage()
{
    FImage->ShownPage = std::max(1, FList->CurrentPage());
    FImage->update();
}

void TPgPreview::BeginUpdate()
{
    NotifyControls(PG_UPDATEBEGUN);
    FList->BeginUpdate();
    FImage->BeginUpdate();
}

void TPgPreview::EndUpdate()
{
    FList->EndUpdate();
    FImage->EndUpdate();
    NotifyControls(PG_UPDATEENDED);
}

void TPgPreview::Clear() { FList->Clear(false, true); }

void TPgPreview::SetOrientation(TPgOrientation orientation)
{
    FImage->BeginUpdate();
    try {
        FList->SetOrientation(orientation);
    } catch (...) {
        FImage->EndUpdate();
        throw;
    }
    FImage->EndUpdate();
    UpdateScrollRanges();
}

void TPgPreview::SetPagesPerSheet(TPgPagesPerSheet pages)
{
    FList->PagesPerSheet = pages;
    NotifyControls(PG_PAGESPERSHEETCHANGED);
}

void TPgPreview::UpdateScrollRanges()
{
    const QSize page = FImage->PagePixels();
    const QSize range(page.width() + FImage->GutterLeft + FImage->GutterRight,
        page.height() + FImage->GutterTop + FImage->GutterBottom);
    FImage->resize(range.expandedTo(viewport()->size()));
    FImage->update();
}

void TPgPreview::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    UpdateScrollRanges();
}

// ---- zoom ----

void TPgPreview::SetZoom(int zoom)
{
    zoom = std::max(std::min(zoom, FMaxZoom), FMinZoom);
    if (zoom == FImage->Zoom)
        return;
    QScrollBar* bars[2] = { horizontalScrollBar(), verticalScrollBar() };
    double* percents[2] = { &FScrollPercentX, &FScrollPercentY };
    for (int i = 0; i < 2; ++i)
        if (bars[i]->maximum() > 0)
            *percents[i] = double(bars[i]->value()) / bars[i]->maximum() * 100;
    FImage->Zoom = zoom;
    UpdateScrollRanges();
    for (int i = 0; i < 2; ++i)
        bars[i]->setValue(int(std::nearbyint(bars[i]->maximum() * *percents[i] / 100)));
}

void TPgPreview::SetMinZoom(int zoom)
{
    if (zoom == FMinZoom)
        return;
    FMinZoom = zoom;
    if (Zoom() < zoom)
        SetZoom(zoom);
}

void TPgPreview::SetMaxZoom(int zoom)
{
    if (zoom == FMaxZoom)
        return;
    FMaxZoom = zoom;
    if (Zoom() > zoom)
        SetZoom(zoom);
}

void TPgPreview::ZoomIn()
{
    if (ZoomStyle == TPgZoomStyle::pgFixedZoom) {
        SetZoom(Zoom() + ZoomIncrement);
        return;
    }
    for (const int step : ZoomSteps)
        if (step > Zoom()) {
            SetZoom(step);
            return;
        }
}

void TPgPreview::ZoomOut()
{
    if (ZoomStyle == TPgZoomStyle::pgFixedZoom) {
        SetZoom(Zoom() - ZoomIncrement);
        return;
    }
    for (auto step = std::rbegin(ZoomSteps); step != std::rend(ZoomSteps); ++step)
        if (*step < Zoom()) {
            SetZoom(*step);
            return;
        }
}

void TPgPreview::ZoomToFitPage()
{
    const TPgPage& page = FList->Pages(std::max(1, FList->CurrentPage()));
    const double widthRatio = (width() - FImage->GutterLeft - FImage->GutterRight - 20) / double(page.Width * 96);
    const double heightRatio = (height() - FImage->GutterTop - FImage->GutterBottom - 20) / double(page.Height * 96);
    SetZoom(int(std::min(widthRatio, heightRatio) * 100));
}

void TPgPreview::ZoomToFitWidth()
{
    const TPgPage& page = FList->Pages(std::max(1, FList->CurrentPage()));
    SetZoom(int((width() - FImage->GutterLeft - FImage->GutterRight - 20) / double(page.Width * 96) * 100));
}

void TPgPreview::SetGutter(int gutter)
{
    if (FImage->GutterLeft == gutter && FImage->GutterTop == gutter && FImage->GutterRight == gutter
        && FImage->GutterBottom == gutter)
        return;
    FImage->GutterLeft = FImage->GutterTop = FImage->GutterRight = FImage->GutterBottom = gutter;
    UpdateScrollRanges();
}

// ---- scrolling ----

void TPgPreview::BeginDragScroll()
{
    if (FDragging)
        return;
    FDragging = true;
    FDragStart = mapFromGlobal(QCursor::pos());
    FDragScrollX = horizontalScrollBar()->value();
    FDragScrollY = verticalScrollBar()->value();
    viewport()->setCursor(Qt::PointingHandCursor);
}

void TPgPreview::WheelStep(int delta)
{
    QScrollBar* bar = verticalScrollBar();
    if (bar->maximum() <= 0)
        return;
    if (delta < 0 && bar->value() < bar->maximum() - 10)
        bar->setValue(bar->value() + 10);
    else if (delta > 0)
        bar->setValue(std::max(0, bar->value() - 10));
}

void TPgPreview::EndDragScroll()
{
    if (!FDragging)
        return;
    FDragging = false;
    viewport()->unsetCursor();
}

bool TPgPreview::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != FImage)
        return QScrollArea::eventFilter(watched, event);
    const auto button = [](Qt::MouseButton pressed) {
        return pressed == Qt::RightButton ? TMouseButton::mbRight
            : pressed == Qt::MiddleButton ? TMouseButton::mbMiddle
                                          : TMouseButton::mbLeft;
    };
    // Page coordinates: inches from the page's top-left corner at the zoom.
    const auto onPage = [this](const QPointF& position, const TPgPageMouseEvent& handler, Qt::MouseButton pressed) {
        if (!handler)
            return;
        const QRect page = FImage->PageRect();
        const double scale = 96.0 * Zoom() / 100;
        handler(this, pressed, TPgValue((position.x() - page.left()) / scale),
            TPgValue((position.y() - page.top()) / scale));
    };
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        setFocus();
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (OnMouseDown)
            OnMouseDown(this, button(mouse->button()), mouse->modifiers(), int(mouse->position().x()),
                int(mouse->position().y()));
        onPage(mouse->position(), OnPageMouseDown, mouse->button());
        break;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (FDragging) {
            const QPoint now = mapFromGlobal(mouse->globalPosition().toPoint());
            horizontalScrollBar()->setValue(FDragScrollX + FDragStart.x() - now.x());
            verticalScrollBar()->setValue(FDragScrollY + FDragStart.y() - now.y());
        }
        if (OnMouseMove)
            OnMouseMove(this, button(mouse->button()), mouse->modifiers(), int(mouse->position().x()),
                int(mouse->position().y()));
        onPage(mouse->position(), OnPageMouseMove, mouse->button());
        break;
    }
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        EndDragScroll();
        if (OnMouseUp)
            OnMouseUp(this, button(mouse->button()), mouse->modifiers(), int(mouse->position().x()),
                int(mouse->position().y()));
        onPage(mouse->position(), OnPageMouseUp, mouse->button());
        break;
    }
    case QEvent::Enter:
        if (OnMouseEnter)
            OnMouseEnter(this);
        break;
    case QEvent::Leave:
        EndDragScroll();
        if (OnMouseLeave)
            OnMouseLeave(this);
        break;
    default:
        break;
    }
    return QScrollArea::eventFilter(watched, event);
}

void TPgPreview::wheelEvent(QWheelEvent* event)
{
    QScrollBar* bar = verticalScrollBar()->maximum() > 0 ? verticalScrollBar()
        : horizontalScrollBar()->maximum() > 0           ? horizontalScrollBar()
                                                         : nullptr;
    if (bar) {
        const int delta = event->angleDelta().y();
        bar->setValue(bar->value() + (delta < 0 ? bar->singleStep() : delta > 0 ? -bar->singleStep() : 0));
    }
    event->accept();
}

void TPgPreview::keyPressEvent(QKeyEvent* event)
{
    QScrollBar* vertical = verticalScrollBar()->maximum() > 0 ? verticalScrollBar() : nullptr;
    QScrollBar* horizontal = horizontalScrollBar()->maximum() > 0 ? horizontalScrollBar() : nullptr;
    if (!vertical && !horizontal) {
        QScrollArea::keyPressEvent(event);
        return;
    }
    QScrollBar* main = vertical ? vertical : horizontal;
    switch (event->key()) {
    case Qt::Key_PageUp:
        main->setValue(main->value() - 10 * main->singleStep());
        break;
    case Qt::Key_PageDown:
        main->setValue(main->value() + 10 * main->singleStep());
        break;
    case Qt::Key_Home:
        horizontalScrollBar()->setValue(0);
        verticalScrollBar()->setValue(0);
        break;
    case Qt::Key_End:
        horizontalScrollBar()->setValue(horizontalScrollBar()->maximum());
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
        break;
    case Qt::Key_Up:
        verticalScrollBar()->setValue(verticalScrollBar()->value() - verticalScrollBar()->singleStep());
        break;
    case Qt::Key_Down:
        verticalScrollBar()->setValue(verticalScrollBar()->value() + verticalScrollBar()->singleStep());
        break;
    case Qt::Key_Left:
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - horizontalScrollBar()->singleStep());
        break;
    case Qt::Key_Right:
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + horizontalScrollBar()->singleStep());
        break;
    default:
        QScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

// ---- printing ----

void TPgPreview::Print()
{
    TUpdate update(*this);
    FList->PrintRange(1, NumPages());
}

void TPgPreview::PrintRange(int from, int to)
{
    TUpdate update(*this);
    FList->PrintRange(from, to);
}

void TPgPreview::PrintCurrentPage() { FList->PrintRange(CurrentPage(), CurrentPage()); }

// ---- companions ----

void TPgPreview::RegisterControl(IPgCompanion* control)
{
    if (control && std::find(FControls.begin(), FControls.end(), control) == FControls.end())
        FControls.push_back(control);
}

void TPgPreview::UnregisterControl(IPgCompanion* control)
{
    FControls.erase(std::remove(FControls.begin(), FControls.end(), control), FControls.end());
}

void TPgPreview::NotifyControls(int code)
{
    if (FList->IsUpdating())
        return;
    const std::vector<IPgCompanion*> controls = FControls; // a companion may unregister while told
    for (IPgCompanion* control : controls)
        control->PreviewNotification(*this, code);
}
