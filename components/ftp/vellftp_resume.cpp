// TVellFtp: transfers that carry on from where a cut one stopped. The target's size is the
// resume point; the source's size, where the server gives it, tells a whole target (nothing
// moves) from one that is longer than its source (nothing is touched).
#include "components/ftp/vellftp.h"
#include "components/ftp/vellftp_data.h"
#include "components/ftp/vellftp_internal.h"

namespace {
const char* const kLocalLonger = "TVellFtp: ローカルファイルがサーバーのファイルより長いため再開できません (local file longer than the remote one)。";
const char* const kRemoteLonger = "TVellFtp: サーバーのファイルがローカルファイルより長いため再開できません (remote file longer than the local one)。";
}  // namespace

void TVellFtp::ResumeDownload(const AnsiString& remoteFile, const AnsiString& localFile)
{
    const AnsiString command = AnsiString("RETR ") + remoteFile;
    if (RefusedCommand(command, fcTransfer)) return;
    BeginTransfer();
    if (ReportIfUnanswered(FControlSocket->Active(), fcTransfer)) return;  // nothing can be sent
    const bool created = !FileExists(localFile);
    if (!OpenLocalFile(localFile, created ? fmCreate : fmOpenWrite | fmShareExclusive)) return;
    // Appended to, never cut; a file made here goes again if the server never starts.
    const int64_t offset = FFileStream->Size();
    FFileStream->Seek(0, soEnd);
    FTransfer.SetTruncatePending(created);
    FTransfer.AddReceived(offset);
    ReceiveAndWindUp(localFile, created, [&] {
        const int64_t size = AskSize(remoteFile);
        FTransfer.SetSize(size);
        if (size >= 0 && offset >= size) {
            FFileStream.reset();
            if (offset > size) FailBeforeSending(AnsiString(kLocalLonger));
            else {
                FTransfer.Advance(TTransferPhase::Done);
                DoSuccess(fcTransfer);
            }
            return DownloadStart::Told;
        }
        FTransfer.SetRestartAt(offset);
        if (!OpenTransfer(command)) return DownloadStart::Refused;
        // From a resume point the opening reply's figure may be the whole file or the rest.
        if (size < 0 && offset == 0) FTransfer.SetSize(ReceiveSize(FLastReply));
        return DownloadStart::Accepted;
    });
}

void TVellFtp::ResumeUpload(const AnsiString& localFile, const AnsiString& remoteFile)
{
    const AnsiString store = AnsiString("STOR ") + remoteFile;
    if (RefusedCommand(store, fcTransfer)) return;  // APPE carries the same name
    BeginTransfer();
    if (ReportIfUnanswered(FControlSocket->Active(), fcTransfer)) return;  // nothing can be sent
    if (!OpenLocalFile(localFile, fmOpenRead | fmShareDenyWrite)) return;
    const int64_t length = FFileStream->Size();
    FTransfer.SetSize(length);
    // Without the remote size there is no resume point: a refused SIZE may hide a file that
    // a whole upload would overwrite.
    const int64_t offset = AskSize(remoteFile);
    if (offset < 0 || offset >= length) {
        FFileStream.reset();
        if (FNoReply) ReportIfUnanswered(false, fcTransfer);
        else if (offset < 0) FailBeforeSending(AnsiString());
        else if (offset > length) FailBeforeSending(AnsiString(kRemoteLonger));
        else {
            FTransfer.AddSent(offset);
            FTransfer.Advance(TTransferPhase::Done);
            DoSuccess(fcTransfer);
        }
        return;
    }
    FFileStream->SetPosition(offset);
    FTransfer.AddSent(offset);
    // REST before STOR where the server offers it in stream mode, else APPE, which needs none.
    const bool restart = offset > 0 && FFeatures.RestStream;
    const AnsiString command = offset == 0 || restart ? store : AnsiString("APPE ") + remoteFile;
    if (restart) FTransfer.SetRestartAt(offset);
    SendAndWindUp([&] {
        if (OpenTransfer(command)) SendFile();
        else if (FEnablePASV && !FNoReply && !FTransfer.RestartRefused()) throw Exception(FLastReply);
    });
}
