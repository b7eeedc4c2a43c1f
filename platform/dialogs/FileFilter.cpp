// FileFilter.cpp: conversion of the platform's filter strings and the default-extension rule.
#include "FileFilter.h"

namespace {

// "*.*" means every file on the platform; here it would ask for a dot in the name.
QString QtPattern(const QString& pattern) { return pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern; }

QStringList SplitPatterns(QStringView text)
{
    QStringList patterns;
    for (QStringView part : text.split(u';')) {
        const QStringView pattern = part.trimmed();
        if (!pattern.isEmpty())
            patterns.append(pattern.toString());
    }
    return patterns;
}

// A description that already ends in its own patterns, as in "Rich Text (*.rtf)", loses that tail:
// Qt reads the patterns from the last parentheses and we add them again in its spelling.
QString DescriptionWithoutPatterns(const QString& description, const QStringList& patterns)
{
    const QString text = description.trimmed();
    const qsizetype open = text.lastIndexOf(u'(');
    if (open < 0 || !text.endsWith(u')'))
        return text;
    QString inner = text.mid(open + 1, text.size() - open - 2);
    inner.replace(u',', u';').replace(u' ', u';');
    if (SplitPatterns(inner) != patterns)
        return text;
    return text.left(open).trimmed();
}

bool IsPlainExtension(QStringView extension)
{
    return !extension.isEmpty() && !extension.contains(u'*') && !extension.contains(u'?') && !extension.contains(u'[')
        && !extension.contains(u'.');
}

}

TFileFilter::TFileFilter(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        FEntries.append(TFilterEntry { parts[i], SplitPatterns(parts[i + 1]) });
}

int TFileFilter::ValidIndex(int index) const { return index >= 1 && index <= Count() ? index : 1; }

QString TFileFilter::QtFilter(int index) const
{
    if (FEntries.isEmpty())
        return {};
    const TFilterEntry& entry = Entry(index);
    QStringList patterns;
    for (const QString& pattern : entry.Patterns)
        patterns.append(QtPattern(pattern));
    if (patterns.isEmpty())
        patterns.append(QStringLiteral("*"));
    QString description = DescriptionWithoutPatterns(entry.Description, entry.Patterns);
    description.replace(QLatin1String(";;"), QLatin1String("; ")); // Qt's separator of filters
    const QString list = u'(' + patterns.join(u' ') + u')';
    return description.isEmpty() ? list : description + u' ' + list;
}

QStringList TFileFilter::QtFilters() const
{
    QStringList filters;
    for (int i = 1; i <= Count(); ++i)
        filters.append(QtFilter(i));
    return filters;
}

int TFileFilter::IndexOfQtFilter(const QString& qtFilter) const
{
    for (int i = 1; i <= Count(); ++i) {
        if (QtFilter(i) == qtFilter)
            return i;
    }
    return 0;
}

QString TFileFilter::WithDefaultExtension(const QString& fileName, int index, const QString& defaultExt) const
{
    QString extension = defaultExt.startsWith(u'.') ? defaultExt.mid(1) : defaultExt;
    const QString name = fileName.section(u'/', -1);
    if (extension.isEmpty() || name.isEmpty() || name.contains(u'.'))
        return fileName;
    if (!FEntries.isEmpty() && !Entry(index).Patterns.isEmpty()) {
        const QString& first = Entry(index).Patterns.front();
        if (first.startsWith(QLatin1String("*.")) && IsPlainExtension(QStringView(first).mid(2)))
            extension = first.mid(2);
    }
    return fileName + u'.' + extension;
}
