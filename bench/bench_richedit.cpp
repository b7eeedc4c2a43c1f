// The rich edit control on documents of 10 to 1000 pages: RTF in and out through EM_STREAMIN and
// EM_STREAMOUT, and pagination and page rendering through EM_FORMATRANGE at 600 dpi; documents of
// tables read and paged the same way.
#include "BenchSupport.h"
#include "DeviceContext.h"
#include "RichEditControl.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>

#include <cstring>

namespace {

void SetUp(TRichEditControl& control)
{
    CHARFORMAT2 font;
    font.dwMask = CFM_FACE | CFM_SIZE;
    std::strcpy(font.szFaceName, "Arial");
    font.yHeight = 240;
    (void)control.SetCharFormat(SCF_DEFAULT, font);
    control.SetAutoUrlDetect(true);
}

void ReadRtf(benchmark::State& state)
{
    const QByteArray rtf = GeneratedDocument(int(state.range(0)));
    TRichEditControl control;
    SetUp(control);
    for (auto _ : state) {
        if (!control.LoadBytes(SF_RTF, rtf))
            state.SkipWithError("not read");
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
}

void WriteRtf(benchmark::State& state)
{
    TRichEditControl control;
    SetUp(control);
    if (!control.LoadBytes(SF_RTF, GeneratedDocument(int(state.range(0)))))
        state.SkipWithError("not read");
    qint64 bytes = 0;
    for (auto _ : state)
        bytes += control.SaveBytes(SF_RTF).size();
    state.SetBytesProcessed(bytes);
}

QImage Page600()
{
    QImage image(4960, 7016, QImage::Format_RGB32);
    image.setDotsPerMeterX(23622);
    image.setDotsPerMeterY(23622);
    image.fill(Qt::white);
    return image;
}

FORMATRANGE A4TextArea(TDeviceContext& device, LONG start)
{
    FORMATRANGE range;
    range.hdc = range.hdcTarget = &device;
    range.rcPage = { 0, 0, 11906, 16838 };
    range.rc = { 1134, 1134, 11906 - 1134, 16838 - 1134 };
    range.chrg = { start, -1 };
    return range;
}

void Paginate(benchmark::State& state)
{
    TRichEditControl control;
    SetUp(control);
    if (!control.LoadBytes(SF_RTF, GeneratedDocument(int(state.range(0)))))
        state.SkipWithError("not read");
    QImage measuring(1, 1, QImage::Format_RGB32);
    measuring.setDotsPerMeterX(23622);
    measuring.setDotsPerMeterY(23622);
    TDeviceContext device(&measuring);
    int pages = 0;
    for (auto _ : state) {
        control.Perform(EM_FORMATRANGE, 0, 0);
        LONG position = 0;
        pages = 0;
        while (position < control.TextLength()) {
            FORMATRANGE range = A4TextArea(device, position);
            position = LONG(control.Perform(EM_FORMATRANGE, 0, reinterpret_cast<LPARAM>(&range)));
            ++pages;
        }
    }
    state.counters["pages"] = pages;
}

// About 300 pages at 100: each page a heading paragraph and a table of 24 rows of three cells.
QByteArray TableDocument(int pages)
{
    QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";
    for (int page = 0; page < pages * 3; ++page) {
        rtf += "Section " + QByteArray::number(page) + " of the report\\par ";
        for (int row = 0; row < 24; ++row) {
            rtf += "\\trowd\\trgaph108\\clbrdrt\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10\\cellx2000\\cellx5000\\cellx9000"
                   "\\pard\\intbl Item ";
            rtf += QByteArray::number(row);
            rtf += "\\cell A value that is long enough\\cell Notes on the item that wrap in the cell when narrow\\cell\\row ";
        }
        rtf += "\\pard\\par ";
    }
    return rtf + "}";
}

void ReadTables(benchmark::State& state)
{
    const QByteArray rtf = TableDocument(int(state.range(0)));
    TRichEditControl control;
    SetUp(control);
    for (auto _ : state) {
        if (!control.LoadBytes(SF_RTF, rtf))
            state.SkipWithError("not read");
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
}

void PaginateTables(benchmark::State& state)
{
    TRichEditControl control;
    SetUp(control);
    if (!control.LoadBytes(SF_RTF, TableDocument(int(state.range(0)))))
        state.SkipWithError("not read");
    QImage measuring(1, 1, QImage::Format_RGB32);
    measuring.setDotsPerMeterX(23622);
    measuring.setDotsPerMeterY(23622);
    TDeviceContext device(&measuring);
    int pages = 0;
    for (auto _ : state) {
        control.Perform(EM_FORMATRANGE, 0, 0);
        LONG position = 0;
        pages = 0;
        while (position < control.TextLength()) {
            FORMATRANGE range = A4TextArea(device, position);
            position = LONG(control.Perform(EM_FORMATRANGE, 0, reinterpret_cast<LPARAM>(&range)));
            ++pages;
        }
    }
    state.counters["pages"] = pages;
}

void RenderPage(benchmark::State& state)
{
    TRichEditControl control;
    SetUp(control);
    if (!control.LoadBytes(SF_RTF, GeneratedDocument(10)))
        state.SkipWithError("not read");
    QImage page = Page600();
    TDeviceContext device(&page);
    FORMATRANGE first = A4TextArea(device, 0);
    control.Perform(EM_FORMATRANGE, 0, reinterpret_cast<LPARAM>(&first));
    for (auto _ : state) {
        FORMATRANGE range = A4TextArea(device, 0);
        benchmark::DoNotOptimize(control.Perform(EM_FORMATRANGE, 1, reinterpret_cast<LPARAM>(&range)));
    }
}

} // namespace

BENCHMARK(ReadRtf)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(WriteRtf)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(Paginate)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(RenderPage)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadTables)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(PaginateTables)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(2);

int main(int argc, char** argv) { return RunBenchmarks(argc, argv); }
