#pragma once

// Reads the central directory of a ZIP archive: what an entry holds once uncompressed, so that
// a writer can check the archive a library made.

#include <cstdint>
#include <optional>
#include <string_view>

// The uncompressed size of the entry `name` of the archive open on `descriptor` (read with
// pread, the file offset is left alone); nothing when the archive is malformed or has no such
// entry. ZIP64 sizes and offsets are read too.
std::optional<uint64_t> ZipEntrySize(int descriptor, std::string_view name);
