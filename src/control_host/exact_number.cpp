#include "exact_number.h"

#include <algorithm>
#include <array>

std::string exactDecimalText(bool negative, std::uint32_t high, std::uint64_t low, unsigned scale)
{
    // Long division of the three 32-bit words by ten, most significant first.
    std::array<std::uint32_t, 3> words{high, std::uint32_t(low >> 32), std::uint32_t(low)};
    std::string digits;
    while (std::any_of(words.begin(), words.end(), [](std::uint32_t word) { return word != 0; })) {
        std::uint64_t remainder = 0;
        for (std::uint32_t &word : words) {
            const std::uint64_t dividend = (remainder << 32) | word;
            word = std::uint32_t(dividend / 10);
            remainder = dividend % 10;
        }
        digits.push_back(char('0' + remainder));
    }
    if (digits.size() <= scale)
        digits.append(scale + 1 - digits.size(), '0');
    std::reverse(digits.begin(), digits.end());
    if (scale > 0) {
        digits.insert(digits.size() - scale, 1, '.');
        digits.erase(digits.find_last_not_of('0') + 1);
        if (digits.back() == '.')
            digits.pop_back();
    }
    return negative && digits != "0" ? '-' + digits : digits;
}
