// Driving forms in tests on the offscreen platform: show and activate a form,
// click and type into its controls through QTest, grab a control into an
// image, and answer the modal message boxes a test provokes.
#pragma once
#include "Forms.h"
#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QTimer;
class QWidget;

namespace FormHarness {

// Shows the form and waits until it is the active window, so focus and key
// events behave as on a desktop. False when activation did not come.
bool ShowAndActivate(TCustomForm *Form);
// Handles pending events (and waits up to Ms milliseconds for more).
void ProcessEvents(int Ms = 0);

// Mouse on a control; the point is in the control's client coordinates
// (the centre when omitted).
void Click(TControl *Control);
void Click(TControl *Control, const TPoint &P, Qt::MouseButton Button = Qt::LeftButton,
           Qt::KeyboardModifiers Modifiers = Qt::NoModifier);
void DblClick(TControl *Control, const TPoint &P);
void MouseDown(TControl *Control, const TPoint &P, Qt::MouseButton Button = Qt::LeftButton);
void MouseUp(TControl *Control, const TPoint &P, Qt::MouseButton Button = Qt::LeftButton);
void MouseMove(TControl *Control, const TPoint &P);
// A right click as the desktop delivers it: press, the context-menu request
// (a pop-up menu opens there), release.
void RightClick(TControl *Control, const TPoint &P);

// Keys go to the widget that has the focus (the active window when none).
void Key(int QtKey, Qt::KeyboardModifiers Modifiers = Qt::NoModifier);
void Type(const QString &Text);
// Focuses the control (its form must be active) and waits for it.
bool Focus(TWinControl *Control);

// The control as it looks on screen.
QImage Grab(TControl *Control);
// Grabs into a PNG file; false when writing failed.
bool GrabToFile(TControl *Control, const QString &FileName);

// The first visible form of type T (nullptr when none is shown).
template <class T> T *ShownForm()
{
    for (int i = 0; i < Screen->FormCount(); ++i)
        if (auto *f = dynamic_cast<T *>(Screen->Forms(i)); f && f->Visible())
            return f;
    return nullptr;
}

// Runs Proc as soon as the event loop runs again (inside a ShowModal, say).
void Later(std::function<void()> Proc);

// While it lives, every modal message box that opens is answered: with the
// next button text from Answers (e.g. "取消"), or the box's default button
// when the list is used up. The texts and captions seen are recorded.
// Answers each message box shown with the button of the next answer's text
// (the default button when none is left); the answer "<Return>" presses Enter
// on the box's focused control instead, as an operator's keyboard does.
class TModalAnswerer
{
public:
    explicit TModalAnswerer(QStringList Answers = {});
    ~TModalAnswerer();
    TModalAnswerer(const TModalAnswerer &) = delete;
    TModalAnswerer &operator=(const TModalAnswerer &) = delete;

    QStringList Texts;
    QStringList Captions;

private:
    void Poll();
    QStringList FAnswers;
    std::unique_ptr<QTimer> FTimer;
};

} // namespace FormHarness
