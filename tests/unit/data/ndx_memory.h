// Index files in memory for the NDX tests, with switches that make reads or
// writes fail, and a reader that walks the B-tree straight from the bytes.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "data/ndx_index.h"

namespace talven::testing {

struct MemoryFile {
    std::vector<std::uint8_t> bytes;
    int reads = 0;
    int writes = 0;
    int fail_reads_after = -1;   // reads that still succeed; -1 for all
    int fail_writes_after = -1;
    bool closed = false;
};

class MemoryStorage final : public NdxStorage {
public:
    explicit MemoryStorage(MemoryFile& file) : m_file(file) {}
    bool read(std::uint64_t offset, void* out, std::size_t count) override
    {
        if (m_file.fail_reads_after == 0)
            return false;
        if (m_file.fail_reads_after > 0)
            --m_file.fail_reads_after;
        ++m_file.reads;
        if (offset + count > m_file.bytes.size())
            return false;
        std::memcpy(out, m_file.bytes.data() + offset, count);
        return true;
    }
    bool write(std::uint64_t offset, const void* in, std::size_t count) override
    {
        if (m_file.fail_writes_after == 0)
            return false;
        if (m_file.fail_writes_after > 0)
            --m_file.fail_writes_after;
        ++m_file.writes;
        if (offset + count > m_file.bytes.size())
            m_file.bytes.resize(offset + count);
        std::memcpy(m_file.bytes.data() + offset, in, count);
        return true;
    }
    std::uint64_t size() override { return m_file.bytes.size(); }
    bool close() override
    {
        m_file.closed = true;
        return true;
    }

private:
    MemoryFile& m_file;
};

inline std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t{b[at + 3]} << 24;
}
inline std::uint16_t le16(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

struct TreeEntry {
    std::string key;
    std::int32_t record = 0;
    friend bool operator==(const TreeEntry&, const TreeEntry&) = default;
};

// Walks the tree from the root as a foreign reader would and checks its
// shape: every page within the file and its key count within the maximum,
// the bytes past the last entry zero, every separator the greatest key of
// its subtree, all leaves on one level. Appends the leaf entries in order.
class TreeWalker {
public:
    explicit TreeWalker(const std::vector<std::uint8_t>& file) : b(file)
    {
        root = le32(b, 0);
        next_free = le32(b, 4);
        key_length = le16(b, 12);
        max_keys = le16(b, 14);
        entry_size = le16(b, 18);
    }

    std::vector<TreeEntry> walk()
    {
        std::vector<TreeEntry> out;
        std::string greatest;
        int leaf_depth = -1;
        visit(root, 0, out, greatest, leaf_depth);
        return out;
    }

    std::vector<std::string> problems;
    std::uint32_t root, next_free;
    std::uint16_t key_length, max_keys, entry_size;
    int pages_seen = 0;

private:
    void visit(std::uint32_t page, int depth, std::vector<TreeEntry>& out, std::string& greatest, int& leaf_depth)
    {
        ++pages_seen;
        std::size_t base = std::size_t{page} * 512;
        if (page == 0 || page >= next_free || base + 512 > b.size() || depth > 40) {
            problems.push_back("page out of range " + std::to_string(page));
            return;
        }
        std::uint32_t k = le32(b, base);
        if (k > max_keys) {
            problems.push_back("too many keys in page " + std::to_string(page));
            return;
        }
        bool inner = le32(b, base + 4) != 0;
        std::size_t used = 4 + k * entry_size + (inner ? 4 : 0);
        for (std::size_t i = used; i < 512; ++i)
            if (b[base + i] != 0) {
                problems.push_back("bytes after the entries in page " + std::to_string(page));
                break;
            }
        auto key_at = [&](std::size_t i) {
            return std::string(reinterpret_cast<const char*>(b.data() + base + 4 + i * entry_size + 8), key_length);
        };
        if (!inner) {
            if (leaf_depth < 0)
                leaf_depth = depth;
            else if (leaf_depth != depth)
                problems.push_back("leaves on different levels");
            if (k == 0 && depth > 0)
                problems.push_back("empty leaf " + std::to_string(page));
            for (std::size_t i = 0; i < k; ++i) {
                std::int32_t rec = static_cast<std::int32_t>(le32(b, base + 4 + i * entry_size + 4));
                out.push_back({key_at(i), rec});
                greatest = key_at(i);
            }
            return;
        }
        for (std::size_t i = 0; i <= k; ++i) {
            std::uint32_t child = le32(b, base + 4 + i * entry_size);
            std::size_t before = out.size();
            visit(child, depth + 1, out, greatest, leaf_depth);
            if (i < k && out.size() > before && key_at(i) != greatest)
                problems.push_back("separator is not the greatest key in page " + std::to_string(page));
        }
    }

    const std::vector<std::uint8_t>& b;
};

} // namespace talven::testing
