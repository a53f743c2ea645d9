// The character-level scanner: settings, token scanners, comments, line
// ends and positions.
#include "kw_iparser.h"
#include <gtest/gtest.h>

namespace {

// A lexer set up as the language with significant line ends.
void SetBasicLike(TkwParser &L)
{
    L.SetCommentLine1("'");
    L.SetCommentLine2("rem");
    L.SetSkipEOL(false);
    L.SetSkipChar("_");
    L.SetStringQuotes("\"");
    L.SetHexSequence("0x");
}

void SetCLike(TkwParser &L)
{
    L.SetCommentBlock1("/*,*/");
    L.SetCommentBlock2("/*,*/");
    L.SetStringQuotes("\"");
    L.SetHexSequence("0x");
    L.SetSpecStrChar(true);
}

QStringList Words(TkwParser &L)
{
    QStringList r;
    for (;;) {
        QString w = L.GetWord();
        if (w.isEmpty())
            w = L.GetNumber();
        if (w.isEmpty()) {
            L.SkipSpaces();
            w = L.GetChar();
        }
        if (w.isEmpty())
            break;
        r << w;
    }
    return r;
}

} // namespace

TEST(KwLexer, Defaults)
{
    TkwParser L;
    EXPECT_FALSE(L.CaseSensitive());
    EXPECT_EQ(L.CommentBlock1Open(), "{");
    EXPECT_EQ(L.CommentBlock1Close(), "}");
    EXPECT_EQ(L.CommentBlock2Open(), "(*");
    EXPECT_EQ(L.CommentBlock2Close(), "*)");
    EXPECT_EQ(L.CommentLine1(), "//");
    EXPECT_EQ(L.CommentLine2(), "");
    EXPECT_EQ(L.HexSequence(), "$");
    EXPECT_TRUE(L.IsIdentChar('_'));
    EXPECT_TRUE(L.IsIdentChar('z'));
    EXPECT_TRUE(L.IsIdentChar('0'));
    EXPECT_FALSE(L.IsIdentChar(QChar(0xE9)));
    EXPECT_EQ(L.Position(), 1);
    EXPECT_EQ(L.LastPosition(), 1);
    EXPECT_EQ(L.Size(), 0);
    EXPECT_TRUE(L.SkipEOL());
    EXPECT_TRUE(L.SkipSpace());
    EXPECT_EQ(L.StringQuotes(), "'");
    EXPECT_TRUE(L.UseY());
    EXPECT_EQ(L.YList(), QList<int>{0});
    EXPECT_FALSE(L.SpecStrChar());
}

TEST(KwLexer, SetDefaultsRestoresSettingsButKeepsTheText)
{
    TkwParser L;
    SetBasicLike(L);
    L.SetCaseSensitive(true);
    L.SetIdentChars("ab");
    L.AddKeyword("if");
    L.SetText("abc def");
    L.SetPosition(4);
    L.SetDefaults();
    EXPECT_TRUE(L.SkipEOL());
    EXPECT_EQ(L.SkipChar(), "");
    EXPECT_EQ(L.CommentLine1(), "//");
    EXPECT_FALSE(L.CaseSensitive());
    EXPECT_TRUE(L.Keywords().isEmpty());
    EXPECT_TRUE(L.IsIdentChar('x'));
    EXPECT_EQ(L.Position(), 4);
    EXPECT_EQ(L.GetWord(), "def");
}

TEST(KwLexer, CommentPairsAndIdentChars)
{
    TkwParser L;
    L.SetCommentBlock1("/\\,/\\");
    EXPECT_EQ(L.CommentBlock1Open(), "/\\");
    EXPECT_EQ(L.CommentBlock1Close(), "/\\");
    L.SetCommentBlock2("<<");
    EXPECT_EQ(L.CommentBlock2Open(), "<<");
    EXPECT_EQ(L.CommentBlock2Close(), "");
    L.SetIdentChars("xy");
    EXPECT_TRUE(L.IsIdentChar('x'));
    EXPECT_FALSE(L.IsIdentChar('a'));
    L.SetText("xyxa");
    EXPECT_EQ(L.GetWord(), "xyx");
}

TEST(KwLexer, BlanksAreTheGrammarsBusinessForChars)
{
    TkwParser L;
    L.SetText("a:=1");
    EXPECT_EQ(Words(L), (QStringList{"a", ":", "=", "1"}));
    L.SetText("a := 1");
    EXPECT_EQ(Words(L), (QStringList{"a", ":", "=", "1"}));
    L.SetText(" :");
    EXPECT_EQ(L.GetChar(), ""); // GetChar never skips blanks
    L.SetText("_x");
    EXPECT_EQ(L.GetChar(), "_");
}

TEST(KwLexer, WordsKeywordsAndIdentifiers)
{
    TkwParser L;
    L.AddKeyword("begin");
    L.AddKeyword("End");
    L.SetText("9abc");
    EXPECT_EQ(L.GetWord(), "");
    EXPECT_EQ(L.Position(), 1);
    L.SetText("BEGIN x");
    EXPECT_EQ(L.GetIdent(), "");
    EXPECT_EQ(L.Position(), 6); // the keyword stays consumed
    EXPECT_EQ(L.GetIdent(), "x");
    EXPECT_TRUE(L.IsKeyWord("END"));
    EXPECT_TRUE(L.IsKeyWord("begin"));
    L.SetCaseSensitive(true);
    EXPECT_FALSE(L.IsKeyWord("END"));
    EXPECT_TRUE(L.IsKeyWord("End"));
    L.SetText("Begin");
    EXPECT_EQ(L.GetIdent(), "Begin");
    EXPECT_EQ(L.Keywords(), (QStringList{"begin", "End"}));
}

TEST(KwLexer, NonAsciiIdentifiersWhenAllowed)
{
    TkwParser L;
    L.SetText(QString::fromUtf8("合计 := 1"));
    EXPECT_EQ(L.GetWord(), "");
    L.AddIdentChars(128, 0xFFFF);
    EXPECT_EQ(L.GetWord(), QString::fromUtf8("合计"));
    EXPECT_EQ(L.GetXYPosition(), "1:3");
}

TEST(KwLexer, Numbers)
{
    struct Case { QString Text, Hex, Token, Rest; };
    const Case cases[] = {
        {"$FF;", "$", "$FF", ";"},
        {"0xFF;", "0x", "$FF", ";"},
        {"0x1f0x", "0x", "$1f0", "x"},
        {"255", "$", "255", ""},
        {"1.5E-3+", "$", "1.5E-3", "+"},
        {"1.5e+3", "$", "1.5e+3", ""},
        {"2e5", "$", "2e5", ""},
        {"1.x", "$", "1", ".x"},
        {"1..5", "$", "1", "..5"},
        {"1.e5", "$", "1", ".e5"},
        {"3e", "$", "3", "e"},
        {"3E+", "$", "3", "E+"},
        {"  42 ", "$", "42", " "},
        {"$", "$", "", "$"},
        {"0xZ", "0x", "", "0xZ"},
        {"x1", "$", "", "x1"},
    };
    for (const Case &c : cases) {
        TkwParser L;
        L.SetHexSequence(c.Hex);
        L.SetText(c.Text);
        EXPECT_EQ(L.GetNumber(), c.Token) << c.Text.toStdString();
        EXPECT_EQ(L.Text().mid(L.Position() - 1), c.Rest) << c.Text.toStdString();
    }
}

TEST(KwLexer, StringsWithDoubledQuotes)
{
    struct Case { QString Text, Token; int End; };
    const Case cases[] = {
        {"'it''s'", "'it's'", 8},
        {"'a'#13#10'b'", "'a\r\nb'", 13},
        {"#65#$42'c'", "'ABc'", 11},
        {"'tab\there'", "'tab\there'", 11},
        {"''", "''", 3},
        {"'abc", "", 1},           // unterminated: nothing read
        {"'ab\r\ncd'", "", 1},     // no string across a line end
        {"#", "", 1},
        {"'x' 'y'", "'x'", 4},     // pieces join only without blanks
    };
    for (const Case &c : cases) {
        TkwParser L;
        L.SetText(c.Text);
        EXPECT_EQ(L.GetString(), c.Token) << c.Text.toStdString();
        EXPECT_EQ(L.Position(), c.End) << c.Text.toStdString();
    }
}

TEST(KwLexer, StringsWithBackslashEscapes)
{
    struct Case { QString Text, Token; int End; };
    const Case cases[] = {
        {"\"a\\\"b\"", "'a\"b'", 7},
        {"\"\\\\\"", "'\\'", 5},
        {"\"\\n\\N\\r\\R\"", "'\n\n\r\r'", 11},
        {"\"\\x41\\X4a!\"", "'AJ!'", 12},
        {"\"\\xg\"", "'g'", 6},       // \x without digits adds nothing
        {"\"\\q\"", "'q'", 5},
        {"\"a\"\"b\"", "'ab'", 7},     // two pieces, no doubled quote
        {"\"abc\\", "", 1},            // a backslash at the very end
        {"\"\\", "", 1},
        {"\"\\x", "", 1},
    };
    for (const Case &c : cases) {
        TkwParser L;
        SetCLike(L);
        L.SetText(c.Text);
        EXPECT_EQ(L.GetString(), c.Token) << c.Text.toStdString();
        EXPECT_EQ(L.Position(), c.End) << c.Text.toStdString();
    }
}

TEST(KwLexer, CharacterCodesKeepSixteenBits)
{
    TkwParser L;
    L.SetText("#20013#$4E2D#65601");
    EXPECT_EQ(L.GetString(), QString("'") + QChar(0x4E2D) + QChar(0x4E2D) + QChar(65601 & 0xFFFF) + "'");
}

TEST(KwLexer, LineEndsWhenSignificant)
{
    TkwParser L;
    SetBasicLike(L);
    L.SetText("x = 1 ' note\r\ny");
    EXPECT_EQ(Words(L), (QStringList{"x", "=", "1"}));
    EXPECT_TRUE(L.GetEOL());
    EXPECT_EQ(L.GetWord(), "y");

    L.SetText("x\r\n' note\r\ny");
    EXPECT_EQ(L.GetWord(), "x");
    EXPECT_TRUE(L.GetEOL());
    EXPECT_FALSE(L.GetEOL()); // the comment line vanished with its line end
    EXPECT_EQ(L.GetWord(), "y");

    L.SetText("' note\r\ny"); // a comment at the very start takes its line end along
    EXPECT_FALSE(L.GetEOL());
    EXPECT_EQ(L.GetWord(), "y");

    L.SetText("x\ny\n"); // line feeds alone are blanks
    EXPECT_EQ(L.GetWord(), "x");
    EXPECT_FALSE(L.GetEOL());
    EXPECT_EQ(L.GetWord(), "y");
    EXPECT_FALSE(L.GetEOL());
}

TEST(KwLexer, LineEndsAreBlanksByDefault)
{
    TkwParser L;
    L.SetText("a\r\n// c\r\nb");
    EXPECT_EQ(L.GetWord(), "a");
    EXPECT_FALSE(L.GetEOL());
    EXPECT_EQ(L.GetWord(), "b");
}

TEST(KwLexer, LineContinuation)
{
    TkwParser L;
    SetBasicLike(L);
    L.SetText("a + _\r\n  b\r\nc");
    EXPECT_EQ(Words(L), (QStringList{"a", "+", "b"}));
    EXPECT_TRUE(L.GetEOL());
    L.SetText("a _ _\r\n\r\n b");
    EXPECT_EQ(L.GetWord(), "a");
    EXPECT_EQ(L.GetWord(), "b");
    L.SetText("a _");
    EXPECT_EQ(L.GetWord(), "a");
    EXPECT_EQ(L.GetWord(), "");
    EXPECT_EQ(L.Position(), 4);
}

TEST(KwLexer, RemStartsACommentOnlyInLowerCase)
{
    TkwParser L;
    SetBasicLike(L);
    L.SetText("remark = 1");
    EXPECT_EQ(L.GetWord(), "");
    L.SetText("x\r\nREM = 1");
    EXPECT_EQ(L.GetWord(), "x");
    EXPECT_TRUE(L.GetEOL());
    EXPECT_EQ(L.GetWord(), "REM");
}

TEST(KwLexer, BlockComments)
{
    TkwParser L;
    L.SetText("{ a } (* b *) c {x}{y}d");
    EXPECT_EQ(L.GetWord(), "c");
    EXPECT_EQ(L.GetWord(), "d");
    L.SetText("(*)*) e");
    EXPECT_EQ(L.GetWord(), "e");
    L.SetText("a { unclosed");
    EXPECT_EQ(L.GetWord(), "a");
    EXPECT_EQ(L.GetWord(), "");
    EXPECT_EQ(L.Position(), L.Size() + 1);
}

TEST(KwLexer, CommentOpenersAtTheEndStayInsideTheText)
{
    TkwParser L;
    L.SetText("a (*");
    EXPECT_EQ(L.GetWord(), "a");
    L.SkipSpaces();
    EXPECT_EQ(L.Position(), L.Size() + 1);
    L.SetText("a {");
    EXPECT_EQ(L.GetWord(), "a");
    L.SkipSpaces(); // an opener on the very last character is not seen
    EXPECT_EQ(L.GetChar(), "{");
    EXPECT_EQ(L.Position(), L.Size() + 1);
    L.SetText("a //");
    EXPECT_EQ(L.GetWord(), "a");
    L.SkipSpaces();
    EXPECT_EQ(L.Position(), L.Size() + 1);
    L.SetCommentBlock1("{"); // an opener without closer runs to the end
    L.SetText("{ x");
    L.SkipSpaces();
    EXPECT_EQ(L.Position(), 4);
}

TEST(KwLexer, Positions)
{
    TkwParser L;
    L.SetText("ab\r\ncd\r\nef");
    EXPECT_EQ(L.YList(), (QList<int>{0, 4, 8}));
    EXPECT_EQ(L.GetXYPosition(), "1:1");
    L.SetPosition(9);
    EXPECT_EQ(L.GetXYPosition(), "3:1");
    L.SetPosition(8); // the line feed ending line 2
    EXPECT_EQ(L.GetXYPosition(), "2:4");
    L.SetPosition(7);
    EXPECT_EQ(L.GetXYPosition(), "2:3");
    L.SetPosition(11);
    EXPECT_EQ(L.GetXYPosition(), "3:3");
    EXPECT_EQ(L.GetPlainPosition(1, 3), 9);
    EXPECT_EQ(L.GetPlainPosition(2, 1), 2);
    EXPECT_EQ(L.GetPlainPosition(1, 4), -1);
    EXPECT_EQ(L.GetPlainPosition(1, 0), -1);
}

TEST(KwLexer, BracketText)
{
    struct Case { QString Text, Token; int End; };
    const Case cases[] = {
        {"Total> + 1", "Total", 6},
        {"a<b>c> d", "a<b>c", 6},
        {"x[1]y>", "x[1]y", 6},
        {"Data.\"S>um\">", "Data.\"S>um\"", 12},
        {"'it''s>'>", "'it''s>'", 9},
        {"\"a'b\">", "\"a'b\"", 6},
        {"open", "open", 5},
        {">", "", 1},
    };
    for (const Case &c : cases) {
        TkwParser L;
        L.SetText(c.Text);
        EXPECT_EQ(L.GetBracketText(), c.Token) << c.Text.toStdString();
        EXPECT_EQ(L.Position(), c.End) << c.Text.toStdString();
    }
}
