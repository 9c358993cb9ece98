// One NDX index: a B-tree of 512-byte pages over the records of a table
// (data/ndx_btree.h), with its page cache (data/ndx_page_cache.h) and its
// key expression. The table layer owns the handles (up to sixteen per
// table) and calls the operations below; every failure comes back as an
// NdxStatus that the table layer puts into its dB error state.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "core/short_string.h"
#include "data/ndx_page_cache.h"

namespace talven {

// Internal codes of the index code, translated by the table layer's dB
// error state (2 → 601, 100 and 501 → 608, 601 → 611, 901 → 605).
namespace ndx_code {
constexpr std::int32_t ok = 0;
constexpr std::int32_t file_missing = 2;     // detail: the file name
constexpr std::int32_t page_short = 100;     // detail: "Ndx_Get", "Ndx_Put", "Ndx_Get/Put", "Ndx_Put/New"
constexpr std::int32_t not_a_number = 501;   // detail: the key text
constexpr std::int32_t bad_expression = 601; // detail: expression " (" element ")"
constexpr std::int32_t bad_file = 901;       // detail: the file name
} // namespace ndx_code

struct NdxStatus {
    std::int32_t code = ndx_code::ok;
    ShortString detail;
    bool ok() const { return code == ndx_code::ok; }
};

// What a key expression needs of one field of the table.
struct NdxField {
    std::string_view name;  // upper case, trailing blanks removed
    char type = 'C';        // 'C', 'N', 'D', 'L' or 'M'
    std::uint16_t offset = 0; // inside the record buffer (0 is the deletion flag)
    std::uint8_t length = 0;
};

enum class NdxMatch { Prefix, Exact };

// A key update during MAKEINDEX inserts only; the index is positioned once
// the whole build is done.
enum class NdxUpdate { Reposition, BuildOnly };

enum class NdxKeyType : std::uint16_t { Character = 0, Numeric = 1 };

struct NdxKey {
    static constexpr std::size_t capacity = 256;
    std::array<std::uint8_t, capacity> bytes{};
    std::uint16_t size = 0;
    std::span<const std::uint8_t> view() const { return {bytes.data(), size}; }
};

// What MAKEINDEX creates: the expression, checked against the table's
// fields before any file is touched.
struct NdxDefinition {
    ShortString expression;
    NdxKeyType type = NdxKeyType::Character;
    std::uint16_t key_length = 0;
};

// Every element must name a field; one field of type "N" or "D" makes a
// numeric key. An expression longer than 127 characters or a key longer
// than 244 bytes cannot be held by the index and is refused (601).
NdxStatus define_index(std::string_view expression, std::span<const NdxField> fields, NdxDefinition& out);

class NdxIndex {
public:
    static constexpr std::size_t page_size = ndx_page_size;
    static constexpr std::size_t max_expression = 127;
    static constexpr std::size_t max_key_length = 244;  // two entries per page at least

    NdxIndex();
    ~NdxIndex();
    NdxIndex(const NdxIndex&) = delete;
    NdxIndex& operator=(const NdxIndex&) = delete;

    // Attaches an existing file: reads and checks the header page and
    // resolves the key expression against the table's fields.
    NdxStatus open(std::string_view file_name, std::unique_ptr<NdxStorage> storage,
                   std::span<const NdxField> fields);
    // Writes a new, empty index (header page and an empty root) into the
    // storage, a file just created, and attaches it.
    NdxStatus create(std::string_view file_name, std::unique_ptr<NdxStorage> storage,
                     const NdxDefinition& definition, std::span<const NdxField> fields);
    // Writes the dirty pages and closes the file; the handle is empty then.
    NdxStatus close();
    bool is_open() const;

    // The key of a record buffer under this index's expression.
    NdxStatus compute_key(std::span<const std::uint8_t> record, NdxKey& key) const;
    // A search text (from @DBSEEK) as a key: character keys keep the text
    // (padded to the key length for an exact search), numeric keys convert.
    NdxStatus search_key(std::string_view text, NdxMatch match, NdxKey& key) const;

    // Searches the key; record is the record number found, or 0. The index
    // stands on the entry where the search stopped.
    NdxStatus search(const NdxKey& key, NdxMatch match, std::int32_t& record);

    // Navigation. record() then gives the record number; a move past the
    // last key sets at_end(), before the first at_start(); the index stays.
    NdxStatus first();
    NdxStatus last();
    NdxStatus next();
    NdxStatus previous();
    // Positions on the entry of record n (a walk through the leaves); found
    // is false when the index holds no entry for n. Given the record's
    // bytes as stored, the entry is first sought under their key, which
    // spares the walk unless the index files n under another key.
    NdxStatus go_to_record(std::int32_t n, bool& found, std::span<const std::uint8_t> stored = {});

    // Gives record n the key of the record buffer: previous is the number
    // the write replaced (0 or -1 for a new record). An unchanged key does
    // nothing; a changed one is deleted and inserted again. replaced, when
    // given, holds the record's bytes before the write (see go_to_record).
    NdxStatus update(std::span<const std::uint8_t> record, std::int32_t n, std::int32_t previous,
                     NdxUpdate how, std::span<const std::uint8_t> replaced = {});

    std::int32_t record() const;
    bool at_end() const;
    bool at_start() const;

    std::string_view file_name() const;
    std::string_view expression() const;
    NdxKeyType key_type() const;
    std::size_t key_length() const;

    struct Impl;

private:
    std::unique_ptr<Impl> m;
};

} // namespace talven
