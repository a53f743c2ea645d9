// The outline the engine writes while it builds: entries of bands that move to a new page point there.
#include "EngineHarness.h"

#include <gtest/gtest.h>

namespace {

// The outline as "text page:top" lines, children indented.
QStringList Outline(EngineHarness &H)
{
    QStringList L;
    TqdzCustomOutline *O = H.Store()->Outline();
    std::function<void(int)> Walk = [&](int Depth) {
        const int N = O->GetCount();
        for (int i = 0; i < N; ++i) {
            QString Text;
            int Page = -1, Top = -1;
            O->GetItem(i, Text, Page, Top);
            L << QString(Depth * 2, QLatin1Char(' ')) + QStringLiteral("%1 %2:%3").arg(Text).arg(Page).arg(Top);
            O->LevelDown(i);
            Walk(Depth + 1);
            O->LevelUp();
        }
    };
    O->LevelRoot();
    Walk(0);
    return L;
}

std::string J(const QStringList &L)
{
    return L.join('|').toStdString();
}

} // namespace

// A group header that goes to a new page, by its own StartNewPage or for
// lack of room, is listed on that page at its top there.
TEST(EngineOutline, GroupHeaderMovedToANewPage)
{
    for (bool ByStartNewPage : {true, false}) {
        SCOPED_TRACE(ByStartNewPage);
        EngineHarness H;
        // Page 1 holds 1,046 px; the title leaves room for group A only.
        auto *T = H.Band<TqdzReportTitle>("T", 0, ByStartNewPage ? 150 : 990);
        H.Memo(T, "TM", "title");
        auto *DS = H.DataSet("DS", 2);
        H.Handlers.Values = [&](const QString &N) -> Variant {
            return N == "Key" ? Variant(DS->RecNo() < 1 ? "A" : "B") : Variant();
        };
        auto *GH = H.Band<TqdzGroupHeader>("GH", 200, 20);
        GH->SetCondition("Key");
        GH->SetOutlineText("Key");
        GH->SetStartNewPage(ByStartNewPage);
        H.Memo(GH, "G", "G[Key]");
        auto *MD = H.Band<TqdzMasterData>("MD", 300, 20);
        MD->SetDataSet(DS);
        MD->SetOutlineText("Line");
        H.Memo(MD, "M", "[Key]");
        ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
        ASSERT_EQ(H.PageCount(), 2);
        EXPECT_EQ(J(H.TextList(1)), "GB|B");
        const int A = ByStartNewPage ? 150 : 990;
        EXPECT_EQ(J(Outline(H)), J({QStringLiteral("A 0:%1").arg(A), QStringLiteral("  1 0:%1").arg(A + 20), "B 1:0",
                                    "  1 1:20"}));
    }
}

// A kept block that moves takes its outline entries along, also when its
// first entry is the first of its level: the first master row, and the
// first kept detail row under a master.
TEST(EngineOutline, KeptBlockOpeningItsLevelMovesItsEntries)
{
    {
        EngineHarness H;
        H.Memo(H.Band<TqdzReportTitle>("T", 0, 900), "TM", "title");
        auto *MD = H.Band<TqdzMasterData>("MD", 1000, 20);
        MD->SetRowCount(2);
        MD->SetKeepTogether(true);
        MD->SetOutlineText("Line");
        H.Memo(MD, "M", "M[Line]");
        auto *DD = H.Band<TqdzDetailData>("DD", 1030, 60);
        DD->SetRowCount(3); // 200 px a block: the first does not fit below the title
        H.Memo(DD, "D", "D[Line]");
        ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
        ASSERT_EQ(H.PageCount(), 2);
        EXPECT_EQ(J(H.TextList(1)), "M1|D1|D2|D3|M2|D1|D2|D3");
        EXPECT_EQ(J(Outline(H)), "1 1:0|2 1:200");
    }
    {
        EngineHarness H;
        H.Memo(H.Band<TqdzReportTitle>("T", 0, 800), "TM", "title");
        auto *MD = H.Band<TqdzMasterData>("MD", 1000, 20);
        MD->SetRowCount(2);
        MD->SetOutlineText("Line");
        H.Memo(MD, "M", "M[Line]");
        auto *DD = H.Band<TqdzDetailData>("DD", 1030, 20);
        DD->SetRowCount(2);
        DD->SetKeepTogether(true);
        DD->SetOutlineText("Line");
        H.Memo(DD, "D", "D[Line]");
        auto *SD = H.Band<TqdzSubdetailData>("SD", 1060, 100);
        SD->SetRowCount(3); // 320 px a detail block
        H.Memo(SD, "S", "S[Line]");
        ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
        ASSERT_GE(H.PageCount(), 2);
        // M1 stays below the title; its first detail block moves.
        EXPECT_EQ(J(H.TextList(0)), "title|M1");
        const QStringList O = Outline(H);
        ASSERT_GE(O.size(), 3);
        EXPECT_EQ(O[0].toStdString(), "1 0:800");
        EXPECT_EQ(O[1].toStdString(), "  1 1:0");
        EXPECT_EQ(O[2].toStdString(), "  2 1:320");
    }
}
