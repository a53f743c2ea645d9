// INI files of the class library. Sections and keys are found without regard
// to case. Text is read as UTF-8 when the file's bytes are valid UTF-8 and as
// GBK (the station's code page) otherwise, and written back the same way; a
// new file is UTF-8, and so is a GBK file whose bytes would otherwise pass for
// UTF-8 after a write. A line opening with '[' heads a section.
//
// TIniFile reads and writes straight through to its file: every read parses
// the file, every write changes just the line concerned and leaves every
// other byte of the file as it was (but for that turn to UTF-8). TMemIniFile holds the file in memory
// until UpdateFile.
#pragma once
#include "Classes.h"
#include "Exceptions.h"
#include "Object.h"
#include "SysUtils.h"

#include <QString>
#include <vector>

STATION_EXCEPTION(EIniFileException, Exception)

// The classes carry class identity (ClassName, InheritsFrom) for scripts;
// they publish nothing.
class TCustomIniFile : public TObject
{
    STATION_CLASS(TCustomIniFile, TObject)
public:
    explicit TCustomIniFile(const QString &FileName) : FFileName(FileName) {}

    QString FileName() const { return FFileName; }

    virtual QString ReadString(const QString &Section, const QString &Ident, const QString &Default) = 0;
    virtual void WriteString(const QString &Section, const QString &Ident, const QString &Value) = 0;
    // Typed reads return Default when the text is missing or not of the type.
    // "0x" introduces hexadecimal, as does "$".
    int ReadInteger(const QString &Section, const QString &Ident, int Default);
    void WriteInteger(const QString &Section, const QString &Ident, int Value);
    // Any integer but 0 is true; text that is no integer gives Default.
    bool ReadBool(const QString &Section, const QString &Ident, bool Default);
    void WriteBool(const QString &Section, const QString &Ident, bool Value);
    TDateTime ReadDate(const QString &Section, const QString &Name, TDateTime Default);
    TDateTime ReadDateTime(const QString &Section, const QString &Name, TDateTime Default);
    double ReadFloat(const QString &Section, const QString &Name, double Default);
    TDateTime ReadTime(const QString &Section, const QString &Name, TDateTime Default);
    void WriteDate(const QString &Section, const QString &Name, TDateTime Value);
    void WriteDateTime(const QString &Section, const QString &Name, TDateTime Value);
    void WriteFloat(const QString &Section, const QString &Name, double Value);
    void WriteTime(const QString &Section, const QString &Name, TDateTime Value);
    // Bytes as hexadecimal text. Reading writes them into Value at its
    // position, leaves the position at their start and returns their count.
    int ReadBinaryStream(const QString &Section, const QString &Name, TStream *Value);
    // The whole of Value, whatever its position.
    void WriteBinaryStream(const QString &Section, const QString &Name, TStream *Value);

    // A section exists when it has at least one key.
    bool SectionExists(const QString &Section);
    bool ValueExists(const QString &Section, const QString &Ident);
    // Key names of the section, in file order.
    virtual void ReadSection(const QString &Section, TStrings *Strings) = 0;
    virtual void ReadSections(TStrings *Strings) = 0;
    // "key=value" lines of the section.
    virtual void ReadSectionValues(const QString &Section, TStrings *Strings);
    virtual void EraseSection(const QString &Section) = 0;
    virtual void DeleteKey(const QString &Section, const QString &Ident) = 0;
    virtual void UpdateFile() = 0;

protected:
    QString FFileName;
};

// Straight through to the file.
class TIniFile : public TCustomIniFile
{
    STATION_CLASS(TIniFile, TCustomIniFile)
public:
    explicit TIniFile(const QString &FileName) : TCustomIniFile(FileName) {}

    // Blanks around keys and values are dropped, and one pair of matching
    // quotes (' or ") around a value.
    QString ReadString(const QString &Section, const QString &Ident, const QString &Default) override;
    // Raises EIniFileException when the file cannot be written.
    void WriteString(const QString &Section, const QString &Ident, const QString &Value) override;
    void ReadSection(const QString &Section, TStrings *Strings) override;
    void ReadSections(TStrings *Strings) override;
    void ReadSectionValues(const QString &Section, TStrings *Strings) override;
    void EraseSection(const QString &Section) override;
    void DeleteKey(const QString &Section, const QString &Ident) override;
    // Everything is written already.
    void UpdateFile() override {}
};

// In memory; UpdateFile writes it out. Comments are not kept.
class TMemIniFile : public TCustomIniFile
{
    STATION_CLASS(TMemIniFile, TCustomIniFile)
public:
    explicit TMemIniFile(const QString &FileName);

    QString ReadString(const QString &Section, const QString &Ident, const QString &Default) override;
    void WriteString(const QString &Section, const QString &Ident, const QString &Value) override;
    void ReadSection(const QString &Section, TStrings *Strings) override;
    // Every section, also those without keys.
    void ReadSections(TStrings *Strings) override;
    void ReadSectionValues(const QString &Section, TStrings *Strings) override;
    void EraseSection(const QString &Section) override;
    void DeleteKey(const QString &Section, const QString &Ident) override;
    // Writes "[Section]", its "key=value" lines and a blank line per section,
    // each line ended by CR LF.
    void UpdateFile() override;

    void Clear();
    // The whole content as lines, as UpdateFile writes them.
    void GetStrings(TStrings *List);
    // Replaces the content by the INI text in List.
    void SetStrings(TStrings *List);
    // Another file name; with Reload the content is read from it.
    void Rename(const QString &FileName, bool Reload);
    // Creates the section when it is missing (a section may have no keys).
    void AddSection(const QString &Section);

private:
    struct TSection {
        QString Name;
        std::vector<std::pair<QString, QString>> Values;
    };
    TSection *Find(const QString &Section);
    void LoadValues();
    void SetLines(const QStringList &Lines);

    std::vector<TSection> FSections;
    bool FUtf8 = true; // how the file was (and is) encoded
};
