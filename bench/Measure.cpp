// quorvel-measure: runs one command and prints its wall time, CPU time and peak memory, so that the
// benchmark's figures carry no start-up cost of the script that drives it.
//   quorvel-measure OUTPUT-FILE COMMAND [ARG...]
// prints "wall-seconds cpu-seconds peak-KiB exit-status" on standard error; the command's standard
// output goes to OUTPUT-FILE (or nowhere when it is "-").
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fputs("usage: quorvel-measure OUTPUT-FILE COMMAND [ARG...]\n", stderr);
        return 2;
    }
    const char* output = std::strcmp(argv[1], "-") == 0 ? "/dev/null" : argv[1];
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t child = fork();
    if (child == 0) {
        const int out = open(output, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const int quiet = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (out < 0 || quiet < 0 || dup2(out, 1) < 0 || dup2(quiet, 2) < 0)
            _exit(127);
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    if (child < 0)
        return 1;
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child)
        return 1;
    timespec end{};
    clock_gettime(CLOCK_MONOTONIC, &end);
    const double wall = static_cast<double>(end.tv_sec - start.tv_sec) +
                        static_cast<double>(end.tv_nsec - start.tv_nsec) / 1e9;
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::fprintf(stderr, "%.6f %.6f %ld %d\n", wall, cpu, usage.ru_maxrss,
                 WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    return 0;
}
