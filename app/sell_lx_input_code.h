// The typed weighing keypad of a whole order: the net (reading less the typed
// tare) and the tare are added to the order's own sums.
#pragma once
#include "Forms.h"
#include "StdCtrls.h"

class Tsell_lx_input : public TForm
{
    STATION_CLASS(Tsell_lx_input, TForm)
public:
    explicit Tsell_lx_input(TComponent *AOwner);
    ~Tsell_lx_input() override;

    TEdit *Lur_value;
    TButton *Button1;
    TButton *Button2;
    TButton *Button3;
    TButton *Button4;
    TButton *Button5;
    TButton *Button6;
    TButton *Button7;
    TButton *Button8;
    TButton *Button9;
    TButton *Button11; // "0"
    TButton *Button12; // decimal point
    TButton *Button10; // clear
    TButton *Button13; // commit
    TButton *Button14; // close

    void FormShow(TObject *Sender);
    void FormClose(TObject *Sender, TCloseAction &Action);
    void FormKeyDown(TObject *Sender, Word &Key, TShiftState Shift);
    void DigitClick(TObject *Sender);
    void Button10Click(TObject *Sender);
    void Button12Click(TObject *Sender);
    void Button13Click(TObject *Sender);
    void Button14Click(TObject *Sender);
    void Lur_valueKeyPress(TObject *Sender, QChar &Key);
};

extern Tsell_lx_input *sell_lx_input;
