#pragma once

#include <QByteArrayView>
#include <QtGlobal>

/// The leading number of a reply line, as TPowersock::Transaction reads it:
/// up to ten leading digits; 0 when the line starts with none or they
/// overflow an int. Throws std::out_of_range "Reply code N out of range" for
/// a number above 32767.
qint16 ReplyCodeOf(QByteArrayView line);
