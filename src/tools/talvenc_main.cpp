// talvenc: command line of the developer tool (compile, list, bind).
#include "tools/binder.h"
#include "tools/compiler.h"
#include "tools/file_io.h"
#include "tools/lister.h"
#include "tools/tvc_format.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#if defined(_WIN32)
// The one system call talvenc needs on Windows; declared here rather than
// pulling <windows.h> into the tools.
extern "C" __declspec(dllimport) unsigned long __stdcall GetModuleFileNameW(void* module, wchar_t* name, unsigned long size);
#endif

namespace fs = std::filesystem;
using namespace talven::tools;

namespace {

constexpr std::string_view version_text = "talvenc 1.0 (compiled program format 5)";
constexpr std::size_t max_reported_errors = 50;

constexpr std::string_view help_text = R"(Usage:
  talvenc PROGRAM.tvs [-o OUT.TVC] [--plain]
      compile UTF-8 source to a compiled program (default: PROGRAM.TVC beside it)
  talvenc --list PROGRAM.TVC [-o OUT.tvs]
      print a compiled program as source (to standard output by default)
  talvenc --bind PROGRAM.TVC -o OUT [--runtime RUNTIME]
      make a stand-alone executable: a copy of the runtime with the program
      appended (default runtime: talven beside talvenc)
  talvenc --help | --version

Options:
  -o FILE         output file
  --plain         store the lines unscrambled (line key 0)
  --runtime FILE  runtime executable to bind to
)";

enum class Mode { Compile, List, Bind };

struct Options {
    Mode mode = Mode::Compile;
    std::string input;
    std::string output;
    std::string runtime;
    bool plain = false;
};

int fail(const std::string& message)
{
    std::fprintf(stderr, "talvenc: %s\n", message.c_str());
    return 1;
}

fs::path own_executable(const char* argv0)
{
#if defined(__linux__)
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec)
        return self;
#elif defined(_WIN32)
    wchar_t self[32768];
    unsigned long length = GetModuleFileNameW(nullptr, self, 32768);
    if (length > 0 && length < 32768)
        return fs::path(std::wstring(self, length));
#endif
    return fs::absolute(fs::path(argv0));
}

fs::path default_runtime(const char* argv0)
{
#if defined(_WIN32)
    const char* name = "talven.exe";
#else
    const char* name = "talven";
#endif
    return own_executable(argv0).parent_path() / name;
}

int compile(const Options& o)
{
    std::string error;
    auto source = read_file(o.input, error);
    if (!source)
        return fail(error);
    CompileResult result = compile_source(*source);
    if (!result.ok()) {
        std::size_t shown = 0;
        for (const auto& d : result.diagnostics) {
            if (shown++ == max_reported_errors) {
                std::fprintf(stderr, "talvenc: too many errors, stopping\n");
                break;
            }
            std::fprintf(stderr, "%s\n", format_diagnostic(o.input, d).c_str());
        }
        return 1;
    }
    fs::path output = o.output;
    if (output.empty())
        output = fs::path(o.input).replace_extension(".TVC");
    std::error_code ec;
    if (fs::equivalent(output, o.input, ec))
        return fail("the output would overwrite the source " + o.input);
    if (!write_file(output, write_tvc(result.program(), o.plain ? KeyMode::Plain : KeyMode::Scrambled), error))
        return fail(error);
    return 0;
}

int list(const Options& o)
{
    std::string error;
    auto bytes = read_file(o.input, error);
    if (!bytes)
        return fail(error);
    auto program = read_tvc(*bytes, error);
    if (!program)
        return fail(o.input + ": " + error);
    std::string source = list_program(program->lines);
    if (o.output.empty()) {
        std::fwrite(source.data(), 1, source.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : fail("cannot write the listing");
    }
    return write_file(o.output, source, error) ? 0 : fail(error);
}

int bind(const Options& o, const char* argv0)
{
    if (o.output.empty())
        return fail("--bind needs -o OUT");
    fs::path runtime_path = o.runtime.empty() ? default_runtime(argv0) : fs::path(o.runtime);
    std::string error;
    auto program = read_file(o.input, error);
    if (!program)
        return fail(error);
    auto runtime = read_file(runtime_path, error);
    if (!runtime)
        return fail(error + " (name the runtime with --runtime)");
    auto bound = bind_program(*runtime, *program, error);
    if (!bound)
        return fail(error);
    return write_file(o.output, *bound, error, &runtime_path) ? 0 : fail(error);
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    std::vector<std::string_view> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view a = args[i];
        auto value = [&](std::string& target) {
            if (i + 1 >= args.size())
                return false;
            target = args[++i];
            return true;
        };
        if (a == "--help" || a == "-h") {
            std::fputs(help_text.data(), stdout);
            return 0;
        }
        if (a == "--version") {
            std::printf("%s\n", version_text.data());
            return 0;
        }
        bool ok = true;
        if (a == "--list") {
            o.mode = Mode::List;
            ok = value(o.input);
        } else if (a == "--bind") {
            o.mode = Mode::Bind;
            ok = value(o.input);
        } else if (a == "-o") {
            ok = value(o.output);
        } else if (a == "--runtime") {
            ok = value(o.runtime);
        } else if (a == "--plain") {
            o.plain = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return fail("unknown option " + std::string(a) + " (see --help)");
        } else if (o.input.empty() && o.mode == Mode::Compile) {
            o.input = a;
        } else {
            return fail("unexpected argument " + std::string(a) + " (see --help)");
        }
        if (!ok)
            return fail(std::string(a) + " needs a file name");
    }
    if (o.input.empty())
        return fail("no input file (see --help)");
    switch (o.mode) {
    case Mode::Compile: return compile(o);
    case Mode::List: return list(o);
    case Mode::Bind: return bind(o, argv[0]);
    }
    return 1;
}
