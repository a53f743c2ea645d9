// Fuzzing the script engine: the first byte picks one of the four syntaxes,
// the rest is the program, compiled and run with the built-in library and
// the class library under a budget of announced lines. Errors are script
// exceptions; anything else (a crash, a hang, a sanitizer report) is a find.
#include "fuzz_support.h"
#include "kw_iclassesrtti.h"
#include "kw_iinterpreter.h"
#include "kw_isysrtti.h"

namespace {

class THost : public TObject
{
public:
    explicit THost(TkwScript &S) : FScript(S) {}
    Variant Call(TObject *, TClass, const QString &, TkwMethodHelper *) { return Variant(); }
    void RunLine(TkwScript *, const QString &, const QString &)
    {
        if (--Budget < 0)
            FScript.Terminate();
    }
    // Lines the current input may still announce.
    static inline int Budget = 0;

private:
    TkwScript &FScript;
};

} // namespace

namespace {

// One script for all inputs: registering the library is the slow part, and
// Clear keeps what registration modules (and this host, stamped like them)
// added.
TkwScript &Script()
{
    static TkwScript *s = [] {
        auto *script = new TkwScript(nullptr);
        static THost host(*script);
        const std::pair<const char *, TkwVarType> types[] = {
            {"Integer", fvtInt},  {"Word", fvtInt},       {"Byte", fvtInt},        {"Longint", fvtInt},
            {"Boolean", fvtBool}, {"Extended", fvtFloat}, {"Double", fvtFloat},    {"TDateTime", fvtFloat},
            {"Char", fvtChar},    {"String", fvtString},  {"Variant", fvtVariant}, {"Pointer", fvtVariant},
            {"Array", fvtArray},  {"Constructor", fvtConstructor}};
        script->SetAddedBy(kwRTTIStamp());
        for (const auto &[name, typ] : types)
            script->AddType(QString::fromLatin1(name), typ);
        script->AddConst(QStringLiteral("True"), QStringLiteral("Boolean"), Variant(true));
        script->AddConst(QStringLiteral("False"), QStringLiteral("Boolean"), Variant(false));
        script->AddConst(QStringLiteral("nil"), QStringLiteral("Variant"), Variant(0));
        script->AddConst(QStringLiteral("Null"), QStringLiteral("Variant"), Null());
        script->Add(QString(), new TkwSysFunctions(script));
        script->Add(QString(), new kw_iclassesrtti::TFunctions(script));
        // Nothing may wait for a user.
        const TkwCallMethodNewEvent quiet(&host, &THost::Call);
        script->AddMethod(QStringLiteral("procedure ShowMessage(Msg: Variant)"), quiet);
        script->AddMethod(QStringLiteral("procedure Log(V: Variant)"), quiet);
        script->SetAddedBy(nullptr);
        script->SetOnRunLine(TkwRunLineEvent(&host, &THost::RunLine));
        return script;
    }();
    return *s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    if (Size < 1)
        return 0;
    static const char *const languages[] = {"PascalScript", "C++Script", "JScript", "BasicScript"};
    TkwScript &s = Script();
    s.Clear();
    THost::Budget = 20000;
    s.SetSyntaxType(QString::fromLatin1(languages[Data[0] % 4]));
    s.Lines()->SetText(QString::fromUtf8(reinterpret_cast<const char *>(Data + 1), qsizetype(Size - 1)));
    try {
        if (s.Compile())
            s.Execute();
    } catch (const Exception &) {
        // A script error.
    }
    return 0;
}
