// RtfText.cpp: plain text escaped as RTF text.
#include "RtfText.h"

#include "RtfCodePages.h"

#include <cstdint>

namespace {

void AppendHex(QByteArray& out, int byte)
{
    static const char Digits[] = "0123456789abcdef";
    out += "\\'";
    out += Digits[(byte >> 4) & 0xF];
    out += Digits[byte & 0xF];
}

} // namespace

QByteArray RtfEscapedText(const QString& text, bool ansiCodePage)
{
    QByteArray out;
    out.reserve(text.size() + 8);
    const qsizetype length = text.size();
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\\' || c == u'{' || c == u'}') {
            out += '\\';
            out += char(c);
        } else if (c == u'\t') {
            out += "\\tab ";
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < length && text[i + 1] == u'\n')
                ++i;
            out += "\\line ";
        } else if (c < 0x20 || c == 0x7F) {
            // Other control characters have no meaning in a letter.
        } else if (c < 0x80) {
            out += char(c);
        } else {
            const int ansi = ansiCodePage ? Cp1252FromUnicode(c) : -1;
            if (ansi >= 0x80) {
                AppendHex(out, ansi);
            } else {
                // In a group of its own with one fallback character, whatever \uc the text around
                // it has set; each half of a surrogate pair is one \u of its own.
                out += "{\\uc1\\u";
                out += QByteArray::number(int(std::int16_t(c)));
                out += "?}";
            }
        }
    }
    return out;
}
