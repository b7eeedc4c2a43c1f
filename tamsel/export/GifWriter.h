#pragma once
// GifWriter.h: the presentation file, an animated GIF89a of one frame per page. Each frame is reduced
// to 256 colours by a colour histogram and LZW-encoded as soon as it is added, so pages are never
// held all at once.
#include "GdiDefs.h"

#include <QByteArray>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class QIODevice;
class TBitmap;

struct TGifColor {
    BYTE Red = 128;
    BYTE Green = 128;
    BYTE Blue = 128;
    bool operator==(const TGifColor&) const = default;
};
using TGifPalette = std::array<TGifColor, 256>;

/// A page reduced to at most 256 colours: the palette (unused entries grey) and one palette index per
/// pixel, top row first.
struct TReducedFrame {
    int Width = 0;
    int Height = 0;
    TGifPalette Palette {};
    int ColorCount = 0; // palette entries taken by the picture's own colours
    std::vector<BYTE> Indexes;
    BYTE RedMask = 255; // the masks the colours were counted with
    BYTE GreenMask = 255;
    BYTE BlueMask = 255;
};

/// Counts the colours of a 24- or 32-bit picture (bottom row first) in a table of at most 2049,
/// coarsening the masks blue, red, green in turn until they fit, and keeps the 256 most frequent.
TReducedFrame ReduceColors(const TBitmap& picture);

/// GIF's LZW at a minimum code size of 8: the code size byte, the codes in sub-blocks of at most 255
/// bytes and the closing empty sub-block.
QByteArray LzwImageData(const BYTE* indexes, std::size_t count);

class TGifWriter {
public:
    /// Writes to device, which must be open; comments are the lines of the closing comment block.
    TGifWriter(QIODevice& device, QStringList comments);
    ~TGifWriter();
    TGifWriter(const TGifWriter&) = delete;
    TGifWriter& operator=(const TGifWriter&) = delete;

    /// Adds a page shown for delayMilliseconds; throws EFCreateError when the device fails.
    void AddFrame(const TBitmap& picture, int delayMilliseconds);
    /// Writes what is still held, the comment block and the trailer. Needs at least one frame.
    void Finish();
    int FrameCount() const { return FFrameCount; }

private:
    struct TEncoded {
        TReducedFrame Frame;
        QByteArray Data;
        int Delay = 0;
    };
    void Write(const QByteArray& bytes);
    void WriteHeader(const TEncoded& first, bool looping);
    void WriteFrame(const TEncoded& frame, bool local);

    QIODevice& FDevice;
    QStringList FComments;
    int FFrameCount = 0;
    bool FFinished = false;
    // The first frame waits for the second: only then is it known whether the file loops.
    std::optional<TEncoded> FFirst;
};
