// TComponent ownership, names, notifications and state; TCollection items.
#include "Collection.h"
#include "Component.h"
#include <gtest/gtest.h>
#include <memory>

namespace {

std::vector<QString> *gLog = nullptr;

// A component that records its destruction and the notifications it gets,
// and keeps one reference to another component.
class TLogComponent : public TComponent
{
public:
    explicit TLogComponent(TComponent *AOwner, const QString &AName = QString()) : TComponent(AOwner)
    {
        if (!AName.isEmpty())
            SetName(AName);
    }
    ~TLogComponent() override
    {
        if (gLog)
            gLog->push_back(QStringLiteral("free %1%2").arg(Name(), ComponentState().Contains(csDestroying) ? "*" : ""));
    }
    TComponent *Ref = nullptr;
    std::vector<QString> Heard;
    void SetRef(TComponent *Value)
    {
        Ref = Value;
        if (Value)
            Value->FreeNotification(this);
    }
    using TComponent::SetAncestor;
    using TComponent::SetDesigning;

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override
    {
        TComponent::Notification(AComponent, Operation);
        Heard.push_back(QStringLiteral("%1 %2").arg(Operation == opInsert ? "insert" : "remove",
                                                       AComponent ? AComponent->Name() : QString()));
        if (Operation == opRemove && AComponent == Ref)
            Ref = nullptr;
    }

public:
    void Loaded() override
    {
        TComponent::Loaded();
        Heard.push_back(QStringLiteral("loaded"));
    }
};

} // namespace

TEST(Component, OwnerFreesOwnedInReverseOrderOfCreation)
{
    std::vector<QString> log;
    gLog = &log;
    {
        auto *owner = new TLogComponent(nullptr, QStringLiteral("Owner"));
        new TLogComponent(owner, QStringLiteral("A"));
        auto *b = new TLogComponent(owner, QStringLiteral("B"));
        new TLogComponent(b, QStringLiteral("B1"));
        new TLogComponent(owner, QStringLiteral("C"));
        EXPECT_EQ(owner->ComponentCount(), 3);
        EXPECT_EQ(b->Owner(), owner);
        EXPECT_EQ(b->ComponentIndex(), 1);
        owner->Free();
    }
    gLog = nullptr;
    // The owner's own destructor body runs first (C++ order), then its
    // components go, last created first; every one is marked destroying.
    const std::vector<QString> expected = {"free Owner*", "free C*", "free B*", "free B1*", "free A*"};
    EXPECT_EQ(log, expected);
}

TEST(Component, FreeingAnOwnedComponentLeavesTheOwner)
{
    TLogComponent owner(nullptr, QStringLiteral("Owner"));
    auto *a = new TLogComponent(&owner, QStringLiteral("A"));
    auto *b = new TLogComponent(&owner, QStringLiteral("B"));
    EXPECT_EQ(owner.Heard, (std::vector<QString>{"insert ", "insert "}));
    owner.Heard.clear();
    delete a;
    EXPECT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(owner.Components(0), b);
    // The owner and its other components hear of the removal.
    EXPECT_EQ(owner.Heard, (std::vector<QString>{"remove A"}));
    EXPECT_EQ(b->Heard, (std::vector<QString>{"remove A"}));
    try {
        owner.Components(1);
        FAIL();
    } catch (const EListError &e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (1)");
    }
    EXPECT_THROW(owner.Components(-1), EListError);
}

TEST(Component, NamesAreValidAndUniqueWithinOwner)
{
    TComponent owner(nullptr);
    auto *a = new TComponent(&owner);
    a->SetName(QStringLiteral("Button1"));
    auto *b = new TComponent(&owner);
    struct Case
    {
        const char *Name;
        const char *Message;
    };
    const Case bad[] = {
        {"1abc", "'1abc' is not a valid component name"},
        {"a b", "'a b' is not a valid component name"},
        {"a.b", "'a.b' is not a valid component name"},
        {"称重", "'称重' is not a valid component name"},
        {"BUTTON1", "A component named BUTTON1 already exists"},
        {"Button1", "A component named Button1 already exists"},
    };
    for (const Case &c : bad) {
        try {
            b->SetName(QString::fromUtf8(c.Name));
            ADD_FAILURE() << c.Name;
        } catch (const EComponentError &e) {
            EXPECT_EQ(e.Message(), QString::fromUtf8(c.Message));
        }
        EXPECT_EQ(b->Name(), QString());
    }
    b->SetName(QStringLiteral("_Button2"));
    EXPECT_EQ(b->Name(), "_Button2");
    // A component may change the case of its own name; empty names repeat freely.
    a->SetName(QStringLiteral("BUTTON1"));
    EXPECT_EQ(a->Name(), "BUTTON1");
    auto *c = new TComponent(&owner);
    auto *d = new TComponent(&owner);
    EXPECT_EQ(c->Name(), d->Name());
    // The same name under another owner is fine.
    TComponent other(nullptr);
    auto *e = new TComponent(&other);
    e->SetName(QStringLiteral("Button1"));
    // ...but moving it in is not.
    EXPECT_THROW(owner.InsertComponent(e), EComponentError);
    EXPECT_EQ(e->Owner(), &other);
    e->SetName(QStringLiteral("Button3"));
    owner.InsertComponent(e);
    EXPECT_EQ(e->Owner(), &owner);
    EXPECT_EQ(other.ComponentCount(), 0);

    EXPECT_EQ(owner.FindComponent(QStringLiteral("button1")), a);
    EXPECT_EQ(owner.FindComponent(QStringLiteral("_BUTTON2")), b);
    EXPECT_EQ(owner.FindComponent(QStringLiteral("Button9")), nullptr);
    EXPECT_EQ(owner.FindComponent(QString()), nullptr);
}

TEST(Component, FreeNotificationsClearReferences)
{
    TLogComponent holderOwner(nullptr, QStringLiteral("HolderOwner"));
    TLogComponent targetOwner(nullptr, QStringLiteral("TargetOwner"));
    auto *holder = new TLogComponent(&holderOwner, QStringLiteral("Holder"));
    auto *target = new TLogComponent(&targetOwner, QStringLiteral("Target"));
    auto *other = new TLogComponent(&targetOwner, QStringLiteral("Other"));
    holder->SetRef(target);
    EXPECT_TRUE(target->ComponentState().Contains(csFreeNotification));
    EXPECT_TRUE(holder->ComponentState().Contains(csFreeNotification));
    delete target;
    EXPECT_EQ(holder->Ref, nullptr);
    EXPECT_EQ(holder->Heard, (std::vector<QString>{"remove Target"}));

    // Removed notification: nothing is heard.
    holder->Heard.clear();
    holder->SetRef(other);
    other->RemoveFreeNotification(holder);
    delete other;
    EXPECT_EQ(holder->Ref, other);
    EXPECT_TRUE(holder->Heard.empty());
    holder->Ref = nullptr;

    // The holder goes first: the target no longer knows it.
    auto *target2 = new TLogComponent(&targetOwner, QStringLiteral("Target2"));
    holder->SetRef(target2);
    delete holder;
    EXPECT_EQ(target2->Heard, (std::vector<QString>{"remove Holder"}));
    delete target2; // must not touch the freed holder

    // Siblings under one owner hear of each other through the owner.
    auto *s1 = new TLogComponent(&targetOwner, QStringLiteral("S1"));
    auto *s2 = new TLogComponent(&targetOwner, QStringLiteral("S2"));
    s1->SetRef(s2);
    delete s2;
    EXPECT_EQ(s1->Ref, nullptr);
}

TEST(Component, StateDesigningAncestorLoading)
{
    TLogComponent owner(nullptr, QStringLiteral("Owner"));
    auto *a = new TLogComponent(&owner, QStringLiteral("A"));
    owner.SetDesigning(true);
    EXPECT_TRUE(a->ComponentState().Contains(csDesigning));
    // Components inserted later inherit the designing state.
    auto *b = new TLogComponent(&owner, QStringLiteral("B"));
    EXPECT_TRUE(b->ComponentState().Contains(csDesigning));
    owner.SetDesigning(false);
    EXPECT_FALSE(b->ComponentState().Contains(csDesigning));
    owner.SetAncestor(true);
    EXPECT_TRUE(owner.ComponentState().Contains(csAncestor));
    EXPECT_TRUE(a->ComponentState().Contains(csAncestor));
    owner.SetAncestor(false);
    EXPECT_FALSE(a->ComponentState().Contains(csAncestor));

    a->SetLoading(true);
    EXPECT_TRUE(a->ComponentState().Contains(csLoading));
    a->Loaded();
    EXPECT_FALSE(a->ComponentState().Contains(csLoading));
    EXPECT_EQ(a->Heard.back(), "loaded");
    EXPECT_FALSE(owner.ComponentState().Contains(csDestroying));

    // Tag and name through the published properties.
    EXPECT_EQ(GetPropInfo(a, u"Tag")->Default(), 0);
    SetOrdProp(a, u"Tag", -3);
    EXPECT_EQ(a->Tag(), -3);
    EXPECT_THROW(SetStrProp(a, u"Name", QStringLiteral("B")), EComponentError);
}

// ---------------------------------------------------------------------------
// Collections

namespace {

class TTestItem : public TCollectionItem
{
    STATION_CLASS(TTestItem, TCollectionItem)
public:
    explicit TTestItem(TCollection *Collection) : TCollectionItem(Collection) {}
    int Value() const { return FValue; }
    void SetValue(int V) { FValue = V; }
    void Assign(TPersistent *Source) override
    {
        if (auto *s = dynamic_cast<TTestItem *>(Source)) {
            FValue = s->FValue;
            return;
        }
        TCollectionItem::Assign(Source);
    }

private:
    int FValue = 0;
};

class TTestCollection : public TCollection
{
public:
    TTestCollection() : TCollection(TTestItem::StaticClass()) {}
    int Updates = 0;
    std::vector<QString> Notes;

protected:
    void Update(TCollectionItem *) override { ++Updates; }
    void Notify(TCollectionItem *Item, TCollectionNotification Action) override
    {
        Notes.push_back(QStringLiteral("%1 %2").arg(GetEnumName(TypeInfoOf<TCollectionNotification>(), Action))
                            .arg(Item->ID()));
    }
};

} // namespace

STATION_PUBLISHED(TTestItem)
{
    P.Prop("Value", &TTestItem::Value, &TTestItem::SetValue).Default(0);
}

static std::vector<int> Values(const TCollection &c)
{
    std::vector<int> v;
    for (int i = 0; i < c.Count(); ++i)
        v.push_back(static_cast<TTestItem *>(c.Items(i))->Value());
    return v;
}

TEST(Collection, AddInsertDeleteClear)
{
    TTestCollection c;
    EXPECT_EQ(c.ItemClass(), TTestItem::StaticClass());
    for (int i = 1; i <= 3; ++i)
        static_cast<TTestItem *>(c.Add())->SetValue(i);
    EXPECT_EQ(Values(c), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(c.Items(2)->ClassType(), TTestItem::StaticClass());
    EXPECT_EQ(c.Items(1)->Collection(), &c);
    EXPECT_EQ(c.Items(1)->Index(), 1);
    EXPECT_EQ(c.Items(2)->ID(), 2);

    static_cast<TTestItem *>(c.Insert(0))->SetValue(0);
    EXPECT_EQ(Values(c), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(c.Items(0)->ID(), 3);
    EXPECT_EQ(c.FindItemID(3), c.Items(0));
    EXPECT_EQ(c.FindItemID(99), nullptr);

    c.Delete(1);
    EXPECT_EQ(Values(c), (std::vector<int>{0, 2, 3}));
    // An item freed on its own leaves the collection.
    delete c.Items(0);
    EXPECT_EQ(Values(c), (std::vector<int>{2, 3}));
    c.Items(1)->SetIndex(0);
    EXPECT_EQ(Values(c), (std::vector<int>{3, 2}));

    try {
        c.Items(2);
        FAIL();
    } catch (const EListError &e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (2)");
    }
    EXPECT_THROW(c.Delete(-1), EListError);
    EXPECT_THROW(c.Insert(5), EListError);

    c.Notes.clear();
    const int updates = c.Updates;
    c.Clear();
    EXPECT_EQ(c.Count(), 0);
    // One update for the whole clear.
    EXPECT_EQ(c.Updates, updates + 1);
    EXPECT_EQ(c.Notes, (std::vector<QString>{"cnExtracting 1", "cnExtracting 2"}));
}

TEST(Collection, AssignCopiesItems)
{
    TTestCollection a, b;
    for (int i = 5; i < 8; ++i)
        static_cast<TTestItem *>(a.Add())->SetValue(i);
    static_cast<TTestItem *>(b.Add())->SetValue(99);
    b.Assign(&a);
    EXPECT_EQ(Values(b), (std::vector<int>{5, 6, 7}));
    b.SetItems(0, a.Items(2));
    EXPECT_EQ(Values(b), (std::vector<int>{7, 6, 7}));
}

TEST(Component, ComponentsLeaveTheOwnerInAnyOrder)
{
    // Freed from the end, from the front and from the middle, the others
    // keep their order.
    TLogComponent owner(nullptr, QStringLiteral("Owner"));
    std::vector<TLogComponent *> c;
    for (int i = 0; i < 6; ++i)
        c.push_back(new TLogComponent(&owner, QStringLiteral("C%1").arg(i)));
    delete c[5];
    delete c[0];
    delete c[3];
    ASSERT_EQ(owner.ComponentCount(), 3);
    EXPECT_EQ(owner.Components(0), c[1]);
    EXPECT_EQ(owner.Components(1), c[2]);
    EXPECT_EQ(owner.Components(2), c[4]);
    EXPECT_EQ(c[4]->ComponentIndex(), 2);
}
