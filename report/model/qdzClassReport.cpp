// The report object: construction, loading and saving with ancestors, building, showing, printing and progress.
#include "qdzClass.h"

#include "platform/Dialogs.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/IniFiles.h"
#include "platform/Registry.h"
#include "platform/Streams.h"
#include "platform/SysUtils.h"
#include "qdzDrawText.h"
#include "qdzExpressionCache.h"
#include "qdzRes.h"
#include "qdzUtils.h"
#include "qdzVariables.h"
#include "qdzXMLSerializer.h"
#include "script/kw_iinterpreter.h"

#include <QDir>
#include <QFileInfo>

namespace {

const char *const SysVariableNames[] = {"Date",        "Time", "Page",  "Page#",    "TotalPages",
                                        "TotalPages#", "Line", "Line#", "CopyName#"};

// Stored paths may come from the original system: '\' separators and drive
// letters. Both read as '/'; a leading '/' or "X:" makes a path absolute.
QString NormalizePath(const QString &Path)
{
    QString s = Path;
    s.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return s;
}

bool IsAbsolutePath(const QString &Path)
{
    const QString s = NormalizePath(Path);
    if (s.startsWith(QLatin1Char('/')))
        return true;
    return s.size() >= 2 && s.at(1) == QLatin1Char(':') && s.at(0).isLetter();
}

// An INI-like view of a registry key, so that GetIniFile has one result type.
class TqdzRegistryIniFile : public TCustomIniFile
{
public:
    explicit TqdzRegistryIniFile(const QString &Key) : TCustomIniFile(Key), FRegistry(Key) {}
    QString ReadString(const QString &Section, const QString &Ident, const QString &Default) override
    {
        return FRegistry.ReadString(Section, Ident, Default);
    }
    void WriteString(const QString &Section, const QString &Ident, const QString &Value) override
    {
        FRegistry.WriteString(Section, Ident, Value);
    }
    void ReadSection(const QString &Section, TStrings *Strings) override { FRegistry.ReadSection(Section, Strings); }
    void ReadSections(TStrings *Strings) override { FRegistry.ReadSections(Strings); }
    void ReadSectionValues(const QString &Section, TStrings *Strings) override
    {
        FRegistry.ReadSectionValues(Section, Strings);
    }
    void EraseSection(const QString &Section) override { FRegistry.EraseSection(Section); }
    void DeleteKey(const QString &Section, const QString &Ident) override { FRegistry.DeleteKey(Section, Ident); }
    // The registry writes every change at once.
    void UpdateFile() override {}

private:
    TRegIniFile FRegistry;
};

QStringList ListOf(TStrings *Strings)
{
    QStringList r;
    for (int i = 0; i < Strings->Count(); ++i)
        r.append(Strings->Strings(i));
    return r;
}

} // namespace

// ------------------------------------------------------------------ publishing

STATION_PUBLISHED(TqdzReport)
{
    using C = TqdzReport;
    P.Prop("Version", &C::Version, &C::SetVersion);
    P.Prop("ParentReport", &C::ParentReport, &C::SetParentReport);
    P.Prop("DataSet", &C::DataSet, &C::SetDataSet);
    P.Prop("DataSetName", &C::DataSetName, &C::SetDataSetName);
    P.Prop("DotMatrixReport", &C::DotMatrixReport, &C::SetDotMatrixReport).Default(false);
    P.Prop("EngineOptions", &C::EngineOptions, &C::SetEngineOptions);
    P.Prop("IniFile", &C::IniFile, &C::SetIniFile);
    P.Prop("OldStyleProgress", &C::OldStyleProgress, &C::SetOldStyleProgress).Default(false);
    P.Prop("Preview", &C::Preview, &C::SetPreview);
    P.Prop("PreviewOptions", &C::PreviewOptions, &C::SetPreviewOptions);
    P.Prop("PrintOptions", &C::PrintOptions, &C::SetPrintOptions);
    P.Prop("ReportOptions", &C::ReportOptions, &C::SetReportOptions);
    P.Prop("ScriptLanguage", &C::ScriptLanguage, &C::SetScriptLanguage);
    P.Prop("ScriptText", &C::ScriptText, &C::SetScriptText);
    P.Prop("ShowProgress", &C::ShowProgress, &C::SetShowProgress).Default(true);
    P.Prop("StoreInDFM", &C::StoreInDFM, &C::SetStoreInDFM).Default(true);
    P.Prop("OnStartReport", &C::OnStartReport, &C::SetOnStartReport);
    P.Prop("OnStopReport", &C::OnStopReport, &C::SetOnStopReport);
    P.Prop("OnRunDialogs", &C::OnRunDialogs, &C::SetOnRunDialogs);
    P.Prop("OnReportPrint", &C::OnReportPrint, &C::SetOnReportPrint);
    P.Prop("OnAfterPrint", &C::OnAfterPrint, &C::SetOnAfterPrint);
    P.Prop("OnBeforeConnect", &C::OnBeforeConnect, &C::SetOnBeforeConnect);
    P.Prop("OnAfterDisconnect", &C::OnAfterDisconnect, &C::SetOnAfterDisconnect);
    P.Prop("OnBeforePrint", &C::OnBeforePrint, &C::SetOnBeforePrint);
    P.Prop("OnBeginDoc", &C::OnBeginDoc, &C::SetOnBeginDoc);
    P.Prop("OnClickObject", &C::OnClickObject, &C::SetOnClickObject);
    P.Prop("OnDblClickObject", &C::OnDblClickObject, &C::SetOnDblClickObject);
    P.Prop("OnEndDoc", &C::OnEndDoc, &C::SetOnEndDoc);
    P.Prop("OnGetValue", &C::OnGetValue, &C::SetOnGetValue);
    P.Prop("OnNewGetValue", &C::OnNewGetValue, &C::SetOnNewGetValue);
    P.Prop("OnManualBuild", &C::OnManualBuild, &C::SetOnManualBuild);
    P.Prop("OnMouseOverObject", &C::OnMouseOverObject, &C::SetOnMouseOverObject);
    P.Prop("OnPreview", &C::OnPreview, &C::SetOnPreview);
    P.Prop("OnPrintPage", &C::OnPrintPage, &C::SetOnPrintPage);
    P.Prop("OnPrintReport", &C::OnPrintReport, &C::SetOnPrintReport);
    P.Prop("OnAfterPrintReport", &C::OnAfterPrintReport, &C::SetOnAfterPrintReport);
    P.Prop("OnProgressStart", &C::OnProgressStart, &C::SetOnProgressStart);
    P.Prop("OnProgress", &C::OnProgress, &C::SetOnProgress);
    P.Prop("OnProgressStop", &C::OnProgressStop, &C::SetOnProgressStop);
    P.Prop("OnUserFunction", &C::OnUserFunction, &C::SetOnUserFunction);
    P.Prop("OnLoadTemplate", &C::OnLoadTemplate, &C::SetOnLoadTemplate);
    P.Prop("OnClosePreview", &C::OnClosePreview, &C::SetOnClosePreview);
    P.Prop("OnAfterScriptCompile", &C::OnAfterScriptCompile, &C::SetOnAfterScriptCompile);
}

// ---------------------------------------------------------------- life cycle

TqdzReport::TqdzReport(TComponent *AOwner)
    : TqdzComponent(AOwner), FErrors(std::make_unique<TStringList>()),
      FDataSets(std::make_unique<TqdzReportDataSets>(this)),
      FEnabledDataSets(std::make_unique<TqdzReportDataSets>(this)), FVariables(std::make_unique<TqdzVariables>()),
      FEngineOptions(std::make_unique<TqdzEngineOptions>()), FPreviewOptions(std::make_unique<TqdzPreviewOptions>()),
      FPrintOptions(std::make_unique<TqdzPrintOptions>()), FReportOptions(std::make_unique<TqdzReportOptions>()),
      FStyles(std::make_unique<TqdzStyles>(this)), FScript(std::make_unique<TkwScript>(nullptr)),
      FTimer(std::make_unique<TTimer>(nullptr)), FScriptText(std::make_unique<TStringList>()),
      FSysVariables(std::make_unique<TStringList>()), FDrawText(std::make_unique<TqdzDrawText>()),
      FDrillState(std::make_unique<TStringList>())
{
    FIsReport = true;
    FErrors->SetSorted(true);
    FErrors->SetDuplicates(dupIgnore);
    FExpressionCache = std::make_unique<TqdzExpressionCache>(FScript.get());
    FTimer->SetEnabled(false);
    FTimer->SetInterval(50);
    FTimer->SetOnTimer(TNotifyEvent(this, &TqdzReport::TimerTick));
    EnsureEngine();
    TqdzReport::Clear();
}

TqdzReport::~TqdzReport()
{
    // The children go before the error list, the name index and the
    // ancestor copy; everything the report owns is going, so the owned
    // components need not hear of each other's end.
    Destroying();
    // Each object would take its names out one by one: the index goes at
    // once, and nothing is counted from here on.
    FNames.Clear();
    FTimer->SetEnabled(false);
    // A preview still showing this report's pages goes with it; a preview
    // control of the application forgets it.
    if (FPreview) {
        FPreview->RemoveFreeNotification(this);
        FPreview->SetReport(nullptr);
        FPreview->SetPreviewPages(nullptr);
        FPreview = nullptr;
    }
    if (TqdzCustomPreviewForm *form = FPreviewForm) {
        FPreviewForm = nullptr;
        form->RemoveFreeNotification(this);
        form->Free();
    }
    TqdzComponent::Clear();
    // The script refers to the engine and the store: it goes first.
    FExpressionCache.reset();
    FScript.reset();
    FPreviewPages.reset();
    FEngine.reset();
    // From here on this is no report any more, for whatever is left below it.
    FIsReport = false;
}

bool TqdzReport::EnsureEngine()
{
    if (FEngine && FPreviewPages)
        return true;
    const TqdzBuildFactories &f = qdzBuildFactories();
    if (!f.CreateEngine || !f.CreatePreviewPages)
        return false;
    FEngine.reset(f.CreateEngine(this));
    FPreviewPages.reset(f.CreatePreviewPages(this));
    if (!FEngine || !FPreviewPages) {
        FPreviewPages.reset();
        FEngine.reset();
        return false;
    }
    FEngine->SetPreviewPages(FPreviewPages.get());
    FPreviewPages->SetEngine(FEngine.get());
    return true;
}

void TqdzReport::CheckNotBuilding(const char *Operation) const
{
    if (Building() && !FRestoring)
        throw EInvalidOperation(QStringLiteral("Cannot %1 while the report is being built")
                                    .arg(QString::fromLatin1(Operation)));
}

void TqdzReport::CheckScriptNotRunning(const char *Operation) const
{
    // Printing, a click or the caller's run: a new build would clear the
    // script that runs and the pages it may be printing.
    if (qdzScriptRunning(this))
        throw EInvalidOperation(QStringLiteral("Cannot %1 while the report's script is running")
                                    .arg(QString::fromLatin1(Operation)));
}

void TqdzReport::ResetSysVariables()
{
    FSysVariables->Clear();
    for (const char *name : SysVariableNames)
        FSysVariables->Add(QString::fromLatin1(name));
}

void TqdzReport::Clear()
{
    CheckNotBuilding("clear the report");
    TqdzComponent::Clear();
    FDataSets->Clear();
    FVariables->Clear();
    FEngineOptions->Clear();
    FPreviewOptions->Clear();
    FPrintOptions->Clear();
    FReportOptions->Clear();
    FStyles->Clear();
    if (FDataSet)
        FDataSet->RemoveFreeNotification(this);
    FDataSet = nullptr;
    FDataSetName.clear();
    FParentReport.clear();
    // Reading the template back after a build keeps the ancestor copy.
    if (!FRestoring)
        FParentReportObject.reset();
    FDotMatrixReport = false;
    FScriptLanguage = QStringLiteral("PascalScript");
    FScriptText->Clear();
    FScriptText->Add(QStringLiteral("begin"));
    FScriptText->Add(QString());
    FScriptText->Add(QStringLiteral("end."));
    ResetSysVariables();
}

QString TqdzReport::GetDescription() const
{
    return qdzResources()->ResourceText(QStringLiteral("obReport"));
}

void TqdzReport::Notification(TComponent *AComponent, TOperation Operation)
{
    // A dataset that goes away leaves the report's dataset lists.
    // It is told so from the class library's destructor, when it is no
    // longer known as a dataset: the lists compare by address.
    if (Operation == opRemove && AComponent) {
        if (TqdzBuildSession *s = Session())
            s->Forget(AComponent);
        FDataSets->RemoveDataSet(AComponent);
        FEnabledDataSets->RemoveDataSet(AComponent);
        if (AComponent == FDataSet)
            FDataSet = nullptr;
        if (AComponent == FPreview)
            FPreview = nullptr;
        if (AComponent == FPreviewForm)
            FPreviewForm = nullptr;
    }
    // Removals are counted by ValidateRename, which RemoveComponent calls.
    if (Operation == opInsert && AComponent && AComponent->Owner() == this)
        CountName(AComponent->Name(), &TNameCounts::Owned, 1);
    // Report objects listen for removals only; telling every one of
    // thousands of owned objects about each insertion or, while the report
    // itself goes, each removal would cost the square of their number.
    if (Operation == opInsert || ComponentState().Contains(csDestroying)) {
        if (Operation == opRemove)
            RemoveFreeNotification(AComponent);
        return;
    }
    if (FFreeing) {
        RemoveFreeNotification(AComponent);
        FStayingSet.remove(AComponent);
        for (size_t i = FStaying.size(); i-- > 0;)
            if (FStayingSet.contains(FStaying[i]))
                Notify(FStaying[i], AComponent, Operation);
        return;
    }
    TqdzComponent::Notification(AComponent, Operation);
}

bool TqdzReport::BeginFreeing(const std::vector<TqdzComponent *> &Roots)
{
    if (FFreeing || Roots.empty() || ComponentState().Contains(csDestroying))
        return false;
    std::vector<TqdzComponent *> Pending(Roots);
    while (!Pending.empty()) {
        TqdzComponent *C = Pending.back();
        Pending.pop_back();
        C->Destroying();
        TList *Children = C->Objects();
        for (int i = 0; i < Children->Count(); ++i)
            Pending.push_back(static_cast<TqdzComponent *>(Children->Items(i)));
    }
    FStaying.clear();
    FStayingSet.clear();
    for (int i = 0; i < ComponentCount(); ++i) {
        TComponent *C = Components(i);
        if (!C->ComponentState().Contains(csDestroying)) {
            FStaying.push_back(C);
            FStayingSet.insert(C);
        }
    }
    FFreeing = true;
    return true;
}

void TqdzReport::EndFreeing()
{
    FFreeing = false;
    FStaying.clear();
    FStayingSet.clear();
}

// ---------------------------------------------------------------- properties

QString TqdzReport::Version() const
{
    return QStringLiteral("4.9.32");
}

void TqdzReport::SetVersion(const QString &) {}

void TqdzReport::SetEngineOptions(TqdzEngineOptions *Value)
{
    FEngineOptions->Assign(Value);
}

void TqdzReport::SetPreviewOptions(TqdzPreviewOptions *Value)
{
    FPreviewOptions->Assign(Value);
}

void TqdzReport::SetPrintOptions(TqdzPrintOptions *Value)
{
    FPrintOptions->Assign(Value);
}

void TqdzReport::SetReportOptions(TqdzReportOptions *Value)
{
    // The options have no Assign of their own: copy field by field.
    if (!Value || Value == FReportOptions.get())
        return;
    FReportOptions->SetAuthor(Value->Author());
    FReportOptions->SetCompressed(Value->Compressed());
    FReportOptions->SetConnectionName(Value->ConnectionName());
    FReportOptions->SetCreateDate(Value->CreateDate());
    FReportOptions->SetDescription(Value->Description());
    FReportOptions->SetInitString(Value->InitString());
    FReportOptions->SetLastChange(Value->LastChange());
    FReportOptions->SetName(Value->Name());
    FReportOptions->SetPassword(Value->Password());
    FReportOptions->SetPicture(Value->Picture());
    FReportOptions->SetVersionBuild(Value->VersionBuild());
    FReportOptions->SetVersionMajor(Value->VersionMajor());
    FReportOptions->SetVersionMinor(Value->VersionMinor());
    FReportOptions->SetVersionRelease(Value->VersionRelease());
}

void TqdzReport::SetScriptText(TStrings *Value)
{
    FScriptText->Assign(Value);
}

void TqdzReport::SetDataSet(TqdzDataSet *Value)
{
    if (FDataSet)
        FDataSet->RemoveFreeNotification(this);
    FDataSet = Value;
    if (FDataSet) {
        FDataSetName = FDataSet->UserName();
        FDataSet->FreeNotification(this);
    } else {
        FDataSetName.clear();
    }
}

QString TqdzReport::DataSetName() const
{
    return FDataSet ? FDataSet->UserName() : FDataSetName;
}

void TqdzReport::SetDataSetName(const QString &Value)
{
    FDataSetName = Value;
    TqdzDataSet *ds = Value.isEmpty() ? nullptr : qdzFindDataSet(this, FDataSet, Value);
    if (ds != FDataSet) {
        SetDataSet(ds);
        FDataSetName = Value;
    }
}

void TqdzReport::SetPreview(TqdzCustomPreview *Value)
{
    if (FPreview)
        FPreview->RemoveFreeNotification(this);
    FPreview = Value;
    if (FPreview)
        FPreview->FreeNotification(this);
}

void TqdzReport::SetScriptLanguage(const QString &Value)
{
    FScriptLanguage = Value.isEmpty() ? QStringLiteral("PascalScript") : Value;
}

bool TqdzReport::Terminated() const
{
    if (TqdzBuildSession *s = Session())
        return s->StopReason() != TqdzStopReason::None;
    return FTerminated;
}

void TqdzReport::SetTerminated(bool Value)
{
    if (Value) {
        StopBuild(TqdzStopReason::Cancelled);
        return;
    }
    if (TqdzBuildSession *s = Session())
        s->Resume();
    else
        FTerminated = false;
}

void TqdzReport::StopBuild(TqdzStopReason Reason)
{
    if (TqdzBuildSession *s = Session())
        s->Stop(Reason);
    else
        FTerminated = true;
    FScript->Terminate();
}

TqdzBuildSession *TqdzReport::Session() const
{
    return FEngine ? FEngine->Session() : nullptr;
}

void TqdzReport::CheckBuildStop()
{
    if (TqdzBuildSession *s = Session())
        s->CheckStop();
}

TqdzDataSet *TqdzReport::GetDataset(const QString &Alias)
{
    return qdzFindDataSet(this, nullptr, Alias);
}

TqdzPage *TqdzReport::GetPages(int Index) const
{
    return static_cast<TqdzPage *>(Objects()->Items(Index));
}

int TqdzReport::GetPagesCount() const
{
    return Objects()->Count();
}

std::unique_ptr<TCustomIniFile> TqdzReport::GetIniFile()
{
    if (FIniFile.startsWith(QStringLiteral("\\Software\\"), Qt::CaseInsensitive))
        return std::make_unique<TqdzRegistryIniFile>(FIniFile);
    return std::make_unique<TIniFile>(FIniFile);
}

QString TqdzReport::GetApplicationFolder() const
{
    if (IsDesigning())
        return QDir::currentPath() + QLatin1Char('/');
    return GetAppPath();
}

void TqdzReport::SetProgressMessage(const QString &Value, bool IsHint)
{
    if (FPreviewForm)
        FPreviewForm->SetStatusText(Value, IsHint);
}

// ------------------------------------------------------------ load and save

bool TqdzReport::LoadFromFile(const QString &FileName, bool ExceptionIfNotFound)
{
    CheckNotBuilding("load a template");
    Clear();
    FFileName.clear();
    const QString path = NormalizePath(FileName);
    const bool exists = QFileInfo(path).isFile();
    if (exists || ExceptionIfNotFound) {
        TFileStream f(path, fmOpenRead | fmShareDenyWrite);
        FFileName = path;
        LoadFromStream(&f);
    }
    return exists;
}

void TqdzReport::LoadFromStream(TStream *Stream)
{
    CheckNotBuilding("load a template");
    FErrors->Clear();
    TqdzEngineOptions engineOptions;
    engineOptions.Assign(FEngineOptions.get());
    TqdzPreviewOptions previewOptions;
    previewOptions.Assign(FPreviewOptions.get());
    const QString fileName = FFileName;
    TqdzCustomPreview *preview = FPreview;
    const bool oldStyleProgress = FOldStyleProgress;
    const bool showProgress = FShowProgress;
    const bool storeInDFM = FStoreInDFM;

    TqdzComponent::LoadFromStream(Stream);
    qdzCheckDataPage(this);

    // The template decides these three engine options and the outline and
    // cache settings of the preview; the rest belongs to the application.
    const bool convertNulls = FEngineOptions->ConvertNulls();
    const bool doublePass = FEngineOptions->DoublePass();
    const bool ignoreDevByZero = FEngineOptions->IgnoreDevByZero();
    FEngineOptions->Assign(&engineOptions);
    FEngineOptions->SetConvertNulls(convertNulls);
    FEngineOptions->SetDoublePass(doublePass);
    FEngineOptions->SetIgnoreDevByZero(ignoreDevByZero);
    const bool outlineVisible = FPreviewOptions->OutlineVisible();
    const int outlineWidth = FPreviewOptions->OutlineWidth();
    const bool outlineExpand = FPreviewOptions->OutlineExpand();
    const int pagesInCache = FPreviewOptions->PagesInCache();
    FPreviewOptions->Assign(&previewOptions);
    FPreviewOptions->SetOutlineVisible(outlineVisible);
    FPreviewOptions->SetOutlineWidth(outlineWidth);
    FPreviewOptions->SetOutlineExpand(outlineExpand);
    FPreviewOptions->SetPagesInCache(pagesInCache);
    FFileName = fileName;
    SetPreview(preview);
    FOldStyleProgress = oldStyleProgress;
    FShowProgress = showProgress;
    FStoreInDFM = storeInDFM;

    if (!FRestoring && !FEngineOptions->ThreadSafe() && !FReportOptions->Password().isEmpty()
        && !FReportOptions->CheckPassword()) {
        const QStringList errors = ListOf(FErrors.get());
        Clear();
        // Cleared, it is still a report: with its data page.
        qdzCheckDataPage(this);
        FErrors->Add(QStringLiteral("Invalid password"));
        for (const QString &e : errors)
            FErrors->Add(e);
    }
    if (!FRestoring && FErrors->Count() > 0)
        ShowErrors();
}

void TqdzReport::SaveToStream(TStream *Stream, bool SaveChildren, bool KeepAncestors, bool SaveDefaultValues)
{
    TqdzComponent::SaveToStream(Stream, SaveChildren, KeepAncestors, SaveDefaultValues);
}

void TqdzReport::SaveToFile(const QString &FileName)
{
    const QString path = NormalizePath(FileName);
    const QString saved = FParentReport;
    // A drive-letter path of the original system has no folder here to be
    // relative to: it is kept as it was.
    if (NormalizePath(FParentReport).startsWith(QLatin1Char('/'))) {
        const QString folder = QFileInfo(path).absolutePath();
        FParentReport = QDir(folder).relativeFilePath(NormalizePath(FParentReport));
    }
    struct Restore
    {
        QString &Target;
        QString Value;
        ~Restore() { Target = Value; }
    } restore{FParentReport, saved};
    TFileStream f(path, fmCreate);
    SaveToStream(&f, true, false, false);
}

void TqdzReport::SetParentReport(const QString &Value)
{
    // The template read back after a build was written with its ancestor's
    // objects in full: the ancestor copy stays, nothing is loaded.
    if (FRestoring) {
        FParentReport = Value;
        return;
    }
    FParentReport = Value;
    FParentReportObject.reset();
    if (Value.isEmpty()) {
        TList *all = AllObjects();
        for (int i = 0; i < all->Count(); ++i)
            static_cast<TqdzComponent *>(all->Items(i))->SetIsAncestor(false);
        SetIsAncestor(false);
        return;
    }
    // Only while a template is read does the name load anything.
    if (!FXMLSerializer)
        return;

    QString key = Value;
    QString path;
    if (!FOnLoadTemplate) {
        path = NormalizePath(Value);
        if (!IsAbsolutePath(path) && !path.startsWith(QLatin1String("//"))) {
            const QString here = QFileInfo(FFileName).absolutePath() + QLatin1Char('/') + path;
            path = QFileInfo(here).exists() ? here : GetApplicationFolder() + path;
        }
        key = QFileInfo(path).absoluteFilePath();
    }
    // A template that names itself, or a longer loop, would load forever.
    const QString self = FFileName.isEmpty() ? QString() : QFileInfo(FFileName).absoluteFilePath();
    if (FAncestorChain.contains(key) || (!FOnLoadTemplate && key == self)
        || FAncestorChain.size() >= qdzMaxAncestorDepth) {
        FErrors->Add(QStringLiteral("Cannot load ancestor report %1: ancestors refer to each other or are nested "
                                    "deeper than %2 levels")
                         .arg(Value)
                         .arg(qdzMaxAncestorDepth));
        FParentReport.clear();
        return;
    }

    const QString fileName = FFileName;
    TqdzXMLSerializer *serializer = FXMLSerializer;
    FAncestorChain.append(key);
    if (FOnLoadTemplate) {
        FOnLoadTemplate(this, Value);
    } else {
        const QStringList errors = ListOf(FErrors.get());
        LoadFromFile(path);
        for (const QString &e : errors)
            FErrors->Add(e);
    }
    FAncestorChain.removeLast();
    FFileName = fileName;
    FXMLSerializer = serializer;
    FParentReport = Value;

    // The copy that saving compares with: written with its ancestry kept,
    // so that it reads back without looking for its own ancestors.
    FParentReportObject = std::make_unique<TqdzReport>(nullptr);
    {
        FParentReport.clear();
        TMemoryStream s;
        TqdzComponent::SaveToStream(&s, true, true, true);
        FParentReport = Value;
        s.SetPosition(0);
        FParentReportObject->FRestoring = true;
        FParentReportObject->LoadFromStream(&s);
        FParentReportObject->FRestoring = false;
    }
    for (int i = 0; i < FParentReportObject->Objects()->Count(); ++i)
        if (auto *page = dynamic_cast<TqdzReportPage *>(
                static_cast<TqdzComponent *>(FParentReportObject->Objects()->Items(i))))
            page->SetPaperSize(256);
    TList *all = AllObjects();
    for (int i = 0; i < all->Count(); ++i)
        static_cast<TqdzComponent *>(all->Items(i))->SetIsAncestor(true);
    SetIsAncestor(true);
}

void TqdzReport::MarkAncestorObjects()
{
    if (!FParentReportObject)
        return;
    TList *all = AllObjects();
    for (int i = 0; i < all->Count(); ++i) {
        auto *c = static_cast<TqdzComponent *>(all->Items(i));
        c->SetIsAncestor(FParentReportObject->FindObject(c->Name()) != nullptr);
    }
    SetIsAncestor(true);
}

void TqdzReport::ShowErrors()
{
    if (FErrors->Count() == 0)
        return;
    QString text = qdzResources()->ResourceText(QStringLiteral("clErrors"));
    for (int i = 0; i < FErrors->Count(); ++i)
        text += QLatin1Char('\n') + FErrors->Strings(i);
    switch (FEngineOptions->NewSilentMode()) {
    case simSilent:
        break;
    case simReThrow:
        throw Exception(text);
    default:
        qdzErrorMsg(text);
        break;
    }
}

// ------------------------------------------------------------------ building

bool TqdzReport::BuildReport(bool ClearLastReport)
{
    CheckNotBuilding("build the report");
    CheckScriptNotRunning("build the report");
    FTimer->SetEnabled(false);
    FErrors->Clear();
    SetTerminated(false);
    if (!EnsureEngine()) {
        FErrors->Add(QStringLiteral("The report engine is not installed"));
        ShowErrors();
        return false;
    }
    if (ClearLastReport)
        FPreviewPages->Clear();
    FPrintOptions->SetPrinted(false);

    for (int i = 0; i < FDataSets->Count(); ++i) {
        TqdzDataSetItem *item = FDataSets->Items(i);
        if (!item->DataSet())
            FErrors->Add(Format(qdzResources()->ResourceText(QStringLiteral("clDSNotExist")),
                                {TVarRec(item->DataSetName())}));
    }

    bool result = false;
    if (FErrors->Count() == 0) {
        TqdzBuildLimits limits = FBuildLimits;
        limits.MaxMemory = qint64(std::max(FEngineOptions->MaxBuildMemSize(), 0)) << 20;
        result = FEngine->RunSession(limits, [this] { return RunBuild(); });
    }
    if (FErrors->Count() > 0) {
        result = false;
        // The one who cancelled needs no message box to hear of it.
        const bool cancelOnly = FErrors->Count() == 1 && FErrors->Strings(0) == TqdzBuildSession::CancelledText();
        try {
            if (!cancelOnly)
                ShowErrors();
        } catch (const std::bad_alloc &) {
        }
    }
    return result;
}

bool TqdzReport::RunBuild()
{
    bool result = false;
    if (FOnBeginDoc)
        FOnBeginDoc(this);
    if (!SetupScript())
        return false;
    if (FOnAfterScriptCompile)
        FOnAfterScriptCompile(this);
    if (FScript->Statement() && FScript->Statement()->Count() > 0)
        FScript->Execute();
    if (!Terminated())
        result = FEngine->Run();
    if (result) {
        if (FOnEndDoc)
            FOnEndDoc(this);
    } else if (FPreviewForm) {
        TqdzCustomPreviewForm *form = FPreviewForm;
        FPreviewForm = nullptr;
        form->RemoveFreeNotification(this);
        form->Release();
    }
    return result;
}

void TqdzReport::TimerTick(TObject *)
{
    FTimer->SetEnabled(false);
    BuildReport(false);
}

void TqdzReport::ShowReport(bool ClearLastReport)
{
    CheckNotBuilding("show the report");
    CheckScriptNotRunning("show the report");
    if (ClearLastReport && EnsureEngine())
        FPreviewPages->Clear();
    if (!FOldStyleProgress) {
        FTimer->SetEnabled(true);
        ShowBuiltReport();
    } else if (BuildReport(false)) {
        ShowBuiltReport();
    }
}

void TqdzReport::ShowBuiltReport()
{
    if (!EnsureEngine())
        return;
    if (FPreview) {
        FPreview->SetReport(this);
        FPreview->SetPreviewPages(FPreviewPages.get());
        FPreview->Init();
        return;
    }
    auto create = qdzBuildFactories().CreatePreviewForm;
    if (!create)
        return;
    TqdzCustomPreviewForm *form = create(nullptr);
    if (!form)
        return;
    SetPreview(form->GetPreview());
    if (FPreview) {
        FPreview->SetReport(this);
        FPreview->SetPreviewPages(FPreviewPages.get());
    }
    form->Init();
    if (FOnPreview)
        FOnPreview(this);
    if (FPreviewOptions->Modal()) {
        FPreviewForm = form;
        form->FreeNotification(this);
        const TqdzModalWatch watch(form);
        form->ShowModal();
        if (FPreviewForm == form) {
            form->RemoveFreeNotification(this);
            FPreviewForm = nullptr;
            SetPreview(nullptr);
            form->Free();
        }
    } else {
        FPreviewForm = form;
        form->FreeNotification(this);
        form->Show();
    }
}

bool TqdzReport::PrintReport()
{
    if (!EnsureEngine())
        return false;
    return FPreviewPages->Print();
}

void TqdzReport::SelectPrinter()
{
    if (auto select = qdzBuildFactories().SelectPrinter)
        select(FPrintOptions->Printer());
}

// ------------------------------------------------------------------ progress

void TqdzReport::DoProgressStart(TqdzProgressType ProgressType)
{
    if (FEngineOptions->ThreadSafe())
        return;
    if (FOnProgressStart)
        FOnProgressStart(this, ProgressType, 0);
    if ((FOldStyleProgress || ProgressType != ptRunning) && FShowProgress) {
        FProgress.reset();
        if (auto create = qdzBuildFactories().CreateProgress)
            FProgress.reset(create(nullptr));
        if (FProgress)
            FProgress->Execute(0, QString(), false, true);
    }
    if (ProgressType == ptRunning && FPreview)
        FPreview->ProgressStart(this, ProgressType, 0);
    Application->ProcessMessages();
}

void TqdzReport::DoProgress(TqdzProgressType ProgressType, int Progress)
{
    if (FEngineOptions->ThreadSafe())
        return;
    if (FOnProgress)
        FOnProgress(this, ProgressType, Progress);
    if (FProgress) {
        QString key;
        switch (ProgressType) {
        case ptRunning:
            key = FEngine && !FEngine->FinalPass() ? QStringLiteral("prRunningFirst") : QStringLiteral("prRunning");
            break;
        case ptExporting:
            key = QStringLiteral("prExporting");
            break;
        default:
            key = QStringLiteral("prPrinting");
            break;
        }
        FProgress->SetMessage(Format(qdzResources()->ResourceText(key), {TVarRec(Progress)}));
        if (FProgress && FProgress->Terminated())
            SetTerminated(true);
    }
    if (ProgressType == ptRunning && FPreview)
        FPreview->ProgressStep(this, ProgressType, Progress - 1);
    Application->ProcessMessages();
    // A cancel seen while messages were processed.
    if (FProgress && FProgress->Terminated())
        SetTerminated(true);
}

void TqdzReport::DoProgressStop(TqdzProgressType ProgressType)
{
    if (FEngineOptions->ThreadSafe())
        return;
    if (FOnProgressStop)
        FOnProgressStop(this, ProgressType, 0);
    FProgress.reset();
    if (ProgressType == ptRunning && FPreview)
        FPreview->ProgressStop(this, ProgressType, 0);
    Application->ProcessMessages();
}
