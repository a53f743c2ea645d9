// Objects of reports for character (dot-matrix) printers: a text object, a
// line and a raw printer command whose bounds snap to the character grid, and
// a page whose paper and margins snap to whole columns and rows.
#pragma once
#include "report/model/qdzClass.h"
#include "report/model/qdzClassViews.h"

STATION_DECLARE_ENUM(TqdzDMPFontStyle, fsxBold, fsxItalic, fsxUnderline, fsxSuperScript, fsxSubScript, fsxCondensed,
                     fsxWide, fsx12cpi, fsx15cpi)
STATION_DECLARE_SET(TqdzDMPFontStyles, TqdzDMPFontStyle)

// One character cell, in report units.
constexpr double qd1CharX = 9.6;
constexpr double qd1CharY = 17;

// Courier New, size 12, black, with the bold, italic and underline styles.
void qdzApplyDMPFont(TFont *Font, TqdzDMPFontStyles Style);

class TqdzDMPPage;

class TqdzDMPMemoView : public TqdzCustomMemoView
{
    STATION_CLASS(TqdzDMPMemoView, TqdzCustomMemoView)
public:
    explicit TqdzDMPMemoView(TComponent *AOwner);
    QString GetDescription() const override;

    void SetLeft(double Value) override;
    void SetTop(double Value) override;
    void SetWidth(double Value) override;
    void SetHeight(double Value) override;
    double CalcHeight() override;
    double CalcWidth() override;
    // Around whole character cells.
    void DrawFrame() override;
    QByteArray DiffAttributes(TqdzComponent *DefaultObject) override;
    // On a dot-matrix page, turning it on takes the page's style and keeps
    // following it.
    void SetParentFont(bool Value) override;
    void FontChanged(TObject *Sender) override;

    TqdzDMPFontStyles FontStyle() const { return FFontStyle; }
    // Turns ParentFont off.
    void SetFontStyle(TqdzDMPFontStyles Value);
    bool TruncOutboundText() const { return FTruncOutboundText; }
    void SetTruncOutboundText(bool Value) { FTruncOutboundText = Value; }
    bool IsFontStyleStored() const { return !ParentFont(); }

private:
    void ApplyFontStyle();

    TqdzDMPFontStyles FFontStyle;
    bool FTruncOutboundText = true;
    bool FApplying = false;
};

class TqdzDMPLineView : public TqdzCustomLineView
{
    STATION_CLASS(TqdzDMPLineView, TqdzCustomLineView)
public:
    explicit TqdzDMPLineView(TComponent *AOwner);
    QString GetDescription() const override;

    void SetLeft(double Value) override;
    void SetTop(double Value) override;
    void SetWidth(double Value) override;
    void SetHeight(double Value) override;
    QByteArray DiffAttributes(TqdzComponent *DefaultObject) override;

    TqdzDMPFontStyles FontStyle() const { return FFontStyle; }
    void SetFontStyle(TqdzDMPFontStyles Value) { FFontStyle = Value; }
    bool IsFontStyleStored() const { return !ParentFont(); }

private:
    TqdzDMPFontStyles FFontStyle;
};

// The escape sequence is sent to the printer as it is.
class TqdzDMPCommand : public TqdzView
{
    STATION_CLASS(TqdzDMPCommand, TqdzView)
public:
    explicit TqdzDMPCommand(TComponent *AOwner);
    QString GetDescription() const override;
    QByteArray DiffAttributes(TqdzComponent *DefaultObject) override;

    const QString &Command() const { return FCommand; }
    void SetCommand(const QString &Value) { FCommand = Value; }

private:
    QString FCommand;
};

class TqdzDMPPage : public TqdzReportPage
{
    STATION_CLASS(TqdzDMPPage, TqdzReportPage)
public:
    explicit TqdzDMPPage(TComponent *AOwner);

    void SetPaperHeight(double Value) override;
    void SetPaperWidth(double Value) override;
    void SetPaperSize(int Value) override;
    void SetDefaults() override;

    TqdzDMPFontStyles FontStyle() const { return FFontStyle; }
    // Applies the page font and brings the new style to every object of the
    // page that follows the page's font.
    void SetFontStyle(TqdzDMPFontStyles Value);

private:
    // Paper and margins onto whole columns and rows.
    void SnapToGrid();

    TqdzDMPFontStyles FFontStyle;
    bool FSnapping = false;
};

// Registers the page class and the three object kinds (category 8), once.
void qdzRegisterDMPObjects();
void qdzUnregisterDMPObjects();
