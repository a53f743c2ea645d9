// Preview control and window: layout, zoom, navigation, keys, wheel, find, clicks, save and open, building.
#include "TestFiles.h"
#include "FormHarness.h"
#include "PreviewFakes.h"
#include "platform/Dialogs.h"
#include "report/preview/qdzPreview.h"
#include "report/preview/qdzPreviewForm.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A report with Pages fake pages shown in a preview window of a given size.
struct TPreviewFixture
{
    explicit TPreviewFixture(int Pages, int Width = 803, int Height = 584) : Report(nullptr), Form(nullptr)
    {
        Report.PreviewOptions()->SetMaximized(false);
        for (int i = 0; i < Pages; ++i)
            FakePages(&Report)->AddPage(nullptr);
        Form.SetClientWidth(Width);
        Form.SetClientHeight(Height);
        Form.Preview->SetReport(&Report);
        Form.Init();
        Form.Show();
        FormHarness::ProcessEvents();
        Form.Preview->Init();
    }
    TFakeBuild Fakes;
    TqdzReport Report;
    TqdzPreviewForm Form;
    TqdzPreview *P() { return Form.Preview; }
    TFakePages *Pages() { return FakePages(&Report); }
};

} // namespace

TEST(PageList, RowsAreCentredAndWidePagesGetTheirOwn)
{
    TqdzPageList l;
    l.AddPage(100, 50);
    l.AddPage(100, 80);
    l.AddPage(500, 60);
    l.CalcBounds(300);
    // Row 1: two pages (x 0 and 110, row width 220); shift (300 - 220 + 10) div 2 + 10 = 55.
    EXPECT_EQ(l.Items(0).Left, 55);
    EXPECT_EQ(l.Items(1).Left, 165);
    EXPECT_EQ(l.Items(0).Top, 10);
    EXPECT_EQ(l.Items(1).Top, 10);
    // Row 2 below the tallest page: 10 + 80 + 10; the wide page still gets a row.
    EXPECT_EQ(l.Items(2).Top, 100);
    EXPECT_EQ(l.Items(2).Left, 10);
    EXPECT_EQ(l.MaxHeight(), 170);
    // Pages of one row share their top: the row's last page is reached.
    EXPECT_EQ(l.FindPage(0), 1);
    EXPECT_EQ(l.FindPage(95), 2);
    EXPECT_EQ(l.FindPage(120, 60, true), 2);
    EXPECT_EQ(l.FindPage(20, 5, true), -1);
}

TEST(Preview, ZoomIsClampedAndPageNumbersToTheCount)
{
    TPreviewFixture f(5);
    f.P()->SetZoomMode(zmPageWidth);
    f.P()->SetZoom(0.1);
    EXPECT_DOUBLE_EQ(f.P()->Zoom(), 0.25);
    EXPECT_EQ(f.P()->ZoomMode(), zmDefault);
    f.P()->SetZoom(1.0);
    const struct {
        int Set, Expected;
    } cases[] = {{0, 1}, {99, 5}, {3, 3}, {-4, 1}};
    for (const auto &c : cases) {
        f.P()->SetPageNo(c.Set);
        EXPECT_EQ(f.P()->PageNo(), c.Expected) << c.Set;
    }
    f.P()->SetPageNo(2);
    EXPECT_EQ(f.Form.StatusBar->Panels()->Items(0)->Text(), "Page 2 of 5");
    EXPECT_EQ(f.Form.PageE->Text(), "2");
    // The page's top 10 pixels below the window's top.
    EXPECT_EQ(f.P()->Workspace()->VertPosition(), f.P()->Workspace()->PageList().Items(1).Top - 10);
}

TEST(Preview, WholePageZoomFitsTheWorkspaceHeight)
{
    TPreviewFixture f(2);
    TqdzPreviewWorkspace *w = f.P()->Workspace();
    w->SetAlign(alNone);
    w->SetBounds(0, 0, 900, 600);
    f.P()->SetZoomMode(zmWholePage);
    EXPECT_NEAR(f.P()->Zoom(), (600.0 - 26) / 1123, 1e-9);
}

TEST(Preview, ZoomToPageWithoutPagesOrRoomKeepsAUsableZoom)
{
    TPreviewFixture f(0);
    f.P()->SetZoom(0.8);
    f.P()->SetZoomMode(zmWholePage);
    EXPECT_TRUE(std::isfinite(f.P()->Zoom()));
    EXPECT_DOUBLE_EQ(f.P()->Zoom(), 0.8);
    f.Pages()->AddPage(nullptr);
    TqdzPreviewWorkspace *w = f.P()->Workspace();
    w->SetAlign(alNone);
    w->SetBounds(0, 0, 10, 10);
    f.P()->SetZoomMode(zmPageWidth);
    EXPECT_TRUE(std::isfinite(f.P()->Zoom()));
    EXPECT_GE(f.P()->Zoom(), 0.25);
    w->SetBounds(0, 0, 60, 60);
    f.P()->SetZoomMode(zmWholePage);
    EXPECT_GE(f.P()->Zoom(), 0.25);
}

TEST(Preview, KeysAndWheel)
{
    TPreviewFixture f(4);
    f.Report.PreviewOptions()->SetButtons(TqdzPreviewOptions::DefaultButtons());
    TqdzPreviewWorkspace *w = f.P()->Workspace();
    Word k = VK_DOWN;
    f.P()->KeyDown(k, {});
    EXPECT_EQ(w->VertPosition(), 8);
    k = VK_NEXT;
    f.P()->KeyDown(k, {});
    EXPECT_EQ(w->VertPosition(), 308);
    k = VK_NEXT;
    f.P()->KeyDown(k, TShiftState{ssCtrl});
    EXPECT_EQ(f.P()->PageNo(), 2);
    k = VK_END;
    f.P()->KeyDown(k, {});
    EXPECT_EQ(f.P()->PageNo(), 4);
    k = VK_HOME;
    f.P()->KeyDown(k, {});
    EXPECT_EQ(f.P()->PageNo(), 1);
    const int before = w->VertPosition();
    EXPECT_TRUE(f.P()->DoMouseWheel({}, -120, Point(0, 0)));
    EXPECT_EQ(w->VertPosition(), before + 20);
    f.P()->SetZoom(1.0);
    EXPECT_TRUE(w->DoMouseWheel(TShiftState{ssCtrl}, 120, Point(0, 0)));
    EXPECT_NEAR(f.P()->Zoom(), 1.1, 1e-9);
    f.P()->SetZoom(0.35);
    f.P()->DoMouseWheel(TShiftState{ssCtrl}, -120, Point(0, 0));
    EXPECT_NEAR(f.P()->Zoom(), 0.3, 1e-9);
}

TEST(Preview, FindVisitsEveryMatchAcrossPagesThenSaysNotFound)
{
    TPreviewFixture f(5);
    f.Pages()->Pages[0].Texts = {{50, 100, "An Apple"}, {50, 300, "pear"}, {50, 500, "Apple pie"}};
    f.Pages()->Pages[2].Texts = {{60, 200, "apple juice"}};
    f.Report.PreviewOptions()->SetButtons(TqdzPreviewOptions::DefaultButtons());
    QStringList shown;
    TScopedDialogHook hook([&](TDialogRequest &R) {
        shown.append(R.Text);
        return 1;
    });
    f.P()->FindText("Apple", false, true);
    EXPECT_EQ(f.P()->FoundPage(), 0);
    EXPECT_NEAR(f.P()->FoundRect().top(), 100, 0.5);
    Word k = VK_F3;
    f.P()->KeyDown(k, {});
    EXPECT_EQ(f.P()->FoundPage(), 0);
    EXPECT_NEAR(f.P()->FoundRect().top(), 500, 0.5);
    k = VK_F3;
    f.P()->KeyDown(k, {});
    EXPECT_EQ(f.P()->FoundPage(), 2);
    EXPECT_EQ(f.P()->PageNo(), 3);
    EXPECT_NEAR(f.P()->FoundRect().top(), 200, 0.5);
    EXPECT_TRUE(shown.isEmpty());
    k = VK_F3;
    f.P()->KeyDown(k, {});
    EXPECT_EQ(shown, QStringList{"Text not found"});
    // Case-sensitive: page 3's "apple" is no match.
    f.P()->FindText("Apple", true, true);
    f.P()->FindNext();
    f.P()->FindNext();
    EXPECT_EQ(shown.size(), 2);
}

// A match on another page is painted once, where the view ends up.
TEST(Preview, FindOnAnotherPagePaintsOnce)
{
    TPreviewFixture f(4);
    f.Pages()->Pages[2].Texts = {{60, 900, "Zucchini"}};
    FormHarness::ProcessEvents(20);
    f.P()->FindText("zucchini", false, true);
    ASSERT_EQ(f.P()->FoundPage(), 2);
    // What one paint of this view draws.
    int before = f.Pages()->Draws;
    f.P()->Workspace()->Repaint();
    const int onePaint = f.Pages()->Draws - before;
    ASSERT_GT(onePaint, 0);
    // Anew from page 1: pages 1 to 3 searched, then one paint.
    f.P()->SetPageNo(1);
    FormHarness::ProcessEvents(20);
    before = f.Pages()->Draws;
    f.P()->FindText("zucchini", false, true);
    EXPECT_EQ(f.P()->PageNo(), 3);
    EXPECT_EQ(f.Pages()->Draws - before, 3 + onePaint);
}

TEST(Preview, SearchFromTheCurrentPageStartsAtItsFirstText)
{
    TPreviewFixture f(3);
    f.Pages()->Pages[0].Texts = {{10, 10, "x"}, {10, 30, "x"}, {10, 50, "x"}};
    f.Pages()->Pages[1].Texts = {{10, 10, "x"}};
    TScopedDialogHook hook([](TDialogRequest &) { return 1; });
    f.P()->FindText("x", false, true);
    f.P()->FindNext();
    f.P()->FindNext();
    f.P()->FindNext();
    // The position went back to the page's start when the search moved on.
    EXPECT_EQ(f.P()->FoundPage(), 1);
    f.P()->SetPageNo(1);
    f.P()->FindText("x", false, false);
    EXPECT_EQ(f.P()->FoundPage(), 0);
    EXPECT_NEAR(f.P()->FoundRect().top(), 10, 0.5);
}

TEST(Preview, F3BeforeAnyFindDoesNothing)
{
    TPreviewFixture f(2);
    f.Report.PreviewOptions()->SetButtons(TqdzPreviewOptions::DefaultButtons());
    QStringList shown;
    TScopedDialogHook hook([&](TDialogRequest &R) {
        shown.append(R.Text);
        return 1;
    });
    Word k = VK_F3;
    f.P()->KeyDown(k, {});
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(f.P()->FoundPage(), -1);
}

TEST(Preview, HyperlinkClicksReachTheStoreInPageUnits)
{
    TPreviewFixture f(2);
    f.Pages()->Pages[0].Link = Rect(100, 100, 200, 140);
    TqdzPreviewWorkspace *w = f.P()->Workspace();
    const TRect r = w->PageRect(0);
    FormHarness::MouseMove(w, Point(r.Left + 150, r.Top + 120));
    EXPECT_EQ(w->Cursor(), crHandPoint);
    FormHarness::Click(w, Point(r.Left + 150, r.Top + 120));
    ASSERT_EQ(f.Pages()->Clicks.size(), 1);
    EXPECT_EQ(f.Pages()->Clicks[0], "0:150,120");
    FormHarness::MouseMove(w, Point(r.Left + 10, r.Top + 10));
    EXPECT_EQ(w->Cursor(), crDefault);
}

TEST(Preview, SaveOpenAddAndDeletePages)
{
    TPreviewFixture f(2);
    f.P()->SaveToFile("/tmp/x/report.txt");
    EXPECT_EQ(f.Pages()->Saved, QStringList{"/tmp/x/report.qe3"});
    f.P()->LoadFromFile("/tmp/x/other.qe3");
    EXPECT_EQ(f.Pages()->Loaded, QStringList{"/tmp/x/other.qe3"});
    EXPECT_EQ(f.P()->PageCount(), 3);
    EXPECT_EQ(f.P()->Workspace()->PageList().Count(), 3);
    EXPECT_FALSE(f.P()->MessagePanel()->Visible());
    f.P()->SetPageNo(3);
    f.P()->DeletePage();
    EXPECT_EQ(f.P()->PageCount(), 2);
    EXPECT_EQ(f.P()->PageNo(), 2);
    f.P()->AddPage();
    EXPECT_EQ(f.P()->PageCount(), 3);
    f.P()->Print();
    EXPECT_EQ(f.Pages()->PrintedFrom, QList<int>{1});
}

TEST(PreviewForm, ZoomBoxTakesTypedPercent)
{
    TPreviewFixture f(3);
    f.Form.ZoomCB->SetText("75 %");
    f.Form.ZoomCBClick(nullptr);
    EXPECT_DOUBLE_EQ(f.P()->Zoom(), 0.75);
    FormHarness::ProcessEvents(20);
    EXPECT_EQ(f.Form.ZoomCB->Text(), "75%");
}

TEST(PreviewForm, EscapeWhileBuildingStopsTheBuildAndTheWindowStays)
{
    TPreviewFixture f(0);
    f.Report.SetPreview(f.P());
    auto *engine = static_cast<TFakeEngine *>(f.Report.Engine());
    engine->PagesToBuild = 60;
    int pagesWhenEscaped = 0;
    engine->OnPage = [&](int N) {
        if (N == 5) {
            EXPECT_TRUE(f.P()->Building());
            // The first pages are shown one by one while building.
            EXPECT_EQ(f.P()->Workspace()->PageList().Count(), 4);
            Word k = VK_ESCAPE;
            f.Form.FormKeyDown(&f.Form, k, {});
            bool canClose = true;
            f.Form.FormCloseQuery(&f.Form, canClose);
            EXPECT_FALSE(canClose);
            pagesWhenEscaped = N;
        }
    };
    f.Report.BuildReport();
    EXPECT_TRUE(f.Report.Terminated());
    EXPECT_EQ(pagesWhenEscaped, 5);
    EXPECT_LT(f.Pages()->GetCount(), 60);
    EXPECT_FALSE(f.P()->Building());
    EXPECT_TRUE(f.Form.Visible());
    EXPECT_EQ(f.P()->Workspace()->PageList().Count(), f.Pages()->GetCount());
}

TEST(PreviewForm, FullScreenHidesTheBarsAndComesBackAsItWas)
{
    const struct {
        TFormBorderStyle Border;
        TWindowState State;
        bool ByKey;
    } cases[] = {{bsSingle, wsNormal, false}, {bsSizeable, wsMaximized, false}, {bsSizeable, wsNormal, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(int(c.Border) * 10 + int(c.State) + (c.ByKey ? 100 : 0));
        TPreviewFixture f(2);
        f.Form.SetBorderStyle(c.Border);
        f.Form.SetWindowState(c.State);
        FormHarness::ProcessEvents(20);
        const QWidget *w = f.Form.Widget();
        auto toggle = [&] {
            if (c.ByKey && !f.Form.FullScreen()) {
                // Through the focused control, as typed.
                ASSERT_TRUE(FormHarness::ShowAndActivate(&f.Form));
                ASSERT_EQ(QApplication::activeWindow(), w);
                FormHarness::Key(Qt::Key_F11);
            } else if (c.ByKey) {
                // The frameless window was re-created; the key goes to it directly.
                QTest::keyClick(f.Form.Widget(), Qt::Key_F11);
            } else {
                f.Form.FullScreenBtn->Click();
            }
            FormHarness::ProcessEvents(20);
        };
        toggle();
        EXPECT_TRUE(f.Form.FullScreen());
        EXPECT_FALSE(f.Form.ToolBar->Visible());
        EXPECT_FALSE(f.Form.StatusBar->Visible());
        EXPECT_EQ(f.Form.BorderStyle(), bsNone);
        EXPECT_TRUE(w->windowFlags().testFlag(Qt::FramelessWindowHint));
        EXPECT_EQ(f.Form.WindowState(), wsMaximized);
        // The pages take the whole window.
        EXPECT_EQ(f.P()->Top(), 0);
        EXPECT_EQ(f.P()->Height(), f.Form.ClientHeight());
        toggle();
        EXPECT_FALSE(f.Form.FullScreen());
        EXPECT_TRUE(f.Form.ToolBar->Visible());
        EXPECT_TRUE(f.Form.StatusBar->Visible());
        EXPECT_EQ(f.Form.BorderStyle(), c.Border);
        EXPECT_FALSE(w->windowFlags().testFlag(Qt::FramelessWindowHint));
        EXPECT_EQ(f.Form.WindowState(), c.State);
        EXPECT_GT(f.P()->Top(), 0);
        EXPECT_LT(f.P()->Top() + f.P()->Height(), f.Form.StatusBar->Top() + 1);
    }
}

TEST(PreviewForm, FullScreenEndsWhenAnotherWindowTakesOver)
{
    TPreviewFixture f(2);
    ASSERT_TRUE(FormHarness::ShowAndActivate(&f.Form));
    f.Form.FullScreenBtn->Click();
    FormHarness::ProcessEvents(20);
    // Re-making the frameless window is no leaving.
    ASSERT_TRUE(f.Form.FullScreen());
    // The window manager gives the re-made window the focus back; the
    // offscreen platform has none to do it.
    QApplication::setActiveWindow(f.Form.Widget());
    FormHarness::ProcessEvents(20);
    ASSERT_EQ(QApplication::activeWindow(), f.Form.Widget());
    ASSERT_TRUE(f.Form.FullScreen());
    TForm other(nullptr);
    other.SetBounds(10, 10, 200, 100);
    ASSERT_TRUE(FormHarness::ShowAndActivate(&other));
    FormHarness::ProcessEvents(20);
    EXPECT_FALSE(f.Form.FullScreen());
    EXPECT_TRUE(f.Form.ToolBar->Visible());
    EXPECT_TRUE(f.Form.StatusBar->Visible());
    EXPECT_EQ(f.Form.BorderStyle(), bsSizeable);
    // The window taking over keeps the focus.
    EXPECT_EQ(QApplication::activeWindow(), other.Widget());
}

// Every paint while the engine runs rebuilds the pages shown: a new page out
// of view repaints nothing, one in view does.
TEST(PreviewForm, BuildingRepaintsOnlyForPagesInView)
{
    for (const double zoom : {1.0, 0.25}) {
        SCOPED_TRACE(zoom);
        TPreviewFixture f(0);
        f.Report.SetPreview(f.P());
        f.P()->SetZoom(zoom);
        auto *engine = static_cast<TFakeEngine *>(f.Report.Engine());
        engine->PagesToBuild = 45;
        int drawsWhileBuilding = 0;
        engine->OnPage = [&](int N) {
            if (N == 45)
                drawsWhileBuilding = f.Pages()->Draws;
        };
        f.Pages()->Draws = 0;
        f.Report.BuildReport();
        EXPECT_EQ(f.P()->Workspace()->PageList().Count(), 45);
        // At zoom 1 pages 1 and 2 show; at 0.25 two rows of three.
        if (zoom == 1.0)
            EXPECT_LE(drawsWhileBuilding, 6);
        else
            EXPECT_GE(drawsWhileBuilding, 6);
        EXPECT_LT(drawsWhileBuilding, 40);
    }
}

TEST(Preview, LooksRightAtSeveralZooms)
{
    TPreviewFixture f(6, 900, 700);
    for (int i = 0; i < 6; ++i)
        f.Pages()->Pages[size_t(i)].Texts = {{80, 80, QString("Page %1 heading").arg(i + 1)},
                                             {80, 140, "Apple 12.50 kg"}};
    f.Report.PreviewOptions()->SetButtons(TqdzPreviewOptions::DefaultButtons());
    const QString dir = TestFile("preview-shots");
    QDir().mkpath(dir);
    for (double z : {0.25, 0.5, 1.0}) {
        f.P()->SetZoom(z);
        FormHarness::ProcessEvents(20);
        const QImage img = FormHarness::Grab(&f.Form);
        ASSERT_FALSE(img.isNull());
        img.save(dir + QString("/zoom-%1.png").arg(int(z * 100)));
        // Background grey around a white page.
        const TRect r = f.P()->Workspace()->PageRect(0);
        const QImage ws = FormHarness::Grab(f.P()->Workspace());
        EXPECT_EQ(ws.pixelColor(2, 2), QColor(128, 128, 128));
        EXPECT_EQ(ws.pixelColor(r.Left + 3, r.Top + 3), QColor(Qt::white));
    }
    f.P()->SetThumbnailVisible(true);
    FormHarness::ProcessEvents(20);
    FormHarness::Grab(&f.Form).save(dir + "/thumbnails.png");
    f.P()->SetOutlineVisible(true);
    FormHarness::ProcessEvents(20);
    FormHarness::Grab(&f.Form).save(dir + "/outline.png");
}
