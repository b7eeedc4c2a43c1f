#pragma once
// The layout behind EM_FORMATRANGE: the document laid out once against a device's resolution and a
// text width, then cut into slices of whole lines and drawn onto any device context.
#include "RichEditRecords.h"

#include <QImage>

#include <memory>

class QPainter;
class QPointF;
class QTextBlock;
class QTextDocument;
class QTextTable;

struct TFormatKey {
    int dpiX = 0;
    int dpiY = 0;
    int widthTwips = 0;
    bool justify = false;
    bool links = false;
    friend bool operator==(const TFormatKey&, const TFormatKey&) = default;
};

struct TFormatSlice {
    int start = 0; // first character of the slice
    int next = 0; // first character that did not fit
    double top = 0; // layout coordinates (target pixels) of the slice's first line
    double height = 0; // target pixels used
};

class TFormatLayout {
public:
    TFormatLayout(const QTextDocument& source, const TFormatKey& key, int revision);
    ~TFormatLayout();

    const TFormatKey& Key() const { return FKey; }
    int SourceRevision() const { return FRevision; }
    // The whole lines from start that fit into height target pixels, never fewer than one line, never
    // past end, and never across a page break that opens a paragraph. A table row (with the rows its
    // merged cells reach into) is taken whole when it fits on a page.
    TFormatSlice Measure(int start, int end, double height) const;
    // Draws a slice with its top-left corner at the painter's origin, in target pixels.
    void Draw(QPainter& painter, const TFormatSlice& slice) const;

    // A run of table rows that pages keep together: its characters and its layout band.
    struct TRowBand {
        int start = 0;
        int next = 0;
        double top = 0;
        double bottom = 0;
    };

private:
    QPointF BlockOrigin(const QTextBlock& block) const;
    QTextTable* OuterTable(const QTextBlock& block) const;
    double RowTop(QTextTable& table, int row) const;
    TRowBand RowBandAt(QTextTable& table, int position) const;
    void DrawParagraphDecorations(QPainter& painter, const TFormatSlice& slice, double width) const;

    TFormatKey FKey;
    bool FHasTables = false;
    int FRevision = 0;
    QImage FMeasuringDevice; // gives the layout the target's resolution
    std::unique_ptr<QTextDocument> FDocument;
};
