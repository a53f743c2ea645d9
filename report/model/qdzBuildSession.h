// One build of a report: the caller's limits, the clocks and the stop, what the build's scripts may not free or move, and the template's save and restore.
#pragma once
#include "platform/Classes.h"

#include "report/model/qdzMemoryMeter.h"
#include <QElapsedTimer>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class TComponent;
class TCustomForm;
class TStream;
class TTimer;
class TqdzComponent;
class TqdzReport;
class TqdzTemplateCopy;

// Why a build stopped before its end. Requested: the report asked for it
// (Engine.StopReport, Report.Terminated := True), a normal end. Cancelled:
// the caller or the progress window. Limit: a bound of the engine, whose
// error says which.
enum class TqdzStopReason { None, Requested, Cancelled, TimeLimit, Limit };

// What the caller allows one build.
struct TqdzBuildLimits
{
    // Milliseconds; 0: no limit.
    int MaxBuildTime = 0;
    // Bytes the build may hold; 0: no limit.
    qint64 MaxMemory = 0;
    // Built pages at which the engine gives up: a template whose data never
    // ends still ends.
    int MaxPages = 100000;
    // Objects on one built page at which the engine gives up: a page is read
    // back whole to be drawn, and must be readable within the build's limits.
    int MaxPageObjects = 200000;
    // Milliseconds script code may run on after a stop that was not the
    // report's own request (the stop event) before it is cut.
    int StopGraceTime = 1000;
};

// The state of one build, owned by the report's engine from the set-up of
// the build to its end (TqdzCustomEngine::RunSession). It saves the template
// and puts it back, watches the lines the scripts run for the stop, and
// decides what the build's scripts may free and move.
class TqdzBuildSession
{
public:
    // A build started while another runs on this thread (from its script)
    // stays within that one's time and memory and stops with it.
    TqdzBuildSession(TqdzReport *AReport, const TqdzBuildLimits &ALimits);
    ~TqdzBuildSession();
    TqdzBuildSession(const TqdzBuildSession &) = delete;
    TqdzBuildSession &operator=(const TqdzBuildSession &) = delete;

    TqdzReport *Report() const { return FReport; }
    const TqdzBuildLimits &Limits() const { return FLimits; }

    // The whole build: saves the template (when the report's options ask for
    // its restore), runs Body (the script and the engine), then frees what
    // the scripts let go, puts the template back and adds the stop's reason
    // to the errors. An exception or running out of memory in Body is a
    // failed build. Body's result, False when it raised.
    bool Run(const std::function<bool()> &Body);

    // --- stop
    TqdzStopReason StopReason() const { return FReason; }
    // Records why the build stops; the first reason counts, except that a
    // request of the report gives way to any other (the request's stop
    // event is then cut at once). The time limit adds its error here.
    void Stop(TqdzStopReason Reason);
    // A stop taken back (Terminated set to False).
    void Resume();
    // Called while the build runs (per record, and at the lines its scripts
    // announce): lets pending messages through every few milliseconds, takes
    // the progress window's cancel and stops the build past its time limit.
    // Script code run after a stop that was not the report's own request
    // (the stop event) is cut once it has run Limits().StopGraceTime.
    // A build started from a running one stops when that one does.
    void CheckStop();
    // The error of a cancel that no other error explains.
    static QString CancelledText() { return QStringLiteral("The report was cancelled"); }

    // --- what the scripts may free and move
    // Made by a script since the build began.
    bool CreatedHere(const TObject *AObject) const;
    // A template object: the report, or an object of its tree or owned by it
    // that no script made during this build.
    bool IsTemplateObject(const TObject *AObject) const;
    // An object whose script event is running.
    bool InUse(const TObject *AObject) const;
    // A script freed AObject, which takes report objects with it: it leaves
    // the report and its owner now and is freed when the build ends, as
    // the engine may still hold it.
    void Defer(TComponent *AObject);
    bool Deferred(const TObject *AObject) const;
    // AObject leaves the report: the template's restore leaves it alone.
    void Forget(const TObject *AObject);
    // Marks Sender's script event as running while it lives.
    class TEvent
    {
    public:
        TEvent(TqdzBuildSession *ASession, TObject *ASender);
        ~TEvent();
        TEvent(const TEvent &) = delete;
        TEvent &operator=(const TEvent &) = delete;

    private:
        TqdzBuildSession *FSession;
    };

    // The builds under way on this thread.
    static std::vector<TqdzBuildSession *> Active();
    // The innermost of them; none outside builds.
    static TqdzBuildSession *Current();
    // Builds started from builds go this deep at most: a template that
    // starts itself ends there instead of exhausting the stack.
    static constexpr int MaxDepth = 16;
    // Whether the build stopped for good (not by the report's own request).
    bool Stopped() const { return FReason != TqdzStopReason::None && FReason != TqdzStopReason::Requested; }

private:
    // A build started from a running one is judged against that one before
    // anything of it runs: too deep, or the outer build stopped, it stops.
    bool StartNested();
    // False when the build stopped while the template was saved.
    bool SaveTemplate();
    void RestoreTemplate();
    void FreeLetGo();
    // Frees what the build's scripts made, whoever owns it.
    void FreeScriptsLeftovers();
    // Whether C, made by the build's scripts, may be freed as the build ends.
    bool MayFreeAtEnd(TComponent *C, const std::vector<TqdzReport *> &Running) const;
    void OutOfMemory();
    // The build's memory against Limits().MaxMemory.
    void CheckMemory();
    void CutScript();

    TqdzReport *FReport;
    TqdzBuildLimits FLimits;
    // The build whose script started this one, on this thread.
    TqdzBuildSession *FParent;
    // The time limit the error names: the outer build's when that one ends
    // this one.
    int FNamedTime;
    // Milliseconds kept back from the time limit for putting the template
    // back, which no stop shortens: about what saving it took.
    qint64 FRestoreTime = 0;
    // Objects made by scripts before the build have serials up to this.
    quint64 FStartSerial = 0;

    // Since the build started, since pending messages were let through,
    // since the build was stopped.
    QElapsedTimer FBuildClock;
    QElapsedTimer FMessageClock;
    QElapsedTimer FStopClock;
    TqdzMemoryMeter FMemory;
    TqdzStopReason FReason = TqdzStopReason::None;
    // A cancel that no error explains yet gets its own.
    bool FCancelMessage = false;

    std::unique_ptr<TqdzTemplateCopy> FCopy;
    std::vector<TComponent *> FDeferred;
    std::vector<TObject *> FEvents;
    class TLineWatch;
    std::unique_ptr<TLineWatch> FLineWatch;
};

// Ends Form's modal loop once the build running on this thread (if any)
// stops for good: a window the build's script opened holds it no longer
// than its limits.
class TqdzModalWatch : public TObject
{
public:
    explicit TqdzModalWatch(TCustomForm *AForm);
    ~TqdzModalWatch() override;
    TqdzModalWatch(const TqdzModalWatch &) = delete;
    TqdzModalWatch &operator=(const TqdzModalWatch &) = delete;

private:
    void Tick(TObject *Sender);
    TCustomForm *FForm;
    TqdzBuildSession *FSession;
    std::unique_ptr<TTimer> FTimer;
    bool FWatching = false;
};

// Installs the guard that judges every free a script asks for, and every
// Assign, Clear or LoadFromStream of a report object by the children it
// would free (once).
// Outside builds too, a script may not free the report whose script is
// running, what takes it along (its owners), its engine, store, outline or
// variables, nor what the host owns; during a build, nothing of the
// template, the datasets the build walks or an object whose event runs.
void qdzInstallScriptGuard();
// Whether a script of Report runs on this thread: its main block, an event
// or an expression.
bool qdzScriptRunning(const TqdzReport *Report);
// Raises when a script may not make NewParent Object's parent: during a
// build a template object stays where it is (as its parent's list of
// children does), and no object of the host moves.
void qdzCheckScriptParent(TqdzComponent *Object, TqdzComponent *NewParent);
