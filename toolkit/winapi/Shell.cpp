// ShellExecuteA over QDesktopServices::openUrl (xdg-open on a desktop; tests register a
// handler for the scheme instead).
#include "toolkit/winapi/ShellApi.h"

#include "toolkit/system/AnsiString.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QUrl>

#include <cstdint>

namespace {

HINSTANCE Result(intptr_t code) { return reinterpret_cast<HINSTANCE>(code); }

// A local path becomes a file URL only when the file is there; Windows fails the same way.
QUrl LocalFileUrl(const QString& path, const char* directory)
{
    QString base = directory && *directory ? QString::fromStdString(AnsiString(directory).ToUtf8()) : QDir::currentPath();
    QFileInfo info(QDir(base), path);
    return info.exists() ? QUrl::fromLocalFile(info.absoluteFilePath()) : QUrl();
}

}  // namespace

HINSTANCE ShellExecuteA(HWND, const char* lpOperation, const char* lpFile, const char*, const char* lpDirectory, int)
{
    if (lpOperation && QString::fromLatin1(lpOperation).compare("open", Qt::CaseInsensitive) != 0) return Result(SE_ERR_NOASSOC);
    if (!lpFile || !*lpFile) return Result(SE_ERR_FNF);
    if (!QGuiApplication::instance()) return Result(SE_ERR_OOM);

    QString text = QString::fromStdString(AnsiString(lpFile).ToUtf8());
    QUrl url(text, QUrl::TolerantMode);
    // A one-letter scheme is a drive letter, not an address.
    bool isAddress = url.isValid() && url.scheme().size() > 1 && !text.startsWith('/');
    if (!isAddress) url = LocalFileUrl(text, lpDirectory);
    if (!url.isValid() || url.isEmpty()) return Result(SE_ERR_FNF);
    return Result(QDesktopServices::openUrl(url) ? 42 : SE_ERR_NOASSOC);
}
