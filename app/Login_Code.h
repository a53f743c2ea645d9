// The login window, built for a touch screen: touching a field toggles the
// on-screen keyboard, Enter moves on, the picture button logs in.
#pragma once
#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"

class TLogin : public TForm
{
    STATION_CLASS(TLogin, TForm)
public:
    explicit TLogin(TComponent *AOwner);

    TImage *Image1;
    TLabel *Label1;
    TImage *Image2;
    TEdit *UID;
    TEdit *PWD;

    void FormShow(TObject *Sender);
    void Image2Click(TObject *Sender);
    void UIDClick(TObject *Sender);
    void PWDClick(TObject *Sender);
    void UIDKeyDown(TObject *Sender, Word &Key, TShiftState Shift);
    void PWDKeyDown(TObject *Sender, Word &Key, TShiftState Shift);
    void Label1Click(TObject *Sender);
    void Label1MouseMove(TObject *Sender, TShiftState Shift, int X, int Y);
    void Label1MouseLeave(TObject *Sender);

    void LoadLastUser();
    void SaveLastUser();
    static QString LastUserFile();

private:
    void PaintArtwork();
};

// MD5 of the password's GBK bytes as 32 lower-case hex digits, as the central
// database stores it.
QString PasswordDigest(const QString &Password);

extern TLogin *Login;
