// Implementation of the typed weighing keypad of an order line.
#include "sell_dh_input_code.h"
#include "YbRadChk.h"
#include "datacenter_code.h"
#include "weighing_code.h"

Tsell_dh_input *sell_dh_input = nullptr;

namespace {

const QString ReadingOn = QStringLiteral("开启状态");
const QString ReadingOff = QStringLiteral("关闭状态");

TLabel *MakeLabel(TForm *Form, const char *Name, int Top, int Size)
{
    auto *l = new TLabel(Form);
    l->SetName(QString::fromLatin1(Name));
    l->SetParent(Form);
    l->SetBounds(16, Top, 380, 30);
    l->Font()->SetSize(Size);
    return l;
}

bool EmptyOrZero(const QString &S)
{
    return S.isEmpty() || S == QLatin1String("0");
}

} // namespace

Tsell_dh_input::Tsell_dh_input(TComponent *AOwner) : TForm(AOwner)
{
    sell_dh_input = this;
    SetName(UniqueFormName(AOwner, QStringLiteral("sell_dh_input")));
    SetCaption(QStringLiteral("配货录入"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(412);
    SetClientHeight(620);
    SetKeyPreview(true);

    Label1 = MakeLabel(this, "Label1", 10, 14);
    ProductName = MakeLabel(this, "ProductName", 44, 14);
    Label2 = MakeLabel(this, "Label2", 78, 12);
    Label2->SetCaption(QStringLiteral("请手动输入"));
    Label2->Font()->SetColor(clRed);
    Label2->SetVisible(false);

    Lur_value = new TEdit(this);
    Lur_value->SetName(QStringLiteral("Lur_value"));
    Lur_value->SetParent(this);
    Lur_value->SetBounds(16, 112, 260, 44);
    Lur_value->Font()->SetSize(20);
    Lur_value->SetText(QStringLiteral("13.5"));
    Lur_value->SetOnKeyPress(TKeyPressEvent(this, &Tsell_dh_input::Lur_valueKeyPress));

    YbButton1 = new TYbButton(this);
    YbButton1->SetName(QStringLiteral("YbButton1"));
    YbButton1->SetParent(this);
    YbButton1->SetBounds(286, 112, 110, 44);
    YbButton1->SetCaption(ReadingOn);
    YbButton1->SetOnClick(TNotifyEvent(this, &Tsell_dh_input::YbButton1Click));

    const TNotifyEvent digit(this, &Tsell_dh_input::DigitClick);
    TButton **digits[9] = {&Button1, &Button2, &Button3, &Button4, &Button5, &Button6, &Button7, &Button8, &Button9};
    KeypadDigits(this, digits, 16, 170, digit);
    Button11 = KeypadButton(this, "Button11", QStringLiteral("0"), 16, 422, 120, 76, digit);
    Button12 = KeypadButton(this, "Button12", QStringLiteral("﹒"), 144, 422, 120, 76,
                            TNotifyEvent(this, &Tsell_dh_input::Button12Click));
    Button10 = KeypadButton(this, "Button10", QStringLiteral("清空"), 272, 422, 120, 76,
                            TNotifyEvent(this, &Tsell_dh_input::Button10Click));
    Button13 = KeypadButton(this, "Button13", QStringLiteral("确 定[F1]"), 16, 510, 184, 90,
                            TNotifyEvent(this, &Tsell_dh_input::Button13Click));
    Button14 = KeypadButton(this, "Button14", QStringLiteral("关闭(ESC)"), 208, 510, 184, 90,
                            TNotifyEvent(this, &Tsell_dh_input::Button14Click));

    SetOnCreate(TNotifyEvent(this, &Tsell_dh_input::FormCreate));
    SetOnShow(TNotifyEvent(this, &Tsell_dh_input::FormShow));
    SetOnClose(TCloseEvent(this, &Tsell_dh_input::FormClose));
    SetOnKeyDown(TKeyEvent(this, &Tsell_dh_input::FormKeyDown));
}

Tsell_dh_input::~Tsell_dh_input()
{
    if (sell_dh_input == this)
        sell_dh_input = nullptr;
}

void Tsell_dh_input::FormCreate(TObject *)
{
    ResetLoadMemory();
}

void Tsell_dh_input::FormShow(TObject *)
{
    const bool manual = !WeighingHost.m_stopread || WeighingHost.m_stopread->Caption() != QStringLiteral("停止读秤");
    if (manual) {
        YbButton1->SetCaption(ReadingOff);
        Label2->SetVisible(true);
        if (WeighingHost.DifferentBang)
            WeighingHost.DifferentBang->SetChecked(true);
    } else {
        YbButton1->SetCaption(ReadingOn);
        Label2->SetVisible(false);
    }
    Lur_value->SetText(QStringLiteral("0"));

    const int lineId = WeighingHost.Sell_StringGrid1 ? WeighingHost.Sell_StringGrid1->Tag() : 0;
    auto q = DataCenter->LocalOpen(
        QStringLiteral("select sj.sl,unit.usercode,unit.shortname,sj.sldw,sj.songhl,cp.mc,sj.dinghl,cp.dw,sj.bz,"
                       "sj.songhl-ifnull(sj.dinghl,0) as chae "
                       "from sys_jhsj sj,sys_cp cp,sys_unit unit,sys_jhdh dh where sj.mc=cp.id and sj.dhid=dh.id "
                       "and dh.unit=unit.id and sj.id=? order by sj.id "),
        {Variant(lineId)});
    if (q->RecordCount() > 0) {
        auto f = [&q](const char *Name) { return q->FieldByName(QString::fromLatin1(Name)).AsString(); };
        const QString sl = f("sl"), sldw = f("sldw"), dinghl = f("dinghl"), mc = f("mc"), bz = f("bz");
        const QString blank = QStringLiteral(" ");
        // The customer shows for every line, so a label never names the previous line's customer.
        Label1->SetCaption(f("shortname") + blank + f("usercode"));
        if (!f("songhl").isEmpty()) {
            if (!sl.isEmpty() && EmptyOrZero(dinghl))
                ProductName->SetCaption(mc + blank + bz);
            else
                ProductName->SetCaption(mc + blank + f("chae") + blank + bz);
        } else if (!sl.isEmpty() && EmptyOrZero(dinghl)) {
            ProductName->SetCaption(mc + blank + sl + sldw + blank + bz);
        } else if (sl.isEmpty() && (dinghl != QLatin1String("0") || !sldw.isEmpty())) {
            ProductName->SetCaption(mc + blank + dinghl + sldw + blank + bz);
        } else {
            ProductName->SetCaption(mc + blank + dinghl + blank + bz);
        }
        if (manual)
            Lur_value->SetText(dinghl);
    } else {
        Label1->SetCaption(QString());
        ProductName->SetCaption(QString());
    }
    SelectKeypadValue(Lur_value);
}

void Tsell_dh_input::FormClose(TObject *, TCloseAction &Action)
{
    CloseKeypad(Action);
}

void Tsell_dh_input::FormKeyDown(TObject *, Word &Key, TShiftState)
{
    KeypadKeyDown(this, Key, TNotifyEvent(this, &Tsell_dh_input::Button13Click));
}

void Tsell_dh_input::DigitClick(TObject *Sender)
{
    AppendKeypadDigit(Lur_value, Sender);
}

void Tsell_dh_input::Button12Click(TObject *)
{
    AppendKeypadPoint(Lur_value);
}

void Tsell_dh_input::Button10Click(TObject *)
{
    Lur_value->SetText(QString());
}

void Tsell_dh_input::Button14Click(TObject *)
{
    Close();
}

void Tsell_dh_input::Lur_valueKeyPress(TObject *, QChar &Key)
{
    if (Key == QLatin1Char('\r')) {
        Button13Click(this);
        return;
    }
    if (Key == QChar(8) || Key == QLatin1Char('.') || (Key >= QLatin1Char('0') && Key <= QLatin1Char('9')))
        return;
    Key = QChar();
}

void Tsell_dh_input::YbButton1Click(TObject *)
{
    TWeighingHost &h = WeighingHost;
    if (YbButton1->Caption() == ReadingOn) {
        Label2->SetVisible(true);
        if (h.DifferentBang)
            h.DifferentBang->SetChecked(true);
        if (h.m_stopread)
            h.m_stopread->SetCaption(QStringLiteral("开启读秤"));
        if (h.m_zhongzl) {
            h.m_zhongzl->SetReadOnly(false);
            h.m_zhongzl->SetText(QStringLiteral("0"));
        }
        // Typing by hand ends the load on the scale.
        if (h.LastGross)
            h.LastGross->SetText(QStringLiteral("0"));
        if (h.LastStep)
            h.LastStep->SetText(QStringLiteral("0"));
    } else {
        Label2->SetVisible(false);
        if (h.m_stopread)
            h.m_stopread->SetCaption(QStringLiteral("停止读秤"));
        if (h.m_zhongzl)
            h.m_zhongzl->SetReadOnly(true);
    }
    FormShow(this);
}

void Tsell_dh_input::Button13Click(TObject *)
{
    TWeighingHost &h = WeighingHost;
    const int lineId = h.Sell_StringGrid1 ? h.Sell_StringGrid1->Tag() : 0;
    if (!CheckLineIsLive(lineId)) {
        Close();
        ReloadWeighedLines();
        return;
    }
    const bool manual = YbButton1->Caption() != ReadingOn;
    const QString lastGross = h.LastGross ? h.LastGross->Text() : QStringLiteral("0");
    TWeighing w;
    if (manual) {
        // A number typed by hand that does not convert ends here with the error box.
        w = TypedWeighing(wmManual, QString(), Lur_value->Text(), lastGross);
    } else {
        const bool same = h.SameBang && h.SameBang->Checked();
        try {
            w = TypedWeighing(same ? wmSameLoad : wmSeparateLoads, h.m_zhongzl ? h.m_zhongzl->Text() : QString(),
                              Lur_value->Text(), lastGross);
        } catch (const EConvertError &) {
            WeighingWarning(QStringLiteral("总重量或去皮不对,本次操作失败,请重新操作!"));
            Close();
            ReloadWeighedLines();
            return;
        }
    }
    if (!SaveLineWeighing(lineId, w, false)) {
        // Nothing was written: the load memory stays as it was.
        WeighingWarning(QStringLiteral("保存失败,本次操作失败,请重新操作!"));
        Close();
        ReloadWeighedLines();
        return;
    }
    if (h.LastGross)
        h.LastGross->SetText(w.LastGross);
    if (h.LastStep)
        h.LastStep->SetText(w.LastStep);
    if (manual && h.DifferentBang)
        h.DifferentBang->SetChecked(true);
    ReloadWeighedLines();
    Close();
}

STATION_PUBLISHED(Tsell_dh_input) {}
