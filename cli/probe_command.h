#pragma once

#include "cli/cli_command.h"

/// `probe URL [--misses N] [--interval MS] [-v]`: finds the series one file
/// belongs to with HEAD requests and prints it as a fetch pattern.
extern const CliCommand ProbeCommand;
