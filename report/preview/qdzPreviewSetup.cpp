// Installs the preview layer's windows into the report's factory table.
#include "report/preview/qdzPreviewSetup.h"

#include "report/engine/qdzBuild.h"
#include "report/engine/qdzPrinter.h"
#include "report/preview/qdzProgress.h"
#include "platform/Dialogs.h"

#include "report/preview/qdzPassword.h"
#include "report/preview/qdzPreviewForm.h"
#include "report/engine/qdzPreviewPages.h"
#include "report/preview/qdzPrintDialog.h"
#include "report/model/qdzExportFilter.h"
#include "report/model/qdzRes.h"
#include "platform/Forms.h"

void qdzAddPreviewFactories(TqdzBuildFactories &Factories)
{
    Factories.PasswordPrompt = &qdzAskPassword;
    Factories.CreateDialogForm = &qdzCreateDialogForm;
    Factories.ShowErrorMessage = [](const QString &Text) {
        Application->MessageBox(Text, qdzResources()->ResourceText(QStringLiteral("mbError")), MB_OK | MB_ICONERROR);
    };
    Factories.ShowExportDialog = [](TqdzCustomExportFilter *Filter) { return Filter->ShowModal(); };
    Factories.CreatePreviewForm = [](TComponent *AOwner) -> TqdzCustomPreviewForm * {
        return new TqdzPreviewForm(AOwner);
    };
    Factories.CreateProgress = [](TComponent *AOwner) -> TqdzCustomProgress * {
        return new TqdzProgress(AOwner);
    };
    qdzPrintDialogHook() = &qdzShowPrintDialog;
    qdzPrinterSetupHook() = [] {
        TPrinterSetupDialog dlg(nullptr);
        return dlg.Execute();
    };
}

void qdzBuildStartup()
{
    qdzEngineStartup();
    TqdzBuildFactories F = qdzBuildFactories();
    qdzAddPreviewFactories(F);
    qdzInstallBuildFactories(F);
}
