#include "TechnicianPassword.h"

#include "ExitCode.h"
#include "ReadoutTables.h"

namespace q417::cli {

int CheckTechnicianPassword(CommandContext& context, const CommandArguments& arguments) {
    const auto password = arguments.Value("--password");
    if (password && CalibrationPasswordAccepted(*password)) {
        return kExitOk;
    }
    return context.Fail(kExitAccessDenied, "Password invalid. Access Denied.");
}

}  // namespace q417::cli
