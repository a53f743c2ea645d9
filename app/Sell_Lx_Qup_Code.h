// The crate keypad of a whole order: tare = crates x the chosen unit tare,
// added with the net to the order's own sums.
#pragma once
#include "Forms.h"
#include "StdCtrls.h"

class TSell_Lx_Qup : public TForm
{
    STATION_CLASS(TSell_Lx_Qup, TForm)
public:
    explicit TSell_Lx_Qup(TComponent *AOwner);
    ~TSell_Lx_Qup() override;

    TLabel *Label1; // "本次框数录入"
    TLabel *Label2; // "个框"
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
    TButton *Button13; // commit
    TButton *Button14; // close

    void FormClose(TObject *Sender, TCloseAction &Action);
    void DigitClick(TObject *Sender);
    void Button13Click(TObject *Sender);
    void Button14Click(TObject *Sender);
    void Lur_valueKeyPress(TObject *Sender, QChar &Key);
};

extern TSell_Lx_Qup *Sell_Lx_Qup;
