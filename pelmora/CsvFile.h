#pragma once
// CsvFile.h: the comma-separated data file: a header of field names, then one record per line.
// Quoted fields hold commas, doubled quotes and line breaks; lines end in CR LF, LF or CR.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

struct TCsvTable {
    QStringList Names; ///< the header's field names
    std::vector<QStringList> Records;
};

/// Text of a data file: a UTF-8 byte-order mark dropped; UTF-8, or Windows-1252 when the bytes are
/// not valid UTF-8.
QString CsvTextFromBytes(const QByteArray& bytes);

/// The records of the text; a blank line is no record; a Ctrl-Z at the start of a line ends the text.
/// Throws EConvertError naming the line of a quoted field left open or of text after a closing quote,
/// of a field over a million characters, of a record over 4096 fields, or where the fields of the
/// whole text pass four million.
std::vector<QStringList> ParseCsvRecords(const QString& text);
/// The header and the records. A trailing empty name of the header is no field.
TCsvTable ParseCsv(const QString& text);
/// Reads the file; EFOpenError when it cannot be read, EConvertError when it is damaged.
TCsvTable ReadCsvFile(const QString& path);

/// "[NAME]" for the name: brackets around it, its letters made upper case.
QString TokenFromFieldName(const QString& name);
/// The name for a token: only a leading "[" and a trailing "]" are removed.
QString FieldNameFromToken(const QString& token);

/// One record as a line: fields quoted when they hold a comma, a quote or a line break.
QString CsvLine(const QStringList& fields);
/// Header and records, lines ending in CR LF, as UTF-8.
QByteArray CsvBytes(const QStringList& names, const std::vector<QStringList>& records);
/// Writes atomically; EFCreateError when it cannot.
void WriteCsvFile(const QString& path, const QStringList& names, const std::vector<QStringList>& records);

/// The value of a field for a record: empty for a missing field, so a short record never repeats
/// another field. Fields past the header are ignored.
struct TMergeFieldSource {
    QStringList Tokens;
    std::vector<QStringList> Records;
    /// The value of token field for record (1-based); empty when the token or field is missing.
    QString Value(int record, const QString& field) const;
};
