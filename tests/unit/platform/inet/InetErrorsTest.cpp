#include "platform/inet/InetErrors.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <map>

using namespace kvr::inet;

// Every engine failure is a coded failure with one text per code. The codes the test
// servers produce (12029, 12002, 12030, 12031, 12152, 12045) are checked where they occur.
TEST(InetErrors, EveryEngineFailureHasACodeAndEachCodeOneText) {
    EXPECT_EQ(inet_error_from_curl(CURLE_OK).code, 0);
    EXPECT_EQ(inet_error_from_curl(CURLE_OK).text, "");
    std::map<std::int32_t, std::string> text_of;
    for (int c = 1; c < CURL_LAST; ++c) {
        InetError e = inet_error_from_curl(c);
        ASSERT_NE(e.code, 0) << "engine code " << c << " reported as success";
        ASSERT_FALSE(e.text.empty()) << c;
        auto [it, added] = text_of.emplace(e.code, e.text);
        EXPECT_EQ(it->second, e.text) << "code " << e.code << " with two texts";
    }
    EXPECT_EQ(text_of[12029], "Não foi possível estabelecer conexão com o servidor");
    // A name that does not resolve (no test server can produce it: loopback only).
    EXPECT_EQ(inet_error_from_curl(CURLE_COULDNT_RESOLVE_HOST).code, 12007);
    // Anything unlisted is an internal error.
    EXPECT_EQ(inet_error_from_curl(CURLE_FTP_WEIRD_PASV_REPLY).code, 12004);
}
