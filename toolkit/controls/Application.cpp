#include "toolkit/controls/Application.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QStyle>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <unistd.h>

class TApplicationPrivate {
public:
    std::unique_ptr<QApplication> ownApp;  // only when no QApplication existed
    int argc = 1;
    std::string argv0;
    char* argv[2] = {nullptr, nullptr};
};

namespace {
std::string ExecutablePath()
{
    std::error_code ec;
    auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("Tavin3") : p.string();
}
}  // namespace

TApplication* Application = new TApplication(nullptr);

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner), d(new TApplicationPrivate) {}

TApplication::~TApplication()
{
    Destroying();
    DestroyComponents();
    delete d;
}

void TApplication::Initialize()
{
    if (QCoreApplication::instance()) return;
    d->argv0 = ExecutablePath();
    d->argv[0] = d->argv0.data();
    d->ownApp = std::make_unique<QApplication>(d->argc, d->argv);
    d->ownApp->setQuitOnLastWindowClosed(true);
}

void TApplication::Run()
{
    if (!QCoreApplication::instance() || FTerminated) return;
    QApplication::exec();
    FTerminated = true;
}

void TApplication::ProcessMessages()
{
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::Terminate()
{
    FTerminated = true;
    if (QCoreApplication::instance()) QCoreApplication::quit();
}

AnsiString TitleFromExecutable(const std::string& path)
{
    std::string name = std::filesystem::path(path).filename().string();
    if (auto dot = name.find('.'); dot != std::string::npos) name.resize(dot);
    for (std::size_t i = 1; i < name.size(); ++i)
        name[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
    return AnsiString::FromUtf8(name);
}

AnsiString TApplication::Title() const
{
    if (!FTitle.IsEmpty()) return FTitle;
    return TitleFromExecutable(ExecutablePath());
}

int TApplication::MessageBox(const AnsiString& text, const AnsiString& caption, int)
{
    QMessageBox box;
    box.setWindowTitle(QString::fromStdString(caption.ToUtf8()));
    box.setText(QString::fromStdString(text.ToUtf8()));
    box.setIcon(QMessageBox::NoIcon);
    box.setStandardButtons(QMessageBox::Ok);
    box.adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        box.move(screen->geometry().center() - box.rect().center());
    box.exec();
    return IDOK;
}

void TApplication::ShowException(const std::exception& e)
{
    const auto* ex = dynamic_cast<const Exception*>(&e);
    AnsiString message = ex ? ex->Message() : AnsiString::FromUtf8(e.what());
    if (!message.IsEmpty() && message.str().back() != '.') message += AnsiString(".");
    if (QCoreApplication::instance()) MessageBox(message, Title());
}

void TApplication::HandleException(const std::exception& e) { ShowException(e); }

void TApplication::Notification(TComponent* AComponent, TOperation operation)
{
    TComponent::Notification(AComponent, operation);
    if (operation == opRemove && static_cast<void*>(AComponent) == static_cast<void*>(FMainForm)) FMainForm = nullptr;
}

bool DisplayAvailable()
{
    auto set = [](const char* v) { const char* s = std::getenv(v); return s && *s; };
    return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
}
