// TerminalProgress.cpp: a progress line rewritten with a carriage return.
#include "TerminalProgress.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

bool StandardErrorIsTerminal()
{
#ifdef Q_OS_UNIX
    return isatty(STDERR_FILENO) != 0;
#else
    return false;
#endif
}

} // namespace

TTerminalProgress::TTerminalProgress()
    : FStream(StandardErrorIsTerminal() ? stderr : nullptr)
{
}

TTerminalProgress::TTerminalProgress(std::FILE* stream, bool shown)
    : FStream(shown ? stream : nullptr)
{
}

TTerminalProgress::~TTerminalProgress() { Finish(); }

QString TTerminalProgress::LineText(const QString& task, int percent, int done, int total, const QString& unit)
{
    const QString count = total > 0 ? QStringLiteral("%1 %2 of %3").arg(unit).arg(done).arg(total)
                                    : QStringLiteral("%1 %2").arg(unit).arg(done);
    return QStringLiteral("%1: %2% (%3)").arg(task).arg(qBound(0, percent, 100)).arg(count);
}

void TTerminalProgress::Update(const QString& task, int done, int total, const QString& unit)
{
    if (!FStream)
        return;
    const int percent = total > 0 ? int(qint64(done) * 100 / total) : 0;
    Write(LineText(task, percent, done, total, unit));
}

void TTerminalProgress::UpdatePercent(const QString& task, int percent, int done, const QString& unit)
{
    if (FStream)
        Write(LineText(task, percent, done, 0, unit));
}

void TTerminalProgress::Write(const QString& line)
{
    // A shorter line is padded over the end of the longer one before it.
    const QByteArray text = line.toLocal8Bit();
    const qsizetype padding = qMax<qsizetype>(0, FLastLength - text.size());
    std::fprintf(FStream, "\r%s%*s", text.constData(), int(padding), "");
    std::fflush(FStream);
    FLastLength = text.size();
    FOpen = true;
}

void TTerminalProgress::Finish()
{
    if (!FStream || !FOpen)
        return;
    std::fputc('\n', FStream);
    std::fflush(FStream);
    FOpen = false;
    FLastLength = 0;
}
