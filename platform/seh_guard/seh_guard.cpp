// Vectored handler plus a captured context per guard: the handler copies the
// guard's context into the faulting thread's context and continues
// execution there, which returns from RtlCaptureContext a second time with
// the guard's "caught" flag set.
#include "platform/seh_guard/seh_guard.h"

namespace {

struct GuardFrame
{
    CONTEXT context;        // first: CONTEXT must be 16-byte aligned on x64
    GuardFrame* pPrevious;
    volatile LONG bCaught;
    volatile DWORD dwCode;
};

DWORD g_dwTls = TLS_OUT_OF_INDEXES;
INIT_ONCE g_initOnce = INIT_ONCE_STATIC_INIT;

bool IsHardwareFault(DWORD dwCode)
{
    switch (dwCode)
    {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_PRIV_INSTRUCTION:
        return true;
    default:
        // Stack overflow is left alone: the guard page would need resetting.
        return false;
    }
}

LONG CALLBACK GuardHandler(EXCEPTION_POINTERS* pInfo)
{
    if (!IsHardwareFault(pInfo->ExceptionRecord->ExceptionCode))
        return EXCEPTION_CONTINUE_SEARCH;
    GuardFrame* pFrame = static_cast<GuardFrame*>(TlsGetValue(g_dwTls));
    if (!pFrame)
        return EXCEPTION_CONTINUE_SEARCH;
    pFrame->bCaught = 1;
    pFrame->dwCode = pInfo->ExceptionRecord->ExceptionCode;
    *pInfo->ContextRecord = pFrame->context;
    return EXCEPTION_CONTINUE_EXECUTION;
}

BOOL CALLBACK InstallHandler(PINIT_ONCE, PVOID, PVOID*)
{
    g_dwTls = TlsAlloc();
    if (g_dwTls == TLS_OUT_OF_INDEXES)
        return FALSE;
    // Kept for the life of the process; it does nothing outside a guard.
    return AddVectoredExceptionHandler(1, GuardHandler) != NULL;
}

} // namespace

// No inlining: the frame must stay in this function's own stack frame, which
// outlives every frame fn creates.
__attribute__((noinline)) BOOL SehGuardRun(SehGuardedFn fn, void* pvContext, DWORD* pdwExceptionCode)
{
    if (pdwExceptionCode)
        *pdwExceptionCode = 0;
    if (!InitOnceExecuteOnce(&g_initOnce, InstallHandler, NULL, NULL))
    {
        fn(pvContext);   // no guard available: run unguarded rather than not at all
        return TRUE;
    }
    GuardFrame frame;
    frame.pPrevious = static_cast<GuardFrame*>(TlsGetValue(g_dwTls));
    frame.bCaught = 0;
    frame.dwCode = 0;
    TlsSetValue(g_dwTls, &frame);
    // Returns twice: once now, once more from the handler after a fault.
    RtlCaptureContext(&frame.context);
    if (!frame.bCaught)
        fn(pvContext);
    // Re-read through a volatile pointer: registers hold capture-time values.
    GuardFrame* volatile pSelf = &frame;
    TlsSetValue(g_dwTls, pSelf->pPrevious);
    if (pSelf->bCaught && pdwExceptionCode)
        *pdwExceptionCode = pSelf->dwCode;
    return !pSelf->bCaught;
}
