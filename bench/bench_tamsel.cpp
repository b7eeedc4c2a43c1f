// Tamsel's main window on a document of 1000 pages: one keystroke with the refresh of the side panel
// and the counts that follows it, and the word count alone.
#include "BenchSupport.h"
#include "Clock.h"
#include "History.h"
#include "Main.h"
#include "QtDialogs.h"
#include "Shell.h"
#include "TextCommands.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBuffer>
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

BENCHMARK(KeystrokeWithRefresh)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(WholeTextAndCount)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(CountOnly)->Arg(1000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return RunBenchmarks(argc, argv); }
