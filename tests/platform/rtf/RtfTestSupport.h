#pragma once
// Helpers of the RTF tests: reading bytes into a fresh document and looking at what came out.
#include "RichTextFormat.h"
#include "RtfReader.h"

#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <memory>

inline std::unique_ptr<QTextDocument> ReadRtf(const QByteArray& rtf, const TRtfReadOptions& options = {})
{
    auto document = std::make_unique<QTextDocument>();
    QTextCursor cursor(document.get());
    TRtfReader::Read(rtf, cursor, options);
    return document;
}

// A fragment of a document, with the header and footer a word processor puts around it.
inline QByteArray Rtf(const QByteArray& body)
{
    return "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
           "{\\f1\\froman\\fcharset2 Symbol;}{\\f2\\fnil\\fcharset2 Wingdings;}}"
           "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}"
           "\\pard\\plain\\f0\\fs24 "
        + body + "}";
}

inline QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The paragraphs' text joined by "\n", line breaks and tabs as they are in the model.
inline QString Paragraphs(const QTextDocument& document)
{
    QStringList paragraphs;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        paragraphs.append(block.text());
    return paragraphs.join(u'\n');
}

// The list marker each paragraph shows ("" outside lists); paragraphs without text left out unless
// asked for.
inline QStringList ListMarkers(const QTextDocument& document, bool emptyParagraphs = true)
{
    QStringList found;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (emptyParagraphs || !block.text().isEmpty())
            found << RichText::ListMarkerText(block);
    }
    return found;
}

// The format of the first character of the first occurrence of text.
inline QTextCharFormat FormatOf(const QTextDocument& document, const QString& text)
{
    const QTextCursor found = document.find(text);
    if (found.isNull())
        return {};
    QTextCursor cursor(const_cast<QTextDocument*>(&document));
    cursor.setPosition(found.selectionStart() + 1);
    return cursor.charFormat();
}

inline QTextBlockFormat BlockFormatOf(const QTextDocument& document, int blockNumber)
{
    return document.findBlockByNumber(blockNumber).blockFormat();
}

// The document's paragraphs and tables: a table is "[" rows "]", rows split by " ; ", cells by "|",
// the paragraphs of a cell by "/"; top-level items one a line.
inline QStringList StructureItems(QTextFrame::iterator it, const QTextFrame::iterator& end)
{
    QStringList items;
    for (; it != end; ++it) {
        if (auto* table = qobject_cast<QTextTable*>(it.currentFrame())) {
            QStringList rows;
            for (int row = 0; row < table->rows(); ++row) {
                QStringList cells;
                for (int column = 0; column < table->columns(); ++column) {
                    const QTextTableCell cell = table->cellAt(row, column);
                    if (cell.row() != row || cell.column() != column)
                        continue;
                    cells.append(StructureItems(cell.begin(), cell.end()).join(u'/'));
                }
                rows.append(cells.join(u'|'));
            }
            items.append(QStringLiteral("[") + rows.join(QStringLiteral(" ; ")) + QStringLiteral("]"));
        } else if (it.currentBlock().isValid()) {
            items.append(it.currentBlock().text());
        }
    }
    return items;
}

inline QString Structure(const QTextDocument& document)
{
    return StructureItems(document.rootFrame()->begin(), document.rootFrame()->end()).join(u'\n');
}
