// SkinPanel.cpp: skinned panels and title bands.
#include "SkinPanel.h"
#include "WindowDragger.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int Padding = 6;
}

TSkinPanel::TSkinPanel(QWidget* parent)
    : QWidget(parent)
{
    setMouseTracking(true); // OnMouseMove reports moves without a button, for status-bar hints
    UpdateMargins();
}

TSkinPanel::TSkinPanel(const QString& caption, TSkinPanelKind kind, QWidget* parent)
    : TSkinPanel(parent)
{
    FCaption = caption;
    SetKind(kind);
}

void TSkinPanel::SetCaption(const QString& caption)
{
    if (caption == FCaption)
        return;
    FCaption = caption;
    UpdateMargins();
    update();
}

void TSkinPanel::SetKind(TSkinPanelKind kind)
{
    FKind = kind;
    UpdateMargins();
    update();
}

void TSkinPanel::SetAlignment(Qt::Alignment alignment)
{
    FAlignment = alignment;
    update();
}

void TSkinPanel::SetColor(COLORREF color)
{
    FColor = color;
    update();
}

void TSkinPanel::SetFontColor(COLORREF color)
{
    FFontColor = color;
    update();
}

int TSkinPanel::TitleHeight() const
{
    if (FTitleHeight > 0)
        return FTitleHeight;
    return QFontMetrics(CaptionFont()).height() + 10;
}

void TSkinPanel::SetTitleHeight(int pixels)
{
    FTitleHeight = std::max(0, pixels);
    UpdateMargins();
    update();
}

bool TSkinPanel::DragsWindow() const { return FDragger && FDragger->Enabled(); }

void TSkinPanel::SetDragsWindow(bool drags)
{
    if (drags && !FDragger)
        FDragger = new TWindowDragger(*this);
    if (FDragger)
        FDragger->SetEnabled(drags);
}

void TSkinPanel::SetSkin(const TSkin& skin)
{
    FSkin = skin;
    update();
}

QSize TSkinPanel::sizeHint() const
{
    if (FKind == TSkinPanelKind::pkTitle)
        return QSize(QFontMetrics(CaptionFont()).horizontalAdvance(FCaption) + 4 * Padding, 45);
    return QWidget::sizeHint().expandedTo(QSize(100, HasTitleStrip() ? TitleHeight() + 40 : 40));
}

bool TSkinPanel::HasTitleStrip() const
{
    return (FKind == TSkinPanelKind::pkPanel || FKind == TSkinPanelKind::pkGroup) && !FCaption.isEmpty();
}

QRect TSkinPanel::TitleRect() const { return QRect(0, 0, width(), std::min(height(), TitleHeight())); }

QFont TSkinPanel::CaptionFont() const
{
    QFont captionFont = font();
    if (FKind != TSkinPanelKind::pkFlat)
        captionFont.setBold(true);
    return captionFont;
}

void TSkinPanel::DrawCaption(QPainter& painter, const QRect& area, const QColor& color) const
{
    const QRect text = area.adjusted(Padding, 0, -Padding, 0);
    painter.setFont(CaptionFont());
    painter.setPen(color);
    painter.drawText(text, int(FAlignment) | Qt::TextSingleLine,
        painter.fontMetrics().elidedText(FCaption, Qt::ElideRight, text.width()));
}

void TSkinPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QColor body = QColorFromColorRef(FColor, QColorFromColorRef(FSkin.Body, Qt::white));
    const QColor border = QColorFromColorRef(FSkin.Border, Qt::gray);
    const QColor titleTop = QColorFromColorRef(FSkin.TitleTop, Qt::darkBlue);
    const QColor titleBottom = QColorFromColorRef(FSkin.TitleBottom, Qt::darkBlue);
    const qreal radius = FSkin.Radius;

    switch (FKind) {
    case TSkinPanelKind::pkFlat:
        painter.fillRect(rect(), body);
        if (!FCaption.isEmpty())
            DrawCaption(painter, rect(), QColorFromColorRef(FFontColor, QColorFromColorRef(FSkin.Text, Qt::black)));
        return;

    case TSkinPanelKind::pkTitle: {
        // A band runs edge to edge, so it is not rounded; light and dark rims give it depth.
        QLinearGradient tint(0, 0, 0, height());
        tint.setColorAt(0, titleTop);
        tint.setColorAt(1, titleBottom);
        painter.fillRect(rect(), tint);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(titleTop.lighter(125));
        painter.drawLine(0, 0, width() - 1, 0);
        painter.setPen(titleBottom.darker(130));
        painter.drawLine(0, height() - 1, width() - 1, height() - 1);
        DrawCaption(painter, rect(), QColorFromColorRef(FFontColor, QColorFromColorRef(FSkin.TitleText, Qt::white)));
        return;
    }

    case TSkinPanelKind::pkPanel:
    case TSkinPanelKind::pkGroup: {
        const QRectF frame = PixelAligned(rect());
        if (FKind == TSkinPanelKind::pkPanel && FColor == clDefault)
            DrawSkinFace(painter, frame, QColorFromColorRef(FSkin.FaceTop, Qt::white),
                QColorFromColorRef(FSkin.FaceBottom, Qt::lightGray), border, radius);
        else
            DrawSkinFace(painter, frame, body, body, border, radius);
        if (!HasTitleStrip())
            return;
        QPainterPath inside;
        inside.addRoundedRect(frame, radius, radius);
        painter.save();
        painter.setClipPath(inside);
        const QRect strip = TitleRect();
        QLinearGradient tint(0, strip.top(), 0, strip.bottom());
        QColor captionColor;
        if (FKind == TSkinPanelKind::pkPanel) {
            tint.setColorAt(0, titleTop);
            tint.setColorAt(1, titleBottom);
            captionColor = QColorFromColorRef(FFontColor, QColorFromColorRef(FSkin.TitleText, Qt::white));
        } else {
            tint.setColorAt(0, QColorFromColorRef(FSkin.FaceTop, Qt::white));
            tint.setColorAt(1, QColorFromColorRef(FSkin.FaceBottom, Qt::lightGray));
            captionColor = QColorFromColorRef(FFontColor, QColorFromColorRef(FSkin.Text, Qt::black));
        }
        painter.fillRect(strip, tint);
        painter.restore();
        painter.setPen(QPen(border, 1));
        painter.drawRoundedRect(frame, radius, radius);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.drawLine(strip.left() + 1, strip.bottom(), strip.right() - 1, strip.bottom());
        DrawCaption(painter, strip, captionColor);
        return;
    }
    }
}

void TSkinPanel::mousePressEvent(QMouseEvent* event)
{
    event->accept(); // a parent that drags its window on presses must not move it a second time
    if (OnMouseDown) {
        const QPoint at = event->position().toPoint();
        OnMouseDown(this, event->button(), event->modifiers(), at.x(), at.y());
    }
}

void TSkinPanel::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (OnMouseUp) {
        const QPoint at = event->position().toPoint();
        OnMouseUp(this, event->button(), event->modifiers(), at.x(), at.y());
    }
}

void TSkinPanel::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    if (OnMouseMove) {
        const QPoint at = event->position().toPoint();
        OnMouseMove(this, event->modifiers(), at.x(), at.y());
    }
}

void TSkinPanel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        UpdateMargins();
    QWidget::changeEvent(event);
}

void TSkinPanel::UpdateMargins()
{
    switch (FKind) {
    case TSkinPanelKind::pkFlat:
    case TSkinPanelKind::pkTitle:
        setContentsMargins(0, 0, 0, 0);
        break;
    case TSkinPanelKind::pkPanel:
    case TSkinPanelKind::pkGroup:
        setContentsMargins(Padding, HasTitleStrip() ? TitleHeight() + Padding : Padding, Padding, Padding);
        break;
    }
}

TSkinGroupPanel::TSkinGroupPanel(QWidget* parent)
    : TSkinPanel(QString(), TSkinPanelKind::pkGroup, parent)
{
}

TSkinGroupPanel::TSkinGroupPanel(const QString& caption, QWidget* parent)
    : TSkinPanel(caption, TSkinPanelKind::pkGroup, parent)
{
}
