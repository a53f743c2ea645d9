// Implementation of INI files of the class library.
#include "IniFiles.h"
#include "CodePages.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>

STATION_PUBLISHED(TCustomIniFile) {}
STATION_PUBLISHED(TIniFile) {}
STATION_PUBLISHED(TMemIniFile) {}

namespace {

// Strict UTF-8: well-formed sequences, no overlong forms, no surrogates.
bool IsUtf8(const QByteArray &Bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(Bytes.constData());
    const qsizetype n = Bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned c = p[i];
        int extra = 0;
        unsigned min = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            min = 0x10000;
        } else {
            return false;
        }
        if (i + extra >= n)
            return false;
        unsigned cp = c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

QString DecodeLine(const QByteArray &Bytes, bool Utf8)
{
    return Utf8 ? QString::fromUtf8(Bytes) : CodePageToString(Bytes, 936);
}

QByteArray EncodeLine(const QString &Text, bool Utf8)
{
    return Utf8 ? Text.toUtf8() : StringToCodePage(Text, 936);
}

// Missing file: no bytes.
QByteArray ReadFileBytes(const QString &FileName)
{
    QFile f(FileName);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

void WriteFileBytes(const QString &FileName, const QByteArray &Bytes)
{
    // Written aside and renamed, so a failure never leaves half a file.
    QSaveFile f(FileName);
    f.setDirectWriteFallback(true);
    if (!f.open(QIODevice::WriteOnly) || f.write(Bytes) != Bytes.size() || !f.commit())
        throw EIniFileException(QStringLiteral("Unable to write to %1").arg(FileName));
}

bool SameName(const QString &A, const QString &B)
{
    return A.compare(B, Qt::CaseInsensitive) == 0;
}

// Trimmed Line opening with '[' heads a section. Text after the closing
// bracket is ignored ("[Scale] ; port"), unless the line ends with ']': then
// the name is all between the outer brackets, so a name holding ']' reads back
// as it was written. Without any ']' the name runs to the end of the line.
bool SectionHeader(const QString &Line, QString &Name)
{
    if (!Line.startsWith(QLatin1Char('[')))
        return false;
    qsizetype close = Line.size() - 1;
    if (close == 0 || Line[close] != QLatin1Char(']')) {
        close = Line.indexOf(QLatin1Char(']'), 1);
        if (close < 0)
            close = Line.size();
    }
    Name = Line.mid(1, close - 1).trimmed();
    return true;
}

bool HasNonAscii(const QByteArray &Bytes)
{
    return std::any_of(Bytes.cbegin(), Bytes.cend(), [](char C) { return static_cast<unsigned char>(C) >= 0x80; });
}

// GBK bytes that happen to be valid UTF-8 would be read as UTF-8 next time,
// changing every value with non-ASCII text. This happens when a write drops
// the last bytes that were not UTF-8; such a file is then kept as UTF-8.
bool MustTurnUtf8(const QByteArray &GbkBytes)
{
    return HasNonAscii(GbkBytes) && IsUtf8(GbkBytes);
}

// One line of an INI file as it is on disk, with what it means.
struct TRawLine {
    enum Kind { Blank, Comment, Section, KeyValue, Other };
    QByteArray Bytes; // without the line end
    QByteArray Eol;   // "\r\n", "\n" or "" for a last line without one
    Kind K = Other;
    QString Name;     // section name or key, trimmed
    QString Value;    // value, trimmed
};

struct TRawFile {
    std::vector<TRawLine> Lines;
    bool Utf8 = true;
    QByteArray Eol = "\r\n"; // line end used for new lines

    void Parse(const QByteArray &Data)
    {
        Utf8 = Data.isEmpty() || IsUtf8(Data);
        Lines.clear();
        qsizetype pos = 0;
        bool sawLf = false, sawCrLf = false;
        while (pos < Data.size()) {
            qsizetype nl = Data.indexOf('\n', pos);
            TRawLine line;
            if (nl < 0) {
                line.Bytes = Data.mid(pos);
                pos = Data.size();
            } else {
                qsizetype end = nl;
                if (end > pos && Data[end - 1] == '\r') {
                    --end;
                    line.Eol = "\r\n";
                    sawCrLf = true;
                } else {
                    line.Eol = "\n";
                    sawLf = true;
                }
                line.Bytes = Data.mid(pos, end - pos);
                pos = nl + 1;
            }
            Classify(line);
            Lines.push_back(std::move(line));
        }
        if (sawLf && !sawCrLf)
            Eol = "\n";
    }

    void Classify(TRawLine &L) const
    {
        QString t = DecodeLine(L.Bytes, Utf8);
        if (t.startsWith(QChar(0xFEFF)))
            t.remove(0, 1); // a byte-order mark before the first line
        t = t.trimmed();
        if (t.isEmpty()) {
            L.K = TRawLine::Blank;
        } else if (t.startsWith(QLatin1Char(';'))) {
            L.K = TRawLine::Comment;
        } else if (SectionHeader(t, L.Name)) {
            L.K = TRawLine::Section;
        } else if (const qsizetype eq = t.indexOf(QLatin1Char('=')); eq >= 0) {
            L.K = TRawLine::KeyValue;
            L.Name = t.left(eq).trimmed();
            L.Value = t.mid(eq + 1).trimmed();
        } else {
            L.K = TRawLine::Other;
        }
    }

    QByteArray Join() const
    {
        QByteArray out;
        for (const TRawLine &l : Lines)
            out += l.Bytes + l.Eol;
        if (!Utf8 && MustTurnUtf8(out)) {
            out.clear();
            for (const TRawLine &l : Lines)
                out += EncodeLine(DecodeLine(l.Bytes, false), true) + l.Eol;
        }
        return out;
    }

    // Index of the first header of Section, or -1.
    int FindSection(const QString &Section) const
    {
        for (size_t i = 0; i < Lines.size(); ++i)
            if (Lines[i].K == TRawLine::Section && SameName(Lines[i].Name, Section))
                return int(i);
        return -1;
    }

    // One past the last line belonging to the section whose header is at H.
    int SectionEnd(int H) const
    {
        size_t i = size_t(H) + 1;
        while (i < Lines.size() && Lines[i].K != TRawLine::Section)
            ++i;
        return int(i);
    }

    int FindKey(int H, const QString &Ident) const
    {
        const int end = SectionEnd(H);
        for (int i = H + 1; i < end; ++i)
            if (Lines[size_t(i)].K == TRawLine::KeyValue && SameName(Lines[size_t(i)].Name, Ident))
                return i;
        return -1;
    }

    TRawLine MakeLine(const QString &Text) const
    {
        TRawLine l;
        l.Bytes = EncodeLine(Text, Utf8);
        l.Eol = Eol;
        Classify(l);
        return l;
    }

    // The last line before Pos must end with a line end before more follow.
    void EndLastLine(size_t Pos)
    {
        if (Pos > 0 && Lines[Pos - 1].Eol.isEmpty())
            Lines[Pos - 1].Eol = Eol;
    }
};

TRawFile LoadRaw(const QString &FileName)
{
    TRawFile f;
    f.Parse(ReadFileBytes(FileName));
    return f;
}

QString Unquote(const QString &V)
{
    if (V.size() >= 2) {
        const QChar q = V.front();
        if ((q == QLatin1Char('"') || q == QLatin1Char('\'')) && V.back() == q)
            return V.mid(1, V.size() - 2);
    }
    return V;
}

} // namespace

// ------------------------------------------------------------------ TCustomIniFile

int TCustomIniFile::ReadInteger(const QString &Section, const QString &Ident, int Default)
{
    QString s = ReadString(Section, Ident, QString());
    if (s.size() > 2 && s[0] == QLatin1Char('0') && (s[1] == QLatin1Char('x') || s[1] == QLatin1Char('X')))
        s = QLatin1Char('$') + s.mid(2);
    return StrToIntDef(s, Default);
}

void TCustomIniFile::WriteInteger(const QString &Section, const QString &Ident, int Value)
{
    WriteString(Section, Ident, IntToStr(Value));
}

bool TCustomIniFile::ReadBool(const QString &Section, const QString &Ident, bool Default)
{
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const QString &Section, const QString &Ident, bool Value)
{
    WriteString(Section, Ident, Value ? QStringLiteral("1") : QStringLiteral("0"));
}

TDateTime TCustomIniFile::ReadDate(const QString &Section, const QString &Name, TDateTime Default)
{
    TDateTime v = Default;
    const QString s = ReadString(Section, Name, QString());
    if (!s.isEmpty() && TryStrToDate(s, v))
        return v;
    return Default;
}

TDateTime TCustomIniFile::ReadDateTime(const QString &Section, const QString &Name, TDateTime Default)
{
    TDateTime v = Default;
    const QString s = ReadString(Section, Name, QString());
    if (!s.isEmpty() && TryStrToDateTime(s, v))
        return v;
    return Default;
}

TDateTime TCustomIniFile::ReadTime(const QString &Section, const QString &Name, TDateTime Default)
{
    TDateTime v = Default;
    const QString s = ReadString(Section, Name, QString());
    if (!s.isEmpty() && TryStrToTime(s, v))
        return v;
    return Default;
}

double TCustomIniFile::ReadFloat(const QString &Section, const QString &Name, double Default)
{
    double v = Default;
    const QString s = ReadString(Section, Name, QString());
    if (!s.isEmpty() && TryStrToFloat(s, v))
        return v;
    return Default;
}

void TCustomIniFile::WriteDate(const QString &Section, const QString &Name, TDateTime Value)
{
    WriteString(Section, Name, DateToStr(Value));
}

void TCustomIniFile::WriteDateTime(const QString &Section, const QString &Name, TDateTime Value)
{
    WriteString(Section, Name, DateTimeToStr(Value));
}

void TCustomIniFile::WriteFloat(const QString &Section, const QString &Name, double Value)
{
    WriteString(Section, Name, FloatToStr(Value));
}

void TCustomIniFile::WriteTime(const QString &Section, const QString &Name, TDateTime Value)
{
    WriteString(Section, Name, TimeToStr(Value));
}

int TCustomIniFile::ReadBinaryStream(const QString &Section, const QString &Name, TStream *Value)
{
    const QString text = ReadString(Section, Name, QString());
    if (text.isEmpty() || !Value)
        return 0;
    const QByteArray bytes = HexToBin(text);
    if (bytes.isEmpty())
        return 0;
    const qint64 pos = Value->Position();
    Value->WriteBuffer(bytes.constData(), bytes.size());
    Value->SetPosition(pos);
    return int(bytes.size());
}

void TCustomIniFile::WriteBinaryStream(const QString &Section, const QString &Name, TStream *Value)
{
    QByteArray bytes;
    if (Value) {
        const qint64 pos = Value->Position();
        bytes.resize(qsizetype(Value->Size()));
        Value->SetPosition(0);
        if (!bytes.isEmpty())
            Value->ReadBuffer(bytes.data(), bytes.size());
        Value->SetPosition(pos);
    }
    WriteString(Section, Name, BinToHex(bytes));
}

bool TCustomIniFile::SectionExists(const QString &Section)
{
    TStringList keys;
    ReadSection(Section, &keys);
    return keys.Count() > 0;
}

bool TCustomIniFile::ValueExists(const QString &Section, const QString &Ident)
{
    TStringList keys;
    ReadSection(Section, &keys);
    for (int i = 0; i < keys.Count(); ++i)
        if (SameName(keys.Strings(i), Ident))
            return true;
    return false;
}

void TCustomIniFile::ReadSectionValues(const QString &Section, TStrings *Strings)
{
    TStringList keys;
    ReadSection(Section, &keys);
    Strings->BeginUpdate();
    Strings->Clear();
    for (int i = 0; i < keys.Count(); ++i)
        Strings->Add(keys.Strings(i) + QLatin1Char('=') + ReadString(Section, keys.Strings(i), QString()));
    Strings->EndUpdate();
}

// ------------------------------------------------------------------ TIniFile

QString TIniFile::ReadString(const QString &Section, const QString &Ident, const QString &Default)
{
    const TRawFile f = LoadRaw(FFileName);
    const int h = f.FindSection(Section);
    if (h < 0)
        return Default;
    const int k = f.FindKey(h, Ident);
    if (k < 0)
        return Default;
    return Unquote(f.Lines[size_t(k)].Value);
}

void TIniFile::WriteString(const QString &Section, const QString &Ident, const QString &Value)
{
    TRawFile f = LoadRaw(FFileName);
    const QString text = Ident.trimmed() + QLatin1Char('=') + Value;
    const int h = f.FindSection(Section);
    if (h < 0) {
        const size_t n = f.Lines.size();
        f.EndLastLine(n);
        if (n > 0 && f.Lines[n - 1].K != TRawLine::Blank)
            f.Lines.push_back(f.MakeLine(QString()));
        f.Lines.push_back(f.MakeLine(QLatin1Char('[') + Section.trimmed() + QLatin1Char(']')));
        f.Lines.push_back(f.MakeLine(text));
    } else if (const int k = f.FindKey(h, Ident); k >= 0) {
        // The key keeps its spelling in the file; only the value changes.
        TRawLine &l = f.Lines[size_t(k)];
        const QByteArray eol = l.Eol;
        l = f.MakeLine(l.Name + QLatin1Char('=') + Value);
        l.Eol = eol;
    } else {
        // After the section's last non-blank line.
        int at = f.SectionEnd(h);
        while (at - 1 > h && f.Lines[size_t(at - 1)].K == TRawLine::Blank)
            --at;
        f.EndLastLine(size_t(at));
        TRawLine l = f.MakeLine(text);
        if (size_t(at) == f.Lines.size() && at > 0 && f.Lines[size_t(at - 1)].Eol.isEmpty())
            l.Eol = f.Eol;
        f.Lines.insert(f.Lines.begin() + at, l);
    }
    WriteFileBytes(FFileName, f.Join());
}

void TIniFile::ReadSection(const QString &Section, TStrings *Strings)
{
    const TRawFile f = LoadRaw(FFileName);
    Strings->BeginUpdate();
    Strings->Clear();
    if (const int h = f.FindSection(Section); h >= 0) {
        const int end = f.SectionEnd(h);
        for (int i = h + 1; i < end; ++i)
            if (f.Lines[size_t(i)].K == TRawLine::KeyValue)
                Strings->Add(f.Lines[size_t(i)].Name);
    }
    Strings->EndUpdate();
}

void TIniFile::ReadSections(TStrings *Strings)
{
    const TRawFile f = LoadRaw(FFileName);
    Strings->BeginUpdate();
    Strings->Clear();
    QStringList seen;
    for (const TRawLine &l : f.Lines)
        if (l.K == TRawLine::Section && !seen.contains(l.Name, Qt::CaseInsensitive)) {
            seen << l.Name;
            Strings->Add(l.Name);
        }
    Strings->EndUpdate();
}

void TIniFile::ReadSectionValues(const QString &Section, TStrings *Strings)
{
    TCustomIniFile::ReadSectionValues(Section, Strings);
}

void TIniFile::EraseSection(const QString &Section)
{
    TRawFile f = LoadRaw(FFileName);
    const int h = f.FindSection(Section);
    if (h < 0)
        return;
    f.Lines.erase(f.Lines.begin() + h, f.Lines.begin() + f.SectionEnd(h));
    WriteFileBytes(FFileName, f.Join());
}

void TIniFile::DeleteKey(const QString &Section, const QString &Ident)
{
    TRawFile f = LoadRaw(FFileName);
    const int h = f.FindSection(Section);
    if (h < 0)
        return;
    const int k = f.FindKey(h, Ident);
    if (k < 0)
        return;
    f.Lines.erase(f.Lines.begin() + k);
    WriteFileBytes(FFileName, f.Join());
}

// ------------------------------------------------------------------ TMemIniFile

TMemIniFile::TMemIniFile(const QString &FileName) : TCustomIniFile(FileName)
{
    LoadValues();
}

void TMemIniFile::LoadValues()
{
    const QByteArray data = ReadFileBytes(FFileName);
    FUtf8 = data.isEmpty() || IsUtf8(data);
    QString text = FUtf8 ? QString::fromUtf8(data) : CodePageToString(data, 936);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\r') || text[i] == QLatin1Char('\n')) {
            lines << text.mid(start, i - start);
            if (text[i] == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            start = i + 1;
        }
    }
    if (start < text.size())
        lines << text.mid(start);
    SetLines(lines);
}

void TMemIniFile::SetLines(const QStringList &Lines)
{
    FSections.clear();
    TSection *cur = nullptr;
    for (const QString &raw : Lines) {
        const QString s = raw.trimmed();
        if (s.isEmpty() || s.startsWith(QLatin1Char(';')))
            continue;
        if (QString name; SectionHeader(s, name)) {
            cur = Find(name);
            if (!cur) {
                FSections.push_back({name, {}});
                cur = &FSections.back();
            }
            continue;
        }
        if (!cur)
            continue;
        const qsizetype eq = s.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        cur->Values.push_back({s.left(eq).trimmed(), s.mid(eq + 1).trimmed()});
    }
}

TMemIniFile::TSection *TMemIniFile::Find(const QString &Section)
{
    for (TSection &s : FSections)
        if (SameName(s.Name, Section))
            return &s;
    return nullptr;
}

void TMemIniFile::AddSection(const QString &Section)
{
    if (!Find(Section))
        FSections.push_back({Section, {}});
}

QString TMemIniFile::ReadString(const QString &Section, const QString &Ident, const QString &Default)
{
    if (TSection *s = Find(Section))
        for (const auto &[k, v] : s->Values)
            if (SameName(k, Ident))
                return v;
    return Default;
}

void TMemIniFile::WriteString(const QString &Section, const QString &Ident, const QString &Value)
{
    AddSection(Section);
    TSection *s = Find(Section);
    for (auto &[k, v] : s->Values)
        if (SameName(k, Ident)) {
            v = Value;
            return;
        }
    s->Values.push_back({Ident, Value});
}

void TMemIniFile::ReadSection(const QString &Section, TStrings *Strings)
{
    Strings->BeginUpdate();
    Strings->Clear();
    if (TSection *s = Find(Section))
        for (const auto &kv : s->Values)
            Strings->Add(kv.first);
    Strings->EndUpdate();
}

void TMemIniFile::ReadSections(TStrings *Strings)
{
    Strings->BeginUpdate();
    Strings->Clear();
    for (const TSection &s : FSections)
        Strings->Add(s.Name);
    Strings->EndUpdate();
}

void TMemIniFile::ReadSectionValues(const QString &Section, TStrings *Strings)
{
    Strings->BeginUpdate();
    Strings->Clear();
    if (TSection *s = Find(Section))
        for (const auto &[k, v] : s->Values)
            Strings->Add(k + QLatin1Char('=') + v);
    Strings->EndUpdate();
}

void TMemIniFile::EraseSection(const QString &Section)
{
    for (auto it = FSections.begin(); it != FSections.end(); ++it)
        if (SameName(it->Name, Section)) {
            FSections.erase(it);
            return;
        }
}

void TMemIniFile::DeleteKey(const QString &Section, const QString &Ident)
{
    if (TSection *s = Find(Section))
        for (auto it = s->Values.begin(); it != s->Values.end(); ++it)
            if (SameName(it->first, Ident)) {
                s->Values.erase(it);
                return;
            }
}

void TMemIniFile::Clear()
{
    FSections.clear();
}

void TMemIniFile::GetStrings(TStrings *List)
{
    List->BeginUpdate();
    List->Clear();
    for (const TSection &s : FSections) {
        List->Add(QLatin1Char('[') + s.Name + QLatin1Char(']'));
        for (const auto &[k, v] : s.Values)
            List->Add(k + QLatin1Char('=') + v);
        List->Add(QString());
    }
    List->EndUpdate();
}

void TMemIniFile::SetStrings(TStrings *List)
{
    QStringList lines;
    for (int i = 0; i < List->Count(); ++i)
        lines << List->Strings(i);
    SetLines(lines);
}

void TMemIniFile::Rename(const QString &FileName, bool Reload)
{
    FFileName = FileName;
    if (Reload)
        LoadValues();
}

void TMemIniFile::UpdateFile()
{
    QStringList lines;
    for (const TSection &s : FSections) {
        lines << QLatin1Char('[') + s.Name + QLatin1Char(']');
        for (const auto &[k, v] : s.Values)
            lines << k + QLatin1Char('=') + v;
        lines << QString();
    }
    auto encode = [&lines](bool Utf8) {
        QByteArray out;
        for (const QString &l : lines)
            out += EncodeLine(l, Utf8) + "\r\n";
        return out;
    };
    QByteArray out = encode(FUtf8);
    if (!FUtf8 && MustTurnUtf8(out)) {
        FUtf8 = true;
        out = encode(true);
    }
    WriteFileBytes(FFileName, out);
}
