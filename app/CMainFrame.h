#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <cstdint>
#include <functional>
#include <map>

#include "CommandFlags.h"
#include "LinkEvent.h"
#include "PressureUnit.h"

class QMenu;
class QToolBar;

namespace q417 {

class MessagePane;
class StatusPane;

// The main window: menus, the two toolbars, the seven-pane status bar, and the enabling of the
// commands. It carries out no command itself: each action reports its command identifier
// (commandTriggered), and the application routes it to the document, the view or itself.
class CMainFrame : public QMainWindow {
    Q_OBJECT

  public:
    enum Pane {
        kMessagePane = 0,
        kDragPane,
        kStatusPane,
        kNumberPane,
        kCapsPane,
        kNumPane,
        kClockPane,
        kPaneCount
    };

    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The action of a command identifier; nullptr for none.
    [[nodiscard]] QAction* Action(int id) const;
    [[nodiscard]] QToolBar* MainToolBar() const { return mainToolBar_; }
    [[nodiscard]] QToolBar* PlotToolBar() const { return plotToolBar_; }
    // A pane's text; for the message pane the whole message, however much of it shows.
    [[nodiscard]] QString PaneText(int pane) const;
    [[nodiscard]] MessagePane& Messages() const { return *messagePane_; }
    [[nodiscard]] StatusPane* Pane(int pane) const;

    // The status panes and the commands offered after a link event.
    void OnLinkEvent(const LinkEventKind& event);
    // The view's reports.
    void OnViewSelection(bool rowSelected);
    void OnViewDrag(int topRow, int hotRow);
    void UpdateClockPane();

    // Greys the readout commands and Cut, Copy and Delete until the link and the view enable
    // them again (an upload is starting).
    void DisableCommands();
    [[nodiscard]] CommandFlags Flags() const { return flags_; }
    void RestoreFlags(const CommandFlags& flags);

    // What the message pane shows while no prompt is up ("Ready" when text is empty): text,
    // then more, which goes to the pane's tooltip when the pane has no room for it.
    void SetIdleMessage(const QString& text, const QString& more = {});
    // The File menu's recent files (menu texts, most recent first).
    void SetRecentFiles(const QStringList& menuTexts);
    void SetUnitChecked(PressureUnit unit);
    void SetGridLinesChecked(bool on);

    // Called from the destructor: the settings are written as the main window goes.
    void SetDestroyHook(std::function<void()> hook) { destroyHook_ = std::move(hook); }
    // Asked before the window closes: false keeps it open (the user cancelled a save).
    void SetCloseQuery(std::function<bool()> query) { closeQuery_ = std::move(query); }

  Q_SIGNALS:
    void commandTriggered(int id);
    void recentFileChosen(int index);
    void fileDropped(const QString& path);

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBars();
    void CreateStatusBar();
    QAction* AddCommand(QMenu* menu, int id);
    void ApplyFlags();
    void SetPane(int pane, const QString& text);
    // CAP and NUM from the lock state a key event carries.
    void UpdateLockPanes(std::uint32_t nativeModifiers);

    std::map<int, QAction*> actions_;
    QToolBar* mainToolBar_ = nullptr;
    QToolBar* plotToolBar_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QAction* recentSeparator_ = nullptr;
    std::vector<QAction*> recentActions_;
    MessagePane* messagePane_ = nullptr;
    std::array<StatusPane*, kPaneCount> panes_{};  // none at kMessagePane
    CommandFlags flags_;
    std::function<void()> destroyHook_;
    std::function<bool()> closeQuery_;
};

}  // namespace q417
