#pragma once

#include "cli/cli_command.h"

/// `list-up [--url BASE] [--head TEXT] [--digits N] [--start TEXT] [--end TEXT]
/// [--tail TEXT] [--dir DIR]`: "List Up" over the saved inputs, the given
/// options replacing them (and stored like the window stores its inputs).
extern const CliCommand ListUpCommand;
