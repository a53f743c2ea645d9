// Actions: a command with its caption, checked, enabled and visible state,
// hint and handlers, kept in an action list and shown by every control linked
// to it. A change of the action reaches each linked control through its link.
#pragma once
#include "Component.h"
#include "TypInfo.h"

#include <QString>
#include <vector>

class TAction;
class TActionList;
class TControl;

// Ties one client to an action; the action tells its links of every change.
class TActionLink : public TObject
{
public:
    explicit TActionLink(TObject *AClient) : FClient(AClient) {}
    ~TActionLink() override;
    TAction *Action() const { return FAction; }
    void SetAction(TAction *Value);
    TObject *Client() const { return FClient; }
    // Runs the action for the client; true when it had a handler.
    virtual bool Execute(TComponent *Target = nullptr);

    // Whether the client shows the action's property (it does unless it
    // went its own way).
    virtual bool IsCaptionLinked() const { return FAction != nullptr; }
    virtual bool IsCheckedLinked() const { return FAction != nullptr; }
    virtual bool IsEnabledLinked() const { return FAction != nullptr; }
    virtual bool IsHintLinked() const { return FAction != nullptr; }
    virtual bool IsVisibleLinked() const { return FAction != nullptr; }
    virtual bool IsOnExecuteLinked() const { return FAction != nullptr; }
    virtual void SetCaption(const QString &) {}
    virtual void SetChecked(bool) {}
    virtual void SetEnabled(bool) {}
    virtual void SetHint(const QString &) {}
    virtual void SetVisible(bool) {}
    // The action is being destroyed: the link lets go of it.
    virtual void ActionDestroying();

protected:
    TObject *FClient;
    TAction *FAction = nullptr;
};

class TAction : public TComponent
{
    STATION_CLASS(TAction, TComponent)
public:
    explicit TAction(TComponent *AOwner);
    ~TAction() override;

    QString Caption() const { return FCaption; }
    void SetCaption(const QString &Value);
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    QString Hint() const { return FHint; }
    void SetHint(const QString &Value);
    TNotifyEvent OnExecute() const { return FOnExecute; }
    void SetOnExecute(TNotifyEvent Value) { FOnExecute = Value; }
    TNotifyEvent OnUpdate() const { return FOnUpdate; }
    void SetOnUpdate(TNotifyEvent Value) { FOnUpdate = Value; }
    TActionList *ActionList() const { return FActionList; }
    void SetActionList(TActionList *Value);

    // OnExecute while enabled (after OnUpdate had its say); true when it ran.
    virtual bool Execute();
    // OnUpdate; true when there is one.
    virtual bool Update();

    void RegisterChanges(TActionLink *Link);
    void UnRegisterChanges(TActionLink *Link);
    int ClientCount() const { return int(FLinks.size()); }

private:
    template <class F>
    void ForLinks(F Fn);
    QString FCaption;
    bool FChecked = false;
    bool FEnabled = true;
    bool FVisible = true;
    QString FHint;
    TNotifyEvent FOnExecute;
    TNotifyEvent FOnUpdate;
    TActionList *FActionList = nullptr;
    std::vector<TActionLink *> FLinks;
};

class TActionList : public TComponent
{
    STATION_CLASS(TActionList, TComponent)
public:
    explicit TActionList(TComponent *AOwner);
    ~TActionList() override;
    int ActionCount() const { return int(FActions.size()); }
    TAction *Actions(int Index) const;
    // Runs every action's OnUpdate.
    void UpdateActions();

private:
    friend class TAction;
    std::vector<TAction *> FActions;
};
