#include "server/workers/child_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

ChildResult runChild(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                     const ChildLimits& limits, const std::string& input) {
    ChildResult result;
    // Everything the child needs is built before fork: after it, in a
    // threaded process, only async-signal-safe calls are allowed.
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> envStore;
    for (char** e = environ; *e; ++e)
        envStore.emplace_back(*e);
    for (const std::string& e : env)
        envStore.push_back(e);
    std::vector<char*> envp;
    for (const std::string& e : envStore)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    // An anonymous file: gone with the last descriptor, never in a folder.
    int in = memfd_create("quorvex-input", MFD_CLOEXEC);
    if (in < 0) return result;
    for (size_t done = 0; done < input.size();) {
        ssize_t n = write(in, input.data() + done, input.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            close(in);
            return result;
        }
        done += static_cast<size_t>(n);
    }
    lseek(in, 0, SEEK_SET);
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in);
        return result;
    }
    rlimit cpu{static_cast<rlim_t>(limits.cpuSeconds), static_cast<rlim_t>(limits.cpuSeconds + 2)};
    pid_t parent = getpid();
    rlim_t bytes = static_cast<rlim_t>(limits.memoryMiB) << 20;
    rlimit memory{bytes, bytes};
    rlimit noCore{0, 0};

    pid_t pid = fork();
    if (pid < 0) {
        close(in);
        close(out[0]);
        close(out[1]);
        return result;
    }
    if (pid == 0) {
        // A server that dies takes its verifiers with it.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        setpgid(0, 0);
        dup2(out[1], STDOUT_FILENO);
        dup2(in, STDIN_FILENO);
        int devnull = open("/dev/null", O_RDWR);
        if (devnull >= 0) dup2(devnull, STDERR_FILENO);
        setrlimit(RLIMIT_CPU, &cpu);
        if (limits.memoryMiB > 0) setrlimit(RLIMIT_AS, &memory);
        setrlimit(RLIMIT_CORE, &noCore);
        execve(args[0], args.data(), envp.data());
        _exit(127);
    }
    close(out[1]);
    close(in);
    result.started = true;

    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limits.wallSeconds);
    char buffer[4096];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) {
            result.timedOut = true;
            kill(-pid, SIGKILL);
            kill(pid, SIGKILL);
            break;
        }
        pollfd p{out[0], POLLIN, 0};
        int ready = poll(&p, 1, static_cast<int>(std::min<long long>(left, 1000)));
        if (ready < 0 && errno != EINTR) break;
        if (ready <= 0) continue;
        ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        if (result.output.size() < limits.maxOutputBytes)
            result.output.append(buffer, static_cast<size_t>(n));
    }
    close(out[0]);
    // A child that closed its output may still run: the deadline holds.
    int status = 0;
    rusage usage{};
    for (;;) {
        pid_t done = wait4(pid, &status, WNOHANG, &usage);
        if (done == pid || (done < 0 && errno != EINTR)) break;
        if (!result.timedOut && std::chrono::steady_clock::now() >= deadline) {
            result.timedOut = true;
            kill(-pid, SIGKILL);
            kill(pid, SIGKILL);
        }
        usleep(5000);
    }
    result.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    if (WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
        // The soft CPU limit sends SIGXCPU, the hard one (two seconds on)
        // SIGKILL. Any other SIGKILL (out of memory, an operator) comes
        // before the child has used its seconds: a crash, tried again.
        bool usedItsSeconds = result.cpuSeconds >= static_cast<double>(limits.cpuSeconds);
        result.cpuExceeded = !result.timedOut && (result.signal == SIGXCPU ||
                                                  (result.signal == SIGKILL && usedItsSeconds));
    }
    return result;
}
