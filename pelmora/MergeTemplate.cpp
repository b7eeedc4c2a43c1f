// MergeTemplate.cpp: tokens found once in the text of the template's RTF source.
#include "MergeTemplate.h"

#include "RtfCodePages.h"
#include "RtfText.h"

#include <algorithm>

namespace {

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Destinations whose content is never letter text.
bool IsSkippedDestination(const QByteArray& word)
{
    static const char* const Names[] = { "fonttbl", "colortbl", "stylesheet", "listtable", "listoverridetable",
        "info", "pict", "object", "themedata", "colorschememapping", "latentstyles", "datastore", "xmlnstbl",
        "rsidtbl", "generator", "filetbl", "revtbl", "nonshppict", "objdata", "fldinst" };
    for (const char* name : Names)
        if (word == name)
            return true;
    return false;
}

// A character of the template's text and the source bytes it came from.
struct TTextChar {
    char16_t Char;
    qsizetype Start;
    qsizetype End;
};

struct TSlot {
    qsizetype Start;
    qsizetype End;
    int Token;
};

} // namespace

TMergeTemplate::TMergeTemplate(const QByteArray& rtf, const QStringList& tokens)
    : FSource(rtf)
    , FTokens(tokens)
    , FUsed(std::size_t(tokens.size()), false)
{
    Compile(rtf);
}

bool TMergeTemplate::UsesToken(int token) const
{
    return token >= 0 && std::size_t(token) < FUsed.size() && FUsed[std::size_t(token)];
}

void TMergeTemplate::Compile(const QByteArray& rtf)
{
    const qsizetype size = rtf.size();
    const char* data = rtf.constData();
    std::vector<TTextChar> run;
    std::vector<TSlot> found;
    std::vector<qsizetype> glued; // where control words end with no delimiting space, in order

    const TSingleByteTable* table = SingleByteTable(CpAnsi);
    auto matchRun = [&] {
        const std::size_t count = run.size();
        std::size_t p = 0;
        while (p < count) {
            int matched = -1;
            for (int t = 0; t < FTokens.size() && matched < 0; ++t) {
                const QString& token = FTokens[t];
                const std::size_t length = std::size_t(token.size());
                if (length == 0 || p + length > count)
                    continue;
                bool equal = true;
                for (std::size_t k = 0; k < length && equal; ++k)
                    equal = run[p + k].Char == token[qsizetype(k)].unicode();
                if (equal)
                    matched = t;
            }
            if (matched < 0) {
                ++p;
                continue;
            }
            const std::size_t length = std::size_t(FTokens[matched].size());
            found.push_back({ run[p].Start, run[p + length - 1].End, matched });
            FUsed[std::size_t(matched)] = true;
            p += length;
        }
        run.clear();
    };

    int depth = 0;
    int skipDepth = -1; // depth of the destination being skipped, -1 when none
    bool groupStart = false;
    bool textSeen = false;
    bool wellFormed = size > 5 && rtf.startsWith("{\\rtf");
    int unicodeSkip = 1;
    int pendingFallback = 0; // characters after \uN that stand in for it
    qsizetype i = 0;
    while (i < size) {
        const char c = data[i];
        if (c == '{') {
            matchRun();
            ++depth;
            groupStart = true;
            pendingFallback = 0;
            ++i;
            continue;
        }
        if (c == '}') {
            matchRun();
            if (skipDepth >= 0 && depth == skipDepth) {
                skipDepth = -1;
                if (depth == 2 && !textSeen)
                    FBodyStart = i + 1;
            }
            --depth;
            if (depth < 0)
                wellFormed = false;
            if (depth == 0 && FBodyEnd < 0)
                FBodyEnd = i;
            groupStart = false;
            pendingFallback = 0;
            ++i;
            continue;
        }
        if (c == '\r' || c == '\n') {
            ++i; // line ends in RTF source are not text
            continue;
        }
        if (depth == 0 && FBodyEnd >= 0) {
            if (c != ' ' && c != '\0')
                wellFormed = false;
            ++i;
            continue;
        }
        if (c == '\\') {
            if (i + 1 >= size) {
                ++i;
                continue;
            }
            const char next = data[i + 1];
            if (IsLetter(next)) {
                const qsizetype start = i;
                qsizetype j = i + 1;
                while (j < size && IsLetter(data[j]) && j - start < 40)
                    ++j;
                const QByteArray word(data + start + 1, j - start - 1);
                qsizetype paramStart = j;
                if (j < size && (data[j] == '-' || IsDigit(data[j])))
                    ++j;
                while (j < size && IsDigit(data[j]) && j - paramStart < 11)
                    ++j;
                const bool hasParam = j > paramStart && !(j == paramStart + 1 && data[paramStart] == '-');
                const long long param = hasParam ? QByteArray(data + paramStart, j - paramStart).toLongLong() : 0;
                const bool spaced = j < size && data[j] == ' ';
                const qsizetype end = spaced ? j + 1 : j;
                const bool wasGroupStart = groupStart;
                groupStart = false;
                i = end;
                if (word == "bin") {
                    // Binary data is skipped whole: its bytes are no markup and no text.
                    matchRun();
                    i = std::min<qsizetype>(size, end + std::max<long long>(0, std::min<long long>(param, size)));
                    continue;
                }
                if (skipDepth >= 0)
                    continue;
                if (wasGroupStart && IsSkippedDestination(word)) {
                    matchRun();
                    skipDepth = depth;
                    continue;
                }
                if (word == "ansicpg" && hasParam) {
                    const TSingleByteTable* pageTable = SingleByteTable(int(param));
                    FAnsiCodePage = param == CpAnsi;
                    if (pageTable)
                        table = pageTable;
                    continue;
                }
                if (word == "uc" && hasParam) {
                    unicodeSkip = int(std::clamp<long long>(param, 0, 10));
                    matchRun();
                    continue;
                }
                if (word == "u" && hasParam) {
                    if (depth >= 1)
                        textSeen = true;
                    run.push_back({ char16_t(std::uint16_t(std::int16_t(param))), start, end });
                    pendingFallback = unicodeSkip;
                    continue;
                }
                matchRun();
                pendingFallback = 0;
                if (!spaced)
                    glued.push_back(end);
                continue;
            }
            groupStart = false;
            if (next == '*' && data[i - 1] == '{') {
                matchRun();
                if (skipDepth < 0)
                    skipDepth = depth;
                i += 2;
                continue;
            }
            if (next == '\'') {
                const int high = i + 2 < size ? HexValue(data[i + 2]) : -1;
                const int low = i + 3 < size ? HexValue(data[i + 3]) : -1;
                const qsizetype end = std::min(size, i + 4);
                if (skipDepth < 0 && high >= 0 && low >= 0) {
                    if (pendingFallback > 0 && !run.empty()) {
                        --pendingFallback;
                        run.back().End = end;
                    } else {
                        textSeen = true;
                        run.push_back({ table->map[high * 16 + low], i, end });
                    }
                }
                i = end;
                continue;
            }
            if (skipDepth < 0 && (next == '\\' || next == '{' || next == '}')) {
                if (pendingFallback > 0 && !run.empty()) {
                    --pendingFallback;
                    run.back().End = i + 2;
                } else {
                    textSeen = true;
                    run.push_back({ char16_t(next), i, i + 2 });
                }
                i += 2;
                continue;
            }
            if (skipDepth < 0)
                matchRun();
            pendingFallback = 0;
            i += 2;
            continue;
        }
        groupStart = false;
        if (skipDepth >= 0 || depth == 0) {
            ++i;
            continue;
        }
        if (pendingFallback > 0 && !run.empty()) {
            --pendingFallback;
            run.back().End = i + 1;
            ++i;
            continue;
        }
        textSeen = true;
        // Text bytes are single-byte code page characters; ASCII stays itself.
        run.push_back({ static_cast<unsigned char>(c) < 0x80 ? char16_t(c) : table->map[static_cast<unsigned char>(c)],
            i, i + 1 });
        ++i;
    }
    matchRun();
    if (!wellFormed || depth != 0)
        FBodyEnd = -1;

    qsizetype position = 0;
    for (const TSlot& slot : found) {
        TPiece piece;
        piece.Literal = rtf.mid(position, slot.Start - position);
        // A value starting with a digit or letter would otherwise extend the control word before it.
        if (std::binary_search(glued.begin(), glued.end(), slot.Start))
            piece.Literal += ' ';
        piece.Token = slot.Token;
        piece.Source = rtf.mid(slot.Start, slot.End - slot.Start);
        FPieces.push_back(std::move(piece));
        position = slot.End;
    }
    TPiece last;
    last.Literal = rtf.mid(position);
    FPieces.push_back(std::move(last));
}

QByteArray TMergeTemplate::Letter(const QStringList& values) const
{
    QByteArray letter;
    letter.reserve(FSource.size() + 64);
    for (const TPiece& piece : FPieces) {
        letter += piece.Literal;
        if (piece.Token < 0)
            continue;
        if (piece.Token < values.size())
            letter += RtfEscapedText(values[piece.Token], FAnsiCodePage);
        else
            letter += piece.Source;
    }
    return letter;
}
