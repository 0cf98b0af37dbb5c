// Replacing whole entries of a zip package (an .xlsx) in place.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

// Rewrites the zip file `archivo` with the entries named in `nuevas` replaced by the given
// contents (stored without compression); every other entry is copied byte for byte in its
// compressed form. Entries named in `nuevas` that the package does not have are added at the
// end. EInOutError when the file cannot be read or written or is not a zip file this routine
// understands (no multi-disk archives, no zip64).
void ReemplazarEntradasZip(const std::filesystem::path& archivo,
                           const std::map<std::string, std::string>& nuevas);

// CRC-32 of the zip format (polynomial 0xEDB88320), for tests.
uint32_t Crc32Zip(const std::string& datos);
