#pragma once
// SpellCheck.h: Ivrospell's window: the clipboard's text checked word by word, each unknown word in
// its sentence with suggestions, and the corrected text handed back on the clipboard.
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class QTextEdit;
class THunspellDictionary;
class TPersonalWordList;
class TRichEditControl;
class TSkinButton;
class TSkinComboBox;
class TSpellSession;
struct TDictionaryInfo;

class TfrmSpellCheck : public QWidget {
    Q_OBJECT

public:
    static inline const QString ApplicationTitle = QStringLiteral("Ivrospell");

    /// Dictionaries are looked for in dictionaryFolders; the chosen language and the personal word
    /// list live in settingsFolder.
    TfrmSpellCheck(QStringList dictionaryFolders, QString settingsFolder, QWidget* parent = nullptr);
    ~TfrmSpellCheck() override;

    /// Takes the clipboard's text and shows its first unknown word, or says there is none.
    void StartFromClipboard();
    /// Checks this text (the clipboard's, or a test's).
    void Start(const QString& text);
    /// Checks the text of this rich text; the corrections keep its formatting, and the clipboard
    /// gets rich text and plain text back. False when the bytes are no rich text.
    bool StartRichText(const QByteArray& rtf);

    // Commands.
    void btnReplaceClick();
    void btnReplaceAllClick();
    void btnIgnoreClick();
    void btnIgnoreAllClick();
    void btnAddClick();
    void cbLanguageChange();
    void lstSuggestionsClick();

    // State, for tests.
    QString StatusText() const;
    QString CurrentWord() const;
    QString LanguageName() const;
    const TPersonalWordList& PersonalWords() const { return *FPersonalWords; }

    TSkinComboBox* cbLanguage = nullptr;
    QTextEdit* memSentence = nullptr;
    QLineEdit* edtReplacement = nullptr;
    QListWidget* lstSuggestions = nullptr;
    TSkinButton* btnReplace = nullptr;
    TSkinButton* btnReplaceAll = nullptr;
    TSkinButton* btnIgnore = nullptr;
    TSkinButton* btnIgnoreAll = nullptr;
    TSkinButton* btnAdd = nullptr;
    TSkinButton* btnClose = nullptr;
    QLabel* lblStatus = nullptr;

private:
    void CreateControls();
    void LoadLanguage(const QString& name);
    void ShowCurrent();
    /// The corrections of the session from now on go into the rich text too.
    void Follow(std::unique_ptr<TRichEditControl> richText);
    void Finish();
    void Run(const std::function<void()>& command);
    QString SettingsFileName() const;

    QString FSettingsFolder;
    QList<TDictionaryInfo> FDictionaries;
    std::unique_ptr<THunspellDictionary> FDictionary;
    std::unique_ptr<TPersonalWordList> FPersonalWords;
    std::unique_ptr<TRichEditControl> FRichText; // the clipboard's rich text, corrected along
    std::unique_ptr<TSpellSession> FSession;
    QString FText; // as it came, for a check started again in another language
};
