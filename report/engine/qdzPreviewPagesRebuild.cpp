// The built-page store read back: rebuilt pages, the page cache and its holds, sizes, editing.
#include "qdzPreviewPages.h"

#include "qdzDictionary.h"
#include "qdzPictureCache.h"

#include "report/model/qdzClass.h"
#include "report/model/qdzVariables.h"
#include "report/model/qdzXML.h"
#include "report/model/qdzXMLSerializer.h"
#include "script/kw_iinterpreter.h"

#include <algorithm>
#include <functional>

// ------------------------------------------------------------ cache and holds

void TqdzPreviewPages::FreePage(TqdzReportPage *Page)
{
    delete Page;
}

void TqdzPreviewPages::Hold(TqdzReportPage *Page)
{
    for (auto &h : FHolds)
        if (h.first == Page) {
            ++h.second;
            return;
        }
    FHolds.emplace_back(Page, 1);
}

void TqdzPreviewPages::Unhold(TqdzReportPage *Page)
{
    for (size_t i = 0; i < FHolds.size(); ++i) {
        if (FHolds[i].first != Page)
            continue;
        if (--FHolds[i].second > 0)
            return;
        FHolds.erase(FHolds.begin() + qsizetype(i));
        auto r = std::find(FRetired.begin(), FRetired.end(), Page);
        if (r != FRetired.end()) {
            FRetired.erase(r);
            FreePage(Page);
        }
        return;
    }
}

void TqdzPreviewPages::ReleasePage(TqdzReportPage *Page)
{
    const bool held = std::any_of(FHolds.begin(), FHolds.end(), [Page](auto &h) { return h.first == Page; });
    if (held)
        FRetired.push_back(Page);
    else
        FreePage(Page);
}

void TqdzPreviewPages::UnloadPageItem(int Index)
{
    // What was loaded to rebuild a page goes back to the file with the page:
    // printing or exporting every page keeps no more loaded than the cache.
    if (Report()->EngineOptions()->UseFileCache())
        if (TqdzXMLItem *item = PageItem(Index); item && item->Unloadable())
            FXMLDocument->UnloadItem(item);
}

void TqdzPreviewPages::DropPageCache(bool Unload)
{
    std::vector<TCacheEntry> entries = std::move(FPageCache);
    FPageCache.clear();
    for (TCacheEntry &e : entries)
        ReleasePage(e.Page);
    // After the pages: a file that cannot be written leaves items loaded,
    // no page behind.
    if (Unload)
        for (TCacheEntry &e : entries)
            UnloadPageItem(e.Index);
}

TqdzPreviewPages::TPageHold::TPageHold(TqdzPreviewPages *Store, int Index, bool Quiet) : FStore(Store), FPage(nullptr)
{
    try {
        FPage = Store->GetPage(Index);
    } catch (const Exception &E) {
        if (!Quiet)
            throw;
        TStrings *errors = Store->Report()->Errors();
        if (errors->IndexOf(E.Message()) < 0)
            errors->Add(E.Message());
    }
    if (FPage)
        FStore->Hold(FPage);
}

TqdzPreviewPages::TPageHold::~TPageHold()
{
    if (FPage)
        FStore->Unhold(FPage);
}

void TqdzPreviewPages::InsertIntoCache(int Index, TqdzReportPage *Page)
{
    FPageCache.insert(FPageCache.begin(), TCacheEntry{Index, Page});
    const int limit = Report()->PreviewOptions()->PagesInCache();
    if (FPageCache.size() > 1 && int(FPageCache.size()) > limit) {
        TCacheEntry last = FPageCache.back();
        FPageCache.pop_back();
        ReleasePage(last.Page);
        UnloadPageItem(last.Index);
    }
}

// ------------------------------------------------------------ rebuilding

// A stored template object's description, split once for all the built
// objects read from it.
struct TqdzPreviewPages::TTemplateText
{
    QString BaseName;
    TqdzXMLSerializer::TSplitText Split;
};

void TqdzPreviewPages::ReadObjects(TqdzXMLSerializer &Serializer, TqdzComponent *Parent, TqdzXMLItem *Item)
{
    for (int i = 0; i < Item->Count(); ++i) {
        TqdzXMLItem *child = Item->GetItems(i);
        TqdzComponent *templ = TemplateOf(child);
        // The template's description goes first, so that what the built
        // object changed is read after it and wins.
        TqdzComponent *obj;
        if (templ) {
            std::shared_ptr<TTemplateText> &t = FTemplateTexts[templ];
            const QString base = templ->BaseName();
            if (!t || t->BaseName != base) {
                t = std::make_shared<TTemplateText>();
                t->BaseName = base;
                TqdzXMLSerializer::SplitObjectText(base.toLatin1(), t->Split);
            }
            obj = Serializer.ReadObjectFromSplit(Parent, t->Split, child->Text(), true);
        } else {
            obj = Serializer.ReadObjectFromItem(Parent, child->Name() + ' ' + child->Text(), true);
        }
        if (!obj)
            continue;
        if (FReadMemory.Exceeded())
            throw EOutOfMemory(QStringLiteral("Page %1 needs more than %2 MB of memory to be read back")
                                   .arg(FReadIndex + 1)
                                   .arg(FReadMemory.Limit() >> 20));
        if ((++FReadObjects & 255) == 0 && FReadTime > 0 && FReadClock.elapsed() > FReadTime)
            throw Exception(QStringLiteral("Page %1 takes longer than %2 ms to be read back")
                                .arg(FReadIndex + 1)
                                .arg(FReadTime));
        if (templ) {
            obj->SetName(templ->Name());
            RestorePicture(obj);
        }
        ReadObjects(Serializer, obj, child);
    }
}

TqdzReportPage *TqdzPreviewPages::BuildPage(int Index)
{
    // A page of the engine's stays within what its build could hold.
    FReadMemory.Start(qint64(std::max(Report()->EngineOptions()->MaxBuildMemSize(), 0)) << 20, false);
    FReadIndex = Index;
    // And within the time a build may take.
    FReadTime = Report()->MaxBuildTime();
    FReadObjects = 0;
    FReadClock.start();
    try {
        return ReadPage(Index);
    } catch (const std::bad_alloc &) {
        throw EOutOfMemory(QStringLiteral("Out of memory reading page %1 back").arg(Index + 1));
    }
}

TqdzReportPage *TqdzPreviewPages::ReadPage(int Index)
{
    TqdzXMLItem *item = PageItem(Index);
    FXMLDocument->LoadItem(item);
    // More than a build may put on a page (a file's, say) is not read.
    if (const int most = Report()->BuildLimits().MaxPageObjects; item->Count() > most)
        throw Exception(
            QStringLiteral("Page %1 holds more than %2 objects and cannot be shown").arg(Index + 1).arg(most));
    TqdzXMLSerializer serializer(nullptr);
    serializer.SetOwner(Report());
    serializer.SetPlainStringAttributes(FXMLDocument->PlainStringAttributes());
    std::unique_ptr<TqdzReportPage> page;
    if (item->Name() == "TqdzReportPage" || item->Name() == "TqdzDMPPage") {
        TClass cls = GetClass(QString::fromLatin1(item->Name()));
        if (cls && cls->InheritsFrom(TqdzReportPage::StaticClass()))
            page.reset(static_cast<TqdzReportPage *>(cls->Create(nullptr)));
        else
            page = std::make_unique<TqdzReportPage>(nullptr);
        // Read into the page alone: with the report as owner, objects named
        // like the report's own would be read into those instead.
        TqdzXMLSerializer whole(nullptr);
        whole.SetPlainStringAttributes(FXMLDocument->PlainStringAttributes());
        whole.ReadTemplateRoot(page.get(), item);
    } else if (TqdzReportPage *source = SourcePages(SourceIndexOf(item))) {
        page.reset(static_cast<TqdzReportPage *>(source->ClassType()->Create(nullptr)));
        page->Assign(source);
        page->SetName(source->Name());
        ReadObjects(serializer, page.get(), item);
        serializer.ResolveFixups();
    } else {
        // A page whose template is not among the source pages is shown empty.
        page = std::make_unique<TqdzReportPage>(nullptr);
    }
    return page.release();
}

TqdzReportPage *TqdzPreviewPages::GetPage(int Index)
{
    if (Index < 0 || Index >= GetCount())
        return nullptr;
    if (!Engine() || !Engine()->Running()) {
        for (size_t i = 0; i < FPageCache.size(); ++i)
            if (FPageCache[i].Index == Index) {
                TCacheEntry e = FPageCache[i];
                FPageCache.erase(FPageCache.begin() + qsizetype(i));
                FPageCache.insert(FPageCache.begin(), e);
                return e.Page;
            }
    }
    TqdzReportPage *page = BuildPage(Index);
    InsertIntoCache(Index, page);
    return page;
}

TPoint TqdzPreviewPages::GetPageSize(int Index)
{
    TqdzXMLItem *item = PageItem(Index);
    if (!item)
        return Point(0, 0);
    TqdzReportPage *page = nullptr;
    if (item->Name() == "TqdzReportPage" || item->Name() == "TqdzDMPPage") {
        TPageHold hold(this, Index, true);
        page = hold.Page();
    } else
        page = SourcePages(SourceIndexOf(item));
    if (!page)
        return Point(0, 0);
    return Point(Round(page->Width()), Round(page->Height()));
}

// ------------------------------------------------------------ editing

void TqdzPreviewPages::AddEmptyPage(int Index)
{
    TqdzXMLItem *source = PageItem(Index);
    if (!source)
        return;
    // Emptied first: the cached pages' indices are right until the insert.
    ClearPageCache();
    auto *item = new TqdzXMLItem;
    item->SetName(source->Name());
    PagesNode()->InsertItem(Index, item);
}

void TqdzPreviewPages::DeletePage(int Index)
{
    if (GetCount() < 2)
        return;
    TqdzXMLItem *item = PageItem(Index);
    if (!item)
        return;
    ClearPageCache();
    delete item;
}

void TqdzPreviewPages::ModifyPage(int Index, TqdzReportPage *Page)
{
    TqdzXMLItem *item = PageItem(Index);
    if (!item || !Page)
        return;
    item->Clear();
    TqdzXMLSerializer serializer(nullptr);
    serializer.SetOwner(Report());
    serializer.WriteTemplateRoot(Page, true, false, item);
    item->SetUnloadable(false);
    item->SetLoaded(true);
    ClearPageCache();
}

void TqdzPreviewPages::AddPagesFrom(TqdzReport *AReport)
{
    auto *other = AReport ? dynamic_cast<TqdzPreviewPages *>(AReport->PreviewPages()) : nullptr;
    if (!other || other == this)
        return;
    const int offset = GetCount();
    TqdzXMLSerializer serializer(nullptr);
    serializer.SetOwner(Report());
    for (int i = 0; i < other->GetCount(); ++i) {
        TPageHold hold(other, i);
        if (!hold.Page())
            continue;
        TqdzXMLItem *item = PagesNode()->Add();
        serializer.WriteTemplateRoot(hold.Page(), true, false, item);
    }
    TqdzXMLItem *anchors = FXMLDocument->Root()->FindItem("anchors");
    TqdzXMLItem *otherAnchors = other->FXMLDocument->Root()->FindItem("anchors");
    for (int i = 0; i < otherAnchors->Count(); ++i) {
        TqdzXMLItem *a = anchors->Add();
        a->SetName("item");
        a->SetText(otherAnchors->GetItems(i)->Text());
        a->SetProp("page", QByteArray::number(otherAnchors->GetItems(i)->GetProp("page").toInt() + offset));
    }
    // Both outlines walk down together; the copied entries land below this
    // store's current node.
    TqdzCustomOutline *mine = Outline(), *theirs = other->Outline();
    if (!mine || !theirs)
        return;
    if (!theirs->CurItem())
        theirs->LevelRoot();
    if (!mine->CurItem())
        mine->LevelRoot();
    std::function<void()> copyLevel = [&]() {
        for (int i = 0; i < theirs->GetCount(); ++i) {
            QString text;
            int page = 0, top = 0;
            theirs->GetItem(i, text, page, top);
            SetCurPage(offset + page);
            mine->AddItem(text, top);
            theirs->LevelDown(i);
            copyLevel();
            theirs->LevelUp();
            mine->LevelUp();
        }
    };
    copyLevel();
}
