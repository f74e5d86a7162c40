#pragma once

#include <QByteArray>

/// Fields of a reply line split at one delimiter character, as the
/// session's NthField and NthCharPos give them to line-protocol callers.
namespace ReplyFields {

/// Field n (from 1) of `text` split at single `delimiter` characters; empty
/// for n = 0, an empty text, or n past the last field.
QByteArray Nth(const QByteArray& text, char delimiter, int n);
/// 1-based position of the n-th `character` in `text`; length + 1 when there
/// are fewer, and also when the n-th is the last character.
int NthCharPos(const QByteArray& text, char character, int n);

} // namespace ReplyFields
