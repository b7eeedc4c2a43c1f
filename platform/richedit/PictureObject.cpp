#include "PictureObject.h"

#include "EnhMetafile.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QCache>
#include <QImage>
#include <QPainter>
#include <QPaintDevice>
#include <QTextDocument>

#include <cmath>
#include <cstdint>
#include <cstring>

using namespace RichText;

TPicture PictureFromImage(const QImage& image)
{
    TPicture picture;
    if (image.isNull())
        return picture;
    QBuffer buffer(&picture.data);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return {};
    picture.kind = TObjectKind::Png;
    const double dpiX = image.dotsPerMeterX() > 0 ? image.dotsPerMeterX() * 0.0254 : 96.0;
    const double dpiY = image.dotsPerMeterY() > 0 ? image.dotsPerMeterY() * 0.0254 : 96.0;
    picture.sizeTwips = QSize(int(std::nearbyint(image.width() * 1440.0 / dpiX)), int(std::nearbyint(image.height() * 1440.0 / dpiY)));
    return picture;
}

TPicture PictureFromEmf(const QByteArray& bytes)
{
    // The header's frame, in hundredths of a millimetre, is the picture's natural size.
    if (bytes.size() < 88)
        return {};
    auto field = [&bytes](int offset) {
        std::int32_t value;
        std::memcpy(&value, bytes.constData() + offset, sizeof value);
        return value;
    };
    constexpr std::int32_t EmrHeader = 1;
    constexpr std::int32_t Signature = 0x464D4520;
    if (field(0) != EmrHeader || field(40) != Signature)
        return {};
    const qint64 width = qint64(field(32)) - field(24);
    const qint64 height = qint64(field(36)) - field(28);
    if (width <= 0 || height <= 0 || width > 10'000'000 || height > 10'000'000)
        return {};
    TPicture picture;
    picture.kind = TObjectKind::Emf;
    picture.data = bytes;
    picture.sizeTwips = QSize(int(std::nearbyint(width * 1440.0 / 2540.0)), int(std::nearbyint(height * 1440.0 / 2540.0)));
    return picture;
}

namespace {

// Pictures are drawn far more often than changed, so each is decoded once and kept, keyed by its
// shared bytes.
QString CacheKey(const TPicture& picture)
{
    return QString::number(quintptr(picture.data.constData())) + u':' + QString::number(picture.data.size()) + u':'
        + QString::number(qHash(picture.data.left(256)));
}

// The metafile of an EMF or WMF picture, validated once; throws EConvertError when it is damaged.
TEnhMetafile DecodedMetafile(const TPicture& picture)
{
    static QCache<QString, TEnhMetafile> cache(64);
    const QString key = CacheKey(picture);
    if (TEnhMetafile* found = cache.object(key))
        return *found;
    TEnhMetafile metafile = picture.kind == TObjectKind::Emf
        ? TEnhMetafile::FromBytes(picture.data)
        : TEnhMetafile::FromWmf(picture.data,
            QSize(picture.sizeTwips.width() * 2540 / 1440, picture.sizeTwips.height() * 2540 / 1440));
    cache.insert(key, new TEnhMetafile(metafile));
    return metafile;
}

QImage DecodedImage(const TPicture& picture)
{
    static QCache<QString, QImage> cache(64 * 1024);
    const QString key = CacheKey(picture);
    if (QImage* found = cache.object(key))
        return *found;
    QImage image = QImage::fromData(picture.data);
    if (image.isNull())
        return image;
    cache.insert(key, new QImage(image), int(std::min<qsizetype>(image.sizeInBytes() / 1024 + 1, 64 * 1024)));
    return image;
}

void DrawPicture(QPainter& painter, const QRectF& rect, const TPicture& picture)
{
    switch (picture.kind) {
    case TObjectKind::Emf:
    case TObjectKind::Wmf: {
        try {
            const TEnhMetafile metafile = DecodedMetafile(picture);
            metafile.Play(painter, rect);
            return;
        } catch (const std::exception&) {
            // A damaged metafile is drawn as the frame below; painting must go on.
        }
        break;
    }
    default: {
        const QImage image = DecodedImage(picture);
        if (!image.isNull()) {
            painter.drawImage(rect, image);
            return;
        }
        break;
    }
    }
    // A picture that cannot be shown still takes its place, so the text around it stays where it was.
    painter.save();
    painter.setPen(QPen(Qt::gray, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    painter.restore();
}

} // namespace

QImage ImageFromPicture(const TPicture& picture, QSize pixels)
{
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    DrawPicture(painter, QRectF(QPointF(0, 0), QSizeF(pixels)), picture);
    return image;
}

TPictureObjectHandler& TPictureObjectHandler::Instance()
{
    static TPictureObjectHandler handler;
    return handler;
}

void TPictureObjectHandler::RegisterWith(QTextDocument& document)
{
    document.documentLayout()->registerHandler(ObjectTextFormat, &Instance());
}

QSizeF TPictureObjectHandler::intrinsicSize(QTextDocument* document, int, const QTextFormat& format)
{
    const QPaintDevice* device = document ? document->documentLayout()->paintDevice() : nullptr;
    const double dpiX = device ? device->logicalDpiX() : DisplayDpi;
    const double dpiY = device ? device->logicalDpiY() : DisplayDpi;
    return QSizeF(format.intProperty(ObjectWidthTwips) * dpiX / 1440.0, format.intProperty(ObjectHeightTwips) * dpiY / 1440.0);
}

void TPictureObjectHandler::drawObject(QPainter* painter, const QRectF& rect, QTextDocument*, int, const QTextFormat& format)
{
    DrawPicture(*painter, rect, PictureFromFormat(format));
}
