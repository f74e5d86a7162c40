#pragma once

#include "net/receive_pace.h"
#include "net/reply_fields.h"
#include "net/sock_error.h"
#include "net/task.h"
#include "platform/message_pump.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class PowersockConnector;
class PowersockErrors;
class PowersockListener;
class PowersockReceiver;
class PowersockSender;
class PowersockWaits;
class SocketTransport;
class TlsTransport;

/// TCP client session: host lookup, connect, time-outs, cancellation, line and
/// block transfers, status texts and error texts. Everything runs on the
/// owner's thread. Each operation exists twice: as a Task (`ConnectAsync`,
/// `ReadLnAsync`, ...) that suspends where it waits and is resumed by the
/// session's own events, so nothing nests an event loop; and under its
/// classic name as a blocking call that runs the Task and waits for it in
/// the event loop, for callers written against the blocking contract. Only
/// one operation runs on a session at a time.
class TPowersock : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(QObject* sender)>;
    using TOnStatus = std::function<void(QObject* sender, const QString& status)>;
    using THandlerEvent = std::function<void(bool& handled)>;
    using TOnSocketError = std::function<void(QObject* sender, quint16 error, const QString& text)>;

    /// Size of the transfer buffer shared by all operations.
    static constexpr qint64 BufferSize = 65536;

    /// Starts the socket layer (once per process) and opens one unconnected
    /// socket. Throws ESockError "Initializaton of windows sockets failed".
    explicit TPowersock(QObject* owner = nullptr);
    /// Aborts and cancels what runs, closes the socket, and shuts the socket
    /// layer down when the last session goes.
    ~TPowersock() override;

    // Published properties.
    QString Host;        ///< host name or dotted IPv4 address
    int Port = 0;        ///< remote port
    int ReportLevel = 0; ///< status verbosity threshold (1, 4 or 8); 0 reports nothing
    QString Proxy;       ///< when non-empty, connect here instead of Host
    int ProxyPort = 0;   ///< port used with Proxy
    /// Bytes per second that the received data must average over every whole
    /// TimeOut window of a connection; 0 (the default) sets no such floor. The
    /// idle time-out alone never fires on a peer that drips a byte now and then.
    int LowSpeedLimit = 0;
    /// Paces the reads of bodies (the captures and skips), perhaps with
    /// other sessions; null reads as fast as the peer sends.
    std::shared_ptr<ReceivePace> Pace;
    int TimeOut() const { return timeOut_; }
    /// Milliseconds; 0 = no time-out. Throws std::invalid_argument when negative.
    void SetTimeOut(int ms);

    // Events; each is optional.
    TNotifyEvent OnConnect;          ///< a connect completed
    TNotifyEvent OnDisconnect;       ///< the socket was closed
    TNotifyEvent OnReadReady;        ///< data arrived
    TNotifyEvent OnAcceptReady;      ///< an incoming connection waits
    TNotifyEvent OnConnectionFailed; ///< before a failed connect raises
    TNotifyEvent OnHostResolved;     ///< after a successful lookup
    TNotifyEvent OnPacketRecvd;      ///< after each received block of a capture
    TNotifyEvent OnPacketSent;       ///< after each send of SendFile
    TOnStatus OnStatus;              ///< status texts that pass ReportLevel
    THandlerEvent OnInvalidHost;     ///< a host did not resolve; set handled to retry once
    TOnSocketError OnSocketError;    ///< before a socket error is raised

    // State, readable by derived classes and users.
    qint64 ReceivedBytes = 0;  ///< bytes received by the current capture
    qint64 ExpectedBytes = 0;  ///< announced size of the current transfer (set by users)
    qint64 SentBytes = 0;      ///< bytes sent by SendFile; never reset here
    qint16 ReplyCode = 0;      ///< leading number of ReplyText
    QByteArray ReplyText;      ///< last reply line of Transaction
    QString StatusText;        ///< last status text that passed the gate
    bool Cancelled = false;    ///< cancel requested; every wait ends at its next pass
    bool TimedOut = false;     ///< the time-out fired
    bool EventArrived = false; ///< a lookup completed, the timer fired, or a connection waits
    bool IsConnected = false;  ///< connection established
    bool LastEventOk = false;  ///< the last notification carried no error
    bool Destroying = false;   ///< set during destruction
    int LastErrorCode = 0;     ///< last classic socket error number seen
    QStringList WinsockInfo;   ///< socket-layer start-up lines (first session only)
    quint32 RemoteAddress = 0; ///< peer IPv4 address, host order; 0 while unresolved or IPv6
    quint16 RemotePort = 0;    ///< peer port
    /// Every address of the host (or proxy), in the order Connect tries them.
    QList<QHostAddress> RemoteAddresses;
    /// How long Connect waits for an address that does not answer before it
    /// tries the next one instead (RFC 8305's connection attempt delay). The
    /// last address gets the rest of the time-out.
    static constexpr int ConnectFallbackMs = 250;

    /// Current socket handle, -1 when none.
    int SocketHandle() const;

    // Session.
    /// Resolves Host (or Proxy; an IPv6 literal may be bracketed) and connects
    /// to Port (or ProxyPort) under the time-out, trying each address in turn.
    /// Throws ESockError with "Already connected", "Host Lookup Timed
    /// Out", "Host Lookup Canceled", "Null Remote Address", "Connection Timed
    /// out", "Connection Canceled" or "Connection Failed".
    virtual void Connect();
    /// Closes the connection and prepares a fresh socket.
    virtual void Disconnect();
    /// On the connected socket, runs the TLS handshake for `hostName` at
    /// `port` under the time-out; from then on every transfer is encrypted,
    /// until the connection closes. The chain is checked against the system's
    /// CA store plus TlsCaFile, and the name against `hostName`. Throws
    /// ESockError "TLS Handshake Timed out", "TLS Handshake Canceled", or a
    /// text naming why the handshake or the certificate check failed, after
    /// closing the connection.
    void StartTls(const QString& hostName, quint16 port);
    /// Whether the connection is encrypted.
    bool TlsActive() const;
    /// The protocols the TLS handshakes of this session offer by ALPN, most
    /// wanted first; none by default.
    void OfferAlpn(const QList<QByteArray>& protocols);
    /// The protocol the server chose at the last handshake; empty for none.
    QByteArray AlpnSelected() const;
    /// Hands the connected (and secured) transport over to the caller, who
    /// then owns the connection and its notifications, and leaves the
    /// session as after Disconnect, with a fresh socket.
    std::unique_ptr<SocketTransport> TakeConnection();
    /// Carries the next exchange over `stream` (one request of a connection
    /// owned elsewhere) as if it were a connection of the session's own,
    /// until the session closes it; OnConnect fires.
    void UseStream(std::unique_ptr<SocketTransport> stream);
    /// Wakes the operation waiting in WaitForWakeAsync (from the event
    /// loop); harmless when none waits.
    void WakeUp();
    /// A CA certificate file (PEM) trusted besides the system's store; empty
    /// for none.
    QString TlsCaFile;
    /// Sends `command` plus CR LF, reads one reply line into ReplyText and its
    /// leading number into ReplyCode; returns the line. Throws std::out_of_range
    /// for a number above 32767.
    virtual QByteArray Transaction(const QByteArray& command);
    /// Ends the operation under way (sets Cancelled). Derived classes extend it.
    virtual void Abort();
    /// Waits for an incoming connection on a listening session and returns
    /// the new, non-blocking socket (owned by the caller). Throws ESockError
    /// "Accepting Canceled" / "Error creating Data Connection", or EAbortError
    /// "Socket send aborted" when cancelled while the connection was taken.
    virtual int Accept();
    /// Sets Cancelled; every wait and transfer loop ends at its next pass.
    void Cancel();
    /// Binds the session's socket to `address`:`port` (0 = any free port) and
    /// listens; returns the port. Throws ESockError on failure.
    quint16 Listen(quint16 port = 0, const QString& address = QStringLiteral("127.0.0.1"));

    // Transfers.
    /// Sends `length` bytes whole, waiting for the socket to become writable.
    /// Throws EAbortError "Socket send aborted" on cancel or time-out.
    void SendBuffer(const char* data, qint64 length);
    /// Sends the bytes as they are, zero bytes included.
    void Write(const QByteArray& text);
    /// Sends the bytes followed by CR LF.
    void Writeln(const QByteArray& text);
    /// Reads one line, LF included (and any CR before it), leaving what follows
    /// unread. The empty line when the peer closed or the socket is not
    /// connected. Throws EAbortError "Socket readln aborted", or ESockError for
    /// a line longer than BufferSize.
    QByteArray ReadLn();
    /// Sends a file, counting SentBytes and firing OnPacketSent per send.
    /// Throws EAbortError "Socket send aborted"; a file that cannot be opened
    /// throws std::runtime_error.
    void SendFile(const QString& fileName);
    /// Writes everything the peer sends into a new file, until the peer closes
    /// or, with stopAfter >= 0, until exactly stopAfter bytes arrived (never
    /// reading beyond them). TimeOut is the idle time between blocks. Counts
    /// ReceivedBytes and fires OnPacketRecvd per block. Throws EAbortError
    /// "Socket send aborted"; file errors throw std::runtime_error.
    void CaptureFile(const QString& fileName, qint64 stopAfter = -1);
    /// Like CaptureFile into `text`; stops between blocks once the text holds
    /// `maximum` bytes (-1 = no limit). Throws EAbortError "Socket capture aborted".
    void CaptureString(QByteArray& text, qint64 maximum = -1, qint64 stopAfter = -1);
    /// Receives up to `count` more bytes (count < 0: until the peer closes)
    /// into the open file `fd`, adding to ReceivedBytes as it stands and
    /// firing OnPacketRecvd per block; returns the bytes taken, fewer than
    /// `count` when the peer closed first. For framings that come in pieces
    /// (chunks), so it neither creates a file nor resets the count. Throws
    /// EAbortError "Socket send aborted"; file errors throw std::runtime_error
    /// naming `fileName`.
    qint64 CaptureMore(int fd, const QString& fileName, qint64 count);
    /// The same, appending to `text`.
    qint64 CaptureMore(QByteArray& text, qint64 count);
    /// The same, keeping nothing: reads a body that is not wanted off the
    /// connection, so that whatever follows it on the stream can be read.
    qint64 Skip(qint64 count);
    /// True when at least one byte waits to be read.
    bool DataAvailable();
    /// After a read or capture that ended at the peer's close: whether the
    /// peer meant it as the end. Always on a plain connection; over TLS only
    /// with the peer's close_notify, not after a bare TCP close, which can
    /// cut a body framed by the close alone without anything showing.
    bool PeerEndConfirmed() const;
    /// Whether a connection kept between requests can carry the next one:
    /// not once the peer has closed it, nor while bytes already wait on it
    /// (a repeated reply, junk after the last body), which the next request
    /// would take for its reply. Never blocks and takes nothing.
    bool ConnectionReusable();

    // The same operations as Tasks, with the same contracts, status texts
    // and exceptions; arguments passed by reference must outlive the Task.
    Task<> ConnectAsync();
    Task<> StartTlsAsync(QString hostName, quint16 port);
    Task<> SendBufferAsync(const char* data, qint64 length);
    Task<> WriteAsync(QByteArray text);
    Task<> WritelnAsync(QByteArray text);
    Task<QByteArray> ReadLnAsync();
    /// The lines that follow, up to and including the first empty one (CR LF
    /// or LF alone), as one block: a reply header after its status line. Each
    /// arrival is peeked once and only the bytes up to the block's end are
    /// taken, so nothing after it is consumed. Returns early, without the
    /// empty line, when the peer closes (a line cut off by the close is
    /// dropped, as ReadLn drops it), or with more than `limit` bytes when the
    /// block has not ended by then. Same time-out and abort as ReadLn.
    /// With `firstLine`, the block opens with a line the caller judges,
    /// bounded by the buffer as ReadLn's lines are: it is shown that line
    /// once it is whole, and when it says no the block ends there, so a peer
    /// that speaks something else is not read on.
    Task<QByteArray> ReadLinesAsync(qint64 limit,
                                    std::function<bool(const QByteArray&)> firstLine = {});
    Task<> SendFileAsync(QString fileName);
    Task<> CaptureFileAsync(QString fileName, qint64 stopAfter = -1);
    Task<> CaptureStringAsync(QByteArray& text, qint64 maximum = -1, qint64 stopAfter = -1);
    Task<qint64> CaptureMoreAsync(int fd, QString fileName, qint64 count);
    Task<qint64> CaptureMoreAsync(QByteArray& text, qint64 count);
    Task<qint64> SkipAsync(qint64 count);
    Task<QByteArray> TransactionAsync(QByteArray command);
    Task<int> AcceptAsync();

    /// "10061:Connection refused"; "Unknown Error No. 12345"; "" for 0.
    QString ErrorText(int errorNumber);

    /// ReplyFields::Nth: field n (from 1) of `text` split at `delimiter`.
    static QByteArray NthField(const QByteArray& text, char delimiter, int n) {
        return ReplyFields::Nth(text, delimiter, n);
    }
    /// ReplyFields::NthCharPos: 1-based position of the n-th `character`.
    static int NthCharPos(const QByteArray& text, char character, int n) {
        return ReplyFields::NthCharPos(text, character, n);
    }

    /// Live sessions sharing the process-wide start-up.
    static int WinsockUsers();
    /// How often the process-wide start-up and clean-up ran.
    static int StartupCount();
    static int CleanupCount();

protected:
    /// Passes `text` to StatusText and OnStatus when ReportLevel >= level.
    /// Never throws.
    void ReportStatus(int level, const QString& text);
    /// Resolves Proxy (if set) or Host into RemoteAddresses (and
    /// RemoteAddress, for the first IPv4 one).
    void ResolveHost();
    /// Closes the socket, fires OnDisconnect and opens a fresh one.
    void CloseSocket();
    /// (Re)starts the time-out timer with TimeOut; clears TimedOut.
    void TimerOn();
    void TimerOff();
    /// The transfer buffer (BufferSize bytes plus a terminating zero).
    char* IOBuffer() { return ioBuffer_.get(); }

    /// Runs `task` to its end, waiting in the event loop: the one wait of
    /// the blocking operations. Returns its value or throws what it threw.
    template <typename T> T Wait(Task<T> task);
    /// Forgets a suspended operation whose Task is being destroyed, so that
    /// no event resumes it.
    void DropWaiter();
    /// Waits for WakeUp, the time-out or a cancel, whichever comes first.
    Task<> WaitForWakeAsync();

private:
    friend class PowersockConnector;
    friend class PowersockErrors;
    friend class PowersockListener;
    friend class PowersockReceiver;
    friend class PowersockSender;
    friend class PowersockWaits;

    void InitWinsock();
    /// The transport's notifications go to the session's waits.
    void WatchTransport();
    void OpenSocket(bool resetOnClose);
    Task<> ResolveHostAsync();
    int timeOut_ = 0;
    bool startedUp_ = false;
    bool listening_ = false;
    std::unique_ptr<char[]> ioBuffer_;
    /// Declared before the transport, so that it outlives the transport's
    /// notifications.
    std::unique_ptr<PowersockWaits> waits_;
    std::unique_ptr<SocketTransport> transport_;
    std::unique_ptr<PowersockReceiver> receiver_;
    std::unique_ptr<PowersockErrors> errors_;
    std::unique_ptr<PowersockSender> sender_;
    std::unique_ptr<PowersockConnector> connector_;
    std::unique_ptr<PowersockListener> listener_;
    TlsTransport* tls_ = nullptr; ///< transport_ itself, for the TLS calls
    /// The session's own transport while transport_ is a stream of another
    /// connection (UseStream); null otherwise.
    std::unique_ptr<SocketTransport> parked_;
    QList<QByteArray> alpn_;
};

template <typename T> T TPowersock::Wait(Task<T> task) {
    task.Start();
    while (!task.Done())
        PumpMessages();
    return task.Result();
}
