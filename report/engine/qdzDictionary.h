// Short names (m1, b3) of the template objects stored with a built report.
#pragma once
#include <QHash>
#include <QString>
#include <memory>
#include <utility>
#include <vector>

class TqdzComponent;

class TqdzDictionary
{
public:
    TqdzDictionary();
    ~TqdzDictionary();
    TqdzDictionary(const TqdzDictionary &) = delete;
    TqdzDictionary &operator=(const TqdzDictionary &) = delete;

    // SourceName is "Page" + source page index + "." + object name. A name
    // already in use (compared without regard to case) keeps its first entry.
    void Add(const QString &Name, const QString &SourceName, TqdzComponent *Obj);
    QString AddUnique(const QString &Prefix, const QString &SourceName, TqdzComponent *Obj);
    QString CreateUniqueName(const QString &Prefix) const;
    // The template object of a short name; nullptr when unknown.
    TqdzComponent *GetObject(const QString &Name) const;
    // Empty when unknown.
    QString GetSourceName(const QString &Name) const;
    void Clear();

    // Short names, sorted.
    int Count() const;
    QString Names(int Index) const;

private:
    int SourceIndex(const QString &Name) const;

    // Names by their case-folded form, each with its entry in FSources.
    QHash<QString, int> FIndex;
    std::vector<QString> FNames;
    std::vector<std::pair<QString, TqdzComponent *>> FSources;
    // The lowest number per prefix that may still be free: a template's
    // objects are named one after another, each in constant time.
    mutable QHash<QString, int> FNext;
    // FNames in sorted order, made when first asked for after a change.
    mutable std::vector<int> FSorted;
    mutable bool FSortedValid = true;
};
