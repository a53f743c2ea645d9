// The class library's lists: TList of pointers, the abstract TStrings and
// TStringList. Streams live in Streams.h, included here as the class library
// keeps them in the same unit.
#pragma once
#include "Object.h"
#include "Streams.h"
#include <QChar>
#include <QList>
#include <QString>
#include <functional>
#include <vector>

// --- TList -------------------------------------------------------------------

enum TListNotification { lnAdded, lnExtracted, lnDeleted };
using TListSortCompare = std::function<int(void *Item1, void *Item2)>;

class TList : public TObject
{
    STATION_CLASS(TList, TObject)
public:
    TList() = default;
    ~TList() override;

    int Add(void *Item);
    void Insert(int Index, void *Item);
    void Delete(int Index);
    // Index the item had, or -1.
    int Remove(void *Item);
    // The item when it was in the list (taken out without being deleted), else nullptr.
    void *Extract(void *Item);
    int IndexOf(void *Item) const;
    void Exchange(int Index1, int Index2);
    void Move(int CurIndex, int NewIndex);
    virtual void Clear();
    // Removes the nil entries.
    void Pack();
    // Stable: equal items keep their order.
    void Sort(const TListSortCompare &Compare);
    void *First() const { return Items(0); }
    void *Last() const { return Items(Count() - 1); }

    int Count() const { return int(FList.size()); }
    // Growing adds nil entries; shrinking deletes from the end.
    void SetCount(int NewCount);
    int Capacity() const { return FCapacity; }
    void SetCapacity(int NewCapacity);
    // EListError "List index out of bounds (%d)" outside 0 .. Count - 1.
    void *Items(int Index) const;
    void SetItems(int Index, void *Item);
    // The item with the serial of the object it was stored as: it may have
    // been freed since.
    TObjectRef ItemRef(int Index) const;

protected:
    virtual void Notify(void *Ptr, TListNotification Action);
    // The serial an item is kept with; a list whose items are always live
    // objects can read it from them.
    virtual quint64 ItemSerial(void *Item) const;

private:
    struct TItem
    {
        void *Item;
        quint64 Serial;
    };
    [[noreturn]] static void Error(const char *Msg, int Data);
    void CheckIndex(int Index) const;
    void Grow();

    std::vector<TItem> FList;
    int FCapacity = 0;
};

// --- TStrings ----------------------------------------------------------------

STATION_DECLARE_ENUM(TDuplicates, dupIgnore, dupAccept, dupError)

class TStrings : public TPersistent
{
    STATION_CLASS(TStrings, TPersistent)
public:
    TStrings() = default;
    ~TStrings() override = default;

    virtual int Add(const QString &S);
    virtual int AddObject(const QString &S, TObject *AObject);
    void Append(const QString &S) { Add(S); }
    virtual void AddStrings(TStrings *Strings);
    virtual void Insert(int Index, const QString &S) = 0;
    virtual void InsertObject(int Index, const QString &S, TObject *AObject);
    virtual void Delete(int Index) = 0;
    virtual void Clear() = 0;
    virtual void Move(int CurIndex, int NewIndex);
    virtual void Exchange(int Index1, int Index2);
    virtual int IndexOf(const QString &S) const;
    virtual int IndexOfName(const QString &Name) const;
    virtual int IndexOfObject(TObject *AObject) const;
    // Same lines in the same order, compared exactly.
    bool Equals(TStrings *Strings) const;
    // From another TStrings: its lines and objects; anything else goes to TPersistent.
    void Assign(TPersistent *Source) override;

    void BeginUpdate();
    void EndUpdate();

    int Count() const { return GetCount(); }
    QString Strings(int Index) const { return Get(Index); }
    void SetStrings(int Index, const QString &S) { Put(Index, S); }
    TObject *Objects(int Index) const { return GetObject(Index); }
    void SetObjects(int Index, TObject *AObject) { PutObject(Index, AObject); }
    // The object of a line with the serial it was stored with: it may have
    // been freed since. A list that keeps no serials answers 0, which no
    // live object has.
    virtual TObjectRef ObjectRef(int Index) const;
    // The object of Ref while it lives, else nil: what a copy keeps.
    static TObject *LiveObject(const TObjectRef &Ref)
    {
        return ObjectIsLive(Ref.Object, Ref.Serial) ? Ref.Object : nullptr;
    }
    // The text before the first NameValueSeparator; '' when the line has none.
    QString Names(int Index) const;
    // The text after the separator of the first line named Name.
    QString Values(const QString &Name) const;
    // An empty Value removes the line.
    void SetValues(const QString &Name, const QString &Value);
    QString ValueFromIndex(int Index) const;
    void SetValueFromIndex(int Index, const QString &Value);
    QChar NameValueSeparator() const { return FNameValueSeparator; }
    void SetNameValueSeparator(QChar Value) { FNameValueSeparator = Value; }

    // Every line followed by CR LF. The setter splits at CR, LF or CR LF; a
    // final line break gives no empty last line.
    QString Text() const { return GetTextStr(); }
    void SetText(const QString &Value) { SetTextStr(Value); }
    QString GetText() const { return GetTextStr(); }
    // Lines joined by ',' and quoted with '"' when they hold a blank, a
    // control character, a comma or a quote; reading splits at commas and
    // blanks outside quotes.
    QString CommaText() const;
    void SetCommaText(const QString &Value);
    // As CommaText with Delimiter and QuoteChar; StrictDelimiter makes only
    // the delimiter separate.
    QString DelimitedText() const;
    void SetDelimitedText(const QString &Value);
    QChar Delimiter() const { return FDelimiter; }
    void SetDelimiter(QChar Value) { FDelimiter = Value; }
    QChar QuoteChar() const { return FQuoteChar; }
    void SetQuoteChar(QChar Value) { FQuoteChar = Value; }
    bool StrictDelimiter() const { return FStrictDelimiter; }
    void SetStrictDelimiter(bool Value) { FStrictDelimiter = Value; }

    // Files and streams are UTF-8: loading skips a byte-order mark (and reads
    // UTF-16 when its mark says so); saving writes no mark. The CodePage
    // overloads read and write 8-bit text in that code page (936 for the
    // station's GBK files); see CodePages.h.
    virtual void LoadFromStream(TStream *Stream);
    virtual void LoadFromStream(TStream *Stream, int CodePage);
    virtual void SaveToStream(TStream *Stream);
    virtual void SaveToStream(TStream *Stream, int CodePage);
    void LoadFromFile(const QString &FileName);
    void LoadFromFile(const QString &FileName, int CodePage);
    void SaveToFile(const QString &FileName);
    void SaveToFile(const QString &FileName, int CodePage);

protected:
    virtual QString Get(int Index) const = 0;
    virtual int GetCount() const = 0;
    virtual TObject *GetObject(int Index) const;
    virtual void Put(int Index, const QString &S);
    virtual void PutObject(int Index, TObject *AObject);
    virtual QString GetTextStr() const;
    virtual void SetTextStr(const QString &Value);
    // Called with true when the first BeginUpdate opens, false when the last
    // EndUpdate closes.
    virtual void SetUpdateState(bool Updating);
    // The comparison of IndexOf, IndexOfName and sorting; the default ignores case.
    virtual int CompareStrings(const QString &S1, const QString &S2) const;
    int UpdateCount() const { return FUpdateCount; }
    [[noreturn]] static void Error(const QString &Msg, int Data);
    // The lines travel in the binary property format as the list "Strings",
    // written when there are lines (or when they differ from the ancestor's).
    void DefineProperties(TFiler *Filer) override;

private:
    QString DelimitedWith(QChar Delim, QChar Quote, bool Strict) const;
    void SetDelimitedWith(const QString &Value, QChar Delim, QChar Quote, bool Strict);
    void SetBytes(const QByteArray &Bytes, int CodePage, bool DetectMark);

    int FUpdateCount = 0;
    QChar FDelimiter = QLatin1Char(',');
    QChar FQuoteChar = QLatin1Char('"');
    QChar FNameValueSeparator = QLatin1Char('=');
    bool FStrictDelimiter = false;
};

// Case-insensitive comparison of sorted string lists: ordinal after
// upper-casing each character, so a blank sorts before digits and digits
// before letters.
int CompareTextOrdinal(const QString &S1, const QString &S2);

// --- TStringList -------------------------------------------------------------

class TStringList;
using TStringListSortCompare = std::function<int(TStringList *List, int Index1, int Index2)>;

class TStringList : public TStrings
{
    STATION_CLASS(TStringList, TStrings)
public:
    // With OwnsObjects the list frees the objects of lines it deletes or clears.
    explicit TStringList(bool OwnsObjects = false) : FOwnsObjects(OwnsObjects) {}
    ~TStringList() override;

    int Add(const QString &S) override;
    int AddObject(const QString &S, TObject *AObject) override;
    void Insert(int Index, const QString &S) override;
    void InsertObject(int Index, const QString &S, TObject *AObject) override;
    void Delete(int Index) override;
    void Clear() override;
    void Move(int CurIndex, int NewIndex) override;
    void Exchange(int Index1, int Index2) override;
    int IndexOf(const QString &S) const override;
    // Binary search of a sorted list. True when S is there; Index is then
    // the matching line (the first of equal ones when duplicates are
    // accepted), else the place where S would be inserted.
    virtual bool Find(const QString &S, int &Index) const;
    // Does nothing on a sorted list, which is in order already.
    virtual void Sort();
    virtual void CustomSort(const TStringListSortCompare &Compare);

    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool Value);
    bool OwnsObjects() const { return FOwnsObjects; }
    void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }
    TNotifyEvent OnChange() const { return FOnChange; }
    void SetOnChange(const TNotifyEvent &Value) { FOnChange = Value; }
    TNotifyEvent OnChanging() const { return FOnChanging; }
    void SetOnChanging(const TNotifyEvent &Value) { FOnChanging = Value; }

protected:
    QString Get(int Index) const override;
    int GetCount() const override { return int(FList.size()); }
    TObject *GetObject(int Index) const override;
    void Put(int Index, const QString &S) override;
    void PutObject(int Index, TObject *AObject) override;
    void SetUpdateState(bool Updating) override;
    int CompareStrings(const QString &S1, const QString &S2) const override;
    virtual void Changed();
    virtual void Changing();

public:
    TObjectRef ObjectRef(int Index) const override;

private:
    struct TStringItem
    {
        QString FString;
        TObject *FObject = nullptr;
        quint64 FSerial = 0;
    };
    void CheckIndex(int Index) const;
    void InsertItem(int Index, const QString &S, TObject *AObject);
    void SortAlways(const TStringListSortCompare &Compare);

    QList<TStringItem> FList;
    bool FSorted = false;
    TDuplicates FDuplicates = dupIgnore;
    bool FCaseSensitive = false;
    bool FOwnsObjects = false;
    TNotifyEvent FOnChange;
    TNotifyEvent FOnChanging;
};
