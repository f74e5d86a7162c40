// Where a followed redirect leads and whether the client goes there, worked
// out without a connection: one row per rule.
#include "http/redirect_target.h"

#include <gtest/gtest.h>

TEST(RedirectTarget, FollowsOnlySchemesTheClientFetches) {
    const struct {
        const char* rule;
        QByteArray location;
        bool secure;
        bool tls;
        QByteArray url;
        const char* refusal;
        bool downgrade;
    } rows[] = {
        {"a path stays on the server", "/b/c", false, false, "http://h.test:8080/b/c", "", false},
        {"a relative path is resolved", "c?x=1", false, false, "http://h.test:8080/a/c?x=1", "",
         false},
        {"an upper-case scheme is still http", "HTTP://o.test/", false, false, "HTTP://o.test/", "",
         false},
        {"https without TLS is refused", "https://o.test/", false, false, "https://o.test/",
         "Redirect to an unsupported scheme: https://o.test/", false},
        {"https with TLS is followed", "https://o.test/", false, true, "https://o.test/", "",
         false},
        {"a network path keeps https", "//o.test/x", true, true, "https://o.test/x", "", false},
        {"https to http is followed and said", "http://o.test/", true, true, "http://o.test/", "",
         true},
        {"another scheme is refused", "ftp://o.test/f", false, true, "ftp://o.test/f",
         "Redirect to an unsupported scheme: ftp://o.test/f", false},
        {"a refused downgrade is no downgrade", "file:///etc/passwd", true, true,
         "file:///etc/passwd", "Redirect to an unsupported scheme: file:///etc/passwd", false},
    };
    for (const auto& row : rows) {
        const RedirectTarget::Hop hop = RedirectTarget::Follow(
            row.location, row.secure, QStringLiteral("h.test"), 8080, "/a/b", row.tls);
        EXPECT_EQ(hop.url, row.url) << row.rule;
        EXPECT_EQ(hop.refusal.toStdString(), row.refusal) << row.rule;
        EXPECT_EQ(hop.downgrade, row.downgrade) << row.rule;
    }
}
