#include "EnhMetafileRecorder.h"

#include "DibImage.h"
#include "EmfWriter.h"
#include "GdiColors.h"
#include "GdiFontDefs.h"
#include "Units.h"

#include <uemf.h>

#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPixmap>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <numbers>
#include <optional>

namespace {

// Coordinates are written in sixteenths of a reference pixel (a window extent of 16 on a viewport
// of 1), so drawing keeps its precision on coarse reference devices such as the screen.
constexpr double Sub = 16;

std::int32_t Fixed(double deviceValue)
{
    const double v = std::nearbyint(deviceValue * Sub);
    return std::int32_t(std::clamp(v, double(std::numeric_limits<std::int32_t>::min() / 2), double(std::numeric_limits<std::int32_t>::max() / 2)));
}

U_POINTL PointL(const QPointF& p) { return { Fixed(p.x()), Fixed(p.y()) }; }

U_RECTL BoundsL(const QRectF& r)
{
    // Record bounds are device pixels, right and bottom included.
    return { std::int32_t(std::floor(r.left())), std::int32_t(std::floor(r.top())), std::int32_t(std::ceil(r.right())),
        std::int32_t(std::ceil(r.bottom())) };
}

bool Fits16(const std::vector<U_POINTL>& points)
{
    return std::all_of(points.begin(), points.end(), [](const U_POINTL& p) { return p.x >= -32768 && p.x <= 32767 && p.y >= -32768 && p.y <= 32767; });
}

std::vector<U_POINT16> Points16(const std::vector<U_POINTL>& points)
{
    std::vector<U_POINT16> result;
    result.reserve(points.size());
    for (const U_POINTL& p : points)
        result.push_back({ std::int16_t(p.x), std::int16_t(p.y) });
    return result;
}

U_COLORREF ColorL(const QColor& color)
{
    const QColor c = color.toRgb();
    return U_RGB(std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue()));
}

U_XFORM XformL(const QTransform& t)
{
    return { float(t.m11()), float(t.m12()), float(t.m21()), float(t.m22()), float(t.dx()), float(t.dy()) };
}

bool AxisAligned(const QTransform& t) { return std::abs(t.m12()) < 1e-9 && std::abs(t.m21()) < 1e-9; }

QByteArray ResetClipRecord()
{
    QByteArray record(16, '\0');
    const std::uint32_t fields[] = { U_EMR_EXTSELECTCLIPRGN, 16, 0, U_RGN_COPY };
    std::memcpy(record.data(), fields, sizeof fields);
    return record;
}

struct TPenKey {
    std::uint32_t style = 0;
    std::uint32_t width = 0;
    U_COLORREF color {};
    std::vector<std::uint32_t> dashes;
    bool operator==(const TPenKey& o) const
    {
        return style == o.style && width == o.width && std::memcmp(&color, &o.color, sizeof color) == 0 && dashes == o.dashes;
    }
};

struct TBrushKey {
    std::uint32_t style = 0;
    U_COLORREF color {};
    std::uint32_t hatch = 0;
    bool operator==(const TBrushKey& o) const
    {
        return style == o.style && hatch == o.hatch && std::memcmp(&color, &o.color, sizeof color) == 0;
    }
};

// Characters waiting to be written as one text record: consecutive items on one baseline.
struct TPendingText {
    U_LOGFONT font {};
    U_COLORREF color {};
    QPointF origin; // device pixels
    double y = 0;
    std::vector<double> positions; // device x of each UTF-16 unit
    QString text;
    double end = 0; // device x after the last character
    double ascent = 0;
    double descent = 0;
};

// Text still being gathered into one record, and whether it runs at an angle.
struct TText : TPendingText {
    bool rotated = false;
};

} // namespace

class TEmfPaintEngine : public QPaintEngine {
public:
    explicit TEmfPaintEngine(TEnhMetafileRecorder& recorder)
        : QPaintEngine(PrimitiveTransform | PixmapTransform | PainterPaths | PatternBrush | Antialiasing)
        , FRecorder(recorder)
    {
    }

    bool begin(QPaintDevice*) override
    {
        if (FFinished)
            return false;
        if (!FStarted) {
            FStarted = true;
            FWriter.Append(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
            FWriter.Append(U_EMRSETWINDOWEXTEX_set(U_SIZEL { std::int32_t(Sub), std::int32_t(Sub) }));
            FWriter.Append(U_EMRSETVIEWPORTEXTEX_set(U_SIZEL { 1, 1 }));
            FWriter.Append(U_EMRSETBKMODE_set(U_TRANSPARENT));
            FWriter.Append(U_EMRSETTEXTALIGN_set(U_TA_BASELINE | U_TA_LEFT | U_TA_NOUPDATECP));
            FWriter.Append(U_EMRSETSTRETCHBLTMODE_set(U_STRETCH_HALFTONE));
        }
        // Each painter starts from the recorder's defaults: no clipping.
        if (FClipped) {
            FWriter.AppendBytes(ResetClipRecord());
            FClipped = false;
            FClipBounds.reset();
        }
        return true;
    }

    bool end() override
    {
        FlushText();
        return true;
    }

    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& state) override
    {
        const DirtyFlags flags = state.state();
        if (flags & DirtyPen)
            FPen = state.pen();
        if (flags & DirtyBrush)
            FBrush = state.brush();
        if (flags & DirtyTransform)
            FTransform = state.transform();
        if (flags & DirtyFont)
            FFont = state.font();
        if (flags & DirtyBackgroundMode)
            FBackgroundMode = state.backgroundMode();
        if (flags & DirtyBackground)
            FBackground = state.backgroundBrush();
        if (flags & (DirtyClipPath | DirtyClipRegion | DirtyClipEnabled)) {
            FlushText();
            UpdateClip(state, flags);
        }
    }

    void drawPath(const QPainterPath& path) override
    {
        FlushText();
        const QPainterPath device = FTransform.map(path);
        if (device.isEmpty())
            return;
        const bool fill = FBrush.style() != Qt::NoBrush;
        const bool stroke = FPen.style() != Qt::NoPen;
        if (!fill && !stroke)
            return;
        SelectPen(stroke);
        SelectBrush(fill);
        SetFillMode(path.fillRule() == Qt::WindingFill ? U_WINDING : U_ALTERNATE);
        WritePath(device);
        const QRectF bounds = Grow(device.boundingRect());
        AddBounds(bounds);
        if (fill && stroke)
            FWriter.Append(U_EMRSTROKEANDFILLPATH_set(BoundsL(bounds)));
        else if (fill)
            FWriter.Append(U_EMRFILLPATH_set(BoundsL(bounds)));
        else
            FWriter.Append(U_EMRSTROKEPATH_set(BoundsL(bounds)));
    }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override
    {
        FlushText();
        if (count < 2)
            return;
        std::vector<U_POINTL> device;
        device.reserve(std::size_t(count));
        QPolygonF polygon;
        for (int i = 0; i < count; ++i) {
            const QPointF p = FTransform.map(points[i]);
            polygon << p;
            device.push_back(PointL(p));
        }
        const bool polyline = mode == PolylineMode;
        const bool fill = !polyline && FBrush.style() != Qt::NoBrush;
        const bool stroke = FPen.style() != Qt::NoPen;
        if (!fill && !stroke)
            return;
        SelectPen(stroke);
        SelectBrush(fill);
        if (!polyline)
            SetFillMode(mode == WindingMode ? U_WINDING : U_ALTERNATE);
        const QRectF bounds = Grow(polygon.boundingRect());
        AddBounds(bounds);
        const U_RECTL rcl = BoundsL(bounds);
        if (Fits16(device)) {
            const std::vector<U_POINT16> small = Points16(device);
            FWriter.Append(polyline ? U_EMRPOLYLINE16_set(rcl, std::uint32_t(count), small.data())
                                    : U_EMRPOLYGON16_set(rcl, std::uint32_t(count), small.data()));
        } else {
            FWriter.Append(polyline ? U_EMRPOLYLINE_set(rcl, std::uint32_t(count), device.data())
                                    : U_EMRPOLYGON_set(rcl, std::uint32_t(count), device.data()));
        }
    }

    void drawRects(const QRectF* rects, int count) override
    {
        if (!AxisAligned(FTransform)) {
            QPaintEngine::drawRects(rects, count);
            return;
        }
        FlushText();
        const bool fill = FBrush.style() != Qt::NoBrush;
        const bool stroke = FPen.style() != Qt::NoPen;
        if (!fill && !stroke)
            return;
        SelectPen(stroke);
        SelectBrush(fill);
        for (int i = 0; i < count; ++i) {
            const QRectF r = FTransform.mapRect(rects[i]).normalized();
            AddBounds(Grow(r));
            if (!stroke) {
                // A plain fill covers exactly its rectangle at any scale, as the platform's
                // pattern blit does; a rectangle without a pen would lose a pixel row.
                const U_POINTL corner = PointL(r.topLeft());
                FWriter.Append(U_EMRBITBLT_set(BoundsL(r), corner, U_POINTL { Fixed(r.right()) - corner.x, Fixed(r.bottom()) - corner.y },
                    U_POINTL { 0, 0 }, XformL(QTransform()), U_RGB(255, 255, 255), U_DIB_RGB_COLORS, U_PATCOPY, nullptr, 0, nullptr));
                continue;
            }
            // Qt's outline covers one pixel more to the right and below than the platform's.
            const QRectF box(r.topLeft(), QSizeF(r.width() + 1, r.height() + 1));
            FWriter.Append(U_EMRRECTANGLE_set(U_RECTL { Fixed(box.left()), Fixed(box.top()), Fixed(box.right()), Fixed(box.bottom()) }));
        }
    }

    void drawEllipse(const QRectF& rect) override
    {
        if (!AxisAligned(FTransform)) {
            QPaintEngine::drawEllipse(rect);
            return;
        }
        FlushText();
        const bool fill = FBrush.style() != Qt::NoBrush;
        const bool stroke = FPen.style() != Qt::NoPen;
        if (!fill && !stroke)
            return;
        SelectPen(stroke);
        SelectBrush(fill);
        const QRectF r = FTransform.mapRect(rect).normalized();
        const QRectF box(r.topLeft(), QSizeF(r.width() + 1, r.height() + 1));
        AddBounds(Grow(r));
        FWriter.Append(U_EMRELLIPSE_set(U_RECTL { Fixed(box.left()), Fixed(box.top()), Fixed(box.right()), Fixed(box.bottom()) }));
    }

    void drawLines(const QLineF* lines, int count) override
    {
        FlushText();
        if (FPen.style() == Qt::NoPen)
            return;
        SelectPen(true);
        for (int i = 0; i < count; ++i) {
            const QPointF a = FTransform.map(lines[i].p1()), b = FTransform.map(lines[i].p2());
            const std::vector<U_POINTL> device { PointL(a), PointL(b) };
            const QRectF bounds = Grow(QRectF(a, b).normalized());
            AddBounds(bounds);
            if (Fits16(device)) {
                const std::vector<U_POINT16> small = Points16(device);
                FWriter.Append(U_EMRPOLYLINE16_set(BoundsL(bounds), 2, small.data()));
            } else {
                FWriter.Append(U_EMRPOLYLINE_set(BoundsL(bounds), 2, device.data()));
            }
        }
    }

    void drawPixmap(const QRectF& rect, const QPixmap& pixmap, const QRectF& source) override
    {
        drawImage(rect, pixmap.toImage(), source, Qt::AutoColor);
    }

    void drawImage(const QRectF& rect, const QImage& image, const QRectF& source, Qt::ImageConversionFlags) override
    {
        FlushText();
        if (image.isNull() || rect.isEmpty())
            return;
        const QRect from = source.toAlignedRect().intersected(image.rect());
        if (from.isEmpty())
            return;
        const QImage part = image.copy(from);
        bool translucent = false;
        if (part.hasAlphaChannel()) {
            const QImage argb = part.convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < argb.height() && !translucent; ++y) {
                const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
                for (int x = 0; x < argb.width(); ++x)
                    if (qAlpha(line[x]) != 255) {
                        translucent = true;
                        break;
                    }
            }
        }
        // Source pixels cover the whole target; a rotated target goes through the world transform.
        const bool aligned = AxisAligned(FTransform);
        QRectF target = rect;
        if (aligned) {
            target = FTransform.mapRect(rect);
        } else {
            const QTransform world = QTransform::fromScale(1 / Sub, 1 / Sub) * FTransform * QTransform::fromScale(Sub, Sub);
            FWriter.Append(U_EMRSETWORLDTRANSFORM_set(XformL(world)));
        }
        const QRectF deviceTarget = FTransform.mapRect(rect);
        AddBounds(deviceTarget);
        const U_POINTL dest = PointL(target.topLeft());
        const U_POINTL extent { Fixed(target.right()) - dest.x, Fixed(target.bottom()) - dest.y };
        const U_POINTL src { 0, 0 };
        const U_POINTL srcExtent { part.width(), part.height() };
        if (translucent) {
            // Premultiplied colours, as the platform's alpha blending wants them.
            const TDib dib = DibFromImage(part, 32, true);
            const U_BLEND blend { 0, 0, 255, U_AC_SRC_ALPHA };
            FWriter.Append(U_EMRALPHABLEND_set(BoundsL(deviceTarget), dest, extent, src, srcExtent, XformL(QTransform()),
                U_RGB(0, 0, 0), U_DIB_RGB_COLORS, blend, reinterpret_cast<PU_BITMAPINFO>(const_cast<char*>(dib.Info.constData())),
                std::uint32_t(dib.Bits.size()), const_cast<char*>(dib.Bits.constData())));
        } else {
            const TDib dib = DibFromImage(part, 24);
            FWriter.Append(U_EMRSTRETCHDIBITS_set(BoundsL(deviceTarget), dest, extent, src, srcExtent, U_DIB_RGB_COLORS, U_SRCCOPY,
                reinterpret_cast<PU_BITMAPINFO>(const_cast<char*>(dib.Info.constData())), std::uint32_t(dib.Bits.size()),
                const_cast<char*>(dib.Bits.constData())));
        }
        if (!aligned)
            FWriter.Append(U_EMRMODIFYWORLDTRANSFORM_set(XformL(QTransform()), U_MWT_IDENTITY));
    }

    void drawTextItem(const QPointF& position, const QTextItem& item) override
    {
        const QString text = item.text();
        if (text.isEmpty())
            return;
        const QFont font = item.font();
        const double dpiY = FRecorder.logicalDpiY();
        const double logicalPixels = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * dpiY / 72.0;
        const double scaleX = std::hypot(FTransform.m11(), FTransform.m12());
        const double scaleY = std::hypot(FTransform.m21(), FTransform.m22());
        const double angle = std::atan2(-FTransform.m12(), FTransform.m11()) * 180 / std::numbers::pi;

        U_LOGFONT log {};
        log.lfHeight = -std::max(1, int(std::nearbyint(logicalPixels * scaleY * Sub)));
        log.lfEscapement = log.lfOrientation = int(std::nearbyint(angle * 10));
        log.lfWeight = std::clamp(int(font.weight()), 1, 1000);
        log.lfItalic = font.italic() || font.style() == QFont::StyleOblique;
        log.lfUnderline = font.underline() || (item.renderFlags() & QTextItem::Underline);
        log.lfStrikeOut = font.strikeOut() || (item.renderFlags() & QTextItem::StrikeOut);
        log.lfCharSet = U_DEFAULT_CHARSET;
        log.lfOutPrecision = U_OUT_TT_PRECIS;
        log.lfQuality = U_ANTIALIASED_QUALITY;
        switch (font.styleHint()) {
        case QFont::Serif:
            log.lfPitchAndFamily = U_FF_ROMAN;
            break;
        case QFont::TypeWriter:
            log.lfPitchAndFamily = U_FF_MODERN | U_FIXED_PITCH;
            break;
        case QFont::Cursive:
            log.lfPitchAndFamily = U_FF_SCRIPT;
            break;
        case QFont::Decorative:
            log.lfPitchAndFamily = U_FF_DECORATIVE;
            break;
        default:
            log.lfPitchAndFamily = U_FF_SWISS;
            break;
        }
        const QString family = font.family();
        for (int i = 0; i < std::min<int>(int(family.size()), U_LF_FACESIZE - 1); ++i)
            log.lfFaceName[i] = family[i].unicode();

        // Where Qt placed each character: the layout's cursor positions, fitted to the item's width.
        QTextLayout layout(text, font, &FRecorder);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        layout.endLayout();
        std::vector<double> offsets(std::size_t(text.size()) + 1);
        for (qsizetype i = 0; i <= text.size(); ++i)
            offsets[std::size_t(i)] = line.isValid() ? line.cursorToX(int(i)) : 0;
        const double natural = offsets.back() - offsets.front();
        const double fit = natural > 0 && item.width() > 0 ? item.width() / natural : 1;

        const QPointF origin = FTransform.map(position);
        const double along = scaleX * fit;
        const QColor color = FPen.color();
        const U_COLORREF textColor = ColorL(color);
        const bool rotated = std::abs(angle) > 0.01;

        // Characters placed one by one (explicit advances) join the run before them on the same baseline.
        const bool joins = FText && !rotated && std::memcmp(&FText->font, &log, sizeof log) == 0
            && std::memcmp(&FText->color, &textColor, sizeof textColor) == 0 && std::abs(FText->y - origin.y()) < 0.01
            && origin.x() > FText->positions.back() && origin.x() - FText->end < logicalPixels * scaleY * 2;
        if (!joins) {
            FlushText();
            FText.emplace();
            FText->font = log;
            FText->color = textColor;
            FText->origin = origin;
            FText->y = origin.y();
            FText->ascent = item.ascent() * scaleY;
            FText->descent = item.descent() * scaleY;
            FText->rotated = rotated;
        }
        for (qsizetype i = 0; i < text.size(); ++i) {
            FText->positions.push_back(origin.x() + (offsets[std::size_t(i)] - offsets.front()) * along);
            FText->text += text[i];
        }
        FText->end = origin.x() + natural * along;
        if (rotated)
            FlushText();
    }

    TEmfWriter& Writer() { return FWriter; }
    void Finish() { FFinished = true; }
    bool Finished() const { return FFinished; }

private:

    // What a stroke adds around a shape's outline; a fill adds nothing.
    QRectF Grow(const QRectF& rect) const
    {
        double half = 0;
        if (FPen.style() != Qt::NoPen)
            half = FPen.isCosmetic() || FPen.widthF() == 0 ? 1 : FPen.widthF() * std::sqrt(std::abs(FTransform.determinant())) / 2;
        return rect.adjusted(-half, -half, half, half);
    }

    void AddBounds(const QRectF& rect)
    {
        if (FClipBounds) {
            const QRectF clipped = rect.intersected(*FClipBounds);
            if (clipped.isEmpty())
                return;
            FWriter.AddBounds(clipped);
        } else {
            FWriter.AddBounds(rect);
        }
    }

    void SetFillMode(std::uint32_t mode)
    {
        if (mode == FFillMode)
            return;
        FFillMode = mode;
        FWriter.Append(U_EMRSETPOLYFILLMODE_set(mode));
    }

    void SelectPen(bool stroke)
    {
        TPenKey key;
        if (!stroke || FPen.style() == Qt::NoPen || FPen.color().alpha() == 0) {
            key.style = U_PS_NULL;
        } else {
            const bool cosmetic = FPen.isCosmetic() || FPen.widthF() == 0;
            const double width = cosmetic ? 1 : FPen.widthF() * std::sqrt(std::abs(FTransform.determinant()));
            key.color = ColorL(FPen.color());
            key.style = cosmetic ? U_PS_COSMETIC : U_PS_GEOMETRIC;
            key.width = cosmetic ? 1 : std::uint32_t(std::max<std::int32_t>(1, Fixed(width)));
            switch (FPen.style()) {
            case Qt::DashLine:
                key.style |= U_PS_DASH;
                break;
            case Qt::DotLine:
                key.style |= U_PS_DOT;
                break;
            case Qt::DashDotLine:
                key.style |= U_PS_DASHDOT;
                break;
            case Qt::DashDotDotLine:
                key.style |= U_PS_DASHDOTDOT;
                break;
            case Qt::CustomDashLine:
                key.style |= U_PS_USERSTYLE;
                for (qreal dash : FPen.dashPattern())
                    key.dashes.push_back(std::uint32_t(std::max<std::int32_t>(1, Fixed(dash * width))));
                break;
            default:
                key.style |= U_PS_SOLID;
                break;
            }
            if (!cosmetic) {
                switch (FPen.capStyle()) {
                case Qt::FlatCap:
                    key.style |= U_PS_ENDCAP_FLAT;
                    break;
                case Qt::RoundCap:
                    key.style |= U_PS_ENDCAP_ROUND;
                    break;
                default:
                    key.style |= U_PS_ENDCAP_SQUARE;
                    break;
                }
                switch (FPen.joinStyle()) {
                case Qt::RoundJoin:
                    key.style |= U_PS_JOIN_ROUND;
                    break;
                case Qt::BevelJoin:
                    key.style |= U_PS_JOIN_BEVEL;
                    break;
                default:
                    key.style |= U_PS_JOIN_MITER;
                    break;
                }
            }
        }
        if (FPenKey && *FPenKey == key)
            return;
        if (key.style == U_PS_NULL) {
            FWriter.Append(U_EMRSELECTOBJECT_set(U_NULL_PEN));
        } else {
            if (!FMiterSet) {
                FWriter.Append(U_EMRSETMITERLIMIT_set(std::uint32_t(std::max<qreal>(1, FPen.miterLimit() * 2))));
                FMiterSet = true;
            }
            const std::uint32_t handle = FWriter.AllocateHandle();
            std::vector<U_STYLEENTRY> entries(key.dashes.begin(), key.dashes.end());
            PU_EXTLOGPEN pen = extlogpen_set(key.style, key.width, U_BS_SOLID, key.color, 0, U_NUM_STYLEENTRY(entries.size()),
                entries.empty() ? nullptr : entries.data());
            FWriter.Append(U_EMREXTCREATEPEN_set(handle, nullptr, 0, nullptr, pen));
            std::free(pen);
            FWriter.Append(U_EMRSELECTOBJECT_set(handle));
            ReleaseObject(FPenHandle);
            FPenHandle = handle;
        }
        if (key.style == U_PS_NULL)
            ReleaseObject(FPenHandle);
        FPenKey = key;
    }

    void SelectBrush(bool fill)
    {
        TBrushKey key;
        if (!fill || FBrush.style() == Qt::NoBrush || FBrush.color().alpha() == 0) {
            key.style = U_BS_NULL;
        } else {
            key.color = ColorL(FBrush.color());
            switch (FBrush.style()) {
            case Qt::HorPattern:
                key.style = U_BS_HATCHED;
                key.hatch = U_HS_HORIZONTAL;
                break;
            case Qt::VerPattern:
                key.style = U_BS_HATCHED;
                key.hatch = U_HS_VERTICAL;
                break;
            case Qt::BDiagPattern:
                key.style = U_BS_HATCHED;
                key.hatch = U_HS_FDIAGONAL;
                break;
            case Qt::FDiagPattern:
                key.style = U_BS_HATCHED;
                key.hatch = U_HS_BDIAGONAL;
                break;
            case Qt::CrossPattern:
                key.style = U_BS_HATCHED;
                key.hatch = U_HS_CROSS;
                break;
            case Qt::DiagCrossPattern:
                key.style = U_BS_HATCHED;
                key.hatch = U_HS_DIAGCROSS;
                break;
            default:
                // Dense patterns and textures are written as their colour.
                key.style = U_BS_SOLID;
                break;
            }
        }
        if (FBrushKey && *FBrushKey == key)
            return;
        if (key.style == U_BS_HATCHED) {
            const bool opaque = FBackgroundMode == Qt::OpaqueMode;
            FWriter.Append(U_EMRSETBKMODE_set(opaque ? U_OPAQUE : U_TRANSPARENT));
            if (opaque)
                FWriter.Append(U_EMRSETBKCOLOR_set(ColorL(FBackground.color())));
        }
        if (key.style == U_BS_NULL) {
            FWriter.Append(U_EMRSELECTOBJECT_set(U_NULL_BRUSH));
            ReleaseObject(FBrushHandle);
        } else {
            const std::uint32_t handle = FWriter.AllocateHandle();
            FWriter.Append(U_EMRCREATEBRUSHINDIRECT_set(handle, logbrush_set(key.style, key.color, std::int32_t(key.hatch))));
            FWriter.Append(U_EMRSELECTOBJECT_set(handle));
            ReleaseObject(FBrushHandle);
            FBrushHandle = handle;
        }
        FBrushKey = key;
    }

    void ReleaseObject(std::uint32_t& handle)
    {
        if (!handle)
            return;
        FWriter.Append(U_EMRDELETEOBJECT_set(handle));
        FWriter.FreeHandle(handle);
        handle = 0;
    }

    void WritePath(const QPainterPath& device)
    {
        FWriter.Append(U_EMRBEGINPATH_set());
        std::vector<U_POINTL> run;
        int runType = -1; // 0 lines, 1 curves
        QPointF figureStart;
        auto flush = [&] {
            if (run.empty())
                return;
            const U_RECTL none { 0, 0, -1, -1 };
            if (Fits16(run)) {
                const std::vector<U_POINT16> small = Points16(run);
                FWriter.Append(runType == 1 ? U_EMRPOLYBEZIERTO16_set(none, std::uint32_t(small.size()), small.data())
                                            : U_EMRPOLYLINETO16_set(none, std::uint32_t(small.size()), small.data()));
            } else {
                FWriter.Append(runType == 1 ? U_EMRPOLYBEZIERTO_set(none, std::uint32_t(run.size()), run.data())
                                            : U_EMRPOLYLINETO_set(none, std::uint32_t(run.size()), run.data()));
            }
            run.clear();
        };
        for (int i = 0; i < device.elementCount(); ++i) {
            const QPainterPath::Element e = device.elementAt(i);
            switch (e.type) {
            case QPainterPath::MoveToElement:
                flush();
                if (i > 0 && QPointF(device.elementAt(i - 1)) == figureStart)
                    FWriter.Append(U_EMRCLOSEFIGURE_set());
                FWriter.Append(U_EMRMOVETOEX_set(PointL(e)));
                figureStart = e;
                break;
            case QPainterPath::LineToElement:
                if (runType != 0)
                    flush();
                runType = 0;
                run.push_back(PointL(e));
                break;
            case QPainterPath::CurveToElement:
                if (runType != 1)
                    flush();
                runType = 1;
                run.push_back(PointL(e));
                break;
            case QPainterPath::CurveToDataElement:
                run.push_back(PointL(e));
                break;
            }
        }
        flush();
        if (device.elementCount() > 1 && QPointF(device.elementAt(device.elementCount() - 1)) == figureStart)
            FWriter.Append(U_EMRCLOSEFIGURE_set());
        FWriter.Append(U_EMRENDPATH_set());
    }

    void UpdateClip(const QPaintEngineState& state, DirtyFlags flags)
    {
        if ((flags & DirtyClipEnabled) && !state.isClipEnabled()) {
            ResetClip();
            return;
        }
        if (!(flags & (DirtyClipPath | DirtyClipRegion)))
            return;
        const Qt::ClipOperation operation = state.clipOperation();
        if (operation == Qt::NoClip) {
            ResetClip();
            return;
        }
        // Clips arrive in the painter's logical coordinates, with its transform.
        const QTransform transform = state.transform();
        QPainterPath path;
        std::optional<QRectF> rect;
        if (flags & DirtyClipPath) {
            path = transform.map(state.clipPath());
        } else {
            const QRegion region = state.clipRegion();
            if (region.rectCount() == 1 && AxisAligned(transform))
                rect = transform.mapRect(QRectF(region.boundingRect()));
            else {
                QPainterPath regionPath;
                regionPath.addRegion(region);
                path = transform.map(regionPath);
            }
        }
        if (operation == Qt::ReplaceClip)
            ResetClip();
        const QRectF bounds = rect ? *rect : path.boundingRect();
        FClipBounds = FClipBounds ? FClipBounds->intersected(bounds) : bounds;
        if (rect) {
            FWriter.Append(U_EMRINTERSECTCLIPRECT_set(U_RECTL { Fixed(rect->left()), Fixed(rect->top()), Fixed(rect->right()), Fixed(rect->bottom()) }));
        } else {
            SetFillMode(path.fillRule() == Qt::WindingFill ? U_WINDING : U_ALTERNATE);
            WritePath(path);
            FWriter.Append(U_EMRSELECTCLIPPATH_set(U_RGN_AND));
        }
        FClipped = true;
    }

    void ResetClip()
    {
        if (FClipped)
            FWriter.AppendBytes(ResetClipRecord());
        FClipped = false;
        FClipBounds.reset();
    }

    void FlushText()
    {
        if (!FText)
            return;
        TText text = std::move(*FText);
        FText.reset();
        if (text.text.isEmpty())
            return;
        if (!FFontKey || std::memcmp(&*FFontKey, &text.font, sizeof text.font) != 0) {
            const std::uint32_t handle = FWriter.AllocateHandle();
            std::vector<std::uint16_t> noName(1, 0);
            U_LOGFONT_PANOSE full = logfont_panose_set(text.font, noName.data(), noName.data(), 0, U_PANOSE {});
            FWriter.Append(U_EMREXTCREATEFONTINDIRECTW_set(handle, nullptr, reinterpret_cast<const char*>(&full)));
            FWriter.Append(U_EMRSELECTOBJECT_set(handle));
            ReleaseObject(FFontHandle);
            FFontHandle = handle;
            FFontKey = text.font;
        }
        if (!FTextColor || std::memcmp(&*FTextColor, &text.color, sizeof text.color) != 0) {
            FWriter.Append(U_EMRSETTEXTCOLOR_set(text.color));
            FTextColor = text.color;
        }
        // Each advance reaches to the next character; the last one to the end of the text.
        const std::size_t count = std::size_t(text.text.size());
        std::vector<std::uint32_t> dx(count);
        std::int32_t previous = Fixed(text.positions[0]);
        for (std::size_t i = 0; i < count; ++i) {
            const std::int32_t next = i + 1 < count ? Fixed(text.positions[i + 1]) : Fixed(std::max(text.end, text.positions[i]));
            dx[i] = std::uint32_t(std::max(0, next - previous));
            previous = next;
        }
        std::vector<std::uint16_t> utf16(text.text.utf16(), text.text.utf16() + count);
        QPointF reference = text.rotated ? text.origin : QPointF(text.positions[0], text.y);
        const double reach = std::abs(text.end - text.origin.x()) + text.ascent + text.descent;
        const QRectF bounds = text.rotated
            ? QRectF(text.origin.x() - reach, text.origin.y() - reach, 2 * reach, 2 * reach)
            : QRectF(text.positions[0], text.y - text.ascent, text.end - text.positions[0], text.ascent + text.descent);
        AddBounds(bounds.adjusted(-1, -1, 1, 1));
        const U_RECTL none { 0, 0, -1, -1 };
        char* emrtext = emrtext_set(PointL(reference), U_NUM_STR(count), 2, utf16.data(), U_ETO_NONE, none, dx.data());
        FWriter.Append(U_EMREXTTEXTOUTW_set(BoundsL(bounds), U_GM_COMPATIBLE, 0, 0, reinterpret_cast<PU_EMRTEXT>(emrtext)));
        std::free(emrtext);
    }

    TEnhMetafileRecorder& FRecorder;
    TEmfWriter FWriter;
    bool FStarted = false;
    bool FFinished = false;
    QPen FPen;
    QBrush FBrush;
    QFont FFont;
    QTransform FTransform;
    Qt::BGMode FBackgroundMode = Qt::TransparentMode;
    QBrush FBackground;
    std::optional<TPenKey> FPenKey;
    std::optional<TBrushKey> FBrushKey;
    std::optional<U_LOGFONT> FFontKey;
    std::optional<U_COLORREF> FTextColor;
    std::uint32_t FPenHandle = 0;
    std::uint32_t FBrushHandle = 0;
    std::uint32_t FFontHandle = 0;
    std::uint32_t FFillMode = 0;
    bool FMiterSet = false;
    bool FClipped = false;
    std::optional<QRectF> FClipBounds;
    std::optional<TText> FText;
};

TEnhMetafileRecorder::TEnhMetafileRecorder(const TDeviceContext& reference, const QRect& frame, const QString& application,
    const QString& title)
    : FFrame(frame.isValid() ? frame : QRect())
    , FEngine(std::make_unique<TEmfPaintEngine>(*this))
{
    FReference = reference.Caps();
    FReference.DpiX = std::max(1, reference.GetDeviceCaps(LOGPIXELSX));
    FReference.DpiY = std::max(1, reference.GetDeviceCaps(LOGPIXELSY));
    if (FReference.Pixels.isEmpty()) // a reference without a size: an A4 sheet at its resolution
        FReference.Pixels = QSize(int(std::nearbyint(210 / 25.4 * FReference.DpiX)), int(std::nearbyint(297 / 25.4 * FReference.DpiY)));
    FApplication = application;
    FTitle = title;
}

TEnhMetafileRecorder::~TEnhMetafileRecorder() = default;

QRect TEnhMetafileRecorder::FrameFromPixels(const TDeviceContext& reference, QSize pixels)
{
    const int dpiX = std::max(1, reference.GetDeviceCaps(LOGPIXELSX));
    const int dpiY = std::max(1, reference.GetDeviceCaps(LOGPIXELSY));
    return QRect(0, 0, HundredthsMmFromPixels(pixels.width(), dpiX), HundredthsMmFromPixels(pixels.height(), dpiY));
}

QPaintEngine* TEnhMetafileRecorder::paintEngine() const { return FEngine.get(); }

int TEnhMetafileRecorder::metric(PaintDeviceMetric metric) const
{
    const QSize pixels = FFrame.isValid()
        ? QSize(int(std::ceil(PixelsFromHundredthsMm(FFrame.x() + FFrame.width(), FReference.DpiX) - 1e-6)),
            int(std::ceil(PixelsFromHundredthsMm(FFrame.y() + FFrame.height(), FReference.DpiY) - 1e-6)))
        : FReference.Pixels;
    switch (metric) {
    case PdmWidth:
        return std::max(1, pixels.width());
    case PdmHeight:
        return std::max(1, pixels.height());
    case PdmWidthMM:
        return std::max(1, int(std::nearbyint(pixels.width() * 25.4 / FReference.DpiX)));
    case PdmHeightMM:
        return std::max(1, int(std::nearbyint(pixels.height() * 25.4 / FReference.DpiY)));
    case PdmNumColors:
        return std::numeric_limits<int>::max();
    case PdmDepth:
        return 24;
    case PdmDpiX:
    case PdmPhysicalDpiX:
        return FReference.DpiX;
    case PdmDpiY:
    case PdmPhysicalDpiY:
        return FReference.DpiY;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(QPaintDevice::devicePixelRatioFScale());
    default:
        return 0;
    }
}

TEnhMetafile TEnhMetafileRecorder::Finish()
{
    if (FEngine->isActive() || FEngine->Finished())
        return TEnhMetafile();
    FEngine->Finish();
    const QSize pixels = FReference.Pixels;
    const QSize micrometres = FReference.Millimetres.isEmpty()
        ? QSize(int(std::nearbyint(pixels.width() * 25400.0 / FReference.DpiX)), int(std::nearbyint(pixels.height() * 25400.0 / FReference.DpiY)))
        : FReference.Millimetres * 1000;
    return TEnhMetafile::FromCheckedBytes(FEngine->Writer().Finish(FFrame, pixels, micrometres, FApplication, FTitle));
}
