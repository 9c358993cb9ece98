// File access without exceptions: std::filesystem's error_code overloads.
#include "tools/file_io.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace talven::tools {

namespace fs = std::filesystem;

std::optional<std::string> read_file(const fs::path& path, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path.string();
        return std::nullopt;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "cannot read " + path.string();
        return std::nullopt;
    }
    return bytes;
}

bool write_file(const fs::path& path, std::string_view bytes, std::string& error, const fs::path* mode_of)
{
    fs::path temporary = path;
    temporary += ".talvenc-tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            error = "cannot write " + path.string();
            return false;
        }
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            error = "cannot write " + path.string();
            return false;
        }
    }
    std::error_code ec;
    if (mode_of) {
        auto status = fs::status(*mode_of, ec);
        if (!ec)
            fs::permissions(temporary, status.permissions(), fs::perm_options::replace, ec);
    }
    fs::rename(temporary, path, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        error = "cannot write " + path.string() + ": " + ec.message();
        return false;
    }
    return true;
}

} // namespace talven::tools
