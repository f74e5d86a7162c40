#include "settings/ui/form6.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
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

} // namespace
