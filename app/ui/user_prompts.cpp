#include "app/ui/user_prompts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

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
    splitChooser = [this](const QString& question) {
        const auto box = SplitOfferBox(&m_window, question);
        box->exec();
        if (box->clickedButton() == box->button(QMessageBox::Cancel) || !box->clickedButton())
            return SplitChoice::Cancel;
        return box->buttonRole(box->clickedButton()) == QMessageBox::AcceptRole
                   ? SplitChoice::Split
                   : SplitChoice::FindSeries;
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

UserPrompts::SplitChoice UserPrompts::ChooseSplit(const QString& question) const {
    return splitChooser ? splitChooser(question) : SplitChoice::Cancel;
}

std::unique_ptr<QMessageBox> UserPrompts::SplitOfferBox(QWidget* parent, const QString& question) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::Question, QStringLiteral("Serifetch"),
                                             question, QMessageBox::Cancel, parent);
    box->setObjectName(QStringLiteral("SplitOffer"));
    QPushButton* split = box->addButton(QCoreApplication::translate("UserPrompts", "Split"),
                                        QMessageBox::AcceptRole);
    split->setObjectName(QStringLiteral("SplitButton"));
    QPushButton* find = box->addButton(
        QCoreApplication::translate("UserPrompts", "Find the series"), QMessageBox::ActionRole);
    find->setObjectName(QStringLiteral("FindSeriesButton"));
    find->setToolTip(QCoreApplication::translate(
        "UserPrompts", "Ask the server which padding it writes and where the series starts and "
                       "ends, with HEAD requests"));
    box->setDefaultButton(split);
    return box;
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
