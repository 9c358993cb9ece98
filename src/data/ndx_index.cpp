// The NDX B-tree: header checks, the 32-page cache, search, navigation,
// insertion with splits and deletion.
//
// Every page read from the file is checked before use: page numbers must
// lie between 1 and the header's next free page, a key count must fit the
// page, and a descent is at most 32 levels deep, so a damaged file gives
// code 901 instead of a wild read or an endless walk. Pages are changed in
// a scratch buffer twice the page size: a page holds one entry more than
// its maximum between an insertion and its split, and only 512 bytes ever
// go back to a page.
#include "data/ndx_index.h"

#include <algorithm>
#include <cstring>

#include "core/little_endian.h"
#include "data/ndx_key.h"

namespace talven {

namespace {

constexpr std::size_t page_size = NdxIndex::page_size;
constexpr std::uint32_t page_limit = 0x7FFFFFFFu / page_size;  // pages a 2 GiB file holds

std::uint16_t entry_size_for(std::size_t key_length)
{
    return static_cast<std::uint16_t>((key_length + 8 + 3) & ~std::size_t{3});
}

NdxStatus failure(std::int32_t code, std::string_view detail)
{
    NdxStatus s;
    s.code = code;
    s.detail = detail;
    return s;
}

// What an operation on a handle without a file reports.
NdxStatus not_open() { return failure(ndx_code::bad_file, {}); }

} // namespace

NdxStatus define_index(std::string_view expression, std::span<const NdxField> fields, NdxDefinition& out)
{
    out = NdxDefinition{};
    NdxExpression expr;
    resolve_expression(expression, fields, expr);
    out.expression = expr.text;
    if (expr.text.size() > NdxIndex::max_expression || !expr.failure.ok() || expr.has_literal ||
        expr.text_length > NdxIndex::max_key_length)
        return failure(ndx_code::bad_expression, expr.text.view());
    char type = expr.elements[0].type;
    if (expr.count == 1 && (type == 'N' || type == 'D')) {
        out.type = NdxKeyType::Numeric;
        out.key_length = 8;
    } else {
        out.type = NdxKeyType::Character;
        out.key_length = static_cast<std::uint16_t>(expr.text_length);
    }
    return {};
}

struct NdxIndex::Impl {
    struct Slot {
        std::int64_t page = -1;
        bool dirty = false;
        std::array<std::uint8_t, page_size> bytes{};
    };
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

    ShortString file_name;
    std::unique_ptr<NdxStorage> storage;
    std::array<std::uint8_t, page_size> header{};
    std::uint32_t root = 0;
    std::uint32_t next_free = 0;
    std::uint16_t key_length = 0;
    std::uint16_t max_keys = 0;
    std::uint16_t entry_size = 0;
    NdxKeyType type = NdxKeyType::Character;
    NdxExpression expr;

    std::array<Slot, cache_slots> slots{};
    std::array<std::uint8_t, cache_slots> order{};  // slot numbers, most recent first

    Position at;
    NdxStatus error;

    alignas(8) std::array<std::uint8_t, 2 * page_size> scratch{};
    alignas(8) std::array<std::uint8_t, page_size> left_page{};
    alignas(8) std::array<std::uint8_t, page_size> right_page{};

    Impl()
    {
        for (int i = 0; i < cache_slots; ++i)
            order[i] = static_cast<std::uint8_t>(i);
    }

    bool fail(std::int32_t code, std::string_view detail)
    {
        if (error.ok())
            error = failure(code, detail);
        return false;
    }
    bool fail_file() { return fail(ndx_code::bad_file, file_name.view()); }

    // Entries of a page.
    std::uint8_t* entry(std::uint8_t* page, std::size_t i) const { return page + 4 + i * entry_size; }
    const std::uint8_t* entry(const std::uint8_t* page, std::size_t i) const { return page + 4 + i * entry_size; }
    std::uint32_t left_of(const std::uint8_t* page, std::size_t i) const { return read_le32(entry(page, i)); }
    std::int32_t record_of(const std::uint8_t* page, std::size_t i) const
    {
        return static_cast<std::int32_t>(read_le32(entry(page, i) + 4));
    }
    const std::uint8_t* key_of(const std::uint8_t* page, std::size_t i) const { return entry(page, i) + 8; }

    int compare(const std::uint8_t* page_key, const NdxKey& key) const
    {
        if (type == NdxKeyType::Numeric)
            return compare_numeric_key(page_key, key.bytes.data());
        return compare_character_key(page_key, key_length, key.view());
    }

    // The page cache.

    int find_slot(std::uint32_t page) const
    {
        for (int i = 0; i < cache_slots; ++i)
            if (slots[i].page == page)
                return i;
        return -1;
    }

    void to_front(int slot)
    {
        auto it = std::find(order.begin(), order.end(), static_cast<std::uint8_t>(slot));
        std::rotate(order.begin(), it, it + 1);
    }

    bool write_slot(Slot& slot)
    {
        if (!storage->write(std::uint64_t(slot.page) * page_size, slot.bytes.data(), page_size))
            return false;
        slot.dirty = false;
        return true;
    }

    // The cached bytes of page p, valid until the next cache operation.
    const std::uint8_t* cached(std::uint32_t page)
    {
        int s = find_slot(page);
        if (s < 0) {
            s = order[cache_slots - 1];
            Slot& slot = slots[s];
            if (slot.page >= 0 && slot.dirty && !write_slot(slot))
                return fail(ndx_code::page_short, "Ndx_Get/Put"), nullptr;
            slot.page = -1;
            slot.dirty = false;
            if (!storage->read(std::uint64_t(page) * page_size, slot.bytes.data(), page_size))
                return fail(ndx_code::page_short, "Ndx_Get"), nullptr;
            slot.page = page;
        }
        to_front(s);
        return slots[s].bytes.data();
    }

    bool put_page(std::uint32_t page, const std::uint8_t* bytes)
    {
        int s = find_slot(page);
        if (s < 0) {
            s = order[cache_slots - 1];
            Slot& slot = slots[s];
            if (slot.page >= 0 && slot.dirty && !write_slot(slot))
                return fail(ndx_code::page_short, "Ndx_Put");
            slot.page = -1;
            slot.dirty = false;
            if (!storage->write(std::uint64_t(page) * page_size, bytes, page_size))
                return fail(ndx_code::page_short, "Ndx_Put/New");
            slot.page = page;
        }
        std::memcpy(slots[s].bytes.data(), bytes, page_size);
        slots[s].dirty = true;
        to_front(s);
        return true;
    }

    bool put_header()
    {
        write_le32(header.data(), root);
        write_le32(header.data() + 4, next_free);
        return put_page(0, header.data());
    }

    // A page of the tree, checked: its number in range, its key count
    // within what a page holds.
    const std::uint8_t* tree_page(std::uint32_t page)
    {
        if (page == 0 || page >= next_free)
            return fail_file(), nullptr;
        const std::uint8_t* p = cached(page);
        if (p && read_le16(p) > max_keys)
            return fail_file(), nullptr;
        return p;
    }

    bool is_inner(const std::uint8_t* page) const { return left_of(page, 0) != 0; }

    bool push(std::uint32_t page, std::uint16_t pos, std::uint16_t entries, bool inner)
    {
        if (at.depth == max_depth)
            return fail_file();
        at.path[at.depth++] = {page, pos, entries, inner};
        return true;
    }

    void set_current(const std::uint8_t* leaf)
    {
        const Level& l = at.path[at.depth - 1];
        at.record = l.pos < l.entries ? record_of(leaf, l.pos) : 0;
        at.end = false;
        at.start = false;
    }

    // Descends from page to a leaf along the first or the last entries.
    // Returns the leaf, or nullptr on failure.
    const std::uint8_t* descend(std::uint32_t page, bool leftmost)
    {
        for (;;) {
            const std::uint8_t* p = tree_page(page);
            if (!p)
                return nullptr;
            std::uint16_t k = read_le16(p);
            bool inner = is_inner(p);
            std::uint16_t pos = leftmost ? 0 : (inner ? k : static_cast<std::uint16_t>(k ? k - 1 : 0));
            if (!push(page, pos, k, inner))
                return nullptr;
            if (!inner)
                return p;
            page = left_of(p, pos);
        }
    }

    // Moves to the next (or previous) leaf entry through the path; false
    // only on failure, moved false when there is none.
    bool step(bool forward, bool& moved)
    {
        moved = false;
        Level& leaf = at.path[at.depth - 1];
        if (forward && leaf.pos + 1 < leaf.entries) {
            ++leaf.pos;
            moved = true;
            return true;
        }
        if (!forward && leaf.pos > 0 && leaf.entries > 0) {
            leaf.pos = static_cast<std::uint16_t>(std::min<int>(leaf.pos, leaf.entries) - 1);
            moved = true;
            return true;
        }
        Position saved = at;
        // Leaves left empty by a damaged file are stepped over; a file has
        // no more leaves than pages.
        for (std::uint32_t visits = 0; visits < next_free; ++visits) {
            int level = at.depth - 2;
            for (; level >= 0; --level) {
                const Level& l = at.path[level];
                if (forward ? l.pos + 1 <= l.entries : l.pos > 0)
                    break;
            }
            if (level < 0) {
                at = saved;
                return true;
            }
            Level& l = at.path[level];
            l.pos = static_cast<std::uint16_t>(forward ? l.pos + 1 : l.pos - 1);
            at.depth = level + 1;
            const std::uint8_t* p = tree_page(l.page);
            if (!p || !descend(left_of(p, l.pos), forward))
                return false;
            if (at.path[at.depth - 1].entries > 0) {
                moved = true;
                return true;
            }
        }
        return fail_file();
    }

    bool reread_leaf(const std::uint8_t*& leaf)
    {
        leaf = tree_page(at.path[at.depth - 1].page);
        return leaf != nullptr;
    }

    bool move_first(bool leftmost)
    {
        at.depth = 0;
        const std::uint8_t* leaf = descend(root, leftmost);
        if (!leaf)
            return false;
        if (at.path[at.depth - 1].entries == 0) {
            // An empty leaf: the tree is empty, or a damaged file left one
            // at its edge.
            bool moved = false;
            if (at.depth > 1 && !step(leftmost, moved))
                return false;
            if (!moved) {
                at.depth = 0;
                at.record = 0;
                at.end = true;
                return true;
            }
            if (!reread_leaf(leaf))
                return false;
        }
        set_current(leaf);
        return true;
    }

    bool move(bool forward)
    {
        if (at.depth == 0)
            return move_first(true);
        bool moved = false;
        if (!step(forward, moved))
            return false;
        if (!moved) {
            (forward ? at.end : at.start) = true;
            return true;
        }
        const std::uint8_t* leaf;
        if (!reread_leaf(leaf))
            return false;
        set_current(leaf);
        return true;
    }

    // Descends to the key: to the first entry not smaller than it, or with
    // after_equal to the first entry greater than it.
    bool find(const NdxKey& key, bool after_equal)
    {
        at = Position{};
        std::uint32_t page = root;
        for (;;) {
            const std::uint8_t* p = tree_page(page);
            if (!p)
                return false;
            std::uint16_t k = read_le16(p);
            bool inner = is_inner(p);
            std::uint16_t pos = 0;
            while (pos < k) {
                int c = compare(key_of(p, pos), key);
                if (c > 0 || (c == 0 && !after_equal))
                    break;
                ++pos;
            }
            if (!push(page, pos, k, inner))
                return false;
            if (!inner)
                return true;
            page = left_of(p, pos);
        }
    }

    bool search(const NdxKey& key, std::int32_t& found)
    {
        found = 0;
        if (!find(key, false))
            return false;
        const Level& leaf = at.path[at.depth - 1];
        const std::uint8_t* p = tree_page(leaf.page);
        if (!p)
            return false;
        if (leaf.pos < leaf.entries && compare(key_of(p, leaf.pos), key) == 0) {
            found = record_of(p, leaf.pos);
            at.record = found;
        }
        return true;
    }

    // Looks for record n among the entries equal to key.
    bool find_under_key(const NdxKey& key, std::int32_t n, bool& found)
    {
        found = false;
        if (!find(key, false))
            return false;
        for (std::uint32_t leaves = 0; leaves <= next_free; ++leaves) {
            Level& leaf = at.path[at.depth - 1];
            const std::uint8_t* p = tree_page(leaf.page);
            if (!p)
                return false;
            for (std::uint16_t i = leaf.pos; i < leaf.entries; ++i) {
                if (compare(key_of(p, i), key) != 0)
                    return true;
                if (record_of(p, i) == n) {
                    leaf.pos = i;
                    set_current(p);
                    found = true;
                    return true;
                }
            }
            if (leaf.entries > 0)
                leaf.pos = static_cast<std::uint16_t>(leaf.entries - 1);
            bool moved = false;
            if (!step(true, moved))
                return false;
            if (!moved)
                return true;
            at.path[at.depth - 1].pos = 0;
        }
        return fail_file();
    }

    bool go_to_record(std::int32_t n, bool& found, const NdxKey* stored_key = nullptr)
    {
        found = false;
        if (at.depth > 0 && !at.end && !at.start && at.record == n) {
            found = true;
            return true;
        }
        if (stored_key) {
            if (!find_under_key(*stored_key, n, found))
                return false;
            if (found)
                return true;
        }
        if (!move_first(true))
            return false;
        for (std::uint32_t leaves = 0; !at.end; ++leaves) {
            if (leaves > next_free)
                return fail_file();
            Level& leaf = at.path[at.depth - 1];
            const std::uint8_t* p = tree_page(leaf.page);
            if (!p)
                return false;
            for (std::uint16_t i = leaf.pos; i < leaf.entries; ++i) {
                if (record_of(p, i) == n) {
                    leaf.pos = i;
                    set_current(p);
                    found = true;
                    return true;
                }
            }
            leaf.pos = static_cast<std::uint16_t>(leaf.entries ? leaf.entries - 1 : 0);
            if (!move(true))
                return false;
        }
        return true;
    }

    // Loads a page into the scratch buffer; the second half stays zero so
    // that shifting a full page never reads past what was loaded.
    bool load_scratch(std::uint32_t page)
    {
        const std::uint8_t* p = tree_page(page);
        if (!p)
            return false;
        std::memcpy(scratch.data(), p, page_size);
        std::memset(scratch.data() + page_size, 0, page_size);
        return true;
    }

    // Writes a page built in buf: the bytes past its last entry (for an
    // inner page, past the left page number of the key-less entry) are
    // zeroed first.
    bool store(std::uint32_t page, std::uint8_t* buf, bool inner)
    {
        std::size_t used = 4 + std::size_t{read_le16(buf)} * entry_size + (inner ? 4 : 0);
        if (used < page_size)
            std::memset(buf + used, 0, page_size - used);
        write_le16(buf + 2, 0);
        return put_page(page, buf);
    }

    // The greatest key below the entry at path level `level` is now key:
    // the separators above change up to the first level where the subtree
    // is not the last one of its page.
    bool replace_separators(int level, const std::uint8_t* key)
    {
        std::array<std::uint8_t, NdxKey::capacity> copy;
        std::memcpy(copy.data(), key, key_length);
        for (int l = level; l >= 0; --l) {
            const Level& lv = at.path[l];
            if (lv.pos >= lv.entries)
                continue;
            if (!load_scratch(lv.page))
                return false;
            std::memcpy(entry(scratch.data(), lv.pos) + 8, copy.data(), key_length);
            return store(lv.page, scratch.data(), true);
        }
        return true;
    }

    std::uint32_t new_page()
    {
        if (next_free >= page_limit)
            return fail_file(), 0;
        return next_free++;
    }

    // Splits the overfull page in the scratch buffer, which stands at path
    // level `level`, and inserts the separator into its parent, splitting
    // upwards while a parent overflows.
    bool split(int level)
    {
        for (;;) {
            const Level& lv = at.path[level];
            bool inner = lv.inner;
            std::size_t k = read_le16(scratch.data());
            std::size_t e = inner ? k + 1 : k;
            std::size_t h = e / 2;
            std::uint32_t fresh = new_page();
            if (!fresh)
                return false;

            std::array<std::uint8_t, NdxKey::capacity> separator;
            std::memcpy(separator.data(), key_of(scratch.data(), h - 1), key_length);

            std::memset(left_page.data(), 0, page_size);
            std::memset(right_page.data(), 0, page_size);
            if (inner) {
                write_le16(left_page.data(), static_cast<std::uint32_t>(h - 1));
                std::memcpy(left_page.data() + 4, scratch.data() + 4, (h - 1) * entry_size);
                write_le32(entry(left_page.data(), h - 1), left_of(scratch.data(), h - 1));
                write_le16(right_page.data(), static_cast<std::uint32_t>(k - h));
                std::memcpy(right_page.data() + 4, entry(scratch.data(), h), (k - h) * entry_size);
                write_le32(entry(right_page.data(), k - h), left_of(scratch.data(), k));
            } else {
                write_le16(left_page.data(), static_cast<std::uint32_t>(h));
                std::memcpy(left_page.data() + 4, scratch.data() + 4, h * entry_size);
                write_le16(right_page.data(), static_cast<std::uint32_t>(k - h));
                std::memcpy(right_page.data() + 4, entry(scratch.data(), h), (k - h) * entry_size);
            }
            if (!store(fresh, left_page.data(), inner) || !store(lv.page, right_page.data(), inner) ||
                !put_header())
                return false;

            if (level == 0) {
                std::uint32_t new_root = new_page();
                if (!new_root)
                    return false;
                std::memset(left_page.data(), 0, page_size);
                write_le16(left_page.data(), 1);
                write_le32(entry(left_page.data(), 0), fresh);
                std::memcpy(entry(left_page.data(), 0) + 8, separator.data(), key_length);
                write_le32(entry(left_page.data(), 1), lv.page);
                root = new_root;
                return store(new_root, left_page.data(), true) && put_header();
            }

            --level;
            const Level& parent = at.path[level];
            if (!load_scratch(parent.page))
                return false;
            std::size_t kp = read_le16(scratch.data());
            std::uint8_t* at_entry = entry(scratch.data(), parent.pos);
            std::memmove(at_entry + entry_size, at_entry, (kp + 1 - parent.pos) * entry_size);
            std::memset(at_entry, 0, entry_size);
            write_le32(at_entry, fresh);
            std::memcpy(at_entry + 8, separator.data(), key_length);
            write_le16(scratch.data(), static_cast<std::uint32_t>(kp + 1));
            if (kp + 1 <= max_keys)
                return store(parent.page, scratch.data(), true);
        }
    }

    bool insert(const NdxKey& key, std::int32_t n)
    {
        // After every equal key, so that equal keys keep their order.
        if (!find(key, true))
            return false;
        int level = at.depth - 1;
        const Level& leaf = at.path[level];
        if (!load_scratch(leaf.page))
            return false;
        std::size_t k = read_le16(scratch.data());
        std::uint8_t* at_entry = entry(scratch.data(), leaf.pos);
        std::memmove(at_entry + entry_size, at_entry, (k - leaf.pos) * entry_size);
        std::memset(at_entry, 0, entry_size);
        write_le32(at_entry + 4, static_cast<std::uint32_t>(n));
        std::memcpy(at_entry + 8, key.bytes.data(), key_length);
        write_le16(scratch.data(), static_cast<std::uint32_t>(k + 1));
        bool became_last = leaf.pos == k;

        if (k + 1 <= max_keys) {
            if (!store(leaf.page, scratch.data(), false))
                return false;
            return !became_last || replace_separators(level - 1, key.bytes.data());
        }
        if (became_last) {
            // The separators change first; the split reads the parent again.
            std::array<std::uint8_t, 2 * page_size> held;
            std::memcpy(held.data(), scratch.data(), held.size());
            if (!replace_separators(level - 1, key.bytes.data()))
                return false;
            std::memcpy(scratch.data(), held.data(), held.size());
        }
        return split(level);
    }

    // Removes the entry at path level `level` from its page; a page left
    // without entries is removed from its parent in turn.
    bool remove_at(int level)
    {
        const Level& lv = at.path[level];
        if (!load_scratch(lv.page))
            return false;
        std::size_t k = read_le16(scratch.data());
        std::size_t entries = lv.inner ? k + 1 : k;
        if (lv.pos >= entries)
            return fail_file();
        bool was_last = std::size_t{lv.pos} + 1 == entries;
        std::array<std::uint8_t, NdxKey::capacity> last_key{};

        if (entries == 1) {
            if (level == 0) {
                // The root stays, as an empty leaf.
                std::memset(scratch.data(), 0, page_size);
                return put_page(lv.page, scratch.data());
            }
            return remove_at(level - 1);
        }
        std::uint8_t* at_entry = entry(scratch.data(), lv.pos);
        if (lv.inner && was_last) {
            // The last keyed entry becomes the key-less one.
            std::memcpy(last_key.data(), key_of(scratch.data(), k - 1), key_length);
        } else {
            std::memmove(at_entry, at_entry + entry_size, (entries - 1 - lv.pos) * entry_size);
            if (!lv.inner && was_last)
                std::memcpy(last_key.data(), key_of(scratch.data(), k - 2), key_length);
        }
        write_le16(scratch.data(), static_cast<std::uint32_t>(k - 1));
        if (!store(lv.page, scratch.data(), lv.inner))
            return false;
        return !was_last || replace_separators(level - 1, last_key.data());
    }

    bool position_after_update(const NdxKey& key, std::int32_t n)
    {
        // The new entry is the last of its equal keys: just before the
        // first greater key.
        if (!find(key, true))
            return false;
        at.record = 0;
        bool moved = false;
        if (!step(false, moved))
            return false;
        if (moved) {
            const std::uint8_t* leaf;
            if (!reread_leaf(leaf))
                return false;
            const Level& l = at.path[at.depth - 1];
            if (l.pos < l.entries && record_of(leaf, l.pos) == n) {
                set_current(leaf);
                return true;
            }
        }
        std::int32_t found = 0;
        if (!search(key, found))
            return false;
        while (at.record != n && found) {
            if (!move(true))
                return false;
            if (at.end)
                break;
        }
        return true;
    }
};

NdxIndex::NdxIndex() = default;
NdxIndex::~NdxIndex()
{
    close();
}

bool NdxIndex::is_open() const { return m != nullptr; }

NdxStatus NdxIndex::open(std::string_view file_name, std::unique_ptr<NdxStorage> storage,
                         std::span<const NdxField> fields)
{
    close();
    auto impl = std::make_unique<Impl>();
    Impl& x = *impl;
    x.file_name = file_name;
    x.storage = std::move(storage);
    std::uint64_t size = x.storage->size();
    auto refuse = [&](NdxStatus s) {
        x.storage->close();
        return s;
    };
    if (size < page_size)
        return refuse(failure(ndx_code::bad_file, file_name));
    const std::uint8_t* h = x.cached(0);
    if (!h)
        return refuse(x.error);
    x.header = *reinterpret_cast<const std::array<std::uint8_t, page_size>*>(h);
    const std::uint8_t* hd = x.header.data();
    x.root = read_le32(hd);
    x.next_free = read_le32(hd + 4);
    x.key_length = read_le16(hd + 12);
    x.max_keys = read_le16(hd + 14);
    std::uint16_t type = read_le16(hd + 16);
    x.entry_size = read_le16(hd + 18);
    std::uint64_t pages = (size + page_size - 1) / page_size;
    bool sound = x.key_length >= 1 && x.key_length <= max_key_length &&
                 x.entry_size == entry_size_for(x.key_length) && x.max_keys == 504 / x.entry_size &&
                 type <= 1 && (type == 0 || x.key_length == 8) && x.root >= 1 && x.root < x.next_free &&
                 x.next_free <= pages && x.next_free <= page_limit;
    const std::uint8_t* text = hd + 24;
    const std::uint8_t* zero = static_cast<const std::uint8_t*>(std::memchr(text, 0, page_size - 24));
    if (!sound || !zero)
        return refuse(failure(ndx_code::bad_file, file_name));
    x.type = static_cast<NdxKeyType>(type);
    std::string_view raw(reinterpret_cast<const char*>(text), static_cast<std::size_t>(zero - text));
    while (!raw.empty() && raw.front() == ' ')
        raw.remove_prefix(1);
    while (!raw.empty() && raw.back() == ' ')
        raw.remove_suffix(1);
    if (raw.size() > max_expression)
        return refuse(failure(ndx_code::bad_file, file_name));
    resolve_expression(raw, fields, x.expr);
    // Keys built from the expression must fill the entries exactly.
    if (x.expr.failure.ok() && x.type == NdxKeyType::Character && x.expr.text_length != x.key_length)
        return refuse(failure(ndx_code::bad_file, file_name));
    m = std::move(impl);
    return {};
}

NdxStatus NdxIndex::create(std::string_view file_name, std::unique_ptr<NdxStorage> storage,
                           const NdxDefinition& definition, std::span<const NdxField> fields)
{
    close();
    std::array<std::uint8_t, page_size> page{};
    std::uint16_t entry_size = entry_size_for(definition.key_length);
    write_le32(page.data(), 1);
    write_le32(page.data() + 4, 2);
    write_le16(page.data() + 12, definition.key_length);
    write_le16(page.data() + 14, static_cast<std::uint16_t>(504 / entry_size));
    write_le16(page.data() + 16, static_cast<std::uint16_t>(definition.type));
    write_le16(page.data() + 18, entry_size);
    std::size_t n = std::min(definition.expression.size(), max_expression);
    std::memcpy(page.data() + 24, definition.expression.data(), n);
    bool written = storage->write(0, page.data(), page_size);
    page.fill(0);
    written = written && storage->write(page_size, page.data(), page_size);
    if (!written) {
        storage->close();
        return failure(ndx_code::page_short, "Ndx_Put/New");
    }
    return open(file_name, std::move(storage), fields);
}

NdxStatus NdxIndex::close()
{
    if (!m)
        return {};
    Impl& x = *m;
    NdxStatus result;
    // Dirty pages in ascending order, the header page last.
    for (;;) {
        int next = -1;
        for (int i = 0; i < cache_slots; ++i) {
            const Impl::Slot& s = x.slots[i];
            if (s.page > 0 && s.dirty && (next < 0 || s.page < x.slots[next].page))
                next = i;
        }
        if (next < 0) {
            int h = x.find_slot(0);
            if (h < 0 || !x.slots[h].dirty)
                break;
            next = h;
        }
        if (!x.write_slot(x.slots[next])) {
            x.slots[next].dirty = false;
            if (result.ok())
                result = failure(ndx_code::page_short, "Ndx_Get/Put");
        }
    }
    x.storage->close();
    m.reset();
    return result;
}

NdxStatus NdxIndex::compute_key(std::span<const std::uint8_t> record, NdxKey& key) const
{
    if (!m)
        return not_open();
    const Impl& x = *m;
    if (!x.expr.failure.ok())
        return x.expr.failure;
    std::array<std::uint8_t, 512> text;
    std::size_t length = 0;
    if (!expression_text(x.expr, record, text.data(), text.size(), length))
        return failure(ndx_code::bad_file, x.file_name.view());
    if (x.type == NdxKeyType::Numeric) {
        std::string_view t(reinterpret_cast<const char*>(text.data()), length);
        auto number = ndx_number(t);
        if (!number)
            return failure(ndx_code::not_a_number, t);
        store_numeric_key(*number, key.bytes.data());
        key.size = 8;
        return {};
    }
    std::size_t n = std::min<std::size_t>(length, x.key_length);
    std::memcpy(key.bytes.data(), text.data(), n);
    std::memset(key.bytes.data() + n, ' ', x.key_length - n);
    key.size = x.key_length;
    return {};
}

NdxStatus NdxIndex::search_key(std::string_view text, NdxMatch match, NdxKey& key) const
{
    if (!m)
        return not_open();
    const Impl& x = *m;
    if (x.type == NdxKeyType::Numeric) {
        auto number = ndx_number(text);
        if (!number)
            return failure(ndx_code::not_a_number, text);
        store_numeric_key(*number, key.bytes.data());
        key.size = 8;
        return {};
    }
    std::size_t n = std::min(text.size(), NdxKey::capacity);
    std::memcpy(key.bytes.data(), text.data(), n);
    key.size = static_cast<std::uint16_t>(n);
    if (match == NdxMatch::Exact && n < x.key_length) {
        std::memset(key.bytes.data() + n, ' ', x.key_length - n);
        key.size = x.key_length;
    }
    return {};
}

NdxStatus NdxIndex::search(const NdxKey& key, NdxMatch match, std::int32_t& record)
{
    record = 0;
    if (!m)
        return not_open();
    Impl& x = *m;
    x.error = {};
    record = 0;
    NdxKey padded;
    const NdxKey* k = &key;
    if (match == NdxMatch::Exact && x.type == NdxKeyType::Character && key.size < x.key_length) {
        padded = key;
        std::memset(padded.bytes.data() + key.size, ' ', x.key_length - key.size);
        padded.size = x.key_length;
        k = &padded;
    }
    if (x.type == NdxKeyType::Numeric && key.size != 8)
        return failure(ndx_code::not_a_number, {});
    if (!x.search(*k, record))
        x.at = Impl::Position{};
    return x.error;
}

NdxStatus NdxIndex::first()
{
    if (!m)
        return not_open();
    m->error = {};
    m->move_first(true);
    return m->error;
}

NdxStatus NdxIndex::last()
{
    if (!m)
        return not_open();
    m->error = {};
    m->move_first(false);
    return m->error;
}

NdxStatus NdxIndex::next()
{
    if (!m)
        return not_open();
    m->error = {};
    m->move(true);
    return m->error;
}

NdxStatus NdxIndex::previous()
{
    if (!m)
        return not_open();
    m->error = {};
    m->move(false);
    return m->error;
}

NdxStatus NdxIndex::go_to_record(std::int32_t n, bool& found, std::span<const std::uint8_t> stored)
{
    found = false;
    if (!m)
        return not_open();
    m->error = {};
    found = false;
    NdxKey key;
    bool keyed = !stored.empty() && compute_key(stored, key).ok();
    m->go_to_record(n, found, keyed ? &key : nullptr);
    return m->error;
}

NdxStatus NdxIndex::update(std::span<const std::uint8_t> record, std::int32_t n, std::int32_t previous,
                           NdxUpdate how, std::span<const std::uint8_t> replaced)
{
    if (!m)
        return not_open();
    Impl& x = *m;
    x.error = {};
    NdxKey old_key;
    const NdxKey* stored_key = !replaced.empty() && compute_key(replaced, old_key).ok() ? &old_key : nullptr;
    NdxKey key;
    if (NdxStatus s = compute_key(record, key); !s.ok()) {
        // The record no longer has the key it is filed under: its entry
        // goes, so that no search finds it by a value it does not hold.
        bool found = false;
        if (previous == n && x.go_to_record(n, found, stored_key) && found && !x.remove_at(x.at.depth - 1))
            s = x.error;
        x.at = Impl::Position{};
        return s;
    }
    if (previous == n) {
        bool found = false;
        if (!x.go_to_record(n, found, stored_key))
            return x.error;
        if (found) {
            const Impl::Level& leaf = x.at.path[x.at.depth - 1];
            const std::uint8_t* p = x.tree_page(leaf.page);
            if (!p)
                return x.error;
            if (std::memcmp(x.key_of(p, leaf.pos), key.bytes.data(), x.key_length) == 0)
                return {};
            if (!x.remove_at(x.at.depth - 1)) {
                x.at = Impl::Position{};
                return x.error;
            }
        }
    }
    bool done = x.insert(key, n);
    x.at = Impl::Position{};
    if (done && how == NdxUpdate::Reposition && !x.position_after_update(key, n))
        x.at = Impl::Position{};
    return x.error;
}

std::int32_t NdxIndex::record() const { return m ? m->at.record : 0; }
bool NdxIndex::at_end() const { return m ? m->at.end : true; }
bool NdxIndex::at_start() const { return m ? m->at.start : false; }
std::string_view NdxIndex::file_name() const { return m ? m->file_name.view() : std::string_view{}; }
std::string_view NdxIndex::expression() const { return m ? m->expr.text.view() : std::string_view{}; }
NdxKeyType NdxIndex::key_type() const { return m ? m->type : NdxKeyType::Character; }
std::size_t NdxIndex::key_length() const { return m ? m->key_length : 0; }

} // namespace talven
