// One build of a report: limits, clocks and stop, the script guard and the template's save and restore.
#include "qdzBuildSession.h"
#include "qdzClass.h"
#include "qdzExpressionCache.h"
#include "qdzTemplateCopy.h"
#include "qdzUtils.h"
#include "qdzVariables.h"

#include "platform/Controls.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "script/kw_iinterpreter.h"
#include "script/kw_ixml.h"

#include <QSet>
#include <algorithm>
#include <new>

namespace {

// The builds under way on this thread: a script is judged against the
// builds of its own thread only, never against trees that other threads
// change or free.
thread_local std::vector<TqdzBuildSession *> GSessions;

QString NameOf(const TObject *X)
{
    if (auto *c = dynamic_cast<const TComponent *>(X); c && !c->Name().isEmpty())
        return c->Name();
    return X->ClassName();
}

// Whether freeing X frees Target too: X is Target, or Target's owner, a
// control's parent or a report object's parent, or one of theirs, and so on.
bool FreesWith(const TObject *X, const TComponent *Target)
{
    std::vector<const TComponent *> pending{Target};
    QSet<const TComponent *> seen;
    while (!pending.empty()) {
        const TComponent *c = pending.back();
        pending.pop_back();
        if (!c || seen.contains(c))
            continue;
        if (c == X)
            return true;
        seen.insert(c);
        pending.push_back(c->Owner());
        if (auto *control = dynamic_cast<const TControl *>(c))
            pending.push_back(control->Parent());
        if (auto *object = dynamic_cast<const TqdzComponent *>(c))
            pending.push_back(object->Parent());
    }
    return false;
}

// Everything freeing X frees: X, what it owns and what it parents, and
// theirs. Each with whether it was reached as a child only.
struct TTaken
{
    std::vector<std::pair<TComponent *, bool>> Items;
    QSet<const TObject *> Set;
    bool HasReportObject = false;

    explicit TTaken(TObject *X)
    {
        auto *root = dynamic_cast<TComponent *>(X);
        if (!root) {
            Set.insert(X);
            return;
        }
        Add(root, false);
        for (size_t i = 0; i < Items.size(); ++i) {
            TComponent *c = Items[i].first;
            for (int k = 0; k < c->ComponentCount(); ++k)
                Add(c->Components(k), false);
            if (auto *object = dynamic_cast<TqdzComponent *>(c)) {
                HasReportObject = true;
                for (int k = 0; k < object->Objects()->Count(); ++k)
                    Add(static_cast<TqdzComponent *>(object->Objects()->Items(k)), true);
            }
            if (auto *control = dynamic_cast<TWinControl *>(c))
                for (int k = 0; k < control->ControlCount(); ++k)
                    Add(control->Controls(k), true);
        }
    }
    void Add(TComponent *C, bool ViaParent)
    {
        if (C && !Set.contains(C)) {
            Set.insert(C);
            Items.emplace_back(C, ViaParent);
        }
    }
};

// Whether R's build walks D: the report's own dataset, its lists, or the
// dataset of one of its data bands or pages.
bool Walks(const TqdzReport *R, const TqdzDataSet *D)
{
    if (D == R->DataSet())
        return true;
    for (TqdzReportDataSets *list : {R->DataSets(), R->EnabledDataSets()})
        for (int i = 0; i < list->Count(); ++i)
            if (list->Items(i)->DataSet() == D)
                return true;
    std::vector<const TqdzComponent *> pending{R};
    while (!pending.empty()) {
        const TqdzComponent *c = pending.back();
        pending.pop_back();
        if (auto *band = dynamic_cast<const TqdzDataBand *>(c); band && band->DataSet() == D)
            return true;
        if (auto *page = dynamic_cast<const TqdzReportPage *>(c); page && page->DataSet() == D)
            return true;
        for (int i = 0; i < c->Objects()->Count(); ++i)
            pending.push_back(static_cast<const TqdzComponent *>(c->Objects()->Items(i)));
    }
    return false;
}

// What the report's scripts reach besides its objects: the engine, the
// built pages, their outline and the variables. While it builds, also the
// datasets it walks, looked for only among what the free takes along, so
// that a free costs what it frees and not the size of the template.
bool UsedBy(const TObject *X, const TTaken &Taken, const TqdzReport *R, bool Building)
{
    if (R->Engine() && X == R->Engine())
        return true;
    if (TqdzCustomPreviewPages *pages = R->PreviewPages())
        if (X == pages || (pages->Outline() && X == pages->Outline()))
            return true;
    if (X == R->Variables())
        return true;
    if (!Building)
        return false;
    for (const auto &[c, viaParent] : Taken.Items)
        if (auto *d = dynamic_cast<const TqdzDataSet *>(c); d && Walks(R, d))
            return true;
    return false;
}

// The reports whose scripts are running on this thread: a script belongs
// to the report that set it up, an expression's script to the script it
// runs in.
std::vector<TqdzReport *> RunningReports()
{
    std::vector<TqdzReport *> r;
    for (TkwScript *script : TkwRunningScript::Scripts())
        for (TkwScript *s = script; s; s = s->Parent())
            if (auto *report = dynamic_cast<TqdzReport *>(s->AddedBy());
                report && std::find(r.begin(), r.end(), report) == r.end())
                r.push_back(report);
    return r;
}

// An object of R: in its tree or owned by it.
bool BelongsTo(const TObject *X, const TqdzReport *R)
{
    auto *c = dynamic_cast<const TComponent *>(X);
    if (!c)
        return false;
    if (c == R || c->Owner() == R)
        return true;
    auto *object = dynamic_cast<const TqdzComponent *>(c);
    return object && object->GetReport() == R;
}

[[noreturn]] void Refuse(const TObject *X, bool Building)
{
    throw EInvalidOperation(Building ? QStringLiteral("Cannot free %1 while the report is being built").arg(NameOf(X))
                                     : QStringLiteral("Cannot free %1 while the report's script is running")
                                           .arg(NameOf(X)));
}

bool IsBuilding(const TqdzReport *R, const std::vector<TqdzBuildSession *> &Sessions)
{
    return std::any_of(Sessions.begin(), Sessions.end(), [R](TqdzBuildSession *s) { return s->Report() == R; });
}

// What becomes of an object a script frees: freed now; already taken over
// by a build; or to be taken over by this thread's build, which frees it
// when it ends.
enum class TVerdict { Free, Taken, Defer };

// A component's list of children is never the script's to change: the tree
// would keep children that no longer know their place. Anything else is
// judged by all it takes along: nothing the running reports or their builds
// work on, nothing of the host, nothing whose event runs. What a build's
// script may free but takes report objects along is let go when the build
// ends, as the engine may hold it until then. Raises to refuse; changes
// nothing.
TVerdict Judge(TObject *X)
{
    if (auto *list = dynamic_cast<TqdzObjectList *>(X))
        throw EInvalidOperation(
            QStringLiteral("Cannot change the objects of %1 from a script").arg(NameOf(list->Component())));
    const std::vector<TqdzBuildSession *> &sessions = GSessions;
    const std::vector<TqdzReport *> running = RunningReports();
    if (sessions.empty() && running.empty())
        return TVerdict::Free;
    for (TqdzBuildSession *s : sessions)
        if (s->Deferred(X))
            return TVerdict::Taken;

    const TTaken taken(X);
    std::vector<TqdzReport *> reports = running;
    for (TqdzBuildSession *s : sessions)
        if (std::find(reports.begin(), reports.end(), s->Report()) == reports.end())
            reports.push_back(s->Report());
    for (TqdzReport *R : reports) {
        const bool building = IsBuilding(R, sessions);
        if (FreesWith(X, R) || UsedBy(X, taken, R, building))
            Refuse(X, building);
    }

    for (TqdzBuildSession *s : sessions)
        for (const TObject *y : taken.Set)
            if (s->IsTemplateObject(y) || s->InUse(y))
                Refuse(X, true);

    // What the host owns stays the host's: the script frees what it made
    // and what belongs to its report.
    for (TqdzReport *R : running) {
        auto mine = [R](const TObject *Y) { return kwCreatedSerial(Y) > 0 || BelongsTo(Y, R); };
        const bool ownedItem = !dynamic_cast<TComponent *>(X) && kwObjectOwned(X);
        if (!ownedItem && !mine(X))
            Refuse(X, IsBuilding(R, sessions));
        for (const auto &[y, viaParent] : taken.Items)
            if (viaParent && !mine(y) && !taken.Set.contains(y->Owner()))
                Refuse(X, IsBuilding(R, sessions));
    }

    return taken.HasReportObject && !sessions.empty() ? TVerdict::Defer : TVerdict::Free;
}

bool ScriptFreeGuard(TObject *X)
{
    switch (Judge(X)) {
    case TVerdict::Free:
        return false;
    case TVerdict::Taken:
        return true;
    case TVerdict::Defer:
        GSessions.back()->Defer(static_cast<TComponent *>(X));
        return true;
    }
    return false;
}

// Clear, Assign and LoadFromStream free a report object's children (those
// from an ancestor report are emptied instead): each is judged as its free
// is, all before any goes, so that a refusal leaves the object whole.
void ScriptClearGuard(TObject *X)
{
    auto *root = dynamic_cast<TqdzComponent *>(X);
    if (!root)
        return;
    std::vector<TComponent *> deferred;
    std::vector<const TqdzComponent *> pending{root};
    while (!pending.empty()) {
        const TqdzComponent *c = pending.back();
        pending.pop_back();
        for (int i = 0; i < c->Objects()->Count(); ++i) {
            auto *child = static_cast<TqdzComponent *>(c->Objects()->Items(i));
            if (child->ComponentState().Contains(csAncestor))
                pending.push_back(child);
            else if (Judge(child) == TVerdict::Defer)
                deferred.push_back(child);
        }
    }
    for (TComponent *c : deferred)
        GSessions.back()->Defer(c);
}

} // namespace

void qdzInstallScriptGuard()
{
    static const bool installed = (kwAddFreeGuard(&ScriptFreeGuard), kwAddClearGuard(&ScriptClearGuard), true);
    (void)installed;
}

bool qdzScriptRunning(const TqdzReport *Report)
{
    const std::vector<TqdzReport *> running = RunningReports();
    return std::find(running.begin(), running.end(), Report) != running.end();
}

void qdzCheckScriptParent(TqdzComponent *Object, TqdzComponent *)
{
    if (!Object)
        return;
    for (TqdzBuildSession *s : TqdzBuildSession::Active())
        if (s->IsTemplateObject(Object) || s->Deferred(Object))
            throw EInvalidOperation(
                QStringLiteral("Cannot change the parent of %1 while the report is being built").arg(NameOf(Object)));
    const std::vector<TqdzReport *> running = RunningReports();
    if (running.empty() || kwCreatedSerial(Object) > 0)
        return;
    for (TqdzReport *R : running)
        if (BelongsTo(Object, R))
            return;
    throw EInvalidOperation(
        QStringLiteral("Cannot change the parent of %1 from the report's script").arg(NameOf(Object)));
}

// ------------------------------------------------------------- line watch

// While a build runs, the session hears every line its scripts announce (a
// loop turn announces one even with an empty body), so that a script never
// runs beyond the build's stop. A handler the host set still hears them.
class TqdzBuildSession::TLineWatch : public TObject
{
public:
    explicit TLineWatch(TqdzBuildSession *ASession)
        : FSession(ASession), FScript(ASession->Report()->Script()), FSaved(FScript->OnRunLine())
    {
        FScript->SetOnRunLine(TkwRunLineEvent(this, &TLineWatch::RunLine));
    }
    ~TLineWatch() override { FScript->SetOnRunLine(FSaved); }
    TLineWatch(const TLineWatch &) = delete;
    TLineWatch &operator=(const TLineWatch &) = delete;

private:
    void RunLine(TkwScript *Sender, const QString &UnitName, const QString &SourcePos)
    {
        if (FSaved.Assigned())
            FSaved(Sender, UnitName, SourcePos);
        // The clock is read every few hundred lines, and at every line
        // once the build is stopped.
        if ((++FLines & 255) == 0 || FSession->Report()->Terminated())
            FSession->CheckStop();
    }

    TqdzBuildSession *FSession;
    TkwScript *FScript;
    TkwRunLineEvent FSaved;
    quint32 FLines = 0;
};

// ---------------------------------------------------------------- session

namespace {
// The innermost build on this thread.
thread_local TqdzBuildSession *GCurrent = nullptr;

// The smaller of two limits where 0 is none.
template <class T> T Tighter(T Own, T Outer)
{
    return Own > 0 && (Outer <= 0 || Own < Outer) ? Own : Outer;
}
} // namespace

TqdzBuildSession::TqdzBuildSession(TqdzReport *AReport, const TqdzBuildLimits &ALimits)
    : FReport(AReport), FLimits(ALimits), FParent(GCurrent), FNamedTime(ALimits.MaxBuildTime),
      FStartSerial(kwCreationSerial())
{
    if (FParent) {
        // What is left of the outer build's time, at least a millisecond.
        const TqdzBuildLimits &outer = FParent->FLimits;
        if (outer.MaxBuildTime > 0) {
            const int left = int(std::max<qint64>(
                outer.MaxBuildTime - FParent->FBuildClock.elapsed() - FParent->FRestoreTime, 1));
            if (Tighter(FLimits.MaxBuildTime, left) == left) {
                FLimits.MaxBuildTime = left;
                FNamedTime = FParent->FNamedTime;
            }
        }
        FLimits.MaxMemory = Tighter(FLimits.MaxMemory, outer.MaxMemory);
    }
    GCurrent = this;
    // Measured from here: the last build's pages are gone, this one's
    // template copy is its own.
    FMemory.Start(FLimits.MaxMemory);
    FBuildClock.start();
    GSessions.push_back(this);
}

TqdzBuildSession::~TqdzBuildSession()
{
    if (auto it = std::find(GSessions.begin(), GSessions.end(), this); it != GSessions.end())
        GSessions.erase(it);
    GCurrent = FParent;
    FLineWatch.reset();
    for (TComponent *c : FDeferred)
        c->Free();
    FCopy.reset();
}

std::vector<TqdzBuildSession *> TqdzBuildSession::Active()
{
    return GSessions;
}

TqdzBuildSession *TqdzBuildSession::Current()
{
    return GCurrent;
}

bool TqdzBuildSession::StartNested()
{
    if (!FParent)
        return true;
    int depth = 1;
    TqdzBuildSession *root = this;
    for (; root->FParent; root = root->FParent)
        ++depth;
    if (depth > MaxDepth) {
        const QString text =
            QStringLiteral("The report started builds nested more than %1 deep and was stopped").arg(MaxDepth);
        if (!root->Stopped()) {
            root->FReport->Errors()->Add(text);
            root->FReport->StopBuild(TqdzStopReason::Limit);
        }
        FReport->Errors()->Add(text);
        FReport->StopBuild(TqdzStopReason::Limit);
        return false;
    }
    // The outer builds' time and stop, without letting messages through
    // (which could start yet another build from here).
    FMessageClock.start();
    CheckStop();
    if (!Stopped())
        return true;
    if (FReason == TqdzStopReason::Cancelled && FCancelMessage)
        FReport->Errors()->Add(CancelledText());
    return false;
}

bool TqdzBuildSession::Run(const std::function<bool()> &Body)
{
    TqdzReport *R = FReport;
    // How the build ended stays with the report once the session is gone.
    struct THandOver
    {
        TqdzBuildSession *Session;
        ~THandOver() { Session->FReport->FTerminated = Session->FReason != TqdzStopReason::None; }
    } handOver{this};
    if (!StartNested())
        return false;
    try {
        if (!SaveTemplate())
            return false;
    } catch (const std::bad_alloc &) {
        FCopy.reset();
        OutOfMemory();
        return false;
    } catch (const Exception &E) {
        // A file cache whose folder cannot be used fails the build.
        FCopy.reset();
        R->Errors()->Add(E.Message());
        return false;
    }
    bool result = false;
    FLineWatch = std::make_unique<TLineWatch>(this);
    try {
        result = Body();
    } catch (const Exception &E) {
        R->Errors()->Add(E.Message());
        result = false;
    } catch (const std::bad_alloc &) {
        // What was built goes, so that the template can come back.
        OutOfMemory();
        result = false;
    } catch (const std::exception &E) {
        R->Errors()->Add(QString::fromLocal8Bit(E.what()));
        result = false;
    }
    if (R->Engine())
        R->Engine()->SetRunning(false);
    FreeLetGo();
    // Before the template comes back, so that none of its names is taken,
    // and after, for what held objects the restore took out of the tree.
    FreeScriptsLeftovers();
    RestoreTemplate();
    FreeScriptsLeftovers();
    FLineWatch.reset();
    if (FReason == TqdzStopReason::Cancelled && FCancelMessage)
        R->Errors()->Add(CancelledText());
    return result;
}

void TqdzBuildSession::OutOfMemory()
{
    try {
        if (FReport->PreviewPages())
            FReport->PreviewPages()->Clear();
        FReport->Errors()->Add(QStringLiteral("Out of memory"));
    } catch (const std::bad_alloc &) {
    }
}

bool TqdzBuildSession::SaveTemplate()
{
    if (!FReport->EngineOptions()->RestoreAfterRun())
        return true;
    FCopy = std::make_unique<TqdzTemplateCopy>(FReport);
    // A template too large to save and put back within the time limit is
    // not built; saved, its restore is kept out of the time left.
    QElapsedTimer clock;
    clock.start();
    if (FCopy->Save([this, &clock] {
            FRestoreTime = clock.elapsed();
            CheckStop();
            return Stopped();
        })) {
        FRestoreTime = clock.elapsed();
        return true;
    }
    FRestoreTime = 0;
    FCopy.reset();
    return false;
}

// The template comes back into its own objects as it was before the build
// changed it; the errors are the build's result.
void TqdzBuildSession::RestoreTemplate()
{
    if (!FCopy)
        return;
    TqdzReport *R = FReport;
    const bool restoring = R->FRestoring;
    R->FRestoring = true;
    try {
        FCopy->Restore();
    } catch (const Exception &E) {
        R->Errors()->Add(E.Message());
    } catch (const std::bad_alloc &) {
        OutOfMemory();
    } catch (const std::exception &E) {
        R->Errors()->Add(QString::fromLocal8Bit(E.what()));
    }
    R->FRestoring = restoring;
    FCopy.reset();
}

// What the scripts let go goes now that the engine holds nothing of it: the
// objects they freed, and those they made and took out of the tree, which
// the report would otherwise keep beside its template.
void TqdzBuildSession::FreeLetGo()
{
    std::vector<TComponent *> deferred;
    deferred.swap(FDeferred);
    for (TComponent *c : deferred)
        c->Free();
    TqdzReport *R = FReport;
    std::vector<TqdzComponent *> orphans;
    for (int i = 0; i < R->ComponentCount(); ++i)
        if (auto *c = dynamic_cast<TqdzComponent *>(R->Components(i));
            c && c != R && c->GetReport() != R && CreatedHere(c))
            orphans.push_back(c);
    // Apart first, so that freeing one frees no other.
    for (TqdzComponent *c : orphans)
        c->SetParent(nullptr);
    for (TqdzComponent *c : orphans)
        c->Free();
}

// What the build's scripts made goes when the build ends, whoever owns it:
// a component left with the report, a band or the application would break
// the next build by its name, or pile up build after build. A report object
// in the tree goes with the template's restore (or stays in the template
// when it is not restored). Nothing is freed that takes along an object of the
// template, of the host or of a build or script still under way. The
// latest first, so each leaves the end of its owner's list.
void TqdzBuildSession::FreeScriptsLeftovers()
{
    // The build's scripts: the report's and that of its expressions. What a
    // script of another report or of the host made meanwhile is theirs.
    const TkwScript *script = FReport->Script();
    const TkwScript *expressions = FReport->ExpressionCache() ? FReport->ExpressionCache()->Script() : nullptr;
    std::vector<TkwCreatedObject> made = kwCreatedSince(FStartSerial);
    const std::vector<TqdzReport *> running = RunningReports();
    for (auto it = made.rbegin(); it != made.rend(); ++it) {
        TObject *object = it->Object;
        // Gone with one freed before, or a new object at its address.
        if ((it->Script != script && it->Script != expressions) || kwCreatedSerial(object) != it->Serial)
            continue;
        if (auto *c = dynamic_cast<TComponent *>(object)) {
            if (c->ComponentState().Contains(csDestroying) || !MayFreeAtEnd(c, running))
                continue;
            c->Free();
        } else if (auto *item = dynamic_cast<TkwXMLItem *>(object)) {
            // An item leaves its parent's list as it goes.
            delete item;
        } else {
            // A collection item leaves its collection as it goes.
            delete object;
        }
    }
}

bool TqdzBuildSession::MayFreeAtEnd(TComponent *C, const std::vector<TqdzReport *> &Running) const
{
    // In a report's tree: the template's restore takes it; another build's
    // engine may hold it.
    if (auto *view = dynamic_cast<TqdzComponent *>(C); view && view->GetReport() && view->GetReport() != view)
        return false;
    const TTaken taken(C);
    for (TqdzBuildSession *s : GSessions) {
        TqdzReport *R = s->Report();
        if (taken.Set.contains(R) || UsedBy(C, taken, R, true))
            return false;
        for (const auto &[y, viaParent] : taken.Items) {
            if (s->InUse(y) || s->IsTemplateObject(y))
                return false;
            if (auto *view = dynamic_cast<const TqdzComponent *>(y); view && view->GetReport() == R)
                return false;
        }
    }
    for (TqdzReport *R : Running)
        if (taken.Set.contains(R))
            return false;
    // A control of the host put under it stays the host's.
    for (const auto &[y, viaParent] : taken.Items)
        if (viaParent && !CreatedHere(y) && !taken.Set.contains(y->Owner()))
            return false;
    return true;
}

// ------------------------------------------------------------------- stop

void TqdzBuildSession::Stop(TqdzStopReason Reason)
{
    if (Reason == TqdzStopReason::None)
        return;
    if (FReason != TqdzStopReason::None && !(FReason == TqdzStopReason::Requested && Reason != FReason))
        return;
    FReason = Reason;
    FStopClock.start();
    if (Reason == TqdzStopReason::TimeLimit)
        FReport->Errors()->Add(
            QStringLiteral("The report ran longer than %1 ms and was stopped").arg(FNamedTime));
    else if (Reason == TqdzStopReason::Cancelled)
        FCancelMessage = FReport->Errors()->Count() == 0;
}

void TqdzBuildSession::Resume()
{
    FReason = TqdzStopReason::None;
    FCancelMessage = false;
    FStopClock.invalidate();
}

void TqdzBuildSession::CutScript()
{
    FReport->Script()->Terminate();
}

void TqdzBuildSession::CheckMemory()
{
    if (FReason != TqdzStopReason::None && FReason != TqdzStopReason::Requested)
        return;
    if (FMemory.Exceeded()) {
        FReport->Errors()->Add(QStringLiteral("The report used more than %1 MB of memory and was stopped")
                                   .arg(FMemory.Limit() >> 20));
        FReport->StopBuild(TqdzStopReason::Limit);
    }
}

void TqdzBuildSession::CheckStop()
{
    const bool open = FReason == TqdzStopReason::None || FReason == TqdzStopReason::Requested;
    if (!FMessageClock.isValid() || FMessageClock.elapsed() >= 10) {
        Application->ProcessMessages();
        FMessageClock.start();
        // A cancel counts once: clicked again, it would cut the stop event
        // before its grace time.
        if (open && FReport->FProgress && FReport->FProgress->Terminated())
            FReport->SetTerminated(true);
    }
    CheckMemory();
    switch (FReason) {
    case TqdzStopReason::None:
    case TqdzStopReason::Requested:
        // The report's own stop lets its stop event run to its end, bounded
        // by the caller's limit only.
        if (FLimits.MaxBuildTime > 0 && FBuildClock.elapsed() + FRestoreTime >= FLimits.MaxBuildTime)
            FReport->StopBuild(TqdzStopReason::TimeLimit);
        break;
    default:
        if (FStopClock.isValid() && FStopClock.elapsed() >= FLimits.StopGraceTime)
            CutScript();
        break;
    }
    // The build that started this one decides for it too.
    if (FParent) {
        FParent->CheckStop();
        const TqdzStopReason outer = FParent->FReason;
        if (outer != TqdzStopReason::None && outer != TqdzStopReason::Requested
            && (FReason == TqdzStopReason::None || FReason == TqdzStopReason::Requested))
            FReport->StopBuild(TqdzStopReason::Cancelled);
    }
}

// ------------------------------------------------------- scripts' objects

bool TqdzBuildSession::CreatedHere(const TObject *AObject) const
{
    return kwCreatedSerial(AObject) > FStartSerial;
}

bool TqdzBuildSession::IsTemplateObject(const TObject *AObject) const
{
    return BelongsTo(AObject, FReport) && (AObject == FReport || !CreatedHere(AObject));
}

bool TqdzBuildSession::InUse(const TObject *AObject) const
{
    return std::find(FEvents.begin(), FEvents.end(), AObject) != FEvents.end();
}

bool TqdzBuildSession::Deferred(const TObject *AObject) const
{
    return std::find(FDeferred.begin(), FDeferred.end(), AObject) != FDeferred.end();
}

void TqdzBuildSession::Forget(const TObject *AObject)
{
    if (FCopy)
        FCopy->Forget(AObject);
}

void TqdzBuildSession::Defer(TComponent *AObject)
{
    // The report objects it takes along leave the tree with it.
    const TTaken taken(AObject);
    for (const auto &[c, viaParent] : taken.Items)
        if (auto *object = dynamic_cast<TqdzComponent *>(c); object && !taken.Set.contains(object->Parent()))
            object->SetParent(nullptr);
    if (auto *control = dynamic_cast<TControl *>(AObject))
        control->SetParent(nullptr);
    if (TComponent *owner = AObject->Owner())
        owner->RemoveComponent(AObject);
    FDeferred.push_back(AObject);
}

TqdzBuildSession::TEvent::TEvent(TqdzBuildSession *ASession, TObject *ASender) : FSession(ASession)
{
    if (FSession)
        FSession->FEvents.push_back(ASender);
}

TqdzBuildSession::TEvent::~TEvent()
{
    if (FSession)
        FSession->FEvents.pop_back();
}

// ------------------------------------------------------------ modal watch

TqdzModalWatch::TqdzModalWatch(TCustomForm *AForm) : FForm(AForm), FSession(TqdzBuildSession::Current())
{
    if (!FSession)
        return;
    FTimer = std::make_unique<TTimer>(nullptr);
    FTimer->SetInterval(50);
    FTimer->SetOnTimer(TNotifyEvent(this, &TqdzModalWatch::Tick));
}

TqdzModalWatch::~TqdzModalWatch() = default;

void TqdzModalWatch::Tick(TObject *)
{
    // The check lets messages through, this timer's among them. The build
    // runs below the modal loop, so it outlives this watch.
    if (FWatching || !IsLiveControl(FForm))
        return;
    FWatching = true;
    struct TReset
    {
        bool &Flag;
        ~TReset() { Flag = false; }
    } reset{FWatching};
    FSession->CheckStop();
    if (FSession->Stopped() && IsLiveControl(FForm)) {
        FTimer->SetEnabled(false);
        FForm->SetModalResult(mrCancel);
    }
}
