// Small text helpers shared by every layer. Texts are UTF-8 std::string in memory.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace text {

// ASCII-only case folding is not enough for keys such as "français":
// these fold ASCII and the Latin-1 letters, which covers every key and path we compare.
std::string Lower(std::string_view s);
std::string Upper(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view s, std::string_view prefix);
// Position of the first occurrence of needle in hay ignoring letter case, or npos. matched, when
// given, gets the byte length of that occurrence in hay, which can differ from needle's (a
// Latin-1 byte in hay matches its UTF-8 letter in needle).
size_t FindNoCase(std::string_view hay, std::string_view needle, size_t from = 0, size_t* matched = nullptr);
// Replaces every occurrence of what (ignoring letter case) by with.
std::string ReplaceNoCase(std::string_view s, std::string_view what, std::string_view with);
std::string Replace(std::string_view s, std::string_view what, std::string_view with);

std::string Trim(std::string_view s);       // spaces at both ends
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);
std::vector<std::string> Split(std::string_view s, char sep);

// A number with a fixed count of decimals and a point, whatever the locale the toolkit set;
// never "-0.0".
std::string Fixed(double v, int decimals);

// Upper-case hexadecimal without a prefix or padding, as the event log writes handles and flags.
std::string Hex(uint32_t v);

// Decimal reading as the settings do it: optional sign and digits, anything else gives 0.
int32_t ParseInt(std::string_view s);

// The decimal number at the start of s as the program's files write it: an optional sign,
// digits, a point, digits; no exponent, "inf" or "nan"; 0 when there is none. A value beyond
// the range of a double reads as the largest double of its sign, one too small for it as 0,
// so callers clamping to their limits land on the right side.
double LeadingFixed(std::string_view s);

// Encodings of the files we read and write.
std::string FromUtf16LE(std::string_view bytes);   // bytes without the BOM
std::string ToUtf16LE(std::string_view utf8);
std::string FromWindows1252(std::string_view bytes);
bool IsValidUtf8(std::string_view s);

// Number of characters (code points) of a UTF-8 text.
size_t CharCount(std::string_view utf8);

}  // namespace text
