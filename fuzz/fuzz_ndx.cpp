// The NDX reader and writer: an index file from the input, attached to a
// table of four fields, then walked, searched and changed the way the
// table functions do it, and attached again after it was closed.
//
// Input: the bytes of the index file. A damaged file must give a status,
// never a wild access or an endless walk; every step is bounded.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "data/ndx_index.h"

namespace {

using namespace talven;

class FuzzStorage final : public NdxStorage {
public:
    explicit FuzzStorage(std::vector<std::uint8_t>& bytes) : m_bytes(bytes) {}
    bool read(std::uint64_t offset, void* out, std::size_t count) override
    {
        if (offset > m_bytes.size() || count > m_bytes.size() - offset)
            return false;
        std::memcpy(out, m_bytes.data() + offset, count);
        return true;
    }
    bool write(std::uint64_t offset, const void* in, std::size_t count) override
    {
        // The file may grow by the pages the operations below add, not more.
        if (offset + count > (std::size_t{1} << 22))
            return false;
        if (offset + count > m_bytes.size())
            m_bytes.resize(offset + count);
        std::memcpy(m_bytes.data() + offset, in, count);
        return true;
    }
    std::uint64_t size() override { return m_bytes.size(); }
    bool close() override { return true; }

private:
    std::vector<std::uint8_t>& m_bytes;
};

// A record: deletion flag, NAME C(10), CODE C(4), NUM N(8), DAY D(8).
const NdxField fields[] = {
    {"NAME", 'C', 1, 10},
    {"CODE", 'C', 11, 4},
    {"NUM", 'N', 15, 8},
    {"DAY", 'D', 23, 8},
};

struct Record {
    std::uint8_t bytes[31];
};

Record make_record(std::uint32_t r)
{
    Record rec;
    std::memset(rec.bytes, ' ', sizeof rec.bytes);
    std::string name = std::to_string(r % 97);
    std::memcpy(rec.bytes + 1, name.data(), name.size());
    std::string code = std::to_string(r % 13);
    std::memcpy(rec.bytes + 11, code.data(), code.size());
    std::string num = std::to_string(static_cast<int>(r % 1000) - 500);
    std::memcpy(rec.bytes + 15 + 8 - num.size(), num.data(), num.size());
    std::memcpy(rec.bytes + 23, "20240101", 8);
    return rec;
}

void exercise(NdxIndex& index, std::uint32_t seed)
{
    int steps = 0;
    if (index.first().ok())
        while (!index.at_end() && steps++ < 3000 && index.next().ok()) {
        }
    steps = 0;
    if (index.last().ok())
        while (!index.at_start() && !index.at_end() && steps++ < 3000 && index.previous().ok()) {
        }
    const char* texts[] = {"", "1", "12", "-3", "abc", "20240101", "9 "};
    for (const char* text : texts)
        for (NdxMatch match : {NdxMatch::Prefix, NdxMatch::Exact}) {
            NdxKey key;
            std::int32_t found = 0;
            if (index.search_key(text, match, key).ok())
                index.search(key, match, found);
        }
    bool found = false;
    index.go_to_record(static_cast<std::int32_t>(seed % 50), found);
    Record probe = make_record(seed);
    index.go_to_record(static_cast<std::int32_t>(seed % 37), found, {probe.bytes, sizeof probe.bytes});

    // Appends, then rewrites that change keys and keep them.
    std::uint32_t r = seed;
    for (int i = 1; i <= 60; ++i) {
        r = r * 1103515245u + 12345u;
        Record rec = make_record(r >> 8);
        std::int32_t n = static_cast<std::int32_t>(i <= 40 ? 1000 + i : 1000 + (r >> 16) % 40 + 1);
        std::int32_t previous = i <= 40 ? 0 : n;
        // Rewrites name the bytes they replace every other time, as the
        // table layer does when it has them.
        Record before = make_record(r >> 4);
        std::span<const std::uint8_t> replaced;
        if (i % 2)
            replaced = {before.bytes, sizeof before.bytes};
        NdxStatus s = index.update({rec.bytes, sizeof rec.bytes}, n, previous,
                                   i % 3 ? NdxUpdate::Reposition : NdxUpdate::BuildOnly, replaced);
        if (s.code == ndx_code::bad_file || s.code == ndx_code::page_short)
            break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 65536)
        return -1;
    std::vector<std::uint8_t> file(data, data + size);
    std::uint32_t seed = 0;
    for (std::size_t i = 0; i < size && i < 64; ++i)
        seed = seed * 31 + data[i];

    NdxIndex index;
    if (!index.open("F.NDX", std::make_unique<FuzzStorage>(file), fields).ok())
        return 0;
    exercise(index, seed);
    index.close();

    // What was written must attach again: a header the writes damaged is
    // a finding.
    NdxIndex again;
    if (!again.open("F.NDX", std::make_unique<FuzzStorage>(file), fields).ok())
        __builtin_trap();
    int steps = 0;
    if (again.first().ok())
        while (!again.at_end() && steps++ < 5000 && again.next().ok()) {
        }
    return 0;
}
