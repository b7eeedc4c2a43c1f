#include "DibImage.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace {

template <class T> T Field(const char* data, std::size_t offset)
{
    T value;
    std::memcpy(&value, data + offset, sizeof value);
    return value;
}

struct TMask {
    DWORD mask = 0;
    int shift = 0;
    int bits = 0;
    static TMask Of(DWORD mask)
    {
        TMask result;
        result.mask = mask;
        if (mask) {
            result.shift = std::countr_zero(mask);
            result.bits = std::popcount(mask);
        }
        return result;
    }
    int Value(DWORD pixel) const
    {
        if (!mask)
            return 0;
        const DWORD v = (pixel & mask) >> shift;
        const DWORD maximum = bits >= 32 ? 0xFFFFFFFFu : ((1u << bits) - 1);
        return maximum ? int((std::uint64_t(v) * 255 + maximum / 2) / maximum) : 0;
    }
};

// Expands RLE4/RLE8 into one index per byte, top row last, as the platform stores it.
bool DecodeRle(const unsigned char* data, std::size_t size, int width, int height, bool four, std::vector<unsigned char>& out)
{
    out.assign(std::size_t(width) * std::size_t(height), 0);
    int x = 0, y = 0;
    std::size_t i = 0;
    auto put = [&](unsigned char index) {
        if (x < width && y < height)
            out[std::size_t(y) * std::size_t(width) + std::size_t(x)] = index;
        ++x;
    };
    while (i + 1 < size) {
        const unsigned char count = data[i], value = data[i + 1];
        i += 2;
        if (count > 0) {
            for (int k = 0; k < count; ++k)
                put(four ? ((k & 1) ? (value & 0x0F) : (value >> 4)) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            return true;
        } else if (value == 2) { // delta
            if (i + 1 >= size)
                return false;
            x += data[i];
            y += data[i + 1];
            i += 2;
        } else { // absolute run
            const std::size_t bytes = four ? (std::size_t(value) + 1) / 2 : value;
            if (i + bytes > size)
                return false;
            for (int k = 0; k < value; ++k)
                put(four ? ((k & 1) ? (data[i + std::size_t(k / 2)] & 0x0F) : (data[i + std::size_t(k / 2)] >> 4)) : data[i + std::size_t(k)]);
            i += (bytes + 1) & ~std::size_t(1);
        }
        if (y >= height)
            return true;
    }
    return true;
}

} // namespace

QImage ImageFromDib(const char* info, std::size_t infoSize, const char* bits, std::size_t bitsSize, bool keepAlpha)
{
    if (!info || infoSize < 12)
        return {};
    const DWORD headerSize = Field<DWORD>(info, 0);
    if (headerSize < 12 || headerSize > infoSize)
        return {};
    qint64 width, height;
    int bitCount;
    DWORD compression = BI_RGB, colorsUsed = 0;
    int colorEntrySize = 4;
    if (headerSize == 12) { // BITMAPCOREHEADER
        width = Field<WORD>(info, 4);
        height = Field<SHORT>(info, 6);
        bitCount = Field<WORD>(info, 10);
        colorEntrySize = 3;
    } else {
        if (headerSize < 16)
            return {};
        width = Field<LONG>(info, 4);
        height = Field<LONG>(info, 8);
        bitCount = Field<WORD>(info, 14);
        if (headerSize >= 20)
            compression = Field<DWORD>(info, 16);
        if (headerSize >= 36)
            colorsUsed = Field<DWORD>(info, 32);
    }
    const bool topDown = height < 0;
    height = height < 0 ? -height : height;
    if (width <= 0 || height <= 0 || width * height > MaxDibPixels)
        return {};

    if (compression == BI_PNG || compression == BI_JPEG) {
        if (!bits)
            return {};
        QImage image = QImage::fromData(reinterpret_cast<const uchar*>(bits), int(std::min<std::size_t>(bitsSize, 0x7FFFFFFF)));
        return image.isNull() ? image : image.convertToFormat(keepAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    }

    // Colour table (or the three masks of BI_BITFIELDS after a 40-byte header).
    std::vector<QRgb> palette;
    TMask red = TMask::Of(0x00FF0000), green = TMask::Of(0x0000FF00), blue = TMask::Of(0x000000FF), alpha = TMask::Of(0xFF000000);
    if (bitCount == 16) {
        red = TMask::Of(0x7C00);
        green = TMask::Of(0x03E0);
        blue = TMask::Of(0x001F);
        alpha = TMask::Of(0);
    }
    std::size_t tableOffset = headerSize;
    if (compression == BI_BITFIELDS) {
        if (bitCount != 16 && bitCount != 32)
            return {};
        if (headerSize >= 52) { // V4/V5 headers carry the masks themselves
            red = TMask::Of(Field<DWORD>(info, 40));
            green = TMask::Of(Field<DWORD>(info, 44));
            blue = TMask::Of(Field<DWORD>(info, 48));
            alpha = TMask::Of(headerSize >= 56 ? Field<DWORD>(info, 52) : 0);
        } else {
            if (infoSize < headerSize + 12)
                return {};
            red = TMask::Of(Field<DWORD>(info, headerSize));
            green = TMask::Of(Field<DWORD>(info, headerSize + 4));
            blue = TMask::Of(Field<DWORD>(info, headerSize + 8));
            alpha = TMask::Of(0);
            tableOffset += 12;
        }
    } else if (compression != BI_RGB && compression != BI_RLE8 && compression != BI_RLE4) {
        return {};
    }
    if (bitCount <= 8) {
        if (bitCount != 1 && bitCount != 4 && bitCount != 8)
            return {};
        const std::size_t maximum = std::size_t(1) << bitCount;
        std::size_t entries = colorsUsed && colorsUsed < maximum ? colorsUsed : maximum;
        // Some writers leave the table short; what is there is used, the rest stays black.
        entries = std::min(entries, (infoSize - std::min(infoSize, tableOffset)) / std::size_t(colorEntrySize));
        palette.assign(maximum, qRgb(0, 0, 0));
        for (std::size_t i = 0; i < entries; ++i) {
            const auto* entry = reinterpret_cast<const unsigned char*>(info + tableOffset + i * std::size_t(colorEntrySize));
            palette[i] = qRgb(entry[2], entry[1], entry[0]);
        }
    } else if (bitCount != 16 && bitCount != 24 && bitCount != 32) {
        return {};
    }
    if (!bits)
        return {};

    const bool rle = compression == BI_RLE8 || compression == BI_RLE4;
    const qint64 stride = DibStride(width, bitCount);
    // Check the bits are there before allocating what the header asks for.
    if (rle ? width * height > qint64(bitsSize) * 256 : qint64(bitsSize) < stride * height)
        return {};
    const bool withAlpha = keepAlpha && bitCount == 32 && alpha.mask;
    QImage image(int(width), int(height), withAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull())
        return {};
    const auto* source = reinterpret_cast<const unsigned char*>(bits);

    if (rle) {
        if ((compression == BI_RLE8) != (bitCount == 8) || (compression == BI_RLE4) != (bitCount == 4))
            return {};
        std::vector<unsigned char> indexes;
        if (!DecodeRle(source, bitsSize, int(width), int(height), compression == BI_RLE4, indexes))
            return {};
        for (int y = 0; y < height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(int(topDown ? y : height - 1 - y)));
            for (int x = 0; x < width; ++x)
                line[x] = palette[indexes[std::size_t(y) * std::size_t(width) + std::size_t(x)] % palette.size()];
        }
        return image;
    }

    for (qint64 row = 0; row < height; ++row) {
        const unsigned char* in = source + row * stride;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(int(topDown ? row : height - 1 - row)));
        for (qint64 x = 0; x < width; ++x) {
            switch (bitCount) {
            case 1:
                line[x] = palette[(in[x / 8] >> (7 - x % 8)) & 1];
                break;
            case 4:
                line[x] = palette[(in[x / 2] >> ((x % 2) ? 0 : 4)) & 0x0F];
                break;
            case 8:
                line[x] = palette[in[x]];
                break;
            case 16: {
                const DWORD pixel = DWORD(in[2 * x]) | (DWORD(in[2 * x + 1]) << 8);
                line[x] = qRgb(red.Value(pixel), green.Value(pixel), blue.Value(pixel));
                break;
            }
            case 24:
                line[x] = qRgb(in[3 * x + 2], in[3 * x + 1], in[3 * x]);
                break;
            case 32: {
                const DWORD pixel = Field<DWORD>(reinterpret_cast<const char*>(in), std::size_t(4 * x));
                line[x] = withAlpha ? qRgba(red.Value(pixel), green.Value(pixel), blue.Value(pixel), alpha.Value(pixel))
                                    : qRgb(red.Value(pixel), green.Value(pixel), blue.Value(pixel));
                break;
            }
            }
        }
    }
    return image;
}

QImage ImageFromPackedDib(const QByteArray& packed)
{
    if (packed.size() < 12)
        return {};
    const DWORD headerSize = Field<DWORD>(packed.constData(), 0);
    if (headerSize < 12 || headerSize > DWORD(packed.size()))
        return {};
    std::size_t tableSize = 0;
    if (headerSize >= 16) {
        const int bitCount = Field<WORD>(packed.constData(), 14);
        const DWORD compression = headerSize >= 20 ? Field<DWORD>(packed.constData(), 16) : BI_RGB;
        const DWORD used = headerSize >= 36 ? Field<DWORD>(packed.constData(), 32) : 0;
        if (bitCount <= 8)
            tableSize = 4 * (used ? std::min<std::size_t>(used, std::size_t(1) << bitCount) : std::size_t(1) << bitCount);
        else if (compression == BI_BITFIELDS && headerSize == 40)
            tableSize = 12;
        else if (used)
            tableSize = 4 * std::min<std::size_t>(used, 256);
    } else {
        const int bitCount = Field<WORD>(packed.constData(), 10);
        tableSize = bitCount <= 8 ? 3 * (std::size_t(1) << bitCount) : 0;
    }
    const std::size_t infoSize = std::min<std::size_t>(headerSize + tableSize, std::size_t(packed.size()));
    return ImageFromDib(packed.constData(), infoSize, packed.constData() + infoSize, std::size_t(packed.size()) - infoSize);
}

TDib DibFromImage(const QImage& image, int bitsPerPixel, bool premultiplied)
{
    TDib dib;
    if (image.isNull() || (bitsPerPixel != 24 && bitsPerPixel != 32))
        return dib;
    const QImage source = image.convertToFormat(premultiplied ? QImage::Format_ARGB32_Premultiplied : QImage::Format_ARGB32);
    BITMAPINFOHEADER header;
    header.biWidth = source.width();
    header.biHeight = source.height();
    header.biBitCount = WORD(bitsPerPixel);
    const qint64 stride = DibStride(source.width(), bitsPerPixel);
    header.biSizeImage = DWORD(stride * source.height());
    header.biXPelsPerMeter = source.dotsPerMeterX();
    header.biYPelsPerMeter = source.dotsPerMeterY();
    dib.Info = QByteArray(reinterpret_cast<const char*>(&header), sizeof header);
    dib.Bits = QByteArray(qsizetype(stride * source.height()), '\0');
    for (int y = 0; y < source.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        auto* out = reinterpret_cast<unsigned char*>(dib.Bits.data()) + stride * (source.height() - 1 - y);
        for (int x = 0; x < source.width(); ++x) {
            *out++ = BYTE(qBlue(in[x]));
            *out++ = BYTE(qGreen(in[x]));
            *out++ = BYTE(qRed(in[x]));
            if (bitsPerPixel == 32)
                *out++ = BYTE(qAlpha(in[x]));
        }
    }
    return dib;
}
