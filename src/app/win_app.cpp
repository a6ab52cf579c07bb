#include "app/win_app.h"

#include "platform/profile.h"

#include <QApplication>
#include <QStringList>

void CCommandLineInfo::ParseParam(const CString& param, BOOL bFlag, BOOL /*bLast*/) {
    if (bFlag) return;
    if (m_strFileName.IsEmpty()) m_strFileName = param;
    m_strFileNames.push_back(param);
}

int CWinApp::Run() {
    if (!InitInstance()) return ExitInstance();
    QApplication::exec();
    return ExitInstance();
}

void CWinApp::SetRegistryKey(const CString& key) {
    ::SetRegistryKey(key);
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info) {
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool flag = a.size() > 1 && a.startsWith('-');
        info.ParseParam(CString(flag ? a.mid(1) : a), flag ? TRUE : FALSE,
                        i + 1 == args.size() ? TRUE : FALSE);
    }
}
