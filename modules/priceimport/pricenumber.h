// Numbers as price files write them: "1 234,56", "1234.56", "1,234.56", "-5", "12,5 %" is not one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace priceimport {

// Four-decimal fixed point (12.5 is 125000), rounded half away from zero; nullopt for text that
// is not a number or does not fit.
std::optional<std::int64_t> parseMoney(std::string_view text);
// A whole number that fits 32 bits ("12", "12,0" too).
std::optional<std::int32_t> parseInteger(std::string_view text);
// Trims ASCII spaces and the UTF-8 no-break spaces.
std::string_view trim(std::string_view text);

} // namespace priceimport
