#include "LinkDetector.h"

#include <QRegularExpression>
#include <QTextCharFormat>

QList<TTextSpan> FindLinks(const QString& text)
{
    // Cheap rejection first: most paragraphs hold no link at all.
    if (!text.contains(u':') && !text.contains(QLatin1String("www."), Qt::CaseInsensitive))
        return {};
    static const QRegularExpression pattern(
        QStringLiteral(R"((?<![\w.@/])(?:(?:https?|ftp)://|mailto:|file:|www\.)[^\s<>"{}|\\^`\x{2028}\x{FFFC}]+)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    QList<TTextSpan> links;
    auto matches = pattern.globalMatch(text);
    while (matches.hasNext()) {
        const auto match = matches.next();
        int start = int(match.capturedStart());
        int length = int(match.capturedLength());
        // Punctuation that ends a sentence is not part of the link, nor an unmatched closing bracket.
        while (length > 0) {
            const QChar last = text.at(start + length - 1);
            if (QStringLiteral(".,;:!?'").contains(last)) {
                --length;
            } else if (last == u')' && text.mid(start, length).count(u'(') < text.mid(start, length).count(u')')) {
                --length;
            } else {
                break;
            }
        }
        const QString body = text.mid(start, length);
        const int schemeEnd = int(body.indexOf(u':'));
        const bool bareScheme = body.startsWith(QLatin1String("www."), Qt::CaseInsensitive)
            ? length <= 4
            : (body.endsWith(QLatin1String("://")) || length <= schemeEnd + 1);
        if (!bareScheme)
            links.append({ start, length });
    }
    return links;
}

TLinkHighlighter::TLinkHighlighter(QTextDocument* document)
    : QSyntaxHighlighter(document)
{
}

void TLinkHighlighter::highlightBlock(const QString& text)
{
    QTextCharFormat link;
    link.setForeground(QColor(0, 0, 255));
    link.setFontUnderline(true);
    for (const auto& span : FindLinks(text))
        setFormat(span.start, span.length, link);
}
