#pragma once
// TerminalProgress.h: the progress line of the command-line modes: one line on standard error,
// rewritten in place, and only for a person watching a terminal, never into a log or a pipe.
#include <QString>

#include <cstdio>

class TTerminalProgress {
public:
    /// Writes to standard error when it is a terminal, else nothing.
    TTerminalProgress();
    /// Writes to the stream when shown is true; for tests.
    TTerminalProgress(std::FILE* stream, bool shown);
    /// A line left open is closed, so what follows starts on a line of its own.
    ~TTerminalProgress();
    TTerminalProgress(const TTerminalProgress&) = delete;
    TTerminalProgress& operator=(const TTerminalProgress&) = delete;

    bool Shown() const { return FStream != nullptr; }
    /// "Printing: 40% (page 2 of 5)"; a total of 0 or less shows 0%.
    void Update(const QString& task, int done, int total, const QString& unit);
    /// "Laying out: 40% (page 2)": a share known apart from the count.
    void UpdatePercent(const QString& task, int percent, int done, const QString& unit);
    /// Ends the line.
    void Finish();

    /// The text of a progress line, for tests and for the window's status.
    static QString LineText(const QString& task, int percent, int done, int total, const QString& unit);

private:
    void Write(const QString& line);

    std::FILE* FStream = nullptr;
    qsizetype FLastLength = 0;
    bool FOpen = false;
};
