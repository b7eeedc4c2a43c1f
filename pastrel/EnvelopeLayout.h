#pragma once
// EnvelopeLayout.h: envelope sizes and where the addresses go on them, and drawing them on any
// painter, so the window's picture and the printed envelope agree.
#include <QList>
#include <QPageSize>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

class QPainter;

struct TEnvelopeSize {
    QString Key; ///< as stored in the settings
    QString Caption; ///< as listed in the window
    QPageSize::PageSizeId PageSize = QPageSize::EnvelopeDL;
    /// Millimetres, the long side across: envelopes are addressed lying down.
    QSizeF Millimetres() const;
};

/// DL, C5, C6, Envelope 10 and Monarch, in that order.
const QList<TEnvelopeSize>& EnvelopeSizes();
/// The size stored under the key; DL for a key of no size.
const TEnvelopeSize& EnvelopeSizeFor(const QString& key);

/// Millimetres from the envelope's top left corner.
struct TEnvelopeLayout {
    QRectF Recipient;
    QRectF Sender;
};

/// The sender at the top left, the recipient right of centre in the lower half; a block too large for
/// its place moves towards the middle rather than off the envelope.
TEnvelopeLayout LayOutEnvelope(QSizeF envelope, QSizeF recipient, QSizeF sender);

/// What goes on one envelope.
struct TEnvelope {
    TEnvelopeSize Size;
    QStringList Recipient;
    QStringList Sender; ///< empty: no sender
    QString FontName;
    int FontSize = 12; ///< points; the sender a little smaller
};

/// Draws the addresses; origin is the envelope's top left corner in the painter's coordinates, and
/// unitsPerInch the painter's units in an inch (the device's resolution, or less for a picture).
void DrawEnvelope(QPainter& painter, const TEnvelope& envelope, QPointF origin, double unitsPerInch);

/// Lines worth putting on an envelope: two to eight non-empty lines of at most 60 characters.
[[nodiscard]] bool LooksLikeAddress(const QString& text);
/// The lines of the text with blanks trimmed and empty lines dropped.
QStringList AddressLines(const QString& text);
