// SkinCheckBox.cpp: the skinned check box.
#include "SkinCheckBox.h"

#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int BoxSize = 14;
constexpr int Gap = 6;
} // namespace

TSkinCheckBox::TSkinCheckBox(QWidget* parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setAttribute(Qt::WA_Hover, true);
    connect(this, &QAbstractButton::toggled, this, [this] {
        if (OnChange)
            OnChange(this);
    });
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (OnClick)
            OnClick(this);
    });
}

TSkinCheckBox::TSkinCheckBox(const QString& caption, QWidget* parent)
    : TSkinCheckBox(parent)
{
    setText(caption);
}

void TSkinCheckBox::SetCaption(const QString& caption)
{
    setText(caption);
    updateGeometry();
}

void TSkinCheckBox::SetFontColor(COLORREF color)
{
    FFontColor = color;
    update();
}

void TSkinCheckBox::SetSkin(const TSkin& skin)
{
    FSkin = skin;
    update();
}

QRect TSkinCheckBox::BoxRect() const { return QRect(1, (height() - BoxSize) / 2, BoxSize, BoxSize); }

bool TSkinCheckBox::hitButton(const QPoint& pos) const { return rect().contains(pos); }

void TSkinCheckBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const bool enabled = isEnabled();
    TSkin boxSkin = FSkin;
    boxSkin.Radius = 3;
    const TSkinState state = !enabled ? TSkinState::ssDisabled
        : isDown()                    ? TSkinState::ssDown
        : underMouse()                ? TSkinState::ssHot
                                      : TSkinState::ssNormal;
    const QRectF box = PixelAligned(BoxRect());
    DrawSkinFace(painter, box, boxSkin, state);

    const QColor textColor = enabled ? QColorFromColorRef(FFontColor, QColorFromColorRef(FSkin.Text, Qt::black))
                                     : QColorFromColorRef(FSkin.DisabledText, Qt::gray);
    if (isChecked()) {
        QPainterPath tick;
        tick.moveTo(box.left() + box.width() * 0.22, box.top() + box.height() * 0.52);
        tick.lineTo(box.left() + box.width() * 0.42, box.top() + box.height() * 0.74);
        tick.lineTo(box.left() + box.width() * 0.80, box.top() + box.height() * 0.28);
        painter.setPen(QPen(textColor, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(tick);
    }
    const QRect textRect = rect().adjusted(BoxSize + Gap + 1, 0, 0, 0);
    painter.setPen(textColor);
    QRect drawn;
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine | Qt::TextShowMnemonic,
        fontMetrics().elidedText(text(), Qt::ElideRight, textRect.width(), Qt::TextShowMnemonic), &drawn);
    if (hasFocus() && !drawn.isEmpty()) {
        painter.setPen(QPen(QColorFromColorRef(FSkin.Border, Qt::gray), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(PixelAligned(drawn.adjusted(-2, 0, 2, 0)));
    }
}

QSize TSkinCheckBox::sizeHint() const
{
    const QFontMetrics metrics = fontMetrics();
    const int textWidth = metrics.size(Qt::TextSingleLine | Qt::TextShowMnemonic, text()).width();
    return QSize(BoxSize + Gap + textWidth + 4, std::max(BoxSize + 4, metrics.height() + 4));
}
