// The registration units join the module list that scripts load, in the
// order they are registered, and leave it again.
#include "Forms.h"
#include "kw_iclassesrtti.h"
#include "kw_idialogsrtti.h"
#include "kw_iformsrtti.h"
#include "kw_igraphicsrtti.h"
#include "kw_iinirtti.h"
#include "kw_irttiunits.h"
#include "kw_isysrtti.h"
#include "test_rtti_units_support.h"

namespace {

const TkwRTTIModuleClass Units[] = {
    &kwNewModule<kw_iclassesrtti::TFunctions>, &kwNewModule<kw_igraphicsrtti::TFunctions>,
    &kwNewModule<kw_iformsrtti::TFunctions>, &kwNewModule<kw_idialogsrtti::TFunctions>,
    &kwNewModule<kw_iinirtti::TFunctions>};

void RegisterAll()
{
    kwRegisterClassesRTTI();
    kwRegisterGraphicsRTTI();
    kwRegisterFormsRTTI();
    kwRegisterDialogsRTTI();
    kwRegisterIniRTTI();
}

void UnregisterAll()
{
    kwUnregisterIniRTTI();
    kwUnregisterDialogsRTTI();
    kwUnregisterFormsRTTI();
    kwUnregisterGraphicsRTTI();
    kwUnregisterClassesRTTI();
}

class TRttiLog : public TObject
{
public:
    explicit TRttiLog(QStringList &AOut) : Out(AOut) {}
    Variant Call(TObject *, TClass, const QString &, TkwMethodHelper *Caller)
    {
        Out << VarToStr(Caller->GetParam(0));
        return Variant();
    }
    QStringList &Out;
};

} // namespace

TEST(RttiModules, RegisteredUnitsAreLoadedByAddRTTI)
{
    RegisterAll();
    RegisterAll(); // a unit listed already stays where it is
    const QList<TkwRTTIModuleClass> list = kwRTTIModules();
    int last = -1;
    for (TkwRTTIModuleClass unit : Units) {
        const int at = int(list.indexOf(unit));
        EXPECT_GT(at, last);
        EXPECT_EQ(list.count(unit), 1);
        last = at;
    }
    {
        TkwScript s(nullptr);
        s.AddRTTI();
        for (const char *name : {"TStringList", "TBitmap", "TForm", "TOpenDialog", "TIniFile"})
            EXPECT_NE(s.FindClass(QString::fromLatin1(name)), nullptr) << name;
        TkwCustomVariable *app = s.Find(QStringLiteral("Application"));
        ASSERT_NE(app, nullptr);
        EXPECT_EQ(app->GetValue().AsObject(), static_cast<TObject *>(GetApplication()));
        EXPECT_EQ(s.Find(QStringLiteral("mrOk"))->AddedBy(), kwRTTIStamp());
        // Clear keeps what the modules registered.
        s.Clear();
        EXPECT_NE(s.FindClass(QStringLiteral("TForm")), nullptr);
    }
    UnregisterAll();
    for (TkwRTTIModuleClass unit : Units)
        EXPECT_FALSE(kwRTTIModules().contains(unit));
}

TEST(RttiModules, NamesTheHostRegisteredFirstStay)
{
    TRttiHost h;
    TkwClassVariable *mine = h.S.AddClass(TStringList::StaticClass(), QStringLiteral("TObject"));
    h.S.AddConst(QStringLiteral("mrOk"), QStringLiteral("Integer"), Variant(99));
    h.AddModule<kw_iclassesrtti::TFunctions>();
    h.AddModule<kw_iformsrtti::TFunctions>();
    EXPECT_EQ(h.S.FindClass(QStringLiteral("TStringList")), mine);
    EXPECT_EQ(mine->Find(QStringLiteral("Sort")), nullptr);
    EXPECT_EQ(h.S.Find(QStringLiteral("mrOk"))->GetValue().AsInteger(), 99);
}

TEST(RttiModules, OtherLanguagesUseTheSameClasses)
{
    TRttiHost js;
    js.AddModule<kw_iclassesrtti::TFunctions>();
    EXPECT_EQ(js.Run(QStringLiteral("JScript"), QStringLiteral(
        "var L = new TStringList();\r\n"
        "L.Add(\"b\"); L.Add(\"a\");\r\n"
        "L.Sort();\r\n"
        "Log(L.CommaText);\r\n"
        "delete L;\r\n")),
        QStringLiteral("a,b"));
    TRttiHost basic;
    basic.AddModule<kw_iclassesrtti::TFunctions>();
    EXPECT_EQ(basic.Run(QStringLiteral("BasicScript"), QStringLiteral(
        "Dim L\r\n"
        "L = New TStringList\r\n"
        "L.CommaText = \"x,y\"\r\n"
        "Log(L.Count)\r\n"
        "L.Free\r\n")),
        QStringLiteral("2"));
}

TEST(RttiModules, WholeStartUpWithTheBuiltInLibrary)
{
    kwRegisterRTTIUnits();
    ASSERT_FALSE(kwRTTIModules().isEmpty());
    const QList<TkwRTTIModuleClass> list = kwRTTIModules();
    EXPECT_LT(list.indexOf(&kwNewModule<TkwSysFunctions>), list.indexOf(Units[0]));
    {
        TkwScript s(nullptr);
        s.AddRTTI();
        QStringList out;
        TRttiLog log(out);
        s.AddMethod(QStringLiteral("procedure Log(V: Variant)"), TkwCallMethodNewEvent(&log, &TRttiLog::Call));
        s.Lines()->SetText(QStringLiteral(
            "var L: TStringList; M: TMemoryStream; s: String; n: Longint;\r\n"
            "begin\r\n"
            "  L := TStringList.Create;\r\n"
            "  L.Add(IntToStr(mrOk + VK_F1)); L.Add(FloatToStr(2.5));\r\n"
            "  M := TMemoryStream.Create; n := M.Write(L.CommaText, Length(L.CommaText));\r\n"
            "  M.Position := 0; M.Read(s, n); Log(s); Log(Uppercase(L.ClassName));\r\n"
            "  M.Free; L.Free;\r\n"
            "end."));
        ASSERT_TRUE(s.Compile()) << s.ErrorMessage().toStdString() << " " << s.ErrorPosition().toStdString();
        s.Execute();
        EXPECT_EQ(out.join(QLatin1Char('|')), QStringLiteral("113,2.5|TSTRINGLIST"));
    }
    kwUnregisterRTTIUnits();
    EXPECT_FALSE(kwRTTIModules().contains(Units[0]));
}
