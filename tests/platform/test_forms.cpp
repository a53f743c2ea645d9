// Forms: modal loop and modal result, closing with OnCloseQuery/OnClose,
// KeyPreview and the key path, Enter/Escape to the default/cancel buttons,
// activation events, the application object and its exception box.
#include "FormHarness.h"
#include "Dialogs.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Grids.h"
#include "StdCtrls.h"
#include <gtest/gtest.h>
#include <QApplication>
#include <QCursor>
#include <QTest>
#include <QWheelEvent>
#include <memory>

using namespace FormHarness;

namespace {

// A small dialog: an edit, OK (default, mrOk), Cancel (cancel), and a plain button.
class TDialogForm : public TForm
{
public:
    explicit TDialogForm(TComponent *AOwner) : TForm(AOwner)
    {
        SetCaption(QStringLiteral("Dialog"));
        SetBounds(100, 100, 300, 200);
        Edit1 = new TEdit(this);
        Edit1->SetName(QStringLiteral("Edit1"));
        Edit1->SetParent(this);
        Edit1->SetBounds(10, 10, 150, 21);
        OkButton = new TButton(this);
        OkButton->SetParent(this);
        OkButton->SetCaption(QStringLiteral("OK"));
        OkButton->SetBounds(10, 100, 75, 25);
        OkButton->SetDefault(true);
        OkButton->SetModalResult(mrOk);
        CancelButton = new TButton(this);
        CancelButton->SetParent(this);
        CancelButton->SetCaption(QStringLiteral("Cancel"));
        CancelButton->SetBounds(100, 100, 75, 25);
        CancelButton->SetCancel(true);
        CancelButton->SetModalResult(mrCancel);
        OtherButton = new TButton(this);
        OtherButton->SetParent(this);
        OtherButton->SetCaption(QStringLiteral("Other"));
        OtherButton->SetBounds(190, 100, 75, 25);
        OtherButton->SetOnClick(TNotifyEvent(this, &TDialogForm::OtherClick));
        Memo1 = new TMemo(this);
        Memo1->SetParent(this);
        Memo1->SetBounds(10, 40, 150, 50);
    }
    void OtherClick(TObject *) { ++OtherClicks; }
    TEdit *Edit1;
    TButton *OkButton, *CancelButton, *OtherButton;
    TMemo *Memo1;
    int OtherClicks = 0;
};

// Records the events of a form in order.
class TLogger : public TObject
{
public:
    QStringList Log;
    bool AllowClose = true;
    TCloseAction Action = caHide;
    TModalResult ResultToSet = mrNone;
    Word SwallowKey = 0;
    QChar SwallowChar;
    QChar ReplaceFrom, ReplaceTo;

    void Show(TObject *) { Log << "Show"; }
    void Hide(TObject *) { Log << "Hide"; }
    void Activate(TObject *) { Log << "Activate"; }
    void Deactivate(TObject *) { Log << "Deactivate"; }
    void Create(TObject *) { Log << "Create"; }
    void Destroy(TObject *) { Log << "Destroy"; }
    void CloseQuery(TObject *, bool &CanClose)
    {
        Log << "CloseQuery";
        CanClose = AllowClose;
    }
    void Close(TObject *, TCloseAction &A)
    {
        Log << QStringLiteral("Close %1").arg(int(A));
        A = Action;
    }
    void SetResult(TObject *Sender)
    {
        Log << "Click";
        GetParentForm(static_cast<TControl *>(Sender))->SetModalResult(ResultToSet);
    }
    void FormKeyDown(TObject *, Word &Key, TShiftState Shift)
    {
        Log << QStringLiteral("FormKeyDown %1%2").arg(Key).arg(Shift.Contains(ssCtrl) ? " ctrl" : "");
        if (Key == SwallowKey)
            Key = 0;
    }
    void EditKeyDown(TObject *, Word &Key, TShiftState) { Log << QStringLiteral("EditKeyDown %1").arg(Key); }
    void FormKeyPress(TObject *, QChar &Key)
    {
        Log << QStringLiteral("FormKeyPress %1").arg(Key.unicode());
        if (Key == SwallowChar)
            Key = QChar();
        if (Key == ReplaceFrom)
            Key = ReplaceTo;
    }
    void EditKeyPress(TObject *, QChar &Key) { Log << QStringLiteral("EditKeyPress %1").arg(Key.unicode()); }
    void EditKeyUp(TObject *, Word &Key, TShiftState) { Log << QStringLiteral("EditKeyUp %1").arg(Key); }
    void Raise(TObject *) { throw EConvertError(QStringLiteral("'x' is not a valid integer value")); }
    void Enter(TObject *Sender) { Log << "Enter " + static_cast<TComponent *>(Sender)->Name(); }
    void Exit(TObject *Sender) { Log << "Exit " + static_cast<TComponent *>(Sender)->Name(); }
};

} // namespace

TEST(Forms, ShowModalReturnsTheModalResultSetInAnOnClick)
{
    TLogger log;
    TDialogForm form(nullptr);
    log.ResultToSet = mrYes;
    form.OtherButton->SetOnClick(TNotifyEvent(&log, &TLogger::SetResult));
    Later([&] { Click(form.OtherButton); });
    EXPECT_EQ(form.ShowModal(), mrYes);
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(log.Log, QStringList({"Click"}));

    // A button's own ModalResult ends the loop the same way.
    Later([&] { Click(form.CancelButton); });
    EXPECT_EQ(form.ShowModal(), mrCancel);
    EXPECT_EQ(form.ModalResult(), mrCancel);
}

TEST(Forms, ShowModalOfAVisibleFormRaises)
{
    TDialogForm form(nullptr);
    form.Show();
    EXPECT_THROW(form.ShowModal(), EInvalidOperation);
}

TEST(Forms, OnCloseQueryRefusingKeepsTheModalLoopGoing)
{
    TLogger log;
    TDialogForm form(nullptr);
    form.SetOnCloseQuery(TCloseQueryEvent(&log, &TLogger::CloseQuery));
    form.SetOnClose(TCloseEvent(&log, &TLogger::Close));
    log.AllowClose = false;
    Later([&] {
        Click(form.OkButton);
        // Refused: the loop goes on with ModalResult back at 0.
        Later([&] {
            EXPECT_TRUE(form.Visible());
            EXPECT_EQ(form.ModalResult(), mrNone);
            log.AllowClose = true;
            Click(form.OkButton);
        });
    });
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_EQ(log.Log, QStringList({"CloseQuery", "CloseQuery", "Close 1"}));
}

TEST(Forms, CloseRunsCloseQueryThenOnCloseWithItsAction)
{
    TLogger log;
    TDialogForm form(nullptr);
    form.SetOnCloseQuery(TCloseQueryEvent(&log, &TLogger::CloseQuery));
    form.SetOnClose(TCloseEvent(&log, &TLogger::Close));
    form.SetOnHide(TNotifyEvent(&log, &TLogger::Hide));
    form.Show();

    log.AllowClose = false;
    form.Close();
    EXPECT_TRUE(form.Visible());
    EXPECT_EQ(log.Log, QStringList({"CloseQuery"}));

    log.Log.clear();
    log.AllowClose = true;
    log.Action = caNone;
    form.Close();
    EXPECT_TRUE(form.Visible());
    EXPECT_EQ(log.Log, QStringList({"CloseQuery", "Close 1"}));

    log.Log.clear();
    log.Action = caHide;
    form.Close();
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(log.Log, QStringList({"CloseQuery", "Close 1", "Hide"}));

    form.Show();
    log.Action = caMinimize;
    form.Close();
    EXPECT_TRUE(form.Visible());
    EXPECT_EQ(form.WindowState(), wsMinimized);
}

TEST(Forms, CloseWithCaFreeReleasesTheFormAfterTheEvent)
{
    TLogger log;
    auto *form = new TDialogForm(nullptr);
    form->SetOnDestroy(TNotifyEvent(&log, &TLogger::Destroy));
    form->SetOnClose(TCloseEvent(&log, &TLogger::Close));
    log.Action = caFree;
    form->Show();
    form->Close();
    // Still alive until the pending events run.
    EXPECT_TRUE(IsLiveControl(form));
    ProcessEvents();
    EXPECT_FALSE(IsLiveControl(form));
    EXPECT_EQ(log.Log, QStringList({"Close 1", "Destroy"}));
}

TEST(Forms, TheWindowCloseBoxAsksTheForm)
{
    TLogger log;
    TDialogForm form(nullptr);
    form.SetOnCloseQuery(TCloseQueryEvent(&log, &TLogger::CloseQuery));
    ASSERT_TRUE(ShowAndActivate(&form));
    log.AllowClose = false;
    form.Widget()->close();
    EXPECT_TRUE(form.Visible());
    EXPECT_TRUE(form.Widget()->isVisible());
    log.AllowClose = true;
    form.Widget()->close();
    EXPECT_FALSE(form.Visible());
    EXPECT_FALSE(form.Widget()->isVisible());
}

TEST(Forms, ShowHideAndActivationEvents)
{
    TLogger log;
    TDialogForm a(nullptr), b(nullptr);
    a.SetOnShow(TNotifyEvent(&log, &TLogger::Show));
    a.SetOnHide(TNotifyEvent(&log, &TLogger::Hide));
    a.SetOnActivate(TNotifyEvent(&log, &TLogger::Activate));
    a.SetOnDeactivate(TNotifyEvent(&log, &TLogger::Deactivate));
    ASSERT_TRUE(ShowAndActivate(&a));
    EXPECT_EQ(log.Log, QStringList({"Show", "Activate"}));
    EXPECT_TRUE(a.Active());
    EXPECT_EQ(Screen->ActiveForm(), &a);
    ASSERT_TRUE(ShowAndActivate(&b));
    EXPECT_EQ(log.Log.last(), "Deactivate");
    b.Hide();
    a.Widget()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(a.Widget(), 20000));
    ProcessEvents();
    // A later activation fires OnActivate again.
    EXPECT_EQ(log.Log, QStringList({"Show", "Activate", "Deactivate", "Activate"}));
    // Hiding the active form: OnHide first, then it loses the activation.
    a.Hide();
    ProcessEvents();
    EXPECT_EQ(log.Log.mid(4), QStringList({"Hide", "Deactivate"}));
}

TEST(Forms, KeyPreviewSeesKeysFirstAndKeyZeroSwallows)
{
    TLogger log;
    TDialogForm form(nullptr);
    form.SetKeyPreview(true);
    form.SetOnKeyDown(TKeyEvent(&log, &TLogger::FormKeyDown));
    form.SetOnKeyPress(TKeyPressEvent(&log, &TLogger::FormKeyPress));
    form.Edit1->SetOnKeyDown(TKeyEvent(&log, &TLogger::EditKeyDown));
    form.Edit1->SetOnKeyPress(TKeyPressEvent(&log, &TLogger::EditKeyPress));
    form.Edit1->SetOnKeyUp(TKeyEvent(&log, &TLogger::EditKeyUp));
    ASSERT_TRUE(ShowAndActivate(&form));
    ASSERT_TRUE(Focus(form.Edit1));

    Type(QStringLiteral("a"));
    EXPECT_EQ(form.Edit1->Text(), "a");
    EXPECT_EQ(log.Log, QStringList({"FormKeyDown 65", "EditKeyDown 65", "FormKeyPress 97", "EditKeyPress 97",
                                    "EditKeyUp 65"}));

    // Key := 0 in the form: the edit never sees the key, no character comes.
    log.Log.clear();
    log.SwallowKey = 'B';
    Type(QStringLiteral("b"));
    EXPECT_EQ(form.Edit1->Text(), "a");
    EXPECT_EQ(log.Log, QStringList({"FormKeyDown 66", "EditKeyUp 66"}));

    // Key := #0 in OnKeyPress swallows the character only.
    log.Log.clear();
    log.SwallowChar = QLatin1Char('c');
    Type(QStringLiteral("c"));
    EXPECT_EQ(form.Edit1->Text(), "a");
    EXPECT_EQ(log.Log, QStringList({"FormKeyDown 67", "EditKeyDown 67", "FormKeyPress 99", "EditKeyUp 67"}));

    // A changed character is the one typed.
    log.ReplaceFrom = QLatin1Char('d');
    log.ReplaceTo = QLatin1Char('X');
    Type(QStringLiteral("d"));
    EXPECT_EQ(form.Edit1->Text(), "aX");

    // Without KeyPreview the form sees nothing of the edit's keys.
    log.Log.clear();
    form.SetKeyPreview(false);
    Key(Qt::Key_F5, Qt::ControlModifier);
    EXPECT_EQ(log.Log, QStringList({"EditKeyDown 17", "EditKeyDown 116", "EditKeyUp 116", "EditKeyUp 17"}));
    form.SetKeyPreview(true);
    log.Log.clear();
    Key(Qt::Key_F5, Qt::ControlModifier);
    EXPECT_TRUE(log.Log.contains("FormKeyDown 116 ctrl"));
}

TEST(Forms, AKeyWhoseHandlerShowsAModalBoxIsHandledOnce)
{
    // The edit sits three widgets deep; the form's handler opens a real box,
    // which takes the focus while Qt offers the unaccepted key to the parents.
    TDialogForm form(nullptr);
    auto *outer = new TPanel(&form);
    outer->SetParent(&form);
    outer->SetBounds(0, 40, 280, 60);
    auto *inner = new TPanel(&form);
    inner->SetParent(outer);
    inner->SetBounds(5, 5, 260, 40);
    auto *edit = new TEdit(&form);
    edit->SetParent(inner);
    edit->SetBounds(5, 5, 100, 21);
    TLogger log;
    struct TBoxOnF2 : TObject {
        int Down = 0;
        void KeyDown(TObject *, Word &Key, TShiftState)
        {
            if (Key == VK_F2) {
                ++Down;
                Application->MessageBox(QStringLiteral("box"), QStringLiteral("caption"));
            }
        }
    } onF2;
    form.SetKeyPreview(true);
    form.SetOnKeyDown(TKeyEvent(&onF2, &TBoxOnF2::KeyDown));
    edit->SetOnKeyDown(TKeyEvent(&log, &TLogger::EditKeyDown));
    edit->SetOnKeyUp(TKeyEvent(&log, &TLogger::EditKeyUp));
    ASSERT_TRUE(ShowAndActivate(&form));
    ASSERT_TRUE(Focus(edit));
    auto answers = std::make_unique<TModalAnswerer>();
    Key(Qt::Key_F2);
    ProcessEvents(30);
    EXPECT_EQ(onF2.Down, 1);
    EXPECT_EQ(answers->Texts, QStringList{"box"});
    EXPECT_EQ(log.Log, QStringList({"EditKeyDown 113", "EditKeyUp 113"}));
    // The next press is a press of its own, wherever the focus went.
    ASSERT_TRUE(ShowAndActivate(&form));
    Key(Qt::Key_F2);
    ProcessEvents(30);
    EXPECT_EQ(onF2.Down, 2);
    // Closed with Enter: the box's own keys pass the filter while the F2 is
    // still on its way to the parents.
    answers.reset();
    {
        TModalAnswerer byKey({QStringLiteral("<Return>")});
        ASSERT_TRUE(ShowAndActivate(&form));
        ASSERT_TRUE(Focus(edit));
        Key(Qt::Key_F2);
        ProcessEvents(30);
        EXPECT_EQ(onF2.Down, 3);
        EXPECT_EQ(byKey.Texts, QStringList{"box"});
    }
}

TEST(Forms, EnterAndEscapeReachTheDefaultAndCancelButtons)
{
    TDialogForm form(nullptr);
    Later([&] {
        Focus(form.Edit1);
        Key(Qt::Key_Return);
    });
    EXPECT_EQ(form.ShowModal(), mrOk);
    Later([&] {
        Focus(form.Edit1);
        Key(Qt::Key_Escape);
    });
    EXPECT_EQ(form.ShowModal(), mrCancel);

    // Enter on another focused button clicks that button, not the default.
    ASSERT_TRUE(ShowAndActivate(&form));
    ASSERT_TRUE(Focus(form.OtherButton));
    EXPECT_FALSE(form.OkButton->Active());
    Key(Qt::Key_Return);
    EXPECT_EQ(form.OtherClicks, 1);
    EXPECT_EQ(form.ModalResult(), mrNone);

    // A memo keeps Enter for its new line.
    ASSERT_TRUE(Focus(form.Memo1));
    EXPECT_TRUE(form.OkButton->Active());
    Type(QStringLiteral("x"));
    Key(Qt::Key_Return);
    Type(QStringLiteral("y"));
    EXPECT_EQ(form.Memo1->Text(), "x\r\ny");
    EXPECT_EQ(form.ModalResult(), mrNone);
}

TEST(Forms, FocusMovesFireOnExitAndOnEnter)
{
    TLogger log;
    TDialogForm form(nullptr);
    form.Edit1->SetOnEnter(TNotifyEvent(&log, &TLogger::Enter));
    form.Edit1->SetOnExit(TNotifyEvent(&log, &TLogger::Exit));
    form.OtherButton->SetName(QStringLiteral("Other"));
    form.OtherButton->SetOnEnter(TNotifyEvent(&log, &TLogger::Enter));
    form.SetActiveControl(form.Edit1);
    ASSERT_TRUE(ShowAndActivate(&form));
    EXPECT_EQ(form.ActiveControl(), form.Edit1);
    ASSERT_TRUE(Focus(form.OtherButton));
    EXPECT_EQ(form.ActiveControl(), form.OtherButton);
    EXPECT_EQ(log.Log, QStringList({"Enter Edit1", "Exit Edit1", "Enter Other"}));
}

TEST(Forms, DisablingOneFormLeavesTheOthersUsable)
{
    TDialogForm main(nullptr), dialog(nullptr);
    ASSERT_TRUE(ShowAndActivate(&main));
    main.SetEnabled(false);
    ASSERT_TRUE(ShowAndActivate(&dialog));
    EXPECT_FALSE(main.Widget()->isEnabled());
    EXPECT_TRUE(dialog.Widget()->isEnabled());
    EXPECT_TRUE(dialog.OtherButton->Widget()->isEnabled());
    Click(dialog.OtherButton);
    EXPECT_EQ(dialog.OtherClicks, 1);
    Click(main.OtherButton);
    EXPECT_EQ(main.OtherClicks, 0);
    main.SetEnabled(true);
    ASSERT_TRUE(ShowAndActivate(&main));
    Click(main.OtherButton);
    EXPECT_EQ(main.OtherClicks, 1);
}

TEST(Forms, AnExceptionInAnEventHandlerShowsItsMessageAndTheLoopGoesOn)
{
    TLogger log;
    TDialogForm form(nullptr);
    form.OtherButton->SetOnClick(TNotifyEvent(&log, &TLogger::Raise));
    ASSERT_TRUE(ShowAndActivate(&form));
    const QString title = Application->Title();
    Application->SetTitle(QStringLiteral("Station"));
    {
        TModalAnswerer answer;
        Click(form.OtherButton);
        ProcessEvents();
        ASSERT_EQ(answer.Texts.size(), 1);
        // The class library adds a full stop after a message ending in a letter.
        EXPECT_EQ(answer.Texts[0], "'x' is not a valid integer value.");
        EXPECT_EQ(answer.Captions[0], "Station");
    }
    Application->SetTitle(title);
    // The form still works.
    form.OtherButton->SetOnClick(TNotifyEvent(&form, &TDialogForm::OtherClick));
    Click(form.OtherButton);
    EXPECT_EQ(form.OtherClicks, 1);
}

TEST(Forms, MessageBoxButtonsAndResults)
{
    struct Case {
        int Flags;
        QString Press;
        int Result;
    };
    const Case cases[] = {
        {MB_OK, "确定", IDOK},
        {MB_OKCANCEL | MB_ICONQUESTION, "确定", IDOK},
        {MB_OKCANCEL, "取消", IDCANCEL},
        {MB_YESNO, "否(&N)", IDNO},
        {MB_YESNOCANCEL, "是(&Y)", IDYES},
        {MB_RETRYCANCEL, "重试(&R)", IDRETRY},
        {MB_ABORTRETRYIGNORE, "忽略(&I)", IDIGNORE},
        // No answer given: the default button, here the second.
        {MB_OKCANCEL | MB_DEFBUTTON2, "", IDCANCEL},
    };
    for (const Case &c : cases) {
        TModalAnswerer answer(c.Press.isEmpty() ? QStringList() : QStringList{c.Press});
        EXPECT_EQ(Application->MessageBox(QStringLiteral("请选择本次操作的对应客户单号!"), QStringLiteral("提示!"), c.Flags),
                  c.Result)
            << c.Flags;
        ASSERT_EQ(answer.Texts.size(), 1);
        EXPECT_EQ(answer.Texts[0], "请选择本次操作的对应客户单号!");
        EXPECT_EQ(answer.Captions[0], "提示!");
    }
}

namespace {
class TMessageSpy : public TObject
{
public:
    QList<unsigned> Messages;
    int WheelDelta = 0;
    bool Swallow = false;
    void OnMessage(TMsg &Msg, bool &Handled)
    {
        Messages << Msg.message;
        if (Msg.message == WM_MOUSEWHEEL)
            WheelDelta = qint16(quint16(Msg.wParam >> 16));
        Handled = Swallow && Msg.message == WM_KEYDOWN;
    }
};
} // namespace

TEST(Forms, OnMessageSeesInputFirstAndCanSwallowIt)
{
    TMessageSpy spy;
    TDialogForm form(nullptr);
    ASSERT_TRUE(ShowAndActivate(&form));
    ASSERT_TRUE(Focus(form.Edit1));
    Application->SetOnMessage(TMessageEvent(&spy, &TMessageSpy::OnMessage));
    Type(QStringLiteral("q"));
    EXPECT_EQ(form.Edit1->Text(), "q");
    EXPECT_TRUE(spy.Messages.contains(WM_KEYDOWN));
    EXPECT_TRUE(spy.Messages.contains(WM_CHAR));
    spy.Swallow = true;
    Type(QStringLiteral("r"));
    EXPECT_EQ(form.Edit1->Text(), "q");
    spy.Swallow = false;
    QWheelEvent wheel(QPointF(5, 5), form.Memo1->Widget()->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(form.Memo1->Widget(), &wheel);
    EXPECT_EQ(spy.WheelDelta, -120);
    Application->SetOnMessage(TMessageEvent());
}

namespace {
class TCreatedForm : public TForm
{
public:
    static TCreatedForm *Instance;
    TCreatedForm *SeenInConstructor = nullptr;
    QStringList Log;
    explicit TCreatedForm(TComponent *AOwner) : TForm(AOwner)
    {
        // The variable given to CreateForm is set before the constructor runs.
        SeenInConstructor = Instance;
        SetOnCreate(TNotifyEvent(this, &TCreatedForm::FormCreate));
    }
    void FormCreate(TObject *) { Log << "OnCreate"; }
};
TCreatedForm *TCreatedForm::Instance = nullptr;
} // namespace

TEST(Forms, CreateFormSetsTheReferenceFirstAndTheFirstFormIsTheMainForm)
{
    ASSERT_EQ(Application->MainForm(), nullptr);
    TCreatedForm *second = nullptr;
    Application->CreateForm(TCreatedForm::Instance);
    Application->CreateForm(second);
    ASSERT_NE(TCreatedForm::Instance, nullptr);
    EXPECT_EQ(TCreatedForm::Instance->SeenInConstructor, TCreatedForm::Instance);
    EXPECT_EQ(TCreatedForm::Instance->Log, QStringList({"OnCreate"}));
    EXPECT_EQ(Application->MainForm(), TCreatedForm::Instance);
    EXPECT_EQ(TCreatedForm::Instance->Owner(), static_cast<TComponent *>(Application));
    EXPECT_GE(Screen->FormCount(), 2);

    // Closing the main form ends Run.
    Later([] { TCreatedForm::Instance->Close(); });
    Application->Run();
    EXPECT_TRUE(Application->Terminated());
    delete second;
    delete TCreatedForm::Instance;
    TCreatedForm::Instance = nullptr;
    EXPECT_EQ(Application->MainForm(), nullptr);
    // Later tests need a running application object again.
    DoneApplication();
}

namespace {
class TPaintedForm : public TForm
{
public:
    explicit TPaintedForm(TComponent *AOwner) : TForm(AOwner)
    {
        SetBounds(0, 0, 200, 100);
        SetOnPaint(TNotifyEvent(this, &TPaintedForm::FormPaint));
    }
    void FormPaint(TObject *)
    {
        // The canvas starts with the form's font and colour.
        FontSeen = Canvas()->Font()->Size();
        BrushSeen = Canvas()->Brush()->Color();
        Canvas()->Brush()->SetColor(clLime);
        Canvas()->Rectangle(10, 10, 50, 40);
    }
    int FontSeen = 0;
    TColor BrushSeen = 0;
};
} // namespace

TEST(Forms, OnPaintDrawsOnTheFormsCanvas)
{
    TPaintedForm form(nullptr);
    form.Font()->SetSize(15);
    ASSERT_TRUE(ShowAndActivate(&form));
    const QImage img = Grab(&form).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(form.FontSeen, 15);
    EXPECT_EQ(form.BrushSeen, clBtnFace);
    EXPECT_EQ(QColor(img.pixel(20, 20)), QColor(0, 255, 0));
    // Rectangle's right and bottom edges lie outside.
    EXPECT_EQ(QColor(img.pixel(49, 39)), QColor(Qt::black));
    EXPECT_EQ(QColor(img.pixel(50, 20)), ColorToQColor(clBtnFace));
    EXPECT_EQ(QColor(img.pixel(5, 5)), ColorToQColor(clBtnFace));
}

TEST(Forms, PositionScreenCenterAndTheScreenObject)
{
    TDialogForm form(nullptr);
    form.SetPosition(poScreenCenter);
    form.Show();
    EXPECT_EQ(form.Left(), (Screen->Width() - form.Width()) / 2);
    EXPECT_EQ(form.Top(), (Screen->Height() - form.Height()) / 2);
    EXPECT_GT(Screen->Width(), 0);
    bool listed = false;
    for (int i = 0; i < Screen->FormCount(); ++i)
        listed = listed || Screen->Forms(i) == &form;
    EXPECT_TRUE(listed);
    EXPECT_THROW(Screen->Forms(Screen->FormCount()), EListError);
    Screen->SetCursor(crHourGlass);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    Screen->SetCursor(crDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    Application->Minimize();
    EXPECT_EQ(form.WindowState(), wsMinimized);
    Application->Restore();
    EXPECT_EQ(form.WindowState(), wsNormal);
}

TEST(Forms, AcceleratorsReachTheirControls)
{
    TDialogForm form(nullptr);
    form.OtherButton->SetCaption(QStringLiteral("&Other"));
    auto *label = new TLabel(&form);
    label->SetParent(&form);
    label->SetCaption(QStringLiteral("&Name"));
    label->SetFocusControl(form.Edit1);
    ASSERT_TRUE(ShowAndActivate(&form));
    // A letter typed on a button (which takes no characters) clicks the button it marks.
    ASSERT_TRUE(Focus(form.CancelButton));
    Type(QStringLiteral("o"));
    EXPECT_EQ(form.OtherClicks, 1);
    // Alt and the label's letter focus the label's control.
    Key(Qt::Key_N, Qt::AltModifier);
    ProcessEvents();
    EXPECT_TRUE(form.Edit1->Focused());
    // In an edit the letter is just typed.
    Type(QStringLiteral("o"));
    EXPECT_EQ(form.Edit1->Text(), "o");
    EXPECT_EQ(form.OtherClicks, 1);
    EXPECT_TRUE(IsAccel(QLatin1Char('n'), QStringLiteral("&Name")));
    EXPECT_FALSE(IsAccel(QLatin1Char('n'), QStringLiteral("&&Name")));
    EXPECT_TRUE(IsAccel(QLatin1Char('N'), QStringLiteral("A&&B &name")));
}

TEST(Forms, ControlsAreCreatedByClassName)
{
    Application->HookEvents();
    TDialogForm form(nullptr);
    TClass cls = FindClass(u"TButton");
    ASSERT_NE(cls, nullptr);
    TObject *made = cls->Create(&form);
    auto *button = dynamic_cast<TButton *>(made);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->Owner(), &form);
    EXPECT_EQ(button->Width(), 75);
    EXPECT_EQ(GetClass(u"TStringGrid"), TStringGrid::StaticClass());
    EXPECT_EQ(GetClass(u"TForm"), TForm::StaticClass());
}

TEST(Forms, MessageBoxAsksTheDialogHookFirst)
{
    TDialogRequest seen;
    TScopedDialogHook hook([&seen](TDialogRequest &R) {
        seen = R;
        return IDNO;
    });
    EXPECT_EQ(Application->MessageBox(QStringLiteral("您确认要删除所选行吗?"), QStringLiteral("提示!"),
                                      MB_YESNO | MB_ICONQUESTION),
              IDNO);
    EXPECT_EQ(seen.Kind, TDialogKind::MessageBox);
    EXPECT_EQ(seen.Text, QStringLiteral("您确认要删除所选行吗?"));
    EXPECT_EQ(seen.Caption, QStringLiteral("提示!"));
    EXPECT_EQ(seen.Flags, MB_YESNO | MB_ICONQUESTION);
}

TEST(Forms, AHeldKeyRepeatsKeyDownButReleasesOnce)
{
    TLogger log;
    TDialogForm form(nullptr);
    form.Edit1->SetOnKeyDown(TKeyEvent(&log, &TLogger::EditKeyDown));
    form.Edit1->SetOnKeyUp(TKeyEvent(&log, &TLogger::EditKeyUp));
    ASSERT_TRUE(ShowAndActivate(&form));
    ASSERT_TRUE(Focus(form.Edit1));
    QWidget *w = QApplication::focusWidget();
    ASSERT_NE(w, nullptr);
    // What the desktop sends while a key is held: press, auto-repeat release/press pairs, release.
    auto send = [w](QEvent::Type T, bool Repeat) {
        QKeyEvent e(T, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"), Repeat);
        QApplication::sendEvent(w, &e);
    };
    send(QEvent::KeyPress, false);
    send(QEvent::KeyRelease, true);
    send(QEvent::KeyPress, true);
    send(QEvent::KeyRelease, false);
    EXPECT_EQ(log.Log, QStringList({"EditKeyDown 65", "EditKeyDown 65", "EditKeyUp 65"}));
}
