// Memo text as a list of wide lines, each with an object reference, streamed
// into component data as UTF-8; and conversions between 8-bit text of a font
// charset and wide text.
#pragma once
#include "platform/Object.h"

#include <QByteArray>
#include <QList>
#include <QString>

class TStream;
class TReader;
class TWriter;

class TWideStrings : public TPersistent
{
    STATION_CLASS(TWideStrings, TPersistent)
public:
    TWideStrings() = default;
    ~TWideStrings() override = default;

    // The line, or '' outside 0 .. Count - 1.
    QString Get(int Index) const;
    // Index Count appends; any other index outside 0 .. Count raises
    // "Wide String Out of Bounds".
    void Put(int Index, const QString &S);
    TObject *GetObject(int Index) const;
    // The object of a line as it was stored: it may have been freed since.
    TObjectRef ObjectRef(int Index) const;
    void PutObject(int Index, TObject *AObject);
    int Count() const { return FList.isEmpty() ? int(FHasOne) : int(FList.size()); }

    int Add(const QString &S);
    int AddObject(const QString &S, TObject *AObject);
    void AddStrings(const TWideStrings *List);
    void Delete(int Index);
    // Index 0 .. Count; any other raises.
    void Insert(int Index, const QString &S);
    void Clear();
    // Exact (case-sensitive) comparison; -1 when absent.
    int IndexOf(const QString &S) const;

    // From a TWideStrings or a TStrings (8-bit lines in the system code page).
    void Assign(TPersistent *Source) override;

    // Every line followed by CR LF.
    QString GetText() const;
    // CR, LF, CR LF and U+2028 each end a line; a final break adds no line.
    void SetText(const QString &Value);

    void LoadFromFile(const QString &FileName);
    // UTF-16 LE after an FF FE mark, else 8-bit text in the system code page.
    void LoadFromStream(TStream *Stream);
    void SaveToFile(const QString &FileName);
    // Raw UTF-16 LE, no mark.
    void SaveToStream(TStream *Stream);

protected:
    void AssignTo(TPersistent *Dest) override;
    // "Strings" (an older form, read only) and "UTF8", present only when
    // there are lines.
    void DefineProperties(TFiler *Filer) override;

private:
    void ReadData(TReader *Reader);
    void ReadDataUTF8(TReader *Reader);
    void WriteDataUTF8(TWriter *Writer);

    struct TWideStringItem
    {
        QString FString;
        TObjectRef FObject;
    };
    int AddRef(const QString &S, const TObjectRef &Ref);
    const TWideStringItem &Item(int Index) const { return FList.isEmpty() ? FOne : FList.at(Index); }
    TWideStringItem &Item(int Index) { return FList.isEmpty() ? FOne : FList[Index]; }
    // Moves a line kept in FOne into FList, so FList holds them all.
    void Spill();

    // Most memos have one line: it is kept here, in the object, and needs no
    // list of its own. Two lines or more all live in FList (FOne then empty).
    TWideStringItem FOne;
    bool FHasOne = false;
    QList<TWideStringItem> FList;
};

// Memo text is broken into lines at CR, LF, CR LF and the line separator
// U+2028, and ends at a zero character. The end of the line starting at P
// (its break, a zero character or End), and the start of the next line
// after the break at P.
const QChar *qdzLineEnd(const QChar *P, const QChar *End);
const QChar *qdzSkipLineBreak(const QChar *P, const QChar *End);

// Font charsets.
constexpr int ANSI_CHARSET = 0;
constexpr int DEFAULT_CHARSET = 1;
constexpr int SYMBOL_CHARSET = 2;
constexpr int MAC_CHARSET = 77;
constexpr int SHIFTJIS_CHARSET = 128;
constexpr int HANGEUL_CHARSET = 129;
constexpr int JOHAB_CHARSET = 130;
constexpr int GB2312_CHARSET = 134;
constexpr int CHINESEBIG5_CHARSET = 136;
constexpr int GREEK_CHARSET = 161;
constexpr int TURKISH_CHARSET = 162;
constexpr int VIETNAMESE_CHARSET = 163;
constexpr int HEBREW_CHARSET = 177;
constexpr int ARABIC_CHARSET = 178;
constexpr int BALTIC_CHARSET = 186;
constexpr int RUSSIAN_CHARSET = 204;
constexpr int THAI_CHARSET = 222;
constexpr int EASTEUROPE_CHARSET = 238;
constexpr int OEM_CHARSET = 255;

// Code page of a font charset; raises EConvertError for a charset the system
// does not know.
int CharsetToCodePage(int Charset);
// CodePage 0 takes the code page of Charset.
QString AnsiToWide(const QByteArray &S, int Charset, int CodePage = 0);
QByteArray WideToAnsi(const QString &S, int Charset, int CodePage = 0);
// Locale id used to measure and draw text of a charset.
int CharsetToLCID(int Charset);
