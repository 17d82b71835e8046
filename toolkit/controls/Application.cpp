#include "toolkit/controls/Application.h"

#include "toolkit/controls/Forms.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTranslator>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <unistd.h>
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <vector>

class TApplicationPrivate {
public:
    std::unique_ptr<QApplication> ownApp;  // only when no QApplication existed
    std::vector<std::unique_ptr<QTranslator>> translators;
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

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner), d(std::make_unique<TApplicationPrivate>()) {}

TApplication::~TApplication()
{
    Destroying();
    DestroyComponents();
}

void TApplication::Initialize()
{
    if (!QCoreApplication::instance()) {
        d->argv0 = ExecutablePath();
        d->argv[0] = d->argv0.data();
        d->ownApp = std::make_unique<QApplication>(d->argc, d->argv);
        d->ownApp->setQuitOnLastWindowClosed(true);
    }
    LoadSystemTranslations();
}

void TApplication::SetIdentity(const std::string& name, const std::string& version, const std::string& desktopFileName)
{
    // Static in Qt: they may be set before the GUI application exists.
    QCoreApplication::setApplicationName(QString::fromStdString(name));
    QCoreApplication::setApplicationVersion(QString::fromStdString(version));
    QGuiApplication::setDesktopFileName(QString::fromStdString(desktopFileName));
}

void TApplication::LoadSystemTranslations()
{
    for (const auto& translator : d->translators) QCoreApplication::removeTranslator(translator.get());
    d->translators.clear();
    if (!QCoreApplication::instance()) return;
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto translator = std::make_unique<QTranslator>();
    // A locale without a catalogue (C, English) keeps Qt's built-in texts.
    if (!translator->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"), folder)) return;
    QCoreApplication::installTranslator(translator.get());
    d->translators.push_back(std::move(translator));
}

void TApplication::Finalize()
{
    DestroyComponents();
    FMainForm = nullptr;
    for (const auto& translator : d->translators) QCoreApplication::removeTranslator(translator.get());
    d->translators.clear();
    d->ownApp.reset();
}

void TApplication::Run()
{
    if (!QCoreApplication::instance() || FTerminated) return;
    if (FMainForm) FMainForm->Show();
    QApplication::exec();
    FTerminated = true;
}

void TApplication::ProcessMessages()
{
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::HandleMessage()
{
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
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

namespace {
// QMessageBox keeps a fixed indent left of its text where an icon would be, and styles put icons
// on standard buttons. The plain box has neither: the text is centred with even margins, above
// one centred OK button.
void MakePlain(QMessageBox& box)
{
    auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    if (!label) return;
    label->setAlignment(Qt::AlignCenter);
    label->setContentsMargins(0, 0, 0, 0);
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        for (int i = grid->count() - 1; i >= 0; --i)
            if (grid->itemAt(i)->spacerItem()) delete grid->takeAt(i);
        // Across every column, so that no empty column brings the grid's spacing to one side.
        int row = 0, column = 0, rows = 1, columns = 1;
        grid->getItemPosition(grid->indexOf(label), &row, &column, &rows, &columns);
        grid->removeWidget(label);
        grid->addWidget(label, row, 0, rows, grid->columnCount());
    }
    if (auto* buttons = box.findChild<QDialogButtonBox*>()) buttons->setCenterButtons(true);
    for (QAbstractButton* button : box.buttons()) button->setIcon(QIcon());
}
}  // namespace

int TApplication::MessageBox(const AnsiString& text, const AnsiString& caption, int)
{
    QMessageBox box;
    box.setWindowTitle(QString::fromStdString(caption.ToUtf8()));
    box.setText(QString::fromStdString(text.ToUtf8()));
    box.setIcon(QMessageBox::NoIcon);
    box.setStandardButtons(QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    MakePlain(box);
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

namespace {
std::string Env(const char* name)
{
    const char* s = std::getenv(name);
    return s ? s : "";
}

// A local X display (":0", ":1.0", "unix:2") is reachable when its socket accepts a connection;
// Qt would abort on one that does not. Remote displays are taken on trust.
bool XDisplayReachable(const std::string& display)
{
    auto colon = display.rfind(':');
    if (display.empty() || colon == std::string::npos) return false;
    std::string host = display.substr(0, colon);
    if (!host.empty() && host != "unix") return true;
    std::string number = display.substr(colon + 1);
    number = number.substr(0, number.find('.'));
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) return false;
    std::string path = "/tmp/.X11-unix/X" + number;
    for (bool abstract : {false, true}) {
        int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::size_t offset = abstract ? 1 : 0;  // abstract names start with a NUL byte
        std::memcpy(addr.sun_path + offset, path.data(), std::min(path.size(), sizeof addr.sun_path - 1 - offset));
        auto len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
        bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), len) == 0;
        ::close(fd);
        if (ok) return true;
    }
    return false;
}
}  // namespace

bool DisplayAvailable()
{
    std::string platform = Env("QT_QPA_PLATFORM");
    if (platform.starts_with("wayland")) return !Env("WAYLAND_DISPLAY").empty();
    if (!platform.empty() && !platform.starts_with("xcb")) return true;  // offscreen, vnc, ...
    if (platform.empty() && !Env("WAYLAND_DISPLAY").empty()) return true;
    return XDisplayReachable(Env("DISPLAY"));
}
