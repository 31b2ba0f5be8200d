// The time template language of every duration, position and status text.
#pragma once
#include <cstdint>
#include <string>

// "[…]" sections holding a unit that is zero together with every larger unit are dropped;
// "%"+tag placeholders (any letter case) become plain decimal numbers.
std::string FormatTime(int64_t seconds, const std::string& tmpl, const std::string& hourTag = "hh",
                       const std::string& minuteTag = "ii", const std::string& secondTag = "ss");
