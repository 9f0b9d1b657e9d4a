#pragma once
// Locale-independent number text for the exchange formats. The formats always use a point as
// decimal separator, whatever locale the program runs in, so the C library's locale-bound
// scanf/printf are not used.

#include <QByteArray>

#include <optional>
#include <string_view>

namespace korvel {

// Reads a decimal number from the start of `text` the way "%lf" does: leading white space
// is skipped, then an optional sign and the longest number (decimal with exponent, "0x"
// hexadecimal, "inf", "nan"). Returns nothing when no number starts there.
std::optional<double> ParseLeadingDouble(std::string_view text);

// Reads an integer from the start of `text` the way "%i" does: leading white space, optional
// sign, then decimal, octal with a leading 0 or hexadecimal with 0x. Out-of-range values
// saturate. Returns nothing when no integer starts there.
std::optional<long long> ParseLeadingInteger(std::string_view text);

// `value` with exactly `decimals` digits after the point, like "%.*f" in the C locale.
QByteArray FormatFixed(double value, int decimals);

}  // namespace korvel
