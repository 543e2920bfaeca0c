#include "CommandTable.h"

#include <algorithm>

#include "CommandIds.h"

namespace q417 {

using namespace cmd;

const std::vector<CommandInfo>& WindowCommands() {
    static const std::vector<CommandInfo> commands = {
        {kNew, "&New", "Create a new document", "New", ":/icons/new.svg", {"Ctrl+N"}},
        {kOpen, "&Open...", "Open an existing document", "Open", ":/icons/open.svg", {"Ctrl+O"}},
        {kSave, "&Save", "Save the active document", "Save", ":/icons/save.svg", {"Ctrl+S"}},
        {kSaveAs, "Save &As...", "Save the active document with a new name", "", "", {}},
        {kPrint,
         "&Print...",
         "Print the active document",
         "Print",
         ":/icons/print.svg",
         {"Ctrl+P"}},
        {kPrintPreview, "Print Pre&view", "Display full pages", "", "", {}},
        {kPrintSetup, "P&rint Setup...", "Change the printer and printing options", "", "", {}},
        {kExit, "E&xit", "Quit the application; prompts to save documents", "", "", {}},
        {kCut,
         "Cu&t ",
         "Cut the selection and put it on the Clipboard",
         "Cut",
         ":/icons/cut.svg",
         {"Ctrl+X", "Shift+Del"}},
        {kCopy,
         "&Copy ",
         "Copy the selection and put it on the Clipboard",
         "Copy",
         ":/icons/copy.svg",
         {"Ctrl+C", "Ctrl+Ins"}},
        {kDelete, "&Delete  ", "Delete the selection", "Delete", "", {"Del"}},
        {kSelectAll, "Select A&ll ", "Select the entire document", "", "", {"Ctrl+A"}},
        {kPort, "Port...", "Edit Port and Baud Rate", "", "", {}},
        {kOptions, "&Options...", "Edit Options", "", "", {}},
        {kUnitPsi, "PSI", "Convert units to PSI", "", "", {}},
        {kUnitKPa, "kPa", "Convert units to kPa", "", "", {}},
        {kUnitInH2O, "In H2O", "Convert units to In H2O", "", "", {}},
        {kUnitFtH2O, "Ft H2O", "Convert units to Ft H2O", "", "", {}},
        {kUnitMmH2O, "mm H2O", "Convert units to mm H2O", "", "", {}},
        {kUnitMH2O, "M H2O", "Convert units to M H2O", "", "", {}},
        {kReadoutStatus, "Status...", "Display and change readout information", "", "", {}},
        {kUploadSiteInfo,
         "&Upload Site Info",
         "Connect to Q417 and upload site information",
         "Upload Info",
         "",
         {}},
        {kAddReadoutData,
         "Add Readout Data",
         "Append the data from the readout to the current data file",
         "Add Data",
         "",
         {}},
        {kReconnect, "&Reconnect", "Reconnect to the readout", "", "", {}},
        // On no menu: the Initialize Readout dialog's "Calibration Dialog" button issues it.
        {kCalibration, "Calibration Dialog", "Monitor and calibration", "", "", {}},
        {kViewToolbar, "&Toolbar", "Show or hide the toolbar", "", "", {}},
        {kViewStatusBar, "&Status Bar", "Show or hide the status bar", "", "", {}},
        {kGridLines, "&Grid Lines", "Show or hide the grid lines", "Toggle GridLines", "", {}},
        {kAbout,
         "&About Q417 Host...",
         "Display program information, version number and copyright",
         "About",
         ":/icons/about.svg",
         {}},
        {kStartLineTrace,
         "Start &Line Trace...",
         "Record every exchange with the readout in a file, for support",
         "",
         "",
         {}},
        {kStopLineTrace, "Stop Line &Trace", "End the line trace and close its file", "", "", {}},
        {kNewSite, "New Site", "Add a new site", "", "", {}},
        {kEditLocation, "Edit Location", "Edit the location", "", "", {}},
        {kDeleteSite, "Delete Site", "Delete the selected site", "", "", {}},
        {kAddReadoutDataTool,
         "Add Readout Data",
         "Append the data from the readout to the current data file",
         "Add Readout Data",
         ":/icons/add-readout-data.svg",
         {}},
        {kPlotReadings,
         "&Plot Readings",
         "Plot the readings of the selected sites over time",
         "Plot Readings",
         ":/icons/plot-readings.svg",
         {}},
        {kUploadSiteInfoTool,
         "Upload Site Info",
         "Connect to Q417 and upload site information",
         "Upload Site Info",
         ":/icons/upload-site-info.svg",
         {}},
    };
    return commands;
}

const CommandInfo* FindCommand(int id) {
    const auto& commands = WindowCommands();
    const auto found = std::find_if(commands.begin(), commands.end(),
                                    [id](const CommandInfo& c) { return c.id == id; });
    return found == commands.end() ? nullptr : &*found;
}

const std::vector<int>& UnitCommands() {
    static const std::vector<int> ids = {kUnitPsi,   kUnitKPa,   kUnitInH2O,
                                         kUnitFtH2O, kUnitMmH2O, kUnitMH2O};
    return ids;
}

std::optional<PressureUnit> UnitOfCommand(int id) {
    switch (id) {
        case kUnitPsi:
            return PressureUnit::Psi;
        case kUnitKPa:
            return PressureUnit::KPa;
        case kUnitInH2O:
            return PressureUnit::InH2O;
        case kUnitFtH2O:
            return PressureUnit::FtH2O;
        case kUnitMmH2O:
            return PressureUnit::MmH2O;
        case kUnitMH2O:
            return PressureUnit::MH2O;
        default:
            return std::nullopt;
    }
}

}  // namespace q417
