// TCollection and TCollectionItem: a list of items of one class, owned by the
// collection; an item freed on its own leaves the collection.
#pragma once
#include "Object.h"
#include <vector>

class TCollection;

STATION_DECLARE_ENUM(TCollectionNotification, cnAdded, cnExtracting, cnDeleting)

class TCollectionItem : public TPersistent
{
    STATION_CLASS(TCollectionItem, TPersistent)
public:
    explicit TCollectionItem(TCollection *Collection);
    ~TCollectionItem() override;

    TCollection *Collection() const { return FCollection; }
    void SetCollection(TCollection *Value);
    int Index() const;
    void SetIndex(int Value);
    int ID() const { return FID; }
    virtual QString DisplayName() const;
    virtual void SetDisplayName(const QString &Value);
    QString GetNamePath() const override;

protected:
    // Tells the collection that this item (or, with AllItems, the list) changed.
    void Changed(bool AllItems);
    TPersistent *GetOwner() const override;

private:
    friend class TCollection;
    TCollection *FCollection = nullptr;
    int FID = 0;
};

class TCollection : public TPersistent
{
    STATION_CLASS(TCollection, TPersistent)
public:
    explicit TCollection(TClass ItemClass);
    ~TCollection() override;

    TCollectionItem *Add();
    TCollectionItem *Insert(int Index);
    void Delete(int Index);
    void Clear();
    void BeginUpdate();
    void EndUpdate();
    int Count() const { return int(FItems.size()); }
    TCollectionItem *Items(int Index) const;
    void SetItems(int Index, TCollectionItem *Value);
    TCollectionItem *FindItemID(int ID) const;
    TClass ItemClass() const { return FItemClass; }
    int UpdateCount() const { return FUpdateCount; }
    void Assign(TPersistent *Source) override;
    QString GetNamePath() const override;

protected:
    // Item is null when the whole list changed.
    virtual void Update(TCollectionItem *Item);
    virtual void Notify(TCollectionItem *Item, TCollectionNotification Action);
    void Changed();

private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem *Item);
    void RemoveItem(TCollectionItem *Item);

    TClass FItemClass;
    std::vector<TCollectionItem *> FItems;
    int FUpdateCount = 0;
    int FNextID = 0;
};

// A collection that knows the object it belongs to (for name paths).
class TOwnedCollection : public TCollection
{
    STATION_CLASS(TOwnedCollection, TCollection)
public:
    TOwnedCollection(TPersistent *AOwner, TClass ItemClass);
    TPersistent *Owner() const { return FOwner; }

protected:
    TPersistent *GetOwner() const override { return FOwner; }

private:
    TPersistent *FOwner;
};
