#pragma once

#include "CommandArguments.h"
#include "CommandContext.h"

namespace q417::cli {

// The technician commands (calibrate, reset-battery, capture) run only with the technician
// password, checked before anything else and before the port is touched. Returns kExitOk when
// --password gives it exactly; otherwise says "Password invalid. Access Denied." and returns
// kExitAccessDenied.
[[nodiscard]] int CheckTechnicianPassword(CommandContext& context,
                                          const CommandArguments& arguments);

}  // namespace q417::cli
