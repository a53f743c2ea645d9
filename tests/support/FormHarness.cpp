#include "FormHarness.h"
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace FormHarness {

namespace {

QPoint ToWidget(TControl *, const TPoint &P)
{
    return QPoint(P.X, P.Y);
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
    const bool active = QTest::qWaitForWindowActive(w, 2000);
    ProcessEvents();
    return active;
}

void Click(TControl *Control)
{
    Click(Control, Point(Control->Width() / 2, Control->Height() / 2));
}

void Click(TControl *Control, const TPoint &P, Qt::MouseButton Button, Qt::KeyboardModifiers Modifiers)
{
    QTest::mouseClick(Control->Widget(), Button, Modifiers, ToWidget(Control, P));
}

void DblClick(TControl *Control, const TPoint &P)
{
    QWidget *w = Control->Widget();
    const QPoint p = ToWidget(Control, P);
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, p);
    QTest::mouseDClick(w, Qt::LeftButton, Qt::NoModifier, p);
}

void MouseDown(TControl *Control, const TPoint &P, Qt::MouseButton Button)
{
    QTest::mousePress(Control->Widget(), Button, Qt::NoModifier, ToWidget(Control, P));
}

void MouseUp(TControl *Control, const TPoint &P, Qt::MouseButton Button)
{
    QTest::mouseRelease(Control->Widget(), Button, Qt::NoModifier, ToWidget(Control, P));
}

void MouseMove(TControl *Control, const TPoint &P)
{
    QTest::mouseMove(Control->Widget(), ToWidget(Control, P));
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
    while (!Control->Focused() && t.elapsed() < 2000)
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
