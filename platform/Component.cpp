// Implementation of TComponent.
#include "Component.h"
#include "Exceptions.h"
#include "SysUtils.h"
#include <algorithm>

STATION_PUBLISHED(TComponent)
{
    P.Prop("Name", &TComponent::Name, &TComponent::SetName).Stored(false);
    P.Prop("Tag", &TComponent::Tag, &TComponent::SetTag).Default(0);
}

TComponent::TComponent(TComponent *AOwner)
{
    if (AOwner)
        AOwner->InsertComponent(this);
}

TComponent::~TComponent()
{
    Destroying();
    // Everyone who asked hears of our end; each is taken off the list first so
    // an override of Notification that does not call the base cannot loop.
    while (!FFreeNotifies.empty()) {
        TComponent *c = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        c->RemoveNotification(this);
        c->Notification(this, opRemove);
    }
    DestroyComponents();
    if (FOwner)
        FOwner->RemoveComponent(this);
}

void TComponent::Free()
{
    Destroying();
    delete this;
}

void TComponent::Destroying()
{
    if (FComponentState.Contains(csDestroying))
        return;
    FComponentState.Include(csDestroying);
    for (TComponent *c : FComponents)
        c->Destroying();
}

void TComponent::DestroyComponents()
{
    while (!FComponents.empty()) {
        TComponent *instance = FComponents.back();
        if (instance->FComponentState.Contains(csFreeNotification)
            || (FComponentState.Contains(csDesigning) && FComponentState.Contains(csInline)))
            RemoveComponent(instance);
        else
            Remove(instance);
        delete instance;
    }
}

TComponent *TComponent::Components(int Index) const
{
    if (Index < 0 || Index >= int(FComponents.size()))
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return FComponents[size_t(Index)];
}

int TComponent::ComponentIndex() const
{
    if (!FOwner)
        return -1;
    auto it = std::find(FOwner->FComponents.begin(), FOwner->FComponents.end(), this);
    return it == FOwner->FComponents.end() ? -1 : int(it - FOwner->FComponents.begin());
}

TComponent *TComponent::FindComponent(const QString &AName) const
{
    if (AName.isEmpty())
        return nullptr;
    for (TComponent *c : FComponents)
        if (StationRtti::SameName(c->FName, AName))
            return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent *AComponent)
{
    if (!AComponent || AComponent->FOwner == this)
        return;
    // Names stay unique among an owner's components, also for one that
    // arrives already named.
    if (!AComponent->FName.isEmpty() && FindComponent(AComponent->FName))
        throw EComponentError(QStringLiteral("A component named %1 already exists").arg(AComponent->FName));
    ValidateRename(AComponent, QString(), AComponent->FName);
    // A component has one owner: it leaves the old one first.
    if (AComponent->FOwner)
        AComponent->FOwner->RemoveComponent(AComponent);
    Insert(AComponent);
    if (FComponentState.Contains(csDesigning))
        AComponent->SetDesigning(true);
    Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent *AComponent)
{
    if (!AComponent || AComponent->FOwner != this)
        return;
    ValidateRename(AComponent, AComponent->FName, QString());
    Notification(AComponent, opRemove);
    Remove(AComponent);
}

void TComponent::Insert(TComponent *AComponent)
{
    FComponents.push_back(AComponent);
    AComponent->FOwner = this;
}

void TComponent::Remove(TComponent *AComponent)
{
    // Searched from the end: an owner frees its components last first, so
    // freeing them all stays linear.
    auto it = std::find(FComponents.rbegin(), FComponents.rend(), AComponent);
    if (it != FComponents.rend())
        FComponents.erase(std::next(it).base());
    AComponent->FOwner = nullptr;
}

void TComponent::SetName(const QString &NewName)
{
    if (FName == NewName)
        return;
    if (!NewName.isEmpty() && !IsValidIdent(NewName))
        throw EComponentError(QStringLiteral("'%1' is not a valid component name").arg(NewName));
    if (FOwner)
        FOwner->ValidateRename(this, FName, NewName);
    else
        ValidateRename(nullptr, FName, NewName);
    ChangeName(NewName);
}

void TComponent::ChangeName(const QString &NewName)
{
    FName = NewName;
}

void TComponent::ValidateRename(TComponent *AComponent, const QString &CurName, const QString &NewName)
{
    if (AComponent && !StationRtti::SameName(CurName, NewName) && AComponent->FOwner == this
        && FindComponent(NewName))
        throw EComponentError(QStringLiteral("A component named %1 already exists").arg(NewName));
    if (FComponentState.Contains(csDesigning) && FOwner)
        FOwner->ValidateRename(AComponent, CurName, NewName);
}

void TComponent::FreeNotification(TComponent *AComponent)
{
    if (!AComponent || AComponent == this)
        return;
    if (!FOwner || AComponent->FOwner != FOwner) {
        if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end()) {
            FFreeNotifies.push_back(AComponent);
            AComponent->FreeNotification(this);
        }
    }
    FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent *AComponent)
{
    if (!AComponent)
        return;
    RemoveNotification(AComponent);
    AComponent->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent *AComponent)
{
    auto it = std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent);
    if (it != FFreeNotifies.end())
        FFreeNotifies.erase(it);
}

void TComponent::Notification(TComponent *AComponent, TOperation Operation)
{
    if (Operation == opRemove && AComponent)
        RemoveFreeNotification(AComponent);
    // Owned components hear of it too; the list may shrink while they react.
    int i = int(FComponents.size()) - 1;
    while (i >= 0) {
        FComponents[size_t(i)]->Notification(AComponent, Operation);
        --i;
        if (i >= int(FComponents.size()))
            i = int(FComponents.size()) - 1;
    }
}

void TComponent::GetChildren(const TGetChildProc &, TComponent *) {}

QString TComponent::GetNamePath() const
{
    return FName;
}

void TComponent::SetLoading(bool Value)
{
    if (Value)
        FComponentState.Include(csLoading);
    else
        FComponentState.Exclude(csLoading);
}

void TComponent::Loaded()
{
    FComponentState.Exclude(csLoading);
}

void TComponent::SetDesigning(bool Value, bool SetChildren)
{
    if (Value)
        FComponentState.Include(csDesigning);
    else
        FComponentState.Exclude(csDesigning);
    if (SetChildren)
        for (TComponent *c : FComponents)
            c->SetDesigning(Value);
}

void TComponent::SetAncestor(bool Value)
{
    if (Value)
        FComponentState.Include(csAncestor);
    else
        FComponentState.Exclude(csAncestor);
    for (TComponent *c : FComponents)
        c->SetAncestor(Value);
}

TPersistent *TComponent::GetOwner() const
{
    return FOwner;
}
