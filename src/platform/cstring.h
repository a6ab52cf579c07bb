// CString: the wide (UTF-16) string of the user interface and of file paths,
// over QString. Only the operations the program uses are here.
#pragma once

#include <QString>
#include <string>
#include <string_view>

class CString {
public:
    CString() = default;
    CString(const char* utf8) : m_s(QString::fromUtf8(utf8)) {}
    CString(std::string_view utf8) : m_s(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()))) {}
    CString(const wchar_t* s) : m_s(QString::fromWCharArray(s)) {}
    CString(QString s) : m_s(std::move(s)) {}

    int GetLength() const { return static_cast<int>(m_s.size()); }
    bool IsEmpty() const { return m_s.isEmpty(); }
    void Empty() { m_s.clear(); }

    // Position of the first occurrence at or after start, or -1.
    int Find(const CString& sub, int start = 0) const { return static_cast<int>(m_s.indexOf(sub.m_s, start)); }
    int Find(QChar ch, int start = 0) const { return static_cast<int>(m_s.indexOf(ch, start)); }
    // Position of the last occurrence of ch, or -1.
    int ReverseFind(QChar ch) const { return static_cast<int>(m_s.lastIndexOf(ch)); }

    CString Left(int n) const { return CString(m_s.left(n)); }
    CString Right(int n) const { return CString(m_s.right(n)); }
    CString Mid(int first) const { return CString(m_s.mid(first)); }
    CString Mid(int first, int n) const { return CString(m_s.mid(first, n)); }

    CString& MakeLower() {
        m_s = m_s.toLower();
        return *this;
    }
    CString& MakeUpper() {
        m_s = m_s.toUpper();
        return *this;
    }

    // printf-style formatting; %s takes a UTF-8 const char* (use Utf8()).
    void Format(const char* fmt, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;

    CString& operator+=(const CString& o) {
        m_s += o.m_s;
        return *this;
    }
    CString& operator+=(QChar c) {
        m_s += c;
        return *this;
    }
    friend CString operator+(CString a, const CString& b) { return a += b; }
    bool operator==(const CString& o) const { return m_s == o.m_s; }
    bool operator!=(const CString& o) const { return m_s != o.m_s; }
    QChar operator[](int i) const { return m_s.at(i); }

    const QString& Q() const { return m_s; }
    std::string Utf8() const { return m_s.toStdString(); }
    // The path as the operating system spells it (bytes for open()).
    std::string LocalPath() const;

private:
    QString m_s;
};
