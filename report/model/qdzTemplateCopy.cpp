// The template kept in memory during a build and put back into its own objects afterwards.
#include "qdzTemplateCopy.h"
#include "qdzClass.h"
#include "qdzVariables.h"
#include "qdzWideStrings.h"
#include "qdzXMLSerializer.h"

#include "platform/Component.h"
#include "platform/Graphics.h"

#include <QSet>
#include <cmath>

// One value of an object: a property of the object or of an object it
// holds (Font, Frame), the memo text, or the defined data.
struct TqdzTemplateCopy::TSlot
{
    enum TKind : quint8 { Ord, Float, Str, Var, Ref, Strings, WideStrings, MemoText, Defined, Held };
    TPersistent *Holder;
    PPropInfo Prop;
    TKind Kind;
};

// How the values of one class are reached, found once per class: each step
// reads a value of holder From (0: the object itself), or, for Held, takes
// the object a property holds as holder To, of class Class.
struct TqdzTemplateCopy::TStep
{
    PPropInfo Prop;
    TSlot::TKind Kind;
    quint16 From;
    quint16 To;
    TClass Class;
};

namespace {

using TSlot = TqdzTemplateCopy::TSlot;
using TStep = TqdzTemplateCopy::TStep;
using TValue = TqdzTemplateCopy::TValue;

bool SameValue(const TValue &A, const TValue &B)
{
    if (A.index() != B.index())
        return false;
    if (const auto *a = std::get_if<qint64>(&A))
        return *a == std::get<qint64>(B);
    if (const auto *a = std::get_if<QString>(&A))
        return *a == std::get<QString>(B);
    if (const auto *a = std::get_if<TObject *>(&A))
        return *a == std::get<TObject *>(B);
    if (const auto *a = std::get_if<QByteArray>(&A))
        return *a == std::get<QByteArray>(B);
    if (const auto *a = std::get_if<double>(&A)) {
        const double b = std::get<double>(B);
        return *a == b || (std::isnan(*a) && std::isnan(b));
    }
    if (const auto *a = std::get_if<Variant>(&A)) {
        const Variant &b = std::get<Variant>(B);
        if (a->VType() != b.VType())
            return false;
        try {
            return VarCompareValue(*a, b) == vrEqual;
        } catch (const Exception &) {
            return false;
        }
    }
    return true;
}

// Getters of report objects give their stored values while they are written.
class TWriting
{
public:
    explicit TWriting(TqdzComponent *AObject) : FObject(AObject), FWas(AObject->IsWriting())
    {
        FObject->SetIsWriting(true);
    }
    ~TWriting() { FObject->SetIsWriting(FWas); }
    TWriting(const TWriting &) = delete;
    TWriting &operator=(const TWriting &) = delete;

private:
    TqdzComponent *FObject;
    bool FWas;
};

// The steps of Holder's class (an example object of it), the values the
// template format keeps: writable properties, string lists as their text,
// references, and the properties of held objects, a held picture as its
// defined data.
void AddSteps(TPersistent *Holder, quint16 From, std::vector<TStep> &Out, quint16 &Holders,
              std::vector<TClass> &Path)
{
    TClass cls = Holder->ClassType();
    if (std::find(Path.begin(), Path.end(), cls) != Path.end())
        return;
    Path.push_back(cls);
    for (PPropInfo p : cls->Properties()) {
        // The name is put back apart: names must stay unique on the way.
        if (p->Kind() == tkMethod || (p->DeclaringClass() == TComponent::StaticClass() && p->Name() == u"Name"))
            continue;
        if (p->Kind() == tkClass) {
            TObject *o = p->GetObject(Holder);
            TClass declared = p->PropType()->ClassType();
            if ((declared && declared->InheritsFrom(TComponent::StaticClass())) || dynamic_cast<TComponent *>(o)) {
                if (p->IsWritable())
                    Out.push_back({p, TSlot::Ref, From, 0, nullptr});
            } else if (dynamic_cast<TStrings *>(o)) {
                Out.push_back({p, TSlot::Strings, From, 0, TStrings::StaticClass()});
            } else if (dynamic_cast<TWideStrings *>(o)) {
                Out.push_back({p, TSlot::WideStrings, From, 0, TWideStrings::StaticClass()});
            } else if (dynamic_cast<TPicture *>(o)) {
                Out.push_back({p, TSlot::Defined, From, 0, TPicture::StaticClass()});
            } else if (auto *held = dynamic_cast<TPersistent *>(o)) {
                const quint16 to = Holders++;
                Out.push_back({p, TSlot::Held, From, to, held->ClassType()});
                AddSteps(held, to, Out, Holders, Path);
            }
            continue;
        }
        if (!p->IsWritable())
            continue;
        switch (p->Kind()) {
        case tkInteger:
        case tkChar:
        case tkWChar:
        case tkEnumeration:
        case tkSet:
            Out.push_back({p, TSlot::Ord, From, 0, nullptr});
            break;
        case tkFloat:
            Out.push_back({p, TSlot::Float, From, 0, nullptr});
            break;
        case tkString:
        case tkLString:
        case tkWString:
            Out.push_back({p, TSlot::Str, From, 0, nullptr});
            break;
        case tkVariant:
            Out.push_back({p, TSlot::Var, From, 0, nullptr});
            break;
        default:
            break;
        }
    }
    Path.pop_back();
}

} // namespace

// Hears of the end of objects outside the template that its references
// name, so that a freed one is not put back.
class TqdzTemplateCopy::TWatch : public TComponent
{
public:
    TWatch() : TComponent(nullptr) {}
    void Watch(TComponent *C)
    {
        if (!FWatched.contains(C)) {
            FWatched.insert(C);
            C->FreeNotification(this);
        }
    }
    bool Gone(const TObject *C) const { return FGone.contains(C); }

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override
    {
        if (Operation == opRemove)
            FGone.insert(AComponent);
        TComponent::Notification(AComponent, Operation);
    }

private:
    QSet<const TObject *> FWatched;
    QSet<const TObject *> FGone;
};

TqdzTemplateCopy::TqdzTemplateCopy(TqdzReport *AReport)
    : FReport(AReport), FSerializer(std::make_unique<TqdzXMLSerializer>(nullptr)), FWatch(std::make_unique<TWatch>())
{
    FSerializer->SetOwner(AReport);
}

TqdzTemplateCopy::~TqdzTemplateCopy() = default;

const TqdzTemplateCopy::TPlan &TqdzTemplateCopy::PlanOf(TqdzComponent *Obj)
{
    const TClass cls = Obj->ClassType();
    auto it = FPlans.find(cls);
    if (it != FPlans.end())
        return it->second;
    TPlan plan;
    std::vector<TClass> path;
    plan.Holders = 1;
    AddSteps(Obj, 0, plan.Steps, plan.Holders, path);
    if (cls->InheritsFrom(TqdzCustomMemoView::StaticClass()))
        plan.Steps.push_back({nullptr, TSlot::MemoText, 0, 0, nullptr});
    plan.Steps.push_back({nullptr, TSlot::Defined, 0, 0, nullptr});
    return FPlans.emplace(cls, std::move(plan)).first->second;
}

void TqdzTemplateCopy::Slots(TqdzComponent *Obj, std::vector<TSlot> &Out)
{
    const TPlan &plan = PlanOf(Obj);
    Out.clear();
    FHolders.assign(plan.Holders, nullptr);
    FHolders[0] = Obj;
    for (const TStep &step : plan.Steps) {
        TPersistent *holder = FHolders[step.From];
        if (step.Kind == TSlot::Held) {
            TObject *o = holder ? step.Prop->GetObject(holder) : nullptr;
            FHolders[step.To] = o && o->ClassType() == step.Class ? static_cast<TPersistent *>(o) : nullptr;
            continue;
        }
        if (holder && step.Class) {
            // The held list or picture itself.
            TObject *o = step.Prop->GetObject(holder);
            holder = o && o->InheritsFrom(step.Class) ? static_cast<TPersistent *>(o) : nullptr;
        }
        Out.push_back({holder, step.Prop, step.Kind});
    }
}

TValue TqdzTemplateCopy::Get(const TSlot &S)
{
    if (!S.Holder)
        return {};
    switch (S.Kind) {
    case TSlot::Ord:
        return S.Prop->GetOrd(S.Holder);
    case TSlot::Float:
        return S.Prop->GetFloat(S.Holder);
    case TSlot::Str:
        return S.Prop->GetStr(S.Holder);
    case TSlot::Var: {
        Variant v;
        S.Prop->GetVariant(S.Holder, v);
        return v;
    }
    case TSlot::Ref:
        return S.Prop->GetObject(S.Holder);
    case TSlot::Strings:
        return static_cast<TStrings *>(static_cast<TObject *>(S.Holder))->Text();
    case TSlot::WideStrings:
        return static_cast<TWideStrings *>(static_cast<TObject *>(S.Holder))->GetText();
    case TSlot::MemoText:
        return static_cast<TqdzCustomMemoView *>(static_cast<TObject *>(S.Holder))->Text();
    case TSlot::Defined:
        return FSerializer->DefinedData(S.Holder, nullptr);
    case TSlot::Held:
        break;
    }
    return {};
}

namespace {

void Set(TqdzXMLSerializer *Serializer, const TSlot &S, const TValue &V)
{
    switch (S.Kind) {
    case TSlot::Ord:
        S.Prop->SetOrd(S.Holder, std::get<qint64>(V));
        break;
    case TSlot::Float:
        S.Prop->SetFloat(S.Holder, std::get<double>(V));
        break;
    case TSlot::Str:
        S.Prop->SetStr(S.Holder, std::get<QString>(V));
        break;
    case TSlot::Var:
        S.Prop->SetVariant(S.Holder, std::get<Variant>(V));
        break;
    case TSlot::Ref:
        S.Prop->SetObject(S.Holder, std::get<TObject *>(V));
        break;
    case TSlot::Strings:
        static_cast<TStrings *>(static_cast<TObject *>(S.Holder))->SetText(std::get<QString>(V));
        break;
    case TSlot::WideStrings:
        static_cast<TWideStrings *>(static_cast<TObject *>(S.Holder))->SetText(std::get<QString>(V));
        break;
    case TSlot::MemoText:
        static_cast<TqdzCustomMemoView *>(static_cast<TObject *>(S.Holder))->SetText(std::get<QString>(V));
        break;
    case TSlot::Defined:
        // What the data leaves out is empty.
        if (auto *r = dynamic_cast<TqdzReport *>(S.Holder)) {
            r->DataSets()->Clear();
            r->Variables()->Clear();
            r->Styles()->Clear();
        } else if (auto *picture = dynamic_cast<TPicture *>(S.Holder)) {
            picture->Assign(nullptr);
        }
        Serializer->ReadDefinedData(S.Holder, std::get<QByteArray>(V));
        break;
    case TSlot::Held:
        break;
    }
}

} // namespace

bool TqdzTemplateCopy::Save(const std::function<bool()> &Stopped)
{
    std::vector<TqdzComponent *> objects{FReport};
    TList *all = FReport->AllObjects();
    objects.reserve(size_t(all->Count()) + 1);
    for (int i = 0; i < all->Count(); ++i)
        objects.push_back(static_cast<TqdzComponent *>(all->Items(i)));
    FEntries.reserve(objects.size());
    FIndex.reserve(qsizetype(objects.size()));
    QHash<TClass, int> firsts;
    std::vector<TSlot> items;
    for (TqdzComponent *obj : objects) {
        if ((FEntries.size() & 255) == 255 && Stopped && Stopped()) {
            FEntries.clear();
            FIndex.clear();
            return false;
        }
        const int index = int(FEntries.size());
        auto found = firsts.constFind(obj->ClassType());
        const int first = found == firsts.constEnd() ? index : *found;
        if (first == index)
            firsts.insert(obj->ClassType(), index);
        TEntry entry{obj, obj == FReport ? nullptr : obj->Parent(), obj->Name(), first, true, {}};
        TWriting writing(obj);
        Slots(obj, items);
        if (first == index)
            entry.Values.reserve(items.size());
        for (size_t i = 0; i < items.size(); ++i) {
            // A value that cannot be read is not put back.
            TValue v;
            try {
                v = Get(items[i]);
            } catch (const Exception &) {
            }
            if (first != index && SameValue(FEntries[size_t(first)].Values[i].second, v))
                continue;
            entry.Values.emplace_back(quint32(i), std::move(v));
        }
        FIndex.insert(obj, index);
        FEntries.push_back(std::move(entry));
    }
    // References to objects outside the template are watched.
    for (TEntry &e : FEntries)
        for (auto &[slot, v] : e.Values)
            if (auto *c = std::get_if<TObject *>(&v); c && *c && !FIndex.contains(*c))
                if (auto *comp = dynamic_cast<TComponent *>(*c))
                    FWatch->Watch(comp);
    return true;
}

void TqdzTemplateCopy::Forget(const TObject *AObject)
{
    auto it = FIndex.constFind(AObject);
    if (it != FIndex.constEnd())
        FEntries[size_t(*it)].Alive = false;
}

const TValue &TqdzTemplateCopy::Saved(const TEntry &Entry, size_t Slot, size_t &Cursor) const
{
    while (Cursor < Entry.Values.size() && Entry.Values[Cursor].first < Slot)
        ++Cursor;
    if (Cursor < Entry.Values.size() && Entry.Values[Cursor].first == Slot)
        return Entry.Values[Cursor].second;
    return FEntries[size_t(Entry.First)].Values[Slot].second;
}

bool TqdzTemplateCopy::PutBack(TEntry &Entry)
{
    TqdzComponent *obj = Entry.Object;
    std::vector<TSlot> &items = FItems;
    TWriting writing(obj);
    Slots(obj, items);
    bool changed = false;
    size_t cursor = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        const TValue &saved = Saved(Entry, i, cursor);
        if (!items[i].Holder || std::holds_alternative<std::monostate>(saved))
            continue;
        try {
            if (SameValue(Get(items[i]), saved))
                continue;
        } catch (const Exception &) {
        }
        const TObject *const *ref = std::get_if<TObject *>(&saved);
        if (ref && *ref && (FIndex.contains(*ref) ? !FEntries[size_t(FIndex.value(*ref))].Alive : FWatch->Gone(*ref)))
            continue;
        changed = true;
        try {
            Set(FSerializer.get(), items[i], saved);
        } catch (const Exception &) {
        }
    }
    return changed;
}

void TqdzTemplateCopy::RestoreTree()
{
    // Template objects the build moved go back under their parents ...
    for (TEntry &e : FEntries)
        if (e.Alive && e.Parent && e.Object->Parent() != e.Parent && FEntries[size_t(FIndex.value(e.Parent))].Alive)
            e.Object->SetParent(e.Parent);
    // ... what it added goes (apart first, so that freeing one frees no
    // other) ...
    std::vector<TqdzComponent *> added;
    std::vector<TqdzComponent *> pending{FReport};
    while (!pending.empty()) {
        TqdzComponent *c = pending.back();
        pending.pop_back();
        TList *children = c->Objects();
        for (int i = 0; i < children->Count(); ++i) {
            auto *child = static_cast<TqdzComponent *>(children->Items(i));
            auto it = FIndex.constFind(child);
            if (it == FIndex.constEnd() || !FEntries[size_t(*it)].Alive)
                added.push_back(child);
            else
                pending.push_back(child);
        }
    }
    for (TqdzComponent *c : added)
        c->SetParent(nullptr);
    for (TqdzComponent *c : added)
        c->Free();
    // ... and children keep their order.
    QHash<TqdzComponent *, int> next;
    for (const TEntry &e : FEntries) {
        if (!e.Alive || !e.Parent || e.Object->Parent() != e.Parent)
            continue;
        TList *children = e.Parent->Objects();
        int &at = next[e.Parent];
        if (at < children->Count() && children->Items(at) != e.Object) {
            if (const int from = children->IndexOf(e.Object); from > at) {
                children->SetItems(from, children->Items(at));
                children->SetItems(at, e.Object);
            }
        }
        ++at;
    }
    // Names the build changed come back, cleared first so that two objects
    // that swapped names need no third.
    std::vector<TEntry *> renamed;
    for (TEntry &e : FEntries)
        if (e.Alive && e.Object->Name() != e.Name)
            renamed.push_back(&e);
    for (TEntry *e : renamed)
        try {
            e->Object->SetName(QString());
        } catch (const Exception &) {
        }
    for (TEntry *e : renamed)
        try {
            e->Object->SetName(e->Name);
        } catch (const Exception &) {
        }
}

void TqdzTemplateCopy::Restore()
{
    RestoreTree();
    // A setter may change another value (a font its ParentFont, an
    // orientation the margins): what still differs is set again.
    std::vector<TEntry *> pending;
    for (TEntry &e : FEntries)
        if (e.Alive)
            pending.push_back(&e);
    for (int pass = 0; pass < 3 && !pending.empty(); ++pass) {
        std::vector<TEntry *> again;
        for (TEntry *e : pending)
            if (PutBack(*e))
                again.push_back(e);
        pending.swap(again);
    }
}
