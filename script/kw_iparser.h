// The script engine's character-level scanner. It knows no language by
// itself: the grammar-driven parser configures it from a language definition
// and asks it for one terminal at a time, saving and restoring Position to
// backtrack. Positions are 1-based character indexes into the text.
#pragma once
#include "Object.h"
#include <QList>
#include <QString>
#include <QStringList>
#include <bitset>

class TkwParser : public TObject
{
public:
    TkwParser();

    // Clears the keyword list and restores every setting to its default.
    // The text and the read position are kept.
    void SetDefaults();

    // --- settings
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool Value) { FCaseSensitive = Value; }
    // Opener, comma, closer: "{,}".
    QString CommentBlock1() const { return FCommentBlock1; }
    void SetCommentBlock1(const QString &Value);
    QString CommentBlock2() const { return FCommentBlock2; }
    void SetCommentBlock2(const QString &Value);
    QString CommentBlock1Open() const { return FCommentBlock1Open; }
    QString CommentBlock1Close() const { return FCommentBlock1Close; }
    QString CommentBlock2Open() const { return FCommentBlock2Open; }
    QString CommentBlock2Close() const { return FCommentBlock2Close; }
    QString CommentLine1() const { return FCommentLine1; }
    void SetCommentLine1(const QString &Value) { FCommentLine1 = Value; UpdateCommentStarts(); }
    QString CommentLine2() const { return FCommentLine2; }
    void SetCommentLine2(const QString &Value) { FCommentLine2 = Value; UpdateCommentStarts(); }
    QString HexSequence() const { return FHexSequence; }
    void SetHexSequence(const QString &Value) { FHexSequence = Value; }
    // The identifier characters become exactly the characters of Value.
    void SetIdentChars(const QString &Value);
    // Adds the characters First .. Last to the identifier characters.
    void AddIdentChars(char16_t First, char16_t Last);
    bool IsIdentChar(QChar C) const { return FIdentifierCharset.test(C.unicode()); }
    QString SkipChar() const { return FSkipChar; }
    void SetSkipChar(const QString &Value) { FSkipChar = Value; }
    bool SkipEOL() const { return FSkipEOL; }
    void SetSkipEOL(bool Value) { FSkipEOL = Value; }
    bool SkipSpace() const { return FSkipSpace; }
    void SetSkipSpace(bool Value) { FSkipSpace = Value; }
    QString StringQuotes() const { return FStringQuotes; }
    void SetStringQuotes(const QString &Value) { FStringQuotes = Value; }
    bool SpecStrChar() const { return FSpecStrChar; }
    void SetSpecStrChar(bool Value) { FSpecStrChar = Value; }
    bool UseY() const { return FUseY; }
    void SetUseY(bool Value) { FUseY = Value; }

    // The language's reserved words, sorted.
    QStringList Keywords() const;
    void AddKeyword(const QString &Word);
    bool IsKeyWord(const QString &Word) const;

    // --- text and position
    // The source text without the sentinel character 0 that follows it.
    QString Text() const { return FText.left(FSize); }
    void SetText(const QString &Value);
    int Size() const { return FSize; }
    int Position() const { return FPosition; }
    int LastPosition() const { return FLastPosition; }
    // Sets Position and LastPosition (used to backtrack).
    void SetPosition(int Value) { FPosition = FLastPosition = Value; }
    // 0, then the index of every line feed of the text.
    const QList<int> &YList() const { return FYList; }
    // "line:column" of Position, both 1-based.
    QString GetXYPosition() const;
    // Position of column X on line Y; -1 when there is no such line.
    int GetPlainPosition(int X, int Y) const;

    // --- token scanners: each returns the token, empty when none stands here
    void SkipSpaces();
    bool GetEOL();
    QString GetChar();
    QString GetWord();
    // GetWord, but empty for a keyword (which stays consumed).
    QString GetIdent();
    QString GetNumber();
    QString GetString();
    // The raw text inside a report-variable bracket, up to its closing bracket.
    QString GetBracketText();

    // Forms of GetChar and GetWord that build no string, for the parser,
    // which tries many terminals at each position.
    // GetChar when the character is C: true and consumed, else false.
    bool GetCharIf(QChar C);
    // GetWord that only reports where the word ends; Position moves past
    // the blanks before it. Returns Position when no word stands here.
    int WordEnd();
    QStringView TextView(int From, int To) const { return QStringView(FText).mid(From - 1, To - From); }

private:
    // Character at 1-based position P; 0 outside the text.
    char16_t Ch(int P) const { return (P >= 1 && P <= FSize) ? FText[P - 1].unicode() : char16_t(0); }
    bool IsBlank(char16_t C) const { return C <= 32 && (FSkipEOL || C != 13); }
    bool TextAt(int P, const QString &S) const;
    void UpdateCommentStarts();
    bool ReadIntPart(int &P) const;
    bool ReadQuotedPiece(int &P, QString &Out) const;
    bool ReadCharCode(int &P, QString &Out) const;
    static void SplitPair(const QString &Value, QString &Open, QString &Close);

    bool FCaseSensitive = false;
    QString FCommentBlock1, FCommentBlock1Open, FCommentBlock1Close;
    QString FCommentBlock2, FCommentBlock2Open, FCommentBlock2Close;
    QString FCommentLine1, FCommentLine2;
    QString FHexSequence;
    QString FCommentStarts; // first characters of the comment openers
    std::bitset<65536> FIdentifierCharset;
    QStringList FKeywords;      // as added, sorted on request
    QStringList FKeywordsExact; // sorted exactly, for the case-sensitive lookup
    QStringList FKeywordsLower; // lower-cased and sorted, for the other
    int FLastPosition = 1;
    int FPosition = 1;
    int FSize = 0;
    QString FSkipChar;
    bool FSkipEOL = true;
    bool FSkipSpace = true;
    QString FStringQuotes;
    QString FText;
    bool FUseY = true;
    QList<int> FYList;
    bool FSpecStrChar = false;
};
