// The dictionary of a built report: short names to stored template objects.
#include "qdzDictionary.h"

#include "platform/Classes.h"

#include <algorithm>

namespace {

// The key under which names compare equal exactly when the string lists'
// case-insensitive comparison finds them equal.
QString Folded(const QString &Name)
{
    QString r;
    r.reserve(Name.size());
    for (qsizetype i = 0; i < Name.size();) {
        char32_t c = Name[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < Name.size() && Name[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(Name[i], Name[i + 1]);
            i += 2;
        } else {
            ++i;
        }
        c = QChar::toUpper(c);
        if (QChar::requiresSurrogates(c)) {
            r.append(QChar(QChar::highSurrogate(c)));
            r.append(QChar(QChar::lowSurrogate(c)));
        } else {
            r.append(QChar(char16_t(c)));
        }
    }
    return r;
}

} // namespace

TqdzDictionary::TqdzDictionary() = default;

TqdzDictionary::~TqdzDictionary() = default;

void TqdzDictionary::Add(const QString &Name, const QString &SourceName, TqdzComponent *Obj)
{
    FSources.emplace_back(SourceName, Obj);
    const QString key = Folded(Name);
    if (FIndex.contains(key))
        return;
    FIndex.insert(key, int(FSources.size()) - 1);
    FNames.push_back(Name);
    FSortedValid = false;
}

QString TqdzDictionary::AddUnique(const QString &Prefix, const QString &SourceName, TqdzComponent *Obj)
{
    const QString name = CreateUniqueName(Prefix);
    Add(name, SourceName, Obj);
    return name;
}

QString TqdzDictionary::CreateUniqueName(const QString &Prefix) const
{
    int &next = FNext[Prefix];
    if (next < 1)
        next = 1;
    const QString key = Folded(Prefix);
    while (FIndex.contains(key + QString::number(next)))
        ++next;
    return Prefix + QString::number(next);
}

int TqdzDictionary::SourceIndex(const QString &Name) const
{
    const auto it = FIndex.constFind(Folded(Name));
    return it == FIndex.constEnd() ? -1 : *it;
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
    FIndex.clear();
    FNames.clear();
    FSources.clear();
    FNext.clear();
    FSorted.clear();
    FSortedValid = true;
}

int TqdzDictionary::Count() const
{
    return int(FNames.size());
}

QString TqdzDictionary::Names(int Index) const
{
    if (!FSortedValid) {
        FSorted.resize(FNames.size());
        for (size_t i = 0; i < FSorted.size(); ++i)
            FSorted[i] = int(i);
        std::sort(FSorted.begin(), FSorted.end(),
                  [this](int A, int B) { return CompareTextOrdinal(FNames[size_t(A)], FNames[size_t(B)]) < 0; });
        FSortedValid = true;
    }
    return FNames.at(size_t(FSorted.at(size_t(Index))));
}
