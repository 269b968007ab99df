#pragma once

#include <cstdint>
#include <string>

// The exact decimal text of a number held as a sign, a 96-bit magnitude (high, low) and a count
// of decimal places, as OLE Automation's DECIMAL holds it: "-", digits and a full stop, with no
// superfluous zeros, and "0" for zero. Plain C++, so that it is tested natively.
std::string exactDecimalText(bool negative, std::uint32_t high, std::uint64_t low, unsigned scale);
