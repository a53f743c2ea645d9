// The language registry and the four built-in definitions: their contents
// against what the languages are, and the lexer settings they select.
#include "Exceptions.h"
#include "kw_iconst.h"
#include "kw_test_support.h"
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

namespace {

struct TDefinitionCounts
{
    const char *Name;
    int Settings, Keywords, Errors, Types, Rules;
};

const TDefinitionCounts Definitions[] = {
    {"PascalScript", 5, 40, 20, 0, 48},
    {"C++Script", 7, 19, 18, 5, 47},
    {"BasicScript", 9, 40, 28, 1, 47},
    {"JScript", 7, 22, 17, 0, 42},
};

TkwXMLItem *Child(TkwXMLItem *Item, const char *Name)
{
    const int i = Item->Find(Name);
    return i >= 0 ? Item->Items(i) : nullptr;
}

} // namespace

TEST(KwLanguages, DefinitionsHoldWhatTheLanguagesNeed)
{
    for (const TDefinitionCounts &d : Definitions) {
        SCOPED_TRACE(d.Name);
        TkwXMLDocument doc;
        doc.LoadFromString(GetLanguage(d.Name));
        TkwXMLItem *root = doc.Root();
        EXPECT_EQ(root->Name(), "language");
        EXPECT_EQ(root->Prop("text"), d.Name);
        ASSERT_GE(root->Count(), 2);
        TkwXMLItem *parser = root->Items(0);
        TkwXMLItem *types = root->Items(1);
        ASSERT_EQ(parser->Name(), "parser");
        ASSERT_EQ(types->Name(), "types");
        TkwXMLItem *keywords = Child(parser, "keywords");
        TkwXMLItem *errors = Child(parser, "errors");
        ASSERT_TRUE(keywords && errors);
        EXPECT_EQ(parser->Count() - 2, d.Settings);
        EXPECT_EQ(keywords->Count(), d.Keywords);
        EXPECT_EQ(errors->Count(), d.Errors);
        EXPECT_EQ(types->Count(), d.Types);
        EXPECT_EQ(root->Count() - 2, d.Rules);
        EXPECT_EQ(root->Items(2)->Name(), "empty");
        EXPECT_EQ(root->Items(2)->Count(), 0);
        EXPECT_EQ(root->Items(3)->Name(), "program");

        // Every error element is errN with a message.
        for (int i = 0; i < errors->Count(); ++i) {
            EXPECT_TRUE(errors->Items(i)->Name().startsWith("err"));
            EXPECT_FALSE(errors->Items(i)->Prop("text").isEmpty());
        }

        // Every element of every rule is a known element or names a rule,
        // every err names an error element, and only known attributes occur.
        QSet<QString> rules;
        for (int i = 2; i < root->Count(); ++i) {
            const QString name = root->Items(i)->Name().toLower();
            EXPECT_FALSE(rules.contains(name)) << "rule twice: " << name.toStdString();
            rules.insert(name);
        }
        const QSet<QString> elements{"char", "keyword", "ident", "number", "string", "qdstring", "eol", "sequence",
                                     "switch", "optionalswitch", "loop", "optionalloop", "optional"};
        const QStringList attributes{"text", "node", "add", "addtext", "err", "term", "skip"};
        std::vector<TkwXMLItem *> work;
        for (int i = 2; i < root->Count(); ++i)
            work.push_back(root->Items(i));
        int references = 0, errRefs = 0;
        while (!work.empty()) {
            TkwXMLItem *e = work.back();
            work.pop_back();
            const QString name = e->Name().toLower();
            if (e->Parent() != root && !elements.contains(name)) {
                EXPECT_TRUE(rules.contains(name)) << "no rule " << name.toStdString();
                ++references;
            }
            const QString err = e->Prop("err");
            if (!err.isEmpty()) {
                EXPECT_NE(errors->Find(err), -1) << "no error " << err.toStdString();
                ++errRefs;
            }
            QString rest = e->Text();
            for (const QString &a : attributes)
                if (!e->Prop(a).isEmpty() || rest.contains(a + "=\""))
                    rest.remove(QRegularExpression(QStringLiteral("(^| )%1=\"[^\"]*\"").arg(a)));
            EXPECT_TRUE(rest.trimmed().isEmpty()) << name.toStdString() << ": " << rest.toStdString();
            for (int i = 0; i < e->Count(); ++i)
                work.push_back(e->Items(i));
        }
        EXPECT_GT(references, 40);
        EXPECT_GT(errRefs, 10);
    }
}

TEST(KwLanguages, KeywordListsAndMessages)
{
    TTestHost host;
    TkwILParser p(&host);
    p.SelectLanguage("PascalScript");
    QStringList k = p.Lexer()->Keywords();
    EXPECT_EQ(k.first(), "and");
    EXPECT_EQ(k.last(), "xor");
    EXPECT_TRUE(k.contains("goto") && k.contains("label") && k.contains("program"));
    p.SelectLanguage("C++Script");
    EXPECT_EQ(p.Lexer()->Keywords(), (QStringList{"break", "case", "continue", "default", "define", "delete", "do", "else",
                                                  "except", "finally", "for", "if", "in", "is", "new", "return", "switch",
                                                  "try", "while"}));
    p.SelectLanguage("JScript");
    EXPECT_TRUE(p.Lexer()->Keywords().contains("function"));
    EXPECT_FALSE(p.Lexer()->Keywords().contains("define"));

    TkwXMLDocument doc;
    doc.LoadFromString(GetLanguage("PascalScript"));
    TkwXMLItem *errors = Child(Child(doc.Root(), "parser"), "errors");
    EXPECT_EQ(Child(errors, "err20")->Prop("text"), "'>' expected");
    EXPECT_EQ(Child(errors, "err15")->Prop("text"), "'TO' or 'DOWNTO' expected");
    doc.LoadFromString(GetLanguage("BasicScript"));
    errors = Child(Child(doc.Root(), "parser"), "errors");
    EXPECT_EQ(Child(errors, "err3")->Prop("text"), "End of line expected");
    EXPECT_EQ(Child(errors, "err28")->Prop("text"), "'IF' expected");
    doc.LoadFromString(GetLanguage("C++Script"));
    EXPECT_EQ(doc.Root()->Find("types"), 1);
    TkwXMLItem *types = doc.Root()->Items(1);
    EXPECT_EQ(Child(types, "int")->Prop("type"), "integer");
    EXPECT_EQ(Child(types, "float")->Prop("type"), "extended");
    EXPECT_EQ(Child(Child(Child(doc.Root(), "parser"), "errors"), "err15"), nullptr);
}

TEST(KwLanguages, SelectLanguageConfiguresTheLexer)
{
    TTestHost host;
    TkwILParser p(&host);
    TkwParser *L = p.Lexer();

    p.SelectLanguage("PascalScript");
    EXPECT_EQ(p.LanguageName(), "PascalScript");
    EXPECT_TRUE(p.NeedDeclareVars());
    EXPECT_EQ(L->CommentBlock1(), "{,}");
    EXPECT_EQ(L->CommentBlock2(), "(*,*)");
    EXPECT_EQ(L->StringQuotes(), "'");
    EXPECT_FALSE(L->CaseSensitive());
    EXPECT_TRUE(L->SkipEOL());
    EXPECT_EQ(p.GrammarRoot()->Prop("text"), "PascalScript");

    p.SelectLanguage("C++Script");
    EXPECT_EQ(L->CommentBlock1Open(), "/*");
    EXPECT_EQ(L->CommentBlock2Close(), "*/");
    EXPECT_EQ(L->StringQuotes(), "\"");
    EXPECT_EQ(L->HexSequence(), "0x");
    EXPECT_TRUE(L->SpecStrChar());
    EXPECT_TRUE(L->CaseSensitive());
    EXPECT_TRUE(p.NeedDeclareVars());

    p.SelectLanguage("BasicScript");
    EXPECT_EQ(L->CommentLine1(), "'");
    EXPECT_EQ(L->CommentLine2(), "rem");
    EXPECT_EQ(L->CommentBlock1Open(), "/\\");
    EXPECT_FALSE(L->SkipEOL());
    EXPECT_EQ(L->SkipChar(), "_");
    EXPECT_FALSE(L->SpecStrChar()); // settings of the previous language are gone
    EXPECT_FALSE(L->CaseSensitive());
    EXPECT_FALSE(p.NeedDeclareVars());

    p.SelectLanguage("JScript");
    EXPECT_TRUE(L->SkipEOL());
    EXPECT_EQ(L->SkipChar(), "");
    EXPECT_TRUE(L->SpecStrChar());
    EXPECT_FALSE(L->CaseSensitive());
    EXPECT_FALSE(p.NeedDeclareVars());
    EXPECT_FALSE(L->IsIdentChar(QChar(0x4E2D)));

    host.SetExtendedCharset(true);
    p.SelectLanguage("jscript"); // names ignore case
    EXPECT_TRUE(L->IsIdentChar(QChar(0x4E2D)));
    EXPECT_TRUE(L->IsIdentChar(QChar(0xE9)));
}

TEST(KwLanguages, UnknownLanguage)
{
    try {
        GetLanguage("Cobol");
        FAIL() << "no error";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), "Language 'Cobol' not found");
    }
    TTestHost host;
    TkwILParser p(&host);
    EXPECT_THROW(p.SelectLanguage("Cobol"), Exception);
}

TEST(KwLanguages, RegisteringAgainReplaces)
{
    const QString original = GetLanguage("PascalScript");
    const QString mini = "<?xml version=\"1.0\"?><language text=\"PascalScript\"><parser/><types/>"
                         "<empty/><program><keyword text=\"HELLO\"/></program></language>";
    RegisterLanguage("pascalscript", mini);
    EXPECT_EQ(GetLanguage("PascalScript"), mini);
    EXPECT_TRUE(Parse("PascalScript", "hello").Ok);
    EXPECT_FALSE(Parse("PascalScript", "begin end.").Ok);
    RegisterLanguage("PascalScript", original);
    EXPECT_EQ(GetLanguage("PascalScript"), original);
    EXPECT_TRUE(Parse("PascalScript", "begin end.").Ok);

    RegisterLanguage("Tiny", mini);
    EXPECT_EQ(GetLanguage("TINY"), mini);
}

TEST(KwLanguages, BrokenDefinitions)
{
    RegisterLanguage("Broken", "<?xml version=\"1.0\"?><language><parser/><types/><empty/>"
                               "<program><optional><nosuchrule/></optional></program></language>");
    try {
        Parse("Broken", "x");
        FAIL() << "no error";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), "Invalid language definition");
    }
    // A rule that is never reached does not matter.
    RegisterLanguage("Broken", "<?xml version=\"1.0\"?><language><parser/><types/><empty/>"
                               "<program><empty/></program><unused><nosuchrule/></unused></language>");
    EXPECT_TRUE(Parse("Broken", "").Ok);
    RegisterLanguage("Broken", "<?xml version=\"1.0\"?><language><parser/><types/><empty/></language>");
    EXPECT_THROW(Parse("Broken", ""), Exception);
    RegisterLanguage("Broken", "not xml");
    EXPECT_THROW(Parse("Broken", ""), Exception);
}
