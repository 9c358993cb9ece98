// Icon files (.ICO, and .CUR of the same layout) as far as the runtime reads
// them itself: enough to count their icons and to keep a damaged one away
// from the platform's reader. Every byte is untrusted.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace talven {

class HostFileSystem;

// Not an icon file (no such file, or another kind, left to the platform), a
// sound one, or one that claims to be an icon file and is not sound.
enum class IconFileKind : std::uint8_t { NotIcon, Icon, Damaged };

namespace ico {
constexpr std::size_t header_size = 6;
constexpr std::size_t entry_size = 16;
// Icon files beyond this size are refused unread.
constexpr std::uint64_t max_file_size = std::uint64_t{1} << 24;
} // namespace ico

IconFileKind inspect_icon_file(std::span<const std::uint8_t> file);

// Reads a file by its program name: only its first bytes, unless they are an
// icon file's.
IconFileKind read_icon_file(HostFileSystem& files, std::string_view name);

} // namespace talven
