#pragma once
// Units.h: conversions between the platform's length units and rectangle types.
// Device lengths round to nearest with ties to even, as the engine's devices do.
#include "GdiDefs.h"

#include <QRect>

#include <cmath>
#include <cstdint>

inline int TwipsFromPoints(double points) { return int(std::nearbyint(points * 20)); }
constexpr int PointsFromTwips(int twips) { return twips / 20; } // truncates toward zero
inline int PixelsFromTwips(int twips, int dpi) { return int(std::nearbyint(twips * double(dpi) / 1440.0)); }
inline int TwipsFromPixels(int pixels, int dpi) { return dpi > 0 ? int(std::nearbyint(pixels * 1440.0 / dpi)) : 0; }
inline int PixelsFromInches(double inches, int dpi) { return int(std::nearbyint(inches * dpi)); }
/// Hundredths of a millimetre, the unit of a metafile's frame.
inline int HundredthsMmFromPixels(double pixels, double dpi) { return dpi > 0 ? int(std::nearbyint(pixels * 2540.0 / dpi)) : 0; }
inline double PixelsFromHundredthsMm(double hundredths, double dpi) { return hundredths * dpi / 2540.0; }

// RECT's right and bottom are exclusive, QRect's right() and bottom() are not.
inline RECT RectFromQRect(const QRect& r) { return { r.x(), r.y(), r.x() + r.width(), r.y() + r.height() }; }
inline QRect QRectFromRect(const RECT& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

/// The platform's MulDiv: a * b / c in 64 bits, halves rounded away from zero; -1 when c is 0.
constexpr int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const std::int64_t product = std::int64_t(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const std::int64_t magnitude = product < 0 ? -product : product;
    const std::int64_t divisor = c < 0 ? -std::int64_t(c) : c;
    const std::int64_t quotient = (magnitude + divisor / 2) / divisor;
    return int(negative ? -quotient : quotient);
}
