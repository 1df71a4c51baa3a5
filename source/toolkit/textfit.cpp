#include "toolkit/textfit.h"

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// text rounded half up at its digit 'keep' places after the point; digits
// holds every digit of the number, point where the point stood.
std::string rounded(const std::string& digits, size_t point, size_t keep, bool negative) {
    std::string kept = digits.substr(0, point + keep);
    if (digits[point + keep] >= '5') {
        size_t i = kept.size();
        while (i > 0 && kept[i - 1] == '9')
            kept[--i] = '0';
        if (i == 0) {
            kept.insert(kept.begin(), '1');
            ++point;
        } else {
            ++kept[i - 1];
        }
    }
    std::string out = kept.substr(0, point);
    if (keep > 0)
        out += "." + kept.substr(point);
    // A number that rounds to nothing has no sign.
    if (negative && kept.find_first_not_of('0') != std::string::npos)
        out.insert(out.begin(), '-');
    return out;
}

}  // namespace

std::vector<std::string> shorterNumbers(const std::string& text) {
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative)
        ++i;
    std::string digits;
    for (; i < text.size() && isDigit(text[i]); ++i)
        digits += text[i];
    const size_t point = digits.size();
    if (point == 0 || i == text.size() || text[i] != '.')
        return {};
    for (++i; i < text.size() && isDigit(text[i]); ++i)
        digits += text[i];
    if (i != text.size())
        return {};
    std::vector<std::string> out;
    if (digits.size() == point)
        out.push_back(text.substr(0, text.size() - 1));  // "440."
    for (size_t keep = digits.size() - point; keep-- > 0;)
        out.push_back(rounded(digits, point, keep, negative));
    return out;
}
