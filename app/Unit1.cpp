// The main window: order lists by customer, product and whole order, tiles, keys and toolbar.
#include "Unit1.h"
#include "Login_Code.h"
#include "scale_code.h"
#include "sync_code.h"
#include "TypInfo.h"
#include <algorithm>
#include <climits>
#include <cmath>

Tmain *main_ = nullptr;

TDateTime WorkDateFor(TDateTime Moment)
{
    int h, n, s, ms;
    DecodeTime(Moment, h, n, s, ms);
    const TDateTime day = DateOf(Moment);
    return h <= 9 ? day : day + 1;
}

Tmain::Tmain(TComponent *AOwner) : TForm(AOwner)
{
    main_ = this;
    SetName(QStringLiteral("main"));
    SetCaption(QStringLiteral("Quorvel软件电子秤配货系统  V8.0"));
    // Laid out for the station's 1680 x 1050 touch screen.
    SetBounds(0, 0, 1680, 1050);
    SetPosition(poScreenCenter);
    SetKeyPreview(true);

    TopPanel = new TPanel(this);
    TopPanel->SetName(QStringLiteral("TopPanel"));
    TopPanel->SetParent(this);
    TopPanel->SetHeight(90);
    TopPanel->SetAlign(alTop);
    TopPanel->SetCaption(QString());

    ToolBar1 = new TToolBar(this);
    ToolBar1->SetName(QStringLiteral("ToolBar1"));
    ToolBar1->SetParent(TopPanel);
    ToolBar1->SetBounds(4, 4, 340, 40);
    ToolBar1->SetShowCaptions(true);
    ToolBar1->SetButtonWidth(80);
    ToolBar1->SetButtonHeight(36);
    auto tool = [this](const char *Name, const QString &Caption, void (Tmain::*Handler)(TObject *)) {
        auto *b = new TToolButton(this);
        b->SetName(QString::fromLatin1(Name));
        b->SetParent(ToolBar1);
        b->SetCaption(Caption);
        b->SetOnClick(TNotifyEvent(this, Handler));
        return b;
    };
    ToolButton1 = tool("ToolButton1", QStringLiteral(" 同步订单 "), &Tmain::ToolButton1Click);
    ToolButton2 = tool("ToolButton2", QStringLiteral(" 刷新订单 "), &Tmain::ToolButton2Click);
    ToolButton4 = tool("ToolButton4", QStringLiteral(" 上传数据 "), &Tmain::ToolButton4Click);
    ToolButton6 = new TToolButton(this);
    ToolButton6->SetName(QStringLiteral("ToolButton6"));
    ToolButton6->SetParent(ToolBar1);
    ToolButton6->SetCaption(QStringLiteral("退 出"));
    ToolButton6->SetOnClick(TNotifyEvent(this, &Tmain::ToolButton6Click));

    Label_Date = new TLabel(this);
    Label_Date->SetParent(TopPanel);
    Label_Date->SetCaption(QStringLiteral("操作日期:"));
    Label_Date->SetBounds(8, 58, 72, 20);
    DateTimePicker1 = new TDateTimePicker(this);
    DateTimePicker1->SetName(QStringLiteral("DateTimePicker1"));
    DateTimePicker1->SetParent(TopPanel);
    DateTimePicker1->SetBounds(80, 54, 140, 26);

    Label_Caozy = new TLabel(this);
    Label_Caozy->SetParent(TopPanel);
    Label_Caozy->SetCaption(QStringLiteral("操作员:"));
    Label_Caozy->SetBounds(240, 58, 60, 20);
    caozy = new TLabel(this);
    caozy->SetName(QStringLiteral("caozy"));
    caozy->SetParent(TopPanel);
    caozy->SetCaption(QStringLiteral("管理员"));
    caozy->SetBounds(300, 58, 160, 20);

    // Runs the full download once the line chooser closes; never shown.
    Button6 = new TButton(this);
    Button6->SetName(QStringLiteral("Button6"));
    Button6->SetParent(TopPanel);
    Button6->SetCaption(QStringLiteral("选线路后实际同步操作"));
    Button6->SetVisible(false);
    Button6->SetOnClick(TNotifyEvent(this, &Tmain::Button6Click));

    m_zhongzl = new TEdit(this);
    m_zhongzl->SetName(QStringLiteral("m_zhongzl"));
    m_zhongzl->SetParent(TopPanel);
    m_zhongzl->SetBounds(620, 6, 110, 36);
    m_zhongzl->Font()->SetSize(18);
    m_zhongzl->SetText(QStringLiteral("0"));
    m_zhongzl->SetReadOnly(true);
    m_zhongzl->SetTag(1);
    i_kg = new TLabel(this);
    i_kg->SetName(QStringLiteral("i_kg"));
    i_kg->SetParent(TopPanel);
    i_kg->SetCaption(QStringLiteral("斤"));
    i_kg->Font()->SetSize(14);
    i_kg->SetBounds(734, 12, 22, 24);
    m_stopread = new TButton(this);
    m_stopread->SetName(QStringLiteral("m_stopread"));
    m_stopread->SetParent(TopPanel);
    m_stopread->SetCaption(QStringLiteral("停止读秤"));
    m_stopread->SetBounds(758, 8, 74, 32);
    m_stopread->SetOnClick(TNotifyEvent(this, &Tmain::m_stopreadClick));
    m_qup = new TComboBox(this);
    m_qup->SetName(QStringLiteral("m_qup"));
    m_qup->SetParent(TopPanel);
    m_qup->SetStyle(csDropDownList);
    m_qup->SetBounds(836, 11, 108, 26);
    m_qup_value = new TComboBox(this);
    m_qup_value->SetName(QStringLiteral("m_qup_value"));
    m_qup_value->SetParent(TopPanel);
    m_qup_value->SetStyle(csDropDownList);
    m_qup_value->SetBounds(836, 11, 108, 26);
    m_qup_value->SetVisible(false);
    // Shown until db/ supplies the station's own presets.
    const QString builtIn[][2] = {{QStringLiteral("动态录入"), QString()},
                                  {QStringLiteral("默认皮重"), QStringLiteral("0")},
                                  {QStringLiteral("大框"), QStringLiteral("3.5")},
                                  {QStringLiteral("中框"), QStringLiteral("2.5")},
                                  {QStringLiteral("小框"), QStringLiteral("1.0")}};
    for (const auto &preset : builtIn) {
        m_qup->Items()->Add(preset[0] + preset[1]);
        m_qup_value->Items()->Add(preset[1]);
    }
    m_qup->SetItemIndex(0);
    YbButton1 = new TYbButton(this);
    YbButton1->SetName(QStringLiteral("YbButton1"));
    YbButton1->SetParent(TopPanel);
    YbButton1->SetCaption(QStringLiteral("校秤"));
    YbButton1->SetBounds(950, 8, 66, 32);
    YbButton1->SetOnClick(TNotifyEvent(this, &Tmain::YbButton1Click));
    MSComm1 = new TMSComm(this);
    MSComm1->SetName(QStringLiteral("MSComm1"));
    MSComm1->SetOnComm(TNotifyEvent(this, &Tmain::MSComm1Comm));

    PageControl1 = new TPageControl(this);
    PageControl1->SetName(QStringLiteral("PageControl1"));
    PageControl1->SetParent(this);
    PageControl1->SetAlign(alClient);
    auto sheet = [this](const char *Name, const QString &Caption) {
        auto *t = new TTabSheet(this);
        t->SetName(QString::fromLatin1(Name));
        t->SetPageControl(PageControl1);
        t->SetCaption(Caption);
        return t;
    };
    TabSheet1 = sheet("TabSheet1", QStringLiteral("按客户配货"));
    TabSheet2 = sheet("TabSheet2", QStringLiteral("按产品配货"));
    TabSheet3 = sheet("TabSheet3", QStringLiteral("过总榜"));
    TabSheet4 = sheet("TabSheet4", QStringLiteral("操作说明"));

    CreateListControls();
    CreateNoteLists();
    AdaptToScreen(Screen->Width(), Screen->Height());

    SetOnCreate(TNotifyEvent(this, &Tmain::FormCreate));
    SetOnActivate(TNotifyEvent(this, &Tmain::FormActivate));
    SetOnClose(TCloseEvent(this, &Tmain::FormClose));
}

namespace {

// Widths scaled by Scale, then narrowed together where needed so that they
// fit Available (what the scaled grid leaves beside its unscaled scroll bar
// and borders). A column below its Minimum (its title, say) grows to it,
// and the columns with room to spare give up the difference.
std::vector<int> FittedWidths(const std::vector<int> &Designed, double Scale, int Available,
                              const std::vector<int> &Minimum = {})
{
    std::vector<int> w;
    int sum = 0;
    for (int d : Designed) {
        w.push_back(Round(d * Scale));
        sum += w.back();
    }
    if (sum > Available && sum > 0) {
        const double f = double(std::max(0, Available)) / sum;
        for (int &x : w)
            x = int(std::floor(x * f));
    }
    if (Minimum.size() != w.size())
        return w;
    int missing = 0, spare = 0;
    for (size_t i = 0; i < w.size(); ++i) {
        missing += std::max(0, Minimum[i] - w[i]);
        spare += std::max(0, w[i] - Minimum[i]);
    }
    if (missing == 0 || spare == 0)
        return w;
    const int taken = std::min(missing, spare);
    int given = 0;
    for (size_t i = 0; i < w.size(); ++i)
        if (w[i] > Minimum[i]) {
            const int part = int(std::ceil(double(w[i] - Minimum[i]) * taken / spare));
            const int cut = std::min({part, w[i] - Minimum[i], taken - given});
            w[i] -= cut;
            given += cut;
        }
    for (size_t i = 0; i < w.size() && given > 0; ++i)
        if (w[i] < Minimum[i]) {
            const int add = std::min(Minimum[i] - w[i], given);
            w[i] += add;
            given -= add;
        }
    return w;
}

// The width Text takes in Font.
int FontTextWidth(TFont *Font, const QString &Text)
{
    static QImage scratch(1, 1, QImage::Format_RGB32);
    TCanvas c(&scratch);
    c.Font()->Assign(Font);
    return c.TextWidth(Text);
}

// The room a data grid's column title needs: drawn 2 pixels in, with as
// much to spare on its right.
int TitleRoom(TDBGrid *Grid, TColumn *Column)
{
    return FontTextWidth(Grid->Font(), Column->Title()->Caption()) + 4;
}

// The room a column needs for the widest value it may hold, drawn like its
// title; 0 for a column whose values may be cut. An order number is how
// the operator tells two orders of one customer apart, so it keeps room for
// the station's own numbers ("CS", six date digits, three of sequence) in
// the font's widest digit, which downloaded numbers as long fit as well.
int ValueRoom(TDBGrid *Grid, TColumn *Column)
{
    if (Column->FieldName().compare(QLatin1String("dh"), Qt::CaseInsensitive) != 0)
        return 0;
    int digit = 0;
    for (char d = '0'; d <= '9'; ++d)
        digit = std::max(digit, FontTextWidth(Grid->Font(), QString(QLatin1Char(d))));
    return FontTextWidth(Grid->Font(), QStringLiteral("CS")) + 9 * digit + 4;
}

} // namespace

void ScaleGridCells(TControl *Control, double XScale, double YScale, int DesignWidth)
{
    auto *grid = dynamic_cast<TCustomGrid *>(Control);
    if (!grid)
        return;
    if (auto *db = dynamic_cast<TDBGrid *>(grid)) {
        // Its cells follow its columns; the indicator column keeps its width.
        // Each column keeps room for its title and any key it shows whole;
        // on a screen too small for both, for its title.
        std::vector<int> designed, titles, least;
        int used = grid->ColCount() > 0 ? grid->ColWidths(0) : 0, needed = 0;
        for (int i = 0; i < db->Columns()->Count(); ++i) {
            designed.push_back(db->Columns()->Items(i)->Width());
            titles.push_back(TitleRoom(db, db->Columns()->Items(i)));
            least.push_back(std::max(titles.back(), ValueRoom(db, db->Columns()->Items(i))));
            used += designed.back();
            needed += least.back();
        }
        const int slack = std::max(0, DesignWidth - used);
        const int available = Control->Width() - slack - (grid->ColCount() > 0 ? grid->ColWidths(0) : 0);
        const std::vector<int> w = FittedWidths(designed, XScale, available, needed <= available ? least : titles);
        for (int i = 0; i < db->Columns()->Count(); ++i)
            db->Columns()->Items(i)->SetWidth(w[size_t(i)]);
        db->SetDefaultRowHeight(Round(db->DefaultRowHeight() * YScale));
        return;
    }
    std::vector<int> widths, heights;
    int used = 0;
    for (int i = 0; i < grid->ColCount(); ++i) {
        widths.push_back(grid->ColWidths(i));
        used += widths.back();
    }
    for (int i = 0; i < grid->RowCount(); ++i)
        heights.push_back(grid->RowHeights(i));
    const int slack = std::max(0, DesignWidth - used);
    const std::vector<int> w = FittedWidths(widths, XScale, Control->Width() - slack);
    grid->SetDefaultColWidth(Round(grid->DefaultColWidth() * XScale));
    grid->SetDefaultRowHeight(Round(grid->DefaultRowHeight() * YScale));
    for (size_t i = 0; i < w.size(); ++i)
        grid->SetColWidths(int(i), w[i]);
    for (size_t i = 0; i < heights.size(); ++i)
        grid->SetRowHeights(int(i), Round(heights[i] * YScale));
}

namespace {

// Text smaller than this cannot be read on the station's screens.
constexpr int MinFontSize = 9;

// The width a control's text needs at its font; 0 for controls without one.
int TextRoom(TControl *Control)
{
    auto width = [](TFont *Font, const QString &Text) {
        return FontTextWidth(Font, QString(Text).remove(QLatin1Char('&')));
    };
    if (auto *bar = dynamic_cast<TToolBar *>(Control)) {
        int room = 0;
        for (int i = 0; i < bar->ButtonCount(); ++i)
            if (bar->Buttons(i)->Visible())
                room += bar->Buttons(i)->Width();
        return room;
    }
    if (auto *label = dynamic_cast<TLabel *>(Control))
        return label->AutoSize() ? 0 : width(label->Font(), label->Caption()) + 2;
    if (auto *button = dynamic_cast<TButton *>(Control))
        return width(button->Font(), button->Caption()) + 12;
    if (auto *combo = dynamic_cast<TComboBox *>(Control)) {
        int widest = 0;
        for (int i = 0; i < combo->Items()->Count(); ++i)
            widest = std::max(widest, width(combo->Font(), combo->Items()->Strings(i)));
        return widest > 0 ? widest + 30 : 0;
    }
    if (auto *picker = dynamic_cast<TDateTimePicker *>(Control))
        return width(picker->Font(), QStringLiteral("0000-00-00")) + 34;
    return 0;
}

// A control whose text needs more room than its scaled box gives it grows to
// its text; the controls to its right on the same row move along.
void FitTexts(const std::vector<TControl *> &Controls)
{
    std::vector<TControl *> sorted(Controls);
    std::stable_sort(sorted.begin(), sorted.end(), [](TControl *A, TControl *B) { return A->Left() < B->Left(); });
    for (TControl *c : sorted) {
        if (c->Align() != alNone || !c->Visible())
            continue;
        auto onRowRightOf = [c](TControl *Other, int From) {
            return Other != c && Other->Parent() == c->Parent() && Other->Align() == alNone && Other->Left() >= From
                   && Other->Top() < c->Top() + c->Height() && c->Top() < Other->Top() + Other->Height();
        };
        auto *label = dynamic_cast<TLabel *>(c);
        if (label && label->AutoSize()) {
            // An auto-sized label already has its text's width: its neighbour
            // keeps a small gap from it.
            int next = INT_MAX;
            for (TControl *other : sorted)
                if (onRowRightOf(other, c->Left() + 1))
                    next = std::min(next, other->Left());
            const int overlap = c->Left() + c->Width() + 4 - next;
            if (next != INT_MAX && overlap > 0)
                for (TControl *other : sorted)
                    if (onRowRightOf(other, c->Left() + 1))
                        other->SetLeft(other->Left() + overlap);
            continue;
        }
        const int grow = TextRoom(c) - c->Width();
        if (grow <= 0)
            continue;
        const int right = c->Left() + c->Width();
        for (TControl *other : sorted)
            if (onRowRightOf(other, right - 1))
                other->SetLeft(other->Left() + grow);
        c->SetWidth(c->Width() + grow);
    }
}

} // namespace

int Tmain::ScaledFontSize(int Designed) const
{
    if (FXScale == 1.0 && FYScale == 1.0)
        return Designed;
    return std::max(MinFontSize, Round(Designed * std::min(FXScale, FYScale)));
}

void Tmain::AdaptToScreen(int ScreenWidth, int ScreenHeight)
{
    if (FAdapted)
        return;
    FAdapted = true;
    if (ScreenWidth == 1680 && ScreenHeight == 1050)
        return;
    try {
        SetScaled(false);
        FYScale = double(ScreenHeight) / 1050;
        FXScale = double(ScreenWidth) / 1680;
        const double fontScale = std::min(FXScale, FYScale);
        std::vector<TControl *> controls;
        for (int i = ComponentCount() - 1; i >= 0; --i)
            if (auto *control = dynamic_cast<TControl *>(Components(i)))
                controls.push_back(control);
        // Bounds as designed, taken before the fonts change: an auto-sized
        // label shrinks with its font at once.
        FDesignBounds.clear();
        FDesignBounds.push_back(Rect(Left(), Top(), Left() + Width(), Top() + Height()));
        for (TControl *c : controls)
            FDesignBounds.push_back(Rect(c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height()));
        for (int i = ComponentCount() - 1; i >= 0; --i) {
            TComponent *c = Components(i);
            PPropInfo prop = GetPropInfo(c, u"Font");
            if (prop && prop->Kind() == tkClass)
                if (auto *font = dynamic_cast<TFont *>(GetObjectProp(c, prop)))
                    font->SetSize(std::max(MinFontSize, Round(font->Size() * fontScale)));
        }
        auto scaled = [this](const TRect &R, TControl *C) {
            const int l = Round(R.Left * FXScale), t = Round(R.Top * FYScale), r = Round(R.Right * FXScale),
                      b = Round(R.Bottom * FYScale);
            // An auto-sized control keeps the size its text gives it; only its place moves.
            PPropInfo autoSize = GetPropInfo(C, u"AutoSize");
            if (autoSize && autoSize->Kind() == tkEnumeration && GetOrdProp(C, autoSize) != 0)
                C->SetBounds(l, t, C->Width(), C->Height());
            else
                C->SetBounds(l, t, r - l, b - t);
        };
        scaled(FDesignBounds[0], this);
        for (size_t i = controls.size(); i-- > 0;)
            if (controls[i]->Align() != alClient)
                scaled(FDesignBounds[i + 1], controls[i]);
        // Grid cells shrink with their grids, so no tile or column falls off the screen.
        for (size_t i = 0; i < controls.size(); ++i)
            ScaleGridCells(controls[i], FXScale, FYScale, FDesignBounds[i + 1].Width());
        // Tool buttons are laid out by their bar, as wide as its scaled font needs.
        ToolBar1->SetButtonWidth(Round(ToolBar1->ButtonWidth() * FXScale));
        ToolBar1->SetButtonHeight(Round(ToolBar1->ButtonHeight() * FYScale));
        FitTexts(controls);
    } catch (const Exception &E) {
        throw Exception(QStringLiteral("进行屏幕分辨率自适应调整时出现错误") + E.Message());
    }
}

Tmain::~Tmain()
{
    // Nothing may call into this window once it is gone.
    if (SyncHost.MainForm == this) {
        SyncHost.MainForm = nullptr;
        SyncHost.WorkDatePicker = nullptr;
        SyncHost.ReloadOrders = nullptr;
        SyncHost.ReloadProducts = nullptr;
    }
    ClearDialogHosts();
    if (Application->OnMessage().Data() == this)
        Application->SetOnMessage(TMessageEvent());
    if (main_ == this)
        main_ = nullptr;
}

void Tmain::FormCreate(TObject *)
{
    DateTimePicker1->SetDate(WorkDateFor(Now()));
    Application->SetOnMessage(TMessageEvent(this, &Tmain::ApplicationMessage));
    SyncHost.MainForm = this;
    SyncHost.WorkDatePicker = DateTimePicker1;
    SyncHost.ReloadOrders = [this] { LoadOrders(QString()); };
    SyncHost.ReloadProducts = [this] { LoadProducts(QString()); };
    FillDialogHosts();
    // A preset file or a port that fails is shown, and start-up goes on: the
    // station still works with typed weights.
    try {
        LoadTarePresets(0);
    } catch (...) {
        Application->HandleException(this);
    }
    m_zhongzl->SetTag(StrToInt(ReadScaleType()));
    try {
        OpenScalePort(m_zhongzl->Tag());
    } catch (...) {
        Application->HandleException(this);
    }
}

void Tmain::FormClose(TObject *, TCloseAction &)
{
    CloseScalePort();
}

void Tmain::FormActivate(TObject *)
{
    if (Tag() != 0)
        return;
    FLoginPending = true;
    SetEnabled(false);
    Login->Show();
    SetTag(1);
}

void Tmain::SetEnabled(bool Value)
{
    TForm::SetEnabled(Value && !FLoginPending);
}

void Tmain::LoggedIn(const QString &OperatorName)
{
    caozy->SetCaption(OperatorName);
    FLoginPending = false;
    SetTag(1);
    SetEnabled(true);
}

void Tmain::ToolButton1Click(TObject *)
{
    DownloadOrdersClick();
}

void Tmain::ToolButton2Click(TObject *)
{
    RefreshOrdersClick();
}

void Tmain::ToolButton4Click(TObject *)
{
    UploadDeliveriesClick();
}

void Tmain::Button6Click(TObject *)
{
    FullDownloadClick();
}

void Tmain::ToolButton6Click(TObject *)
{
    Application->Terminate();
}

void Tmain::LoadTarePresets(int Index)
{
    ReadTarePresets(m_qup->Items(), m_qup_value->Items());
    m_qup->SetItemIndex(Index);
}

void Tmain::OpenScalePort(int ScaleType)
{
    if (ScaleType < 1 || ScaleType > 3)
        return;
    if (MSComm1->PortOpen())
        MSComm1->SetPortOpen(false);
    MSComm1->SetCommPort(1);
    MSComm1->SetSettings(QStringLiteral("2400,N,8,1"));
    MSComm1->SetInputLen(16);
    MSComm1->SetHandshaking(comRTSXOnXOff);
    MSComm1->SetInBufferCount(0);
    MSComm1->SetOutBufferCount(0);
    MSComm1->SetRThreshold(18);
    // A scale that sends one frame when it settles sends fewer bytes than
    // the threshold: what waits is read once the line has been quiet.
    MSComm1->SetRQuietTime(ScaleQuietTime);
    MSComm1->SetInputMode(comInputModeText);
    FScaleFrames.Clear();
    MSComm1->SetPortOpen(true);
    MSComm1Comm(MSComm1);
}

void Tmain::CloseScalePort()
{
    if (MSComm1->PortOpen())
        MSComm1->SetPortOpen(false);
}

void Tmain::MSComm1Comm(TObject *)
{
    if (MSComm1->CommEvent() == comEventDeviceLost) {
        // The last weight is no longer on the scale: it must not be saved.
        FScaleFrames.Clear();
        if (m_zhongzl->ReadOnly())
            m_zhongzl->SetText(QString());
        Application->MessageBox(ScaleLostMessage(), QStringLiteral("提示!"), MB_ICONWARNING);
        return;
    }
    // Frames that arrive while nobody reads them stay in the port's buffer.
    if (m_zhongzl->Tag() == 1 && m_zhongzl->ReadOnly())
        ParseScaleInput();
}

void Tmain::ParseScaleInput()
{
    const int event = MSComm1->CommEvent();
    if (event != comEvReceive && event != comEvQuiet)
        return;
    // Everything that arrived, so a burst shows its newest frame.
    QString text;
    while (MSComm1->PortOpen() && MSComm1->InBufferCount() > 0)
        text += MSComm1->Input();
    MSComm1->SetInBufferCount(0);
    MSComm1->SetOutBufferCount(0);
    const QString weight = FScaleFrames.Feed(text, event == comEvQuiet);
    if (!weight.isEmpty())
        m_zhongzl->SetText(weight);
}

void Tmain::m_stopreadClick(TObject *)
{
    if (m_stopread->Caption() == QStringLiteral("停止读秤")) {
        m_stopread->SetCaption(QStringLiteral("开启读秤"));
        m_zhongzl->SetReadOnly(false);
        m_zhongzl->SetText(QStringLiteral("0"));
    } else {
        m_stopread->SetCaption(QStringLiteral("停止读秤"));
        m_zhongzl->SetReadOnly(true);
        // Frames kept while reading was off are old: the first one would
        // show a weight that is no longer on the scale.
        if (MSComm1->PortOpen())
            MSComm1->SetInBufferCount(0);
    }
}

void Tmain::YbButton1Click(TObject *)
{
    CloseScalePort();
    m_zhongzl->SetTag(StrToInt(ReadScaleType()));
    OpenScalePort(m_zhongzl->Tag());
    Application->MessageBox(QStringLiteral("校秤成功"), QStringLiteral("提示!"), MB_ICONWARNING);
}

STATION_PUBLISHED(Tmain) {}
