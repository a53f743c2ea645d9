// Small shared routines of the report engine: absolute areas, look-ups,
// number and hexadecimal conversions, the bracketed-expression finder, page
// ranges, temporary files, the program's path, the gzip reader and help.
#pragma once
#include "platform/Colors.h"
#include "platform/Object.h"
#include "platform/Types.h"

#include <QChar>
#include <QString>
#include <memory>

class QWidget;
class TCanvas;
class TBitmap;
class TGraphic;
class TComponent;
class TCustomImageList;
class TqdzComponent;
class TStream;
class TStrings;

// An object's absolute area in report units.
class TqdzRectArea : public TObject
{
public:
    TqdzRectArea(double AX, double AY, double AX1, double AY1) : X(AX), Y(AY), X1(AX1), Y1(AY1) {}
    // AbsLeft, AbsTop, AbsLeft + Width, AbsTop + Height of the component.
    explicit TqdzRectArea(const TqdzComponent *Component);
    // Overlaps of 0.0001 or less do not count: touching areas do not intercept.
    bool InterceptX(const TqdzRectArea *Other) const;
    bool InterceptY(const TqdzRectArea *Other) const;
    // The common area, or none when the areas do not intercept horizontally.
    std::unique_ptr<TqdzRectArea> Intersect(const TqdzRectArea *Other) const;

    double X, Y, X1, Y1;
};

struct TqdzRect
{
    double Left, Top, Right, Bottom;
};
TqdzRect qdzRect(double Left, double Top, double Right, double Bottom);

// "Name" in Owner (or, for a report, in the report's owner), "Form.Name" or
// "Form.Frame.Name" among the program's forms and data modules; none when
// nothing has that name.
TComponent *FindComponentByPath(TComponent *Owner, const QString &Path);
// The name a reference to Component is written under: its own name when it
// belongs to Owner (the report) or to Owner's owner, "Form.Name" when it
// belongs to another form or data module, "Form.Frame.Name" for a frame;
// '' otherwise.
void GetReferenceName(TComponent *Owner, TComponent *Component, QString &Name);

// Temporary file name with the prefix "qd" in Dir, or in the system's
// temporary folder when Dir is empty or does not exist; the file is created.
QString GetTempFile(const QString &Dir);

// The program's file name and its folder (with a trailing '/').
QString GetModuleName();
QString GetAppPath();

// Standard CRC-32 of the whole stream; the stream's position is kept.
quint32 StreamCRC32(TStream *Stream);

// Hexadecimal text of the whole stream (two upper-case digits per byte), and
// back: HexToStream replaces the stream's content and leaves it at 0.
void StreamToHex(TStream *Stream, QString &Text);
void HexToStream(const QString &Text, TStream *Stream);

// Clears List and adds the pieces of Text between delimiters; a trailing
// delimiter gives no empty piece.
void qdzSetCommaText(const QString &Text, TStrings *List, QChar Delimiter);
// Takes ',' and '.' as the decimal separator and ignores blanks; raises
// EConvertError for anything else that is not a number.
double qdzStrToFloat(const QString &S);
// "3" for whole numbers, else two decimals ("2.50").
QString qdzFloatToStr(double X);

// Finds the expression between Open and Close that starts at StartPos
// (1-based, at an opening delimiter). Nesting counts; delimiters inside
// single- or double-quoted literals do not. On return Expr is the text
// between the delimiters, StartPos the opening and EndPos the last character
// of the closing delimiter; StartPos = EndPos when there is none (also when
// the opening delimiter is never closed).
void qdzGetBracketedExpression(const QString &Text, const QString &Open, const QString &Close,
                               QString &Expr, int &EndPos, int &StartPos);

// Shows the message through the windows layer's error box (titled "Error"
// from the string table). Without the windows nothing is shown: the message
// is added to Errors when given (callers whose message is already there
// pass none).
void qdzErrorMsg(const QString &Message, TStrings *Errors = nullptr);

// Cuts Bitmap into W x H tiles from the top down and adds each to ListA, and
// the tile to its right to ListB when given, masked with the bitmap's
// transparent colour.
void FillImageList(TBitmap *Bitmap, int W, int H, TCustomImageList *ListA, TCustomImageList *ListB);
// Draws Bitmap at (X, Y) leaving out its transparent colour; nothing for none.
void DrawTransparentBitmap(TCanvas *Canvas, int X, int Y, TBitmap *Bitmap);
// Draws Graphic stretched into Rect: smoothly when printing or HighQuality,
// leaving out pixels of TransparentColor when Transparent.
void DrawGraphic(TCanvas *Canvas, const TRect &Rect, TGraphic *Graphic, bool IsPrinting,
                 bool HighQuality, bool Transparent, TColor TransparentColor);

// Fills List with the page numbers (as decimal text) of a text such as
// "1,3,5-12" or "8-" (to the last page). Ranges stop at PageCount; a piece
// that is not a number raises EConvertError.
void qdzParsePageNumbers(const QString &Text, TStrings *List, int PageCount);

// Opens the help file named by Path ("file" or "file::/topic.htm") with the
// desktop's handler; False, and nothing done, when the file does not exist.
bool HtmlHelp(QWidget *Window, const QString &Path);

// Decompresses a gzip member whose MTIME field holds the Adler-32 of the data
// (the engine's own resources). Raises EStreamError "Stream decompress error"
// for a truncated or corrupt stream.
void GunzipStream(TStream *Source, TStream *Dest, QString &FileName);
