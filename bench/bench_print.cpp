// bench_print.cpp: the page engine on generated documents: pagination into the preview, a page
// repainted at zoom 100, and a print job to the PDF printer.
#include "BenchSupport.h"

#include "PgPreview.h"
#include "PgQuickPrint.h"
#include "PgRtfPreview.h"
#include "PrinterDevice.h"
#include "RichEditControl.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

namespace {

void LoadDocument(TRichEditControl& editor, int pages)
{
    if (!editor.LoadBytes(SF_RTF, GeneratedDocument(pages)))
        throw std::runtime_error("the generated document did not load");
}

void Paginate(benchmark::State& state)
{
    TRichEditControl editor;
    LoadDocument(editor, int(state.range(0)));
    TPgPreview preview;
    TPgRtfPreview paginator;
    paginator.SetPreview(&preview);
    for (auto _ : state) {
        preview.BeginUpdate();
        preview.Clear();
        paginator.LoadFromRichEdit(editor);
        preview.EndUpdate();
    }
    state.counters["pages"] = preview.NumPages();
}

void RepaintPage(benchmark::State& state)
{
    TRichEditControl editor;
    LoadDocument(editor, 1450);
    TPgPreview preview;
    preview.Header().SetVisible(true);
    preview.Header().CaptionCenter.SetCaption(QStringLiteral("Page {PAGE} of {NUMPAGES}"));
    TPgRtfPreview paginator;
    paginator.SetPreview(&preview);
    preview.Clear();
    paginator.LoadFromRichEdit(editor);
    preview.Document().SetCurrentPage(preview.NumPages() / 2);
    preview.resize(900, 1200);
    preview.SetZoom(100);
    QImage image(preview.PaperImage().size(), QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        preview.PaperImage().PaintTo(painter);
    }
    state.counters["pages"] = preview.NumPages();
}

void PrintToPdf(benchmark::State& state)
{
    TRichEditControl editor;
    LoadDocument(editor, int(state.range(0)));
    QTemporaryDir folder;
    TPrinterDevice& printer = ProgramPrinter();
    printer.SetPrinterIndex(printer.Printers().PdfIndex());
    printer.SetOutputFileName(folder.filePath(QStringLiteral("bench.pdf")));
    TPgPreview preview;
    TPgRtfPreview paginator;
    paginator.SetPreview(&preview);
    preview.Clear();
    paginator.LoadFromRichEdit(editor);
    for (auto _ : state)
        preview.Print();
    state.counters["pages"] = preview.NumPages();
}

} // namespace

// 1450 generated pages lay out as about 1000 A4 pages with the default margins.
BENCHMARK(Paginate)->Arg(145)->Arg(1450)->Unit(benchmark::kMillisecond);
BENCHMARK(RepaintPage)->Unit(benchmark::kMillisecond);
BENCHMARK(PrintToPdf)->Arg(1450)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) { return RunBenchmarks(argc, argv); }
