// The station's main window: the work date, the operator label, the toolbar,
// the scale area (weight, reading switch, tare presets, recalibration, the
// serial port) and the day's orders by customer and by product with the tile
// grids of their lines.
#pragma once
#include "ComCtrls.h"
#include "DBGrids.h"
#include "ExtCtrls.h"
#include "Grids.h"
#include "Forms.h"
#include "MSComm.h"
#include "StdCtrls.h"
#include "SysUtils.h"
#include "YbButton.h"
#include "YbRadChk.h"
#include <QHash>
#include "scale_code.h"
#include <array>
#include <memory>
#include <utility>
#include <vector>

class TqdzReport;
class TqdzUserDataSet;
class Variant;

// The work date for a moment: its day up to 09:59, the next day from 10:00 on.
TDateTime WorkDateFor(TDateTime Moment);

// State and id of every tile of a tile grid, by column 1-10 and row 1 on
// (30 rows to start with, more as an order's lines need them). State 1 is
// yellow, 2 blue, 3 red, anything else the window colour; the empty tile is
// state 6 with id 0.
class TTileTable
{
public:
    TTileTable() { Reset(); }
    void Reset();
    int State(int ACol, int ARow) const;
    int Id(int ACol, int ARow) const;
    void Set(int ACol, int ARow, int State, int Id);

private:
    struct TTile {
        int State = 6;
        int Id = 0;
    };
    std::vector<std::array<TTile, 11>> FRows; // [row][col]
};

// The screen adaptation's part for a grid already given its scaled bounds:
// column widths by XScale (a data grid's columns), narrowed where the
// scroll bar and borders, which do not scale, would push the last ones out;
// row heights and the default row height by YScale. DesignWidth is the
// grid's designed width.
void ScaleGridCells(TControl *Control, double XScale, double YScale, int DesignWidth);

// Background colour of a tile state.
TColor TileColor(int State);

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

    // Same load / separate loads, and the same-load memory of the weighing.
    TYbRadioButton *SameBang;
    TYbRadioButton *DifferentBang;
    TEdit *LastGross;
    TEdit *LastStep;

    // By customer. A filter panel is selected when it is red.
    TPanel *Sell_Dh_No;
    TPanel *Sell_Dh_Over;
    TPanel *Sell_Dh_All;
    TComboBox *Sell_Dh_Fenl;
    TEdit *Sell_Dh_Cxtj;
    TDBGrid *Sell_Dh;
    TPanel *Sell_Mx_No;
    TPanel *Sell_Mx_Over;
    TPanel *Sell_Mx_All;
    TEdit *Sell_Mx_Cxtj;
    TStringGrid *Sell_StringGrid1;
    TButton *Button1;
    TButton *Button2;
    TButton *Button3;
    TButton *Button4;
    TLabel *Label_Blue;
    TLabel *Label_Red;
    TLabel *Label_Yellow;

    // By product.
    TPanel *Sell_Cp_Dh_No;
    TPanel *Sell_Cp_Dh_Over;
    TPanel *Sell_Cp_Dh_All;
    TComboBox *Sell_Cp_Dh_Fenl;
    TEdit *Sell_Cp_Dh_Cxtj;
    TDBGrid *Sell_Cp_Dh;
    TPanel *Sell_Cp_Mx_No;
    TPanel *Sell_Cp_Mx_Over;
    TPanel *Sell_Cp_Mx_All;
    TEdit *Sell_Cp_Mx_Cxtj;
    TStringGrid *Sell_Cp_StringGrid1;
    TButton *Button5;

    // Whole orders ("过总榜").
    TDBGrid *Sell_Lx_Gride;
    TRadioButton *Sell_Lx_No;
    TRadioButton *Sell_Lx_Over;
    TRadioButton *Sell_Lx_All;
    TEdit *Sell_Lx_Cxtj;
    TStringGrid *Lx_StringGrid1;

    // Operating instructions.
    TMemo *Memo1;

    // The tiles of the three grids.
    TTileTable SellTiles;
    TTileTable CpTiles;
    TTileTable LxTiles;

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
    // Rescales the window laid out for 1680 x 1050 to a screen of the given
    // size, once: fonts by the smaller factor, bounds by each axis's own.
    // Client-aligned controls follow their parent. Errors come back as
    // Exception "进行屏幕分辨率自适应调整时出现错误" + the first message.
    void AdaptToScreen(int ScreenWidth, int ScreenHeight);
    // A designed font size as this screen shows it: scaled like every other
    // font of the window, never below the smallest readable size.
    int ScaledFontSize(int Designed) const;
    // Design-time bounds (left, top, right, bottom): entry 0 the window,
    // then each control in the order collected.
    const std::vector<TRect> &DesignBounds() const { return FDesignBounds; }

    // From the first activation until a login succeeds the window stays
    // disabled: a dialog closing cannot give it back, and a disabled window
    // takes no clicks or keys.
    void SetEnabled(bool Value) override;
    // The login window's success: the operator's name, the window enabled.
    void LoggedIn(const QString &OperatorName);

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

    // The lists. OrderId keeps that order selected, ProductId that product.
    void LoadOrders(const QString &OrderId);
    void LoadOrderLines();
    void LoadProducts(const QString &ProductId);
    void LoadProductOrderLines();
    void LoadWholeOrders();
    void FillCustomerClasses();
    void FillProductClasses();
    // The work date as stored in the local database.
    QString WorkDateText() const;
    // "0,12,15": the orders all of whose lines are weighed, and those with
    // some but not all (filled by LoadOrders).
    QString FinishedOrders() const { return FFinishedOrders; }
    QString PartlyOrders() const { return FPartlyOrders; }
    bool IsFinishedOrder(const QString &Id) const;
    bool IsPartlyOrder(const QString &Id) const;

    void FormShow(TObject *Sender);
    void FormKeyDown(TObject *Sender, Word &Key, TShiftState Shift);
    void PageControl1Change(TObject *Sender);
    void DateTimePicker1Change(TObject *Sender);
    void Sell_Dh_NoClick(TObject *Sender);
    void Sell_Dh_OverClick(TObject *Sender);
    void Sell_Dh_AllClick(TObject *Sender);
    void Sell_Dh_FenlChange(TObject *Sender);
    void Sell_Dh_CxtjChange(TObject *Sender);
    void Sell_Mx_NoClick(TObject *Sender);
    void Sell_Mx_OverClick(TObject *Sender);
    void Sell_Mx_AllClick(TObject *Sender);
    void Sell_Mx_CxtjChange(TObject *Sender);
    void Sell_DhCellClick(TColumn *Column);
    void Sell_DhKeyUp(TObject *Sender, Word &Key, TShiftState Shift);
    void Sell_DhDrawColumnCell(TObject *Sender, const TRect &Rect, int DataCol, TColumn *Column, TGridDrawState State);
    void Sell_StringGrid1SelectCell(TObject *Sender, int ACol, int ARow, bool &CanSelect);
    void Sell_StringGrid1DrawCell(TObject *Sender, int ACol, int ARow, TRect Rect, TGridDrawState State);
    void Sell_Cp_Dh_NoClick(TObject *Sender);
    void Sell_Cp_Dh_OverClick(TObject *Sender);
    void Sell_Cp_Dh_AllClick(TObject *Sender);
    void Sell_Cp_Dh_FenlChange(TObject *Sender);
    void Sell_Cp_Dh_CxtjChange(TObject *Sender);
    void Sell_Cp_Mx_NoClick(TObject *Sender);
    void Sell_Cp_Mx_OverClick(TObject *Sender);
    void Sell_Cp_Mx_AllClick(TObject *Sender);
    void Sell_Cp_Mx_CxtjChange(TObject *Sender);
    void Sell_Cp_DhCellClick(TColumn *Column);
    void Sell_Cp_DhKeyUp(TObject *Sender, Word &Key, TShiftState Shift);
    void Sell_Cp_DhDrawColumnCell(TObject *Sender, const TRect &Rect, int DataCol, TColumn *Column,
                                  TGridDrawState State);
    void Sell_Cp_StringGrid1SelectCell(TObject *Sender, int ACol, int ARow, bool &CanSelect);
    void Sell_Cp_StringGrid1DrawCell(TObject *Sender, int ACol, int ARow, TRect Rect, TGridDrawState State);
    void Sell_Lx_NoClick(TObject *Sender);
    void Sell_Lx_CxtjChange(TObject *Sender);
    void Sell_Lx_GrideCellClick(TColumn *Column);
    void Sell_Lx_GrideKeyUp(TObject *Sender, Word &Key, TShiftState Shift);
    void Sell_Lx_GrideDrawColumnCell(TObject *Sender, const TRect &Rect, int DataCol, TColumn *Column,
                                     TGridDrawState State);
    void Button1Click(TObject *Sender);
    void Button2Click(TObject *Sender);
    void Button3Click(TObject *Sender);
    void Button4Click(TObject *Sender);
    void Button5Click(TObject *Sender);
    // Application.OnMessage: the mouse wheel scrolls the focused grid by lines.
    void ApplicationMessage(TMsg &Msg, bool &Handled);

    // Delivery note. The report loads db/p01.qd3; the user dataset walks the
    // order's lines, which OnGetValue serves from the ten column lists.
    TqdzReport *qdzReport1;
    TqdzUserDataSet *qdzUserDataSet1;
    // Fills the column lists, the customer's codes and the header texts of
    // the loaded template for the order Id.
    void PrepareDeliveryNote(const QString &Id);
    void qdzReport1GetValue(const QString &VarName, Variant &Value);
    // The column lists in the order of the variables that read them: "row",
    // "bh", "mc", "gg", "dw", "dinghl", "songhl", "dj", "shisje", "bz".
    static constexpr int NoteListCount = 10;
    TStringList *NoteList(int Index) const { return FNoteLists[Index].get(); }
    // The customer's own code and name of a product, from the last note.
    bool CustomerCode(qint64 ProductId, QString &Code, QString &Name) const;
    // The last note's total in ten-thousandths.
    qint64 NoteTotal() const { return FNoteTotal; }
    // Where a note goes when the machine has no print queue: a PDF file in
    // db/notes beside the database. Empty after printing to a printer.
    QString LastNoteFile() const { return FLastNoteFile; }
    // The built note as a PDF file; False when nothing could be written.
    bool WriteNotePdf(const QString &FileName);

    ~Tmain() override;

private:
    void CreateListControls();
    // The weighing, manual-order and details dialogs reach the window through these.
    void FillDialogHosts();
    void ClearDialogHosts();
    // Whether the order (or product) list has a row to act on; shows the
    // warning when not.
    bool CheckListHasRows(TADOQuery *Query);
    void ResetSameLoad();
    void DrawTile(TStringGrid *Grid, const TTileTable &Tiles, int FontSize, int ACol, int ARow, const TRect &Rect);
    void TileSelected(const TTileTable &Tiles, int ACol, int ARow);

    double FXScale = 1.0;
    double FYScale = 1.0;
    bool FAdapted = false;
    bool FLoginPending = false;
    std::vector<TRect> FDesignBounds;
    QString FFinishedOrders = QStringLiteral("0");
    QString FPartlyOrders = QStringLiteral("0");
    QString FLastOrderId;
    QString FLastProductId;
    // Whether the tiles show the current order's / product's lines.
    bool FSellLinesShown = false;
    bool FCpLinesShown = false;
    std::vector<int> FCustomerClassIds;
    std::vector<int> FProductClassIds;
    void CreateNoteLists();
    std::array<std::unique_ptr<TStringList>, NoteListCount> FNoteLists;
    // Product id -> the customer's code and name; refilled for every note.
    QHash<qint64, std::pair<QString, QString>> FCustomerCodes;
    qint64 FNoteTotal = 0;
    QString FLastNoteFile;
    TScaleFrames FScaleFrames;
};

extern Tmain *main_;
