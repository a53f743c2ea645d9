#pragma once
// Small shared routines of the report engine: absolute areas, look-ups,
// number and hexadecimal conversions, the bracketed-expression finder, page
// ranges, temporary files, the program's path, the gzip reader and help.
#include "platform/Object.h"

#include <QString>

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

// Finds the expression between Open and Close that starts at StartPos
// (1-based, at an opening delimiter). Nesting counts; delimiters inside
// single- or double-quoted literals do not. On return Expr is the text
// between the delimiters, StartPos the opening and EndPos the last character
// of the closing delimiter; StartPos = EndPos when there is none (also when
// the opening delimiter is never closed).
void qdzGetBracketedExpression(const QString &Text, const QString &Open, const QString &Close,
                               QString &Expr, int &EndPos, int &StartPos);

// Decompresses a gzip member whose MTIME field holds the Adler-32 of the data
// (the engine's own resources). Raises EStreamError "Stream decompress error"
// for a truncated or corrupt stream.
void GunzipStream(TStream *Source, TStream *Dest, QString &FileName);
