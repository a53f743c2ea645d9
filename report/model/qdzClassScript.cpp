// The report's script: set-up and compile, expression evaluation, the value look-up and script events.
#include "qdzClass.h"

#include "platform/SysUtils.h"
#include "qdzExpressionCache.h"
#include "qdzRes.h"
#include "qdzVariables.h"
#include "script/kw_iinterpreter.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

bool IsDivisionByZero(const QString &Message)
{
    return Message == QLatin1String("Division by zero") || Message == QLatin1String("Floating point division by zero");
}

bool IsSet(const Variant &V)
{
    return !VarIsNull(V) && !VarIsEmpty(V);
}

QString UnknownVariable(const QString &Name)
{
    return qdzResources()->ResourceText(QStringLiteral("clUnknownVar")) + QLatin1Char(' ') + Name;
}

// The event procedure named by a string property of Obj; empty when none.
QString ScriptEventName(TObject *Obj, const char *PropName)
{
    if (!Obj)
        return QString();
    // Asked for every view on every row: the property is looked up once per
    // class and event (classes and the event names here live as long as the
    // program).
    struct TSlot
    {
        TClass Class;
        const char *Name;
        PPropInfo Prop;
    };
    // Builds on several threads share the table.
    static std::mutex lock;
    static std::vector<TSlot> table;
    const TClass cls = Obj->ClassType();
    PPropInfo prop = nullptr;
    {
        std::lock_guard<std::mutex> guard(lock);
        auto it = std::find_if(table.begin(), table.end(),
                               [cls, PropName](const TSlot &S) { return S.Class == cls && S.Name == PropName; });
        if (it != table.end())
            prop = it->Prop;
        else
            table.push_back({cls, PropName, prop = GetPropInfo(Obj, QString::fromLatin1(PropName))});
    }
    if (!prop || (prop->Kind() != tkString && prop->Kind() != tkLString && prop->Kind() != tkWString))
        return QString();
    return GetStrProp(Obj, prop).trimmed();
}

} // namespace

bool TqdzReport::SetupScript()
{
    FExpressionCache->Clear();
    FExpressionCache->SetScriptLanguage(FScriptLanguage);
    if (FEngine)
        FEngine->NotifyList()->Clear();
    FScript->ClearItems(this);
    FLocalValue = nullptr;
    FSelfValue = nullptr;

    // From here on the script reaches the report's objects.
    qdzInstallScriptGuard();
    FScript->SetAddedBy(this);
    FScript->AddRTTI();
    TList *all = AllObjects();
    // A template of very many objects takes the build's stop while its
    // names are given to the script.
    TqdzBuildSession *session = Session();
    auto stopped = [session](size_t i) {
        if (!session || (i & 255) != 255)
            return false;
        session->CheckStop();
        return session->Stopped();
    };
    // The script keeps its names sorted: given in that order, each goes in
    // near the end instead of moving half the list, for any number of them.
    std::vector<std::pair<QString, TqdzComponent *>> named;
    for (int i = 0; i < all->Count(); ++i) {
        if (stopped(size_t(i)))
            return false;
        auto *obj = static_cast<TqdzComponent *>(all->Items(i));
        obj->SetIsDesigning(false);
        if (!obj->Name().isEmpty())
            named.emplace_back(kwUpperCase(obj->Name()), obj);
    }
    std::stable_sort(named.begin(), named.end(), [](const auto &A, const auto &B) { return A.first < B.first; });
    for (size_t i = 0; i < named.size(); ++i) {
        if (stopped(i))
            return false;
        FScript->AddObject(named[i].second->Name(), named[i].second);
    }
    FScript->AddObject(QStringLiteral("Report"), this);
    if (FEngine)
        FScript->AddObject(QStringLiteral("Engine"), FEngine.get());
    if (FPreviewPages && FPreviewPages->Outline())
        FScript->AddObject(QStringLiteral("Outline"), FPreviewPages->Outline());
    FScript->AddVariable(QStringLiteral("Value"), QStringLiteral("Variant"), Null());
    FScript->AddVariable(QStringLiteral("Self"), QStringLiteral("TqdzView"), Variant(static_cast<TObject *>(nullptr)));
    const TkwCallMethodNewEvent handler(this, &TqdzReport::CallReportFunction);
    FScript->AddMethod(QStringLiteral("function Get(Name: String): Variant"), handler);
    FScript->AddMethod(QStringLiteral("procedure Set(Name: String; Value: Variant)"), handler);
    FScript->AddMethod(
        QStringLiteral("macrofunction IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant"), handler);
    for (const char *name : {"SUM", "AVG", "MIN", "MAX"})
        FScript->AddMethod(QStringLiteral("macrofunction %1(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): "
                                          "Variant")
                               .arg(QLatin1String(name)),
                           handler);
    FScript->AddMethod(QStringLiteral("macrofunction COUNT(Band: Variant = 0; Flags: Integer = 0): Variant"),
                       handler);
    FLocalValue = FScript->FindLocal(QStringLiteral("Value"));
    FSelfValue = FScript->FindLocal(QStringLiteral("Self"));

    FScript->Lines()->Assign(FScriptText.get());
    FScript->SetSyntaxType(FScriptLanguage);
    // Members of report objects may appear while the script runs.
    FScript->SetKeepUnresolved(true);
    bool compiled = false;
    QString message;
    QString position;
    try {
        compiled = FScript->Compile();
        message = FScript->ErrorMessage();
        position = FScript->ErrorPosition();
    } catch (const Exception &E) {
        message = E.Message();
    }
    if (!compiled) {
        FErrors->Add(Format(qdzResources()->ResourceText(QStringLiteral("clScrError")),
                            {TVarRec(position), TVarRec(message)}));
        return false;
    }
    return true;
}

Variant TqdzReport::Calc(const QString &Expr, TkwScript *AScript, bool FromScript)
{
    if (!AScript)
        AScript = FScript.get();
    Variant result;
    if (DoGetValue(Expr, result))
        return result;
    QString message;
    FExpressionCache->SetScriptLanguage(FScriptLanguage);
    FExpressionCache->Calc(Expr, message, result, AScript);
    if (message.isEmpty())
        return result;
    if (IsDivisionByZero(message) && FEngineOptions->IgnoreDevByZero())
        return result;
    if (FromScript) {
        message = QStringLiteral("Error in Calc expression: ") + message;
    } else {
        if (!FCurObject.isEmpty())
            message = FCurObject + QStringLiteral(": ") + message;
        FErrors->Add(message);
    }
    throw Exception(message);
}

bool TqdzReport::DoGetValue(const QString &Name, Variant &Value)
{
    Value = Null();
    // A value that refers back to itself would be looked up forever.
    bool repeat = false;
    for (const QString &n : FEvaluating)
        repeat = repeat || n.compare(Name, Qt::CaseInsensitive) == 0;
    if (repeat) {
        FErrors->Add(UnknownVariable(Name));
        return true;
    }

    // A data field: DataSet."Field".
    const int dot = Name.indexOf(QLatin1String(".\""));
    if (dot > 0 && Name.size() > dot + 3 && Name.endsWith(QLatin1Char('"'))) {
        const QString dsName = Name.left(dot);
        const QString field = Name.mid(dot + 2, Name.size() - dot - 3);
        if (TqdzDataSetItem *item = FDataSets->Find(dsName); item && item->DataSet()) {
            TqdzDataSet *ds = item->DataSet();
            Value = ds->GetValue(field);
            if (FEngineOptions->ConvertNulls() && VarIsNull(Value)) {
                switch (ds->GetFieldType(field)) {
                case fftNumeric:
                    Value = Variant(0);
                    break;
                case fftString:
                    Value = Variant(QString());
                    break;
                case fftBoolean:
                    Value = Variant(false);
                    break;
                }
            }
            return true;
        }
    }

    // The system variables' names are ASCII: a length test first spares
    // the case-folding comparison of every other name.
    int sysIndex = -1;
    for (int i = 0; sysIndex < 0 && i < FSysVariables->Count(); ++i) {
        const QString &v = FSysVariables->Strings(i);
        if (v.size() == Name.size() && v.compare(Name, Qt::CaseInsensitive) == 0)
            sysIndex = i;
    }
    switch (sysIndex) {
    case 0:
        Value = Variant::FromDate(FEngine ? FEngine->StartDate() : Date());
        return true;
    case 1:
        Value = Variant::FromDate(FEngine ? FEngine->StartTime() : Time());
        return true;
    case 2:
        Value = Variant(FPreviewPages ? FPreviewPages->GetLogicalPageNo() : 0);
        return true;
    case 3:
        Value = Variant(FPreviewPages ? FPreviewPages->CurPage() + 1 : 0);
        return true;
    case 4:
        Value = Variant(FPreviewPages ? FPreviewPages->GetLogicalTotalPages() : 0);
        return true;
    case 5:
        Value = Variant(FEngine ? FEngine->TotalPages() : 0);
        return true;
    case 6:
        Value = Variant(FEngine ? FEngine->CurLine() : 0);
        return true;
    case 7:
        Value = Variant(FEngine ? FEngine->CurLineThrough() : 0);
        return true;
    case 8:
        Value = qdzGlobalVariables()->Variables(QStringLiteral("CopyName0"));
        return true;
    default:
        break;
    }

    if (FOnGetValue) {
        FOnGetValue(Name, Value);
        if (IsSet(Value))
            return true;
    }
    if (FOnNewGetValue) {
        FOnNewGetValue(this, Name, Value);
        if (IsSet(Value))
            return true;
    }

    if (const int i = FVariables->IndexOf(Name); i >= 0) {
        const Variant v = FVariables->Items(i)->Value();
        if (!VarIsStr(v) || v.AsString().contains(QLatin1String("\r\n"))) {
            Value = v;
            return true;
        }
        // A report variable may hold an expression; a long enough chain of
        // them would exhaust the stack.
        if (FEvaluating.size() >= qdzMaxVariableDepth) {
            FErrors->Add(UnknownVariable(Name));
            return true;
        }
        FEvaluating.append(Name);
        struct Pop
        {
            QStringList &List;
            ~Pop() { List.removeLast(); }
        } pop{FEvaluating};
        Value = Calc(v.AsString());
        return true;
    }
    if (const int i = qdzGlobalVariables()->IndexOf(Name); i >= 0) {
        Value = qdzGlobalVariables()->Items(i)->Value();
        return true;
    }
    TkwCustomVariable *v = FScript->Find(Name);
    if (v && !dynamic_cast<TkwProcVariable *>(v) && !dynamic_cast<TkwCustomHelper *>(v)
        && !dynamic_cast<TkwTypeVariable *>(v) && !dynamic_cast<TkwClassVariable *>(v)) {
        Value = v->GetValue();
        return true;
    }
    return false;
}

Variant TqdzReport::Get(const QString &Name)
{
    Variant value;
    if (DoGetValue(Name, value))
        return value;
    const int paren = Name.indexOf(QLatin1Char('('));
    if (paren >= 0) {
        const QString word = Name.left(paren).trimmed().toUpper();
        if (word == QLatin1String("SUM") || word == QLatin1String("MIN") || word == QLatin1String("MAX")
            || word == QLatin1String("AVG") || word == QLatin1String("COUNT"))
            return Calc(Name);
    }
    FErrors->Add(UnknownVariable(Name));
    return Null();
}

void TqdzReport::Set(const QString &Name, const Variant &Value)
{
    FVariables->SetVariables(Name, Value);
}

Variant TqdzReport::CallReportFunction(TObject *, TClass, const QString &MethodName, TkwMethodHelper *Caller)
{
    // The script whose routine is calling: expressions of IIF see its names.
    TkwScript *context = Caller->Script() ? Caller->Script() : FScript.get();
    if (context->RunningProgram())
        context = context->RunningProgram();
    auto text = [Caller](int Index) { return VarToStr(Caller->GetParam(Index)).trimmed(); };
    auto number = [this, &text, context](int Index) -> Variant {
        const QString t = text(Index);
        return t.isEmpty() ? Variant(0) : Calc(t, context);
    };
    if (MethodName == QLatin1String("GET"))
        return Get(VarToStr(Caller->GetParam(0)));
    if (MethodName == QLatin1String("SET")) {
        Set(VarToStr(Caller->GetParam(0)), Caller->GetParam(1));
        return Variant();
    }
    if (MethodName == QLatin1String("IIF")) {
        const Variant cond = Calc(text(0), context);
        // "Equals True" by the variant rules; a value that cannot be
        // compared with a Boolean is not True.
        bool yes = false;
        try {
            yes = !VarIsNull(cond) && !VarIsEmpty(cond) && VarCompare(cond, Variant(true), opCmpEQ);
        } catch (const Exception &) {
            yes = false;
        }
        return Calc(text(yes ? 1 : 2), context);
    }
    const bool count = MethodName == QLatin1String("COUNT");
    if (count || MethodName == QLatin1String("SUM") || MethodName == QLatin1String("AVG")
        || MethodName == QLatin1String("MIN") || MethodName == QLatin1String("MAX")) {
        const int first = count ? 0 : 1;
        const Variant bandValue = number(first);
        const Variant flags = number(first + 1);
        TqdzBand *band = nullptr;
        if (VarType(bandValue) == varObject)
            band = dynamic_cast<TqdzBand *>(kwVarToObject(bandValue));
        if (!FEngine)
            return Null();
        return FEngine->GetAggregateValue(MethodName, count ? QString() : text(0), band,
                                          VarIsNull(flags) ? 0 : flags.AsInteger());
    }
    return Variant();
}

void TqdzReport::SetLocalValue(const Variant &Value)
{
    if (FLocalValue)
        FLocalValue->SetValue(Value);
}

void TqdzReport::SetSelfValue(TqdzView *Value)
{
    // Errors of the expressions evaluated for it name it.
    FCurObject = Value ? Value->Name() : QString();
    if (FSelfValue)
        FSelfValue->SetValue(kwObjectToVar(static_cast<TObject *>(Value)));
}

// ------------------------------------------------------------- script events

void TqdzReport::DoNotifyEvent(TObject *Obj, const QString &EventName, bool RunAlways)
{
    if (EventName.trimmed().isEmpty() || !(RunAlways || (FEngine && FEngine->Running())))
        return;
    const TqdzBuildSession::TEvent event(Session(), Obj);
    FScript->CallFunction(EventName.trimmed(), VarArrayOf({kwObjectToVar(Obj)}));
}

void TqdzReport::CallScriptEvent(const QString &EventName, Variant &Params, bool RunAlways)
{
    if (EventName.trimmed().isEmpty() || !(RunAlways || (FEngine && FEngine->Running())))
        return;
    TObject *sender = nullptr;
    if (VarIsArray(Params) && VarArrayDimCount(Params) == 1
        && VarArrayHighBound(Params, 1) >= VarArrayLowBound(Params, 1))
        if (const Variant first = VarArrayGet(Params, {VarArrayLowBound(Params, 1)}); VarType(first) == varObject)
            sender = first.AsObject();
    const TqdzBuildSession::TEvent event(Session(), sender);
    FScript->CallFunctionByRef(EventName.trimmed(), Params);
}

void TqdzReport::DoBeforePrint(TqdzReportComponent *Obj)
{
    if (FOnBeforePrint)
        FOnBeforePrint(Obj);
    DoNotifyEvent(Obj, ScriptEventName(Obj, "OnBeforePrint"));
}

void TqdzReport::DoAfterPrint(TqdzReportComponent *Obj)
{
    if (FOnAfterPrint)
        FOnAfterPrint(Obj);
    DoNotifyEvent(Obj, ScriptEventName(Obj, "OnAfterPrint"));
}

void TqdzReport::DoPreviewClick(TqdzView *Obj, TMouseButton Button, TShiftState Shift, bool &Modified,
                                bool DblClick)
{
    TObject *obj = static_cast<TObject *>(Obj);
    const QString event = ScriptEventName(obj, DblClick ? "OnPreviewDblClick" : "OnPreviewClick");
    if (!event.isEmpty()) {
        Variant params = VarArrayOf({kwObjectToVar(obj), Variant(int(Button)), Variant(int(Shift.ToInt())),
                                     Variant(Modified)});
        CallScriptEvent(event, params, true);
        Modified = VarArrayGet(params, {3}).AsBoolean();
    }
    if (DblClick) {
        if (FOnDblClickObject)
            FOnDblClickObject(Obj, Button, Shift, Modified);
    } else if (FOnClickObject) {
        FOnClickObject(Obj, Button, Shift, Modified);
    }
}
