#pragma once
// CharMaps.h: the character map: the 256 codes of a font in a 20 x 13 grid, the chosen one enlarged
// with its keyboard code, and a line of collected characters, handed to the document as text.
#include <QDialog>
#include <QString>

class IDialogs;
class QLabel;
class QLineEdit;
class QTableWidget;
class TFontComboBox;
class TSkinButton;
class TSkinPanel;

constexpr int CharMapColumns = 20;
constexpr int CharMapRows = 13;

/// The code a cell of the map holds: codes 0 to 255 in order, the last four cells repeat 0 to 3.
constexpr int CharMapCode(int column, int row) { return (row * CharMapColumns + column) % 256; }
/// What the code of the face inserts: the Unicode character it stands for. A symbol font's code gives
/// the character its glyph shows; other faces read the code as Windows-1252. Codes without a glyph
/// (0, the control codes 1 to 31 except the tab, 127, and codes a code page leaves undefined) give
/// empty text, so nothing invisible enters the document.
QString CharMapCharacter(const QString& face, int code);
/// The Unicode character a code of the "Symbol" face shows, or an empty string for codes it leaves
/// empty. The arrow extender (0xBE) becomes the box-drawing line, as no installed font has its own
/// character.
QString SymbolFaceCharacter(int code);
/// Text in the "Symbol" face holds the Unicode characters its codes stand for; the symbol-encoded
/// font installed under that name has no glyphs for them, so the face is drawn with Unicode fonts
/// that have. Called by the tools' windows; once per process.
void SubstituteSymbolFace();
/// The keyboard code shown beside "ALT + ": "0" and the code in decimal ("065").
QString AltCodeText(int code);

class TDLLForm : public QDialog {
    Q_OBJECT
public:
    explicit TDLLForm(IDialogs& dialogs, QWidget* parent = nullptr);

    /// The face shown in the font box; refills the map when it changes.
    QString MapFontName() const;
    void SetMapFontName(const QString& face);
    /// The face the chosen characters take in the document: "Symbol" for the symbol font under any
    /// of its names, so that the document draws them as the map shows them.
    QString InsertFontName() const;
    int ChosenCode() const { return CharMapCode(FCellColumn, FCellRow); }
    /// The character the map inserts, in the map font.
    QString ChosenCharacter() const { return CharMapCharacter(MapFontName(), ChosenCode()); }

    void FontComboBox1Change();
    void StringGrid1SelectCell(int column, int row);
    void btnInsertClick();
    void btnAddClick();
    void btnInsertLineClick();
    void SkButton1Click();

    TSkinPanel* SkPanel1 = nullptr;
    TSkinPanel* SkPanel3 = nullptr;
    TFontComboBox* FontComboBox1 = nullptr;
    QTableWidget* StringGrid1 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* Edit1 = nullptr;
    TSkinButton* btnInsert = nullptr;
    TSkinButton* btnAdd = nullptr;
    TSkinButton* btnInsertLine = nullptr;
    TSkinButton* SkButton1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FillGrid();
    void ChooseCell(int column, int row);
    void DrawPreview();
    void PutTextOnClipboard(const QString& text);

    IDialogs& FDialogs;
    int FCellColumn = 5;
    int FCellRow = 3;
    bool FFilling = false;
};
