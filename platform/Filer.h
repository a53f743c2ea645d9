// The class library's binary property format: TWriter writes properties as a
// name (one length byte and the bytes) followed by a tagged little-endian
// value; TReader reads them back and hands each to the object's published
// property of that name or to the reader its DefineProperties names.
#pragma once
#include "Object.h"
#include "Streams.h"
#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

enum TValueType : quint8 {
    vaNull, vaList, vaInt8, vaInt16, vaInt32, vaExtended, vaString, vaIdent, vaFalse, vaTrue, vaBinary,
    vaSet, vaLString, vaNil, vaCollection, vaSingle, vaCurrency, vaDate, vaWString, vaInt64, vaUTF8String
};

class TReader;
class TWriter;
class TCollection;
class TComponent;

using TReaderProc = std::function<void(TReader *Reader)>;
using TWriterProc = std::function<void(TWriter *Writer)>;
using TStreamProc = std::function<void(TStream *Stream)>;

STATION_EVENT(TReaderError, void(TReader *Reader, const QString &Message, bool &Handled))
STATION_EVENT(TFindComponentInstanceEvent, void(TReader *Reader, const QString &Name, TComponent *&Instance))

// 80-bit extended floats (the format's tag 5): exact both ways for every
// double; an extended value a double cannot hold is rounded to nearest even,
// beyond its range it becomes an infinity or zero.
void DoubleToExtended(double Value, quint8 Bytes[10]);
double ExtendedToDouble(const quint8 Bytes[10]);

class TFiler : public TObject
{
public:
    explicit TFiler(TStream *Stream);

    virtual void DefineProperty(const QString &Name, const TReaderProc &ReadData, const TWriterProc &WriteData,
                                bool HasData) = 0;
    virtual void DefineBinaryProperty(const QString &Name, const TStreamProc &ReadData,
                                      const TStreamProc &WriteData, bool HasData) = 0;

    TStream *Stream() const { return FStream; }
    // The component against which component references are named.
    TComponent *Root() const { return FRoot; }
    void SetRoot(TComponent *Value) { FRoot = Value; }
    // Object to compare with when deciding what to write (DefineProperties
    // implementations look at it); null for none.
    TPersistent *Ancestor() const { return FAncestor; }
    void SetAncestor(TPersistent *Value) { FAncestor = Value; }
    // Code page of 8-bit strings (tags 6 and 12); the system's by default.
    int CodePage() const { return FCodePage; }
    void SetCodePage(int Value) { FCodePage = Value; }

protected:
    TStream *FStream;
    TComponent *FRoot = nullptr;
    TPersistent *FAncestor = nullptr;
    int FCodePage = 0;
};

class TWriter : public TFiler
{
public:
    explicit TWriter(TStream *Stream);

    void DefineProperty(const QString &Name, const TReaderProc &ReadData, const TWriterProc &WriteData,
                        bool HasData) override;
    void DefineBinaryProperty(const QString &Name, const TStreamProc &ReadData, const TStreamProc &WriteData,
                              bool HasData) override;

    qint64 Position() const { return FStream->Position(); }

    void WriteValue(TValueType Value);
    void WriteListBegin();
    void WriteListEnd();
    // The smallest of int8, int16, int32 (and int64 for the 64-bit overload).
    void WriteInteger(int Value);
    void WriteInteger(qint64 Value);
    void WriteBoolean(bool Value);
    void WriteChar(char Value);
    void WriteWideChar(QChar Value);
    void WriteFloat(double Value);      // extended
    void WriteSingle(float Value);
    void WriteCurrency(double Value);   // scaled by 10000
    void WriteDate(double Value);
    // 8-bit in the filer's code page: a short string up to 255 bytes, else long.
    void WriteString(const QString &Value);
    // Always the long-string tag.
    void WriteLongString(const QString &Value);
    // UTF-8 when that is shorter than UTF-16, else UTF-16.
    void WriteWideString(const QString &Value);
    void WriteUTF8Str(const QString &Value);
    // False, True, nil and Null get their own tags.
    void WriteIdent(const QString &Ident);
    // A length byte and at most 255 bytes, without a tag (property names).
    void WriteStr(const QString &Value);
    void WriteBinary(const QByteArray &Data);
    void WriteSet(PTypeInfo SetType, quint32 Value);
    void WriteVariant(const Variant &Value);
    void WriteCollection(TCollection *Value);
    // Stored published properties that differ from their defaults, then
    // what DefineProperties defines.
    void WriteProperties(TPersistent *Instance);
    void WriteProperty(TPersistent *Instance, PPropInfo Prop);
    // Only what DefineProperties defines (its name and value pairs).
    void WriteDefinedProperties(TPersistent *Instance);

private:
    void WritePropName(const QString &Name);
    void WriteBytes(const void *Data, qint64 Count);
    // A length byte and at most 255 of the bytes.
    void WriteStrBytes(const QByteArray &Bytes);
    // The tag, a 32-bit count and the data.
    void WriteCounted(TValueType Value, qint64 Count, const void *Data, qint64 Size);
    QByteArray Encode8(const QString &Value) const;
    QString ComponentValue(TComponent *Value) const;

    QString FPropPath;
};

class TReader : public TFiler
{
public:
    explicit TReader(TStream *Stream);

    void DefineProperty(const QString &Name, const TReaderProc &ReadData, const TWriterProc &WriteData,
                        bool HasData) override;
    void DefineBinaryProperty(const QString &Name, const TStreamProc &ReadData, const TStreamProc &WriteData,
                              bool HasData) override;

    qint64 Position() const { return FStream->Position(); }
    bool EndOfStream() const { return FStream->Position() >= FStream->Size(); }

    TValueType NextValue();
    TValueType ReadValue();
    bool EndOfList();
    void ReadListBegin();
    void ReadListEnd();
    int ReadInteger();
    qint64 ReadInt64();
    bool ReadBoolean();
    char ReadChar();
    QChar ReadWideChar();
    // Extended, single, currency, date or an integer.
    double ReadFloat();
    float ReadSingle();
    double ReadCurrency();
    double ReadDate();
    // Any of the four string tags.
    QString ReadString();
    QString ReadWideString();
    QString ReadIdent();
    QString ReadStr();
    QByteArray ReadBinary();
    quint32 ReadSet(PTypeInfo SetType);
    Variant ReadVariant();
    // The items of a collection; the collection tag has been read already.
    void ReadCollection(TCollection *Collection);
    // One property: its name, then its value into the published property or
    // the DefineProperties reader of that name (names without regard to case).
    void ReadProperty(TPersistent *Instance);
    void SkipValue();
    // Retries component references that were not found when read.
    void FixupReferences();

    TReaderError OnError() const { return FOnError; }
    void SetOnError(const TReaderError &Value) { FOnError = Value; }
    TFindComponentInstanceEvent OnFindComponentInstance() const { return FOnFindComponentInstance; }
    void SetOnFindComponentInstance(const TFindComponentInstanceEvent &Value) { FOnFindComponentInstance = Value; }

private:
    void ReadBytes(void *Data, qint64 Count);
    // A 32-bit count, and Size bytes (refused when fewer are left).
    qint64 ReadCount();
    QByteArray ReadSized(qint64 Size);
    [[noreturn]] void PropValueError();
    void CheckValue(TValueType Value);
    QString Decode8(const QByteArray &Bytes) const;
    void ReadPropValue(TPersistent *Instance, PPropInfo Prop);
    TComponent *FindComponentInstance(const QString &Name);
    void SkipSetBody();
    void SkipCollection();
    void SkipProperty();
    bool Error(const QString &Message);

    struct Fixup
    {
        TPersistent *Instance;
        PPropInfo Prop;
        QString Name;
    };
    std::vector<Fixup> FFixups;
    QString FPropName;
    int FSkipDepth = 0;
    bool FCanHandleExcepts = false;
    TReaderError FOnError;
    TFindComponentInstanceEvent FOnFindComponentInstance;
};
