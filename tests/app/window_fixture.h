#pragma once

#include "app/ui/tform1.h"

#include <QApplication>
#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

/// A test with its own profile folder (SERIFETCH_HOME) and windows whose
/// message boxes are recorded instead of shown.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        previousHome = qgetenv("SERIFETCH_HOME");
        UseHome(home.path());
    }
    void TearDown() override { qputenv("SERIFETCH_HOME", previousHome); }

    static void UseHome(const QString& path) { qputenv("SERIFETCH_HOME", path.toUtf8()); }

    /// A window as the program starts it: created, the profile read, shown.
    std::unique_ptr<TForm1> Open() {
        auto form = std::make_unique<TForm1>();
        form->SetMessageSink(
            [this](TForm1::MessageKind, const QString& text) { messages << text; });
        // A question is recorded like a message and declined.
        form->SetQuestionAsker([this](const QString& question) {
            messages << question;
            return false;
        });
        // So is the offer to split a pasted file URL.
        form->SetSplitChooser([this](const QString& question) {
            messages << question;
            return UserPrompts::SplitChoice::Cancel;
        });
        form->FormCreate();
        form->show();
        return form;
    }

    /// Once a modal dialog of type D owned by `owner` is up, runs `act` on it;
    /// a dialog that `act` left open is cancelled so the test never blocks.
    template <typename D> static void WhenOpen(QWidget* owner, std::function<void(D&)> act) {
        auto* poll = new QTimer(owner);
        poll->setInterval(5);
        QObject::connect(poll, &QTimer::timeout, owner, [owner, poll, act] {
            D* dialog = owner->findChild<D*>();
            if (!dialog || !dialog->isVisible())
                return;
            poll->stop();
            poll->deleteLater();
            act(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        poll->start();
    }

    QString IniPath() const { return home.filePath("serifech.ini"); }
    QString JobsPath() const { return home.filePath("SeriData.txt"); }

    QTemporaryDir home;
    QByteArray previousHome;
    QStringList messages;
};
