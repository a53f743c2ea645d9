// Actions and their links to controls, and the right-to-left modes of
// controls and of canvas text.
#include "TestFiles.h"
#include "ActnList.h"
#include "Controls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"

#include <QImage>
#include <gtest/gtest.h>
#include <memory>

namespace {

class TLog : public TObject
{
public:
    QStringList Events;
    bool DisableOnUpdate = false;
    void Execute(TObject *) { Events << "execute"; }
    void Update(TObject *Sender)
    {
        Events << "update";
        if (DisableOnUpdate)
            static_cast<TAction *>(Sender)->SetEnabled(false);
    }
    void Click(TObject *) { Events << "click"; }
};

// Columns with a dark pixel, left to right.
std::vector<int> Ink(const QImage &Img)
{
    std::vector<int> cols;
    for (int x = 0; x < Img.width(); ++x)
        for (int y = 0; y < Img.height(); ++y)
            if (qGray(Img.pixel(x, y)) < 110) {
                cols.push_back(x);
                break;
            }
    return cols;
}

QImage TextImage(const QString &Text, unsigned Format)
{
    TBitmap bmp;
    bmp.SetSize(200, 30);
    TCanvas *c = bmp.Canvas();
    c->Brush()->SetColor(clWhite);
    c->FillRect(Rect(0, 0, 200, 30));
    c->Font()->SetName("Arial");
    c->Font()->SetSize(12);
    c->Font()->SetColor(clBlack);
    TRect r = Rect(10, 5, 190, 25);
    c->DrawText(Text, r, Format | DT_SINGLELINE | DT_NOPREFIX);
    c->Release();
    return bmp.ToImage();
}

} // namespace

TEST(Actions, ListExecuteAndUpdate)
{
    TLog log;
    auto list = std::make_unique<TActionList>(nullptr);
    auto *a = new TAction(list.get());
    auto *b = new TAction(list.get());
    ASSERT_EQ(list->ActionCount(), 2);
    EXPECT_EQ(list->Actions(1), b);
    EXPECT_THROW(list->Actions(2), EListError);
    EXPECT_EQ(a->ActionList(), list.get());

    EXPECT_FALSE(a->Execute()); // no handler
    a->SetOnExecute(TNotifyEvent(&log, &TLog::Execute));
    a->SetOnUpdate(TNotifyEvent(&log, &TLog::Update));
    EXPECT_TRUE(a->Execute());
    EXPECT_EQ(log.Events, QStringList({"update", "execute"}));
    // OnUpdate may disable the action: then nothing runs.
    log.Events.clear();
    log.DisableOnUpdate = true;
    EXPECT_FALSE(a->Execute());
    EXPECT_EQ(log.Events, QStringList({"update"}));
    log.Events.clear();
    list->UpdateActions();
    EXPECT_EQ(log.Events, QStringList({"update"}));

    delete b;
    EXPECT_EQ(list->ActionCount(), 1);
}

TEST(Actions, ControlFollowsItsActionUntilItGoesItsOwnWay)
{
    TLog log;
    auto action = std::make_unique<TAction>(nullptr);
    action->SetCaption("Print");
    action->SetHint("Prints");
    action->SetOnExecute(TNotifyEvent(&log, &TLog::Execute));
    TForm form(nullptr);
    auto *button = new TButton(&form);
    button->SetParent(&form);
    auto *label = new TLabel(&form);
    label->SetParent(&form);
    button->SetAction(action.get());
    label->SetAction(action.get());
    EXPECT_EQ(action->ClientCount(), 2);
    EXPECT_EQ(button->Caption(), "Print");
    EXPECT_EQ(button->Hint(), "Prints");

    action->SetEnabled(false);
    action->SetVisible(false);
    action->SetCaption("Print note");
    EXPECT_FALSE(button->Enabled());
    EXPECT_FALSE(label->Visible());
    EXPECT_EQ(label->Caption(), "Print note");
    // A caption of the control's own is kept.
    button->SetCaption("Mine");
    action->SetCaption("Again");
    EXPECT_EQ(button->Caption(), "Mine");
    EXPECT_EQ(label->Caption(), "Again");

    // A click without OnClick runs the action; with OnClick only the handler.
    action->SetEnabled(true);
    button->Click();
    EXPECT_EQ(log.Events, QStringList({"execute"}));
    button->SetOnClick(TNotifyEvent(&log, &TLog::Click));
    button->Click();
    EXPECT_EQ(log.Events, QStringList({"execute", "click"}));

    // Freeing either side leaves no dangling link.
    delete label;
    EXPECT_EQ(action->ClientCount(), 1);
    action.reset();
    EXPECT_EQ(button->Action(), nullptr);
    button->Click();
    button->SetAction(nullptr);
}

TEST(BiDi, ParentModeAndTextFlags)
{
    TForm form(nullptr);
    auto *panel = new TPanel(&form);
    panel->SetParent(&form);
    auto *edit = new TEdit(&form);
    edit->SetParent(panel);
    EXPECT_EQ(edit->BiDiMode(), bdLeftToRight);
    form.SetBiDiMode(bdRightToLeft);
    EXPECT_EQ(panel->BiDiMode(), bdRightToLeft);
    EXPECT_EQ(edit->BiDiMode(), bdRightToLeft);
    EXPECT_EQ(edit->Widget()->layoutDirection(), Qt::RightToLeft);
    // A mode of its own stops following the parent, until ParentBiDiMode is set again.
    panel->SetBiDiMode(bdRightToLeftNoAlign);
    EXPECT_FALSE(panel->ParentBiDiMode());
    EXPECT_EQ(panel->Widget()->layoutDirection(), Qt::LeftToRight);
    form.SetBiDiMode(bdLeftToRight);
    EXPECT_EQ(panel->BiDiMode(), bdRightToLeftNoAlign);
    EXPECT_EQ(edit->BiDiMode(), bdRightToLeftNoAlign);
    panel->SetParentBiDiMode(true);
    EXPECT_EQ(panel->BiDiMode(), bdLeftToRight);
    // A control put on a right-to-left parent takes its mode.
    form.SetBiDiMode(bdRightToLeftReadingOnly);
    auto *late = new TLabel(&form);
    late->SetParent(panel);
    EXPECT_EQ(late->BiDiMode(), bdRightToLeftReadingOnly);

    const struct {
        TBiDiMode Mode;
        unsigned In, Out;
    } cases[] = {
        {bdLeftToRight, DT_LEFT, DT_LEFT},
        {bdLeftToRight, DT_RIGHT, DT_RIGHT},
        {bdRightToLeft, DT_LEFT, DT_RIGHT | DT_RTLREADING},
        {bdRightToLeft, DT_RIGHT | DT_WORDBREAK, DT_WORDBREAK | DT_RTLREADING},
        {bdRightToLeft, DT_CENTER, DT_CENTER | DT_RTLREADING},
        {bdRightToLeftNoAlign, DT_LEFT, DT_RTLREADING},
        {bdRightToLeftReadingOnly, DT_RIGHT, DT_RIGHT | DT_RTLREADING},
    };
    TLabel probe(nullptr);
    for (const auto &c : cases) {
        probe.SetBiDiMode(c.Mode);
        EXPECT_EQ(probe.DrawTextBiDiModeFlags(c.In), c.Out) << int(c.Mode) << " " << c.In;
    }
}

TEST(BiDi, RightToLeftReadingShapesAndOrdersText)
{
    // Hebrew then digits: read right to left, the digits stand at the left.
    const QString mixed = QString::fromUtf8("\u05e9\u05dc\u05d5\u05dd 123");
    const QImage rtl = TextImage(mixed, DT_RTLREADING);
    const QImage ltr = TextImage(mixed, 0);
    const QImage digits = TextImage(QStringLiteral("123"), DT_RTLREADING);
    rtl.scaled(800, 120).save(TestFile("bidi_rtl_reading.png"));
    ltr.scaled(800, 120).save(TestFile("bidi_ltr_reading.png"));
    const std::vector<int> r = Ink(rtl), l = Ink(ltr), d = Ink(digits);
    ASSERT_FALSE(r.empty());
    ASSERT_FALSE(d.empty());
    ASSERT_FALSE(l.empty());
    // Left-aligned: the line starts where the number alone starts.
    EXPECT_LE(std::abs(r.front() - d.front()), 1);
    // The digits come first from the left only when reading right to left.
    const int dw = d.back() - d.front() + 1;
    const QImage rtlHead = rtl.copy(r.front(), 0, dw, 30);
    const QImage ltrHead = ltr.copy(l.front(), 0, dw, 30);
    const QImage digitHead = digits.copy(d.front(), 0, dw, 30);
    auto same = [](const QImage &A, const QImage &B) {
        int diff = 0;
        for (int y = 0; y < A.height(); ++y)
            for (int x = 0; x < A.width(); ++x)
                diff += std::abs(qGray(A.pixel(x, y)) - qGray(B.pixel(x, y))) > 60;
        return diff <= 3;
    };
    EXPECT_TRUE(same(rtlHead, digitHead));
    EXPECT_FALSE(same(ltrHead, digitHead));
}
