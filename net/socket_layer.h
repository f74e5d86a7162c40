#pragma once

#include <QStringList>

/// The process-wide start-up of the socket layer that every session shares:
/// the first session to join starts it, the last to leave shuts it down.
/// Linux needs neither step; the counts keep the contract that callers and
/// tests rely on.
namespace SocketLayer {

/// A session joins; the first one starts the layer up and gets its
/// description lines ("Version= 1.1", ...) in `info`.
void Join(QStringList& info);
/// A session that joined leaves; the last one shuts the layer down.
void Leave();

int Users();    ///< sessions that joined and have not left
int Startups(); ///< how often the layer was started up
int Cleanups(); ///< how often it was shut down

} // namespace SocketLayer
