// Layout and drawing of memo text: measured at a fixed high resolution so a
// page looks the same on screen and on paper; word wrap (with hyphenation of
// Cyrillic words), a few HTML-like style tags, justification, rotation,
// vertical alignment, clipping and cutting the text for split objects.
#pragma once
#include "platform/Colors.h"
#include "platform/Font.h"
#include "platform/Object.h"
#include "platform/Types.h"
#include "report/model/qdzWideStrings.h"

#include <QString>
#include <memory>
#include <vector>

class TBitmap;
class TCanvas;

// Text alignments of memo views.
STATION_DECLARE_ENUM(TqdzHAlign, haLeft, haRight, haCenter, haBlock)
STATION_DECLARE_ENUM(TqdzVAlign, vaTop, vaBottom, vaCenter)

// The style of one character of a wrapped line (a value: one per character).
struct TqdzHTMLTag
{
    int Position = 0;   // 1-based position of the character in PlainText
    int Size = 0;       // points
    int AddY = 0;       // 1 for subscript
    quint8 Style = 0;   // bold 1, italic 2, underline 4, strike-out 8
    TColor Color = clBlack;
    bool Default = true; // same look as the character before: no font change needed
    bool Small = false;  // sub- or superscript
    bool DontWrap = false;
};

// One tag per character of a wrapped line.
class TqdzHTMLTags : public TObject
{
public:
    int Count() const { return int(FItems.size()); }
    TqdzHTMLTag &Items(int Index) { return FItems[size_t(Index)]; }
    const TqdzHTMLTag &Items(int Index) const { return FItems[size_t(Index)]; }
    void Add(const TqdzHTMLTag &Tag) { FItems.push_back(Tag); }
    void Clear() { FItems.clear(); }
    // The tags From .. To - 1 of Source.
    void AssignRange(const TqdzHTMLTags &Source, int From, int To);

private:
    std::vector<TqdzHTMLTag> FItems;
};

// The tag lines of the text in hand and the parser's running state.
class TqdzHTMLTagsList : public TObject
{
public:
    bool AllowTags = true;
    int AddY = 0;
    TColor Color = clBlack;
    TColor DefColor = clBlack;
    int DefSize = 10;
    quint8 DefStyle = 0;
    int Position = 1;
    int Size = 10;
    quint8 Style = 0;
    bool DontWrap = false;

    void SetDefaults(TColor AColor, int ASize, quint8 AStyle);
    int Count() const { return int(FLines.size()); }
    TqdzHTMLTags *Items(int Index) const { return FLines[size_t(Index)].get(); }
    void Clear() { FLines.clear(); }
    // Starts a tag line for the next source line.
    TqdzHTMLTags *NewLine();
    void Insert(int Index, std::unique_ptr<TqdzHTMLTags> Line);
    void Delete(int Index);
    // Removes the recognised tags from S and adds one tag per remaining
    // character to Line (the last tag line when none); Position moves over
    // the whole source line (tags included).
    void ExpandHTMLTags(QString &S, TqdzHTMLTags *Line = nullptr);

private:
    bool ParseTag(const QString &S, int &I);
    std::vector<std::unique_ptr<TqdzHTMLTags>> FLines;
};

class TqdzDrawText : public TObject
{
public:
    TqdzDrawText();
    ~TqdzDrawText() override;

    static constexpr int DefPPI = 600;
    static constexpr int ScrPPI = 96;

    // --- set-up, in this order
    void SetFont(TFont *Font);
    void SetOptions(bool WordWrap, bool HTMLTags, int Rotation, bool Wysiwyg, bool Clipped,
                    bool WordBreak, bool RTLReading);
    void SetGaps(double LineSpacing, double CharSpacing, double ParagraphGap);
    void SetDimensions(double ScaleX, double ScaleY, double PrintScale, const TRect &OriginalRect,
                       const TRect &ScaledRect);
    void SetText(TWideStrings *Lines);
    void SetParaBreaks(bool FirstParaBreak, bool LastParaBreak);

    // --- queries, in report units
    double LineHeight() const;
    double CalcHeight() const;
    double CalcWidth();
    double UnusedSpace() const;
    void GetOutBoundsText(bool &ParaBreak, QString &Rest);
    void GetInBoundsText(QString &Fitting) const { Fitting = FPlainText; }
    void DrawText(TCanvas *Canvas, TqdzHAlign HAlign, TqdzVAlign VAlign);

    // The global critical section shared by every layout object.
    void Lock();
    void Unlock();

    // --- state
    TWideStrings *Text() const { return FText.get(); }
    // 1: first line of a paragraph, 2: last line (3: both).
    int LineFlags(int Index) const { return FFlags[size_t(Index)]; }
    const QString &PlainText() const { return FPlainText; }
    TqdzHTMLTagsList *HTMLTags() const { return FHTMLTags.get(); }
    TFont *MeasureFont() const;
    int FontSize() const { return FFontSize; }
    unsigned Options() const { return FOptions; }
    int Rotation() const { return FRotation; }
    bool Wysiwyg() const { return FWysiwyg; }
    bool UseDefaultCharset() const { return FUseDefaultCharset; }
    void SetUseDefaultCharset(bool Value) { FUseDefaultCharset = Value; }

    // S as a font of another charset than the default shows it (unless
    // UseDefaultCharset): through the charset's code page and back, so
    // characters the code page lacks become '?'.
    QString ThroughCharset(const QString &S) const;
    // Widths at measuring resolution of the characters of line S with its
    // tags (CharSpacing included); exposed for measuring tests.
    void MeasureLine(const QString &S, const TqdzHTMLTags *Tags, std::vector<int> &Widths);

    // Spreads N units (negative: takes them away) over W[Lo..Hi] by halving.
    static void SpreadByHalving(std::vector<int> &W, int Lo, int Hi, int N);
    // Widens (or narrows) Widths by Extra pixels: over the blanks for a
    // justified line, else over all characters.
    static void DistributeExtra(const QString &S, std::vector<int> &Widths, int Extra, bool Block);
    // The last hyphenation point of Word (break after that many characters)
    // for which Fits(head length) holds; 0 for none.
    template <typename F> static int HyphenPoint(const QString &Word, F Fits);
    // All hyphenation points of Word, ascending.
    static std::vector<int> HyphenPoints(const QString &Word);

private:
    // Upper: S in capitals letter by letter; Vowels[k]: the vowels of
    // Upper[0, k).
    static void PrepareHyphenation(const QString &S, QString &Upper, std::vector<int> &Vowels);
    // The points (head lengths) of the word Upper[From, To) whose heads are
    // at most MaxHead letters long.
    static std::vector<int> HyphenPointsIn(const QString &Upper, const std::vector<int> &Vowels, int From, int To,
                                           int MaxHead);
    void WrapLine(QString S, int MaxWidth);
    void AddLine(const QString &S, std::unique_ptr<TqdzHTMLTags> Tags, int Flags);
    void DrawTextLine(TCanvas *Canvas, int Index, double X, double Y, int AvailWidth, TqdzHAlign HAlign);
    void SetCanvasFont(TCanvas *Canvas, const TqdzHTMLTag *Tag);
    bool IsPrinter(TCanvas *Canvas) const;
    double LineStepReport() const;

    std::unique_ptr<TBitmap> FMeasureBitmap;
    TCanvas *FMeasureCanvas = nullptr;
    std::unique_ptr<TqdzHTMLTagsList> FHTMLTags;
    std::unique_ptr<TWideStrings> FText;
    std::vector<int> FFlags;
    std::vector<int> FExtents; // work buffers, reused line after line
    std::vector<int> FWidths;
    std::vector<int> FCanvasWidths;
    int FFontSize = 10;
    double FCharSpacing = 0;
    double FLineSpacing = 0;
    double FParagraphGap = 0;
    unsigned FOptions = 0;
    TRect FOriginalRect;
    QString FPlainText;
    double FPrintScale = 1;
    int FRotation = 0;
    bool FRTLReading = false;
    TRect FScaledRect;
    double FScaleX = 1;
    double FScaleY = 1;
    bool FWordBreak = false;
    bool FWordWrap = true;
    bool FWysiwyg = true;
    bool FUseDefaultCharset = false;
    // Target-canvas state while drawing.
    TCanvas *FCanvas = nullptr;
    bool FCanvasIsPrinter = false;
};

template <typename F> int TqdzDrawText::HyphenPoint(const QString &Word, F Fits)
{
    const std::vector<int> points = HyphenPoints(Word);
    for (auto it = points.rbegin(); it != points.rend(); ++it)
        if (Fits(*it))
            return *it;
    return 0;
}

// The layout object shared by memo views outside a report; guarded by Lock.
TqdzDrawText *qdzDrawText();
