// The built-page store while a report builds: source pages, short names, pages, passes, moving objects.
#include "qdzPreviewPages.h"

#include "qdzDictionary.h"
#include "qdzOutline.h"
#include "qdzPictureCache.h"

#include "platform/SysUtils.h"
#include "platform/TypInfo.h"
#include "report/model/qdzBuildSession.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzVariables.h"
#include "report/model/qdzXML.h"
#include "report/model/qdzXMLSerializer.h"

#include <algorithm>
#include <vector>

namespace {

// A float attribute of an item; 0 when missing or not a number.
double FloatProp(const TqdzXMLItem *Item, const QByteArray &Name, bool &Present)
{
    const QByteArray v = Item->GetProp(Name);
    double d = 0;
    Present = !v.isEmpty() && TryStrToFloat(QString::fromLatin1(v), d);
    return Present ? d : 0;
}

double FloatProp(const TqdzXMLItem *Item, const QByteArray &Name)
{
    bool present;
    return FloatProp(Item, Name, present);
}

} // namespace

namespace {

TqdzCustomPreviewPages *CreatePreviewPages(TqdzReport *AReport)
{
    return new TqdzPreviewPages(AReport);
}

TqdzCustomOutline *CreateOutline(TqdzCustomPreviewPages *APreviewPages)
{
    return new TqdzOutline(APreviewPages);
}

} // namespace

void qdzAddPreviewPagesFactories(TqdzBuildFactories &Factories)
{
    Factories.CreatePreviewPages = &CreatePreviewPages;
    Factories.CreateOutline = &CreateOutline;
    qdzInstallPictureHook();
}

TqdzPreviewPages::TqdzPreviewPages(TqdzReport *AReport)
    : TqdzCustomPreviewPages(AReport), FDictionary(std::make_unique<TqdzDictionary>()),
      FPictureCache(std::make_unique<TqdzPictureCache>()), FXMLDocument(std::make_unique<TqdzXMLDocument>())
{
    FXMLDocument->Root()->SetName("preparedreport");
}

TqdzPreviewPages::~TqdzPreviewPages()
{
    for (TCacheEntry &e : FPageCache)
        FreePage(e.Page);
    FPageCache.clear();
    for (TqdzReportPage *p : FRetired)
        FreePage(p);
    FRetired.clear();
    FDictionary.reset();
    FSourcePages.clear();
    FPictureCache.reset();
}

TqdzXMLItem *TqdzPreviewPages::PagesNode()
{
    // Looked up each time: clearing the document frees the node.
    return FXMLDocument->Root()->FindItem("previewpages");
}

TqdzXMLItem *TqdzPreviewPages::PageItem(int Index)
{
    TqdzXMLItem *pages = PagesNode();
    return Index >= 0 && Index < pages->Count() ? pages->GetItems(Index) : nullptr;
}

TqdzXMLItem *TqdzPreviewPages::CurPageItem()
{
    return PageItem(CurPage());
}

TqdzReportPage *TqdzPreviewPages::SourcePages(int Index) const
{
    return Index >= 0 && Index < SourcePageCount() ? FSourcePages[size_t(Index)].get() : nullptr;
}

int TqdzPreviewPages::SourceIndexOf(const TqdzXMLItem *PageItem) const
{
    const QByteArray &name = PageItem->Name();
    if (!name.startsWith("page"))
        return -1;
    bool ok = false;
    const int n = name.mid(4).toInt(&ok);
    return ok && n >= 0 && n < SourcePageCount() ? n : -1;
}

TqdzComponent *TqdzPreviewPages::TemplateOf(const TqdzXMLItem *Item) const
{
    return FDictionary->GetObject(QString::fromLatin1(Item->Name()));
}

int TqdzPreviewPages::GetCount()
{
    return PagesNode()->Count();
}

void TqdzPreviewPages::Clear()
{
    DropPageCache(false);
    FTemplateTexts.clear();
    FItemNames.clear();
    FSourcePages.clear();
    FXMLDocument->Clear();
    ResetOutline();
    FDictionary->Clear();
    FPictureCache->Clear();
    SetCurPage(-1);
    FAddedBytes = 0;
}

void TqdzPreviewPages::Initialize()
{
    FPictureCache->SetUseFileCache(Report()->PreviewOptions()->PictureCacheInFile());
    FPictureCache->SetTempDir(Report()->EngineOptions()->TempDir());
    FXMLDocument->SetTempDir(Report()->EngineOptions()->TempDir());
    Report()->DoProgressStart(ptRunning);
}

// ------------------------------------------------------------ source pages

void TqdzPreviewPages::RegisterSourceObject(TqdzComponent *Template, TqdzComponent *Copy, int PageIndex)
{
    Template->SetSourceLink(Copy);
    Copy->SetSourceLink(Template);
    QString prefix;
    if (dynamic_cast<TqdzBand *>(Copy))
        prefix = QStringLiteral("b");
    else
        prefix = Copy->BaseName().left(1).toLower();
    const QString sourceName = QStringLiteral("Page%1.%2").arg(PageIndex).arg(Copy->Name());
    const QString dictName = FDictionary->AddUnique(prefix, sourceName, Copy);
    if (dynamic_cast<TqdzCustomMemoView *>(Copy)) {
        // Stored memos carry no binding: the built text is what counts.
        if (PPropInfo p = Copy->ClassType()->FindProp(QStringLiteral("DataSet")))
            if (p->Kind() == tkClass)
                SetObjectProp(Copy, p, nullptr);
        if (PPropInfo p = Copy->ClassType()->FindProp(QStringLiteral("DataField")))
            SetStrProp(Copy, p, QString());
    }
    if (Copy->Flags() & qdzFlagWriteFull) {
        Copy->SetBaseName(Copy->ClassName());
    } else {
        TqdzXMLSerializer serializer(nullptr);
        serializer.SetOwner(Report());
        Copy->SetBaseName(QString::fromLatin1(serializer.WriteObjectToItem(Copy)));
    }
    Template->SetDictName(dictName);
    Copy->SetDictName(dictName);
}

namespace {

// Whether the build stopped for good: a stop the report asked for itself may
// be taken back, and the pages built after all.
bool CopyStopped(TqdzReport *R)
{
    TqdzBuildSession *s = R->Session();
    if (!s)
        return false;
    s->CheckStop();
    return s->StopReason() != TqdzStopReason::None && s->StopReason() != TqdzStopReason::Requested;
}

// Copies Source's tree under ParentCopy, taking the build's stop every few
// dozen objects; false when it stopped (the copy is then incomplete).
bool CopyTree(TqdzReport *R, TqdzComponent *Source, TqdzComponent *ParentCopy,
              std::vector<TqdzComponent *> &Templates, std::vector<TqdzComponent *> &Copies)
{
    if (Copies.size() % 32 == 0 && CopyStopped(R))
        return false;
    auto *copy = static_cast<TqdzComponent *>(Source->ClassType()->Create(ParentCopy));
    Templates.push_back(Source);
    Copies.push_back(copy);
    TqdzPreviewPages::AssignSourceCopy(copy, Source);
    copy->SetName(Source->Name());
    TList *children = Source->Objects();
    for (int i = 0; i < children->Count(); ++i) {
        auto *child = static_cast<TqdzComponent *>(children->Items(i));
        if ((child->Flags() & qdzFlagShowInPrepared) && !CopyTree(R, child, copy, Templates, Copies))
            return false;
    }
    return true;
}

} // namespace

void TqdzPreviewPages::AddSourcePage(TqdzReportPage *Page)
{
    if (!Page)
        return;
    std::vector<TqdzComponent *> templates, copies;
    // A page copied in part goes whole, and its template objects keep no
    // link to a copy of an earlier build: they are stored in full.
    struct TDropPart
    {
        std::vector<TqdzComponent *> &Copies;
        bool Keep = false;
        ~TDropPart()
        {
            if (!Keep && !Copies.empty())
                delete Copies.front();
        }
    } drop{copies};
    if (!CopyTree(Report(), Page, nullptr, templates, copies)) {
        TList *all = Page->AllObjects();
        for (int i = 0; i < all->Count(); ++i)
            static_cast<TqdzComponent *>(all->Items(i))->SetSourceLink(nullptr);
        return;
    }
    auto *pageCopy = static_cast<TqdzReportPage *>(copies.front());
    pageCopy->SetSourceLink(Page);
    FSourcePages.emplace_back(pageCopy);
    drop.Keep = true;
    const int pageIndex = SourcePageCount() - 1;
    for (size_t i = 1; i < copies.size(); ++i)
        RegisterSourceObject(templates[i], copies[i], pageIndex);
}

void TqdzPreviewPages::AddToSourcePage(TqdzComponent *Obj)
{
    if (!Obj || FSourcePages.empty())
        return;
    TqdzReportPage *page = FSourcePages.back().get();
    auto *copy = static_cast<TqdzComponent *>(Obj->ClassType()->Create(page));
    AssignSourceCopy(copy, Obj);
    copy->CreateUniqueName();
    RegisterSourceObject(Obj, copy, SourcePageCount() - 1);
}

// ------------------------------------------------------------ building

void TqdzPreviewPages::AddPage(TqdzReportPage *Page)
{
    TqdzXMLItem *pages = PagesNode();
    if (Report()->EngineOptions()->UseFileCache()
        && FAddedBytes > (qint64(Report()->EngineOptions()->MaxMemSize()) << 20)) {
        for (int i = pages->Count() - 2; i >= 0; --i) {
            TqdzXMLItem *item = pages->GetItems(i);
            if (!item->Loaded())
                break;
            FXMLDocument->UnloadItem(item);
        }
        FAddedBytes = 0;
    }
    SetCurPage(CurPage() + 1);
    if (CurPage() < pages->Count() && FAddPageAction != 1)
        return;

    int source = -1;
    for (int i = 0; i < SourcePageCount(); ++i)
        if (Page && FSourcePages[size_t(i)]->SourceLink() == Page) {
            source = i;
            break;
        }
    const bool unloadable = pages->Count() > 2;
    TqdzXMLItem *item = pages->Add();
    item->SetName("page" + QByteArray::number(source));
    item->SetUnloadable(unloadable);
    Report()->DoProgress(ptRunning, CurPage() + 1);
    FAddPageAction = 0;
    SetCurPage(pages->Count() - 1);
    IncLogicalPageNumber();
}

void TqdzPreviewPages::AddObjectItem(TqdzXMLItem *Parent, TqdzComponent *Obj)
{
    TqdzXMLItem *item = Parent->Add();
    QByteArray text;
    TqdzCustomEngine *engine = Engine();
    const bool finalPass = !engine || engine->FinalPass();
    if (TqdzComponent *templ = Obj->SourceLink()) {
        // The short name's bytes, made once per object rather than per copy.
        TItemName &name = FItemNames[Obj];
        if (name.Bytes.isNull() || name.Dict != Obj->DictName()) {
            name.Dict = Obj->DictName();
            name.Bytes = name.Dict.toLatin1();
        }
        item->SetName(name.Bytes);
        if (!finalPass)
            text = Obj->TqdzComponent::DiffAttributes(templ);
        else if (Obj->Flags() & qdzFlagWriteFull)
            Obj->WriteToPreparedItem(templ, text);
        else
            text = Obj->DiffAttributes(templ);
    } else {
        item->SetName(Obj->ClassName().toLatin1());
        Obj->WriteToPreparedItem(nullptr, text);
    }
    text = std::move(text).trimmed();
    item->SetText(text);
    FAddedBytes += item->Name().size() + text.size() + qint64(sizeof(TqdzXMLItem)) + 16;

    TList *children = Obj->Objects();
    for (int i = 0; i < children->Count(); ++i) {
        auto *child = static_cast<TqdzComponent *>(children->Items(i));
        if (child->Visible() && (child->Flags() & qdzFlagShowInPrepared))
            AddObjectItem(item, child);
    }
}

void TqdzPreviewPages::AddObject(TqdzComponent *Obj)
{
    if (!Obj || !Obj->Visible() || !(Obj->Flags() & qdzFlagShowInPrepared))
        return;
    TqdzXMLItem *page = CurPageItem();
    if (!page)
        return;
    if (TqdzBuildSession *s = Report()->Session(); s && page->Count() >= s->Limits().MaxPageObjects) {
        if (!s->Stopped()) {
            Report()->Errors()->Add(QStringLiteral("The report put more than %1 objects on page %2 and was stopped")
                                        .arg(s->Limits().MaxPageObjects)
                                        .arg(CurPage() + 1));
            Report()->StopBuild(TqdzStopReason::Limit);
        }
        return;
    }
    AddObjectItem(page, Obj);
}

void TqdzPreviewPages::BeginPass()
{
    FPassFirstPage = GetCount() - 1;
    if (FPassFirstPage >= 0) {
        FPassFirstObject = PageItem(FPassFirstPage)->Count();
        FPassFirstOutline = FXMLDocument->Root()->FindItem("outline")->Count();
    }
    ResetLogicalPageNumber();
}

namespace {

bool Contains(const TqdzXMLItem *Root, const TqdzXMLItem *Item)
{
    for (const TqdzXMLItem *i = Item; i; i = i->Parent())
        if (i == Root)
            return true;
    return false;
}

} // namespace

void TqdzPreviewPages::ClearFirstPassPages()
{
    // The pass's pages are about to go, and the first of them is built on.
    DropPageCache(false);
    TqdzXMLItem *root = FXMLDocument->Root();
    TqdzXMLItem *outlineItem = Outline() ? Outline()->CurItem() : nullptr;
    bool outlineFreed = false;
    if (FPassFirstPage != -1) {
        TqdzXMLItem *pages = PagesNode();
        if (TqdzXMLItem *first = PageItem(FPassFirstPage)) {
            while (first->Count() > FPassFirstObject)
                delete first->GetItems(first->Count() - 1);
        }
        while (pages->Count() > FPassFirstPage + 1)
            delete pages->GetItems(pages->Count() - 1);
        TqdzXMLItem *outline = root->FindItem("outline");
        while (outline->Count() > FPassFirstOutline) {
            TqdzXMLItem *last = outline->GetItems(outline->Count() - 1);
            outlineFreed = outlineFreed || Contains(last, outlineItem);
            delete last;
        }
    } else {
        for (int i = root->Count() - 1; i >= 0; --i) {
            TqdzXMLItem *child = root->GetItems(i);
            if (child->Name() == "anchors" || child->Name() == "logicalpagenumbers")
                continue;
            outlineFreed = outlineFreed || Contains(child, outlineItem);
            delete child;
        }
    }
    // The outline must not go on pointing into what was freed.
    if (outlineFreed)
        Outline()->LevelRoot();
    ResetLogicalPageNumber();
    SetCurPage(FPassFirstPage);
    FAddedBytes = 0;
}

void TqdzPreviewPages::CutObjects(int FromIndex)
{
    TqdzXMLItem *page = CurPageItem();
    if (!page)
        return;
    TqdzXMLItem *cut = FXMLDocument->Root()->FindItem("cutted");
    FromIndex = std::max(FromIndex, 0);
    while (page->Count() > FromIndex)
        cut->AddItem(page->GetItems(FromIndex));
}

void TqdzPreviewPages::HoldObjects(int Page, int From, int Slot)
{
    TqdzXMLItem *page = PageItem(Page);
    if (!page || From >= page->Count())
        return;
    std::unique_ptr<TqdzXMLItem> &held = FHeld[Slot];
    if (!held)
        held = std::make_unique<TqdzXMLItem>();
    From = std::max(From, 0);
    while (page->Count() > From)
        held->AddItem(page->GetItems(From));
}

void TqdzPreviewPages::PlaceHeld(int Slot, int Page, double DX, double DY)
{
    auto it = FHeld.find(Slot);
    if (it == FHeld.end())
        return;
    std::unique_ptr<TqdzXMLItem> held = std::move(it->second);
    FHeld.erase(it);
    TqdzXMLItem *page = PageItem(Page);
    if (!page || !held)
        return;
    while (held->Count() > 0) {
        TqdzXMLItem *item = held->GetItems(0);
        if (DX != 0 || DY != 0) {
            item->SetProp("l", FloatToStr(FloatProp(item, "l") + DX).toLatin1());
            item->SetProp("t", FloatToStr(FloatProp(item, "t") + DY).toLatin1());
        }
        page->AddItem(item);
    }
}

bool TqdzPreviewPages::ObjectPlace(int Page, int Index, double &Left, double &Top)
{
    TqdzXMLItem *page = PageItem(Page);
    if (!page || Index < 0 || Index >= page->Count())
        return false;
    Left = FloatProp(page->GetItems(Index), "l");
    Top = FloatProp(page->GetItems(Index), "t");
    return true;
}

void TqdzPreviewPages::PasteObjects(double X, double Y)
{
    TqdzXMLItem *root = FXMLDocument->Root();
    TqdzXMLItem *cut = nullptr;
    for (int i = 0; i < root->Count(); ++i)
        if (root->GetItems(i)->Name().compare("cutted", Qt::CaseInsensitive) == 0)
            cut = root->GetItems(i);
    if (!cut)
        return;
    TqdzXMLItem *page = CurPageItem();
    if (cut->Count() > 0 && page) {
        const double dx = X - FloatProp(cut->GetItems(0), "l");
        const double dy = Y - FloatProp(cut->GetItems(0), "t");
        while (cut->Count() > 0) {
            TqdzXMLItem *item = cut->GetItems(0);
            item->SetProp("l", FloatToStr(FloatProp(item, "l") + dx).toLatin1());
            item->SetProp("t", FloatToStr(FloatProp(item, "t") + dy).toLatin1());
            page->AddItem(item);
        }
    }
    delete cut;
}

void TqdzPreviewPages::Finish()
{
    ClearPageCache();
    for (auto &p : FSourcePages)
        p->SetSourceLink(nullptr);
    Report()->DoProgressStop(ptRunning);
}

bool TqdzPreviewPages::BandExists(TqdzBand *Band)
{
    TqdzXMLItem *page = CurPageItem();
    if (!page || !Band)
        return false;
    const bool pageFooter = Band->InheritsFrom(TqdzPageFooter::StaticClass());
    const bool columnFooter = Band->InheritsFrom(TqdzColumnFooter::StaticClass());
    // Asked on every page: the few names its bands have are looked up once.
    std::vector<std::pair<QByteArray, TqdzComponent *>> seen;
    for (int i = 0; i < page->Count(); ++i) {
        TqdzXMLItem *item = page->GetItems(i);
        auto known = std::find_if(seen.begin(), seen.end(), [item](const auto &S) { return S.first == item->Name(); });
        if (known == seen.end())
            known = seen.insert(seen.end(), {item->Name(), TemplateOf(item)});
        TqdzComponent *templ = known->second;
        if (!templ)
            continue;
        if (templ->SourceLink() == Band || (pageFooter && templ->InheritsFrom(TqdzPageFooter::StaticClass()))
            || (columnFooter && templ->InheritsFrom(TqdzColumnFooter::StaticClass())))
            return true;
    }
    return false;
}

int TqdzPreviewPages::GetCurPosition()
{
    TqdzXMLItem *page = CurPageItem();
    return page ? page->Count() : 0;
}

double TqdzPreviewPages::GetLastY(double X)
{
    TqdzXMLItem *page = CurPageItem();
    double result = 0;
    if (!page)
        return result;
    for (int i = 0; i < page->Count(); ++i) {
        TqdzXMLItem *item = page->GetItems(i);
        auto *band = dynamic_cast<TqdzBand *>(TemplateOf(item));
        if (!band || dynamic_cast<TqdzPageFooter *>(band) || dynamic_cast<TqdzOverlay *>(band))
            continue;
        bool has;
        double left = FloatProp(item, "l", has);
        if (!has)
            left = band->Left();
        if (X == 0 || dynamic_cast<TqdzPageHeader *>(band) || dynamic_cast<TqdzReportTitle *>(band)
            || std::abs(X - left) < 0.001) {
            double top = FloatProp(item, "t", has);
            if (!has)
                top = band->Top();
            double height = FloatProp(item, "h", has);
            if (!has)
                height = band->Height();
            result = std::max(result, top + height);
        }
    }
    return result;
}

void TqdzPreviewPages::UpdatePageDimensions(TqdzReportPage *Page, double Width, double Height)
{
    // Without a linked source page nothing is changed: guessing one would
    // resize a page the engine did not mean.
    for (auto &p : FSourcePages) {
        if (p->SourceLink() != Page || !Page)
            continue;
        p->SetPaperSize(256);
        p->SetPaperWidth(Width / qdzPixelsPerMM);
        p->SetPaperHeight(Height / qdzPixelsPerMM);
        TqdzXMLItem item;
        item.SetText(p->BaseName().toLatin1());
        item.SetProp("PaperSize", "256");
        item.SetProp("PaperWidth", qdzFloatToStr(p->PaperWidth()).toLatin1());
        item.SetProp("PaperHeight", qdzFloatToStr(p->PaperHeight()).toLatin1());
        p->SetBaseName(QString::fromLatin1(item.Text()));
        return;
    }
}
