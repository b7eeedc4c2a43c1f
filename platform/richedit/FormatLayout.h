#pragma once
// The layout behind EM_FORMATRANGE: the document laid out once against a device's resolution and a
// text width, then cut into slices of whole lines and drawn onto any device context.
#include "RichEditRecords.h"

#include <QImage>

#include <memory>

class QPainter;
class QTextDocument;

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
    // past end, and never across a page break that opens a paragraph.
    TFormatSlice Measure(int start, int end, double height) const;
    // Draws a slice with its top-left corner at the painter's origin, in target pixels.
    void Draw(QPainter& painter, const TFormatSlice& slice) const;

private:
    TFormatKey FKey;
    int FRevision = 0;
    QImage FMeasuringDevice; // gives the layout the target's resolution
    std::unique_ptr<QTextDocument> FDocument;
};
