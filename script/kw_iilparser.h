// The grammar-driven parser: walks the rule elements of a language definition
// over the source text and produces the language-neutral program tree; and
// the process-wide registry of language definitions.
#pragma once
#include "Object.h"
#include "kw_iparser.h"
#include "kw_ixml.h"
#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class TStrings;
struct TkwGrammar;
struct TkwGrammarNode;

// Registers a language definition under Name; an entry of the same name
// (case ignored) is replaced.
void RegisterLanguage(const QString &Name, const QString &Definition);
// The definition text registered under Name; raises SLangNotFound otherwise.
QString GetLanguage(const QString &Name);

// What a parse reads from, and reports to, the script it compiles for.
// TkwScript derives from it; it overrides DoGetUnit to call its OnGetUnit.
class TkwParserHost
{
public:
    TkwParserHost();
    virtual ~TkwParserHost();

    // Asks the host's unit event for UnitName's text. False when no event
    // is assigned (the include directories are searched then).
    virtual bool DoGetUnit(const QString &UnitName, QString &UnitText);

    QString ErrorMessage() const { return FErrorMessage; }
    void SetErrorMessage(const QString &Value) { FErrorMessage = Value; }
    QString ErrorPosition() const { return FErrorPosition; }
    void SetErrorPosition(const QString &Value) { FErrorPosition = Value; }
    QString ErrorUnit() const { return FErrorUnit; }
    void SetErrorUnit(const QString &Value) { FErrorUnit = Value; }
    // Characters above 127 count as identifier characters.
    bool ExtendedCharset() const { return FExtendedCharset; }
    void SetExtendedCharset(bool Value) { FExtendedCharset = Value; }
    // Directories searched for used units; one empty entry (the current
    // directory) at creation.
    TStrings *IncludePath() const { return FIncludePath.get(); }

private:
    QString FErrorMessage;
    QString FErrorPosition;
    QString FErrorUnit;
    bool FExtendedCharset = false;
    std::unique_ptr<TStrings> FIncludePath;
};

class TkwILParser : public TObject
{
public:
    explicit TkwILParser(TkwParserHost *AProgram);
    ~TkwILParser() override;

    // Configures the lexer from the definition registered under Name.
    // Raises SLangNotFound for an unknown name.
    void SelectLanguage(const QString &Name);
    // Parses Source into ProgramDocument; on return the host's ErrorMessage
    // and ErrorPosition hold the first syntax error (both empty on success).
    // Line feeds or carriage returns alone are read as CR LF.
    bool ParseSource(const QString &Source);
    // Turns the program tree into the declarations and statements of the
    // script being compiled; a semantic error becomes the script's
    // ErrorMessage, ErrorPosition and ErrorUnit.
    void BuildProgram();

    // The selected definition; shared between parsers of the same
    // definition text, so it is read, never changed.
    TkwXMLDocument *LanguageDocument() const;
    TkwXMLDocument *ProgramDocument() const { return FProgramDocument.get(); }
    QString LanguageName() const { return FLanguageName; }
    bool NeedDeclareVars() const { return FNeedDeclareVars; }
    TkwParser *Lexer() const { return FLexer.get(); }
    TkwParserHost *Program() const { return FProgram; }
    TkwXMLItem *GrammarRoot() const { return FGrammarRoot; }
    QString UnitName() const { return FUnitName; }
    void SetUnitName(const QString &Value) { FUnitName = Value; }
    QStringList &UsedUnits() { return FUsedUnits; }
    QStringList &WithList() { return FWithList; }
    // The lines of a unit the last ParseSource included as text (macro
    // arguments are taken from them); nil for others.
    const QStringList *UnitLines(const QString &Name) const;

private:
    // One line of the program tree being written: an opening tag, a closing
    // tag or an empty element.
    struct TLine
    {
        enum Kind : unsigned char { Open, Close, Leaf };
        Kind LineKind;
        QString Name;
        QString Attrs;
    };

    bool ParseItem(const TkwGrammarNode *E);
    bool WalkChildren(const TkwGrammarNode *E);
    bool ParseLoop(const TkwGrammarNode *E, int StartPos, int StartLine);
    void ReportError(const TkwGrammarNode *E, int StartPos);
    void WrapNode(const TkwGrammarNode *E, bool Ok, int StartPos, int &StartLine);
    void WriteLeaf(const TkwGrammarNode *E, const QString &Token);
    void WriteBracketCall(const QString &Content);
    void IncludeUnit(const QString &Name, int &StartLine);
    void BuildProgramDocument();
    void AppendTreeLines(TkwXMLItem *Root);
    void TruncateLines(int Count);

    std::unique_ptr<TkwXMLDocument> FLanguageDocument; // empty until a language is selected
    std::unique_ptr<TkwXMLDocument> FProgramDocument;
    QString FLanguageName;
    bool FNeedDeclareVars = true;
    std::unique_ptr<TkwParser> FLexer;
    TkwParserHost *FProgram;
    TkwXMLItem *FGrammarRoot = nullptr;
    QString FUnitName;
    QStringList FUsedUnits;
    QStringList FWithList;
    QHash<QString, QStringList> FUnitLines; // by upper-cased unit name

    std::shared_ptr<const TkwGrammar> FGrammar;
    // Walk state of one ParseSource.
    std::vector<TLine> FLines;
    QString FErrorMessage;
    QString FErrorPosition;
    bool FTermFlag = false;
    bool FUnitFailed = false; // an error of a used unit is never forgotten
    bool FTooDeep = false;
    QString FTooDeepPosition;
    int FDepth = 0;
};

// Registration of the four built-in definitions (one grammar unit each).
void kwRegisterPascalScript();
void kwRegisterCppScript();
void kwRegisterBasicScript();
void kwRegisterJScript();
