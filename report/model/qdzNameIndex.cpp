// Implementation of TqdzNameIndex.
#include "qdzNameIndex.h"

#include "platform/TypInfo.h"

#include <QHash>
#include <QVarLengthArray>
#include <algorithm>

quint32 TqdzNameIndex::TagOf(const QString &Name) const
{
    // The kept string holds its data: the same address and size is the same
    // text. A string over foreign bytes (no data of its own) is never kept.
    if (IsLastName(Name))
        return FLastTag;
    // Folded on the stack (names are short), hashed with the process's seed
    // so that chosen names cannot pile up in one run of slots.
    QVarLengthArray<char16_t, 64> folded(Name.size());
    const QChar *p = Name.constData();
    for (qsizetype i = 0; i < Name.size(); ++i) {
        const char16_t c = p[i].unicode();
        folded[i] = (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
    }
    const size_t h = qHash(QStringView(folded.constData(), folded.size()), QHashSeed::globalSeed());
    const quint32 tag = quint32(h ^ (quint64(h) >> 32));
    if (Name.data_ptr().isMutable()) {
        FLastName = Name;
        FLastTag = tag;
        FLastSlotKnown = false;
    }
    return tag;
}

size_t TqdzNameIndex::Probe(const QString &Name, quint32 Tag) const
{
    const bool last = IsLastName(Name);
    if (last && FLastSlotKnown)
        return FLastSlot;
    size_t i = Tag & FMask;
    for (;; i = (i + 1) & FMask) {
        const TSlot &s = FSlots[i];
        if (s.Entry < 0)
            break;
        if (s.Tag != Tag)
            continue;
        // A name counted twice in a row is mostly the very same string.
        const QString &n = FEntries[size_t(s.Entry)].Name;
        if ((n.constData() == Name.constData() && n.size() == Name.size()) || StationRtti::SameName(n, Name))
            break;
    }
    if (last) {
        FLastSlot = i;
        FLastSlotKnown = true;
    }
    return i;
}

const TqdzNameIndex::TCounts *TqdzNameIndex::Find(const QString &Name) const
{
    if (FEntries.empty())
        return nullptr;
    const TSlot &s = FSlots[Probe(Name, TagOf(Name))];
    return s.Entry < 0 ? nullptr : &FEntries[size_t(s.Entry)].Counts;
}

void TqdzNameIndex::Count(const QString &Name, int TCounts::*Which, int Delta)
{
    const quint32 tag = TagOf(Name);
    if (Delta > 0) {
        if ((FEntries.size() + 1) * 2 > FSlots.size())
            Rehash(std::max<size_t>(16, FSlots.size() * 2));
        TSlot &s = FSlots[Probe(Name, tag)];
        if (s.Entry < 0) {
            // The slot filled may be where the kept name's probe ended.
            if (!IsLastName(Name))
                FLastSlotKnown = false;
            s = {tag, qint32(FEntries.size())};
            FEntries.push_back({Name, tag, {}});
        }
        FEntries[size_t(s.Entry)].Counts.*Which += Delta;
        return;
    }
    if (FEntries.empty())
        return;
    const size_t slot = Probe(Name, tag);
    if (FSlots[slot].Entry < 0)
        return;
    TCounts &c = FEntries[size_t(FSlots[slot].Entry)].Counts;
    c.*Which = std::max(0, c.*Which + Delta);
    if (c.Tree == 0 && c.Owned == 0)
        RemoveAt(slot);
}

void TqdzNameIndex::Reserve(qsizetype Names)
{
    if (Names <= 0)
        return;
    const size_t want = FEntries.size() + size_t(Names);
    FEntries.reserve(want);
    size_t count = 16;
    while (count < want * 2)
        count *= 2;
    if (count > FSlots.size())
        Rehash(count);
}

void TqdzNameIndex::Clear()
{
    FLastSlotKnown = false;
    FEntries = {};
    FSlots = {};
    FMask = 0;
}

void TqdzNameIndex::Rehash(size_t Slots)
{
    FLastSlotKnown = false;
    FSlots.assign(Slots, TSlot());
    FMask = Slots - 1;
    for (size_t e = 0; e < FEntries.size(); ++e) {
        size_t i = FEntries[e].Tag & FMask;
        while (FSlots[i].Entry >= 0)
            i = (i + 1) & FMask;
        FSlots[i] = {FEntries[e].Tag, qint32(e)};
    }
}

void TqdzNameIndex::RemoveAt(size_t Slot)
{
    FLastSlotKnown = false;
    const qint32 entry = FSlots[Slot].Entry;
    // Later slots of the run move back into the gap unless that would put
    // them before their home slot: no tombstones, so probes stay short.
    size_t gap = Slot;
    for (size_t j = (Slot + 1) & FMask; FSlots[j].Entry >= 0; j = (j + 1) & FMask) {
        const size_t home = FSlots[j].Tag & FMask;
        const bool stays = gap <= j ? (gap < home && home <= j) : (gap < home || home <= j);
        if (stays)
            continue;
        FSlots[gap] = FSlots[j];
        gap = j;
    }
    FSlots[gap] = TSlot();
    // The last name fills the place the removed one leaves.
    const qint32 last = qint32(FEntries.size()) - 1;
    if (entry != last) {
        FEntries[size_t(entry)] = std::move(FEntries[size_t(last)]);
        size_t i = FEntries[size_t(entry)].Tag & FMask;
        while (FSlots[i].Entry != last)
            i = (i + 1) & FMask;
        FSlots[i].Entry = entry;
    }
    FEntries.pop_back();
}
