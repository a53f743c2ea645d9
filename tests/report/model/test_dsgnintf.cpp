// Registries of object kinds, property editors and export filters; the
// property editors over real published properties; the platform's cursor,
// charset and shortcut names they show.
#include "report/model/qdzDsgnIntf.h"
#include "report/model/qdzClass.h"
#include "platform/Controls.h"
#include "platform/Font.h"
#include "platform/Forms.h"
#include "platform/Menus.h"
#include "platform/StdCtrls.h"
#include "platform/SysUtils.h"
#include <gtest/gtest.h>

namespace {

// Kinds of one's own, so the test owns every item it looks at.
class TRegA : public TqdzView
{
    STATION_CLASS(TRegA, TqdzView)
public:
    explicit TRegA(TComponent *AOwner) : TqdzView(AOwner) {}
    void Draw(TCanvas *, double, double, double, double) override {}
};
class TRegB : public TRegA
{
    STATION_CLASS(TRegB, TRegA)
public:
    explicit TRegB(TComponent *AOwner) : TRegA(AOwner) {}
};
class TRegC : public TRegA
{
    STATION_CLASS(TRegC, TRegA)
public:
    explicit TRegC(TComponent *AOwner) : TRegA(AOwner) {}
};
class TRegDataSet : public TqdzUserDataSet
{
    STATION_CLASS(TRegDataSet, TqdzUserDataSet)
public:
    explicit TRegDataSet(TComponent *AOwner) : TqdzUserDataSet(AOwner) {}
};
class TRegDialog : public TqdzDialogComponent
{
    STATION_CLASS(TRegDialog, TqdzDialogComponent)
public:
    explicit TRegDialog(TComponent *AOwner) : TqdzDialogComponent(AOwner) {}
};
STATION_PUBLISHED(TRegA) {}
STATION_PUBLISHED(TRegB) {}
STATION_PUBLISHED(TRegC) {}
STATION_PUBLISHED(TRegDataSet) {}
STATION_PUBLISHED(TRegDialog) {}

// The items of our test classes, as "class/flags/category".
QStringList OurItems()
{
    QStringList out;
    for (int i = 0; i < qdzObjects()->Count(); ++i) {
        const TqdzObjectItem *item = qdzObjects()->Items(i);
        if (item->ClassRef && item->ClassRef->ClassName().startsWith(QLatin1String("TReg")))
            out << QStringLiteral("%1/%2/%3").arg(item->ClassRef->ClassName()).arg(item->Flags).arg(item->Category);
    }
    return out;
}

void UnregisterOurs()
{
    for (TClass c : {TRegA::StaticClass(), TRegB::StaticClass(), TRegC::StaticClass(), TRegDataSet::StaticClass(),
                     TRegDialog::StaticClass()})
        UnregisterObject(c);
}

} // namespace

TEST(Registries, ObjectKindsAreUniqueByClassAndFlagsAndLeaveTogether)
{
    UnregisterOurs();
    RegisterObject(TRegA::StaticClass(), nullptr, 0, 3, 0, QStringLiteral("cat"), QStringLiteral("hint"));
    RegisterObject(TRegA::StaticClass(), nullptr, 0, 3, 0);
    RegisterObject(TRegB::StaticClass(), nullptr, 8, 2);
    RegisterObject(TRegA::StaticClass(), nullptr, 0, 3, 1);
    RegisterObject(TRegC::StaticClass(), new TBitmap, 2);
    RegisterObject(TRegDataSet::StaticClass(), nullptr);
    RegisterObject(TRegDialog::StaticClass(), nullptr);
    EXPECT_EQ(OurItems(), (QStringList{"TRegA/0/2", "TRegB/0/8", "TRegA/1/2", "TRegC/0/2", "TRegDataSet/0/1",
                                       "TRegDialog/0/4"}));
    // Registered kinds are creatable by name.
    EXPECT_EQ(GetClass(u"TRegB"), TRegB::StaticClass());

    UnregisterObject(TRegA::StaticClass());
    EXPECT_EQ(OurItems(), (QStringList{"TRegB/0/8", "TRegC/0/2", "TRegDataSet/0/1", "TRegDialog/0/4"}));
    UnregisterOurs();
    EXPECT_TRUE(OurItems().isEmpty());
}

TEST(Registries, StandardEditorsInOrderAndNoExportFilters)
{
    TqdzPropertyEditorCollection *editors = qdzPropertyEditors();
    ASSERT_GE(editors->Count(), 11);
    const struct {
        const char *Type;
        const char *Component;
        const char *Name;
        const char *Editor;
    } expected[] = {
        {"TComponentName", "", "Name", "TqdzNameProperty"},
        {"TColor", "", "", "TqdzColorProperty"},
        {"TFont", "", "", "TqdzFontProperty"},
        {"String", "TFont", "Name", "TqdzFontNameProperty"},
        {"Integer", "TFont", "Charset", "TqdzFontCharsetProperty"},
        {"TModalResult", "", "", "TqdzModalResultProperty"},
        {"TShortCut", "", "", "TqdzShortCutProperty"},
        {"TCursor", "", "", "TqdzCursorProperty"},
        {"TDateTime", "", "", "TqdzDateTimeProperty"},
        {"TDate", "", "", "TqdzDateProperty"},
        {"TTime", "", "", "TqdzTimeProperty"},
    };
    for (int i = 0; i < 11; ++i) {
        const TqdzPropertyEditorItem *item = editors->Items(i);
        EXPECT_EQ(item->PropertyType->Name(), QString::fromLatin1(expected[i].Type)) << i;
        EXPECT_EQ(item->ComponentClass ? item->ComponentClass->ClassName() : QString(),
                  QString::fromLatin1(expected[i].Component)) << i;
        EXPECT_EQ(item->PropertyName, QString::fromLatin1(expected[i].Name)) << i;
        EXPECT_EQ(item->EditorClass->ClassName(), QString::fromLatin1(expected[i].Editor)) << i;
    }
    EXPECT_EQ(editors->FIndex, -1);
    EXPECT_EQ(qdzExportFilters()->Count(), 0);
    EXPECT_THROW(qdzCreatePropertyEditor(TFont::StaticClass(), nullptr), EInvalidCast);
}

namespace {

// An editor of the class over the named property of the objects.
std::unique_ptr<TqdzPropertyEditor> EditorOn(TClass Editor, std::initializer_list<TObject *> Objects,
                                             const char *Prop)
{
    auto e = qdzCreatePropertyEditor(Editor, nullptr);
    for (TObject *o : Objects)
        e->AddComponent(o, GetPropInfo(o, QString::fromLatin1(Prop)));
    return e;
}

} // namespace

TEST(PropertyEditors, ModalResultNamesAndNumbersOnEverySelectedObject)
{
    TButton a(nullptr), b(nullptr);
    auto e = EditorOn(TqdzModalResultProperty::StaticClass(), {&a, &b}, "ModalResult");
    EXPECT_EQ(e->GetAttributes(), 9);
    EXPECT_EQ(e->GetName(), QStringLiteral("ModalResult"));
    a.SetModalResult(1);
    EXPECT_EQ(e->GetValue(), QStringLiteral("mrOk"));
    e->SetValue(QStringLiteral("MRCANCEL"));
    EXPECT_EQ(a.ModalResult(), 2);
    EXPECT_EQ(b.ModalResult(), 2);
    e->SetValue(QString());
    EXPECT_EQ(a.ModalResult(), 0);
    e->SetValue(QStringLiteral("42"));
    EXPECT_EQ(e->GetValue(), QStringLiteral("42"));
    a.SetModalResult(10);
    EXPECT_EQ(e->GetValue(), QStringLiteral("mrYesToAll"));
    EXPECT_THROW(e->SetValue(QStringLiteral("mrMaybe")), EConvertError);
    // Edit steps to the next value and wraps.
    EXPECT_TRUE(e->Edit());
    EXPECT_EQ(a.ModalResult(), 0);
    EXPECT_TRUE(e->Edit());
    EXPECT_EQ(b.ModalResult(), 1);
    EXPECT_EQ(e->Values()->Count(), 11);
}

TEST(PropertyEditors, CursorCharsetColorShortCutAndBaseTexts)
{
    TButton button(nullptr);
    auto cursor = EditorOn(TqdzCursorProperty::StaticClass(), {&button}, "Cursor");
    EXPECT_EQ(cursor->GetAttributes(), 11);
    button.SetCursor(crHandPoint);
    EXPECT_EQ(cursor->GetValue(), QStringLiteral("crHandPoint"));
    cursor->SetValue(QStringLiteral("CRHOURGLASS"));
    EXPECT_EQ(button.Cursor(), crHourGlass);
    cursor->SetValue(QStringLiteral("7"));
    EXPECT_EQ(cursor->GetValue(), QStringLiteral("7"));
    cursor->GetValues();
    EXPECT_EQ(cursor->Values()->Count(), 22);
    EXPECT_TRUE(cursor->Values()->Sorted());

    TFont font;
    auto charset = EditorOn(TqdzFontCharsetProperty::StaticClass(), {&font}, "Charset");
    font.SetCharset(134);
    EXPECT_EQ(charset->GetValue(), QStringLiteral("GB2312_CHARSET"));
    charset->SetValue(QStringLiteral("default_charset"));
    EXPECT_EQ(font.Charset(), 1);
    font.SetCharset(99);
    EXPECT_EQ(charset->GetValue(), QStringLiteral("99"));
    charset->GetValues();
    EXPECT_EQ(charset->Values()->Count(), 19);

    auto color = EditorOn(TqdzColorProperty::StaticClass(), {&font}, "Color");
    EXPECT_EQ(color->GetAttributes(), 73);
    color->SetValue(QStringLiteral("clRed"));
    EXPECT_EQ(font.Color(), clRed);
    EXPECT_EQ(color->GetValue(), QStringLiteral("clRed"));
    color->SetValue(QStringLiteral("1193046"));
    EXPECT_EQ(font.Color(), TColor(1193046));

    auto name = EditorOn(TqdzFontNameProperty::StaticClass(), {&font}, "Name");
    EXPECT_EQ(name->GetAttributes(), 11);
    name->GetValues();
    EXPECT_GT(name->Values()->Count(), 0);
    name->SetValue(QStringLiteral("Courier New"));
    EXPECT_EQ(font.Name(), QStringLiteral("Courier New"));

    auto cls = EditorOn(TqdzFontProperty::StaticClass(), {&button}, "Font");
    EXPECT_EQ(cls->GetAttributes(), 60);
    EXPECT_EQ(cls->GetValue(), QStringLiteral("(TFont)"));

    TMenuItem item(nullptr);
    auto sc = EditorOn(TqdzShortCutProperty::StaticClass(), {&item}, "ShortCut");
    EXPECT_EQ(sc->GetValue(), QStringLiteral("(None)"));
    sc->SetValue(QStringLiteral("ctrl+s"));
    EXPECT_EQ(item.ShortCut(), TShortCut('S' | scCtrl));
    EXPECT_EQ(sc->GetValue(), QStringLiteral("Ctrl+S"));
    sc->SetValue(QStringLiteral("(None)"));
    EXPECT_EQ(item.ShortCut(), 0);
    sc->GetValues();
    ASSERT_EQ(sc->Values()->Count(), 1 + 26 + 48 + 8);
    EXPECT_EQ(sc->Values()->Strings(1), QStringLiteral("Ctrl+A"));
    EXPECT_EQ(sc->Values()->Strings(sc->Values()->Count() - 1), QStringLiteral("Shift+Alt+BkSp"));

    auto base = qdzCreatePropertyEditor(TqdzPropertyEditor::StaticClass(), &button);
    EXPECT_EQ(base->Designer(), &button);
    EXPECT_EQ(base->GetValue(), QStringLiteral("(Unknown)"));
    EXPECT_FALSE(base->Edit());
    base->SetItemHeight(16);
    EXPECT_EQ(base->GetExtraLBSize(), 18);
}

TEST(PropertyEditors, DateTimeTextsAreEmptyForZero)
{
    // The editors read and write through any float property.
    TqdzReportPage page(nullptr);
    auto e = EditorOn(TqdzDateTimeProperty::StaticClass(), {&page}, "LeftMargin");
    EXPECT_EQ(e->GetValue(), QString());
    e->SetValue(QStringLiteral("2024-03-09 10:20:30"));
    EXPECT_NEAR(page.LeftMargin(), EncodeDate(2024, 3, 9) + EncodeTime(10, 20, 30, 0), 1e-9);
    EXPECT_EQ(e->GetValue(), QStringLiteral("2024-03-09 10:20:30"));
    auto d = EditorOn(TqdzDateProperty::StaticClass(), {&page}, "LeftMargin");
    EXPECT_EQ(d->GetValue(), QStringLiteral("2024-03-09"));
    auto t = EditorOn(TqdzTimeProperty::StaticClass(), {&page}, "LeftMargin");
    EXPECT_EQ(t->GetValue(), QStringLiteral("10:20:30"));
    t->SetValue(QString());
    EXPECT_EQ(page.LeftMargin(), 0);
}

TEST(PlatformNames, CursorsCharsetsAndShortCuts)
{
    EXPECT_EQ(CursorToString(crDefault), QStringLiteral("crDefault"));
    EXPECT_EQ(CursorToString(crSizeAll), QStringLiteral("crSizeAll"));
    EXPECT_EQ(CursorToString(-99), QStringLiteral("-99"));
    EXPECT_EQ(StringToCursor(QStringLiteral("crsize")), crSizeAll);
    EXPECT_EQ(StringToCursor(QStringLiteral(" -5 ")), -5);
    EXPECT_THROW(StringToCursor(QStringLiteral("crNothing")), EConvertError);

    QString s;
    int v = 0;
    EXPECT_TRUE(CharsetToIdent(255, s));
    EXPECT_EQ(s, QStringLiteral("OEM_CHARSET"));
    EXPECT_FALSE(CharsetToIdent(3, s));
    EXPECT_TRUE(IdentToCharset(QStringLiteral("Russian_Charset"), v));
    EXPECT_EQ(v, 204);

    const struct {
        TShortCut Key;
        const char *Text;
    } cases[] = {{TShortCut('S' | scCtrl), "Ctrl+S"},     {TShortCut(VK_F5), "F5"},
                 {TShortCut(quint16(VK_BACK) | scShift | scAlt), "Shift+Alt+BkSp"},
                 {TShortCut(quint16(VK_DELETE) | scCtrl), "Ctrl+Del"}, {TShortCut('7' | scShift | scCtrl), "Shift+Ctrl+7"},
                 {TShortCut(quint16(VK_F1 + 11) | scShift), "Shift+F12"}};
    for (const auto &c : cases) {
        EXPECT_EQ(ShortCutToText(c.Key), QString::fromLatin1(c.Text));
        EXPECT_EQ(TextToShortCut(QString::fromLatin1(c.Text)), c.Key) << c.Text;
    }
    EXPECT_EQ(ShortCutToText(0), QString());
    EXPECT_EQ(TextToShortCut(QStringLiteral("Ctrl+")), 0);
    EXPECT_EQ(TextToShortCut(QStringLiteral("Hyper+X")), 0);
}
