// Actions, action lists and the links that carry an action's state to its clients.
#include "ActnList.h"

#include "Exceptions.h"

#include <algorithm>

// --- TActionLink -----------------------------------------------------------------

TActionLink::~TActionLink()
{
    if (FAction)
        FAction->UnRegisterChanges(this);
}

void TActionLink::SetAction(TAction *Value)
{
    if (FAction == Value)
        return;
    if (FAction)
        FAction->UnRegisterChanges(this);
    FAction = Value;
    if (FAction)
        FAction->RegisterChanges(this);
}

bool TActionLink::Execute(TComponent *)
{
    return FAction && FAction->Execute();
}

void TActionLink::ActionDestroying()
{
    FAction = nullptr;
}

// --- TAction ---------------------------------------------------------------------

STATION_PUBLISHED(TAction)
{
    P.Prop("Caption", &TAction::Caption, &TAction::SetCaption);
    P.Prop("Checked", &TAction::Checked, &TAction::SetChecked).Default(false);
    P.Prop("Enabled", &TAction::Enabled, &TAction::SetEnabled).Default(true);
    P.Prop("Hint", &TAction::Hint, &TAction::SetHint);
    P.Prop("Visible", &TAction::Visible, &TAction::SetVisible).Default(true);
    P.Prop("OnExecute", &TAction::OnExecute, &TAction::SetOnExecute);
    P.Prop("OnUpdate", &TAction::OnUpdate, &TAction::SetOnUpdate);
}

TAction::TAction(TComponent *AOwner) : TComponent(AOwner)
{
    if (auto *list = dynamic_cast<TActionList *>(AOwner))
        SetActionList(list);
}

TAction::~TAction()
{
    SetActionList(nullptr);
    // A link may drop itself while being told.
    while (!FLinks.empty()) {
        TActionLink *link = FLinks.back();
        FLinks.pop_back();
        link->ActionDestroying();
    }
}

template <class F>
void TAction::ForLinks(F Fn)
{
    // A client may unlink itself, or others, while it takes a change.
    const std::vector<TActionLink *> links = FLinks;
    for (TActionLink *l : links)
        if (std::find(FLinks.begin(), FLinks.end(), l) != FLinks.end())
            Fn(l);
}

void TAction::SetCaption(const QString &Value)
{
    if (FCaption == Value)
        return;
    ForLinks([&](TActionLink *l) {
        if (l->IsCaptionLinked())
            l->SetCaption(Value);
    });
    FCaption = Value;
}

void TAction::SetChecked(bool Value)
{
    if (FChecked == Value)
        return;
    // The links compare the client with the old value to see whether they follow.
    ForLinks([&](TActionLink *l) {
        if (l->IsCheckedLinked())
            l->SetChecked(Value);
    });
    FChecked = Value;
}

void TAction::SetEnabled(bool Value)
{
    if (FEnabled == Value)
        return;
    ForLinks([&](TActionLink *l) {
        if (l->IsEnabledLinked())
            l->SetEnabled(Value);
    });
    FEnabled = Value;
}

void TAction::SetVisible(bool Value)
{
    if (FVisible == Value)
        return;
    ForLinks([&](TActionLink *l) {
        if (l->IsVisibleLinked())
            l->SetVisible(Value);
    });
    FVisible = Value;
}

void TAction::SetHint(const QString &Value)
{
    if (FHint == Value)
        return;
    ForLinks([&](TActionLink *l) {
        if (l->IsHintLinked())
            l->SetHint(Value);
    });
    FHint = Value;
}

void TAction::SetActionList(TActionList *Value)
{
    if (FActionList == Value)
        return;
    if (FActionList) {
        auto &v = FActionList->FActions;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
    FActionList = Value;
    if (FActionList)
        FActionList->FActions.push_back(this);
}

bool TAction::Update()
{
    if (!FOnUpdate)
        return false;
    FOnUpdate(this);
    return true;
}

bool TAction::Execute()
{
    Update();
    if (!FEnabled || !FOnExecute)
        return false;
    FOnExecute(this);
    return true;
}

void TAction::RegisterChanges(TActionLink *Link)
{
    if (std::find(FLinks.begin(), FLinks.end(), Link) == FLinks.end())
        FLinks.push_back(Link);
}

void TAction::UnRegisterChanges(TActionLink *Link)
{
    FLinks.erase(std::remove(FLinks.begin(), FLinks.end(), Link), FLinks.end());
}

// --- TActionList -----------------------------------------------------------------

STATION_PUBLISHED(TActionList) {}

TActionList::TActionList(TComponent *AOwner) : TComponent(AOwner) {}

TActionList::~TActionList()
{
    // Actions owned elsewhere outlive the list.
    for (TAction *a : std::vector<TAction *>(FActions))
        a->SetActionList(nullptr);
}

TAction *TActionList::Actions(int Index) const
{
    if (Index < 0 || Index >= int(FActions.size()))
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return FActions[size_t(Index)];
}

void TActionList::UpdateActions()
{
    for (TAction *a : std::vector<TAction *>(FActions))
        a->Update();
}
