// Event adapters: a script procedure assigned to an event property of a host
// object runs through one of these. Each adapter's handler has the class
// library's signature for its kind of event, passes the arguments to the
// procedure as variants and hands the values of var parameters back.
#pragma once
#include "Controls.h"
#include "Forms.h"
#include "kw_iinterpreter.h"

// (Sender)
class TkwNotifyEvent : public TkwCustomEvent
{
public:
    using TkwCustomEvent::TkwCustomEvent;
    TMethod GetMethod() override;
    void DoEvent(TObject *Sender);
};

// (Sender, Button, Shift, X, Y)
class TkwMouseEvent : public TkwCustomEvent
{
public:
    using TkwCustomEvent::TkwCustomEvent;
    TMethod GetMethod() override;
    void DoEvent(TObject *Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
};

// (Sender, Shift, X, Y)
class TkwMouseMoveEvent : public TkwCustomEvent
{
public:
    using TkwCustomEvent::TkwCustomEvent;
    TMethod GetMethod() override;
    void DoEvent(TObject *Sender, TShiftState Shift, int X, int Y);
};

// (Sender, var Key: Word, Shift)
class TkwKeyEvent : public TkwCustomEvent
{
public:
    using TkwCustomEvent::TkwCustomEvent;
    TMethod GetMethod() override;
    void DoEvent(TObject *Sender, Word &Key, TShiftState Shift);
};

// (Sender, var Key: Char); an empty string handed back gives the NUL
// character.
class TkwKeyPressEvent : public TkwCustomEvent
{
public:
    using TkwCustomEvent::TkwCustomEvent;
    TMethod GetMethod() override;
    void DoEvent(TObject *Sender, QChar &Key);
};

// (Sender, var Action)
class TkwCloseEvent : public TkwCustomEvent
{
public:
    using TkwCustomEvent::TkwCustomEvent;
    TMethod GetMethod() override;
    void DoEvent(TObject *Sender, TCloseAction &Action);
};

// (Sender, var CanClose)
class TkwCloseQueryEvent : public TkwCustomEvent
{
public:
    using TkwCustomEvent::TkwCustomEvent;
    TMethod GetMethod() override;
    void DoEvent(TObject *Sender, bool &CanClose);
};

// (Sender, var NewWidth, NewHeight, var Resize)
class TkwCanResizeEvent : public TkwCustomEvent
{
public:
    using TkwCustomEvent::TkwCustomEvent;
    TMethod GetMethod() override;
    void DoEvent(TObject *Sender, int &NewWidth, int &NewHeight, bool &Resize);
};
