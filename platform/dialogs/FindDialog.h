#pragma once
// FindDialog.h: the modeless find and replace window, and the IFindDialog that owns it.
#include "Dialogs.h"

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TFindDialog : public QDialog {
    Q_OBJECT

public:
    /// The buttons raise the owner's events inside the command guard, which reports through dialogs.
    TFindDialog(IFindDialog& owner, bool replace, IDialogs& dialogs, QWidget* parent);

    TFindOptions Options() const;
    void SetOptions(const TFindOptions& options);

    QLineEdit* FindWhat = nullptr;
    QLineEdit* ReplaceWith = nullptr; // replace dialog only
    QCheckBox* ChkWholeWord = nullptr;
    QCheckBox* ChkMatchCase = nullptr;
    QGroupBox* GrpDirection = nullptr; // find dialog only
    QRadioButton* RbUp = nullptr;
    QRadioButton* RbDown = nullptr;
    QPushButton* BtnFindNext = nullptr;
    QPushButton* BtnReplace = nullptr; // replace dialog only
    QPushButton* BtnReplaceAll = nullptr;
    QPushButton* BtnCancel = nullptr;

private:
    void CreateControls();
    void Raise(const TFindDialogEvent& event);
    void FindWhatChange();

    IFindDialog& FOwner;
    IDialogs& FDialogs;
    bool FReplace;
    TFindOptions FOptions; // the hide and disable flags, and the direction of the replace dialog
};

class TQtFindDialog : public IFindDialog {
public:
    TQtFindDialog(bool replace, IDialogs& dialogs, QWidget* parent);
    ~TQtFindDialog() override;
    TQtFindDialog(const TQtFindDialog&) = delete;
    TQtFindDialog& operator=(const TQtFindDialog&) = delete;

    bool IsReplaceDialog() const override { return FReplace; }
    QString FindText() const override;
    void SetFindText(const QString& text) override;
    QString ReplaceText() const override;
    void SetReplaceText(const QString& text) override;
    TFindOptions Options() const override;
    void SetOptions(const TFindOptions& options) override;
    void Show() override;
    void Close() override;
    bool IsVisible() const override;
    QRect WindowRect() const override;
    void Move(int x, int y) override;

    /// Null once the window went with its parent.
    TFindDialog* Window() const { return FWindow.data(); }

private:
    bool FReplace;
    QPointer<TFindDialog> FWindow;
};
