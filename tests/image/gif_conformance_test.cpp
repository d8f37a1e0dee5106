// Every case of the external GIF conformance suite is decoded and each frame's composed
// canvas compared with the expected one; every damaged file only has to load or fail
// without crashing.
#include "image/gif_image.h"
#include "image/image_support.h"
#include "platform/files.h"

#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace {

const std::string Conformance = std::string(TEST_CORPORA_DIR) + "/gif-conformance/";
const std::string Damaged = std::string(TEST_CORPORA_DIR) + "/gif-damaged/";

// Where the suite and our decoder part ways, the decoder keeps its own reading, because
// pages written for the browsers of its time rely on it: a frame per image, loop counts only
// from NETSCAPE2.0, a canvas that grows to hold every frame. Each such case is checked for
// what our decoder does instead, with the reason.
enum class TReading {
    Refused,       // the file does not load
    PlaysOnce,     // loop count 1: no NETSCAPE2.0 block
    FramePerImage, // more frames than control blocks; the last one composes the suite's last
    GrownCanvas,   // the canvas holds the image that lies beyond the logical screen
};
struct TKnownDifference {
    TReading Reading;
    const char* Reason;
};
const char* const TableBeyondTheEnd =
    "the local colour table runs past the end of the file, so the only frame cannot be read";
const char* const ImageIsAFrame = "a frame is an image, not a control block";
const char* const CanvasGrows =
    "the canvas grows to hold every frame; the suite clips to the logical screen";
const std::map<std::string, TKnownDifference> KnownDifferences = {
    {"no-data", {TReading::Refused, "a file without any image block fails to load"}},
    {"image-zero-height", {TReading::Refused, TableBeyondTheEnd}},
    {"image-zero-size", {TReading::Refused, TableBeyondTheEnd}},
    {"unknown-extension",
     {TReading::Refused, "an extension label other than 1, 249, 254 and 255 ends the block "
                         "structure before the image"}},
    {"loop-animexts",
     {TReading::PlaysOnce, "only the NETSCAPE2.0 application block gives a loop count; "
                           "ANIMEXTS1.0 is skipped"}},
    {"gif87a-animation",
     {TReading::PlaysOnce, "without a NETSCAPE2.0 block an animation plays once; the suite "
                           "forces endless looping"}},
    {"images-combine", {TReading::FramePerImage, ImageIsAFrame}},
    {"images-overlap", {TReading::FramePerImage, ImageIsAFrame}},
    {"high-color", {TReading::FramePerImage, ImageIsAFrame}},
    {"dispose-restore-previous", {TReading::FramePerImage, ImageIsAFrame}},
    {"animation-multi-image", {TReading::FramePerImage, ImageIsAFrame}},
    {"animation-multi-image-explicit-zero-delay", {TReading::FramePerImage, ImageIsAFrame}},
    {"image-overlap-bg", {TReading::GrownCanvas, CanvasGrows}},
    {"image-outside-bg", {TReading::GrownCanvas, CanvasGrows}},
};

// A case description: "[section]" lines, each followed by "key = value" or "key =" lines.
using TConf = std::map<std::string, std::map<std::string, std::string>>;
TConf ReadConf(const std::string& path) {
    TConf sections;
    std::ifstream in(path);
    std::string section;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        const size_t eq = line.find(" =");
        if (line[0] == '[') section = line.substr(1, line.find(']') - 1);
        else if (eq != std::string::npos)
            sections[section][line.substr(0, eq)] = line.size() > eq + 3 ? line.substr(eq + 3) : "";
    }
    return sections;
}

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> out;
    std::stringstream ss(text);
    for (std::string part; std::getline(ss, part, ',');)
        if (!part.empty()) out.push_back(part);
    return out;
}

// One case of the suite: its description, the frames it expects and what our decoder read.
struct TCase {
    explicit TCase(const std::string& name) : Conf(ReadConf(Conformance + name + ".conf")) {
        auto& config = Conf["config"];
        std::string data;
        EXPECT_TRUE(platform::ReadWholeFile(Conformance + config["input"], data))
            << config["input"];
        Loaded = Gif.ReadSource(reinterpret_cast<const uint8_t*>(data.data()), data.size(), false);
        Frames = Split(config["frames"]);
        Width = std::stoi(config["width"]);
        Height = std::stoi(config["height"]);
    }
    // Empty when the shown canvas is the expected one of Frame; otherwise the first difference.
    std::string CompareWith(size_t frame) {
        const QImage actual = Gif.ComposedPicture();
        std::string rgba;
        platform::ReadWholeFile(Conformance + Conf[Frames[frame]]["pixels"], rgba);
        if (actual.size() != QSize(Width, Height))
            return "size " + std::to_string(actual.width()) + "x" + std::to_string(actual.height());
        if (rgba.size() != size_t(Width) * Height * 4) return "expected file has the wrong size";
        const auto* e = reinterpret_cast<const uint8_t*>(rgba.data());
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x, e += 4) {
                const QRgb a = actual.pixel(x, y);
                if (e[3] == 0 && qAlpha(a) == 0) continue; // clear is clear, whatever its colour
                if (a != qRgba(e[0], e[1], e[2], e[3]))
                    return "pixel " + std::to_string(x) + "," + std::to_string(y);
            }
        return {};
    }

    TConf Conf;
    std::vector<std::string> Frames;
    int Width = 0, Height = 0;
    image::TGIFImage Gif;
    bool Loaded = false;
};

// Empty when the decoder gives what the suite expects; otherwise the first difference.
std::string Compare(TCase& c) {
    if (c.Frames.empty()) return {}; // the decoder may refuse; it did not crash
    if (!c.Loaded) return "not loaded";
    if (c.Gif.FrameTotal() != static_cast<int>(c.Frames.size()))
        return "frames " + std::to_string(c.Gif.FrameTotal());
    const std::string loop = c.Conf["config"]["loop-count"];
    const int repeats = loop == "infinite" ? 0 : std::max(1, std::stoi(loop));
    if (c.Gif.Repeats() != repeats) return "loop count " + std::to_string(c.Gif.Repeats());
    for (size_t i = 0; i < c.Frames.size(); ++i) {
        auto& frame = c.Conf[c.Frames[i]];
        c.Gif.ShowFrame(static_cast<int>(i) + 1);
        const std::string diff = c.CompareWith(i);
        if (!diff.empty()) return "frame " + std::to_string(i) + ": " + diff;
        if (frame.count("delay") &&
            c.Gif.Frame(static_cast<int>(i) + 1).DelayMs != std::stoi(frame["delay"]) * 10)
            return "frame " + std::to_string(i) + ": delay";
    }
    return {};
}

void ExpectOwnReading(TCase& c, TReading reading) {
    ASSERT_EQ(c.Loaded, reading != TReading::Refused);
    switch (reading) {
    case TReading::Refused: break;
    case TReading::PlaysOnce: EXPECT_EQ(c.Gif.Repeats(), 1); break;
    case TReading::FramePerImage:
        EXPECT_GT(c.Gif.FrameTotal(), static_cast<int>(c.Frames.size()));
        // Stepping through every image in order ends on the suite's last canvas.
        for (int i = 2; i <= c.Gif.FrameTotal(); ++i) c.Gif.ShowFrame(i);
        EXPECT_EQ(c.CompareWith(c.Frames.size() - 1), "");
        break;
    case TReading::GrownCanvas:
        const image::TFrame& f = c.Gif.Frame(1);
        EXPECT_EQ(c.Gif.CanvasWidth(), f.Left + f.Width);
        EXPECT_EQ(c.Gif.CanvasHeight(), f.Top + f.Height);
        break;
    }
}

TEST(GifConformance, EveryCaseMatchesOrIsAKnownDifference) {
    std::ifstream list(Conformance + "TESTS");
    ASSERT_TRUE(list) << "the conformance suite is not at " << Conformance;
    image::ResetImageSupport();
    std::string name;
    int cases = 0;
    while (std::getline(list, name)) {
        if (name.empty()) continue;
        SCOPED_TRACE(name);
        ++cases;
        TCase c(name);
        auto known = KnownDifferences.find(name);
        if (known == KnownDifferences.end()) {
            EXPECT_EQ(Compare(c), "");
        } else {
            SCOPED_TRACE(known->second.Reason);
            ExpectOwnReading(c, known->second.Reading);
        }
    }
    EXPECT_EQ(cases, 84);
}

TEST(GifConformance, DamagedFilesLoadOrFailWithoutCrashing) {
    ASSERT_TRUE(std::filesystem::is_directory(Damaged)) << "no damaged corpus at " << Damaged;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(Damaged)) {
        if (entry.path().extension() != ".gif") continue;
        SCOPED_TRACE(entry.path().filename().string());
        std::string data;
        ASSERT_TRUE(platform::ReadWholeFile(entry.path().string(), data));
        image::TMemoryStream stream(data);
        bool single = false;
        auto gif = image::DecodeGifStream(&stream, single);
        if (gif) {
            // Whatever loaded can be shown and stepped through.
            for (int i = 1; i <= gif->FrameTotal() + 1; ++i) gif->ShowFrame(i);
            EXPECT_FALSE(gif->ComposedPicture().isNull());
        }
        ++files;
    }
    EXPECT_EQ(files, 284);
}

} // namespace
