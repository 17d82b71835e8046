// Start-up time of the colour tool to its first paint: the program's own sequence (application,
// window from its form description, shown, painted), run as ten fresh processes. Prints each
// phase's median from the moment the process was spawned.
#include "app/Unit2.h"
#include "toolkit/controls/Application.h"
#include "toolkit/winapi/GdiObjects.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

double NowMs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Lets the first paint finish (and reach the screen), then notes the time and quits.
class FirstPaint : public QObject {
public:
    double at = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && at == 0) {
            at = -1;
            QTimer::singleShot(0, [this] {
                at = NowMs();
                QCoreApplication::quit();
            });
        }
        return false;
    }
};

// One start-up; prints "main initialised created painted" in ms since spawnedAt.
int Child(double spawnedAt)
{
    double main = NowMs();
    Application->Initialize();
    double initialised = NowMs();
    Application->CreateForm(Form1);
    double created = NowMs();
    FirstPaint watch;
    QWidget* window = WidgetFromHandle(Form1->Handle());
    window->installEventFilter(&watch);
    Application->Run();
    std::printf("%f %f %f %f\n", main - spawnedAt, initialised - spawnedAt, created - spawnedAt, watch.at - spawnedAt);
    return 0;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--child") return Child(std::atof(argv[2]));
    if (!DisplayAvailable()) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    std::printf("Start-up to first paint, 10 runs, platform %s\n", platform ? platform : "xcb (DISPLAY)");
    const char* phases[] = {"process start to main", "application initialised", "window read and created", "first paint done"};
    std::vector<std::vector<double>> times(4);
    for (int run = 0; run < 10; ++run) {
        int out[2];
        if (pipe(out) != 0) return 1;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::string spawnedAt = std::to_string(NowMs());
        char* args[] = {argv[0], const_cast<char*>("--child"), spawnedAt.data(), nullptr};
        pid_t pid = 0;
        bool started = posix_spawn(&pid, argv[0], &actions, nullptr, args, environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        FILE* child = fdopen(out[0], "r");
        double t[4] = {};
        bool read = started && std::fscanf(child, "%lf %lf %lf %lf", &t[0], &t[1], &t[2], &t[3]) == 4;
        std::fclose(child);
        if (started) waitpid(pid, nullptr, 0);
        if (!read) {
            std::fprintf(stderr, "run %d failed\n", run + 1);
            return 1;
        }
        std::printf("  run %2d: %7.1f ms\n", run + 1, t[3]);
        for (int i = 0; i < 4; ++i) times[static_cast<std::size_t>(i)].push_back(t[i]);
    }
    std::printf("Median of 10 (ms since the process was spawned):\n");
    for (int i = 0; i < 4; ++i) std::printf("  %-26s %7.1f\n", phases[i], Median(times[static_cast<std::size_t>(i)]));
    return 0;
}
