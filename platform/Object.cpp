#include "Object.h"
#include "Exceptions.h"

void TPersistent::Assign(TPersistent *Source)
{
    if (Source)
        Source->AssignTo(this);
    else
        AssignTo(this);
}

void TPersistent::AssignTo(TPersistent *)
{
    throw EConvertError(QStringLiteral("Cannot assign"));
}

void TPersistent::DefineProperties(TFiler *) {}
