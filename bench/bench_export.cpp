// The PDF and presentation exports of a generated document, page loop and writers included, and the
// colour reduction and LZW of one page picture on their own.
#include "BenchSupport.h"
#include "Bitmap.h"
#include "GifWriter.h"
#include "PageExport.h"
#include "PresentationOptions.h"
#include "RichEditControl.h"
#include "RichEditRecords.h"
#include "TPdfWriter.h"

#include <benchmark/benchmark.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include <cstring>

namespace {

struct TDocument {
    explicit TDocument(int pages)
    {
        if (!Control.LoadBytes(SF_RTF, GeneratedDocument(pages)))
            throw std::runtime_error("the generated document did not load");
    }
    TRichEditControl Control;
    QTemporaryDir Folder;
};

void PdfExport(benchmark::State& state)
{
    TDocument document(int(state.range(0)));
    const QString path = document.Folder.filePath(QStringLiteral("bench.pdf"));
    int pages = 0;
    for (auto _ : state) {
        pages = 0;
        ExportPagesToPdf(document.Control, path, [&](const QString&) { ++pages; });
    }
    state.counters["pages"] = pages;
    state.counters["MB"] = double(QFileInfo(path).size()) / 1e6;
}

void PresentationExport(benchmark::State& state)
{
    TDocument document(int(state.range(0)));
    const QString path = document.Folder.filePath(QStringLiteral("bench.ovp"));
    int pages = 0;
    for (auto _ : state) {
        pages = 0;
        ExportPagesToPresentation(document.Control, path, TPresentationOptions {}, [&](const QString&) { ++pages; });
    }
    state.counters["frames"] = pages;
    state.counters["MB"] = double(QFileInfo(path).size()) / 1e6;
}

// One full page picture of the generated text, as the presentation export makes it.
TBitmap TextPage(TRichEditControl& control)
{
    TBitmap page(693, 950, 32);
    for (int row = 0; row < page.Height(); ++row)
        std::memset(page.ScanLine(row), 0xFF, std::size_t(page.BytesPerLine()));
    FORMATRANGE range;
    range.hdc = range.hdcTarget = &page.Canvas();
    range.rc = range.rcPage = TwipsFromPixels({ 20, 20, 673, 930 });
    range.chrg = { 0, control.TextLength() };
    control.FormatRange(range, true);
    page.ReleaseCanvas();
    control.ClearFormatCache();
    return page;
}

void ReduceColorsOfAPage(benchmark::State& state)
{
    TDocument document(2);
    const TBitmap page = TextPage(document.Control);
    for (auto _ : state)
        benchmark::DoNotOptimize(ReduceColors(page));
}

void LzwOfAPage(benchmark::State& state)
{
    TDocument document(2);
    const TReducedFrame frame = ReduceColors(TextPage(document.Control));
    qint64 bytes = 0;
    for (auto _ : state)
        bytes = LzwImageData(frame.Indexes.data(), frame.Indexes.size()).size();
    state.counters["KB"] = double(bytes) / 1e3;
}

// zlib at its default level on one page picture in red, green, blue.
void DeflateOfAPage(benchmark::State& state)
{
    TDocument document(2);
    const TBitmap page = TextPage(document.Control);
    QByteArray rgb;
    for (int row = 0; row < page.Height(); ++row)
        for (int column = 0; column < page.Width(); ++column)
            rgb.append(reinterpret_cast<const char*>(page.ScanLine(row)) + 4 * column, 3);
    qint64 bytes = 0;
    for (auto _ : state)
        bytes = TPdfWriter::Deflate(rgb.constData(), rgb.size()).size();
    state.counters["KB"] = double(bytes) / 1e3;
}

} // namespace

BENCHMARK(PdfExport)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(PresentationExport)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(ReduceColorsOfAPage)->Unit(benchmark::kMillisecond);
BENCHMARK(LzwOfAPage)->Unit(benchmark::kMillisecond);
BENCHMARK(DeflateOfAPage)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return RunBenchmarks(argc, argv); }
