// The weighing keypads over the demo data: the arithmetic of one weighing
// (typed tare, crates, same load), what a commit writes to the order line and
// its weighing record, the keypad keys, closing without a commit, and the
// warning texts.
#include "FormHarness.h"
#include "Sell_Add_Cp_Code.h"
#include "Sell_Dh_Qup_Code.h"
#include "Sell_Host.h"
#include "Sell_Lx_Qup_Code.h"
#include "Sell_Mingx_Code.h"
#include "StationFixture.h"
#include "YbRadChk.h"
#include "datacenter_code.h"
#include "sell_dh_input_code.h"
#include "sell_lx_input_code.h"
#include "weighing_code.h"
#include <gtest/gtest.h>

using namespace FormHarness;

namespace {

// ---- arithmetic ---------------------------------------------------------------

TEST(WeighingArithmetic, SameLoadTakesOnlyTheIncrease)
{
    // Three lines put on the scale one after another without emptying it.
    const struct {
        const char *Reading, *Tare;
        double Net, Gross, RecordTare;
        const char *LastGross, *LastStep;
    } steps[] = {{"10", "1", 9, 10, 1, "10", "10"}, {"25", "1", 14, 15, 1, "25", "15"}, {"31", "0", 6, 6, 0, "31", "6"}};
    QString last = QStringLiteral("0");
    for (const auto &s : steps) {
        SCOPED_TRACE(s.Reading);
        const TWeighing w = TypedWeighing(wmSameLoad, QString::fromLatin1(s.Reading), QString::fromLatin1(s.Tare), last);
        EXPECT_DOUBLE_EQ(w.Net, s.Net);
        EXPECT_DOUBLE_EQ(w.Gross, s.Gross);
        EXPECT_DOUBLE_EQ(w.Tare, s.RecordTare);
        EXPECT_EQ(w.LastGross, QString::fromLatin1(s.LastGross));
        EXPECT_EQ(w.LastStep, QString::fromLatin1(s.LastStep));
        last = w.LastGross;
    }
}

TEST(WeighingArithmetic, SeparateLoadsAndManualEntry)
{
    TWeighing w = TypedWeighing(wmSeparateLoads, QStringLiteral("12.5"), QStringLiteral("1.5"), QStringLiteral("7"));
    EXPECT_DOUBLE_EQ(w.Net, 11);
    EXPECT_DOUBLE_EQ(w.Gross, 12.5);
    EXPECT_DOUBLE_EQ(w.Tare, 1.5);
    EXPECT_EQ(w.LastGross, QStringLiteral("0"));
    EXPECT_EQ(w.LastStep, QStringLiteral("0"));

    // By hand the typed number is the quantity; the reading plays no part.
    w = TypedWeighing(wmManual, QStringLiteral("junk"), QStringLiteral("20.25"), QStringLiteral("7"));
    EXPECT_DOUBLE_EQ(w.Net, 20.25);
    EXPECT_DOUBLE_EQ(w.Gross, 20.25);
    EXPECT_DOUBLE_EQ(w.Tare, 0);
    EXPECT_EQ(w.LastGross, QStringLiteral("0"));

    // Written rounded: 0.3 - 0.1 is 0.2, not 0.19999999999999998.
    w = TypedWeighing(wmSeparateLoads, QStringLiteral("0.3"), QStringLiteral("0.1"), QStringLiteral("0"));
    EXPECT_EQ(w.Net, 0.2);
    // A tare equal to the reading nets zero; above it, the net would go below zero.
    EXPECT_EQ(TypedWeighing(wmSeparateLoads, QStringLiteral("3.5"), QStringLiteral("3.5"), QStringLiteral("0")).Net, 0.0);
    EXPECT_THROW(TypedWeighing(wmSeparateLoads, QStringLiteral("1"), QStringLiteral("3.5"), QStringLiteral("0")),
                 EConvertError);
    // The same load below its last reading, and crates heavier than the load.
    EXPECT_THROW(TypedWeighing(wmSameLoad, QStringLiteral("10"), QStringLiteral("0"), QStringLiteral("10.01")),
                 EConvertError);
    EXPECT_THROW(CrateWeighing(false, QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("1.75"), QStringLiteral("0")),
                 EConvertError);
    EXPECT_THROW(CrateWeighing(true, QStringLiteral("12"), QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("11.5")),
                 EConvertError);
}

TEST(WeighingArithmetic, CratesTimesUnitTare)
{
    TWeighing w = CrateWeighing(false, QStringLiteral("20"), QStringLiteral("3"), QStringLiteral("3.5"), QStringLiteral("9"));
    EXPECT_DOUBLE_EQ(w.Net, 9.5);
    EXPECT_DOUBLE_EQ(w.Gross, 20);
    EXPECT_DOUBLE_EQ(w.Tare, 10.5);
    EXPECT_EQ(w.LastGross, QStringLiteral("0"));
    w = CrateWeighing(true, QStringLiteral("30"), QStringLiteral("2"), QStringLiteral("1.0"), QStringLiteral("20"));
    EXPECT_DOUBLE_EQ(w.Net, 8);
    EXPECT_DOUBLE_EQ(w.Gross, 10);
    EXPECT_DOUBLE_EQ(w.Tare, 2);
    EXPECT_EQ(w.LastGross, QStringLiteral("30"));
    EXPECT_EQ(w.LastStep, QStringLiteral("10"));
}

TEST(WeighingArithmetic, TextsThatAreNotNumbersRaise)
{
    for (const char *bad : {"", ".", "abc", "1.2.3", "1,5", "inf", "nan"}) {
        SCOPED_TRACE(bad);
        const QString t = QString::fromLatin1(bad);
        EXPECT_THROW(TypedWeighing(wmSeparateLoads, QStringLiteral("10"), t, QStringLiteral("0")), EConvertError);
        EXPECT_THROW(TypedWeighing(wmSeparateLoads, t, QStringLiteral("1"), QStringLiteral("0")), EConvertError);
        EXPECT_THROW(TypedWeighing(wmManual, QStringLiteral("10"), t, QStringLiteral("0")), EConvertError);
        EXPECT_THROW(CrateWeighing(false, QStringLiteral("10"), QStringLiteral("2"), t, QStringLiteral("0")), EConvertError);
    }
    EXPECT_THROW(TypedWeighing(wmSameLoad, QStringLiteral("10"), QStringLiteral("1"), QStringLiteral("x")), EConvertError);
    // A scale below zero gives no gross weight; zero itself is a reading.
    for (TWeighingMode m : {wmSeparateLoads, wmSameLoad})
        EXPECT_THROW(TypedWeighing(m, QStringLiteral("-3"), QStringLiteral("0"), QStringLiteral("0")), EConvertError);
    EXPECT_THROW(CrateWeighing(false, QStringLiteral("-0.01"), QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("0")),
                 EConvertError);
    EXPECT_THROW(CrateWeighing(true, QStringLiteral("-3"), QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("0")),
                 EConvertError);
    EXPECT_EQ(TypedWeighing(wmSeparateLoads, QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")).Gross, 0.0);
    EXPECT_THROW(CrateWeighing(false, QStringLiteral("10"), QStringLiteral("1.5"), QStringLiteral("2"), QStringLiteral("0")),
                 EConvertError);
    EXPECT_THROW(CrateWeighing(false, QStringLiteral("10"), QString(), QStringLiteral("2"), QStringLiteral("0")),
                 EConvertError);
    // A unit tare the scale could never weigh is no tare.
    for (const char *tare : {"1e308", "-1", "10000"})
        EXPECT_THROW(CrateWeighing(false, QStringLiteral("10"), QStringLiteral("1"), QString::fromLatin1(tare), QStringLiteral("0")),
                     EConvertError)
            << tare;
}

// ---- the dialogs ---------------------------------------------------------------

// The parts of the main window the keypads use.
struct MainStandIn {
    TForm *Form = nullptr;
    TComponent *Grid = nullptr;
    TComponent *LxGrid = nullptr;
    TEdit *Zhongzl, *LastGross, *LastStep;
    TButton *StopRead;
    TComboBox *Qup, *QupValue;
    TYbRadioButton *Same, *Different;
    int LineReloads = 0, ProductReloads = 0, WholeReloads = 0;

    MainStandIn()
    {
        Application->CreateForm(Form);
        Grid = new TComponent(Form);
        LxGrid = new TComponent(Form);
        auto edit = [this](const QString &Text) {
            auto *e = new TEdit(Form);
            e->SetParent(Form);
            e->SetText(Text);
            return e;
        };
        Zhongzl = edit(QStringLiteral("0"));
        Zhongzl->SetReadOnly(true);
        LastGross = edit(QStringLiteral("0"));
        LastStep = edit(QStringLiteral("0"));
        StopRead = new TButton(Form);
        StopRead->SetParent(Form);
        StopRead->SetCaption(QStringLiteral("停止读秤"));
        Qup = new TComboBox(Form);
        Qup->SetParent(Form);
        QupValue = new TComboBox(Form);
        QupValue->SetParent(Form);
        const char *names[] = {"动态录入", "默认皮重0", "大框3.5", "中框2.5"};
        const char *values[] = {"", "0", "3.5", "2.5"};
        for (int i = 0; i < 4; ++i) {
            Qup->Items()->Add(QString::fromUtf8(names[i]));
            QupValue->Items()->Add(QString::fromUtf8(values[i]));
        }
        Qup->SetItemIndex(0);
        Same = new TYbRadioButton(Form);
        Same->SetParent(Form);
        Different = new TYbRadioButton(Form);
        Different->SetParent(Form);
        Different->SetChecked(true);

        WeighingHost.MainForm = Form;
        WeighingHost.Sell_StringGrid1 = Grid;
        WeighingHost.Lx_StringGrid1 = LxGrid;
        WeighingHost.m_zhongzl = Zhongzl;
        WeighingHost.m_stopread = StopRead;
        WeighingHost.m_qup = Qup;
        WeighingHost.m_qup_value = QupValue;
        WeighingHost.LastGross = LastGross;
        WeighingHost.LastStep = LastStep;
        WeighingHost.SameBang = Same;
        WeighingHost.DifferentBang = Different;
        WeighingHost.ReloadOrderLines = [this] { ++LineReloads; };
        WeighingHost.ReloadProductLines = [this] { ++ProductReloads; };
        WeighingHost.ReloadWholeOrders = [this] { ++WholeReloads; };
    }
    ~MainStandIn() { WeighingHost = TWeighingHost(); }
};

struct LineRow {
    QVariant Songhl, Shisje, Dinghl;
};

class WeighingDialogs : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // An added line and lines with counts and count units for the labels.
        Station.Sql(QStringLiteral(
            "INSERT INTO sys_jhsj (id, dhid, mc, dinghl, songhl, dj, shisje, sl, sldw, bz, paix, local_jhsj) VALUES "
            "(6001, -8999, 202, 4, NULL, 2, NULL, NULL, NULL, NULL, 3, 1),"
            "(6002, -8999, 202, NULL, NULL, 2, NULL, 3, '箱', '早', 4, NULL),"
            "(6003, -8999, 202, 6, NULL, 2, NULL, NULL, '袋', '晚', 5, NULL),"
            "(6004, -8999, 202, 6, 8, 2, 16, NULL, NULL, '补', 6, NULL)"));
        Application->Initialize();
        Application->CreateForm(DataCenter);
        Main = std::make_unique<MainStandIn>();
        Application->CreateForm(sell_dh_input);
        Application->CreateForm(Sell_Dh_Qup);
        Application->CreateForm(sell_lx_input);
        Application->CreateForm(Sell_Lx_Qup);
        ASSERT_TRUE(ShowAndActivate(Main->Form));
    }
    void TearDown() override
    {
        Main.reset();
        DoneApplication();
    }

    // Opens a keypad as the tile selection does: main disabled, target set.
    void Open(TForm *Dialog, int Target, bool WholeOrder = false)
    {
        (WholeOrder ? Main->LxGrid : Main->Grid)->SetTag(Target);
        Main->Form->SetEnabled(false);
        ASSERT_TRUE(ShowAndActivate(Dialog));
    }

    LineRow Line(int Id)
    {
        auto q = DataCenter->LocalOpen(QStringLiteral("select songhl,shisje,dinghl from sys_jhsj where id=?"), {Variant(Id)});
        return {q->FieldByName(QStringLiteral("songhl")).AsQVariant(), q->FieldByName(QStringLiteral("shisje")).AsQVariant(),
                q->FieldByName(QStringLiteral("dinghl")).AsQVariant()};
    }
    // "gross/tare" of every weighing record of a line, oldest first.
    QStringList Records(int Id)
    {
        QStringList out;
        auto q = DataCenter->LocalOpen(
            QStringLiteral("select zhongzl,qup from sys_jhsj_mx where jhsj_id=? order by id"), {Variant(Id)});
        for (q->First(); !q->Eof(); q->Next())
            out << q->FieldByName(QStringLiteral("zhongzl")).AsString() + QLatin1Char('/')
                       + q->FieldByName(QStringLiteral("qup")).AsString();
        return out;
    }
    void Press(std::initializer_list<TButton *> Buttons)
    {
        for (TButton *b : Buttons)
            Click(b);
    }

    int Count(const QString &Select) { return DataCenter->LocalOpen(Select)->Fields(0).AsInteger(); }

    StationFolder Station;
    std::unique_ptr<MainStandIn> Main;
};

TEST_F(WeighingDialogs, CreationClearsTheLoadMemory)
{
    Main->LastGross->SetText(QStringLiteral("12"));
    Main->LastStep->SetText(QStringLiteral("3"));
    Tsell_dh_input *second = nullptr;
    Application->CreateForm(second);
    EXPECT_EQ(Main->LastGross->Text(), QStringLiteral("0"));
    EXPECT_EQ(Main->LastStep->Text(), QStringLiteral("0"));
    Main->LastGross->SetText(QStringLiteral("12"));
    TSell_Dh_Qup *crates = nullptr;
    Application->CreateForm(crates);
    EXPECT_EQ(Main->LastGross->Text(), QStringLiteral("0"));
    EXPECT_NE(second->Name(), QStringLiteral("sell_dh_input"));
}

TEST_F(WeighingDialogs, TypedTareSeparateLoadWritesLineAndRecord)
{
    Main->Zhongzl->SetText(QStringLiteral("12.5"));
    Open(sell_dh_input, -4999);
    EXPECT_EQ(sell_dh_input->YbButton1->Caption(), QStringLiteral("开启状态"));
    EXPECT_FALSE(sell_dh_input->Label2->Visible());
    EXPECT_EQ(sell_dh_input->Lur_value->Text(), QStringLiteral("0"));
    EXPECT_EQ(sell_dh_input->Label1->Caption(), QStringLiteral("演示饭店 K001"));
    EXPECT_EQ(sell_dh_input->ProductName->Caption(), QStringLiteral("大白菜 20 "));
    Press({sell_dh_input->Button1, sell_dh_input->Button12, sell_dh_input->Button5});
    EXPECT_EQ(sell_dh_input->Lur_value->Text(), QStringLiteral("1.5"));
    Click(sell_dh_input->Button13);
    EXPECT_FALSE(sell_dh_input->Visible());
    EXPECT_TRUE(Main->Form->Enabled());
    LineRow r = Line(-4999);
    EXPECT_DOUBLE_EQ(r.Songhl.toDouble(), 11);
    EXPECT_DOUBLE_EQ(r.Shisje.toDouble(), 11 * 1.2);
    EXPECT_EQ(Records(-4999), QStringList{QStringLiteral("12.5/1.5")});

    // The second weighing adds to quantity and amount.
    Main->Zhongzl->SetText(QStringLiteral("5"));
    Open(sell_dh_input, -4999);
    EXPECT_EQ(sell_dh_input->ProductName->Caption(), QStringLiteral("大白菜 -9 "));
    Click(sell_dh_input->Button13);
    r = Line(-4999);
    EXPECT_DOUBLE_EQ(r.Songhl.toDouble(), 16);
    EXPECT_DOUBLE_EQ(r.Shisje.toDouble(), 11 * 1.2 + 5 * 1.2);
    EXPECT_EQ(Records(-4999), (QStringList{QStringLiteral("12.5/1.5"), QStringLiteral("5/0")}));
    EXPECT_EQ(Main->LastGross->Text(), QStringLiteral("0"));
    EXPECT_TRUE(Main->Different->Checked());
}

TEST_F(WeighingDialogs, SameLoadAcrossLines)
{
    Main->Same->SetChecked(true);
    const struct {
        int Line;
        const char *Reading, *Tare;
    } steps[] = {{-4999, "10", "1"}, {-4998, "25", "1"}, {6001, "31", "0"}};
    for (const auto &s : steps) {
        Main->Zhongzl->SetText(QString::fromLatin1(s.Reading));
        Open(sell_dh_input, s.Line);
        sell_dh_input->Lur_value->SetText(QString::fromLatin1(s.Tare));
        Key(Qt::Key_F1);
        EXPECT_FALSE(sell_dh_input->Visible());
    }
    EXPECT_DOUBLE_EQ(Line(-4999).Songhl.toDouble(), 9);
    EXPECT_DOUBLE_EQ(Line(-4998).Songhl.toDouble(), 14);
    EXPECT_DOUBLE_EQ(Line(-4998).Shisje.toDouble(), 14 * 13.8);
    EXPECT_DOUBLE_EQ(Line(6001).Songhl.toDouble(), 6);
    // The typed keypad leaves an added line's ordered quantity alone.
    EXPECT_DOUBLE_EQ(Line(6001).Dinghl.toDouble(), 4);
    EXPECT_EQ(Records(-4999), QStringList{QStringLiteral("10/1")});
    EXPECT_EQ(Records(-4998), QStringList{QStringLiteral("15/1")});
    EXPECT_EQ(Records(6001), QStringList{QStringLiteral("6/0")});
    EXPECT_EQ(Main->LastGross->Text(), QStringLiteral("31"));
    EXPECT_EQ(Main->LastStep->Text(), QStringLiteral("6"));
    EXPECT_TRUE(Main->Same->Checked());
}

TEST_F(WeighingDialogs, ReloadsKeepTheLoadOnTheScale)
{
    // Both lists have rows; the product page's reload resets the memory as a
    // change of product does.
    DataCenter->L_Sell_Dh_Query->SQL()->SetText(QStringLiteral("select id from sys_jhdh"));
    DataCenter->L_Sell_Dh_Query->Open();
    DataCenter->L_Sell_Cp_Dh_Query->SQL()->SetText(QStringLiteral("select id from sys_cp"));
    DataCenter->L_Sell_Cp_Dh_Query->Open();
    WeighingHost.ReloadProductLines = [this] {
        ++Main->ProductReloads;
        Main->LastGross->SetText(QStringLiteral("0"));
        Main->LastStep->SetText(QStringLiteral("0"));
        Main->Different->SetChecked(true);
    };
    Main->Same->SetChecked(true);
    Main->Zhongzl->SetText(QStringLiteral("10"));
    Open(sell_dh_input, -4999);
    Click(sell_dh_input->Button13);
    EXPECT_EQ(Main->LineReloads, 1);
    EXPECT_EQ(Main->ProductReloads, 1);
    EXPECT_EQ(Main->LastGross->Text(), QStringLiteral("10"));
    EXPECT_EQ(Main->LastStep->Text(), QStringLiteral("10"));
    EXPECT_TRUE(Main->Same->Checked());
    Main->Zhongzl->SetText(QStringLiteral("16"));
    Open(sell_dh_input, -4998);
    Click(sell_dh_input->Button13);
    EXPECT_DOUBLE_EQ(Line(-4998).Songhl.toDouble(), 6);
}

TEST_F(WeighingDialogs, TouchedTileOpensTheKeypadOfThePreset)
{
    Main->Grid->SetTag(-4999);
    OpenLineWeighing();
    EXPECT_FALSE(Main->Form->Enabled());
    EXPECT_TRUE(sell_dh_input->Visible());
    EXPECT_FALSE(Sell_Dh_Qup->Visible());
    EXPECT_EQ(sell_dh_input->Label1->Caption(), QStringLiteral("演示饭店 K001"));
    Click(sell_dh_input->Button14);
    EXPECT_TRUE(Main->Form->Enabled());
    Main->Qup->SetItemIndex(1);
    OpenLineWeighing();
    EXPECT_FALSE(Main->Form->Enabled());
    EXPECT_TRUE(Sell_Dh_Qup->Visible());
    EXPECT_FALSE(sell_dh_input->Visible());
    Click(Sell_Dh_Qup->Button14);
    EXPECT_TRUE(Main->Form->Enabled());
}

TEST_F(WeighingDialogs, LabelsOfTheLine)
{
    const struct {
        int Line;
        const char *Text;
    } rows[] = {{6002, "土豆 3箱 早"}, {6003, "土豆 6袋 晚"}, {6004, "土豆 2 补"}, {-4997, "土豆 30 "}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.Line);
        Open(sell_dh_input, r.Line);
        EXPECT_EQ(sell_dh_input->ProductName->Caption(), QString::fromUtf8(r.Text));
        Click(sell_dh_input->Button14);
    }
    EXPECT_EQ(sell_dh_input->Label1->Caption(), QStringLiteral("演示食堂 K002"));
}

TEST_F(WeighingDialogs, KeypadKeys)
{
    Open(sell_dh_input, -4999);
    TEdit *v = sell_dh_input->Lur_value;
    Press({sell_dh_input->Button11, sell_dh_input->Button5});
    EXPECT_EQ(v->Text(), QStringLiteral("5"));
    Press({sell_dh_input->Button11, sell_dh_input->Button9});
    EXPECT_EQ(v->Text(), QStringLiteral("509"));
    Click(sell_dh_input->Button10);
    EXPECT_EQ(v->Text(), QString());
    Click(sell_dh_input->Button12);
    EXPECT_EQ(v->Text(), QStringLiteral("."));
    v->SetText(QStringLiteral("0"));
    Click(sell_dh_input->Button12);
    EXPECT_EQ(v->Text(), QStringLiteral("0."));

    // Typed keys: digits, point and backspace pass, everything else is dropped.
    ASSERT_TRUE(Focus(v));
    v->SetText(QString());
    Type(QStringLiteral("1a.-5 x"));
    EXPECT_EQ(v->Text(), QStringLiteral("1.5"));
    Key(Qt::Key_Backspace);
    EXPECT_EQ(v->Text(), QStringLiteral("1."));

    // The crate keypad: a button is the whole count; no decimal point.
    Click(sell_dh_input->Button14);
    Main->Qup->SetItemIndex(2);
    Open(Sell_Dh_Qup, -4999);
    EXPECT_EQ(Sell_Dh_Qup->Lur_value->Text(), QStringLiteral("1"));
    Press({Sell_Dh_Qup->Button2, Sell_Dh_Qup->Button7});
    EXPECT_EQ(Sell_Dh_Qup->Lur_value->Text(), QStringLiteral("7"));
    ASSERT_TRUE(Focus(Sell_Dh_Qup->Lur_value));
    Sell_Dh_Qup->Lur_value->SetText(QString());
    Type(QStringLiteral("1.2a0"));
    EXPECT_EQ(Sell_Dh_Qup->Lur_value->Text(), QStringLiteral("120"));
}

TEST_F(WeighingDialogs, TheFirstKeyTouchedReplacesTheValueShownSelected)
{
    // Typed weighing: the ordered 20 is shown selected; touching 2 then 5 is 25.
    Main->StopRead->SetCaption(QStringLiteral("开启读秤"));
    Open(sell_dh_input, -4999);
    TEdit *v = sell_dh_input->Lur_value;
    EXPECT_EQ(v->Text(), QStringLiteral("20"));
    EXPECT_EQ(v->SelLength(), 2);
    Press({sell_dh_input->Button2, sell_dh_input->Button5});
    EXPECT_EQ(v->Text(), QStringLiteral("25"));
    // The point replaces it too, as typing it would.
    Click(sell_dh_input->Button14);
    Open(sell_dh_input, -4999);
    Press({sell_dh_input->Button12, sell_dh_input->Button5});
    EXPECT_EQ(v->Text(), QStringLiteral(".5"));
    // Typed on the keyboard first: the typed text stays and keys add to it.
    Click(sell_dh_input->Button14);
    Open(sell_dh_input, -4999);
    ASSERT_TRUE(Focus(v));
    Type(QStringLiteral("3"));
    Click(sell_dh_input->Button1);
    EXPECT_EQ(v->Text(), QStringLiteral("31"));
    Click(sell_dh_input->Button14);
    Main->StopRead->SetCaption(QStringLiteral("停止读秤"));
    // The whole-order keypad: its 0 is replaced, the next digits add.
    sell_lx_input->Lur_value->SetText(QStringLiteral("9"));
    Open(sell_lx_input, -8998, true);
    Press({sell_lx_input->Button3, sell_lx_input->Button12, sell_lx_input->Button5});
    EXPECT_EQ(sell_lx_input->Lur_value->Text(), QStringLiteral("3.5"));
    Click(sell_lx_input->Button14);
}

TEST_F(WeighingDialogs, EnterCommitsAndEscapeCloses)
{
    Main->Zhongzl->SetText(QStringLiteral("3"));
    Open(sell_dh_input, -4997);
    Key(Qt::Key_Escape);
    EXPECT_FALSE(sell_dh_input->Visible());
    EXPECT_TRUE(Main->Form->Enabled());
    EXPECT_TRUE(Line(-4997).Songhl.isNull());

    Open(sell_dh_input, -4997);
    ASSERT_TRUE(Focus(sell_dh_input->Lur_value));
    Key(Qt::Key_Return);
    EXPECT_FALSE(sell_dh_input->Visible());
    EXPECT_DOUBLE_EQ(Line(-4997).Songhl.toDouble(), 3);
}

TEST_F(WeighingDialogs, ClosingLeavesDataAndMemoryAlone)
{
    Main->Same->SetChecked(true);
    Main->LastGross->SetText(QStringLiteral("10"));
    Main->LastStep->SetText(QStringLiteral("10"));
    Main->Zhongzl->SetText(QStringLiteral("30"));
    for (TForm *dialog : {static_cast<TForm *>(sell_dh_input), static_cast<TForm *>(Sell_Dh_Qup)}) {
        Open(dialog, -4999);
        Click(dialog == sell_dh_input ? sell_dh_input->Button14 : Sell_Dh_Qup->Button14);
        EXPECT_FALSE(dialog->Visible());
        EXPECT_TRUE(Main->Form->Enabled());
    }
    Open(sell_lx_input, -8999, true);
    Click(sell_lx_input->Button14);
    Open(Sell_Lx_Qup, -8999, true);
    Click(Sell_Lx_Qup->Button14);
    EXPECT_TRUE(Main->Form->Enabled());
    EXPECT_TRUE(Line(-4999).Songhl.isNull());
    EXPECT_TRUE(Records(-4999).isEmpty());
    auto q = DataCenter->LocalOpen(QStringLiteral("select zzl from sys_jhdh where id=-8999"));
    EXPECT_TRUE(q->FieldByName(QStringLiteral("zzl")).IsNull());
    EXPECT_EQ(Main->LastGross->Text(), QStringLiteral("10"));
    EXPECT_EQ(Main->LastStep->Text(), QStringLiteral("10"));
    EXPECT_TRUE(Main->Same->Checked());
}

TEST_F(WeighingDialogs, ManualEntryTypesTheQuantity)
{
    Main->StopRead->SetCaption(QStringLiteral("开启读秤"));
    Main->Same->SetChecked(true);
    Main->LastGross->SetText(QStringLiteral("10"));
    Open(sell_dh_input, -4999);
    EXPECT_EQ(sell_dh_input->YbButton1->Caption(), QStringLiteral("关闭状态"));
    EXPECT_TRUE(sell_dh_input->Label2->Visible());
    EXPECT_EQ(sell_dh_input->Label2->Caption(), QStringLiteral("请手动输入"));
    EXPECT_TRUE(Main->Different->Checked());
    // Preset with the ordered quantity.
    EXPECT_EQ(sell_dh_input->Lur_value->Text(), QStringLiteral("20"));
    Click(sell_dh_input->Button13);
    EXPECT_DOUBLE_EQ(Line(-4999).Songhl.toDouble(), 20);
    EXPECT_DOUBLE_EQ(Line(-4999).Shisje.toDouble(), 24);
    EXPECT_EQ(Records(-4999), QStringList{QStringLiteral("20/0")});
    EXPECT_EQ(Main->LastGross->Text(), QStringLiteral("0"));
}

TEST_F(WeighingDialogs, ToggleSwitchesScaleReading)
{
    Main->LastGross->SetText(QStringLiteral("8"));
    Main->LastStep->SetText(QStringLiteral("8"));
    Main->Zhongzl->SetText(QStringLiteral("12.34"));
    Main->Same->SetChecked(true);
    Open(sell_dh_input, -4999);
    Click(sell_dh_input->YbButton1);
    EXPECT_EQ(sell_dh_input->YbButton1->Caption(), QStringLiteral("关闭状态"));
    EXPECT_TRUE(sell_dh_input->Label2->Visible());
    EXPECT_EQ(Main->StopRead->Caption(), QStringLiteral("开启读秤"));
    EXPECT_FALSE(Main->Zhongzl->ReadOnly());
    EXPECT_EQ(Main->Zhongzl->Text(), QStringLiteral("0"));
    EXPECT_TRUE(Main->Different->Checked());
    EXPECT_EQ(Main->LastGross->Text(), QStringLiteral("0"));
    EXPECT_EQ(Main->LastStep->Text(), QStringLiteral("0"));
    EXPECT_EQ(sell_dh_input->Lur_value->Text(), QStringLiteral("20"));

    Click(sell_dh_input->YbButton1);
    EXPECT_EQ(sell_dh_input->YbButton1->Caption(), QStringLiteral("开启状态"));
    EXPECT_FALSE(sell_dh_input->Label2->Visible());
    EXPECT_EQ(Main->StopRead->Caption(), QStringLiteral("停止读秤"));
    EXPECT_TRUE(Main->Zhongzl->ReadOnly());
    EXPECT_EQ(sell_dh_input->Lur_value->Text(), QStringLiteral("0"));
    EXPECT_TRUE(Line(-4999).Songhl.isNull());
}

TEST_F(WeighingDialogs, BadReadingWarnsAndWritesNothing)
{
    // The order list has rows, so its lines are reloaded after the failure.
    DataCenter->L_Sell_Dh_Query->SQL()->SetText(QStringLiteral("select id from sys_jhdh"));
    DataCenter->L_Sell_Dh_Query->Open();
    Main->Same->SetChecked(true);
    Main->LastGross->SetText(QStringLiteral("4"));
    for (const char *reading : {"abc", "", "-3"}) {
        Main->Zhongzl->SetText(QString::fromLatin1(reading));
        Open(sell_dh_input, -4999);
        TModalAnswerer boxes;
        Click(sell_dh_input->Button13);
        EXPECT_EQ(boxes.Texts, QStringList{QStringLiteral("总重量或去皮不对,本次操作失败,请重新操作!")});
        EXPECT_EQ(boxes.Captions, QStringList{QStringLiteral("提示!")});
        EXPECT_FALSE(sell_dh_input->Visible());
        EXPECT_TRUE(Main->Form->Enabled());
    }
    EXPECT_EQ(Main->LineReloads, 3);
    EXPECT_EQ(Main->ProductReloads, 0);
    EXPECT_TRUE(Line(-4999).Songhl.isNull());
    EXPECT_TRUE(Records(-4999).isEmpty());
    EXPECT_EQ(Main->LastGross->Text(), QStringLiteral("4"));

    // A typed tare of a lone point is refused the same way.
    Main->Zhongzl->SetText(QStringLiteral("10"));
    Open(sell_dh_input, -4999);
    sell_dh_input->Lur_value->SetText(QStringLiteral("."));
    TModalAnswerer boxes;
    Click(sell_dh_input->Button13);
    EXPECT_EQ(boxes.Texts.size(), 1);
    EXPECT_TRUE(Records(-4999).isEmpty());
}

TEST_F(WeighingDialogs, BadManualNumberRaisesAndWritesNothing)
{
    Main->StopRead->SetCaption(QStringLiteral("开启读秤"));
    Open(sell_dh_input, -4999);
    sell_dh_input->Lur_value->SetText(QStringLiteral("1..2"));
    EXPECT_THROW(sell_dh_input->Button13Click(nullptr), EConvertError);
    EXPECT_TRUE(sell_dh_input->Visible());
    EXPECT_TRUE(Line(-4999).Songhl.isNull());
    EXPECT_TRUE(Records(-4999).isEmpty());
}

TEST_F(WeighingDialogs, FailedWriteLeavesNothingHalfDone)
{
    // The record cannot be stored: the line keeps its quantity and the memory stays.
    Station.Sql(QStringLiteral("DROP TABLE sys_jhsj_mx"));
    Main->Same->SetChecked(true);
    Main->Zhongzl->SetText(QStringLiteral("10"));
    Open(sell_dh_input, -4999);
    {
        TModalAnswerer boxes;
        Click(sell_dh_input->Button13);
        EXPECT_EQ(boxes.Texts, QStringList{QStringLiteral("保存失败,本次操作失败,请重新操作!")});
        EXPECT_EQ(boxes.Captions, QStringList{QStringLiteral("提示!")});
    }
    EXPECT_TRUE(Line(-4999).Songhl.isNull());
    EXPECT_TRUE(Line(-4999).Shisje.isNull());
    EXPECT_EQ(Main->LastGross->Text(), QStringLiteral("0"));
    EXPECT_FALSE(DataCenter->L_ADOConnection1->InTransaction());

    // The crate keypad too, and it stays open for another try.
    Main->Qup->SetItemIndex(2);
    Open(Sell_Dh_Qup, 6001);
    {
        TModalAnswerer boxes;
        Click(Sell_Dh_Qup->Button13);
        EXPECT_EQ(boxes.Texts, QStringList{QStringLiteral("保存失败,本次操作失败,请重新操作!")});
    }
    EXPECT_TRUE(Sell_Dh_Qup->Visible());
    EXPECT_TRUE(Line(6001).Songhl.isNull());
    EXPECT_DOUBLE_EQ(Line(6001).Dinghl.toDouble(), 4);
}

TEST_F(WeighingDialogs, MissingLineWritesNoRecord)
{
    Main->Zhongzl->SetText(QStringLiteral("10"));
    Open(sell_dh_input, 987654);
    TModalAnswerer boxes;
    Click(sell_dh_input->Button13);
    EXPECT_EQ(boxes.Texts, QStringList{QStringLiteral("所选品种已删除或不存在,本次操作失败,请重新选择!")});
    EXPECT_TRUE(Records(987654).isEmpty());
}

TEST_F(WeighingDialogs, CratesTareAndAddedLineFollows)
{
    Main->Qup->SetItemIndex(2); // 大框3.5
    Main->Zhongzl->SetText(QStringLiteral("20"));
    Open(Sell_Dh_Qup, 6001);
    EXPECT_EQ(Sell_Dh_Qup->CpName->Caption(), QStringLiteral("演示饭店 土豆"));
    EXPECT_EQ(Sell_Dh_Qup->Label1->Caption(), QStringLiteral("4斤 "));
    Click(Sell_Dh_Qup->Button3);
    Click(Sell_Dh_Qup->Button13);
    EXPECT_FALSE(Sell_Dh_Qup->Visible());
    EXPECT_TRUE(Main->Form->Enabled());
    LineRow r = Line(6001);
    EXPECT_DOUBLE_EQ(r.Songhl.toDouble(), 9.5);
    EXPECT_DOUBLE_EQ(r.Shisje.toDouble(), 19);
    // An added line's ordered quantity follows what was delivered.
    EXPECT_DOUBLE_EQ(r.Dinghl.toDouble(), 9.5);
    EXPECT_EQ(Records(6001), QStringList{QStringLiteral("20/10.5")});

    // A downloaded line keeps its ordered quantity; an allocated one adds.
    Main->Qup->SetItemIndex(3); // 中框2.5
    Open(Sell_Dh_Qup, 6004);
    EXPECT_EQ(Sell_Dh_Qup->Label1->Caption(), QStringLiteral("6斤 8斤 补"));
    Click(Sell_Dh_Qup->Button2);
    Key(Qt::Key_F1);
    r = Line(6004);
    EXPECT_DOUBLE_EQ(r.Songhl.toDouble(), 8 + 15);
    EXPECT_DOUBLE_EQ(r.Shisje.toDouble(), 16 + 30);
    EXPECT_DOUBLE_EQ(r.Dinghl.toDouble(), 6);
    EXPECT_EQ(Records(6004), QStringList{QStringLiteral("20/5")});
}

TEST_F(WeighingDialogs, CratesSameLoad)
{
    Main->Qup->SetItemIndex(3);
    Main->Same->SetChecked(true);
    Main->Zhongzl->SetText(QStringLiteral("12"));
    Open(Sell_Dh_Qup, -4999);
    Click(Sell_Dh_Qup->Button13); // one crate
    Main->Zhongzl->SetText(QStringLiteral("30"));
    Open(Sell_Dh_Qup, -4997);
    Click(Sell_Dh_Qup->Button2);
    Click(Sell_Dh_Qup->Button13);
    EXPECT_DOUBLE_EQ(Line(-4999).Songhl.toDouble(), 9.5);
    EXPECT_DOUBLE_EQ(Line(-4997).Songhl.toDouble(), 13);
    EXPECT_EQ(Records(-4997), QStringList{QStringLiteral("18/5")});
    EXPECT_EQ(Main->LastGross->Text(), QStringLiteral("30"));
    EXPECT_EQ(Main->LastStep->Text(), QStringLiteral("18"));
}

TEST_F(WeighingDialogs, CratesBadReadingWarns)
{
    Main->Qup->SetItemIndex(2);
    Main->Zhongzl->SetText(QStringLiteral("x1"));
    Open(Sell_Dh_Qup, -4999);
    TModalAnswerer boxes;
    Click(Sell_Dh_Qup->Button13);
    EXPECT_EQ(boxes.Texts, QStringList{QStringLiteral("总重量不对,本次操作失败,请重新操作!")});
    EXPECT_EQ(boxes.Captions, QStringList{QStringLiteral("提示!")});
    EXPECT_TRUE(Line(-4999).Songhl.isNull());
    EXPECT_TRUE(Records(-4999).isEmpty());
}

TEST_F(WeighingDialogs, WholeOrderSums)
{
    auto sums = [] {
        auto q = DataCenter->LocalOpen(QStringLiteral("select zzl,zqp from sys_jhdh where id=-8998"));
        return q->FieldByName(QStringLiteral("zzl")).AsString() + QLatin1Char('/')
               + q->FieldByName(QStringLiteral("zqp")).AsString();
    };
    Main->Zhongzl->SetText(QStringLiteral("50"));
    sell_lx_input->Lur_value->SetText(QStringLiteral("9"));
    Open(sell_lx_input, -8998, true);
    EXPECT_EQ(sell_lx_input->Lur_value->Text(), QStringLiteral("0"));
    Press({sell_lx_input->Button2, sell_lx_input->Button12, sell_lx_input->Button5});
    Click(sell_lx_input->Button13);
    EXPECT_FALSE(sell_lx_input->Visible());
    EXPECT_TRUE(Main->Form->Enabled());
    EXPECT_EQ(sums(), QStringLiteral("47.5/2.5"));
    EXPECT_EQ(Main->WholeReloads, 1);

    Main->Qup->SetItemIndex(3);
    Main->Zhongzl->SetText(QStringLiteral("20"));
    Open(Sell_Lx_Qup, -8998, true);
    Sell_Lx_Qup->Lur_value->SetText(QStringLiteral("1"));
    Click(Sell_Lx_Qup->Button2);
    Click(Sell_Lx_Qup->Button13);
    EXPECT_FALSE(Sell_Lx_Qup->Visible());
    EXPECT_EQ(sums(), QStringLiteral("62.5/7.5"));
    EXPECT_EQ(Main->WholeReloads, 2);

    // 清空 empties; a bad number is refused with the warning.
    Open(sell_lx_input, -8998, true);
    Click(sell_lx_input->Button10);
    EXPECT_EQ(sell_lx_input->Lur_value->Text(), QString());
    {
        TModalAnswerer boxes;
        Click(sell_lx_input->Button13);
        EXPECT_EQ(boxes.Texts, QStringList{QStringLiteral("总重量或去皮不对,本次操作失败,请重新操作!")});
        EXPECT_EQ(boxes.Captions, QStringList{QStringLiteral("提示!")});
    }
    ASSERT_TRUE(ShowAndActivate(sell_lx_input));
    Key(Qt::Key_Escape);
    EXPECT_FALSE(sell_lx_input->Visible());
    Main->Zhongzl->SetText(QStringLiteral("?"));
    Open(Sell_Lx_Qup, -8998, true);
    {
        TModalAnswerer boxes;
        Click(Sell_Lx_Qup->Button13);
        EXPECT_EQ(boxes.Texts, QStringList{QStringLiteral("总重量或去皮不对,本次操作失败,请重新操作!")});
    }
    EXPECT_EQ(sums(), QStringLiteral("62.5/7.5"));
    // An order that is not there is reported, not taken for done.
    Main->Zhongzl->SetText(QStringLiteral("20"));
    Open(sell_lx_input, 424242, true);
    {
        TModalAnswerer boxes;
        Click(sell_lx_input->Button13);
        EXPECT_EQ(boxes.Texts, QStringList{QStringLiteral("保存失败,本次操作失败,请重新操作!")});
    }
    EXPECT_EQ(Main->WholeReloads, 2);
}

TEST_F(WeighingDialogs, NetBelowZeroIsRefusedInAllFourKeypads)
{
    // 异榜, scale 3: a tare of 5 (typed or as crates) would deliver -2.
    DataCenter->L_Sell_Dh_Query->SQL()->SetText(QStringLiteral("select id from sys_jhdh"));
    DataCenter->L_Sell_Dh_Query->Open();
    auto sums = [] {
        auto q = DataCenter->LocalOpen(QStringLiteral("select zzl,zqp from sys_jhdh where id=-8998"));
        return q->FieldByName(QStringLiteral("zzl")).AsString() + QLatin1Char('/')
               + q->FieldByName(QStringLiteral("zqp")).AsString();
    };
    const QString before = sums();
    Main->Zhongzl->SetText(QStringLiteral("3"));
    Main->Qup->SetItemIndex(3); // 中框2.5: two crates weigh 5
    const struct {
        TForm *Dialog;
        TEdit *Value;
        TButton *Commit;
        const char *Typed;
        bool WholeOrder;
        const char *Warning;
    } cases[] = {
        {sell_dh_input, sell_dh_input->Lur_value, sell_dh_input->Button13, "5", false,
         "总重量或去皮不对,本次操作失败,请重新操作!"},
        {Sell_Dh_Qup, Sell_Dh_Qup->Lur_value, Sell_Dh_Qup->Button13, "2", false, "总重量不对,本次操作失败,请重新操作!"},
        {sell_lx_input, sell_lx_input->Lur_value, sell_lx_input->Button13, "5", true,
         "总重量或去皮不对,本次操作失败,请重新操作!"},
        {Sell_Lx_Qup, Sell_Lx_Qup->Lur_value, Sell_Lx_Qup->Button13, "2", true, "总重量或去皮不对,本次操作失败,请重新操作!"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Dialog->Name().toStdString());
        Open(c.Dialog, c.WholeOrder ? -8998 : -4999, c.WholeOrder);
        c.Value->SetText(QString::fromLatin1(c.Typed));
        TModalAnswerer boxes;
        Click(c.Commit);
        EXPECT_EQ(boxes.Texts, QStringList{QString::fromUtf8(c.Warning)});
        EXPECT_EQ(boxes.Captions, QStringList{QStringLiteral("提示!")});
        if (c.Dialog->Visible())
            c.Dialog->Close();
    }
    EXPECT_TRUE(Line(-4999).Songhl.isNull());
    EXPECT_TRUE(Line(-4999).Shisje.isNull());
    EXPECT_TRUE(Records(-4999).isEmpty());
    EXPECT_EQ(sums(), before);
    EXPECT_EQ(Main->LastGross->Text(), QStringLiteral("0"));

    // A tare equal to the reading is still a weighing of nothing.
    Open(sell_dh_input, -4999);
    sell_dh_input->Lur_value->SetText(QStringLiteral("3"));
    Click(sell_dh_input->Button13);
    EXPECT_EQ(Records(-4999), QStringList{QStringLiteral("3/3")});
}

TEST_F(WeighingDialogs, NetsAreRoundedToTheDecimalsOfTheWeights)
{
    // Binary noise is neither refused as below zero nor stored, in every
    // dialog that computes a net; a true shortfall is refused, nothing written.
    for (const char *v : {"0.2", "0.3"}) { // presets 4 and 5
        Main->Qup->Items()->Add(QStringLiteral("小框") + QLatin1String(v));
        Main->QupValue->Items()->Add(QLatin1String(v));
    }
    SellHost.MainForm = Main->Form;
    SellHost.ScaleRead = [] { return true; };
    SellHost.ScaleWeight = [this] { return Main->Zhongzl->Text(); };
    SellHost.CurrentOrderId = [] { return -8999; };
    TSell_Add_Cp add(nullptr);
    // Whole orders "zzl/zqp", else the newest record's line "songhl gross/tare".
    auto stored = [](bool Whole, int Order) {
        auto q = Whole ? DataCenter->LocalOpen(QStringLiteral("select zzl,zqp,null from sys_jhdh where id=?"), {Variant(Order)})
                       : DataCenter->LocalOpen(QStringLiteral("select mx.zhongzl,mx.qup,sj.songhl from sys_jhsj_mx mx,sys_jhsj sj "
                                                              "where sj.id=mx.jhsj_id order by mx.id desc limit 1"));
        if (q->IsEmpty())
            return std::string();
        const QString net = q->Fields(2).AsString();
        return ((net.isEmpty() ? net : net + QLatin1Char(' ')) + q->Fields(0).AsString() + QLatin1Char('/')
                + q->Fields(1).AsString()).toStdString();
    };
    const struct {
        TForm *Dialog;
        int Target;
        const char *Reading, *LastGross, *Typed;
        int Preset;
        const char *Stored; // nullptr: refused
    } cases[] = {
        {Sell_Dh_Qup, -4999, "0.6", "0", "3", 4, "0 0.6/0.6"},        {sell_dh_input, -4998, "0.3", "0.2", "0.1", 0, "0 0.1/0.1"},
        {Sell_Lx_Qup, -8998, "0.9", "0", "3", 5, "0/0.9"},            {sell_dh_input, -4997, "12.3", "12.2", "0.1", 0, "0 0.1/0.1"},
        {sell_lx_input, -8999, "1000.01", "0", "1000", 0, "0.01/1000"}, {&add, -8999, "1000.01", "0", "1000", 0, "0.01 1000.01/1000"},
        {sell_dh_input, 6002, "0.3", "0.2", "0.101", 0, nullptr},    {&add, -8999, "5.8", "0", "9", 0, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Dialog->Name().toStdString() + " " + c.Reading + " " + c.Typed);
        const bool whole = c.Dialog == sell_lx_input || c.Dialog == Sell_Lx_Qup;
        Main->Zhongzl->SetText(QLatin1String(c.Reading));
        Main->LastGross->SetText(QLatin1String(c.LastGross));
        (qstrcmp(c.LastGross, "0") ? Main->Same : Main->Different)->SetChecked(true);
        Main->Qup->SetItemIndex(c.Preset);
        const std::string before = stored(false, 1);
        TModalAnswerer boxes;
        Open(c.Dialog, c.Target, whole);
        if (c.Dialog == &add) {
            add.Cp_mc->SetItemIndex(0);
            add.Cp_mcClick(add.Cp_mc);
            add.qp->SetText(QLatin1String(c.Typed));
            Click(add.Button1);
        } else {
            static_cast<TEdit *>(c.Dialog->FindComponent(QStringLiteral("Lur_value")))->SetText(QLatin1String(c.Typed));
            Click(static_cast<TButton *>(c.Dialog->FindComponent(QStringLiteral("Button13"))));
        }
        EXPECT_EQ(boxes.Texts.join(QString()).toStdString(), c.Stored ? "" : "总重量或去皮不对,本次操作失败,请重新操作!");
        EXPECT_EQ(stored(whole, c.Target), c.Stored ? c.Stored : before);
        if (c.Dialog->Visible())
            c.Dialog->Close();
    }
    SellHost = TSellHost();
}

TEST_F(WeighingDialogs, RunningTotalsAreStoredWithoutBinaryNoise)
{
    // Summed as doubles, 0.3 + 7.9 + 1.8 is 10.000000000000002, the amounts
    // at 1.1 come to 11.000000000000002: stored so, songhl > dinghl would hold.
    Station.Sql(QStringLiteral("INSERT INTO sys_jhsj (id, dhid, mc, dinghl, dj, local_jhsj) VALUES "
                               "(6101, -8999, 202, 10, 1.1, NULL), (6102, -8999, 202, NULL, 1.1, 1), (6103, -8999, 202, 10, 0.3, NULL)"));
    const struct {
        TForm *Dialog;
        int Target;
        bool TakeFirstOff; // the first record deleted afterwards (F5)
        const char *Exact; // the row with its totals exactly as written
    } cases[] = {
        {sell_dh_input, 6101, false, "sys_jhsj where id=6101 and songhl=10 and shisje=11 and not songhl>dinghl"},
        {Sell_Dh_Qup, 6102, false, "sys_jhsj where id=6102 and songhl=10 and shisje=11 and dinghl=10"},
        {sell_lx_input, -8999, false, "sys_jhdh where id=-8999 and zzl=10 and zqp=0"},
        {sell_dh_input, 6103, true, "sys_jhsj where id=6103 and songhl=9.7 and shisje=2.91"},
    };
    Main->Qup->SetItemIndex(1); // the crates weigh "默认皮重0"
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Target);
        for (const char *reading : {"0.3", "7.9", "1.8"}) {
            Main->Zhongzl->SetText(QLatin1String(reading));
            Open(c.Dialog, c.Target, c.Dialog == sell_lx_input);
            Click(static_cast<TButton *>(c.Dialog->FindComponent(QStringLiteral("Button13"))));
            ASSERT_FALSE(c.Dialog->Visible());
        }
        if (c.TakeFirstOff) {
            const int first = Count(QStringLiteral("select min(id) from sys_jhsj_mx where jhsj_id=%1").arg(c.Target));
            ASSERT_TRUE(DeleteWeighingRecord(first));
        }
        EXPECT_EQ(Count(QStringLiteral("select count(*) from ") + QLatin1String(c.Exact)), 1);
    }
    // A line added with its first weighing: 20.7 x 1.4 is 28.979999999999997 as doubles.
    const int added = AddStationLine(-8999, 202, 20.7, 0, 20.7, 1.4, 20.7 * 1.4);
    EXPECT_EQ(Count(QStringLiteral("select count(*) from sys_jhsj where shisje=28.98 and id=%1").arg(added)), 1);
}

} // namespace
