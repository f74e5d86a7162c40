#pragma once

#include "cli/cli_command.h"

/// `refresh`: asks the server whether each finished job's file changed, and
/// fetches those that did.
extern const CliCommand RefreshCommand;
