// FormatarTamanho's thresholds are powers of ten, its divisors powers of two.
#include "transfer/frmKVRProgress.h"

#include <gtest/gtest.h>

using kvr::frmKVRProgress;

TEST(FormatarTamanho, UnitsAndRounding) {
    const std::pair<double, const char*> casos[] = {
        {0, "0 bytes"},       {999, "999 bytes"},         {1000, "1 KB"}, // 0.98 KB
        {2560, "2 KB"},                          // 2.5 rounds to the even 2
        {3584, "4 KB"},                          // 3.5 rounds to the even 4
        {999999, "977 KB"},   {1000000, "1 MB"}, // 0.95 MB
        {1500000000, "1 GB"}, {999999999999.0, "931 GB"}, {1e12, "1 TB"},
    };
    for (const auto& [bytes, texto] : casos)
        EXPECT_EQ(frmKVRProgress::FormatarTamanho(bytes), texto) << bytes;
}

TEST(FormatarTempo, HoursMinutesSeconds) {
    const std::pair<double, const char*> casos[] = {
        {0, "< 1s"},          {0.4, "< 1s"},       {0.5, "< 1s"}, // halves to even: 0
        {1.5, "2s"},          {59.7, "60s"}, // seconds are rounded after the minutes were taken
        {60, "1min "},        {61, "1min 1s"},     {3599.6, "59min 60s"}, {3600, "1h "},
        {3723, "1h 2min 3s"}, {5400, "1h 30min "}, // 1.5 h rounds to 2, then back to the floor
        {7200, "2h "},
    };
    for (const auto& [segundos, texto] : casos)
        EXPECT_EQ(frmKVRProgress::FormatarTempo(segundos), texto) << segundos;
}

TEST(CompletarURL, AppendsTheLocalNameOnlyWhenTheURLNamesNoFile) {
    const std::tuple<const char*, const char*, const char*> casos[] = {
        {"/tmp/fotos/foto.jpg", "http://h/dir/", "http://h/dir/foto.jpg"},
        {"/tmp/fotos/foto.jpg", "http://h/dir", "http://h/dir/foto.jpg"},
        {"/tmp/fotos/foto.jpg", "http://h/dir/novo.jpg", "http://h/dir/novo.jpg"},
        {"/tmp/fotos/foto.jpg", "http://www.exemplo.com.br", "http://www.exemplo.com.br"},
        {"foto.jpg", "http://h/d/", "http://h/d/foto.jpg"},
        {"/tmp/backup.old/rel", "http://h/d", "http://h/d/rel"},
        {"", "http://h/d", "http://h/d/"}, // the dialog mode, before the dialog
    };
    for (const auto& [local, given, resultado] : casos) {
        std::string url = given;
        frmKVRProgress::CompletarURL(local, url);
        EXPECT_EQ(url, resultado) << local << " + " << given;
    }
}
