// The class library's exception hierarchy: every error the system raises is an
// Exception carrying a message; handlers catch by class.
#pragma once
#include <QString>
#include <exception>
#include <string>

class Exception : public std::exception
{
public:
    explicit Exception(const QString &msg) : FMessage(msg), FUtf8(msg.toStdString()) {}
    ~Exception() override = default;
    const QString &Message() const { return FMessage; }
    void SetMessage(const QString &msg) { FMessage = msg; FUtf8 = msg.toStdString(); }
    const char *what() const noexcept override { return FUtf8.c_str(); }
    // Name of the exception class, as the class library reports it.
    virtual const char *ClassName() const { return "Exception"; }
private:
    QString FMessage;
    std::string FUtf8;
};

#define STATION_EXCEPTION(Name, Base)                                   \
    class Name : public Base                                            \
    {                                                                   \
    public:                                                             \
        using Base::Base;                                               \
        const char *ClassName() const override { return #Name; }        \
    };

STATION_EXCEPTION(EAbort, Exception)
STATION_EXCEPTION(EConvertError, Exception)
STATION_EXCEPTION(EListError, Exception)
STATION_EXCEPTION(EStringListError, Exception)
STATION_EXCEPTION(EStreamError, Exception)
STATION_EXCEPTION(EFilerError, EStreamError)
STATION_EXCEPTION(EReadError, EFilerError)
STATION_EXCEPTION(EWriteError, EFilerError)
STATION_EXCEPTION(EClassNotFound, EFilerError)
STATION_EXCEPTION(EFOpenError, EStreamError)
STATION_EXCEPTION(EFCreateError, EStreamError)
STATION_EXCEPTION(EInOutError, Exception)
STATION_EXCEPTION(EVariantError, Exception)
STATION_EXCEPTION(EMathError, Exception)
STATION_EXCEPTION(EIntError, Exception)
STATION_EXCEPTION(EDivByZero, EIntError)
STATION_EXCEPTION(ERangeError, EIntError)
STATION_EXCEPTION(EIntOverflow, EIntError)
STATION_EXCEPTION(EZeroDivide, EMathError)
STATION_EXCEPTION(EOverflow, EMathError)
STATION_EXCEPTION(EInvalidOp, EMathError)
STATION_EXCEPTION(EAbstractError, Exception)
STATION_EXCEPTION(EInvalidCast, Exception)
STATION_EXCEPTION(EInvalidOperation, Exception)
STATION_EXCEPTION(EInvalidPointer, Exception)
STATION_EXCEPTION(EComponentError, Exception)
STATION_EXCEPTION(EOutOfResources, Exception)
STATION_EXCEPTION(EDatabaseError, Exception)
STATION_EXCEPTION(EPrinter, Exception)
STATION_EXCEPTION(EResNotFound, Exception)
