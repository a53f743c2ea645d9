// The dictionary of a built report: short names to stored template objects.
#include "qdzDictionary.h"

#include "platform/Classes.h"

namespace {

TObject *IndexObject(int Index)
{
    return reinterpret_cast<TObject *>(quintptr(Index));
}

} // namespace

TqdzDictionary::TqdzDictionary() : FNames(std::make_unique<TStringList>())
{
    FNames->SetSorted(true);
}

TqdzDictionary::~TqdzDictionary() = default;

void TqdzDictionary::Add(const QString &Name, const QString &SourceName, TqdzComponent *Obj)
{
    FSources.emplace_back(SourceName, Obj);
    FNames->AddObject(Name, IndexObject(int(FSources.size()) - 1));
}

QString TqdzDictionary::AddUnique(const QString &Prefix, const QString &SourceName, TqdzComponent *Obj)
{
    const QString name = CreateUniqueName(Prefix);
    Add(name, SourceName, Obj);
    return name;
}

QString TqdzDictionary::CreateUniqueName(const QString &Prefix) const
{
    // Probe downwards by halves for a number in use, then count up from it:
    // names are handed out in sequence, so this skips the used run quickly.
    int i = 10000;
    int start = 1;
    while (i >= 2) {
        int index;
        if (FNames->Find(Prefix + QString::number(i), index)) {
            start = i;
            break;
        }
        i /= 2;
    }
    for (int n = start;; ++n) {
        int index;
        if (!FNames->Find(Prefix + QString::number(n), index))
            return Prefix + QString::number(n);
    }
}

int TqdzDictionary::SourceIndex(const QString &Name) const
{
    int index;
    if (!FNames->Find(Name, index))
        return -1;
    const int source = int(reinterpret_cast<quintptr>(FNames->Objects(index)));
    return source >= 0 && source < int(FSources.size()) ? source : -1;
}

TqdzComponent *TqdzDictionary::GetObject(const QString &Name) const
{
    const int i = SourceIndex(Name);
    return i < 0 ? nullptr : FSources[size_t(i)].second;
}

QString TqdzDictionary::GetSourceName(const QString &Name) const
{
    const int i = SourceIndex(Name);
    return i < 0 ? QString() : FSources[size_t(i)].first;
}

void TqdzDictionary::Clear()
{
    FNames->Clear();
    FSources.clear();
}

int TqdzDictionary::Count() const
{
    return FNames->Count();
}

QString TqdzDictionary::Names(int Index) const
{
    return FNames->Strings(Index);
}
