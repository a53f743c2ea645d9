// Implementation of the crate keypad of a whole order.
#include "Sell_Lx_Qup_Code.h"
#include "datacenter_code.h"
#include "weighing_code.h"

TSell_Lx_Qup *Sell_Lx_Qup = nullptr;

TSell_Lx_Qup::TSell_Lx_Qup(TComponent *AOwner) : TForm(AOwner)
{
    Sell_Lx_Qup = this;
    SetName(UniqueFormName(AOwner, QStringLiteral("Sell_Lx_Qup")));
    SetCaption(QStringLiteral("过总榜按框去皮"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(412);
    SetClientHeight(470);

    Label1 = new TLabel(this);
    Label1->SetName(QStringLiteral("Label1"));
    Label1->SetParent(this);
    Label1->SetBounds(16, 28, 140, 30);
    Label1->Font()->SetSize(14);
    Label1->SetCaption(QStringLiteral("本次框数录入"));
    Lur_value = new TEdit(this);
    Lur_value->SetName(QStringLiteral("Lur_value"));
    Lur_value->SetParent(this);
    Lur_value->SetBounds(160, 20, 160, 44);
    Lur_value->Font()->SetSize(20);
    Lur_value->SetText(QStringLiteral("1"));
    Lur_value->SetOnKeyPress(TKeyPressEvent(this, &TSell_Lx_Qup::Lur_valueKeyPress));
    Label2 = new TLabel(this);
    Label2->SetName(QStringLiteral("Label2"));
    Label2->SetParent(this);
    Label2->SetBounds(328, 28, 70, 30);
    Label2->Font()->SetSize(14);
    Label2->SetCaption(QStringLiteral("个框"));

    const TNotifyEvent digit(this, &TSell_Lx_Qup::DigitClick);
    TButton **digits[9] = {&Button1, &Button2, &Button3, &Button4, &Button5, &Button6, &Button7, &Button8, &Button9};
    KeypadDigits(this, digits, 16, 80, digit);
    Button13 = KeypadButton(this, "Button13", QStringLiteral("确 定[F1]"), 16, 338, 184, 90,
                            TNotifyEvent(this, &TSell_Lx_Qup::Button13Click));
    Button14 = KeypadButton(this, "Button14", QStringLiteral("关闭(ESC)"), 208, 338, 184, 90,
                            TNotifyEvent(this, &TSell_Lx_Qup::Button14Click));

    SetOnClose(TCloseEvent(this, &TSell_Lx_Qup::FormClose));
}

TSell_Lx_Qup::~TSell_Lx_Qup()
{
    if (Sell_Lx_Qup == this)
        Sell_Lx_Qup = nullptr;
}

void TSell_Lx_Qup::FormClose(TObject *, TCloseAction &Action)
{
    CloseKeypad(Action);
}

void TSell_Lx_Qup::DigitClick(TObject *Sender)
{
    Lur_value->SetText(static_cast<TButton *>(Sender)->Caption());
}

void TSell_Lx_Qup::Button14Click(TObject *)
{
    Close();
}

void TSell_Lx_Qup::Lur_valueKeyPress(TObject *, QChar &Key)
{
    if (Key == QLatin1Char('\r')) {
        Button13Click(this);
        return;
    }
    if (Key == QChar(8) || (Key >= QLatin1Char('0') && Key <= QLatin1Char('9')))
        return;
    Key = QChar();
}

void TSell_Lx_Qup::Button13Click(TObject *)
{
    const int orderId = WeighingHost.Lx_StringGrid1 ? WeighingHost.Lx_StringGrid1->Tag() : 0;
    double net, tare;
    try {
        tare = WrittenWeight(StrToInt(Lur_value->Text()) * TareValue(ChosenUnitTare()));
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

STATION_PUBLISHED(TSell_Lx_Qup) {}
