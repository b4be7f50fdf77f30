#pragma once

#include <span>
#include <string>
#include <string_view>

namespace robustez {

// What an error message means to the user and what to do about it: a
// message pattern and one line in Spanish. In a pattern '*' stands for any
// text, none included; everything else is matched exactly.
struct ErrorExplanation {
    std::string_view pattern;
    std::string_view explanation;
};

// The known messages, the more particular before the more general: the
// first pattern that matches explains a message.
std::span<const ErrorExplanation> errorExplanations();

// True when the whole text matches the pattern.
bool matchesMessagePattern(std::string_view text, std::string_view pattern);

// The explanation of the first pattern the message matches; empty when none
// does.
std::string_view explanationOf(std::string_view message);

// The message as an error box shows it: the message as its first line and
// its explanation as the next; an unknown message unchanged.
std::string explainedMessage(std::string_view message);

} // namespace robustez
