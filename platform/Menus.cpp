// Implementation of menu items and popup menus over QMenu/QAction.
#include "Menus.h"
#include "Exceptions.h"
#include "Forms.h"
#include <QAction>
#include <QMenu>
#include <QPointer>
#include <algorithm>

TShortCut ShortCut(quint16 Key, TShiftState Shift)
{
    TShortCut s = TShortCut(Key & 0xFF);
    if (Shift.Contains(ssShift))
        s |= scShift;
    if (Shift.Contains(ssCtrl))
        s |= scCtrl;
    if (Shift.Contains(ssAlt))
        s |= scAlt;
    return s;
}

// --- TMenuItem -----------------------------------------------------------------

STATION_PUBLISHED(TMenuItem)
{
    P.Prop("AutoCheck", &TMenuItem::AutoCheck, &TMenuItem::SetAutoCheck).Default(false);
    P.Prop("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption);
    P.Prop("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked).Default(false);
    P.Prop("Default", &TMenuItem::Default, &TMenuItem::SetDefault).Default(false);
    P.Prop("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled).Default(true);
    P.Prop("GroupIndex", &TMenuItem::GroupIndex, &TMenuItem::SetGroupIndex).Default(0);
    P.Prop("Hint", &TMenuItem::Hint, &TMenuItem::SetHint);
    P.Prop("ImageIndex", &TMenuItem::ImageIndex, &TMenuItem::SetImageIndex).Default(-1);
    P.Prop("RadioItem", &TMenuItem::RadioItem, &TMenuItem::SetRadioItem).Default(false);
    P.Prop("ShortCut", &TMenuItem::ShortCut, &TMenuItem::SetShortCut).Default(0);
    P.Prop("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible).Default(true);
    P.Prop("OnClick", &TMenuItem::OnClick, &TMenuItem::SetOnClick);
}

TMenuItem::TMenuItem(TComponent *AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem()
{
    while (!FItems.empty()) {
        TMenuItem *item = FItems.back();
        FItems.pop_back();
        item->FParent = nullptr;
        delete item;
    }
    if (FParent)
        FParent->Remove(this);
}

void TMenuItem::SetChecked(bool Value)
{
    if (FChecked == Value)
        return;
    FChecked = Value;
    // A checked radio item unchecks the others of its group.
    if (Value && FRadioItem && FParent)
        for (TMenuItem *other : FParent->FItems)
            if (other != this && other->FRadioItem && other->FGroupIndex == FGroupIndex)
                other->FChecked = false;
}

TMenuItem *TMenuItem::Items(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EMenuError(QStringLiteral("Menu index out of range"));
    return FItems[size_t(Index)];
}

int TMenuItem::MenuIndex() const
{
    return FParent ? FParent->IndexOf(const_cast<TMenuItem *>(this)) : -1;
}

int TMenuItem::IndexOf(TMenuItem *Item) const
{
    auto it = std::find(FItems.begin(), FItems.end(), Item);
    return it == FItems.end() ? -1 : int(it - FItems.begin());
}

void TMenuItem::Add(TMenuItem *Item)
{
    Insert(Count(), Item);
}

void TMenuItem::Insert(int Index, TMenuItem *Item)
{
    if (!Item)
        return;
    if (Item->FParent)
        throw EMenuError(QStringLiteral("Menu inserted twice"));
    if (Index < 0 || Index > Count())
        throw EMenuError(QStringLiteral("Menu index out of range"));
    FItems.insert(FItems.begin() + Index, Item);
    Item->FParent = this;
}

void TMenuItem::Delete(int Index)
{
    TMenuItem *item = Items(Index);
    Remove(item);
    delete item;
}

void TMenuItem::Remove(TMenuItem *Item)
{
    auto it = std::find(FItems.begin(), FItems.end(), Item);
    if (it == FItems.end())
        return;
    FItems.erase(it);
    Item->FParent = nullptr;
}

void TMenuItem::Clear()
{
    while (!FItems.empty())
        Delete(Count() - 1);
}

TMenuItem *TMenuItem::Find(const QString &ACaption) const
{
    // Accelerator marks do not count.
    auto plain = [](QString s) { return s.remove(QLatin1Char('&')); };
    const QString want = plain(ACaption);
    for (TMenuItem *item : FItems)
        if (plain(item->FCaption).compare(want, Qt::CaseInsensitive) == 0)
            return item;
    return nullptr;
}

void TMenuItem::Click()
{
    if (FAutoCheck)
        SetChecked(!FChecked);
    if (FOnClick)
        FOnClick(this);
}

void TMenuItem::BuildMenu(QMenu *Menu)
{
    for (TMenuItem *item : FItems) {
        if (!item->FVisible)
            continue;
        if (item->IsLine()) {
            Menu->addSeparator();
            continue;
        }
        if (!item->FItems.empty()) {
            QMenu *sub = Menu->addMenu(item->FCaption);
            sub->setEnabled(item->FEnabled);
            item->BuildMenu(sub);
            continue;
        }
        QAction *a = Menu->addAction(item->FCaption);
        a->setEnabled(item->FEnabled);
        if (item->FChecked || item->FAutoCheck || item->FRadioItem) {
            a->setCheckable(true);
            a->setChecked(item->FChecked);
        }
        if (item->FDefault) {
            QFont f = a->font();
            f.setBold(true);
            a->setFont(f);
        }
        QObject::connect(a, &QAction::triggered, Menu, [item] {
            try {
                item->Click();
            } catch (...) {
                Application->HandleException(item);
            }
        });
    }
}

// --- TMenu / TPopupMenu ----------------------------------------------------------

STATION_PUBLISHED(TMenu) {}

STATION_PUBLISHED(TPopupMenu)
{
    P.Prop("Items", &TPopupMenu::Items).Stored(false);
    P.Prop("AutoPopup", &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup).Default(true);
    P.Prop("OnPopup", &TPopupMenu::OnPopup, &TPopupMenu::SetOnPopup);
}

TMenu::TMenu(TComponent *AOwner) : TComponent(AOwner), FItems(new TMenuItem(nullptr)) {}

TMenu::~TMenu()
{
    delete FItems;
}

void TPopupMenu::Popup(int X, int Y)
{
    if (FOnPopup)
        FOnPopup(this);
    QMenu menu;
    Items()->BuildMenu(&menu);
    if (menu.actions().isEmpty())
        return;
    menu.exec(QPoint(X, Y));
}

// --- shortcut texts ---------------------------------------------------------------

namespace {

QString KeyName(quint16 Key)
{
    if ((Key >= 'A' && Key <= 'Z') || (Key >= '0' && Key <= '9'))
        return QString(QChar(Key));
    if (Key >= VK_F1 && Key <= VK_F1 + 23)
        return QStringLiteral("F%1").arg(Key - VK_F1 + 1);
    if (Key >= VK_NUMPAD0 && Key <= VK_NUMPAD9)
        return QStringLiteral("Num %1").arg(Key - VK_NUMPAD0);
    switch (Key) {
    case VK_BACK: return QStringLiteral("BkSp");
    case VK_TAB: return QStringLiteral("Tab");
    case VK_RETURN: return QStringLiteral("Enter");
    case VK_ESCAPE: return QStringLiteral("Esc");
    case VK_SPACE: return QStringLiteral("Space");
    case VK_PRIOR: return QStringLiteral("PgUp");
    case VK_NEXT: return QStringLiteral("PgDn");
    case VK_END: return QStringLiteral("End");
    case VK_HOME: return QStringLiteral("Home");
    case VK_LEFT: return QStringLiteral("Left");
    case VK_UP: return QStringLiteral("Up");
    case VK_RIGHT: return QStringLiteral("Right");
    case VK_DOWN: return QStringLiteral("Down");
    case VK_INSERT: return QStringLiteral("Ins");
    case VK_DELETE: return QStringLiteral("Del");
    default: return QString();
    }
}

} // namespace

QString ShortCutToText(TShortCut ShortCut)
{
    const QString key = KeyName(ShortCut & 0xFF);
    if (key.isEmpty())
        return QString();
    QString r;
    if (ShortCut & scShift)
        r += QStringLiteral("Shift+");
    if (ShortCut & scCtrl)
        r += QStringLiteral("Ctrl+");
    if (ShortCut & scAlt)
        r += QStringLiteral("Alt+");
    return r + key;
}

TShortCut TextToShortCut(const QString &Text)
{
    QString rest = Text.trimmed();
    TShortCut shift = 0;
    for (bool more = true; more;) {
        more = false;
        const struct {
            const char *Name;
            TShortCut Bit;
        } mods[] = {{"Shift+", scShift}, {"Ctrl+", scCtrl}, {"Alt+", scAlt}};
        for (const auto &m : mods)
            if (rest.startsWith(QLatin1String(m.Name), Qt::CaseInsensitive) && rest.size() > int(strlen(m.Name))) {
                shift |= m.Bit;
                rest = rest.mid(int(strlen(m.Name)));
                more = true;
            }
    }
    if (rest.isEmpty())
        return 0;
    for (quint16 key = 8; key <= 255; ++key) {
        const QString name = KeyName(key);
        if (!name.isEmpty() && name.compare(rest, Qt::CaseInsensitive) == 0)
            return TShortCut(key | shift);
    }
    return 0;
}

QString NoShortCutText()
{
    return QStringLiteral("(None)");
}

void GetStandardShortCuts(const std::function<void(TShortCut)> &Proc)
{
    for (quint16 k = 'A'; k <= 'Z'; ++k)
        Proc(TShortCut(k | scCtrl));
    for (quint16 k = VK_F1; k <= VK_F1 + 11; ++k)
        Proc(TShortCut(k | scCtrl));
    for (quint16 k = VK_F1; k <= VK_F1 + 11; ++k)
        Proc(TShortCut(k));
    for (quint16 k = VK_F1; k <= VK_F1 + 11; ++k)
        Proc(TShortCut(k | scShift));
    for (quint16 k = VK_F1; k <= VK_F1 + 11; ++k)
        Proc(TShortCut(k | scShift | scCtrl));
    Proc(TShortCut(VK_INSERT));
    Proc(TShortCut(quint16(VK_INSERT) | scShift));
    Proc(TShortCut(quint16(VK_INSERT) | scCtrl));
    Proc(TShortCut(VK_DELETE));
    Proc(TShortCut(quint16(VK_DELETE) | scShift));
    Proc(TShortCut(quint16(VK_DELETE) | scCtrl));
    Proc(TShortCut(quint16(VK_BACK) | scAlt));
    Proc(TShortCut(quint16(VK_BACK) | scShift | scAlt));
}
