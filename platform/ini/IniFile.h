#pragma once
// IniFile.h: initialisation files in the platform's layout, held in memory and written back whole.
#include <QString>
#include <QStringList>

#include <vector>

class TIniFile {
public:
    /// Files larger than this, or with more lines, are not read: they give defaults, and UpdateFile
    /// replaces them.
    static constexpr qint64 MaxFileSize = 4 * 1024 * 1024;
    static constexpr int MaxLines = 100000;
    /// Longer lines are kept as they are but never taken for a section or key.
    static constexpr int MaxLineLength = 64 * 1024;

    /// Reads the file now. A missing, unreadable or oversized file reads as empty; nothing throws.
    explicit TIniFile(QString fileName);

    const QString& FileName() const { return FFileName; }
    /// Reads the file again, dropping changes not yet written.
    void Reload();
    /// Writes the whole file atomically; throws EFCreateError and leaves the old file when that fails.
    void UpdateFile();

    // Sections and keys are matched without regard to case; the first of duplicates wins.
    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    void WriteString(const QString& section, const QString& key, const QString& value);
    /// Decimal, or hexadecimal after "0x" or "$"; blanks around the number are allowed. A missing,
    /// malformed or out-of-range value gives the default.
    int ReadInteger(const QString& section, const QString& key, int defaultValue) const;
    void WriteInteger(const QString& section, const QString& key, int value);
    /// Any non-zero integer is true; written as 1 or 0.
    bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;
    void WriteBool(const QString& section, const QString& key, bool value);

    /// True when the section holds at least one key.
    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;
    /// The keys of the section in file order, as written.
    QStringList ReadSection(const QString& section) const;
    QStringList ReadSections() const;
    void EraseSection(const QString& section);
    void DeleteKey(const QString& section, const QString& key);

private:
    struct TEntry {
        bool IsKey = false;
        QString Key; // trimmed, as written
        QString Value; // trimmed, quotes kept
        QString Text; // the line as read; null once the entry has changed
    };
    struct TSection {
        QString Name; // trimmed; the lines before the first section have no header
        QString Header; // the header line as read; null for a new section
        std::vector<TEntry> Entries;
    };

    void Parse(const QString& text);
    const TSection* FindSection(const QString& section) const;
    TSection* FindSection(const QString& section);
    static const TEntry* FindEntry(const TSection& section, const QString& key);
    static bool IsBlank(const TEntry& entry);
    QString Serialize() const;

    QString FFileName;
    std::vector<TSection> FSections; // FSections[0] holds what precedes the first section header
    QString FLineEnd = QStringLiteral("\n");
    bool FByteOrderMark = false;
};

/// The integer in the text by the rule of ReadInteger, or false.
[[nodiscard]] bool IntegerFromIniValue(const QString& text, int& value);
