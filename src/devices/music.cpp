// SOUND, PLAYSOUND, PLAY, MIDINOTES, @MCI$ and &MCIERROR: the handlers
// fetch, the players of music_player.cpp play, the host sounds.
#include "devices/music.h"

#include "core/dispatch.h"
#include "core/loop.h"
#include "core/runtime.h"
#include "values/arguments.h"
#include "values/fetch.h"
#include "values/function_results.h"

namespace talven {
namespace {

DeviceHost& dev(Runtime& rt) { return rt.host.devices(); }

// While a player waits, the window messages are processed.
Idle pumping(Runtime& rt)
{
    return [&rt] { pump(rt); };
}

// Frequency in Hz, duration in units of 1/2.6316 ms.
void cmd_sound(Runtime& rt)
{
    auto frequency = arg_integer(rt, ',');
    if (!frequency)
        return;
    auto duration = arg_float(rt, rest_of_text);
    if (!duration)
        return;
    dev(rt).tone(static_cast<std::uint32_t>(*frequency), tone_milliseconds(*duration));
}

// Only the flags for playing asynchronously, without the default sound,
// in a loop and without stopping another sound pass.
constexpr std::uint32_t wave_flags = 0x1B;

void cmd_playsound(Runtime& rt)
{
    auto name = arg_text(rt, ',');
    if (!name)
        return;
    auto flags = arg_integer(rt, rest_of_text);
    if (!flags)
        return;
    dev(rt).play_wave(name->view(), static_cast<std::uint32_t>(*flags) & wave_flags);
}

void cmd_play(Runtime& rt)
{
    auto music = arg_text(rt, rest_of_text);
    if (music)
        play_music(dev(rt), rt.devices.music, music->view(), pumping(rt));
}

// Whether the next separator at depth zero is ";" (another value follows).
bool another_value(const Runtime& rt)
{
    std::string_view rest = rt.loop.args.view();
    std::size_t semicolon = find_at_depth_zero(rest, ';');
    return semicolon != std::string_view::npos && semicolon < find_at_depth_zero(rest, ',');
}

// Values separated by ";", then "," the length and "," the dots.
void cmd_midinotes(Runtime& rt)
{
    Chord chord;
    while (chord.count < 15 && another_value(rt)) {
        auto value = arg_integer(rt, ';');
        if (!value)
            return;
        chord.values[static_cast<std::size_t>(chord.count++)] = static_cast<std::int8_t>(*value & 0xFF);
    }
    auto value = arg_integer(rt, ',');
    if (!value)
        return;
    chord.values[static_cast<std::size_t>(chord.count++)] = static_cast<std::int8_t>(*value & 0xFF);
    auto length = arg_integer(rt, ',');
    if (!length)
        return;
    auto dots = arg_integer(rt, rest_of_text);
    if (!dots)
        return;
    chord.length = *length;
    chord.dots = static_cast<std::uint8_t>(*dots & 0xFF);
    if (sound_chord(dev(rt), chord, pumping(rt)) == ChordResult::NoDevice)
        rt.warning(Msg::SoundFailed);
}

// The answer, or MCI's text for the error; the code stays for &MCIERROR.
void fn_mci_str(Runtime& rt)
{
    ShortString command = *arg_text(rt, ')');
    MciAnswer answer = dev(rt).mci_command(command.view());
    rt.devices.mci_error = answer.error;
    if (answer.error != 0)
        result_text(rt, dev(rt).mci_error_text(answer.error).view());
    else
        result_text(rt, answer.text.view());
}

void sys_mcierror(Runtime& rt)
{
    rt.value.long_integer = static_cast<std::int32_t>(rt.devices.mci_error);
    rt.value.integer = rt.value.long_integer;
}

constexpr CommandEntry commands[] = {
    {Tok::Sound, cmd_sound},
    {Tok::Playsound, cmd_playsound},
    {Tok::Play, cmd_play},
    {Tok::Midinotes, cmd_midinotes},
};

constexpr FunctionEntry functions[] = {
    {Fn::MciStr, fn_mci_str},
};

constexpr SysVarEntry sysvars[] = {
    {SysVar::Mcierror, sys_mcierror},
};

} // namespace

std::span<const CommandEntry> music_commands() { return commands; }
std::span<const FunctionEntry> music_functions() { return functions; }
std::span<const SysVarEntry> music_sysvars() { return sysvars; }

} // namespace talven
