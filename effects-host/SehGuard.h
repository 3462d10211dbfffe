// CallFaulted: runs a call into a third-party plug-in so that a structured exception it raises
// and does not handle itself (an access violation, a floating-point trap) ends that call instead
// of the program.
//
// mingw's GCC has no __try/__except. A process-wide vectored handler is no substitute: it runs
// before the frame-based handlers further down the stack (Wine's own guarded probes among them)
// and takes their exceptions, skipping their cleanup. The call therefore runs inside one small
// assembler function whose unwind data attach the platform's C-language handler with one except
// scope around the call: the same frame-based handler and scope table that __try/__except
// produce. The dispatcher reaches it only for exceptions that nothing deeper handled; its filter
// lets GCC's C++ exceptions pass (they unwind through the frame like any other), and for every
// other exception the platform unwinds to a resume point inside that function, running the
// unwind handlers of the frames in between.
//
// A plug-in that faulted may leave locks of its own (or of the platform's filter graph) entered
// by the calling thread; they are recursive, so the same thread goes on working.
//
// Threads: any; each guard covers the calling thread only. Guards nest.
#pragma once

#include <windows.h>

namespace seh_guard_detail {
// Runs body(context); true when a structured exception ended it, its code in *code when given.
bool RunBody(void (*body)(void*), void* context, DWORD* code);
}  // namespace seh_guard_detail

// Runs body(); true when a structured exception ended it (its code in *code when given). After a
// fault the floating-point state is back at the program's defaults (control words and flags of
// the x87 and SSE units), whatever the plug-in unmasked or left pending.
template <typename Body>
bool CallFaulted(Body&& body, DWORD* code = nullptr)
{
    auto call = [&body] { body(); };
    return seh_guard_detail::RunBody([](void* context) { (*static_cast<decltype(call)*>(context))(); }, &call, code);
}

// Runs call(), which answers an HRESULT, under the guard: its answer, or E_FAIL when a structured
// exception ended it.
template <typename Call>
HRESULT CallGuarded(Call&& call)
{
    HRESULT hr = E_FAIL;
    return CallFaulted([&] { hr = call(); }) ? E_FAIL : hr;
}

// The program's floating-point defaults: x87 and SSE exceptions masked, their flags clear,
// rounding to nearest, the x87 unit at its start-up precision.
void ResetFloatingPoint();
