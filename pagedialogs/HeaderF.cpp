// HeaderF.cpp: the header and footer dialog.
#include "HeaderF.h"

#include "Dialogs.h"
#include "Hints.h"
#include "PgPreview.h"
#include "SkinButton.h"
#include "SkinCheckBox.h"
#include "SkinComboBox.h"
#include "SkinPanel.h"
#include "WindowDragger.h"

#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>

#include <algorithm>

const QString HeaderFooterHelp = QStringLiteral("This is a short help tutorial for Header and Footers.\r\n\r\n"
                                                "Printed on: {DATE}\r\n\r\n"
                                                "Page: {PAGE} of {NUMPAGES}\r\n\r\n"
                                                "Time: {TIME}");

namespace {

QFont ScreenFont(const TFont& font)
{
    QFont shown(font.Name);
    shown.setPixelSize(font.Size * 96 / 72); // 12 points are 16 pixels at 96 per inch
    shown.setBold(font.Style.Contains(TFontStyle::fsBold));
    shown.setItalic(font.Style.Contains(TFontStyle::fsItalic));
    shown.setUnderline(font.Style.Contains(TFontStyle::fsUnderline));
    shown.setStrikeOut(font.Style.Contains(TFontStyle::fsStrikeOut));
    return shown;
}

} // namespace

THeaderFooterTexts THeaderFooterTexts::French()
{
    THeaderFooterTexts texts;
    texts.Title = QStringLiteral("Libellés Têtes et Pieds de Page");
    texts.LeftText = QStringLiteral("Texte Gauche");
    texts.CenterText = QStringLiteral("Texte Centre");
    texts.RightText = QStringLiteral("Texte Droite");
    texts.Header = QStringLiteral("Tête");
    texts.Footer = QStringLiteral("Pied");
    texts.HelpHint = QStringLiteral("Aide...");
    texts.ShowHeaderLine = QStringLiteral("Voir Ligne Tête");
    texts.ShowFooterLine = QStringLiteral("Voir Ligne Pied");
    texts.LineType = QStringLiteral("Type de Ligne:");
    texts.LineTypes = { QStringLiteral("Pleine"), QStringLiteral("Pointillés"), QStringLiteral("Tirets"),
        QStringLiteral("Point-Tiret") };
    texts.Font = QStringLiteral("   Police");
    texts.LineColour = QStringLiteral("Couleur Ligne");
    texts.Apply = QStringLiteral(" Appliquer");
    texts.ApplyHint = QStringLiteral("Appliquer Modifs");
    texts.Close = QStringLiteral(" Fermer");
    texts.CloseHint = QStringLiteral("Fermer");
    return texts;
}

THeaderFooterTexts THeaderFooterTexts::English()
{
    THeaderFooterTexts texts;
    texts.Title = QStringLiteral("Header and Footer Titles");
    texts.LeftText = QStringLiteral("Left Text");
    texts.CenterText = QStringLiteral("Center Text");
    texts.RightText = QStringLiteral("Right Text");
    texts.Header = QStringLiteral("Header");
    texts.Footer = QStringLiteral("Footer");
    texts.ShowHeaderLine = QStringLiteral("Show Header Line");
    texts.ShowFooterLine = QStringLiteral("Show Footer Line");
    texts.LineType = QStringLiteral("Line Type:");
    texts.LineTypes = { QStringLiteral("Solid"), QStringLiteral("Dotted"), QStringLiteral("DashDot"),
        QStringLiteral("DashDotDot") };
    texts.Font = QStringLiteral("    Font");
    texts.LineColour = QStringLiteral("Line Colour");
    texts.Apply = QStringLiteral("  Apply");
    texts.ApplyHint = QStringLiteral("Apply Changes");
    texts.Close = QStringLiteral("  Close");
    texts.CloseHint = QStringLiteral("Close");
    texts.HelpButton = false;
    texts.MaxFontSize = 12;
    return texts;
}

THeaderFooterForm::THeaderFooterForm(IDialogs& dialogs, QWidget* parent, const THeaderFooterTexts& texts)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , FDialogs(dialogs)
    , FMaxFontSize(texts.MaxFontSize)
{
    setObjectName(QStringLiteral("HeaderFooterForm"));
    setWindowTitle(texts.Title);
    setFixedSize(640, 387);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(0xEF, 0xEC, 0xDE)); // colour value 14609391
    setPalette(colours);
    new TWindowDragger(*this);

    SkPanel1 = new TSkinPanel(texts.Title, TSkinPanelKind::pkTitle, this);
    SkPanel1->setGeometry(0, 0, 640, 45);
    SkPanel1->SetDragsWindow(true);

    auto label = [this](const QString& text, int x, int y, int width) {
        auto* shown = new QLabel(text, this);
        shown->setGeometry(x, y, width, 20);
        return shown;
    };
    label(texts.LeftText, 16, 56, 200);
    label(texts.CenterText, 224, 56, 200);
    label(texts.RightText, 432, 56, 200);
    label(texts.Header, 16, 78, 200);
    QLineEdit** boxes[6] = { &Edit1, &Edit2, &Edit3, &Edit4, &Edit5, &Edit6 };
    const TFont start = PgFont(QStringLiteral("Arial"), 12);
    for (int i = 0; i < 6; ++i) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("Edit%1").arg(i + 1));
        box->setMaxLength(40);
        box->setFont(ScreenFont(start));
        box->setGeometry(16 + (i % 3) * 208, i < 3 ? 98 : 140, 200, 30);
        *boxes[i] = box;
    }
    label(texts.Footer, 16, 172, 200);

    SpeedButton1 = new TSkinButton(QStringLiteral("?"), this);
    SpeedButton1->setGeometry(600, 52, 28, 24);
    SpeedButton1->SetFlat(true);
    SetHint(*SpeedButton1, texts.HelpHint);
    SpeedButton1->setVisible(texts.HelpButton);
    SpeedButton1->OnClick = [this](QObject*) { SpeedButton1Click(); };

    uxCheckBox1 = new TSkinCheckBox(texts.ShowHeaderLine, this);
    uxCheckBox1->setGeometry(16, 204, 180, 24);
    uxCheckBox2 = new TSkinCheckBox(texts.ShowFooterLine, this);
    uxCheckBox2->setGeometry(16, 232, 180, 24);
    label(texts.LineType, 224, 206, 110);
    ComboBox1 = new TSkinComboBox(this);
    ComboBox1->addItems(texts.LineTypes);
    ComboBox1->setCurrentIndex(0);
    ComboBox1->setGeometry(336, 204, 140, 26);
    SkButton4 = new TSkinButton(texts.Font, this);
    SkButton4->setGeometry(224, 260, 120, 30);
    SkButton4->OnClick = [this](QObject*) { uxButton3Click(); };
    SkButton3 = new TSkinButton(texts.LineColour, this);
    SkButton3->setGeometry(356, 260, 120, 30);
    SkButton3->OnClick = [this](QObject*) { uxButton4Click(); };

    SkPanel2 = new TSkinPanel(QString(), TSkinPanelKind::pkPanel, this);
    SkPanel2->setGeometry(0, 341, 640, 46);
    SkButton1 = new TSkinButton(texts.Apply, SkPanel2);
    SkButton1->setObjectName(QStringLiteral("SkButton1"));
    SkButton1->setGeometry(424, 8, 100, 30);
    SetHint(*SkButton1, texts.ApplyHint);
    SkButton1->OnClick = [this](QObject*) { done(int(TModalResult::mrOk)); };
    SkButton2 = new TSkinButton(texts.Close, SkPanel2);
    SkButton2->setObjectName(QStringLiteral("SkButton2"));
    SkButton2->setGeometry(532, 8, 100, 30);
    SetHint(*SkButton2, texts.CloseHint);
    SkButton2->OnClick = [this](QObject*) { done(int(TModalResult::mrCancel)); };
}

void THeaderFooterForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (parentWidget())
        move(parentWidget()->window()->geometry().center() - rect().center());
}

TFont THeaderFooterForm::CaptionFont() const
{
    const QFont shown = Edit1->font();
    TFont font = PgFont(shown.family(), qRound(shown.pixelSize() * 72.0 / 96));
    if (shown.bold())
        font.Style.Include(TFontStyle::fsBold);
    if (shown.italic())
        font.Style.Include(TFontStyle::fsItalic);
    if (shown.underline())
        font.Style.Include(TFontStyle::fsUnderline);
    if (shown.strikeOut())
        font.Style.Include(TFontStyle::fsStrikeOut);
    font.Color = FFontColor;
    return font;
}

bool THeaderFooterForm::LineStyle(int& style) const
{
    static const DWORD styles[] = { PS_SOLID, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT };
    const int index = ComboBox1->currentIndex();
    if (index < 0 || index > 3)
        return false;
    style = int(styles[index]);
    return true;
}

void THeaderFooterForm::uxButton3Click()
{
    const TFont current = CaptionFont();
    TFontDialogData data;
    data.Name = current.Name;
    data.Size = current.Size;
    data.Bold = current.Style.Contains(TFontStyle::fsBold);
    data.Italic = current.Style.Contains(TFontStyle::fsItalic);
    data.Underline = current.Style.Contains(TFontStyle::fsUnderline);
    data.StrikeOut = current.Style.Contains(TFontStyle::fsStrikeOut);
    data.Color = FFontColor;
    data.MinSize = 8;
    data.MaxSize = FMaxFontSize;
    data.Effects = true;
    if (!FDialogs.ChooseFont(data))
        return;
    TFont chosen = PgFont(data.Name, std::clamp(data.Size, 8, FMaxFontSize));
    if (data.Bold)
        chosen.Style.Include(TFontStyle::fsBold);
    if (data.Italic)
        chosen.Style.Include(TFontStyle::fsItalic);
    if (data.Underline)
        chosen.Style.Include(TFontStyle::fsUnderline);
    if (data.StrikeOut)
        chosen.Style.Include(TFontStyle::fsStrikeOut);
    FFontColor = data.Color;
    for (QLineEdit* box : { Edit1, Edit2, Edit3, Edit4, Edit5, Edit6 })
        box->setFont(ScreenFont(chosen));
}

void THeaderFooterForm::uxButton4Click()
{
    COLORREF color = 0; // always offered from black
    if (!FDialogs.ChooseColor(color))
        return;
    FLineColor = color;
    SkButton3->SetFontColor(color);
}

void THeaderFooterForm::SpeedButton1Click() { FDialogs.ShowInformation(HeaderFooterHelp); }

void ApplyHeaderFooter(const THeaderFooterForm& form, TPgPreview& preview)
{
    TPgHeader& header = preview.Header();
    TPgFooter& footer = preview.Footer();
    const TFont font = form.CaptionFont();
    int style = 0;
    const bool styled = form.LineStyle(style);
    QLineEdit* const boxes[6] = { form.Edit1, form.Edit2, form.Edit3, form.Edit4, form.Edit5, form.Edit6 };
    int box = 0;
    for (TPgHeaderFooter* part : { static_cast<TPgHeaderFooter*>(&header), static_cast<TPgHeaderFooter*>(&footer) }) {
        TPgPen pen = part->Pen();
        pen.Color = form.LineColor();
        if (styled)
            pen.Style = DWORD(style);
        part->SetPen(pen);
        for (int i = 0; i < 3; ++i) {
            part->Caption(i).SetFont(font);
            part->Caption(i).SetCaption(boxes[box++]->text().left(40));
        }
    }
    header.SetShowLine(form.uxCheckBox1->Checked());
    footer.SetShowLine(form.uxCheckBox2->Checked());
}
