// The main window's order lists: the day's orders by customer and by product
// with the tile grids of their lines, the whole-order page, the filters, the
// function keys and the mouse-wheel translator.
#include "Unit1.h"
#include "Sell_Add_Cp_Code.h"
#include "Sell_Add_Keh_Code.h"
#include "Sell_CpMingx_Code.h"
#include "Sell_Dh_Qup_Code.h"
#include "Sell_Host.h"
#include "Sell_Mingx_Code.h"
#include "datacenter_code.h"
#include "sell_dh_input_code.h"
#include "weighing_code.h"
#include "sync_code.h"
#include <algorithm>
#include <cmath>

namespace {

constexpr int TilesPerRow = 7;
constexpr int WholeOrdersPerRow = 6;
const QChar CR = QLatin1Char('\r');

// Decimals a tile shows for quantities: the scale gives two; a value typed
// with a third keeps it.
int ShownDecimals(std::initializer_list<QString> Values)
{
    for (const QString &v : Values) {
        double x;
        if (!TryStrToFloat(v, x) || !std::isfinite(x))
            continue;
        const double cents = x * 100;
        if (std::abs(cents - std::round(cents)) > 1e-6 * std::max(1.0, std::abs(cents)))
            return 3;
    }
    return 2;
}

// A quantity (or a difference, computed in floating point) as a tile shows
// it: rounded to Decimals, without trailing zeros; a text that is no number
// stays as it is.
QString ShownQuantity(const QString &Value, int Decimals)
{
    double x;
    if (!TryStrToFloat(Value, x) || !std::isfinite(x))
        return Value;
    const QString s = FormatFloat(Decimals > 2 ? QStringLiteral("0.###") : QStringLiteral("0.##"), x);
    return s == QLatin1String("-0") ? QStringLiteral("0") : s;
}

bool IsSelected(const TPanel *Panel)
{
    return Panel->Color() == clRed;
}

// The panel turns red, the others of its group back to the button face.
void SelectPanel(TPanel *Panel, std::initializer_list<TPanel *> Group)
{
    for (TPanel *p : Group)
        p->SetColor(p == Panel ? clRed : clBtnFace);
}

QString Count(const QString &Prefix, qint64 N)
{
    return Prefix + QString::number(N) + QLatin1Char(')');
}

// '%text%' for a LIKE that looks for the text anywhere; the text is bound,
// never written into the statement.
Variant Like(const QString &Text)
{
    return Variant(QLatin1Char('%') + Text + QLatin1Char('%'));
}

// Closes the query, gives it the statement and its bound values, opens it.
void Reopen(TADOQuery *Query, const QString &Sql, const QList<Variant> &Params)
{
    Query->Close();
    Query->SQL()->SetText(Sql);
    Query->Parameters().Clear();
    for (int i = 0; i < Params.size(); ++i)
        Query->Parameters().AddParameter(QStringLiteral("p%1").arg(i + 1), Params[i]);
    Query->Open();
}

// The dialogs are shown without being modal: the main window waits disabled
// until the dialog's close gives it back. A dialog not made yet opens nothing.
void ShowDialog(TForm *Main, TForm *Dialog)
{
    if (!Dialog)
        return;
    Main->SetEnabled(false);
    Dialog->Show();
}

bool HasCurrentRow(TADOQuery *Query)
{
    return Query->Active() && !Query->IsEmpty();
}

// Empties a tile grid back to its designed rows and resets its tiles.
void ClearTiles(TStringGrid *Grid, TTileTable &Tiles, int Rows)
{
    for (int r = 0; r < Grid->RowCount(); ++r)
        for (int c = 0; c < Grid->ColCount(); ++c)
            Grid->SetCells(c, r, QString());
    Grid->SetRowCount(Rows);
    Tiles.Reset();
}

// Tile number Index (0-based) goes to column Index mod PerRow + 1 of row
// Index div PerRow + 1; the grid grows by rows as needed.
void PlaceTile(TStringGrid *Grid, TTileTable &Tiles, int Index, int PerRow, const QString &Text, int State, int Id)
{
    const int col = Index % PerRow + 1, row = Index / PerRow + 1;
    if (row >= Grid->RowCount())
        Grid->SetRowCount(row + 1);
    Grid->SetCells(col, row, Text);
    Tiles.Set(col, row, State, Id);
}

} // namespace

// --- TTileTable -------------------------------------------------------------------

void TTileTable::Reset()
{
    FRows.assign(31, {});
}

int TTileTable::State(int ACol, int ARow) const
{
    if (ACol < 0 || ACol > 10 || ARow < 0 || size_t(ARow) >= FRows.size())
        return 6;
    return FRows[size_t(ARow)][size_t(ACol)].State;
}

int TTileTable::Id(int ACol, int ARow) const
{
    if (ACol < 0 || ACol > 10 || ARow < 0 || size_t(ARow) >= FRows.size())
        return 0;
    return FRows[size_t(ARow)][size_t(ACol)].Id;
}

void TTileTable::Set(int ACol, int ARow, int State, int Id)
{
    if (ACol < 0 || ACol > 10 || ARow < 0)
        return;
    if (size_t(ARow) >= FRows.size())
        FRows.resize(size_t(ARow) + 1);
    FRows[size_t(ARow)][size_t(ACol)] = TTile{State, Id};
}

TColor TileColor(int State)
{
    switch (State) {
    case 1:
        return clYellow;
    case 2:
        return clMenuHighlight;
    case 3:
        return clRed;
    default:
        return clWindow;
    }
}

// --- the controls ----------------------------------------------------------------

void Tmain::CreateListControls()
{
    auto named = [](TControl *C, const char *Name, TWinControl *Parent, int L, int T, int W, int H) {
        C->SetName(QString::fromLatin1(Name));
        C->SetParent(Parent);
        C->SetBounds(L, T, W, H);
    };
    auto panel = [&](const char *Name, TWinControl *Parent, int L, int T, const QString &Caption,
                     void (Tmain::*Handler)(TObject *)) {
        auto *p = new TPanel(this);
        named(p, Name, Parent, L, T, 130, 44);
        p->SetCaption(Caption);
        p->SetColor(clBtnFace);
        p->Font()->SetSize(13);
        p->SetCursor(crHandPoint);
        p->SetOnClick(TNotifyEvent(this, Handler));
        return p;
    };
    auto edit = [&](const char *Name, TWinControl *Parent, int L, int T, int W, void (Tmain::*Handler)(TObject *)) {
        auto *e = new TEdit(this);
        named(e, Name, Parent, L, T, W, 32);
        e->Font()->SetSize(13);
        e->SetOnChange(TNotifyEvent(this, Handler));
        return e;
    };
    auto combo = [&](const char *Name, TWinControl *Parent, int L, int T, void (Tmain::*Handler)(TObject *)) {
        auto *c = new TComboBox(this);
        named(c, Name, Parent, L, T, 200, 32);
        c->SetStyle(csDropDownList);
        c->Font()->SetSize(12);
        c->SetOnChange(TNotifyEvent(this, Handler));
        return c;
    };
    auto tiles = [&](const char *Name, TWinControl *Parent, int L, int T, int W, int H, int Cols, int Rows,
                     int RowHeight) {
        auto *g = new TStringGrid(this);
        named(g, Name, Parent, L, T, W, H);
        g->SetColCount(Cols);
        g->SetRowCount(Rows);
        g->SetDefaultColWidth((W - 24) / (Cols - 1));
        g->SetDefaultRowHeight(RowHeight);
        g->SetColWidths(0, 0);
        g->SetRowHeights(0, 0);
        g->SetScrollBars(ssVertical);
        return g;
    };
    auto dbgrid = [&](const char *Name, TWinControl *Parent, int L, int T, int W, int H, TDataSource *Source) {
        auto *g = new TDBGrid(this);
        named(g, Name, Parent, L, T, W, H);
        g->Font()->SetSize(12);
        g->SetDefaultRowHeight(28);
        g->SetDataSource(Source);
        return g;
    };
    auto column = [](TDBGrid *G, const char *Field, const QString &Title, int Width) {
        TColumn *c = G->Columns()->Add();
        c->SetFieldName(QString::fromLatin1(Field));
        c->Title()->SetCaption(Title);
        c->SetWidth(Width);
    };
    auto button = [&](const char *Name, TWinControl *Parent, int L, int T, const QString &Caption,
                      void (Tmain::*Handler)(TObject *)) {
        auto *b = new TButton(this);
        named(b, Name, Parent, L, T, 150, 48);
        b->SetCaption(Caption);
        b->Font()->SetSize(13);
        b->SetOnClick(TNotifyEvent(this, Handler));
        return b;
    };
    auto label = [&](TWinControl *Parent, int L, int T, const QString &Caption, TColor Color) {
        auto *l = new TLabel(this);
        l->SetParent(Parent);
        l->SetBounds(L, T, 150, 22);
        l->SetCaption(Caption);
        l->Font()->SetSize(11);
        l->Font()->SetColor(Color);
        return l;
    };

    // Same-load mode beside the scale; the memory fields stay hidden.
    SameBang = new TYbRadioButton(this);
    named(SameBang, "SameBang", TopPanel, 1030, 12, 70, 26);
    SameBang->SetCaption(QStringLiteral("同榜"));
    SameBang->Font()->SetSize(13);
    DifferentBang = new TYbRadioButton(this);
    named(DifferentBang, "DifferentBang", TopPanel, 1100, 12, 70, 26);
    DifferentBang->SetCaption(QStringLiteral("异榜"));
    DifferentBang->Font()->SetSize(13);
    LastGross = new TEdit(this);
    named(LastGross, "LastGross", TopPanel, 1180, 12, 60, 24);
    LastGross->SetText(QStringLiteral("0"));
    LastGross->SetVisible(false);
    LastStep = new TEdit(this);
    named(LastStep, "LastStep", TopPanel, 1180, 40, 60, 24);
    LastStep->SetText(QStringLiteral("0"));
    LastStep->SetVisible(false);

    // By customer: the orders on the left, the tiles of the chosen order on the right.
    Sell_Dh_No = panel("Sell_Dh_No", TabSheet1, 4, 4, QStringLiteral("未配完(0)"), &Tmain::Sell_Dh_NoClick);
    Sell_Dh_Over = panel("Sell_Dh_Over", TabSheet1, 138, 4, QStringLiteral("已配完(0)"), &Tmain::Sell_Dh_OverClick);
    Sell_Dh_All = panel("Sell_Dh_All", TabSheet1, 272, 4, QStringLiteral("所有(0)"), &Tmain::Sell_Dh_AllClick);
    Sell_Dh_Fenl = combo("Sell_Dh_Fenl", TabSheet1, 4, 52, &Tmain::Sell_Dh_FenlChange);
    Sell_Dh_Cxtj = edit("Sell_Dh_Cxtj", TabSheet1, 208, 52, 250, &Tmain::Sell_Dh_CxtjChange);
    Sell_Dh = dbgrid("Sell_Dh", TabSheet1, 4, 90, 460, 820, nullptr);
    column(Sell_Dh, "usercode", QStringLiteral("客户编码"), 90);
    column(Sell_Dh, "shortname", QStringLiteral("客户名称"), 180);
    column(Sell_Dh, "dh", QStringLiteral("单号"), 120);
    column(Sell_Dh, "dyzt", QStringLiteral("打印"), 40);
    Sell_Dh->SetOnCellClick(TDBGridClickEvent(this, &Tmain::Sell_DhCellClick));
    Sell_Dh->SetOnKeyUp(TKeyEvent(this, &Tmain::Sell_DhKeyUp));
    Sell_Dh->SetOnDrawColumnCell(TDrawColumnCellEvent(this, &Tmain::Sell_DhDrawColumnCell));

    Sell_Mx_No = panel("Sell_Mx_No", TabSheet1, 474, 4, QStringLiteral("未配(0)"), &Tmain::Sell_Mx_NoClick);
    Sell_Mx_Over = panel("Sell_Mx_Over", TabSheet1, 608, 4, QStringLiteral("已配(0)"), &Tmain::Sell_Mx_OverClick);
    Sell_Mx_All = panel("Sell_Mx_All", TabSheet1, 742, 4, QStringLiteral("所有(0)"), &Tmain::Sell_Mx_AllClick);
    Sell_Mx_Cxtj = edit("Sell_Mx_Cxtj", TabSheet1, 880, 10, 250, &Tmain::Sell_Mx_CxtjChange);
    Label_Blue = label(TabSheet1, 1150, 2, QStringLiteral("蓝色表示未配产品"), clBlue);
    Label_Red = label(TabSheet1, 1150, 24, QStringLiteral("红色表示已配产品"), clRed);
    Label_Yellow = label(TabSheet1, 1310, 2, QStringLiteral("黄色表示超配产品"), clOlive);
    Sell_StringGrid1 = tiles("Sell_StringGrid1", TabSheet1, 474, 52, 1190, 740, 8, 7, 120);
    Sell_StringGrid1->SetOnSelectCell(TSelectCellEvent(this, &Tmain::Sell_StringGrid1SelectCell));
    Sell_StringGrid1->SetOnDrawCell(TDrawCellEvent(this, &Tmain::Sell_StringGrid1DrawCell));
    Button1 = button("Button1", TabSheet1, 474, 806, QStringLiteral("打印单  F1"), &Tmain::Button1Click);
    Button2 = button("Button2", TabSheet1, 634, 806, QStringLiteral("新增单  F2"), &Tmain::Button2Click);
    Button3 = button("Button3", TabSheet1, 794, 806, QStringLiteral("加品种  F3"), &Tmain::Button3Click);
    Button4 = button("Button4", TabSheet1, 954, 806, QStringLiteral("查明细  F5"), &Tmain::Button4Click);

    // By product.
    Sell_Cp_Dh_No = panel("Sell_Cp_Dh_No", TabSheet2, 4, 4, QStringLiteral("未配完(0)"), &Tmain::Sell_Cp_Dh_NoClick);
    Sell_Cp_Dh_Over =
        panel("Sell_Cp_Dh_Over", TabSheet2, 138, 4, QStringLiteral("已配完(0)"), &Tmain::Sell_Cp_Dh_OverClick);
    Sell_Cp_Dh_All = panel("Sell_Cp_Dh_All", TabSheet2, 272, 4, QStringLiteral("所有(0)"), &Tmain::Sell_Cp_Dh_AllClick);
    Sell_Cp_Dh_Fenl = combo("Sell_Cp_Dh_Fenl", TabSheet2, 4, 52, &Tmain::Sell_Cp_Dh_FenlChange);
    Sell_Cp_Dh_Cxtj = edit("Sell_Cp_Dh_Cxtj", TabSheet2, 208, 52, 250, &Tmain::Sell_Cp_Dh_CxtjChange);
    Sell_Cp_Dh =
        dbgrid("Sell_Cp_Dh", TabSheet2, 4, 90, 460, 820, nullptr);
    column(Sell_Cp_Dh, "mc", QStringLiteral("产品名称"), 200);
    column(Sell_Cp_Dh, "dinghl", QStringLiteral("订货量"), 110);
    column(Sell_Cp_Dh, "songhl", QStringLiteral("配货量"), 110);
    Sell_Cp_Dh->SetOnCellClick(TDBGridClickEvent(this, &Tmain::Sell_Cp_DhCellClick));
    Sell_Cp_Dh->SetOnKeyUp(TKeyEvent(this, &Tmain::Sell_Cp_DhKeyUp));
    Sell_Cp_Dh->SetOnDrawColumnCell(TDrawColumnCellEvent(this, &Tmain::Sell_Cp_DhDrawColumnCell));
    Sell_Cp_Mx_No = panel("Sell_Cp_Mx_No", TabSheet2, 474, 4, QStringLiteral("未配(0)"), &Tmain::Sell_Cp_Mx_NoClick);
    Sell_Cp_Mx_Over = panel("Sell_Cp_Mx_Over", TabSheet2, 608, 4, QStringLiteral("已配(0)"), &Tmain::Sell_Cp_Mx_OverClick);
    Sell_Cp_Mx_All = panel("Sell_Cp_Mx_All", TabSheet2, 742, 4, QStringLiteral("所有(0)"), &Tmain::Sell_Cp_Mx_AllClick);
    Sell_Cp_Mx_Cxtj = edit("Sell_Cp_Mx_Cxtj", TabSheet2, 880, 10, 250, &Tmain::Sell_Cp_Mx_CxtjChange);
    Sell_Cp_StringGrid1 = tiles("Sell_Cp_StringGrid1", TabSheet2, 474, 52, 1190, 740, 8, 7, 120);
    Sell_Cp_StringGrid1->SetOnSelectCell(TSelectCellEvent(this, &Tmain::Sell_Cp_StringGrid1SelectCell));
    Sell_Cp_StringGrid1->SetOnDrawCell(TDrawCellEvent(this, &Tmain::Sell_Cp_StringGrid1DrawCell));
    Button5 = button("Button5", TabSheet2, 474, 806, QStringLiteral("查明细F5"), &Tmain::Button5Click);

    // Whole orders: groups on the left, their orders as cells on the right.
    Sell_Lx_Gride =
        dbgrid("Sell_Lx_Gride", TabSheet3, 4, 52, 300, 858, nullptr);
    column(Sell_Lx_Gride, "id", QStringLiteral("编号"), 60);
    column(Sell_Lx_Gride, "fenlmc", QStringLiteral("名称"), 200);
    Sell_Lx_Gride->SetOnCellClick(TDBGridClickEvent(this, &Tmain::Sell_Lx_GrideCellClick));
    Sell_Lx_Gride->SetOnKeyUp(TKeyEvent(this, &Tmain::Sell_Lx_GrideKeyUp));
    Sell_Lx_Gride->SetOnDrawColumnCell(TDrawColumnCellEvent(this, &Tmain::Sell_Lx_GrideDrawColumnCell));
    auto radio = [&](const char *Name, int L, const QString &Caption) {
        auto *r = new TRadioButton(this);
        named(r, Name, TabSheet3, L, 10, 130, 30);
        r->SetCaption(Caption);
        r->Font()->SetSize(13);
        r->SetOnClick(TNotifyEvent(this, &Tmain::Sell_Lx_NoClick));
        return r;
    };
    Sell_Lx_No = radio("Sell_Lx_No", 314, QStringLiteral("未过磅(0)"));
    Sell_Lx_Over = radio("Sell_Lx_Over", 448, QStringLiteral("已过磅(0)"));
    Sell_Lx_All = radio("Sell_Lx_All", 582, QStringLiteral("所有(0)"));
    Sell_Lx_Cxtj = edit("Sell_Lx_Cxtj", TabSheet3, 720, 10, 250, &Tmain::Sell_Lx_CxtjChange);
    Lx_StringGrid1 = tiles("Lx_StringGrid1", TabSheet3, 314, 52, 1340, 740, 9, 8, 100);

    Memo1 = new TMemo(this);
    named(Memo1, "Memo1", TabSheet4, 8, 8, 900, 500);
    Memo1->SetReadOnly(true);
    Memo1->Font()->SetSize(14);
    Memo1->Lines()->SetText(QStringLiteral(
        "1. 选择操作日期, 在\"按客户配货\"中点选客户订单, 右侧显示该单的产品。\n"
        "2. 点选产品格子, 按秤上重量录入配货量; 蓝色为未配, 红色为已配, 黄色为超配。\n"
        "3. 多个产品放在秤上连续称重时选\"同榜\", 每次单独称重选\"异榜\"。\n"
        "4. F1 打印送货单, F2 新增单, F3 加品种, F5 查明细, Esc 退出。\n"
        "5. 按产品配货时, 先点选产品, 再点选客户格子。"));

    SetOnShow(TNotifyEvent(this, &Tmain::FormShow));
    SetOnKeyDown(TKeyEvent(this, &Tmain::FormKeyDown));
    PageControl1->SetOnChange(TNotifyEvent(this, &Tmain::PageControl1Change));
    DateTimePicker1->SetOnChange(TNotifyEvent(this, &Tmain::DateTimePicker1Change));
}

// --- what the dialogs take from the main window ---------------------------------------

void Tmain::FillDialogHosts()
{
    WeighingHost.MainForm = this;
    WeighingHost.Sell_StringGrid1 = Sell_StringGrid1;
    WeighingHost.Lx_StringGrid1 = Lx_StringGrid1;
    WeighingHost.m_zhongzl = m_zhongzl;
    WeighingHost.m_stopread = m_stopread;
    WeighingHost.m_qup = m_qup;
    WeighingHost.m_qup_value = m_qup_value;
    WeighingHost.LastGross = LastGross;
    WeighingHost.LastStep = LastStep;
    WeighingHost.SameBang = SameBang;
    WeighingHost.DifferentBang = DifferentBang;
    WeighingHost.ReloadOrderLines = [this] { LoadOrderLines(); };
    WeighingHost.ReloadProductLines = [this] { LoadProductOrderLines(); };
    WeighingHost.ReloadWholeOrders = [this] { LoadWholeOrders(); };

    auto currentId = [](TADOQuery *(TDataCenter::*Query)) {
        if (!DataCenter || !HasCurrentRow(DataCenter->*Query))
            return 0;
        return (DataCenter->*Query)->FieldByName(QStringLiteral("id")).AsInteger();
    };
    SellHost.MainForm = this;
    SellHost.WorkDate = [this] { return WorkDateText(); };
    SellHost.OperatorName = [this] { return caozy->Caption(); };
    SellHost.CurrentOrderId = [currentId] { return currentId(&TDataCenter::L_Sell_Dh_Query); };
    SellHost.CurrentProductId = [currentId] { return currentId(&TDataCenter::L_Sell_Cp_Dh_Query); };
    // Read only when frames can arrive: reading on, a parsing scale type and an
    // open port. Without a scale the weight shown stays "0" and is no reading.
    SellHost.ScaleRead = [this] { return m_zhongzl->ReadOnly() && m_zhongzl->Tag() == 1 && MSComm1->PortOpen(); };
    SellHost.ScaleWeight = [this] { return m_zhongzl->Text(); };
    SellHost.ShowNewOrder = [this](qint64 Id) {
        SelectPanel(Sell_Dh_No, {Sell_Dh_No, Sell_Dh_Over, Sell_Dh_All});
        LoadOrders(QString::number(Id));
    };
    SellHost.ShowAllocatedLines = [this] {
        SelectPanel(Sell_Mx_Over, {Sell_Mx_No, Sell_Mx_Over, Sell_Mx_All});
        LoadOrderLines();
    };
    SellHost.ReloadTiles = [this] {
        if (HasCurrentRow(DataCenter->L_Sell_Dh_Query))
            LoadOrderLines();
        if (HasCurrentRow(DataCenter->L_Sell_Cp_Dh_Query))
            LoadProductOrderLines();
    };
    SellHost.ReloadLists = [this] {
        TADOQuery *orders = DataCenter->L_Sell_Dh_Query, *products = DataCenter->L_Sell_Cp_Dh_Query;
        const QString order = HasCurrentRow(orders) ? orders->FieldByName(QStringLiteral("id")).AsString() : QString();
        const QString id = HasCurrentRow(products) ? products->FieldByName(QStringLiteral("id")).AsString() : QString();
        LoadOrders(order);
        LoadProducts(id);
        SellHost.DoReloadTiles();
    };
}

void Tmain::ClearDialogHosts()
{
    if (WeighingHost.MainForm == this)
        WeighingHost = TWeighingHost();
    if (SellHost.MainForm == this)
        SellHost = TSellHost();
}

// --- helpers ------------------------------------------------------------------------

QString Tmain::WorkDateText() const
{
    return FormatDateTime(QStringLiteral("yyyy-mm-dd"), DateTimePicker1->Date());
}

bool Tmain::IsFinishedOrder(const QString &Id) const
{
    return (QLatin1Char(',') + FFinishedOrders + QLatin1Char(',')).contains(QLatin1Char(',') + Id + QLatin1Char(','));
}

bool Tmain::IsPartlyOrder(const QString &Id) const
{
    return (QLatin1Char(',') + FPartlyOrders + QLatin1Char(',')).contains(QLatin1Char(',') + Id + QLatin1Char(','));
}

void Tmain::ResetSameLoad()
{
    LastGross->SetText(QStringLiteral("0"));
    LastStep->SetText(QStringLiteral("0"));
    DifferentBang->SetChecked(true);
}

bool Tmain::CheckListHasRows(TADOQuery *Query)
{
    if (Query->Active() && Query->RecordCount() > 0)
        return true;
    Application->MessageBox(QStringLiteral("请选择本次操作的对应客户单号!"), QStringLiteral("提示!"), MB_ICONWARNING);
    return false;
}

// --- by customer ---------------------------------------------------------------------

void Tmain::FillCustomerClasses()
{
    Sell_Dh_Fenl->Items()->Clear();
    FCustomerClassIds.clear();
    Sell_Dh_Fenl->Items()->Add(QStringLiteral("-客户分类不限-"));
    FCustomerClassIds.push_back(0);
    auto q = DataCenter->LocalOpen(QStringLiteral("select id,fenlmc from sys_khfenl order by bianh"));
    for (q->First(); !q->Eof(); q->Next()) {
        Sell_Dh_Fenl->Items()->Add(q->FieldByName(QStringLiteral("fenlmc")).AsString());
        FCustomerClassIds.push_back(q->FieldByName(QStringLiteral("id")).AsInteger());
    }
    Sell_Dh_Fenl->SetItemIndex(0);
}

void Tmain::LoadOrders(const QString &OrderId)
{
    FSellLinesShown = false;
    const QString d = WorkDateText();
    qint64 total;
    {
        auto q = DataCenter->LocalOpen(QStringLiteral("select count(*) from sys_jhdh dh where dh.dhrq=? and dh.lx=2"), {d});
        total = q->Fields(0).AsLargeInt();
    }
    // Orders whose lines are all weighed are finished; some but not all, partly.
    // Counted per order by the database: a busy day has tens of thousands of lines.
    qint64 finished = 0;
    QStringList finishedIds{QStringLiteral("0")}, partlyIds{QStringLiteral("0")};
    {
        auto q = DataCenter->LocalOpen(QStringLiteral("select dh.id,count(*) as lines,count(sj.songhl) as weighed "
                                                      "from sys_jhdh dh,sys_jhsj sj where dh.id=sj.dhid and dh.dhrq=? "
                                                      "and dh.lx=2 group by dh.id order by dh.id"),
                                       {d});
        const int id = q->FieldIndex(QStringLiteral("id")), lines = q->FieldIndex(QStringLiteral("lines")),
                  weighed = q->FieldIndex(QStringLiteral("weighed"));
        for (q->First(); !q->Eof(); q->Next()) {
            const qint64 n = q->Fields(lines).AsLargeInt(), w = q->Fields(weighed).AsLargeInt();
            if (w == n) {
                finishedIds << q->Fields(id).AsString();
                ++finished;
            } else if (w > 0) {
                partlyIds << q->Fields(id).AsString();
            }
        }
    }
    FFinishedOrders = finishedIds.join(QLatin1Char(','));
    FPartlyOrders = partlyIds.join(QLatin1Char(','));

    QString f;
    QList<Variant> params{d};
    if (!Sell_Dh_Cxtj->Text().isEmpty()) {
        f += QStringLiteral(" and (unit.shortname like ? or unit.piny like ? or unit.usercode like ?) ");
        params << Like(Sell_Dh_Cxtj->Text()) << Like(Sell_Dh_Cxtj->Text()) << Like(Sell_Dh_Cxtj->Text());
    }
    const int cls = Sell_Dh_Fenl->ItemIndex();
    if (cls > 0 && size_t(cls) < FCustomerClassIds.size()) {
        f += QStringLiteral(" and unit.typea=? ");
        params << Variant(FCustomerClassIds[size_t(cls)]);
    }
    // The id lists hold only ids read from the database.
    if (IsSelected(Sell_Dh_No))
        f += QStringLiteral(" and dh.id not in(") + FFinishedOrders + QStringLiteral(") ");
    else if (IsSelected(Sell_Dh_Over))
        f += QStringLiteral("  and dh.id in(") + FFinishedOrders + QStringLiteral(") ");

    TADOQuery *list = DataCenter->L_Sell_Dh_Query;
    Reopen(list,
           QStringLiteral("select dh.id,unit.usercode,unit.shortname,dh.dh,"
                          "case when dh.print_yes=1 then '√' else '' end as dyzt "
                          "from sys_jhdh dh,sys_unit unit where dh.unit=unit.id and dh.dhrq=? and dh.lx=2 ")
               + f + QStringLiteral(" order by unit.typea,unit.usercode"),
           params);
    if (!OrderId.isEmpty())
        list->Locate(QStringLiteral("id"), Variant(OrderId));
    Sell_Dh->SyncWithDataSet();
    Sell_Dh->Invalidate();

    Sell_Dh_No->SetCaption(Count(QStringLiteral("未配完("), total - finished));
    Sell_Dh_Over->SetCaption(Count(QStringLiteral("已配完("), finished));
    Sell_Dh_All->SetCaption(Count(QStringLiteral("所有("), total));
    ClearTiles(Sell_StringGrid1, SellTiles, 7);
    Sell_Mx_No->SetCaption(QStringLiteral("未配(0)"));
    Sell_Mx_Over->SetCaption(QStringLiteral("已配(0)"));
    Sell_Mx_All->SetCaption(QStringLiteral("所有(0)"));
}

void Tmain::LoadOrderLines()
{
    TADOQuery *list = DataCenter->L_Sell_Dh_Query;
    if (IsSelected(Sell_Dh_Over))
        SelectPanel(Sell_Mx_Over, {Sell_Mx_No, Sell_Mx_Over, Sell_Mx_All});
    ClearTiles(Sell_StringGrid1, SellTiles, 7);
    if (!HasCurrentRow(list))
        return;
    FSellLinesShown = true;
    const QString id = list->FieldByName(QStringLiteral("id")).AsString();
    if (id != FLastOrderId) {
        ResetSameLoad();
        FLastOrderId = id;
    }

    QString f;
    QList<Variant> params{Variant(id.toLongLong())};
    if (!Sell_Mx_Cxtj->Text().isEmpty()) {
        f += QStringLiteral(" and (cp.mc like ? or cp.piny like ?) ");
        params << Like(Sell_Mx_Cxtj->Text()) << Like(Sell_Mx_Cxtj->Text());
    }
    if (IsSelected(Sell_Mx_No))
        f += QStringLiteral(" and sj.songhl is null ");
    else if (IsSelected(Sell_Mx_Over))
        f += QStringLiteral(" and sj.songhl is not null ");
    auto q = DataCenter->LocalOpen(
        QStringLiteral("select sj.id,sj.sl,sj.sldw,sj.songhl,cp.mc,sj.dinghl,cp.dw,sj.bz,"
                       "sj.songhl-case when sj.dinghl is null then 0 else sj.dinghl end as chae "
                       "from sys_jhsj sj,sys_cp cp where sj.mc=cp.id and sj.dhid=?")
            + f + QStringLiteral(" order by sj.paix"),
        params);
    int n = 0;
    for (q->First(); !q->Eof(); q->Next(), ++n) {
        auto s = [&q](const char *Name) { return q->FieldByName(QString::fromLatin1(Name)).AsString(); };
        const int places = ShownDecimals({s("songhl"), s("dinghl")});
        const QString mc = s("mc"), sl = s("sl"), sldw = s("sldw"), songhl = ShownQuantity(s("songhl"), places),
                      dinghl = ShownQuantity(s("dinghl"), places), dw = s("dw"), bz = s("bz"),
                      chae = ShownQuantity(s("chae"), places);
        const bool countOnly = !sl.isEmpty() && (dinghl.isEmpty() || dinghl == QLatin1String("0"));
        QString text;
        int state;
        if (!songhl.isEmpty()) {
            if (countOnly) {
                text = mc + CR + CR + bz;
                state = 1;
            } else {
                text = mc + CR + (sldw.isEmpty() ? chae : songhl) + CR + bz;
                state = q->FieldByName(QStringLiteral("chae")).AsInteger() < 0 ? 3 : 1;
            }
        } else {
            if (countOnly)
                text = mc + CR + sl + sldw + CR + bz;
            else if (sl.isEmpty() && dinghl != QLatin1String("0") && !sldw.isEmpty())
                text = mc + CR + dinghl + sldw + CR + bz;
            else
                text = mc + CR + dinghl + dw + CR + bz;
            state = 2;
        }
        PlaceTile(Sell_StringGrid1, SellTiles, n, TilesPerRow, text, state,
                  q->FieldByName(QStringLiteral("id")).AsInteger());
    }

    auto c = DataCenter->LocalOpen(QStringLiteral("select sum(case when sj.songhl is null then 1 else 0 end) as aa,"
                                                  "sum(case when sj.songhl is not null then 1 else 0 end) as bb "
                                                  "from sys_jhsj sj where sj.dhid=?"),
                                   {Variant(id.toLongLong())});
    const qint64 aa = c->FieldByName(QStringLiteral("aa")).AsLargeInt(), bb = c->FieldByName(QStringLiteral("bb")).AsLargeInt();
    Sell_Mx_No->SetCaption(Count(QStringLiteral("未配("), aa));
    Sell_Mx_Over->SetCaption(Count(QStringLiteral("已配("), bb));
    Sell_Mx_All->SetCaption(Count(QStringLiteral("所有("), aa + bb));
}

// --- by product ----------------------------------------------------------------------

void Tmain::FillProductClasses()
{
    Sell_Cp_Dh_Fenl->Items()->Clear();
    FProductClassIds.clear();
    Sell_Cp_Dh_Fenl->Items()->Add(QStringLiteral("-产品分类不限-"));
    FProductClassIds.push_back(0);
    auto q = DataCenter->LocalOpen(QStringLiteral("select id,fenlmc from sys_cpfenl order by id"));
    for (q->First(); !q->Eof(); q->Next()) {
        Sell_Cp_Dh_Fenl->Items()->Add(q->FieldByName(QStringLiteral("fenlmc")).AsString());
        FProductClassIds.push_back(q->FieldByName(QStringLiteral("id")).AsInteger());
    }
    Sell_Cp_Dh_Fenl->SetItemIndex(0);
}

void Tmain::LoadProducts(const QString &ProductId)
{
    FCpLinesShown = false;
    const QString d = WorkDateText();
    qint64 total, open = 0;
    QStringList openIds{QStringLiteral("0")};
    {
        auto q = DataCenter->LocalOpen(QStringLiteral("select distinct mc from sys_jhdh dh,sys_jhsj sj "
                                                      "where dh.id=sj.dhid and dh.dhrq=? and dh.lx=2"),
                                       {d});
        total = q->RecordCount();
        auto o = DataCenter->LocalOpen(QStringLiteral("select Distinct sj.mc from sys_jhdh dh,sys_jhsj sj "
                                                      "where dh.id=sj.dhid and dh.dhrq=? and dh.lx=2 and sj.songhl is null"),
                                       {d});
        for (o->First(); !o->Eof(); o->Next(), ++open)
            openIds << QString::number(o->FieldByName(QStringLiteral("mc")).AsLargeInt());
    }
    const QString openList = openIds.join(QLatin1Char(','));

    QString f;
    QList<Variant> params{d};
    if (!Sell_Cp_Dh_Cxtj->Text().isEmpty()) {
        f += QStringLiteral(" and (cp.mc like ? or cp.piny like ?) ");
        params << Like(Sell_Cp_Dh_Cxtj->Text()) << Like(Sell_Cp_Dh_Cxtj->Text());
    }
    const int cls = Sell_Cp_Dh_Fenl->ItemIndex();
    if (cls > 0 && size_t(cls) < FProductClassIds.size()) {
        f += QStringLiteral(" and cp.dfl=? ");
        params << Variant(FProductClassIds[size_t(cls)]);
    }
    if (IsSelected(Sell_Cp_Dh_No))
        f += QStringLiteral(" and cp.id in(") + openList + QStringLiteral(") ");
    else if (IsSelected(Sell_Cp_Dh_Over))
        f += QStringLiteral("  and cp.id not in(") + openList + QStringLiteral(") ");

    TADOQuery *list = DataCenter->L_Sell_Cp_Dh_Query;
    Reopen(list,
           QStringLiteral("select distinct cp.id,cp.mc,sum(sj.dinghl) as dinghl,sum(sj.songhl) as songhl "
                          "from sys_jhdh dh,sys_jhsj sj,sys_cp cp where dh.id=sj.dhid and sj.mc=cp.id "
                          "and dh.dhrq=? and dh.lx=2 ")
               + f + QStringLiteral(" group by cp.id,cp.mc order by cp.mc"),
           params);
    Sell_Cp_Dh->SyncWithDataSet();
    Sell_Cp_Dh->Invalidate();
    if (!ProductId.isEmpty()) {
        if (!list->Locate(QStringLiteral("id"), Variant(ProductId))) {
            list->First();
            Sell_Cp_Dh->SyncWithDataSet();
            // The product left the list: its tiles must not stay touchable.
            ClearTiles(Sell_Cp_StringGrid1, CpTiles, 7);
            return;
        }
        Sell_Cp_Dh->SyncWithDataSet();
    }

    Sell_Cp_Dh_No->SetCaption(Count(QStringLiteral("未配完("), open));
    Sell_Cp_Dh_Over->SetCaption(Count(QStringLiteral("已配完("), total - open));
    Sell_Cp_Dh_All->SetCaption(Count(QStringLiteral("所有("), total));
    ClearTiles(Sell_Cp_StringGrid1, CpTiles, 7);
    Sell_Cp_Mx_No->SetCaption(QStringLiteral("未配(0)"));
    Sell_Cp_Mx_Over->SetCaption(QStringLiteral("已配(0)"));
    Sell_Cp_Mx_All->SetCaption(QStringLiteral("所有(0)"));
}

void Tmain::LoadProductOrderLines()
{
    TADOQuery *list = DataCenter->L_Sell_Cp_Dh_Query;
    if (IsSelected(Sell_Cp_Dh_Over))
        SelectPanel(Sell_Cp_Mx_Over, {Sell_Cp_Mx_No, Sell_Cp_Mx_Over, Sell_Cp_Mx_All});
    ClearTiles(Sell_Cp_StringGrid1, CpTiles, 7);
    if (!HasCurrentRow(list))
        return;
    FCpLinesShown = true;
    const QString id = list->FieldByName(QStringLiteral("id")).AsString();
    if (id != FLastProductId) {
        ResetSameLoad();
        FLastProductId = id;
    }
    const QString d = WorkDateText();

    QString f;
    QList<Variant> params{d, Variant(id.toLongLong())};
    if (!Sell_Cp_Mx_Cxtj->Text().isEmpty()) {
        f += QStringLiteral(" and (unit.shortname like ? or unit.piny like ?) ");
        params << Like(Sell_Cp_Mx_Cxtj->Text()) << Like(Sell_Cp_Mx_Cxtj->Text());
    }
    if (IsSelected(Sell_Cp_Mx_No))
        f += QStringLiteral(" and sj.songhl is null ");
    else if (IsSelected(Sell_Cp_Mx_Over))
        f += QStringLiteral(" and sj.songhl is not null ");
    auto q = DataCenter->LocalOpen(
        QStringLiteral("select sj.id,sj.songhl,unit.shortname,sj.sldw,sj.dinghl,cp.dw,sj.bz,"
                       "sj.songhl-case when sj.dinghl is null then 0 else sj.dinghl end as chae "
                       "from sys_jhsj sj,sys_cp cp,sys_jhdh dh,sys_unit unit "
                       "where dh.id=sj.dhid and dh.unit=unit.id and sj.mc=cp.id and dh.dhrq=? and sj.mc=?")
            + f + QStringLiteral(" order by unit.usercode"),
        params);
    int n = 0;
    for (q->First(); !q->Eof(); q->Next(), ++n) {
        auto s = [&q](const char *Name) { return q->FieldByName(QString::fromLatin1(Name)).AsString(); };
        const int places = ShownDecimals({s("songhl"), s("dinghl")});
        const QString sn = s("shortname"), sldw = s("sldw"), songhl = ShownQuantity(s("songhl"), places),
                      dinghl = ShownQuantity(s("dinghl"), places), dw = s("dw"), bz = s("bz"),
                      chae = ShownQuantity(s("chae"), places);
        QString text;
        int state;
        if (!songhl.isEmpty()) {
            text = sn + CR + (sldw.isEmpty() ? chae : songhl) + CR + bz;
            state = !dinghl.isEmpty() && dinghl != QLatin1String("0")
                            && q->FieldByName(QStringLiteral("chae")).AsInteger() < 0
                        ? 3
                        : 1;
        } else {
            text = sn + CR + dinghl + (!dinghl.isEmpty() && !sldw.isEmpty() ? sldw : dw) + CR + bz;
            state = 2;
        }
        PlaceTile(Sell_Cp_StringGrid1, CpTiles, n, TilesPerRow, text, state,
                  q->FieldByName(QStringLiteral("id")).AsInteger());
    }

    auto c = DataCenter->LocalOpen(QStringLiteral("select sum(case when sj.songhl is null then 1 else 0 end) as aa,"
                                                  "sum(case when sj.songhl is not null then 1 else 0 end) as bb "
                                                  "from sys_jhsj sj,sys_jhdh dh "
                                                  "where dh.id=sj.dhid and dh.dhrq=? and dh.lx=2 and sj.mc=?"),
                                   {d, Variant(id.toLongLong())});
    const qint64 aa = c->FieldByName(QStringLiteral("aa")).AsLargeInt(), bb = c->FieldByName(QStringLiteral("bb")).AsLargeInt();
    Sell_Cp_Mx_No->SetCaption(Count(QStringLiteral("未配("), aa));
    Sell_Cp_Mx_Over->SetCaption(Count(QStringLiteral("已配("), bb));
    Sell_Cp_Mx_All->SetCaption(Count(QStringLiteral("所有("), aa + bb));
}

// --- whole orders -------------------------------------------------------------------

void Tmain::LoadWholeOrders()
{
    TADOQuery *groups = DataCenter->L_Sell_Lx_Query;
    ClearTiles(Lx_StringGrid1, LxTiles, 8);
    if (!HasCurrentRow(groups))
        return;
    const qint64 group = groups->FieldByName(QStringLiteral("id")).AsLargeInt();
    const QString d = WorkDateText();
    QString f;
    QList<Variant> params{Variant(group)};
    if (!Sell_Lx_Cxtj->Text().isEmpty()) {
        f += QStringLiteral(" and (unit.shortname like ? or dh.dh like ?) ");
        params << Like(Sell_Lx_Cxtj->Text()) << Like(Sell_Lx_Cxtj->Text());
    }
    if (Sell_Lx_No->Checked())
        f += QStringLiteral(" and dh.zzl is null ");
    else if (Sell_Lx_Over->Checked())
        f += QStringLiteral(" and dh.zzl is not null ");
    params << d;
    auto q = DataCenter->LocalOpen(QStringLiteral("select dh.id,dh.dh,unit.shortname,bz,dh.zzl,dh.zqp "
                                                  "from sys_jhdh dh,sys_unit unit where dh.unit=unit.id and unit.typeb=?")
                                       + f + QStringLiteral(" and dh.dhrq=? order by dh.dh"),
                                   params);
    int n = 0;
    for (q->First(); !q->Eof(); q->Next(), ++n) {
        auto s = [&q](const char *Name) { return q->FieldByName(QString::fromLatin1(Name)).AsString(); };
        const bool weighed = !s("zzl").isEmpty();
        const QString zzl = weighed ? ShownQuantity(s("zzl"), ShownDecimals({s("zzl")})) : QString();
        PlaceTile(Lx_StringGrid1, LxTiles, n, WholeOrdersPerRow,
                  s("dh") + CR + s("shortname") + CR + (weighed ? zzl : s("bz")), weighed ? 1 : 2,
                  q->FieldByName(QStringLiteral("id")).AsInteger());
    }
    auto c = DataCenter->LocalOpen(QStringLiteral("select sum(case when dh.zzl is null then 1 else 0 end) as aa,"
                                                  "sum(case when dh.zzl is not null then 1 else 0 end) as bb "
                                                  "from sys_jhdh dh,sys_unit unit  "
                                                  "where dh.unit=unit.id and unit.typeb=? and dh.dhrq=?"),
                                   {Variant(group), d});
    const qint64 aa = c->FieldByName(QStringLiteral("aa")).AsLargeInt(), bb = c->FieldByName(QStringLiteral("bb")).AsLargeInt();
    Sell_Lx_No->SetCaption(Count(QStringLiteral("未过磅("), aa));
    Sell_Lx_Over->SetCaption(Count(QStringLiteral("已过磅("), bb));
    Sell_Lx_All->SetCaption(Count(QStringLiteral("所有("), aa + bb));
}

// --- events -------------------------------------------------------------------------

void Tmain::FormShow(TObject *)
{
    DifferentBang->SetChecked(true);
    PageControl1Change(PageControl1);
    TabSheet3->SetTabVisible(false);
    // The data module is made after the main window; without it (the
    // window alone) there are no lists to show.
    if (!DataCenter)
        return;
    Sell_Dh->SetDataSource(DataCenter->L_Sell_Dh_Source);
    Sell_Cp_Dh->SetDataSource(DataCenter->L_Sell_Cp_Dh_Source);
    Sell_Lx_Gride->SetDataSource(DataCenter->L_Sell_Lx_Source);
    SelectPanel(Sell_Dh_All, {Sell_Dh_No, Sell_Dh_Over, Sell_Dh_All});
    SelectPanel(Sell_Mx_All, {Sell_Mx_No, Sell_Mx_Over, Sell_Mx_All});
    FillCustomerClasses();
    LoadOrders(QString());
    SelectPanel(Sell_Cp_Dh_No, {Sell_Cp_Dh_No, Sell_Cp_Dh_Over, Sell_Cp_Dh_All});
    FillProductClasses();
    LoadProducts(QString());
}

void Tmain::PageControl1Change(TObject *)
{
    TTabSheet *active = PageControl1->ActivePage();
    for (TTabSheet *t : {TabSheet1, TabSheet2, TabSheet3, TabSheet4})
        t->SetHighlighted(t == active);
    // Weighings on the other page changed what this one lists: it shows what
    // the database holds, on the same order or product and its tiles.
    if (!DataCenter)
        return;
    TADOQuery *orders = DataCenter->L_Sell_Dh_Query, *products = DataCenter->L_Sell_Cp_Dh_Query;
    auto currentId = [](TADOQuery *List) {
        return HasCurrentRow(List) ? List->FieldByName(QStringLiteral("id")).AsString() : QString();
    };
    if (active == TabSheet1 && orders->Active()) {
        const QString id = currentId(orders);
        const bool lines = FSellLinesShown;
        LoadOrders(id);
        if (lines && !id.isEmpty() && currentId(orders) == id)
            LoadOrderLines();
    } else if (active == TabSheet2 && products->Active()) {
        const QString id = currentId(products);
        const bool lines = FCpLinesShown;
        LoadProducts(id);
        if (lines && !id.isEmpty() && currentId(products) == id)
            LoadProductOrderLines();
    }
}

void Tmain::DateTimePicker1Change(TObject *)
{
    LoadOrders(QString());
    LoadProducts(QString());
}

void Tmain::Sell_Dh_NoClick(TObject *)
{
    SelectPanel(Sell_Dh_No, {Sell_Dh_No, Sell_Dh_Over, Sell_Dh_All});
    LoadOrders(QString());
}

void Tmain::Sell_Dh_OverClick(TObject *)
{
    SelectPanel(Sell_Dh_Over, {Sell_Dh_No, Sell_Dh_Over, Sell_Dh_All});
    SelectPanel(Sell_Mx_Over, {Sell_Mx_No, Sell_Mx_Over, Sell_Mx_All});
    LoadOrders(QString());
}

void Tmain::Sell_Dh_AllClick(TObject *)
{
    SelectPanel(Sell_Dh_All, {Sell_Dh_No, Sell_Dh_Over, Sell_Dh_All});
    LoadOrders(QString());
}

void Tmain::Sell_Dh_FenlChange(TObject *)
{
    LoadOrders(QString());
}

void Tmain::Sell_Dh_CxtjChange(TObject *)
{
    LoadOrders(QString());
}

void Tmain::Sell_Mx_NoClick(TObject *)
{
    // With the finished orders shown, the reload selects allocated again.
    SelectPanel(Sell_Mx_No, {Sell_Mx_No, Sell_Mx_Over, Sell_Mx_All});
    LoadOrderLines();
}

void Tmain::Sell_Mx_OverClick(TObject *)
{
    SelectPanel(Sell_Mx_Over, {Sell_Mx_No, Sell_Mx_Over, Sell_Mx_All});
    LoadOrderLines();
}

void Tmain::Sell_Mx_AllClick(TObject *)
{
    if (!IsSelected(Sell_Dh_Over))
        SelectPanel(Sell_Mx_All, {Sell_Mx_No, Sell_Mx_Over, Sell_Mx_All});
    LoadOrderLines();
}

void Tmain::Sell_Mx_CxtjChange(TObject *)
{
    LoadOrderLines();
}

void Tmain::Sell_DhCellClick(TColumn *)
{
    SelectPanel(IsSelected(Sell_Dh_Over) ? Sell_Mx_Over : Sell_Mx_No, {Sell_Mx_No, Sell_Mx_Over, Sell_Mx_All});
    Sell_Mx_Cxtj->SetText(QString());
    LoadOrderLines();
}

void Tmain::Sell_DhKeyUp(TObject *, Word &Key, TShiftState)
{
    if (Key != VK_UP && Key != VK_DOWN)
        Sell_DhCellClick(nullptr);
}

void Tmain::Sell_DhDrawColumnCell(TObject *, const TRect &Rect, int DataCol, TColumn *Column, TGridDrawState State)
{
    TCanvas *c = Sell_Dh->Canvas();
    if (State.Contains(gdSelected) || State.Contains(gdFocused))
        c->Brush()->SetColor(clLime);
    const QString id = DataCenter->L_Sell_Dh_Query->FieldByName(QStringLiteral("id")).AsString();
    c->Font()->SetColor(IsFinishedOrder(id) ? clRed : IsPartlyOrder(id) ? clGreen : clBlack);
    Sell_Dh->DefaultDrawColumnCell(Rect, DataCol, Column, State);
}

void Tmain::TileSelected(const TTileTable &Tiles, int ACol, int ARow)
{
    const int id = Tiles.Id(ACol, ARow);
    if (id == 0)
        return;
    // The weighing dialogs take the line from here; a line deleted since the
    // tiles were drawn is refused.
    Sell_StringGrid1->SetTag(id);
    OpenLineWeighing();
}

void Tmain::Sell_StringGrid1SelectCell(TObject *, int ACol, int ARow, bool &)
{
    TileSelected(SellTiles, ACol, ARow);
}

void Tmain::DrawTile(TStringGrid *Grid, const TTileTable &Tiles, int FontSize, int ACol, int ARow, const TRect &Rect)
{
    if (ACol == 0 || ARow == 0)
        return;
    TCanvas *c = Grid->Canvas();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(TileColor(Tiles.State(ACol, ARow)));
    c->FillRect(Rect);
    c->Font()->Assign(Grid->Font());
    c->Font()->SetSize(ScaledFontSize(FontSize));
    c->Font()->SetColor(clBlack);
    c->Brush()->SetStyle(bsClear);
    QString text = Grid->Cells(ACol, ARow);
    text.replace(CR, QLatin1Char('\n'));
    // Centred both ways: measure the wrapped text first.
    TRect measure = Rect;
    const int h = c->DrawText(text, measure, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
    TRect r = Rect;
    r.Top += std::max(0, (Rect.Height() - h) / 2);
    c->DrawText(text, r, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
    c->Brush()->SetStyle(bsSolid);
}

void Tmain::Sell_StringGrid1DrawCell(TObject *, int ACol, int ARow, TRect Rect, TGridDrawState)
{
    DrawTile(Sell_StringGrid1, SellTiles, 14, ACol, ARow, Rect);
}

void Tmain::Sell_Cp_Dh_NoClick(TObject *)
{
    SelectPanel(Sell_Cp_Dh_No, {Sell_Cp_Dh_No, Sell_Cp_Dh_Over, Sell_Cp_Dh_All});
    LoadProducts(QString());
}

void Tmain::Sell_Cp_Dh_OverClick(TObject *)
{
    SelectPanel(Sell_Cp_Dh_Over, {Sell_Cp_Dh_No, Sell_Cp_Dh_Over, Sell_Cp_Dh_All});
    SelectPanel(Sell_Cp_Mx_Over, {Sell_Cp_Mx_No, Sell_Cp_Mx_Over, Sell_Cp_Mx_All});
    LoadProducts(QString());
}

void Tmain::Sell_Cp_Dh_AllClick(TObject *)
{
    SelectPanel(Sell_Cp_Dh_All, {Sell_Cp_Dh_No, Sell_Cp_Dh_Over, Sell_Cp_Dh_All});
    LoadProducts(QString());
}

void Tmain::Sell_Cp_Dh_FenlChange(TObject *)
{
    LoadProducts(QString());
}

void Tmain::Sell_Cp_Dh_CxtjChange(TObject *)
{
    LoadProducts(QString());
}

void Tmain::Sell_Cp_Mx_NoClick(TObject *)
{
    SelectPanel(Sell_Cp_Mx_No, {Sell_Cp_Mx_No, Sell_Cp_Mx_Over, Sell_Cp_Mx_All});
    LoadProductOrderLines();
}

void Tmain::Sell_Cp_Mx_OverClick(TObject *)
{
    SelectPanel(Sell_Cp_Mx_Over, {Sell_Cp_Mx_No, Sell_Cp_Mx_Over, Sell_Cp_Mx_All});
    LoadProductOrderLines();
}

void Tmain::Sell_Cp_Mx_AllClick(TObject *)
{
    if (!IsSelected(Sell_Cp_Dh_Over))
        SelectPanel(Sell_Cp_Mx_All, {Sell_Cp_Mx_No, Sell_Cp_Mx_Over, Sell_Cp_Mx_All});
    LoadProductOrderLines();
}

void Tmain::Sell_Cp_Mx_CxtjChange(TObject *)
{
    LoadProductOrderLines();
}

void Tmain::Sell_Cp_DhCellClick(TColumn *)
{
    SelectPanel(IsSelected(Sell_Cp_Dh_Over) ? Sell_Cp_Mx_Over : Sell_Cp_Mx_No,
                {Sell_Cp_Mx_No, Sell_Cp_Mx_Over, Sell_Cp_Mx_All});
    Sell_Cp_Mx_Cxtj->SetText(QString());
    LoadProductOrderLines();
}

void Tmain::Sell_Cp_DhKeyUp(TObject *, Word &Key, TShiftState)
{
    if (Key != VK_UP && Key != VK_DOWN)
        Sell_Cp_DhCellClick(nullptr);
}

void Tmain::Sell_Cp_DhDrawColumnCell(TObject *, const TRect &Rect, int DataCol, TColumn *Column, TGridDrawState State)
{
    TCanvas *c = Sell_Cp_Dh->Canvas();
    if (State.Contains(gdSelected) || State.Contains(gdFocused))
        c->Brush()->SetColor(clLime);
    const bool weighed = !DataCenter->L_Sell_Cp_Dh_Query->FieldByName(QStringLiteral("songhl")).AsString().isEmpty();
    c->Font()->SetColor(weighed ? clRed : clBlack);
    Sell_Cp_Dh->DefaultDrawColumnCell(Rect, DataCol, Column, State);
}

void Tmain::Sell_Cp_StringGrid1SelectCell(TObject *, int ACol, int ARow, bool &)
{
    TileSelected(CpTiles, ACol, ARow);
}

void Tmain::Sell_Cp_StringGrid1DrawCell(TObject *, int ACol, int ARow, TRect Rect, TGridDrawState)
{
    DrawTile(Sell_Cp_StringGrid1, CpTiles, 12, ACol, ARow, Rect);
}

void Tmain::Sell_Lx_NoClick(TObject *)
{
    LoadWholeOrders();
}

void Tmain::Sell_Lx_CxtjChange(TObject *)
{
    LoadWholeOrders();
}

void Tmain::Sell_Lx_GrideCellClick(TColumn *)
{
    Sell_Lx_No->SetChecked(true);
    Sell_Lx_Cxtj->SetText(QString());
    LoadWholeOrders();
}

void Tmain::Sell_Lx_GrideKeyUp(TObject *, Word &Key, TShiftState)
{
    if (Key != VK_UP && Key != VK_DOWN)
        Sell_Lx_GrideCellClick(nullptr);
}

void Tmain::Sell_Lx_GrideDrawColumnCell(TObject *, const TRect &Rect, int DataCol, TColumn *Column,
                                        TGridDrawState State)
{
    TCanvas *c = Sell_Lx_Gride->Canvas();
    if (State.Contains(gdSelected)) {
        c->Brush()->SetColor(clBlue);
        c->Font()->SetColor(clYellow);
    }
    Sell_Lx_Gride->DefaultDrawColumnCell(Rect, DataCol, Column, State);
}

void Tmain::Button2Click(TObject *)
{
    ShowDialog(this, Sell_Add_Keh);
}

void Tmain::Button3Click(TObject *)
{
    if (CheckListHasRows(DataCenter->L_Sell_Dh_Query))
        ShowDialog(this, Sell_Add_Cp);
}

void Tmain::Button4Click(TObject *)
{
    if (CheckListHasRows(DataCenter->L_Sell_Dh_Query))
        ShowDialog(this, Sell_Mingx);
}

void Tmain::Button5Click(TObject *)
{
    if (CheckListHasRows(DataCenter->L_Sell_Cp_Dh_Query))
        ShowDialog(this, Sell_CpMingx);
}

void Tmain::FormKeyDown(TObject *, Word &Key, TShiftState)
{
    switch (Key) {
    case VK_F1:
        Button1Click(Button1);
        break;
    case VK_F2:
        Button2Click(Button2);
        break;
    case VK_F3:
        Button3Click(Button3);
        break;
    case VK_F5:
        Button4Click(Button4);
        break;
    case VK_ESCAPE:
        Close();
        break;
    default:
        break;
    }
}

void Tmain::ApplicationMessage(TMsg &Msg, bool &Handled)
{
    if (Msg.message != WM_MOUSEWHEEL)
        return;
    TCustomForm *form = Screen->ActiveForm();
    TWinControl *target = form ? form->ActiveControl() : nullptr;
    if (!target || Msg.hwnd != target->Handle())
        return;
    const QString cls = target->ClassName();
    if (cls != QLatin1String("TDBGrid") && cls != QLatin1String("TStringGrid"))
        return;
    const auto delta = qint16(quint16(Msg.wParam >> 16));
    target->Perform(WM_VSCROLL, delta < 0 ? SB_LINEDOWN : SB_LINEUP);
    Handled = true;
}
