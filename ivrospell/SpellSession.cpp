// SpellSession.cpp: the words of the text, the unknown ones in turn, and the user's corrections.
#include "SpellSession.h"

#include <QRegularExpression>

namespace {

bool IsWordChar(QChar c) { return c.isLetter() || c.isMark(); }

bool IsJoiner(QChar c)
{
    return c == u'\'' || c == QChar(0x2019) || c == u'-' || c == QChar(0x2010);
}

bool IsSentenceEnd(QChar c) { return c == u'.' || c == u'!' || c == u'?' || c == QChar(0x2026); }

bool IsLineBreak(QChar c)
{
    // A vertical tab is a rich text control's line break.
    return c == u'\n' || c == u'\r' || c == u'\v' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

// A run of non-blank characters that is a link or a mail address is not prose.
bool IsInLinkOrAddress(const QString& text, qsizetype start, qsizetype end)
{
    qsizetype first = start;
    while (first > 0 && !text[first - 1].isSpace())
        --first;
    qsizetype last = end;
    while (last < text.size() && !text[last].isSpace())
        ++last;
    const QStringView chunk = QStringView(text).mid(first, last - first);
    return chunk.contains(u'@') || chunk.contains(QStringLiteral("://"))
        || chunk.startsWith(QStringLiteral("www."), Qt::CaseInsensitive);
}

} // namespace

TSpellSession::TSpellSession(ISpellDictionary& dictionary, QString text)
    : FDictionary(&dictionary)
    , FText(std::move(text))
{
    FindNext(0);
}

bool TSpellSession::NextWord(const QString& text, qsizetype from, TWordSpan& word)
{
    qsizetype i = from;
    const qsizetype size = text.size();
    while (i < size) {
        if (!IsWordChar(text[i])) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        bool digits = start > 0 && text[start - 1].isDigit();
        while (i < size) {
            if (IsWordChar(text[i])) {
                ++i;
            } else if (IsJoiner(text[i]) && i + 1 < size && IsWordChar(text[i + 1])) {
                i += 2;
            } else if (text[i].isDigit()) {
                digits = true;
                ++i;
            } else {
                break;
            }
        }
        if (!digits && !IsInLinkOrAddress(text, start, i)) {
            word = TWordSpan { start, i - start };
            return true;
        }
    }
    return false;
}

QList<TWordSpan> TSpellSession::Words(const QString& text)
{
    QList<TWordSpan> words;
    TWordSpan word;
    for (qsizetype from = 0; NextWord(text, from, word); from = word.Start + word.Length)
        words.append(word);
    return words;
}

QString TSpellSession::SentenceAround(const QString& text, qsizetype start, qsizetype length, qsizetype& wordOffset)
{
    qsizetype first = start;
    while (first > 0) {
        const QChar before = text[first - 1];
        if (IsLineBreak(before))
            break;
        if (before.isSpace() && first >= 2 && IsSentenceEnd(text[first - 2]))
            break;
        --first;
    }
    qsizetype last = start + length;
    while (last < text.size() && !IsLineBreak(text[last])) {
        if (IsSentenceEnd(text[last]) && (last + 1 == text.size() || text[last + 1].isSpace())) {
            ++last;
            break;
        }
        ++last;
    }
    while (first < start && text[first].isSpace())
        ++first;
    while (last > start + length && text[last - 1].isSpace())
        --last;
    // A sentence of a page cut to a window's worth around the word.
    if (last - first > MaxSentence) {
        const qsizetype half = (MaxSentence - length) / 2;
        const qsizetype cutFirst = qMax(first, start - qMax<qsizetype>(half, 0));
        const qsizetype cutLast = qMin(last, qMax(start + length, cutFirst + MaxSentence));
        QString sentence = text.mid(cutFirst, cutLast - cutFirst);
        wordOffset = start - cutFirst;
        if (cutFirst > first) {
            sentence.prepend(QChar(0x2026));
            ++wordOffset;
        }
        if (cutLast < last)
            sentence.append(QChar(0x2026));
        return sentence;
    }
    wordOffset = start - first;
    return text.mid(first, last - first);
}

bool TSpellSession::IsKnown(const QString& word)
{
    if (FIgnored.contains(word))
        return true;
    const auto cached = FKnown.constFind(word);
    if (cached != FKnown.constEnd())
        return *cached;
    const bool known = FDictionary->IsKnown(word);
    FKnown.insert(word, known);
    return known;
}

void TSpellSession::FindNext(qsizetype from)
{
    FHasIssue = false;
    // Positions given are word boundaries (a word's start or end), so the scan starts there and a
    // long text is read once through the whole check.
    TWordSpan span;
    for (qsizetype at = from; NextWord(FText, at, span); at = span.Start + span.Length) {
        const QString word = FText.mid(span.Start, span.Length);
        if (IsKnown(word))
            continue;
        FIssue.Start = span.Start;
        FIssue.Word = word;
        FIssue.Sentence = SentenceAround(FText, span.Start, span.Length, FIssue.WordInSentence);
        FHasIssue = true;
        return;
    }
}

QStringList TSpellSession::Suggestions() const
{
    return FHasIssue ? FDictionary->Suggestions(FIssue.Word) : QStringList();
}

void TSpellSession::ReplaceAt(qsizetype start, qsizetype length, const QString& replacement)
{
    if (QStringView(FText).mid(start, length) == replacement)
        return;
    if (OnReplace)
        OnReplace(start, length, replacement);
    FText.replace(start, length, replacement);
    FChanged = true;
}

void TSpellSession::Replace(const QString& replacement)
{
    if (!FHasIssue)
        return;
    ReplaceAt(FIssue.Start, FIssue.Word.size(), replacement);
    // The user chose this text; asking about it again would be nagging.
    for (const TWordSpan& span : Words(replacement))
        FIgnored.insert(replacement.mid(span.Start, span.Length));
    FindNext(FIssue.Start + replacement.size());
}

int TSpellSession::ReplaceAll(const QString& replacement)
{
    if (!FHasIssue)
        return 0;
    const QString word = FIssue.Word;
    const qsizetype from = FIssue.Start;
    QList<TWordSpan> matches;
    TWordSpan span;
    for (qsizetype at = from; NextWord(FText, at, span); at = span.Start + span.Length)
        if (span.Length == word.size() && QStringView(FText).mid(span.Start, span.Length) == word)
            matches.append(span);
    if (word != replacement && !matches.isEmpty()) {
        // The followers from the last backwards, so the earlier positions stay valid for them; the
        // text in one pass, so a long text with many occurrences is not moved once per occurrence.
        if (OnReplace)
            for (auto match = matches.crbegin(); match != matches.crend(); ++match)
                OnReplace(match->Start, match->Length, replacement);
        QString text;
        text.reserve(FText.size() + matches.size() * (replacement.size() - word.size()));
        qsizetype copied = 0;
        for (const TWordSpan& match : matches) {
            text += QStringView(FText).mid(copied, match.Start - copied);
            text += replacement;
            copied = match.Start + match.Length;
        }
        text += QStringView(FText).mid(copied);
        FText = text;
        FChanged = true;
    }
    for (const TWordSpan& part : Words(replacement))
        FIgnored.insert(replacement.mid(part.Start, part.Length));
    FindNext(from + replacement.size());
    return int(matches.size());
}

void TSpellSession::Ignore()
{
    if (FHasIssue)
        FindNext(FIssue.Start + FIssue.Word.size());
}

void TSpellSession::IgnoreAll()
{
    if (!FHasIssue)
        return;
    FIgnored.insert(FIssue.Word);
    FindNext(FIssue.Start + FIssue.Word.size());
}

void TSpellSession::Add()
{
    if (!FHasIssue)
        return;
    FDictionary->AddWord(FIssue.Word);
    FKnown.insert(FIssue.Word, true);
    FindNext(FIssue.Start + FIssue.Word.size());
}

void TSpellSession::SetDictionary(ISpellDictionary& dictionary)
{
    FDictionary = &dictionary;
    FKnown.clear();
    FindNext(FHasIssue ? FIssue.Start : 0);
}
