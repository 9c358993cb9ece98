// The page I/O of an NDX index: the storage it reads and writes, and the
// fixed cache of the most recently used pages in front of it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace talven {

constexpr std::size_t ndx_page_size = 512;

// Page I/O of an index file: byte ranges at byte offsets, each call true
// only when the whole range went through. The table layer's block-cached
// file implements it for real files; tests use memory.
class NdxStorage {
public:
    virtual ~NdxStorage() = default;
    virtual bool read(std::uint64_t offset, void* bytes, std::size_t count) = 0;
    virtual bool write(std::uint64_t offset, const void* bytes, std::size_t count) = 0;
    // The file's size in bytes; page numbers at or beyond it are refused.
    virtual std::uint64_t size() = 0;
    // False when the system reports a failure only at closing.
    virtual bool close() = 0;
};

// The 32 most recently used pages of one index file. A changed page stays
// in the cache, marked dirty, until its slot is taken for another page or
// the cache is flushed. Page numbers are not checked here: the tree checks
// them before it asks.
class NdxPageCache {
public:
    static constexpr int capacity = 32;

    explicit NdxPageCache(std::unique_ptr<NdxStorage> storage);
    NdxPageCache(const NdxPageCache&) = delete;
    NdxPageCache& operator=(const NdxPageCache&) = delete;

    NdxStorage& storage() { return *m_storage; }

    // The bytes of a page, read when it is not cached; valid until the
    // next call. Null on failure, and failed_step() names it.
    const std::uint8_t* read(std::uint32_t page);
    // Gives a page new bytes. A page that is not cached is also written to
    // the file at once: that is how a new page first reaches the file.
    bool write(std::uint32_t page, const std::uint8_t* bytes);
    // Writes the dirty pages in ascending page order, the header page (0)
    // last, so that the header never describes pages not yet written.
    // Every page is tried; false when any write failed.
    bool flush();

    // What the last failed call was doing: "Ndx_Get" (reading the page),
    // "Ndx_Put/New" (writing a page not cached), or, when a dirty page
    // had to leave its slot first, "Ndx_Get/Put" for a read and "Ndx_Put"
    // for a write.
    std::string_view failed_step() const { return m_failed_step; }

private:
    struct Slot {
        std::int64_t page = -1;
        bool dirty = false;
        std::array<std::uint8_t, ndx_page_size> bytes{};
    };

    int find(std::uint32_t page) const;
    void to_front(int slot);
    bool write_back(Slot& slot);
    // The least recently used slot, emptied for a new page; -1 when its
    // dirty page could not be written.
    int take_last();

    std::unique_ptr<NdxStorage> m_storage;
    std::array<Slot, capacity> m_slots{};
    std::array<std::uint8_t, capacity> m_order{};  // slot numbers, most recent first
    std::string_view m_failed_step;
};

} // namespace talven
