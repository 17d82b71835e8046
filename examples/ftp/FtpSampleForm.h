#pragma once
// The FTP sample window: logs in, walks the remote directories, downloads and uploads through
// the file dialogs, and shows each transfer's progress and speed while the window stays usable.
#include "components/ftp/vellftp.h"
#include "toolkit/controls/CheckBox.h"
#include "toolkit/controls/ComCtrls.h"
#include "toolkit/controls/FileDialogs.h"
#include "toolkit/controls/Forms.h"
#include "toolkit/controls/ListBox.h"
#include "toolkit/controls/Memo.h"
#include "toolkit/controls/PushButton.h"
#include "toolkit/controls/StdCtrls.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The list's line for an entry: size, date and time, name ("/" after a directory's).
AnsiString EntryText(const TFtpEntry& entry);

// "12.5 MiB / 64.0 MiB  3.2 MiB/s": bytes done, of the total when known, and the speed of what
// moved since the start (a resumed transfer starts at `from`).
AnsiString TransferText(int64_t done, int64_t total, double seconds, int64_t from = 0);

class TFtpSampleForm : public TForm {
    TK_CLASS(TFtpSampleForm)
public:
    // Reads the description compiled into the program.
    explicit TFtpSampleForm(TComponent* AOwner);
    // Reads the given description text.
    TFtpSampleForm(TComponent* AOwner, const std::string& description);

    // What the command line gives; empty texts and port 0 keep the form's values.
    void SetServer(const AnsiString& host, int port, const AnsiString& user);
    // Every log line also goes here (the program writes them to standard output).
    std::function<void(const std::string& utf8Line)> LogEcho;
    // The entries of the listing shown, in the list's order ("..", when shown, first).
    const std::vector<TFtpEntry>& Entries() const { return FEntries; }
    // Whether an operation is running.
    bool Busy() const { return FBusy; }

    // Published: the form description fills these by name.
    TLabel* HostLabel = nullptr;
    TEdit* HostEdit = nullptr;
    TLabel* PortLabel = nullptr;
    TEdit* PortEdit = nullptr;
    TLabel* UserLabel = nullptr;
    TEdit* UserEdit = nullptr;
    TLabel* PasswordLabel = nullptr;
    TEdit* PasswordEdit = nullptr;
    TCheckBox* PassiveCheck = nullptr;
    TButton* ConnectButton = nullptr;
    TButton* DisconnectButton = nullptr;
    TLabel* DirLabel = nullptr;
    TListBox* RemoteList = nullptr;
    TButton* RefreshButton = nullptr;
    TButton* DownloadButton = nullptr;
    TButton* UploadButton = nullptr;
    TLabel* NameLabel = nullptr;
    TEdit* NameEdit = nullptr;
    TButton* MakeDirButton = nullptr;
    TButton* RenameButton = nullptr;
    TButton* DeleteButton = nullptr;
    TProgressBar* ProgressBar1 = nullptr;
    TButton* CancelButton = nullptr;
    TButton* ResumeButton = nullptr;
    TLabel* TransferLabel = nullptr;
    TMemo* LogMemo = nullptr;
    TOpenDialog* OpenDialog1 = nullptr;
    TSaveDialog* SaveDialog1 = nullptr;
    TVellFtp* Ftp1 = nullptr;

    void FormCreate(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void ConnectButtonClick(TObject* Sender);
    void DisconnectButtonClick(TObject* Sender);
    void RefreshButtonClick(TObject* Sender);
    void RemoteListDblClick(TObject* Sender);
    void DownloadButtonClick(TObject* Sender);
    void UploadButtonClick(TObject* Sender);
    void MakeDirButtonClick(TObject* Sender);
    void RenameButtonClick(TObject* Sender);
    void DeleteButtonClick(TObject* Sender);
    void CancelButtonClick(TObject* Sender);
    void ResumeButtonClick(TObject* Sender);
    void Ftp1Status(TComponent* Sender, AnsiString Status);
    void Ftp1Failure(bool& Handled, TFtpCmdType TransType);
    void Ftp1Success(TFtpCmdType TransType);
    void Ftp1ListEntry(TFtpEntry Entry);
    void Ftp1PacketRecvd(TObject* Sender);
    void Ftp1PacketSent(TObject* Sender);
    void Ftp1ConnectionFailed(TObject* Sender);
    void Ftp1InvalidHost(bool& Handled);

    void Log(const AnsiString& line);

private:
    // Runs one operation of the component with the buttons set for it; a failure it reports
    // (or an exception) goes to the log and, unless the user cancelled, to a message box.
    // False when it failed.
    bool Run(const AnsiString& what, const std::function<void()>& operation);
    void UpdateButtons();
    void Refresh();
    void ChangeTo(const AnsiString& dir);
    void ShowWorkingDirectory();
    const TFtpEntry* SelectedEntry() const;
    void StartProgress(int64_t total, int64_t from = 0);
    // A cut download or upload is kept for the resume button until one of them succeeds.
    void NoteTransferOutcome(bool ok, bool download, const AnsiString& remote, const AnsiString& local, int64_t total);
    void ShowProgress(int64_t done, bool force = false);

    std::vector<TFtpEntry> FEntries;
    bool FBusy = false;
    bool FCancelRequested = false;
    bool FCloseWhenIdle = false;
    std::optional<AnsiString> FFailure;
    int64_t FTransferTotal = 0;
    int64_t FTransferFrom = 0;  // where the speed counts from
    static constexpr int64_t kFromFirstPacket = -1;
    struct CutTransfer {
        bool download;
        AnsiString remote;
        AnsiString local;
        int64_t total;
    };
    std::optional<CutTransfer> FCut;
    std::chrono::steady_clock::time_point FTransferStart;
    std::chrono::steady_clock::time_point FLastShown;
};
