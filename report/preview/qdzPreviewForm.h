// The preview window with its tool bar and status bar, the search dialog and the page settings dialog.
#pragma once
#include "platform/ComCtrls.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/Menus.h"
#include "platform/StdCtrls.h"
#include "report/preview/qdzCtrls.h"
#include "report/model/qdzClassEngine.h"
#include "report/model/qdzVariables.h"

#include <map>
#include <utility>
#include <vector>

class TImage;
class TqdzCustomExportFilter;
class TqdzPreview;
class TqdzReportPage;

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
    TMenuItem *Showtemplate1, *ExpandMI, *CollapseMI;

    // The filters found by Init: the quick PDF and e-mail ones (or none).
    TqdzCustomExportFilter *PdfExport() const { return FPdfExport; }
    TqdzCustomExportFilter *EmailExport() const { return FEmailExport; }

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
    void ExportBClick(TObject *Sender);
    // An ExportPopup item: exports with the filter its Tag points at.
    void ExportItemClick(TObject *Sender);
    void PdfBClick(TObject *Sender);
    void EmailBClick(TObject *Sender);
    void DesignerBClick(TObject *Sender);
    void DesignerBMouseUp(TObject *Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void Showtemplate1Click(TObject *Sender);
    void CollapseAllClick(TObject *Sender);
    void ExpandAllClick(TObject *Sender);
    void FormKeyDown(TObject *Sender, Word &Key, TShiftState Shift);
    void FormKeyPress(TObject *Sender, QChar &Key);
    void FormCloseQuery(TObject *Sender, bool &CanClose);
    void FormResize(TObject *Sender);

protected:
    // Another window of the program taking over ends full screen.
    void Deactivate() override;
    // A window shown without waiting goes when closed; the report hears of it.
    void DoClose(TCloseAction &Action) override;

private:
    TToolButton *Button(const QString &Name, int Caption, int Hint, int Image);
    void LayoutToolBar();
    void FillExportMenu(const TqdzPreviewButtons &Buttons);
    void FillRightMenu();
    // A RightMenu item: clicks the tool button its Tag points at.
    void RightMenuClick(TObject *Sender);
    void RightMenuPopup(TObject *Sender);
    std::vector<TToolButton *> FMenuButtons;
    // Exports with Filter when it is still registered.
    void ExportWith(TqdzCustomExportFilter *Filter);
    // Every drill-down group header opened or closed, then the report built again.
    void SetDrillDownAll(bool Expand);
    std::vector<TqdzCustomExportFilter *> FExportFilters;
    TqdzCustomExportFilter *FPdfExport = nullptr;
    TqdzCustomExportFilter *FEmailExport = nullptr;
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

// The unit the page settings dialog shows lengths in; pixels and characters
// are shown as centimetres.
enum class TqdzDesignerUnits { duCM, duInches, duPixels, duChars };
// The designer's unit setting (centimetres: no designer is part of the program).
TqdzDesignerUnits &qdzDesignerUnits();

// Paper size, orientation and margins of the report's pages.
class TqdzPageSettingsForm : public TForm
{
    STATION_CLASS(TqdzPageSettingsForm, TForm)
public:
    explicit TqdzPageSettingsForm(TComponent *AOwner);
    // Width and height of 0 or less (or not numbers) are refused with a
    // message; the dialog then stays open.
    bool CheckValues();
    int ShowModal() override;

    // The edits take the page's paper, in the unit of qdzDesignerUnits.
    void SetPage(TqdzReportPage *Page);
    // Orientation, paper and margins, in millimetres, onto a template page.
    void ApplyTo(TqdzReportPage *Page) const;

    TLabel *SizeL, *WidthL, *HeightL, *WidthUL, *HeightUL, *MarginLeftL, *MarginTopL, *MarginRightL,
        *MarginBottomL, *MarginLeftUL, *MarginTopUL, *MarginRightUL, *MarginBottomUL;
    TGroupBox *PaperGB, *OrientationGB, *MarginsGB, *ApplyGB;
    TComboBox *SizeCB;
    TEdit *WidthE, *HeightE, *MarginLeftE, *MarginTopE, *MarginRightE, *MarginBottomE;
    TRadioButton *PortraitRB, *LandscapeRB, *ApplyToCurRB, *ApplyToAllRB;
    TImage *PortraitImg, *LandscapeImg;
    TButton *OkB, *CancelB;
    void OkBClick(TObject *Sender);
    void SizeCBClick(TObject *Sender);
    void SizeEChange(TObject *Sender);
    void OrientationClick(TObject *Sender);

    // Millimetres, as read back from the edits.
    double PaperWidth() const;
    double PaperHeight() const;
    // The paper id chosen in the size box (256: custom).
    int PaperSize() const;

private:
    // Edit text of a length in millimetres, and back.
    QString ToUnits(double MM) const;
    double FromUnits(const TEdit *Edit) const;
    // Puts a length into an edit, remembering the exact value behind the text.
    void ShowLength(TEdit *Edit, double MM);
    std::map<const TEdit *, std::pair<QString, double>> FShown;
    // Width and height of the chosen paper for the orientation.
    void FillSize();
    TqdzDesignerUnits FUnits;
    // The dialog is writing the edits itself.
    bool FUpdating = false;
};
