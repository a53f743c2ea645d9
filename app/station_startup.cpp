#include "station_startup.h"
#include "Login_Code.h"
#include "Unit1.h"
#include "datacenter_code.h"
#include "kw_irttiunits.h"
#include "report/build/qdzPrinter.h"
#include "proce.h"
#include "tongbuxianl.h"

bool CreateStationForms()
{
    Application->CreateForm(main_);
    try {
        Application->CreateForm(DataCenter);
    } catch (const Exception &E) {
        Application->MessageBox(QStringLiteral("无法打开本地数据库: ") + TDataCenter::LocalDatabasePath()
                                    + QStringLiteral("\n") + E.Message(),
                                QStringLiteral("提示!"), MB_ICONERROR);
        return false;
    }
    Application->CreateForm(Login);
    Application->CreateForm(Tongbu_Xianl);
    Application->CreateForm(Form2);
    return true;
}

int StationMain()
{
    Application->Initialize();
    // Scripts of the report engine see the built-in library and the class
    // library's units from the start.
    kwRegisterRTTIUnits();
    qdzInstallPaperHooks();
    Application->SetTitle(QStringLiteral("电子秤配货系统"));
    const bool ok = CreateStationForms();
    if (ok)
        Application->Run();
    DoneApplication();
    return ok ? 0 : 1;
}
