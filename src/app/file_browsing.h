// Finding the next pattern to show: the readable files beside the shown
// one (PgDown/PgUp), the files named on the command line, and the recent
// files remembered in the settings.
#pragma once

#include "platform/cstring.h"

#include <QString>
#include <QStringList>
#include <string>

namespace app {

// The lower-case extensions the viewer has a reader for.
QStringList ReadableExtensions();
bool IsReadableFile(const QString& path);
// "*.qli *.hqv ..." for a file dialog's "All readable files" filter.
QString ReadablePatterns();

// The open dialog's filter list (pairs ended by '|', the list by "||")
// with two more filters at its end: "All readable files" and "All files".
CString WithReadableFilters(const std::string& filter);
// Where the open dialog starts: the shown file's folder, else the folder
// remembered, else the home folder (never the process's working folder).
CString OpenDialogFolder(const CString& shownFile, const CString& remembered);

// The readable files of path's folder, sorted by name, full paths.
QStringList ReadableFilesBeside(const QString& path);

// The file step places after current in list (step −1: before), wrapping
// round at either end; the first (or last) file when current is not in
// list; empty for an empty list.
QString StepThrough(const QStringList& list, const QString& current, int step);

// The recent files, newest first, at most kMaxRecentFiles, kept in section
// "CadInfo" as "RecentFile1" … "RecentFile8".
constexpr int kMaxRecentFiles = 8;
QStringList LoadRecentFiles();
// Puts path first (once) and stores the list; returns it.
QStringList RememberRecentFile(const QString& path);

} // namespace app
