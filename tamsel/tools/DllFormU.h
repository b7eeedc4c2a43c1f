#pragma once
// DllFormU.h: the table builder: a grid of at most 20 x 20 cells with fonts, colours, widths, heights
// and column alignment, inserted into the document as a bitmap or a metafile picture, saved as a
// picture file, and imported or exported as a table text file or CSV.
#include "GridPrintRender.h"

#include <QByteArray>
#include <QDialog>
#include <QImage>

#include <functional>

class IDialogs;
class QLabel;
class QLineEdit;
class QTableWidget;
class TRtSpinEdit;
class TSkinButton;
class TSkinCheckBox;

// Table text files are at most this large, with lines of at most this many bytes.
constexpr qint64 MaxTableFileBytes = 4 * 1024 * 1024;
constexpr int MaxTableLineBytes = 64 * 1024;

/// The table text file: column count, row count, then the cells column by column, one per line,
/// lines ending in CR LF, UTF-8.
QByteArray TableTextFile(const TGridTable& table);
/// One line per row, cells joined by commas; cells with a space, control character, comma or double
/// quote quoted with inner quotes doubled; a row of one empty cell is "".
QByteArray TableCsv(const TGridTable& table);

struct TTableImport {
    int ColCount = 1;
    int RowCount = 1;
    std::array<std::array<QString, MaxTableCells>, MaxTableCells> Cells {};
};
/// Reads a whole table text file (UTF-8, or Windows-1252 when the bytes are not UTF-8). The counts
/// are limited to 1..20; cells are placed with the stated row count as stride and those outside
/// 20 x 20 dropped; missing lines leave cells empty. Throws EConvertError when a count is not a whole
/// number, the file is too large or a line too long.
TTableImport ParseTableTextFile(const QByteArray& bytes);

/// Encodes the picture as a baseline JPEG at quality 100; throws EConvertError.
QByteArray EncodeJpeg(const QImage& image);

class TDllForms : public QDialog {
    Q_OBJECT
public:
    explicit TDllForms(IDialogs& dialogs, QWidget* parent = nullptr);
    ~TDllForms() override;

    bool InsertRequest() const { return FInsertRequest; }
    void ClearInsertRequest() { FInsertRequest = false; }
    const TGridTable& Table() const { return FTable; }
    TPgGridPrint& Renderer() { return FRenderer; }

    /// The visible cell area of the grid as it shows, with the left and top edges drawn.
    QImage GridSnapshot();
    /// The current cell, or (0, 0) when none.
    int CurrentColumn() const;
    int CurrentRow() const;
    void SetCurrentCell(int column, int row);

    void Edit1Enter();
    void btnClearTabelClick();
    void SpeedButton1Click();
    void chkAutoHeightClick();
    void uxToolButton1Click();
    void uxToolButton2Click();
    void SetColWidthStep(int delta);
    void SetColWidthEnter();
    void SetRowHeightStep(int delta);
    void SetRowHeightEnter();
    void btnImportClick();
    void btnExportClick();
    void btnInsertClick();
    void SkButton6Click();
    void btnEmfClick();
    void SkButton7Click();
    void ColCountChange();
    void RowCountChange();
    void chkColHClick();
    void chkRowHClick();
    void AlignClick(TColumnAlignment alignment);
    void chkColCClick();
    void chkRowCClick();
    void uxButton5Click(); // column colour
    void uxButton6Click(); // row colour
    void SkButton3Click(); // table font
    void SkButton4Click(); // header font
    void SkButton5Click(); // header colour

    /// Imports a table text file: the whole file is read and checked first, so a failure leaves the
    /// table as it was.
    void ImportFile(const QString& path);
    /// Writes the text format for ".txt", CSV for ".csv" (letter case ignored), nothing otherwise.
    void ExportFile(const QString& path);
    /// Saves the table as a picture: 1 BMP and 2 JPEG of the snapshot, 3 EMF; throws on failure.
    void SavePicture(const QString& path, int filterIndex, const QImage& snapshot);

    QLineEdit* Edit1 = nullptr;
    TSkinButton* btnClearTabel = nullptr;
    QTableWidget* StringGrid1 = nullptr;
    TSkinButton* SpeedButton1 = nullptr;
    TSkinCheckBox* chkAutoHeight = nullptr;
    QLabel* Label3 = nullptr;
    TSkinButton* uxToolButton1 = nullptr;
    TSkinButton* uxToolButton2 = nullptr;
    TRtSpinEdit* SetColWidth = nullptr;
    TRtSpinEdit* SetRowHeight = nullptr;
    TSkinButton* btnImport = nullptr;
    TSkinButton* btnExport = nullptr;
    TSkinButton* btnInsert = nullptr;
    TSkinButton* SkButton6 = nullptr;
    TSkinButton* btnEmf = nullptr;
    TSkinButton* SkButton7 = nullptr;
    TRtSpinEdit* ColCount = nullptr;
    TRtSpinEdit* RowCount = nullptr;
    TSkinCheckBox* chkColH = nullptr;
    TSkinCheckBox* chkRowH = nullptr;
    TSkinButton* btnAlignLeft = nullptr;
    TSkinButton* btnAlignCenter = nullptr;
    TSkinButton* btnAlignRight = nullptr;
    TSkinCheckBox* chkColC = nullptr;
    TSkinCheckBox* chkRowC = nullptr;
    TSkinButton* uxButton5 = nullptr;
    TSkinButton* uxButton6 = nullptr;
    TSkinButton* SkButton3 = nullptr;
    TSkinButton* SkButton4 = nullptr;
    TSkinButton* SkButton5 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SyncGrid();
    void RefreshStatus();
    void RunAutoHeight();
    void SetColourSlot(bool row);
    void Guard(const std::function<void()>& command);

    IDialogs& FDialogs;
    TGridTable FTable;
    TPgGridPrint FRenderer;
    bool FInsertRequest = false;
    bool FSyncing = false;
};
