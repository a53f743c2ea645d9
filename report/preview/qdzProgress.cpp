// The progress window of report building, printing and exporting.
#include "report/preview/qdzProgress.h"

#include "report/model/qdzRes.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

STATION_PUBLISHED(TqdzProgress) {}

namespace {

// Starts moving the window when its panel is pressed: the window has no
// caption, so it is dragged from any point.
class TDragFilter : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *Watched, QEvent *Event) override
    {
        if (Event->type() == QEvent::MouseButtonPress &&
            static_cast<QMouseEvent *>(Event)->button() == Qt::LeftButton) {
            QWidget *W = static_cast<QWidget *>(Watched)->window();
            if (W && W->windowHandle())
                W->windowHandle()->startSystemMove();
        }
        return QObject::eventFilter(Watched, Event);
    }
};

} // namespace

TqdzProgress::TqdzProgress(TComponent *AOwner) : TqdzCustomProgress(AOwner)
{
    SetBorderStyle(bsNone);
    TCustomForm::SetPosition(poScreenCenter);
    SetScaled(false);
    SetClientWidth(271);
    SetClientHeight(101);

    Panel1 = new TPanel(this);
    Panel1->SetParent(this);
    Panel1->SetAlign(alClient);
    Panel1->SetBevelWidth(2);
    if (Panel1->Widget())
        Panel1->Widget()->installEventFilter(new TDragFilter(Panel1->Widget()));

    LMessage = new TLabel(this);
    LMessage->SetParent(Panel1);
    LMessage->SetAutoSize(false);
    LMessage->SetAlignment(taCenter);
    LMessage->SetBounds(16, 11, 237, 20);
    TFont F;
    F.SetName("Tahoma");
    F.SetSize(8);
    LMessage->SetFont(&F);

    Bar = new TProgressBar(this);
    Bar->SetParent(Panel1);
    Bar->SetBounds(16, 37, 237, 17);
    Bar->SetStep(1);

    CancelB = new TButton(this);
    CancelB->SetParent(Panel1);
    CancelB->SetBounds(100, 64, 75, 25);
    CancelB->SetCancel(true);
    CancelB->SetCaption(qdzGet(2));
    CancelB->SetOnClick(TNotifyEvent(this, &TqdzProgress::CancelBClick));

    // The form that was active is disabled while the window lives.
    FParentForm = Screen->ActiveForm();
    if (FParentForm == this)
        FParentForm = nullptr;
    if (FParentForm) {
        FParentForm->FreeNotification(this);
        FParentForm->SetEnabled(false);
    }
    Bar->SetMin(0);
    Bar->SetMax(100);
    Bar->SetPosition(0);
}

TqdzProgress::~TqdzProgress()
{
    EnableParent();
}

void TqdzProgress::EnableParent()
{
    // Only a form that still exists: a freed one has told us so.
    if (FParentForm) {
        FParentForm->SetEnabled(true);
        FParentForm->RemoveFreeNotification(this);
        FParentForm = nullptr;
    }
}

void TqdzProgress::Notification(TComponent *AComponent, TOperation Operation)
{
    TqdzCustomProgress::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FParentForm)
        FParentForm = nullptr;
}

void TqdzProgress::DoHide()
{
    TqdzCustomProgress::DoHide();
    EnableParent();
}

void TqdzProgress::Execute(int MaxValue, const QString &Message, bool ShowProgressBar, bool ShowCancel)
{
    FTerminated = false;
    CancelB->SetVisible(ShowCancel);
    CancelB->SetCancel(ShowCancel);
    SetShowProgressBar(ShowProgressBar);
    Bar->SetMin(0);
    Bar->SetPosition(0);
    Bar->SetMax(MaxValue);
    FPosition = 0;
    SetMessage(Message);
    Show();
    if (FParentForm && FParentForm->Widget() && Widget()) {
        // Fully on the monitor of the form that started the work.
        QScreen *S = FParentForm->Widget()->screen();
        if (S) {
            const QRect A = S->availableGeometry();
            int X = A.left() + (A.width() - Width()) / 2;
            int Y = A.top() + (A.height() - Height()) / 2;
            SetBounds(X, Y, Width(), Height());
        }
    }
    Application->ProcessMessages();
}

void TqdzProgress::SetPosition(int Value)
{
    FPosition = Value;
    Bar->SetPosition(Value);
    Repaint();
    Application->ProcessMessages();
}

void TqdzProgress::SetMessage(const QString &Value)
{
    FMessage = Value;
    LMessage->SetCaption(Value);
    LMessage->Repaint();
}

void TqdzProgress::SetShowProgressBar(bool Value)
{
    FShowProgressBar = Value;
    Bar->SetVisible(Value);
    LMessage->SetTop(Value ? 15 : 35);
}

void TqdzProgress::SetTerminated(bool Value)
{
    FTerminated = Value;
    if (Value)
        Close();
}

void TqdzProgress::CancelBClick(TObject *)
{
    SetTerminated(true);
}
