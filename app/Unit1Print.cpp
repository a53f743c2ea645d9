// The main window's delivery note: the column lists and customer codes filled
// for an order, the header texts of the loaded template, and the values the
// report asks for while it walks the order's lines.
#include "Unit1.h"
#include "AmountInWords.h"
#include "datacenter_code.h"
#include "report/engine/qdzPrinter.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzClassEngine.h"
#include "report/model/qdzVariables.h"

#include <QDir>
#include <QPageSize>
#include <QPdfWriter>

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
// without that text. The texts are data (a customer may be called
// 王记[2+3]店): they print as they are, whatever the template says.
void SetMemoText(TqdzReport *Report, const char *Name, const QString &Text)
{
    if (auto *memo = dynamic_cast<TqdzCustomMemoView *>(Report->FindObject(QString::fromLatin1(Name)))) {
        memo->SetAllowExpressions(false);
        memo->SetText(Text);
    }
}

void Warn(const QString &Text)
{
    Application->MessageBox(Text, QStringLiteral("提示!"), MB_ICONWARNING);
}

// A file name made of the order number: characters that could leave the
// folder or trouble a file system become '_'.
QString NoteFileName(const QString &Dh, const QString &Id)
{
    QString name;
    for (QChar c : Dh)
        name += c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_') ? c : QLatin1Char('_');
    if (name.isEmpty())
        name = Id;
    return QStringLiteral("送货单_") + name + QStringLiteral(".pdf");
}

} // namespace

bool Tmain::WriteNotePdf(const QString &FileName)
{
    TqdzCustomPreviewPages *pages = qdzReport1->PreviewPages();
    if (!pages || pages->GetCount() == 0)
        return false;
    QDir().mkpath(QFileInfo(FileName).absolutePath());
    // Drawn at three times the report's 96 pixels per inch.
    constexpr int Dpi = 288;
    constexpr double Scale = Dpi / 96.0;
    QPdfWriter writer(FileName);
    writer.setResolution(Dpi);
    writer.setTitle(QFileInfo(FileName).completeBaseName());
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    auto pageSize = [pages](int Index) {
        const TPoint px = pages->GetPageSize(Index);
        return QPageSize(QSizeF(px.X / qdzPixelsPerMM, px.Y / qdzPixelsPerMM), QPageSize::Millimeter);
    };
    writer.setPageSize(pageSize(0));
    TCanvas canvas;
    canvas.SetDevice(&writer);
    if (!canvas.Handle()) {
        canvas.SetDevice(nullptr);
        return false;
    }
    for (int i = 0; i < pages->GetCount(); ++i) {
        if (i > 0) {
            writer.setPageSize(pageSize(i));
            writer.newPage();
        }
        pages->DrawPage(i, &canvas, Scale, Scale, 0, 0);
    }
    canvas.SetDevice(nullptr);
    const QFileInfo written(FileName);
    return written.exists() && written.size() > 0;
}

void Tmain::Button1Click(TObject *)
{
    TADOQuery *orders = DataCenter->L_Sell_Dh_Query;
    if (!CheckListHasRows(orders))
        return;
    const QString id = orders->FieldByName(QStringLiteral("id")).AsString();
    const QString dh = orders->FieldByName(QStringLiteral("dh")).AsString();
    FLastNoteFile.clear();
    const QString templateFile = ProgramDir() + QStringLiteral("db/p01.qd3");
    bool printed = false;
    // An order is marked printed only when its note was.
    try {
        if (!qdzReport1->LoadFromFile(templateFile, false)) {
            Warn(QStringLiteral("找不到送货单模板 ") + templateFile + QStringLiteral(", 本单没有打印!"));
            return;
        }
        PrepareDeliveryNote(id);
        qdzUserDataSet1->SetRangeEnd(reCount);
        qdzUserDataSet1->SetRangeEndCount(NoteList(0)->Count());
        if (qdzReport1->BuildReport()) {
            qdzReport1->PrintOptions()->SetShowDialog(false);
            if (qdzPrinters()->HasPhysicalPrinter()) {
                printed = qdzReport1->PrintReport();
            } else {
                // No print queue on this machine: the note becomes a PDF
                // file beside the database, and the operator is told where.
                const QString file = QFileInfo(DataCenter->LocalDatabasePath()).absolutePath() +
                                     QStringLiteral("/notes/") + NoteFileName(dh, id);
                printed = WriteNotePdf(file);
                if (printed) {
                    FLastNoteFile = file;
                    Warn(QStringLiteral("没有可用的打印机, 送货单已保存为文件: ") + file);
                }
            }
        }
    } catch (const Exception &e) {
        Warn(e.Message());
    }
    if (!printed) {
        Warn(QStringLiteral("送货单没有打印成功, 本单仍为未打印!"));
        return;
    }
    DataCenter->LocalExec(QStringLiteral("update sys_jhdh set print_yes=1 where id=?"), {Variant(id)});
}

void Tmain::CreateNoteLists()
{
    for (auto &list : FNoteLists)
        list = std::make_unique<TStringList>();
    qdzReport1 = new TqdzReport(this);
    qdzReport1->SetName(QStringLiteral("qdzReport1"));
    qdzReport1->SetOnGetValue(TqdzGetValueEvent(this, &Tmain::qdzReport1GetValue));
    // The station builds without a progress window: a template whose script
    // or data never ends gives up rather than freezing the station.
    qdzReport1->SetMaxBuildTime(30000);
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
