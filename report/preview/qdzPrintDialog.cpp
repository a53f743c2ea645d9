// The print dialog and its mapping onto the report's print options.
#include "report/preview/qdzPrintDialog.h"

#include "platform/SysUtils.h"
#include "report/engine/qdzPrinter.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzClassEngine.h"
#include "report/model/qdzRes.h"
#include "report/model/qdzVariables.h"

STATION_PUBLISHED(TqdzPrintDialog) {}

namespace {

QString Res(const char *Key)
{
    return qdzResources()->ResourceText(QString::fromLatin1(Key));
}

template <class T>
T *Place(TqdzPrintDialog *Form, TWinControl *Parent, int L, int T_, int W, int H)
{
    auto *c = new T(Form);
    c->SetParent(Parent);
    c->SetBounds(L, T_, W, H);
    return c;
}

} // namespace

TqdzPrintDialog::TqdzPrintDialog(TComponent *AOwner, TqdzReport *AReport) : TForm(AOwner), FReport(AReport)
{
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(456);
    SetClientHeight(318);
    SetCaption(qdzGet(200));

    PrinterGB = Place<TGroupBox>(this, this, 8, 4, 440, 92);
    PrinterGB->SetCaption(qdzGet(201));
    NameL = Place<TLabel>(this, PrinterGB, 12, 20, 60, 16);
    NameL->SetCaption(qdzGet(212));
    PrintersCB = Place<TComboBox>(this, PrinterGB, 76, 16, 260, 21);
    PrintersCB->SetStyle(csDropDownList);
    PropButton = Place<TButton>(this, PrinterGB, 344, 15, 86, 25);
    PropButton->SetCaption(qdzGet(209));
    DescrL = Place<TLabel>(this, PrinterGB, 12, 44, 60, 16);
    DescrL->SetCaption(qdzGet(9));
    WhereL = Place<TLabel>(this, PrinterGB, 12, 64, 60, 16);
    WhereL->SetCaption(qdzGet(208));
    WhereL1 = Place<TLabel>(this, PrinterGB, 76, 64, 250, 16);
    FileCB = Place<TCheckBox>(this, PrinterGB, 330, 64, 104, 17);
    FileCB->SetCaption(qdzGet(210));

    PagesGB = Place<TGroupBox>(this, this, 8, 100, 256, 106);
    PagesGB->SetCaption(qdzGet(202));
    AllRB = Place<TRadioButton>(this, PagesGB, 12, 20, 160, 17);
    AllRB->SetCaption(qdzGet(3));
    AllRB->SetChecked(true);
    CurPageRB = Place<TRadioButton>(this, PagesGB, 12, 40, 160, 17);
    CurPageRB->SetCaption(qdzGet(4));
    PageNumbersRB = Place<TRadioButton>(this, PagesGB, 12, 60, 70, 17);
    PageNumbersRB->SetCaption(qdzGet(5));
    PageNumbersE = Place<TEdit>(this, PagesGB, 84, 58, 160, 21);
    DescrL->SetCaption(qdzGet(9));

    CopiesGB = Place<TGroupBox>(this, this, 272, 100, 176, 106);
    CopiesGB->SetCaption(qdzGet(205));
    CopiesL = Place<TLabel>(this, CopiesGB, 12, 22, 70, 16);
    CopiesL->SetCaption(qdzGet(203));
    CopiesE = Place<TEdit>(this, CopiesGB, 90, 18, 50, 21);
    CopiesE->SetText(QStringLiteral("1"));
    UpDown1 = Place<TUpDown>(this, CopiesGB, 140, 18, 15, 21);
    UpDown1->SetMin(1);
    UpDown1->SetMax(999);
    UpDown1->SetAssociate(CopiesE);
    CopiesPB = Place<TPaintBox>(this, CopiesGB, 12, 46, 90, 50);
    CopiesPB->SetOnPaint(TNotifyEvent(this, &TqdzPrintDialog::CopiesPBPaint));
    CollateCB = Place<TCheckBox>(this, CopiesGB, 104, 60, 68, 17);
    CollateCB->SetCaption(qdzGet(204));

    ScaleGB = Place<TGroupBox>(this, this, 8, 210, 256, 70);
    ScaleGB->SetCaption(qdzGet(213));
    PrintModeCB = Place<TComboBox>(this, ScaleGB, 12, 18, 232, 21);
    PrintModeCB->SetStyle(csDropDownList);
    for (const char *k : {"pmDefault", "pmSplit", "pmJoin", "pmScale"})
        PrintModeCB->Items()->Add(Res(k));
    PagSizeL = Place<TLabel>(this, ScaleGB, 12, 46, 90, 16);
    PagSizeL->SetCaption(qdzGet(214));
    PagPageSizeCB = Place<TComboBox>(this, ScaleGB, 104, 42, 140, 21);
    PagPageSizeCB->SetStyle(csDropDownList);

    OtherGB = Place<TGroupBox>(this, this, 272, 210, 176, 70);
    OtherGB->SetCaption(qdzGet(207));
    PrintL = Place<TLabel>(this, OtherGB, 8, 16, 50, 14);
    PrintL->SetCaption(qdzGet(206));
    PrintPagesCB = Place<TComboBox>(this, OtherGB, 60, 12, 108, 21);
    PrintPagesCB->SetStyle(csDropDownList);
    for (const char *k : {"ppAll", "ppOdd", "ppEven"})
        PrintPagesCB->Items()->Add(Res(k));
    DuplexL = Place<TLabel>(this, OtherGB, 8, 36, 50, 14);
    DuplexL->SetCaption(qdzGet(216));
    DuplexCB = Place<TComboBox>(this, OtherGB, 60, 32, 108, 21);
    DuplexCB->SetStyle(csDropDownList);
    for (const char *k : {"dupDefault", "dupVert", "dupHorz", "dupSimpl"})
        DuplexCB->Items()->Add(Res(k));
    OrderL = Place<TLabel>(this, OtherGB, 8, 54, 50, 14);
    OrderL->SetCaption(qdzGet(211));
    OrderCB = Place<TComboBox>(this, OtherGB, 60, 50, 108, 21);
    OrderCB->SetStyle(csDropDownList);
    for (const char *k : {"poDirect", "poReverse"})
        OrderCB->Items()->Add(Res(k));

    OkB = Place<TButton>(this, this, 292, 286, 75, 25);
    OkB->SetCaption(qdzGet(1));
    OkB->SetDefault(true);
    OkB->SetModalResult(mrOk);
    CancelB = Place<TButton>(this, this, 373, 286, 75, 25);
    CancelB->SetCaption(qdzGet(2));
    CancelB->SetCancel(true);
    CancelB->SetModalResult(mrCancel);

    FileDlg = new TSaveDialog(this);
    FileDlg->SetTitle(qdzGet(507));
    FileDlg->SetFilter(qdzGet(510));

    PrintersCB->SetOnChange(TNotifyEvent(this, &TqdzPrintDialog::PrintersCBClick));
    PrintModeCB->SetOnChange(TNotifyEvent(this, &TqdzPrintDialog::PrintModeCBClick));
    CollateCB->SetOnClick(TNotifyEvent(this, &TqdzPrintDialog::CollateCBClick));
    PageNumbersE->SetOnEnter(TNotifyEvent(this, &TqdzPrintDialog::PageNumbersEEnter));
    PageNumbersRB->SetOnClick(TNotifyEvent(this, &TqdzPrintDialog::PageNumbersRBClick));
    PropButton->SetOnClick(TNotifyEvent(this, &TqdzPrintDialog::PropButtonClick));

    TqdzPrinters *printers = qdzPrinters();
    PrintersCB->Items()->Assign(printers->PrinterNames());
    FOldIndex = printers->PrinterIndex();
    PrintersCB->SetItemIndex(FOldIndex);
    PrintersCBClick(nullptr);
    CollateCBClick(nullptr);
}

void TqdzPrintDialog::PrintersCBClick(TObject *)
{
    TqdzPrinters *printers = qdzPrinters();
    if (PrintersCB->ItemIndex() >= 0)
        printers->SetPrinterIndex(PrintersCB->ItemIndex());
    TqdzCustomPrinter *p = printers->GetCurrentPrinter();
    WhereL1->SetCaption(p ? p->Port() : QString());
    const QString previous = PagPageSizeCB->Text();
    PagPageSizeCB->Items()->Clear();
    PagPageSizeCB->Items()->Add(Res("pgDefault"));
    if (p)
        for (int i = 0; i < p->Papers()->Count(); ++i)
            PagPageSizeCB->Items()->Add(p->Papers()->Strings(i));
    const int keep = PagPageSizeCB->Items()->IndexOf(previous);
    PagPageSizeCB->SetItemIndex(keep >= 0 ? keep : 0);
}

void TqdzPrintDialog::PrintModeCBClick(TObject *)
{
    PagPageSizeCB->SetEnabled(PrintModeCB->ItemIndex() > 0);
}

void TqdzPrintDialog::CollateCBClick(TObject *)
{
    CopiesPB->Repaint();
}

void TqdzPrintDialog::PageNumbersEEnter(TObject *)
{
    PageNumbersRB->SetChecked(true);
}

void TqdzPrintDialog::PageNumbersRBClick(TObject *)
{
    if (PageNumbersE->Showing() && PageNumbersE->CanFocus())
        PageNumbersE->SetFocus();
}

void TqdzPrintDialog::PropButtonClick(TObject *)
{
    TqdzCustomPrinter *p = qdzPrinters()->GetCurrentPrinter();
    if (!p)
        return;
    p->ShowPropertiesDialog();
    if (p->Duplex() >= 0 && p->Duplex() < DuplexCB->Items()->Count())
        DuplexCB->SetItemIndex(p->Duplex());
}

void TqdzPrintDialog::CopiesPBPaint(TObject *)
{
    // Stacked sheets, numbered per copy: 1 2 3 1 2 3 collated, 1 1 2 2 3 3 not.
    TCanvas *c = CopiesPB->Canvas();
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(Rect(0, 0, CopiesPB->Width(), CopiesPB->Height()));
    const bool collate = CollateCB->Checked();
    for (int i = 0; i < 3; ++i) {
        const int x = 4 + i * 14, y = 4 + i * 6;
        c->Brush()->SetColor(clWhite);
        c->Pen()->SetColor(clBlack);
        c->Rectangle(x, y, x + 20, y + 26);
        c->Brush()->SetStyle(bsClear);
        c->TextOut(x + 6, y + 6, QString::number(collate ? i + 1 : i / 2 + 1));
        c->Brush()->SetStyle(bsSolid);
    }
}

void TqdzPrintDialog::LoadOptions()
{
    TqdzPrintOptions *o = FReport->PrintOptions();
    CopiesE->SetText(QString::number(o->Copies()));
    CollateCB->SetChecked(o->Collate());
    PageNumbersE->SetText(o->PageNumbers());
    if (!o->PageNumbers().isEmpty())
        PageNumbersRB->SetChecked(true);
    PrintPagesCB->SetItemIndex(int(o->PrintPages()));
    OrderCB->SetItemIndex(o->Reverse() ? 1 : 0);
    PrintModeCB->SetItemIndex(int(o->PrintMode()));
    DuplexCB->SetItemIndex(FDuplexChoice);
    if (o->PrintMode() != pmDefault) {
        TqdzCustomPrinter *p = qdzPrinters()->GetCurrentPrinter();
        const int i = p ? p->PaperIndex(o->PrintOnSheet()) : -1;
        PagPageSizeCB->SetItemIndex(i >= 0 ? i + 1 : 0);
    }
    PrintModeCBClick(nullptr);
}

bool TqdzPrintDialog::Apply()
{
    TqdzCustomPrinter *p = qdzPrinters()->GetCurrentPrinter();
    FOutputFileName.clear();
    if (p)
        p->SetFileName(QString());
    if (FileCB->Checked()) {
        if (!FileDlg->Execute())
            return false;
        // The file gets the printer-file extension whatever was typed.
        FOutputFileName = ChangeFileExt(FileDlg->FileName(), QStringLiteral(".prn"));
    }
    // A copies text that is no number raises, as the conversion does.
    const int copies = StrToInt(CopiesE->Text().trimmed());
    TqdzPrintOptions *o = FReport->PrintOptions();
    o->SetCopies(copies);
    o->SetCollate(CollateCB->Checked());
    if (AllRB->Checked())
        o->SetPageNumbers(QString());
    else if (CurPageRB->Checked())
        o->SetPageNumbers(FReport->PreviewPages() ? QString::number(FReport->PreviewPages()->CurPage() + 1) : QString());
    else
        o->SetPageNumbers(PageNumbersE->Text());
    o->SetPrintPages(TqdzPrintPages(std::max(0, PrintPagesCB->ItemIndex())));
    FDuplexChoice = std::max(0, DuplexCB->ItemIndex());
    o->SetDuplex(TqdzDuplexMode(FDuplexChoice));
    o->SetReverse(OrderCB->ItemIndex() == 1);
    o->SetPrintMode(TqdzPrintMode(std::max(0, PrintModeCB->ItemIndex())));
    const int sheet = PagPageSizeCB->ItemIndex();
    o->SetOutputFileName(FOutputFileName);
    o->SetPrintOnSheet(p && sheet > 0 && p->PaperIdAt(sheet - 1) > 0 ? p->PaperIdAt(sheet - 1) : 256);
    if (p)
        p->SetFileName(FOutputFileName);
    return true;
}

int TqdzPrintDialog::Execute()
{
    LoadOptions();
    int r = ShowModal();
    if (r == mrOk && !Apply())
        r = mrCancel;
    if (r != mrOk)
        qdzPrinters()->SetPrinterIndex(FOldIndex);
    return r;
}

bool qdzShowPrintDialog(TqdzReport *Report)
{
    if (!Report)
        return false;
    TqdzPrintDialog dlg(nullptr, Report);
    dlg.SetDuplexChoice(int(Report->PrintOptions()->Duplex()));
    return dlg.Execute() == mrOk;
}
