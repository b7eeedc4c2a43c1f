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

QList<TWordSpan> TSpellSession::Words(const QString& text)
{
    QList<TWordSpan> words;
    qsizetype i = 0;
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
        if (!digits && !IsInLinkOrAddress(text, start, i))
            words.append(TWordSpan { start, i - start });
    }
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
    // The text is scanned from a word boundary: a position inside a word would split it.
    for (const TWordSpan& span : Words(FText)) {
        if (span.Start < from)
            continue;
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
    // From the last occurrence backwards, so the earlier positions stay valid.
    const QList<TWordSpan> words = Words(FText);
    int count = 0;
    for (auto span = words.crbegin(); span != words.crend(); ++span) {
        if (span->Start < from)
            break;
        if (span->Length == word.size() && QStringView(FText).mid(span->Start, span->Length) == word) {
            ReplaceAt(span->Start, span->Length, replacement);
            ++count;
        }
    }
    for (const TWordSpan& span : Words(replacement))
        FIgnored.insert(replacement.mid(span.Start, span.Length));
    FindNext(from + replacement.size());
    return count;
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
