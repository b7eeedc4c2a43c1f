// EnvelopeLayout.cpp: envelope sizes, address placement and drawing.
#include "EnvelopeLayout.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QRegularExpression>

#include <algorithm>

namespace {

constexpr double Margin = 12; // millimetres round the edge that printers and franking leave clear
constexpr double MillimetresPerInch = 25.4;
constexpr double SenderScale = 0.85;

QFont FontFor(const TEnvelope& envelope, double points, double unitsPerInch)
{
    QFont font(envelope.FontName);
    // Pixel sizes: the painter's device may count points at another resolution than its units.
    font.setPixelSize(std::max(1, int(points * unitsPerInch / 72.0 + 0.5)));
    return font;
}

QSizeF BlockSize(const QStringList& lines, const QFont& font, QPaintDevice* device)
{
    const QFontMetricsF metrics(font, device);
    double width = 0;
    for (const QString& line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    return QSizeF(width, metrics.lineSpacing() * lines.size());
}

} // namespace

QSizeF TEnvelopeSize::Millimetres() const
{
    const QSizeF size = QPageSize(PageSize).size(QPageSize::Millimeter);
    return QSizeF(std::max(size.width(), size.height()), std::min(size.width(), size.height()));
}

const QList<TEnvelopeSize>& EnvelopeSizes()
{
    static const QList<TEnvelopeSize> sizes {
        { QStringLiteral("DL"), QStringLiteral("DL (110 × 220 mm)"), QPageSize::EnvelopeDL },
        { QStringLiteral("C5"), QStringLiteral("C5 (162 × 229 mm)"), QPageSize::EnvelopeC5 },
        { QStringLiteral("C6"), QStringLiteral("C6 (114 × 162 mm)"), QPageSize::EnvelopeC6 },
        { QStringLiteral("Envelope10"), QStringLiteral("Envelope 10 (4 1/8 × 9 1/2 in)"), QPageSize::Envelope10 },
        { QStringLiteral("Monarch"), QStringLiteral("Monarch (3 7/8 × 7 1/2 in)"), QPageSize::EnvelopeMonarch },
    };
    return sizes;
}

const TEnvelopeSize& EnvelopeSizeFor(const QString& key)
{
    for (const TEnvelopeSize& size : EnvelopeSizes())
        if (size.Key.compare(key, Qt::CaseInsensitive) == 0)
            return size;
    return EnvelopeSizes().front();
}

TEnvelopeLayout LayOutEnvelope(QSizeF envelope, QSizeF recipient, QSizeF sender)
{
    const double width = envelope.width();
    const double height = envelope.height();
    TEnvelopeLayout layout;
    layout.Sender = QRectF(QPointF(Margin, Margin), sender);

    // Right of the middle and in the lower half, as post offices read them.
    double left = width * 0.45;
    double top = height * 0.5;
    if (left + recipient.width() > width - Margin)
        left = std::max(Margin, width - Margin - recipient.width());
    if (top + recipient.height() > height - Margin)
        top = std::max(Margin, height - Margin - recipient.height());
    layout.Recipient = QRectF(QPointF(left, top), recipient);
    return layout;
}

void DrawEnvelope(QPainter& painter, const TEnvelope& envelope, QPointF origin, double unitsPerInch)
{
    const double unitsPerMillimetre = unitsPerInch / MillimetresPerInch;
    const QFont recipientFont = FontFor(envelope, envelope.FontSize, unitsPerInch);
    const QFont senderFont = FontFor(envelope, envelope.FontSize * SenderScale, unitsPerInch);
    const QSizeF recipient = BlockSize(envelope.Recipient, recipientFont, painter.device()) / unitsPerMillimetre;
    const QSizeF sender = BlockSize(envelope.Sender, senderFont, painter.device()) / unitsPerMillimetre;
    const TEnvelopeLayout layout = LayOutEnvelope(envelope.Size.Millimetres(), recipient, sender);

    auto drawBlock = [&](const QStringList& lines, const QFont& font, const QRectF& place) {
        painter.setFont(font);
        const QFontMetricsF metrics(font, painter.device());
        QPointF baseline = origin + place.topLeft() * unitsPerMillimetre + QPointF(0, metrics.ascent());
        for (const QString& line : lines) {
            painter.drawText(baseline, line);
            baseline.ry() += metrics.lineSpacing();
        }
    };
    painter.save();
    painter.setPen(Qt::black);
    drawBlock(envelope.Sender, senderFont, layout.Sender);
    drawBlock(envelope.Recipient, recipientFont, layout.Recipient);
    painter.restore();
}

QStringList AddressLines(const QString& text)
{
    QStringList lines;
    for (const QString& line : QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split(QRegularExpression(QStringLiteral("[\r\n\u2029\u2028]")))) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            lines << trimmed;
    }
    return lines;
}

bool LooksLikeAddress(const QString& text)
{
    if (text.size() > 1000)
        return false;
    const QStringList lines = AddressLines(text);
    return lines.size() >= 2 && lines.size() <= 8
        && std::all_of(lines.cbegin(), lines.cend(), [](const QString& line) { return line.size() <= 60; });
}
