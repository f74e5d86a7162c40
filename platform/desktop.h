#pragma once

#include <QString>

/// Hands documents and addresses to the user's desktop ("open this").
/// The program uses the real desktop; tests install a stand-in that records
/// what was asked, because the real one gives no sign of what it did (offscreen
/// it does nothing, and xdg-open reports success even when it fails).
class Desktop {
public:
    virtual ~Desktop() = default;

    /// Opens the local file `path` with the application the desktop associates
    /// with its type. Failures are not reported.
    virtual void openFile(const QString& path) = 0;

    /// Opens the address `url` in the user's web browser. Failures are not
    /// reported.
    virtual void openUrl(const QString& url) = 0;

    /// The desktop in use: the installed stand-in, else the real desktop.
    static Desktop& current();

    /// Makes `standIn` the desktop in use (nullptr restores the real one) and
    /// returns the one it replaces. The caller keeps ownership and must restore
    /// the previous desktop before `standIn` dies; `ScopedDesktop` does both.
    static Desktop* install(Desktop* standIn);
};

/// Installs a stand-in for the life of the object, then restores the previous
/// desktop.
class ScopedDesktop {
public:
    explicit ScopedDesktop(Desktop& standIn)
        : previous_(Desktop::install(&standIn)) {}
    ~ScopedDesktop() { Desktop::install(previous_); }
    ScopedDesktop(const ScopedDesktop&) = delete;
    ScopedDesktop& operator=(const ScopedDesktop&) = delete;

private:
    Desktop* previous_;
};
