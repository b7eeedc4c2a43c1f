#include "TextCommands.h"

#include <array>
#include <cmath>
#include <string_view>

namespace {

// The separators among the first 96 characters, as a table: the count runs over the whole text
// after every keystroke.
constexpr std::array<bool, 96> SeparatorTable = [] {
    std::array<bool, 96> table {};
    for (int c = 0; c < 32; ++c)
        table[c] = true;
    for (char c : std::string_view(" !#$%()*,./:;?@\\^"))
        table[size_t(c)] = true;
    return table;
}();

} // namespace

bool IsWordSeparator(char32_t character) { return character < 96 && SeparatorTable[character]; }

TTextCounts CountWords(QStringView text)
{
    TTextCounts counts;
    bool inWord = false;
    int lowSurrogates = 0;
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        // A character beyond the basic plane is two units; its second half is not counted again.
        lowSurrogates += QChar::isLowSurrogate(unit);
        const bool separator = unit < 96 && SeparatorTable[unit];
        counts.Words += !separator && !inWord;
        inWord = !separator;
    }
    counts.Characters = int(text.size()) - lowSurrogates;
    return counts;
}

QString WordCountText(const TTextCounts& counts)
{
    return QStringLiteral("Words: %1   Characters: %2").arg(counts.Words, 3).arg(counts.Characters, 3);
}

QString CaretPositionText(int line, int column)
{
    return QStringLiteral("Line: %1  Column: %2").arg(line + 1, 3).arg(column + 1, 3);
}

QString LongDateText(const QDate& date, const QLocale& locale)
{
    // A "/" in a date format stands for the date separator; quoted text is literal.
    QString format = locale.dateFormat(QLocale::LongFormat);
    bool quoted = false;
    for (QChar& character : format) {
        if (character == u'\'')
            quoted = !quoted;
        else if (!quoted && character == u'/')
            character = u' ';
    }
    return locale.toString(date, format);
}

int OneAndHalfSpacing(int points)
{
    return int(std::nearbyint(points * 1.5)); // the default rounding mode sends halves to even
}
