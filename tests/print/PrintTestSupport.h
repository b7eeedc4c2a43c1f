#pragma once
// PrintTestSupport.h: documents to paginate and readers of the PDF files the engine prints.
#include "PgPrinter.h"
#include "PrinterDevice.h"
#include "RichEditControl.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>

// Paragraphs of numbered words, so every character of the text is distinguishable.
inline QString NumberedText(int paragraphs, int wordsPerParagraph = 40)
{
    QStringList lines;
    int word = 0;
    for (int p = 0; p < paragraphs; ++p) {
        QStringList words;
        for (int w = 0; w < wordsPerParagraph; ++w)
            words << QStringLiteral("w%1").arg(word++);
        lines << words.join(u' ');
    }
    return lines.join(u'\r');
}

inline void FillControl(TRichEditControl& control, const QString& text) { control.SetText(text); }

// The program's printer sends its jobs to the PDF printer, into the file.
inline void PrintToPdf(const QString& path)
{
    TPrinterDevice& printer = ProgramPrinter();
    printer.SetPrinterIndex(printer.Printers().PdfIndex());
    printer.ResetDevMode();
    printer.SetOutputFileName(path);
}

inline bool HavePdfTools()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty()
        && !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
}

inline QString PdfInfo(const QString& path)
{
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), { path });
    if (!info.waitForFinished(60000))
        return QString();
    return QString::fromUtf8(info.readAllStandardOutput());
}

inline int PdfPages(const QString& path)
{
    const auto match = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(PdfInfo(path));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

// Width and height in points of the first page.
inline QSizeF PdfPageSize(const QString& path)
{
    const auto match
        = QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts")).match(PdfInfo(path));
    return match.hasMatch() ? QSizeF(match.captured(1).toDouble(), match.captured(2).toDouble()) : QSizeF();
}

/// The text of pages first..last (all when 0), as pdftotext lays it out.
inline QString PdfText(const QString& path, int first = 0, int last = 0, bool layout = false)
{
    QStringList arguments;
    if (first > 0)
        arguments << QStringLiteral("-f") << QString::number(first) << QStringLiteral("-l") << QString::number(last);
    if (layout)
        arguments << QStringLiteral("-layout");
    arguments << path << QStringLiteral("-");
    QProcess text;
    text.start(QStringLiteral("pdftotext"), arguments);
    if (!text.waitForFinished(60000))
        return QString();
    return QString::fromUtf8(text.readAllStandardOutput());
}

inline QString WithoutSpaces(QString text)
{
    text.remove(QRegularExpression(QStringLiteral("\\s+")));
    return text;
}

/// Empty when equal, else both texts around the first place they differ.
inline QString Difference(const QString& actual, const QString& expected)
{
    qsizetype i = 0;
    while (i < actual.size() && i < expected.size() && actual[i] == expected[i])
        ++i;
    if (i == actual.size() && i == expected.size())
        return QString();
    return QStringLiteral("at %1: printed \"%2\", document \"%3\"")
        .arg(i)
        .arg(actual.mid(std::max<qsizetype>(0, i - 30), 80), expected.mid(std::max<qsizetype>(0, i - 30), 80));
}
