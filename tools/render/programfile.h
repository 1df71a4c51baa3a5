// VST program files (.fxp, parameter form) and bank files (.fxb) of one
// program: the way settings travel between a DAW and this tool.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trs::render {

struct ProgramFile {
    int32_t pluginId = 0;       // the effect record's uniqueID
    int32_t pluginVersion = 0;  // the effect record's version
    std::string name;           // at most 27 characters are kept
    std::vector<float> values;  // normalised, in index order

    // Reads a program file, or a bank file holding exactly one program in
    // parameter form. Every size is checked against the bytes present; a
    // file of another plug-in (id other than `expectedId`), of another
    // parameter count, or with a value outside 0..1 is refused with a
    // RenderError naming the file and the fault.
    static ProgramFile read(const std::string& path, int32_t expectedId, int expectedParams);
    static ProgramFile parse(const std::vector<uint8_t>& bytes, const std::string& path, int32_t expectedId,
                             int expectedParams);

    std::vector<uint8_t> bytes() const;
    // Writes to a temporary file beside `path` and renames it over, so a
    // failed write leaves no partial file and an existing one untouched.
    void write(const std::string& path) const;
};

}  // namespace trs::render
