#include "app/file_browsing.h"

#include "model/formats.h"
#include "platform/profile.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace app {

namespace {

const char* const kSection = "CadInfo";

// Names as a person reads them: runs of digits compare by their value
// ("star2" before "star10"), the rest by letter, case aside.
bool NameBefore(const QString& a, const QString& b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ie = i, je = j;
            while (ie < a.size() && a[ie].isDigit()) ++ie;
            while (je < b.size() && b[je].isDigit()) ++je;
            // Without leading zeros, the longer run is the larger number.
            QStringView na = QStringView(a).mid(i, ie - i), nb = QStringView(b).mid(j, je - j);
            while (na.size() > 1 && na.front() == u'0') na = na.mid(1);
            while (nb.size() > 1 && nb.front() == u'0') nb = nb.mid(1);
            if (na.size() != nb.size()) return na.size() < nb.size();
            if (const int c = na.compare(nb); c != 0) return c < 0;
            i = ie;
            j = je;
            continue;
        }
        const QChar ca = a[i].toCaseFolded(), cb = b[j].toCaseFolded();
        if (ca != cb) return ca < cb;
        ++i;
        ++j;
    }
    if (a.size() - i != b.size() - j) return a.size() - i < b.size() - j;
    return a < b;
}

CString RecentKey(int i) {
    return CString("RecentFile" + std::to_string(i + 1));
}

} // namespace

QStringList ReadableExtensions() {
    QStringList out;
    for (const FileFormat& f : FileFormats()) {
        if (!f.Reads()) continue;
        for (std::string_view ext : f.exts)
            if (!ext.empty()) out << QString::fromLatin1(ext.data(), static_cast<qsizetype>(ext.size()));
    }
    return out;
}

bool IsReadableFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && ReadableExtensions().contains(info.suffix().toLower());
}

QString ReadablePatterns() {
    QStringList patterns;
    for (const QString& ext : ReadableExtensions()) patterns << "*." + ext;
    return patterns.join(';');
}

CString WithReadableFilters(const std::string& filter) {
    QString list = QString::fromUtf8(filter);
    if (list.endsWith("||")) list.chop(1);
    const QString patterns = ReadablePatterns();
    list += "All readable files (" + patterns + ")|" + patterns + "|All files (*)|*||";
    return CString(list);
}

CString OpenDialogFolder(const CString& shownFile, const CString& remembered) {
    if (!shownFile.IsEmpty()) {
        const QFileInfo file(shownFile.Q());
        if (file.absoluteDir().exists()) return CString(QDir::toNativeSeparators(file.absolutePath()));
    }
    if (!remembered.IsEmpty()) return remembered;
    return CString(QDir::toNativeSeparators(QDir::homePath()));
}

QStringList ReadableFilesBeside(const QString& path) {
    const QDir dir = QFileInfo(path).absoluteDir();
    QStringList files;
    for (const QFileInfo& f : dir.entryInfoList(QDir::Files | QDir::Readable))
        if (ReadableExtensions().contains(f.suffix().toLower())) files << f.absoluteFilePath();
    std::sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
        return NameBefore(QFileInfo(a).fileName(), QFileInfo(b).fileName());
    });
    return files;
}

QString StepThrough(const QStringList& list, const QString& current, int step) {
    if (list.isEmpty()) return {};
    const qsizetype n = list.size();
    qsizetype at = list.indexOf(current);
    if (at < 0) {
        const QString abs = QFileInfo(current).absoluteFilePath();
        at = list.indexOf(abs);
    }
    if (at < 0) return step >= 0 ? list.front() : list.back();
    return list[((at + step) % n + n) % n];
}

QStringList LoadRecentFiles() {
    QStringList out;
    for (int i = 0; i < kMaxRecentFiles; ++i) {
        const QString p = GetProfileString(kSection, RecentKey(i)).Q();
        if (!p.isEmpty() && !out.contains(p)) out << p;
    }
    return out;
}

QStringList RememberRecentFile(const QString& path) {
    QStringList list = LoadRecentFiles();
    list.removeAll(path);
    list.prepend(path);
    while (list.size() > kMaxRecentFiles) list.removeLast();
    for (int i = 0; i < kMaxRecentFiles; ++i)
        WriteProfileString(kSection, RecentKey(i), i < list.size() ? CString(list[i]) : CString());
    return list;
}

} // namespace app
