// A failure the user can act on: its message is one line naming the problem.
#pragma once

#include <stdexcept>
#include <string>

namespace trs::render {

class RenderError : public std::runtime_error {
public:
    explicit RenderError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace trs::render
