// The prompt for a report's password, and the report's dialog-page form.
#pragma once
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"

#include <QString>

class TqdzDialogPage;

class TqdzPasswordForm : public TForm
{
    STATION_CLASS(TqdzPasswordForm, TForm)
public:
    explicit TqdzPasswordForm(TComponent *AOwner);

    TLabel *PasswordL;
    TImage *Image1;
    TEdit *PasswordE;
    TButton *OkB;
    TButton *CancelB;
};

// Shows the password form modally; True with the typed text on OK. The
// report's password check compares the text.
bool qdzAskPassword(QString &Password);

// The form of a report dialog page: each form event runs the page's script
// procedure of the same name through the report.
class TqdzDialogForm : public TForm
{
    STATION_CLASS(TqdzDialogForm, TForm)
public:
    // Page may be null (a form that belongs to no page).
    TqdzDialogForm(TComponent *AOwner, TqdzDialogPage *Page);

    TqdzDialogPage *Page() const { return FPage; }
    int WantKeys() const override { return DLGC_WANTARROWS | DLGC_WANTTAB; }
    // A close with a modal result (a button's, or Close, which gives Cancel)
    // asks the page's OnCloseQuery procedure; without one, or when it does
    // not refuse, the form closes. The window's close box is refused by the
    // form itself.
    bool CloseQuery() override;

    // Called when the user has moved or sized the form.
    TNotifyEvent OnMoved() const { return FOnMoved; }
    void SetOnMoved(TNotifyEvent Value) { FOnMoved = Value; }

protected:
    void DoShow() override;
    void DoHide() override;
    void Activate() override;
    void Deactivate() override;
    void Resize() override;
    bool HostEvent(QEvent *Event) override;

private:
    void Notify(const QString &EventName);
    void FormClick(TObject *Sender);
    void FormKeyDown(TObject *Sender, Word &Key, TShiftState Shift);
    void FormKeyUp(TObject *Sender, Word &Key, TShiftState Shift);
    void FormKeyPress(TObject *Sender, QChar &Key);
    void KeyEvent(const QString &EventName, Word &Key, TShiftState Shift);
    // True when some control (a button with a modal result, anything with
    // a click handler) or a click or key event of the page could end the
    // dialog; otherwise only the close box can.
    bool CanBeEnded() const;
    // While shown during a build: the build's stop (its time limit, a
    // cancel) ends the dialog as cancelled, whatever its page says.
    void WatchBuild(TObject *Sender);

    TqdzDialogPage *FPage;
    bool FShown = false;
    bool FStopped = false;
    bool FWatching = false;
    TTimer *FBuildWatch;
    TNotifyEvent FOnMoved;
};

// Creates a dialog page's form (installed into the report's factory table).
TForm *qdzCreateDialogForm(TqdzDialogPage *Page);
