// The report's component tree: ownership, children, fonts, names, bounds
// while printing, alignment and the built-page attributes.
#include "test_serializer_classes.h"

#include "platform/Exceptions.h"
#include "report/model/qdzRes.h"

#include <gtest/gtest.h>

namespace {

class ComponentTree : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterTestReportClasses();
        Report = std::make_unique<TqdzTestReport>(nullptr);
        Page = new TqdzTestPage(Report.get());
        Page->SetName("Page1");
        Band = new TqdzTestBand(Page);
        Band->SetName("Band1");
        Memo = new TqdzTestMemoView(Band);
        Memo->SetName("Memo1");
    }

    std::unique_ptr<TqdzTestReport> Report;
    TqdzTestPage *Page = nullptr;
    TqdzTestBand *Band = nullptr;
    TqdzTestMemoView *Memo = nullptr;
};

TEST_F(ComponentTree, OwnershipGoesToTheReportAndParentToTheGivenObject)
{
    EXPECT_EQ(Memo->Owner(), Report.get());
    EXPECT_EQ(Band->Owner(), Report.get());
    EXPECT_EQ(Memo->Parent(), Band);
    EXPECT_EQ(Page->Parent(), Report.get());
    EXPECT_EQ(Memo->GetReport(), Report.get());
    EXPECT_EQ(Memo->GetPage(), Page);
    EXPECT_EQ(Page->GetPage(), Page);
    EXPECT_EQ(Report->GetPage(), nullptr);

    // An owner that is not a report object owns it directly, without parent.
    TComponent holder(nullptr);
    auto *loose = new TqdzTestBand(&holder);
    EXPECT_EQ(loose->Owner(), &holder);
    EXPECT_EQ(loose->Parent(), nullptr);
    EXPECT_EQ(loose->GetReport(), nullptr);
}

TEST_F(ComponentTree, ObjectsKeepInsertionOrderAndAllObjectsIsDepthFirst)
{
    auto *band2 = new TqdzTestBand(Page);
    band2->SetName("Band2");
    auto *memo2 = new TqdzTestMemoView(Band);
    memo2->SetName("Memo2");
    TList *all = Report->AllObjects();
    QStringList names;
    for (int i = 0; i < all->Count(); ++i)
        names << static_cast<TqdzComponent *>(all->Items(i))->Name();
    EXPECT_EQ(names, QStringList({"Page1", "Band1", "Memo1", "Memo2", "Band2"}));
    ASSERT_EQ(Page->Objects()->Count(), 2);
    EXPECT_EQ(Page->Objects()->Items(1), band2);
    EXPECT_EQ(Page->GetChildObjects(), Page->Objects());

    // Moving a view to another band appends it there.
    Memo->SetParent(band2);
    EXPECT_EQ(Band->Objects()->Count(), 1);
    EXPECT_EQ(band2->Objects()->Items(0), Memo);
}

TEST_F(ComponentTree, AParentInsideTheObjectsOwnSubtreeIsRefused)
{
    EXPECT_THROW(Band->SetParent(Memo), EComponentError);
    EXPECT_THROW(Band->SetParent(Band), EComponentError);
    EXPECT_EQ(Band->Parent(), Page);
}

TEST_F(ComponentTree, FindObjectIgnoresCaseFindsNestedObjectsNeverItself)
{
    EXPECT_EQ(Report->FindObject("memo1"), Memo);
    EXPECT_EQ(Report->FindObject("BAND1"), Band);
    EXPECT_EQ(Page->FindObject("Memo1"), Memo);
    EXPECT_EQ(Page->FindObject("Page1"), nullptr);
    EXPECT_EQ(Band->FindObject("Page1"), nullptr);
    EXPECT_EQ(Report->FindObject("Memo9"), nullptr);
    // An empty name finds nothing, even when unnamed objects exist.
    new TqdzTestMemoView(Band);
    EXPECT_EQ(Report->FindObject(""), nullptr);
}

TEST_F(ComponentTree, BaseNameDropsTheFamilyPrefixAndView)
{
    EXPECT_EQ(Memo->BaseName(), "TestMemo");
    EXPECT_EQ(Band->BaseName(), "TestBand");
    TqdzNullBand nullBand(nullptr);
    EXPECT_EQ(nullBand.BaseName(), "NullBand");
    TqdzReportPage reportPage(nullptr);
    EXPECT_EQ(reportPage.BaseName(), "Page");
    Memo->SetBaseName("m1 stored");
    EXPECT_EQ(Memo->BaseName(), "m1 stored");
}

TEST_F(ComponentTree, CreateUniqueNameTakesTheFirstFreeNumber)
{
    auto *second = new TqdzTestMemoView(Band);
    second->CreateUniqueName();
    EXPECT_EQ(second->Name(), "TestMemo1");
    auto *third = new TqdzTestMemoView(Band);
    third->CreateUniqueName();
    EXPECT_EQ(third->Name(), "TestMemo2");
    second->SetName("X");
    auto *fourth = new TqdzTestMemoView(Band);
    fourth->CreateUniqueName();
    EXPECT_EQ(fourth->Name(), "TestMemo1");
    auto *band2 = new TqdzTestBand(Page);
    band2->CreateUniqueName();
    EXPECT_EQ(band2->Name(), "TestBand1");

    // Without a report the parent's objects count.
    TqdzTestPage loosePage(nullptr);
    auto *a = new TqdzTestBand(&loosePage);
    a->SetName("TestBand1");
    auto *b = new TqdzTestBand(&loosePage);
    b->CreateUniqueName();
    EXPECT_EQ(b->Name(), "TestBand2");
}

TEST_F(ComponentTree, DuplicateNamesInAReportRaiseThePrDuplText)
{
    auto *memo2 = new TqdzTestMemoView(Band);
    memo2->SetName("Memo2");
    try {
        memo2->SetName("MEMO1");
        FAIL() << "no exception";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), qdzResources()->ResourceText("prDupl"));
    }
    EXPECT_EQ(memo2->Name(), "Memo2");
    // Changing only the case of the own name is allowed.
    memo2->SetName("MEMO2");
    EXPECT_EQ(memo2->Name(), "MEMO2");
}

TEST_F(ComponentTree, NamesStayUniqueThroughRenamesFreesAndMoves)
{
    auto *memo2 = new TqdzTestMemoView(Band);
    memo2->SetName("Memo2");
    Memo->SetName("Renamed");
    memo2->SetName("memo1"); // the old name is free again
    EXPECT_THROW(memo2->SetName("RENAMED"), Exception);
    memo2->Free();
    auto *memo3 = new TqdzTestMemoView(Band);
    memo3->SetName("Memo1");
    EXPECT_EQ(Report->FindObject("memo1"), memo3);

    // A component the report owns outside its tree keeps its name too.
    auto *plain = new TComponent(Report.get());
    plain->SetName("Plain");
    EXPECT_THROW(memo3->SetName("plain"), EComponentError);
    plain->SetName("Plain2");
    memo3->SetName("Plain");
    EXPECT_EQ(memo3->Name(), "Plain");

    // A subtree moved into another report takes its names along; the
    // objects stay owned by the first report.
    TqdzTestReport other(nullptr);
    auto *otherPage = new TqdzTestPage(&other);
    Band->SetParent(otherPage);
    auto *stranger = new TqdzTestMemoView(otherPage);
    try {
        stranger->SetName("Renamed");
        FAIL() << "no exception";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), qdzResources()->ResourceText("prDupl"));
    }
    auto *local = new TqdzTestMemoView(Page);
    EXPECT_THROW(local->SetName("Renamed"), EComponentError);
    Band->SetParent(Page);
    stranger->SetName("Renamed");
    EXPECT_EQ(stranger->Name(), "Renamed");
}

TEST_F(ComponentTree, LongNamesAreComparedWholeAndWithoutCase)
{
    const QString longName = QStringLiteral("Memo_") + QString(100, QLatin1Char('x'));
    auto *memo2 = new TqdzTestMemoView(Band);
    memo2->SetName(longName);
    auto *memo3 = new TqdzTestMemoView(Band);
    EXPECT_THROW(memo3->SetName(longName.toUpper()), Exception);
    memo3->SetName(longName + QLatin1Char('y')); // differs in its last letter only
    EXPECT_EQ(Report->FindObject(longName.toLower()), memo2);
    EXPECT_EQ(Report->FindObject(longName + QLatin1Char('Y')), memo3);
    memo2->Free();
    memo3->SetName(longName.toUpper()); // free again
    EXPECT_EQ(Report->FindObject(longName), memo3);
}

TEST_F(ComponentTree, FreedObjectsAreForgottenByThoseThatReferToThem)
{
    auto *memo2 = new TqdzTestMemoView(Band);
    Memo->SetLink(memo2);
    memo2->Free();
    EXPECT_EQ(Memo->Link(), nullptr);
}

TEST_F(ComponentTree, AnObjectOfTheAncestorReportCannotBeRenamed)
{
    Memo->SetIsAncestor(true);
    try {
        Memo->SetName("Other");
        FAIL() << "no exception";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), "Could not rename Memo1, it was introduced in the ancestor report");
    }
    EXPECT_EQ(Memo->Name(), "Memo1");
    EXPECT_TRUE(Memo->IsAncestor());
    Page->MarkAncestor(true);
    EXPECT_TRUE(Page->IsAncestor());
}

TEST_F(ComponentTree, ChildFontFollowsTheParentUntilSetItself)
{
    auto *memo2 = new TqdzTestMemoView(Band);
    EXPECT_TRUE(Memo->ParentFont());
    EXPECT_EQ(Memo->Font()->Name(), "Arial");
    EXPECT_EQ(Memo->Font()->Size(), 10);

    TFont own;
    own.SetName("Courier New");
    Memo->SetFont(&own);
    EXPECT_FALSE(Memo->ParentFont());

    Band->Font()->SetName("Tahoma");
    Band->Font()->SetSize(14);
    EXPECT_FALSE(Band->ParentFont());
    EXPECT_EQ(Memo->Font()->Name(), "Courier New");
    EXPECT_EQ(memo2->Font()->Name(), "Tahoma");
    EXPECT_EQ(memo2->Font()->Size(), 14);
    EXPECT_TRUE(memo2->ParentFont());

    // Changing the child's font directly also ends the inheritance.
    memo2->Font()->SetColor(255);
    EXPECT_FALSE(memo2->ParentFont());
    Band->Font()->SetName("Arial");
    EXPECT_EQ(memo2->Font()->Name(), "Tahoma");

    // ParentFont set back takes the parent's font again and stays on.
    memo2->SetParentFont(true);
    EXPECT_TRUE(memo2->ParentFont());
    EXPECT_EQ(memo2->Font()->Name(), "Arial");
    EXPECT_EQ(memo2->Font()->Color(), 0);
}

TEST_F(ComponentTree, FontChangesReachGrandchildrenThatFollow)
{
    Page->Font()->SetName("Tahoma");
    EXPECT_EQ(Band->Font()->Name(), "Tahoma");
    EXPECT_EQ(Memo->Font()->Name(), "Tahoma");
    EXPECT_TRUE(Memo->ParentFont());
}

TEST_F(ComponentTree, FreeingABandFreesItsViewsAndLeavesThePage)
{
    auto *memo2 = new TqdzTestMemoView(Band);
    memo2->SetName("Memo2");
    const int owned = Report->ComponentCount();
    Band->Free();
    EXPECT_EQ(Page->Objects()->Count(), 0);
    EXPECT_EQ(Report->ComponentCount(), owned - 3);
    EXPECT_EQ(Report->FindObject("Memo1"), nullptr);
    EXPECT_EQ(Report->FindComponent("Memo2"), nullptr);
}

TEST_F(ComponentTree, ClearFreesChildrenButClearsAndKeepsAncestorObjects)
{
    auto *page2 = new TqdzTestPage(Report.get());
    page2->SetName("Page2");
    auto *band2 = new TqdzTestBand(page2);
    band2->SetName("Band2");
    page2->MarkAncestor(true);
    Report->Clear();
    ASSERT_EQ(Report->Objects()->Count(), 1);
    EXPECT_EQ(Report->Objects()->Items(0), page2);
    // The kept page is cleared itself.
    EXPECT_EQ(page2->Objects()->Count(), 0);
    EXPECT_EQ(Report->FindObject("Memo1"), nullptr);
}

TEST_F(ComponentTree, AfterPrintBringsBackTheBoundsOfBeforePrint)
{
    Memo->SetBounds(10, 20, 100, 18);
    Memo->BeforePrint();
    Memo->SetBounds(0, 500, 3, 4);
    Memo->GetData();
    Memo->AfterPrint();
    EXPECT_EQ(Memo->Left(), 10);
    EXPECT_EQ(Memo->Top(), 20);
    EXPECT_EQ(Memo->Width(), 100);
    EXPECT_EQ(Memo->Height(), 18);
    EXPECT_EQ(Memo->GetComponentText(), "");
}

TEST_F(ComponentTree, DesignCreatedObjectsKeepRestrictions)
{
    TqdzComponent *designed = TqdzComponent::DesignCreate(TqdzTestMemoView::StaticClass(), Band);
    EXPECT_TRUE(designed->IsDesigning());
    designed->SetBounds(1, 2, 3, 4);
    designed->SetRestrictions({rfDontMove});
    designed->SetLeft(50);
    designed->SetTop(60);
    designed->SetWidth(70);
    EXPECT_EQ(designed->Left(), 1);
    EXPECT_EQ(designed->Top(), 2);
    EXPECT_EQ(designed->Width(), 70);
    designed->SetRestrictions({rfDontSize});
    designed->SetHeight(80);
    designed->SetLeft(5);
    EXPECT_EQ(designed->Height(), 4);
    EXPECT_EQ(designed->Left(), 5);

    // Created normally, the same restrictions do not stop anything.
    EXPECT_FALSE(Memo->IsDesigning());
    Memo->SetRestrictions({rfDontMove, rfDontSize});
    Memo->SetBounds(7, 8, 9, 10);
    EXPECT_EQ(Memo->Left(), 7);
    EXPECT_EQ(Memo->Height(), 10);
    EXPECT_THROW(TqdzComponent::DesignCreate(TqdzTestFrame::StaticClass(), Band), EInvalidCast);
}

TEST_F(ComponentTree, AbsolutePositionsAddParentsUpToADialogPage)
{
    Page->SetTop(5);
    Page->SetLeft(3);
    Band->SetTop(100);
    Band->SetLeft(0.5);
    Memo->SetTop(7);
    Memo->SetLeft(11);
    Memo->SetWidth(20);
    Memo->SetHeight(4);
    EXPECT_DOUBLE_EQ(Memo->AbsTop(), 112);
    EXPECT_DOUBLE_EQ(Memo->AbsLeft(), 14.5);
    TqdzRect r = Memo->GetRect();
    EXPECT_DOUBLE_EQ(r.Left, 14.5);
    EXPECT_DOUBLE_EQ(r.Top, 112);
    EXPECT_DOUBLE_EQ(r.Right, 34.5);
    EXPECT_DOUBLE_EQ(r.Bottom, 116);

    auto *dialog = new TqdzDialogPage(Report.get());
    dialog->SetTop(300);
    auto *control = new TqdzTestMemoView(dialog);
    control->SetTop(9);
    control->SetLeft(4);
    EXPECT_EQ(control->AbsTop(), 9);
    EXPECT_EQ(control->AbsLeft(), 4);
}

TEST_F(ComponentTree, ComponentFlagsShowInBuiltPagesAndMemosAreNotWrittenInFull)
{
    EXPECT_EQ(Band->Flags(), qdzFlagShowInPrepared);
    EXPECT_EQ(Memo->Flags(), qdzFlagShowInPrepared);
    TqdzNullBand nullBand(nullptr);
    EXPECT_EQ(nullBand.Flags() & qdzFlagShowInPrepared, qdzFlagShowInPrepared);
}

TEST_F(ComponentTree, ChildrenForFormStreamingFollowStoreInDFM)
{
    int count = 0;
    Report->GetChildren([&count](TComponent *) { ++count; }, Report.get());
    EXPECT_EQ(count, 1);
    Report->SetStoreInDFM(false);
    count = 0;
    Report->GetChildren([&count](TComponent *) { ++count; }, Report.get());
    EXPECT_EQ(count, 0);
    Band->GetChildren([&count](TComponent *) { ++count; }, Report.get());
    EXPECT_EQ(count, 1);
}

// ------------------------------------------------------------- alignment

struct AlignCase
{
    const char *Title;
    TqdzAlign Align;
    double Left, Top, Width, Height;
    double ExpLeft, ExpTop, ExpWidth, ExpHeight;
};

class AlignChildren : public ComponentTree, public ::testing::WithParamInterface<AlignCase>
{
};

TEST_P(AlignChildren, AlignsAgainstNeighboursAndTheParent)
{
    // The band is 500 by 100; two fixed views at 100..150 and 300..350 share
    // the top rows, one fixed view lies below everything.
    Band->SetBounds(0, 0, 500, 100);
    Memo->SetBounds(100, 0, 50, 20);
    auto *right = new TqdzTestMemoView(Band);
    right->SetBounds(300, 0, 50, 20);
    auto *below = new TqdzTestMemoView(Band);
    below->SetBounds(0, 80, 10, 10);
    const AlignCase &c = GetParam();
    auto *v = new TqdzTestMemoView(Band);
    v->SetBounds(c.Left, c.Top, c.Width, c.Height);
    v->SetAlign(c.Align);
    Band->AlignChildren();
    EXPECT_DOUBLE_EQ(v->Left(), c.ExpLeft) << c.Title;
    EXPECT_DOUBLE_EQ(v->Top(), c.ExpTop) << c.Title;
    EXPECT_DOUBLE_EQ(v->Width(), c.ExpWidth) << c.Title;
    EXPECT_DOUBLE_EQ(v->Height(), c.ExpHeight) << c.Title;
    EXPECT_EQ(Memo->Left(), 100);
    EXPECT_EQ(right->Left(), 300);
}

INSTANTIATE_TEST_SUITE_P(
    Align, AlignChildren,
    ::testing::Values(
        AlignCase{"left moves next to the view before it", baLeft, 200, 5, 40, 10, 150, 5, 40, 10},
        AlignCase{"left without a neighbour goes to 0", baLeft, 200, 40, 40, 10, 0, 40, 40, 10},
        AlignCase{"touching rows do not overlap", baLeft, 200, 20, 40, 10, 0, 20, 40, 10},
        AlignCase{"right moves next to the view after it", baRight, 200, 5, 40, 10, 260, 5, 40, 10},
        AlignCase{"right without a neighbour ends at the parent", baRight, 200, 40, 40, 10, 460, 40, 40, 10},
        AlignCase{"width fills the gap between neighbours", baWidth, 200, 5, 40, 10, 150, 5, 150, 10},
        AlignCase{"width without neighbours fills the parent", baWidth, 200, 40, 40, 10, 0, 40, 500, 10},
        AlignCase{"center", baCenter, 7, 40, 40, 10, 230, 40, 40, 10},
        AlignCase{"bottom", baBottom, 7, 40, 40, 10, 7, 90, 40, 10},
        AlignCase{"client", baClient, 7, 40, 40, 10, 0, 0, 500, 100},
        AlignCase{"none stays", baNone, 7, 40, 40, 10, 7, 40, 40, 10}));

// ---------------------------------------------------- built-page attributes

TEST_F(ComponentTree, DiffAttributesListShortNamesThatDiffer)
{
    TqdzTestMemoView def(nullptr);
    Memo->SetBounds(10.5, 0, 100, 18);
    def.SetBounds(10.5, 0, 90, 18);
    // The memo's own attributes follow the base ones: the text always.
    EXPECT_EQ(Memo->DiffAttributes(&def), " w=\"100\" u=\"\"");
    // Differences of 0.0001 or less do not count.
    Memo->SetLeft(10.50005);
    EXPECT_EQ(Memo->DiffAttributes(&def), " w=\"100\" u=\"\"");
    Memo->SetLeft(1);
    Memo->SetTop(2.25);
    Memo->SetHeight(3);
    Memo->SetVisible(false);
    Memo->SetTag(7);
    TFont f;
    f.SetName("Tahoma");
    f.SetStyle({fsBold, fsUnderline});
    f.SetCharset(134);
    Memo->SetFont(&f);
    EXPECT_EQ(Memo->DiffAttributes(&def),
              " l=\"1\" t=\"2.25\" w=\"100\" h=\"3\" Visible=\"0\" Font.Name=\"Tahoma\" Font.Style=\"5\""
              " Font.Charset=\"134\" ParentFont=\"0\" Tag=\"7\" u=\"\"");
    // A memo with automatic width leaves its width out.
    Memo->SetAutoWidth(true);
    EXPECT_EQ(Memo->DiffAttributes(&def).indexOf(" w="), -1);
}

TEST_F(ComponentTree, BandsAlwaysWriteTheirTop)
{
    TqdzTestBand def(nullptr);
    EXPECT_EQ(Band->DiffAttributes(&def), " t=\"0\"");
}

TEST_F(ComponentTree, WriteToPreparedItemGivesTheAttributesAndTheDifferences)
{
    Memo->SetBounds(10, 20, 30, 40);
    Memo->SetText("Hi");
    QByteArray text;
    Memo->WriteToPreparedItem(nullptr, text);
    EXPECT_EQ(text, "Left=\"10\" Top=\"20\" Width=\"30\" Height=\"40\" Data=\"\" Lines.Text=\"\" Text=\"Hi\"");
    TqdzTestMemoView def(nullptr);
    Memo->WriteToPreparedItem(&def, text);
    EXPECT_TRUE(text.endsWith("Text=\"Hi\"  l=\"10\" t=\"20\" w=\"30\" h=\"40\" u=\"Hi\"")) << text.constData();

    // A null band always carries its position.
    TqdzNullBand nb(nullptr);
    nb.SetLeft(5);
    nb.WriteToPreparedItem(nullptr, text);
    EXPECT_EQ(text, "Height=\"0\" Left=\"5\" Top=\"0\" Width=\"0\" l=\"5\" t=\"0\"");
}

TEST_F(ComponentTree, AssignCopiesThroughTheTemplateFormat)
{
    Memo->SetBounds(1, 2, 3, 4);
    Memo->SetText("copy me");
    Memo->SetHAlign(thaCenter);
    Memo->SetGapX(5);
    TqdzTestMemoView copy(nullptr);
    copy.SetHint("kept? no");
    copy.Assign(Memo);
    EXPECT_EQ(copy.Left(), 1);
    EXPECT_EQ(copy.Height(), 4);
    EXPECT_EQ(copy.Text(), "copy me\r\n");
    EXPECT_EQ(copy.HAlign(), thaCenter);
    EXPECT_EQ(copy.GapX(), 5);
    EXPECT_EQ(copy.Name(), "");
    // Default values are written too, so an empty hint overwrites.
    EXPECT_EQ(copy.Hint(), "");
    // Other sources are ignored.
    TFont font;
    copy.Assign(&font);
    EXPECT_EQ(copy.Left(), 1);
}

TEST_F(ComponentTree, ACopyMadeDuringAReadLeavesTheOuterSerializerInPlace)
{
    TqdzXMLSerializer outer(nullptr);
    Report->SetXMLSerializer(&outer);
    auto *copy = new TqdzTestMemoView(Band);
    copy->Assign(Memo);
    EXPECT_EQ(Report->XMLSerializer(), &outer);
    Report->SetXMLSerializer(nullptr);
}

TEST_F(ComponentTree, AssignAllCopiesTheChildren)
{
    auto *memo2 = new TqdzTestMemoView(Band);
    memo2->SetName("Memo2");
    memo2->SetText("second");
    TqdzTestBand copy(nullptr);
    copy.AssignAll(Band);
    ASSERT_EQ(copy.Objects()->Count(), 2);
    auto *c2 = dynamic_cast<TqdzTestMemoView *>(static_cast<TqdzComponent *>(copy.Objects()->Items(1)));
    ASSERT_NE(c2, nullptr);
    EXPECT_EQ(c2->Name(), "Memo2");
    EXPECT_EQ(c2->Text(), "second\r\n");
    // Assign without children empties the target's children.
    copy.Assign(Band);
    EXPECT_EQ(copy.Objects()->Count(), 0);
}

TEST_F(ComponentTree, GetDescriptionIsTheClassName)
{
    EXPECT_EQ(Page->GetDescription(), "TqdzTestPage");
}

} // namespace

namespace {

// A view that frees another object of the tree as it goes.
class TTakesAlong : public TqdzTestMemoView
{
public:
    using TqdzTestMemoView::TqdzTestMemoView;
    ~TTakesAlong() override { delete Other; }
    TComponent *Other = nullptr;
};

} // namespace

// Freed last first, a child that frees a sibling on its way out leaves the
// parent nothing to free twice.
TEST_F(ComponentTree, AChildFreeingASiblingFreesItOnce)
{
    auto *last = new TTakesAlong(Band);
    last->Other = Memo;
    auto *after = new TqdzTestMemoView(Band);
    after->SetName("Memo3");
    // "after" goes first, then "last", which takes Memo (the first child) along.
    EXPECT_EQ(Band->Objects()->Count(), 3);
    delete Band;
    EXPECT_EQ(Page->Objects()->Count(), 0);
}
