#pragma once
// Root classes of the class library: TObject and TPersistent.
// The run-time type information (class references, published properties)
// hangs off these two.
#include <QString>

class TClassInfo;
using TClass = const TClassInfo *;
class TFiler;

class TObject
{
public:
    TObject() = default;
    virtual ~TObject() = default;
    TObject(const TObject &) = delete;
    TObject &operator=(const TObject &) = delete;
};

class TPersistent : public TObject
{
public:
    // Copies Source into this object; the default asks Source to AssignTo us
    // and raises EConvertError when neither side knows how.
    virtual void Assign(TPersistent *Source);

protected:
    virtual void AssignTo(TPersistent *Dest);
    // Non-published data that the binary property format carries.
    virtual void DefineProperties(TFiler *Filer);
};
