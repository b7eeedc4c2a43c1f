#pragma once
// HeaderF.h: the borderless dialog that edits the six header and footer captions, their font and
// the separating lines. It applies nothing itself; the preview window reads it after its apply button.
#include "GdiDefs.h"
#include "PgClasses.h"

#include <QDialog>
#include <QStringList>

class IDialogs;
class TPgPreview;
class QLabel;
class QLineEdit;
class TSkinButton;
class TSkinCheckBox;
class TSkinComboBox;
class TSkinPanel;

extern const QString HeaderFooterHelp;

/// One program's words for the dialog, and what it offers beyond the common part.
struct THeaderFooterTexts {
    QString Title, LeftText, CenterText, RightText, Header, Footer, HelpHint, ShowHeaderLine, ShowFooterLine,
        LineType, Font, LineColour, Apply, ApplyHint, Close, CloseHint;
    QStringList LineTypes;
    bool HelpButton = true;
    int MaxFontSize = 50;
    static THeaderFooterTexts French();
    static THeaderFooterTexts English();
};

class THeaderFooterForm : public QDialog {
    Q_OBJECT
public:
    /// dialogs shows the font, colour and help boxes; it must outlive the window.
    explicit THeaderFooterForm(
        IDialogs& dialogs, QWidget* parent = nullptr, const THeaderFooterTexts& texts = THeaderFooterTexts::French());

    COLORREF LineColor() const { return FLineColor; }
    /// The caption font of the first box, as the engine's captions take it.
    TFont CaptionFont() const;
    /// The pen style of the chosen line type; false with no item chosen.
    [[nodiscard]] bool LineStyle(int& style) const;

    void uxButton3Click();
    void uxButton4Click();
    void SpeedButton1Click();

    TSkinPanel* SkPanel1 = nullptr;
    QLineEdit* Edit1 = nullptr; // header left, centre, right
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* Edit4 = nullptr; // footer left, centre, right
    QLineEdit* Edit5 = nullptr;
    QLineEdit* Edit6 = nullptr;
    TSkinButton* SpeedButton1 = nullptr; // "?"
    TSkinCheckBox* uxCheckBox1 = nullptr; // "Voir Ligne Tête"
    TSkinCheckBox* uxCheckBox2 = nullptr; // "Voir Ligne Pied"
    TSkinComboBox* ComboBox1 = nullptr; // line type
    TSkinButton* SkButton4 = nullptr; // "   Police"
    TSkinButton* SkButton3 = nullptr; // "Couleur Ligne"
    TSkinPanel* SkPanel2 = nullptr;
    TSkinButton* SkButton1 = nullptr; // " Appliquer"
    TSkinButton* SkButton2 = nullptr; // " Fermer"

protected:
    void showEvent(QShowEvent* event) override;

private:
    IDialogs& FDialogs;
    int FMaxFontSize = 50;
    COLORREF FLineColor = 0;
    COLORREF FFontColor = 0;
};

/// Gives the preview's header and footer what the dialog holds: line colour and style, the first
/// box's font for all six captions, the six texts and whether each shows its line.
void ApplyHeaderFooter(const THeaderFooterForm& form, TPgPreview& preview);
