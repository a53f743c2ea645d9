// Run-time type information: class references, published properties in
// order with defaults and stored rules, enumeration and set identifiers,
// generic and dotted access, method properties, creating classes by name.
#include "Classes.h"
#include "Component.h"
#include "Font.h"
#include "TypInfo.h"
#include <gtest/gtest.h>
#include <atomic>
#include <memory>
#include <thread>

// ---------------------------------------------------------------------------
// The example: a small view class registering its published properties.

STATION_DECLARE_ENUM(TRttiAlign, raNone, raLeft, raRight)
enum TRttiFlag { rfOne, rfTwo, rfThree };
STATION_ENUM(TRttiFlag, rfOne, rfTwo, rfThree)
STATION_DECLARE_SET(TRttiFlags, TRttiFlag)
STATION_EVENT(TRttiValueEvent, void(TObject *Sender, int &Value))

class TRttiView : public TComponent
{
    STATION_CLASS(TRttiView, TComponent)
public:
    explicit TRttiView(TComponent *AOwner) : TComponent(AOwner), FFont(std::make_unique<TFont>()) {}

    double Left() const { return FLeft; }
    void SetLeft(double Value) { FLeft = Value; }
    int Width() const { return FWidth; }
    void SetWidth(int Value) { FWidth = Value; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value) { FVisible = Value; }
    TRttiAlign Align() const { return FAlign; }
    void SetAlign(TRttiAlign Value) { FAlign = Value; }
    TRttiFlags Flags() const { return FFlags; }
    void SetFlags(TRttiFlags Value) { FFlags = Value; }
    const QString &Caption() const { return FCaption; }
    void SetCaption(const QString &Value) { FCaption = Value; }
    bool IsCaptionStored() const { return FCaption != QLatin1String("(default)"); }
    QChar Accel() const { return FAccel; }
    void SetAccel(QChar Value) { FAccel = Value; }
    char Letter() const { return FLetter; }
    void SetLetter(char Value) { FLetter = Value; }
    qint64 Big() const { return FBig; }
    void SetBig(qint64 Value) { FBig = Value; }
    TFont *Font() const { return FFont.get(); }
    void SetFont(TFont *Value) { FFont->Assign(Value); }
    TRttiView *Buddy() const { return FBuddy; }
    void SetBuddy(TRttiView *Value) { FBuddy = Value; }
    TNotifyEvent OnClick() const { return FOnClick; }
    void SetOnClick(TNotifyEvent Value) { FOnClick = Value; }
    TRttiValueEvent OnValue() const { return FOnValue; }
    void SetOnValue(TRttiValueEvent Value) { FOnValue = Value; }
    int Count() const { return 42; }

private:
    double FLeft = 0;
    int FWidth = 0;
    bool FVisible = true;
    TRttiAlign FAlign = raNone;
    TRttiFlags FFlags{rfTwo};
    QString FCaption;
    QChar FAccel;
    char FLetter = 'a';
    qint64 FBig = 0;
    std::unique_ptr<TFont> FFont;
    TRttiView *FBuddy = nullptr;
    TNotifyEvent FOnClick;
    TRttiValueEvent FOnValue;
};

STATION_PUBLISHED(TRttiView)
{
    P.Prop("Left", &TRttiView::Left, &TRttiView::SetLeft);
    P.Prop("Width", &TRttiView::Width, &TRttiView::SetWidth).Default(0);
    P.Prop("Visible", &TRttiView::Visible, &TRttiView::SetVisible).Default(true);
    P.Prop("Align", &TRttiView::Align, &TRttiView::SetAlign).Default(raNone);
    P.Prop("Flags", &TRttiView::Flags, &TRttiView::SetFlags).Default(TRttiFlags{rfTwo});
    P.Prop("Caption", &TRttiView::Caption, &TRttiView::SetCaption).Stored(&TRttiView::IsCaptionStored);
    P.Prop("Accel", &TRttiView::Accel, &TRttiView::SetAccel);
    P.Prop("Letter", &TRttiView::Letter, &TRttiView::SetLetter);
    P.Prop("Big", &TRttiView::Big, &TRttiView::SetBig);
    P.Prop("Font", &TRttiView::Font, &TRttiView::SetFont);
    P.Prop("Buddy", &TRttiView::Buddy, &TRttiView::SetBuddy);
    P.Prop("OnClick", &TRttiView::OnClick, &TRttiView::SetOnClick);
    P.Prop("OnValue", &TRttiView::OnValue, &TRttiView::SetOnValue);
    P.Prop("Count", &TRttiView::Count);
}

// A descendant that re-publishes two inherited properties with new rules and
// adds one of its own.
class TRttiChild : public TRttiView
{
    STATION_CLASS(TRttiChild, TRttiView)
public:
    explicit TRttiChild(TComponent *AOwner) : TRttiView(AOwner) {}
    const QString &Extra() const { return FExtra; }
    void SetExtra(const QString &Value) { FExtra = Value; }

private:
    QString FExtra;
};

STATION_PUBLISHED(TRttiChild)
{
    P.Republish("visible").Default(false);
    P.Republish("Tag").Stored(false);
    P.Prop("Extra", &TRttiChild::Extra, &TRttiChild::SetExtra).Wide();
}

class TRttiAbstract : public TPersistent
{
    STATION_CLASS(TRttiAbstract, TPersistent)
public:
    virtual int Sides() const = 0;
};
STATION_PUBLISHED(TRttiAbstract) {}

class TRttiPlain : public TPersistent
{
    STATION_CLASS(TRttiPlain, TPersistent)
public:
    static int Created;
    TRttiPlain() { ++Created; }
};
int TRttiPlain::Created = 0;
STATION_PUBLISHED(TRttiPlain) {}

namespace other {
// Same class name as the one above, another class.
class TRttiPlain : public TPersistent
{
    STATION_CLASS(TRttiPlain, TPersistent)
};
STATION_PUBLISHED(TRttiPlain) {}
} // namespace other

class TRttiHandler : public TObject
{
public:
    int Clicks = 0;
    TObject *LastSender = nullptr;
    void Click(TObject *Sender)
    {
        ++Clicks;
        LastSender = Sender;
    }
    void Value(TObject *, int &V) { V *= 2; }
};

static QStringList PropNames(TClass c)
{
    QStringList names;
    for (PPropInfo p : c->Properties())
        names << p->Name();
    return names;
}

// ---------------------------------------------------------------------------

TEST(Rtti, ClassReferences)
{
    TRttiChild child(nullptr);
    TObject *o = &child;
    EXPECT_EQ(o->ClassName(), "TRttiChild");
    EXPECT_EQ(o->ClassType(), TRttiChild::StaticClass());
    EXPECT_EQ(o->ClassParent(), TRttiView::StaticClass());
    EXPECT_EQ(TRttiView::StaticClass()->ClassParent(), TComponent::StaticClass());
    EXPECT_EQ(TComponent::StaticClass()->ClassParent(), TPersistent::StaticClass());
    EXPECT_EQ(TPersistent::StaticClass()->ClassParent(), TObject::StaticClass());
    EXPECT_EQ(TObject::StaticClass()->ClassParent(), nullptr);
    EXPECT_TRUE(o->InheritsFrom(TComponent::StaticClass()));
    EXPECT_TRUE(o->InheritsFrom(TRttiChild::StaticClass()));
    EXPECT_FALSE(o->InheritsFrom(TFont::StaticClass()));
    EXPECT_FALSE(o->InheritsFrom(nullptr));
    EXPECT_TRUE(TRttiAbstract::StaticClass()->IsAbstract());
    EXPECT_FALSE(TRttiPlain::StaticClass()->IsAbstract());
    EXPECT_EQ(TRttiView::StaticClass()->TypeInfo()->Kind, tkClass);
    EXPECT_EQ(TRttiView::StaticClass()->TypeInfo()->Name(), "TRttiView");
}

TEST(Rtti, PropertyOrderWithInheritanceAndRepublishing)
{
    const QStringList base = {"Name", "Tag", "Left", "Width", "Visible", "Align", "Flags", "Caption", "Accel",
                              "Letter", "Big", "Font", "Buddy", "OnClick", "OnValue", "Count"};
    EXPECT_EQ(PropNames(TRttiView::StaticClass()), base);
    QStringList child = base;
    child << "Extra";
    EXPECT_EQ(PropNames(TRttiChild::StaticClass()), child);

    // Re-published: same place, new rule; the parent keeps its own.
    PPropInfo baseVisible = GetPropInfo(TRttiView::StaticClass(), u"Visible");
    PPropInfo childVisible = GetPropInfo(TRttiChild::StaticClass(), u"VISIBLE");
    ASSERT_TRUE(baseVisible && childVisible);
    EXPECT_NE(baseVisible, childVisible);
    EXPECT_EQ(childVisible->Index(), baseVisible->Index());
    EXPECT_EQ(childVisible->Name(), "Visible");
    EXPECT_TRUE(baseVisible->HasDefault());
    EXPECT_EQ(baseVisible->Default(), 1);
    EXPECT_EQ(childVisible->Default(), 0);
    // Inherited and not re-published: the very same info.
    EXPECT_EQ(GetPropInfo(TRttiChild::StaticClass(), u"Left"), GetPropInfo(TRttiView::StaticClass(), u"left"));
    EXPECT_EQ(GetPropInfo(TRttiView::StaticClass(), u"Extra"), nullptr);
    EXPECT_EQ(GetPropInfo(TRttiView::StaticClass(), u""), nullptr);
    EXPECT_EQ(GetPropInfo(TRttiView::StaticClass(), u"Lef"), nullptr);

    // The re-published property still reads and writes the object.
    TRttiChild c(nullptr);
    SetOrdProp(&c, childVisible, 0);
    EXPECT_FALSE(c.Visible());
    EXPECT_TRUE(IsDefaultOrdProp(&c, childVisible));

    // Republishing what was never published is an error at registration.
    TClassInfo scratch(QStringLiteral("TScratch"), TRttiView::StaticClass(), nullptr, nullptr);
    TPublisher<TRttiView> p(&scratch);
    EXPECT_THROW(p.Republish("Nothing"), EPropertyError);
}

TEST(Rtti, KindsAndTypeNames)
{
    struct Case
    {
        const char16_t *Prop;
        TTypeKind Kind;
        const char *TypeName;
    };
    const Case cases[] = {
        {u"Name", tkLString, "String"},      {u"Tag", tkInteger, "Integer"},
        {u"Left", tkFloat, "Double"},        {u"Visible", tkEnumeration, "Boolean"},
        {u"Align", tkEnumeration, "TRttiAlign"}, {u"Flags", tkSet, "TRttiFlags"},
        {u"Accel", tkWChar, "WideChar"},     {u"Letter", tkChar, "Char"},
        {u"Big", tkInt64, "Int64"},          {u"Font", tkClass, "TFont"},
        {u"OnClick", tkMethod, "TNotifyEvent"}, {u"OnValue", tkMethod, "TRttiValueEvent"},
    };
    for (const Case &c : cases) {
        PPropInfo p = GetPropInfo(TRttiView::StaticClass(), QStringView(c.Prop));
        ASSERT_NE(p, nullptr) << QString::fromUtf16(c.Prop).toStdString();
        EXPECT_EQ(p->Kind(), c.Kind) << c.TypeName;
        EXPECT_EQ(p->PropType()->Name(), c.TypeName);
    }
    EXPECT_EQ(GetPropInfo(TRttiChild::StaticClass(), u"Extra")->Kind(), tkWString);
    EXPECT_EQ(GetObjectPropClass(GetPropInfo(TRttiView::StaticClass(), u"Font")), TFont::StaticClass());
    EXPECT_EQ(GetObjectPropClass(GetPropInfo(TRttiView::StaticClass(), u"Buddy")), TRttiView::StaticClass());
    EXPECT_FALSE(GetPropInfo(TRttiView::StaticClass(), u"Count")->IsWritable());
    EXPECT_TRUE(GetPropInfo(TRttiView::StaticClass(), u"Left")->IsWritable());
}

TEST(Rtti, DefaultsAndStoredRules)
{
    TRttiView v(nullptr);
    TClass c = TRttiView::StaticClass();
    PPropInfo name = GetPropInfo(c, u"Name");
    PPropInfo tag = GetPropInfo(c, u"Tag");
    PPropInfo left = GetPropInfo(c, u"Left");
    PPropInfo flags = GetPropInfo(c, u"Flags");
    PPropInfo caption = GetPropInfo(c, u"Caption");
    PPropInfo big = GetPropInfo(c, u"Big");

    EXPECT_FALSE(IsStoredProp(&v, name));
    EXPECT_TRUE(IsStoredProp(&v, tag));
    EXPECT_FALSE(IsStoredProp(&v, GetPropInfo(TRttiChild::StaticClass(), u"Tag")));
    EXPECT_TRUE(tag->HasDefault());
    EXPECT_FALSE(left->HasDefault());
    EXPECT_FALSE(big->HasDefault());
    EXPECT_TRUE(IsDefaultOrdProp(&v, tag));
    v.SetTag(3);
    EXPECT_FALSE(IsDefaultOrdProp(&v, tag));
    // A set default is its member bits.
    EXPECT_EQ(flags->Default(), 2);
    EXPECT_TRUE(IsDefaultOrdProp(&v, flags));
    v.SetFlags({rfOne, rfTwo});
    EXPECT_FALSE(IsDefaultOrdProp(&v, flags));
    // The per-instance predicate.
    EXPECT_TRUE(IsStoredProp(&v, caption));
    v.SetCaption(QStringLiteral("(default)"));
    EXPECT_FALSE(IsStoredProp(&v, caption));
    // Properties without a declared default are never "default".
    EXPECT_FALSE(IsDefaultOrdProp(&v, GetPropInfo(c, u"Letter")));
}

TEST(Rtti, EnumerationIdentifiersBothWays)
{
    PTypeInfo align = TypeInfoOf<TRttiAlign>();
    EXPECT_EQ(align->Names, QStringList({"raNone", "raLeft", "raRight"}));
    EXPECT_EQ(align->MinValue, 0);
    EXPECT_EQ(align->MaxValue, 2);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(GetEnumValue(align, GetEnumName(align, i)), i);
    EXPECT_EQ(GetEnumValue(align, u"RARIGHT"), 2);
    EXPECT_EQ(GetEnumValue(align, u"raright"), 2);
    EXPECT_EQ(GetEnumValue(align, u"raUp"), -1);
    EXPECT_EQ(GetEnumValue(align, u""), -1);
    EXPECT_EQ(GetEnumName(align, 3), QString());
    EXPECT_EQ(GetEnumName(align, -1), QString());

    // Identifiers are the values 0..n-1; declarations with explicit values are refused.
    EXPECT_THROW(TTypeInfo::MakeEnum(QStringLiteral("TBad"), "bdOne = 1, bdTwo"), EPropertyError);
    EXPECT_EQ(TTypeInfo::MakeEnum(QStringLiteral("TGood"), " gOne ,gTwo").Names, QStringList({"gOne", "gTwo"}));

    PTypeInfo boolean = TypeInfoOf<bool>();
    EXPECT_EQ(boolean->Kind, tkEnumeration);
    EXPECT_EQ(boolean->Name(), "Boolean");
    EXPECT_EQ(GetEnumName(boolean, 0), "False");
    EXPECT_EQ(GetEnumName(boolean, 1), "True");
    EXPECT_EQ(GetEnumValue(boolean, u"true"), 1);

    TRttiView v(nullptr);
    EXPECT_EQ(GetEnumProp(&v, u"Align"), "raNone");
    SetEnumProp(&v, u"align", QStringLiteral("RALEFT"));
    EXPECT_EQ(v.Align(), raLeft);
    EXPECT_EQ(GetEnumProp(&v, u"Visible"), "True");
    try {
        SetEnumProp(&v, u"Align", QStringLiteral("raUp"));
        FAIL();
    } catch (const EPropertyConvertError &e) {
        EXPECT_EQ(e.Message(), "Invalid property element: raUp");
    }
    // Values outside the enumeration are refused and leave the property alone.
    EXPECT_THROW(SetOrdProp(&v, u"Align", 3), EPropertyConvertError);
    EXPECT_THROW(SetOrdProp(&v, u"Align", -1), EPropertyConvertError);
    EXPECT_THROW(SetOrdProp(&v, u"Visible", 2), EPropertyConvertError);
    EXPECT_EQ(v.Align(), raLeft);
    EXPECT_TRUE(v.Visible());
}

TEST(Rtti, SetIdentifiersBothWays)
{
    PTypeInfo flags = TypeInfoOf<TRttiFlags>();
    EXPECT_EQ(flags->Kind, tkSet);
    EXPECT_EQ(flags->CompType, TypeInfoOf<TRttiFlag>());
    EXPECT_EQ(SetToString(flags, 0), "");
    EXPECT_EQ(SetToString(flags, 5), "rfOne,rfThree");
    EXPECT_EQ(SetToString(flags, 5, true), "[rfOne,rfThree]");
    EXPECT_EQ(SetToString(flags, 0, true), "[]");
    EXPECT_EQ(StringToSet(flags, u"[rfOne,rfThree]"), 5u);
    EXPECT_EQ(StringToSet(flags, u"rfthree, RFTWO"), 6u);
    EXPECT_EQ(StringToSet(flags, u"[]"), 0u);
    EXPECT_EQ(StringToSet(flags, u""), 0u);
    try {
        StringToSet(flags, u"[rfOne,rfFour]");
        FAIL();
    } catch (const EPropertyConvertError &e) {
        EXPECT_EQ(e.Message(), "Invalid property element: rfFour");
    }

    TRttiView v(nullptr);
    EXPECT_EQ(GetSetProp(&v, u"Flags"), "rfTwo");
    EXPECT_EQ(GetSetProp(&v, u"Flags", true), "[rfTwo]");
    SetSetProp(&v, u"Flags", QStringLiteral("[rfOne, rfThree]"));
    EXPECT_EQ(v.Flags(), (TRttiFlags{rfOne, rfThree}));
    EXPECT_EQ(GetOrdProp(&v, u"Flags"), 5);
    SetOrdProp(&v, u"Flags", 7);
    EXPECT_TRUE(v.Flags().Contains(rfTwo));
    // A bit beyond the last element is refused.
    EXPECT_THROW(SetOrdProp(&v, u"Flags", 8), EPropertyConvertError);
    EXPECT_EQ(GetOrdProp(&v, u"Flags"), 7);

    TRttiFlags s{rfOne};
    s.Include(rfThree).Exclude(rfOne);
    EXPECT_EQ(s.ToInt(), 4u);
    EXPECT_EQ((s + TRttiFlags{rfTwo}).ToInt(), 6u);
    EXPECT_EQ((TRttiFlags{rfOne, rfTwo} - TRttiFlags{rfTwo}).ToInt(), 1u);
    EXPECT_EQ((TRttiFlags{rfOne, rfTwo} * TRttiFlags{rfTwo, rfThree}).ToInt(), 2u);
    EXPECT_TRUE(TRttiFlags{}.Empty());
}

TEST(Rtti, TypedAccessByKind)
{
    TRttiView v(nullptr);
    SetFloatProp(&v, u"Left", 12.5);
    EXPECT_EQ(v.Left(), 12.5);
    EXPECT_EQ(GetFloatProp(&v, u"LEFT"), 12.5);
    SetOrdProp(&v, u"Width", -7);
    EXPECT_EQ(GetOrdProp(&v, u"Width"), -7);
    SetStrProp(&v, u"Caption", QStringLiteral("称重"));
    EXPECT_EQ(GetStrProp(&v, u"caption"), "称重");
    SetOrdProp(&v, u"Accel", 0x79F0);
    EXPECT_EQ(v.Accel(), QChar(0x79F0));
    SetOrdProp(&v, u"Letter", 200);
    EXPECT_EQ(GetOrdProp(&v, u"Letter"), 200);
    SetInt64Prop(&v, GetPropInfo(&v, u"Big"), qint64(1) << 40);
    EXPECT_EQ(v.Big(), qint64(1) << 40);
    EXPECT_EQ(GetOrdProp(&v, u"Count"), 42);
    SetStrProp(&v, u"Name", QStringLiteral("View1"));
    EXPECT_EQ(v.Name(), "View1");

    // Range, read-only, wrong kind, unknown names.
    EXPECT_THROW(SetOrdProp(&v, u"Width", qint64(1) << 40), ERangeError);
    EXPECT_THROW(SetOrdProp(&v, u"Accel", 0x10000), ERangeError);
    try {
        SetOrdProp(&v, u"Count", 1);
        FAIL();
    } catch (const EPropertyError &e) {
        EXPECT_EQ(e.Message(), "Property is read-only");
    }
    try {
        GetFloatProp(&v, u"Width");
        FAIL();
    } catch (const EPropertyConvertError &e) {
        EXPECT_EQ(e.Message(), "Invalid property type: Integer");
    }
    EXPECT_THROW(GetStrProp(&v, u"Left"), EPropertyConvertError);
    EXPECT_THROW(GetObjectProp(&v, u"Caption"), EPropertyConvertError);
    try {
        GetOrdProp(&v, u"Nothing");
        FAIL();
    } catch (const EPropertyError &e) {
        EXPECT_EQ(e.Message(), "Property Nothing does not exist");
    }
    // A property info applied to an object of another class.
    TFont f;
    EXPECT_THROW(GetOrdProp(&f, GetPropInfo(&v, u"Width")), EInvalidCast);
    EXPECT_THROW(GetOrdProp(nullptr, GetPropInfo(&v, u"Width")), EInvalidCast);
}

TEST(Rtti, ObjectProperties)
{
    TRttiView a(nullptr), b(nullptr);
    EXPECT_EQ(GetObjectProp(&a, u"Font"), a.Font());
    SetObjectProp(&a, u"Buddy", &b);
    EXPECT_EQ(a.Buddy(), &b);
    SetObjectProp(&a, u"Buddy", nullptr);
    EXPECT_EQ(a.Buddy(), nullptr);
    // An object of the wrong class is refused.
    TFont f;
    EXPECT_THROW(SetObjectProp(&a, u"Buddy", &f), EPropertyConvertError);
    EXPECT_EQ(a.Buddy(), nullptr);
}

TEST(Rtti, DottedPaths)
{
    TRttiView v(nullptr);
    EXPECT_EQ(GetStrProp(&v, u"Font.Name"), "Arial");
    SetStrProp(&v, u"font.name", QStringLiteral("Tahoma"));
    EXPECT_EQ(v.Font()->Name(), "Tahoma");
    SetOrdProp(&v, u"Font.Style", 5);
    EXPECT_TRUE(v.Font()->Style().Contains(fsBold));
    EXPECT_TRUE(v.Font()->Style().Contains(fsUnderline));
    EXPECT_EQ(GetSetProp(&v, u"Font.Style"), "fsBold,fsUnderline");
    EXPECT_EQ(GetOrdProp(&v, u"Font.Size"), 10);

    PPropInfo p = nullptr;
    EXPECT_EQ(ResolvePropPath(&v, u"Font.Color", p), v.Font());
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->Name(), "Color");
    // A missing step, a step through a non-class property, a nil object.
    EXPECT_EQ(ResolvePropPath(&v, u"Font.Bogus", p), nullptr);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(ResolvePropPath(&v, u"Left.Name", p), nullptr);
    EXPECT_EQ(ResolvePropPath(&v, u"Buddy.Left", p), nullptr);
    EXPECT_THROW(GetStrProp(&v, u"Font.Bogus"), EPropertyError);

    TRttiView buddy(nullptr);
    v.SetBuddy(&buddy);
    SetFloatProp(&v, u"Buddy.Left", 3.25);
    EXPECT_EQ(buddy.Left(), 3.25);
    EXPECT_EQ(GetStrProp(&v, u"Buddy.Font.Name"), "Arial");
}

TEST(Rtti, MethodPropertiesBoundToObjects)
{
    TRttiView v(nullptr);
    TRttiHandler h;
    EXPECT_FALSE(GetMethodProp(&v, u"OnClick").Assigned());

    // Installed by name through the type information, as a script does.
    TNotifyEvent handler(&h, &TRttiHandler::Click);
    SetMethodProp(&v, u"OnClick", handler.Method());
    ASSERT_TRUE(v.OnClick().Assigned());
    EXPECT_EQ(v.OnClick().Data(), &h);
    v.OnClick()(&v);
    EXPECT_EQ(h.Clicks, 1);
    EXPECT_EQ(h.LastSender, &v);
    EXPECT_TRUE(GetMethodProp(&v, u"OnClick") == handler.Method());

    // Var parameters reach the handler by reference.
    v.SetOnValue(TRttiValueEvent(&h, &TRttiHandler::Value));
    int x = 21;
    v.OnValue()(&v, x);
    EXPECT_EQ(x, 42);

    // A method of another signature is refused; nil clears.
    EXPECT_THROW(SetMethodProp(&v, u"OnValue", handler.Method()), EInvalidCast);
    SetMethodProp(&v, u"OnClick", TMethod());
    EXPECT_FALSE(v.OnClick().Assigned());
    // Calling an unassigned event does nothing.
    v.OnClick()(&v);
    EXPECT_EQ(h.Clicks, 1);
}

TEST(Rtti, CreateByName)
{
    RegisterClasses({TRttiView::StaticClass(), TRttiChild::StaticClass(), TRttiAbstract::StaticClass(),
                     TRttiPlain::StaticClass()});
    // Ancestors come along.
    EXPECT_EQ(GetClass(u"TComponent"), TComponent::StaticClass());
    EXPECT_EQ(GetClass(u"TPersistent"), TPersistent::StaticClass());
    EXPECT_EQ(GetClass(u"TObject"), nullptr);
    EXPECT_EQ(FindClass(u"trttichild"), TRttiChild::StaticClass());

    TComponent owner(nullptr);
    TObject *o = FindClass(u"TRttiChild")->Create(&owner);
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->ClassType(), TRttiChild::StaticClass());
    EXPECT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(owner.Components(0), o);
    EXPECT_TRUE(static_cast<TRttiChild *>(o)->Visible());

    const int before = TRttiPlain::Created;
    std::unique_ptr<TObject> plain(FindClass(u"TRttiPlain")->Create());
    EXPECT_EQ(TRttiPlain::Created, before + 1);
    EXPECT_EQ(plain->ClassName(), "TRttiPlain");

    try {
        FindClass(u"TNope");
        FAIL();
    } catch (const EClassNotFound &e) {
        EXPECT_EQ(e.Message(), "Class TNope not found");
    }
    EXPECT_EQ(GetClass(u"TNope"), nullptr);
    EXPECT_THROW(FindClass(u"TRttiAbstract")->Create(), EAbstractError);
    // A component's owner must be a component.
    TFont notAComponent;
    EXPECT_THROW(TRttiView::StaticClass()->Create(&notAComponent), EInvalidCast);

    // Another class under a taken name is refused; the same class again is fine.
    try {
        RegisterClass(other::TRttiPlain::StaticClass());
        FAIL();
    } catch (const EFilerError &e) {
        EXPECT_EQ(e.Message(), "A class named TRttiPlain already exists");
    }
    RegisterClass(TRttiPlain::StaticClass());
    UnRegisterClass(TRttiPlain::StaticClass());
    EXPECT_EQ(GetClass(u"TRttiPlain"), nullptr);
    RegisterClass(TRttiPlain::StaticClass());
}

TEST(Rtti, FontDefaultsAndChangeNotification)
{
    TFont f;
    EXPECT_EQ(f.Name(), "Arial");
    EXPECT_EQ(f.Size(), 10);
    EXPECT_EQ(f.Height(), -13);
    EXPECT_EQ(f.Color(), 0);
    EXPECT_EQ(f.Charset(), 1);
    EXPECT_EQ(f.Pitch(), fpDefault);
    EXPECT_TRUE(f.Style().Empty());
    EXPECT_EQ(f.PixelsPerInch(), 96);

    // Height = -MulDiv(Size, 96, 72), halves away from zero; Size back from Height.
    const int sizes[][2] = {{8, -11}, {9, -12}, {10, -13}, {11, -15}, {12, -16}, {72, -96}};
    for (auto &s : sizes) {
        f.SetSize(s[0]);
        EXPECT_EQ(f.Height(), s[1]) << s[0];
        EXPECT_EQ(f.Size(), s[0]);
    }

    TRttiHandler h;
    f.SetOnChange(TNotifyEvent(&h, &TRttiHandler::Click));
    f.SetColor(clRed);
    f.SetColor(clRed);      // no change, no notification
    f.SetName(QString());   // empty names are ignored
    f.SetStyle({fsBold, fsStrikeOut});
    EXPECT_EQ(h.Clicks, 2);
    EXPECT_EQ(h.LastSender, &f);
    EXPECT_EQ(GetOrdProp(&f, u"Style"), 9);

    TFont g;
    g.Assign(&f);
    EXPECT_EQ(g.Color(), clRed);
    EXPECT_EQ(g.Style(), f.Style());
    EXPECT_EQ(g.Height(), f.Height());
    f.Assign(&g);
    EXPECT_EQ(h.Clicks, 3);

    // The class library's order; Size is derived and not stored.
    EXPECT_EQ(PropNames(TFont::StaticClass()),
              QStringList({"Charset", "Color", "Height", "Name", "Pitch", "Size", "Style"}));
    EXPECT_FALSE(IsStoredProp(&f, GetPropInfo(&f, u"Size")));
    EXPECT_TRUE(IsDefaultOrdProp(&f, GetPropInfo(&f, u"Pitch")));
    EXPECT_EQ(GetPropInfo(&f, u"Color")->PropType()->Name(), "TColor");

    TComponent c(nullptr);
    try {
        f.Assign(&c);
        FAIL();
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TComponent to a TFont");
    }
    EXPECT_THROW(f.Assign(nullptr), EConvertError);
}

// ---------------------------------------------------------------------------
// String lists as class-kind properties: "Lines.Text".

class TRttiMemo : public TComponent
{
    STATION_CLASS(TRttiMemo, TComponent)
public:
    explicit TRttiMemo(TComponent *AOwner) : TComponent(AOwner), FLines(std::make_unique<TStringList>()) {}
    TStrings *Lines() const { return FLines.get(); }
    void SetLines(TStrings *Value) { FLines->Assign(Value); }

private:
    std::unique_ptr<TStringList> FLines;
};

STATION_PUBLISHED(TRttiMemo)
{
    P.Prop("Lines", &TRttiMemo::Lines, &TRttiMemo::SetLines);
}

TEST(Rtti, StringListPropertyNestsAsLinesText)
{
    TRttiMemo m(nullptr);
    PPropInfo lines = GetPropInfo(&m, u"Lines");
    ASSERT_NE(lines, nullptr);
    EXPECT_EQ(lines->Kind(), tkClass);
    EXPECT_EQ(GetObjectPropClass(lines), TStrings::StaticClass());
    SetStrProp(&m, u"Lines.Text", QStringLiteral("begin\r\n\r\nend."));
    EXPECT_EQ(m.Lines()->Count(), 3);
    EXPECT_EQ(m.Lines()->Strings(2), "end.");
    EXPECT_EQ(GetStrProp(&m, u"lines.text"), "begin\r\n\r\nend.\r\n");
    EXPECT_EQ(GetObjectProp(&m, u"Lines")->ClassName(), "TStringList");
    PPropInfo text = nullptr;
    TObject *list = ResolvePropPath(&m, u"Lines.Text", text);
    ASSERT_NE(text, nullptr);
    EXPECT_FALSE(IsStoredProp(list, text));
}

// Builds on other threads look classes up while a unit registers its own.
TEST(RttiThreads, LookUpsWhileClassesRegister)
{
    RegisterClass(TRttiPlain::StaticClass()); // and its parents, for good
    std::atomic<bool> Started{false};
    int Wrong = 0;
    std::thread Reader([&] {
        Started = true;
        for (int i = 0; i < 20000; ++i) {
            const TClass Plain = GetClass(u"TRttiPlain");
            if (GetClass(u"TPersistent") != TPersistent::StaticClass() ||
                (Plain && Plain != TRttiPlain::StaticClass()))
                ++Wrong;
        }
    });
    while (!Started)
        std::this_thread::yield();
    for (int i = 0; i < 2000; ++i) {
        UnRegisterClass(TRttiPlain::StaticClass());
        RegisterClass(TRttiPlain::StaticClass());
    }
    Reader.join();
    UnRegisterClass(TRttiPlain::StaticClass());
    EXPECT_EQ(Wrong, 0);
    EXPECT_EQ(GetClass(u"TRttiPlain"), nullptr);
}
