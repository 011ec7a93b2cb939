// Sends the panel's choices to the board; failures on the board's side are not ours to handle.
#include "board.h"

namespace {

// Nothing says whether the board's library removes Dravik's arguments from the stack itself
// (__stdcall) or leaves that to the caller (__cdecl). On x86 the stack pointer is kept in a
// register the callee preserves and put back after the call, so the caller is right either way.
#if defined(__i386__)
extern "C" int(__stdcall *const DravikImport)(std::uint16_t, std::uint16_t, std::uint16_t) asm("__imp__Dravik@12");

int CallDravik(std::uint16_t op, std::uint16_t value, std::uint16_t arg)
{
    int result, ecx, edx;
    asm volatile("movl %%esp, %%esi\n\t"
                 "pushl %[arg]\n\t"
                 "pushl %[value]\n\t"
                 "pushl %[op]\n\t"
                 "call *%[dravik]\n\t"
                 "movl %%esi, %%esp"
                 : "=a"(result), "=c"(ecx), "=d"(edx)
                 : [op] "r"(std::uint32_t{op}), [value] "r"(std::uint32_t{value}), [arg] "r"(std::uint32_t{arg}),
                   [dravik] "m"(DravikImport)
                 : "esi", "memory", "cc");
    return result;
}
#else
int CallDravik(std::uint16_t op, std::uint16_t value, std::uint16_t arg)
{
    return Dravik(op, value, arg);
}
#endif

}

void SendBoard(BoardOp op, std::uint16_t value)
{
    CallDravik(op, value, op);
}

void SendBoardSetting(std::uint8_t modeByte, std::uint16_t position)
{
    CallDravik(kOpSaveAll, modeByte, position);
}
