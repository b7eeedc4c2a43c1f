// bench_pelmora.cpp: Pelmora's merge of one-page letters: the data file read, the letters built
// from the compiled template, laid out into the preview, and printed to the PDF printer.
#include "BenchSupport.h"

#include "CsvFile.h"
#include "MergeTemplate.h"
#include "PgPreview.h"
#include "PgRtfMailMerge.h"
#include "PgRtfPreview.h"
#include "PgPrinter.h"
#include "PrinterDevice.h"

#include <QTemporaryDir>

namespace {

const QByteArray LetterTemplate
    = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times New Roman;}}"
      "{\\colortbl ;\\red0\\green0\\blue128;}\r\n\\viewkind4\\uc1\\pard\\f0\\fs24 [FIRST] [LAST]\\par\r\n"
      "[STREET]\\par\r\n[TOWN]\\par\\par\r\n{\\b Dear [FIRST],}\\par\\par\r\n"
      "{\\f1 We are writing to tell you that your order of [DATE] has been sent to [STREET], [TOWN]. "
      "Thank you, [FIRST], for your custom; we hope to see you again soon.}\\par\\par\r\n"
      "{\\cf1 Yours faithfully,}\\par\r\n}\r\n";

QString DataFile(int records)
{
    QString text = QStringLiteral("First,Last,Street,Town,Date\r\n");
    for (int i = 0; i < records; ++i)
        text += QStringLiteral("Ann%1,\"Smith, Jr {%1}\",%1 High Street,Zürich,2026-12-%2\r\n").arg(i).arg(i % 28 + 1);
    return text;
}

TMergeFieldSource Source(int records)
{
    const TCsvTable table = ParseCsv(DataFile(records));
    TMergeFieldSource source;
    for (const QString& name : table.Names)
        source.Tokens << TokenFromFieldName(name);
    source.Records = table.Records;
    return source;
}

void ReadData(benchmark::State& state)
{
    const QString text = DataFile(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseCsv(text));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BuildLetters(benchmark::State& state)
{
    const TMergeFieldSource source = Source(int(state.range(0)));
    for (auto _ : state) {
        TPgRtfMailMerge merge;
        merge.SetTokens(source.Tokens);
        merge.OnGetField = [&](QObject*, int record, const QString& field, QString& text) { text = source.Value(record, field); };
        const TMergeTemplate compiled(LetterTemplate, source.Tokens);
        qsizetype bytes = 0;
        for (int record = 1; record <= int(source.Records.size()); ++record)
            bytes += merge.Letter(compiled, record).size();
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void MergeIntoPreview(benchmark::State& state)
{
    const TMergeFieldSource source = Source(int(state.range(0)));
    for (auto _ : state) {
        TPgPreview preview;
        TPgRtfPreview paginator;
        paginator.SetPreview(&preview);
        TPgRtfMailMerge merge;
        merge.SetPgRtfPreview(&paginator);
        merge.SetTokens(source.Tokens);
        merge.SetMergeCount(int(source.Records.size()));
        merge.OnGetField = [&](QObject*, int record, const QString& field, QString& text) { text = source.Value(record, field); };
        merge.MergeRtf(LetterTemplate);
        state.counters["pages"] = preview.NumPages();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void MergeAndPrintToPdf(benchmark::State& state)
{
    const TMergeFieldSource source = Source(int(state.range(0)));
    QTemporaryDir folder;
    for (auto _ : state) {
        TPgPreview preview;
        TPgRtfPreview paginator;
        paginator.SetPreview(&preview);
        TPrinterDevice& device = ProgramPrinter();
        device.SetPrinterIndex(device.Printers().PdfIndex());
        device.SetOutputFileName(folder.filePath(QStringLiteral("letters.pdf")));
        TPgRtfMailMerge merge;
        merge.SetPgRtfPreview(&paginator);
        merge.SetTokens(source.Tokens);
        merge.SetMergeCount(int(source.Records.size()));
        merge.OnGetField = [&](QObject*, int record, const QString& field, QString& text) { text = source.Value(record, field); };
        merge.MergeRtf(LetterTemplate);
        preview.Print();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(ReadData)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BuildLetters)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(MergeIntoPreview)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(MergeAndPrintToPdf)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) { return RunBenchmarks(argc, argv); }
