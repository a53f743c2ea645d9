// The preview window, the search dialog and the page settings dialog.
#include "report/build/qdzPreviewForm.h"

#include "platform/Dialogs.h"
#include "platform/SysUtils.h"
#include "report/build/qdzPreview.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzRes.h"
#include "report/model/qdzVariables.h"

#include <QComboBox>
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
    RightMenu = new TPopupMenu(this);

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
    SetOnKeyDown(TKeyEvent(this, &TqdzPreviewForm::FormKeyDown));
    SetOnKeyPress(TKeyPressEvent(this, &TqdzPreviewForm::FormKeyPress));
    SetOnCloseQuery(TCloseQueryEvent(this, &TqdzPreviewForm::FormCloseQuery));
    SetOnResize(TNotifyEvent(this, &TqdzPreviewForm::FormResize));
}

TqdzPreviewForm::~TqdzPreviewForm()
{
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
    // No export filter is part of this program.
    ExportB->SetVisible(false);
    PdfB->SetVisible(false);
    EmailB->SetVisible(false);
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
    LayoutToolBar();
    UpdateZoomBox();
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
    for (TToolButton *b : {PrintB, OpenB, SaveB, ExportB, FindB, PageSettingsB, DesignerB})
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
    if (!r || Preview->Building() || r->GetPagesCount() == 0)
        return;
    TqdzPageSettingsForm dlg(nullptr);
    if (dlg.ShowModal() != mrOk)
        return;
    for (int i = 0; i < r->GetPagesCount(); ++i)
        if (auto *p = dynamic_cast<TqdzReportPage *>(r->GetPages(i))) {
            p->SetOrientation(dlg.LandscapeRB->Checked() ? TqdzPrinterOrientation::poLandscape : TqdzPrinterOrientation::poPortrait);
            p->SetPaperWidth(dlg.PaperWidth());
            p->SetPaperHeight(dlg.PaperHeight());
            if (dlg.ApplyToCurRB->Checked())
                break;
        }
    Preview->RefreshReport();
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

TqdzPageSettingsForm::TqdzPageSettingsForm(TComponent *AOwner) : TForm(AOwner)
{
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(320);
    SetClientHeight(220);
    auto edit = [this](int L, int T) {
        auto *e = new TEdit(this);
        e->SetParent(this);
        e->SetBounds(L, T, 60, 21);
        return e;
    };
    SizeCB = new TComboBox(this);
    SizeCB->SetParent(this);
    SizeCB->SetBounds(8, 8, 200, 21);
    WidthE = edit(8, 36);
    HeightE = edit(80, 36);
    auto radio = [this](int L, int T, const QString &C) {
        auto *r = new TRadioButton(this);
        r->SetParent(this);
        r->SetBounds(L, T, 140, 17);
        r->SetCaption(C);
        return r;
    };
    PortraitRB = radio(8, 64, QStringLiteral("Portrait"));
    PortraitRB->SetChecked(true);
    LandscapeRB = radio(160, 64, QStringLiteral("Landscape"));
    MarginLeftE = edit(8, 92);
    MarginTopE = edit(80, 92);
    MarginRightE = edit(152, 92);
    MarginBottomE = edit(224, 92);
    auto *applyPanel = new TPanel(this);
    applyPanel->SetParent(this);
    applyPanel->SetBounds(8, 120, 300, 40);
    ApplyToCurRB = new TRadioButton(this);
    ApplyToCurRB->SetParent(applyPanel);
    ApplyToCurRB->SetBounds(4, 2, 140, 17);
    ApplyToCurRB->SetChecked(true);
    ApplyToAllRB = new TRadioButton(this);
    ApplyToAllRB->SetParent(applyPanel);
    ApplyToAllRB->SetBounds(4, 20, 140, 17);
    OkB = new TButton(this);
    OkB->SetParent(this);
    OkB->SetBounds(152, 188, 75, 25);
    OkB->SetCaption(qdzGet(1));
    OkB->SetDefault(true);
    CancelB = new TButton(this);
    CancelB->SetParent(this);
    CancelB->SetBounds(233, 188, 75, 25);
    CancelB->SetCaption(qdzGet(2));
    CancelB->SetCancel(true);
    CancelB->SetModalResult(mrCancel);
    OkB->SetOnClick(TNotifyEvent(this, &TqdzPageSettingsForm::OkBClick));
}

void TqdzPageSettingsForm::OkBClick(TObject *)
{
    if (CheckValues())
        SetModalResult(mrOk);
}

double TqdzPageSettingsForm::PaperWidth() const
{
    return WidthE->Text().trimmed().toDouble() * 10;
}

double TqdzPageSettingsForm::PaperHeight() const
{
    return HeightE->Text().trimmed().toDouble() * 10;
}

bool TqdzPageSettingsForm::CheckValues()
{
    bool okW = false, okH = false;
    const double w = WidthE->Text().trimmed().toDouble(&okW);
    const double h = HeightE->Text().trimmed().toDouble(&okH);
    if (!okW || !okH || w <= 0 || h <= 0) {
        ShowMessage(Res("clInvalidNumber").isEmpty() ? QStringLiteral("Invalid number") : Res("clInvalidNumber"));
        return false;
    }
    return true;
}

int TqdzPageSettingsForm::ShowModal()
{
    return TForm::ShowModal();
}
