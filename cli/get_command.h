#pragma once

#include "cli/cli_command.h"

/// `get URL -o FILE [--proxy HOST:PORT] [--timeout S] [-v] [--trace]`: one
/// GET into a file; prints the last reply's status line.
extern const CliCommand GetCommand;
