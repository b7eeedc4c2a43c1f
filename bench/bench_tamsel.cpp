// Tamsel's main window on a document of 1000 pages: one keystroke with the refresh of the side panel
// and the counts that follows it, and the word count alone.
#include "BenchSupport.h"
#include "Clock.h"
#include "History.h"
#include "Main.h"
#include "QtDialogs.h"
#include "RichEditControl.h"
#include "Shell.h"
#include "TextCommands.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QTemporaryDir>

namespace {

struct TWindow {
    TWindow(int pages)
        : Window(Dialogs, Shell, Clock, Folder.path())
    {
        QByteArray rtf = GeneratedDocument(pages);
        QBuffer buffer(&rtf);
        buffer.open(QIODevice::ReadOnly);
        Window.Editor->Lines()->LoadFromStream(buffer);
        Window.Editor->SetSelectionStart(Window.Editor->TextLength() / 2);
    }
    QTemporaryDir Folder;
    TQtDialogs Dialogs;
    TShell Shell;
    TSystemClock Clock;
    TFrmMain Window;
};

void KeystrokeWithRefresh(benchmark::State& state)
{
    TWindow w(int(state.range(0)));
    QWidget& control = w.Window.Editor->Control();
    for (auto _ : state) {
        // Typed into the control, which reports the change and the new caret to the window.
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(&control, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(&control, &release);
    }
    state.counters["characters"] = w.Window.Editor->TextLength();
}

// From the file on disk to the first page painted in the window.
void OpenToFirstPaint(benchmark::State& state)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("big.rtf"));
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(GeneratedDocument(int(state.range(0))));
    }
    TQtDialogs dialogs;
    TShell shell;
    TSystemClock clock;
    TFrmMain window(dialogs, shell, clock, folder.path());
    window.resize(1020, 700);
    window.show();
    QApplication::processEvents();
    QImage screen(window.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        window.OpenDocumentFrom(path);
        window.Editor->Control().viewport()->render(&screen);
    }
}

// Replace All of 10,000 occurrences spread over the document, undone between runs.
void ReplaceAll(benchmark::State& state)
{
    TWindow w(int(state.range(0)));
    TRichEditControl& control = w.Window.Editor->Control();
    LONG count = 0;
    for (auto _ : state) {
        // "page" stands 10 times on each of the 1000 pages.
        count = control.ReplaceAll(FR_DOWN | FR_MATCHCASE | FR_WHOLEWORD, { 0, -1 }, QStringLiteral("page"),
            QStringLiteral("folio"));
        state.PauseTiming();
        control.Undo();
        state.ResumeTiming();
    }
    state.counters["replaced"] = double(count);
}

void WholeTextAndCount(benchmark::State& state)
{
    TWindow w(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(CountWords(w.Window.Editor->Text()));
}

void CountOnly(benchmark::State& state)
{
    TWindow w(int(state.range(0)));
    const QString text = w.Window.Editor->Text();
    for (auto _ : state)
        benchmark::DoNotOptimize(CountWords(text));
}

} // namespace

BENCHMARK(KeystrokeWithRefresh)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenToFirstPaint)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ReplaceAll)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(WholeTextAndCount)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(CountOnly)->Arg(1000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return RunBenchmarks(argc, argv); }
