// The system registry of the class library, kept in one INI store under the
// user's configuration folder (QStandardPaths::AppConfigLocation/registry.ini).
// Each key is a section named by its full path, such as
// [HKEY_CURRENT_USER\Software\Vendor\App]; each value is one line
// "name=type:data" with the types sz, expand_sz, dword (decimal) and binary
// (hexadecimal); the unnamed default value is "@". Key and value names are found without regard to case. Every
// change is written to the store at once.
#pragma once
#include "Classes.h"
#include "Exceptions.h"
#include "Object.h"
#include "SysUtils.h"

#include <QString>

STATION_EXCEPTION(ERegistryException, Exception)

using HKEY = quint32;
constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr HKEY HKEY_USERS = 0x80000003u;
constexpr HKEY HKEY_PERFORMANCE_DATA = 0x80000004u;
constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005u;
constexpr HKEY HKEY_DYN_DATA = 0x80000006u;

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

class TRegistry : public TObject
{
    STATION_CLASS(TRegistry, TObject)
public:
    TRegistry();
    ~TRegistry() override;

    HKEY RootKey() const { return FRootKey; }
    void SetRootKey(HKEY Value);
    // The open key's path below the root, without a leading '\'; empty when
    // no key is open.
    QString CurrentPath() const { return FCurrentPath; }
    bool LazyWrite() const { return FLazyWrite; }
    void SetLazyWrite(bool Value) { FLazyWrite = Value; }

    // Key: absolute when it starts with '\', else below the open key.
    bool OpenKey(const QString &Key, bool CanCreate);
    bool OpenKeyReadOnly(const QString &Key);
    void CloseKey();
    bool CreateKey(const QString &Key);
    // Removes the key with everything below it.
    bool DeleteKey(const QString &Key);
    bool KeyExists(const QString &Key);
    bool HasSubKeys();
    void GetKeyNames(TStrings *Strings);

    bool ValueExists(const QString &Name);
    bool DeleteValue(const QString &Name);
    void GetValueNames(TStrings *Strings);
    TRegDataType GetDataType(const QString &Name);
    // Bytes the value takes (strings with their terminating zero); -1 when missing.
    int GetDataSize(const QString &Name);
    void RenameValue(const QString &OldName, const QString &NewName);

    // A missing string value reads as ''; every other read of a missing value
    // or of a value of another type raises ERegistryException.
    QString ReadString(const QString &Name);
    void WriteString(const QString &Name, const QString &Value);
    void WriteExpandString(const QString &Name, const QString &Value);
    int ReadInteger(const QString &Name);
    void WriteInteger(const QString &Name, int Value);
    bool ReadBool(const QString &Name);
    void WriteBool(const QString &Name, bool Value);
    // Floats and dates are 8-byte binary values.
    double ReadFloat(const QString &Name);
    void WriteFloat(const QString &Name, double Value);
    TDateTime ReadDateTime(const QString &Name);
    void WriteDateTime(const QString &Name, TDateTime Value);
    TDateTime ReadDate(const QString &Name) { return ReadDateTime(Name); }
    void WriteDate(const QString &Name, TDateTime Value) { WriteDateTime(Name, Value); }
    TDateTime ReadTime(const QString &Name) { return ReadDateTime(Name); }
    void WriteTime(const QString &Name, TDateTime Value) { WriteDateTime(Name, Value); }
    // Copies at most BufSize bytes; returns the value's size.
    int ReadBinaryData(const QString &Name, void *Buffer, int BufSize);
    void WriteBinaryData(const QString &Name, const void *Buffer, int BufSize);

    // Where the store lives; tests may point it elsewhere (empty: the default).
    static QString StoreFileName();
    static void SetStoreFileName(const QString &FileName);

protected:
    // Full section name of a key path (relative or absolute).
    QString SectionOf(const QString &Key) const;
    QString CurrentSection() const;
    QString RawValue(const QString &Name, bool &Found);
    void PutRawValue(const QString &Name, const QString &Raw);
    void CheckWritable(const QString &Name) const;

private:
    HKEY FRootKey = HKEY_CURRENT_USER;
    QString FCurrentPath;
    bool FOpen = false;
    bool FReadOnly = false;
    bool FLazyWrite = true;
};

// A registry key used like an INI file: sections are subkeys of the key
// named by FileName (below HKEY_CURRENT_USER), identifiers are values.
class TRegIniFile : public TRegistry
{
    STATION_CLASS(TRegIniFile, TRegistry)
public:
    explicit TRegIniFile(const QString &FileName);

    QString FileName() const { return FFileName; }

    QString ReadString(const QString &Section, const QString &Ident, const QString &Default);
    void WriteString(const QString &Section, const QString &Ident, const QString &Value);
    int ReadInteger(const QString &Section, const QString &Ident, int Default);
    void WriteInteger(const QString &Section, const QString &Ident, int Value);
    bool ReadBool(const QString &Section, const QString &Ident, bool Default);
    void WriteBool(const QString &Section, const QString &Ident, bool Value);
    void ReadSection(const QString &Section, TStrings *Strings);
    void ReadSections(TStrings *Strings);
    void ReadSectionValues(const QString &Section, TStrings *Strings);
    void EraseSection(const QString &Section);
    void DeleteKey(const QString &Section, const QString &Ident);
    using TRegistry::DeleteKey;
    using TRegistry::ReadBool;
    using TRegistry::ReadInteger;
    using TRegistry::ReadString;
    using TRegistry::WriteBool;
    using TRegistry::WriteInteger;
    using TRegistry::WriteString;

private:
    QString FFileName;
};
