// Implementation of the typed weighing keypad of a whole order.
#include "sell_lx_input_code.h"
#include "datacenter_code.h"
#include "weighing_code.h"

Tsell_lx_input *sell_lx_input = nullptr;

Tsell_lx_input::Tsell_lx_input(TComponent *AOwner) : TForm(AOwner)
{
    sell_lx_input = this;
    SetName(UniqueFormName(AOwner, QStringLiteral("sell_lx_input")));
    SetCaption(QStringLiteral("过总榜录入"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(412);
    SetClientHeight(540);
    SetKeyPreview(true);

    Lur_value = new TEdit(this);
    Lur_value->SetName(QStringLiteral("Lur_value"));
    Lur_value->SetParent(this);
    Lur_value->SetBounds(16, 20, 380, 44);
    Lur_value->Font()->SetSize(20);
    Lur_value->SetText(QStringLiteral("13.5"));
    Lur_value->SetOnKeyPress(TKeyPressEvent(this, &Tsell_lx_input::Lur_valueKeyPress));

    const TNotifyEvent digit(this, &Tsell_lx_input::DigitClick);
    TButton **digits[9] = {&Button1, &Button2, &Button3, &Button4, &Button5, &Button6, &Button7, &Button8, &Button9};
    KeypadDigits(this, digits, 16, 80, digit);
    Button11 = KeypadButton(this, "Button11", QStringLiteral("0"), 16, 332, 120, 76, digit);
    Button12 = KeypadButton(this, "Button12", QStringLiteral("﹒"), 144, 332, 120, 76,
                            TNotifyEvent(this, &Tsell_lx_input::Button12Click));
    Button10 = KeypadButton(this, "Button10", QStringLiteral("清空"), 272, 332, 120, 76,
                            TNotifyEvent(this, &Tsell_lx_input::Button10Click));
    Button13 = KeypadButton(this, "Button13", QStringLiteral("确 定[F1]"), 16, 420, 184, 90,
                            TNotifyEvent(this, &Tsell_lx_input::Button13Click));
    Button14 = KeypadButton(this, "Button14", QStringLiteral("关闭(ESC)"), 208, 420, 184, 90,
                            TNotifyEvent(this, &Tsell_lx_input::Button14Click));

    SetOnShow(TNotifyEvent(this, &Tsell_lx_input::FormShow));
    SetOnClose(TCloseEvent(this, &Tsell_lx_input::FormClose));
    SetOnKeyDown(TKeyEvent(this, &Tsell_lx_input::FormKeyDown));
}

Tsell_lx_input::~Tsell_lx_input()
{
    if (sell_lx_input == this)
        sell_lx_input = nullptr;
}

void Tsell_lx_input::FormShow(TObject *)
{
    Lur_value->SetText(QStringLiteral("0"));
    SelectKeypadValue(Lur_value);
}

void Tsell_lx_input::FormClose(TObject *, TCloseAction &Action)
{
    CloseKeypad(Action);
}

void Tsell_lx_input::FormKeyDown(TObject *, Word &Key, TShiftState)
{
    KeypadKeyDown(this, Key, TNotifyEvent(this, &Tsell_lx_input::Button13Click));
}

void Tsell_lx_input::DigitClick(TObject *Sender)
{
    AppendKeypadDigit(Lur_value, Sender);
}

void Tsell_lx_input::Button12Click(TObject *)
{
    AppendKeypadPoint(Lur_value);
}

void Tsell_lx_input::Button10Click(TObject *)
{
    Lur_value->SetText(QString());
    if (Visible())
        Lur_value->SetFocus();
}

void Tsell_lx_input::Button14Click(TObject *)
{
    Close();
}

void Tsell_lx_input::Lur_valueKeyPress(TObject *, QChar &Key)
{
    if (Key == QLatin1Char('\r')) {
        Button13Click(this);
        return;
    }
    if (Key == QChar(8) || Key == QLatin1Char('.') || (Key >= QLatin1Char('0') && Key <= QLatin1Char('9')))
        return;
    Key = QChar();
}

void Tsell_lx_input::Button13Click(TObject *)
{
    const int orderId = WeighingHost.Lx_StringGrid1 ? WeighingHost.Lx_StringGrid1->Tag() : 0;
    double net, tare;
    try {
        tare = WrittenWeight(WeightValue(Lur_value->Text()));
        net = NetWeight(GrossValue(WeighingHost.m_zhongzl ? WeighingHost.m_zhongzl->Text() : QString()), tare);
    } catch (const EConvertError &) {
        WeighingWarning(QStringLiteral("总重量或去皮不对,本次操作失败,请重新操作!"));
        return;
    }
    if (!SaveOrderWeighing(orderId, net, tare)) {
        WeighingWarning(QStringLiteral("保存失败,本次操作失败,请重新操作!"));
        return;
    }
    if (WeighingHost.ReloadWholeOrders)
        WeighingHost.ReloadWholeOrders();
    Close();
}

STATION_PUBLISHED(Tsell_lx_input) {}
