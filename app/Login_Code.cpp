// Implementation of the login window.
#include "Login_Code.h"
#include "CodePages.h"
#include "Md5.h"
#include "Unit1.h"
#include "datacenter_code.h"
#include "one_value_file.h"
#include "osk_toggle.h"
#include <QFile>

TLogin *Login = nullptr;

namespace {
const QString UidPlaceholder = QStringLiteral("填写帐号");
const QString PwdPlaceholder = QStringLiteral("填写密码");

} // namespace

QString PasswordDigest(const QString &Password)
{
    return MD5Hex(StringToCodePage(Password, 936));
}

TLogin::TLogin(TComponent *AOwner) : TForm(AOwner)
{
    Login = this;
    SetName(QStringLiteral("Login"));
    SetCaption(QStringLiteral("登录"));
    SetBorderStyle(bsNone);
    SetPosition(poScreenCenter);
    SetClientWidth(420);
    SetClientHeight(300);

    Image1 = new TImage(this);
    Image1->SetName(QStringLiteral("Image1"));
    Image1->SetParent(this);
    Image1->SetAlign(alClient);

    Label1 = new TLabel(this);
    Label1->SetName(QStringLiteral("Label1"));
    Label1->SetParent(this);
    Label1->SetCaption(QStringLiteral("x"));
    Label1->SetTransparent(true);
    Label1->Font()->SetSize(18);
    Label1->Font()->SetColor(clWhite);
    Label1->SetBounds(392, 2, 24, 30);
    Label1->SetCursor(crHandPoint);
    Label1->SetOnClick(TNotifyEvent(this, &TLogin::Label1Click));
    Label1->SetOnMouseMove(TMouseMoveEvent(this, &TLogin::Label1MouseMove));
    Label1->SetOnMouseLeave(TNotifyEvent(this, &TLogin::Label1MouseLeave));

    UID = new TEdit(this);
    UID->SetName(QStringLiteral("UID"));
    UID->SetParent(this);
    UID->SetBounds(110, 100, 200, 32);
    UID->Font()->SetSize(14);
    UID->SetText(UidPlaceholder);
    UID->SetOnClick(TNotifyEvent(this, &TLogin::UIDClick));
    UID->SetOnKeyDown(TKeyEvent(this, &TLogin::UIDKeyDown));

    PWD = new TEdit(this);
    PWD->SetName(QStringLiteral("PWD"));
    PWD->SetParent(this);
    PWD->SetBounds(110, 150, 200, 32);
    PWD->Font()->SetSize(14);
    PWD->SetText(PwdPlaceholder); // shown as text until typing starts
    PWD->SetOnClick(TNotifyEvent(this, &TLogin::PWDClick));
    PWD->SetOnKeyDown(TKeyEvent(this, &TLogin::PWDKeyDown));

    Image2 = new TImage(this);
    Image2->SetName(QStringLiteral("Image2"));
    Image2->SetParent(this);
    Image2->SetBounds(160, 210, 100, 40);
    Image2->SetCursor(crHandPoint);
    Image2->SetOnClick(TNotifyEvent(this, &TLogin::Image2Click));

    PaintArtwork();
    SetOnShow(TNotifyEvent(this, &TLogin::FormShow));
}

// Plain artwork drawn here: a calm background and a button picture.
void TLogin::PaintArtwork()
{
    TBitmap *bg = Image1->Picture()->Bitmap();
    bg->SetWidth(ClientWidth());
    bg->SetHeight(ClientHeight());
    TCanvas *c = bg->Canvas();
    for (int y = 0; y < ClientHeight(); ++y) {
        const int shade = 60 + y * 70 / qMax(1, ClientHeight());
        c->Pen()->SetColor(RGB(20, shade, 120 + shade / 2));
        c->MoveTo(0, y);
        c->LineTo(ClientWidth(), y);
    }
    c->Brush()->SetStyle(bsClear);
    c->Font()->SetName(QStringLiteral("Noto Sans CJK SC"));
    c->Font()->SetSize(20);
    c->Font()->SetColor(clWhite);
    c->TextOut(110, 40, QStringLiteral("电子秤配货系统"));
    c->Font()->SetSize(12);
    c->TextOut(50, 106, QStringLiteral("帐号"));
    c->TextOut(50, 156, QStringLiteral("密码"));

    TBitmap *btn = Image2->Picture()->Bitmap();
    btn->SetWidth(100);
    btn->SetHeight(40);
    TCanvas *b = btn->Canvas();
    b->Brush()->SetColor(RGB(240, 160, 30));
    b->Pen()->SetColor(RGB(160, 90, 10));
    b->Rectangle(0, 0, 100, 40);
    b->Brush()->SetStyle(bsClear);
    b->Font()->SetName(QStringLiteral("Noto Sans CJK SC"));
    b->Font()->SetSize(14);
    b->Font()->SetColor(clWhite);
    const QString caption = QStringLiteral("登 录");
    b->TextOut((100 - b->TextWidth(caption)) / 2, (40 - b->TextHeight(caption)) / 2, caption);
}

QString TLogin::LastUserFile()
{
    return ProgramDir() + QStringLiteral("db/usertmp.txt");
}

void TLogin::LoadLastUser()
{
    TStringList lines;
    QString why;
    const TOneValueFileState state = ReadOneValueFile(LastUserFile(), &lines, &why);
    if (state == ovUnfit)
        Application->MessageBox(why + QStringLiteral(",上次登录的帐号未读取!"), QStringLiteral("提示!"), MB_ICONWARNING);
    if (state == ovOk) {
        if (lines.Count() > 0)
            UID->SetText(lines.Strings(0));
        PWD->SetFocus();
    } else {
        UID->SetFocus();
    }
}

void TLogin::SaveLastUser()
{
    TStringList lines;
    lines.Add(UID->Text());
    lines.SaveToFile(LastUserFile(), 936);
}

void TLogin::FormShow(TObject *)
{
    LoadLastUser();
}

void TLogin::Image2Click(TObject *)
{
    // The typed texts travel as parameters: a quote in the user id cannot change the statement.
    auto q = DataCenter->LocalOpen(QStringLiteral("select name from sys_user where userid=? and passwd=?"),
                                   {Variant(UID->Text()), Variant(PasswordDigest(PWD->Text()))});
    if (q->RecordCount() > 0) {
        SaveLastUser();
        main_->LoggedIn(q->FieldByName(QStringLiteral("name")).AsString());
        Close();
    } else {
        Application->MessageBox(QStringLiteral("用户名或密码输入错误,为安全起见请重新输入!"), QStringLiteral("提示!"),
                                MB_ICONWARNING);
        PWD->SelectAll();
        PWD->SetFocus();
    }
}

void TLogin::UIDClick(TObject *)
{
    ToggleOnScreenKeyboard();
    UID->SelectAll();
}

void TLogin::PWDClick(TObject *)
{
    ToggleOnScreenKeyboard();
    PWD->SetPasswordChar(QLatin1Char('*'));
    PWD->SelectAll();
}

void TLogin::UIDKeyDown(TObject *, Word &Key, TShiftState)
{
    if (Key == VK_RETURN) {
        PWD->SetFocus();
        PWD->SetPasswordChar(QLatin1Char('*'));
    }
}

void TLogin::PWDKeyDown(TObject *, Word &Key, TShiftState)
{
    if (PWD->Text() == PwdPlaceholder) {
        PWD->SetText(QString());
        PWD->SetPasswordChar(QLatin1Char('*'));
    }
    if (Key == VK_RETURN)
        Image2Click(PWD);
}

void TLogin::Label1Click(TObject *)
{
    Application->Terminate();
}

void TLogin::Label1MouseMove(TObject *, TShiftState, int, int)
{
    Label1->Font()->SetSize(22);
}

void TLogin::Label1MouseLeave(TObject *)
{
    Label1->Font()->SetSize(18);
}

STATION_PUBLISHED(TLogin) {}
