#include "tools/common/ProcessContainment.h"

#ifdef _WIN32

void containChildProcesses() {}

#else

#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace {

// Process-wide by nature: a signal ends the whole process, and the orphans
// it adopts are the process's, not any one runner's.
constexpr int watchedCapacity = 64;
std::atomic<pid_t> watched[watchedCapacity];
std::atomic<bool> adopting{false};

bool isWatched(pid_t pid) {
    for (const auto& slot : watched)
        if (slot.load() == pid) return true;
    return false;
}

/// A set of process ids kept on the stack: nothing here may allocate, as it
/// also runs in a signal handler.
struct PidSet {
    static constexpr int capacity = 4096;
    pid_t ids[capacity];
    int count = 0;
    bool has(pid_t pid) const {
        for (int i = 0; i < count; ++i)
            if (ids[i] == pid) return true;
        return false;
    }
    bool add(pid_t pid) {
        if (count == capacity || has(pid)) return false;
        ids[count++] = pid;
        return true;
    }
};

/// The parent of `pid` as /proc says it, or -1.
pid_t parentOf(pid_t pid) {
    char path[32] = "/proc/";
    char digits[16];
    int length = 0;
    for (pid_t rest = pid; rest > 0 && length < 15; rest /= 10) digits[length++] = static_cast<char>('0' + rest % 10);
    int at = 6;
    while (length > 0) path[at++] = digits[--length];
    const char tail[] = "/stat";
    for (char c : tail) path[at++] = c;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    char text[512];
    const ssize_t got = read(fd, text, sizeof text - 1);
    close(fd);
    if (got <= 0) return -1;
    // "pid (name) state ppid ...": the name may hold anything, so from the last ')'.
    ssize_t close_ = got - 1;
    while (close_ > 0 && text[close_] != ')') --close_;
    ssize_t i = close_ + 1;
    while (i < got && text[i] == ' ') ++i;
    while (i < got && text[i] != ' ') ++i;  // the state
    while (i < got && text[i] == ' ') ++i;
    pid_t parent = 0;
    bool any = false;
    for (; i < got && text[i] >= '0' && text[i] <= '9'; ++i) {
        parent = parent * 10 + (text[i] - '0');
        any = true;
    }
    return any ? parent : -1;
}

/// Adds to `tree` (and stops) every process whose parent is in it, scanning
/// /proc once; `self` stands for this process, whose watched children other
/// than `spared` are left out. Answers whether it found any new one.
bool growTree(PidSet& tree, pid_t self, pid_t spared) {
    const int fd = open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool grew = false;
    alignas(8) char entries[8192];
    for (;;) {
        const long got = syscall(SYS_getdents64, fd, entries, sizeof entries);
        if (got <= 0) break;
        for (long at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(entries + at);
            at += entry->d_reclen;
            pid_t pid = 0;
            bool number = entry->d_name[0] != '\0';
            for (const char* c = entry->d_name; *c != '\0'; ++c) {
                if (*c < '0' || *c > '9') number = false;
                else pid = pid * 10 + (*c - '0');
            }
            if (!number || pid == self || tree.has(pid)) continue;
            const pid_t parent = parentOf(pid);
            if (parent <= 0 || !tree.has(parent)) continue;
            if (parent == self && pid != spared && isWatched(pid)) continue;
            // Stopped, it can start no more processes and stays their parent
            // until all are found; the kill comes when the tree is complete.
            kill(pid, SIGSTOP);
            if (tree.add(pid)) grew = true;
        }
    }
    close(fd);
    return grew;
}

/// Ends `root` and its tree (and, with `withOrphans`, every process this one
/// adopted); answers the processes ended in `tree`.
void endTree(PidSet& tree, pid_t root, bool withOrphans) {
    const pid_t self = getpid();
    if (root > 0) {
        // Held still while its tree is gathered: a process that ended now
        // would hand its children to another parent.
        kill(root, SIGSTOP);
        kill(-root, SIGSTOP);
        tree.add(root);
    }
    if (withOrphans) tree.add(self);
    for (int round = 0; round < 64 && growTree(tree, self, root); ++round) {
    }
    if (root > 0) {
        kill(root, SIGKILL);   // though it left its group
        kill(-root, SIGKILL);  // what stayed in its group
    }
    for (int i = 0; i < tree.count; ++i)
        if (tree.ids[i] != self && tree.ids[i] != root) kill(tree.ids[i], SIGKILL);
}

void endEverything(int signal) {
    PidSet tree;
    endTree(tree, -1, true);
    for (const auto& slot : watched) {
        const pid_t child = slot.load();
        if (child > 0) kill(-child, SIGKILL);
    }
    // Then as the signal would have ended this process.
    ::signal(signal, SIG_DFL);
    raise(signal);
}

}  // namespace

void containChildProcesses() {
#ifdef __linux__
    if (prctl(PR_SET_CHILD_SUBREAPER, 1) == 0) adopting = true;
#endif
    struct sigaction action {};
    action.sa_handler = endEverything;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&action.sa_mask, signal);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

void watchChild(pid_t child) {
    for (auto& slot : watched) {
        pid_t empty = 0;
        if (slot.compare_exchange_strong(empty, child)) return;
    }
}

void unwatchChild(pid_t child) {
    for (auto& slot : watched) {
        pid_t mine = child;
        if (slot.compare_exchange_strong(mine, 0)) return;
    }
}

void endChildAndDescendants(pid_t child) {
    PidSet tree;
    endTree(tree, child, adopting.load());
    // Adopted ones that ended are this process's to reap; the child is its runner's.
    const pid_t self = getpid();
    for (int i = 0; i < tree.count; ++i) {
        const pid_t pid = tree.ids[i];
        if (pid == self || pid == child) continue;
        for (int tries = 0; tries < 20; ++tries) {
            const pid_t reaped = waitpid(pid, nullptr, WNOHANG);
            if (reaped != 0) break;  // reaped, or not this process's child
            usleep(1000);
        }
    }
}

#endif
