#pragma once
// The socket layer's failures.
#include "toolkit/system/SysUtils.h"

// A failed socket call: the system's message, the call, and the host and port involved.
TK_DECLARE_EXCEPTION(ESocketError, Exception)
// A TLS peer that ended the connection without close_notify: whether that is the end of the
// data or a cut is for the protocol above to judge.
TK_DECLARE_EXCEPTION(ETlsEndWithoutNotify, ESocketError)
