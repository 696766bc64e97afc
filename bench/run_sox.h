// Runs sox as its own process, as a user would, for the figures measured next to it.
#pragma once

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

inline void runSox(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t child;
    if (posix_spawnp(&child, "sox", nullptr, nullptr, argv.data(), environ) != 0) throw std::runtime_error("sox did not start");
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("sox failed");
}
