// The busy window shown while a download runs: a text scrolling to the left
// and a progress bar; it closes itself once the bar reaches 100.
#pragma once
#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "YbPrgres.h"

class TForm2 : public TForm
{
    STATION_CLASS(TForm2, TForm)
public:
    explicit TForm2(TComponent *AOwner);
    ~TForm2() override;

    TLabel *Label1;
    TLabel *Label2; // what is being done now
    TPanel *panelpro;
    TYbProgressBar *YbProgressBar1;
    TTimer *Timer1;

    // The bar's percent, kept within 0..100.
    void SetPercent(int Percent);
    // Shows what is being done now and paints the window at once: the work
    // runs on this thread, so nothing would be painted until it ends. Input
    // waits meanwhile, so no button can start a second run.
    void SetStatus(const QString &Text);

    void FormShow(TObject *Sender);
    void FormClose(TObject *Sender, TCloseAction &Action);
    void Timer1Timer(TObject *Sender);
};

extern TForm2 *Form2;

// The busy window created at start-up, or one made now when there is none.
TForm2 *BusyWindow();
