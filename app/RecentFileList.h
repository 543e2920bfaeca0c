#pragma once

#include <QString>
#include <QStringList>

class QSettings;

namespace q417 {

// The four most recently opened or saved files, most recent first, as the File menu lists them.
// Kept in group "Recent File List" as File1..File4; read at start, written with the settings.
class RecentFileList {
  public:
    static constexpr int kSize = 4;

    void Load(const QSettings& store);
    void Save(QSettings& store) const;

    // path becomes the first entry (an entry for the same file moves up).
    void Add(const QString& path);
    void Remove(const QString& path);
    [[nodiscard]] const QStringList& Files() const { return files_; }
    // "&1 north.ini": the menu text of entry index (0-based), the file name only.
    [[nodiscard]] QString MenuText(int index) const;

  private:
    QStringList files_;
};

}  // namespace q417
