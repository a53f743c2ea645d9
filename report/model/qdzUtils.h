#pragma once
// Small shared routines of the report engine: absolute areas, look-ups,
// number and hexadecimal conversions, the bracketed-expression finder, page
// ranges, temporary files, the program's path, the gzip reader and help.
#include "platform/Object.h"

#include <QChar>
#include <QString>

class QWidget;
class TStream;
class TStrings;

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
