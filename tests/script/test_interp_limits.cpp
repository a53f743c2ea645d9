// Scripts that try to exhaust the machine: deep recursion and nesting, huge
// flat expressions, loops with empty bodies, enormous strings and Format
// arguments. Each ends in a script error or under the host's control.
#include "kw_iexpression.h"
#include "test_syslib_support.h"

namespace {

const QString Pas = QStringLiteral("PascalScript");
const QString Cpp = QStringLiteral("C++Script");
const QString Js = QStringLiteral("JScript");
const QString Bas = QStringLiteral("BasicScript");

struct TLimitHost : TSysLibHost
{
    TLimitHost()
    {
        S.SetAddedBy(kwRTTIStamp());
        S.AddMethod(QStringLiteral("procedure Hog"), TkwCallMethodNewEvent(this, &TLimitHost::Hog));
        S.SetAddedBy(nullptr);
    }
    Variant Hog(TObject *, TClass, const QString &, TkwMethodHelper *) { throw std::bad_alloc(); }
};

QString Repeat(const char *Text, int Count)
{
    return QString::fromUtf8(Text).repeated(Count);
}

// A function recursing without end, its body nested Depth levels deep in
// the language's try-finally or if statements.
QString DeepRecursion(const QString &Language, bool Tries, int Depth)
{
    if (Language == Pas) {
        const QString open = Tries ? Repeat("try ", Depth) : Repeat("if n >= 0 then begin ", Depth);
        const QString close = Tries ? Repeat(" finally end;", Depth) : Repeat(" end;", Depth);
        return QStringLiteral("procedure R(n: Integer);\r\nbegin\r\n") + open + QStringLiteral("R(n + 1);") + close
               + QStringLiteral("\r\nend;\r\nbegin\r\ntry R(0) except Log(ExceptionClassName) end;\r\nend.");
    }
    if (Language == Bas) {
        const QString open = Tries ? Repeat("Try\r\n", Depth) : Repeat("If n >= 0 Then\r\n", Depth);
        const QString close = Tries ? Repeat("Finally\r\nEnd Try\r\n", Depth) : Repeat("End If\r\n", Depth);
        return QStringLiteral("Sub R(n)\r\n") + open + QStringLiteral("R(n + 1)\r\n") + close
               + QStringLiteral("End Sub\r\nTry\r\nR(0)\r\nCatch\r\nLog(ExceptionClassName)\r\nEnd Try\r\n");
    }
    const QString open = Tries ? Repeat("try { ", Depth) : Repeat("if (n >= 0) { ", Depth);
    const QString close = Tries ? Repeat(" } finally { }", Depth) : Repeat(" }", Depth);
    const QString body = open + QStringLiteral("R(n + 1);") + close;
    if (Language == Cpp)
        return QStringLiteral("void R(int n) { ") + body
               + QStringLiteral(" }\r\n{ try { R(0); } except { Log(ExceptionClassName); } }");
    return QStringLiteral("function R(n) { ") + body
           + QStringLiteral(" }\r\ntry { R(0); } except { Log(ExceptionClassName); }");
}

} // namespace

TEST(InterpLimits, FormatStarIndexesAreCheckedBothWays)
{
    const QString message = QStringLiteral("EConvertError|Format '%*:*d' invalid or incompatible with argument");
    const std::pair<const QString &, const char *> cases[] = {
        {Pas, "try Log(Format('%*:*d', [-1, 5])) except Log(ExceptionClassName); Log(ExceptionMessage) end;"
              " try Log(Format('%*:*d', [-100000000, 5])) except Log(ExceptionClassName); Log(ExceptionMessage) end;"},
        {Cpp, "{ try { Log(Format(\"%*:*d\", [-1, 5])); } except { Log(ExceptionClassName); Log(ExceptionMessage); }"
              " try { Log(Format(\"%*:*d\", [-100000000, 5])); } except { Log(ExceptionClassName); Log(ExceptionMessage); } }"},
        {Js, "try { Log(Format(\"%*:*d\", [-1, 5])); } except { Log(ExceptionClassName); Log(ExceptionMessage); }"
             " try { Log(Format(\"%*:*d\", [-100000000, 5])); } except { Log(ExceptionClassName); Log(ExceptionMessage); }"},
        {Bas, "Try\r\nLog(Format(\"%*:*d\", [-1, 5]))\r\nCatch\r\nLog(ExceptionClassName)\r\nLog(ExceptionMessage)\r\nEnd Try\r\n"
              "Try\r\nLog(Format(\"%*:*d\", [-100000000, 5]))\r\nCatch\r\nLog(ExceptionClassName)\r\nLog(ExceptionMessage)\r\n"
              "End Try\r\n"},
    };
    for (const auto &[language, text] : cases) {
        TLimitHost h;
        QString program = QString::fromUtf8(text);
        if (language == Pas)
            program = QStringLiteral("begin ") + program + QStringLiteral(" end.");
        EXPECT_EQ(h.Run(program, language), message + QLatin1Char('|') + message) << text;
    }
}

TEST(InterpLimits, DeepNativeRecursionRaisesStackOverflow)
{
    for (const QString &language : {Pas, Cpp, Js, Bas})
        for (bool tries : {true, false}) {
            TLimitHost h;
            EXPECT_EQ(h.Run(DeepRecursion(language, tries, tries ? 20 : 80), language),
                      QStringLiteral("EStackOverflow"))
                << language.toStdString() << (tries ? " try" : " if");
        }
}

TEST(InterpLimits, HugeFlatExpressionsAreRefused)
{
    const QString plus = QStringLiteral("1") + Repeat("+1", 40000);
    const QString ands = QStringLiteral("(x = 1)") + Repeat(" and (x = 1)", 40000);
    const QString andsC = QStringLiteral("(x == 1)") + Repeat(" && (x == 1)", 40000);
    const std::pair<const QString &, QString> cases[] = {
        {Pas, QStringLiteral("var x: Integer; begin x := ") + plus + QStringLiteral("; end.")},
        {Pas, QStringLiteral("var x: Integer; b: Boolean; begin b := ") + ands + QStringLiteral("; end.")},
        {Cpp, QStringLiteral("int x; { x = ") + plus + QStringLiteral("; }")},
        {Js, QStringLiteral("var x = 1; b = ") + andsC + QStringLiteral(";")},
        {Bas, QStringLiteral("x = ") + plus + QStringLiteral("\r\n")},
    };
    for (const auto &[language, text] : cases) {
        TLimitHost h;
        const QString r = h.Run(text, language);
        EXPECT_TRUE(r.startsWith(QStringLiteral("compile error: Nesting too deep")))
            << language.toStdString() << ": " << r.left(80).toStdString();
    }
    // A long chain within the limit still computes.
    TLimitHost h;
    EXPECT_EQ(h.Run(QStringLiteral("begin Log(1") + Repeat("+1", 900) + QStringLiteral(") end.")),
              QStringLiteral("901"));
}

namespace {

// Stops the script once it has announced Budget lines.
struct TStopper : TObject
{
    void RunLine(TkwScript *Sender, const QString &, const QString &)
    {
        if (++Lines >= Budget)
            Sender->Terminate();
    }
    int Lines = 0;
    int Budget = 1000;
};

} // namespace

TEST(InterpLimits, LoopsWithEmptyBodiesReachTheHost)
{
    const std::pair<const QString &, const char *> cases[] = {
        {Pas, "begin while True do ; end."},
        {Pas, "begin repeat until False; end."},
        {Pas, "begin while True do begin end; end."},
        {Pas, "var i: Integer; begin for i := 1 to 2000000000 do ; end."},
        {Pas, "begin while True do continue; end."},
        {Cpp, "{ while (true) {} }"},
        {Cpp, "int i; { for (i = 0; i >= 0; i = 0) {} }"},
        {Cpp, "{ do {} while (true); }"},
        {Js, "while (true) {}"},
        {Js, "for (i = 0; i >= 0; i = 0) {}"},
        {Bas, "While True\r\nWend\r\n"},
        {Bas, "Do\r\nLoop While True\r\n"},
        {Bas, "For i = 1 To 2000000000\r\nNext\r\n"},
    };
    for (const auto &[language, text] : cases) {
        TLimitHost h;
        TStopper stop;
        h.S.SetOnRunLine(TkwRunLineEvent(&stop, &TStopper::RunLine));
        EXPECT_EQ(h.Run(QString::fromUtf8(text), language), QString()) << text;
        EXPECT_EQ(stop.Lines, stop.Budget) << text;
    }
}

TEST(InterpLimits, MemoryExhaustionIsAScriptException)
{
    const std::pair<const QString &, const char *> cases[] = {
        {Pas, "var s: String; i: Integer; begin Log(Length(Format('%999999999d', [1])));"
              " try SetLength(s, 2000000000) except Log(ExceptionClassName) end;"
              " s := 'x'; try for i := 1 to 40 do s := s + s; except Log(ExceptionClassName); Log(ExceptionMessage) end;"
              " try Hog except Log(ExceptionClassName) end; Log(Length(s)); end."},
        {Cpp, "string s; int i; { Log(Length(Format(\"%999999999d\", [1])));"
              " try { SetLength(s, 2000000000); } except { Log(ExceptionClassName); }"
              " s = \"x\"; try { for (i = 1; i <= 40; i++) s = s + s; } except { Log(ExceptionClassName); Log(ExceptionMessage); }"
              " try { Hog; } except { Log(ExceptionClassName); } Log(Length(s)); }"},
        {Js, "Log(Length(Format(\"%999999999d\", [1]))); s = \"\";"
             " try { SetLength(s, 2000000000); } except { Log(ExceptionClassName); }"
             " s = \"x\"; try { for (i = 1; i <= 40; i++) s = s + s; } except { Log(ExceptionClassName); Log(ExceptionMessage); }"
             " try { Hog; } except { Log(ExceptionClassName); } Log(Length(s));"},
        {Bas, "Log(Length(Format(\"%999999999d\", [1])))\r\ns = \"\"\r\n"
              "Try\r\nSetLength(s, 2000000000)\r\nCatch\r\nLog(ExceptionClassName)\r\nEnd Try\r\n"
              "s = \"x\"\r\nTry\r\nFor i = 1 To 40\r\ns = s & s\r\nNext\r\nCatch\r\nLog(ExceptionClassName)\r\n"
              "Log(ExceptionMessage)\r\nEnd Try\r\nTry\r\nHog\r\nCatch\r\nLog(ExceptionClassName)\r\nEnd Try\r\n"
              "Log(Length(s))\r\n"},
    };
    for (const auto &[language, text] : cases) {
        TLimitHost h;
        EXPECT_EQ(h.Run(QString::fromUtf8(text), language),
                  QStringLiteral("65536|EOutOfMemory|EOutOfMemory|Out of memory|EOutOfMemory|33554432"))
            << text;
    }
    // Outside any except part the host receives it as a script exception.
    TLimitHost h;
    EXPECT_EQ(h.Run(QStringLiteral("begin Hog end.")), QStringLiteral("EOutOfMemory: Out of memory"));
}

TEST(InterpLimits, FloatToStrTextsReadBack)
{
    TLimitHost h;
    EXPECT_EQ(h.Pas(QStringLiteral(
                  "Log(FloatToStr(-1.79769313486232E308));"
                  " Log(StrToFloat(FloatToStr(-1.79769313486232E308)) = -1.79769313486232E308);"
                  " Log(StrToFloat('1.79769313486232E308') > 1E308);")),
              QStringLiteral("-1.79769313486232E308|True|True"));
}
