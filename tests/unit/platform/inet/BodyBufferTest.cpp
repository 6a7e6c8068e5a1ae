#include "platform/inet/BodyBuffer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using kvr::inet::BodyBuffer;

// Random pieces in, random reads out, against a plain string: order kept across the ring's
// wrap, a piece that does not fit refused whole, never more held than the capacity.
TEST(BodyBuffer, KeepsOrderAndItsBoundAtRandomCutPoints) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 rng(seed);
        BodyBuffer buf(1000);
        std::string source(20000, '\0');
        for (auto& c : source)
            c = static_cast<char>(rng());
        std::size_t sent = 0;
        std::string got;
        while (got.size() < source.size()) {
            std::size_t n = std::min<std::size_t>(rng() % 400 + 1, source.size() - sent);
            if (n > 0) {
                std::size_t before = buf.size();
                bool fits = n <= buf.capacity() - before;
                ASSERT_EQ(buf.put(source.data() + sent, n), fits);
                if (fits)
                    sent += n;
                ASSERT_EQ(buf.size(), before + (fits ? n : 0));
            }
            auto out = buf.take(rng() % 300);
            got.append(out.begin(), out.end());
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
    auto two = buf.take(100);
    EXPECT_EQ(std::string(two.begin(), two.end()), "ab");
    EXPECT_TRUE(buf.put("0123456789", 10));
    auto all = buf.take(100);
    EXPECT_EQ(std::string(all.begin(), all.end()), "0123456789");
    EXPECT_TRUE(buf.take(5).empty());
}
