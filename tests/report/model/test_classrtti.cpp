// The report classes in scripts: constants, enumerations and sets, the
// members the dispatchers carry out on reports, memos, datasets, outlines and
// engines, object references that are checked, and what a script may not do
// while its report is being built.
#include "test_report_standin.h"

#include "report/model/qdzClassRTTI.h"
#include "report/model/qdzClassViews.h"
#include "report/model/qdzDMPClass.h"
#include "report/model/qdzVariables.h"
#include "report/model/qdzWideStrings.h"
#include "script/kw_irttiunits.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <cmath>

namespace {

// The outline of these tests keeps the vertical position of each item.
class TTopOutline : public TStandInOutline
{
public:
    using TStandInOutline::TStandInOutline;
    void AddItem(const QString &Text, int Top) override
    {
        TStandInOutline::AddItem(Text, Top);
        Tops.append(Top);
    }
    QList<int> Tops;
};

TqdzCustomOutline *NewTopOutline(TqdzCustomPreviewPages *P)
{
    return new TTopOutline(P);
}

class ClassRTTI : public ::testing::Test
{
protected:
    void SetUp() override
    {
        kwRegisterRTTIUnits();
        qdzRegisterClassRTTI();
        TqdzBuildFactories f = qdzBuildFactories();
        f.CreateOutline = &NewTopOutline;
        qdzInstallBuildFactories(f);
        R = std::make_unique<TqdzReport>(nullptr);
        auto *page = new TqdzReportPage(R.get());
        page->SetName(QStringLiteral("Page1"));
        Band = new TqdzMasterData(page);
        Band->SetName(QStringLiteral("MasterData1"));
        Memo = new TqdzMemoView(Band);
        Memo->SetName(QStringLiteral("Memo1"));
        Memo->SetText(QStringLiteral("first"));
        Memo2 = new TqdzMemoView(Band);
        Memo2->SetName(QStringLiteral("Memo2"));
    }
    void TearDown() override
    {
        R.reset();
        qdzUnregisterClassRTTI();
    }

    Variant Calc(const char *Expr) { return R->Calc(QString::fromUtf8(Expr)); }
    // Sets the script up with Text and runs its main block.
    void Run(const QString &Text)
    {
        R->ScriptText()->SetText(Text);
        ASSERT_TRUE(R->SetupScript()) << R->Errors()->Text().toStdString();
        R->Script()->Execute();
    }

    TStandInBuild Build;
    std::unique_ptr<TqdzReport> R;
    TqdzMasterData *Band = nullptr;
    TqdzMemoView *Memo = nullptr;
    TqdzMemoView *Memo2 = nullptr;
};

} // namespace

TEST_F(ClassRTTI, ConstantsEnumerationsAndSets)
{
    ASSERT_TRUE(R->SetupScript());
    EXPECT_NEAR(Calc("qd1cm").AsDouble(), 37.7953, 1e-9);
    EXPECT_NEAR(Calc("qd01cm").AsDouble(), 3.77953, 1e-9);
    EXPECT_NEAR(Calc("qd01in").AsDouble(), 9.6, 1e-9);
    EXPECT_EQ(Calc("qd1in").AsInteger(), 96);
    EXPECT_NEAR(Calc("qd1CharX").AsDouble(), 9.6, 1e-9);
    EXPECT_EQ(Calc("qd1CharY").AsInteger(), 17);
    EXPECT_EQ(Calc("clTransparent").AsInteger(), 536870911);
    EXPECT_EQ(Calc("crHand").AsInteger(), 150);
    EXPECT_EQ(Calc("crFormat").AsInteger(), 152);
    const struct {
        const char *Name;
        int Value;
    } members[] = {{"smMaxHeight", 2},  {"smWhenOverlapped", 2}, {"dmSimplex", 3},  {"baBottom", 5},
                   {"fsDouble", 5},     {"ftBottom", 8},         {"haBlock", 3},    {"vaCenter", 2},
                   {"rfDontDelete", 8}, {"skDiagonal2", 6},      {"pbTree", 64},    {"pbExportQuick", 4096},
                   {"zmManyPages", 3},  {"ppEven", 2},           {"fsx15cpi", 256}, {"fsxWide", 64},
                   {"rbCurrent", 1},    {"reCount", 2},          {"fftBoolean", 2}, {"fkBoolean", 3}};
    for (const auto &m : members)
        EXPECT_EQ(Calc(m.Name).AsInteger(), m.Value) << m.Name;
}

TEST_F(ClassRTTI, GlobalRoutinesAndWhatTheDispatchersDoNotHandle)
{
    ASSERT_TRUE(R->SetupScript());
    EXPECT_EQ(Calc("DayOf(StrToDate('2024-03-09'))").AsInteger(), 9);
    EXPECT_EQ(Calc("MonthOf(StrToDate('2024-03-09'))").AsInteger(), 3);
    EXPECT_EQ(Calc("YearOf(StrToDate('2024-03-09'))").AsInteger(), 2024);
    // Straight to the dispatchers: these names have no branch here.
    qdzClassRTTI::TFunctions f(R->Script());
    for (const char *n : {"IIF", "SUM", "AVG", "MIN", "MAX", "COUNT", "NOSUCH"}) {
        const Variant v = f.CallMethod(nullptr, nullptr, QString::fromLatin1(n), nullptr);
        EXPECT_EQ(v.VType(), varInteger) << n;
        EXPECT_EQ(v.AsInteger(), 0) << n;
    }
    EXPECT_EQ(f.CallMethod(Memo, TqdzView::StaticClass(), QStringLiteral("CALCWIDTH"), nullptr).AsInteger(), 0);
    EXPECT_EQ(f.GetProp(Memo, TqdzMemoView::StaticClass(), QStringLiteral("TEXT")).AsInteger(), 0);
    EXPECT_EQ(f.GetProp(Memo, TqdzCustomMemoView::StaticClass(), QStringLiteral("TEXT")).AsString(),
              QStringLiteral("first\r\n"));
    f.SetProp(Memo, TqdzView::StaticClass(), QStringLiteral("NOSUCH"), Variant(1));
}

TEST_F(ClassRTTI, ReportMemoAndDataSetMembers)
{
    TqdzUserDataSet ds(nullptr);
    ds.SetName(QStringLiteral("RttiRows"));
    ds.SetRangeEnd(reCount);
    ds.SetRangeEndCount(3);
    Run(QStringLiteral(
        "var c: TqdzComponent; d: TqdzDataSet; s: TWideStrings;\r\n"
        "begin\r\n"
        "  Memo2.Text := 'second';\r\n"
        "  Memo2.TagStr := 'tag';\r\n"
        "  c := Report.FindObject('memo2');\r\n"
        "  c.SetBounds(1, 2, 30, 40);\r\n"
        "  s := TWideStrings.Create;\r\n"
        "  s.Add('a'); s.Add('c'); s.Insert(1, 'b');\r\n"
        "  Memo1.Lines := s;\r\n"
        "  Report.Variables['Count'] := s.Count;\r\n"
        "  Report.Variables['Line'] := s[2];\r\n"
        "  s.Free;\r\n"
        "  Report.Variables['Found'] := Report.FindObject('Nothing') = nil;\r\n"
        "  Report.Variables['Left'] := c.AbsLeft;\r\n"
        "  d := Report.GetDataset('RttiRows');\r\n"
        "  d.First; d.Next;\r\n"
        "  Report.Variables['RecNo'] := d.RecNo;\r\n"
        "  Report.Variables['Eof'] := d.Eof;\r\n"
        "end."));
    EXPECT_EQ(Memo2->Text(), QStringLiteral("second\r\n"));
    EXPECT_EQ(Memo2->TagStr(), QStringLiteral("tag"));
    EXPECT_EQ(Memo2->Width(), 30);
    EXPECT_EQ(Memo2->Height(), 40);
    EXPECT_EQ(Memo->Text(), QStringLiteral("a\r\nb\r\nc\r\n"));
    TqdzVariables *v = R->Variables();
    EXPECT_EQ(v->Variables(QStringLiteral("Count")).AsInteger(), 3);
    EXPECT_EQ(v->Variables(QStringLiteral("Line")).AsString(), QStringLiteral("c"));
    EXPECT_EQ(v->Variables(QStringLiteral("Found")).AsBoolean(), true);
    EXPECT_EQ(v->Variables(QStringLiteral("Left")).AsDouble(), Memo2->AbsLeft());
    EXPECT_EQ(v->Variables(QStringLiteral("RecNo")).AsInteger(), 1);
    EXPECT_EQ(v->Variables(QStringLiteral("Eof")).AsBoolean(), false);

    // A missing file gives False and leaves an empty report.
    Run(QStringLiteral("begin qdzGlobalVariables['RttiMissing'] := Report.LoadFromFile('/nonexistent/missing.qd3'); end."));
    EXPECT_EQ(qdzGlobalVariables()->Variables(QStringLiteral("RttiMissing")).AsBoolean(), false);
    EXPECT_EQ(R->FindObject(QStringLiteral("Memo1")), nullptr);
}

TEST_F(ClassRTTI, MemoTextAndEightBitTextFollowTheFontsCharset)
{
    // The 8-bit text of a Russian memo comes back whole into another memo;
    // text set from scripts is text, whatever the charset.
    Memo->Font()->SetCharset(204);
    Memo->SetText(QStringLiteral("Жук"));
    Memo2->Font()->SetCharset(204);
    Run(QStringLiteral("begin Memo2.AnsiText := Memo1.AnsiText; end."));
    EXPECT_EQ(Memo2->Text(), QStringLiteral("Жук\r\n"));
    EXPECT_EQ(Memo2->AnsiText(), QByteArray("\xC6\xF3\xEA\r\n"));
    for (int charset : {204, 134, 1}) {
        Memo2->Font()->SetCharset(charset);
        Run(QStringLiteral("begin Memo2.Text := 'Жук 中文'; end."));
        EXPECT_EQ(Memo2->Text(), QStringLiteral("Жук 中文\r\n")) << charset;
    }
}

TEST_F(ClassRTTI, OutlineItemsTakeTheEnginesRoundedPosition)
{
    ASSERT_TRUE(R->SetupScript());
    ASSERT_NE(R->Engine(), nullptr);
    auto *outline = dynamic_cast<TTopOutline *>(R->PreviewPages()->Outline());
    ASSERT_NE(outline, nullptr);
    for (double y : {120.5, 120.6, 121.5}) {
        R->Engine()->SetCurY(y);
        Run(QStringLiteral("begin Outline.AddItem('Totals'); Outline.LevelUp; Outline.LevelRoot; end."));
    }
    EXPECT_EQ(outline->Tops, (QList<int>{120, 121, 122}));
    EXPECT_EQ(outline->Items, (QStringList{"Totals", "Totals", "Totals"}));
}

TEST_F(ClassRTTI, ObjectReferencesAreCheckedNeverTrusted)
{
    Run(QStringLiteral("begin Report.Variables['m'] := Report.FindObject('Memo2'); end."));
    // A number is no object; an object of another class is refused.
    int refusedAtCompile = 0;
    for (const char *script : {"var v: Variant; begin v := 12345; Memo1.Lines := v; end.",
                               "var v: Variant; begin v := Report.FindObject('Page1'); Memo1.Lines := v; end.",
                               "var v: Variant; begin v := Report; Memo1.Lines := v; end.",
                               "var v: Variant; begin v := 77; MasterData1.Parent := v; end."}) {
        R->ScriptText()->SetText(QString::fromLatin1(script));
        // Refused when compiled, or when run.
        if (!R->SetupScript()) {
            ++refusedAtCompile;
            continue;
        }
        EXPECT_THROW(R->Script()->Execute(), Exception) << script;
    }
    EXPECT_EQ(refusedAtCompile, 0);
    EXPECT_EQ(Memo2->Text(), QString());
    EXPECT_EQ(Memo->Text(), QStringLiteral("first\r\n"));
}

TEST_F(ClassRTTI, ScriptsMayNotReloadShowOrClearTheReportWhileItIsBuilt)
{
    const struct {
        const char *Script, *Refused;
    } cases[] = {
        {"begin Report.LoadFromFile('/nonexistent/x.qd3'); end.", "Cannot load a template"},
        {"begin Report.ShowReport; end.", "Cannot show the report"},
        // Judged by the children they would free.
        {"begin Report.Clear; end.", "Cannot free Page1"},
        {"begin MasterData1.Clear; end.", "Cannot free Memo1"},
        {"begin Page1.Clear; end.", "Cannot free MasterData1"},
        {"var s: TMemoryStream; begin s := TMemoryStream.Create; Memo2.SaveToStream(s); s.Position := 0; "
         "MasterData1.LoadFromStream(s); end.",
         "Cannot free Memo1"},
    };
    for (const auto &c : cases) {
        const char *script = c.Script;
        R->ScriptText()->SetText(QString::fromLatin1(script));
        EXPECT_FALSE(R->BuildReport()) << script;
        EXPECT_TRUE(R->Errors()->Text().contains(QLatin1String(c.Refused) + QLatin1String(" while the report is being built")))
            << script << R->Errors()->Text().toStdString();
        // Everything is still there.
        ASSERT_NE(R->FindObject(QStringLiteral("MasterData1")), nullptr) << script;
        ASSERT_NE(R->FindObject(QStringLiteral("Memo2")), nullptr) << script;
    }
}

TEST_F(ClassRTTI, ScriptsCannotFreeWhatAViewHoldsInside)
{
    // A view's font, frame, frame lines, format, highlight and text live inside
    // it: freeing them from a script is refused and the memo stays whole.
    for (const char *member : {"Font", "Frame", "Frame.LeftLine", "DisplayFormat", "Highlight", "Memo"}) {
        SCOPED_TRACE(member);
        R->ScriptText()->SetText(QStringLiteral("begin Memo1.%1.Free; end.").arg(QLatin1String(member)));
        ASSERT_TRUE(R->SetupScript()) << R->Errors()->Text().toStdString();
        try {
            R->Script()->Execute();
            ADD_FAILURE() << "freed";
        } catch (const Exception &e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Cannot free an object owned by another object"));
        }
        Memo->Font()->SetSize(11);
        Memo->Frame()->SetWidth(2);
        EXPECT_EQ(Memo->Text(), QStringLiteral("first\r\n"));
    }
}

TEST_F(ClassRTTI, PngGraphicIsKnownAsTPNGObject)
{
    QTemporaryDir Dir;
    const QString In = Dir.filePath(QStringLiteral("in.png"));
    const QString Out = Dir.filePath(QStringLiteral("out.png"));
    QImage Img(3, 2, QImage::Format_RGB32);
    Img.fill(Qt::blue);
    ASSERT_TRUE(Img.save(In, "PNG"));
    // The class's own name stays an alias: either name types the other.
    Run(QStringLiteral("var p: TPNGObject; q: TPngImage;\r\n"
                       "begin\r\n"
                       "  p := TPNGObject.Create; p.LoadFromFile('%1');\r\n"
                       "  q := p; p := q;\r\n"
                       "  Memo2.Text := IntToStr(p.Width) + 'x' + IntToStr(q.Height);\r\n"
                       "  p.SaveToFile('%2'); p.Free;\r\n"
                       "end.")
            .arg(In, Out));
    EXPECT_EQ(Memo2->Text(), QStringLiteral("3x2\r\n"));
    QFile F(Out);
    ASSERT_TRUE(F.open(QIODevice::ReadOnly));
    EXPECT_EQ(F.read(4), QByteArray("\x89PNG"));
}
