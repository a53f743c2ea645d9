// Implementation of registration of the class library's INI-file classes for scripts.
#include "kw_iinirtti.h"
#include "IniFiles.h"
#include "kw_irttihelpers.h"

namespace kw_iinirtti {

void WriteTStrings(TCustomIniFile *Ini, const QString &Section, TStrings *Value, bool IsClear)
{
    if (IsClear)
        Ini->EraseSection(Section);
    const int n = Value ? Value->Count() : 0;
    for (int i = 0; i < n; ++i)
        Ini->WriteString(Section, QStringLiteral("Items%1").arg(i), Value->Strings(i));
    Ini->WriteInteger(Section, QStringLiteral("Count"), n);
}

void ReadTStrings(TCustomIniFile *Ini, const QString &Section, TStrings *Value, bool IsClear)
{
    const int n = Ini->ReadInteger(Section, QStringLiteral("Count"), 0);
    if (!Value)
        return;
    if (IsClear)
        Value->Clear();
    for (int i = 0; i < n; ++i)
        Value->Add(Ini->ReadString(Section, QStringLiteral("Items%1").arg(i), QString()));
}

void ReadSectionValuesEx(TCustomIniFile *Ini, const QString &Section, TStrings *Strings)
{
    TStringList lines;
    Ini->ReadSectionValues(Section, &lines);
    Strings->Clear();
    for (int i = 0; i < lines.Count(); ++i)
        Strings->Add(lines.Values(lines.Names(i)));
}

void SaveIniFileToStream(TCustomIniFile *Ini, TStream *Stream)
{
    if (!Stream)
        return;
    TStringList lines;
    if (auto *mem = dynamic_cast<TMemIniFile *>(Ini))
        mem->GetStrings(&lines);
    else if (dynamic_cast<TIniFile *>(Ini))
        lines.LoadFromFile(Ini->FileName());
    else
        return;
    lines.SaveToStream(Stream);
}

void LoadIniFileFromStream(TCustomIniFile *Ini, TStream *Stream)
{
    if (!Stream)
        return;
    auto *mem = dynamic_cast<TMemIniFile *>(Ini);
    if (!mem && !dynamic_cast<TIniFile *>(Ini))
        return;
    TStringList lines;
    lines.LoadFromStream(Stream);
    if (mem)
        mem->SetStrings(&lines);
    else
        lines.SaveToFile(Ini->FileName());
}

TFunctions::TFunctions(TkwScript *AScript) : TkwRTTIModule(AScript)
{
    TkwScript *s = AScript;
    const TkwCallMethodNewEvent call(this, &TFunctions::CallMethod);
    const TkwGetValueEvent get(this, &TFunctions::GetProp);

    if (TkwClassVariable *c = s->AddClass(TCustomIniFile::StaticClass(), QStringLiteral("TObject"))) {
        for (const char *d : {
                 "constructor Create(const FileName: String)",
                 "function ReadInteger(const Section, Ident: String; Default: LongInt): LongInt",
                 "procedure WriteInteger(const Section, Ident: String; Value: LongInt)",
                 "function ReadBool(const Section, Ident: String; Default: Boolean): Boolean",
                 "procedure WriteBool(const Section, Ident: String; Value: Boolean)",
                 "function ReadDate(const Section, Name: String; Default: TDateTime): TDateTime",
                 "procedure WriteDate(const Section, Name: String; Value: TDateTime)",
                 "function ReadDateTime(const Section, Name: String; Default: TDateTime): TDateTime",
                 "procedure WriteDateTime(const Section, Name: String; Value: TDateTime)",
                 "function ReadFloat(const Section, Name: String; Default: Double): Double",
                 "procedure WriteFloat(const Section, Name: String; Value: Double)",
                 "function ReadTime(const Section, Name: String; Default: TDateTime): TDateTime",
                 "procedure WriteTime(const Section, Name: String; Value: TDateTime);",
                 "function ReadBinaryStream(const Section, Name: String; Value: TStream): Integer",
                 "procedure WriteBinaryStream(const Section, Name: String; Value: TStream)",
                 "function SectionExists(const Section: String): Boolean",
                 "function ValueExists(const Section, Ident: String): Boolean",
                 "procedure WriteTStrings(const Section :String; Value :TStrings; IsClear :Boolean = True)",
                 "function ReadTStrings(const Section :String; Value :TStrings; IsClear :Boolean = True): String;"}) {
            const QString decl = QString::fromLatin1(d);
            if (decl.startsWith(QLatin1String("constructor")))
                c->AddConstructor(decl, call);
            else
                c->AddMethod(decl, call);
        }
        c->AddProperty(QStringLiteral("FileName"), QStringLiteral("String"), get);
    }
    const char *const shared[] = {
        "procedure WriteString(const Section, Ident, Value: String)",
        "function ReadString(const Section, Ident, Default: String): String;",
        "procedure ReadSectionValuesEx(const Section: String; Strings: TStrings)",
        "procedure DeleteKey(const Section, Ident: String)",
        "procedure ReadSection(const Section: String; Strings: TStrings)",
        "procedure ReadSections(Strings: TStrings)",
        "procedure ReadSectionValues(const Section: String; Strings: TStrings)",
        "procedure EraseSection(const Section: String)"};
    if (TkwClassVariable *c = s->AddClass(TMemIniFile::StaticClass(), QStringLiteral("TCustomIniFile"))) {
        c->AddConstructor(QStringLiteral("constructor Create(const FileName: String)"), call);
        for (const char *d : shared)
            c->AddMethod(QString::fromLatin1(d), call);
        c->AddMethod(QStringLiteral("procedure Clear"), call);
        c->AddMethod(QStringLiteral("procedure GetStrings(List: TStrings)"), call);
        c->AddMethod(QStringLiteral("procedure SetStrings(List: TStrings)"), call);
        c->AddMethod(QStringLiteral("procedure SaveIniFileToStream(oStream: TStream)"), call)
            ->AllowNil(QStringLiteral("oStream"));
        c->AddMethod(QStringLiteral("procedure LoadIniFileFromStream(oStream: TStream)"), call)
            ->AllowNil(QStringLiteral("oStream"));
    }
    if (TkwClassVariable *c = s->AddClass(TIniFile::StaticClass(), QStringLiteral("TCustomIniFile"))) {
        for (const char *d : shared)
            c->AddMethod(QString::fromLatin1(d), call);
        c->AddMethod(QStringLiteral("procedure SaveIniFileToStream(oStream: TStream)"), call)
            ->AllowNil(QStringLiteral("oStream"));
        c->AddMethod(QStringLiteral("procedure LoadIniFileFromStream(oStream: TStream)"), call)
            ->AllowNil(QStringLiteral("oStream"));
    }
}

Variant TFunctions::CallMethod(TObject *Instance, TClass ClassType, const QString &MethodName,
                               TkwMethodHelper *Caller)
{
    Variant r(0);
    const QString &m = MethodName;
    auto is = [&m](const char *Name) { return m == QLatin1String(Name); };
    auto p = [Caller](int I) { return Caller->GetParam(I); };
    auto str = [Caller](int I) { return VarToStr(Caller->GetParam(I)); };
    auto *ini = static_cast<TCustomIniFile *>(Instance);

    if (ClassType == TCustomIniFile::StaticClass()) {
        if (is("CREATE")) {
            // An object of the class the script named.
            TClass cls = Caller->NamedClass() ? Caller->NamedClass() : TCustomIniFile::StaticClass();
            if (cls->InheritsFrom(TMemIniFile::StaticClass()))
                r = kwObjectToVar(new TMemIniFile(str(0)));
            else if (cls->InheritsFrom(TIniFile::StaticClass()))
                r = kwObjectToVar(new TIniFile(str(0)));
            else
                throw EAbstractError(
                    QStringLiteral("Cannot create an instance of the abstract class %1").arg(cls->ClassName()));
        } else if (is("READINTEGER")) {
            r = Variant(ini->ReadInteger(str(0), str(1), p(2).AsInteger()));
        } else if (is("WRITEINTEGER")) {
            ini->WriteInteger(str(0), str(1), p(2).AsInteger());
        } else if (is("READBOOL")) {
            r = Variant(ini->ReadBool(str(0), str(1), p(2).AsBoolean()));
        } else if (is("WRITEBOOL")) {
            ini->WriteBool(str(0), str(1), p(2).AsBoolean());
        } else if (is("READDATE")) {
            r = Variant::FromDate(ini->ReadDate(str(0), str(1), VarToDateTime(p(2))));
        } else if (is("WRITEDATE")) {
            ini->WriteDate(str(0), str(1), VarToDateTime(p(2)));
        } else if (is("READDATETIME")) {
            r = Variant::FromDate(ini->ReadDateTime(str(0), str(1), VarToDateTime(p(2))));
        } else if (is("WRITEDATETIME")) {
            ini->WriteDateTime(str(0), str(1), VarToDateTime(p(2)));
        } else if (is("READFLOAT")) {
            r = Variant(ini->ReadFloat(str(0), str(1), p(2).AsDouble()));
        } else if (is("WRITEFLOAT")) {
            ini->WriteFloat(str(0), str(1), p(2).AsDouble());
        } else if (is("READTIME")) {
            r = Variant::FromDate(ini->ReadTime(str(0), str(1), VarToDateTime(p(2))));
        } else if (is("WRITETIME")) {
            ini->WriteTime(str(0), str(1), VarToDateTime(p(2)));
        } else if (is("READBINARYSTREAM")) {
            r = Variant(ini->ReadBinaryStream(str(0), str(1), kwParamObject<TStream>(Caller, 2)));
        } else if (is("WRITEBINARYSTREAM")) {
            ini->WriteBinaryStream(str(0), str(1), kwParamObject<TStream>(Caller, 2));
        } else if (is("SECTIONEXISTS")) {
            r = Variant(ini->SectionExists(str(0)));
        } else if (is("VALUEEXISTS")) {
            r = Variant(ini->ValueExists(str(0), str(1)));
        } else if (is("WRITETSTRINGS")) {
            WriteTStrings(ini, str(0), kwParamObject<TStrings>(Caller, 1), p(2).AsBoolean());
        } else if (is("READTSTRINGS")) {
            ReadTStrings(ini, str(0), kwParamObject<TStrings>(Caller, 1), p(2).AsBoolean());
        }
    } else if (ClassType == TMemIniFile::StaticClass() || ClassType == TIniFile::StaticClass()) {
        const bool memory = ClassType == TMemIniFile::StaticClass();
        auto strings = [Caller](int I) { return kwParamObject<TStrings>(Caller, I); };
        if (is("CREATE") && memory)
            r = kwObjectToVar(new TMemIniFile(str(0)));
        else if (is("WRITESTRING"))
            ini->WriteString(str(0), str(1), str(2));
        else if (is("READSTRING"))
            r = Variant(ini->ReadString(str(0), str(1), str(2)));
        else if (is("DELETEKEY"))
            ini->DeleteKey(str(0), str(1));
        else if (is("READSECTION"))
            ini->ReadSection(str(0), strings(1));
        else if (is("READSECTIONS"))
            ini->ReadSections(strings(0));
        else if (is("READSECTIONVALUES"))
            ini->ReadSectionValues(str(0), strings(1));
        else if (is("ERASESECTION"))
            ini->EraseSection(str(0));
        else if (is("READSECTIONVALUESEX"))
            ReadSectionValuesEx(ini, str(0), strings(1));
        else if (is("SAVEINIFILETOSTREAM"))
            SaveIniFileToStream(ini, kwParamObjectOrNil<TStream>(Caller, 0));
        else if (is("LOADINIFILEFROMSTREAM"))
            LoadIniFileFromStream(ini, kwParamObjectOrNil<TStream>(Caller, 0));
        else if (memory && is("CLEAR"))
            static_cast<TMemIniFile *>(ini)->Clear();
        else if (memory && is("GETSTRINGS"))
            static_cast<TMemIniFile *>(ini)->GetStrings(strings(0));
        else if (memory && is("SETSTRINGS"))
            static_cast<TMemIniFile *>(ini)->SetStrings(strings(0));
    }
    return r;
}

Variant TFunctions::GetProp(TObject *Instance, TClass ClassType, const QString &PropName)
{
    if (ClassType == TCustomIniFile::StaticClass() && PropName == QLatin1String("FILENAME"))
        return Variant(static_cast<TCustomIniFile *>(Instance)->FileName());
    return Variant(0);
}

} // namespace kw_iinirtti

void kwRegisterIniRTTI()
{
    kwAddRTTIModule(&kwNewModule<kw_iinirtti::TFunctions>);
}

void kwUnregisterIniRTTI()
{
    kwRemoveRTTIModule(&kwNewModule<kw_iinirtti::TFunctions>);
}
