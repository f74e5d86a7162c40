#pragma once

#include "cli/cli_command.h"

/// `clear`: empties the job list ("Clear", then saved).
extern const CliCommand ClearCommand;
