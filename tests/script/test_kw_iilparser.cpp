// The grammar-driven parser: program trees of every statement form of the
// four languages, syntax errors with their positions, the language directive,
// used units, and robustness against arbitrary input.
#include "Exceptions.h"
#include "kw_iconst.h"
#include "kw_test_support.h"
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSet>
#include <chrono>
#include <gtest/gtest.h>

namespace {

struct TLanguageDir
{
    const char *Language;
    const char *Dir;
    const char *Extension;
};

const TLanguageDir LanguageDirs[] = {
    {"PascalScript", "pascal", "pas"},
    {"C++Script", "cpp", "cppscript"},
    {"BasicScript", "basic", "bas"},
    {"JScript", "js", "js"},
};

QString ReadUtf8(const QString &FileName)
{
    QFile f(FileName);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << FileName.toStdString();
    return QString::fromUtf8(f.readAll());
}

struct TErrorCase
{
    QString Position, Message, Text;
};

// Blocks of the form "### <position> <message>" followed by the script.
std::vector<TErrorCase> ReadErrorCases(const QString &FileName)
{
    std::vector<TErrorCase> cases;
    QStringList current;
    auto flush = [&]() {
        if (cases.empty())
            return;
        while (!current.isEmpty() && current.last().isEmpty())
            current.removeLast();
        TStringList lines;
        for (const QString &l : current)
            lines.Add(l);
        cases.back().Text = lines.Text();
        current.clear();
    };
    for (QString line : ReadUtf8(FileName).split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.startsWith("### ")) {
            flush();
            const int blank = int(line.indexOf(' ', 4));
            cases.push_back({line.mid(4, blank - 4), line.mid(blank + 1), QString()});
        } else {
            current << line;
        }
    }
    flush();
    return cases;
}

// The messages of the error elements that the definition's rules name.
QSet<QString> ReferencedMessages(const QString &Language)
{
    TkwXMLDocument doc;
    doc.LoadFromString(GetLanguage(Language));
    TkwXMLItem *root = doc.Root();
    TkwXMLItem *errors = root->Items(0)->Items(root->Items(0)->Find("errors"));
    QSet<QString> r;
    std::vector<TkwXMLItem *> work{root};
    while (!work.empty()) {
        TkwXMLItem *e = work.back();
        work.pop_back();
        if (!e->Prop("err").isEmpty())
            r.insert(errors->Items(errors->Find(e->Prop("err")))->Prop("text"));
        for (int i = 0; i < e->Count(); ++i)
            work.push_back(e->Items(i));
    }
    return r;
}

TkwXMLItem *TreeItem(TkwILParser &P, std::initializer_list<int> Path)
{
    TkwXMLItem *x = P.ProgramDocument()->Root();
    for (int i : Path)
        x = x->Items(i);
    return x;
}

} // namespace

TEST(KwParser, GoldenProgramTrees)
{
    for (const TLanguageDir &l : LanguageDirs) {
        QDir dir(TestDataPath(l.Dir));
        const QStringList scripts = dir.entryList({QStringLiteral("*.") + l.Extension}, QDir::Files, QDir::Name);
        EXPECT_GE(scripts.size(), 4) << l.Dir;
        for (const QString &s : scripts) {
            SCOPED_TRACE((QString(l.Dir) + '/' + s).toStdString());
            TTestHost host;
            TkwILParser p(&host);
            p.SelectLanguage(l.Language);
            ASSERT_TRUE(p.ParseSource(LoadScript(dir.filePath(s))))
                << host.ErrorMessage().toStdString() << " at " << host.ErrorPosition().toStdString();
            EXPECT_EQ(host.ErrorMessage(), "");
            EXPECT_EQ(host.ErrorPosition(), "");
            const QString golden = ReadUtf8(dir.filePath(QFileInfo(s).completeBaseName() + ".xml"));
            EXPECT_EQ(TreeText(p).toStdString(), golden.toStdString());
        }
    }
}

TEST(KwParser, EveryReachableErrorWithItsPosition)
{
    for (const TLanguageDir &l : LanguageDirs) {
        SCOPED_TRACE(l.Language);
        const std::vector<TErrorCase> cases = ReadErrorCases(TestDataPath(QString(l.Dir) + "/errors.txt"));
        QSet<QString> seen;
        for (const TErrorCase &c : cases) {
            const TParsed r = Parse(l.Language, c.Text);
            EXPECT_FALSE(r.Ok) << c.Text.toStdString();
            EXPECT_EQ(r.Message, c.Message) << c.Text.toStdString();
            EXPECT_EQ(r.Position, c.Position) << c.Text.toStdString();
            EXPECT_EQ(r.Unit, "");
            seen.insert(c.Message);
        }
        QSet<QString> reachable = ReferencedMessages(l.Language);
        if (QString(l.Language) == "JScript")
            reachable.insert("Statement expected"); // text left after the statements
        EXPECT_TRUE(seen == reachable) << "missing: " << QStringList((reachable - seen).begin(), (reachable - seen).end()).join(", ").toStdString()
                                       << "; extra: " << QStringList((seen - reachable).begin(), (seen - reachable).end()).join(", ").toStdString();
    }
}

TEST(KwParser, SmallestPrograms)
{
    TTestHost host;
    TkwILParser p(&host);
    p.SelectLanguage("PascalScript");
    ASSERT_TRUE(p.ParseSource("begin end."));
    TkwXMLItem *root = p.ProgramDocument()->Root();
    EXPECT_EQ(root->Name(), "program");
    ASSERT_EQ(root->Count(), 2);
    EXPECT_EQ(root->Items(0)->Name(), "compoundstmt");
    EXPECT_EQ(root->Items(0)->Prop("pos"), "1:1");
    EXPECT_EQ(root->Items(1)->Name(), "types");

    ASSERT_TRUE(p.ParseSource("begin\r\n  a := 1\r\nend."));
    TkwXMLItem *assign = TreeItem(p, {0, 0});
    EXPECT_EQ(Compact(assign), "assignstmt(dsgn(node:a) expr(number:1))");
    EXPECT_EQ(assign->Prop("pos"), "2:3");
    EXPECT_EQ(assign->Items(1)->Prop("pos"), "2:8");
    EXPECT_EQ(assign->Items(1)->Prop("pos1"), "2:9");

    // The types of the definition travel with every tree.
    p.SelectLanguage("C++Script");
    ASSERT_TRUE(p.ParseSource("{}"));
    root = p.ProgramDocument()->Root();
    EXPECT_EQ(Compact(root->Items(root->Count() - 1)), "types(int long void bool float)");
    EXPECT_EQ(root->Items(root->Count() - 1)->Items(4)->Prop("type"), "extended");
}

TEST(KwParser, StatementsAndOperatorsInCompactForm)
{
    struct Case { const char *Language, *Text, *Tree; };
    const Case cases[] = {
        {"PascalScript", "begin if x then end.", "compoundstmt(ifstmt(expr(dsgn(node:x)) thenstmt))"},
        {"PascalScript", "const a = 1; var b: Integer; begin end.",
         "const(ident:a expr(number:1)) var(ident:b type:Integer) compoundstmt"},
        {"PascalScript", "begin x := 1 + 2; end.", "compoundstmt(assignstmt(dsgn(node:x) expr(number:1 op:+ number:2)))"},
        {"PascalScript", "var m: array[5] of Integer; begin end.",
         "var(ident:m array(dim(expr(number:5))) type:Integer) compoundstmt"},
        {"PascalScript", "begin x := a..b; end.", nullptr},
        {"PascalScript", "BEGIN x := 1 End.", "compoundstmt(assignstmt(dsgn(node:x) expr(number:1)))"},
        {"PascalScript", "begin end. anything (", "compoundstmt"},
        {"PascalScript", "begin end := 1; end.", nullptr},
        {"C++Script", "{ if (a) b = 1; }", "compoundstmt(ifstmt(expr(dsgn(node:a)) thenstmt(assignstmt(dsgn(node:b) expr(number:1)))))"},
        {"C++Script", "{ IF (a) b = 1; }", nullptr},
        {"C++Script", "{ a = b == c; }", "compoundstmt(assignstmt(dsgn(node:a) expr(dsgn(node:b) op:= dsgn(node:c))))"},
        {"C++Script", "{ int if = 1; }", nullptr},
        {"BasicScript", "If c Then x = 1\r\n", "compoundstmt(ifstmt(expr(dsgn(node:c)) thenstmt(assignstmt(dsgn(node:x) expr(number:1)))))"},
        {"BasicScript", "If c Then\r\nx = 1\r\n", nullptr},
        {"BasicScript", "Dim End\r\n", nullptr},
        {"BasicScript", "", ""},
        {"BasicScript", "' only a comment\r\n", ""},
        {"BasicScript", "' only a comment\r\n\r\n", "compoundstmt"},
        {"BasicScript", "\r\n\r\n", "compoundstmt"},
        {"BasicScript", "x = 1", nullptr}, // a statement needs its line end
        {"BasicScript", "x = 1\ny = 2\n", "compoundstmt(assignstmt(dsgn(node:x) expr(number:1)) assignstmt(dsgn(node:y) expr(number:2)))"},
        {"BasicScript", "x = 1\ry = 2", "compoundstmt(assignstmt(dsgn(node:x) expr(number:1)) assignstmt(dsgn(node:y) expr(number:2)))"},
        {"JScript", "", "compoundstmt"},
        {"JScript", "// nothing\r\n/* at all */", "compoundstmt"},
        {"JScript", "var if = 1;", nullptr},
        {"JScript", "do x(); while (y);", "compoundstmt(repeatstmt(callstmt(dsgn(node:x)) expr(dsgn(node:y)) inverse:))"},
    };
    for (const Case &c : cases) {
        const TParsed r = Parse(c.Language, c.Text);
        if (c.Tree) {
            EXPECT_TRUE(r.Ok) << c.Language << ": " << c.Text << " -> " << r.Message.toStdString();
            EXPECT_EQ(r.Tree, c.Tree) << c.Language << ": " << c.Text;
        } else {
            EXPECT_FALSE(r.Ok) << c.Language << ": " << c.Text << " -> " << r.Tree.toStdString();
            EXPECT_FALSE(r.Message.isEmpty()) << c.Language << ": " << c.Text;
        }
    }
}

TEST(KwParser, DanglingOperatorIsASyntaxError)
{
    TParsed r = Parse("PascalScript", "begin x := 1 + 2 + ; end.");
    EXPECT_FALSE(r.Ok);
    EXPECT_EQ(r.Message, "';' expected");
    EXPECT_EQ(r.Position, "1:18");
    r = Parse("JScript", "x = a * ;");
    EXPECT_FALSE(r.Ok);
    EXPECT_EQ(r.Message, "Statement expected");
    EXPECT_EQ(r.Position, "1:7");
    r = Parse("BasicScript", "x = a Or\r\n");
    EXPECT_FALSE(r.Ok);
    EXPECT_EQ(r.Message, "End of line expected");
    EXPECT_EQ(r.Position, "1:7");
}

// An empty parameter list meets "Identifier expected" where the first
// parameter would stand; that error is one a list may end on, so the loops
// after it forget it. Other errors met on a path that was given up stay.
TEST(KwParser, EmptyParameterListsAndForgottenErrors)
{
    struct Case { const char *Language, *Text, *Tree; };
    const Case cases[] = {
        {"BasicScript", "Sub F()\r\nEnd Sub\r\n", "compoundstmt(procedure(name:F parameters exit))"},
        {"BasicScript", "Function F() As Integer\r\nReturn 1\r\nEnd Function\r\n",
         "compoundstmt(function(name:F parameters type:Integer compoundstmt(return(expr(number:1))) exit))"},
        {"PascalScript", "procedure P(); begin end; begin end.", "procedure(name:P parameters compoundstmt) compoundstmt"},
        {"PascalScript", "function F(): Integer; begin end; begin end.",
         "function(name:F parameters type:Integer compoundstmt) compoundstmt"},
        {"PascalScript", "const a = 1; var b: Integer; begin end.",
         "const(ident:a expr(number:1)) var(ident:b type:Integer) compoundstmt"},
        {"PascalScript", "begin case x of 1: a; else b; end; end.",
         "compoundstmt(casestmt(expr(dsgn(node:x)) caseselector(set(expr(number:1)) callstmt(dsgn(node:a))) callstmt(dsgn(node:b))))"},
        // "a." names no member: the case loop that may skip its own last
        // error does not forget this earlier one.
        {"PascalScript", "begin b := x in [a.]; case x of 1: ; 2: ; end; end.", nullptr},
    };
    for (const Case &c : cases) {
        const TParsed r = Parse(c.Language, c.Text);
        if (c.Tree) {
            EXPECT_TRUE(r.Ok) << c.Language << ": " << c.Text << " -> " << r.Message.toStdString() << " at "
                              << r.Position.toStdString();
            EXPECT_EQ(r.Tree, c.Tree) << c.Language << ": " << c.Text;
        } else {
            EXPECT_FALSE(r.Ok) << c.Language << ": " << c.Text << " -> " << r.Tree.toStdString();
            EXPECT_EQ(r.Message, "Identifier expected") << c.Language << ": " << c.Text;
            EXPECT_EQ(r.Position, "1:20") << c.Language << ": " << c.Text;
        }
    }
}

TEST(KwParser, SpecialCharactersInStringsSurviveTheTree)
{
    TTestHost host;
    TkwILParser p(&host);
    p.SelectLanguage("PascalScript");
    ASSERT_TRUE(p.ParseSource("begin s := '&quot;&#65;&amp;<>\"'#13; end."));
    EXPECT_EQ(TreeItem(p, {0, 0, 1, 0})->Prop("text"), "'&quot;&#65;&amp;<>\"\r'");
}

TEST(KwParser, LanguageDirective)
{
    TTestHost host;
    TkwILParser p(&host);
    p.SelectLanguage("PascalScript");
    ASSERT_TRUE(p.ParseSource("#language BasicScript\r\nx = 1\r\n"));
    EXPECT_EQ(p.LanguageName(), "BasicScript");
    EXPECT_FALSE(p.NeedDeclareVars());
    EXPECT_EQ(Compact(TreeItem(p, {0})), "compoundstmt(assignstmt(dsgn(node:x) expr(number:1)))");
    EXPECT_EQ(TreeItem(p, {0, 0})->Prop("pos"), "2:1");

    struct Case { const char *Text, *Tree; };
    const Case cases[] = {
        {"#LANGUAGE  JScript  \r\nx = 1;", "compoundstmt(assignstmt(dsgn(node:x) expr(number:1)))"},
        {"#language JScript\nx = 1;", "compoundstmt(assignstmt(dsgn(node:x) expr(number:1)))"},
        {"#language JScript\rx = 1;", "compoundstmt(assignstmt(dsgn(node:x) expr(number:1)))"},
        {"#language JScript", "compoundstmt"},
        {"#language C++Script\r\n{ x = 1; }", "compoundstmt(assignstmt(dsgn(node:x) expr(number:1)))"},
        {"#languages JScript\r\nbegin end.", nullptr},
        {" #language JScript\r\nx = 1;", nullptr},
    };
    for (const Case &c : cases) {
        const TParsed r = Parse("PascalScript", c.Text);
        if (c.Tree) {
            EXPECT_TRUE(r.Ok) << c.Text << " -> " << r.Message.toStdString();
            EXPECT_EQ(r.Tree, c.Tree) << c.Text;
        } else {
            EXPECT_FALSE(r.Ok) << c.Text;
        }
    }
    EXPECT_THROW(Parse("PascalScript", "#language Cobol\r\n"), Exception);
}

TEST(KwParser, UsedUnitsFromTheUnitEvent)
{
    TTestHost host;
    host.UseUnits = true;
    host.Units["a"] = "begin end.";
    host.Units["b"] = "uses 'a'; begin end.";
    host.Units["empty"] = "";
    host.Units["basic"] = "x = 1\ny = 2\n"; // line feeds only

    // One clause: units in reverse order, each once.
    TParsed r = Parse("PascalScript", "uses 'a', 'empty', 'a'; begin end.", &host);
    ASSERT_TRUE(r.Ok) << r.Message.toStdString();
    EXPECT_EQ(r.Tree, "uses(program(compoundstmt types)) uses compoundstmt");
    EXPECT_EQ(host.Requested, (QStringList{"a", "empty"}));

    // A unit used by a unit and by the main text is included once, where it
    // is met first.
    host.Requested.clear();
    r = Parse("PascalScript", "uses 'a', 'b'; begin end.", &host);
    ASSERT_TRUE(r.Ok) << r.Message.toStdString();
    EXPECT_EQ(r.Tree, "uses(program(uses(program(compoundstmt types)) compoundstmt types)) compoundstmt");
    EXPECT_EQ(host.Requested, (QStringList{"b", "a"}));
    host.Requested.clear();
    r = Parse("PascalScript", "uses 'b', 'a'; begin end.", &host);
    EXPECT_EQ(r.Tree, "uses(program(compoundstmt types)) uses(program(compoundstmt types)) compoundstmt");
    EXPECT_EQ(host.Requested, (QStringList{"a", "b"}));

    // The clause of every language.
    host.Units["c"] = "{ x = 1; }";
    host.Units["j"] = "x = 1;";
    r = Parse("C++Script", "#include \"c\", \"empty\"\r\n{ }", &host);
    ASSERT_TRUE(r.Ok) << r.Message.toStdString();
    EXPECT_EQ(r.Tree, "uses uses(program(compoundstmt(assignstmt(dsgn(node:x) expr(number:1))) types(int long void bool float))) compoundstmt");
    r = Parse("JScript", "import \"j\";\r\ny = 2;", &host);
    ASSERT_TRUE(r.Ok) << r.Message.toStdString();
    EXPECT_EQ(r.Tree, "compoundstmt(uses(program(compoundstmt(assignstmt(dsgn(node:x) expr(number:1))) types)) "
                      "assignstmt(dsgn(node:y) expr(number:2)))");

    // Units get the line ends of the script's lines.
    r = Parse("BasicScript", "Imports \"basic\"\r\n", &host);
    ASSERT_TRUE(r.Ok) << r.Message.toStdString();
    EXPECT_EQ(r.Tree, "compoundstmt(uses(program(compoundstmt(assignstmt(dsgn(node:x) expr(number:1)) "
                      "assignstmt(dsgn(node:y) expr(number:2))) types(decimal))))");

    TTestHost plain;
    plain.UseUnits = true;
    plain.Units["u"] = "begin end.";
    TkwILParser p(&plain);
    p.SelectLanguage("PascalScript");
    ASSERT_TRUE(p.ParseSource("uses 'u'; begin end."));
    EXPECT_EQ(TreeItem(p, {0})->Text(), "unit=\"u\"");
    EXPECT_EQ(TreeItem(p, {0})->Prop("unit"), "u");
}

TEST(KwParser, FailingUnitReportsItsErrorAndName)
{
    TTestHost host;
    host.UseUnits = true;
    host.Units["bad"] = "begin\r\n  x := ;\r\nend.";
    host.Units["outer"] = "uses 'bad'; begin end.";
    host.Units["good"] = "begin end.";

    TParsed r = Parse("PascalScript", "uses 'bad';\r\nbegin end.", &host);
    EXPECT_FALSE(r.Ok);
    EXPECT_EQ(r.Message, "Expression expected");
    EXPECT_EQ(r.Position, "2:8");
    EXPECT_EQ(r.Unit, "bad");

    r = Parse("PascalScript", "uses 'good', 'outer'; begin end.", &host);
    EXPECT_FALSE(r.Ok);
    EXPECT_EQ(r.Message, "Expression expected");
    EXPECT_EQ(r.Position, "2:8");
    EXPECT_EQ(r.Unit, "bad");

    // An error of the main text after that names no unit.
    r = Parse("PascalScript", "begin x := ; end.", &host);
    EXPECT_EQ(r.Unit, "");
    EXPECT_EQ(r.Position, "1:12");

    // A forgiving loop does not forget the unit's error.
    host.Units["bad"] = "x = )\r\n";
    r = Parse("BasicScript", "Dim a,\r\nImports \"bad\"\r\nx = 1\r\n", &host);
    EXPECT_FALSE(r.Ok);
    EXPECT_EQ(r.Message, "Expression expected");
    EXPECT_EQ(r.Position, "1:5");
    EXPECT_EQ(r.Unit, "bad");
}

TEST(KwParser, UsedUnitsFromIncludeDirectories)
{
    TTestHost host;
    host.IncludePath()->Clear();
    host.IncludePath()->Add("/nonexistent/dir");
    host.IncludePath()->Add(TestDataPath("units")); // no trailing separator
    TParsed r = Parse("PascalScript", "uses 'lib1.pas'; begin One; end.", &host);
    ASSERT_TRUE(r.Ok) << r.Message.toStdString();
    EXPECT_EQ(r.Tree, "uses(program(uses(program(procedure(name:Two compoundstmt) compoundstmt types)) "
                      "procedure(name:One compoundstmt) compoundstmt types)) compoundstmt(callstmt(dsgn(node:One)))");

    r = Parse("PascalScript", "uses 'bad.pas'; begin end.", &host);
    EXPECT_FALSE(r.Ok);
    EXPECT_EQ(r.Message, "Expression expected");
    EXPECT_EQ(r.Position, "1:27");
    EXPECT_EQ(r.Unit, "bad.pas");

    EXPECT_THROW(Parse("PascalScript", "uses 'missing.pas'; begin end.", &host), EFOpenError);

    // The entry a script starts with is the current directory.
    TTestHost current;
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(TestDataPath("units"));
    r = Parse("PascalScript", "uses 'lib2.pas'; begin end.", &current);
    QDir::setCurrent(cwd);
    EXPECT_TRUE(r.Ok) << r.Message.toStdString();
}

TEST(KwParser, NestingDepthIsBounded)
{
    const TParsed fine = Parse("PascalScript", "begin x := " + QString(100, '(') + "1" + QString(100, ')') + "; end.");
    EXPECT_TRUE(fine.Ok) << fine.Message.toStdString();
    const TParsed deep = Parse("PascalScript", "begin x := " + QString(50000, '(') + "1" + QString(50000, ')') + "; end.");
    EXPECT_FALSE(deep.Ok);
    EXPECT_EQ(deep.Message, SNestingTooDeep);
    EXPECT_TRUE(deep.Position.startsWith("1:"));
    QString blocks;
    for (int i = 0; i < 5000; ++i)
        blocks += "{ ";
    EXPECT_FALSE(Parse("JScript", blocks).Ok);
}

// Arbitrary input never crashes, hangs or fails without a message.
TEST(KwParser, FuzzLexerAndParser)
{
    QRandomGenerator rng(20240607);
    const QStringList pool{"begin", "end", ".", ";", ":=", "(", ")", "[", "]", "{", "}", "(*", "*)", "/*", "*/", "//", "'",
                           "\"", "\\", "#", "#13", "$", "0x", "<", ">", "<>", "..", ",", "_", "\r\n", "\n", "\r", " ", "rem",
                           "'a''b'", "\"\\x41\"", "If", "Then", "End If", "#language JScript\r\n", "uses 'u';",
                           "Imports \"u\"", "import \"u\";", "#include \"u\"", "1.5e3", "@", "&", "|", "!", "%", "x", "\t",
                           QString(QChar(0x4E2D)), QString(QChar(0))};
    std::vector<std::pair<const char *, QStringList>> seeds;
    for (const TLanguageDir &l : LanguageDirs) {
        QStringList texts;
        QDir dir(TestDataPath(l.Dir));
        for (const QString &s : dir.entryList({QStringLiteral("*.") + l.Extension}, QDir::Files, QDir::Name))
            texts << LoadScript(dir.filePath(s));
        seeds.emplace_back(l.Language, texts);
    }
    TTestHost host;
    host.UseUnits = true;
    host.Units["u"] = "begin end.";
    const auto started = std::chrono::steady_clock::now();
    int parsed = 0, failed = 0;
    for (int round = 0; round < 6000; ++round) {
        const auto &[language, texts] = seeds[size_t(round) % seeds.size()];
        QString text = texts[int(rng.bounded(int(texts.size())))];
        const int edits = 1 + int(rng.bounded(6));
        for (int e = 0; e < edits; ++e) {
            const int at = int(rng.bounded(int(text.size()) + 1));
            switch (rng.bounded(4)) {
            case 0: text.insert(at, pool[int(rng.bounded(int(pool.size())))]); break;
            case 1: text.remove(at, int(rng.bounded(20))); break;
            case 2: text.insert(at, QChar(char16_t(rng.bounded(200)))); break;
            case 3: text.truncate(at); break;
            }
        }
        host.SetExtendedCharset(round % 2 == 0);
        try {
            const TParsed r = Parse(language, text, &host);
            if (r.Ok)
                ++parsed;
            else
                ++failed;
            EXPECT_TRUE(r.Ok || !r.Message.isEmpty()) << language << ": " << text.toStdString();
            EXPECT_TRUE(r.Ok || !r.Position.isEmpty()) << language << ": " << text.toStdString();
        } catch (const Exception &e) {
            // Only a directive naming no language may raise.
            EXPECT_TRUE(e.Message().startsWith("Language '")) << e.Message().toStdString();
        }

        // The scanners alone, with odd settings, stay inside the text.
        TkwParser L;
        L.SetSkipEOL(round % 3 != 0);
        L.SetSpecStrChar(round % 2 == 0);
        L.SetSkipChar(round % 5 == 0 ? "_" : "");
        L.SetCommentLine2(round % 7 == 0 ? "rem" : "");
        L.SetHexSequence(round % 2 ? "$" : "0x");
        L.SetText(text);
        for (int step = 0; step < 400 && L.Position() <= L.Size(); ++step) {
            const int before = L.Position();
            switch (rng.bounded(8)) {
            case 0: L.GetWord(); break;
            case 1: L.GetIdent(); break;
            case 2: L.GetNumber(); break;
            case 3: L.GetString(); break;
            case 4: L.GetEOL(); break;
            case 5: L.GetBracketText(); break;
            case 6: L.SkipSpaces(); break;
            case 7: L.GetChar(); break;
            }
            ASSERT_GE(L.Position(), before);
            ASSERT_LE(L.Position(), L.Size() + 1);
            L.GetXYPosition();
            if (L.Position() == before)
                L.SetPosition(before + 1);
        }
    }
    EXPECT_GT(parsed, 0);
    EXPECT_GT(failed, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(120));
}
