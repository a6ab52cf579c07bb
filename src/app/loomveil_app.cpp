#include "app/loomveil_app.h"

#include "app/loomveil_dlg.h"
#include "app/resource_strings.h"

BOOL CLoomveilApp::InitInstance() {
    SetRegistryKey(LoadResourceString(IDS_REGISTRY_KEY));
    CCommandLineInfo cmdInfo;
    ParseCommandLine(cmdInfo);

    CLoomveilDlg dlg(cmdInfo.m_strFileName);
    dlg.m_strBrowseFiles = cmdInfo.m_strFileNames;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    // The dialog has ended: no message loop of the application's own.
    return FALSE;
}
