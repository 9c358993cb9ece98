// The commands of the numbered files and of file management. Failures of
// the file operations stay pending for %IORESULT; misuse of the language
// and the failures of COPYFILE and LOADTEXT are reported.
#include "data/file_commands.h"

#include <string>

#include "core/dispatch.h"
#include "core/runtime.h"
#include "data/file_arguments.h"
#include "data/file_management.h"
#include "data/numbered_files.h"
#include "values/arguments.h"
#include "values/conversions.h"
#include "values/print_format.h"
#include "values/variables.h"

namespace talven {

namespace {

constexpr std::string_view line_end = "\r\n";
constexpr std::size_t input_line_limit = 255;

// The slot of a command whose only argument is "#n"; null after a report.
FileSlot* only_slot(Runtime& rt)
{
    auto n = arg_file_number(rt, HashMark::Required, rest_of_text);
    return n ? &rt.files.slots[static_cast<std::size_t>(*n)] : nullptr;
}

void open_text_command(Runtime& rt, TextOpen how)
{
    if (FileSlot* slot = only_slot(rt))
        rt.files.note(open_text(*slot, rt.host.files(), how));
}

void cmd_assign(Runtime& rt)
{
    auto n = arg_file_number(rt, HashMark::Required, ',');
    if (!n)
        return;
    auto name = arg_text(rt, rest_of_text);
    if (name)
        assign_file(rt.files.slots[static_cast<std::size_t>(*n)], name->view());
}

void cmd_reset(Runtime& rt) { open_text_command(rt, TextOpen::Reset); }
void cmd_rewrite(Runtime& rt) { open_text_command(rt, TextOpen::Rewrite); }
void cmd_append(Runtime& rt) { open_text_command(rt, TextOpen::Append); }

void cmd_close(Runtime& rt)
{
    if (FileSlot* slot = only_slot(rt))
        rt.files.note(close_text(*slot));
}

void cmd_erase(Runtime& rt)
{
    if (FileSlot* slot = only_slot(rt))
        rt.files.note(erase_file(*slot, rt.host.files()));
}

void cmd_rename(Runtime& rt)
{
    auto n = arg_file_number(rt, HashMark::Required, ',');
    if (!n)
        return;
    auto name = arg_text(rt, rest_of_text);
    if (name)
        rt.files.note(rename_file(rt.files.slots[static_cast<std::size_t>(*n)], rt.host.files(), name->view()));
}

void cmd_setfileattr(Runtime& rt)
{
    auto n = arg_file_number(rt, HashMark::Required, ',');
    if (!n)
        return;
    auto attributes = arg_integer(rt, rest_of_text);
    if (!attributes)
        return;
    const FileSlot& slot = rt.files.slots[static_cast<std::size_t>(*n)];
    if (!slot.assigned)
        rt.files.note(file_code::not_open);
    else
        rt.files.note(rt.host.files().set_attributes(slot.name.view(), static_cast<std::uint32_t>(*attributes)));
}

void cmd_openbinary(Runtime& rt)
{
    if (FileSlot* slot = only_slot(rt)) {
        rt.files.pending = fs_code::ok;
        rt.files.note(open_binary(*slot, rt.host.files(), rt.files.mode));
    }
}

void cmd_closebinary(Runtime& rt)
{
    if (FileSlot* slot = only_slot(rt))
        rt.files.note(close_binary(*slot));
}

void cmd_putbyte(Runtime& rt)
{
    auto n = arg_file_number(rt, HashMark::Required, ',');
    if (!n)
        return;
    auto value = arg_integer(rt, rest_of_text);
    if (value)
        rt.files.note(put_byte(rt.files.slots[static_cast<std::size_t>(*n)], static_cast<std::uint8_t>(*value & 0xFF)));
}

void cmd_seek(Runtime& rt)
{
    auto n = arg_file_number(rt, HashMark::Required, ',');
    if (!n)
        return;
    auto position = arg_long(rt, rest_of_text);
    if (position)
        rt.files.note(seek_binary(rt.files.slots[static_cast<std::size_t>(*n)], *position));
}

void cmd_blockwrite(Runtime& rt)
{
    auto n = arg_file_number(rt, HashMark::Optional, ',');
    if (!n)
        return;
    ShortString area = arg_area_name(rt);
    auto offset = arg_long(rt, ',');
    if (!offset)
        return;
    auto count = arg_long(rt, rest_of_text);
    if (!count)
        return;
    if (std::uint8_t* bytes = area_range(rt, area.view(), *offset, *count))
        rt.files.note(write_block(rt.files.slots[static_cast<std::size_t>(*n)], bytes, static_cast<std::size_t>(*count)));
}

void cmd_copyfile(Runtime& rt)
{
    auto source = arg_text(rt, '>');
    if (!source)
        return;
    auto target = arg_text(rt, rest_of_text);
    if (!target)
        return;
    rt.files.pending = fs_code::ok;
    switch (copy_file(rt.host.files(), source->view(), target->view(), rt.files.mode)) {
    case CopyOutcome::Copied:
        break;
    case CopyOutcome::SourceNotReadable:
        rt.fatal(Msg::FileNotReadable, source->view());
        break;
    case CopyOutcome::TargetNotCreatable:
        rt.fatal(Msg::FileNotCreatable, target->view());
        break;
    case CopyOutcome::ReadFailed:
        rt.fatal(Msg::ReadError, source->view());
        break;
    case CopyOutcome::WriteFailed:
        rt.fatal(Msg::WriteError, target->view());
        break;
    case CopyOutcome::WriteShort:
        // The target is incomplete: the program must hear of it, but may
        // go on (to make room and copy again).
        rt.warning(Msg::WriteError, target->view());
        break;
    }
}

void directory_command(Runtime& rt, FsCode (HostFileSystem::*operation)(std::string_view))
{
    auto name = arg_text(rt, rest_of_text);
    if (name)
        rt.files.note((rt.host.files().*operation)(directory_argument(name->view())));
}

void cmd_chdir(Runtime& rt) { directory_command(rt, &HostFileSystem::change_directory); }
void cmd_mkdir(Runtime& rt) { directory_command(rt, &HostFileSystem::make_directory); }
void cmd_rmdir(Runtime& rt) { directory_command(rt, &HostFileSystem::remove_directory); }

void cmd_loadtext(Runtime& rt)
{
    ShortString area_name = arg_area_name(rt);
    auto name = arg_text(rt, rest_of_text);
    if (!name)
        return;
    AreaBlock* area = area_for_access(rt, area_name.view(), 0, 0);
    if (!area)
        return;
    switch (load_text(rt.host.files(), name->view(), area->block, area->size)) {
    case LoadOutcome::Loaded:
        break;
    case LoadOutcome::NotReadable:
        rt.fatal(Msg::FileNotReadable, name->view());
        break;
    case LoadOutcome::ReadFailed:
        rt.fatal(Msg::ReadError, name->view());
        break;
    case LoadOutcome::DoesNotFit:
        rt.warning(Msg::TextDoesNotFitArea);
        break;
    }
}

void cmd_filemode(Runtime& rt)
{
    if (auto mode = arg_integer(rt, rest_of_text))
        rt.files.mode = static_cast<std::uint8_t>(*mode & 0xFF);
}

void cmd_addfiles(Runtime& rt)
{
    bool recursive = !rt.loop.args.empty() && rt.loop.args.front() == '*';
    if (recursive)
        rt.loop.args.drop_front(1);
    auto pattern = arg_text(rt, rest_of_text);
    if (!pattern)
        return;
    // The listing uses the one search record: a search begun before ends.
    rt.files.search = DirectorySearch{};
    auto& entries = rt.elements.entries;
    if (recursive)
        add_entries_recursively(rt.host.files(), entries, ElementList::capacity, pattern->view());
    else if (add_entries(rt.host.files(), entries, ElementList::capacity, pattern->view()) == AddOutcome::ListFull)
        rt.fatal(Msg::TooManyElements);
}

// Whether a scalar variable of that name is declared: INPUT # stores only
// into one.
bool is_declared_scalar(Runtime& rt, const ShortString& name)
{
    VariableStore& store = rt.variables;
    switch (name.empty() ? '\0' : name[name.size() - 1]) {
    case '%': return store.integers.find(name.view()) != nullptr;
    case '&': return store.longs.find(name.view()) != nullptr;
    case '!': return store.floats.find(name.view()) != nullptr;
    case '$': return store.strings.find(name.view()) != nullptr;
    default: return false;
    }
}

constexpr CommandEntry commands[] = {
    {Tok::Blockwrite, cmd_blockwrite},
    {Tok::Setfileattr, cmd_setfileattr},
    {Tok::Loadtext, cmd_loadtext},
    {Tok::Openbinary, cmd_openbinary},
    {Tok::Closebinary, cmd_closebinary},
    {Tok::Putbyte, cmd_putbyte},
    {Tok::Seek, cmd_seek},
    {Tok::Filemode, cmd_filemode},
    {Tok::Copyfile, cmd_copyfile},
    {Tok::Addfiles, cmd_addfiles},
    {Tok::Chdir, cmd_chdir},
    {Tok::Mkdir, cmd_mkdir},
    {Tok::Rmdir, cmd_rmdir},
    {Tok::Assign, cmd_assign},
    {Tok::Rename, cmd_rename},
    {Tok::Append, cmd_append},
    {Tok::Close, cmd_close},
    {Tok::Erase, cmd_erase},
    {Tok::Reset, cmd_reset},
    {Tok::Rewrite, cmd_rewrite},
};

} // namespace

std::span<const CommandEntry> file_commands() { return commands; }

bool print_to_file(Runtime& rt)
{
    if (rt.loop.args.empty() || rt.loop.args.front() != '#')
        return false;
    auto n = arg_file_number(rt, HashMark::Required, ',');
    if (!n)
        return true;
    FileSlot& slot = rt.files.slots[static_cast<std::size_t>(*n)];
    if (rt.loop.args.empty()) {
        rt.files.note(write_text(slot, line_end));
        return true;
    }
    rt.fetch.last_argument = false;
    while (!rt.fetch.last_argument) {
        if (!arg_value(rt, print_mode))
            return true;
        // One write per item, so that what was printed is on disk before
        // the next item is even evaluated.
        std::string piece(print_text(rt).view());
        if (rt.fetch.separator == ',')
            piece += ' ';
        else if (rt.fetch.separator == rest_of_text)
            piece += line_end;
        rt.files.note(write_text(slot, piece));
    }
    return true;
}

bool input_from_file(Runtime& rt)
{
    if (rt.loop.args.empty() || rt.loop.args.front() != '#')
        return false;
    auto n = arg_file_number(rt, HashMark::Required, ',');
    if (!n)
        return true;
    ShortString name = upper_trimmed(rt.loop.args.view());
    if (!is_declared_scalar(rt, name)) {
        rt.fatal(Msg::VariableNotDeclared, name.view());
        return true;
    }
    TextLine line = read_text_line(rt.files.slots[static_cast<std::size_t>(*n)], input_line_limit);
    rt.files.note(line.code);
    ShortString text(line.text);
    InputState& input = rt.input;
    Value& v = rt.value;
    switch (name[name.size() - 1]) {
    case '%':
        v.integer = input.integer = long_from_text(text.view());
        break;
    case '&':
        v.long_integer = input.long_integer = long_from_text(text.view());
        break;
    case '!':
        v.real = input.real = float_prefix_of_text(text.view());
        break;
    default:
        input.text = text;
        break;
    }
    store_scalar(rt, name.view(), text);
    return true;
}

} // namespace talven
