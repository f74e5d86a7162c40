#include "app/ui/user_prompts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

UserPrompts::UserPrompts(QWidget& window)
    : m_window(window) {
    sink = [this](Kind kind, const QString& text) {
        if (kind == Kind::Error)
            QMessageBox::warning(&m_window, QStringLiteral("Serifetch"), text);
        else
            QMessageBox::information(&m_window, QStringLiteral("Serifetch"), text);
    };
    asker = [this](const QString& question) {
        return QMessageBox::question(&m_window, QStringLiteral("Serifetch"), question) ==
               QMessageBox::Yes;
    };
    picker = [](QWidget* parent, const QString& start) {
        return QFileDialog::getExistingDirectory(
            parent, QCoreApplication::translate("UserPrompts", "保存先フォルダ"), start);
    };
}

void UserPrompts::Tell(const QString& text, Kind kind) const {
    if (sink)
        sink(kind, text);
}

bool UserPrompts::Ask(const QString& question) const {
    return asker && asker(question);
}

QString UserPrompts::PickFolder(const QString& folder) const {
    return picker ? picker(&m_window, PickerStart(folder)) : QString();
}

QString UserPrompts::PickerStart(const QString& folder) {
    // A dialog told of a folder that is not there opens somewhere of its own
    // choosing; the nearest folder that is there keeps the user close by.
    if (folder.isEmpty() || !QDir::isAbsolutePath(folder))
        return QDir::homePath();
    QString path = QDir::cleanPath(folder);
    while (!QFileInfo(path).isDir()) {
        const QString parent = QFileInfo(path).path();
        if (parent == path)
            return QDir::homePath();
        path = parent;
    }
    return path;
}
