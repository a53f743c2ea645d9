// Implementation of driving forms in tests on the offscreen platform.
#include "FormHarness.h"
#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace FormHarness {

namespace {

// The widget under a client point of the control (a scroll area's
// viewport, say) and the point in its coordinates.
QWidget *Target(TControl *Control, const TPoint &P, QPoint &At)
{
    QWidget *w = Control->Widget();
    At = QPoint(P.X, P.Y);
    // A scrolling widget takes the mouse on its viewport, in client coordinates.
    if (auto *area = qobject_cast<QAbstractScrollArea *>(w))
        return area->viewport();
    QWidget *child = w->childAt(At);
    if (child && FindControl(child) == Control) {
        At = child->mapFrom(w, At);
        return child;
    }
    return w;
}

QWidget *KeyTarget()
{
    if (QWidget *w = QApplication::focusWidget())
        return w;
    return QApplication::activeWindow();
}

} // namespace

void ProcessEvents(int Ms)
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (Ms > 0)
        QTest::qWait(Ms);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool ShowAndActivate(TCustomForm *Form)
{
    Form->Show();
    QWidget *w = Form->Widget();
    if (!w)
        return false;
    w->activateWindow();
    const bool active = QTest::qWaitForWindowActive(w, 20000);
    ProcessEvents();
    return active;
}

void Click(TControl *Control)
{
    Click(Control, Point(Control->Width() / 2, Control->Height() / 2));
}

void Click(TControl *Control, const TPoint &P, Qt::MouseButton Button, Qt::KeyboardModifiers Modifiers)
{
    QPoint at;
    QWidget *w = Target(Control, P, at);
    QTest::mouseClick(w, Button, Modifiers, at);
}

void DblClick(TControl *Control, const TPoint &P)
{
    QPoint at;
    QWidget *w = Target(Control, P, at);
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(w, Qt::LeftButton, Qt::NoModifier, at);
}

void MouseDown(TControl *Control, const TPoint &P, Qt::MouseButton Button)
{
    QPoint at;
    QWidget *w = Target(Control, P, at);
    QTest::mousePress(w, Button, Qt::NoModifier, at);
}

void MouseUp(TControl *Control, const TPoint &P, Qt::MouseButton Button)
{
    // The release goes where the press went, as with a captured mouse.
    QPoint at;
    QWidget *w = Target(Control, Point(0, 0), at);
    at = w == Control->Widget() || qobject_cast<QAbstractScrollArea *>(Control->Widget())
             ? QPoint(P.X, P.Y)
             : w->mapFrom(Control->Widget(), QPoint(P.X, P.Y));
    QTest::mouseRelease(w, Button, Qt::NoModifier, at);
}

void RightClick(TControl *Control, const TPoint &P)
{
    QPoint at;
    QWidget *w = Target(Control, P, at);
    QPointer<QWidget> alive(w);
    QTest::mousePress(w, Qt::RightButton, Qt::NoModifier, at);
    if (!alive)
        return;
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, w->mapToGlobal(at));
    QCoreApplication::sendEvent(w, &menu);
    if (alive)
        QTest::mouseRelease(w, Qt::RightButton, Qt::NoModifier, at);
}

void MouseMove(TControl *Control, const TPoint &P)
{
    QPoint at;
    QWidget *w = Target(Control, Point(0, 0), at);
    at = w == Control->Widget() || qobject_cast<QAbstractScrollArea *>(Control->Widget())
             ? QPoint(P.X, P.Y)
             : w->mapFrom(Control->Widget(), QPoint(P.X, P.Y));
    QTest::mouseMove(w, at);
}

void Key(int QtKey, Qt::KeyboardModifiers Modifiers)
{
    QWidget *w = KeyTarget();
    if (w)
        QTest::keyClick(w, Qt::Key(QtKey), Modifiers);
}

void Type(const QString &Text)
{
    // One character at a time: the focus may move while typing.
    for (QChar c : Text) {
        QWidget *w = KeyTarget();
        if (!w)
            return;
        QTest::keyClicks(w, QString(c));
    }
}

bool Focus(TWinControl *Control)
{
    Control->SetFocus();
    QElapsedTimer t;
    t.start();
    while (!Control->Focused() && t.elapsed() < 20000)
        ProcessEvents(5);
    return Control->Focused();
}

QImage Grab(TControl *Control)
{
    QWidget *w = Control->Widget();
    if (!w)
        return QImage();
    return w->grab().toImage();
}

bool GrabToFile(TControl *Control, const QString &FileName)
{
    const QImage img = Grab(Control);
    return !img.isNull() && img.save(FileName, "PNG");
}

void Later(std::function<void()> Proc)
{
    QTimer::singleShot(0, qApp, std::move(Proc));
}

TModalAnswerer::TModalAnswerer(QStringList Answers) : FAnswers(std::move(Answers)), FTimer(new QTimer)
{
    FTimer->setInterval(10);
    QObject::connect(FTimer.get(), &QTimer::timeout, FTimer.get(), [this] { Poll(); });
    FTimer->start();
}

TModalAnswerer::~TModalAnswerer() = default;

void TModalAnswerer::Poll()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    Texts << box->text();
    Captions << box->windowTitle();
    QAbstractButton *press = nullptr;
    if (!FAnswers.isEmpty() && FAnswers.first() == QLatin1String("<Return>")) {
        FAnswers.removeFirst();
        QWidget *focus = QApplication::focusWidget();
        QTest::keyClick(focus && box->isAncestorOf(focus) ? focus : box, Qt::Key_Return);
        return;
    }
    if (!FAnswers.isEmpty()) {
        const QString want = FAnswers.takeFirst();
        for (QAbstractButton *b : box->buttons())
            if (b->text() == want)
                press = b;
    }
    if (!press)
        press = box->defaultButton();
    if (!press && !box->buttons().isEmpty())
        press = box->buttons().first();
    if (press)
        press->click();
    else
        box->reject();
}

} // namespace FormHarness
