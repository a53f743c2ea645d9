// The add-product dialog (F3): pick a product for the current order; the
// first weighing (gross from the scale or typed, tare, price) makes a new
// line of that order with its weighing record.
#pragma once
#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"
#include <vector>

// Adds the line (ordered and delivered quantity Net, price, amount, made
// locally) and its first weighing record (Gross, Tare) in one local
// transaction. The line id is one below the smallest line id and below zero
// (-1 on an empty table). Returns the new line id, 0 when nothing was written.
int AddStationLine(int OrderId, int ProductId, double Gross, double Tare, double Net, double Price, double Amount);

class TSell_Add_Cp : public TForm
{
    STATION_CLASS(TSell_Add_Cp, TForm)
public:
    explicit TSell_Add_Cp(TComponent *AOwner);
    ~TSell_Add_Cp() override;

    TLabel *Label1;
    TComboBox *Cpfenl_mc;
    TLabel *Label2;
    TEdit *edit1;
    TListBox *Cp_mc;
    TLabel *Label_zzl;
    TEdit *zzl;
    TLabel *Label_qp;
    TEdit *qp;
    TLabel *Label_jz;
    TEdit *jz;
    TLabel *Label_dj;
    TEdit *dj;
    TLabel *Label_je;
    TEdit *je;
    TButton *Button1;
    TButton *Button2;
    TTimer *Timer1;

    void FormShow(TObject *Sender);
    void FormClose(TObject *Sender, TCloseAction &Action);
    void FormKeyDown(TObject *Sender, Word &Key, TShiftState Shift);
    void edit1Change(TObject *Sender);
    void Cpfenl_mcChange(TObject *Sender);
    void Cp_mcClick(TObject *Sender);
    void Timer1Timer(TObject *Sender);
    // Backspace, Enter, '.' and digits pass; Enter in dj commits.
    void NumberKeyPress(TObject *Sender, QChar &Key);
    void Button1Click(TObject *Sender);
    void Button2Click(TObject *Sender);

    void LoadProducts();
    // The product id of a Cp_mc item, 0 when out of range.
    int ProductIdAt(int Index) const;

private:
    std::vector<int> FClassIds;
    std::vector<int> FProductIds;
};

extern TSell_Add_Cp *Sell_Add_Cp;
