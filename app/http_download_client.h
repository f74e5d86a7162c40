#pragma once

#include "app/download_client.h"
#include "app/run_logins.h"

#include <QMetaObject>
#include <functional>
#include <optional>

class TNMHTTP;

/// DownloadClient over a TNMHTTP owned elsewhere (the window's NMHTTP1). It
/// installs its own OnConnect/OnStatus/OnPacketRecvd/OnSuccess/OnFailure on
/// the component for its lifetime and removes them when destroyed. The
/// owner sets InputFileMode to true, so that bodies go to files.
class HttpDownloadClient : public DownloadClient {
public:
    explicit HttpDownloadClient(TNMHTTP& http);
    ~HttpDownloadClient() override;
    HttpDownloadClient(const HttpDownloadClient&) = delete;
    HttpDownloadClient& operator=(const HttpDownloadClient&) = delete;

    /// Body := `path` in the local file-name encoding, then starts GET `url`.
    void Start(const QString& url, const QString& path, PathFound found) override;
    /// Whether each Get sends its URL's base URL (the gallery page) as the
    /// "Referer:" line. Off by default.
    void SetRefererFromBaseUrl(bool on) { refererFromBaseUrl_ = on; }
    bool RefererFromBaseUrl() const { return refererFromBaseUrl_; }
    /// Runs before each request with its URL, to set the client up for it (the
    /// proxy the environment names for that URL); what it throws fails the request.
    void SetBeforeGet(std::function<void(const QString& url)> hook) {
        beforeGet_ = std::move(hook);
    }
    /// Asked before each request with its URL for the login of its server
    /// (the component sends it there alone); unset leaves the component's.
    void SetLoginFor(std::function<std::optional<BasicLogin>(const QString& url)> lookup) {
        loginFor_ = std::move(lookup);
    }
    void Abort() override;
    QString StatusText() const override;
    qint64 ReceivedBytes() const override;
    qint64 ExpectedBytes() const override;
    void NewRun() override;
    QString AddressOf(const QString& url) const override;
    bool Multiplexed() const override;

protected:
    QString FailureReason() const override;
    qint64 SlowDownSeconds() const override;
    qint64 SavedBytes() const override;
    Failure LastFailure() const override;
    int ReplyStatus() const override;
    QString ReplyEtag() const override;
    QString ReplyLastModified() const override;
    bool ReplyOffersBasic() const override;

private:
    TNMHTTP& http_;
    /// How the last request ended when it ended with an error (not a reply).
    struct Ended {
        bool error = false;
        SockErrorCode code = SockErrorCode::Other;
        QString text;
    } ended_;
    bool refererFromBaseUrl_ = false;
    std::function<void(const QString& url)> beforeGet_;
    std::function<std::optional<BasicLogin>(const QString& url)> loginFor_;
    QMetaObject::Connection finished_;
    /// The request under way raised `failed`: a reply said why.
    bool failed_ = false;
};
