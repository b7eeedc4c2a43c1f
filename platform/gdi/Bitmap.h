#pragma once
// Bitmap.h: a device-independent bitmap of 24 or 32 bits per pixel with row access. Rows are in the
// platform's blue-green-red(-alpha) byte order, padded to 4 bytes, top row first; the canvas draws
// straight into them.
#include "DeviceContext.h"
#include "GdiDefs.h"

#include <QImage>
#include <QString>

#include <memory>
#include <vector>

class TBitmap {
public:
    TBitmap() = default;
    /// Black (zero) pixels; bitsPerPixel is 24 or 32 (anything else is taken as 24).
    TBitmap(int width, int height, int bitsPerPixel = 24);
    TBitmap(const TBitmap& other);
    TBitmap& operator=(const TBitmap& other);
    TBitmap(TBitmap&&) noexcept = default;
    TBitmap& operator=(TBitmap&& other) noexcept;
    ~TBitmap();

    /// The image at 24 bits per pixel, or 32 when it has an alpha channel.
    static TBitmap FromImage(const QImage& image);
    static TBitmap FromImage(const QImage& image, int bitsPerPixel);
    /// Any image file Qt reads; throws EFOpenError, or EConvertError when it is not a picture.
    static TBitmap LoadFromFile(const QString& fileName);

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int BitsPerPixel() const { return FBitsPerPixel; }
    bool IsEmpty() const { return FWidth == 0 || FHeight == 0; }
    /// Bytes per row, a multiple of 4.
    int BytesPerLine() const { return FStride; }
    /// Row 0 is the top row; null outside the bitmap.
    BYTE* ScanLine(int row);
    const BYTE* ScanLine(int row) const;
    int DotsPerMeterX() const { return FDotsPerMeterX; }
    int DotsPerMeterY() const { return FDotsPerMeterY; }
    void SetDotsPerMeter(int x, int y);
    /// Keeps what fits of the old pixels; the canvas is closed.
    void SetSize(int width, int height);

    /// A context drawing into the rows; ends with ReleaseCanvas, a resize or the bitmap.
    TDeviceContext& Canvas();
    void ReleaseCanvas();

    /// A copy as Format_RGB32 (24 bits) or Format_ARGB32 (32 bits).
    QImage ToImage() const;
    /// The rows viewed as a QImage in Format_BGR888 or Format_ARGB32, without a copy.
    QImage View();
    /// A BMP file, bottom row first as the format has it; throws EFCreateError.
    void SaveToFile(const QString& fileName) const;
    QByteArray BmpBytes() const;

private:
    void Allocate(int width, int height, int bitsPerPixel);

    int FWidth = 0;
    int FHeight = 0;
    int FBitsPerPixel = 24;
    int FStride = 0;
    int FDotsPerMeterX = 3780; // 96 dots per inch
    int FDotsPerMeterY = 3780;
    std::vector<BYTE> FBits;
    std::unique_ptr<QImage> FView;
    std::unique_ptr<TDeviceContext> FCanvas;
};
