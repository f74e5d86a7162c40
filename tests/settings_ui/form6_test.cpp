#include "settings/settings_file.h"
#include "settings/ui/form6.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The dialog over a client's proxy settings, shown (not exec'd) so a test can
// drive it and see whether it closed.
struct ProxyDialog {
    ProxyDialog(QString host, int port)
        : proxy(std::move(host))
        , proxyPort(port)
        , dialog(proxy, proxyPort) {
        dialog.setErrorReporter([this](QWidget*, const QString& text) { errors.append(text); });
        dialog.show();
    }
    QLineEdit* host() { return dialog.findChild<QLineEdit*>("Edit1"); }
    QLineEdit* port() { return dialog.findChild<QLineEdit*>("Edit2"); }
    QCheckBox* useProxy() { return dialog.findChild<QCheckBox*>("CheckBox1"); }
    // On the box itself: a check box only answers clicks on its box and text.
    void toggleUseProxy() {
        QTest::mouseClick(useProxy(), Qt::LeftButton, {}, QPoint(8, useProxy()->height() / 2));
    }
    void click(const char* button) {
        QTest::mouseClick(dialog.findChild<QPushButton*>(button), Qt::LeftButton);
    }

    QString proxy;
    int proxyPort;
    QStringList errors;
    TForm6 dialog;
};

TEST(ProxyDialog, FillsFromTheClientAndEnablesInputsOnlyForAProxy) {
    ProxyDialog none("", 0);
    EXPECT_EQ(none.host()->text(), "");
    EXPECT_EQ(none.port()->text(), "0");
    EXPECT_FALSE(none.useProxy()->isChecked());
    EXPECT_FALSE(none.host()->isEnabled());
    EXPECT_FALSE(none.port()->isEnabled());

    ProxyDialog some("proxy.lan", 3128);
    EXPECT_EQ(some.host()->text(), "proxy.lan");
    EXPECT_EQ(some.port()->text(), "3128");
    EXPECT_TRUE(some.useProxy()->isChecked());
    EXPECT_TRUE(some.host()->isEnabled());
    EXPECT_TRUE(some.port()->isEnabled());

    // The box only switches the inputs; what they hold stays.
    some.toggleUseProxy();
    EXPECT_FALSE(some.host()->isEnabled());
    EXPECT_FALSE(some.port()->isEnabled());
    EXPECT_EQ(some.host()->text(), "proxy.lan");
}

TEST(ProxyDialog, PortFieldHoldsOnlyDigitsAndNeverStaysEmpty) {
    ProxyDialog d("proxy.lan", 3128);
    d.port()->selectAll();
    QTest::keyClicks(d.port(), "8a0");
    EXPECT_EQ(d.port()->text(), "80");

    d.port()->end(false);
    QTest::keyClick(d.port(), Qt::Key_Backspace);
    QTest::keyClick(d.port(), Qt::Key_Backspace);
    EXPECT_EQ(d.port()->text(), "0");
    // The stand-in zero gives way to the next digit.
    QTest::keyClicks(d.port(), "81");
    EXPECT_EQ(d.port()->text(), "81");

    // Pasted text loses its non-digits, the caret stays after what was pasted.
    d.port()->setCursorPosition(1);
    d.port()->insert("x2 y");
    EXPECT_EQ(d.port()->text(), "821");
    EXPECT_EQ(d.port()->cursorPosition(), 2);
}

TEST(ProxyDialog, InitFillsDefaultsWhichOnlyOkWithUseProxyApplies) {
    ProxyDialog d("", 0);
    d.click("Button3");
    EXPECT_EQ(d.host()->text(), "0.0.0.0");
    EXPECT_EQ(d.port()->text(), "80");
    EXPECT_FALSE(d.useProxy()->isChecked());
    EXPECT_FALSE(d.host()->isEnabled());
    EXPECT_EQ(d.proxy, "");

    d.toggleUseProxy();
    d.click("Button1");
    EXPECT_EQ(d.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(d.proxy, "0.0.0.0");
    EXPECT_EQ(d.proxyPort, 80);
}

TEST(ProxyDialog, EnterAppliesAsTyped) {
    ProxyDialog d("", 0);
    d.toggleUseProxy();
    d.host()->setText(" proxy.lan ");
    d.port()->setText("70000");
    QTest::keyClick(d.host(), Qt::Key_Return);
    EXPECT_FALSE(d.dialog.isVisible());
    EXPECT_EQ(d.dialog.result(), QDialog::Accepted);
    // Neither trimmed nor range-checked: the client gets what was typed.
    EXPECT_EQ(d.proxy, " proxy.lan ");
    EXPECT_EQ(d.proxyPort, 70000);
}

// OK with "use a proxy" cleared keeps the proxy in use; the other ways out
// apply nothing either.
TEST(ProxyDialog, OkWithoutUseProxyCancelEscapeAndCloseBoxApplyNothing) {
    const struct {
        const char* name;
        std::function<void(ProxyDialog&)> leave;
        QDialog::DialogCode result;
    } ways[] = {
        {"ok unchecked",
         [](ProxyDialog& d) {
             d.toggleUseProxy();
             d.click("Button1");
         },
         QDialog::Accepted},
        {"cancel", [](ProxyDialog& d) { d.click("Button2"); }, QDialog::Rejected},
        {"escape", [](ProxyDialog& d) { QTest::keyClick(d.port(), Qt::Key_Escape); },
         QDialog::Rejected},
        {"close box", [](ProxyDialog& d) { d.dialog.close(); }, QDialog::Rejected},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        ProxyDialog d("proxy.lan", 3128);
        d.host()->setText("other");
        d.port()->setText("81");
        way.leave(d);
        EXPECT_FALSE(d.dialog.isVisible());
        EXPECT_EQ(d.dialog.result(), way.result);
        EXPECT_EQ(d.proxy, "proxy.lan");
        EXPECT_EQ(d.proxyPort, 3128);
    }
}

TEST(ProxyDialog, PortBeyond32BitsIsReportedAndAppliesNothing) {
    ProxyDialog d("proxy.lan", 3128);
    d.host()->setText("other");
    d.port()->setText("2147483648");
    d.click("Button1");
    ASSERT_EQ(d.errors.size(), 1);
    EXPECT_TRUE(d.errors[0].contains("2147483648"));
    EXPECT_TRUE(d.dialog.isVisible());
    EXPECT_EQ(d.proxy, "proxy.lan");
    EXPECT_EQ(d.proxyPort, 3128);

    // Corrected, the same dialog applies both.
    d.port()->setText("2147483647");
    d.click("Button1");
    EXPECT_EQ(d.errors.size(), 1);
    EXPECT_EQ(d.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(d.proxy, "other");
    EXPECT_EQ(d.proxyPort, 2147483647);
}

// With the request settings the dialog has a second tab for them; the proxy
// tab keeps its controls, and only "OK" writes either.
TEST(ProxyDialog, TheRequestTabEditsTlsAndTheLinesAndOnlyOkWritesThem) {
    const RequestSettings before = [] {
        RequestSettings r{true, "", "Serifetch/2.0", "http://g.example/", false, {"A: 1"}};
        r.intervalMs = 700;
        return r;
    }();
    const struct {
        const char* name;
        QString lines;
        const char* button;
        bool written;
    } cases[] = {
        {"ok", "Cookie: a=1\n\n X-Two: 2 ", "Button1", true},
        {"cancel", "Cookie: a=1", "Button2", false},
        {"a line that is not one", "Cookie a=1", "Button1", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QString proxy = "proxy.lan";
        int port = 3128;
        RequestSettings request = before;
        QStringList errors;
        TForm6 dialog(proxy, port, nullptr, &request);
        dialog.setErrorReporter([&](QWidget*, const QString& text) { errors << text; });
        dialog.show();
        auto* tabs = dialog.findChild<QTabWidget*>("PageControl1");
        ASSERT_TRUE(tabs);
        EXPECT_EQ(tabs->count(), 2);
        EXPECT_EQ(tabs->widget(0), dialog.findChild<QCheckBox*>("CheckBox1")->parentWidget());
        auto* tls = dialog.findChild<QCheckBox*>("CheckBox2");
        auto* userAgent = dialog.findChild<QLineEdit*>("Edit4");
        auto* referer = dialog.findChild<QLineEdit*>("Edit5");
        auto* fromBase = dialog.findChild<QCheckBox*>("CheckBox3");
        auto* lines = dialog.findChild<QPlainTextEdit*>("Memo1");
        EXPECT_TRUE(tls->isChecked());
        EXPECT_EQ(userAgent->text(), "Serifetch/2.0");
        EXPECT_EQ(lines->toPlainText(), "A: 1");
        EXPECT_TRUE(referer->isEnabled());
        auto* pause = dialog.findChild<QSpinBox*>("SpinEdit2");
        ASSERT_TRUE(pause);
        EXPECT_EQ(pause->value(), 700);
        EXPECT_EQ(pause->minimum(), 0);
        EXPECT_EQ(pause->maximum(), 60000);

        tabs->setCurrentIndex(1);
        tls->setChecked(false);
        dialog.findChild<QLineEdit*>("Edit3")->setText("/etc/ca.pem");
        fromBase->setChecked(true);
        dialog.findChild<QCheckBox*>("CheckBox4")->setChecked(true);
        dialog.findChild<QCheckBox*>("CheckBox7")->setChecked(true);
        auto* http2 = dialog.findChild<QCheckBox*>("CheckBox8");
        EXPECT_TRUE(http2->isChecked());
        http2->setChecked(false);
        dialog.findChild<QSpinBox*>("SpinEdit1")->setValue(4);
        pause->setValue(0);
        dialog.findChild<QLineEdit*>("Edit8")->setText(" /home/u/cookies.txt ");
        dialog.findChild<QCheckBox*>("CheckBox6")->setChecked(true);
        dialog.findChild<QSpinBox*>("SpinEdit3")->setValue(204800);
        EXPECT_FALSE(referer->isEnabled());
        lines->setPlainText(c.lines);
        QTest::mouseClick(dialog.findChild<QPushButton*>(c.button), Qt::LeftButton);

        RequestSettings after{false,
                              "/etc/ca.pem",
                              "Serifetch/2.0",
                              "http://g.example/",
                              true,
                              {"Cookie: a=1", "X-Two: 2"}};
        after.keepAlive = true;
        after.remoteTime = true;
        after.http2 = false;
        after.parallel = 4;
        after.intervalMs = 0;
        after.cookieFile = "/home/u/cookies.txt";
        after.netrc = true;
        after.limitRate = 204800;
        EXPECT_EQ(request == after, c.written);
        EXPECT_EQ(request == before, !c.written);
        EXPECT_EQ(dialog.isVisible(), !errors.isEmpty());
        EXPECT_EQ(errors.size(), c.lines == "Cookie a=1" ? 1 : 0);
    }
}

TEST(Form6, TheProxysLoginIsTakenWithTheProxyAndItsPasswordHidden) {
    const struct {
        const char* name;
        bool useProxy;
        const char* button;
        bool remember;
        ProxyLogin expected;
    } cases[] = {
        {"ok, remembered", true, "Button1", true, {"bob", "pw", true}},
        {"ok, not remembered", true, "Button1", false, {"bob", "pw", false}},
        {"cancel", true, "Button2", true, {"old", "old-pw", false}},
        {"no proxy: left as it was", false, "Button1", true, {"old", "old-pw", false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QString proxy = "proxy.lan";
        int port = 3128;
        RequestSettings request;
        ProxyLogin login{"old", "old-pw", false};
        TForm6 dialog(proxy, port, nullptr, &request, &login);
        dialog.show();
        auto* user = dialog.findChild<QLineEdit*>("Edit6");
        auto* password = dialog.findChild<QLineEdit*>("Edit7");
        ASSERT_TRUE(user && password);
        EXPECT_EQ(user->text(), "old");
        EXPECT_EQ(password->text(), "old-pw");
        EXPECT_EQ(password->echoMode(), QLineEdit::Password);
        dialog.findChild<QCheckBox*>("CheckBox1")->setChecked(c.useProxy);
        user->setText("bob");
        password->setText("pw");
        dialog.findChild<QCheckBox*>("CheckBox5")->setChecked(c.remember);
        QTest::mouseClick(dialog.findChild<QPushButton*>(c.button), Qt::LeftButton);
        EXPECT_EQ(login, c.expected);
    }
    // Without a login to edit, the dialog has no place for one.
    QString proxy;
    int port = 0;
    TForm6 plain(proxy, port);
    EXPECT_FALSE(plain.findChild<QLineEdit*>("Edit6"));
}

} // namespace
