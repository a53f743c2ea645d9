// The printable objects on bands: the view base with frame, fill, highlight
// and display format, the memo (text) views, and the line, picture, shape
// and subreport views.
#pragma once
#include "platform/Graphics.h"
#include "platform/Variants.h"
#include "report/model/qdzClass.h"
#include "report/model/qdzDrawText.h"
#include "report/model/qdzWideStrings.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

class TStream;
class TqdzStyleItem;

// The colour that means "no colour" for fills, frames and highlights.
constexpr TColor clTransparent = 0x1FFFFFFF;

STATION_DECLARE_ENUM(TqdzFrameStyle, fsSolid, fsDash, fsDot, fsDashDot, fsDashDotDot, fsDouble, fsAltDot, fsSquare)
STATION_DECLARE_ENUM(TqdzFrameType, ftLeft, ftRight, ftTop, ftBottom)
STATION_DECLARE_SET(TqdzFrameTypes, TqdzFrameType)
STATION_DECLARE_ENUM(TqdzFormatKind, fkText, fkNumeric, fkDateTime, fkBoolean)
STATION_DECLARE_ENUM(TqdzShiftMode, smDontShift, smAlways, smWhenOverlapped)
STATION_DECLARE_ENUM(TqdzStretchMode, smDontStretch, smActualHeight, smMaxHeight)
STATION_DECLARE_ENUM(TqdzShapeKind, skRectangle, skRoundRectangle, skEllipse, skTriangle, skDiamond, skDiagonal1,
                     skDiagonal2)

class TqdzFrame;

// One side of a frame. Its values are stored only where they differ from
// the owning frame's, which sets all four sides at once.
class TqdzFrameLine : public TPersistent
{
    STATION_CLASS(TqdzFrameLine, TPersistent)
public:
    explicit TqdzFrameLine(TqdzFrame *AFrame = nullptr) : FFrame(AFrame) {}
    void Assign(TPersistent *Source) override;

    TqdzFrame *Frame() const { return FFrame; }
    TColor Color() const { return FColor; }
    void SetColor(TColor Value) { FColor = Value; }
    TqdzFrameStyle Style() const { return FStyle; }
    void SetStyle(TqdzFrameStyle Value) { FStyle = Value; }
    double Width() const { return FWidth; }
    void SetWidth(double Value) { FWidth = Value; }

    bool IsColorStored() const;
    bool IsStyleStored() const;
    bool IsWidthStored() const;

private:
    TqdzFrame *FFrame;
    TColor FColor = clBlack;
    TqdzFrameStyle FStyle = fsSolid;
    double FWidth = 1;
};

class TqdzFrame : public TPersistent
{
    STATION_CLASS(TqdzFrame, TPersistent)
public:
    TqdzFrame();
    ~TqdzFrame() override;
    void Assign(TPersistent *Source) override;

    TqdzFrameLine *LeftLine() const { return &FLeftLine; }
    void SetLeftLine(TqdzFrameLine *Value) { FLeftLine.Assign(Value); }
    TqdzFrameLine *TopLine() const { return &FTopLine; }
    void SetTopLine(TqdzFrameLine *Value) { FTopLine.Assign(Value); }
    TqdzFrameLine *RightLine() const { return &FRightLine; }
    void SetRightLine(TqdzFrameLine *Value) { FRightLine.Assign(Value); }
    TqdzFrameLine *BottomLine() const { return &FBottomLine; }
    void SetBottomLine(TqdzFrameLine *Value) { FBottomLine.Assign(Value); }
    // The line of a side.
    TqdzFrameLine *Line(TqdzFrameType Side) const;

    // The colour, style and width setters set all four lines too.
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TqdzFrameStyle Style() const { return FStyle; }
    void SetStyle(TqdzFrameStyle Value);
    double Width() const { return FWidth; }
    void SetWidth(double Value);
    bool DropShadow() const { return FDropShadow; }
    void SetDropShadow(bool Value) { FDropShadow = Value; }
    TColor ShadowColor() const { return FShadowColor; }
    void SetShadowColor(TColor Value) { FShadowColor = Value; }
    double ShadowWidth() const { return FShadowWidth; }
    void SetShadowWidth(double Value) { FShadowWidth = Value; }
    TqdzFrameTypes Typ() const { return FTyp; }
    void SetTyp(TqdzFrameTypes Value) { FTyp = Value; }

    bool IsShadowWidthStored() const { return FShadowWidth != 4; }
    bool IsWidthStored() const { return FWidth != 1; }

private:
    // Kept in the frame itself: a view makes its frame, and so its lines,
    // each time it is made.
    mutable TqdzFrameLine FLeftLine{this}, FTopLine{this}, FRightLine{this}, FBottomLine{this};
    TColor FColor = clBlack;
    bool FDropShadow = false;
    TColor FShadowColor = clBlack;
    double FShadowWidth = 4;
    TqdzFrameStyle FStyle = fsSolid;
    TqdzFrameTypes FTyp;
    double FWidth = 1;
};

// The conditional look of a text object.
class TqdzHighlight : public TPersistent
{
    STATION_CLASS(TqdzHighlight, TPersistent)
public:
    TqdzHighlight();
    ~TqdzHighlight() override;
    void Assign(TPersistent *Source) override;

    bool Active() const { return FActive; }
    void SetActive(bool Value) { FActive = Value; }
    TFont *Font() const { return &FFont; }
    void SetFont(TFont *Value) { FFont.Assign(Value); }
    TColor Color() const { return FColor; }
    void SetColor(TColor Value) { FColor = Value; }
    const QString &Condition() const { return FCondition; }
    void SetCondition(const QString &Value) { FCondition = Value; }

private:
    bool FActive = false;
    mutable TFont FFont;
    TColor FColor = clTransparent;
    QString FCondition;
};

// The display format of a text object.
class TqdzFormat : public TPersistent
{
    STATION_CLASS(TqdzFormat, TPersistent)
public:
    TqdzFormat() = default;
    void Assign(TPersistent *Source) override;

    const QString &DecimalSeparator() const { return FDecimalSeparator; }
    void SetDecimalSeparator(const QString &Value) { FDecimalSeparator = Value; }
    const QString &ThousandSeparator() const { return FThousandSeparator; }
    void SetThousandSeparator(const QString &Value) { FThousandSeparator = Value; }
    const QString &FormatStr() const { return FFormatStr; }
    void SetFormatStr(const QString &Value) { FFormatStr = Value; }
    TqdzFormatKind Kind() const { return FKind; }
    void SetKind(TqdzFormatKind Value) { FKind = Value; }

private:
    QString FDecimalSeparator;
    QString FThousandSeparator;
    QString FFormatStr;
    TqdzFormatKind FKind = fkText;
};

// Base of every printable object on a band.
class TqdzView : public TqdzReportComponent
{
    STATION_CLASS(TqdzView, TqdzReportComponent)
public:
    explicit TqdzView(TComponent *AOwner);
    ~TqdzView() override;

    // PrepareDraw, DrawBackground, DrawFrame.
    void Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
    // Saves TagStr and URL and makes the view the script's Self.
    void BeforePrint() override;
    // Expands the bracketed expressions of TagStr and URL.
    void GetData() override;
    // Brings TagStr and URL back to their template text.
    void AfterPrint() override;
    QByteArray DiffAttributes(TqdzComponent *DefaultObject) override;

    // The pixel rectangle of the view on the canvas (FX, FY, FX1, FY1).
    virtual void PrepareDraw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY);
    virtual void DrawBackground();
    virtual void DrawFrame();
    // Width parallel one-pixel lines with the canvas's pen (0 counts as 1),
    // never more than the view is pixels wide or high.
    void DrawThickLine(int X, int Y, int X1, int Y1, int Width);
    // Each expression between square brackets becomes its value as text.
    void ExpandBracketedText(QString &S);

    TqdzAlign Align() const { return FAlign; }
    void SetAlign(TqdzAlign Value) { FAlign = Value; }
    bool Printable() const { return FPrintable; }
    void SetPrintable(bool Value) { FPrintable = Value; }
    TqdzShiftMode ShiftMode() const { return FShiftMode; }
    void SetShiftMode(TqdzShiftMode Value) { FShiftMode = Value; }
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int Value) { FGroupIndex = Value; }
    const QString &Hint() const { return FRareText ? FRareText->Hint : NoText(); }
    void SetHint(const QString &Value) { SetRareText(&TRareText::Hint, Value); }
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value) { FShowHint = Value; }
    const QString &OnAfterData() const { return FRareText ? FRareText->OnAfterData : NoText(); }
    void SetOnAfterData(const QString &Value) { SetRareText(&TRareText::OnAfterData, Value); }
    const QString &OnAfterPrint() const { return FRareText ? FRareText->OnAfterPrint : NoText(); }
    void SetOnAfterPrint(const QString &Value) { SetRareText(&TRareText::OnAfterPrint, Value); }
    const QString &OnBeforePrint() const { return FRareText ? FRareText->OnBeforePrint : NoText(); }
    void SetOnBeforePrint(const QString &Value) { SetRareText(&TRareText::OnBeforePrint, Value); }
    const QString &OnPreviewClick() const { return FRareText ? FRareText->OnPreviewClick : NoText(); }
    void SetOnPreviewClick(const QString &Value) { SetRareText(&TRareText::OnPreviewClick, Value); }
    const QString &OnPreviewDblClick() const { return FRareText ? FRareText->OnPreviewDblClick : NoText(); }
    void SetOnPreviewDblClick(const QString &Value) { SetRareText(&TRareText::OnPreviewDblClick, Value); }

    TBrushStyle BrushStyle() const { return FBrushStyle; }
    void SetBrushStyle(TBrushStyle Value) { FBrushStyle = Value; }
    TColor Color() const { return FColor; }
    virtual void SetColor(TColor Value) { FColor = Value; }
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value) { FCursor = Value; }
    const QString &DataField() const { return FDataField; }
    void SetDataField(const QString &Value) { FDataField = Value; }
    TqdzDataSet *DataSet() const { return FDataSet; }
    void SetDataSet(TqdzDataSet *Value);
    QString DataSetName() const;
    void SetDataSetName(const QString &Value);
    TqdzFrame *Frame() const { return &FFrame; }
    void SetFrame(TqdzFrame *Value) { FFrame.Assign(Value); }
    const QString &TagStr() const { return FRareText ? FRareText->TagStr : NoText(); }
    void SetTagStr(const QString &Value) { SetRareText(&TRareText::TagStr, Value); }
    const QString &URL() const { return FRareText ? FRareText->URL : NoText(); }
    void SetURL(const QString &Value) { SetRareText(&TRareText::URL, Value); }
    // Bound to a field: a dataset and a field name.
    bool IsDataField() const { return FDataSet && !FDataField.isEmpty(); }

    // Run-time state of the last PrepareDraw.
    TCanvas *Canvas() const { return FCanvas; }
    double ScaleX() const { return FScaleX; }
    double ScaleY() const { return FScaleY; }
    double OffsetX() const { return FOffsetX; }
    double OffsetY() const { return FOffsetY; }
    int FX = 0, FY = 0, FX1 = 0, FY1 = 0, FDX = 0, FDY = 0, FFrameWidth = 0;

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;
    // The frame attributes of DiffAttributes.
    static void WriteFrameAttributes(TqdzFrame *Frame, TqdzFrame *Default, QByteArray &Text);
    static void WriteFrameLineAttributes(TqdzFrameLine *Line, TqdzFrameLine *DefaultLine, const char *Path,
                                         QByteArray &Text, bool FrameWidthDiffers, bool FrameStyleDiffers,
                                         bool FrameColorDiffers);
    // Whether the canvas draws on paper.
    bool IsPrinting() const;

private:
    void DrawFrameSide(TqdzFrameType Side);

    // Texts most views leave empty, kept apart and made on the first one
    // set: a report holds many views, and each is freed with it.
    struct TRareText
    {
        QString Hint, OnAfterData, OnAfterPrint, OnBeforePrint, OnPreviewClick, OnPreviewDblClick;
        QString TagStr, URL, SavedTagStr, SavedURL;
    };
    static const QString &NoText();
    void SetRareText(QString TRareText::*Member, const QString &Value);

    TqdzAlign FAlign = baNone;
    bool FPrintable = true;
    TqdzShiftMode FShiftMode = smAlways;
    int FGroupIndex = 0;
    bool FShowHint = false;
    std::unique_ptr<TRareText> FRareText;
    TBrushStyle FBrushStyle = bsSolid;
    TColor FColor = clTransparent;
    TCursor FCursor = 0;
    QString FDataField;
    TqdzDataSet *FDataSet = nullptr;
    QString FDataSetName;
    mutable TqdzFrame FFrame;
    TCanvas *FCanvas = nullptr;
    double FScaleX = 1, FScaleY = 1, FOffsetX = 0, FOffsetY = 0;
};

// A view that can grow with its content and be split across pages.
class TqdzStretcheable : public TqdzView
{
    STATION_CLASS(TqdzStretcheable, TqdzView)
public:
    explicit TqdzStretcheable(TComponent *AOwner);

    // The height the content needs (Height here).
    virtual double CalcHeight();
    // Cuts the part that fits in Height. The result is the height of that
    // part; 0 when nothing fitted (the engine then tries on a fresh page).
    virtual double CutPart();
    virtual void BeginParts();
    virtual bool HasMoreParts();

    TqdzStretchMode StretchMode() const { return FStretchMode; }
    void SetStretchMode(TqdzStretchMode Value) { FStretchMode = Value; }

private:
    TqdzStretchMode FStretchMode = smDontStretch;
};

// ---------------------------------------------------------------- memo views

// The widest gap between characters a text object keeps, in pixels.
constexpr double qdzMaxCharSpacing = 1000;
// The widest gap between lines, either way, in pixels.
constexpr double qdzMaxLineSpacing = 1000;

class TqdzCustomMemoView : public TqdzStretcheable
{
    STATION_CLASS(TqdzCustomMemoView, TqdzStretcheable)
public:
    explicit TqdzCustomMemoView(TComponent *AOwner);
    ~TqdzCustomMemoView() override;
    QString GetDescription() const override;

    void Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
    void BeforePrint() override;
    void GetData() override;
    void AfterPrint() override;
    QString GetComponentText() override;
    void PrepareDraw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
    QByteArray DiffAttributes(TqdzComponent *DefaultObject) override;
    double CalcHeight() override;
    double CutPart() override;
    void BeginParts() override;
    // Text is left to print after the last CutPart.
    bool HasMoreParts() override;
    virtual double CalcWidth();

    // The value of one bracketed expression, "Expression #Format" included.
    QString CalcAndFormat(const QString &Expression);
    QString FormatData(const Variant &Value, TqdzFormat *Format);
    // The next value prints even when it repeats the last one.
    void ClearValue();
    void ExpandPreviewMacros();
    void ApplyStyle(TqdzStyleItem *Style);
    // Prepares the text layout for this memo (font, options, gaps, the
    // rectangle and the text); the caller holds the layout's lock.
    void SetDrawParams(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY);
    // Room taken by gaps, frame and shadow, in report units.
    double VerticalExtra() const;
    double HorizontalExtra() const;
    // The layout object this memo measures and draws with.
    TqdzDrawText *DrawTextObject() const;

    TWideStrings *Memo() const { return &FMemo; }
    void SetMemo(TWideStrings *Value);
    // Every line followed by CR LF.
    QString Text() const;
    void SetText(const QString &Value);
    // The text in the code page of the font's charset.
    QByteArray AnsiText() const;
    void SetAnsiText(const QByteArray &Value);

    bool AllowExpressions() const { return FAllowExpressions; }
    void SetAllowExpressions(bool Value) { FAllowExpressions = Value; }
    bool AllowHTMLTags() const { return FAllowHTMLTags; }
    void SetAllowHTMLTags(bool Value) { FAllowHTMLTags = Value; }
    bool AutoWidth() const { return FAutoWidth; }
    void SetAutoWidth(bool Value) { FAutoWidth = Value; }
    double CharSpacing() const { return FCharSpacing; }
    // Bounded by qdzMaxCharSpacing.
    void SetCharSpacing(double Value);
    bool Clipped() const { return FClipped; }
    void SetClipped(bool Value) { FClipped = Value; }
    TqdzFormat *DisplayFormat() const { return &FDisplayFormat; }
    void SetDisplayFormat(TqdzFormat *Value) { FDisplayFormat.Assign(Value); }
    const QString &ExpressionDelimiters() const { return FExpressionDelimiters; }
    void SetExpressionDelimiters(const QString &Value) { FExpressionDelimiters = Value; }
    TqdzCustomMemoView *FlowTo() const { return FFlowTo; }
    // The memo itself is refused: it cannot pass text on to itself.
    void SetFlowTo(TqdzCustomMemoView *Value);
    bool FirstParaBreak() const { return FFirstParaBreak; }
    void SetFirstParaBreak(bool Value) { FFirstParaBreak = Value; }
    bool LastParaBreak() const { return FLastParaBreak; }
    void SetLastParaBreak(bool Value) { FLastParaBreak = Value; }
    double GapX() const { return FGapX; }
    void SetGapX(double Value) { FGapX = Value; }
    double GapY() const { return FGapY; }
    void SetGapY(double Value) { FGapY = Value; }
    TqdzHAlign HAlign() const { return FHAlign; }
    void SetHAlign(TqdzHAlign Value) { FHAlign = Value; }
    bool HideZeros() const { return FHideZeros; }
    void SetHideZeros(bool Value) { FHideZeros = Value; }
    // Made on first use: most memos have none.
    TqdzHighlight *Highlight() const;
    void SetHighlight(TqdzHighlight *Value) { Highlight()->Assign(Value); }
    double LineSpacing() const { return FLineSpacing; }
    // Bounded by qdzMaxLineSpacing; the default for what is no number.
    void SetLineSpacing(double Value);
    double ParagraphGap() const { return FParagraphGap; }
    void SetParagraphGap(double Value) { FParagraphGap = Value; }
    int Rotation() const { return FRotation; }
    // Kept as 0..359 degrees (-90 is 270).
    void SetRotation(int Value);
    bool RTLReading() const { return FRTLReading; }
    void SetRTLReading(bool Value) { FRTLReading = Value; }
    const QString &Style() const { return FStyle; }
    // Applies the report's style of that name; an unknown name changes
    // nothing else.
    void SetStyle(const QString &Value);
    bool SuppressRepeated() const { return FSuppressRepeated; }
    void SetSuppressRepeated(bool Value) { FSuppressRepeated = Value; }
    bool Underlines() const { return FUnderlines; }
    void SetUnderlines(bool Value) { FUnderlines = Value; }
    bool UseDefaultCharset() const { return FUseDefaultCharset; }
    void SetUseDefaultCharset(bool Value) { FUseDefaultCharset = Value; }
    TqdzVAlign VAlign() const { return FVAlign; }
    void SetVAlign(TqdzVAlign Value) { FVAlign = Value; }
    bool WordBreak() const { return FWordBreak; }
    void SetWordBreak(bool Value) { FWordBreak = Value; }
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value) { FWordWrap = Value; }
    bool Wysiwyg() const { return FWysiwyg; }
    void SetWysiwyg(bool Value) { FWysiwyg = Value; }

    bool IsCharSpacingStored() const { return FCharSpacing != 0; }
    bool IsExpressionDelimitersStored() const { return FExpressionDelimiters != QLatin1String("[,]"); }
    bool IsGapXStored() const { return FGapX != 2; }
    bool IsGapYStored() const { return FGapY != 1; }
    bool IsHighlightStored() const;
    bool IsLineSpacingStored() const { return FLineSpacing != 2; }
    bool IsParagraphGapStored() const { return FParagraphGap != 0; }

    // Run-time values.
    const Variant &Value() const;
    void SetValue(const Variant &Value) { Run().Value = Value; }
    const QString &PartText() const;
    int TotalPages = 0;
    int CopyNo = 0;
    double PrintScale = 1;
    TRect TextRect;
    // PrintScale applies while this is set or the canvas is a printer's.
    bool Printing = false;

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    // The font's charset converts 8-bit text (not the default charset, and
    // UseDefaultCharset off).
    bool ConvertsCharset() const;
    // Font, options and gaps of the layout (highlight font when active).
    void SetLayoutFont(TqdzDrawText *D);

    // The text with expressions cut into literal and expression parts,
    // kept for the text and delimiters it was cut from: every record of a
    // band shows the same text again.
    struct TExprPart
    {
        QString Text;
        bool IsExpr;
    };
    // What a memo holds while a report is built, made on first use: a
    // loaded template that is not built never needs it.
    struct TRunState
    {
        QString PartsText, PartsDelimiters;
        std::vector<TExprPart> Parts;
        Variant Value;
        Variant LastValue;
        QString SavedText;
        // A text of one plain line is kept as that line (no copy is made).
        bool SavedOneLine = false;
        // What is left to print: PartText from PartFrom on.
        QString PartText;
        qsizetype PartFrom = 0;
        // The last CutPart found no room for a line of PartText: the next
        // one (on a fresh page) puts out at least one line even where none fits.
        bool CutStalled = false;
    };
    TRunState &Run();
    // Cuts PartsText into Parts.
    void CutIntoParts(const QString &Open, const QString &Close);

    // Parts of the object itself, as the frame: one allocation per object.
    mutable TWideStrings FMemo;
    bool FAllowExpressions = true;
    bool FAllowHTMLTags = false;
    bool FAutoWidth = false;
    double FCharSpacing = 0;
    bool FClipped = true;
    mutable TqdzFormat FDisplayFormat;
    QString FExpressionDelimiters = QStringLiteral("[,]");
    TqdzCustomMemoView *FFlowTo = nullptr;
    bool FFirstParaBreak = false;
    bool FLastParaBreak = false;
    double FGapX = 2;
    double FGapY = 1;
    TqdzHAlign FHAlign = haLeft;
    bool FHideZeros = false;
    mutable std::unique_ptr<TqdzHighlight> FHighlight;
    double FLineSpacing = 2;
    double FParagraphGap = 0;
    int FRotation = 0;
    bool FRTLReading = false;
    QString FStyle;
    bool FSuppressRepeated = false;
    bool FUnderlines = false;
    bool FUseDefaultCharset = false;
    TqdzVAlign FVAlign = vaTop;
    bool FWordBreak = false;
    bool FWordWrap = true;
    bool FWysiwyg = true;

    std::unique_ptr<TRunState> FRun;
};

class TqdzMemoView : public TqdzCustomMemoView
{
    STATION_CLASS(TqdzMemoView, TqdzCustomMemoView)
public:
    explicit TqdzMemoView(TComponent *AOwner);
};

class TqdzSysMemoView : public TqdzCustomMemoView
{
    STATION_CLASS(TqdzSysMemoView, TqdzCustomMemoView)
public:
    explicit TqdzSysMemoView(TComponent *AOwner);
    QString GetDescription() const override;
};

// ------------------------------------------------- line, picture, shape, subreport

class TqdzCustomLineView : public TqdzStretcheable
{
    STATION_CLASS(TqdzCustomLineView, TqdzStretcheable)
public:
    explicit TqdzCustomLineView(TComponent *AOwner);
    QString GetDescription() const override;
    void Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
    // An arrow head at (X2, Y2) pointing away from (X1, Y1).
    void DrawArrow(int X1, int Y1, int X2, int Y2);

    bool Diagonal() const { return FDiagonal; }
    void SetDiagonal(bool Value) { FDiagonal = Value; }
    bool ArrowEnd() const { return FArrowEnd; }
    void SetArrowEnd(bool Value) { FArrowEnd = Value; }
    bool ArrowStart() const { return FArrowStart; }
    void SetArrowStart(bool Value) { FArrowStart = Value; }
    int ArrowLength() const { return FArrowLength; }
    void SetArrowLength(int Value) { FArrowLength = Value; }
    int ArrowWidth() const { return FArrowWidth; }
    void SetArrowWidth(int Value) { FArrowWidth = Value; }
    bool ArrowSolid() const { return FArrowSolid; }
    void SetArrowSolid(bool Value) { FArrowSolid = Value; }

private:
    bool FDiagonal = false;
    bool FArrowEnd = false;
    bool FArrowStart = false;
    int FArrowLength = 20;
    int FArrowWidth = 5;
    bool FArrowSolid = false;
};

class TqdzLineView : public TqdzCustomLineView
{
    STATION_CLASS(TqdzLineView, TqdzCustomLineView)
public:
    explicit TqdzLineView(TComponent *AOwner);
};

// The result of LoadPictureFromStream for bytes of no known format.
constexpr quint32 qdzPictureUnknownFormat = 0x80070057u;

class TqdzPictureView : public TqdzView
{
    STATION_CLASS(TqdzPictureView, TqdzView)
public:
    explicit TqdzPictureView(TComponent *AOwner);
    ~TqdzPictureView() override;
    QString GetDescription() const override;
    void Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
    void GetData() override;
    QByteArray DiffAttributes(TqdzComponent *DefaultObject) override;

    // 0, or qdzPictureUnknownFormat (the picture is then empty).
    quint32 LoadPictureFromStream(TStream *Stream, bool ResetPosition);
    void PictureChanged(TObject *Sender);

    TPicture *Picture() const { return FPicture.get(); }
    void SetPicture(TPicture *Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool Center() const { return FCenter; }
    void SetCenter(bool Value) { FCenter = Value; }
    const QString &FileLink() const { return FFileLink; }
    void SetFileLink(const QString &Value) { FFileLink = Value; }
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value) { FImageIndex = Value; }
    bool KeepAspectRatio() const { return FKeepAspectRatio; }
    void SetKeepAspectRatio(bool Value) { FKeepAspectRatio = Value; }
    bool Stretched() const { return FStretched; }
    void SetStretched(bool Value) { FStretched = Value; }
    bool HightQuality() const { return FHightQuality; }
    void SetHightQuality(bool Value) { FHightQuality = Value; }
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value) { FTransparent = Value; }
    TColor TransparentColor() const { return FTransparentColor; }
    void SetTransparentColor(TColor Value) { FTransparentColor = Value; }

    bool PictureStored() const { return FPictureStored; }
    void SetPictureStored(bool Value) { FPictureStored = Value; }
    bool IsImageIndexStored() const { return !FPictureStored; }
    bool PictureChangedFlag() const { return FPictureChangedFlag; }
    void SetPictureChangedFlag(bool Value) { FPictureChangedFlag = Value; }

    // Built pages keep pictures in the store's picture cache: the store
    // installs this call, which files the picture and gives its index.
    using TAddPictureHook = int (*)(TqdzPictureView *View);
    static void SetAddPictureHook(TAddPictureHook Hook);

private:
    std::unique_ptr<TPicture> FPicture;
    bool FAutoSize = false;
    bool FCenter = false;
    QString FFileLink;
    int FImageIndex = 0;
    bool FKeepAspectRatio = true;
    bool FStretched = true;
    bool FHightQuality = false;
    bool FTransparent = false;
    TColor FTransparentColor = clWhite;
    bool FPictureStored = true;
    bool FPictureChangedFlag = false;
};

class TqdzShapeView : public TqdzView
{
    STATION_CLASS(TqdzShapeView, TqdzView)
public:
    explicit TqdzShapeView(TComponent *AOwner);
    QString GetDescription() const override;
    void Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
    QByteArray DiffAttributes(TqdzComponent *DefaultObject) override;

    TqdzShapeKind Shape() const { return FShape; }
    void SetShape(TqdzShapeKind Value) { FShape = Value; }
    int Curve() const { return FCurve; }
    void SetCurve(int Value) { FCurve = Value; }

private:
    void DrawShape();

    TqdzShapeKind FShape = skRectangle;
    int FCurve = 0;
};

// Names a report page that the engine builds in this object's place.
class TqdzSubreport : public TqdzView
{
    STATION_CLASS(TqdzSubreport, TqdzView)
public:
    explicit TqdzSubreport(TComponent *AOwner);
    ~TqdzSubreport() override;
    QString GetDescription() const override;
    void Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;

    TqdzReportPage *Page() const { return FPage; }
    // Gives the page its back-reference; either one going away clears the
    // other's reference, also while the whole report goes.
    void SetPage(TqdzReportPage *Value);
    bool PrintOnParent() const { return FPrintOnParent; }
    void SetPrintOnParent(bool Value) { FPrintOnParent = Value; }

private:
    void Unlink();

    friend class TqdzReportPage;
    TqdzReportPage *FPage = nullptr;
    bool FPrintOnParent = false;
};

// The report's expression evaluation and script variables as the views use
// them. Without a report an expression cannot be evaluated and raises.
Variant qdzViewCalc(TqdzComponent *View, const QString &Expression);
void qdzViewSetSelf(TqdzComponent *View);
void qdzViewSetValue(TqdzComponent *View, const Variant &Value);
