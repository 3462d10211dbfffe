#include "effects-host/SehGuard.h"

#include <float.h>
#include <cstring>
#include <xmmintrin.h>

// The exception codes under which GCC's unwinder raises C++ exceptions: these belong to the
// program's own catch blocks, never to the guard.
namespace {
constexpr DWORD kGccThrow = 0x20474343;
constexpr DWORD kGccUnwind = 0x21474343;
constexpr DWORD kGccForcedUnwind = 0x22474343;

// SSE control and status at start-up on Windows: every exception masked, no flags, round to
// nearest, denormals kept.
constexpr unsigned kDefaultMxcsr = 0x1F80;
}  // namespace

// The scope's filter, called by the platform's C-language handler during the search for a
// handler, with the guarded function's frame. The home slot of that function's third argument
// (frame + 64, see below) holds where the fault's code goes.
extern "C" LONG SehGuardFilter(EXCEPTION_POINTERS* pointers, char* establisherFrame)
{
    const DWORD code = pointers->ExceptionRecord->ExceptionCode;
    if (code == kGccThrow || code == kGccUnwind || code == kGccForcedUnwind)
        return EXCEPTION_CONTINUE_SEARCH;
    DWORD* codeOut = nullptr;
    memcpy(&codeOut, establisherFrame + 64, sizeof(codeOut));
    *codeOut = code;
    return EXCEPTION_EXECUTE_HANDLER;
}

// int SehGuardedCall(void (*body)(void*) [rcx], void* context [rdx], DWORD* code [r8]):
// 0 when body returned, 1 when a structured exception ended it.
//
// The prologue takes 40 bytes (the callee's 32-byte home area, and 8 to keep the stack aligned),
// so the frame the platform hands the filter is rsp after it, and the code pointer is kept in its
// own home slot at frame + 40 + 8 (return address) + 16. The scope covers the call and the nop
// after it, where the return address points. On a fault the platform unwinds to the resume
// label with rsp back at that frame, the non-volatile registers as they were at the call.
asm(R"(
    .text
    .globl SehGuardedCall
    .def SehGuardedCall; .scl 2; .type 32; .endef
    .seh_proc SehGuardedCall
SehGuardedCall:
    subq $40, %rsp
    .seh_stackalloc 40
    .seh_endprologue
    movq %r8, 64(%rsp)
    movq %rcx, %rax
    movq %rdx, %rcx
.LSehGuardBegin:
    callq *%rax
    nop
.LSehGuardEnd:
    xorl %eax, %eax
    addq $40, %rsp
    ret
.LSehGuardResume:
    movl $1, %eax
    addq $40, %rsp
    ret
    .seh_handler __C_specific_handler, @except
    .seh_handlerdata
    .long 1
    .rva .LSehGuardBegin, .LSehGuardEnd, SehGuardFilter, .LSehGuardResume
    .text
    .seh_endproc
)");

extern "C" int SehGuardedCall(void (*body)(void*), void* context, DWORD* code);

namespace seh_guard_detail {

bool RunBody(void (*body)(void*), void* context, DWORD* code)
{
    DWORD faultCode = 0;
    if (SehGuardedCall(body, context, &faultCode) == 0)
        return false;
    ResetFloatingPoint();
    if (code)
        *code = faultCode;
    return true;
}

}  // namespace seh_guard_detail

void ResetFloatingPoint()
{
    // _fpreset re-initialises the x87 unit only (control word, flags, pending exceptions); the
    // SSE unit, where a plug-in's float code traps, is set apart.
    _fpreset();
    _mm_setcsr(kDefaultMxcsr);
}
