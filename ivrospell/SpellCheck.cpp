// SpellCheck.cpp: Ivrospell's window and its commands.
#include "SpellCheck.h"

#include "Errors.h"
#include "HunspellDictionary.h"
#include "IniFile.h"
#include "RichEditControl.h"
#include "SkinButton.h"
#include "SkinComboBox.h"
#include "SkinPanel.h"
#include "SpellSession.h"
#include "WaitCursor.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMimeData>
#include <QMessageBox>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {

const QString RtfMime = QStringLiteral("text/rtf");
const QString RtfMimeAlternative = QStringLiteral("application/rtf");

const QString OptionsSection = QStringLiteral("Options");
const QString LanguageKey = QStringLiteral("Language");

// The language of the user's session when a dictionary has it, else English, else the first.
QString DefaultLanguage(const QList<TDictionaryInfo>& dictionaries)
{
    const QString wanted[] = { QLocale::system().name(), QLocale::system().name().section(u'_', 0, 0),
        QStringLiteral("en_US"), QStringLiteral("fr_FR") };
    for (const QString& name : wanted)
        for (const TDictionaryInfo& info : dictionaries)
            if (info.Name == name)
                return name;
    return dictionaries.isEmpty() ? QString() : dictionaries.first().Name;
}

} // namespace

TfrmSpellCheck::TfrmSpellCheck(QStringList dictionaryFolders, QString settingsFolder, QWidget* parent)
    : QWidget(parent)
    , FSettingsFolder(std::move(settingsFolder))
    , FDictionaries(FindDictionaries(dictionaryFolders))
    , FPersonalWords(std::make_unique<TPersonalWordList>(QDir(FSettingsFolder).filePath(QStringLiteral("PersonalWords.txt"))))
{
    setWindowTitle(ApplicationTitle);
    CreateControls();
    // Filling the list is no choice of the user's: the stored language stays.
    const QSignalBlocker quiet(cbLanguage);
    for (const TDictionaryInfo& info : FDictionaries)
        cbLanguage->addItem(info.DisplayName(), info.Name);
    const TIniFile settings(SettingsFileName());
    QString language = settings.ReadString(OptionsSection, LanguageKey, QString());
    if (cbLanguage->findData(language) < 0)
        language = DefaultLanguage(FDictionaries);
    cbLanguage->setCurrentIndex(cbLanguage->findData(language));
    Run([&] { LoadLanguage(language); });
}

TfrmSpellCheck::~TfrmSpellCheck() = default;

QString TfrmSpellCheck::SettingsFileName() const { return QDir(FSettingsFolder).filePath(QStringLiteral("Ivrospell.ini")); }

void TfrmSpellCheck::CreateControls()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* title = new TSkinPanel(QStringLiteral("Spelling"), TSkinPanelKind::pkTitle, this);
    title->setFixedHeight(28);
    layout->addWidget(title);

    auto* body = new TSkinPanel(QString(), TSkinPanelKind::pkFlat, this);
    auto* grid = new QGridLayout(body);
    grid->setContentsMargins(10, 10, 10, 10);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(6);
    layout->addWidget(body, 1);

    grid->addWidget(new QLabel(QStringLiteral("&Language:"), body), 0, 0);
    cbLanguage = new TSkinComboBox(body);
    cbLanguage->setObjectName(QStringLiteral("cbLanguage"));
    grid->addWidget(cbLanguage, 0, 1);
    qobject_cast<QLabel*>(grid->itemAtPosition(0, 0)->widget())->setBuddy(cbLanguage);

    grid->addWidget(new QLabel(QStringLiteral("Not in the dictionary:"), body), 1, 0, 1, 2);
    memSentence = new QTextEdit(body);
    memSentence->setObjectName(QStringLiteral("memSentence"));
    memSentence->setReadOnly(true);
    memSentence->setMinimumHeight(70);
    grid->addWidget(memSentence, 2, 0, 1, 2);

    auto* changeLabel = new QLabel(QStringLiteral("C&hange to:"), body);
    grid->addWidget(changeLabel, 3, 0);
    edtReplacement = new QLineEdit(body);
    edtReplacement->setObjectName(QStringLiteral("edtReplacement"));
    changeLabel->setBuddy(edtReplacement);
    grid->addWidget(edtReplacement, 3, 1);

    auto* suggestionsLabel = new QLabel(QStringLiteral("Su&ggestions:"), body);
    suggestionsLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(suggestionsLabel, 4, 0);
    lstSuggestions = new QListWidget(body);
    lstSuggestions->setObjectName(QStringLiteral("lstSuggestions"));
    suggestionsLabel->setBuddy(lstSuggestions);
    grid->addWidget(lstSuggestions, 4, 1);

    auto* buttons = new QVBoxLayout;
    auto button = [&](const QString& name, const QString& caption, void (TfrmSpellCheck::*handler)()) {
        auto* b = new TSkinButton(caption, body);
        b->setObjectName(name);
        b->setMinimumSize(110, 26);
        if (handler)
            b->OnClick = [this, handler](QObject*) { Run([&] { (this->*handler)(); }); };
        buttons->addWidget(b);
        return b;
    };
    btnReplace = button(QStringLiteral("btnReplace"), QStringLiteral("&Replace"), &TfrmSpellCheck::btnReplaceClick);
    btnReplaceAll = button(QStringLiteral("btnReplaceAll"), QStringLiteral("Replace a&ll"), &TfrmSpellCheck::btnReplaceAllClick);
    btnIgnore = button(QStringLiteral("btnIgnore"), QStringLiteral("&Ignore"), &TfrmSpellCheck::btnIgnoreClick);
    btnIgnoreAll = button(QStringLiteral("btnIgnoreAll"), QStringLiteral("Ig&nore all"), &TfrmSpellCheck::btnIgnoreAllClick);
    btnAdd = button(QStringLiteral("btnAdd"), QStringLiteral("&Add to list"), &TfrmSpellCheck::btnAddClick);
    buttons->addStretch(1);
    btnClose = button(QStringLiteral("btnClose"), QStringLiteral("&Close"), nullptr);
    btnClose->OnClick = [this](QObject*) { close(); };
    grid->addLayout(buttons, 1, 2, 4, 1);

    lblStatus = new QLabel(body);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);
    lblStatus->setMinimumHeight(36);
    grid->addWidget(lblStatus, 5, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(4, 1);

    cbLanguage->OnChange = [this](QObject*) { Run([this] { cbLanguageChange(); }); };
    connect(lstSuggestions, &QListWidget::currentTextChanged, this, [this] { lstSuggestionsClick(); });
    connect(lstSuggestions, &QListWidget::itemDoubleClicked, this, [this] { Run([this] { btnReplaceClick(); }); });
    connect(edtReplacement, &QLineEdit::returnPressed, this, [this] { Run([this] { btnReplaceClick(); }); });
    resize(560, 400);
}

// Errors of a command are shown and end it; the window stays usable.
void TfrmSpellCheck::Run(const std::function<void()>& command)
{
    try {
        command();
    } catch (const EAbort&) {
    } catch (const std::exception& error) {
        QString message = MessageOf(error);
        if (!message.endsWith(u'.'))
            message += u'.';
        QMessageBox::critical(this, ApplicationTitle, message);
    }
}

void TfrmSpellCheck::LoadLanguage(const QString& name)
{
    for (const TDictionaryInfo& info : FDictionaries) {
        if (info.Name != name)
            continue;
        TWaitCursor wait;
        auto dictionary = std::make_unique<THunspellDictionary>(info); // the old one stays if this fails
        for (const QString& word : FPersonalWords->Words())
            dictionary->AddWord(word);
        if (FSession)
            FSession->SetDictionary(*dictionary);
        FDictionary = std::move(dictionary);
        return;
    }
}

void TfrmSpellCheck::StartFromClipboard()
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (data) {
        QByteArray rtf = data->data(RtfMime);
        if (rtf.isEmpty())
            rtf = data->data(RtfMimeAlternative);
        if (!rtf.isEmpty() && StartRichText(rtf))
            return;
    }
    Start(QApplication::clipboard()->text());
}

bool TfrmSpellCheck::StartRichText(const QByteArray& rtf)
{
    auto control = std::make_unique<TRichEditControl>();
    control->SetTextLimit(0x7FFFFFFF);
    if (!rtf.trimmed().startsWith("{\\rtf") || !control->LoadBytes(SF_RTF, rtf))
        return false;
    Start(control->Text());
    Follow(std::move(control));
    return true;
}

void TfrmSpellCheck::Follow(std::unique_ptr<TRichEditControl> richText)
{
    if (!FSession || !richText)
        return;
    FRichText = std::move(richText);
    FSession->OnReplace = [this](qsizetype start, qsizetype length, const QString& replacement) {
        FRichText->SetSelection(CHARRANGE { LONG(start), LONG(start + length) });
        FRichText->ReplaceSelection(replacement, false);
    };
}

void TfrmSpellCheck::Start(const QString& text)
{
    FSession.reset();
    FRichText.reset();
    FText = text;
    if (!FDictionary) {
        ShowCurrent();
        lblStatus->setText(FDictionaries.isEmpty()
                ? QStringLiteral("No dictionary is installed. Install the Hunspell dictionaries of your languages.")
                : QStringLiteral("The dictionary could not be read. Choose another language."));
        return;
    }
    if (text.trimmed().isEmpty()) {
        ShowCurrent();
        lblStatus->setText(QStringLiteral("The clipboard holds no text to check. Select text in Tamsel and press F9."));
        return;
    }
    FSession = std::make_unique<TSpellSession>(*FDictionary, text);
    if (FSession->Finished()) {
        ShowCurrent();
        lblStatus->setText(QStringLiteral("No spelling errors found."));
        return;
    }
    ShowCurrent();
}

void TfrmSpellCheck::ShowCurrent()
{
    const bool issue = FSession && !FSession->Finished();
    for (QWidget* control : std::initializer_list<QWidget*> { btnReplace, btnReplaceAll, btnIgnore, btnIgnoreAll, btnAdd,
             edtReplacement, lstSuggestions })
        control->setEnabled(issue);
    lstSuggestions->clear();
    if (!issue) {
        memSentence->clear();
        edtReplacement->clear();
        return;
    }
    const TSpellIssue& current = FSession->Current();
    const QString& sentence = current.Sentence;
    memSentence->setHtml(QStringLiteral("%1<b><span style=\"color:#c00000\">%2</span></b>%3")
                             .arg(sentence.left(current.WordInSentence).toHtmlEscaped(),
                                 current.Word.toHtmlEscaped(),
                                 sentence.mid(current.WordInSentence + current.Word.size()).toHtmlEscaped()));
    const QStringList suggestions = FSession->Suggestions();
    lstSuggestions->addItems(suggestions);
    edtReplacement->setText(suggestions.isEmpty() ? current.Word : suggestions.first());
    if (!suggestions.isEmpty()) {
        const QSignalBlocker quiet(lstSuggestions);
        lstSuggestions->setCurrentRow(0);
    }
    lblStatus->setText(suggestions.isEmpty() ? QStringLiteral("\"%1\" is not in the dictionary, which has no suggestion for it.").arg(current.Word)
                                             : QStringLiteral("\"%1\" is not in the dictionary.").arg(current.Word));
    edtReplacement->setFocus();
    edtReplacement->selectAll();
}

// The check is over: the corrected text goes back where it came from.
void TfrmSpellCheck::Finish()
{
    ShowCurrent();
    if (!FSession->Changed()) {
        lblStatus->setText(QStringLiteral("Spelling check complete. Nothing was changed; the clipboard is as it was."));
        return;
    }
    if (FRichText) {
        auto* data = new QMimeData;
        QString plain = FSession->Text();
        plain.replace(u'\r', u'\n').replace(u'\v', u'\n');
        data->setText(plain);
        const QByteArray rtf = FRichText->SaveBytes(SF_RTF);
        data->setData(RtfMime, rtf);
        data->setData(RtfMimeAlternative, rtf);
        QApplication::clipboard()->setMimeData(data);
    } else {
        QApplication::clipboard()->setText(FSession->Text());
    }
    lblStatus->setText(QStringLiteral("Spelling check complete. The corrected text is on the clipboard: paste it into "
                                      "your document (Ctrl+V) before closing this window."));
}

void TfrmSpellCheck::btnReplaceClick()
{
    if (!FSession || FSession->Finished())
        return;
    FSession->Replace(edtReplacement->text());
    FSession->Finished() ? Finish() : ShowCurrent();
}

void TfrmSpellCheck::btnReplaceAllClick()
{
    if (!FSession || FSession->Finished())
        return;
    FSession->ReplaceAll(edtReplacement->text());
    FSession->Finished() ? Finish() : ShowCurrent();
}

void TfrmSpellCheck::btnIgnoreClick()
{
    if (!FSession || FSession->Finished())
        return;
    FSession->Ignore();
    FSession->Finished() ? Finish() : ShowCurrent();
}

void TfrmSpellCheck::btnIgnoreAllClick()
{
    if (!FSession || FSession->Finished())
        return;
    FSession->IgnoreAll();
    FSession->Finished() ? Finish() : ShowCurrent();
}

void TfrmSpellCheck::btnAddClick()
{
    if (!FSession || FSession->Finished())
        return;
    FPersonalWords->Add(FSession->Current().Word); // stays unknown when the list cannot be written
    FSession->Add();
    FSession->Finished() ? Finish() : ShowCurrent();
}

void TfrmSpellCheck::lstSuggestionsClick()
{
    if (lstSuggestions->currentItem())
        edtReplacement->setText(lstSuggestions->currentItem()->text());
}

void TfrmSpellCheck::cbLanguageChange()
{
    const QString name = cbLanguage->currentData().toString();
    // The session keeps its text and corrections and checks again with the new dictionary.
    LoadLanguage(name);
    QDir().mkpath(FSettingsFolder);
    TIniFile settings(SettingsFileName());
    settings.WriteString(OptionsSection, LanguageKey, name);
    settings.UpdateFile();
    if (!FSession)
        Start(FText);
    else if (FSession->Finished() && FSession->Changed())
        Finish();
    else if (FSession->Finished()) {
        // Nothing was changed: the same text again from the start, in the new language.
        std::unique_ptr<TRichEditControl> richText = std::move(FRichText);
        Start(QString(FSession->Text())); // a copy: Start drops the session that holds it
        Follow(std::move(richText));
    }
    else
        ShowCurrent();
}

QString TfrmSpellCheck::StatusText() const { return lblStatus->text(); }

QString TfrmSpellCheck::CurrentWord() const
{
    return FSession && !FSession->Finished() ? FSession->Current().Word : QString();
}

QString TfrmSpellCheck::LanguageName() const { return FDictionary ? FDictionary->Info().Name : QString(); }
