#include "GdiObjects.h"

#include "GdiFontDefs.h"

#include <algorithm>
#include <cstring>

QString TGdiFont::FaceName() const
{
    const WCHAR* face = LogFont.lfFaceName;
    const auto length = std::find(face, face + LF_FACESIZE, u'\0') - face;
    return QString(reinterpret_cast<const QChar*>(face), length);
}

void TGdiFont::SetFaceName(const QString& face)
{
    std::fill(std::begin(LogFont.lfFaceName), std::end(LogFont.lfFaceName), u'\0');
    const auto length = std::min<qsizetype>(face.size(), LF_FACESIZE - 1);
    std::copy_n(reinterpret_cast<const WCHAR*>(face.utf16()), length, LogFont.lfFaceName);
}

bool TGdiFont::operator==(const TGdiFont& other) const
{
    return std::memcmp(&LogFont, &other.LogFont, sizeof(LOGFONTW)) == 0;
}

HPEN CreatePen(int style, int width, COLORREF color)
{
    TGdiPen pen;
    pen.Style = DWORD(style) & PS_STYLE_MASK;
    pen.Width = std::max(0, width);
    pen.Color = color;
    // Wide pens of CreatePen are geometric with round ends; only solid wide pens exist there.
    if (pen.Width > 1) {
        pen.Style = (pen.Style == PS_NULL ? PS_NULL : pen.Style == PS_INSIDEFRAME ? PS_INSIDEFRAME : PS_SOLID) | PS_GEOMETRIC
            | PS_ENDCAP_ROUND | PS_JOIN_ROUND;
    }
    return pen;
}

HPEN CreatePenIndirect(const LOGPEN& pen)
{
    return CreatePen(int(pen.lopnStyle), pen.lopnWidth.x, pen.lopnColor);
}

HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH& brush, DWORD styleCount, const DWORD* styleEntries)
{
    TGdiPen pen;
    pen.Style = style;
    pen.Color = brush.lbColor;
    if (brush.lbStyle == BS_NULL)
        pen.Style = (pen.Style & ~PS_STYLE_MASK) | PS_NULL;
    const bool geometric = (style & PS_TYPE_MASK) == PS_GEOMETRIC;
    pen.Width = geometric ? int(std::min<DWORD>(width, 0x7FFFFFFF)) : 0;
    if ((style & PS_STYLE_MASK) == PS_USERSTYLE && styleEntries)
        pen.UserStyle.assign(styleEntries, styleEntries + std::min<DWORD>(styleCount, 16));
    return pen;
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    TGdiBrush brush;
    brush.Color = color;
    return brush;
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color)
{
    TGdiBrush brush;
    brush.Style = BS_HATCHED;
    brush.Color = color;
    brush.Hatch = std::clamp(hatch, HS_HORIZONTAL, HS_DIAGCROSS);
    return brush;
}

HBRUSH CreateBrushIndirect(const LOGBRUSH& brush)
{
    switch (brush.lbStyle) {
    case BS_NULL: {
        TGdiBrush hollow;
        hollow.Style = BS_NULL;
        return hollow;
    }
    case BS_HATCHED:
        return CreateHatchBrush(int(brush.lbHatch), brush.lbColor);
    default:
        return CreateSolidBrush(brush.lbColor);
    }
}

HBRUSH CreatePatternBrush(const QImage& pattern)
{
    TGdiBrush brush;
    brush.Style = pattern.isNull() ? BS_SOLID : BS_PATTERN;
    brush.Pattern = pattern;
    return brush;
}

HFONT CreateFontIndirect(const LOGFONTW& font)
{
    TGdiFont result;
    result.LogFont = font;
    result.LogFont.lfFaceName[LF_FACESIZE - 1] = u'\0';
    return result;
}

HGDIOBJ GetStockObject(int index)
{
    switch (index) {
    case WHITE_BRUSH:
        return CreateSolidBrush(RGB(255, 255, 255));
    case LTGRAY_BRUSH:
        return CreateSolidBrush(RGB(192, 192, 192));
    case GRAY_BRUSH:
        return CreateSolidBrush(RGB(128, 128, 128));
    case DKGRAY_BRUSH:
        return CreateSolidBrush(RGB(64, 64, 64));
    case BLACK_BRUSH:
    case DC_BRUSH:
        return CreateSolidBrush(RGB(0, 0, 0));
    case NULL_BRUSH: {
        TGdiBrush brush;
        brush.Style = BS_NULL;
        return brush;
    }
    case WHITE_PEN:
        return CreatePen(PS_SOLID, 0, RGB(255, 255, 255));
    case NULL_PEN:
        return CreatePen(PS_NULL, 0, 0);
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT: {
        TGdiFont font;
        font.LogFont.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
        font.SetFaceName(QStringLiteral("Courier New"));
        return font;
    }
    case ANSI_VAR_FONT:
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
    case DEFAULT_GUI_FONT: {
        // Height 0 asks for the device's default size.
        TGdiFont font;
        font.LogFont.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
        font.SetFaceName(QStringLiteral("Arial"));
        return font;
    }
    default:
        return CreatePen(PS_SOLID, 0, RGB(0, 0, 0));
    }
}
