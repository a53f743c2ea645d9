// The preview window as a user sees it: a real report shown without waiting, grabbed at several zooms.
#include "TestFiles.h"
#include "EngineHarness.h"
#include "FormHarness.h"
#include "report/preview/qdzPreview.h"
#include "report/preview/qdzPreviewForm.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <gtest/gtest.h>

namespace {

// The number of pixels of the image in colour C inside R.
int CountColour(const QImage &Img, const QRect &R, QColor C)
{
    int n = 0;
    for (int y = std::max(0, R.top()); y <= std::min(Img.height() - 1, R.bottom()); ++y)
        for (int x = std::max(0, R.left()); x <= std::min(Img.width() - 1, R.right()); ++x)
            n += Img.pixelColor(x, y) == C;
    return n;
}

} // namespace

TEST(PreviewLook, ShownReportAtZoomsWithOutlineAndThumbnails)
{
    EngineHarness H;
    TqdzUserDataSet *lines = H.DataSet("Lines", 90);
    H.Handlers.Values = [&](const QString &Name) -> Variant {
        const int r = lines->RecNo();
        if (Name == "No")
            return Variant(r + 1);
        if (Name == "Product")
            return Variant(QString("Product %1 西红柿").arg(r + 1));
        if (Name == "Weight")
            return Variant(10.0 + r * 0.25);
        return Variant();
    };
    auto *header = H.Band<TqdzPageHeader>("PageHeader1", 0, 30);
    H.Memo(header, "Title", "Delivered goods, page [Page#]", 0, 0, 400, 24);
    auto *rows = H.Band<TqdzMasterData>("MasterData1", 60, 30);
    rows->SetDataSet(lines);
    rows->SetOutlineText("Product");
    H.Memo(rows, "No", "[No]", 0, 0, 60);
    H.Memo(rows, "Product", "[Product]", 60, 0, 300);
    H.Memo(rows, "Weight", "[Weight] kg", 360, 0, 150)->Frame()->SetTyp(TqdzFrameTypes{ftLeft, ftRight, ftTop, ftBottom});
    TqdzReport *r = H.Report.get();
    r->PreviewOptions()->SetModal(false);
    r->PreviewOptions()->SetMaximized(false);
    r->ShowReport();
    auto *form = dynamic_cast<TqdzPreviewForm *>(r->PreviewForm());
    ASSERT_NE(form, nullptr);
    TqdzPreview *p = form->Preview;
    // The report builds once the window shows.
    QElapsedTimer wait;
    wait.start();
    while ((p->Building() || p->PageCount() == 0) && wait.elapsed() < 60000)
        FormHarness::ProcessEvents(20);
    ASSERT_FALSE(p->Building());
    const int pages = p->PageCount();
    ASSERT_GE(pages, 3);
    form->SetClientWidth(900);
    form->SetClientHeight(700);
    FormHarness::ProcessEvents(20);
    EXPECT_EQ(form->StatusBar->Panels()->Items(0)->Text(), QString("Page 1 of %1").arg(pages));

    const QString dir = TestFile("preview-look");
    QDir().mkpath(dir);
    auto shot = [&](const QString &Name) {
        FormHarness::ProcessEvents(20);
        const QImage img = FormHarness::Grab(form);
        EXPECT_FALSE(img.isNull());
        img.save(dir + "/" + Name + ".png");
        return FormHarness::Grab(p->Workspace());
    };
    TqdzPreviewWorkspace *ws = p->Workspace();

    // Half size: two pages side by side, text drawn on white.
    p->SetZoom(0.5);
    QImage w = shot("zoom-50");
    EXPECT_EQ(form->ZoomCB->Text(), "50%");
    EXPECT_EQ(ws->PageList().Items(0).Top, ws->PageList().Items(1).Top);
    const TRect first = ws->PageRect(0);
    EXPECT_GT(CountColour(w, first.ToQRect().adjusted(2, 2, -2, -2), Qt::black), 200);
    EXPECT_EQ(w.pixelColor(first.Left - 3, first.Top + 20), QColor(128, 128, 128));

    p->SetZoom(1.0);
    w = shot("zoom-100");
    EXPECT_EQ(form->ZoomCB->Text(), "100%");
    EXPECT_LT(ws->PageList().Items(0).Top, ws->PageList().Items(1).Top);

    // The whole page inside the window, with room to spare on one side.
    p->SetZoomMode(zmWholePage);
    w = shot("whole-page");
    const TRect whole = ws->PageRect(0);
    EXPECT_GE(whole.Top, 0);
    EXPECT_LE(whole.Bottom, ws->ClientHeight());
    EXPECT_GE(whole.Left, 0);
    EXPECT_LE(whole.Right, ws->ClientWidth());
    EXPECT_NEAR(p->Zoom(), double(ws->Height() - 26) / 1123, 0.01);

    // The outline lists the rows; choosing one goes to its page.
    form->OutlineB->SetDown(true);
    form->OutlineBClick(form->OutlineB);
    p->SetZoom(0.5);
    w = shot("outline");
    ASSERT_TRUE(p->OutlineVisible());
    ASSERT_EQ(p->OutlineTree()->Items()->Count(), 90);
    EXPECT_EQ(p->OutlineTree()->Items()->Item(0)->Text(), "Product 1 西红柿");
    EXPECT_GT(ws->Left(), p->OutlineTree()->Width() - 1);
    p->OutlineTree()->SetSelected(p->OutlineTree()->Items()->Item(89));
    FormHarness::ProcessEvents(20);
    EXPECT_EQ(p->PageNo(), pages);

    // Thumbnails instead of the outline, the current page framed.
    form->ThumbB->SetDown(true);
    form->ThumbBClick(form->ThumbB);
    p->SetPageNo(2);
    shot("thumbnails");
    EXPECT_FALSE(p->OutlineVisible());
    ASSERT_TRUE(p->ThumbnailVisible());
    EXPECT_EQ(p->Thumbnails()->PageList().Count(), pages);
    const QImage t = FormHarness::Grab(p->Thumbnails());
    const TRect active = p->Thumbnails()->PageRect(1);
    EXPECT_EQ(t.pixelColor(active.Left, active.Top + 30), QColor(32, 64, 128));

    // Full screen: the pages take the window, bars and frame gone.
    form->FullScreenBtnClick(nullptr);
    shot("full-screen");
    EXPECT_FALSE(form->ToolBar->Visible());
    EXPECT_EQ(p->Top(), 0);
    EXPECT_EQ(p->Height(), form->ClientHeight());
    form->FullScreenBtnClick(nullptr);
    FormHarness::ProcessEvents(20);
    EXPECT_TRUE(form->ToolBar->Visible());

    // Shown without waiting, the window goes when closed and the report hears of it.
    struct TClosed {
        int Count = 0;
        void Closed(TObject *) { ++Count; }
    } closed;
    r->SetOnClosePreview(TNotifyEvent(&closed, &TClosed::Closed));
    form->Close();
    FormHarness::ProcessEvents(20);
    EXPECT_EQ(closed.Count, 1);
    EXPECT_EQ(r->PreviewForm(), nullptr);
}
