// ~/.netrc as ftp(1), curl and wget read it.
#include "http/netrc.h"

#include <gtest/gtest.h>

namespace {

TEST(Netrc, FindsTheHostsLoginOrTheDefault) {
    const QByteArray file = "machine nas.local login alice password \"s3cret pass\"\n"
                            "machine NAS.local login second password ignored\n"
                            "# a comment is a token too, but harmless\n"
                            "machine archive.example\n"
                            "  login bob\n"
                            "  password \"with \\\"quote\\\"\"\n"
                            "macdef init\n"
                            "machine fake.example login mallory password x\n"
                            "\n"
                            "machine\tafter.macro login carol password c\r\n"
                            "default login anonymous password guest@\n";
    const struct {
        const char* host;
        std::optional<NetrcLogin> expected;
    } cases[] = {
        {"nas.local", NetrcLogin{"alice", "s3cret pass"}},
        {"NAS.LOCAL", NetrcLogin{"alice", "s3cret pass"}},
        {"archive.example", NetrcLogin{"bob", "with \"quote\""}},
        {"fake.example", NetrcLogin{"anonymous", "guest@"}}, // inside a macro: no entry
        {"after.macro", NetrcLogin{"carol", "c"}},
        {"elsewhere.example", NetrcLogin{"anonymous", "guest@"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NetrcLookup(file, c.host), c.expected) << c.host;
    EXPECT_EQ(NetrcLookup("machine a login x password y\n", "b"), std::nullopt);
    EXPECT_EQ(NetrcLookup("", "a"), std::nullopt);
    // A macro in a file with CR LF line ends ends at its empty line too.
    EXPECT_EQ(NetrcLookup("macdef init\r\ncd /\r\n\r\nmachine a login x password y\r\n", "a"),
              (NetrcLogin{"x", "y"}));
    EXPECT_EQ(NetrcLookup("machine a login onlyname", "a"), (NetrcLogin{"onlyname", ""}));
}

} // namespace
