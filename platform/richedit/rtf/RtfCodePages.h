#pragma once
// Code pages of RTF text: the code page of a font's character set, byte tables for the single-byte code
// pages, iconv for the multi-byte ones, and the symbol font's encoding.
#include <QByteArray>
#include <QString>

#include <map>

// Code page numbers as RTF and the platform use them; two of ours for symbol-charset fonts.
constexpr int CpAnsi = 1252;
constexpr int CpSymbol = 42; // the "Symbol" font: its codes stand for Greek letters and mathematical signs
constexpr int CpPrivateSymbol = 0x10042; // other symbol fonts (Wingdings...): code c is kept as U+F000 + c

struct TSingleByteTable {
    char16_t map[256];
    bool asciiCompatible; // bytes 0x20..0x7E are ASCII
};

// The code page for the \fcharset value; documentCodePage for DEFAULT_CHARSET and unknown values.
int CodePageFromCharset(int charset, int documentCodePage);

// The decoding table of a single-byte code page (built once per process); nullptr for multi-byte code
// pages. A code page iconv does not know decodes as Windows-1252.
const TSingleByteTable* SingleByteTable(int codePage);

// The Unicode character a symbol font code stands for.
char16_t UnicodeFromSymbolCode(unsigned char code);
// The symbol font code showing the character, or -1.
int SymbolCodeFromUnicode(char16_t character);
// The Windows-1252 byte of the character, or -1 (ASCII included).
int Cp1252FromUnicode(char16_t character);

// Plain text as this platform reads it: UTF-8 when the bytes are valid UTF-8, else Windows-1252.
QString TextFromUtf8OrWindows1252(const QByteArray& bytes);

// Multi-byte decoding through iconv; one per reader, as iconv descriptors carry state.
class TMultiByteDecoder {
public:
    TMultiByteDecoder() = default;
    TMultiByteDecoder(const TMultiByteDecoder&) = delete;
    TMultiByteDecoder& operator=(const TMultiByteDecoder&) = delete;
    ~TMultiByteDecoder();

    // Appends the characters of the bytes to target; bytes that do not decode become U+FFFD.
    void Decode(int codePage, const QByteArray& bytes, QString& target);

private:
    std::map<int, void*> FConverters; // iconv_t by code page; (void*)-1 when iconv has none
};
