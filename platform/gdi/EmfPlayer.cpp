#include "EmfPlayer.h"

#include "DeviceContext.h"
#include "DibImage.h"
#include "GdiFontDefs.h"

#include <uemf.h>

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

namespace {

// One record, every field read within its size; a read outside gives zero and marks the record bad.
class TRecord {
public:
    TRecord(const char* data, std::size_t size)
        : FData(data)
        , FSize(size)
    {
    }
    std::uint32_t Type() const { return U32(0); }
    std::size_t Size() const { return FSize; }
    bool Has(std::size_t offset, std::size_t bytes) const { return offset <= FSize && bytes <= FSize - offset; }
    std::uint32_t U32(std::size_t offset) const
    {
        std::uint32_t v = 0;
        if (Has(offset, 4))
            std::memcpy(&v, FData + offset, 4);
        else
            FBad = true;
        return v;
    }
    std::int32_t I32(std::size_t offset) const { return std::int32_t(U32(offset)); }
    std::int16_t I16(std::size_t offset) const
    {
        std::int16_t v = 0;
        if (Has(offset, 2))
            std::memcpy(&v, FData + offset, 2);
        else
            FBad = true;
        return v;
    }
    float F32(std::size_t offset) const
    {
        float v = 0;
        if (Has(offset, 4))
            std::memcpy(&v, FData + offset, 4);
        else
            FBad = true;
        return v;
    }
    const char* At(std::size_t offset) const { return FData + offset; }
    bool Bad() const { return FBad; }
    RECT Rect(std::size_t offset) const { return { I32(offset), I32(offset + 4), I32(offset + 8), I32(offset + 12) }; }
    POINT Point(std::size_t offset) const { return { I32(offset), I32(offset + 4) }; }
    XFORM Xform(std::size_t offset) const
    {
        return { F32(offset), F32(offset + 4), F32(offset + 8), F32(offset + 12), F32(offset + 16), F32(offset + 20) };
    }
    /// count points from offset, 32 or 16 bits each; empty when they do not fit.
    std::vector<POINT> Points(std::size_t offset, std::uint64_t count, bool small) const
    {
        std::vector<POINT> points;
        const std::size_t each = small ? 4 : 8;
        if (count > FSize / each || !Has(offset, std::size_t(count) * each))
            return points;
        points.reserve(std::size_t(count));
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t at = offset + i * each;
            points.push_back(small ? POINT { I16(at), I16(at + 2) } : POINT { I32(at), I32(at + 4) });
        }
        return points;
    }
    /// A DIB held by the record at the given offsets and sizes; null when outside the record.
    QImage Dib(std::uint32_t offInfo, std::uint32_t infoSize, std::uint32_t offBits, std::uint32_t bitsSize, bool keepAlpha = false) const
    {
        if (!infoSize || !Has(offInfo, infoSize) || !Has(offBits, bitsSize))
            return {};
        return ImageFromDib(FData + offInfo, infoSize, FData + offBits, bitsSize, keepAlpha);
    }

private:
    const char* FData;
    std::size_t FSize;
    mutable bool FBad = false;
};

// a + b without overflow, pinned to the range of LONG.
LONG Plus(LONG a, LONG b) { return LONG(std::clamp<std::int64_t>(std::int64_t(a) + b, -2147483647, 2147483647)); }

QRegion RegionFromData(const TRecord& record, std::size_t offset, std::uint32_t size)
{
    // RGNDATAHEADER: size, type, count, buffer size, bounds; then the rectangles.
    if (size < 32 || !record.Has(offset, size))
        return QRegion();
    const std::uint32_t count = record.U32(offset + 8);
    if (count > (size - 32) / 16)
        return QRegion();
    QRegion region;
    std::vector<QRect> rects;
    rects.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const RECT r = record.Rect(offset + 32 + std::size_t(i) * 16);
        if (r.right > r.left && r.bottom > r.top)
            rects.emplace_back(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
    }
    region.setRects(rects.data(), int(rects.size()));
    return region;
}

class TEmfPlayer {
public:
    TEmfPlayer(QPainter& painter, const QTransform& deviceToPainter, const TDeviceCaps& caps, std::size_t handles)
        : FDc(painter, deviceToPainter, caps)
        , FObjects(std::max<std::size_t>(handles, 1))
    {
    }

    // Returns false at the end record.
    bool Play(const TRecord& r)
    {
        switch (r.Type()) {
        case U_EMR_EOF:
            return false;
        case U_EMR_POLYBEZIER:
        case U_EMR_POLYGON:
        case U_EMR_POLYLINE:
        case U_EMR_POLYBEZIERTO:
        case U_EMR_POLYLINETO:
            PolyPoints(r.Type(), r.Points(28, r.U32(24), false));
            break;
        case U_EMR_POLYBEZIER16:
            PolyPoints(U_EMR_POLYBEZIER, r.Points(28, r.U32(24), true));
            break;
        case U_EMR_POLYGON16:
            PolyPoints(U_EMR_POLYGON, r.Points(28, r.U32(24), true));
            break;
        case U_EMR_POLYLINE16:
            PolyPoints(U_EMR_POLYLINE, r.Points(28, r.U32(24), true));
            break;
        case U_EMR_POLYBEZIERTO16:
            PolyPoints(U_EMR_POLYBEZIERTO, r.Points(28, r.U32(24), true));
            break;
        case U_EMR_POLYLINETO16:
            PolyPoints(U_EMR_POLYLINETO, r.Points(28, r.U32(24), true));
            break;
        case U_EMR_POLYPOLYLINE:
        case U_EMR_POLYPOLYGON:
        case U_EMR_POLYPOLYLINE16:
        case U_EMR_POLYPOLYGON16:
            PolyPoly(r);
            break;
        case U_EMR_SETWINDOWEXTEX:
            FDc.SetWindowExtEx(r.I32(8), r.I32(12));
            break;
        case U_EMR_SETWINDOWORGEX:
            FDc.SetWindowOrgEx(r.I32(8), r.I32(12));
            break;
        case U_EMR_SETVIEWPORTEXTEX:
            FDc.SetViewportExtEx(r.I32(8), r.I32(12));
            break;
        case U_EMR_SETVIEWPORTORGEX:
            FDc.SetViewportOrgEx(r.I32(8), r.I32(12));
            break;
        case U_EMR_SETPIXELV:
            FDc.SetPixel(r.I32(8), r.I32(12), r.U32(16));
            break;
        case U_EMR_SETMAPMODE:
            FDc.SetMapMode(r.I32(8));
            break;
        case U_EMR_SETBKMODE:
            FDc.SetBkMode(r.I32(8));
            break;
        case U_EMR_SETPOLYFILLMODE:
            FDc.SetPolyFillMode(r.I32(8));
            break;
        case U_EMR_SETSTRETCHBLTMODE:
            FDc.SetStretchBltMode(r.I32(8));
            break;
        case U_EMR_SETTEXTALIGN:
            FDc.SetTextAlign(r.U32(8));
            break;
        case U_EMR_SETTEXTCOLOR:
            FDc.SetTextColor(r.U32(8) & 0x00FFFFFF);
            break;
        case U_EMR_SETBKCOLOR:
            FDc.SetBkColor(r.U32(8) & 0x00FFFFFF);
            break;
        case U_EMR_OFFSETCLIPRGN:
            FDc.OffsetClipRgn(r.I32(8), r.I32(12));
            break;
        case U_EMR_MOVETOEX:
            FDc.MoveToEx(r.I32(8), r.I32(12));
            break;
        case U_EMR_EXCLUDECLIPRECT: {
            const RECT c = r.Rect(8);
            FDc.ExcludeClipRect(c.left, c.top, c.right, c.bottom);
            break;
        }
        case U_EMR_INTERSECTCLIPRECT: {
            const RECT c = r.Rect(8);
            FDc.IntersectClipRect(c.left, c.top, c.right, c.bottom);
            break;
        }
        case U_EMR_SCALEVIEWPORTEXTEX:
            FDc.ScaleViewportExtEx(r.I32(8), r.I32(12), r.I32(16), r.I32(20));
            break;
        case U_EMR_SCALEWINDOWEXTEX:
            FDc.ScaleWindowExtEx(r.I32(8), r.I32(12), r.I32(16), r.I32(20));
            break;
        case U_EMR_SAVEDC:
            FDc.SaveDC();
            break;
        case U_EMR_RESTOREDC:
            FDc.RestoreDC(r.I32(8));
            break;
        case U_EMR_SETWORLDTRANSFORM:
            FDc.SetWorldTransform(r.Xform(8));
            break;
        case U_EMR_MODIFYWORLDTRANSFORM:
            FDc.ModifyWorldTransform(r.Xform(8), r.U32(32));
            break;
        case U_EMR_SELECTOBJECT:
            Select(r.U32(8));
            break;
        case U_EMR_CREATEPEN:
            Store(r.U32(8), CreatePen(int(r.U32(12)), r.I32(16), r.U32(24) & 0x00FFFFFF));
            break;
        case U_EMR_EXTCREATEPEN: {
            const std::uint32_t count = r.U32(48);
            std::vector<DWORD> entries;
            if (count <= 16 && r.Has(52, std::size_t(count) * 4))
                for (std::uint32_t i = 0; i < count; ++i)
                    entries.push_back(r.U32(52 + std::size_t(i) * 4));
            const LOGBRUSH brush { r.U32(36), r.U32(40) & 0x00FFFFFF, r.U32(44) };
            Store(r.U32(8), ExtCreatePen(r.U32(28), r.U32(32), brush, DWORD(entries.size()), entries.data()));
            break;
        }
        case U_EMR_CREATEBRUSHINDIRECT: {
            const LOGBRUSH brush { r.U32(12), r.U32(16) & 0x00FFFFFF, r.U32(20) };
            Store(r.U32(8), CreateBrushIndirect(brush));
            break;
        }
        case U_EMR_CREATEMONOBRUSH:
        case U_EMR_CREATEDIBPATTERNBRUSHPT: {
            const QImage pattern = r.Dib(r.U32(16), r.U32(20), r.U32(24), r.U32(28));
            Store(r.U32(8), CreatePatternBrush(pattern));
            break;
        }
        case U_EMR_DELETEOBJECT: {
            const std::uint32_t handle = r.U32(8);
            if (handle < FObjects.size())
                FObjects[handle].reset();
            break;
        }
        case U_EMR_ELLIPSE: {
            const RECT b = r.Rect(8);
            FDc.Ellipse(b.left, b.top, b.right, b.bottom);
            break;
        }
        case U_EMR_RECTANGLE: {
            const RECT b = r.Rect(8);
            FDc.Rectangle(b.left, b.top, b.right, b.bottom);
            break;
        }
        case U_EMR_ROUNDRECT: {
            const RECT b = r.Rect(8);
            FDc.RoundRect(b.left, b.top, b.right, b.bottom, r.I32(24), r.I32(28));
            break;
        }
        case U_EMR_ARC:
        case U_EMR_ARCTO:
        case U_EMR_CHORD:
        case U_EMR_PIE: {
            const RECT b = r.Rect(8);
            const POINT s = r.Point(24), e = r.Point(32);
            if (r.Type() == U_EMR_ARC)
                FDc.Arc(b.left, b.top, b.right, b.bottom, s.x, s.y, e.x, e.y);
            else if (r.Type() == U_EMR_ARCTO)
                FDc.ArcTo(b.left, b.top, b.right, b.bottom, s.x, s.y, e.x, e.y);
            else if (r.Type() == U_EMR_CHORD)
                FDc.Chord(b.left, b.top, b.right, b.bottom, s.x, s.y, e.x, e.y);
            else
                FDc.Pie(b.left, b.top, b.right, b.bottom, s.x, s.y, e.x, e.y);
            break;
        }
        case U_EMR_LINETO:
            FDc.LineTo(r.I32(8), r.I32(12));
            break;
        case U_EMR_SETARCDIRECTION:
            FDc.SetArcDirection(r.I32(8));
            break;
        case U_EMR_SETMITERLIMIT:
            FDc.SetMiterLimit(float(r.U32(8)));
            break;
        case U_EMR_BEGINPATH:
            FDc.BeginPath();
            break;
        case U_EMR_ENDPATH:
            FDc.EndPath();
            break;
        case U_EMR_CLOSEFIGURE:
            FDc.CloseFigure();
            break;
        case U_EMR_FILLPATH:
            FDc.FillPath();
            break;
        case U_EMR_STROKEANDFILLPATH:
            FDc.StrokeAndFillPath();
            break;
        case U_EMR_STROKEPATH:
            FDc.StrokePath();
            break;
        case U_EMR_ABORTPATH:
            FDc.AbortPath();
            break;
        case U_EMR_SELECTCLIPPATH:
            FDc.SelectClipPath(r.I32(8));
            break;
        case U_EMR_EXTSELECTCLIPRGN: {
            const std::uint32_t size = r.U32(8);
            const int mode = r.I32(12);
            if (size == 0) {
                if (mode == RGN_COPY)
                    FDc.SelectClipRgn(nullptr);
            } else {
                const QRegion region = RegionFromData(r, 16, size);
                FDc.ExtSelectClipRgn(&region, mode);
            }
            break;
        }
        case U_EMR_FILLRGN: {
            const std::uint32_t handle = r.U32(28);
            const QRegion region = RegionFromData(r, 32, r.U32(24));
            if (const TGdiBrush* brush = BrushAt(handle))
                FillRegion(region, *brush);
            break;
        }
        case U_EMR_PAINTRGN:
            FillRegion(RegionFromData(r, 28, r.U32(24)), FDc.CurrentBrush());
            break;
        case U_EMR_BITBLT:
        case U_EMR_STRETCHBLT:
        case U_EMR_MASKBLT:
        case U_EMR_ALPHABLEND:
        case U_EMR_TRANSPARENTBLT:
            Blit(r);
            break;
        case U_EMR_STRETCHDIBITS: {
            const QImage image = r.Dib(r.U32(48), r.U32(52), r.U32(56), r.U32(60));
            const int x = r.I32(24), y = r.I32(28);
            DrawDib(image, RECT { x, y, Plus(x, r.I32(72)), Plus(y, r.I32(76)) }, r.I32(32), r.I32(36), r.I32(40), r.I32(44), r.U32(68),
                r.U32(48));
            break;
        }
        case U_EMR_SETDIBITSTODEVICE: {
            const QImage image = r.Dib(r.U32(48), r.U32(52), r.U32(56), r.U32(60));
            const int x = r.I32(24), y = r.I32(28), w = r.I32(40), h = r.I32(44);
            DrawDib(image, RECT { x, y, Plus(x, w), Plus(y, h) }, r.I32(32), r.I32(36), w, h, SRCCOPY, r.U32(48));
            break;
        }
        case U_EMR_EXTCREATEFONTINDIRECTW:
            if (r.Has(12, sizeof(LOGFONTW))) {
                LOGFONTW log;
                std::memcpy(&log, r.At(12), sizeof log);
                Store(r.U32(8), CreateFontIndirect(log));
            }
            break;
        case U_EMR_EXTTEXTOUTA:
        case U_EMR_EXTTEXTOUTW:
            Text(r);
            break;
        case U_EMR_GRADIENTFILL:
            Gradient(r);
            break;
        default: // comments (EMF+ included: the records after them draw the same), palettes, colour spaces
            break;
        }
        return true;
    }

private:
    void Store(std::uint32_t handle, HGDIOBJ object)
    {
        if (handle > 0 && handle < FObjects.size())
            FObjects[handle] = std::move(object);
    }

    void Select(std::uint32_t handle)
    {
        if (handle & U_STOCK_OBJECT) {
            const int index = int(handle & 0x7FFFFFFF);
            if (index <= DC_PEN && index != DEFAULT_PALETTE)
                FDc.SelectObject(GetStockObject(index));
            return;
        }
        if (handle < FObjects.size() && FObjects[handle])
            FDc.SelectObject(*FObjects[handle]);
    }

    const TGdiBrush* BrushAt(std::uint32_t handle)
    {
        static const HGDIOBJ stock[] = { GetStockObject(WHITE_BRUSH), GetStockObject(LTGRAY_BRUSH), GetStockObject(GRAY_BRUSH),
            GetStockObject(DKGRAY_BRUSH), GetStockObject(BLACK_BRUSH), GetStockObject(NULL_BRUSH) };
        if (handle & U_STOCK_OBJECT) {
            const std::uint32_t index = handle & 0x7FFFFFFF;
            return index < std::size(stock) ? std::get_if<TGdiBrush>(&stock[index]) : nullptr;
        }
        if (handle < FObjects.size() && FObjects[handle])
            return std::get_if<TGdiBrush>(&*FObjects[handle]);
        return nullptr;
    }

    void FillRegion(const QRegion& region, const TGdiBrush& brush)
    {
        // Regions are in device units: fill through a clip of them, with the region's bounds.
        if (region.isEmpty())
            return;
        FDc.SaveDC();
        FDc.ExtSelectClipRgn(&region, RGN_AND);
        const QRect bounds = region.boundingRect();
        POINT corners[] = { { bounds.left(), bounds.top() }, { Plus(bounds.right(), 1), Plus(bounds.bottom(), 1) } };
        FDc.DPtoLP(corners, 2);
        FDc.FillRect(RECT { Plus(std::min(corners[0].x, corners[1].x), -1), Plus(std::min(corners[0].y, corners[1].y), -1),
                         Plus(std::max(corners[0].x, corners[1].x), 1), Plus(std::max(corners[0].y, corners[1].y), 1) },
            brush);
        FDc.RestoreDC(-1);
    }

    void PolyPoints(std::uint32_t type, const std::vector<POINT>& points)
    {
        if (points.empty())
            return;
        const auto count = DWORD(points.size());
        switch (type) {
        case U_EMR_POLYBEZIER:
            FDc.PolyBezier(points.data(), count);
            break;
        case U_EMR_POLYGON:
            FDc.Polygon(points.data(), int(count));
            break;
        case U_EMR_POLYLINE:
            FDc.Polyline(points.data(), int(count));
            break;
        case U_EMR_POLYBEZIERTO:
            FDc.PolyBezierTo(points.data(), count);
            break;
        case U_EMR_POLYLINETO:
            FDc.PolylineTo(points.data(), count);
            break;
        }
    }

    void PolyPoly(const TRecord& r)
    {
        const bool small = r.Type() == U_EMR_POLYPOLYLINE16 || r.Type() == U_EMR_POLYPOLYGON16;
        const bool polygon = r.Type() == U_EMR_POLYPOLYGON || r.Type() == U_EMR_POLYPOLYGON16;
        const std::uint32_t polys = r.U32(24), total = r.U32(28);
        if (polys == 0 || polys > r.Size() / 4 || !r.Has(32, std::size_t(polys) * 4))
            return;
        std::vector<DWORD> counts(polys);
        std::uint64_t sum = 0;
        for (std::uint32_t i = 0; i < polys; ++i) {
            counts[i] = r.U32(32 + std::size_t(i) * 4);
            sum += counts[i];
        }
        if (sum != total)
            return;
        const std::vector<POINT> points = r.Points(32 + std::size_t(polys) * 4, total, small);
        if (points.size() != total)
            return;
        if (polygon) {
            std::vector<INT> signedCounts(counts.begin(), counts.end());
            FDc.PolyPolygon(points.data(), signedCounts.data(), int(polys));
        } else {
            FDc.PolyPolyline(points.data(), counts.data(), polys);
        }
    }

    void DrawDib(const QImage& image, const RECT& target, int xSource, int ySource, int width, int height, DWORD rop, std::uint32_t)
    {
        if (rop == BLACKNESS || rop == WHITENESS || rop == PATCOPY) {
            FDc.DrawImage(target, QImage(), QRect(), rop);
            return;
        }
        if (image.isNull() || width == 0 || height == 0)
            return;
        // Source rows count from the bottom of a bottom-up bitmap; ImageFromDib turned it top-down.
        const int w = int(std::min<std::int64_t>(std::abs(std::int64_t(width)), image.width()));
        const int h = int(std::min<std::int64_t>(std::abs(std::int64_t(height)), image.height()));
        QRect source(int(std::clamp<std::int64_t>(xSource, -1, image.width())),
            int(std::clamp<std::int64_t>(std::int64_t(image.height()) - ySource - h, -1, image.height())), w, h);
        if (!image.rect().contains(source))
            source = source.intersected(image.rect());
        if (source.isEmpty())
            source = image.rect();
        FDc.DrawImage(target, image, source, rop);
    }

    void Blit(const TRecord& r)
    {
        const int x = r.I32(24), y = r.I32(28), w = r.I32(32), h = r.I32(36);
        const DWORD rop = r.Type() == U_EMR_BITBLT || r.Type() == U_EMR_STRETCHBLT || r.Type() == U_EMR_MASKBLT ? r.U32(40) : SRCCOPY;
        const RECT target { x, y, Plus(x, w), Plus(y, h) };
        const std::uint32_t infoSize = r.U32(88);
        if (infoSize == 0) { // no source: a pattern operation
            FDc.DrawImage(target, QImage(), QRect(), rop == PATCOPY || rop == BLACKNESS || rop == WHITENESS ? rop : PATCOPY);
            return;
        }
        const bool alpha = r.Type() == U_EMR_ALPHABLEND;
        QImage image = r.Dib(r.U32(84), infoSize, r.U32(92), r.U32(96), alpha);
        if (image.isNull())
            return;
        if (alpha) // the bitmap holds premultiplied colours
            image.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
        if (r.Type() == U_EMR_TRANSPARENTBLT) {
            const COLORREF key = r.U32(40) & 0x00FFFFFF;
            image = image.convertToFormat(QImage::Format_ARGB32);
            const QRgb transparent = qRgb(GetRValue(key), GetGValue(key), GetBValue(key));
            for (int row = 0; row < image.height(); ++row) {
                auto* line = reinterpret_cast<QRgb*>(image.scanLine(row));
                for (int col = 0; col < image.width(); ++col)
                    if ((line[col] & 0x00FFFFFF) == (transparent & 0x00FFFFFF))
                        line[col] = 0;
            }
        }
        const bool stretched = r.Type() == U_EMR_STRETCHBLT || r.Type() == U_EMR_ALPHABLEND || r.Type() == U_EMR_TRANSPARENTBLT;
        const int sw = stretched ? r.I32(100) : w, sh = stretched ? r.I32(104) : h;
        // The source position is in the bitmap's own top-down pixels after its transform's offset.
        const XFORM source = r.Xform(52);
        auto pin = [](double v) { return int(std::clamp(std::nearbyint(v), -1.0, 1e6)); };
        QRect from(pin(r.I32(44) * double(source.eM11) + source.eDx), pin(r.I32(48) * double(source.eM22) + source.eDy),
            int(std::min<std::int64_t>(std::abs(std::int64_t(sw)), image.width())), int(std::min<std::int64_t>(std::abs(std::int64_t(sh)), image.height())));
        if (!image.rect().contains(from))
            from = image.rect();
        FDc.DrawImage(target, image, from, alpha || r.Type() == U_EMR_TRANSPARENTBLT ? SRCCOPY : rop);
    }

    void Text(const TRecord& r)
    {
        const bool wide = r.Type() == U_EMR_EXTTEXTOUTW;
        const POINT reference = r.Point(36);
        const std::uint32_t count = r.U32(44), offString = r.U32(48), options = r.U32(52);
        if (count == 0 || count > r.Size() || (options & ETO_GLYPH_INDEX))
            return;
        const bool hasRect = !(options & ETO_NO_RECT);
        const RECT rect = hasRect ? r.Rect(56) : RECT {};
        const std::uint32_t offDx = r.U32(hasRect ? 72 : 56);
        QString text;
        if (wide) {
            if (!r.Has(offString, std::size_t(count) * 2))
                return;
            text = QString(qsizetype(count), Qt::Uninitialized);
            std::memcpy(text.data(), r.At(offString), std::size_t(count) * 2);
        } else {
            if (!r.Has(offString, count))
                return;
            text = QString::fromLatin1(r.At(offString), qsizetype(count));
        }
        std::vector<INT> dx;
        const std::size_t step = (options & ETO_PDY) ? 8 : 4;
        if (offDx && r.Has(offDx, std::size_t(count) * step)) {
            dx.resize(count);
            for (std::uint32_t i = 0; i < count; ++i)
                dx[i] = r.I32(offDx + std::size_t(i) * step);
        }
        const int mode = r.I32(24);
        const int previous = FDc.SetGraphicsMode(mode == GM_ADVANCED ? GM_ADVANCED : GM_COMPATIBLE);
        FDc.ExtTextOut(reference.x, reference.y, options & (ETO_OPAQUE | ETO_CLIPPED), hasRect ? &rect : nullptr, text,
            dx.empty() ? nullptr : dx.data());
        if (previous)
            FDc.SetGraphicsMode(previous);
    }

    void Gradient(const TRecord& r)
    {
        const std::uint32_t vertices = r.U32(24), meshes = r.U32(28), mode = r.U32(32);
        const std::size_t meshSize = mode == GRADIENT_FILL_TRIANGLE ? 12 : 8;
        if (vertices == 0 || vertices > r.Size() / 16 || meshes > r.Size() / meshSize)
            return;
        if (!r.Has(36, std::size_t(vertices) * 16 + std::size_t(meshes) * meshSize))
            return;
        std::vector<TRIVERTEX> v(vertices);
        std::memcpy(v.data(), r.At(36), std::size_t(vertices) * 16);
        std::vector<char> mesh(std::size_t(meshes) * meshSize);
        std::memcpy(mesh.data(), r.At(36 + std::size_t(vertices) * 16), mesh.size());
        FDc.GradientFill(v.data(), vertices, mesh.data(), meshes, mode);
    }

    TDeviceContext FDc;
    std::vector<std::optional<HGDIOBJ>> FObjects;
};

} // namespace

void PlayEnhMetafile(const QByteArray& bytes, const TEnhMetafileHeader& header, QPainter& painter, const QRectF& target)
{
    // Reference device pixels per hundredth of a millimetre, from the header's device sizes.
    const QSize pixels = header.DevicePixels;
    QSizeF micrometres = header.DeviceMicrometres.isEmpty() ? QSizeF(header.DeviceMillimetres) * 1000 : QSizeF(header.DeviceMicrometres);
    if (pixels.width() <= 0 || pixels.height() <= 0 || micrometres.width() <= 0 || micrometres.height() <= 0)
        micrometres = QSizeF(pixels.width() > 0 ? pixels.width() * 25400.0 / 96 : 1, pixels.height() > 0 ? pixels.height() * 25400.0 / 96 : 1);
    const double perHundredthX = pixels.width() > 0 ? pixels.width() / (micrometres.width() / 10) : 96 / 2540.0;
    const double perHundredthY = pixels.height() > 0 ? pixels.height() / (micrometres.height() / 10) : 96 / 2540.0;
    const RECT& f = header.Frame;
    QRectF frame(f.left * perHundredthX, f.top * perHundredthY, (double(f.right) - f.left) * perHundredthX,
        (double(f.bottom) - f.top) * perHundredthY);
    if (!(frame.width() > 0 && frame.height() > 0)) {
        const RECT& b = header.Bounds;
        frame = QRectF(b.left, b.top, double(b.right) - b.left + 1, double(b.bottom) - b.top + 1);
    }
    if (!(frame.width() > 0 && frame.height() > 0) || target.isEmpty())
        return;
    const QTransform deviceToTarget = QTransform::fromTranslate(-frame.left(), -frame.top())
        * QTransform::fromScale(target.width() / frame.width(), target.height() / frame.height())
        * QTransform::fromTranslate(target.left(), target.top());

    TDeviceCaps caps;
    // A damaged header can claim any resolution; a sane range keeps the numbers whole.
    caps.DpiX = int(std::clamp(std::nearbyint(perHundredthX * 2540), 1.0, 1.0e6));
    caps.DpiY = int(std::clamp(std::nearbyint(perHundredthY * 2540), 1.0, 1.0e6));
    caps.Pixels = pixels.isValid() ? pixels : QSize();
    caps.Millimetres = header.DeviceMillimetres.isValid() ? header.DeviceMillimetres : QSize();

    painter.save();
    {
        TEmfPlayer player(painter, deviceToTarget, caps, header.Handles);
        qsizetype offset = 0;
        const qsizetype size = bytes.size();
        while (offset + 8 <= size) {
            std::uint32_t recordSize;
            std::memcpy(&recordSize, bytes.constData() + offset + 4, 4);
            if (recordSize < 8 || recordSize > std::uint64_t(size - offset))
                break;
            const TRecord record(bytes.constData() + offset, recordSize);
            if (offset > 0 && !player.Play(record))
                break;
            offset += recordSize;
        }
    }
    painter.restore();
}
