#include "WordCounter.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>

namespace {

// A paragraph's share of the totals rides on the paragraph itself: when the document deletes a
// paragraph, its share leaves the totals with it, without anyone having to know what it held.
class TBlockCounts : public QTextBlockUserData {
public:
    TBlockCounts(std::shared_ptr<TWordCounter::TTotals> totals, int words, int lows)
        : Totals(std::move(totals))
        , Words(words)
        , LowSurrogates(lows)
    {
        Totals->Words += Words;
        Totals->LowSurrogates += LowSurrogates;
    }
    ~TBlockCounts() override
    {
        Totals->Words -= Words;
        Totals->LowSurrogates -= LowSurrogates;
    }
    void Update(int words, int lows)
    {
        Totals->Words += words - Words;
        Totals->LowSurrogates += lows - LowSurrogates;
        Words = words;
        LowSurrogates = lows;
    }

    std::shared_ptr<TWordCounter::TTotals> Totals;
    int Words;
    int LowSurrogates;
};

// Words never run across paragraphs (the break separates them); inside one, a line break is a
// separator as the control text's vertical tab is.
void CountBlock(const QString& text, int& words, int& lows)
{
    constexpr char16_t LineSeparator = 0x2028;
    words = 0;
    lows = 0;
    bool inWord = false;
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        lows += QChar::isLowSurrogate(unit);
        const bool separator = unit == LineSeparator || IsWordSeparator(unit);
        words += !separator && !inWord;
        inWord = !separator;
    }
}

// Tables add frame characters that the control text leaves out; such documents are counted whole.
bool HasFrames(const QTextDocument& document) { return !document.rootFrame()->childFrames().isEmpty(); }

} // namespace

TWordCounter::~TWordCounter() { Detach(); }

void TWordCounter::Detach()
{
    if (FConnection)
        disconnect(FConnection);
    FDocument = nullptr;
    FTotals.reset();
}

void TWordCounter::Attach(QTextDocument& document)
{
    Detach();
    FDocument = &document;
    FTotals = std::make_shared<TTotals>();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        Recount(block);
    FConnection = connect(&document, &QTextDocument::contentsChange, this, &TWordCounter::DocumentChanged);
}

void TWordCounter::Recount(QTextBlock& block)
{
    int words = 0;
    int lows = 0;
    CountBlock(block.text(), words, lows);
    auto* counts = dynamic_cast<TBlockCounts*>(block.userData());
    if (counts && counts->Totals == FTotals)
        counts->Update(words, lows);
    else
        block.setUserData(new TBlockCounts(FTotals, words, lows)); // releases any older share
}

void TWordCounter::DocumentChanged(int position, int removed, int added)
{
    Q_UNUSED(removed); // the paragraphs it took away have already given back their share
    if (!FDocument)
        return;
    const int end = position + added;
    for (QTextBlock block = FDocument->findBlock(position); block.isValid() && block.position() <= end;
         block = block.next())
        Recount(block);
}

std::optional<TTextCounts> TWordCounter::Counts(QTextDocument& document)
{
    if (HasFrames(document)) {
        Detach();
        return std::nullopt;
    }
    if (FDocument != &document)
        Attach(document);
    TTextCounts counts;
    const qint64 characters = qint64(document.characterCount() - 1) - FTotals->LowSurrogates;
    counts.Words = int(FTotals->Words);
    counts.Characters = int(characters);
    return counts;
}
