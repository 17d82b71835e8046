// The reply engine: lines into replies, replies owed.
#include "components/ftp/vellftp_replies.h"
#include "components/ftp/vellftp_internal.h"

void TReplyEngine::Reset()
{
    FLines.Clear();
    ForgetOwed();
    FSettled = false;
    BeginReply();
    FClosingNotice.clear();
}

void TReplyEngine::ForgetOwed()
{
    FOwed = 0;
    FPreliminaryRead = false;
}

void TReplyEngine::BeginReply()
{
    FFirst = true;
    FCode.clear();
    FEnded = false;
}

bool TReplyEngine::TakeReplyLine(std::string& line)
{
    if (!TakeLine(line)) return false;
    FEnded = IsFinalLine(line) && (FCode.empty() || line.compare(0, 3, FCode) == 0);
    if (FFirst && IsMultiLineStart(line)) FCode = line.substr(0, 3);
    FFirst = false;
    return true;
}

bool TReplyEngine::Settle(int code)
{
    FSettled = code >= 200 || FPreliminaryRead;
    FPreliminaryRead = !FSettled;
    if (FSettled && FOwed > 0) --FOwed;
    return FSettled;
}

bool TReplyEngine::TakeLine(std::string& line)
{
    if (!FLines.TakeLine(line)) return false;
    if (IsFinalLine(line) && line.compare(0, 3, "421") == 0) FClosingNotice = line;
    return true;
}
