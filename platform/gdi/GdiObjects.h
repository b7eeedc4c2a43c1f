#pragma once
// GdiObjects.h: pens, brushes and fonts as values. Selecting one into a device context copies it,
// so there is nothing to delete; DeleteObject exists for callers written against handles.
#include "GdiDefs.h"

#include <QImage>
#include <QString>

#include <variant>
#include <vector>

class TGdiPen {
public:
    DWORD Style = PS_SOLID; // PS_* style, end cap, join and type bits
    int Width = 0; // logical units; 0 is one device pixel, as are cosmetic pens
    COLORREF Color = 0;
    std::vector<DWORD> UserStyle; // dash and gap lengths for PS_USERSTYLE
    /// Pens made by CreatePen scale with the mapping when wider than 0, with round ends and joins.
    bool IsCosmetic() const { return (Style & PS_TYPE_MASK) != PS_GEOMETRIC && Width == 0; }
    bool IsNull() const { return (Style & PS_STYLE_MASK) == PS_NULL; }
    bool operator==(const TGdiPen&) const = default;
};

class TGdiBrush {
public:
    UINT Style = BS_SOLID;
    COLORREF Color = 0;
    int Hatch = HS_HORIZONTAL;
    QImage Pattern; // BS_PATTERN and BS_DIBPATTERN
    bool IsNull() const { return Style == BS_NULL; }
    bool operator==(const TGdiBrush& other) const
    {
        return Style == other.Style && Color == other.Color && Hatch == other.Hatch && Pattern == other.Pattern;
    }
};

class TGdiFont {
public:
    LOGFONTW LogFont;
    QString FaceName() const;
    void SetFaceName(const QString& face); // truncated to 31 characters
    bool operator==(const TGdiFont& other) const;
};

using HPEN = TGdiPen;
using HBRUSH = TGdiBrush;
using HFONT = TGdiFont;
using HGDIOBJ = std::variant<TGdiPen, TGdiBrush, TGdiFont>;

HPEN CreatePen(int style, int width, COLORREF color);
HPEN CreatePenIndirect(const LOGPEN& pen);
/// Geometric pens take the brush's colour; user styles give dash and gap lengths in turn.
HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH& brush, DWORD styleCount = 0, const DWORD* styleEntries = nullptr);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
HBRUSH CreateBrushIndirect(const LOGBRUSH& brush);
HBRUSH CreatePatternBrush(const QImage& pattern);
HFONT CreateFontIndirect(const LOGFONTW& font);
/// Pens, brushes and fonts of the platform's stock; anything else gives the black pen.
HGDIOBJ GetStockObject(int index);
inline BOOL DeleteObject(const HGDIOBJ&) { return TRUE; }
