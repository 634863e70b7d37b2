// A structured-exception guard for MinGW GCC, which has no __try/__except.
//
// SehGuardRun calls fn(pvContext). If a hardware fault (access violation,
// illegal instruction, integer division by zero, ...) is raised on this
// thread while fn runs, anywhere below it (foreign frames such as WIC
// included), execution resumes at the guard and the call returns FALSE with
// the exception code. Frames between the guard and the fault are abandoned
// without unwinding: fn must keep every resource it acquires in the context
// record so that the caller can release it after the guard. Guards nest; the
// innermost one takes the fault. C++ exceptions and debugger notifications
// pass through untouched.
//
// A fault that a frame-based handler below the guard would itself have
// handled is taken by the guard too (vectored handlers run first); inside a
// guard that only turns a survivable fault into a failed call.
#pragma once

#include <windows.h>

typedef void (*SehGuardedFn)(void* pvContext);

BOOL SehGuardRun(SehGuardedFn fn, void* pvContext, DWORD* pdwExceptionCode);
