// Index files on the block cache, and the field list for key expressions.
#include "data/table_index.h"

#include "data/block_file.h"
#include "data/db_error.h"
#include "data/table.h"

namespace talven {

namespace {

class BlockStorage final : public NdxStorage {
public:
    BlockStorage() : m_file(cache_size::index, 1) {}

    FsCode open(HostFileSystem& fs, std::uint8_t mode, std::string_view name, FileCreation creation)
    {
        m_file.bind(name);
        return m_file.open(fs, mode, creation, m_error);
    }

    // The index code reports its own codes; what the cache would record
    // is not needed beside them.
    bool read(std::uint64_t offset, void* bytes, std::size_t count) override
    {
        m_error.clear();
        return m_file.read(static_cast<std::int64_t>(offset), count, bytes, m_error) == count;
    }
    bool write(std::uint64_t offset, const void* bytes, std::size_t count) override
    {
        m_error.clear();
        return m_file.write(static_cast<std::int64_t>(offset), count, bytes, m_error);
    }
    std::uint64_t size() override { return m_file.size(); }
    bool close() override { return m_file.close() == fs_code::ok; }

private:
    BlockFile m_file;
    DbError m_error;
};

} // namespace

std::unique_ptr<NdxStorage> open_index_storage(HostFileSystem& fs, std::uint8_t mode, std::string_view name,
                                               FileCreation creation, FsCode& code)
{
    auto storage = std::make_unique<BlockStorage>();
    code = storage->open(fs, mode, name, creation);
    if (code != fs_code::ok)
        return nullptr;
    return storage;
}

std::vector<NdxField> index_fields(const Table& table)
{
    std::vector<NdxField> fields;
    fields.reserve(table.fields.size());
    for (const FieldDescriptor& f : table.fields)
        fields.push_back({f.name.view(), f.type, f.offset, f.length});
    return fields;
}

} // namespace talven
