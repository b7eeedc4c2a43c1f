// libFuzzer target: any bytes read as an initialisation file give values without a crash; what is
// written back reads to the same sections, keys and values, and a value written reads back as given.
#include "FuzzSupport.h"
#include "IniFile.h"

#include <QCoreApplication>

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication application(*argc, *argv);
    return 0;
}

namespace {

QStringList Contents(const TIniFile& ini)
{
    QStringList all;
    for (const QString& section : ini.ReadSections())
        for (const QString& key : ini.ReadSection(section))
            all << section + u'\x1' + key + u'\x1' + ini.ReadString(section, key, QStringLiteral("\x2"));
    return all;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString path = ScratchFile(bytes, QStringLiteral("Settings.ini"));
    TIniFile ini(path);
    const QStringList before = Contents(ini);
    int number = 0;
    for (const QString& section : ini.ReadSections())
        for (const QString& key : ini.ReadSection(section))
            (void)IntegerFromIniValue(ini.ReadString(section, key, QString()), number);
    ini.UpdateFile();
    const TIniFile reread(path);
    Require(Contents(reread) == before);

    ini.WriteString(QStringLiteral("Fuzz"), QStringLiteral("Value"), QStringLiteral("text with = and ; inside"));
    ini.WriteInteger(QStringLiteral("Fuzz"), QStringLiteral("Number"), -12345);
    ini.UpdateFile();
    const TIniFile written(path);
    Require(written.ReadString(QStringLiteral("fuzz"), QStringLiteral("value"), QString())
        == ini.ReadString(QStringLiteral("Fuzz"), QStringLiteral("Value"), QString()));
    Require(written.ReadInteger(QStringLiteral("Fuzz"), QStringLiteral("Number"), 0)
        == ini.ReadInteger(QStringLiteral("Fuzz"), QStringLiteral("Number"), 0));
    return 0;
}
