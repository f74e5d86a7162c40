#include "settings/ui/program_icon.h"

// A resource compiled into a static library is only linked in when something
// refers to its initialiser; this is that reference. Q_INIT_RESOURCE must not
// sit in a namespace.
static void initProgramIconResource() {
    static const bool done = [] {
        Q_INIT_RESOURCE(serifetch);
        return true;
    }();
    (void)done;
}

QIcon ProgramIcon() {
    initProgramIconResource();
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QString(":/serifetch/icon-%1.png").arg(size), QSize(size, size));
    return icon;
}
