#pragma once

// Texts of a CSV file that a spreadsheet shows as text and never runs as a formula, the defence
// OWASP gives against CSV injection: a port named =HYPERLINK(...) would otherwise be a live link.

#include <string>
#include <string_view>

namespace journal {

/// The text as a field may hold it: with an apostrophe in front when it starts with a character
/// that makes a spreadsheet read a formula (= + - @ TAB CR LF) or with an apostrophe itself, so
/// that the apostrophe added is always told from the text. A plain decimal number such as -5 or
/// 12.5 is no formula and stays as it is, a number to a spreadsheet and to awk.
std::string inertText(std::string_view text);

/// The text an inert field holds: its first apostrophe taken off. A field written before the
/// rule holds a text that starts with an apostrophe only if its text did; that one loses it.
std::string_view textOfInert(std::string_view field);

} // namespace journal
