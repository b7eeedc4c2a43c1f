// Preview.cpp: the merge preview window.
#include "Preview.h"

#include "CommandGuard.h"
#include "CsvFile.h"
#include "Dialogs.h"
#include "Errors.h"
#include "IniFile.h"
#include "MergeSettings.h"
#include "PgPreview.h"
#include "PgRtfMailMerge.h"
#include "PgRtfPreview.h"
#include "RtRichEd.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TPrintPreviewForm::TPrintPreviewForm(IDialogs& dialogs, const QString& settingsFolder, QWidget* parent)
    : QDialog(parent)
    , FDialogs(dialogs)
    , FPgRtfPreview1(std::make_unique<TPgRtfPreview>())
    , FPgRtfMailMerge1(std::make_unique<TPgRtfMailMerge>())
    , FSource(std::make_unique<TMergeFieldSource>())
{
    setWindowTitle(QStringLiteral("Print Preview"));
    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    layout->addLayout(bar);
    auto button = [&](const QString& caption) {
        auto* made = new QPushButton(caption);
        bar->addWidget(made);
        return made;
    };
    ToolButton1 = button(QStringLiteral("First Page"));
    btnRight = button(QStringLiteral("Previous Page"));
    btnLeft = button(QStringLiteral("Next Page"));
    ToolButton2 = button(QStringLiteral("Last Page"));
    btnPrintAl = button(QStringLiteral("Print All Pages"));
    btnPrintPage = button(QStringLiteral("Current Page"));
    SkButton1 = button(QStringLiteral("Range"));
    btnClose = button(QStringLiteral("Close"));
    Label3 = new QLabel(QStringLiteral("Page: 1 of 1"));
    bar->addWidget(Label3);
    PgPreview1 = new TPgPreview;
    layout->addWidget(PgPreview1, 1);
    FPgRtfPreview1->SetPreview(PgPreview1);
    FPgRtfPreview1->SetDialogs(&dialogs);
    FPgRtfMailMerge1->SetPgRtfPreview(FPgRtfPreview1.get());
    FPgRtfMailMerge1->OnGetField = [this](QObject*, int record, const QString& field, QString& text) {
        text = FSource->Value(record, field);
    };
    PgPreview1->OnPageChanged = [this](QObject*) { PgPreview1PageChanged(); };

    connect(ToolButton1, &QPushButton::clicked, this, [this] { PgPreview1->FirstPage(); });
    connect(btnRight, &QPushButton::clicked, this, [this] { PgPreview1->PrevPage(); });
    connect(btnLeft, &QPushButton::clicked, this, [this] { PgPreview1->NextPage(); });
    connect(ToolButton2, &QPushButton::clicked, this, [this] { PgPreview1->LastPage(); });
    connect(btnPrintAl, &QPushButton::clicked, this, [this] { RunCommand(FDialogs, [&] { btnPrintAlClick(); }); });
    connect(btnPrintPage, &QPushButton::clicked, this, [this] { RunCommand(FDialogs, [&] { btnPrintPageClick(); }); });
    connect(SkButton1, &QPushButton::clicked, this, [this] { RunCommand(FDialogs, [&] { uxButton1Click(); }); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);

    RunCommand(FDialogs, [&] {
        const TIniFile settings(QDir(settingsFolder).filePath(QStringLiteral("Settings.ini")));
        ApplyMergeMargins(*PgPreview1, *FPgRtfPreview1, LoadMarginSettings(settings));
    });
    resize(900, 700);
}

TPrintPreviewForm::~TPrintPreviewForm() = default;

void TPrintPreviewForm::PrepareMerge(TRtCustomRichEdit& editor, const TMergeFieldSource& source)
{
    *FSource = source;
    FPgRtfMailMerge1->SetTokens(source.Tokens);
    FPgRtfMailMerge1->SetMergeCount(int(source.Records.size()));
    PgPreview1->BeginUpdate();
    try {
        PgPreview1->Clear();
        if (source.Records.empty()) {
            if (PgPreview1->NumPages() == 0)
                PgPreview1->NewPage();
        } else
            FPgRtfMailMerge1->MergeRichEdit(editor);
        PgPreview1->FirstPage();
    } catch (...) {
        PgPreview1->EndUpdate();
        PgPreview1PageChanged();
        throw;
    }
    PgPreview1->EndUpdate();
    PgPreview1PageChanged();
}

std::pair<int, int> TPrintPreviewForm::ParseRange(const QString& text, int pageCount)
{
    const QStringList parts = text.trimmed().split(u'-');
    bool okFirst = false, okLast = true;
    const int first = parts.value(0).trimmed().toInt(&okFirst);
    int last = first;
    if (parts.size() == 2)
        last = parts[1].trimmed().toInt(&okLast);
    if (parts.size() > 2 || !okFirst || !okLast || first < 1 || first > pageCount || last < first)
        throw EPrinter(QStringLiteral("Invalid Range"));
    return { first, std::min(last, pageCount) };
}

void TPrintPreviewForm::PgPreview1PageChanged()
{
    Label3->setText(QStringLiteral("Page: %1 of %2").arg(PgPreview1->CurrentPage()).arg(PgPreview1->NumPages()));
}

void TPrintPreviewForm::btnPrintAlClick() { PgPreview1->Print(); }

void TPrintPreviewForm::btnPrintPageClick() { PgPreview1->PrintCurrentPage(); }

void TPrintPreviewForm::uxButton1Click()
{
    QString range = QStringLiteral("1-%1").arg(PgPreview1->NumPages());
    if (!FDialogs.InputQuery(QStringLiteral("Print Range"), QStringLiteral("Pages (e.g. 2-5):"), range))
        return;
    const auto [first, last] = ParseRange(range, PgPreview1->NumPages());
    PgPreview1->PrintRange(first, last);
}
