#pragma once

#include "cli/cli_command.h"

/// `go [--skip-existing | --no-skip-existing] [--min-size KB | --no-min-size]
/// [--interval MS] [--proxy HOST:PORT] [--timeout S]`: the download run over
/// the saved job list and settings.
extern const CliCommand GoCommand;

/// Exit code of a run stopped by Ctrl-C or SIGTERM (128 + SIGINT, as a shell
/// reports a command it interrupted).
inline constexpr int ExitInterrupted = 130;
