#pragma once

#include <QIODevice>
#include <functional>

enum UUMethods : quint8 { uuMime = 0, uuCode = 1 };

/// Encodes a stream in Base64 (`uuMime`, RFC 2045 alphabet) or in the
/// traditional uuencode form (`uuCode`), 45 input bytes to a line ended by
/// CR LF. Only encoding is provided; the decode events never fire.
class TNMUUProcessor {
public:
    using TNotifyEvent = std::function<void(TNMUUProcessor* Sender)>;

    UUMethods Method = uuMime;
    /// Streams owned by the caller; both must be open.
    QIODevice* InputStream = nullptr;
    QIODevice* OutputStream = nullptr;

    TNotifyEvent OnBeginEncode;
    TNotifyEvent OnEndEncode;
    TNotifyEvent OnBeginDecode;
    TNotifyEvent OnEndDecode;

    /// Encodes the whole input stream (from its start) into the output
    /// stream. Whatever happens the output is positioned at 0 and
    /// `OnEndEncode` fires; read and write failures then throw
    /// std::runtime_error.
    void Encode();

    /// Base64 of `data` as one unbroken text, without line ends: what an
    /// "Authorization: Basic" value needs, however long the credentials.
    static QByteArray Base64Line(const QByteArray& data);
};
