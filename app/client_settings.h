#pragma once

#include <QString>

class TNMHTTP;
struct RequestSettings;
struct Settings;

/// Puts what the settings say about requests into the client, the same way
/// for the window and serifetch-cli: the proxy (only when the file said
/// `Proxy=Yes`), TLS and its CA file, the User-Agent, a fixed Referer and the
/// extra request lines (those that do not parse are left out). The Referer
/// taken from each job's base URL is HttpDownloadClient's to set.
void ApplySettingsToClient(const Settings& settings, TNMHTTP& http);
/// The part of ApplySettingsToClient without the proxy, for after the
/// "Option" dialog.
void ApplyRequestSettingsToClient(const RequestSettings& request, TNMHTTP& http);

/// Why a value of the `[Server]` keys cannot go into a request line, naming
/// its key ("The UserAgent in serifech.ini holds a line break (CR); nothing
/// was fetched."); the empty text when every one can. A run does not start
/// on such settings, whatever job it would fetch first.
QString RequestSettingsProblem(const RequestSettings& request);

/// The base URL of `url`: everything up to and including the last "/" of its
/// path ("http://h/g/p001.jpg" gives "http://h/g/"); the URL itself when it
/// has no path.
QString BaseUrlOf(const QString& url);
