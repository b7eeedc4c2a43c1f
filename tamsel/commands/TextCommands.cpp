#include "TextCommands.h"

#include <cmath>

bool IsWordSeparator(char32_t character)
{
    if (character > 95)
        return false;
    if (character < 32)
        return true;
    switch (character) {
    case U' ': case U'!': case U'#': case U'$': case U'%': case U'(': case U')': case U'*': case U',':
    case U'.': case U'/': case U':': case U';': case U'?': case U'@': case U'\\': case U'^':
        return true;
    default:
        return false;
    }
}

TTextCounts CountWords(QStringView text)
{
    // One pass; the loop runs after every keystroke over the whole document, so it stays simple.
    TTextCounts counts;
    bool inWord = false;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        char32_t character = text[i].unicode();
        if (QChar::isHighSurrogate(character) && i + 1 < size && text[i + 1].isLowSurrogate())
            character = QChar::surrogateToUcs4(char16_t(character), text[++i].unicode());
        ++counts.Characters;
        const bool separator = IsWordSeparator(character);
        if (!separator && !inWord)
            ++counts.Words;
        inWord = !separator;
    }
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
