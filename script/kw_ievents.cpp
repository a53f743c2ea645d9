// Implementation of event adapters.
#include "kw_ievents.h"
#include "kw_irttihelpers.h"

namespace {

// The value the procedure's parameter Index (0-based) holds after the run;
// false when the procedure is gone or has no such parameter, so that the
// host's argument keeps its value.
bool ParamAfter(TkwCustomEvent *Event, int Index, Variant &Value)
{
    if (Index >= Event->ParamsAfter().size())
        return false;
    Value = Event->ParamsAfter()[Index];
    return true;
}

Variant ShiftVar(TShiftState Shift)
{
    return Variant(int(Shift.ToInt()));
}

} // namespace

TMethod TkwNotifyEvent::GetMethod()
{
    return TNotifyEvent(this, &TkwNotifyEvent::DoEvent).Method();
}

void TkwNotifyEvent::DoEvent(TObject *Sender)
{
    CallHandler({kwObjectToVar(Sender)});
}

TMethod TkwMouseEvent::GetMethod()
{
    return TMouseEvent(this, &TkwMouseEvent::DoEvent).Method();
}

void TkwMouseEvent::DoEvent(TObject *Sender, TMouseButton Button, TShiftState Shift, int X, int Y)
{
    CallHandler({kwObjectToVar(Sender), Variant(int(Button)), ShiftVar(Shift), Variant(X), Variant(Y)});
}

TMethod TkwMouseMoveEvent::GetMethod()
{
    return TMouseMoveEvent(this, &TkwMouseMoveEvent::DoEvent).Method();
}

void TkwMouseMoveEvent::DoEvent(TObject *Sender, TShiftState Shift, int X, int Y)
{
    CallHandler({kwObjectToVar(Sender), ShiftVar(Shift), Variant(X), Variant(Y)});
}

TMethod TkwKeyEvent::GetMethod()
{
    return TKeyEvent(this, &TkwKeyEvent::DoEvent).Method();
}

void TkwKeyEvent::DoEvent(TObject *Sender, Word &Key, TShiftState Shift)
{
    CallHandler({kwObjectToVar(Sender), Variant(int(Key)), ShiftVar(Shift)});
    Variant v;
    if (ParamAfter(this, 1, v))
        Key = Word(v.AsInteger());
}

TMethod TkwKeyPressEvent::GetMethod()
{
    return TKeyPressEvent(this, &TkwKeyPressEvent::DoEvent).Method();
}

void TkwKeyPressEvent::DoEvent(TObject *Sender, QChar &Key)
{
    CallHandler({kwObjectToVar(Sender), Variant(QString(Key))});
    Variant v;
    if (ParamAfter(this, 1, v)) {
        const QString s = VarToStr(v);
        Key = s.isEmpty() ? QChar(0) : s.at(0);
    }
}

TMethod TkwCloseEvent::GetMethod()
{
    return TCloseEvent(this, &TkwCloseEvent::DoEvent).Method();
}

void TkwCloseEvent::DoEvent(TObject *Sender, TCloseAction &Action)
{
    CallHandler({kwObjectToVar(Sender), Variant(int(Action))});
    Variant v;
    if (ParamAfter(this, 1, v))
        Action = kwEnumValue(v.AsInteger(), caMinimize);
}

TMethod TkwCloseQueryEvent::GetMethod()
{
    return TCloseQueryEvent(this, &TkwCloseQueryEvent::DoEvent).Method();
}

void TkwCloseQueryEvent::DoEvent(TObject *Sender, bool &CanClose)
{
    CallHandler({kwObjectToVar(Sender), Variant(CanClose)});
    Variant v;
    if (ParamAfter(this, 1, v))
        CanClose = v.AsBoolean();
}

TMethod TkwCanResizeEvent::GetMethod()
{
    return TCanResizeEvent(this, &TkwCanResizeEvent::DoEvent).Method();
}

void TkwCanResizeEvent::DoEvent(TObject *Sender, int &NewWidth, int &NewHeight, bool &Resize)
{
    CallHandler({kwObjectToVar(Sender), Variant(NewWidth), Variant(NewHeight), Variant(Resize)});
    Variant v;
    if (ParamAfter(this, 1, v))
        NewWidth = v.AsInteger();
    if (ParamAfter(this, 2, v))
        NewHeight = v.AsInteger();
    if (ParamAfter(this, 3, v))
        Resize = v.AsBoolean();
}
