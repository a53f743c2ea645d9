// Implementation of small conversions shared by the registration units.
#include "kw_irttihelpers.h"

void kwCheckIndex(int Index, int Count)
{
    if (Index < 0 || Index >= Count)
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
}

void kwNilParam(TkwMethodHelper *Caller, int Index)
{
    const QString name = Index < Caller->Count() ? Caller->Params(Index)->Name() : QStringLiteral("Value");
    throw EInvalidPointer(SNilParam.arg(name, Caller->Name()));
}
