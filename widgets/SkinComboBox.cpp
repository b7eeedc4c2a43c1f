// SkinComboBox.cpp: the skinned drop-down list.
#include "SkinComboBox.h"

#include <QAbstractItemView>
#include <QListView>
#include <QPainter>
#include <QPainterPath>
#include <QStyledItemDelegate>

namespace {
constexpr int ArrowWidth = 16;
// The highlight of the owner-drawn lists and menus (pale yellow into gold), with its grey outline.
constexpr COLORREF HighlightStops[] = { RGB(255, 245, 221), RGB(255, 245, 221), RGB(255, 210, 94) };
constexpr COLORREF HighlightOutline = RGB(197, 197, 197);
} // namespace

class TSkinItemDelegate : public QStyledItemDelegate {
public:
    explicit TSkinItemDelegate(TSkinComboBox& owner)
        : QStyledItemDelegate(&owner)
        , FOwner(owner)
    {
    }
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        painter->save();
        const bool selected = option.state & (QStyle::State_Selected | QStyle::State_MouseOver);
        FOwner.DrawItem(*painter, option.rect, index.row(), selected);
        painter->restore();
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        return QSize(option.rect.width(), FOwner.ItemHeight());
    }

private:
    TSkinComboBox& FOwner;
};

TSkinComboBox::TSkinComboBox(QWidget* parent)
    : QComboBox(parent)
{
    setItemDelegate(new TSkinItemDelegate(*this));
    if (auto* list = qobject_cast<QListView*>(view()))
        list->setUniformItemSizes(true); // long font lists stay quick to open
    setAttribute(Qt::WA_Hover, true);
    connect(this, &QComboBox::currentIndexChanged, this, [this] { IndexChanged(); });
}

TSkinComboBox::~TSkinComboBox() = default;

QString TSkinComboBox::Text() const { return currentIndex() >= 0 ? currentText() : FUnmatched; }

void TSkinComboBox::SetItemHeight(int pixels)
{
    FItemHeight = std::max(8, pixels);
    view()->doItemsLayout();
}

void TSkinComboBox::SetSkin(const TSkin& skin)
{
    FSkin = skin;
    update();
}

void TSkinComboBox::ShowItem(int index, const QString& unmatchedText)
{
    const QString oldText = Text();
    const int oldIndex = currentIndex();
    WithoutChanges([&] { setCurrentIndex(index); });
    FUnmatched = currentIndex() < 0 ? unmatchedText : QString();
    update();
    if ((currentIndex() != oldIndex || Text() != oldText) && OnChange)
        OnChange(this);
}

void TSkinComboBox::IndexChanged()
{
    if (FSilent)
        return;
    FUnmatched.clear();
    if (OnChange)
        OnChange(this);
}

void TSkinComboBox::showPopup()
{
    view()->setMinimumWidth(std::max(FDroppedWidth, 0));
    QComboBox::showPopup();
}

QSize TSkinComboBox::sizeHint() const
{
    const QSize hint = QComboBox::sizeHint();
    return QSize(hint.width(), std::max(hint.height(), fontMetrics().height() + 10));
}

void TSkinComboBox::DrawItem(QPainter& painter, const QRect& rect, int index, bool selected) const
{
    painter.fillRect(rect, QColorFromColorRef(FSkin.Body, Qt::white));
    if (selected) {
        painter.setRenderHint(QPainter::Antialiasing, true);
        const QRectF outline = PixelAligned(rect.adjusted(1, 0, -1, 0));
        QPainterPath rounded;
        rounded.addRoundedRect(outline, 5, 5);
        painter.save();
        painter.setClipPath(rounded);
        FillGradient(painter, rect, HighlightStops, true);
        painter.restore();
        painter.setPen(QPen(QColorFromColorRef(HighlightOutline, Qt::gray), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(outline, 5, 5);
    }
    DrawItemContent(painter, rect, index, itemText(index));
}

void TSkinComboBox::DrawItemContent(QPainter& painter, const QRect& rect, int, const QString& text) const
{
    painter.setPen(QColorFromColorRef(isEnabled() ? FSkin.Text : FSkin.DisabledText, Qt::black));
    const QRect textRect = rect.adjusted(6, 0, -4, 0);
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
        painter.fontMetrics().elidedText(text, Qt::ElideRight, textRect.width()));
}

void TSkinComboBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const bool enabled = isEnabled();
    const QRectF frame = PixelAligned(rect());
    const qreal radius = FSkin.Radius;
    QPainterPath outline;
    outline.addRoundedRect(frame, radius, radius);
    painter.fillPath(outline, QColorFromColorRef(FSkin.Body, Qt::white));

    const QRect arrow(width() - ArrowWidth - 1, 0, ArrowWidth + 1, height());
    const bool hot = enabled && (underMouse() || hasFocus());
    painter.save();
    painter.setClipPath(outline);
    TSkin square = FSkin;
    square.Radius = 0;
    DrawSkinFace(painter, QRectF(arrow), square,
        !enabled           ? TSkinState::ssDisabled
            : underMouse() ? TSkinState::ssHot
                           : TSkinState::ssNormal);
    painter.restore();
    DrawSkinArrow(painter, QRectF(arrow).adjusted(2, 0, -2, 0), 1,
        QColorFromColorRef(enabled ? FSkin.Text : FSkin.DisabledText, Qt::black));

    const QColor border = QColorFromColorRef(hot ? FSkin.HotBorder : FSkin.Border, Qt::gray);
    painter.setPen(QPen(border, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(frame, radius, radius);
    painter.drawLine(QPointF(arrow.left() + 0.5, frame.top()), QPointF(arrow.left() + 0.5, frame.bottom()));

    painter.save();
    const QRect value = rect().adjusted(1, 1, -(ArrowWidth + 2), -1);
    painter.setClipRect(value);
    DrawItemContent(painter, value, currentIndex(), Text());
    painter.restore();
    if (hasFocus()) {
        painter.setPen(QPen(border, 1, Qt::DotLine));
        painter.drawRoundedRect(PixelAligned(value.adjusted(2, 2, -2, -2)), 2, 2);
    }
}

void TSkinComboBox::focusInEvent(QFocusEvent* event)
{
    QComboBox::focusInEvent(event);
    if (OnEnter)
        OnEnter(this);
}
