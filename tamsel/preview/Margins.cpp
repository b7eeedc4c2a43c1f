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

QString InchText(int millimetres)
{
    // "#0.0#": one or two decimals.
    QString number = QLocale().toString(millimetres / 25.4, 'f', 2);
    if (number.endsWith(u'0'))
        number.chop(1);
    return QStringLiteral("Value in Inches: ") + number;
}

TMarginsForm::TMarginsForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("MarginsForm"));
    setWindowTitle(QStringLiteral("Marges de Page"));
    setFixedSize(360, 280);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(0xEF, 0xEC, 0xDE)); // colour value 14609391
    setPalette(colours);
    new TWindowDragger(*this);

    SkPanel1 = new TSkinPanel(QStringLiteral("Marges de Page"), TSkinPanelKind::pkTitle, this);
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
    label(QStringLiteral("Haut"), 12, 12);
    label(QStringLiteral("Gauche"), 12, 44);
    label(QStringLiteral(" Bas"), 176, 12);
    label(QStringLiteral("Droite"), 176, 44);
    label(QStringLiteral("Tête Page"), 12, 86);
    label(QStringLiteral("Pied Page"), 176, 86);
    label(QStringLiteral("   en mm"), 250, 120);
    SpinEdit2 = Spin(1, MinPageMargin, MaxPageMargin, 15, QRect(90, 10, 70, 26));
    SpinEdit1 = Spin(2, MinPageMargin, MaxPageMargin, 25, QRect(90, 42, 70, 26));
    SpinEdit4 = Spin(3, MinPageMargin, MaxPageMargin, 15, QRect(254, 10, 70, 26));
    SpinEdit3 = Spin(4, MinPageMargin, MaxPageMargin, 25, QRect(254, 42, 70, 26));
    SpinHeader = Spin(5, MinHeaderMargin, MaxHeaderMargin, 10, QRect(90, 84, 70, 26));
    SpinFooter = Spin(6, MinHeaderMargin, MaxHeaderMargin, 10, QRect(254, 84, 70, 26));
    for (TRtSpinEdit* box : { SpinHeader, SpinFooter }) {
        box->SetEditorEnabled(false);
        box->SetMaxLength(2);
    }
    Label6 = new QLabel(QStringLiteral("valeur en Pouces: 0"), SkPanel3);
    Label6->setGeometry(12, 146, 240, 22);
    Label6->hide();

    SkPanel2 = new TSkinPanel(QString(), TSkinPanelKind::pkPanel, this);
    SkPanel2->setGeometry(0, 234, 360, 46);
    SkButton2 = new TSkinButton(QStringLiteral(" Appliquer"), SkPanel2);
    SkButton2->setObjectName(QStringLiteral("SkButton2"));
    SkButton2->setGeometry(150, 8, 100, 30);
    SetHint(*SkButton2, QStringLiteral("Appliquer Modifs"));
    SkButton2->OnClick = [this](QObject*) { SkButton2Click(); };
    SkButton1 = new TSkinButton(QStringLiteral(" Fermer"), SkPanel2);
    SkButton1->setObjectName(QStringLiteral("SkButton1"));
    SkButton1->setGeometry(254, 8, 100, 30);
    SetHint(*SkButton1, QStringLiteral("Fermer"));
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
    Label6->setText(InchText(sender->Value()));
    Label6->show();
}

void TMarginsForm::SpinEdit2MouseMove(TRtSpinEdit* sender) { SpinEdit2Change(sender); }

void TMarginsForm::SkPanel3MouseMove() { Label6->hide(); }
