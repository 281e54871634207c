// The router helper's HTTP reading: answers whole, cut short, chunked,
// contradictory or not HTTP at all, and the addresses a router names.
#include "host/routerhttp.h"

#include <gtest/gtest.h>

using namespace dw;

namespace {

HttpAnswerState read(std::string_view raw, bool closed, HttpReply* out = nullptr) {
    HttpReply reply;
    const HttpAnswerState state = parseHttpAnswer(raw, closed, reply);
    if (out)
        *out = reply;
    return state;
}

} // namespace

TEST(RouterHttp, AnswersAreWholeOnlyWhenTheirBodyIs) {
    HttpReply r;
    EXPECT_EQ(read("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello, and more", false, &r),
              HttpAnswerState::Complete);
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, "hello");
    EXPECT_EQ(read("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhel", false),
              HttpAnswerState::Incomplete);
    // Cut short by the device: not an answer.
    EXPECT_EQ(read("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhel", true),
              HttpAnswerState::Malformed);
    EXPECT_EQ(read("HTTP/1.1 200 OK\r\nContent-Le", true), HttpAnswerState::Malformed);
    // No length: the body ends when the device closes.
    EXPECT_EQ(read("HTTP/1.0 500 Oops\r\n\r\n<x/>", false), HttpAnswerState::Incomplete);
    EXPECT_EQ(read("HTTP/1.0 500 Oops\r\n\r\n<x/>", true, &r), HttpAnswerState::Complete);
    EXPECT_EQ(r.status, 500);
    EXPECT_EQ(r.body, "<x/>");
    // Bare line ends, as some devices send.
    EXPECT_EQ(read("HTTP/1.1 200 OK\nContent-Length: 2\n\nok", false, &r),
              HttpAnswerState::Complete);
    EXPECT_EQ(r.body, "ok");
}

TEST(RouterHttp, ChunkedAnswersAreJoined) {
    HttpReply r;
    const std::string chunked = "HTTP/1.1 200 OK\r\ntransfer-encoding: Chunked\r\n\r\n"
                                "5;x=y\r\nhello\r\n1\r\n!\r\n0\r\n\r\n";
    EXPECT_EQ(read(chunked, false, &r), HttpAnswerState::Complete);
    EXPECT_EQ(r.body, "hello!");
    for (std::size_t cut = 0; cut < chunked.size() - 4; ++cut)
        EXPECT_NE(read(chunked.substr(0, cut), false), HttpAnswerState::Complete) << cut;
    EXPECT_EQ(read(chunked.substr(0, chunked.size() - 8), true), HttpAnswerState::Malformed);
    EXPECT_EQ(read("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", false),
              HttpAnswerState::Malformed);
    EXPECT_EQ(read("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nhiX", false),
              HttpAnswerState::Malformed);
}

TEST(RouterHttp, WhatIsNotHttpOrContradictsItselfIsRefused) {
    for (const char* raw : {"garbage\r\n\r\n", "HTTP/1.1 20 OK\r\n\r\n", "HTTP/1.1 999 X\r\n\r\n",
                            "HTTP/1.1 2x0 OK\r\n\r\n", "ICY 200 OK\r\n\r\n",
                            "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 3\r\n\r\nabc",
                            "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n",
                            "HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\n",
                            "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\n\r\nabc"})
        EXPECT_EQ(read(raw, true), HttpAnswerState::Malformed) << raw;
}

TEST(RouterHttp, AddressesOfDevices) {
    auto u = parseHttpUrl("http://192.168.1.1:5000/rootDesc.xml");
    ASSERT_TRUE(u);
    EXPECT_EQ(u->host, "192.168.1.1");
    EXPECT_EQ(u->port, 5000);
    EXPECT_EQ(u->path, "/rootDesc.xml");
    u = parseHttpUrl("HTTP://[fe80::1]/ctl?x=1");
    ASSERT_TRUE(u);
    EXPECT_EQ(u->host, "fe80::1");
    EXPECT_EQ(u->port, 80);
    EXPECT_EQ(u->path, "/ctl?x=1");
    u = parseHttpUrl("http://router.lan:1900?x");
    ASSERT_TRUE(u);
    EXPECT_EQ(u->path, "/?x");
    EXPECT_EQ(parseHttpUrl("http://10.0.0.1")->path, "/");
    for (const char* bad :
         {"https://10.0.0.1/", "10.0.0.1/x", "http://", "http://:80/", "http://10.0.0.1:0/",
          "http://10.0.0.1:70000/", "http://10.0.0.1:x/", "http://user@10.0.0.1/",
          "http://[fe80::1/", "http://[::1]x/", "http://10.0.0.1/a b",
          "http://10.0.0.1/a\r\nHost: evil", "http://10.0.0.1\r\nX: y/", "http://a b/"})
        EXPECT_FALSE(parseHttpUrl(bad)) << bad;
}
