#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace q417::test {

// A program started by a test, with its standard output and error on pipes. Killed when this
// goes out of scope while it still runs.
class ChildProcess {
  public:
    ChildProcess(const std::string& program, const std::vector<std::string>& args);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    [[nodiscard]] bool Started() const { return pid_ > 0; }
    [[nodiscard]] pid_t Pid() const { return pid_; }

    // The first line of standard output, without its LF (empty when none came in timeoutMs).
    [[nodiscard]] std::string FirstLine(int timeoutMs = 5000);
    void Signal(int signal);
    // The exit status once the process has ended (128 + signal when killed), waiting at most
    // timeoutMs; empty when it still runs.
    std::optional<int> Wait(int timeoutMs);
    // Reads both streams to their end, then waits for the exit, all within timeoutMs. False
    // when the process had not ended by then: it is killed, so a hanging program fails a test
    // rather than stopping the run.
    bool Finish(int timeoutMs);

    // What the process wrote so far, without waiting (all of it once it has ended).
    [[nodiscard]] std::string Stdout();
    [[nodiscard]] std::string Stderr();

  private:
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    std::string outText_;
    std::string errText_;
    std::optional<int> status_;
};

struct ProgramResult {
    int exitCode = -1;
    std::string output;  // standard output
    std::string errors;  // standard error
};

// Runs program with args to its end and collects what it printed. A program still running
// after 60 s is killed (exit code 128 + SIGKILL) and errors says so.
[[nodiscard]] ProgramResult RunProgram(const std::string& program,
                                       const std::vector<std::string>& args);

// The simulated readout as a child process; its first line of output names its device.
// Stopped with SIGTERM when it goes out of scope.
class SimProcess {
  public:
    SimProcess(const std::string& program, const std::vector<std::string>& args);
    ~SimProcess() { Stop(); }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // The pseudo-terminal it serves; empty when it did not start.
    [[nodiscard]] const std::string& Device() const { return device_; }
    // SIGTERM, then the exit status (empty when it did not end within 5 s).
    std::optional<int> Stop();
    [[nodiscard]] ChildProcess& Process() { return process_; }

  private:
    ChildProcess process_;
    std::string device_;
};

}  // namespace q417::test
