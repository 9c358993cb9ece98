// What the index code needs of the table layer: index files behind the
// block cache, and the table's fields as key expressions see them.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "data/ndx_index.h"
#include "host/host_files.h"

namespace talven {

struct Table;

// Opens (or creates) an index file with the access and sharing of the
// file-open mode, behind a 16384-byte block cache. Null with the code of
// the failure.
std::unique_ptr<NdxStorage> open_index_storage(HostFileSystem& fs, std::uint8_t mode, std::string_view name,
                                               FileCreation creation, FsCode& code);

// The table's fields; the names point into the table, which must outlive
// the list.
std::vector<NdxField> index_fields(const Table& table);

} // namespace talven
