#include "platform/inet/ResponseHeaders.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using kvr::inet::ResponseHeaders;

// What the engine hands over, line by line, and what the caller must see of it.
TEST(ResponseHeaders, OnlyTheFinalResponsesLinesRemain) {
    enum class End { None, Body, Transfer };
    struct Row {
        const char* name;
        std::vector<std::string> lines;
        End end;
        bool final;
        std::string text;
    };
    const Row rows[] = {
        {"plain",
         {"HTTP/1.1 200 OK\r\n", "Content-Length: 3\r\n", "\r\n"},
         End::None,
         true,
         "HTTP/1.1 200 OK\r\nContent-Length: 3"},
        {"bare line feeds",
         {"HTTP/1.1 200\n", "A: b\n", "\n"},
         End::None,
         true,
         "HTTP/1.1 200\r\nA: b"},
        {"interim answers dropped",
         {"HTTP/1.1 100 Continue\r\n", "\r\n", "HTTP/1.1 102 Processing\r\n", "\r\n",
          "HTTP/1.1 201 Created\r\n", "Content-Length: 0\r\n", "\r\n"},
         End::None,
         true,
         "HTTP/1.1 201 Created\r\nContent-Length: 0"},
        {"after an interim answer, not final yet",
         {"HTTP/1.1 100 Continue\r\n", "\r\n"},
         End::None,
         false,
         ""},
        {"headers still coming", {"HTTP/1.1 200 OK\r\n", "A: b\r\n"}, End::None, false, ""},
        {"redirection hops dropped",
         {"HTTP/1.1 302 Found\r\n", "Location: /b\r\n", "\r\n", "HTTP/1.1 301 Moved\r\n",
          "location: /c\r\n", "\r\n", "HTTP/1.1 200 OK\r\n", "X: 1\r\n", "\r\n"},
         End::Body,
         true,
         "HTTP/1.1 200 OK\r\nX: 1"},
        {"a 3xx with Location is final once its body comes",
         {"HTTP/1.1 302 Found\r\n", "Location: /b\r\n", "\r\n"},
         End::Body,
         true,
         "HTTP/1.1 302 Found\r\nLocation: /b"},
        {"a 3xx with Location is final when the transfer ends",
         {"HTTP/1.1 307 Temporary Redirect\r\n", "Location: /b\r\n", "\r\n"},
         End::Transfer,
         true,
         "HTTP/1.1 307 Temporary Redirect\r\nLocation: /b"},
        {"a 3xx with Location waits",
         {"HTTP/1.1 302 Found\r\n", "Location: /b\r\n", "\r\n"},
         End::None,
         false,
         ""},
        {"a 3xx without Location is final",
         {"HTTP/1.1 304 Not Modified\r\n", "\r\n"},
         End::None,
         true,
         "HTTP/1.1 304 Not Modified"},
        {"201 with Location is final",
         {"HTTP/1.1 201 Created\r\n", "Location: http://h/x\r\n", "\r\n"},
         End::None,
         true,
         "HTTP/1.1 201 Created\r\nLocation: http://h/x"},
        {"trailers ignored",
         {"HTTP/1.1 200 OK\r\n", "Transfer-Encoding: chunked\r\n", "\r\n", "X-Trailer: 1\r\n",
          "\r\n"},
         End::Transfer,
         true,
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked"},
        {"nothing before a failure", {}, End::Transfer, true, ""},
        {"only an interim answer before a failure",
         {"HTTP/1.1 100 Continue\r\n", "\r\n"},
         End::Transfer,
         true,
         ""},
    };
    for (const auto& r : rows) {
        ResponseHeaders h;
        for (const auto& l : r.lines)
            h.add_line(l);
        if (r.end == End::Body)
            h.body_started();
        if (r.end == End::Transfer)
            h.transfer_ended();
        EXPECT_EQ(h.final(), r.final) << r.name;
        EXPECT_EQ(h.text(), r.text) << r.name;
        h.clear();
        EXPECT_FALSE(h.final());
        EXPECT_EQ(h.text(), "");
    }
}
