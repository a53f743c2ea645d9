// The registration units join the module list that scripts load, in the
// order they are registered, and leave it again.
#include "Forms.h"
#include "kw_iclassesrtti.h"
#include "kw_idialogsrtti.h"
#include "kw_iformsrtti.h"
#include "kw_igraphicsrtti.h"
#include "kw_iinirtti.h"
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
