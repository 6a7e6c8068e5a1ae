#include "platform/inet/InetErrors.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <map>

using namespace kvr::inet;

TEST(InetErrors, EngineCodesMapToTheInternetLibrarysCodes) {
    struct Row {
        CURLcode engine;
        std::int32_t expected;
    };
    const Row rows[] = {
        {CURLE_COULDNT_CONNECT, 12029},
        {CURLE_COULDNT_RESOLVE_HOST, 12007},
        {CURLE_COULDNT_RESOLVE_PROXY, 12007},
        {CURLE_OPERATION_TIMEDOUT, 12002},
        {CURLE_PARTIAL_FILE, 12030},
        {CURLE_SEND_ERROR, 12030},
        {CURLE_RECV_ERROR, 12031},
        {CURLE_GOT_NOTHING, 12152},
        {CURLE_WEIRD_SERVER_REPLY, 12152},
        {CURLE_UNSUPPORTED_PROTOCOL, 12152},
        {CURLE_TOO_MANY_REDIRECTS, 12156},
        {CURLE_SSL_CONNECT_ERROR, 12157},
        {CURLE_PEER_FAILED_VERIFICATION, 12045},
        {CURLE_SSL_CACERT_BADFILE, 12175},
        {CURLE_URL_MALFORMAT, 12005},
        {CURLE_ABORTED_BY_CALLBACK, 12017},
        {CURLE_LOGIN_DENIED, 12015},
        {CURLE_OUT_OF_MEMORY, 8},
        {CURLE_FTP_WEIRD_PASV_REPLY, 12004}, // anything unlisted is an internal error
    };
    for (const auto& r : rows) {
        InetError e = inet_error_from_curl(r.engine);
        EXPECT_EQ(e.code, r.expected) << curl_easy_strerror(r.engine);
        EXPECT_FALSE(e.text.empty()) << r.expected;
    }
}

TEST(InetErrors, OnlySuccessIsNoErrorAndEachCodeHasOneText) {
    InetError ok = inet_error_from_curl(CURLE_OK);
    EXPECT_EQ(ok.code, 0);
    EXPECT_EQ(ok.text, "");

    std::map<std::int32_t, std::string> text_of;
    for (int c = 1; c < CURL_LAST; ++c) {
        InetError e = inet_error_from_curl(c);
        ASSERT_NE(e.code, 0) << "engine code " << c << " reported as success";
        ASSERT_FALSE(e.text.empty()) << c;
        auto [it, added] = text_of.emplace(e.code, e.text);
        EXPECT_EQ(it->second, e.text) << "code " << e.code << " with two texts";
    }
    EXPECT_EQ(text_of[12029], "Não foi possível estabelecer conexão com o servidor");
}
