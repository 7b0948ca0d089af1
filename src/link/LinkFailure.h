#pragma once

#include <stdexcept>
#include <string>

// Anything that goes wrong on the link inside the read tick: a failed read or
// write, a lost link, a frame with a non-hex digit. The tick catches it.
class LinkFailure final : public std::runtime_error
{
public:
    explicit LinkFailure(const std::string &what) : std::runtime_error(what) {}
};
