#include "CQ417HostApp.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QPageSetupDialog>
#include <QPointer>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScopedValueRollback>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <cstdio>
#include <vector>

#include "AppResources.h"
#include "CAboutDlg.h"
#include "CMainFrame.h"
#include "CQ417HostDoc.h"
#include "CQ417HostView.h"
#include "CReadoutLink.h"
#include "CommandIds.h"
#include "CommandTable.h"
#include "DocumentCommands.h"
#include "FirstWindowSize.h"
#include "LineTrace.h"
#include "PosixSerialLine.h"
#include "QtDocumentUser.h"
#include "ReadingsPlotter.h"
#include "SimulatedReadout.h"
#include "SiteListModel.h"
#include "SiteListPrinter.h"
#include "SteadyClock.h"
#include "TracingLine.h"
#include "UploadReport.h"

namespace q417 {

using namespace cmd;

namespace {

QSettings Store() {
    return QSettings(QString::fromLatin1(kSettingsOrganization),
                     QString::fromLatin1(kSettingsApplication));
}

QString PathText(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// The message pane's words for a port that did not open: what happened, then what the
// technician can do, which the pane shows when there is room and its tooltip always.
struct PortProblem {
    QString headline;
    QString advice;
};

PortProblem PortProblemText(const PortOpenFailure& failure) {
    if (!failure.Failed()) {
        return {};
    }
    PortProblem problem{
        QStringLiteral("Port not open: ") + PathText(failure.text) + QLatin1Char('.'), {}};
    switch (failure.reason) {
        case OpenFailure::NoSuchDevice:
            problem.advice = QStringLiteral(
                "Plug in the readout's cable, or choose its port with Edit > Port...");
            break;
        case OpenFailure::Busy:
            problem.advice = QStringLiteral("Close the other program that holds the port.");
            break;
        case OpenFailure::Disabled:
            problem.advice = QStringLiteral("Choose a port with Edit > Port...");
            break;
        default:
            break;
    }
    return problem;
}

// The size the main window opens with where the screen has room for it.
constexpr QSize kPreferredWindowSize{900, 540};

}  // namespace

CQ417HostApp::CQ417HostApp() : CQ417HostApp(Parts{}) {}

CQ417HostApp::CQ417HostApp(Parts parts) : line_(parts.line), clock_(parts.clock) {
    InitAppResources();
    if (parts.user != nullptr) {
        user_ = parts.user;
    } else {
        qtUser_ = std::make_unique<QtDocumentUser>(activity_);
        user_ = qtUser_.get();
    }
}

CQ417HostApp::~CQ417HostApp() {
    CloseWindow();
    if (document_ != nullptr) {
        document_->SetView(nullptr);
    }
    if (link_ != nullptr && link_->Running()) {
        link_->Stop();
        // No window is left to say it in (the closing window would have stopped the link itself).
        if (const std::optional<UploadReport> report = link_->StoppedUpload()) {
            std::fprintf(stderr, "q417host: %s\n",
                         report->InterruptedText(ReportForm::Sentences).c_str());
        }
    }
}

bool CQ417HostApp::Start(const HostOptions& options, std::string& error, bool show) {
    {
        const QSettings store = Store();
        settings_.Load(store);
        recent_.Load(store);
        devices_ = LoadPortDevices(store);
    }
    // --device and --simulate name the device of the configured port for this run; with the
    // port "Disabled" they use port 1, without changing the setting.
    const int runPort = settings_.portNum > 0 ? settings_.portNum : 1;
    if (options.simulate) {
        simulator_ = std::make_unique<SimulatedReadout>();
        if (!simulator_->Start(error)) {
            error = "the simulated readout could not start: " + error;
            return false;
        }
        devices_[runPort] = simulator_->DevicePath();
    } else if (options.device) {
        devices_[runPort] = *options.device;
    }

    if (line_ == nullptr) {
        ownLine_ = std::make_unique<PosixSerialLine>(
            [this](int port) { return PortDevicePath(port, devices_); });
        line_ = ownLine_.get();
    }
    if (clock_ == nullptr) {
        ownClock_ = std::make_unique<SteadyClock>();
        clock_ = ownClock_.get();
    }
    trace_ = std::make_unique<LineTrace>(*clock_);
    tracingLine_ = std::make_unique<TracingLine>(*line_, *trace_);
    link_ = std::make_unique<CReadoutLink>(*tracingLine_, *clock_);
    model_ = std::make_unique<SiteListModel>();
    document_ = std::make_unique<CQ417HostDoc>(link_->LiveSettings(), *user_);
    document_->SetView(model_.get());

    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/q417host.svg")));
    frame_ = new CMainFrame;
    if (qtUser_ != nullptr) {
        qtUser_->SetParentWindow(frame_);
    }
    view_ = new CQ417HostView(*model_, {*frame_, settings_, *link_, dispatcher_, *user_, activity_},
                              frame_);
    frame_->setCentralWidget(view_);
    commands_ = std::make_unique<DocumentCommands>(DocumentCommands::Context{
        settings_, *link_, *document_, *frame_, *view_, *user_, activity_, devices_, dispatcher_,
        [this] { return clock_->CalendarSeconds(); }});

    plotter_ =
        std::make_unique<ReadingsPlotter>(*document_, *frame_, [this] { return &Printer(); });
    // A merged download brings readings the plot has not shown yet.
    connect(view_, &CQ417HostView::downloadMerged, plotter_.get(),
            &ReadingsPlotter::DocumentChanged);

    connect(frame_, &CMainFrame::commandTriggered, this, &CQ417HostApp::OnCommand);
    connect(frame_, &CMainFrame::recentFileChosen, this, &CQ417HostApp::OpenRecent);
    connect(frame_, &CMainFrame::fileDropped, this, [this](const QString& path) {
        UiActivity::Scope busy(activity_);
        if (document_->SaveModified()) {
            OpenFile(QFile::encodeName(path).toStdString());
        }
    });
    // Posted, as the list's reports are: the frame changes its state after the view's event.
    connect(view_, &CQ417HostView::selectionPresent, frame_, &CMainFrame::OnViewSelection,
            Qt::QueuedConnection);
    connect(view_, &CQ417HostView::dragPosition, frame_, &CMainFrame::OnViewDrag,
            Qt::QueuedConnection);
    connect(view_, &CQ417HostView::linkResult, this, [this](const LinkEvent& event) {
        if (commands_ != nullptr) {
            commands_->OnLinkEvent(event);
        }
    });
    dispatcher_.SetStatusWindow(frame_, [this](const LinkEvent& event) { OnLinkEvent(event); });
    frame_->SetDestroyHook([this] { SaveSettings(); });
    frame_->SetCloseQuery([this] { return CanCloseDocument(); });
    ShowRecentFiles();

    if (options.file) {
        if (!document_->OpenDocument(*options.file)) {
            error = *options.file + ": the file could not be opened";
            return false;
        }
    } else if (!document_->NewDocument()) {
        error = "a new document could not be created";
        return false;
    }
    document_->SetObserver(this);
    DocumentPathChanged(document_->PathName(), document_->Title());
    DocumentModifiedChanged(document_->IsModified());
    DocumentUnitChanged(document_->DocumentUnit());
    std::string traceError;
    if (options.trace) {
        BeginLineTrace(*options.trace, traceError);
    }
    view_->InitialUpdate(*document_);  // starts the link

    if (show) {
        frame_->resize(
            FirstWindowSize(kPreferredWindowSize, frame_->screen()->availableGeometry()));
        frame_->show();
    }
    // Said once the window is up, over it; the trace itself began before the link started.
    if (!traceError.empty()) {
        SayLineTraceFailed(traceError);
    }
    return true;
}

bool CQ417HostApp::StartLineTrace(const std::string& path) {
    std::string error;
    if (!BeginLineTrace(path, error)) {
        SayLineTraceFailed(error);
        return false;
    }
    return true;
}

bool CQ417HostApp::BeginLineTrace(const std::string& path, std::string& error) {
    StopLineTrace();
    const bool started = trace_->Start(path, error);
    if (started) {
        link_->StartTrace(*trace_);
    }
    ShowLineTraceCommands();
    return started;
}

void CQ417HostApp::SayLineTraceFailed(const std::string& error) {
    user_->ShowMessage(
        "The line trace could not be started: " + error + ". The program goes on without it.",
        MessageIcon::Exclamation);
}

void CQ417HostApp::StopLineTrace() {
    link_->StopTrace();
    trace_->Stop();
    ShowLineTraceCommands();
}

bool CQ417HostApp::LineTracing() const {
    return trace_ != nullptr && trace_->Active();
}

void CQ417HostApp::AskAndStartLineTrace() {
    const QString path =
        QFileDialog::getSaveFileName(frame_, QStringLiteral("Start Line Trace"),
                                     QDir::home().filePath(QStringLiteral("q417-trace.txt")),
                                     QStringLiteral("Text files (*.txt);;All files (*)"));
    if (!path.isEmpty()) {
        StartLineTrace(QFile::encodeName(path).toStdString());
    }
}

void CQ417HostApp::ShowLineTraceCommands() {
    if (frame_ == nullptr) {
        return;
    }
    const bool tracing = LineTracing();
    frame_->Action(kStartLineTrace)->setEnabled(!tracing);
    frame_->Action(kStopLineTrace)->setEnabled(tracing);
}

void CQ417HostApp::CloseWindow() {
    commands_.reset();  // its dialogs are children of the frame
    plotter_.reset();   // and so is the plot window
    if (frame_ != nullptr) {
        CMainFrame* frame = std::exchange(frame_, nullptr);
        view_ = nullptr;
        if (qtUser_ != nullptr) {
            qtUser_->SetParentWindow(nullptr);
        }
        delete frame;  // writes the settings
        if (document_ != nullptr) {
            document_->SetObserver(nullptr);
        }
    }
}

void CQ417HostApp::SaveSettings() {
    QSettings store = Store();
    settings_.Save(store);
    recent_.Save(store);
    store.sync();
}

void CQ417HostApp::OnLinkEvent(const LinkEvent& event) {
    if (frame_ == nullptr) {
        return;
    }
    frame_->OnLinkEvent(event.what);
    if (commands_ != nullptr) {
        commands_->OnLinkEvent(event);
    }
    if (const auto* status = event.As<link_event::Status>()) {
        if (status->status == LinkStatus::PortNotOpen) {
            const PortProblem problem = PortProblemText(link_->PortFailure());
            frame_->SetIdleMessage(problem.headline, problem.advice);
        } else if (status->status == LinkStatus::PortOpen ||
                   status->status == LinkStatus::Connected) {
            frame_->SetIdleMessage({});
        }
    }
}

void CQ417HostApp::OnCommand(int id) {
    if (frame_ == nullptr || view_ == nullptr) {
        return;
    }
    UiActivity::Scope busy(activity_);
    if (const auto unit = UnitOfCommand(id)) {
        model_->ApplyUnitCommand(*unit);
        frame_->SetUnitChecked(document_->DocumentUnit());
        return;
    }
    switch (id) {
        case kNew:
            NewFile();
            break;
        case kOpen:
            if (document_->SaveModified()) {
                const auto path = qtUser_ != nullptr ? qtUser_->AskOpenPath() : std::nullopt;
                if (path) {
                    OpenFile(*path);
                }
            }
            break;
        case kSave:
            Save();
            break;
        case kSaveAs:
            SaveAs();
            break;
        case kPrint:
            Print();
            break;
        case kPrintPreview:
            PrintPreview();
            break;
        case kPrintSetup:
            PrintSetup();
            break;
        case kExit:
            frame_->close();
            break;
        case kCut:
            view_->Cut();
            break;
        case kCopy:
            view_->CopySelection();
            break;
        case kDelete:
        case kDeleteSite:
            view_->DeleteSelectedSites();
            break;
        case kSelectAll:
            view_->SelectAllRows();
            break;
        case kNewSite:
            view_->NewSite();
            break;
        case kEditLocation:
            view_->EditLocation();
            break;
        case kGridLines:
            view_->ToggleGridLines();
            break;
        case kPort:
            commands_->Port();
            break;
        case kOptions:
            commands_->Options();
            break;
        case kReadoutStatus:
            commands_->ReadoutStatus();
            break;
        case kReconnect:
            commands_->Reconnect();
            break;
        case kAddReadoutData:
        case kAddReadoutDataTool:
            commands_->AddReadoutData();
            break;
        case kCalibration:
            commands_->Calibration();
            break;
        case kUploadSiteInfo:
        case kUploadSiteInfoTool:
            commands_->UploadSiteInfo();
            break;
        case kAbout:
            About();
            break;
        case kStartLineTrace:
            AskAndStartLineTrace();
            break;
        case kStopLineTrace:
            StopLineTrace();
            break;
        case kPlotReadings:
            PlotReadings();
            break;
        default:
            break;
    }
}

bool CQ417HostApp::NewFile() {
    UiActivity::Scope busy(activity_);
    if (!document_->SaveModified()) {
        return false;
    }
    const bool made = document_->NewDocument();
    PlotFollowsDocument();
    return made;
}

bool CQ417HostApp::OpenFile(const std::string& path) {
    UiActivity::Scope busy(activity_);
    // The recent files follow the document's path (DocumentPathChanged).
    const bool opened = document_->OpenDocument(path);
    PlotFollowsDocument();
    return opened;
}

bool CQ417HostApp::Save() {
    if (document_->PathName().empty()) {
        return SaveAs();
    }
    UiActivity::Scope busy(activity_);
    const SaveResult result = document_->SaveDocument(document_->PathName());
    if (result.saved) {
        RememberFile(document_->PathName());  // the path is unchanged: moved to the top only
    }
    PlotFollowsDocument();  // the history file has grown
    return result.saved;
}

bool CQ417HostApp::SaveAs() {
    UiActivity::Scope busy(activity_);
    const auto path = user_->AskSavePath();
    if (!path) {
        return false;
    }
    const bool saved = document_->SaveDocument(*path).saved;
    PlotFollowsDocument();
    return saved;
}

void CQ417HostApp::PlotFollowsDocument() {
    if (plotter_ != nullptr) {
        plotter_->DocumentChanged();
    }
}

void CQ417HostApp::PlotReadings() {
    std::vector<PlotSiteKey> sites;
    for (const int row : view_->SelectedRows()) {
        sites.push_back({model_->CellText(row, SiteListView::kLocation),
                         model_->CellText(row, SiteListView::kSerial)});
    }
    if (!sites.empty()) {
        plotter_->Open(std::move(sites));
    }
}

bool CQ417HostApp::CanCloseDocument() {
    UiActivity::Scope busy(activity_);
    const QScopedValueRollback closing(closing_, true);
    if (commands_ != nullptr && commands_->UploadRunning() &&
        !user_->AskYesNo(Question::QuitDuringUpload, kQuitDuringUploadQuestion)) {
        return false;
    }
    if (!document_->SaveModified()) {
        return false;
    }
    // The upload ends with the window. Where it stopped is said while the window is still up:
    // the technician has to upload again, and needs to know it.
    if (commands_ != nullptr) {
        commands_->EndUploadBeforeClosing();
    }
    return true;
}

void CQ417HostApp::OnStopSignal(int signalNumber) {
    if (frame_ == nullptr || closing_ || signalClosePending_) {
        // Asked again while the window is still asking (or already gone): end without more
        // questions. The link stops as the application object goes; an upload it cuts short is
        // said on standard error then.
        QApplication::exit(128 + signalNumber);
        return;
    }
    // The dialogs over the window end as Escape ends them, so that the close is not held up
    // behind them; then the window closes as File > Exit closes it, questions included.
    std::vector<QPointer<QDialog>> dialogs;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(window); dialog != nullptr) {
            dialogs.emplace_back(dialog);
        }
    }
    for (const QPointer<QDialog>& dialog : dialogs) {
        if (!dialog.isNull() && dialog->isVisible()) {  // rejecting one may have ended another
            dialog->reject();
        }
    }
    signalClosePending_ = true;
    QTimer::singleShot(0, frame_, [this] {
        if (frame_ != nullptr) {
            frame_->close();
        }
        signalClosePending_ = false;  // closed, or the user kept the window
    });
}

void CQ417HostApp::RememberFile(const std::string& path) {
    recent_.Add(PathText(path));
    ShowRecentFiles();
}

void CQ417HostApp::ShowRecentFiles() {
    if (frame_ == nullptr) {
        return;
    }
    QStringList texts;
    for (int i = 0; i < recent_.Files().size(); ++i) {
        texts.append(recent_.MenuText(i));
    }
    frame_->SetRecentFiles(texts);
}

void CQ417HostApp::OpenRecent(int index) {
    if (index < 0 || index >= recent_.Files().size()) {
        return;
    }
    const QString path = recent_.Files()[index];
    UiActivity::Scope busy(activity_);
    if (!document_->SaveModified()) {
        return;
    }
    if (!OpenFile(QFile::encodeName(path).toStdString()) && !QFileInfo::exists(path)) {
        recent_.Remove(path);  // gone: no use offering it again
        ShowRecentFiles();
    }
}

void CQ417HostApp::DocumentModifiedChanged(bool modified) {
    if (frame_ != nullptr) {
        frame_->setWindowModified(modified);
    }
    PlotFollowsDocument();
}

void CQ417HostApp::DocumentPathChanged(const std::string& path, const std::string& title) {
    if (frame_ == nullptr) {
        return;
    }
    frame_->setWindowTitle(PathText(title) + QStringLiteral("[*] - Q417 Host"));
    frame_->setWindowFilePath(PathText(path));
    if (!path.empty()) {
        RememberFile(path);  // opened, saved under a new name, or opened by a download
    }
    PlotFollowsDocument();
}

void CQ417HostApp::DocumentUnitChanged(PressureUnit unit) {
    if (frame_ != nullptr) {
        frame_->SetUnitChecked(unit);
    }
    PlotFollowsDocument();
}

QPrinter& CQ417HostApp::Printer() {
    if (printer_ == nullptr) {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    }
    return *printer_;
}

void CQ417HostApp::Print() {
    QPrintDialog dialog(&Printer(), frame_);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    SiteListPrinter printer(*model_, PathText(document_->Title()));
    if (!printer.Print(Printer())) {
        user_->ShowMessage("The site list could not be printed.", MessageIcon::Error);
    }
}

void CQ417HostApp::PrintPreview() {
    QPrintPreviewDialog preview(&Printer(), frame_);
    const SiteListPrinter printer(*model_, PathText(document_->Title()));
    connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
            [&printer](QPrinter* device) { printer.Print(*device); });
    preview.exec();
}

void CQ417HostApp::PrintSetup() {
    QPageSetupDialog dialog(&Printer(), frame_);
    dialog.exec();
}

void CQ417HostApp::About() {
    CAboutDlg dialog(frame_);
    dialog.exec();
}

}  // namespace q417
