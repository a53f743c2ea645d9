// Preview window: export buttons and menu, right-click and hidden menus, drill-down, outline menu, page settings.
#include "TestFiles.h"
#include "EngineHarness.h"
#include "FormHarness.h"
#include "PreviewFakes.h"
#include "platform/Dialogs.h"
#include "report/preview/qdzPreview.h"
#include "report/preview/qdzPreviewForm.h"
#include "report/engine/qdzPrinter.h"
#include "report/model/qdzDsgnIntf.h"
#include "report/model/qdzExportFilter.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

// Filters standing in for export units; the preview knows two of them by class name.
class TTestExportBase : public TqdzCustomExportFilter
{
public:
    bool Start() override { return true; }
    void BeginPage(TqdzReportPage *) override {}
    void ExportObject(TqdzComponent *) override {}
    void Finish() override {}
};

class TqdzPDFExport : public TTestExportBase
{
    STATION_CLASS(TqdzPDFExport, TTestExportBase)
public:
    QString GetDescription() const override { return QStringLiteral("Adobe PDF file"); }
};
STATION_PUBLISHED(TqdzPDFExport) {}

class TqdzMailExport : public TTestExportBase
{
    STATION_CLASS(TqdzMailExport, TTestExportBase)
public:
    QString GetDescription() const override { return QStringLiteral("E-mail"); }
};
STATION_PUBLISHED(TqdzMailExport) {}

class TTestCsvExport : public TTestExportBase
{
    STATION_CLASS(TTestCsvExport, TTestExportBase)
public:
    QString GetDescription() const override { return QStringLiteral("CSV file"); }
};
STATION_PUBLISHED(TTestCsvExport) {}

// The report's default filter: the one that prints dot-matrix reports.
class TTestDotMatrixExport : public TTestExportBase
{
    STATION_CLASS(TTestDotMatrixExport, TTestExportBase)
public:
    bool DotMatrix() const override { return true; }
};
STATION_PUBLISHED(TTestDotMatrixExport) {}

namespace {

// Registers filters for the life of the object.
class TScopedFilters
{
public:
    explicit TScopedFilters(std::vector<TqdzCustomExportFilter *> Filters)
    {
        for (TqdzCustomExportFilter *f : Filters)
            static_cast<TqdzExportFilterItem *>(qdzExportFilters()->Add())->Filter = f;
    }
    ~TScopedFilters() { qdzExportFilters()->Clear(); }
    TScopedFilters(const TScopedFilters &) = delete;
    TScopedFilters &operator=(const TScopedFilters &) = delete;
};

struct TFormFixture
{
    explicit TFormFixture(int Pages, TqdzPreviewButtons Buttons = TqdzPreviewOptions::DefaultButtons())
        : Report(nullptr), Form(nullptr)
    {
        Report.PreviewOptions()->SetMaximized(false);
        Report.PreviewOptions()->SetButtons(Buttons);
        for (int i = 0; i < Pages; ++i)
            FakePages(&Report)->AddPage(nullptr);
        Form.Preview->SetReport(&Report);
        Form.Init();
        Form.Show();
        FormHarness::ProcessEvents();
        Form.Preview->Init();
    }
    TFakeBuild Fakes;
    TqdzReport Report;
    TqdzPreviewForm Form;
    TFakePages *Pages() { return FakePages(&Report); }
};

QStringList Captions(TPopupMenu *Menu)
{
    QStringList l;
    for (int i = 0; i < Menu->Items()->Count(); ++i)
        l << Menu->Items()->Items(i)->Caption();
    return l;
}

// Closes the popup menu that a test opens, once it shows.
void ClosePopupSoon()
{
    QTimer::singleShot(0, [] {
        if (QWidget *w = QApplication::activePopupWidget())
            w->close();
    });
}

} // namespace

TEST(PreviewForm, ExportFiltersDecideTheExportButtons)
{
    TqdzPDFExport pdf;
    TqdzMailExport mail;
    TTestCsvExport csv;
    TTestDotMatrixExport dmp;
    const TqdzPreviewButtons quick = TqdzPreviewOptions::DefaultButtons();
    TqdzPreviewButtons noQuick = quick;
    noQuick.Exclude(pbExportQuick);
    TqdzPreviewButtons noEmail = quick;
    noEmail.Include(pbNoEmail);
    TqdzPreviewButtons noExport = quick;
    noExport.Exclude(pbExport);
    const struct {
        const char *Name;
        std::vector<TqdzCustomExportFilter *> Filters;
        TqdzPreviewButtons Buttons;
        bool Export, Pdf, Email, EmailFilter;
        QStringList Items;
    } cases[] = {
        {"none", {}, quick, false, false, false, false, {}},
        {"default only", {&dmp}, quick, false, false, false, false, {}},
        {"csv", {&csv}, quick, true, false, false, false, {"CSV file..."}},
        {"all", {&dmp, &csv, &pdf, &mail}, quick, true, true, true, true,
         {"CSV file...", "Adobe PDF file...", "E-mail..."}},
        {"no quick", {&pdf, &mail}, noQuick, true, false, false, true, {"Adobe PDF file...", "E-mail..."}},
        {"no email", {&pdf, &mail}, noEmail, true, true, false, false, {"Adobe PDF file...", "E-mail..."}},
        {"no export", {&csv, &pdf}, noExport, false, true, false, false, {"CSV file...", "Adobe PDF file..."}},
    };
    for (const auto &c : cases) {
        TScopedFilters reg(c.Filters);
        TFormFixture f(2, c.Buttons);
        EXPECT_EQ(f.Form.ExportB->Visible(), c.Export) << c.Name;
        EXPECT_EQ(f.Form.PdfB->Visible(), c.Pdf) << c.Name;
        EXPECT_EQ(f.Form.EmailB->Visible(), c.Email) << c.Name;
        EXPECT_EQ(Captions(f.Form.ExportPopup), c.Items) << c.Name;
        EXPECT_EQ(f.Form.EmailExport() != nullptr, c.EmailFilter) << c.Name;
        EXPECT_EQ(f.Form.PdfExport() != nullptr, std::find(c.Filters.begin(), c.Filters.end(), &pdf) != c.Filters.end())
            << c.Name;
    }
}

TEST(PreviewForm, ExportItemsAndQuickButtonsExportWithTheirFilter)
{
    TqdzPDFExport pdf;
    TqdzMailExport mail;
    TTestCsvExport csv;
    TScopedFilters reg({&csv, &pdf, &mail});
    TFormFixture f(3);
    struct TCount {
        int N = 0;
        void Popped(TObject *) { ++N; }
    } count;
    f.Form.ExportPopup->SetOnPopup(TNotifyEvent(&count, &TCount::Popped));
    ClosePopupSoon();
    f.Form.ExportBClick(nullptr);
    EXPECT_EQ(count.N, 1);
    f.Form.Preview->SetPageNo(2);
    f.Form.ExportPopup->Items()->Items(0)->Click();
    f.Form.PdfBClick(nullptr);
    f.Form.EmailBClick(nullptr);
    const std::vector<TqdzCustomExportFilter *> expected{&csv, &pdf, &mail};
    EXPECT_EQ(f.Pages()->Exported, expected);
    EXPECT_EQ(f.Pages()->CurPage(), 1);
    // A filter whose unit has gone since the menu was filled is not used.
    qdzExportFilters()->Delete(1);
    f.Form.PdfBClick(nullptr);
    EXPECT_EQ(f.Pages()->Exported.size(), 3u);
}

TEST(PreviewForm, LooksRightWithEveryButton)
{
    TqdzPDFExport pdf;
    TqdzMailExport mail;
    TScopedFilters reg({&pdf, &mail});
    TFormFixture f(4);
    f.Form.ToolBar->SetShowCaptions(false);
    FormHarness::ProcessEvents(20);
    const QString dir = TestFile("preview-shots");
    QDir().mkpath(dir);
    const QImage img = FormHarness::Grab(&f.Form);
    ASSERT_FALSE(img.isNull());
    img.save(dir + "/export-buttons.png");
    // The corner between the scroll bars is no white hole.
    const QImage ws = FormHarness::Grab(f.Form.Preview->Workspace());
    EXPECT_NE(ws.pixelColor(ws.width() - 3, ws.height() - 3), QColor(Qt::white));
    // The tool bar's panels sit in their own slots, clear of the buttons.
    for (TToolButton *b : {f.Form.ZoomPlusB, f.Form.ZoomMinusB, f.Form.PriorB, f.Form.NextB, f.Form.LastB}) {
        const TRect r = b->BoundsRect();
        for (TControl *p : {static_cast<TControl *>(f.Form.Sep3), static_cast<TControl *>(f.Form.Sep4),
                            static_cast<TControl *>(f.Form.qdTBPanel1)}) {
            const TRect q = p->BoundsRect();
            EXPECT_TRUE(r.Right <= q.Left || q.Right <= r.Left) << b->Name().toStdString();
        }
    }
}

TEST(PreviewForm, RightMenuMirrorsTheVisibleButtons)
{
    TFormFixture all(3);
    EXPECT_EQ(Captions(all.Form.RightMenu).join('|').toStdString(),
              "Print|Open|Save|Find|-|Zoom in|Zoom out|Full screen|-|Outline|Thumbnails|Page settings|Edit|-|"
              "First|Prior|Next|Last");
    // A menu item does what its button does.
    all.Form.RightMenu->Items()->Find("Next")->Click();
    EXPECT_EQ(all.Form.Preview->PageNo(), 2);
    all.Form.RightMenu->Items()->Find("Outline")->Click();
    EXPECT_TRUE(all.Form.OutlineB->Down());
    EXPECT_TRUE(all.Form.Preview->OutlineVisible());
    // Opening the menu shows the buttons' state.
    all.Form.PrintB->SetEnabled(false);
    ClosePopupSoon();
    all.Form.RightMenu->Popup(0, 0);
    EXPECT_TRUE(all.Form.RightMenu->Items()->Find("Outline")->Checked());
    EXPECT_FALSE(all.Form.RightMenu->Items()->Find("Print")->Enabled());
    // The page area's right click opens it.
    EXPECT_EQ(all.Form.Preview->Workspace()->PopupMenu(), all.Form.RightMenu);

    TFormFixture few(3, TqdzPreviewButtons{pbPrint, pbNavigator});
    EXPECT_EQ(Captions(few.Form.RightMenu).join('|').toStdString(), "Print|-|First|Prior|Next|Last");
}

TEST(PreviewForm, RightButtonOnTheDesignerButtonShowsTheHiddenMenu)
{
    TFormFixture f(2);
    struct TCount {
        int N = 0;
        void Popped(TObject *) { ++N; }
    } count;
    f.Form.HiddenMenu->SetOnPopup(TNotifyEvent(&count, &TCount::Popped));
    f.Form.DesignerBMouseUp(f.Form.DesignerB, mbLeft, {}, 1, 1);
    EXPECT_EQ(count.N, 0);
    ClosePopupSoon();
    f.Form.DesignerBMouseUp(f.Form.DesignerB, mbRight, {}, 1, 1);
    EXPECT_EQ(count.N, 1);
    ASSERT_EQ(f.Form.HiddenMenu->Items()->Count(), 1);
    EXPECT_EQ(f.Form.HiddenMenu->Items()->Items(0), f.Form.Showtemplate1);
    // Without a report designer neither the template nor a page can be edited:
    // nothing happens to the built pages.
    f.Form.Showtemplate1->Click();
    f.Form.DesignerBClick(nullptr);
    EXPECT_FALSE(f.Form.Preview->Edit());
    EXPECT_EQ(f.Pages()->GetCount(), 2);
}

TEST(PreviewForm, EditWhileBuildingOrWithoutPagesDoesNothing)
{
    TFormFixture f(0);
    EXPECT_FALSE(f.Form.Preview->Edit());
    f.Report.SetPreview(f.Form.Preview);
    auto *engine = static_cast<TFakeEngine *>(f.Report.Engine());
    engine->PagesToBuild = 3;
    bool during = true;
    engine->OnPage = [&](int) { during = during && !f.Form.Preview->Edit(); };
    f.Report.BuildReport();
    EXPECT_TRUE(during);
    EXPECT_EQ(f.Pages()->GetCount(), 3);
}

TEST(PreviewOutline, PopupCollapsesAndExpandsTheTree)
{
    TFormFixture f(3);
    auto *outline = static_cast<TFakeOutline *>(f.Pages()->Outline());
    ASSERT_NE(outline, nullptr);
    outline->Items = {{"Group A", 0, 10}, {"Group B", 1, 10}};
    f.Form.Preview->UpdateOutline();
    TTreeView *tree = f.Form.Preview->OutlineTree();
    ASSERT_EQ(tree->Items()->Count(), 2);
    // Nodes with children, so collapsing shows.
    TTreeNode *a = tree->Items()->Item(0), *b = tree->Items()->Item(1);
    TTreeNode *inner = tree->Items()->AddChild(tree->Items()->AddChild(a, "Line 1"), "Detail");
    tree->Items()->AddChild(b, "Line 2");
    TPopupMenu *menu = f.Form.Preview->OutlinePopup();
    EXPECT_EQ(Captions(menu), (QStringList{"Collapse all", "Expand all"}));
    f.Form.OutlineB->Click();
    FormHarness::ProcessEvents(20);
    for (int round = 0; round < 2; ++round) {
        menu->Items()->Items(1)->Click();
        if (round == 0) {
            FormHarness::ProcessEvents(20);
            const QString dir = TestFile("preview-shots");
            QDir().mkpath(dir);
            FormHarness::Grab(&f.Form).save(dir + "/outline-items.png");
        }
        for (TTreeNode *n : {a, b, inner->Parent()})
            EXPECT_TRUE(n->Expanded()) << n->Text().toStdString();
        menu->Items()->Items(0)->Click();
        for (TTreeNode *n : {a, b, inner->Parent()})
            EXPECT_FALSE(n->Expanded()) << n->Text().toStdString();
    }
}

TEST(PreviewForm, CollapseAndExpandAllDrillDownGroups)
{
    EngineHarness h;
    auto *ds = h.DataSet("DS", 150);
    h.Handlers.Values = [&](const QString &N) -> Variant {
        return N == "Key" ? Variant(QString(QChar('A' + ds->RecNo() / 50))) : Variant();
    };
    auto *gh = h.Band<TqdzGroupHeader>("GH", 0, 20);
    gh->SetCondition("Key");
    gh->SetDrillDown(true);
    h.Memo(gh, "G", "G[Key]");
    auto *md = h.Band<TqdzMasterData>("MD", 30, 20);
    md->SetDataSet(ds);
    h.Memo(md, "M", "[Line]");
    h.Report->PreviewOptions()->SetMaximized(false);
    ASSERT_TRUE(h.Build()) << h.Errors().join('|').toStdString();
    // Nothing listed and ExpandDrillDown off: every group is closed.
    const int closedRows = int(h.AllTexts().size());
    EXPECT_EQ(closedRows, 3);
    EXPECT_EQ(h.PageCount(), 1);

    TqdzPreviewForm form(nullptr);
    form.Preview->SetReport(h.Report.get());
    form.Init();
    form.Show();
    form.Preview->Init();
    EXPECT_TRUE(Captions(form.RightMenu).join('|').endsWith("|Last|-|Collapse all|Expand all"));
    form.ExpandAllClick(nullptr);
    FormHarness::ProcessEvents(20);
    const QString dir = TestFile("preview-shots");
    QDir().mkpath(dir);
    FormHarness::Grab(&form).save(dir + "/drill-expanded.png");
    EXPECT_EQ(h.AllTexts().size(), 153);
    EXPECT_GE(h.PageCount(), 3);
    EXPECT_EQ(form.StatusBar->Panels()->Items(0)->Text(), QString("Page 1 of %1").arg(h.PageCount()));
    EXPECT_EQ(form.Preview->PageCount(), h.PageCount());
    EXPECT_EQ(form.Preview->Workspace()->PageList().Count(), h.PageCount());
    EXPECT_TRUE(gh->ExpandDrillDown());

    // A group opened by a click is closed too.
    form.Preview->SetPageNo(3);
    h.Report->DrillState()->Add("GH.2");
    form.CollapseAllClick(nullptr);
    FormHarness::ProcessEvents(20);
    FormHarness::Grab(&form).save(dir + "/drill-collapsed.png");
    EXPECT_EQ(h.AllTexts().size(), size_t(closedRows));
    EXPECT_EQ(h.PageCount(), 1);
    EXPECT_EQ(h.Report->DrillState()->Count(), 0);
    EXPECT_EQ(form.Preview->PageNo(), 1);
    EXPECT_EQ(form.Preview->Workspace()->VertPosition(), 0);
    EXPECT_EQ(form.Preview->Workspace()->PageList().Count(), 1);
    EXPECT_EQ(form.StatusBar->Panels()->Items(0)->Text(), "Page 1 of 1");
}

TEST(PreviewForm, ReportWithoutDrillDownHasNoCollapseItems)
{
    TFormFixture f(1);
    EXPECT_FALSE(Captions(f.Form.RightMenu).contains("Collapse all"));
}

// -------------------------------------------------------------- page settings

TEST(PageSettings, SizeBoxUnitsAndOrientation)
{
    const struct {
        TqdzDesignerUnits Units;
        const char *Unit, *A4W, *A4H, *Margin;
    } cases[] = {
        {TqdzDesignerUnits::duCM, "cm", "21", "29.7", "1"},
        {TqdzDesignerUnits::duInches, "in", "8.27", "11.69", "0.39"},
        // Pixels and characters are centimetres, and the labels say so.
        {TqdzDesignerUnits::duPixels, "cm", "21", "29.7", "1"},
        {TqdzDesignerUnits::duChars, "cm", "21", "29.7", "1"},
    };
    for (const auto &c : cases) {
        qdzDesignerUnits() = c.Units;
        TqdzPageSettingsForm d(nullptr);
        qdzDesignerUnits() = TqdzDesignerUnits::duCM;
        ASSERT_EQ(d.SizeCB->Items()->Count(), 67);
        EXPECT_EQ(d.SizeCB->Items()->Strings(0).toStdString(), "Custom");
        EXPECT_EQ(d.SizeCB->Items()->Strings(9).toStdString(), "A4");
        for (TLabel *l : {d.WidthUL, d.HeightUL, d.MarginLeftUL, d.MarginBottomUL})
            EXPECT_EQ(l->Caption().toStdString(), c.Unit);
        TqdzReportPage page(nullptr);
        page.SetPaperWidth(210);
        page.SetPaperHeight(297);
        page.SetLeftMargin(10);
        page.SetTopMargin(10);
        page.SetRightMargin(10);
        page.SetBottomMargin(10);
        d.SetPage(&page);
        EXPECT_EQ(d.SizeCB->ItemIndex(), 0);
        EXPECT_EQ(d.WidthE->Text().toStdString(), c.A4W);
        EXPECT_EQ(d.MarginLeftE->Text().toStdString(), c.Margin);
        // Untouched values go back exactly, whatever the rounding shown.
        page.SetLeftMargin(7.3);
        d.SetPage(&page);
        TqdzReportPage target(nullptr);
        d.ApplyTo(&target);
        EXPECT_DOUBLE_EQ(target.PaperWidth(), 210);
        EXPECT_DOUBLE_EQ(target.LeftMargin(), 7.3);
        d.MarginLeftE->SetText(c.Margin);
        d.ApplyTo(&target);
        EXPECT_NEAR(target.LeftMargin(), 10, c.Units == TqdzDesignerUnits::duInches ? 0.1 : 1e-9);

        // Choosing A5 fills the size; in landscape turned.
        d.SizeCB->SetItemIndex(11);
        d.SizeCBClick(nullptr);
        EXPECT_EQ(d.PaperSize(), 11);
        EXPECT_EQ(d.SizeCB->ItemIndex(), 11);
        d.LandscapeRB->SetChecked(true);
        EXPECT_FALSE(d.PortraitImg->Visible());
        EXPECT_TRUE(d.LandscapeImg->Visible());
        // Chosen from the list as a user does.
        auto *combo = qobject_cast<QComboBox *>(d.SizeCB->Widget());
        ASSERT_NE(combo, nullptr);
        combo->setCurrentIndex(9);
        emit combo->activated(9);
        EXPECT_EQ(d.WidthE->Text().toStdString(), c.A4H);
        EXPECT_EQ(d.HeightE->Text().toStdString(), c.A4W);
        // Typing a size makes it custom; choosing custom keeps what was typed.
        d.WidthE->SetText("30");
        EXPECT_EQ(d.SizeCB->ItemIndex(), 0);
        d.SizeCB->SetItemIndex(0);
        d.SizeCBClick(nullptr);
        EXPECT_EQ(d.WidthE->Text().toStdString(), "30");
        EXPECT_EQ(d.PaperSize(), 256);
        // A custom sheet turns with the orientation.
        d.PortraitRB->SetChecked(true);
        EXPECT_EQ(d.HeightE->Text().toStdString(), "30");
        EXPECT_TRUE(d.PortraitImg->Visible());
        EXPECT_FALSE(d.LandscapeImg->Visible());
    }
}

TEST(PageSettings, RefusesSizesOfZeroOrLessAndBadMargins)
{
    TqdzPageSettingsForm d(nullptr);
    QStringList shown;
    TScopedDialogHook hook([&](TDialogRequest &R) {
        shown << R.Text;
        return 1;
    });
    for (TEdit *e : {d.MarginLeftE, d.MarginTopE, d.MarginRightE, d.MarginBottomE})
        e->SetText("1");
    const struct {
        const char *W, *H, *Margin;
        bool Ok;
    } cases[] = {{"21", "29.7", "1", true}, {"0", "29.7", "1", false}, {"21", "-1", "1", false},
                 {"", "10", "1", false},    {"x", "1", "1", false},     {"21", "29.7", "-0.5", false},
                 {"21", "29.7", "", false}, {"21", "29.7", "0", true},  {"inf", "1", "1", false}};
    for (const auto &c : cases) {
        d.WidthE->SetText(c.W);
        d.HeightE->SetText(c.H);
        d.MarginTopE->SetText(c.Margin);
        shown.clear();
        EXPECT_EQ(d.CheckValues(), c.Ok) << c.W << " " << c.H << " " << c.Margin;
        EXPECT_EQ(shown, c.Ok ? QStringList() : QStringList{"Invalid number"});
    }
    d.WidthE->SetText("0");
    d.OkBClick(nullptr);
    EXPECT_NE(d.ModalResult(), mrOk);
}

TEST(PageSettings, OkChangesTheTemplatePagesAndBuildsAgain)
{
    qdzInstallPaperHooks();
    for (bool all : {false, true}) {
        EngineHarness h;
        auto *page2 = h.NewPage("Page2");
        for (TqdzReportPage *p : {h.Page, page2})
        {
            auto *md = h.Band<TqdzMasterData>(p->Name() + "MD", 0, 20, p);
            md->SetRowCount(1);
            h.Memo(md, p->Name() + "M", p->Name());
        }
        h.Report->PreviewOptions()->SetMaximized(false);
        ASSERT_TRUE(h.Build()) << h.Errors().join('|').toStdString();
        ASSERT_EQ(h.PageCount(), 2);
        TqdzPreviewForm form(nullptr);
        form.Preview->SetReport(h.Report.get());
        form.Init();
        form.Show();
        form.Preview->Init();
        form.Preview->SetPageNo(2);
        bool seen = false;
        FormHarness::Later([&] {
            TqdzPageSettingsForm *d = FormHarness::ShownForm<TqdzPageSettingsForm>();
            ASSERT_NE(d, nullptr);
            seen = true;
            // The dialog shows the current built page.
            EXPECT_EQ(d->SizeCB->ItemIndex(), 9);
            EXPECT_EQ(d->HeightE->Text().toStdString(), "29.7");
            d->LandscapeRB->SetChecked(true);
            d->SizeCB->SetItemIndex(11);
            d->SizeCBClick(nullptr);
            d->MarginLeftE->SetText("2.5");
            d->MarginTopE->SetText("0.5");
            d->ApplyToAllRB->SetChecked(all);
            d->OkB->Click();
        });
        form.PageSettingsBClick(nullptr);
        ASSERT_TRUE(seen);
        // The current page's template (or each one) is A5 landscape in millimetres.
        for (TqdzReportPage *p : {h.Page, page2}) {
            const bool changed = all || p == page2;
            EXPECT_EQ(p->Orientation() == poLandscape, changed) << p->Name().toStdString();
            EXPECT_EQ(p->PaperSize(), changed ? 11 : 9) << p->Name().toStdString();
            EXPECT_DOUBLE_EQ(p->PaperWidth(), 210) << p->Name().toStdString();
            EXPECT_DOUBLE_EQ(p->PaperHeight(), changed ? 148 : 297) << p->Name().toStdString();
            EXPECT_DOUBLE_EQ(p->LeftMargin(), changed ? 25 : 10) << p->Name().toStdString();
            EXPECT_DOUBLE_EQ(p->TopMargin(), changed ? 5 : 10) << p->Name().toStdString();
        }
        // Built again: the built pages have the new paper.
        const TPoint size2 = h.Store()->GetPageSize(1);
        EXPECT_EQ(size2.X, Round(210 * qdzPixelsPerMM));
        EXPECT_EQ(size2.Y, Round(148 * qdzPixelsPerMM));
        EXPECT_EQ(h.Store()->GetPageSize(0).Y, Round((all ? 148 : 297) * qdzPixelsPerMM));
        EXPECT_EQ(form.Preview->PageNo(), 2);
    }
}

TEST(PageSettings, CancelChangesNothing)
{
    qdzInstallPaperHooks();
    EngineHarness h;
    h.Band<TqdzMasterData>("MD", 0, 20)->SetRowCount(1);
    ASSERT_TRUE(h.Build());
    TqdzPreviewForm form(nullptr);
    form.Preview->SetReport(h.Report.get());
    form.Init();
    form.Preview->Init();
    FormHarness::Later([] {
        TqdzPageSettingsForm *d = FormHarness::ShownForm<TqdzPageSettingsForm>();
        ASSERT_NE(d, nullptr);
        d->SizeCB->SetItemIndex(11);
        d->SizeCBClick(nullptr);
        d->CancelB->Click();
    });
    form.PageSettingsBClick(nullptr);
    EXPECT_EQ(h.Page->PaperSize(), 9);
    EXPECT_DOUBLE_EQ(h.Page->PaperHeight(), 297);
}

TEST(PageSettings, LooksRight)
{
    TqdzPageSettingsForm d(nullptr);
    TqdzReportPage page(nullptr);
    page.SetPaperWidth(210);
    page.SetPaperHeight(297);
    page.SetPaperSize(9);
    d.SetPage(&page);
    d.Show();
    FormHarness::ProcessEvents(20);
    const QString dir = TestFile("preview-shots");
    QDir().mkpath(dir);
    const QImage img = FormHarness::Grab(&d);
    ASSERT_FALSE(img.isNull());
    img.save(dir + "/page-settings.png");
    // The portrait sheet is drawn white in its picture.
    const QImage pic = FormHarness::Grab(d.PortraitImg);
    EXPECT_EQ(pic.pixelColor(pic.width() / 2, pic.height() / 2 - 10), QColor(Qt::white));
}
