#include "platform/inet/BodyBuffer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using kvr::inet::BodyBuffer;

static std::string take(BodyBuffer& buf, std::size_t n) {
    auto out = buf.take(n);
    return {out.begin(), out.end()};
}

// Random pieces in, random reads out, against a plain string: order kept across the ring's
// wrap, a piece that does not fit refused whole, never more held than the capacity.
TEST(BodyBuffer, KeepsOrderAndItsBoundAtRandomCutPoints) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 rng(seed);
        BodyBuffer buf(1000);
        std::string source(20000, '\0'), got;
        for (auto& c : source)
            c = static_cast<char>(rng());
        for (std::size_t sent = 0; got.size() < source.size(); got += take(buf, rng() % 300)) {
            std::size_t n = std::min<std::size_t>(rng() % 400 + 1, source.size() - sent);
            std::size_t before = buf.size();
            bool fits = n <= buf.capacity() - before;
            ASSERT_EQ(buf.put(source.data() + sent, n), fits);
            sent += fits ? n : 0;
            ASSERT_EQ(buf.size(), before + (fits ? n : 0));
            ASSERT_LE(buf.size(), 1000u);
        }
        ASSERT_EQ(got, source) << "seed " << seed;
        EXPECT_LE(buf.peak(), 1000u);
        EXPECT_TRUE(buf.empty());
    }
}

TEST(BodyBuffer, APieceLargerThanTheCapacityIsTakenOnlyWhenEmpty) {
    BodyBuffer buf(8);
    EXPECT_TRUE(buf.put("ab", 2));
    EXPECT_FALSE(buf.put("0123456789", 10));
    EXPECT_EQ(take(buf, 100), "ab");
    EXPECT_TRUE(buf.put("0123456789", 10));
    EXPECT_EQ(take(buf, 100), "0123456789");
    EXPECT_TRUE(buf.take(5).empty());
}
