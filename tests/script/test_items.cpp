// Items of the name space: variables and their conversions, value providers,
// string and array indexing, parameters, script routines and statement lists.
#include "test_registration_host.h"
#include <gtest/gtest.h>

namespace {

// Counts its own destruction.
class TCounted : public TObject
{
public:
    explicit TCounted(int &Counter) : FCounter(Counter) {}
    ~TCounted() override { ++FCounter; }

private:
    int &FCounter;
};

TEST(Items, ItemListOwnsItsItems)
{
    int freed = 0;
    {
        TkwItemList list;
        auto *a = new TCounted(freed);
        auto *b = new TCounted(freed);
        list.Add(a);
        list.Add(b);
        EXPECT_EQ(list.Count(), 2);
        EXPECT_EQ(list.Items(1), b);
        list.Remove(a);
        EXPECT_EQ(freed, 0);
        EXPECT_EQ(list.Count(), 1);
        delete a;
        EXPECT_EQ(freed, 1);
        EXPECT_THROW(list.Items(1), EListError);
        list.Clear();
        EXPECT_EQ(freed, 2);
        list.Add(new TCounted(freed));
    }
    EXPECT_EQ(freed, 3);
}

TEST(Items, TypeNames)
{
    const struct
    {
        TkwVarType Typ;
        const char *Name;
    } cases[] = {{fvtInt, "Integer"},   {fvtBool, "Boolean"}, {fvtFloat, "Extended"},       {fvtChar, "Char"},
                 {fvtString, "String"}, {fvtClass, "TMine"},  {fvtArray, "Array"},          {fvtVariant, "Variant"},
                 {fvtEnum, "TMine"},    {fvtConstructor, "Variant"}};
    for (const auto &c : cases) {
        TkwVariable v(QStringLiteral("v"), c.Typ, QStringLiteral("TMine"));
        EXPECT_EQ(v.GetTypeName(), QString::fromUtf8(c.Name)) << c.Name;
    }
}

TEST(Items, VariableConvertsToItsType)
{
    TkwVariable i(QStringLiteral("i"), fvtInt, QStringLiteral("Integer"));
    i.SetValue(Variant(2.7));
    EXPECT_EQ(VarType(i.GetValue()), varInteger);
    EXPECT_EQ(i.GetValue().AsInteger(), Variant(2.7).AsInteger());
    i.SetValue(Variant(QStringLiteral("12")));
    EXPECT_EQ(i.GetValue().AsInteger(), 12);

    TkwVariable b(QStringLiteral("b"), fvtBool, QStringLiteral("Boolean"));
    b.SetValue(Variant(1));
    EXPECT_EQ(VarType(b.GetValue()), varBoolean);
    EXPECT_TRUE(b.GetValue().AsBoolean());

    TkwVariable f(QStringLiteral("f"), fvtFloat, QStringLiteral("Extended"));
    f.SetValue(Variant(3));
    EXPECT_EQ(VarType(f.GetValue()), varDouble);

    TkwVariable s(QStringLiteral("s"), fvtString, QStringLiteral("String"));
    s.SetValue(Variant(5));
    EXPECT_EQ(VarType(s.GetValue()), varString);
    EXPECT_EQ(s.GetValue().AsString(), QStringLiteral("5"));

    // Other types keep what they are given.
    TkwVariable v(QStringLiteral("v"), fvtVariant, QStringLiteral("Variant"));
    v.SetValue(Variant(2.5));
    EXPECT_EQ(VarType(v.GetValue()), varDouble);
    TkwVariable e(QStringLiteral("e"), fvtEnum, QStringLiteral("TAlign"));
    e.SetValue(Variant(QStringLiteral("x")));
    EXPECT_EQ(VarType(e.GetValue()), varString);

    // A value that does not convert raises and leaves the old one.
    EXPECT_THROW(i.SetValue(Variant(QStringLiteral("abc"))), EVariantError);
    EXPECT_EQ(i.GetValue().AsInteger(), 12);

    i.SetIsReadOnly(true);
    i.SetValue(Variant(99));
    EXPECT_EQ(i.GetValue().AsInteger(), 12);
}

TEST(Items, ValueProviderAnswersUnlessNull)
{
    TScrHandler h;
    TkwVariable v(QStringLiteral("Total"), fvtInt, QStringLiteral("Integer"));
    v.SetValue(Variant(5));
    v.SetOnGetVarValue(h.VarEvent());
    h.Result = Null();
    EXPECT_EQ(v.GetValue().AsInteger(), 5);
    EXPECT_EQ(h.Names.value(0), QStringLiteral("Total"));
    EXPECT_EQ(h.LastTyp, fvtInt);
    EXPECT_EQ(h.LastOld.AsInteger(), 5);
    h.Result = Variant(8);
    EXPECT_EQ(v.GetValue().AsInteger(), 8);
    // An unassigned answer is an answer.
    h.Result = Variant();
    EXPECT_TRUE(VarIsEmpty(v.GetValue()));

    TkwStringVariable s(QStringLiteral("Name"), fvtString, QStringLiteral("String"));
    s.SetValue(Variant(QStringLiteral("abc")));
    s.SetOnGetVarValue(h.VarEvent());
    h.Result = Null();
    EXPECT_EQ(s.GetValue().AsString(), QStringLiteral("abc"));
    h.Result = Variant(QStringLiteral("xyz"));
    EXPECT_EQ(s.GetValue().AsString(), QStringLiteral("xyz"));
}

TEST(Items, StringVariableCharacters)
{
    TkwStringVariable s(QStringLiteral("s"), fvtString, QStringLiteral("String"));
    s.SetValue(Variant(QStringLiteral("abc")));
    EXPECT_EQ(s.GetChar(1), QStringLiteral("a"));
    EXPECT_EQ(s.GetChar(3), QStringLiteral("c"));
    s.SetChar(2, QLatin1Char('X'));
    EXPECT_EQ(s.GetValue().AsString(), QStringLiteral("aXc"));
    EXPECT_EQ(s.Value().AsString(), QStringLiteral("aXc"));
    for (int bad : {0, -1, 4})
        EXPECT_THROW(s.GetChar(bad), ERangeError) << bad;
    EXPECT_THROW(s.SetChar(4, QLatin1Char('y')), ERangeError);
    EXPECT_EQ(s.Str(), QStringLiteral("aXc"));
    s.SetValue(Variant(7));
    EXPECT_EQ(s.Str(), QStringLiteral("7"));
    s.SetIsReadOnly(true);
    s.SetChar(1, QLatin1Char('8'));
    s.SetValue(Variant(QStringLiteral("no")));
    EXPECT_EQ(s.Str(), QStringLiteral("7"));
}

TEST(Items, StringHelperReadsAndReplacesOneCharacter)
{
    TkwStringHelper h;
    EXPECT_EQ(h.Typ(), fvtChar);
    EXPECT_EQ(h.Count(), 1);

    TkwStringVariable s(QStringLiteral("s"), fvtString, QStringLiteral("String"));
    s.SetValue(Variant(QStringLiteral("hello")));
    h.SetParentRef(&s);
    h.SetParentValue(s.GetValue());
    h.Params(0)->SetValue(Variant(2));
    EXPECT_EQ(h.GetValue().AsString(), QStringLiteral("e"));
    h.SetValue(Variant(QStringLiteral("AB")));
    EXPECT_EQ(s.Str(), QStringLiteral("hAllo"));

    // A plain variable gets the whole string written back.
    TkwVariable v(QStringLiteral("v"), fvtVariant, QStringLiteral("Variant"));
    v.SetValue(Variant(QStringLiteral("xyz")));
    h.SetParentRef(&v);
    h.SetParentValue(v.GetValue());
    h.Params(0)->SetValue(Variant(3));
    h.SetValue(Variant(QStringLiteral("Q")));
    EXPECT_EQ(v.GetValue().AsString(), QStringLiteral("xyQ"));
}

TEST(Items, StringHelperOutsideTheStringRaises)
{
    TkwStringHelper h;
    TkwStringVariable s(QStringLiteral("s"), fvtString, QStringLiteral("String"));
    s.SetValue(Variant(QStringLiteral("abc")));
    for (int index : {0, 4, -5, 1000000}) {
        h.SetParentRef(&s);
        h.SetParentValue(s.GetValue());
        h.Params(0)->SetValue(Variant(index));
        EXPECT_THROW(h.GetValue(), ERangeError) << index;
        EXPECT_THROW(h.SetValue(Variant(QStringLiteral("z"))), ERangeError) << index;
    }
    EXPECT_EQ(s.Str(), QStringLiteral("abc"));

    TkwVariable v(QStringLiteral("v"), fvtVariant, QStringLiteral("Variant"));
    v.SetValue(Variant(QString()));
    h.SetParentRef(&v);
    h.SetParentValue(v.GetValue());
    h.Params(0)->SetValue(Variant(1));
    EXPECT_THROW(h.GetValue(), ERangeError);
    EXPECT_THROW(h.SetValue(Variant(QStringLiteral("z"))), ERangeError);
    EXPECT_EQ(v.GetValue().AsString(), QString());
}

TEST(Items, ArrayHelperOneToThreeDimensions)
{
    TkwVariable a(QStringLiteral("a"), fvtArray, QStringLiteral("Array"));
    a.SetValue(VarArrayCreate({0, 4}, varVariant));
    TkwArrayHelper h1(QStringLiteral("a"), 1);
    h1.Params(0)->SetValue(Variant(3));
    h1.SetParentRef(&a);
    h1.SetParentValue(a.GetValue());
    h1.SetValue(Variant(QStringLiteral("three")));
    EXPECT_EQ(VarArrayGet(a.GetValue(), {3}).AsString(), QStringLiteral("three"));
    h1.SetParentValue(a.GetValue());
    EXPECT_EQ(h1.GetValue().AsString(), QStringLiteral("three"));

    TkwVariable b(QStringLiteral("b"), fvtArray, QStringLiteral("Array"));
    b.SetValue(VarArrayCreate({1, 2, 1, 3, 0, 1}, varInteger));
    TkwArrayHelper h3(QStringLiteral("__ArrayHelper"), 3, fvtVariant, QStringLiteral("Variant"), 1);
    EXPECT_EQ(h3.RequiredParamCount(), 1);
    EXPECT_EQ(h3.Count(), 3);
    h3.Params(0)->SetValue(Variant(2));
    h3.Params(1)->SetValue(Variant(3));
    h3.Params(2)->SetValue(Variant(1));
    h3.SetParentRef(&b);
    h3.SetParentValue(b.GetValue());
    h3.SetValue(Variant(QStringLiteral("17")));
    EXPECT_EQ(VarArrayGet(b.GetValue(), {2, 3, 1}).AsInteger(), 17);
    EXPECT_EQ(VarArrayGet(b.GetValue(), {1, 1, 0}).AsInteger(), 0);
    h3.SetParentValue(b.GetValue());
    EXPECT_EQ(h3.GetValue().AsInteger(), 17);

    // A 2-dimensional array uses the first two indexes.
    TkwVariable c(QStringLiteral("c"), fvtArray, QStringLiteral("Array"));
    c.SetValue(VarArrayCreate({0, 1, 0, 1}, varVariant));
    h3.SetParentRef(&c);
    h3.SetParentValue(c.GetValue());
    h3.Params(0)->SetValue(Variant(1));
    h3.Params(1)->SetValue(Variant(0));
    h3.SetValue(Variant(5));
    EXPECT_EQ(VarArrayGet(c.GetValue(), {1, 0}).AsInteger(), 5);

    // Outside the bounds: the platform's error.
    h1.SetParentValue(a.GetValue());
    h1.Params(0)->SetValue(Variant(5));
    EXPECT_THROW(h1.GetValue(), EVariantError);
}

TEST(Items, ArrayHelperOnANonArrayReadsNullAndWritesNothing)
{
    TkwVariable v(QStringLiteral("v"), fvtVariant, QStringLiteral("Variant"));
    v.SetValue(Variant(3));
    TkwArrayHelper h(QStringLiteral("__ArrayHelper"), 3, fvtVariant, QStringLiteral("Variant"), 1);
    h.Params(0)->SetValue(Variant(0));
    h.SetParentRef(&v);
    h.SetParentValue(v.GetValue());
    EXPECT_TRUE(VarIsNull(h.GetValue()));
    h.SetValue(Variant(9));
    EXPECT_EQ(v.GetValue().AsInteger(), 3);
}

TEST(Items, ArrayWritesDoNotTouchCopies)
{
    TkwVariable a(QStringLiteral("a"), fvtArray, QStringLiteral("Array"));
    a.SetValue(VarArrayOf({Variant(1), Variant(2)}));
    const Variant copy = a.GetValue();
    TkwArrayHelper h(QStringLiteral("a"), 1);
    h.Params(0)->SetValue(Variant(0));
    h.SetParentRef(&a);
    h.SetParentValue(a.GetValue());
    h.SetValue(Variant(10));
    EXPECT_EQ(VarArrayGet(a.GetValue(), {0}).AsInteger(), 10);
    EXPECT_EQ(VarArrayGet(copy, {0}).AsInteger(), 1);
}

TEST(Items, ParamItems)
{
    TkwParamItem p(QStringLiteral("x"), fvtInt, QStringLiteral("Integer"), true, true);
    EXPECT_TRUE(p.IsOptional());
    EXPECT_TRUE(p.IsVarParam());
    EXPECT_TRUE(VarIsEmpty(p.DefValue()));
    p.SetDefValue(Variant(4));
    EXPECT_EQ(p.DefValue().AsInteger(), 4);
    p.SetValue(Variant(2.5));
    EXPECT_EQ(VarType(p.GetValue()), varDouble);
}

TEST(Items, ProcedureRunsItsProgram)
{
    TkwScript s(nullptr);
    int runs = 0;
    TkwProcVariable *f = nullptr;
    f = AddProc(s, QStringLiteral("F"), true, [&] {
        ++runs;
        EXPECT_TRUE(f->Executing());
        EXPECT_TRUE(f->Program()->IsRunning());
        f->Program()->FindLocal(QStringLiteral("Result"))->SetValue(Variant(runs * 10));
    });
    EXPECT_TRUE(f->IsReadOnly());
    EXPECT_TRUE(f->IsFunc());
    EXPECT_EQ(f->Program()->Parent(), &s);
    ASSERT_NE(f->Program()->FindLocal(QStringLiteral("result")), nullptr);
    EXPECT_EQ(f->GetValue().AsInteger(), 10);
    EXPECT_EQ(f->GetValue().AsInteger(), 20);
    EXPECT_FALSE(f->Executing());
    EXPECT_FALSE(f->Program()->IsRunning());

    // A function that never assigns Result gives unassigned, not the last value.
    TkwProcVariable *g = AddProc(s, QStringLiteral("G"), true, [] {});
    g->Program()->FindLocal(QStringLiteral("Result"))->SetValue(Variant(1));
    EXPECT_TRUE(VarIsEmpty(g->GetValue()));

    TkwProcVariable *p = AddProc(s, QStringLiteral("P"), false, [] {});
    EXPECT_EQ(p->Program()->FindLocal(QStringLiteral("Result")), nullptr);
    EXPECT_TRUE(VarIsNull(p->GetValue()));
}

TEST(Items, ProcedureRestoresStateWhenItRaises)
{
    TkwScript s(nullptr);
    s.SetIsExecutionRoot(true);
    TkwScript other(nullptr);
    s.SetRunningProgram(&other);
    TkwProcVariable *f = nullptr;
    f = AddProc(s, QStringLiteral("F"), true, [&] {
        EXPECT_EQ(s.RunningProgram(), f->Program());
        f->Program()->SetExitCalled(true);
        throw EConvertError(QStringLiteral("boom"));
    });
    EXPECT_THROW(f->GetValue(), EConvertError);
    EXPECT_FALSE(f->Executing());
    EXPECT_FALSE(f->Program()->IsRunning());
    EXPECT_FALSE(f->Program()->ExitCalled());
    EXPECT_EQ(s.RunningProgram(), &other);
}

TEST(Items, ParametersBelongToTheProgram)
{
    TkwScript s(nullptr);
    auto *proc = new TkwProcVariable(QStringLiteral("P"), fvtClass, QString(), &s, false);
    s.Add(QStringLiteral("P"), proc);
    auto *a = new TkwParamItem(QStringLiteral("A"), fvtInt, QStringLiteral("Integer"), false, true);
    proc->AddParam(a);
    EXPECT_EQ(proc->Count(), 1);
    EXPECT_EQ(proc->Params(0), a);
    EXPECT_EQ(proc->Program()->FindLocal(QStringLiteral("a")), a);
    // Freed once, by the program, when the script clears.
    s.Clear();
    EXPECT_EQ(s.Count(), 0);
}

TEST(Items, StatementListStopsOnFlags)
{
    TkwScript s(nullptr);
    QStringList trace;
    TkwStatement list(&s, QString(), QString());
    list.Add(new TScrStmt(&s, [&] { trace << QStringLiteral("a"); }));
    list.Add(new TScrStmt(&s, [&] {
        trace << QStringLiteral("b");
        s.SetBreakCalled(true);
    }));
    list.Add(new TScrStmt(&s, [&] { trace << QStringLiteral("c"); }));
    list.Execute();
    EXPECT_EQ(trace.join(QString()), QStringLiteral("ab"));

    s.SetBreakCalled(false);
    s.SetTerminated(true);
    trace.clear();
    list.Execute();
    EXPECT_TRUE(trace.isEmpty());

    s.SetTerminated(false);
    s.SetExitCalled(true);
    trace.clear();
    TkwStatement exits(&s, QString(), QString());
    exits.Add(new TScrStmt(&s, [&] { trace << QStringLiteral("x"); }));
    exits.Add(new TScrStmt(&s, [&] { trace << QStringLiteral("y"); }));
    exits.Execute();
    EXPECT_EQ(trace.join(QString()), QStringLiteral("x"));
}

} // namespace
