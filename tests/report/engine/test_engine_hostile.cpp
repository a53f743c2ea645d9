// Hostile templates: numbers at the ends of their range build, draw and
// print without undefined behaviour or an exception; work far beyond the
// caller's time limit ends near it with an error. Either way the template
// loaded stays as it was.
#include "EngineHarness.h"
#include "PrinterFakes.h"
#include "platform/Dialogs.h"
#include "platform/Graphics.h"
#include "platform/Streams.h"
#include "report/engine/qdzPreviewPages.h"
#include "report/engine/qdzPrinter.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtEndian>

#include <climits>
#include <gtest/gtest.h>

namespace {

struct HostileCase
{
    const char *Name;
    std::function<void(EngineHarness &)> Make;
    // Most of the build is the store's copy of the template's first page.
    bool CopiedPage = false;
};

// An enhanced metafile header whose frame runs from INT_MIN to INT_MAX.
QByteArray WideEmf()
{
    QByteArray emf(108, '\0');
    auto put32 = [&](int off, qint32 v) { qToLittleEndian(v, emf.data() + off); };
    put32(0, 1);
    put32(4, 108);
    put32(24, INT_MIN);
    put32(28, INT_MIN);
    put32(32, INT_MAX);
    put32(36, INT_MAX);
    put32(40, 0x464D4520);
    return emf;
}

// The template as text, read back into the report: what the station loads.
QString Saved(TqdzReport *R)
{
    TMemoryStream S;
    R->SaveToStream(&S);
    return QString::fromUtf8(static_cast<const char *>(S.Memory()), int(S.Size()));
}

void Load(TqdzReport *R, const QString &Text)
{
    const QByteArray Bytes = Text.toUtf8();
    TMemoryStream S;
    S.WriteBuffer(Bytes.constData(), Bytes.size());
    S.SetPosition(0);
    R->LoadFromStream(&S);
}

// How long the store takes to copy the template's first page, outside a
// build: nothing stops it.
qint64 StoreCopy(TqdzReport *R)
{
    TqdzPreviewPages Store(R);
    QElapsedTimer T;
    T.start();
    Store.AddSourcePage(static_cast<TqdzReportPage *>(static_cast<TObject *>(R->Objects()->Items(0))));
    return T.elapsed();
}

} // namespace

TEST(EngineHostile, NumbersAtTheEndsOfTheirRangeBuildDrawAndPrint)
{
    const std::vector<HostileCase> Cases = {
        {"Columns", [](EngineHarness &H) {
             auto *MD = H.Band<TqdzMasterData>("MD", 0, 20);
             MD->SetRowCount(3);
             MD->SetColumns(INT_MAX);
             MD->SetColumnWidth(1e308);
             MD->SetColumnGap(-1e308);
             H.Memo(MD, "M", "[Line]");
         }},
        {"PageColumns", [](EngineHarness &H) {
             H.Page->SetColumns(INT_MAX);
             H.Page->SetColumns(3);
             H.Page->SetColumnWidth(1e308);
             auto *MD = H.Band<TqdzMasterData>("MD", 0, 20);
             MD->SetRowCount(300);
             H.Memo(MD, "M", "[Line]");
         }},
        {"MetafileFrame", [](EngineHarness &H) {
             auto *T = H.Band<TqdzReportTitle>("T", 0, 100);
             auto *P = new TqdzPictureView(T);
             P->SetName("Pic");
             P->SetBounds(0, 0, 100, 80);
             const QByteArray Emf = WideEmf();
             TMemoryStream S;
             S.WriteBuffer(Emf.constData(), Emf.size());
             P->LoadPictureFromStream(&S, true);
         }},
        {"LineSpacingHigh", [](EngineHarness &H) {
             auto *T = H.Band<TqdzReportTitle>("T", 0, 100);
             H.Memo(T, "M", "one\r\ntwo\r\nthree", 0, 0, 200, 60)->SetLineSpacing(1e9);
         }},
        {"LineSpacingLow", [](EngineHarness &H) {
             auto *T = H.Band<TqdzReportTitle>("T", 0, 100);
             H.Memo(T, "M", "one\r\ntwo\r\nthree", 0, 0, 200, 60)->SetLineSpacing(-1e9);
         }},
    };
    TLaserPrinting Printing;
    QStringList &Messages = Printing.Messages;
    QTemporaryDir &Dir = Printing.Dir;
    for (const HostileCase &C : Cases) {
        SCOPED_TRACE(C.Name);
        EngineHarness H;
        C.Make(H);
        H.Report->EngineOptions()->SetRestoreAfterRun(true);
        Load(H.Report.get(), Saved(H.Report.get()));
        H.Report->PrintOptions()->SetShowDialog(false);
        const QString Template = Saved(H.Report.get());
        for (int Run = 0; Run < 2; ++Run) {
            Messages.clear();
            ASSERT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
            ASSERT_GE(H.PageCount(), 1);
            TBitmap Bmp;
            Bmp.SetSize(800, 1100);
            for (int i = 0; i < std::min(H.PageCount(), 3); ++i)
                EXPECT_NO_THROW(H.Store()->DrawPage(i, Bmp.Canvas(), 1, 1, 0, 0));
            H.Report->PrintOptions()->SetOutputFileName(Dir.filePath(QStringLiteral("%1.pdf").arg(C.Name)));
            EXPECT_TRUE(H.Report->PrintReport()) << Messages.join('|').toStdString();
            EXPECT_EQ(Messages.join('|').toStdString(), "");
            EXPECT_TRUE(Saved(H.Report.get()) == Template) << "the template changed";
        }
    }
    qdzFreePrinters();
}

// The limit and how far past it a stopped build may run follow work measured
// in the same run, so a slower, faster or busier machine moves them alike: a
// small build, and the template's save and restore, which no stop shortens.
// Many views make their page's copy into the store most of the build: that
// copy, measured alone, sets the limit and the bound.
TEST(EngineHostile, WorkFarBeyondTheTimeLimitEndsNearIt)
{
    const std::vector<HostileCase> Cases = {
        // Two rows of views over the band's width: every view of the first
        // row shifts every view of the second.
        {"ViewsOnOneBand", [](EngineHarness &H) {
             auto *T = H.Band<TqdzReportTitle>("T", 0, 60);
             for (int i = 0; i < 4000; ++i)
                 H.Memo(T, QStringLiteral("M%1").arg(i), "x", 0, i < 2000 ? 0 : 30, 700, 18);
         }, true},
        {"MemoOfLines", [](EngineHarness &H) {
             auto *MD = H.Band<TqdzMasterData>("MD", 0, 20);
             MD->SetRowCount(1);
             MD->SetStretched(true);
             MD->SetAllowSplit(true);
             QStringList Lines;
             for (int i = 0; i < 50000; ++i)
                 Lines << QStringLiteral("Line %1").arg(i);
             H.Memo(MD, "M", Lines.join("\r\n"), 0, 0, 300, 20)->SetStretchMode(smActualHeight);
         }},
    };
    // Rows of one view and of two halves in turn below a view that grows:
    // shifting reaches the last row by ever more ways, and is done at once.
    const HostileCase Lattice{"Lattice", [](EngineHarness &H) {
        auto *T = H.Band<TqdzReportTitle>("T", 0, 2000);
        H.Memo(T, "Top", "one\r\ntwo\r\nthree", 0, 0, 700, 18)->SetStretchMode(smActualHeight);
        for (int Row = 1; Row < 90; ++Row)
            for (int Half = 0; Half < (Row % 2 ? 2 : 1); ++Half)
                H.Memo(T, QStringLiteral("M%1_%2").arg(Row).arg(Half), "x", Row % 2 ? Half * 350 : 0, Row * 20,
                       Row % 2 ? 350 : 700, 18);
    }};
    // The lattice builds in a blink unless shifting is exponential; its
    // limit only ends such a fault.
    qint64 SmallBuild = LLONG_MAX;
    {
        EngineHarness H;
        Lattice.Make(H);
        H.Report->EngineOptions()->SetRestoreAfterRun(true);
        H.Report->SetMaxBuildTime(600000);
        for (int Run = 0; Run < 2; ++Run) {
            QElapsedTimer T;
            T.start();
            EXPECT_TRUE(H.Build()) << H.Errors().join('|').toStdString();
            SmallBuild = std::min(SmallBuild, T.elapsed());
        }
    }
    for (const HostileCase &C : Cases) {
        SCOPED_TRACE(C.Name);
        EngineHarness H;
        C.Make(H);
        H.Report->EngineOptions()->SetRestoreAfterRun(true);
        QElapsedTimer Copy;
        Copy.start();
        Load(H.Report.get(), Saved(H.Report.get()));
        const QString Template = Saved(H.Report.get());
        // The hostile work takes many times the small build on any machine;
        // a build saves and restores the template besides its own work.
        int Limit = int(std::max<qint64>(SmallBuild, 10));
        qint64 Bound = Limit + 10 * (SmallBuild + 2 * Copy.elapsed());
        if (C.CopiedPage) {
            // The limit falls early in the page's copy, past the template's
            // save; a copy that took no stop runs past the whole copy, near
            // twice the bound.
            const qint64 PageCopy = StoreCopy(H.Report.get());
            Limit = int(std::max<qint64>(PageCopy / 8, 10));
            Bound = Limit + PageCopy / 2;
        }
        H.Report->SetMaxBuildTime(Limit);
        // A busy machine only adds time: the fastest of three builds counts.
        qint64 Fastest = LLONG_MAX;
        for (int Run = 0; Run < 3; ++Run) {
            QElapsedTimer T;
            T.start();
            EXPECT_FALSE(H.Build());
            Fastest = std::min(Fastest, T.elapsed());
            EXPECT_EQ(H.Errors().join('|'), QStringLiteral("The report ran longer than %1 ms and was stopped").arg(Limit));
            EXPECT_TRUE(Saved(H.Report.get()) == Template) << "the template changed";
            // Stopped within the copy: no page copied in part is kept.
            if (C.CopiedPage) {
                EXPECT_EQ(static_cast<TqdzPreviewPages *>(H.Store())->SourcePageCount(), 0);
            }
        }
        EXPECT_LT(Fastest, Bound);
    }
}
