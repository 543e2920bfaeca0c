#include "RecentFileList.h"

#include <QFileInfo>
#include <QSettings>

namespace q417 {

namespace {

QString Canonical(const QString& path) {
    return QFileInfo(path).absoluteFilePath();
}

}  // namespace

void RecentFileList::Load(const QSettings& store) {
    files_.clear();
    for (int i = 1; i <= kSize; ++i) {
        const QString path =
            store.value(QStringLiteral("Recent File List/File%1").arg(i)).toString();
        if (!path.isEmpty() && !files_.contains(path)) {
            files_.append(path);
        }
    }
}

void RecentFileList::Save(QSettings& store) const {
    store.beginGroup(QStringLiteral("Recent File List"));
    for (int i = 1; i <= kSize; ++i) {
        const QString key = QStringLiteral("File%1").arg(i);
        if (i <= files_.size()) {
            store.setValue(key, files_[i - 1]);
        } else {
            store.remove(key);
        }
    }
    store.endGroup();
}

void RecentFileList::Add(const QString& path) {
    const QString file = Canonical(path);
    files_.removeAll(file);
    files_.prepend(file);
    while (files_.size() > kSize) {
        files_.removeLast();
    }
}

void RecentFileList::Remove(const QString& path) {
    files_.removeAll(Canonical(path));
}

QString RecentFileList::MenuText(int index) const {
    if (index < 0 || index >= files_.size()) {
        return {};
    }
    QString name = QFileInfo(files_[index]).fileName();
    name.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(name);
}

}  // namespace q417
