// The B-tree of one NDX index file: its header, its pages behind the page
// cache, and the position on one entry. Keys come in already built: the
// tree knows nothing of records or key expressions.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "data/ndx_index.h"
#include "data/ndx_page_cache.h"

namespace talven {

class NdxTree {
public:
    static constexpr int max_depth = 32;

    NdxTree(std::string_view file_name, std::unique_ptr<NdxStorage> storage);
    NdxTree(const NdxTree&) = delete;
    NdxTree& operator=(const NdxTree&) = delete;

    // Reads the header page and checks that it describes a sound tree
    // within the file; code 901 otherwise. A refused file is closed.
    NdxStatus open();
    // The key expression as the header holds it, blanks included.
    std::string_view header_expression() const;
    // Writes the header page and an empty root for a new index.
    static bool write_empty(NdxStorage& storage, const NdxDefinition& definition);
    // Writes the dirty pages and closes the file.
    NdxStatus close();
    // Closes the file without writing: an attach that was refused.
    void abandon() { m_cache.storage().close(); }

    // Searches the key, to the first entry not smaller than it; record is
    // that entry's number when its key equals the key, else 0.
    NdxStatus search(const NdxKey& key, std::int32_t& record);
    NdxStatus first();
    NdxStatus last();
    NdxStatus next();
    NdxStatus previous();
    // Positions on the entry of record n, sought under stored_key first
    // when it is given, then by a walk through the leaves.
    NdxStatus go_to_record(std::int32_t n, bool& found, const NdxKey* stored_key);
    // Files record n under key: previous == n replaces the entry it has
    // (found under stored_key, see go_to_record), unless its key is the
    // same; any other previous inserts a new entry.
    NdxStatus update(const NdxKey& key, std::int32_t n, std::int32_t previous, NdxUpdate how,
                     const NdxKey* stored_key);
    // Takes record n's entry out, when the tree has one. Only a failure of
    // the removal is returned: an entry that cannot be found stays.
    NdxStatus remove(std::int32_t n, const NdxKey* stored_key);
    // The index then stands on no entry.
    void forget_position() { m_at = Position{}; }

    std::int32_t record() const { return m_at.record; }
    bool at_end() const { return m_at.end; }
    bool at_start() const { return m_at.start; }
    std::string_view file_name() const { return m_file_name.view(); }
    NdxKeyType key_type() const { return m_type; }
    std::uint16_t key_length() const { return m_key_length; }

private:
    // One level of the way from the root to the current entry.
    struct Level {
        std::uint32_t page = 0;
        std::uint16_t pos = 0;
        std::uint16_t entries = 0;  // keys in the page
        bool inner = false;
    };
    struct Position {
        std::array<Level, max_depth> path{};
        int depth = 0;
        std::int32_t record = 0;
        bool end = false;
        bool start = false;
    };

    bool fail(std::int32_t code, std::string_view detail);
    bool fail_file() { return fail(ndx_code::bad_file, m_file_name.view()); }

    // Entries of a page.
    std::uint8_t* entry(std::uint8_t* page, std::size_t i) const { return page + 4 + i * m_entry_size; }
    const std::uint8_t* entry(const std::uint8_t* page, std::size_t i) const { return page + 4 + i * m_entry_size; }
    std::uint32_t left_of(const std::uint8_t* page, std::size_t i) const;
    std::int32_t record_of(const std::uint8_t* page, std::size_t i) const;
    const std::uint8_t* key_of(const std::uint8_t* page, std::size_t i) const { return entry(page, i) + 8; }
    int compare(const std::uint8_t* page_key, const NdxKey& key) const;

    // Pages through the cache.
    const std::uint8_t* cached(std::uint32_t page);
    bool put_page(std::uint32_t page, const std::uint8_t* bytes);
    bool put_header();
    const std::uint8_t* tree_page(std::uint32_t page);
    bool is_inner(const std::uint8_t* page) const { return left_of(page, 0) != 0; }

    // The position.
    bool push(std::uint32_t page, std::uint16_t pos, std::uint16_t entries, bool inner);
    void set_current(const std::uint8_t* leaf);
    const std::uint8_t* descend(std::uint32_t page, bool leftmost);
    bool step(bool forward, bool& moved);
    bool reread_leaf(const std::uint8_t*& leaf);
    bool move_first(bool leftmost);
    bool move(bool forward);
    bool find(const NdxKey& key, bool after_equal);
    bool seek(const NdxKey& key, std::int32_t& found);
    bool find_under_key(const NdxKey& key, std::int32_t n, bool& found);
    bool find_record(std::int32_t n, bool& found, const NdxKey* stored_key);
    bool position_after_update(const NdxKey& key, std::int32_t n);

    // Changes.
    bool load_scratch(std::uint32_t page);
    bool store(std::uint32_t page, std::uint8_t* buf, bool inner);
    bool replace_separators(int level, const std::uint8_t* key);
    std::uint32_t new_page();
    bool split(int level);
    bool insert(const NdxKey& key, std::int32_t n);
    bool remove_at(int level);

    ShortString m_file_name;
    NdxPageCache m_cache;
    std::array<std::uint8_t, ndx_page_size> m_header{};
    std::uint32_t m_root = 0;
    std::uint32_t m_next_free = 0;
    std::uint16_t m_key_length = 0;
    std::uint16_t m_max_keys = 0;
    std::uint16_t m_entry_size = 0;
    NdxKeyType m_type = NdxKeyType::Character;

    Position m_at;
    NdxStatus m_error;  // the first failure of the running operation

    alignas(8) std::array<std::uint8_t, 2 * ndx_page_size> m_scratch{};
    alignas(8) std::array<std::uint8_t, ndx_page_size> m_left_page{};
    alignas(8) std::array<std::uint8_t, ndx_page_size> m_right_page{};
};

} // namespace talven
