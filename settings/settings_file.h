#pragma once

#include "settings/job.h"

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <algorithm>

/// The default save folder: the user's download folder with a trailing "/".
QString defaultSavePath();

/// Creates `folder` when it is `defaultFolder` (the same folder, with or
/// without its "/") and does not exist yet: the user never chose it, so it is
/// made on first use rather than asked about. Returns the empty text, or a
/// text for the user when it could not be made. Any other folder is left
/// alone.
[[nodiscard]] QString CreateDefaultSaveFolder(const QString& folder,
                                              const QString& defaultFolder = defaultSavePath());

/// Appends `url` to the URL history unless an item equals it exactly (letter
/// case counts; an empty text is appended like any other). Returns whether it
/// appended. List Up, the history editor and `serifetch-cli list-up` all add
/// to the history this way.
bool AppendToUrlHistory(QStringList& history, const QString& url);

/// How many URLs the history keeps (`URL1` to `URL50`).
inline constexpr qsizetype kUrlHistorySize = 50;

/// Puts `url` at the top of the URL history, the newest first: an item equal
/// to it (letter case counts) moves up rather than standing twice, and the
/// oldest items past kUrlHistorySize drop off. What List Up does with the
/// base URL, so the next start shows the URL last listed up.
void RaiseInUrlHistory(QStringList& history, const QString& url);

/// The `[Server]` keys that shape requests: TLS and what a gallery may want
/// to see. Nothing here adds to a request unless the user set it.
struct RequestSettings {
    /// `TLS`: whether https: URLs are fetched (else refused, as the client
    /// always did). "Yes" unless the file says "No"; written at every store.
    bool tls = true;
    /// `CAFile`: a CA certificate file trusted besides the system's store,
    /// for a private server; empty for none.
    QString caFile;
    /// `UserAgent`: the "User-Agent:" line; empty sends none.
    QString userAgent;
    /// `Referer`: a fixed "Referer:" line; empty sends none.
    QString referer;
    /// `RefererIsBaseURL`: each job's "Referer:" is its base URL (the gallery
    /// page its file sits in) instead of `referer`.
    bool refererIsBaseUrl = false;
    /// `Header1`, `Header2`, ...: extra request lines "Name: value", read up
    /// to the first empty key.
    QStringList extraHeaders;
    /// `KeepAlive`: requests go out as HTTP/1.1 and the connection is kept
    /// for the next job to the same server. "No" unless the file says "Yes".
    bool keepAlive = false;
    /// `RemoteTime`: each saved file gets the reply's Last-Modified as its
    /// modification time. "No" unless the file says "Yes".
    bool remoteTime = false;
    /// `HTTP2`: https: requests offer HTTP/2, and a server that takes it
    /// gets every job of a run as a stream of one connection. "Yes" unless
    /// the file says "No".
    bool http2 = true;
    /// `Parallel`: how many jobs a run keeps in flight at once
    /// (kMinParallel to kMaxParallel): as streams of one connection to an
    /// HTTP/2 server, on connections of their own to any other (at most
    /// DownloadRun::kMaxConnectionsPerHost to one server).
    int parallel = 1;
    static constexpr int kMinParallel = 1;
    static constexpr int kMaxParallel = 64;
    /// `Retries`: how many more times a run tries a job whose request failed
    /// for a passing reason (a refused or cut connection, a time-out, a 5xx);
    /// 0 gives such a job up at once, as runs always did.
    int retries = 2;
    static constexpr int kMinRetries = 0;
    static constexpr int kMaxRetries = 10;
    /// `Interval`: milliseconds each of the `parallel` lanes waits after its
    /// request before the next one, so that a run does not hammer a server.
    int intervalMs = kDefaultIntervalMs;
    static constexpr int kDefaultIntervalMs = 200;
    static constexpr int kMinIntervalMs = 0;
    static constexpr int kMaxIntervalMs = 60'000;
    /// `Cookies`: a cookies.txt (Netscape format) whose cookies every run
    /// starts with; empty for none.
    QString cookieFile{};
    /// `Netrc`: the name and password for a server are looked up in
    /// ~/.netrc. "No" unless the file says "Yes".
    bool netrc = false;
    /// `LimitRate`: the bytes a second a run may take over all its files
    /// together; 0 for no cap.
    int limitRate = 0;

    friend bool operator==(const RequestSettings&, const RequestSettings&) = default;
};

/// The proxy's login as the proxy dialog edits it.
struct ProxyLogin {
    QString user;
    QString password;
    bool remember = false; ///< the password is kept in the settings file

    friend bool operator==(const ProxyLogin&, const ProxyLogin&) = default;
};

/// A server's login the user asked the window to remember: `[Logins]`
/// `ServerN` ("scheme://host:port"), `UserN` and `PasswordN`.
struct ServerLogin {
    QString server;
    QString user;
    QString password;

    friend bool operator==(const ServerLogin&, const ServerLogin&) = default;
};

/// The `[Window]` keys: the main window's layout as the user left it. Each
/// part is remembered once the window has stored it; until then (and for a
/// value that cannot be read) the window keeps its built-in layout.
struct WindowSettings {
    /// `Left`, `Top`, `Width`, `Height`: the window's normal (not maximized)
    /// frame-less geometry; null when not remembered.
    QRect geometry;
    /// `Maximized`: "Yes" or "No".
    bool maximized = false;
    /// `Splitter`: the heights of the grid and the log pane, "480,120".
    QList<int> splitterSizes;
    /// `Columns`: the grid's column widths, "60,520,300".
    QList<int> columnWidths;

    // Element by element: Qt's own comparison of two empty lists may hand a
    // null pointer to memcmp, which the undefined-behaviour checker rejects.
    friend bool operator==(const WindowSettings& a, const WindowSettings& b) {
        return a.geometry == b.geometry && a.maximized == b.maximized &&
               std::ranges::equal(a.splitterSizes, b.splitterSizes) &&
               std::ranges::equal(a.columnWidths, b.columnWidths);
    }
};

/// What `serifech.ini` keeps between runs: the main window's inputs and the
/// HTTP client's proxy. The members start at the values a read falls back on
/// when the file lacks the key.
struct Settings {
    /// Items of the base-URL combo box (`ComboBox1`), in order.
    QStringList urlHistory;
    /// Edit text of `ComboBox1`: the first history item after a load. Not
    /// stored (only the items are).
    QString url;
    QString head = QStringLiteral("Hampic"); ///< `Edit1`
    int num = 2;                             ///< `SpinEdit1`, digit count
    int minSize = 0;                         ///< `SpinEdit2`, kilobytes
    QString start = QStringLiteral("01");    ///< `Edit2`
    QString end = QStringLiteral("12");      ///< `Edit5`
    QString back = QStringLiteral(".jpg");   ///< `Edit3`
    QString path = defaultSavePath();        ///< `Edit4`
    bool skip = true;                        ///< `CheckBox1`
    bool check = true; ///< `CheckBox2`; `SpinEdit2` is enabled exactly when set
    /// `OpenEndBox`: the series runs on from the start until `misses` numbers
    /// in a row are missing. `end` keeps the last number written, so a reader
    /// that does not know the key lists a closed range.
    bool openEnd = false;
    int misses = OpenSeries::kDefaultMisses;
    /// `NameEdit`: the file-name template of a URL with a pattern (`#1-#2.jpg`);
    /// empty for the URL's path below the pattern's fixed part.
    QString name;
    /// Whether the file said `Proxy=Yes`, i.e. whether `Host` and `Port` were
    /// applied. Never written back: the file keeps what the user put there.
    bool proxyEnabled = false;
    /// The HTTP client's `Proxy` and `ProxyPort`. After a load without
    /// `Proxy=Yes` they are the client's initial values, "" and 0.
    QString proxyHost;
    int proxyPort = 0;
    /// `ProxyUser` and `ProxyPassword`: the proxy's Basic authentication.
    /// The password is kept in the file only when `rememberProxyPassword`
    /// (the file is then made readable by its owner alone).
    QString proxyUser;
    QString proxyPassword;
    bool rememberProxyPassword = false;
    /// Logins for servers that asked for one, kept because the user ticked
    /// "remember"; the file is then readable by its owner alone.
    QList<ServerLogin> serverLogins;
    /// What goes into each request besides the proxy (`[Server]` keys too).
    RequestSettings request;
    /// The main window's layout; the headless front end passes it through.
    WindowSettings window;

    friend bool operator==(const Settings&, const Settings&) = default;
};

/// Reads and writes the settings file `serifech.ini`.
///
/// Wiring in the main window (both front ends do the same):
/// - creation (`FormCreate`): NextRow := 1 and the run flags cleared; then
///   `ProfileDir::prepare()`, `SettingsFile::load(ProfileDir::settingsFilePath())`
///   and put the values into the controls (`CheckBox2Click` after the check
///   boxes); `InputFileMode` := true; when `proxyEnabled`, the client's
///   `Proxy`/`ProxyPort` := `proxyHost`/`proxyPort`; then
///   `JobListFile::load(ProfileDir::jobListFilePath())` into the grid, panel
///   3 showing `jobs.size()` (always, whatever the settings load reported);
///   then `Edit1Change`. Show every text collected from these calls together
///   in one message.
/// - close (`FormClose`): `SettingsFile::store` with the controls' values and
///   the client's current `Proxy`/`ProxyPort`, then `SaveData`; show any error
///   texts they return.
/// - `SaveData` (also the "Save" button): `JobListFile::save` with the grid's
///   jobs and whether the grid shows an empty row after them.
class SettingsFile {
public:
    /// The sample URL written by the first run: a web server on this
    /// machine. The project has no public home page to offer instead.
    static constexpr const char* kSampleUrl = "http://localhost/";

    /// The three lines a first run creates the file with.
    static QByteArray firstRunContent();

    struct LoadResult {
        Settings settings;
        /// Texts for the user, each naming what went wrong: a `Num`,
        /// `MinSize` or `Port` value that is not a decimal integer (its default
        /// is used), a first-run file that could not be created, a file that
        /// could not be read. The rest of the load goes on in every case.
        QStringList warnings;
        /// Why a file that exists could not be read (its text is among the
        /// warnings too); empty otherwise. A front end that must not act on
        /// inputs the user never gave refuses when it is set.
        QString unreadable;
    };

    /// Loads the settings from `path`. When no file is there it is first
    /// created with `firstRunContent()`; if that fails the load goes on as if
    /// it had succeeded (a warning says so).
    static LoadResult load(const QString& path);

    /// Writes `settings` into the file at `path`: `URL1` to URL50 emptied, then
    /// the first 50 history items as URL1, URL2, … (nothing past URL50), the
    /// `FileName` keys,
    /// `Server` `Host`, `Port` and `TLS` (never `Proxy`); the other
    /// `Server` keys when set or already in the file; the `[Window]` keys once
    /// the window has a layout to remember. Other keys and lines of the
    /// file stay. Written atomically; returns the empty text on success, else a
    /// text for the user, and the old file is then left as it was. A file that
    /// exists but cannot be read is never overwritten.
    [[nodiscard]] static QString store(const QString& path, const Settings& settings);
};
