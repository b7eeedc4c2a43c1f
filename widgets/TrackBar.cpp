// TrackBar.cpp: the skinned track bar.
#include "TrackBar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

#include <algorithm>

namespace {
constexpr int ThumbLength = 11; // along the bar
constexpr int ThumbBreadth = 20;
constexpr int ChannelBreadth = 5;
constexpr int TickLength = 4;
constexpr int TickGap = 3;
constexpr int EndMargin = 3;
} // namespace

TTrackBar::TTrackBar(QWidget* parent)
    : QAbstractSlider(parent)
{
    setOrientation(Qt::Horizontal);
    setRange(0, 10);
    setPageStep(2);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractSlider::valueChanged, this, [this] {
        if (OnChange)
            OnChange(this);
    });
}

void TTrackBar::SetMin(int value)
{
    setMinimum(value);
    update();
}

void TTrackBar::SetMax(int value)
{
    setMaximum(value);
    update();
}

void TTrackBar::SetPosition(int position)
{
    const int shown = std::clamp(position, minimum(), maximum());
    if (shown == value() && shown != position) {
        if (OnChange)
            OnChange(this);
        return;
    }
    setValue(shown);
}

void TTrackBar::SetFrequency(int frequency)
{
    FFrequency = std::max(0, frequency);
    update();
}

void TTrackBar::SetTickMarks(TTickMark marks)
{
    FTickMarks = marks;
    update();
}

void TTrackBar::SetTickStyle(TTickStyle style)
{
    FTickStyle = style;
    update();
}

void TTrackBar::SetOrientation(TTrackBarOrientation orientation)
{
    FOrientation = orientation;
    const bool horizontal = orientation == TTrackBarOrientation::trHorizontal;
    setOrientation(horizontal ? Qt::Horizontal : Qt::Vertical);
    // The minimum is at the top, so Down must add as Right does.
    setInvertedControls(!horizontal);
    updateGeometry();
    update();
}

void TTrackBar::SetSkin(const TSkin& skin)
{
    FSkin = skin;
    update();
}

QRect TTrackBar::Oriented(int along, int across, int alongSize, int acrossSize) const
{
    return Horizontal() ? QRect(along, across, alongSize, acrossSize) : QRect(across, along, acrossSize, alongSize);
}

int TTrackBar::ChannelAcross() const
{
    const bool ticks = FTickStyle == TTickStyle::tsAuto;
    const int tickRoom = TickLength + TickGap;
    int centre = Breadth() / 2;
    if (ticks && FTickMarks == TTickMark::tmBottomRight)
        centre -= tickRoom / 2;
    else if (ticks && FTickMarks == TTickMark::tmTopLeft)
        centre += tickRoom / 2;
    return centre;
}

int TTrackBar::ThumbCentre(int position) const
{
    const int span = std::max(0, Length() - 2 * EndMargin - ThumbLength);
    return EndMargin + ThumbLength / 2 + QStyle::sliderPositionFromValue(minimum(), maximum(), position, span, false);
}

QRect TTrackBar::ThumbRect(int position) const
{
    const int breadth = std::min(ThumbBreadth, Breadth() - 2);
    return Oriented(ThumbCentre(position) - ThumbLength / 2, ChannelAcross() - breadth / 2, ThumbLength, breadth);
}

int TTrackBar::PositionAt(const QPoint& point) const
{
    const int span = std::max(0, Length() - 2 * EndMargin - ThumbLength);
    const int along = Along(point) - EndMargin - ThumbLength / 2;
    return QStyle::sliderValueFromPosition(minimum(), maximum(), std::clamp(along, 0, span), span, false);
}

void TTrackBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const bool enabled = isEnabled();
    const QColor border = QColorFromColorRef(FSkin.Border, Qt::gray);
    const QColor text
        = enabled ? QColorFromColorRef(FSkin.Text, Qt::black) : QColorFromColorRef(FSkin.DisabledText, Qt::gray);

    // Channel, filled from the minimum up to the thumb.
    const int start = EndMargin + ThumbLength / 2;
    const int end = Length() - EndMargin - ThumbLength / 2;
    const QRectF channel
        = PixelAligned(Oriented(start - 2, ChannelAcross() - ChannelBreadth / 2, end - start + 4, ChannelBreadth));
    const QColor body = QColorFromColorRef(FSkin.Body, Qt::white);
    DrawSkinFace(painter, channel, body.darker(108), body, border, 2);
    const int thumbCentre = ThumbCentre(value());
    if (enabled && thumbCentre > start) {
        const QRectF filled = PixelAligned(
            Oriented(start - 2, ChannelAcross() - ChannelBreadth / 2, thumbCentre - start + 2, ChannelBreadth));
        DrawSkinFace(painter, filled, QColorFromColorRef(FSkin.TitleTop, Qt::blue),
            QColorFromColorRef(FSkin.TitleBottom, Qt::darkBlue), QColor(), 2);
    }

    if (FTickStyle == TTickStyle::tsAuto) {
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(text, 1));
        const int breadth = std::min(ThumbBreadth, Breadth() - 2);
        const int low = ChannelAcross() - breadth / 2 - TickGap; // top or left edge side
        const int high = ChannelAcross() + breadth / 2 + TickGap - 1; // bottom or right side
        auto drawTick = [&](int position) {
            const int along = ThumbCentre(position);
            const int length = position == minimum() || position == maximum() ? TickLength + 1 : TickLength;
            if (FTickMarks != TTickMark::tmTopLeft)
                painter.drawLine(Horizontal() ? QLine(along, high, along, high + length - 1)
                                              : QLine(high, along, high + length - 1, along));
            if (FTickMarks != TTickMark::tmBottomRight)
                painter.drawLine(Horizontal() ? QLine(along, low - length + 1, along, low)
                                              : QLine(low - length + 1, along, low, along));
        };
        const int count = FFrequency > 0 ? (maximum() - minimum()) / FFrequency : 0;
        if (count > 0 && count <= Length() / 2) { // denser ticks would merge into a bar
            for (int i = 0; i <= count; ++i)
                drawTick(minimum() + i * FFrequency);
        }
        drawTick(maximum());
        drawTick(minimum());
        painter.setRenderHint(QPainter::Antialiasing, true);
    }

    const TSkinState state = !enabled ? TSkinState::ssDisabled
        : isSliderDown()              ? TSkinState::ssDown
        : FHotThumb                   ? TSkinState::ssHot
                                      : TSkinState::ssNormal;
    TSkin thumbSkin = FSkin;
    thumbSkin.Radius = 3;
    DrawSkinFace(painter, PixelAligned(ThumbRect(value())), thumbSkin, state);
    if (hasFocus()) {
        painter.setPen(QPen(border, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(PixelAligned(rect()), FSkin.Radius, FSkin.Radius);
    }
}

void TTrackBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || maximum() == minimum()) {
        QAbstractSlider::mousePressEvent(event);
        return;
    }
    event->accept();
    const QPoint at = event->position().toPoint();
    const int centre = ThumbCentre(value());
    if (ThumbRect(value()).contains(at)) {
        FDragOffset = Along(at) - centre;
    } else {
        FDragOffset = 0; // a press beside the thumb brings it under the mouse
        setSliderPosition(PositionAt(at));
    }
    setSliderDown(true);
    update();
}

void TTrackBar::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (isSliderDown()) {
        const QPoint target
            = Horizontal() ? QPoint(at.x() - FDragOffset, at.y()) : QPoint(at.x(), at.y() - FDragOffset);
        setSliderPosition(PositionAt(target));
        return;
    }
    const bool hot = ThumbRect(value()).contains(at);
    if (hot != FHotThumb) {
        FHotThumb = hot;
        update();
    }
    QAbstractSlider::mouseMoveEvent(event);
}

void TTrackBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && isSliderDown()) {
        setSliderDown(false);
        update();
        return;
    }
    QAbstractSlider::mouseReleaseEvent(event);
}

void TTrackBar::leaveEvent(QEvent* event)
{
    FHotThumb = false;
    update();
    QAbstractSlider::leaveEvent(event);
}

QSize TTrackBar::sizeHint() const
{
    const int breadth = ThumbBreadth + (FTickStyle == TTickStyle::tsAuto ? 2 * (TickLength + TickGap) : 0) + 4;
    return Horizontal() ? QSize(150, breadth) : QSize(breadth, 150);
}

QSize TTrackBar::minimumSizeHint() const
{
    return Horizontal() ? QSize(ThumbLength * 3, ThumbBreadth / 2) : QSize(ThumbBreadth / 2, ThumbLength * 3);
}
