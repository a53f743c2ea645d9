// The password prompt of protected reports and the form of report dialog pages.
#include "report/preview/qdzPassword.h"

#include "report/model/qdzClass.h"
#include "report/model/qdzRes.h"
#include "script/kw_iinterpreter.h"

#include <QEvent>

STATION_PUBLISHED(TqdzPasswordForm) {}
STATION_PUBLISHED(TqdzDialogForm) {}

// ------------------------------------------------------------ TqdzPasswordForm

TqdzPasswordForm::TqdzPasswordForm(TComponent *AOwner) : TForm(AOwner)
{
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(252);
    SetClientHeight(92);
    SetCaption(qdzGet(5000));

    Image1 = new TImage(this);
    Image1->SetParent(this);
    Image1->SetBounds(8, 8, 32, 32);

    PasswordL = new TLabel(this);
    PasswordL->SetParent(this);
    PasswordL->SetBounds(88, 8, 157, 16);
    PasswordL->SetCaption(qdzGet(5001));

    PasswordE = new TEdit(this);
    PasswordE->SetParent(this);
    PasswordE->SetBounds(88, 28, 157, 21);
    PasswordE->SetPasswordChar(QLatin1Char('*'));

    OkB = new TButton(this);
    OkB->SetParent(this);
    OkB->SetBounds(88, 60, 75, 25);
    OkB->SetCaption(qdzGet(1));
    OkB->SetDefault(true);
    OkB->SetModalResult(mrOk);

    CancelB = new TButton(this);
    CancelB->SetParent(this);
    CancelB->SetBounds(168, 60, 75, 25);
    CancelB->SetCaption(qdzGet(2));
    CancelB->SetCancel(true);
    CancelB->SetModalResult(mrCancel);
    SetActiveControl(PasswordE);
}

bool qdzAskPassword(QString &Password)
{
    TqdzPasswordForm form(nullptr);
    if (form.ShowModal() != mrOk)
        return false;
    Password = form.PasswordE->Text();
    return true;
}

// -------------------------------------------------------------- TqdzDialogForm

TqdzDialogForm::TqdzDialogForm(TComponent *AOwner, TqdzDialogPage *Page) : TForm(AOwner), FPage(Page)
{
    SetKeyPreview(true);
    SetClientWidth(115);
    SetClientHeight(59);
    SetOnClick(TNotifyEvent(this, &TqdzDialogForm::FormClick));
    SetOnKeyDown(TKeyEvent(this, &TqdzDialogForm::FormKeyDown));
    SetOnKeyUp(TKeyEvent(this, &TqdzDialogForm::FormKeyUp));
    SetOnKeyPress(TKeyPressEvent(this, &TqdzDialogForm::FormKeyPress));
    FBuildWatch = new TTimer(this);
    FBuildWatch->SetEnabled(false);
    FBuildWatch->SetInterval(50);
    FBuildWatch->SetOnTimer(TNotifyEvent(this, &TqdzDialogForm::WatchBuild));
}

void TqdzDialogForm::WatchBuild(TObject *)
{
    TqdzReport *r = FPage ? FPage->GetReport() : nullptr;
    if (!r || !r->Building() || FWatching || FStopped)
        return;
    // The check lets messages through, this timer's among them.
    FWatching = true;
    struct TReset {
        bool &Flag;
        ~TReset() { Flag = false; }
    } reset{FWatching};
    r->CheckBuildStop();
    if (r->Terminated()) {
        FStopped = true;
        SetModalResult(mrCancel);
    }
}

namespace {

bool ControlCanEnd(TControl *C)
{
    if (!C->Visible() || !C->Enabled())
        return false;
    if (auto *b = dynamic_cast<TButton *>(C); b && b->ModalResult() != mrNone)
        return true;
    if (C->OnClick().Assigned())
        return true;
    if (auto *w = dynamic_cast<TWinControl *>(C))
        for (int i = 0; i < w->ControlCount(); ++i)
            if (ControlCanEnd(w->Controls(i)))
                return true;
    return false;
}

} // namespace

bool TqdzDialogForm::CanBeEnded() const
{
    if (FPage)
        for (const QString &e : {FPage->OnClick(), FPage->OnKeyDown(), FPage->OnKeyUp(), FPage->OnKeyPress()})
            if (!e.trimmed().isEmpty())
                return true;
    for (int i = 0; i < ControlCount(); ++i)
        if (ControlCanEnd(Controls(i)))
            return true;
    return false;
}

void TqdzDialogForm::Notify(const QString &EventName)
{
    if (!FPage || !FShown)
        return;
    if (TqdzReport *r = FPage->GetReport())
        r->DoNotifyEvent(FPage, EventName);
}

void TqdzDialogForm::KeyEvent(const QString &EventName, Word &Key, TShiftState Shift)
{
    if (!FPage || !FShown || EventName.trimmed().isEmpty())
        return;
    TqdzReport *r = FPage->GetReport();
    if (!r)
        return;
    Variant params = VarArrayOf({kwObjectToVar(FPage), Variant(int(Key)), Variant(int(Shift.ToInt()))});
    r->CallScriptEvent(EventName, params);
    Key = Word(VarArrayGet(params, {1}).AsInteger());
}

void TqdzDialogForm::FormClick(TObject *)
{
    if (FPage)
        Notify(FPage->OnClick());
}

void TqdzDialogForm::FormKeyDown(TObject *, Word &Key, TShiftState Shift)
{
    if (FPage)
        KeyEvent(FPage->OnKeyDown(), Key, Shift);
}

void TqdzDialogForm::FormKeyUp(TObject *, Word &Key, TShiftState Shift)
{
    if (FPage)
        KeyEvent(FPage->OnKeyUp(), Key, Shift);
}

void TqdzDialogForm::FormKeyPress(TObject *, QChar &Key)
{
    if (!FPage || !FShown || FPage->OnKeyPress().trimmed().isEmpty())
        return;
    TqdzReport *r = FPage->GetReport();
    if (!r)
        return;
    Variant params = VarArrayOf({kwObjectToVar(FPage), Variant(QString(Key))});
    r->CallScriptEvent(FPage->OnKeyPress(), params);
    const QString k = VarToStr(VarArrayGet(params, {1}));
    Key = k.isEmpty() ? QChar() : k[0];
}

bool TqdzDialogForm::CloseQuery()
{
    // A stopped build takes the dialog down with it.
    if (FStopped)
        return true;
    bool canClose = TForm::CloseQuery();
    if (!canClose || !FPage || !FShown || FPage->OnCloseQuery().trimmed().isEmpty())
        return canClose;
    TqdzReport *r = FPage->GetReport();
    if (!r)
        return canClose;
    Variant params = VarArrayOf({kwObjectToVar(FPage), Variant(true)});
    r->CallScriptEvent(FPage->OnCloseQuery(), params);
    return VarArrayGet(params, {1}).AsBoolean();
}

void TqdzDialogForm::DoShow()
{
    // The page is whole only once it shows its form; events before are
    // the page's own set-up.
    FShown = true;
    FStopped = false;
    FBuildWatch->SetEnabled(true);
    TForm::DoShow();
    if (FPage)
        Notify(FPage->OnShow());
}

void TqdzDialogForm::DoHide()
{
    FBuildWatch->SetEnabled(false);
    TForm::DoHide();
    if (FPage)
        Notify(FPage->OnHide());
}

void TqdzDialogForm::Activate()
{
    TForm::Activate();
    if (FPage)
        Notify(FPage->OnActivate());
}

void TqdzDialogForm::Deactivate()
{
    TForm::Deactivate();
    if (FPage)
        Notify(FPage->OnDeactivate());
}

void TqdzDialogForm::Resize()
{
    TForm::Resize();
    if (FPage)
        Notify(FPage->OnResize());
}

bool TqdzDialogForm::HostEvent(QEvent *Event)
{
    if (Event->type() == QEvent::Close && !Parent()) {
        // The close box does not end a dialog page: its controls do, by
        // their modal result. The page's OnCloseQuery hears of it all the
        // same. A page nothing else could end closes by it, as cancelled.
        Event->ignore();
        if (CanBeEnded())
            Guard([this] { CloseQuery(); });
        else
            Guard([this] { Close(); });
        return true;
    }
    const bool r = TForm::HostEvent(Event);
    if (FOnMoved && !Parent() && (Event->type() == QEvent::NonClientAreaMouseButtonRelease))
        Guard([this] { FOnMoved(this); });
    return r;
}

TForm *qdzCreateDialogForm(TqdzDialogPage *Page)
{
    return new TqdzDialogForm(nullptr, Page);
}
