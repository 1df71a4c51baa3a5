#include "noteoption.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "rendererror.h"

namespace trs::render {

namespace {

enum class Seconds { Ok, NotANumber, TooLarge };

Seconds parseSeconds(const std::string& text, double& value) {
    if (text.empty() || text.find_first_of("iInNxX") != std::string::npos)  // inf, nan, hex
        return Seconds::NotANumber;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size())
        return Seconds::NotANumber;
    // Far enough to be after any input, near enough for a frame number.
    return std::fabs(value) <= 1e9 ? Seconds::Ok : Seconds::TooLarge;
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
    static const int kSemitone[] = {9, 11, 0, 2, 4, 5, 7, 11};  // A B C D E F G, and H for B
    const char letter = static_cast<char>(text[0] & ~0x20);
    if (letter < 'A' || letter > 'H')
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
    const std::string noteText =
        text.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
    NoteOption note;
    const Seconds start = parseSeconds(timeText, note.start);
    if (start == Seconds::TooLarge)
        throw fail("time '" + timeText + "' is too large (at most 1e9 seconds)");
    if (start != Seconds::Ok || note.start < 0.0)
        throw fail("time '" + timeText + "' is not a number of seconds from 0 up");
    note.note = parseNoteNumber(noteText);
    if (note.note < 0)
        throw fail("note '" + noteText + "' is not a MIDI note 0-127 or a name like C#4 (H for B)");
    if (second != std::string::npos) {
        const std::string lengthText = text.substr(second + 1);
        const Seconds length = parseSeconds(lengthText, note.length);
        if (length == Seconds::TooLarge)
            throw fail("length '" + lengthText + "' is too large (at most 1e9 seconds)");
        if (length != Seconds::Ok || note.length <= 0.0)
            throw fail("length '" + lengthText + "' is not a positive number of seconds");
    }
    return note;
}

}  // namespace trs::render
