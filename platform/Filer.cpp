// Implementation of the class library's binary property format.
#include "Filer.h"
#include "CodePages.h"
#include "Collection.h"
#include "Component.h"
#include "Exceptions.h"
#include "Graphics.h"
#include "Variants.h"
#include <QtEndian>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

// ---------------------------------------------------------------------------
// 80-bit extended <-> double

void DoubleToExtended(double Value, quint8 Bytes[10])
{
    quint64 bits;
    std::memcpy(&bits, &Value, sizeof bits);
    const quint16 sign = quint16(bits >> 63);
    const int exp = int((bits >> 52) & 0x7FF);
    const quint64 frac = bits & ((quint64(1) << 52) - 1);
    quint16 e = 0;
    quint64 m = 0;
    if (exp == 0x7FF) {
        e = 0x7FFF;
        m = (quint64(1) << 63) | (frac << 11);
    } else if (exp == 0) {
        if (frac != 0) {
            // A subnormal double is a normal extended.
            const int p = 63 - std::countl_zero(frac);
            m = frac << (63 - p);
            e = quint16(p - 1074 + 16383);
        }
    } else {
        e = quint16(exp - 1023 + 16383);
        m = (quint64(1) << 63) | (frac << 11);
    }
    qToLittleEndian(m, Bytes);
    qToLittleEndian(quint16(e | (sign << 15)), Bytes + 8);
}

// m >> s rounded to nearest, ties to even.
static quint64 RoundShift(quint64 m, int s)
{
    if (s <= 0)
        return m;
    if (s > 64)
        return 0;
    if (s == 64)
        return m > (quint64(1) << 63) ? 1 : 0;
    quint64 q = m >> s;
    const quint64 rest = m & ((quint64(1) << s) - 1);
    const quint64 half = quint64(1) << (s - 1);
    if (rest > half || (rest == half && (q & 1)))
        ++q;
    return q;
}

double ExtendedToDouble(const quint8 Bytes[10])
{
    quint64 m = qFromLittleEndian<quint64>(Bytes);
    const quint16 se = qFromLittleEndian<quint16>(Bytes + 8);
    const quint64 sign = quint64(se >> 15) << 63;
    const int e = se & 0x7FFF;
    quint64 bits;
    if (e == 0x7FFF) {
        if ((m & ~(quint64(1) << 63)) == 0) {
            bits = sign | (quint64(0x7FF) << 52);
        } else {
            quint64 frac = (m >> 11) & ((quint64(1) << 52) - 1);
            if (frac == 0)
                frac = quint64(1) << 51;
            bits = sign | (quint64(0x7FF) << 52) | frac;
        }
    } else if (m == 0) {
        bits = sign;
    } else {
        // value = m * 2^(E - 63) with m normalised so that bit 63 is set.
        int E = (e == 0 ? 1 : e) - 16383;
        const int lz = std::countl_zero(m);
        m <<= lz;
        E -= lz;
        if (E > 1023) {
            bits = sign | (quint64(0x7FF) << 52);
        } else if (E >= -1022) {
            quint64 mant = RoundShift(m, 11);
            if (mant == (quint64(1) << 53)) {
                mant >>= 1;
                ++E;
            }
            if (E > 1023)
                bits = sign | (quint64(0x7FF) << 52);
            else
                bits = sign | (quint64(E + 1023) << 52) | (mant & ((quint64(1) << 52) - 1));
        } else {
            // Subnormal double (or zero); a carry into bit 52 gives the
            // smallest normal, which the same bit pattern expresses.
            bits = sign | RoundShift(m, -(E + 1011));
        }
    }
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// ---------------------------------------------------------------------------
// TFiler

TFiler::TFiler(TStream *Stream) : FStream(Stream), FCodePage(CP_ACP) {}

// ---------------------------------------------------------------------------
// TWriter

TWriter::TWriter(TStream *Stream) : TFiler(Stream) {}

void TWriter::WriteBytes(const void *Data, qint64 Count)
{
    FStream->WriteBuffer(Data, Count);
}

QByteArray TWriter::Encode8(const QString &Value) const
{
    return StringToCodePage(Value, FCodePage);
}

void TWriter::DefineProperty(const QString &Name, const TReaderProc &, const TWriterProc &WriteData, bool HasData)
{
    if (HasData && WriteData) {
        WritePropName(Name);
        WriteData(this);
    }
}

void TWriter::DefineBinaryProperty(const QString &Name, const TStreamProc &, const TStreamProc &WriteData,
                                   bool HasData)
{
    if (HasData && WriteData) {
        WritePropName(Name);
        TMemoryStream data;
        WriteData(&data);
        WriteBinary(QByteArray(static_cast<const char *>(data.Memory()), qsizetype(data.Size())));
    }
}

void TWriter::WriteValue(TValueType Value)
{
    const quint8 b = Value;
    WriteBytes(&b, 1);
}

void TWriter::WriteListBegin()
{
    WriteValue(vaList);
}

void TWriter::WriteListEnd()
{
    WriteValue(vaNull);
}

void TWriter::WriteInteger(int Value)
{
    quint8 buf[4];
    if (Value >= -128 && Value <= 127) {
        WriteValue(vaInt8);
        buf[0] = quint8(qint8(Value));
        WriteBytes(buf, 1);
    } else if (Value >= -32768 && Value <= 32767) {
        WriteValue(vaInt16);
        qToLittleEndian(qint16(Value), buf);
        WriteBytes(buf, 2);
    } else {
        WriteValue(vaInt32);
        qToLittleEndian(qint32(Value), buf);
        WriteBytes(buf, 4);
    }
}

void TWriter::WriteInteger(qint64 Value)
{
    if (Value >= std::numeric_limits<qint32>::min() && Value <= std::numeric_limits<qint32>::max()) {
        WriteInteger(int(Value));
        return;
    }
    WriteValue(vaInt64);
    quint8 buf[8];
    qToLittleEndian(Value, buf);
    WriteBytes(buf, 8);
}

void TWriter::WriteBoolean(bool Value)
{
    WriteValue(Value ? vaTrue : vaFalse);
}

void TWriter::WriteChar(char Value)
{
    WriteValue(vaString);
    const quint8 len = 1;
    WriteBytes(&len, 1);
    WriteBytes(&Value, 1);
}

void TWriter::WriteWideChar(QChar Value)
{
    WriteWideString(QString(Value));
}

void TWriter::WriteFloat(double Value)
{
    WriteValue(vaExtended);
    quint8 buf[10];
    DoubleToExtended(Value, buf);
    WriteBytes(buf, 10);
}

void TWriter::WriteSingle(float Value)
{
    WriteValue(vaSingle);
    quint32 bits;
    std::memcpy(&bits, &Value, 4);
    quint8 buf[4];
    qToLittleEndian(bits, buf);
    WriteBytes(buf, 4);
}

void TWriter::WriteCurrency(double Value)
{
    WriteValue(vaCurrency);
    const qint64 scaled = qint64(std::llround(Value * 10000.0));
    quint8 buf[8];
    qToLittleEndian(scaled, buf);
    WriteBytes(buf, 8);
}

void TWriter::WriteDate(double Value)
{
    WriteValue(vaDate);
    quint64 bits;
    std::memcpy(&bits, &Value, 8);
    quint8 buf[8];
    qToLittleEndian(bits, buf);
    WriteBytes(buf, 8);
}

void TWriter::WriteCounted(TValueType Value, qint64 Count, const void *Data, qint64 Size)
{
    WriteValue(Value);
    quint8 buf[4];
    qToLittleEndian(qint32(Count), buf);
    WriteBytes(buf, 4);
    WriteBytes(Data, Size);
}

void TWriter::WriteString(const QString &Value)
{
    const QByteArray bytes = Encode8(Value);
    if (bytes.size() <= 255) {
        WriteValue(vaString);
        WriteStrBytes(bytes);
    } else {
        WriteCounted(vaLString, bytes.size(), bytes.constData(), bytes.size());
    }
}

void TWriter::WriteLongString(const QString &Value)
{
    const QByteArray bytes = Encode8(Value);
    WriteCounted(vaLString, bytes.size(), bytes.constData(), bytes.size());
}

void TWriter::WriteWideString(const QString &Value)
{
    const QByteArray utf8 = Value.toUtf8();
    if (utf8.size() < Value.size() * 2) {
        WriteUTF8Str(Value);
        return;
    }
    QByteArray units(Value.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < Value.size(); ++i)
        qToLittleEndian(quint16(Value.at(i).unicode()), units.data() + 2 * i);
    WriteCounted(vaWString, Value.size(), units.constData(), units.size());
}

void TWriter::WriteUTF8Str(const QString &Value)
{
    const QByteArray utf8 = Value.toUtf8();
    WriteCounted(vaUTF8String, utf8.size(), utf8.constData(), utf8.size());
}

void TWriter::WriteIdent(const QString &Ident)
{
    if (StationRtti::SameName(Ident, u"False"))
        WriteValue(vaFalse);
    else if (StationRtti::SameName(Ident, u"True"))
        WriteValue(vaTrue);
    else if (StationRtti::SameName(Ident, u"Null"))
        WriteValue(vaNull);
    else if (StationRtti::SameName(Ident, u"nil"))
        WriteValue(vaNil);
    else {
        WriteValue(vaIdent);
        WriteStr(Ident);
    }
}

void TWriter::WriteStr(const QString &Value)
{
    WriteStrBytes(Encode8(Value));
}

void TWriter::WriteStrBytes(const QByteArray &Bytes)
{
    const qsizetype n = std::min<qsizetype>(Bytes.size(), 255);
    const quint8 len = quint8(n);
    WriteBytes(&len, 1);
    WriteBytes(Bytes.constData(), n);
}

void TWriter::WriteBinary(const QByteArray &Data)
{
    WriteCounted(vaBinary, Data.size(), Data.constData(), Data.size());
}

void TWriter::WriteSet(PTypeInfo SetType, quint32 Value)
{
    WriteValue(vaSet);
    PTypeInfo element = SetType ? SetType->CompType : nullptr;
    if (element)
        for (int i = 0; i < 32 && i < element->Names.size(); ++i)
            if (Value & (quint32(1) << i))
                WriteStr(element->Names.at(i));
    WriteStr(QString());
}

void TWriter::WriteVariant(const Variant &Value)
{
    switch (VarType(Value) & varTypeMask) {
    case varEmpty:
        WriteValue(vaNil);
        return;
    case varNull:
        WriteValue(vaNull);
        return;
    case varOleStr:
        WriteWideString(Value.AsString());
        return;
    case varString:
        WriteString(Value.AsString());
        return;
    case varByte:
    case varShortInt:
    case varWord:
    case varSmallint:
    case varInteger:
        WriteInteger(Value.AsInteger());
        return;
    case varLongWord:
    case varInt64:
        WriteInteger(Value.AsInt64());
        return;
    case varSingle:
        WriteSingle(float(Value.AsDouble()));
        return;
    case varDouble:
        WriteFloat(Value.AsDouble());
        return;
    case varCurrency:
        WriteCurrency(Value.AsDouble());
        return;
    case varDate:
        WriteDate(Value.AsDouble());
        return;
    case varBoolean:
        WriteBoolean(Value.AsBoolean());
        return;
    default:
        throw EWriteError(QStringLiteral("Unsupported property variant type"));
    }
}

void TWriter::WriteCollection(TCollection *Value)
{
    TPersistent *oldAncestor = FAncestor;
    FAncestor = nullptr;
    try {
        WriteValue(vaCollection);
        if (Value) {
            for (int i = 0; i < Value->Count(); ++i) {
                WriteListBegin();
                WriteProperties(Value->Items(i));
                WriteListEnd();
            }
        }
        WriteListEnd();
    } catch (...) {
        FAncestor = oldAncestor;
        throw;
    }
    FAncestor = oldAncestor;
}

void TWriter::WritePropName(const QString &Name)
{
    WriteStr(FPropPath + Name);
}

void TWriter::WriteProperties(TPersistent *Instance)
{
    for (PPropInfo p : Instance->ClassType()->Properties())
        if (p->IsStored(Instance))
            WriteProperty(Instance, p);
    Instance->DefineProperties(this);
}

void TWriter::WriteDefinedProperties(TPersistent *Instance)
{
    Instance->DefineProperties(this);
}

QString TWriter::ComponentValue(TComponent *Value) const
{
    if (Value->Owner() == FRoot)
        return Value->Name();
    if (Value == FRoot)
        return QStringLiteral("Owner");
    if (Value->Owner() && !Value->Owner()->Name().isEmpty() && !Value->Name().isEmpty())
        return Value->Owner()->Name() + QLatin1Char('.') + Value->Name();
    if (!Value->Name().isEmpty())
        return Value->Name() + QStringLiteral(".Owner");
    return QString();
}

void TWriter::WriteProperty(TPersistent *Instance, PPropInfo Prop)
{
    if (!Prop->IsWritable())
        return;
    // Compared with the ancestor when it is of the same class, else with the
    // declared default (ordinals) or the empty value.
    TPersistent *ancestor =
        FAncestor && FAncestor->ClassType() == Instance->ClassType() ? FAncestor : nullptr;
    PTypeInfo t = Prop->PropType();
    switch (t->Kind) {
    case tkInteger:
    case tkChar:
    case tkWChar:
    case tkEnumeration:
    case tkSet: {
        const qint64 v = Prop->GetOrd(Instance);
        if (ancestor ? v == Prop->GetOrd(ancestor) : (Prop->HasDefault() && v == Prop->Default()))
            return;
        WritePropName(Prop->Name());
        if (t->Kind == tkInteger)
            WriteInteger(v);
        else if (t->Kind == tkChar)
            WriteChar(char(quint8(v)));
        else if (t->Kind == tkWChar)
            WriteWideChar(QChar(char16_t(v)));
        else if (t->Kind == tkSet)
            WriteSet(t, quint32(v));
        else
            WriteIdent(GetEnumName(t, v));
        return;
    }
    case tkInt64: {
        const qint64 v = Prop->GetOrd(Instance);
        if (ancestor ? v == Prop->GetOrd(ancestor) : v == 0)
            return;
        WritePropName(Prop->Name());
        WriteInteger(v);
        return;
    }
    case tkFloat: {
        const double v = Prop->GetFloat(Instance);
        if (ancestor ? v == Prop->GetFloat(ancestor) : v == 0)
            return;
        WritePropName(Prop->Name());
        if (t == TypeInfoDateTime())
            WriteDate(v);
        else if (t->FloatType == ftSingle)
            WriteSingle(float(v));
        else if (t->FloatType == ftCurr)
            WriteCurrency(v);
        else
            WriteFloat(v);
        return;
    }
    case tkString:
    case tkLString:
    case tkWString: {
        const QString v = Prop->GetStr(Instance);
        if (ancestor ? v == Prop->GetStr(ancestor) : v.isEmpty())
            return;
        WritePropName(Prop->Name());
        if (t->Kind == tkWString)
            WriteWideString(v);
        else
            WriteString(v);
        return;
    }
    case tkVariant: {
        Variant v;
        Prop->GetVariant(Instance, v);
        if (ancestor) {
            Variant a;
            Prop->GetVariant(ancestor, a);
            if (VarType(a) == VarType(v) && VarToStr(a) == VarToStr(v))
                return;
        } else if (VarIsEmpty(v)) {
            return;
        }
        WritePropName(Prop->Name());
        WriteVariant(v);
        return;
    }
    case tkClass: {
        TObject *v = Prop->GetObject(Instance);
        TObject *a = ancestor ? Prop->GetObject(ancestor) : nullptr;
        if (!v) {
            if (a) {
                WritePropName(Prop->Name());
                WriteValue(vaNil);
            }
            return;
        }
        if (auto *component = dynamic_cast<TComponent *>(v)) {
            auto *ac = dynamic_cast<TComponent *>(a);
            if (ac && StationRtti::SameName(ac->Name(), component->Name()))
                return;
            const QString name = ComponentValue(component);
            if (name.isEmpty())
                return;
            WritePropName(Prop->Name());
            WriteIdent(name);
            return;
        }
        if (auto *persistent = dynamic_cast<TPersistent *>(v)) {
            // Nested objects write their own properties under "Prop.".
            const QString savedPath = FPropPath;
            TPersistent *savedAncestor = FAncestor;
            FPropPath += Prop->Name() + QLatin1Char('.');
            FAncestor = dynamic_cast<TPersistent *>(a);
            try {
                WriteProperties(persistent);
            } catch (...) {
                FPropPath = savedPath;
                FAncestor = savedAncestor;
                throw;
            }
            FPropPath = savedPath;
            FAncestor = savedAncestor;
            if (auto *collection = dynamic_cast<TCollection *>(persistent)) {
                WritePropName(Prop->Name());
                WriteCollection(collection);
            }
        }
        return;
    }
    default:
        // Method properties have no names to write here.
        return;
    }
}

// ---------------------------------------------------------------------------
// TReader

TReader::TReader(TStream *Stream) : TFiler(Stream) {}

void TReader::ReadBytes(void *Data, qint64 Count)
{
    FStream->ReadBuffer(Data, Count);
}

void TReader::PropValueError()
{
    throw EReadError(QStringLiteral("Invalid property value"));
}

QString TReader::Decode8(const QByteArray &Bytes) const
{
    return CodePageToString(Bytes, FCodePage);
}

void TReader::DefineProperty(const QString &Name, const TReaderProc &ReadData, const TWriterProc &, bool)
{
    if (ReadData && !FPropName.isEmpty() && StationRtti::SameName(Name, FPropName)) {
        ReadData(this);
        FPropName.clear();
    }
}

void TReader::DefineBinaryProperty(const QString &Name, const TStreamProc &ReadData, const TStreamProc &, bool)
{
    if (ReadData && !FPropName.isEmpty() && StationRtti::SameName(Name, FPropName)) {
        if (NextValue() != vaBinary) {
            SkipValue();
            FCanHandleExcepts = true;
            PropValueError();
        }
        const QByteArray data = ReadBinary();
        TMemoryStream stream;
        stream.WriteBuffer(data.constData(), data.size());
        stream.SetPosition(0);
        FCanHandleExcepts = true;
        ReadData(&stream);
        FPropName.clear();
    }
}

TValueType TReader::ReadValue()
{
    quint8 b;
    ReadBytes(&b, 1);
    return TValueType(b);
}

TValueType TReader::NextValue()
{
    const TValueType v = ReadValue();
    FStream->Seek(-1, soCurrent);
    return v;
}

bool TReader::EndOfList()
{
    return NextValue() == vaNull;
}

void TReader::CheckValue(TValueType Value)
{
    if (ReadValue() != Value) {
        FStream->Seek(-1, soCurrent);
        SkipValue();
        PropValueError();
    }
}

void TReader::ReadListBegin()
{
    CheckValue(vaList);
}

void TReader::ReadListEnd()
{
    CheckValue(vaNull);
}

int TReader::ReadInteger()
{
    quint8 buf[4];
    switch (ReadValue()) {
    case vaInt8:
        ReadBytes(buf, 1);
        return qint8(buf[0]);
    case vaInt16:
        ReadBytes(buf, 2);
        return qFromLittleEndian<qint16>(buf);
    case vaInt32:
        ReadBytes(buf, 4);
        return qFromLittleEndian<qint32>(buf);
    default:
        FStream->Seek(-1, soCurrent);
        PropValueError();
    }
}

qint64 TReader::ReadInt64()
{
    if (NextValue() == vaInt64) {
        ReadValue();
        quint8 buf[8];
        ReadBytes(buf, 8);
        return qFromLittleEndian<qint64>(buf);
    }
    return ReadInteger();
}

bool TReader::ReadBoolean()
{
    switch (ReadValue()) {
    case vaTrue:
        return true;
    case vaFalse:
        return false;
    default:
        FStream->Seek(-1, soCurrent);
        PropValueError();
    }
}

char TReader::ReadChar()
{
    CheckValue(vaString);
    quint8 len;
    ReadBytes(&len, 1);
    if (len != 1) {
        QByteArray skip(len, '\0');
        ReadBytes(skip.data(), len);
        PropValueError();
    }
    char c;
    ReadBytes(&c, 1);
    return c;
}

QChar TReader::ReadWideChar()
{
    const TValueType next = NextValue();
    if (next == vaWString || next == vaUTF8String) {
        const QString w = ReadWideString();
        if (w.size() != 1)
            PropValueError();
        return w.at(0);
    }
    return QChar(char16_t(quint8(ReadChar())));
}

double TReader::ReadFloat()
{
    switch (NextValue()) {
    case vaExtended: {
        ReadValue();
        quint8 buf[10];
        ReadBytes(buf, 10);
        return ExtendedToDouble(buf);
    }
    case vaSingle:
        return ReadSingle();
    case vaCurrency:
        return ReadCurrency();
    case vaDate:
        return ReadDate();
    case vaInt64:
        return double(ReadInt64());
    default:
        return ReadInteger();
    }
}

float TReader::ReadSingle()
{
    CheckValue(vaSingle);
    quint8 buf[4];
    ReadBytes(buf, 4);
    const quint32 bits = qFromLittleEndian<quint32>(buf);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

double TReader::ReadCurrency()
{
    CheckValue(vaCurrency);
    quint8 buf[8];
    ReadBytes(buf, 8);
    return double(qFromLittleEndian<qint64>(buf)) / 10000.0;
}

double TReader::ReadDate()
{
    CheckValue(vaDate);
    quint8 buf[8];
    ReadBytes(buf, 8);
    const quint64 bits = qFromLittleEndian<quint64>(buf);
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

qint64 TReader::ReadCount()
{
    quint8 buf[4];
    ReadBytes(buf, 4);
    return qFromLittleEndian<qint32>(buf);
}

QByteArray TReader::ReadSized(qint64 Size)
{
    // A count beyond the bytes left is refused before anything is allocated.
    if (Size < 0 || Size > FStream->Size() - FStream->Position())
        throw EReadError(QStringLiteral("Stream read error"));
    QByteArray bytes(qsizetype(Size), Qt::Uninitialized);
    ReadBytes(bytes.data(), Size);
    return bytes;
}

QString TReader::ReadString()
{
    switch (NextValue()) {
    case vaWString:
    case vaUTF8String:
        return ReadWideString();
    case vaString:
        ReadValue();
        return ReadStr();
    case vaLString:
        ReadValue();
        return Decode8(ReadSized(ReadCount()));
    default:
        PropValueError();
    }
}

QString TReader::ReadWideString()
{
    switch (NextValue()) {
    case vaString:
    case vaLString:
        return ReadString();
    case vaWString: {
        ReadValue();
        const qint64 len = ReadCount();
        const QByteArray bytes = ReadSized(len < 0 ? -1 : len * 2);
        QString s(qsizetype(len), Qt::Uninitialized);
        for (qsizetype i = 0; i < len; ++i)
            s[i] = QChar(qFromLittleEndian<quint16>(bytes.constData() + 2 * i));
        return s;
    }
    case vaUTF8String:
        ReadValue();
        return QString::fromUtf8(ReadSized(ReadCount()));
    default:
        PropValueError();
    }
}

QString TReader::ReadStr()
{
    quint8 len;
    ReadBytes(&len, 1);
    return Decode8(ReadSized(len));
}

QString TReader::ReadIdent()
{
    switch (ReadValue()) {
    case vaIdent:
        return ReadStr();
    case vaFalse:
        return QStringLiteral("False");
    case vaTrue:
        return QStringLiteral("True");
    case vaNil:
        return QStringLiteral("nil");
    case vaNull:
        return QStringLiteral("Null");
    default:
        FStream->Seek(-1, soCurrent);
        PropValueError();
    }
}

QByteArray TReader::ReadBinary()
{
    CheckValue(vaBinary);
    return ReadSized(ReadCount());
}

quint32 TReader::ReadSet(PTypeInfo SetType)
{
    CheckValue(vaSet);
    PTypeInfo element = SetType ? SetType->CompType : nullptr;
    quint32 result = 0;
    for (;;) {
        const QString name = ReadStr();
        if (name.isEmpty())
            break;
        const int v = GetEnumValue(element, name);
        if (v < 0) {
            SkipSetBody();
            PropValueError();
        }
        result |= quint32(1) << v;
    }
    return result;
}

Variant TReader::ReadVariant()
{
    switch (NextValue()) {
    case vaNil:
        ReadValue();
        return Variant();
    case vaNull:
        ReadValue();
        return Null();
    case vaInt8:
    case vaInt16:
    case vaInt32:
        return Variant(ReadInteger());
    case vaInt64:
        return Variant(ReadInt64());
    case vaExtended:
        return Variant(ReadFloat());
    case vaSingle:
        return Variant(ReadSingle());
    case vaCurrency:
        return Variant::FromCurrency(ReadCurrency());
    case vaDate:
        return Variant::FromDate(ReadDate());
    case vaString:
    case vaLString:
        return Variant(ReadString());
    case vaWString:
    case vaUTF8String:
        return Variant::FromOleStr(ReadWideString());
    case vaFalse:
    case vaTrue:
        return Variant(ReadBoolean());
    default:
        throw EReadError(QStringLiteral("Stream read error"));
    }
}

void TReader::ReadCollection(TCollection *Collection)
{
    Collection->BeginUpdate();
    try {
        if (!EndOfList())
            Collection->Clear();
        while (!EndOfList()) {
            // An item may be preceded by its index.
            const TValueType next = NextValue();
            if (next == vaInt8 || next == vaInt16 || next == vaInt32)
                ReadInteger();
            TCollectionItem *item = Collection->Add();
            ReadListBegin();
            while (!EndOfList())
                ReadProperty(item);
            ReadListEnd();
        }
        ReadListEnd();
    } catch (...) {
        Collection->EndUpdate();
        throw;
    }
    Collection->EndUpdate();
}

bool TReader::Error(const QString &Message)
{
    bool handled = false;
    if (FOnError)
        FOnError(this, Message, handled);
    return handled;
}

void TReader::ReadProperty(TPersistent *AInstance)
{
    QString propPath;
    try {
        try {
            propPath = ReadStr();
            TPersistent *instance = AInstance;
            FCanHandleExcepts = true;
            const QStringList parts = propPath.split(QLatin1Char('.'));
            for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
                FPropName = parts.at(i);
                PPropInfo p = instance->ClassType()->FindProp(FPropName);
                if (!p) {
                    SkipValue();
                    throw EReadError(QStringLiteral("Property %1 does not exist").arg(FPropName));
                }
                TPersistent *next = p->Kind() == tkClass ? dynamic_cast<TPersistent *>(p->GetObject(instance)) : nullptr;
                if (!next) {
                    SkipValue();
                    throw EReadError(QStringLiteral("Invalid property path"));
                }
                instance = next;
            }
            FPropName = parts.constLast();
            PPropInfo p = instance->ClassType()->FindProp(FPropName);
            if (p) {
                ReadPropValue(instance, p);
            } else {
                // A defined property's reader may leave the stream anywhere.
                FCanHandleExcepts = false;
                instance->DefineProperties(this);
                FCanHandleExcepts = true;
                if (!FPropName.isEmpty()) {
                    SkipValue();
                    throw EReadError(QStringLiteral("Property %1 does not exist").arg(FPropName));
                }
            }
        } catch (const Exception &e) {
            QString name;
            if (auto *c = dynamic_cast<TComponent *>(AInstance))
                name = c->Name();
            if (name.isEmpty())
                name = AInstance->ClassName();
            // Picture data that cannot be decoded keeps its kind and text:
            // the caller tells it from a property it merely does not know,
            // and names the object that owns the picture.
            if (dynamic_cast<const EInvalidGraphic *>(&e))
                throw EInvalidGraphic(e.Message());
            throw EReadError(QStringLiteral("Error reading %1.%2: %3").arg(name, propPath, e.Message()));
        }
    } catch (const Exception &e) {
        if (!FCanHandleExcepts || !Error(e.Message()))
            throw;
    }
}

TComponent *TReader::FindComponentInstance(const QString &Name)
{
    TComponent *found = nullptr;
    if (FOnFindComponentInstance) {
        FOnFindComponentInstance(this, Name, found);
        if (found)
            return found;
    }
    if (!FRoot)
        return nullptr;
    if (StationRtti::SameName(Name, u"Owner") || StationRtti::SameName(Name, FRoot->Name()))
        return FRoot;
    return FRoot->FindComponent(Name);
}

void TReader::ReadPropValue(TPersistent *Instance, PPropInfo Prop)
{
    PTypeInfo t = Prop->PropType();
    // An owned object read into in place (a collection) needs no setter.
    const bool inPlace = t->Kind == tkClass && NextValue() == vaCollection;
    if (!Prop->IsWritable() && !inPlace) {
        SkipValue();
        throw EReadError(QStringLiteral("Property is read-only"));
    }
    switch (t->Kind) {
    case tkInteger:
        Prop->SetOrd(Instance, ReadInt64());
        return;
    case tkInt64:
        Prop->SetOrd(Instance, ReadInt64());
        return;
    case tkChar:
        Prop->SetOrd(Instance, quint8(ReadChar()));
        return;
    case tkWChar:
        Prop->SetOrd(Instance, ReadWideChar().unicode());
        return;
    case tkEnumeration: {
        const QString ident = ReadIdent();
        const int v = GetEnumValue(t, ident);
        if (v < 0)
            PropValueError();
        Prop->SetOrd(Instance, v);
        return;
    }
    case tkSet:
        Prop->SetOrd(Instance, ReadSet(t));
        return;
    case tkFloat:
        Prop->SetFloat(Instance, ReadFloat());
        return;
    case tkString:
    case tkLString:
    case tkWString:
        Prop->SetStr(Instance, ReadWideString());
        return;
    case tkVariant:
        Prop->SetVariant(Instance, ReadVariant());
        return;
    case tkClass:
        switch (NextValue()) {
        case vaNil:
            ReadValue();
            Prop->SetObject(Instance, nullptr);
            return;
        case vaCollection: {
            ReadValue();
            auto *collection = dynamic_cast<TCollection *>(Prop->GetObject(Instance));
            if (!collection) {
                SkipCollection();
                PropValueError();
            }
            ReadCollection(collection);
            return;
        }
        default: {
            const QString name = ReadIdent();
            if (TComponent *c = FindComponentInstance(name))
                Prop->SetObject(Instance, c);
            else
                FFixups.push_back({Instance, Prop, name});
            return;
        }
        }
    case tkMethod:
        // Handlers are installed by the program, not found by name here.
        if (NextValue() == vaNil) {
            ReadValue();
            Prop->SetMethod(Instance, TMethod());
        } else {
            ReadIdent();
        }
        return;
    default:
        SkipValue();
        PropValueError();
    }
}

void TReader::FixupReferences()
{
    std::vector<Fixup> pending;
    pending.swap(FFixups);
    for (const Fixup &f : pending) {
        if (TComponent *c = FindComponentInstance(f.Name))
            f.Prop->SetObject(f.Instance, c);
        else
            FFixups.push_back(f);
    }
}

void TReader::SkipSetBody()
{
    while (!ReadStr().isEmpty()) {
    }
}

void TReader::SkipProperty()
{
    ReadStr();
    SkipValue();
}

void TReader::SkipCollection()
{
    while (!EndOfList()) {
        const TValueType next = NextValue();
        if (next == vaInt8 || next == vaInt16 || next == vaInt32)
            SkipValue();
        CheckValue(vaList);
        while (!EndOfList())
            SkipProperty();
        ReadListEnd();
    }
    ReadListEnd();
}

void TReader::SkipValue()
{
    // Nesting deeper than any real data is refused rather than recursed into.
    if (FSkipDepth >= 256)
        throw EReadError(QStringLiteral("Invalid stream format"));
    struct Depth
    {
        int &D;
        explicit Depth(int &d) : D(d) { ++D; }
        ~Depth() { --D; }
    } depth(FSkipDepth);

    auto skip = [this](qint64 n) {
        if (n < 0 || n > FStream->Size() - FStream->Position())
            throw EReadError(QStringLiteral("Stream read error"));
        FStream->Seek(n, soCurrent);
    };
    switch (ReadValue()) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil:
        return;
    case vaList:
        while (!EndOfList())
            SkipValue();
        ReadListEnd();
        return;
    case vaInt8:
        skip(1);
        return;
    case vaInt16:
        skip(2);
        return;
    case vaInt32:
    case vaSingle:
        skip(4);
        return;
    case vaExtended:
        skip(10);
        return;
    case vaString:
    case vaIdent:
        ReadStr();
        return;
    case vaBinary:
    case vaLString:
    case vaUTF8String:
        skip(ReadCount());
        return;
    case vaWString:
        skip(ReadCount() * 2);
        return;
    case vaSet:
        SkipSetBody();
        return;
    case vaCollection:
        SkipCollection();
        return;
    case vaCurrency:
    case vaDate:
    case vaInt64:
        skip(8);
        return;
    default:
        PropValueError();
    }
}
