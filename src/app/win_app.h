// The application object in the framework's shape: InitInstance does the
// program's work; the command line is parsed into a CCommandLineInfo.
// A QApplication must exist before the application object runs.
#pragma once

#include "platform/cstring.h"
#include "platform/wintypes.h"

#include <vector>

class CWnd;

class CCommandLineInfo {
public:
    virtual ~CCommandLineInfo() = default;
    // One argument: bFlag when it is an option (it starts with '-'; a '/'
    // starts a path here), bLast for the last argument.
    virtual void ParseParam(const CString& param, BOOL bFlag, BOOL bLast);

    // The first argument that is not an option.
    CString m_strFileName;
    // Every argument that is not an option, in order.
    std::vector<CString> m_strFileNames;
};

class CWinApp {
public:
    CWinApp() = default;
    virtual ~CWinApp() = default;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return 0; }
    // InitInstance, then the application's message loop when it returned
    // TRUE; the exit code.
    int Run();

    // Where the profile settings live (see platform/profile.h).
    void SetRegistryKey(const CString& key);
    // The arguments Qt has not taken for itself, after the program's name.
    void ParseCommandLine(CCommandLineInfo& info);

    CWnd* m_pMainWnd = nullptr;
};
