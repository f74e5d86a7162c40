#pragma once

#include <QtGlobal>

/// Code of the request under way; what OnSuccess and OnFailure receive.
enum CmdType : quint8 {
    cmdGet = 0,
    cmdOptions = 1,
    cmdHead = 2,
    cmdPost = 3,
    cmdPut = 4,
    cmdPatch = 5,
    cmdCopy = 6,
    cmdMove = 7,
    cmdDelete = 8,
    cmdLink = 9,
    cmdUnlink = 10,
    cmdTrace = 11,
    cmdRaw = 12,
};
