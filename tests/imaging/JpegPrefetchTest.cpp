// Decoding ahead on a second thread: what is handed over, and when it is not.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "TestSupport.h"
#include "imaging/JpegFile.h"
#include "imaging/JpegPrefetch.h"
#include "imaging/JpegTestSupport.h"

namespace vantor {
namespace {

std::vector<std::uint8_t> Pattern(unsigned width, unsigned height, unsigned seed) {
    std::vector<std::uint8_t> rgb(std::size_t{width} * height * 3);
    for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>((i * seed) >> 3);
    return rgb;
}

void WriteJpeg(const std::string& path, unsigned width, unsigned height, unsigned seed) {
    const auto rgb = Pattern(width, height, seed);
    ASSERT_TRUE(JpegFile::SaveFromRgb(path, rgb.data(), width, height, true, 90));
}

// A file the program itself never writes: progressive, or with other sampling
// factors (luma h x v, chroma 1 x 1), or with restart markers every few MCU rows.
void WriteProgressiveJpeg(const std::string& path, unsigned width, unsigned height, bool progressive = true, int h = 2,
                          int v = 2, int restartRows = 0) {
    std::vector<unsigned char> rgb(std::size_t{width} * height * 3);
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x) {
            unsigned char* p = &rgb[(std::size_t{y} * width + x) * 3];
            p[0] = static_cast<unsigned char>(x * 3 + ((x * y) % 13) * 5);
            p[1] = static_cast<unsigned char>(y * 2 + ((x + 7 * y) % 11) * 9);
            p[2] = static_cast<unsigned char>((x ^ y) + ((x * 5 + y) % 17) * 3);
        }
    }
    test::Writer writer;
    writer.progressive = progressive;
    writer.lumaH = h;
    writer.lumaV = v;
    writer.restartRows = restartRows;
    test::WriteFile(path, writer.Encode(rgb, width, height));
}

bool SamePixels(const PixelBlock& a, const RgbBuffer& b, std::uint32_t w, std::uint32_t h) {
    return a && b && std::memcmp(a.get(), b.get(), std::size_t{w} * h * 3) == 0;
}

unsigned Quarter(std::uint32_t, std::uint32_t, const void*) { return 2; }
unsigned ThreeEighths(std::uint32_t, std::uint32_t, const void*) { return 3; }

// A decode as one ahead keeps it: nothing when it has anything to tell.
JpegFile::Picture Quietly(const std::string& path, const JpegFile::Options& options = {}) {
    JpegFile::Picture picture;
    if (!JpegFile::Load(path, options, picture).Clean()) picture.pixels.reset();
    return picture;
}

TEST(JpegPrefetch, HandsOverExactlyWhatWasAskedFor) {
    test::TempDir dir;
    const std::string a = dir.File("a.jpg"), b = dir.File("b.JPG");
    WriteJpeg(a, 64, 48, 5);
    WriteJpeg(b, 30, 20, 7);
    test::ScriptedView quiet;  // nothing may reach the user

    JpegPrefetch ahead;
    ahead.Start(a);
    EXPECT_FALSE(ahead.Take(b)) << "another file";
    EXPECT_TRUE(ahead.Pending()) << "another file's load keeps the prefetched one";
    auto picture = ahead.Take(a);
    ASSERT_TRUE(picture);
    std::uint32_t w = 0, h = 0;
    const RgbBuffer direct = test::JpegPixels(a, w, h);
    EXPECT_EQ(picture->width, 64u);
    EXPECT_EQ(picture->height, 48u);
    EXPECT_EQ(picture->trueWidth, 64u);
    EXPECT_TRUE(SamePixels(picture->pixels, direct, w, h));
    EXPECT_FALSE(ahead.Pending());
    EXPECT_FALSE(ahead.Take(a)) << "handed over once";
    EXPECT_EQ(ahead.HandedOver(), 1u);

    // A reduced decode is handed over only to the same chooser and context.
    ahead.Start(a, &Quarter, {1, 2, 3});
    EXPECT_FALSE(ahead.Take(a));
    EXPECT_FALSE(ahead.Take(a, &Quarter, {1, 2, 4}));
    picture = ahead.Take(a, &Quarter, {1, 2, 3});
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width, 16u);
    EXPECT_EQ(picture->height, 12u);
    EXPECT_EQ(picture->trueWidth, 64u);
    EXPECT_EQ(picture->trueHeight, 48u);

    // Starting another drops the first.
    ahead.Start(a);
    ahead.Start(b);
    EXPECT_FALSE(ahead.Take(a));
    EXPECT_TRUE(ahead.Take(b));
    EXPECT_TRUE(quiet.Lines().empty());
}

TEST(JpegPrefetch, PicturesAreDecodedIntoKeptMemory) {
    test::TempDir dir;
    const std::string a = dir.File("a.jpg");
    WriteJpeg(a, 64, 48, 5);
    std::uint32_t w = 0, h = 0;
    const RgbBuffer direct = test::JpegPixels(a, w, h);
    PictureMemory memory;
    JpegPrefetch ahead(&memory);
    // A kept block that fits is decoded into; the picture is the same.
    PixelBlock kept = memory.Take(64 * 48 * 3 + 100);
    std::memset(kept.get(), 0x5A, kept.capacity);
    const std::uint8_t* address = kept.get();
    memory.Give(std::move(kept));
    ahead.Start(a);
    auto picture = ahead.Take(a);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->pixels.get(), address);
    EXPECT_TRUE(SamePixels(picture->pixels, direct, w, h));
    // A picture dropped unused goes back to the memory.
    memory.Give(std::move(picture->pixels));
    ahead.Start(a);
    ahead.Wait();
    ahead.Drop();
    EXPECT_EQ(memory.KeptBytes(), 64u * 48 * 3 + 100);
    // Beside a large decode nothing is kept: what is given back is freed.
    memory.KeepNone(true);
    EXPECT_EQ(memory.KeptBytes(), 0u);
    memory.Give(memory.Take(1000));
    EXPECT_EQ(memory.KeptBytes(), 0u);
    memory.KeepNone(false);
    memory.Give(memory.Take(1000));
    EXPECT_EQ(memory.KeptBytes(), 1000u);
}

TEST(JpegPrefetch, AFileChangedSinceItsDecodeIsNotHandedOver) {
    test::TempDir dir;
    const std::string a = dir.File("a.jpg");
    test::ScriptedView quiet;
    JpegPrefetch ahead;
    const auto decoded = [&] {
        WriteJpeg(a, 64, 48, 5);
        const timespec times[2] = {{0, UTIME_OMIT}, {1000, 0}};
        EXPECT_EQ(utimensat(AT_FDCWD, a.c_str(), times, 0), 0);
        ahead.Start(a);
        ahead.Wait();
    };

    decoded();
    WriteJpeg(a, 64, 48, 6);  // rewritten in place
    EXPECT_FALSE(ahead.Take(a));
    decoded();
    const timespec touched[2] = {{0, UTIME_OMIT}, {1000, 1}};
    ASSERT_EQ(utimensat(AT_FDCWD, a.c_str(), touched, 0), 0);
    EXPECT_FALSE(ahead.Take(a)) << "a nanosecond newer";
    decoded();
    WriteJpeg(a + ".new", 64, 48, 5);
    const timespec same[2] = {{0, UTIME_OMIT}, {1000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, (a + ".new").c_str(), same, 0), 0);
    std::filesystem::rename(a + ".new", a);
    EXPECT_FALSE(ahead.Take(a)) << "another file of the same size and time under the name";
    decoded();
    std::filesystem::remove(a);
    EXPECT_FALSE(ahead.Take(a));

    // Only size and time are compared within one file: the same bytes count
    // rewritten and the time put back is taken as unchanged (the old pixels).
    decoded();
    std::uint32_t w = 0, h = 0;
    const RgbBuffer before = test::JpegPixels(a, w, h);
    auto bytes = test::ReadFile(a);
    ASSERT_GT(bytes.size(), 700u);
    bytes[bytes.size() - 600] ^= 0x55;
    {
        const int fd = ::open(a.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
        ::close(fd);
    }
    ASSERT_EQ(utimensat(AT_FDCWD, a.c_str(), same, 0), 0);
    const auto kept = ahead.Take(a);
    ASSERT_TRUE(kept);
    EXPECT_TRUE(SamePixels(kept->pixels, before, w, h));
    EXPECT_TRUE(quiet.Lines().empty());
}

TEST(JpegPrefetch, FailuresAreSilentAndLeftToTheLoadAtTheirTurn) {
    test::TempDir dir;
    test::ScriptedView quiet;
    const std::string cut = dir.File("cut.jpg"), fifo = dir.File("fifo.jpg"), folder = dir.File("folder.jpg");
    WriteJpeg(cut, 64, 48, 5);
    auto bytes = test::ReadFile(cut);
    bytes.resize(bytes.size() / 2);  // a warning: the picture would show, with a box
    test::WriteFile(cut, bytes);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directory(folder);
    JpegPrefetch ahead;
    for (const std::string& path : {cut, fifo, folder, dir.File("missing.jpg"), std::string("/dev/zero")}) {
        ahead.Start(path);
        EXPECT_FALSE(ahead.Take(path)) << path;
    }
    EXPECT_TRUE(quiet.Lines().empty());
}

TEST(JpegPrefetch, TwoBandsOnTwoThreadsGiveTheSinglePicture) {
    test::TempDir dir;
    struct Case {
        unsigned width, height;
        int h, v;
        int restartRows;
        JpegFile::ScaleChooser choose;
    };
    const Case cases[] = {
        {300, 1001, 2, 2, 0, nullptr}, {517, 700, 2, 1, 0, nullptr},         {256, 512, 1, 1, 0, nullptr},
        {640, 777, 2, 2, 3, nullptr},  {1003, 1201, 2, 2, 0, &ThreeEighths}, {333, 900, 1, 2, 0, nullptr},
    };
    for (const Case& c : cases) {
        const std::string path = dir.File("split.jpg");
        WriteProgressiveJpeg(path, c.width, c.height, false, c.h, c.v, c.restartRows);
        JpegFile::Options options;
        options.choose = c.choose;
        const JpegFile::Picture single = test::JpegPicture(path, options);
        ASSERT_TRUE(single.pixels);
        options.splitFromPixels = 0;
        const JpegFile::Picture split = Quietly(path, options);
        ASSERT_TRUE(split.pixels) << c.width << " x " << c.height;
        EXPECT_EQ(split.width, single.width);
        EXPECT_EQ(split.height, single.height);
        EXPECT_EQ(split.trueWidth, c.width);
        const std::size_t bytes = std::size_t{single.width} * single.height * 3;
        EXPECT_EQ(std::memcmp(split.pixels.get(), single.pixels.get(), bytes), 0)
            << c.width << " x " << c.height << " sampled " << c.h << " x " << c.v << " restarts " << c.restartRows;
    }
    // Read whole but not split (several scans): decoded once, from what was read.
    {
        const std::string path = dir.File("progressive.jpg");
        WriteProgressiveJpeg(path, 300, 600);
        std::uint32_t w = 0, h = 0;
        const RgbBuffer single = test::JpegPixels(path, w, h);
        JpegFile::Options options;
        options.splitFromPixels = 0;
        const JpegFile::Picture whole = Quietly(path, options);
        ASSERT_TRUE(whole.pixels);
        EXPECT_TRUE(SamePixels(whole.pixels, single, w, h));
    }
    // A picture cut short warns in the lower band: nothing, as from one decode.
    const std::string cut = dir.File("cut.jpg");
    WriteProgressiveJpeg(cut, 400, 800, false);
    auto bytes = test::ReadFile(cut);
    bytes.resize(bytes.size() * 3 / 4);
    test::WriteFile(cut, bytes);
    test::ScriptedView quiet;
    JpegFile::Options options;
    options.splitFromPixels = 0;
    EXPECT_FALSE(Quietly(cut, options).pixels);
    EXPECT_TRUE(quiet.Lines().empty());
}

TEST(JpegPrefetch, ABudgetHoldsWhatIsAheadAndNoFailureOrDropCancelsAnother) {
    test::TempDir dir;
    test::ScriptedView quiet;
    // Several scans hold every coefficient while they decode: about 0.7 MB each here.
    std::vector<std::string> list;
    const auto add = [&](const std::string& name) {
        list.push_back(dir.File(name));
        return list.back();
    };
    WriteProgressiveJpeg(add("p1.jpg"), 400, 300);
    const std::string cut = add("cut.jpg");
    WriteJpeg(cut, 64, 48, 5);
    auto bytes = test::ReadFile(cut);
    bytes.resize(bytes.size() / 2);
    test::WriteFile(cut, bytes);
    WriteJpeg(add("b1.jpg"), 120, 90, 6);
    WriteProgressiveJpeg(add("p2.jpg"), 400, 300, false);
    add("missing.jpg");
    WriteJpeg(add("b2.jpg"), 90, 120, 7);
    WriteProgressiveJpeg(add("p3.jpg"), 300, 400);
    constexpr std::uint64_t kMostOne = 1u << 20;  // what the costliest decode here holds, and more

    for (const std::uint64_t budget : {std::uint64_t{0}, kMostOne, std::uint64_t{64} << 20}) {
        SCOPED_TRACE(budget);
        JpegPrefetch ahead(nullptr, budget);
        ahead.Start(list);
        ahead.Wait();
        for (const std::string& path : list) {
            const bool good = path != cut && path.find("missing") == std::string::npos;
            // What failed is left to its turn; what comes after it is handed over still.
            const auto picture = ahead.Take(path);
            ASSERT_EQ(static_cast<bool>(picture), good) << path;
            if (!good) continue;
            std::uint32_t w = 0, h = 0;
            EXPECT_TRUE(SamePixels(picture->pixels, test::JpegPixels(path, w, h), w, h)) << path;
        }
        EXPECT_EQ(ahead.HandedOver(), 5u);
        EXPECT_FALSE(ahead.Pending());
        // Beside the budget, one decode at most, the one in the lane of the large.
        EXPECT_LE(ahead.MostHeld(), budget + kMostOne);

        // A slide no longer asked for is dropped; the one still asked for goes on.
        ahead.Start({list[0], list[2]});
        ahead.Wait();
        ahead.Start({list[2], list[3]});
        EXPECT_TRUE(ahead.Take(list[2]));
        EXPECT_FALSE(ahead.IsFor(list[0]));
    }
    EXPECT_TRUE(quiet.Lines().empty());
}

TEST(JpegPrefetch, AdmissionIsAskedForWhatTheDecodeWillHoldAndCancelStopsIt) {
    test::TempDir dir;
    const std::string p = dir.File("p.jpg");
    WriteProgressiveJpeg(p, 64, 48);
    const std::string b = dir.File("b.jpg");
    WriteJpeg(b, 64, 48, 5);
    std::atomic<bool> cancel{true};
    // 64 x 48 in 4:2:0 holds (8+2) x (6+2) + 2 x (4+1) x (3+1) blocks of 128 bytes
    // while it decodes several scans; a baseline file holds only its pixels.
    constexpr std::uint64_t kPixels = 64 * 48;
    struct Case {
        const std::string& path;
        bool admit;
        const std::atomic<bool>* cancel;
        std::uint64_t asked;  // bytes; 0: not asked
        bool decoded;
    } cases[] = {
        {p, true, nullptr, 120 * 128 + kPixels * 3, true},
        {p, false, nullptr, 120 * 128 + kPixels * 3, false},
        {b, true, nullptr, kPixels * 3, true},
        {b, false, nullptr, kPixels * 3, false},
        {b, true, &cancel, 0, false},
        {p, true, &cancel, 0, false},
    };
    for (const Case& c : cases) {
        JpegFile::Options options;
        options.cancel = c.cancel;
        std::uint64_t asked = 0, pixels = 0;
        options.admit = [&](std::uint64_t bytes, std::uint32_t width, std::uint32_t height) {
            asked = bytes;
            pixels = std::uint64_t{width} * height;
            return c.admit;
        };
        EXPECT_EQ(static_cast<bool>(Quietly(c.path, options).pixels), c.decoded) << c.path << " " << c.admit;
        EXPECT_EQ(asked, c.asked) << c.path;
        EXPECT_EQ(pixels, c.asked != 0 ? kPixels : 0) << c.path;
    }
}

}  // namespace
}  // namespace vantor
