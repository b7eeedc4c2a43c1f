#pragma once
// WordCounter.h: the word and character count of a document, kept up to date from the changes the
// document reports, so a keystroke costs the paragraphs it touched rather than the whole text.
#include "TextCommands.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

class QTextBlock;
class QTextDocument;

class TWordCounter : public QObject {
public:
    TWordCounter() = default;
    ~TWordCounter() override;

    /// The counts CountWords would give for the control text of document. Attaches to the document
    /// on first use (a full count) and again whenever it is given another one. Nothing for a
    /// document with tables, whose control text differs from its buffer: count that text whole.
    std::optional<TTextCounts> Counts(QTextDocument& document);

    struct TTotals {
        qint64 Words = 0;
        qint64 LowSurrogates = 0;
    };

private:
    void Attach(QTextDocument& document);
    void Detach();
    void DocumentChanged(int position, int removed, int added);
    void Recount(QTextBlock& block);

    QPointer<QTextDocument> FDocument;
    std::shared_ptr<TTotals> FTotals;
    QMetaObject::Connection FConnection;
};
