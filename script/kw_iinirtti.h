// Registration of the class library's INI-file classes for scripts, with a
// few additions: a section's values without their names, a whole string
// list kept in a section, and a whole INI file moved to and from a stream.
#pragma once
#include "kw_iinterpreter.h"

class TCustomIniFile;
class TStrings;

namespace kw_iinirtti {

class TFunctions : public TkwRTTIModule
{
public:
    explicit TFunctions(TkwScript *AScript);

    // The call dispatcher and property getter of the members registered
    // here; anything not handled gives 0.
    Variant CallMethod(TObject *Instance, TClass ClassType, const QString &MethodName, TkwMethodHelper *Caller);
    Variant GetProp(TObject *Instance, TClass ClassType, const QString &PropName);
};

// Section layout of a string list: "Items0", "Items1", ... and "Count".
// With IsClear the section is erased first (writing) or Value cleared
// (reading).
void WriteTStrings(TCustomIniFile *Ini, const QString &Section, TStrings *Value, bool IsClear);
void ReadTStrings(TCustomIniFile *Ini, const QString &Section, TStrings *Value, bool IsClear);
// The values of the section's lines, without their names.
void ReadSectionValuesEx(TCustomIniFile *Ini, const QString &Section, TStrings *Strings);
// The whole file's text to or from a stream; nothing happens for a nil
// stream or an INI object that is neither a TIniFile nor a TMemIniFile.
void SaveIniFileToStream(TCustomIniFile *Ini, TStream *Stream);
void LoadIniFileFromStream(TCustomIniFile *Ini, TStream *Stream);

} // namespace kw_iinirtti

void kwRegisterIniRTTI();
void kwUnregisterIniRTTI();
