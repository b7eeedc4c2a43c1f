#include "GdiColors.h"

#include <array>

namespace {

// The classic platform defaults; a theme may differ, documents and menus expect these.
constexpr std::array<COLORREF, 31> SystemColors = {
    RGB(200, 200, 200), // scroll bar
    RGB(0, 0, 0), // desktop
    RGB(153, 180, 209), // active caption
    RGB(191, 205, 219), // inactive caption
    RGB(240, 240, 240), // menu
    RGB(255, 255, 255), // window
    RGB(100, 100, 100), // window frame
    RGB(0, 0, 0), // menu text
    RGB(0, 0, 0), // window text
    RGB(0, 0, 0), // caption text
    RGB(180, 180, 180), // active border
    RGB(244, 247, 252), // inactive border
    RGB(171, 171, 171), // application workspace
    RGB(0, 120, 215), // highlight
    RGB(255, 255, 255), // highlight text
    RGB(240, 240, 240), // button face
    RGB(160, 160, 160), // button shadow
    RGB(109, 109, 109), // grey text
    RGB(0, 0, 0), // button text
    RGB(0, 0, 0), // inactive caption text
    RGB(255, 255, 255), // button highlight
    RGB(105, 105, 105), // 3D dark shadow
    RGB(227, 227, 227), // 3D light
    RGB(0, 0, 0), // tooltip text
    RGB(255, 255, 225), // tooltip background
    RGB(0, 0, 0), // unused index 25
    RGB(0, 102, 204), // hot-tracked item
    RGB(185, 209, 234), // active caption gradient
    RGB(215, 228, 242), // inactive caption gradient
    RGB(51, 153, 255), // flat menu highlight
    RGB(240, 240, 240), // menu bar
};

} // namespace

COLORREF GetSysColor(int index)
{
    return index >= 0 && index < int(SystemColors.size()) ? SystemColors[std::size_t(index)] : RGB(0, 0, 0);
}

QColor QColorFromColorRef(COLORREF color)
{
    if (color == clNone)
        return QColor(Qt::transparent);
    switch (color >> 24) {
    case 0x00:
    case 0x02:
        return QColor(GetRValue(color), GetGValue(color), GetBValue(color));
    case 0x80: {
        const COLORREF system = GetSysColor(int(color & 0xFF));
        return QColor(GetRValue(system), GetGValue(system), GetBValue(system));
    }
    default: // the default colour, palette indexes and anything undefined
        return QColor(Qt::black);
    }
}

COLORREF ColorRefFromQColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return RGB(BYTE(rgb.red()), BYTE(rgb.green()), BYTE(rgb.blue()));
}
