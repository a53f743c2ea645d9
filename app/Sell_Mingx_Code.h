// The details windows: the current order's lines with their weighing records
// (TSell_Mingx); a record or a whole line added at the station can be deleted
// from the popup menu. TSell_CpMingx shows the same for a product of the day.
#pragma once
#include "DBGrids.h"
#include "Forms.h"
#include "Menus.h"
#include "StdCtrls.h"

// Fills Details (opened on the empty scratch table, never saved) from the rows
// of a details statement (sjid, local_jhsj, id, mc, dw, gg, dinghl, songhl,
// bz, zhongzl, qup, zl ordered by line and record): per line a line row, then
// one row per weighing record numbered from 1 (dw = number, gg = gross,
// dinghl = tare, songhl = net). The cursor is left on the last row.
void FillDetailsRows(TADOQuery *Details, TADOQuery *Source);

// Marks the weighing record deleted and takes its net off the line's
// delivered quantity and amount (and the ordered quantity of a line added at
// the station), in one local transaction. A record already deleted or
// missing changes nothing. False when nothing was written because of a failure.
bool DeleteWeighingRecord(int RecordId);
// Hides a line added at the station from its order (order id 0) and
// marks its records deleted, in one local transaction. Downloaded lines are
// left alone (false).
bool DeleteAddedLine(int LineId);

class TSell_Mingx : public TForm
{
    STATION_CLASS(TSell_Mingx, TForm)
public:
    explicit TSell_Mingx(TComponent *AOwner);
    ~TSell_Mingx() override;

    TLabel *Label1;
    TEdit *Edit1;
    TDBGrid *Sell_Mingx_DBGrid1;
    TButton *Button1;
    TPopupMenu *PopupMenu1;
    TMenuItem *N1;
    TMenuItem *N2;

    void FormShow(TObject *Sender);
    void FormClose(TObject *Sender, TCloseAction &Action);
    void FormKeyDown(TObject *Sender, Word &Key, TShiftState Shift);
    void Edit1Change(TObject *Sender);
    void Button1Click(TObject *Sender);
    void N1Click(TObject *Sender);
    void N2Click(TObject *Sender);
    void Sell_Mingx_DBGrid1DrawColumnCell(TObject *Sender, const TRect &Rect, int DataCol, TColumn *Column,
                                          TGridDrawState State);

    // Reads the details again ("没有配货信息!" when there are none).
    void LoadDetails();
    // The query behind the grid.
    TADOQuery *Details() const;
    // Whether the current details row is a weighing record (not a line row).
    bool OnRecordRow() const;

protected:
    // Byproduct: the window of a product's lines on the work date.
    TSell_Mingx(TComponent *AOwner, bool ByProduct);
    // The details statement with its parameters, search text included.
    virtual QString ListStatement(QList<Variant> &Params) const;
    // After a line was deleted: the main window's lists.
    virtual void ReloadAfterLineDeleted();

private:
    void Build(bool ByProduct);
    bool FByProduct = false;
};

extern TSell_Mingx *Sell_Mingx;
