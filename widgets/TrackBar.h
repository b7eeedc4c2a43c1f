#pragma once
// TrackBar.h: the skinned track bar (zoom bars and the like): a thumb on a channel between Min and
// Max, with tick marks every Frequency positions. The minimum is at the left, or at the top.
#include "Skin.h"

#include <QAbstractSlider>

enum class TTrackBarOrientation : int { trHorizontal = 0, trVertical = 1 };
enum class TTickMark : int { tmBottomRight = 0, tmTopLeft = 1, tmBoth = 2 };
enum class TTickStyle : int { tsNone = 0, tsAuto = 1 };

class TTrackBar : public QAbstractSlider {
    Q_OBJECT

public:
    explicit TTrackBar(QWidget* parent = nullptr);

    int Min() const { return minimum(); }
    void SetMin(int value); // raises Max when needed; the position follows into the range
    int Max() const { return maximum(); }
    void SetMax(int value); // lowers Min when needed
    int Position() const { return value(); }
    /// Clamped to Min..Max. OnChange follows when the position changed, and also when the request
    /// was outside the range, so the owner learns the value the bar shows instead.
    void SetPosition(int position);
    /// Positions between tick marks; 0 draws none but the ends.
    int Frequency() const { return FFrequency; }
    void SetFrequency(int frequency);
    TTickMark TickMarks() const { return FTickMarks; }
    void SetTickMarks(TTickMark marks);
    TTickStyle TickStyle() const { return FTickStyle; }
    void SetTickStyle(TTickStyle style);
    TTrackBarOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TTrackBarOrientation orientation);
    int LineSize() const { return singleStep(); } // arrow keys
    void SetLineSize(int size) { setSingleStep(size); }
    int PageSize() const { return pageStep(); } // Page Up and Page Down
    void SetPageSize(int size) { setPageStep(size); }
    const TSkin& Skin() const { return FSkin; }
    void SetSkin(const TSkin& skin);

    /// The position under a point of the widget, within Min..Max.
    int PositionAt(const QPoint& point) const;
    /// Where the thumb is drawn for a position.
    QRect ThumbRect(int position) const;

    TNotifyEvent OnChange;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool Horizontal() const { return FOrientation == TTrackBarOrientation::trHorizontal; }
    // The layout is worked out along the bar and across it, then turned for vertical bars.
    int Length() const { return Horizontal() ? width() : height(); }
    int Breadth() const { return Horizontal() ? height() : width(); }
    QRect Oriented(int along, int across, int alongSize, int acrossSize) const;
    int ThumbCentre(int position) const; // along the bar
    int ChannelAcross() const; // centre line of the channel, across the bar
    int Along(const QPoint& point) const { return Horizontal() ? point.x() : point.y(); }

    int FFrequency = 1;
    TTickMark FTickMarks = TTickMark::tmBottomRight;
    TTickStyle FTickStyle = TTickStyle::tsAuto;
    TTrackBarOrientation FOrientation = TTrackBarOrientation::trHorizontal;
    int FDragOffset = 0; // from the thumb's centre to the pressed point
    bool FHotThumb = false;
    TSkin FSkin;
};
