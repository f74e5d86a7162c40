#pragma once

#include <QString>
#include <functional>
#include <memory>

class QMessageBox;
class QWidget;

/// The window's modal exchanges with the user: message boxes, yes/no
/// questions and the folder picker. Each goes through a replaceable
/// function; the defaults show the desktop's dialogs over the window, and
/// tests put recorders in their place so nothing blocks.
class UserPrompts {
public:
    enum class Kind { Info, Error };
    /// Shows a message.
    using MessageSink = std::function<void(Kind, const QString&)>;
    /// Asks for a folder, starting in `start`; returns the chosen folder, or
    /// the empty text when the user cancels.
    using FolderPicker = std::function<QString(QWidget* parent, const QString& start)>;
    /// Asks a yes/no question; true for yes.
    using QuestionAsker = std::function<bool(const QString& question)>;
    /// What to do with a pasted file URL.
    enum class SplitChoice { Split, FindSeries, Cancel };
    /// Offers the split that `question` describes.
    using SplitChooser = std::function<SplitChoice(const QString& question)>;

    /// The desktop's dialogs, owned by `window`.
    explicit UserPrompts(QWidget& window);
    // The default functions hold on to this object.
    UserPrompts(const UserPrompts&) = delete;
    UserPrompts& operator=(const UserPrompts&) = delete;

    void Tell(const QString& text, Kind kind) const;
    /// No asker is a "no".
    bool Ask(const QString& question) const;
    /// No chooser is a "Cancel".
    SplitChoice ChooseSplit(const QString& question) const;
    /// The box the default chooser shows: `question` with "Split", "Find
    /// the series" and "Cancel", over `parent`.
    static std::unique_ptr<QMessageBox> SplitOfferBox(QWidget* parent, const QString& question);
    /// The empty text when cancelled, or when there is no picker. The picker
    /// starts in PickerStart(`folder`).
    QString PickFolder(const QString& folder) const;
    /// Where the folder picker opens for `folder`: the folder when it exists,
    /// else its nearest existing parent; the home folder for an empty or
    /// relative one. Without a trailing "/".
    static QString PickerStart(const QString& folder);

    MessageSink sink;
    FolderPicker picker;
    QuestionAsker asker;
    SplitChooser splitChooser;

private:
    QWidget& m_window;
};
