// A stand-in for the bridge program TALV16, for the tests of the runtime's
// side of its protocol. It reads "LIBRARY|FUNCTION|TYPES|RESULT" and the
// parameter file's path from its command line, logs what it found to
// TALV16.LOG in the current directory, answers, and creates the marker
// file. The function name picks the answer:
//   Echo   each area's bytes reversed; the result a checksum of everything
//   Liar   each area's block claims 1,000,000 bytes, and the file grows
//   Cut    the file ends inside the first area's block
//   NoMark the program ends without a marker
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

std::uint32_t le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }
void put32(unsigned char* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

bool write_file(const std::string& name, const std::vector<unsigned char>& bytes)
{
    std::FILE* f = std::fopen(name.c_str(), "wb");
    if (!f)
        return false;
    // An empty file (the marker) has no bytes to hand fwrite.
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// The file name at the end of a path, either separator.
std::string base_name(const std::string& path)
{
    std::size_t at = path.find_last_of("\\/");
    return at == std::string::npos ? path : path.substr(at + 1);
}

// "P<n>.$" for a parameter file's name (its number changes from run to run).
std::string logged_name(const std::string& name)
{
    std::size_t digits = name.size() >= 4 ? name.size() - 3 : 0;
    bool pattern = digits >= 1 && digits <= 7 && name[0] == 'P' && name.compare(name.size() - 2, 2, ".$") == 0 &&
                   name.find_first_not_of("0123456789", 1) == name.size() - 2;
    return pattern ? "P<n>.$" : name;
}

int run(int argc, char** argv)
{
    std::FILE* log = std::fopen("TALV16.LOG", "ab");
    if (!log || argc < 3)
        return 1;
    std::string request = argv[1];
    std::string path = argv[2];
    for (int i = 3; i < argc; ++i)
        path += std::string(" ") + argv[i];
    std::vector<std::string> parts;
    for (std::size_t start = 0;;) {
        std::size_t bar = request.find('|', start);
        parts.push_back(request.substr(start, bar - start));
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    if (parts.size() != 4)
        return 1;
    const std::string& function = parts[1];
    const std::string& types = parts[2];
    // The name, not the folder: that is the test's scratch folder.
    std::string name = base_name(path);
    bool full = path.size() > name.size();
    std::fprintf(log, "%s %s%s\n", request.c_str(), full ? "<folder>" : "", logged_name(name).c_str());

    std::vector<unsigned char> file;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        int c;
        while ((c = std::fgetc(f)) != EOF)
            file.push_back(static_cast<unsigned char>(c));
        std::fclose(f);
    }
    std::fprintf(log, "%lu bytes:", static_cast<unsigned long>(file.size()));
    std::size_t at = 0;
    std::uint32_t sum = 0;
    std::vector<std::size_t> blocks;
    for (char type : types) {
        if (type == '%' && at + 2 <= file.size()) {
            unsigned v = file[at] | file[at + 1] << 8;
            std::fprintf(log, " %%%u", v);
            sum += v;
            at += 2;
        } else if (type == '&' && at + 4 <= file.size()) {
            std::uint32_t v = le32(&file[at]);
            std::fprintf(log, " &%ld", static_cast<long>(static_cast<std::int32_t>(v)));
            sum += v;
            at += 4;
        } else if (type == '#' && at + 4 <= file.size()) {
            std::uint32_t size = le32(&file[at]);
            blocks.push_back(at);
            at += 4;
            std::fprintf(log, " #%lu \"", static_cast<unsigned long>(size));
            for (std::uint32_t i = 0; i < size && at < file.size(); ++i, ++at) {
                std::fputc(file[at] >= 32 && file[at] < 127 ? file[at] : '.', log);
                sum += file[at];
            }
            std::fputc('"', log);
        }
    }
    std::fprintf(log, " result slot at %lu\n", static_cast<unsigned long>(at));
    std::fclose(log);
    if (function == "NoMark")
        return 0;

    if (function == "Echo") {
        for (std::size_t block : blocks) {
            std::uint32_t size = le32(&file[block]);
            for (std::uint32_t i = 0; i < size / 2; ++i)
                std::swap(file[block + 4 + i], file[block + 4 + size - 1 - i]);
        }
        if (at + 4 <= file.size())
            put32(&file[at], sum);
    } else if (function == "Liar") {
        for (std::size_t block : blocks) {
            std::uint32_t size = le32(&file[block]);
            put32(&file[block], 1000000);
            for (std::uint32_t i = 0; i < size; ++i)
                file[block + 4 + i] = 'X';
        }
        if (at + 4 <= file.size())
            put32(&file[at], 99);
        file.resize(file.size() + 1000000, 'Y');
    } else if (function == "Cut") {
        file.resize(blocks.empty() ? 0 : blocks.front() + 6);
    }
    if (!write_file(path, file))
        return 1;
    write_file(path + "!", {});
    return 0;
}

} // namespace

#ifdef _WIN32
// A window program: started from the runtime's window, it gets no console.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return run(__argc, __argv); }
#else
int main(int argc, char** argv) { return run(argc, argv); }
#endif
