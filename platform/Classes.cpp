// Implementation of the class library's lists.
#include "Classes.h"
#include "CodePages.h"
#include "Exceptions.h"
#include "Filer.h"
#include <QStringDecoder>
#include <algorithm>
#include <exception>
#include <numeric>

namespace {

const char *const SListIndexError = "List index out of bounds (%d)";
const char *const SListCapacityError = "List capacity out of bounds (%d)";
const char *const SListCountError = "List count out of bounds (%d)";
const char *const SSortedListError = "Operation not allowed on sorted list";
const char *const SDuplicateString = "String list does not allow duplicates";

constexpr int MaxListSize = 0x7FFFFFFF / 16;

QString WithData(const QString &Msg, int Data)
{
    QString Result = Msg;
    Result.replace(QLatin1String("%d"), QString::number(Data));
    return Result;
}

// BeginUpdate/EndUpdate bracket that also closes when an exception passes.
class TUpdateGuard
{
public:
    explicit TUpdateGuard(TStrings *Strings) : FStrings(Strings) { FStrings->BeginUpdate(); }
    ~TUpdateGuard() noexcept(false)
    {
        if (std::uncaught_exceptions() > FUncaught) {
            try {
                FStrings->EndUpdate();
            } catch (...) {
                // The exception already on its way is the one to report.
            }
        } else {
            FStrings->EndUpdate();
        }
    }
    TUpdateGuard(const TUpdateGuard &) = delete;
    TUpdateGuard &operator=(const TUpdateGuard &) = delete;

private:
    TStrings *FStrings;
    int FUncaught = std::uncaught_exceptions();
};

QByteArray ReadRest(TStream *Stream)
{
    const qint64 Size = Stream->Size() - Stream->Position();
    if (Size <= 0)
        return QByteArray();
    QByteArray Bytes(qsizetype(Size), Qt::Uninitialized);
    qint64 Done = 0;
    while (Done < Size) {
        const qint64 N = Stream->Read(Bytes.data() + Done, Size - Done);
        if (N <= 0)
            break;
        Done += N;
    }
    Bytes.resize(qsizetype(Done));
    return Bytes;
}

char32_t NextCodePoint(const QString &S, qsizetype &I)
{
    const char16_t C = S.at(I++).unicode();
    if (QChar::isHighSurrogate(C) && I < S.size() && QChar::isLowSurrogate(S.at(I).unicode()))
        return QChar::surrogateToUcs4(C, S.at(I++).unicode());
    return C;
}

} // namespace

// Class references; these classes publish no properties of their own.
STATION_PUBLISHED(TList) {}
// Text is reachable by name ("Lines.Text") but not streamed: the lines
// travel as the defined property "Strings".
STATION_PUBLISHED(TStrings)
{
    P.Prop("Text", &TStrings::Text, &TStrings::SetText).Stored(false);
}
STATION_PUBLISHED(TStringList) {}

// --- TList -------------------------------------------------------------------

TList::~TList()
{
    TList::Clear();
}

void TList::Error(const char *Msg, int Data)
{
    throw EListError(WithData(QString::fromLatin1(Msg), Data));
}

void TList::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= Count())
        Error(SListIndexError, Index);
}

void TList::Grow()
{
    int Delta;
    if (FCapacity > 64)
        Delta = FCapacity / 4;
    else if (FCapacity > 8)
        Delta = 16;
    else
        Delta = 4;
    SetCapacity(FCapacity + Delta);
}

void TList::Notify(void *, TListNotification) {}

quint64 TList::ItemSerial(void *Item) const
{
    return LiveSerial(static_cast<TObject *>(Item));
}

int TList::Add(void *Item)
{
    const int Result = Count();
    if (Result == FCapacity)
        Grow();
    FList.push_back({Item, ItemSerial(Item)});
    if (Item)
        Notify(Item, lnAdded);
    return Result;
}

void TList::Insert(int Index, void *Item)
{
    if (Index < 0 || Index > Count())
        Error(SListIndexError, Index);
    if (Count() == FCapacity)
        Grow();
    FList.insert(FList.begin() + Index, {Item, ItemSerial(Item)});
    if (Item)
        Notify(Item, lnAdded);
}

void TList::Delete(int Index)
{
    CheckIndex(Index);
    void *Temp = FList[size_t(Index)].Item;
    FList.erase(FList.begin() + Index);
    if (Temp)
        Notify(Temp, lnDeleted);
}

int TList::Remove(void *Item)
{
    const int Result = IndexOf(Item);
    if (Result >= 0)
        Delete(Result);
    return Result;
}

void *TList::Extract(void *Item)
{
    const int I = IndexOf(Item);
    if (I < 0)
        return nullptr;
    FList.erase(FList.begin() + I);
    Notify(Item, lnExtracted);
    return Item;
}

int TList::IndexOf(void *Item) const
{
    const auto It = std::find_if(FList.begin(), FList.end(), [Item](const TItem &I) { return I.Item == Item; });
    return It == FList.end() ? -1 : int(It - FList.begin());
}

void TList::Exchange(int Index1, int Index2)
{
    CheckIndex(Index1);
    CheckIndex(Index2);
    std::swap(FList[size_t(Index1)], FList[size_t(Index2)]);
}

void TList::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex)
        return;
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    const TItem Item = FList[size_t(CurIndex)];
    FList.erase(FList.begin() + CurIndex);
    FList.insert(FList.begin() + NewIndex, Item);
}

void TList::Clear()
{
    SetCount(0);
    SetCapacity(0);
}

void TList::Pack()
{
    FList.erase(std::remove_if(FList.begin(), FList.end(), [](const TItem &I) { return !I.Item; }), FList.end());
}

void TList::Sort(const TListSortCompare &Compare)
{
    if (Count() < 2)
        return;
    // Sorted on a copy: a comparison that raises (a script's, say) leaves the
    // list as it was instead of half merged with items lost.
    std::vector<TItem> Sorted = FList;
    std::stable_sort(Sorted.begin(), Sorted.end(),
                     [&](const TItem &A, const TItem &B) { return Compare(A.Item, B.Item) < 0; });
    FList.swap(Sorted);
}

void TList::SetCount(int NewCount)
{
    if (NewCount < 0 || NewCount > MaxListSize)
        Error(SListCountError, NewCount);
    if (NewCount > FCapacity)
        SetCapacity(NewCount);
    if (NewCount > Count())
        FList.resize(size_t(NewCount), TItem{nullptr, 0});
    else
        for (int I = Count() - 1; I >= NewCount; --I)
            Delete(I);
}

void TList::SetCapacity(int NewCapacity)
{
    if (NewCapacity < Count() || NewCapacity > MaxListSize)
        Error(SListCapacityError, NewCapacity);
    if (NewCapacity != FCapacity) {
        if (NewCapacity > FCapacity)
            FList.reserve(size_t(NewCapacity));
        else
            FList.shrink_to_fit();
        FCapacity = NewCapacity;
    }
}

void *TList::Items(int Index) const
{
    CheckIndex(Index);
    return FList[size_t(Index)].Item;
}

TObjectRef TList::ItemRef(int Index) const
{
    CheckIndex(Index);
    return {static_cast<TObject *>(FList[size_t(Index)].Item), FList[size_t(Index)].Serial};
}

void TList::SetItems(int Index, void *Item)
{
    CheckIndex(Index);
    void *Temp = FList[size_t(Index)].Item;
    if (Item == Temp)
        return;
    FList[size_t(Index)] = {Item, ItemSerial(Item)};
    if (Temp)
        Notify(Temp, lnDeleted);
    if (Item)
        Notify(Item, lnAdded);
}

// --- TStrings ----------------------------------------------------------------

int CompareTextOrdinal(const QString &S1, const QString &S2)
{
    qsizetype I = 0, J = 0;
    while (I < S1.size() && J < S2.size()) {
        char32_t C1 = NextCodePoint(S1, I);
        char32_t C2 = NextCodePoint(S2, J);
        if (C1 == C2)
            continue;
        C1 = QChar::toUpper(C1);
        C2 = QChar::toUpper(C2);
        if (C1 != C2)
            return C1 < C2 ? -1 : 1;
    }
    if (I < S1.size())
        return 1;
    if (J < S2.size())
        return -1;
    return 0;
}

void TStrings::Error(const QString &Msg, int Data)
{
    throw EStringListError(WithData(Msg, Data));
}

int TStrings::Add(const QString &S)
{
    const int Result = GetCount();
    Insert(Result, S);
    return Result;
}

int TStrings::AddObject(const QString &S, TObject *AObject)
{
    const int Result = Add(S);
    PutObject(Result, AObject);
    return Result;
}

void TStrings::AddStrings(TStrings *Strings)
{
    TUpdateGuard Guard(this);
    const int N = Strings->Count();
    for (int I = 0; I < N; ++I)
        AddObject(Strings->Strings(I), LiveObject(Strings->ObjectRef(I)));
}

void TStrings::InsertObject(int Index, const QString &S, TObject *AObject)
{
    Insert(Index, S);
    PutObject(Index, AObject);
}

void TStrings::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex)
        return;
    // Both indexes are checked before the line is taken out, so a bad
    // target cannot lose it.
    if (NewIndex < 0 || NewIndex >= GetCount())
        Error(QString::fromLatin1(SListIndexError), NewIndex);
    TUpdateGuard Guard(this);
    const QString S = Get(CurIndex);
    TObject *O = LiveObject(ObjectRef(CurIndex));
    Delete(CurIndex);
    InsertObject(NewIndex, S, O);
}

void TStrings::Exchange(int Index1, int Index2)
{
    TUpdateGuard Guard(this);
    TObject *TempObject = LiveObject(ObjectRef(Index1));
    const QString TempString = Get(Index1);
    Put(Index1, Get(Index2));
    PutObject(Index1, LiveObject(ObjectRef(Index2)));
    Put(Index2, TempString);
    PutObject(Index2, TempObject);
}

int TStrings::IndexOf(const QString &S) const
{
    const int N = GetCount();
    for (int I = 0; I < N; ++I)
        if (CompareStrings(Get(I), S) == 0)
            return I;
    return -1;
}

int TStrings::IndexOfName(const QString &Name) const
{
    const int N = GetCount();
    for (int I = 0; I < N; ++I) {
        const QString S = Get(I);
        const qsizetype P = S.indexOf(FNameValueSeparator);
        if (P >= 0 && CompareStrings(S.left(P), Name) == 0)
            return I;
    }
    return -1;
}

int TStrings::IndexOfObject(TObject *AObject) const
{
    const int N = GetCount();
    for (int I = 0; I < N; ++I)
        if (GetObject(I) == AObject)
            return I;
    return -1;
}

bool TStrings::Equals(TStrings *Strings) const
{
    const int N = GetCount();
    if (N != Strings->Count())
        return false;
    for (int I = 0; I < N; ++I)
        if (Get(I) != Strings->Strings(I))
            return false;
    return true;
}

void TStrings::Assign(TPersistent *Source)
{
    if (auto *Strings = dynamic_cast<TStrings *>(Source)) {
        if (Strings == this)
            return;
        TUpdateGuard Guard(this);
        Clear();
        AddStrings(Strings);
        return;
    }
    TPersistent::Assign(Source);
}

void TStrings::BeginUpdate()
{
    if (FUpdateCount == 0)
        SetUpdateState(true);
    ++FUpdateCount;
}

void TStrings::EndUpdate()
{
    if (FUpdateCount <= 0)
        return;
    --FUpdateCount;
    if (FUpdateCount == 0)
        SetUpdateState(false);
}

QString TStrings::Names(int Index) const
{
    const QString S = Get(Index);
    const qsizetype P = S.indexOf(FNameValueSeparator);
    return P >= 0 ? S.left(P) : QString();
}

QString TStrings::Values(const QString &Name) const
{
    const int I = IndexOfName(Name);
    if (I < 0)
        return QString();
    const QString S = Get(I);
    return S.mid(S.indexOf(FNameValueSeparator) + 1);
}

namespace {

bool IsSortedList(const TStrings *Strings)
{
    const auto *List = dynamic_cast<const TStringList *>(Strings);
    return List && List->Sorted();
}

} // namespace

void TStrings::SetValues(const QString &Name, const QString &Value)
{
    const int I = IndexOfName(Name);
    if (Value.isEmpty()) {
        if (I >= 0)
            Delete(I);
        return;
    }
    const QString Line = Name + FNameValueSeparator + Value;
    if (I < 0) {
        Add(Line);
    } else if (IsSortedList(this)) {
        // A sorted list cannot take a line in place: it goes where it sorts.
        TUpdateGuard Guard(this);
        TObject *O = LiveObject(ObjectRef(I));
        Delete(I);
        AddObject(Line, O);
    } else {
        Put(I, Line);
    }
}

QString TStrings::ValueFromIndex(int Index) const
{
    if (Index < 0)
        return QString();
    const QString S = Get(Index);
    const qsizetype P = S.indexOf(FNameValueSeparator);
    return P >= 0 ? S.mid(P + 1) : QString();
}

void TStrings::SetValueFromIndex(int Index, const QString &Value)
{
    if (Value.isEmpty()) {
        if (Index >= 0)
            Delete(Index);
        return;
    }
    if (Index < 0) {
        Add(FNameValueSeparator + Value);
        return;
    }
    const QString Line = Names(Index) + FNameValueSeparator + Value;
    if (IsSortedList(this)) {
        TUpdateGuard Guard(this);
        TObject *O = LiveObject(ObjectRef(Index));
        Delete(Index);
        AddObject(Line, O);
    } else {
        Put(Index, Line);
    }
}

QString TStrings::GetTextStr() const
{
    QString Result;
    const int N = GetCount();
    for (int I = 0; I < N; ++I) {
        Result += Get(I);
        Result += QLatin1String("\r\n");
    }
    return Result;
}

void TStrings::SetTextStr(const QString &Value)
{
    TUpdateGuard Guard(this);
    Clear();
    const qsizetype N = Value.size();
    qsizetype I = 0;
    while (I < N) {
        const qsizetype Start = I;
        while (I < N && Value.at(I) != QLatin1Char('\r') && Value.at(I) != QLatin1Char('\n'))
            ++I;
        Add(Value.mid(Start, I - Start));
        if (I < N && Value.at(I) == QLatin1Char('\r'))
            ++I;
        if (I < N && Value.at(I) == QLatin1Char('\n'))
            ++I;
    }
}

QString TStrings::DelimitedWith(QChar Delim, QChar Quote, bool Strict) const
{
    const int N = GetCount();
    if (N == 1 && Get(0).isEmpty())
        return QString(Quote) + Quote;
    QString Result;
    for (int I = 0; I < N; ++I) {
        QString S = Get(I);
        const bool NeedsQuotes = std::any_of(S.cbegin(), S.cend(), [&](QChar C) {
            return (!Strict && C.unicode() <= ' ') || C == Quote || C == Delim;
        });
        if (NeedsQuotes) {
            S.replace(Quote, QString(Quote) + Quote);
            S = Quote + S + Quote;
        }
        if (I > 0)
            Result += Delim;
        Result += S;
    }
    return Result;
}

void TStrings::SetDelimitedWith(const QString &Value, QChar Delim, QChar Quote, bool Strict)
{
    TUpdateGuard Guard(this);
    Clear();
    const qsizetype N = Value.size();
    auto IsBlank = [&](qsizetype I) {
        return I < N && Value.at(I).unicode() >= 1 && Value.at(I).unicode() <= ' ';
    };
    qsizetype P = 0;
    if (!Strict)
        while (IsBlank(P))
            ++P;
    while (P < N) {
        QString S;
        if (Value.at(P) == Quote) {
            // Quoted: doubled quotes stand for one; an unclosed quote runs to the end.
            ++P;
            while (P < N) {
                if (Value.at(P) == Quote) {
                    if (P + 1 < N && Value.at(P + 1) == Quote) {
                        S += Quote;
                        P += 2;
                        continue;
                    }
                    ++P;
                    break;
                }
                S += Value.at(P++);
            }
        } else {
            const qsizetype Start = P;
            while (P < N && (Strict || Value.at(P).unicode() > ' ') && Value.at(P) != Delim)
                ++P;
            S = Value.mid(Start, P - Start);
        }
        Add(S);
        if (!Strict)
            while (IsBlank(P))
                ++P;
        if (P < N && Value.at(P) == Delim) {
            if (P + 1 == N)
                Add(QString());
            do
                ++P;
            while (!Strict && IsBlank(P));
        }
    }
}

QString TStrings::CommaText() const
{
    return DelimitedWith(QLatin1Char(','), QLatin1Char('"'), false);
}

void TStrings::SetCommaText(const QString &Value)
{
    SetDelimitedWith(Value, QLatin1Char(','), QLatin1Char('"'), false);
}

QString TStrings::DelimitedText() const
{
    return DelimitedWith(FDelimiter, FQuoteChar, FStrictDelimiter);
}

void TStrings::SetDelimitedText(const QString &Value)
{
    SetDelimitedWith(Value, FDelimiter, FQuoteChar, FStrictDelimiter);
}

void TStrings::SetBytes(const QByteArray &Bytes, int CodePage, bool DetectMark)
{
    if (DetectMark) {
        if (Bytes.startsWith("\xFF\xFE")) {
            SetTextStr(QStringDecoder(QStringDecoder::Utf16LE).decode(Bytes.mid(2)));
            return;
        }
        if (Bytes.startsWith("\xFE\xFF")) {
            SetTextStr(QStringDecoder(QStringDecoder::Utf16BE).decode(Bytes.mid(2)));
            return;
        }
    }
    if (CodePage == CP_UTF8 && Bytes.startsWith("\xEF\xBB\xBF")) {
        SetTextStr(QString::fromUtf8(Bytes.mid(3)));
        return;
    }
    SetTextStr(CodePageToString(Bytes, CodePage));
}

void TStrings::LoadFromStream(TStream *Stream)
{
    SetBytes(ReadRest(Stream), CP_UTF8, true);
}

void TStrings::LoadFromStream(TStream *Stream, int CodePage)
{
    SetBytes(ReadRest(Stream), CodePage, false);
}

void TStrings::SaveToStream(TStream *Stream)
{
    const QByteArray Bytes = GetTextStr().toUtf8();
    Stream->WriteBuffer(Bytes.constData(), Bytes.size());
}

void TStrings::SaveToStream(TStream *Stream, int CodePage)
{
    const QByteArray Bytes = StringToCodePage(GetTextStr(), CodePage);
    Stream->WriteBuffer(Bytes.constData(), Bytes.size());
}

void TStrings::LoadFromFile(const QString &FileName)
{
    TFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&Stream);
}

void TStrings::LoadFromFile(const QString &FileName, int CodePage)
{
    TFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&Stream, CodePage);
}

void TStrings::SaveToFile(const QString &FileName)
{
    TFileStream Stream(FileName, fmCreate);
    SaveToStream(&Stream);
}

void TStrings::SaveToFile(const QString &FileName, int CodePage)
{
    TFileStream Stream(FileName, fmCreate);
    SaveToStream(&Stream, CodePage);
}

void TStrings::DefineProperties(TFiler *Filer)
{
    bool HasData;
    if (TPersistent *Ancestor = Filer->Ancestor()) {
        auto *AncestorStrings = dynamic_cast<TStrings *>(Ancestor);
        HasData = !AncestorStrings || !Equals(AncestorStrings);
    } else {
        HasData = GetCount() > 0;
    }
    Filer->DefineProperty(
        QStringLiteral("Strings"),
        [this](TReader *Reader) {
            Reader->ReadListBegin();
            {
                TUpdateGuard Guard(this);
                Clear();
                while (!Reader->EndOfList())
                    Add(Reader->ReadString());
            }
            Reader->ReadListEnd();
        },
        [this](TWriter *Writer) {
            Writer->WriteListBegin();
            const int N = GetCount();
            for (int I = 0; I < N; ++I)
                Writer->WriteString(Get(I));
            Writer->WriteListEnd();
        },
        HasData);
}

TObject *TStrings::GetObject(int) const
{
    return nullptr;
}

TObjectRef TStrings::ObjectRef(int Index) const
{
    return {GetObject(Index), 0};
}

void TStrings::Put(int Index, const QString &S)
{
    TObject *TempObject = LiveObject(ObjectRef(Index));
    Delete(Index);
    InsertObject(Index, S, TempObject);
}

void TStrings::PutObject(int, TObject *) {}

void TStrings::SetUpdateState(bool) {}

int TStrings::CompareStrings(const QString &S1, const QString &S2) const
{
    return CompareTextOrdinal(S1, S2);
}

// --- TStringList -------------------------------------------------------------

TStringList::~TStringList()
{
    FOnChange = TNotifyEvent();
    FOnChanging = TNotifyEvent();
    TStringList::Clear();
}

void TStringList::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= GetCount())
        Error(QString::fromLatin1(SListIndexError), Index);
}

void TStringList::Changed()
{
    if (UpdateCount() == 0 && FOnChange)
        FOnChange(this);
}

void TStringList::Changing()
{
    if (UpdateCount() == 0 && FOnChanging)
        FOnChanging(this);
}

void TStringList::SetUpdateState(bool Updating)
{
    if (Updating)
        Changing();
    else
        Changed();
}

int TStringList::CompareStrings(const QString &S1, const QString &S2) const
{
    if (FCaseSensitive)
        return QString::compare(S1, S2, Qt::CaseSensitive);
    return CompareTextOrdinal(S1, S2);
}

bool TStringList::Find(const QString &S, int &Index) const
{
    bool Result = false;
    int L = 0;
    int H = GetCount() - 1;
    while (L <= H) {
        const int I = (L + H) / 2;
        const int C = CompareStrings(FList[I].FString, S);
        if (C < 0) {
            L = I + 1;
        } else {
            H = I - 1;
            if (C == 0) {
                Result = true;
                if (FDuplicates != dupAccept)
                    L = I;
            }
        }
    }
    Index = L;
    return Result;
}

int TStringList::Add(const QString &S)
{
    return AddObject(S, nullptr);
}

int TStringList::AddObject(const QString &S, TObject *AObject)
{
    int Result = GetCount();
    if (FSorted && Find(S, Result)) {
        if (FDuplicates == dupIgnore)
            return Result;
        if (FDuplicates == dupError)
            Error(QString::fromLatin1(SDuplicateString), 0);
    }
    InsertItem(Result, S, AObject);
    return Result;
}

void TStringList::Insert(int Index, const QString &S)
{
    InsertObject(Index, S, nullptr);
}

void TStringList::InsertObject(int Index, const QString &S, TObject *AObject)
{
    if (FSorted)
        Error(QString::fromLatin1(SSortedListError), 0);
    if (Index < 0 || Index > GetCount())
        Error(QString::fromLatin1(SListIndexError), Index);
    InsertItem(Index, S, AObject);
}

void TStringList::InsertItem(int Index, const QString &S, TObject *AObject)
{
    Changing();
    FList.insert(Index, TStringItem{S, AObject, LiveSerial(AObject)});
    Changed();
}

void TStringList::Delete(int Index)
{
    CheckIndex(Index);
    Changing();
    const TObjectRef Obj{FList[Index].FObject, FList[Index].FSerial};
    FList.removeAt(Index);
    // One freed elsewhere meanwhile is not freed again.
    if (FOwnsObjects)
        delete LiveObject(Obj);
    Changed();
}

void TStringList::Clear()
{
    if (FList.isEmpty())
        return;
    Changing();
    QList<TStringItem> Old;
    Old.swap(FList);
    if (FOwnsObjects)
        for (const TStringItem &Item : Old)
            delete LiveObject({Item.FObject, Item.FSerial});
    Changed();
}

void TStringList::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex)
        return;
    // Moving or exchanging would break the order Find relies on.
    if (FSorted)
        Error(QString::fromLatin1(SSortedListError), 0);
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    Changing();
    FList.move(CurIndex, NewIndex);
    Changed();
}

void TStringList::Exchange(int Index1, int Index2)
{
    if (FSorted)
        Error(QString::fromLatin1(SSortedListError), 0);
    CheckIndex(Index1);
    CheckIndex(Index2);
    Changing();
    FList.swapItemsAt(Index1, Index2);
    Changed();
}

int TStringList::IndexOf(const QString &S) const
{
    if (!FSorted)
        return TStrings::IndexOf(S);
    int Result;
    return Find(S, Result) ? Result : -1;
}

void TStringList::SortAlways(const TStringListSortCompare &Compare)
{
    if (GetCount() < 2)
        return;
    std::vector<int> Order(static_cast<size_t>(GetCount()));
    std::iota(Order.begin(), Order.end(), 0);
    std::stable_sort(Order.begin(), Order.end(),
                     [&](int A, int B) { return Compare(this, A, B) < 0; });
    Changing();
    QList<TStringItem> Sorted;
    Sorted.reserve(FList.size());
    for (int I : Order)
        Sorted.append(FList[I]);
    FList.swap(Sorted);
    Changed();
}

void TStringList::Sort()
{
    CustomSort([](TStringList *List, int Index1, int Index2) {
        return List->CompareStrings(List->FList[Index1].FString, List->FList[Index2].FString);
    });
}

void TStringList::CustomSort(const TStringListSortCompare &Compare)
{
    if (!FSorted)
        SortAlways(Compare);
}

void TStringList::SetSorted(bool Value)
{
    if (FSorted == Value)
        return;
    if (Value)
        Sort();
    FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value)
{
    if (FCaseSensitive == Value)
        return;
    FCaseSensitive = Value;
    // The order changes with the rule; keep Find right.
    if (FSorted) {
        FSorted = false;
        Sort();
        FSorted = true;
    }
}

QString TStringList::Get(int Index) const
{
    CheckIndex(Index);
    return FList[Index].FString;
}

TObject *TStringList::GetObject(int Index) const
{
    CheckIndex(Index);
    return FList[Index].FObject;
}

TObjectRef TStringList::ObjectRef(int Index) const
{
    CheckIndex(Index);
    return {FList[Index].FObject, FList[Index].FSerial};
}

void TStringList::Put(int Index, const QString &S)
{
    if (FSorted)
        Error(QString::fromLatin1(SSortedListError), 0);
    CheckIndex(Index);
    Changing();
    FList[Index].FString = S;
    Changed();
}

void TStringList::PutObject(int Index, TObject *AObject)
{
    CheckIndex(Index);
    Changing();
    FList[Index].FObject = AObject;
    FList[Index].FSerial = LiveSerial(AObject);
    Changed();
}
