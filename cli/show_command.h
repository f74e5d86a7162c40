#pragma once

#include "cli/cli_command.h"

/// `show`: the job list, one line per job, then the count per mark.
extern const CliCommand ShowCommand;
