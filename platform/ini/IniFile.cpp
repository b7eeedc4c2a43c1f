// IniFile.cpp: reading, editing and writing initialisation files. Untouched lines, comments included,
// are written back exactly as they were read.
#include "IniFile.h"

#include "Errors.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <limits>

namespace {

const QByteArray Utf8ByteOrderMark("\xEF\xBB\xBF");

// Code points of Windows-1252 bytes 0x80..0x9F; the five unassigned bytes map to themselves, as the
// platform's own conversion does.
constexpr char16_t Cp1252High[32] = {
    0x20AC,
    0x0081,
    0x201A,
    0x0192,
    0x201E,
    0x2026,
    0x2020,
    0x2021,
    0x02C6,
    0x2030,
    0x0160,
    0x2039,
    0x0152,
    0x008D,
    0x017D,
    0x008F,
    0x0090,
    0x2018,
    0x2019,
    0x201C,
    0x201D,
    0x2022,
    0x2013,
    0x2014,
    0x02DC,
    0x2122,
    0x0161,
    0x203A,
    0x0153,
    0x009D,
    0x017E,
    0x0178,
};

QString StringFromCp1252(const QByteArray& bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        text[i] = QChar(byte >= 0x80 && byte <= 0x9F ? Cp1252High[byte - 0x80] : char16_t(byte));
    }
    return text;
}

// A value, key or section name must not break the line structure of the file.
QString OneLine(const QString& text)
{
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(u'\r', u' ');
    line.replace(u'\n', u' ');
    return line;
}

int DigitValue(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return 99;
}

}

bool IntegerFromIniValue(const QString& text, int& value)
{
    QStringView digits = QStringView(text).trimmed();
    bool negative = false;
    if (digits.startsWith(u'-') || digits.startsWith(u'+')) {
        negative = digits.front() == u'-';
        digits = digits.mid(1);
    }
    int base = 10;
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        digits = digits.mid(2);
    } else if (digits.startsWith(u'$')) {
        base = 16;
        digits = digits.mid(1);
    }
    if (digits.isEmpty())
        return false;
    // Hexadecimal takes the full 32 bits, so colour values written as 0x80000005 read back.
    const qint64 limit = base == 16 ? qint64(std::numeric_limits<quint32>::max())
                                    : qint64(std::numeric_limits<int>::max()) + (negative ? 1 : 0);
    qint64 magnitude = 0;
    for (QChar c : digits) {
        const int digit = DigitValue(c);
        if (digit >= base)
            return false;
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            return false;
    }
    const qint64 result = negative ? -magnitude : magnitude;
    value = base == 16 ? int(quint32(result)) : int(result);
    return true;
}

TIniFile::TIniFile(QString fileName)
    : FFileName(std::move(fileName))
{
    Reload();
}

void TIniFile::Reload()
{
    FSections.assign(1, TSection());
    FLineEnd = QStringLiteral("\n");
    FByteOrderMark = false;

    QFile file(FFileName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QByteArray bytes = file.read(MaxFileSize + 1); // also bounds devices that report no size
    if (bytes.size() > MaxFileSize || bytes.count('\n') > MaxLines)
        return;
    if (bytes.startsWith(Utf8ByteOrderMark)) {
        FByteOrderMark = true;
        bytes.remove(0, Utf8ByteOrderMark.size());
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError())
        text = StringFromCp1252(bytes);
    Parse(text);
}

void TIniFile::Parse(const QString& text)
{
    const qsizetype firstBreak = text.indexOf(u'\n');
    if (firstBreak > 0 && text[firstBreak - 1] == u'\r')
        FLineEnd = QStringLiteral("\r\n");

    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast(); // the final line end does not start another line
    for (QString& line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        TEntry entry;
        entry.Text = line;
        if (line.size() <= MaxLineLength) {
            const QString trimmed = line.trimmed();
            if (trimmed.startsWith(u'[')) {
                const qsizetype close = trimmed.indexOf(u']');
                TSection section;
                section.Name = (close < 0 ? trimmed.mid(1) : trimmed.mid(1, close - 1)).trimmed();
                section.Header = line;
                FSections.push_back(std::move(section));
                continue;
            }
            const qsizetype equals = trimmed.indexOf(u'=');
            if (!trimmed.startsWith(u';') && equals > 0) {
                entry.Key = trimmed.left(equals).trimmed();
                entry.Value = trimmed.mid(equals + 1).trimmed();
                entry.IsKey = !entry.Key.isEmpty();
            }
        }
        FSections.back().Entries.push_back(std::move(entry));
    }
}

bool TIniFile::IsBlank(const TEntry& entry) { return !entry.IsKey && entry.Text.trimmed().isEmpty(); }

const TIniFile::TSection* TIniFile::FindSection(const QString& section) const
{
    for (std::size_t i = 1; i < FSections.size(); ++i) {
        if (FSections[i].Name.compare(section, Qt::CaseInsensitive) == 0)
            return &FSections[i];
    }
    return nullptr;
}

TIniFile::TSection* TIniFile::FindSection(const QString& section)
{
    return const_cast<TSection*>(std::as_const(*this).FindSection(section));
}

const TIniFile::TEntry* TIniFile::FindEntry(const TSection& section, const QString& key)
{
    for (const TEntry& entry : section.Entries) {
        if (entry.IsKey && entry.Key.compare(key, Qt::CaseInsensitive) == 0)
            return &entry;
    }
    return nullptr;
}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const
{
    const TSection* found = FindSection(section);
    const TEntry* entry = found ? FindEntry(*found, key) : nullptr;
    if (!entry)
        return defaultValue;
    const QString& value = entry->Value;
    // The platform drops one pair of quotes around a whole value.
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    const QString sectionName = OneLine(section).trimmed();
    const QString keyName = OneLine(key).trimmed();
    TSection* target = FindSection(sectionName);
    if (!target) {
        TSection& last = FSections.back();
        const bool hasContent = FSections.size() > 1 || !last.Entries.empty();
        if (hasContent && (last.Entries.empty() || !IsBlank(last.Entries.back())))
            last.Entries.push_back(TEntry { false, {}, {}, QStringLiteral("") });
        FSections.push_back(TSection { sectionName, {}, {} });
        target = &FSections.back();
    }
    if (auto* entry = const_cast<TEntry*>(FindEntry(*target, keyName))) {
        entry->Value = OneLine(value).trimmed();
        entry->Text = QString();
        return;
    }
    // After the section's last key, so that blank lines and comments before the next section stay
    // where they are.
    auto& entries = target->Entries;
    auto position = entries.begin();
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (it->IsKey)
            position = it + 1;
    }
    if (position == entries.begin()) {
        for (auto it = entries.begin(); it != entries.end(); ++it) {
            if (!IsBlank(*it))
                position = it + 1;
        }
    }
    entries.insert(position, TEntry { true, keyName, OneLine(value).trimmed(), QString() });
}

int TIniFile::ReadInteger(const QString& section, const QString& key, int defaultValue) const
{
    int value = 0;
    return IntegerFromIniValue(ReadString(section, key, QString()), value) ? value : defaultValue;
}

void TIniFile::WriteInteger(const QString& section, const QString& key, int value)
{
    WriteString(section, key, QString::number(value));
}

bool TIniFile::ReadBool(const QString& section, const QString& key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteBool(const QString& section, const QString& key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool TIniFile::SectionExists(const QString& section) const { return !ReadSection(section).isEmpty(); }

bool TIniFile::ValueExists(const QString& section, const QString& key) const
{
    const TSection* found = FindSection(section);
    return found && FindEntry(*found, key);
}

QStringList TIniFile::ReadSection(const QString& section) const
{
    QStringList keys;
    if (const TSection* found = FindSection(section)) {
        for (const TEntry& entry : found->Entries) {
            if (entry.IsKey && !keys.contains(entry.Key, Qt::CaseInsensitive))
                keys.append(entry.Key);
        }
    }
    return keys;
}

QStringList TIniFile::ReadSections() const
{
    QStringList names;
    for (std::size_t i = 1; i < FSections.size(); ++i) {
        if (!names.contains(FSections[i].Name, Qt::CaseInsensitive))
            names.append(FSections[i].Name);
    }
    return names;
}

void TIniFile::EraseSection(const QString& section)
{
    for (std::size_t i = FSections.size() - 1; i >= 1; --i) {
        if (FSections[i].Name.compare(section, Qt::CaseInsensitive) == 0)
            FSections.erase(FSections.begin() + std::ptrdiff_t(i));
    }
}

void TIniFile::DeleteKey(const QString& section, const QString& key)
{
    if (TSection* found = FindSection(section)) {
        std::erase_if(found->Entries,
            [&key](const TEntry& entry) { return entry.IsKey && entry.Key.compare(key, Qt::CaseInsensitive) == 0; });
    }
}

QString TIniFile::Serialize() const
{
    QString text;
    for (std::size_t i = 0; i < FSections.size(); ++i) {
        const TSection& section = FSections[i];
        if (i > 0)
            text += (section.Header.isNull() ? u'[' + section.Name + u']' : section.Header) + FLineEnd;
        for (const TEntry& entry : section.Entries)
            text += (entry.Text.isNull() ? entry.Key + u'=' + entry.Value : entry.Text) + FLineEnd;
    }
    return text;
}

void TIniFile::UpdateFile()
{
    QByteArray bytes = FByteOrderMark ? Utf8ByteOrderMark : QByteArray();
    bytes += Serialize().toUtf8();
    QSaveFile file(FFileName);
    if (!file.open(QIODevice::WriteOnly))
        throw EFCreateError(FFileName);
    // commit() can miss a failure of the final buffered write (a full disk), so flush first.
    if (file.write(bytes) != bytes.size() || !file.flush() || !file.commit())
        throw EFCreateError(FFileName);
}
