// The table element of a lobby presence: built and read back, and hostile
// values and addresses refused, as libstrophe hands them over.
#include "lobby/stanzaelement.h"

#include <gtest/gtest.h>
#include <strophe.h>

#include <string>

using namespace dw;
using namespace dw::lobby;

namespace {

class Stanzas : public ::testing::Test {
protected:
    static void SetUpTestSuite() { xmpp_initialize(); }
    void SetUp() override { ctx_ = xmpp_ctx_new(nullptr, nullptr); }
    void TearDown() override { xmpp_ctx_free(ctx_); }
    // The table read from `xml`, a presence or a table element.
    std::optional<Table> read(const std::string& xml) {
        xmpp_stanza_t* stanza = xmpp_stanza_new_from_string(ctx_, xml.c_str());
        if (!stanza)
            return std::nullopt;
        std::optional<Table> table = tableIn(stanza);
        if (!table)
            if (auto element = toElement(stanza))
                table = parseTable(*element);
        xmpp_stanza_release(stanza);
        return table;
    }
    xmpp_ctx_t* ctx_ = nullptr;
};

std::string table(const std::string& attributes, const std::string& children = "") {
    return "<table xmlns='urn:driftwake:table:1' " + attributes + ">" + children + "</table>";
}

const std::string kGood =
    "name='Friday run' seats='2' spectators='1' state='waiting' amount='500' version='1.0.1'";

} // namespace

TEST_F(Stanzas, TableReadsBackAsBuiltThroughAPresence) {
    Table t;
    t.name = "Ann's \"table\" <1> & more ✈";
    t.seats = 4;
    t.spectators = 12;
    t.playing = true;
    t.amount = 1000;
    t.version = "1.0.1";
    t.addresses = {{"203.0.113.7", 7772}, {"2001:db8::7", 7790}, {"192.168.1.20", 7772}};
    xmpp_stanza_t* presence = xmpp_presence_new(ctx_);
    xmpp_stanza_t* element = toStanza(ctx_, tableElement(t));
    xmpp_stanza_add_child_ex(presence, element, 0);
    char* text = nullptr;
    size_t length = 0;
    ASSERT_EQ(xmpp_stanza_to_text(presence, &text, &length), XMPP_EOK);
    const std::string xml(text, length);
    xmpp_free(ctx_, text);
    xmpp_stanza_release(presence);
    EXPECT_NE(xml.find("[2001:db8::7]:7790"), std::string::npos) << xml;
    EXPECT_EQ(read(xml), t) << xml;
}

TEST_F(Stanzas, ValuesOutOfBoundsRefuseTheTable) {
    ASSERT_TRUE(read(table(kGood)));
    const std::string bad[] = {
        "name='' seats='2' spectators='1' state='waiting' amount='500' version='1'",
        "name='" + std::string(65, 'x') +
            "' seats='2' spectators='1' state='waiting' "
            "amount='500' version='1'",
        "name='a' seats='5' spectators='1' state='waiting' amount='500' version='1'",
        "name='a' seats='-1' spectators='1' state='waiting' amount='500' version='1'",
        "name='a' seats='2' spectators='1000' state='waiting' amount='500' version='1'",
        "name='a' seats='2' spectators='1' state='open' amount='500' version='1'",
        "name='a' seats='2' spectators='1' state='waiting' amount='1000000000' version='1'",
        "name='a' seats='2' spectators='1' state='waiting' amount='0x10' version='1'",
        "name='a' seats='2' spectators='1' state='waiting' amount='500' version='1 0'",
        "name='a' seats='2' spectators='1' state='waiting' amount='500' version=''",
        "name='a' seats=' 2' spectators='1' state='waiting' amount='500' version='1'",
        "seats='2' spectators='1' state='waiting' amount='500' version='1'",
    };
    for (const std::string& attributes : bad)
        EXPECT_FALSE(read(table(attributes))) << attributes;
    // Another namespace or element is no table.
    EXPECT_FALSE(read("<table xmlns='urn:driftwake:table:2' " + kGood + "/>"));
    EXPECT_FALSE(read("<seat xmlns='urn:driftwake:table:1' " + kGood + "/>"));
}

TEST_F(Stanzas, OversizedElementsAreNotCopied) {
    std::string many;
    for (int i = 0; i < 40; ++i)
        many += "<address>203.0.113." + std::to_string(i) + ":7772</address>";
    EXPECT_FALSE(read(table(kGood, many)));
    EXPECT_FALSE(read(table(kGood, "<address>" + std::string(5000, '1') + "</address>")));
    EXPECT_FALSE(read(table(kGood, "<a><b><c><d><e/></d></c></b></a>")));
    // Unknown children within bounds are what later versions add.
    const auto t = read(table(kGood, "<seat n='1'/><address>203.0.113.9:7772</address>"));
    ASSERT_TRUE(t);
    ASSERT_EQ(t->addresses.size(), 1u);
    EXPECT_EQ(t->addresses[0], (HostPort{"203.0.113.9", 7772}));
}

TEST_F(Stanzas, LocalAddressesAreRefused) {
    const char* refused[] = {
        "127.0.0.1:7772",          "127.9.9.9:22",       "0.0.0.0:7772",
        "169.254.1.1:7772",        "224.0.0.251:5353",   "239.1.1.1:7772",
        "255.255.255.255:9",       "[::1]:7772",         "[::]:7772",
        "[fe80::1]:7772",          "[febf::1]:7772",     "[ff02::1]:7772",
        "[::ffff:127.0.0.1]:7772", "[::127.0.0.1]:7772", "[::ffff:169.254.0.1]:7772",
        "localhost:7772",          "example.org:7772",   "203.0.113.7",
        "203.0.113.7:0",           "203.0.113.7:65536",  "[fe80::1%eth0]:7772",
    };
    for (const char* address : refused) {
        const auto t = read(table(kGood, std::string("<address>") + address + "</address>"));
        ASSERT_TRUE(t) << address;
        EXPECT_TRUE(t->addresses.empty()) << address;
    }
    const char* joinable[] = {"203.0.113.7:7772", "10.0.0.5:7772", "192.168.1.20:1",
                              "[2001:db8::1]:7772", "[::ffff:203.0.113.7]:7772"};
    for (const char* address : joinable) {
        const auto t = read(table(kGood, std::string("<address>") + address + "</address>"));
        ASSERT_TRUE(t) << address;
        EXPECT_EQ(t->addresses.size(), 1u) << address;
    }
}
