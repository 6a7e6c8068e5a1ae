// Measures a download through the transfer control the way the download routine reads it:
// GetChunk(1024) into a buffered file writer. Prints bytes, seconds and MB/s as one line.
//   inet_get URL OUTPUT
// Build against the inet module, e.g. (RelWithDebInfo tree in build-rel):
//   g++ -O2 -std=c++20 -Isrc bench/inet_get.cpp build-rel/src/libkvr_inet.a
//       build-rel/src/libkvr_sys.a build-rel/src/libkvr_automation.a -lcurl -o inet_get
#include "platform/automation/ComError.h"
#include "platform/inet/Inet.h"

#include <chrono>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s URL OUTPUT\n", argv[0]);
        return 2;
    }
    std::FILE* out = std::fopen(argv[2], "wb");
    if (!out) {
        std::perror(argv[2]);
        return 1;
    }
    std::vector<char> buffer(1 << 20);
    std::setvbuf(out, buffer.data(), _IOFBF, buffer.size());

    auto start = std::chrono::steady_clock::now();
    kvr::inet::Inet inet;
    long long total = 0;
    try {
        inet.Execute(argv[1], "GET");
        while (inet.StillExecuting()) {
        }
        if (inet.ResponseCode() != 0) {
            std::fprintf(stderr, "%d - %s\n", inet.ResponseCode(), inet.ResponseInfo().c_str());
            return 1;
        }
        for (;;) {
            kvr::ByteArray chunk = inet.GetChunk(1024, kvr::inet::icByteArray);
            if (chunk.empty())
                break;
            if (std::fwrite(chunk.data(), 1, chunk.size(), out) != chunk.size()) {
                std::perror("fwrite");
                return 1;
            }
            total += static_cast<long long>(chunk.size());
        }
    } catch (const kvr::ComError& e) {
        std::fprintf(stderr, "%s\n", e.numbered_text().c_str());
        return 1;
    }
    if (std::fclose(out) != 0) {
        std::perror("fclose");
        return 1;
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("bytes=%lld seconds=%.3f MBps=%.1f peak_buffer=%zu\n", total, seconds,
                total / seconds / 1e6, inet.buffered_peak());
    return 0;
}
