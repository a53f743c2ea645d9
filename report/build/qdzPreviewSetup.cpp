// Installs the preview layer's windows into the report's factory table.
#include "report/build/qdzPreviewSetup.h"

#include "report/build/qdzPassword.h"
#include "report/build/qdzPreviewForm.h"
#include "report/build/qdzPreviewPages.h"
#include "report/build/qdzPrintDialog.h"

void qdzAddPreviewFactories(TqdzBuildFactories &Factories)
{
    Factories.PasswordPrompt = &qdzAskPassword;
    Factories.CreateDialogForm = &qdzCreateDialogForm;
    Factories.CreatePreviewForm = [](TComponent *AOwner) -> TqdzCustomPreviewForm * {
        return new TqdzPreviewForm(AOwner);
    };
    qdzPrintDialogHook() = &qdzShowPrintDialog;
}
