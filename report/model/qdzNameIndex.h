// TqdzNameIndex: how often each name is used in a report, names compared without ASCII case.
#pragma once
#include <QString>
#include <cstdint>
#include <vector>

// A report counts thousands of names while its template is read. The table
// keeps a short tag of each name's hash next to the slot, so a name that is
// not there (the common case while reading) is told in one cache line, and
// the names themselves sit densely in the order they came.
class TqdzNameIndex
{
public:
    // How often a name is used in the report's tree (not counting the
    // report's own name) and among the components the report owns.
    struct TCounts
    {
        int Tree = 0;
        int Owned = 0;
    };

    // The counts of Name; null when it is in neither.
    const TCounts *Find(const QString &Name) const;
    // Adds Delta to one count of Name, never going below zero; a name whose
    // counts are both zero leaves the index.
    void Count(const QString &Name, int TCounts::*Which, int Delta);
    // Room for Names more names without growing.
    void Reserve(qsizetype Names);
    void Clear();
    qsizetype Size() const { return qsizetype(FEntries.size()); }

private:
    struct TEntry
    {
        QString Name;
        quint32 Tag;
        TCounts Counts;
    };
    struct TSlot
    {
        quint32 Tag = 0;
        qint32 Entry = -1; // into FEntries; -1: empty
    };
    // Naming one object looks its name up and counts it several times in a
    // row, mostly through the very same string: its tag is kept.
    quint32 TagOf(const QString &Name) const;
    // The slot holding Name, or the empty slot where it would go.
    size_t Probe(const QString &Name, quint32 Tag) const;
    void Rehash(size_t Slots);
    void RemoveAt(size_t Slot);

    std::vector<TEntry> FEntries;
    std::vector<TSlot> FSlots; // a power of two, at most half used
    size_t FMask = 0;
    mutable QString FLastName; // shares the data of the last name tagged
    mutable quint32 FLastTag = 0;
    // Where that name's probe ended, until a slot is filled or moved.
    mutable size_t FLastSlot = 0;
    mutable bool FLastSlotKnown = false;
    bool IsLastName(const QString &Name) const
    {
        return !Name.isEmpty() && Name.constData() == FLastName.constData() && Name.size() == FLastName.size();
    }
};
