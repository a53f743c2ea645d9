// View model: frame storage, compact built-page attributes, formats, memo measuring and splitting,
// flows, subreport links, page columns and style sheets.
#include "TestFiles.h"
#include "report/model/qdzClassViews.h"

#include "platform/Graphics.h"
#include "platform/Streams.h"
#include "platform/SysUtils.h"
#include "report/model/qdzVariables.h"
#include "test_serializer_classes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QtEndian>
#include <zlib.h>

namespace {

// A report with one page and one master-data band.
struct TReportFixture
{
    TqdzReport Report{nullptr};
    TqdzReportPage *Page = new TqdzReportPage(&Report);
    TqdzBand *Band = new TqdzMasterData(Page);

    TReportFixture()
    {
        Page->SetName(QStringLiteral("Page1"));
        Band->SetName(QStringLiteral("MasterData1"));
        Band->SetBounds(0, 40, 700, 200);
    }

    TqdzMemoView *Memo(const QString &Name, const QString &Text = QString())
    {
        auto *m = new TqdzMemoView(Band);
        m->SetName(Name);
        m->SetBounds(10, 0, 200, 100);
        m->SetText(Text);
        return m;
    }
};

// Rows delivered through the user dataset's event, one value per record.
struct TRows
{
    std::vector<Variant> Values;
    size_t Row = 0;
    void GetValue(const QString &, Variant &Value) { Value = Values[Row]; }
};

QString Lines(int N)
{
    QStringList l;
    for (int i = 1; i <= N; ++i)
        l << QStringLiteral("Line %1").arg(i);
    return l.join(QStringLiteral("\r\n"));
}

} // namespace

TEST(ViewFrame, SettersOfTheFrameSetAllLines)
{
    TqdzFrame f;
    f.SetWidth(2);
    f.SetColor(255);
    f.SetStyle(fsDot);
    for (TqdzFrameType s : {ftLeft, ftRight, ftTop, ftBottom}) {
        EXPECT_EQ(f.Line(s)->Width(), 2);
        EXPECT_EQ(f.Line(s)->Color(), 255);
        EXPECT_EQ(f.Line(s)->Style(), fsDot);
    }
    // Assign copies the frame's values and then each line's own.
    f.TopLine()->SetWidth(5);
    TqdzFrame g;
    g.Assign(&f);
    EXPECT_EQ(g.Width(), 2);
    EXPECT_EQ(g.TopLine()->Width(), 5);
    EXPECT_EQ(g.LeftLine()->Width(), 2);
}

TEST(ViewFrame, LineValuesSurviveSaveAndLoad)
{
    TReportFixture a;
    TqdzMemoView *m = a.Memo(QStringLiteral("Memo1"));
    m->Frame()->SetWidth(2);
    m->Frame()->TopLine()->SetWidth(1);
    m->Frame()->SetColor(255);
    m->Frame()->BottomLine()->SetColor(clBlack); // the default value, but not the frame's
    const QByteArray text = SaveTemplate(&a.Report);
    EXPECT_TRUE(text.contains("Frame.Width=\"2\"")) << text.constData();
    EXPECT_TRUE(text.contains("Frame.TopLine.Width=\"1\"")) << text.constData();
    EXPECT_LT(text.indexOf("Frame.Width="), text.indexOf("Frame.TopLine.Width="));

    TqdzReport back(nullptr);
    LoadTemplate(&back, text);
    auto *m2 = dynamic_cast<TqdzMemoView *>(back.FindObject(QStringLiteral("Memo1")));
    ASSERT_NE(m2, nullptr);
    EXPECT_EQ(m2->Frame()->Width(), 2);
    EXPECT_EQ(m2->Frame()->TopLine()->Width(), 1);
    EXPECT_EQ(m2->Frame()->LeftLine()->Width(), 2);
    EXPECT_EQ(m2->Frame()->Color(), 255);
    EXPECT_EQ(m2->Frame()->BottomLine()->Color(), clBlack);
    EXPECT_EQ(m2->Frame()->TopLine()->Color(), 255);
}

TEST(ViewDiffAttributes, GoldenStrings)
{
    TqdzMemoView def(nullptr);
    struct TCase
    {
        const char *Name;
        std::function<void(TqdzMemoView &)> Set;
        const char *Expected;
    };
    const TCase cases[] = {
        {"frame width and top line",
         [](TqdzMemoView &m) {
             m.Frame()->SetWidth(2);
             m.Frame()->TopLine()->SetWidth(1);
         },
         " Frame.Width=\"2\" Frame.TopLine.Width=\"1\" u=\"\""},
        {"colour", [](TqdzMemoView &m) { m.SetColor(255); }, " Color=\"255\" u=\"\""},
        {"frame sides", [](TqdzMemoView &m) { m.Frame()->SetTyp(TqdzFrameTypes::FromInt(15)); },
         " Frame.Typ=\"15\" u=\"\""},
        {"one line", [](TqdzMemoView &m) { m.SetText(QStringLiteral("abc")); }, " u=\"abc\""},
        {"two lines and escaping", [](TqdzMemoView &m) { m.SetText(QStringLiteral("a<b\r\n\u00e9")); },
         " u=\"a&#60;b&#13;&#10;\xc3\xa9\""},
        {"line colour without frame colour",
         [](TqdzMemoView &m) { m.Frame()->LeftLine()->SetColor(255); },
         " Frame.LeftLine.Color=\"255\" u=\"\""},
        {"memo values and paragraph breaks",
         [](TqdzMemoView &m) {
             m.SetGapX(3);
             m.SetHAlign(haRight);
             m.SetRotation(-90);
             m.SetLastParaBreak(true);
         },
         " GapX=\"3\" HAlign=\"1\" u=\"\" Rotation=\"270\" LastParaBreak=\"1\""},
        {"highlight active", [](TqdzMemoView &m) { m.Highlight()->SetActive(true); },
         " Highlight.Active=\"1\" u=\"\""},
        {"highlight made, inactive", [](TqdzMemoView &m) { m.Highlight()->SetColor(255); }, " u=\"\""},
        {"tag and address", [](TqdzMemoView &m) {
             m.SetTagStr(QStringLiteral("t"));
             m.SetURL(QStringLiteral("u"));
         },
         " TagStr=\"t\" URL=\"u\" u=\"\""},
    };
    for (const TCase &c : cases) {
        TqdzMemoView m(nullptr);
        c.Set(m);
        EXPECT_EQ(m.DiffAttributes(&def), QByteArray(c.Expected)) << c.Name;
    }
}

TEST(ViewDiffAttributes, LineValuesAgainstTheFrameWhenItsOwnValueDiffers)
{
    TqdzMemoView def(nullptr), m(nullptr);
    m.Frame()->SetColor(255);
    m.Frame()->TopLine()->SetColor(clBlack);
    // The frame's colour differs from the default: the top line is written
    // because it differs from the frame, even though it equals the default.
    EXPECT_EQ(m.DiffAttributes(&def), QByteArray(" Frame.Color=\"255\" Frame.TopLine.Color=\"0\" u=\"\""));
}

TEST(MemoView, RotationIsKeptWithinOneTurn)
{
    TqdzMemoView m(nullptr);
    for (auto [in, out] : std::vector<std::pair<int, int>>{{450, 90}, {-90, 270}, {-450, 270}, {360, 0}, {359, 359}}) {
        m.SetRotation(in);
        EXPECT_EQ(m.Rotation(), out) << in;
    }
    TReportFixture a;
    a.Memo(QStringLiteral("Memo1"));
    QByteArray text = SaveTemplate(&a.Report);
    ASSERT_TRUE(text.contains("Rotation=\"0\""));
    text.replace("Rotation=\"0\"", "Rotation=\"-90\"");
    TqdzReport back(nullptr);
    LoadTemplate(&back, text);
    auto *m2 = dynamic_cast<TqdzMemoView *>(back.FindObject(QStringLiteral("Memo1")));
    ASSERT_NE(m2, nullptr);
    EXPECT_EQ(m2->Rotation(), 270);
}

TEST(MemoView, FormatData)
{
    TqdzMemoView m(nullptr);
    struct TCase
    {
        TqdzFormatKind Kind;
        const char *FormatStr, *Decimal, *Thousand;
        Variant Value;
        const char *Expected;
    };
    const TCase cases[] = {
        {fkNumeric, "%2.2f", ",", "", 1234.5, "1234,50"},
        {fkNumeric, "%2.2n", ",", ".", 1234567.891, "1.234.567,89"},
        {fkNumeric, "%d", "", "", 41.0, "41"},
        {fkNumeric, "#,##0.0", "", " ", 1234.56, "1 234.6"},
        {fkBoolean, "No,Yes", "", "", Variant(true), "Yes"},
        {fkBoolean, "No,Yes", "", "", Variant(1), "No"},
        {fkBoolean, "No,Yes", "", "", Variant(false), "No"},
        {fkDateTime, "yyyy-mm-dd", "", "", Variant::FromDate(46000), "2025-12-09"},
        {fkText, "", "", "", Variant(QStringLiteral("abc")), "abc"},
        {fkText, "", "", "", Null(), ""},
        {fkNumeric, "%2.2f", "", "", Null(), ""},
    };
    for (const TCase &c : cases) {
        TqdzFormat f;
        f.SetKind(c.Kind);
        f.SetFormatStr(QString::fromLatin1(c.FormatStr));
        f.SetDecimalSeparator(QString::fromLatin1(c.Decimal));
        f.SetThousandSeparator(QString::fromLatin1(c.Thousand));
        EXPECT_EQ(m.FormatData(c.Value, &f), QString::fromUtf8(c.Expected)) << c.FormatStr;
    }
}

TEST(MemoView, LateMacrosStayUntilDrawn)
{
    TqdzMemoView m(nullptr);
    m.SetText(QStringLiteral("Page count [totalpages#] of copy [COPYNAME#]"));
    m.GetData();
    EXPECT_EQ(m.Text(), QStringLiteral("Page count [TotalPages#] of copy [CopyName#]\r\n"));
    qdzGlobalVariables()->SetVariables(QStringLiteral("CopyName1"), QStringLiteral("Second"));
    m.TotalPages = 7;
    m.CopyNo = 1;
    m.ExpandPreviewMacros();
    EXPECT_EQ(m.Text(), QStringLiteral("Page count 7 of copy Second\r\n"));
    qdzGlobalVariables()->Clear();
}

TEST(MemoView, BoundFieldHideZerosAndSuppressRepeated)
{
    TReportFixture a;
    auto *ds = new TqdzUserDataSet(a.Page);
    ds->SetUserName(QStringLiteral("DS"));
    TRows rows;
    ds->SetOnGetValue(TqdzUserDSGetValueEvent(&rows, &TRows::GetValue));
    TqdzMemoView *m = a.Memo(QStringLiteral("Memo1"));
    m->SetDataSet(ds);
    m->SetDataField(QStringLiteral("F"));
    m->SetHideZeros(true);

    rows.Values = {Variant(0), Variant(QStringLiteral("0")), Variant(0.0), Variant(5)};
    const char *hidden[] = {"", "0\r\n", "", "5\r\n"};
    for (size_t i = 0; i < rows.Values.size(); ++i) {
        rows.Row = i;
        m->GetData();
        EXPECT_EQ(m->Text(), QString::fromLatin1(hidden[i])) << i;
    }

    m->SetHideZeros(false);
    m->SetSuppressRepeated(true);
    rows.Values = {Variant(QStringLiteral("A")), Variant(QStringLiteral("A")), Variant(QStringLiteral("B")),
                   Variant(QStringLiteral("B"))};
    const char *shown[] = {"A\r\n", "", "B\r\n", "B\r\n"};
    for (size_t i = 0; i < rows.Values.size(); ++i) {
        rows.Row = i;
        if (i == 3)
            m->ClearValue();
        m->GetData();
        EXPECT_EQ(m->Text(), QString::fromLatin1(shown[i])) << i;
    }
}

TEST(MemoView, CalcHeightInArial10)
{
    TqdzMemoView m(nullptr);
    m.Font()->SetName(QStringLiteral("Arial"));
    m.Font()->SetSize(10);
    m.SetBounds(0, 0, 300, 20);
    m.SetText(QStringLiteral("One"));
    EXPECT_EQ(m.CalcHeight(), 17);
    m.SetText(Lines(3));
    EXPECT_EQ(m.CalcHeight(), 48);
    // A frame and a shadow add their room.
    m.Frame()->SetTyp(TqdzFrameTypes::FromInt(15));
    m.Frame()->SetWidth(3);
    m.Frame()->SetDropShadow(true);
    EXPECT_EQ(m.CalcHeight(), Round(45.84 + 2 + 1 + 1.5 + 4));
    EXPECT_EQ(m.CalcHeight(), m.CalcHeight()); // measuring leaves nothing behind
}

TEST(MemoView, CutPartSplitsAndAlwaysProgressesOnAFreshPage)
{
    TqdzMemoView m(nullptr);
    m.Font()->SetName(QStringLiteral("Arial"));
    m.Font()->SetSize(10);
    m.SetBounds(0, 0, 300, 33); // two lines of 15.28 in 32 pixels of text room
    m.SetText(Lines(5));
    // Nothing is left to print before the parts begin.
    EXPECT_FALSE(m.HasMoreParts());
    EXPECT_EQ(m.PartText(), QString());
    EXPECT_TRUE(VarIsEmpty(m.Value()));
    m.BeginParts();
    const double part = m.CutPart();
    EXPECT_NEAR(part, 33 - (32 - 2 * 15.28), 0.01); // the two lines with the gaps above them
    EXPECT_EQ(m.Text(), QStringLiteral("Line 1\r\nLine 2\r\n"));
    EXPECT_TRUE(m.HasMoreParts());
    EXPECT_TRUE(m.PartText().startsWith(QStringLiteral("Line 3")));

    // Less room than one line: nothing fits, the engine turns the page ...
    m.SetHeight(6);
    EXPECT_EQ(m.CutPart(), 0);
    EXPECT_EQ(m.Text(), QString());
    EXPECT_TRUE(m.PartText().startsWith(QStringLiteral("Line 3")));
    // ... and on the fresh page, still too small, one line goes out anyway.
    const double forced = m.CutPart();
    EXPECT_GT(forced, 6); // the line is taller than the room it was given
    EXPECT_EQ(m.Text(), QStringLiteral("Line 3\r\n"));
    EXPECT_TRUE(m.PartText().startsWith(QStringLiteral("Line 4")));
    // With room again, a stall before does not cut the part short.
    m.SetHeight(6);
    EXPECT_EQ(m.CutPart(), 0);
    m.SetHeight(33);
    EXPECT_NEAR(m.CutPart(), 33 - (32 - 2 * 15.28), 0.01);
    EXPECT_EQ(m.Text(), QStringLiteral("Line 4\r\nLine 5\r\n"));

    // The loop the engine runs ends.
    int parts = 0;
    while (m.HasMoreParts() && parts < 100) {
        m.CutPart();
        ++parts;
    }
    EXPECT_LT(parts, 100);
    EXPECT_FALSE(m.HasMoreParts());
}

TEST(MemoView, FlowToPassesTheRestOnAndRefusesItself)
{
    TReportFixture a;
    TqdzMemoView *m1 = a.Memo(QStringLiteral("Memo1"), Lines(3));
    TqdzMemoView *m2 = a.Memo(QStringLiteral("Memo2"), QStringLiteral("[keep]"));
    m1->SetHeight(33);
    m1->SetFlowTo(m2);
    m1->GetData();
    EXPECT_EQ(m1->Text(), QStringLiteral("Line 1\r\nLine 2\r\n"));
    EXPECT_EQ(m2->Text(), QStringLiteral("Line 3\r\n"));
    EXPECT_FALSE(m2->AllowExpressions());

    m2->SetFlowTo(m2);
    EXPECT_EQ(m2->FlowTo(), nullptr);
    m1->SetFlowTo(m1);
    EXPECT_EQ(m1->FlowTo(), m2);
    // The target going away clears the flow.
    m2->Free();
    EXPECT_EQ(m1->FlowTo(), nullptr);
}

TEST(Subreport, PageAndSubreportForgetEachOther)
{
    for (bool inReport : {true, false}) {
        SCOPED_TRACE(inReport);
        TReportFixture a;
        TqdzReportPage *page = inReport ? new TqdzReportPage(&a.Report) : new TqdzReportPage(nullptr);
        auto *sub = new TqdzSubreport(a.Band);
        sub->SetPage(page);
        EXPECT_EQ(page->SubReport(), sub);
        EXPECT_TRUE(page->IsSubReport());
        // The page goes first: the subreport holds no dangling page.
        delete page;
        EXPECT_EQ(sub->Page(), nullptr);
        delete sub; // would touch the freed page through the back-reference

        TqdzReportPage *page2 = inReport ? new TqdzReportPage(&a.Report) : new TqdzReportPage(nullptr);
        auto *sub2 = new TqdzSubreport(a.Band);
        sub2->SetPage(page2);
        delete sub2;
        EXPECT_EQ(page2->SubReport(), nullptr);
        EXPECT_FALSE(page2->IsSubReport());
        delete page2;
    }
}

// A report freed as a whole does not tell its objects of each other's end:
// pages and subreports must still not reach each other once freed, whichever
// goes first.
TEST(Subreport, ReportFreedWithLinksInPlace)
{
    for (bool targetFirst : {false, true}) {
        SCOPED_TRACE(targetFirst);
        auto *report = new TqdzReport(nullptr);
        // Pages go last first: creation order decides which side goes first.
        TqdzReportPage *p2 = targetFirst ? new TqdzReportPage(report) : nullptr;
        auto *p1 = new TqdzReportPage(report);
        if (!targetFirst)
            p2 = new TqdzReportPage(report);
        p1->SetName(QStringLiteral("Page1"));
        p2->SetName(QStringLiteral("Page2"));
        auto *b1 = new TqdzMasterData(p1);
        auto *b2 = new TqdzMasterData(p2);
        // Shown on its own page, from its own band.
        auto *self = new TqdzSubreport(b1);
        self->SetPage(p1);
        // Page 2 shown from page 1, and page 2 refers back to it.
        auto *cross = new TqdzSubreport(b1);
        cross->SetPage(p2);
        // Page 1 shown again from page 2: page 1's reference moves to it.
        auto *back = new TqdzSubreport(b2);
        back->SetPage(p1);
        ASSERT_EQ(self->Page(), p1);
        ASSERT_EQ(cross->Page(), p2);
        ASSERT_EQ(back->Page(), p1);
        ASSERT_EQ(p1->SubReport(), back);
        ASSERT_EQ(p2->SubReport(), cross);
        delete report; // nothing unlinked first
    }

    // Freed one by one inside a report, each side still forgets the other,
    // also with two subreports naming one page.
    TReportFixture a;
    auto *page = new TqdzReportPage(&a.Report);
    auto *s1 = new TqdzSubreport(a.Band);
    auto *s2 = new TqdzSubreport(a.Band);
    s1->SetPage(page);
    s2->SetPage(page);
    EXPECT_EQ(page->SubReport(), s2);
    delete s1; // not the page's own reference: the page keeps s2
    EXPECT_EQ(page->SubReport(), s2);
    delete page;
    EXPECT_EQ(s2->Page(), nullptr);
    auto *page2 = new TqdzReportPage(&a.Report);
    s2->SetPage(page2);
    s2->SetPage(nullptr);
    EXPECT_EQ(page2->SubReport(), nullptr);
    delete s2;
    delete page2;
}

TEST(ReportPage, ColumnsFromATemplateAreBounded)
{
    TqdzReportPage page(nullptr);
    QElapsedTimer t;
    t.start();
    page.SetColumns(100000000);
    EXPECT_EQ(page.Columns(), qdzMaxColumns);
    EXPECT_EQ(page.ColumnPositions()->Count(), qdzMaxColumns);
    EXPECT_LT(t.elapsed(), 30000);
    page.SetColumns(-5);
    EXPECT_EQ(page.Columns(), 0);
    EXPECT_EQ(page.ColumnPositions()->Count(), 0);
    page.SetColumns(2);
    EXPECT_EQ(page.ColumnPositions()->Count(), 2);
}

TEST(ReportPage, ColourAndFrameBelongToThePictureView)
{
    TReportFixture a;
    a.Page->SetColor(255);
    a.Page->Frame()->SetTyp(TqdzFrameTypes::FromInt(15));
    a.Page->Frame()->SetWidth(2);
    EXPECT_EQ(a.Page->PictureView()->Color(), 255);
    const QByteArray text = SaveTemplate(&a.Report);
    TqdzReport back(nullptr);
    LoadTemplate(&back, text);
    auto *p = dynamic_cast<TqdzReportPage *>(back.FindObject(QStringLiteral("Page1")));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->Color(), 255);
    EXPECT_EQ(p->Frame()->Typ().ToInt(), 15u);
    EXPECT_EQ(p->Frame()->Width(), 2);
}

TEST(Styles, SheetsApplyAndRefuseDuplicateNames)
{
    TReportFixture a;
    TqdzMemoView *m1 = a.Memo(QStringLiteral("Memo1"));
    TqdzMemoView *m2 = a.Memo(QStringLiteral("Memo2"));
    TqdzStyleItem *s = a.Report.Styles()->Add();
    s->SetName(QStringLiteral("Head"));
    s->SetColor(clYellow);
    s->Frame()->SetTyp(TqdzFrameTypes::FromInt(4));
    m1->SetStyle(QStringLiteral("head"));
    EXPECT_EQ(m1->Color(), clYellow);
    EXPECT_EQ(m1->Frame()->Typ().ToInt(), 4u);
    m2->SetStyle(QStringLiteral("Missing"));
    EXPECT_EQ(m2->Color(), clTransparent);

    // Loading a sheet applies it: Head is now red, Missing is still missing.
    TStringStream sheet(QByteArray("<?xml version=\"1.0\"?><style Name=\"S\"><item Name=\"Head\" Color=\"255\" Frame.Typ=\"8\"/></style>"));
    a.Report.Styles()->LoadFromStream(&sheet);
    EXPECT_EQ(a.Report.Styles()->Count(), 1);
    EXPECT_EQ(m1->Color(), 255);
    EXPECT_EQ(m1->Frame()->Typ().ToInt(), 8u);
    EXPECT_EQ(m2->Style(), QString());

    // Two styles of one name: an error, not a nameless style.
    TStringStream twice(QByteArray("<?xml version=\"1.0\"?><style Name=\"S\"><item Name=\"A\"/><item Name=\"a\" Color=\"5\"/></style>"));
    try {
        a.Report.Styles()->LoadFromStream(&twice);
        ADD_FAILURE() << "loaded";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Duplicate name"));
    }
    EXPECT_EQ(a.Report.Styles()->Count(), 0);

    // Style items keep their frame through the sheet file format.
    TqdzStyleItem *t = a.Report.Styles()->Add();
    t->SetName(QStringLiteral("Box"));
    t->Frame()->SetWidth(3);
    TMemoryStream out;
    a.Report.Styles()->SaveToStream(&out);
    out.SetPosition(0);
    a.Report.Styles()->LoadFromStream(&out);
    ASSERT_EQ(a.Report.Styles()->Count(), 1);
    EXPECT_EQ(a.Report.Styles()->Items(0)->Frame()->Width(), 3);
}

TEST(MemoView, AutoWidthRealignsTheParentInsideTheLayoutLock)
{
    TReportFixture a;
    TqdzMemoView *m = a.Memo(QStringLiteral("Memo1"), QStringLiteral("Short"));
    TqdzMemoView *right = a.Memo(QStringLiteral("Memo2"), QStringLiteral("Right"));
    right->SetAlign(baRight);
    right->SetAutoWidth(true);
    m->SetAutoWidth(true);
    m->SetHAlign(haRight);
    m->Font()->SetName(QStringLiteral("Arial"));
    const double w = m->CalcWidth();
    EXPECT_LT(w, 60);
    QImage img(800, 300, QImage::Format_RGB32);
    TCanvas c(&img);
    // Measuring the text, resizing, and re-aligning the band's views, which
    // again measures through the same (re-entrant) lock.
    m->Draw(&c, 1, 1, 0, 0);
    right->Draw(&c, 1, 1, 0, 0);
    c.Release();
    EXPECT_NEAR(m->Width(), w, 0.5);
    EXPECT_NEAR(m->Left(), 10 + 200 - m->Width(), 0.0001);
    EXPECT_EQ(right->Left() + right->Width(), a.Band->Width());
}

TEST(View, DataSetBindingByReferenceAndByName)
{
    TReportFixture a;
    auto *ds = new TqdzUserDataSet(a.Page);
    ds->SetName(QStringLiteral("UserDS1"));
    ds->SetUserName(QStringLiteral("Goods"));
    a.Report.DataSets()->Add()->SetDataSet(ds);
    a.Report.EnabledDataSets()->Add()->SetDataSet(ds);
    TqdzMemoView *m = a.Memo(QStringLiteral("Memo1"));
    m->SetDataSetName(QStringLiteral("goods"));
    EXPECT_EQ(m->DataSet(), ds);
    EXPECT_EQ(m->DataSetName(), QStringLiteral("Goods"));
    EXPECT_FALSE(m->IsDataField());
    m->SetDataField(QStringLiteral("Qty"));
    EXPECT_TRUE(m->IsDataField());
    m->SetDataSetName(QStringLiteral("Nothing"));
    EXPECT_EQ(m->DataSet(), nullptr);
    EXPECT_EQ(m->DataSetName(), QStringLiteral("Nothing"));
    m->SetDataSet(ds);
    EXPECT_EQ(m->DataSetName(), QStringLiteral("Goods"));
    // The dataset going away unbinds the view.
    ds->Free();
    EXPECT_EQ(m->DataSet(), nullptr);
    EXPECT_FALSE(m->IsDataField());
}

TEST(View, DesignFlagsCaptionsAndCopies)
{
    TReportFixture a;
    auto line = [&a](int Flags) {
        return static_cast<TqdzLineView *>(TqdzComponent::DesignCreate(TqdzLineView::StaticClass(), a.Band, Flags));
    };
    struct TLineCase
    {
        int Flags;
        bool Diagonal, End, Start;
    };
    for (const TLineCase &c : {TLineCase{0, false, false, false}, TLineCase{1, true, false, false},
                               TLineCase{2, true, true, false}, TLineCase{3, true, false, true},
                               TLineCase{4, true, true, true}}) {
        TqdzLineView *l = line(c.Flags);
        EXPECT_EQ(l->Diagonal(), c.Diagonal) << c.Flags;
        EXPECT_EQ(l->ArrowEnd(), c.End) << c.Flags;
        EXPECT_EQ(l->ArrowStart(), c.Start) << c.Flags;
    }
    auto *s = static_cast<TqdzShapeView *>(TqdzComponent::DesignCreate(TqdzShapeView::StaticClass(), a.Band, 4));
    EXPECT_EQ(s->Shape(), skDiamond);
    auto *s2 = static_cast<TqdzShapeView *>(TqdzComponent::DesignCreate(TqdzShapeView::StaticClass(), a.Band, 99));
    EXPECT_EQ(s2->Shape(), skDiagonal2);
    TqdzShapeView plain(nullptr);
    EXPECT_EQ(plain.Shape(), skRectangle);

    // Captions come from the string table; built-page flags per kind.
    TqdzMemoView memo(nullptr);
    TqdzSysMemoView sys(nullptr);
    TqdzPictureView pic(nullptr);
    TqdzSubreport sub(nullptr);
    EXPECT_NE(memo.GetDescription(), sys.GetDescription());
    EXPECT_FALSE(memo.GetDescription().isEmpty());
    EXPECT_EQ(memo.Flags() & qdzFlagWriteFull, 0);
    EXPECT_EQ(pic.Flags() & qdzFlagWriteFull, 0);
    EXPECT_EQ(sub.Flags() & qdzFlagShowInPrepared, 0);
    EXPECT_NE(sub.Flags() & qdzFlagWriteFull, 0);
    EXPECT_EQ(sub.Frame()->Typ().ToInt(), 15u);
    EXPECT_EQ(sub.Color(), 0xC0C0C0);
    EXPECT_EQ(sub.Font()->Name(), QStringLiteral("Tahoma"));

    // A copy through the template format keeps the memo's own values.
    TqdzMemoView *m = a.Memo(QStringLiteral("Memo1"), QStringLiteral("[A] and [B]"));
    m->SetStretchMode(smMaxHeight);
    m->SetHAlign(haBlock);
    m->SetGapX(4);
    m->DisplayFormat()->SetKind(fkNumeric);
    m->DisplayFormat()->SetFormatStr(QStringLiteral("%2.2f"));
    m->Highlight()->SetCondition(QStringLiteral("Value > 5"));
    m->Frame()->SetTyp(TqdzFrameTypes::FromInt(3));
    m->SetHint(QStringLiteral("tip"));
    m->SetOnBeforePrint(QStringLiteral("Memo1OnBeforePrint"));
    TqdzMemoView copy(nullptr);
    copy.Assign(m);
    EXPECT_EQ(copy.Text(), m->Text());
    EXPECT_EQ(copy.StretchMode(), smMaxHeight);
    EXPECT_EQ(copy.HAlign(), haBlock);
    EXPECT_EQ(copy.GapX(), 4);
    EXPECT_EQ(copy.DisplayFormat()->FormatStr(), QStringLiteral("%2.2f"));
    EXPECT_EQ(copy.Highlight()->Condition(), QStringLiteral("Value > 5"));
    EXPECT_EQ(copy.Frame()->Typ().ToInt(), 3u);
    EXPECT_EQ(copy.Hint(), QStringLiteral("tip"));
    EXPECT_EQ(copy.OnBeforePrint(), QStringLiteral("Memo1OnBeforePrint"));
    EXPECT_EQ(copy.URL(), QString());

    // Each text a view seldom has is its own: setting one leaves the others empty.
    struct TText
    {
        std::function<QString(const TqdzView &)> Get;
        std::function<void(TqdzView &, const QString &)> Set;
    };
    const TText texts[] = {
        {[](const TqdzView &v) { return v.Hint(); }, [](TqdzView &v, const QString &s) { v.SetHint(s); }},
        {[](const TqdzView &v) { return v.OnAfterData(); }, [](TqdzView &v, const QString &s) { v.SetOnAfterData(s); }},
        {[](const TqdzView &v) { return v.OnAfterPrint(); }, [](TqdzView &v, const QString &s) { v.SetOnAfterPrint(s); }},
        {[](const TqdzView &v) { return v.OnBeforePrint(); }, [](TqdzView &v, const QString &s) { v.SetOnBeforePrint(s); }},
        {[](const TqdzView &v) { return v.OnPreviewClick(); }, [](TqdzView &v, const QString &s) { v.SetOnPreviewClick(s); }},
        {[](const TqdzView &v) { return v.OnPreviewDblClick(); }, [](TqdzView &v, const QString &s) { v.SetOnPreviewDblClick(s); }},
        {[](const TqdzView &v) { return v.TagStr(); }, [](TqdzView &v, const QString &s) { v.SetTagStr(s); }},
        {[](const TqdzView &v) { return v.URL(); }, [](TqdzView &v, const QString &s) { v.SetURL(s); }},
    };
    for (size_t i = 0; i < std::size(texts); ++i) {
        TqdzMemoView v(nullptr);
        texts[i].Set(v, QString());
        texts[i].Set(v, QStringLiteral("x"));
        for (size_t j = 0; j < std::size(texts); ++j)
            EXPECT_EQ(texts[j].Get(v), i == j ? QStringLiteral("x") : QString()) << i << " " << j;
        texts[i].Set(v, QString());
        EXPECT_EQ(texts[i].Get(v), QString()) << i;
    }
}

TEST(PictureView, FileLinksAndBuiltPageAttributes)
{
    TqdzPictureView p(nullptr);
    QImage img(4, 3, QImage::Format_RGB32);
    img.fill(Qt::red);
    const QString file = TestFile(QStringLiteral("qd_view_test.png"));
    ASSERT_TRUE(img.save(file));
    p.SetFileLink(file);
    p.GetData();
    EXPECT_EQ(p.Picture()->Width(), 4);
    p.SetFileLink(TestFile(QStringLiteral("qd_no_such_file.png")));
    p.GetData();
    EXPECT_EQ(p.Picture()->Graphic(), nullptr);
    QFile::remove(file);

    // The picture goes to the store's cache once per change.
    static int calls = 0;
    TqdzPictureView::SetAddPictureHook([](TqdzPictureView *) { return 40 + ++calls; });
    TqdzPictureView def(nullptr);
    p.SetPictureChangedFlag(true);
    p.SetTransparent(true);
    EXPECT_EQ(p.DiffAttributes(&def), QByteArray(" ImageIndex=\"41\" Transparent=\"1\""));
    EXPECT_EQ(p.DiffAttributes(&def), QByteArray(" ImageIndex=\"41\" Transparent=\"1\""));
    EXPECT_EQ(calls, 1);
    TqdzPictureView::SetAddPictureHook(nullptr);

    TqdzShapeView s(nullptr), sd(nullptr);
    s.SetShape(skEllipse);
    EXPECT_EQ(s.DiffAttributes(&sd), QByteArray(" Shape=\"2\""));
}

TEST(PictureView, DataThatCannotBeDecodedIsALoadErrorNamingThePicture)
{
    QImage small(4, 4, QImage::Format_RGB32);
    small.fill(Qt::red);
    TPngImage png;
    png.SetImage(small);
    const QByteArray good = png.SaveToBytes();
    // The same number of bytes: the data after the header zeroed (as when
    // cut short), or a header (with its checksum) claiming 60000 x 60000.
    QByteArray cut = good, large = good;
    std::fill(cut.begin() + 33, cut.end(), '\0');
    qToBigEndian(quint32(60000), large.data() + 16);
    qToBigEndian(quint32(60000), large.data() + 20);
    qToBigEndian(quint32(crc32(0, reinterpret_cast<const Bytef *>(large.constData() + 12), 17)), large.data() + 29);
    for (const QByteArray &bytes : {good, cut, large}) {
        TReportFixture a;
        auto *pic = new TqdzPictureView(a.Band);
        pic->SetName(QStringLiteral("Picture1"));
        pic->Picture()->SetGraphic(&png);
        TqdzReport back(nullptr);
        LoadTemplate(&back, SaveTemplate(&a.Report).replace(good.toHex().toUpper(), bytes.toHex().toUpper()));
        const bool whole = bytes == good;
        EXPECT_EQ(back.Errors()->Text(), whole ? QString() : QStringLiteral("Picture1: PNG image is not valid\r\n"));
        auto *loaded = dynamic_cast<TqdzPictureView *>(back.FindObject(QStringLiteral("Picture1")));
        ASSERT_NE(loaded, nullptr);
        EXPECT_EQ(loaded->Picture()->Graphic() != nullptr, whole);
    }
}
