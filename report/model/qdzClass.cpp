// Implementation of the report's component tree.
#include "qdzClass.h"

#include "platform/CodePages.h"
#include "platform/SysUtils.h"
#include "qdzRes.h"
#include "qdzVariables.h"
#include "qdzWideStrings.h"
#include "qdzXML.h"
#include "qdzXMLSerializer.h"

#include <QMutexLocker>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Flags of the design-time creation in progress; -1 outside one.
thread_local int GDesignCreateFlags = -1;

// The classes templates may name, findable by their element names.
void RegisterReportClasses()
{
    static const bool Done = [] {
        RegisterClasses({TqdzReport::StaticClass(), TqdzReportPage::StaticClass(), TqdzDialogPage::StaticClass(),
                         TqdzNullBand::StaticClass(), TqdzCustomMemoView::StaticClass(),
                         TqdzMemoView::StaticClass(), TqdzSysMemoView::StaticClass(),
                         TqdzLineView::StaticClass(), TqdzPictureView::StaticClass(),
                         TqdzShapeView::StaticClass(), TqdzSubreport::StaticClass(),
                         TqdzUserDataSet::StaticClass(), TqdzChild::StaticClass(),
                         TqdzColumnFooter::StaticClass(), TqdzColumnHeader::StaticClass(),
                         TqdzMasterData::StaticClass(), TqdzDetailData::StaticClass(),
                         TqdzSubdetailData::StaticClass(), TqdzDataBand4::StaticClass(),
                         TqdzDataBand5::StaticClass(), TqdzDataBand6::StaticClass(), TqdzFooter::StaticClass(),
                         TqdzGroupFooter::StaticClass(), TqdzGroupHeader::StaticClass(),
                         TqdzHeader::StaticClass(), TqdzOverlay::StaticClass(), TqdzPageFooter::StaticClass(),
                         TqdzPageHeader::StaticClass(), TqdzReportSummary::StaticClass(),
                         TqdzReportTitle::StaticClass(), TqdzDataPage::StaticClass(),
                         TqdzStyleItem::StaticClass(), TqdzFrame::StaticClass(),
                         TqdzHighlight::StaticClass(), TqdzCustomLineView::StaticClass()});
        return true;
    }();
    (void)Done;
}

// The report object AOwner is, if it is one; by the class registry, which
// answers faster than a dynamic_cast.
TqdzComponent *AsReportObject(TComponent *AOwner)
{
    return AOwner && AOwner->InheritsFrom(TqdzComponent::StaticClass()) ? static_cast<TqdzComponent *>(AOwner)
                                                                        : nullptr;
}

TComponent *ClassLibraryOwner(TComponent *AOwner)
{
    if (TqdzComponent *c = AsReportObject(AOwner))
        return c->GetReport();
    return AOwner;
}

bool Differ(double A, double B)
{
    return std::abs(A - B) > 0.0001;
}

QByteArray FloatText(double Value)
{
    return FloatToStr(Value).toLatin1();
}

} // namespace

QRecursiveMutex *qdzEngineLock()
{
    static QRecursiveMutex Lock;
    return &Lock;
}

// ------------------------------------------------------------ TqdzComponent

STATION_PUBLISHED(TqdzComponent) {}

TqdzComponent::TqdzComponent(TComponent *AOwner)
    : TComponent(ClassLibraryOwner(AOwner))
{
    RegisterReportClasses();
    qdzLoadCursors();
    FIsDesigning = GDesignCreateFlags >= 0;
    FFont.SetOnChange(TNotifyEvent(this, &TqdzComponent::FontChanged));
    FVisible = true;
    FFlags = qdzFlagShowInPrepared;
    SetParentFont(true);
    if (TqdzComponent *p = AsReportObject(AOwner))
        SetParent(p);
}

TqdzComponent::~TqdzComponent()
{
    TqdzReport *r = GetReport();
    // A child freed with its parent has left the report's tree already; the
    // report still owns it, and a read in progress must forget it too.
    if (TqdzComponent *o = AsReportObject(Owner()); !r && o && o->FIsReport)
        r = static_cast<TqdzReport *>(o);
    if (r && r != this && r->XMLSerializer())
        r->XMLSerializer()->ForgetObject(this);
    FFont.SetOnChange(TNotifyEvent());
    SetParent(nullptr);
    // Every child goes, ancestor objects too: a kept child would be left
    // pointing at a parent that no longer exists. Last first, the reverse of
    // loading, so each leaves the end of its owner's and parent's lists.
    // The list is read again after each: a child that frees a sibling on its
    // way out takes that sibling off the list, so nothing is freed twice.
    std::vector<TqdzComponent *> Children;
    for (int i = 0; i < FObjects.Count(); ++i)
        Children.push_back(static_cast<TqdzComponent *>(FObjects.Items(i)));
    const bool Freeing = r && r != this && r->BeginFreeing(Children);
    for (int n = FObjects.Count(); n > 0; n = FObjects.Count()) {
        static_cast<TqdzComponent *>(FObjects.Items(n - 1))->Free();
        // A freed child always leaves the list; never free one twice.
        if (FObjects.Count() >= n)
            FObjects.Delete(n - 1);
    }
    if (Freeing)
        r->EndFreeing();
}

TqdzComponent *TqdzComponent::DesignCreate(TClass AClass, TComponent *AOwner, int Flags)
{
    if (!AClass || !AClass->InheritsFrom(StaticClass()))
        throw EInvalidCast(QStringLiteral("Invalid class typecast"));
    const int saved = GDesignCreateFlags;
    GDesignCreateFlags = Flags < 0 ? 0 : Flags;
    TObject *obj = nullptr;
    try {
        obj = AClass->Create(AOwner);
    } catch (...) {
        GDesignCreateFlags = saved;
        throw;
    }
    GDesignCreateFlags = saved;
    return static_cast<TqdzComponent *>(obj);
}

int TqdzComponent::DesignCreateFlags()
{
    return GDesignCreateFlags;
}

void TqdzComponent::Assign(TPersistent *Source)
{
    auto *src = dynamic_cast<TqdzComponent *>(Source);
    if (!src)
        return;
    TMemoryStream s;
    src->SaveToStream(&s, false, false, true);
    s.SetPosition(0);
    LoadFromStream(&s);
}

void TqdzComponent::AssignAll(TqdzComponent *Source)
{
    if (!Source)
        return;
    TMemoryStream s;
    Source->SaveToStream(&s, true, false, true);
    s.SetPosition(0);
    LoadFromStream(&s);
}

void TqdzComponent::SetName(const QString &NewName)
{
    TqdzReport *r = GetReport();
    if (!StationRtti::SameName(NewName, Name()) && !NewName.isEmpty() && r) {
        if (r->HasIndexedName(NewName)) {
            TqdzComponent *c = r->FindObject(NewName);
            if (c && c != this)
                throw Exception(qdzResources()->ResourceText(QStringLiteral("prDupl")));
        }
        if (IsAncestor())
            throw Exception(
                QStringLiteral("Could not rename %1, it was introduced in the ancestor report").arg(Name()));
    }
    const QString oldName = Name();
    TComponent::SetName(NewName);
    if (r && r != this) {
        r->IndexName(oldName, -1);
        r->IndexName(Name(), 1);
    }
}

void TqdzComponent::GetChildren(const TGetChildProc &Proc, TComponent *)
{
    if (auto *r = dynamic_cast<TqdzReport *>(this); r && !r->StoreInDFM())
        return;
    for (int i = 0; i < FObjects.Count(); ++i)
        Proc(static_cast<TqdzComponent *>(FObjects.Items(i)));
}

void TqdzComponent::SetParent(TqdzComponent *AParent)
{
    // A parent inside the object's own subtree would make the tree a loop.
    for (TqdzComponent *p = AParent; p; p = p->FParent)
        if (p == this)
            throw EComponentError(QStringLiteral("Circular parent reference is not allowed"));
    // A report indexes the names of its own tree (not the report's own name).
    const bool isReport = InheritsFrom(TqdzReport::StaticClass());
    TqdzReport *oldReport = FParent && !isReport ? FParent->GetReport() : nullptr;
    TqdzReport *newReport = AParent && !isReport ? AParent->GetReport() : nullptr;
    if (FParent != AParent) {
        if (FParent) {
            // Children leave last first (see the destructor): look at the end first.
            TList *siblings = &FParent->FObjects;
            const int last = siblings->Count() - 1;
            if (last >= 0 && siblings->Items(last) == this)
                siblings->Delete(last);
            else
                siblings->Remove(this);
        }
        if (AParent)
            AParent->FObjects.Add(this);
    }
    FParent = AParent;
    if (oldReport != newReport) {
        if (oldReport)
            oldReport->IndexNames(this, -1);
        if (newReport)
            newReport->IndexNames(this, 1);
    }
    if (FParent)
        SetParentFont(FParentFont);
}

void TqdzComponent::SetLeft(double Value)
{
    if (FIsDesigning && FRestrictions.Contains(rfDontMove))
        return;
    FLeft = Value;
}

void TqdzComponent::SetTop(double Value)
{
    if (FIsDesigning && FRestrictions.Contains(rfDontMove))
        return;
    FTop = Value;
}

void TqdzComponent::SetWidth(double Value)
{
    if (FIsDesigning && FRestrictions.Contains(rfDontSize))
        return;
    FWidth = Value;
}

void TqdzComponent::SetHeight(double Value)
{
    if (FIsDesigning && FRestrictions.Contains(rfDontSize))
        return;
    FHeight = Value;
}

void TqdzComponent::SetFont(TFont *Value)
{
    FFont.Assign(Value);
    FParentFont = false;
}

void TqdzComponent::SetParentFont(bool Value)
{
    if (Value && FParent)
        FFont.Assign(FParent->Font());
    FParentFont = Value;
}

void TqdzComponent::SetVisible(bool Value)
{
    FVisible = Value;
}

void TqdzComponent::FontChanged(TObject *)
{
    FParentFont = false;
    for (int i = 0; i < FObjects.Count(); ++i) {
        auto *c = static_cast<TqdzComponent *>(FObjects.Items(i));
        if (c->FParentFont)
            c->SetParentFont(true);
    }
}

TList *TqdzComponent::GetChildObjects()
{
    return &FObjects;
}

QString TqdzComponent::GetDescription() const
{
    return ClassName();
}

void TqdzComponent::AlignChildren()
{
    std::vector<TqdzView *> views;
    TStringList sl;
    sl.SetSorted(true);
    sl.SetDuplicates(dupAccept);
    for (int i = 0; i < FObjects.Count(); ++i) {
        auto *v = dynamic_cast<TqdzView *>(static_cast<TqdzComponent *>(FObjects.Items(i)));
        if (!v)
            continue;
        views.push_back(v);
        const QString key = v->Left() >= 0 ? QStringLiteral("0") + Format(QStringLiteral("%9.2f"), {v->Left()})
                                           : QStringLiteral("1") + Format(QStringLiteral("%9.2f"), {-v->Left()});
        sl.AddObject(key, v);
    }
    auto viewAt = [&sl](int i) { return static_cast<TqdzView *>(sl.Objects(i)); };
    auto overlapY = [](TqdzView *a, TqdzView *b) {
        return a->AbsTop() < b->AbsTop() + b->Height() - 0.0001 && b->AbsTop() < a->AbsTop() + a->Height() - 0.0001;
    };
    const int n = sl.Count();

    for (int i = 0; i < n; ++i) {
        TqdzView *v = viewAt(i);
        if (v->Align() != baLeft && v->Align() != baWidth)
            continue;
        TqdzView *found = nullptr;
        for (int j = i - 1; j >= 0; --j) {
            TqdzView *c = viewAt(j);
            if (v->Align() == baWidth && c->Left() > v->Left())
                continue;
            if (overlapY(c, v)) {
                found = c;
                break;
            }
        }
        v->SetLeft(found ? found->Left() + found->Width() : 0);
    }

    for (int i = n - 1; i >= 0; --i) {
        TqdzView *v = viewAt(i);
        if (v->Align() != baRight && v->Align() != baWidth)
            continue;
        TqdzView *found = nullptr;
        for (int j = i + 1; j < n; ++j) {
            TqdzView *c = viewAt(j);
            if (v->Align() == baWidth && c->Left() + c->Width() < v->Left() + v->Width())
                continue;
            if (overlapY(c, v)) {
                found = c;
                break;
            }
        }
        const double edge = found ? found->Left() : Width();
        if (v->Align() == baRight)
            v->SetLeft(edge - v->Width());
        else
            v->SetWidth(edge - v->Left());
    }

    for (TqdzView *v : views) {
        switch (v->Align()) {
        case baCenter:
            v->SetLeft((Width() - v->Width()) / 2);
            break;
        case baBottom:
            v->SetTop(Height() - v->Height());
            break;
        case baClient:
            v->SetLeft(0);
            v->SetTop(0);
            v->SetWidth(Width());
            v->SetHeight(Height());
            break;
        default:
            break;
        }
    }
}

void TqdzComponent::Clear()
{
    // Last first, as in the destructor.
    std::vector<TqdzComponent *> children, going;
    for (int i = FObjects.Count() - 1; i >= 0; --i) {
        children.push_back(static_cast<TqdzComponent *>(FObjects.Items(i)));
        if (!children.back()->ComponentState().Contains(csAncestor))
            going.push_back(children.back());
    }
    TqdzReport *r = GetReport();
    const bool freeing = r && r->BeginFreeing(going);
    try {
        for (TqdzComponent *c : children) {
            if (c->ComponentState().Contains(csAncestor))
                c->Clear();
            else
                c->Free();
        }
    } catch (...) {
        if (freeing)
            r->EndFreeing();
        throw;
    }
    if (freeing)
        r->EndFreeing();
}

void TqdzComponent::LoadFromStream(TStream *Stream)
{
    Clear();
    TqdzReport *report = GetReport();
    TqdzXMLSerializer serializer(Stream);
    serializer.SetOwner(report);
    // A read may start inside another one (an object copied while a
    // template is read): the outer serializer comes back afterwards.
    TqdzXMLSerializer *outer = report ? report->XMLSerializer() : nullptr;
    if (report)
        report->SetXMLSerializer(&serializer);
    struct Finish
    {
        TqdzReport *Report;
        TqdzXMLSerializer *Serializer;
        TqdzXMLSerializer *Outer;
        ~Finish()
        {
            if (!Report)
                return;
            Report->Errors()->AddStrings(Serializer->Errors());
            Report->SetXMLSerializer(Outer);
        }
    } finish{report, &serializer, outer};
    // Reports built on several threads read their templates one at a time.
    if (report && report->EngineOptions()->ThreadSafe()) {
        QMutexLocker lock(qdzEngineLock());
        serializer.ReadTemplateRoot(this, nullptr);
    } else {
        serializer.ReadTemplateRoot(this, nullptr);
    }
}

void TqdzComponent::SaveToStream(TStream *Stream, bool SaveChildren, bool KeepAncestors, bool SaveDefaultValues)
{
    TqdzXMLSerializer serializer(Stream);
    TqdzReport *report = GetReport();
    serializer.SetOwner(report);
    serializer.SetSerializeDefaultValues(SaveDefaultValues);
    if (report && report == this)
        serializer.SetOnGetAncestor(TqdzGetAncestorEvent(report, &TqdzReport::DoGetAncestor));
    serializer.WriteTemplateRoot(this, SaveChildren, KeepAncestors, nullptr);
}

QByteArray TqdzComponent::DiffAttributes(TqdzComponent *DefaultObject)
{
    QByteArray r;
    if (!DefaultObject)
        return r;
    TqdzComponent *d = DefaultObject;
    if (Differ(FLeft, d->FLeft))
        r += qdzAttrText("l", FloatText(FLeft));
    // The class registry's checks: asked for every built object.
    if (Differ(FTop, d->FTop) || InheritsFrom(TqdzBand::StaticClass()))
        r += qdzAttrText("t", FloatText(FTop));
    auto *memo = InheritsFrom(TqdzCustomMemoView::StaticClass()) ? static_cast<TqdzCustomMemoView *>(this) : nullptr;
    if (Differ(FWidth, d->FWidth) && !(memo && memo->AutoWidth()))
        r += qdzAttrText("w", FloatText(FWidth));
    if (Differ(FHeight, d->FHeight))
        r += qdzAttrText("h", FloatText(FHeight));
    if (FVisible != d->FVisible)
        r += qdzAttrText("Visible", FVisible ? "1" : "0");
    if (!FParentFont) {
        TFont *f = &FFont;
        TFont *df = d->Font();
        if (f->Name() != df->Name())
            r += qdzAttrText("Font.Name", StrToXML(StringToCodePage(f->Name(), CP_ACP)));
        if (f->Size() != df->Size())
            r += qdzAttrText("Font.Size", QByteArray::number(f->Size()));
        if (f->Color() != df->Color())
            r += qdzAttrText("Font.Color", QByteArray::number(f->Color()));
        if (f->Style() != df->Style())
            r += qdzAttrText("Font.Style", QByteArray::number(f->Style().ToInt()));
        if (f->Charset() != df->Charset())
            r += qdzAttrText("Font.Charset", QByteArray::number(f->Charset()));
    }
    if (FParentFont != d->FParentFont)
        r += qdzAttrText("ParentFont", FParentFont ? "1" : "0");
    if (Tag() != d->Tag())
        r += qdzAttrText("Tag", QByteArray::number(Tag()));
    return r;
}

void TqdzComponent::SetBounds(double ALeft, double ATop, double AWidth, double AHeight)
{
    SetLeft(ALeft);
    SetTop(ATop);
    SetWidth(AWidth);
    SetHeight(AHeight);
}

TqdzPage *TqdzComponent::GetPage() const
{
    for (const TqdzComponent *p = this; p; p = p->FParent)
        if (auto *page = dynamic_cast<const TqdzPage *>(p))
            return const_cast<TqdzPage *>(page);
    return nullptr;
}

TqdzReport *TqdzComponent::GetReport() const
{
    // The class registry's check: a dynamic_cast per level costs more than
    // the rest of reading an object.
    for (const TqdzComponent *p = this; p; p = p->FParent)
        if (p->FIsReport)
            return static_cast<TqdzReport *>(const_cast<TqdzComponent *>(p));
    return nullptr;
}

// Asked for every view drawn: the class registry's check, not a dynamic_cast
// per level.
double TqdzComponent::AbsLeft() const
{
    if (FParent && !FParent->InheritsFrom(TqdzDialogPage::StaticClass()))
        return FLeft + FParent->AbsLeft();
    return FLeft;
}

double TqdzComponent::AbsTop() const
{
    if (FParent && !FParent->InheritsFrom(TqdzDialogPage::StaticClass()))
        return FTop + FParent->AbsTop();
    return FTop;
}

void TqdzComponent::FillAllObjects(TList *List) const
{
    for (int i = 0; i < FObjects.Count(); ++i) {
        auto *c = static_cast<TqdzComponent *>(FObjects.Items(i));
        List->Add(c);
        c->FillAllObjects(List);
    }
}

TList *TqdzComponent::AllObjects()
{
    FAllObjects.Clear();
    FillAllObjects(&FAllObjects);
    return &FAllObjects;
}

TqdzComponent *TqdzComponent::FindObjectIn(const QString &s) const
{
    for (int i = 0; i < FObjects.Count(); ++i) {
        auto *c = static_cast<TqdzComponent *>(FObjects.Items(i));
        if (StationRtti::SameName(c->Name(), s))
            return c;
        if (TqdzComponent *found = c->FindObjectIn(s))
            return found;
    }
    return nullptr;
}

TqdzComponent *TqdzComponent::FindObject(const QString &s) const
{
    // An empty name would match the first unnamed object, which no one means.
    if (s.isEmpty())
        return nullptr;
    // A report knows the names in its tree: one it has not is nowhere in it.
    if (InheritsFrom(TqdzReport::StaticClass()) && !static_cast<const TqdzReport *>(this)->HasIndexedName(s))
        return nullptr;
    return FindObjectIn(s);
}

void TqdzComponent::CreateUniqueName()
{
    TStringList names;
    names.SetSorted(true);
    TList *all = nullptr;
    if (TqdzReport *r = GetReport())
        all = r->AllObjects();
    else if (FParent)
        all = FParent->AllObjects();
    if (all)
        for (int i = 0; i < all->Count(); ++i)
            names.Add(static_cast<TqdzComponent *>(all->Items(i))->Name());
    const QString base = BaseName();
    for (int n = 1;; ++n) {
        const QString candidate = base + QString::number(n);
        int index;
        if (!names.Find(candidate, index)) {
            SetName(candidate);
            return;
        }
    }
}

void TqdzComponent::WriteToPreparedItem(TqdzComponent *DefaultObject, QByteArray &Text)
{
    TqdzXMLSerializer serializer(nullptr);
    serializer.SetOwner(GetReport());
    Text = serializer.WriteObjectToItem(this);
    const int space = Text.indexOf(' ');
    if (space < 0)
        Text.clear();
    else
        Text.remove(0, space + 1);
    if (DefaultObject)
        Text += ' ' + DiffAttributes(DefaultObject);
    if (dynamic_cast<TqdzNullBand *>(this))
        Text += qdzAttrText("l", FloatText(FLeft)) + qdzAttrText("t", FloatText(FTop));
}

bool TqdzComponent::IsLoading() const
{
    return FIsLoading || ComponentState().Contains(csLoading);
}

bool TqdzComponent::IsAncestor() const
{
    return FIsAncestor || ComponentState().Contains(csAncestor);
}

QString TqdzComponent::BaseName() const
{
    if (FBaseNameSet)
        return FBaseName;
    QString s = ClassName();
    if (int i = s.indexOf(QLatin1String("Tqdz")); i >= 0)
        s.remove(i, 4);
    // Dialog controls drop "Control" instead of "View".
    const QLatin1String tail = dynamic_cast<const TqdzDialogControl *>(this) ? QLatin1String("Control")
                                                                             : QLatin1String("View");
    if (int i = s.indexOf(tail); i >= 0)
        s.remove(i, tail.size());
    return s;
}

void TqdzComponent::SetBaseName(const QString &Value)
{
    FBaseName = Value;
    FBaseNameSet = true;
}

// ------------------------------------------------------ TqdzReportComponent

STATION_PUBLISHED(TqdzReportComponent)
{
    P.Prop("Description", &TqdzReportComponent::Description, &TqdzReportComponent::SetDescription);
}

TqdzReportComponent::TqdzReportComponent(TComponent *AOwner) : TqdzComponent(AOwner) {}

void TqdzReportComponent::BeforePrint()
{
    FSavedLeft = Left();
    FSavedTop = Top();
    FSavedWidth = Width();
    FSavedHeight = Height();
}

void TqdzReportComponent::GetData() {}

void TqdzReportComponent::AfterPrint()
{
    SetBounds(FSavedLeft, FSavedTop, FSavedWidth, FSavedHeight);
}

QString TqdzReportComponent::GetComponentText()
{
    return QString();
}

TqdzRect TqdzReportComponent::GetRect() const
{
    return qdzRect(AbsLeft(), AbsTop(), AbsLeft() + Width(), AbsTop() + Height());
}

// --------------------------------------------------------------- TqdzReport

void TqdzReport::ValidateRename(TComponent *AComponent, const QString &CurName, const QString &NewName)
{
    const bool owned = AComponent && AComponent->Owner() == this;
    // The class library's check walks every owned component; it is needed
    // only when the new name may be taken.
    if (!owned || ComponentState().Contains(csDesigning) || StationRtti::SameName(CurName, NewName)
        || HasName(NewName, &TNameCounts::Owned))
        TqdzComponent::ValidateRename(AComponent, CurName, NewName);
    if (owned) {
        CountName(CurName, &TNameCounts::Owned, -1);
        CountName(NewName, &TNameCounts::Owned, 1);
    }
}

void TqdzReport::DefineProperties(TFiler *Filer)
{
    TqdzComponent::DefineProperties(Filer);
    // Written into a form only when the report is kept there.
    if (!FStoreInDFM && !FXMLSerializer && !IsWriting())
        return;
    Filer->DefineProperty(
        QStringLiteral("Datasets"), [this](TReader *Reader) { ReadCollection(FDataSets.get(), Reader, this); },
        [this](TWriter *Writer) { WriteCollection(FDataSets.get(), Writer, this); }, FDataSets->Count() > 0);
    Filer->DefineProperty(
        QStringLiteral("Variables"), [this](TReader *Reader) { ReadCollection(FVariables.get(), Reader, this); },
        [this](TWriter *Writer) { WriteCollection(FVariables.get(), Writer, this); }, FVariables->Count() > 0);
    Filer->DefineProperty(
        QStringLiteral("Style"), [this](TReader *Reader) { ReadCollection(FStyles.get(), Reader, this); },
        [this](TWriter *Writer) { WriteCollection(FStyles.get(), Writer, this); }, FStyles->Count() > 0);
}

TComponent *TqdzReport::FindOwnedComponent(const QString &Name) const
{
    if (Name.isEmpty() || !HasName(Name, &TNameCounts::Owned))
        return nullptr;
    return FindComponent(Name);
}

void TqdzReport::ReserveNames(qsizetype Count)
{
    if (Count > 0 && !ComponentState().Contains(csDestroying))
        FNames.Reserve(Count);
}

void TqdzReport::CountName(const QString &Name, int TNameCounts::*Count, int Delta)
{
    // While the report goes its index is gone (see the destructor).
    if (Name.isEmpty() || ComponentState().Contains(csDestroying))
        return;
    FNames.Count(Name, Count, Delta);
}

bool TqdzReport::HasName(const QString &Name, int TNameCounts::*Count) const
{
    // Without the index (the report is going) every caller takes the way
    // that looks the name up for certain.
    if (ComponentState().Contains(csDestroying))
        return true;
    const TNameCounts *c = FNames.Find(Name);
    return c && c->*Count > 0;
}

void TqdzReport::IndexName(const QString &Name, int Delta)
{
    CountName(Name, &TNameCounts::Tree, Delta);
}

void TqdzReport::IndexNames(TqdzComponent *Root, int Delta)
{
    if (ComponentState().Contains(csDestroying))
        return;
    IndexName(Root->Name(), Delta);
    TList *children = Root->Objects();
    for (int i = 0; i < children->Count(); ++i)
        IndexNames(static_cast<TqdzComponent *>(children->Items(i)), Delta);
}

bool TqdzReport::HasIndexedName(const QString &Name) const
{
    return HasName(Name, &TNameCounts::Tree);
}

void TqdzReport::DoGetAncestor(const QString &Name, TPersistent *&Ancestor)
{
    if (!FParentReportObject)
        return;
    if (StationRtti::SameName(Name, this->Name()))
        Ancestor = FParentReportObject.get();
    else
        Ancestor = FParentReportObject->FindObject(Name);
}

// -------------------------------------------------------------------- pages

STATION_PUBLISHED(TqdzPage)
{
    P.Prop("Font", &TqdzPage::Font, &TqdzPage::SetFont).Stored(&TqdzPage::IsFontStored);
    P.Prop("Visible", &TqdzPage::Visible, &TqdzPage::SetVisible).Default(true);
}

TqdzPage::TqdzPage(TComponent *AOwner) : TqdzComponent(AOwner) {}
