// Auto Search over a generated folder tree against GNU find over the same tree,
// measured in the same run and reported as a ratio, with the search's peak memory.
//
//   search_bench [FOLDER] [RUNS]
//
// FOLDER (kept between runs, outside the repository) receives a tree of about
// 140,000 folders in three levels (52 x 52 x 52) with a JPEG in one folder of every
// hundred. The search runs as `vantor --script` with its prompts answered by the
// script, through the real command with its pumps and overlay drawing; the peer is
// `find ROOT -iname '*.jpg'`. Both run as child processes; the times are medians.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "imaging/JpegFile.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFanOut = 52;

struct Result {
    double seconds = 0;
    long maxRssKb = 0;
    std::string output;
};

// Runs argv with its output in a file; the child's time and peak memory.
Result Run(const std::vector<std::string>& args, const std::string& outFile) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::cerr << "cannot run " << args[0] << "\n";
        std::exit(1);
    }
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    Result r;
    r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    r.maxRssKb = usage.ru_maxrss;
    posix_spawn_file_actions_destroy(&actions);
    if (FILE* f = std::fopen(outFile.c_str(), "rb")) {
        char buf[65536];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) r.output.append(buf, n);
        std::fclose(f);
    }
    return r;
}

std::string FindProgram(const char* name) {
    for (const char* dir : {"/usr/bin/", "/bin/", "/usr/local/bin/"}) {
        const std::string p = std::string(dir) + name;
        if (access(p.c_str(), X_OK) == 0) return p;
    }
    return name;
}

void MakeTree(const fs::path& root) {
    if (fs::exists(root / ".complete")) return;
    std::cerr << "generating " << root << " ...\n";
    fs::remove_all(root);
    fs::create_directories(root);
    // One small real JPEG, hard-linked into every hundredth leaf folder.
    const fs::path sample = root / "sample.bin";
    std::vector<unsigned char> rgb(16 * 16 * 3, 128);
    vantor::JpegFile::SaveFromRgb(sample.string(), rgb.data(), 16, 16, true, 90);
    char name[8];
    int leaf = 0;
    for (int a = 0; a < kFanOut; ++a) {
        std::snprintf(name, sizeof name, "a%02d", a);
        const fs::path pa = root / name;
        mkdir(pa.c_str(), 0755);
        for (int b = 0; b < kFanOut; ++b) {
            std::snprintf(name, sizeof name, "b%02d", b);
            const fs::path pb = pa / name;
            mkdir(pb.c_str(), 0755);
            for (int c = 0; c < kFanOut; ++c) {
                std::snprintf(name, sizeof name, "c%02d", c);
                const fs::path pc = pb / name;
                mkdir(pc.c_str(), 0755);
                if (leaf++ % 100 == 0) link(sample.c_str(), (pc / "photo.jpg").c_str());
            }
        }
    }
    std::ofstream(root / ".complete") << "ok\n";
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path base = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "vantor-search-bench";
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const fs::path root = base / "tree";
    MakeTree(root);

    const fs::path script = base / "search.script";
    std::ofstream(script) << "answer dialog OK\n"
                          << "answer files \"" << (root / "MFC_DUMMY.JPG").string() << "\"\n"
                          << "command ID_SLIDESHOW_AUTO_SEARCH\n";
    const std::string find = FindProgram("find");
    const std::vector<std::string> findArgs = {find, root.string(), "-iname", "*.jpg"};
    const std::vector<std::string> searchArgs = {VANTOR_BINARY, "--script", script.string()};
    const std::string out = (base / "out.txt").string();

    // Warm the file-system caches for both.
    const Result warmFind = Run(findArgs, out);
    const Result warmSearch = Run(searchArgs, out);
    const long found = std::count(warmFind.output.begin(), warmFind.output.end(), '\n');
    const std::string expected = "(JPEG) は..." + std::to_string(found) + "個 です。";
    if (warmSearch.output.find(expected) == std::string::npos) {
        std::cerr << "the search did not find the " << found << " pictures find found\n" << warmSearch.output;
        return 1;
    }

    std::vector<double> findTimes, searchTimes;
    long peakKb = 0;
    for (int i = 0; i < runs; ++i) {
        findTimes.push_back(Run(findArgs, out).seconds);
        const Result r = Run(searchArgs, out);
        searchTimes.push_back(r.seconds);
        peakKb = std::max(peakKb, r.maxRssKb);
    }
    const double f = Median(findTimes), s = Median(searchTimes);
    std::printf("tree: %d folders in three levels, %ld pictures\n",
                kFanOut * kFanOut * kFanOut + kFanOut * kFanOut + kFanOut, found);
    std::printf("find -iname '*.jpg'   %8.3f s\n", f);
    std::printf("Auto Search           %8.3f s   ratio %.2f x find (target <= 1.5)\n", s, s / f);
    std::printf("Auto Search peak memory %ld KiB\n", peakKb);
    return 0;
}
