// The built-page store: short names, pages as differences, passes, moving objects, rebuilding, cache.
#include "StoreFixture.h"

#include "report/engine/qdzDictionary.h"
#include "report/engine/qdzOutline.h"
#include "report/model/qdzVariables.h"
#include "report/model/qdzXML.h"
#include "report/model/qdzXMLSerializer.h"

#include <gtest/gtest.h>

namespace {

TqdzXMLItem *Node(TqdzPreviewPages *Store, const char *Name)
{
    return Store->XMLDocument()->Root()->FindItem(Name);
}

} // namespace

TEST(PreviewPages, EmptyStoreAnswersWithNothing)
{
    TStoreReport r;
    TqdzPreviewPages *s = r.Store;
    EXPECT_EQ(s->GetCount(), 0);
    EXPECT_EQ(s->GetPage(0), nullptr);
    EXPECT_EQ(s->GetPage(-1), nullptr);
    EXPECT_EQ(s->GetPageSize(5), TPoint(0, 0));
    EXPECT_EQ(s->GetPageSize(-1), TPoint(0, 0));
    s->AddEmptyPage(0);
    s->DeletePage(0);
    s->ModifyPage(0, r.Page);
    s->AddObject(r.Band); // no page yet
    s->CutObjects(0);
    s->PasteObjects(1, 1);
    EXPECT_EQ(s->GetCount(), 0);
    EXPECT_EQ(s->CurPage(), -1);
    EXPECT_DOUBLE_EQ(s->GetLastY(), 0);
}

TEST(PreviewPages, SourcePagesGiveShortNames)
{
    TStoreReport r;
    r.Store->AddSourcePage(r.Page);
    ASSERT_EQ(r.Store->SourcePageCount(), 1);
    TqdzReportPage *copy = r.Store->SourcePages(0);
    EXPECT_EQ(copy->SourceLink(), r.Page);
    EXPECT_EQ(copy->Name(), QStringLiteral("Page1"));
    EXPECT_EQ(r.Band->DictName(), QStringLiteral("b1"));
    EXPECT_EQ(r.View1->DictName(), QStringLiteral("t1"));
    EXPECT_EQ(r.View2->DictName(), QStringLiteral("t2"));
    TqdzDictionary *d = r.Store->Dictionary();
    EXPECT_EQ(d->GetSourceName(QStringLiteral("t1")), QStringLiteral("Page0.View1"));
    EXPECT_EQ(d->GetSourceName(QStringLiteral("b1")), QStringLiteral("Page0.MasterData1"));
    TqdzComponent *v1 = d->GetObject(QStringLiteral("t1"));
    ASSERT_NE(v1, nullptr);
    EXPECT_EQ(v1->SourceLink(), r.View1);
    EXPECT_EQ(r.View1->SourceLink(), v1);
    EXPECT_EQ(v1->Name(), QStringLiteral("View1"));
    EXPECT_EQ(v1->DictName(), QStringLiteral("t1"));
    // The stored description is the object's template text.
    EXPECT_TRUE(v1->BaseName().startsWith(QStringLiteral("TTestView "))) << v1->BaseName().toStdString();

    // Objects the engine makes while running join the last source page.
    TTestView extra(nullptr);
    extra.SetBounds(1, 2, 3, 4);
    r.Store->AddToSourcePage(&extra);
    EXPECT_EQ(extra.DictName(), QStringLiteral("t3"));
    ASSERT_NE(extra.SourceLink(), nullptr);
    EXPECT_EQ(extra.SourceLink()->Owner(), nullptr); // a page copy owns by parent, not by report
    EXPECT_EQ(extra.SourceLink()->Parent(), copy);
    EXPECT_FALSE(extra.SourceLink()->Name().isEmpty());
}

TEST(PreviewPages, FirstPassWritesOnlyWhatDiffers)
{
    TStoreReport r;
    r.Engine.SetFinalPass(false);
    r.Store->AddSourcePage(r.Page);
    r.Store->BeginPass();
    r.Store->AddPage(r.Page);
    r.View1->SetTop(60);
    r.Store->AddObject(r.Band);
    r.View1->SetTop(5);
    TqdzXMLItem *page = Node(r.Store, "previewpages")->GetItems(0);
    EXPECT_EQ(page->Name(), "page0");
    ASSERT_EQ(page->Count(), 1);
    TqdzXMLItem *band = page->GetItems(0);
    EXPECT_EQ(band->Name(), "b1");
    EXPECT_EQ(band->Text(), "t=\"20\""); // bands always carry their top
    ASSERT_EQ(band->Count(), 2);
    EXPECT_EQ(band->GetItems(0)->Name(), "t1");
    EXPECT_EQ(band->GetItems(0)->Text(), "t=\"60\"");
    EXPECT_EQ(band->GetItems(1)->Text(), "");
    EXPECT_EQ(r.Store->GetCurPosition(), 1);

    // Invisible objects and objects not shown in built pages are left out.
    r.View2->SetVisible(false);
    r.Store->AddObject(r.Band);
    EXPECT_EQ(page->GetItems(1)->Count(), 1);
    r.Store->AddObject(r.View2);
    EXPECT_EQ(page->Count(), 2);
}

TEST(PreviewPages, AddPageReusesOrAppends)
{
    TStoreReport r;
    r.Build({1, 2});
    EXPECT_EQ(r.Store->GetCount(), 2);
    EXPECT_EQ(r.Store->CurPage(), 1);
    // Moving back onto an existing page writes over it.
    r.Store->SetCurPage(0);
    r.Store->AddPage(r.Page);
    EXPECT_EQ(r.Store->GetCount(), 2);
    EXPECT_EQ(r.Store->CurPage(), 1);
    r.Store->SetCurPage(0);
    r.Store->SetAddPageAction(1);
    r.Store->AddPage(r.Page);
    EXPECT_EQ(r.Store->GetCount(), 3);
    EXPECT_EQ(r.Store->CurPage(), 2);
    EXPECT_EQ(r.Store->AddPageAction(), 0);
    // A page with no source page is named page-1.
    TqdzReportPage other(nullptr);
    r.Store->AddPage(&other);
    EXPECT_EQ(Node(r.Store, "previewpages")->GetItems(3)->Name(), "page-1");
    // Pages beyond the third may be swapped out.
    EXPECT_FALSE(Node(r.Store, "previewpages")->GetItems(2)->Unloadable());
    EXPECT_TRUE(Node(r.Store, "previewpages")->GetItems(3)->Unloadable());
}

TEST(PreviewPages, CutAndPasteShiftByTheFirstObject)
{
    TStoreReport r;
    r.Build({1});
    TqdzXMLItem *page = Node(r.Store, "previewpages")->GetItems(0);
    page->Clear();
    const QByteArray texts[] = {"l=\"10\" t=\"50\"", "l=\"20\" t=\"60\" w=\"5\"", "x=\"1\""};
    for (const QByteArray &t : texts) {
        TqdzXMLItem *i = page->Add();
        i->SetName("t1");
        i->SetText(t);
    }
    r.Store->CutObjects(1);
    EXPECT_EQ(page->Count(), 1);
    EXPECT_EQ(Node(r.Store, "cutted")->Count(), 2);
    r.Store->PasteObjects(20, 300);
    ASSERT_EQ(page->Count(), 3);
    EXPECT_EQ(page->GetItems(1)->Text().trimmed(), "l=\"20\" t=\"300\" w=\"5\"");
    EXPECT_EQ(page->GetItems(2)->Text().trimmed(), "x=\"1\" l=\"0\" t=\"240\"");

    // From the first object on: (10,50),(20,60) pasted at (20,300).
    r.Store->CutObjects(0);
    page->Add()->SetName("t1");
    r.Store->PasteObjects(20, 300); // "cutted" was freed by the first paste: nothing to move
    r.Store->CutObjects(0);
    ASSERT_EQ(page->Count(), 0);
    TqdzXMLItem *cut = Node(r.Store, "cutted");
    while (cut->Count() > 2)
        delete cut->GetItems(cut->Count() - 1);
    cut->GetItems(0)->SetText("l=\"10\" t=\"50\"");
    cut->GetItems(1)->SetText("l=\"20\" t=\"60\"");
    r.Store->PasteObjects(20, 300);
    ASSERT_EQ(page->Count(), 2);
    EXPECT_EQ(page->GetItems(0)->Text().trimmed(), "l=\"20\" t=\"300\"");
    EXPECT_EQ(page->GetItems(1)->Text().trimmed(), "l=\"30\" t=\"310\"");

    // A first item without "l" shifts by X itself.
    r.Store->CutObjects(0);
    Node(r.Store, "cutted")->GetItems(0)->SetText("t=\"0\"");
    r.Store->PasteObjects(7, 0);
    EXPECT_EQ(page->GetItems(0)->Text().trimmed(), "t=\"0\" l=\"7\"");
}

TEST(PreviewPages, LastYAndBandExists)
{
    TStoreReport r;
    r.Build({1});
    EXPECT_DOUBLE_EQ(r.Store->GetLastY(), 60);
    TqdzXMLItem *band = Node(r.Store, "previewpages")->GetItems(0)->GetItems(0);
    band->SetText("t=\"100\" h=\"30\" l=\"50\"");
    EXPECT_DOUBLE_EQ(r.Store->GetLastY(), 130);
    EXPECT_DOUBLE_EQ(r.Store->GetLastY(50.0005), 130);
    EXPECT_DOUBLE_EQ(r.Store->GetLastY(10), 0); // another column
    EXPECT_TRUE(r.Store->BandExists(r.Band));
    TqdzMasterData other(r.Page);
    EXPECT_FALSE(r.Store->BandExists(&other));
    EXPECT_FALSE(r.Store->BandExists(nullptr));
}

TEST(PreviewPages, PageSizesComeFromSourcePages)
{
    TStoreReport r;
    r.Build({1});
    EXPECT_EQ(r.Store->GetPageSize(0), TPoint(794, 1123));
    EXPECT_EQ(r.Store->GetPageSize(1), TPoint(0, 0));
}

TEST(PreviewPages, RebuiltPageTakesTheBuiltPositions)
{
    // Template first, built differences after: every object where it was built.
    for (bool finalPass : {true, false}) {
        SCOPED_TRACE(finalPass ? "final pass" : "first pass");
        TStoreReport r;
        r.Engine.SetFinalPass(finalPass);
        r.Store->AddSourcePage(r.Page);
        r.Store->BeginPass();
        r.Store->AddPage(r.Page);
        r.Band->SetTop(300);
        r.View1->SetTop(12);
        r.Store->AddObject(r.Band);
        r.Band->SetTop(20);
        r.View1->SetTop(5);
        r.Engine.SetFinalPass(true);
        TqdzReportPage *page = r.Store->GetPage(0);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->Name(), QStringLiteral("Page1"));
        auto *band = dynamic_cast<TqdzMasterData *>(page->FindObject(QStringLiteral("MasterData1")));
        ASSERT_NE(band, nullptr);
        EXPECT_DOUBLE_EQ(band->Top(), 300);
        EXPECT_DOUBLE_EQ(band->Height(), 40);
        auto *v1 = dynamic_cast<TTestView *>(page->FindObject(QStringLiteral("View1")));
        auto *v2 = dynamic_cast<TTestView *>(page->FindObject(QStringLiteral("View2")));
        ASSERT_NE(v1, nullptr);
        ASSERT_NE(v2, nullptr);
        EXPECT_EQ(v1->Parent(), band);
        EXPECT_DOUBLE_EQ(v1->Top(), 12);
        EXPECT_DOUBLE_EQ(v1->Left(), 10);
        EXPECT_DOUBLE_EQ(v2->Width(), 50);
        EXPECT_EQ(v2->FillColor(), TColor(0x00FF00));
    }
}

// A template object's description is read once for all the pages rebuilt
// from it, and again when it changed.
TEST(PreviewPages, RebuiltPagesFollowTheStoredDescription)
{
    TStoreReport r;
    r.Build({7, 8});
    auto view2 = [&r](int Index) {
        r.Store->ClearPageCache();
        TqdzReportPage *page = r.Store->GetPage(Index);
        return page ? dynamic_cast<TTestView *>(page->FindObject(QStringLiteral("View2"))) : nullptr;
    };
    for (int i : {0, 1, 0}) {
        TTestView *v = view2(i);
        ASSERT_NE(v, nullptr);
        EXPECT_DOUBLE_EQ(v->Width(), 50);
        EXPECT_EQ(v->FillColor(), TColor(0x00FF00));
    }
    TqdzComponent *copy = r.Store->SourcePages(0)->FindObject(QStringLiteral("View2"));
    ASSERT_NE(copy, nullptr);
    QString text = copy->BaseName();
    ASSERT_TRUE(text.contains(QStringLiteral("Width=\"50\""))) << text.toStdString();
    copy->SetBaseName(text.replace(QStringLiteral("Width=\"50\""), QStringLiteral("Width=\"70\"")));
    for (int i : {1, 0}) {
        TTestView *v = view2(i);
        ASSERT_NE(v, nullptr);
        EXPECT_DOUBLE_EQ(v->Width(), 70);
        EXPECT_EQ(v->FillColor(), TColor(0x00FF00));
    }
}

TEST(PreviewPages, ReaderSkipsABareClassNameToken)
{
    TTestView v(nullptr);
    TqdzXMLSerializer s(nullptr);
    s.ReadObjectAttributes(&v, "l=\"3\" TTestView t=\"4\" w=\"5\"");
    EXPECT_DOUBLE_EQ(v.Left(), 3);
    EXPECT_DOUBLE_EQ(v.Top(), 4);
    EXPECT_DOUBLE_EQ(v.Width(), 5);
}

TEST(PreviewPages, DamagedPagesNeverCrash)
{
    TStoreReport r;
    r.Build({1, 2});
    TqdzXMLItem *pages = Node(r.Store, "previewpages");
    // A page naming a source page that is not there shows empty.
    pages->GetItems(1)->SetName("page7");
    TqdzReportPage *p = r.Store->GetPage(1);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->Objects()->Count(), 0);
    EXPECT_EQ(r.Store->GetPageSize(1), TPoint(0, 0));
    pages->GetItems(1)->SetName("pageX");
    r.Store->ClearPageCache();
    EXPECT_NE(r.Store->GetPage(1), nullptr);
    // Items naming no known object or class are skipped.
    TqdzXMLItem *junk = pages->GetItems(0)->Add();
    junk->SetName("zz9");
    junk->SetText("l=\"1\"");
    r.Store->Dictionary()->Add(QStringLiteral("n1"), QStringLiteral("Page0.Nothing"), nullptr);
    TqdzXMLItem *unresolved = pages->GetItems(0)->Add();
    unresolved->SetName("n1");
    r.Store->ClearPageCache();
    p = r.Store->GetPage(0);
    ASSERT_NE(p, nullptr);
    EXPECT_NE(p->FindObject(QStringLiteral("View1")), nullptr);
    // Bad indices elsewhere.
    EXPECT_EQ(r.Store->GetPage(2), nullptr);
    r.Store->DeletePage(5);
    r.Store->DeletePage(-1);
    r.Store->AddEmptyPage(9);
    r.Store->ModifyPage(9, p);
    EXPECT_EQ(r.Store->GetCount(), 2);
}

TEST(PreviewPages, EditingPages)
{
    TStoreReport r;
    r.Build({1, 2});
    r.Store->AddEmptyPage(1);
    ASSERT_EQ(r.Store->GetCount(), 3);
    EXPECT_EQ(Node(r.Store, "previewpages")->GetItems(1)->Name(), "page0");
    EXPECT_EQ(Node(r.Store, "previewpages")->GetItems(1)->Count(), 0);
    r.Store->DeletePage(1);
    ASSERT_EQ(r.Store->GetCount(), 2);

    // A modified page is written whole and read back whole.
    TqdzReportPage *p = r.Store->GetPage(1);
    auto *v = dynamic_cast<TTestView *>(p->FindObject(QStringLiteral("View1")));
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->Tag(), 2);
    v->SetLeft(77);
    r.Store->ModifyPage(1, p);
    EXPECT_EQ(r.Store->CachedPageCount(), 0);
    TqdzXMLItem *item = Node(r.Store, "previewpages")->GetItems(1);
    EXPECT_EQ(item->Name(), "TqdzReportPage");
    EXPECT_FALSE(item->Unloadable());
    p = r.Store->GetPage(1);
    v = dynamic_cast<TTestView *>(p->FindObject(QStringLiteral("View1")));
    ASSERT_NE(v, nullptr);
    EXPECT_DOUBLE_EQ(v->Left(), 77);
    EXPECT_EQ(r.Store->GetPageSize(1), TPoint(794, 1123));

    // The last page is never deleted.
    r.Store->DeletePage(0);
    r.Store->DeletePage(0);
    EXPECT_EQ(r.Store->GetCount(), 1);
}

TEST(PreviewPages, CacheKeepsTheMostRecentPages)
{
    TStoreReport r;
    r.Report.PreviewOptions()->SetPagesInCache(2);
    r.Build({1, 2, 3});
    TqdzReportPage *p0 = r.Store->GetPage(0);
    EXPECT_EQ(r.Store->GetPage(0), p0); // a hit
    r.Store->GetPage(1);
    EXPECT_EQ(r.Store->GetPage(0), p0); // moves to the front
    r.Store->GetPage(2);                // drops page 1, the least recent
    EXPECT_EQ(r.Store->CachedPageCount(), 2);
    EXPECT_EQ(r.Store->GetPage(0), p0);
    // While the engine runs, pages are always rebuilt.
    r.Engine.SetRunning(true);
    EXPECT_NE(r.Store->GetPage(2), nullptr);
    r.Engine.SetRunning(false);
}

TEST(PreviewPages, HeldPageOutlivesTheCache)
{
    TStoreReport r;
    r.Report.PreviewOptions()->SetPagesInCache(1);
    r.Build({1, 2, 3});
    TqdzPreviewPages::TPageHold hold(r.Store, 0);
    ASSERT_NE(hold.Page(), nullptr);
    r.Store->GetPage(1);
    r.Store->GetPage(2);
    r.Store->ClearPageCache();
    r.Store->ModifyPage(1, r.Store->GetPage(1));
    // Still alive (the sanitizer would report a freed page here).
    EXPECT_EQ(hold.Page()->Name(), QStringLiteral("Page1"));
    EXPECT_NE(hold.Page()->FindObject(QStringLiteral("View1")), nullptr);
}

TEST(PreviewPages, ClearingTheFirstPassKeepsNoDanglingNodes)
{
    TStoreReport r;
    r.Report.EngineOptions()->SetDoublePass(true);
    r.Engine.SetFinalPass(false);
    r.Store->AddSourcePage(r.Page);
    r.Store->BeginPass(); // on an empty store
    r.Store->AddPage(r.Page);
    r.Store->AddObject(r.Band);
    r.Engine.SetCurY(10);
    r.Store->AddAnchor(QStringLiteral("a"));
    r.Store->Outline()->LevelRoot();
    r.Store->Outline()->AddItem(QStringLiteral("first pass"), 0);
    r.Store->ClearFirstPassPages();
    EXPECT_EQ(r.Store->GetCount(), 0);
    EXPECT_EQ(r.Store->CurPage(), -1);
    // Anchors and logical page numbers survive into the final pass.
    EXPECT_EQ(Node(r.Store, "anchors")->Count(), 1);
    EXPECT_EQ(Node(r.Store, "logicalpagenumbers")->Count(), 1);
    // The outline and the page node point into the live document.
    r.Engine.SetFinalPass(true);
    r.Store->BeginPass();
    r.Store->AddPage(r.Page);
    r.Store->AddObject(r.Band);
    r.Store->Outline()->AddItem(QStringLiteral("final"), 5);
    r.Store->Outline()->LevelRoot();
    EXPECT_EQ(r.Store->Outline()->GetCount(), 1);
    EXPECT_EQ(r.Store->GetCount(), 1);
    EXPECT_EQ(Node(r.Store, "previewpages")->GetItems(0)->Count(), 1);
    // Clear frees the document: the outline forgets its node.
    r.Store->Clear();
    EXPECT_EQ(r.Store->Outline()->CurItem(), nullptr);
    r.Store->Outline()->AddItem(QStringLiteral("nowhere"), 0);
    EXPECT_EQ(r.Store->Outline()->GetCount(), 0);
}

TEST(PreviewPages, ClearingALaterPassKeepsWhatCameBefore)
{
    TStoreReport r;
    r.Build({1});
    r.Store->Outline()->LevelRoot();
    r.Store->Outline()->AddItem(QStringLiteral("before"), 0);
    r.Store->Outline()->LevelRoot();
    r.Store->BeginPass();
    r.Store->AddObject(r.View2);
    r.Store->AddPage(r.Page);
    r.Store->Outline()->AddItem(QStringLiteral("pass"), 0);
    r.Store->Outline()->AddItem(QStringLiteral("nested"), 0);
    r.Store->ClearFirstPassPages();
    EXPECT_EQ(r.Store->GetCount(), 1);
    EXPECT_EQ(Node(r.Store, "previewpages")->GetItems(0)->Count(), 1);
    EXPECT_EQ(r.Store->CurPage(), 0);
    EXPECT_EQ(Node(r.Store, "outline")->Count(), 1);
    r.Store->Outline()->AddItem(QStringLiteral("after"), 0); // not into freed XML
    r.Store->Outline()->LevelRoot();
    EXPECT_EQ(r.Store->Outline()->GetCount(), 2);
}

TEST(PreviewPages, SpillsOldPagesToTheTemporaryFile)
{
    TStoreReport r;
    r.Report.EngineOptions()->SetUseFileCache(true);
    r.Report.EngineOptions()->SetMaxMemSize(0);
    std::vector<int> tags;
    for (int i = 1; i <= 8; ++i)
        tags.push_back(i);
    r.Build(tags);
    TqdzXMLItem *pages = Node(r.Store, "previewpages");
    EXPECT_FALSE(pages->GetItems(5)->Loaded());
    EXPECT_TRUE(pages->GetItems(6)->Loaded());
    EXPECT_FALSE(r.Store->XMLDocument()->TempFileName().isEmpty());
    for (int i = 0; i < 8; ++i) {
        TqdzReportPage *p = r.Store->GetPage(i);
        ASSERT_NE(p, nullptr);
        auto *v = dynamic_cast<TTestView *>(p->FindObject(QStringLiteral("View1")));
        ASSERT_NE(v, nullptr) << i;
        EXPECT_EQ(v->Tag(), i + 1);
    }
}

TEST(PreviewPages, AddPagesFromAnotherReport)
{
    TStoreReport mine, other;
    ASSERT_EQ(other.Store, other.Report.PreviewPages());
    mine.Build({1});
    other.Build({7, 8});
    other.Store->SetCurPage(1);
    other.Engine.SetCurY(30);
    other.Store->AddAnchor(QStringLiteral("there"));
    TqdzCustomOutline *o = other.Store->Outline();
    o->LevelRoot();
    other.Store->SetCurPage(0);
    o->AddItem(QStringLiteral("seven"), 5);
    other.Store->SetCurPage(1);
    o->AddItem(QStringLiteral("eight"), 6);
    o->LevelRoot();

    mine.Store->AddPagesFrom(&other.Report);
    ASSERT_EQ(mine.Store->GetCount(), 3);
    EXPECT_EQ(Node(mine.Store, "previewpages")->GetItems(1)->Name(), "TqdzReportPage");
    auto *v = mine.Store->GetPage(2)->FindObject(QStringLiteral("View1"));
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->Tag(), 8);
    EXPECT_EQ(mine.Store->GetAnchorPage(QStringLiteral("there")), 3);
    TqdzXMLItem *outline = Node(mine.Store, "outline");
    ASSERT_EQ(outline->Count(), 1);
    EXPECT_EQ(outline->GetItems(0)->Text().trimmed(), "text=\"seven\" page=\"1\" top=\"5\"");
    ASSERT_EQ(outline->GetItems(0)->Count(), 1);
    EXPECT_EQ(outline->GetItems(0)->GetItems(0)->Text().trimmed(), "text=\"eight\" page=\"2\" top=\"6\"");
    EXPECT_EQ(mine.Store->CurPage(), 2);
    // A report without a store of this kind, or the store itself: nothing.
    mine.Store->AddPagesFrom(nullptr);
    mine.Store->AddPagesFrom(&mine.Report);
    EXPECT_EQ(mine.Store->GetCount(), 3);
}

TEST(PreviewPages, UpdatePageDimensionsMakesTheSourcePageCustom)
{
    TStoreReport r;
    r.Build({1});
    r.Store->UpdatePageDimensions(r.Page, 794, 2000);
    TqdzReportPage *source = r.Store->SourcePages(0);
    EXPECT_EQ(source->PaperSize(), 256);
    EXPECT_NEAR(source->PaperHeight(), 2000 / qdzPixelsPerMM, 1e-6);
    EXPECT_EQ(r.Store->GetPageSize(0), TPoint(794, 2000));
    EXPECT_TRUE(source->BaseName().contains(QStringLiteral("PaperSize=\"256\"")));
    EXPECT_TRUE(source->BaseName().contains(QStringLiteral("PaperHeight=\"529.17\"")));
    // A page no source page is linked to changes nothing.
    TqdzReportPage other(nullptr);
    r.Store->UpdatePageDimensions(&other, 100, 100);
    r.Store->UpdatePageDimensions(nullptr, 100, 100);
    EXPECT_EQ(r.Store->GetPageSize(0), TPoint(794, 2000));
}

TEST(PreviewPages, DrawingIntoAMetafileSkipsNoObject)
{
    TStoreReport r;
    r.View2->SetLeft(5000); // far outside any clip box
    r.Build({1});
    r.Store->Finish();
    TMetafile meta;
    {
        TMetafileCanvas canvas(&meta, 0);
        r.Store->DrawPage(0, &canvas, 1, 1, 0, 0);
    }
    TqdzReportPage *page = r.Store->GetPage(0);
    for (const char *name : {"View1", "View2"}) {
        auto *v = dynamic_cast<TTestView *>(page->FindObject(QString::fromLatin1(name)));
        ASSERT_TRUE(v) << name;
        EXPECT_EQ(v->DrawCount, 1) << name;
    }
    // On a bitmap the view outside the page is skipped.
    DrawnPage(r.Store, 0);
    EXPECT_EQ(dynamic_cast<TTestView *>(page->FindObject(QStringLiteral("View2")))->DrawCount, 1);
}
