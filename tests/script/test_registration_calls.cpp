// Calls between host and script: CallFunction and CallFunctionByRef, event
// properties bound to script procedures through adapters, and what happens
// to installed adapters when the script or the host goes first.
#include "test_registration_host.h"
#include "kw_iconst.h"
#include <gtest/gtest.h>

namespace {

TkwParamItem *AddParam(TkwProcVariable *P, const char *Name, bool VarParam = false)
{
    auto *item = new TkwParamItem(QString::fromUtf8(Name), fvtVariant, QStringLiteral("Variant"), false, VarParam);
    P->AddParam(item);
    return item;
}

TEST(HostCalls, CallFunctionPassesArgumentsByPosition)
{
    TkwScript s(nullptr);
    TkwProcVariable *f = nullptr;
    f = AddProc(s, QStringLiteral("Add"), true, [&] {
        const Variant a = f->Program()->FindLocal(QStringLiteral("a"))->GetValue();
        const Variant b = f->Program()->FindLocal(QStringLiteral("b"))->GetValue();
        f->Program()->FindLocal(QStringLiteral("Result"))->SetValue(VarAdd(a, b));
    });
    AddParam(f, "a");
    AddParam(f, "b");
    EXPECT_EQ(s.CallFunction(QStringLiteral("add"), VarArrayOf({Variant(2), Variant(3)})).AsInteger(), 5);
    // Extra arguments are ignored.
    EXPECT_EQ(s.CallFunction(QStringLiteral("Add"), VarArrayOf({Variant(1), Variant(1), Variant(99)})).AsInteger(), 2);
    // A missing argument leaves its parameter unassigned (Empty acts as 0),
    // not holding the previous call's value.
    EXPECT_EQ(s.CallFunction(QStringLiteral("Add"), VarArrayOf({Variant(4)})).AsInteger(), 4);
    // Bounds other than zero-based are taken from the low bound.
    Variant shifted = VarArrayCreate({5, 6}, varVariant);
    VarArrayPut(shifted, Variant(10), {5});
    VarArrayPut(shifted, Variant(20), {6});
    EXPECT_EQ(s.CallFunction(QStringLiteral("Add"), shifted).AsInteger(), 30);
    EXPECT_THROW(s.CallFunction(QStringLiteral("Add"), Variant(3)), EVariantError);
}

TEST(HostCalls, MissingArgumentsTakeTheirDefault)
{
    TkwScript s(nullptr);
    TkwProcVariable *f = nullptr;
    f = AddProc(s, QStringLiteral("F"), true, [&] {
        f->Program()->FindLocal(QStringLiteral("Result"))->SetValue(f->Program()->FindLocal(QStringLiteral("x"))->GetValue());
    });
    auto *x = new TkwParamItem(QStringLiteral("x"), fvtInt, QStringLiteral("Integer"), true, false);
    x->SetDefValue(Variant(7));
    f->AddParam(x);
    EXPECT_EQ(s.CallFunction(QStringLiteral("F"), VarArrayOf({Variant(1)})).AsInteger(), 1);
    EXPECT_EQ(s.CallFunction(QStringLiteral("F"), Variant()).AsInteger(), 7);
}

TEST(HostCalls, UnknownNamesAndNonProceduresGiveNull)
{
    TkwScript s(nullptr);
    s.AddVariable(QStringLiteral("v"), QStringLiteral("Variant"), Variant(1));
    EXPECT_TRUE(VarIsNull(s.CallFunction(QStringLiteral("nothing"), Variant())));
    EXPECT_TRUE(VarIsNull(s.CallFunction(QStringLiteral("v"), Variant())));
    // Only procedures of this script, not of its parents.
    TkwScript child(nullptr);
    child.SetParent(&s);
    AddProc(s, QStringLiteral("P"), false, [] {});
    EXPECT_TRUE(VarIsNull(child.CallFunction(QStringLiteral("P"), Variant())));
}

TEST(HostCalls, CallFunctionByRefCopiesParametersBack)
{
    TkwScript s(nullptr);
    TkwProcVariable *p = nullptr;
    p = AddProc(s, QStringLiteral("Twice"), false, [&] {
        TkwCustomVariable *n = p->Program()->FindLocal(QStringLiteral("n"));
        n->SetValue(VarMul(n->GetValue(), Variant(2)));
    });
    AddParam(p, "n", true);
    AddParam(p, "label");
    Variant args = VarArrayOf({Variant(21), Variant(QStringLiteral("x"))});
    EXPECT_TRUE(VarIsNull(s.CallFunctionByRef(QStringLiteral("Twice"), args)));
    EXPECT_EQ(VarArrayGet(args, {0}).AsInteger(), 42);
    EXPECT_EQ(VarArrayGet(args, {1}).AsString(), QStringLiteral("x"));

    // CallFunction leaves the caller's array alone.
    const Variant plain = VarArrayOf({Variant(5), Variant(0)});
    s.CallFunction(QStringLiteral("Twice"), plain);
    EXPECT_EQ(VarArrayGet(plain, {0}).AsInteger(), 5);
}

// --- event properties

class EventProps : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AddBaseTypes(S);
        Cls = S.AddClass(TScrHost::StaticClass(), QStringLiteral("TComponent"));
        Cls->AddEvent(QStringLiteral("OnClick"), kwEventClassOf<TScrNotifyAdapter>());
        Host = new TScrHost(nullptr);
        Proc = AddProc(S, QStringLiteral("HostClick"), false, [this] {
            ++Clicks;
            Sender = Proc->Program()->FindLocal(QStringLiteral("Sender"))->GetValue();
        });
        AddParam(Proc, "Sender");
    }
    void TearDown() override { delete Host; }

    void Assign(const Variant &Value)
    {
        TkwCustomHelper *h = Cls->Find(QStringLiteral("onclick"));
        h->SetParentRef(nullptr);
        h->SetParentValue(kwObjectToVar(Host));
        h->SetValue(Value);
    }

    TkwScript S{nullptr};
    TkwClassVariable *Cls = nullptr;
    TScrHost *Host = nullptr;
    TkwProcVariable *Proc = nullptr;
    int Clicks = 0;
    Variant Sender;
};

TEST_F(EventProps, AssigningAProcedureInstallsAnAdapter)
{
    auto *helper = dynamic_cast<TkwEventHelper *>(Cls->Find(QStringLiteral("OnClick")));
    ASSERT_NE(helper, nullptr);
    EXPECT_EQ(helper->EventClass(), kwEventClassOf<TScrNotifyAdapter>());
    const int before = S.Count();
    Assign(Variant(QStringLiteral("hostclick")));
    EXPECT_EQ(S.Count(), before + 1); // the script owns the adapter
    ASSERT_TRUE(Host->OnClick().Assigned());
    Host->Click();
    Host->Click();
    EXPECT_EQ(Clicks, 2);
    EXPECT_EQ(kwVarToObject(Sender), Host);

    // "0" (nil) clears the host's event.
    Assign(Variant(QStringLiteral("0")));
    EXPECT_FALSE(Host->OnClick().Assigned());
    Assign(Variant(QStringLiteral("HostClick")));
    Assign(Variant(0));
    EXPECT_FALSE(Host->OnClick().Assigned());
}

TEST_F(EventProps, OnlyProceduresAreHandlers)
{
    S.AddVariable(QStringLiteral("NotAProc"), QStringLiteral("Integer"), Variant(1));
    for (const char *name : {"NoSuchProc", "NotAProc", ""}) {
        try {
            Assign(Variant(QString::fromUtf8(name)));
            ADD_FAILURE() << "no error for " << name;
        } catch (const Exception &e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Event handler must be a procedure"));
            EXPECT_EQ(e.Message(), SEventError);
        }
    }
    EXPECT_FALSE(Host->OnClick().Assigned());
}

TEST_F(EventProps, ClearingTheScriptClearsTheHostsEvent)
{
    Assign(Variant(QStringLiteral("HostClick")));
    ASSERT_TRUE(Host->OnClick().Assigned());
    S.Clear();
    EXPECT_FALSE(Host->OnClick().Assigned());
    Host->Click(); // nothing left to run
    EXPECT_EQ(Clicks, 0);
}

TEST_F(EventProps, FreeingTheProcedureClearsTheHostsEvent)
{
    // The report's set-up removes what it registered (its procedures among
    // them) while the adapters stay in the script.
    TObject owner;
    S.SetAddedBy(&owner);
    TkwProcVariable *own = nullptr;
    int ownRuns = 0;
    own = AddProc(S, QStringLiteral("OwnClick"), false, [&] { ++ownRuns; });
    AddParam(own, "Sender");
    S.SetAddedBy(nullptr);
    Assign(Variant(QStringLiteral("OwnClick")));
    Host->Click();
    EXPECT_EQ(ownRuns, 1);
    S.ClearItems(&owner);
    EXPECT_EQ(S.Find(QStringLiteral("OwnClick")), nullptr);
    EXPECT_FALSE(Host->OnClick().Assigned());
    Host->Click();
    EXPECT_EQ(ownRuns, 1);
}

TEST_F(EventProps, AHandlerTheHostSetSinceStaysInstalled)
{
    struct TOwnHandler : TObject
    {
        void Click(TObject *) { ++Runs; }
        int Runs = 0;
    } own;
    Assign(Variant(QStringLiteral("HostClick")));
    Host->SetOnClick(TNotifyEvent(&own, &TOwnHandler::Click));
    S.Clear();
    ASSERT_TRUE(Host->OnClick().Assigned());
    Host->Click();
    EXPECT_EQ(own.Runs, 1);
}

TEST_F(EventProps, HostFreedBeforeTheScript)
{
    Assign(Variant(QStringLiteral("HostClick")));
    delete Host;
    Host = nullptr;
    S.Clear(); // the adapter must not touch the freed host
    SUCCEED();
}

TEST_F(EventProps, AdapterOfTheWrongSignatureIsRefused)
{
    // An adapter for another event signature cannot be installed.
    struct TValueAdapter : TkwCustomEvent
    {
        using TkwCustomEvent::TkwCustomEvent;
        void Handle(TObject *, int &) {}
        TMethod GetMethod() override
        {
            return TEvent<void(TObject *, int &)>(this, &TValueAdapter::Handle).Method();
        }
    };
    Cls->AddEvent(QStringLiteral("OnOther"), kwEventClassOf<TValueAdapter>());
    TkwCustomHelper *h = Cls->Find(QStringLiteral("OnOther"));
    h->SetParentValue(kwObjectToVar(Host));
    // No such published event on the host.
    EXPECT_THROW(h->SetValue(Variant(QStringLiteral("HostClick"))), EPropertyError);

    auto *wrong = new TkwEventHelper(QStringLiteral("OnClick"), kwEventClassOf<TValueAdapter>());
    wrong->SetScript(&S);
    wrong->SetParentValue(kwObjectToVar(Host));
    const int before = S.Count();
    EXPECT_THROW(wrong->SetValue(Variant(QStringLiteral("HostClick"))), EInvalidCast);
    EXPECT_EQ(S.Count(), before);
    EXPECT_FALSE(Host->OnClick().Assigned());
    delete wrong;
}

TEST_F(EventProps, CallHandlerFillsParametersInOrder)
{
    TkwProcVariable *p = nullptr;
    QList<Variant> seen;
    p = AddProc(S, QStringLiteral("KeyDown"), false, [&] {
        seen.clear();
        for (int i = 0; i < p->Count(); ++i)
            seen << p->Params(i)->GetValue();
        p->Params(1)->SetValue(Variant(0));
    });
    AddParam(p, "Sender");
    AddParam(p, "Key", true);
    AddParam(p, "Shift");
    TScrNotifyAdapter adapter(Host, p);
    EXPECT_EQ(adapter.Handler(), p);
    EXPECT_EQ(adapter.Sender(), Host);
    adapter.CallHandler({kwObjectToVar(Host), Variant(13), Variant(1), Variant(99)});
    ASSERT_EQ(seen.size(), 3);
    EXPECT_EQ(seen[1].AsInteger(), 13);
    EXPECT_EQ(seen[2].AsInteger(), 1);
    // The parameter keeps what the procedure left for the write-back.
    EXPECT_EQ(p->Params(1)->GetValue().AsInteger(), 0);
}

} // namespace
