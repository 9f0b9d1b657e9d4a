#include "exchange/numtext.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace korvel {
namespace {

bool IsCSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

size_t SkipSpace(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) ++i;
    return i;
}

bool StartsWithNoCase(std::string_view text, std::string_view word)
{
    if (text.size() < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != word[i]) return false;
    }
    return true;
}

// What follows leading white space and an optional sign, as scanf's numeric conversions see it.
std::string_view AfterSpaceAndSign(std::string_view text, bool* negative)
{
    size_t i = SkipSpace(text);
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        *negative = text[i] == '-';
        ++i;
    }
    return text.substr(i);
}

}  // namespace

std::optional<double> ParseLeadingDouble(std::string_view text)
{
    bool negative = false;
    std::string_view rest = AfterSpaceAndSign(text, &negative);
    double value = 0.0;
    std::from_chars_result r{};
    if (rest.size() > 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
        r = std::from_chars(rest.data() + 2, rest.data() + rest.size(), value, std::chars_format::hex);
        if (r.ec == std::errc::invalid_argument) {
            // "0x" without hex digits: "%lf" still reads the 0.
            value = 0.0;
            r.ec = std::errc();
        }
    } else {
        if (StartsWithNoCase(rest, "inf")) {
            value = std::numeric_limits<double>::infinity();
        } else if (StartsWithNoCase(rest, "nan")) {
            value = std::numeric_limits<double>::quiet_NaN();
        } else {
            r = std::from_chars(rest.data(), rest.data() + rest.size(), value, std::chars_format::general);
        }
    }
    if (r.ec == std::errc::invalid_argument) return std::nullopt;
    if (r.ec == std::errc::result_out_of_range) {
        // Like strtod: overflow gives infinity, underflow zero (the sign applied below).
        const std::string_view matched(rest.data(), static_cast<size_t>(r.ptr - rest.data()));
        const size_t e = matched.find_first_of("eEpP");
        const bool tiny = e != std::string_view::npos && e + 1 < matched.size() && matched[e + 1] == '-';
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return negative ? -value : value;
}

std::optional<long long> ParseLeadingInteger(std::string_view text)
{
    bool negative = false;
    std::string_view rest = AfterSpaceAndSign(text, &negative);
    int base = 10;
    if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X') && rest.size() > 2 &&
        std::isxdigit(static_cast<unsigned char>(rest[2]))) {
        base = 16;
        rest.remove_prefix(2);
    } else if (!rest.empty() && rest[0] == '0') {
        base = 8;
    }
    unsigned long long value = 0;
    const auto r = std::from_chars(rest.data(), rest.data() + rest.size(), value, base);
    if (r.ec == std::errc::invalid_argument) return std::nullopt;
    constexpr auto kMax = static_cast<unsigned long long>(std::numeric_limits<long long>::max());
    if (r.ec == std::errc::result_out_of_range || value > kMax) {
        return negative ? std::numeric_limits<long long>::min() : std::numeric_limits<long long>::max();
    }
    const auto v = static_cast<long long>(value);
    return negative ? -v : v;
}

QByteArray FormatFixed(double value, int decimals)
{
    if (decimals < 0) decimals = 0;
    if (decimals > 300) decimals = 300;
    if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    // Up to 309 integer digits, a point, up to 300 decimals and a sign.
    char buffer[1024];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) return QByteArray();
    return QByteArray(buffer, static_cast<qsizetype>(r.ptr - buffer));
}

}  // namespace korvel
