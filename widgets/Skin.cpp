// Skin.cpp: painting shared by the skinned widgets.
#include "Skin.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace {

constexpr COLORREF SystemColorFlag = 0x80000000;

QColor SystemColor(int index, const QColor& defaultColor)
{
    const QPalette palette = QGuiApplication::palette();
    switch (index) { // the platform's COLOR_* numbers
    case 4: // menu
    case 5: // window
        return palette.color(QPalette::Base);
    case 7: // menu text
    case 8: // window text
        return palette.color(QPalette::Text);
    case 13:
        return palette.color(QPalette::Highlight);
    case 14:
        return palette.color(QPalette::HighlightedText);
    case 15: // button face
        return palette.color(QPalette::Button);
    case 16: // button shadow
        return palette.color(QPalette::Mid);
    case 17: // grey text
        return palette.color(QPalette::Disabled, QPalette::Text);
    case 18: // button text
        return palette.color(QPalette::ButtonText);
    case 20: // button highlight
        return palette.color(QPalette::Light);
    case 23:
        return palette.color(QPalette::ToolTipText);
    case 24:
        return palette.color(QPalette::ToolTipBase);
    default:
        return defaultColor;
    }
}

// Faces of disabled controls keep their shape but lose most of their tint.
QColor Paled(const QColor& color)
{
    const int grey = qGray(color.rgb());
    const auto mix = [grey](int channel) { return (channel + 2 * grey + 3 * 245) / 6; };
    return QColor(mix(color.red()), mix(color.green()), mix(color.blue()));
}

QColor Rgb(COLORREF color) { return QColor(GetRValue(color), GetGValue(color), GetBValue(color)); }

int Channel(int from, int to, double t) { return int(from + (to - from) * t); } // truncates toward zero

} // namespace

QColor QColorFromColorRef(COLORREF color, const QColor& defaultColor)
{
    if (color == clDefault || color == clNone)
        return defaultColor;
    if ((color & 0xFF000000) == SystemColorFlag)
        return SystemColor(int(color & 0xFF), defaultColor);
    if (color & 0xFF000000)
        return defaultColor;
    return Rgb(color);
}

QRectF PixelAligned(const QRect& rect, qreal penWidth)
{
    const qreal half = penWidth / 2;
    return QRectF(rect).adjusted(half, half, -half, -half);
}

void DrawSkinFace(
    QPainter& painter, const QRectF& rect, const QColor& top, const QColor& bottom, const QColor& border, qreal radius)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient tint(rect.topLeft(), rect.bottomLeft());
    tint.setColorAt(0, top);
    tint.setColorAt(1, bottom);
    painter.setBrush(tint);
    painter.setPen(border.isValid() ? QPen(border, 1) : QPen(Qt::NoPen));
    painter.drawRoundedRect(rect, radius, radius);
    painter.restore();
}

void DrawSkinFace(QPainter& painter, const QRectF& rect, const TSkin& skin, TSkinState state)
{
    switch (state) {
    case TSkinState::ssHot:
        DrawSkinFace(painter, rect, Rgb(skin.HotTop), Rgb(skin.HotBottom), Rgb(skin.HotBorder), skin.Radius);
        break;
    case TSkinState::ssDown:
        DrawSkinFace(painter, rect, Rgb(skin.DownTop), Rgb(skin.DownBottom), Rgb(skin.HotBorder), skin.Radius);
        break;
    case TSkinState::ssDisabled:
        DrawSkinFace(
            painter, rect, Paled(Rgb(skin.FaceTop)), Paled(Rgb(skin.FaceBottom)), Paled(Rgb(skin.Border)), skin.Radius);
        break;
    case TSkinState::ssNormal:
        DrawSkinFace(painter, rect, Rgb(skin.FaceTop), Rgb(skin.FaceBottom), Rgb(skin.Border), skin.Radius);
        break;
    }
}

void DrawSkinArrow(QPainter& painter, const QRectF& rect, int direction, const QColor& color)
{
    const qreal size = std::clamp<qreal>(std::min(rect.width() / 2, rect.height()) * 0.6, 2.0, 5.0); // half width
    const QPointF centre = rect.center();
    const qreal tip = direction < 0 ? -size / 2 : size / 2;
    QPainterPath triangle;
    triangle.moveTo(centre.x() - size, centre.y() - tip);
    triangle.lineTo(centre.x() + size, centre.y() - tip);
    triangle.lineTo(centre.x(), centre.y() + tip);
    triangle.closeSubpath();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPath(triangle);
    painter.restore();
}

void FillGradient(QPainter& painter, const QRect& rect, std::span<const COLORREF> colors, bool vertical)
{
    if (colors.size() < 2 || rect.isEmpty())
        return;
    const int segments = int(colors.size()) - 1;
    const int extent = vertical ? rect.height() : rect.width();
    const int step = int(std::nearbyint(double(extent) / segments));
    painter.save();
    // Antialiasing would blend neighbouring lines and lose the exact end colours.
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (int i = 0; i < segments; ++i) {
        const int length = i == segments - 1 ? extent - i * step - 1 : step;
        const COLORREF from = colors[i];
        const COLORREF to = colors[i + 1];
        for (int r = 0; r <= length; ++r) {
            const int offset = i * step + r;
            if (offset < 0 || offset >= extent)
                continue;
            const double t = length > 0 ? double(r) / length : 0.0;
            painter.setPen(
                QPen(QColor(Channel(GetRValue(from), GetRValue(to), t), Channel(GetGValue(from), GetGValue(to), t),
                         Channel(GetBValue(from), GetBValue(to), t)),
                    1));
            if (vertical)
                painter.drawLine(rect.left(), rect.top() + offset, rect.right(), rect.top() + offset);
            else
                painter.drawLine(rect.left() + offset, rect.top(), rect.left() + offset, rect.bottom());
        }
    }
    painter.restore();
}

void FillGradient(QPainter& painter, const QRect& rect, COLORREF from, COLORREF to, bool vertical)
{
    const COLORREF colors[] = { from, to };
    FillGradient(painter, rect, colors, vertical);
}
