#pragma once
// Permission bits do not stop root, and tests often run as root (build machines, containers).
// For the tests of read-only directories and files, a root process takes the identity of the
// user "nobody" for a while. Root stays its saved identity, so it can take it back.
#include <sys/prctl.h>
#include <sys/types.h>
#include <ftw.h>
#include <unistd.h>

#include <string>

namespace kalvimo::test {

class Unprivileged {
public:
    // Hands the tree to that user first, so that it works there as the owner, as people do in
    // their own data directory.
    explicit Unprivileged(const std::string& tree) {
        if (::geteuid() != 0) return;
        if (::nftw(tree.c_str(), &handOver, 16, FTW_PHYS) != 0) return;
        // Real and effective both, since access() asks about the real one.
        droppedRoot_ = ::setresuid(kNobody, kNobody, 0) == 0;
    }
    ~Unprivileged() {
        if (!droppedRoot_) return;
        if (::setresuid(0, 0, 0) == 0) ::prctl(PR_SET_DUMPABLE, 1);
    }
    Unprivileged(const Unprivileged&) = delete;
    Unprivileged& operator=(const Unprivileged&) = delete;

    // False when root could not give up its rights; the caller skips.
    bool active() const { return ::geteuid() != 0; }

private:
    static constexpr uid_t kNobody = 65534;
    static int handOver(const char* path, const struct stat*, int, struct FTW*) {
        return ::lchown(path, kNobody, static_cast<gid_t>(-1));
    }
    bool droppedRoot_ = false;
};

}  // namespace kalvimo::test
