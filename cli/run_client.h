#pragma once

#include "app/client_config.h"

#include <QString>
#include <QStringList>

class RunLogins;
class TNMHTTP;
struct GoArgs;
struct Settings;

/// What `go` and `refresh` share in setting up the clients of a run.
namespace RunClient {

/// Why the request values of `s` that the options of `args` leave in place
/// may not be sent (a control byte in one); empty when they may.
QString SettingsProblem(const Settings& s, const GoArgs& args);

/// Sets `http` up from the settings and the options (proxy, time-out,
/// cookies, logins, pace), puts what is worth a warning into `warnings`, and
/// returns the value every client of the run is set up by. `logins` must
/// outlive the run: the config asks it for each request's login.
ClientConfig SetUp(const Settings& s, const GoArgs& args, TNMHTTP& http, RunLogins& logins,
                   QStringList& warnings);

} // namespace RunClient
