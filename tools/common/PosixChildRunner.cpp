// The POSIX child runner: a child in a process group of its own, pipes for
// its output, input and control channel, a loop that polls them against the
// deadline and the child's end, and on its end or time-out the end of every
// process it started (ProcessContainment.h).
#ifndef _WIN32

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "tools/common/ChildProcess.h"
#include "tools/common/ChildRunner.h"
#include "tools/common/ProcessContainment.h"

extern char** environ;

using namespace childrunner;

ChildOutcome runSelf(const std::vector<std::string>& arguments, const ChildOptions& options) {
    char self[PATH_MAX] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) {
        ChildOutcome outcome;
        outcome.startError = "this program's own path is unknown (" + systemMessage(static_cast<unsigned long>(errno)) + ")";
        return outcome;
    }
    return runProgram(self, arguments, options);
}

namespace {

/// The descriptor number a child finds its control channel on (ControlChannel.cpp takes it there).
constexpr int childChannelFd = 3;

/// A descriptor that becomes readable when `child` ends (pidfd), or -1 where
/// the system has none; the loop then looks every few milliseconds.
int endNotice(pid_t child) {
#ifdef SYS_pidfd_open
    const long fd = syscall(SYS_pidfd_open, child, 0);
    if (fd >= 0) {
        fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
        return static_cast<int>(fd);
    }
#endif
    (void)child;
    return -1;
}

}  // namespace

ChildOutcome runProgram(const std::string& program, const std::vector<std::string>& arguments, const ChildOptions& options) {
    ChildOutcome outcome;
    const auto start = Clock::now();
    std::vector<std::string> copies{program};
    const std::vector<std::string> given = options.controlChannel ? withChannel(arguments, std::to_string(childChannelFd)) : arguments;
    copies.insert(copies.end(), given.begin(), given.end());
    std::vector<char*> argv;
    for (std::string& argument : copies) argv.push_back(argument.data());
    argv.push_back(nullptr);

    // Every end is close-on-exec here; the child gets its copies through dup2.
    int outputEnds[2];
    if (pipe2(outputEnds, O_CLOEXEC) != 0) {
        outcome.startError = "no pipe for its output (" + systemMessage(static_cast<unsigned long>(errno)) + ")";
        return outcome;
    }
    int controlEnds[2] = {-1, -1};
    int inputEnds[2] = {-1, -1};
    const auto closeAll = [&] {
        for (int fd : {outputEnds[0], outputEnds[1], controlEnds[0], controlEnds[1], inputEnds[0], inputEnds[1]})
            if (fd >= 0) close(fd);
    };
    if (options.controlChannel && pipe2(controlEnds, O_CLOEXEC) != 0) {
        outcome.startError = "no pipe for its control channel (" + systemMessage(static_cast<unsigned long>(errno)) + ")";
        closeAll();
        return outcome;
    }
    if (options.giveInput && pipe2(inputEnds, O_CLOEXEC) != 0) {
        outcome.startError = "no pipe for its input (" + systemMessage(static_cast<unsigned long>(errno)) + ")";
        closeAll();
        return outcome;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outputEnds[1], STDOUT_FILENO);
    if (options.withErrors) posix_spawn_file_actions_adddup2(&actions, outputEnds[1], STDERR_FILENO);
    if (options.giveInput) posix_spawn_file_actions_adddup2(&actions, inputEnds[0], STDIN_FILENO);
    if (options.controlChannel) posix_spawn_file_actions_adddup2(&actions, controlEnds[1], childChannelFd);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // Descriptors this process inherited without close-on-exec stay out of the child too.
    posix_spawn_file_actions_addclosefrom_np(&actions, options.controlChannel ? childChannelFd + 1 : childChannelFd);
#endif
    // A write to a child that has died must not end this process: SIGPIPE is
    // ignored here and restored to its default in the child. The child leads
    // a process group of its own, so that whatever it starts ends with it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &pipeSignal);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
    if (options.giveInput) std::signal(SIGPIPE, SIG_IGN);
    pid_t child = 0;
    const unsigned long error = startWithRetries(
        [&]() -> unsigned long {
            return static_cast<unsigned long>(posix_spawn(&child, program.c_str(), &actions, &attributes, argv.data(), environ));
        },
        [](unsigned long refusal) { return refusal == EAGAIN || refusal == ENOMEM; });
    outcome.started = error == 0;
    if (!outcome.started) outcome.startError = systemMessage(error);
    if (outcome.started) watchChild(child);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(outputEnds[1]);
    outputEnds[1] = -1;
    if (controlEnds[1] >= 0) close(controlEnds[1]);
    controlEnds[1] = -1;
    if (inputEnds[0] >= 0) close(inputEnds[0]);
    inputEnds[0] = -1;
    int inputFd = options.giveInput ? inputEnds[1] : -1;
    inputEnds[1] = -1;
    if (inputFd >= 0) fcntl(inputFd, F_SETFL, O_NONBLOCK);
    std::size_t inputSent = 0;
    ControlLines control(outcome, options);
    OutputKeeper kept(outcome, options);
    if (outcome.started) {
        const int ended = endNotice(child);
        const auto deadline = start + std::chrono::duration<double>(options.timeoutSeconds);
        Clock::time_point drainEnd{};
        char buffer[65536];
        int status = 0;
        bool reaped = false;
        int outputFd = outputEnds[0];
        int controlFd = controlEnds[0];
        // Ends the child and all it started, then reaps it. Looked at without
        // reaping it first, so that its id and group id are still its own.
        const auto endAndReap = [&] {
            endChildAndDescendants(child);
            for (;;) {
                if (waitpid(child, &status, 0) == child) break;
                if (errno == EINTR) continue;
                if (outcome.watchError.empty())
                    outcome.watchError = "cannot wait for the child process (" + systemMessage(static_cast<unsigned long>(errno)) + ")";
                break;
            }
            reaped = true;
            drainEnd = Clock::now() + drainTime;
        };
        for (;;) {
            if (!reaped) {
                siginfo_t info{};
                const int looked = waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT);
                if (looked == 0 && info.si_pid == child) {
                    endAndReap();
                } else if (looked != 0 && errno != EINTR) {
                    outcome.watchError = "cannot look at the child process (" + systemMessage(static_cast<unsigned long>(errno)) + ")";
                    endAndReap();
                } else if (options.timeoutSeconds > 0 && Clock::now() >= deadline) {
                    outcome.timedOut = true;
                    endAndReap();
                }
            }
            if (reaped && ((outputFd < 0 && controlFd < 0) || Clock::now() >= drainEnd)) break;
            if (inputFd >= 0 && inputSent == options.input.size()) {
                close(inputFd);
                inputFd = -1;
            }
            pollfd watched[4] = {{outputFd, POLLIN, 0}, {controlFd, POLLIN, 0}, {inputFd, POLLOUT, 0}, {reaped ? -1 : ended, POLLIN, 0}};
            // Poll ignores negative descriptors. Without an end notice the
            // child's end is looked for every 20 ms.
            auto limit = std::chrono::milliseconds(ended >= 0 || reaped ? 60000 : 20);
            if (reaped) limit = std::min(limit, std::chrono::ceil<std::chrono::milliseconds>(drainEnd - Clock::now()));
            else if (options.timeoutSeconds > 0)
                limit = std::min(limit, std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()));
            const int ready = poll(watched, 4, static_cast<int>(std::max<long long>(limit.count(), 0)));
            if (ready < 0 && errno != EINTR) {
                // Never left running, nor read as a clean exit.
                if (outcome.watchError.empty())
                    outcome.watchError = "cannot poll the child process's pipes (" + systemMessage(static_cast<unsigned long>(errno)) + ")";
                if (!reaped) endAndReap();
                break;
            }
            if (ready <= 0) continue;
            if (inputFd >= 0 && (watched[2].revents & (POLLOUT | POLLERR | POLLHUP)) != 0) {
                const ssize_t wrote = write(inputFd, options.input.data() + inputSent, options.input.size() - inputSent);
                if (wrote > 0) inputSent += static_cast<std::size_t>(wrote);
                else if (wrote < 0 && errno != EAGAIN && errno != EINTR) inputSent = options.input.size();  // the child closed it
            }
            for (int* fd : {&outputFd, &controlFd}) {
                const pollfd& entry = fd == &outputFd ? watched[0] : watched[1];
                if (*fd < 0 || (entry.revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
                const ssize_t got = read(*fd, buffer, sizeof buffer);
                if (got > 0) {
                    if (fd == &outputFd) kept.take(buffer, static_cast<std::size_t>(got));
                    else control.take(buffer, static_cast<std::size_t>(got));
                } else if (got == 0 || errno != EINTR) {
                    *fd = -1;  // closed by every writer; closed here at the end
                }
            }
        }
        unwatchChild(child);
        if (ended >= 0) close(ended);
        control.end();
        const bool watched = outcome.watchError.empty();
        outcome.exited = watched && !outcome.timedOut && WIFEXITED(status);
        outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 0;
        if (watched && WIFSIGNALED(status) && !outcome.timedOut) {
            outcome.fault = static_cast<unsigned long>(WTERMSIG(status));
            outcome.ending = signalEnding(WTERMSIG(status), outcome.faultName);
        }
    }
    if (inputFd >= 0) close(inputFd);
    closeAll();
    outcome.seconds = secondsSince(start);
    return outcome;
}

#endif
