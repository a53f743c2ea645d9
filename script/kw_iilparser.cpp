// Implementation of the grammar-driven parser.
#include "kw_iilparser.h"
#include "Classes.h"
#include "Exceptions.h"
#include "SysUtils.h"
#include "kw_iconst.h"
#include <QFileInfo>
#include <QHash>
#include <mutex>
#include <utility>

// --- language registry -------------------------------------------------------

namespace {

std::vector<std::pair<QString, QString>> &LanguageList()
{
    static std::vector<std::pair<QString, QString>> list;
    return list;
}

// Scripts on several threads may reach the registry first at once: it is
// filled and read under one lock (held again while the built-ins register).
std::recursive_mutex &LanguageLock()
{
    static std::recursive_mutex lock;
    return lock;
}

// The built-in definitions are registered before the registry is first
// used; calling their units from here also keeps them in the link. The
// caller holds LanguageLock.
void EnsureBuiltinLanguages()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    kwRegisterPascalScript();
    kwRegisterCppScript();
    kwRegisterBasicScript();
    kwRegisterJScript();
}

} // namespace

void RegisterLanguage(const QString &Name, const QString &Definition)
{
    std::lock_guard<std::recursive_mutex> guard(LanguageLock());
    EnsureBuiltinLanguages();
    for (auto &entry : LanguageList())
        if (entry.first.compare(Name, Qt::CaseInsensitive) == 0) {
            entry.second = Definition;
            return;
        }
    LanguageList().emplace_back(Name, Definition);
}

QString GetLanguage(const QString &Name)
{
    std::lock_guard<std::recursive_mutex> guard(LanguageLock());
    EnsureBuiltinLanguages();
    for (const auto &entry : LanguageList())
        if (entry.first.compare(Name, Qt::CaseInsensitive) == 0)
            return entry.second;
    throw Exception(Format(SLangNotFound, {Name}));
}

// --- compiled grammar --------------------------------------------------------

enum TkwGrammarKind {
    gkChar, gkKeyword, gkIdent, gkNumber, gkString, gkQdString, gkEol,
    gkSequence, gkSwitch, gkOptionalSwitch, gkLoop, gkOptionalLoop, gkOptional, gkRef
};

// One rule element, with its attributes read once.
struct TkwGrammarNode
{
    TkwGrammarKind Kind = gkSequence;
    bool IsRule = false; // a direct child of the definition's root
    QString Name;
    QString Text;        // lower-cased
    QString Node;        // lower-cased
    bool NodeIsUses = false;
    bool NodeIsExpr = false;
    QString Add;
    bool HasAddText = false;
    QString AddText;
    bool HasErr = false;
    QString ErrMessage;
    bool Term = false;
    int Skip = -1;
    std::vector<std::unique_ptr<TkwGrammarNode>> Children;
    const TkwGrammarNode *Ref = nullptr; // the rule a reference names, if any
};

struct TkwGrammar
{
    std::unique_ptr<TkwXMLDocument> Document;
    std::vector<std::unique_ptr<TkwGrammarNode>> Rules;
    QHash<QString, const TkwGrammarNode *> RuleByName; // lower-case names
    const TkwGrammarNode *Program = nullptr;
    bool BareStatementLoop = false;
    QString SyntaxError;
};

namespace {

const QHash<QString, TkwGrammarKind> &ElementKinds()
{
    static const QHash<QString, TkwGrammarKind> kinds{
        {QStringLiteral("char"), gkChar}, {QStringLiteral("keyword"), gkKeyword},
        {QStringLiteral("ident"), gkIdent}, {QStringLiteral("number"), gkNumber},
        {QStringLiteral("string"), gkString}, {QStringLiteral("qdstring"), gkQdString},
        {QStringLiteral("eol"), gkEol}, {QStringLiteral("sequence"), gkSequence},
        {QStringLiteral("switch"), gkSwitch}, {QStringLiteral("optionalswitch"), gkOptionalSwitch},
        {QStringLiteral("loop"), gkLoop}, {QStringLiteral("optionalloop"), gkOptionalLoop},
        {QStringLiteral("optional"), gkOptional}};
    return kinds;
}

struct TGrammarBuilder
{
    TkwGrammar &G;
    TkwXMLItem *Errors;

    std::unique_ptr<TkwGrammarNode> Build(TkwXMLItem *X, bool IsRule)
    {
        auto n = std::make_unique<TkwGrammarNode>();
        n->IsRule = IsRule;
        n->Name = X->Name().toLower();
        if (!IsRule) {
            auto it = ElementKinds().constFind(n->Name);
            n->Kind = it == ElementKinds().constEnd() ? gkRef : it.value();
        }
        n->Text = X->Prop(QStringLiteral("text")).toLower();
        n->Node = X->Prop(QStringLiteral("node")).toLower();
        n->NodeIsUses = n->Node == QLatin1String("uses");
        n->NodeIsExpr = n->Node == QLatin1String("expr");
        n->Add = X->Prop(QStringLiteral("add"));
        n->AddText = X->Prop(QStringLiteral("addtext"));
        n->HasAddText = !n->AddText.isEmpty() || HasAttr(X, QStringLiteral("addtext"));
        const QString err = X->Prop(QStringLiteral("err"));
        if (!err.isEmpty()) {
            n->HasErr = true;
            const int i = Errors ? Errors->Find(err) : -1;
            if (i >= 0)
                n->ErrMessage = Errors->Items(i)->Prop(QStringLiteral("text"));
        }
        n->Term = X->Prop(QStringLiteral("term")) == QLatin1String("1");
        const QString skip = X->Prop(QStringLiteral("skip"));
        n->Skip = skip == QLatin1String("0") ? 0 : skip == QLatin1String("1") ? 1 : -1;
        // Grammar trees are shallow; a reference is resolved after all rules exist.
        for (int i = 0; i < X->Count(); ++i)
            n->Children.push_back(Build(X->Items(i), false));
        return n;
    }

    static bool HasAttr(TkwXMLItem *X, const QString &Name)
    {
        const QString t = X->Text().toLower();
        return (QLatin1Char(' ') + t).contains(QLatin1Char(' ') + Name + QLatin1String("=\""));
    }

    void Resolve(TkwGrammarNode *N)
    {
        if (!N->IsRule && N->Kind == gkRef)
            N->Ref = G.RuleByName.value(N->Name, nullptr);
        for (auto &c : N->Children)
            Resolve(c.get());
    }
};

bool IsLoop(const TkwGrammarNode *N)
{
    return !N->IsRule && (N->Kind == gkLoop || N->Kind == gkOptionalLoop);
}

std::shared_ptr<const TkwGrammar> CompileGrammar(const QString &Definition)
{
    auto g = std::make_shared<TkwGrammar>();
    g->Document = std::make_unique<TkwXMLDocument>();
    g->Document->LoadFromString(Definition);
    TkwXMLItem *root = g->Document->Root();
    TkwXMLItem *errors = nullptr;
    const int pi = root->Find(QStringLiteral("parser"));
    if (pi >= 0) {
        const int ei = root->Items(pi)->Find(QStringLiteral("errors"));
        if (ei >= 0)
            errors = root->Items(pi)->Items(ei);
    }
    TGrammarBuilder b{*g, errors};
    for (int i = 0; i < root->Count(); ++i) {
        g->Rules.push_back(b.Build(root->Items(i), true));
        const TkwGrammarNode *r = g->Rules.back().get();
        if (!g->RuleByName.contains(r->Name))
            g->RuleByName.insert(r->Name, r);
    }
    for (auto &r : g->Rules)
        b.Resolve(r.get());
    g->Program = g->RuleByName.value(QStringLiteral("program"), nullptr);
    // A program that is nothing but a loop of statements ends wherever the
    // statements end; text left over after it is an error of its own.
    if (g->Program && g->Program->Children.size() == 1) {
        const TkwGrammarNode *c = g->Program->Children[0].get();
        if (IsLoop(c))
            g->BareStatementLoop = true;
        else if (c->Kind == gkRef && c->Ref && c->Ref->Children.size() == 1 && IsLoop(c->Ref->Children[0].get()))
            g->BareStatementLoop = true;
    }
    if (errors) {
        const int e3 = errors->Find(QStringLiteral("err3"));
        if (e3 >= 0)
            g->SyntaxError = errors->Items(e3)->Prop(QStringLiteral("text"));
        else if (errors->Count() > 0)
            g->SyntaxError = errors->Items(0)->Prop(QStringLiteral("text"));
    }
    if (g->SyntaxError.isEmpty())
        g->SyntaxError = SInvalidLanguage;
    return g;
}

// Definitions are compiled once per text; every compilation of a script
// selects a language, and most select one of a handful.
std::shared_ptr<const TkwGrammar> GrammarFor(const QString &Definition)
{
    // The registry hands out shared copies of its texts, so an unchanged
    // definition is recognised by its character data without hashing it.
    // Each entry keeps its text, so that data cannot be reused meanwhile.
    struct TEntry
    {
        QString Text;
        std::shared_ptr<const TkwGrammar> Grammar;
    };
    // Scripts compile on several threads; a compiled grammar is only read
    // afterwards, so only the cache itself needs the lock. Compiling is done
    // outside it: two threads may compile one text, the first one kept.
    static std::mutex lock;
    static std::vector<TEntry> cache;
    const auto find = [&]() -> std::shared_ptr<const TkwGrammar> {
        for (const TEntry &e : cache)
            if (e.Text.constData() == Definition.constData() && e.Text.size() == Definition.size())
                return e.Grammar;
        for (const TEntry &e : cache)
            if (e.Text == Definition)
                return e.Grammar;
        return nullptr;
    };
    {
        std::lock_guard<std::mutex> guard(lock);
        if (auto g = find())
            return g;
    }
    auto compiled = CompileGrammar(Definition);
    std::lock_guard<std::mutex> guard(lock);
    if (auto g = find())
        return g;
    if (cache.size() >= 16)
        cache.clear();
    cache.push_back({Definition, compiled});
    return compiled;
}

// How deep the walk may recurse: far beyond any real script, well within
// the stack.
const int kwMaxParseDepth = 4000;

} // namespace

// --- TkwParserHost -----------------------------------------------------------

TkwParserHost::TkwParserHost() : FIncludePath(std::make_unique<TStringList>())
{
    FIncludePath->Add(QString());
}

TkwParserHost::~TkwParserHost() = default;

const QStringList *TkwILParser::UnitLines(const QString &Name) const
{
    auto it = FUnitLines.constFind(Name.toUpper());
    return it == FUnitLines.constEnd() ? nullptr : &*it;
}

bool TkwParserHost::DoGetUnit(const QString &, QString &)
{
    return false;
}

// --- TkwILParser -------------------------------------------------------------

TkwILParser::TkwILParser(TkwParserHost *AProgram)
    : FLanguageDocument(std::make_unique<TkwXMLDocument>()),
      FProgramDocument(std::make_unique<TkwXMLDocument>()),
      FLexer(std::make_unique<TkwParser>()),
      FProgram(AProgram)
{
}

TkwILParser::~TkwILParser() = default;

TkwXMLDocument *TkwILParser::LanguageDocument() const
{
    return FGrammar ? FGrammar->Document.get() : FLanguageDocument.get();
}

void TkwILParser::SelectLanguage(const QString &Name)
{
    FLexer->SetDefaults();
    FLanguageName = Name;
    FGrammar = GrammarFor(GetLanguage(Name));
    FGrammarRoot = FGrammar->Document->Root();
    FNeedDeclareVars = true;
    const int pi = FGrammarRoot->Find(QStringLiteral("parser"));
    TkwXMLItem *parser = pi >= 0 ? FGrammarRoot->Items(pi) : nullptr;
    for (int i = 0; parser && i < parser->Count(); ++i) {
        TkwXMLItem *x = parser->Items(i);
        const QString n = x->Name().toLower();
        const QString v = x->Prop(QStringLiteral("text"));
        if (n == QLatin1String("keywords")) {
            for (int k = 0; k < x->Count(); ++k)
                FLexer->AddKeyword(x->Items(k)->Name());
        } else if (n == QLatin1String("identchars")) {
            FLexer->SetIdentChars(v);
        } else if (n == QLatin1String("commentline1")) {
            FLexer->SetCommentLine1(v);
        } else if (n == QLatin1String("commentline2")) {
            FLexer->SetCommentLine2(v);
        } else if (n == QLatin1String("commentblock1")) {
            FLexer->SetCommentBlock1(v);
        } else if (n == QLatin1String("commentblock2")) {
            FLexer->SetCommentBlock2(v);
        } else if (n == QLatin1String("stringquotes")) {
            FLexer->SetStringQuotes(v);
        } else if (n == QLatin1String("hexsequence")) {
            FLexer->SetHexSequence(v);
        } else if (n == QLatin1String("specstrchar")) {
            FLexer->SetSpecStrChar(v == QLatin1String("1"));
        } else if (n == QLatin1String("casesensitive")) {
            FLexer->SetCaseSensitive(v == QLatin1String("1"));
        } else if (n == QLatin1String("skipeol")) {
            FLexer->SetSkipEOL(v != QLatin1String("0"));
        } else if (n == QLatin1String("skipchar")) {
            FLexer->SetSkipChar(v);
        } else if (n == QLatin1String("declarevars")) {
            FNeedDeclareVars = v != QLatin1String("0");
        }
    }
    if (FProgram->ExtendedCharset())
        FLexer->AddIdentChars(128, 0xFFFF);
}

void TkwILParser::TruncateLines(int Count)
{
    if (int(FLines.size()) > Count)
        FLines.erase(FLines.begin() + Count, FLines.end());
}

namespace {

// Line ends other than CR LF (text from Linux files and editors).
bool HasBareLineEnds(const QString &Text)
{
    const QChar *t = Text.constData();
    const qsizetype n = Text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (t[i] == QLatin1Char('\r')) {
            if (i + 1 >= n || t[i + 1] != QLatin1Char('\n'))
                return true;
            ++i;
        } else if (t[i] == QLatin1Char('\n')) {
            return true;
        }
    }
    return false;
}

} // namespace

bool TkwILParser::ParseSource(const QString &Source)
{
    // Line ends are significant in some languages, and are CR LF there as in
    // a script's lines; other line ends are made so first. Positions (line
    // and column) do not change by it.
    QString Text = Source;
    if (HasBareLineEnds(Source)) {
        TStringList lines;
        lines.SetText(Source);
        Text = lines.Text();
    }
    FLines.clear();
    FErrorMessage.clear();
    FErrorPosition.clear();
    FTermFlag = false;
    FUnitFailed = false;
    FTooDeep = false;
    if (FUnitName.isEmpty())
        FProgram->SetErrorUnit(QString());
    FLexer->SetText(Text);

    // "#language Name" on the first line overrides the script's language.
    int start = 1;
    if (Text.startsWith(QLatin1Char('#')) && Text.mid(1, 8).compare(QLatin1String("language"), Qt::CaseInsensitive) == 0 &&
        (Text.size() <= 9 || !FLexer->IsIdentChar(Text[9]))) {
        int e = 9;
        while (e < Text.size() && Text[e] != QLatin1Char('\r') && Text[e] != QLatin1Char('\n'))
            ++e;
        const QString name = Trim(Text.mid(9, e - 9));
        if (e < Text.size() && Text[e] == QLatin1Char('\r'))
            ++e;
        if (e < Text.size() && Text[e] == QLatin1Char('\n'))
            ++e;
        SelectLanguage(name);
        start = e + 1;
    }
    if (!FGrammar || !FGrammar->Program)
        throw Exception(SInvalidLanguage);
    FLexer->SetPosition(start);

    bool ok = ParseItem(FGrammar->Program);
    if (FTooDeep) {
        ok = false;
        FErrorMessage = SNestingTooDeep;
        FErrorPosition = FTooDeepPosition;
    } else if (FErrorMessage.isEmpty()) {
        if (ok && FGrammar->BareStatementLoop) {
            FLexer->SkipSpaces();
            if (FLexer->Position() <= FLexer->Size()) {
                ok = false;
                FErrorMessage = FGrammar->SyntaxError;
                FErrorPosition = FLexer->GetXYPosition();
            }
        } else if (!ok) {
            // No element reported anything: a statement loop that met only
            // blanks and comments is an empty program; anything else is the
            // language's syntax error where the walk could not start.
            FLexer->SetPosition(start);
            FLexer->SkipSpaces();
            if (FGrammar->BareStatementLoop && FLexer->Position() > FLexer->Size()) {
                ok = true;
                FLines.clear();
            } else {
                FErrorMessage = FGrammar->SyntaxError;
                FErrorPosition = FLexer->GetXYPosition();
            }
        }
    }
    const bool result = ok && FErrorMessage.isEmpty();
    if (result) {
        FErrorMessage.clear();
        FErrorPosition.clear();
        BuildProgramDocument();
    }
    FLines.clear();
    FProgram->SetErrorMessage(FErrorMessage);
    FProgram->SetErrorPosition(FErrorPosition);
    return result;
}

void TkwILParser::BuildProgramDocument()
{
    TkwXMLItem *root = FProgramDocument->Root();
    root->Clear();
    root->SetName(QStringLiteral("program"));
    root->SetText(QString());
    std::vector<TkwXMLItem *> open{root};
    for (const TLine &line : FLines) {
        switch (line.LineKind) {
        case TLine::Open: {
            TkwXMLItem *item = open.back()->Add();
            item->SetName(line.Name);
            item->SetText(line.Attrs);
            open.push_back(item);
            break;
        }
        case TLine::Close:
            open.pop_back();
            break;
        case TLine::Leaf: {
            TkwXMLItem *item = open.back()->Add();
            item->SetName(line.Name);
            item->SetText(line.Attrs);
            break;
        }
        }
    }
    TkwXMLItem *types = root->Add();
    const int ti = FGrammarRoot->Find(QStringLiteral("types"));
    if (ti >= 0)
        types->Assign(FGrammarRoot->Items(ti));
    else
        types->SetName(QStringLiteral("types"));
}

// The lines of a finished program tree, for inclusion into this one.
void TkwILParser::AppendTreeLines(TkwXMLItem *Root)
{
    struct Step { TkwXMLItem *Item; bool Closing; };
    std::vector<Step> work{{Root, false}};
    while (!work.empty()) {
        const Step s = work.back();
        work.pop_back();
        if (s.Closing) {
            FLines.push_back({TLine::Close, s.Item->Name(), QString()});
        } else if (s.Item->Count() == 0) {
            FLines.push_back({TLine::Leaf, s.Item->Name(), s.Item->Text()});
        } else {
            FLines.push_back({TLine::Open, s.Item->Name(), s.Item->Text()});
            work.push_back({s.Item, true});
            for (int i = s.Item->Count() - 1; i >= 0; --i)
                work.push_back({s.Item->Items(i), false});
        }
    }
}

bool TkwILParser::WalkChildren(const TkwGrammarNode *E)
{
    for (const auto &c : E->Children)
        if (!ParseItem(c.get()))
            return false;
    return true;
}

void TkwILParser::ReportError(const TkwGrammarNode *E, int StartPos)
{
    if (!E->HasErr || !FErrorMessage.isEmpty())
        return;
    FErrorMessage = E->ErrMessage;
    const int save = FLexer->Position();
    FLexer->SetPosition(StartPos);
    FLexer->SkipSpaces();
    FErrorPosition = FLexer->GetXYPosition();
    FLexer->SetPosition(save);
    FTermFlag = E->Term;
}

void TkwILParser::WriteLeaf(const TkwGrammarNode *E, const QString &Token)
{
    FLines.push_back({TLine::Leaf, E->Add,
                      QLatin1String("text=\"") + kwStrToXML(E->HasAddText ? E->AddText : Token) +
                          QLatin1String("\" pos=\"") + FLexer->GetXYPosition() + QLatin1Char('"')});
}

// «<Name>» in an expression reads the report variable: a call of Get('Name').
void TkwILParser::WriteBracketCall(const QString &Content)
{
    const QString pos = QLatin1String("pos=\"") + FLexer->GetXYPosition() + QLatin1Char('"');
    const QString expr = pos + QLatin1String(" pos1=\"") + FLexer->GetXYPosition() + QLatin1Char('"');
    FLines.push_back({TLine::Open, QStringLiteral("dsgn"), pos});
    FLines.push_back({TLine::Leaf, QStringLiteral("node"), QLatin1String("text=\"Get\" ") + pos});
    FLines.push_back({TLine::Open, QStringLiteral("expr"), expr});
    FLines.push_back({TLine::Leaf, QStringLiteral("string"),
                      QLatin1String("text=\"") + kwStrToXML(QLatin1Char('\'') + Content + QLatin1Char('\'')) +
                          QLatin1String("\" ") + pos});
    FLines.push_back({TLine::Close, QStringLiteral("expr"), QString()});
    FLines.push_back({TLine::Close, QStringLiteral("dsgn"), QString()});
}

void TkwILParser::WrapNode(const TkwGrammarNode *E, bool Ok, int StartPos, int &StartLine)
{
    if (E->NodeIsUses) {
        // The file leaves written since StartLine name the units, last first.
        std::vector<QString> names;
        for (int i = int(FLines.size()) - 1; i >= StartLine; --i) {
            TkwXMLItem attrs;
            attrs.SetText(FLines[size_t(i)].Attrs);
            const QString text = attrs.Prop(QStringLiteral("text"));
            names.push_back(text.mid(1, text.size() - 2));
        }
        TruncateLines(StartLine);
        for (const QString &name : names)
            IncludeUnit(name, StartLine);
        return;
    }
    if (E->Node.isEmpty())
        return;
    if (!Ok) {
        TruncateLines(StartLine);
        return;
    }
    // StartLine holds the placeholder written when E was entered.
    const int save = FLexer->Position();
    FLexer->SetPosition(StartPos);
    FLexer->SkipSpaces();
    QString attrs = QLatin1String("pos=\"") + FLexer->GetXYPosition() + QLatin1Char('"');
    FLexer->SetPosition(save);
    if (E->NodeIsExpr)
        attrs += QLatin1String(" pos1=\"") + FLexer->GetXYPosition() + QLatin1Char('"');
    TLine &open = FLines[size_t(StartLine)];
    open.Name = E->Node;
    open.Attrs = attrs;
    FLines.push_back({TLine::Close, E->Node, QString()});
}

void TkwILParser::IncludeUnit(const QString &Name, int &StartLine)
{
    if (FUsedUnits.contains(Name, Qt::CaseInsensitive))
        return;
    FUsedUnits.append(Name);

    QString text;
    if (!FProgram->DoGetUnit(Name, text)) {
        // The first include directory that holds the file; when none does,
        // the last one tried, so that loading reports the missing file. An
        // empty entry is the current directory.
        QString fileName = Name;
        TStrings *dirs = FProgram->IncludePath();
        for (int i = 0; dirs && i < dirs->Count(); ++i) {
            QString dir = dirs->Strings(i);
            if (!dir.isEmpty() && !dir.endsWith(QLatin1Char('/')))
                dir += QLatin1Char('/');
            fileName = dir + Name;
            if (QFileInfo(fileName).isFile())
                break;
        }
        TStringList file;
        file.LoadFromFile(fileName);
        text = file.Text();
    }
    // Through a string list, so the unit's lines end in CR LF whatever
    // line ends its text came with.
    TStringList lines;
    lines.SetText(text);

    std::vector<TLine> included;
    if (lines.Count() >= 1) {
        TkwILParser nested(FProgram);
        nested.FUnitName = Name;
        nested.FDepth = FDepth;
        nested.SelectLanguage(FLanguageName);
        nested.FUsedUnits = FUsedUnits;
        if (nested.ParseSource(lines.Text())) {
            FUsedUnits = nested.FUsedUnits;
            FUnitLines.insert(nested.FUnitLines);
            QStringList unitLines;
            for (int i = 0; i < lines.Count(); ++i)
                unitLines.append(lines.Strings(i));
            FUnitLines.insert(Name.toUpper(), unitLines);
            std::swap(FLines, included);
            AppendTreeLines(nested.ProgramDocument()->Root());
            std::swap(FLines, included);
        } else {
            FErrorMessage = nested.FErrorMessage;
            FErrorPosition = nested.FErrorPosition;
            FUnitFailed = true;
            if (FProgram->ErrorUnit().isEmpty())
                FProgram->SetErrorUnit(Name);
        }
    }
    std::vector<TLine> block;
    block.reserve(included.size() + 2);
    block.push_back({TLine::Open, QStringLiteral("uses"), QLatin1String("unit=\"") + kwStrToXML(Name) + QLatin1Char('"')});
    for (TLine &l : included)
        block.push_back(std::move(l));
    block.push_back({TLine::Close, QStringLiteral("uses"), QString()});
    FLines.insert(FLines.begin() + StartLine, std::make_move_iterator(block.begin()), std::make_move_iterator(block.end()));
    StartLine += int(block.size());
}

bool TkwILParser::ParseLoop(const TkwGrammarNode *E, int StartPos, int StartLine)
{
    const QString &sep = E->Text;
    int done = 0; // iterations that matched in full
    bool ownError = false; // the failed last attempt recorded the current error
    for (;;) {
        const int iterStart = FLexer->Position();
        const int iterLine = int(FLines.size());
        const bool noErrorBefore = FErrorMessage.isEmpty();
        if (!WalkChildren(E)) {
            if (done == 0)
                break;
            // The failed last attempt gives back what it read and wrote.
            ownError = noErrorBefore && !FErrorMessage.isEmpty();
            FLexer->SetPosition(iterStart);
            TruncateLines(iterLine);
            break;
        }
        ++done;
        const int after = FLexer->Position();
        if (!sep.isEmpty()) {
            FLexer->SkipSpaces();
            if (FLexer->GetChar() != sep) {
                FLexer->SetPosition(after);
                break;
            }
        } else if (after == iterStart) {
            break;
        }
    }
    if (done > 0) {
        // A loop that ran at least once forgets an error marked as one that
        // may end a list (such as an identifier expected where a list of
        // declarations ends, or after an empty parameter list), and, when the
        // loop says so, the error of its own failed last attempt. An error
        // met in a used unit is never forgotten.
        if (!FUnitFailed && (FTermFlag || (E->Skip == 1 && ownError)))
            FErrorMessage.clear();
        return true;
    }
    FLexer->SetPosition(StartPos);
    TruncateLines(StartLine);
    return E->Kind == gkOptionalLoop;
}

bool TkwILParser::ParseItem(const TkwGrammarNode *E)
{
    if (FTooDeep)
        return false;
    if (FDepth >= kwMaxParseDepth) {
        FTooDeep = true;
        FTooDeepPosition = FLexer->GetXYPosition();
        return false;
    }
    struct DepthGuard {
        int &D;
        explicit DepthGuard(int &d) : D(d) { ++D; }
        ~DepthGuard() { --D; }
    } guard(FDepth);

    const int startPos = FLexer->Position();
    int startLine = int(FLines.size());
    // A node's opening tag goes where its content begins; it is filled in
    // when the element matched.
    const bool wraps = !E->Node.isEmpty() && !E->NodeIsUses && !IsLoop(E);
    if (wraps)
        FLines.push_back({TLine::Open, QString(), QString()});

    bool matched = true;
    QString token;
    if (!E->IsRule) {
        switch (E->Kind) {
        case gkChar:
            if (E->Skip != 0)
                FLexer->SkipSpaces();
            if (E->Text.size() == 1) {
                // The common case, compared in place.
                matched = FLexer->GetCharIf(E->Text[0]);
                if (matched && !E->Add.isEmpty())
                    token = E->Text;
                break;
            }
            token = FLexer->GetChar();
            break;
        case gkKeyword:
            if (!E->Text.isEmpty()) {
                const int end = FLexer->WordEnd();
                const QStringView word = FLexer->TextView(FLexer->Position(), end);
                matched = word.size() == E->Text.size() &&
                          word.compare(E->Text, FLexer->CaseSensitive() ? Qt::CaseSensitive : Qt::CaseInsensitive) == 0;
                if (matched) {
                    if (!E->Add.isEmpty())
                        token = word.toString();
                    FLexer->SetPosition(end);
                }
                break;
            }
            token = FLexer->GetWord();
            break;
        case gkIdent: token = FLexer->GetIdent(); break;
        case gkNumber: token = FLexer->GetNumber(); break;
        case gkString: token = FLexer->GetString(); break;
        case gkQdString: token = FLexer->GetBracketText(); break;
        case gkEol: matched = FLexer->GetEOL(); break;
        case gkSequence: break;
        case gkSwitch:
        case gkOptionalSwitch:
            matched = false;
            for (const auto &c : E->Children)
                if (ParseItem(c.get())) {
                    matched = true;
                    break;
                }
            if (!matched && E->Kind == gkOptionalSwitch)
                matched = true;
            break;
        case gkLoop:
        case gkOptionalLoop:
            // A loop writes nothing of its own and reports no error itself.
            return ParseLoop(E, startPos, startLine);
        case gkOptional:
            for (const auto &c : E->Children)
                if (!ParseItem(c.get())) {
                    FLexer->SetPosition(startPos);
                    TruncateLines(startLine + (wraps ? 1 : 0));
                    break;
                }
            break;
        case gkRef:
            if (!E->Ref)
                throw Exception(SInvalidLanguage);
            matched = ParseItem(E->Ref);
            break;
        }
        if (E->Kind <= gkQdString && !(E->Kind == gkChar && E->Text.size() == 1) &&
            !(E->Kind == gkKeyword && !E->Text.isEmpty())) {
            matched = !token.isEmpty() &&
                      (E->Text.isEmpty() ||
                       token.compare(E->Text, FLexer->CaseSensitive() ? Qt::CaseSensitive : Qt::CaseInsensitive) == 0);
            if (matched && E->Kind == gkQdString)
                WriteBracketCall(token);
        }
    }
    if (!matched) {
        ReportError(E, startPos);
        FLexer->SetPosition(startPos);
        TruncateLines(startLine);
        return false;
    }
    if (!E->IsRule)
        WrapNode(E, true, startPos, startLine);
    if (!E->Add.isEmpty())
        WriteLeaf(E, token);
    bool result = true;
    if (E->IsRule || E->Kind == gkSequence)
        result = WalkChildren(E);
    if (!result)
        FLexer->SetPosition(startPos);
    if (E->IsRule)
        WrapNode(E, result, startPos, startLine);
    if (!result)
        TruncateLines(startLine);
    return result;
}
