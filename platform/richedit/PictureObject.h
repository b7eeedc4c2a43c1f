#pragma once
// Embedded pictures: one object character whose format holds the picture's bytes and natural size.
#include "RichTextFormat.h"

#include <QByteArray>
#include <QObject>
#include <QSize>
#include <QTextObjectInterface>

class QTextDocument;
class QImage;

using RichText::TPicture;

// A picture from an image: PNG bytes, natural size from its resolution (96 dpi when it has none).
TPicture PictureFromImage(const QImage& image);
// A metafile picture, sized from its header's frame; invalid when the bytes are no enhanced metafile.
TPicture PictureFromEmf(const QByteArray& bytes);
// The picture drawn into an image of the given size in pixels (for the clipboard and tests).
QImage ImageFromPicture(const TPicture& picture, QSize pixels);

// Draws object characters for any document layout; one for the process.
class TPictureObjectHandler : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    static TPictureObjectHandler& Instance();
    static void RegisterWith(QTextDocument& document);

    QSizeF intrinsicSize(QTextDocument* document, int position, const QTextFormat& format) override;
    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int position,
        const QTextFormat& format) override;
};
