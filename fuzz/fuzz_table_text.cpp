// libFuzzer target: any bytes read as a table builder text file give a table or a clear error, and a
// table read and written again reads back with the same counts and cells.
#include "DllFormU.h"
#include "FuzzSupport.h"
#include "GridPrintRender.h"
#include "Errors.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    TTableImport read;
    try {
        read = ParseTableTextFile(bytes);
    } catch (const EConvertError&) {
        return 0;
    }
    Require(read.ColCount >= 1 && read.ColCount <= MaxTableCells && read.RowCount >= 1 && read.RowCount <= MaxTableCells);
    TGridTable table;
    table.ColCount = read.ColCount;
    table.RowCount = read.RowCount;
    table.Cells = read.Cells;
    (void)TableCsv(table);
    const TTableImport again = ParseTableTextFile(TableTextFile(table));
    Require(again.ColCount == read.ColCount && again.RowCount == read.RowCount);
    for (int c = 0; c < read.ColCount; ++c)
        for (int r = 0; r < read.RowCount; ++r)
            Require(again.Cells[c][r] == read.Cells[c][r]);
    return 0;
}
