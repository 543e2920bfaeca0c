#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class COptionsDlg;
}

namespace q417 {

// The automatic behaviours after a download. The document keeps one and reuses it, so the flags
// persist between openings; the caller copies autoOpenCheck and autoSyncCheck to and from the
// application.
class COptionsDlg : public QDialog {
    Q_OBJECT

  public:
    explicit COptionsDlg(QWidget* parent = nullptr);
    ~COptionsDlg() override;

    int autoSyncCheck = 0;
    int autoOpenCheck = 0;
    // Kept for as long as the program runs; nothing reads it.
    int autoAppendCheck = 0;

    // Puts the flags into the check boxes, then runs the dialog from its first box.
    int exec() override;
    // Stores the check boxes back into the flags, then closes with OK.
    void accept() override;

    void LoadFromMembers();

  private:
    std::unique_ptr<Ui::COptionsDlg> ui_;
};

}  // namespace q417
