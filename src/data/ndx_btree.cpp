// The NDX B-tree: the header, search, navigation, insertion with splits
// and deletion.
//
// Every page read from the file is checked before use: page numbers must
// lie between 1 and the header's next free page, a key count must fit the
// page, and a descent is at most 32 levels deep, so a damaged file gives
// code 901 instead of a wild read or an endless walk. Pages are changed in
// a scratch buffer twice the page size: a page holds one entry more than
// its maximum between an insertion and its split, and only 512 bytes ever
// go back to a page.
#include "data/ndx_btree.h"

#include <algorithm>
#include <cstring>

#include "core/little_endian.h"
#include "data/ndx_key.h"

namespace talven {

namespace {

constexpr std::size_t page_size = ndx_page_size;
constexpr std::uint32_t page_limit = 0x7FFFFFFFu / page_size;  // pages a 2 GiB file holds

std::uint16_t entry_size_for(std::size_t key_length)
{
    return static_cast<std::uint16_t>((key_length + 8 + 3) & ~std::size_t{3});
}

} // namespace

NdxTree::NdxTree(std::string_view file_name, std::unique_ptr<NdxStorage> storage)
    : m_file_name(file_name), m_cache(std::move(storage))
{
}

NdxStatus NdxTree::open()
{
    NdxStorage& storage = m_cache.storage();
    std::uint64_t size = storage.size();
    auto refuse = [&](NdxStatus s) {
        storage.close();
        return s;
    };
    if (size < page_size)
        return refuse({ndx_code::bad_file, m_file_name});
    const std::uint8_t* h = cached(0);
    if (!h)
        return refuse(m_error);
    std::memcpy(m_header.data(), h, page_size);
    const std::uint8_t* hd = m_header.data();
    m_root = read_le32(hd);
    m_next_free = read_le32(hd + 4);
    m_key_length = read_le16(hd + 12);
    m_max_keys = read_le16(hd + 14);
    std::uint16_t type = read_le16(hd + 16);
    m_entry_size = read_le16(hd + 18);
    std::uint64_t pages = (size + page_size - 1) / page_size;
    bool sound = m_key_length >= 1 && m_key_length <= NdxIndex::max_key_length &&
                 m_entry_size == entry_size_for(m_key_length) && m_max_keys == 504 / m_entry_size &&
                 type <= 1 && (type == 0 || m_key_length == 8) && m_root >= 1 && m_root < m_next_free &&
                 m_next_free <= pages && m_next_free <= page_limit;
    if (!sound || !std::memchr(hd + 24, 0, page_size - 24))
        return refuse({ndx_code::bad_file, m_file_name});
    m_type = static_cast<NdxKeyType>(type);
    return {};
}

std::string_view NdxTree::header_expression() const
{
    // open() made sure the text ends with a zero byte.
    const char* text = reinterpret_cast<const char*>(m_header.data() + 24);
    const void* zero = std::memchr(text, 0, page_size - 24);
    return {text, static_cast<std::size_t>(static_cast<const char*>(zero) - text)};
}

bool NdxTree::write_empty(NdxStorage& storage, const NdxDefinition& definition)
{
    std::array<std::uint8_t, page_size> page{};
    std::uint16_t entry_size = entry_size_for(definition.key_length);
    write_le32(page.data(), 1);
    write_le32(page.data() + 4, 2);
    write_le16(page.data() + 12, definition.key_length);
    write_le16(page.data() + 14, static_cast<std::uint16_t>(504 / entry_size));
    write_le16(page.data() + 16, static_cast<std::uint16_t>(definition.type));
    write_le16(page.data() + 18, entry_size);
    std::size_t n = std::min(definition.expression.size(), NdxIndex::max_expression);
    std::memcpy(page.data() + 24, definition.expression.data(), n);
    bool written = storage.write(0, page.data(), page_size);
    page.fill(0);
    return written && storage.write(page_size, page.data(), page_size);
}

NdxStatus NdxTree::close()
{
    NdxStatus result;
    if (!m_cache.flush())
        result = {ndx_code::page_short, "Ndx_Get/Put"};
    m_cache.storage().close();
    return result;
}

NdxStatus NdxTree::search(const NdxKey& key, std::int32_t& record)
{
    m_error = {};
    if (!seek(key, record))
        m_at = Position{};
    return m_error;
}

NdxStatus NdxTree::first()
{
    m_error = {};
    move_first(true);
    return m_error;
}

NdxStatus NdxTree::last()
{
    m_error = {};
    move_first(false);
    return m_error;
}

NdxStatus NdxTree::next()
{
    m_error = {};
    move(true);
    return m_error;
}

NdxStatus NdxTree::previous()
{
    m_error = {};
    move(false);
    return m_error;
}

NdxStatus NdxTree::go_to_record(std::int32_t n, bool& found, const NdxKey* stored_key)
{
    m_error = {};
    find_record(n, found, stored_key);
    return m_error;
}

NdxStatus NdxTree::update(const NdxKey& key, std::int32_t n, std::int32_t previous, NdxUpdate how,
                          const NdxKey* stored_key)
{
    m_error = {};
    if (previous == n) {
        bool found = false;
        if (!find_record(n, found, stored_key))
            return m_error;
        if (found) {
            const Level& leaf = m_at.path[m_at.depth - 1];
            const std::uint8_t* p = tree_page(leaf.page);
            if (!p)
                return m_error;
            if (std::memcmp(key_of(p, leaf.pos), key.bytes.data(), m_key_length) == 0)
                return {};
            if (!remove_at(m_at.depth - 1)) {
                m_at = Position{};
                return m_error;
            }
        }
    }
    bool done = insert(key, n);
    m_at = Position{};
    if (done && how == NdxUpdate::Reposition && !position_after_update(key, n))
        m_at = Position{};
    return m_error;
}

NdxStatus NdxTree::remove(std::int32_t n, const NdxKey* stored_key)
{
    m_error = {};
    NdxStatus removal;
    bool found = false;
    if (find_record(n, found, stored_key) && found && !remove_at(m_at.depth - 1))
        removal = m_error;
    return removal;
}

bool NdxTree::fail(std::int32_t code, std::string_view detail)
{
    if (m_error.ok())
        m_error = {code, detail};
    return false;
}

std::uint32_t NdxTree::left_of(const std::uint8_t* page, std::size_t i) const { return read_le32(entry(page, i)); }
std::int32_t NdxTree::record_of(const std::uint8_t* page, std::size_t i) const
{
    return static_cast<std::int32_t>(read_le32(entry(page, i) + 4));
}

int NdxTree::compare(const std::uint8_t* page_key, const NdxKey& key) const
{
    if (m_type == NdxKeyType::Numeric)
        return compare_numeric_key(page_key, key.bytes.data());
    return compare_character_key(page_key, m_key_length, key.view());
}

const std::uint8_t* NdxTree::cached(std::uint32_t page)
{
    const std::uint8_t* p = m_cache.read(page);
    if (!p)
        fail(ndx_code::page_short, m_cache.failed_step());
    return p;
}

bool NdxTree::put_page(std::uint32_t page, const std::uint8_t* bytes)
{
    return m_cache.write(page, bytes) || fail(ndx_code::page_short, m_cache.failed_step());
}

bool NdxTree::put_header()
{
    write_le32(m_header.data(), m_root);
    write_le32(m_header.data() + 4, m_next_free);
    return put_page(0, m_header.data());
}

// A page of the tree, checked: its number in range, its key count
// within what a page holds.
const std::uint8_t* NdxTree::tree_page(std::uint32_t page)
{
    if (page == 0 || page >= m_next_free)
        return fail_file(), nullptr;
    const std::uint8_t* p = cached(page);
    if (p && read_le16(p) > m_max_keys)
        return fail_file(), nullptr;
    return p;
}


bool NdxTree::push(std::uint32_t page, std::uint16_t pos, std::uint16_t entries, bool inner)
{
    if (m_at.depth == max_depth)
        return fail_file();
    m_at.path[m_at.depth++] = {page, pos, entries, inner};
    return true;
}

void NdxTree::set_current(const std::uint8_t* leaf)
{
    const Level& l = m_at.path[m_at.depth - 1];
    m_at.record = l.pos < l.entries ? record_of(leaf, l.pos) : 0;
    m_at.end = false;
    m_at.start = false;
}

// Descends from page to a leaf along the first or the last entries.
// Returns the leaf, or nullptr on failure.
const std::uint8_t* NdxTree::descend(std::uint32_t page, bool leftmost)
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
bool NdxTree::step(bool forward, bool& moved)
{
    moved = false;
    Level& leaf = m_at.path[m_at.depth - 1];
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
    Position saved = m_at;
    // Leaves left empty by a damaged file are stepped over; a file has
    // no more leaves than pages.
    for (std::uint32_t visits = 0; visits < m_next_free; ++visits) {
        int level = m_at.depth - 2;
        for (; level >= 0; --level) {
            const Level& l = m_at.path[level];
            if (forward ? l.pos + 1 <= l.entries : l.pos > 0)
                break;
        }
        if (level < 0) {
            m_at = saved;
            return true;
        }
        Level& l = m_at.path[level];
        l.pos = static_cast<std::uint16_t>(forward ? l.pos + 1 : l.pos - 1);
        m_at.depth = level + 1;
        const std::uint8_t* p = tree_page(l.page);
        if (!p || !descend(left_of(p, l.pos), forward))
            return false;
        if (m_at.path[m_at.depth - 1].entries > 0) {
            moved = true;
            return true;
        }
    }
    return fail_file();
}

bool NdxTree::reread_leaf(const std::uint8_t*& leaf)
{
    leaf = tree_page(m_at.path[m_at.depth - 1].page);
    return leaf != nullptr;
}

bool NdxTree::move_first(bool leftmost)
{
    m_at.depth = 0;
    const std::uint8_t* leaf = descend(m_root, leftmost);
    if (!leaf)
        return false;
    if (m_at.path[m_at.depth - 1].entries == 0) {
        // An empty leaf: the tree is empty, or a damaged file left one
        // at its edge.
        bool moved = false;
        if (m_at.depth > 1 && !step(leftmost, moved))
            return false;
        if (!moved) {
            m_at.depth = 0;
            m_at.record = 0;
            m_at.end = true;
            return true;
        }
        if (!reread_leaf(leaf))
            return false;
    }
    set_current(leaf);
    return true;
}

bool NdxTree::move(bool forward)
{
    if (m_at.depth == 0)
        return move_first(true);
    bool moved = false;
    if (!step(forward, moved))
        return false;
    if (!moved) {
        (forward ? m_at.end : m_at.start) = true;
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
bool NdxTree::find(const NdxKey& key, bool after_equal)
{
    m_at = Position{};
    std::uint32_t page = m_root;
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

bool NdxTree::seek(const NdxKey& key, std::int32_t& found)
{
    found = 0;
    if (!find(key, false))
        return false;
    const Level& leaf = m_at.path[m_at.depth - 1];
    const std::uint8_t* p = tree_page(leaf.page);
    if (!p)
        return false;
    if (leaf.pos < leaf.entries && compare(key_of(p, leaf.pos), key) == 0) {
        found = record_of(p, leaf.pos);
        m_at.record = found;
    }
    return true;
}

// Looks for record n among the entries equal to key.
bool NdxTree::find_under_key(const NdxKey& key, std::int32_t n, bool& found)
{
    found = false;
    if (!find(key, false))
        return false;
    for (std::uint32_t leaves = 0; leaves <= m_next_free; ++leaves) {
        Level& leaf = m_at.path[m_at.depth - 1];
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
        m_at.path[m_at.depth - 1].pos = 0;
    }
    return fail_file();
}

bool NdxTree::find_record(std::int32_t n, bool& found, const NdxKey* stored_key)
{
    found = false;
    if (m_at.depth > 0 && !m_at.end && !m_at.start && m_at.record == n) {
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
    for (std::uint32_t leaves = 0; !m_at.end; ++leaves) {
        if (leaves > m_next_free)
            return fail_file();
        Level& leaf = m_at.path[m_at.depth - 1];
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
bool NdxTree::load_scratch(std::uint32_t page)
{
    const std::uint8_t* p = tree_page(page);
    if (!p)
        return false;
    std::memcpy(m_scratch.data(), p, page_size);
    std::memset(m_scratch.data() + page_size, 0, page_size);
    return true;
}

// Writes a page built in buf: the bytes past its last entry (for an
// inner page, past the left page number of the key-less entry) are
// zeroed first.
bool NdxTree::store(std::uint32_t page, std::uint8_t* buf, bool inner)
{
    std::size_t used = 4 + std::size_t{read_le16(buf)} * m_entry_size + (inner ? 4 : 0);
    if (used < page_size)
        std::memset(buf + used, 0, page_size - used);
    write_le16(buf + 2, 0);
    return put_page(page, buf);
}

// The greatest key below the entry at path level `level` is now key:
// the separators above change up to the first level where the subtree
// is not the last one of its page.
bool NdxTree::replace_separators(int level, const std::uint8_t* key)
{
    std::array<std::uint8_t, NdxKey::capacity> copy;
    std::memcpy(copy.data(), key, m_key_length);
    for (int l = level; l >= 0; --l) {
        const Level& lv = m_at.path[l];
        if (lv.pos >= lv.entries)
            continue;
        if (!load_scratch(lv.page))
            return false;
        std::memcpy(entry(m_scratch.data(), lv.pos) + 8, copy.data(), m_key_length);
        return store(lv.page, m_scratch.data(), true);
    }
    return true;
}

std::uint32_t NdxTree::new_page()
{
    if (m_next_free >= page_limit)
        return fail_file(), 0;
    return m_next_free++;
}

// Splits the overfull page in the scratch buffer, which stands at path
// level `level`, and inserts the separator into its parent, splitting
// upwards while a parent overflows.
bool NdxTree::split(int level)
{
    for (;;) {
        const Level& lv = m_at.path[level];
        bool inner = lv.inner;
        std::size_t k = read_le16(m_scratch.data());
        std::size_t e = inner ? k + 1 : k;
        std::size_t h = e / 2;
        std::uint32_t fresh = new_page();
        if (!fresh)
            return false;

        std::array<std::uint8_t, NdxKey::capacity> separator;
        std::memcpy(separator.data(), key_of(m_scratch.data(), h - 1), m_key_length);

        std::memset(m_left_page.data(), 0, page_size);
        std::memset(m_right_page.data(), 0, page_size);
        if (inner) {
            write_le16(m_left_page.data(), static_cast<std::uint32_t>(h - 1));
            std::memcpy(m_left_page.data() + 4, m_scratch.data() + 4, (h - 1) * m_entry_size);
            write_le32(entry(m_left_page.data(), h - 1), left_of(m_scratch.data(), h - 1));
            write_le16(m_right_page.data(), static_cast<std::uint32_t>(k - h));
            std::memcpy(m_right_page.data() + 4, entry(m_scratch.data(), h), (k - h) * m_entry_size);
            write_le32(entry(m_right_page.data(), k - h), left_of(m_scratch.data(), k));
        } else {
            write_le16(m_left_page.data(), static_cast<std::uint32_t>(h));
            std::memcpy(m_left_page.data() + 4, m_scratch.data() + 4, h * m_entry_size);
            write_le16(m_right_page.data(), static_cast<std::uint32_t>(k - h));
            std::memcpy(m_right_page.data() + 4, entry(m_scratch.data(), h), (k - h) * m_entry_size);
        }
        if (!store(fresh, m_left_page.data(), inner) || !store(lv.page, m_right_page.data(), inner) ||
            !put_header())
            return false;

        if (level == 0) {
            std::uint32_t new_root = new_page();
            if (!new_root)
                return false;
            std::memset(m_left_page.data(), 0, page_size);
            write_le16(m_left_page.data(), 1);
            write_le32(entry(m_left_page.data(), 0), fresh);
            std::memcpy(entry(m_left_page.data(), 0) + 8, separator.data(), m_key_length);
            write_le32(entry(m_left_page.data(), 1), lv.page);
            m_root = new_root;
            return store(new_root, m_left_page.data(), true) && put_header();
        }

        --level;
        const Level& parent = m_at.path[level];
        if (!load_scratch(parent.page))
            return false;
        std::size_t kp = read_le16(m_scratch.data());
        std::uint8_t* at_entry = entry(m_scratch.data(), parent.pos);
        std::memmove(at_entry + m_entry_size, at_entry, (kp + 1 - parent.pos) * m_entry_size);
        std::memset(at_entry, 0, m_entry_size);
        write_le32(at_entry, fresh);
        std::memcpy(at_entry + 8, separator.data(), m_key_length);
        write_le16(m_scratch.data(), static_cast<std::uint32_t>(kp + 1));
        if (kp + 1 <= m_max_keys)
            return store(parent.page, m_scratch.data(), true);
    }
}

bool NdxTree::insert(const NdxKey& key, std::int32_t n)
{
    // After every equal key, so that equal keys keep their order.
    if (!find(key, true))
        return false;
    int level = m_at.depth - 1;
    const Level& leaf = m_at.path[level];
    if (!load_scratch(leaf.page))
        return false;
    std::size_t k = read_le16(m_scratch.data());
    std::uint8_t* at_entry = entry(m_scratch.data(), leaf.pos);
    std::memmove(at_entry + m_entry_size, at_entry, (k - leaf.pos) * m_entry_size);
    std::memset(at_entry, 0, m_entry_size);
    write_le32(at_entry + 4, static_cast<std::uint32_t>(n));
    std::memcpy(at_entry + 8, key.bytes.data(), m_key_length);
    write_le16(m_scratch.data(), static_cast<std::uint32_t>(k + 1));
    bool became_last = leaf.pos == k;

    if (k + 1 <= m_max_keys) {
        if (!store(leaf.page, m_scratch.data(), false))
            return false;
        return !became_last || replace_separators(level - 1, key.bytes.data());
    }
    if (became_last) {
        // The separators change first; the split reads the parent again.
        std::array<std::uint8_t, 2 * page_size> held;
        std::memcpy(held.data(), m_scratch.data(), held.size());
        if (!replace_separators(level - 1, key.bytes.data()))
            return false;
        std::memcpy(m_scratch.data(), held.data(), held.size());
    }
    return split(level);
}

// Removes the entry at path level `level` from its page; a page left
// without entries is removed from its parent in turn.
bool NdxTree::remove_at(int level)
{
    const Level& lv = m_at.path[level];
    if (!load_scratch(lv.page))
        return false;
    std::size_t k = read_le16(m_scratch.data());
    std::size_t entries = lv.inner ? k + 1 : k;
    if (lv.pos >= entries)
        return fail_file();
    bool was_last = std::size_t{lv.pos} + 1 == entries;
    std::array<std::uint8_t, NdxKey::capacity> last_key{};

    if (entries == 1) {
        if (level == 0) {
            // The root stays, as an empty leaf.
            std::memset(m_scratch.data(), 0, page_size);
            return put_page(lv.page, m_scratch.data());
        }
        return remove_at(level - 1);
    }
    std::uint8_t* at_entry = entry(m_scratch.data(), lv.pos);
    if (lv.inner && was_last) {
        // The last keyed entry becomes the key-less one.
        std::memcpy(last_key.data(), key_of(m_scratch.data(), k - 1), m_key_length);
    } else {
        std::memmove(at_entry, at_entry + m_entry_size, (entries - 1 - lv.pos) * m_entry_size);
        if (!lv.inner && was_last)
            std::memcpy(last_key.data(), key_of(m_scratch.data(), k - 2), m_key_length);
    }
    write_le16(m_scratch.data(), static_cast<std::uint32_t>(k - 1));
    if (!store(lv.page, m_scratch.data(), lv.inner))
        return false;
    return !was_last || replace_separators(level - 1, last_key.data());
}

bool NdxTree::position_after_update(const NdxKey& key, std::int32_t n)
{
    // The new entry is the last of its equal keys: just before the
    // first greater key.
    if (!find(key, true))
        return false;
    m_at.record = 0;
    bool moved = false;
    if (!step(false, moved))
        return false;
    if (moved) {
        const std::uint8_t* leaf;
        if (!reread_leaf(leaf))
            return false;
        const Level& l = m_at.path[m_at.depth - 1];
        if (l.pos < l.entries && record_of(leaf, l.pos) == n) {
            set_current(leaf);
            return true;
        }
    }
    std::int32_t found = 0;
    if (!seek(key, found))
        return false;
    while (m_at.record != n && found) {
        if (!move(true))
            return false;
        if (m_at.end)
            break;
    }
    return true;
}

} // namespace talven
