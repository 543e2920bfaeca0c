#include "CommandTable.h"

#include <array>
#include <string_view>

#include "CalibrateCommand.h"
#include "CaptureCommand.h"
#include "CliOptions.h"
#include "DownloadCommand.h"
#include "ExitCode.h"
#include "HistoryCommand.h"
#include "ProbeCommand.h"
#include "ResetBatteryCommand.h"
#include "SetCommand.h"
#include "StatusCommand.h"
#include "UploadCommand.h"

namespace q417::cli {
namespace {

using CommandFunction = int (*)(CommandContext&, const std::vector<std::string>&);

struct Command {
    std::string_view name;
    CommandFunction run;
};

constexpr std::array<Command, 9> kCommands = {{
    {"probe", RunProbe},
    {"status", RunStatus},
    {"set", RunSet},
    {"calibrate", RunCalibrate},
    {"reset-battery", RunResetBattery},
    {"capture", RunCapture},
    {"download", RunDownload},
    {"upload", RunUpload},
    {"history", RunHistory},
}};

const Command* Find(const std::string& name) {
    for (const Command& command : kCommands) {
        if (command.name == name) {
            return &command;
        }
    }
    return nullptr;
}

}  // namespace

bool IsCommand(const std::string& name) {
    return Find(name) != nullptr;
}

int RunCommand(const std::string& name, CommandContext& context,
               const std::vector<std::string>& args) {
    const Command* command = Find(name);
    if (command == nullptr) {
        context.Err() << "q417cli: unknown command " << name << "\n\n" << UsageText();
        return kExitUsage;
    }
    return command->run(context, args);
}

}  // namespace q417::cli
