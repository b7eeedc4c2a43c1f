#pragma once
// SpellSession.h: checking one text word by word against a dictionary, with the corrections the user
// chooses; no window involved.
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

/// What the session asks of a dictionary.
class ISpellDictionary {
public:
    virtual ~ISpellDictionary() = default;
    [[nodiscard]] virtual bool IsKnown(const QString& word) const = 0;
    virtual QStringList Suggestions(const QString& word) const = 0;
    /// Known from now on, for as long as the dictionary lives.
    virtual void AddWord(const QString& word) = 0;
};

/// One word of the text the dictionary does not know, shown in its sentence.
struct TSpellIssue {
    qsizetype Start = 0; ///< in the text
    QString Word;
    QString Sentence;
    qsizetype WordInSentence = 0; ///< where the word starts in Sentence
};

/// A word of the text: letters and marks, with apostrophes and hyphens between letters.
struct TWordSpan {
    qsizetype Start = 0;
    qsizetype Length = 0;
};

class TSpellSession {
public:
    /// Sentences longer than this are cut around the word, so the window shows the word.
    static constexpr qsizetype MaxSentence = 240;

    TSpellSession(ISpellDictionary& dictionary, QString text);

    /// The next unknown word at or after the current position; false when none is left.
    [[nodiscard]] bool Finished() const { return !FHasIssue; }
    const TSpellIssue& Current() const { return FIssue; }
    QStringList Suggestions() const;

    /// Puts the replacement for the current word and goes on after it.
    void Replace(const QString& replacement);
    /// Replaces the current word and every later occurrence of it (whole words, same case); the count.
    int ReplaceAll(const QString& replacement);
    void Ignore();
    /// Skips this word wherever it appears again in this text.
    void IgnoreAll();
    /// Adds the word to the dictionary and goes on.
    void Add();
    /// Another dictionary (another language): checks again from the current word on, or from the
    /// start once the check had finished.
    void SetDictionary(ISpellDictionary& dictionary);

    /// Told each change of the text as it is made, so a copy of the text with its formatting can
    /// follow: positions are those of the text before the change.
    std::function<void(qsizetype start, qsizetype length, const QString& replacement)> OnReplace;

    const QString& Text() const { return FText; }
    /// True once any word was replaced.
    bool Changed() const { return FChanged; }

    /// The words of a text, in order; words mixed with digits, and parts of links and mail
    /// addresses, are left out.
    static QList<TWordSpan> Words(const QString& text);
    /// The first word starting at or after from, which must not lie inside a word.
    [[nodiscard]] static bool NextWord(const QString& text, qsizetype from, TWordSpan& word);
    /// The sentence around [start, start+length): from the end of the previous sentence to the end
    /// of this one, trimmed; the word's offset in it through wordOffset.
    static QString SentenceAround(const QString& text, qsizetype start, qsizetype length, qsizetype& wordOffset);

private:
    void FindNext(qsizetype from);
    bool IsKnown(const QString& word);
    void ReplaceAt(qsizetype start, qsizetype length, const QString& replacement);

    ISpellDictionary* FDictionary;
    QString FText;
    QSet<QString> FIgnored;
    QHash<QString, bool> FKnown; // the dictionary's answers, asked once per word
    TSpellIssue FIssue;
    bool FHasIssue = false;
    bool FChanged = false;
};
