#pragma once
// HistoryOwner.h: what the history window asks of the main window.
#include <QString>

class IHistoryOwner {
public:
    virtual ~IHistoryOwner() = default;
    /// The document has changes not yet saved.
    virtual bool DocumentModified() const = 0;
    /// Asks whether to save the changes; Cancel throws EAbort.
    virtual void PromptSaveChanges() = 0;
    /// Loads the document; throws when it cannot be read.
    virtual void OpenDocumentFrom(const QString& path) = 0;
};
