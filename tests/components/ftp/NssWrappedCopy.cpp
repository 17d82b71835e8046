#include "tests/components/ftp/NssWrappedCopy.h"

#include "tests/fixtures/TempDir.h"
#include "tests/components/ftp/PyFtpServer.h"

#include <QCoreApplication>
#include <QProcess>

#include <unistd.h>

bool NssWrapperInstalled()
{
    return ::access("/usr/lib/x86_64-linux-gnu/libnss_wrapper.so", R_OK) == 0 || ::access("/usr/lib/libnss_wrapper.so", R_OK) == 0;
}

bool WrappedCopyRun::Passed() const
{
    return finished && exitCode == 0 && output.find("[  PASSED  ] 1 test") != std::string::npos;
}

WrappedCopyRun RunWrappedCopy(const std::string& filter, const std::string& hosts,
                              const std::vector<std::pair<std::string, std::string>>& environment)
{
    TempDir folder;
    WriteFileBytes(folder / "hosts", hosts);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LD_PRELOAD", "libnss_wrapper.so");
    env.insert("NSS_WRAPPER_DISABLE_DEEPBIND", "1");  // the sanitizer runtime refuses RTLD_DEEPBIND
    env.insert("NSS_WRAPPER_HOSTS", QString::fromStdString(folder / "hosts"));
    // The wrapper comes before the sanitizer's runtime, and its own allocations are not ours.
    env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":verify_asan_link_order=0:detect_leaks=0");
    for (const auto& [name, value] : environment) env.insert(QString::fromStdString(name), QString::fromStdString(value));
    QProcess copy;
    copy.setProcessEnvironment(env);
    copy.setProcessChannelMode(QProcess::MergedChannels);
    copy.start(QCoreApplication::applicationFilePath(), {QString::fromStdString("--gtest_filter=" + filter)});
    WrappedCopyRun run;
    if (!copy.waitForStarted(60000)) {
        run.output = copy.errorString().toStdString();
        return run;
    }
    copy.closeWriteChannel();
    run.finished = copy.waitForFinished(240000);
    run.exitCode = copy.exitCode();
    run.output = copy.readAll().toStdString();
    if (!run.finished) {
        copy.kill();
        copy.waitForFinished(10000);
    }
    return run;
}
