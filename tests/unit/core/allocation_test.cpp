// A running program allocates nothing per statement: a loop of the common
// statement kinds makes as many allocations for 10*N rounds as for N. Start-up
// and each line's first run may allocate. The global operator new of this
// executable counts, which is why the test has an executable of its own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "support/program_builder.h"

namespace {

bool counting = false;
long allocations = 0;

void* allocate(std::size_t size)
{
    if (counting)
        ++allocations;
    if (void* block = std::malloc(size ? size : 1))
        return block;
    throw std::bad_alloc();
}

void* allocate_aligned(std::size_t size, std::align_val_t alignment)
{
    if (counting)
        ++allocations;
    auto align = static_cast<std::size_t>(alignment);
    if (void* block = std::aligned_alloc(align, (size + align - 1) / align * align))
        return block;
    throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, std::align_val_t alignment) { return allocate_aligned(size, alignment); }
void* operator new[](std::size_t size, std::align_val_t alignment) { return allocate_aligned(size, alignment); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }

namespace talven {
namespace {

using namespace talven::testing;

// Each round: a label, integer and float LETs, a WHEN prefix, a procedure
// call with PARAMETERS and RETURN and its result through @%(0), an array
// element written and read, a string built in an inner WHILE loop with
// @ADD$, @CHR$ and @MID$, an IF with its ELSE, a GOSUB to a label longer
// than a short string's inline room, and a GOTO back to the label.
std::vector<std::string> loop_program(int rounds)
{
    const int proc = 32;
    return {
        line(Tok::Declare, "N%,I%,S%,K%,L%,X!,S$,M$,A%[99]"),
        line(Tok::Let, "N%=" + std::to_string(rounds)),
        line(Tok::Let, "I%=0"),
        line(Tok::Let, "S%=0"),
        line(Tok::Let, "X!=0.0"),
        line(Tok::Nop, "top:"),
        line(Tok::Let, "I%=" + call(Fn::Add) + "I%,1)"),
        line(Tok::Let, "X!=" + call(Fn::Add) + call(Fn::Mul) + "X!,1.000001),0.5)"),
        line(Tok::When, call(Fn::Gt) + "S%,999999999):" + line(Tok::Let, "S%=" + call(Fn::Sub) + "S%,1000000000)")),
        call_line(proc, "S%,3"),
        line(Tok::Let, "S%=" + call(Fn::ParamInt) + "0)"),
        line(Tok::Let, "A%[" + call(Fn::Mod) + "I%,100)]=" + call(Fn::Add) + "I%,S%)"),
        line(Tok::Let, "K%=A%[" + call(Fn::Mod) + "I%,100)]"),
        line(Tok::Let, "S$=\"\""),
        line(Tok::Let, "K%=0"),
        line(Tok::While, call(Fn::Lt) + "K%,20)"),
        line(Tok::Let, "S$=" + call(Fn::AddStr) + "S$," + call(Fn::ChrStr) + call(Fn::Add) + "65," + call(Fn::Mod) +
                           "K%,26))))"),
        line(Tok::Let, "K%=" + call(Fn::Add) + "K%,1)"),
        line(Tok::Wend),
        line(Tok::Let, "L%=" + call(Fn::Len) + "S$)"),
        line(Tok::Let, "M$=" + call(Fn::MidStr) + "S$,5,10)"),
        line(Tok::Let, "L%=" + call(Fn::Add) + "L%," + call(Fn::Ord) + "M$))"),
        line(Tok::If, call(Fn::Gt) + "I%,0)"),
        line(Tok::Let, "K%=1"),
        line(Tok::Else),
        line(Tok::Let, "K%=2"),
        line(Tok::Endif),
        line(Tok::Gosub, "\"a_subroutine_with_a_long_name\""),
        line(Tok::When, call(Fn::Lt) + "I%,N%):" + line(Tok::Goto, "\"top\"")),
        line(Tok::Print, "I%;\" \";S%;\" \";L%;\" \";M$"),
        line(Tok::End),
        line(Tok::Proc, "ADD2"), // line 32
        line(Tok::Parameters, "P%,Q%"),
        line(Tok::Return, call(Fn::Add) + "P%,Q%)"),
        line(Tok::Endproc),
        line(Tok::Nop, "a_subroutine_with_a_long_name:"),
        line(Tok::Return),
    };
}

struct Counted {
    int exit_code;
    std::string output;
    long allocations;
};

Counted run_counted(int rounds)
{
    FakeHost host;
    host.arguments.push_back(ShortString("P.TVC"));
    host.files["P.TVC"] = plain_program(loop_program(rounds));
    // The output must not grow while counting.
    host.output.reserve(1024);
    allocations = 0;
    counting = true;
    int code = run_runtime(host, std::size_t{6} << 20, Compilation::On);
    counting = false;
    return {code, host.output, allocations};
}

TEST(Allocations, NonePerRoundOfALoop)
{
    Counted few = run_counted(50);
    Counted many = run_counted(500);
    EXPECT_EQ(few.exit_code, 0);
    EXPECT_EQ(few.output, "50 150 89 EFGHIJKLMN\r\n");
    EXPECT_EQ(many.output, "500 1500 89 EFGHIJKLMN\r\n");
    EXPECT_EQ(many.allocations, few.allocations) << "allocations for 50 rounds: " << few.allocations
                                                 << ", for 500: " << many.allocations;
}

} // namespace
} // namespace talven
