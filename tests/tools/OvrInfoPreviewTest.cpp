// ovrinfo -preview run as a process: the pictures it writes, read back with libpng, and its errors.
#include "tests/tools/FrameParts.h"
#include "tests/tools/ProgramRun.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <limits>

using namespace OvrWriter;

namespace {

using OvrInfoPreview = ProgramTest;
using Pixel = std::array<int, 2>;  // x, y from the top left

struct Voxel {
    int i, j, k;
    float value;
};

// A raw block of an x by y by z grid: background everywhere but at the voxels given.
Bytes block(int x, int y, int z, float background, const std::vector<Voxel>& set) {
    std::vector<float> values(size_t(x * y * z), background);
    for (const Voxel& v : set) values[size_t(v.i + x * (v.j + y * v.k))] = v.value;
    return rawZone(values.data(), x * y * z);
}

// Every pixel of the picture: bright grey where smoke is listed, orange where fire is, dark (at
// most the sheet's gap grey) elsewhere.
void expectPicture(const std::string& path, int width, int height, const std::vector<Pixel>& smoke,
                   const std::vector<Pixel>& fire) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str())) << image.message;
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) << image.message;
    ASSERT_EQ(int(image.width), width);
    ASSERT_EQ(int(image.height), height);
    const auto listed = [](const std::vector<Pixel>& pixels, Pixel p) { return std::count(pixels.begin(), pixels.end(), p) > 0; };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = &rgb[size_t(y * width + x) * 3];
            SCOPED_TRACE(::testing::Message() << "pixel " << x << ", " << y);
            if (listed(smoke, {x, y}))
                EXPECT_TRUE(p[0] > 150 && p[0] == p[1] && p[1] == p[2]) << int(p[0]) << " " << int(p[1]) << " " << int(p[2]);
            else if (listed(fire, {x, y}))
                EXPECT_TRUE(p[0] > 150 && p[0] > p[1] && p[1] > p[2] + 40) << int(p[0]) << " " << int(p[1]) << " " << int(p[2]);
            else
                EXPECT_LE(*std::max_element(p, p + 3), 48);
        }
}

TEST_F(OvrInfoPreview, PicturesAndErrors) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    // 4 x 3 x 2: smoke in one corner voxel (NaN and infinity elsewhere add nothing), fire above an
    // ambient temperature in the opposite corner.
    const CacheWriter slab = gridFrame(5, 4, 3, 2, {{2, block(4, 3, 2, 0, {{0, 0, 0, 1}, {1, 1, 1, nan}, {2, 1, 1, inf}})},
                                                     {1, block(4, 3, 2, 0.5f, {{3, 2, 1, 1.5f}})}});
    ASSERT_TRUE(slab.save(path("slab.ovr")) && slab.save(path("bad_0001.ovr")));
    ASSERT_TRUE(gridFrame(5, 2, 1, 1, {{10, block(2, 1, 1, 0, {{1, 0, 0, 1}})}}).save(path("fuel.ovr")));
    ASSERT_TRUE(gridFrame(5, 2, 1, 2, {{2, block(2, 1, 2, 3e38f, {})}}).save(path("huge.ovr")));
    ASSERT_TRUE(gridFrame(5, 260, 1, 1, {{2, block(260, 1, 1, 0, {{0, 0, 0, 1}, {1, 0, 0, 1}})}}).save(path("wide_0001.ovr")));
    ASSERT_TRUE(gridFrame(5, 2, 1, 1, {{2, Bytes(64, 0xA5)}}).save(path("bad_0002.ovr")));
    // Frame n has smoke in column n - 1 only.
    for (int n : {3, 1, 2})
        ASSERT_TRUE(gridFrame(5, 3, 2, 2, {{2, block(3, 2, 2, 0, {{n - 1, 0, 0, 1}, {n - 1, 1, 0, 1}})}})
                        .save(path("column_" + std::to_string(n) + ".ovr")));

    struct Picture {
        std::vector<std::string> args;
        int width, height;
        std::vector<Pixel> smoke, fire;
    };
    const Picture pictures[] = {
        {{"-preview", "front.png", "slab.ovr"}, 4, 3, {{0, 2}}, {{3, 0}}},
        {{"-axis", "x", "-preview", "side.png", "slab.ovr"}, 2, 3, {{1, 2}}, {{0, 0}}},
        {{"-preview", "top.png", "-axis", "y", "slab.ovr"}, 4, 2, {{0, 0}}, {{3, 1}}},
        {{"-preview", "fuel.png", "fuel.ovr"}, 2, 1, {}, {{1, 0}}},
        {{"-preview", "huge.png", "huge.ovr"}, 2, 1, {{0, 0}, {1, 0}}, {}},
        // Tiles of 3 x 2 in frame order, 2 per row, 2 pixels apart.
        {{"-preview", "sheet.png", "-threads", "2", "column_#.ovr"}, 8, 6, {{0, 0}, {0, 1}, {6, 0}, {6, 1}, {2, 4}, {2, 5}}, {}},
        // A sheet's tiles are shrunk to 256 pixels at most.
        {{"-preview", "wide.png", "wide_####.ovr"}, 130, 1, {{0, 0}}, {}},
    };
    for (const Picture& p : pictures) {
        SCOPED_TRACE(::testing::PrintToString(p.args));
        const ProgramRun r = run(OVRINFO_PROGRAM, p.args);
        EXPECT_EQ(r.status, 0) << r.err;
        expectPicture(path(p.args[std::find(p.args.begin(), p.args.end(), "-preview") - p.args.begin() + 1]), p.width,
                      p.height, p.smoke, p.fire);
    }

    // Nothing is written for a bad command line or a frame that cannot be drawn; an older picture stays.
    const std::string usage = "\n\nUsage: ovrinfo";
    struct Failure {
        std::vector<std::string> args;
        int status;
        std::string err;
    };
    const Failure failures[] = {
        {{"slab.ovr", "-preview"}, 2, "ovrinfo: option \"-preview\" needs the name of the picture to write" + usage},
        {{"-preview", "-axis", "x", "slab.ovr"}, 2, "ovrinfo: option \"-preview\" needs the name of the picture to write" + usage},
        {{"-preview", "old.png", "-axis", "w", "slab.ovr"}, 2, "ovrinfo: bad axis \"w\" (x, y or z)" + usage},
        {{"-axis", "x", "slab.ovr"}, 2, "ovrinfo: option \"-axis\" goes with \"-preview\"" + usage},
        {{"-preview", "old.png", "slab.ovr", "fuel.ovr"}, 2, "ovrinfo: option \"-preview\" takes one file or pattern" + usage},
        {{"-stats", "-preview", "old.png", "slab.ovr"}, 2, "ovrinfo: options \"-preview\" and \"-stats\" do not go together" + usage},
        {{"-preview", "old.png", "absent.ovr"}, 1,
         "ovrinfo: cannot load absent.ovr: the file cannot be opened or locked, or is not an .ovr file (code 3): no such file\n"},
        {{"-preview", "old.png", "none_####.ovr"}, 1, "ovrinfo: no frame files match none_####.ovr\n"},
        {{"-preview", "old.png", "bad_####.ovr"}, 1, "ovrinfo: bad_0002.ovr: grid channel 2 (Smoke_fmr) failed to decode\n"},
        {{"-preview", "gone/new.png", "slab.ovr"}, 1, "ovrinfo: cannot write gone/new.png\n"},
    };
    takeFiles(".png");
    scratch.write("old.png", "old");
    for (const Failure& f : failures) {
        SCOPED_TRACE(::testing::PrintToString(f.args));
        expectTranscript(OVRINFO_PROGRAM, f.args, f.status, {}, {f.err});
    }
    EXPECT_EQ(readFile(path("old.png")), "old");
    EXPECT_EQ(takeFiles(".png"), std::set<std::string>{"old.png"});
    EXPECT_EQ(takeFiles(".partial"), std::set<std::string>{});
}

}  // namespace
