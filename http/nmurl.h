#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

/// URL encoder for form data (application/x-www-form-urlencoded as browsers
/// of its day wrote it): blank to "+", letters and digits kept, every other
/// byte as "%" and two lower-case hex digits.
class TNMURL {
public:
    using TOnErrorEvent =
        std::function<void(TNMURL* Sender, const QString& Operation, const QString& ErrMsg)>;

    QByteArray InputString;
    TOnErrorEvent OnError;

    /// Encoding of `InputString`. Never throws: on a failure `OnError` hears
    /// "Error during encode" and the input comes back unchanged.
    QByteArray Encode();
};
