#include "CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QIcon>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <ctime>

#include "CommandIds.h"
#include "CommandTable.h"
#include "LinkEvent.h"
#include "LocalTime.h"
#include "MessagePane.h"
#include "StatusPane.h"
#include "StatusPaneText.h"

namespace q417 {

using namespace cmd;

namespace {

QString Latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Pane widths in blanks of the status bar's font; the blanks are also the panes' first text.
constexpr std::array<int, CMainFrame::kPaneCount> kPaneBlanks = {0, 59, 24, 7, 0, 0, 16};

// X11 key state bits that a key event carries: Lock is caps lock, Mod2 is num lock on every
// common keyboard map.
constexpr std::uint32_t kCapsLockMask = 0x02;
constexpr std::uint32_t kNumLockMask = 0x10;

constexpr int kClockTimerMs = 3000;

}  // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Untitled[*] - Q417 Host"));
    setAcceptDrops(true);
    CreateActions();
    CreateMenus();
    CreateToolBars();
    CreateStatusBar();
    ApplyFlags();

    auto* clockTimer = new QTimer(this);
    clockTimer->setInterval(kClockTimerMs);
    connect(clockTimer, &QTimer::timeout, this, &CMainFrame::UpdateClockPane);
    clockTimer->start();
    UpdateClockPane();
    // Only a real X11 keyboard reports its lock state; elsewhere no event is watched.
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        qApp->installEventFilter(this);
    }
}

CMainFrame::~CMainFrame() {
    qApp->removeEventFilter(this);
    if (destroyHook_) {
        destroyHook_();
    }
}

QAction* CMainFrame::Action(int id) const {
    const auto found = actions_.find(id);
    return found == actions_.end() ? nullptr : found->second;
}

void CMainFrame::CreateActions() {
    for (const CommandInfo& info : WindowCommands()) {
        auto* action = new QAction(Latin1(info.menuText), this);
        action->setStatusTip(Latin1(info.prompt));
        QString tip = Latin1(info.tooltip);
        if (tip.isEmpty()) {
            tip = action->text().remove(QLatin1Char('&')).trimmed();
        }
        action->setToolTip(tip);
        if (!info.icon.empty()) {
            action->setIcon(QIcon(Latin1(info.icon)));
        }
        QList<QKeySequence> keys;
        for (const std::string_view key : info.shortcuts) {
            keys.append(QKeySequence(Latin1(key)));
        }
        action->setShortcuts(keys);
        const int id = info.id;
        connect(action, &QAction::triggered, this, [this, id] { Q_EMIT commandTriggered(id); });
        actions_[id] = action;
    }
    // Delete and Select All act on the site list only, where the keys belong to the rows.
    for (const int id : {kDelete, kSelectAll}) {
        actions_[id]->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    }
    actions_[kGridLines]->setCheckable(true);
    // Check marks, set from the document's unit, rather than the radio dots of a group.
    for (const int id : UnitCommands()) {
        actions_[id]->setCheckable(true);
    }
    actions_[kViewToolbar]->setCheckable(true);
    actions_[kViewToolbar]->setChecked(true);
    actions_[kViewStatusBar]->setCheckable(true);
    actions_[kViewStatusBar]->setChecked(true);
}

QAction* CMainFrame::AddCommand(QMenu* menu, int id) {
    QAction* action = Action(id);
    menu->addAction(action);
    return action;
}

void CMainFrame::CreateMenus() {
    fileMenu_ = menuBar()->addMenu(QStringLiteral("&File"));
    for (const int id : {kNew, kOpen, kSave, kSaveAs}) {
        AddCommand(fileMenu_, id);
    }
    fileMenu_->addSeparator();
    for (const int id : {kPrint, kPrintPreview, kPrintSetup}) {
        AddCommand(fileMenu_, id);
    }
    recentSeparator_ = fileMenu_->addSeparator();
    SetRecentFiles({});
    fileMenu_->addSeparator();
    AddCommand(fileMenu_, kExit);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    for (const int id : {kCut, kCopy, kDelete}) {
        AddCommand(edit, id);
    }
    edit->addSeparator();
    AddCommand(edit, kSelectAll);
    edit->addSeparator();
    AddCommand(edit, kPort);
    AddCommand(edit, kOptions);
    QMenu* units = edit->addMenu(QStringLiteral("Units"));
    for (const int id : UnitCommands()) {
        AddCommand(units, id);
    }

    QMenu* readout = menuBar()->addMenu(QStringLiteral("&Readout"));
    for (const int id : {kReadoutStatus, kUploadSiteInfo, kAddReadoutData, kReconnect}) {
        AddCommand(readout, id);
    }

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    for (const int id : {kViewToolbar, kViewStatusBar, kGridLines}) {
        AddCommand(view, id);
    }
    view->addSeparator();
    AddCommand(view, kPlotReadings);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    AddCommand(help, kStartLineTrace);
    AddCommand(help, kStopLineTrace)->setEnabled(false);  // until a trace runs
    help->addSeparator();
    AddCommand(help, kAbout);
}

void CMainFrame::CreateToolBars() {
    mainToolBar_ = new QToolBar(QStringLiteral("Standard"), this);
    mainToolBar_->setObjectName(QStringLiteral("mainToolBar"));
    for (const int id : {kNew, kOpen, kSave, 0, kCut, kCopy, 0, kPrint, 0, kAbout}) {
        if (id == 0) {
            mainToolBar_->addSeparator();
        } else {
            mainToolBar_->addAction(Action(id));
        }
    }
    plotToolBar_ = new QToolBar(QStringLiteral("Plot Types"), this);
    plotToolBar_->setObjectName(QStringLiteral("plotToolBar"));
    plotToolBar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    plotToolBar_->addAction(Action(kAddReadoutDataTool));
    plotToolBar_->addAction(Action(kUploadSiteInfoTool));
    plotToolBar_->addAction(Action(kPlotReadings));
    for (QToolBar* bar : {mainToolBar_, plotToolBar_}) {
        bar->setAllowedAreas(Qt::AllToolBarAreas);
        bar->setMovable(true);
        bar->setFloatable(true);
        // The same row, the plot toolbar right of the main one.
        addToolBar(Qt::TopToolBarArea, bar);
    }
    connect(Action(kViewToolbar), &QAction::toggled, this, [this](bool on) {
        mainToolBar_->setVisible(on);
        plotToolBar_->setVisible(on);
    });
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    // A normal widget, stretched over the room the others leave; prompts show in it too.
    messagePane_ = new MessagePane(bar);
    messagePane_->setObjectName(QStringLiteral("pane0"));
    bar->addWidget(messagePane_, 1);

    // The texts each pane is made for, so the first "100%" or "Reading data" moves nothing.
    QStringList statusTexts;
    for (const LinkStatus status :
         {LinkStatus::PortOpen, LinkStatus::PortNotOpen, LinkStatus::Connecting,
          LinkStatus::Connected, LinkStatus::NewReadout, LinkStatus::CommError, LinkStatus::Reading,
          LinkStatus::Writing}) {
        statusTexts.append(QString::fromStdString(LinkStatusPaneText(status).value_or("")));
    }
    const std::array<QStringList, kPaneCount> texts = {
        QStringList{},
        QStringList{},
        statusTexts,
        QStringList{QStringLiteral("100%")},
        QStringList{QStringLiteral(" CAP "), QStringLiteral(" NUM ")},
        QStringList{QStringLiteral(" CAP "), QStringLiteral(" NUM ")},
        QStringList{QStringLiteral("12:00 AM"), QStringLiteral("12:00 PM")},
    };
    for (int pane = kDragPane; pane < kPaneCount; ++pane) {
        const auto at = static_cast<std::size_t>(pane);
        auto* label = new StatusPane(kPaneBlanks[at], texts[at], bar);
        label->setObjectName(QStringLiteral("pane%1").arg(pane));
        if (pane == kCapsPane || pane == kNumPane) {
            label->setAlignment(Qt::AlignCenter);
        }
        panes_[at] = label;
        bar->addPermanentWidget(label);
    }
    connect(Action(kViewStatusBar), &QAction::toggled, bar, &QStatusBar::setVisible);
}

QString CMainFrame::PaneText(int pane) const {
    if (pane == kMessagePane) {
        return messagePane_->Message();
    }
    const StatusPane* label = Pane(pane);
    return label == nullptr ? QString() : label->text();
}

StatusPane* CMainFrame::Pane(int pane) const {
    return pane > kMessagePane && pane < kPaneCount ? panes_[static_cast<std::size_t>(pane)]
                                                    : nullptr;
}

void CMainFrame::SetPane(int pane, const QString& text) {
    panes_[static_cast<std::size_t>(pane)]->SetPaneText(text);
}

void CMainFrame::SetIdleMessage(const QString& text, const QString& more) {
    messagePane_->SetMessage(text, more);
}

void CMainFrame::OnLinkEvent(const LinkEventKind& event) {
    const LinkPaneTexts texts = LinkPaneTextsAfter(event);
    if (texts.status) {
        SetPane(kStatusPane, QString::fromStdString(*texts.status));
    }
    if (texts.number) {
        SetPane(kNumberPane, QString::fromStdString(*texts.number));
    }
    if (texts.status || texts.number) {
        UpdateClockPane();
    }
    const CommandFlags next = flags_.After(event);
    if (!(next == flags_)) {
        flags_ = next;
        ApplyFlags();
    }
}

void CMainFrame::OnViewSelection(bool rowSelected) {
    flags_.edit = rowSelected;
    ApplyFlags();
}

void CMainFrame::OnViewDrag(int topRow, int hotRow) {
    SetPane(kDragPane, QString::fromStdString(DragPaneText(topRow, hotRow)));
}

void CMainFrame::UpdateClockPane() {
    const std::tm local = LocalTime::FromCalendar(std::time(nullptr)).value_or(std::tm{});
    SetPane(kClockPane, QString::fromStdString(ClockPaneText(local)));
}

void CMainFrame::DisableCommands() {
    flags_ = CommandFlags{};
    ApplyFlags();
}

void CMainFrame::RestoreFlags(const CommandFlags& flags) {
    flags_ = flags;
    ApplyFlags();
}

void CMainFrame::ApplyFlags() {
    const std::pair<int, bool> states[] = {
        {kReadoutStatus, flags_.status},
        {kReconnect, flags_.reconnect},
        {kAddReadoutData, flags_.addData},
        {kAddReadoutDataTool, flags_.addData},
        {kCalibration, flags_.calibration},
        {kUploadSiteInfo, flags_.upload},
        {kUploadSiteInfoTool, flags_.upload},
        {kCut, flags_.edit},
        {kCopy, flags_.edit},
        {kDelete, flags_.edit},
        {kPlotReadings, flags_.edit},
    };
    for (const auto& [id, enabled] : states) {
        if (QAction* action = Action(id)) {
            action->setEnabled(enabled);
        }
    }
}

void CMainFrame::SetRecentFiles(const QStringList& menuTexts) {
    for (QAction* action : recentActions_) {
        fileMenu_->removeAction(action);
        action->deleteLater();
    }
    recentActions_.clear();
    // The entry after the separator that ends the print commands.
    const QList<QAction*> all = fileMenu_->actions();
    const qsizetype at = all.indexOf(recentSeparator_);
    QAction* before = at + 1 < all.size() ? all[at + 1] : nullptr;
    if (menuTexts.isEmpty()) {
        auto* placeholder = new QAction(QStringLiteral("Recent File"), this);
        placeholder->setEnabled(false);
        fileMenu_->insertAction(before, placeholder);
        recentActions_.push_back(placeholder);
        return;
    }
    for (int i = 0; i < menuTexts.size(); ++i) {
        auto* action = new QAction(menuTexts[i], this);
        action->setStatusTip(QStringLiteral("Open this document"));
        connect(action, &QAction::triggered, this, [this, i] { Q_EMIT recentFileChosen(i); });
        fileMenu_->insertAction(before, action);
        recentActions_.push_back(action);
    }
}

void CMainFrame::SetUnitChecked(PressureUnit unit) {
    for (const int id : UnitCommands()) {
        Action(id)->setChecked(UnitOfCommand(id) == unit);
    }
}

void CMainFrame::SetGridLinesChecked(bool on) {
    Action(kGridLines)->setChecked(on);
}

bool CMainFrame::event(QEvent* event) {
    // Prompts go to the message pane itself rather than over it as the status bar's own
    // message, so they start where "Ready" does and the panes right of it stay.
    if (event->type() == QEvent::StatusTip) {
        messagePane_->SetPrompt(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (closeQuery_ && !closeQuery_()) {
        event->ignore();
        return;
    }
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* mime = event->mimeData();
    if (mime->hasUrls() && !mime->urls().isEmpty() && mime->urls().first().isLocalFile()) {
        event->acceptProposedAction();
    }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile()) {
        return;
    }
    event->acceptProposedAction();
    // Opened after the drop has finished, so the source is not held while the user answers.
    const QString path = urls.first().toLocalFile();
    QTimer::singleShot(0, this, [this, path] { Q_EMIT fileDropped(path); });
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        UpdateLockPanes(static_cast<QKeyEvent*>(event)->nativeModifiers());
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::UpdateLockPanes(std::uint32_t nativeModifiers) {
    SetPane(kCapsPane, (nativeModifiers & kCapsLockMask) != 0 ? QStringLiteral("CAP") : QString());
    SetPane(kNumPane, (nativeModifiers & kNumLockMask) != 0 ? QStringLiteral("NUM") : QString());
}

}  // namespace q417
