// The borderless window that shows how far a report build, print or export
// has got and lets the user cancel it.
#pragma once
#include "platform/ComCtrls.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"
#include "report/model/qdzClassEngine.h"

#include <QString>

class TqdzProgress : public TqdzCustomProgress
{
    STATION_CLASS(TqdzProgress, TqdzCustomProgress)
public:
    explicit TqdzProgress(TComponent *AOwner);
    ~TqdzProgress() override;

    // Shows the window (not modally) with a bar running 0..MaxValue.
    void Execute(int MaxValue, const QString &Message, bool ShowProgressBar, bool ShowCancel) override;

    int Position() const { return FPosition; }
    void SetPosition(int Value);
    const QString &Message() const { return FMessage; }
    void SetMessage(const QString &Value) override;
    bool ShowProgressBar() const { return FShowProgressBar; }
    // The message moves to the middle of the window when the bar is hidden.
    void SetShowProgressBar(bool Value);
    bool Terminated() const override { return FTerminated; }
    // True also closes the window.
    void SetTerminated(bool Value);
    // The form that was active when the window was made; disabled while
    // the window is up.
    TCustomForm *ParentForm() const { return FParentForm; }

    TPanel *Panel1;
    TLabel *LMessage;
    TProgressBar *Bar;
    TButton *CancelB;

    void CancelBClick(TObject *Sender);

protected:
    void DoHide() override;
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    void EnableParent();

    TCustomForm *FParentForm = nullptr;
    bool FTerminated = false;
    int FPosition = 0;
    QString FMessage;
    bool FShowProgressBar = false;
};
