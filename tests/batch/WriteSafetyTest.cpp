// Writes that leave nothing half done, as users meet them: the built program
// (`--write`, and Save RGB As through `--script`) stopped by a signal at a chosen
// system call (strace delivers it), held while a link is swapped in for the
// chosen name, under a umask; each also on a file system without unnamed files
// (a seccomp filter refuses O_TMPFILE as such a file system does).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "TestSupport.h"
#include "batch/BatchTestSupport.h"

namespace vantor {
namespace {

namespace fs = std::filesystem;
using test::Quote;

#if defined(__x86_64__)
constexpr std::uint32_t kAuditArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr std::uint32_t kAuditArch = AUDIT_ARCH_AARCH64;
#else
constexpr std::uint32_t kAuditArch = 0;  // the rows without unnamed files are left out
#endif

// Runs `sh -c command` (which execs the program, so the status is the program's)
// in a child; with noUnnamedFiles every open asking for an unnamed file fails
// with EOPNOTSUPP, as on a file system that has none.
pid_t Start(const std::string& command, bool noUnnamedFiles) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kAuditArch, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_openat, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[2])),  // the flags' low half
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, O_TMPFILE & ~O_DIRECTORY, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EOPNOTSUPP),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    if (noUnnamedFiles &&
        (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0))
        ::_exit(126);
    ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
}

int Finish(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

bool Ok(const std::string& command) { return test::Shell(command + " >/dev/null 2>&1 && echo yes") == "yes\n"; }
bool CanTrace() { return Ok("strace -qq -o /dev/null true"); }

// A run into a fresh output folder: `--write` of a.jpg and b.jpg ("jpg", "bmp"),
// or Save RGB As of a.jpg over t.jpg or as the new s.jpg ("save", "save new").
struct OutputRun {
    test::TempDir in, out, scratch;
    std::string O = out.path().string() + "/";
    OutputRun() {
        test::MakeJpeg(in.File("a.jpg"), 320, 240);
        test::MakeJpeg(in.File("b.jpg"), 200, 300);
    }
    std::string Program(const std::string& run, const std::string& options = "") const {
        if (run.rfind("save", 0) == 0) {
            std::ofstream(scratch.File("save.script"))
                << "answer files " << in.File("a.jpg") << "\ncommand ID_FILE_OPEN\nanswer files " << O
                << (run == "save" ? "t.jpg" : "s.jpg") << "\ncommand ID_FILE_SAVE_RGB_AS\n";
            return Quote(VANTOR_BINARY) + " --script " + Quote(scratch.File("save.script")) + " >/dev/null";
        }
        return Quote(VANTOR_BINARY) + " --write " + Quote(O) + " --type " + run + " " + options + " " +
               Quote(in.File("a.jpg")) + " " + Quote(in.File("b.jpg")) + " >" + Quote(scratch.File("out"));
    }
    // What each name in the output folder holds: a "link", the bytes of kOld, a
    // "whole" picture of the size written, or "other" (empty or cut).
    static inline const std::vector<unsigned char> kOld = {'o', 'l', 'd'};
    std::map<std::string, std::string> Left() const {
        std::map<std::string, std::string> left;
        for (const auto& e : fs::directory_iterator(out.path())) {
            const std::string id = test::Identify(e.path().string());
            left[e.path().filename().string()] =
                e.is_symlink()                                                                          ? "link"
                : test::ReadFile(e.path().string()) == kOld                                             ? "old"
                : id == "800 600 JPEG 75" || id == "320 240 JPEG 75" || id.rfind("800 600 BMP", 0) == 0 ? "whole"
                                                                                                        : "other";
        }
        return left;
    }
};

TEST(WriteSafety, ASignalAtAnyStepLeavesOnlyWholeFiles) {
    if (!CanTrace()) VANTOR_SKIP_UNLESS_CI("strace is missing or cannot trace here");
    // The signal comes right before or after the when-th call (kill -9 always
    // before it). Ctrl-C and kill remove what the run had under a hidden temporary
    // name; after kill -9 only such a name may stay, never an empty or half picture.
    struct Case {
        const char* run;
        const char* options;
        bool noUnnamedFiles;
        bool before;
        const char* call;
        int when;
        int signal;
        std::map<std::string, std::string> left;  // hidden names aside
    };
    const std::map<std::string, std::string> none, a = {{"a.JPG", "whole"}}, kept = {{"t.jpg", "old"}};
    const std::vector<Case> cases = {
        {"jpg", "", false, false, "write", 1, SIGINT, none},  // the picture's first bytes (no sanitizer)
        {"jpg", "", false, true, "linkat", 1, SIGINT, none},  // whole, about to be named
        {"jpg", "--jobs 3", false, true, "linkat", 2, SIGTERM, a},
        {"bmp", "", false, true, "linkat", 1, SIGKILL, none},
        {"bmp", "", false, false, "linkat", 1, SIGINT, {{"a.BMP", "whole"}}},
        {"bmp", "", true, false, "write", 1, SIGKILL, none},
        {"jpg", "", true, true, "renameat2", 1, SIGINT, none},
        {"bmp", "--jobs 3", true, true, "renameat2", 1, SIGTERM, none},
        {"jpg", "", true, true, "renameat2", 1, SIGKILL, none},
        {"jpg", "", true, false, "renameat2", 1, SIGTERM, a},
        {"save", "", false, false, "fsync", 1, SIGINT, kept},            // the bytes written
        {"save", "", false, false, "linkat", 1, SIGTERM, kept},          // beside the old file
        {"save", "", false, true, "rename,renameat", 1, SIGINT, kept},   // about to replace it
        {"save", "", false, true, "rename,renameat", 1, SIGKILL, kept},  //
        {"save", "", false, false, "rename,renameat", 1, SIGINT, {{"t.jpg", "whole"}}},
        {"save", "", true, false, "fsync", 1, SIGTERM, kept},
        {"save", "", true, true, "rename,renameat", 1, SIGKILL, kept},
    };
    for (const Case& c : cases) {
        const std::string signal = std::string("SIG") + sigabbrev_np(c.signal);
        SCOPED_TRACE(std::string(c.run) + (*c.options != 0 ? " " : "") + c.options +
                     (c.noUnnamedFiles ? " without unnamed files, " : ", ") + signal +
                     (c.before ? " before " : " after ") + c.call + " " + std::to_string(c.when));
        if (c.noUnnamedFiles && kAuditArch == 0) continue;
        OutputRun run;
        if (std::string(c.run) == "save") test::WriteFile(run.O + "t.jpg", OutputRun::kOld);
        // Before: the call is not made (it fails with EINTR, which the signal's end
        // never lets the program see).
        const std::string strace = "strace -f -qq -o /dev/null -e trace=" + std::string(c.call) +
                                   " -e inject=" + c.call + ":signal=" + signal + (c.before ? ":error=EINTR" : "") +
                                   ":when=" + std::to_string(c.when) + " ";
        const int status = Finish(Start("exec " + strace + run.Program(c.run, c.options), c.noUnnamedFiles));
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal) << "status " << status;
        auto left = run.Left();
        std::erase_if(left, [&](const auto& entry) {
            const bool hidden = entry.first.rfind(".vantor-", 0) == 0;
            EXPECT_FALSE(hidden && c.signal != SIGKILL) << entry.first;
            return hidden;
        });
        EXPECT_EQ(left, c.left);
    }
}

TEST(WriteSafety, ALinkSwappedInForTheChosenNameIsPassedOver) {
    if (!CanTrace()) VANTOR_SKIP_UNLESS_CI("strace is missing or cannot trace here");
    for (const bool noUnnamedFiles : {false, true}) {
        for (const std::string type : {"jpg", "bmp"}) {
            SCOPED_TRACE(type + (noUnnamedFiles ? " without unnamed files" : ""));
            if (noUnnamedFiles && kAuditArch == 0) continue;
            OutputRun run;
            const std::string outside = run.scratch.File("precious"), trace = run.scratch.File("trace");
            const std::string name = type == "jpg" ? "a.JPG" : "a.BMP",
                              next = type == "jpg" ? "a~(1).JPG" : "a~(1).BMP";
            test::WriteFile(outside, {'m', 'i', 'n', 'e'});
            // Held as the file for the first picture is opened in the output folder,
            // its name chosen, while someone puts a link there.
            // (LeakSanitizer, in a sanitizer build, cannot work under strace.)
            const pid_t pid = Start("LSAN_OPTIONS=detect_leaks=0 exec strace -f -qq -o " + Quote(trace) + " -P " +
                                        Quote(run.O) + " -e trace=openat -e inject=openat:signal=SIGSTOP:when=1 " +
                                        run.Program(type) + " 2>/dev/null",
                                    noUnnamedFiles);
            std::string held;
            int status = 0;
            bool ended = false;
            for (int i = 0; i < 600 && held.find("stopped by SIGSTOP") == std::string::npos; ++i) {
                if ((ended = ::waitpid(pid, &status, WNOHANG) == pid)) break;
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                const auto bytes = test::ReadFile(trace);
                held.assign(bytes.begin(), bytes.end());
            }
            const bool stopped = held.find("stopped by SIGSTOP") != std::string::npos;
            EXPECT_TRUE(stopped) << held;
            if (stopped) {
                fs::create_symlink(outside, run.scratch.File("link"));
                fs::rename(run.scratch.File("link"), run.O + name);
                ::kill(static_cast<pid_t>(std::stol(held)), SIGCONT);
            } else if (!ended) {
                ::kill(pid, SIGKILL);
            }
            if (!ended) status = Finish(pid);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
            const auto printed = test::ReadFile(run.scratch.File("out"));
            EXPECT_EQ(std::string(printed.begin(), printed.end()),
                      run.O + next + "\n" + run.O + "b" + name.substr(1) + "\n");
            EXPECT_EQ(test::ReadFile(outside), (std::vector<unsigned char>{'m', 'i', 'n', 'e'}));
            EXPECT_EQ(run.Left(), (std::map<std::string, std::string>{
                                      {name, "link"}, {next, "whole"}, {"b" + name.substr(1), "whole"}}));
        }
    }
}

// A new file gets 0666 less the umask, as cp gives it, also when the umask takes
// the owner's write permission; written by a user other than root, for whom
// permissions count.
TEST(WriteSafety, NewFilesTakeTheUmaskAsCpDoes) {
    std::string user;
    if (::geteuid() == 0) {
        if (!Ok("command -v setpriv")) GTEST_SKIP() << "setpriv is missing: the test needs a user other than root";
        user = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    }
    struct Case {
        unsigned umask;
        const char* run;
        bool noUnnamedFiles;
        const char* written;
    };
    const Case cases[] = {
        {0222, "jpg", false, "a.JPG"}, {0222, "bmp", true, "a.BMP"},  {0222, "save new", false, "s.jpg"},
        {0077, "jpg", true, "a.JPG"},  {0022, "bmp", false, "a.BMP"}, {0027, "save new", true, "s.jpg"},
    };
    for (const Case& c : cases) {
        char mask[8];
        std::snprintf(mask, sizeof mask, "%03o", c.umask);
        SCOPED_TRACE(std::string(c.run) + " under umask " + mask + (c.noUnnamedFiles ? " without unnamed files" : ""));
        if (c.noUnnamedFiles && kAuditArch == 0) continue;
        OutputRun run;
        ASSERT_EQ(::chmod(run.out.path().c_str(), 0777), 0);
        const int status =
            Finish(Start("umask " + std::string(mask) + "; exec " + user + run.Program(c.run), c.noUnnamedFiles));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
        struct stat st {};
        ASSERT_EQ(::stat((run.O + c.written).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0666 & ~c.umask);
        EXPECT_EQ(run.Left()[c.written], "whole");
    }
}

}  // namespace
}  // namespace vantor
