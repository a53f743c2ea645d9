// Implementation of message and input boxes and the common dialogs.
#include "Dialogs.h"
#include "Forms.h"
#include "Graphics.h"
#include "Language.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <mutex>

// ------------------------------------------------------------------ the hook

namespace {

TDialogHook &HookSlot()
{
    static TDialogHook hook;
    return hook;
}

QWidget *DialogParent()
{
    return QApplication::activeWindow();
}

QString AppTitle()
{
    // The program's own title, as the application object's boxes show it.
    return Application->Title();
}

} // namespace

void SetDialogHook(TDialogHook Hook)
{
    HookSlot() = std::move(Hook);
}

TDialogHook DialogHook()
{
    return HookSlot();
}

bool AskDialogHook(TDialogRequest &Request, int &Result)
{
    // A copy, so a hook may replace itself while it answers.
    const TDialogHook hook = HookSlot();
    if (hook) {
        Result = hook(Request);
        if (Result != mrNone)
            return true;
    }
    // Without a QApplication no dialog can be created (Qt aborts on the
    // first widget): the dialog counts as cancelled, its text goes to the log.
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
        qWarning("%s: %s", qUtf8Printable(Request.Caption), qUtf8Printable(Request.Text));
        Result = mrCancel;
        return true;
    }
    return false;
}

TScopedDialogHook::TScopedDialogHook(TDialogHook Hook) : FPrevious(DialogHook())
{
    SetDialogHook(std::move(Hook));
}

TScopedDialogHook::~TScopedDialogHook()
{
    SetDialogHook(std::move(FPrevious));
}

// ------------------------------------------------------------------ message boxes

namespace {

struct TButtonInfo {
    TMsgDlgBtn Btn;
    const char *Caption;
    const char16_t *Chinese;
    int Result;
};

constexpr TButtonInfo ButtonInfos[] = {
    {mbYes, "&Yes", u"是(&Y)", mrYes},
    {mbNo, "&No", u"否(&N)", mrNo},
    {mbOK, "OK", u"确定", mrOk},
    {mbCancel, "Cancel", u"取消", mrCancel},
    {mbAbort, "&Abort", u"中止(&A)", mrAbort},
    {mbRetry, "&Retry", u"重试(&R)", mrRetry},
    {mbIgnore, "&Ignore", u"忽略(&I)", mrIgnore},
    {mbAll, "&All", u"全部(&A)", mrAll},
    {mbNoToAll, "N&o to All", u"全否(&O)", mrNoToAll},
    {mbYesToAll, "Yes to &All", u"全是(&A)", mrYesToAll},
    {mbHelp, "&Help", u"帮助(&H)", mrNone},
};

QString ButtonCaption(const TButtonInfo &B)
{
    return ResourceText(QString::fromLatin1(B.Caption), QString::fromUtf16(B.Chinese));
}

QString DlgTypeCaption(TMsgDlgType T)
{
    switch (T) {
    case mtWarning: return ResourceText(QStringLiteral("Warning"), QStringLiteral("警告"));
    case mtError: return ResourceText(QStringLiteral("Error"), QStringLiteral("错误"));
    case mtInformation: return ResourceText(QStringLiteral("Information"), QStringLiteral("信息"));
    case mtConfirmation: return ResourceText(QStringLiteral("Confirm"), QStringLiteral("确认"));
    default: return AppTitle();
    }
}

QMessageBox::Icon DlgTypeIcon(TMsgDlgType T)
{
    switch (T) {
    case mtWarning: return QMessageBox::Warning;
    case mtError: return QMessageBox::Critical;
    case mtInformation: return QMessageBox::Information;
    case mtConfirmation: return QMessageBox::Question;
    default: return QMessageBox::NoIcon;
    }
}

// The result Escape and the window's close button give.
int EscapeResult(TMsgDlgButtons Buttons)
{
    if (Buttons.Contains(mbCancel))
        return mrCancel;
    if (Buttons.Contains(mbNo))
        return mrNo;
    if (Buttons.Contains(mbOK))
        return mrOk;
    return mrCancel;
}

int RunMessageDlg(const QString &Caption, const QString &Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons)
{
    QMessageBox box(DialogParent());
    box.setWindowTitle(Caption);
    box.setText(Msg);
    box.setIcon(DlgTypeIcon(DlgType));
    QPushButton *def = nullptr;
    QPushButton *esc = nullptr;
    std::vector<std::pair<QPushButton *, int>> results;
    for (const TButtonInfo &b : ButtonInfos) {
        if (!Buttons.Contains(b.Btn) || b.Btn == mbHelp)
            continue;
        QPushButton *btn = box.addButton(ButtonCaption(b), QMessageBox::ActionRole);
        results.push_back({btn, b.Result});
        // The default button: OK, else Yes, else Retry.
        const TMsgDlgBtn wanted = Buttons.Contains(mbOK) ? mbOK : Buttons.Contains(mbYes) ? mbYes : mbRetry;
        if (b.Btn == wanted)
            def = btn;
        if (b.Result == EscapeResult(Buttons))
            esc = btn;
    }
    if (results.empty()) {
        QPushButton *ok = box.addButton(ResourceText(QStringLiteral("OK"), QStringLiteral("确定")), QMessageBox::ActionRole);
        results.push_back({ok, mrOk});
        esc = ok;
    }
    box.setDefaultButton(def ? def : results.front().first);
    if (esc)
        box.setEscapeButton(esc);
    box.exec();
    for (const auto &[btn, res] : results)
        if (box.clickedButton() == btn)
            return res;
    return EscapeResult(Buttons);
}

} // namespace

int MessageDlg(const QString &Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int)
{
    TDialogRequest r;
    r.Kind = TDialogKind::MessageDlg;
    r.Caption = DlgTypeCaption(DlgType);
    r.Text = Msg;
    r.DlgType = DlgType;
    r.Buttons = Buttons;
    int result = mrNone;
    if (AskDialogHook(r, result))
        return result;
    return RunMessageDlg(r.Caption, Msg, DlgType, Buttons);
}

void ShowMessage(const QString &Msg)
{
    TDialogRequest r;
    r.Kind = TDialogKind::ShowMessage;
    r.Caption = AppTitle();
    r.Text = Msg;
    r.Buttons = TMsgDlgButtons{mbOK};
    int result = mrNone;
    if (AskDialogHook(r, result))
        return;
    RunMessageDlg(r.Caption, Msg, mtCustom, TMsgDlgButtons{mbOK});
}

bool InputQuery(const QString &ACaption, const QString &APrompt, QString &Value)
{
    TDialogRequest r;
    r.Kind = TDialogKind::InputQuery;
    r.Caption = ACaption;
    r.Text = APrompt;
    r.Value = Value;
    int result = mrNone;
    if (AskDialogHook(r, result)) {
        if (result != mrOk)
            return false;
        Value = r.Value;
        return true;
    }
    QInputDialog dlg(DialogParent());
    dlg.setWindowTitle(ACaption);
    dlg.setLabelText(APrompt);
    dlg.setTextValue(Value);
    dlg.setOkButtonText(ResourceText(QStringLiteral("OK"), QStringLiteral("确定")));
    dlg.setCancelButtonText(ResourceText(QStringLiteral("Cancel"), QStringLiteral("取消")));
    if (dlg.exec() != QDialog::Accepted)
        return false;
    Value = dlg.textValue();
    return true;
}

QString InputBox(const QString &ACaption, const QString &APrompt, const QString &ADefault)
{
    QString v = ADefault;
    return InputQuery(ACaption, APrompt, v) ? v : ADefault;
}

// ------------------------------------------------------------------ TCommonDialog

void TCommonDialog::DoShow()
{
    if (FOnShow)
        FOnShow(this);
}

void TCommonDialog::DoClose()
{
    if (FOnClose)
        FOnClose(this);
}

// ------------------------------------------------------------------ file dialogs

QStringList FilterToNameFilters(const QString &Filter)
{
    QStringList out;
    const QStringList parts = Filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString desc = parts[i].trimmed();
        QStringList pats;
        for (const QString &p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts))
            pats << p.trimmed();
        const QString joined = pats.join(QLatin1Char(' '));
        if (desc.endsWith(QLatin1Char('(') + joined + QLatin1Char(')'))
            || desc.endsWith(QLatin1Char('(') + pats.join(QLatin1Char(';')) + QLatin1Char(')')))
            out << desc.left(desc.lastIndexOf(QLatin1Char('('))) + QLatin1Char('(') + joined + QLatin1Char(')');
        else
            out << desc + QStringLiteral(" (") + joined + QLatin1Char(')');
    }
    return out;
}

TOpenDialog::TOpenDialog(TComponent *AOwner) : TCommonDialog(AOwner), FFiles(std::make_unique<TStringList>()) {}

TOpenDialog::~TOpenDialog() = default;

bool TOpenDialog::Execute()
{
    return DoExecute(false);
}

bool TSaveDialog::Execute()
{
    return DoExecute(true);
}

bool TOpenDialog::DoExecute(bool Save)
{
    TDialogRequest r;
    r.Kind = Save ? TDialogKind::SaveDialog : TDialogKind::OpenDialog;
    r.Caption = FTitle;
    r.Value = FFileName;
    r.Filter = FFilter;
    r.FilterIndex = FFilterIndex;
    r.InitialDir = FInitialDir;
    DoShow();
    int result = mrNone;
    QStringList chosen;
    int filterIndex = FFilterIndex;
    if (AskDialogHook(r, result)) {
        if (result == mrOk) {
            chosen = r.Files;
            if (chosen.isEmpty() && !r.Value.isEmpty())
                chosen << r.Value;
            filterIndex = r.FilterIndex;
        }
    } else {
        QFileDialog dlg(DialogParent());
        const QStringList filters = FilterToNameFilters(FFilter);
        dlg.setOption(QFileDialog::HideNameFilterDetails, true);
        if (!filters.isEmpty()) {
            dlg.setNameFilters(filters);
            if (FFilterIndex >= 1 && FFilterIndex <= filters.size())
                dlg.selectNameFilter(filters[FFilterIndex - 1]);
        }
        if (!FTitle.isEmpty())
            dlg.setWindowTitle(FTitle);
        if (!FInitialDir.isEmpty())
            dlg.setDirectory(FInitialDir);
        if (!FFileName.isEmpty())
            dlg.selectFile(FFileName);
        if (!FDefaultExt.isEmpty())
            dlg.setDefaultSuffix(FDefaultExt);
        if (Save) {
            dlg.setAcceptMode(QFileDialog::AcceptSave);
            dlg.setFileMode(QFileDialog::AnyFile);
            dlg.setOption(QFileDialog::DontConfirmOverwrite, !FOptions.Contains(ofOverwritePrompt));
        } else {
            dlg.setAcceptMode(QFileDialog::AcceptOpen);
            dlg.setFileMode(FOptions.Contains(ofAllowMultiSelect) ? QFileDialog::ExistingFiles
                            : FOptions.Contains(ofFileMustExist)  ? QFileDialog::ExistingFile
                                                                  : QFileDialog::AnyFile);
        }
        if (dlg.exec() == QDialog::Accepted) {
            result = mrOk;
            chosen = dlg.selectedFiles();
            filterIndex = int(filters.indexOf(dlg.selectedNameFilter())) + 1;
            if (filterIndex < 1)
                filterIndex = FFilterIndex;
        } else {
            result = mrCancel;
        }
    }
    const bool ok = result == mrOk && !chosen.isEmpty();
    if (ok) {
        // A name typed without an extension gets the default one.
        if (!FDefaultExt.isEmpty())
            for (QString &f : chosen)
                if (QFileInfo(f).suffix().isEmpty())
                    f += QLatin1Char('.') + (FDefaultExt.startsWith(QLatin1Char('.')) ? FDefaultExt.mid(1) : FDefaultExt);
        FFiles->Clear();
        for (const QString &f : chosen)
            FFiles->Add(f);
        FFileName = chosen.first();
        FFilterIndex = filterIndex;
    }
    DoClose();
    return ok;
}

// ------------------------------------------------------------------ colour and font

TColorDialog::TColorDialog(TComponent *AOwner) : TCommonDialog(AOwner), FCustomColors(std::make_unique<TStringList>())
{
}

TColorDialog::~TColorDialog() = default;

void TColorDialog::SetCustomColors(TStrings *Value)
{
    FCustomColors->Assign(Value);
}

bool TColorDialog::Execute()
{
    TDialogRequest r;
    r.Kind = TDialogKind::ColorDialog;
    r.Color = FColor;
    DoShow();
    int result = mrNone;
    if (!AskDialogHook(r, result)) {
        QColorDialog dlg(ColorToQColor(FColor), DialogParent());
        // Custom colours: "ColorA".."ColorP" = BGR hex, as the system keeps them.
        for (int i = 0; i < 16 && i < QColorDialog::customCount(); ++i) {
            const QString v = FCustomColors->Values(QStringLiteral("Color") + QChar('A' + i));
            bool okHex = false;
            const uint bgr = v.toUInt(&okHex, 16);
            if (okHex)
                QColorDialog::setCustomColor(i, ColorToQColor(TColor(bgr & 0xFFFFFF)));
        }
        result = dlg.exec() == QDialog::Accepted ? mrOk : mrCancel;
        if (result == mrOk)
            r.Color = QColorToColor(dlg.selectedColor());
        for (int i = 0; i < 16 && i < QColorDialog::customCount(); ++i)
            FCustomColors->SetValues(QStringLiteral("Color") + QChar('A' + i),
                                     QStringLiteral("%1").arg(uint(QColorToColor(QColorDialog::customColor(i))), 6, 16,
                                                              QLatin1Char('0')).toUpper());
    }
    if (result == mrOk)
        FColor = r.Color;
    DoClose();
    return result == mrOk;
}

TFontDialog::TFontDialog(TComponent *AOwner) : TCommonDialog(AOwner), FFont(std::make_unique<TFont>()) {}

TFontDialog::~TFontDialog() = default;

bool TFontDialog::Execute()
{
    TFont work;
    work.Assign(FFont.get());
    TDialogRequest r;
    r.Kind = TDialogKind::FontDialog;
    r.Font = &work;
    DoShow();
    int result = mrNone;
    if (!AskDialogHook(r, result)) {
        QFontDialog dlg(FontToQFont(FFont.get()), DialogParent());
        result = dlg.exec() == QDialog::Accepted ? mrOk : mrCancel;
        if (result == mrOk) {
            const QFont q = dlg.selectedFont();
            work.SetName(q.family());
            if (q.pixelSize() > 0)
                work.SetHeight(-q.pixelSize());
            else
                work.SetSize(int(std::lround(q.pointSizeF())));
            TFontStyles st;
            if (q.bold())
                st.Include(fsBold);
            if (q.italic())
                st.Include(fsItalic);
            if (q.underline())
                st.Include(fsUnderline);
            if (q.strikeOut())
                st.Include(fsStrikeOut);
            work.SetStyle(st);
        }
    }
    if (result == mrOk)
        FFont->Assign(&work);
    DoClose();
    return result == mrOk;
}

// ------------------------------------------------------------------ printing

namespace {

std::function<QPrinter *()> &PrinterProvider()
{
    static std::function<QPrinter *()> provider;
    return provider;
}

// The provider may be set from a thread that builds a report.
std::mutex &PrinterProviderLock()
{
    static std::mutex lock;
    return lock;
}

QPrinter *DialogPrinter()
{
    std::function<QPrinter *()> provider;
    {
        std::lock_guard<std::mutex> hold(PrinterProviderLock());
        provider = PrinterProvider();
    }
    if (provider)
        if (QPrinter *p = provider())
            return p;
    static QPrinter own;
    return &own;
}

} // namespace

void SetDialogPrinterProvider(std::function<QPrinter *()> Provider)
{
    std::lock_guard<std::mutex> hold(PrinterProviderLock());
    PrinterProvider() = std::move(Provider);
}

bool TPrintDialog::Execute()
{
    TDialogRequest r;
    r.Kind = TDialogKind::PrintDialog;
    r.Copies = FCopies;
    r.FromPage = FFromPage;
    r.ToPage = FToPage;
    r.MinPage = FMinPage;
    r.MaxPage = FMaxPage;
    r.PrintRange = FPrintRange;
    r.Collate = FCollate;
    r.PrintToFile = FPrintToFile;
    DoShow();
    int result = mrNone;
    if (!AskDialogHook(r, result)) {
        QPrinter *printer = DialogPrinter();
        if (FCopies > 0)
            printer->setCopyCount(FCopies);
        printer->setCollateCopies(FCollate);
        QPrintDialog dlg(printer, DialogParent());
        QAbstractPrintDialog::PrintDialogOptions opts = QAbstractPrintDialog::PrintShowPageSize;
        if (FOptions.Contains(poPageNums))
            opts |= QAbstractPrintDialog::PrintPageRange;
        if (FOptions.Contains(poSelection))
            opts |= QAbstractPrintDialog::PrintSelection;
        if (FOptions.Contains(poPrintToFile) && !FOptions.Contains(poDisablePrintToFile))
            opts |= QAbstractPrintDialog::PrintToFile;
        opts |= QAbstractPrintDialog::PrintCollateCopies;
        dlg.setOptions(opts);
        if (FMaxPage > 0)
            dlg.setMinMax(FMinPage, FMaxPage);
        if (FPrintRange == prPageNums && FFromPage > 0) {
            dlg.setPrintRange(QAbstractPrintDialog::PageRange);
            dlg.setFromTo(FFromPage, FToPage);
        } else if (FPrintRange == prSelection) {
            dlg.setPrintRange(QAbstractPrintDialog::Selection);
        }
        result = dlg.exec() == QDialog::Accepted ? mrOk : mrCancel;
        if (result == mrOk) {
            r.Copies = printer->copyCount();
            r.Collate = printer->collateCopies();
            r.FromPage = dlg.fromPage();
            r.ToPage = dlg.toPage();
            r.PrintRange = dlg.printRange() == QAbstractPrintDialog::PageRange ? prPageNums
                           : dlg.printRange() == QAbstractPrintDialog::Selection ? prSelection
                                                                                 : prAllPages;
            r.PrintToFile = !printer->outputFileName().isEmpty();
        }
    }
    if (result == mrOk) {
        FCopies = r.Copies;
        FCollate = r.Collate;
        FFromPage = r.FromPage;
        FToPage = r.ToPage;
        FPrintRange = TPrintRange(r.PrintRange);
        FPrintToFile = r.PrintToFile;
    }
    DoClose();
    return result == mrOk;
}

bool TPrinterSetupDialog::Execute()
{
    TDialogRequest r;
    r.Kind = TDialogKind::PrinterSetupDialog;
    DoShow();
    int result = mrNone;
    if (!AskDialogHook(r, result)) {
        QPageSetupDialog dlg(DialogPrinter(), DialogParent());
        result = dlg.exec() == QDialog::Accepted ? mrOk : mrCancel;
    }
    DoClose();
    return result == mrOk;
}

// ------------------------------------------------------------------ published

STATION_PUBLISHED(TCommonDialog)
{
    P.Prop("Ctl3D", &TCommonDialog::Ctl3D, &TCommonDialog::SetCtl3D).Default(true);
    P.Prop("HelpContext", &TCommonDialog::HelpContext, &TCommonDialog::SetHelpContext).Default(0);
    P.Prop("OnClose", &TCommonDialog::OnClose, &TCommonDialog::SetOnClose);
    P.Prop("OnShow", &TCommonDialog::OnShow, &TCommonDialog::SetOnShow);
}

STATION_PUBLISHED(TOpenDialog)
{
    P.Prop("DefaultExt", &TOpenDialog::DefaultExt, &TOpenDialog::SetDefaultExt);
    P.Prop("FileEditStyle", &TOpenDialog::FileEditStyle, &TOpenDialog::SetFileEditStyle).Default(fsEdit);
    P.Prop("FileName", &TOpenDialog::FileName, &TOpenDialog::SetFileName);
    P.Prop("Filter", &TOpenDialog::Filter, &TOpenDialog::SetFilter);
    P.Prop("FilterIndex", &TOpenDialog::FilterIndex, &TOpenDialog::SetFilterIndex).Default(1);
    P.Prop("InitialDir", &TOpenDialog::InitialDir, &TOpenDialog::SetInitialDir);
    P.Prop("Options", &TOpenDialog::Options, &TOpenDialog::SetOptions)
        .Default(TOpenOptions{ofHideReadOnly, ofEnableSizing});
    P.Prop("Title", &TOpenDialog::Title, &TOpenDialog::SetTitle);
}

STATION_PUBLISHED(TSaveDialog)
{
}

STATION_PUBLISHED(TColorDialog)
{
    P.Prop("Color", &TColorDialog::Color, &TColorDialog::SetColor).Type(TypeInfoTColor()).Default(clBlack);
    P.Prop("CustomColors", &TColorDialog::CustomColors, &TColorDialog::SetCustomColors);
    P.Prop("Options", &TColorDialog::Options, &TColorDialog::SetOptions).Default(TColorDialogOptions{});
}

STATION_PUBLISHED(TFontDialog)
{
    P.Prop("Font", &TFontDialog::Font, &TFontDialog::SetFont);
    P.Prop("Device", &TFontDialog::Device, &TFontDialog::SetDevice).Default(fdScreen);
    P.Prop("MinFontSize", &TFontDialog::MinFontSize, &TFontDialog::SetMinFontSize).Default(0);
    P.Prop("MaxFontSize", &TFontDialog::MaxFontSize, &TFontDialog::SetMaxFontSize).Default(0);
    P.Prop("Options", &TFontDialog::Options, &TFontDialog::SetOptions).Default(TFontDialogOptions{fdEffects});
}

STATION_PUBLISHED(TPrintDialog)
{
    P.Prop("Collate", &TPrintDialog::Collate, &TPrintDialog::SetCollate).Default(false);
    P.Prop("Copies", &TPrintDialog::Copies, &TPrintDialog::SetCopies).Default(0);
    P.Prop("FromPage", &TPrintDialog::FromPage, &TPrintDialog::SetFromPage).Default(0);
    P.Prop("MinPage", &TPrintDialog::MinPage, &TPrintDialog::SetMinPage).Default(0);
    P.Prop("MaxPage", &TPrintDialog::MaxPage, &TPrintDialog::SetMaxPage).Default(0);
    P.Prop("Options", &TPrintDialog::Options, &TPrintDialog::SetOptions).Default(TPrintDialogOptions{});
    P.Prop("PrintToFile", &TPrintDialog::PrintToFile, &TPrintDialog::SetPrintToFile).Default(false);
    P.Prop("PrintRange", &TPrintDialog::PrintRange, &TPrintDialog::SetPrintRange).Default(prAllPages);
    P.Prop("ToPage", &TPrintDialog::ToPage, &TPrintDialog::SetToPage).Default(0);
}

STATION_PUBLISHED(TPrinterSetupDialog)
{
}
