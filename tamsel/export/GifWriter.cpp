// GifWriter.cpp: colour reduction, LZW and the GIF89a blocks of the presentation file.
#include "GifWriter.h"
#include "Bitmap.h"
#include "Errors.h"

#include <QFileDevice>
#include <QIODevice>

#include <algorithm>
#include <limits>
#include <numeric>

namespace {

constexpr int MaxColors = 2049;
constexpr int HistogramSlots = 5191;

struct THistogramEntry {
    std::uint32_t Color = 0; // 0x00RRGGBB, masked
    std::uint32_t Count = 0;
};

// One counting pass; false when a 2050th colour turns up.
bool CountColors(const TBitmap& picture, BYTE redMask, BYTE greenMask, BYTE blueMask,
    std::vector<THistogramEntry>& entries, std::vector<std::uint16_t>& pixelEntries)
{
    std::vector<std::int32_t> buckets(HistogramSlots, -1);
    entries.clear();
    const int width = picture.Width();
    const int bytesPerPixel = picture.BitsPerPixel() / 8;
    const std::uint32_t mask = (std::uint32_t(redMask) << 16) | (std::uint32_t(greenMask) << 8) | blueMask;
    std::uint32_t lastColor = 0xFFFFFFFF;
    std::uint16_t lastEntry = 0;
    for (int row = picture.Height() - 1; row >= 0; --row) {
        const BYTE* pixel = picture.ScanLine(row);
        std::uint16_t* out = pixelEntries.data() + std::size_t(row) * std::size_t(width);
        for (int column = 0; column < width; ++column, pixel += bytesPerPixel) {
            const std::uint32_t color
                = ((std::uint32_t(pixel[2]) << 16) | (std::uint32_t(pixel[1]) << 8) | pixel[0]) & mask;
            if (color != lastColor) {
                std::size_t slot = color % HistogramSlots;
                while (buckets[slot] >= 0 && entries[std::size_t(buckets[slot])].Color != color)
                    slot = (slot + 1) % HistogramSlots;
                if (buckets[slot] < 0) {
                    if (int(entries.size()) == MaxColors)
                        return false;
                    buckets[slot] = std::int32_t(entries.size());
                    entries.push_back({ color, 0 });
                }
                lastColor = color;
                lastEntry = std::uint16_t(buckets[slot]);
            }
            ++entries[lastEntry].Count;
            out[column] = lastEntry;
        }
    }
    return true;
}

TGifColor ColorOf(std::uint32_t color) { return { BYTE(color >> 16), BYTE(color >> 8), BYTE(color) }; }

// Codes packed from the lowest bit upward and cut into sub-blocks of 255 bytes.
class TCodeWriter {
public:
    explicit TCodeWriter(QByteArray& out)
        : FOut(out)
    {
    }
    void Put(int code, int width)
    {
        FBits |= std::uint32_t(code) << FBitCount;
        FBitCount += width;
        while (FBitCount >= 8) {
            Byte(BYTE(FBits & 0xFF));
            FBits >>= 8;
            FBitCount -= 8;
        }
    }
    void Finish()
    {
        if (FBitCount > 0)
            Byte(BYTE(FBits & 0xFF));
        FBits = 0;
        FBitCount = 0;
        if (FBlockLength > 0)
            FlushBlock();
        FOut += char(0);
    }

private:
    void Byte(BYTE value)
    {
        FBlock[std::size_t(FBlockLength++)] = value;
        if (FBlockLength == 255)
            FlushBlock();
    }
    void FlushBlock()
    {
        FOut += char(FBlockLength);
        FOut.append(reinterpret_cast<const char*>(FBlock.data()), FBlockLength);
        FBlockLength = 0;
    }
    QByteArray& FOut;
    std::uint32_t FBits = 0;
    int FBitCount = 0;
    std::array<BYTE, 255> FBlock {};
    int FBlockLength = 0;
};

// The string table: (prefix code, next index) to code, open addressing over a power-of-two table.
class TStringTable {
public:
    TStringTable()
        : FKeys(Slots, 0)
        , FCodes(Slots, 0)
    {
    }
    void Clear() { std::fill(FKeys.begin(), FKeys.end(), 0u); }
    int Find(std::uint32_t key, std::size_t& slot) const
    {
        slot = (key * 2654435761u) >> (32 - SlotBits);
        while (FKeys[slot] != 0) {
            if (FKeys[slot] == key + 1)
                return FCodes[slot];
            slot = (slot + 1) & (Slots - 1);
        }
        return -1;
    }
    void Insert(std::size_t slot, std::uint32_t key, int code)
    {
        FKeys[slot] = key + 1;
        FCodes[slot] = std::uint16_t(code);
    }

private:
    static constexpr int SlotBits = 13;
    static constexpr std::size_t Slots = std::size_t(1) << SlotBits;
    std::vector<std::uint32_t> FKeys; // key + 1; 0 is a free slot
    std::vector<std::uint16_t> FCodes;
};

void Append16(QByteArray& out, int value)
{
    out += char(value & 0xFF);
    out += char((value >> 8) & 0xFF);
}

void AppendPalette(QByteArray& out, const TGifPalette& palette)
{
    for (const TGifColor& color : palette) {
        out += char(color.Red);
        out += char(color.Green);
        out += char(color.Blue);
    }
}

} // namespace

TReducedFrame ReduceColors(const TBitmap& picture)
{
    if (picture.IsEmpty() || (picture.BitsPerPixel() != 24 && picture.BitsPerPixel() != 32))
        throw Exception(QStringLiteral("Cannot reduce the colours of an empty picture"));
    TReducedFrame frame;
    frame.Width = picture.Width();
    frame.Height = picture.Height();
    const std::size_t pixels = std::size_t(frame.Width) * std::size_t(frame.Height);
    std::vector<THistogramEntry> entries;
    entries.reserve(MaxColors);
    std::vector<std::uint16_t> pixelEntries(pixels);
    while (!CountColors(picture, frame.RedMask, frame.GreenMask, frame.BlueMask, entries, pixelEntries)) {
        if (frame.RedMask < frame.GreenMask)
            frame.GreenMask &= BYTE(frame.GreenMask - 1);
        else if (frame.RedMask > frame.BlueMask)
            frame.RedMask &= BYTE(frame.RedMask - 1);
        else
            frame.BlueMask &= BYTE(frame.BlueMask - 1);
    }

    // Most frequent first; entries are in order of first appearance, which a stable sort keeps for ties.
    std::vector<int> order(entries.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return entries[std::size_t(a)].Count > entries[std::size_t(b)].Count; });
    frame.ColorCount = int(std::min<std::size_t>(order.size(), 256));
    std::vector<BYTE> indexOfEntry(entries.size(), 0);
    for (int i = 0; i < frame.ColorCount; ++i) {
        frame.Palette[std::size_t(i)] = ColorOf(entries[std::size_t(order[std::size_t(i)])].Color);
        indexOfEntry[std::size_t(order[std::size_t(i)])] = BYTE(i);
    }
    // The rest go to the nearest palette colour, worked out once per colour rather than per pixel.
    for (std::size_t rank = std::size_t(frame.ColorCount); rank < order.size(); ++rank) {
        const TGifColor color = ColorOf(entries[std::size_t(order[rank])].Color);
        int best = 0;
        int bestDistance = std::numeric_limits<int>::max();
        for (int i = 0; i < frame.ColorCount; ++i) {
            const TGifColor& candidate = frame.Palette[std::size_t(i)];
            const int red = int(color.Red) - candidate.Red;
            const int green = int(color.Green) - candidate.Green;
            const int blue = int(color.Blue) - candidate.Blue;
            const int distance = red * red + green * green + blue * blue;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = i;
            }
        }
        indexOfEntry[std::size_t(order[rank])] = BYTE(best);
    }
    frame.Indexes.resize(pixels);
    for (std::size_t i = 0; i < pixels; ++i)
        frame.Indexes[i] = indexOfEntry[pixelEntries[i]];
    return frame;
}

QByteArray LzwImageData(const BYTE* indexes, std::size_t count)
{
    constexpr int ClearCode = 256;
    constexpr int EndCode = 257;
    QByteArray out;
    out.reserve(qsizetype(count / 8 + 64));
    out += char(8);
    TCodeWriter writer(out);
    TStringTable table;
    int width = 9;
    int next = EndCode + 1;
    writer.Put(ClearCode, width);
    int prefix = count > 0 ? indexes[0] : -1;
    for (std::size_t i = 1; i < count; ++i) {
        const int pixel = indexes[i];
        const std::uint32_t key = (std::uint32_t(prefix) << 8) | std::uint32_t(pixel);
        std::size_t slot = 0;
        const int found = table.Find(key, slot);
        if (found >= 0) {
            prefix = found;
            continue;
        }
        writer.Put(prefix, width);
        const int code = next++;
        table.Insert(slot, key, code);
        prefix = pixel;
        if (code == (1 << width)) {
            ++width;
        } else if (code > 4093) {
            // The table is full: the pending string goes out and a fresh table starts after it.
            writer.Put(prefix, width);
            writer.Put(ClearCode, width);
            table.Clear();
            width = 9;
            next = EndCode + 1;
            prefix = ++i < count ? indexes[i] : -1;
        }
    }
    if (prefix >= 0)
        writer.Put(prefix, width);
    writer.Put(EndCode, width);
    writer.Finish();
    return out;
}

TGifWriter::TGifWriter(QIODevice& device, QStringList comments)
    : FDevice(device)
    , FComments(std::move(comments))
{
}

TGifWriter::~TGifWriter() = default;

void TGifWriter::Write(const QByteArray& bytes)
{
    if (FDevice.write(bytes) == bytes.size())
        return;
    // The user knows the file by its name; a full disk's own text ("Unknown error") says nothing.
    if (const auto* file = qobject_cast<const QFileDevice*>(&FDevice))
        throw EFCreateError(file->fileName());
    throw Exception(QStringLiteral("Cannot write the presentation file: %1").arg(FDevice.errorString()));
}

void TGifWriter::WriteHeader(const TEncoded& first, bool looping)
{
    QByteArray header("GIF89a");
    Append16(header, first.Frame.Width);
    Append16(header, first.Frame.Height);
    header += char(0xF7);
    const auto white = std::find(first.Frame.Palette.begin(), first.Frame.Palette.end(), TGifColor { 255, 255, 255 });
    header += char(white == first.Frame.Palette.end() ? 0 : int(white - first.Frame.Palette.begin()));
    header += char(0);
    AppendPalette(header, first.Frame.Palette);
    if (looping) {
        header += QByteArray("\x21\xFF\x0B" "NETSCAPE2.0" "\x03\x01\x00\x00\x00", 19);
    }
    Write(header);
}

void TGifWriter::WriteFrame(const TEncoded& frame, bool local)
{
    QByteArray block("\x21\xF9\x04\x00", 4);
    Append16(block, frame.Delay / 10);
    block += char(0);
    block += char(0);
    block += char(0x2C);
    Append16(block, 0);
    Append16(block, 0);
    Append16(block, frame.Frame.Width);
    Append16(block, frame.Frame.Height);
    block += char(local ? 0x87 : 0x00);
    if (local)
        AppendPalette(block, frame.Frame.Palette);
    Write(block);
    Write(frame.Data);
}

void TGifWriter::AddFrame(const TBitmap& picture, int delayMilliseconds)
{
    if (FFinished)
        throw Exception(QStringLiteral("The presentation file is already finished"));
    if (picture.Width() > 0xFFFF || picture.Height() > 0xFFFF)
        throw Exception(QStringLiteral("A page of %1 x %2 pixels is too large for a presentation file")
                            .arg(picture.Width())
                            .arg(picture.Height()));
    TEncoded frame;
    frame.Frame = ReduceColors(picture);
    frame.Data = LzwImageData(frame.Frame.Indexes.data(), frame.Frame.Indexes.size());
    frame.Frame.Indexes = {};
    frame.Delay = std::clamp(delayMilliseconds, 0, 0xFFFF * 10);
    ++FFrameCount;
    if (FFrameCount == 1) {
        FFirst = std::move(frame);
        return;
    }
    if (FFirst) {
        WriteHeader(*FFirst, true);
        WriteFrame(*FFirst, false);
        FFirst.reset();
    }
    WriteFrame(frame, true);
}

void TGifWriter::Finish()
{
    if (FFinished)
        return;
    if (FFrameCount == 0)
        throw Exception(QStringLiteral("A presentation file needs at least one page"));
    if (FFirst) {
        WriteHeader(*FFirst, false);
        WriteFrame(*FFirst, false);
        FFirst.reset();
    }
    QByteArray tail("\x21\xFE", 2);
    for (const QString& line : FComments) {
        const QByteArray bytes = line.toLatin1().left(255);
        if (bytes.isEmpty())
            continue;
        tail += char(bytes.size());
        tail += bytes;
    }
    tail += char(0);
    tail += char(0x3B);
    Write(tail);
    FFinished = true;
}
