#include "RtfPicture.h"

#include "DibImage.h"
#include "EnhMetafile.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <cmath>
#include <cstring>

using RichText::TObjectKind;
using RichText::TPicture;

namespace {

// A device-independent bitmap in RTF lacks the file header that readers of .bmp files need.
QByteArray BmpFromDib(const QByteArray& dib)
{
    if (dib.size() < 40)
        return {};
    std::uint32_t headerSize;
    std::memcpy(&headerSize, dib.constData(), 4);
    std::uint16_t bitCount;
    std::memcpy(&bitCount, dib.constData() + 14, 2);
    std::uint32_t colorsUsed;
    std::memcpy(&colorsUsed, dib.constData() + 32, 4);
    if (headerSize < 40 || headerSize > 124 || bitCount == 0 || bitCount > 32)
        return {};
    const std::uint32_t palette = bitCount <= 8 ? (colorsUsed ? colorsUsed : (1u << bitCount)) * 4 : 0;
    const std::uint32_t offset = 14 + headerSize + palette;
    const std::uint32_t size = 14 + std::uint32_t(dib.size());
    QByteArray bmp("BM", 2);
    bmp.append(reinterpret_cast<const char*>(&size), 4);
    bmp.append(4, '\0');
    bmp.append(reinterpret_cast<const char*>(&offset), 4);
    bmp.append(dib);
    return bmp;
}

QSize Scaled(int width, int height, const TRtfPictureGroup& group)
{
    const int scaleX = group.scaleX > 0 ? group.scaleX : 100;
    const int scaleY = group.scaleY > 0 ? group.scaleY : 100;
    return QSize(int(std::nearbyint(double(width) * scaleX / 100.0)), int(std::nearbyint(double(height) * scaleY / 100.0)));
}

QByteArray Hex(const QByteArray& bytes)
{
    static const char digits[] = "0123456789abcdef";
    QByteArray hex;
    hex.reserve(bytes.size() * 2 + bytes.size() / 64 + 2);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (i % 64 == 0)
            hex += "\r\n";
        const auto value = static_cast<unsigned char>(bytes[i]);
        hex += digits[value >> 4];
        hex += digits[value & 0x0F];
    }
    return hex;
}

} // namespace

void TRtfPictureGroup::AppendHex(const char* text, qsizetype length)
{
    data.reserve(data.size() + length / 2);
    for (qsizetype i = 0; i < length; ++i) {
        const char c = text[i];
        int value;
        if (c >= '0' && c <= '9')
            value = c - '0';
        else if (c >= 'a' && c <= 'f')
            value = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            value = c - 'A' + 10;
        else
            continue;
        if (pendingNibble < 0) {
            pendingNibble = value;
        } else {
            data.append(char((pendingNibble << 4) | value));
            pendingNibble = -1;
        }
    }
}

TPicture PictureFromRtf(const TRtfPictureGroup& group)
{
    TPicture picture;
    if (group.data.isEmpty())
        return picture;
    QSize natural;
    if (group.goalWidth > 0 && group.goalHeight > 0)
        natural = QSize(group.goalWidth, group.goalHeight);
    switch (group.format) {
    case TRtfPictureGroup::TFormat::Emf:
        picture = RichText::TPicture { TObjectKind::Emf, group.data, {} };
        if (natural.isEmpty() && group.width > 0 && group.height > 0)
            natural = QSize(group.width * 1440 / 2540, group.height * 1440 / 2540);
        break;
    case TRtfPictureGroup::TFormat::Wmf: {
        // Old metafiles are kept as the enhanced metafile they convert to.
        const QSize frame = natural.isEmpty() ? QSize() : QSize(natural.width() * 2540 / 1440, natural.height() * 2540 / 1440);
        try {
            picture = RichText::TPicture { TObjectKind::Emf, TEnhMetafile::FromWmf(group.data, frame).Bytes(), {} };
        } catch (const std::exception&) {
            return {};
        }
        if (natural.isEmpty() && group.width > 0 && group.height > 0)
            natural = QSize(group.width * 1440 / 2540, group.height * 1440 / 2540);
        break;
    }
    case TRtfPictureGroup::TFormat::Png:
    case TRtfPictureGroup::TFormat::Jpeg:
    case TRtfPictureGroup::TFormat::Dib: {
        const QByteArray bytes = group.format == TRtfPictureGroup::TFormat::Dib ? BmpFromDib(group.data) : group.data;
        if (bytes.isEmpty())
            return {};
        // The header's size is checked before anything is decoded: a few bytes may claim gigabytes.
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        const QSize declared = reader.size();
        if (declared.isValid() && qint64(declared.width()) * declared.height() > MaxDibPixels)
            return {};
        QImage image;
        if (!reader.read(&image))
            return {};
        const TObjectKind kind = group.format == TRtfPictureGroup::TFormat::Png ? TObjectKind::Png
            : group.format == TRtfPictureGroup::TFormat::Jpeg                   ? TObjectKind::Jpeg
                                                                                : TObjectKind::Bitmap;
        picture = RichText::TPicture { kind, bytes, {} };
        if (natural.isEmpty())
            natural = QSize(image.width() * 15, image.height() * 15);
        break;
    }
    default:
        return {};
    }
    picture.sizeTwips = Scaled(natural.width(), natural.height(), group);
    if (picture.sizeTwips.isEmpty())
        return {};
    return picture;
}

QByteArray RtfFromPicture(const TPicture& picture)
{
    if (!picture.IsValid())
        return {};
    QByteArray rtf = "{\\pict";
    QByteArray data = picture.data;
    int width = 0, height = 0;
    switch (picture.kind) {
    case TObjectKind::Emf:
    case TObjectKind::Wmf:
        rtf += "\\emfblip";
        width = picture.sizeTwips.width() * 2540 / 1440;
        height = picture.sizeTwips.height() * 2540 / 1440;
        break;
    case TObjectKind::Jpeg: {
        rtf += "\\jpegblip";
        const QImage image = QImage::fromData(data);
        width = image.width();
        height = image.height();
        break;
    }
    default: {
        // Other bitmaps go as PNG, which every reader of RTF pictures takes.
        const QImage image = QImage::fromData(data);
        if (image.isNull())
            return {};
        if (picture.kind != TObjectKind::Png) {
            data.clear();
            QBuffer buffer(&data);
            buffer.open(QIODevice::WriteOnly);
            if (!image.save(&buffer, "PNG"))
                return {};
        }
        rtf += "\\pngblip";
        width = image.width();
        height = image.height();
        break;
    }
    }
    rtf += "\\picw" + QByteArray::number(width) + "\\pich" + QByteArray::number(height);
    rtf += "\\picwgoal" + QByteArray::number(picture.sizeTwips.width()) + "\\pichgoal"
        + QByteArray::number(picture.sizeTwips.height());
    rtf += Hex(data);
    rtf += "}";
    return rtf;
}
