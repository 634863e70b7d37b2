#include "viewer/imaging/codec/jpeg_recovery.h"

static void ExitToRecoveryPoint(j_common_ptr pInfo)
{
    // The message is formatted and dropped: the callers report through the
    // error code.
    char szMessage[JMSG_LENGTH_MAX];
    (*pInfo->err->format_message)(pInfo, szMessage);
    JpegRecovery* pRecovery = reinterpret_cast<JpegRecovery*>(pInfo->err);
    longjmp(pRecovery->recoveryPoint, 1);
}

static void DropMessage(j_common_ptr)
{
}

jpeg_error_mgr* InitJpegRecovery(JpegRecovery* pRecovery)
{
    jpeg_error_mgr* pMgr = jpeg_std_error(&pRecovery->mgr);
    pMgr->error_exit = ExitToRecoveryPoint;
    pMgr->output_message = DropMessage;
    return pMgr;
}
