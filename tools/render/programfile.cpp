#include "programfile.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform.h"
#include "rendererror.h"

namespace fs = std::filesystem;

namespace trs::render {

namespace {

constexpr size_t kProgramHeader = 56;  // up to the first parameter
constexpr size_t kBankHeader = 156;    // up to the first program
constexpr size_t kNameField = 28;
constexpr int32_t kMaxParams = 1 << 16;

constexpr uint32_t code(const char (&c)[5]) {
    return uint32_t(uint8_t(c[0])) << 24 | uint32_t(uint8_t(c[1])) << 16 | uint32_t(uint8_t(c[2])) << 8 |
           uint32_t(uint8_t(c[3]));
}

std::string codeText(uint32_t v) {
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = char((v >> shift) & 0xFF);
        s += (c >= 32 && c < 127) ? c : '?';
    }
    return s;
}

class Reader {
public:
    Reader(const std::vector<uint8_t>& b, const std::string& p) : bytes(b), path(p) {}

    uint32_t u32(size_t at) const {
        need(at + 4);
        return uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16 | uint32_t(bytes[at + 2]) << 8 |
               uint32_t(bytes[at + 3]);
    }
    int32_t i32(size_t at) const { return int32_t(u32(at)); }
    float f32(size_t at) const {
        const uint32_t bits = u32(at);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    void need(size_t end) const {
        if (end > bytes.size())
            fail("is cut short (" + std::to_string(bytes.size()) + " bytes)");
    }
    [[noreturn]] void fail(const std::string& what) const { throw RenderError("preset '" + path + "' " + what); }

    const std::vector<uint8_t>& bytes;
    const std::string& path;
};

// One program record starting at `at` whose byteSize must end exactly at `end`.
ProgramFile parseProgram(const Reader& r, size_t at, size_t end, int32_t expectedId, int expectedParams) {
    if (r.u32(at) != code("CcnK"))
        r.fail("is not a VST program or bank file (no 'CcnK' magic)");
    const uint32_t byteSize = r.u32(at + 4);
    if (uint64_t(byteSize) + 8 != end - at)
        r.fail("has the wrong size: its header says " + std::to_string(uint64_t(byteSize) + 8) + " bytes, it holds " +
               std::to_string(end - at));
    const uint32_t magic = r.u32(at + 8);
    if (magic == code("FPCh"))
        r.fail("holds an opaque chunk, not parameter values");
    if (magic != code("FxCk"))
        r.fail("is not a program in parameter form (magic '" + codeText(magic) + "')");
    ProgramFile p;
    p.pluginId = r.i32(at + 16);
    p.pluginVersion = r.i32(at + 20);
    if (p.pluginId != expectedId)
        r.fail("belongs to another plug-in (id '" + codeText(uint32_t(p.pluginId)) + "', this one is '" +
               codeText(uint32_t(expectedId)) + "')");
    const int32_t count = r.i32(at + 24);
    if (count < 0 || count > kMaxParams || at + kProgramHeader + 4 * size_t(count) != end)
        r.fail("has the wrong size for " + std::to_string(count) + " parameters");
    if (count != expectedParams)
        r.fail("holds " + std::to_string(count) + " parameters, the plug-in has " + std::to_string(expectedParams));
    const char* name = reinterpret_cast<const char*>(&r.bytes[at + 28]);
    p.name.assign(name, strnlen(name, kNameField - 1));
    for (int32_t i = 0; i < count; ++i) {
        const float v = r.f32(at + kProgramHeader + 4 * size_t(i));
        if (!std::isfinite(v))
            r.fail("has a value that is not a number for parameter " + std::to_string(i));
        if (v < 0.0f || v > 1.0f)
            r.fail("has the value " + std::to_string(v) + " for parameter " + std::to_string(i) + ", outside 0..1");
        p.values.push_back(v);
    }
    return p;
}

void put(std::vector<uint8_t>& b, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        b.push_back(uint8_t(v >> shift));
}

}  // namespace

ProgramFile ProgramFile::parse(const std::vector<uint8_t>& bytes, const std::string& path, int32_t expectedId,
                               int expectedParams) {
    const Reader r(bytes, path);
    r.need(12);
    if (r.u32(0) != code("CcnK"))
        r.fail("is not a VST program or bank file (no 'CcnK' magic)");
    const uint32_t magic = r.u32(8);
    if (magic == code("FBCh"))
        r.fail("is a bank holding an opaque chunk, not parameter values");
    if (magic != code("FxBk"))
        return parseProgram(r, 0, bytes.size(), expectedId, expectedParams);

    r.need(kBankHeader);
    if (uint64_t(r.u32(4)) + 8 != bytes.size())
        r.fail("has the wrong size: its header says " + std::to_string(uint64_t(r.u32(4)) + 8) + " bytes, it holds " +
               std::to_string(bytes.size()));
    const int32_t id = r.i32(16);
    if (id != expectedId)
        r.fail("belongs to another plug-in (id '" + codeText(uint32_t(id)) + "', this one is '" +
               codeText(uint32_t(expectedId)) + "')");
    const int32_t programs = r.i32(24);
    if (programs != 1)
        r.fail("is a bank of " + std::to_string(programs) + " programs; only a bank of one program can be used");
    return parseProgram(r, kBankHeader, bytes.size(), expectedId, expectedParams);
}

ProgramFile ProgramFile::read(const std::string& path, int32_t expectedId, int expectedParams) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw RenderError("cannot read preset '" + path + "'");
    std::vector<uint8_t> bytes;
    // Far larger than any parameter-form program of a sane plug-in.
    constexpr size_t kLimit = kBankHeader + kProgramHeader + 4 * size_t(kMaxParams);
    char buffer[4096];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.insert(bytes.end(), buffer, buffer + in.gcount());
        if (bytes.size() > kLimit)
            throw RenderError("preset '" + path + "' is far too large to be a program file");
    }
    if (in.bad())
        throw RenderError("cannot read preset '" + path + "'");
    return parse(bytes, path, expectedId, expectedParams);
}

std::vector<uint8_t> ProgramFile::bytes() const {
    std::vector<uint8_t> b;
    put(b, code("CcnK"));
    put(b, uint32_t(kProgramHeader - 8 + 4 * values.size()));
    put(b, code("FxCk"));
    put(b, 1);
    put(b, uint32_t(pluginId));
    put(b, uint32_t(pluginVersion));
    put(b, uint32_t(values.size()));
    char field[kNameField] = {};
    std::strncpy(field, name.c_str(), kNameField - 1);
    b.insert(b.end(), field, field + kNameField);
    for (float v : values) {
        uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        put(b, bits);
    }
    return b;
}

void ProgramFile::write(const std::string& path) const {
    const std::vector<uint8_t> data = bytes();
    const fs::path target(path);
    const std::string temp = (target.parent_path() / ("." + target.filename().string() + "." +
                                                      std::to_string(platform::processId()) + ".part"))
                                 .string();
    const int pending = platform::removeOnInterrupt(temp);
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) {
        platform::clearRemoveOnInterrupt(pending);
        throw RenderError("cannot write preset '" + path + "'");
    }
    const bool written = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    if (std::fclose(f) != 0 || !written || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        platform::clearRemoveOnInterrupt(pending);
        throw RenderError("cannot write preset '" + path + "'");
    }
    platform::clearRemoveOnInterrupt(pending);
}

}  // namespace trs::render
