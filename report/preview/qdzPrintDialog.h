// The print dialog: printer, pages, copies, print mode and order, written
// into the report's PrintOptions when the user confirms.
#pragma once
#include "platform/ComCtrls.h"
#include "platform/Dialogs.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"

#include <QString>

class TqdzReport;

class TqdzPrintDialog : public TForm
{
    STATION_CLASS(TqdzPrintDialog, TForm)
public:
    TqdzPrintDialog(TComponent *AOwner, TqdzReport *AReport);

    // Shows the dialog modally; on OK the choices go to the report's
    // PrintOptions and the result is mrOk. Any other result leaves the
    // options as they were and brings back the printer that was current.
    int Execute();
    // The file the pages go to instead of the printer (".prn"); empty: the printer.
    const QString &OutputFileName() const { return FOutputFileName; }
    // The duplex choice (0: each page's own).
    int DuplexChoice() const { return FDuplexChoice; }
    void SetDuplexChoice(int Value) { FDuplexChoice = Value; }

    TButton *OkB, *CancelB, *PropButton;
    TGroupBox *PrinterGB, *PagesGB, *CopiesGB, *ScaleGB, *OtherGB;
    TLabel *WhereL, *WhereL1, *NameL, *DescrL, *CopiesL, *PagSizeL, *PrintL, *DuplexL, *OrderL;
    TComboBox *PrintersCB, *PagPageSizeCB, *PrintModeCB, *PrintPagesCB, *DuplexCB, *OrderCB;
    TCheckBox *FileCB, *CollateCB;
    TRadioButton *AllRB, *CurPageRB, *PageNumbersRB;
    TEdit *PageNumbersE, *CopiesE;
    TUpDown *UpDown1;
    TPaintBox *CopiesPB;
    TSaveDialog *FileDlg;

    void PrintersCBClick(TObject *Sender);
    void PrintModeCBClick(TObject *Sender);
    void CollateCBClick(TObject *Sender);
    void PageNumbersEEnter(TObject *Sender);
    void PageNumbersRBClick(TObject *Sender);
    void PropButtonClick(TObject *Sender);

private:
    // The options as they are, shown before the dialog opens.
    void LoadOptions();
    // What FormHide does on OK; False when the file dialog was cancelled.
    bool Apply();
    void CopiesPBPaint(TObject *Sender);

    TqdzReport *FReport;
    int FOldIndex = -1;
    QString FOutputFileName;
    int FDuplexChoice = 0;
};

// Shows the print dialog for the report; False when the user cancelled.
// Installed as the store's print dialog.
bool qdzShowPrintDialog(TqdzReport *Report);
