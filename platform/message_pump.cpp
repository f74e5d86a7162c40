#include "platform/message_pump.h"

#include <QCoreApplication>

void PumpMessages() {
    if (!QCoreApplication::instance())
        return;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}
