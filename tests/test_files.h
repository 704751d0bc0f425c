// Small files the tests write for themselves.
#pragma once
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// Writes a 24-bit BMP of w x h whose pixel (x, y) is colour(x, y), 0x00BBGGRR.
inline void WriteBmp(const std::string& path, int w, int h, const std::function<uint32_t(int, int)>& colour) {
    int rowBytes = (w * 3 + 3) & ~3;
    uint32_t dataSize = static_cast<uint32_t>(rowBytes * h);
    std::vector<uint8_t> f(54 + dataSize, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) f[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    f[0] = 'B', f[1] = 'M';
    put32(2, static_cast<uint32_t>(f.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(w));
    put32(22, static_cast<uint32_t>(h));
    f[26] = 1;
    f[28] = 24;
    put32(34, dataSize);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t c = colour(x, y);
            size_t at = 54 + static_cast<size_t>(h - 1 - y) * rowBytes + static_cast<size_t>(x) * 3;
            f[at] = static_cast<uint8_t>(c >> 16);    // blue
            f[at + 1] = static_cast<uint8_t>(c >> 8); // green
            f[at + 2] = static_cast<uint8_t>(c);      // red
        }
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return;
    std::fwrite(f.data(), 1, f.size(), out);
    std::fclose(out);
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return;
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
}
