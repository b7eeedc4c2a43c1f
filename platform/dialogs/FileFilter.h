#pragma once
// FileFilter.h: the platform's file dialog filters ("Description|*.a;*.b|...") in Qt's terms.
#include <QList>
#include <QString>
#include <QStringList>

struct TFilterEntry {
    QString Description;
    QStringList Patterns; // as written: "*.rtf", "*.*"
};

class TFileFilter {
public:
    /// A description left without its pattern at the end is dropped, as the platform does.
    explicit TFileFilter(const QString& filter);

    int Count() const { return int(FEntries.size()); }
    /// 1-based; an index out of range selects the first entry.
    int ValidIndex(int index) const;
    const TFilterEntry& Entry(int index) const { return FEntries[ValidIndex(index) - 1]; }
    /// One Qt name filter per entry, in order: "Rich Text (*.rtf)", "All (*)".
    QStringList QtFilters() const;
    QString QtFilter(int index) const;
    /// The 1-based index of one of our Qt name filters, or 0.
    int IndexOfQtFilter(const QString& qtFilter) const;
    /// The file name with an extension added when its last component has none: that of the entry's
    /// first pattern when it names one, else the default extension. No default extension, no change.
    QString WithDefaultExtension(const QString& fileName, int index, const QString& defaultExt) const;

private:
    QList<TFilterEntry> FEntries;
};
