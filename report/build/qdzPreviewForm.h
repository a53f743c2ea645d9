// The preview window with its tool bar and status bar, the search dialog and the page settings dialog.
#pragma once
#include "platform/ComCtrls.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/Menus.h"
#include "platform/StdCtrls.h"
#include "report/build/qdzCtrls.h"
#include "report/model/qdzClassEngine.h"

class TqdzPreview;

class TqdzPreviewForm : public TqdzCustomPreviewForm
{
    STATION_CLASS(TqdzPreviewForm, TqdzCustomPreviewForm)
public:
    explicit TqdzPreviewForm(TComponent *AOwner);
    ~TqdzPreviewForm() override;

    TqdzCustomPreview *GetPreview() override;
    void Init() override;
    // With IsHint the third status panel, else the second.
    void SetStatusText(const QString &Text, bool IsHint) override;
    // "Page %d of %d" (or the first pass's count) and the page edit.
    void UpdatePageStatus();
    // Buttons enabled by the building state.
    void UpdateControls();
    // The zoom box shows round(zoom x 100) followed by "%".
    void UpdateZoomBox();
    bool FullScreen() const { return FFullScreen; }

    TToolBar *ToolBar;
    TToolButton *PrintB, *OpenB, *SaveB, *ExportB, *PdfB, *EmailB, *FindB, *Sep1, *ZoomPlusB, *ZoomMinusB,
        *FullScreenBtn, *Sep2, *OutlineB, *ThumbB, *PageSettingsB, *DesignerB, *Sep5, *FirstB, *PriorB, *NextB,
        *LastB;
    TqdzTBPanel *Sep3, *Sep4;
    TqdzComboBox *ZoomCB;
    TEdit *PageE;
    TPanel *qdTBPanel1;
    TButton *CancelB;
    TStatusBar *StatusBar;
    TqdzPreview *Preview;
    TPopupMenu *ExportPopup, *HiddenMenu, *RightMenu;

    void PrintBClick(TObject *Sender);
    void OpenBClick(TObject *Sender);
    void SaveBClick(TObject *Sender);
    void FindBClick(TObject *Sender);
    void ZoomPlusBClick(TObject *Sender);
    void ZoomMinusBClick(TObject *Sender);
    void ZoomCBClick(TObject *Sender);
    void PageEClick(TObject *Sender);
    void FirstBClick(TObject *Sender);
    void PriorBClick(TObject *Sender);
    void NextBClick(TObject *Sender);
    void LastBClick(TObject *Sender);
    void CancelBClick(TObject *Sender);
    void FullScreenBtnClick(TObject *Sender);
    void OutlineBClick(TObject *Sender);
    void ThumbBClick(TObject *Sender);
    void PageSettingsBClick(TObject *Sender);
    void FormKeyDown(TObject *Sender, Word &Key, TShiftState Shift);
    void FormKeyPress(TObject *Sender, QChar &Key);
    void FormCloseQuery(TObject *Sender, bool &CanClose);
    void FormResize(TObject *Sender);

private:
    TToolButton *Button(const QString &Name, int Caption, int Hint, int Image);
    void LayoutToolBar();
    TToolButton *FZoomSlot, *FPageSlot, *FCloseSlot;
    bool FFullScreen = false;
    TFormBorderStyle FOldBorderStyle = bsSizeable;
    TWindowState FOldState = wsNormal;
};

// Asks for the text to find.
class TqdzSearchDialog : public TForm
{
    STATION_CLASS(TqdzSearchDialog, TForm)
public:
    explicit TqdzSearchDialog(TComponent *AOwner);
    int ShowModal() override;

    TLabel *TextL;
    TEdit *TextE;
    TGroupBox *OptionsGB;
    TCheckBox *TopCB, *CaseCB;
    TButton *OkB, *CancelB;
};

// Paper size, orientation and margins of the report's pages.
class TqdzPageSettingsForm : public TForm
{
    STATION_CLASS(TqdzPageSettingsForm, TForm)
public:
    explicit TqdzPageSettingsForm(TComponent *AOwner);
    // Values in centimetres; width and height of 0 or less are refused
    // (the dialog stays open with a message).
    bool CheckValues();
    int ShowModal() override;

    TComboBox *SizeCB;
    TEdit *WidthE, *HeightE, *MarginLeftE, *MarginTopE, *MarginRightE, *MarginBottomE;
    TRadioButton *PortraitRB, *LandscapeRB, *ApplyToCurRB, *ApplyToAllRB;
    TButton *OkB, *CancelB;
    void OkBClick(TObject *Sender);

    // Millimetres, as read back from the edits.
    double PaperWidth() const;
    double PaperHeight() const;
};
