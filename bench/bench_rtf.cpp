// Speed of the RTF reader and writer on generated documents of 10, 100 and 1000 pages of formatted text:
// several fonts and colours, mixed runs, headings, bulleted and numbered lists, accented and non-Latin text.
#include "RtfReader.h"
#include "RtfWriter.h"

#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <map>

namespace {

const char* const Words[] = { "the", "quarterly", "report", "shows", "steady", "growth", "in", "all", "regions",
    "while", "costs", "remained", "under", "control", "and", "our", "team", "delivered", "every", "milestone", "on",
    "time", "customers", "caf\\'e9", "na\\'efve", "\\u1087?\\u1088?\\u1080?", "budget", "forecast", "of", "revenue",
    "with", "strong", "margins", "for", "next", "year", "\\u945?\\u946?", "plans", "include", "new", "offices" };

// A word-processor document of about 3 KB of RTF per page, the same for every run.
QByteArray GeneratedDocument(int pages)
{
    QByteArray rtf
        = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\froman\\fprq2\\fcharset0 Times New Roman;}"
          "{\\f1\\fswiss\\fprq2\\fcharset0 Arial;}{\\f2\\fmodern\\fprq1\\fcharset0 Courier New;}"
          "{\\f3\\froman\\fprq2\\fcharset2 Symbol;}}\r\n"
          "{\\colortbl;\\red0\\green0\\blue0;\\red192\\green0\\blue0;\\red0\\green112\\blue192;"
          "\\red0\\green128\\blue0;\\red255\\green255\\blue0;}\r\n"
          "{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc0\\levelstartat1{\\leveltext\\'02\\'00.;}"
          "{\\levelnumbers\\'01;}\\fi-360\\li720}\\listid1}}"
          "{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}}\r\n"
          "\\viewkind4\\uc1\r\n";
    rtf.reserve(pages * 3300 + 1024);
    unsigned seed = 12345;
    auto next = [&seed](unsigned range) {
        seed = seed * 1103515245 + 12345;
        return (seed >> 16) % range;
    };
    auto sentence = [&](int words) {
        QByteArray text;
        for (int i = 0; i < words; ++i) {
            if (i > 0)
                text += ' ';
            switch (next(24)) {
            case 0:
                text += "{\\b ";
                text += Words[next(std::size(Words))];
                text += '}';
                break;
            case 1:
                text += "\\i ";
                text += Words[next(std::size(Words))];
                text += "\\i0";
                break;
            case 2:
                text += "{\\cf2 ";
                text += Words[next(std::size(Words))];
                text += '}';
                break;
            case 3:
                text += "{\\f2\\fs20 ";
                text += Words[next(std::size(Words))];
                text += '}';
                break;
            case 4:
                text += "{\\ul\\cf3 ";
                text += Words[next(std::size(Words))];
                text += '}';
                break;
            case 5:
                text += "{\\highlight5 ";
                text += Words[next(std::size(Words))];
                text += '}';
                break;
            default:
                text += Words[next(std::size(Words))];
                break;
            }
        }
        return text;
    };
    for (int page = 0; page < pages; ++page) {
        rtf += "\\pard\\sb240\\sa120\\keepn\\f1\\fs32\\b Section " + QByteArray::number(page + 1)
            + "\\b0\\fs24\\f0\\par\r\n";
        for (int paragraph = 0; paragraph < 4; ++paragraph) {
            rtf += "\\pard\\qj\\fi360\\sa120\\sl276\\slmult1 " + sentence(60) + ".\\par\r\n";
        }
        if (page % 2 == 0) {
            for (int item = 0; item < 3; ++item) {
                rtf += "{\\pntext\\f3\\'b7\\tab}\\pard{\\*\\pn\\pnlvlblt\\pnf3\\pnindent0{\\pntxtb\\'b7}}\\fi-"
                       "360\\li720\\sa60 "
                    + sentence(12) + "\\par\r\n";
            }
        } else {
            for (int item = 0; item < 3; ++item) {
                rtf += "{\\listtext " + QByteArray::number(item + 1) + ".\\tab}\\pard\\ls1\\ilvl0\\fi-360\\li720\\sa60 "
                    + sentence(12) + "\\par\r\n";
            }
        }
    }
    rtf += "}";
    return rtf;
}

const QByteArray& Document(int pages)
{
    static std::map<int, QByteArray> documents;
    auto& document = documents[pages];
    if (document.isEmpty())
        document = GeneratedDocument(pages);
    return document;
}

void ReadRtf(benchmark::State& state)
{
    const QByteArray& rtf = Document(int(state.range(0)));
    for (auto _ : state) {
        QTextDocument document;
        QTextCursor cursor(&document);
        TRtfReader::Read(rtf, cursor);
        benchmark::DoNotOptimize(document.characterCount());
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
    state.counters["rtf_bytes"] = double(rtf.size());
}

void WriteRtf(benchmark::State& state)
{
    QTextDocument document;
    QTextCursor cursor(&document);
    TRtfReader::Read(Document(int(state.range(0))), cursor);
    qsizetype written = 0;
    for (auto _ : state) {
        const QByteArray rtf = TRtfWriter::Write(document, 0, -1);
        written = rtf.size();
        benchmark::DoNotOptimize(rtf.constData());
    }
    state.SetBytesProcessed(state.iterations() * written);
    state.counters["characters"] = double(document.characterCount());
}

} // namespace

BENCHMARK(ReadRtf)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(WriteRtf)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
