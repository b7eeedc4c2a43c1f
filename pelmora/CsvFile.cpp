// CsvFile.cpp: reading and writing the comma-separated data file.
#include "CsvFile.h"

#include "AtomicFile.h"
#include "Errors.h"
#include "RtfCodePages.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {

// A data file bigger than this is no spreadsheet export; refusing it beats exhausting memory.
constexpr qint64 MaxFileSize = qint64(512) * 1024 * 1024;

// What one letter can hold; a larger field, a wider record or more values than a merge could ever
// print are refused before they take the memory (a file of commas alone is millions of fields).
constexpr qsizetype MaxFieldLength = 1024 * 1024;
constexpr qsizetype MaxFieldsPerRecord = 4096;
constexpr qsizetype MaxFieldsInFile = 4 * 1024 * 1024;

[[noreturn]] void FieldTooLong(int line, qsizetype field)
{
    throw EConvertError(QStringLiteral("Line %1: field %2 is longer than %3 characters")
                            .arg(line)
                            .arg(field)
                            .arg(MaxFieldLength));
}

} // namespace

QString CsvTextFromBytes(const QByteArray& bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    return TextFromUtf8OrWindows1252(view.toByteArray());
}

std::vector<QStringList> ParseCsvRecords(const QString& text)
{
    std::vector<QStringList> records;
    const qsizetype size = text.size();
    const QChar* data = text.constData();
    qsizetype i = 0;
    int line = 1;
    qsizetype fieldsInFile = 0;
    while (i < size) {
        // At the start of a line: blank lines are no records, Ctrl-Z ends the file.
        if (data[i] == QChar(26))
            break;
        if (data[i] == u'\r' || data[i] == u'\n') {
            if (data[i] == u'\r' && i + 1 < size && data[i + 1] == u'\n')
                ++i;
            ++i;
            ++line;
            continue;
        }
        QStringList fields;
        QString field;
        bool endOfRecord = false;
        while (!endOfRecord) {
            if (i < size && data[i] == u'"') {
                const int quoteLine = line;
                ++i;
                bool closed = false;
                while (i < size) {
                    if (data[i] == u'"') {
                        if (i + 1 < size && data[i + 1] == u'"') {
                            field += u'"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        closed = true;
                        break;
                    }
                    if (data[i] == u'\n' || (data[i] == u'\r' && (i + 1 >= size || data[i + 1] != u'\n')))
                        ++line;
                    if (field.size() >= MaxFieldLength)
                        FieldTooLong(quoteLine, fields.size() + 1);
                    field += data[i];
                    ++i;
                }
                if (!closed)
                    throw EConvertError(
                        QStringLiteral("Line %1: a quoted field is not closed before the end of the file").arg(quoteLine));
                if (i < size && data[i] != u',' && data[i] != u'\r' && data[i] != u'\n')
                    throw EConvertError(QStringLiteral("Line %1: text after the closing quote of field %2")
                                            .arg(line)
                                            .arg(fields.size() + 1));
            } else {
                // An unquoted field: quotes in it are ordinary characters.
                const qsizetype start = i;
                while (i < size && data[i] != u',' && data[i] != u'\r' && data[i] != u'\n')
                    ++i;
                if (i - start > MaxFieldLength)
                    FieldTooLong(line, fields.size() + 1);
                field = QString(data + start, i - start);
            }
            if (fields.size() >= MaxFieldsPerRecord)
                throw EConvertError(
                    QStringLiteral("Line %1: a record has more than %2 fields").arg(line).arg(MaxFieldsPerRecord));
            if (++fieldsInFile > MaxFieldsInFile)
                throw EConvertError(
                    QStringLiteral("Line %1: the data holds more than %2 fields").arg(line).arg(MaxFieldsInFile));
            fields << field;
            field.clear();
            if (i < size && data[i] == u',') {
                ++i;
                continue;
            }
            endOfRecord = true;
            if (i < size) {
                if (data[i] == u'\r' && i + 1 < size && data[i + 1] == u'\n')
                    ++i;
                ++i;
                ++line;
            }
        }
        records.push_back(std::move(fields));
    }
    return records;
}

TCsvTable ParseCsv(const QString& text)
{
    TCsvTable table;
    std::vector<QStringList> rows = ParseCsvRecords(text);
    if (rows.empty())
        return table;
    table.Names = rows.front();
    if (!table.Names.isEmpty() && table.Names.back().isEmpty())
        table.Names.removeLast();
    table.Records.assign(std::make_move_iterator(rows.begin() + 1), std::make_move_iterator(rows.end()));
    return table;
}

TCsvTable ReadCsvFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(path);
    if (file.size() > MaxFileSize)
        throw EConvertError(QStringLiteral("%1 is too large for a data file").arg(QFileInfo(path).fileName()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EFOpenError(path);
    try {
        return ParseCsv(CsvTextFromBytes(bytes));
    } catch (const EConvertError& error) {
        throw EConvertError(QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), MessageOf(error)));
    }
}

QString TokenFromFieldName(const QString& name)
{
    // Accented letters too: a template names the field "[PRÉNOM]", not "[PRéNOM]".
    return u'[' + name.toUpper() + u']';
}

QString FieldNameFromToken(const QString& token)
{
    QString name = token;
    if (name.startsWith(u'['))
        name.remove(0, 1);
    if (name.endsWith(u']'))
        name.chop(1);
    return name;
}

QString CsvLine(const QStringList& fields)
{
    QStringList quoted;
    quoted.reserve(fields.size());
    for (const QString& field : fields) {
        if (field.contains(u',') || field.contains(u'"') || field.contains(u'\r') || field.contains(u'\n')
            || (fields.size() == 1 && field.isEmpty())) {
            QString copy = field;
            copy.replace(u'"', QStringLiteral("\"\""));
            quoted << u'"' + copy + u'"';
        } else {
            quoted << field;
        }
    }
    return quoted.join(u',');
}

QByteArray CsvBytes(const QStringList& names, const std::vector<QStringList>& records)
{
    QString text = CsvLine(names) + QStringLiteral("\r\n");
    for (const QStringList& record : records)
        text += CsvLine(record) + QStringLiteral("\r\n");
    return text.toUtf8();
}

void WriteCsvFile(const QString& path, const QStringList& names, const std::vector<QStringList>& records)
{
    WriteFileAtomically(path, CsvBytes(names, records));
}

QString TMergeFieldSource::Value(int record, const QString& field) const
{
    const qsizetype column = Tokens.indexOf(field);
    if (column < 0 || record < 1 || std::size_t(record) > Records.size())
        return QString();
    const QStringList& fields = Records[std::size_t(record) - 1];
    return column < fields.size() ? fields[column] : QString();
}
