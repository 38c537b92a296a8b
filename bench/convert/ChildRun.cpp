#include "bench/convert/ChildRun.h"

#include <chrono>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

ChildResult runChild(const std::vector<std::string>& args) {
    ChildResult result;
    std::vector<char*> argv;
    std::string self = "/proc/self/exe";
    argv.push_back(&self[0]);
    std::vector<std::string> copies(args);
    for (std::string& arg : copies) argv.push_back(&arg[0]);
    argv.push_back(nullptr);

    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, "/proc/self/exe", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    char buffer[4096];
    for (ssize_t got; (got = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) result.out.append(buffer, got);
    close(pipeEnds[0]);
    if (spawned != 0) return result;
    int status = 0;
    if (waitpid(child, &status, 0) != child) return result;
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return result;
}
