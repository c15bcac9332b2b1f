// Writes a seed for the paged fuzz device: the pages of an image range that are not all zero, each as a
// 32-bit little-endian page number (counted from the range's start) and the page's 4096 bytes.
// Usage: salvix-pageseed <image> <output> <first byte> <byte count> [most pages] [tables]
// With "tables" only the first 9 pages and pages holding a sector that ends in 0x55 0xAA are kept (the
// partition tables and boot records of a disk, not its file systems' data).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s <image> <output> <first byte> <byte count> [most pages] [tables]\n", argv[0]);
        return 2;
    }
    constexpr uint64_t kPage = 4096;
    const uint64_t first = std::strtoull(argv[3], nullptr, 0);
    const uint64_t count = std::strtoull(argv[4], nullptr, 0);
    const uint64_t most = argc > 5 ? std::strtoull(argv[5], nullptr, 0) : 512;
    const bool tablesOnly = argc > 6 && std::string(argv[6]) == "tables";
    std::ifstream in(argv[1], std::ios::binary);
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    if (!in || !out) {
        std::fprintf(stderr, "salvix-pageseed: cannot open %s or %s\n", argv[1], argv[2]);
        return 1;
    }
    in.seekg(std::streamoff(first));
    std::vector<char> page(kPage);
    uint64_t written = 0;
    for (uint64_t n = 0; n * kPage < count && written < most; ++n) {
        page.assign(kPage, 0);
        in.read(page.data(), std::streamsize(kPage));
        if (in.gcount() <= 0) break;
        bool empty = true;
        for (char c : page) empty = empty && c == 0;
        if (empty) continue;
        if (tablesOnly && n >= 9) {
            bool marked = false;
            for (uint64_t s = 0; s < kPage; s += 512)
                marked = marked || (uint8_t(page[s + 510]) == 0x55 && uint8_t(page[s + 511]) == 0xAA);
            if (!marked) continue;
        }
        const char number[4] = {char(n), char(n >> 8), char(n >> 16), char(n >> 24)};
        out.write(number, 4);
        out.write(page.data(), std::streamsize(kPage));
        ++written;
    }
    return out ? 0 : 1;
}
