// WmfConverter.cpp: Windows metafiles (16-bit records, as RTF's \wmetafile holds them) rewritten as
// enhanced metafiles, so one player draws both. The common drawing, object, text and bitmap records
// are converted; palettes, regions, escapes and device-dependent bitmaps are left out.
#include "EnhMetafile.h"

#include "DibImage.h"
#include "EmfWriter.h"
#include "Errors.h"
#include "GdiDefs.h"

#include <uemf.h>

#include <QFont>
#include <QFontMetricsF>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

namespace {

constexpr std::uint32_t PlaceableKey = 0x9AC6CDD7;
constexpr int ReferenceDpi = 1200;

[[noreturn]] void Malformed(const QString& why) { throw EConvertError(QStringLiteral("Not a valid Windows metafile: %1").arg(why)); }

// The upper half of code page 1252; the lower half and the rest are Latin-1.
constexpr char16_t Cp1252High[32] = { 0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122,
    0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178 };

std::vector<std::uint16_t> Utf16FromAnsi(const char* text, std::size_t length, bool symbol)
{
    std::vector<std::uint16_t> result;
    result.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        result.push_back(!symbol && c >= 0x80 && c < 0xA0 ? Cp1252High[c - 0x80] : c);
    }
    return result;
}

class TWmfRecord {
public:
    TWmfRecord(const char* data, std::size_t words)
        : FData(data)
        , FWords(words)
    {
    }
    std::uint16_t Function() const { return Word(2); }
    std::size_t Words() const { return FWords; }
    /// Word i of the record (0 and 1 are its size, 2 its function); 0 outside.
    std::uint16_t Word(std::size_t i) const
    {
        if (i >= FWords)
            return 0;
        std::uint16_t v;
        std::memcpy(&v, FData + 2 * i, 2);
        return v;
    }
    std::int16_t Short(std::size_t i) const { return std::int16_t(Word(i)); }
    /// Parameter i (after the function).
    std::int16_t P(std::size_t i) const { return Short(3 + i); }
    std::uint32_t Color(std::size_t i) const { return (std::uint32_t(Word(3 + i)) | (std::uint32_t(Word(4 + i)) << 16)) & 0x00FFFFFF; }
    bool HasParams(std::size_t count) const { return 3 + count <= FWords; }
    const char* Bytes(std::size_t param) const { return FData + 2 * (3 + param); }
    std::size_t BytesFrom(std::size_t param) const { return 3 + param <= FWords ? 2 * (FWords - 3 - param) : 0; }

private:
    const char* FData;
    std::size_t FWords;
};

class TWmfConverter {
public:
    TWmfConverter(std::size_t objects, bool compat)
        : FSlots(std::min<std::size_t>(objects, 65535))
        , FKeepMapping(compat)
    {
    }

    TEmfWriter& Writer() { return FWriter; }

    void Convert(const TWmfRecord& r)
    {
        switch (r.Function()) {
        case 0x0201: // SETBKCOLOR
            FWriter.Append(U_EMRSETBKCOLOR_set(ColorL(r.Color(0))));
            break;
        case 0x0102: // SETBKMODE
            FWriter.Append(U_EMRSETBKMODE_set(std::uint32_t(r.P(0))));
            break;
        case 0x0103: // SETMAPMODE
            // The picture is always stretched over its frame; fixed scales would lose the frame.
            if (FKeepMapping)
                FWriter.Append(U_EMRSETMAPMODE_set(std::uint32_t(r.P(0))));
            break;
        case 0x0104: // SETROP2
            FWriter.Append(U_EMRSETROP2_set(std::uint32_t(r.P(0))));
            break;
        case 0x0106: // SETPOLYFILLMODE
            FWriter.Append(U_EMRSETPOLYFILLMODE_set(std::uint32_t(r.P(0))));
            break;
        case 0x0107: // SETSTRETCHBLTMODE
            FWriter.Append(U_EMRSETSTRETCHBLTMODE_set(std::uint32_t(r.P(0))));
            break;
        case 0x0209: // SETTEXTCOLOR
            FWriter.Append(U_EMRSETTEXTCOLOR_set(ColorL(r.Color(0))));
            break;
        case 0x012E: // SETTEXTALIGN
            FWriter.Append(U_EMRSETTEXTALIGN_set(r.Word(3)));
            break;
        case 0x020B: // SETWINDOWORG
            FWriter.Append(U_EMRSETWINDOWORGEX_set(U_POINTL { r.P(1), r.P(0) }));
            break;
        case 0x020C: // SETWINDOWEXT
            if (r.P(0) != 0 && r.P(1) != 0)
                FWriter.Append(U_EMRSETWINDOWEXTEX_set(U_SIZEL { r.P(1), r.P(0) }));
            break;
        case 0x020F: // OFFSETWINDOWORG
            FWriter.Append(U_EMRSETWINDOWORGEX_set(U_POINTL { r.P(1), r.P(0) })); // approximated as absolute
            break;
        case 0x0410: // SCALEWINDOWEXT
            FWriter.Append(U_EMRSCALEWINDOWEXTEX_set(r.P(3), r.P(2), r.P(1), r.P(0)));
            break;
        case 0x0213: // LINETO
            FWriter.Append(U_EMRLINETO_set(U_POINTL { r.P(1), r.P(0) }));
            break;
        case 0x0214: // MOVETO
            FWriter.Append(U_EMRMOVETOEX_set(U_POINTL { r.P(1), r.P(0) }));
            break;
        case 0x0415: // EXCLUDECLIPRECT
            FWriter.Append(U_EMREXCLUDECLIPRECT_set(Rect(r, 0)));
            break;
        case 0x0416: // INTERSECTCLIPRECT
            FWriter.Append(U_EMRINTERSECTCLIPRECT_set(Rect(r, 0)));
            break;
        case 0x0817: // ARC
        case 0x081A: // PIE
        case 0x0830: { // CHORD
            const U_RECTL box = Rect(r, 4);
            const U_POINTL start { r.P(3), r.P(2) }, end { r.P(1), r.P(0) };
            if (r.Function() == 0x0817)
                FWriter.Append(U_EMRARC_set(box, start, end));
            else if (r.Function() == 0x081A)
                FWriter.Append(U_EMRPIE_set(box, start, end));
            else
                FWriter.Append(U_EMRCHORD_set(box, start, end));
            break;
        }
        case 0x0418: // ELLIPSE
            FWriter.Append(U_EMRELLIPSE_set(Rect(r, 0)));
            break;
        case 0x041B: // RECTANGLE
            FWriter.Append(U_EMRRECTANGLE_set(Rect(r, 0)));
            break;
        case 0x061C: // ROUNDRECT
            FWriter.Append(U_EMRROUNDRECT_set(Rect(r, 2), U_SIZEL { r.P(1), r.P(0) }));
            break;
        case 0x041F: // SETPIXEL
            FWriter.Append(U_EMRSETPIXELV_set(U_POINTL { r.P(3), r.P(2) }, ColorL(r.Color(0))));
            break;
        case 0x001E: // SAVEDC
            FWriter.Append(U_EMRSAVEDC_set());
            break;
        case 0x0127: // RESTOREDC
            FWriter.Append(U_EMRRESTOREDC_set(r.P(0)));
            break;
        case 0x0324: // POLYGON
        case 0x0325: { // POLYLINE
            const std::size_t count = r.Word(3);
            if (count < 2 || !r.HasParams(1 + 2 * count))
                break;
            std::vector<U_POINT16> points(count);
            for (std::size_t i = 0; i < count; ++i)
                points[i] = { r.P(1 + 2 * i), r.P(2 + 2 * i) };
            const U_RECTL none { 0, 0, -1, -1 };
            FWriter.Append(r.Function() == 0x0324 ? U_EMRPOLYGON16_set(none, std::uint32_t(count), points.data())
                                                  : U_EMRPOLYLINE16_set(none, std::uint32_t(count), points.data()));
            break;
        }
        case 0x0538: { // POLYPOLYGON
            const std::size_t polygons = r.Word(3);
            if (polygons == 0 || !r.HasParams(1 + polygons))
                break;
            std::vector<std::uint32_t> counts(polygons);
            std::size_t total = 0;
            for (std::size_t i = 0; i < polygons; ++i)
                total += counts[i] = r.Word(4 + i);
            if (!r.HasParams(1 + polygons + 2 * total))
                break;
            std::vector<U_POINT16> points(total);
            for (std::size_t i = 0; i < total; ++i)
                points[i] = { r.P(1 + polygons + 2 * i), r.P(2 + polygons + 2 * i) };
            FWriter.Append(U_EMRPOLYPOLYGON16_set(U_RECTL { 0, 0, -1, -1 }, std::uint32_t(polygons), counts.data(),
                std::uint32_t(total), points.data()));
            break;
        }
        case 0x0521: { // TEXTOUT
            const std::size_t length = r.Word(3);
            const std::size_t words = (length + 1) / 2;
            if (!r.HasParams(1 + words + 2))
                break;
            const std::int16_t y = r.P(1 + words), x = r.P(2 + words);
            Text(x, y, 0, std::nullopt, r.Bytes(1), length, {});
            break;
        }
        case 0x0A32: { // EXTTEXTOUT
            if (!r.HasParams(4))
                break;
            const std::int16_t y = r.P(0), x = r.P(1);
            const std::size_t length = r.Word(5);
            const std::uint16_t options = r.Word(6);
            std::size_t param = 4;
            std::optional<U_RECTL> rect;
            if (options & (ETO_OPAQUE | ETO_CLIPPED)) {
                if (!r.HasParams(8))
                    break;
                rect = U_RECTL { r.P(4), r.P(5), r.P(6), r.P(7) };
                param = 8;
            }
            const std::size_t words = (length + 1) / 2;
            if (r.BytesFrom(param) < length)
                break;
            std::vector<std::int32_t> dx;
            if (r.HasParams(param + words + length)) {
                for (std::size_t i = 0; i < length; ++i)
                    dx.push_back(r.P(param + words + i));
            }
            Text(x, y, options & (ETO_OPAQUE | ETO_CLIPPED), rect, r.Bytes(param), length, dx);
            break;
        }
        case 0x02FA: { // CREATEPENINDIRECT
            LOGPEN pen { r.Word(3), { r.P(1), r.P(2) }, r.Color(3) };
            const std::uint32_t handle = Create(false);
            if (handle)
                FWriter.Append(U_EMRCREATEPEN_set(handle, logpen_set(pen.lopnStyle, U_POINT { pen.lopnWidth.x, 0 }, ColorL(pen.lopnColor))));
            break;
        }
        case 0x02FC: { // CREATEBRUSHINDIRECT
            const std::uint32_t handle = Create(false);
            if (handle) {
                std::uint32_t style = r.Word(3);
                if (style != U_BS_SOLID && style != U_BS_NULL && style != U_BS_HATCHED)
                    style = U_BS_SOLID;
                FWriter.Append(U_EMRCREATEBRUSHINDIRECT_set(handle, logbrush_set(style, ColorL(r.Color(1)), r.Word(6))));
            }
            break;
        }
        case 0x0142: { // DIBCREATEPATTERNBRUSH
            const std::uint32_t handle = Create(false);
            if (!handle)
                break;
            const QImage pattern = ImageFromPackedDib(QByteArray(r.Bytes(2), qsizetype(r.BytesFrom(2))));
            if (pattern.isNull()) {
                FWriter.Append(U_EMRCREATEBRUSHINDIRECT_set(handle, logbrush_set(U_BS_SOLID, U_RGB(128, 128, 128), 0)));
                break;
            }
            const TDib dib = DibFromImage(pattern, 24);
            FWriter.Append(U_EMRCREATEDIBPATTERNBRUSHPT_set(handle, U_DIB_RGB_COLORS,
                reinterpret_cast<PU_BITMAPINFO>(const_cast<char*>(dib.Info.constData())), std::uint32_t(dib.Bits.size()), dib.Bits.constData()));
            break;
        }
        case 0x02FB: { // CREATEFONTINDIRECT
            const std::uint32_t handle = Create(false);
            if (!handle)
                break;
            U_LOGFONT log {};
            log.lfHeight = r.P(0);
            log.lfWidth = r.P(1);
            log.lfEscapement = r.P(2);
            log.lfOrientation = r.P(3);
            log.lfWeight = r.P(4);
            const std::size_t available = r.BytesFrom(5);
            const auto* bytes = reinterpret_cast<const unsigned char*>(r.Bytes(5));
            auto byteAt = [&](std::size_t i) { return i < available ? bytes[i] : std::uint8_t(0); };
            log.lfItalic = byteAt(0);
            log.lfUnderline = byteAt(1);
            log.lfStrikeOut = byteAt(2);
            log.lfCharSet = byteAt(3);
            log.lfOutPrecision = byteAt(4);
            log.lfClipPrecision = byteAt(5);
            log.lfQuality = byteAt(6);
            log.lfPitchAndFamily = byteAt(7);
            for (std::size_t i = 0; i < U_LF_FACESIZE - 1 && byteAt(8 + i); ++i)
                log.lfFaceName[i] = byteAt(8 + i);
            FFonts.resize(std::max<std::size_t>(FFonts.size(), handle + 1));
            TFontInfo& font = FFonts[handle];
            font.symbol = log.lfCharSet == SYMBOL_CHARSET_VALUE ? 1 : 0;
            font.face = QString::fromLatin1(reinterpret_cast<const char*>(log.lfFaceName));
            font.height = log.lfHeight;
            font.weight = log.lfWeight;
            font.italic = log.lfItalic != 0;
            std::vector<std::uint16_t> none(1, 0);
            U_LOGFONT_PANOSE full = logfont_panose_set(log, none.data(), none.data(), 0, U_PANOSE {});
            FWriter.Append(U_EMREXTCREATEFONTINDIRECTW_set(handle, nullptr, reinterpret_cast<const char*>(&full)));
            break;
        }
        case 0x00F7: // CREATEPALETTE
        case 0x01F9: // CREATEPATTERNBRUSH (device-dependent)
        case 0x06FF: // CREATEREGION
            Create(true);
            break;
        case 0x012D: { // SELECTOBJECT
            const std::size_t index = r.Word(3);
            if (index < FSlots.size() && FSlots[index].used && FSlots[index].handle) {
                FWriter.Append(U_EMRSELECTOBJECT_set(FSlots[index].handle));
                if (FSlots[index].handle < FFonts.size() && FFonts[FSlots[index].handle].symbol >= 0)
                    FFont = FFonts[FSlots[index].handle];
            }
            break;
        }
        case 0x01F0: { // DELETEOBJECT
            const std::size_t index = r.Word(3);
            if (index < FSlots.size() && FSlots[index].used) {
                if (FSlots[index].handle) {
                    FWriter.Append(U_EMRDELETEOBJECT_set(FSlots[index].handle));
                    FWriter.FreeHandle(FSlots[index].handle);
                    if (FSlots[index].handle < FFonts.size())
                        FFonts[FSlots[index].handle] = {};
                }
                FSlots[index] = {};
            }
            break;
        }
        case 0x061D: { // PATBLT
            const std::uint32_t rop = std::uint32_t(r.Word(3)) | (std::uint32_t(r.Word(4)) << 16);
            const std::int16_t h = r.P(2), w = r.P(3), y = r.P(4), x = r.P(5);
            FWriter.Append(U_EMRBITBLT_set(U_RECTL { 0, 0, -1, -1 }, U_POINTL { x, y }, U_POINTL { w, h }, U_POINTL { 0, 0 },
                xform_set(1, 0, 0, 1, 0, 0), U_RGB(255, 255, 255), U_DIB_RGB_COLORS, rop, nullptr, 0, nullptr));
            break;
        }
        case 0x0940: // DIBBITBLT
        case 0x0B41: // DIBSTRETCHBLT
        case 0x0F43: // STRETCHDIB
        case 0x0D33: // SETDIBTODEV
            Bitmap(r);
            break;
        default: // EOF, escapes, palettes, viewport records of the producing device
            break;
        }
    }

private:
    static constexpr BYTE SYMBOL_CHARSET_VALUE = 2;

    struct TSlot {
        bool used = false;
        std::uint32_t handle = 0; // 0 for objects that are not converted
    };

    static U_COLORREF ColorL(std::uint32_t c) { return U_RGB(std::uint8_t(c & 0xFF), std::uint8_t((c >> 8) & 0xFF), std::uint8_t((c >> 16) & 0xFF)); }

    // Rectangles are stored bottom, right, top, left.
    static U_RECTL Rect(const TWmfRecord& r, std::size_t first)
    {
        return { r.P(first + 3), r.P(first + 2), r.P(first + 1), r.P(first) };
    }

    std::uint32_t Create(bool placeholder)
    {
        // A new object takes the lowest free slot of the table, as the platform numbers them.
        auto slot = std::find_if(FSlots.begin(), FSlots.end(), [](const TSlot& s) { return !s.used; });
        if (slot == FSlots.end()) {
            if (FSlots.size() >= 65535)
                return 0;
            FSlots.emplace_back();
            slot = FSlots.end() - 1;
        }
        slot->used = true;
        slot->handle = placeholder ? 0 : FWriter.AllocateHandle();
        return slot->handle;
    }

    void Text(std::int16_t x, std::int16_t y, std::uint32_t options, std::optional<U_RECTL> rect, const char* bytes, std::size_t length,
        const std::vector<std::int32_t>& dx)
    {
        if (length == 0)
            return;
        std::vector<std::uint16_t> text = Utf16FromAnsi(bytes, length, FFont.symbol == 1);
        std::vector<std::uint32_t> advances;
        if (dx.size() == length)
            advances.assign(dx.begin(), dx.end());
        else
            advances = NaturalAdvances(text); // an EMF text record must carry them
        std::uint32_t flags = options;
        if (!rect)
            flags |= U_ETO_NO_RECT;
        char* emrtext = emrtext_set(U_POINTL { x, y }, U_NUM_STR(length), 2, text.data(), flags, rect.value_or(U_RECTL { 0, 0, -1, -1 }),
            advances.empty() ? nullptr : advances.data());
        if (!emrtext)
            return;
        FWriter.Append(U_EMREXTTEXTOUTW_set(U_RECTL { 0, 0, -1, -1 }, U_GM_COMPATIBLE, 1, 1, reinterpret_cast<PU_EMRTEXT>(emrtext)));
        std::free(emrtext);
    }

    void Bitmap(const TWmfRecord& r)
    {
        const std::uint16_t function = r.Function();
        const bool withBitmap = r.Words() != std::size_t(function >> 8) + 3;
        std::size_t dibParam;
        std::int32_t xDest, yDest, wDest, hDest, xSrc, ySrc, wSrc, hSrc;
        std::uint32_t rop = U_SRCCOPY;
        switch (function) {
        case 0x0940: // rop, ySrc, xSrc, (reserved,) height, width, yDest, xDest
            if (!withBitmap)
                return;
            rop = std::uint32_t(r.Word(3)) | (std::uint32_t(r.Word(4)) << 16);
            ySrc = r.P(2);
            xSrc = r.P(3);
            hSrc = hDest = r.P(4);
            wSrc = wDest = r.P(5);
            yDest = r.P(6);
            xDest = r.P(7);
            dibParam = 8;
            break;
        case 0x0B41: // rop, srcHeight, srcWidth, ySrc, xSrc, destHeight, destWidth, yDest, xDest
            if (!withBitmap)
                return;
            rop = std::uint32_t(r.Word(3)) | (std::uint32_t(r.Word(4)) << 16);
            hSrc = r.P(2);
            wSrc = r.P(3);
            ySrc = r.P(4);
            xSrc = r.P(5);
            hDest = r.P(6);
            wDest = r.P(7);
            yDest = r.P(8);
            xDest = r.P(9);
            dibParam = 10;
            break;
        case 0x0F43: // rop, usage, srcHeight, srcWidth, ySrc, xSrc, destHeight, destWidth, yDest, xDest
            rop = std::uint32_t(r.Word(3)) | (std::uint32_t(r.Word(4)) << 16);
            hSrc = r.P(3);
            wSrc = r.P(4);
            ySrc = r.P(5);
            xSrc = r.P(6);
            hDest = r.P(7);
            wDest = r.P(8);
            yDest = r.P(9);
            xDest = r.P(10);
            dibParam = 11;
            break;
        default: // SETDIBTODEV: usage, scans, start, yDib, xDib, height, width, yDest, xDest
            ySrc = r.P(3);
            xSrc = r.P(4);
            hSrc = hDest = r.P(5);
            wSrc = wDest = r.P(6);
            yDest = r.P(7);
            xDest = r.P(8);
            dibParam = 9;
            break;
        }
        const QImage image = ImageFromPackedDib(QByteArray(r.Bytes(dibParam), qsizetype(r.BytesFrom(dibParam))));
        if (image.isNull())
            return;
        const TDib dib = DibFromImage(image, 24);
        FWriter.Append(U_EMRSTRETCHDIBITS_set(U_RECTL { 0, 0, -1, -1 }, U_POINTL { xDest, yDest }, U_POINTL { wDest, hDest },
            U_POINTL { xSrc, ySrc }, U_POINTL { wSrc, hSrc }, U_DIB_RGB_COLORS, rop,
            reinterpret_cast<PU_BITMAPINFO>(const_cast<char*>(dib.Info.constData())), std::uint32_t(dib.Bits.size()),
            const_cast<char*>(dib.Bits.constData())));
    }

    TEmfWriter FWriter;
    std::vector<TSlot> FSlots;
    struct TFontInfo {
        int symbol = -1; // 1 symbol, 0 other, -1 no font
        QString face;
        int height = 0; // logical units: negative the character height, positive the cell height
        int weight = 0;
        bool italic = false;
    };
    std::vector<TFontInfo> FFonts; // by EMF handle
    TFontInfo FFont; // the font selected

    // The advances of the selected font in logical units, measured large and scaled down so small
    // logical sizes keep their fractions.
    std::vector<std::uint32_t> NaturalAdvances(const std::vector<std::uint16_t>& text) const
    {
        constexpr int Measured = 1000;
        QFont font(FFont.face.isEmpty() ? QStringLiteral("Arial") : FFont.face);
        font.setPixelSize(Measured);
        if (FFont.weight > 0)
            font.setWeight(QFont::Weight(std::clamp(FFont.weight, 100, 900)));
        font.setItalic(FFont.italic);
        const QFontMetricsF metrics(font);
        const double height = FFont.height == 0 ? 12.0 : std::abs(double(FFont.height));
        const double em = FFont.height > 0 ? height * Measured / std::max(1.0, metrics.height()) : height;
        const double scale = em / Measured;
        std::vector<std::uint32_t> advances;
        advances.reserve(text.size());
        for (std::uint16_t c : text)
            advances.push_back(std::uint32_t(std::lround(metrics.horizontalAdvance(QChar(c)) * scale)));
        return advances;
    }
    bool FKeepMapping = false;
};

std::uint16_t Word(const QByteArray& bytes, qsizetype offset)
{
    std::uint16_t v;
    std::memcpy(&v, bytes.constData() + offset, 2);
    return v;
}

std::uint32_t DWord(const QByteArray& bytes, qsizetype offset)
{
    std::uint32_t v;
    std::memcpy(&v, bytes.constData() + offset, 4);
    return v;
}

} // namespace

TEnhMetafile TEnhMetafile::FromWmf(const QByteArray& bytes, QSize sizeHundredthsMm)
{
    qsizetype offset = 0;
    std::optional<QRect> placeableBox;
    int unitsPerInch = 1440;
    if (bytes.size() >= 22 && DWord(bytes, 0) == PlaceableKey) {
        const auto left = std::int16_t(Word(bytes, 6)), top = std::int16_t(Word(bytes, 8));
        const auto right = std::int16_t(Word(bytes, 10)), bottom = std::int16_t(Word(bytes, 12));
        placeableBox = QRect(QPoint(left, top), QPoint(right, bottom)).normalized();
        if (Word(bytes, 14) > 0)
            unitsPerInch = Word(bytes, 14);
        offset = 22;
    }
    if (bytes.size() < offset + 18)
        Malformed(QStringLiteral("too short"));
    const std::uint16_t type = Word(bytes, offset), headerWords = Word(bytes, offset + 2);
    if ((type != 1 && type != 2) || headerWords != 9)
        Malformed(QStringLiteral("no header"));
    const std::size_t objects = Word(bytes, offset + 10);
    offset += 18;

    // The window the drawing is made in: the placeable box, else the first window records.
    QPoint origin;
    QSize extent;
    if (placeableBox) {
        origin = placeableBox->topLeft();
        extent = QSize(placeableBox->width() - 1, placeableBox->height() - 1);
    }
    std::vector<std::pair<qsizetype, std::size_t>> records;
    for (qsizetype at = offset; at + 6 <= bytes.size();) {
        const std::uint32_t words = DWord(bytes, at);
        if (words < 3 || std::uint64_t(words) * 2 > std::uint64_t(bytes.size() - at))
            Malformed(QStringLiteral("record at byte %1 has a bad size").arg(at));
        const std::uint16_t function = Word(bytes, at + 4);
        if (function == 0x0000)
            break;
        if (!placeableBox && function == 0x020C && words >= 5 && extent.isEmpty())
            extent = QSize(std::abs(std::int16_t(Word(bytes, at + 8))), std::abs(std::int16_t(Word(bytes, at + 6))));
        if (!placeableBox && function == 0x020B && words >= 5 && origin.isNull())
            origin = QPoint(std::int16_t(Word(bytes, at + 8)), std::int16_t(Word(bytes, at + 6)));
        records.emplace_back(at, std::size_t(words));
        if (records.size() > 10'000'000)
            Malformed(QStringLiteral("too many records"));
        at += qsizetype(words) * 2;
    }
    if (extent.width() <= 0 || extent.height() <= 0)
        extent = QSize(1440, 1440);
    QSize frame = sizeHundredthsMm;
    if (frame.width() <= 0 || frame.height() <= 0)
        frame = QSize(int(std::clamp(std::nearbyint(extent.width() * 2540.0 / unitsPerInch), 0.0, 1.0e8)),
            int(std::clamp(std::nearbyint(extent.height() * 2540.0 / unitsPerInch), 0.0, 1.0e8)));
    if (frame.width() <= 0 || frame.height() <= 0)
        Malformed(QStringLiteral("empty picture"));

    TWmfConverter converter(objects, false);
    TEmfWriter& writer = converter.Writer();
    // In doubles: a damaged header's frame of millions of millimetres must not overflow.
    auto pixelsOf = [](int hundredthsMm) {
        return int(std::clamp(std::nearbyint(hundredthsMm * double(ReferenceDpi) / 2540.0), 1.0, 1.0e8));
    };
    const QSize framePixels(pixelsOf(frame.width()), pixelsOf(frame.height()));
    writer.Append(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
    writer.Append(U_EMRSETWINDOWORGEX_set(U_POINTL { origin.x(), origin.y() }));
    writer.Append(U_EMRSETWINDOWEXTEX_set(U_SIZEL { extent.width(), extent.height() }));
    writer.Append(U_EMRSETVIEWPORTORGEX_set(U_POINTL { 0, 0 }));
    writer.Append(U_EMRSETVIEWPORTEXTEX_set(U_SIZEL { framePixels.width(), framePixels.height() }));
    for (const auto& [at, words] : records)
        converter.Convert(TWmfRecord(bytes.constData() + at, words));
    writer.AddBounds(QRectF(QPointF(0, 0), QSizeF(framePixels)));

    const QSize device(int(std::nearbyint(210 / 25.4 * ReferenceDpi)), int(std::nearbyint(297 / 25.4 * ReferenceDpi)));
    const QSize micrometres(210000, 297000);
    return FromBytes(writer.Finish(QRect(QPoint(0, 0), frame), device, micrometres, QString(), QString()));
}
