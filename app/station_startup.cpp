// Implementation of start-up of the station.
#include "station_startup.h"
#include "Language.h"
#include "Login_Code.h"
#include "Unit1.h"
#include "datacenter_code.h"
#include "kw_irttiunits.h"
#include "report/preview/qdzPreviewSetup.h"
#include "report/engine/qdzPrinter.h"
#include "report/model/qdzClassRTTI.h"
#include "report/model/qdzDMPClass.h"
#include "proce.h"
#include "Sell_Add_Cp_Code.h"
#include "Sell_Add_Keh_Code.h"
#include "Sell_CpMingx_Code.h"
#include "Sell_Dh_Qup_Code.h"
#include "Sell_Lx_Qup_Code.h"
#include "Sell_Mingx_Code.h"
#include "sell_dh_input_code.h"
#include "sell_lx_input_code.h"
#include "tongbuxianl.h"

void InstallStationLanguage()
{
    // The station speaks Chinese whatever the desktop's locale: Qt's standard
    // buttons and texts, and the class library's own boxes and errors.
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    SetResourceLanguage(chinese);
    InstallQtTranslations(chinese);
}

bool CreateStationForms()
{
    // The caption of the station's own boxes.
    Application->SetTitle(QStringLiteral("电子秤配货系统"));
    Application->CreateForm(main_);
    try {
        Application->CreateForm(DataCenter);
    } catch (const Exception &E) {
        Application->MessageBox(QStringLiteral("无法打开本地数据库: ") + TDataCenter::LocalDatabasePath()
                                    + QStringLiteral("\n") + E.Message(),
                                QStringLiteral("提示!"), MB_ICONERROR);
        return false;
    }
    Application->CreateForm(sell_dh_input);
    Application->CreateForm(Sell_Mingx);
    Application->CreateForm(Sell_Add_Keh);
    Application->CreateForm(Sell_Add_Cp);
    Application->CreateForm(Login);
    Application->CreateForm(Sell_Dh_Qup);
    Application->CreateForm(sell_lx_input);
    Application->CreateForm(Sell_Lx_Qup);
    Application->CreateForm(Sell_CpMingx);
    Application->CreateForm(Tongbu_Xianl);
    Application->CreateForm(Form2);
    return true;
}

int StationMain()
{
    Application->Initialize();
    InstallStationLanguage();
    // Scripts of the report engine see the built-in library and the class
    // library's units from the start.
    kwRegisterRTTIUnits();
    qdzRegisterClassRTTI();
    qdzInstallPaperHooks();
    // Reports build with the engine and store of the build layer.
    qdzBuildStartup();
    // Templates may hold dot-matrix pages and objects.
    qdzRegisterDMPObjects();
    const bool ok = CreateStationForms();
    if (ok)
        Application->Run();
    DoneApplication();
    return ok ? 0 : 1;
}
