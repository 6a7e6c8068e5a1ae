#include "platform/inet/ResponseHeaders.h"

#include <gtest/gtest.h>

#include <string>

using kvr::inet::ResponseHeaders;

// What the engine hands over (one header line after each "\n") and what the caller sees: only
// the final response's lines, and nothing until that response is known to be final. Plain
// answers, interim 100s, redirect hops and failures before any answer are checked against the
// scripted server.
TEST(ResponseHeaders, OnlyTheFinalResponsesLinesRemain) {
    enum class End { None, Body, Transfer };
    // what, the lines, how far the transfer got, final, the text then
    const std::tuple<const char*, std::string, End, bool, std::string> rows[] = {
        {"bare line feeds", "HTTP/1.1 200\nA: b\n\n", End::None, true, "HTTP/1.1 200\r\nA: b"},
        {"after an interim answer", "HTTP/1.1 100 Continue\r\n\r\n", End::None, false, ""},
        {"headers still coming", "HTTP/1.1 200 OK\r\nA: b\r\n", End::None, false, ""},
        {"a 3xx with Location waits", "HTTP/1.1 302 Found\r\nLocation: /b\r\n\r\n", End::None,
         false, ""},
        {"a 3xx with Location is final once its body comes",
         "HTTP/1.1 302 Found\r\nLocation: /b\r\n\r\n", End::Body, true,
         "HTTP/1.1 302 Found\r\nLocation: /b"},
        {"a 3xx with Location is final when the transfer ends",
         "HTTP/1.1 307 Temporary Redirect\r\nLocation: /b\r\n\r\n", End::Transfer, true,
         "HTTP/1.1 307 Temporary Redirect\r\nLocation: /b"},
        {"a 3xx without Location is final", "HTTP/1.1 304 Not Modified\r\n\r\n", End::None, true,
         "HTTP/1.1 304 Not Modified"},
        {"201 with Location is final", "HTTP/1.1 201 Created\r\nLocation: http://h/x\r\n\r\n",
         End::None, true, "HTTP/1.1 201 Created\r\nLocation: http://h/x"},
        {"trailers ignored",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nX-Trailer: 1\r\n\r\n", End::Transfer,
         true, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked"},
        {"only an interim answer before a failure", "HTTP/1.1 100 Continue\r\n\r\n", End::Transfer,
         true, ""},
    };
    for (const auto& [name, lines, end, final, text] : rows) {
        ResponseHeaders h;
        for (std::size_t at = 0, eol; at < lines.size(); at = eol + 1) {
            eol = lines.find('\n', at);
            h.add_line(lines.substr(at, eol - at + 1));
        }
        if (end == End::Body)
            h.body_started();
        if (end == End::Transfer)
            h.transfer_ended();
        EXPECT_EQ(h.final(), final) << name;
        EXPECT_EQ(h.text(), text) << name;
        h.clear();
        EXPECT_FALSE(h.final());
        EXPECT_EQ(h.text(), "");
    }
}
