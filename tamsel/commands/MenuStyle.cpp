// MenuStyle.cpp: owner-drawn popup menu items and separators.
#include "MenuStyle.h"

#include "Skin.h"

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QStyleOptionMenuItem>

#include <algorithm>

namespace {

constexpr int IconColumnWidth = 38;
constexpr int MenuIconSize = 32;
constexpr qreal CornerRadius = 2.5; // a 5 x 5 corner ellipse

constexpr COLORREF ItemBackground = RGB(250, 250, 250);
constexpr COLORREF HighlightStops[] = { RGB(255, 245, 221), RGB(255, 245, 221), RGB(255, 210, 94) };
constexpr COLORREF IconColumnStops[] = { RGB(223, 238, 247), RGB(124, 168, 211), RGB(124, 168, 211) };
constexpr COLORREF OutlineColor = RGB(197, 197, 197);
constexpr COLORREF CheckFrameColor = RGB(158, 158, 158);
constexpr COLORREF EnabledTextColor = RGB(0, 21, 110);
constexpr COLORREF DisabledTextColor = RGB(192, 192, 192);

constexpr const char* ImagesProperty = "tamselMenuImages";

QColor Color(COLORREF color) { return QColorFromColorRef(color, Qt::black); }

QFont MenuFont(bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(12);
    font.setBold(bold);
    return font;
}

QFontMetrics MetricsOn(const QFont& font, const QWidget* menu)
{
    return menu ? QFontMetrics(font, menu) : QFontMetrics(font);
}

int TextWidth(const QFontMetrics& metrics, const QString& text)
{
    return metrics.size(Qt::TextSingleLine | Qt::TextShowMnemonic, text).width();
}

// QMenu hands the style the caption and the shortcut joined by a tab, whether the shortcut is bound
// to the action or only written after a tab in its text (the context menu only shows its keys).
struct TItemText {
    QString Caption;
    QString Shortcut;
};

TItemText SplitItemText(const QString& text)
{
    const qsizetype tab = text.indexOf(u'\t');
    if (tab < 0)
        return { text, QString() };
    return { text.left(tab), text.mid(tab + 1) };
}

// Menus given an image list keep the icon column for every item; otherwise it appears once an item
// has an icon.
bool MenuHasImages(const QStyleOptionMenuItem& item, const QWidget* menu)
{
    if (menu) {
        const QVariant images = menu->property(ImagesProperty);
        if (images.isValid())
            return images.toBool();
    }
    return item.maxIconWidth > 0;
}

// The style option carries no action. While the menu is laid out the item rectangles are not known
// yet, so the hints of every action with this caption are measured; painting finds the action by
// its place.
QStringList HintsWithCaption(const QString& caption, const QWidget* widget)
{
    QStringList hints;
    if (const auto* menu = qobject_cast<const QMenu*>(widget)) {
        for (const QAction* action : menu->actions())
            if (!action->isSeparator() && SplitItemText(action->text()).Caption == caption)
                hints << action->statusTip();
    }
    return hints;
}

QString HintAt(const QRect& rect, const QWidget* widget)
{
    const auto* menu = qobject_cast<const QMenu*>(widget);
    const QAction* action = menu ? menu->actionAt(rect.center()) : nullptr;
    return action ? action->statusTip() : QString();
}

void PaintIconColumn(QPainter& canvas, const QRect& rect, bool ticked)
{
    const QRect column(rect.left(), rect.top(), IconColumnWidth, rect.height());
    if (ticked)
        FillGradient(canvas, column, HighlightStops, true);
    else
        FillGradient(canvas, column, IconColumnStops, false);
}

// Stands in for the platform's check-mark bitmap, which the platform drew black and transparent.
void DrawCheckMark(QPainter& canvas, const QRect& square, const QColor& color)
{
    const QPointF centre = QRectF(square).center();
    const QPointF mark[] = { centre + QPointF(-4.5, 0), centre + QPointF(-1.5, 3.5), centre + QPointF(4.5, -3.5) };
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing);
    canvas.setPen(QPen(color, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    canvas.setBrush(Qt::NoBrush);
    canvas.drawPolyline(mark, 3);
    canvas.restore();
}

TOwnerDrawMenuStyle& SharedMenuStyle()
{
    static QPointer<TOwnerDrawMenuStyle> shared;
    if (!shared) {
        shared = new TOwnerDrawMenuStyle;
        // Widgets do not own their style; the application outlives every menu.
        shared->setParent(QCoreApplication::instance());
    }
    return *shared;
}

} // namespace

TOwnerDrawMenuStyle::TOwnerDrawMenuStyle() = default;

QSize TOwnerDrawMenuStyle::sizeFromContents(
    ContentsType type, const QStyleOption* option, const QSize& size, const QWidget* widget) const
{
    if (type == CT_MenuItem) {
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
            switch (item->menuItemType) {
            case QStyleOptionMenuItem::Separator:
                return MeasureSeparator();
            case QStyleOptionMenuItem::Normal:
            case QStyleOptionMenuItem::DefaultItem:
            case QStyleOptionMenuItem::SubMenu:
                return MenuItemMeasureItem(*item, widget);
            default:
                break;
            }
        }
    }
    return QProxyStyle::sizeFromContents(type, option, size, widget);
}

void TOwnerDrawMenuStyle::drawControl(
    ControlElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    if (element == CE_MenuItem && painter) {
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
            switch (item->menuItemType) {
            case QStyleOptionMenuItem::Separator:
                SeparatorDrawItem(*item, *painter, widget);
                return;
            case QStyleOptionMenuItem::Normal:
            case QStyleOptionMenuItem::DefaultItem:
            case QStyleOptionMenuItem::SubMenu:
                MenuItemDrawItem(*item, *painter, widget);
                return;
            default:
                break;
            }
        }
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

QSize TOwnerDrawMenuStyle::MenuItemMeasureItem(const QStyleOptionMenuItem& item, const QWidget* menu) const
{
    const TItemText text = SplitItemText(item.text);
    const QFontMetrics bold = MetricsOn(MenuFont(true), menu);
    const QFontMetrics regular = MetricsOn(MenuFont(false), menu);

    int captionWidth = TextWidth(bold, text.Caption);
    if (!text.Shortcut.isEmpty())
        captionWidth += TextWidth(bold, text.Shortcut) + 6;
    int hintWidth = 0;
    for (const QString& hint : HintsWithCaption(text.Caption, menu))
        hintWidth = std::max(hintWidth, TextWidth(regular, hint));

    const int width = std::max(captionWidth, hintWidth) + 6 + (MenuHasImages(item, menu) ? IconColumnWidth : 0);
    // The hint line keeps its room even when the hint is empty.
    return QSize(width, bold.lineSpacing() + regular.lineSpacing() + 21);
}

void TOwnerDrawMenuStyle::MenuItemDrawItem(
    const QStyleOptionMenuItem& item, QPainter& canvas, const QWidget* menu) const
{
    const QRect r = item.rect;
    const bool enabled = item.state & State_Enabled;
    const bool selected = item.state & State_Selected;
    const bool ticked = item.checkType != QStyleOptionMenuItem::NotCheckable && item.checked;
    const bool images = MenuHasImages(item, menu);
    const TItemText text = SplitItemText(item.text);
    const QString hint = HintAt(r, menu);

    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    canvas.setFont(MenuFont(true));
    const int captionHeight = canvas.fontMetrics().lineSpacing();
    canvas.fillRect(r, Color(ItemBackground));
    if (images)
        PaintIconColumn(canvas, r, ticked);

    if (selected && enabled) {
        QPainterPath rounded;
        rounded.addRoundedRect(QRectF(r), CornerRadius, CornerRadius);
        canvas.save();
        canvas.setClipPath(rounded, Qt::IntersectClip);
        if (hint.isEmpty()) {
            FillGradient(canvas, r, HighlightStops, true);
        } else {
            const QRect band(r.left(), r.top(), r.width(), captionHeight + 12);
            FillGradient(canvas, band, HighlightStops, true);
            FillGradient(canvas, QRect(QPoint(r.left(), band.bottom() + 1), r.bottomRight()), HighlightStops, true);
        }
        canvas.restore();
        canvas.save();
        canvas.setRenderHint(QPainter::Antialiasing);
        canvas.setPen(QPen(Color(OutlineColor), 1));
        canvas.setBrush(Qt::NoBrush);
        canvas.drawRoundedRect(PixelAligned(r), CornerRadius, CornerRadius);
        canvas.restore();
    }

    const QColor textColor = Color(enabled ? EnabledTextColor : DisabledTextColor);
    const int textLeft = r.left() + 3 + (images ? IconColumnWidth : 0);
    const QRect captionRect(QPoint(textLeft, r.top() + 11), QPoint(r.right() - 3, r.top() + 10 + captionHeight));
    const int mnemonics = styleHint(SH_UnderlineShortcut, &item, menu) ? Qt::TextShowMnemonic : Qt::TextHideMnemonic;
    canvas.setFont(MenuFont(false));
    canvas.setPen(textColor);
    canvas.drawText(captionRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | mnemonics, text.Caption);
    if (!text.Shortcut.isEmpty())
        canvas.drawText(captionRect, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, text.Shortcut);

    if (ticked) {
        const QRect square(r.left(), r.top(), IconColumnWidth, r.height());
        canvas.setPen(QPen(Color(CheckFrameColor), 1));
        canvas.setBrush(Qt::NoBrush);
        canvas.drawRect(square.adjusted(0, 0, -1, -1));
        if (item.icon.isNull())
            DrawCheckMark(canvas, square, textColor);
    }

    if (!hint.isEmpty()) {
        const QRect hintRect(QPoint(textLeft, r.top() + captionHeight + 14), QPoint(r.right() - 3, r.bottom()));
        canvas.setPen(textColor);
        canvas.drawText(hintRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, hint);
    }

    if (!item.icon.isNull()) {
        item.icon.paint(&canvas, QRect(r.left() + 3, r.top() + 4, MenuIconSize, MenuIconSize), Qt::AlignCenter,
            enabled ? QIcon::Normal : QIcon::Disabled);
    }

    if (item.menuItemType == QStyleOptionMenuItem::SubMenu) {
        QStyleOption arrow = item;
        arrow.rect = QRect(r.right() - 12, captionRect.top(), 10, captionRect.height());
        arrow.palette.setColor(QPalette::ButtonText, textColor);
        proxy()->drawPrimitive(PE_IndicatorArrowRight, &arrow, &canvas, menu);
    }
    canvas.restore();
}

QSize TOwnerDrawMenuStyle::MeasureSeparator() const { return QSize(10, 3); }

void TOwnerDrawMenuStyle::SeparatorDrawItem(
    const QStyleOptionMenuItem& item, QPainter& canvas, const QWidget* menu) const
{
    // Only the icon column and the line are ours; the rest stays as the menu panel was painted.
    const QRect r = item.rect;
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    if (MenuHasImages(item, menu))
        FillGradient(canvas, QRect(r.left(), r.top(), IconColumnWidth, r.height()), IconColumnStops, false);
    const int y = r.top() + r.height() - 2;
    canvas.setPen(QPen(Color(OutlineColor), 1));
    canvas.drawLine(r.left() + IconColumnWidth, y, r.right(), y);
    canvas.restore();
}

void MakeOwnerDrawn(QMenu& menu, bool withImages)
{
    menu.setProperty(ImagesProperty, withImages);
    menu.setStyle(&SharedMenuStyle());
}
