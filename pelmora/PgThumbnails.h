#pragma once
// PgThumbnails.h: a scrolling strip of page miniatures that follows a preview and sets its
// current page when one is clicked. It is one widget, whatever the page count: the miniatures
// are places and cached pictures, drawn only when scrolled into view.
#include "GdiDefs.h"
#include "PgPreview.h"

#include <QAbstractScrollArea>
#include <QFont>

#include <memory>
#include <vector>

class QMenu;

enum class TPgThumbLayout : int { pgThumbHorz = 0, pgThumbVert = 1, pgThumbGrid = 2 };
enum class TPgHighlightStyle : int { pgThinLine = 0, pgThickLine = 1, pgBackground = 2 };

class TPgThumbnails : public QAbstractScrollArea, public IPgCompanion {
    Q_OBJECT
public:
    explicit TPgThumbnails(QWidget* parent = nullptr);
    ~TPgThumbnails() override;

    TPgPreview* Preview() const { return FPreview; }
    void SetPreview(TPgPreview* preview);

    TPgThumbLayout Layout() const { return FLayout; }
    void SetLayout(TPgThumbLayout layout);
    int GridWidth() const { return FGridWidth; }
    void SetGridWidth(int width);
    int ThumbSize() const { return FThumbSize; }
    void SetThumbSize(int size);
    int ThumbSpacing() const { return FThumbSpacing; }
    void SetThumbSpacing(int spacing);
    bool ShowCaption() const { return FShowCaption; }
    void SetShowCaption(bool show);
    QString PageCaptions() const { return FPageCaptions; }
    void SetPageCaptions(const QString& pattern);
    QFont CaptionFont() const { return FCaptionFont; }
    void SetCaptionFont(const QFont& font);
    bool Highlight() const { return FHighlight; }
    void SetHighlight(bool highlight);
    TPgHighlightStyle HighlightStyle() const { return FHighlightStyle; }
    void SetHighlightStyle(TPgHighlightStyle style);
    COLORREF SelectedColor() const { return FSelectedColor; }
    void SetSelectedColor(COLORREF color);
    bool PlainPages() const { return FPlainPages; }
    void SetPlainPages(bool plain);
    bool ScrollIntoView = true;
    TPgShadow& Shadow() { return FShadow; }
    void SetShadowWidth(int width);
    QMenu* ThumbPopup = nullptr;
    /// Pixels a scroll arrow moves the strip.
    void SetScrollStep(int step);

    /// How many miniatures there are, the marked one's page, and where page number's sits in the
    /// strip's content (before scrolling).
    int Count() const { return int(FPlaces.size()); }
    int MarkedPage() const { return FMarked; }
    QRect ThumbRect(int page) const;
    /// "Page #" with every "#" as the page number.
    QString CaptionOf(int page) const;
    /// Rebuilds the miniatures from the preview's pages.
    void Rebuild();

    void PreviewNotification(TPgPreview& preview, int code) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    struct TPicture;
    void Place();
    void Mark(int page);
    void DropPictures();
    void Repaint();
    int PageAt(const QPoint& contentPoint) const;
    size_t FirstInView(const QRect& visible) const;
    int CaptionHeight() const;
    const QPixmap& PictureOf(int page);
    void PaintThumb(QPainter& painter, int page, const QRect& place);

    TPgPreview* FPreview = nullptr;
    TPgThumbLayout FLayout = TPgThumbLayout::pgThumbHorz;
    int FGridWidth = 4;
    int FThumbSize = 4;
    int FThumbSpacing = 8;
    bool FShowCaption = true;
    QString FPageCaptions = QStringLiteral("#");
    QFont FCaptionFont;
    bool FHighlight = true;
    TPgHighlightStyle FHighlightStyle = TPgHighlightStyle::pgThickLine;
    COLORREF FSelectedColor = 0xFF0000;
    bool FPlainPages = false;
    TPgShadow FShadow;
    int FUpdateNesting = 0;
    int FMarked = 0;
    std::vector<QSize> FSizes; ///< each miniature's whole size, spacing and caption included
    std::vector<QRect> FPlaces; ///< each miniature's place in the content
    QSize FContentSize;
    std::unique_ptr<TPicture> FPictures;
};
