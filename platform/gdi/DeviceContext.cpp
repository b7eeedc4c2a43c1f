#include "DeviceContext.h"

#include "Bitmap.h"
#include "DibImage.h"
#include "EnhMetafileRecorder.h"
#include "GdiColors.h"
#include "GdiFontDefs.h"
#include "Units.h"

#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QLinearGradient>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>
#include <numbers>

struct TDeviceContext::TRealizedFont {
    TGdiFont Source;
    double ScaleX = 1; // logical unit -> painter pixels, along the baseline
    double ScaleY = 1;
    QFont Font;
    TEXTMETRICW Device; // painter pixels
    double Ascent = 0;
    double Descent = 0;
};

namespace {

constexpr double Huge = 1 << 28;

double Length(double x, double y) { return std::hypot(x, y); }

QColor ColorOf(COLORREF color) { return QColorFromColorRef(color); }

Qt::FillRule FillRuleOf(int mode) { return mode == WINDING ? Qt::WindingFill : Qt::OddEvenFill; }

// The font's cell height per pixel of em, for lfHeight > 0 (a cell height).
double CellPerEm(const QFont& font)
{
    static QHash<QString, double> cache;
    const QString key = font.key();
    if (auto found = cache.constFind(key); found != cache.constEnd())
        return found.value();
    QFont probe = font;
    probe.setPixelSize(1000);
    const QFontMetricsF metrics(probe);
    const double ratio = std::max(0.5, (std::ceil(metrics.ascent()) + std::ceil(metrics.descent())) / 1000.0);
    cache.insert(key, ratio);
    return ratio;
}

QFont BaseFont(const LOGFONTW& log, const QString& face)
{
    QFont font;
    QFont::StyleHint hint = QFont::AnyStyle;
    switch (log.lfPitchAndFamily & 0xF0) {
    case FF_ROMAN:
        hint = QFont::Serif;
        break;
    case FF_SWISS:
        hint = QFont::SansSerif;
        break;
    case FF_MODERN:
        hint = QFont::TypeWriter;
        break;
    case FF_SCRIPT:
        hint = QFont::Cursive;
        break;
    case FF_DECORATIVE:
        hint = QFont::Decorative;
        break;
    }
    if ((log.lfPitchAndFamily & 0x03) == FIXED_PITCH)
        hint = QFont::TypeWriter;
    if (!face.isEmpty())
        font.setFamilies({ face });
    font.setStyleHint(hint);
    font.setFixedPitch((log.lfPitchAndFamily & 0x03) == FIXED_PITCH);
    font.setWeight(QFont::Weight(std::clamp<LONG>(log.lfWeight == FW_DONTCARE ? FW_NORMAL : log.lfWeight, 1, 1000)));
    font.setItalic(log.lfItalic != 0);
    font.setUnderline(log.lfUnderline != 0);
    font.setStrikeOut(log.lfStrikeOut != 0);
    // The platform places characters by their advance widths, without kerning pairs.
    font.setKerning(false);
    if (log.lfQuality == 3) // NONANTIALIASED_QUALITY
        font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

QPolygonF Closed(const QPolygonF& polygon)
{
    QPolygonF result = polygon;
    if (!result.isEmpty() && result.first() != result.last())
        result << result.first();
    return result;
}

// Grapheme clusters of text, as (start, length).
std::vector<std::pair<int, int>> Clusters(QStringView text)
{
    std::vector<std::pair<int, int>> clusters;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.toString());
    int start = 0;
    while (start < text.size()) {
        finder.setPosition(start);
        int end = int(finder.toNextBoundary());
        if (end <= start || end > text.size())
            end = start + 1;
        clusters.emplace_back(start, end - start);
        start = end;
    }
    return clusters;
}

// A rounded coordinate that fits a LONG; far-off values are pinned to the range's ends.
LONG LongFrom(double value)
{
    if (!(value == value))
        return 0;
    return LONG(std::clamp(std::nearbyint(value), -2147483647.0, 2147483647.0));
}

// Finite and invertible, within what a painter can still draw.
// Device rectangle of a clip, within the range regions can hold.
QRect ClipRectFrom(const QRectF& box)
{
    auto pin = [](double v) { return int(std::clamp(std::nearbyint(v), -Huge, Huge)); };
    return QRect(QPoint(pin(box.left()), pin(box.top())), QPoint(pin(box.right()) - 1, pin(box.bottom()) - 1));
}

bool Usable(const QTransform& t)
{
    const double values[] = { t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy() };
    for (double v : values)
        if (!std::isfinite(v) || std::abs(v) > 1e9)
            return false;
    const double determinant = t.m11() * t.m22() - t.m12() * t.m21();
    return std::abs(determinant) > 1e-12;
}

XFORM XformFromTransform(const QTransform& t)
{
    return { float(t.m11()), float(t.m12()), float(t.m21()), float(t.m22()), float(t.dx()), float(t.dy()) };
}

QTransform TransformFromXform(const XFORM& x) { return QTransform(x.eM11, x.eM12, x.eM21, x.eM22, x.eDx, x.eDy); }

QPainter::CompositionMode ModeOfRop(DWORD rop)
{
    switch (rop) {
    case SRCAND:
        return QPainter::RasterOp_SourceAndDestination;
    case SRCPAINT:
        return QPainter::RasterOp_SourceOrDestination;
    case SRCINVERT:
        return QPainter::RasterOp_SourceXorDestination;
    case NOTSRCCOPY:
        return QPainter::RasterOp_NotSource;
    default:
        return QPainter::CompositionMode_SourceOver;
    }
}

} // namespace

// ---- construction ----

TDeviceContext::TDeviceContext(QPaintDevice* device)
    : FDevice(device)
{
    CapsFromDevice();
    InitDefaults();
}

TDeviceContext::TDeviceContext(QPainter& painter)
    : FDevice(painter.device())
    , FExternal(&painter)
{
    CapsFromDevice();
    FBase = painter.combinedTransform();
    if (painter.hasClipping())
        FBaseClip = painter.combinedTransform().map(painter.clipPath());
    painter.save();
    InitDefaults();
}

TDeviceContext::TDeviceContext(QPainter& painter, const QTransform& deviceToPainter, const TDeviceCaps& caps)
    : FDevice(painter.device())
    , FExternal(&painter)
    , FCaps(caps)
{
    FMetafile = dynamic_cast<TEnhMetafileRecorder*>(FDevice) != nullptr;
    FVector = FMetafile;
    FBase = deviceToPainter * painter.combinedTransform();
    if (painter.hasClipping())
        FBaseClip = painter.combinedTransform().map(painter.clipPath());
    painter.save();
    InitDefaults();
}

TDeviceContext::TDeviceContext(const TDeviceCaps& caps)
    : FCaps(caps)
{
    InitDefaults();
}

TDeviceContext TDeviceContext::InformationContext(int dpiX, int dpiY, QSize pixels)
{
    TDeviceCaps caps;
    caps.DpiX = dpiX;
    caps.DpiY = dpiY;
    caps.Pixels = pixels;
    return TDeviceContext(caps);
}

TDeviceContext::~TDeviceContext()
{
    if (FOwnPainter && FOwnPainter->isActive())
        FOwnPainter->end();
    if (FExternal && FExternal->isActive())
        FExternal->restore();
}

TDeviceContext::TDeviceContext(TDeviceContext&& other) noexcept
{
    *this = std::move(other);
}

TDeviceContext& TDeviceContext::operator=(TDeviceContext&& other) noexcept
{
    if (this != &other) {
        if (FOwnPainter && FOwnPainter->isActive())
            FOwnPainter->end();
        if (FExternal && FExternal->isActive())
            FExternal->restore();
        FDevice = other.FDevice;
        FOwnPainter = std::move(other.FOwnPainter);
        FExternal = std::exchange(other.FExternal, nullptr);
        FBase = other.FBase;
        FBaseClip = std::move(other.FBaseClip);
        FMetafile = other.FMetafile;
        FVector = other.FVector;
        FClipDirty = true;
        FCaps = other.FCaps;
        FState = std::move(other.FState);
        FSaved = std::move(other.FSaved);
        FPathOpen = other.FPathOpen;
        FPath = std::move(other.FPath);
        FRealized.reset();
        other.FDevice = nullptr;
    }
    return *this;
}

void TDeviceContext::CapsFromDevice()
{
    if (!FDevice)
        return;
    if (auto* recorder = dynamic_cast<TEnhMetafileRecorder*>(FDevice)) {
        FCaps = recorder->ReferenceCaps();
        FMetafile = true;
        FVector = true;
        return;
    }
    FCaps.DpiX = FDevice->logicalDpiX();
    FCaps.DpiY = FDevice->logicalDpiY();
    FCaps.Pixels = QSize(FDevice->width(), FDevice->height());
    FCaps.BitsPixel = std::max(1, FDevice->depth());
    if (auto* image = dynamic_cast<QImage*>(FDevice)) {
        // QImage rounds its dots per metre to whole dots per inch with halves away from zero.
        if (image->dotsPerMeterX() > 0)
            FCaps.DpiX = int(std::nearbyint(image->dotsPerMeterX() * 0.0254));
        if (image->dotsPerMeterY() > 0)
            FCaps.DpiY = int(std::nearbyint(image->dotsPerMeterY() * 0.0254));
    } else if (auto* paged = dynamic_cast<QPagedPaintDevice*>(FDevice)) {
        const QPageLayout layout = paged->pageLayout();
        const QRect full = layout.fullRectPixels(FCaps.DpiX);
        const QRect paint = layout.paintRectPixels(FCaps.DpiX);
        FCaps.Physical = full.size();
        FCaps.PhysicalOffset = paint.topLeft() - full.topLeft();
        FCaps.Technology = DT_RASPRINTER;
        FCaps.BitsPixel = 24;
        FVector = true;
    }
}

void TDeviceContext::InitDefaults()
{
    FState.Pen = CreatePen(PS_SOLID, 0, RGB(0, 0, 0));
    FState.Brush = CreateSolidBrush(RGB(255, 255, 255));
    FState.Font = std::get<TGdiFont>(GetStockObject(SYSTEM_FONT));
}

void TDeviceContext::SetPhysicalPage(QSize physical, QPoint offset)
{
    FCaps.Physical = physical;
    FCaps.PhysicalOffset = offset;
}

int TDeviceContext::GetDeviceCaps(int index) const
{
    const QSize pixels = FCaps.Pixels;
    const QSize physical = FCaps.Physical.isEmpty() ? pixels : FCaps.Physical;
    auto millimetres = [](int pixels, int dpi) { return dpi > 0 ? int(std::nearbyint(pixels * 25.4 / dpi)) : 0; };
    switch (index) {
    case DRIVERVERSION:
        return 0x4000;
    case TECHNOLOGY:
        return FCaps.Technology;
    case HORZSIZE:
        return FCaps.Millimetres.isEmpty() ? millimetres(pixels.width(), FCaps.DpiX) : FCaps.Millimetres.width();
    case VERTSIZE:
        return FCaps.Millimetres.isEmpty() ? millimetres(pixels.height(), FCaps.DpiY) : FCaps.Millimetres.height();
    case HORZRES:
        return pixels.width();
    case VERTRES:
        return pixels.height();
    case BITSPIXEL:
        return FCaps.BitsPixel;
    case PLANES:
        return 1;
    case NUMCOLORS:
        return FCaps.BitsPixel <= 8 ? 1 << FCaps.BitsPixel : -1;
    case RASTERCAPS:
        return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB;
    case ASPECTX:
    case ASPECTY:
        return 36;
    case ASPECTXY:
        return 51;
    case LOGPIXELSX:
        return FCaps.DpiX;
    case LOGPIXELSY:
        return FCaps.DpiY;
    case PHYSICALWIDTH:
        return FCaps.Technology == DT_RASPRINTER ? physical.width() : 0;
    case PHYSICALHEIGHT:
        return FCaps.Technology == DT_RASPRINTER ? physical.height() : 0;
    case PHYSICALOFFSETX:
        return FCaps.Technology == DT_RASPRINTER ? FCaps.PhysicalOffset.x() : 0;
    case PHYSICALOFFSETY:
        return FCaps.Technology == DT_RASPRINTER ? FCaps.PhysicalOffset.y() : 0;
    default:
        return 0;
    }
}

// ---- painter ----

bool TDeviceContext::CanDraw() const { return FExternal || FDevice; }

QPainter* TDeviceContext::BeginDraw()
{
    QPainter* painter = FExternal;
    if (!painter && FDevice) {
        if (!FOwnPainter)
            FOwnPainter = std::make_unique<QPainter>();
        if (!FOwnPainter->isActive()) {
            if (!FOwnPainter->begin(FDevice))
                return nullptr;
            FClipDirty = true;
        }
        painter = FOwnPainter.get();
    }
    if (!painter || !painter->isActive())
        return nullptr;
    painter->setViewTransformEnabled(false);
    painter->setWorldTransform(QTransform());
    painter->setOpacity(1);
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setBackgroundMode(FState.BkMode == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
    painter->setBackground(ColorOf(FState.BkColor));
    if (FClipDirty) {
        if (FBaseClip)
            painter->setClipPath(*FBaseClip);
        else
            painter->setClipping(false);
        if (FState.Clip) {
            const Qt::ClipOperation operation = FBaseClip ? Qt::IntersectClip : Qt::ReplaceClip;
            if (FBase.type() <= QTransform::TxTranslate) {
                painter->setClipRegion(FBase.map(*FState.Clip), operation);
            } else {
                QPainterPath path;
                path.addRegion(*FState.Clip);
                painter->setClipPath(FBase.map(path), operation);
            }
        }
        FClipDirty = false;
    }
    return painter;
}

QPainter* TDeviceContext::Painter()
{
    QPainter* painter = BeginDraw();
    if (!painter)
        return nullptr;
    painter->setWorldTransform(FullTransform());
    QPen pen = QtPen();
    if (!FState.Pen.IsCosmetic()) // back into logical units for the caller's transform
        pen.setWidthF(FState.Pen.Width);
    painter->setPen(pen);
    painter->setBrush(QtBrush(FState.Brush));
    QFont font = Realized().Font;
    const double scale = Realized().ScaleY;
    if (scale > 0)
        font.setPixelSize(std::max(1, int(std::nearbyint(font.pixelSize() / scale))));
    painter->setFont(font);
    FClipDirty = true; // the caller may change the painter's clip
    return painter;
}

void TDeviceContext::EndPaint()
{
    if (FOwnPainter && FOwnPainter->isActive())
        FOwnPainter->end();
    FClipDirty = true;
}

// ---- coordinate spaces ----

QTransform TDeviceContext::PageTransform() const
{
    double sx = 1, sy = 1;
    const TState& s = FState;
    switch (s.MapMode) {
    case MM_LOMETRIC:
        sx = FCaps.DpiX / 254.0;
        sy = -FCaps.DpiY / 254.0;
        break;
    case MM_HIMETRIC:
        sx = FCaps.DpiX / 2540.0;
        sy = -FCaps.DpiY / 2540.0;
        break;
    case MM_LOENGLISH:
        sx = FCaps.DpiX / 100.0;
        sy = -FCaps.DpiY / 100.0;
        break;
    case MM_HIENGLISH:
        sx = FCaps.DpiX / 1000.0;
        sy = -FCaps.DpiY / 1000.0;
        break;
    case MM_TWIPS:
        sx = FCaps.DpiX / 1440.0;
        sy = -FCaps.DpiY / 1440.0;
        break;
    case MM_ISOTROPIC:
    case MM_ANISOTROPIC:
        sx = s.WindowExt.cx ? double(s.ViewportExt.cx) / s.WindowExt.cx : 1;
        sy = s.WindowExt.cy ? double(s.ViewportExt.cy) / s.WindowExt.cy : 1;
        break;
    default:
        break;
    }
    return QTransform(sx, 0, 0, sy, s.ViewportOrg.x - s.WindowOrg.x * sx, s.ViewportOrg.y - s.WindowOrg.y * sy);
}

QTransform TDeviceContext::LogicalToDevice() const { return FState.World * PageTransform(); }

QTransform TDeviceContext::FullTransform() const { return FState.World * PageTransform() * FBase; }

QPointF TDeviceContext::DeviceFromLogical(double x, double y) const
{
    const QPointF p = FullTransform().map(QPointF(x, y));
    if (FVector)
        return p;
    return QPointF(std::nearbyint(p.x()), std::nearbyint(p.y()));
}

bool TDeviceContext::AxisAligned() const
{
    const QTransform t = FullTransform();
    return std::abs(t.m12()) < 1e-9 && std::abs(t.m21()) < 1e-9;
}

QRectF TDeviceContext::DeviceRect(int left, int top, int right, int bottom, bool excludeEdges) const
{
    const QPointF a = DeviceFromLogical(left, top);
    const QPointF b = DeviceFromLogical(right, bottom);
    QRectF rect = QRectF(a, b).normalized();
    if (excludeEdges) // the platform leaves out the right and bottom edges
        rect.adjust(0, 0, -1, -1);
    return rect;
}

BOOL TDeviceContext::LPtoDP(POINT* points, int count) const
{
    if (!points || count < 0)
        return FALSE;
    const QTransform t = LogicalToDevice();
    for (int i = 0; i < count; ++i) {
        const QPointF p = t.map(QPointF(points[i].x, points[i].y));
        points[i] = { LongFrom(p.x()), LongFrom(p.y()) };
    }
    return TRUE;
}

BOOL TDeviceContext::DPtoLP(POINT* points, int count) const
{
    bool invertible = false;
    const QTransform t = LogicalToDevice().inverted(&invertible);
    if (!points || count < 0 || !invertible)
        return FALSE;
    for (int i = 0; i < count; ++i) {
        const QPointF p = t.map(QPointF(points[i].x, points[i].y));
        points[i] = { LongFrom(p.x()), LongFrom(p.y()) };
    }
    return TRUE;
}

int TDeviceContext::SetMapMode(int mode)
{
    if (mode < MM_TEXT || mode > MM_ANISOTROPIC)
        return 0;
    const int previous = FState.MapMode;
    FState.MapMode = mode;
    if (mode == MM_ISOTROPIC && previous != MM_ISOTROPIC && previous != MM_ANISOTROPIC) {
        // The platform starts isotropic mapping from the low-metric scale.
        FState.WindowExt = { 254 * 100, 254 * 100 };
        FState.ViewportExt = { FCaps.DpiX * 100, -FCaps.DpiY * 100 };
        AdjustIsotropic();
    }
    FRealized.reset();
    return previous;
}

void TDeviceContext::AdjustIsotropic()
{
    if (FState.MapMode != MM_ISOTROPIC || !FState.WindowExt.cx || !FState.WindowExt.cy)
        return;
    SIZE& view = FState.ViewportExt;
    const double sx = std::abs(double(view.cx) / FState.WindowExt.cx);
    const double sy = std::abs(double(view.cy) / FState.WindowExt.cy);
    if (sx > sy)
        view.cx = LONG(std::nearbyint(std::copysign(sy * std::abs(FState.WindowExt.cx), double(view.cx))));
    else if (sy > sx)
        view.cy = LONG(std::nearbyint(std::copysign(sx * std::abs(FState.WindowExt.cy), double(view.cy))));
}

BOOL TDeviceContext::SetWindowExtEx(int x, int y, SIZE* old)
{
    if (old)
        *old = FState.WindowExt;
    if (FState.MapMode != MM_ISOTROPIC && FState.MapMode != MM_ANISOTROPIC)
        return TRUE; // fixed scales ignore extents
    if (x == 0 || y == 0)
        return FALSE;
    FState.WindowExt = { x, y };
    AdjustIsotropic();
    FRealized.reset();
    return TRUE;
}

BOOL TDeviceContext::SetViewportExtEx(int x, int y, SIZE* old)
{
    if (old)
        *old = FState.ViewportExt;
    if (FState.MapMode != MM_ISOTROPIC && FState.MapMode != MM_ANISOTROPIC)
        return TRUE;
    if (x == 0 || y == 0)
        return FALSE;
    FState.ViewportExt = { x, y };
    AdjustIsotropic();
    FRealized.reset();
    return TRUE;
}

BOOL TDeviceContext::SetWindowOrgEx(int x, int y, POINT* old)
{
    if (old)
        *old = FState.WindowOrg;
    FState.WindowOrg = { x, y };
    return TRUE;
}

BOOL TDeviceContext::SetViewportOrgEx(int x, int y, POINT* old)
{
    if (old)
        *old = FState.ViewportOrg;
    FState.ViewportOrg = { x, y };
    return TRUE;
}

BOOL TDeviceContext::OffsetWindowOrgEx(int dx, int dy, POINT* old)
{
    return SetWindowOrgEx(LongFrom(double(FState.WindowOrg.x) + dx), LongFrom(double(FState.WindowOrg.y) + dy), old);
}

BOOL TDeviceContext::OffsetViewportOrgEx(int dx, int dy, POINT* old)
{
    return SetViewportOrgEx(LongFrom(double(FState.ViewportOrg.x) + dx), LongFrom(double(FState.ViewportOrg.y) + dy), old);
}

BOOL TDeviceContext::ScaleViewportExtEx(int xNum, int xDenom, int yNum, int yDenom, SIZE* old)
{
    if (old)
        *old = FState.ViewportExt;
    if (FState.MapMode != MM_ISOTROPIC && FState.MapMode != MM_ANISOTROPIC)
        return TRUE;
    if (xDenom == 0 || yDenom == 0)
        return FALSE;
    const LONG x = LONG(std::int64_t(FState.ViewportExt.cx) * xNum / xDenom);
    const LONG y = LONG(std::int64_t(FState.ViewportExt.cy) * yNum / yDenom);
    if (x == 0 || y == 0)
        return FALSE;
    FState.ViewportExt = { x, y };
    AdjustIsotropic();
    FRealized.reset();
    return TRUE;
}

BOOL TDeviceContext::ScaleWindowExtEx(int xNum, int xDenom, int yNum, int yDenom, SIZE* old)
{
    if (old)
        *old = FState.WindowExt;
    if (FState.MapMode != MM_ISOTROPIC && FState.MapMode != MM_ANISOTROPIC)
        return TRUE;
    if (xDenom == 0 || yDenom == 0)
        return FALSE;
    const LONG x = LONG(std::int64_t(FState.WindowExt.cx) * xNum / xDenom);
    const LONG y = LONG(std::int64_t(FState.WindowExt.cy) * yNum / yDenom);
    if (x == 0 || y == 0)
        return FALSE;
    FState.WindowExt = { x, y };
    AdjustIsotropic();
    FRealized.reset();
    return TRUE;
}

BOOL TDeviceContext::GetWindowExtEx(SIZE* size) const
{
    if (size)
        *size = FState.WindowExt;
    return size != nullptr;
}

BOOL TDeviceContext::GetWindowOrgEx(POINT* point) const
{
    if (point)
        *point = FState.WindowOrg;
    return point != nullptr;
}

BOOL TDeviceContext::GetViewportExtEx(SIZE* size) const
{
    if (size)
        *size = FState.ViewportExt;
    return size != nullptr;
}

BOOL TDeviceContext::GetViewportOrgEx(POINT* point) const
{
    if (point)
        *point = FState.ViewportOrg;
    return point != nullptr;
}

int TDeviceContext::SetGraphicsMode(int mode)
{
    if (mode != GM_COMPATIBLE && mode != GM_ADVANCED)
        return 0;
    return std::exchange(FState.GraphicsMode, mode);
}

BOOL TDeviceContext::SetWorldTransform(const XFORM& transform)
{
    const QTransform t = TransformFromXform(transform);
    if (!Usable(t))
        return FALSE;
    FState.World = t;
    FRealized.reset();
    return TRUE;
}

BOOL TDeviceContext::ModifyWorldTransform(const XFORM& transform, DWORD mode)
{
    const QTransform t = TransformFromXform(transform);
    QTransform result;
    switch (mode) {
    case MWT_IDENTITY:
        break;
    case MWT_LEFTMULTIPLY:
        result = t * FState.World;
        break;
    case MWT_RIGHTMULTIPLY:
        result = FState.World * t;
        break;
    case MWT_SET:
        result = t;
        break;
    default:
        return FALSE;
    }
    if (!Usable(result))
        return FALSE;
    FState.World = result;
    FRealized.reset();
    return TRUE;
}

BOOL TDeviceContext::GetWorldTransform(XFORM* transform) const
{
    if (transform)
        *transform = XformFromTransform(FState.World);
    return transform != nullptr;
}

int TDeviceContext::SaveDC()
{
    if (FSaved.size() >= 4096)
        return 0;
    FSaved.push_back(FState);
    return int(FSaved.size());
}

BOOL TDeviceContext::RestoreDC(int savedLevel)
{
    const int levels = int(FSaved.size());
    const int target = savedLevel < 0 ? levels + savedLevel + 1 : savedLevel;
    if (target < 1 || target > levels)
        return FALSE;
    FState = FSaved[std::size_t(target - 1)];
    FSaved.resize(std::size_t(target - 1));
    FClipDirty = true;
    FRealized.reset();
    return TRUE;
}

// ---- objects ----

HGDIOBJ TDeviceContext::SelectObject(const HGDIOBJ& object)
{
    if (const auto* pen = std::get_if<TGdiPen>(&object))
        return SelectPen(*pen);
    if (const auto* brush = std::get_if<TGdiBrush>(&object))
        return SelectBrush(*brush);
    return SelectFont(std::get<TGdiFont>(object));
}

HPEN TDeviceContext::SelectPen(const HPEN& pen) { return std::exchange(FState.Pen, pen); }

HBRUSH TDeviceContext::SelectBrush(const HBRUSH& brush) { return std::exchange(FState.Brush, brush); }

HFONT TDeviceContext::SelectFont(const HFONT& font)
{
    FRealized.reset();
    return std::exchange(FState.Font, font);
}

COLORREF TDeviceContext::SetTextColor(COLORREF color) { return std::exchange(FState.TextColor, color); }

COLORREF TDeviceContext::SetBkColor(COLORREF color) { return std::exchange(FState.BkColor, color); }

int TDeviceContext::SetBkMode(int mode)
{
    if (mode != TRANSPARENT && mode != OPAQUE)
        return 0;
    return std::exchange(FState.BkMode, mode);
}

UINT TDeviceContext::SetTextAlign(UINT align) { return std::exchange(FState.TextAlign, align); }

int TDeviceContext::SetPolyFillMode(int mode)
{
    if (mode != ALTERNATE && mode != WINDING)
        return 0;
    return std::exchange(FState.PolyFillMode, mode);
}

int TDeviceContext::SetStretchBltMode(int mode)
{
    if (mode < 1 || mode > HALFTONE)
        return 0;
    return std::exchange(FState.StretchMode, mode);
}

int TDeviceContext::SetArcDirection(int direction)
{
    if (direction != AD_COUNTERCLOCKWISE && direction != AD_CLOCKWISE)
        return 0;
    return std::exchange(FState.ArcDirection, direction);
}

BOOL TDeviceContext::SetMiterLimit(float limit, float* old)
{
    if (old)
        *old = FState.MiterLimit;
    if (!(limit >= 1))
        return FALSE;
    FState.MiterLimit = limit;
    return TRUE;
}

double TDeviceContext::PenWidthOnPainter() const
{
    const QTransform t = FullTransform();
    return FState.Pen.Width * std::sqrt(std::abs(t.determinant()));
}

QPen TDeviceContext::QtPen() const
{
    const TGdiPen& gdi = FState.Pen;
    if (gdi.IsNull())
        return QPen(Qt::NoPen);
    QPen pen(ColorOf(gdi.Color));
    // Lines that come out a pixel wide are drawn as the platform's one-pixel lines.
    const bool cosmetic = gdi.IsCosmetic() || (!FVector && PenWidthOnPainter() < 1.5);
    const double width = cosmetic ? 0 : std::clamp(PenWidthOnPainter(), FVector ? 0.01 : 1.0, 1e6);
    pen.setWidthF(width);
    pen.setCosmetic(cosmetic);
    if (cosmetic) {
        // One-pixel lines leave out their last point, as the platform draws them.
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
    } else {
        switch (gdi.Style & PS_ENDCAP_MASK) {
        case PS_ENDCAP_SQUARE:
            pen.setCapStyle(Qt::SquareCap);
            break;
        case PS_ENDCAP_FLAT:
            pen.setCapStyle(Qt::FlatCap);
            break;
        default:
            pen.setCapStyle(Qt::RoundCap);
            break;
        }
        switch (gdi.Style & PS_JOIN_MASK) {
        case PS_JOIN_MITER:
            pen.setJoinStyle(Qt::MiterJoin);
            break;
        case PS_JOIN_BEVEL:
            pen.setJoinStyle(Qt::BevelJoin);
            break;
        default:
            pen.setJoinStyle(Qt::RoundJoin);
            break;
        }
        // The platform's limit is a ratio to the line's width, Qt's is from the join's centre.
        pen.setMiterLimit(FState.MiterLimit / 2);
    }
    // Dashes: cosmetic lengths are pixels, geometric ones multiples of the width.
    QList<qreal> dashes;
    switch (gdi.Style & PS_STYLE_MASK) {
    case PS_DASH:
        dashes = cosmetic ? QList<qreal> { 18, 6 } : QList<qreal> { 3, 1 };
        break;
    case PS_DOT:
        dashes = cosmetic ? QList<qreal> { 3, 3 } : QList<qreal> { 1, 1 };
        break;
    case PS_DASHDOT:
        dashes = cosmetic ? QList<qreal> { 9, 6, 3, 6 } : QList<qreal> { 3, 1, 1, 1 };
        break;
    case PS_DASHDOTDOT:
        dashes = cosmetic ? QList<qreal> { 9, 3, 3, 3, 3, 3 } : QList<qreal> { 3, 1, 1, 1, 1, 1 };
        break;
    case PS_ALTERNATE:
        dashes = { 1, 1 };
        break;
    case PS_USERSTYLE:
        for (DWORD entry : gdi.UserStyle)
            dashes << std::max<qreal>(cosmetic ? entry : entry * std::sqrt(std::abs(FullTransform().determinant())) / width, 0.01);
        if (dashes.size() % 2)
            dashes << dashes.last();
        break;
    default:
        break;
    }
    if (!dashes.isEmpty())
        pen.setDashPattern(dashes);
    return pen;
}

QBrush TDeviceContext::QtBrush(const HBRUSH& gdi) const
{
    switch (gdi.Style) {
    case BS_NULL:
        return QBrush(Qt::NoBrush);
    case BS_HATCHED: {
        static constexpr Qt::BrushStyle Hatches[] = { Qt::HorPattern, Qt::VerPattern, Qt::BDiagPattern, Qt::FDiagPattern,
            Qt::CrossPattern, Qt::DiagCrossPattern };
        return QBrush(ColorOf(gdi.Color), Hatches[std::clamp(gdi.Hatch, 0, 5)]);
    }
    case BS_PATTERN:
    case BS_DIBPATTERN:
    case BS_DIBPATTERNPT:
        if (!gdi.Pattern.isNull()) {
            QBrush brush(gdi.Pattern);
            brush.setTransform(FBase);
            return brush;
        }
        return QBrush(ColorOf(gdi.Color));
    default:
        return QBrush(ColorOf(gdi.Color));
    }
}

// ---- fonts ----

const TDeviceContext::TRealizedFont& TDeviceContext::Realized() const
{
    const QTransform t = FullTransform();
    const double scaleX = Length(t.m11(), t.m12());
    const double scaleY = Length(t.m21(), t.m22());
    if (FRealized && FRealized->Source == FState.Font && std::abs(FRealized->ScaleX - scaleX) < 1e-9
        && std::abs(FRealized->ScaleY - scaleY) < 1e-9)
        return *FRealized;
    auto realized = std::make_unique<TRealizedFont>();
    realized->Source = FState.Font;
    realized->ScaleX = scaleX > 0 ? scaleX : 1;
    realized->ScaleY = scaleY > 0 ? scaleY : 1;
    const LOGFONTW& log = FState.Font.LogFont;
    QFont font = BaseFont(log, FState.Font.FaceName());
    double em;
    if (log.lfHeight < 0) {
        em = -double(log.lfHeight) * realized->ScaleY;
    } else if (log.lfHeight > 0) {
        em = log.lfHeight * realized->ScaleY / CellPerEm(font);
    } else {
        // Height 0: the device's default, ten points.
        em = 10.0 * FCaps.DpiY / 72.0 * Length(FBase.m21(), FBase.m22());
    }
    const int pixels = int(std::clamp(std::nearbyint(em), 1.0, 16384.0));
    font.setPixelSize(pixels);
    if (log.lfWidth > 0) {
        const double natural = QFontMetricsF(font).averageCharWidth();
        if (natural > 0)
            font.setStretch(int(std::clamp(std::nearbyint(100.0 * log.lfWidth * realized->ScaleX / natural), 1.0, 4000.0)));
    }
    const QFontMetricsF metrics(font);
    realized->Font = font;
    realized->Ascent = std::ceil(metrics.ascent() - 1e-6);
    realized->Descent = std::ceil(metrics.descent() - 1e-6);
    TEXTMETRICW& tm = realized->Device;
    tm.tmAscent = LONG(realized->Ascent);
    tm.tmDescent = LONG(realized->Descent);
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    tm.tmInternalLeading = std::max<LONG>(0, tm.tmHeight - pixels);
    tm.tmExternalLeading = std::max<LONG>(0, LONG(std::nearbyint(metrics.leading())));
    tm.tmAveCharWidth = LONG(std::nearbyint(metrics.averageCharWidth()));
    tm.tmMaxCharWidth = LONG(std::nearbyint(metrics.maxWidth()));
    tm.tmWeight = log.lfWeight == FW_DONTCARE ? FW_NORMAL : log.lfWeight;
    tm.tmDigitizedAspectX = FCaps.DpiX;
    tm.tmDigitizedAspectY = FCaps.DpiY;
    tm.tmFirstChar = 0x20;
    tm.tmLastChar = 0xFFFC;
    tm.tmDefaultChar = 0x1F;
    tm.tmBreakChar = 0x20;
    tm.tmItalic = log.lfItalic ? 1 : 0;
    tm.tmUnderlined = log.lfUnderline ? 1 : 0;
    tm.tmStruckOut = log.lfStrikeOut ? 1 : 0;
    tm.tmPitchAndFamily = BYTE((log.lfPitchAndFamily & 0xF0) | TMPF_VECTOR | TMPF_TRUETYPE
        | (font.fixedPitch() ? 0 : TMPF_FIXED_PITCH));
    tm.tmCharSet = log.lfCharSet;
    FRealized = std::move(realized);
    return *FRealized;
}

QFont TDeviceContext::DeviceFont() const { return Realized().Font; }

BOOL TDeviceContext::GetTextMetrics(TEXTMETRICW* metrics) const
{
    if (!metrics)
        return FALSE;
    const TRealizedFont& font = Realized();
    *metrics = font.Device;
    auto vertical = [&](LONG v) { return LONG(std::nearbyint(v / font.ScaleY)); };
    auto horizontal = [&](LONG v) { return LONG(std::nearbyint(v / font.ScaleX)); };
    metrics->tmAscent = vertical(font.Device.tmAscent);
    metrics->tmDescent = vertical(font.Device.tmDescent);
    metrics->tmHeight = metrics->tmAscent + metrics->tmDescent;
    metrics->tmInternalLeading = vertical(font.Device.tmInternalLeading);
    metrics->tmExternalLeading = vertical(font.Device.tmExternalLeading);
    metrics->tmAveCharWidth = horizontal(font.Device.tmAveCharWidth);
    metrics->tmMaxCharWidth = horizontal(font.Device.tmMaxCharWidth);
    return TRUE;
}

BOOL TDeviceContext::GetTextExtentPoint32(QStringView text, SIZE* size) const
{
    if (!size)
        return FALSE;
    const TRealizedFont& font = Realized();
    const double width = QFontMetricsF(font.Font).horizontalAdvance(text.toString());
    size->cx = LONG(std::nearbyint(width / font.ScaleX));
    size->cy = LONG(std::nearbyint(font.Device.tmHeight / font.ScaleY));
    return TRUE;
}

// ---- shapes ----

void TDeviceContext::DrawShape(const QPainterPath& path, bool fill, bool stroke)
{
    if (FPathOpen) {
        FPath.addPath(path);
        return;
    }
    QPainter* painter = BeginDraw();
    if (!painter)
        return;
    QPainterPath shape = path;
    shape.setFillRule(FillRuleOf(FState.PolyFillMode));
    painter->setPen(stroke ? QtPen() : QPen(Qt::NoPen));
    painter->setBrush(fill ? QtBrush(FState.Brush) : QBrush(Qt::NoBrush));
    painter->drawPath(shape);
}

BOOL TDeviceContext::MoveToEx(int x, int y, POINT* old)
{
    if (old)
        *old = { LongFrom(FState.Position.x()), LongFrom(FState.Position.y()) };
    FState.Position = QPointF(x, y);
    if (FPathOpen)
        FPath.moveTo(DeviceFromLogical(x, y));
    return TRUE;
}

BOOL TDeviceContext::GetCurrentPositionEx(POINT* point) const
{
    if (point)
        *point = { LongFrom(FState.Position.x()), LongFrom(FState.Position.y()) };
    return point != nullptr;
}

BOOL TDeviceContext::LineTo(int x, int y)
{
    const QPointF from = DeviceFromLogical(FState.Position.x(), FState.Position.y());
    const QPointF to = DeviceFromLogical(x, y);
    FState.Position = QPointF(x, y);
    if (FPathOpen) {
        if (FPath.elementCount() == 0 || FPath.currentPosition() != from)
            FPath.moveTo(from);
        FPath.lineTo(to);
        return TRUE;
    }
    QPainter* painter = BeginDraw();
    if (!painter)
        return FALSE;
    painter->setPen(QtPen());
    painter->drawLine(from, to);
    return TRUE;
}

BOOL TDeviceContext::Polyline(const POINT* points, int count)
{
    if (!points || count < 2)
        return FALSE;
    QPainterPath path;
    path.moveTo(DeviceFromLogical(points[0].x, points[0].y));
    for (int i = 1; i < count; ++i)
        path.lineTo(DeviceFromLogical(points[i].x, points[i].y));
    if (FPathOpen) {
        FPath.addPath(path);
        return TRUE;
    }
    if (!CanDraw())
        return FALSE;
    DrawShape(path, false, true);
    return TRUE;
}

BOOL TDeviceContext::PolylineTo(const POINT* points, DWORD count)
{
    if (!points || count == 0)
        return FALSE;
    std::vector<POINT> all;
    all.reserve(count + 1);
    all.push_back({ LongFrom(FState.Position.x()), LongFrom(FState.Position.y()) });
    all.insert(all.end(), points, points + count);
    if (FPathOpen) {
        for (DWORD i = 0; i < count; ++i)
            LineTo(points[i].x, points[i].y);
        return TRUE;
    }
    FState.Position = QPointF(points[count - 1].x, points[count - 1].y);
    return Polyline(all.data(), int(all.size()));
}

BOOL TDeviceContext::PolyBezier(const POINT* points, DWORD count)
{
    if (!points || count < 4 || (count - 1) % 3 != 0)
        return FALSE;
    QPainterPath path;
    path.moveTo(DeviceFromLogical(points[0].x, points[0].y));
    for (DWORD i = 1; i + 2 < count; i += 3)
        path.cubicTo(DeviceFromLogical(points[i].x, points[i].y), DeviceFromLogical(points[i + 1].x, points[i + 1].y),
            DeviceFromLogical(points[i + 2].x, points[i + 2].y));
    if (FPathOpen) {
        FPath.addPath(path);
        return TRUE;
    }
    if (!CanDraw())
        return FALSE;
    DrawShape(path, false, true);
    return TRUE;
}

BOOL TDeviceContext::PolyBezierTo(const POINT* points, DWORD count)
{
    if (!points || count < 3 || count % 3 != 0)
        return FALSE;
    const QPointF from = DeviceFromLogical(FState.Position.x(), FState.Position.y());
    QPainterPath path;
    path.moveTo(from);
    for (DWORD i = 0; i + 2 < count; i += 3)
        path.cubicTo(DeviceFromLogical(points[i].x, points[i].y), DeviceFromLogical(points[i + 1].x, points[i + 1].y),
            DeviceFromLogical(points[i + 2].x, points[i + 2].y));
    FState.Position = QPointF(points[count - 1].x, points[count - 1].y);
    if (FPathOpen) {
        if (FPath.elementCount() == 0 || FPath.currentPosition() != from)
            FPath.moveTo(from);
        for (int i = 1; i + 2 < path.elementCount(); i += 3)
            FPath.cubicTo(path.elementAt(i), path.elementAt(i + 1), path.elementAt(i + 2));
        return TRUE;
    }
    if (!CanDraw())
        return FALSE;
    DrawShape(path, false, true);
    return TRUE;
}

BOOL TDeviceContext::PolyPolyline(const POINT* points, const DWORD* counts, DWORD polylines)
{
    if (!points || !counts)
        return FALSE;
    QPainterPath path;
    std::size_t index = 0;
    for (DWORD p = 0; p < polylines; ++p) {
        if (counts[p] < 2)
            return FALSE;
        path.moveTo(DeviceFromLogical(points[index].x, points[index].y));
        for (DWORD i = 1; i < counts[p]; ++i)
            path.lineTo(DeviceFromLogical(points[index + i].x, points[index + i].y));
        index += counts[p];
    }
    if (FPathOpen) {
        FPath.addPath(path);
        return TRUE;
    }
    if (!CanDraw())
        return FALSE;
    DrawShape(path, false, true);
    return TRUE;
}

BOOL TDeviceContext::Polygon(const POINT* points, int count)
{
    if (!points || count < 2)
        return FALSE;
    const INT counts[] = { count };
    return PolyPolygon(points, counts, 1);
}

BOOL TDeviceContext::PolyPolygon(const POINT* points, const INT* counts, int polygons)
{
    if (!points || !counts || polygons <= 0)
        return FALSE;
    QPainterPath path;
    std::size_t index = 0;
    for (int p = 0; p < polygons; ++p) {
        if (counts[p] < 2)
            return FALSE;
        QPolygonF polygon;
        for (int i = 0; i < counts[p]; ++i)
            polygon << DeviceFromLogical(points[index + std::size_t(i)].x, points[index + std::size_t(i)].y);
        path.addPolygon(Closed(polygon));
        path.closeSubpath();
        index += std::size_t(counts[p]);
    }
    if (!FPathOpen && !CanDraw())
        return FALSE;
    DrawShape(path, true, true);
    return TRUE;
}

BOOL TDeviceContext::Rectangle(int left, int top, int right, int bottom)
{
    QPainterPath path;
    if (FPathOpen) {
        // In a path the rectangle keeps its full extent, so a region made from it covers it exactly.
        path.addPolygon(Closed(QPolygonF { DeviceFromLogical(left, top), DeviceFromLogical(right, top),
            DeviceFromLogical(right, bottom), DeviceFromLogical(left, bottom) }));
        path.closeSubpath();
        FPath.addPath(path);
        return TRUE;
    }
    if (!CanDraw())
        return FALSE;
    if (AxisAligned()) {
        DrawBox(DeviceRect(left, top, right, bottom, true), false);
        return TRUE;
    }
    path.addPolygon(Closed(FullTransform().map(QPolygonF(QRectF(QPointF(left, top), QPointF(right, bottom))))));
    DrawShape(path, true, true);
    return TRUE;
}

void TDeviceContext::DrawBox(const QRectF& box, bool ellipse)
{
    QPainter* painter = BeginDraw();
    if (!painter)
        return;
    painter->setPen(QtPen());
    painter->setBrush(QtBrush(FState.Brush));
    if (ellipse)
        painter->drawEllipse(box);
    else
        painter->drawRect(box);
}

BOOL TDeviceContext::RoundRect(int left, int top, int right, int bottom, int width, int height)
{
    if (!FPathOpen && !CanDraw())
        return FALSE;
    const QRectF rect = DeviceRect(left, top, right, bottom, !FPathOpen);
    const QTransform t = FullTransform();
    QPainterPath path;
    path.addRoundedRect(rect, std::abs(width * t.m11()) / 2, std::abs(height * t.m22()) / 2);
    DrawShape(path, true, true);
    return TRUE;
}

BOOL TDeviceContext::Ellipse(int left, int top, int right, int bottom)
{
    if (!FPathOpen && !CanDraw())
        return FALSE;
    if (!FPathOpen && AxisAligned()) {
        DrawBox(DeviceRect(left, top, right, bottom, true), true);
        return TRUE;
    }
    QPainterPath path;
    path.addEllipse(DeviceRect(left, top, right, bottom, !FPathOpen));
    DrawShape(path, true, true);
    return TRUE;
}

QPainterPath TDeviceContext::LogicalArc(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd,
    int yEnd, int kind) const
{
    const QRectF box = DeviceRect(left, top, right, bottom, !FPathOpen);
    const QPointF centre = box.center();
    auto angleOf = [&](int x, int y) {
        const QPointF p = DeviceFromLogical(x, y);
        return std::atan2(-(p.y() - centre.y()) / std::max(box.height(), 1e-9), (p.x() - centre.x()) / std::max(box.width(), 1e-9))
            * 180 / std::numbers::pi;
    };
    const double start = angleOf(xStart, yStart);
    double sweep = angleOf(xEnd, yEnd) - start;
    if (FState.ArcDirection == AD_COUNTERCLOCKWISE) {
        while (sweep <= 0)
            sweep += 360;
    } else {
        while (sweep >= 0)
            sweep -= 360;
    }
    QPainterPath path;
    if (kind == 2) // pie
        path.moveTo(centre);
    else
        path.arcMoveTo(box, start);
    path.arcTo(box, start, sweep);
    if (kind != 0)
        path.closeSubpath();
    return path;
}

BOOL TDeviceContext::Arc(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd)
{
    if (!FPathOpen && !CanDraw())
        return FALSE;
    DrawShape(LogicalArc(left, top, right, bottom, xStart, yStart, xEnd, yEnd, 0), false, true);
    return TRUE;
}

BOOL TDeviceContext::ArcTo(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd)
{
    if (!FPathOpen && !CanDraw())
        return FALSE;
    const QPainterPath arc = LogicalArc(left, top, right, bottom, xStart, yStart, xEnd, yEnd, 0);
    if (arc.elementCount() == 0) // a degenerate box from a damaged file: nothing to draw
        return TRUE;
    QPainterPath path;
    path.moveTo(DeviceFromLogical(FState.Position.x(), FState.Position.y()));
    path.lineTo(arc.elementAt(0));
    path.connectPath(arc);
    DrawShape(path, false, true);
    bool invertible = false;
    const QPointF end = FullTransform().inverted(&invertible).map(arc.currentPosition());
    if (invertible)
        FState.Position = end;
    return TRUE;
}

BOOL TDeviceContext::Chord(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd)
{
    if (!FPathOpen && !CanDraw())
        return FALSE;
    DrawShape(LogicalArc(left, top, right, bottom, xStart, yStart, xEnd, yEnd, 1), true, true);
    return TRUE;
}

BOOL TDeviceContext::Pie(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd)
{
    if (!FPathOpen && !CanDraw())
        return FALSE;
    DrawShape(LogicalArc(left, top, right, bottom, xStart, yStart, xEnd, yEnd, 2), true, true);
    return TRUE;
}

int TDeviceContext::FillRect(const RECT& rect, const HBRUSH& brush)
{
    QPainter* painter = BeginDraw();
    if (!painter)
        return 0;
    painter->fillRect(DeviceRect(rect.left, rect.top, rect.right, rect.bottom, false), QtBrush(brush));
    return 1;
}

int TDeviceContext::FrameRect(const RECT& rect, const HBRUSH& brush)
{
    QPainter* painter = BeginDraw();
    if (!painter)
        return 0;
    const QRectF outer = DeviceRect(rect.left, rect.top, rect.right, rect.bottom, false);
    const QRectF inner = DeviceRect(rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1, false);
    QPainterPath frame;
    frame.addRect(outer);
    if (inner.width() > 0 && inner.height() > 0)
        frame.addRect(inner);
    frame.setFillRule(Qt::OddEvenFill);
    painter->fillPath(frame, QtBrush(brush));
    return 1;
}

COLORREF TDeviceContext::SetPixel(int x, int y, COLORREF color)
{
    QPainter* painter = BeginDraw();
    if (!painter)
        return COLORREF(-1);
    const QPointF p = DeviceFromLogical(x, y);
    painter->fillRect(QRectF(p, QSizeF(1, 1)), ColorOf(color));
    return color;
}

BOOL TDeviceContext::GradientFill(const TRIVERTEX* vertices, ULONG vertexCount, const void* mesh, ULONG meshCount, ULONG mode)
{
    if (!vertices || !mesh)
        return FALSE;
    QPainter* painter = BeginDraw();
    if (!painter)
        return FALSE;
    auto color = [](const TRIVERTEX& v) { return QColor(v.Red >> 8, v.Green >> 8, v.Blue >> 8, 255); };
    if (mode == GRADIENT_FILL_RECT_H || mode == GRADIENT_FILL_RECT_V) {
        const auto* rects = static_cast<const GRADIENT_RECT*>(mesh);
        for (ULONG i = 0; i < meshCount; ++i) {
            if (rects[i].UpperLeft >= vertexCount || rects[i].LowerRight >= vertexCount)
                return FALSE;
            const TRIVERTEX& a = vertices[rects[i].UpperLeft];
            const TRIVERTEX& b = vertices[rects[i].LowerRight];
            const QPointF pa = DeviceFromLogical(a.x, a.y);
            const QPointF pb = DeviceFromLogical(b.x, b.y);
            const QRectF area = QRectF(pa, pb).normalized();
            QLinearGradient gradient(pa, mode == GRADIENT_FILL_RECT_H ? QPointF(pb.x(), pa.y()) : QPointF(pa.x(), pb.y()));
            gradient.setColorAt(0, color(a));
            gradient.setColorAt(1, color(b));
            painter->fillRect(area, gradient);
        }
        return TRUE;
    }
    if (mode == GRADIENT_FILL_TRIANGLE) {
        // Triangles are filled with the mean of their corners' colours.
        const auto* triangles = static_cast<const GRADIENT_TRIANGLE*>(mesh);
        for (ULONG i = 0; i < meshCount; ++i) {
            const ULONG index[] = { triangles[i].Vertex1, triangles[i].Vertex2, triangles[i].Vertex3 };
            QPolygonF polygon;
            int r = 0, g = 0, b = 0;
            for (ULONG k : index) {
                if (k >= vertexCount)
                    return FALSE;
                polygon << DeviceFromLogical(vertices[k].x, vertices[k].y);
                r += vertices[k].Red >> 8;
                g += vertices[k].Green >> 8;
                b += vertices[k].Blue >> 8;
            }
            painter->setPen(Qt::NoPen);
            painter->setBrush(QColor(r / 3, g / 3, b / 3));
            painter->drawPolygon(polygon);
        }
        return TRUE;
    }
    return FALSE;
}

BOOL TDeviceContext::FillGradient(const RECT& rect, COLORREF from, COLORREF to, bool vertical)
{
    auto vertex = [](LONG x, LONG y, COLORREF c) {
        return TRIVERTEX { x, y, COLOR16(GetRValue(c) << 8), COLOR16(GetGValue(c) << 8), COLOR16(GetBValue(c) << 8), 0 };
    };
    const TRIVERTEX vertices[] = { vertex(rect.left, rect.top, from), vertex(rect.right, rect.bottom, to) };
    const GRADIENT_RECT mesh { 0, 1 };
    return GradientFill(vertices, 2, &mesh, 1, vertical ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H);
}

// ---- text ----

QTransform TDeviceContext::GlyphFrame(const QPointF& origin) const
{
    QTransform frame = QTransform::fromTranslate(origin.x(), origin.y());
    if (FState.GraphicsMode == GM_ADVANCED) {
        // Glyphs follow the world's rotation and mirroring, not its scale (the font has that).
        const QTransform t = FullTransform();
        const double sx = Length(t.m11(), t.m12()), sy = Length(t.m21(), t.m22());
        if (sx > 0 && sy > 0)
            frame = QTransform(t.m11() / sx, t.m12() / sx, t.m21() / sy, t.m22() / sy, 0, 0) * frame;
    }
    const LONG escapement = FState.Font.LogFont.lfEscapement;
    if (escapement % 3600 != 0)
        frame = QTransform().rotate(-escapement / 10.0) * frame;
    return frame;
}

void TDeviceContext::DrawTextRun(const QPointF& origin, const QTransform& glyphFrame, const TRealizedFont& font,
    QStringView text, const std::vector<double>* advances, int underlineIndex)
{
    if (FPathOpen) {
        QPainterPath outline;
        if (advances) {
            double x = 0;
            std::size_t i = 0;
            for (const auto& [start, length] : Clusters(text)) {
                outline.addText(QPointF(origin.x() + x, origin.y()), font.Font, text.mid(start, length).toString());
                for (int k = 0; k < length && i < advances->size(); ++k)
                    x += (*advances)[i++];
            }
        } else {
            outline.addText(origin, font.Font, text.toString());
        }
        FPath.addPath(glyphFrame.map(outline));
        return;
    }
    QPainter* painter = BeginDraw();
    if (!painter)
        return;
    painter->setWorldTransform(glyphFrame);
    painter->setFont(font.Font);
    painter->setPen(ColorOf(FState.TextColor));
    painter->setBackgroundMode(Qt::TransparentMode);
    const QFontMetricsF metrics(font.Font);
    double underlineX = -1, underlineWidth = 0;
    if (advances) {
        double x = 0;
        std::size_t i = 0;
        for (const auto& [start, length] : Clusters(text)) {
            const QString cluster = text.mid(start, length).toString();
            double advance = 0;
            for (int k = 0; k < length && i < advances->size(); ++k)
                advance += (*advances)[i++];
            painter->drawText(QPointF(origin.x() + x, origin.y()), cluster);
            if (underlineIndex >= start && underlineIndex < start + length) {
                underlineX = x;
                underlineWidth = advance;
            }
            x += advance;
        }
    } else {
        painter->drawText(origin, text.toString());
        if (underlineIndex >= 0 && underlineIndex < text.size()) {
            underlineX = metrics.horizontalAdvance(text.left(underlineIndex).toString());
            underlineWidth = metrics.horizontalAdvance(text.mid(underlineIndex, 1).toString());
        }
    }
    if (underlineX >= 0) {
        const double thickness = std::max(1.0, std::nearbyint(metrics.lineWidth()));
        painter->fillRect(QRectF(origin.x() + underlineX, origin.y() + std::nearbyint(metrics.underlinePos()), underlineWidth,
                              thickness),
            ColorOf(FState.TextColor));
    }
    painter->setWorldTransform(QTransform());
}

BOOL TDeviceContext::ExtTextOut(int x, int y, UINT options, const RECT* rect, QStringView text, const INT* dx)
{
    if (!FPathOpen && !CanDraw())
        return FALSE;
    const TRealizedFont& font = Realized();
    const bool updateCp = FState.TextAlign & TA_UPDATECP;
    const QPointF reference = updateCp ? DeviceFromLogical(FState.Position.x(), FState.Position.y()) : DeviceFromLogical(x, y);

    std::vector<double> advances;
    double width;
    if (dx) {
        advances.reserve(std::size_t(text.size()));
        width = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            advances.push_back(dx[i] * font.ScaleX);
            width += advances.back();
        }
    } else {
        width = QFontMetricsF(font.Font).horizontalAdvance(text.toString());
    }
    double left = 0;
    switch (FState.TextAlign & TA_CENTER) {
    case TA_RIGHT:
        left = -width;
        break;
    case TA_CENTER:
        left = -width / 2;
        break;
    }
    double baseline = 0;
    switch (FState.TextAlign & TA_BASELINE) {
    case TA_TOP:
        baseline = font.Ascent;
        break;
    case TA_BOTTOM:
        baseline = -font.Descent;
        break;
    }
    if (!FVector) {
        left = std::nearbyint(left);
    }
    const QTransform frame = GlyphFrame(reference);

    if (!FPathOpen) {
        QPainter* painter = BeginDraw();
        if (!painter)
            return FALSE;
        const bool clipped = rect && (options & ETO_CLIPPED);
        if (rect && (options & (ETO_OPAQUE | ETO_CLIPPED))) {
            const QRectF box = DeviceRect(rect->left, rect->top, rect->right, rect->bottom, false);
            if (options & ETO_OPAQUE)
                painter->fillRect(box, ColorOf(FState.BkColor));
            if (clipped) {
                painter->save();
                painter->setClipRect(box, painter->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
            }
        }
        if (FState.BkMode == OPAQUE && !text.isEmpty()) {
            painter->setWorldTransform(frame);
            painter->fillRect(QRectF(left, baseline - font.Ascent, width, font.Ascent + font.Descent), ColorOf(FState.BkColor));
            painter->setWorldTransform(QTransform());
        }
        DrawTextRun(QPointF(left, baseline), frame, font, text, dx ? &advances : nullptr, -1);
        if (clipped)
            painter->restore();
    } else {
        DrawTextRun(QPointF(left, baseline), frame, font, text, dx ? &advances : nullptr, -1);
    }

    if (updateCp) {
        const double logicalWidth = width / font.ScaleX;
        switch (FState.TextAlign & TA_CENTER) {
        case TA_LEFT:
            FState.Position.rx() += logicalWidth;
            break;
        case TA_RIGHT:
            FState.Position.rx() -= logicalWidth;
            break;
        }
    }
    return TRUE;
}

struct TDeviceContext::TLineLayout {
    QString Text;
    int Underline = -1; // index of the mnemonic character in Text
    double Width = 0;
};

int TDeviceContext::DrawText(QStringView text, RECT& rect, UINT format, QString* displayed)
{
    const TRealizedFont& font = Realized();
    const QFontMetricsF metrics(font.Font);
    const double tabWidth = 8.0 * std::max<LONG>(1, font.Device.tmAveCharWidth);

    // Mnemonic prefixes: "&x" underlines x, "&&" is a literal ampersand.
    QString plain;
    int mnemonic = -1;
    if (format & DT_NOPREFIX) {
        plain = text.toString();
    } else {
        plain.reserve(text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] == u'&' && i + 1 < text.size()) {
                ++i;
                if (text[i] != u'&' && mnemonic < 0 && !(format & DT_HIDEPREFIX))
                    mnemonic = int(plain.size());
            } else if (text[i] == u'&') {
                continue;
            }
            plain += text[i];
        }
    }

    auto measure = [&](QStringView s) {
        if (!(format & DT_EXPANDTABS) || !s.contains(u'\t'))
            return metrics.horizontalAdvance(s.toString());
        double x = 0;
        for (const auto& part : s.split(u'\t')) {
            if (part.data() != s.data()) // every part after the first starts at a tab stop
                x = (std::floor(x / tabWidth) + 1) * tabWidth;
            x += metrics.horizontalAdvance(part.toString());
        }
        return x;
    };

    const QRectF box = DeviceRect(rect.left, rect.top, rect.right, rect.bottom, false);
    const double available = box.width();

    // Lines, with the mnemonic's index carried along.
    std::vector<TLineLayout> lines;
    auto addLine = [&](qsizetype start, qsizetype end) {
        TLineLayout line;
        line.Text = plain.mid(start, end - start);
        if (mnemonic >= start && mnemonic < end)
            line.Underline = int(mnemonic - start);
        lines.push_back(line);
    };
    if (format & DT_SINGLELINE) {
        QString single;
        int underline = -1;
        for (qsizetype i = 0; i < plain.size(); ++i) {
            if (plain[i] == u'\r' || plain[i] == u'\n')
                continue;
            if (i == mnemonic)
                underline = int(single.size());
            single += plain[i];
        }
        lines.push_back({ single, underline, 0 });
    } else {
        qsizetype start = 0;
        for (qsizetype i = 0; i <= plain.size(); ++i) {
            if (i < plain.size() && plain[i] != u'\r' && plain[i] != u'\n')
                continue;
            const qsizetype end = i;
            if (format & DT_WORDBREAK) {
                // Greedy breaking at blanks; a word longer than the line stands alone.
                qsizetype lineStart = start;
                while (lineStart < end) {
                    qsizetype best = -1; // end of the longest run of whole words that fits
                    for (qsizetype j = lineStart + 1; j <= end; ++j) {
                        if (j != end && plain[j] != u' ')
                            continue;
                        if (measure(QStringView(plain).mid(lineStart, j - lineStart)) <= available + 1e-6) {
                            best = j;
                        } else {
                            if (best < 0)
                                best = j;
                            break;
                        }
                    }
                    if (best < 0)
                        best = end;
                    qsizetype lineEnd = best;
                    while (lineEnd > lineStart && plain[lineEnd - 1] == u' ')
                        --lineEnd;
                    addLine(lineStart, lineEnd);
                    lineStart = best;
                    while (lineStart < end && plain[lineStart] == u' ')
                        ++lineStart;
                }
                if (start == end)
                    addLine(start, end);
            } else {
                addLine(start, end);
            }
            if (i < plain.size() && plain[i] == u'\r' && i + 1 < plain.size() && plain[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
    }

    const QString ellipsis = QStringLiteral("...");
    for (TLineLayout& line : lines) {
        line.Width = measure(line.Text);
        if (line.Width <= available + 1e-6)
            continue;
        if (format & DT_PATH_ELLIPSIS) {
            // Keep the last path element and cut the folders before it.
            const qsizetype slash = std::max(line.Text.lastIndexOf(u'\\'), line.Text.lastIndexOf(u'/'));
            const QString tail = slash >= 0 ? line.Text.mid(slash) : line.Text;
            QString head = slash >= 0 ? line.Text.left(slash) : QString();
            while (!head.isEmpty() && measure(QString(head + ellipsis + tail)) > available)
                head.chop(1);
            QString result = head + ellipsis + tail;
            if (measure(result) > available) { // even the name does not fit: cut its end instead
                QString name = tail;
                while (!name.isEmpty() && measure(QString(ellipsis + name + ellipsis)) > available)
                    name.chop(1);
                result = head.isEmpty() && slash < 0 ? name + ellipsis : ellipsis + name + ellipsis;
            }
            if (line.Underline >= head.size())
                line.Underline = -1;
            line.Text = result;
        } else if (format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS)) {
            QString kept = line.Text;
            while (!kept.isEmpty() && measure(QString(kept + ellipsis)) > available)
                kept.chop(1);
            if (line.Underline >= kept.size())
                line.Underline = -1;
            line.Text = kept + ellipsis;
        }
        line.Width = measure(line.Text);
    }

    if (displayed) {
        QStringList shown;
        for (const TLineLayout& line : lines)
            shown << line.Text;
        *displayed = shown.join(QStringLiteral("\r\n"));
    }

    const double lineHeight = font.Device.tmHeight + ((format & DT_EXTERNALLEADING) ? font.Device.tmExternalLeading : 0);
    const double textHeight = lineHeight * double(lines.size());
    double top = box.top();
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            top = box.top() + std::floor((box.height() - lineHeight) / 2);
        else if (format & DT_BOTTOM)
            top = box.bottom() - lineHeight;
    }
    const double result = (format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM)) ? top - box.top() + lineHeight : textHeight;

    if (format & DT_CALCRECT) {
        double widest = 0;
        for (const TLineLayout& line : lines)
            widest = std::max(widest, line.Width);
        if (format & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS))
            widest = std::min(widest, available);
        rect.right = rect.left + LONG(std::ceil(widest / font.ScaleX - 1e-6));
        rect.bottom = rect.top + LONG(std::nearbyint(textHeight / font.ScaleY));
        return int(std::nearbyint(result / font.ScaleY));
    }

    if (!FPathOpen) {
        QPainter* painter = BeginDraw();
        if (!painter)
            return 0;
        const bool clip = !(format & DT_NOCLIP);
        if (clip) {
            painter->save();
            painter->setClipRect(box, painter->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
        }
        double y = top;
        for (const TLineLayout& line : lines) {
            double x = box.left();
            if (format & DT_CENTER)
                x = box.left() + std::floor((available - line.Width) / 2);
            else if (format & DT_RIGHT)
                x = box.right() - line.Width;
            if (!FVector)
                x = std::nearbyint(x);
            if (FState.BkMode == OPAQUE && !line.Text.isEmpty())
                painter->fillRect(QRectF(x, y, line.Width, lineHeight), ColorOf(FState.BkColor));
            const QPointF origin(0, font.Ascent);
            const QTransform frame = QTransform::fromTranslate(x, y);
            if ((format & DT_EXPANDTABS) && line.Text.contains(u'\t')) {
                double tx = 0;
                qsizetype offset = 0;
                for (const auto& part : QStringView(line.Text).split(u'\t')) {
                    if (offset > 0)
                        tx = (std::floor(tx / tabWidth) + 1) * tabWidth;
                    const int underline = line.Underline >= offset && line.Underline < offset + part.size() ? int(line.Underline - offset) : -1;
                    DrawTextRun(QPointF(tx, font.Ascent), frame, font, part, nullptr, underline);
                    tx += metrics.horizontalAdvance(part.toString());
                    offset += part.size() + 1;
                }
            } else {
                DrawTextRun(origin, frame, font, line.Text, nullptr, line.Underline);
            }
            y += lineHeight;
        }
        if (clip)
            painter->restore();
    }
    return int(std::nearbyint(result / font.ScaleY));
}

// ---- bitmaps ----

BOOL TDeviceContext::DrawImage(const RECT& rect, const QImage& image, const QRect& source, DWORD rop)
{
    QPainter* painter = BeginDraw();
    if (!painter)
        return FALSE;
    const QRectF target = DeviceRect(rect.left, rect.top, rect.right, rect.bottom, false);
    if (rop == BLACKNESS || rop == WHITENESS || rop == PATCOPY) {
        painter->fillRect(target, rop == BLACKNESS ? QBrush(Qt::black) : rop == WHITENESS ? QBrush(Qt::white) : QtBrush(FState.Brush));
        return TRUE;
    }
    if (image.isNull())
        return FALSE;
    const QRect from = source.isNull() ? image.rect() : source;
    const bool raster = painter->paintEngine() && painter->paintEngine()->type() == QPaintEngine::Raster;
    if (raster)
        painter->setCompositionMode(ModeOfRop(rop));
    painter->setRenderHint(QPainter::SmoothPixmapTransform, FState.StretchMode == HALFTONE);
    // Mirrored extents flip the picture, as on the platform.
    const QPointF a = DeviceFromLogical(rect.left, rect.top), b = DeviceFromLogical(rect.right, rect.bottom);
    if (a.x() > b.x() || a.y() > b.y()) {
        painter->setWorldTransform(QTransform(a.x() > b.x() ? -1 : 1, 0, 0, a.y() > b.y() ? -1 : 1, a.x() > b.x() ? target.left() + target.right() : 0,
            a.y() > b.y() ? target.top() + target.bottom() : 0));
    }
    painter->drawImage(target, image, from);
    painter->setWorldTransform(QTransform());
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    return TRUE;
}

BOOL TDeviceContext::DrawBitmap(const RECT& rect, const TBitmap& bitmap) { return DrawImage(rect, bitmap.ToImage()); }

BOOL TDeviceContext::StretchBlt(int x, int y, int width, int height, TDeviceContext* source, int xSource, int ySource,
    int sourceWidth, int sourceHeight, DWORD rop)
{
    const RECT target { x, y, x + width, y + height };
    if (!source || rop == BLACKNESS || rop == WHITENESS || rop == PATCOPY)
        return DrawImage(target, QImage(), QRect(), rop);
    const auto* image = dynamic_cast<const QImage*>(source->Device());
    if (!image)
        return FALSE;
    POINT corners[] = { { xSource, ySource }, { xSource + sourceWidth, ySource + sourceHeight } };
    source->LPtoDP(corners, 2);
    const QRect from = QRect(QPoint(corners[0].x, corners[0].y), QPoint(corners[1].x - 1, corners[1].y - 1)).normalized();
    return DrawImage(target, image->copy(from), QRect(), rop);
}

BOOL TDeviceContext::BitBlt(int x, int y, int width, int height, TDeviceContext* source, int xSource, int ySource, DWORD rop)
{
    return StretchBlt(x, y, width, height, source, xSource, ySource, width, height, rop);
}

int TDeviceContext::StretchDIBits(int x, int y, int width, int height, int xSource, int ySource, int sourceWidth,
    int sourceHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop)
{
    if (!info || !bits || usage != DIB_RGB_COLORS)
        return 0;
    const BITMAPINFOHEADER& header = info->bmiHeader;
    const std::size_t colors = header.biBitCount <= 8 ? (header.biClrUsed ? header.biClrUsed : 1u << header.biBitCount) : 0;
    const std::size_t infoSize = header.biSize + 4 * colors + (header.biCompression == BI_BITFIELDS ? 12 : 0);
    const qint64 rows = std::abs(qint64(header.biHeight));
    const std::size_t bitsSize = header.biSizeImage ? header.biSizeImage : std::size_t(DibStride(header.biWidth, header.biBitCount) * rows);
    const QImage image = ImageFromDib(reinterpret_cast<const char*>(info), infoSize, static_cast<const char*>(bits), bitsSize);
    if (image.isNull())
        return 0;
    // Source coordinates count rows from the bottom of the bitmap.
    const int top = header.biHeight > 0 ? int(rows) - ySource - sourceHeight : ySource;
    if (!DrawImage({ x, y, x + width, y + height }, image, QRect(xSource, top, sourceWidth, sourceHeight), rop))
        return 0;
    return sourceHeight;
}

// ---- paths and clipping ----

BOOL TDeviceContext::BeginPath()
{
    FPathOpen = true;
    FPath = QPainterPath();
    return TRUE;
}

BOOL TDeviceContext::EndPath()
{
    if (!FPathOpen)
        return FALSE;
    FPathOpen = false;
    return TRUE;
}

BOOL TDeviceContext::AbortPath()
{
    FPathOpen = false;
    FPath = QPainterPath();
    return TRUE;
}

BOOL TDeviceContext::CloseFigure()
{
    if (!FPathOpen)
        return FALSE;
    FPath.closeSubpath();
    return TRUE;
}

BOOL TDeviceContext::FillPath()
{
    if (FPathOpen || !CanDraw())
        return FALSE;
    const QPainterPath path = std::exchange(FPath, QPainterPath());
    DrawShape(path, true, false);
    return TRUE;
}

BOOL TDeviceContext::StrokePath()
{
    if (FPathOpen || !CanDraw())
        return FALSE;
    const QPainterPath path = std::exchange(FPath, QPainterPath());
    DrawShape(path, false, true);
    return TRUE;
}

BOOL TDeviceContext::StrokeAndFillPath()
{
    if (FPathOpen || !CanDraw())
        return FALSE;
    const QPainterPath path = std::exchange(FPath, QPainterPath());
    DrawShape(path, true, true);
    return TRUE;
}

QRegion TDeviceContext::PathToRegion()
{
    if (FPathOpen)
        return QRegion();
    bool invertible = false;
    const QTransform toDevice = FBase.inverted(&invertible);
    QPainterPath path = std::exchange(FPath, QPainterPath());
    if (!invertible || path.isEmpty())
        return QRegion();
    path = toDevice.map(path);
    return QRegion(path.toFillPolygon().toPolygon(), FillRuleOf(FState.PolyFillMode));
}

QRegion TDeviceContext::DeviceBounds() const
{
    if (!FCaps.Pixels.isEmpty() && !FExternal)
        return QRegion(QRect(QPoint(0, 0), FCaps.Pixels));
    return QRegion(QRect(int(-Huge), int(-Huge), int(2 * Huge), int(2 * Huge)));
}

int TDeviceContext::RegionKind() const
{
    if (!FState.Clip)
        return SIMPLEREGION;
    if (FState.Clip->isEmpty())
        return NULLREGION;
    return FState.Clip->rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

int TDeviceContext::CombineClip(const QRegion& region, int mode)
{
    const QRegion current = FState.Clip ? *FState.Clip : DeviceBounds();
    switch (mode) {
    case RGN_AND:
        FState.Clip = FState.Clip ? current.intersected(region) : region;
        break;
    case RGN_OR:
        FState.Clip = current.united(region);
        break;
    case RGN_XOR:
        FState.Clip = current.xored(region);
        break;
    case RGN_DIFF:
        FState.Clip = current.subtracted(region);
        break;
    case RGN_COPY:
        FState.Clip = region;
        break;
    default:
        return RGN_ERROR;
    }
    FClipDirty = true;
    return RegionKind();
}

BOOL TDeviceContext::SelectClipPath(int mode)
{
    if (FPathOpen)
        return FALSE;
    const QRegion region = PathToRegion();
    return CombineClip(region, mode) != RGN_ERROR;
}

int TDeviceContext::SelectClipRgn(const QRegion* region) { return ExtSelectClipRgn(region, RGN_COPY); }

int TDeviceContext::ExtSelectClipRgn(const QRegion* region, int mode)
{
    if (!region) {
        if (mode != RGN_COPY)
            return RGN_ERROR;
        FState.Clip.reset();
        FClipDirty = true;
        return SIMPLEREGION;
    }
    return CombineClip(*region, mode);
}

int TDeviceContext::IntersectClipRect(int left, int top, int right, int bottom)
{
    const QRectF box = QRectF(LogicalToDevice().map(QPointF(left, top)), LogicalToDevice().map(QPointF(right, bottom))).normalized();
    return CombineClip(QRegion(ClipRectFrom(box)), RGN_AND);
}

int TDeviceContext::ExcludeClipRect(int left, int top, int right, int bottom)
{
    const QRectF box = QRectF(LogicalToDevice().map(QPointF(left, top)), LogicalToDevice().map(QPointF(right, bottom))).normalized();
    return CombineClip(QRegion(ClipRectFrom(box)), RGN_DIFF);
}

int TDeviceContext::OffsetClipRgn(int dx, int dy)
{
    if (!FState.Clip)
        return SIMPLEREGION;
    const QTransform t = LogicalToDevice();
    FState.Clip->translate(int(std::clamp(std::nearbyint(dx * t.m11()), -Huge, Huge)), int(std::clamp(std::nearbyint(dy * t.m22()), -Huge, Huge)));
    FClipDirty = true;
    return RegionKind();
}

int TDeviceContext::GetClipBox(RECT* rect) const
{
    if (!rect)
        return RGN_ERROR;
    const QRect bounds = FState.Clip ? FState.Clip->boundingRect() : DeviceBounds().boundingRect();
    POINT corners[] = { { bounds.left(), bounds.top() }, { LongFrom(bounds.right() + 1.0), LongFrom(bounds.bottom() + 1.0) } };
    DPtoLP(corners, 2);
    *rect = { std::min(corners[0].x, corners[1].x), std::min(corners[0].y, corners[1].y), std::max(corners[0].x, corners[1].x),
        std::max(corners[0].y, corners[1].y) };
    return RegionKind();
}
