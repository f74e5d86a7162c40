#include "settings/settings_file.h"

#include "platform/profile_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <limits>

namespace {

const QString kUrl = QStringLiteral("URL");
const QString kFileName = QStringLiteral("FileName");
const QString kServer = QStringLiteral("Server");
const QString kLogins = QStringLiteral("Logins");
const QString kYes = QStringLiteral("Yes");
const QString kNo = QStringLiteral("No");
constexpr int kHistoryKeys = int(kUrlHistorySize);
// The longest file name Linux allows; List Up refuses wider numbers.
constexpr int kMaxDigits = 255;
const QString kHeader = QStringLiteral("Header");
const QString kWindow = QStringLiteral("Window");

QString urlKey(qsizetype n) {
    return kUrl + QString::number(n);
}

QString yesNo(bool on) {
    return on ? kYes : kNo;
}

// The old program stopped the whole start-up at a value like this, which left
// the job list unloaded and then saved empty at close. Here the key's default
// stands in and the user is told.
// A value outside what the key can mean (a negative digit count or size, a
// port past 65535) is told the same way.
int readInt(const ProfileFile& file, const QString& section, const QString& key, int def,
            int minimum, int maximum, QStringList& warnings) {
    const QString text = file.read(section, key, QString::number(def));
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (ok && value >= minimum && value <= maximum)
        return value;
    warnings << QCoreApplication::translate("SettingsFile",
                                            "%1: the value \"%2\" of %3 in [%4] is not a whole "
                                            "number from %5 to %6; %7 is used instead.")
                    .arg(QDir::toNativeSeparators(file.path()), text, key, section,
                         QString::number(minimum), QString::number(maximum), QString::number(def));
    return def;
}

// "480,120": positive sizes only. A layout value that cannot be read is not
// worth a message: the window keeps its built-in layout instead.
QList<int> readSizes(const ProfileFile& file, const QString& key) {
    QList<int> sizes;
    const QString text = file.read(kWindow, key, {});
    if (text.isEmpty())
        return sizes;
    for (const QString& part : text.split(QLatin1Char(','))) {
        bool ok = false;
        const int size = part.trimmed().toInt(&ok, 10);
        if (!ok || size <= 0)
            return {};
        sizes << size;
    }
    return sizes;
}

QString sizesText(const QList<int>& sizes) {
    QStringList parts;
    for (int size : sizes)
        parts << QString::number(size);
    return parts.join(QLatin1Char(','));
}

WindowSettings readWindow(const ProfileFile& file) {
    WindowSettings w;
    int values[4] = {};
    const char* keys[4] = {"Left", "Top", "Width", "Height"};
    bool ok = true;
    for (int i = 0; i < 4 && ok; ++i)
        values[i] = file.read(kWindow, QLatin1String(keys[i]), {}).toInt(&ok, 10);
    if (ok && values[2] > 0 && values[3] > 0)
        w.geometry = QRect(values[0], values[1], values[2], values[3]);
    w.maximized = file.read(kWindow, QStringLiteral("Maximized"), kNo) == kYes;
    w.splitterSizes = readSizes(file, QStringLiteral("Splitter"));
    w.columnWidths = readSizes(file, QStringLiteral("Columns"));
    return w;
}

// Only what the window has to remember: a file of the headless front end, or
// of a window that never stored its layout, gets no [Window] section.
void writeWindow(ProfileFile& file, const WindowSettings& w) {
    if (w.geometry.isValid()) {
        file.write(kWindow, QStringLiteral("Left"), QString::number(w.geometry.x()));
        file.write(kWindow, QStringLiteral("Top"), QString::number(w.geometry.y()));
        file.write(kWindow, QStringLiteral("Width"), QString::number(w.geometry.width()));
        file.write(kWindow, QStringLiteral("Height"), QString::number(w.geometry.height()));
        file.write(kWindow, QStringLiteral("Maximized"), yesNo(w.maximized));
    }
    if (!w.splitterSizes.isEmpty())
        file.write(kWindow, QStringLiteral("Splitter"), sizesText(w.splitterSizes));
    if (!w.columnWidths.isEmpty())
        file.write(kWindow, QStringLiteral("Columns"), sizesText(w.columnWidths));
}

} // namespace

QByteArray SettingsFile::firstRunContent() {
    return QByteArray("[URL]\r\nURL1=") + kSampleUrl + "\r\n[FileName]\r\n";
}

bool AppendToUrlHistory(QStringList& history, const QString& url) {
    if (history.contains(url, Qt::CaseSensitive))
        return false;
    history.append(url);
    return true;
}

void RaiseInUrlHistory(QStringList& history, const QString& url) {
    // An empty entry would end the list where the file is read back.
    if (url.isEmpty())
        return;
    history.removeAll(url);
    history.prepend(url);
    if (history.size() > kUrlHistorySize)
        history.resize(kUrlHistorySize);
}

QString defaultSavePath() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (dir.isEmpty())
        dir = QDir::homePath();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

QString CreateDefaultSaveFolder(const QString& folder, const QString& defaultFolder) {
    if (folder.isEmpty() || QDir::cleanPath(folder) != QDir::cleanPath(defaultFolder) ||
        QFileInfo(folder).isDir())
        return {};
    if (QDir().mkpath(folder))
        return {};
    return QCoreApplication::translate("SettingsFile", "The save folder %1 could not be created.")
        .arg(QDir::toNativeSeparators(folder));
}

SettingsFile::LoadResult SettingsFile::load(const QString& path) {
    LoadResult result;
    QStringList& warnings = result.warnings;

    // A first run reads its new file from memory, so it starts the same way
    // whether or not the file could be written.
    const bool firstRun = !QFileInfo::exists(path);
    const ProfileFile file =
        firstRun ? ProfileFile::fromBytes(path, firstRunContent()) : ProfileFile(path);
    if (!firstRun)
        result.unreadable = file.error();
    const QString error = firstRun ? file.save() : file.error();
    if (!error.isEmpty())
        warnings << QCoreApplication::translate("SettingsFile",
                                                "%1; the program starts with its defaults.")
                        .arg(error);
    Settings& s = result.settings;

    for (int n = 1; n <= kHistoryKeys; ++n) {
        const QString url = file.read(kUrl, urlKey(n), QString());
        if (url.isEmpty())
            break;
        s.urlHistory << url;
        if (n == 1)
            s.url = url;
    }

    s.head = file.read(kFileName, QStringLiteral("Head"), s.head);
    s.num = readInt(file, kFileName, QStringLiteral("Num"), s.num, 0, kMaxDigits, warnings);
    s.minSize = readInt(file, kFileName, QStringLiteral("MinSize"), s.minSize, 0,
                        std::numeric_limits<int>::max(), warnings);
    s.start = file.read(kFileName, QStringLiteral("Start"), s.start);
    s.end = file.read(kFileName, QStringLiteral("End"), s.end);
    s.back = file.read(kFileName, QStringLiteral("Back"), s.back);
    s.path = file.read(kFileName, QStringLiteral("Path"), s.path);
    s.skip = file.read(kFileName, QStringLiteral("Skip"), kYes) == kYes;
    s.check = file.read(kFileName, QStringLiteral("Check"), kYes) == kYes;
    s.openEnd = file.read(kFileName, QStringLiteral("OpenEnd"), kNo) == kYes;
    s.misses = readInt(file, kFileName, QStringLiteral("Misses"), s.misses, 1,
                       OpenSeries::kMaxMisses, warnings);
    s.name = file.read(kFileName, QStringLiteral("Name"), {});

    s.proxyEnabled = file.read(kServer, QStringLiteral("Proxy"), kNo) == kYes;
    if (s.proxyEnabled) {
        s.proxyHost = file.read(kServer, QStringLiteral("Host"), QStringLiteral("0.0.0.0"));
        s.proxyPort = readInt(file, kServer, QStringLiteral("Port"), 80, 0, 65535, warnings);
    }
    s.proxyUser = file.read(kServer, QStringLiteral("ProxyUser"), {});
    s.proxyPassword = file.read(kServer, QStringLiteral("ProxyPassword"), {});
    s.rememberProxyPassword = !s.proxyPassword.isEmpty();
    s.request.tls = file.read(kServer, QStringLiteral("TLS"), kYes) != kNo;
    s.request.caFile = file.read(kServer, QStringLiteral("CAFile"), {});
    s.request.userAgent = file.read(kServer, QStringLiteral("UserAgent"), {});
    s.request.referer = file.read(kServer, QStringLiteral("Referer"), {});
    s.request.refererIsBaseUrl =
        file.read(kServer, QStringLiteral("RefererIsBaseURL"), kNo) == kYes;
    s.request.keepAlive = file.read(kServer, QStringLiteral("KeepAlive"), kNo) == kYes;
    s.request.remoteTime = file.read(kServer, QStringLiteral("RemoteTime"), kNo) == kYes;
    s.request.http2 = file.read(kServer, QStringLiteral("HTTP2"), kYes) != kNo;
    s.request.parallel =
        readInt(file, kServer, QStringLiteral("Parallel"), s.request.parallel,
                RequestSettings::kMinParallel, RequestSettings::kMaxParallel, warnings);
    s.request.retries =
        readInt(file, kServer, QStringLiteral("Retries"), s.request.retries,
                RequestSettings::kMinRetries, RequestSettings::kMaxRetries, warnings);
    s.request.intervalMs =
        readInt(file, kServer, QStringLiteral("Interval"), s.request.intervalMs,
                RequestSettings::kMinIntervalMs, RequestSettings::kMaxIntervalMs, warnings);
    s.request.cookieFile = file.read(kServer, QStringLiteral("Cookies"), {});
    s.request.netrc = file.read(kServer, QStringLiteral("Netrc"), kNo) == kYes;
    s.request.limitRate = readInt(file, kServer, QStringLiteral("LimitRate"), 0, 0,
                                  std::numeric_limits<int>::max(), warnings);
    for (int n = 1;; ++n) {
        const QString line = file.read(kServer, kHeader + QString::number(n), {});
        if (line.isEmpty())
            break;
        s.request.extraHeaders << line;
    }
    for (int n = 1;; ++n) {
        const QString number = QString::number(n);
        ServerLogin login{file.read(kLogins, "Server" + number, {}),
                          file.read(kLogins, "User" + number, {}),
                          file.read(kLogins, "Password" + number, {})};
        if (login.server.isEmpty())
            break;
        s.serverLogins << login;
    }
    s.window = readWindow(file);
    return result;
}

QString SettingsFile::store(const QString& path, const Settings& s) {
    ProfileFile file(path);

    // Emptied first, so that items removed from the history since the last
    // start are not read back; the keys stay, with nothing after "=".
    for (int n = 1; n <= kHistoryKeys; ++n)
        file.write(kUrl, urlKey(n), QString());
    // Only what the next start reads: a longer history (the editor may have
    // added to it) loses its oldest items here.
    for (qsizetype i = 0; i < std::min(s.urlHistory.size(), kUrlHistorySize); ++i)
        file.write(kUrl, urlKey(i + 1), s.urlHistory[i]);

    file.write(kFileName, QStringLiteral("Head"), s.head);
    file.write(kFileName, QStringLiteral("Num"), QString::number(s.num));
    file.write(kFileName, QStringLiteral("MinSize"), QString::number(s.minSize));
    file.write(kFileName, QStringLiteral("Start"), s.start);
    file.write(kFileName, QStringLiteral("End"), s.end);
    file.write(kFileName, QStringLiteral("Back"), s.back);
    file.write(kFileName, QStringLiteral("Path"), s.path);
    file.write(kFileName, QStringLiteral("Skip"), yesNo(s.skip));
    file.write(kFileName, QStringLiteral("Check"), yesNo(s.check));
    // Keys an older version did not write appear once they differ from the
    // default, so a file of a user who never set them stays as it was.
    const auto writeNew = [&](const QString& section, const QString& key, const QString& value,
                              const QString& byDefault) {
        if (value != byDefault || !file.read(section, key, {}).isEmpty())
            file.write(section, key, value);
    };
    writeNew(kFileName, QStringLiteral("OpenEnd"), yesNo(s.openEnd), kNo);
    writeNew(kFileName, QStringLiteral("Misses"), QString::number(s.misses),
             QString::number(OpenSeries::kDefaultMisses));
    writeNew(kFileName, QStringLiteral("Name"), s.name, {});

    file.write(kServer, QStringLiteral("Host"), s.proxyHost);
    file.write(kServer, QStringLiteral("Port"), QString::number(s.proxyPort));
    file.write(kServer, QStringLiteral("TLS"), yesNo(s.request.tls));
    // A file of a user who never set these stays as it was.
    const auto writeIfSet = [&](const QString& key, const QString& value) {
        if (!value.isEmpty() || !file.read(kServer, key, {}).isEmpty())
            file.write(kServer, key, value);
    };
    writeIfSet(QStringLiteral("CAFile"), s.request.caFile);
    writeIfSet(QStringLiteral("UserAgent"), s.request.userAgent);
    writeIfSet(QStringLiteral("Referer"), s.request.referer);
    writeIfSet(QStringLiteral("RefererIsBaseURL"), s.request.refererIsBaseUrl ? kYes : QString());
    writeIfSet(QStringLiteral("KeepAlive"), s.request.keepAlive ? kYes : QString());
    writeIfSet(QStringLiteral("RemoteTime"), s.request.remoteTime ? kYes : QString());
    writeIfSet(QStringLiteral("HTTP2"), s.request.http2 ? QString() : kNo);
    writeIfSet(QStringLiteral("Cookies"), s.request.cookieFile);
    writeIfSet(QStringLiteral("Netrc"), s.request.netrc ? kYes : QString());
    writeIfSet(QStringLiteral("LimitRate"),
               s.request.limitRate > 0 ? QString::number(s.request.limitRate) : QString());
    writeIfSet(QStringLiteral("ProxyUser"), s.proxyUser);
    // A password the user did not ask to keep is not left behind either.
    const bool keepPassword = s.rememberProxyPassword && !s.proxyPassword.isEmpty();
    writeIfSet(QStringLiteral("ProxyPassword"), keepPassword ? s.proxyPassword : QString());
    // Those no longer kept are emptied, so that none is read back.
    for (int n = 1;; ++n) {
        const QString number = QString::number(n);
        if (n > s.serverLogins.size() && file.read(kLogins, "Server" + number, {}).isEmpty())
            break;
        const ServerLogin login =
            n <= s.serverLogins.size() ? s.serverLogins[n - 1] : ServerLogin{};
        file.write(kLogins, "Server" + number, login.server);
        file.write(kLogins, "User" + number, login.user);
        file.write(kLogins, "Password" + number, login.password);
    }
    file.setOwnerOnly(keepPassword || !s.serverLogins.isEmpty());
    if (const QString key = QStringLiteral("Parallel");
        s.request.parallel != 1 || !file.read(kServer, key, {}).isEmpty())
        file.write(kServer, key, QString::number(s.request.parallel));
    if (const QString key = QStringLiteral("Retries");
        s.request.retries != RequestSettings{}.retries || !file.read(kServer, key, {}).isEmpty())
        file.write(kServer, key, QString::number(s.request.retries));
    if (const QString key = QStringLiteral("Interval");
        s.request.intervalMs != RequestSettings::kDefaultIntervalMs ||
        !file.read(kServer, key, {}).isEmpty())
        file.write(kServer, key, QString::number(s.request.intervalMs));
    for (int n = 1;; ++n) {
        const QString key = kHeader + QString::number(n);
        if (n > s.request.extraHeaders.size() && file.read(kServer, key, {}).isEmpty())
            break;
        file.write(kServer, key,
                   n <= s.request.extraHeaders.size() ? s.request.extraHeaders[n - 1] : QString());
    }
    writeWindow(file, s.window);

    return file.save();
}
