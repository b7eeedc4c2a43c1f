#pragma once
// Automatic link detection: runs that start with a link scheme or "www.", shown as links without
// changing the document's own formats (so they are neither saved nor undone).
#include <QList>
#include <QString>
#include <QSyntaxHighlighter>

struct TTextSpan {
    int start = 0;
    int length = 0;
    friend bool operator==(const TTextSpan&, const TTextSpan&) = default;
};

// The links in one paragraph's text, in order.
QList<TTextSpan> FindLinks(const QString& text);

class TLinkHighlighter : public QSyntaxHighlighter {
public:
    explicit TLinkHighlighter(QTextDocument* document);

protected:
    void highlightBlock(const QString& text) override;
};
