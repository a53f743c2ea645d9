// The outline, anchors and logical page numbers of built reports.
#include "StoreFixture.h"

#include "report/engine/qdzOutline.h"
#include "report/model/qdzVariables.h"
#include "report/model/qdzXML.h"

#include <gtest/gtest.h>

namespace {

TqdzXMLItem *Node(TqdzPreviewPages *Store, const char *Name)
{
    return Store->XMLDocument()->Root()->FindItem(Name);
}

} // namespace

TEST(Outline, NothingBeforeLevelRootAndBadIndices)
{
    TStoreReport r;
    TqdzCustomOutline *o = r.Store->Outline();
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->GetCount(), 0);
    o->AddItem(QStringLiteral("x"), 1);
    o->LevelDown(0);
    o->LevelUp();
    QString text = QStringLiteral("keep");
    int page = 7, top = 8;
    o->GetItem(0, text, page, top);
    EXPECT_EQ(text, QStringLiteral("keep"));
    EXPECT_EQ(o->GetLastItem(), nullptr);
    o->ShiftItems(nullptr, 5);
    EXPECT_EQ(Node(r.Store, "outline")->Count(), 0);

    o->LevelRoot();
    o->LevelUp(); // stays at the root
    EXPECT_EQ(o->CurItem(), Node(r.Store, "outline"));
    o->LevelDown(3);
    o->LevelDown(-1);
    EXPECT_EQ(o->CurItem(), Node(r.Store, "outline"));
    o->GetItem(2, text, page, top);
    EXPECT_EQ(page, 7);
}

TEST(Outline, ItemsCarryTextPageAndTop)
{
    TStoreReport r;
    r.Build({1, 2});
    TqdzCustomOutline *o = r.Store->Outline();
    o->LevelRoot();
    r.Store->SetCurPage(0);
    o->AddItem(QStringLiteral("Group \"A\" & <B>"), 40);
    o->AddItem(QStringLiteral("Detail"), 60);
    o->LevelUp();
    o->LevelUp();
    r.Store->SetCurPage(1);
    o->AddItem(QStringLiteral("客户"), 10);
    o->LevelRoot();
    ASSERT_EQ(o->GetCount(), 2);
    EXPECT_EQ(Node(r.Store, "outline")->GetItems(0)->Text(),
              "text=\"Group &#34;A&#34; & &#60;B&#62;\" page=\"0\" top=\"40\"");
    QString text;
    int page = -1, top = -1;
    o->GetItem(1, text, page, top);
    EXPECT_EQ(text, QStringLiteral("客户"));
    EXPECT_EQ(page, 1);
    EXPECT_EQ(top, 10);
    // An item without page and top leaves them alone.
    Node(r.Store, "outline")->GetItems(1)->SetText("text=\"bare\"");
    o->GetItem(1, text, page, top);
    EXPECT_EQ(text, QStringLiteral("bare"));
    EXPECT_EQ(page, 1);
    EXPECT_EQ(o->GetLastItem(), Node(r.Store, "outline")->GetItems(1));
    o->LevelDown(0);
    EXPECT_EQ(o->GetCount(), 1);
}

TEST(Outline, ShiftItemsMovesTheNextSiblingAndItsChildren)
{
    TStoreReport r;
    r.Build({1});
    TqdzCustomOutline *o = r.Store->Outline();
    o->LevelRoot();
    o->AddItem(QStringLiteral("a"), 100);
    o->LevelUp();
    o->AddItem(QStringLiteral("b"), 500);
    o->AddItem(QStringLiteral("b1"), 520);
    o->LevelUp();
    o->LevelUp();
    o->AddItem(QStringLiteral("c"), 700);
    TqdzXMLItem *root = Node(r.Store, "outline");
    o->ShiftItems(root->GetItems(0), 30);
    EXPECT_EQ(root->GetItems(0)->Text(), "text=\"a\" page=\"0\" top=\"100\"");
    EXPECT_EQ(root->GetItems(1)->Text(), "text=\"b\" page=\"1\" top=\"30\"");
    EXPECT_EQ(root->GetItems(1)->GetItems(0)->Text(), "text=\"b1\" page=\"1\" top=\"50\"");
    EXPECT_EQ(root->GetItems(2)->Text(), "text=\"c\" page=\"0\" top=\"700\"");
    o->ShiftItems(root->GetItems(2), 0); // no following sibling
    EXPECT_EQ(root->GetItems(2)->Text(), "text=\"c\" page=\"0\" top=\"700\"");
}

TEST(Anchors, PagesTopsAndShifts)
{
    TStoreReport r;
    r.Build({1, 2, 3});
    EXPECT_EQ(r.Store->GetAnchorPage(QStringLiteral("none")), 1);
    EXPECT_EQ(r.Store->GetAnchorCurPosition(), -1);
    struct {
        int Page;
        double Y;
        const char *Text;
    } adds[] = {{0, 10.5, "first"}, {1, 11.5, "twice"}, {2, 99.2, "TWICE"}};
    for (auto &a : adds) {
        r.Store->SetCurPage(a.Page);
        r.Engine.SetCurY(a.Y);
        r.Store->AddAnchor(QString::fromLatin1(a.Text));
    }
    TqdzXMLItem *anchors = Node(r.Store, "anchors");
    EXPECT_EQ(anchors->GetItems(0)->Text(), "text=\"first\" page=\"0\" top=\"10\"");
    EXPECT_EQ(anchors->GetItems(1)->Text(), "text=\"twice\" page=\"1\" top=\"12\"");
    EXPECT_EQ(r.Store->GetAnchorPage(QStringLiteral("twice")), 3); // the last one added
    EXPECT_EQ(r.Store->GetAnchorPage(QStringLiteral("FIRST")), 1);
    EXPECT_EQ(r.Store->GetAnchorCurPosition(), 2);
    r.Store->ShiftAnchors(0, 2);
    EXPECT_EQ(anchors->GetItems(0)->Text(), "text=\"first\" page=\"0\" top=\"10\"");
    EXPECT_EQ(anchors->GetItems(1)->Text(), "text=\"twice\" page=\"2\" top=\"2\"");
    EXPECT_EQ(anchors->GetItems(2)->Text(), "text=\"TWICE\" page=\"3\" top=\"89\"");
    r.Store->ShiftAnchors(2, 0);  // nothing after the last
    r.Store->ShiftAnchors(-9, 0); // nothing there
    EXPECT_EQ(anchors->GetItems(2)->Text(), "text=\"TWICE\" page=\"3\" top=\"89\"");
}

TEST(LogicalPages, RunsAreNumberedAndClosed)
{
    TStoreReport r;
    r.Build({1, 2, 3});
    TqdzXMLItem *numbers = Node(r.Store, "logicalpagenumbers");
    ASSERT_EQ(numbers->Count(), 3);
    // An open run: numbers, no totals yet.
    EXPECT_EQ(r.Store->GetLogicalPageNo(), 3);
    EXPECT_EQ(r.Store->GetLogicalTotalPages(), 0);
    r.Store->ResetLogicalPageNumber();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(numbers->GetItems(i)->Text(), "n=\"" + QByteArray::number(i + 1) + "\" t=\"3\"");
    // A new run after a reset (a group that restarts page numbers).
    r.Store->AddPage(r.Page);
    r.Store->AddPage(r.Page);
    EXPECT_EQ(r.Store->GetLogicalPageNo(), 2);
    r.Store->ResetLogicalPageNumber();
    EXPECT_EQ(numbers->GetItems(3)->Text(), "n=\"1\" t=\"2\"");
    EXPECT_EQ(r.Store->GetLogicalTotalPages(), 2);
    EXPECT_EQ(numbers->GetItems(2)->Text(), "n=\"3\" t=\"3\"");
    // Past the numbered pages: counted from the first page.
    r.Store->SetCurPage(9);
    r.Store->SetFirstPage(2);
    r.Engine.SetTotalPages(12);
    EXPECT_EQ(r.Store->GetLogicalPageNo(), 8);
    EXPECT_EQ(r.Store->GetLogicalTotalPages(), 10);
}

TEST(LogicalPages, TheFinalPassKeepsTheFirstPassNumbers)
{
    TStoreReport r;
    r.Report.EngineOptions()->SetDoublePass(true);
    r.Engine.SetFinalPass(false);
    r.Store->AddSourcePage(r.Page);
    r.Store->BeginPass();
    r.Store->AddPage(r.Page);
    r.Store->AddPage(r.Page);
    r.Store->ClearFirstPassPages();
    r.Engine.SetFinalPass(true);
    r.Store->BeginPass();
    r.Store->AddPage(r.Page);
    r.Store->AddPage(r.Page);
    TqdzXMLItem *numbers = Node(r.Store, "logicalpagenumbers");
    ASSERT_EQ(numbers->Count(), 2);
    EXPECT_EQ(r.Store->GetLogicalPageNo(), 2);
    EXPECT_EQ(r.Store->GetLogicalTotalPages(), 2);
}
