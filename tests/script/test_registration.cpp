// Host registration: classes with their published properties and members,
// constants, enumerations, variables, objects, routines, forms; duplicates;
// lookups through the Parent chain; clearing by owner; registration modules.
#include "test_registration_host.h"
#include <gtest/gtest.h>

STATION_PUBLISHED(TScrHost)
{
    P.Prop("Size", &TScrHost::Size, &TScrHost::SetSize);
    P.Prop("Letter", &TScrHost::Letter, &TScrHost::SetLetter);
    P.Prop("Accel", &TScrHost::Accel, &TScrHost::SetAccel);
    P.Prop("Align", &TScrHost::Align, &TScrHost::SetAlign);
    P.Prop("Visible", &TScrHost::Visible, &TScrHost::SetVisible);
    P.Prop("Flag", &TScrHost::Flag, &TScrHost::SetFlag);
    P.Prop("Ratio", &TScrHost::Ratio, &TScrHost::SetRatio);
    P.Prop("Title", &TScrHost::Title, &TScrHost::SetTitle);
    P.Prop("Hint", &TScrHost::Hint, &TScrHost::SetHint).Wide();
    P.Prop("Styles", &TScrHost::Styles, &TScrHost::SetStyles);
    P.Prop("Items", &TScrHost::Items);
    P.Prop("Buddy", &TScrHost::Buddy, &TScrHost::SetBuddy);
    P.Prop("Data", &TScrHost::Data, &TScrHost::SetData);
    P.Prop("Big", &TScrHost::Big, &TScrHost::SetBig);
    P.Prop("Count", &TScrHost::Count);
    P.Prop("OnClick", &TScrHost::OnClick, &TScrHost::SetOnClick);
}

STATION_PUBLISHED(TScrChild) {}

namespace {

// A class that the type information calls "TFrame", standing for the class
// library's frame without depending on the GUI classes.
class TScrFrameBase : public TComponent
{
public:
    using inherited = TComponent;
    static TClass StaticClass()
    {
        static const TClass FClass =
            StationRtti::MakeClass<TScrFrameBase, TComponent>("TFrame", &TScrFrameBase::DefinePublished);
        return FClass;
    }
    TClass ClassType() const override { return StaticClass(); }
    static void DefinePublished(TPublisher<TScrFrameBase> &) {}
    explicit TScrFrameBase(TComponent *AOwner) : TComponent(AOwner) {}
};

class TScrFrame : public TScrFrameBase
{
    STATION_CLASS(TScrFrame, TScrFrameBase)
public:
    explicit TScrFrame(TComponent *AOwner) : TScrFrameBase(AOwner) {}
};

} // namespace

STATION_PUBLISHED(TScrFrame) {}

namespace {

TkwCustomHelper *Member(TkwClassVariable *C, const char *Name)
{
    return C->Find(QString::fromUtf8(Name));
}

// Reads a member of Instance as a designator would.
Variant Read(TkwCustomHelper *H, TObject *Instance)
{
    H->SetParentRef(nullptr);
    H->SetParentValue(kwObjectToVar(Instance));
    return H->GetValue();
}

void Write(TkwCustomHelper *H, TObject *Instance, const Variant &Value)
{
    H->SetParentRef(nullptr);
    H->SetParentValue(kwObjectToVar(Instance));
    H->SetValue(Value);
}

TEST(Registration, ClassGetsTypedPublishedProperties)
{
    TkwScript s(nullptr);
    TkwClassVariable *c = s.AddClass(TScrHost::StaticClass(), QStringLiteral("TComponent"));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->Name(), QStringLiteral("TScrHost"));
    EXPECT_EQ(c->Typ(), fvtClass);
    EXPECT_EQ(c->ClassRef(), TScrHost::StaticClass());
    EXPECT_EQ(s.FindClass(QStringLiteral("tscrhost")), c);

    const struct
    {
        const char *Name;
        TkwVarType Typ;
        const char *TypeName; // checked for class and enumeration types
        bool ReadOnly;
    } expected[] = {
        {"Name", fvtString, "", false},
        {"Tag", fvtInt, "", false},
        {"Size", fvtInt, "", false},
        {"Letter", fvtChar, "", false},
        {"Accel", fvtChar, "", false},
        {"Align", fvtEnum, "TScrAlign", false},
        {"Visible", fvtBool, "", false},
        {"Flag", fvtBool, "", false},
        {"Ratio", fvtFloat, "", false},
        {"Title", fvtString, "", false},
        {"Hint", fvtString, "", false},
        {"Styles", fvtEnum, "TScrStyles", false},
        {"Items", fvtClass, "TStrings", true},
        {"Buddy", fvtClass, "TScrHost", false},
        {"Data", fvtVariant, "", false},
        {"Big", fvtInt, "", false},
        {"Count", fvtInt, "", true},
    };
    for (const auto &e : expected) {
        TkwCustomHelper *h = Member(c, e.Name);
        ASSERT_NE(h, nullptr) << e.Name;
        auto *p = dynamic_cast<TkwPropertyHelper *>(h);
        ASSERT_NE(p, nullptr) << e.Name;
        EXPECT_TRUE(p->IsPublished()) << e.Name;
        EXPECT_EQ(h->Typ(), e.Typ) << e.Name;
        if (e.Typ == fvtClass || e.Typ == fvtEnum) {
            EXPECT_EQ(h->TypeName(), QString::fromUtf8(e.TypeName)) << e.Name;
        }
        EXPECT_EQ(h->IsReadOnly(), e.ReadOnly) << e.Name;
        EXPECT_EQ(h->ClassVar(), c);
        EXPECT_EQ(h->Script(), &s);
    }
    // Events are no properties of the class entry.
    EXPECT_EQ(Member(c, "OnClick"), nullptr);
    EXPECT_EQ(c->MemberCount(), int(std::size(expected)));
}

TEST(Registration, PublishedPropertiesReadAndWriteByKind)
{
    TkwScript s(nullptr);
    TkwClassVariable *c = s.AddClass(TScrHost::StaticClass(), QStringLiteral("TComponent"));
    TScrHost host(nullptr);
    TScrHost buddy(nullptr);

    Write(Member(c, "Size"), &host, Variant(2.0));
    EXPECT_EQ(host.Size(), 2);
    EXPECT_EQ(VarType(Read(Member(c, "size"), &host)), varInteger);

    EXPECT_EQ(Read(Member(c, "Letter"), &host).AsString(), QStringLiteral("a"));
    Write(Member(c, "Letter"), &host, Variant(QStringLiteral("xyz")));
    EXPECT_EQ(host.Letter(), 'x');
    Write(Member(c, "Accel"), &host, Variant(QStringLiteral("\u4e2d")));
    EXPECT_EQ(host.Accel(), QChar(0x4e2d));
    EXPECT_EQ(Read(Member(c, "Accel"), &host).AsString(), QStringLiteral("\u4e2d"));

    Write(Member(c, "Align"), &host, Variant(2));
    EXPECT_EQ(host.Align(), saBottom);
    EXPECT_EQ(VarType(Read(Member(c, "Align"), &host)), varInteger);
    EXPECT_EQ(Read(Member(c, "Align"), &host).AsInteger(), 2);

    Write(Member(c, "Visible"), &host, Variant(false));
    EXPECT_FALSE(host.Visible());
    Variant vis = Read(Member(c, "Visible"), &host);
    EXPECT_EQ(VarType(vis), varBoolean);
    EXPECT_FALSE(vis.AsBoolean());
    Write(Member(c, "Flag"), &host, Variant(7));
    EXPECT_EQ(host.Flag(), slbYes);
    EXPECT_EQ(VarType(Read(Member(c, "Flag"), &host)), varBoolean);

    Write(Member(c, "Ratio"), &host, Variant(QStringLiteral("1.25")));
    EXPECT_DOUBLE_EQ(host.Ratio(), 1.25);
    EXPECT_EQ(VarType(Read(Member(c, "Ratio"), &host)), varDouble);
    Write(Member(c, "Title"), &host, Variant(12));
    EXPECT_EQ(host.Title(), QStringLiteral("12"));
    Write(Member(c, "Hint"), &host, Variant(QStringLiteral("wide")));
    EXPECT_EQ(Read(Member(c, "Hint"), &host).AsString(), QStringLiteral("wide"));

    // Sets cross as integers of their member bits.
    Write(Member(c, "Styles"), &host, Variant(5));
    EXPECT_TRUE(host.Styles().Contains(ssBold));
    EXPECT_TRUE(host.Styles().Contains(ssUnderline));
    EXPECT_EQ(Read(Member(c, "Styles"), &host).AsInteger(), 5);

    // Class properties give and take object references.
    Write(Member(c, "Buddy"), &host, kwObjectToVar(&buddy));
    EXPECT_EQ(host.Buddy(), &buddy);
    Variant b = Read(Member(c, "Buddy"), &host);
    EXPECT_EQ(VarType(b), varObject);
    EXPECT_EQ(b.AsObject(), &buddy);
    Write(Member(c, "Buddy"), &host, Variant(0));
    EXPECT_EQ(host.Buddy(), nullptr);
    Variant items = Read(Member(c, "Items"), &host);
    EXPECT_EQ(kwVarToObject(items, TStrings::StaticClass()), host.Items());

    Write(Member(c, "Data"), &host, Variant(QStringLiteral("any")));
    EXPECT_EQ(host.Data().AsString(), QStringLiteral("any"));
    Write(Member(c, "Big"), &host, Variant(qint64(1) << 40));
    EXPECT_EQ(Read(Member(c, "Big"), &host).AsInt64(), qint64(1) << 40);

    // Read-only properties ignore writes.
    Write(Member(c, "Count"), &host, Variant(1));
    EXPECT_EQ(Read(Member(c, "Count"), &host).AsInteger(), 42);
}

TEST(Registration, WrongObjectsRaiseInsteadOfCrashing)
{
    TkwScript s(nullptr);
    s.AddClass(TComponent::StaticClass(), QString());
    TkwClassVariable *c = s.AddClass(TScrHost::StaticClass(), QStringLiteral("TComponent"));
    TkwCustomHelper *size = Member(c, "Size");
    auto *host = new TScrHost(nullptr);
    const Variant ref = kwObjectToVar(host);
    size->SetParentValue(ref);
    EXPECT_EQ(size->GetValue().AsInteger(), 0);
    delete host;
    // The reference outlived its object.
    size->SetParentValue(ref);
    EXPECT_THROW(size->GetValue(), EInvalidPointer);
    EXPECT_THROW(size->SetValue(Variant(1)), EInvalidPointer);
    // nil, a number and an object of another class.
    size->SetParentValue(Variant(0));
    EXPECT_THROW(size->GetValue(), EInvalidPointer);
    size->SetParentValue(Variant(12345));
    EXPECT_THROW(size->GetValue(), EVariantError);
    TComponent other(nullptr);
    size->SetParentValue(kwObjectToVar(&other));
    EXPECT_THROW(size->GetValue(), EInvalidCast);
    // An object never handed to a script is not taken either.
    TScrHost unknown(nullptr);
    size->SetParentValue(Variant(&unknown));
    EXPECT_THROW(size->GetValue(), EInvalidPointer);
    // Writing a freed object into a class property.
    TScrHost h2(nullptr);
    auto *gone = new TScrHost(nullptr);
    const Variant goneRef = kwObjectToVar(gone);
    delete gone;
    Member(c, "Buddy")->SetParentValue(kwObjectToVar(&h2));
    EXPECT_THROW(Member(c, "Buddy")->SetValue(goneRef), EInvalidPointer);
    EXPECT_EQ(h2.Buddy(), nullptr);
}

TEST(Registration, ObjectsReachedThroughAComponentGoWithIt)
{
    auto *host = new TScrHost(nullptr);
    kwTrackObject(host);
    TStrings *items = host->Items();
    const Variant ref = kwObjectToVar(items, host);
    EXPECT_TRUE(kwObjectAlive(items));
    delete host;
    EXPECT_FALSE(kwObjectAlive(items));
    EXPECT_THROW(kwVarToObject(ref), EInvalidPointer);

    // Other objects stay known until forgotten.
    auto *list = new TStringList;
    const Variant lref = kwObjectToVar(list);
    EXPECT_EQ(kwVarToObject(lref, TStrings::StaticClass()), list);
    kwForgetObject(list);
    delete list;
    EXPECT_THROW(kwVarToObject(lref), EInvalidPointer);
}

TEST(Registration, PropertiesThroughCallbacks)
{
    TkwScript s(nullptr);
    TScrHandler h;
    TkwClassVariable *c = s.AddClass(TScrHost::StaticClass(), QStringLiteral("TComponent"));
    AddBaseTypes(s);
    c->AddProperty(QStringLiteral("Weight"), QStringLiteral("Extended"), h.GetEvent(), h.SetEvent());
    c->AddProperty(QStringLiteral("Ready"), QStringLiteral("Boolean"), h.GetEvent());
    TScrHost host(nullptr);

    TkwCustomHelper *w = Member(c, "weight");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Typ(), fvtFloat);
    EXPECT_FALSE(w->IsReadOnly());
    h.Result = Variant(2.5);
    EXPECT_DOUBLE_EQ(Read(w, &host).AsDouble(), 2.5);
    EXPECT_EQ(h.Names.last(), QStringLiteral("WEIGHT"));
    EXPECT_EQ(h.LastInstance, &host);
    EXPECT_EQ(h.LastClass, TScrHost::StaticClass());
    Write(w, &host, Variant(7));
    EXPECT_EQ(h.Stored.AsInteger(), 7);

    TkwCustomHelper *r = Member(c, "Ready");
    EXPECT_TRUE(r->IsReadOnly());
    EXPECT_EQ(r->Typ(), fvtBool);
    h.Result = Variant(2);
    Variant ready = Read(r, &host);
    EXPECT_EQ(VarType(ready), varBoolean);
    EXPECT_TRUE(ready.AsBoolean());
    h.Result = Variant(0);
    EXPECT_FALSE(Read(r, &host).AsBoolean());
    const int calls = int(h.Names.size());
    Write(r, &host, Variant(true));
    EXPECT_EQ(int(h.Names.size()), calls);
}

TEST(Registration, MethodsConstructorsAndIndexedProperties)
{
    TkwScript s(nullptr);
    AddBaseTypes(s);
    TScrHandler h;
    TkwClassVariable *c = s.AddClass(TScrHost::StaticClass(), QStringLiteral("TComponent"));
    c->AddConstructor(QStringLiteral("constructor Create(AOwner: TComponent)"), h.NewEvent());
    c->AddMethod(QStringLiteral("function Sum(a, b: Integer): Integer"), h.NewEvent());
    c->AddIndexProperty(QStringLiteral("Cells"), QStringLiteral("Integer, String"), QStringLiteral("String"),
                        h.NewEvent());
    c->AddDefaultProperty(QStringLiteral("Lines"), QStringLiteral("Integer"), QStringLiteral("String"), h.NewEvent(),
                          true);
    TScrHost host(nullptr);

    auto *create = dynamic_cast<TkwMethodHelper *>(Member(c, "create"));
    ASSERT_NE(create, nullptr);
    EXPECT_EQ(create->Typ(), fvtConstructor);
    EXPECT_EQ(create->Syntax(), QStringLiteral("function Create(AOwner: TComponent): Constructor"));
    // Applied to the class itself: no instance, the class named is told.
    create->SetParentRef(c);
    create->SetParentValue(c->GetValue());
    create->Params(0)->SetValue(Variant(0));
    h.Result = kwObjectToVar(&host);
    EXPECT_EQ(create->GetValue().AsObject(), &host);
    EXPECT_EQ(h.Names.last(), QStringLiteral("CREATE"));
    EXPECT_EQ(h.LastInstance, nullptr);
    EXPECT_EQ(h.LastNamedClass, TScrHost::StaticClass());

    auto *sum = dynamic_cast<TkwMethodHelper *>(Member(c, "SUM"));
    ASSERT_NE(sum, nullptr);
    EXPECT_TRUE(sum->IsReadOnly());
    sum->Params(0)->SetValue(Variant(2));
    sum->Params(1)->SetValue(Variant(3));
    h.Result = Variant(5);
    EXPECT_EQ(Read(sum, &host).AsInteger(), 5);
    EXPECT_EQ(h.Names.last(), QStringLiteral("SUM"));
    EXPECT_EQ(h.LastInstance, &host);
    EXPECT_EQ(h.LastClass, TScrHost::StaticClass());
    ASSERT_EQ(h.LastArgs.size(), 2);
    EXPECT_EQ(h.LastArgs[1].AsInteger(), 3);
    // A method of a class applied to nil or to the class itself raises.
    sum->SetParentRef(nullptr);
    sum->SetParentValue(Variant(0));
    EXPECT_THROW(sum->GetValue(), EInvalidPointer);
    sum->SetParentRef(c);
    EXPECT_THROW(sum->GetValue(), EInvalidPointer);

    auto *cells = dynamic_cast<TkwMethodHelper *>(Member(c, "Cells"));
    ASSERT_NE(cells, nullptr);
    EXPECT_TRUE(cells->IndexMethod());
    EXPECT_FALSE(cells->IsReadOnly());
    EXPECT_EQ(cells->Syntax(), QStringLiteral("function Cells(p0: Integer; p1: String): String"));
    ASSERT_EQ(cells->Count(), 2);
    EXPECT_EQ(cells->Params(1)->Typ(), fvtString);
    cells->Params(0)->SetValue(Variant(1));
    cells->Params(1)->SetValue(Variant(QStringLiteral("B")));
    Read(cells, &host);
    EXPECT_EQ(h.Names.last(), QStringLiteral("CELLS.GET"));
    Write(cells, &host, Variant(QStringLiteral("new")));
    EXPECT_EQ(h.Names.last(), QStringLiteral("CELLS.SET"));
    ASSERT_EQ(h.LastArgs.size(), 3);
    EXPECT_EQ(h.LastArgs[2].AsString(), QStringLiteral("new"));

    EXPECT_EQ(c->DefProp(), Member(c, "Lines"));
    EXPECT_TRUE(c->DefProp()->IsReadOnly());
    const int calls = int(h.Names.size());
    Write(c->DefProp(), &host, Variant(QStringLiteral("x")));
    EXPECT_EQ(int(h.Names.size()), calls);

    // A descendant registered later inherits the default property and finds
    // the ancestor's members.
    TkwClassVariable *child = s.AddClass(TScrChild::StaticClass(), QStringLiteral("TScrHost"));
    EXPECT_EQ(child->DefProp(), c->DefProp());
    EXPECT_EQ(child->Find(QStringLiteral("sum")), sum);
    EXPECT_EQ(child->Find(QStringLiteral("Nothing")), nullptr);
}

TEST(Registration, GlobalRoutines)
{
    TkwScript s(nullptr);
    AddBaseTypes(s);
    TScrHandler h;
    TkwMethodHelper *m = s.AddMethod(QStringLiteral("function Twice(x: Integer): Integer"), h.NewEvent(),
                                     QStringLiteral("ctMath"));
    EXPECT_EQ(s.Find(QStringLiteral("TWICE")), m);
    EXPECT_EQ(m->Category(), QStringLiteral("ctMath"));
    EXPECT_EQ(m->Description(), QStringLiteral("Twice"));
    m->Params(0)->SetValue(Variant(4));
    h.Result = Variant(8);
    EXPECT_EQ(m->GetValue().AsInteger(), 8);
    EXPECT_EQ(h.LastInstance, nullptr);
    EXPECT_EQ(h.LastClass, nullptr);
    EXPECT_EQ(h.Names.last(), QStringLiteral("TWICE"));

    // The array form copies var parameters back.
    TkwMethodHelper *dec = s.AddMethodParams(QStringLiteral("procedure Bump(var i: Integer; by: Integer = 1)"),
                                             h.ArrayEvent(), QStringLiteral("ctOther"), QStringLiteral("adds"));
    EXPECT_EQ(dec->Description(), QStringLiteral("adds"));
    dec->Params(0)->SetValue(Variant(1));
    dec->Params(1)->SetValue(Variant(5));
    h.WriteBack = Variant(6);
    dec->GetValue();
    EXPECT_EQ(dec->Params(0)->GetValue().AsInteger(), 6);
    EXPECT_EQ(VarArrayGet(h.ArrayArgs, {1}).AsInteger(), 5);

    // Registered again under the same name: the newest is found first.
    TkwMethodHelper *again = s.AddMethod(QStringLiteral("function twice(x: Integer): Integer"), h.NewEvent());
    EXPECT_EQ(s.Find(QStringLiteral("Twice")), again);
}

TEST(Registration, MethodParametersAreCheckedObjects)
{
    TkwScript s(nullptr);
    AddBaseTypes(s);
    TScrHandler h;
    TkwMethodHelper *m = s.AddMethod(QStringLiteral("procedure Use(O: Variant)"), h.NewEvent());
    auto *gone = new TScrHost(nullptr);
    m->Params(0)->SetValue(kwObjectToVar(gone));
    delete gone;
    EXPECT_THROW(m->GetValue(), EInvalidPointer);
    EXPECT_THROW(m->GetParam(0), EInvalidPointer);
}

TEST(Registration, DuplicatesKeepTheFirstEntry)
{
    TkwScript s(nullptr);
    AddBaseTypes(s);
    s.AddVariable(QStringLiteral("x"), QStringLiteral("Integer"), Variant(1));
    s.AddVariable(QStringLiteral("X"), QStringLiteral("String"), Variant(QStringLiteral("a")));
    TkwCustomVariable *x = s.Find(QStringLiteral("x"));
    EXPECT_EQ(x->Typ(), fvtInt);
    EXPECT_EQ(x->GetValue().AsInteger(), 1);

    s.AddConst(QStringLiteral("crSize"), QStringLiteral("Integer"), Variant(-22));
    s.AddConst(QStringLiteral("crSize"), QStringLiteral("Integer"), Variant(-99));
    EXPECT_EQ(s.Find(QStringLiteral("crSize"))->GetValue().AsInteger(), -22);
    EXPECT_TRUE(s.Find(QStringLiteral("crSize"))->IsReadOnly());

    s.AddType(QStringLiteral("Integer"), fvtString);
    EXPECT_EQ(StrToVarType(QStringLiteral("Integer"), &s), fvtInt);

    EXPECT_NE(s.AddClass(TScrHost::StaticClass(), QString()), nullptr);
    EXPECT_EQ(s.AddClass(TScrHost::StaticClass(), QString()), nullptr);
    // A class whose name is taken by something else is not registered.
    s.AddVariable(QStringLiteral("TScrChild"), QStringLiteral("Integer"), Variant(0));
    EXPECT_EQ(s.AddClass(TScrChild::StaticClass(), QStringLiteral("TScrHost")), nullptr);
    EXPECT_EQ(s.FindClass(QStringLiteral("TScrChild")), nullptr);
}

TEST(Registration, ConstantsVariablesAndObjects)
{
    TkwScript s(nullptr);
    AddBaseTypes(s);
    TScrHandler h;
    s.SetOnGetVarValue(h.VarEvent());
    s.AddConst(QStringLiteral("qd1cm"), QStringLiteral("Extended"), Variant(37.7953));
    TkwCustomVariable *c = s.Find(QStringLiteral("qd1cm"));
    EXPECT_EQ(c->Typ(), fvtFloat);
    EXPECT_TRUE(c->IsReadOnly());
    c->SetValue(Variant(1.0));
    EXPECT_DOUBLE_EQ(c->GetValue().AsDouble(), 37.7953);

    s.AddVariable(QStringLiteral("Count"), QStringLiteral("Integer"), Variant(2.0));
    TkwCustomVariable *v = s.Find(QStringLiteral("count"));
    EXPECT_FALSE(v->IsReadOnly());
    EXPECT_EQ(VarType(v->Value()), varInteger);
    // Variables ask the script's value provider.
    h.Result = Variant(11);
    EXPECT_EQ(v->GetValue().AsInteger(), 11);
    h.Result = Null();
    EXPECT_EQ(v->GetValue().AsInteger(), 2);

    TScrHost host(nullptr);
    host.SetName(QStringLiteral("Host1"));
    s.AddObject(QStringLiteral("Host1"), &host);
    TkwCustomVariable *o = s.Find(QStringLiteral("Host1"));
    EXPECT_EQ(o->TypeName(), QStringLiteral("TScrHost"));
    EXPECT_EQ(VarType(o->Value()), varObject);
    EXPECT_EQ(kwVarToObject(o->Value(), TScrHost::StaticClass()), &host);
    s.AddObject(QStringLiteral("Nothing"), nullptr);
    EXPECT_EQ(s.Find(QStringLiteral("Nothing"))->Value().AsObject(), nullptr);

    // SetVariable changes a variable found, or adds a Variant one.
    s.SetVariable(QStringLiteral("COUNT"), Variant(5));
    EXPECT_EQ(v->Value().AsInteger(), 5);
    s.SetVariable(QStringLiteral("ExceptionMessage"), Variant(QStringLiteral("oops")));
    TkwCustomVariable *e = s.Find(QStringLiteral("ExceptionMessage"));
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->Typ(), fvtVariant);
    EXPECT_EQ(e->Value().AsString(), QStringLiteral("oops"));
}

TEST(Registration, EnumerationsAndSets)
{
    TkwScript s(nullptr);
    s.AddEnum(QStringLiteral("TAlign"), QStringLiteral("alNone, alTop ,alBottom"));
    s.AddEnumSet(QStringLiteral("TAnchors"), QStringLiteral("akLeft, akTop, akRight"));
    TkwCustomVariable *t = s.Find(QStringLiteral("TAlign"));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->Typ(), fvtEnum);
    const struct
    {
        const char *Name;
        int Value;
        const char *Type;
    } cases[] = {{"alNone", 0, "TAlign"}, {"alTop", 1, "TAlign"},   {"alBottom", 2, "TAlign"},
                 {"akLeft", 1, "TAnchors"}, {"akTop", 2, "TAnchors"}, {"akRight", 4, "TAnchors"}};
    for (const auto &c : cases) {
        TkwCustomVariable *v = s.Find(QString::fromUtf8(c.Name));
        ASSERT_NE(v, nullptr) << c.Name;
        EXPECT_EQ(v->Typ(), fvtEnum) << c.Name;
        EXPECT_EQ(v->TypeName(), QString::fromUtf8(c.Type)) << c.Name;
        EXPECT_TRUE(v->IsReadOnly()) << c.Name;
        EXPECT_EQ(v->GetValue().AsInteger(), c.Value) << c.Name;
        v->SetValue(Variant(9));
        EXPECT_EQ(v->GetValue().AsInteger(), c.Value) << c.Name;
    }
    EXPECT_TRUE(TypesCompatible({fvtEnum, QStringLiteral("TAlign")}, {s.Find(QStringLiteral("alTop"))->Typ(),
                                                                        s.Find(QStringLiteral("alTop"))->TypeName()},
                                &s));
}

TEST(Registration, EnumerationNamesAreNotCheckedForDuplicates)
{
    TkwScript s(nullptr);
    s.AddConst(QStringLiteral("ssNone"), QStringLiteral("Integer"), Variant(9));
    s.AddEnum(QStringLiteral("TScrollStyle"), QStringLiteral("ssNone, ssHorizontal"));
    // Both entries exist; the newer is found first.
    TkwCustomVariable *v = s.Find(QStringLiteral("ssNone"));
    EXPECT_EQ(v->TypeName(), QStringLiteral("TScrollStyle"));
    EXPECT_EQ(v->GetValue().AsInteger(), 0);
    EXPECT_EQ(s.Count(), 4);
}

TEST(Registration, RemoveTakesAnItemOutWithoutFreeingIt)
{
    TkwScript s(nullptr);
    auto *v = new TkwVariable(QStringLiteral("v"), fvtVariant, QString());
    s.Add(QStringLiteral("v"), v);
    EXPECT_EQ(s.Items(0), v);
    EXPECT_THROW(s.Items(1), EListError);
    s.Remove(v);
    EXPECT_EQ(s.Count(), 0);
    EXPECT_EQ(s.Find(QStringLiteral("v")), nullptr);
    v->SetValue(Variant(1)); // still alive
    delete v;
}

TEST(Registration, PropertyCallbacksThatReceiveTheHelper)
{
    TkwScript s(nullptr);
    TkwClassVariable *c = s.AddClass(TScrHost::StaticClass(), QStringLiteral("TComponent"));
    struct TNew : TObject
    {
        Variant Get(TObject *Instance, TClass, const QString &PropName, TkwPropertyHelper *Caller)
        {
            Seen = Caller;
            return Variant(PropName + QLatin1Char('@') + Instance->ClassName());
        }
        void Set(TObject *, TClass, const QString &, const Variant &Value, TkwPropertyHelper *Caller)
        {
            Seen = Caller;
            Stored = Value;
        }
        TkwPropertyHelper *Seen = nullptr;
        Variant Stored;
    } h;
    auto *p = new TkwPropertyHelper(QStringLiteral("Label"), fvtString, QStringLiteral("String"),
                                    TkwGetValueNewEvent(&h, &TNew::Get), TkwSetValueNewEvent(&h, &TNew::Set));
    EXPECT_FALSE(p->IsPublished());
    EXPECT_FALSE(p->IsReadOnly());
    p->SetClassVar(c);
    TScrHost host(nullptr);
    p->SetParentValue(kwObjectToVar(&host));
    EXPECT_EQ(p->GetValue().AsString(), QStringLiteral("LABEL@TScrHost"));
    EXPECT_EQ(h.Seen, p);
    p->SetValue(Variant(3));
    EXPECT_EQ(h.Stored.AsInteger(), 3);
    // A freed object handed to the setter is refused before the host sees it.
    auto *gone = new TScrHost(nullptr);
    const Variant ref = kwObjectToVar(gone);
    delete gone;
    EXPECT_THROW(p->SetValue(ref), EInvalidPointer);
    EXPECT_EQ(h.Stored.AsInteger(), 3);
    delete p;
}

TEST(Registration, FindThroughThreeLevelsOfParent)
{
    TkwScript global(nullptr), unit(nullptr), proc(nullptr), local(nullptr);
    unit.SetParent(&global);
    proc.SetParent(&unit);
    local.SetParent(&proc);
    global.AddVariable(QStringLiteral("g"), QStringLiteral("Variant"), Variant(1));
    unit.AddVariable(QStringLiteral("u"), QStringLiteral("Variant"), Variant(2));
    proc.AddVariable(QStringLiteral("p"), QStringLiteral("Variant"), Variant(3));
    local.AddVariable(QStringLiteral("g"), QStringLiteral("Variant"), Variant(4)); // found as the global
    EXPECT_EQ(local.Find(QStringLiteral("G"))->GetValue().AsInteger(), 1);
    EXPECT_EQ(local.FindLocal(QStringLiteral("g")), nullptr);
    EXPECT_EQ(local.Find(QStringLiteral("u"))->GetValue().AsInteger(), 2);
    EXPECT_EQ(local.Find(QStringLiteral("p"))->GetValue().AsInteger(), 3);
    EXPECT_EQ(local.Find(QStringLiteral("none")), nullptr);
    EXPECT_EQ(global.Find(QStringLiteral("p")), nullptr);
    EXPECT_EQ(unit.FindClass(QStringLiteral("g")), nullptr);

    // Items that are no variables are not found.
    int freed = 0;
    struct TMark : TObject
    {
        int &F;
        explicit TMark(int &f) : F(f) {}
        ~TMark() override { ++F; }
    };
    unit.Add(QStringLiteral("mark"), new TMark(freed));
    EXPECT_EQ(unit.FindLocal(QStringLiteral("mark")), nullptr);
    unit.Clear();
    EXPECT_EQ(freed, 1);

    // No loops of parents; a freed parent is forgotten.
    EXPECT_THROW(global.SetParent(&local), EInvalidOperation);
    auto *outer = new TkwScript(nullptr);
    TkwScript inner(nullptr);
    inner.SetParent(outer);
    delete outer;
    EXPECT_EQ(inner.Parent(), nullptr);
}

TEST(Registration, ProcedureProgramsReachTheGlobalItems)
{
    TkwScript s(nullptr);
    s.AddVariable(QStringLiteral("Total"), QStringLiteral("Variant"), Variant(7));
    TkwProcVariable *p = AddProc(s, QStringLiteral("P"), false, [] {});
    EXPECT_EQ(p->Program()->Find(QStringLiteral("total"))->GetValue().AsInteger(), 7);
    EXPECT_EQ(p->Program()->FindLocal(QStringLiteral("total")), nullptr);
}

TEST(Registration, ClearItemsRemovesOnlyOneOwnersItems)
{
    TkwScript s(nullptr);
    TObject ownerA, ownerB;
    s.SetAddedBy(&ownerA);
    s.AddVariable(QStringLiteral("a1"), QStringLiteral("Variant"), Variant(1));
    s.AddConst(QStringLiteral("a2"), QStringLiteral("Variant"), Variant(2));
    s.SetAddedBy(&ownerB);
    s.AddVariable(QStringLiteral("b1"), QStringLiteral("Variant"), Variant(3));
    s.SetAddedBy(nullptr);
    s.AddVariable(QStringLiteral("n1"), QStringLiteral("Variant"), Variant(4));
    s.Statement()->Add(new TScrStmt(&s, [] {}));
    int freed = 0;
    struct TMark : TObject
    {
        int &F;
        explicit TMark(int &f) : F(f) {}
        ~TMark() override { ++F; }
    };
    s.AddOwnedObject(new TMark(freed));

    s.ClearItems(&ownerA);
    EXPECT_EQ(s.Find(QStringLiteral("a1")), nullptr);
    EXPECT_EQ(s.Find(QStringLiteral("a2")), nullptr);
    EXPECT_NE(s.Find(QStringLiteral("b1")), nullptr);
    EXPECT_NE(s.Find(QStringLiteral("n1")), nullptr);
    EXPECT_EQ(s.Statement()->Count(), 0);
    EXPECT_EQ(freed, 1);
    EXPECT_EQ(s.Find(QStringLiteral("b1"))->AddedBy(), &ownerB);

    s.RemoveItems(&ownerB);
    EXPECT_EQ(s.Find(QStringLiteral("b1")), nullptr);
    EXPECT_EQ(s.Count(), 1);
}

// A registration module that registers two names.
class TScrModule : public TkwRTTIModule
{
public:
    explicit TScrModule(TkwScript *AScript) : TkwRTTIModule(AScript)
    {
        ++Created;
        AScript->AddType(QStringLiteral("Integer"), fvtInt);
        AScript->AddConst(QStringLiteral("ModConst"), QStringLiteral("Integer"), Variant(3));
    }
    ~TScrModule() override { ++Destroyed; }
    static int Created;
    static int Destroyed;
};
int TScrModule::Created = 0;
int TScrModule::Destroyed = 0;

class TScrSecondModule : public TkwRTTIModule
{
public:
    explicit TScrSecondModule(TkwScript *AScript) : TkwRTTIModule(AScript)
    {
        // Runs after the first module: its names are already there.
        Saw = AScript->Find(QStringLiteral("ModConst")) != nullptr;
    }
    static bool Saw;
};
bool TScrSecondModule::Saw = false;

TEST(Registration, ModulesAreLoadedOnceAndSurviveClear)
{
    kwAddRTTIModule(&kwNewModule<TScrSecondModule>);
    kwAddRTTIModule(&kwNewModule<TScrModule>, true);
    kwAddRTTIModule(&kwNewModule<TScrModule>);
    ASSERT_GE(kwRTTIModules().size(), 2);
    EXPECT_EQ(kwRTTIModules().first(), &kwNewModule<TScrModule>);
    const int created = TScrModule::Created;
    const int destroyed = TScrModule::Destroyed;
    {
        TkwScript s(nullptr);
        TObject host;
        s.SetAddedBy(&host);
        s.AddRTTI();
        s.AddRTTI();
        EXPECT_TRUE(s.RTTIAdded());
        EXPECT_EQ(TScrModule::Created, created + 1);
        EXPECT_TRUE(TScrSecondModule::Saw);
        EXPECT_EQ(s.AddedBy(), &host);
        TkwCustomVariable *c = s.Find(QStringLiteral("ModConst"));
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->AddedBy(), kwRTTIStamp());

        s.AddVariable(QStringLiteral("Mine"), QStringLiteral("Integer"), Variant(1));
        s.SetErrorMessage(QStringLiteral("old error"));
        s.Clear();
        EXPECT_EQ(s.Find(QStringLiteral("Mine")), nullptr);
        EXPECT_NE(s.Find(QStringLiteral("ModConst")), nullptr);
        EXPECT_TRUE(s.ErrorMessage().isEmpty());
        EXPECT_EQ(TScrModule::Destroyed, destroyed);

        s.ClearRTTI();
        EXPECT_FALSE(s.RTTIAdded());
        EXPECT_EQ(s.Find(QStringLiteral("ModConst")), nullptr);
        EXPECT_EQ(s.Count(), 0);
        EXPECT_EQ(TScrModule::Destroyed, destroyed + 1);
        s.AddRTTI();
    }
    EXPECT_EQ(TScrModule::Destroyed, destroyed + 2);
    kwRemoveRTTIModule(&kwNewModule<TScrModule>);
    kwRemoveRTTIModule(&kwNewModule<TScrSecondModule>);
    EXPECT_FALSE(kwRTTIModules().contains(&kwNewModule<TScrModule>));
}

TEST(Registration, FormsAndTheirComponents)
{
    TkwScript s(nullptr);
    TScrFrame frame(nullptr);
    frame.SetName(QStringLiteral("Frame1"));
    auto *c1 = new TScrHost(&frame);
    c1->SetName(QStringLiteral("Host1"));
    auto *c2 = new TComponent(&frame);
    c2->SetName(QStringLiteral("Helper"));
    new TComponent(&frame); // no name: not reachable by name

    s.AddForm(&frame);
    TkwClassVariable *cls = s.FindClass(QStringLiteral("TScrFrame"));
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(cls->Ancestor(), QStringLiteral("TFrame"));
    TkwCustomHelper *h = cls->Find(QStringLiteral("host1"));
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->Typ(), fvtClass);
    EXPECT_EQ(h->TypeName(), QStringLiteral("TScrHost"));
    EXPECT_TRUE(h->IsReadOnly());
    EXPECT_EQ(kwVarToObject(Read(h, &frame)), c1);
    EXPECT_EQ(kwVarToObject(Read(cls->Find(QStringLiteral("Helper")), &frame)), c2);
    EXPECT_EQ(cls->MemberCount(), 4); // Name, Tag, Host1, Helper

    TkwCustomVariable *obj = s.Find(QStringLiteral("Frame1"));
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(obj->TypeName(), QStringLiteral("TScrFrame"));
    EXPECT_EQ(kwVarToObject(obj->Value()), &frame);

    // Again: nothing doubles.
    s.AddComponent(&frame);
    EXPECT_EQ(cls->MemberCount(), 4);

    // The component reached through the helper is the one the instance owns.
    TScrFrame other(nullptr);
    auto *c3 = new TScrHost(&other);
    c3->SetName(QStringLiteral("Host1"));
    EXPECT_EQ(kwVarToObject(Read(h, &other)), c3);
    delete c3;
    EXPECT_EQ(kwVarToObject(Read(h, &other)), nullptr);

    // A component whose class is neither form, data module nor frame and not
    // registered is ignored.
    TScrHost plain(nullptr);
    plain.SetName(QStringLiteral("Plain"));
    s.AddForm(&plain);
    EXPECT_EQ(s.Find(QStringLiteral("Plain")), nullptr);
    EXPECT_EQ(s.FindClass(QStringLiteral("TScrHost")), nullptr);
    // Registered already: its components and the object are added.
    s.AddClass(TScrHost::StaticClass(), QStringLiteral("TComponent"));
    s.AddComponent(&plain);
    EXPECT_NE(s.Find(QStringLiteral("Plain")), nullptr);

    // The frame class itself names its own kind as ancestor: lookups of
    // missing members still end.
    TScrFrameBase bare(nullptr);
    bare.SetName(QStringLiteral("Bare"));
    s.AddForm(&bare);
    TkwClassVariable *fc = s.FindClass(QStringLiteral("TFrame"));
    ASSERT_NE(fc, nullptr);
    EXPECT_EQ(fc->Ancestor(), QStringLiteral("TFrame"));
    EXPECT_EQ(fc->Find(QStringLiteral("Missing")), nullptr);
}

TEST(Registration, ScriptDefaultsAndUnits)
{
    TkwScript s(nullptr);
    EXPECT_EQ(s.SyntaxType(), QStringLiteral("PascalScript"));
    ASSERT_EQ(s.IncludePath()->Count(), 1);
    EXPECT_TRUE(s.IncludePath()->Strings(0).isEmpty());
    EXPECT_EQ(s.Statement()->Count(), 0);
    EXPECT_EQ(s.Statement()->Program(), &s);
    EXPECT_EQ(GetPropInfo(&s, u"SyntaxType")->Kind(), tkLString);
    EXPECT_EQ(GetPropInfo(&s, u"OnRunLine")->Kind(), tkMethod);
    EXPECT_EQ(GetPropInfo(&s, u"Lines")->Kind(), tkClass);

    TStringList text;
    text.Add(QStringLiteral("begin end."));
    s.SetLines(&text);
    EXPECT_EQ(s.Lines()->Strings(0), QStringLiteral("begin end."));

    QString unitText;
    EXPECT_FALSE(s.DoGetUnit(QStringLiteral("u"), unitText));
    struct TUnits : TObject
    {
        void Get(TkwScript *Sender, const QString &UnitName, QString &UnitText)
        {
            From = Sender;
            UnitText = QStringLiteral("text of ") + UnitName;
        }
        TkwScript *From = nullptr;
    } units;
    s.SetOnGetUnit(TkwGetUnitEvent(&units, &TUnits::Get));
    EXPECT_TRUE(s.DoGetUnit(QStringLiteral("lib"), unitText));
    EXPECT_EQ(unitText, QStringLiteral("text of lib"));
    EXPECT_EQ(units.From, &s);
}

TEST(Registration, RunLineCallsTheFirstHandlerUpTheChain)
{
    struct TTrace : TObject
    {
        void Line(TkwScript *Sender, const QString &UnitName, const QString &SourcePos)
        {
            Lines << UnitName + QLatin1Char('@') + SourcePos;
            From = Sender;
        }
        QStringList Lines;
        TkwScript *From = nullptr;
    } outer, inner;
    TkwScript root(nullptr), mid(nullptr), leaf(nullptr);
    mid.SetParent(&root);
    leaf.SetParent(&mid);
    leaf.RunLine(QString(), QStringLiteral("1:1"));
    root.SetOnRunLine(TkwRunLineEvent(&outer, &TTrace::Line));
    leaf.RunLine(QStringLiteral("unit1"), QStringLiteral("3:5"));
    EXPECT_EQ(outer.Lines, QStringList{QStringLiteral("unit1@3:5")});
    EXPECT_EQ(outer.From, &root);
    mid.SetOnRunLine(TkwRunLineEvent(&inner, &TTrace::Line));
    leaf.RunLine(QString(), QStringLiteral("4:1"));
    EXPECT_EQ(inner.Lines.size(), 1);
    EXPECT_EQ(outer.Lines.size(), 1);
}

} // namespace
