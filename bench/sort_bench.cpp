// Sorting a full slide list of 10000 real files against one `sort -f` process
// over the same names, measured in the same run.
//
//   sort_bench [FOLDER]
//
// The list is sorted by file name (kind 0), size (kind 4) and file type,
// descending (kind 9), each from the same shuffled order, with the window's own
// pump, progress lines and paints in place (offscreen); the boxes are answered at
// once. The peer sorts the same 10000 names case-insensitively in one process.
#include <spawn.h>
#include <sys/wait.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/qt/MainWindow.h"
#include "platform/qt/QtUi.h"
#include "viewer/CVantorView.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// Processor time of this process: on a machine shared with other work, the wall
// time alone says little.
double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// The window's Ui with every message box answered OK at once.
class QuietUi : public vantor::QtUi {
public:
    using QtUi::QtUi;
    int MessageBox(const std::string&, const std::string&, vantor::MsgButtons, vantor::MsgIcon) override {
        return vantor::IDOK;
    }
};

double TimeSortF(const std::string& namesFile) {
    const char* argv[] = {"sort", "-f", "-o", "/dev/null", namesFile.c_str(), nullptr};
    const auto t0 = Clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, "sort", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
        std::fprintf(stderr, "cannot run sort\n");
        std::exit(1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const double t = Seconds(t0, Clock::now());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "sort failed\n");
        std::exit(1);
    }
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qargc = 1;
    QApplication app(qargc, argv);
    const std::filesystem::path folder = argc > 1 ? argv[1] : "build/bench-sort";
    std::filesystem::create_directories(folder);

    // 10000 files with mixed-case names, three endings, varied sizes and dates.
    std::mt19937 rng(42);
    const char* const endings[] = {".jpg", ".JPG", ".bmp", ".jpeg"};
    std::vector<std::string> paths;
    std::vector<std::string> names;
    for (int i = 0; i < 10000; ++i) {
        std::string name = "Pic_" + std::to_string(rng() % 100000);
        for (char& c : name) {
            if (rng() % 2 && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        }
        name += std::to_string(i) + endings[rng() % 4];
        const std::string path = (folder / name).string();
        if (!std::filesystem::exists(path)) {
            std::ofstream(path, std::ios::binary) << std::string(rng() % 4096, 'x');
            std::filesystem::last_write_time(
                path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(rng() % 20000));
        }
        paths.push_back(path);
        names.push_back(name);
    }
    const std::string namesFile = (folder / "names.txt").string();
    {
        std::ofstream out(namesFile);
        for (const auto& n : names) out << n << '\n';
    }

    vantor::CVantorView view;
    vantor::MainWindow window{view};
    QuietUi ui{window};
    vantor::ScopedUi scope{ui};
    window.resize(1000, 700);
    window.show();

    std::printf("%-28s %10s %10s %12s %8s %8s\n", "case", "ours (s)", "ours cpu", "sort -f (s)", "ratio", "target");
    for (const auto& [label, kind] : {std::pair{"name ascending (kind 0)", 0}, std::pair{"size ascending (kind 4)", 4},
                                      std::pair{"type descending (kind 9)", 9}}) {
        for (std::uint32_t i = 0; i < paths.size(); ++i) view.m_slides.Store(i, paths[i]);
        view.m_slides.m_slideCount = static_cast<std::uint32_t>(paths.size());
        view.InvalidateView(true);
        const double c0 = CpuSeconds();
        const auto t0 = Clock::now();
        view.SortSlideList(kind);
        const double ours = Seconds(t0, Clock::now());
        const double cpu = CpuSeconds() - c0;
        const double peer = TimeSortF(namesFile);
        std::printf("%-28s %10.3f %10.3f %12.3f %8.1f %8s\n", label, ours, cpu, peer, ours / peer, "< 1 s");
    }
    return 0;
}
