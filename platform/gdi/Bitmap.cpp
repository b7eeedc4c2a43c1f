#include "Bitmap.h"

#include "AtomicFile.h"
#include "DibImage.h"
#include "Errors.h"

#include <QFile>
#include <QImageReader>

#include <algorithm>
#include <cstring>

TBitmap::TBitmap(int width, int height, int bitsPerPixel)
{
    Allocate(width, height, bitsPerPixel);
}

TBitmap::TBitmap(const TBitmap& other)
    : FWidth(other.FWidth)
    , FHeight(other.FHeight)
    , FBitsPerPixel(other.FBitsPerPixel)
    , FStride(other.FStride)
    , FDotsPerMeterX(other.FDotsPerMeterX)
    , FDotsPerMeterY(other.FDotsPerMeterY)
    , FBits(other.FBits)
{
}

TBitmap& TBitmap::operator=(const TBitmap& other)
{
    if (this != &other) {
        ReleaseCanvas();
        FView.reset();
        FWidth = other.FWidth;
        FHeight = other.FHeight;
        FBitsPerPixel = other.FBitsPerPixel;
        FStride = other.FStride;
        FDotsPerMeterX = other.FDotsPerMeterX;
        FDotsPerMeterY = other.FDotsPerMeterY;
        FBits = other.FBits;
    }
    return *this;
}

TBitmap& TBitmap::operator=(TBitmap&& other) noexcept
{
    if (this != &other) {
        FCanvas.reset(); // before the rows it paints on go
        FView.reset();
        FWidth = other.FWidth;
        FHeight = other.FHeight;
        FBitsPerPixel = other.FBitsPerPixel;
        FStride = other.FStride;
        FDotsPerMeterX = other.FDotsPerMeterX;
        FDotsPerMeterY = other.FDotsPerMeterY;
        FBits = std::move(other.FBits);
        FView = std::move(other.FView);
        FCanvas = std::move(other.FCanvas);
    }
    return *this;
}

TBitmap::~TBitmap()
{
    FCanvas.reset(); // the painter ends before the rows go
}

void TBitmap::Allocate(int width, int height, int bitsPerPixel)
{
    FCanvas.reset();
    FView.reset();
    FBitsPerPixel = bitsPerPixel == 32 ? 32 : 24;
    if (width <= 0 || height <= 0 || qint64(width) * height > MaxDibPixels) {
        width = height = 0;
    }
    FWidth = width;
    FHeight = height;
    FStride = int(DibStride(width, FBitsPerPixel));
    FBits.assign(std::size_t(FStride) * std::size_t(height), 0);
}

TBitmap TBitmap::FromImage(const QImage& image)
{
    return FromImage(image, image.hasAlphaChannel() ? 32 : 24);
}

TBitmap TBitmap::FromImage(const QImage& image, int bitsPerPixel)
{
    TBitmap bitmap(image.width(), image.height(), bitsPerPixel);
    if (bitmap.IsEmpty())
        return bitmap;
    if (image.dotsPerMeterX() > 0 && image.dotsPerMeterY() > 0)
        bitmap.SetDotsPerMeter(image.dotsPerMeterX(), image.dotsPerMeterY());
    const QImage source = image.convertToFormat(bitmap.FBitsPerPixel == 32 ? QImage::Format_ARGB32 : QImage::Format_BGR888);
    const int rowBytes = bitmap.FWidth * bitmap.FBitsPerPixel / 8;
    for (int y = 0; y < bitmap.FHeight; ++y)
        std::memcpy(bitmap.ScanLine(y), source.constScanLine(y), std::size_t(rowBytes));
    return bitmap;
}

TBitmap TBitmap::LoadFromFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(fileName);
    QImageReader reader(&file);
    QImage image = reader.read();
    if (image.isNull())
        throw EConvertError(QStringLiteral("%1 is not a picture that can be read").arg(fileName));
    return FromImage(image);
}

BYTE* TBitmap::ScanLine(int row)
{
    return row >= 0 && row < FHeight ? FBits.data() + std::size_t(row) * std::size_t(FStride) : nullptr;
}

const BYTE* TBitmap::ScanLine(int row) const
{
    return row >= 0 && row < FHeight ? FBits.data() + std::size_t(row) * std::size_t(FStride) : nullptr;
}

void TBitmap::SetDotsPerMeter(int x, int y)
{
    FDotsPerMeterX = std::max(1, x);
    FDotsPerMeterY = std::max(1, y);
    if (FView) {
        FView->setDotsPerMeterX(FDotsPerMeterX);
        FView->setDotsPerMeterY(FDotsPerMeterY);
    }
}

void TBitmap::SetSize(int width, int height)
{
    TBitmap resized(width, height, FBitsPerPixel);
    resized.SetDotsPerMeter(FDotsPerMeterX, FDotsPerMeterY);
    const int rows = std::min(FHeight, resized.FHeight);
    const int bytes = std::min(FWidth, resized.FWidth) * FBitsPerPixel / 8;
    for (int y = 0; y < rows; ++y)
        std::memcpy(resized.ScanLine(y), ScanLine(y), std::size_t(bytes));
    *this = std::move(resized);
}

QImage TBitmap::View()
{
    if (IsEmpty())
        return QImage();
    if (!FView) {
        FView = std::make_unique<QImage>(FBits.data(), FWidth, FHeight, FStride,
            FBitsPerPixel == 32 ? QImage::Format_ARGB32 : QImage::Format_BGR888);
        FView->setDotsPerMeterX(FDotsPerMeterX);
        FView->setDotsPerMeterY(FDotsPerMeterY);
    }
    return *FView;
}

TDeviceContext& TBitmap::Canvas()
{
    if (!FCanvas) {
        View();
        // The context paints on the view itself, whose buffer is these rows.
        FCanvas = FView ? std::make_unique<TDeviceContext>(FView.get())
                        : std::make_unique<TDeviceContext>(TDeviceCaps { 96, 96, QSize(), QSize(), QPoint(), QSize(), FBitsPerPixel, DT_RASDISPLAY });
    }
    return *FCanvas;
}

void TBitmap::ReleaseCanvas()
{
    FCanvas.reset();
}

QImage TBitmap::ToImage() const
{
    if (IsEmpty())
        return QImage();
    const QImage view(FBits.data(), FWidth, FHeight, FStride, FBitsPerPixel == 32 ? QImage::Format_ARGB32 : QImage::Format_BGR888);
    QImage image = view.convertToFormat(FBitsPerPixel == 32 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    image.setDotsPerMeterX(FDotsPerMeterX);
    image.setDotsPerMeterY(FDotsPerMeterY);
    return image;
}

QByteArray TBitmap::BmpBytes() const
{
    BITMAPINFOHEADER header;
    header.biWidth = FWidth;
    header.biHeight = FHeight;
    header.biBitCount = WORD(FBitsPerPixel);
    header.biSizeImage = DWORD(FBits.size());
    header.biXPelsPerMeter = FDotsPerMeterX;
    header.biYPelsPerMeter = FDotsPerMeterY;
    const DWORD offset = 14 + sizeof header;
    const DWORD fileSize = offset + DWORD(FBits.size());
    QByteArray bytes;
    bytes.reserve(qsizetype(fileSize));
    auto put16 = [&](WORD v) { bytes.append(char(v & 0xFF)).append(char(v >> 8)); };
    auto put32 = [&](DWORD v) { put16(WORD(v & 0xFFFF)); put16(WORD(v >> 16)); };
    bytes.append("BM", 2);
    put32(fileSize);
    put32(0);
    put32(offset);
    bytes.append(reinterpret_cast<const char*>(&header), sizeof header);
    for (int y = FHeight - 1; y >= 0; --y)
        bytes.append(reinterpret_cast<const char*>(ScanLine(y)), FStride);
    return bytes;
}

void TBitmap::SaveToFile(const QString& fileName) const
{
    WriteFileAtomically(fileName, BmpBytes());
}
