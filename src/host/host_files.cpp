// The file system that refuses every operation, for hosts without one.
#include "host/host_files.h"

namespace talven {

HostFileSystem& no_file_system()
{
    static HostFileSystem none;
    return none;
}

} // namespace talven
