// The program's remembered settings, read and written as the framework's
// profile calls do. They live in QSettings(registry key, application name):
// on Windows that is HKEY_CURRENT_USER\Software\<key>\<application>, elsewhere
// <config folder>/<key>/<application>.conf. A section is a settings group.
#pragma once

#include "platform/cstring.h"
#include "platform/wintypes.h"

// Names the company key under which the settings are kept. Until it is set,
// the application's own name stands in for it.
void SetRegistryKey(const CString& key);
CString GetRegistryKey();

CString GetProfileString(const CString& section, const CString& entry, const CString& defaultValue = {});
BOOL WriteProfileString(const CString& section, const CString& entry, const CString& value);
// An absent value, or one that is not a whole number, gives defaultValue.
int GetProfileInt(const CString& section, const CString& entry, int defaultValue);
BOOL WriteProfileInt(const CString& section, const CString& entry, int value);
