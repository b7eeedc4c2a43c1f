// FindDialog.cpp: laid out like the platform's find and replace boxes: fields and options on the
// left, the buttons in a column on the right.
#include "FindDialog.h"

#include "CommandGuard.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TFindDialog::TFindDialog(IFindDialog& owner, bool replace, IDialogs& dialogs, QWidget* parent)
    : QDialog(parent)
    , FOwner(owner)
    , FDialogs(dialogs)
    , FReplace(replace)
{
    setObjectName(replace ? QStringLiteral("ReplaceDialog") : QStringLiteral("FindDialog"));
    setWindowTitle(replace ? QStringLiteral("Replace") : QStringLiteral("Find"));
    setModal(false);
    CreateControls();
    SetOptions(FOptions);
    FindWhatChange();
}

void TFindDialog::CreateControls()
{
    auto* fields = new QGridLayout;
    FindWhat = new QLineEdit(this);
    auto* findLabel = new QLabel(QStringLiteral("Fi&nd what:"), this);
    findLabel->setBuddy(FindWhat);
    fields->addWidget(findLabel, 0, 0);
    fields->addWidget(FindWhat, 0, 1);
    if (FReplace) {
        ReplaceWith = new QLineEdit(this);
        auto* replaceLabel = new QLabel(QStringLiteral("Re&place with:"), this);
        replaceLabel->setBuddy(ReplaceWith);
        fields->addWidget(replaceLabel, 1, 0);
        fields->addWidget(ReplaceWith, 1, 1);
    }

    ChkWholeWord = new QCheckBox(QStringLiteral("Match &whole word only"), this);
    ChkMatchCase = new QCheckBox(QStringLiteral("Match &case"), this);
    auto* checks = new QVBoxLayout;
    checks->addWidget(ChkWholeWord);
    checks->addWidget(ChkMatchCase);
    checks->addStretch();
    auto* options = new QHBoxLayout;
    options->addLayout(checks);
    if (!FReplace) {
        GrpDirection = new QGroupBox(QStringLiteral("Direction"), this);
        RbUp = new QRadioButton(QStringLiteral("&Up"), GrpDirection);
        RbDown = new QRadioButton(QStringLiteral("&Down"), GrpDirection);
        auto* direction = new QHBoxLayout(GrpDirection);
        direction->addWidget(RbUp);
        direction->addWidget(RbDown);
        options->addWidget(GrpDirection);
    }

    auto* left = new QVBoxLayout;
    left->addLayout(fields);
    left->addLayout(options);

    BtnFindNext = new QPushButton(QStringLiteral("&Find Next"), this);
    BtnFindNext->setDefault(true);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(BtnFindNext);
    if (FReplace) {
        BtnReplace = new QPushButton(QStringLiteral("&Replace"), this);
        BtnReplaceAll = new QPushButton(QStringLiteral("Replace &All"), this);
        buttons->addWidget(BtnReplace);
        buttons->addWidget(BtnReplaceAll);
    }
    BtnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    buttons->addWidget(BtnCancel);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);

    connect(FindWhat, &QLineEdit::textChanged, this, &TFindDialog::FindWhatChange);
    connect(BtnFindNext, &QPushButton::clicked, this, [this] { Raise(FOwner.OnFind); });
    if (FReplace) {
        connect(BtnReplace, &QPushButton::clicked, this, [this] { Raise(FOwner.OnReplace); });
        connect(BtnReplaceAll, &QPushButton::clicked, this, [this] { Raise(FOwner.OnReplaceAll); });
    }
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    // Cancel, Escape and the title bar's close button all end in done(), which hides the window.
    connect(this, &QDialog::finished, this, [this] { Raise(FOwner.OnClose); });
}

void TFindDialog::Raise(const TFindDialogEvent& event)
{
    if (!event)
        return;
    const TFindDialogEvent handler = event; // the handler may replace the event while it runs
    RunCommand(FDialogs, [&] { handler(FOwner); });
}

// As on the platform, there is nothing to find or replace while the search text is empty.
void TFindDialog::FindWhatChange()
{
    const bool hasText = !FindWhat->text().isEmpty();
    BtnFindNext->setEnabled(hasText);
    if (FReplace) {
        BtnReplace->setEnabled(hasText);
        BtnReplaceAll->setEnabled(hasText);
    }
}

TFindOptions TFindDialog::Options() const
{
    TFindOptions options = FOptions;
    options.MatchCase = ChkMatchCase->isChecked();
    options.WholeWord = ChkWholeWord->isChecked();
    if (RbDown)
        options.Down = RbDown->isChecked();
    return options;
}

void TFindDialog::SetOptions(const TFindOptions& options)
{
    FOptions = options;
    ChkMatchCase->setChecked(options.MatchCase);
    ChkMatchCase->setVisible(!options.HideMatchCase);
    ChkMatchCase->setEnabled(!options.DisableMatchCase);
    ChkWholeWord->setChecked(options.WholeWord);
    ChkWholeWord->setVisible(!options.HideWholeWord);
    ChkWholeWord->setEnabled(!options.DisableWholeWord);
    if (GrpDirection) {
        RbDown->setChecked(options.Down);
        RbUp->setChecked(!options.Down);
        GrpDirection->setVisible(!options.HideUpDown);
        GrpDirection->setEnabled(!options.DisableUpDown);
    }
}

TQtFindDialog::TQtFindDialog(bool replace, IDialogs& dialogs, QWidget* parent)
    : FReplace(replace)
    , FWindow(new TFindDialog(*this, replace, dialogs, parent))
{
}

TQtFindDialog::~TQtFindDialog() { delete FWindow.data(); }

QString TQtFindDialog::FindText() const { return FWindow ? FWindow->FindWhat->text() : QString(); }

void TQtFindDialog::SetFindText(const QString& text)
{
    if (FWindow)
        FWindow->FindWhat->setText(text);
}

QString TQtFindDialog::ReplaceText() const
{
    return FWindow && FWindow->ReplaceWith ? FWindow->ReplaceWith->text() : QString();
}

void TQtFindDialog::SetReplaceText(const QString& text)
{
    if (FWindow && FWindow->ReplaceWith)
        FWindow->ReplaceWith->setText(text);
}

TFindOptions TQtFindDialog::Options() const { return FWindow ? FWindow->Options() : TFindOptions(); }

void TQtFindDialog::SetOptions(const TFindOptions& options)
{
    if (FWindow)
        FWindow->SetOptions(options);
}

void TQtFindDialog::Show()
{
    if (!FWindow)
        return;
    FWindow->show();
    FWindow->raise();
    FWindow->activateWindow();
    FWindow->FindWhat->setFocus();
    FWindow->FindWhat->selectAll();
}

void TQtFindDialog::Close()
{
    if (FWindow && FWindow->isVisible())
        FWindow->reject();
}

bool TQtFindDialog::IsVisible() const { return FWindow && FWindow->isVisible(); }

QRect TQtFindDialog::WindowRect() const { return FWindow ? FWindow->frameGeometry() : QRect(); }

void TQtFindDialog::Move(int x, int y)
{
    if (FWindow)
        FWindow->move(x, y);
}
