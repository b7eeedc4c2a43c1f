#pragma once
// The lexical layer of the RTF reader: groups, control words with their parameters, control symbols,
// hex bytes, text and \bin data. Meaning is left to the reader.
#include <cstddef>
#include <cstdint>
#include <string_view>

enum class TRtfTokenKind : int {
    tkEnd = 0,
    tkGroupStart = 1,
    tkGroupEnd = 2,
    tkControlWord = 3,
    tkControlSymbol = 4,
    tkHexByte = 5,
    tkText = 6,
    tkBinary = 7,
};

struct TRtfToken {
    TRtfTokenKind kind = TRtfTokenKind::tkEnd;
    std::string_view text; // the word's letters, the text's bytes or the binary data; points into the input
    std::int32_t parameter = 0;
    bool hasParameter = false;
    unsigned char value = 0; // the control symbol's character or the hex byte
};

class TRtfTokenizer {
public:
    explicit TRtfTokenizer(std::string_view data)
        : FData(data)
    {
    }

    // The next token; tkEnd at the end of the input and ever after. Line ends between tokens are dropped,
    // as RTF ignores them; a text token never contains one.
    TRtfToken Next();
    std::size_t Position() const { return FPosition; }

private:
    bool ReadControl(TRtfToken& token);

    std::string_view FData;
    std::size_t FPosition = 0;
};
