// TComponent: the owned, named object of the class library. An owner frees
// the components it owns (last created first), keeps their names unique and
// tells them, and those that asked, when a component goes away.
#pragma once
#include "Object.h"
#include <functional>
#include <vector>

STATION_DECLARE_ENUM(TComponentStateItem, csLoading, csReading, csWriting, csDestroying, csDesigning,
                     csAncestor, csUpdating, csFixups, csFreeNotification, csInline, csDesignInstance)
STATION_DECLARE_SET(TComponentState, TComponentStateItem)
STATION_DECLARE_ENUM(TOperation, opInsert, opRemove)

class TComponent;
using TGetChildProc = std::function<void(TComponent *Child)>;

class TComponent : public TPersistent
{
    STATION_CLASS(TComponent, TPersistent)
public:
    explicit TComponent(TComponent *AOwner);
    ~TComponent() override;

    // Marks the component (and what it owns) as being destroyed, then frees it.
    void Free();
    void Destroying();
    void DestroyComponents();

    TComponent *Owner() const { return FOwner; }
    int ComponentCount() const { return int(FComponents.size()); }
    TComponent *Components(int Index) const;
    int ComponentIndex() const;
    TComponent *FindComponent(const QString &AName) const;
    void InsertComponent(TComponent *AComponent);
    void RemoveComponent(TComponent *AComponent);

    const QString &Name() const { return FName; }
    virtual void SetName(const QString &NewName);
    int Tag() const { return FTag; }
    void SetTag(int Value) { FTag = Value; }
    TComponentState ComponentState() const { return FComponentState; }

    // Ask AComponent to tell this component (through Notification opRemove)
    // when it is freed, and the reverse.
    void FreeNotification(TComponent *AComponent);
    void RemoveFreeNotification(TComponent *AComponent);

    // Children written by streaming, in order; none by default.
    virtual void GetChildren(const TGetChildProc &Proc, TComponent *Root);
    QString GetNamePath() const override;

    // Reading: the reader sets csLoading while it applies properties and
    // calls Loaded (which clears it) once everything is read.
    void SetLoading(bool Value);
    virtual void Loaded();

protected:
    virtual void Notification(TComponent *AComponent, TOperation Operation);
    // For an owner that tells only some of its components.
    static void Notify(TComponent *Target, TComponent *AComponent, TOperation Operation)
    {
        Target->Notification(AComponent, Operation);
    }
    virtual void ValidateRename(TComponent *AComponent, const QString &CurName, const QString &NewName);
    void ChangeName(const QString &NewName);
    void SetDesigning(bool Value, bool SetChildren = true);
    void SetAncestor(bool Value);
    TPersistent *GetOwner() const override;

private:
    void Insert(TComponent *AComponent);
    void Remove(TComponent *AComponent);
    void RemoveNotification(TComponent *AComponent);

    friend class TReader;

    TComponent *FOwner = nullptr;
    QString FName;
    int FTag = 0;
    std::vector<TComponent *> FComponents;
    std::vector<TComponent *> FFreeNotifies;
    TComponentState FComponentState;
};
