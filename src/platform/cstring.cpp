#include "platform/cstring.h"

#include <QFile>
#include <cstdarg>

void CString::Format(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    m_s = QString::vasprintf(fmt, ap);
    va_end(ap);
}

std::string CString::LocalPath() const { return QFile::encodeName(m_s).toStdString(); }
