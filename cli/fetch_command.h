#pragma once

#include "cli/cli_command.h"

/// `fetch [-d DIR] [go's options] URL`: a URL with one numeric range in
/// curl's syntax (`pic[001-040].jpg`, `[1-40:2]`) listed up as the window's
/// List Up would, then fetched as by go; run again, it resumes.
extern const CliCommand FetchCommand;
