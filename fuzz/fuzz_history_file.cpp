// libFuzzer target: any bytes read as the document history give entries or EFOpenError; the entries
// written back read to the same list.
#include "Errors.h"
#include "FuzzSupport.h"
#include "History.h"

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    StartHeadlessApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString path = ScratchFile(bytes, QStringLiteral("WrdFileList.dat"));
    QStringList entries;
    try {
        entries = ReadHistoryFile(path);
    } catch (const EFOpenError&) {
        return 0;
    }
    for (const QString& entry : entries)
        Require(!entry.isEmpty() && !entry.contains(u'\n'));
    WriteHistoryFile(path, entries);
    Require(ReadHistoryFile(path) == entries);
    return 0;
}
