// The batch write on a disk that fills: a picture whose file could not be written
// whole is reported, and nothing of it is left in the output folder. The run goes
// in a child process under a file-size limit, which fails writes as a full disk does.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "imaging/JpegFile.h"
#include "platform/script/Json.h"
#include "resource.h"

namespace vantor {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    std::vector<std::string> boxes;  // after the setup's two
    std::vector<std::string> icons;
    int writes = 0;
    std::string raw;
};

Outcome WriteOneSlide(const std::string& source, const std::string& out, const char* type, std::int64_t limit) {
    test::ScriptedView s;
    s.view.m_speed = 0;
    s.view.m_slides.Store(0, source);
    s.view.m_slides.m_slideCount = 1;
    DialogAnswer scale;
    scale.button = IDOK;
    scale.values = {{"m_maxWidth", "201"}, {"m_maxHeight", "150"}, {"m_outFileType", type}};
    s.ui.QueueDialogAnswer(scale);
    s.ui.QueueFilesAnswer({false, {out + "MFC_DUMMY.JPG"}});
    DialogAnswer jump;
    jump.button = IDOK;
    jump.values = {{"m_jumpNo", "0"}};
    s.ui.QueueDialogAnswer(jump);
    DialogAnswer goOn;
    goOn.button = IDOK;
    s.ui.QueueDialogAnswer(goOn);
    Outcome r;
    r.raw = test::RunInChild(
        [&] {
            s.view.OnCommand(ID_FILE_WRITE_START);
            return s.out.str();
        },
        limit);
    std::istringstream in(r.raw);
    int setup = 2;
    for (std::string line; std::getline(in, line);) {
        const Json j = Json::parse(line);
        if (j["event"] == "write") ++r.writes;
        if (j["event"] == "box" && setup-- <= 0) {
            r.boxes.push_back(j["text"].get<std::string>());
            r.icons.push_back(j["icon"].get<std::string>());
        }
    }
    return r;
}

TEST(BatchWriteFullDisk, APictureNotWrittenWholeIsReportedAndLeavesNothing) {
    test::TempDir in;
    const std::string source = in.File("photo.jpg");
    std::vector<std::uint8_t> rgb(400 * 300 * 3);
    for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i * 13 / 7);
    ASSERT_TRUE(JpegFile::SaveFromRgb(source, rgb.data(), 400, 300, true, 90));

    struct Type {
        const char* value;
        const char* name;
        std::vector<std::string> failure;  // "%s" is the output path
    };
    const Type types[] = {
        {"0", "photo.JPG", {"Output file write error --- out of disk space?", "Write Error...中止しますか?", "%s"}},
        {"1", "photo.BMP", {"fwrite error\nGiving up"}},
    };
    for (const Type& t : types) {
        SCOPED_TRACE(t.name);
        test::TempDir outDir;
        const std::string out = outDir.path().string() + "/";
        const Outcome whole = WriteOneSlide(source, out, t.value, test::kNoSizeLimit);
        ASSERT_EQ(whole.writes, 1) << whole.raw;
        const auto size = static_cast<std::int64_t>(fs::file_size(out + t.name));
        fs::remove(out + t.name);
        std::vector<std::string> failure = t.failure;
        if (failure.back() == "%s") failure.back() = out + t.name;
        for (const std::int64_t cut : {std::int64_t{0}, size / 2, size - 1}) {
            SCOPED_TRACE("cut at byte " + std::to_string(cut) + " of " + std::to_string(size));
            const Outcome r = WriteOneSlide(source, out, t.value, cut);
            EXPECT_EQ(r.writes, 0) << r.raw;
            EXPECT_EQ(r.boxes, failure) << r.raw;
            if (!r.icons.empty()) {
                EXPECT_EQ(r.icons.front(), "error");
            }
            EXPECT_TRUE(fs::is_empty(outDir.path()));
        }
    }
}

}  // namespace
}  // namespace vantor
