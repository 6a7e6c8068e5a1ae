#include "platform/inet/InetErrors.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <map>

using namespace kvr::inet;

// Every engine failure is a coded failure with one text per code. The codes the scripted
// and real servers produce (12029, 12002, 12030, 12031, 12152, 12045) are checked against
// them; here only those no test server produces, and the fallback for anything unlisted.
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
    const std::pair<CURLcode, std::int32_t> rows[] = {
        {CURLE_COULDNT_RESOLVE_HOST, 12007}, {CURLE_TOO_MANY_REDIRECTS, 12156},
        {CURLE_SSL_CONNECT_ERROR, 12157},    {CURLE_URL_MALFORMAT, 12005},
        {CURLE_ABORTED_BY_CALLBACK, 12017},  {CURLE_OUT_OF_MEMORY, 8},
        {CURLE_FTP_WEIRD_PASV_REPLY, 12004}, // anything unlisted is an internal error
    };
    for (auto [engine, expected] : rows)
        EXPECT_EQ(inet_error_from_curl(engine).code, expected) << curl_easy_strerror(engine);
}
