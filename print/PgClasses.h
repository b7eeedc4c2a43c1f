#pragma once
// PgClasses.h: the page engine's document: lengths and units, paper, pages and the page list,
// margins, header and footer, shared resources with the private editor copies, drawing objects,
// and the drawing of a page with its captions.
#include "GdiObjects.h"
#include "RtRichEd.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

class QDateTime;
class QIODevice;
class TDeviceContext;
class TEnhMetafile;
class TRichEditControl;
class TPgPageList;
class TPgPrinter;

using TPgExtended = long double;

/// A plain font of the name and point size.
inline TFont PgFont(const QString& name, int size)
{
    TFont font;
    font.Name = name;
    font.Size = size;
    return font;
}
using TPgChangeEvent = std::function<void()>;

enum class TPgMeasurement : int {
    pgUnits = 0, ///< hundredths of a millimetre
    pgPixels = 1, ///< at a fixed 96 per inch
    pgMillimeters = 2,
    pgCentimeters = 3,
    pgInches = 4,
    pgTwips = 5,
};

/// Converts through inches; the same unit returns x untouched.
TPgExtended ConvertValue(TPgMeasurement from, TPgMeasurement to, TPgExtended x);
/// Nearest integer, ties to even: the engine's one rounding rule.
int PgRound(TPgExtended x);

enum class TPgPaperSize : int {
    A3 = 0,
    A4 = 1,
    A5 = 2,
    A6 = 3,
    B5 = 4,
    C5 = 5,
    C6 = 6,
    C65 = 7,
    Legal = 8,
    Letter = 9,
    Custom = 10,
    B4 = 11,
    Envelope_DL = 12,
    Envelope_DL_Maxi = 13,
    Envelope_09 = 14,
    Envelope_10 = 15,
    Envelope_11 = 16,
    Envelope_12 = 17,
    Envelope_14 = 18,
    Tabloid = 19,
    Ledger = 20,
    Executive = 21,
};
constexpr int PgPaperSizeCount = 22;

enum class TPgOrientation : int { pgPortrait = 0, pgLandscape = 1 };
enum class TPgPagesPerSheet : int { pgOnePage = 0, pgTwoPage = 1, pgFourPage = 2 };
enum class TPgCoordsRelative : int {
    pgFromPage = 0,
    pgFromPrinterMargins = 1,
    pgFromUserMargins = 2,
    pgFromHeaderLine = 3
};

QString PaperSizeName(TPgPaperSize paper);
/// Names are matched exactly; anything else is Custom.
TPgPaperSize PaperSizeFromName(const QString& name);
QStringList GetPaperSizeNames();
/// Width and height in inches as the table stores them; false for Custom.
bool PaperSizeInches(TPgPaperSize paper, TPgExtended& width, TPgExtended& height);
/// The printer's paper code, or 0 for paper the printer has no code for.
SHORT PaperPrinterCode(TPgPaperSize paper);

/// A length held in inches.
class TPgValue {
public:
    TPgValue() = default;
    explicit TPgValue(TPgExtended inches)
        : FValue(inches)
    {
    }
    TPgValue(const TPgValue& other)
        : FValue(other.FValue)
    {
    }
    TPgValue& operator=(const TPgValue& other)
    {
        Assign(other);
        return *this;
    }

    TPgExtended AsInches() const { return FValue; }
    void SetAsInches(TPgExtended inches);
    TPgExtended AsMillimeters() const
    {
        return ConvertValue(TPgMeasurement::pgInches, TPgMeasurement::pgMillimeters, FValue);
    }
    void SetAsMillimeters(TPgExtended mm)
    {
        SetAsInches(ConvertValue(TPgMeasurement::pgMillimeters, TPgMeasurement::pgInches, mm));
    }
    int AsTwips() const { return PgRound(FValue * 1440); }
    void SetAsTwips(int twips) { SetAsInches(TPgExtended(twips) / 1440); }
    TPgExtended AsUnit(TPgMeasurement unit) const { return ConvertValue(TPgMeasurement::pgInches, unit, FValue); }
    void SetAsUnit(TPgMeasurement unit, TPgExtended x) { SetAsInches(ConvertValue(unit, TPgMeasurement::pgInches, x)); }
    int AsPixels(int ppi) const { return PgRound(FValue * ppi); }
    /// Copies the value and reports the change even when equal.
    void Assign(const TPgValue& other);

    TPgChangeEvent OnChange;

private:
    TPgExtended FValue = 0;
};

class TPgValuePoint {
public:
    TPgValuePoint();
    TPgValue X, Y;
    TPgChangeEvent OnChange;
};

class TPgValueSize {
public:
    TPgValueSize();
    TPgValue Width, Height;
    TPgChangeEvent OnChange;
};

class TPgValueRect {
public:
    TPgValueRect();
    TPgValueRect(const TPgValueRect& other);
    TPgValueRect& operator=(const TPgValueRect& other);
    TPgValuePoint TopLeft, BottomRight;
    /// 1 Left, 2 Top, 3 Right, 4 Bottom.
    TPgExtended Edge(int edge) const;
    void SetEdge(int edge, TPgExtended inches);
    TPgExtended Left() const { return TopLeft.X.AsInches(); }
    TPgExtended Top() const { return TopLeft.Y.AsInches(); }
    TPgExtended Right() const { return BottomRight.X.AsInches(); }
    TPgExtended Bottom() const { return BottomRight.Y.AsInches(); }
    void SetRect(TPgExtended left, TPgExtended top, TPgExtended right, TPgExtended bottom);
    TPgChangeEvent OnChange;

private:
    void Wire();
};

/// A pen as the engine stores it: width in quarter points for shapes, pixels for lines.
struct TPgPen {
    COLORREF Color = 0;
    int Width = 1;
    DWORD Style = PS_SOLID;
    int Mode = 4; // copy
    bool operator==(const TPgPen&) const = default;
};
struct TPgBrush {
    COLORREF Color = 0xFFFFFF;
    UINT Style = BS_SOLID;
    bool operator==(const TPgBrush&) const = default;
};
struct TPgFont {
    TFont Font;
    int Angle = 0;
    bool operator==(const TPgFont& other) const;
};
constexpr COLORREF PgNoColor = 536870911; // 0x1FFFFFFF

class TPgMarginValues;

class TPgMargins {
public:
    TPgMargins();
    ~TPgMargins();
    TPgValue Left, Top, Right, Bottom;
    bool ClipMargins() const { return FClipMargins; }
    void SetClipMargins(bool on);
    const TPgPen& Pen() const { return FPen; }
    void SetPen(const TPgPen& pen);
    const TPgPen& PrinterMarginPen() const { return FPrinterMarginPen; }
    void SetPrinterMarginPen(const TPgPen& pen);
    bool ShowPrinterMargins() const { return FShowPrinterMargins; }
    void SetShowPrinterMargins(bool on);
    bool Visible() const { return FVisible; }
    void SetVisible(bool on);
    TPgMarginValues& Values() { return *FValues; }
    void Assign(const TPgMargins& other);
    /// Four margins in twips, then the two pens as quoted "colour,width,style,mode".
    QString MarginValues() const;
    /// Four items keep the pens; throws EConvertError on anything malformed.
    void SetMarginValues(const QString& text);
    TPgChangeEvent OnChange;

private:
    void Changed()
    {
        if (OnChange)
            OnChange();
    }
    bool FClipMargins = false;
    TPgPen FPen;
    TPgPen FPrinterMarginPen;
    bool FShowPrinterMargins = false;
    bool FVisible = false;
    std::unique_ptr<TPgMarginValues> FValues;
};

class TPgMarginValues {
public:
    explicit TPgMarginValues(TPgMargins& margins)
        : FMargins(margins)
    {
    }
    TPgMeasurement ValueMeasurement = TPgMeasurement::pgInches;
    float Left() const { return float(FMargins.Left.AsUnit(ValueMeasurement)); }
    float Top() const { return float(FMargins.Top.AsUnit(ValueMeasurement)); }
    float Right() const { return float(FMargins.Right.AsUnit(ValueMeasurement)); }
    float Bottom() const { return float(FMargins.Bottom.AsUnit(ValueMeasurement)); }
    void SetLeft(float x) { FMargins.Left.SetAsUnit(ValueMeasurement, x); }
    void SetTop(float x) { FMargins.Top.SetAsUnit(ValueMeasurement, x); }
    void SetRight(float x) { FMargins.Right.SetAsUnit(ValueMeasurement, x); }
    void SetBottom(float x) { FMargins.Bottom.SetAsUnit(ValueMeasurement, x); }

private:
    TPgMargins& FMargins;
};

class TPgHeaderFooter;

class TPgHeaderFooterCaption {
public:
    explicit TPgHeaderFooterCaption(TPgHeaderFooter& owner);
    const QString& Caption() const { return FCaption; }
    void SetCaption(const QString& text);
    const TFont& Font() const { return FFont; }
    void SetFont(const TFont& font);
    /// alignment: 0 left, 1 centre, 2 right. area in device units.
    void DrawCaption(TDeviceContext& canvas, const RECT& area, int xPpi, int yPpi, int alignment, int pageNo,
        int pageCount, bool header) const;

private:
    TPgHeaderFooter& FOwner;
    QString FCaption;
    TFont FFont;
};

class TPgHeaderFooter {
public:
    TPgHeaderFooter();
    virtual ~TPgHeaderFooter();
    TPgHeaderFooterCaption CaptionLeft, CaptionCenter, CaptionRight;
    TPgHeaderFooterCaption& Caption(int index);
    const TPgPen& Pen() const { return FPen; }
    void SetPen(const TPgPen& pen) { FPen = pen; }
    bool ShowLine() const { return FShowLine; }
    void SetShowLine(bool on);
    bool Visible() const { return FVisible; }
    void SetVisible(bool on);
    TPgValue Height;
    /// The explicit height, or the line height of the largest caption font.
    TPgExtended GetHeight(TPgMeasurement unit) const;
    void SetHeight(TPgMeasurement unit, TPgExtended x) { Height.SetAsUnit(unit, x); }
    void Assign(const TPgHeaderFooter& other);
    /// Draws the captions and the line into the area of the page (device units).
    virtual void Draw(TDeviceContext& canvas, const TPgMargins& margins, TPgExtended pageWidth, TPgExtended pageHeight,
        int xPpi, int yPpi, int pageNo, int pageCount) const = 0;
    TPgChangeEvent OnChange;
    void Changed()
    {
        if (OnChange)
            OnChange();
    }
    virtual bool IsHeader() const = 0;

protected:
    void DrawParts(TDeviceContext& canvas, const RECT& area, int xPpi, int yPpi, int pageNo, int pageCount) const;

private:
    TPgPen FPen;
    bool FShowLine = true;
    bool FVisible = false;
};

class TPgHeader : public TPgHeaderFooter {
public:
    static RECT Area(const TPgMargins& margins, TPgExtended pageWidth, TPgExtended pageHeight, TPgExtended height,
        int xPpi, int yPpi);
    void Draw(TDeviceContext& canvas, const TPgMargins& margins, TPgExtended pageWidth, TPgExtended pageHeight,
        int xPpi, int yPpi, int pageNo, int pageCount) const override;
    bool IsHeader() const override { return true; }
};

class TPgFooter : public TPgHeaderFooter {
public:
    static RECT Area(const TPgMargins& margins, TPgExtended pageWidth, TPgExtended pageHeight, TPgExtended height,
        int xPpi, int yPpi);
    void Draw(TDeviceContext& canvas, const TPgMargins& margins, TPgExtended pageWidth, TPgExtended pageHeight,
        int xPpi, int yPpi, int pageNo, int pageCount) const override;
    bool IsHeader() const override { return false; }
};

/// Replaces {DATE}, {TIME}, {PAGE} and {NUMPAGES}, exactly as written.
QString ExpandTokens(const QString& text, int pageNo, int pageCount);
QString ExpandTokens(const QString& text, int pageNo, int pageCount, const QDateTime& now);

/// Measures text at a fine reference resolution and draws it with explicit advances, so that a
/// caption has the same width on every device.
class TPgFontMapper {
public:
    static constexpr int ReferenceResolution = 7200;
    static TPgFontMapper& Instance();
    /// Width and height in inches of the text in the font at its point size.
    std::pair<TPgExtended, TPgExtended> MeasureText(const TFont& font, const QString& text) const;
    /// The advances at the target resolution: truncated, with the carried fractions added back.
    std::vector<INT> Advances(const TFont& font, const QString& text, int targetPpi) const;
    /// Draws with the top-left corner at (x, y) in the canvas's logical units, the font realised at ppi.
    void DrawText(TDeviceContext& canvas, int x, int y, const TFont& font, int ppi, const QString& text) const;
    /// Lines of text wrapped into width inches, in the mapper's rule (CR LF counts as one CR).
    int WrappedLineCount(const TFont& font, const QString& text, TPgExtended width) const;
    bool WordWrap = true;
};

/// A font made for a device whose logical inch is ppi units.
HFONT PgCreateFont(const TFont& font, int ppi);

// ---- shared resources ----

template <class T> class TPgResourceList {
public:
    /// The stored equal item with its count raised, or a copy stored with count 1.
    T* Add(const T& item)
    {
        for (std::size_t i = 0; i < FItems.size(); ++i) {
            if (*FItems[i] == item) {
                ++FReferences[i];
                return FItems[i].get();
            }
        }
        FItems.push_back(std::make_unique<T>(item));
        FReferences.push_back(1);
        return FItems.back().get();
    }
    void Release(const T* item)
    {
        for (std::size_t i = 0; i < FItems.size(); ++i) {
            if (FItems[i].get() == item) {
                if (--FReferences[i] <= 0) {
                    FItems.erase(FItems.begin() + std::ptrdiff_t(i));
                    FReferences.erase(FReferences.begin() + std::ptrdiff_t(i));
                }
                return;
            }
        }
    }
    int Count() const { return int(FItems.size()); }
    int References(const T* item) const
    {
        for (std::size_t i = 0; i < FItems.size(); ++i)
            if (FItems[i].get() == item)
                return FReferences[i];
        return 0;
    }
    void Clear()
    {
        FItems.clear();
        FReferences.clear();
    }

private:
    std::vector<std::unique_ptr<T>> FItems;
    std::vector<int> FReferences;
};

/// The editor a private copy is made in; the handler creates it without owner and hands it over.
using TPgNeedRichEditEvent = std::function<void(QObject* sender, TRtCustomRichEdit*& richEdit)>;

/// Private copies of editors. They are never shown nor parented to any window: the platform
/// control lays text out without one.
class TPgCustomMemoList {
public:
    TPgCustomMemoList();
    ~TPgCustomMemoList();
    /// Source itself when it is a copy of this list (its count raised), else a new copy with count 1.
    TRichEditControl* AddMemo(TRichEditControl& source);
    /// A fresh control, not entered in the list, owned until Clear.
    TRichEditControl* NewControl();
    void Release(const TRichEditControl* memo);
    void AddReference(const TRichEditControl* memo);
    int References(const TRichEditControl* memo) const;
    int Count() const { return int(FMemos.size()); }
    void Clear();
    TPgNeedRichEditEvent NeedRichEdit;

private:
    struct TMemo;
    struct TEntry {
        std::unique_ptr<TMemo> Memo;
        int References = 0;
    };
    std::unique_ptr<TMemo> Create();
    // By control: a merge of thousands of letters looks its copies up once per letter.
    std::unordered_map<const TRichEditControl*, TEntry> FMemos;
    std::vector<std::unique_ptr<TMemo>> FLoose;
};

using TPgBrushList = TPgResourceList<TPgBrush>;
using TPgPenList = TPgResourceList<TPgPen>;
using TPgFontList = TPgResourceList<TPgFont>;
using TPgGraphicList = TPgResourceList<QString>;

class TPgResourceTable {
public:
    TPgBrushList Brushes;
    TPgFontList Fonts;
    TPgPenList Pens;
    TPgGraphicList Graphics;
    TPgCustomMemoList Memos;
    bool CompareGraphics = false;
    void Clear();
};

/// Streams the whole content out as RTF; throws EOutOfResources "Failed to Save Stream" on failure.
void SaveRtfToStream(TRichEditControl& control, QIODevice& stream);
/// Streams RTF in at the control's selection from the stream's position; "Failed to Load Stream" on failure.
void LoadRtfFromStream(TRichEditControl& control, QIODevice& stream);

// ---- drawing objects ----

class TPgBaseObject {
public:
    virtual ~TPgBaseObject() = default;
    bool Printable = true;
    virtual void Draw(TDeviceContext& canvas, int xPpi, int yPpi) const = 0;
    virtual void Offset(TPgExtended dx, TPgExtended dy) { }
};
class TPgVisibleObject : public TPgBaseObject {
public:
    /// Device rectangle covered at the resolution.
    virtual RECT BoundingBox(int xPpi, int yPpi) const = 0;
};
class TPgOutlineShape : public TPgVisibleObject {
public:
    const TPgPen* Pen = nullptr; // owned by the resource table
};
class TPgSolidShape : public TPgOutlineShape {
public:
    const TPgBrush* Brush = nullptr;
};
class TPgBaseSolidShape : public TPgSolidShape {
public:
    TPgExtended Left = 0, Top = 0, Right = 0, Bottom = 0; // inches
    void Offset(TPgExtended dx, TPgExtended dy) override;
    RECT BoundingBox(int xPpi, int yPpi) const override;
};
class TPgSimpleSolidShape : public TPgBaseSolidShape { };
class TPgRectangleShape : public TPgSimpleSolidShape {
public:
    void Draw(TDeviceContext& canvas, int xPpi, int yPpi) const override;
};

/// The pen a shape draws with at the resolution: quarter points to pixels, thin solid pens cosmetic.
HPEN PgShapePen(const TPgPen& pen, int ppi);

// ---- pages ----

class TPgPage;

class TPgPageRtfInfo {
public:
    explicit TPgPageRtfInfo(TPgPage& page);
    ~TPgPageRtfInfo();
    int CharStart() const { return FCharStart; }
    int CharEnd() const { return FCharEnd; }
    void SetRange(int start, int end);
    TPgValueRect Rect;
    TRichEditControl* RichEdit() const { return FRichEdit; }
    /// The page takes a reference of its own and gives back the one to the previous copy.
    void SetRichEdit(TRichEditControl* memo);
    bool WrapLines = true;

    /// The slice recorded for the screen, kept while the slice, the page and the printer stay.
    struct TPictureCache {
        std::shared_ptr<const TEnhMetafile> Picture;
        QString Key;
    };
    TPictureCache& ScreenPicture() const { return FPicture; }

private:
    void Forget() { FPicture = TPictureCache(); }
    TPgPage& FPage;
    mutable TPictureCache FPicture;
    int FCharStart = 0;
    int FCharEnd = 0;
    TRichEditControl* FRichEdit = nullptr;
};

class TPgPage {
public:
    explicit TPgPage(TPgPageList& owner);
    ~TPgPage();
    std::vector<std::unique_ptr<TPgBaseObject>> Objects;
    TPgPageRtfInfo RtfInfo;
    TPgPageList& Owner() const { return FOwner; }
    TPgOrientation Orientation = TPgOrientation::pgPortrait;
    TPgExtended Width = 0, Height = 0;
    bool ShowHeader = true, ShowFooter = true;
    /// Position in the list plus 1, kept by the list.
    int Number() const { return FNumber; }
    void Changed();

private:
    friend class TPgPageList;
    TPgPageList& FOwner;
    int FNumber = 0;
};

class TPgPageList;

class TPgCanvas {
public:
    explicit TPgCanvas(TPgPageList& owner);
    bool CompareGraphics = false;
    TPgCoordsRelative CoordsRelativeTo = TPgCoordsRelative::pgFromPage;
    TPgMeasurement DefaultMeasurement = TPgMeasurement::pgMillimeters;
    TPgBrush Brush { PgNoColor, BS_HOLLOW };
    TFont Font = PgFont(QStringLiteral("Arial"), 10);
    TPgPen Pen;
    TPgValue TextInset;
    TPgRectangleShape* Rectangle(TPgMeasurement unit, TPgExtended x1, TPgExtended y1, TPgExtended x2, TPgExtended y2);
    TPgExtended TextBoxHeight(const QString& text, TPgMeasurement unit, TPgExtended width) const;

private:
    TPgPageList& FOwner;
};

struct TPgPageListEvents {
    TPgChangeEvent PageAdded, PageChanged, PageCountChanged, CurrentPageChanged, HeaderFooterChanged, MarginsChanged,
        OrientationChanged, PaperSizeChanged, Cleared;
    std::function<void(int printed, int total)> PrintProgress;
};

class TPgPageList {
public:
    TPgPageList();
    ~TPgPageList();
    TPgPageList(const TPgPageList&) = delete;
    TPgPageList& operator=(const TPgPageList&) = delete;

    int Count() const { return int(FPages.size()); }
    TPgPage& Pages(int number) const { return *FPages.at(std::size_t(number - 1)); }
    int PageNumber(const TPgPage& page) const { return page.Number(); }
    int CurrentPage() const { return FCurrentPage; }
    void SetCurrentPage(int number);
    TPgPage& NewPage();
    /// Inserts before the page at 1-based index; the new page becomes current.
    TPgPage& InsertPage(int index);
    void Clear(bool keepNoPage, bool freeResources);
    /// Removes the pages after the numbered one; the current page moves back onto the last left.
    void DeletePagesAfter(int number);
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    bool IsUpdating() const { return FUpdateCount > 0; }
    int UpdateCount() const { return FUpdateCount; }

    TPgOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TPgOrientation orientation);
    TPgPagesPerSheet PagesPerSheet = TPgPagesPerSheet::pgOnePage;
    TPgPaperSize PaperSize() const { return FPaperSize; }
    void SetPaperSize(TPgPaperSize paper);
    void LoadPaperSize();
    TPgExtended PaperWidth() const { return FPaperWidth; }
    TPgExtended PaperHeight() const { return FPaperHeight; }

    TPgCanvas& Canvas() { return FCanvas; }
    TPgHeader& Header() { return FHeader; }
    TPgFooter& Footer() { return FFooter; }
    TPgMargins& Margins() { return FMargins; }
    const TPgHeader& Header() const { return FHeader; }
    const TPgFooter& Footer() const { return FFooter; }
    const TPgMargins& Margins() const { return FMargins; }
    TPgPrinter& PgPrinter() { return *FPrinter; }
    TPgResourceTable& ResourceTable() { return FResources; }

    TPgValueRect GetHeaderRect() const;
    TPgValueRect GetFooterRect() const;
    void AddObject(std::unique_ptr<TPgBaseObject> object);

    /// One job printing the pages in the given order. Throws EPrinter for a number out of range.
    void PrintPages(const std::vector<int>& numbers);
    /// From..To, backwards when From > To.
    void PrintRange(int from, int to);

    TPgPageListEvents Events;
    void PageChangedBy(TPgPage& page);

private:
    void Fire(const TPgChangeEvent& event) const
    {
        if (event)
            event();
    }
    void Renumber(int from);

    std::vector<std::unique_ptr<TPgPage>> FPages;
    int FCurrentPage = 0;
    int FUpdateCount = 0;
    TPgOrientation FOrientation = TPgOrientation::pgPortrait;
    TPgPaperSize FPaperSize = TPgPaperSize::A4;
    TPgExtended FPaperWidth = 0, FPaperHeight = 0;
    bool FPaperLoaded = false;
    TPgResourceTable FResources;
    TPgCanvas FCanvas;
    TPgHeader FHeader;
    TPgFooter FFooter;
    TPgMargins FMargins;
    std::unique_ptr<TPgPrinter> FPrinter;
};

/// Draws the page's text slice, objects, header and footer at the device's units per inch.
/// forPrinter: drawing onto the printer's job (text straight onto it, unprintable objects left out);
/// otherwise the text goes through a metafile recorded against the printer.
void DrawPage(const TPgPage& page, TDeviceContext& canvas, int xPpi, bool objectFlag, int yPpi, bool forPrinter);
