// The crate keypad of an order line: the tare is the number of crates times
// the unit tare of the preset chosen on the main window.
#pragma once
#include "Forms.h"
#include "StdCtrls.h"

class TSell_Dh_Qup : public TForm
{
    STATION_CLASS(TSell_Dh_Qup, TForm)
public:
    explicit TSell_Dh_Qup(TComponent *AOwner);
    ~TSell_Dh_Qup() override;

    TLabel *CpName;  // customer and product of the line
    TLabel *Label1;  // "本次框数录入" as built; the line's quantities once shown
    TLabel *Label2;  // "个框"
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

    void FormCreate(TObject *Sender);
    void FormShow(TObject *Sender);
    void FormClose(TObject *Sender, TCloseAction &Action);
    void FormKeyDown(TObject *Sender, Word &Key, TShiftState Shift);
    void DigitClick(TObject *Sender);
    void Button13Click(TObject *Sender);
    void Button14Click(TObject *Sender);
    void Lur_valueKeyPress(TObject *Sender, QChar &Key);
};

extern TSell_Dh_Qup *Sell_Dh_Qup;
