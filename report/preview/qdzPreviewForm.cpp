// The preview window, the search dialog and the page settings dialog.
#include "report/preview/qdzPreviewForm.h"

#include "platform/Dialogs.h"
#include "platform/Printers.h"
#include "platform/SysUtils.h"
#include "report/preview/qdzPreview.h"
#include "report/engine/qdzPrinter.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzDsgnIntf.h"
#include "report/model/qdzExportFilter.h"
#include "report/model/qdzRes.h"
#include "report/model/qdzVariables.h"

#include <QApplication>
#include <QComboBox>
#include <QPointer>
#include <algorithm>
#include <cmath>

STATION_PUBLISHED(TqdzPreviewForm) {}
STATION_PUBLISHED(TqdzSearchDialog) {}
STATION_PUBLISHED(TqdzPageSettingsForm) {}

namespace {

QString Res(const char *Key)
{
    return qdzResources()->ResourceText(QString::fromLatin1(Key));
}

// The search text, kept while the program runs.
QString &LastSearchText()
{
    static QString Text;
    return Text;
}

} // namespace

// --------------------------------------------------------------- TqdzPreviewForm

TToolButton *TqdzPreviewForm::Button(const QString &Name, int Caption, int Hint, int Image)
{
    auto *b = new TToolButton(this);
    b->SetName(Name);
    b->SetParent(ToolBar);
    b->SetImageIndex(Image);
    if (Caption)
        b->SetCaption(qdzGet(Caption));
    if (Hint)
        b->SetHint(qdzGet(Hint));
    return b;
}

TqdzPreviewForm::TqdzPreviewForm(TComponent *AOwner) : TqdzCustomPreviewForm(AOwner)
{
    SetClientWidth(803);
    SetClientHeight(584);
    SetPosition(poScreenCenter);
    SetKeyPreview(true);
    SetCaption(qdzGet(100));

    ToolBar = new TToolBar(this);
    ToolBar->SetParent(this);
    ToolBar->SetAlign(alTop);
    ToolBar->SetImages(qdzResources()->PreviewButtonImages());
    PrintB = Button("PrintB", 101, 102, 0);
    OpenB = Button("OpenB", 103, 104, 1);
    SaveB = Button("SaveB", 105, 106, 2);
    ExportB = Button("ExportB", 107, 108, 3);
    PdfB = Button("PdfB", 0, 151, 16);
    EmailB = Button("EmailB", 0, 152, 17);
    FindB = Button("FindB", 109, 110, 4);
    Sep1 = Button("Sep1", 0, 0, -1);
    Sep1->SetStyle(tbsSeparator);
    ZoomPlusB = Button("ZoomPlusB", 124, 125, 5);
    FZoomSlot = Button("", 0, 0, -1);
    FZoomSlot->SetStyle(tbsSeparator);
    FZoomSlot->SetWidth(74);
    Sep3 = new TqdzTBPanel(this);
    Sep3->SetParent(ToolBar);
    Sep3->SetAlign(alNone);
    Sep3->SetWidth(72);
    Sep3->SetHeight(22);
    ZoomCB = new TqdzComboBox(this);
    ZoomCB->SetParent(Sep3);
    ZoomCB->SetBounds(0, 1, 70, 21);
    ZoomCB->SetHint(qdzGet(119));
    for (const char *z : {"25%", "50%", "75%", "100%", "150%", "200%"})
        ZoomCB->Items()->Add(QString::fromLatin1(z));
    ZoomCB->Items()->Add(Res("zmPageWidth"));
    ZoomCB->Items()->Add(Res("zmWholePage"));
    ZoomMinusB = Button("ZoomMinusB", 126, 127, 6);
    FullScreenBtn = Button("FullScreenBtn", 0, 150, 15);
    Sep2 = Button("Sep2", 0, 0, -1);
    Sep2->SetStyle(tbsSeparator);
    OutlineB = Button("OutlineB", 128, 129, 7);
    OutlineB->SetStyle(tbsCheck);
    ThumbB = Button("ThumbB", 130, 131, 8);
    ThumbB->SetStyle(tbsCheck);
    PageSettingsB = Button("PageSettingsB", 120, 121, 9);
    DesignerB = Button("DesignerB", 132, 133, 10);
    Sep5 = Button("Sep5", 0, 0, -1);
    Sep5->SetStyle(tbsSeparator);
    FirstB = Button("FirstB", 134, 135, 11);
    PriorB = Button("PriorB", 136, 137, 12);
    FPageSlot = Button("", 0, 0, -1);
    FPageSlot->SetStyle(tbsSeparator);
    FPageSlot->SetWidth(46);
    Sep4 = new TqdzTBPanel(this);
    Sep4->SetParent(ToolBar);
    Sep4->SetAlign(alNone);
    Sep4->SetWidth(44);
    Sep4->SetHeight(22);
    PageE = new TEdit(this);
    PageE->SetParent(Sep4);
    PageE->SetBounds(2, 1, 40, 21);
    PageE->SetHint(qdzGet(142));
    NextB = Button("NextB", 138, 139, 13);
    LastB = Button("LastB", 140, 141, 14);
    FCloseSlot = Button("", 0, 0, -1);
    FCloseSlot->SetStyle(tbsSeparator);
    FCloseSlot->SetWidth(84);
    qdTBPanel1 = new TPanel(this);
    qdTBPanel1->SetParent(ToolBar);
    qdTBPanel1->SetAlign(alNone);
    qdTBPanel1->SetBevelOuter(bvNone);
    qdTBPanel1->SetWidth(80);
    qdTBPanel1->SetHeight(22);
    CancelB = new TButton(this);
    CancelB->SetParent(qdTBPanel1);
    CancelB->SetBounds(2, 0, 75, 22);
    CancelB->SetCaption(Res("clClose"));

    StatusBar = new TStatusBar(this);
    StatusBar->SetParent(this);
    StatusBar->SetAlign(alBottom);
    for (int i = 0; i < 3; ++i)
        StatusBar->Panels()->Add()->SetWidth(i == 2 ? 400 : 150);

    Preview = new TqdzPreview(this);
    Preview->SetParent(this);
    Preview->SetAlign(alClient);

    ExportPopup = new TPopupMenu(this);
    HiddenMenu = new TPopupMenu(this);
    Showtemplate1 = new TMenuItem(HiddenMenu);
    Showtemplate1->SetName("Showtemplate1");
    Showtemplate1->SetCaption(QStringLiteral("Show template"));
    Showtemplate1->SetOnClick(TNotifyEvent(this, &TqdzPreviewForm::Showtemplate1Click));
    HiddenMenu->Items()->Add(Showtemplate1);
    RightMenu = new TPopupMenu(this);
    RightMenu->SetOnPopup(TNotifyEvent(this, &TqdzPreviewForm::RightMenuPopup));
    Preview->Workspace()->SetPopupMenu(RightMenu);
    ExpandMI = new TMenuItem(this);
    ExpandMI->SetName("ExpandMI");
    ExpandMI->SetCaption(qdzGet(600));
    ExpandMI->SetOnClick(TNotifyEvent(this, &TqdzPreviewForm::ExpandAllClick));
    CollapseMI = new TMenuItem(this);
    CollapseMI->SetName("CollapseMI");
    CollapseMI->SetCaption(qdzGet(601));
    CollapseMI->SetOnClick(TNotifyEvent(this, &TqdzPreviewForm::CollapseAllClick));

    PrintB->SetOnClick(TNotifyEvent(this, &TqdzPreviewForm::PrintBClick));
    OpenB->SetOnClick(TNotifyEvent(this, &TqdzPreviewForm::OpenBClick));
    SaveB->SetOnClick(TNotifyEvent(this, &TqdzPreviewForm::SaveBClick));
    FindB->SetOnClick(TNotifyEvent(this, &TqdzPreviewForm::FindBClick));
    ZoomPlusB->SetOnClick(TNotifyEvent(this, &TqdzPreviewForm::ZoomPlusBClick));
    ZoomMinusB->SetOnClick(TNotifyEvent(this, &TqdzPreviewForm::ZoomMinusBClick));
    ZoomCB->SetOnSelect(TNotifyEvent(this, &TqdzPreviewForm::ZoomCBClick));
    FirstB->SetOnClick(TNotifyEvent(this, &TqdzPreviewForm::FirstBClick));
    PriorB->SetOnClick(TNotifyEvent(this, &TqdzPreviewForm::PriorBClick));
    NextB->SetOnClick(TNotifyEvent(this, &TqdzPreviewForm::NextBClick));
    LastB->SetOnClick(TNotifyEvent(this, &TqdzPreviewForm::LastBClick));
    CancelB->SetOnClick(TNotifyEvent(this, &TqdzPreviewForm::CancelBClick));
    FullScreenBtn->SetOnClick(TNotifyEvent(this, &TqdzPreviewForm::FullScreenBtnClick));
    OutlineB->SetOnClick(TNotifyEvent(this, &TqdzPreviewForm::OutlineBClick));
    ThumbB->SetOnClick(TNotifyEvent(this, &TqdzPreviewForm::ThumbBClick));
    PageSettingsB->SetOnClick(TNotifyEvent(this, &TqdzPreviewForm::PageSettingsBClick));
    ExportB->SetOnClick(TNotifyEvent(this, &TqdzPreviewForm::ExportBClick));
    PdfB->SetOnClick(TNotifyEvent(this, &TqdzPreviewForm::PdfBClick));
    EmailB->SetOnClick(TNotifyEvent(this, &TqdzPreviewForm::EmailBClick));
    DesignerB->SetOnClick(TNotifyEvent(this, &TqdzPreviewForm::DesignerBClick));
    DesignerB->SetOnMouseUp(TMouseEvent(this, &TqdzPreviewForm::DesignerBMouseUp));
    SetOnKeyDown(TKeyEvent(this, &TqdzPreviewForm::FormKeyDown));
    SetOnKeyPress(TKeyPressEvent(this, &TqdzPreviewForm::FormKeyPress));
    SetOnCloseQuery(TCloseQueryEvent(this, &TqdzPreviewForm::FormCloseQuery));
    SetOnResize(TNotifyEvent(this, &TqdzPreviewForm::FormResize));
}

TqdzPreviewForm::~TqdzPreviewForm()
{
    // The menu items not on a menu belong to the form alone.
    for (TMenuItem *m : {ExpandMI, CollapseMI})
        if (m->Parent())
            m->Parent()->Remove(m);
    // Controls going away may still report changes: nobody listens now.
    ZoomCB->SetOnSelect(TNotifyEvent());
    SetOnResize(TNotifyEvent());
    SetOnCloseQuery(TCloseQueryEvent());
}

void TqdzPreviewForm::LayoutToolBar()
{
    // The panels sit on separators of their width, so the bar keeps room for them.
    const std::pair<TToolButton *, TControl *> places[] = {{FZoomSlot, Sep3}, {FPageSlot, Sep4}, {FCloseSlot, qdTBPanel1}};
    for (const auto &[slot, panel] : places) {
        slot->SetVisible(panel->Visible() || (panel == qdTBPanel1 && CancelB->Visible()));
        panel->SetBounds(slot->Left() + 1, slot->Top() + std::max(0, (slot->Height() - 22) / 2), panel->Width(), 22);
        panel->BringToFront();
    }
}

TqdzCustomPreview *TqdzPreviewForm::GetPreview()
{
    return Preview;
}

void TqdzPreviewForm::Init()
{
    TqdzReport *r = Preview->Report();
    if (!r)
        return;
    TqdzPreviewOptions *o = r->PreviewOptions();
    // No multiple-document window here: an MDI child opens as a normal window.
    if (o->Maximized())
        SetWindowState(wsMaximized);
    DesignerB->SetEnabled(o->AllowEdit());
    const TqdzPreviewButtons b = o->Buttons();
    PrintB->SetVisible(b.Contains(pbPrint));
    OpenB->SetVisible(b.Contains(pbLoad));
    SaveB->SetVisible(b.Contains(pbSave));
    ExportB->SetVisible(b.Contains(pbExport));
    PdfB->SetVisible(false);
    EmailB->SetVisible(false);
    FillExportMenu(b);
    FindB->SetVisible(b.Contains(pbFind));
    ZoomPlusB->SetVisible(b.Contains(pbZoom));
    ZoomMinusB->SetVisible(b.Contains(pbZoom));
    Sep3->SetVisible(b.Contains(pbZoom));
    FullScreenBtn->SetVisible(b.Contains(pbZoom) && !b.Contains(pbNoFullScreen));
    Sep1->SetVisible(b.Contains(pbZoom));
    OutlineB->SetVisible(b.Contains(pbOutline));
    ThumbB->SetVisible(b.Contains(pbOutline));
    PageSettingsB->SetVisible(b.Contains(pbPageSetup));
    DesignerB->SetVisible(b.Contains(pbEdit));
    Sep2->SetVisible(PageSettingsB->Visible() || DesignerB->Visible());
    for (TControl *c : {static_cast<TControl *>(FirstB), static_cast<TControl *>(PriorB),
                        static_cast<TControl *>(NextB), static_cast<TControl *>(LastB), static_cast<TControl *>(Sep4)})
        c->SetVisible(b.Contains(pbNavigator));
    Sep5->SetVisible(b.Contains(pbNavigator));
    CancelB->SetVisible(!b.Contains(pbNoClose));
    ToolBar->SetShowCaptions(o->ShowCaptions());
    if (!r->ReportOptions()->Name().isEmpty())
        SetCaption(r->ReportOptions()->Name());
    OutlineB->SetDown(o->OutlineVisible());
    ThumbB->SetDown(o->ThumbnailVisible());
    FillRightMenu();
    LayoutToolBar();
    UpdateZoomBox();
}

void TqdzPreviewForm::FillExportMenu(const TqdzPreviewButtons &Buttons)
{
    ExportPopup->Items()->Clear();
    FExportFilters.clear();
    FPdfExport = FEmailExport = nullptr;
    TqdzCustomExportFilter *def = qdzDotMatrixExportFilter();
    TqdzExportFilterCollection *filters = qdzExportFilters();
    int registered = 0;
    for (int i = 0; i < filters->Count(); ++i) {
        auto *f = dynamic_cast<TqdzCustomExportFilter *>(filters->Items(i)->Filter);
        if (!f)
            continue;
        ++registered;
        if (f == def)
            continue;
        auto *item = new TMenuItem(ExportPopup);
        item->SetCaption(f->GetDescription() + QStringLiteral("..."));
        item->SetTag(int(FExportFilters.size()));
        item->SetOnClick(TNotifyEvent(this, &TqdzPreviewForm::ExportItemClick));
        ExportPopup->Items()->Add(item);
        FExportFilters.push_back(f);
        if (f->ClassName() == QLatin1String("TqdzPDFExport")) {
            FPdfExport = f;
            PdfB->SetVisible(Buttons.Contains(pbExportQuick));
        } else if (f->ClassName() == QLatin1String("TqdzMailExport") && !Buttons.Contains(pbNoEmail)) {
            FEmailExport = f;
            EmailB->SetVisible(Buttons.Contains(pbExportQuick));
        }
    }
    // The default filter alone is no choice to offer.
    if (registered == 0 || FExportFilters.empty())
        ExportB->SetVisible(false);
}

void TqdzPreviewForm::RightMenuClick(TObject *Sender)
{
    auto *item = dynamic_cast<TMenuItem *>(Sender);
    if (item && item->Tag() >= 0 && item->Tag() < int(FMenuButtons.size()))
        FMenuButtons[size_t(item->Tag())]->Click();
}

void TqdzPreviewForm::RightMenuPopup(TObject *)
{
    // The items show their buttons as they are now.
    for (int i = 0; i < RightMenu->Items()->Count(); ++i) {
        TMenuItem *item = RightMenu->Items()->Items(i);
        if (item->IsLine() || item == ExpandMI || item == CollapseMI || item->Tag() < 0 ||
            item->Tag() >= int(FMenuButtons.size()))
            continue;
        TToolButton *b = FMenuButtons[size_t(item->Tag())];
        item->SetEnabled(b->Enabled());
        item->SetChecked(b->Style() == tbsCheck && b->Down());
    }
    const bool idle = !Preview->Building();
    ExpandMI->SetEnabled(idle);
    CollapseMI->SetEnabled(idle);
}

void TqdzPreviewForm::FillRightMenu()
{
    // The drill-down items are the form's own: keep them out of the clearing.
    for (TMenuItem *m : {ExpandMI, CollapseMI})
        if (m->Parent())
            m->Parent()->Remove(m);
    RightMenu->Items()->Clear();
    FMenuButtons.clear();
    TToolButton *const buttons[] = {PrintB, OpenB, SaveB, ExportB, PdfB, EmailB, FindB, Sep1, ZoomPlusB,
                                    ZoomMinusB, FullScreenBtn, Sep2, OutlineB, ThumbB, PageSettingsB,
                                    DesignerB, Sep5, FirstB, PriorB, NextB, LastB};
    bool lineDue = false;
    for (TToolButton *b : buttons) {
        if (!b->Visible())
            continue;
        if (b->Style() == tbsSeparator) {
            lineDue = RightMenu->Items()->Count() > 0;
            continue;
        }
        if (lineDue) {
            auto *line = new TMenuItem(RightMenu);
            line->SetCaption(QStringLiteral("-"));
            RightMenu->Items()->Add(line);
            lineDue = false;
        }
        auto *item = new TMenuItem(RightMenu);
        // Buttons without a caption are named by their hint.
        item->SetCaption(b->Caption().isEmpty() ? b->Hint() : b->Caption());
        item->SetImageIndex(b->ImageIndex());
        item->SetEnabled(b->Enabled());
        item->SetChecked(b->Style() == tbsCheck && b->Down());
        item->SetTag(int(FMenuButtons.size()));
        item->SetOnClick(TNotifyEvent(this, &TqdzPreviewForm::RightMenuClick));
        RightMenu->Items()->Add(item);
        FMenuButtons.push_back(b);
    }
    // Drill-down groups can be opened and closed all at once from here.
    TqdzReport *r = Preview->Report();
    bool drill = false;
    for (int i = 0; r && !drill && i < r->AllObjects()->Count(); ++i)
        if (auto *g = dynamic_cast<TqdzGroupHeader *>(static_cast<TObject *>(r->AllObjects()->Items(i))))
            drill = g->DrillDown();
    if (drill) {
        auto *line = new TMenuItem(RightMenu);
        line->SetCaption(QStringLiteral("-"));
        RightMenu->Items()->Add(line);
        RightMenu->Items()->Add(CollapseMI);
        RightMenu->Items()->Add(ExpandMI);
    }
}

void TqdzPreviewForm::SetStatusText(const QString &Text, bool IsHint)
{
    if (IsHint) {
        if (!Text.isEmpty())
            StatusBar->Panels()->Items(2)->SetText(Text);
    } else {
        StatusBar->Panels()->Items(1)->SetText(Text);
    }
    Application->ProcessMessages();
}

void TqdzPreviewForm::UpdatePageStatus()
{
    TqdzReport *r = Preview->Report();
    const int count = Preview->PageCount();
    const bool firstPass = Preview->Building() && r && r->Engine() && !r->Engine()->FinalPass();
    if (firstPass)
        StatusBar->Panels()->Items(0)->SetText(Res("clFirstPass") + QString::number(count));
    else
        StatusBar->Panels()->Items(0)->SetText(
            Format(Res("clPageOf"), {Preview->PageNo(), count}));
    PageE->SetText(QString::number(Preview->PageNo()));
}

void TqdzPreviewForm::UpdateControls()
{
    const bool idle = !Preview->Building();
    for (TToolButton *b : {PrintB, OpenB, SaveB, ExportB, PdfB, EmailB, FindB, PageSettingsB, DesignerB})
        b->SetEnabled(idle);
}

void TqdzPreviewForm::UpdateZoomBox()
{
    ZoomCB->SetText(QString::number(std::lround(Preview->Zoom() * 100)) + QLatin1Char('%'));
}

void TqdzPreviewForm::PrintBClick(TObject *)
{
    if (Preview->Building())
        return;
    Preview->Print();
    Repaint();
}

void TqdzPreviewForm::OpenBClick(TObject *)
{
    Preview->LoadFromFile();
    TqdzReport *r = Preview->Report();
    SetCaption(r && !r->ReportOptions()->Name().isEmpty() ? r->ReportOptions()->Name() : qdzGet(100));
}

void TqdzPreviewForm::SaveBClick(TObject *)
{
    Preview->SaveToFile();
}

void TqdzPreviewForm::FindBClick(TObject *)
{
    Preview->Find();
}

void TqdzPreviewForm::ZoomPlusBClick(TObject *)
{
    Preview->SetZoom(Preview->Zoom() + 0.25);
}

void TqdzPreviewForm::ZoomMinusBClick(TObject *)
{
    Preview->SetZoom(Preview->Zoom() - 0.25);
}

void TqdzPreviewForm::ZoomCBClick(TObject *)
{
    const int i = ZoomCB->ItemIndex();
    const QString text = ZoomCB->Text();
    if (i == 6 && text == ZoomCB->Items()->Strings(6)) {
        Preview->SetZoomMode(zmPageWidth);
    } else if (i == 7 && text == ZoomCB->Items()->Strings(7)) {
        Preview->SetZoomMode(zmWholePage);
    } else {
        QString t = text;
        t.remove(QLatin1Char('%')).remove(QLatin1Char(' '));
        bool ok = false;
        const double v = t.toDouble(&ok);
        if (ok)
            Preview->SetZoom(v / 100);
    }
    // The box is rewritten once the choice has settled.
    QMetaObject::invokeMethod(Widget(), [this] { UpdateZoomBox(); }, Qt::QueuedConnection);
}

void TqdzPreviewForm::PageEClick(TObject *)
{
    int n = 0;
    if (TryStrToInt(PageE->Text().trimmed(), n))
        Preview->SetPageNo(n);
    if (Preview->Workspace()->CanFocus())
        Preview->Workspace()->SetFocus();
}

void TqdzPreviewForm::FirstBClick(TObject *)
{
    Preview->First();
}

void TqdzPreviewForm::PriorBClick(TObject *)
{
    Preview->Prior();
}

void TqdzPreviewForm::NextBClick(TObject *)
{
    Preview->Next();
}

void TqdzPreviewForm::LastBClick(TObject *)
{
    Preview->Last();
}

void TqdzPreviewForm::CancelBClick(TObject *)
{
    if (Preview->Building()) {
        if (TqdzReport *r = Preview->Report())
            r->SetTerminated(true);
        return;
    }
    Close();
}

void TqdzPreviewForm::FullScreenBtnClick(TObject *)
{
    FFullScreen = !FFullScreen;
    if (FFullScreen) {
        FOldBorderStyle = BorderStyle();
        FOldState = WindowState();
        StatusBar->Hide();
        ToolBar->Hide();
        SetBorderStyle(bsNone);
        SetWindowState(wsMaximized);
    } else {
        SetBorderStyle(FOldBorderStyle);
        SetWindowState(FOldState);
        ToolBar->Show();
        StatusBar->Show();
    }
}

void TqdzPreviewForm::Deactivate()
{
    TqdzCustomPreviewForm::Deactivate();
    // No window is active for a moment while the frame changes and the
    // window is made anew; that is no leaving.
    QPointer<QWidget> now = QApplication::activeWindow();
    if (!FFullScreen || !now || now == Widget())
        return;
    FullScreenBtnClick(nullptr);
    // The new frame shows this window anew: the one taking over keeps the focus.
    if (now)
        now->activateWindow();
}

void TqdzPreviewForm::DoClose(TCloseAction &Action)
{
    TqdzCustomPreviewForm::DoClose(Action);
    // A modal window is freed by the report that showed it.
    if (!Modal() && Action == caHide)
        Action = caFree;
    if (TqdzReport *r = Preview->Report(); r && r->OnClosePreview())
        r->OnClosePreview()(r);
}

void TqdzPreviewForm::OutlineBClick(TObject *)
{
    Preview->SetOutlineVisible(OutlineB->Down());
    if (OutlineB->Down())
        ThumbB->SetDown(false);
}

void TqdzPreviewForm::ThumbBClick(TObject *)
{
    Preview->SetThumbnailVisible(ThumbB->Down());
    if (ThumbB->Down())
        OutlineB->SetDown(false);
}

void TqdzPreviewForm::PageSettingsBClick(TObject *)
{
    TqdzReport *r = Preview->Report();
    if (!r || Preview->Building() || !Preview->PreviewPages() || Preview->PageCount() == 0)
        return;
    // The template pages that are printed (subreport pages are not).
    std::vector<TqdzReportPage *> templates;
    for (int i = 0; i < r->GetPagesCount(); ++i)
        if (auto *p = dynamic_cast<TqdzReportPage *>(r->GetPages(i)); p && !p->IsSubReport())
            templates.push_back(p);
    if (templates.empty())
        return;
    TqdzPageSettingsForm dlg(nullptr);
    // A built page carries the name of its template page.
    TqdzReportPage *current = nullptr;
    TqdzReportPage *built = Preview->PreviewPages()->GetPage(Preview->PageNo() - 1);
    if (built) {
        for (TqdzReportPage *p : templates)
            if (p->Name() == built->Name())
                current = p;
        dlg.SetPage(built);
    } else {
        dlg.SetPage(templates.front());
    }
    if (dlg.ShowModal() != mrOk)
        return;
    if (dlg.ApplyToAllRB->Checked()) {
        for (TqdzReportPage *p : templates)
            dlg.ApplyTo(p);
    } else if (current) {
        dlg.ApplyTo(current);
    } else if (!built) {
        dlg.ApplyTo(templates.front());
    }
    Preview->RefreshReport();
}

void TqdzPreviewForm::ExportBClick(TObject *)
{
    if (Preview->Building() || ExportPopup->Items()->Count() == 0)
        return;
    const TPoint p = ExportB->ClientToScreen(Point(0, ExportB->Height()));
    ExportPopup->Popup(p.X, p.Y);
}

void TqdzPreviewForm::ExportWith(TqdzCustomExportFilter *Filter)
{
    if (!Filter)
        return;
    // The filter's unit may have gone since the menu was filled.
    TqdzExportFilterCollection *filters = qdzExportFilters();
    for (int i = 0; i < filters->Count(); ++i)
        if (filters->Items(i)->Filter == Filter) {
            Preview->Export(Filter);
            return;
        }
}

void TqdzPreviewForm::ExportItemClick(TObject *Sender)
{
    auto *item = dynamic_cast<TMenuItem *>(Sender);
    if (item && item->Tag() >= 0 && item->Tag() < int(FExportFilters.size()))
        ExportWith(FExportFilters[size_t(item->Tag())]);
}

void TqdzPreviewForm::PdfBClick(TObject *)
{
    ExportWith(FPdfExport);
}

void TqdzPreviewForm::EmailBClick(TObject *)
{
    ExportWith(FEmailExport);
}

void TqdzPreviewForm::DesignerBClick(TObject *)
{
    Preview->Edit();
}

void TqdzPreviewForm::DesignerBMouseUp(TObject *, TMouseButton Button, TShiftState, int, int)
{
    if (Button != mbRight)
        return;
    const TPoint p = DesignerB->ClientToScreen(Point(0, DesignerB->Height()));
    HiddenMenu->Popup(p.X, p.Y);
}

void TqdzPreviewForm::Showtemplate1Click(TObject *)
{
    // The template of built pages is shown in the report designer, and no
    // designer is linked into the program: nothing to show it in.
}

void TqdzPreviewForm::SetDrillDownAll(bool Expand)
{
    TqdzReport *r = Preview->Report();
    if (!r || Preview->Building())
        return;
    // With no name listed, ExpandDrillDown alone decides for every group.
    r->DrillState()->Clear();
    for (int i = 0; i < r->AllObjects()->Count(); ++i)
        if (auto *g = dynamic_cast<TqdzGroupHeader *>(static_cast<TObject *>(r->AllObjects()->Items(i))))
            if (g->DrillDown())
                g->SetExpandDrillDown(Expand);
    Preview->RefreshReport();
    if (!Expand) {
        Preview->Workspace()->SetVertPosition(0);
        Preview->Workspace()->SetHorzPosition(0);
        Preview->SetPageNo(1);
    }
}

void TqdzPreviewForm::CollapseAllClick(TObject *)
{
    SetDrillDownAll(false);
}

void TqdzPreviewForm::ExpandAllClick(TObject *)
{
    SetDrillDownAll(true);
}

void TqdzPreviewForm::FormKeyDown(TObject *, Word &Key, TShiftState Shift)
{
    if (Key == VK_ESCAPE) {
        CancelBClick(nullptr);
        Key = 0;
    } else if (Key == VK_F11) {
        FullScreenBtnClick(nullptr);
        Key = 0;
    } else if (Key == VK_RETURN && (ZoomCB->Focused() || (ZoomCB->ComboWidget() && ZoomCB->ComboWidget()->hasFocus()))) {
        ZoomCBClick(nullptr);
        Key = 0;
    } else if (Key == VK_RETURN && PageE->Focused()) {
        PageEClick(nullptr);
        Key = 0;
    }
    (void)Shift;
}

void TqdzPreviewForm::FormKeyPress(TObject *, QChar &)
{
}

void TqdzPreviewForm::FormCloseQuery(TObject *, bool &CanClose)
{
    // The window stays while its report is being built.
    CanClose = !Preview->Building();
}

void TqdzPreviewForm::FormResize(TObject *)
{
    LayoutToolBar();
    const int w = ClientWidth();
    if (StatusBar->Panels()->Count() == 3) {
        StatusBar->Panels()->Items(0)->SetWidth(std::max(60, w / 5));
        StatusBar->Panels()->Items(1)->SetWidth(std::max(60, w / 4));
    }
}

// --------------------------------------------------------------- TqdzSearchDialog

TqdzSearchDialog::TqdzSearchDialog(TComponent *AOwner) : TForm(AOwner)
{
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(300);
    SetClientHeight(140);
    SetCaption(qdzGet(300));
    TextL = new TLabel(this);
    TextL->SetParent(this);
    TextL->SetBounds(8, 10, 280, 16);
    TextL->SetCaption(qdzGet(301));
    TextE = new TEdit(this);
    TextE->SetParent(this);
    TextE->SetBounds(8, 28, 284, 21);
    OptionsGB = new TGroupBox(this);
    OptionsGB->SetParent(this);
    OptionsGB->SetBounds(8, 54, 284, 52);
    OptionsGB->SetCaption(qdzGet(302));
    TopCB = new TCheckBox(this);
    TopCB->SetParent(OptionsGB);
    TopCB->SetBounds(8, 14, 268, 17);
    TopCB->SetCaption(qdzGet(304));
    CaseCB = new TCheckBox(this);
    CaseCB->SetParent(OptionsGB);
    CaseCB->SetBounds(8, 32, 268, 17);
    CaseCB->SetCaption(qdzGet(305));
    OkB = new TButton(this);
    OkB->SetParent(this);
    OkB->SetBounds(136, 110, 75, 25);
    OkB->SetCaption(qdzGet(1));
    OkB->SetDefault(true);
    OkB->SetModalResult(mrOk);
    CancelB = new TButton(this);
    CancelB->SetParent(this);
    CancelB->SetBounds(217, 110, 75, 25);
    CancelB->SetCaption(qdzGet(2));
    CancelB->SetCancel(true);
    CancelB->SetModalResult(mrCancel);
    SetActiveControl(TextE);
}

int TqdzSearchDialog::ShowModal()
{
    TextE->SetText(LastSearchText());
    const int r = TForm::ShowModal();
    if (r == mrOk)
        LastSearchText() = TextE->Text();
    return r;
}

// ------------------------------------------------------------ TqdzPageSettingsForm

TqdzDesignerUnits &qdzDesignerUnits()
{
    static TqdzDesignerUnits Units = TqdzDesignerUnits::duCM;
    return Units;
}

namespace {

// A sheet with lines of text, upright or on its side.
void DrawOrientation(TImage *Image, bool Landscape)
{
    TCanvas *c = Image->Canvas();
    const int w = Image->Width(), h = Image->Height();
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(Rect(0, 0, w, h));
    const int pw = Landscape ? 44 : 32, ph = Landscape ? 32 : 44;
    const int x = (w - pw) / 2, y = (h - ph) / 2;
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetColor(clWhite);
    c->Rectangle(x, y, x + pw, y + ph);
    c->Pen()->SetColor(clGray);
    for (int ly = y + 6; ly < y + ph - 4; ly += 5) {
        c->MoveTo(x + 5, ly);
        c->LineTo(x + pw - 5, ly);
    }
}

} // namespace

TqdzPageSettingsForm::TqdzPageSettingsForm(TComponent *AOwner)
    : TForm(AOwner), FUnits(qdzDesignerUnits())
{
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(440);
    SetClientHeight(330);
    SetCaption(qdzGet(400));
    auto group = [this](TWinControl *Parent, int L, int T, int W, int H, int Caption) {
        auto *g = new TGroupBox(this);
        g->SetParent(Parent);
        g->SetBounds(L, T, W, H);
        if (Caption)
            g->SetCaption(qdzGet(Caption));
        return g;
    };
    auto label = [this](TWinControl *Parent, int L, int T, const QString &C) {
        auto *l = new TLabel(this);
        l->SetParent(Parent);
        l->SetBounds(L, T, 60, 16);
        l->SetCaption(C);
        return l;
    };
    auto edit = [this](TWinControl *Parent, int L, int T) {
        auto *e = new TEdit(this);
        e->SetParent(Parent);
        e->SetBounds(L, T, 60, 21);
        return e;
    };
    auto radio = [this](TWinControl *Parent, int L, int T, int W, const QString &C) {
        auto *r = new TRadioButton(this);
        r->SetParent(Parent);
        r->SetBounds(L, T, W, 17);
        r->SetCaption(C);
        return r;
    };
    QString unit;
    switch (FUnits) {
    case TqdzDesignerUnits::duInches: unit = Res("uInch"); break;
    // Pixels and characters are shown as centimetres, and so named.
    default: unit = Res("uCm"); break;
    }

    PaperGB = group(this, 8, 6, 424, 84, 401);
    SizeL = label(PaperGB, 12, 24, qdzGet(404));
    SizeCB = new TComboBox(this);
    SizeCB->SetParent(PaperGB);
    SizeCB->SetStyle(csDropDownList);
    SizeCB->SetBounds(80, 20, 332, 21);
    SizeCB->Items()->Add(Res("prCustom"));
    for (const TqdzPaperInfo &p : PaperInfo)
        SizeCB->Items()->Add(QString::fromLatin1(p.Name));
    WidthL = label(PaperGB, 12, 54, qdzGet(402));
    WidthE = edit(PaperGB, 80, 50);
    WidthUL = label(PaperGB, 146, 54, unit);
    HeightL = label(PaperGB, 216, 54, qdzGet(403));
    HeightE = edit(PaperGB, 284, 50);
    HeightUL = label(PaperGB, 350, 54, unit);

    OrientationGB = group(this, 8, 96, 208, 130, 405);
    PortraitRB = radio(OrientationGB, 12, 30, 110, qdzGet(406));
    LandscapeRB = radio(OrientationGB, 12, 60, 110, qdzGet(407));
    PortraitImg = new TImage(this);
    PortraitImg->SetParent(OrientationGB);
    PortraitImg->SetBounds(134, 30, 56, 56);
    DrawOrientation(PortraitImg, false);
    LandscapeImg = new TImage(this);
    LandscapeImg->SetParent(OrientationGB);
    LandscapeImg->SetBounds(134, 30, 56, 56);
    DrawOrientation(LandscapeImg, true);
    PortraitRB->SetChecked(true);

    MarginsGB = group(this, 224, 96, 208, 130, 408);
    const struct {
        TLabel **Label, **Unit;
        TEdit **Edit;
        int Caption;
    } margins[] = {{&MarginLeftL, &MarginLeftUL, &MarginLeftE, 409},
                   {&MarginTopL, &MarginTopUL, &MarginTopE, 410},
                   {&MarginRightL, &MarginRightUL, &MarginRightE, 411},
                   {&MarginBottomL, &MarginBottomUL, &MarginBottomE, 412}};
    int top = 22;
    for (const auto &m : margins) {
        *m.Label = label(MarginsGB, 12, top + 4, qdzGet(m.Caption));
        *m.Edit = edit(MarginsGB, 80, top);
        *m.Unit = label(MarginsGB, 146, top + 4, unit);
        top += 26;
    }

    ApplyGB = group(this, 8, 232, 424, 52, 0);
    ApplyToCurRB = radio(ApplyGB, 12, 20, 200, qdzGet(413));
    ApplyToCurRB->SetChecked(true);
    ApplyToAllRB = radio(ApplyGB, 216, 20, 200, qdzGet(414));

    OkB = new TButton(this);
    OkB->SetParent(this);
    OkB->SetBounds(276, 296, 75, 25);
    OkB->SetCaption(qdzGet(1));
    OkB->SetDefault(true);
    CancelB = new TButton(this);
    CancelB->SetParent(this);
    CancelB->SetBounds(357, 296, 75, 25);
    CancelB->SetCaption(qdzGet(2));
    CancelB->SetCancel(true);
    CancelB->SetModalResult(mrCancel);
    OkB->SetOnClick(TNotifyEvent(this, &TqdzPageSettingsForm::OkBClick));
    SizeCB->SetOnChange(TNotifyEvent(this, &TqdzPageSettingsForm::SizeCBClick));
    WidthE->SetOnChange(TNotifyEvent(this, &TqdzPageSettingsForm::SizeEChange));
    HeightE->SetOnChange(TNotifyEvent(this, &TqdzPageSettingsForm::SizeEChange));
    PortraitRB->SetOnClick(TNotifyEvent(this, &TqdzPageSettingsForm::OrientationClick));
    LandscapeRB->SetOnClick(TNotifyEvent(this, &TqdzPageSettingsForm::OrientationClick));
    SizeCB->SetItemIndex(0);
    OrientationClick(nullptr);
}

QString TqdzPageSettingsForm::ToUnits(double MM) const
{
    const double v = FUnits == TqdzDesignerUnits::duInches ? MM / 25.4 : MM / 10;
    // Hundredths of the unit: tenths of a millimetre in centimetres.
    return FloatToStr(std::round(v * 100) / 100);
}

void TqdzPageSettingsForm::ShowLength(TEdit *Edit, double MM)
{
    const QString text = ToUnits(MM);
    Edit->SetText(text);
    FShown[Edit] = {text, MM};
}

double TqdzPageSettingsForm::FromUnits(const TEdit *Edit) const
{
    // An untouched value goes back as it came, not as rounded for showing.
    const auto shown = FShown.find(Edit);
    if (shown != FShown.end() && shown->second.first == Edit->Text())
        return shown->second.second;
    const double v = Edit->Text().trimmed().toDouble();
    return FUnits == TqdzDesignerUnits::duInches ? v * 25.4 : v * 10;
}

void TqdzPageSettingsForm::SetPage(TqdzReportPage *Page)
{
    if (!Page)
        return;
    FUpdating = true;
    const bool landscape = Page->Orientation() == poLandscape;
    PortraitRB->SetChecked(!landscape);
    LandscapeRB->SetChecked(landscape);
    int index = 0;
    for (int i = 0; i < PAPERCOUNT; ++i)
        if (PaperInfo[i].Typ == Page->PaperSize())
            index = i + 1;
    SizeCB->SetItemIndex(index);
    ShowLength(WidthE, Page->PaperWidth());
    ShowLength(HeightE, Page->PaperHeight());
    ShowLength(MarginLeftE, Page->LeftMargin());
    ShowLength(MarginTopE, Page->TopMargin());
    ShowLength(MarginRightE, Page->RightMargin());
    ShowLength(MarginBottomE, Page->BottomMargin());
    FUpdating = false;
    OrientationClick(nullptr);
}

void TqdzPageSettingsForm::FillSize()
{
    const int id = PaperSize();
    double w = 0, h = 0;
    if (id == DMPAPER_USER || !qdzGetPaperSizeMM(id, w, h))
        return;
    if (LandscapeRB->Checked())
        std::swap(w, h);
    FUpdating = true;
    ShowLength(WidthE, w);
    ShowLength(HeightE, h);
    FUpdating = false;
}

void TqdzPageSettingsForm::SizeCBClick(TObject *)
{
    FillSize();
}

void TqdzPageSettingsForm::SizeEChange(TObject *)
{
    if (!FUpdating)
        SizeCB->SetItemIndex(0);
}

void TqdzPageSettingsForm::OrientationClick(TObject *Sender)
{
    PortraitImg->SetVisible(PortraitRB->Checked());
    LandscapeImg->SetVisible(LandscapeRB->Checked());
    if (!Sender || FUpdating)
        return;
    if (PaperSize() != DMPAPER_USER) {
        FillSize();
        return;
    }
    // A custom sheet turns with the orientation.
    const bool landscape = LandscapeRB->Checked();
    const double w = PaperWidth(), h = PaperHeight();
    if ((w > h) != landscape && w != h) {
        FUpdating = true;
        ShowLength(WidthE, h);
        ShowLength(HeightE, w);
        FUpdating = false;
    }
}

int TqdzPageSettingsForm::PaperSize() const
{
    const int i = SizeCB->ItemIndex();
    return i >= 1 && i <= PAPERCOUNT ? PaperInfo[i - 1].Typ : DMPAPER_USER;
}

void TqdzPageSettingsForm::ApplyTo(TqdzReportPage *Page) const
{
    if (!Page)
        return;
    Page->SetOrientation(LandscapeRB->Checked() ? poLandscape
                                                : poPortrait);
    Page->SetPaperWidth(PaperWidth());
    Page->SetPaperHeight(PaperHeight());
    if (PaperSize() != DMPAPER_USER)
        Page->SetPaperSize(PaperSize());
    Page->SetLeftMargin(FromUnits(MarginLeftE));
    Page->SetTopMargin(FromUnits(MarginTopE));
    Page->SetRightMargin(FromUnits(MarginRightE));
    Page->SetBottomMargin(FromUnits(MarginBottomE));
}

void TqdzPageSettingsForm::OkBClick(TObject *)
{
    if (CheckValues())
        SetModalResult(mrOk);
}

double TqdzPageSettingsForm::PaperWidth() const
{
    return FromUnits(WidthE);
}

double TqdzPageSettingsForm::PaperHeight() const
{
    return FromUnits(HeightE);
}

bool TqdzPageSettingsForm::CheckValues()
{
    auto number = [](const TEdit *E, double &V) {
        bool ok = false;
        V = E->Text().trimmed().toDouble(&ok);
        return ok && std::isfinite(V);
    };
    double w = 0, h = 0, m = 0;
    bool ok = number(WidthE, w) && number(HeightE, h) && w > 0 && h > 0;
    for (const TEdit *e : {MarginLeftE, MarginTopE, MarginRightE, MarginBottomE})
        ok = ok && number(e, m) && m >= 0;
    if (!ok)
        ShowMessage(QStringLiteral("Invalid number"));
    return ok;
}

int TqdzPageSettingsForm::ShowModal()
{
    return TForm::ShowModal();
}
