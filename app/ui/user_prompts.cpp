#include "app/ui/user_prompts.h"

#include <QCoreApplication>
#include <QFileDialog>
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

QString UserPrompts::PickFolder(const QString& start) const {
    return picker ? picker(&m_window, start) : QString();
}
