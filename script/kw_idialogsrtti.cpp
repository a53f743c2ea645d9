// Implementation of registration of the class library's common dialogs and message and input routines for scripts.
#include "kw_idialogsrtti.h"
#include "Dialogs.h"
#include "kw_irttihelpers.h"

namespace kw_idialogsrtti {

TFunctions::TFunctions(TkwScript *AScript) : TkwRTTIModule(AScript)
{
    TkwScript *s = AScript;
    const TkwCallMethodNewEvent call(this, &TFunctions::CallMethod);

    // The member lists are kept as the class library's unit writes them.
    s->AddEnumSet(QStringLiteral("TOpenOptions"),
                  QStringLiteral("ofReadOnly, ofOverwritePrompt, ofHideReadOnly,ofNoChangeDir, ofShowHelp, "
                                 "ofNoValidate, ofAllowMultiSelect,ofExtensionDifferent, ofPathMustExist, "
                                 "ofFileMustExist, ofCreatePrompt,ofShareAware, ofNoReadOnlyReturn, "
                                 "ofNoTestFileCreate, ofNoNetworkButton,ofNoLongNames, ofOldStyleDialog, "
                                 "ofNoDereferenceLinks, ofEnableIncludeNotify,ofEnableSizing"));
    s->AddEnum(QStringLiteral("TFileEditStyle"), QStringLiteral("fsEdit, fsComboBox"));
    s->AddEnumSet(QStringLiteral("TColorDialogOptions"),
                  QStringLiteral("cdFullOpen, cdPreventFullOpen, cdShowHelp,cdSolidColor, cdAnyColor"));
    s->AddEnumSet(QStringLiteral("TFontDialogOptions"),
                  QStringLiteral("fdAnsiOnly, fdTrueTypeOnly, fdEffects,fdFixedPitchOnly, fdForceFontExist, "
                                 "fdNoFaceSel, fdNoOEMFonts,fdNoSimulations, fdNoSizeSel, fdNoStyleSel,  "
                                 "fdNoVectorFonts,fdShowHelp, fdWysiwyg, fdLimitSize, fdScalableOnly, "
                                 "fdApplyButton"));
    s->AddEnum(QStringLiteral("TFontDialogDevice"), QStringLiteral("fdScreen, fdPrinter, fdBoth"));
    s->AddEnum(QStringLiteral("TPrintRange"), QStringLiteral("prAllPages, prSelection, prPageNums"));
    s->AddEnumSet(QStringLiteral("TPrintDialogOptions"),
                  QStringLiteral("poPrintToFile, poPageNums, poSelection,poWarning, poHelp, poDisablePrintToFile"));
    s->AddEnum(QStringLiteral("TMsgDlgType"),
               QStringLiteral("mtWarning, mtError, mtInformation, mtConfirmation, mtCustom"));
    s->AddEnumSet(QStringLiteral("TMsgDlgButtons"), QStringLiteral("mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, "
                                                                   "mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp"));

    if (TkwClassVariable *c = s->AddClass(TCommonDialog::StaticClass(), QStringLiteral("TComponent")))
        c->AddMethod(QStringLiteral("function Execute: Boolean"), call);
    for (TClass cls : {TOpenDialog::StaticClass(), TSaveDialog::StaticClass(), TColorDialog::StaticClass(),
                       TFontDialog::StaticClass(), TPrintDialog::StaticClass(), TPrinterSetupDialog::StaticClass()})
        s->AddClass(cls, QStringLiteral("TCommonDialog"));

    const QString other = QStringLiteral("ctOther");
    s->AddMethod(QStringLiteral("function MessageDlg(Msg: string; DlgType: TMsgDlgType; Buttons: TMsgDlgButtons; "
                                "HelpCtx: Longint): Integer"),
                 call, other);
    s->AddMethod(QStringLiteral("function InputBox(ACaption, APrompt, ADefault: string): string"), call, other);
    s->AddMethod(QStringLiteral("function InputQuery(ACaption, APrompt: string; var Value: string): Boolean"), call,
                 other);
}

Variant TFunctions::CallMethod(TObject *Instance, TClass ClassType, const QString &MethodName,
                               TkwMethodHelper *Caller)
{
    Variant r(0);
    const QString &m = MethodName;
    auto is = [&m](const char *Name) { return m == QLatin1String(Name); };
    auto str = [Caller](int I) { return VarToStr(Caller->GetParam(I)); };
    if (ClassType == TCommonDialog::StaticClass()) {
        if (is("EXECUTE"))
            r = Variant(static_cast<TCommonDialog *>(Instance)->Execute());
    } else if (!ClassType) {
        if (is("INPUTBOX")) {
            r = Variant(InputBox(str(0), str(1), str(2)));
        } else if (is("INPUTQUERY")) {
            QString value = str(2);
            r = Variant(InputQuery(str(0), str(1), value));
            Caller->SetParam(2, Variant(value));
        } else if (is("MESSAGEDLG")) {
            r = Variant(MessageDlg(str(0), kwEnumValue(Caller->GetParam(1).AsInteger(), mtCustom),
                                   TMsgDlgButtons::FromInt(quint32(Caller->GetParam(2).AsInteger())),
                                   Caller->GetParam(3).AsInteger()));
        }
    }
    return r;
}

} // namespace kw_idialogsrtti

void kwRegisterDialogsRTTI()
{
    kwAddRTTIModule(&kwNewModule<kw_idialogsrtti::TFunctions>);
}

void kwUnregisterDialogsRTTI()
{
    kwRemoveRTTIModule(&kwNewModule<kw_idialogsrtti::TFunctions>);
}
