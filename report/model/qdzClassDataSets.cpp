// Datasets of the report model: the row sources the engine walks, the
// report's dataset lists and the process-wide list that look-ups by name
// search.
#include "qdzClass.h"

#include "platform/Colors.h"
#include "platform/Filer.h"
#include "platform/Graphics.h"
#include "platform/SysUtils.h"
#include "qdzRes.h"
#include "qdzVariables.h"

#include <QMutex>
#include <QMutexLocker>
#include <algorithm>
#include <cmath>

namespace {

// Every dataset of the process, guarded for reports built on other threads.
struct TqdzGlobalDataSetList
{
    QMutex Lock;
    std::vector<TqdzDataSet *> Items;
};

TqdzGlobalDataSetList &GlobalDataSets()
{
    static TqdzGlobalDataSetList List;
    return List;
}

bool UsesGlobalList(TqdzReport *Report);

} // namespace

std::vector<TqdzDataSet *> qdzGlobalDataSets()
{
    TqdzGlobalDataSetList &list = GlobalDataSets();
    QMutexLocker lock(&list.Lock);
    return list.Items;
}

// ------------------------------------------------------- TqdzDialogComponent

STATION_PUBLISHED(TqdzDialogComponent) {}

TqdzDialogComponent::TqdzDialogComponent(TComponent *AOwner) : TqdzReportComponent(AOwner) {}

void TqdzDialogComponent::Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY)
{
    // Shown only while a report is designed: a raised 28 x 28 box with the
    // component's name below it. The program holds no object images to put
    // in the box.
    if (!IsDesigning())
        return;
    const int x = Round(AbsLeft() * ScaleX + OffsetX);
    const int y = Round(AbsTop() * ScaleY + OffsetY);
    constexpr int Size = 28;
    Canvas->Brush()->SetColor(clBtnFace);
    Canvas->FillRect(Rect(x, y, x + Size, y + Size));
    Canvas->Pen()->SetColor(clBtnHighlight);
    Canvas->MoveTo(x, y + Size - 1);
    Canvas->LineTo(x, y);
    Canvas->LineTo(x + Size - 1, y);
    Canvas->Pen()->SetColor(clBtnShadow);
    Canvas->LineTo(x + Size - 1, y + Size - 1);
    Canvas->LineTo(x - 1, y + Size - 1);
    Canvas->Font()->SetName(QStringLiteral("Tahoma"));
    Canvas->Font()->SetSize(8);
    Canvas->Font()->SetColor(clBlack);
    Canvas->Font()->SetStyle(TFontStyles());
    Canvas->Brush()->SetStyle(bsClear);
    Canvas->TextOut(x + (Size - Canvas->TextWidth(Name())) / 2, y + Size + 2, Name());
}

void TqdzDialogComponent::DefineProperties(TFiler *Filer)
{
    TqdzReportComponent::DefineProperties(Filer);
    Filer->DefineProperty(
        QStringLiteral("pLeft"), [this](TReader *Reader) { SetLeft(Reader->ReadInteger()); },
        [this](TWriter *Writer) { Writer->WriteInteger(int(Round(Left()))); }, true);
    Filer->DefineProperty(
        QStringLiteral("pTop"), [this](TReader *Reader) { SetTop(Reader->ReadInteger()); },
        [this](TWriter *Writer) { Writer->WriteInteger(int(Round(Top()))); }, true);
}

// --------------------------------------------------------------- TqdzDataSet

STATION_PUBLISHED(TqdzDataSet)
{
    P.Prop("Enabled", &TqdzDataSet::Enabled, &TqdzDataSet::SetEnabled).Default(true);
    P.Prop("RangeBegin", &TqdzDataSet::RangeBegin, &TqdzDataSet::SetRangeBegin).Default(rbFirst);
    P.Prop("RangeEnd", &TqdzDataSet::RangeEnd, &TqdzDataSet::SetRangeEnd).Default(reLast);
    P.Prop("RangeEndCount", &TqdzDataSet::RangeEndCount, &TqdzDataSet::SetRangeEndCount).Default(0);
    P.Prop("UserName", &TqdzDataSet::UserName, &TqdzDataSet::SetUserName);
    P.Prop("OnCheckEOF", &TqdzDataSet::OnCheckEOF, &TqdzDataSet::SetOnCheckEOF);
    P.Prop("OnFirst", &TqdzDataSet::OnFirst, &TqdzDataSet::SetOnFirst);
    P.Prop("OnNext", &TqdzDataSet::OnNext, &TqdzDataSet::SetOnNext);
    P.Prop("OnPrior", &TqdzDataSet::OnPrior, &TqdzDataSet::SetOnPrior);
}

TqdzDataSet::TqdzDataSet(TComponent *AOwner) : TqdzDialogComponent(AOwner)
{
    TqdzGlobalDataSetList &list = GlobalDataSets();
    QMutexLocker lock(&list.Lock);
    list.Items.push_back(this);
}

TqdzDataSet::~TqdzDataSet()
{
    TqdzGlobalDataSetList &list = GlobalDataSets();
    QMutexLocker lock(&list.Lock);
    list.Items.erase(std::remove(list.Items.begin(), list.Items.end(), this), list.Items.end());
}

void TqdzDataSet::SetName(const QString &NewName)
{
    const QString old = Name();
    const bool follows = FUserName == old;
    TqdzDialogComponent::SetName(NewName);
    if (follows)
        FUserName = Name();
}

QString TqdzDataSet::GetDisplayText(const QString &)
{
    return QString();
}

int TqdzDataSet::GetDisplayWidth(const QString &)
{
    return 10;
}

TqdzFieldType TqdzDataSet::GetFieldType(const QString &)
{
    return fftNumeric;
}

Variant TqdzDataSet::GetValue(const QString &)
{
    return Null();
}

void TqdzDataSet::SetUserName(const QString &Value)
{
    if (Value.trimmed().isEmpty())
        throw Exception(qdzResources()->ResourceText(QStringLiteral("prInvProp")));
    FUserName = Value;
}

void TqdzDataSet::Initialize() {}

void TqdzDataSet::Finalize() {}

void TqdzDataSet::Open()
{
    FOnOpen(this);
}

void TqdzDataSet::Close()
{
    FOnClose(this);
}

void TqdzDataSet::First()
{
    FRecNo = 0;
    FEof = false;
    FOnFirst(this);
}

void TqdzDataSet::Next()
{
    FEof = false;
    ++FRecNo;
    if (FRangeEnd == reCount && FRecNo >= FRangeEndCount) {
        // Stays on the last record; with no records at all on the first,
        // so that a record number is never negative.
        FRecNo = std::max(FRangeEndCount - 1, 0);
        FEof = true;
        return;
    }
    FOnNext(this);
}

void TqdzDataSet::Prior()
{
    --FRecNo;
    FOnPrior(this);
}

bool TqdzDataSet::Eof()
{
    bool result = FRangeEnd == reCount && (FRecNo >= FRangeEndCount || FEof);
    FOnCheckEOF(this, result);
    return result;
}

int TqdzDataSet::FieldsCount()
{
    return 0;
}

bool TqdzDataSet::IsBlobField(const QString &)
{
    return false;
}

int TqdzDataSet::RecordCount()
{
    return FRangeBegin == rbFirst && FRangeEnd == reCount ? FRangeEndCount : 0;
}

void TqdzDataSet::AssignBlobTo(const QString &, TObject *) {}

void TqdzDataSet::GetFieldList(TStrings *List)
{
    List->Clear();
}

bool TqdzDataSet::HasField(const QString &Name)
{
    TStringList list;
    GetFieldList(&list);
    return list.IndexOf(Name) >= 0;
}

// ----------------------------------------------------------- TqdzUserDataSet

STATION_PUBLISHED(TqdzUserDataSet)
{
    P.Prop("Fields", &TqdzUserDataSet::Fields, &TqdzUserDataSet::SetFields);
    P.Prop("OnGetValue", &TqdzUserDataSet::OnGetValue, &TqdzUserDataSet::SetOnGetValue);
    P.Prop("OnNewGetValue", &TqdzUserDataSet::OnNewGetValue, &TqdzUserDataSet::SetOnNewGetValue);
}

TqdzUserDataSet::TqdzUserDataSet(TComponent *AOwner)
    : TqdzDataSet(AOwner), FFields(std::make_unique<TStringList>())
{
}

TqdzUserDataSet::~TqdzUserDataSet() = default;

QString TqdzUserDataSet::GetDisplayText(const QString &Index)
{
    Variant v = Null();
    FOnGetValue(Index, v);
    if (FOnNewGetValue.Assigned()) {
        v = Null();
        FOnNewGetValue(this, Index, v);
    }
    return VarToStr(v);
}

Variant TqdzUserDataSet::GetValue(const QString &Index)
{
    Variant v = Null();
    FOnGetValue(Index, v);
    FOnNewGetValue(this, Index, v);
    return v;
}

int TqdzUserDataSet::FieldsCount()
{
    return FFields->Count();
}

void TqdzUserDataSet::GetFieldList(TStrings *List)
{
    List->Assign(FFields.get());
}

// ------------------------------------------------------- TqdzCustomDBDataSet

STATION_PUBLISHED(TqdzCustomDBDataSet)
{
    P.Prop("CloseDataSource", &TqdzCustomDBDataSet::CloseDataSource, &TqdzCustomDBDataSet::SetCloseDataSource)
        .Default(false);
    P.Prop("FieldAliases", &TqdzCustomDBDataSet::FieldAliases, &TqdzCustomDBDataSet::SetFieldAliases);
    P.Prop("OpenDataSource", &TqdzCustomDBDataSet::OpenDataSource, &TqdzCustomDBDataSet::SetOpenDataSource)
        .Default(true);
    P.Prop("OnClose", &TqdzCustomDBDataSet::OnClose, &TqdzCustomDBDataSet::SetOnClose);
    P.Prop("OnOpen", &TqdzCustomDBDataSet::OnOpen, &TqdzCustomDBDataSet::SetOnOpen);
}

TqdzCustomDBDataSet::TqdzCustomDBDataSet(TComponent *AOwner)
    : TqdzDataSet(AOwner), FFieldAliases(std::make_unique<TStringList>()), FFieldList(std::make_unique<TStringList>())
{
    FFieldList->SetSorted(true);
}

TqdzCustomDBDataSet::~TqdzCustomDBDataSet() = default;

int TqdzCustomDBDataSet::FieldsCount()
{
    GetFieldList(FFieldList.get());
    return FFieldList->Count();
}

// -------------------------------------------------------- TqdzCustomDatabase

STATION_PUBLISHED(TqdzCustomDatabase) {}

TqdzCustomDatabase::TqdzCustomDatabase(TComponent *AOwner) : TqdzDialogComponent(AOwner) {}

// ----------------------------------------------------------- TqdzDataSetItem

STATION_PUBLISHED(TqdzDataSetItem)
{
    P.Prop("DataSet", &TqdzDataSetItem::DataSet, &TqdzDataSetItem::SetDataSet);
    P.Prop("DataSetName", &TqdzDataSetItem::DataSetName, &TqdzDataSetItem::SetDataSetName);
}

TqdzDataSetItem::TqdzDataSetItem(TCollection *Collection) : TCollectionItem(Collection) {}

namespace {

TqdzReport *ItemReport(const TCollectionItem *Item)
{
    auto *c = dynamic_cast<TqdzReportDataSets *>(Item->Collection());
    return c ? c->Report() : nullptr;
}

} // namespace

void TqdzDataSetItem::SetDataSet(TqdzDataSet *Value)
{
    FDataSet = Value;
    if (Value) {
        FDataSetName = Value->UserName();
        // A dataset owned elsewhere must not be left behind in the list
        // when it is freed.
        if (TqdzReport *r = ItemReport(this))
            r->FreeNotification(Value);
    }
}

QString TqdzDataSetItem::DataSetName() const
{
    return FDataSet ? FDataSet->UserName() : FDataSetName;
}

void TqdzDataSetItem::SetDataSetName(const QString &Value)
{
    FDataSetName = Value;
    if (Value.isEmpty()) {
        FDataSet = nullptr;
        return;
    }
    TqdzReport *r = ItemReport(this);
    TqdzDataSet *ds = qdzFindDataSet(r, FDataSet, Value);
    FDataSet = ds;
    if (ds && r)
        r->FreeNotification(ds);
}

// -------------------------------------------------------- TqdzReportDataSets

STATION_PUBLISHED(TqdzReportDataSets) {}

TqdzReportDataSets::TqdzReportDataSets(TqdzReport *AReport)
    : TCollection(TqdzDataSetItem::StaticClass()), FReport(AReport)
{
}

void TqdzReportDataSets::Initialize()
{
    for (int i = 0; i < Count(); ++i)
        if (TqdzDataSet *ds = Items(i)->DataSet()) {
            ds->SetReport(FReport);
            ds->Initialize();
        }
}

void TqdzReportDataSets::Finalize()
{
    for (int i = 0; i < Count(); ++i)
        if (TqdzDataSet *ds = Items(i)->DataSet())
            ds->Finalize();
}

TqdzDataSetItem *TqdzReportDataSets::Find(TqdzDataSet *DataSet) const
{
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->DataSet() == DataSet)
            return Items(i);
    return nullptr;
}

TqdzDataSetItem *TqdzReportDataSets::Find(const QString &Name) const
{
    for (int i = 0; i < Count(); ++i) {
        TqdzDataSet *ds = Items(i)->DataSet();
        if (ds && StationRtti::SameName(ds->UserName(), Name))
            return Items(i);
    }
    return nullptr;
}

void TqdzReportDataSets::RemoveDataSet(TComponent *AComponent)
{
    for (int i = Count() - 1; i >= 0; --i)
        if (TqdzDataSet *ds = Items(i)->DataSet(); ds && static_cast<TComponent *>(ds) == AComponent)
            Delete(i);
}

// ------------------------------------------------------------------ look-up

namespace {

bool UsesGlobalList(TqdzReport *Report)
{
    return Report->EngineOptions()->UseGlobalDataSetList();
}

} // namespace

TqdzDataSet *qdzFindDataSet(TComponent *Owner, TqdzDataSet *Current, const QString &Name)
{
    if (Name.isEmpty())
        return nullptr;
    TqdzReport *report = dynamic_cast<TqdzReport *>(Owner);
    if (!report)
        if (auto *c = dynamic_cast<TqdzComponent *>(Owner))
            report = c->GetReport();
    if (!report)
        return Current;
    if (!UsesGlobalList(report)) {
        TqdzDataSetItem *item = report->EnabledDataSets()->Find(Name);
        return item ? item->DataSet() : nullptr;
    }
    TqdzGlobalDataSetList &list = GlobalDataSets();
    QMutexLocker lock(&list.Lock);
    for (TqdzDataSet *ds : list.Items) {
        if (!StationRtti::SameName(ds->UserName(), Name))
            continue;
        TqdzReport *owner = ds->GetReport();
        if (!owner || owner == report)
            return ds;
    }
    return Current;
}
