// A block device that fails chosen sectors as a dying disk does: every read that touches one of them fails
// with EIO (the Windows data error, 23) and gives no bytes. Used by the tests and by the harness, whose
// SALVIX_E2E_BAD_SECTORS names the sectors ("2048-2055,90000": 512-byte sectors of the image).
#pragma once

#include "platform/BlockDevice.h"
#include "platform/Errors.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

class FailingSectorsBlockDevice : public plat::IBlockDevice {
public:
    // Sector intervals [first, last] in units of 512 bytes.
    using Ranges = std::vector<std::pair<uint64_t, uint64_t>>;

    FailingSectorsBlockDevice(std::unique_ptr<plat::IBlockDevice> inner, Ranges bad)
        : m_inner(std::move(inner)), m_bad(std::move(bad))
    {
    }

    // "A-B,C,...": null when the text is not such a list.
    static std::optional<Ranges> Parse(const std::string& text)
    {
        Ranges out;
        size_t at = 0;
        while (at <= text.size()) {
            const size_t comma = std::min(text.find(',', at), text.size());
            const std::string item = text.substr(at, comma - at);
            at = comma + 1;
            if (item.empty()) {
                if (comma == text.size()) break;
                continue;
            }
            const size_t dash = item.find('-');
            const auto number = [](const std::string& s) -> std::optional<uint64_t> {
                if (s.empty() || s.find_first_not_of("0123456789") != std::string::npos || s.size() > 19)
                    return std::nullopt;
                return std::strtoull(s.c_str(), nullptr, 10);
            };
            const auto first = number(item.substr(0, dash));
            const auto last = dash == std::string::npos ? first : number(item.substr(dash + 1));
            if (!first || !last || *last < *first) return std::nullopt;
            out.emplace_back(*first, *last);
        }
        if (out.empty()) return std::nullopt;
        return out;
    }

    bool ReadAt(uint64_t offset, void* buffer, size_t size, size_t* bytesRead, uint32_t* error) override
    {
        const uint64_t first = offset / 512;
        const uint64_t last = size ? (offset + size - 1) / 512 : first;
        for (const auto& [a, b] : m_bad) {
            if (size && a <= last && b >= first) {
                if (bytesRead) *bytesRead = 0;
                if (error) *error = plat::kErrCrc;
                ++m_failedReads;
                return false;
            }
        }
        return m_inner->ReadAt(offset, buffer, size, bytesRead, error);
    }
    bool GetGeometry(plat::DiskGeometry* geometry) override { return m_inner->GetGeometry(geometry); }
    bool GetLength(uint64_t* bytes) override { return m_inner->GetLength(bytes); }
    uint64_t ReadCapacity10(int target) override { return m_inner->ReadCapacity10(target); }

    uint64_t FailedReads() const { return m_failedReads; }

private:
    std::unique_ptr<plat::IBlockDevice> m_inner;
    Ranges m_bad;
    std::atomic<uint64_t> m_failedReads{0};
};

} // namespace testsupport
