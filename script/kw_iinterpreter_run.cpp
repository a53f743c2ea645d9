// Compiling and running a script: Compile, Execute, Terminate and the lines
// that hold code.
#include "kw_iinterpreter.h"
#include <algorithm>

bool TkwScript::Compile()
{
    SetErrorMessage(QString());
    TkwILParser parser(this);
    parser.SelectLanguage(FSyntaxType);
    if (parser.ParseSource(FLines->Text()))
        parser.BuildProgram();
    const bool ok = ErrorMessage().isEmpty();
    if (ok)
        SetErrorPosition(QString());
    return ok;
}

void TkwScript::Execute()
{
    struct TCleanUp
    {
        TkwScript *S;
        ~TCleanUp()
        {
            // A break or continue outside any loop must not stop the next run.
            S->ClearStop();
            S->FIsRunning = false;
        }
    };
    ClearStop();
    FIsRunning = true;
    FIsExecutionRoot = true;
    TCleanUp cleanUp{this};
    const TkwRunningScript running(this);
    kwScriptMemory([this] { FStatement->Execute(); });
}

void TkwScript::Terminate()
{
    SetTerminated(true);
    SetExitCalled(true);
    for (int i = 0; i < FItems.Count(); ++i)
        if (auto *proc = dynamic_cast<TkwProcVariable *>(FItems.Items(i)))
            proc->Program()->Terminate();
}

void TkwScript::AddCodeLine(const QString &UnitName, int Line)
{
    QList<int> &lines = FCodeLines[kwUpperCase(UnitName)];
    auto it = std::lower_bound(lines.begin(), lines.end(), Line);
    if (it == lines.end() || *it != Line)
        lines.insert(it, Line);
}

QList<int> TkwScript::CodeLines(const QString &UnitName) const
{
    return FCodeLines.value(kwUpperCase(UnitName));
}
