// Datasets: record walking with ranges, Eof and its event, user names that
// follow the component name, user datasets answering through events, look-up
// by name, the report's dataset lists, and datasets in templates.
#include "test_serializer_classes.h"

#include "platform/Exceptions.h"
#include "platform/Colors.h"
#include "platform/Graphics.h"
#include "report/model/qdzRes.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

struct Listener : TObject
{
    int Firsts = 0, Nexts = 0, Priors = 0;
    int EofCalls = 0;
    bool EofAnswer = false;
    QStringList Asked;
    void OnFirst(TObject *) { ++Firsts; }
    void OnNext(TObject *) { ++Nexts; }
    void OnPrior(TObject *) { ++Priors; }
    void CheckEof(TObject *, bool &Eof)
    {
        ++EofCalls;
        Eof = EofAnswer;
    }
    void GetValue(const QString &Name, Variant &Value)
    {
        Asked << "old:" + Name;
        Value = Variant(Name + "!");
    }
    void NewGetValue(TObject *, const QString &Name, Variant &Value)
    {
        Asked << "new:" + Name + ":" + (VarIsNull(Value) ? QString("null") : VarToStr(Value));
        if (Name == "n")
            Value = Variant(42);
    }
};

} // namespace

TEST(DataSets, CountRangeVisitsEveryRecordThenEof)
{
    TqdzUserDataSet ds(nullptr);
    Listener l;
    ds.SetOnNext(TNotifyEvent(&l, &Listener::OnNext));
    ds.SetOnFirst(TNotifyEvent(&l, &Listener::OnFirst));
    ds.SetRangeEnd(reCount);
    ds.SetRangeEndCount(3);
    ds.First();
    QList<int> seen;
    while (!ds.Eof()) {
        seen << ds.RecNo();
        ds.Next();
    }
    EXPECT_EQ(seen, (QList<int>{0, 1, 2}));
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_EQ(l.Firsts, 1);
    // The step past the end fires no OnNext.
    EXPECT_EQ(l.Nexts, 2);
    ds.Next();
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_TRUE(ds.Eof());
    // First starts again.
    ds.First();
    EXPECT_FALSE(ds.Eof());
    EXPECT_EQ(ds.RecNo(), 0);
}

TEST(DataSets, EmptyCountRangeIsEofAtOnceAndNeverNegative)
{
    TqdzUserDataSet ds(nullptr);
    ds.SetRangeEnd(reCount);
    ds.First();
    EXPECT_TRUE(ds.Eof());
    ds.Next();
    EXPECT_EQ(ds.RecNo(), 0);
    EXPECT_TRUE(ds.Eof());
}

TEST(DataSets, LastRangeEndsOnlyThroughTheEvent)
{
    TqdzUserDataSet ds(nullptr);
    ds.First();
    for (int i = 0; i < 1000; ++i) {
        ASSERT_FALSE(ds.Eof());
        ds.Next();
    }
    EXPECT_EQ(ds.RecNo(), 1000);
    Listener l;
    ds.SetOnCheckEOF(TqdzCheckEOFEvent(&l, &Listener::CheckEof));
    l.EofAnswer = true;
    EXPECT_TRUE(ds.Eof());
    // The event may also deny an end the range reached.
    ds.SetRangeEnd(reCount);
    ds.SetRangeEndCount(1);
    l.EofAnswer = false;
    EXPECT_FALSE(ds.Eof());
    EXPECT_EQ(l.EofCalls, 2);
    ds.Prior();
    EXPECT_EQ(ds.RecNo(), 999);
}

TEST(DataSets, RecordCountOnlyForFirstToCount)
{
    struct Case
    {
        TqdzRangeBegin B;
        TqdzRangeEnd E;
        int Expected;
    } cases[] = {{rbFirst, reCount, 7}, {rbCurrent, reCount, 0}, {rbFirst, reLast, 0}, {rbFirst, reCurrent, 0}};
    for (const Case &c : cases) {
        TqdzUserDataSet ds(nullptr);
        ds.SetRangeBegin(c.B);
        ds.SetRangeEnd(c.E);
        ds.SetRangeEndCount(7);
        EXPECT_EQ(ds.RecordCount(), c.Expected) << int(c.B) << int(c.E);
    }
}

TEST(DataSets, UserNameFollowsNameUntilSetOtherwise)
{
    TqdzUserDataSet ds(nullptr);
    ds.SetName("UserDS1");
    EXPECT_EQ(ds.UserName(), "UserDS1");
    ds.SetName("Lines");
    EXPECT_EQ(ds.UserName(), "Lines");
    ds.SetUserName("Order lines");
    ds.SetName("Lines2");
    EXPECT_EQ(ds.UserName(), "Order lines");
    // Back in step with the name, it follows again.
    ds.SetUserName("Lines2");
    ds.SetName("Lines3");
    EXPECT_EQ(ds.UserName(), "Lines3");

    for (const QString &blank : {QString(), QString("   "), QString("\t")}) {
        try {
            ds.SetUserName(blank);
            ADD_FAILURE() << "blank accepted";
        } catch (const Exception &e) {
            EXPECT_EQ(e.Message(), qdzResources()->ResourceText("prInvProp"));
        }
    }
    EXPECT_EQ(ds.UserName(), "Lines3");
}

TEST(DataSets, BaseDefaults)
{
    TqdzCustomDBDataSet ds(nullptr);
    EXPECT_TRUE(ds.Enabled());
    EXPECT_EQ(ds.RangeBegin(), rbFirst);
    EXPECT_EQ(ds.RangeEnd(), reLast);
    EXPECT_TRUE(ds.OpenDataSource());
    EXPECT_FALSE(ds.CloseDataSource());
    EXPECT_EQ(ds.GetDisplayWidth("x"), 10);
    EXPECT_EQ(ds.GetFieldType("x"), fftNumeric);
    EXPECT_TRUE(VarIsNull(ds.GetValue("x")));
    EXPECT_EQ(ds.GetDisplayText("x"), QString());
    EXPECT_EQ(ds.FieldsCount(), 0);
    EXPECT_FALSE(ds.HasField("x"));
    EXPECT_EQ(ds.BaseName(), "CustomDBDataSet");
}

TEST(DataSets, UserDataSetAnswersThroughItsEvents)
{
    TqdzUserDataSet ds(nullptr);
    EXPECT_TRUE(VarIsNull(ds.GetValue("a")));
    EXPECT_EQ(ds.GetDisplayText("a"), QString());
    Listener l;
    ds.SetOnGetValue(TqdzUserDSGetValueEvent(&l, &Listener::GetValue));
    EXPECT_EQ(VarToStr(ds.GetValue("a")), "a!");
    ds.SetOnNewGetValue(TqdzUserDSNewGetValueEvent(&l, &Listener::NewGetValue));
    // GetValue hands the first event's answer on to the second.
    EXPECT_EQ(VarToStr(ds.GetValue("n")), "42");
    EXPECT_EQ(VarToStr(ds.GetValue("b")), "b!");
    // GetDisplayText starts each event from null.
    EXPECT_EQ(ds.GetDisplayText("c"), QString());
    EXPECT_EQ(ds.GetDisplayText("n"), "42");
    EXPECT_EQ(l.Asked, (QStringList{"old:a", "old:n", "new:n:n!", "old:b", "new:b:b!", "old:c", "new:c:null",
                                    "old:n", "new:n:null"}));

    ds.Fields()->SetText("Name\r\nQty");
    EXPECT_EQ(ds.FieldsCount(), 2);
    EXPECT_TRUE(ds.HasField("Qty"));
    EXPECT_FALSE(ds.HasField("Price"));
}

TEST(DataSets, FoundByUserNameForAReport)
{
    TqdzReport report(nullptr);
    auto *page = new TqdzReportPage(&report);
    auto *mine = new TqdzUserDataSet(page);
    mine->SetName("Lines");
    TqdzReport other(nullptr);
    auto *theirs = new TqdzUserDataSet(new TqdzReportPage(&other));
    theirs->SetName("Foreign");
    TqdzUserDataSet loose(nullptr);
    loose.SetName("Loose");

    EXPECT_EQ(qdzFindDataSet(&report, nullptr, "lines"), mine);
    EXPECT_EQ(qdzFindDataSet(page, nullptr, "LINES"), mine);
    EXPECT_EQ(qdzFindDataSet(&report, nullptr, "loose"), &loose);
    // Another report's dataset is not offered; the current one stays.
    EXPECT_EQ(qdzFindDataSet(&report, mine, "Foreign"), mine);
    EXPECT_EQ(qdzFindDataSet(&other, nullptr, "Foreign"), theirs);
    EXPECT_EQ(qdzFindDataSet(&report, mine, ""), nullptr);
    // Without a report nothing is looked up.
    EXPECT_EQ(qdzFindDataSet(nullptr, mine, "Loose"), mine);
}

TEST(DataSets, ReportListsFindByNameAndForgetFreedDataSets)
{
    TqdzReport report(nullptr);
    auto *page = new TqdzReportPage(&report);
    auto *a = new TqdzUserDataSet(page);
    a->SetName("A");
    auto outside = std::make_unique<TqdzUserDataSet>(nullptr);
    outside->SetName("Outside");

    TqdzReportDataSets *list = report.DataSets();
    list->Add()->SetDataSet(a);
    list->Add()->SetDataSet(outside.get());
    TqdzDataSetItem *byName = list->Add();
    byName->SetDataSetName("a");
    EXPECT_EQ(byName->DataSet(), a);
    TqdzDataSetItem *missing = list->Add();
    missing->SetDataSetName("Nowhere");
    EXPECT_EQ(missing->DataSet(), nullptr);
    EXPECT_EQ(missing->DataSetName(), "Nowhere");

    EXPECT_EQ(list->Find("OUTSIDE")->DataSet(), outside.get());
    EXPECT_EQ(list->Find(a), list->Items(0));
    EXPECT_EQ(list->Find("Nowhere"), nullptr);
    // The item reads the dataset's current user name.
    a->SetUserName("Renamed");
    EXPECT_EQ(list->Items(0)->DataSetName(), "Renamed");

    list->Initialize();
    EXPECT_EQ(a->Report(), &report);
    EXPECT_EQ(outside->Report(), &report);

    outside.reset();
    a->Free();
    ASSERT_EQ(list->Count(), 1);
    EXPECT_EQ(list->Items(0), missing);
}

TEST(DataSets, DataSetInTemplate)
{
    RegisterTestReportClasses();
    TqdzReport report(nullptr);
    auto *page = new TqdzReportPage(&report);
    page->SetName("Page1");
    // Datasets live on the data page, which loading would otherwise add.
    auto *data = new TqdzDataPage(&report);
    data->SetName("Data");
    auto *ds = new TqdzUserDataSet(data);
    ds->SetName("UserDS1");
    ds->SetBounds(12.4, 30.6, 0, 0);
    ds->SetRangeEnd(reCount);
    ds->SetRangeEndCount(3);
    ds->Fields()->SetText("Qty");
    const QByteArray text = SaveTemplate(&report);
    EXPECT_TRUE(text.contains("<TqdzUserDataSet Name=\"UserDS1\" RangeEnd=\"reCount\" RangeEndCount=\"3\""
                              " UserName=\"UserDS1\" Fields.Text=\"Qty\" PropData=\""))
        << text.constData();

    TqdzReport copy(nullptr);
    LoadTemplate(&copy, text);
    EXPECT_EQ(copy.Errors()->Count(), 0);
    auto *back = dynamic_cast<TqdzUserDataSet *>(copy.FindObject("UserDS1"));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->RangeEnd(), reCount);
    EXPECT_EQ(back->RangeEndCount(), 3);
    EXPECT_EQ(back->UserName(), "UserDS1");
    EXPECT_EQ(back->Fields()->Text(), "Qty\r\n");
    EXPECT_EQ(back->Left(), 12);
    EXPECT_EQ(back->Top(), 31);
    EXPECT_TRUE(back->Enabled());
    EXPECT_EQ(SaveTemplate(&copy), text);
}

TEST(DataSets, DrawnOnlyWhileDesigning)
{
    auto paint = [](TqdzDataSet *ds) {
        TBitmap bmp;
        bmp.SetSize(80, 60);
        bmp.Canvas()->Brush()->SetColor(clWhite);
        bmp.Canvas()->FillRect(Rect(0, 0, 80, 60));
        ds->Draw(bmp.Canvas(), 1, 1, 0, 0);
        return bmp.ToImage();
    };
    auto nonWhite = [](const QImage &img, int Top, int Bottom) {
        int n = 0;
        for (int y = Top; y < Bottom; ++y)
            for (int x = 0; x < img.width(); ++x)
                n += img.pixel(x, y) != qRgb(255, 255, 255);
        return n;
    };
    TqdzUserDataSet plain(nullptr);
    plain.SetBounds(10, 5, 0, 0);
    EXPECT_EQ(nonWhite(paint(&plain), 0, 60), 0);

    std::unique_ptr<TqdzComponent> designed(
        TqdzComponent::DesignCreate(TqdzUserDataSet::StaticClass(), nullptr));
    auto *ds = static_cast<TqdzDataSet *>(designed.get());
    ds->SetName("Lines");
    ds->SetBounds(10, 5, 0, 0);
    const QImage img = paint(ds);
    EXPECT_EQ(img.pixel(20, 15), ColorToQColor(clBtnFace).rgb());
    EXPECT_EQ(img.pixel(37, 15), ColorToQColor(clBtnShadow).rgb());
    EXPECT_EQ(img.pixel(20, 32), ColorToQColor(clBtnShadow).rgb());
    EXPECT_EQ(img.pixel(38, 15), qRgb(255, 255, 255));
    // The name is written below the box.
    EXPECT_GT(nonWhite(img, 34, 60), 10);
}
