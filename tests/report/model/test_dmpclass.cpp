// Dot-matrix objects: the character grid of text, line and page, the page's
// font style reaching the objects that follow it, short attributes and the
// registered kinds.
#include "report/model/qdzDMPClass.h"
#include "report/model/qdzDsgnIntf.h"
#include "platform/Graphics.h"

#include <gtest/gtest.h>

namespace {

struct TDMPReport
{
    TDMPReport()
    {
        Page = new TqdzDMPPage(&Report);
        Band = new TqdzMasterData(Page);
        Band->SetHeight(34);
    }
    TqdzReport Report{nullptr};
    TqdzDMPPage *Page;
    TqdzMasterData *Band;
};

} // namespace

TEST(DotMatrix, TextSnapsToCharacterCells)
{
    TDMPReport r;
    auto *t = new TqdzDMPMemoView(r.Band);
    const struct {
        TqdzAlign Align;
        double Value, Left, Top, Width, Height;
    } cases[] = {
        {baNone, 10, 9.6, 17, 9.6, 17},
        {baNone, 15, 19.2, 17, 19.2, 17},
        {baRight, 15, 9.6, 17, 19.2, 17},
        // Halves go to the even cell: 14.4 is 1.5 cells, 25.5 is 1.5 rows.
        {baNone, 14.4, 19.2, 17, 19.2, 17},
        {baNone, 25.5, 28.8, 34, 28.8, 34},
        {baRight, 28.8, 28.8, 34, 28.8, 34},
    };
    for (const auto &c : cases) {
        t->SetAlign(c.Align);
        t->SetLeft(c.Value);
        t->SetTop(c.Value);
        t->SetWidth(c.Value);
        t->SetHeight(c.Value);
        EXPECT_DOUBLE_EQ(t->Left(), c.Left) << c.Value;
        EXPECT_DOUBLE_EQ(t->Top(), c.Top) << c.Value;
        EXPECT_DOUBLE_EQ(t->Width(), c.Width) << c.Value;
        EXPECT_DOUBLE_EQ(t->Height(), c.Height) << c.Value;
    }
    // A snapped right-aligned position stays where it is.
    t->SetAlign(baRight);
    for (int k = 0; k < 200; ++k) {
        t->SetLeft(k * qd1CharX);
        ASSERT_NEAR(t->Left(), k * qd1CharX, 1e-9) << k;
    }
}

TEST(DotMatrix, LinesSitInTheMiddleOfCells)
{
    TDMPReport r;
    auto *l = new TqdzDMPLineView(r.Band);
    l->SetTop(20);
    EXPECT_DOUBLE_EQ(l->Top(), 25.5);
    l->SetHeight(20);
    EXPECT_DOUBLE_EQ(l->Height(), 25.5);
    l->SetLeft(10);
    EXPECT_DOUBLE_EQ(l->Left(), 14.4);
    l->SetLeft(-10);
    EXPECT_DOUBLE_EQ(l->Left(), -14.4);
    l->SetAlign(baRight);
    l->SetLeft(15);
    EXPECT_DOUBLE_EQ(l->Left(), 14.4);
    l->SetWidth(15);
    EXPECT_DOUBLE_EQ(l->Width(), 9.6);
    l->SetAlign(baWidth);
    l->SetWidth(15);
    EXPECT_DOUBLE_EQ(l->Width(), 19.2);
    // Already on the grid: stays.
    l->SetAlign(baNone);
    l->SetTop(25.5);
    EXPECT_DOUBLE_EQ(l->Top(), 25.5);
}

TEST(DotMatrix, TextFontFollowsTheStyleAndMeasuresWholeRows)
{
    TDMPReport r;
    auto *t = new TqdzDMPMemoView(r.Band);
    EXPECT_EQ(t->Font()->Name(), QStringLiteral("Courier New"));
    EXPECT_EQ(t->Font()->Size(), 12);
    EXPECT_EQ(t->CharSpacing(), 0);
    EXPECT_EQ(t->LineSpacing(), 1);
    EXPECT_EQ(t->GapX(), 0);
    EXPECT_EQ(t->GapY(), 0);
    EXPECT_TRUE(t->ParentFont());
    t->SetFontStyle(TqdzDMPFontStyles{fsxBold, fsxUnderline, fsxCondensed});
    EXPECT_FALSE(t->ParentFont());
    EXPECT_TRUE(t->Font()->Style().Contains(fsBold));
    EXPECT_TRUE(t->Font()->Style().Contains(fsUnderline));
    EXPECT_FALSE(t->Font()->Style().Contains(fsItalic));
    EXPECT_EQ(t->Font()->Color(), TColor(0));

    // Whatever height the text needs, whole rows: 40 units of two lines
    // of 17 plus gaps come out as a whole number of rows.
    t->SetWidth(96);
    t->SetText(QStringLiteral("line one\r\nline two"));
    const double h = t->CalcHeight();
    EXPECT_GT(h, 0);
    EXPECT_NEAR(std::fmod(h, qd1CharY), 0, 1e-9);
    const double w = t->CalcWidth();
    EXPECT_NEAR(std::fmod(w, qd1CharX) < 1e-6 ? 0 : qd1CharX - std::fmod(w, qd1CharX), 0, 1e-6);
}

TEST(DotMatrix, PageStyleReachesObjectsThatFollowIt)
{
    TDMPReport r;
    auto *follows = new TqdzDMPMemoView(r.Band);
    auto *own = new TqdzDMPMemoView(r.Band);
    own->SetFontStyle(TqdzDMPFontStyles{fsxItalic});
    r.Page->SetFontStyle(TqdzDMPFontStyles{fsxBold});
    EXPECT_TRUE(r.Page->Font()->Style().Contains(fsBold));
    EXPECT_EQ(r.Page->Font()->Name(), QStringLiteral("Courier New"));
    EXPECT_EQ(follows->FontStyle(), TqdzDMPFontStyles{fsxBold});
    EXPECT_TRUE(follows->Font()->Style().Contains(fsBold));
    EXPECT_TRUE(follows->ParentFont());
    EXPECT_EQ(own->FontStyle(), TqdzDMPFontStyles{fsxItalic});
    EXPECT_FALSE(own->Font()->Style().Contains(fsBold));

    // Turning ParentFont on keeps the object following the page: a later
    // page style reaches it too.
    own->SetParentFont(true);
    EXPECT_TRUE(own->ParentFont());
    EXPECT_EQ(own->FontStyle(), TqdzDMPFontStyles{fsxBold});
    r.Page->SetFontStyle(TqdzDMPFontStyles{fsxUnderline});
    EXPECT_EQ(own->FontStyle(), TqdzDMPFontStyles{fsxUnderline});
    EXPECT_TRUE(own->Font()->Style().Contains(fsUnderline));
    EXPECT_TRUE(own->ParentFont());
    EXPECT_EQ(follows->FontStyle(), TqdzDMPFontStyles{fsxUnderline});
}

TEST(DotMatrix, PagePaperAndMarginsSnapToColumnsAndRows)
{
    TDMPReport r;
    auto cols = [](double MM) { return MM * qdzPixelsPerMM / qd1CharX; };
    auto rows = [](double MM) { return MM * qdzPixelsPerMM / qd1CharY; };
    r.Page->SetPaperWidth(210);
    r.Page->SetPaperHeight(297);
    EXPECT_NEAR(cols(r.Page->PaperWidth()), std::round(cols(210)), 1e-6);
    EXPECT_NEAR(rows(r.Page->PaperHeight()), std::round(rows(297)), 1e-6);
    r.Page->SetLeftMargin(10);
    r.Page->SetTopMargin(10);
    r.Page->SetPaperSize(256);
    EXPECT_NEAR(cols(r.Page->LeftMargin()), 4, 1e-6);
    EXPECT_NEAR(rows(r.Page->TopMargin()), 2, 1e-6);
}

TEST(DotMatrix, ShortAttributesAndRegistration)
{
    TDMPReport r;
    auto *t = new TqdzDMPMemoView(r.Band);
    TqdzDMPMemoView defText(nullptr);
    t->SetFontStyle(TqdzDMPFontStyles{fsxBold, fsx15cpi});
    EXPECT_TRUE(t->DiffAttributes(&defText).endsWith(" FontStyle=\"257\""));
    auto *c = new TqdzDMPCommand(r.Band);
    TqdzDMPCommand defCmd(nullptr);
    c->SetCommand(QStringLiteral("\x1b" "E<&"));
    EXPECT_TRUE(c->DiffAttributes(&defCmd).contains(" Command=\""));
    EXPECT_FALSE(c->DiffAttributes(&defCmd).contains('<'));
    EXPECT_EQ(defCmd.DiffAttributes(&defCmd), defCmd.TqdzView::DiffAttributes(&defCmd));

    qdzRegisterDMPObjects();
    qdzRegisterDMPObjects();
    int n = 0;
    for (int i = 0; i < qdzObjects()->Count(); ++i) {
        const TqdzObjectItem *item = qdzObjects()->Items(i);
        if (item->ClassRef == TqdzDMPMemoView::StaticClass()) {
            ++n;
            EXPECT_EQ(item->Category, qdzCategoryDotMatrix);
            EXPECT_EQ(item->ButtonImageIndex, 2);
        }
        if (item->ClassRef == TqdzDMPCommand::StaticClass()) {
            EXPECT_EQ(item->ButtonImageIndex, 21);
        }
    }
    EXPECT_EQ(n, 1);
    EXPECT_EQ(GetClass(u"TqdzDMPPage"), TqdzDMPPage::StaticClass());
    EXPECT_EQ(GetClass(u"TqdzDMPLineView"), TqdzDMPLineView::StaticClass());
    qdzUnregisterDMPObjects();
    for (int i = 0; i < qdzObjects()->Count(); ++i)
        EXPECT_NE(qdzObjects()->Items(i)->ClassRef, TqdzDMPMemoView::StaticClass());
}
