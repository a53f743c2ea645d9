// Small conversions shared by the registration units: arguments of a call
// as objects of a class, strings to bytes of a stream, and the check of a
// list index.
#pragma once
#include "kw_iinterpreter.h"

// Argument Index of the call as an object of class T, nil allowed; raises
// for a stale reference or one of another class.
template<class T>
T *kwParamObjectOrNil(TkwMethodHelper *Caller, int Index)
{
    return static_cast<T *>(kwVarToObject(Caller->GetParam(Index), T::StaticClass()));
}

// Raises that parameter Index of the call is nil.
[[noreturn]] void kwNilParam(TkwMethodHelper *Caller, int Index);

// The same for a parameter that must hold an object: nil raises, naming it.
template<class T>
T *kwParamObject(TkwMethodHelper *Caller, int Index)
{
    T *obj = kwParamObjectOrNil<T>(Caller, Index);
    if (!obj)
        kwNilParam(Caller, Index);
    return obj;
}

// A value as an object of class T (nil allowed), checked.
template<class T>
T *kwVarAs(const Variant &V)
{
    return static_cast<T *>(kwVarToObject(V, T::StaticClass()));
}

// The file and stream members LOADFROMFILE, LOADFROMSTREAM, SAVETOFILE and
// SAVETOSTREAM of Obj, called as Name says; false for any other name.
template<class T>
bool kwCallLoadSave(T *Obj, const QString &Name, TkwMethodHelper *Caller)
{
    if (Name == QLatin1String("LOADFROMFILE"))
        Obj->LoadFromFile(VarToStr(Caller->GetParam(0)));
    else if (Name == QLatin1String("LOADFROMSTREAM"))
        Obj->LoadFromStream(kwParamObject<TStream>(Caller, 0));
    else if (Name == QLatin1String("SAVETOFILE"))
        Obj->SaveToFile(VarToStr(Caller->GetParam(0)));
    else if (Name == QLatin1String("SAVETOSTREAM"))
        Obj->SaveToStream(kwParamObject<TStream>(Caller, 0));
    else
        return false;
    return true;
}

// Raises EListError "List index out of bounds (Index)" outside 0..Count-1.
void kwCheckIndex(int Index, int Count);

// An ordinal as a value of the enumeration E (First .. Last); raises
// ERangeError outside, as no such value exists.
template<class E>
E kwEnumValue(int Value, E Last)
{
    if (Value < 0 || Value > int(Last))
        throw ERangeError(SRangeError);
    return E(Value);
}
