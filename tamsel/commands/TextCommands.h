#pragma once
// TextCommands.h: what the editing commands compute from the text: the word and character count,
// the caret's line and column, the date the date command inserts, the 1.5 line spacing.
#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringView>

struct TTextCounts {
    int Words = 0;
    int Characters = 0;
};

/// Blanks, control characters and the punctuation !#$%()*,./:;?@\^ separate words; every other
/// character, letters with accents, apostrophes and hyphens among them, belongs to a word.
[[nodiscard]] bool IsWordSeparator(char32_t character);
/// Counts words and characters; a character beyond the basic plane counts once.
[[nodiscard]] TTextCounts CountWords(QStringView text);
/// "Words: %3d   Characters: %3d".
[[nodiscard]] QString WordCountText(const TTextCounts& counts);
/// "Line: %3d  Column: %3d" for a line and column counted from 0.
[[nodiscard]] QString CaretPositionText(int line, int column);
/// The date in the locale's long format, with a blank wherever the format puts the date separator.
[[nodiscard]] QString LongDateText(const QDate& date, const QLocale& locale = QLocale::system());
/// Points × 1.5 rounded to the nearest whole point, halves to the even neighbour.
[[nodiscard]] int OneAndHalfSpacing(int points);
