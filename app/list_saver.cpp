#include "app/list_saver.h"

ListSaver::ListSaver(SaveFunction save, QObject* parent)
    : QObject(parent)
    , m_save(std::move(save)) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { SaveNow(); });
}

void ListSaver::Changed() {
    if (m_timer.isActive())
        return;
    const qint64 since = m_lastSave.isValid() ? m_lastSave.elapsed() : kEveryMs;
    if (since >= kEveryMs)
        SaveNow();
    else
        m_timer.start(int(kEveryMs - since));
}

QString ListSaver::Flush() {
    return SaveNow();
}

QString ListSaver::SaveNow() {
    m_timer.stop();
    m_lastSave.start();
    QString problem = m_save();
    if (problem.isEmpty()) {
        m_failing = false;
    } else if (!m_failing) {
        m_failing = true;
        emit saveFailed(problem);
    }
    return problem;
}
