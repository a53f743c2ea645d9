// Shared helpers of the Variant tests: a result or a raised exception as one
// comparable text, "Type:Text" or "EClass: message".
#pragma once
#include "Exceptions.h"
#include "Variants.h"
#include <functional>
#include <ostream>
#include <string>

inline QString Describe(const Variant &v)
{
    if (VarIsArray(v))
        return VarTypeAsText(VarType(v));
    if (VarIsNull(v))
        return QStringLiteral("Null");
    if (VarIsEmpty(v))
        return QStringLiteral("Empty");
    if (VarIsObject(v))
        return QStringLiteral("Object");
    return VarTypeAsText(VarType(v)) + QLatin1Char(':') + VarToStr(v);
}

inline std::string Outcome(const std::function<Variant()> &f)
{
    try {
        return Describe(f()).toStdString();
    } catch (const Exception &e) {
        return std::string(e.ClassName()) + ": " + e.Message().toStdString();
    }
}

inline std::string Raised(const std::function<void()> &f)
{
    try {
        f();
    } catch (const Exception &e) {
        return std::string(e.ClassName()) + ": " + e.Message().toStdString();
    }
    return "no exception";
}

inline Variant Typed(const Variant &v, TVarType t)
{
    return VarAsType(v, t);
}

inline void PrintTo(const Variant &v, std::ostream *os)
{
    *os << Describe(v).toStdString();
}
