#pragma once
// DeviceContext.h: the platform's device context over a QPainter. Logical units pass through the
// world transform and the mapping mode to the context's device units; text, pens and regions follow
// the platform's rules (fonts realised at the device's resolution, right and bottom edges of
// rectangles excluded, regions in device units).
#include "GdiDefs.h"
#include "GdiObjects.h"

#include <QFont>
#include <QPainterPath>
#include <QPoint>
#include <QRegion>
#include <QSize>
#include <QStringView>
#include <QTransform>

#include <memory>
#include <optional>
#include <vector>

class QImage;
class QPaintDevice;
class QPainter;
class TBitmap;

/// What GetDeviceCaps answers. Sizes are device pixels; empty physical sizes and millimetres are
/// derived from the printable size and the resolution.
struct TDeviceCaps {
    int DpiX = 96;
    int DpiY = 96;
    QSize Pixels; // HORZRES, VERTRES: the printable area
    QSize Physical; // PHYSICALWIDTH, PHYSICALHEIGHT: the whole sheet
    QPoint PhysicalOffset; // PHYSICALOFFSETX, PHYSICALOFFSETY: printable area within the sheet
    QSize Millimetres; // HORZSIZE, VERTSIZE
    int BitsPixel = 32;
    int Technology = DT_RASDISPLAY;
};

class TDeviceContext {
public:
    /// Draws on the device; the painter opens with the first drawing call. A TEnhMetafileRecorder
    /// answers for its reference device.
    explicit TDeviceContext(QPaintDevice* device);
    /// Draws with a painter that is already active (a widget's paint event, a picture being drawn).
    /// Device units are the painter's current coordinates; its state is restored on destruction.
    explicit TDeviceContext(QPainter& painter);
    /// As above, with device units mapped onto the painter by deviceToPainter and the given
    /// capabilities (a metafile's reference device while it plays).
    TDeviceContext(QPainter& painter, const QTransform& deviceToPainter, const TDeviceCaps& caps);
    /// An information context: capabilities and measuring only, drawing calls fail.
    explicit TDeviceContext(const TDeviceCaps& caps);
    static TDeviceContext InformationContext(int dpiX, int dpiY, QSize pixels);
    ~TDeviceContext();
    TDeviceContext(TDeviceContext&&) noexcept;
    TDeviceContext& operator=(TDeviceContext&&) noexcept;
    TDeviceContext(const TDeviceContext&) = delete;
    TDeviceContext& operator=(const TDeviceContext&) = delete;

    QPaintDevice* Device() const { return FDevice; }
    /// The painter with the logical-to-device transform, the clip region and the selected pen,
    /// brush and font applied; null for an information context. Changes made through it last until
    /// the next call of this context.
    QPainter* Painter();
    /// Ends a painter this context opened, so the device can be read or painted elsewhere; the next
    /// drawing call opens it again with the same state. On a printer this ends the job.
    void EndPaint();
    bool IsInformationContext() const { return !FDevice && !FExternal; }
    /// True when drawing goes into a metafile recorder.
    bool IsMetafile() const { return FMetafile; }

    int GetDeviceCaps(int index) const;
    const TDeviceCaps& Caps() const { return FCaps; }
    /// Printers tell their sheet: its size and where the printable area starts, in device pixels.
    void SetPhysicalPage(QSize physical, QPoint offset);

    // Coordinate spaces.
    QTransform LogicalToDevice() const;
    BOOL LPtoDP(POINT* points, int count) const;
    BOOL DPtoLP(POINT* points, int count) const;
    int SetMapMode(int mode);
    int GetMapMode() const { return FState.MapMode; }
    BOOL SetWindowExtEx(int x, int y, SIZE* old = nullptr);
    BOOL SetWindowOrgEx(int x, int y, POINT* old = nullptr);
    BOOL SetViewportExtEx(int x, int y, SIZE* old = nullptr);
    BOOL SetViewportOrgEx(int x, int y, POINT* old = nullptr);
    BOOL OffsetWindowOrgEx(int dx, int dy, POINT* old = nullptr);
    BOOL OffsetViewportOrgEx(int dx, int dy, POINT* old = nullptr);
    /// New extent = old extent * num / denom, truncated; only in the isotropic and anisotropic modes.
    BOOL ScaleViewportExtEx(int xNum, int xDenom, int yNum, int yDenom, SIZE* old = nullptr);
    BOOL ScaleWindowExtEx(int xNum, int xDenom, int yNum, int yDenom, SIZE* old = nullptr);
    BOOL GetWindowExtEx(SIZE* size) const;
    BOOL GetWindowOrgEx(POINT* point) const;
    BOOL GetViewportExtEx(SIZE* size) const;
    BOOL GetViewportOrgEx(POINT* point) const;
    int SetGraphicsMode(int mode);
    int GetGraphicsMode() const { return FState.GraphicsMode; }
    BOOL SetWorldTransform(const XFORM& transform);
    BOOL ModifyWorldTransform(const XFORM& transform, DWORD mode);
    BOOL GetWorldTransform(XFORM* transform) const;
    /// Returns the new level, or 0.
    int SaveDC();
    /// A negative level counts back from the last save.
    BOOL RestoreDC(int savedLevel);

    // Objects and attributes.
    HGDIOBJ SelectObject(const HGDIOBJ& object);
    HPEN SelectPen(const HPEN& pen);
    HBRUSH SelectBrush(const HBRUSH& brush);
    HFONT SelectFont(const HFONT& font);
    const HPEN& CurrentPen() const { return FState.Pen; }
    const HBRUSH& CurrentBrush() const { return FState.Brush; }
    const HFONT& CurrentFont() const { return FState.Font; }
    COLORREF SetTextColor(COLORREF color);
    COLORREF GetTextColor() const { return FState.TextColor; }
    COLORREF SetBkColor(COLORREF color);
    COLORREF GetBkColor() const { return FState.BkColor; }
    int SetBkMode(int mode);
    int GetBkMode() const { return FState.BkMode; }
    UINT SetTextAlign(UINT align);
    UINT GetTextAlign() const { return FState.TextAlign; }
    int SetPolyFillMode(int mode);
    int GetPolyFillMode() const { return FState.PolyFillMode; }
    int SetStretchBltMode(int mode);
    int SetArcDirection(int direction);
    BOOL SetMiterLimit(float limit, float* old = nullptr);
    /// The selected font as Qt realises it at this device's resolution (pixel size in device pixels).
    QFont DeviceFont() const;

    // Lines and shapes.
    BOOL MoveToEx(int x, int y, POINT* old = nullptr);
    BOOL GetCurrentPositionEx(POINT* point) const;
    BOOL LineTo(int x, int y);
    BOOL Polyline(const POINT* points, int count);
    BOOL PolylineTo(const POINT* points, DWORD count);
    BOOL PolyBezier(const POINT* points, DWORD count);
    BOOL PolyBezierTo(const POINT* points, DWORD count);
    BOOL PolyPolyline(const POINT* points, const DWORD* counts, DWORD polylines);
    BOOL Polygon(const POINT* points, int count);
    BOOL PolyPolygon(const POINT* points, const INT* counts, int polygons);
    BOOL Rectangle(int left, int top, int right, int bottom);
    BOOL RoundRect(int left, int top, int right, int bottom, int width, int height);
    BOOL Ellipse(int left, int top, int right, int bottom);
    BOOL Arc(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd);
    BOOL ArcTo(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd);
    BOOL Chord(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd);
    BOOL Pie(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd);
    int FillRect(const RECT& rect, const HBRUSH& brush);
    /// The frame is one logical unit wide.
    int FrameRect(const RECT& rect, const HBRUSH& brush);
    COLORREF SetPixel(int x, int y, COLORREF color);
    /// Rectangles (GRADIENT_RECT) or triangles (GRADIENT_TRIANGLE) between coloured vertices.
    BOOL GradientFill(const TRIVERTEX* vertices, ULONG vertexCount, const void* mesh, ULONG meshCount, ULONG mode);
    /// Two-colour gradient over a rectangle, top to bottom or left to right.
    BOOL FillGradient(const RECT& rect, COLORREF from, COLORREF to, bool vertical);

    // Text.
    /// Advances (dx) are logical units, one per UTF-16 unit; without them the font's own advances apply.
    BOOL ExtTextOut(int x, int y, UINT options, const RECT* rect, QStringView text, const INT* dx = nullptr);
    BOOL TextOut(int x, int y, QStringView text) { return ExtTextOut(x, y, 0, nullptr, text); }
    /// Returns the height of the text in logical units; with DT_CALCRECT the rectangle is set to the
    /// text's extent and nothing is drawn. DT_VCENTER and DT_BOTTOM apply to single lines only.
    /// displayed receives the lines as shown (prefixes resolved, ellipses made), joined by CR LF.
    int DrawText(QStringView text, RECT& rect, UINT format, QString* displayed = nullptr);
    BOOL GetTextExtentPoint32(QStringView text, SIZE* size) const;
    BOOL GetTextMetrics(TEXTMETRICW* metrics) const;

    // Bitmaps.
    BOOL BitBlt(int x, int y, int width, int height, TDeviceContext* source, int xSource, int ySource, DWORD rop);
    BOOL StretchBlt(int x, int y, int width, int height, TDeviceContext* source, int xSource, int ySource,
        int sourceWidth, int sourceHeight, DWORD rop);
    /// Bits as the header describes them; the caller vouches that they are all there, as on the platform.
    int StretchDIBits(int x, int y, int width, int height, int xSource, int ySource, int sourceWidth,
        int sourceHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);
    /// The image (or its source rectangle) stretched over the logical rectangle.
    BOOL DrawImage(const RECT& rect, const QImage& image, const QRect& source = QRect(), DWORD rop = SRCCOPY);
    BOOL DrawBitmap(const RECT& rect, const TBitmap& bitmap);

    // Paths and clipping. Paths and regions are kept in device units.
    BOOL BeginPath();
    BOOL EndPath();
    BOOL AbortPath();
    BOOL CloseFigure();
    BOOL FillPath();
    BOOL StrokePath();
    BOOL StrokeAndFillPath();
    BOOL FlattenPath() { return TRUE; }
    /// The closed path as a region (the path is used up); an empty region without a closed path.
    QRegion PathToRegion();
    const QPainterPath& CurrentPath() const { return FPath; }
    BOOL SelectClipPath(int mode);
    /// A null region removes the clipping.
    int SelectClipRgn(const QRegion* region);
    int SelectClipRgn(const QRegion& region) { return SelectClipRgn(&region); }
    int ExtSelectClipRgn(const QRegion* region, int mode);
    int IntersectClipRect(int left, int top, int right, int bottom);
    int ExcludeClipRect(int left, int top, int right, int bottom);
    int OffsetClipRgn(int dx, int dy);
    /// The clip region's bounds in logical units; without clipping, the device's.
    int GetClipBox(RECT* rect) const;
    std::optional<QRegion> ClipRegion() const { return FState.Clip; }

private:
    struct TState {
        int MapMode = MM_TEXT;
        SIZE WindowExt { 1, 1 };
        SIZE ViewportExt { 1, 1 };
        POINT WindowOrg;
        POINT ViewportOrg;
        int GraphicsMode = GM_COMPATIBLE;
        QTransform World;
        HPEN Pen;
        HBRUSH Brush;
        HFONT Font;
        COLORREF TextColor = 0;
        COLORREF BkColor = 0xFFFFFF;
        int BkMode = OPAQUE;
        UINT TextAlign = TA_LEFT | TA_TOP;
        int PolyFillMode = ALTERNATE;
        int StretchMode = BLACKONWHITE;
        int ArcDirection = AD_COUNTERCLOCKWISE;
        float MiterLimit = 10;
        QPointF Position; // logical
        std::optional<QRegion> Clip; // device units
    };
    struct TRealizedFont;
    struct TLineLayout;

    void InitDefaults();
    void CapsFromDevice();
    QPainter* BeginDraw();
    bool CanDraw() const;
    QTransform PageTransform() const;
    QTransform FullTransform() const; // logical -> painter
    QPointF DeviceFromLogical(double x, double y) const; // painter coordinates, rounded on raster devices
    QRectF DeviceRect(int left, int top, int right, int bottom, bool excludeEdges) const;
    bool AxisAligned() const;
    double PenWidthOnPainter() const;
    QPen QtPen() const;
    QBrush QtBrush(const HBRUSH& brush) const;
    void DrawShape(const QPainterPath& painterPath, bool fill, bool stroke);
    void DrawBox(const QRectF& box, bool ellipse);
    void AddToPath(const QPainterPath& logicalPath, bool connect);
    QPainterPath LogicalArc(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd,
        int kind) const;
    void AdjustIsotropic();
    int CombineClip(const QRegion& region, int mode);
    int RegionKind() const;
    QRegion DeviceBounds() const;
    const TRealizedFont& Realized() const;
    void DrawTextRun(const QPointF& origin, const QTransform& glyphFrame, const TRealizedFont& font, QStringView text,
        const std::vector<double>* advances, int underlineIndex);
    QTransform GlyphFrame(const QPointF& origin) const;

    QPaintDevice* FDevice = nullptr;
    std::unique_ptr<QPainter> FOwnPainter;
    QPainter* FExternal = nullptr;
    QTransform FBase; // device units -> painter coordinates
    std::optional<QPainterPath> FBaseClip; // painter device coordinates
    bool FMetafile = false;
    bool FVector = false; // no rounding to device pixels
    bool FClipDirty = true;
    TDeviceCaps FCaps;
    TState FState;
    std::vector<TState> FSaved;
    bool FPathOpen = false;
    QPainterPath FPath; // device units
    mutable std::unique_ptr<TRealizedFont> FRealized;
};
