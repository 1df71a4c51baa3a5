// Program and bank files built byte by byte from the format's description,
// and every kind of bad file a user could hand the tool.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include "programfile.h"
#include "rendererror.h"
#include "testsupport.h"

using trs::render::ProgramFile;
using trs::render::RenderError;
namespace fs = std::filesystem;

namespace {

constexpr int32_t kId = 0x54727335;  // 'Trs5'

struct Bytes {
    std::vector<uint8_t> b;
    Bytes& text(const char* four) {
        b.insert(b.end(), four, four + 4);
        return *this;
    }
    Bytes& u32(uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            b.push_back(uint8_t(v >> shift));
        return *this;
    }
    Bytes& f32(float f) {
        uint32_t v;
        std::memcpy(&v, &f, 4);
        return u32(v);
    }
    Bytes& name(const char* n) {
        char field[28] = {};
        std::strncpy(field, n, 27);
        b.insert(b.end(), field, field + 28);
        return *this;
    }
};

std::vector<float> ramp(int n) {
    std::vector<float> v;
    for (int i = 0; i < n; ++i)
        v.push_back(float(i) / float(n - 1));
    return v;
}

// A parameter-form program exactly as the format describes it.
Bytes program(const std::vector<float>& values, int32_t id = kId, const char* magic = "FxCk") {
    Bytes p;
    p.text("CcnK").u32(uint32_t(48 + 4 * values.size())).text(magic).u32(1).u32(uint32_t(id)).u32(3);
    p.u32(uint32_t(values.size())).name("Hand Made");
    for (float v : values)
        p.f32(v);
    return p;
}

Bytes bank(const std::vector<Bytes>& programs, int32_t id = kId) {
    size_t size = 0;
    for (const auto& p : programs)
        size += p.b.size();
    Bytes k;
    k.text("CcnK").u32(uint32_t(148 + size)).text("FxBk").u32(1).u32(uint32_t(id)).u32(3);
    k.u32(uint32_t(programs.size()));
    k.b.resize(k.b.size() + 128, 0);
    for (const auto& p : programs)
        k.b.insert(k.b.end(), p.b.begin(), p.b.end());
    return k;
}

ProgramFile parse(const Bytes& b) {
    return ProgramFile::parse(b.b, "x.fxp", kId, 18);
}

}  // namespace

TEST(ProgramFile, HandMadeProgramAndOneProgramBankLoad) {
    const Bytes fxp = program(ramp(18));
    ASSERT_EQ(fxp.b.size(), 128u);
    for (const Bytes& file : {fxp, bank({fxp})}) {
        const ProgramFile p = parse(file);
        EXPECT_EQ(p.name, "Hand Made");
        EXPECT_EQ(p.pluginId, kId);
        EXPECT_EQ(p.pluginVersion, 3);
        EXPECT_EQ(p.values, ramp(18));
    }
}

TEST(ProgramFile, WritesWhatItReadsByteForByte) {
    ProgramFile p;
    p.pluginId = kId;
    p.pluginVersion = 3;
    p.name = "Hand Made";
    p.values = ramp(18);
    EXPECT_EQ(p.bytes(), program(ramp(18)).b);

    trstest::TempDir dir;
    p.name = std::string(40, 'n');  // longer than the field: cut, still terminated
    p.write(dir.file("a.fxp"));
    p.write(dir.file("a.fxp"));  // over an existing file
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"a.fxp"});
    const ProgramFile back = ProgramFile::read(dir.file("a.fxp"), kId, 18);
    EXPECT_EQ(back.name, std::string(27, 'n'));
    EXPECT_EQ(back.values, p.values);
    EXPECT_THROW(p.write(dir.file("missing/a.fxp")), RenderError);
}

TEST(ProgramFile, EveryKindOfBadFileIsOneClearError) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    auto with = [](int at, float v) {
        auto values = ramp(18);
        values[size_t(at)] = v;
        return program(values);
    };
    Bytes badMagic = program(ramp(18));
    badMagic.b[0] = 'X';
    Bytes longer = program(ramp(18));
    longer.b.push_back(0);
    Bytes shorter = program(ramp(18));
    shorter.b.pop_back();
    Bytes lyingCount = program(ramp(18));
    lyingCount.b[27] = 200;  // numParams 200 in a file of 18
    Bytes negativeCount = program(ramp(18));
    negativeCount.b[24] = 0x80;
    Bytes opaque;
    opaque.text("CcnK").u32(12).text("FPCh").u32(1).u32(kId);
    Bytes opaqueBank;
    opaqueBank.text("CcnK").u32(12).text("FBCh").u32(1).u32(kId);

    const struct {
        const char* what;
        Bytes file;
        const char* message;
    } cases[] = {
        {"empty", Bytes{}, "cut short"},
        {"header only", Bytes{{'C', 'c', 'n', 'K'}}, "cut short"},
        {"bad magic", badMagic, "no 'CcnK' magic"},
        {"byte too many", longer, "wrong size"},
        {"byte too few", shorter, "wrong size"},
        {"count beyond the bytes", lyingCount, "wrong size for 200 parameters"},
        {"negative count", negativeCount, "wrong size"},
        {"other plug-in", program(ramp(18), 0x5A616D43), "another plug-in (id 'ZamC'"},
        {"other parameter count", program(ramp(17)), "holds 17 parameters, the plug-in has 18"},
        {"first value NaN", with(0, nan), "not a number for parameter 0"},
        {"last value infinite", with(17, -inf), "not a number for parameter 17"},
        {"value above 1", with(5, 1.5f), "outside 0..1"},
        {"value below 0", with(5, -0.25f), "outside 0..1"},
        {"opaque program", opaque, "opaque chunk"},
        {"opaque bank", opaqueBank, "opaque chunk"},
        {"not a program", program(ramp(18), kId, "FxXX"), "not a program in parameter form"},
        {"bank of two", bank({program(ramp(18)), program(ramp(18))}), "bank of 2 programs"},
        {"bank of none", bank({}), "bank of 0 programs"},
        {"bank of another plug-in", bank({program(ramp(18))}, 1), "another plug-in"},
        {"bank holding another plug-in's program", bank({program(ramp(18), 1)}), "another plug-in"},
    };
    for (const auto& c : cases) {
        try {
            parse(c.file);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const RenderError& e) {
            const std::string message = e.what();
            EXPECT_EQ(message.rfind("preset 'x.fxp' ", 0), 0u) << c.what << ": " << message;
            EXPECT_NE(message.find(c.message), std::string::npos) << c.what << ": " << message;
        }
    }
    EXPECT_THROW(ProgramFile::read("/nonexistent/x.fxp", kId, 18), RenderError);
}

// The tool itself: a preset saved and loaded again renders the same bits,
// a hand-made one loads, a bad one stops the run before anything is written.
namespace {

void save(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.b.data()), std::streamsize(bytes.b.size()));
}

bool contains(const std::string& s, const std::string& part) {
    return s.find(part) != std::string::npos;
}

}  // namespace

TEST(PresetCli, ASavedPresetRendersTheSameBitsAndSetOverridesALoadedOne) {
    trstest::TempDir dir;
    trstest::writeSound(dir.file("in.wav"), trstest::steppedSine(0.5));
    const std::vector<std::string> sets = {"--set", "CutOff=0.3", "--set", "OSC.Amt=0.8", "--set", "FilterType=0.7"};
    auto args = sets;
    args.insert(args.begin(), {dir.file("in.wav"), "-o", dir.file("set.wav"), "--save-preset", dir.file("p.fxp")});
    const auto made = trstest::runTool(args);
    ASSERT_EQ(made.code, 0) << made.err;
    const auto loaded =
        trstest::runTool({dir.file("in.wav"), "-o", dir.file("preset.wav"), "--preset", dir.file("p.fxp")});
    ASSERT_EQ(loaded.code, 0) << loaded.err;
    EXPECT_TRUE(contains(loaded.out, "preset:   " + dir.file("p.fxp"))) << loaded.out;
    // Sample for sample (the files' PEAK chunks carry the time they were written).
    EXPECT_TRUE(trstest::readSound(dir.file("preset.wav")).channels ==
                trstest::readSound(dir.file("set.wav")).channels);

    // Without an input the preset is only written: loaded, overridden, saved.
    const auto edited = trstest::runTool(
        {"--preset", dir.file("p.fxp"), "--set", "CutOff=0.75", "--save-preset", dir.file("q.fxp"), "-q"});
    ASSERT_EQ(edited.code, 0) << edited.err;
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"in.wav", "p.fxp", "preset.wav", "q.fxp", "set.wav"}));
    const ProgramFile p = ProgramFile::read(dir.file("p.fxp"), kId, 18);
    const ProgramFile q = ProgramFile::read(dir.file("q.fxp"), kId, 18);
    EXPECT_FLOAT_EQ(p.values[5], 0.3f);
    EXPECT_FLOAT_EQ(q.values[5], 0.75f);
    EXPECT_EQ(q.values[0], p.values[0]);
    EXPECT_EQ(q.name, p.name);
}

TEST(PresetCli, AHandMadeProgramOrBankLoadsAndABadOneStopsTheRun) {
    trstest::TempDir dir;
    trstest::writeSound(dir.file("in.wav"), trstest::steppedSine(0.3));
    std::vector<float> values = ramp(18);
    std::vector<std::string> sets = {dir.file("in.wav"), "-o", dir.file("set.wav"), "-q"};
    for (int i = 0; i < 18; ++i)
        sets.insert(sets.end(), {"--set", std::to_string(i) + "=" + std::to_string(values[size_t(i)])});
    ASSERT_EQ(trstest::runTool(sets).code, 0);
    // std::to_string keeps six places: the file holds the same rounded values.
    for (float& v : values)
        v = std::stof(std::to_string(v));
    save(dir.file("hand.fxp"), program(values));
    save(dir.file("hand.fxb"), bank({program(values)}));
    for (const char* name : {"hand.fxp", "hand.fxb"}) {
        const auto run = trstest::runTool({dir.file("in.wav"), "-o", dir.file("out.wav"), "--preset", dir.file(name),
                                           "--save-preset", dir.file("again.fxp")});
        ASSERT_EQ(run.code, 0) << name << ": " << run.err;
        EXPECT_TRUE(contains(run.out, "('Hand Made')")) << run.out;
        EXPECT_TRUE(trstest::readSound(dir.file("out.wav")).channels ==
                    trstest::readSound(dir.file("set.wav")).channels)
            << name;
        // The plug-in took the program's name too.
        EXPECT_EQ(ProgramFile::read(dir.file("again.fxp"), kId, 18).name, "Hand Made") << name;
        fs::remove(dir.file("again.fxp"));
    }

    auto nanAt = values;
    nanAt[3] = std::numeric_limits<float>::quiet_NaN();
    Bytes cut = program(values);
    cut.b.resize(100);
    save(dir.file("other.fxp"), program(values, 0x5A616D43));
    save(dir.file("nan.fxp"), program(nanAt));
    save(dir.file("cut.fxp"), cut);
    const auto before = dir.entries();
    for (const auto& [name, message] : std::vector<std::pair<std::string, std::string>>{
             {"other.fxp", "belongs to another plug-in"}, {"nan.fxp", "not a number"}, {"cut.fxp", "wrong size"}}) {
        const auto run = trstest::runTool({dir.file("in.wav"), "-o", dir.file("bad.wav"), "--preset", dir.file(name),
                                           "--save-preset", dir.file("bad.fxp")});
        EXPECT_EQ(run.code, 1) << name;
        EXPECT_EQ(run.err.rfind("tresselin-render: error: preset '" + dir.file(name) + "' ", 0), 0u) << run.err;
        EXPECT_TRUE(contains(run.err, message)) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(dir.entries(), before) << name << ": wrote something";
    }
}

TEST(PresetCli, SavingNeverOverwritesAFileTheRunReads) {
    trstest::TempDir dir;
    trstest::writeSound(dir.file("in.wav"), trstest::steppedSine(0.2));
    ASSERT_EQ(trstest::runTool({"--save-preset", dir.file("p.fxp"), "-q"}).code, 0);
    std::ofstream(dir.file("n.mid"), std::ios::binary) << std::string("MThd\0\0\0\6\0\0\0\0\0\x60", 14);
    fs::create_symlink(dir.file("in.wav"), dir.file("link.fxp"));
    const std::string audio = trstest::readText(dir.file("in.wav"));
    const std::string preset = trstest::readText(dir.file("p.fxp"));
    const std::string in = dir.file("in.wav"), out = dir.file("out.wav");
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{in, "-o", out, "--save-preset", in}, "is the input file"},
        {{in, "-o", out, "--save-preset", dir.file("link.fxp")}, "is the input file"},
        {{in, "-o", out, "--midi", dir.file("n.mid"), "--save-preset", dir.file("n.mid")}, "is the MIDI file"},
        {{in, "-o", out, "--preset", dir.file("p.fxp"), "--save-preset", dir.file("p.fxp")}, "is the preset read"},
        {{"--preset", dir.file("p.fxp"), "--save-preset", dir.file("./p.fxp")}, "is the preset read"},
        {{in, "-o", dir.file("p.fxp"), "--preset", dir.file("p.fxp")}, "is the preset read"},
        {{in, "-o", out, "--save-preset", out}, "the preset to save and the output are one file"},
        {{in, "-o", out, "--save-preset", dir.file("no/p.fxp")}, "directory '" + dir.file("no") + "' does not exist"},
    };
    const auto before = dir.entries();
    for (const auto& c : cases) {
        const auto run = trstest::runTool(c.args);
        EXPECT_EQ(run.code, 1) << c.message;
        EXPECT_TRUE(contains(run.err, c.message)) << run.err;
        EXPECT_EQ(dir.entries(), before) << c.message;
    }
    EXPECT_EQ(trstest::readText(dir.file("in.wav")), audio);
    EXPECT_EQ(trstest::readText(dir.file("p.fxp")), preset);
}
