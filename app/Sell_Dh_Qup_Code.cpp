// Implementation of the crate keypad of an order line.
#include "Sell_Dh_Qup_Code.h"
#include "YbRadChk.h"
#include "datacenter_code.h"
#include "weighing_code.h"

TSell_Dh_Qup *Sell_Dh_Qup = nullptr;

namespace {

TLabel *MakeLabel(TForm *Form, const char *Name, int Left, int Top, int Width, int Size)
{
    auto *l = new TLabel(Form);
    l->SetName(QString::fromLatin1(Name));
    l->SetParent(Form);
    l->SetBounds(Left, Top, Width, 30);
    l->Font()->SetSize(Size);
    return l;
}

} // namespace

TSell_Dh_Qup::TSell_Dh_Qup(TComponent *AOwner) : TForm(AOwner)
{
    Sell_Dh_Qup = this;
    SetName(UniqueFormName(AOwner, QStringLiteral("Sell_Dh_Qup")));
    SetCaption(QStringLiteral("按框去皮"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(412);
    SetClientHeight(540);
    SetKeyPreview(true);

    CpName = MakeLabel(this, "CpName", 16, 10, 380, 14);
    Label1 = MakeLabel(this, "Label1", 16, 44, 380, 14);
    Label1->SetCaption(QStringLiteral("本次框数录入"));
    Lur_value = new TEdit(this);
    Lur_value->SetName(QStringLiteral("Lur_value"));
    Lur_value->SetParent(this);
    Lur_value->SetBounds(16, 82, 300, 44);
    Lur_value->Font()->SetSize(20);
    Lur_value->SetText(QStringLiteral("1"));
    Lur_value->SetOnKeyPress(TKeyPressEvent(this, &TSell_Dh_Qup::Lur_valueKeyPress));
    Label2 = MakeLabel(this, "Label2", 328, 90, 70, 14);
    Label2->SetCaption(QStringLiteral("个框"));

    const TNotifyEvent digit(this, &TSell_Dh_Qup::DigitClick);
    TButton **digits[9] = {&Button1, &Button2, &Button3, &Button4, &Button5, &Button6, &Button7, &Button8, &Button9};
    KeypadDigits(this, digits, 16, 140, digit);
    Button13 = KeypadButton(this, "Button13", QStringLiteral("确 定[F1]"), 16, 398, 184, 90,
                            TNotifyEvent(this, &TSell_Dh_Qup::Button13Click));
    Button14 = KeypadButton(this, "Button14", QStringLiteral("关闭(ESC)"), 208, 398, 184, 90,
                            TNotifyEvent(this, &TSell_Dh_Qup::Button14Click));

    SetOnCreate(TNotifyEvent(this, &TSell_Dh_Qup::FormCreate));
    SetOnShow(TNotifyEvent(this, &TSell_Dh_Qup::FormShow));
    SetOnClose(TCloseEvent(this, &TSell_Dh_Qup::FormClose));
    SetOnKeyDown(TKeyEvent(this, &TSell_Dh_Qup::FormKeyDown));
}

TSell_Dh_Qup::~TSell_Dh_Qup()
{
    if (Sell_Dh_Qup == this)
        Sell_Dh_Qup = nullptr;
}

void TSell_Dh_Qup::FormCreate(TObject *)
{
    ResetLoadMemory();
}

void TSell_Dh_Qup::FormShow(TObject *)
{
    Lur_value->SetText(QStringLiteral("1"));
    // The line being weighed, whichever page its tile was touched on.
    const int lineId = WeighingHost.Sell_StringGrid1 ? WeighingHost.Sell_StringGrid1->Tag() : 0;
    auto q = DataCenter->LocalOpen(
        QStringLiteral("select sj.id,unit.usercode,sj.sldw,unit.shortname,cp.mc,sj.songhl,sj.dinghl,cp.dw,sj.bz,"
                       "sj.songhl-ifnull(sj.dinghl,0) as chae from sys_jhsj sj,sys_cp cp,sys_jhdh dh,sys_unit unit "
                       "where dh.id=sj.dhid and dh.unit=unit.id and sj.mc=cp.id and sj.id=? order by unit.usercode"),
        {Variant(lineId)});
    if (q->RecordCount() > 0) {
        auto f = [&q](const char *Name) { return q->FieldByName(QString::fromLatin1(Name)).AsString(); };
        const QString blank = QStringLiteral(" ");
        const QString unit = f("sldw").isEmpty() ? f("dw") : f("sldw");
        CpName->SetCaption(f("shortname") + blank + f("mc"));
        QString quantities = f("dinghl") + unit;
        if (!f("songhl").isEmpty())
            quantities += blank + f("songhl") + unit;
        Label1->SetCaption(quantities + blank + f("bz"));
    } else {
        Label1->SetCaption(QString());
        CpName->SetCaption(QString());
    }
    Lur_value->SelectAll();
    Lur_value->SetFocus();
}

void TSell_Dh_Qup::FormClose(TObject *, TCloseAction &Action)
{
    CloseKeypad(Action);
}

void TSell_Dh_Qup::FormKeyDown(TObject *, Word &Key, TShiftState)
{
    KeypadKeyDown(this, Key, TNotifyEvent(this, &TSell_Dh_Qup::Button13Click));
}

void TSell_Dh_Qup::DigitClick(TObject *Sender)
{
    Lur_value->SetText(static_cast<TButton *>(Sender)->Caption());
}

void TSell_Dh_Qup::Button14Click(TObject *)
{
    Close();
}

void TSell_Dh_Qup::Lur_valueKeyPress(TObject *, QChar &Key)
{
    if (Key == QLatin1Char('\r')) {
        Button13Click(this);
        return;
    }
    if (Key == QChar(8) || (Key >= QLatin1Char('0') && Key <= QLatin1Char('9')))
        return;
    Key = QChar();
}

void TSell_Dh_Qup::Button13Click(TObject *)
{
    TWeighingHost &h = WeighingHost;
    const int lineId = h.Sell_StringGrid1 ? h.Sell_StringGrid1->Tag() : 0;
    if (!CheckLineIsLive(lineId)) {
        Close();
        ReloadWeighedLines();
        return;
    }
    TWeighing w;
    try {
        w = CrateWeighing(h.SameBang && h.SameBang->Checked(), h.m_zhongzl ? h.m_zhongzl->Text() : QString(),
                          Lur_value->Text(), ChosenUnitTare(), h.LastGross ? h.LastGross->Text() : QStringLiteral("0"));
    } catch (const EConvertError &) {
        WeighingWarning(QStringLiteral("总重量不对,本次操作失败,请重新操作!"));
        return;
    }
    // A line added at the station takes its delivered quantity as ordered.
    if (!SaveLineWeighing(lineId, w, true)) {
        WeighingWarning(QStringLiteral("保存失败,本次操作失败,请重新操作!"));
        return;
    }
    if (h.LastGross)
        h.LastGross->SetText(w.LastGross);
    if (h.LastStep)
        h.LastStep->SetText(w.LastStep);
    ReloadWeighedLines();
    Close();
}

STATION_PUBLISHED(TSell_Dh_Qup) {}
