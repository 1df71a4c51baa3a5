#include "noteoption.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "rendererror.h"

namespace trs::render {

namespace {

bool parseSeconds(const std::string& text, double& value) {
    if (text.empty())
        return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(value);
}

bool parseInteger(const std::string& text, int& value) {
    if (text.empty() || text.size() > 4)
        return false;
    size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size())
        return false;
    for (size_t k = i; k < text.size(); ++k)
        if (text[k] < '0' || text[k] > '9')
            return false;
    value = std::atoi(text.c_str());
    return true;
}

}  // namespace

int parseNoteNumber(const std::string& text) {
    int number = 0;
    if (parseInteger(text, number))
        return number >= 0 && number <= 127 ? number : -1;
    if (text.empty())
        return -1;
    static const int kSemitone[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    const char letter = static_cast<char>(text[0] & ~0x20);
    if (letter < 'A' || letter > 'G')
        return -1;
    int pitch = kSemitone[letter - 'A'];
    size_t i = 1;
    if (i < text.size() && (text[i] == '#' || text[i] == 'b')) {
        pitch += text[i] == '#' ? 1 : -1;
        ++i;
    }
    int octave = 0;
    if (!parseInteger(text.substr(i), octave))
        return -1;
    const int n = (octave + 1) * 12 + pitch;
    return n >= 0 && n <= 127 ? n : -1;
}

NoteOption NoteOption::parse(const std::string& text) {
    const auto fail = [&](const std::string& why) -> RenderError {
        return RenderError("bad --note '" + text + "': " + why + " (expected TIME:NOTE[:LENGTH], e.g. 1.5:A3:0.25)");
    };
    const size_t first = text.find(':');
    if (first == std::string::npos)
        throw fail("no ':' between time and note");
    const size_t second = text.find(':', first + 1);
    const std::string timeText = text.substr(0, first);
    const std::string noteText = text.substr(first + 1, second == std::string::npos ? std::string::npos
                                                                                    : second - first - 1);
    NoteOption note;
    if (!parseSeconds(timeText, note.start) || note.start < 0.0)
        throw fail("time '" + timeText + "' is not a number of seconds from 0 up");
    note.note = parseNoteNumber(noteText);
    if (note.note < 0)
        throw fail("note '" + noteText + "' is not a MIDI note 0-127 or a name like C#4");
    if (second != std::string::npos) {
        const std::string lengthText = text.substr(second + 1);
        if (!parseSeconds(lengthText, note.length) || note.length <= 0.0)
            throw fail("length '" + lengthText + "' is not a positive number of seconds");
    }
    return note;
}

}  // namespace trs::render
