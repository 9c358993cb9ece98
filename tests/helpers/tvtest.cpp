// The library the DLL-call tests call: functions of 0 to 12 arguments that
// return a checksum of them (7 + 1000 × count + the sum of position ×
// argument, modulo 2^32), one that fills a buffer, and one in the C
// convention for calls declared with the wrong number of arguments.
#include <cstdint>

#ifdef _WIN32
#define TV_EXPORT extern "C" __declspec(dllexport)
#define TV_STDCALL __stdcall
#else
#define TV_EXPORT extern "C" __attribute__((visibility("default")))
#define TV_STDCALL
#endif

using u32 = std::uint32_t;

namespace {
u32 checksum(const u32* a, u32 n)
{
    u32 sum = 7 + 1000 * n;
    for (u32 i = 0; i < n; ++i)
        sum += (i + 1) * a[i];
    return sum;
}
} // namespace

#define TV_ARGS(n, ...)                                     \
    TV_EXPORT u32 TV_STDCALL TvArgs##n(__VA_ARGS__)

TV_EXPORT u32 TV_STDCALL TvArgs0() { return checksum(nullptr, 0); }
TV_ARGS(1, u32 a) { u32 v[] = {a}; return checksum(v, 1); }
TV_ARGS(2, u32 a, u32 b) { u32 v[] = {a, b}; return checksum(v, 2); }
TV_ARGS(3, u32 a, u32 b, u32 c) { u32 v[] = {a, b, c}; return checksum(v, 3); }
TV_ARGS(4, u32 a, u32 b, u32 c, u32 d) { u32 v[] = {a, b, c, d}; return checksum(v, 4); }
TV_ARGS(5, u32 a, u32 b, u32 c, u32 d, u32 e) { u32 v[] = {a, b, c, d, e}; return checksum(v, 5); }
TV_ARGS(6, u32 a, u32 b, u32 c, u32 d, u32 e, u32 f) { u32 v[] = {a, b, c, d, e, f}; return checksum(v, 6); }
TV_ARGS(7, u32 a, u32 b, u32 c, u32 d, u32 e, u32 f, u32 g)
{
    u32 v[] = {a, b, c, d, e, f, g};
    return checksum(v, 7);
}
TV_ARGS(8, u32 a, u32 b, u32 c, u32 d, u32 e, u32 f, u32 g, u32 h)
{
    u32 v[] = {a, b, c, d, e, f, g, h};
    return checksum(v, 8);
}
TV_ARGS(9, u32 a, u32 b, u32 c, u32 d, u32 e, u32 f, u32 g, u32 h, u32 i)
{
    u32 v[] = {a, b, c, d, e, f, g, h, i};
    return checksum(v, 9);
}
TV_ARGS(10, u32 a, u32 b, u32 c, u32 d, u32 e, u32 f, u32 g, u32 h, u32 i, u32 j)
{
    u32 v[] = {a, b, c, d, e, f, g, h, i, j};
    return checksum(v, 10);
}
TV_ARGS(11, u32 a, u32 b, u32 c, u32 d, u32 e, u32 f, u32 g, u32 h, u32 i, u32 j, u32 k)
{
    u32 v[] = {a, b, c, d, e, f, g, h, i, j, k};
    return checksum(v, 11);
}
TV_ARGS(12, u32 a, u32 b, u32 c, u32 d, u32 e, u32 f, u32 g, u32 h, u32 i, u32 j, u32 k, u32 l)
{
    u32 v[] = {a, b, c, d, e, f, g, h, i, j, k, l};
    return checksum(v, 12);
}

// Writes first, first + 1, ... into the buffer's length bytes; the length.
TV_EXPORT u32 TV_STDCALL TvFill(unsigned char* buffer, u32 length, u32 first)
{
    for (u32 i = 0; i < length; ++i)
        buffer[i] = static_cast<unsigned char>(first + i);
    return length;
}

// The C convention: the caller removes the arguments.
TV_EXPORT u32 TvCdecl2(u32 a, u32 b) { return a - b; }
