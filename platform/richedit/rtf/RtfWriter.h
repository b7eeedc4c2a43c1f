#pragma once
// The rich edit control's document model to RTF in the control's own dialect.
#include <QByteArray>
#include <QTextCharFormat>

class QTextDocument;

struct TRtfWriteOptions {
    bool noObjects = false; // leave embedded objects out (SF_RTFNOOBJS)
    // The format of text whose own format leaves a property unset (the control's default format).
    QTextCharFormat defaultFormat;
};

class TRtfWriter {
public:
    // Writes the characters [start, end) of the document (end -1: to the end), whole paragraphs'
    // formats included for every paragraph the range touches.
    static QByteArray Write(const QTextDocument& document, int start, int end, const TRtfWriteOptions& options = {});
};
