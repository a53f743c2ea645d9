// The main window's delivery note: the column lists and customer codes filled
// for an order, the header texts of the loaded template, and the values the
// report asks for while it walks the order's lines.
#include "Unit1.h"
#include "AmountInWords.h"
#include "datacenter_code.h"
#include "report/model/qdzClass.h"

namespace {

// The report variables, in the order of the column lists.
const char *const NoteNames[Tmain::NoteListCount] = {"row", "bh", "mc", "gg", "dw",
                                                     "dinghl", "songhl", "dj", "shisje", "bz"};
enum { nRow, nBh, nMc, nGg, nDw, nDinghl, nSonghl, nDj, nShisje, nBz };

int NoteIndex(const QString &Name)
{
    for (int i = 0; i < Tmain::NoteListCount; ++i)
        if (Name.compare(QLatin1String(NoteNames[i]), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// A named text object of the template; a template without it is printed
// without that text.
void SetMemoText(TqdzReport *Report, const char *Name, const QString &Text)
{
    if (auto *memo = dynamic_cast<TqdzCustomMemoView *>(Report->FindObject(QString::fromLatin1(Name))))
        memo->SetText(Text);
}

} // namespace

void Tmain::CreateNoteLists()
{
    for (auto &list : FNoteLists)
        list = std::make_unique<TStringList>();
    qdzReport1 = new TqdzReport(this);
    qdzReport1->SetName(QStringLiteral("qdzReport1"));
    qdzUserDataSet1 = new TqdzUserDataSet(this);
    qdzUserDataSet1->SetName(QStringLiteral("qdzUserDataSet1"));
}

bool Tmain::CustomerCode(qint64 ProductId, QString &Code, QString &Name) const
{
    const auto it = FCustomerCodes.constFind(ProductId);
    if (it == FCustomerCodes.constEnd())
        return false;
    Code = it->first;
    Name = it->second;
    return true;
}

void Tmain::PrepareDeliveryNote(const QString &Id)
{
    // Codes of the previous note's customer must not leak into this one.
    FCustomerCodes.clear();
    {
        const auto q = DataCenter->LocalOpen(
            QStringLiteral("select khpm.cpid,khpm.bh,khpm.mc from sys_khpm khpm,sys_jhdh dh "
                           "where khpm.khid=dh.unit and dh.id=?"),
            {Variant(Id)});
        for (q->First(); !q->Eof(); q->Next())
            FCustomerCodes.insert(q->FieldByName(QStringLiteral("cpid")).AsLargeInt(),
                                  {q->FieldByName(QStringLiteral("bh")).AsString(),
                                   q->FieldByName(QStringLiteral("mc")).AsString()});
    }

    bool dadj = false;
    bool dydw = false;
    {
        const auto q = DataCenter->LocalOpen(
            QStringLiteral("select dh.dh,dh.dhrq,dh.lury,gs.fenlmc,unit.shortname,unit.address,unit.dydw,"
                           "unit.phone,unit.linkman,unit.dadj "
                           " from sys_jhdh dh,sys_unit unit,sys_dytait gs where dh.unit=unit.id and "
                           "gs.id=unit.typed  and dh.id=?"),
            {Variant(Id)});
        if (!q->Eof()) {
            SetMemoText(qdzReport1, "shortname", q->FieldByName(QStringLiteral("shortname")).AsString());
            SetMemoText(qdzReport1, "rq", q->FieldByName(QStringLiteral("dhrq")).AsString());
            SetMemoText(qdzReport1, "dh", q->FieldByName(QStringLiteral("dh")).AsString());
            SetMemoText(qdzReport1, "gystait", q->FieldByName(QStringLiteral("fenlmc")).AsString());
            SetMemoText(qdzReport1, "lury", q->FieldByName(QStringLiteral("lury")).AsString());
            dadj = q->FieldByName(QStringLiteral("dadj")).AsBoolean();
            dydw = q->FieldByName(QStringLiteral("dydw")).AsBoolean();
        }
    }

    for (auto &list : FNoteLists)
        list->Clear();
    FNoteTotal = 0;
    const bool halves = dadj && dydw;
    const auto q = DataCenter->LocalOpen(
        QStringLiteral("select cp.bh,cp.mc,cp.gg,cp.dw,sj.dinghl,sj.sl,sj.songhl,sj.dj,sj.bz,sj.shisje,"
                       "cp.id as cpid,sj.dinghl/2 as dinghl2,sj.songhl/2 as songhl2,sj.dj*2 as dj2,sj.sldw "
                       "from sys_jhsj sj,sys_jhdh dh,sys_cp cp where dh.id=sj.dhid and sj.dhid=? "
                       "and sj.mc=cp.id order by sj.id"),
        {Variant(Id)});
    int row = 0;
    for (q->First(); !q->Eof(); q->Next()) {
        auto f = [&q](const char *Name) { return q->FieldByName(QString::fromLatin1(Name)).AsString(); };
        const QString shisje = f("shisje");
        qint64 amount = 0;
        if (!shisje.isEmpty() && TryTextToCurrency(shisje, amount)
            && __builtin_add_overflow(FNoteTotal, amount, &FNoteTotal))
            throw Exception(QStringLiteral("数值过大!"));

        QString code = f("bh");
        QString name = f("mc");
        QString ownCode, ownName;
        if (CustomerCode(q->FieldByName(QStringLiteral("cpid")).AsLargeInt(), ownCode, ownName)) {
            if (!ownCode.isEmpty())
                code = ownCode;
            if (!ownName.isEmpty())
                name = ownName;
        }
        const QString dw = f("dw");
        const QString q1 = halves ? f("dinghl2") : f("dinghl");
        QString ordered;
        if (q1.isEmpty() || f("dinghl") == QLatin1String("0"))
            ordered = f("sl") + f("sldw");
        else if (!f("sldw").isEmpty())
            ordered = q1 + f("sldw");
        else
            ordered = q1 + dw;

        FNoteLists[nRow]->Add(QString::number(++row));
        FNoteLists[nBh]->Add(code);
        FNoteLists[nMc]->Add(name);
        FNoteLists[nGg]->Add(f("gg"));
        FNoteLists[nDw]->Add(dydw && dw == QStringLiteral("斤") ? QStringLiteral("公斤") : dw);
        FNoteLists[nDinghl]->Add(ordered);
        FNoteLists[nSonghl]->Add(halves ? f("songhl2") : f("songhl"));
        FNoteLists[nDj]->Add(halves ? f("dj2") : dadj ? f("dj") : QString());
        FNoteLists[nShisje]->Add(dadj ? shisje : QString());
        FNoteLists[nBz]->Add(f("bz"));
    }

    if (FNoteTotal != 0 && dadj) {
        // The words say the figure printed beside them.
        const qint64 printed = RoundCurrencyToFen(FNoteTotal);
        SetMemoText(qdzReport1, "daxje", AmountInWords(printed));
        SetMemoText(qdzReport1, "jehj", QStringLiteral("￥") + CurrencyToFixed2(printed));
    }
}

void Tmain::qdzReport1GetValue(const QString &VarName, Variant &Value)
{
    const int index = NoteIndex(VarName);
    if (index < 0)
        return;
    const TStringList *list = FNoteLists[index].get();
    const int r = qdzUserDataSet1->RecNo();
    // An order without lines still walks one record.
    if (r < 0 || r >= list->Count())
        return;
    const QString s = list->Strings(r);
    if (index != nShisje) {
        Value = Variant(s);
        return;
    }
    double v = 0;
    if (s.compare(QLatin1String("0")) <= 0)
        Value = Variant(QString());
    else if (TryStrToFloat(s, v))
        Value = Variant(v);
    else
        Value = Variant(s);
}
