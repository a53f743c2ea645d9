// Root classes of the class library: TObject and TPersistent, and the register of live objects.
// The run-time type information (class references, published properties)
// hangs off these two; TypInfo.h, included at the end, declares it.
#pragma once
#include <QString>

class TClassInfo;
using TClass = const TClassInfo *;
class TFiler;
class TReader;
class TWriter;

class TObject
{
public:
    TObject();
    virtual ~TObject();
    TObject(const TObject &) = delete;
    TObject &operator=(const TObject &) = delete;

    // The class reference of TObject itself, and of this instance's class.
    static TClass StaticClass();
    virtual TClass ClassType() const;
    QString ClassName() const;
    TClass ClassParent() const;
    bool InheritsFrom(TClass AClass) const;

    // Unique in the process: tells this object from an earlier one that lived
    // at the same address.
    quint64 Serial() const { return FSerial; }

private:
    quint64 FSerial;
};

// Every object is in a register of live objects from its construction to the
// end of its destruction, so that a pointer kept somewhere (a list, a
// Variant) can be checked without touching freed memory: True when AObject
// is alive and is the object that had Serial. An object freed on another
// thread while it is checked is not a case this answers.
bool ObjectIsLive(const TObject *AObject, quint64 Serial);
// The serial of the live object at AObject; 0 when none lives there.
quint64 LiveSerial(const TObject *AObject);

// A pointer a list keeps, with the serial of the object it was stored as.
struct TObjectRef
{
    TObject *Object = nullptr;
    quint64 Serial = 0;
};

// Called with every object at the end of its destruction, from any thread,
// once installed (the script engine forgets objects that scripts may still
// refer to). Nil removes it.
using TObjectDestroyHook = void (*)(const TObject *AObject);
void SetObjectDestroyHook(TObjectDestroyHook Hook);

class TPersistent : public TObject
{
public:
    using inherited = TObject;
    static TClass StaticClass();
    TClass ClassType() const override;

    // Copies Source into this object; the default asks Source to AssignTo us
    // and raises EConvertError when neither side knows how.
    virtual void Assign(TPersistent *Source);
    // Dotted name used in messages; the class name unless overridden.
    virtual QString GetNamePath() const;

protected:
    virtual void AssignTo(TPersistent *Dest);
    // Non-published data that the binary property format carries.
    virtual void DefineProperties(TFiler *Filer);
    // The object that owns this one in the sense of name paths (a collection
    // for its items, for example).
    virtual TPersistent *GetOwner() const;
    // Raises the class library's assignment error for Source into this object.
    [[noreturn]] void AssignError(const TPersistent *Source) const;

    friend class TReader;
    friend class TWriter;
};

#include "TypInfo.h"
