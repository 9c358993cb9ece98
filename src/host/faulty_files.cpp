// The file system that fails the calls a plan names and passes on the rest.
#include "host/faulty_files.h"

#include <array>
#include <charconv>
#include <utility>
#include <vector>

namespace talven {

enum class FaultKind { Open, Read, Write, Close, Remove, Rename, List, Directory, Count };

struct FaultPlan {
    struct Fault {
        FaultKind kind;
        unsigned call;
        FsCode code;
    };
    std::vector<Fault> faults;
    std::array<unsigned, static_cast<std::size_t>(FaultKind::Count)> calls{};

    // Counts a call of the kind; the code it is to fail with, if any.
    std::optional<FsCode> take(FaultKind kind)
    {
        unsigned n = ++calls[static_cast<std::size_t>(kind)];
        for (const auto& fault : faults)
            if (fault.kind == kind && fault.call == n)
                return fault.code;
        return std::nullopt;
    }
};

namespace {

std::optional<FaultKind> fault_kind(std::string_view word)
{
    constexpr std::pair<std::string_view, FaultKind> kinds[] = {
        {"open", FaultKind::Open},     {"read", FaultKind::Read},     {"write", FaultKind::Write},
        {"close", FaultKind::Close},   {"remove", FaultKind::Remove}, {"rename", FaultKind::Rename},
        {"list", FaultKind::List},     {"directory", FaultKind::Directory},
    };
    for (const auto& [name, kind] : kinds)
        if (name == word)
            return kind;
    return std::nullopt;
}

// The code of an error name, as the console host reports that error.
std::optional<FsCode> fault_code(std::string_view error_name)
{
    constexpr std::pair<std::string_view, FsCode> codes[] = {
        {"ENOENT", 2},   {"ENOTDIR", 3},  {"EMFILE", 4},     {"EACCES", 5},
        {"EPERM", 5},    {"EISDIR", 5},   {"EROFS", 19},     {"EBUSY", 32},
        {"EINVAL", 87},  {"ENOSPC", 112}, {"ENOTEMPTY", 145}, {"EEXIST", 183},
        {"ENAMETOOLONG", 206}, {"EFBIG", 223}, {"EIO", 1117},
    };
    for (const auto& [name, code] : codes)
        if (name == error_name)
            return code;
    return std::nullopt;
}

// The call number: its leading digits; 0 when there are none.
unsigned call_number(std::string_view text)
{
    unsigned n = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    (void)end;
    return error == std::errc() ? n : 0;
}

std::shared_ptr<FaultPlan> parse_plan(std::string_view text)
{
    auto plan = std::make_shared<FaultPlan>();
    while (!text.empty()) {
        std::size_t comma = text.find(',');
        std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        std::size_t first = item.find(':');
        std::size_t second = first == std::string_view::npos ? first : item.find(':', first + 1);
        if (second == std::string_view::npos)
            continue;
        auto kind = fault_kind(item.substr(0, first));
        auto code = fault_code(item.substr(second + 1));
        unsigned call = call_number(item.substr(first + 1, second - first - 1));
        if (kind && code && call > 0)
            plan->faults.push_back({*kind, call, *code});
    }
    return plan;
}

class FaultyHandle final : public HostFileHandle {
public:
    FaultyHandle(std::unique_ptr<HostFileHandle> inner, FileAccess access, std::shared_ptr<FaultPlan> plan)
        : m_inner(std::move(inner)), m_access(access), m_plan(std::move(plan))
    {
    }

    Transfer read(void* buffer, std::size_t size) override
    {
        if (m_access != FileAccess::Write)
            if (auto code = m_plan->take(FaultKind::Read))
                return {0, *code};
        return m_inner->read(buffer, size);
    }
    Transfer write(const void* buffer, std::size_t size) override
    {
        if (m_access != FileAccess::Read)
            if (auto code = m_plan->take(FaultKind::Write))
                return {0, *code};
        return m_inner->write(buffer, size);
    }
    FsCode seek(std::int64_t offset) override { return m_inner->seek(offset); }
    FsResult<std::uint64_t> position() override { return m_inner->position(); }
    FsResult<std::uint64_t> size() override { return m_inner->size(); }
    FsCode set_end() override
    {
        if (m_access != FileAccess::Read)
            if (auto code = m_plan->take(FaultKind::Write))
                return *code;
        return m_inner->set_end();
    }
    FileId id() const override { return m_inner->id(); }
    FsCode close() override
    {
        // Counted once: closing a closed handle is no call of the system.
        if (m_closed)
            return m_inner->close();
        m_closed = true;
        auto injected = m_plan->take(FaultKind::Close);
        FsCode code = m_inner->close();
        if (code != fs_code::ok)
            return code;
        return injected ? *injected : fs_code::ok;
    }

private:
    std::unique_ptr<HostFileHandle> m_inner;
    FileAccess m_access;
    std::shared_ptr<FaultPlan> m_plan;
    bool m_closed = false;
};

} // namespace

FaultyFiles::FaultyFiles(HostFileSystem& inner, std::string_view plan) : m_inner(inner), m_plan(parse_plan(plan)) {}

FaultyFiles::~FaultyFiles() = default;

OpenResult FaultyFiles::open(std::string_view name, FileAccess access, FileSharing sharing, FileCreation creation)
{
    if (auto code = m_plan->take(FaultKind::Open))
        return {nullptr, *code};
    OpenResult opened = m_inner.open(name, access, sharing, creation);
    if (opened.file)
        opened.file = std::make_unique<FaultyHandle>(std::move(opened.file), access, m_plan);
    return opened;
}

FsCode FaultyFiles::remove(std::string_view name)
{
    if (auto code = m_plan->take(FaultKind::Remove))
        return *code;
    return m_inner.remove(name);
}

FsCode FaultyFiles::rename(std::string_view from, std::string_view to)
{
    if (auto code = m_plan->take(FaultKind::Rename))
        return *code;
    return m_inner.rename(from, to);
}

FsCode FaultyFiles::change_directory(std::string_view name)
{
    if (auto code = m_plan->take(FaultKind::Directory))
        return *code;
    return m_inner.change_directory(name);
}

FsCode FaultyFiles::make_directory(std::string_view name)
{
    if (auto code = m_plan->take(FaultKind::Directory))
        return *code;
    return m_inner.make_directory(name);
}

FsCode FaultyFiles::remove_directory(std::string_view name)
{
    if (auto code = m_plan->take(FaultKind::Directory))
        return *code;
    return m_inner.remove_directory(name);
}

FsResult<std::vector<DirectoryEntry>> FaultyFiles::list(std::string_view pattern)
{
    if (auto code = m_plan->take(FaultKind::List))
        return {{}, *code};
    return m_inner.list(pattern);
}

} // namespace talven
