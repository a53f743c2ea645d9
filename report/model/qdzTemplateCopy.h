// A report's template kept in memory while it builds and put back in place afterwards: the same objects, tree, names and values.
#pragma once
#include "platform/TypInfo.h"
#include "platform/Variants.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <functional>
#include <memory>
#include <unordered_map>
#include <variant>
#include <vector>

class TObject;
class TPersistent;
class TqdzComponent;
class TqdzReport;
class TqdzXMLSerializer;

// The template is put back into the objects it was saved from, so that
// whatever holds them (the compiled script's names above all) still refers
// to the template afterwards. What the build added to the tree goes, moved
// objects go back to their places, and every value the template format
// keeps (published properties, memo texts, defined data) is set back where
// it differs. Saving reads each value once; objects of one class keep only
// what differs from the first of their class.
class TqdzTemplateCopy
{
public:
    explicit TqdzTemplateCopy(TqdzReport *AReport);
    ~TqdzTemplateCopy();
    TqdzTemplateCopy(const TqdzTemplateCopy &) = delete;
    TqdzTemplateCopy &operator=(const TqdzTemplateCopy &) = delete;

    // Records the template. Stopped is asked every few hundred objects;
    // False when it answered True (nothing is then recorded).
    bool Save(const std::function<bool()> &Stopped);
    // Puts the recorded template back.
    void Restore();
    // AObject left the report: it is not put back, nor looked at.
    void Forget(const TObject *AObject);

    using TValue = std::variant<std::monostate, qint64, double, QString, Variant, TObject *, QByteArray>;
    struct TSlot;
    struct TStep;

private:
    struct TEntry
    {
        TqdzComponent *Object;
        TqdzComponent *Parent;
        QString Name;
        // The first object of the class, whose values are all kept.
        int First;
        bool Alive = true;
        std::vector<std::pair<quint32, TValue>> Values;
    };
    struct TPlan
    {
        std::vector<TStep> Steps;
        quint16 Holders = 1;
    };
    const TPlan &PlanOf(TqdzComponent *Obj);
    void Slots(TqdzComponent *Obj, std::vector<TSlot> &Out);
    TValue Get(const TSlot &Slot);
    // Sets what differs from the recorded values; whether anything did.
    bool PutBack(TEntry &Entry);
    void RestoreTree();
    const TValue &Saved(const TEntry &Entry, size_t Slot, size_t &Cursor) const;

    TqdzReport *FReport;
    std::unique_ptr<TqdzXMLSerializer> FSerializer;
    std::vector<TEntry> FEntries;
    QHash<const TObject *, int> FIndex;
    std::unordered_map<TClass, TPlan> FPlans;
    std::vector<TPersistent *> FHolders;
    std::vector<TSlot> FItems;
    class TWatch;
    std::unique_ptr<TWatch> FWatch;
};
