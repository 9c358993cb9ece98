// An attached NDX index: the key expression resolved against the table's
// fields, keys built from records and search texts, and the B-tree those
// keys go to (data/ndx_btree.cpp).
#include "data/ndx_index.h"

#include <algorithm>
#include <cstring>

#include "data/ndx_btree.h"
#include "data/ndx_key.h"

namespace talven {

namespace {

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
    Impl(std::string_view file_name, std::unique_ptr<NdxStorage> storage) : tree(file_name, std::move(storage)) {}
    NdxTree tree;
    NdxExpression expr;
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
    auto impl = std::make_unique<Impl>(file_name, std::move(storage));
    NdxTree& tree = impl->tree;
    if (NdxStatus s = tree.open(); !s.ok())
        return s;
    auto refuse = [&] {
        tree.abandon();
        return failure(ndx_code::bad_file, file_name);
    };
    std::string_view raw = tree.header_expression();
    while (!raw.empty() && raw.front() == ' ')
        raw.remove_prefix(1);
    while (!raw.empty() && raw.back() == ' ')
        raw.remove_suffix(1);
    if (raw.size() > max_expression)
        return refuse();
    resolve_expression(raw, fields, impl->expr);
    // Keys built from the expression must fill the entries exactly.
    if (impl->expr.failure.ok() && tree.key_type() == NdxKeyType::Character &&
        impl->expr.text_length != tree.key_length())
        return refuse();
    m = std::move(impl);
    return {};
}

NdxStatus NdxIndex::create(std::string_view file_name, std::unique_ptr<NdxStorage> storage,
                           const NdxDefinition& definition, std::span<const NdxField> fields)
{
    close();
    if (!NdxTree::write_empty(*storage, definition)) {
        storage->close();
        return failure(ndx_code::page_short, "Ndx_Put/New");
    }
    return open(file_name, std::move(storage), fields);
}

NdxStatus NdxIndex::close()
{
    if (!m)
        return {};
    NdxStatus result = m->tree.close();
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
        return failure(ndx_code::bad_file, x.tree.file_name());
    if (x.tree.key_type() == NdxKeyType::Numeric) {
        std::string_view t(reinterpret_cast<const char*>(text.data()), length);
        auto number = ndx_number(t);
        if (!number)
            return failure(ndx_code::not_a_number, t);
        store_numeric_key(*number, key.bytes.data());
        key.size = 8;
        return {};
    }
    std::size_t key_length = x.tree.key_length();
    std::size_t n = std::min(length, key_length);
    std::memcpy(key.bytes.data(), text.data(), n);
    std::memset(key.bytes.data() + n, ' ', key_length - n);
    key.size = static_cast<std::uint16_t>(key_length);
    return {};
}

NdxStatus NdxIndex::search_key(std::string_view text, NdxMatch match, NdxKey& key) const
{
    if (!m)
        return not_open();
    const Impl& x = *m;
    if (x.tree.key_type() == NdxKeyType::Numeric) {
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
    std::size_t key_length = x.tree.key_length();
    if (match == NdxMatch::Exact && n < key_length) {
        std::memset(key.bytes.data() + n, ' ', key_length - n);
        key.size = static_cast<std::uint16_t>(key_length);
    }
    return {};
}

NdxStatus NdxIndex::search(const NdxKey& key, NdxMatch match, std::int32_t& record)
{
    record = 0;
    if (!m)
        return not_open();
    NdxTree& tree = m->tree;
    std::uint16_t key_length = tree.key_length();
    NdxKey padded;
    const NdxKey* k = &key;
    if (match == NdxMatch::Exact && tree.key_type() == NdxKeyType::Character && key.size < key_length) {
        padded = key;
        std::memset(padded.bytes.data() + key.size, ' ', key_length - key.size);
        padded.size = key_length;
        k = &padded;
    }
    if (tree.key_type() == NdxKeyType::Numeric && key.size != 8)
        return failure(ndx_code::not_a_number, {});
    return tree.search(*k, record);
}

NdxStatus NdxIndex::first() { return m ? m->tree.first() : not_open(); }
NdxStatus NdxIndex::last() { return m ? m->tree.last() : not_open(); }
NdxStatus NdxIndex::next() { return m ? m->tree.next() : not_open(); }
NdxStatus NdxIndex::previous() { return m ? m->tree.previous() : not_open(); }

NdxStatus NdxIndex::go_to_record(std::int32_t n, bool& found, std::span<const std::uint8_t> stored)
{
    found = false;
    if (!m)
        return not_open();
    NdxKey key;
    bool keyed = !stored.empty() && compute_key(stored, key).ok();
    return m->tree.go_to_record(n, found, keyed ? &key : nullptr);
}

NdxStatus NdxIndex::update(std::span<const std::uint8_t> record, std::int32_t n, std::int32_t previous,
                           NdxUpdate how, std::span<const std::uint8_t> replaced)
{
    if (!m)
        return not_open();
    NdxTree& tree = m->tree;
    NdxKey old_key;
    const NdxKey* stored_key = !replaced.empty() && compute_key(replaced, old_key).ok() ? &old_key : nullptr;
    NdxKey key;
    if (NdxStatus s = compute_key(record, key); !s.ok()) {
        // The record no longer has the key it is filed under: its entry
        // goes, so that no search finds it by a value it does not hold.
        if (previous == n) {
            if (NdxStatus removal = tree.remove(n, stored_key); !removal.ok())
                s = removal;
        }
        tree.forget_position();
        return s;
    }
    return tree.update(key, n, previous, how, stored_key);
}

std::int32_t NdxIndex::record() const { return m ? m->tree.record() : 0; }
bool NdxIndex::at_end() const { return m ? m->tree.at_end() : true; }
bool NdxIndex::at_start() const { return m ? m->tree.at_start() : false; }
std::string_view NdxIndex::file_name() const { return m ? m->tree.file_name() : std::string_view{}; }
std::string_view NdxIndex::expression() const { return m ? m->expr.text.view() : std::string_view{}; }
NdxKeyType NdxIndex::key_type() const { return m ? m->tree.key_type() : NdxKeyType::Character; }
std::size_t NdxIndex::key_length() const { return m ? m->tree.key_length() : 0; }

} // namespace talven
