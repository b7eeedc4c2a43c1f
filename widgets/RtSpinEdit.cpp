// RtSpinEdit.cpp: the integer spin box.
#include "RtSpinEdit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QRegularExpressionValidator>
#include <QTimer>

#include <algorithm>

namespace {
constexpr int ArrowWidth = 16;
constexpr int FirstRepeatDelay = 400; // ms before a held arrow starts repeating
constexpr int RepeatInterval = 60;
constexpr int MaxDigits = 10;
} // namespace

TRtSpinEdit::TRtSpinEdit(QWidget* parent)
    : QWidget(parent)
    , FEdit(new QLineEdit(this))
    , FRepeat(new QTimer(this))
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(FEdit);
    FEdit->setFrame(false);
    FEdit->setMouseTracking(true);
    FEdit->installEventFilter(this);
    FEdit->setText(QString::number(FValue));
    UpdateValidator();
    UpdateEditPalette();
    connect(FEdit, &QLineEdit::textEdited, this, [this](const QString& text) { TextEdited(text); });
    connect(FEdit, &QLineEdit::editingFinished, this, [this] { Commit(); });
    connect(FRepeat, &QTimer::timeout, this, [this] { RepeatStep(); });
}

TRtSpinEdit::~TRtSpinEdit()
{
    // The edit loses its focus while the widgets are torn down; its editingFinished must not reach
    // a box already half destroyed.
    FEdit->disconnect(this);
}

void TRtSpinEdit::SetValue(int value) { ChangeValue(value, TSpinChange::scCode); }

void TRtSpinEdit::SetMinValue(int value)
{
    FMinValue = value;
    FMaxValue = std::max(FMaxValue, value);
    UpdateValidator();
    ChangeValue(FValue, TSpinChange::scCode);
}

void TRtSpinEdit::SetMaxValue(int value)
{
    FMaxValue = value;
    FMinValue = std::min(FMinValue, value);
    UpdateValidator();
    ChangeValue(FValue, TSpinChange::scCode);
}

void TRtSpinEdit::SetIncrement(int increment) { FIncrement = increment; }

void TRtSpinEdit::SetEditorEnabled(bool enabled)
{
    FEditorEnabled = enabled;
    FEdit->setReadOnly(!enabled);
    FEdit->setCursor(enabled ? Qt::IBeamCursor : Qt::ArrowCursor);
}

void TRtSpinEdit::SetMaxLength(int length)
{
    FMaxLength = std::max(0, length);
    UpdateValidator();
}

Qt::Alignment TRtSpinEdit::Alignment() const { return FEdit->alignment(); }

void TRtSpinEdit::SetAlignment(Qt::Alignment alignment) { FEdit->setAlignment(alignment); }

QString TRtSpinEdit::Text() const { return FEdit->text(); }

void TRtSpinEdit::SetSkin(const TSkin& skin)
{
    FSkin = skin;
    UpdateEditPalette();
    update();
}

void TRtSpinEdit::UpClick() { Step(1, TSpinChange::scArrowButton); }

void TRtSpinEdit::DownClick() { Step(-1, TSpinChange::scArrowButton); }

void TRtSpinEdit::ChangeValue(qint64 value, TSpinChange how)
{
    const int clamped = int(std::clamp<qint64>(value, FMinValue, FMaxValue));
    if (clamped == FValue) {
        if (how != TSpinChange::scTyping)
            ShowValue();
        return;
    }
    FValue = clamped;
    FLastChange = how;
    if (how != TSpinChange::scTyping) // rewriting the text would move the caret under the typist
        ShowValue();
    // Last, with nothing of this change left to do: handlers may set the value again from here.
    if (OnChange)
        OnChange(this);
}

void TRtSpinEdit::Step(int direction, TSpinChange how)
{
    if (!isEnabled())
        return;
    Commit();
    const QPointer<TRtSpinEdit> alive(this);
    ChangeValue(qint64(FValue) + qint64(direction) * FIncrement, how);
    if (!alive)
        return;
    const TNotifyEvent& stepped = direction > 0 ? OnTopClick : OnBottomClick;
    if (stepped)
        stepped(this);
}

void TRtSpinEdit::TextEdited(const QString& text)
{
    // Out-of-range digits wait for Enter or the focus to leave: "1" on the way to "15" in a 10..600
    // box must not report 10 first.
    bool ok = false;
    const qint64 typed = text.trimmed().toLongLong(&ok);
    if (ok && typed >= FMinValue && typed <= FMaxValue)
        ChangeValue(typed, TSpinChange::scTyping);
}

void TRtSpinEdit::Commit()
{
    bool ok = false;
    const qint64 typed = FEdit->text().trimmed().toLongLong(&ok);
    if (ok)
        ChangeValue(typed, TSpinChange::scTyping);
    ShowValue();
}

void TRtSpinEdit::ShowValue()
{
    const QString shown = QString::number(FValue);
    if (FEdit->text() != shown)
        FEdit->setText(shown); // programmatic text bypasses the validator, so MaxLength never cuts it
}

void TRtSpinEdit::UpdateValidator()
{
    const int digits = FMaxLength > 0 ? std::min(FMaxLength, MaxDigits) : MaxDigits;
    const QString sign = FMinValue < 0 ? QStringLiteral("-?") : QString();
    FEdit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("%1\\d{0,%2}").arg(sign).arg(digits)), FEdit));
}

void TRtSpinEdit::UpdateEditPalette()
{
    QPalette palette = FEdit->palette();
    const QColor body = QColorFromColorRef(FSkin.Body, Qt::white);
    palette.setColor(QPalette::Base, body);
    palette.setColor(QPalette::Text, QColorFromColorRef(FSkin.Text, Qt::black));
    palette.setColor(QPalette::Disabled, QPalette::Base, body);
    palette.setColor(QPalette::Disabled, QPalette::Text, QColorFromColorRef(FSkin.DisabledText, Qt::gray));
    FEdit->setPalette(palette);
}

void TRtSpinEdit::RepeatStep()
{
    if (FPressedArrow == 0) {
        FRepeat->stop();
        return;
    }
    FRepeat->setInterval(RepeatInterval);
    Step(FPressedArrow, TSpinChange::scArrowButton);
}

QRect TRtSpinEdit::ArrowColumn() const { return QRect(width() - ArrowWidth - 1, 1, ArrowWidth, height() - 2); }

int TRtSpinEdit::ArrowAt(const QPoint& point) const
{
    const QRect column = ArrowColumn();
    if (!column.contains(point))
        return 0;
    return point.y() < column.center().y() + 1 ? 1 : -1;
}

void TRtSpinEdit::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const bool enabled = isEnabled();
    const QRectF frame = PixelAligned(rect());
    const qreal radius = FSkin.Radius;
    const QColor body = QColorFromColorRef(FSkin.Body, Qt::white);
    const QColor border = QColorFromColorRef(
        enabled && (FEdit->hasFocus() || FHotArrow != 0) ? FSkin.HotBorder : FSkin.Border, Qt::gray);

    QPainterPath outline;
    outline.addRoundedRect(frame, radius, radius);
    painter.fillPath(outline, body);

    painter.save();
    painter.setClipPath(outline);
    const QRect column = ArrowColumn().adjusted(0, -1, 1, 1);
    const int middle = column.top() + column.height() / 2;
    const QRect halves[] = { QRect(column.left(), column.top(), column.width(), middle - column.top()),
        QRect(column.left(), middle, column.width(), column.bottom() - middle + 1) };
    for (int i = 0; i < 2; ++i) {
        const int arrow = i == 0 ? 1 : -1;
        TSkinState state = TSkinState::ssNormal;
        if (!enabled)
            state = TSkinState::ssDisabled;
        else if (FPressedArrow == arrow)
            state = TSkinState::ssDown;
        else if (FHotArrow == arrow)
            state = TSkinState::ssHot;
        TSkin square = FSkin;
        square.Radius = 0;
        // The halves are squares clipped by the box's rounded outline; their own borders are the
        // separating lines drawn below.
        DrawSkinFace(painter, QRectF(halves[i]), square, state);
        DrawSkinArrow(painter, QRectF(halves[i]).adjusted(3, 2, -3, -2), i == 0 ? -1 : 1,
            enabled ? QColorFromColorRef(FSkin.Text, Qt::black) : QColorFromColorRef(FSkin.DisabledText, Qt::gray));
    }
    painter.restore();

    painter.setPen(QPen(border, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(frame, radius, radius);
    painter.drawLine(QPointF(column.left() + 0.5, frame.top()), QPointF(column.left() + 0.5, frame.bottom()));
    painter.drawLine(QPointF(column.left(), middle + 0.5), QPointF(frame.right(), middle + 0.5));
}

void TRtSpinEdit::resizeEvent(QResizeEvent*) { FEdit->setGeometry(rect().adjusted(4, 2, -(ArrowWidth + 4), -2)); }

void TRtSpinEdit::mousePressEvent(QMouseEvent* event)
{
    const int arrow = event->button() == Qt::LeftButton ? ArrowAt(event->position().toPoint()) : 0;
    if (arrow == 0) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    if (focusPolicy() != Qt::NoFocus)
        FEdit->setFocus(Qt::MouseFocusReason);
    FPressedArrow = arrow;
    update();
    FRepeat->start(FirstRepeatDelay);
    Step(arrow, TSpinChange::scArrowButton);
}

void TRtSpinEdit::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && FPressedArrow != 0) {
        FPressedArrow = 0;
        FRepeat->stop();
        update();
    }
    QWidget::mouseReleaseEvent(event);
}

void TRtSpinEdit::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    const int hot = ArrowAt(at);
    if (hot != FHotArrow) {
        FHotArrow = hot;
        update();
    }
    if (OnMouseMove)
        OnMouseMove(this, event->modifiers(), at.x(), at.y());
    QWidget::mouseMoveEvent(event);
}

void TRtSpinEdit::leaveEvent(QEvent* event)
{
    FHotArrow = 0;
    update();
    QWidget::leaveEvent(event);
}

void TRtSpinEdit::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        FPressedArrow = 0;
        FHotArrow = 0;
        FRepeat->stop();
    }
    QWidget::changeEvent(event);
}

bool TRtSpinEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != FEdit)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        int code = key->key();
        if (code == Qt::Key_Return || code == Qt::Key_Enter)
            Commit();
        if (OnKeyDown) {
            const QPointer<TRtSpinEdit> alive(this);
            OnKeyDown(this, code, key->modifiers());
            if (!alive)
                return true;
            if (code == 0)
                return true;
        }
        if (FArrowKeys && (code == Qt::Key_Up || code == Qt::Key_Down)) {
            Step(code == Qt::Key_Up ? 1 : -1, TSpinChange::scArrowKey);
            return true;
        }
        break;
    }
    case QEvent::MouseMove:
        if (OnMouseMove) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const QPoint at = FEdit->mapTo(this, mouse->position().toPoint());
            OnMouseMove(this, mouse->modifiers(), at.x(), at.y());
        }
        break;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        update(); // the border shows the focus
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

QSize TRtSpinEdit::sizeHint() const
{
    const QFontMetrics metrics = fontMetrics();
    const int digits = metrics.horizontalAdvance(QString::number(std::max(std::abs(FMinValue), std::abs(FMaxValue))));
    return QSize(std::max(56, digits + ArrowWidth + 16), std::max(22, metrics.height() + 8));
}

QSize TRtSpinEdit::minimumSizeHint() const { return QSize(ArrowWidth + 16, fontMetrics().height() + 4); }
