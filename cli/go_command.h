#pragma once

#include "app/download_run.h"
#include "cli/cli_command.h"
#include "cli/go_args.h"

#include <QString>
#include <optional>

class CliProfile;

/// `go [OPTIONS]`: the download run over the saved job list and settings.
extern const CliCommand GoCommand;

/// The run in an opened profile whose jobs and settings are loaded; returns
/// the exit code.
int Go(CliProfile& profile, const GoArgs& args, QTextStream& out);
