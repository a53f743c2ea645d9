// Implementation of the busy window shown while a download runs.
#include "proce.h"
#include "datacenter_code.h"
#include <QCoreApplication>

TForm2 *Form2 = nullptr;

TForm2::TForm2(TComponent *AOwner) : TForm(AOwner)
{
    Form2 = this;
    SetName(UniqueFormName(AOwner, QStringLiteral("Form2")));
    SetCaption(QStringLiteral("数据同步"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(520);
    SetClientHeight(140);

    Label1 = new TLabel(this);
    Label1->SetName(QStringLiteral("Label1"));
    Label1->SetParent(this);
    Label1->SetAutoSize(true);
    Label1->Font()->SetSize(12);
    Label1->SetCaption(QStringLiteral("程序进入数据同步阶段,请耐心等待......."));
    Label1->SetLeft(133);
    Label1->SetTop(16);

    Label2 = new TLabel(this);
    Label2->SetName(QStringLiteral("Label2"));
    Label2->SetParent(this);
    Label2->SetAutoSize(false);
    Label2->Font()->SetSize(11);
    Label2->SetCaption(QString());
    Label2->SetBounds(16, 102, 488, 24);

    panelpro = new TPanel(this);
    panelpro->SetName(QStringLiteral("panelpro"));
    panelpro->SetParent(this);
    panelpro->SetCaption(QString());
    panelpro->SetBounds(16, 52, 488, 40);

    YbProgressBar1 = new TYbProgressBar(this);
    YbProgressBar1->SetName(QStringLiteral("YbProgressBar1"));
    YbProgressBar1->SetParent(panelpro);
    YbProgressBar1->SetBarColor(clNavy);
    YbProgressBar1->SetBounds(8, 8, 472, 24);

    Timer1 = new TTimer(this);
    Timer1->SetName(QStringLiteral("Timer1"));
    Timer1->SetEnabled(false);
    Timer1->SetInterval(20);
    Timer1->SetOnTimer(TNotifyEvent(this, &TForm2::Timer1Timer));

    SetOnShow(TNotifyEvent(this, &TForm2::FormShow));
    SetOnClose(TCloseEvent(this, &TForm2::FormClose));
}

TForm2::~TForm2()
{
    if (Form2 == this)
        Form2 = nullptr;
}

void TForm2::SetPercent(int Percent)
{
    YbProgressBar1->SetPercent(Word(qBound(0, Percent, 100)));
}

void TForm2::SetStatus(const QString &Text)
{
    Label2->SetCaption(Text);
    if (Visible()) {
        Repaint();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

void TForm2::FormShow(TObject *)
{
    Timer1->SetEnabled(true);
}

void TForm2::Timer1Timer(TObject *)
{
    Label1->SetLeft(Label1->Left() - 1);
    if (Label1->Left() + Label1->Width() <= 0)
        Label1->SetLeft(Width());
    if (YbProgressBar1->Percent() == 100) {
        Timer1->SetEnabled(false);
        Close();
    }
}

void TForm2::FormClose(TObject *, TCloseAction &)
{
    Label2->SetCaption(QString());
    // A window closed before the bar is full (a cancelled download) stops ticking too.
    Timer1->SetEnabled(false);
    Label1->SetLeft(133);
}

TForm2 *BusyWindow()
{
    // Made as a plain owned form: it must never become the application's main form.
    if (!Form2)
        new TForm2(Application);
    return Form2;
}

STATION_PUBLISHED(TForm2) {}
