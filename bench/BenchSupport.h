#pragma once
// BenchSupport.h: the documents the benchmarks work on, generated so that any size can be had, and
// the main of the benchmark programs.
#include <QApplication>
#include <QByteArray>

#include <benchmark/benchmark.h>

// About 3 KB of RTF per page: mixed runs in three fonts and four colours, and a bulleted list.
inline QByteArray GeneratedDocument(int pages)
{
    QByteArray rtf
        = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\froman\\fcharset0 "
          "Times New Roman;}{\\f2\\fmodern\\fcharset0 Courier New;}}{\\colortbl ;\\red255\\green0\\blue0;"
          "\\red0\\green128\\blue0;\\red0\\green0\\blue255;}\\viewkind4\\uc1\\pard\\f0\\fs24 ";
    const char* words[]
        = { "letter", "merge", "document", "paragraph", "caf\\'e9", "printing", "page", "rich", "text" };
    int word = 0;
    for (int page = 0; page < pages; ++page) {
        for (int paragraph = 0; paragraph < 6; ++paragraph) {
            if (paragraph == 5)
                rtf += "{\\pntext\\f0\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf0\\pnindent360{\\pntxtb\\'b7}}\\fi-360\\li720 ";
            for (int run = 0; run < 12; ++run) {
                switch (run % 4) {
                case 0:
                    rtf += "{\\b ";
                    break;
                case 1:
                    rtf += "{\\i\\cf1 ";
                    break;
                case 2:
                    rtf += "{\\f1\\fs28\\cf2 ";
                    break;
                default:
                    rtf += "{\\f2\\ul\\cf3 ";
                    break;
                }
                for (int i = 0; i < 5; ++i) {
                    rtf += words[word++ % 9];
                    rtf += ' ';
                }
                rtf += "}";
            }
            rtf += paragraph == 5 ? "\\par\\pard " : "\\par ";
        }
    }
    rtf += "}";
    return rtf;
}

// The main of every benchmark program: the widgets need an application, which needs no display.
inline int RunBenchmarks(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
