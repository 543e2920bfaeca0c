#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "PressureUnit.h"

namespace q417 {

// What the window shows of a command: its menu text (an ampersand marks the mnemonic), the
// prompt of the message pane, the tooltip of its toolbar button, the icon of the button and
// its shortcuts. Texts are those of the original menus, trailing blanks included.
struct CommandInfo {
    int id = 0;
    std::string_view menuText;
    std::string_view prompt;
    std::string_view tooltip;  // empty: the menu text without its mnemonic
    std::string_view icon;     // resource path, empty for none
    std::vector<std::string_view> shortcuts;
};

// Every command of the window's menus, toolbars and context menus.
[[nodiscard]] const std::vector<CommandInfo>& WindowCommands();
[[nodiscard]] const CommandInfo* FindCommand(int id);

// The unit commands of the Units menu, in the menu's order, and the unit of each.
[[nodiscard]] std::optional<PressureUnit> UnitOfCommand(int id);
[[nodiscard]] const std::vector<int>& UnitCommands();

}  // namespace q417
