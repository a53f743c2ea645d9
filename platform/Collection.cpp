// Implementation of TCollection and TCollectionItem.
#include "Collection.h"
#include "Exceptions.h"
#include <algorithm>

STATION_PUBLISHED(TCollectionItem) {}
STATION_PUBLISHED(TCollection) {}
STATION_PUBLISHED(TOwnedCollection) {}

// ---------------------------------------------------------------------------
// TCollectionItem

TCollectionItem::TCollectionItem(TCollection *Collection)
{
    SetCollection(Collection);
}

TCollectionItem::~TCollectionItem()
{
    SetCollection(nullptr);
}

void TCollectionItem::SetCollection(TCollection *Value)
{
    if (FCollection == Value)
        return;
    if (FCollection)
        FCollection->RemoveItem(this);
    if (Value)
        Value->InsertItem(this);
}

int TCollectionItem::Index() const
{
    if (!FCollection)
        return -1;
    const auto &items = FCollection->FItems;
    auto it = std::find(items.begin(), items.end(), this);
    return it == items.end() ? -1 : int(it - items.begin());
}

void TCollectionItem::SetIndex(int Value)
{
    const int current = Index();
    if (current < 0 || current == Value)
        return;
    auto &items = FCollection->FItems;
    if (Value < 0 || Value >= int(items.size()))
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Value));
    items.erase(items.begin() + current);
    items.insert(items.begin() + Value, this);
    Changed(true);
}

QString TCollectionItem::DisplayName() const
{
    return ClassName();
}

void TCollectionItem::SetDisplayName(const QString &)
{
    Changed(false);
}

QString TCollectionItem::GetNamePath() const
{
    if (FCollection)
        return QStringLiteral("%1[%2]").arg(FCollection->GetNamePath()).arg(Index());
    return ClassName();
}

void TCollectionItem::Changed(bool AllItems)
{
    if (FCollection && FCollection->FUpdateCount == 0)
        FCollection->Update(AllItems ? nullptr : this);
}

TPersistent *TCollectionItem::GetOwner() const
{
    return FCollection;
}

// ---------------------------------------------------------------------------
// TCollection

TCollection::TCollection(TClass ItemClass) : FItemClass(ItemClass) {}

TCollection::~TCollection()
{
    FUpdateCount = 1;
    Clear();
}

TCollectionItem *TCollection::Add()
{
    if (!FItemClass)
        throw EListError(QStringLiteral("Invalid property value"));
    TObject *created = FItemClass->Create(this);
    auto *item = dynamic_cast<TCollectionItem *>(created);
    if (!item) {
        delete created;
        throw EListError(QStringLiteral("Invalid property value"));
    }
    // An item class whose constructor does not take the collection is put
    // in here.
    if (item->FCollection != this)
        item->SetCollection(this);
    return item;
}

TCollectionItem *TCollection::Insert(int Index)
{
    if (Index < 0 || Index > Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    TCollectionItem *item = Add();
    item->SetIndex(Index);
    return item;
}

void TCollection::Delete(int Index)
{
    TCollectionItem *item = Items(Index);
    Notify(item, cnDeleting);
    delete item;
}

void TCollection::Clear()
{
    if (FItems.empty())
        return;
    BeginUpdate();
    while (!FItems.empty())
        delete FItems.back();
    EndUpdate();
}

void TCollection::BeginUpdate()
{
    ++FUpdateCount;
}

void TCollection::EndUpdate()
{
    --FUpdateCount;
    Changed();
}

TCollectionItem *TCollection::Items(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return FItems[size_t(Index)];
}

void TCollection::SetItems(int Index, TCollectionItem *Value)
{
    Items(Index)->Assign(Value);
}

TCollectionItem *TCollection::FindItemID(int ID) const
{
    for (TCollectionItem *item : FItems)
        if (item->FID == ID)
            return item;
    return nullptr;
}

void TCollection::Assign(TPersistent *Source)
{
    if (auto *source = dynamic_cast<TCollection *>(Source)) {
        if (source == this)
            return;
        BeginUpdate();
        try {
            Clear();
            for (TCollectionItem *item : source->FItems)
                Add()->Assign(item);
        } catch (...) {
            EndUpdate();
            throw;
        }
        EndUpdate();
        return;
    }
    TPersistent::Assign(Source);
}

QString TCollection::GetNamePath() const
{
    TPersistent *owner = GetOwner();
    if (!owner)
        return ClassName();
    const QString path = owner->GetNamePath();
    if (path.isEmpty())
        return ClassName();
    // The name of the owner's published property that holds this collection.
    for (PPropInfo p : owner->ClassType()->Properties())
        if (p->Kind() == tkClass && p->GetObject(owner) == this)
            return path + QLatin1Char('.') + p->Name();
    return ClassName();
}

void TCollection::Update(TCollectionItem *) {}

void TCollection::Notify(TCollectionItem *, TCollectionNotification) {}

void TCollection::Changed()
{
    if (FUpdateCount == 0)
        Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem *Item)
{
    FItems.push_back(Item);
    Item->FCollection = this;
    Item->FID = FNextID++;
    Notify(Item, cnAdded);
    Changed();
}

void TCollection::RemoveItem(TCollectionItem *Item)
{
    Notify(Item, cnExtracting);
    auto it = std::find(FItems.begin(), FItems.end(), Item);
    if (it != FItems.end())
        FItems.erase(it);
    Item->FCollection = nullptr;
    Changed();
}

// ---------------------------------------------------------------------------

TOwnedCollection::TOwnedCollection(TPersistent *AOwner, TClass ItemClass) : TCollection(ItemClass), FOwner(AOwner) {}
