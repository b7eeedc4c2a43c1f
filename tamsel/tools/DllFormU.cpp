// DllFormU.cpp: the table builder.
#include "DllFormU.h"

#include "AtomicFile.h"
#include "CommandGuard.h"
#include "Errors.h"
#include "GdiColors.h"
#include "Hints.h"
#include "RtSpinEdit.h"
#include "RtfCodePages.h"
#include "SkinButton.h"
#include "SkinCheckBox.h"
#include "SkinPanel.h"
#include "ToolClipboard.h"
#include "WindowDragger.h"

#include <QStringDecoder>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>

namespace {

const QString Crlf = QStringLiteral("\r\n");

void WriteWhole(const QString& path, const QByteArray& bytes)
{
    // Through the disk before the rename: a full disk must not leave a short file in the old one's place.
    WriteFileAtomically(path, bytes);
}

bool NeedsQuotes(const QString& cell)
{
    for (QChar character : cell)
        if (character == u' ' || character == u',' || character == u'"' || character.unicode() < 0x20
            || character.unicode() == 0x7F)
            return true;
    return false;
}

// A count line: a whole number, saturated beyond the range of int.
int CountOf(const QString& line, const char* what)
{
    const QString text = line.trimmed();
    bool digits = !text.isEmpty();
    for (int i = 0; i < text.size(); ++i)
        if (!(text[i].isDigit() && text[i].unicode() < 0x80) && !(i == 0 && (text[i] == u'-' || text[i] == u'+')))
            digits = false;
    if (!digits || text == u"-" || text == u"+")
        throw EConvertError(QStringLiteral("'%1' is not a valid %2 in the table file").arg(text.left(40), QLatin1String(what)));
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok)
        return text.startsWith(u'-') ? -1 : MaxTableCells + 1;
    return int(std::clamp<qlonglong>(value, -1, MaxTableCells + 1));
}

int StrideOf(const QString& line)
{
    bool ok = false;
    const qlonglong value = line.trimmed().toLongLong(&ok);
    if (!ok)
        return line.trimmed().startsWith(u'-') ? 1 : std::numeric_limits<int>::max();
    return int(std::clamp<qlonglong>(value, 1, std::numeric_limits<int>::max()));
}

struct TJpegDestination {
    jpeg_error_mgr Errors;
    std::jmp_buf Escape;
};

[[noreturn]] void JpegFail(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<TJpegDestination*>(info->err)->Escape, 1);
}

// The library leaves by longjmp from anywhere below the setjmp, so this frame holds no object with a
// destructor.
bool CompressJpeg(const QImage& rgb, unsigned char** output, unsigned long* size)
{
    jpeg_compress_struct info;
    TJpegDestination errors;
    info.err = jpeg_std_error(&errors.Errors);
    errors.Errors.error_exit = JpegFail;
    if (setjmp(errors.Escape)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, output, size);
    info.image_width = JDIMENSION(rgb.width());
    info.image_height = JDIMENSION(rgb.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

// Paints the grid's cells by the builder's rules; a selected cell looks like the others.
class TTableDelegate : public QStyledItemDelegate {
public:
    TTableDelegate(const TGridTable& table, QObject* parent)
        : QStyledItemDelegate(parent)
        , FTable(table)
    {
    }
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const int c = index.column();
        const int r = index.row();
        if (c >= MaxTableCells || r >= MaxTableCells)
            return;
        painter->save();
        painter->fillRect(option.rect, QColorFromColorRef(CellBackground(FTable, c, r)));
        DrawCellText(*painter, FTable, c, r, option.rect);
        if (option.state & QStyle::State_HasFocus) { // where typing goes, without a selection colour
            painter->setPen(QPen(Qt::black, 1, Qt::DotLine));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(option.rect.adjusted(1, 1, -2, -2));
        }
        painter->restore();
    }

private:
    const TGridTable& FTable;
};

QString WidthText(int pixels, int dpiX)
{
    const double millimetres = pixels / ((1440 / std::max(1, dpiX)) * 25.4 / 100);
    const QLocale locale;
    return QStringLiteral("Col Width: ") + locale.toString(millimetres, 'f', 3) + QStringLiteral(" mm") + QStringLiteral(" - ")
        + locale.toString(millimetres / 25.4, 'f', 3) + QStringLiteral(" inches");
}

} // namespace

QByteArray TableTextFile(const TGridTable& table)
{
    QString text = QString::number(table.ColCount) + Crlf + QString::number(table.RowCount) + Crlf;
    for (int c = 0; c < table.ColCount; ++c)
        for (int r = 0; r < table.RowCount; ++r)
            text += SingleLineCell(table.Cell(c, r)) + Crlf;
    return text.toUtf8();
}

QByteArray TableCsv(const TGridTable& table)
{
    QString text;
    for (int r = 0; r < table.RowCount; ++r) {
        if (table.ColCount == 1 && table.Cell(0, r).isEmpty()) {
            text += QStringLiteral("\"\"") + Crlf;
            continue;
        }
        QStringList cells;
        for (int c = 0; c < table.ColCount; ++c) {
            QString cell = table.Cell(c, r);
            if (NeedsQuotes(cell))
                cell = u'"' + cell.replace(u'"', QStringLiteral("\"\"")) + u'"';
            cells.append(cell);
        }
        text += cells.join(u',') + Crlf;
    }
    return text.toUtf8();
}

TTableImport ParseTableTextFile(const QByteArray& bytes)
{
    if (bytes.size() > MaxTableFileBytes)
        throw EConvertError(QStringLiteral("The table file is too large"));
    const bool marked = bytes.startsWith("\xEF\xBB\xBF"); // a UTF-8 byte order mark
    const QByteArray text = marked ? bytes.mid(3) : bytes;
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the last line's ending
    if (lines.size() < 2)
        throw EConvertError(QStringLiteral("The table file does not start with a column and a row count"));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].endsWith('\r'))
            lines[i].chop(1);
        if (lines[i].size() > MaxTableLineBytes)
            throw EConvertError(QStringLiteral("Line %1 of the table file is too long").arg(i + 1));
    }
    // One encoding for the whole file: UTF-8 when all of it is, else Windows-1252.
    // Invalid bytes decode to U+FFFD, which does not encode back to them. A cell may begin with
    // U+FEFF, which the usual decoding would drop as a byte order mark.
    auto fromUtf8 = [](const QByteArray& bytes) {
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        return QString(decoder(bytes));
    };
    const bool isUtf8 = marked || fromUtf8(text).toUtf8() == text;
    auto decode = [isUtf8, &fromUtf8](const QByteArray& line) {
        if (isUtf8)
            return fromUtf8(line);
        QString text(line.size(), QChar());
        for (qsizetype i = 0; i < line.size(); ++i)
            text[i] = QChar(SingleByteTable(CpAnsi)->map[static_cast<unsigned char>(line[i])]);
        return text;
    };
    TTableImport result;
    result.ColCount = std::clamp(CountOf(decode(lines[0]), "column count"), 1, MaxTableCells);
    const QString rows = decode(lines[1]);
    result.RowCount = std::clamp(CountOf(rows, "row count"), 1, MaxTableCells);
    const qlonglong stride = StrideOf(rows);
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const qlonglong index = i - 2;
        const qlonglong column = index / stride;
        const qlonglong row = index % stride;
        if (column < MaxTableCells && row < MaxTableCells)
            result.Cells[std::size_t(column)][std::size_t(row)] = SingleLineCell(decode(lines[i]));
    }
    return result;
}

QByteArray EncodeJpeg(const QImage& image)
{
    if (image.isNull())
        throw EConvertError(QStringLiteral("The picture is empty"));
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    unsigned char* output = nullptr;
    unsigned long size = 0;
    const bool done = CompressJpeg(rgb, &output, &size);
    QByteArray bytes = done && output ? QByteArray(reinterpret_cast<const char*>(output), qsizetype(size)) : QByteArray();
    std::free(output);
    if (bytes.isEmpty())
        throw EConvertError(QStringLiteral("The picture could not be encoded as JPEG"));
    return bytes;
}

// ---- the window ----

TDllForms::TDllForms(IDialogs& dialogs, QWidget* parent)
    : QDialog(parent)
    , FDialogs(dialogs)
{
    setObjectName(QStringLiteral("DllForms"));
    setWindowTitle(QStringLiteral("Tableau-Grille Tresmark"));
    setFixedSize(760, 560);

    auto button = [this](const QString& name, const QString& caption, const QRect& place, auto handler) {
        auto* made = new TSkinButton(caption, this);
        made->setObjectName(name);
        made->setGeometry(place);
        made->OnClick = [this, handler](QObject*) { Guard([this, handler] { (this->*handler)(); }); };
        return made;
    };
    auto check = [this](const QString& name, const QString& caption, bool on, const QRect& place, auto handler) {
        auto* made = new TSkinCheckBox(caption, this);
        made->setObjectName(name);
        made->SetChecked(on);
        made->setGeometry(place);
        made->OnClick = [this, handler](QObject*) { Guard([this, handler] { (this->*handler)(); }); };
        return made;
    };
    auto spin = [this](int low, int high, int step, int value, const QRect& place) {
        auto* made = new TRtSpinEdit(this);
        made->SetMinValue(low);
        made->SetMaxValue(high);
        made->SetIncrement(step);
        made->SetValue(value);
        made->setGeometry(place);
        return made;
    };

    auto* label4 = new QLabel(QStringLiteral("Insérer Texte:"), this);
    label4->setGeometry(8, 10, 90, 24);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(100, 8, 520, 28);
    connect(Edit1, &QLineEdit::returnPressed, this, [this] { Guard([this] { Edit1Enter(); }); });
    btnClearTabel = button(QStringLiteral("btnClearTabel"), QStringLiteral("X"), QRect(626, 8, 30, 28),
        &TDllForms::btnClearTabelClick);
    SetHint(*btnClearTabel, QStringLiteral("Effacer Tableau"));
    btnClearTabel->SetFlat(true);
    SpeedButton1 = button(QStringLiteral("SpeedButton1"), QStringLiteral("?"), QRect(660, 8, 30, 28),
        &TDllForms::SpeedButton1Click);
    SetHint(*SpeedButton1, QStringLiteral("Aide..."));
    SpeedButton1->SetFlat(true);

    StringGrid1 = new QTableWidget(this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setGeometry(8, 44, 560, 330);
    StringGrid1->horizontalHeader()->hide();
    StringGrid1->verticalHeader()->hide();
    StringGrid1->horizontalHeader()->setMinimumSectionSize(1);
    StringGrid1->verticalHeader()->setMinimumSectionSize(1);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setTabKeyNavigation(true);
    StringGrid1->setItemDelegate(new TTableDelegate(FTable, StringGrid1));
    StringGrid1->installEventFilter(this);
    connect(StringGrid1, &QTableWidget::currentCellChanged, this, [this](int row, int column, int, int) {
        if (FSyncing || row < 0 || column < 0)
            return;
        Edit1->setText(FTable.Cell(column, row));
        RefreshStatus();
    });
    connect(StringGrid1, &QTableWidget::cellClicked, this, [this](int, int) { Guard([this] { RunAutoHeight(); }); });
    // Typing in a cell happens in Edit1.
    connect(StringGrid1, &QTableWidget::cellDoubleClicked, this, [this](int, int) { Edit1->setFocus(); });

    chkAutoHeight = check(QStringLiteral("chkAutoHeight"), QStringLiteral("Hauteur Cellule Auto"), true,
        QRect(580, 44, 170, 24), &TDllForms::chkAutoHeightClick);
    Label3 = new QLabel(this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setGeometry(8, 378, 560, 20);
    uxToolButton1 = button(QStringLiteral("uxToolButton1"), QStringLiteral("◄"), QRect(580, 74, 30, 26),
        &TDllForms::uxToolButton1Click);
    SetHint(*uxToolButton1, QStringLiteral("Réduire Larg. Col"));
    uxToolButton2 = button(QStringLiteral("uxToolButton2"), QStringLiteral("►"), QRect(614, 74, 30, 26),
        &TDllForms::uxToolButton2Click);
    SetHint(*uxToolButton2, QStringLiteral("Augmenter Larg. Col"));
    SetColWidth = spin(10, 600, 10, DefaultColWidth, QRect(650, 74, 100, 26));
    SetHint(*SetColWidth, QStringLiteral("Fixer Larg. Cellule"));
    SetColWidth->OnTopClick = [this](QObject*) { Guard([this] { SetColWidthStep(0); }); };
    SetColWidth->OnBottomClick = [this](QObject*) { Guard([this] { SetColWidthStep(0); }); };
    SetColWidth->OnKeyDown = [this](QObject*, int& key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            Guard([this] { SetColWidthEnter(); });
    };
    SetRowHeight = spin(10, 1000, 10, DefaultRowHeight, QRect(650, 104, 100, 26));
    SetHint(*SetRowHeight, QStringLiteral("Fixer Haut. Cellule"));
    SetRowHeight->setEnabled(false);
    SetRowHeight->OnTopClick = [this](QObject*) { Guard([this] { SetRowHeightStep(0); }); };
    SetRowHeight->OnBottomClick = [this](QObject*) { Guard([this] { SetRowHeightStep(0); }); };
    SetRowHeight->OnKeyDown = [this](QObject*, int& key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            Guard([this] { SetRowHeightEnter(); });
    };

    auto* label1 = new QLabel(QStringLiteral("Colonnes"), this);
    label1->setGeometry(580, 138, 70, 24);
    ColCount = spin(1, MaxTableCells, 1, 5, QRect(650, 136, 100, 26));
    ColCount->setObjectName(QStringLiteral("ColCount"));
    ColCount->OnChange = [this](QObject*) { Guard([this] { ColCountChange(); }); };
    auto* label2 = new QLabel(QStringLiteral("Lignes"), this);
    label2->setGeometry(580, 168, 70, 24);
    RowCount = spin(1, MaxTableCells, 1, 5, QRect(650, 166, 100, 26));
    RowCount->setObjectName(QStringLiteral("RowCount"));
    RowCount->OnChange = [this](QObject*) { Guard([this] { RowCountChange(); }); };
    chkColH = check(QStringLiteral("chkColH"), QStringLiteral("Voir En-tête Col"), true, QRect(580, 198, 170, 24),
        &TDllForms::chkColHClick);
    chkRowH = check(QStringLiteral("chkRowH"), QStringLiteral("Voir En-tête Lign"), true, QRect(580, 224, 170, 24),
        &TDllForms::chkRowHClick);
    btnAlignLeft = new TSkinButton(QStringLiteral("≡←"), this);
    btnAlignCenter = new TSkinButton(QStringLiteral("≡"), this);
    btnAlignRight = new TSkinButton(QStringLiteral("→≡"), this);
    const std::array<std::pair<TSkinButton*, TColumnAlignment>, 3> aligns { { { btnAlignLeft, TColumnAlignment::caLeft },
        { btnAlignCenter, TColumnAlignment::caCentre }, { btnAlignRight, TColumnAlignment::caRight } } };
    const QStringList alignNames { QStringLiteral("btnAlignLeft"), QStringLiteral("btnAlignCenter"), QStringLiteral("btnAlignRight") };
    const QStringList alignHints { QStringLiteral("Aligne Gauche"), QStringLiteral("Aligne Centre"), QStringLiteral("Aligne Droite") };
    for (int i = 0; i < 3; ++i) {
        TSkinButton* made = aligns[std::size_t(i)].first;
        const TColumnAlignment alignment = aligns[std::size_t(i)].second;
        made->setObjectName(alignNames[i]);
        made->setGeometry(580 + i * 58, 254, 54, 26);
        SetHint(*made, alignHints[i]);
        made->OnClick = [this, alignment](QObject*) { Guard([this, alignment] { AlignClick(alignment); }); };
    }
    chkColC = check(QStringLiteral("chkColC"), QStringLiteral("Choix Coul. Col"), false, QRect(580, 288, 120, 24),
        &TDllForms::chkColCClick);
    chkRowC = check(QStringLiteral("chkRowC"), QStringLiteral("Choix Coul. Lign"), true, QRect(580, 314, 120, 24),
        &TDllForms::chkRowCClick);
    uxButton5 = button(QStringLiteral("uxButton5"), QStringLiteral("Col"), QRect(702, 288, 50, 24), &TDllForms::uxButton5Click);
    uxButton5->setEnabled(false);
    uxButton6 = button(QStringLiteral("uxButton6"), QStringLiteral("Ligne"), QRect(702, 314, 50, 24), &TDllForms::uxButton6Click);
    auto* fonts = new QLabel(QStringLiteral("Police / Couleur"), this);
    fonts->setGeometry(580, 346, 170, 20);
    SkButton3 = button(QStringLiteral("SkButton3"), QStringLiteral("Tableau"), QRect(580, 368, 82, 26), &TDllForms::SkButton3Click);
    SkButton4 = button(QStringLiteral("SkButton4"), QStringLiteral("En-tête"), QRect(668, 368, 82, 26), &TDllForms::SkButton4Click);
    SkButton5 = button(QStringLiteral("SkButton5"), QStringLiteral("En-tête"), QRect(668, 398, 82, 26), &TDllForms::SkButton5Click);

    btnImport = button(QStringLiteral("btnImport"), QStringLiteral("Importer"), QRect(8, 470, 110, 32), &TDllForms::btnImportClick);
    btnExport = button(QStringLiteral("btnExport"), QStringLiteral("Exporter"), QRect(124, 470, 110, 32), &TDllForms::btnExportClick);
    btnInsert = button(QStringLiteral("btnInsert"), QStringLiteral("Bitmap"), QRect(292, 470, 110, 32), &TDllForms::btnInsertClick);
    SkButton6 = button(QStringLiteral("SkButton6"), QStringLiteral("Sauve sous"), QRect(408, 470, 110, 32), &TDllForms::SkButton6Click);
    btnEmf = button(QStringLiteral("btnEmf"), QStringLiteral("MetaFichier"), QRect(524, 470, 110, 32), &TDllForms::btnEmfClick);
    SkButton7 = button(QStringLiteral("SkButton7"), QStringLiteral("Fermer"), QRect(640, 470, 110, 32), &TDllForms::SkButton7Click);

    SyncGrid();
    StringGrid1->setCurrentCell(1, 1);
    RefreshStatus();
}

TDllForms::~TDllForms() = default;

void TDllForms::Guard(const std::function<void()>& command) { RunCommand(FDialogs, command); }

int TDllForms::CurrentColumn() const { return std::max(0, StringGrid1->currentColumn()); }
int TDllForms::CurrentRow() const { return std::max(0, StringGrid1->currentRow()); }
void TDllForms::SetCurrentCell(int column, int row) { StringGrid1->setCurrentCell(row, column); }

void TDllForms::SyncGrid()
{
    FSyncing = true;
    FTable.HeaderRow = chkColH->Checked();
    FTable.HeaderColumn = chkRowH->Checked();
    StringGrid1->setColumnCount(FTable.ColCount);
    StringGrid1->setRowCount(FTable.RowCount);
    for (int c = 0; c < FTable.ColCount; ++c)
        StringGrid1->setColumnWidth(c, FTable.ColWidths[std::size_t(c)]);
    for (int r = 0; r < FTable.RowCount; ++r)
        StringGrid1->setRowHeight(r, FTable.RowHeights[std::size_t(r)]);
    QFont font(FTable.TableFont.Name);
    font.setPixelSize(FTable.TableFont.PixelSize);
    StringGrid1->setFont(font);
    FSyncing = false;
    StringGrid1->viewport()->update();
}

void TDllForms::RefreshStatus()
{
    const int c = CurrentColumn();
    const int r = CurrentRow();
    const int width = FTable.ColWidths[std::size_t(std::min(c, MaxTableCells - 1))];
    SetColWidth->SetValue(width);
    SetRowHeight->SetValue(FTable.RowHeights[std::size_t(std::min(r, MaxTableCells - 1))]);
    Label3->setText(WidthText(width, logicalDpiX()));
}

void TDllForms::RunAutoHeight()
{
    if (!chkAutoHeight->Checked())
        return;
    AutoRowHeights(FTable, CurrentColumn() == 0 && CurrentRow() == 0);
    SyncGrid();
    RefreshStatus();
}

void TDllForms::Edit1Enter()
{
    FTable.SetCell(CurrentColumn(), CurrentRow(), Edit1->text());
    Edit1->setText(FTable.Cell(CurrentColumn(), CurrentRow()));
    RunAutoHeight();
    StringGrid1->viewport()->update();
    StringGrid1->setFocus();
}

void TDllForms::btnClearTabelClick()
{
    if (FDialogs.ConfirmYesNo(QStringLiteral("Clear and Reset Table?")) != TModalResult::mrYes)
        return;
    FTable.ClearCells();
    Edit1->clear();
    RunAutoHeight();
    StringGrid1->viewport()->update();
}

void TDllForms::SpeedButton1Click()
{
    const QStringList lines { QStringLiteral("This is a short help tutorial for Inserting a Table / StringGrid."), QString(),
        QStringLiteral("- If you insert the table as a Bitmap image, only what is visible will be used."),
        QStringLiteral("  Everything outside the visible area will be cut automatically from the Bitmap. "), QString(),
        QStringLiteral("- If you insert the table as a Metafile, everything will be added to the image."),
        QStringLiteral("  Even the table cells beyond the scrolling area will be included into the image."), QString(),
        QStringLiteral("- The Metafile has better text quality when printing or for viewing purposes only."),
        QStringLiteral("  Any of the two image formats are compatible and usable no matter what the contents are."), QString(),
        QStringLiteral("- There is a maximum of 20 rows and 20 columns available. Only the Metafile can use them all."), QString(),
        QStringLiteral("To fill a cell with text, just press on the [Enter] button and start typing."),
        QStringLiteral("When finished typing, press on the [Enter] button again to insert your text."), QString(),
        QStringLiteral("To move around in the table, use the direction keys or [TAB] button, the mouse's scrollwheel works too.") };
    FDialogs.ShowInformation(lines.join(Crlf));
}

void TDllForms::chkAutoHeightClick()
{
    SetRowHeight->setEnabled(!chkAutoHeight->Checked());
    RunAutoHeight();
}

void TDllForms::uxToolButton1Click()
{
    int& width = FTable.ColWidths[std::size_t(CurrentColumn())];
    width = std::max(10, width - 1);
    SyncGrid();
    RunAutoHeight();
    RefreshStatus();
}

void TDllForms::uxToolButton2Click()
{
    int& width = FTable.ColWidths[std::size_t(CurrentColumn())];
    width = std::min(600, width + 1);
    SyncGrid();
    RunAutoHeight();
    RefreshStatus();
}

void TDllForms::SetColWidthStep(int)
{
    // The spin box has already stepped by 10 within 10..600.
    FTable.ColWidths[std::size_t(CurrentColumn())] = SetColWidth->Value();
    SyncGrid();
    RunAutoHeight();
    RefreshStatus();
}

void TDllForms::SetColWidthEnter() { SetColWidthStep(0); }

void TDllForms::SetRowHeightStep(int)
{
    FTable.RowHeights[std::size_t(CurrentRow())] = SetRowHeight->Value();
    SyncGrid();
    RefreshStatus();
}

void TDllForms::SetRowHeightEnter() { SetRowHeightStep(0); }

void TDllForms::ColCountChange()
{
    FTable.ColCount = std::clamp(ColCount->Value(), 1, MaxTableCells);
    SyncGrid();
}

void TDllForms::RowCountChange()
{
    FTable.RowCount = std::clamp(RowCount->Value(), 1, MaxTableCells);
    SyncGrid();
}

void TDllForms::chkColHClick() { SyncGrid(); }
void TDllForms::chkRowHClick() { SyncGrid(); }

void TDllForms::AlignClick(TColumnAlignment alignment)
{
    SetColumnAlignment(FTable, CurrentColumn(), alignment);
    StringGrid1->viewport()->update();
    StringGrid1->setFocus();
}

void TDllForms::chkColCClick()
{
    const bool byColumn = chkColC->Checked();
    chkRowC->SetChecked(!byColumn);
    FTable.ColourByColumn = byColumn;
    uxButton5->setEnabled(byColumn);
    uxButton6->setEnabled(!byColumn);
    StringGrid1->viewport()->update();
}

void TDllForms::chkRowCClick()
{
    const bool byRow = chkRowC->Checked();
    chkColC->SetChecked(!byRow);
    FTable.ColourByColumn = !byRow;
    uxButton6->setEnabled(byRow);
    uxButton5->setEnabled(!byRow);
    StringGrid1->viewport()->update();
}

void TDllForms::SetColourSlot(bool row)
{
    QString value = QString::number(row ? CurrentRow() : CurrentColumn());
    if (!FDialogs.InputQuery(row ? QStringLiteral("Set Row Colour") : QStringLiteral("Set Column Colour"),
            row ? QStringLiteral("Type in Row Number") : QStringLiteral("Type in Column Number"), value))
        return;
    bool ok = false;
    const int n = value.trimmed().toInt(&ok);
    if (!ok)
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(value));
    const int count = row ? FTable.RowCount : FTable.ColCount;
    if (n <= 0)
        return;
    if (n >= count || n > MaxTableCells) {
        FDialogs.MessageDlg(QString(), row ? QStringLiteral("Invalid Row Number") : QStringLiteral("Invalid Column Number"),
            TMsgDlgType::mtInformation, TMsgDlgButtons::mbOK);
        return;
    }
    COLORREF& slot = row ? FTable.RowColours[std::size_t(n)] : FTable.ColColours[std::size_t(n)];
    COLORREF chosen = slot;
    if (FDialogs.ChooseColor(chosen))
        slot = chosen;
    StringGrid1->viewport()->update();
}

void TDllForms::uxButton5Click() { SetColourSlot(false); }
void TDllForms::uxButton6Click() { SetColourSlot(true); }

void TDllForms::SkButton3Click()
{
    TFontDialogData font;
    font.Name = QStringLiteral("Arial");
    font.Size = FTable.TableFont.PixelSize * 72 / 96;
    font.MinSize = 6;
    font.MaxSize = 64;
    if (!FDialogs.ChooseFont(font))
        return;
    FTable.TableFont = { font.Name, TCellFont::PixelsFromPoints(font.Size), font.Color, font.Bold, font.Italic,
        font.Underline, font.StrikeOut };
    SyncGrid();
    RunAutoHeight();
}

void TDllForms::SkButton4Click()
{
    const TCellFont& header = FTable.HeaderFont;
    TFontDialogData font;
    font.Name = header.Name;
    font.Size = header.PixelSize * 72 / 96;
    font.Color = header.Color;
    font.Bold = header.Bold;
    font.Italic = header.Italic;
    font.Underline = header.Underline;
    font.StrikeOut = header.StrikeOut;
    font.MinSize = 6;
    font.MaxSize = 64;
    if (!FDialogs.ChooseFont(font))
        return;
    FTable.HeaderFont = { font.Name, TCellFont::PixelsFromPoints(font.Size), font.Color, font.Bold, font.Italic,
        font.Underline, font.StrikeOut };
    StringGrid1->viewport()->update();
}

void TDllForms::SkButton5Click()
{
    COLORREF colour = FTable.FixedColor;
    if (FDialogs.ChooseColor(colour))
        FTable.FixedColor = colour;
    StringGrid1->viewport()->update();
}

QImage TDllForms::GridSnapshot()
{
    QWidget* area = StringGrid1->viewport();
    // Only the part of the viewport that holds cells.
    int width = 0;
    for (int c = StringGrid1->columnAt(0); c >= 0 && c < FTable.ColCount; ++c)
        width = StringGrid1->columnViewportPosition(c) + StringGrid1->columnWidth(c);
    int height = 0;
    for (int r = StringGrid1->rowAt(0); r >= 0 && r < FTable.RowCount; ++r)
        height = StringGrid1->rowViewportPosition(r) + StringGrid1->rowHeight(r);
    width = std::min(width, area->width());
    height = std::min(height, area->height());
    if (width < 1 || height < 1)
        throw EConvertError(QStringLiteral("The grid shows no cells"));
    QImage image = area->grab(QRect(0, 0, width, height)).toImage().convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        throw EConvertError(QStringLiteral("The grid could not be copied"));
    QPainter painter(&image);
    painter.setPen(FTable.HeaderColumn ? QColor(Qt::black) : QColorFromColorRef(TableSilver));
    painter.drawLine(0, 0, 0, image.height());
    painter.setPen(FTable.HeaderRow ? QColor(Qt::black) : QColorFromColorRef(TableSilver));
    painter.drawLine(0, 0, image.width(), 0);
    return image;
}

void TDllForms::btnInsertClick()
{
    Edit1->setFocus();
    QCoreApplication::processEvents();
    try {
        const QImage image = GridSnapshot();
        PutToolPictureOnClipboard(RecordToolPicture(
            image.size(), QStringLiteral("Tableau"), [&image](QPainter& painter) { painter.drawImage(0, 0, image); }));
    } catch (const std::exception&) {
        // Nothing reached the clipboard; the window stays open with the table.
        FDialogs.MessageDlg(QString(), QStringLiteral("Error in Creating Image"), TMsgDlgType::mtError, TMsgDlgButtons::mbOK);
        return;
    }
    FInsertRequest = true;
    done(int(TModalResult::mrOk));
}

void TDllForms::btnEmfClick()
{
    Edit1->setFocus();
    QCoreApplication::processEvents();
    FRenderer.Render(FTable, FTable.TotalWidth());
    QCoreApplication::processEvents();
    PutToolPictureOnClipboard(FRenderer.Metafile());
    FInsertRequest = true;
    done(int(TModalResult::mrOk));
}

void TDllForms::SkButton6Click()
{
    QCoreApplication::processEvents();
    const QImage snapshot = GridSnapshot();
    TFileDialogData dialog;
    dialog.Filter = QStringLiteral("Bitmaps (*.bmp)|*.bmp|JPEG Fichiers Image (*.jpg)|*.jpg|Enhanced Metafiles (*.emf)|*.emf");
    dialog.DefaultExt = QStringLiteral("bmp");
    dialog.Options.OverwritePrompt = true;
    if (!FDialogs.SaveFile(dialog))
        return;
    try {
        SavePicture(dialog.FileName, dialog.FilterIndex, snapshot);
    } catch (const std::exception&) {
        FDialogs.MessageDlg(QString(), QStringLiteral("Error in Creating Image File"), TMsgDlgType::mtError, TMsgDlgButtons::mbOK);
    }
}

void TDllForms::SavePicture(const QString& path, int filterIndex, const QImage& snapshot)
{
    switch (filterIndex) {
    case 1: {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!snapshot.save(&buffer, "BMP"))
            throw EConvertError(QStringLiteral("BMP"));
        WriteWhole(path, bytes);
        break;
    }
    case 2:
        WriteWhole(path, EncodeJpeg(snapshot));
        break;
    case 3:
        FRenderer.Render(FTable, FTable.TotalWidth());
        WriteWhole(path, FRenderer.Metafile().Bytes());
        break;
    default:
        break;
    }
}

void TDllForms::SkButton7Click()
{
    FInsertRequest = false;
    done(int(TModalResult::mrCancel));
}

void TDllForms::ImportFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(path);
    if (file.size() > MaxTableFileBytes)
        throw EConvertError(QStringLiteral("The table file is too large"));
    const QByteArray bytes = file.read(MaxTableFileBytes + 1);
    const TTableImport imported = ParseTableTextFile(bytes); // throws before anything changes
    FTable.ClearCells();
    for (int c = 0; c < MaxTableCells; ++c)
        for (int r = 0; r < MaxTableCells; ++r)
            FTable.Cells[std::size_t(c)][std::size_t(r)] = imported.Cells[std::size_t(c)][std::size_t(r)];
    ColCount->SetValue(imported.ColCount);
    RowCount->SetValue(imported.RowCount);
    FTable.ColCount = imported.ColCount;
    FTable.RowCount = imported.RowCount;
    SyncGrid();
    Edit1->setText(FTable.Cell(CurrentColumn(), CurrentRow()));
    RunAutoHeight();
    StringGrid1->viewport()->update();
}

void TDllForms::ExportFile(const QString& path)
{
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension == u"txt")
        WriteWhole(path, TableTextFile(FTable));
    else if (extension == u"csv")
        WriteWhole(path, TableCsv(FTable));
}

void TDllForms::btnImportClick()
{
    TFileDialogData dialog;
    dialog.Title = QStringLiteral("Ouvrir Fichier Texte");
    dialog.Filter = QStringLiteral("Tableau en Fichier Texte (*.txt)|*.txt");
    dialog.Options.FileMustExist = true;
    if (FDialogs.OpenFile(dialog))
        ImportFile(dialog.FileName);
    StringGrid1->setFocus();
}

void TDllForms::btnExportClick()
{
    TFileDialogData dialog;
    dialog.Title = QStringLiteral("Sauver Tableau en Texte ou CSV");
    dialog.Filter = QStringLiteral("Tableau en Fichier Texte (*.txt)|*.txt|CSV - Comma Separated Values File (*.csv)|*.csv");
    dialog.Options.OverwritePrompt = true;
    if (FDialogs.SaveFile(dialog))
        ExportFile(dialog.FileName);
    StringGrid1->setFocus();
}

bool TDllForms::eventFilter(QObject* watched, QEvent* event)
{
    // Where the grid would start editing a cell, the text is typed in Edit1 instead.
    if (watched == StringGrid1 && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_F2) {
            Edit1->setFocus();
            Edit1->selectAll();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TDllForms::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (parentWidget())
        move(parentWidget()->geometry().center() - rect().center());
    StringGrid1->setFocus();
}
