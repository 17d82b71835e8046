#pragma once
// Runs this test program again with nss_wrapper answering host name lookups from a file of its
// own. The resolver reads its files when a process starts, so a case that needs a name to
// resolve elsewhere runs its checks in such a copy.
#include <string>
#include <utility>
#include <vector>

bool NssWrapperInstalled();

struct WrappedCopyRun {
    bool finished = false;
    int exitCode = -1;
    std::string output;
    // The copy ran and its one selected test passed.
    bool Passed() const;
};

// Runs the tests that `filter` selects with `hosts` as the hosts file and the extra environment
// (the copy's marker that it is the copy, a host name of its own, ...).
WrappedCopyRun RunWrappedCopy(const std::string& filter, const std::string& hosts,
                              const std::vector<std::pair<std::string, std::string>>& environment);
