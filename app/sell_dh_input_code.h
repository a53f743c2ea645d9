// The typed weighing keypad of an order line: the tare typed in kilograms
// while the scale is read, or the whole quantity typed by hand.
#pragma once
#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "YbButton.h"

class Tsell_dh_input : public TForm
{
    STATION_CLASS(Tsell_dh_input, TForm)
public:
    explicit Tsell_dh_input(TComponent *AOwner);
    ~Tsell_dh_input() override;

    TLabel *Label1;      // customer
    TLabel *ProductName; // the line
    TLabel *Label2;      // "请手动输入", shown while weights are typed by hand
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
    TYbButton *YbButton1; // reading state of the scale

    void FormCreate(TObject *Sender);
    void FormShow(TObject *Sender);
    void FormClose(TObject *Sender, TCloseAction &Action);
    void FormKeyDown(TObject *Sender, Word &Key, TShiftState Shift);
    void DigitClick(TObject *Sender);
    void Button10Click(TObject *Sender);
    void Button12Click(TObject *Sender);
    void Button13Click(TObject *Sender);
    void Button14Click(TObject *Sender);
    void YbButton1Click(TObject *Sender);
    void Lur_valueKeyPress(TObject *Sender, QChar &Key);
};

extern Tsell_dh_input *sell_dh_input;
