// Pages: paper sizes from the printer layer's table, orientation turning
// the margins, columns, page count, band look-up, alignment of bands to the
// printable area, the data page, dialog pages and their controls, and pages
// in templates.
#include "test_serializer_classes.h"

#include "platform/Colors.h"
#include "platform/StdCtrls.h"
#include "platform/SysUtils.h"
#include "report/model/qdzRes.h"
#include "report/model/qdzClassEngine.h"

#include <gtest/gtest.h>

namespace {

bool PaperTable(int Size, double &W, double &H)
{
    switch (Size) {
    case 9:
        W = 210;
        H = 297;
        return true;
    case 1:
        W = 215.9;
        H = 279.4;
        return true;
    default:
        return false;
    }
}

bool LetterLandscapePrinter(int &Size, double &W, double &H, bool &Landscape)
{
    Size = 1;
    W = 279.4;
    H = 215.9;
    Landscape = true;
    return true;
}

// The paper table as the printer layer installs it.
class Pages : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Saved = qdzPaperHooks();
        qdzPaperHooks().PaperSize = &PaperTable;
        qdzPaperHooks().DefaultPaper = nullptr;
    }
    void TearDown() override { qdzPaperHooks() = Saved; }
    TqdzPaperHooks Saved;
};

class TqdzTestButtonControl : public TqdzDialogControl
{
    STATION_CLASS(TqdzTestButtonControl, TqdzDialogControl)
public:
    explicit TqdzTestButtonControl(TComponent *AOwner) : TqdzDialogControl(AOwner)
    {
        SetControl(new TButton(nullptr));
    }
};

STATION_PUBLISHED(TqdzTestButtonControl) {}

// Stands in for the windows layer's dialog-page form.
struct TPlainDialogForm
{
    const TqdzBuildFactories Saved = qdzBuildFactories();
    TPlainDialogForm()
    {
        TqdzBuildFactories f = Saved;
        f.CreateDialogForm = [](TqdzDialogPage *) { return new TForm(nullptr); };
        qdzInstallBuildFactories(f);
    }
    ~TPlainDialogForm() { qdzInstallBuildFactories(Saved); }
};

QByteArray Line(const QByteArray &Text, const QByteArray &Start)
{
    const int i = Text.indexOf(Start);
    if (i < 0)
        return QByteArray();
    return Text.mid(i, Text.indexOf('\r', i) - i);
}

} // namespace

TEST_F(Pages, NewReportPageIsA4Portrait)
{
    TqdzReportPage page(nullptr);
    EXPECT_EQ(page.PaperSize(), 9);
    EXPECT_EQ(page.PaperWidth(), 210);
    EXPECT_EQ(page.PaperHeight(), 297);
    EXPECT_EQ(page.Width(), 794);
    EXPECT_EQ(page.Height(), 1123);
    EXPECT_EQ(page.Orientation(), poPortrait);
    EXPECT_EQ(page.LeftMargin(), 0);
    EXPECT_EQ(page.Bin(), 7);
    EXPECT_EQ(page.BinOtherPages(), 7);
    EXPECT_EQ(page.PageCount(), 1);
    EXPECT_TRUE(page.PrintIfEmpty());
    EXPECT_TRUE(page.TitleBeforeHeader());
    EXPECT_TRUE(page.BackPictureVisible());
    EXPECT_TRUE(page.BackPicturePrintable());
    EXPECT_EQ(page.Color(), 0x1FFFFFFF);
    EXPECT_EQ(page.Duplex(), dmNone);
    EXPECT_EQ(page.BaseName(), "Page");
    EXPECT_EQ(page.GetDescription(), qdzResources()->ResourceText("obRepPage"));
    EXPECT_FALSE(page.IsSubReport());

    // Without a paper table the code is kept and nothing is made up.
    qdzPaperHooks().PaperSize = nullptr;
    TqdzReportPage bare(nullptr);
    EXPECT_EQ(bare.PaperSize(), 9);
    EXPECT_EQ(bare.PaperWidth(), 0);
}

TEST_F(Pages, OrientationTurnsPaperAndMargins)
{
    TqdzReportPage page(nullptr);
    page.SetLeftMargin(10);
    page.SetTopMargin(20);
    page.SetRightMargin(30);
    page.SetBottomMargin(40);
    page.SetOrientation(poLandscape);
    EXPECT_EQ(page.LeftMargin(), 20);
    EXPECT_EQ(page.RightMargin(), 40);
    EXPECT_EQ(page.TopMargin(), 30);
    EXPECT_EQ(page.BottomMargin(), 10);
    EXPECT_EQ(page.PaperWidth(), 297);
    EXPECT_EQ(page.PaperHeight(), 210);
    EXPECT_EQ(page.Width(), 1123);
    EXPECT_EQ(page.Height(), 794);
    // Setting the same orientation again changes nothing.
    page.SetOrientation(poLandscape);
    EXPECT_EQ(page.LeftMargin(), 20);
    page.SetOrientation(poPortrait);
    EXPECT_EQ(page.LeftMargin(), 10);
    EXPECT_EQ(page.TopMargin(), 20);
    EXPECT_EQ(page.RightMargin(), 30);
    EXPECT_EQ(page.BottomMargin(), 40);
    EXPECT_EQ(page.PaperWidth(), 210);
    // A known paper on a landscape page comes turned.
    page.SetOrientation(poLandscape);
    page.SetPaperSize(1);
    EXPECT_DOUBLE_EQ(page.PaperWidth(), 279.4);
    EXPECT_DOUBLE_EQ(page.PaperHeight(), 215.9);
    // An unknown code keeps the size it had.
    page.SetPaperSize(77);
    EXPECT_EQ(page.PaperSize(), 77);
    EXPECT_DOUBLE_EQ(page.PaperWidth(), 279.4);
}

TEST_F(Pages, CustomPaperIsRoundedToEightDecimals)
{
    TqdzReportPage page(nullptr);
    page.SetPaperWidth(100.123456789);
    EXPECT_EQ(FloatToStr(page.PaperWidth()), "100.12345679");
    EXPECT_EQ(page.PaperSize(), 256);
    EXPECT_EQ(page.Width(), 378); // 378.42...
    page.SetPaperSize(9);
    page.SetPaperHeight(150);
    EXPECT_EQ(page.PaperSize(), 256);
    EXPECT_EQ(page.Height(), 567); // 566.93
}

TEST_F(Pages, ColumnsAndPageCount)
{
    TqdzReportPage page(nullptr);
    page.SetLeftMargin(10);
    page.SetRightMargin(10);
    page.SetColumns(2);
    EXPECT_EQ(page.ColumnWidth(), 95);
    EXPECT_EQ(page.ColumnPositions()->Text(), "0\r\n95\r\n");
    page.SetColumns(3);
    EXPECT_EQ(page.ColumnPositions()->Count(), 3);
    EXPECT_EQ(page.ColumnPositions()->Strings(2), FloatToStr(2 * (190.0 / 3)));
    page.SetColumns(0);
    EXPECT_EQ(page.ColumnPositions()->Count(), 0);

    for (int bad : {0, -1})
        page.SetPageCount(bad);
    EXPECT_EQ(page.PageCount(), 1);
    page.SetPageCount(3);
    EXPECT_EQ(page.PageCount(), 3);
}

TEST_F(Pages, FindBandGivesTheFirstMatch)
{
    TqdzReport report(nullptr);
    auto *page = new TqdzReportPage(&report);
    EXPECT_EQ(page->FindBand(TqdzMasterData::StaticClass()), nullptr);
    new TqdzPageHeader(page);
    auto *first = new TqdzMasterData(page);
    new TqdzMasterData(page);
    auto *detail = new TqdzDetailData(page);
    EXPECT_EQ(page->FindBand(TqdzMasterData::StaticClass()), first);
    EXPECT_EQ(page->FindBand(TqdzDataBand::StaticClass()), first);
    EXPECT_EQ(page->FindBand(TqdzDetailData::StaticClass()), detail);
    EXPECT_EQ(page->FindBand(TqdzFooter::StaticClass()), nullptr);
}

TEST_F(Pages, AlignChildrenFitsBandsToThePrintableArea)
{
    TqdzReport report(nullptr);
    auto *page = new TqdzReportPage(&report);
    page->SetLeftMargin(10);
    page->SetRightMargin(10);
    page->SetTopMargin(10);
    page->SetBottomMargin(20);
    auto *header = new TqdzPageHeader(page);
    auto *data = new TqdzMasterData(page);
    data->SetLeft(8);
    auto *vertical = new TqdzMasterData(page);
    vertical->SetVertical(true);
    vertical->SetTop(100);
    page->AlignChildren();
    const double printableWidth = 190 * 3.77953;
    const double printableHeight = 267 * 3.77953;
    EXPECT_DOUBLE_EQ(header->Width(), printableWidth);
    EXPECT_DOUBLE_EQ(data->Width(), printableWidth - 8);
    EXPECT_DOUBLE_EQ(vertical->Height(), printableHeight - 100);
    // The page itself keeps its paper size.
    EXPECT_EQ(page->Width(), 794);
    EXPECT_EQ(page->Height(), 1123);

    page->SetColumns(2);
    page->AlignChildren();
    EXPECT_DOUBLE_EQ(data->Width(), 95 * 3.77953);
    EXPECT_DOUBLE_EQ(header->Width(), printableWidth);
}

TEST_F(Pages, SetDefaultsTakesTheCurrentPrinter)
{
    TqdzReportPage page(nullptr);
    page.SetDefaults();
    EXPECT_EQ(page.LeftMargin(), 10);
    EXPECT_EQ(page.BottomMargin(), 10);
    EXPECT_EQ(page.PaperSize(), 9);
    qdzPaperHooks().DefaultPaper = &LetterLandscapePrinter;
    page.SetDefaults();
    EXPECT_EQ(page.PaperSize(), 1);
    EXPECT_EQ(page.Orientation(), poLandscape);
    EXPECT_DOUBLE_EQ(page.PaperWidth(), 279.4);
    EXPECT_EQ(page.Width(), 1056);
}

TEST_F(Pages, DataPageIsMadeAndGathersTheDataSets)
{
    TqdzReport report(nullptr);
    auto *page = new TqdzReportPage(&report);
    page->SetName("Page1");
    auto *ds = new TqdzUserDataSet(page);
    ds->SetName("Lines");
    auto *band = new TqdzMasterData(page);
    band->SetName("Data");
    TqdzDataPage *data = qdzCheckDataPage(&report);
    ASSERT_NE(data, nullptr);
    // "Data" is taken by the band.
    EXPECT_EQ(data->Name(), "DataPage1");
    EXPECT_EQ(ds->Parent(), data);
    EXPECT_EQ(band->Parent(), page);
    EXPECT_EQ(data->GetDescription(), qdzResources()->ResourceText("obDataPage"));
    // A second check keeps the page it has.
    EXPECT_EQ(qdzCheckDataPage(&report), data);
    EXPECT_EQ(report.Objects()->Count(), 2);

    TqdzReport plain(nullptr);
    EXPECT_EQ(qdzCheckDataPage(&plain)->Name(), "Data");
}

TEST_F(Pages, DialogPagePassesItsSettingsToTheForm)
{
    {
        // Without the windows layer a page has no form: it keeps its size
        // itself and cannot be shown.
        TqdzReport report(nullptr);
        auto *dlg = new TqdzDialogPage(&report);
        dlg->SetName("DialogPage1");
        dlg->SetClientWidth(300);
        EXPECT_EQ(dlg->Form(), nullptr);
        EXPECT_EQ(dlg->ClientWidth(), 300);
        EXPECT_EQ(dlg->ClientHeight(), 59);
        EXPECT_THROW(dlg->ShowModal(), Exception);
    }
    TPlainDialogForm windows;
    TqdzReport report(nullptr);
    auto *dlg = new TqdzDialogPage(&report);
    EXPECT_EQ(dlg->Font()->Name(), "Tahoma");
    EXPECT_EQ(dlg->Font()->Size(), 8);
    EXPECT_EQ(dlg->Form()->Font()->Name(), "Tahoma");
    EXPECT_EQ(dlg->Color(), clBtnFace);
    EXPECT_EQ(dlg->BorderStyle(), bsSizeable);
    EXPECT_EQ(dlg->Position(), poScreenCenter);
    EXPECT_EQ(dlg->GetDescription(), qdzResources()->ResourceText("obDlgPage"));
    dlg->SetCaption("Choose");
    EXPECT_EQ(dlg->Form()->Caption(), "Choose");
    dlg->SetClientWidth(300);
    dlg->SetClientHeight(200);
    EXPECT_EQ(dlg->Form()->ClientWidth(), 300);
    EXPECT_EQ(dlg->ClientHeight(), 200);
    dlg->SetBorderStyle(bsDialog);
    EXPECT_EQ(dlg->Form()->BorderStyle(), bsDialog);
    dlg->Font()->SetSize(11);
    EXPECT_EQ(dlg->Form()->Font()->Size(), 11);

    // A control on it sits on the form, rounded to whole pixels.
    auto *button = new TqdzTestButtonControl(dlg);
    button->SetBounds(10.6, 20.4, 75, 25);
    EXPECT_EQ(button->BaseName(), "TestButton");
    TControl *c = button->Control();
    EXPECT_EQ(c->Parent(), dlg->Form());
    EXPECT_EQ(c->Left(), 11);
    EXPECT_EQ(c->Top(), 20);
    EXPECT_EQ(c->Width(), 75);
    button->SetEnabled(false);
    EXPECT_FALSE(c->Enabled());
    // The view's absolute place on a dialog page is its own.
    EXPECT_EQ(button->AbsLeft(), 10.6);
}

TEST_F(Pages, DialogControlDrawsItsControl)
{
    TqdzTestButtonControl button(nullptr);
    EXPECT_NE(button.Control()->Parent(), nullptr);
    button.SetBounds(10, 10, 50, 20);
    TBitmap bmp;
    bmp.SetSize(100, 50);
    bmp.Canvas()->Brush()->SetColor(clWhite);
    bmp.Canvas()->FillRect(Rect(0, 0, 100, 50));
    button.Draw(bmp.Canvas(), 1, 1, 5, 0);
    const QImage img = bmp.ToImage();
    EXPECT_EQ(img.pixel(2, 2), qRgb(255, 255, 255));
    EXPECT_NE(img.pixel(40, 20), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(70, 20), qRgb(255, 255, 255));
}

TEST_F(Pages, PagesInTemplates)
{
    TqdzReport report(nullptr);
    auto *page = new TqdzReportPage(&report);
    page->SetName("Page1");
    page->SetLeftMargin(10);
    page->SetOrientation(poLandscape);
    page->SetColumns(2);
    page->SetPrintIfEmpty(false);
    page->SetDuplex(dmVertical);
    page->SetOnBeforePrint("Page1OnBeforePrint");
    auto *custom = new TqdzReportPage(&report);
    custom->SetName("Page2");
    custom->SetPaperWidth(100.5);
    custom->SetPaperHeight(50);
    custom->SetPageCount(2);
    auto *dlg = new TqdzDialogPage(&report);
    dlg->SetName("DialogPage1");
    dlg->SetCaption("Pick");
    dlg->SetBounds(0, 0, 320, 240);
    auto *data = new TqdzDataPage(&report);
    data->SetName("Data");

    const QByteArray text = SaveTemplate(&report);
    EXPECT_EQ(Line(text, "<TqdzReportPage Name=\"Page1\""),
              "<TqdzReportPage Name=\"Page1\" Orientation=\"poLandscape\" PaperWidth=\"297\" PaperHeight=\"210\""
              " PaperSize=\"9\" LeftMargin=\"0\" RightMargin=\"0\" TopMargin=\"0\" BottomMargin=\"10\" Columns=\"2\""
              " ColumnWidth=\"148.5\" ColumnPositions.Text=\"0&#13;&#10;148.5\" Duplex=\"dmVertical\""
              " PrintIfEmpty=\"False\" HGuides.Text=\"\" VGuides.Text=\"\" OnBeforePrint=\"Page1OnBeforePrint\"/>")
        << text.constData();
    EXPECT_TRUE(Line(text, "<TqdzReportPage Name=\"Page2\"")
                    .startsWith("<TqdzReportPage Name=\"Page2\" PaperWidth=\"100.5\" PaperHeight=\"50\""
                                " PaperSize=\"256\""))
        << text.constData();
    EXPECT_TRUE(Line(text, "<TqdzReportPage Name=\"Page2\"").contains(" PageCount=\"2\""));
    EXPECT_TRUE(Line(text, "<TqdzDialogPage").contains(" Caption=\"Pick\" Height=\"240\""));
    EXPECT_FALSE(Line(text, "<TqdzDialogPage").contains(" Color="));
    EXPECT_EQ(Line(text, "<TqdzDataPage"),
              "<TqdzDataPage Name=\"Data\" Left=\"0\" Top=\"0\" Width=\"0\" Height=\"0\"/>");

    TqdzReport copy(nullptr);
    LoadTemplate(&copy, text);
    EXPECT_EQ(copy.Errors()->Count(), 0);
    auto *p1 = dynamic_cast<TqdzReportPage *>(copy.FindObject("Page1"));
    ASSERT_NE(p1, nullptr);
    EXPECT_EQ(p1->Orientation(), poLandscape);
    EXPECT_EQ(p1->PaperSize(), 9);
    EXPECT_EQ(p1->PaperWidth(), 297);
    EXPECT_EQ(p1->BottomMargin(), 10);
    EXPECT_EQ(p1->Width(), 1123);
    auto *p2 = dynamic_cast<TqdzReportPage *>(copy.FindObject("Page2"));
    ASSERT_NE(p2, nullptr);
    EXPECT_EQ(p2->PaperSize(), 256);
    EXPECT_EQ(p2->PaperWidth(), 100.5);
    auto *d = dynamic_cast<TqdzDialogPage *>(copy.FindObject("DialogPage1"));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Caption(), "Pick");
    EXPECT_EQ(SaveTemplate(&copy), text);
}
