// PgThumbnails.cpp: the page miniatures strip.
#include "PgThumbnails.h"

#include "PgClasses.h"

#include <QCache>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>

#include <algorithm>

namespace {

// Pictures of the miniatures last shown; a strip of thousands of pages keeps only these.
constexpr int PictureCacheBytes = 48 * 1024 * 1024;

QColor Colour(COLORREF color) { return QColor(GetRValue(color), GetGValue(color), GetBValue(color)); }

} // namespace

struct TPgThumbnails::TPicture {
    QCache<int, QPixmap> Cache { PictureCacheBytes };
    TPgPaperImage Painter; // never shown: paints one page into a picture at a time
};

TPgThumbnails::TPgThumbnails(QWidget* parent)
    : QAbstractScrollArea(parent)
    , FPictures(std::make_unique<TPicture>())
{
    FShadow.Width = 2;
    FShadow.Color = 0x808080;
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setCursor(Qt::PointingHandCursor);
    SetScrollStep(10);
}

void TPgThumbnails::SetScrollStep(int step)
{
    // A field set after construction never reached the scroll bars.
    horizontalScrollBar()->setSingleStep(step);
    verticalScrollBar()->setSingleStep(step);
}

TPgThumbnails::~TPgThumbnails()
{
    if (FPreview)
        FPreview->UnregisterControl(this);
}

void TPgThumbnails::SetPreview(TPgPreview* preview)
{
    if (preview == FPreview)
        return;
    if (FPreview) {
        FPreview->UnregisterControl(this);
        disconnect(FPreview, nullptr, this, nullptr);
    }
    FPreview = preview;
    FUpdateNesting = 0;
    if (FPreview) {
        FPreview->RegisterControl(this);
        connect(FPreview, &QObject::destroyed, this, [this] {
            FPreview = nullptr;
            FUpdateNesting = 0;
            Rebuild();
        });
    }
    Rebuild();
}

void TPgThumbnails::SetLayout(TPgThumbLayout layout)
{
    if (layout == FLayout)
        return;
    FLayout = layout;
    Place();
}

void TPgThumbnails::SetGridWidth(int width)
{
    width = std::max(1, width);
    if (width == FGridWidth)
        return;
    FGridWidth = width;
    Place();
}

void TPgThumbnails::SetThumbSize(int size)
{
    size = std::clamp(size, 1, 398);
    if (size == FThumbSize)
        return;
    FThumbSize = size;
    Rebuild();
}

void TPgThumbnails::SetThumbSpacing(int spacing)
{
    spacing = std::max(0, spacing);
    if (spacing == FThumbSpacing)
        return;
    FThumbSpacing = spacing;
    Rebuild();
}

void TPgThumbnails::SetShowCaption(bool show)
{
    if (show == FShowCaption)
        return;
    FShowCaption = show;
    Rebuild();
}

void TPgThumbnails::SetPageCaptions(const QString& pattern)
{
    FPageCaptions = pattern;
    Repaint();
}

void TPgThumbnails::SetCaptionFont(const QFont& font)
{
    FCaptionFont = font;
    Rebuild();
}

void TPgThumbnails::SetHighlight(bool highlight)
{
    FHighlight = highlight;
    Repaint();
}

void TPgThumbnails::SetHighlightStyle(TPgHighlightStyle style)
{
    FHighlightStyle = style;
    Repaint();
}

void TPgThumbnails::SetSelectedColor(COLORREF color)
{
    FSelectedColor = color;
    Repaint();
}

void TPgThumbnails::SetPlainPages(bool plain)
{
    if (plain == FPlainPages)
        return;
    FPlainPages = plain;
    DropPictures();
    Repaint();
}

void TPgThumbnails::SetShadowWidth(int width)
{
    FShadow.Width = std::max(0, width);
    DropPictures();
    Repaint();
}

QString TPgThumbnails::CaptionOf(int page) const
{
    QString caption = FPageCaptions;
    return caption.replace(u'#', QString::number(page));
}

int TPgThumbnails::CaptionHeight() const { return FShowCaption ? QFontMetrics(FCaptionFont).height() : 0; }

QRect TPgThumbnails::ThumbRect(int page) const
{
    if (page < 1 || page > Count())
        return {};
    return FPlaces[size_t(page - 1)];
}

void TPgThumbnails::Rebuild()
{
    DropPictures();
    FSizes.clear();
    const int pages = FPreview ? FPreview->NumPages() : 0;
    FSizes.reserve(size_t(pages));
    const int captionHeight = CaptionHeight();
    const double scale = (FThumbSize + 2) / 100.0;
    for (int page = 1; page <= pages; ++page) {
        const TPgPage& shown = FPreview->Pages(page);
        const int width = PgRound(shown.Width * 96 * scale);
        const int height = PgRound(shown.Height * 96 * scale);
        FSizes.emplace_back(width + 2 * FThumbSpacing, height + 2 * FThumbSpacing + captionHeight + 4);
    }
    FMarked = FPreview && pages > 0 ? std::clamp(FPreview->CurrentPage(), 1, pages) : 0;
    Place();
    if (FMarked)
        Mark(FMarked);
}

void TPgThumbnails::Place()
{
    // Neighbours share one pixel of their borders.
    FPlaces.assign(FSizes.size(), QRect());
    int x = 0, y = 0, rowHeight = 0, column = 0;
    int right = 0, bottom = 0;
    for (size_t i = 0; i < FSizes.size(); ++i) {
        const QSize size = FSizes[i];
        if (FLayout == TPgThumbLayout::pgThumbGrid && column == FGridWidth) {
            x = 0;
            y += rowHeight - 1;
            rowHeight = 0;
            column = 0;
        }
        FPlaces[i] = QRect(QPoint(x, y), size);
        right = std::max(right, x + size.width());
        bottom = std::max(bottom, y + size.height());
        switch (FLayout) {
        case TPgThumbLayout::pgThumbHorz:
            x += size.width() - 1;
            break;
        case TPgThumbLayout::pgThumbVert:
            y += size.height() - 1;
            break;
        case TPgThumbLayout::pgThumbGrid:
            x += size.width() - 1;
            rowHeight = std::max(rowHeight, size.height());
            ++column;
            break;
        }
    }
    FContentSize = QSize(right, bottom);
    const QSize view = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, FContentSize.width() - view.width()));
    horizontalScrollBar()->setPageStep(view.width());
    verticalScrollBar()->setRange(0, std::max(0, FContentSize.height() - view.height()));
    verticalScrollBar()->setPageStep(view.height());
    viewport()->update();
}

void TPgThumbnails::Mark(int page)
{
    if (page < 1 || page > Count())
        return;
    FMarked = page;
    if (ScrollIntoView) {
        const QRect place = ThumbRect(page);
        const QSize view = viewport()->size();
        QScrollBar* across = horizontalScrollBar();
        QScrollBar* down = verticalScrollBar();
        if (place.left() < across->value())
            across->setValue(place.left());
        else if (place.right() > across->value() + view.width())
            across->setValue(place.right() - view.width() + 1);
        if (place.top() < down->value())
            down->setValue(place.top());
        else if (place.bottom() > down->value() + view.height())
            down->setValue(place.bottom() - view.height() + 1);
    }
    viewport()->update();
}

void TPgThumbnails::DropPictures() { FPictures->Cache.clear(); }

void TPgThumbnails::Repaint() { viewport()->update(); }

void TPgThumbnails::PreviewNotification(TPgPreview& preview, int code)
{
    if (&preview != FPreview)
        return;
    switch (code) {
    case PG_UPDATEBEGUN:
        ++FUpdateNesting;
        break;
    case PG_UPDATEENDED:
        FUpdateNesting = std::max(0, FUpdateNesting - 1);
        if (FUpdateNesting == 0)
            Rebuild();
        break;
    case PG_PAGECOUNTCHANGED:
    case PG_PAPERSIZECHANGED:
    case PG_ORIENTATIONCHANGED:
        if (FUpdateNesting == 0)
            Rebuild();
        break;
    case PG_CURRENTPAGECHANGED:
        if (FUpdateNesting == 0)
            Mark(preview.CurrentPage());
        break;
    case PG_CONTENTCHANGED:
    case PG_PAGELAYOUTCHANGED:
        DropPictures();
        if (FUpdateNesting == 0)
            Mark(preview.CurrentPage());
        break;
    default:
        Repaint();
        break;
    }
}

size_t TPgThumbnails::FirstInView(const QRect& visible) const
{
    // Places grow in page order along the strip's direction, so the first one in view is found by halving.
    const auto first = std::partition_point(FPlaces.begin(), FPlaces.end(), [&](const QRect& place) {
        return FLayout == TPgThumbLayout::pgThumbHorz ? place.right() < visible.left() : place.bottom() < visible.top();
    });
    return size_t(first - FPlaces.begin());
}

int TPgThumbnails::PageAt(const QPoint& contentPoint) const
{
    for (size_t i = FirstInView(QRect(contentPoint, QSize(1, 1))); i < FPlaces.size(); ++i) {
        if (FPlaces[i].contains(contentPoint))
            return int(i) + 1;
        if (FLayout != TPgThumbLayout::pgThumbHorz && FPlaces[i].top() > contentPoint.y())
            break;
        if (FLayout == TPgThumbLayout::pgThumbHorz && FPlaces[i].left() > contentPoint.x())
            break;
    }
    return 0;
}

void TPgThumbnails::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || FUpdateNesting > 0 || !FPreview)
        return QAbstractScrollArea::mousePressEvent(event);
    const QPoint point = event->position().toPoint() + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const int page = PageAt(point);
    if (page == 0)
        return;
    Mark(page);
    FPreview->Document().SetCurrentPage(page);
}

void TPgThumbnails::contextMenuEvent(QContextMenuEvent* event)
{
    const QPoint point = event->pos() + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
    if (ThumbPopup && PageAt(point))
        ThumbPopup->popup(event->globalPos());
}

void TPgThumbnails::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    Place();
}

void TPgThumbnails::scrollContentsBy(int, int) { viewport()->update(); }

const QPixmap& TPgThumbnails::PictureOf(int page)
{
    if (const QPixmap* kept = FPictures->Cache.object(page))
        return *kept;
    TPgPaperImage& painter = FPictures->Painter;
    painter.List = &FPreview->Document();
    painter.ShownPage = page;
    painter.Zoom = FThumbSize + 2;
    painter.ShowContent = !FPlainPages;
    painter.Shadow = FShadow;
    painter.Grid = nullptr;
    painter.GutterLeft = painter.GutterTop = 0;
    painter.GutterRight = painter.GutterBottom = FShadow.Visible ? FShadow.Width + 1 : 0;
    const QSize pagePixels = painter.PagePixels();
    const QSize whole(pagePixels.width() + painter.GutterRight, pagePixels.height() + painter.GutterBottom);
    painter.resize(whole);
    auto* picture = new QPixmap(whole);
    picture->fill(Qt::transparent);
    {
        QPainter onto(picture);
        painter.PaintTo(onto);
    }
    const int cost = std::max(1, whole.width() * whole.height() * 4);
    FPictures->Cache.insert(page, picture, cost);
    if (const QPixmap* kept = FPictures->Cache.object(page))
        return *kept;
    static const QPixmap none;
    return none;
}

void TPgThumbnails::PaintThumb(QPainter& painter, int page, const QRect& place)
{
    const bool marked = FHighlight && page == FMarked;
    const QColor selected = Colour(FSelectedColor);
    if (marked && FHighlightStyle == TPgHighlightStyle::pgBackground) {
        painter.fillRect(place, selected);
        painter.setPen(Qt::black);
        painter.drawRect(place.adjusted(0, 0, -1, -1));
    }
    const QPixmap& picture = PictureOf(page);
    const QPoint pictureAt = place.topLeft() + QPoint(FThumbSpacing, FThumbSpacing);
    painter.drawPixmap(pictureAt, picture);
    const QSize whole = FSizes[size_t(page - 1)];
    const QRect pageRect(pictureAt,
        QSize(whole.width() - 2 * FThumbSpacing, whole.height() - 2 * FThumbSpacing - CaptionHeight() - 4));
    if (FShowCaption) {
        QColor colour = palette().color(QPalette::WindowText);
        if (marked) {
            colour = selected;
            if (FHighlightStyle == TPgHighlightStyle::pgBackground && colour == palette().color(QPalette::WindowText))
                colour = QColor(colour.red() <= 128 ? 255 : 0, colour.green() <= 128 ? 255 : 0,
                    colour.blue() <= 128 ? 255 : 0);
        }
        painter.setFont(FCaptionFont);
        painter.setPen(colour);
        const QRect captionRect(place.left(), pageRect.bottom() + 1 + 4, place.width(), CaptionHeight());
        painter.drawText(captionRect, Qt::AlignHCenter | Qt::AlignTop, CaptionOf(page));
    }
    if (marked && FHighlightStyle != TPgHighlightStyle::pgBackground) {
        const int width = FHighlightStyle == TPgHighlightStyle::pgThickLine ? 2 : 1;
        QPen pen(selected, width);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(pageRect.adjusted(-width / 2 - 1, -width / 2 - 1, width / 2, width / 2));
    }
}

void TPgThumbnails::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    if (!FPreview || FUpdateNesting > 0 || FPlaces.empty())
        return;
    const QPoint offset(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const QRect visible = event->rect().translated(offset);
    painter.translate(-offset);
    // Only the miniatures in view are drawn, so a strip of thousands of pages costs what a screenful does.
    for (size_t i = FirstInView(visible); i < FPlaces.size(); ++i) {
        const QRect& place = FPlaces[i];
        if (FLayout != TPgThumbLayout::pgThumbHorz && place.top() > visible.bottom())
            break;
        if (FLayout == TPgThumbLayout::pgThumbHorz && place.left() > visible.right())
            break;
        if (place.intersects(visible))
            PaintThumb(painter, int(i) + 1, place);
    }
}
