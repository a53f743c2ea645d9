// Menu items and popup menus over QMenu/QAction. A popup menu builds its Qt
// menu from its items each time it pops up, so items may change freely.
#pragma once
#include "Classes.h"
#include "Component.h"
#include "Controls.h"
#include "Exceptions.h"
#include <QString>
#include <functional>
#include <vector>

class QAction;
class QMenu;
class TMenuItem;

STATION_EXCEPTION(EMenuError, Exception)

// A shortcut: virtual-key code plus scShift / scCtrl / scAlt.
using TShortCut = quint16;
enum : quint16 { scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000, scNone = 0 };
TShortCut ShortCut(quint16 Key, TShiftState Shift);
// "Ctrl+S", "Shift+Alt+BkSp", "F5"; empty for no shortcut or an unnamed key.
QString ShortCutToText(TShortCut ShortCut);
// The reverse, modifiers and key names matched without regard to case; 0 when
// the text names no shortcut.
TShortCut TextToShortCut(const QString &Text);
// The text an editor shows for no shortcut.
QString NoShortCutText();
// The shortcuts menus usually offer: Ctrl+A..Z, Ctrl+F1..F12, F1..F12,
// Shift+F1..F12, Shift+Ctrl+F1..F12, Ins, Del and Alt+BkSp with modifiers.
void GetStandardShortCuts(const std::function<void(TShortCut)> &Proc);

class TMenuItem : public TComponent
{
    STATION_CLASS(TMenuItem, TComponent)
public:
    explicit TMenuItem(TComponent *AOwner);
    // Frees the sub-items too.
    ~TMenuItem() override;

    QString Caption() const { return FCaption; }
    void SetCaption(const QString &Value) { FCaption = Value; }
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value) { FEnabled = Value; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value) { FVisible = Value; }
    bool Default() const { return FDefault; }
    void SetDefault(bool Value) { FDefault = Value; }
    bool RadioItem() const { return FRadioItem; }
    void SetRadioItem(bool Value) { FRadioItem = Value; }
    bool AutoCheck() const { return FAutoCheck; }
    void SetAutoCheck(bool Value) { FAutoCheck = Value; }
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int Value) { FGroupIndex = Value; }
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut Value) { FShortCut = Value; }
    QString Hint() const { return FHint; }
    void SetHint(const QString &Value) { FHint = Value; }
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value) { FImageIndex = Value; }
    // A caption of "-" makes a separator line.
    bool IsLine() const { return FCaption == QLatin1String("-"); }

    int Count() const { return int(FItems.size()); }
    TMenuItem *Items(int Index) const;
    TMenuItem *Parent() const { return FParent; }
    int MenuIndex() const;
    int IndexOf(TMenuItem *Item) const;
    void Add(TMenuItem *Item);
    void Insert(int Index, TMenuItem *Item);
    // Frees the item at Index.
    void Delete(int Index);
    // Takes the item out without freeing it.
    void Remove(TMenuItem *Item);
    // Frees every sub-item.
    void Clear();
    TMenuItem *Find(const QString &ACaption) const;

    // Checks an AutoCheck item, then runs OnClick.
    virtual void Click();
    TNotifyEvent OnClick() const { return FOnClick; }
    void SetOnClick(TNotifyEvent Value) { FOnClick = Value; }

    // Fills a Qt menu with the visible sub-items.
    void BuildMenu(QMenu *Menu);

private:
    QString FCaption;
    QString FHint;
    bool FChecked = false;
    bool FEnabled = true;
    bool FVisible = true;
    bool FDefault = false;
    bool FRadioItem = false;
    bool FAutoCheck = false;
    int FGroupIndex = 0;
    int FImageIndex = -1;
    TShortCut FShortCut = 0;
    TMenuItem *FParent = nullptr;
    std::vector<TMenuItem *> FItems;
    TNotifyEvent FOnClick;
};

class TMenu : public TComponent
{
    STATION_CLASS(TMenu, TComponent)
public:
    explicit TMenu(TComponent *AOwner);
    ~TMenu() override;
    TMenuItem *Items() const { return FItems; }

private:
    TMenuItem *FItems;
};

class TPopupMenu : public TMenu
{
    STATION_CLASS(TPopupMenu, TMenu)
public:
    explicit TPopupMenu(TComponent *AOwner) : TMenu(AOwner) {}
    // Shows the menu at a screen position; returns when it closes.
    virtual void Popup(int X, int Y);
    bool AutoPopup() const { return FAutoPopup; }
    void SetAutoPopup(bool Value) { FAutoPopup = Value; }
    TComponent *PopupComponent() const { return FPopupComponent; }
    void SetPopupComponent(TComponent *Value) { FPopupComponent = Value; }
    TNotifyEvent OnPopup() const { return FOnPopup; }
    void SetOnPopup(TNotifyEvent Value) { FOnPopup = Value; }

private:
    TNotifyEvent FOnPopup;
    bool FAutoPopup = true;
    TComponent *FPopupComponent = nullptr;
};
