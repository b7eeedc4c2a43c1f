#include "RtfTokenizer.h"

#include <array>
#include <limits>

namespace {

// Bytes that end a text token.
constexpr std::array<bool, 256> TextStops = [] {
    std::array<bool, 256> stops {};
    stops['\\'] = stops['{'] = stops['}'] = stops['\r'] = stops['\n'] = true;
    return stops;
}();

constexpr bool IsLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
constexpr bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

int HexValue(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

TRtfToken TRtfTokenizer::Next()
{
    const auto* data = reinterpret_cast<const unsigned char*>(FData.data());
    const std::size_t size = FData.size();
    TRtfToken token;
    while (FPosition < size) {
        switch (data[FPosition]) {
        case '{':
            ++FPosition;
            token.kind = TRtfTokenKind::tkGroupStart;
            return token;
        case '}':
            ++FPosition;
            token.kind = TRtfTokenKind::tkGroupEnd;
            return token;
        case '\\':
            if (ReadControl(token))
                return token;
            break;
        case '\r':
        case '\n':
            ++FPosition;
            break;
        default: {
            const std::size_t start = FPosition;
            while (FPosition < size && !TextStops[data[FPosition]])
                ++FPosition;
            token.kind = TRtfTokenKind::tkText;
            token.text = FData.substr(start, FPosition - start);
            return token;
        }
        }
    }
    return token;
}

// Reads the control word or symbol at the backslash; false when it makes no token (a bad hex escape).
bool TRtfTokenizer::ReadControl(TRtfToken& token)
{
    const auto* data = reinterpret_cast<const unsigned char*>(FData.data());
    const std::size_t size = FData.size();
    ++FPosition;
    if (FPosition >= size)
        return false;
    const unsigned char first = data[FPosition];

    if (IsLetter(first)) {
        const std::size_t start = FPosition;
        while (FPosition < size && IsLetter(data[FPosition]))
            ++FPosition;
        token.kind = TRtfTokenKind::tkControlWord;
        token.text = FData.substr(start, FPosition - start);

        bool negative = false;
        if (FPosition + 1 < size && data[FPosition] == '-' && IsDigit(data[FPosition + 1])) {
            negative = true;
            ++FPosition;
        }
        if (FPosition < size && IsDigit(data[FPosition])) {
            // Every digit belongs to the word, but the value saturates instead of overflowing.
            constexpr std::int64_t limit = std::numeric_limits<std::int32_t>::max();
            std::int64_t value = 0;
            while (FPosition < size && IsDigit(data[FPosition])) {
                if (value <= limit)
                    value = value * 10 + (data[FPosition] - '0');
                ++FPosition;
            }
            if (value > limit)
                value = limit;
            token.hasParameter = true;
            token.parameter = std::int32_t(negative ? -value : value);
        }
        if (FPosition < size && data[FPosition] == ' ')
            ++FPosition;

        if (token.text == "bin" && token.hasParameter) {
            // The data are raw bytes, never tokens; a count beyond the input takes what is left.
            const std::size_t wanted = token.parameter > 0 ? std::size_t(token.parameter) : 0;
            const std::size_t length = wanted < size - FPosition ? wanted : size - FPosition;
            token.kind = TRtfTokenKind::tkBinary;
            token.text = FData.substr(FPosition, length);
            FPosition += length;
        }
        return true;
    }

    ++FPosition;
    if (first == '\'') {
        const int high = FPosition < size ? HexValue(data[FPosition]) : -1;
        if (high < 0)
            return false;
        ++FPosition;
        const int low = FPosition < size ? HexValue(data[FPosition]) : -1;
        int value = high;
        if (low >= 0) {
            value = high * 16 + low;
            ++FPosition;
        }
        token.kind = TRtfTokenKind::tkHexByte;
        token.value = static_cast<unsigned char>(value);
        return true;
    }
    token.kind = TRtfTokenKind::tkControlSymbol;
    token.value = first;
    return true;
}
