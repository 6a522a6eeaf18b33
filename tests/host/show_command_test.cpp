// corvane-host show and its PNG writer: the writer's files read back with
// zlib; show run on the windowed test plug-in (under Wine, in Xvfb) and its
// screenshot held pixel by pixel against what the plug-in paints.
#include <gtest/gtest.h>

#include <zlib.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "HostToolSupport.h"
#include "tools/common/HostError.h"
#include "tools/common/PngWriter.h"

#ifdef _WIN32
#include <windows.h>

#include <atomic>
#include <thread>
#endif

namespace {

std::uint32_t bigEndian32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
           static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
}

/// Reads a PNG of 8-bit RGB rows without interlace, as a viewer would: the
/// signature, every chunk's CRC, IHDR first and IEND last, the IDAT data
/// inflated by zlib and its rows unfiltered (only filter 0, None, is taken).
/// nullopt with `error` naming the first fault.
std::optional<RgbImage> decodePng(const std::vector<std::uint8_t>& file, std::string& error) {
    static constexpr std::array<std::uint8_t, 8> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (file.size() < 8 || !std::equal(signature.begin(), signature.end(), file.begin())) {
        error = "no PNG signature";
        return std::nullopt;
    }
    RgbImage image;
    std::vector<std::uint8_t> packed;
    std::vector<std::string> order;
    for (std::size_t at = 8; at < file.size();) {
        if (file.size() - at < 12) {
            error = "a chunk is cut short";
            return std::nullopt;
        }
        const std::uint32_t length = bigEndian32(&file[at]);
        if (file.size() - at - 12 < length) {
            error = "a chunk's data is cut short";
            return std::nullopt;
        }
        const std::string type(file.begin() + static_cast<std::ptrdiff_t>(at + 4), file.begin() + static_cast<std::ptrdiff_t>(at + 8));
        const std::uint8_t* data = &file[at + 8];
        if (crc32(crc32(0L, &file[at + 4], 4), data, length) != bigEndian32(data + length)) {
            error = "the CRC of " + type + " is wrong";
            return std::nullopt;
        }
        order.push_back(type);
        if (type == "IHDR") {
            const std::vector<std::uint8_t> rest(data + 8, data + length);
            if (length != 13 || rest != std::vector<std::uint8_t>{8, 2, 0, 0, 0}) {
                error = "IHDR is not 8-bit RGB, deflate, filter set 0, no interlace";
                return std::nullopt;
            }
            image.width = static_cast<int>(bigEndian32(data));
            image.height = static_cast<int>(bigEndian32(data + 4));
        }
        if (type == "IDAT") packed.insert(packed.end(), data, data + length);
        at += 12 + length;
    }
    if (order.empty() || order.front() != "IHDR" || order.back() != "IEND") {
        error = "the chunks do not start with IHDR and end with IEND";
        return std::nullopt;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 3;
    std::vector<std::uint8_t> rows((rowBytes + 1) * static_cast<std::size_t>(image.height) + 1);
    uLongf size = static_cast<uLongf>(rows.size());
    if (uncompress(rows.data(), &size, packed.data(), static_cast<uLong>(packed.size())) != Z_OK ||
        size != rows.size() - 1) {
        error = "IDAT does not inflate to the rows of the picture";
        return std::nullopt;
    }
    for (int y = 0; y < image.height; ++y) {
        const auto row = rows.begin() + static_cast<std::ptrdiff_t>((rowBytes + 1) * static_cast<std::size_t>(y));
        if (*row != 0) {
            error = "row " + std::to_string(y) + " has filter " + std::to_string(*row);
            return std::nullopt;
        }
        image.rgb.insert(image.rgb.end(), row + 1, row + 1 + static_cast<std::ptrdiff_t>(rowBytes));
    }
    return image;
}

std::optional<RgbImage> readPngFile(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "no file " + path;
        return std::nullopt;
    }
    return decodePng(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}), error);
}

/// A picture whose every pixel differs from its neighbours.
RgbImage gradient(int width, int height) {
    RgbImage image{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width * height) * 3)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto pixel = static_cast<std::size_t>(y * width + x) * 3;
            image.rgb[pixel] = static_cast<std::uint8_t>(x);
            image.rgb[pixel + 1] = static_cast<std::uint8_t>(y);
            image.rgb[pixel + 2] = static_cast<std::uint8_t>(x * 7 + y * 13);
        }
    }
    return image;
}

}  // namespace

TEST(PngWriter, FilesReadBackPixelForPixel) {
    const RgbImage cases[] = {gradient(1, 1), gradient(3, 2), gradient(300, 7), RgbImage{2, 1, {255, 0, 0, 0, 0, 255}}};
    for (const RgbImage& image : cases) {
        SCOPED_TRACE(std::to_string(image.width) + "x" + std::to_string(image.height));
        std::string error;
        const auto decoded = decodePng(encodePng(image), error);
        ASSERT_TRUE(decoded) << error;
        EXPECT_EQ(decoded->width, image.width);
        EXPECT_EQ(decoded->height, image.height);
        EXPECT_EQ(decoded->rgb, image.rgb);
    }
}

TEST(PngWriter, RefusesPicturesWhoseBytesDoNotMatchTheirSize) {
    const RgbImage cases[] = {{0, 1, {}}, {1, 0, {}}, {-1, -1, std::vector<std::uint8_t>(3)}, {2, 2, std::vector<std::uint8_t>(11)},
                              {2, 2, std::vector<std::uint8_t>(13)}, {1 << 30, 1 << 30, {}}};
    for (const RgbImage& image : cases) {
        SCOPED_TRACE(std::to_string(image.width) + "x" + std::to_string(image.height) + ", " + std::to_string(image.rgb.size()) + " bytes");
        EXPECT_THROW(encodePng(image), std::invalid_argument);
    }
}

TEST(PngWriter, WritesAFileOrAnswersFalse) {
    const std::string path = inBuild("show_test_written.png");
    ASSERT_TRUE(writePngFile(path, gradient(5, 4)));
    std::string error;
    const auto read = readPngFile(path, error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->rgb, gradient(5, 4).rgb);
    EXPECT_FALSE(writePngFile(programFolder(), gradient(1, 1)));
    EXPECT_FALSE(writePngFile(inBuild("no_such_folder/shot.png"), gradient(1, 1)));
}

TEST(ShowCommand, RefusesBadCommandLines) {
    struct Row {
        std::vector<std::string> arguments;
        const char* message;
    };
    const Row cases[] = {
        {{"show"}, "no library given"},
        {{"show", plugin("paint"), "--size", "0x10"}, "--size needs WIDTHxHEIGHT, each 1 to 8192 pixels, not 0x10"},
        {{"show", plugin("paint"), "--size", "10x"}, "not 10x"},
        {{"show", plugin("paint"), "--size", "10 x 10"}, "not 10 x 10"},
        {{"show", plugin("paint"), "--screenshot"}, "--screenshot needs a value"},
        {{"show", plugin("paint"), "--json"}, "--json is not an option of show"},
        {{"show", plugin("paint"), "a.txt", "b.txt"}, "show takes one library and one script"},
    };
    for (const Row& row : cases) {
        SCOPED_TRACE(row.message);
        const ChildOutcome outcome = host(row.arguments);
        EXPECT_EQ(outcome.exitCode, static_cast<int>(ExitCode::Usage)) << outcome.output;
        EXPECT_NE(outcome.output.find(row.message), std::string::npos) << outcome.output;
    }
}

#ifndef _WIN32

TEST(ShowCommand, SaysInWordsThatItNeedsWindows) {
    const ChildOutcome outcome = host({"show", plugin("good"), "--screenshot", inBuild("show_test_native.png")});
    EXPECT_EQ(outcome.exitCode, static_cast<int>(ExitCode::NeedsWindows)) << outcome.output;
    EXPECT_NE(outcome.output.find("corvane-host: show needs windows, and this corvane-host was built without them"),
              std::string::npos)
        << outcome.output;
}

#else

namespace {

constexpr std::array<std::uint8_t, 3> background = {0x20, 0x28, 0x30};
constexpr std::array<std::uint8_t, 3> firstBarColour = {0x30, 0x80, 0xE0};

/// What the paint plug-in draws in a window of `width` by `height` pixels for
/// its eight bar heights (fractions) in `colour`, as its header describes.
RgbImage paintedBars(int width, int height, const std::array<double, 8>& heights, std::array<std::uint8_t, 3> colour) {
    RgbImage image{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int bar = x * 8 / width;
            const bool inBar = x < (bar + 1) * width / 8 - 2 && y >= height - static_cast<int>(heights[bar] * height + 0.5);
            const auto& pixel = inBar ? colour : background;
            image.rgb.insert(image.rgb.end(), pixel.begin(), pixel.end());
        }
    }
    return image;
}

/// Where two pictures of the same size first differ, or "" when they are equal.
std::string firstDifference(const RgbImage& got, const RgbImage& want) {
    if (got.width != want.width || got.height != want.height)
        return "size " + std::to_string(got.width) + "x" + std::to_string(got.height) + ", want " +
               std::to_string(want.width) + "x" + std::to_string(want.height);
    int differing = 0;
    std::string first;
    for (std::size_t i = 0; i < got.rgb.size(); i += 3) {
        if (std::equal(got.rgb.begin() + static_cast<std::ptrdiff_t>(i), got.rgb.begin() + static_cast<std::ptrdiff_t>(i + 3),
                       want.rgb.begin() + static_cast<std::ptrdiff_t>(i)))
            continue;
        if (differing++ == 0) {
            const std::size_t pixel = i / 3;
            char colours[64];
            std::snprintf(colours, sizeof colours, "#%02X%02X%02X, want #%02X%02X%02X", got.rgb[i], got.rgb[i + 1],
                          got.rgb[i + 2], want.rgb[i], want.rgb[i + 1], want.rgb[i + 2]);
            first = "at x " + std::to_string(pixel % static_cast<std::size_t>(got.width)) + ", y " +
                    std::to_string(pixel / static_cast<std::size_t>(got.width)) + ": " + colours;
        }
    }
    return differing == 0 ? "" : std::to_string(differing) + " pixels differ, first " + first;
}

}  // namespace

TEST(ShowCommand, ScreenshotHoldsWhatThePluginPaintedForTheScriptsValues) {
    struct Row {
        const char* name;
        std::string script;  // empty: no script
        std::string size;
        RgbImage want;
    };
    const Row cases[] = {
        {"colour and three bars", "text 0 \"#E04030\"\nnotify 0\nfloat 1 1\nnotify 1\nfloat 2 0.5\nnotify 2\nfloat 5 0.25\nnotify 5\n",
         "160x100", paintedBars(160, 100, {1, 0.5, 0, 0, 0.25, 0, 0, 0}, {0xE0, 0x40, 0x30})},
        {"heights clamped to 0..1; the first colour", "float 8 7\nnotify 8\nfloat 3 -1\nnotify 3\nfloat 4 0.75\nnotify 4\n", "64x40",
         paintedBars(64, 40, {0, 0, 0, 0.75, 0, 0, 0, 1}, firstBarColour)},
        // The plug-in asks for at most 1024 and at least 16 a side; the host opens what it asks for.
        {"the size measure answers", "", "2000x3", paintedBars(1024, 16, {}, firstBarColour)},
    };
    for (const Row& row : cases) {
        SCOPED_TRACE(row.name);
        const std::string shot = inBuild("show_test_shot.png");
        std::remove(shot.c_str());
        std::vector<std::string> arguments = {"show", plugin("paint"), "--size", row.size, "--screenshot", shot};
        if (!row.script.empty()) arguments.push_back(fileWith("show_script.txt", row.script));
        const ChildOutcome outcome = host(arguments);
        ASSERT_EQ(outcome.exitCode, 0) << outcome.output;
        const std::string wanted = std::to_string(row.want.width) + "x" + std::to_string(row.want.height);
        EXPECT_NE(outcome.output.find("> measure " + row.size + " -> 0, wants " + wanted + "\n"), std::string::npos) << outcome.output;
        EXPECT_NE(outcome.output.find("> screenshot " + wanted + " " + shot + "\n"), std::string::npos) << outcome.output;
        EXPECT_NE(outcome.output.find("> closeWindow -> 0\n"), std::string::npos) << outcome.output;
        EXPECT_NE(outcome.output.find("> release (end of script) -> 0\n"), std::string::npos) << outcome.output;
        std::string error;
        const auto image = readPngFile(shot, error);
        ASSERT_TRUE(image) << error;
        EXPECT_EQ(firstDifference(*image, row.want), "");
    }
}

TEST(ShowCommand, WithoutAScreenshotTheWindowStaysUpUntilItsUserClosesIt) {
    // The user: closes show's frame whenever it finds one, until show has ended.
    std::atomic<bool> showEnded = false;
    std::atomic<int> closes = 0;
    std::thread user([&] {
        while (!showEnded) {
            Sleep(200);
            const HWND frame = FindWindowW(L"CorvaneHostFrame", nullptr);
            if (frame != nullptr && PostMessageW(frame, WM_CLOSE, 0, 0)) ++closes;
        }
    });
    const ChildOutcome outcome = host({"show", plugin("paint")});
    showEnded = true;
    user.join();
    EXPECT_GE(closes, 1) << "show ended before its frame was closed";
    EXPECT_EQ(outcome.exitCode, 0) << outcome.output;
    EXPECT_NE(outcome.output.find("> showing the window until it is closed\n"), std::string::npos) << outcome.output;
    EXPECT_NE(outcome.output.find("> closeWindow -> 0\n"), std::string::npos) << outcome.output;
    EXPECT_NE(outcome.output.find("> release (end of script) -> 0\n"), std::string::npos) << outcome.output;
}

TEST(ShowCommand, PlaysContainedAndReportsAFaultAsRunDoes) {
    const std::string callback = fileWith("show_callback.txt", "float 1 0.5\ntext 0 \"crash\"\nnotify 0\n");
    const std::string paint = fileWith("show_paint.txt", "float 1 1\nnotify 1\npaint\n");
    const std::string capture = fileWith("show_capture.txt", "press 5 5\nmove 400 5\nrelease-mouse 400 5\n");
    struct Row {
        std::string variant;
        std::string script;
        bool strict;
        ExitCode code;
        std::string said;  // in the output
    };
    const Row cases[] = {
        // Before, the first started Wine's debugger and hung; the second was swallowed by the message dispatch.
        {"paint_callback_crash", callback, false, ExitCode::Crashed,
         "corvane-host: CRASH at " + callback + ":3 (notify 0): exception 0xC0000005 (access violation)"},
        {"paint_paint_crash", paint, false, ExitCode::Crashed,
         "corvane-host: CRASH at " + paint + ":3 (paint): exception 0xC0000005 (access violation)"},
        {"paint_keeps_capture", capture, false, ExitCode::Ok,
         "!! the plug-in's window still holds the mouse capture after the button was released\n"},
        {"paint_keeps_capture", capture, true, ExitCode::ContractBroken,
         "corvane-host: the plug-in broke the contract 1 time(s); the first at " + capture +
             ":3: the plug-in's window still holds the mouse capture after the button was released\n"},
    };
    for (const Row& row : cases) {
        SCOPED_TRACE(row.variant + (row.strict ? " --strict" : ""));
        std::vector<std::string> arguments = {"show", plugin(row.variant), row.script, "--screenshot", inBuild("show_test_fault.png"),
                                              "--timeout", shortLimit};
        if (row.strict) arguments.push_back("--strict");
        const ChildOutcome outcome = host(arguments);
        EXPECT_EQ(outcome.exitCode, static_cast<int>(row.code)) << outcome.output;
        EXPECT_TRUE(contains(outcome.output, row.said)) << outcome.output;
        EXPECT_FALSE(contains(outcome.output, "wine: ")) << outcome.output;
        EXPECT_LT(outcome.seconds, std::stod(shortLimit)) << outcome.output;
    }
}

TEST(ShowCommand, EachFailureHasItsOwnExitStatusAndMessage) {
    struct Row {
        std::vector<std::string> arguments;
        ExitCode code;
        std::string message;
    };
    const Row cases[] = {
        {{"show", inBuild(CORVANE_LIBRARY_FILE)}, ExitCode::PluginFailed,
         "corvane-host: Orvex-Corvane is no legacy GUI object (it does not answer IMpUserInterface)"},
        {{"show", plugin("paint"), fileWith("show_release.txt", "float 1 1\nrelease\n")}, ExitCode::BadScriptLine,
         "show_release.txt:2: show releases the object itself, after its window closes"},
        {{"show", plugin("paint"), fileWith("show_text_on_float.txt", "text 1 \"x\"\n")}, ExitCode::BadScriptLine,
         "show_text_on_float.txt:1: pin 1 is a float pin"},
        {{"show", plugin("paint"), "--screenshot", programFolder()}, ExitCode::NoScreenshot,
         "corvane-host: cannot write the screenshot file " + programFolder()},
    };
    for (const Row& row : cases) {
        SCOPED_TRACE(row.message);
        const ChildOutcome outcome = host(row.arguments);
        EXPECT_EQ(outcome.exitCode, static_cast<int>(row.code)) << outcome.output;
        EXPECT_NE(outcome.output.find(row.message), std::string::npos) << outcome.output;
    }
}

#endif
