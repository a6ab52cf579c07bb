#include "platform/profile.h"

#include <QCoreApplication>
#include <QSettings>

namespace {

QString& RegistryKey() {
    static QString key;
    return key;
}

// The store for the current key and application name. The application name
// is the executable's name unless the program set another.
class Store : public QSettings {
public:
    Store() : QSettings(Organisation(), QCoreApplication::applicationName()) {}

private:
    static QString Organisation() {
        const QString& key = RegistryKey();
        return key.isEmpty() ? QCoreApplication::applicationName() : key;
    }
};

QString KeyOf(const CString& section, const CString& entry) {
    return section.Q() + '/' + entry.Q();
}

BOOL Write(const CString& section, const CString& entry, const QVariant& value) {
    Store settings;
    settings.setValue(KeyOf(section, entry), value);
    settings.sync();
    return settings.status() == QSettings::NoError ? TRUE : FALSE;
}

} // namespace

void SetRegistryKey(const CString& key) {
    RegistryKey() = key.Q();
}

CString GetRegistryKey() {
    return CString(RegistryKey());
}

CString GetProfileString(const CString& section, const CString& entry, const CString& defaultValue) {
    const QVariant v = Store().value(KeyOf(section, entry));
    return v.isValid() ? CString(v.toString()) : defaultValue;
}

BOOL WriteProfileString(const CString& section, const CString& entry, const CString& value) {
    return Write(section, entry, value.Q());
}

int GetProfileInt(const CString& section, const CString& entry, int defaultValue) {
    const QVariant v = Store().value(KeyOf(section, entry));
    bool ok = false;
    const int n = v.toString().trimmed().toInt(&ok);
    return v.isValid() && ok ? n : defaultValue;
}

BOOL WriteProfileInt(const CString& section, const CString& entry, int value) {
    return Write(section, entry, value);
}
