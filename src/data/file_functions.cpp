// The functions of the numbered files and of file management. Like the
// commands, they leave failures pending for %IORESULT and still give a
// result: 0, -1, 65535 or the empty text, as each one documents.
#include <climits>

#include "core/dispatch.h"
#include "core/runtime.h"
#include "data/file_arguments.h"
#include "data/file_management.h"
#include "data/numbered_files.h"
#include "values/arguments.h"
#include "values/function_results.h"

namespace talven {

namespace {

constexpr std::int32_t no_attributes = 65535;

// The slot of a function whose only argument is "#n" (the "#" may be left
// out); null after a report.
FileSlot* only_slot(Runtime& rt)
{
    auto n = arg_file_number(rt, HashMark::Optional, ')');
    return n ? &rt.files.slots[static_cast<std::size_t>(*n)] : nullptr;
}

// Positions and sizes are integers to the program; a file beyond 2 GiB
// reads as the largest one.
std::int32_t saturated(std::uint64_t value) { return value > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(value); }

void fn_blockread(Runtime& rt)
{
    std::int32_t read = 0;
    auto n = arg_file_number(rt, HashMark::Optional, ',');
    if (n) {
        ShortString area = arg_area_name(rt);
        auto offset = arg_long(rt, ',');
        auto count = offset ? arg_long(rt, ')') : Arg<std::int32_t>{};
        if (count) {
            if (std::uint8_t* bytes = area_range(rt, area.view(), *offset, *count)) {
                Transfer got = read_block(rt.files.slots[static_cast<std::size_t>(*n)], bytes, static_cast<std::size_t>(*count));
                rt.files.note(got.code);
                read = static_cast<std::int32_t>(got.bytes);
            }
        }
    }
    result_integer(rt, read);
}

void fn_getbyte(Runtime& rt)
{
    std::int32_t byte = 0;
    if (FileSlot* slot = only_slot(rt)) {
        auto got = get_byte(*slot);
        rt.files.note(got.code);
        byte = got.value;
    }
    result_integer(rt, byte);
}

void fn_filepos(Runtime& rt)
{
    std::int32_t position = 0;
    if (FileSlot* slot = only_slot(rt)) {
        auto got = binary_position(*slot);
        rt.files.note(got.code);
        position = saturated(got.value);
    }
    result_integer(rt, position);
}

void fn_filesize(Runtime& rt)
{
    std::int32_t size = 0;
    if (FileSlot* slot = only_slot(rt)) {
        auto got = binary_size(*slot);
        rt.files.note(got.code);
        size = saturated(got.value);
    }
    result_integer(rt, size);
}

// A channel that is not open for reading is at its end.
void fn_eof(Runtime& rt)
{
    std::int32_t at_end = 1;
    if (FileSlot* slot = only_slot(rt)) {
        EndTest end = text_at_end(*slot);
        rt.files.note(end.code);
        at_end = end.at_end ? 1 : 0;
    }
    result_integer(rt, at_end);
}

// The facts about the file the slot names; nothing, with the code pending,
// when there is no such file.
std::optional<FileInfo> slot_file_info(Runtime& rt, const FileSlot& slot)
{
    if (!slot.assigned) {
        rt.files.note(file_code::not_open);
        return std::nullopt;
    }
    auto info = rt.host.files().info(slot.name.view());
    rt.files.note(info.code);
    if (!info.ok())
        return std::nullopt;
    return info.value;
}

void fn_fileattr(Runtime& rt)
{
    std::int32_t attributes = no_attributes;
    if (FileSlot* slot = only_slot(rt))
        if (auto info = slot_file_info(rt, *slot))
            attributes = static_cast<std::int32_t>(info->attributes & 0xFFFF);
    result_integer(rt, attributes);
}

void fn_filedate_str(Runtime& rt)
{
    ShortString date;
    if (FileSlot* slot = only_slot(rt))
        if (auto info = slot_file_info(rt, *slot))
            date = date_digits(info->modified);
    result_text(rt, date.view());
}

// A file that can't be opened is a warning; should the program go on, the
// length is -1.
void fn_filelength(Runtime& rt)
{
    std::int32_t length = -1;
    if (auto name = arg_text(rt, ')')) {
        if (auto size = file_length(rt.host.files(), name->view(), rt.files.mode))
            length = saturated(*size);
        else
            rt.warning(Msg::FileNotFound, name->view());
    }
    result_long(rt, length);
}

void disk_function(Runtime& rt, DiskFigure which)
{
    std::int32_t figure = -1;
    if (auto drive = arg_text(rt, ')'))
        figure = disk_figure(rt.host.files(), drive->view(), which);
    result_long(rt, figure);
}

void fn_diskfree(Runtime& rt) { disk_function(rt, DiskFigure::Free); }
void fn_disksize(Runtime& rt) { disk_function(rt, DiskFigure::Total); }

void path_function(Runtime& rt, std::optional<ShortString> (HostFileSystem::*form)(std::string_view))
{
    std::optional<ShortString> path;
    if (auto name = arg_text(rt, ')'))
        path = (rt.host.files().*form)(name->view());
    result_text(rt, path ? path->view() : std::string_view());
}

void fn_fullpath_str(Runtime& rt) { path_function(rt, &HostFileSystem::full_path); }
void fn_shortpath_str(Runtime& rt) { path_function(rt, &HostFileSystem::short_path); }

void search_result(Runtime& rt, const std::optional<ShortString>& entry)
{
    rt.files.search_status = entry ? 0 : file_code::search_ended;
    result_text(rt, entry ? entry->view() : std::string_view());
}

void fn_findfirst_str(Runtime& rt)
{
    auto pattern = arg_text(rt, ')');
    if (!pattern) {
        result_text(rt, {});
        return;
    }
    search_result(rt, find_first(rt.files.search, rt.host.files(), pattern->view()));
}

void fn_findnext_str(Runtime& rt) { search_result(rt, find_next(rt.files.search, rt.host.files())); }

constexpr FunctionEntry functions[] = {
    {Fn::Blockread, fn_blockread},
    {Fn::FullpathStr, fn_fullpath_str},
    {Fn::ShortpathStr, fn_shortpath_str},
    {Fn::Fileattr, fn_fileattr},
    {Fn::FiledateStr, fn_filedate_str},
    {Fn::Getbyte, fn_getbyte},
    {Fn::Filepos, fn_filepos},
    {Fn::Filesize, fn_filesize},
    {Fn::Diskfree, fn_diskfree},
    {Fn::Disksize, fn_disksize},
    {Fn::FindfirstStr, fn_findfirst_str},
    {Fn::FindnextStr, fn_findnext_str},
    {Fn::Filelength, fn_filelength},
    {Fn::Eof, fn_eof},
};

} // namespace

std::span<const FunctionEntry> file_functions() { return functions; }

} // namespace talven
