// The line chooser: which delivery lines' orders the download brings down.
// The chosen lines live in db/tongbxlid.txt and db/tongbxlmc.txt (GBK, one
// entry a line), opened relative to the current directory.
#pragma once
#include "Forms.h"
#include "StdCtrls.h"

class TTongbu_Xianl : public TForm
{
    STATION_CLASS(TTongbu_Xianl, TForm)
public:
    explicit TTongbu_Xianl(TComponent *AOwner);
    ~TTongbu_Xianl() override;

    TLabel *Label1;
    TLabel *Label2;
    TListBox *all_khfl;
    TListBox *all_khfl_id;
    TListBox *select_khfl;
    TListBox *select_khfl_id;
    TButton *Button1;
    TButton *Button2;

    void FormShow(TObject *Sender);
    void FormClose(TObject *Sender, TCloseAction &Action);
    void all_khflDblClick(TObject *Sender);
    void select_khflDblClick(TObject *Sender);
    void Button1Click(TObject *Sender);
    void Button2Click(TObject *Sender);

    // The chosen lines' ids and names, beside the database.
    static QString IdFile();
    static QString NameFile();
};

extern TTongbu_Xianl *Tongbu_Xianl;
