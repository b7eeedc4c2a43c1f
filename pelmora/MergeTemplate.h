#pragma once
// MergeTemplate.h: a letter template compiled once into literal runs of RTF source and token
// slots, so that a letter is built by concatenation and no value is ever searched for tokens.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

class TMergeTemplate {
public:
    /// Finds the tokens in the template's text: never in control words, the font, colour or style
    /// tables, pictures or other destinations. Text escaped as \'hh or \uN matches its character.
    /// At one position the first token of the list that matches wins; an empty token never matches.
    TMergeTemplate(const QByteArray& rtf, const QStringList& tokens);

    struct TPiece {
        QByteArray Literal; ///< RTF source written before the slot
        int Token = -1; ///< index in the token list, -1 for the last piece
        QByteArray Source; ///< the token as it stood in the template
    };

    const std::vector<TPiece>& Pieces() const { return FPieces; }
    const QStringList& Tokens() const { return FTokens; }
    /// Whether any token of the list occurs in the template.
    bool UsesToken(int token) const;
    /// Whether values may be written as \'hh (the template's code page is Windows-1252).
    bool AnsiCodePage() const { return FAnsiCodePage; }
    /// Where the document's body starts and where its closing brace stands, for joining letters
    /// into one document; BodyEnd is -1 when the template is not one balanced group.
    qsizetype BodyStart() const { return FBodyStart; }
    qsizetype BodyEnd() const { return FBodyEnd; }

    /// The letter for the values (escaped here), one per token of the list.
    QByteArray Letter(const QStringList& values) const;

private:
    void Compile(const QByteArray& rtf);

    QByteArray FSource;
    QStringList FTokens;
    std::vector<TPiece> FPieces;
    std::vector<bool> FUsed;
    bool FAnsiCodePage = true;
    qsizetype FBodyStart = 0;
    qsizetype FBodyEnd = -1;
};
