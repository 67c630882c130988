// The generated icon and cursor files, read back the way the resource
// compiler and Windows read them: directory, then each image's bitmap header.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const std::filesystem::path kResDir =
    std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "res";

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b.at(at) | b.at(at + 1) << 8;
}
std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return U16(b, at) | U16(b, at + 2) << 16;
}

std::size_t Stride(std::uint32_t width, std::uint32_t bpp) {
    return (width * bpp + 31) / 32 * 4;
}

struct Image {
    std::uint32_t width, height, bpp;
    std::uint32_t field1, field2;  // icon: planes and bit count; cursor: hot spot x and y
    std::size_t offset, size;
};

struct Directory {
    std::uint32_t type;
    std::vector<Image> images;
};

// Checks everything the format fixes and returns the entries; a failed check
// is reported against the file.
Directory Parse(const std::vector<std::uint8_t>& file, const std::string& name) {
    Directory dir;
    EXPECT_GE(file.size(), 6u) << name;
    if (file.size() < 6)
        return dir;
    EXPECT_EQ(U16(file, 0), 0u) << name;
    dir.type = U16(file, 2);
    const std::uint32_t count = U16(file, 4);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t e = 6 + 16 * i;
        Image img{file.at(e) ? file.at(e) : 256u,
                  file.at(e + 1) ? file.at(e + 1) : 256u,
                  0,
                  U16(file, e + 4),
                  U16(file, e + 6),
                  U32(file, e + 12),
                  U32(file, e + 8)};
        EXPECT_LE(img.offset + img.size, file.size()) << name << " image " << i;
        // The bitmap header: XOR and AND images stacked, hence twice the height.
        const std::size_t h = img.offset;
        EXPECT_EQ(U32(file, h), 40u) << name << " image " << i;
        EXPECT_EQ(U32(file, h + 4), img.width) << name << " image " << i;
        EXPECT_EQ(U32(file, h + 8), img.height * 2) << name << " image " << i;
        EXPECT_EQ(U16(file, h + 12), 1u) << name << " image " << i;
        EXPECT_EQ(U32(file, h + 16), 0u) << name << " image " << i << " must be uncompressed";
        img.bpp = U16(file, h + 14);
        const std::size_t palette = img.bpp <= 8 ? (std::size_t{1} << img.bpp) * 4 : 0;
        const std::size_t expected = 40 + palette + Stride(img.width, img.bpp) * img.height +
                                     Stride(img.width, 1) * img.height;
        EXPECT_EQ(img.size, expected) << name << " image " << i;
        dir.images.push_back(img);
    }
    return dir;
}

// The AND mask bit of a pixel: 0 = drawn, 1 = see-through. Rows are bottom-up.
bool Transparent(const std::vector<std::uint8_t>& file, const Image& img, std::uint32_t x,
                 std::uint32_t y) {
    const std::size_t palette = (std::size_t{1} << img.bpp) * 4;
    const std::size_t mask = img.offset + 40 + palette + Stride(img.width, img.bpp) * img.height;
    const std::size_t row = mask + Stride(img.width, 1) * (img.height - 1 - y);
    return (file.at(row + x / 8) >> (7 - x % 8)) & 1;
}

std::size_t OpaquePixels(const std::vector<std::uint8_t>& file, const Image& img) {
    std::size_t n = 0;
    for (std::uint32_t y = 0; y < img.height; ++y) {
        for (std::uint32_t x = 0; x < img.width; ++x)
            n += !Transparent(file, img, x, y);
    }
    return n;
}

struct IconCase {
    const char* file;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> sizeAndDepth;
};

class IconFile : public ::testing::TestWithParam<IconCase> {};

TEST_P(IconFile, HoldsExactlyTheImagesItShould) {
    const auto& c = GetParam();
    const auto file = ReadAll(kResDir / c.file);
    const auto dir = Parse(file, c.file);
    EXPECT_EQ(dir.type, 1u);
    ASSERT_EQ(dir.images.size(), c.sizeAndDepth.size());
    for (std::size_t i = 0; i < dir.images.size(); ++i) {
        const auto& img = dir.images[i];
        EXPECT_EQ(img.width, c.sizeAndDepth[i].first) << i;
        EXPECT_EQ(img.height, c.sizeAndDepth[i].first) << i;
        EXPECT_EQ(img.bpp, c.sizeAndDepth[i].second) << i;
        // The directory entry must agree with the bitmap about the depth.
        EXPECT_EQ(img.field1, 1u) << i;
        EXPECT_EQ(img.field2, img.bpp) << i;
        EXPECT_EQ(file.at(6 + 16 * i + 2), img.bpp < 8 ? 1u << img.bpp : 0u) << i;
        // Something is drawn, and not the whole square.
        const auto opaque = OpaquePixels(file, img);
        EXPECT_GT(opaque, img.width * img.height / 4) << i;
        EXPECT_LT(opaque, img.width * img.height) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Res, IconFile,
    ::testing::Values(IconCase{"shutterling.ico", {{16, 4}, {16, 8}, {32, 4}, {32, 8}}},
                      IconCase{"disabled.ico", {{16, 8}}}),
    [](const auto& info) { return std::string(info.param.file).substr(0, 5); });

TEST(HandCursor, IsOneMonochromeImageWithItsHotSpotOnTheFingertip) {
    const auto file = ReadAll(kResDir / "hand.cur");
    const auto dir = Parse(file, "hand.cur");
    EXPECT_EQ(dir.type, 2u);
    ASSERT_EQ(dir.images.size(), 1u);
    const auto& img = dir.images[0];
    EXPECT_EQ(img.width, 32u);
    EXPECT_EQ(img.height, 32u);
    EXPECT_EQ(img.bpp, 1u);
    EXPECT_EQ(img.field1, 7u);
    EXPECT_EQ(img.field2, 1u);
    // The hot spot lies on the fingertip: drawn, right under the top row, on
    // which only the tip's outline is drawn.
    EXPECT_FALSE(Transparent(file, img, 7, 1));
    EXPECT_FALSE(Transparent(file, img, 7, 0));
    for (std::uint32_t x = 0; x < img.width; ++x) {
        if (x < 5 || x > 9) {
            EXPECT_TRUE(Transparent(file, img, x, 0)) << x;
        }
    }
}

TEST(ResourceScript, NamesEveryGeneratedFileAndTheVersionStrings) {
    const auto rc = ReadAll(kResDir / "shutterling.rc");
    const std::string text(rc.begin(), rc.end());
    for (const char* needle :
         {"\"shutterling.ico\"", "\"disabled.ico\"", "\"hand.cur\"", "\"shutterling.manifest\"",
          "BLOCK \"040904B0\"", "VALUE \"FileVersion\", \"1.00\"",
          "VALUE \"ProductVersion\", \"1.00\"", "VALUE \"ProductName\", \"Shutterling\"",
          "VALUE \"InternalName\", \"Shutterling\"",
          "VALUE \"OriginalFilename\", \"Shutterling.exe\""}) {
        EXPECT_NE(text.find(needle), std::string::npos) << needle;
    }
    // windres wants plain ASCII and forward slashes.
    for (char ch : text) {
        EXPECT_TRUE(static_cast<unsigned char>(ch) < 0x80 && ch != '\\') << int(ch);
    }
}

}  // namespace
