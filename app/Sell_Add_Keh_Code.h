// The new-order dialog (F2): pick a walk-in customer; a double click on the
// customer makes a station order for the work date.
#pragma once
#include "Forms.h"
#include "StdCtrls.h"
#include <vector>

// The station order number: "CS" + yyMMdd of the work date ('yyyy-MM-dd')
// + the sequence after LastSeq (the last three characters of the newest
// station order's number): its value + 1 cut to three digits, "001" when
// LastSeq is empty or no number.
QString StationOrderNumber(const QString &WorkDate, const QString &LastSeq);

// Makes a station order (kind 2, entered by Operator, made locally) for the
// customer on the work date in one local transaction: the number as above,
// the id one below the smallest order id and below zero (-1 on an empty table).
// False when nothing was written; Dh receives the new number, Id (if given) its id.
bool CreateStationOrder(const QString &WorkDate, int CustomerId, const QString &Operator, QString &Dh,
                        qint64 *Id = nullptr);

class TSell_Add_Keh : public TForm
{
    STATION_CLASS(TSell_Add_Keh, TForm)
public:
    explicit TSell_Add_Keh(TComponent *AOwner);
    ~TSell_Add_Keh() override;

    TLabel *Label1;
    TComboBox *kehfenl_mc;
    TLabel *Label2;
    TEdit *edit1;
    TListBox *Keh_mc;
    TButton *Button1;

    void FormShow(TObject *Sender);
    void FormClose(TObject *Sender, TCloseAction &Action);
    void FormKeyDown(TObject *Sender, Word &Key, TShiftState Shift);
    void edit1Change(TObject *Sender);
    void kehfenl_mcChange(TObject *Sender);
    void Keh_mcDblClick(TObject *Sender);
    void Button1Click(TObject *Sender);

    // Refills Keh_mc from the search text and the chosen class.
    void LoadCustomers();
    // The customer id of a Keh_mc item, 0 when out of range.
    int CustomerIdAt(int Index) const;

private:
    std::vector<int> FClassIds;
    std::vector<int> FCustomerIds;
};

extern TSell_Add_Keh *Sell_Add_Keh;
