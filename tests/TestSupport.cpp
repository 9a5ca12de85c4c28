#include "TestSupport.h"

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>

namespace vantor::test {

TempDir::TempDir() {
    std::random_device rd;
    m_path = std::filesystem::temp_directory_path() / ("vantor-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(m_path);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

void WriteFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<unsigned char> ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

RgbBuffer JpegPixels(const std::string& path, std::uint32_t& width, std::uint32_t& height) {
    RgbBuffer pixels;
    JpegFile::LoadToDisplay(path, pixels, width, height);
    return pixels;
}

JpegFile::Picture JpegPicture(const std::string& path, const JpegFile::Options& options) {
    JpegFile::Picture picture;
    JpegFile::Load(path, options, picture);
    return picture;
}

std::string RunInChild(const std::function<std::string()>& work, std::int64_t fileSizeLimit, int seconds) {
    int fds[2];
    if (::pipe(fds) != 0) return "pipe failed";
    const pid_t pid = ::fork();
    if (pid < 0) return "fork failed";
    if (pid == 0) {
        ::close(fds[0]);
        if (fileSizeLimit != kNoSizeLimit) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        const std::string result = work();
        for (std::size_t done = 0; done < result.size();) {
            const ssize_t n = ::write(fds[1], result.data() + done, result.size() - done);
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string result;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    bool timedOut = false;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        char chunk[4096];
        const ssize_t n = ::read(fds[0], chunk, sizeof chunk);
        if (n <= 0) break;
        result.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    if (timedOut) ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return timedOut ? "timeout" : result;
}

ScriptedView::ScriptedView() {
    ui.paint = [this](Canvas& c) { view.OnDraw(c); };
    ui.waitingForUser = [this] { return view.WaitingForUser(); };
    ui.requestClose = [this] { view.RequestClose(); };
    ui.deliver = [this](const ScriptAction& a) {
        switch (a.kind) {
            case ScriptAction::Kind::Command: view.OnCommand(a.value); break;
            case ScriptAction::Kind::LeftClick: view.OnLButtonDown(); break;
            case ScriptAction::Kind::RightClick: view.OnRButtonDown(); break;
            case ScriptAction::Kind::Key: view.OnKeyDown(static_cast<unsigned>(a.value)); break;
        }
    };
}

std::vector<std::string> ScriptedView::Lines() const {
    std::vector<std::string> lines;
    std::istringstream in(out.str());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> ScriptedView::Events(const std::string& event) const {
    std::vector<std::string> lines;
    const std::string tag = "{\"event\":\"" + event + "\"";
    for (auto& l : Lines()) {
        if (l.rfind(tag, 0) == 0) lines.push_back(l);
    }
    return lines;
}

void ScriptedView::ClearTranscript() { out.str(""); }

}  // namespace vantor::test
