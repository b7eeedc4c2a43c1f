// SkinButton.cpp: the skinned push and tool button.
#include "SkinButton.h"

#include <QDialog>
#include <QEnterEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QVariantAnimation>

namespace {
constexpr int Padding = 6;
constexpr int GlyphGap = 5;
constexpr int ArrowWidth = 14;
} // namespace

TSkinButton::TSkinButton(QWidget* parent)
    : QAbstractButton(parent)
{
    // Clicking leaves the focus where it was (the editor, most often); Tab still reaches the button.
    setFocusPolicy(Qt::TabFocus);
    setMouseTracking(true);
    setIconSize(QSize(16, 16));
    setAttribute(Qt::WA_Hover, true);
    FHoverFade = new QVariantAnimation(this);
    connect(FHoverFade, &QVariantAnimation::valueChanged, this, [this](const QVariant& level) {
        FHoverLevel = level.toReal();
        update();
    });
    connect(this, &QAbstractButton::clicked, this, [this] { Clicked(); });
}

TSkinButton::TSkinButton(const QString& caption, QWidget* parent)
    : TSkinButton(parent)
{
    setText(caption);
}

TSkinButton::~TSkinButton() = default;

void TSkinButton::SetCaption(const QString& caption)
{
    setText(caption);
    updateGeometry();
}

void TSkinButton::SetGlyph(const QIcon& glyph)
{
    setIcon(glyph);
    updateGeometry();
}

void TSkinButton::SetGlyphSize(const QSize& size)
{
    setIconSize(size);
    updateGeometry();
}

void TSkinButton::SetLayout(TButtonLayout layout)
{
    FLayout = layout;
    updateGeometry();
    update();
}

void TSkinButton::SetFlat(bool flat)
{
    FFlat = flat;
    update();
}

void TSkinButton::SetDown(bool down)
{
    if (down == FDown)
        return;
    FDown = down;
    if (down && FGroupIndex != 0 && parentWidget()) {
        for (TSkinButton* other : parentWidget()->findChildren<TSkinButton*>(Qt::FindDirectChildrenOnly))
            if (other != this && other->FGroupIndex == FGroupIndex)
                other->SetDown(false);
    }
    update();
}

void TSkinButton::SetGroupIndex(int index)
{
    FGroupIndex = index;
    if (FDown && index != 0) {
        FDown = false; // joining a group goes through SetDown so the others are released
        SetDown(true);
    }
}

void TSkinButton::SetAllowAllUp(bool allow) { FAllowAllUp = allow; }

void TSkinButton::SetDropdownMenu(QMenu* menu)
{
    FDropdownMenu = menu;
    updateGeometry();
    update();
}

void TSkinButton::SetFontColor(COLORREF color)
{
    FFontColor = color;
    update();
}

void TSkinButton::SetHoverDuration(int milliseconds) { FHoverDuration = std::max(0, milliseconds); }

void TSkinButton::SetSkin(const TSkin& skin)
{
    FSkin = skin;
    update();
}

void TSkinButton::Click()
{
    if (isEnabled())
        click();
}

void TSkinButton::Clicked()
{
    if (FGroupIndex != 0) {
        if (!FDown)
            SetDown(true);
        else if (FAllowAllUp)
            SetDown(false);
    }
    const QPointer<TSkinButton> alive(this);
    if (OnClick)
        OnClick(this);
    if (!alive || FModalResult == 0)
        return;
    if (auto* dialog = qobject_cast<QDialog*>(window()))
        dialog->done(FModalResult);
}

void TSkinButton::FadeHover(qreal target)
{
    FHoverFade->stop();
    if (FHoverDuration == 0 || !isVisible()) {
        FHoverLevel = target;
        update();
        return;
    }
    FHoverFade->setStartValue(FHoverLevel);
    FHoverFade->setEndValue(target);
    FHoverFade->setDuration(std::max(1, int(FHoverDuration * std::abs(target - FHoverLevel))));
    FHoverFade->start();
}

QRect TSkinButton::ArrowRect() const
{
    return FDropdownMenu ? QRect(width() - ArrowWidth, 0, ArrowWidth, height()) : QRect();
}

QRect TSkinButton::ContentRect() const
{
    QRect content = rect().adjusted(Padding / 2, Padding / 2, -Padding / 2, -Padding / 2);
    if (FDropdownMenu)
        content.setRight(ArrowRect().left() - 1);
    return content;
}

TSkinState TSkinButton::FaceState() const
{
    if (!isEnabled())
        return TSkinState::ssDisabled;
    if (isDown() || FDown)
        return TSkinState::ssDown;
    return TSkinState::ssNormal;
}

bool TSkinButton::hitButton(const QPoint& pos) const { return rect().contains(pos) && !ArrowRect().contains(pos); }

void TSkinButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QRectF frame = PixelAligned(rect());
    const TSkinState state = FaceState();
    if (state == TSkinState::ssDown) {
        DrawSkinFace(painter, frame, FSkin, TSkinState::ssDown);
    } else {
        if (!FFlat)
            DrawSkinFace(painter, frame, FSkin, state);
        if (FHoverLevel > 0 && state != TSkinState::ssDisabled) {
            painter.setOpacity(FHoverLevel);
            DrawSkinFace(painter, frame, FSkin, TSkinState::ssHot);
            painter.setOpacity(1);
        }
    }
    const QColor border = QColorFromColorRef(FSkin.Border, Qt::gray);
    if (hasFocus()) {
        painter.setPen(QPen(border, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(frame.adjusted(2, 2, -2, -2), FSkin.Radius - 1, FSkin.Radius - 1);
    }

    const bool enabled = state != TSkinState::ssDisabled;
    const QColor textColor = enabled ? QColorFromColorRef(FFontColor, QColorFromColorRef(FSkin.Text, Qt::black))
                                     : QColorFromColorRef(FSkin.DisabledText, Qt::gray);
    if (FDropdownMenu) {
        const QRect arrow = ArrowRect();
        if (!FFlat || FHoverLevel > 0 || state == TSkinState::ssDown) {
            painter.setPen(QPen(border, 1));
            painter.drawLine(QPointF(arrow.left() + 0.5, 4), QPointF(arrow.left() + 0.5, height() - 4));
        }
        DrawSkinArrow(painter, QRectF(arrow).adjusted(2, 0, -2, 0), 1, textColor);
    }

    const QRect content = ContentRect();
    const bool hasGlyph = !icon().isNull();
    const QSize glyph = hasGlyph ? iconSize() : QSize(0, 0);
    const QFontMetrics metrics = fontMetrics();
    const bool horizontal = FLayout == TButtonLayout::blGlyphLeft || FLayout == TButtonLayout::blGlyphRight;
    const int gap = hasGlyph && !text().isEmpty() ? GlyphGap : 0;
    const int room = horizontal ? content.width() - glyph.width() - gap : content.width();
    const QString caption = metrics.elidedText(text(), Qt::ElideRight, std::max(0, room), Qt::TextShowMnemonic);
    const QSize textSize(metrics.horizontalAdvance(caption), text().isEmpty() ? 0 : metrics.height());

    QRect glyphRect;
    QRect textRect;
    if (horizontal) {
        const int total = glyph.width() + gap + textSize.width();
        int x = content.left() + (content.width() - total) / 2;
        const int glyphTop = content.top() + (content.height() - glyph.height()) / 2;
        if (FLayout == TButtonLayout::blGlyphLeft) {
            glyphRect = QRect(QPoint(x, glyphTop), glyph);
            textRect = QRect(x + glyph.width() + gap, content.top(), textSize.width(), content.height());
        } else {
            textRect = QRect(x, content.top(), textSize.width(), content.height());
            glyphRect = QRect(QPoint(x + textSize.width() + gap, glyphTop), glyph);
        }
    } else {
        const int total = glyph.height() + gap + textSize.height();
        const int y = content.top() + (content.height() - total) / 2;
        const int glyphLeft = content.left() + (content.width() - glyph.width()) / 2;
        if (FLayout == TButtonLayout::blGlyphTop) {
            glyphRect = QRect(QPoint(glyphLeft, y), glyph);
            textRect = QRect(content.left(), y + glyph.height() + gap, content.width(), textSize.height());
        } else {
            textRect = QRect(content.left(), y, content.width(), textSize.height());
            glyphRect = QRect(QPoint(glyphLeft, y + textSize.height() + gap), glyph);
        }
    }
    if (state == TSkinState::ssDown && isDown()) { // the content sinks while the mouse holds it
        glyphRect.translate(1, 1);
        textRect.translate(1, 1);
    }
    if (hasGlyph) {
        const QIcon::Mode mode = !enabled ? QIcon::Disabled : FHoverLevel > 0.5 ? QIcon::Active : QIcon::Normal;
        icon().paint(&painter, glyphRect, Qt::AlignCenter, mode, FDown ? QIcon::On : QIcon::Off);
    }
    if (!caption.isEmpty()) {
        painter.setPen(textColor);
        painter.drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, caption);
    }
}

void TSkinButton::enterEvent(QEnterEvent* event)
{
    if (isEnabled())
        FadeHover(1);
    QAbstractButton::enterEvent(event);
}

void TSkinButton::leaveEvent(QEvent* event)
{
    FadeHover(0);
    QAbstractButton::leaveEvent(event);
}

void TSkinButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && FDropdownMenu && ArrowRect().contains(event->position().toPoint())) {
        event->accept();
        FDropdownMenu->popup(mapToGlobal(QPoint(0, height())));
        return;
    }
    QAbstractButton::mousePressEvent(event);
}

void TSkinButton::mouseMoveEvent(QMouseEvent* event)
{
    if (OnMouseMove) {
        const QPoint at = event->position().toPoint();
        OnMouseMove(this, event->modifiers(), at.x(), at.y());
    }
    QAbstractButton::mouseMoveEvent(event);
}

void TSkinButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        FHoverFade->stop();
        FHoverLevel = 0;
    }
    if (event->type() == QEvent::FontChange)
        updateGeometry();
    QAbstractButton::changeEvent(event);
}

QSize TSkinButton::sizeHint() const
{
    const QFontMetrics metrics = fontMetrics();
    const bool hasGlyph = !icon().isNull();
    const QSize glyph = hasGlyph ? iconSize() : QSize(0, 0);
    const QSize textSize = text().isEmpty()
        ? QSize(0, 0)
        : QSize(metrics.size(Qt::TextSingleLine | Qt::TextShowMnemonic, text()).width(), metrics.height());
    const int gap = hasGlyph && !text().isEmpty() ? GlyphGap : 0;
    QSize content;
    if (FLayout == TButtonLayout::blGlyphLeft || FLayout == TButtonLayout::blGlyphRight)
        content = QSize(glyph.width() + gap + textSize.width(), std::max(glyph.height(), textSize.height()));
    else
        content = QSize(std::max(glyph.width(), textSize.width()), glyph.height() + gap + textSize.height());
    QSize hint = content + QSize(4 * Padding, 2 * Padding);
    if (FDropdownMenu)
        hint.rwidth() += ArrowWidth;
    return hint.expandedTo(QSize(24, 24));
}

QSize TSkinButton::minimumSizeHint() const { return QSize(16, 16); }
