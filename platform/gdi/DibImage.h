#pragma once
// DibImage.h: device-independent bitmaps (the rows of BMP files, metafile records and clipboards)
// to and from QImage.
#include "GdiDefs.h"

#include <QByteArray>
#include <QImage>

#include <cstddef>

/// The largest DIB decoded, in pixels; hostile headers ask for far more.
constexpr qint64 MaxDibPixels = 64LL * 1024 * 1024;

/// Bytes in one row of a DIB: rows are padded to 4 bytes.
constexpr qint64 DibStride(qint64 width, int bitsPerPixel) { return ((width * bitsPerPixel + 31) / 32) * 4; }

/// Decodes a BITMAPINFO (header and colour table) and its bits: 1, 4, 8, 16, 24 and 32 bits per
/// pixel, BI_RGB, BI_BITFIELDS, BI_RLE4/8, and embedded PNG or JPEG. The 32-bit alpha byte is kept
/// only with keepAlpha (the platform's plain blits ignore it). A null image when the header, the
/// colour table or the bits do not fit in the sizes given.
QImage ImageFromDib(const char* info, std::size_t infoSize, const char* bits, std::size_t bitsSize, bool keepAlpha = false);
/// A packed DIB: BITMAPINFOHEADER, then the bits, as on the clipboard and in \dibitmap.
QImage ImageFromPackedDib(const QByteArray& packed);

struct TDib {
    QByteArray Info; // BITMAPINFOHEADER (no colour table at 24 and 32 bits)
    QByteArray Bits; // bottom row first
};
/// 24 bits per pixel, or 32 with the image's alpha in the fourth byte, premultiplied on request.
TDib DibFromImage(const QImage& image, int bitsPerPixel = 24, bool premultiplied = false);
