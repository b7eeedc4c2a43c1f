// CharMaps.cpp: the character map.
#include "CharMaps.h"

#include "CommandGuard.h"
#include "FontComboBox.h"
#include "Hints.h"
#include "RtfCodePages.h"
#include "SkinButton.h"
#include "SkinPanel.h"
#include "ToolClipboard.h"
#include "WindowDragger.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTableWidget>

namespace {

constexpr int CellPixels = 24;
constexpr int MapPoints = 12;
constexpr int PreviewPoints = 70;
const QColor Navy(0, 0, 128);

bool IsAdobeSymbolFace(const QString& face)
{
    return face.compare(u"Symbol", Qt::CaseInsensitive) == 0
        || face.compare(u"Standard Symbols PS", Qt::CaseInsensitive) == 0;
}

QFont MapFont(const QString& face, int points)
{
    // The symbol font's codes are shown as the Unicode characters they stand for, which the "Symbol"
    // face draws through its substitutes.
    QFont font(IsAdobeSymbolFace(face) ? QStringLiteral("Symbol") : face);
    font.setPointSize(points);
    return font;
}

} // namespace

QString SymbolFaceCharacter(int code)
{
    if (code < 32 || code > 255 || code == 127)
        return QString();
    if (code == 0xBE)
        return QString(QChar(0x2500));
    const char16_t character = UnicodeFromSymbolCode(static_cast<unsigned char>(code));
    return character >= 0xF000 ? QString() : QString(QChar(character));
}

QString CharMapCharacter(const QString& face, int code)
{
    if (code == 9)
        return QStringLiteral("\t");
    if (code <= 0 || code > 255 || code < 32 || code == 127)
        return QString();
    char16_t character = 0;
    if (IsAdobeSymbolFace(face)) {
        return SymbolFaceCharacter(code);
    } else if (IsSymbolFamily(face)) {
        character = char16_t(0xF000 + code); // the font's own code, kept as the RTF reader keeps it
    } else {
        character = SingleByteTable(CpAnsi)->map[code];
        if (character >= 0x80 && character <= 0x9F) // left undefined by Windows-1252
            return QString();
    }
    return QString(QChar(character));
}

void SubstituteSymbolFace()
{
    static const bool done = [] {
        QFont::insertSubstitutions(QStringLiteral("Symbol"), { QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Serif") });
        return true;
    }();
    (void)done;
}

QString AltCodeText(int code) { return u'0' + QString::number(code); }

TDLLForm::TDLLForm(IDialogs& dialogs, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , FDialogs(dialogs)
{
    SubstituteSymbolFace();
    setObjectName(QStringLiteral("DLLForm"));
    setWindowTitle(QStringLiteral("Table de Caractères"));
    setFixedSize(718, 538);
    setAutoFillBackground(true);
    new TWindowDragger(*this);

    SkPanel1 = new TSkinPanel(QStringLiteral("Table de Caractères"), TSkinPanelKind::pkTitle, this);
    SkPanel1->setGeometry(0, 0, 718, 40);
    SkPanel1->SetDragsWindow(true);

    SkPanel3 = new TSkinGroupPanel(QStringLiteral("Police Actuellemment Sélectionnée"), this);
    SkPanel3->setGeometry(8, 46, 702, 430);

    FontComboBox1 = new TFontComboBox(SkPanel3);
    FontComboBox1->setObjectName(QStringLiteral("FontComboBox1"));
    FontComboBox1->setGeometry(10, 30, 240, 26);
    FontComboBox1->SetFontName(QStringLiteral("Arial"));

    StringGrid1 = new QTableWidget(CharMapRows, CharMapColumns, SkPanel3);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->horizontalHeader()->hide();
    StringGrid1->verticalHeader()->hide();
    StringGrid1->horizontalHeader()->setMinimumSectionSize(CellPixels);
    StringGrid1->verticalHeader()->setMinimumSectionSize(CellPixels);
    StringGrid1->horizontalHeader()->setDefaultSectionSize(CellPixels);
    StringGrid1->verticalHeader()->setDefaultSectionSize(CellPixels);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setGeometry(10, 62, CharMapColumns * CellPixels + 4, CharMapRows * CellPixels + 4);
    // The grid shows "Arial" 24 pixels until the first fill.
    QFont initial(QStringLiteral("Arial"));
    initial.setPixelSize(24);
    StringGrid1->setFont(initial);
    connect(StringGrid1, &QTableWidget::currentCellChanged, this, [this](int row, int column, int, int) {
        if (!FFilling && row >= 0 && column >= 0)
            StringGrid1SelectCell(column, row);
    });

    Image1 = new QLabel(SkPanel3);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(CharMapColumns * CellPixels + 40, 62, 121, 129);
    Label2 = new QLabel(QStringLiteral("ALT + "), SkPanel3);
    Label2->setGeometry(CharMapColumns * CellPixels + 40, 200, 50, 22);
    Label4 = new QLabel(QStringLiteral("0"), SkPanel3);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setGeometry(CharMapColumns * CellPixels + 90, 200, 80, 22);

    Edit1 = new QLineEdit(SkPanel3);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(10, 390, 520, 30);

    btnAdd = new TSkinButton(QStringLiteral("Ajouter"), SkPanel3);
    btnAdd->setObjectName(QStringLiteral("btnAdd"));
    btnAdd->setGeometry(540, 390, 150, 30);
    btnAdd->OnClick = [this](QObject*) { btnAddClick(); };

    btnInsert = new TSkinButton(QStringLiteral(" Insérer"), this);
    btnInsert->setObjectName(QStringLiteral("btnInsert"));
    btnInsert->setGeometry(330, 490, 120, 34);
    SetHint(*btnInsert, QStringLiteral("Insérer Caractère Sélectionné"));
    btnInsert->OnClick = Guarded(FDialogs, [this](QObject*) { btnInsertClick(); });
    btnInsertLine = new TSkinButton(QStringLiteral("Insérer Ligne"), this);
    btnInsertLine->setObjectName(QStringLiteral("btnInsertLine"));
    btnInsertLine->setGeometry(456, 490, 130, 34);
    btnInsertLine->OnClick = Guarded(FDialogs, [this](QObject*) { btnInsertLineClick(); });
    SkButton1 = new TSkinButton(QStringLiteral(" Fermer"), this);
    SkButton1->setObjectName(QStringLiteral("SkButton1"));
    SkButton1->setGeometry(592, 490, 118, 34);
    SkButton1->OnClick = [this](QObject*) { SkButton1Click(); };

    FontComboBox1->OnChange = [this](QObject*) { FontComboBox1Change(); };
    FillGrid();
    ChooseCell(FCellColumn, FCellRow);
}

QString TDLLForm::MapFontName() const { return FontComboBox1->FontName(); }

QString TDLLForm::InsertFontName() const
{
    return IsAdobeSymbolFace(MapFontName()) ? QStringLiteral("Symbol") : MapFontName();
}

void TDLLForm::SetMapFontName(const QString& face)
{
    if (face != MapFontName())
        FontComboBox1->SetFontName(face); // its OnChange refills the map
}

void TDLLForm::FontComboBox1Change()
{
    Edit1->setFont(MapFont(MapFontName(), MapPoints));
    QPalette colours = Edit1->palette();
    colours.setColor(QPalette::Text, Navy);
    Edit1->setPalette(colours);
    FillGrid();
    DrawPreview();
}

void TDLLForm::FillGrid()
{
    FFilling = true;
    StringGrid1->setFont(MapFont(MapFontName(), MapPoints));
    const QString face = MapFontName();
    for (int row = 0; row < CharMapRows; ++row) {
        for (int column = 0; column < CharMapColumns; ++column) {
            QString shown = CharMapCharacter(face, CharMapCode(column, row));
            if (shown == u"\t")
                shown.clear();
            auto* item = StringGrid1->item(row, column);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(Qt::AlignCenter);
                item->setForeground(Navy);
                StringGrid1->setItem(row, column, item);
            }
            item->setText(shown);
        }
    }
    FFilling = false;
}

void TDLLForm::StringGrid1SelectCell(int column, int row) { ChooseCell(column, row); }

void TDLLForm::ChooseCell(int column, int row)
{
    FCellColumn = std::clamp(column, 0, CharMapColumns - 1);
    FCellRow = std::clamp(row, 0, CharMapRows - 1);
    Label4->setText(AltCodeText(ChosenCode()));
    DrawPreview();
}

void TDLLForm::DrawPreview()
{
    QPixmap picture(Image1->size());
    picture.fill(Qt::white);
    {
        QPainter painter(&picture);
        painter.setPen(Qt::black);
        painter.drawRect(0, 0, picture.width() - 1, picture.height() - 1);
        QString shown = ChosenCharacter();
        if (shown == u"\t")
            shown.clear();
        // As an outline: glyphs this large may be left out of the raster engine's glyph cache.
        const QFont font = MapFont(MapFontName(), PreviewPoints);
        const QFontMetricsF metrics(font, &picture);
        const QRectF box(1, 1, picture.width() - 2, picture.height() - 2);
        QPainterPath outline;
        outline.addText(box.left() + (box.width() - metrics.horizontalAdvance(shown)) / 2,
            box.top() + (box.height() - metrics.height()) / 2 + metrics.ascent(), font, shown);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setClipRect(box);
        painter.fillPath(outline, Navy);
    }
    Image1->setPixmap(picture);
}

void TDLLForm::PutTextOnClipboard(const QString& text) { PutToolTextOnClipboard(text); }

void TDLLForm::btnInsertClick()
{
    PutTextOnClipboard(ChosenCharacter());
    done(int(TModalResult::mrOk));
}

void TDLLForm::btnAddClick() { Edit1->setText(Edit1->text() + ChosenCharacter()); }

void TDLLForm::btnInsertLineClick()
{
    PutTextOnClipboard(Edit1->text());
    done(int(TModalResult::mrOk));
}

void TDLLForm::SkButton1Click()
{
    const int row = StringGrid1->currentRow();
    const int column = StringGrid1->currentColumn();
    if (row >= 0 && column >= 0) {
        FCellColumn = column;
        FCellRow = row;
    }
    done(int(TModalResult::mrCancel));
}

void TDLLForm::showEvent(QShowEvent* event)
{
    Edit1->clear();
    ChooseCell(FCellColumn, FCellRow); // the grid's own selection stays where it is
    QDialog::showEvent(event);
    if (parentWidget())
        move(parentWidget()->geometry().center() - rect().center());
}
