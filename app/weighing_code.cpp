// Implementation of the weighing arithmetic shared by the four weighing keypads.
#include "weighing_code.h"
#include "Sell_Dh_Qup_Code.h"
#include "YbRadChk.h"
#include "datacenter_code.h"
#include "scale_code.h"
#include "sell_dh_input_code.h"
#include "SysUtils.h"
#include <cmath>

TWeighingHost WeighingHost;

double WeightValue(const QString &Text)
{
    double v;
    if (!TryStrToFloat(Text, v) || !std::isfinite(v))
        throw EConvertError(QStringLiteral("'%1' 不是有效的重量!").arg(Text));
    return v;
}

// The scale's reading as a gross weight: below zero the scale is not
// tared, and such a reading is refused like one that does not convert.
double GrossValue(const QString &Reading)
{
    const double v = WeightValue(Reading);
    if (v < 0)
        throw EConvertError(QStringLiteral("'%1' 是负的毛重!").arg(Reading));
    return v;
}

double TareValue(const QString &Text)
{
    if (!ValidTare(Text))
        throw EConvertError(QStringLiteral("'%1' 不是秤能称出的皮重!").arg(Text));
    return WeightValue(Text.trimmed());
}

namespace {

// Value rounded to Decimals decimals in decimal, not binary: fifteen
// significant digits first; a zero that was -1E-16 is written as 0, not -0.
double RoundedTo(double Value, int Decimals)
{
    if (!std::isfinite(Value))
        return Value;
    const double v = StrToFloat(FloatToStrF(Value, ffFixed, 15, Decimals));
    return v == 0 ? 0.0 : v;
}

} // namespace

double WrittenWeight(double Value)
{
    return RoundedTo(Value, 3);
}

double WrittenAmount(double Value)
{
    return RoundedTo(Value, 6);
}

double RoundedNet(double Gross, double Tare, double Last)
{
    return WrittenWeight(WrittenWeight(Gross) - WrittenWeight(Tare) - WrittenWeight(Last));
}

double NetWeight(double Gross, double Tare, double Last)
{
    const double net = RoundedNet(Gross, Tare, Last);
    // A net below zero means the tare or the load memory exceeds what lies on
    // the scale: such a weighing would take goods back from the customer.
    if (net < 0)
        throw EConvertError(QStringLiteral("'%1' 是负的净重!").arg(FloatToStr(net)));
    if (!std::isfinite(net))
        throw EConvertError(QStringLiteral("'%1' 不是有效的重量!").arg(FloatToStr(net)));
    return net;
}

TWeighing TypedWeighing(TWeighingMode Mode, const QString &Reading, const QString &Typed, const QString &LastGross)
{
    TWeighing w;
    const double t = WeightValue(Typed);
    if (Mode == wmManual) {
        w.Net = NetWeight(t, 0);
        w.Gross = w.Net;
        w.Tare = 0;
        w.LastGross = w.LastStep = QStringLiteral("0");
        return w;
    }
    const double s = GrossValue(Reading);
    w.Tare = WrittenWeight(t);
    if (Mode == wmSameLoad) {
        const double last = WeightValue(LastGross);
        w.Net = NetWeight(s, t, last);
        w.Gross = RoundedNet(s, 0, last);
        w.LastStep = FloatToStr(w.Gross);
        w.LastGross = Reading;
    } else {
        w.Net = NetWeight(s, t);
        w.Gross = WrittenWeight(s);
        w.LastGross = w.LastStep = QStringLiteral("0");
    }
    return w;
}

TWeighing CrateWeighing(bool SameLoad, const QString &Reading, const QString &Crates, const QString &UnitTare,
                        const QString &LastGross)
{
    TWeighing w;
    const double s = GrossValue(Reading);
    const int c = StrToInt(Crates);
    const double u = TareValue(UnitTare);
    w.Tare = WrittenWeight(c * u);
    if (SameLoad) {
        const double last = WeightValue(LastGross);
        w.Net = NetWeight(s, w.Tare, last);
        w.Gross = RoundedNet(s, 0, last);
        w.LastStep = FloatToStr(w.Gross);
        w.LastGross = Reading;
    } else {
        w.Net = NetWeight(s, w.Tare);
        w.Gross = WrittenWeight(s);
        w.LastGross = w.LastStep = QStringLiteral("0");
    }
    return w;
}

namespace {

// Runs Statement on the local connection; raises unless exactly one row changed.
void ExecOneRow(const QString &Sql, const QList<Variant> &Params)
{
    TADOQuery q(nullptr);
    q.SetConnection(DataCenter->L_ADOConnection1);
    q.SQL()->SetText(Sql);
    for (int i = 0; i < Params.size(); ++i)
        q.Parameters().AddParameter(QStringLiteral("p%1").arg(i + 1), Params[i]);
    if (q.ExecSQL() != 1)
        throw EDatabaseError(QStringLiteral("找不到要更新的记录!"));
}

} // namespace

bool SaveLineWeighing(int LineId, const TWeighing &W, bool OrderedFollows)
{
    if (!DataCenter)
        return false;
    return LocalTransaction([&] {
        // The running totals are summed here and rounded as the nets are:
        // summed by the database, 0.3 + 7.9 + 1.8 would be stored as 10.000000000000002.
        auto q = DataCenter->LocalOpen(QStringLiteral("select songhl,shisje,dj,local_jhsj from sys_jhsj where id=? "
                                                      "and dhid in (select id from sys_jhdh)"),
                                       {Variant(LineId)});
        if (q->IsEmpty())
            throw EDatabaseError(QStringLiteral("找不到要更新的记录!"));
        const TField songhl = q->FieldByName(QStringLiteral("songhl")), shisje = q->FieldByName(QStringLiteral("shisje")),
                     dj = q->FieldByName(QStringLiteral("dj"));
        const bool first = songhl.IsNull();
        const Variant delivered(first ? W.Net : WrittenWeight(songhl.AsFloat() + W.Net));
        // No price, or an amount already unknown, stays unknown.
        const Variant amount = dj.IsNull() || (!first && shisje.IsNull())
                                   ? Null()
                                   : Variant(WrittenAmount((first ? 0 : shisje.AsFloat()) + W.Net * dj.AsFloat()));
        const bool follows = OrderedFollows && !q->FieldByName(QStringLiteral("local_jhsj")).IsNull();
        if (follows)
            ExecOneRow(QStringLiteral("update sys_jhsj set dinghl=?,songhl=?,shisje=? where id=?"),
                       {delivered, delivered, amount, Variant(LineId)});
        else
            ExecOneRow(QStringLiteral("update sys_jhsj set songhl=?,shisje=? where id=?"),
                       {delivered, amount, Variant(LineId)});
        ExecOneRow(QStringLiteral("insert into sys_jhsj_mx(jhsj_id,zhongzl,qup) values(?,?,?)"),
                   {Variant(LineId), Variant(W.Gross), Variant(W.Tare)});
    });
}

QHash<qint64, double> LineShares(const QString &LineIds)
{
    QHash<qint64, double> shares;
    auto q = DataCenter->LocalOpen(QStringLiteral("select jhsj_id,zhongzl,qup from sys_jhsj_mx where delete_yes is null "
                                                  "and jhsj_id in (%1) order by id")
                                       .arg(LineIds));
    for (q->First(); !q->Eof(); q->Next()) {
        const qint64 line = q->Fields(0).AsLargeInt();
        shares[line] = WrittenWeight(shares.value(line) + RoundedNet(q->Fields(1).AsFloat(), q->Fields(2).AsFloat()));
    }
    // What the station delivered of a line before its records were purged.
    auto b = DataCenter->LocalOpen(
        QStringLiteral("select id,share_base from sys_jhsj where share_base is not null and id in (%1)").arg(LineIds));
    for (b->First(); !b->Eof(); b->Next()) {
        const qint64 line = b->Fields(0).AsLargeInt();
        shares[line] = WrittenWeight(shares.value(line) + b->Fields(1).AsFloat());
    }
    return shares;
}

bool SaveOrderWeighing(int OrderId, double Net, double Tare)
{
    if (!DataCenter)
        return false;
    return LocalTransaction([&] {
        // Summed here and rounded, as a line's running total is.
        auto q = DataCenter->LocalOpen(QStringLiteral("select zzl,zqp from sys_jhdh where id=?"), {Variant(OrderId)});
        if (q->IsEmpty())
            throw EDatabaseError(QStringLiteral("找不到要更新的记录!"));
        const TField zzl = q->FieldByName(QStringLiteral("zzl")), zqp = q->FieldByName(QStringLiteral("zqp"));
        const double net = zzl.IsNull() ? Net : WrittenWeight(zzl.AsFloat() + Net);
        const double tare = zqp.IsNull() ? Tare : WrittenWeight(zqp.AsFloat() + Tare);
        ExecOneRow(QStringLiteral("update sys_jhdh set zzl=?,zqp=? where id=?"),
                   {Variant(net), Variant(tare), Variant(OrderId)});
    });
}

bool LineIsLive(int LineId)
{
    if (!DataCenter || LineId == 0)
        return false;
    // A deleted added line keeps its row under order id 0: no order has it.
    auto q = DataCenter->LocalOpen(
        QStringLiteral("select sj.id from sys_jhsj sj,sys_jhdh dh where sj.dhid=dh.id and sj.id=?"), {Variant(LineId)});
    return !q->IsEmpty();
}

bool CheckLineIsLive(int LineId)
{
    if (LineIsLive(LineId))
        return true;
    WeighingWarning(QStringLiteral("所选品种已删除或不存在,本次操作失败,请重新选择!"));
    return false;
}

void OpenLineWeighing()
{
    const int line = WeighingHost.Sell_StringGrid1 ? WeighingHost.Sell_StringGrid1->Tag() : 0;
    if (!CheckLineIsLive(line)) {
        ReloadWeighedLines();
        return;
    }
    TForm *dialog = WeighingHost.m_qup && WeighingHost.m_qup->ItemIndex() == 0 ? static_cast<TForm *>(sell_dh_input)
                                                                               : static_cast<TForm *>(Sell_Dh_Qup);
    if (!dialog)
        return;
    if (WeighingHost.MainForm)
        WeighingHost.MainForm->SetEnabled(false);
    dialog->Show();
}

void ReloadWeighedLines()
{
    // Refreshing the tiles after a weighing is no change of order or product:
    // the load on the scale and its mode survive the reloads, which otherwise
    // reset them when the other page's current row differs from its last one.
    TWeighingHost &h = WeighingHost;
    const QString lastGross = h.LastGross ? h.LastGross->Text() : QString();
    const QString lastStep = h.LastStep ? h.LastStep->Text() : QString();
    const bool same = h.SameBang && h.SameBang->Checked();
    auto hasRows = [](TADOQuery *Q) { return Q && Q->Active() && Q->RecordCount() > 0; };
    if (DataCenter && hasRows(DataCenter->L_Sell_Dh_Query) && h.ReloadOrderLines)
        h.ReloadOrderLines();
    if (DataCenter && hasRows(DataCenter->L_Sell_Cp_Dh_Query) && h.ReloadProductLines)
        h.ReloadProductLines();
    if (h.LastGross)
        h.LastGross->SetText(lastGross);
    if (h.LastStep)
        h.LastStep->SetText(lastStep);
    if (same)
        h.SameBang->SetChecked(true);
}

QString ChosenUnitTare()
{
    if (!WeighingHost.m_qup || !WeighingHost.m_qup_value)
        return QString();
    const int i = WeighingHost.m_qup->ItemIndex();
    if (i < 0 || i >= WeighingHost.m_qup_value->Items()->Count())
        return QString();
    return WeighingHost.m_qup_value->Items()->Strings(i);
}

void WeighingWarning(const QString &Text)
{
    Application->MessageBox(Text, QStringLiteral("提示!"), MB_ICONWARNING);
}

TButton *KeypadButton(TForm *Form, const char *Name, const QString &Caption, int Left, int Top, int Width,
                      int Height, TNotifyEvent OnClick)
{
    auto *b = new TButton(Form);
    b->SetName(QString::fromLatin1(Name));
    b->SetParent(Form);
    b->SetBounds(Left, Top, Width, Height);
    b->SetCaption(Caption);
    b->Font()->SetSize(20);
    b->SetOnClick(OnClick);
    return b;
}

void KeypadDigits(TForm *Form, TButton **Digits[9], int Left, int Top, TNotifyEvent OnClick)
{
    for (int i = 0; i < 9; ++i) {
        const QByteArray name = "Button" + QByteArray::number(i + 1);
        *Digits[i] = KeypadButton(Form, name.constData(), QString::number(i + 1), Left + (i % 3) * 128,
                                  Top + (i / 3) * 84, 120, 76, OnClick);
    }
}

namespace {

// The text the keypad selected on opening, kept on the edit until a key is
// touched; a text changed since (typed on the keyboard) is no longer selected.
const char *const SelectedValue = "keypadSelectedValue";

bool TakeSelectedValue(TEdit *Field)
{
    QWidget *w = Field->Widget();
    if (!w)
        return false;
    const QVariant v = w->property(SelectedValue);
    w->setProperty(SelectedValue, QVariant());
    return v.isValid() && v.toString() == Field->Text();
}

} // namespace

void SelectKeypadValue(TEdit *Field)
{
    Field->SelectAll();
    Field->SetFocus();
    if (QWidget *w = Field->Widget())
        w->setProperty(SelectedValue, Field->Text());
}

void AppendKeypadPoint(TEdit *Field)
{
    Field->SetText(TakeSelectedValue(Field) ? QStringLiteral(".") : Field->Text() + QLatin1Char('.'));
}

void AppendKeypadDigit(TEdit *Field, TObject *DigitButton)
{
    const QString d = static_cast<TButton *>(DigitButton)->Caption();
    if (TakeSelectedValue(Field) || Field->Text() == QLatin1String("0"))
        Field->SetText(d);
    else
        Field->SetText(Field->Text() + d);
}

void KeypadKeyDown(TForm *Keypad, Word &Key, TNotifyEvent Commit)
{
    if (Key == VK_ESCAPE) {
        Key = 0;
        Keypad->Close();
    } else if (Key == VK_F1) {
        Key = 0;
        Commit(Keypad);
    }
}

void CloseKeypad(TCloseAction &Action)
{
    Action = caHide;
    if (WeighingHost.MainForm)
        WeighingHost.MainForm->SetEnabled(true);
}

void ResetLoadMemory()
{
    if (WeighingHost.LastGross)
        WeighingHost.LastGross->SetText(QStringLiteral("0"));
    if (WeighingHost.LastStep)
        WeighingHost.LastStep->SetText(QStringLiteral("0"));
}
