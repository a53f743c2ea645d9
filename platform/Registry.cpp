// Implementation of the system registry of the class library.
#include "Registry.h"
#include "IniFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstring>

STATION_PUBLISHED(TRegistry) {}
STATION_PUBLISHED(TRegIniFile) {}
#include <memory>

namespace {

struct TStore {
    QString FileName;
    std::unique_ptr<TMemIniFile> Ini;
};

QString &StoreOverride()
{
    static QString name;
    return name;
}

QString DefaultStoreFileName()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/registry.ini");
}

// The process-wide store, loaded on first use and again when its file changes name.
TMemIniFile &Store()
{
    static TStore store;
    const QString name = TRegistry::StoreFileName();
    if (!store.Ini || store.FileName != name) {
        store.FileName = name;
        store.Ini = std::make_unique<TMemIniFile>(name);
    }
    return *store.Ini;
}

void SaveStore()
{
    const QString name = TRegistry::StoreFileName();
    QDir().mkpath(QFileInfo(name).absolutePath());
    Store().UpdateFile();
}

QString RootName(HKEY Root)
{
    switch (Root) {
    case HKEY_CLASSES_ROOT: return QStringLiteral("HKEY_CLASSES_ROOT");
    case HKEY_CURRENT_USER: return QStringLiteral("HKEY_CURRENT_USER");
    case HKEY_LOCAL_MACHINE: return QStringLiteral("HKEY_LOCAL_MACHINE");
    case HKEY_USERS: return QStringLiteral("HKEY_USERS");
    case HKEY_PERFORMANCE_DATA: return QStringLiteral("HKEY_PERFORMANCE_DATA");
    case HKEY_CURRENT_CONFIG: return QStringLiteral("HKEY_CURRENT_CONFIG");
    case HKEY_DYN_DATA: return QStringLiteral("HKEY_DYN_DATA");
    default: return QStringLiteral("HKEY_%1").arg(Root, 8, 16, QLatin1Char('0'));
    }
}

// Path pieces without empty ones: "\a\\b\" is a\b.
QString CleanPath(const QString &Path)
{
    return Path.split(QLatin1Char('\\'), Qt::SkipEmptyParts).join(QLatin1Char('\\'));
}

bool SameName(const QString &A, const QString &B)
{
    return A.compare(B, Qt::CaseInsensitive) == 0;
}

// Value names become INI keys: '\' and '=' escaped, the default value is "@".
QString EncodeName(const QString &Name)
{
    if (Name.isEmpty())
        return QStringLiteral("@");
    QString out;
    for (QChar c : Name) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('='))
            out += QStringLiteral("\\e");
        else
            out += c;
    }
    if (out == QLatin1String("@"))
        out = QStringLiteral("\\@");
    return out;
}

QString DecodeName(const QString &Key)
{
    if (Key == QLatin1String("@"))
        return QString();
    QString out;
    for (qsizetype i = 0; i < Key.size(); ++i) {
        if (Key[i] == QLatin1Char('\\') && i + 1 < Key.size()) {
            const QChar n = Key[++i];
            out += n == QLatin1Char('e') ? QChar('=') : n;
        } else {
            out += Key[i];
        }
    }
    return out;
}

// String data on one line, its end blanks kept.
QString EscapeText(const QString &S)
{
    QString out;
    for (QChar c : S) {
        switch (c.unicode()) {
        case '\\': out += QStringLiteral("\\\\"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        default: out += c;
        }
    }
    qsizetype n = 0;
    while (n < out.size() && out[out.size() - 1 - n] == QLatin1Char(' '))
        ++n;
    if (n > 0) {
        out.chop(n);
        for (qsizetype i = 0; i < n; ++i)
            out += QStringLiteral("\\s");
    }
    if (out.startsWith(QLatin1Char(' ')))
        out = QStringLiteral("\\s") + out.mid(1);
    return out;
}

QString UnescapeText(const QString &S)
{
    QString out;
    for (qsizetype i = 0; i < S.size(); ++i) {
        if (S[i] != QLatin1Char('\\') || i + 1 >= S.size()) {
            out += S[i];
            continue;
        }
        const QChar n = S[++i];
        switch (n.unicode()) {
        case 'r': out += QLatin1Char('\r'); break;
        case 'n': out += QLatin1Char('\n'); break;
        case 't': out += QLatin1Char('\t'); break;
        case 's': out += QLatin1Char(' '); break;
        default: out += n;
        }
    }
    return out;
}

struct TRawValue {
    TRegDataType Type = rdUnknown;
    QString Data;
};

TRawValue SplitRaw(const QString &Raw)
{
    const qsizetype colon = Raw.indexOf(QLatin1Char(':'));
    const QString tag = Raw.left(colon);
    const QString data = colon < 0 ? QString() : Raw.mid(colon + 1);
    if (tag == QLatin1String("sz"))
        return {rdString, UnescapeText(data)};
    if (tag == QLatin1String("expand_sz"))
        return {rdExpandString, UnescapeText(data)};
    if (tag == QLatin1String("dword"))
        return {rdInteger, data};
    if (tag == QLatin1String("binary"))
        return {rdBinary, data};
    return {rdUnknown, data};
}

} // namespace

// ------------------------------------------------------------------ TRegistry

QString TRegistry::StoreFileName()
{
    return StoreOverride().isEmpty() ? DefaultStoreFileName() : StoreOverride();
}

void TRegistry::SetStoreFileName(const QString &FileName)
{
    StoreOverride() = FileName;
}

TRegistry::TRegistry() = default;

TRegistry::~TRegistry()
{
    CloseKey();
}

void TRegistry::SetRootKey(HKEY Value)
{
    if (FRootKey != Value) {
        CloseKey();
        FRootKey = Value;
    }
}

QString TRegistry::SectionOf(const QString &Key) const
{
    QString path;
    if (Key.startsWith(QLatin1Char('\\')) || !FOpen)
        path = CleanPath(Key);
    else
        path = CleanPath(FCurrentPath + QLatin1Char('\\') + Key);
    return path.isEmpty() ? RootName(FRootKey) : RootName(FRootKey) + QLatin1Char('\\') + path;
}

QString TRegistry::CurrentSection() const
{
    return FOpen ? SectionOf(QStringLiteral("\\") + FCurrentPath) : QString();
}

bool TRegistry::KeyExists(const QString &Key)
{
    const QString sec = SectionOf(Key);
    if (sec == RootName(FRootKey))
        return true;
    TStringList sections;
    Store().ReadSections(&sections);
    for (int i = 0; i < sections.Count(); ++i)
        if (SameName(sections.Strings(i), sec))
            return true;
    return false;
}

bool TRegistry::CreateKey(const QString &Key)
{
    const QString sec = SectionOf(Key);
    const QStringList parts = sec.split(QLatin1Char('\\'));
    QString acc;
    bool changed = false;
    for (const QString &p : parts) {
        acc = acc.isEmpty() ? p : acc + QLatin1Char('\\') + p;
        if (acc == RootName(FRootKey))
            continue;
        TStringList sections;
        Store().ReadSections(&sections);
        bool found = false;
        for (int i = 0; i < sections.Count() && !found; ++i)
            found = SameName(sections.Strings(i), acc);
        if (!found) {
            Store().AddSection(acc);
            changed = true;
        }
    }
    if (changed)
        SaveStore();
    return true;
}

bool TRegistry::OpenKey(const QString &Key, bool CanCreate)
{
    const QString sec = SectionOf(Key);
    if (!KeyExists(Key)) {
        if (!CanCreate)
            return false;
        CreateKey(Key);
    }
    CloseKey();
    const QString root = RootName(FRootKey);
    FCurrentPath = sec.size() > root.size() ? sec.mid(root.size() + 1) : QString();
    FOpen = true;
    FReadOnly = false;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const QString &Key)
{
    if (!OpenKey(Key, false))
        return false;
    FReadOnly = true;
    return true;
}

void TRegistry::CloseKey()
{
    FOpen = false;
    FReadOnly = false;
    FCurrentPath.clear();
}

bool TRegistry::DeleteKey(const QString &Key)
{
    const QString sec = SectionOf(Key);
    if (sec == RootName(FRootKey) || !KeyExists(Key))
        return false;
    TStringList sections;
    Store().ReadSections(&sections);
    const QString prefix = sec + QLatin1Char('\\');
    for (int i = 0; i < sections.Count(); ++i) {
        const QString s = sections.Strings(i);
        if (SameName(s, sec) || s.startsWith(prefix, Qt::CaseInsensitive))
            Store().EraseSection(s);
    }
    SaveStore();
    return true;
}

void TRegistry::GetKeyNames(TStrings *Strings)
{
    Strings->BeginUpdate();
    Strings->Clear();
    if (FOpen) {
        const QString prefix = CurrentSection() + QLatin1Char('\\');
        TStringList sections;
        Store().ReadSections(&sections);
        QStringList seen;
        for (int i = 0; i < sections.Count(); ++i) {
            const QString s = sections.Strings(i);
            if (!s.startsWith(prefix, Qt::CaseInsensitive))
                continue;
            const QString child = s.mid(prefix.size()).section(QLatin1Char('\\'), 0, 0);
            if (!child.isEmpty() && !seen.contains(child, Qt::CaseInsensitive)) {
                seen << child;
                Strings->Add(child);
            }
        }
    }
    Strings->EndUpdate();
}

bool TRegistry::HasSubKeys()
{
    TStringList names;
    GetKeyNames(&names);
    return names.Count() > 0;
}

QString TRegistry::RawValue(const QString &Name, bool &Found)
{
    Found = false;
    if (!FOpen)
        return QString();
    TStringList keys;
    const QString sec = CurrentSection();
    Store().ReadSection(sec, &keys);
    const QString key = EncodeName(Name);
    for (int i = 0; i < keys.Count(); ++i)
        if (SameName(keys.Strings(i), key)) {
            Found = true;
            return Store().ReadString(sec, key, QString());
        }
    return QString();
}

void TRegistry::CheckWritable(const QString &Name) const
{
    if (!FOpen || FReadOnly)
        throw ERegistryException(QStringLiteral("Failed to set data for '%1'").arg(Name));
}

void TRegistry::PutRawValue(const QString &Name, const QString &Raw)
{
    CheckWritable(Name);
    Store().WriteString(CurrentSection(), EncodeName(Name), Raw);
    SaveStore();
}

bool TRegistry::ValueExists(const QString &Name)
{
    bool found = false;
    RawValue(Name, found);
    return found;
}

bool TRegistry::DeleteValue(const QString &Name)
{
    if (!ValueExists(Name) || FReadOnly)
        return false;
    Store().DeleteKey(CurrentSection(), EncodeName(Name));
    SaveStore();
    return true;
}

void TRegistry::RenameValue(const QString &OldName, const QString &NewName)
{
    bool found = false;
    const QString raw = RawValue(OldName, found);
    if (!found || ValueExists(NewName))
        return;
    CheckWritable(NewName);
    Store().DeleteKey(CurrentSection(), EncodeName(OldName));
    PutRawValue(NewName, raw);
}

void TRegistry::GetValueNames(TStrings *Strings)
{
    Strings->BeginUpdate();
    Strings->Clear();
    if (FOpen) {
        TStringList keys;
        Store().ReadSection(CurrentSection(), &keys);
        for (int i = 0; i < keys.Count(); ++i)
            Strings->Add(DecodeName(keys.Strings(i)));
    }
    Strings->EndUpdate();
}

TRegDataType TRegistry::GetDataType(const QString &Name)
{
    bool found = false;
    const QString raw = RawValue(Name, found);
    return found ? SplitRaw(raw).Type : rdUnknown;
}

int TRegistry::GetDataSize(const QString &Name)
{
    bool found = false;
    const QString raw = RawValue(Name, found);
    if (!found)
        return -1;
    const TRawValue v = SplitRaw(raw);
    switch (v.Type) {
    case rdString:
    case rdExpandString: return int(v.Data.size() + 1) * 2;
    case rdInteger: return 4;
    case rdBinary: return int(v.Data.size() / 2);
    default: return 0;
    }
}

QString TRegistry::ReadString(const QString &Name)
{
    bool found = false;
    const QString raw = RawValue(Name, found);
    if (!found)
        return QString();
    const TRawValue v = SplitRaw(raw);
    if (v.Type != rdString && v.Type != rdExpandString)
        throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(Name));
    return v.Data;
}

void TRegistry::WriteString(const QString &Name, const QString &Value)
{
    PutRawValue(Name, QStringLiteral("sz:") + EscapeText(Value));
}

void TRegistry::WriteExpandString(const QString &Name, const QString &Value)
{
    PutRawValue(Name, QStringLiteral("expand_sz:") + EscapeText(Value));
}

int TRegistry::ReadInteger(const QString &Name)
{
    bool found = false;
    const QString raw = RawValue(Name, found);
    if (!found)
        throw ERegistryException(QStringLiteral("Failed to get data for '%1'").arg(Name));
    const TRawValue v = SplitRaw(raw);
    bool ok = false;
    const int n = v.Data.toInt(&ok);
    if (v.Type != rdInteger || !ok)
        throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(Name));
    return n;
}

void TRegistry::WriteInteger(const QString &Name, int Value)
{
    PutRawValue(Name, QStringLiteral("dword:") + QString::number(Value));
}

bool TRegistry::ReadBool(const QString &Name)
{
    return ReadInteger(Name) != 0;
}

void TRegistry::WriteBool(const QString &Name, bool Value)
{
    WriteInteger(Name, Value ? 1 : 0);
}

int TRegistry::ReadBinaryData(const QString &Name, void *Buffer, int BufSize)
{
    bool found = false;
    const QString raw = RawValue(Name, found);
    if (!found)
        throw ERegistryException(QStringLiteral("Failed to get data for '%1'").arg(Name));
    const TRawValue v = SplitRaw(raw);
    if (v.Type != rdBinary)
        throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(Name));
    const QByteArray bytes = HexToBin(v.Data);
    if (BufSize < bytes.size())
        throw ERegistryException(QStringLiteral("Failed to get data for '%1'").arg(Name));
    if (Buffer && !bytes.isEmpty())
        std::memcpy(Buffer, bytes.constData(), size_t(bytes.size()));
    return int(bytes.size());
}

void TRegistry::WriteBinaryData(const QString &Name, const void *Buffer, int BufSize)
{
    const QByteArray bytes(static_cast<const char *>(Buffer), Buffer ? BufSize : 0);
    PutRawValue(Name, QStringLiteral("binary:") + BinToHex(bytes));
}

double TRegistry::ReadFloat(const QString &Name)
{
    double d = 0;
    if (GetDataSize(Name) != int(sizeof d))
        throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(Name));
    ReadBinaryData(Name, &d, sizeof d);
    return d;
}

void TRegistry::WriteFloat(const QString &Name, double Value)
{
    WriteBinaryData(Name, &Value, sizeof Value);
}

TDateTime TRegistry::ReadDateTime(const QString &Name)
{
    return ReadFloat(Name);
}

void TRegistry::WriteDateTime(const QString &Name, TDateTime Value)
{
    WriteFloat(Name, Value);
}

// ------------------------------------------------------------------ TRegIniFile

TRegIniFile::TRegIniFile(const QString &FileName) : FFileName(FileName)
{
    OpenKey(FileName, true);
}

namespace {

// Opens Section below the ini file's key for the time of one call.
class TSectionScope
{
public:
    TSectionScope(TRegistry &Reg, const QString &Base, const QString &Section, bool Create)
        : FReg(Reg), FBase(Base)
    {
        FOk = Section.isEmpty() || FReg.OpenKey(Section, Create);
    }
    ~TSectionScope() { FReg.OpenKey(QStringLiteral("\\") + FBase, false); }
    bool Ok() const { return FOk; }

private:
    TRegistry &FReg;
    QString FBase;
    bool FOk = false;
};

} // namespace

QString TRegIniFile::ReadString(const QString &Section, const QString &Ident, const QString &Default)
{
    TSectionScope s(*this, CurrentPath(), Section, false);
    if (!s.Ok() || !ValueExists(Ident))
        return Default;
    return TRegistry::ReadString(Ident);
}

void TRegIniFile::WriteString(const QString &Section, const QString &Ident, const QString &Value)
{
    TSectionScope s(*this, CurrentPath(), Section, true);
    TRegistry::WriteString(Ident, Value);
}

int TRegIniFile::ReadInteger(const QString &Section, const QString &Ident, int Default)
{
    TSectionScope s(*this, CurrentPath(), Section, false);
    if (!s.Ok() || !ValueExists(Ident))
        return Default;
    if (GetDataType(Ident) == rdString)
        return StrToIntDef(TRegistry::ReadString(Ident), Default);
    return TRegistry::ReadInteger(Ident);
}

void TRegIniFile::WriteInteger(const QString &Section, const QString &Ident, int Value)
{
    WriteString(Section, Ident, IntToStr(Value));
}

bool TRegIniFile::ReadBool(const QString &Section, const QString &Ident, bool Default)
{
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TRegIniFile::WriteBool(const QString &Section, const QString &Ident, bool Value)
{
    WriteInteger(Section, Ident, Value ? 1 : 0);
}

void TRegIniFile::ReadSection(const QString &Section, TStrings *Strings)
{
    TSectionScope s(*this, CurrentPath(), Section, false);
    if (s.Ok())
        GetValueNames(Strings);
    else
        Strings->Clear();
}

void TRegIniFile::ReadSections(TStrings *Strings)
{
    GetKeyNames(Strings);
}

void TRegIniFile::ReadSectionValues(const QString &Section, TStrings *Strings)
{
    TStringList names;
    ReadSection(Section, &names);
    Strings->BeginUpdate();
    Strings->Clear();
    for (int i = 0; i < names.Count(); ++i)
        Strings->Add(names.Strings(i) + QLatin1Char('=') + ReadString(Section, names.Strings(i), QString()));
    Strings->EndUpdate();
}

void TRegIniFile::EraseSection(const QString &Section)
{
    TRegistry::DeleteKey(Section);
}

void TRegIniFile::DeleteKey(const QString &Section, const QString &Ident)
{
    TSectionScope s(*this, CurrentPath(), Section, false);
    if (s.Ok())
        DeleteValue(Ident);
}
