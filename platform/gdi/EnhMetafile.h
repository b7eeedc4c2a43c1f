#pragma once
// EnhMetafile.h: an enhanced metafile as a value: its bytes in the EMF format, checked when they come
// in, drawn by the player onto any painter.
#include "WinTypes.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

class QPainter;
class QRectF;

struct TEnhMetafileHeader {
    RECT Bounds; // reference device pixels as the file has them, right and bottom included
    RECT Frame; // hundredths of a millimetre; right - left is the picture's width
    QSize DevicePixels; // szlDevice
    QSize DeviceMillimetres; // szlMillimeters
    QSize DeviceMicrometres; // szlMicrometers; empty in older files
    quint32 Records = 0;
    quint16 Handles = 0;
    QString Description; // application and title separated by a null character
};

class TEnhMetafile {
public:
    TEnhMetafile() = default;
    /// Throws EConvertError unless the bytes are an enhanced metafile whose header and every record's
    /// size fit; records are also checked as libUEMF checks them.
    static TEnhMetafile FromBytes(const QByteArray& bytes);
    /// A Windows metafile (with or without the placeable header) converted to an enhanced one.
    /// sizeHundredthsMm gives the picture's size when the bytes do not (RTF's \picwgoal);
    /// without either, one logical unit is taken as a twip. Throws EConvertError when malformed.
    static TEnhMetafile FromWmf(const QByteArray& bytes, QSize sizeHundredthsMm = QSize());
    /// Throws EFOpenError, or EConvertError for a file that is not a valid metafile.
    static TEnhMetafile Load(const QString& fileName);
    /// Written through a temporary file; throws EFCreateError.
    void Save(const QString& fileName) const;

    bool IsEmpty() const { return FBytes.isEmpty(); }
    const QByteArray& Bytes() const { return FBytes; }
    const TEnhMetafileHeader& Header() const { return FHeader; }
    /// The frame's size in hundredths of a millimetre.
    QSize SizeHundredthsMm() const;
    /// The frame's size in pixels at the given resolution, rounded.
    QSize SizePixels(double dpiX, double dpiY) const;

    /// Draws the picture's frame stretched over target, in the painter's coordinates.
    void Play(QPainter& painter, const QRectF& target) const;
    /// The picture on white at the given size.
    QImage ToImage(QSize pixels, QImage::Format format = QImage::Format_RGB32) const;

private:
    friend class TEnhMetafileRecorder;
    static TEnhMetafile FromCheckedBytes(const QByteArray& bytes);

    QByteArray FBytes;
    TEnhMetafileHeader FHeader;
};
