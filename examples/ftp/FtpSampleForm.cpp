#include "examples/ftp/FtpSampleForm.h"

#include "toolkit/controls/Application.h"
#include "toolkit/streaming/FormReader.h"
#include "toolkit/system/Published.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>

TK_CLASS_IMPL(TFtpSampleForm, TForm, {
    using F = TFtpSampleForm;
    PublishField(info, "HostLabel", &F::HostLabel);
    PublishField(info, "HostEdit", &F::HostEdit);
    PublishField(info, "PortLabel", &F::PortLabel);
    PublishField(info, "PortEdit", &F::PortEdit);
    PublishField(info, "UserLabel", &F::UserLabel);
    PublishField(info, "UserEdit", &F::UserEdit);
    PublishField(info, "PasswordLabel", &F::PasswordLabel);
    PublishField(info, "PasswordEdit", &F::PasswordEdit);
    PublishField(info, "PassiveCheck", &F::PassiveCheck);
    PublishField(info, "ConnectButton", &F::ConnectButton);
    PublishField(info, "DisconnectButton", &F::DisconnectButton);
    PublishField(info, "DirLabel", &F::DirLabel);
    PublishField(info, "RemoteList", &F::RemoteList);
    PublishField(info, "RefreshButton", &F::RefreshButton);
    PublishField(info, "DownloadButton", &F::DownloadButton);
    PublishField(info, "UploadButton", &F::UploadButton);
    PublishField(info, "NameLabel", &F::NameLabel);
    PublishField(info, "NameEdit", &F::NameEdit);
    PublishField(info, "MakeDirButton", &F::MakeDirButton);
    PublishField(info, "RenameButton", &F::RenameButton);
    PublishField(info, "DeleteButton", &F::DeleteButton);
    PublishField(info, "ProgressBar1", &F::ProgressBar1);
    PublishField(info, "CancelButton", &F::CancelButton);
    PublishField(info, "ResumeButton", &F::ResumeButton);
    PublishField(info, "TransferLabel", &F::TransferLabel);
    PublishField(info, "LogMemo", &F::LogMemo);
    PublishField(info, "OpenDialog1", &F::OpenDialog1);
    PublishField(info, "SaveDialog1", &F::SaveDialog1);
    PublishField(info, "Ftp1", &F::Ftp1);
    PublishMethod(info, "FormCreate", &F::FormCreate);
    PublishMethod(info, "FormClose", &F::FormClose);
    PublishMethod(info, "ConnectButtonClick", &F::ConnectButtonClick);
    PublishMethod(info, "DisconnectButtonClick", &F::DisconnectButtonClick);
    PublishMethod(info, "RefreshButtonClick", &F::RefreshButtonClick);
    PublishMethod(info, "RemoteListDblClick", &F::RemoteListDblClick);
    PublishMethod(info, "DownloadButtonClick", &F::DownloadButtonClick);
    PublishMethod(info, "UploadButtonClick", &F::UploadButtonClick);
    PublishMethod(info, "MakeDirButtonClick", &F::MakeDirButtonClick);
    PublishMethod(info, "RenameButtonClick", &F::RenameButtonClick);
    PublishMethod(info, "DeleteButtonClick", &F::DeleteButtonClick);
    PublishMethod(info, "CancelButtonClick", &F::CancelButtonClick);
    PublishMethod(info, "ResumeButtonClick", &F::ResumeButtonClick);
    PublishMethod(info, "Ftp1Status", &F::Ftp1Status);
    PublishMethod(info, "Ftp1Failure", &F::Ftp1Failure);
    PublishMethod(info, "Ftp1Success", &F::Ftp1Success);
    PublishMethod(info, "Ftp1ListEntry", &F::Ftp1ListEntry);
    PublishMethod(info, "Ftp1PacketRecvd", &F::Ftp1PacketRecvd);
    PublishMethod(info, "Ftp1PacketSent", &F::Ftp1PacketSent);
    PublishMethod(info, "Ftp1ConnectionFailed", &F::Ftp1ConnectionFailed);
    PublishMethod(info, "Ftp1InvalidHost", &F::Ftp1InvalidHost);
})

// ---- Listing lines and transfer figures -------------------------------------------------------

namespace {
bool IsUp(const TFtpEntry& e) { return e.Name == AnsiString(".."); }
bool IsDirectory(const TFtpEntry& e) { return e.Kind == fekDirectory; }

// "70,001": digits in groups of three.
std::string Grouped(int64_t n)
{
    std::string digits = std::to_string(n), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}
}  // namespace

AnsiString EntryText(const TFtpEntry& e)
{
    if (IsUp(e)) return AnsiString("..");
    // The name last: in the list's fixed-pitch font the columns stand whatever its width.
    const std::string size = IsDirectory(e) ? "<DIR>" : e.Size >= 0 ? Grouped(e.Size) : "";
    char date[24] = "";
    if (!e.Modified.IsEmpty())
        std::snprintf(date, sizeof date, "%04d-%02d-%02d %02d:%02d", e.Modified.Year % 10000, e.Modified.Month % 100, e.Modified.Day % 100,
                      e.Modified.Hour % 100, e.Modified.Minute % 100);
    char columns[64];
    std::snprintf(columns, sizeof columns, "%15s  %-16s  ", size.c_str(), date);
    AnsiString text = AnsiString(columns) + e.Name + AnsiString(IsDirectory(e) ? "/" : "");
    if (e.Kind == fekLink && !e.LinkTarget.IsEmpty()) text = text + AnsiString(" -> ") + e.LinkTarget;
    return text;
}

namespace {
std::string Bytes(double n)
{
    char buffer[32];
    if (n >= 1024.0 * 1024.0) std::snprintf(buffer, sizeof buffer, "%.1f MiB", n / (1024.0 * 1024.0));
    else if (n >= 1024.0) std::snprintf(buffer, sizeof buffer, "%.1f KiB", n / 1024.0);
    else std::snprintf(buffer, sizeof buffer, "%.0f B", n);
    return buffer;
}

AnsiString KindName(TFtpCmdType kind)
{
    switch (kind) {
    case fcChangeDir: return "移動"_ansi;
    case fcMakeDir: return "フォルダ作成"_ansi;
    case fcRemove: return "削除"_ansi;
    case fcRename: return "名前の変更"_ansi;
    case fcTransfer: return "転送"_ansi;
    case fcLogin: return "ログイン"_ansi;
    }
    return IntToStr(kind);
}
}  // namespace

AnsiString TransferText(int64_t done, int64_t total, double seconds, int64_t from)
{
    std::string text = Bytes(double(done));
    if (total > 0) text += " / " + Bytes(double(total));
    if (seconds > 0) text += "  " + Bytes(double(std::max<int64_t>(0, done - from)) / seconds) + "/s";
    return AnsiString(text);
}

// ---- The form ---------------------------------------------------------------------------------

TFtpSampleForm::TFtpSampleForm(TComponent* AOwner) : TFtpSampleForm(AOwner, LoadResourceText("TFTPSAMPLEFORM")) {}

TFtpSampleForm::TFtpSampleForm(TComponent* AOwner, const std::string& description) : TForm(AOwner) { InitFormText(description); }

void TFtpSampleForm::FormCreate(TObject*) { UpdateButtons(); }

void TFtpSampleForm::SetServer(const AnsiString& host, int port, const AnsiString& user)
{
    if (!host.IsEmpty()) HostEdit->SetText(host);
    if (port > 0) PortEdit->SetText(IntToStr(port));
    if (!user.IsEmpty()) UserEdit->SetText(user);
}

void TFtpSampleForm::Log(const AnsiString& line)
{
    LogMemo->Append(line);
    if (LogEcho) LogEcho(line.ToUtf8());
}

void TFtpSampleForm::UpdateButtons()
{
    bool connected = Ftp1->Connected();
    ConnectButton->SetEnabled(!FBusy && !connected);
    DisconnectButton->SetEnabled(!FBusy && connected);
    for (TButton* b : {RefreshButton, DownloadButton, UploadButton, MakeDirButton, RenameButton, DeleteButton})
        b->SetEnabled(!FBusy && connected);
    CancelButton->SetEnabled(FBusy);
    ResumeButton->SetEnabled(!FBusy && connected && FCut.has_value());
}

bool TFtpSampleForm::Run(const AnsiString& what, const std::function<void()>& operation)
{
    // One at a time; and nothing new once the window waits to close.
    if (FBusy || FCloseWhenIdle) return false;
    FBusy = true;
    FCancelRequested = false;
    FFailure.reset();
    UpdateButtons();
    Ftp1->SetEnablePASV(PassiveCheck->Checked());
    try {
        operation();
    } catch (const std::exception& e) {
        if (!FFailure) FFailure = AnsiString::FromUtf8(e.what());
    }
    FBusy = false;
    UpdateButtons();
    bool ok = !FFailure;
    if (!ok) {
        AnsiString text = what + "に失敗しました: "_ansi + *FFailure;
        Log(text);
        // The user asked for the end of a cancelled operation: the log says enough.
        if (!FCancelRequested && !FCloseWhenIdle) Application->MessageBox(text, Caption());
    }
    if (FCloseWhenIdle) Close();
    return ok;
}

void TFtpSampleForm::FormClose(TObject*, TCloseAction& Action)
{
    if (!FBusy) return;
    // The running operation must end first: its handlers still use this window.
    Action = caNone;
    FCloseWhenIdle = true;
    FCancelRequested = true;
    Ftp1->Cancel();
}

void TFtpSampleForm::ConnectButtonClick(TObject*)
{
    std::string portText = PortEdit->Text().str();
    int port = 0;
    if (!portText.empty() && portText.size() <= 5 && portText.find_first_not_of("0123456789") == std::string::npos)
        port = std::stoi(portText);
    if (port < 1 || port > 65535) {
        AnsiString text = "ポート番号は 1 から 65535 までの数です: "_ansi + PortEdit->Text();
        Log(text);
        Application->MessageBox(text, Caption());
        return;
    }
    Ftp1->SetHost(HostEdit->Text());
    Ftp1->SetPort(port);
    Ftp1->SetUserID(UserEdit->Text());
    Ftp1->SetPassword(PasswordEdit->Text());
    if (Run("接続"_ansi, [this] { Ftp1->Connect(); }) && Ftp1->Connected()) Refresh();
    UpdateButtons();
}

void TFtpSampleForm::DisconnectButtonClick(TObject*)
{
    Run("切断"_ansi, [this] { Ftp1->Disconnect(); });
    FEntries.clear();
    RemoteList->Clear();
    DirLabel->SetCaption("場所: -"_ansi);
    UpdateButtons();
}

void TFtpSampleForm::RefreshButtonClick(TObject*) { Refresh(); }

void TFtpSampleForm::ShowWorkingDirectory()
{
    Ftp1->DoCommand("PWD");
    // 257 "/some/dir" is the current directory; quotes inside the name are doubled.
    std::string reply = Ftp1->LastReply().str(), dir;
    std::size_t open = reply.find('"');
    for (std::size_t i = open == std::string::npos ? reply.size() : open + 1; i < reply.size(); ++i) {
        if (reply[i] != '"') dir += reply[i];
        else if (i + 1 < reply.size() && reply[i + 1] == '"') dir += reply[++i];
        else break;
    }
    DirLabel->SetCaption("場所: "_ansi + AnsiString(dir.empty() ? "?" : dir));
    if (!dir.empty() && dir != "/") {
        TFtpEntry up;
        up.Name = AnsiString("..");
        up.Kind = fekDirectory;
        FEntries.push_back(up);
    }
}

void TFtpSampleForm::Refresh()
{
    FEntries.clear();
    RemoteList->Clear();
    bool ok = Run("一覧の取得"_ansi, [this] {
        ShowWorkingDirectory();
        Ftp1->ListEntries();
    });
    // "..", then directories, then files, each by name.
    std::stable_sort(FEntries.begin(), FEntries.end(), [](const TFtpEntry& a, const TFtpEntry& b) {
        if (IsUp(a) != IsUp(b)) return IsUp(a);
        if (IsDirectory(a) != IsDirectory(b)) return IsDirectory(a);
        return a.Name < b.Name;
    });
    for (const TFtpEntry& e : FEntries) RemoteList->Add(EntryText(e));
    if (ok) {
        auto shown = std::count_if(FEntries.begin(), FEntries.end(), [](const TFtpEntry& e) { return !IsUp(e); });
        Log("一覧: "_ansi + IntToStr(shown) + " 件"_ansi);
    }
}

void TFtpSampleForm::Ftp1ListEntry(TFtpEntry Entry) { FEntries.push_back(std::move(Entry)); }

const TFtpEntry* TFtpSampleForm::SelectedEntry() const
{
    int i = RemoteList->ItemIndex();
    return i >= 0 && i < static_cast<int>(FEntries.size()) ? &FEntries[static_cast<std::size_t>(i)] : nullptr;
}

void TFtpSampleForm::ChangeTo(const AnsiString& dir)
{
    if (Run("フォルダの移動"_ansi, [&] { Ftp1->ChangeDir(dir); })) Refresh();
}

void TFtpSampleForm::RemoteListDblClick(TObject*)
{
    const TFtpEntry* entry = SelectedEntry();
    if (FBusy || !entry || !IsDirectory(*entry)) return;
    ChangeTo(AnsiString(entry->Name));
}

void TFtpSampleForm::StartProgress(int64_t total, int64_t from)
{
    FTransferTotal = total;
    FTransferFrom = from;
    FTransferStart = FLastShown = std::chrono::steady_clock::now();
    const int64_t shown = std::max<int64_t>(from, 0);
    ProgressBar1->SetPosition(total > 0 ? int(std::min(shown, total) * ProgressBar1->Max() / total) : 0);
    TransferLabel->SetCaption(TransferText(shown, total, 0));
}

void TFtpSampleForm::NoteTransferOutcome(bool ok, bool download, const AnsiString& remote, const AnsiString& local, int64_t total)
{
    if (ok) FCut.reset();
    else FCut = CutTransfer{download, remote, local, total};
    UpdateButtons();
}

void TFtpSampleForm::ShowProgress(int64_t done, bool force)
{
    if (FTransferTotal <= 0 && Ftp1->TransferSize() > 0) FTransferTotal = Ftp1->TransferSize();
    if (FTransferTotal > 0)
        ProgressBar1->SetPosition(int(std::min<int64_t>(done, FTransferTotal) * ProgressBar1->Max() / FTransferTotal));
    auto now = std::chrono::steady_clock::now();
    if (FTransferFrom == kFromFirstPacket) {
        FTransferFrom = done;
        FTransferStart = now;
    }
    // The label at a readable pace: redrawing it for every packet would only cost time.
    if (!force && now - FLastShown < std::chrono::milliseconds(100)) return;
    FLastShown = now;
    TransferLabel->SetCaption(
        TransferText(done, FTransferTotal, std::chrono::duration<double>(now - FTransferStart).count(), FTransferFrom));
}

void TFtpSampleForm::Ftp1PacketRecvd(TObject*) { ShowProgress(Ftp1->ReceivedSize()); }

void TFtpSampleForm::Ftp1PacketSent(TObject*) { ShowProgress(Ftp1->SentSize()); }

void TFtpSampleForm::DownloadButtonClick(TObject*)
{
    const TFtpEntry* selected = SelectedEntry();
    if (!selected || IsDirectory(*selected)) {
        Log("ダウンロードするファイルを一覧から選んでください"_ansi);
        return;
    }
    TFtpEntry entry = *selected;
    SaveDialog1->SetFileName(entry.Name);
    if (!SaveDialog1->Execute()) return;
    AnsiString local = SaveDialog1->FileName();
    StartProgress(entry.Size);
    auto download = [&] {
        Ftp1->DoCommand("TYPE I");  // the bytes as they are, line ends included
        Ftp1->Download(entry.Name, local);
    };
    const bool ok = Run("ダウンロード"_ansi, download);
    if (ok) ShowProgress(Ftp1->ReceivedSize(), true);
    NoteTransferOutcome(ok, true, entry.Name, local, entry.Size);
}

void TFtpSampleForm::UploadButtonClick(TObject*)
{
    if (!OpenDialog1->Execute()) return;
    AnsiString local = OpenDialog1->FileName();
    std::filesystem::path path(local.ToUtf8());
    std::error_code ec;
    auto size = std::filesystem::file_size(path, ec);
    StartProgress(ec ? -1 : int64_t(size));
    AnsiString remote = AnsiString::FromUtf8(path.filename().string());
    auto upload = [&] {
        Ftp1->DoCommand("TYPE I");
        Ftp1->Upload(local, remote);
    };
    const bool ok = Run("アップロード"_ansi, upload);
    if (ok) ShowProgress(Ftp1->SentSize(), true);
    NoteTransferOutcome(ok, false, remote, local, ec ? -1 : int64_t(size));
    Refresh();
}

// Carries the last cut download or upload on from where it stopped.
void TFtpSampleForm::ResumeButtonClick(TObject*)
{
    if (!FCut) return;
    const CutTransfer cut = *FCut;
    std::error_code ec;
    const auto had = std::filesystem::file_size(std::filesystem::path(cut.local.ToUtf8()), ec);
    // An upload goes on from where the server's copy ends, known once its first block is out.
    StartProgress(cut.total, !cut.download ? kFromFirstPacket : ec ? 0 : int64_t(had));
    auto resume = [&] {
        Ftp1->DoCommand("TYPE I");
        if (cut.download) Ftp1->ResumeDownload(cut.remote, cut.local);
        else Ftp1->ResumeUpload(cut.local, cut.remote);
    };
    const bool ok = Run("再開"_ansi, resume);
    if (ok) ShowProgress(cut.download ? Ftp1->ReceivedSize() : Ftp1->SentSize(), true);
    NoteTransferOutcome(ok, cut.download, cut.remote, cut.local, cut.total);
    if (!cut.download) Refresh();
}

void TFtpSampleForm::MakeDirButtonClick(TObject*)
{
    AnsiString name = NameEdit->Text();
    if (name.IsEmpty()) {
        Log("新しいフォルダの名前を入れてください"_ansi);
        return;
    }
    if (Run("フォルダ作成"_ansi, [&] { Ftp1->MakeDirectory(name); })) Refresh();
}

void TFtpSampleForm::RenameButtonClick(TObject*)
{
    const TFtpEntry* selected = SelectedEntry();
    AnsiString name = NameEdit->Text();
    if (!selected || IsUp(*selected) || name.IsEmpty()) {
        Log("名前を変えるものを一覧から選び、新しい名前を入れてください"_ansi);
        return;
    }
    AnsiString old = selected->Name;
    if (Run("名前の変更"_ansi, [&] { Ftp1->Rename(old, name); })) Refresh();
}

void TFtpSampleForm::DeleteButtonClick(TObject*)
{
    const TFtpEntry* selected = SelectedEntry();
    if (!selected || IsUp(*selected)) {
        Log("削除するものを一覧から選んでください"_ansi);
        return;
    }
    TFtpEntry entry = *selected;
    bool ok = Run("削除"_ansi, [&] {
        if (IsDirectory(entry)) Ftp1->RemoveDir(entry.Name);
        else Ftp1->Delete(entry.Name);
    });
    if (ok) Refresh();
}

void TFtpSampleForm::CancelButtonClick(TObject*)
{
    if (!FBusy) return;
    FCancelRequested = true;
    Log("中止します"_ansi);
    Ftp1->Cancel();
}

void TFtpSampleForm::Ftp1Status(TComponent*, AnsiString Status) { Log(Status); }

void TFtpSampleForm::Ftp1Failure(bool& Handled, TFtpCmdType TransType)
{
    Handled = true;
    AnsiString reply = Ftp1->LastReply();
    FFailure = KindName(TransType) + (reply.IsEmpty() ? AnsiString() : AnsiString(" (") + reply + AnsiString(")"));
}

void TFtpSampleForm::Ftp1Success(TFtpCmdType TransType) { Log("成功: "_ansi + KindName(TransType)); }

void TFtpSampleForm::Ftp1ConnectionFailed(TObject*)
{
    FFailure = "サーバーにつながりません: "_ansi + Ftp1->Host() + AnsiString(":") + IntToStr(Ftp1->Port());
}

void TFtpSampleForm::Ftp1InvalidHost(bool& Handled)
{
    Handled = true;
    FFailure = "ホスト名が見つかりません: "_ansi + Ftp1->Host();
}
