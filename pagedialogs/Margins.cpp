// Margins.cpp: the margins dialog.
#include "Margins.h"

#include "Dialogs.h"
#include "Hints.h"
#include "RtSpinEdit.h"
#include "SkinButton.h"
#include "SkinPanel.h"
#include "WindowDragger.h"

#include <QLabel>
#include <QLocale>
#include <QPalette>

bool MarginsInLimits(const TPgPrintMargins& margins)
{
    auto within = [](int value, int low, int high) { return value >= low && value <= high; };
    return within(margins.Top, MinPageMargin, MaxPageMargin) && within(margins.Left, MinPageMargin, MaxPageMargin)
        && within(margins.Bottom, MinPageMargin, MaxPageMargin) && within(margins.Right, MinPageMargin, MaxPageMargin)
        && within(margins.Header, MinHeaderMargin, MaxHeaderMargin)
        && within(margins.Footer, MinHeaderMargin, MaxHeaderMargin);
}


namespace {

// "#0.0#": one or two decimals, the locale's separator.
QString Inches(double millimetres)
{
    QString number = QLocale().toString(millimetres / 25.4, 'f', 2);
    if (number.endsWith(u'0'))
        number.chop(1);
    return number;
}

} // namespace

QString InchText(int millimetres) { return QStringLiteral("Value in Inches: ") + Inches(millimetres); }

TMarginsFormTexts TMarginsFormTexts::French()
{
    TMarginsFormTexts texts;
    texts.Title = QStringLiteral("Marges de Page");
    texts.Top = QStringLiteral("Haut");
    texts.Left = QStringLiteral("Gauche");
    texts.Bottom = QStringLiteral(" Bas");
    texts.Right = QStringLiteral("Droite");
    texts.Header = QStringLiteral("Tête Page");
    texts.Footer = QStringLiteral("Pied Page");
    texts.Unit = QStringLiteral("   en mm");
    texts.InchLabel = QStringLiteral("valeur en Pouces: 0");
    texts.Apply = QStringLiteral(" Appliquer");
    texts.ApplyHint = QStringLiteral("Appliquer Modifs");
    texts.Close = QStringLiteral(" Fermer");
    texts.CloseHint = QStringLiteral("Fermer");
    return texts;
}

TMarginsFormTexts TMarginsFormTexts::English()
{
    TMarginsFormTexts texts;
    texts.Title = QStringLiteral("Page Margins");
    texts.Top = QStringLiteral("Top");
    texts.Left = QStringLiteral("Left");
    texts.Bottom = QStringLiteral("Bottom");
    texts.Right = QStringLiteral("Right");
    texts.Header = QStringLiteral("Header");
    texts.Footer = QStringLiteral("Footer");
    texts.Unit = QStringLiteral("Millimeters");
    texts.InchLabel = QStringLiteral("Value in Inches: 0");
    texts.Apply = QStringLiteral("  Apply");
    texts.ApplyHint = QStringLiteral("Apply Changes");
    texts.Close = QStringLiteral("  Close");
    texts.CloseHint = QStringLiteral("Close");
    texts.StartMargin = 19;
    texts.TypedHeights = true;
    texts.InchLabelShown = true;
    texts.IncludingHeights = true;
    return texts;
}

TMarginsForm::TMarginsForm(QWidget* parent, const TMarginsFormTexts& texts)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , FTexts(texts)
{
    setObjectName(QStringLiteral("MarginsForm"));
    setWindowTitle(texts.Title);
    setFixedSize(360, 280);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(0xEF, 0xEC, 0xDE)); // colour value 14609391
    setPalette(colours);
    new TWindowDragger(*this);

    SkPanel1 = new TSkinPanel(texts.Title, TSkinPanelKind::pkTitle, this);
    SkPanel1->setGeometry(0, 0, 360, 45);
    SkPanel1->SetDragsWindow(true);

    SkPanel3 = new TSkinPanel(QString(), TSkinPanelKind::pkFlat, this);
    SkPanel3->SetColor(0xFFFFFF);
    SkPanel3->setGeometry(8, 52, 344, 176);
    SkPanel3->setMouseTracking(true);
    SkPanel3->OnMouseMove = [this](QObject*, Qt::KeyboardModifiers, int, int) { SkPanel3MouseMove(); };
    auto label = [this](const QString& text, int x, int y) {
        auto* shown = new QLabel(text, SkPanel3);
        shown->setGeometry(x, y, 80, 22);
        return shown;
    };
    label(texts.Top, 12, 12);
    label(texts.Left, 12, 44);
    label(texts.Bottom, 176, 12);
    label(texts.Right, 176, 44);
    label(texts.Header, 12, 86);
    label(texts.Footer, 176, 86);
    label(texts.Unit, 250, 120);
    const int across = texts.StartMargin ? texts.StartMargin : 25, down = texts.StartMargin ? texts.StartMargin : 15;
    SpinEdit2 = Spin(1, MinPageMargin, MaxPageMargin, down, QRect(90, 10, 70, 26));
    SpinEdit1 = Spin(2, MinPageMargin, MaxPageMargin, across, QRect(90, 42, 70, 26));
    SpinEdit4 = Spin(3, MinPageMargin, MaxPageMargin, down, QRect(254, 10, 70, 26));
    SpinEdit3 = Spin(4, MinPageMargin, MaxPageMargin, across, QRect(254, 42, 70, 26));
    SpinHeader = Spin(5, MinHeaderMargin, MaxHeaderMargin, 10, QRect(90, 84, 70, 26));
    SpinFooter = Spin(6, MinHeaderMargin, MaxHeaderMargin, 10, QRect(254, 84, 70, 26));
    for (TRtSpinEdit* box : { SpinHeader, SpinFooter }) {
        box->SetEditorEnabled(texts.TypedHeights);
        box->SetMaxLength(2);
    }
    Label6 = new QLabel(texts.InchLabel, SkPanel3);
    Label6->setGeometry(12, 146, 330, 22);
    Label6->setVisible(texts.InchLabelShown);

    SkPanel2 = new TSkinPanel(QString(), TSkinPanelKind::pkPanel, this);
    SkPanel2->setGeometry(0, 234, 360, 46);
    SkButton2 = new TSkinButton(texts.Apply, SkPanel2);
    SkButton2->setObjectName(QStringLiteral("SkButton2"));
    SkButton2->setGeometry(150, 8, 100, 30);
    SetHint(*SkButton2, texts.ApplyHint);
    SkButton2->OnClick = [this](QObject*) { SkButton2Click(); };
    SkButton1 = new TSkinButton(texts.Close, SkPanel2);
    SkButton1->setObjectName(QStringLiteral("SkButton1"));
    SkButton1->setGeometry(254, 8, 100, 30);
    SetHint(*SkButton1, texts.CloseHint);
    SkButton1->OnClick = [this](QObject*) { done(int(TModalResult::mrCancel)); };
}

TRtSpinEdit* TMarginsForm::Spin(int tag, int minimum, int maximum, int value, const QRect& place)
{
    auto* box = new TRtSpinEdit(SkPanel3);
    box->SetMinValue(minimum);
    box->SetMaxValue(maximum);
    box->SetValue(value);
    box->SetTag(tag);
    box->setGeometry(place);
    box->setMouseTracking(true);
    box->OnChange = [this, box](QObject*) { SpinEdit2Change(box); };
    box->OnMouseMove = [this, box](QObject*, Qt::KeyboardModifiers, int, int) { SpinEdit2MouseMove(box); };
    return box;
}

TPgPrintMargins TMarginsForm::Values() const
{
    return { SpinEdit2->Value(), SpinEdit1->Value(), SpinEdit4->Value(), SpinEdit3->Value(), SpinHeader->Value(),
        SpinFooter->Value() };
}

void TMarginsForm::SetValues(const TPgPrintMargins& margins)
{
    SpinEdit2->SetValue(margins.Top);
    SpinEdit1->SetValue(margins.Left);
    SpinEdit4->SetValue(margins.Bottom);
    SpinEdit3->SetValue(margins.Right);
    SpinHeader->SetValue(margins.Header);
    SpinFooter->SetValue(margins.Footer);
}

void TMarginsForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (parentWidget())
        move(parentWidget()->window()->geometry().center() - rect().center());
    FormActivate();
}

void TMarginsForm::FormActivate()
{
    if (OnLoadMargins)
        SetValues(OnLoadMargins());
}

void TMarginsForm::SkButton2Click()
{
    if (OnStoreMargins)
        OnStoreMargins(Values());
    done(int(TModalResult::mrOk));
}

void TMarginsForm::SpinEdit2Change(TRtSpinEdit* sender)
{
    QString text = InchText(sender->Value());
    if (FTexts.IncludingHeights && sender == SpinEdit2)
        text += QStringLiteral(" >> Including Header: ") + Inches(SpinEdit2->Value() + SpinHeader->Value());
    else if (FTexts.IncludingHeights && sender == SpinEdit4)
        text += QStringLiteral(" >> Including Footer: ") + Inches(SpinEdit4->Value() + SpinFooter->Value());
    Label6->setText(text);
    Label6->show();
}

void TMarginsForm::SpinEdit2MouseMove(TRtSpinEdit* sender) { SpinEdit2Change(sender); }

void TMarginsForm::SkPanel3MouseMove() { Label6->hide(); }
