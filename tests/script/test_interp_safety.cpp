// Hostile and unusual scripts in every syntax: objects freed under a script,
// flags of break/continue/exit/terminate across try-finally and routines,
// event handlers, operand order and the rarer statement forms.
#include "Graphics.h"
#include "kw_iclassesrtti.h"
#include "kw_igraphicsrtti.h"
#include "test_rtti_units_support.h"

namespace {

struct TSafetyHost : TRttiHost
{
    TSafetyHost()
    {
        AddModule<kw_iclassesrtti::TFunctions>();
        AddModule<kw_igraphicsrtti::TFunctions>();
    }

    // Runs Text; the lines logged, then "!" and the class and message of an
    // exception that left the script.
    QString Try(const QString &Language, const QString &Text)
    {
        Out.clear();
        if (!Compile(Language, Text))
            return QStringLiteral("compile error: ") + Error;
        try {
            S.Execute();
        } catch (const Exception &e) {
            Out << QStringLiteral("!") + QString::fromLatin1(e.ClassName()) + QStringLiteral(": ") + e.Message();
        }
        return Out.join(QLatin1Char('|'));
    }
};

const QString Pas = QStringLiteral("PascalScript");
const QString Cpp = QStringLiteral("C++Script");
const QString Js = QStringLiteral("JScript");
const QString Bas = QStringLiteral("BasicScript");

struct TCase
{
    const QString &Language;
    const char *Text;
    const char *Expected;
};

void RunCases(const std::vector<TCase> &Cases)
{
    for (const TCase &c : Cases) {
        TSafetyHost h;
        EXPECT_EQ(h.Try(c.Language, QString::fromUtf8(c.Text)), QString::fromUtf8(c.Expected))
            << c.Language.toStdString() << ": " << c.Text;
    }
}

} // namespace

TEST(InterpSafety, ObjectsReachedThroughAFreedObjectRaise)
{
    const char *invalid = "!EInvalidPointer: Invalid object reference";
    RunCases({
        {Pas, "var D, R: Variant; begin D := TkwXMLDocument.Create; R := D.Root; D.Free; R.Name := 'x'; end.",
         invalid},
        {Pas, "var X, C: Variant; begin X := TkwXMLItem.Create; C := X.Add; X.Free; C.Name := 'y'; end.", invalid},
        {Pas, "var B, C: Variant; begin B := TBitmap.Create; C := B.Canvas; B.Free; C.MoveTo(1, 1); end.", invalid},
        {Pas,
         "var L, S, o: Variant; begin L := TList.Create; S := TStringList.Create; L.Add(S); S.Free;"
         " o := L.Items(0); end.",
         invalid},
        {Pas,
         "var L, S, o: Variant; begin L := TStringList.Create; S := TStringList.Create; L.AddObject('a', S);"
         " S.Free; o := L.Objects(0); end.",
         invalid},
        // Children cleared or reloaded by their owner go with them.
        {Pas, "var X, C: Variant; begin X := TkwXMLItem.Create; C := X.Add; X.Clear; C.Name := 'y'; end.", invalid},
        // An owned object is not the script's to free; an item leaves its parent.
        {Pas, "var D, R: Variant; begin D := TkwXMLDocument.Create; R := D.Root; R.Free; end.",
         "!EInvalidOperation: Cannot free an object owned by another object"},
        {Pas, "var B: Variant; begin B := TBitmap.Create; B.Canvas.Free; end.",
         "!EInvalidOperation: Cannot free an object owned by another object"},
        {Pas, "var X, C: Variant; begin X := TkwXMLItem.Create; C := X.Add; C.Free; Log(X.Count); X.Free; end.",
         "0"},
        {Cpp, "Variant D, R; { D = TkwXMLDocument.Create; R = D.Root; D.Free; R.Name = \"x\"; }", invalid},
        {Js, "X = TkwXMLItem.Create; C = X.Add; X.Free; C.Name = \"y\";", invalid},
        {Bas, "B = TBitmap.Create\r\nC = B.Canvas\r\nB.Free\r\nC.MoveTo(1, 1)\r\n", invalid},
        {Bas, "L = TList.Create\r\nS = TStringList.Create\r\nL.Add(S)\r\nS.Free\r\no = L.Items(0)\r\n", invalid},
    });
}
