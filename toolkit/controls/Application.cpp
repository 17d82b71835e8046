#include "toolkit/controls/Application.h"

#include "toolkit/controls/DialogOwner.h"
#include "toolkit/controls/Forms.h"
#include "toolkit/winapi/GdiObjects.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTranslator>

#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <memory>
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
    for (std::size_t i = 1; i < name.size(); ++i) name[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
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

namespace {
QPointer<QWidget>& LastActiveWindow()
{
    static QPointer<QWidget> window;
    return window;
}
}  // namespace

void NoteActiveWindow(QWidget* window) { LastActiveWindow() = window; }

QWidget* DialogOwner()
{
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    if (QWidget* active = QApplication::activeWindow()) return active;
    // The window system may not have handed the focus back yet, or given it at all (Wayland).
    if (QWidget* last = LastActiveWindow(); last && last->isVisible()) return last;
    TForm* main = Application->MainForm();
    if (main && main->HandleAllocated())
        if (QWidget* w = WidgetFromHandle(main->Handle()); w && w->isVisible()) return w;
    // Else a form that shows.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (WidgetFromHandle(HandleOfWidget(w)) && w->isVisible()) return w;
    return nullptr;
}

int TApplication::MessageBox(const AnsiString& text, const AnsiString& caption, int)
{
    QMessageBox box(DialogOwner());
    box.setWindowTitle(QString::fromStdString(caption.ToUtf8()));
    box.setText(QString::fromStdString(text.ToUtf8()));
    box.setIcon(QMessageBox::NoIcon);
    box.setStandardButtons(QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    MakePlain(box);
    box.adjustSize();
    // Centred on the owner's screen where the window system lets a program place its windows
    // (X11); a Wayland compositor places it over its owner itself.
    QScreen* screen = box.parentWidget() ? box.parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen) box.move(screen->geometry().center() - box.rect().center());
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
