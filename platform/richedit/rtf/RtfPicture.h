#pragma once
// Pictures in RTF: the \pict group read into an embedded picture, and a picture written as one.
#include "RichTextFormat.h"

#include <QByteArray>

struct TRtfPictureGroup {
    enum class TFormat { Unknown, Emf, Png, Jpeg, Dib, Wmf };
    TFormat format = TFormat::Unknown;
    int width = 0; // \picw: pixels, or hundredths of a millimetre for metafiles
    int height = 0;
    int goalWidth = 0; // \picwgoal, twips
    int goalHeight = 0;
    int scaleX = 100; // percent
    int scaleY = 100;
    QByteArray data;
    int pendingNibble = -1;

    // The group's hex digits; anything else in them (line breaks, blanks) is skipped.
    void AppendHex(const char* text, qsizetype length);
    void AppendBinary(const char* bytes, qsizetype length) { data.append(bytes, length); }
};

// The picture the group holds, or an invalid one when it cannot be shown.
RichText::TPicture PictureFromRtf(const TRtfPictureGroup& group);

// The picture as a \pict group: metafiles as \emfblip, bitmaps as \pngblip or \jpegblip.
QByteArray RtfFromPicture(const RichText::TPicture& picture);
