// SHA-256 for comparing test data with the digests the fixture manifests hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// SHA-256 of bytes as 64 lower-case hex digits.
std::string Sha256Hex(const uint8_t* data, size_t size);
inline std::string Sha256Hex(const std::vector<uint8_t>& data)
{
    return Sha256Hex(data.data(), data.size());
}

} // namespace testsupport
