#pragma once

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QSettings>
#include <QTimer>
#include <functional>

#include "HostSettings.h"

namespace q417::test {

// An empty settings store of this user, with the given values in group Settings.
inline void ResetStore(const std::map<QString, QVariant>& values = {}) {
    QSettings store(QString::fromLatin1(kSettingsOrganization),
                    QString::fromLatin1(kSettingsApplication));
    store.clear();
    for (const auto& [key, value] : values) {
        store.setValue(QStringLiteral("Settings/") + key, value);
    }
    store.sync();
}

inline QVariant StoredValue(const QString& key) {
    QSettings store(QString::fromLatin1(kSettingsOrganization),
                    QString::fromLatin1(kSettingsApplication));
    return store.value(key);
}

// Acts on the next modal dialog once it is open (from inside its event loop).
inline void OnNextDialog(std::function<void(QDialog&)> act) {
    QTimer::singleShot(0, [act = std::move(act)] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            act(*dialog);
        }
    });
}

}  // namespace q417::test
