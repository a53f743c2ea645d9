// Short names (m1, b3) of the template objects stored with a built report.
#pragma once
#include <QString>
#include <memory>
#include <utility>
#include <vector>

class TStringList;
class TqdzComponent;

class TqdzDictionary
{
public:
    TqdzDictionary();
    ~TqdzDictionary();
    TqdzDictionary(const TqdzDictionary &) = delete;
    TqdzDictionary &operator=(const TqdzDictionary &) = delete;

    // SourceName is "Page" + source page index + "." + object name.
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

    std::unique_ptr<TStringList> FNames;
    std::vector<std::pair<QString, TqdzComponent *>> FSources;
};
