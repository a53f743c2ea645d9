// Bands: the kind table, child chains, the character grid of dot-matrix
// pages, data bands with their dataset, row count and columns, and bands in
// templates.
#include "test_serializer_classes.h"

#include "platform/Exceptions.h"
#include "report/model/qdzDMPClass.h"
#include "report/model/qdzRes.h"

#include <gtest/gtest.h>

namespace {

QByteArray Line(const QByteArray &Text, const QByteArray &Start)
{
    const int i = Text.indexOf(Start);
    if (i < 0)
        return QByteArray();
    return Text.mid(i, Text.indexOf('\r', i) - i);
}

} // namespace

TEST(Bands, KindTable)
{
    TqdzReport report(nullptr);
    auto *page = new TqdzReportPage(&report);
    const QList<QPair<TClass, int>> kinds = {
        {TqdzReportTitle::StaticClass(), 0},   {TqdzReportSummary::StaticClass(), 1},
        {TqdzPageHeader::StaticClass(), 2},    {TqdzPageFooter::StaticClass(), 3},
        {TqdzHeader::StaticClass(), 4},        {TqdzFooter::StaticClass(), 5},
        {TqdzMasterData::StaticClass(), 6},    {TqdzDetailData::StaticClass(), 7},
        {TqdzSubdetailData::StaticClass(), 8}, {TqdzDataBand4::StaticClass(), 9},
        {TqdzDataBand5::StaticClass(), 10},    {TqdzDataBand6::StaticClass(), 11},
        {TqdzGroupHeader::StaticClass(), 12},  {TqdzGroupFooter::StaticClass(), 13},
        {TqdzChild::StaticClass(), 14},        {TqdzColumnHeader::StaticClass(), 15},
        {TqdzColumnFooter::StaticClass(), 16}, {TqdzOverlay::StaticClass(), 17},
        {TqdzNullBand::StaticClass(), 0}};
    for (const auto &k : kinds) {
        // Each kind is found by its element name, as templates name it.
        TClass c = GetClass(k.first->ClassName());
        ASSERT_EQ(c, k.first) << k.first->ClassName().toStdString();
        auto *band = static_cast<TqdzBand *>(c->Create(page));
        EXPECT_EQ(band->GetBandKind(), k.second) << k.first->ClassName().toStdString();
        const bool data = k.second >= 6 && k.second <= 11 && k.first != TqdzNullBand::StaticClass();
        EXPECT_EQ(band->GetDescription(), qdzResources()->ResourceText(data ? "obDataBand" : "obBand"));
    }
    auto *md = new TqdzMasterData(page);
    md->CreateUniqueName();
    EXPECT_EQ(md->Name(), "MasterData1");
}

TEST(Bands, ChildChainsMayNotCloseACircle)
{
    TqdzReport report(nullptr);
    auto *page = new TqdzReportPage(&report);
    auto *title = new TqdzReportTitle(page);
    auto *a = new TqdzChild(page);
    auto *b = new TqdzChild(page);
    title->SetChild(a);
    a->SetChild(b);
    for (auto [band, child] : {std::pair<TqdzBand *, TqdzChild *>{b, a}, {a, a}}) {
        try {
            band->SetChild(child);
            ADD_FAILURE() << "circle accepted";
        } catch (const Exception &e) {
            EXPECT_EQ(e.Message(), "Circular child reference is not allowed");
        }
    }
    EXPECT_EQ(b->Child(), nullptr);
    EXPECT_EQ(a->Child(), b);
    // A freed child leaves its band.
    a->Free();
    EXPECT_EQ(title->Child(), nullptr);
}

TEST(Bands, DotMatrixPagesSnapToTheCharacterGrid)
{
    TqdzReport report(nullptr);
    auto *dmp = new TqdzDMPPage(&report);
    auto *band = new TqdzMasterData(dmp);
    band->SetTop(20);
    band->SetLeft(10);
    band->SetHeight(26);
    EXPECT_EQ(band->Top(), 17);
    EXPECT_DOUBLE_EQ(band->Left(), 9.6);
    // 26 / 17 is nearer 2 cells than 1.
    EXPECT_EQ(band->Height(), 34);
    band->SetWidth(101);
    EXPECT_EQ(band->Width(), 101);

    auto *plain = new TqdzMasterData(new TqdzReportPage(&report));
    plain->SetTop(20);
    plain->SetLeft(10);
    EXPECT_EQ(plain->Top(), 20);
    EXPECT_EQ(plain->Left(), 10);
}

TEST(Bands, RowCountWithoutADataSetGivesThatManyRecords)
{
    TqdzMasterData band(nullptr);
    band.SetRowCount(5);
    TqdzUserDataSet *v = band.VirtualDataSet();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->RangeEnd(), reCount);
    EXPECT_EQ(v->RecordCount(), 5);
    int n = 0;
    for (v->First(); !v->Eof(); v->Next())
        ++n;
    EXPECT_EQ(n, 5);
}

TEST(Bands, CurrentColumnMovesTheBand)
{
    TqdzMasterData band(nullptr);
    band.SetColumns(2);
    band.SetColumnWidth(100);
    band.SetColumnGap(10);
    band.SetCurColumn(2);
    EXPECT_EQ(band.CurColumn(), 2);
    EXPECT_EQ(band.Left(), 110);
    band.SetCurColumn(3);
    EXPECT_EQ(band.CurColumn(), 1);
    EXPECT_EQ(band.Left(), 0);
}

TEST(Bands, DataBandDataSetByReferenceAndByName)
{
    TqdzReport report(nullptr);
    auto *page = new TqdzReportPage(&report);
    auto *band = new TqdzMasterData(page);
    auto *ds = new TqdzUserDataSet(page);
    ds->SetName("Lines");
    band->SetDataSetName("lines");
    EXPECT_EQ(band->DataSet(), ds);
    ds->SetUserName("Order lines");
    EXPECT_EQ(band->DataSetName(), "Order lines");
    // An unknown name keeps the dataset.
    band->SetDataSetName("Nowhere");
    EXPECT_EQ(band->DataSet(), ds);
    band->SetDataSetName("");
    EXPECT_EQ(band->DataSet(), nullptr);
    EXPECT_EQ(band->DataSetName(), "");
    band->SetDataSet(ds);
    EXPECT_EQ(band->DataSetName(), "Order lines");
    ds->Free();
    EXPECT_EQ(band->DataSet(), nullptr);
    EXPECT_EQ(band->DataSetName(), "Order lines");
}

TEST(Bands, GroupHeaderKeepsItsDrillNameInBuiltPages)
{
    TqdzGroupHeader def(nullptr);
    TqdzGroupHeader gh(nullptr);
    gh.SetDrillName("G<1>");
    EXPECT_EQ(gh.DiffAttributes(&def), " t=\"0\"");
    gh.SetDrillDown(true);
    EXPECT_EQ(gh.DiffAttributes(&def), " t=\"0\" DrillName=\"G&#60;1&#62;\"");
}

TEST(Bands, BandsInTemplates)
{
    TqdzReport report(nullptr);
    auto *page = new TqdzReportPage(&report);
    page->SetName("Page1");
    // Datasets live on the data page, which loading would otherwise add.
    auto *data = new TqdzDataPage(&report);
    data->SetName("Data");
    auto *ds = new TqdzUserDataSet(data);
    ds->SetName("Lines");
    auto *ph = new TqdzPageHeader(page);
    ph->SetName("PageHeader1");
    ph->SetBounds(0, 10, 700, 40);
    ph->SetPrintOnFirstPage(false);
    auto *md = new TqdzMasterData(page);
    md->SetName("MasterData1");
    md->SetBounds(0, 60, 700, 20);
    md->SetDataSet(ds);
    md->SetRowCount(4);
    md->SetStretched(true);
    md->SetOnBeforePrint("MasterData1OnBeforePrint");
    auto *child = new TqdzChild(page);
    child->SetName("Child1");
    child->SetBounds(0, 90, 700, 18.5);
    md->SetChild(child);
    auto *gh = new TqdzGroupHeader(page);
    gh->SetName("GroupHeader1");
    gh->SetCondition("[Lines.\"Customer\"]");
    gh->SetRestrictions(TqdzRestrictions{rfDontSize, rfDontDelete});
    auto *ov = new TqdzOverlay(page);
    ov->SetName("Overlay1");
    ov->SetPrintOnTop(true);
    ov->SetVisible(false);

    const QByteArray text = SaveTemplate(&report);
    EXPECT_EQ(Line(text, "<TqdzPageHeader"),
              "<TqdzPageHeader Name=\"PageHeader1\" Height=\"40\" Left=\"0\" Top=\"10\" Width=\"700\""
              " PrintOnFirstPage=\"False\"/>");
    EXPECT_EQ(Line(text, "<TqdzMasterData"),
              "<TqdzMasterData Name=\"MasterData1\" Height=\"20\" Left=\"0\" Top=\"60\" Width=\"700\""
              " OnBeforePrint=\"MasterData1OnBeforePrint\" Child=\"Child1\" ColumnWidth=\"0\" ColumnGap=\"0\""
              " DataSet=\"Lines\" DataSetName=\"Lines\" RowCount=\"4\" Stretched=\"True\"/>");
    EXPECT_EQ(Line(text, "<TqdzChild"),
              "<TqdzChild Name=\"Child1\" Height=\"18.5\" Left=\"0\" Top=\"90\" Width=\"700\"/>");
    EXPECT_EQ(Line(text, "<TqdzGroupHeader"),
              "<TqdzGroupHeader Name=\"GroupHeader1\" Height=\"0\" Left=\"0\" Top=\"0\" Width=\"0\""
              " Restrictions=\"10\" Condition=\"[Lines.&#34;Customer&#34;]\"/>");
    EXPECT_EQ(Line(text, "<TqdzOverlay"),
              "<TqdzOverlay Name=\"Overlay1\" Height=\"0\" Left=\"0\" Top=\"0\" Width=\"0\" Visible=\"False\""
              " PrintOnTop=\"True\"/>");

    TqdzReport copy(nullptr);
    LoadTemplate(&copy, text);
    EXPECT_EQ(copy.Errors()->Count(), 0);
    auto *md2 = dynamic_cast<TqdzMasterData *>(copy.FindObject("MasterData1"));
    ASSERT_NE(md2, nullptr);
    EXPECT_EQ(md2->DataSet(), copy.FindObject("Lines"));
    EXPECT_EQ(md2->Child(), copy.FindObject("Child1"));
    EXPECT_EQ(md2->RowCount(), 4);
    EXPECT_EQ(md2->VirtualDataSet()->RangeEndCount(), 4);
    auto *ph2 = dynamic_cast<TqdzPageHeader *>(copy.FindObject("PageHeader1"));
    ASSERT_NE(ph2, nullptr);
    EXPECT_FALSE(ph2->PrintOnFirstPage());
    EXPECT_EQ(SaveTemplate(&copy), text);
}

TEST(Bands, TemplateBindsADataSetOwnedOutsideTheReport)
{
    // The station's form owns the dataset; the template names it.
    TqdzUserDataSet station(nullptr);
    station.SetName("qdzUserDataSet1");
    const QByteArray text = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                            "<TqdzReport>\r\n"
                            "  <TqdzReportPage Name=\"Page1\">\r\n"
                            "    <TqdzMasterData Name=\"MasterData1\" DataSet=\"qdzUserDataSet1\""
                            " DataSetName=\"qdzUserDataSet1\"/>\r\n"
                            "  </TqdzReportPage>\r\n"
                            "</TqdzReport>\r\n";
    TqdzReport report(nullptr);
    LoadTemplate(&report, text);
    EXPECT_EQ(report.Errors()->Count(), 0);
    auto *md = dynamic_cast<TqdzMasterData *>(report.FindObject("MasterData1"));
    ASSERT_NE(md, nullptr);
    EXPECT_EQ(md->DataSet(), &station);
    station.SetRangeEnd(reCount);
    station.SetRangeEndCount(2);
    EXPECT_EQ(md->DataSet()->RecordCount(), 2);
}

TEST(Bands, OutsideDataSetFreedBeforeTheReport)
{
    auto *station = new TqdzUserDataSet(nullptr);
    station->SetName("Outside");
    TqdzReport report(nullptr);
    auto *page = new TqdzReportPage(&report);
    auto *md = new TqdzMasterData(page);
    md->SetDataSetName("outside");
    page->SetDataSet(station);
    report.DataSets()->Add()->SetDataSet(station);
    ASSERT_EQ(md->DataSet(), station);
    station->Free();
    EXPECT_EQ(md->DataSet(), nullptr);
    EXPECT_EQ(page->DataSet(), nullptr);
    EXPECT_EQ(report.DataSets()->Count(), 0);
}
