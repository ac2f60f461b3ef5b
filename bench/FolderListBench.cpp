// The overlap check of a bulk load (settings or project file at start-up): every folder checked
// against all kept before it one at a time, as a single Add Folder does, against the whole list at
// once. Both give the same list; the times are from one run. No display needed.
#include "views/FolderList.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double Seconds(std::chrono::steady_clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

void Measure(const char* what, const std::vector<std::string>& paths)
{
    const auto start = std::chrono::steady_clock::now();
    CFolderList one;
    std::size_t refusedOne = 0;
    for (std::string path : paths)
        refusedOne += one.Append(path) ? 0 : 1;
    const auto middle = std::chrono::steady_clock::now();
    CFolderList all;
    const std::size_t refusedAll = all.AppendAll(paths).size();
    const auto end = std::chrono::steady_clock::now();
    std::printf("%-34s one at a time %8.3f s   all at once %7.4f s   kept %zu, refused %zu%s\n", what,
                Seconds(middle - start), Seconds(end - middle), all.Entries().size(), refusedAll,
                one.Entries() == all.Entries() && refusedOne == refusedAll ? "" : "   LISTS DIFFER");
}

} // namespace

int main()
{
    std::vector<std::string> distinct;
    for (int i = 0; i < 20000; ++i)
        distinct.push_back("/srv/data/d" + std::to_string((i * 7919) % 20000) + "/sub" +
                           std::to_string(i % 3));
    Measure("20,000 different folders", distinct);

    std::vector<std::string> nested = distinct;
    for (std::size_t i = 0; i < nested.size(); i += 2)
        nested[i] = distinct[i + 1] + "/inner"; // so that the next one, around it, is refused
    Measure("20,000 folders, half around others", nested);

    Measure("100,000 times the same folder", std::vector<std::string>(100000, "/srv/same"));
    return 0;
}
