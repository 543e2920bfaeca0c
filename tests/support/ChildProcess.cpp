#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <thread>

extern char** environ;

namespace q417::test {
namespace {

using SteadyTime = std::chrono::steady_clock;

std::int64_t MsLeft(SteadyTime::time_point deadline) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyTime::now())
        .count();
}

// Appends what fd has now; false at its end.
bool ReadSome(int fd, std::string& sink) {
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) {
        return false;
    }
    sink.append(buffer, static_cast<std::size_t>(n));
    return true;
}

// What a test's program may take before it counts as hanging: far more than any needs.
constexpr int kProgramLimitMs = 60'000;

// Appends whatever fd holds without waiting for more: the child may still be running, or a
// process it started may hold the pipe open.
void Drain(int fd, std::string& sink) {
    pollfd p{fd, POLLIN, 0};
    while (fd >= 0 && ::poll(&p, 1, 0) > 0 && ReadSome(fd, sink)) {
    }
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args) {
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        return;
    }
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
        pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    out_ = out[0];
    err_ = err[0];
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !status_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) {
        ::close(out_);
    }
    if (err_ >= 0) {
        ::close(err_);
    }
}

std::string ChildProcess::FirstLine(int timeoutMs) {
    const auto deadline = SteadyTime::now() + std::chrono::milliseconds(timeoutMs);
    std::size_t end = 0;
    while ((end = outText_.find('\n')) == std::string::npos) {
        pollfd p{out_, POLLIN, 0};
        const std::int64_t left = MsLeft(deadline);
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0 || !ReadSome(out_, outText_)) {
            return {};
        }
    }
    return outText_.substr(0, end);
}

void ChildProcess::Signal(int signal) {
    if (pid_ > 0 && !status_) {
        ::kill(pid_, signal);
    }
}

std::optional<int> ChildProcess::Wait(int timeoutMs) {
    const auto deadline = SteadyTime::now() + std::chrono::milliseconds(timeoutMs);
    while (pid_ > 0 && !status_) {
        int status = 0;
        const pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        if (r < 0 || MsLeft(deadline) <= 0) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return status_;
}

bool ChildProcess::Finish(int timeoutMs) {
    const auto deadline = SteadyTime::now() + std::chrono::milliseconds(timeoutMs);
    // Both streams at once: a child blocked on a full stderr pipe would never close stdout.
    std::array<pollfd, 2> fds{{{out_, POLLIN, 0}, {err_, POLLIN, 0}}};
    std::array<std::string*, 2> sinks{&outText_, &errText_};
    int open = 2;
    while (open > 0) {
        const std::int64_t left = MsLeft(deadline);
        if (left <= 0 || ::poll(fds.data(), fds.size(), static_cast<int>(left)) <= 0) {
            break;
        }
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].fd >= 0 && fds[i].revents != 0 && !ReadSome(fds[i].fd, *sinks[i])) {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    // A child that closed its streams exits a moment later; one that did not is hanging.
    if (open == 0 && Wait(static_cast<int>(std::max<std::int64_t>(MsLeft(deadline), 1000)))) {
        return true;
    }
    if (pid_ > 0 && !status_) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        if (::waitpid(pid_, &status, 0) == pid_) {
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
    }
    return false;
}

std::string ChildProcess::Stdout() {
    Drain(out_, outText_);
    return outText_;
}

std::string ChildProcess::Stderr() {
    Drain(err_, errText_);
    return errText_;
}

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args) {
    ChildProcess child(program, args);
    ProgramResult result;
    if (!child.Started()) {
        return result;
    }
    const bool finished = child.Finish(kProgramLimitMs);
    result.exitCode = child.Wait(0).value_or(-1);
    result.output = child.Stdout();
    result.errors = child.Stderr();
    if (!finished) {
        result.errors += "\n[test support] " + program + " did not end within " +
                         std::to_string(kProgramLimitMs / 1000) + " s and was killed\n";
    }
    return result;
}

SimProcess::SimProcess(const std::string& program, const std::vector<std::string>& args)
    : process_(program, args) {
    if (process_.Started()) {
        device_ = process_.FirstLine();
    }
}

std::optional<int> SimProcess::Stop() {
    process_.Signal(SIGTERM);
    return process_.Wait(5000);
}

}  // namespace q417::test
