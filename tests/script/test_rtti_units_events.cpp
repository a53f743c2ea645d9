// Event adapters: the host's typed arguments reach the script procedure and
// var parameters come back.
#include "kw_ievents.h"
#include "test_rtti_units_support.h"

namespace {

struct TEventFixture : TInterpHost
{
    explicit TEventFixture(const QString &Text) : Sender(nullptr)
    {
        Sender.SetName(QStringLiteral("Sender1"));
        S.AddClass(TComponent::StaticClass(), QString());
        EXPECT_TRUE(Compile(QStringLiteral("PascalScript"), Text)) << Error.toStdString();
        S.Execute();
    }
    TkwProcVariable *Proc(const char *Name)
    {
        auto *p = dynamic_cast<TkwProcVariable *>(S.Find(QString::fromLatin1(Name)));
        EXPECT_NE(p, nullptr);
        return p;
    }
    QString Log() const { return Out.join(QLatin1Char('|')); }
    TComponent Sender;
};

} // namespace

TEST(RttiEvents, ArgumentsReachTheProcedureInOrder)
{
    TEventFixture f(QStringLiteral(
        "procedure Notify(Sender: Variant); begin Log(Sender.Name) end;\r\n"
        "procedure Mouse(Sender, Button, Shift, X, Y: Variant);\r\n"
        "begin Log(Sender.Name); Log(Button); Log(Shift); Log(X); Log(Y) end;\r\n"
        "procedure Move(Sender, Shift, X, Y: Variant); begin Log(Shift); Log(X); Log(Y) end;\r\n"
        "begin end."));
    TkwNotifyEvent n(&f.Sender, f.Proc("Notify"));
    TNotifyEvent(n.GetMethod())(&f.Sender);
    EXPECT_EQ(f.Log(), QStringLiteral("Sender1"));
    f.Out.clear();
    TkwMouseEvent m(&f.Sender, f.Proc("Mouse"));
    TMouseEvent(m.GetMethod())(&f.Sender, mbRight, TShiftState{ssShift, ssCtrl}, 7, -3);
    EXPECT_EQ(f.Log(), QStringLiteral("Sender1|1|5|7|-3"));
    f.Out.clear();
    TkwMouseMoveEvent mm(&f.Sender, f.Proc("Move"));
    TMouseMoveEvent(mm.GetMethod())(&f.Sender, TShiftState{ssLeft}, 1, 2);
    EXPECT_EQ(f.Log(), QStringLiteral("8|1|2"));
}

TEST(RttiEvents, VarParametersAreHandedBack)
{
    TEventFixture f(QStringLiteral(
        "procedure KeyDown(Sender: Variant; var Key: Integer; Shift: Integer);\r\n"
        "begin Log(Key); Log(Shift); Key := 0 end;\r\n"
        "procedure KeyPress(Sender, Key: Variant); begin Log(Key); Key := 'x' end;\r\n"
        "procedure KeyPressEmpty(Sender, Key: Variant); begin Key := '' end;\r\n"
        "procedure Close(Sender, Action: Variant); begin Log(Action); Action := 2 end;\r\n"
        "procedure CloseQuery(Sender: Variant; var CanClose: Boolean); begin Log(CanClose); CanClose := false end;\r\n"
        "procedure CanResize(Sender: Variant; var NewWidth, NewHeight: Integer; var Resize: Boolean);\r\n"
        "begin NewWidth := 200; Resize := false end;\r\n"
        "procedure Keep(Sender: Variant); begin end;\r\n"
        "procedure CloseBad(Sender, Action: Variant); begin Action := 9 end;\r\n"
        "begin end."));
    Word key = 65;
    TkwKeyEvent kd(&f.Sender, f.Proc("KeyDown"));
    TKeyEvent(kd.GetMethod())(&f.Sender, key, TShiftState{ssAlt});
    EXPECT_EQ(key, 0);
    QChar ch = QLatin1Char('a');
    TkwKeyPressEvent kp(&f.Sender, f.Proc("KeyPress"));
    TKeyPressEvent(kp.GetMethod())(&f.Sender, ch);
    EXPECT_EQ(ch, QLatin1Char('x'));
    TkwKeyPressEvent kpe(&f.Sender, f.Proc("KeyPressEmpty"));
    TKeyPressEvent(kpe.GetMethod())(&f.Sender, ch);
    EXPECT_EQ(ch, QChar(0));
    TCloseAction action = caHide;
    TkwCloseEvent c(&f.Sender, f.Proc("Close"));
    TCloseEvent(c.GetMethod())(&f.Sender, action);
    EXPECT_EQ(action, caFree);
    bool canClose = true;
    TkwCloseQueryEvent cq(&f.Sender, f.Proc("CloseQuery"));
    TCloseQueryEvent(cq.GetMethod())(&f.Sender, canClose);
    EXPECT_FALSE(canClose);
    int w = 10, h = 20;
    bool resize = true;
    TkwCanResizeEvent cr(&f.Sender, f.Proc("CanResize"));
    TCanResizeEvent(cr.GetMethod())(&f.Sender, w, h, resize);
    EXPECT_EQ(w, 200);
    EXPECT_EQ(h, 20);
    EXPECT_FALSE(resize);
    EXPECT_EQ(f.Log(), QStringLiteral("65|2|a|1|True"));

    // No close action has the value 9.
    TkwCloseEvent bad(&f.Sender, f.Proc("CloseBad"));
    EXPECT_THROW(TCloseEvent(bad.GetMethod())(&f.Sender, action), ERangeError);
    EXPECT_EQ(action, caFree);

    // A procedure without the var parameter leaves the host's value alone.
    key = 13;
    TkwKeyEvent keep(&f.Sender, f.Proc("Keep"));
    TKeyEvent(keep.GetMethod())(&f.Sender, key, TShiftState{});
    EXPECT_EQ(key, 13);
}

TEST(RttiEvents, ErrorsPropagateAndSkipTheWriteBack)
{
    TEventFixture f(QStringLiteral(
        "procedure Boom(Sender: Variant; var Key: Integer; Shift: Integer); begin Key := 1; Fail('boom') end;\r\n"
        "procedure Bad(Sender, Key, Shift: Variant); begin Key := 'abc' end;\r\n"
        "begin end."));
    Word key = 65;
    TkwKeyEvent boom(&f.Sender, f.Proc("Boom"));
    EXPECT_THROW(TKeyEvent(boom.GetMethod())(&f.Sender, key, TShiftState{}), EConvertError);
    EXPECT_EQ(key, 65);
    TkwKeyEvent bad(&f.Sender, f.Proc("Bad"));
    EXPECT_THROW(TKeyEvent(bad.GetMethod())(&f.Sender, key, TShiftState{}), Exception);
    EXPECT_EQ(key, 65);
}
