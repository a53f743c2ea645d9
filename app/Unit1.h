#pragma once
// The station's main window. This slice holds what start-up and login touch:
// the work date, the operator label and the exit button; the order lists,
// the scale area and the dialogs join it later.
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "SysUtils.h"

// The work date for a moment: its day up to 09:59, the next day from 10:00 on.
TDateTime WorkDateFor(TDateTime Moment);

class Tmain : public TForm
{
    STATION_CLASS(Tmain, TForm)
public:
    explicit Tmain(TComponent *AOwner);

    TPanel *TopPanel;
    TToolBar *ToolBar1;
    TToolButton *ToolButton6;
    TLabel *Label_Date;
    TDateTimePicker *DateTimePicker1;
    TLabel *Label_Caozy;
    TLabel *caozy;
    TPageControl *PageControl1;
    TTabSheet *TabSheet1;
    TTabSheet *TabSheet2;
    TTabSheet *TabSheet3;
    TTabSheet *TabSheet4;

    // Scale factors of the screen adaptation; 1.0 until it runs.
    double XScale() const { return FXScale; }
    double YScale() const { return FYScale; }

    void FormCreate(TObject *Sender);
    void FormActivate(TObject *Sender);
    void ToolButton6Click(TObject *Sender);

private:
    double FXScale = 1.0;
    double FYScale = 1.0;
};

extern Tmain *main_;
