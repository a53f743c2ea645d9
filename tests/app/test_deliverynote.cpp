// Delivery note: the amount in capital words, currency text, and the column
// lists, customer codes, header texts and values the note is filled from.
#include "AmountInWords.h"
#include "StationFixture.h"
#include "Unit1.h"
#include "datacenter_code.h"
#include "station_startup.h"
#include "report/model/qdzClass.h"
#include "Forms.h"
#include <QFile>
#include <gtest/gtest.h>

// ------------------------------------------------------------------ words

TEST(AmountInWords, ExamplesFromDecimalText)
{
    const struct {
        const char *Amount;
        const char *Words;
    } cases[] = {
        {"1.00", "壹元整"},         {"10.05", "壹拾元零伍分"},       {"0.5", "伍角整"},
        {"0.05", "伍分"},           {"100000", "壹拾万元整"},        {"10001", "壹万零壹元整"},
        {"100000000", "壹亿元整"},  {"10001000", "壹仟万壹仟元整"},  {"1.239", "壹元贰角叁分"},
        {"105", "壹佰零伍元整"},    {"1010", "壹仟零壹拾元整"},      {"100.1", "壹佰元壹角整"},
        {"1000000.01", "壹佰万元零壹分"}, {"100010000", "壹亿零壹万元整"},
        {"-12.34", "负壹拾贰元叁角肆分"},
        // Whole ten-thousandths: no binary rounding turns 0.29 into 0.28.
        {"0.29", "贰角玖分"},       {"1.13", "壹元壹角叁分"},        {"4.35", "肆元叁角伍分"},
        // Below one fen: zero, never a minus sign or "-1".
        {"0", "零元整"},            {"0.004", "零元整"},             {"0.005", "零元整"},
        {"0.0099", "零元整"},       {"-0.004", "零元整"},            {"0.01", "壹分"},
        {"-0.01", "负壹分"},        {"0.10", "壹角整"},              {"0.00001", "零元整"},
        {"10", "壹拾元整"},         {"20.5", "贰拾元伍角整"},        {"1E3", "壹仟元整"},
        {"922337203685477.5807", "玖佰贰拾贰万叁仟叁佰柒拾贰亿零叁佰陆拾捌万伍仟肆佰柒拾柒元伍角捌分"},
    };
    for (const auto &c : cases) {
        const QString words = AmountInWords(QString::fromUtf8(c.Amount));
        EXPECT_EQ(words, QString::fromUtf8(c.Words)) << c.Amount;
        EXPECT_LE(words.size(), 67) << c.Amount;
    }
}

TEST(AmountInWords, BadAndHugeAmounts)
{
    for (const char *bad : {"", "abc", "1.2.3", "1e", "--1", "12a", "."})
        EXPECT_THROW(AmountInWords(QString::fromLatin1(bad)), EConvertError) << bad;
    for (const char *huge : {"922337203685478", "1e30", "-99999999999999999999"}) {
        try {
            AmountInWords(QString::fromLatin1(huge));
            ADD_FAILURE() << huge;
        } catch (const EConvertError &) {
            ADD_FAILURE() << huge;
        } catch (const Exception &e) {
            EXPECT_EQ(e.Message(), QStringLiteral("数值过大!"));
        }
    }
}

TEST(AmountInWords, CurrencyText)
{
    const struct {
        const char *Text;
        qint64 Value;
        const char *Back;
        const char *Fixed2;
    } cases[] = {
        {"3.795", 37950, "3.795", "3.80"},   {"-0.005", -50, "-0.005", "-0.01"}, {"0.004", 40, "0.004", "0.00"},
        {" 12 ", 120000, "12", "12.00"},      {"0.12345", 1235, "0.1235", "0.12"}, {"-0.00004", 0, "0", "0.00"},
        {"1.5E-3", 15, "0.0015", "0.00"},    {"2.675", 26750, "2.675", "2.68"},   {"+7", 70000, "7", "7.00"},
    };
    for (const auto &c : cases) {
        qint64 v = -1;
        ASSERT_TRUE(TryTextToCurrency(QString::fromLatin1(c.Text), v)) << c.Text;
        EXPECT_EQ(v, c.Value) << c.Text;
        EXPECT_EQ(CurrencyToText(v), QString::fromLatin1(c.Back)) << c.Text;
        EXPECT_EQ(CurrencyToFixed2(v), QString::fromLatin1(c.Fixed2)) << c.Text;
    }
    qint64 v = 0;
    EXPECT_FALSE(TryTextToCurrency(QStringLiteral("1e20"), v));
    EXPECT_FALSE(TryTextToCurrency(QStringLiteral("1,5"), v));
}

// ------------------------------------------------------------------ the note's data

namespace {

// A text object as the template's memos are, for the header texts.
class TNoteTestMemo : public TqdzCustomMemoView
{
    STATION_CLASS(TNoteTestMemo, TqdzCustomMemoView)
public:
    explicit TNoteTestMemo(TComponent *AOwner) : TqdzCustomMemoView(AOwner) {}
    void Draw(TCanvas *, double, double, double, double) override {}
};
STATION_PUBLISHED(TNoteTestMemo) {}

// Customer 104 prints prices in kilograms; 105 has codes for product ids the
// old fixed tables could not hold. Order 9601 totals 3.795.
const char *NoteRows = R"SQL(
INSERT INTO sys_unit (id, usercode, shortname, typea, typed, dadj, dydw) VALUES
  (104, 'K004', '公斤客户', 1, 1, 1, 1), (105, 'K005', '大号客户', 1, 1, 1, 0), (106, 'K006', '无台头', 1, 9, 1, 0);
INSERT INTO sys_cp (id, bh, mc, dw, gg) VALUES (600, 'C600', '六百', '箱', 'g600'), (70000, 'C7W', '七万', '斤', ''),
  (-3, 'CM3', '负三', '个', NULL);
INSERT INTO sys_khpm (khid, cpid, bh, mc) VALUES (105, 600, 'K-600', '客六百'), (105, 70000, 'K-7W', '客七万'),
  (105, -3, 'K-M3', '客负三'), (105, 201, '', '只改名');
INSERT INTO sys_jhdh (id, dh, dhrq, unit, lx, lury) VALUES (9601, 'N-1', '2030-05-06', 104, 2, '录入甲'),
  (9602, 'N-2', '2030-05-06', 105, 2, '录入乙'), (9603, 'N-3', '2030-05-06', 102, 2, NULL),
  (9604, 'N-4', '2030-05-06', 101, 2, NULL), (9605, 'N-5', '2030-05-06', 106, 2, NULL);
INSERT INTO sys_jhsj (id, dhid, mc, dinghl, songhl, dj, shisje, sl, sldw, bz) VALUES
  (9611, 9601, 201, 20, 19.5, 1.2, 1.795, NULL, NULL, 'a'),
  (9612, 9601, 204, 0, 2, 2.5, 2, 3, '袋', NULL),
  (9621, 9602, 600, 1, 1, 10, 10, NULL, NULL, NULL),
  (9622, 9602, 70000, 2, NULL, 3, NULL, NULL, '筐', NULL),
  (9623, 9602, -3, NULL, NULL, NULL, -1, 4, '个', NULL),
  (9624, 9602, 201, 5, NULL, NULL, 0, NULL, NULL, NULL),
  (9631, 9603, 203, 8, 8, 13.5, 108, NULL, NULL, NULL),
  (9641, 9604, 203, 10, NULL, 13.8, NULL, NULL, NULL, NULL),
  (9651, 9605, 201, 1, 1, 2, 0.004, NULL, NULL, NULL);
INSERT INTO sys_cp (id, bh, mc, dw) VALUES (204, 'C004', '黄瓜', '斤');
)SQL";

class DeliveryNoteData : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Station.Sql(QString::fromUtf8(NoteRows));
        Application->Initialize();
        ASSERT_TRUE(CreateStationForms());
        M = main_;
        M->SetTag(1);
    }
    void TearDown() override { DoneApplication(); }

    // The named text objects of a template, on one page.
    void AddMemos(std::initializer_list<const char *> Names)
    {
        auto *page = new TqdzReportPage(M->qdzReport1);
        page->SetName(QStringLiteral("Page1"));
        for (const char *n : Names) {
            auto *memo = new TNoteTestMemo(page);
            memo->SetName(QString::fromLatin1(n));
            memo->SetText(QStringLiteral("template"));
        }
    }
    QString MemoText(const char *Name)
    {
        auto *memo = dynamic_cast<TqdzCustomMemoView *>(M->qdzReport1->FindObject(QString::fromLatin1(Name)));
        return memo ? memo->Text().trimmed() : QStringLiteral("<none>");
    }
    QStringList Column(int Index)
    {
        QStringList out;
        for (int i = 0; i < M->NoteList(Index)->Count(); ++i)
            out << M->NoteList(Index)->Strings(i);
        return out;
    }
    Variant ValueAt(int Row, const QString &Name, const Variant &Start = Variant(QStringLiteral("unchanged")))
    {
        M->qdzUserDataSet1->SetRecNo(Row);
        Variant v = Start;
        M->qdzReport1GetValue(Name, v);
        return v;
    }

    StationFolder Station;
    Tmain *M = nullptr;
};

} // namespace

TEST_F(DeliveryNoteData, KilogramCustomerHalvesQuantitiesDoublesPricesAndWordsMatchTheRoundedTotal)
{
    AddMemos({"shortname", "rq", "dh", "gystait", "lury", "daxje", "jehj"});
    M->PrepareDeliveryNote(QStringLiteral("9601"));
    EXPECT_EQ(MemoText("shortname"), QStringLiteral("公斤客户"));
    EXPECT_EQ(MemoText("rq"), QStringLiteral("2030-05-06"));
    EXPECT_EQ(MemoText("dh"), QStringLiteral("N-1"));
    EXPECT_EQ(MemoText("gystait"), QStringLiteral("演示配送中心送货单"));
    EXPECT_EQ(MemoText("lury"), QStringLiteral("录入甲"));
    EXPECT_EQ(Column(0), (QStringList{"1", "2"}));
    EXPECT_EQ(Column(1), (QStringList{"C001", "C004"}));
    EXPECT_EQ(Column(4), (QStringList{"公斤", "公斤"}));
    // Halved; an ordered quantity of 0 shows the count and its unit.
    EXPECT_EQ(Column(5), (QStringList{"10斤", "3袋"}));
    EXPECT_EQ(Column(6), (QStringList{"9.75", "1"}));
    EXPECT_EQ(Column(7), (QStringList{"2.4", "5"}));
    EXPECT_EQ(Column(8), (QStringList{"1.795", "2"}));
    EXPECT_EQ(Column(9), (QStringList{"a", ""}));
    EXPECT_EQ(M->NoteTotal(), 37950);
    // The printed figure is rounded; the words say the same amount.
    EXPECT_EQ(MemoText("jehj"), QStringLiteral("￥3.80"));
    EXPECT_EQ(MemoText("daxje"), QStringLiteral("叁元捌角整"));
}

TEST_F(DeliveryNoteData, CustomerCodesAreKeyedByAnyProductIdAndClearedForEachNote)
{
    AddMemos({"daxje", "jehj"});
    M->PrepareDeliveryNote(QStringLiteral("9602"));
    EXPECT_EQ(Column(1), (QStringList{"K-600", "K-7W", "K-M3", "C001"}));
    EXPECT_EQ(Column(2), (QStringList{"客六百", "客七万", "客负三", "只改名"}));
    EXPECT_EQ(Column(3), (QStringList{"g600", "", "", "散装"}));
    EXPECT_EQ(Column(4), (QStringList{"箱", "斤", "个", "斤"}));
    EXPECT_EQ(Column(5), (QStringList{"1箱", "2筐", "4个", "5斤"}));
    EXPECT_EQ(Column(7), (QStringList{"10", "3", "", ""}));
    EXPECT_EQ(Column(8), (QStringList{"10", "", "-1", "0"}));
    EXPECT_EQ(MemoText("jehj"), QStringLiteral("￥9.00"));
    EXPECT_EQ(MemoText("daxje"), QStringLiteral("玖元整"));
    QString code, name;
    EXPECT_TRUE(M->CustomerCode(70000, code, name));
    EXPECT_EQ(code, QStringLiteral("K-7W"));
    EXPECT_TRUE(M->CustomerCode(-3, code, name));

    // Customer 101 has its own code for pork only; customer 105's are gone.
    M->PrepareDeliveryNote(QStringLiteral("9604"));
    EXPECT_FALSE(M->CustomerCode(600, code, name));
    EXPECT_EQ(Column(1), (QStringList{"R-01"}));
    M->PrepareDeliveryNote(QStringLiteral("9603"));
    EXPECT_FALSE(M->CustomerCode(203, code, name));
    EXPECT_EQ(Column(1), (QStringList{"C003"}));
    EXPECT_EQ(Column(2), (QStringList{"猪肉"}));
}

TEST_F(DeliveryNoteData, CustomerWithoutPricesGetsNoPriceAmountOrWords)
{
    AddMemos({"daxje", "jehj", "shortname"});
    M->PrepareDeliveryNote(QStringLiteral("9603"));
    EXPECT_EQ(MemoText("shortname"), QStringLiteral("演示食堂"));
    EXPECT_EQ(Column(4), (QStringList{"公斤"}));
    EXPECT_EQ(Column(5), (QStringList{"8斤"}));
    EXPECT_EQ(Column(7), (QStringList{""}));
    EXPECT_EQ(Column(8), (QStringList{""}));
    EXPECT_EQ(M->NoteTotal(), 1080000);
    EXPECT_EQ(MemoText("daxje"), QStringLiteral("template"));
    EXPECT_EQ(MemoText("jehj"), QStringLiteral("template"));
}

TEST_F(DeliveryNoteData, TemplateWithoutTheNamedObjectsOrWithoutHeaderRowStillFillsTheLists)
{
    // An empty report (missing template) and a customer whose header join
    // finds nothing (no print header 9).
    M->PrepareDeliveryNote(QStringLiteral("9601"));
    EXPECT_EQ(Column(0).size(), 2);
    AddMemos({"dh"});
    M->PrepareDeliveryNote(QStringLiteral("9605"));
    EXPECT_EQ(MemoText("dh"), QStringLiteral("template"));
    EXPECT_EQ(Column(2), (QStringList{"大白菜"}));
    // A total below one fen prints no words.
    EXPECT_EQ(M->NoteTotal(), 40);
}

TEST_F(DeliveryNoteData, GetValueServesTheRowOfTheDatasetAndLeavesOtherRequestsAlone)
{
    M->PrepareDeliveryNote(QStringLiteral("9602"));
    EXPECT_EQ(ValueAt(0, QStringLiteral("row")).AsString(), QStringLiteral("1"));
    EXPECT_EQ(ValueAt(1, QStringLiteral("MC")).AsString(), QStringLiteral("客七万"));
    EXPECT_EQ(ValueAt(2, QStringLiteral("DinGhl")).AsString(), QStringLiteral("4个"));
    EXPECT_EQ(ValueAt(3, QStringLiteral("bz")).AsString(), QString());
    // Amounts are numbers; empty, "0" and negative ones an empty text.
    const Variant amount = ValueAt(0, QStringLiteral("shisje"));
    EXPECT_EQ(amount.VType(), varDouble);
    EXPECT_DOUBLE_EQ(amount.AsDouble(), 10.0);
    for (int r : {1, 2, 3}) {
        const Variant v = ValueAt(r, QStringLiteral("shisje"));
        EXPECT_EQ(v.VType(), varString) << r;
        EXPECT_EQ(v.AsString(), QString()) << r;
    }
    // Other names, and rows outside the lists, leave the value as it was.
    EXPECT_EQ(ValueAt(0, QStringLiteral("price")).AsString(), QStringLiteral("unchanged"));
    EXPECT_EQ(ValueAt(4, QStringLiteral("mc")).AsString(), QStringLiteral("unchanged"));
    EXPECT_EQ(ValueAt(-1, QStringLiteral("row")).AsString(), QStringLiteral("unchanged"));
    M->PrepareDeliveryNote(QStringLiteral("1"));
    EXPECT_EQ(Column(0).size(), 0);
    EXPECT_EQ(ValueAt(0, QStringLiteral("shisje")).AsString(), QStringLiteral("unchanged"));
}

TEST_F(DeliveryNoteData, TheShippedTemplateHoldsTheNamedTextsAndADataBandOverTheUserDataSet)
{
    ASSERT_TRUE(QFile::copy(QStringLiteral(STATION_SOURCE_DIR "/app/db/p01.qd3"), Station.Db() + QStringLiteral("p01.qd3")));
    ASSERT_TRUE(M->qdzReport1->LoadFromFile(ProgramDir() + QStringLiteral("db/p01.qd3")));
    EXPECT_EQ(M->qdzReport1->Errors()->Count(), 0);
    auto *band = dynamic_cast<TqdzDataBand *>(M->qdzReport1->FindObject(QStringLiteral("MasterData1")));
    ASSERT_NE(band, nullptr);
    EXPECT_EQ(band->DataSet(), M->qdzUserDataSet1);
    M->PrepareDeliveryNote(QStringLiteral("9601"));
    for (const char *name : {"shortname", "rq", "dh", "gystait", "lury", "daxje", "jehj"})
        EXPECT_NE(MemoText(name), QStringLiteral("<none>")) << name;
    EXPECT_EQ(MemoText("gystait"), QStringLiteral("演示配送中心送货单"));
    EXPECT_EQ(MemoText("jehj"), QStringLiteral("￥3.80"));
    // The data band's texts ask for the column lists by name.
    QStringList texts;
    for (int i = 1; i <= 10; ++i)
        texts << MemoText(QStringLiteral("Line%1").arg(i).toLatin1().constData());
    EXPECT_EQ(texts, (QStringList{"[row]", "[bh]", "[mc]", "[gg]", "[dw]", "[dinghl]", "[songhl]", "[dj]", "[shisje]",
                                  "[bz]"}));
}
