#pragma once
// Files of hundreds of megabytes or more for the transfer cases: made fast on disk, compared on
// disk, never held in memory.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

// Bytes that are not all alike, made fast: AES-CTR of zeros, a different stream for each key.
// False when openssl could not make the whole file.
inline bool MakeCipherFile(const std::string& path, uintmax_t size, unsigned key)
{
    char hexKey[33];
    std::snprintf(hexKey, sizeof hexKey, "%032x", key);
    const std::string command = std::string("openssl enc -aes-128-ctr -nosalt -K ") + hexKey +
                                " -iv 0 -in /dev/zero 2>/dev/null | head -c " + std::to_string(size) + " > '" + path + "'";
    std::system(command.c_str());
    std::error_code ec;
    return std::filesystem::file_size(path, ec) == size && !ec;
}

inline bool SameFileBytes(const std::string& a, const std::string& b)
{
    return std::system(("cmp -s '" + a + "' '" + b + "'").c_str()) == 0;
}

// The file's size, or -1 when there is none.
inline int64_t FileSizeOr(const std::string& path)
{
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(path, ec);
    return ec ? -1 : static_cast<int64_t>(size);
}
