// PresentationOptions.cpp: the presentation options window and the page geometry of each choice.
#include "PresentationOptions.h"
#include "CommandGuard.h"
#include "Dialogs.h"
#include "RtSpinEdit.h"
#include "SkinButton.h"
#include "SkinCheckBox.h"
#include "SkinPanel.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QToolButton>

QSize TPresentationOptions::PictureSize() const
{
    switch (Page) {
    case TPresentationPage::ppFullPage:
        return { 693, 950 };
    case TPresentationPage::ppHalfPage:
        return { 693, 485 };
    case TPresentationPage::ppScreen:
        break;
    }
    switch (Screen) {
    case TScreenSize::ss900x675:
        return { 900, 675 };
    case TScreenSize::ss1000x750:
        return { 1000, 750 };
    case TScreenSize::ss800x600:
        break;
    }
    return { 800, 600 };
}

RECT TPresentationOptions::TextRect() const
{
    const QSize size = PictureSize();
    return { 20, 20, size.width() - 20, size.height() - 20 };
}

QString ScreenSizeCaption(TScreenSize size)
{
    switch (size) {
    case TScreenSize::ss900x675:
        return QStringLiteral("900 x 675");
    case TScreenSize::ss1000x750:
        return QStringLiteral("1000 x 750");
    case TScreenSize::ss800x600:
        break;
    }
    return QStringLiteral("800 x 600");
}

bool ParseSlide(const QString& text, TPresentationOptions& options)
{
    if (text == QLatin1String("full")) {
        options.Page = TPresentationPage::ppFullPage;
        return true;
    }
    if (text == QLatin1String("half")) {
        options.Page = TPresentationPage::ppHalfPage;
        return true;
    }
    for (TScreenSize size : { TScreenSize::ss800x600, TScreenSize::ss900x675, TScreenSize::ss1000x750 }) {
        if (ScreenSizeCaption(size).remove(u' ') == text) {
            options.Page = TPresentationPage::ppScreen;
            options.Screen = size;
            return true;
        }
    }
    return false;
}

namespace {

TSkinPanel* ChoicePanel(const QString& caption, const QRect& geometry, QWidget* parent)
{
    auto* panel = new TSkinPanel(caption, TSkinPanelKind::pkFlat, parent);
    panel->setGeometry(geometry);
    panel->setMouseTracking(true);
    panel->setCursor(Qt::PointingHandCursor);
    return panel;
}

QFrame* HoverFrame(const QRect& around, QWidget* parent)
{
    auto* bevel = new QFrame(parent);
    bevel->setFrameShape(QFrame::Box);
    bevel->setStyleSheet(QStringLiteral("QFrame { border: 2px solid rgb(42, 84, 148); }"));
    bevel->setGeometry(around.adjusted(-4, -4, 4, 4));
    bevel->setAttribute(Qt::WA_TransparentForMouseEvents);
    bevel->hide();
    return bevel;
}

} // namespace

TfrmPresentation::TfrmPresentation(IDialogs& dialogs, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , FDialogs(dialogs)
{
    setObjectName(QStringLiteral("frmPresentation"));
    setWindowTitle(QStringLiteral("Options Presentation"));
    setFixedSize(634, 253);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);
    CreateControls();
    SetOptions(TPresentationOptions {});
}

void TfrmPresentation::CreateControls()
{
    SkPanel1 = new TSkinPanel(QStringLiteral("Options Page Presentation"), TSkinPanelKind::pkTitle, this);
    SkPanel1->setGeometry(0, 0, 634, 28);
    SkPanel1->SetDragsWindow(true);

    SkPanel3 = new TSkinGroupPanel(QStringLiteral("Taille de Page Presentation"), this);
    SkPanel3->setGeometry(8, 36, 380, 208);
    SkPanel3->setMouseTracking(true);
    SkPanel3->OnMouseMove = [this](QObject*, Qt::KeyboardModifiers, int, int) { SkPanel3MouseMove(); };

    Panel1 = ChoicePanel(QStringLiteral("Page Entière"), QRect(12, 36, 92, 156), SkPanel3);
    Panel2 = ChoicePanel(QStringLiteral("Demi-Page"), QRect(116, 36, 92, 74), SkPanel3);
    Panel3 = ChoicePanel(QStringLiteral("Demi-Page"), QRect(116, 118, 92, 74), SkPanel3);
    Panel4 = ChoicePanel(QStringLiteral("Taille Ecran 4:3"), QRect(220, 36, 148, 112), SkPanel3);
    Panel4->SetAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label3 = new QLabel(Panel4);
    Label3->setGeometry(0, 60, 148, 24);
    Label3->setAlignment(Qt::AlignCenter);
    Label3->setCursor(Qt::PointingHandCursor);
    Label3->installEventFilter(this);

    Bevel1 = HoverFrame(Panel1->geometry(), SkPanel3);
    Bevel2 = HoverFrame(QRect(116, 36, 92, 156), SkPanel3);
    Bevel3 = HoverFrame(Panel4->geometry(), SkPanel3);

    uxToolButton1 = new QToolButton(SkPanel3);
    uxToolButton1->setArrowType(Qt::LeftArrow);
    uxToolButton1->setToolTip(QStringLiteral("Plus Petit"));
    uxToolButton1->setGeometry(250, 156, 36, 36);
    uxToolButton2 = new QToolButton(SkPanel3);
    uxToolButton2->setArrowType(Qt::RightArrow);
    uxToolButton2->setToolTip(QStringLiteral("Plus Grand"));
    uxToolButton2->setGeometry(302, 156, 36, 36);

    SkPanel4 = new TSkinGroupPanel(QStringLiteral("Fixer Durée Affichage par Page"), this);
    SkPanel4->setGeometry(396, 36, 230, 84);
    RtSpinEdit1 = new TRtSpinEdit(SkPanel4);
    RtSpinEdit1->setGeometry(16, 40, 64, 26);
    RtSpinEdit1->SetMinValue(5);
    RtSpinEdit1->SetMaxValue(60);
    Label2 = new QLabel(QStringLiteral("Secondes"), SkPanel4);
    Label2->setGeometry(90, 40, 100, 26);

    chkFrame = new TSkinCheckBox(QStringLiteral("Ajout Cadre à Chaque Page."), this);
    chkFrame->setGeometry(396, 128, 230, 24);
    Label5 = new QLabel(QStringLiteral("Couleur de Cadre:"), this);
    Label5->setGeometry(396, 160, 130, 24);
    Panel5 = new TSkinPanel(QString(), TSkinPanelKind::pkFlat, this);
    Panel5->setGeometry(534, 160, 48, 24);
    SkButton3 = new TSkinButton(QStringLiteral("..."), this);
    SkButton3->setGeometry(590, 160, 36, 24);

    btnClose = new TSkinButton(QStringLiteral("Sauver"), this);
    btnClose->setGeometry(526, 208, 100, 32);

    Panel1->OnMouseDown = [this](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) { Panel1Click(); };
    Panel2->OnMouseDown = [this](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) { Panel2Click(); };
    Panel3->OnMouseDown = [this](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) { Panel2Click(); };
    Panel4->OnMouseDown = [this](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) { Panel4Click(); };
    Panel1->OnMouseMove = [this](QObject*, Qt::KeyboardModifiers, int, int) { Panel1MouseMove(); };
    Panel2->OnMouseMove = [this](QObject*, Qt::KeyboardModifiers, int, int) { Panel2MouseMove(); };
    Panel3->OnMouseMove = [this](QObject*, Qt::KeyboardModifiers, int, int) { Panel2MouseMove(); };
    Panel4->OnMouseMove = [this](QObject*, Qt::KeyboardModifiers, int, int) { Panel4MouseMove(); };
    connect(uxToolButton1, &QToolButton::clicked, this, Guarded(FDialogs, [this](bool) { uxToolButton1Click(); }));
    connect(uxToolButton2, &QToolButton::clicked, this, Guarded(FDialogs, [this](bool) { uxToolButton2Click(); }));
    connect(SkButton3, &QAbstractButton::clicked, this, Guarded(FDialogs, [this](bool) { SkButton3Click(); }));
    connect(btnClose, &QAbstractButton::clicked, this, Guarded(FDialogs, [this](bool) { btnCloseClick(); }));
}

TPresentationOptions TfrmPresentation::Options() const
{
    TPresentationOptions options;
    options.Page = FPage;
    options.Screen = FScreen;
    options.Seconds = RtSpinEdit1->Value();
    options.Frame = chkFrame->Checked();
    options.FrameColor = Panel5->Color();
    return options;
}

void TfrmPresentation::SetOptions(const TPresentationOptions& options)
{
    SetScreen(options.Screen);
    Select(options.Page);
    RtSpinEdit1->SetValue(options.Seconds);
    chkFrame->SetChecked(options.Frame);
    Panel5->SetColor(options.FrameColor);
}

void TfrmPresentation::Select(TPresentationPage page)
{
    FPage = page;
    const auto paint = [](TSkinPanel* panel, bool chosen) {
        panel->SetColor(chosen ? PresentationSelectionColor : PresentationChoiceColor);
        panel->SetFontColor(chosen ? RGB(255, 255, 255) : RGB(0, 0, 0));
    };
    paint(Panel1, page == TPresentationPage::ppFullPage);
    paint(Panel2, page == TPresentationPage::ppHalfPage);
    paint(Panel3, page == TPresentationPage::ppHalfPage);
    paint(Panel4, page == TPresentationPage::ppScreen);
    Label3->setStyleSheet(page == TPresentationPage::ppScreen ? QStringLiteral("color: white;") : QStringLiteral("color: black;"));
}

void TfrmPresentation::SetScreen(TScreenSize size)
{
    FScreen = size;
    Label3->setText(ScreenSizeCaption(size));
}

void TfrmPresentation::ShowBevel(QFrame* bevel)
{
    for (QFrame* each : { Bevel1, Bevel2, Bevel3 })
        each->setVisible(each == bevel);
}

void TfrmPresentation::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

bool TfrmPresentation::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label3 && event->type() == QEvent::MouseButtonPress) {
        Panel4Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmPresentation::FormShow()
{
    ShowBevel(nullptr);
    if (parentWidget())
        move(parentWidget()->window()->geometry().center() - rect().center());
}

void TfrmPresentation::Panel1Click() { Select(TPresentationPage::ppFullPage); }
void TfrmPresentation::Panel2Click() { Select(TPresentationPage::ppHalfPage); }
void TfrmPresentation::Panel4Click() { Select(TPresentationPage::ppScreen); }
void TfrmPresentation::Panel1MouseMove() { ShowBevel(Bevel1); }
void TfrmPresentation::Panel2MouseMove() { ShowBevel(Bevel2); }
void TfrmPresentation::Panel4MouseMove() { ShowBevel(Bevel3); }
void TfrmPresentation::SkPanel3MouseMove() { ShowBevel(nullptr); }

void TfrmPresentation::uxToolButton1Click()
{
    if (FScreen == TScreenSize::ss1000x750)
        SetScreen(TScreenSize::ss900x675);
    else if (FScreen == TScreenSize::ss900x675)
        SetScreen(TScreenSize::ss800x600);
}

void TfrmPresentation::uxToolButton2Click()
{
    if (FScreen == TScreenSize::ss800x600)
        SetScreen(TScreenSize::ss900x675);
    else if (FScreen == TScreenSize::ss900x675)
        SetScreen(TScreenSize::ss1000x750);
}

void TfrmPresentation::SkButton3Click()
{
    COLORREF color = Panel5->Color();
    if (FDialogs.ChooseColor(color))
        Panel5->SetColor(color);
}

void TfrmPresentation::btnCloseClick() { done(int(TModalResult::mrOk)); }
