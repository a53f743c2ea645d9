#pragma once
// The station's main window: the work date, the operator label, the exit
// button and the scale area (weight, reading switch, tare presets,
// recalibration, the serial port); the order lists and the dialogs join it
// later.
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "MSComm.h"
#include "StdCtrls.h"
#include "SysUtils.h"
#include "YbButton.h"

// The work date for a moment: its day up to 09:59, the next day from 10:00 on.
TDateTime WorkDateFor(TDateTime Moment);

class Tmain : public TForm
{
    STATION_CLASS(Tmain, TForm)
public:
    explicit Tmain(TComponent *AOwner);

    TPanel *TopPanel;
    TToolBar *ToolBar1;
    TToolButton *ToolButton1;
    TToolButton *ToolButton2;
    TToolButton *ToolButton4;
    TToolButton *ToolButton6;
    TButton *Button6;
    TLabel *Label_Date;
    TDateTimePicker *DateTimePicker1;
    TLabel *Label_Caozy;
    TLabel *caozy;
    TPageControl *PageControl1;
    TTabSheet *TabSheet1;
    TTabSheet *TabSheet2;
    TTabSheet *TabSheet3;
    TTabSheet *TabSheet4;

    // Scale area. m_zhongzl's Tag is the scale type; it is read-only while
    // the scale is read.
    TEdit *m_zhongzl;
    TLabel *i_kg;
    TButton *m_stopread;
    TComboBox *m_qup;
    TComboBox *m_qup_value;
    TYbButton *YbButton1;
    TMSComm *MSComm1;

    // Scale factors of the screen adaptation; 1.0 until it runs.
    double XScale() const { return FXScale; }
    double YScale() const { return FYScale; }

    void FormCreate(TObject *Sender);
    void FormActivate(TObject *Sender);
    void FormClose(TObject *Sender, TCloseAction &Action);
    void ToolButton1Click(TObject *Sender);
    void ToolButton2Click(TObject *Sender);
    void ToolButton4Click(TObject *Sender);
    void Button6Click(TObject *Sender);
    void ToolButton6Click(TObject *Sender);

    // The presets from db/qup_name.txt and db/qup_value.txt, then
    // m_qup.ItemIndex := Index. Missing files keep the presets shown.
    void LoadTarePresets(int Index);
    // Types 1, 2 and 3 (re)open COM1 at 2400,N,8,1; others leave it closed.
    void OpenScalePort(int ScaleType);
    void CloseScalePort();
    void MSComm1Comm(TObject *Sender);
    void ParseScaleInput();
    void m_stopreadClick(TObject *Sender);
    void YbButton1Click(TObject *Sender);

private:
    double FXScale = 1.0;
    double FYScale = 1.0;
};

extern Tmain *main_;
