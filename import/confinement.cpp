#include "import/confinement.h"

#include <fcntl.h>
#include <linux/landlock.h>
#include <sched.h>
#include <seccomp.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace velmora {
inline namespace importer {

namespace {

// Landlock's file access rights by the ABI version that brought them; the
// later ones are newer than some kernel headers.
constexpr std::uint64_t kRightsOfVersion1 = (std::uint64_t{1} << 13) - 1;
constexpr std::uint64_t kReferRight = std::uint64_t{1} << 13;
constexpr std::uint64_t kTruncateRight = std::uint64_t{1} << 14;
constexpr std::uint64_t kDeviceControlRight = std::uint64_t{1} << 15;

int landlockVersion() {
    const long version =
        syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    return version > 0 ? static_cast<int>(version) : 0;
}

// Every right the kernel knows is handled, so that each is denied but where a
// rule allows it.
std::uint64_t handledRights(int version) {
    std::uint64_t rights = kRightsOfVersion1;
    rights |= version >= 2 ? kReferRight : 0;
    rights |= version >= 3 ? kTruncateRight : 0;
    rights |= version >= 5 ? kDeviceControlRight : 0;
    return rights;
}

// Restricts file access to reading beneath readable; false when the kernel
// refused, leaving the process as it was.
bool restrictFiles(int version, const std::vector<std::string>& readable) {
    landlock_ruleset_attr ruleset{};
    ruleset.handled_access_fs = handledRights(version);
    const int rules =
        static_cast<int>(syscall(SYS_landlock_create_ruleset, &ruleset, sizeof ruleset, 0));
    if (rules < 0) {
        return false;
    }
    for (const std::string& path : readable) {
        const int fd = open(path.c_str(), O_PATH | O_CLOEXEC);
        struct stat status;
        if (fd < 0 || fstat(fd, &status) != 0) {
            if (fd >= 0) {
                close(fd);
            }
            continue;
        }
        landlock_path_beneath_attr rule{};
        rule.allowed_access = S_ISDIR(status.st_mode)
                                  ? LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_READ_DIR
                                  : LANDLOCK_ACCESS_FS_READ_FILE;
        rule.parent_fd = fd;
        syscall(SYS_landlock_add_rule, rules, LANDLOCK_RULE_PATH_BENEATH, &rule, 0);
        close(fd);
    }
    const bool restricted = syscall(SYS_landlock_restrict_self, rules, 0) == 0;
    close(rules);
    return restricted;
}

// Refuses what a confined process never needs; everything else is allowed, so
// that the import library's own needs (memory, threads, time) stay open.
bool filterSystemCalls() {
    scmp_filter_ctx filter = seccomp_init(SCMP_ACT_ALLOW);
    if (!filter) {
        return false;
    }
    const auto refuse = [&](int call, unsigned count = 0, scmp_arg_cmp condition = {}) {
        seccomp_rule_add(filter, SCMP_ACT_ERRNO(EPERM), call, count, condition);
    };
    for (const int call :
         {// New processes, programs and privileges; other processes.
          SCMP_SYS(fork), SCMP_SYS(vfork), SCMP_SYS(execve), SCMP_SYS(execveat), SCMP_SYS(ptrace),
          SCMP_SYS(process_vm_readv), SCMP_SYS(process_vm_writev), SCMP_SYS(tkill), SCMP_SYS(setns),
          SCMP_SYS(unshare), SCMP_SYS(mount), SCMP_SYS(umount2), SCMP_SYS(pivot_root),
          SCMP_SYS(chroot), SCMP_SYS(bpf), SCMP_SYS(perf_event_open), SCMP_SYS(userfaultfd),
          SCMP_SYS(keyctl), SCMP_SYS(add_key), SCMP_SYS(request_key), SCMP_SYS(kexec_load),
          SCMP_SYS(kexec_file_load), SCMP_SYS(init_module), SCMP_SYS(finit_module),
          SCMP_SYS(delete_module), SCMP_SYS(reboot), SCMP_SYS(swapon), SCMP_SYS(swapoff),
          SCMP_SYS(io_uring_setup),
          // The network.
          SCMP_SYS(socket), SCMP_SYS(socketpair), SCMP_SYS(connect), SCMP_SYS(bind),
          SCMP_SYS(listen), SCMP_SYS(accept), SCMP_SYS(accept4),
          // Files made, changed or reached by handle.
          SCMP_SYS(creat), SCMP_SYS(mknod), SCMP_SYS(mknodat), SCMP_SYS(link), SCMP_SYS(linkat),
          SCMP_SYS(symlink), SCMP_SYS(symlinkat), SCMP_SYS(unlink), SCMP_SYS(unlinkat),
          SCMP_SYS(rename), SCMP_SYS(renameat), SCMP_SYS(renameat2), SCMP_SYS(mkdir),
          SCMP_SYS(mkdirat), SCMP_SYS(rmdir), SCMP_SYS(truncate), SCMP_SYS(chmod), SCMP_SYS(fchmod),
          SCMP_SYS(fchmodat), SCMP_SYS(chown), SCMP_SYS(fchown), SCMP_SYS(fchownat),
          SCMP_SYS(lchown), SCMP_SYS(utime), SCMP_SYS(utimes), SCMP_SYS(utimensat),
          SCMP_SYS(futimesat), SCMP_SYS(setxattr), SCMP_SYS(lsetxattr), SCMP_SYS(fsetxattr),
          SCMP_SYS(removexattr), SCMP_SYS(lremovexattr), SCMP_SYS(fremovexattr),
          SCMP_SYS(open_by_handle_at), SCMP_SYS(name_to_handle_at)}) {
        refuse(call);
    }
    // Threads, but no process.
    refuse(SCMP_SYS(clone), 1, SCMP_A0(SCMP_CMP_MASKED_EQ, CLONE_THREAD, 0));
    // Its arguments lie in memory, out of a filter's sight; the C library then
    // falls back to clone.
    seccomp_rule_add(filter, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3), 0);
    seccomp_rule_add(filter, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(openat2), 0);
    // Opening only for reading, without truncating or making the file.
    for (const auto& [call, flags] : {std::pair{SCMP_SYS(open), 1u}, {SCMP_SYS(openat), 2u}}) {
        refuse(call, 1, SCMP_CMP(flags, SCMP_CMP_MASKED_EQ, O_ACCMODE, O_WRONLY));
        refuse(call, 1, SCMP_CMP(flags, SCMP_CMP_MASKED_EQ, O_ACCMODE, O_RDWR));
        refuse(call, 1, SCMP_CMP(flags, SCMP_CMP_MASKED_EQ, O_CREAT, O_CREAT));
        refuse(call, 1, SCMP_CMP(flags, SCMP_CMP_MASKED_EQ, O_TRUNC, O_TRUNC));
    }
    // Signals to itself only; no input typed into a terminal it writes to.
    const auto self = static_cast<scmp_datum_t>(getpid());
    refuse(SCMP_SYS(kill), 1, SCMP_A0(SCMP_CMP_NE, self));
    refuse(SCMP_SYS(tgkill), 1, SCMP_A0(SCMP_CMP_NE, self));
    refuse(SCMP_SYS(ioctl), 1, SCMP_A1(SCMP_CMP_EQ, TIOCSTI));
    refuse(SCMP_SYS(ioctl), 1, SCMP_A1(SCMP_CMP_EQ, TIOCLINUX));
    const bool loaded = seccomp_load(filter) == 0;
    seccomp_release(filter);
    return loaded;
}

}  // namespace

Confinement confineReadsTo(const std::vector<std::string>& readable) {
    Confinement confinement;
    // Both mechanisms need it; it also keeps a set-user-id program from
    // gaining rights.
    prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
    const int version = landlockVersion();
    if (version > 0 && restrictFiles(version, readable)) {
        confinement.landlockVersion = version;
    }
    confinement.systemCallFilter = filterSystemCalls();
    return confinement;
}

}  // namespace importer
}  // namespace velmora
