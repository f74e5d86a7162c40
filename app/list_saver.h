#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

/// Keeps the job list file close behind a run: after a change it saves at
/// once when the last save is a second old, else when that second is up, so
/// a run killed at any moment loses at most the last second of marks while
/// a fast run does not rewrite the file after every job.
class ListSaver : public QObject {
    Q_OBJECT

public:
    static constexpr int kEveryMs = 1000;
    /// Writes the list; returns the empty text, or why it failed.
    using SaveFunction = std::function<QString()>;

    explicit ListSaver(SaveFunction save, QObject* parent = nullptr);

    /// The list changed: save now or within the second.
    void Changed();
    /// Saves now (also when nothing changed); the empty text or the problem.
    QString Flush();

signals:
    /// A save failed; told once until a save succeeds again, so a full disk
    /// does not raise a message per job.
    void saveFailed(const QString& problem);

private:
    QString SaveNow();

    SaveFunction m_save;
    QTimer m_timer;
    QElapsedTimer m_lastSave;
    bool m_failing = false;
};
